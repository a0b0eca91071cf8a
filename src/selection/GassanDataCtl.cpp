#include "selection/GassanDataCtl.h"

#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/DbHelpers.h"
#include "records/FileUtils.h"
#include "records/ProgramRecords.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace {

constexpr const char* kBasicGroup = "基本設定";
constexpr const char* kInitFailed = "分散入力用データの初期化に失敗しました。";

// A folder name read as an integer: 0 unless the whole name is one.
int nameNumber(const std::string& name)
{
    if (name.empty() || name.size() > 9)
        return 0;
    std::size_t i = name[0] == '-' || name[0] == '+' ? 1 : 0;
    if (i == name.size())
        return 0;
    for (std::size_t j = i; j < name.size(); ++j)
        if (name[j] < '0' || name[j] > '9')
            return 0;
    return std::stoi(name);
}

// The sub-folders of Folder, as the system lists them (names in order, any case).
std::vector<std::string> subFolders(const std::string& Folder)
{
    std::vector<std::string> names;
    for (const auto& e : platform::files::list(Folder))
        if (e.isDirectory)
            names.push_back(e.name);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return platform::text::upperAscii(a) < platform::text::upperAscii(b);
    });
    return names;
}

std::string format3(int n)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.3d", n);
    return buf;
}

std::string format2(int n)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.2d", n);
    return buf;
}

std::string sqlText(const std::string& s)
{
    std::string out;
    for (char c : s) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out;
}

void processPending() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

} // namespace

TGassanDataCtl::TGassanDataCtl(QObject* Owner)
    : QObject(Owner), m_dataInfo(std::make_unique<TDataInfomation>())
{
    m_catalogue = std::make_unique<TDataSentakuListCtl>();
    m_catalogue->ConnMode = ConnectMode;
    m_dataInfo->FileAccessMode = 0;
}

TGassanDataCtl::~TGassanDataCtl() = default;

void TGassanDataCtl::SetParentFolder(const std::string& Folder)
{
    if (Folder == m_parentFolder)
        return;
    m_parentFolder = platform::paths::excludeTrailingDelimiter(Folder);
    m_active = false;
}

void TGassanDataCtl::SetParentRec(int Rec)
{
    if (Rec == m_parentRec)
        return;
    m_parentRec = Rec;
    m_active = false;
}

void TGassanDataCtl::SetActive(bool Value)
{
    m_active = Value;
    if (m_active)
        LoadParent(m_parentData);
}

int TGassanDataCtl::FindChild(const std::string& Folder) const
{
    for (std::size_t i = 0; i < m_childData.size(); ++i)
        if (m_childData[i].Folder == Folder)
            return int(i);
    return -1;
}

int TGassanDataCtl::NextRowNo(int Step) const
{
    if (m_childData.empty())
        return Step - 1;
    int highest = 0;
    for (const auto& c : m_childData)
        highest = std::max(highest, c.ROWNO);
    return highest + Step;
}

void TGassanDataCtl::NextChildFolderName(const std::string& Folder, int Step, std::string& Name) const
{
    Name.clear();
    if (!platform::files::directoryExists(Folder))
        return;
    int highest = 0;
    for (const auto& e : platform::files::list(Folder))
        if (e.isDirectory)
            highest = std::max(highest, nameNumber(e.name));
    const int n = highest + Step;
    if (n >= 1000)
        throw std::runtime_error("作成できるフォルダ名は[999]までです。");
    Name = format3(n);
}

