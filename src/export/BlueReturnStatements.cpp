#include "export/BlueReturnStatements.h"

#include "balance/TrialBalance.h"
#include "export/DataExport.h"
#include "export/DepreciationAssetReader.h"
#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "records/DbErrorHandler.h"
#include "records/TextSplitter.h"
#include "platform/Text.h"
#include "records/TextRoutines.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace {

constexpr const char* kReadFailed = "青色申告決算書レコードの取得に失敗しました。";

// "管理番号:12 資産名:机" of an asset, for messages.
std::string assetLabel(const TGenkaSyokyakuRec& row)
{
    return "管理番号:" + row.KANRI + " 資産名:" + row.MEISYOU;
}

EDataExportError amountOutOfRange(const TGenkaSyokyakuRec& row)
{
    return EDataExportError("金額が扱える範囲を超えているため中間ファイルを作成できません。",
                            exportcode::kInvalidAsset, assetLabel(row));
}

// An asset's text column. Bytes that are not CP932 and control characters (a NUL would cut the
// text short in the file) are refused, naming the asset and the column.
std::string assetText(const firebird::Cursor& c, const char* column, const char* label,
                      const TGenkaSyokyakuRec& row)
{
    std::string text;
    try {
        text = c.getString(column);
    } catch (const platform::text::EncodingError&) {
        throw EDataExportError("資産の文字列に読み取れない文字が含まれています。",
                               exportcode::kInvalidAsset,
                               assetLabel(row) + " 項目:" + label + "(" + column + ")");
    }
    for (const char ch : text) {
        const auto u = static_cast<unsigned char>(ch);
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r') {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", unsigned(u));
            throw EDataExportError("資産の文字列に使用できない文字が含まれています。",
                                   exportcode::kInvalidAsset,
                                   assetLabel(row) + " 項目:" + label + "(" + column +
                                       ") 制御文字 " + code);
        }
    }
    return text;
}

std::int64_t countOf(firebird::Transaction& tx, const std::string& sql, bool period)
{
    firebird::Statement q(tx, sql);
    if (period) {
        q.setDateTime("KIKAN1", AccInf.KISHU);
        q.setDateTime("KIKAN2", AccInf.KIMATU);
    }
    auto c = q.open();
    return c.fetch() && !c.isNull("RECCNT") ? c.getInt64("RECCNT") : 0;
}

} // namespace

TKojinKessansyoIO::TKojinKessansyoIO(firebird::Transaction& transaction)
    : m_transaction(&transaction),
      m_jigyouKubun(SystemDef.JigyouKubun),
      m_taxDefuh(AccInf.TAXDEFUH)
{
}

TKojinKessansyoIO::~TKojinKessansyoIO() = default;

void TKojinKessansyoIO::SetTransaction(firebird::Transaction& transaction)
{
    m_transaction = &transaction;
}

void TKojinKessansyoIO::PrepareZandaka()
{
    m_rowMax = fnSisanhyouMaxRow();
    m_rows.clear();
    m_index.clear();
    m_rows.resize(std::size_t(m_rowMax));
    m_index.resize(std::size_t(m_rowMax));
    // The trial balance reports its own failure; a statement built without it would be wrong.
    if (!pcSisanhyouRead(m_rows, m_rowMax - 1, m_index, m_rowMax - 1, 1, m_taxDefuh,
                         m_jigyouKubun, 0))
        throw std::runtime_error("試算表の読込に失敗しました。");
    pcKikanZandakaCalcu(m_rows, m_rowMax - 1, 0, -1, 1, 16, m_jigyouKubun);
}

void TKojinKessansyoIO::ReadGenkaSyokyaku(std::span<TGenkaSyokyakuRec> table,
                                          std::int32_t& overflowFlag, std::int32_t& smallFlag,
                                          bool generalQuery)
{
    auto& tx = *m_transaction;
    const std::size_t limit = table.size() - 1;
    m_genkaList.clear();
    m_smallList.clear();

    // The counts decide the flags only; the lists grow as rows are read, since rows that the
    // counts leave out (a method-5 asset dated after the period, an empty method) still come.
    const auto assets = countOf(tx, "SELECT COUNT(REC) AS RECCNT FROM KS_SISAN WHERE GSHOUHOU<>5", false);
    const auto small = countOf(tx,
                               "SELECT COUNT(REC) AS RECCNT FROM KS_SISAN WHERE (GSHOUHOU=5) "
                               "AND (SYUTODATE>=:KIKAN1 AND SYUTODATE<=:KIKAN2)",
                               true);
    m_genkaList.reserve(std::size_t(assets));
    m_smallList.reserve(std::size_t(small));
    if (small > 0)
        smallFlag = 1;
    if (assets + smallFlag > std::int64_t(limit))
        overflowFlag = 1;

    GenkaSyokyakuDatabaseSource source(tx);
    TGenkaSyokyakuSisanCalc calc(source, genkaSyokyakuSettingsFromAccInf());

    platform::Currency a = 0;
    platform::Currency e = 0;
    // One pass over the assets, each row read with everything the calculator needs: a query
    // per asset would cost a round trip each, and the snapshot gives the same rows either way.
    firebird::Statement q(tx, std::string("SELECT ") + kKsSisanColumns + "FROM KS_SISAN ORDER BY KANRI,REC");
    auto c = q.open();
    int done = 0;
    while (c.fetch()) {
        TGenkaSyokyakuRec row;
        row.KANRI = c.getString("KANRI"); // free text, not always a number
        row.MEISYOU = assetText(c, "MEISYOU", "資産名", row);
        row.TEKIYO = assetText(c, "TEKIYO", "摘要", row);
        TGenkaSyokyakuCalcRec result;
        {
            const KsSisanRow stored = ksSisanRowFromCursor(c);
            if (const auto fault = impossibleSisanData(stored))
                throw EDataExportError("資産のデータに誤りがあるため中間ファイルを作成できません。",
                                       exportcode::kInvalidAsset,
                                       assetLabel(row) + " 項目:" + fault->label + "(" +
                                           fault->column + ") 値:" + fault->value);
            try {
                calc.LoadSisanRow(stored, result);
            } catch (const AmountOutOfRange&) {
                throw amountOutOfRange(row);
            }
        }
        if (onAssetRead)
            onAssetRead(++done);
        if (result.GSHOUHOU == 5 && !result.ZaiKikanFlag)
            continue;
        const std::string meisyou = std::move(row.MEISYOU);
        const std::string tekiyo = std::move(row.TEKIYO);
        const std::string kanri = std::move(row.KANRI);
        copyCalcResult(result, row);
        row.MEISYOU = meisyou;
        row.TEKIYO = tekiyo;
        row.KANRI = kanri;
        row.SURYO = c.isNull("SURYO") ? 0.0 : c.getDouble("SURYO");
        if (generalQuery && !c.isNull("SYOUKINKEI"))
            row.SYOUKINKEI = c.getCurrency("SYOUKINKEI");
        row.GoukeiFlag = 0;
        if (result.GSHOUHOU == 5) {
            row.TEIRITU250 = 0;
            row.TEIRITU200 = 0;
            row.SYUTOKUKAGAKUCHOSEI = 0;
            if (__builtin_add_overflow(a, row.SYUTOKIN, &a) ||
                __builtin_add_overflow(e, row.HitsuyoKeihi, &e))
                throw amountOutOfRange(row);
            m_smallList.push_back(std::move(row));
        } else {
            // Every statement keeps the transitional flags: an asset is described the same way
            // (method, rates, notes) whichever statement it is exported from.
            m_genkaList.push_back(std::move(row));
        }
    }
    c.close();

    TGenkaSyokyakuRec summary;
    if (smallFlag == 1) {
        summary.HouKubun = 0;
        summary.MEISYOU = m_smallList.empty() ? std::string() : m_smallList.front().MEISYOU;
        summary.SYUTODATE = AccInf.KIMATU;
        summary.SYUTOKIN = a;
        summary.GSHOUHOU = 5;
        summary.HitsuyoKeihi = e;
        summary.TEKIYO = kSmallAssetNote;
        summary.GoukeiFlag = 1;
        summary.JIGYOUWARIAI = 0;
    }
    if (overflowFlag == 1) {
        table[0].MEISYOU = kSeparateSheet;
        if (smallFlag == 1)
            m_genkaList.push_back(summary);
    } else {
        std::size_t i = 0;
        for (; i < m_genkaList.size() && i < limit; ++i)
            table[i] = m_genkaList[i];
        if (smallFlag == 1 && i < limit)
            table[i] = summary;
    }
}

