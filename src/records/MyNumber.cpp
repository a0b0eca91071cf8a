// Individual-number settings, their management log and the management password prompt.
#include "records/MyNumber.h"

#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Colors.h"
#include "platform/MessageService.h"
#include "platform/Text.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/DbHelpers.h"
#include "records/ProgramRecords.h"
#include "records/TextProtection.h"
#include "records/TextRoutines.h"

#include <QDateTime>

#include <exception>
#include <stdexcept>

namespace {

constexpr const char* kGroup = "基本設定";
constexpr const char* kUse = "＃USE";
constexpr const char* kKey = "＃KEY";
constexpr const char* kValue = "＃VALUE";

platform::TDateTime nowAsDateTime()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    return platform::encodeDate(d.year(), d.month(), d.day()) +
           now.time().msecsSinceStartOfDay() / 86400000.0;
}

std::string trimBlanks(const std::string& s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

// Cut to a column's byte width without splitting a double-byte character, then trimmed.
std::string cutTo(const std::string& s, std::size_t width)
{
    if (platform::text::cp932Width(s) <= width)
        return trimBlanks(s);
    return trimBlanks(platform::text::headByWidth(s, width));
}

using platform::text::upperAscii;

// The data set's folder: the file with every "\" + data file name taken out.
std::string folderOf(const std::string& dbFile)
{
    const std::string name = "\\" + upperAscii(DataFile);
    std::string out;
    const std::string up = upperAscii(dbFile);
    std::size_t at = 0;
    for (std::size_t hit; (hit = up.find(name, at)) != std::string::npos; at = hit + name.size())
        out += dbFile.substr(at, hit - at);
    out += dbFile.substr(at);
    return out;
}

bool sameFolder(const std::string& a, const std::string& b)
{
    auto norm = [](std::string s) {
        while (!s.empty() && (s.back() == '\\' || s.back() == '/'))
            s.pop_back();
        return upperAscii(s);
    };
    return norm(a) == norm(b);
}

TDM& dm()
{
    if (!DM)
        throw std::logic_error("the data module does not exist");
    return *DM;
}

const char* actionText(int state)
{
    switch (state) {
    case 1: return "が登録";
    case 2: return "が変更";
    case 3: return "が削除";
    case 4: return "が参照";
    case 5: return "が印刷";
    case 6: return "を含むデータが保存";
    case 7: return "を含むデータが復元";
    default: return "**";
    }
}

void bindEntry(firebird::Statement& st, const TMyNumberLogRec& r)
{
    st.setDateTime("FHIZUKE", r.FHIZUKE);
    st.setString("FSERIAL", r.FSERIAL);
    st.setString("FOPCODE", r.FOPCODE);
}

} // namespace

TMyNumberIO::TMyNumberIO() = default;

template <typename Work>
void TMyNumberIO::onDataFile(const std::string& Host, const std::string& DbFile, bool testExists,
                             Work&& work)
{
    TDM& d = dm();
    if (testExists && !d.FExist(DbFile, ConnectMode))
        return;
    const std::string folder = folderOf(DbFile);
    const bool wasOpen = d.IBDatabaseDAT.connected() && sameFolder(d.companyFolder(), folder);
    // Another data set's database may be open (the dialog's current one): it is closed for the
    // call and opened again afterwards, so the work never lands in the wrong data.
    std::string other;
    if (!wasOpen && d.IBDatabaseDAT.connected())
        other = d.companyFolder().empty() ? SystemDef.DataDir : d.companyFolder();
    struct Reopen {
        TDM& d;
        const std::string& host;
        const std::string& folder;
        bool opened = false;
        std::string other;
        ~Reopen()
        {
            try {
                if (opened)
                    d.fnAccDatDisconnected(folder, 0, 0);
                if (!other.empty())
                    d.fnAccDatConnected(host, other, 0);
            } catch (const std::exception&) {
            }
        }
    } reopen{d, Host, folder, false, other};
    if (!wasOpen) {
        reopen.opened = true;
        if (!d.fnAccDatConnected(Host, folder, 0))
            return;
    }
    work();
}

