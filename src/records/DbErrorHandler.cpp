#include "records/DbErrorHandler.h"

#include "firebird/DatabaseError.h"
#include "platform/Files.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/DataModule.h"
#include "records/DbErrorText.h"
#include "records/TextRoutines.h"
#include "records/ProgramRecords.h"

#include <QCoreApplication>

#include <ctime>
#include <vector>

namespace {

constexpr long kBugCheck = firebird::kBugCheck;

const char* const kTerminationNote =
    "\r\r[OK]ボタンを押すとアプリケーションの終了処理に入ります。（[OK]後、何回かメッセージが表示される"
    "場合があります）\rアプリケーションが終了しましたら再起動して下さい。\r";
const char* const kStandaloneNote = "\r※注意 共有サーバーのデータ利用時は自動保管されません。\r";
const char* const kNetworkLost =
    "何らかの原因でネットワークが物理的に切断されている か Firebirdサービス(RDBMS)との通信が切断され"
    "ました。";

unsigned long g_connectionLosses = 0;

std::function<void()>& programEndRequest()
{
    static std::function<void()> request;
    return request;
}

void requestProgramEnd()
{
    if (programEndRequest()) {
        programEndRequest()();
    } else if (QCoreApplication::instance()) {
        QCoreApplication::exit(0);
    }
}

int dialogFlags(int DlgType)
{
    switch (DlgType) {
    case 0:
        return platform::MB_OK | platform::MB_ICONWARNING;
    case 1:
        return platform::MB_OK | platform::MB_ICONERROR;
    case 2:
        return platform::MB_OK | platform::MB_ICONINFORMATION;
    case 3:
        return platform::MB_OK | platform::MB_ICONQUESTION;
    default:
        return platform::MB_OK;
    }
}

void showDialog(const std::string& text, int DlgType)
{
    platform::messageBox(text, records::dialogCaption(DlgType), dialogFlags(DlgType));
}

std::string now()
{
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&t, &tm);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y/%m/%d %H:%M:%S", &tm);
    return buffer;
}

std::string companyDatabaseName()
{
    return DM ? DM->IBDatabaseDAT.databaseName() : std::string();
}

// Writes both logs; a failing write is skipped so that the caller's handling goes on.
void writeAccessLogs(const std::vector<std::string>& lines)
{
    const std::string base = platform::paths::join(SystemDef.LogFolder, "ErrFbAccess");
    try {
        AppendLinesToFile(base + ".log", lines);
    } catch (const std::exception&) {
    }
    try {
        std::string bytes;
        for (const std::string& line : lines)
            bytes += platform::text::toCp932(line) + "\r\n";
        platform::files::writeAllAtomic(base + ".txt", bytes);
    } catch (const std::exception&) {
    }
}

std::string withStandaloneNote(std::string text)
{
    if (ConnectMode == 0)
        text += kStandaloneNote;
    return text;
}

void fatalNetworkLoss()
{
    // Once: a company database that cannot be reopened either adds nothing to the news.
    if (DbFatalFlag)
        return;
    DbFatalFlag = 1;
    showDialog(withStandaloneNote(std::string(kNetworkLost) + kTerminationNote), 1);
    requestProgramEnd();
}

// Closes a connection even when its server is gone; up to five tries, as long as it still
// counts as connected.
void forceClose(firebird::Attachment& db)
{
    for (int attempt = 0; attempt < 5 && db.connected(); ++attempt)
        db.forceClose();
}

} // namespace

