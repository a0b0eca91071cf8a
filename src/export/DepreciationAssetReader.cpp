#include "export/DepreciationAssetReader.h"

#include "firebird/Statement.h"
#include "firebird/Transaction.h"

#include <string>

namespace {

} // namespace

const char* const kKsSisanColumns =
    "REC,SCODE,KANRI,KCODE,HCODE,BCODE,MEISYOU,SURYO,JYOKYO,GSKAHI,GSHOUHOU,GSSISANZEI,\n"
    "SYUTODATE,SYUTOSWK,SIHAKCODE,SIHAHCODE,KOUNYUTAXCODE,KOUNYUKIN,KOUNYUTAX,KOUNYUTAXCALCU,"
    "ISINPKOUNYUTAX,SYUTOKIN,ISINPSYUTOKIN,\n"
    "KISYUMISYOUKIN,KISOKIN,ISINPKISOKIN,TAIYOUYY,SYOURITU,ISINPSYOURITU,\n"
    "JYOBAI,GENSYODATE,GENSYOSWK,SYUNYUKCODE,SYUNYUHCODE,BAIKYAKUTAXCODE,BAIKYAKUKIN,BAIKYAKUTAX,"
    "BAIKYAKUTAXCALCU,ISINPBAIKYAKUTAX,\n"
    "SYOUKIKANSTR,SYOUKIKANEND,ISINPSYOUKIKAN,FUTUSYOUKIN,ISINPFUTUSYOUKIN,WARISYOUKIN,SYOUKINKEI,"
    "MATUMISYOUKIN,TEKIYO,TRANSKBN,ZANKAHOSYOUGAKU,JIGYOUWARIAI_NEW AS JIGYOUWARIAI,\n"
    "KAITEISYUTOKUKAGAKU,KAITEISYUTOKUKAGAKU_INPUT,ISINPKAITEISYUTOKUKAGAKU,TEIRITU250,TEIRITU200,"
    "TAIYONENSU200,SYUTOKUKAGAKUCHOSEI\n";

namespace {

const std::string kSelectSisan = std::string("SELECT ") + kKsSisanColumns + "FROM KS_SISAN\nWHERE REC=:REC";

const char* const kGroup = "減価償却設定";
const char* const kCode250 = "250%定率法で償却する経過措置";
const char* const kCode200 = "200%定率法で償却する経過措置";

} // namespace

KsSisanRow ksSisanRowFromCursor(const firebird::Cursor& c)
{
    KsSisanRow r;
    r.REC = c.getInt("REC");
    r.GSHOUHOU = c.getInt("GSHOUHOU");
    r.SYUTODATE = c.getDateTime("SYUTODATE");
    r.SYUTOKIN = c.getCurrency("SYUTOKIN");
    r.KISYUMISYOUKIN = c.getCurrency("KISYUMISYOUKIN");
    r.KISOKIN = c.getCurrency("KISOKIN");
    r.ISINPKISOKIN = c.getInt("ISINPKISOKIN");
    r.TAIYOUYY = c.getInt("TAIYOUYY");
    r.SYOURITU = c.getCurrency("SYOURITU");
    r.ISINPSYOURITU = c.getInt("ISINPSYOURITU");
    r.JYOBAI = c.getInt("JYOBAI");
    r.GENSYODATE = c.getDateTime("GENSYODATE");
    r.SYOUKIKANSTR = c.getInt("SYOUKIKANSTR");
    r.SYOUKIKANEND = c.getInt("SYOUKIKANEND");
    r.FUTUSYOUKIN = c.getCurrency("FUTUSYOUKIN");
    r.ISINPFUTUSYOUKIN = c.getInt("ISINPFUTUSYOUKIN");
    r.WARISYOUKIN = c.getCurrency("WARISYOUKIN");
    r.SYOUKINKEI = c.getCurrency("SYOUKINKEI");
    r.MATUMISYOUKIN = c.getCurrency("MATUMISYOUKIN");
    r.ZANKAHOSYOUGAKU = c.getCurrency("ZANKAHOSYOUGAKU");
    r.JIGYOUWARIAI = c.getCurrency("JIGYOUWARIAI");
    r.KAITEISYUTOKUKAGAKU = c.getCurrency("KAITEISYUTOKUKAGAKU");
    r.KAITEISYUTOKUKAGAKU_INPUT = c.getCurrency("KAITEISYUTOKUKAGAKU_INPUT");
    r.ISINPKAITEISYUTOKUKAGAKU = c.getInt("ISINPKAITEISYUTOKUKAGAKU");
    r.TEIRITU250 = c.getInt("TEIRITU250");
    r.TEIRITU200 = c.getInt("TEIRITU200");
    r.TAIYONENSU200 = c.getInt("TAIYONENSU200");
    r.SYUTOKUKAGAKUCHOSEI = c.getCurrency("SYUTOKUKAGAKUCHOSEI");
    return r;
}

