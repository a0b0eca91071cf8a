#include "export/AssetLinkageFile.h"

#include "export/XmlSaveDocument.h"
#include "platform/JapaneseCalendar.h"
#include "records/DataModule.h"
#include "records/TextRoutines.h"

#include <cmath>
#include <cstdio>

using platform::Currency;
using platform::kCurrencyUnit;

const std::array<const char*, 26> kZq14SisanItemNames = {
    "SISANMEI",
    "SUURYO",
    "SUURYOTANI",
    "SYUTOKUNENGETU_GENGO",
    "SYUTOKUNENGETU_NEN",
    "SYUTOKUNENGETU_TUKI",
    "SYUTOKUKINGAKU",
    "SYOUKYAKUHOSYOUGAKU",
    "KISYUTYOUBOKAKAKU",
    "SYOUKYAKUKISOKINGAKU",
    "SYOUKYAKUHOUHOU",
    "SYOUKYAKUMEI",
    "KEIKASOTI",
    "TAIYOUNENSU",
    "SYOUKYAKURITU",
    "KAITEISYOUKYAKURITU",
    "KAITEISYUTOKUKAGAKU",
    "SYOUKYAKUKIKAN",
    "CHOUSEIMAESYOUKYAKUGAKU",
    "FUTUUSYOUKYAKUHI",
    "WARIMASISYOUKYAKUHI",
    "JIGYOUSENYUWARIAI",
    "HITUYOUKEIHISANNYUUGAKU",
    "MISYOUKYAKUZANDAKA",
    "TEKIYOU_JYOUDAN",
    "TEKIYOU_GEDAN",
};

namespace {

enum Item : int {
    SISANMEI, SUURYO, SUURYOTANI, GENGO, NEN, TUKI, SYUTOKUKINGAKU, HOSYOUGAKU, KISYUTYOUBO,
    KISOKINGAKU, HOUHOU, MEI, KEIKASOTI, TAIYOUNENSU, RITU, KAITEIRITU, KAITEISYUTOKU, KIKAN,
    CHOUSEIMAE, FUTUU, WARIMASI, WARIAI, HITUYOUKEIHI, MISYOUKYAKU, JYOUDAN, GEDAN,
};

// Half away from zero to whole units of a fixed-point amount.
std::int64_t wholeUnits(Currency value)
{
    const std::int64_t half = kCurrencyUnit / 2;
    return value >= 0 ? (value + half) / kCurrencyUnit : -((-value + half) / kCurrencyUnit);
}

// Pattern "0".
std::string wholeNumber(Currency value)
{
    return std::to_string(wholeUnits(value));
}

// Pattern "#": empty for a value that rounds to zero.
std::string blankIfZero(Currency value)
{
    const auto units = wholeUnits(value);
    return units == 0 ? std::string() : std::to_string(units);
}

// Fixed decimals with halves rounded away from zero on the decimal value: "%6.2f" of 1.125 is
// "  1.13", where printf's binary rounding gives "  1.12".
std::string fixedDecimals(double value, int decimals, int width)
{
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::round(value * scale) / scale; // std::round: halves away from 0
    char buf[64];
    std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, rounded);
    return buf;
}

// "0.000" cut or padded to five characters.
std::string rateText(double rate)
{
    return LeftFixStr(fixedDecimals(rate, 3, 0), 5);
}

// A product taken to the fixed-point resolution, then to whole yen by the company's mode.
Currency roundedProduct(double product)
{
    const auto fx = static_cast<Currency>(std::llround(product * kCurrencyUnit));
    return CurrHasuuSyori(AccInf.SDAI_HASUU1, fx);
}

void setEra(TZQ14_G_ITEM2& row, platform::TDateTime date, bool withMonth)
{
    const auto era = platform::japaneseEraDate(date);
    row[GENGO] = era.eraName;
    row[NEN] = std::to_string(era.eraYear);
    if (withMonth)
        row[TUKI] = std::to_string(era.month);
}

} // namespace