void TMyNumberIO::SetLogRec(TMyNumberLogRec& Rec, int State, const std::string& ProcName) const
{
    Rec.FHIZUKE = 0;
    Rec.FSERIAL = SystemDef.SerialText;
    Rec.FOPCODE = std::to_string(SystemDef.LoginCode);
    Rec.FOPNAME = SystemDef.OperatorName;
    Rec.FHOST = cutTo(SystemDef.PcName, 30);
    Rec.FSTATE = static_cast<std::uint8_t>(State);
    Rec.FPROCNAME = cutTo(ProcName, 40);
    std::string comment = std::string("マイナンバー情報") + actionText(State) + "されました。";
    if (State == 6 && Rec.FPROCNAME.find("送信") != std::string::npos)
        comment = "マイナンバー情報を含むデータが送信されました。";
    else if (State == 7 && Rec.FPROCNAME.find("受信") != std::string::npos)
        comment = "マイナンバー情報を含むデータが受信されました。";
    Rec.FCOMMENT = cutTo(comment, 100);
}

void TMyNumberIO::AddLog(TMyNumberLogRec& Rec)
{
    TDM& d = dm();
    int attempts = 0;
    bool done = false;
    do {
        firebird::StartedHere tr(d.IBTransactionDAT);
        try {
            firebird::Statement st(d.IBTransactionDAT,
                                   "INSERT INTO MYNUMBER_LOG(FHIZUKE,FSERIAL,FOPCODE,FOPNAME,FHOST,"
                                   "FSTATE,FPROCNAME,FCOMMENT)\n"
                                   "VALUES(:FHIZUKE,:FSERIAL,:FOPCODE,:FOPNAME,:FHOST,:FSTATE,"
                                   ":FPROCNAME,:FCOMMENT)");
            if (Rec.FHIZUKE == 0)
                Rec.FHIZUKE = nowAsDateTime();
            bindEntry(st, Rec);
            st.setString("FOPNAME", Rec.FOPNAME);
            st.setString("FHOST", Rec.FHOST);
            st.setInt("FSTATE", Rec.FSTATE);
            st.setString("FPROCNAME", Rec.FPROCNAME);
            st.setString("FCOMMENT", Rec.FCOMMENT);
            st.execute();
            tr.commit();
            done = true;
        } catch (const firebird::DatabaseError& e) {
            tr.rollback();
            if (e.statusCode() == firebird::kUniqueViolation) {
                Rec.FHIZUKE = 0;
                ++attempts;
            } else {
                HandleDbError(e, "TMyNumberIO.AddLog", "管理ログリストの追加に失敗しました。",
                              true);
                return;
            }
        } catch (const std::exception& e) {
            tr.rollback();
            ShowErrorDialog("管理ログリストの追加に失敗しました。", e.what(), 1);
            return;
        }
    } while (!done && Rec.FHIZUKE == 0 && attempts < 4);
}

void TMyNumberIO::AddLogTo(TMyNumberLogRec& Rec, const std::string& Host,
                           const std::string& DbFile)
{
    onDataFile(Host, DbFile, true, [&] { AddLog(Rec); });
}

