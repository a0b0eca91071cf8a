#include "records/CodeTaikeiIO.h"

#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Files.h"
#include "platform/MessageService.h"
#include "platform/Text.h"
#include "records/AppInfoRecord.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/ProgramRecords.h"

#include <charconv>

namespace {

int toInt(const std::string& text)
{
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    int value = 0;
    const auto r = std::from_chars(text.data() + b, text.data() + e, value);
    return r.ec == std::errc() ? value : 0;
}

// The list of the kind of a line: 0-based index into IniDat, -1 for a line that is not kept.
int listOfKind(int kind)
{
    if (kind >= 1 && kind <= 8)
        return kind - 1;
    if (kind == 21 || kind == 22)
        return 1;
    if (kind >= 31 && kind <= 34)
        return 2;
    if (kind == 71)
        return 6;
    return -1;
}

std::vector<std::string> textLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const bool last = end == std::string::npos;
        if (last)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = last ? end : end + 1;
    }
    return lines;
}

void report(const std::exception& e, const char* context, const char* sentence)
{
    if (const auto* db = dynamic_cast<const firebird::DatabaseError*>(&e))
        HandleDbError(*db, context, sentence, true);
    else
        ShowErrorDialog(sentence, e.what(), 1);
}

} // namespace

TCodeTaikeiIO::TCodeTaikeiIO() { KubunSyufuku(); }

bool TCodeTaikeiIO::LoadFromFile(const std::string& FileName, int RecNo)
{
    TCodeTaikeiRec2 rec;
    rec.RecNo = RecNo;
    const std::string text = platform::text::fromCp932(platform::files::readAll(FileName));
    for (const std::string& line : textLines(text)) {
        m_splitter.Bunkatu(line);
        const int kind = toInt(m_splitter.GetItem(0));
        const int list = listOfKind(kind);
        if (list < 0)
            continue;
        rec.IniDat[std::size_t(list)].push_back(line);
        if (kind == 1) {
            rec.Name = m_splitter.GetItem(1);
            rec.DataType = toInt(m_splitter.GetItem(2));
            rec.CodeType = toInt(m_splitter.GetItem(3));
            if (m_splitter.Count >= 6)
                rec.SeihinKubun = m_splitter.GetItem(5);
        }
    }
    std::string message;
    if (CheckSeihinKubun(rec.SeihinKubun, message))
        return UpDateRecored(rec);
    platform::messageBox(message, records::dialogCaption(2), platform::MB_OK | platform::MB_ICONINFORMATION);
    return false;
}

bool TCodeTaikeiIO::UpDateRecored(const TCodeTaikeiRec2& Rec)
{
    if (Rec.Name.empty() || Rec.DataType == 0 || Rec.CodeType == 0)
        return false;
    firebird::Transaction& tr = DM->IBTransactionDEF;
    bool started = false;
    try {
        if (!tr.inTransaction()) {
            tr.start();
            started = true;
        }
        firebird::Statement st(tr, "UPDATE USERCODE SET NAME=:NAME,DATATYPE=:DATATYPE,CODETYPE=:CODETYPE,"
                                   "INIDAT1=:INIDAT1,INIDAT2=:INIDAT2,INIDAT3=:INIDAT3,INIDAT4=:INIDAT4,"
                                   "INIDAT5=:INIDAT5,INIDAT6=:INIDAT6,INIDAT7=:INIDAT7,INIDAT8=:INIDAT8 "
                                   "WHERE RECNO=:RECNO");
        st.setString("NAME", Rec.Name);
        st.setInt("DATATYPE", Rec.DataType);
        st.setInt("CODETYPE", Rec.CodeType);
        for (std::size_t i = 0; i < Rec.IniDat.size(); ++i) {
            std::string text;
            for (const std::string& line : Rec.IniDat[i])
                text += line + "\r\n";
            st.setBlobText("INIDAT" + std::to_string(i + 1), text);
        }
        st.setInt("RECNO", Rec.RecNo);
        st.execute();
        if (started)
            tr.commit();
        return true;
    } catch (const std::exception& e) {
        report(e, "TCodeTaikeiIO.UpDateRecored", "コード体系の更新に失敗しました。");
        if (started && tr.inTransaction()) {
            try {
                tr.rollback();
            } catch (const std::exception&) {
            }
        }
        return false;
    }
}

void TCodeTaikeiIO::KubunSyufuku()
{
    firebird::Transaction& tr = DM->IBTransactionDEF;
    bool started = false;
    try {
        if (!tr.inTransaction()) {
            tr.start();
            started = true;
        }
        struct Repair {
            int RecNo, DataType, CodeType;
        };
        std::vector<Repair> repairs;
        {
            firebird::Statement st(tr, "SELECT RECNO,INIDAT1 FROM USERCODE WHERE DATATYPE=1 AND CODETYPE=1");
            auto c = st.open();
            while (c.fetch()) {
                m_splitter.Bunkatu(c.isNull("INIDAT1") ? std::string() : c.getString("INIDAT1"));
                const int dataType = toInt(m_splitter.GetItem(2));
                // A row without a readable definition keeps its kinds.
                if (dataType != 1 && dataType != 0)
                    repairs.push_back({int(c.getInt64("RECNO")), dataType, toInt(m_splitter.GetItem(3))});
            }
        }
        for (const Repair& r : repairs) {
            firebird::Statement st(tr, "UPDATE USERCODE SET DATATYPE=:DATATYPE,CODETYPE=:CODETYPE WHERE RECNO=:RECNO");
            st.setInt("DATATYPE", r.DataType);
            st.setInt("CODETYPE", r.CodeType);
            st.setInt("RECNO", r.RecNo);
            st.execute();
        }
        if (started)
            tr.commit();
    } catch (const std::exception& e) {
        report(e, "TCodeTaikeiIO.KubunSyufuku", "コード体系の区分修復に失敗しました。");
        if (started && tr.inTransaction()) {
            try {
                tr.rollback();
            } catch (const std::exception&) {
            }
        }
    }
}

bool TCodeTaikeiIO::CheckSeihinKubun(const std::string& KindText, std::string& Message) const
{
    Message.clear();
    const std::string expected = AppInfo.Application.OEM + AppInfo.Application.VerTest;
    bool passes = false;
    if (LumeranDataFlag == 0)
        passes = KindText.empty() || KindText == expected;
    else if (LumeranDataFlag == 1 || LumeranDataFlag == 2)
        passes = KindText == expected;
    else
        return false;
    if (!passes)
        Message = "このプログラムでは、該当のデータ（製品区分）を処理することが出来ません。" +
                  AppInfo.Zaimu.AppTitle + "以外で作成されたデータの可能性があります。";
    return passes;
}