TZQ14_G_ITEM2 MakeSisanRow(const TGenkaSyokyakuRec& r)
{
    if (r.SYUTODATE == 0)
        throw EDataExportError("取得年月が設定されていません。", exportcode::kNoAcquisitionDate,
                               "資産名:" + r.MEISYOU);
    TZQ14_G_ITEM2 row;
    row[SISANMEI] = r.MEISYOU;
    if (r.SURYO > 0)
        row[SUURYO] = fixedDecimals(r.SURYO, 2, 6);
    setEra(row, r.SYUTODATE, true);
    row[SYUTOKUKINGAKU] = wholeNumber(r.SYUTOKIN);
    row[KISYUTYOUBO] = wholeNumber(r.KISYUMISYOUKIN);
    row[KISOKINGAKU] = wholeNumber(r.KISOKIN);

    switch (r.GSHOUHOU) {
    case 1:
        row[HOUHOU] = "2";
        row[RITU] = "9.999";
        break;
    case 2:
        row[HOUHOU] = "1";
        row[RITU] = "9.999";
        row[KAITEIRITU] = "9.999";
        break;
    case 3:
        row[HOUHOU] = "4";
        row[RITU] = r.SYOURITU < 100 ? rateText(r.SYOURITU) : "100.0";
        break;
    case 4:
        row[HOUHOU] = "3";
        row[RITU] = "1/3";
        break;
    case 6:
        row[HOUHOU] = "6";
        row[MEI] = "リース";
        row[RITU] = r.SYOURITU < 100 ? rateText(r.SYOURITU) : "100.0";
        break;
    default:
        break;
    }

    if (r.TAIYOUYY > 0)
        row[TAIYOUNENSU] = std::to_string(r.TAIYOUYY);
    if (r.SyoukyakuTukisuu > 0)
        row[KIKAN] = std::to_string(r.SyoukyakuTukisuu);
    row[FUTUU] = wholeNumber(r.FUTUSYOUKIN);
    row[WARIMASI] = wholeNumber(r.WARISYOUKIN);
    if (r.JIGYOUWARIAI > 0)
        row[WARIAI] = fixedDecimals(r.JIGYOUWARIAI, 1, 3);
    row[HITUYOUKEIHI] = wholeNumber(r.HitsuyoKeihi);
    row[MISYOUKYAKU] = wholeNumber(r.MATUMISYOUKIN);
    row[JYOUDAN] = r.TEKIYO;

    if (r.GSHOUHOU == 2 && r.TEIRITU200 == 1) {
        row[HOUHOU] = "6";
        row[MEI] = "定率";
        row[RITU] = rateText(r.SYOURITU);
        row[KAITEIRITU] = rateText(double(r.KaiteiSyouritu) / kCurrencyUnit);
        row[JYOUDAN] = "200%定率法";
        row[GEDAN] = r.TEKIYO;
    } else if (r.GSHOUHOU == 2 && r.TEIRITU250 == 1) {
        row[KEIKASOTI] = "1";
        row[JYOUDAN] = "250%定率法";
        row[GEDAN] = r.TEKIYO;
    }

    if (r.GSHOUHOU == 2 && r.HosyouGaku > 0) {
        const Currency adjusted = roundedProduct(double(r.KISOKIN) / kCurrencyUnit * r.SYOURITU);
        row[HOSYOUGAKU] = blankIfZero(r.HosyouGaku);
        row[KAITEISYUTOKU] = wholeNumber(r.KAITEISYUTOKUKAGAKU);
        row[CHOUSEIMAE] = wholeNumber(adjusted);
        if (r.HosyouGaku > adjusted) {
            row[JYOUDAN] = "改定償却";
            row[GEDAN] = r.TEKIYO;
        }
    }
    return row;
}

bool isZq14SkippedRow(const TGenkaSyokyakuRec& row)
{
    return (row.GSHOUHOU == 5 && row.MEISYOU == kMeisaiBettoHokan) || row.GoukeiFlag == 1;
}

TSyotokuZeiDataMake::TSyotokuZeiDataMake() = default;

TSyotokuZeiDataMake::~TSyotokuZeiDataMake() = default;

void TSyotokuZeiDataMake::setLoader(std::unique_ptr<TKojinKessansyoIO> loader)
{
    m_loader = std::move(loader);
}

const TGenkaSyokyakuRecArray* TSyotokuZeiDataMake::genkaList() const
{
    return m_loader ? &m_loader->GenkaList() : nullptr;
}

const TGenkaSyokyakuRecArray* TSyotokuZeiDataMake::smallList() const
{
    return m_loader ? &m_loader->SmallList() : nullptr;
}

