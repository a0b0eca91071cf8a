#pragma once

// The blue-return statement loaders (青色申告決算書): general business, real estate and
// agriculture. Each reads the company's trial balance and gathers the depreciation assets of
// KS_SISAN through the depreciation calculator (DepreciationCalculator.h) into two lists: the asset
// list (every method but 5) and the small-asset list (method 5 acquired in the fiscal period),
// and fills its statement's printed asset table.

#include "export/DepreciationCalculator.h"
#include "records/ProgramRecords.h"

#include <array>
#include <exception>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace firebird {
class Transaction;
} // namespace firebird

// Note of the small-asset summary row.
inline constexpr const char* kSmallAssetNote = "措法28の2";
// Name of asset-table row 1 when the assets go to a separate sheet.
inline constexpr const char* kSeparateSheet = "別紙参照";

// TKojinKessansyoIO: the loaders' common base. Reads through the transaction it is bound to
// (the data module's company transaction in the program).
class TKojinKessansyoIO {
public:
    explicit TKojinKessansyoIO(firebird::Transaction& transaction);
    virtual ~TKojinKessansyoIO();
    TKojinKessansyoIO(const TKojinKessansyoIO&) = delete;
    TKojinKessansyoIO& operator=(const TKojinKessansyoIO&) = delete;

    void SetTransaction(firebird::Transaction& transaction);

    // Loads the trial balance for the whole fiscal year. Throws std::runtime_error when it could
    // not be read (the failure has been reported already) and firebird::DatabaseError as raised.
    void PrepareZandaka();

    // Clears the statement, loads the trial balance and reads the statement. False when a read
    // failed; the failure has been reported (context, message) and the lists may be partial.
    // An asset that cannot be exported (impossible data, an amount out of range, unreadable or
    // control characters in its texts) raises EDataExportError naming it.
    virtual bool LoadKessansyo(int mode) = 0;

    const TGenkaSyokyakuRecArray& GenkaList() const { return m_genkaList; }
    const TGenkaSyokyakuRecArray& SmallList() const { return m_smallList; }
    const std::vector<TBALANCE>& Zandaka() const { return m_rows; }
    const std::vector<TQSORT>& ZandakaIndex() const { return m_index; }
    int JigyouKubun() const { return m_jigyouKubun; }

    // Called after each asset row has been read and computed, with the count so far (progress
    // of a long export).
    std::function<void(int done)> onAssetRead;

    // The failure of the last read that ran inside a transaction the caller held (nothing was
    // reported then); null otherwise.
    std::exception_ptr LastReadFailure() const { return m_lastReadFailure; }
    int TaxDefuh() const { return m_taxDefuh; }

protected:
    // Gathers both asset lists and fills the statement's asset table (rows 1..N and the totals
    // row N + 1, stored from index 0); the asset rows keep TEIRITU250/200 and the adjusted cost.
    // generalQuery: the general statement's list query (with SYOUKINKEI).
    void ReadGenkaSyokyaku(std::span<TGenkaSyokyakuRec> table, std::int32_t& overflowFlag,
                           std::int32_t& smallFlag, bool generalQuery);
    // The totals row of the asset table from the two lists.
    void CalcGenkaTotal(std::span<TGenkaSyokyakuRec> table) const;
    // Runs a statement read under the transaction rule of the loaders: started here when not
    // active and then committed; a failure is reported with the context when started here
    // (else kept for the caller, LastReadFailure), and gives false.
    template <class Body>
    bool runRead(const char* context, Body&& body);
    bool reportReadFailure(const char* context, const std::exception& e, bool startedHere);

    firebird::Transaction* m_transaction;
    std::exception_ptr m_lastReadFailure;
    std::int32_t m_jigyouKubun = 0;
    std::int32_t m_taxDefuh = 0;
    std::int32_t m_rowMax = 0;
    std::vector<TQSORT> m_index;
    std::vector<TBALANCE> m_rows;
    TGenkaSyokyakuRecArray m_genkaList;
    TGenkaSyokyakuRecArray m_smallList;
};

