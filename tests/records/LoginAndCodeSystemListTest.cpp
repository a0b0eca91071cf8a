// The signed-in operators of a group and the code-system files loaded into USERCODE.
#include "records/CodeTaikeiIO.h"
#include "records/LoginUserList.h"

#include "DataModuleFixture.h"

#include "records/AppInfoRecord.h"

namespace {

class LoginAndCodeSystemListTest : public DataModuleFixture {
protected:
    void SetUp() override
    {
        DataModuleFixture::SetUp();
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
        AppInfo.Application.OEM = "-";
        AppInfo.Application.VerTest = "";
        AppInfo.Zaimu.AppTitle = "モラビー財務";
    }

    void exec(const std::string& sql)
    {
        firebird::Transaction tr(m_dm->IBDatabaseDEF);
        tr.start();
        firebird::Statement(tr, sql).execute();
        tr.commit();
    }

    std::string value(const std::string& column, int recNo)
    {
        return queryOne(m_dm->IBDatabaseDEF,
                        "SELECT " + column + " FROM USERCODE WHERE RECNO=" + std::to_string(recNo));
    }

    std::string codeFile(const std::string& utf8Lines)
    {
        const std::string path = native("code.txt");
        testsupport::writeFile(path, platform::text::toCp932(utf8Lines));
        return path;
    }
};

} // namespace

TEST_F(LoginAndCodeSystemListTest, SignedInOperatorsOncePerComputer)
{
    // Sign-in rows: their own number (OPCODE), the group, the operator and the computer.
    exec("INSERT INTO LOGONUSERLIST (OPCODE, GROUPID, OPERATORCODE, PCNAME) VALUES (100000011, 10000, 11, 'pc2')");
    exec("INSERT INTO LOGONUSERLIST (OPCODE, GROUPID, OPERATORCODE, PCNAME) VALUES (100000050, 10000, 10, 'pc1')");
    exec("INSERT INTO LOGONUSERLIST (OPCODE, GROUPID, OPERATORCODE, PCNAME) VALUES (100000051, 10000, 10, 'pc1')");
    exec("INSERT INTO LOGONUSERLIST (OPCODE, GROUPID, OPERATORCODE, PCNAME) VALUES (200000010, 20000, 10, 'pc9')");

    TLoginUserListOnDef list;
    list.Execute(10000, 100000011, false);
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"10:管理者"}));
    EXPECT_EQ(list.Count, 1);
    ASSERT_EQ(list.Items.size(), 1u);
    EXPECT_EQ(list.Items[0].PcName, "pc1");

    list.Execute(10000, 100000011, true);
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"10:管理者", "11:担当　花子"}));
    EXPECT_EQ(list.GetOpCode(1), 11);
    EXPECT_EQ(list.GetOpName(1), "担当　花子");
    EXPECT_EQ(list.GetOpCode(2), 0);
    EXPECT_EQ(list.GetOpName(-1), "");
    EXPECT_EQ(list.OpCode, 100000011);
    EXPECT_TRUE(list.IncludeSelf);

    list.Clear();
    EXPECT_EQ(list.Count, 0);
    EXPECT_EQ(list.OpCode, 0);
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(LoginAndCodeSystemListTest, AFileGoesIntoItsRowByKind)
{
    TCodeTaikeiIO io;
    // No sixth field: the product kind stays "-", which the standard edition expects.
    const std::string file = codeFile("1,販売業,3,2,x\r\n2,科目A\r\n21,補助A\r\n3,部門A\r\n31,部門B\r\n"
                                      "9,捨てる\r\n71,七\r\n22,補助B\r\n");
    ASSERT_TRUE(io.LoadFromFile(file, 5));
    EXPECT_EQ(value("NAME", 5), "販売業");
    EXPECT_EQ(value("DATATYPE", 5), "3");
    EXPECT_EQ(value("CODETYPE", 5), "2");
    EXPECT_EQ(value("INIDAT1", 5), "1,販売業,3,2,x\r\n");
    EXPECT_EQ(value("INIDAT2", 5), "2,科目A\r\n21,補助A\r\n22,補助B\r\n");
    EXPECT_EQ(value("INIDAT3", 5), "3,部門A\r\n31,部門B\r\n");
    EXPECT_EQ(value("INIDAT4", 5), "");
    EXPECT_EQ(value("INIDAT7", 5), "71,七\r\n");
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(LoginAndCodeSystemListTest, TheProductKindCheck)
{
    TCodeTaikeiIO io;
    const std::string refused = "このプログラムでは、該当のデータ（製品区分）を処理することが出来ません。"
                                "モラビー財務以外で作成されたデータの可能性があります。";
    struct Case {
        int flag;
        std::string kind;
        bool passes;
    };
    const Case cases[] = {
        {0, "", true}, {0, "-", false}, {0, "L1", true},
        {1, "-", false}, {1, "L1", true}, {2, "", false}, {3, "L1", false},
    };
    AppInfo.Application.OEM = "L";
    AppInfo.Application.VerTest = "1";
    for (const Case& c : cases) {
        LumeranDataFlag = std::uint8_t(c.flag);
        std::string message = "old";
        EXPECT_EQ(io.CheckSeihinKubun(c.kind, message), c.passes) << c.flag << " " << c.kind;
        EXPECT_EQ(message, c.passes || c.flag == 3 ? "" : refused) << c.flag << " " << c.kind;
    }

    // A refused file: an information box, the row untouched.
    LumeranDataFlag = 1;
    m_messages.answer(platform::IDOK);
    EXPECT_FALSE(io.LoadFromFile(codeFile("1,販売業,3,2,x,ZZ\r\n"), 5));
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.boxes()[0].kind, "information");
    EXPECT_EQ(m_messages.boxes()[0].text, refused);
    EXPECT_EQ(value("NAME", 5), "");
    // A file without name or kinds is not written.
    LumeranDataFlag = 0;
    EXPECT_FALSE(io.LoadFromFile(codeFile("2,科目A\r\n"), 5));
}

TEST_F(LoginAndCodeSystemListTest, CreationRepairsRowsStoredAsKindOne)
{
    exec("UPDATE USERCODE SET NAME='製造業', DATATYPE=1, CODETYPE=1, INIDAT1='1,製造業,4,5' || ASCII_CHAR(13) || ASCII_CHAR(10) WHERE RECNO=3");
    exec("UPDATE USERCODE SET NAME='一般', DATATYPE=1, CODETYPE=1, INIDAT1='1,一般,1,7' WHERE RECNO=4");
    exec("UPDATE USERCODE SET NAME='他', DATATYPE=2, CODETYPE=1, INIDAT1='1,他,6,6' WHERE RECNO=6");
    TCodeTaikeiIO io;
    EXPECT_EQ(value("DATATYPE", 3) + "," + value("CODETYPE", 3), "4,5");
    EXPECT_EQ(value("DATATYPE", 4) + "," + value("CODETYPE", 4), "1,1") << "already kind 1";
    EXPECT_EQ(value("DATATYPE", 6) + "," + value("CODETYPE", 6), "2,1") << "not stored as 1,1";
    EXPECT_EQ(value("DATATYPE", 1) + "," + value("CODETYPE", 1), "0,0");
    EXPECT_TRUE(m_messages.boxes().empty());
}
