// The host hooks: launch by name under the wait cursor, menu answers, the data-damage check.
#include "wizard/HostHooks.h"

#include "firebird/Attachment.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/FormRegistry.h"
#include "records/ProgramRecords.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <QCursor>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;

constexpr const char* kNoInterface =
    "処理を起動するためのインターフェースが実装されていません。\r"
    "ライブラリのロードに失敗した可能性があります。";

// A form that can be launched: it keeps what it was given and frees itself when it has run.
class LaunchableForm : public QObject, public ISyoriKidou {
public:
    static inline std::vector<std::string> params;
    static inline std::vector<bool> modal;
    static inline int created = 0;
    static inline int destroyedCount = 0;
    static inline int result = 1;
    static inline int nestedLaunch = 0;
    static inline bool waitCursorWhileRunning = false;

    LaunchableForm() { ++created; }
    ~LaunchableForm() override { ++destroyedCount; }

    void SetParams(const std::vector<std::string>& p) override { params = p; }
    int Execute(bool m) override
    {
        modal.push_back(m);
        const QCursor* c = QGuiApplication::overrideCursor();
        waitCursorWhileRunning = c && c->shape() == Qt::WaitCursor;
        // A second launch from inside a running one (a re-entered message loop) is refused.
        nestedLaunch = SyoriKidou("TestLaunchable", 1, "");
        delete this;
        return result;
    }

    static void reset()
    {
        params.clear();
        modal.clear();
        created = destroyedCount = 0;
        result = 1;
        nestedLaunch = 0;
        waitCursorWhileRunning = false;
    }
};

// A form that offers no launch interface.
class PlainForm : public QObject {
public:
    static inline int created = 0;
    static inline int destroyedCount = 0;
    PlainForm() { ++created; }
    ~PlainForm() override { ++destroyedCount; }
};

void registerTestForms()
{
    records::RegisterSyoriForm<LaunchableForm>("TestLaunchable");
    records::RegisterSyoriForm<PlainForm>("TestPlain");
}

class SyoriKidouTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerTestForms();
        LaunchableForm::reset();
        PlainForm::created = PlainForm::destroyedCount = 0;
    }
    void TearDown() override
    {
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
    }
    testsupport::MessageRecorder m_boxes;
};

} // namespace

TEST_F(SyoriKidouTest, AModalLaunchHandsTheLinesAndFormStyle2AndReturnsTheResult)
{
    LaunchableForm::result = 1;
    const std::string params = "SyoriType=3\rJyokenSet=1\rDataType=2\rCodeType=0\rDataVerMajor=8";
    EXPECT_EQ(SyoriKidou("testlaunchable", 1, params), 1);
    EXPECT_EQ(LaunchableForm::params,
              (std::vector<std::string>{"SyoriType=3", "JyokenSet=1", "DataType=2", "CodeType=0",
                                        "DataVerMajor=8", "FormStyle=2"}));
    EXPECT_EQ(LaunchableForm::modal, (std::vector<bool>{true}));
    EXPECT_TRUE(LaunchableForm::waitCursorWhileRunning);
    EXPECT_EQ(LaunchableForm::nestedLaunch, -1) << "busy while the first runs";
    EXPECT_EQ(LaunchableForm::created, 1) << "the nested launch made no form";
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "wait cursor gone afterwards";
    EXPECT_TRUE(m_boxes.boxes().empty());
}

TEST_F(SyoriKidouTest, OtherModesLaunchModelessWithFormStyle0)
{
    struct Case {
        int mode;
        std::string params;
        std::vector<std::string> expected;
        int result;
    };
    const Case cases[] = {
        {0, "", {"FormStyle=0"}, 1},
        {2, "A=1\r\nB=2\r", {"A=1", "B=2", "FormStyle=0"}, 7},
        {1, "A=1\n\rB=2", {"A=1", "", "B=2", "FormStyle=2"}, 2},
    };
    for (const Case& c : cases) {
        LaunchableForm::reset();
        LaunchableForm::result = c.result;
        EXPECT_EQ(SyoriKidou("TestLaunchable", c.mode, c.params), c.result) << c.mode;
        EXPECT_EQ(LaunchableForm::params, c.expected) << c.mode;
        EXPECT_EQ(LaunchableForm::modal, (std::vector<bool>{c.mode == 1})) << c.mode;
    }
}

