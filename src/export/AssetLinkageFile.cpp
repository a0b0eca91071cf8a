#include "export/AssetLinkageFile.h"

#include "export/XmlSaveDocument.h"
#include "platform/JapaneseCalendar.h"
#include "firebird/DatabaseError.h"
#include "firebird/Transaction.h"
#include "records/DbErrorHandler.h"
#include "records/DataModule.h"
#include "records/TextRoutines.h"

#include <charconv>
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

// Fixed decimals of a stored number, rounded half away from zero on its decimal digits: a
// DOUBLE column holds what the user typed (2.675), and the shortest text that reads back as the
// same double is that decimal, whereas printf would round the binary value (2.67499...).
std::string fixedDecimals(double value, int decimals, int width)
{
    char buf[400];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    std::string text = ec == std::errc() ? std::string(buf, end) : std::string("0");
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        text.erase(0, 1);
    const auto dot = text.find('.');
    std::string digits = dot == std::string::npos ? text : text.substr(0, dot) + text.substr(dot + 1);
    std::size_t intLength = dot == std::string::npos ? text.size() : dot;
    std::string fraction = dot == std::string::npos ? std::string() : text.substr(dot + 1);
    const bool roundUp = fraction.size() > std::size_t(decimals) && fraction[std::size_t(decimals)] >= '5';
    fraction.resize(std::size_t(decimals), '0');
    digits = text.substr(0, intLength) + fraction;
    if (roundUp) {
        std::size_t i = digits.size();
        while (i > 0) {
            --i;
            if (digits[i] == '9') {
                digits[i] = '0';
                continue;
            }
            ++digits[i];
            break;
        }
        if (i == 0 && digits[0] == '0') {
            digits.insert(digits.begin(), '1');
            ++intLength;
        }
    }
    std::string out = digits.substr(0, intLength);
    if (decimals > 0)
        out += "." + digits.substr(intLength);
    const bool zero = out.find_first_not_of("0.") == std::string::npos;
    if (negative && !zero)
        out.insert(out.begin(), '-');
    if (out.size() < std::size_t(width))
        out.insert(0, std::size_t(width) - out.size(), ' ');
    return out;
}

// "0.000" cut or padded to five characters.
std::string rateText(double rate)
{
    return LeftFixStr(fixedDecimals(rate, 3, 0), 5);
}

EDataExportError amountOutOfRange(const TGenkaSyokyakuRec& r)
{
    return EDataExportError("金額が扱える範囲を超えているため中間ファイルを作成できません。",
                            exportcode::kInvalidAsset,
                            "管理番号:" + r.KANRI + " 資産名:" + r.MEISYOU);
}

