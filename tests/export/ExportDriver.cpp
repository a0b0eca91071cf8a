#include "export/ExportDriver.h"

#include "export/AssetLinkageFile.h"
#include "export/DataExport.h"
#include "export/LinkageExport.h"
#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "records/DataModule.h"
#include "records/ProgramRecords.h"
#include "support/FixtureDb.h"
#include "support/signin/OperatorSignIn.h"

#include <stdexcept>

namespace testsupport {


int runHeadlessExport(const ExportRequest& r, std::string* failure)
{
    try {
        TDM dm;
        dm.IBDatabaseDEF.connect(morabyParams((r.dataRoot / "dwaccdef.fdb").string()));
        signInOperator(dm, {r.groupId, r.opCode, r.password});
        // Signed out again however the export ends, so the operator can sign in next time.
        struct SignOut {
            TDM& dm;
            ~SignOut() { dm.DeleteLogonInfo(); }
        } signOut{dm};
        // The data module opens the company and reads its settings, as the wizard's data page
        // does; the trial balance and the loaders read through its transactions.
        dm.IBDatabaseDAT.connect(morabyParams((r.dataSet / "dwacc.fdb").string()));
        if (!dm.fnGetAccInfo())
            throw std::runtime_error("company settings could not be read");
        if (dm.IBTransactionDAT.inTransaction())
            dm.IBTransactionDAT.commit();

        TSyotokuzeiGenkaDataExport exporter(r.functionId, r.outputFile);
        // The wizard's checks of the chosen data set: its version and, for an individual's
        // statement, an individual's data.
        std::string version;
        dm.fnGetDataBaseVer(version);
        std::string refusal = DataVersionRefusal(version);
        if (refusal.empty())
            refusal = IndividualDataRefusal(exporter, AccInf);
        if (!refusal.empty()) {
            if (failure)
                *failure = refusal;
            return 2;
        }
        exporter.setAssetProgress(r.assetProgress);
        const LinkageExportResult result =
            ExportLinkageFile(exporter, dm.IBTransactionDATSS, AccInf, exporter.outputFile);
        if (result.result != kRendoWritten) {
            if (failure)
                *failure = result.message + " / " + result.detail + " / " +
                           std::to_string(result.errorCode);
            return 2;
        }
        return 0;
    } catch (const EDataExportError& e) {
        if (failure)
            *failure = e.Message() + " / " + e.Detail() + " / " + std::to_string(e.Code());
        return 2;
    } catch (const std::exception& e) {
        if (failure)
            *failure = e.what();
        return 2;
    }
}

} // namespace testsupport
