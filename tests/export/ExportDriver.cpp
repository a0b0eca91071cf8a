#include "export/ExportDriver.h"

#include "export/XmlSaveDocument.h"
#include "export/AssetLinkageFile.h"
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
        exporter.clientName = AccInf.SHOUGOU;
        exporter.fiscalYearNumber = AccInf.NENDO;
        exporter.fiscalYearStart = AccInf.KISHU;
        exporter.fiscalYearEnd = AccInf.KIMATU;
        exporter.closingDay = AccInf.SIME;
        exporter.roundingMode = AccInf.SDAI_HASUU1;
        exporter.dataType = AccInf.DATATYPE;
        exporter.codeSystem = AccInf.CODETYPE;
        exporter.dataFolder = r.dataSet.string();
        exporter.firstPeriod = AccInf.KaisiMonthIndex;
        exporter.lastPeriod = AccInf.KimatuKikanNo;
        exporter.periodEnd = AccInf.KimatuKikanNo;
        exporter.taxInclusive = AccInf.TAXDEFUH;
        exporter.taxSimplified = AccInf.TAXKANNI;
        exporter.taxBusinessKind = AccInf.TAXJIGYOU;
        exporter.accumulation = 0;
        // Individual data only, as the wizard's data page lets through.
        exporter.incomeKind =
            AccInf.DATATYPE != 2 ? 0 : AccInf.CODETYPE == 2 ? 3 : AccInf.CODETYPE == 4 ? 4 : 1;
        exporter.setAssetProgress(r.assetProgress);

        TXmlSaveDoc doc("1.0", "", "Shift_JIS");
        exporter.SetSystemNode(doc);
        exporter.SetBasicNode(doc);
        exporter.SetDataNode(doc);
        doc.SaveToFile(exporter.outputFile);
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
