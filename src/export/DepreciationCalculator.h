#pragma once

// The depreciation calculator: one asset of the company's asset table KS_SISAN in, its figures for
// the open fiscal period out. The rate tables are in DepreciationRateTables.h.

#include "export/DepreciationRateTables.h"
#include "platform/CoreTypes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// Result of the depreciation calculator for one asset.
struct TGenkaSyokyakuCalcRec {
    std::uint8_t HouKubun = 2; // 0 old rules, 1 250% declining-balance rules, 2 200% rules
    bool ZaiKikanFlag = false; // acquired within the fiscal period
    std::int32_t Jyoutai = 0;  // status 0..6, see SisanJyoutaiName
    platform::TDateTime SYUTODATE = 0;
    platform::Currency SYUTOKIN = 0;
    platform::Currency KISYUMISYOUKIN = 0;
    std::int32_t GSHOUHOU = 0;
    platform::Currency ZANKAHOSYOUGAKU = 0;
    platform::Currency KISOKIN = 0;
    std::int32_t TAIYOUYY = 0;
    bool TanKikanFlag = false;
    platform::Currency SYOURITU = 0;
    std::int32_t JYOBAI = 0;
    platform::TDateTime GENSYODATE = 0;
    std::int32_t SYOUKIKANSTR = 0;
    std::int32_t SYOUKIKANEND = 0;
    platform::Currency FUTUSYOUKIN = 0;
    platform::Currency WARISYOUKIN = 0;
    platform::Currency SYOUKINKEI = 0;
    platform::Currency MATUMISYOUKIN = 0;
    platform::Currency JIGYOUWARIAI = 100 * platform::kCurrencyUnit;
    platform::Currency HitsuyoKeihi = 0;
    double HosyouRitu = 0;
    double KaiteiSyouritu = 0;
    double HosyouGaku = 0; // whole yen
    platform::Currency KAITEISYUTOKUKAGAKU = 0;
    bool KaiteiFlag = false;
    bool GonenFlag = false;
    std::int32_t TEIRITU250 = 0;
    std::int32_t TEIRITU200 = 0;
    std::int32_t TAIYONENSU200 = 0;
    platform::Currency SYUTOKUKAGAKUCHOSEI = 0;
};

// One row of a statement's depreciation asset list.
struct TGenkaSyokyakuRec {
    std::int32_t HouKubun = 0;
    std::string MEISYOU;
    double SURYO = 0;
    platform::TDateTime SYUTODATE = 0;
    platform::Currency SYUTOKIN = 0;
    platform::Currency HosyouGaku = 0;
    platform::Currency KISOKIN = 0;
    std::int32_t GSHOUHOU = 0;
    std::int32_t TAIYOUYY = 0;
    double SYOURITU = 0;
    std::int32_t SyoukyakuTukisuu = 0;
    platform::Currency FUTUSYOUKIN = 0;
    platform::Currency WARISYOUKIN = 0;
    platform::Currency SYOUKINKEI = 0;
    double JIGYOUWARIAI = 0;
    platform::Currency HitsuyoKeihi = 0;
    platform::Currency MATUMISYOUKIN = 0;
    std::string TEKIYO;
    platform::Currency KISYUMISYOUKIN = 0;
    platform::Currency KAITEISYUTOKUKAGAKU = 0;
    platform::Currency KaiteiSyouritu = 0;
    std::int32_t GoukeiFlag = 0;
    std::string KANRI;                 // management number, to name the asset in messages
    std::int32_t TEIRITU250 = 0;
    std::int32_t TEIRITU200 = 0;
    platform::Currency SYUTOKUKAGAKUCHOSEI = 0;
};
using TGenkaSyokyakuRecArray = std::vector<TGenkaSyokyakuRec>;

// A computed amount outside the currency range: the asset cannot be exported.
class AmountOutOfRange : public std::range_error {
public:
    using std::range_error::range_error;
};

// Status names indexed by TGenkaSyokyakuCalcRec::Jyoutai.
extern const std::array<const char*, 7> SisanJyoutaiName;

// Fills the fields of an asset-list row that come from the calculator's result; the list query's
// own fields (MEISYOU, SURYO, TEKIYO) and GoukeiFlag are left as they are.
void copyCalcResult(const TGenkaSyokyakuCalcRec& result, TGenkaSyokyakuRec& row);

// The columns of one KS_SISAN row that the calculator reads (an empty column reads as 0).
struct KsSisanRow {
    std::int32_t REC = 0;
    std::int32_t GSHOUHOU = 0;
    platform::TDateTime SYUTODATE = 0;
    platform::Currency SYUTOKIN = 0;
    platform::Currency KISYUMISYOUKIN = 0;
    platform::Currency KISOKIN = 0;
    std::int32_t ISINPKISOKIN = 0;
    std::int32_t TAIYOUYY = 0;
    platform::Currency SYOURITU = 0;
    std::int32_t ISINPSYOURITU = 0;
    std::int32_t JYOBAI = 0;
    platform::TDateTime GENSYODATE = 0;
    std::int32_t SYOUKIKANSTR = 0;
    std::int32_t SYOUKIKANEND = 0;
    platform::Currency FUTUSYOUKIN = 0;
    std::int32_t ISINPFUTUSYOUKIN = 0;
    platform::Currency WARISYOUKIN = 0;
    platform::Currency SYOUKINKEI = 0;
    platform::Currency MATUMISYOUKIN = 0;
    platform::Currency ZANKAHOSYOUGAKU = 0;
    platform::Currency JIGYOUWARIAI = 0; // column JIGYOUWARIAI_NEW
    platform::Currency KAITEISYUTOKUKAGAKU = 0;
    platform::Currency KAITEISYUTOKUKAGAKU_INPUT = 0;
    std::int32_t ISINPKAITEISYUTOKUKAGAKU = 0;
    std::int32_t TEIRITU250 = 0;
    std::int32_t TEIRITU200 = 0;
    std::int32_t TAIYONENSU200 = 0;
    platform::Currency SYUTOKUKAGAKUCHOSEI = 0;
};