int TSyotokuZeiDataMake::CountRows() const
{
    const auto* assets = genkaList();
    const auto* small = smallList();
    int count = 0;
    if (assets)
        for (const auto& r : *assets)
            if (!isZq14SkippedRow(r))
                ++count;
    if (small && !small->empty())
        ++count;
    return count;
}

void TSyotokuZeiDataMake::MakeSisanRows()
{
    Rows.clear();
    if (const auto* assets = genkaList())
        for (const auto& r : *assets)
            if (!isZq14SkippedRow(r))
                Rows.push_back(MakeSisanRow(r));

    const auto* small = smallList();
    if (small && !small->empty()) {
        Currency total = 0;
        for (const auto& r : *small)
            total += roundedProduct(r.JIGYOUWARIAI / 100.0 * double(r.SYUTOKIN) / kCurrencyUnit);
        TZQ14_G_ITEM2 row;
        row[SISANMEI] = "少額減価償却資産";
        setEra(row, AccInf.KISHU, false);
        row[SYUTOKUKINGAKU] = blankIfZero(total);
        row[HITUYOUKEIHI] = blankIfZero(total);
        row[HOUHOU] = "6";
        row[MEI] = "少額";
        row[JYOUDAN] = "措法28の2";
        row[GEDAN] = "（明細は別途保管）";
        Rows.push_back(std::move(row));
    }
    ResultCode = 1;
}

int TSyotokuZeiDataMake::WriteDataNode(TXmlSaveDoc& doc)
{
    ResultCode = 3;
    Rows.clear();
    Rows.reserve(std::size_t(CountRows()));
    MakeSisanRows();
    const XmlNode data = doc.AddNode({}, "DATA");
    int position = 0;
    for (const auto& row : Rows) {
        const XmlNode sisan =
            doc.AddNode(data, kZq14SisanNodeName, "Count", std::to_string(++position));
        for (std::size_t i = 0; i < row.size(); ++i)
            doc.AddTextNode(sisan, kZq14SisanItemNames[i], row[i]);
    }
    return ResultCode;
}

TSyotokuzeiGenkaDataExport::TSyotokuzeiGenkaDataExport(int passedFunctionId,
                                                       const std::string& exportFile)
    : TComDataExport(passedFunctionId, exportFile)
{
}

void TSyotokuzeiGenkaDataExport::SetDataNode(TXmlSaveDoc& doc)
{
    TSyotokuZeiDataMake maker;
    maker.CodeSystem = codeSystem;
    std::unique_ptr<TKojinKessansyoIO> loader;
    if (codeSystem >= 1 && codeSystem <= 4) {
        if (m_transaction == nullptr && DM != nullptr)
            m_transaction = &DM->IBTransactionDAT;
        if (m_transaction == nullptr)
            throw EDataExportError("青色申告決算書レコードの取得に失敗しました。",
                                   kStatementLoadFailed, "会社データが開かれていません。");
        switch (codeSystem) {
        case 2: loader = std::make_unique<TFudosanKessansyoIO>(*m_transaction); break;
        case 4: loader = std::make_unique<TNougyouKessansyoIO>(*m_transaction); break;
        default: loader = std::make_unique<TIppanKessansyoIO>(*m_transaction); break;
        }
        loader->SetTransaction(*m_transaction);
        // A statement read that failed would leave assets out of the file: that is an error.
        bool loaded = false;
        try {
            loaded = loader->LoadKessansyo(0);
        } catch (const EDataExportError&) {
            throw;
        } catch (const std::exception& e) {
            throw EDataExportError("青色申告決算書レコードの取得に失敗しました。",
                                   kStatementLoadFailed, e.what());
        }
        if (!loaded)
            throw EDataExportError("青色申告決算書レコードの取得に失敗しました。",
                                   kStatementLoadFailed, "");
    }
    maker.setLoader(std::move(loader));
    const int result = maker.WriteDataNode(doc);
    if (result == 5)
        throw EDataExportError("科目の集計処理に失敗しました。", exportcode::kCalculationFailed, "");
    if (result == 6)
        throw EDataExportError("決算書項目で空の印刷名称が存在します。",
                               exportcode::kEmptyPrintName, "");
}
