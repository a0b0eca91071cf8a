#include "records/ProductVersionList.h"

#include "platform/Registry.h"
#include "platform/Text.h"
#include "records/TextSplitter.h"
#include "records/ProgramRecords.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace records {

SeihinRegistryKeys& seihinRegistryKeys()
{
    static SeihinRegistryKeys keys;
    return keys;
}

} // namespace records

namespace {

using platform::text::upperAscii;

struct BuiltIn {
    const char* version;
    const char* name;
};
constexpr BuiltIn kBuiltIns[] = {{"1.0.0", "09版"}, {"2.0.0", "10版"}, {"3.0.0", "11版"}};

} // namespace

TSeihinVersionList::TSeihinVersionList()
    : ProductKey(records::seihinRegistryKeys().productKey)
{
}

void TSeihinVersionList::Clear()
{
    Count = 0;
    Items.clear();
    Names.clear();
}

void TSeihinVersionList::add(const std::string& versionText, const std::string& name,
                             bool skipListed)
{
    TMojiBunkatu split;
    split.Delimiter = '.';
    split.Bunkatu(versionText);
    if (split.Count != 3)
        return;
    TDataVersionRec rec;
    rec.Major = platform::text::toIntOr0(split.GetItem(0));
    rec.Minor = platform::text::toIntOr0(split.GetItem(1));
    rec.Name = name;
    if (skipListed && std::any_of(Items.begin(), Items.end(), [&](const TDataVersionRec& r) {
            return r.Major == rec.Major && r.Minor == rec.Minor;
        }))
        return;
    Items.push_back(rec);
}

void TSeihinVersionList::rebuildNames()
{
    Names.clear();
    for (const auto& item : Items)
        Names.push_back(item.Name);
    Count = int(Items.size());
}

void TSeihinVersionList::Execute(int SortFlag)
{
    namespace reg = platform::registry;
    Clear();
    if (!FirstName.empty())
        Items.push_back({0, 0, 0, FirstName});
    if (LumeranDataFlag == 0) {
        for (const auto& b : kBuiltIns)
            add(b.version, b.name, false);
    }
    const std::string key = records::seihinRegistryKeys().makerKey;
    if (reg::keyExists(reg::RootKey::LocalMachine, key)) {
        const std::string product = upperAscii(ProductKey);
        for (const auto& sub : reg::subKeys(reg::RootKey::LocalMachine, key)) {
            if (upperAscii(sub).find(product) == std::string::npos)
                continue;
            const std::string path = key + "\\" + sub;
            const auto version = reg::readValue(reg::RootKey::LocalMachine, path, "Version");
            const auto type = reg::readValue(reg::RootKey::LocalMachine, path, "Type");
            add(version ? version->text : std::string(), type ? type->text : std::string(),
                true);
        }
    }
    rebuildNames();
    if (SortFlag == 1)
        Sort(1);
}

void TSeihinVersionList::Sort(int Order)
{
    const std::size_t first = FirstName.empty() ? 0 : 1;
    auto outOfOrder = [Order](const TDataVersionRec& a, const TDataVersionRec& b) {
        const auto ka = std::make_pair(a.Major, a.Minor);
        const auto kb = std::make_pair(b.Major, b.Minor);
        return Order == 1 ? ka < kb : kb < ka;
    };
    // Bubble sort: stable, as the list has always been ordered.
    for (std::size_t end = Items.size(); end > first + 1; --end) {
        bool swapped = false;
        for (std::size_t i = first; i + 1 < end; ++i) {
            if (outOfOrder(Items[i], Items[i + 1])) {
                std::swap(Items[i], Items[i + 1]);
                swapped = true;
            }
        }
        if (!swapped)
            break;
    }
    rebuildNames();
}

std::string TSeihinVersionList::GetText() const
{
    std::string text;
    for (const auto& n : Names)
        text += n + "\r\n";
    return text;
}

std::string TSeihinVersionList::GetVersionText(int Index) const
{
    if (Index < 0 || Index >= Count)
        return {};
    const auto& rec = Items[std::size_t(Index)];
    if (rec.Major == 0 && rec.Minor == 0)
        return {};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%d", rec.Major, rec.Minor);
    return buf;
}

std::string TSeihinVersionList::GetVersionName(int Index) const
{
    if (Index < 0 || Index >= Count)
        return {};
    return Items[std::size_t(Index)].Name;
}

int TSeihinVersionList::IndexOfVersionName(const std::string& Name) const
{
    for (int i = 0; i < Count; ++i) {
        if (Items[std::size_t(i)].Name == Name)
            return i;
    }
    return -1;
}