TEST_F(SyoriKidouTest, WhileTheWaitCursorShowsNothingIsLaunched)
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    EXPECT_EQ(SyoriKidou("TestLaunchable", 1, "SyoriType=3"), -1);
    EXPECT_EQ(LaunchableForm::created, 0);
    EXPECT_TRUE(m_boxes.boxes().empty());
    QGuiApplication::restoreOverrideCursor();

    // Another cursor shape is no busy mark.
    QGuiApplication::setOverrideCursor(QCursor(Qt::PointingHandCursor));
    EXPECT_EQ(SyoriKidou("TestLaunchable", 1, ""), 1);
    EXPECT_EQ(LaunchableForm::created, 1);
    QGuiApplication::restoreOverrideCursor();
}

TEST_F(SyoriKidouTest, UnknownNamesAndFormsWithoutTheInterfaceAreRefused)
{
    m_boxes.answer(platform::IDOK);
    EXPECT_EQ(SyoriKidou("XvKihonWiz", 1, ""), -1);
    m_boxes.answer(platform::IDOK);
    EXPECT_EQ(SyoriKidou("TestPlain", 1, ""), -1);
    EXPECT_EQ(PlainForm::created, 1);
    EXPECT_EQ(PlainForm::destroyedCount, 1) << "the form that cannot run is freed";
    ASSERT_EQ(m_boxes.boxes().size(), 2u);
    for (const auto& box : m_boxes.boxes()) {
        EXPECT_EQ(box.text, kNoInterface);
        EXPECT_EQ(box.kind, "error");
        EXPECT_EQ(box.flags & 0xF, platform::MB_OK);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    m_boxes.clear();
    EXPECT_EQ(SyoriKidou("", 1, ""), -1) << "an empty name";
    EXPECT_TRUE(m_boxes.boxes().empty());
}

TEST(HostHooks, InstallFillsTheThreeSlotsAndClearEmptiesThem)
{
    records::resetProgramState();
    installHostHooks();
    ASSERT_TRUE(MenuHookProc);
    ASSERT_TRUE(SyoriKidouProc);
    ASSERT_TRUE(DataHasonProc);
    for (int command : {0, 10, 99})
        EXPECT_EQ(MenuHookProc(command, "QuarvelMenu"), 0);
    EXPECT_EQ(MenuHook(10, ""), 0);
    clearHostHooks();
    EXPECT_FALSE(MenuHookProc);
    EXPECT_FALSE(SyoriKidouProc);
    EXPECT_FALSE(DataHasonProc);
}

namespace {

// A data root on drive D: with the system database and one company data set in slot 0001.
class DataHasonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        platform::paths::mapDrive('D', m_root.path());
        testsupport::FixtureDb::copyTo("system", m_root / "data" / "dwaccdef.fdb");
        testsupport::FixtureDb::copyTo("company", m_root / "data" / "0001" / "dwacc.fdb");
        fs::create_directories(m_root / "log");
        SystemDef.SysDir = "D:\\data";
        SystemDef.LogFolder = "D:\\log";
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.GroupId = 10000;
        SystemDef.LoginId = 100000010;
        SystemDef.OperatorName = "管理者";
        records::setProgramEndRequest([] {});
        m_dm = std::make_unique<TDM>();
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 0));
    }

    void TearDown() override
    {
        m_dm.reset();
        records::setProgramEndRequest({});
        records::resetProgramState();
        platform::paths::resetDriveMap();
    }

    std::string native(const std::string& relative) const { return (m_root / relative).string(); }

    // Rows enough for data pages, then a data page overwritten.
    void damageTheCompanyDatabase()
    {
        const fs::path file = m_root / "data" / "0001" / "dwacc.fdb";
        {
            firebird::Attachment db;
            db.connect(testsupport::morabyParams(file.string()));
            for (int i = 0; i < 400; ++i)
                db.executeImmediate("INSERT INTO SIWAKE (REC, SCODE) VALUES (" +
                                    std::to_string(100 + i) + ", 'xxxxxx')");
            db.disconnect();
        }
        std::string bytes = testsupport::readFile(file);
        const std::size_t pageSize = 16384;
        for (std::size_t page = bytes.size() / pageSize; page-- > 1;) {
            if (bytes[page * pageSize] != 5) // page type 5: data page
                continue;
            for (std::size_t i = 100; i < 2000; ++i)
                bytes[page * pageSize + i] = char(0xA5);
            testsupport::writeFile(file, bytes);
            return;
        }
        FAIL() << "no data page";
    }

    std::string catalogueStatus(int rec)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(native("data/dwaccdef.fdb")));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr, "SELECT DATA_STATUS FROM DATALIST WHERE REC=" + std::to_string(rec));
        firebird::Cursor c = st.open();
        return c.fetch() ? (c.isNull(0) ? "<null>" : c.getString(0)) : "<no row>";
    }

    std::string infoStatus()
    {
        const platform::IniFile ini("D:\\data\\0001\\dwacc.ini");
        return ini.readString("DATASTS", "STATUS", "<none>");
    }

    testsupport::TempDir m_root;
    testsupport::MessageRecorder m_boxes;
    std::unique_ptr<TDM> m_dm;
};

} // namespace

