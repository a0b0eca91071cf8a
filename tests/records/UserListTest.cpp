// The operator choice list of a group.
#include "records/UserList.h"

#include "DataModuleFixture.h"

#include "firebird/Statement.h"
#include "firebird/Transaction.h"

namespace {

class UserListTest : public DataModuleFixture {
protected:
    void SetUp() override
    {
        DataModuleFixture::SetUp();
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    }

    void exec(const std::string& sql)
    {
        firebird::Transaction tr(m_dm->IBDatabaseDEF);
        tr.start();
        firebird::Statement(tr, sql).execute();
        tr.commit();
    }
};

} // namespace

TEST_F(UserListTest, ListsTheGroupsOperatorsFromCodeTenWithTheFirstName)
{
    // Below 10 and other groups stay out; a level without a name row drops the operator.
    exec("INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL, JIMUSHO, OKINIIRI) VALUES (10000, 5, '保守', 9, 0, 0)");
    exec("INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL, JIMUSHO, OKINIIRI) VALUES (20000, 12, '他', 1, 0, 0)");
    exec("INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL, JIMUSHO, OKINIIRI) VALUES (10000, 13, '級外', 4, 0, 0)");
    exec("INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL, JIMUSHO, OKINIIRI, KANSA) VALUES (10000, 12, '事務所', 1, 1, 1, 1)");
    TUserList list;
    list.GroupId = 10000;
    list.FirstName = "全員";
    list.Execute();
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"全員", "10:管理者", "11:担当　花子", "12:事務所"}));
    EXPECT_EQ(list.Count, 4);
    ASSERT_EQ(list.Items.size(), 4u);
    EXPECT_EQ(list.Items[0].OpCode, 0);
    EXPECT_EQ(list.Items[0].JobLevel, 9);
    EXPECT_EQ(list.Items[0].GroupId, 10000);
    EXPECT_EQ(list.Items[1].LevelName, "管理者");
    EXPECT_TRUE(list.Items[1].MyNumberAdm);
    EXPECT_EQ(list.Items[2].Pasword, "pass");
    EXPECT_FALSE(list.Items[2].MyNumberAdm);
    EXPECT_TRUE(list.Items[3].Jimusho);
    EXPECT_TRUE(list.Items[3].Okiniiri);
    EXPECT_FALSE(list.Items[3].Kansa) << "never taken from the row";
    EXPECT_TRUE(m_messages.boxes().empty());

    // Again without a first name: nothing of the previous run stays.
    list.FirstName.clear();
    list.Execute();
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"10:管理者", "11:担当　花子", "12:事務所"}));
    EXPECT_EQ(list.Count, 3);
}

TEST_F(UserListTest, AnOlderSystemDatabaseWithoutTheMyNumberColumn)
{
    exec("ALTER TABLE OPERATOR DROP MYNUMBER_ADM");
    TUserList list;
    list.GroupId = 10000;
    list.Execute();
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"10:管理者", "11:担当　花子"}));
    ASSERT_EQ(list.Items.size(), 2u);
    EXPECT_FALSE(list.Items[0].MyNumberAdm);
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(UserListTest, AnEmptyGroupAndAFailureKeepWhatWasRead)
{
    TUserList list;
    list.GroupId = 30000;
    list.FirstName = "全員";
    list.Execute();
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"全員"}));
    EXPECT_EQ(list.Count, 1);

    // No job-level table: reported, the first line stays, nothing raised.
    m_messages.clear();
    exec("DROP TABLE LEVELNAME");
    list.GroupId = 10000;
    EXPECT_NO_THROW(list.Execute());
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"全員"}));
    EXPECT_EQ(list.Count, 1);
    EXPECT_FALSE(m_messages.boxes().empty());
}

TEST_F(UserListTest, TheCallersTransactionIsUsedAndErrorsPassSilently)
{
    firebird::Transaction tr(m_dm->IBDatabaseDEF);
    tr.start();
    firebird::Statement(tr, "INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL) VALUES (10000, 14, '未確定', 1)")
        .execute();
    TUserList list;
    list.GroupId = 10000;
    list.SetTransaction(&tr, 0);
    list.Execute();
    EXPECT_EQ(list.Lines.back(), "14:未確定") << "read inside the caller's transaction";
    EXPECT_TRUE(tr.inTransaction()) << "the caller's transaction is left open";
    tr.rollback();
    list.SetTransaction(nullptr, -1);
    list.Execute();
    EXPECT_EQ(list.Lines.back(), "11:担当　花子");

    exec("DROP TABLE LEVELNAME");
    m_messages.clear();
    firebird::Transaction callers(m_dm->IBDatabaseDEF);
    callers.start();
    list.SetTransaction(&callers, 0);
    EXPECT_NO_THROW(list.Execute());
    EXPECT_TRUE(list.Lines.empty());
    EXPECT_TRUE(m_messages.boxes().empty()) << "the caller reports its own errors";
    EXPECT_TRUE(callers.inTransaction());
    callers.rollback();
}
