#pragma once

#include "dbupdate/DbUpdateSteps.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace firebird {
class Attachment;
} // namespace firebird

namespace dbupdate {

// The version check of the upgrade dialog TDbUpdateBox, kept apart from the dialog: it holds
// both step tables and, after each InitUpdateList, the check's state. One object serves any
// number of checks; every call starts afresh.
class DbUpdateCheck {
public:
    // Fills both step tables, their titles with AppInfo's product title and the OEM flag.
    DbUpdateCheck();
    // The same with a given product title and OEM flag.
    DbUpdateCheck(const std::string& appTitle, bool lumeran);

    // Where SetDbVersion reads: by default the data module's IBDatabaseDEF and IBDatabaseDAT;
    // other connections may be given here (null: the data module's again).
    void setDatabases(firebird::Attachment* systemDb, firebird::Attachment* companyDb);

    // Runs the check for mode 0 (system) or 1 (company). An empty text reads the version from
    // the database of the mode; any other text is parsed.
    void InitUpdateList(std::uint8_t mode, std::string_view versionText);
    // Reads the current version from the database of the mode; 0.0.0 when its table has no row
    // or the read fails (reported through HandleDbError, or ShowErrorDialog for other errors).
    void SetDbVersion();
    // Parses "major.minor1.minor2"; anything but three parts gives 0.0.0, a part that is not a
    // number gives 0.
    void SetDbVersionText(std::string_view text);

    // Replaces the table of a mode (tests and drivers run steps of their own).
    void setSteps(std::uint8_t mode, TArrayDbUpdateListRec steps)
    {
        (mode == 0 ? m_systemSteps : m_companySteps) = std::move(steps);
    }

    const TArrayDbUpdateListRec& systemSteps() const { return m_systemSteps; }
    const TArrayDbUpdateListRec& companySteps() const { return m_companySteps; }
    // The table of the current mode.
    const TArrayDbUpdateListRec& activeSteps() const;

    // State left by InitUpdateList.
    std::uint8_t Mode = 0;
    DbVersion CurrentVersion;
    DbVersion NewestVersion;
    bool UpdatePending = false;
    int Compat = 0;        // 0 newer than this program, 1 usable, 2 same major.minor1, newer minor2
    int FirstPending = -1; // index into activeSteps()
    int LastPending = -1;
    int BackupCount = 0;   // sum of NeedBackup over the pending steps
    bool Done = false;

private:
    TArrayDbUpdateListRec m_systemSteps;
    TArrayDbUpdateListRec m_companySteps;
    firebird::Attachment* m_systemDb = nullptr;
    firebird::Attachment* m_companyDb = nullptr;
};

} // namespace dbupdate
