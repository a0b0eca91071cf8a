#include "catalogue/DataCatalogue.h"

#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/CoreTypes.h"
#include "platform/Files.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/DataInformation.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/TextRoutines.h"
#include "records/ProgramRecords.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>

namespace paths = platform::paths;
namespace files = platform::files;
using firebird::Cursor;
using firebird::Statement;

namespace {

firebird::Transaction* g_transaction = nullptr;

void defaultReporter(const std::string& context, const std::string& sentence, const std::exception& error)
{
    if (const auto* db = dynamic_cast<const firebird::DatabaseError*>(&error))
        HandleDbError(*db, context, sentence, true);
    else
        ShowErrorDialog(sentence, error.what(), 1);
}

selection::CatalogueErrorReporter g_reporter = defaultReporter;

constexpr const char* kShareMessageCaption = "選択データの状態";

void plainShareMessage(const std::string& text, const std::vector<std::string>& lines)
{
    std::string shown = text;
    if (!lines.empty()) {
        shown += "\r";
        for (const std::string& line : lines)
            shown += "\r" + line;
    }
    platform::messageBox(shown, kShareMessageCaption, platform::MB_OK | platform::MB_ICONWARNING);
}

selection::ShareMessageHandler g_shareMessage = plainShareMessage;

// Columns of a local row after REC (and ROWNO).
constexpr const char* kColumns =
    "ENTTEXT,SHOUGOU,PASNAME,NETDRIVE,DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,DATALOCK,KYOYULOCK,"
    "TANTOU,VER_MAJOR,VER_MINOR1,VER_MINOR2,VER_TEXT,UPDATE_LOCK,GASSAN,DATACODE,DATA_STATUS,"
    "YOBI1,YOBI2,YOBI3";
// Columns of a server row after REC (and ROWNO): no NETDRIVE, no KYOYULOCK.
constexpr const char* kServerColumns =
    "ENTTEXT,SHOUGOU,PASNAME,DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,DATALOCK,TANTOU,VER_MAJOR,"
    "VER_MINOR1,VER_MINOR2,VER_TEXT,UPDATE_LOCK,GASSAN,DATACODE,DATA_STATUS,YOBI1,YOBI2,YOBI3";
constexpr const char* kUpdateSet =
    " SET PASNAME=:PASNAME,ENTTEXT=:ENTTEXT,SHOUGOU=:SHOUGOU,NETDRIVE=:NETDRIVE,"
    "DATATYPE=:DATATYPE,CODETYPE=:CODETYPE,NENDO=:NENDO,KISHU=:KISHU,KIMATU=:KIMATU,"
    "DATALOCK=:DATALOCK,KYOYULOCK=:KYOYULOCK,TANTOU=:TANTOU,VER_MAJOR=:VER_MAJOR,"
    "VER_MINOR1=:VER_MINOR1,VER_MINOR2=:VER_MINOR2,VER_TEXT=:VER_TEXT,UPDATE_LOCK=:UPDATE_LOCK,"
    "GASSAN=:GASSAN,DATACODE=:DATACODE,DATA_STATUS=:DATA_STATUS,YOBI1=:YOBI1,YOBI2=:YOBI2,"
    "YOBI3=:YOBI3";

bool isParentKind(int gassan)
{
    return gassan == 0 || gassan == 1 || gassan == 2;
}

bool isConsolidated(int gassan)
{
    return gassan == 1 || gassan == 2;
}

bool isBlank(const std::string& text)
{
    return ZenkakuTrim(text).empty();
}

using platform::text::upperAscii;

// A whole decimal number, 0 otherwise.
int toNumber(const std::string& text)
{
    if (text.empty() || text.size() > 9)
        return 0;
    int value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::vector<std::string> elements(const std::string& path)
{
    std::vector<std::string> out;
    std::string current;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            if (!current.empty())
                out.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        out.push_back(current);
    return out;
}

std::string lastElement(const std::string& path)
{
    const auto e = elements(path);
    return e.empty() ? std::string() : e.back();
}

// The two elements after the first element named DATA or CB_DATA.
void getDataPathNo(const std::string& path, std::string& first, std::string& second)
{
    first.clear();
    second.clear();
    const auto e = elements(path);
    for (std::size_t i = 0; i < e.size(); ++i) {
        const std::string u = upperAscii(e[i]);
        if (u == "DATA" || u == "CB_DATA") {
            if (i + 1 < e.size())
                first = e[i + 1];
            if (i + 2 < e.size())
                second = e[i + 2];
            return;
        }
    }
}

std::string kikanToText(double first, double last)
{
    return DateToText(4, first) + "～" + DateToText(4, last);
}

// "yyyy/mm/dd" to a date; 0 when it is not one.
double slashDate(const std::string& text)
{
    int y = 0, m = 0, d = 0;
    char a = 0, b = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c%d", &y, &a, &m, &b, &d) != 5 || a != '/' || b != '/')
        return 0;
    platform::TDateTime out = 0;
    return platform::tryEncodeDate(y, m, d, out) ? out : 0;
}

std::string driveLetter(const std::string& path)
{
    return path.empty() ? std::string(" ") : path.substr(0, 1);
}

std::string parentFolder(const std::string& path)
{
    const std::string p = paths::excludeTrailingDelimiter(path);
    const auto pos = p.find_last_of("\\/");
    return pos == std::string::npos ? std::string() : p.substr(0, pos);
}

void bindRow(Statement& st, const TDataListRec& r, bool local)
{
    auto set = [&](const char* name, auto value) {
        if (st.hasParameter(name)) {
            if constexpr (std::is_same_v<decltype(value), std::string>)
                st.setString(name, value);
            else if constexpr (std::is_same_v<decltype(value), double>)
                st.setDateTime(name, value);
            else
                st.setInt(name, value);
        }
    };
    set("REC", r.REC);
    set("ROWNO", r.ROWNO);
    set("ENTTEXT", r.ENTTEXT);
    set("SHOUGOU", r.SHOUGOU);
    set("PASNAME", r.PASNAME);
    if (local) {
        set("NETDRIVE", r.NETDRIVE);
        set("KYOYULOCK", r.KYOYULOCK);
    }
    set("DATATYPE", r.DATATYPE);
    set("CODETYPE", r.CODETYPE);
    set("NENDO", r.NENDO);
    set("KISHU", r.KISHU);
    set("KIMATU", r.KIMATU);
    set("DATALOCK", r.DATALOCK);
    set("TANTOU", r.TANTOU);
    set("VER_MAJOR", r.VER_MAJOR);
    set("VER_MINOR1", r.VER_MINOR1);
    set("VER_MINOR2", r.VER_MINOR2);
    set("VER_TEXT", r.VER_TEXT);
    set("UPDATE_LOCK", r.UPDATE_LOCK);
    set("GASSAN", static_cast<int>(r.GASSAN));
    set("DATACODE", r.DATACODE);
    set("DATA_STATUS", static_cast<int>(r.DATA_STATUS));
    set("YOBI1", r.YOBI1);
    set("YOBI2", r.YOBI2);
    set("YOBI3", r.YOBI3);
}

int countOf(Statement& st)
{
    Cursor c = st.open();
    int n = 0;
    while (c.fetch())
        n += c.getInt("RECCNT");
    return n;
}

} // namespace

std::string GetDataStatusText(int Status)
{
    static const char* const texts[] = {"－",         "－",         "使用中",     "データロック中",
                                        "保存中",     "復元中",     "コピー中",   "貼り付け中",
                                        "削除中",     "新規作成中", "破損"};
    if (Status < 0 || Status > 10)
        return "状態不明";
    return texts[Status];
}

namespace selection {

void setCatalogueTransaction(firebird::Transaction* transaction)
{
    g_transaction = transaction;
}

firebird::Transaction* catalogueTransaction()
{
    if (g_transaction != nullptr)
        return g_transaction;
    return DM != nullptr ? &DM->IBTransactionDEF : nullptr;
}

void setCatalogueErrorReporter(CatalogueErrorReporter reporter)
{
    g_reporter = reporter ? std::move(reporter) : CatalogueErrorReporter(defaultReporter);
}

void setShareMessageHandler(ShareMessageHandler handler)
{
    g_shareMessage = handler ? std::move(handler) : ShareMessageHandler(plainShareMessage);
}

std::string catalogueDataFolder()
{
    if (!SystemDef.SysDir.empty())
        return paths::excludeTrailingDelimiter(SystemDef.SysDir);
    return paths::join(SystemDef.DataRoot, "data");
}

void refreshCatalogueRow(const std::string& Folder, const DataInfoRec& Info)
{
    TDataSentakuListCtl ctl;
    ctl.ConnMode = ConnectMode;
    ctl.SetDataPlace(SystemDef.ServerDataPlace);
    TDataListRec rec;
    ctl.InitDataListRecord(rec, Folder);
    ctl.GetDataListRecord(1, rec, false);
    rec.GROUPID = SystemDef.GroupId;
    rec.DATACODE = Info.CODE;
    rec.SHOUGOU = Info.SHOUGOU;
    rec.NENDO = Info.NENDO;
    rec.KISHU = slashDate(Info.KISHU);
    rec.KIMATU = slashDate(Info.KIMATU);
    rec.DATATYPE = Info.DATAKBN;
    rec.CODETYPE = Info.CODEKBN;
    rec.TANTOU = Info.TANTO;
    rec.VER_MAJOR = Info.VER_MAJOR;
    rec.VER_MINOR1 = Info.VER_MINOR1;
    rec.VER_MINOR2 = Info.VER_MINOR2;
    rec.VER_TEXT = Info.VERSION2;
    if (rec.GASSAN != GassanChild)
        rec.GASSAN = static_cast<std::uint8_t>(Info.GASSANKBN);
    rec.KikanText = kikanToText(rec.KISHU, rec.KIMATU);
    ctl.UpdateDataListRecord(rec, 0, false);
}

bool dataInfoOfOpenDatabase(const std::string&, DataInfoRec& Info)
{
    // Reading with nothing open would open DataDir, perhaps another data set.
    if (DM == nullptr || !DM->IBDatabaseDAT.connected())
        return false;
    TDataInfomation info;
    TDataInfomationRec rec;
    if (!info.GetDataInfoRec(rec))
        return false;
    Info = toDataInfoRec(rec);
    return true;
}

void installCatalogueStep(TDM& Dm, DataInfoBuilder Build)
{
    auto previous = Dm.hooks.release;
    Dm.hooks.release = [previous, build = std::move(Build)](const std::string& folder, bool writeInfo,
                                                             bool updateList) {
        if (previous)
            previous(folder, writeInfo, updateList);
        if (!updateList || !build)
            return;
        DataInfoRec info;
        if (build(folder, info))
            refreshCatalogueRow(folder, info);
    };
}

} // namespace selection

// The transaction rule of every operation: start only when none is active; commit or roll back
// only what was started here.
struct TDataSentakuListCtl::Scope {
    explicit Scope(firebird::Transaction& t)
        : transaction(t)
        , started(!t.inTransaction())
    {
        if (started)
            transaction.start();
    }
    ~Scope()
    {
        if (started && transaction.inTransaction()) {
            try {
                transaction.rollback();
            } catch (const std::exception&) {
            }
        }
    }
    void commit()
    {
        if (started && transaction.inTransaction())
            transaction.commit();
        started = false;
    }
    void fail(bool readOnly) noexcept
    {
        try {
            if (started && transaction.inTransaction()) {
                if (readOnly)
                    transaction.commit();
                else
                    transaction.rollback();
            }
        } catch (const std::exception&) {
        }
        started = false;
    }
    firebird::Transaction& transaction;
    bool started;
};

template <class Body>
bool TDataSentakuListCtl::guarded(const char* operation, const char* sentence, bool report, bool readOnly,
                                  Body&& body, bool reportDbErrorsOnly)
{
    Scope scope(m_transaction);
    try {
        body(scope);
        scope.commit();
        return true;
    } catch (const firebird::DatabaseError& e) {
        scope.fail(readOnly);
        if (!report)
            throw;
        g_reporter(std::string("TDataSentakuListCtl.") + operation, sentence, e);
    } catch (const std::exception& e) {
        scope.fail(readOnly);
        if (!report || reportDbErrorsOnly)
            throw;
        g_reporter(std::string("TDataSentakuListCtl.") + operation, sentence, e);
    }
    return false;
}

TDataSentakuListCtl::TDataSentakuListCtl()
    : TDataSentakuListCtl([]() -> firebird::Transaction& {
        firebird::Transaction* transaction = selection::catalogueTransaction();
        if (transaction == nullptr)
            throw std::logic_error("no system database transaction for the catalogue");
        return *transaction;
    }())
{
}

TDataSentakuListCtl::TDataSentakuListCtl(firebird::Transaction& transaction)
    : m_transaction(transaction)
    , m_info(std::make_shared<selection::DataInfomationAdapter>())
{
    SetDataPlace(0);
}

TDataSentakuListCtl::~TDataSentakuListCtl() = default;

void TDataSentakuListCtl::setDataInfomation(std::shared_ptr<selection::DataInfomationAccess> access)
{
    m_info = access ? std::move(access) : std::make_shared<selection::DataInfomationAdapter>();
}

selection::DataInfomationAccess& TDataSentakuListCtl::dataInfomation()
{
    return *m_info;
}

void TDataSentakuListCtl::SetDataPlace(int Place)
{
    DataPlaceRec = (ConnMode == 1 || ConnMode == 2) ? Place : 0;
    TableName = DataPlaceRec > 0 ? "DATALIST_EX" : "DATALIST";
}

void TDataSentakuListCtl::ClearList()
{
    DataCount = 0;
    ChildCount = 0;
    DataList.clear();
    ChildList.clear();
}

std::string TDataSentakuListCtl::placeCondition() const
{
    return DataPlaceRec > 0 ? " AND (DATAPLACEREC=:DATAPLACEREC)" : "";
}

void TDataSentakuListCtl::readRow(const Cursor& c, TDataListRec& r, bool normalise) const
{
    r.REC = c.getInt("REC");
    r.ROWNO = c.getInt("ROWNO");
    r.GROUPID = SystemDef.GroupId;
    r.BadText.clear();
    // One row with bytes that are not CP932 must not cost the whole list: it is read with "?"
    // in their place and marked.
    const auto text = [&](const char* name) {
        if (c.isNull(name))
            return std::string();
        bool bad = false;
        std::string out = platform::text::fromCp932Lenient(c.getBytes(name), &bad);
        if (bad)
            r.BadText += std::string(r.BadText.empty() ? "" : ",") + name;
        return out;
    };
    r.ENTTEXT = text("ENTTEXT");
    r.SHOUGOU = text("SHOUGOU");
    r.PASNAME = text("PASNAME");
    r.NETDRIVE = c.hasField("NETDRIVE") ? c.getInt("NETDRIVE") : 1;
    r.DATATYPE = c.getInt("DATATYPE");
    r.CODETYPE = c.getInt("CODETYPE");
    r.NENDO = c.getInt("NENDO");
    r.KISHU = c.getDateTime("KISHU");
    r.KIMATU = c.getDateTime("KIMATU");
    r.DATALOCK = c.getInt("DATALOCK");
    r.KYOYULOCK = c.hasField("KYOYULOCK") ? c.getInt("KYOYULOCK") : 0;
    r.TANTOU = c.getInt("TANTOU");
    r.VER_MAJOR = c.getInt("VER_MAJOR");
    r.VER_MINOR1 = c.getInt("VER_MINOR1");
    r.VER_MINOR2 = c.getInt("VER_MINOR2");
    r.VER_TEXT = text("VER_TEXT");
    r.UPDATE_LOCK = c.getInt("UPDATE_LOCK");
    r.GASSAN = static_cast<std::uint8_t>(c.getInt("GASSAN"));
    r.DATACODE = text("DATACODE");
    r.DATA_STATUS = static_cast<std::uint8_t>(c.getInt("DATA_STATUS"));
    r.YOBI1 = text("YOBI1");
    r.YOBI2 = text("YOBI2");
    r.YOBI3 = text("YOBI3");
    r.Reserve1 = 0;
    r.Reserve2.clear();
    if (normalise)
        std::replace(r.PASNAME.begin(), r.PASNAME.end(), '/', '\\');
    r.KikanText = kikanToText(r.KISHU, r.KIMATU);
    r.DispName = r.ENTTEXT;
    r.LocalPath = GetLocalDataPath(r);
    if (normalise && r.PASNAME == r.LocalPath)
        r.NETDRIVE = 0;
}

void TDataSentakuListCtl::Execute(int ExcludeTakenOut, std::uint8_t SortKind, bool Descending,
                                  const std::string& OrderBy)
{
    ClearList();
    if (ServerListMode == 1)
        return;
    if (ConnMode != 0)
        ExcludeTakenOut = 0;

    std::string optional;
    if (ExcludeTakenOut == 1)
        optional += " AND (KYOYULOCK<>1)";
    if (NendoFilter > 0)
        optional += " AND (NENDO=:NENDO)";
    if (!ShougouFilter.empty())
        optional += " AND (SHOUGOU=:SHOUGOU)";
    optional += placeCondition();

    const bool split = SortKind >= 2 && SortKind <= 7;
    std::string order;
    switch (SortKind) {
    case 0: order = OrderBy; break;
    case 1: order = Descending ? "ORDER BY REC DESC" : "ORDER BY REC"; break;
    case 2: order = Descending ? "ORDER BY ENTTEXT DESC,NENDO DESC,REC DESC" : "ORDER BY ENTTEXT,NENDO DESC,REC"; break;
    case 3: order = Descending ? "ORDER BY NENDO DESC,REC DESC" : "ORDER BY NENDO,REC"; break;
    case 4: order = Descending ? "ORDER BY KISHU DESC,REC DESC" : "ORDER BY KISHU,REC"; break;
    case 5: order = Descending ? "ORDER BY UPPER(PASNAME) DESC,REC DESC" : "ORDER BY UPPER(PASNAME),REC"; break;
    case 6:
        order = Descending ? "ORDER BY VER_MAJOR DESC,VER_MINOR1 DESC,VER_MINOR2 DESC,REC DESC"
                           : "ORDER BY VER_MAJOR,VER_MINOR1,VER_MINOR2,REC";
        break;
    case 7: order = Descending ? "ORDER BY DATACODE DESC,REC DESC" : "ORDER BY DATACODE,REC"; break;
    default: break;
    }

    auto bindFilters = [&](Statement& st) {
        st.setInt("GROUPID", SystemDef.GroupId);
        if (st.hasParameter("NENDO"))
            st.setInt("NENDO", NendoFilter);
        if (st.hasParameter("SHOUGOU"))
            st.setString("SHOUGOU", ShougouFilter);
        if (st.hasParameter("DATAPLACEREC"))
            st.setInt("DATAPLACEREC", DataPlaceRec);
    };
    // Rows are appended as they are read: a count taken before could differ from the rows
    // that follow once another installation writes in between.
    auto readInto = [&](const std::string& sql) {
        Statement st(m_transaction, sql);
        bindFilters(st);
        Cursor c = st.open();
        while (c.fetch()) {
            TDataSentakuRec entry;
            readRow(c, entry, true);
            DataList.push_back(std::move(entry));
        }
    };

    guarded("Execute", "データリストの取得に失敗しました。", true, true, [&](Scope&) {
        const std::string select = std::string("SELECT REC,0 AS ROWNO,") + kColumns + " FROM " + TableName;
        if (NameFilter == 0 || NameFilter == 1) {
            std::string sql = select + " WHERE (GROUPID=:GROUPID)";
            if (NameFilter == 1 || split)
                sql += " AND (ENTTEXT<>'')";
            sql += optional;
            if (!order.empty())
                sql += " " + order;
            readInto(sql);
        }
        if ((NameFilter == 0 || NameFilter == 2) && split) {
            std::string sql = select + " WHERE (GROUPID=:GROUPID) AND (ENTTEXT='')" + optional;
            if (SortKind == 5)
                sql += Descending ? " ORDER BY PASNAME DESC,REC DESC" : " ORDER BY PASNAME,REC";
            else
                sql += Descending ? " ORDER BY REC DESC" : " ORDER BY REC";
            readInto(sql);
        }
        DataCount = static_cast<int>(DataList.size());

        Statement st(m_transaction, std::string("SELECT REC,ROWNO,") + kColumns
                                        + " FROM CHILD_DATALIST WHERE (GROUPID=:GROUPID) ORDER BY REC,PASNAME");
        st.setInt("GROUPID", SystemDef.GroupId);
        Cursor c = st.open();
        while (c.fetch()) {
            TDataListRec child;
            readRow(c, child, true);
            ChildList.push_back(child);
            for (TDataSentakuRec& parent : DataList) {
                if (parent.REC == child.REC) {
                    parent.Children.push_back(child);
                    parent.ChildCnt = static_cast<int>(parent.Children.size());
                    break;
                }
            }
        }
        ChildCount = static_cast<int>(ChildList.size());
    });
    warnBadText();
}

void TDataSentakuListCtl::reportTransferFailure(bool store, const TDataListRec& Rec, const std::string& Area) const
{
    std::string reason = m_info ? m_info->LastCopyError() : std::string();
    if (reason.empty())
        reason = "ファイルをコピーできませんでした。";
    const std::string name = !Rec.DispName.empty() ? Rec.DispName : !Rec.ENTTEXT.empty() ? Rec.ENTTEXT : Rec.SHOUGOU;
    std::string text = store ? "共有データの保管に失敗しました。共有データと作業中のデータは保管前のままです。"
                             : "共有データの取得に失敗しました。共有データは取得前のままです。";
    text += "\r【データ】" + name + "\r【共有データパス】" + Area + "\r【理由】" + reason;
    platform::messageBox(text, "", platform::MB_OK | platform::MB_ICONWARNING);
}

void TDataSentakuListCtl::warnBadText() const
{
    std::string rows;
    const auto note = [&rows](const TDataListRec& r) {
        if (!r.BadText.empty())
            rows += "\rREC " + std::to_string(r.REC) + (r.ROWNO > 0 ? "-" + std::to_string(r.ROWNO) : "") +
                    "「" + r.DispName + "」 (" + r.BadText + ")";
    };
    for (const TDataSentakuRec& parent : DataList)
        note(parent);
    for (const TDataListRec& child : ChildList)
        note(child);
    if (!rows.empty())
        platform::messageBox("データリストに読み取れない文字を含む行があります。該当する文字は「?」で表示しています。" + rows,
                             "", platform::MB_OK | platform::MB_ICONWARNING);
}

void TDataSentakuListCtl::InitDataListRecord(TDataListRec& Rec, const std::string& Path) const
{
    Rec = TDataListRec{};
    Rec.GROUPID = SystemDef.GroupId;
    Rec.NENDO = 1;
    Rec.PASNAME = Path;
    Rec.LocalPath = GetLocalDataPath(Rec);
}

void TDataSentakuListCtl::DataInfomationToRecord(const selection::DataInfoRec& Info, TDataListRec& Rec) const
{
    Rec.GROUPID = SystemDef.GroupId;
    Rec.DATACODE = Info.CODE;
    Rec.ENTTEXT = Info.DATALISTNAME;
    Rec.SHOUGOU = Info.SHOUGOU;
    Rec.NENDO = Info.NENDO;
    Rec.KISHU = slashDate(Info.KISHU);
    Rec.KIMATU = slashDate(Info.KIMATU);
    Rec.KikanText = kikanToText(Rec.KISHU, Rec.KIMATU);
    Rec.DATATYPE = Info.DATAKBN;
    Rec.CODETYPE = Info.CODEKBN;
    Rec.TANTOU = Info.TANTO;
    Rec.VER_MAJOR = Info.VER_MAJOR;
    Rec.VER_MINOR1 = Info.VER_MINOR1;
    Rec.VER_MINOR2 = Info.VER_MINOR2;
    Rec.VER_TEXT = Info.VERSION2;
    Rec.UPDATE_LOCK = Info.UPDATE_LOCK;
    Rec.DATALOCK = 0;
    if (Rec.ROWNO > 0)
        Rec.GASSAN = GassanChild;
    if (Info.STATUS == 3 && Info.OPCODE != 0 && SystemDef.GroupId != 0)
        Rec.DATALOCK = Info.OPCODE % (SystemDef.GroupId * 10000);
    if (Info.SHARE_STATUS == 2 && Info.SHARE_OPCODE == SystemDef.LoginId)
        Rec.KYOYULOCK = 1;
    if (Rec.NETDRIVE != 0) {
        if (Rec.ENTTEXT.empty() || Rec.ENTTEXT == KyoyuEmptyArea || Rec.ENTTEXT == KyoyuNewArea)
            Rec.ENTTEXT = Rec.SHOUGOU;
    } else if (Rec.ENTTEXT.empty()) {
        Rec.ENTTEXT = Rec.SHOUGOU;
    }
    Rec.DispName = Rec.ENTTEXT;
    Rec.LocalPath = GetLocalDataPath(Rec);
}

void TDataSentakuListCtl::GetDataRecNo(const std::string& Folder, int& RecNo)
{
    RecNo = 0;
    if (isBlank(Folder))
        return;
    if (ConnMode == 0) {
        std::string first, second;
        getDataPathNo(Folder, first, second);
        RecNo = toNumber(first);
        return;
    }
    TDataListRec temp;
    InitDataListRecord(temp, Folder);
    GetDataListRecord(1, temp, true);
    RecNo = temp.REC;
}

void TDataSentakuListCtl::GetDataListRecord(std::uint8_t Mode, TDataListRec& Rec, bool ReportErrors)
{
    if (ServerListMode == 1)
        return;
    std::string given;
    if (Mode == 1) {
        given = Rec.PASNAME;
        if (!GetLocalPathToData(Rec.PASNAME, Rec)) {
            InitDataListRecord(Rec, "");
            return;
        }
    } else if (Mode != 0) {
        InitDataListRecord(Rec, "");
        return;
    }
    guarded("GetDataListRecord", "データリストの取得に失敗しました。", ReportErrors, true, [&](Scope&) {
        const bool child = !isParentKind(Rec.GASSAN);
        std::string sql;
        if (!child) {
            sql = std::string("SELECT REC,0 AS ROWNO,") + kColumns + " FROM " + TableName
                  + (Mode == 0 ? " WHERE (REC=:REC) AND (GROUPID=:GROUPID)"
                               : " WHERE (GROUPID=:GROUPID) AND (UPPER(PASNAME)=:PASNAME)")
                  + placeCondition();
        } else {
            sql = std::string("SELECT REC,ROWNO,") + kColumns + " FROM CHILD_DATALIST"
                  + (Mode == 0 ? " WHERE (REC=:REC) AND (ROWNO=:ROWNO) AND (GROUPID=:GROUPID)"
                               : " WHERE (GROUPID=:GROUPID) AND (UPPER(PASNAME)=:PASNAME)");
        }
        Statement st(m_transaction, sql);
        st.setInt("GROUPID", SystemDef.GroupId);
        if (Mode == 0) {
            st.setInt("REC", Rec.REC);
            if (child)
                st.setInt("ROWNO", Rec.ROWNO);
        } else {
            st.setString("PASNAME", upperAscii(Rec.PASNAME));
        }
        if (st.hasParameter("DATAPLACEREC"))
            st.setInt("DATAPLACEREC", DataPlaceRec);
        Cursor c = st.open();
        while (c.fetch()) {
            readRow(c, Rec, false);
            if (Mode == 1 && Rec.LocalPath == given)
                break;
        }
    });
}

bool TDataSentakuListCtl::InsertDataListRecord(TDataListRec& Rec, bool ReportErrors)
{
    if (ServerListMode == 1)
        return true;
    if (isBlank(Rec.PASNAME))
        return false;
    if (ConnMode == 0)
        return true;
    return guarded("InsertDataListRecord", "データリストの追加に失敗しました。", ReportErrors, false, [&](Scope&) {
        {
            Statement st(m_transaction, "SELECT MAX(REC) AS RECMAX FROM " + TableName
                                            + " WHERE (GROUPID=:GROUPID)" + placeCondition());
            st.setInt("GROUPID", SystemDef.GroupId);
            if (st.hasParameter("DATAPLACEREC"))
                st.setInt("DATAPLACEREC", DataPlaceRec);
            Cursor c = st.open();
            Rec.REC = (c.fetch() ? c.getInt("RECMAX") : 0) + 1;
        }
        const std::string columns =
            "REC,GROUPID,PASNAME,ENTTEXT,SHOUGOU,NETDRIVE,DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,DATALOCK,"
            "KYOYULOCK,TANTOU,VER_MAJOR,VER_MINOR1,VER_MINOR2,VER_TEXT,GASSAN,DATACODE,DATA_STATUS,YOBI1,"
            "YOBI2,YOBI3";
        std::string values = ":" + columns;
        for (std::size_t p = 0; (p = values.find(',', p)) != std::string::npos; p += 2)
            values.replace(p, 1, ",:");
        std::string sql = DataPlaceRec > 0
                              ? "INSERT INTO " + TableName + "(DATAPLACEREC," + columns + ") VALUES(:DATAPLACEREC," + values + ")"
                              : "INSERT INTO DATALIST(" + columns + ") VALUES(" + values + ")";
        Statement st(m_transaction, sql);
        bindRow(st, Rec, true);
        st.setInt("GROUPID", SystemDef.GroupId);
        if (st.hasParameter("DATAPLACEREC"))
            st.setInt("DATAPLACEREC", DataPlaceRec);
        st.execute();
    });
}

bool TDataSentakuListCtl::UpdateDataListRecord(const TDataListRec& Rec, int WithNames, bool ReportErrors)
{
    if (ServerListMode == 1)
        return true;
    if (Rec.REC == 0 || isBlank(Rec.PASNAME))
        return false;
    if (Rec.GASSAN == GassanChild)
        return UpdateDataListChildRecord(Rec, WithNames, ReportErrors);
    return guarded("UpdateDataListRecord", "データリストの更新に失敗しました。", ReportErrors, false, [&](Scope&) {
        {
            Statement st(m_transaction, "UPDATE " + TableName + kUpdateSet + " WHERE (REC=:REC)" + placeCondition());
            bindRow(st, Rec, true);
            if (st.hasParameter("DATAPLACEREC"))
                st.setInt("DATAPLACEREC", DataPlaceRec);
            st.execute();
        }
        if (Rec.SHOUGOU.empty() && Rec.KISHU == 0 && Rec.KIMATU == 0) {
            Statement st(m_transaction, "DELETE FROM CHILD_DATALIST WHERE REC=:REC AND GROUPID=:GROUPID");
            st.setInt("REC", Rec.REC);
            st.setInt("GROUPID", SystemDef.GroupId);
            st.execute();
        }
        if (Rec.NETDRIVE == 1) {
            TDataListRec server = Rec; // the server numbers its rows itself
            UpdateServerDataListRecord(server, WithNames, false);
        }
    });
}

bool TDataSentakuListCtl::DeleteDataListRecord(const TDataListRec& Rec, bool ReportErrors)
{
    if (ServerListMode == 1)
        return true;
    if (isBlank(Rec.PASNAME))
        return false;
    if (ConnMode == 0 && Rec.GASSAN == GassanChild)
        return DeleteDataListChildRecord(Rec, ReportErrors);
    return guarded("DeleteDataListRecord", "データリストの削除に失敗しました。", ReportErrors, false, [&](Scope&) {
        Statement st(m_transaction,
                     "DELETE FROM " + TableName + " WHERE (PASNAME=:PASNAME) AND (REC>:REC)" + placeCondition());
        st.setString("PASNAME", Rec.PASNAME);
        st.setInt("REC", DataListCnt);
        if (st.hasParameter("DATAPLACEREC"))
            st.setInt("DATAPLACEREC", DataPlaceRec);
        st.execute();
        DeleteDataListChildRecord(Rec, false);
    });
}

void TDataSentakuListCtl::GetDataListChildRecord(TDataSentakuRec& SentakuRec, bool ReportErrors)
{
    if (ServerListMode == 1 || ConnMode != 0)
        return;
    SentakuRec.ChildCnt = 0;
    SentakuRec.Children.clear();
    if (!isConsolidated(SentakuRec.GASSAN))
        return;
    guarded("GetDataListChildRecord", "(子)データリストの取得に失敗しました。", ReportErrors, true, [&](Scope&) {
        Statement st(m_transaction, std::string("SELECT REC,ROWNO,") + kColumns
                                        + " FROM CHILD_DATALIST WHERE (REC=:REC) AND (GROUPID=:GROUPID) ORDER BY PASNAME");
        st.setInt("REC", SentakuRec.REC);
        st.setInt("GROUPID", SystemDef.GroupId);
        Cursor c = st.open();
        while (c.fetch()) {
            TDataListRec child;
            readRow(c, child, false);
            SentakuRec.Children.push_back(child);
        }
        SentakuRec.ChildCnt = static_cast<int>(SentakuRec.Children.size());
    });
}

bool TDataSentakuListCtl::UpdateDataListChildRecord(const TDataListRec& Rec, int, bool ReportErrors)
{
    if (ServerListMode == 1 || ConnMode != 0)
        return true;
    if (isBlank(Rec.PASNAME))
        return false;
    return guarded("UpdateDataListChildRecord", "(子)データリストの更新に失敗しました。", ReportErrors, false,
                   [&](Scope&) {
                       int found = 0;
                       {
                           Statement st(m_transaction, "SELECT COUNT(REC) AS RECCNT FROM CHILD_DATALIST "
                                                       "WHERE REC=:REC AND ROWNO=:ROWNO AND GROUPID=:GROUPID");
                           st.setInt("REC", Rec.REC);
                           st.setInt("ROWNO", Rec.ROWNO);
                           st.setInt("GROUPID", SystemDef.GroupId);
                           found = countOf(st);
                       }
                       std::string sql;
                       if (found > 0)
                           sql = std::string("UPDATE CHILD_DATALIST") + kUpdateSet
                                 + " WHERE REC=:REC AND ROWNO=:ROWNO AND GROUPID=:GROUPID";
                       else
                           sql = "INSERT INTO CHILD_DATALIST(REC,ROWNO,GROUPID,ENTTEXT,SHOUGOU,PASNAME,NETDRIVE,"
                                 "DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,DATALOCK,TANTOU,VER_MAJOR,VER_MINOR1,"
                                 "VER_MINOR2,VER_TEXT,KYOYULOCK,UPDATE_LOCK,GASSAN,DATACODE,DATA_STATUS,YOBI1,"
                                 "YOBI2,YOBI3) VALUES(:REC,:ROWNO,:GROUPID,:ENTTEXT,:SHOUGOU,:PASNAME,:NETDRIVE,"
                                 ":DATATYPE,:CODETYPE,:NENDO,:KISHU,:KIMATU,:DATALOCK,:TANTOU,:VER_MAJOR,"
                                 ":VER_MINOR1,:VER_MINOR2,:VER_TEXT,:KYOYULOCK,:UPDATE_LOCK,:GASSAN,:DATACODE,"
                                 ":DATA_STATUS,:YOBI1,:YOBI2,:YOBI3)";
                       Statement st(m_transaction, sql);
                       bindRow(st, Rec, true);
                       st.setInt("GROUPID", SystemDef.GroupId);
                       st.execute();
                       if (Rec.NETDRIVE == 1) {
                           TDataListRec server = Rec;
                           UpdateServerDataListChildRecord(server, 1, false);
                       }
                   });
}

bool TDataSentakuListCtl::DeleteDataListChildRecord(const TDataListRec& Rec, bool ReportErrors)
{
    if (ServerListMode == 1 || ConnMode != 0)
        return true;
    if (isBlank(Rec.PASNAME))
        return false;
    const bool child = Rec.GASSAN == GassanChild;
    return guarded("DeleteDataListChildRecord", "(子)データリストの削除に失敗しました。", ReportErrors, false,
                   [&](Scope&) {
                       {
                           Statement st(m_transaction,
                                        child ? "DELETE FROM CHILD_DATALIST WHERE REC=:REC AND ROWNO=:ROWNO AND GROUPID=:GROUPID"
                                              : "DELETE FROM CHILD_DATALIST WHERE REC=:REC AND GROUPID=:GROUPID");
                           st.setInt("REC", Rec.REC);
                           if (child)
                               st.setInt("ROWNO", Rec.ROWNO);
                           st.setInt("GROUPID", SystemDef.GroupId);
                           st.execute();
                       }
                       if (Rec.NETDRIVE == 1) {
                           // The folder is a parameter: quotes, "_" and "%" in it match only themselves.
                           Statement st(m_transaction,
                                        child ? "DELETE FROM CHILD_SERVERDATALIST WHERE GROUPID=:GROUPID AND "
                                                "DRIVELETTER=:DRIVELETTER AND PASNAME=:PASNAME"
                                              : "DELETE FROM CHILD_SERVERDATALIST WHERE GROUPID=:GROUPID AND "
                                                "DRIVELETTER=:DRIVELETTER AND PASNAME STARTING WITH :PASNAME");
                           st.setInt("GROUPID", SystemDef.GroupId);
                           st.setString("DRIVELETTER", driveLetter(Rec.PASNAME));
                           st.setString("PASNAME", child ? Rec.PASNAME : paths::excludeTrailingDelimiter(Rec.PASNAME) + "\\");
                           st.execute();
                       }
                   });
}

int TDataSentakuListCtl::GetDataFolderName(int Delta)
{
    if (ServerListMode == 1)
        return 0;
    int result = 0;
    if (!guarded("GetDataFolderName", "最大のレコー番号の取得に失敗しました。", true, true, [&](Scope&) {
            Statement st(m_transaction,
                         "SELECT MAX(REC) AS RECMAX FROM " + TableName + " WHERE (GROUPID=:GROUPID)" + placeCondition());
            st.setInt("GROUPID", SystemDef.GroupId);
            if (st.hasParameter("DATAPLACEREC"))
                st.setInt("DATAPLACEREC", DataPlaceRec);
            Cursor c = st.open();
            result = (c.fetch() ? c.getInt("RECMAX") : 0) + Delta;
        }, true))
        return 0;
    return result;
}

bool TDataSentakuListCtl::IsDataPathToroku(const std::string& Path)
{
    if (ServerListMode == 1)
        return true;
    int count = 0;
    if (!guarded("IsDataPathToroku", "データリストの登録チェックに失敗しました。", true, true, [&](Scope&) {
            Statement st(m_transaction, "SELECT COUNT(REC) AS RECCNT FROM " + TableName
                                            + " WHERE (GROUPID=:GROUPID) AND (UPPER(PASNAME)=:PASNAME)" + placeCondition());
            st.setInt("GROUPID", SystemDef.GroupId);
            st.setString("PASNAME", upperAscii(Path));
            if (st.hasParameter("DATAPLACEREC"))
                st.setInt("DATAPLACEREC", DataPlaceRec);
            count = countOf(st);
        }, true))
        return false;
    return count > 0;
}

void TDataSentakuListCtl::RenumberDataList()
{
    if (ServerListMode == 1 || ConnMode == 0)
        return;
    guarded("RenumberDataList", "", false, false, [&](Scope&) {
        Statement select(m_transaction,
                         "SELECT REC FROM " + TableName + " WHERE (REC>:REC)" + placeCondition() + " ORDER BY REC");
        Statement update(m_transaction,
                         "UPDATE " + TableName + " SET REC=:NEWREC WHERE (REC=:OLDREC)" + placeCondition());
        select.setInt("REC", DataListCnt);
        if (select.hasParameter("DATAPLACEREC"))
            select.setInt("DATAPLACEREC", DataPlaceRec);
        std::vector<int> numbers;
        {
            Cursor c = select.open();
            while (c.fetch())
                numbers.push_back(c.getInt("REC"));
        }
        int next = DataListCnt + 1;
        for (int rec : numbers) {
            if (rec != next) {
                update.setInt("NEWREC", next);
                update.setInt("OLDREC", rec);
                if (update.hasParameter("DATAPLACEREC"))
                    update.setInt("DATAPLACEREC", DataPlaceRec);
                update.execute();
            }
            ++next;
        }
    });
}

int TDataSentakuListCtl::GetRecOfPasname(const std::string& Path)
{
    int rec = 0;
    try {
        guarded("GetRecOfPasname", "", false, true, [&](Scope&) {
            Statement st(m_transaction, "SELECT REC FROM " + TableName + " WHERE (PASNAME=:PASNAME)" + placeCondition());
            st.setString("PASNAME", Path);
            if (st.hasParameter("DATAPLACEREC"))
                st.setInt("DATAPLACEREC", DataPlaceRec);
            Cursor c = st.open();
            if (c.fetch())
                rec = c.getInt("REC");
        });
    } catch (const std::exception&) {
        return 0;
    }
    return rec;
}

std::string TDataSentakuListCtl::GetLocalDataPath(const TDataListRec& Rec) const
{
    std::string path = paths::excludeTrailingDelimiter(Rec.PASNAME);
    if (Rec.NETDRIVE == 1 && !Rec.PASNAME.empty()) {
        char slot[16];
        std::snprintf(slot, sizeof slot, "%.4d", Rec.REC);
        path = paths::join(selection::catalogueDataFolder(), slot);
        if (!isParentKind(Rec.GASSAN))
            path = paths::join(path, lastElement(Rec.PASNAME));
    }
    return path;
}

bool TDataSentakuListCtl::GetLocalPathToData(const std::string& Path, TDataListRec& Rec)
{
    Rec.PASNAME = Path;
    if (isBlank(Path))
        return false;
    if (ServerListMode == 1 || ConnMode != 0)
        return true;
    const std::string universal = paths::universalPath(Path);
    const bool parent = isParentKind(Rec.GASSAN);
    return guarded("GetLocalPathToData", "", true, false, [&](Scope&) {
        int count = 0;
        {
            Statement st(m_transaction, std::string("SELECT COUNT(REC) AS RECCNT FROM ")
                                            + (parent ? "DATALIST" : "CHILD_DATALIST")
                                            + " WHERE (GROUPID=:GROUPID) AND (UPPER(PASNAME)=:PASNAME)");
            st.setInt("GROUPID", SystemDef.GroupId);
            st.setString("PASNAME", upperAscii(Path));
            count = countOf(st);
        }
        if (count == 0 && Path == universal) {
            const auto e = elements(Path);
            if (parent) {
                Statement st(m_transaction, "SELECT PASNAME FROM DATALIST WHERE (REC=:REC)");
                st.setInt("REC", e.empty() ? 0 : toNumber(e.back()));
                Cursor c = st.open();
                if (c.fetch())
                    Rec.PASNAME = c.getString("PASNAME");
            } else {
                Statement st(m_transaction, "SELECT PASNAME FROM CHILD_DATALIST WHERE (REC=:REC)");
                st.setInt("REC", e.size() < 2 ? 0 : toNumber(e[e.size() - 2]));
                Cursor c = st.open();
                const std::string last = e.empty() ? std::string() : e.back();
                while (c.fetch()) {
                    const std::string candidate = c.getString("PASNAME");
                    if (lastElement(candidate) == last) {
                        Rec.PASNAME = candidate;
                        break;
                    }
                }
            }
            Rec.LocalPath = GetLocalDataPath(Rec);
        }
    }, true);
}

bool TDataSentakuListCtl::ConvLocalPathToSharePath(const std::string& Folder, std::string& SharePath,
                                                   int& KyoyuLock, int& NetDrive)
{
    SharePath = Folder;
    KyoyuLock = 0;
    NetDrive = 0;
    if (isBlank(Folder))
        return false;
    if (ServerListMode == 1 || ConnMode != 0)
        return true;
    const std::string universal = paths::universalPath(Folder);
    return guarded("ConvLocalPathToSharePath", "", true, false, [&](Scope&) {
        int count = 0;
        {
            Statement st(m_transaction,
                         "SELECT COUNT(REC) AS RECCNT FROM DATALIST WHERE (GROUPID=:GROUPID1) AND (UPPER(PASNAME)=:PASNAME) "
                         "UNION ALL SELECT COUNT(REC) AS RECCNT FROM CHILD_DATALIST WHERE (GROUPID=:GROUPID2) AND "
                         "(UPPER(PASNAME)=:PASNAME)");
            st.setInt("GROUPID1", SystemDef.GroupId);
            st.setInt("GROUPID2", SystemDef.GroupId);
            st.setString("PASNAME", upperAscii(Folder));
            count = countOf(st);
        }
        if (count == 0 && Folder == universal) {
            std::string slot, childPart;
            getDataPathNo(Folder, slot, childPart);
            Statement st(m_transaction, "SELECT REC,PASNAME,NETDRIVE,KYOYULOCK FROM DATALIST WHERE REC=:REC");
            st.setInt("REC", toNumber(slot));
            Cursor c = st.open();
            if (c.fetch()) {
                SharePath = c.getString("PASNAME");
                NetDrive = c.getInt("NETDRIVE");
                KyoyuLock = c.getInt("KYOYULOCK");
            }
            if (!childPart.empty())
                SharePath = SharePath + "\\" + childPart;
        }
    }, true);
}

int TDataSentakuListCtl::GetDataListRecordByPath(const std::string& Folder, TDataSentakuRec& SentakuRec)
{
    SentakuRec = TDataSentakuRec{};
    InitDataListRecord(SentakuRec, "");
    SentakuRec.LocalPath = Folder;
    ConvLocalPathToSharePath(Folder, SentakuRec.PASNAME, SentakuRec.KYOYULOCK, SentakuRec.NETDRIVE);
    int recNo = 0;
    if (ConnMode == 0) {
        std::string slot, childPart;
        getDataPathNo(Folder, slot, childPart);
        recNo = toNumber(slot);
    } else {
        recNo = GetRecOfPasname(Folder);
    }
    if (recNo == 0)
        recNo = GetRecOfPasname(Folder);
    if (recNo <= 0) {
        SentakuRec = TDataSentakuRec{};
        InitDataListRecord(SentakuRec, "");
        return 0;
    }
    SentakuRec.REC = recNo;
    GetDataListRecord(0, SentakuRec, false);
    GetDataListChildRecord(SentakuRec, false);
    return 1;
}

void TDataSentakuListCtl::NumberChildNames(TDataSentakuRec& SentakuRec) const
{
    for (std::size_t i = 0; i < SentakuRec.Children.size(); ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%.2d ", static_cast<int>(i + 1));
        SentakuRec.Children[i].DispName = number + SentakuRec.Children[i].ENTTEXT;
    }
}

void TDataSentakuListCtl::DeleteChildItem(TDataSentakuRec& SentakuRec, int Index) const
{
    if (Index >= 0 && Index < static_cast<int>(SentakuRec.Children.size()))
        SentakuRec.Children.erase(SentakuRec.Children.begin() + Index);
    SentakuRec.ChildCnt = std::max(0, SentakuRec.ChildCnt - 1);
    if (static_cast<int>(SentakuRec.Children.size()) > SentakuRec.ChildCnt)
        SentakuRec.Children.resize(static_cast<std::size_t>(SentakuRec.ChildCnt));
}

void TDataSentakuListCtl::GetSubFolderNames(const std::string& Folder, std::vector<std::string>& List) const
{
    List.clear();
    try {
        if (Folder.empty() || !files::directoryExists(Folder))
            return;
        for (const files::Entry& e : files::list(Folder))
            if (e.isDirectory)
                List.push_back(e.name);
        // Name order without regard to case, as the Windows file systems list folders.
        std::sort(List.begin(), List.end(),
                  [](const std::string& a, const std::string& b) { return upperAscii(a) < upperAscii(b); });
    } catch (const std::exception&) {
        List.clear();
    }
}

void TDataSentakuListCtl::GetShareSubFolders(const TDataListRec& Rec, std::vector<std::string>& List) const
{
    GetSubFolderNames(Rec.PASNAME, List);
    for (std::string& name : List)
        name = paths::join(Rec.PASNAME, name);
}

void TDataSentakuListCtl::GetLocalSubFolders(const TDataListRec& Rec, std::vector<std::string>& List) const
{
    GetSubFolderNames(Rec.LocalPath, List);
    for (std::string& name : List)
        name = paths::join(Rec.LocalPath, name);
}

// ---------------------------------------------------------------------------------------------
// The shared-server list and the transfer of shared data sets.

namespace {

constexpr const char* kServerWhere = " WHERE (GROUPID=:GROUPID) AND (DRIVELETTER=:DRIVELETTER)";

// The REC of the one row of a server list (SERVERDATALIST or CHILD_SERVERDATALIST) that names
// Folder; 0 when there is none, and when there were several: those are all deleted.
template <class Keyed>
int soleServerRow(const Keyed& keyed, const std::string& Table, const std::string& Folder)
{
    const std::string where = std::string(kServerWhere) + " AND (PASNAME=:PASNAME)";
    int count = 0;
    {
        auto st = keyed("SELECT COUNT(REC) AS RECCNT FROM " + Table + where);
        st->setString("PASNAME", Folder);
        count = countOf(*st);
    }
    if (count == 1) {
        auto st = keyed("SELECT REC FROM " + Table + where);
        st->setString("PASNAME", Folder);
        Cursor c = st->open();
        return c.fetch() ? c.getInt("REC") : 0;
    }
    if (count > 1) {
        auto st = keyed("DELETE FROM " + Table + where);
        st->setString("PASNAME", Folder);
        st->execute();
    }
    return 0;
}

// The update of a server row's values, the names too with WithNames 1; the WHERE follows.
std::string serverUpdateSql(const std::string& Table, int WithNames)
{
    std::string sql = "UPDATE " + Table +
                      " SET PASNAME=:PASNAME,DATATYPE=:DATATYPE,CODETYPE=:CODETYPE,"
                      "NENDO=:NENDO,KISHU=:KISHU,KIMATU=:KIMATU,DATALOCK=:DATALOCK,TANTOU=:TANTOU,"
                      "VER_MAJOR=:VER_MAJOR,VER_MINOR1=:VER_MINOR1,VER_MINOR2=:VER_MINOR2,VER_TEXT=:VER_TEXT,"
                      "UPDATE_LOCK=:UPDATE_LOCK,GASSAN=:GASSAN,DATACODE=:DATACODE,DATA_STATUS=:DATA_STATUS,"
                      "YOBI1=:YOBI1,YOBI2=:YOBI2,YOBI3=:YOBI3";
    if (WithNames == 1)
        sql += ",ENTTEXT=:ENTTEXT,SHOUGOU=:SHOUGOU";
    return sql;
}

bool isPlaceholder(const std::string& name)
{
    return name == KyoyuEmptyArea || name == KyoyuNewArea;
}

bool holdsDataFile(const std::string& folder)
{
    try {
        return files::fileExists(paths::join(folder, DataFile));
    } catch (const std::exception&) {
        return false;
    }
}

bool folderExists(const std::string& folder)
{
    try {
        return !folder.empty() && files::directoryExists(folder);
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

void TDataSentakuListCtl::showShareMessage(const std::string& text, const std::vector<std::string>& lines) const
{
    g_shareMessage(text, lines);
}

void TDataSentakuListCtl::showStateMessage(const std::string& area, const selection::DataInfoRec& info,
                                           bool damaged) const
{
    std::vector<std::string> lines = {"【データフォルダ】", "　" + area, "", "【オペレータ】"};
    if (info.SHARE_OPCODE > 0) {
        const int code = SystemDef.GroupId != 0 ? info.SHARE_OPCODE % (SystemDef.GroupId * 10000) : info.SHARE_OPCODE;
        lines.push_back("　" + std::to_string(code));
    }
    lines.insert(lines.end(), {"", "【オペレータ名】", "　" + info.SHARE_OPERATOR});
    showShareMessage(damaged ? "共有サーバー上のデータが破損しているため、共有データの取得を中止します。\r"
                               "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。"
                             : "共有データは現在使用されています。",
                     lines);
}

void TDataSentakuListCtl::ServerExecute(std::uint8_t Mode, const std::string& ShareRoot, const std::string&,
                                        bool Descending, std::uint8_t SortKind)
{
    ClearList();
    if (ServerListMode == 0)
        return;
    const std::string drive = driveLetter(ShareRoot);
    auto bindKeys = [&](Statement& st) {
        st.setInt("GROUPID", SystemDef.GroupId);
        st.setString("DRIVELETTER", drive);
    };

    if (Mode == 1) {
        guarded("ServerExecute", "共有データリストの取得に失敗しました。", true, false, [&](Scope&) {
            for (const char* table : {"SERVERDATALIST", "CHILD_SERVERDATALIST"}) {
                Statement st(m_transaction, std::string("DELETE FROM ") + table + kServerWhere);
                bindKeys(st);
                st.execute();
            }
            std::vector<std::string> names;
            GetSubFolderNames(ShareRoot, names);
            for (const std::string& name : names) {
                TDataSentakuRec entry;
                InitDataListRecord(entry, "");
                entry.ENTTEXT = KyoyuEmptyArea;
                entry.NENDO = 0;
                entry.KikanText = "～";
                entry.NETDRIVE = 1;
                entry.PASNAME = paths::excludeTrailingDelimiter(ShareRoot) + "\\" + name;
                entry.DispName = entry.ENTTEXT;
                entry.LocalPath = GetLocalDataPath(entry);
                DataList.push_back(std::move(entry));
            }
            for (TDataSentakuRec& entry : DataList) {
                std::vector<std::string> childNames;
                GetSubFolderNames(entry.PASNAME, childNames);
                for (std::size_t i = 0; i < childNames.size(); ++i) {
                    TDataListRec child;
                    InitDataListRecord(child, "");
                    child.ROWNO = static_cast<int>(i + 1);
                    child.PASNAME = entry.PASNAME + "\\" + childNames[i];
                    child.ENTTEXT = KyoyuEmptyArea;
                    child.DispName = child.ENTTEXT;
                    child.NENDO = 0;
                    child.KikanText = "～";
                    child.NETDRIVE = 1;
                    child.GASSAN = GassanChild;
                    ChildList.push_back(child);
                    entry.Children.push_back(child);
                }
                entry.ChildCnt = static_cast<int>(entry.Children.size());
            }
            DataCount = static_cast<int>(DataList.size());
            ChildCount = static_cast<int>(ChildList.size());
        });
        return;
    }

    const std::string named = std::string(" AND (ENTTEXT<>'' AND ENTTEXT<>'") + KyoyuEmptyArea
                              + "' AND ENTTEXT<>'" + KyoyuNewArea + "')";
    std::string condition;
    std::string order;
    bool unnamedAfter = true;
    switch (SortKind) {
    case 2: order = Descending ? "ORDER BY ENTTEXT DESC,PASNAME DESC" : "ORDER BY ENTTEXT,PASNAME"; break;
    case 3: order = Descending ? "ORDER BY NENDO DESC,PASNAME DESC" : "ORDER BY NENDO,PASNAME"; break;
    case 4: order = Descending ? "ORDER BY KISHU DESC,PASNAME DESC" : "ORDER BY KISHU,PASNAME"; break;
    case 6:
        order = Descending ? "ORDER BY VER_MAJOR DESC,VER_MINOR1 DESC,VER_MINOR2 DESC,REC DESC"
                           : "ORDER BY VER_MAJOR,VER_MINOR1,VER_MINOR2,REC";
        break;
    case 7: order = Descending ? "ORDER BY DATACODE DESC,REC DESC" : "ORDER BY DATACODE,REC"; break;
    case 5:
        order = Descending ? "ORDER BY PASNAME DESC" : "ORDER BY PASNAME";
        unnamedAfter = false;
        break;
    default:
        order = "ORDER BY PASNAME";
        unnamedAfter = false;
        break;
    }
    if (unnamedAfter)
        condition = named;

    guarded("ServerExecute", "共有データリストの取得に失敗しました。", true, true, [&](Scope&) {
        const std::string select = std::string("SELECT REC,0 AS ROWNO,") + kServerColumns
                                   + " FROM SERVERDATALIST WHERE (DRIVELETTER=:DRIVELETTER) AND (GROUPID=:GROUPID)";
        auto readInto = [&](const std::string& sql) {
            Statement st(m_transaction, sql);
            bindKeys(st);
            Cursor c = st.open();
            while (c.fetch()) {
                TDataSentakuRec entry;
                readRow(c, entry, true);
                entry.ROWNO = 0;
                entry.NETDRIVE = 1;
                entry.KYOYULOCK = 0;
                entry.LocalPath = GetLocalDataPath(entry);
                DataList.push_back(std::move(entry));
            }
        };
        readInto(select + condition + " " + order);
        if (unnamedAfter)
            readInto(select + " AND (ENTTEXT='' OR ENTTEXT='" + KyoyuEmptyArea + "' OR ENTTEXT='" + KyoyuNewArea
                     + "') ORDER BY PASNAME");
        DataCount = static_cast<int>(DataList.size());

        Statement st(m_transaction, std::string("SELECT REC,ROWNO,") + kServerColumns + " FROM CHILD_SERVERDATALIST"
                                        + kServerWhere + " ORDER BY REC,PASNAME");
        bindKeys(st);
        Cursor c = st.open();
        while (c.fetch()) {
            TDataListRec child;
            readRow(c, child, true);
            child.NETDRIVE = 1;
            child.KYOYULOCK = 0;
            child.LocalPath = GetLocalDataPath(child);
            ChildList.push_back(child);
            for (TDataSentakuRec& parent : DataList) {
                if (parent.REC == child.REC) {
                    parent.Children.push_back(child);
                    parent.ChildCnt = static_cast<int>(parent.Children.size());
                    break;
                }
            }
        }
        ChildCount = static_cast<int>(ChildList.size());
    });
}

bool TDataSentakuListCtl::UpdateServerDataListRecord(TDataListRec& Rec, int WithNames, bool ReportErrors)
{
    if (Rec.NETDRIVE == 0)
        return true;
    if (Rec.GASSAN == GassanChild)
        return UpdateServerDataListChildRecord(Rec, WithNames, ReportErrors);
    const std::string drive = driveLetter(Rec.PASNAME);
    return guarded("UpdateServerDataListRecord", "共有データリストの更新に失敗しました。", ReportErrors, false,
                   [&](Scope&) {
                       auto keyed = [&](const std::string& sql) {
                           auto st = std::make_unique<Statement>(m_transaction, sql);
                           st->setInt("GROUPID", SystemDef.GroupId);
                           st->setString("DRIVELETTER", drive);
                           return st;
                       };
                       Rec.REC = soleServerRow(keyed, "SERVERDATALIST", Rec.PASNAME);
                       if (folderExists(Rec.PASNAME)) {
                           if (Rec.REC != 0) {
                               auto st = keyed(serverUpdateSql("SERVERDATALIST", WithNames) + kServerWhere +
                                               " AND (REC=:REC)");
                               bindRow(*st, Rec, false);
                               st->execute();
                           } else {
                               {
                                   auto st = keyed(std::string("SELECT MAX(REC) AS RECMAX FROM SERVERDATALIST") + kServerWhere);
                                   Cursor c = st->open();
                                   Rec.REC = (c.fetch() ? c.getInt("RECMAX") : 0) + 1;
                               }
                               auto st = keyed(
                                   "INSERT INTO SERVERDATALIST(GROUPID,DRIVELETTER,REC,ENTTEXT,SHOUGOU,PASNAME,DATATYPE,"
                                   "CODETYPE,NENDO,KISHU,KIMATU,DATALOCK,TANTOU,VER_MAJOR,VER_MINOR1,VER_MINOR2,VER_TEXT,"
                                   "UPDATE_LOCK,GASSAN,DATACODE,DATA_STATUS,YOBI1,YOBI2,YOBI3) VALUES(:GROUPID,"
                                   ":DRIVELETTER,:REC,:ENTTEXT,:SHOUGOU,:PASNAME,:DATATYPE,:CODETYPE,:NENDO,:KISHU,"
                                   ":KIMATU,:DATALOCK,:TANTOU,:VER_MAJOR,:VER_MINOR1,:VER_MINOR2,:VER_TEXT,:UPDATE_LOCK,"
                                   ":GASSAN,:DATACODE,:DATA_STATUS,:YOBI1,:YOBI2,:YOBI3)");
                               bindRow(*st, Rec, false);
                               st->execute();
                           }
                       }
                       if (!isPlaceholder(Rec.ENTTEXT) && Rec.KISHU == 0 && Rec.KIMATU == 0 && Rec.REC != 0) {
                           auto st = keyed(std::string("DELETE FROM SERVERDATALIST") + kServerWhere + " AND (REC=:REC)");
                           st->setInt("REC", Rec.REC);
                           st->execute();
                       }
                       Statement st(m_transaction, "UPDATE DATALIST SET DATALOCK=:DATALOCK WHERE PASNAME=:PASNAME");
                       st.setInt("DATALOCK", Rec.DATALOCK);
                       st.setString("PASNAME", Rec.PASNAME);
                       st.execute();
                   });
}

bool TDataSentakuListCtl::UpdateServerDataListChildRecord(TDataListRec& Rec, int WithNames, bool ReportErrors)
{
    if (Rec.NETDRIVE == 0)
        return true;
    const std::string drive = driveLetter(Rec.PASNAME);
    return guarded("UpdateServerDataListChildRecord", "共有(子)データリストの更新に失敗しました。", ReportErrors, false,
                   [&](Scope&) {
                       auto keyed = [&](const std::string& sql) {
                           auto st = std::make_unique<Statement>(m_transaction, sql);
                           st->setInt("GROUPID", SystemDef.GroupId);
                           st->setString("DRIVELETTER", drive);
                           return st;
                       };
                       const int serverRec = soleServerRow(keyed, "CHILD_SERVERDATALIST", Rec.PASNAME);
                       if (serverRec != 0) {
                           Rec.REC = serverRec;
                           auto st = keyed(serverUpdateSql("CHILD_SERVERDATALIST", WithNames) + kServerWhere +
                                           " AND (REC=:REC) AND (ROWNO=:ROWNO)");
                           bindRow(*st, Rec, false);
                           st->execute();
                       } else {
                           int parentRec = 0;
                           {
                               auto st = keyed(std::string("SELECT REC FROM SERVERDATALIST") + kServerWhere +
                                               " AND (PASNAME=:PASNAME)");
                               st->setString("PASNAME", parentFolder(Rec.PASNAME));
                               Cursor c = st->open();
                               if (c.fetch())
                                   parentRec = c.getInt("REC");
                           }
                           if (parentRec != 0) {
                               Rec.REC = parentRec;
                               auto st = keyed(
                                   "INSERT INTO CHILD_SERVERDATALIST(GROUPID,DRIVELETTER,REC,ROWNO,ENTTEXT,SHOUGOU,PASNAME,"
                                   "DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,DATALOCK,TANTOU,VER_MAJOR,VER_MINOR1,VER_MINOR2,"
                                   "VER_TEXT,UPDATE_LOCK,GASSAN,DATACODE,DATA_STATUS,YOBI1,YOBI2,YOBI3) VALUES(:GROUPID,"
                                   ":DRIVELETTER,:REC,:ROWNO,:ENTTEXT,:SHOUGOU,:PASNAME,:DATATYPE,:CODETYPE,:NENDO,:KISHU,"
                                   ":KIMATU,:DATALOCK,:TANTOU,:VER_MAJOR,:VER_MINOR1,:VER_MINOR2,:VER_TEXT,:UPDATE_LOCK,"
                                   ":GASSAN,:DATACODE,:DATA_STATUS,:YOBI1,:YOBI2,:YOBI3)");
                               bindRow(*st, Rec, false);
                               st->execute();
                           }
                       }
                       Statement st(m_transaction, "UPDATE CHILD_DATALIST SET DATALOCK=:DATALOCK WHERE PASNAME=:PASNAME");
                       st.setInt("DATALOCK", Rec.DATALOCK);
                       st.setString("PASNAME", Rec.PASNAME);
                       st.execute();
                   });
}

bool TDataSentakuListCtl::DeleteServerDataListChildRecord(const TDataListRec& Rec, bool ReportErrors)
{
    if (Rec.NETDRIVE == 0)
        return true;
    if (isBlank(Rec.PASNAME))
        return false;
    const bool child = Rec.GASSAN == GassanChild;
    return guarded("DeleteServerDataListChildRecord", "共有(子)データリストの削除に失敗しました。", ReportErrors, false,
                   [&](Scope&) {
                       Statement st(m_transaction,
                                    child ? "DELETE FROM CHILD_SERVERDATALIST WHERE GROUPID=:GROUPID AND "
                                            "DRIVELETTER=:DRIVELETTER AND REC=:REC AND ROWNO=:ROWNO"
                                          : "DELETE FROM CHILD_SERVERDATALIST WHERE GROUPID=:GROUPID AND "
                                            "DRIVELETTER=:DRIVELETTER AND REC=:REC");
                       st.setInt("GROUPID", SystemDef.GroupId);
                       st.setString("DRIVELETTER", driveLetter(Rec.PASNAME));
                       st.setInt("REC", Rec.REC);
                       if (child)
                           st.setInt("ROWNO", Rec.ROWNO);
                       st.execute();
                   });
}

void TDataSentakuListCtl::GetNextShareFolderName(const std::string& ShareRoot, int Delta, std::string& Name)
{
    int number = 0;
    bool ok = false;
    try {
        ok = guarded("GetNextShareFolderName", "", false, true, [&](Scope&) {
            Statement st(m_transaction, std::string("SELECT MAX(PASNAME) AS MAXPATH FROM SERVERDATALIST") + kServerWhere
                                            + " AND (PASNAME STARTING WITH :PASNAME)");
            st.setInt("GROUPID", SystemDef.GroupId);
            st.setString("DRIVELETTER", driveLetter(ShareRoot));
            st.setString("PASNAME", paths::excludeTrailingDelimiter(ShareRoot) + "\\sv");
            Cursor c = st.open();
            const std::string maxPath = c.fetch() ? c.getString("MAXPATH") : std::string();
            number = toNumber(ZenkakuTrim(RightFixStr(maxPath, 4)));
        });
    } catch (const std::exception&) {
        ok = false;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "sv%.4d", ok ? number + Delta : 1);
    Name = buffer;
}

int TDataSentakuListCtl::KyoyuDataDown(TDataSentakuRec& SentakuRec, int Mode)
{
    TDataListRec& rec = SentakuRec;
    if (rec.PASNAME.empty() || rec.LocalPath.empty())
        return 0;
    const std::string area = rec.PASNAME;

    selection::DataInfoRec info;
    if (!m_info->ReadIniFileCurHost(area, info)) {
        if (!isPlaceholder(rec.ENTTEXT)) {
            if (Mode != 1)
                showShareMessage("共有サーバーが起動していない、接続が切断されている または "
                                 "共有サーバー上のデータ領域が削除された可能性があります。",
                                 {"【共有データパス】", area});
            return 0;
        }
    }
    bool damaged = info.STATUS == 10;
    const std::string fallback = rec.ENTTEXT.empty() ? std::string(KyoyuEmptyArea) : rec.ENTTEXT;
    if (info.SHOUGOU.empty())
        info.SHOUGOU = fallback;
    if (info.DATALISTNAME.empty())
        info.DATALISTNAME = fallback;
    rec.ENTTEXT = info.DATALISTNAME;
    rec.DispName = info.DATALISTNAME;
    rec.UPDATE_LOCK = info.UPDATE_LOCK;
    rec.GASSAN = static_cast<std::uint8_t>(info.GASSANKBN);
    DataInfomationToRecord(info, rec);
    rec.KYOYULOCK = 0;
    UpdateDataListRecord(rec, 0, true);
    DeleteDataListChildRecord(rec, true);

    if (!damaged && isConsolidated(rec.GASSAN)) {
        SentakuRec.Children.clear();
        SentakuRec.ChildCnt = 0;
        std::vector<std::string> subFolders;
        GetShareSubFolders(rec, subFolders);
        for (std::size_t p = 0; p < subFolders.size(); ++p) {
            if (!holdsDataFile(subFolders[p]))
                continue;
            selection::DataInfoRec childInfo;
            m_info->ReadIniFileCurHost(subFolders[p], childInfo);
            if (childInfo.STATUS == 10)
                damaged = true;
            TDataListRec child;
            InitDataListRecord(child, subFolders[p]);
            child.REC = rec.REC;
            child.ROWNO = static_cast<int>(p + 1);
            child.NETDRIVE = rec.NETDRIVE;
            child.UPDATE_LOCK = rec.UPDATE_LOCK;
            child.GASSAN = GassanChild;
            DataInfomationToRecord(childInfo, child);
            child.KYOYULOCK = 0;
            UpdateDataListRecord(child, 0, true);
            SentakuRec.Children.push_back(child);
        }
        SentakuRec.ChildCnt = static_cast<int>(SentakuRec.Children.size());
    }

    if (damaged) {
        showStateMessage(area, info, true);
        return -1;
    }

    // Gives the area back only where this login holds it.
    auto releaseOwn = [&](const std::string& folder) {
        try {
            selection::DataInfoRec now;
            if (m_info->ReadIniFileCurHost(folder, now) && now.SHARE_STATUS == 2
                && now.SHARE_OPCODE == SystemDef.LoginId)
                m_info->SetShareStatus(folder, 1);
        } catch (const std::exception&) {
        }
    };

    // Children first: the parent's take-out guards the whole set, so it is taken last, and a
    // child that cannot be fetched leaves the local parent and the server as they were.
    const bool consolidated = isConsolidated(rec.GASSAN);
    std::vector<std::string> takenChildren;
    std::vector<std::string> childNames;
    auto releaseChildren = [&] {
        for (const std::string& folder : takenChildren)
            releaseOwn(folder);
    };
    if (consolidated) {
        for (TDataListRec& child : SentakuRec.Children) {
            if (!holdsDataFile(child.PASNAME))
                continue;
            const std::string name = lastElement(child.PASNAME);
            const int childResult = m_info->CopyFromShareServer(child.PASNAME, paths::join(rec.LocalPath, name), 1);
            if (childResult == 0) {
                reportTransferFailure(false, child, child.PASNAME);
                releaseOwn(child.PASNAME);
                releaseChildren();
                return 0;
            }
            if (childResult == 1)
                takenChildren.push_back(child.PASNAME);
            childNames.push_back(name);
        }
    }

    int result = 0;
    try {
        result = m_info->CopyFromShareServer(area, rec.LocalPath, Mode);
    } catch (...) {
        releaseChildren();
        throw;
    }
    if (result == 0) {
        reportTransferFailure(false, rec, area);
        releaseOwn(area);
        releaseChildren();
        return 0;
    }
    if (result == -1) {
        // A read-only copy: nothing of the set stays taken out by this login.
        releaseChildren();
        selection::DataInfoRec last;
        m_info->ReadIniFileCurHost(area, last);
        showStateMessage(area, last, last.STATUS == 10);
    }

    rec.KYOYULOCK = result == 1 ? 1 : 0;
    UpdateDataListRecord(rec, 0, true);
    if (consolidated) {
        for (TDataListRec& child : SentakuRec.Children) {
            child.KYOYULOCK = rec.KYOYULOCK;
            UpdateDataListRecord(child, 0, true);
        }
        // Local children the server no longer has.
        std::vector<std::string> localSubFolders;
        GetLocalSubFolders(rec, localSubFolders);
        for (const std::string& folder : localSubFolders) {
            const std::string name = lastElement(folder);
            const bool current = std::any_of(childNames.begin(), childNames.end(),
                                             [&](const std::string& n) { return paths::samePath(n, name); });
            if (current || !holdsDataFile(folder))
                continue;
            try {
                files::removeAll(folder);
            } catch (const std::exception& e) {
                g_reporter("TDataSentakuListCtl.KyoyuDataDown", "フォルダの削除に失敗しました。", e);
            }
        }
    }
    return result;
}

namespace {

// The data set's files ("dwacc.*") of some folders as they are now, to be put back when a store
// of a consolidated set fails after some of its areas were already written.
class FolderSnapshot {
public:
    void take(const std::string& folder)
    {
        const std::string prefix = upperAscii(paths::changeFileExt(DataFile, "")) + ".";
        Folder f{folder, {}};
        if (files::directoryExists(folder))
            for (const auto& e : files::list(folder))
                if (!e.isDirectory && upperAscii(e.name).rfind(prefix, 0) == 0)
                    f.files.emplace_back(e.name, files::readAll(paths::join(folder, e.name)));
        m_folders.push_back(std::move(f));
    }
    // Every folder as taken: changed files written back, files that were not there removed.
    void restore() const
    {
        const std::string prefix = upperAscii(paths::changeFileExt(DataFile, "")) + ".";
        for (const Folder& f : m_folders) {
            try {
                if (!files::directoryExists(f.path))
                    continue;
                for (const auto& e : files::list(f.path)) {
                    const bool kept = std::any_of(f.files.begin(), f.files.end(),
                                                  [&](const auto& k) { return k.first == e.name; });
                    if (!e.isDirectory && !kept && upperAscii(e.name).rfind(prefix, 0) == 0)
                        files::removeFile(paths::join(f.path, e.name));
                }
                for (const auto& [name, bytes] : f.files)
                    if (!files::fileExists(paths::join(f.path, name))
                        || files::readAll(paths::join(f.path, name)) != bytes)
                        files::writeAllAtomic(paths::join(f.path, name), bytes);
            } catch (const std::exception&) {
            }
        }
    }

private:
    struct Folder {
        std::string path;
        std::vector<std::pair<std::string, std::string>> files;
    };
    std::vector<Folder> m_folders;
};

} // namespace

int TDataSentakuListCtl::KyoyuDataUp(TDataSentakuRec& SentakuRec, int Mode)
{
    TDataListRec& rec = SentakuRec;
    if (rec.PASNAME.empty() || rec.LocalPath.empty())
        return 0;
    const std::string area = rec.PASNAME;

    auto refused = [&]() {
        selection::DataInfoRec last;
        m_info->ReadIniFileCurHost(area, last);
        showStateMessage(area, last, last.STATUS == 10);
        return -1;
    };
    {
        // Nothing is sent while another operator has the area out.
        selection::DataInfoRec now;
        if (m_info->ReadIniFileCurHost(area, now)
            && (now.STATUS == 10 || (now.SHARE_STATUS == 2 && now.SHARE_OPCODE != SystemDef.LoginId)))
            return refused();
        // The copy itself stores over a damaged area; a damaged child area refuses the set too.
        if (isConsolidated(rec.GASSAN)) {
            for (const TDataListRec& child : SentakuRec.Children) {
                selection::DataInfoRec childNow;
                if (holdsDataFile(child.LocalPath) && m_info->ReadIniFileCurHost(child.PASNAME, childNow)
                    && childNow.STATUS == 10) {
                    showStateMessage(child.PASNAME, childNow, true);
                    return -1;
                }
            }
        }
    }

    // Children first: the parent's share state, which guards the whole set, is given back last.
    // A failure anywhere puts back the children already stored (their areas and local
    // information files), so the set stays taken out by this login and the local copy stays
    // the master.
    std::vector<std::string> current;
    FolderSnapshot stored;
    if (isConsolidated(rec.GASSAN)) {
        for (const TDataListRec& child : SentakuRec.Children) {
            if (!holdsDataFile(child.LocalPath))
                continue;
            try {
                stored.take(child.PASNAME);
                stored.take(child.LocalPath);
            } catch (const std::exception&) {
                stored.restore();
                if (Mode == 1)
                    return 0;
                throw;
            }
            const int childResult = m_info->CopyToShareServer(child.PASNAME, child.LocalPath, 1);
            if (childResult <= 0)
                stored.restore();
            if (childResult < 0)
                return refused();
            if (childResult == 0) {
                reportTransferFailure(true, child, child.PASNAME);
                return 0;
            }
            current.push_back(child.PASNAME);
        }
    }

    int result = 0;
    try {
        result = m_info->CopyToShareServer(area, rec.LocalPath, Mode);
    } catch (...) {
        stored.restore();
        throw;
    }
    if (result <= 0)
        stored.restore();
    if (result == 0) {
        reportTransferFailure(true, rec, area);
        return 0;
    }
    if (result < 0)
        return refused();

    rec.KYOYULOCK = 0;
    UpdateDataListRecord(rec, 0, true);
    for (TDataListRec& child : SentakuRec.Children) {
        child.KYOYULOCK = 0;
        UpdateDataListRecord(child, 0, true);
    }
    // Child areas on the server that the local set no longer has.
    std::vector<std::string> serverSubFolders;
    GetShareSubFolders(rec, serverSubFolders);
    for (const std::string& folder : serverSubFolders) {
        if (!holdsDataFile(folder))
            continue;
        const bool keep = std::any_of(current.begin(), current.end(),
                                      [&](const std::string& c) { return paths::samePath(c, folder); });
        if (!keep) {
            try {
                files::removeAll(folder);
            } catch (const std::exception&) {
            }
        }
    }
    return 1;
}
