// Query factories and the typed company settings.
#include "DataModuleFixture.h"

#include "records/DbHelpers.h"

namespace {

using records::Variant;

class DbHelpersTest : public DataModuleFixture {
protected:
    void SetUp() override
    {
        DataModuleFixture::SetUp();
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
        ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0001", 0));
    }

    // The stored row (ATYPE|ATEXT), read apart from the module's transactions.
    std::string stored(const std::string& group, const std::string& code)
    {
        firebird::Transaction tr(m_dm->IBDatabaseDAT);
        tr.start();
        firebird::Statement st(tr, "SELECT ATYPE, ATEXT FROM ACCREG WHERE AGROUP=:G AND ACODE=:C");
        st.setString("G", group);
        st.setString("C", code);
        firebird::Cursor c = st.open();
        if (!c.fetch())
            return "<none>";
        return c.getString("ATYPE") + "|" + (c.isNull("ATEXT") ? "<null>" : c.getString("ATEXT"));
    }

    void store(const std::string& type, const std::string& text)
    {
        firebird::Transaction tr(m_dm->IBDatabaseDAT);
        tr.start();
        firebird::Statement st(tr, "UPDATE OR INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) "
                                   "VALUES ('基本設定', 'テスト', :T, :X)");
        st.setString("T", type);
        st.setString("X", text);
        st.execute();
        tr.commit();
    }
};

TEST_F(DbHelpersTest, AMissingSettingIsStoredWithItsDefaultOnFirstRead)
{
    Variant v;
    GetAccReg("基本設定", "テスト", "整数", "5", v);
    EXPECT_EQ(v, Variant::fromInt(5));
    EXPECT_EQ(stored("基本設定", "テスト"), "整数|5");
    EXPECT_FALSE(m_dm->IBTransactionDAT.inTransaction()); // started and committed here

    store("整数", "7");
    GetAccReg("基本設定", "テスト", "整数", "5", v);
    EXPECT_EQ(v.asInt(), 7);
}

TEST_F(DbHelpersTest, StoredTextsConvertByTheRequestedType)
{
    struct Case {
        const char* type;
        const char* text;
        Variant expected;
    };
    const Case cases[] = {
        {"論理", "true", Variant::fromBool(true)},
        {"論理", "TRUE", Variant::fromBool(true)},
        {"論理", "TRUE ", Variant::fromBool(false)},
        {"論理", "", Variant::fromBool(false)},
        {"整数", "abc", Variant::fromInt(0)},
        {"整数", "-12", Variant::fromInt(-12)},
        {"金額", "1234.5", Variant::fromCurrency(12345000)},
        {"金額", "x", Variant::fromCurrency(0)},
        {"日付", "2024/04/01", Variant::fromDate(platform::encodeDate(2024, 4, 1))},
        {"日付", "", Variant::fromDate(0)},
        {"文字", "", Variant::fromText(" ")}, // empty reads as one blank
        {"文字", "㈱テスト", Variant::fromText("㈱テスト")},
        {"謎", "1", Variant::fromText("Data Type Error")},
    };
    for (const Case& k : cases) {
        store(k.type, k.text);
        Variant v;
        GetAccReg("基本設定", "テスト", k.type, "", v);
        EXPECT_EQ(v, k.expected) << k.type << " '" << k.text << "'";
    }
}

TEST_F(DbHelpersTest, WritesKeepTheStoredTypeAndConvertByTheGivenOne)
{
    PutAccReg("基本設定", "新規", "日付", Variant::fromDate(platform::encodeDate(2024, 4, 1)));
    EXPECT_EQ(stored("基本設定", "新規"), "日付|2024/04/01");
    PutAccReg("基本設定", "新規", "日付", Variant::fromDate(0));
    EXPECT_EQ(stored("基本設定", "新規"), "日付|");
    Variant v;
    GetAccReg("基本設定", "新規", "日付", "", v);
    EXPECT_EQ(v.asDate(), 0.0);

    store("整数", "1");
    PutAccReg("基本設定", "テスト", "文字", Variant::fromText("abc"));
    EXPECT_EQ(stored("基本設定", "テスト"), "整数|abc");

    const std::pair<const char*, Variant> writes[] = {
        {"論理", Variant::fromBool(true)},      {"整数", Variant::fromInt(-3)},
        {"金額", Variant::fromCurrency(-12345)}, {"金額", Variant::fromCurrency(10000)},
    };
    const char* texts[] = {"TRUE", "-3", "-1.2345", "1"};
    for (std::size_t i = 0; i < std::size(writes); ++i) {
        PutAccReg("基本設定", "テスト", writes[i].first, writes[i].second);
        EXPECT_EQ(stored("基本設定", "テスト"), std::string("整数|") + texts[i]);
    }
    PutAccReg("基本設定", "テスト", "謎", Variant::fromText("x"));
    EXPECT_EQ(stored("基本設定", "テスト"), "整数|<null>");

    DeleteAccReg("基本設定", "テスト");
    EXPECT_EQ(stored("基本設定", "テスト"), "<none>");
}

TEST_F(DbHelpersTest, ACallersTransactionIsLeftToTheCaller)
{
    m_dm->IBTransactionDAT.start();
    PutAccReg("基本設定", "テスト", "整数", Variant::fromInt(1));
    EXPECT_TRUE(m_dm->IBTransactionDAT.inTransaction());
    EXPECT_EQ(stored("基本設定", "テスト"), "<none>"); // not committed yet
    m_dm->IBTransactionDAT.rollback();
    EXPECT_EQ(stored("基本設定", "テスト"), "<none>");
}

TEST_F(DbHelpersTest, FactoriesBindToTheNamedDatabaseAndTransaction)
{
    struct Case {
        bool query;
        const char* name;
        std::uint8_t snapshot;
        firebird::Transaction* expected;
    };
    const Case cases[] = {
        {true, "ACCDEF", 0, &m_dm->IBTransactionDEF},
        {true, "accdef", 0, &m_dm->IBTransactionDAT}, // the comparison is case-sensitive
        {true, "ACCDAT", 0, &m_dm->IBTransactionDAT},
        {true, "ACCDAT", 2, &m_dm->IBTransactionDATSS},
        {false, "ACCDAT", 2, &m_dm->IBTransactionDAT},
        {false, "ACCDAT", 1, &m_dm->IBTransactionDATSS},
        {false, "ACCDEF", 1, &m_dm->IBTransactionDEF},
    };
    for (const Case& k : cases) {
        auto st = k.query ? NewDbQuery(k.name, k.snapshot) : NewDbSql(k.name, k.snapshot);
        ASSERT_TRUE(st);
        EXPECT_EQ(&st->transaction(), k.expected) << k.name << " " << int(k.snapshot);
        EXPECT_EQ(st->sql(), "");
    }
    auto q = NewDbQuery("accdef", 0);
    m_dm->IBTransactionDAT.start();
    q->setSql("SELECT MON$DATABASE_NAME FROM MON$DATABASE");
    firebird::Cursor c = q->open();
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getString(0), native("data/0001/dwacc.fdb"));
}