void TKojinKessansyoIO::CalcGenkaTotal(std::span<TGenkaSyokyakuRec> table) const
{
    auto& total = table.back();
    total = TGenkaSyokyakuRec{};
    auto add = [](platform::Currency& sum, platform::Currency value, const TGenkaSyokyakuRec& r) {
        if (__builtin_add_overflow(sum, value, &sum))
            throw amountOutOfRange(r);
    };
    for (const auto& r : m_genkaList) {
        if (r.GSHOUHOU == 5)
            continue; // the summary row
        add(total.FUTUSYOUKIN, r.FUTUSYOUKIN, r);
        add(total.WARISYOUKIN, r.WARISYOUKIN, r);
        add(total.SYOUKINKEI, r.SYOUKINKEI, r);
        add(total.MATUMISYOUKIN, r.MATUMISYOUKIN, r);
        add(total.HitsuyoKeihi, r.HitsuyoKeihi, r);
    }
    for (const auto& r : m_smallList)
        add(total.HitsuyoKeihi, r.HitsuyoKeihi, r);
}

bool TKojinKessansyoIO::reportReadFailure(const char* context, const std::exception& e,
                                          bool startedHere)
{
    if (!startedHere) {
        // The caller holds the transaction and reports; it finds the failure here.
        m_lastReadFailure = std::current_exception();
        return false;
    }
    {
        if (const auto* db = dynamic_cast<const firebird::DatabaseError*>(&e))
            HandleDbError(*db, context, kReadFailed, true);
        else
            ShowErrorDialog(kReadFailed, e.what(), 1);
        try {
            if (m_transaction->inTransaction())
                m_transaction->commit();
        } catch (const std::exception&) {
            try {
                m_transaction->rollback();
            } catch (...) {
            }
        }
    }
    return false;
}

template <class Body>
bool TKojinKessansyoIO::runRead(const char* context, Body&& body)
{
    const bool startedHere = !m_transaction->inTransaction();
    try {
        if (startedHere)
            m_transaction->start();
        body();
        if (startedHere)
            m_transaction->commit();
        return true;
    } catch (const EDataExportError&) {
        // An asset that cannot be exported is named by the error itself: pass it on as it is.
        if (startedHere && m_transaction->inTransaction()) {
            try {
                m_transaction->rollback();
            } catch (const std::exception&) {
            }
        }
        throw;
    } catch (const std::exception& e) {
        return reportReadFailure(context, e, startedHere);
    }
}

namespace {

// The calendar date where the user is (the statement is dated by it), not the UTC date.
platform::TDateTime today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr)
        throw std::runtime_error("現在の日付を取得できません。");
    return platform::encodeDate(local.tm_year + 1900, unsigned(local.tm_mon + 1),
                                unsigned(local.tm_mday));
}

template <class Rec>
void clearHeader(Rec& rec)
{
    rec = Rec{};
    rec.KikanStart = AccInf.KISHU;
    rec.KikanEnd = AccInf.KIMATU;
    rec.KimatuCopy = AccInf.KIMATU;
    rec.Hizuke = today();
    const TACCINF& a = AccInf;
    rec.Texts = {a.SKANA, a.SHOUGOU, a.POST, a.ADD1, a.ADD2, a.TEL, a.AO_ADD1, a.AO_ADD2,
                 a.AO_KANA, a.AO_SIMEI, a.AO_GYOUSHU, a.AO_YAGO, a.AO_KANYU, a.AO_TEL,
                 a.AO_SHOKUGYO1, a.AO_SHOKUGYO2, "", "", "", "", "", a.SCODE2};
}

} // namespace

