// Remembered screen values against a real system database.
#include "records/RememberedScreenValues.h"

#include "DataModuleFixture.h"

#include <string>

namespace {

class RememberedScreenValuesTest : public DataModuleFixture {
protected:
    void SetUp() override
    {
        DataModuleFixture::SetUp();
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    }

    std::vector<std::string> styleRows()
    {
        std::vector<std::string> out;
        firebird::Transaction tr(m_dm->IBDatabaseDEF);
        tr.start();
        firebird::Statement st(tr, "SELECT OPCODE, STYLENAME, LINECOLOR1, LINECOLOR5, NETCOLOR1, "
                                   "NETCOLOR2, SSTR FROM STYLECOLOR WHERE STYLENAME STARTING WITH '020-' "
                                   "ORDER BY STYLENAME");
        auto c = st.open();
        while (c.fetch())
            out.push_back(c.getString(0) + "|" + c.getString(1) + "|" + c.getString(2) + "|" +
                          c.getString(3) + "|" + c.getString(4) + "|" + c.getString(5) + "|" +
                          c.getString(6));
        return out;
    }
};

} // namespace

TEST_F(RememberedScreenValuesTest, SavesUnderTheUpperCasedKeyAndReadsBack)
{
    TGamenKeyValue v;
    EXPECT_EQ(v.OpCode, 100000011);
    v.HozonValue("TPrintDlgBox", "  abc　");
    EXPECT_EQ(styleRows(), (std::vector<std::string>{"100000011|020-TPRINTDLGBOX|-1|-1|-1|-1|abc"}));
    v.HozonValue("TPrintDlgBox", "second");
    EXPECT_EQ(styleRows(), (std::vector<std::string>{"100000011|020-TPRINTDLGBOX|-1|-1|-1|-1|second"}));

    std::string text = "caller";
    TGamenKeyValue reader;
    reader.FukugenValue("tprintdlgbox", text);
    EXPECT_EQ(text, "second");
    EXPECT_FALSE(m_dm->IBTransactionDEF.inTransaction()) << "the transaction started here ends here";
}

TEST_F(RememberedScreenValuesTest, StyleNameRules)
{
    TGamenKeyValue v;
    struct Case {
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"TPrintDlgBox", "020-TPRINTDLGBOX"},
        // Only a-z change; kana and full-width letters stay.
        {"aｂかz", "020-AｂかZ"},
        // 36 bytes after the prefix fill 40; a double-byte character across byte 40 is left out.
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789XYZ", "020-ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678あ", "020-ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678"},
        // Blanks at the cut end are trimmed.
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456   X", "020-ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        v.SetStyleName(c.key);
        EXPECT_EQ(v.StyleName, c.expected);
    }
}

TEST_F(RememberedScreenValuesTest, KeysDifferingAfterByteFortyShareOneRow)
{
    TGamenKeyValue v;
    v.HozonValue("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-one", "1");
    v.HozonValue("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-two", "2");
    EXPECT_EQ(styleRows().size(), 1u);
    std::string text;
    v.FukugenValue("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-one", text);
    EXPECT_EQ(text, "2");
}

TEST_F(RememberedScreenValuesTest, LongTextsAreCutToKilobyteWithoutSplittingACharacter)
{
    TGamenKeyValue v;
    // 1023 single bytes then double-byte characters: the 1024th byte begins one, so 1023 stay.
    std::string odd(1023, 'a');
    for (int i = 0; i < 400; ++i)
        odd += "あ";
    v.HozonValue("Odd", odd);
    // 1022 single bytes then double-byte characters: byte 1024 ends one, so 1024 stay.
    std::string even(1022, 'b');
    for (int i = 0; i < 400; ++i)
        even += "い";
    v.HozonValue("Even", even);
    // Cut inside trailing blanks, trimmed again after the cut.
    std::string blanks = std::string(1000, 'c') + std::string(100, ' ') + "d";
    v.HozonValue("Blanks", blanks);

    std::string text;
    v.FukugenValue("Odd", text);
    EXPECT_EQ(text, std::string(1023, 'a'));
    v.FukugenValue("Even", text);
    EXPECT_EQ(text, std::string(1022, 'b') + "い");
    v.FukugenValue("Blanks", text);
    EXPECT_EQ(text, std::string(1000, 'c'));
}

TEST_F(RememberedScreenValuesTest, NothingWithoutOperatorOrKeyAndAMissingRowKeepsTheText)
{
    TGamenKeyValue v;
    std::string text = "keep";
    v.FukugenValue("NeverSaved", text);
    EXPECT_EQ(text, "keep");
    v.HozonValue("", "x");
    EXPECT_TRUE(styleRows().empty());

    SystemDef.LoginId = 0;
    TGamenKeyValue nobody;
    EXPECT_EQ(nobody.OpCode, 0);
    nobody.HozonValue("Box", "x");
    EXPECT_TRUE(styleRows().empty());
    v.HozonValue("Box", "stored");
    text = "keep";
    nobody.FukugenValue("Box", text);
    EXPECT_EQ(text, "keep");
}

TEST_F(RememberedScreenValuesTest, ErrorsAreReportedOnlyInTheirOwnTransaction)
{
    TGamenKeyValue v;
    {
        firebird::Transaction tr(m_dm->IBDatabaseDEF);
        tr.start();
        firebird::Statement(tr, "DROP TABLE STYLECOLOR").execute();
        tr.commit();
    }
    std::string text = "keep";
    EXPECT_NO_THROW(v.FukugenValue("Box", text));
    EXPECT_EQ(text, "keep");
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_NE(m_messages.boxes()[0].text.find("前回の画面値の取得に失敗しました。"), std::string::npos);
    EXPECT_NO_THROW(v.HozonValue("Box", "x"));
    ASSERT_EQ(m_messages.boxes().size(), 2u);
    EXPECT_NE(m_messages.boxes()[1].text.find("画面値の保存に失敗しました。"), std::string::npos);
    EXPECT_FALSE(m_dm->IBTransactionDEF.inTransaction());

    // Inside the caller's transaction the error passes silently and the transaction stays.
    m_dm->IBTransactionDEF.start();
    EXPECT_NO_THROW(v.HozonValue("Box", "x"));
    EXPECT_EQ(m_messages.boxes().size(), 2u);
    EXPECT_TRUE(m_dm->IBTransactionDEF.inTransaction());
    m_dm->IBTransactionDEF.rollback();
}
