// New areas (F4), delete (F5) and paste (F2) of the data-selection dialog in client/server mode,
// against the Firebird server on loopback: the data folders lie in a temporary folder on C:,
// which the program and the server's file procedures both map to "/".
#include "DataSelectionServerFixture.h"

#include "firebird/Attachment.h"
#include "records/DataInformation.h"
#include "ui/InputDialog.h"
#include "ui/KeyCheckBox.h"

namespace {

using namespace seltest;

class DataCopyPasteServerTest : public ServerSystemTest {
protected:
    void beforeConnecting() override
    {
        std::filesystem::create_directories(m_root / "temp");
        SystemDef.ServerTempFolder = m_work.windowsPath(); // the server's, as a sign-in sets it
        SystemDef.JobLevel = 9;
    }

    void SetUp() override
    {
        ServerSystemTest::SetUp();
        if (HasFatalFailure())
            return;
        exec("UPDATE DATAPLACEMAN SET PATH='" + m_data + "' WHERE REC=0");
    }

    void TearDown() override
    {
        TDM::setServiceBusyHook({});
        ServerSystemTest::TearDown();
    }

    std::string slot(int rec) const { return ServerSystemTest::slot(m_data, rec); }

    // A data set in a slot, named in the catalogue, with its journal count.
    void dataSet(int rec, const std::string& name, int journals)
    {
        const auto file = paths::toNative(slot(rec) + "\\dwacc.fdb");
        testsupport::FixtureDb::copyTo("company", file);
        firebird::Attachment a;
        a.connect(testsupport::morabyParams(file.string()));
        firebird::Transaction tr(a);
        tr.start();
        firebird::Statement(tr, "UPDATE ACCDEF1 SET SHOUGOU='" + name + "', ENTTEXT='" + name +
                                    "', KISHU='2024-01-01', KIMATU='2024-12-31'").execute();
        firebird::Statement(tr, "INSERT INTO SISETUMST (SCODE, SNAME, SIWAKECOUNT) VALUES (' ', '全体', " +
                                    std::to_string(journals) + ")").execute();
        tr.commit();
        exec("UPDATE DATALIST SET ENTTEXT='" + name + "', SHOUGOU='" + name +
             "', DATATYPE=2, CODETYPE=1, NENDO=2024, KISHU='2024-01-01', KIMATU='2024-12-31', "
             "VER_MAJOR=8, VER_TEXT='8.0.0' WHERE REC=" + std::to_string(rec));
    }

    // What another computer sees meanwhile: the catalogue through a connection of its own.
    std::string seenByOthers(const std::string& sql) const
    {
        firebird::Attachment a;
        a.connect(testsupport::morabyParams("localhost:" + (m_root / "data" / "dwaccdef.fdb").string()));
        return firstValue(a, sql);
    }

    // The first value of a query on a slot's company database, through the server.
    std::string company(int rec, const std::string& sql) const
    {
        firebird::Attachment a;
        a.connect(testsupport::morabyParams("localhost:" + paths::toNative(slot(rec) + "\\dwacc.fdb").string()));
        return firstValue(a, sql);
    }

    // F2 on the source's row, then F2 on the target's.
    static void copyAndPaste(TDataSentakuBox& box, int sourceRec, int targetRec)
    {
        select(box, rowOf(box, sourceRec));
        box.FunctionKey(fkF2)->Click();
        ASSERT_TRUE(box.CopyMode);
        select(box, rowOf(box, targetRec));
        box.FunctionKey(fkF2)->Click();
        EXPECT_FALSE(box.CopyMode);
    }

    std::unique_ptr<TDataSentakuBox> dialog() { return shownDialog(); }

    static void select(TDataSentakuBox& box, int row)
    {
        QApplication::setActiveWindow(&box);
        box.PerfectGrid1()->setCurrentRow(row);
        box.PerfectGrid1()->setFocus();
        QCoreApplication::processEvents();
        box.SetFunctionKeys();
    }

    std::string lastBox() const
    {
        std::string text;
        for (const auto& b : m_messages.boxes())
            if (b.kind != "dialog")
                text = b.text;
        return text;
    }

    // The next input box: its proposal is read and OK given.
    void answerInput(std::string& proposed)
    {
        m_messages.onDialog([&proposed](QDialog& d) {
            auto* input = dynamic_cast<TInputDlgBox*>(&d);
            EXPECT_NE(input, nullptr);
            if (!input)
                return int(platform::mrCancel);
            proposed = input->InputValue;
            return int(platform::mrOk);
        });
    }

