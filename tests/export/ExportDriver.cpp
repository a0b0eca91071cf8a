#include "export/ExportDriver.h"

#include "accounting/LayoutTables.h"
#include "accounting/balance/uAccSisanhyou.h"
#include "export/XMLSaveDoc.h"
#include "export/zq14.h"
#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "records/uAccRecord.h"
#include "support/FixtureDb.h"

#include <stdexcept>

namespace testsupport {

namespace {

// The database part of sign-in: LOGONUSERTEST accepts the operator (0, or 1 without password).
void signIn(const ExportRequest& r)
{
    firebird::Attachment sys;
    sys.connect(morabyParams((r.dataRoot / "dwaccdef.fdb").string()));
    firebird::Transaction t(sys);
    t.start();
    firebird::Statement q(t, "SELECT NUM, LOGINCODE, JOBLEVEL FROM LOGONUSERTEST("
                             ":PCNAME, :GROUPID, :OPCODE, :APPVERSION, :PASWORD)");
    q.setString("PCNAME", "HEADLESS");
    q.setInt("GROUPID", r.groupId);
    q.setInt("OPCODE", r.opCode);
    q.setInt("APPVERSION", 800);
    q.setString("PASWORD", r.password);
    auto c = q.open();
    const int num = c.fetch() ? c.getInt("NUM") : -1;
    c.close();
    t.commit();
    if (num != 0 && num != 1)
        throw std::runtime_error("sign-in refused: " + std::to_string(num));
}

// The company settings the export reads (until the data module's reader is used here).
void readAccInf(firebird::Transaction& t)
{
    firebird::Statement q(t, "SELECT * FROM ACCDEF1 WHERE REC=1");
    auto c = q.open();
    if (!c.fetch())
        throw std::runtime_error("no company settings row");
    auto i = [&](const char* n) { return c.isNull(n) ? 0 : c.getInt(n); };
    auto d = [&](const char* n) { return c.isNull(n) ? 0.0 : c.getDateTime(n); };
    AccInf = TACCINF{};
    AccInf.DATATYPE = i("DATATYPE");
    AccInf.CODETYPE = i("CODETYPE");
    AccInf.SHOUGOU = c.getString("SHOUGOU");
    AccInf.NENDO = i("NENDO");
    AccInf.KISHU = d("KISHU");
    AccInf.KIMATU = d("KIMATU");
    AccInf.SIME = i("SIME");
    AccInf.KAISINO = i("KAISINO");
    AccInf.TAXDEFUH = i("TAXDEFUH");
    AccInf.SDAI_HASUU1 = i("SDAI_HASUU1");
    AccInf.SDAI_HASUU2 = i("SDAI_HASUU2");
    AccInf.SDAI_HASUU3 = i("SDAI_HASUU3");
    AccInf.GENKA_USE = i("GENKA_USE");
    AccInf.IsMedical = AccInf.DATATYPE == 3 && AccInf.CODETYPE == 1;
    pcSisanhyouSetup(AccInf.IsMedical ? 1 : 0);
}

} // namespace

int runHeadlessExport(const ExportRequest& r, std::string* failure)
{
    try {
        signIn(r);
        firebird::Attachment company;
        company.connect(morabyParams((r.dataSet / "dwacc.fdb").string()));
        firebird::Transaction standard(company);
        firebird::Transaction snapshot(company, firebird::Isolation::Snapshot);
        standard.start();
        readAccInf(standard);
        standard.commit();

        setSisanhyouTransactions(snapshot, standard);
        struct Uninstall {
            ~Uninstall() { clearSisanhyouTransactions(); }
        } uninstall;

        TSyotokuzeiGenkaDataExport exporter(r.functionId, r.outputFile);
        exporter.clientName = AccInf.SHOUGOU;
        exporter.fiscalYearNumber = AccInf.NENDO;
        exporter.fiscalYearStart = AccInf.KISHU;
        exporter.fiscalYearEnd = AccInf.KIMATU;
        exporter.closingDay = AccInf.SIME;
        exporter.roundingMode = AccInf.SDAI_HASUU1;
        exporter.dataType = AccInf.DATATYPE;
        exporter.codeSystem = AccInf.CODETYPE;
        exporter.taxInclusive = AccInf.TAXDEFUH;
        exporter.incomeKind = AccInf.CODETYPE == 2 ? 3 : AccInf.CODETYPE == 4 ? 4 : 1;
        exporter.setCompanyTransaction(standard);

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