void TMyNumberIO::ReadLog(int Order)
{
    LogCount = 0;
    LogList.clear();
    TDM& d = dm();
    firebird::StartedHere tr(d.IBTransactionDAT);
    try {
        firebird::Statement st(d.IBTransactionDAT, "SELECT SHOUGOU FROM ACCDEF1\nWHERE REC=1");
        {
            firebird::Cursor c = st.open();
            CompanyName = c.fetch() && !c.isNull(0) ? c.getString(0) : std::string();
        }
        st.setSql("SELECT COUNT(FSERIAL) AS RECCNT FROM MYNUMBER_LOG");
        {
            firebird::Cursor c = st.open();
            LogCount = c.fetch() ? c.getInt("RECCNT") : 0;
        }
        if (LogCount > 0) {
            LogList.reserve(std::size_t(LogCount));
            st.setSql(std::string("SELECT FHIZUKE,FSERIAL,FOPCODE,FOPNAME,FHOST,FSTATE,FPROCNAME,"
                                  "FCOMMENT\nFROM MYNUMBER_LOG\n") +
                      (Order == 1 ? "ORDER BY FHIZUKE DESC,FSERIAL,FOPCODE"
                                  : "ORDER BY FHIZUKE,FSERIAL,FOPCODE"));
            firebird::Cursor c = st.open();
            while (int(LogList.size()) < LogCount && c.fetch()) {
                TMyNumberLogRec r;
                r.FHIZUKE = c.isNull("FHIZUKE") ? 0 : c.getDateTime("FHIZUKE");
                r.FSERIAL = c.getString("FSERIAL");
                r.FOPCODE = c.getString("FOPCODE");
                r.FOPNAME = c.isNull("FOPNAME") ? "" : c.getString("FOPNAME");
                r.FHOST = c.isNull("FHOST") ? "" : c.getString("FHOST");
                r.FSTATE = c.isNull("FSTATE") ? 0 : std::uint8_t(c.getInt("FSTATE"));
                r.FPROCNAME = c.isNull("FPROCNAME") ? "" : c.getString("FPROCNAME");
                r.FCOMMENT = c.isNull("FCOMMENT") ? "" : c.getString("FCOMMENT");
                LogList.push_back(std::move(r));
            }
        }
        tr.commit();
    } catch (const std::exception& e) {
        tr.rollback();
        ShowErrorDialog("管理ログリストの取得に失敗しました。", e.what(), 1);
    }
}

void TMyNumberIO::ReadLogOf(const std::string& Host, const std::string& DbFile)
{
    onDataFile(Host, DbFile, true, [&] { ReadLog(0); });
}

void TMyNumberIO::MergeLog(const std::string& Host, const std::string& DbFile)
{
    if (CompanyName.empty())
        return;
    onDataFile(Host, DbFile, true, [&] {
        TDM& d = dm();
        firebird::StartedHere tr(d.IBTransactionDAT);
        try {
            firebird::Statement st(d.IBTransactionDAT,
                                   "SELECT SHOUGOU FROM ACCDEF1\nWHERE REC=1");
            std::string target;
            {
                firebird::Cursor c = st.open();
                target = c.fetch() && !c.isNull(0) ? c.getString(0) : std::string();
            }
            if (target == CompanyName) {
                st.setSql("SELECT COUNT(FHIZUKE) AS RECCNT FROM MYNUMBER_LOG\n"
                          "WHERE (FHIZUKE=:FHIZUKE) AND (FSERIAL=:FSERIAL) AND "
                          "(FOPCODE=:FOPCODE) AND (FHOST=:FHOST)");
                for (TMyNumberLogRec r : LogList) {
                    bindEntry(st, r);
                    st.setString("FHOST", r.FHOST);
                    int count = 0;
                    {
                        firebird::Cursor c = st.open();
                        count = c.fetch() ? c.getInt("RECCNT") : 0;
                    }
                    if (count == 0)
                        AddLog(r);
                }
            }
            tr.commit();
        } catch (const std::exception& e) {
            tr.rollback();
            ShowErrorDialog("管理ログリストのマージに失敗しました。", e.what(), 1);
        }
    });
}

void TMyNumberIO::DeleteLog(const TMyNumberLogRec& Rec)
{
    TDM& d = dm();
    firebird::StartedHere tr(d.IBTransactionDAT);
    try {
        firebird::Statement st(d.IBTransactionDAT,
                               "DELETE FROM MYNUMBER_LOG\n"
                               "WHERE (FHIZUKE=:FHIZUKE) AND (FSERIAL=:FSERIAL) AND "
                               "(FOPCODE=:FOPCODE)");
        bindEntry(st, Rec);
        st.execute();
        tr.commit();
    } catch (const std::exception& e) {
        tr.rollback();
        ShowErrorDialog("管理ログリストの削除に失敗しました。", e.what(), 1);
    }
}