GenkaSyokyakuDatabaseSource::GenkaSyokyakuDatabaseSource(firebird::Transaction& transaction)
    : m_transaction(&transaction), m_query(std::make_unique<firebird::Statement>(transaction, kSelectSisan))
{
}

GenkaSyokyakuDatabaseSource::~GenkaSyokyakuDatabaseSource() = default;

void GenkaSyokyakuDatabaseSource::SetTransaction(firebird::Transaction& transaction)
{
    m_transaction = &transaction;
    m_query->setTransaction(transaction);
}

namespace {

// A typed company setting of type "整数": the stored text, or the default inserted when the row
// is missing.
int readIntegerSetting(firebird::Transaction& t, const char* group, const char* code)
{
    firebird::Statement select(t, "SELECT ATYPE,ATEXT FROM ACCREG WHERE AGROUP=:AGROUP AND ACODE=:ACODE ");
    select.setString("AGROUP", group);
    select.setString("ACODE", code);
    std::string text;
    bool found = false;
    {
        firebird::Cursor c = select.open();
        if (c.fetch()) {
            found = true;
            text = c.getString("ATEXT");
        }
    }
    if (!found) {
        text = "0";
        firebird::Statement insert(t, "INSERT INTO ACCREG(AGROUP,ACODE,ATYPE,ATEXT) VALUES(:AGROUP,:ACODE,:ATYPE,:ATEXT)");
        insert.setString("AGROUP", group);
        insert.setString("ACODE", code);
        insert.setString("ATYPE", "整数");
        insert.setString("ATEXT", text);
        insert.execute();
    }
    try {
        return std::stoi(text);
    } catch (const std::exception&) {
        return 0;
    }
}

} // namespace

KeikaSochi GenkaSyokyakuDatabaseSource::readKeikaSochi()
{
    firebird::Transaction& t = *m_transaction;
    const bool startedHere = !t.inTransaction();
    if (startedHere)
        t.start();
    try {
        KeikaSochi k;
        k.teiritu250 = readIntegerSetting(t, kGroup, kCode250);
        k.teiritu200 = readIntegerSetting(t, kGroup, kCode200);
        if (startedHere)
            t.commit();
        return k;
    } catch (...) {
        if (startedHere) {
            try {
                t.rollback();
            } catch (...) {
            }
        }
        throw;
    }
}

std::optional<KsSisanRow> GenkaSyokyakuDatabaseSource::readSisan(std::int32_t rec)
{
    firebird::Transaction& t = *m_transaction;
    const bool startedHere = !t.inTransaction();
    if (startedHere)
        t.start();
    std::optional<KsSisanRow> result;
    try {
        m_query->setInt("REC", rec);
        firebird::Cursor c = m_query->open();
        if (c.fetch())
            result = ksSisanRowFromCursor(c);
    } catch (...) {
        // The transaction rule holds on every way out: what was started here is committed.
        if (startedHere) {
            try {
                t.commit();
            } catch (...) {
            }
        }
        throw;
    }
    if (startedHere)
        t.commit();
    return result;
}
