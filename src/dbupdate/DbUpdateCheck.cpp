#include "dbupdate/DbUpdateCheck.h"

#include "firebird/Attachment.h"
#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "records/AppInfoRecord.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/TextSplitter.h"
#include "records/ProgramRecords.h"

#include <cctype>
#include <exception>

namespace dbupdate {

namespace {

constexpr const char* kReadFailed = "データベースバージョンの取得に失敗しました。";
constexpr const char* kContext = "TDbUpdateBox.SetDbVersion";

// Decimal with an optional sign and surrounding blanks; anything else is 0.
int parsePart(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    std::size_t end = text.size();
    while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= end)
        return 0;
    long long value = 0;
    for (; i < end; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return 0;
        value = value * 10 + (text[i] - '0');
        if (value > 2147483647LL)
            return 0;
    }
    return static_cast<int>(negative ? -value : value);
}

} // namespace

DbUpdateCheck::DbUpdateCheck()
    : DbUpdateCheck(AppInfo.Zaimu.AppTitle, records::isLumeranData())
{
}

DbUpdateCheck::DbUpdateCheck(const std::string& appTitle, bool lumeran)
    : m_systemSteps(systemUpdateSteps(appTitle, lumeran))
    , m_companySteps(companyUpdateSteps(appTitle, lumeran))
{
}

void DbUpdateCheck::setDatabases(firebird::Attachment* systemDb, firebird::Attachment* companyDb)
{
    m_systemDb = systemDb;
    m_companyDb = companyDb;
}

const TArrayDbUpdateListRec& DbUpdateCheck::activeSteps() const
{
    return Mode == SystemDatabase ? m_systemSteps : m_companySteps;
}

void DbUpdateCheck::InitUpdateList(std::uint8_t mode, std::string_view versionText)
{
    Mode = mode;
    UpdatePending = false;
    Done = false;
    Compat = 0;
    FirstPending = -1;
    LastPending = -1;
    NewestVersion = {};
    BackupCount = 0;

    const TArrayDbUpdateListRec& steps = activeSteps();
    if (!steps.empty())
        NewestVersion = steps.back().version();

    if (!versionText.empty())
        SetDbVersionText(versionText);
    else
        SetDbVersion();

    if (Mode == SystemDatabase) {
        Compat = 1;
    } else {
        Compat = 0;
        if (NewestVersion.Major > CurrentVersion.Major) {
            Compat = 1;
        } else if (NewestVersion.Major == CurrentVersion.Major
                   && CurrentVersion.Minor1 <= NewestVersion.Minor1) {
            Compat = 1;
            if (CurrentVersion.Minor1 == NewestVersion.Minor1
                && CurrentVersion.Minor2 > NewestVersion.Minor2)
                Compat = 2;
        }
    }

    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (steps[i].version() > CurrentVersion) {
            UpdatePending = true;
            FirstPending = static_cast<int>(i);
            break;
        }
    }
    if (UpdatePending) {
        LastPending = static_cast<int>(steps.size()) - 1;
        for (int i = FirstPending; i <= LastPending; ++i)
            BackupCount += steps[static_cast<std::size_t>(i)].NeedBackup;
    }
}

void DbUpdateCheck::SetDbVersionText(std::string_view text)
{
    CurrentVersion = {};
    TMojiBunkatu splitter;
    splitter.Delimiter = '.';
    splitter.Bunkatu(text);
    if (splitter.Count != 3)
        return;
    CurrentVersion.Major = parsePart(splitter.GetItem(0));
    CurrentVersion.Minor1 = parsePart(splitter.GetItem(1));
    CurrentVersion.Minor2 = parsePart(splitter.GetItem(2));
}

void DbUpdateCheck::SetDbVersion()
{
    CurrentVersion = {};
    firebird::Attachment* db = Mode == SystemDatabase ? m_systemDb : m_companyDb;
    if (db == nullptr && DM != nullptr)
        db = Mode == SystemDatabase ? &DM->IBDatabaseDEF : &DM->IBDatabaseDAT;
    if (db == nullptr || !db->connected()) {
        ShowErrorDialog(kReadFailed, {}, 1);
        return;
    }
    firebird::Transaction transaction(*db, firebird::Isolation::ReadCommitted);
    try {
        transaction.start();
        firebird::Statement query(transaction,
                                  std::string("SELECT MAJOR,MINOR1 AS MINOR,MINOR2 AS REV FROM ")
                                      + (Mode == SystemDatabase ? "VERSION" : "ACCVERSION")
                                      + "\nORDER BY MAJOR DESC,MINOR1 DESC,MINOR2 DESC");
        firebird::Cursor rows = query.open();
        if (rows.fetch()) {
            CurrentVersion.Major = rows.getInt("MAJOR");
            CurrentVersion.Minor1 = rows.getInt("MINOR");
            CurrentVersion.Minor2 = rows.getInt("REV");
        }
        rows.close();
        transaction.commit();
    } catch (const firebird::DatabaseError& e) {
        try {
            if (transaction.inTransaction())
                transaction.commit();
        } catch (const std::exception&) {
        }
        HandleDbError(e, kContext, kReadFailed, true);
    } catch (const std::exception&) {
        try {
            if (transaction.inTransaction())
                transaction.commit();
        } catch (const std::exception&) {
        }
        ShowErrorDialog(kReadFailed, {}, 1);
    }
}

} // namespace dbupdate