namespace {

// The statement settings of AO_SINKOKU: the fields each form's record has.
template <class Rec>
void readSinkoku(firebird::Transaction& tx, Rec& k)
{
    constexpr bool general = !requires { k.FUSAIRISI; };
    firebird::Statement q(tx, general ? "SELECT REC,TEGAKI,ZEIRISI_ADD1,ZEIRISI_ADD2,ZEIRISI_SIMEI1,ZEIRISI_SIMEI2,ZEIRISI_TEL,\n"
                                        "GYOUSHUKUBUN,KURIIRE1,KURIIRE2,KURIIRE3,KURIIRE4,KURIIRE5,HASUU,\n"
                                        "KOUJOKUBUN,KOUJO6,KOUJO7,KOUJO8,KOUJO9,FUSAIRISI,\n"
                                        "HIZUKE,KISHU,KIMATU,YOUSI,COLOR,WAKU\n"
                                        "FROM AO_SINKOKU\n"
                                        "ORDER BY REC"
                                      : "SELECT REC,TEGAKI,ZEIRISI_ADD1,ZEIRISI_ADD2,ZEIRISI_SIMEI1,ZEIRISI_SIMEI2,ZEIRISI_TEL,\n"
                                        "GYOUSHUKUBUN,KURIIRE1,KURIIRE2,KURIIRE3,KURIIRE4,KURIIRE5,HASUU,\n"
                                        "KOUJOKUBUN,KOUJO6,KOUJO7,KOUJO8,KOUJO9,\n"
                                        "HIZUKE,KISHU,KIMATU,YOUSI,COLOR,WAKU,FUSAIRISI\n"
                                        "FROM AO_SINKOKU\n"
                                        "ORDER BY REC");
    auto c = q.open();
    while (c.fetch()) {
        k.TEGAKI = c.getInt("TEGAKI");
        static constexpr const char* kZeirisi[5] = {"ZEIRISI_ADD1", "ZEIRISI_ADD2", "ZEIRISI_SIMEI1",
                                                    "ZEIRISI_SIMEI2", "ZEIRISI_TEL"};
        for (std::size_t n = 0; n < 5; ++n)
            k.Texts[16 + n] = c.getString(kZeirisi[n]);
        k.KOUJOKUBUN = c.getInt("KOUJOKUBUN");
        // The real-estate form has no allowance and takes no used deduction.
        if constexpr (requires { k.KURIIRE1; }) {
            k.KURIIRE1 = c.getCurrency("KURIIRE1");
            k.KURIIRE2 = c.getCurrency("KURIIRE2");
            k.KURIIRE3 = c.getCurrency("KURIIRE3");
            k.KURIIRE4 = c.getCurrency("KURIIRE4");
            k.KURIIRE5 = c.getCurrency("KURIIRE5");
            k.GYOUSHUKUBUN = c.getInt("GYOUSHUKUBUN");
            k.HASUU = c.getInt("HASUU");
            k.KOUJO6 = c.getCurrency("KOUJO6");
            k.KOUJO7 = c.getCurrency("KOUJO7");
        }
        if constexpr (!general)
            k.FUSAIRISI = c.getCurrency("FUSAIRISI");
        const platform::TDateTime hizuke = c.isNull("HIZUKE") ? 0 : c.getDateTime("HIZUKE");
        k.HizukeFlag = hizuke > 0 ? 1 : 0;
        k.Hizuke = hizuke > 0 ? hizuke : today();
    }
}

// The wages of AO_KYUUYO for employees (senjyu 0) or family employees (1), by NUMBER.
template <class Take>
void readKyuyo(firebird::Transaction& tx, int senjyu, Take&& take)
{
    firebird::Statement q(tx, std::string("SELECT REC,NUMBER,SENJYU,SIMEI,TUZUKIGARA,NENREI,TUKISUU,"
                                          "KYUUYO,SHOUYO,GOUKEI,GENSEN FROM AO_KYUUYO\n"
                                          "WHERE SENJYU=")
                                  + (senjyu == 0 ? "0" : "1") + "\nORDER BY NUMBER");
    auto c = q.open();
    while (c.fetch())
        take(c.getInt("NUMBER"), c);
}

void readKyuyoLine(TKyuyoChinginRec& l, const firebird::Cursor& c)
{
    l.SIMEI = c.getString("SIMEI");
    l.NENREI = c.getInt("NENREI");
    l.TUKISUU = c.getInt("TUKISUU");
    l.KYUUYO = c.getCurrency("KYUUYO");
    l.SHOUYO = c.getCurrency("SHOUYO");
    l.GOUKEI = c.getCurrency("GOUKEI");
    l.GENSEN = c.getCurrency("GENSEN");
}

void readSenjyusya(TSenjyusyaKyuyoRec& l, const firebird::Cursor& c)
{
    l.SIMEI = c.getString("SIMEI");
    l.TUZUKIGARA = c.getString("TUZUKIGARA");
    l.NENREI = c.getInt("NENREI");
    l.TUKISUU = c.getInt("TUKISUU");
    l.KYUUYO = c.getCurrency("KYUUYO");
    l.SHOUYO = c.getCurrency("SHOUYO");
    l.GOUKEI = c.getCurrency("GOUKEI");
    l.GENSEN = c.getCurrency("GENSEN");
}

// Line n (from 1) of a table, or none when the stored number lies outside it.
template <class Table>
auto* lineOf(Table& table, int n)
{
    return (n >= 1 && std::size_t(n) <= table.size()) ? &table[std::size_t(n - 1)] : nullptr;
}

template <class Take>
void forEachRow(firebird::Transaction& tx, const std::string& sql, Take&& take)
{
    firebird::Statement q(tx, sql);
    auto c = q.open();
    while (c.fetch())
        take(c);
}

template <std::size_t N>
void readRisi(firebird::Transaction& tx, std::array<TRisiWaribikiRec, N>& table)
{
    forEachRow(tx, "SELECT REC,SIHARAISAKI1,SIHARAISAKI2,KIMATU,RISI,KEIHI FROM AO_RISI\nORDER BY REC",
               [&](const firebird::Cursor& c) {
                   if (auto* l = lineOf(table, c.getInt("REC"))) {
                       l->SIHARAISAKI1 = c.getString("SIHARAISAKI1");
                       l->SIHARAISAKI2 = c.getString("SIHARAISAKI2");
                       l->KIMATU = c.getCurrency("KIMATU");
                       l->RISI = c.getCurrency("RISI");
                       l->KEIHI = c.getCurrency("KEIHI");
                   }
               });
}

template <std::size_t N>
void readTidai(firebird::Transaction& tx, std::array<TJidaiYachinRec, N>& table)
{
    forEachRow(tx,
               "SELECT REC,SIHARAISAKI1,SIHARAISAKI2,BUKKEN1,BUKKEN2,KENRI,KOUSIN,TINRYOU,KEIHI "
               "FROM AO_TIDAI\nORDER BY REC",
               [&](const firebird::Cursor& c) {
                   if (auto* l = lineOf(table, c.getInt("REC"))) {
                       l->SIHARAISAKI1 = c.getString("SIHARAISAKI1");
                       l->SIHARAISAKI2 = c.getString("SIHARAISAKI2");
                       l->BUKKEN1 = c.getString("BUKKEN1");
                       l->BUKKEN2 = c.getString("BUKKEN2");
                       l->KENRI = c.getCurrency("KENRI");
                       l->KOUSIN = c.getCurrency("KOUSIN");
                       l->TINRYOU = c.getCurrency("TINRYOU");
                       l->KEIHI = c.getCurrency("KEIHI");
                   }
               });
}

template <std::size_t N>
void readHousyu(firebird::Transaction& tx, std::array<TZeirisiHousyuuRec, N>& table)
{
    forEachRow(tx, "SELECT REC,SIHARAISAKI1,SIHARAISAKI2,HOUSHU,KEIHI,GENSEN FROM AO_HOUSHU\nORDER BY REC",
               [&](const firebird::Cursor& c) {
                   if (auto* l = lineOf(table, c.getInt("REC"))) {
                       l->SIHARAISAKI1 = c.getString("SIHARAISAKI1");
                       l->SIHARAISAKI2 = c.getString("SIHARAISAKI2");
                       l->HOUSHU = c.getCurrency("HOUSHU");
                       l->KEIHI = c.getCurrency("KEIHI");
                       l->GENSEN = c.getCurrency("GENSEN");
                   }
               });
}

// Notes by REC; the read ends at the first REC beyond the statement's notes.
template <std::size_t N>
void readNote(firebird::Transaction& tx, std::array<std::string, N>& notes)
{
    firebird::Statement q(tx, "SELECT REC,NOTE FROM AO_NOTE\nORDER BY REC");
    auto c = q.open();
    while (c.fetch()) {
        const int rec = c.getInt("REC");
        if (rec > int(N))
            break;
        if (auto* l = lineOf(notes, rec))
            *l = c.getString("NOTE");
    }
}

struct ExterksRow {
    std::int32_t rec = 0;
    std::string group;
    int subrec = 0;
    platform::Currency kishu = 0;
    platform::Currency kimatu = 0;
};

template <class Take>
void readExterks(firebird::Transaction& tx, Take&& take)
{
    forEachRow(tx,
               "SELECT REC,KGROUP,SUBREC,KNAME1,KNAMELOCK,AO_KISHUZAN,AO_KIMATUZAN FROM EXTERKS\n"
               "ORDER BY KGROUP,SUBREC",
               [&](const firebird::Cursor& c) {
                   ExterksRow r;
                   r.rec = c.getInt("REC");
                   r.group = c.getString("KGROUP");
                   r.subrec = c.getInt("SUBREC");
                   r.kishu = c.getCurrency("AO_KISHUZAN");
                   r.kimatu = c.getCurrency("AO_KIMATUZAN");
                   take(r);
               });
}

} // namespace

// General business ----------------------------------------------------------------------------

TIppanKessansyoIO::TIppanKessansyoIO(firebird::Transaction& transaction)
    : TKojinKessansyoIO(transaction)
{
    ClearKessansyoRec();
}

void TIppanKessansyoIO::ClearKessansyoRec()
{
    clearHeader(Kessansyo);
}

bool TIppanKessansyoIO::LoadKessansyo(int mode)
{
    ClearKessansyoRec();
    PrepareZandaka();
    return SelectIppan(mode);
}