void TGassanDataCtl::LoadParent(TGassanDataRec& Parent)
{
    if (m_parentFolder.empty() || ConnectMode != 0 || !DM)
        return;
    m_catalogue->GetDataRecNo(m_parentFolder, m_parentRec);
    TDataSentakuRec row;
    m_catalogue->InitDataListRecord(row, m_parentFolder);
    row.REC = m_parentRec;
    m_catalogue->GetDataListRecord(0, row, true);
    m_parentNetDrive = row.NETDRIVE;
    m_parentSharePath = row.NETDRIVE == 1 ? row.PASNAME : std::string();

    Parent = TGassanDataRec{m_parentRec, 0, m_parentFolder, 0, 0};
    m_childData.clear();

    const bool wasConnected = DM->IBDatabaseDAT.connected();
    DM->fnAccDatConnected(SystemDef.HostName, m_parentFolder, 0);
    DM->fnGetAccInfo();

    const int kind = AccInf.GassanKubun;
    if (kind == 1 || kind == 2) {
        Parent.SITEN = AccInf.SITEN;
        Parent.ChildDataCount = AccInf.GassanCount;
        if (Parent.SITEN != 0) {
            firebird::Transaction& t = DM->IBTransactionDAT;
            const bool started = !t.inTransaction();
            try {
                if (started)
                    t.start();
                firebird::Statement q(t, "SELECT COUNT(SCODE) AS RECCNT FROM SISETUMST\n"
                                         "WHERE SCODE<>''");
                auto c = q.open();
                if (c.fetch())
                    Parent.ChildDataCount = int(c.getInt("RECCNT"));
            } catch (const std::exception&) {
                // not reported: the count stays the setting's
            }
            if (started && t.inTransaction()) {
                try {
                    t.commit();
                } catch (const std::exception&) {
                }
            }
        }
        if (platform::files::directoryExists(m_parentFolder)) {
            int position = 0;
            for (const auto& name : subFolders(m_parentFolder)) {
                const int number = nameNumber(name);
                if (!(number > 0 || (AccInf.IsMedical && name == "00")))
                    continue;
                TGassanChildDataRec child;
                child.REC = Parent.REC;
                child.ROWNO = ++position;
                if (Parent.SITEN != 0) {
                    child.Code = format2(number);
                    child.Folder = m_parentFolder + "\\" + child.Code;
                } else {
                    child.Folder = m_parentFolder + "\\" + format3(number);
                }
                m_childData.push_back(child);
            }
        }
        row.REC = Parent.REC;
        row.GASSAN = std::uint8_t(kind);
        m_catalogue->GetDataListChildRecord(row, false);
        for (auto& child : m_childData)
            for (const auto& known : row.Children)
                if (child.Folder == known.PASNAME || child.Folder == known.LocalPath) {
                    child.ROWNO = known.ROWNO;
                    break;
                }
    } else {
        row.REC = Parent.REC;
        row.GASSAN = 1;
        m_catalogue->GetDataListChildRecord(row, false);
        for (const auto& known : row.Children)
            m_childData.push_back({known.REC, known.ROWNO, std::string(), known.LocalPath});
    }
    if (!wasConnected)
        DM->fnAccDatDisconnected(m_parentFolder, 1, 0);
}