// A stored value no rule can work with (column, its name for the user, the value as text).
struct SisanRowFault {
    std::string column;
    std::string label;
    std::string value;
};
// The first impossible value of an asset row: a negative useful life, a depreciation month
// range that runs backwards (or starts before 0) or spans more than 12 months, a business-use
// ratio outside 0-100. A life of
// 0 is accepted: the methods that divide by it test it first.
std::optional<SisanRowFault> impossibleSisanData(const KsSisanRow& row);

// The company settings the rules read: a copy of the company settings record taken when the
// calculator is made, except SDAI_HASUU3, which the loading takes from the program-wide record.
struct GenkaSyokyakuSettings {
    platform::TDateTime KISHU = 0;  // fiscal period start
    platform::TDateTime KIMATU = 0; // fiscal period end
    std::int32_t SIME = 99;         // closing day (99 = month end)
    std::int32_t DATATYPE = 2;      // 1 corporation, 2 individual, 3 medical corporation
    std::int32_t SDAI_HASUU1 = 0;   // rounding of depreciation amounts
    std::int32_t SDAI_HASUU2 = 0;   // rounding of the 5% amount
    std::int32_t SDAI_HASUU3 = 0;   // rounding of the necessary expense
};

struct TACCINF;

// The settings the rules read from a copy of the company settings; SDAI_HASUU3 from the
// program-wide record, as the loading does.
GenkaSyokyakuSettings genkaSyokyakuSettings(const TACCINF& copy, const TACCINF& programWide);
// The same from the program-wide AccInf alone (the calculator's copy taken now).
GenkaSyokyakuSettings genkaSyokyakuSettingsFromAccInf();

// The two transitional settings of group "減価償却設定"; no rule reads them.
struct KeikaSochi {
    std::int32_t teiritu250 = 0;
    std::int32_t teiritu200 = 0;
};

// Where the calculator reads from: the company database in the program, rows in memory in tests.
class GenkaSyokyakuDataSource {
public:
    virtual ~GenkaSyokyakuDataSource() = default;

    // The two transitional settings; a missing setting row is added with its default "0".
    virtual KeikaSochi readKeikaSochi() = 0;
    // The KS_SISAN row of a key, none when no row has it. Database errors pass as exceptions.
    virtual std::optional<KsSisanRow> readSisan(std::int32_t rec) = 0;
};

// The depreciation calculator of one asset-list gathering.
class TGenkaSyokyakuSisanCalc {
public:
    // Reads the transitional settings at once. The source must outlive the calculator.
    TGenkaSyokyakuSisanCalc(GenkaSyokyakuDataSource& source, const GenkaSyokyakuSettings& settings);

    // Refreshes the settings copy (the loaders do so before the first LoadSisan).
    void setSettings(const GenkaSyokyakuSettings& settings) { m_acc = settings; }
    const GenkaSyokyakuSettings& settings() const { return m_acc; }
    const KeikaSochi& keikaSochi() const { return m_keikaSochi; }

    // Loads and computes one asset; true in every case, the initial record for a missing key.
    bool LoadSisan(std::int32_t REC, TGenkaSyokyakuCalcRec& Result);
    // The same computation for a row already read.
    void LoadSisanRow(const KsSisanRow& row, TGenkaSyokyakuCalcRec& Result);

    // The rules; each works on the current record (rec()).
    void JudgeHouKubun();
    platform::Currency CalcSyouritu();
    platform::Currency CalcKisokin();
    platform::Currency CalcFutuSyoukin();
    platform::Currency CalcHosyouGaku();
    std::int64_t CalcKaiteiSyouritu(); // revised rate x 10000
    std::int32_t GetSisanJyoutai();

    TGenkaSyokyakuCalcRec& rec() { return m_rec; }
    const DepreciationRateTable& workingTable() const { return *m_table; }
    // Months of the fiscal period: 12 for a full year, -1 for a period of more than 12 months.
    int periodMonths() const;

private:
    platform::Currency roundSyokyaku(platform::Currency amount) const;
    platform::Currency fivePercentAmount() const;
    bool acquiredInPeriod() const;
    platform::Currency dep2007();
    platform::Currency depOld();
    platform::Currency depOtherMethods();

    GenkaSyokyakuDataSource& m_source;
    GenkaSyokyakuSettings m_acc;
    KeikaSochi m_keikaSochi;
    TGenkaSyokyakuCalcRec m_rec;
    const DepreciationRateTable* m_table = &depreciationRateTable200();
};
