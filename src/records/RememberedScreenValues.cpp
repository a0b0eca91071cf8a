// TGamenKeyValue: remembered screen values per operator and key in STYLECOLOR.
#include "records/RememberedScreenValues.h"

#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Text.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/ProgramRecords.h"
#include "records/TextRoutines.h"

namespace {

constexpr std::size_t kStyleNameBytes = 40;
constexpr std::size_t kValueBytes = 1024;

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

// Ends a transaction started by the caller's operation: committed, or rolled back when even
// that fails, so that nothing stays open.
void commitQuietly(firebird::Transaction& tr)
{
    if (!tr.inTransaction())
        return;
    try {
        tr.commit();
    } catch (const std::exception&) {
        try {
            tr.rollback();
        } catch (const std::exception&) {
        }
    }
}

} // namespace

TGamenKeyValue::TGamenKeyValue() : OpCode(SystemDef.LoginId)
{
    if (DM) {
        m_transaction = &DM->IBTransactionDEF;
        m_sql = std::make_unique<firebird::Statement>(*m_transaction);
    }
}

TGamenKeyValue::TGamenKeyValue(firebird::Transaction& transaction)
    : OpCode(SystemDef.LoginId), m_transaction(&transaction),
      m_sql(std::make_unique<firebird::Statement>(transaction))
{
}

TGamenKeyValue::~TGamenKeyValue() = default;

void TGamenKeyValue::SetStyleName(const std::string& Key)
{
    std::string name = Prefix + Key;
    // Only ASCII letters change: UTF-8 bytes of other characters are all 0x80 or above.
    for (char& c : name)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    StyleName = trimBlanks(platform::text::headByWidth(name, kStyleNameBytes));
}

void TGamenKeyValue::FukugenValue(const std::string& Key, std::string& Text)
{
    ClearValue();
    if (OpCode == 0 || Key.empty() || !m_transaction)
        return;
    SetStyleName(Key);
    const bool startedHere = !m_transaction->inTransaction();
    try {
        if (startedHere)
            m_transaction->start();
        m_sql->setSql("SELECT SSTR FROM STYLECOLOR\nWHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        m_sql->setInt("OPCODE", OpCode);
        m_sql->setString("STYLENAME", StyleName);
        firebird::Cursor c = m_sql->open();
        while (c.fetch())
            Text = c.getString("SSTR");
    } catch (const firebird::DatabaseError& e) {
        if (startedHere)
            HandleDbError(e, "TGamenValue.FukugenValue", "前回の画面値の取得に失敗しました。", true);
    } catch (const std::exception& e) {
        if (startedHere)
            ShowErrorDialog("前回の画面値の取得に失敗しました。", e.what(), 1);
    }
    if (startedHere)
        commitQuietly(*m_transaction);
}

void TGamenKeyValue::HozonValue(const std::string& Key, const std::string& Text)
{
    if (OpCode == 0 || Key.empty() || !m_transaction)
        return;
    SetStyleName(Key);
    Value = ZenkakuTrim(Text);
    if (platform::text::cp932Width(Value) > kValueBytes)
        Value = ZenkakuTrim(platform::text::headByWidth(Value, kValueBytes));
    const bool startedHere = !m_transaction->inTransaction();
    try {
        if (startedHere)
            m_transaction->start();
        m_sql->setSql("SELECT COUNT(OPCODE) AS RECCNT FROM STYLECOLOR\n"
                      "WHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        m_sql->setInt("OPCODE", OpCode);
        m_sql->setString("STYLENAME", StyleName);
        std::int64_t count = 0;
        {
            firebird::Cursor c = m_sql->open();
            if (c.fetch())
                count = c.getInt64("RECCNT");
        }
        if (count > 0)
            m_sql->setSql("UPDATE STYLECOLOR SET OPCODE=:OPCODE,STYLENAME=:STYLENAME,"
                          "LINECOLOR1=:LINECOLOR1,LINECOLOR2=:LINECOLOR2,LINECOLOR3=:LINECOLOR3,"
                          "LINECOLOR4=:LINECOLOR4,LINECOLOR5=:LINECOLOR5,NETCOLOR1=:NETCOLOR1,"
                          "NETCOLOR2=:NETCOLOR2,SSTR=:SSTR\n"
                          "WHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        else
            m_sql->setSql("INSERT INTO STYLECOLOR(OPCODE,STYLENAME,LINECOLOR1,LINECOLOR2,"
                          "LINECOLOR3,LINECOLOR4,LINECOLOR5,NETCOLOR1,NETCOLOR2,SSTR)\n"
                          "VALUES(:OPCODE,:STYLENAME,:LINECOLOR1,:LINECOLOR2,:LINECOLOR3,"
                          ":LINECOLOR4,:LINECOLOR5,:NETCOLOR1,:NETCOLOR2,:SSTR)");
        m_sql->setInt("OPCODE", OpCode);
        m_sql->setString("STYLENAME", StyleName);
        for (const char* colour : {"LINECOLOR1", "LINECOLOR2", "LINECOLOR3", "LINECOLOR4",
                                   "LINECOLOR5", "NETCOLOR1", "NETCOLOR2"})
            m_sql->setInt(colour, -1);
        m_sql->setString("SSTR", Value);
        m_sql->execute();
    } catch (const firebird::DatabaseError& e) {
        if (startedHere)
            HandleDbError(e, "TGamenValue.HozonValue", "画面値の保存に失敗しました。", true);
    } catch (const std::exception& e) {
        if (startedHere)
            ShowErrorDialog("画面値の保存に失敗しました。", e.what(), 1);
    }
    if (startedHere)
        commitQuietly(*m_transaction);
}