    testsupport::ServerWorkFolder m_work;
};

TEST_F(DataCopyPasteServerTest, ANewAreaIsProposedAndRefusedWhereDataExists)
{
    auto box = dialog();
    select(*box, 0);
    EXPECT_EQ(box->FunctionKey(fkF4)->CaptionA().Caption(), QStringLiteral("F4:領域追加"));
    ASSERT_TRUE(box->FunctionKey(fkF4)->isEnabled());

    std::string proposed;
    answerInput(proposed);
    box->FunctionKey(fkF4)->Click();
    EXPECT_EQ(proposed, "0121");
    EXPECT_EQ(one("SELECT PASNAME FROM DATALIST WHERE REC=121"), slot(121));
    EXPECT_EQ(box->PerfectGrid1()->rowCount(), 121);

    // The folder after that already holds data: nothing is added.
    std::filesystem::create_directories(paths::toNative(slot(122)));
    answerInput(proposed);
    m_messages.answer(platform::IDOK);
    box->FunctionKey(fkF4)->Click();
    EXPECT_EQ(proposed, "0122");
    EXPECT_EQ(lastBox(), "\"" + slot(122) + "\"に会計データが作成されています。\r");
    EXPECT_EQ(one("SELECT COUNT(*) FROM DATALIST"), "121");
}

TEST_F(DataCopyPasteServerTest, TwoThousandEntriesAreTheMost)
{
    {
        firebird::Transaction tr(m_dm->IBDatabaseDEF);
        tr.start();
        firebird::Statement st(tr, "SELECT COUNT(*) FROM SP_DATALIST_INSERT(0, '" + m_data + "', 2000)");
        auto c = st.open();
        c.fetch();
        c.close();
        tr.commit();
    }
    ASSERT_EQ(one("SELECT COUNT(*) FROM DATALIST"), "2000");
    auto box = dialog();
    select(*box, 0);
    m_messages.answer(platform::IDOK);
    box->FunctionKey(fkF4)->Click();
    EXPECT_EQ(lastBox(), "これ以上の領域追加は行えません。(最大2000件)");
    EXPECT_EQ(one("SELECT COUNT(*) FROM DATALIST"), "2000");
}

TEST_F(DataCopyPasteServerTest, DeleteDropsTheDatabaseOnTheServer)
{
    dataSet(3, "消す会社", 5);
    auto box = dialog();
    select(*box, rowOf(*box, 3));
    m_messages.onDialog([](QDialog& d) {
        auto* consent = dynamic_cast<TMessageBox*>(&d);
        EXPECT_NE(consent, nullptr);
        if (!consent)
            return int(platform::mrCancel);
        EXPECT_EQ(consent->MsgCaption, "データの削除");
        consent->cboxAgree()->setChecked(true);
        return int(platform::mrOk);
    });
    box->FunctionKey(fkF5)->Click();
    EXPECT_FALSE(std::filesystem::exists(paths::toNative(slot(3) + "\\dwacc.fdb")));
    EXPECT_FALSE(std::filesystem::exists(paths::toNative(slot(3))));
}

TEST_F(DataCopyPasteServerTest, APasteCopiesThroughTheServerUnderTheRowLock)
{
    dataSet(1, "元の会社", 20);
    auto box = dialog();
    select(*box, rowOf(*box, 1));
    box->FunctionKey(fkF2)->Click();
    ASSERT_TRUE(box->CopyMode);
    select(*box, rowOf(*box, 4));
    // Each database service of the copy (backup, then restore): the row lock as others see it
    // meanwhile.
    std::vector<std::string> meanwhile;
    TDM::setServiceBusyHook([&](bool busy) {
        if (busy)
            meanwhile.push_back(seenByOthers("SELECT DATALOCK FROM DATALIST WHERE REC=4"));
    });
    box->FunctionKey(fkF2)->Click();
    TDM::setServiceBusyHook({});
    EXPECT_FALSE(box->CopyMode);
    EXPECT_EQ(meanwhile, (std::vector<std::string>{"15", "15"}));
    ASSERT_TRUE(std::filesystem::exists(paths::toNative(slot(4) + "\\dwacc.fdb")));
    EXPECT_EQ(company(4, "SELECT SHOUGOU FROM ACCDEF1"), "元の会社");
    EXPECT_EQ(seenByOthers("SELECT DATALOCK FROM DATALIST WHERE REC=4"), "0") << "the lock is released again";
    EXPECT_EQ(seenByOthers("SELECT ENTTEXT FROM DATALIST WHERE REC=4"), "元の会社～コピー");
}

// The restore of the copy fails on the server: into an existing data set because another
// operator opened it meanwhile, into an empty slot because its work file cannot be made.
TEST_F(DataCopyPasteServerTest, AFailedRestoreLeavesTargetAndLockAsTheyWere)
{
    dataSet(1, "元の会社", 20);
    dataSet(2, "元の会社", 10); // the same company with fewer journals: no comparison box
    struct Case {
        int target;
        const char* name;
        std::function<void(firebird::Attachment&)> fault;
    };
    const std::vector<Case> cases = {
        {2, "元の会社",
         [this](firebird::Attachment& holder) {
             holder.connect(testsupport::morabyParams("localhost:" + paths::toNative(slot(2) + "\\dwacc.fdb").string()));
         }},
        {4, "",
         [this](firebird::Attachment&) {
             std::filesystem::create_directories(paths::toNative(slot(4) + "\\dwacc.fr_"));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        m_messages.clear();
        const bool wasThere = std::filesystem::exists(paths::toNative(slot(c.target)));
        const std::string row = "SELECT COALESCE(ENTTEXT, '') || '|' || COALESCE(DATALOCK, '') || '|' || "
                                "COALESCE(DATA_STATUS, '') FROM DATALIST WHERE REC=" + std::to_string(c.target);
        const std::string rowBefore = seenByOthers(row);
        auto box = dialog();
        firebird::Attachment holder;
        int services = 0;
        TDM::setServiceBusyHook([&](bool busy) {
            if (busy && ++services == 2)
                c.fault(holder);
        });
        m_messages.expectBox("データベースのリストアに失敗しました。");
        m_messages.expectBox("データのコピーに失敗しました。");
        copyAndPaste(*box, 1, c.target);
        TDM::setServiceBusyHook({});
        if (holder.connected())
            holder.disconnect();
        EXPECT_EQ(services, 2);
        EXPECT_EQ(seenByOthers(row), rowBefore);
        EXPECT_EQ(rowBefore, c.name + std::string("|0|0")) << "no copy name, no lock, no damage mark";
        if (wasThere) {
            EXPECT_EQ(company(c.target, "SELECT SUM(SIWAKECOUNT) FROM SISETUMST"), "10") << "not restored over";
        } else {
            EXPECT_FALSE(std::filesystem::exists(paths::toNative(slot(c.target)))) << "the slot keeps no folder";
        }
    }
}

// The new-data form is not part of this program: a stand-in launched by name answers as the
// form would, 1 after it made the data set, 2 when the user cancelled.
TEST_F(DataCopyPasteServerTest, NewDataHandlesTheFormsAnswers)
{
    for (int answer : {1, 2}) {
        SCOPED_TRACE(answer);
        m_messages.clear();
        const int rec = 5 + answer;
        std::string params, lockMeanwhile;
        SyoriKidouProc = [&](const std::string& name, int mode, const std::string& lines) {
            EXPECT_EQ(name, "XvKihonWiz");
            EXPECT_EQ(mode, 1);
            params = lines;
            lockMeanwhile = seenByOthers("SELECT DATALOCK FROM DATALIST WHERE REC=" + std::to_string(rec));
            if (answer == 1)
                dataSet(rec, "新しい会社", 0);
            return answer;
        };
        auto box = dialog();
        select(*box, rowOf(*box, rec));
        EXPECT_EQ(box->FunctionKey(fkF3)->CaptionA().Caption(), QStringLiteral("F3:新規作成"));
        box->FunctionKey(fkF3)->Click();
        SyoriKidouProc = nullptr;
        ASSERT_EQ(params.rfind("DataPath=" + slot(rec) + "\rDataListRec=" + std::to_string(rec) + "\rPHandle=", 0), 0u)
            << params;
        EXPECT_EQ(lockMeanwhile, "15");
        EXPECT_EQ(seenByOthers("SELECT DATALOCK FROM DATALIST WHERE REC=" + std::to_string(rec)), "0");
        if (answer == 1) {
            EXPECT_EQ(box->PerfectGrid1()->model().cellText(rowOf(*box, rec), 2), QStringLiteral("新しい会社"));
        } else {
            EXPECT_FALSE(std::filesystem::exists(paths::toNative(slot(rec)))) << "a cancelled form leaves no folder";
        }
        EXPECT_TRUE(m_messages.boxes().empty()) << testing::PrintToString(m_messages.texts());
    }
}

} // namespace