bool TIppanKessansyoIO::SelectIppan(int mode)
{
    const bool ok = runRead("TKojinKessansyoIO.SelectIppan", [&] {
        auto& k = Kessansyo;
        auto& tx = *m_transaction;
        readSinkoku(tx, k);
        k.KikanStart = AccInf.KISHU;
        k.KikanEnd = AccInf.KIMATU;
        if (AccInf.PrintKikanUse > 0) {
            k.KikanStart = AccInf.PrintKishu;
            k.KikanEnd = AccInf.PrintKimatu;
        }
        readKyuyo(tx, 0, [&](int number, const firebird::Cursor& c) {
            if (auto* l = lineOf(k.Kyuyo, number))
                readKyuyoLine(*l, c);
        });
        readKyuyo(tx, 1, [&](int number, const firebird::Cursor& c) {
            if (auto* l = lineOf(k.Senjyusya, number))
                readSenjyusya(*l, c);
        });
        ReadGenkaSyokyaku(k.GenkaSyokyaku, k.GenkaOverFlag, k.GenkaSyougakuFlag, true);
        readRisi(tx, k.Risi);
        readTidai(tx, k.Tidai);
        readHousyu(tx, k.Housyu);
        readNote(tx, k.Note);
        ReadZandaka();
        if (mode == 0 && k.TEGAKI == 1) {
            firebird::Statement q(tx, "SELECT REC,URIAGE,SIIRE FROM AO_URIAGE\nORDER BY REC");
            auto c = q.open();
            while (c.fetch())
                if (auto* l = lineOf(k.Tukibetu, c.getInt("REC"))) {
                    l->Uriage = c.getCurrency("URIAGE");
                    l->Siire = c.getCurrency("SIIRE");
                }
        }
        const bool amounts = mode == 0 && k.TEGAKI == 1;
        readExterks(tx, [&](const ExterksRow& r) {
            const int sub = r.subrec;
            auto balance = [&](auto& table) {
                if (auto* l = lineOf(table, sub)) {
                    l->REC = r.rec;
                    if (amounts) {
                        l->Kisyu = r.kishu;
                        l->Kimatu = r.kimatu;
                    }
                }
            };
            auto line = [&](auto& table, int n) {
                if (auto* l = lineOf(table, n)) {
                    l->REC = r.rec;
                    if (amounts)
                        l->Kingaku = r.kimatu;
                }
            };
            const std::string& g = r.group;
            if (g == "1100")
                balance(k.Sisan);
            else if (g == "2100")
                balance(k.Fusai);
            else if (g == "5100")
                line(k.Soneki, 2);
            else if (g == "5200")
                line(k.Soneki, 3);
            else if (g == "5300")
                line(k.Soneki, 5);
            else if (g == "5510")
                line(k.Seizo, 1);
            else if (g == "5520")
                line(k.Seizo, 2);
            else if (g == "5530")
                line(k.Seizo, 4);
            else if (g == "5600")
                line(k.Seizo, 6);
            else if (g == "5700")
                line(k.Seizo, sub + 6);
            else if (g == "5810")
                line(k.Seizo, 23);
            else if (g == "5820")
                line(k.Seizo, 25);
            else if (g == "6100")
                line(k.Soneki, sub + 7);
            else if (g == "7100")
                line(k.Soneki, sub + 33);
            else if (g == "7200")
                line(k.Soneki, sub + 37);
            // Without manufacturing costs in use, hand-entered ones must not count.
            if (amounts && AccInf.GENKA_USE == 0)
                for (auto& l : k.Seizo)
                    l.Kingaku = 0;
        });
    });
    if (ok)
        CalcKessansyoTotal();
    return ok;
}

namespace {

// Sign A negates credit-natured rows in these lines, sign B debit-natured ones.
platform::Currency signA(int taishaku, platform::Currency v)
{
    return (taishaku == 2 || taishaku == 4) ? -v : v;
}
platform::Currency signB(int taishaku, platform::Currency v)
{
    return (taishaku == 1 || taishaku == 3) ? -v : v;
}


// The balance-sheet lines and the income-statement lines of the real-estate and agriculture
// statements: offset and sign rule (true: sign B) of each group.
struct SonekiRoute {
    const char* group;
    int offset;
    bool signB;
};

template <class Rec, std::size_t N>
void routeZandaka(const std::vector<TQSORT>& index, const std::vector<TBALANCE>& rows, Rec& k,
                  const SonekiRoute (&routes)[N])
{
    for (const auto& entry : index) {
        if (entry.Code == kSisanhyouUnusedCode || entry.Row < 0
            || std::size_t(entry.Row) >= rows.size())
            continue;
        const TBALANCE& row = rows[std::size_t(entry.Row)];
        const std::string& g = row.Kamoku.GROUPM1;
        const int line = row.SUBREC;
        const int t = row.Kamoku.TAISHAKU;
        auto balance = [&](auto& table) {
            if (auto* l = lineOf(table, line)) {
                l->Name = row.Kamoku.KNAME;
                l->Kisyu = signA(t, row.RangeOpening);
                l->Kimatu = signA(t, row.RangeClosing);
            }
        };
        if (g >= "1100" && g <= "1900" && line > 0) {
            balance(k.Sisan);
        } else if (g >= "2100" && g < "4100" && line > 0) {
            balance(k.Fusai);
        } else {
            for (const auto& r : routes) {
                if (g != r.group)
                    continue;
                if (auto* l = lineOf(k.Soneki, line + r.offset)) {
                    l->Name = row.Kamoku.KNAME;
                    l->Kingaku = r.signB ? signB(t, row.RangeClosing) : signA(t, row.RangeClosing);
                }
                break;
            }
        }
    }
    k.Sisan[23].Kisyu = 0;
    k.Fusai[21].Kisyu = 0;
    k.Fusai[23].Kisyu = 0;
}

// Each line's GOUKEI, then the last line the totals of the others.
template <class Table>
void wageTotals(Table& table)
{
    auto& total = table.back();
    total.TUKISUU = 0;
    total.KYUUYO = total.SHOUYO = total.GOUKEI = total.GENSEN = 0;
    for (std::size_t n = 0; n + 1 < table.size(); ++n) {
        auto& l = table[n];
        l.GOUKEI = l.KYUUYO + l.SHOUYO;
        total.TUKISUU += l.TUKISUU;
        total.KYUUYO += l.KYUUYO;
        total.SHOUYO += l.SHOUYO;
        total.GOUKEI += l.GOUKEI;
        total.GENSEN += l.GENSEN;
    }
}

// The extra lines of the real-estate and agriculture statements: balance-sheet lines by SUBREC,
// income-statement lines by the groups' offsets; with amounts, the hand-entered ones too.
template <class Rec, std::size_t N>
void readExterksRoutes(firebird::Transaction& tx, Rec& k, const SonekiRoute (&routes)[N],
                       bool amounts)
{
    readExterks(tx, [&](const ExterksRow& r) {
        auto balance = [&](auto& table) {
            if (auto* l = lineOf(table, r.subrec)) {
                l->REC = r.rec;
                if (amounts) {
                    l->Kisyu = r.kishu;
                    l->Kimatu = r.kimatu;
                }
            }
        };
        if (r.group == "1100") {
            balance(k.Sisan);
        } else if (r.group == "2100") {
            balance(k.Fusai);
        } else {
            for (const auto& route : routes) {
                if (r.group != route.group)
                    continue;
                if (auto* l = lineOf(k.Soneki, r.subrec + route.offset)) {
                    l->REC = r.rec;
                    if (amounts)
                        l->Kingaku = r.kimatu;
                }
                break;
            }
        }
    });
}

template <class Rec>
void balanceSheetTotals(Rec& k)
{
    for (auto* side : {&k.Sisan, &k.Fusai}) {
        auto& total = (*side)[24];
        total.Kisyu = total.Kimatu = 0;
        for (std::size_t n = 0; n < 24; ++n) {
            total.Kisyu += (*side)[n].Kisyu;
            total.Kimatu += (*side)[n].Kimatu;
        }
    }
}

// The blue-return special deduction of the 650,000- or 100,000-yen scheme, less what was used.
template <class Rec>
platform::Currency koujo(Rec& k, platform::Currency limit, platform::Currency& used,
                         platform::Currency& amount)
{
    used = std::min(k.KOUJO6, limit);
    amount = limit - used;
    if (k.KOUJO7 <= amount)
        amount = k.KOUJO7;
    return amount;
}

} // namespace

