#pragma once

#include <functional>
#include <string>
#include <vector>

namespace dbupdate {

// The two databases that carry a version: the system database and a company database.
enum DbUpdateMode : int { SystemDatabase = 0, CompanyDatabase = 1 };

// A three-part database version, ordered by Major, then Minor1, then Minor2.
struct DbVersion {
    int Major = 0;
    int Minor1 = 0;
    int Minor2 = 0;
    friend auto operator<=>(const DbVersion&, const DbVersion&) = default;
};

// "%d.%d.%d".
std::string versionText(const DbVersion& version);

// A step routine: builds the step's script, runs it and returns a step result code
// (dbupdate/IsqlScriptRunner.h).
using TUpdateFunc = std::function<int()>;

// One registered upgrade step.
struct TDbUpdateListRec {
    int Major = 0;
    int Minor1 = 0;
    int Minor2 = 0;
    TUpdateFunc UpdateFunc; // empty for a step whose routine this program does not have
    int NeedBackup = 0;     // 1: back the database up before a run that includes this step
    std::string Title;
    std::string Description = {}; // may hold "\r" line breaks

    DbVersion version() const { return {Major, Minor1, Minor2}; }
};
using TArrayDbUpdateListRec = std::vector<TDbUpdateListRec>;

// The registered steps in ascending version order. Some titles carry the accounting product's
// title (appTitle) or change with the OEM flag (lumeran).
TArrayDbUpdateListRec systemUpdateSteps(const std::string& appTitle, bool lumeran);
TArrayDbUpdateListRec companyUpdateSteps(const std::string& appTitle, bool lumeran);

} // namespace dbupdate
