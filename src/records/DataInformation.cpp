#include "records/DataInformation.h"

#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/DbHelpers.h"
#include "records/FileUtils.h"
#include "records/TextSplitter.h"
#include "records/BranchList.h"
#include "records/TextRoutines.h"
#include "records/ProgramRecords.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <optional>
#include <cstdio>
#include <stdexcept>
#include <thread>

namespace files = platform::files;
namespace paths = platform::paths;

namespace {

const char* const kStsSection = "DATASTS";
const char* const kInfoSection = "DATAINFO";
const char* const kNoRight =
    "このデータを扱う権限がありません。\r\r権限を付与するには、管理者でログインし「オペレータ登録」より"
    "[選択中のデータを処理します]にチェックを入れて下さい。";
const char* const kShareAreaGone = "共有サーバー上のデータ領域が削除された可能性があります。\r"
                                   "現在の領域設定情報でデータ領域を作成します。";
const char* const kShareBroken =
    "共有サーバー上のデータが破損しているため、共有データの取得を中止します。\r"
    "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。";
const char* const kShareMissing = "共有サーバーが起動していない、接続が切断されている "
                                  "\rまたは 共有サーバー上のデータ領域が削除された可能性があります。"
                                  "\r処理を中止します。";
const char* const kBasicInfoFailed = "基本情報の取得に失敗しました。\r(iniファイル)";
const char* const kLockInfoFailed = "ロック情報の取得に失敗しました。";
const char* const kRightFailed = "データ使用権限の問い合わせに失敗しました。";
const char* const kUpdateFailed = "データ情報の更新に失敗しました。";
const char* const kStagePrefix = "~copy~";
const char* const kAsidePrefix = "~old~";
constexpr long kDynamicSqlError = 335544569;

using platform::text::upperAscii;

// An open-and-close with marking and nothing done in between: the free mark records what the
// in-use mark read on the same attachment instead of counting the journals (a full scan of
// SIWAKE) once more.
struct MarkReading {
    bool armed = false;
    bool held = false;
    std::string folder;
    TDataInfomationRec rec;
};
MarkReading g_markReading;

// Arms the reuse for one open-and-close; whatever was held goes with it. A step hooked onto
// the in-use mark may write, and then the free mark counts again.
class ReuseMarkReading {
public:
    ReuseMarkReading()
    {
        g_markReading = MarkReading{};
        g_markReading.armed = DM && !DM->hooks.markInUse;
    }
    ~ReuseMarkReading() { g_markReading = MarkReading{}; }
    ReuseMarkReading(const ReuseMarkReading&) = delete;
    ReuseMarkReading& operator=(const ReuseMarkReading&) = delete;
};

std::string dataPath(const std::string& folder)
{
    return paths::join(folder, DataFile);
}

std::string iniPath(const std::string& folder)
{
    return paths::join(folder, paths::changeFileExt(DataFile, ".ini"));
}

std::string dateText(const firebird::Cursor& c, const char* name)
{
    return c.isNull(name) ? std::string() : DateToText(4, c.getDateTime(name));
}

int intOr0(const firebird::Cursor& c, const char* name)
{
    return c.isNull(name) ? 0 : c.getInt(name);
}

std::string textOf(const firebird::Cursor& c, const char* name)
{
    return c.isNull(name) ? std::string() : c.getString(name);
}

// Whether the session that set a mark is known to have ended: the system database is open and
// its sign-in list has no row of that login. Unknown (no database, a failed query) is "not gone".
bool markHolderGone(int opCode)
{
    if (!DM || opCode == 0 || !DM->IBDatabaseDEF.connected())
        return false;
    firebird::Transaction& tr = DM->IBTransactionDEF;
    const bool started = !tr.inTransaction();
    bool gone = false;
    try {
        if (started)
            tr.start();
        firebird::Statement st(tr, "SELECT COUNT(*) FROM LOGONUSERLIST WHERE OPCODE=:OPCODE");
        st.setInt("OPCODE", opCode);
        auto c = st.open();
        gone = c.fetch() && c.getInt64(0) == 0;
        if (started)
            tr.commit();
    } catch (const std::exception&) {
        gone = false;
        if (started && tr.inTransaction()) {
            try {
                tr.rollback();
            } catch (const std::exception&) {
            }
        }
    }
    return gone;
}

void readSections(const std::string& path, TDataInfomationRec& rec)
{
    const platform::IniFile ini(path);
    rec.Status = std::uint8_t(ini.readInteger(kStsSection, "STATUS", 1));
    rec.OpCode = ini.readInteger(kStsSection, "OPCODE", 0);
    rec.OpName = ini.readString(kStsSection, "OPERATOR", "");
    rec.ShareStatus = std::uint8_t(ini.readInteger(kStsSection, "SHARE_STATUS", 1));
    rec.ShareOpCode = ini.readInteger(kStsSection, "SHARE_OPCODE", 0);
    rec.ShareOpName = ini.readString(kStsSection, "SHARE_OPERATOR", "");
    rec.UpdateLock = ini.readInteger(kStsSection, "UPDATE_LOCK", 0);
    rec.DataListName = ini.readString(kInfoSection, "DATALISTNAME", "");
    rec.Code = ini.readString(kInfoSection, "CODE", "");
    rec.DataKbn = ini.readInteger(kInfoSection, "DATAKBN", 0);
    rec.CodeKbn = ini.readInteger(kInfoSection, "CODEKBN", 0);
    rec.Shougou = ini.readString(kInfoSection, "SHOUGOU", "");
    rec.Kana = ini.readString(kInfoSection, "KANA", "");
    rec.Nendo = ini.readInteger(kInfoSection, "NENDO", 0);
    rec.Kishu = ini.readString(kInfoSection, "KISHU", "");
    rec.Kimatu = ini.readString(kInfoSection, "KIMATU", "");
    rec.Tanto = ini.readInteger(kInfoSection, "TANTO", 0);
    rec.Siten = ini.readInteger(kInfoSection, "SITEN", 0);
    rec.SitenCnt = ini.readInteger(kInfoSection, "SITENCNT", 0);
    rec.Bumon = ini.readInteger(kInfoSection, "BUMON", 0);
    rec.BumonCnt = ini.readInteger(kInfoSection, "BUMONCNT", 0);
    rec.Siwake = ini.readInteger(kInfoSection, "SIWAKE", 0);
    rec.TotalSiwake = ini.readInteger(kInfoSection, "TOTALSIWAKE", 0);
    const std::string version = ini.readString(kInfoSection, "VERSION1", "");
    if (!version.empty()) {
        TMojiBunkatu split;
        split.Delimiter = '.';
        split.Bunkatu(version);
        rec.VerMajor = platform::text::toIntOr0(split.GetItem(0));
        rec.VerMinor1 = platform::text::toIntOr0(split.GetItem(1));
        rec.VerMinor2 = platform::text::toIntOr0(split.GetItem(2));
    }
    rec.VerName = ini.readString(kInfoSection, "VERSION2", "");
    rec.GassanKbn = std::uint8_t(ini.readInteger(kInfoSection, "GASSANKBN", 0));
    rec.UseMyNumber = ini.readInteger(kInfoSection, "USEMYNUMBER", 0);
    if (rec.DataListName.empty())
        rec.DataListName = rec.Shougou;
}

// Copies the data set's files ("dwacc.*") of one folder into another, creating it. Every file
// is first copied under a staging name; only when all copies are complete are the target's old
// files moved aside and the new ones renamed in. A failure at any step puts the old files back,
// so the target never holds a mix of two data sets. The old files stay aside until commit(), so
// that a later step of the caller can still undo the whole copy with rollback().
class DataFilesSwap {
public:
    ~DataFilesSwap() { rollback(); }

