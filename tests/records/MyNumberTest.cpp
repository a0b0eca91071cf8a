// Individual-number settings and their log on the company fixture: the unique-key retry, the
// clearing read and its write-back, the merge and the comments.
#include "DataModuleFixture.h"

#include "platform/MessageService.h"
#include "records/DbHelpers.h"
#include "records/MyNumber.h"
#include "records/TextProtection.h"

namespace {

constexpr const char* kDb1 = "D:\\data\\0001\\dwacc.fdb";
constexpr const char* kDb2 = "D:\\data\\0002\\dwacc.fdb";

std::string protect(const std::string& clear)
{
    std::string out;
    ProtectText(clear, kEasyEncodeKey, 8, out);
    return out;
}

std::string unprotect(const std::string& stored)
{
    std::string out;
    UnprotectText(stored, kEasyEncodeKey, 8, out);
    return out;
}

class MyNumberTest : public DataModuleFixture {
protected:
    void SetUp() override
    {
        DataModuleFixture::SetUp();
        SystemDef.LoginCode = 11;
        SystemDef.OperatorName = "テスト担当";
        m_messages.answerDefaults(false);
    }

    void TearDown() override
    {
        EXPECT_TRUE(m_messages.boxes().empty()) << testing::PrintToString(m_messages.texts());
        DataModuleFixture::TearDown();
    }

    void execute(const std::string& folder, const std::string& sql)
    {
        firebird::Attachment a;
        a.connect(testsupport::morabyParams(native("data/" + folder + "/dwacc.fdb")));
        a.executeImmediate(sql);
        a.disconnect();
    }

    std::string value(const std::string& folder, const std::string& sql)
    {
        firebird::Attachment a;
        a.connect(testsupport::morabyParams(native("data/" + folder + "/dwacc.fdb")));
        return queryOne(a, sql);
    }

    std::string setting(const std::string& folder, const std::string& code)
    {
        return value(folder, "SELECT ATEXT FROM ACCREG WHERE AGROUP='基本設定' AND ACODE='" + code +
                                 "'");
    }

