#pragma once

// The accounting product's generations by data version, with their display names.

#include <string>
#include <vector>

// `TDataVersionRec`: one product generation.
struct TDataVersionRec {
    int Major = 0;
    int Minor = 0;
    int Third = 0; // always 0
    std::string Name;
};

namespace records {

// Where the installed generations are registered: the maker's key below HKEY_LOCAL_MACHINE
// and the product key that each generation's subkey name contains. Start-up sets them from
// "AppInfo.ini"; these are the installed values.
struct SeihinRegistryKeys {
    std::string makerKey = "\\SOFTWARE\\QUELTO";
    std::string productKey = "MORABYZAIMU";
};
SeihinRegistryKeys& seihinRegistryKeys();

} // namespace records

// `TSeihinVersionList`: the built-in generations and those installed on the machine.
class TSeihinVersionList {
public:
    TSeihinVersionList();

    void Clear();
    // Builds the list; SortFlag 1 puts the newest generation first.
    void Execute(int SortFlag);
    // Order 0 ascending, 1 descending by (Major, Minor); a FirstName entry stays first.
    void Sort(int Order);
    // The display names, each ending with CR LF.
    std::string GetText() const;
    // "%d.%d"; empty for version 0.0 and outside 0 .. Count - 1.
    std::string GetVersionText(int Index) const;
    // Empty outside 0 .. Count - 1.
    std::string GetVersionName(int Index) const;
    // The first entry with exactly this name; -1 when none.
    int IndexOfVersionName(const std::string& Name) const;

    std::string ProductKey;
    std::string FirstName; // when set, a first entry 0.0 with this name
    std::vector<TDataVersionRec> Items;
    std::vector<std::string> Names;
    int Count = 0;

private:
    void add(const std::string& versionText, const std::string& name, bool skipListed);
    void rebuildNames();
};