// Income-statement and manufacturing-cost line.
struct TSonekiKeisansyoRec {
    std::int32_t REC = 0;
    std::string Name;
    platform::Currency Kingaku = 0;
};
using TSeizoGenkaRec = TSonekiKeisansyoRec;

// Balance-sheet line.
struct TTaisyakuTaisyouhyoRec {
    std::int32_t REC = 0;
    std::string Name;
    platform::Currency Kisyu = 0;
    platform::Currency Kimatu = 0;
};

// One month of the monthly sales and purchases.
struct TUriageSiireRec {
    platform::Currency Uriage = 0;
    platform::Currency Siire = 0;
};

// Wages of an employee.
struct TKyuyoChinginRec {
    std::string SIMEI;
    std::int32_t NENREI = 0;
    std::int32_t TUKISUU = 0;
    platform::Currency KYUUYO = 0;
    platform::Currency SHOUYO = 0;
    platform::Currency GOUKEI = 0;
    platform::Currency GENSEN = 0;
};

// Wages of a family employee.
struct TSenjyusyaKyuyoRec {
    std::string SIMEI;
    std::string TUZUKIGARA;
    std::int32_t NENREI = 0;
    std::int32_t TUKISUU = 0;
    platform::Currency KYUUYO = 0;
    platform::Currency SHOUYO = 0;
    platform::Currency GOUKEI = 0;
    platform::Currency GENSEN = 0;
};

// Interest and discount paid.
struct TRisiWaribikiRec {
    std::string SIHARAISAKI1;
    std::string SIHARAISAKI2;
    platform::Currency KIMATU = 0;
    platform::Currency RISI = 0;
    platform::Currency KEIHI = 0;
};

// Land and building rent paid.
struct TJidaiYachinRec {
    std::string SIHARAISAKI1;
    std::string SIHARAISAKI2;
    std::string BUKKEN1;
    std::string BUKKEN2;
    platform::Currency KENRI = 0;
    platform::Currency KOUSIN = 0;
    platform::Currency TINRYOU = 0;
    platform::Currency KEIHI = 0;
};

// Tax-accountant and similar fees.
struct TZeirisiHousyuuRec {
    std::string SIHARAISAKI1;
    std::string SIHARAISAKI2;
    platform::Currency HOUSHU = 0;
    platform::Currency KEIHI = 0;
    platform::Currency GENSEN = 0;
};

// The general statement's record. Line n of a table is at index n - 1.
struct TKojinKessansyoRec {
    std::int32_t TEGAKI = 0;
    platform::TDateTime KikanStart = 0;
    platform::TDateTime KikanEnd = 0;
    std::int32_t HizukeFlag = 0;        // 1 when the statement date is stored
    platform::TDateTime Hizuke = 0;     // the statement date, else today
    platform::TDateTime KimatuCopy = 0;
    // 1-16 the company's names and addresses, 17-21 the tax accountant, 22 SCODE2.
    std::array<std::string, 22> Texts{};
    platform::Currency KURIIRE1 = 0;    // bad-debt allowance figures
    platform::Currency KURIIRE2 = 0;
    platform::Currency KURIIRE3 = 0;
    platform::Currency KURIIRE4 = 0;
    platform::Currency KURIIRE5 = 0;
    std::int32_t GYOUSHUKUBUN = 0;      // allowance rate: 0 5.5 %, 1 3.3 %
    std::int32_t HASUU = 0;             // the allowance's rounding mode
    std::array<TKyuyoChinginRec, 7> Kyuyo{};       // line 7 the totals
    std::array<TSenjyusyaKyuyoRec, 6> Senjyusya{}; // line 6 the totals
    std::array<TRisiWaribikiRec, 2> Risi{};
    std::array<TJidaiYachinRec, 2> Tidai{};
    std::array<TZeirisiHousyuuRec, 2> Housyu{};
    std::array<std::string, 5> Note{};
    std::array<TSonekiKeisansyoRec, 45> Soneki{};
    std::array<TUriageSiireRec, 15> Tukibetu{}; // months 1-12, two further sales lines, totals
    std::int32_t KOUJOKUBUN = 0;
    platform::Currency KOUJO6 = 0;
    platform::Currency KOUJO7 = 0;
    platform::Currency Koujo65Used = 0;
    platform::Currency Koujo65 = 0;
    platform::Currency Koujo10Used = 0;
    platform::Currency Koujo10 = 0;
    std::array<TTaisyakuTaisyouhyoRec, 25> Sisan{};     // assets, line 25 the totals
    std::array<TTaisyakuTaisyouhyoRec, 25> Fusai{};     // liabilities and capital
    std::array<TSeizoGenkaRec, 26> Seizo{};
    std::array<TGenkaSyokyakuRec, 12> GenkaSyokyaku{}; // 11 rows and the totals row
    std::int32_t GenkaOverFlag = 0;
    std::int32_t GenkaSyougakuFlag = 0;
};