// A product taken to the fixed-point resolution, then to whole yen by the company's mode; a
// product outside the currency range is refused for the asset, never wrapped.
Currency roundedProduct(double product, const TGenkaSyokyakuRec& r)
{
    const double units = std::nearbyint(product * kCurrencyUnit);
    constexpr double kLimit = 9223372036854775808.0; // 2^63
    if (!(units > -kLimit && units < kLimit))
        throw amountOutOfRange(r);
    return CurrHasuuSyori(AccInf.SDAI_HASUU1, static_cast<Currency>(units));
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
        const Currency adjusted = roundedProduct(double(r.KISOKIN) / kCurrencyUnit * r.SYOURITU, r);
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

void TSyotokuZeiDataMake::forEachSisanRow(const std::function<void(TZQ14_G_ITEM2&&)>& take) const
{
    if (const auto* assets = genkaList())
        for (const auto& r : *assets)
            if (!isZq14SkippedRow(r))
                take(MakeSisanRow(r));

    const auto* small = smallList();
    if (small && !small->empty()) {
        Currency total = 0;
        for (const auto& r : *small)
            if (__builtin_add_overflow(
                    total, roundedProduct(r.JIGYOUWARIAI / 100.0 * double(r.SYUTOKIN) / kCurrencyUnit, r),
                    &total))
                throw amountOutOfRange(r);
        TZQ14_G_ITEM2 row;
        row[SISANMEI] = "少額減価償却資産";
        setEra(row, AccInf.KISHU, false);
        row[SYUTOKUKINGAKU] = blankIfZero(total);
        row[HITUYOUKEIHI] = blankIfZero(total);
        row[HOUHOU] = "6";
        row[MEI] = "少額";
        row[JYOUDAN] = "措法28の2";
        row[GEDAN] = "（明細は別途保管）";
        take(std::move(row));
    }
}

void TSyotokuZeiDataMake::MakeSisanRows()
{
    Rows.clear();
    Rows.reserve(std::size_t(CountRows()));
    forEachSisanRow([this](TZQ14_G_ITEM2&& row) { Rows.push_back(std::move(row)); });
    ResultCode = 1;
}

int TSyotokuZeiDataMake::WriteDataNode(TXmlSaveDoc& doc)
{
    ResultCode = 3;
    Rows.clear();
    const XmlNode data = doc.AddNode({}, "DATA");
    // Each row goes into the document as it is made: holding every row first would double the
    // memory a large company's export needs.
    int position = 0;
    forEachSisanRow([&](TZQ14_G_ITEM2&& row) {
        const XmlNode sisan =
            doc.AddNode(data, kZq14SisanNodeName, "Count", std::to_string(++position));
        for (std::size_t i = 0; i < row.size(); ++i)
            doc.AddTextNode(sisan, kZq14SisanItemNames[i], row[i]);
    });
    ResultCode = 1;
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
            m_transaction = &DM->IBTransactionDATSS;
        if (m_transaction == nullptr)
            throw EDataExportError("青色申告決算書レコードの取得に失敗しました。",
                                   kStatementLoadFailed, "会社データが開かれていません。");
        switch (codeSystem) {
        case 2: loader = std::make_unique<TFudosanKessansyoIO>(*m_transaction); break;
        case 4: loader = std::make_unique<TNougyouKessansyoIO>(*m_transaction); break;
        default: loader = std::make_unique<TIppanKessansyoIO>(*m_transaction); break;
        }
        loader->SetTransaction(*m_transaction);
        loader->onAssetRead = m_assetProgress;
        // A statement read that failed would leave assets out of the file: that is an error.
        bool loaded = false;
        try {
            // Every read of the export (trial balance, asset list, each asset) runs in this one
            // transaction, a snapshot in the program: another user's commit meanwhile cannot
            // give a file that mixes old and new figures.
            firebird::StartedHere view(*m_transaction);
            loaded = loader->LoadKessansyo(0);
            view.commit();
        } catch (const EDataExportError&) {
            throw;
        } catch (const std::exception& e) {
            throw EDataExportError("青色申告決算書レコードの取得に失敗しました。",
                                   kStatementLoadFailed, e.what());
        }
        if (!loaded) {
            // The read ran in our snapshot, so the loader left the report to us: log it (with a
            // reconnect after a lost connection) and name it in the error.
            std::string detail;
            if (const std::exception_ptr failure = loader->LastReadFailure()) {
                try {
                    std::rethrow_exception(failure);
                } catch (const firebird::DatabaseError& e) {
                    HandleDbError(e, "TSyotokuzeiGenkaDataExport.SetDataNode", "", true);
                    detail = e.what();
                } catch (const std::exception& e) {
                    detail = e.what();
                }
            }
            throw EDataExportError("青色申告決算書レコードの取得に失敗しました。",
                                   kStatementLoadFailed, detail);
        }
    }
    maker.setLoader(std::move(loader));
    const int result = maker.WriteDataNode(doc);
    if (result == 5)
        throw EDataExportError("科目の集計処理に失敗しました。", exportcode::kCalculationFailed, "");
    if (result == 6)
        throw EDataExportError("決算書項目で空の印刷名称が存在します。",
                               exportcode::kEmptyPrintName, "");
}
