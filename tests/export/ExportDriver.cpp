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

#include <stdexcept>

namespace testsupport {

namespace {

// The database part of sign-in: LOGONUSERTEST accepts the operator (0, or 1 without password),
// who then gets the sign-in fields and the operator settings, as the main form does.
void signIn(TDM& dm, const ExportRequest& r)
{
    dm.IBDatabaseDEF.connect(morabyParams((r.dataRoot / "dwaccdef.fdb").string()));
    firebird::Transaction& t = dm.IBTransactionDEF;
    t.start();
    firebird::Statement q(t, "SELECT NUM, LOGINCODE, JOBLEVEL FROM LOGONUSERTEST("
                             ":PCNAME, :GROUPID, :OPCODE, :APPVERSION, :PASWORD)");
    q.setString("PCNAME", "HEADLESS");
    q.setInt("GROUPID", r.groupId);
    q.setInt("OPCODE", r.opCode);
    q.setInt("APPVERSION", 800);
    q.setString("PASWORD", r.password);
    int num = -1, loginCode = 0, jobLevel = 0;
    {
        auto c = q.open();
        if (c.fetch()) {
            num = c.getInt("NUM");
            loginCode = c.getInt("LOGINCODE");
            jobLevel = c.getInt("JOBLEVEL");
        }
    }
    t.commit();
    if (num != 0 && num != 1)
        throw std::runtime_error("sign-in refused: " + std::to_string(num));
    SystemDef.GroupId = r.groupId;
    SystemDef.LoginCode = loginCode;
    SystemDef.LoginId = r.groupId * 10000 + loginCode;
    SystemDef.JobLevel = jobLevel;
    // A failed settings read was reported by the data module; the sign-in row goes again.
    if (!dm.fnGetSysDef()) {
        dm.DeleteLogonInfo();
        throw std::runtime_error("operator settings could not be read");
    }
}

} // namespace

int runHeadlessExport(const ExportRequest& r, std::string* failure)
{
    try {
        TDM dm;
        signIn(dm, r);
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