TEST_F(DbHelpersTest, MedicalReportSettingReadsItsDefaultAndCommits)
{
    Variant v;
    m_dm->IBTransactionDAT.start(); // committed too, whoever started it
    GetMsdHoukoku("報告", "項目", "文字", "", v);
    EXPECT_EQ(v, Variant::fromText(" "));
    EXPECT_FALSE(m_dm->IBTransactionDAT.inTransaction());
    GetMsdHoukoku("報告", "項目", "文字", "既定", v);
    EXPECT_EQ(v, Variant::fromText("既定")); // stored empty: the default stands
    {
        firebird::Transaction tr(m_dm->IBDatabaseDAT);
        tr.start();
        firebird::Statement st(tr, "UPDATE MSD_HOUKOKU SET MDTEXT1 = 'ABC'");
        st.execute();
        tr.commit();
    }
    GetMsdHoukoku("報告", "項目", "文字", "既定", v);
    EXPECT_EQ(v, Variant::fromText("ABC"));
}

TEST(AccRegTextTest, TruthTexts)
{
    EXPECT_TRUE(AccRegTextToBool("True"));
    EXPECT_FALSE(AccRegTextToBool("1"));
    EXPECT_EQ(AccRegBoolToText(true), "TRUE");
    EXPECT_EQ(AccRegBoolToText(false), "FALSE");
    EXPECT_EQ(records::currencyText(0), "0");
    EXPECT_EQ(records::currencyText(1), "0.0001");
    EXPECT_EQ(records::currencyText(-5000), "-0.5");
    EXPECT_EQ(records::currencyText(INT64_MIN), "-922337203685477.5808");
}

} // namespace