void HandleDbError(const firebird::DatabaseError& E, const std::string& Context,
                   const std::string& Message, bool Reconnect)
{
    if (DbFatalFlag)
        return;
    const long status = E.statusCode();
    // An attachment ended by the server or a database shut down under us is as lost as a
    // broken link: the same silent recovery, never a box per failed step.
    const bool lost = firebird::isConnectionLoss(status);
    if (lost)
        ++g_connectionLosses;
    const std::string explanation = DbErrorText(static_cast<std::int32_t>(status), E.sqlCode());

    const std::vector<std::string> lines = {
        now() + "," + SystemDef.PcName + "," + std::to_string(SystemDef.LoginId) + ",Serial=" +
            SystemDef.SerialText + ",AppVer=" + SystemDef.AppVersionText + ",DBName=" +
            SystemDef.HostName + ":" + companyDatabaseName() + ",DataVer=" + DataVersion,
        "Error=" + Context + " [" + std::to_string(status) + "] (" + std::to_string(E.sqlCode()) +
            ") " + explanation + "," + E.message(),
    };
    writeAccessLogs(lines);

    std::string message = Message;
    if (status == kBugCheck) {
        DbFatalFlag = 1;
        message = explanation + kTerminationNote;
    }
    if (!message.empty()) {
        if (DbFatalFlag) {
            showDialog(withStandaloneNote(message), 1);
        } else if (!lost) {
            ShowErrorDialog(message,
                            "IBXエラーコード:" + std::to_string(status) + "\r" + E.message() + "\r" +
                                explanation,
                            1);
        }
    }
    if (DbFatalFlag) {
        requestProgramEnd();
        return;
    }
    if (!Reconnect || !lost || !DM)
        return;

    TDM& dm = *DM;
    bool failed = false;
    forceClose(dm.IBDatabaseDEF);
    if (dm.IBDatabaseDEF.connected() || !dm.fnAccDefConnected(SystemDef.HostName, 1) ||
        !dm.IBDatabaseDEF.connected())
        failed = true;
    if (failed)
        fatalNetworkLoss();

    forceClose(dm.IBDatabaseDAT);
    if (!dm.IBDatabaseDAT.params().database.empty()) {
        // Reopen the data set that was open, which need not be DataDir (workers open others).
        const std::string folder = dm.companyFolder().empty() ? SystemDef.DataDir
                                                              : dm.companyFolder();
        if (dm.IBDatabaseDAT.connected() || !dm.fnAccDatConnected(SystemDef.HostName, folder, 0) ||
            !dm.IBDatabaseDAT.connected())
            failed = true;
    }
    if (failed)
        fatalNetworkLoss();
}

void ShowErrorDialog(const std::string& Message, const std::string& Detail, int DlgType)
{
    if (Message.empty() && Detail.empty())
        return;
    std::string text = Message;
    if (!Detail.empty())
        text += "\r\r[詳細情報]\r" + Detail;
    showDialog(text, DlgType);
}

void ShowDbErrorLog(const firebird::DatabaseError& E, const std::string& Title, bool OmitMessage)
{
    const std::string explanation =
        DbErrorText(static_cast<std::int32_t>(E.statusCode()), E.sqlCode());
    std::string text = Title + "\r\n" + "ErrCode<" + std::to_string(E.statusCode()) +
                       ">  SQLCODE<" + std::to_string(E.sqlCode()) + ">\r\n";
    if (!OmitMessage)
        text += E.message() + "\r" + "\r\n";
    text += explanation + "\r\n";
    showDialog(text, 1);

    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    lines.push_back("PG_VERSION[" + SystemDef.AppVersionText + "]");
    lines.push_back("DB_VERSION[" + DataVersion + "]");
    lines.push_back("Serial[" + SystemDef.SerialText + "]");
    lines.push_back("Server[" + SystemDef.HostName + "]");
    lines.push_back("DatabaseName[" + companyDatabaseName() + "]");
    lines.push_back(now());
    lines.push_back(SystemDef.PcName);
    lines.push_back(std::to_string(SystemDef.LoginId));

    std::string bytes;
    for (const std::string& l : lines)
        bytes += platform::text::toCp932(l) + "\r\n";
    // The program's parent folder is seldom writable on Linux: fall back to the log folder.
    for (const std::string& folder : {SystemDef.RootFolder, SystemDef.LogFolder}) {
        if (folder.empty())
            continue;
        try {
            platform::files::writeAllAtomic(platform::paths::join(folder, "FB_ERROR.TXT"), bytes);
            AppendLinesToFile(platform::paths::join(folder, "FB_ERROR.LOG"), lines);
            return;
        } catch (const std::exception&) {
        }
    }
}

void ShowCommaMessage(const std::string& Text, int DlgType)
{
    std::vector<std::string> parts;
    const int last = StrBunkatu(Text, ",", parts);
    std::string text;
    for (int i = 0; i <= last && i < static_cast<int>(parts.size()); ++i)
        text += parts[std::size_t(i)] + "\r";
    if (text.empty())
        text = "\r";
    showDialog(text, DlgType);
}

namespace records {

void setProgramEndRequest(std::function<void()> request)
{
    programEndRequest() = std::move(request);
}

unsigned long connectionLossCount()
{
    return g_connectionLosses;
}

bool noteConnectionLoss(const std::exception& error)
{
    if (!firebird::isConnectionLoss(error))
        return false;
    ++g_connectionLosses;
    return true;
}

std::string dialogCaption(int DlgType)
{
    switch (DlgType) {
    case 0:
        return "警告";
    case 1:
        return "エラー";
    case 2:
        return "情報";
    case 3:
        return "確認";
    default:
        return "";
    }
}

} // namespace records
