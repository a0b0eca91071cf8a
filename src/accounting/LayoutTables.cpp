#include "accounting/LayoutTables.h"

#include <cmath>
#include <iterator>
#include <limits>

using accounting::CashFlowItem;
using accounting::kGokeiRowCount;
using accounting::kKamokuGroupCount;
using accounting::kNoKamokuGroup;

namespace {

constexpr std::uint16_t kGokeiGeneral[] = {
    1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  //   0
    6,  6,  7,  7,  8,  8,  9,  9,  10, 10, //  10
    11, 11, 12, 12, 13, 13, 14, 14, 15, 15, //  20
    16, 16, 17, 17, 18, 18, 19, 19, 20, 20, //  30
    21, 21, 22, 22, 0,  0,  0,  23, 23, 24, //  40
    24, 25, 25, 26, 26, 27, 27, 0,  0,  0,  //  50
    0,  0,  0,  0,  28, 28, 29, 29, 30, 30, //  60
    31, 31, 32, 32, 33, 33, 34, 34, 35, 35, //  70
    36, 36, 37, 37, 38, 38, 0,  0,  0,  0,  //  80
    0,  0,  0,  0,  0,  39, 39, 40, 40, 41, //  90
    41, 42, 42, 43, 43, 44, 44, 0,  45, 45, // 100
    0,  0,  0,  0,  0,                      // 110
};
static_assert(std::size(kGokeiGeneral) == kGokeiRowCount);

constexpr std::uint16_t kGokeiMedical[] = {
    1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  //   0
    6,  6,  7,  7,  8,  8,  9,  9,  10, 10, //  10
    11, 11, 12, 12, 13, 13, 0,  0,  14, 14, //  20
    15, 15, 0,  0,  0,  0,  16, 16, 0,  0,  //  30
    0,  0,  17, 17, 18, 19, 20, 21, 21, 22, //  40
    22, 0,  0,  23, 23, 24, 24, 25, 26, 27, //  50
    28, 29, 30, 31, 32, 32, 0,  0,  0,  0,  //  60
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  //  70
    0,  32, 33, 33, 0,  42, 34, 35, 36, 37, //  80
    38, 39, 40, 41, 42, 43, 43, 44, 44, 45, //  90
    45, 46, 46, 47, 47, 0,  48, 48, 0,  0,  // 100
    49, 50, 51, 52, 53,                     // 110
};
static_assert(std::size(kGokeiMedical) == kGokeiRowCount);

// Positions 0..84, general code systems; the medical system differs at 81 and 83.
constexpr const char* kGroupsCommon[] = {
    "1100", "1130", "1180", "1200", "1280", "1300", "1310", "1380", "1390", "1400", //  0
    "1410", "1580", "1600", "1680", "1700", "1710", "1780", "1790", "1800", "1880", // 10
    "1900", "2100", "2180", "2200", "2280", "2300", "2380", "2800", "3100", "3150", // 20
    "3200", "3220", "3270", "3280", "3300", "3380", "3320", "3330", "3340", "3400", // 30
    "3410", "3480", "3500", "3580", "3600", "3680", "3800", "3900", "4100", "4110", // 40
    "4800", "5100", "5200", "5210", "5250", "5300", "5400", "5510", "5520", "5530", // 50
    "5580", "5600", "5680", "5700", "5780", "5810", "5820", "5880", "5900", "6100", // 60
    "6180", "6200", "7100", "7180", "7200", "7280", "7300", "8100", "8180", "8200", // 70
    "8280", "8290", "8300", "8400", "9900",                                         // 80
};
static_assert(std::size(kGroupsCommon) == 85);

// Positions 85 and 86, the same in both systems; the setup leaves them alone.
constexpr const char* kGroupsFixed[] = {"5685", "5688"};

// Positions 87..140 of the medical system (the general system has none of them).
constexpr const char* kGroupsMedicalExtra[] = {
    "3450", "3460", "3470", "4115", "4180", "4215", "4280", "4315", "4380", "4480", //  87
    "6110", "6110", "6120", "6180", "6130", "6210", "6180", "6220", "6210", "6230", //  97
    "6280", "6280", "6310", "6310", "6380", "6380", "6410", "6410", "6480", "6480", // 107
    "6510", "6510", "6580", "6580", "6610", "6610", "6680", "6680", "6710", "6710", // 117
    "6780", "6780", "6810", "6810", "6880", "6880", "6900", "6950", "8300", "9280", // 127
    "9380", "9480", "9580", "9600",                                                 // 137
};
static_assert(std::size(kGroupsMedicalExtra) == 54);

// Positions 141..148.
constexpr const char* kGroupsTailGeneral[] = {"1900", "2800", "3800", "3900",
                                              "8400", "7300", "5510", "5820"};
constexpr const char* kGroupsTailMedical[] = {"1900", "2800", "3800", "3900",
                                              "9600", "7300", "****", "****"};
static_assert(std::size(kGroupsTailGeneral) == 8 && std::size(kGroupsTailMedical) == 8);

struct ItemLiteral {
    const char* code;
    const char* name;
};

constexpr ItemLiteral kCashFlowGeneral[] = {
    {"0", "－"},
    {"11", "現金売上"},
    {"12", "売掛金回収"},
    {"13", "受取手形期日落"},
    {"14", "未収入金"},
    {"15", "前受金"},
    {"16", "受取利息・配当金"},
    {"17", "その他営業外収入"},
    {"18", "その他の収入"},
    {"19", "現金仕入"},
    {"20", "買掛金支払"},
    {"21", "支払手形決済"},
    {"22", "未払金・未払費用"},
    {"23", "前渡金"},
    {"24", "材料費"},
    {"25", "製造経費"},
    {"26", "人件費"},
    {"27", "販売費・一般管理費"},
    {"28", "支払利息割引料"},
    {"29", "その他営業外支出"},
    {"30", "その他の支出"},
    {"31", "固定資産売却"},
    {"32", "その他の収入"},
    {"33", "固定資産購入"},
    {"34", "投資等支出"},
    {"35", "法人税等"},
    {"36", "その他の支出"},
    {"37", "手形割引"},
    {"38", "短期借入金"},
    {"39", "長期借入金"},
    {"40", "定期性預金取崩"},
    {"41", "貸付金等回収"},
    {"42", "その他の収入"},
    {"43", "短期借入金返済"},
    {"44", "長期借入金返済"},
    {"45", "定期性預金預入"},
    {"46", "貸付金等"},
    {"47", "その他の支出"},
    {"99", "流動性現預金"},
};
static_assert(std::size(kCashFlowGeneral) == 39);

constexpr ItemLiteral kCashFlowMedical[] = {
    {"0", "－"},
    {"11", "窓口収入"},
    {"12", "医業未収金回収"},
    {"13", "未収金"},
    {"14", "前受金"},
    {"15", "受取利息・配当金"},
    {"16", "その他医業外収入"},
    {"17", "その他の収入"},
    {"18", "給与費"},
    {"19", "材料費"},
    {"20", "委託費"},
    {"21", "設備関係費"},
    {"22", "研究研修費"},
    {"23", "経費"},
    {"24", "買掛金支払"},
    {"25", "支払手形決済"},
    {"26", "未払金・未払費用"},
    {"27", "前渡金"},
    {"28", "支払利息割引料"},
    {"29", "その他医業外支出"},
    {"30", "その他の支出"},
    {"31", "固定資産売却"},
    {"32", "その他の収入"},
    {"33", "固定資産購入"},
    {"34", "投資等支出"},
    {"35", "その他の支出"},
    {"36", "短期借入金"},
    {"37", "長期借入金"},
    {"38", "定期性預金取崩"},
    {"39", "貸付金等回収"},
    {"40", "その他の収入"},
    {"41", "短期借入金返済"},
    {"42", "長期借入金返済"},
    {"43", "定期性預金預入"},
    {"44", "貸付金等"},
    {"45", "法人税等"},
    {"46", "その他の支出"},
    {"99", "流動性現預金"},
};
static_assert(std::size(kCashFlowMedical) == 38);

std::array<std::uint16_t, kGokeiRowCount> gokeiOf(const std::uint16_t (&rows)[kGokeiRowCount])
{
    std::array<std::uint16_t, kGokeiRowCount> table{};
    for (std::size_t i = 0; i < kGokeiRowCount; ++i)
        table[i] = rows[i];
    return table;
}

// Writes the positions the setup owns (all but 85 and 86).
void setGroups(std::array<std::string, kKamokuGroupCount>& table, bool medical)
{
    for (std::size_t i = 0; i < std::size(kGroupsCommon); ++i)
        table[i] = kGroupsCommon[i];
    if (medical) {
        table[81] = "8300";
        table[83] = "9280";
    }
    for (std::size_t i = 0; i < std::size(kGroupsMedicalExtra); ++i)
        table[87 + i] = medical ? kGroupsMedicalExtra[i] : kNoKamokuGroup;
    const auto& tail = medical ? kGroupsTailMedical : kGroupsTailGeneral;
    for (std::size_t i = 0; i < std::size(tail); ++i)
        table[141 + i] = tail[i];
}

std::array<std::string, kKamokuGroupCount> startGroups()
{
    std::array<std::string, kKamokuGroupCount> table;
    setGroups(table, false);
    table[85] = kGroupsFixed[0];
    table[86] = kGroupsFixed[1];
    return table;
}

} // namespace