// One rented property.
struct TFudosanSyotokuRec {
    std::int32_t REC = 0;
    std::int32_t NUMBER = 0;
    std::string KUBUN;
    std::string YOUTO;
    std::string SHOZAITI1; // the location, cut at 22 bytes
    std::string SHOZAITI2;
    std::string TINSYAKU1; // the tenant, cut at 24 bytes
    std::string TINSYAKU2;
    std::int32_t KAISI_YY = 0;
    std::int32_t KAISI_MM = 0;
    std::int32_t SHUURYOU_YY = 0;
    std::int32_t SHUURYOU_MM = 0;
    platform::Currency MENSEKI = 0;
    platform::Currency GETUGAKU = 0;
    platform::Currency NENGAKU = 0;
    platform::Currency REIKIN = 0;
    platform::Currency KENRIKIN = 0;
    platform::Currency KOUSINRYOU = 0;
    platform::Currency MEIGIRYOU = 0;
    platform::Currency SIKIKIN = 0;
};
using TFudosanSyotokuRecArray = std::vector<TFudosanSyotokuRec>;

// The real-estate statement's record.
struct TFudosanKessansyoRec {
    std::int32_t TEGAKI = 0;
    platform::TDateTime KikanStart = 0;
    platform::TDateTime KikanEnd = 0;
    std::int32_t HizukeFlag = 0;
    platform::TDateTime Hizuke = 0;
    platform::TDateTime KimatuCopy = 0;
    std::array<std::string, 22> Texts{};
    std::array<TSonekiKeisansyoRec, 23> Soneki{};
    platform::Currency FUSAIRISI = 0;
    std::int32_t FudosanOverFlag = 0;                // more than 15 properties
    std::array<TFudosanSyotokuRec, 16> Fudosan{};   // line 16 the totals
    std::array<TKyuyoChinginRec, 3> Kyuyo{};        // line 3 the totals
    std::array<TSenjyusyaKyuyoRec, 1> Senjyusya{};
    std::int32_t KOUJOKUBUN = 0;
    platform::Currency KOUJO6 = 0;
    platform::Currency KOUJO7 = 0;
    platform::Currency Koujo65Used = 0;
    platform::Currency Koujo65 = 0;
    platform::Currency Koujo10Used = 0;
    platform::Currency Koujo10 = 0;
    std::array<TRisiWaribikiRec, 3> Risi{};
    std::array<TJidaiYachinRec, 2> Tidai{};
    std::array<TZeirisiHousyuuRec, 2> Housyu{};
    std::array<std::string, 30> Note{};
    std::array<TTaisyakuTaisyouhyoRec, 25> Sisan{};
    std::array<TTaisyakuTaisyouhyoRec, 25> Fusai{};
    std::int32_t GenkaOverFlag = 0;
    std::int32_t GenkaSyougakuFlag = 0;
    std::array<TGenkaSyokyakuRec, 13> GenkaSyokyaku{}; // 12 rows and the totals row
};