bool TGassanDataCtl::AddChildData(const std::string& Code)
{
    std::string name = Code;
    const bool facility = m_parentData.SITEN != 0;
    if (facility) {
        m_childCode = Code;
    } else {
        if (name.empty())
            NextChildFolderName(m_parentFolder, 1, name); // its error reaches the caller
        m_childCode.clear();
    }
    if (name.empty())
        return false;
    m_childFolder = m_parentFolder + "\\" + name;
    if (!ForceFolder(m_childFolder)) {
        m_childFolder.clear();
        m_childCode.clear();
        return false;
    }
    if (!CopyFileOverwrite(m_parentFolder + "\\" + DataFile, m_childFolder + "\\" + DataFile)) {
        ShellFileDelete(m_childFolder, 3, false, true);
        m_childFolder.clear();
        m_childCode.clear();
        return false;
    }
    try {
        AccDataSyokika();
    } catch (const std::exception&) {
        // AccDataSyokika has reported it.
        if (DM && DM->IBDatabaseDAT.connected()) {
            try {
                DM->IBDatabaseDAT.disconnect();
            } catch (const std::exception&) {
                DM->IBDatabaseDAT.forceClose();
            }
        }
        ShellFileDelete(m_childFolder, 3, false, true);
        m_childFolder.clear();
        m_childCode.clear();
        return false;
    }

    int index = FindChild(m_childFolder);
    if (index < 0) {
        m_childData.push_back({});
        index = int(m_childData.size()) - 1;
    }
    TGassanChildDataRec& entry = m_childData[std::size_t(index)];
    entry.REC = m_parentData.REC;
    entry.ROWNO = NextRowNo(1);
    entry.Code = facility ? name : std::string();
    entry.Folder = m_childFolder;

    m_workRow = TDataListRec{};
    if (m_parentNetDrive != 0) {
        m_catalogue->InitDataListRecord(m_workRow, m_parentSharePath + "\\" + name);
        m_workRow.NETDRIVE = m_parentNetDrive;
        m_workRow.KYOYULOCK = 1;
    } else {
        m_catalogue->InitDataListRecord(m_workRow, m_childFolder);
    }
    m_workRow.REC = entry.REC;
    m_workRow.ROWNO = entry.ROWNO;
    m_workRow.GASSAN = 10;
    m_catalogue->DataInfomationToRecord(selection::toDataInfoRec(m_workInfo), m_workRow);
    // DataInfomationToRecord takes the kind from the information; the row is a child's.
    m_workRow.GASSAN = 10;
    m_catalogue->UpdateDataListChildRecord(m_workRow, 0, true);
    m_childFolder.clear();
    m_childCode.clear();
    return true;
}