void TIppanKessansyoIO::ReadZandaka()
{
    auto& k = Kessansyo;
    for (const auto& entry : m_index) {
        if (entry.Code == kSisanhyouUnusedCode || entry.Row < 0
            || std::size_t(entry.Row) >= m_rows.size())
            continue;
        const TBALANCE& row = m_rows[std::size_t(entry.Row)];
        const std::string& g = row.Kamoku.GROUPM1;
        const int line = row.SUBREC;
        const int t = row.Kamoku.TAISHAKU;
        const auto closingA = signA(t, row.RangeClosing);
        // Months 1-12 from periods 1..16: the settlement periods join the month before them.
        std::array<platform::Currency, 12> monthly{};
        static constexpr int kFirst[12] = {1, 2, 3, 5, 6, 7, 9, 10, 11, 13, 14, 15};
        static constexpr int kLast[12] = {1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 16};
        for (int m = 0; m < 12; ++m)
            for (int p = kFirst[m]; p <= kLast[m]; ++p)
                monthly[std::size_t(m)] += signA(t, row.Net[std::size_t(32 + p)]);

        auto soneki = [&](int n, platform::Currency amount) {
            if (auto* l = lineOf(k.Soneki, n)) {
                l->Name = row.Kamoku.KNAME;
                l->Kingaku = amount;
            }
        };
        auto seizo = [&](int n, platform::Currency amount) {
            if (auto* l = lineOf(k.Seizo, n)) {
                l->Name = row.Kamoku.KNAME;
                l->Kingaku = amount;
            }
        };
        auto balance = [&](auto& table) {
            if (auto* l = lineOf(table, line)) {
                l->Name = row.Kamoku.KNAME;
                l->Kisyu = signA(t, row.RangeOpening);
                l->Kimatu = closingA;
            }
        };

        if (g >= "1100" && g <= "1900" && line > 0) {
            balance(k.Sisan);
        } else if (g >= "2100" && g < "4100" && line > 0) {
            balance(k.Fusai);
        } else if (g >= "5510" && g <= "5880") {
            if (g == "5510" && line == 1) {
                seizo(1, closingA);
            } else if (g == "5520" && line == 1) {
                seizo(2, closingA);
                for (int m = 0; m < 12; ++m)
                    k.Tukibetu[std::size_t(m)].Siire += monthly[std::size_t(m)];
            } else if (g == "5530" && line == 1) {
                seizo(4, signB(t, row.RangeClosing));
            } else if (g == "5600" && line == 1) {
                seizo(6, closingA);
            } else if (g == "5700" && line >= 1) {
                seizo(line + 6, closingA);
            } else if (g == "5810" && line == 1) {
                seizo(23, closingA);
            } else if (g == "5820" && line == 1) {
                seizo(25, signB(t, row.RangeClosing));
            }
        } else if (g >= "4100" && g <= "8400") {
            if (g == "4100") {
                if (line == 1)
                    for (int m = 0; m < 12; ++m)
                        k.Tukibetu[std::size_t(m)].Uriage = monthly[std::size_t(m)];
                else if (line == 2)
                    k.Tukibetu[12].Uriage = closingA;
                else if (line == 3)
                    k.Tukibetu[13].Uriage = closingA;
            } else if (g == "5200") {
                if (line == 1)
                    for (int m = 0; m < 12; ++m)
                        k.Tukibetu[std::size_t(m)].Siire += monthly[std::size_t(m)];
            } else if (g == "5100") {
                soneki(2, closingA);
            } else if (g == "5210") {
                soneki(3, closingA);
            } else if (g == "5300") {
                soneki(5, signB(t, row.RangeClosing));
            } else if (g == "6100") {
                soneki(line + 7, closingA);
            } else if (g == "7100") {
                soneki(line + 33, closingA);
            } else if (g == "7200") {
                soneki(line + 37, closingA);
            } else if (g == "8400") {
                soneki(44, closingA);
            }
        }
    }
    k.Sisan[23].Kisyu = 0;
    k.Fusai[21].Kisyu = 0;
    k.Fusai[23].Kisyu = 0;
}

void TIppanKessansyoIO::CalcKessansyoTotal()
{
    auto& k = Kessansyo;
    auto L = [&](int n) -> platform::Currency& { return k.Soneki[std::size_t(n - 1)].Kingaku; };
    auto S = [&](int n) -> platform::Currency& { return k.Seizo[std::size_t(n - 1)].Kingaku; };
    auto sum = [](auto&& get, int from, int to) {
        platform::Currency v = 0;
        for (int n = from; n <= to; ++n)
            v += get(n);
        return v;
    };

    k.Tukibetu[14] = TUriageSiireRec{};
    for (int m = 0; m < 14; ++m) {
        k.Tukibetu[14].Uriage += k.Tukibetu[std::size_t(m)].Uriage;
        k.Tukibetu[14].Siire += k.Tukibetu[std::size_t(m)].Siire;
    }
    wageTotals(k.Kyuyo);
    wageTotals(k.Senjyusya);
    if (k.GYOUSHUKUBUN == 0 || k.GYOUSHUKUBUN == 1)
        k.KURIIRE3 = CurrHasuuSyori(k.HASUU, k.KURIIRE2 * (k.GYOUSHUKUBUN == 0 ? 55 : 33) / 1000);
    k.KURIIRE5 = k.KURIIRE1 + k.KURIIRE4;
    CalcGenkaTotal(k.GenkaSyokyaku);
    if (AccInf.GENKA_USE == 1) {
        S(3) = S(1) + S(2);
        S(5) = S(3) - S(4);
        S(21) = sum(S, 7, 20);
        S(22) = S(5) + S(6) + S(21);
        S(24) = S(22) + S(23);
        S(26) = S(24) - S(25);
    }
    L(1) = k.Tukibetu[14].Uriage;
    L(3) = k.Tukibetu[14].Siire + S(26) - S(2);
    L(4) = L(2) + L(3);
    L(6) = L(4) - L(5);
    L(7) = L(1) - L(6);
    L(32) = sum(L, 8, 31);
    L(33) = L(7) - L(32);
    L(37) = sum(L, 34, 36);
    L(42) = sum(L, 38, 41);
    L(43) = L(33) + L(37) - L(42);

    k.KOUJO7 = L(43) < 0 ? 0 : L(43);
    k.Koujo65Used = k.Koujo65 = k.Koujo10Used = k.Koujo10 = 0;
    if (k.KOUJOKUBUN == 0)
        L(44) = koujo(k, 650000 * platform::kCurrencyUnit, k.Koujo65Used, k.Koujo65);
    else if (k.KOUJOKUBUN == 1)
        L(44) = koujo(k, 100000 * platform::kCurrencyUnit, k.Koujo10Used, k.Koujo10);
    L(45) = L(43) - L(44);
    k.Fusai[23].Kimatu = L(43);
    balanceSheetTotals(k);
}

// Real estate ----------------------------------------------------------------------------------

TFudosanKessansyoIO::TFudosanKessansyoIO(firebird::Transaction& transaction)
    : TKojinKessansyoIO(transaction)
{
    ClearKessansyoRec();
}

void TFudosanKessansyoIO::ClearKessansyoRec()
{
    clearHeader(Kessansyo);
}

bool TFudosanKessansyoIO::LoadKessansyo(int mode)
{
    ClearKessansyoRec();
    PrepareZandaka();
    return SelectFudosan(mode);
}