// Income of a crop or livestock line.
struct TSyunyuKingakuRec {
    std::string KUBUN1;
    std::string KUBUN2;
    platform::Currency MENSEKI = 0;
    platform::Currency SYUUKAKURYO = 0;
    platform::Currency KISHU_SURYO = 0;
    platform::Currency KISHU_KINGAKU = 0;
    platform::Currency HANBAIGAKU = 0;
    platform::Currency KAJISYOHIGAKU = 0;
    platform::Currency KIMATU_SURYO = 0;
    platform::Currency KIMATU_KINGAKU = 0;
};

// Miscellaneous income.
struct TSyunyuKingakuZassyuRec {
    std::string KUBUN;
    platform::Currency KINGAKU = 0;
};

// Inventory of products other than crops.
struct TNousanIgaiTanaorosiRec {
    std::string KUBUN;
    platform::Currency KISHU_SURYO = 0;
    std::string KISHU_TANI;
    platform::Currency KISHU_KINGAKU = 0;
    platform::Currency KIMATU_SURYO = 0;
    std::string KIMATU_TANI;
    platform::Currency KIMATU_KINGAKU = 0;
};

// Wages of a hired worker.
struct TYatoininhiRec {
    std::string SIMEI;
    std::int32_t NISUU = 0;
    platform::Currency SIKYU_GENKIN = 0;
    platform::Currency SIKYU_GENBUTU = 0;
    platform::Currency SIKYU_GOKEI = 0;
    platform::Currency GENSENZEIGAKU = 0;
};

// Rearing cost of fruit trees and livestock.
struct TKajyuGyubaIkuseiRec {
    std::string MEISHOU1;
    std::string MEISHOU2;
    std::string SYUTOKUHIZUKE_YY;
    std::string SYUTOKUHIZUKE_MM;
    std::string SYUTOKUHIZUKE_DD;
    platform::Currency ZENNENKURIKOSIGAKU = 0;
    platform::Currency IKUSEI_SYUBYOUHI = 0;
    platform::Currency IKUSEI_HIRYOUHI = 0;
    platform::Currency IKUSEI_SYOKEI = 0;
    platform::Currency IKUSEI_SYUNYUGAKU = 0;
    platform::Currency IKUSEI_KASANGAKU = 0;
    platform::Currency SYUTOKUGAKU = 0;
    platform::Currency YOKUNENKURIKOSIGAKU = 0;
};

// Farmland rent paid.
struct TJidaiChinsyakuRec {
    std::string JYUSHO1;
    std::string JYUSHO2;
    std::string KOSAKURYO;
    platform::Currency MENSEKI = 0;
    platform::Currency SHIHARAIGAKU = 0;
};