    // False on failure (the target as it was).
    bool run(const std::string& from, const std::string& to)
    {
        m_to = to;
        const std::string prefix = upperAscii(paths::changeFileExt(DataFile, "")) + ".";
        try {
            for (const auto& e : files::list(from)) {
                if (!e.isDirectory && upperAscii(e.name).rfind(prefix, 0) == 0)
                    m_names.push_back(e.name);
            }
            std::sort(m_names.begin(), m_names.end());
            files::createDirectories(to);
            for (const auto& n : m_names) {
                const std::string stage = paths::join(to, kStagePrefix + n);
                m_staged.push_back(stage);
                files::copyFile(paths::join(from, n), stage, true);
            }
            for (std::size_t i = 0; i < m_names.size(); ++i) {
                if (files::fileExists(target(i))) {
                    files::rename(target(i), aside(i));
                    m_setAside.push_back(i);
                }
            }
            for (; m_placed < m_names.size(); ++m_placed)
                files::rename(m_staged[m_placed], target(m_placed));
        } catch (const std::exception& e) {
            m_error = e.what();
            rollback();
            return false;
        }
        return true;
    }

    // Why run() failed.
    const std::string& error() const { return m_error; }

    // The copy stays: the old files are dropped.
    void commit()
    {
        for (std::size_t i : m_setAside) {
            try {
                files::removeFile(aside(i));
            } catch (const std::exception&) {
                // The copy is complete; a leftover old file does no harm.
            }
        }
        clear();
    }