bool TFudosanKessansyoIO::SelectFudosan(int mode)
{
    const bool ok = runRead("TKojinKessansyoIO.SelectFudosan", [&] {
        auto& k = Kessansyo;
        auto& tx = *m_transaction;
        readSinkoku(tx, k);
        k.KikanStart = AccInf.KISHU;
        k.KikanEnd = AccInf.KIMATU;
        if (AccInf.PrintKikanUse > 1) {
            k.KikanStart = AccInf.PrintKishu;
            k.KikanEnd = AccInf.PrintKimatu;
        }
        ReadFudousan();
        readKyuyo(tx, 0, [&](int number, const firebird::Cursor& c) {
            if (auto* l = lineOf(k.Kyuyo, number))
                readKyuyoLine(*l, c);
        });
        readKyuyo(tx, 1, [&](int number, const firebird::Cursor& c) {
            if (auto* l = lineOf(k.Senjyusya, number))
                readSenjyusya(*l, c);
        });
        ReadGenkaSyokyaku(k.GenkaSyokyaku, k.GenkaOverFlag, k.GenkaSyougakuFlag, false);
        readRisi(tx, k.Risi);
        readTidai(tx, k.Tidai);
        readHousyu(tx, k.Housyu);
        readNote(tx, k.Note);
        ReadZandaka();
        static constexpr SonekiRoute kRoutes[] = {{"4100", 0, false}, {"6100", 4, false},
                                                  {"7200", 19, false}};
        readExterksRoutes(tx, k, kRoutes, mode == 0 && k.TEGAKI == 1);
    });
    if (ok)
        CalcKessansyoTotal();
    return ok;
}

void TFudosanKessansyoIO::ReadFudousan()
{
    auto& tx = *m_transaction;
    auto& k = Kessansyo;
    Fudousan.clear();
    {
        firebird::Statement q(tx, "SELECT COUNT(REC) AS RECCNT FROM AO_FUDOUSAN");
        auto c = q.open();
        if (c.fetch() && !c.isNull("RECCNT") && c.getInt64("RECCNT") > 15)
            k.FudosanOverFlag = 1;
    }
    forEachRow(tx,
               "SELECT REC,NUMBER,KUBUN,YOUTO,SHOZAITI,TINSYAKU,KAISI_YY,KAISI_MM,SHUURYOU_YY,"
               "SHUURYOU_MM,MENSEKI,GETUGAKU,NENGAKU,REIKIN,KENRIKIN,KOUSINRYOU,MEIGIRYOU,SIKIKIN\n"
               "FROM AO_FUDOUSAN\n"
               "ORDER BY NUMBER",
               [&](const firebird::Cursor& c) {
                   TFudosanSyotokuRec r;
                   r.REC = c.getInt("REC");
                   r.NUMBER = c.getInt("NUMBER");
                   r.KUBUN = c.getString("KUBUN");
                   r.YOUTO = c.getString("YOUTO");
                   TMojiBunkatu pieces;
                   pieces.BunkatuByte(c.getString("SHOZAITI"), 22);
                   r.SHOZAITI1 = pieces.GetItem(0);
                   r.SHOZAITI2 = pieces.GetItem(1);
                   pieces.BunkatuByte(c.getString("TINSYAKU"), 24);
                   r.TINSYAKU1 = pieces.GetItem(0);
                   r.TINSYAKU2 = pieces.GetItem(1);
                   r.KAISI_YY = c.getInt("KAISI_YY");
                   r.KAISI_MM = c.getInt("KAISI_MM");
                   r.SHUURYOU_YY = c.getInt("SHUURYOU_YY");
                   r.SHUURYOU_MM = c.getInt("SHUURYOU_MM");
                   r.MENSEKI = c.getCurrency("MENSEKI");
                   r.GETUGAKU = c.getCurrency("GETUGAKU");
                   r.NENGAKU = c.getCurrency("NENGAKU");
                   r.REIKIN = c.getCurrency("REIKIN");
                   r.KENRIKIN = c.getCurrency("KENRIKIN");
                   r.KOUSINRYOU = c.getCurrency("KOUSINRYOU");
                   r.MEIGIRYOU = c.getCurrency("MEIGIRYOU");
                   r.SIKIKIN = c.getCurrency("SIKIKIN");
                   Fudousan.push_back(std::move(r));
               });
    if (k.FudosanOverFlag == 1) {
        k.Fudosan[0].SHOZAITI1 = kSeparateSheet;
    } else {
        for (std::size_t n = 0; n < Fudousan.size() && n < 15; ++n)
            k.Fudosan[n] = Fudousan[n];
    }
}

void TFudosanKessansyoIO::ReadZandaka()
{
    static constexpr SonekiRoute kRoutes[] = {{"4100", 0, false}, {"6100", 4, false},
                                              {"7200", 19, false}};
    routeZandaka(m_index, m_rows, Kessansyo, kRoutes);
}

void TFudosanKessansyoIO::CalcKessansyoTotal()
{
    auto& k = Kessansyo;
    auto L = [&](int n) -> platform::Currency& { return k.Soneki[std::size_t(n - 1)].Kingaku; };
    auto& total = k.Fudosan[15];
    total.NENGAKU = total.REIKIN = total.KENRIKIN = total.KOUSINRYOU = total.MEIGIRYOU =
        total.SIKIKIN = 0;
    for (const auto& r : Fudousan) {
        total.NENGAKU += r.NENGAKU;
        total.REIKIN += r.REIKIN;
        total.KENRIKIN += r.KENRIKIN;
        total.KOUSINRYOU += r.KOUSINRYOU;
        total.MEIGIRYOU += r.MEIGIRYOU;
        total.SIKIKIN += r.SIKIKIN;
    }
    wageTotals(k.Kyuyo);
    k.Senjyusya[0].GOUKEI = k.Senjyusya[0].KYUUYO + k.Senjyusya[0].SHOUYO;
    CalcGenkaTotal(k.GenkaSyokyaku);
    L(4) = L(1) + L(2) + L(3);
    L(18) = 0;
    for (int n = 5; n <= 17; ++n)
        L(18) += L(n);
    L(19) = L(4) - L(18);
    L(21) = L(19) - L(20);
    if (k.KOUJOKUBUN == 0)
        L(22) = std::min(L(21), 650000 * platform::kCurrencyUnit);
    else if (k.KOUJOKUBUN == 1)
        L(22) = std::min(L(21), 100000 * platform::kCurrencyUnit);
    if (L(22) < 0)
        L(22) = 0;
    L(23) = L(21) - L(22);
    if (L(23) >= 0)
        k.FUSAIRISI = 0;
    k.Fusai[23].Kimatu = L(21);
    balanceSheetTotals(k);
}

// Agriculture ----------------------------------------------------------------------------------

namespace {

constexpr SonekiRoute kNougyouRoutes[] = {
    {"4100", 0, false},  {"5100", 4, false},  {"5300", 5, true},
    {"6100", 7, false},  {"6110", 31, false}, {"6120", 32, true},
    {"6130", 33, true},  {"7100", 36, false}, {"7200", 40, false},
};

} // namespace

TNougyouKessansyoIO::TNougyouKessansyoIO(firebird::Transaction& transaction)
    : TKojinKessansyoIO(transaction)
{
    ClearKessansyoRec();
}

void TNougyouKessansyoIO::ClearKessansyoRec()
{
    clearHeader(Kessansyo);
}

bool TNougyouKessansyoIO::LoadKessansyo(int mode)
{
    ClearKessansyoRec();
    PrepareZandaka();
    return SelectNougyou(mode);
}