void TMyNumberIO::ReadSettings(const std::string& Host, const std::string& DbFile,
                               const std::string& Mode, const std::string& ProcName)
{
    UseSwitch = 0;
    KeyText.clear();
    ValueText.clear();
    m_storedKey.clear();
    m_storedValue.clear();
    onDataFile(Host, DbFile, true, [&] {
        TDM& d = dm();
        firebird::StartedHere tr(d.IBTransactionDAT);
        try {
            records::Variant v;
            GetAccReg(kGroup, kUse, "整数", "0", v);
            UseSwitch = static_cast<std::uint8_t>(v.asInt());
            GetAccReg(kGroup, kKey, "文字", "", v);
            const std::string key = v.asText();
            GetAccReg(kGroup, kValue, "文字", "", v);
            const std::string value = v.asText();
            if (!key.empty()) {
                UnprotectText(key, kEasyEncodeKey, 8, KeyText);
                if (KeyText.empty())
                    m_storedKey = key;
            }
            if (!value.empty()) {
                UnprotectText(value, kEasyEncodeKey, int(value.size()), ValueText);
                if (ValueText.empty())
                    m_storedValue = value;
            }
            if (upperAscii(Mode) == "MYNUMBER_CLEAR") {
                PutAccReg(kGroup, kUse, "整数", records::Variant::fromInt(0));
                DeleteAccReg(kGroup, kKey);
                DeleteAccReg(kGroup, kValue);
                SetLogRec(CurrentLog, 3, ProcName.empty() ? "アプリケーション" : ProcName);
                AddLog(CurrentLog);
            }
            tr.commit();
        } catch (const std::exception& e) {
            tr.rollback();
            ShowErrorDialog("マイナンバー情報の取得に失敗しました。", e.what(), 1);
        }
    });
}

void TMyNumberIO::WriteSettings(const std::string& Host, const std::string& DbFile)
{
    if (UseSwitch != 1)
        return;
    onDataFile(Host, DbFile, false, [&] {
        TDM& d = dm();
        firebird::StartedHere tr(d.IBTransactionDAT);
        try {
            PutAccReg(kGroup, kUse, "整数", records::Variant::fromInt(UseSwitch));
            std::string stored;
            ProtectText(KeyText, kEasyEncodeKey, 8, stored);
            if (stored.empty())
                stored = m_storedKey;
            if (!stored.empty())
                PutAccReg(kGroup, kKey, "文字", records::Variant::fromText(stored));
            stored.clear();
            ProtectText(ValueText, kEasyEncodeKey, int(ValueText.size()), stored);
            if (stored.empty())
                stored = m_storedValue;
            if (!stored.empty())
                PutAccReg(kGroup, kValue, "文字", records::Variant::fromText(stored));
            tr.commit();
        } catch (const std::exception& e) {
            tr.rollback();
            ShowErrorDialog("マイナンバー情報の書き込みに失敗しました。", e.what(), 1);
            return;
        }
        DeleteLog(CurrentLog);
    });
}

bool ConfirmMyNumberPassword(const std::string& Password)
{
    if (SystemDef.MyNumberAdm == 0)
        return true;
    if (Password.empty())
        return false;
    platform::InputRequest r;
    r.caption = "マイナンバー管理パスワードの確認";
    r.message = "マイナンバー管理パスワードを入力して下さい。";
    r.messageColor = platform::clWindowText;
    r.maxLength = 8;
    r.imeMode = 0;
    r.filterMode = 30;
    r.hint = "パスワード(英数字8文字以内)を入力し、[OK]ボタンを押して下さい。"
             "3回続けて失敗すると呼出し元の画面に戻ります。";
    r.style = 1;
    r.centerOnScreen = true;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0) {
            r.message = "正しいパスワードを入力して下さい。";
            r.messageColor = platform::clRed;
            r.value.clear();
        }
        const auto entry = platform::inputBox(r);
        if (!entry)
            return false;
        if (ZenkakuTrim(*entry) == Password)
            return true;
    }
    return false;
}