    // The target as it was before run().
    void rollback()
    {
        auto quietly = [](auto&& step) {
            try {
                step();
            } catch (const std::exception&) {
            }
        };
        for (std::size_t i = 0; i < m_placed; ++i)
            quietly([&] { files::removeFile(target(i)); });
        for (std::size_t i : m_setAside)
            quietly([&] { files::rename(aside(i), target(i)); });
        for (const auto& s : m_staged)
            quietly([&] {
                if (files::fileExists(s))
                    files::removeFile(s);
            });
        clear();
    }

private:
    std::string target(std::size_t i) const { return paths::join(m_to, m_names[i]); }
    std::string aside(std::size_t i) const { return paths::join(m_to, kAsidePrefix + m_names[i]); }
    void clear()
    {
        m_names.clear();
        m_staged.clear();
        m_setAside.clear();
        m_placed = 0;
    }

    std::string m_to;
    std::vector<std::string> m_names;
    std::vector<std::string> m_staged;
    std::vector<std::size_t> m_setAside; // indexes of names whose old file was moved aside
    std::size_t m_placed = 0;            // new files renamed into place so far
    std::string m_error;
};

bool copyDataFiles(const std::string& from, const std::string& to, std::string* why = nullptr)
{
    DataFilesSwap swap;
    if (!swap.run(from, to)) {
        if (why)
            *why = swap.error();
        return false;
    }
    swap.commit();
    return true;
}

// A file's bytes, or nothing when it does not exist; put back with restoreFile().
std::optional<std::string> snapshotFile(const std::string& path)
{
    if (!files::fileExists(path))
        return std::nullopt;
    return files::readAll(path);
}

void restoreFile(const std::string& path, const std::optional<std::string>& bytes)
{
    try {
        if (bytes)
            files::writeAllAtomic(path, *bytes);
        else if (files::fileExists(path))
            files::removeFile(path);
    } catch (const std::exception&) {
    }
}

// The share state of an information file as far as taking the data out is concerned. A state or
// owner that cannot be read counts as taken: storing over someone else's work, or taking data
// two logins then both change, is worse than a refused transfer.
bool sharedAreaTaken(const std::string& iniFile, bool byAnotherOnly)
{
    if (!files::fileExists(iniFile))
        return false;
    const platform::IniFile ini(iniFile);
    if (!ini.valueExists(kStsSection, "SHARE_STATUS"))
        return false;
    constexpr int unreadable = std::numeric_limits<int>::min();
    const int status = ini.readInteger(kStsSection, "SHARE_STATUS", unreadable);
    if (status == unreadable)
        return true;
    if (status != 2)
        return false;
    if (!byAnotherOnly)
        return true;
    const int owner = ini.readInteger(kStsSection, "SHARE_OPCODE", unreadable);
    return owner == unreadable || owner != SystemDef.LoginId;
}

void pause(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

namespace records {

std::string dataStatusText(int status)
{
    switch (status) {
    case 0:
    case 1:
        return "－";
    case 2:
        return "使用中";
    case 3:
        return "データロック中";
    case 4:
        return "保存中";
    case 5:
        return "復元中";
    case 6:
        return "コピー中";
    case 7:
        return "貼り付け中";
    case 8:
        return "削除中";
    case 9:
        return "新規作成中";
    case 10:
        return "破損";
    default:
        return {};
    }
}

void markDataSetInUse(const std::string& Folder)
{
    TDataInfomation info;
    TDataInfomationRec rec;
    const bool read = info.GetDataInfoRec(rec);
    if (g_markReading.armed && read) {
        g_markReading.held = true;
        g_markReading.folder = Folder;
        g_markReading.rec = rec;
    }
    rec.Status = dsInUse;
    rec.OpCode = SystemDef.LoginId;
    rec.OpName = SystemDef.OperatorName;
    if (ConnectMode == 0)
        info.WriteIniFile(Folder, "", rec);
}

void markDataSetFree(const std::string& Folder)
{
    // Nothing open, nothing to record: reading would open DataDir, another data set perhaps.
    if (!DM->IBDatabaseDAT.connected())
        return;
    TDataInfomation info;
    TDataInfomationRec rec;
    if (g_markReading.held && g_markReading.folder == Folder && DM->companyFolder() == Folder)
        rec = g_markReading.rec;
    else
        info.GetDataInfoRec(rec);
    g_markReading.held = false;
    rec.Status = dsFree;
    if (ConnectMode == 0)
        info.WriteIniFile(Folder, "", rec);
}

} // namespace records

TDataInfomation::TDataInfomation()
{
    VersionList.Execute(0);
    ClearDataInfoRec(DataInfo);
}

void TDataInfomation::ClearDataInfoRec(TDataInfomationRec& Rec)
{
    Rec = TDataInfomationRec{};
}

bool TDataInfomation::GetDataInfoRec(TDataInfomationRec& Rec)
{
    ClearDataInfoRec(Rec);
    bool connectedHere = false;
    bool started = false;
    firebird::Transaction& tr = DM->IBTransactionDAT;
    auto cleanUp = [&] {
        if (started && tr.inTransaction()) {
            try {
                tr.rollback();
            } catch (const std::exception&) {
            }
        }
        if (connectedHere)
            DM->fnAccDatDisconnected(DM->companyFolder(), 0, 0);
    };
    try {
        if (!DM->IBDatabaseDAT.connected()) {
            if (!DM->fnAccDatConnected("", "", 0))
                return false;
            connectedHere = true;
        }
        if (!tr.inTransaction()) {
            tr.start();
            started = true;
        }
        {
            firebird::Statement st(tr, "SELECT ENTTEXT,DATATYPE,CODETYPE,SCODE1,SKANA,SHOUGOU,"
                                       "TANTOU,NENDO,KISHU,KIMATU,SITEN,BUMON,DATALOCK FROM "
                                       "ACCDEF1\nWHERE REC=1");
            auto c = st.open();
            if (c.fetch()) {
                Rec.DataListName = textOf(c, "ENTTEXT");
                Rec.Code = textOf(c, "SCODE1");
                Rec.DataKbn = intOr0(c, "DATATYPE");
                Rec.CodeKbn = intOr0(c, "CODETYPE");
                Rec.Shougou = textOf(c, "SHOUGOU");
                Rec.Kana = textOf(c, "SKANA");
                Rec.Nendo = intOr0(c, "NENDO");
                Rec.Kishu = dateText(c, "KISHU");
                Rec.Kimatu = dateText(c, "KIMATU");
                Rec.Tanto = intOr0(c, "TANTOU");
                Rec.Siten = intOr0(c, "SITEN");
                Rec.Bumon = intOr0(c, "BUMON");
                Rec.UpdateLock = intOr0(c, "DATALOCK");
            }
        }
        records::Variant value;
        GetAccReg("基本設定", "合算データ区分", "整数", "0", value);
        Rec.GassanKbn = std::uint8_t(value.asInt());
        {
            firebird::Statement st(tr, "SELECT MAJOR,MINOR1,MINOR2 FROM ACCVERSION\nWHERE "
                                       "REC=1\nORDER BY MAJOR,MINOR1,MINOR2");
            auto c = st.open();
            if (c.fetch()) {
                Rec.VerMajor = intOr0(c, "MAJOR");
                Rec.VerMinor1 = intOr0(c, "MINOR1");
                Rec.VerMinor2 = intOr0(c, "MINOR2");
                GetVersionLabel(Rec.VerMajor, Rec.VerMinor1, Rec.VerName);
            }
        }
        auto count = [&](const char* sql) {
            firebird::Statement st(tr, sql);
            auto c = st.open();
            return c.fetch() ? intOr0(c, "RECCNT") : 0;
        };
        if (Rec.Siten > 0)
            Rec.SitenCnt =
                count("SELECT COUNT(SCODE) AS RECCNT FROM SISETUMST\nWHERE SCODE <> ''");
        if (Rec.Bumon > 0)
            Rec.BumonCnt = count("SELECT COUNT(BCODE) AS RECCNT FROM BUMONMST\nWHERE BCODE <> ''");
        Rec.Siwake = DM->GetYukouSiwakeCount("");
        Rec.TotalSiwake = DM->GetSiwakeTotal("");
        try {
            GetAccReg("基本設定", "合算データ区分", "整数", "0", value);
            Rec.GassanKbn = std::uint8_t(value.asInt());
        } catch (const std::exception&) {
            Rec.GassanKbn = 0;
        }
        GetAccReg("基本設定", "＃USE", "整数", "0", value);
        Rec.UseMyNumber = int(value.asInt());
        if (started && tr.inTransaction())
            tr.commit();
        return true;
    } catch (const firebird::DatabaseError& e) {
        if (e.statusCode() == kDynamicSqlError) {
            cleanUp();
            throw;
        }
        HandleDbError(e, "TDataInfomation.GetDataInfoRec", kBasicInfoFailed, true);
    } catch (const std::exception&) {
        ShowErrorDialog(kBasicInfoFailed, "", 1);
    }
    cleanUp();
    return false;
}

bool TDataInfomation::GetDataInfoRecOfPath(const std::string& Folder, TDataInfomationRec& Rec)
{
    ClearDataInfoRec(Rec);
    if (Folder.empty() || !DM->FExist(dataPath(Folder), FileAccessMode))
        return false;
    if (!DM->fnAccDatConnected(SystemDef.HostName, Folder, 0))
        return false;
    const bool ok = GetDataInfoRec(Rec);
    DM->fnAccDatDisconnected(Folder, 0, 0);
    return ok;
}

bool TDataInfomation::ReadIniFileCurHost(const std::string& Folder, TDataInfomationRec& Rec)
{
    return ReadIniFile(SystemDef.HostName, Folder, Rec);
}

bool TDataInfomation::ReadIniFile(const std::string& Host, const std::string& Folder,
                                  TDataInfomationRec& Rec)
{
    ClearDataInfoRec(Rec);
    if (Folder.empty())
        return true;
    if (FileAccessMode != 0)
        return readFromCatalogue(Host, Folder, Rec);
    const std::string ini = iniPath(Folder);
    const bool dataExists = DM->FExist(dataPath(Folder), 0);
    if (dataExists && !files::fileExists(ini) && GetUniversalPath(Folder) == Folder) {
        const ReuseMarkReading reuse;
        if (!DM->fnAccDatConnected(Host, Folder, 1)) {
            Rec.Status = records::dsNotOpened;
            return true;
        }
        DM->fnAccDatDisconnected(Folder, 1, 0);
    }
    if (!dataExists && !files::fileExists(ini))
        return false;
    readSections(ini, Rec);
    // A copy or paste mark outlives a session that crashed, and would block the area for everyone.
    if ((Rec.Status == records::dsCopying || Rec.Status == records::dsPasting) && markHolderGone(Rec.OpCode)) {
        Rec.Status = records::dsFree;
        Rec.OpCode = 0;
        Rec.OpName.clear();
    }
    return true;
}

bool TDataInfomation::readFromCatalogue(const std::string& Host, const std::string& Folder,
                                        TDataInfomationRec& Rec)
{
    const std::string upperFolder = upperAscii(Folder);
    const std::string table =
        upperFolder.find("\\DATA\\") == std::string::npos ? "DATALIST_EX" : "DATALIST";
    bool defConnectedHere = false;
    bool started = false;
    bool locked = false;
    firebird::Transaction& tr = DM->IBTransactionDEF;
    try {
        if (!DM->IBDatabaseDEF.connected()) {
            defConnectedHere = DM->fnAccDefConnected(Host, 0);
        }
        if (!tr.inTransaction()) {
            tr.start();
            started = true;
        }
        firebird::Statement st(
            tr, "SELECT D.DATALOCK,O.OPCODE,O.OPNAME,\n"
                "D.ENTTEXT,D.DATACODE,D.DATATYPE,D.CODETYPE,D.SHOUGOU,D.NENDO,D.KISHU,D.KIMATU,"
                "D.TANTOU,D.UPDATE_LOCK,D.VER_TEXT\n"
                "FROM " + table + " D\n"
                "LEFT JOIN OPERATOR O ON(D.GROUPID=O.GROUPID AND D.DATALOCK=O.OPCODE)\n"
                "WHERE (D.DATALOCK<>0)AND(UPPER(D.PASNAME)=:PASNAME)AND(D.GROUPID=:GROUPID)");
        st.setString("PASNAME", upperFolder);
        st.setInt("GROUPID", SystemDef.GroupId);
        {
            auto c = st.open();
            while (c.fetch()) {
                locked = true;
                Rec.Status = records::dsLocked;
                Rec.OpCode = intOr0(c, "OPCODE") + SystemDef.GroupId * 10000;
                Rec.OpName = textOf(c, "OPNAME");
                Rec.DataListName = textOf(c, "ENTTEXT");
                Rec.Code = textOf(c, "DATACODE");
                Rec.DataKbn = intOr0(c, "DATATYPE");
                Rec.CodeKbn = intOr0(c, "CODETYPE");
                Rec.Shougou = textOf(c, "SHOUGOU");
                Rec.Nendo = intOr0(c, "NENDO");
                Rec.Kishu = dateText(c, "KISHU");
                Rec.Kimatu = dateText(c, "KIMATU");
                Rec.Tanto = intOr0(c, "TANTOU");
                Rec.UpdateLock = intOr0(c, "UPDATE_LOCK");
                Rec.VerName = textOf(c, "VER_TEXT");
            }
        }
        if (started)
            tr.commit();
    } catch (const firebird::DatabaseError& e) {
        locked = false;
        HandleDbError(e, "TDataInfomation.ReadIniFile", kLockInfoFailed, true);
        if (started && tr.inTransaction()) {
            try {
                tr.rollback();
            } catch (const std::exception&) {
            }
        }
    }
    if (!locked) {
        ClearDataInfoRec(Rec);
        const std::uint8_t status =
            DM->AccDatInConnection(1, Host, Folder, 1) ? records::dsInUse : records::dsFree;
        if (DM->fnAccDatConnected(Host, Folder, 0)) {
            GetDataInfoRec(Rec);
            Rec.Status = status;
            DM->fnAccDatDisconnected(Folder, 0, 0);
        } else {
            Rec.Status = records::dsNotOpened;
        }
    }
    if (defConnectedHere && DM->IBDatabaseDEF.connected())
        DM->IBDatabaseDEF.disconnect();
    return !locked;
}

void TDataInfomation::SetDataStatus(const std::string& Folder, int Status)
{
    if (Folder.empty() || FileAccessMode != 0)
        return;
    platform::IniFile ini(iniPath(Folder), platform::IniFile::WriteMode::Deferred);
    ini.writeInteger(kStsSection, "STATUS", Status);
    if (Status == records::dsFree) {
        ini.deleteKey(kStsSection, "OPCODE");
        ini.deleteKey(kStsSection, "OPERATOR");
    } else {
        ini.writeInteger(kStsSection, "OPCODE", SystemDef.LoginId);
        ini.writeString(kStsSection, "OPERATOR", SystemDef.OperatorName);
    }
    ini.updateFile();
}

void TDataInfomation::SetShareStatus(const std::string& Folder, int Status)
{
    if (Folder.empty() || FileAccessMode != 0)
        return;
    platform::IniFile ini(iniPath(Folder), platform::IniFile::WriteMode::Deferred);
    ini.writeInteger(kStsSection, "SHARE_STATUS", Status);
    if (Status == 1) {
        ini.deleteKey(kStsSection, "SHARE_OPCODE");
        ini.deleteKey(kStsSection, "SHARE_OPERATOR");
    } else {
        ini.writeInteger(kStsSection, "SHARE_OPCODE", SystemDef.LoginId);
        ini.writeString(kStsSection, "SHARE_OPERATOR", SystemDef.OperatorName);
    }
    ini.updateFile();
}

bool TDataInfomation::ChangeShareStatus(const std::string& Folder, int Status)
{
    if (Folder.empty())
        return false;
    ReadIniFileCurHost(Folder, DataInfo);
    if ((Status == 1 || Status == 2) && DataInfo.ShareStatus != Status) {
        SetShareStatus(Folder, Status);
        return true;
    }
    return false;
}

void TDataInfomation::WriteIniValue(const std::string& Folder, const std::string& Section,
                                    bool Delete, const std::string& Value, const std::string& Key)
{
    if (Folder.empty() || FileAccessMode != 0)
        return;
    ::WriteIniValue(iniPath(Folder), Section, Key, Delete, Value);
    pause(10); // other readers of the file get their turn
}

void TDataInfomation::WriteIniFile(const std::string& Folder, const std::string& Section,
                                   const TDataInfomationRec& Rec)
{
    if (Folder.empty() || FileAccessMode != 0)
        return;
    DataInfo = Rec;
    const TDataInfomationRec& r = DataInfo;
    platform::IniFile ini(iniPath(Folder), platform::IniFile::WriteMode::Deferred);
    const std::string section = upperAscii(Section);
    if (section.empty() || section == kStsSection) {
        ini.eraseSection(kStsSection);
        ini.writeInteger(kStsSection, "STATUS", r.Status);
        if (r.OpCode != 0) {
            ini.writeInteger(kStsSection, "OPCODE", r.OpCode);
            ini.writeString(kStsSection, "OPERATOR", r.OpName);
        }
        ini.writeInteger(kStsSection, "SHARE_STATUS", r.ShareStatus);
        if (r.ShareOpCode != 0) {
            ini.writeInteger(kStsSection, "SHARE_OPCODE", r.ShareOpCode);
            ini.writeString(kStsSection, "SHARE_OPERATOR", r.ShareOpName);
        }
        ini.writeInteger(kStsSection, "UPDATE_LOCK", r.UpdateLock);
    }
    if (section.empty() || section == kInfoSection) {
        ini.eraseSection(kInfoSection);
        ini.writeString(kInfoSection, "DATALISTNAME", r.DataListName);
        ini.writeString(kInfoSection, "CODE", r.Code);
        ini.writeInteger(kInfoSection, "DATAKBN", r.DataKbn);
        ini.writeInteger(kInfoSection, "CODEKBN", r.CodeKbn);
        ini.writeString(kInfoSection, "SHOUGOU", r.Shougou);
        ini.writeString(kInfoSection, "KANA", r.Kana);
        ini.writeInteger(kInfoSection, "NENDO", r.Nendo);
        ini.writeString(kInfoSection, "KISHU", r.Kishu);
        ini.writeString(kInfoSection, "KIMATU", r.Kimatu);
        ini.writeInteger(kInfoSection, "TANTO", r.Tanto);
        ini.writeInteger(kInfoSection, "SITEN", r.Siten);
        ini.writeInteger(kInfoSection, "SITENCNT", r.SitenCnt);
        ini.writeInteger(kInfoSection, "BUMON", r.Bumon);
        ini.writeInteger(kInfoSection, "BUMONCNT", r.BumonCnt);
        ini.writeInteger(kInfoSection, "SIWAKE", r.Siwake);
        ini.writeInteger(kInfoSection, "TOTALSIWAKE", r.TotalSiwake);
        char version[48];
        std::snprintf(version, sizeof version, "%d.%d.%d", r.VerMajor, r.VerMinor1,
                      r.VerMinor2);
        ini.writeString(kInfoSection, "VERSION1", version);
        ini.writeString(kInfoSection, "VERSION2", r.VerName);
        ini.writeInteger(kInfoSection, "GASSANKBN", r.GassanKbn);
        ini.writeInteger(kInfoSection, "USEMYNUMBER", r.UseMyNumber);
    }
    ini.updateFile();
}

void TDataInfomation::RefreshIniFile(const std::string& Folder, const std::string& Section)
{
    if (Folder.empty() || FileAccessMode != 0)
        return;
    if (Section.empty()) {
        const ReuseMarkReading reuse;
        if (GetUniversalPath(Folder) == Folder &&
            DM->fnAccDatConnected(SystemDef.HostName, Folder, 1))
            DM->fnAccDatDisconnected(Folder, 1, 0);
        return;
    }
    ClearDataInfoRec(DataInfo);
    if (upperAscii(Section) == kInfoSection &&
        DM->fnAccDatConnected(SystemDef.HostName, Folder, 0)) {
        GetDataInfoRec(DataInfo);
        DM->fnAccDatDisconnected(Folder, 0, 0);
    }
    WriteIniFile(Folder, Section, DataInfo);
}

void TDataInfomation::UpdateDataInfomation(const std::string& Host, const std::string& Folder,
                                           const TDataInfomationRec& Rec)
{
    if (Folder.empty())
        return;
    if (!DM->fnAccDatConnected(Host, Folder, 0))
        return;
    firebird::Transaction& tr = DM->IBTransactionDAT;
    bool started = false;
    auto commitStarted = [&] {
        if (started && tr.inTransaction()) {
            try {
                tr.commit();
            } catch (const std::exception&) {
            }
        }
    };
    try {
        if (!tr.inTransaction()) {
            tr.start();
            started = true;
        }
        std::string name = Rec.DataListName;
        if (ZenkakuTrim(name).empty()) {
            firebird::Statement st(tr, "SELECT ENTTEXT FROM ACCDEF1 WHERE REC=1");
            auto c = st.open();
            name = c.fetch() ? textOf(c, "ENTTEXT") : std::string();
        }
        // At most 40 bytes, never half a double-byte character.
        std::string bytes = platform::text::toCp932(name);
        if (bytes.size() > 40) {
            bytes.resize(40);
            if (platform::text::isLeadByteAt(bytes, 40)) // 1-based: the 40th byte
                bytes.resize(39);
        }
        name = ZenkakuTrim(platform::text::fromCp932(bytes));
        firebird::Statement st(tr, "UPDATE ACCDEF1 SET ENTTEXT=:ENTTEXT,DATALOCK=:DATALOCK\n"
                                   "WHERE REC=1");
        st.setString("ENTTEXT", name);
        st.setInt("DATALOCK", Rec.UpdateLock);
        st.execute();
        commitStarted();
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.UpdateDataInfomation", kUpdateFailed, true);
        commitStarted();
    } catch (const std::exception& e) {
        ShowErrorDialog(kUpdateFailed, e.what(), 1);
        commitStarted();
    }
    DM->fnAccDatDisconnected(Folder, 0, 0);
}

bool TDataInfomation::IsUseData(const std::string& Folder)
{
    if (Folder.empty())
        return false;
    if (!DM->FExist(dataPath(Folder), FileAccessMode) || DM->fnIsKanrisya())
        return true;
    // No database, no answer: the right is refused.
    if (!DM->fnAccDatConnected(SystemDef.HostName, Folder, 0))
        return false;
    bool result = false;
    firebird::Transaction& tr = DM->IBTransactionDAT;
    bool started = false;
    auto commitStarted = [&] {
        if (started && tr.inTransaction()) {
            try {
                tr.commit();
            } catch (const std::exception&) {
            }
        }
    };
    try {
        TSitenList list;
        if (!tr.inTransaction()) {
            tr.start();
            started = true;
        }
        result = DM->fnGetExistsOpeDefSisetu();
        bool answered = true;
        if (result && !DM->fnGetAccInfo()) {
            // Reported by the settings read; without the settings no right is granted.
            result = false;
            answered = false;
        } else if (result) {
            // The settings read ends its transaction; the list runs in this check's own.
            if (!tr.inTransaction())
                tr.start();
            list.SetTransaction(tr);
            list.Kinds = 4;
            list.Execute(-1);
            const int all = list.Count;
            list.Execute(SystemDef.LoginId);
            result = all == list.Count;
        }
        if (!result && answered)
            platform::messageBox(kNoRight, records::dialogCaption(0), platform::MB_OK |
                                                                           platform::MB_ICONWARNING);
        commitStarted();
    } catch (const firebird::DatabaseError& e) {
        // A check that could not finish grants nothing.
        result = false;
        if (started)
            HandleDbError(e, "TDataInfomation.IsUseData", kRightFailed, true);
        commitStarted();
    } catch (const std::exception&) {
        result = false;
        if (started)
            ShowErrorDialog(kRightFailed, "", 1);
        commitStarted();
    }
    DM->fnAccDatDisconnected(Folder, 0, 0);
    return result;
}

void TDataInfomation::GetVersionLabel(int Major, int Minor, std::string& Label) const
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%d", Major, Minor);
    Label = buf;
    for (int i = 0; i < VersionList.Count; ++i) {
        if (VersionList.GetVersionText(i) == Label) {
            Label = VersionList.GetVersionName(i);
            return;
        }
    }
}

int TDataInfomation::CopyToShareServer(const std::string& ShareFolder,
                                       const std::string& LocalFolder, int Silent)
{
    LastCopyError.clear();
    if (ShareFolder.empty() || LocalFolder.empty())
        return 0;
    // The shared area taken out by another login is not overwritten.
    if (sharedAreaTaken(iniPath(ShareFolder), true))
        return -1;
    // All or nothing: a failure at any step puts back the shared data and both information
    // files, so the area stays taken out by this login and the local copy stays the master.
    const std::optional<std::string> shareIni = snapshotFile(iniPath(ShareFolder));
    const std::optional<std::string> localIni = snapshotFile(iniPath(LocalFolder));
    DataFilesSwap swap;
    auto undo = [&] {
        swap.rollback();
        restoreFile(iniPath(ShareFolder), shareIni);
        restoreFile(iniPath(LocalFolder), localIni);
    };
    try {
        try {
            SetDataStatus(ShareFolder, records::dsPasting);
        } catch (const std::exception&) {
            // Only an area that is gone is created anew; one that is there but cannot be
            // written stops the store.
            if (files::directoryExists(ShareFolder))
                throw;
            if (Silent != 1)
                platform::messageBox(kShareAreaGone, records::dialogCaption(2),
                                     platform::MB_OK | platform::MB_ICONINFORMATION);
        }
        if (!swap.run(LocalFolder, ShareFolder)) {
            LastCopyError = swap.error();
            undo();
            return 0;
        }
        SetDataStatus(LocalFolder, records::dsFree);
        SetDataStatus(ShareFolder, records::dsFree);
        ChangeShareStatus(ShareFolder, 1);
        SetShareStatus(LocalFolder, 1);
    } catch (const std::exception& e) {
        LastCopyError = e.what();
        undo();
        throw;
    } catch (...) {
        undo();
        throw;
    }
    swap.commit();
    return 1;
}

int TDataInfomation::CopyFromShareServer(const std::string& ShareFolder,
                                         const std::string& LocalFolder, int Silent)
{
    LastCopyError.clear();
    if (ShareFolder.empty() || LocalFolder.empty())
        return 0;
    const bool localExisted = files::directoryExists(LocalFolder);
    if (!ForceFolder(LocalFolder)) {
        // Said by the caller, with the data set it was for.
        LastCopyError = "\"" + LocalFolder + "\"の作成に失敗しました。";
        return 0;
    }
    ReadIniFileCurHost(ShareFolder, DataInfo);
    if (DataInfo.Status == records::dsDamaged) {
        if (Silent == 1)
            return -1;
        throw std::runtime_error(kShareBroken);
    }
    const bool shareExists = files::directoryExists(ShareFolder);
    if (DataInfo.ShareStatus == 2 || sharedAreaTaken(iniPath(ShareFolder), false)) {
        if (shareExists) {
            copyDataFiles(ShareFolder, LocalFolder);
        } else if (Silent != 1) {
            throw std::runtime_error(kShareMissing);
        }
        return -1;
    }
    if (!shareExists) {
        LastCopyError = kShareMissing;
        if (Silent != 1)
            throw std::runtime_error(kShareMissing);
        return 0;
    }
    SetDataStatus(ShareFolder, records::dsPasting);
    const bool copied = copyDataFiles(ShareFolder, LocalFolder, &LastCopyError);
    pause(300);
    SetDataStatus(ShareFolder, records::dsFree);
    if (!copied) {
        // An incomplete local copy must not count as taken out: a later store would send it
        // back over the server's sound data. A folder made for it and left empty goes too.
        if (!localExisted) {
            try {
                if (files::list(LocalFolder).empty())
                    files::removeAll(LocalFolder);
            } catch (const std::exception&) {
            }
        }
        return 0;
    }
    SetDataStatus(LocalFolder, records::dsFree);
    SetShareStatus(LocalFolder, 2);
    ChangeShareStatus(ShareFolder, 2);
    return 1;
}