namespace {

template <std::size_t N>
void readSyunyu(firebird::Transaction& tx, const char* item, std::array<TSyunyuKingakuRec, N>& table,
                bool areaOnly = false)
{
    firebird::Statement q(tx, "SELECT REC,ITEM,KUBUN1,KUBUN2,MENSEKI,SYUUKAKURYO,KISHU_SURYO,KISHU_KINGAKU,HANBAIGAKU,KAJISYOHIGAKU,\n"
                              "KIMATU_SURYO,KIMATU_KINGAKU FROM AO_SYUNYU\n"
                              "WHERE ITEM=:ITEM\n"
                              "ORDER BY REC");
    q.setString("ITEM", item);
    auto c = q.open();
    // Rows beyond the item's lines have no place on the form.
    for (std::size_t n = 0; n < N && c.fetch(); ++n) {
        auto& l = table[n];
        l.MENSEKI = c.getCurrency("MENSEKI");
        if (areaOnly)
            continue;
        l.KUBUN1 = c.getString("KUBUN1");
        l.KUBUN2 = c.getString("KUBUN2");
        l.SYUUKAKURYO = c.getCurrency("SYUUKAKURYO");
        l.KISHU_SURYO = c.getCurrency("KISHU_SURYO");
        l.KISHU_KINGAKU = c.getCurrency("KISHU_KINGAKU");
        l.HANBAIGAKU = c.getCurrency("HANBAIGAKU");
        l.KAJISYOHIGAKU = c.getCurrency("KAJISYOHIGAKU");
        l.KIMATU_SURYO = c.getCurrency("KIMATU_SURYO");
        l.KIMATU_KINGAKU = c.getCurrency("KIMATU_KINGAKU");
    }
}

template <std::size_t N>
void readTanaorosi(firebird::Transaction& tx, const char* item,
                   std::array<TNousanIgaiTanaorosiRec, N>& table)
{
    firebird::Statement q(tx, "SELECT REC,ITEM,KUBUN,KISHU_SURYO,KISHU_TANI,KISHU_KINGAKU,KIMATU_SURYO,KIMATU_TANI,KIMATU_KINGAKU FROM AO_NOUSANBUTUIGAI\n"
                              "WHERE ITEM=:ITEM\n"
                              "ORDER BY REC");
    q.setString("ITEM", item);
    auto c = q.open();
    for (std::size_t n = 0; n < N && c.fetch(); ++n) {
        auto& l = table[n];
        l.KUBUN = c.getString("KUBUN");
        l.KISHU_SURYO = c.getCurrency("KISHU_SURYO");
        l.KISHU_TANI = c.getString("KISHU_TANI");
        l.KISHU_KINGAKU = c.getCurrency("KISHU_KINGAKU");
        l.KIMATU_SURYO = c.getCurrency("KIMATU_SURYO");
        l.KIMATU_TANI = c.getString("KIMATU_TANI");
        l.KIMATU_KINGAKU = c.getCurrency("KIMATU_KINGAKU");
    }
}

} // namespace

bool TNougyouKessansyoIO::SelectNougyou(int mode)
{
    const bool ok = runRead("TKojinKessansyoIO.SelectNougyou", [&] {
        auto& k = Kessansyo;
        auto& tx = *m_transaction;
        readSinkoku(tx, k);
        k.KikanStart = AccInf.KISHU;
        k.KikanEnd = AccInf.KIMATU;
        if (AccInf.PrintKikanUse > 1) {
            k.KikanStart = AccInf.PrintKishu;
            k.KikanEnd = AccInf.PrintKimatu;
        }
        readSyunyu(tx, "TAHATA", k.Tahata);
        readSyunyu(tx, "KAJYU", k.Kajyu);
        readSyunyu(tx, "TOKUSYU", k.Tokusyu);
        std::array<TSyunyuKingakuRec, 1> nousankei{};
        readSyunyu(tx, "NOUSANKEI", nousankei, true);
        k.Nousankei = nousankei[0];
        readSyunyu(tx, "TIKUSAN", k.Tikusan);
        {
            firebird::Statement q(tx, "SELECT REC,KUBUN,KINGAKU FROM AO_SYUNYU_ZASHUU\nORDER BY REC");
            auto c = q.open();
            for (std::size_t n = 0; n < 3 && c.fetch(); ++n) {
                k.Zassyu[n].KUBUN = c.getString("KUBUN");
                k.Zassyu[n].KINGAKU = c.getCurrency("KINGAKU");
            }
        }
        readTanaorosi(tx, "MISYUKAKU", k.Misyukaku);
        readTanaorosi(tx, "HANBAI", k.Hanbai);
        readTanaorosi(tx, "SYUBYOU", k.Syubyou);
        readTanaorosi(tx, "SONOTA", k.Sonota);
        forEachRow(tx,
                   "SELECT REC,SIMEI,NISUU,SIKYU_GENKIN,SIKYU_GENBUTU,SIKYU_GOKEI,GENSENZEIGAKU FROM AO_YATOININHI\n"
                   "ORDER BY REC",
                   [&](const firebird::Cursor& c) {
                       if (auto* l = lineOf(k.Yatoinin, c.getInt("REC"))) {
                           l->SIMEI = c.getString("SIMEI");
                           l->NISUU = c.getInt("NISUU");
                           l->SIKYU_GENKIN = c.getCurrency("SIKYU_GENKIN");
                           l->SIKYU_GENBUTU = c.getCurrency("SIKYU_GENBUTU");
                           l->SIKYU_GOKEI = c.getCurrency("SIKYU_GOKEI");
                           l->GENSENZEIGAKU = c.getCurrency("GENSENZEIGAKU");
                       }
                   });
        readKyuyo(tx, 1, [&](int number, const firebird::Cursor& c) {
            if (auto* l = lineOf(k.Senjyusya, number))
                readSenjyusya(*l, c);
        });
        ReadGenkaSyokyaku(k.GenkaSyokyaku, k.GenkaOverFlag, k.GenkaSyougakuFlag, false);
        forEachRow(tx,
                   "SELECT REC,MEISHOU1,MEISHOU2,SYUTOKUHIZUKE_YY,SYUTOKUHIZUKE_MM,SYUTOKUHIZUKE_DD,ZENNENKURIKOSIGAKU,IKUSEI_SYUBYOUHI,\n"
                   "IKUSEI_HIRYOUHI,IKUSEI_SYOKEI,IKUSEI_SYUNYUGAKU,IKUSEI_KASANGAKU,SYUTOKUGAKU,YOKUNENKURIKOSIGAKU FROM AO_KAJYU\n"
                   "ORDER BY REC",
                   [&](const firebird::Cursor& c) {
                       if (auto* l = lineOf(k.Ikusei, c.getInt("REC"))) {
                           l->MEISHOU1 = c.getString("MEISHOU1");
                           l->MEISHOU2 = c.getString("MEISHOU2");
                           l->SYUTOKUHIZUKE_YY = c.getString("SYUTOKUHIZUKE_YY");
                           l->SYUTOKUHIZUKE_MM = c.getString("SYUTOKUHIZUKE_MM");
                           l->SYUTOKUHIZUKE_DD = c.getString("SYUTOKUHIZUKE_DD");
                           l->ZENNENKURIKOSIGAKU = c.getCurrency("ZENNENKURIKOSIGAKU");
                           l->IKUSEI_SYUBYOUHI = c.getCurrency("IKUSEI_SYUBYOUHI");
                           l->IKUSEI_HIRYOUHI = c.getCurrency("IKUSEI_HIRYOUHI");
                           l->IKUSEI_SYOKEI = c.getCurrency("IKUSEI_SYOKEI");
                           l->IKUSEI_SYUNYUGAKU = c.getCurrency("IKUSEI_SYUNYUGAKU");
                           l->IKUSEI_KASANGAKU = c.getCurrency("IKUSEI_KASANGAKU");
                           l->SYUTOKUGAKU = c.getCurrency("SYUTOKUGAKU");
                           l->YOKUNENKURIKOSIGAKU = c.getCurrency("YOKUNENKURIKOSIGAKU");
                       }
                   });
        forEachRow(tx, "SELECT REC,KEISANHOUHOU FROM AO_KAJYU_KEISAN\nORDER BY REC",
                   [&](const firebird::Cursor& c) {
                       if (auto* l = lineOf(k.Keisan, c.getInt("REC")))
                           *l = c.getString("KEISANHOUHOU");
                   });
        forEachRow(tx,
                   "SELECT REC,JYUSHO1,JYUSHO2,KOSAKURYO,MENSEKI,SHIHARAIGAKU FROM AO_TIDAI_CHINSHAKU\n"
                   "ORDER BY REC",
                   [&](const firebird::Cursor& c) {
                       if (auto* l = lineOf(k.Chinsyaku, c.getInt("REC"))) {
                           l->JYUSHO1 = c.getString("JYUSHO1");
                           l->JYUSHO2 = c.getString("JYUSHO2");
                           l->KOSAKURYO = c.getString("KOSAKURYO");
                           l->MENSEKI = c.getCurrency("MENSEKI");
                           l->SHIHARAIGAKU = c.getCurrency("SHIHARAIGAKU");
                       }
                   });
        readRisi(tx, k.Risi);
        readHousyu(tx, k.Housyu);
        readNote(tx, k.Note);
        ReadZandaka();
        readExterksRoutes(tx, k, kNougyouRoutes, mode == 0 && k.TEGAKI == 1);
    });
    if (ok)
        CalcKessansyoTotal();
    return ok;
}

