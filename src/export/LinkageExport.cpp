#include "export/LinkageExport.h"

#include "export/AssetLinkageFile.h"
#include "export/DataExport.h"
#include "export/XmlSaveDocument.h"
#include "records/ProgramRecords.h"

namespace {

constexpr const char* kNotIndividualText =
    "指定された会計データは個人データではありません。\rもう一度、選びなおしてください。\r";

} // namespace

void ApplyCompanySettings(TComDataExport& x, const TACCINF& a)
{
    x.clientName = a.SHOUGOU;
    x.fiscalYearNumber = a.NENDO;
    x.fiscalYearStart = a.KISHU;
    x.fiscalYearEnd = a.KIMATU;
    x.closingDay = a.SIME;
    x.firstPeriod = a.KaisiMonthIndex;
    x.lastPeriod = a.KimatuKikanNo;
    x.periodEnd = a.KimatuKikanNo;
    x.taxInclusive = a.TAXDEFUH;
    x.taxSimplified = a.TAXKANNI;
    x.taxBusinessKind = a.TAXJIGYOU;
    x.accumulation = 0;
    x.dataType = a.DATATYPE;
    x.codeSystem = a.CODETYPE;
    x.incomeKind = 0;
    if (a.DATATYPE == 2)
        x.incomeKind = a.CODETYPE == 2 ? 3 : a.CODETYPE == 4 ? 4 : 1;
    x.roundingMode = a.SDAI_HASUU1;
}

std::string DataVersionRefusal(const std::string& dataVersion)
{
    if (CompareVersionText(dataVersion, kRequiredVersion))
        return {};
    return std::string("このプログラムで処理できるデータバージョンに達していません。\rデータバージョン:") +
           kRequiredVersion + "以降のデータを選択して下さい。" + "\r";
}

std::string IndividualDataRefusal(const TComDataExport& x, const TACCINF& company)
{
    const std::string& kind = x.businessKind;
    if ((kind == "ST" || kind == "ST_G") && company.DATATYPE != 2)
        return kNotIndividualText;
    return {};
}

LinkageExportResult ExportLinkageFile(TSyotokuzeiGenkaDataExport& exporter,
                                      firebird::Transaction& companyTransaction,
                                      const TACCINF& company, const std::string& outputPath)
{
    LinkageExportResult r;
    ApplyCompanySettings(exporter, company);
    exporter.setCompanyTransaction(companyTransaction);
    TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    try {
        exporter.SetSystemNode(doc);
        exporter.SetBasicNode(doc);
        exporter.SetDataNode(doc);
        doc.SaveToFile(outputPath);
        r.result = kRendoWritten;
    } catch (const EDataExportError& e) {
        r.message = e.Message();
        r.detail = e.Detail();
        r.errorCode = e.Code();
        r.result = e.Code() == exportcode::kInvalidAsset || e.Code() == 6 ? kRendoStopped
                                                                          : kRendoFailed;
    }
    return r;
}