TEST_F(DataHasonTest, ASoundDataSetAnswers1AndChangesNothing)
{
    SystemDef.DataBroken = 1;
    EXPECT_EQ(DataHason("", "D:\\data\\0001", false), 1);
    EXPECT_EQ(SystemDef.DataBroken, 0);
    EXPECT_TRUE(m_boxes.boxes().empty());
    EXPECT_EQ(catalogueStatus(1), "0");
    EXPECT_EQ(infoStatus(), "<none>");
}

TEST_F(DataHasonTest, QuietOnACorruptedCopyMarksEverythingWithoutAMessage)
{
    damageTheCompanyDatabase();
    EXPECT_EQ(DataHason("", "D:\\data\\0001", true), 0);
    EXPECT_EQ(SystemDef.DataBroken, 1);
    EXPECT_TRUE(m_boxes.boxes().empty());
    EXPECT_EQ(catalogueStatus(1), "1");
    EXPECT_EQ(catalogueStatus(2), "0") << "only the data set's own row";
    EXPECT_EQ(infoStatus(), "10");
    EXPECT_FALSE(m_dm->IBTransactionDEF.inTransaction()) << "committed";
}

TEST_F(DataHasonTest, NotQuietTheUserIsToldOfTheDamage)
{
    damageTheCompanyDatabase();
    m_boxes.answer(platform::IDOK);
    EXPECT_EQ(DataHason("127.0.0.1", "D:\\data\\0001", false), 0) << "127.0.0.1 validates locally";
    ASSERT_EQ(m_boxes.boxes().size(), 1u);
    EXPECT_EQ(m_boxes.boxes()[0].text,
              "データ検証の結果、このデータは破損している恐れがあります。\r"
              "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。\r"
              "ご不明な点がございましたら、お問い合わせ先をご確認の上ご連絡下さい。");
    EXPECT_EQ(catalogueStatus(1), "1");
}

// Regression: a failure while marking left the transaction begun for it open.
TEST_F(DataHasonTest, AFailedMarkingRollsBackTheTransactionItStarted)
{
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(native("data/dwaccdef.fdb")));
        db.executeImmediate("CREATE EXCEPTION E_CATALOGUE_LOCKED 'catalogue locked'");
        db.executeImmediate("CREATE TRIGGER DATALIST_REFUSE FOR DATALIST BEFORE UPDATE AS "
                            "BEGIN EXCEPTION E_CATALOGUE_LOCKED; END");
        db.disconnect();
    }
    // The data module's connection must see the new trigger.
    m_dm->IBDatabaseDEF.disconnect();
    ASSERT_TRUE(m_dm->fnAccDefConnected("", 0));
    damageTheCompanyDatabase();

    EXPECT_EQ(DataHason("", "D:\\data\\0001", true), 0);
    EXPECT_EQ(SystemDef.DataBroken, 1);
    EXPECT_TRUE(m_boxes.boxes().empty()) << "a failed marking is not shown";
    EXPECT_FALSE(m_dm->IBTransactionDEF.inTransaction());
    EXPECT_EQ(catalogueStatus(1), "0");
}