void TNougyouKessansyoIO::ReadZandaka()
{
    routeZandaka(m_index, m_rows, Kessansyo, kNougyouRoutes);
}

void TNougyouKessansyoIO::CalcKessansyoTotal()
{
    auto& k = Kessansyo;
    auto L = [&](int n) -> platform::Currency& { return k.Soneki[std::size_t(n - 1)].Kingaku; };
    auto sum = [&](int from, int to) {
        platform::Currency v = 0;
        for (int n = from; n <= to; ++n)
            v += L(n);
        return v;
    };
    auto& crops = k.Nousankei;
    crops.KISHU_KINGAKU = crops.HANBAIGAKU = crops.KAJISYOHIGAKU = crops.KIMATU_KINGAKU = 0;
    for (const auto table : {std::span<const TSyunyuKingakuRec>(k.Tahata),
                              std::span<const TSyunyuKingakuRec>(k.Kajyu),
                              std::span<const TSyunyuKingakuRec>(k.Tokusyu)})
        for (const auto& l : table) {
            crops.KISHU_KINGAKU += l.KISHU_KINGAKU;
            crops.HANBAIGAKU += l.HANBAIGAKU;
            crops.KAJISYOHIGAKU += l.KAJISYOHIGAKU;
            crops.KIMATU_KINGAKU += l.KIMATU_KINGAKU;
        }
    k.SyunyuTotal.HANBAIGAKU = crops.HANBAIGAKU;
    k.SyunyuTotal.KAJISYOHIGAKU = crops.KAJISYOHIGAKU;
    for (const auto& l : k.Tikusan) {
        k.SyunyuTotal.HANBAIGAKU += l.HANBAIGAKU;
        k.SyunyuTotal.KAJISYOHIGAKU += l.KAJISYOHIGAKU;
    }
    k.Zassyu[3].KINGAKU = k.Zassyu[0].KINGAKU + k.Zassyu[1].KINGAKU + k.Zassyu[2].KINGAKU;
    auto& stock = k.TanaorosiTotal;
    stock.KISHU_SURYO = stock.KISHU_KINGAKU = stock.KIMATU_SURYO = stock.KIMATU_KINGAKU = 0;
    for (const auto table : {std::span<const TNousanIgaiTanaorosiRec>(k.Misyukaku),
                              std::span<const TNousanIgaiTanaorosiRec>(k.Hanbai),
                              std::span<const TNousanIgaiTanaorosiRec>(k.Syubyou),
                              std::span<const TNousanIgaiTanaorosiRec>(k.Sonota)})
        for (const auto& l : table) {
            stock.KISHU_SURYO += l.KISHU_SURYO;
            stock.KISHU_KINGAKU += l.KISHU_KINGAKU;
            stock.KIMATU_SURYO += l.KIMATU_SURYO;
            stock.KIMATU_KINGAKU += l.KIMATU_KINGAKU;
        }
    auto& hired = k.Yatoinin[4];
    hired.NISUU = 0;
    hired.SIKYU_GENKIN = hired.SIKYU_GENBUTU = hired.SIKYU_GOKEI = hired.GENSENZEIGAKU = 0;
    for (std::size_t n = 0; n < 4; ++n) {
        auto& l = k.Yatoinin[n];
        l.SIKYU_GOKEI = l.SIKYU_GENKIN + l.SIKYU_GENBUTU;
        hired.NISUU += l.NISUU;
        hired.SIKYU_GENKIN += l.SIKYU_GENKIN;
        hired.SIKYU_GENBUTU += l.SIKYU_GENBUTU;
        hired.SIKYU_GOKEI += l.SIKYU_GOKEI;
        hired.GENSENZEIGAKU += l.GENSENZEIGAKU;
    }
    wageTotals(k.Senjyusya);
    CalcGenkaTotal(k.GenkaSyokyaku);
    auto& rearing = k.Ikusei[2];
    rearing = TKajyuGyubaIkuseiRec{};
    for (std::size_t n = 0; n < 2; ++n) {
        auto& l = k.Ikusei[n];
        l.IKUSEI_SYOKEI = l.IKUSEI_SYUBYOUHI + l.IKUSEI_HIRYOUHI;
        l.IKUSEI_KASANGAKU = l.IKUSEI_SYOKEI - l.IKUSEI_SYUNYUGAKU;
        l.YOKUNENKURIKOSIGAKU = l.ZENNENKURIKOSIGAKU + l.IKUSEI_KASANGAKU - l.SYUTOKUGAKU;
        rearing.ZENNENKURIKOSIGAKU += l.ZENNENKURIKOSIGAKU;
        rearing.IKUSEI_SYUBYOUHI += l.IKUSEI_SYUBYOUHI;
        rearing.IKUSEI_HIRYOUHI += l.IKUSEI_HIRYOUHI;
        rearing.IKUSEI_SYOKEI += l.IKUSEI_SYOKEI;
        rearing.IKUSEI_SYUNYUGAKU += l.IKUSEI_SYUNYUGAKU;
        rearing.IKUSEI_KASANGAKU += l.IKUSEI_KASANGAKU;
        rearing.SYUTOKUGAKU += l.SYUTOKUGAKU;
        rearing.YOKUNENKURIKOSIGAKU += l.YOKUNENKURIKOSIGAKU;
    }
    L(4) = L(1) + L(2) + L(3);
    L(7) = L(4) - L(5) + L(6);
    L(31) = sum(8, 30);
    L(35) = L(31) + L(32) - L(33) - L(34);
    L(36) = L(7) - L(35);
    L(40) = sum(37, 39);
    L(45) = sum(41, 44);
    L(46) = L(36) + L(40) - L(45);
    // This form's allowance rate is 5.5 % whatever the rate selector holds.
    k.KURIIRE3 = CurrHasuuSyori(k.HASUU, k.KURIIRE2 * 55 / 1000);
    k.KURIIRE5 = k.KURIIRE1 + k.KURIIRE4;
    k.KOUJO7 = L(46) < 0 ? 0 : L(46);
    k.Koujo65Used = k.Koujo65 = k.Koujo10Used = k.Koujo10 = 0;
    if (k.KOUJOKUBUN == 0)
        L(47) = koujo(k, 650000 * platform::kCurrencyUnit, k.Koujo65Used, k.Koujo65);
    else if (k.KOUJOKUBUN == 1)
        L(47) = koujo(k, 100000 * platform::kCurrencyUnit, k.Koujo10Used, k.Koujo10);
    L(48) = L(46) - L(47);
    k.Fusai[23].Kimatu = L(46);
    balanceSheetTotals(k);
}