// The agriculture statement's record.
struct TNougyouKessansyoRec {
    std::int32_t TEGAKI = 0;
    platform::TDateTime KikanStart = 0;
    platform::TDateTime KikanEnd = 0;
    std::int32_t HizukeFlag = 0;
    platform::TDateTime Hizuke = 0;
    platform::TDateTime KimatuCopy = 0;
    std::array<std::string, 22> Texts{};
    std::array<TSonekiKeisansyoRec, 48> Soneki{};
    platform::Currency FUSAIRISI = 0;
    std::array<TSyunyuKingakuRec, 6> Tahata{};   // field crops
    std::array<TSyunyuKingakuRec, 3> Kajyu{};    // fruit trees
    std::array<TSyunyuKingakuRec, 3> Tokusyu{};  // special facilities
    TSyunyuKingakuRec Nousankei;                 // crop totals
    std::array<TSyunyuKingakuRec, 3> Tikusan{};  // livestock
    TSyunyuKingakuRec SyunyuTotal;
    std::array<TSyunyuKingakuZassyuRec, 4> Zassyu{}; // line 4 the totals
    std::array<TNousanIgaiTanaorosiRec, 5> Misyukaku{};
    std::array<TNousanIgaiTanaorosiRec, 5> Hanbai{};
    std::array<TNousanIgaiTanaorosiRec, 8> Syubyou{};
    std::array<TNousanIgaiTanaorosiRec, 3> Sonota{};
    TNousanIgaiTanaorosiRec TanaorosiTotal;
    std::array<TYatoininhiRec, 5> Yatoinin{};        // line 5 the totals
    std::array<TSenjyusyaKyuyoRec, 5> Senjyusya{};   // line 5 the totals
    std::array<TKajyuGyubaIkuseiRec, 3> Ikusei{};    // line 3 the totals
    std::array<std::string, 4> Keisan{};             // calculation methods
    std::array<TJidaiChinsyakuRec, 2> Chinsyaku{};
    std::array<TRisiWaribikiRec, 2> Risi{};
    std::array<TZeirisiHousyuuRec, 2> Housyu{};
    std::int32_t GYOUSHUKUBUN = 0;
    std::int32_t HASUU = 0;
    platform::Currency KURIIRE1 = 0;
    platform::Currency KURIIRE2 = 0;
    platform::Currency KURIIRE3 = 0;
    platform::Currency KURIIRE4 = 0;
    platform::Currency KURIIRE5 = 0;
    std::array<std::string, 10> Note{};
    std::int32_t KOUJOKUBUN = 0;
    platform::Currency KOUJO6 = 0;
    platform::Currency KOUJO7 = 0;
    platform::Currency Koujo65Used = 0;
    platform::Currency Koujo65 = 0;
    platform::Currency Koujo10Used = 0;
    platform::Currency Koujo10 = 0;
    std::array<TTaisyakuTaisyouhyoRec, 25> Sisan{};
    std::array<TTaisyakuTaisyouhyoRec, 25> Fusai{};
    std::int32_t GenkaOverFlag = 0;
    std::int32_t GenkaSyougakuFlag = 0;
    std::array<TGenkaSyokyakuRec, 12> GenkaSyokyaku{}; // 11 rows and the totals row
};

// General business (code systems 1 and 3).
class TIppanKessansyoIO : public TKojinKessansyoIO {
public:
    explicit TIppanKessansyoIO(firebird::Transaction& transaction);
    bool LoadKessansyo(int mode) override;
    void ClearKessansyoRec();
    bool SelectIppan(int mode);
    void CalcKessansyoTotal();
    TKojinKessansyoRec Kessansyo;

private:
    // Routes the trial balance into the statement's lines.
    void ReadZandaka();
};

// Real estate (code system 2).
class TFudosanKessansyoIO : public TKojinKessansyoIO {
public:
    explicit TFudosanKessansyoIO(firebird::Transaction& transaction);
    bool LoadKessansyo(int mode) override;
    void ClearKessansyoRec();
    bool SelectFudosan(int mode);
    // Every rented property (also those beyond the table's 15 lines) and the table.
    void ReadFudousan();
    void CalcKessansyoTotal();
    TFudosanKessansyoRec Kessansyo;
    TFudosanSyotokuRecArray Fudousan;

private:
    void ReadZandaka();
};

// Agriculture (code system 4).
class TNougyouKessansyoIO : public TKojinKessansyoIO {
public:
    explicit TNougyouKessansyoIO(firebird::Transaction& transaction);
    bool LoadKessansyo(int mode) override;
    void ClearKessansyoRec();
    bool SelectNougyou(int mode);
    void CalcKessansyoTotal();
    TNougyouKessansyoRec Kessansyo;

private:
    void ReadZandaka();
};