std::array<std::uint16_t, kGokeiRowCount> GokeiRowTable = gokeiOf(kGokeiGeneral);
std::array<std::string, kKamokuGroupCount> KamokuGroupTable = startGroups();
std::vector<CashFlowItem> SikinguriKamokuList;

void pcSisanhyouSetup(std::uint8_t medical)
{
    const bool isMedical = medical == 1;
    GokeiRowTable = gokeiOf(isMedical ? kGokeiMedical : kGokeiGeneral);
    setGroups(KamokuGroupTable, isMedical);
}

void pcSikinguriKamokuSetup(std::uint8_t medical)
{
    SikinguriKamokuList.clear();
    if (medical == 1) {
        for (const ItemLiteral& item : kCashFlowMedical)
            SikinguriKamokuList.push_back({item.code, item.name});
    } else {
        for (const ItemLiteral& item : kCashFlowGeneral)
            SikinguriKamokuList.push_back({item.code, item.name});
    }
}

platform::Currency fnPercentOf(double ratio)
{
    constexpr std::int64_t kScale = 10000000;
    constexpr std::int64_t kHalf = 5000;
    constexpr std::int64_t kTenth = 1000;
    double t = ratio * static_cast<double>(kScale);
    t += t >= 0 ? kHalf : -kHalf;
    const double tenths = std::trunc(t / 10000);
    // A ratio beyond any amount gives the largest amount of its sign, not a wrapped value; a
    // ratio that is not a number gives 0.
    constexpr std::int64_t kMaxTenths = std::numeric_limits<platform::Currency>::max() / kTenth;
    if (std::isnan(tenths))
        return 0;
    if (tenths >= static_cast<double>(kMaxTenths))
        return kMaxTenths * kTenth;
    if (tenths <= -static_cast<double>(kMaxTenths))
        return -kMaxTenths * kTenth;
    return static_cast<platform::Currency>(tenths) * kTenth;
}

void accounting::resetLayoutTables()
{
    GokeiRowTable = gokeiOf(kGokeiGeneral);
    KamokuGroupTable = startGroups();
    SikinguriKamokuList.clear();
}