    void storeSettings(const std::string& folder, const std::string& key, const std::string& val)
    {
        execute(folder, "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES "
                        "('基本設定', '＃USE', '整数', '1')");
        execute(folder, "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES "
                        "('基本設定', '＃KEY', '文字', '" + key + "')");
        execute(folder, "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES "
                        "('基本設定', '＃VALUE', '文字', '" + val + "')");
    }
};

TEST_F(MyNumberTest, AddLogRetriesAClashingTimeStampOnceWithAFreshOne)
{
    execute("0001", "INSERT INTO MYNUMBER_LOG (FHIZUKE, FSERIAL, FOPCODE, FSTATE) "
                    "VALUES ('2024-04-01 10:00:00', '', '11', 1)");
    ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0001", 0));
    TMyNumberIO io;
    TMyNumberLogRec rec;
    io.SetLogRec(rec, 4, "テスト");
    rec.FHIZUKE = platform::encodeDate(2024, 4, 1) + 10.0 / 24;
    io.AddLog(rec);
    m_dm->fnAccDatDisconnected("D:\\data\\0001", 0, 0);
    EXPECT_EQ(value("0001", "SELECT COUNT(*) FROM MYNUMBER_LOG"), "2");
    EXPECT_EQ(value("0001", "SELECT COUNT(*) FROM MYNUMBER_LOG WHERE FSTATE=4 AND "
                            "FHIZUKE > '2025-01-01'"),
              "1")
        << "inserted once, with the current time";
}

TEST_F(MyNumberTest, FourClashesInARowDropTheEntrySilently)
{
    // A unique key without the time stamp: every attempt clashes with the row already there.
    execute("0001", "ALTER TABLE MYNUMBER_LOG DROP CONSTRAINT UQ_MYNUMBER_LOG");
    execute("0001", "ALTER TABLE MYNUMBER_LOG ADD CONSTRAINT UQ_MYNUMBER_LOG UNIQUE (FSERIAL, FOPCODE)");
    execute("0001", "INSERT INTO MYNUMBER_LOG (FHIZUKE, FSERIAL, FOPCODE, FSTATE) "
                    "VALUES ('2024-04-01 10:00:00', '', '11', 1)");
    TMyNumberIO io;
    TMyNumberLogRec rec;
    io.SetLogRec(rec, 4, "テスト");
    io.AddLogTo(rec, "", kDb1);
    EXPECT_EQ(value("0001", "SELECT COUNT(*) FROM MYNUMBER_LOG"), "1");
    EXPECT_FALSE(m_dm->IBDatabaseDAT.connected()) << "closed again by the call that opened it";
}

TEST_F(MyNumberTest, AClearingReadEmptiesTheDataAndTheWriteBackRestoresIt)
{
    storeSettings("0001", protect("abc12345"), protect("秘密の値"));
    TMyNumberIO io;
    io.ReadSettings("", kDb1, "MyNumber_Clear", "データ選択＞データ保存");
    EXPECT_EQ(io.UseSwitch, 1);
    EXPECT_EQ(io.KeyText, "abc12345");
    EXPECT_EQ(io.ValueText, "秘密の値");
    EXPECT_EQ(setting("0001", "＃USE"), "0");
    EXPECT_EQ(setting("0001", "＃KEY"), "<no row>");
    EXPECT_EQ(setting("0001", "＃VALUE"), "<no row>");
    EXPECT_EQ(value("0001", "SELECT FSTATE || ' ' || FCOMMENT || ' ' || FPROCNAME || ' ' || FOPCODE "
                            "FROM MYNUMBER_LOG"),
              "3 マイナンバー情報が削除されました。 データ選択＞データ保存 11");

    io.WriteSettings("", kDb1);
    EXPECT_EQ(setting("0001", "＃USE"), "1");
    EXPECT_EQ(unprotect(setting("0001", "＃KEY")), "abc12345");
    std::string restored;
    const std::string storedValue = setting("0001", "＃VALUE");
    UnprotectText(storedValue, kEasyEncodeKey, int(storedValue.size()), restored);
    EXPECT_EQ(restored, "秘密の値");
    EXPECT_EQ(value("0001", "SELECT COUNT(*) FROM MYNUMBER_LOG"), "0")
        << "the clearing's entry goes with the write-back";

    // A plain read changes nothing; a write-back while the switch is 0 does nothing.
    TMyNumberIO plain;
    plain.ReadSettings("", kDb2, "", "");
    EXPECT_EQ(plain.UseSwitch, 0);
    plain.WriteSettings("", kDb2);
    EXPECT_EQ(setting("0002", "＃USE"), "0") << "the read inserted the default";
    EXPECT_EQ(setting("0002", "＃KEY"), "");
}

TEST_F(MyNumberTest, AStoredFormThatDoesNotRestoreComesBackUnchanged)
{
    storeSettings("0001", "zzz", "yyy");
    TMyNumberIO io;
    io.ReadSettings("", kDb1, "MYNUMBER_CLEAR", "");
    EXPECT_EQ(io.KeyText, "");
    EXPECT_EQ(setting("0001", "＃KEY"), "<no row>");
    EXPECT_EQ(value("0001", "SELECT FPROCNAME FROM MYNUMBER_LOG"), "アプリケーション");
    io.WriteSettings("", kDb1);
    EXPECT_EQ(setting("0001", "＃KEY"), "zzz");
    EXPECT_EQ(setting("0001", "＃VALUE"), "yyy");
}

TEST_F(MyNumberTest, MergeAddsOnlyMissingEntriesAndOnlyIntoTheSameCompany)
{
    execute("0001", "INSERT INTO MYNUMBER_LOG (FHIZUKE, FSERIAL, FOPCODE, FHOST, FSTATE) "
                    "VALUES ('2024-04-01 10:00:00', '', '11', 'pc1', 1)");
    execute("0001", "INSERT INTO MYNUMBER_LOG (FHIZUKE, FSERIAL, FOPCODE, FHOST, FSTATE) "
                    "VALUES ('2024-04-02 10:00:00', '', '11', 'pc1', 2)");
    execute("0002", "INSERT INTO MYNUMBER_LOG (FHIZUKE, FSERIAL, FOPCODE, FHOST, FSTATE) "
                    "VALUES ('2024-04-01 10:00:00', '', '11', 'pc1', 1)");
    TMyNumberIO io;
    io.ReadLogOf("", kDb1);
    ASSERT_EQ(io.LogCount, 2);
    ASSERT_EQ(io.LogList.size(), 2u);
    EXPECT_EQ(io.LogList[1].FSTATE, 2) << "oldest first";
    EXPECT_FALSE(io.CompanyName.empty());

    execute("0002", "UPDATE ACCDEF1 SET SHOUGOU='別の会社' WHERE REC=1");
    io.MergeLog("", kDb2);
    EXPECT_EQ(value("0002", "SELECT COUNT(*) FROM MYNUMBER_LOG"), "1") << "another company";

    execute("0002", "UPDATE ACCDEF1 SET SHOUGOU='" + io.CompanyName + "' WHERE REC=1");
    io.MergeLog("", kDb2);
    EXPECT_EQ(value("0002", "SELECT LIST(FSTATE, ',') FROM (SELECT FSTATE FROM MYNUMBER_LOG "
                            "ORDER BY FHIZUKE)"),
              "1,2");
}

TEST_F(MyNumberTest, EntriesCarryTheOperatorAndTheStateComment)
{
    SystemDef.PcName = std::string(28, 'p') + "端末";
    TMyNumberIO io;
    TMyNumberLogRec rec;
    struct Case {
        int state;
        const char* process;
        const char* comment;
    };
    const Case cases[] = {
        {0, "x", "マイナンバー情報**されました。"},
        {1, "x", "マイナンバー情報が登録されました。"},
        {6, "データ保存", "マイナンバー情報を含むデータが保存されました。"},
        {6, "データ送信", "マイナンバー情報を含むデータが送信されました。"},
        {7, "データ受信", "マイナンバー情報を含むデータが受信されました。"},
        {7, "データ送信", "マイナンバー情報を含むデータが復元されました。"},
    };
    for (const Case& c : cases) {
        io.SetLogRec(rec, c.state, c.process);
        EXPECT_EQ(rec.FCOMMENT, c.comment) << c.state << " " << c.process;
    }
    EXPECT_EQ(rec.FOPCODE, "11");
    EXPECT_EQ(rec.FOPNAME, "テスト担当");
    EXPECT_EQ(rec.FHOST, std::string(28, 'p') + "端") << "30 bytes, no half character";
    EXPECT_EQ(rec.FHIZUKE, 0);
    io.SetLogRec(rec, 1, std::string(39, 'a') + "名");
    EXPECT_EQ(rec.FPROCNAME, std::string(39, 'a'));
}

} // namespace
