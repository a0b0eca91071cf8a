#include "export/z5ComKojinKessansyo.h"

#include "accounting/balance/uAccSisanhyou.h"
#include "export/GenkaSyokyakuDatabase.h"
#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/MessageService.h"

#include <stdexcept>

namespace {

constexpr const char* kReadFailed = "青色申告決算書レコードの取得に失敗しました。";

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
                                          bool transitional, bool generalQuery)
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
    firebird::Statement q(tx, generalQuery
                                  ? "SELECT REC,MEISYOU,SURYO,SYOUKINKEI,TEKIYO FROM KS_SISAN "
                                    "ORDER BY KANRI,REC"
                                  : "SELECT REC,MEISYOU,SURYO,TEKIYO FROM KS_SISAN "
                                    "ORDER BY KANRI,REC");
    auto c = q.open();
    while (c.fetch()) {
        TGenkaSyokyakuCalcRec result;
        calc.LoadSisan(c.getInt("REC"), result);
        if (result.GSHOUHOU == 5 && !result.ZaiKikanFlag)
            continue;
        TGenkaSyokyakuRec row;
        copyCalcResult(result, row);
        row.MEISYOU = c.getString("MEISYOU");
        row.SURYO = c.isNull("SURYO") ? 0.0 : c.getDouble("SURYO");
        row.TEKIYO = c.getString("TEKIYO");
        if (generalQuery && !c.isNull("SYOUKINKEI"))
            row.SYOUKINKEI = c.getCurrency("SYOUKINKEI");
        row.GoukeiFlag = 0;
        if (result.GSHOUHOU == 5) {
            row.TEIRITU250 = 0;
            row.TEIRITU200 = 0;
            row.SYUTOKUKAGAKUCHOSEI = 0;
            a += row.SYUTOKIN;
            e += row.HitsuyoKeihi;
            m_smallList.push_back(std::move(row));
        } else {
            if (!transitional) {
                row.TEIRITU250 = 0;
                row.TEIRITU200 = 0;
                row.SYUTOKUKAGAKUCHOSEI = 0;
            }
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
    for (const auto& r : m_genkaList) {
        if (r.GSHOUHOU == 5)
            continue; // the summary row
        total.FUTUSYOUKIN += r.FUTUSYOUKIN;
        total.WARISYOUKIN += r.WARISYOUKIN;
        total.SYOUKINKEI += r.SYOUKINKEI;
        total.MATUMISYOUKIN += r.MATUMISYOUKIN;
        total.HitsuyoKeihi += r.HitsuyoKeihi;
    }
    for (const auto& r : m_smallList)
        total.HitsuyoKeihi += r.HitsuyoKeihi;
}

bool TKojinKessansyoIO::reportReadFailure(const char* context, const std::exception& e,
                                          bool startedHere)
{
    if (startedHere) {
        std::string text = kReadFailed;
        if (const auto* db = dynamic_cast<const firebird::DatabaseError*>(&e))
            text += "\r" + db->message();
        else
            text += std::string("\r") + e.what();
        platform::messageBox(text, context, platform::MB_ICONERROR | platform::MB_OK);
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
    } catch (const std::exception& e) {
        return reportReadFailure(context, e, startedHere);
    }
}

namespace {

template <class Rec>
void clearHeader(Rec& rec)
{
    rec = Rec{};
    rec.KikanStart = AccInf.KISHU;
    rec.KikanEnd = AccInf.KIMATU;
    rec.KimatuCopy = AccInf.KIMATU;
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
    (void)mode;
    const bool ok = runRead("TKojinKessansyoIO.SelectIppan", [&] {
        if (AccInf.PrintKikanUse > 0) {
            Kessansyo.KikanStart = AccInf.PrintKishu;
            Kessansyo.KikanEnd = AccInf.PrintKimatu;
        }
        ReadGenkaSyokyaku(Kessansyo.GenkaSyokyaku, Kessansyo.GenkaOverFlag,
                          Kessansyo.GenkaSyougakuFlag, true, true);
    });
    if (ok)
        CalcKessansyoTotal();
    return ok;
}

void TIppanKessansyoIO::CalcKessansyoTotal()
{
    CalcGenkaTotal(Kessansyo.GenkaSyokyaku);
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
    (void)mode;
    const bool ok = runRead("TKojinKessansyoIO.SelectFudosan", [&] {
        if (AccInf.PrintKikanUse > 1) {
            Kessansyo.KikanStart = AccInf.PrintKishu;
            Kessansyo.KikanEnd = AccInf.PrintKimatu;
        }
        ReadGenkaSyokyaku(Kessansyo.GenkaSyokyaku, Kessansyo.GenkaOverFlag,
                          Kessansyo.GenkaSyougakuFlag, false, false);
    });
    if (ok)
        CalcKessansyoTotal();
    return ok;
}

void TFudosanKessansyoIO::CalcKessansyoTotal()
{
    CalcGenkaTotal(Kessansyo.GenkaSyokyaku);
}

// Agriculture ----------------------------------------------------------------------------------

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

bool TNougyouKessansyoIO::SelectNougyou(int mode)
{
    (void)mode;
    const bool ok = runRead("TKojinKessansyoIO.SelectNougyou", [&] {
        if (AccInf.PrintKikanUse > 1) {
            Kessansyo.KikanStart = AccInf.PrintKishu;
            Kessansyo.KikanEnd = AccInf.PrintKimatu;
        }
        ReadGenkaSyokyaku(Kessansyo.GenkaSyokyaku, Kessansyo.GenkaOverFlag,
                          Kessansyo.GenkaSyougakuFlag, false, false);
    });
    if (ok)
        CalcKessansyoTotal();
    return ok;
}

void TNougyouKessansyoIO::CalcKessansyoTotal()
{
    CalcGenkaTotal(Kessansyo.GenkaSyokyaku);
}