void TGassanDataCtl::AccDataSyokika()
{
    if (m_childFolder.empty() || !DM)
        return;
    DM->fnAccDatConnected(SystemDef.HostName, m_childFolder, 1);
    // The statements below empty whatever database is open: it must be the new copy.
    if (!DM->IBDatabaseDAT.connected() ||
        platform::text::upperAscii(DM->companyFolder()) != platform::text::upperAscii(m_childFolder)) {
        ShowErrorDialog(kInitFailed, "分散データのデータベースに接続できませんでした。", 1);
        throw std::runtime_error(kInitFailed);
    }
    firebird::Transaction& t = DM->IBTransactionDAT;
    const bool started = !t.inTransaction();
    auto run = [&t](const std::string& sql, const std::function<void(firebird::Statement&)>& bind = {}) {
        firebird::Statement q(t, sql);
        if (bind)
            bind(q);
        q.execute();
    };
    try {
        if (started)
            t.start();
        processPending();
        run("UPDATE ACCDEF1\n"
            "SET KANSA_FIXDATE=:KANSA_FIXDATE,KANSA_DATE=:KANSA_DATE,KANSA_LOCK=:KANSA_LOCK\n"
            "WHERE REC=1",
            [](firebird::Statement& q) {
                q.setDateTime("KANSA_FIXDATE", 0);
                q.setDateTime("KANSA_DATE", 0);
                q.setInt("KANSA_LOCK", 0);
            });
        processPending();
        run("UPDATE KAMOKU_SZ SET KAISIZAN=0,\n"
            "HAIBUN01=0,HAIBUN02=0,HAIBUN03=0,HAIBUN04=0,HAIBUN05=0,HAIBUN06=0,\n"
            "HAIBUN07=0,HAIBUN08=0,HAIBUN09=0,HAIBUN10=0,HAIBUN11=0,HAIBUN12=0,\n"
            "HAIBUN13=0,HAIBUN14=0,HAIBUN15=0,HAIBUN16=0,KAKOZAN=0,KISHU_KOMI=0,KISHU_NUKI=0;");
        run("UPDATE KAMOKU_MS SET KAR_NUK=0,KAR_TAX=0,KAS_NUK=0,KAS_TAX=0,\n"
            "BYOSAN=0,BYOSOKU=0,RYOSAN=0,KAR_IKKATSU=0,KAS_IKKATSU=0;");
        std::string kakozan = "UPDATE KAKOZAN SET KISHU=0,\n";
        for (int p = 1; p <= 16; p += 2) {
            for (int q = p; q <= p + 1; ++q) {
                const std::string n = std::to_string(q);
                kakozan += "KOMIZAN_" + n + "=0,NUKIZAN_" + n + "=0,IKKATSU_" + n + "=0,HAIBUN_" + n + "=0,";
            }
            kakozan += "\n";
        }
        kakozan += "TRIGGER_SWITCH=1";
        run(kakozan);
        run("UPDATE KAMOKU_TAX SET KAR=0,KAS=0;");
        run("UPDATE SISETUMST SET SIWAKECOUNT=0;");
        processPending();
        run("DELETE FROM SIWAKE;");
        run("DELETE FROM KAKOSIWAKE1;");
        run("DELETE FROM KAKOSIWAKE2;");
        run("DELETE FROM KS_SISAN;");
        run("SET GENERATOR SIWAKE_REC_GEN TO 0;");
        for (int i = 0; i < 100; ++i)
            run("SET GENERATOR SIWAKE" + format2(i) + "_GEN TO 0;");
        run("SET GENERATOR KSSISAN_GEN TO 0;");
        PutAccReg(kBasicGroup, "合算データ区分", "整数", records::Variant::fromInt(10));
        PutAccReg(kBasicGroup, "合算データ数", "整数", records::Variant::fromInt(0));
        processPending();
        if (AccInf.IsMedical) {
            run("DELETE FROM SISETUMST\nWHERE (SCODE NOT IN (' ', '" + sqlText(m_childCode) + "'))");
            if (m_childCode == "00") {
                struct Key {
                    std::string s, k, h, b;
                };
                std::vector<Key> keys;
                {
                    firebird::Statement q(t, "SELECT ' ' AS SCODE,KCODE,HCODE,BCODE FROM KAMOKU_SZ\n"
                                             "GROUP BY KCODE,HCODE,BCODE\n"
                                             "HAVING COUNT(SCODE)=1");
                    auto c = q.open();
                    while (c.fetch())
                        keys.push_back({c.getString(0), c.getString(1), c.getString(2), c.getString(3)});
                }
                for (const auto& key : keys)
                    run("DELETE FROM KAMOKU_SZ\n"
                        "WHERE SCODE=:SCODE AND KCODE=:KCODE AND HCODE=:HCODE AND BCODE=:BCODE",
                        [&key](firebird::Statement& q) {
                            q.setString("SCODE", key.s);
                            q.setString("KCODE", key.k);
                            q.setString("HCODE", key.h);
                            q.setString("BCODE", key.b);
                        });
            }
        }
        if (started)
            t.commit();
    } catch (const firebird::DatabaseError& e) {
        if (started) {
            HandleDbError(e, "TGassanDataCtl.AccDataSyokika", kInitFailed, true);
            try {
                if (t.inTransaction())
                    t.commit();
            } catch (const std::exception&) {
            }
        }
        throw;
    } catch (const std::exception& e) {
        if (started) {
            ShowErrorDialog(kInitFailed, e.what(), 1);
            try {
                if (t.inTransaction())
                    t.commit();
            } catch (const std::exception&) {
            }
        }
        throw;
    }
    m_dataInfo->ReadIniFileCurHost(m_childFolder, m_workInfo);
    DM->fnAccDatDisconnected(m_childFolder, 1, 0);
}

void TGassanDataCtl::WriteGassanSettings(std::uint8_t Kind, int Count)
{
    if (m_parentFolder.empty() || !DM)
        return;
    DM->fnAccDatConnected(SystemDef.HostName, m_parentFolder, 0);
    if (Kind == 0 || Kind == 10)
        Count = 0;
    try {
        PutAccReg(kBasicGroup, "合算データ区分", "整数", records::Variant::fromInt(Kind));
        PutAccReg(kBasicGroup, "合算データ数", "整数", records::Variant::fromInt(Count));
    } catch (...) {
        DM->fnAccDatDisconnected(m_parentFolder, 1, 1);
        throw;
    }
    DM->fnAccDatDisconnected(m_parentFolder, 1, 1);
}
