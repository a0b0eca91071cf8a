// The base dialog over real system and company databases, driven by keys under offscreen.
#include "ui/BaseDialog.h"

#include "platform/Paths.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/ProgramRecords.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/Sql.h"
#include "support/TempDir.h"
#include "ui/ListGrid.h"

#include "UiTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <memory>

namespace {

using testsupport::rows;

// A dialog with one edit at (100, 50, 80 x 20), one label and a hint area.
class SampleBox : public TBSDI {
public:
    explicit SampleBox(Border border, const char* name = "TestBox") : TBSDI(border)
    {
        setObjectName(QString::fromLatin1(name));
        setWindowTitle(QStringLiteral("テスト画面"));
        KeepOnClose = 1;
        edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("edtSample"));
        edit->setGeometry(100, 50, 80, 20);
        other = new QLineEdit(this);
        other->setObjectName(QStringLiteral("edtOther"));
        other->setGeometry(100, 80, 80, 20);
        label = new QLabel(QStringLiteral("本・支店コード"), this);
        label->setGeometry(10, 50, 80, 20);
        memo = new QPlainTextEdit(this);
        memo->setGeometry(10, 120, 300, 40);
        memo->setFocusPolicy(Qt::NoFocus);
        HintMemo = memo;
        Initialized = 1;
    }
    QLineEdit* edit;
    QLineEdit* other;
    QLabel* label;
    QPlainTextEdit* memo;
    bool showDone = false;

protected:
    void showEvent(QShowEvent* event) override
    {
        TBSDI::showEvent(event);
        showDone = true;
    }
};

class BaseDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        platform::paths::mapDrive('D', m_root.path());
        testsupport::FixtureDb::copyTo("system", m_root / "data" / "dwaccdef.fdb");
        testsupport::FixtureDb::copyTo("company", m_root / "data" / "0001" / "dwacc.fdb");
        std::filesystem::create_directories(m_root / "log");
        SystemDef.SysDir = "D:\\data";
        SystemDef.DataDir = "D:\\data\\0001";
        SystemDef.LogFolder = "D:\\log";
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.PcName = "buildpc";
        SystemDef.GroupId = 10000;
        SystemDef.LoginId = 100000011;
        SystemDef.FrameHeight = 4;
        SystemDef.DefaultFont = {"ＭＳ Ｐゴシック", 10, 0, 128};
        SystemDef.OperatorFont = {"ＭＳ Ｐゴシック", 10, 0, 128};
        m_messages.answerDefaults();
        m_dm = std::make_unique<TDM>();
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
        TBSDI::setScreenPpiForTesting(96);
    }

    void TearDown() override
    {
        TBSDI::setScreenPpiForTesting(0);
        m_dm.reset();
        records::resetProgramState();
        platform::paths::resetDriveMap();
    }

    static void release(QWidget& w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget* target = w.focusWidget() ? w.focusWidget() : &w;
        QTest::keyClick(target, key, mods);
        QCoreApplication::processEvents();
    }

    testsupport::TempDir m_root;
    testsupport::MessageRecorder m_messages;
    std::unique_ptr<TDM> m_dm;
};

} // namespace

TEST_F(BaseDialogTest, SwitchesFollowTheBorder)
{
    SampleBox fixed(TBSDI::Border::Fixed);
    SampleBox sizeable(TBSDI::Border::Sizeable);
    for (std::uint8_t s : {fixed.UseOpHistory, fixed.SubclassFlag, fixed.UseFormSize, fixed.LoadAccInfo,
                           fixed.ActivateValue, fixed.MenuRegister, sizeable.MenuRegister})
        EXPECT_EQ(s, 0);
    for (std::uint8_t s : {sizeable.UseOpHistory, sizeable.SubclassFlag, sizeable.UseFormSize,
                           sizeable.LoadAccInfo, sizeable.ActivateValue, sizeable.Reposition})
        EXPECT_EQ(s, 1);
    EXPECT_EQ(sizeable.ScalePercent, 100);
    EXPECT_EQ(sizeable.OwnerHandle.data(), &sizeable);
}

TEST_F(BaseDialogTest, FirstShowRemembersTheSizeAndClosingUpdatesIt)
{
    {
        SampleBox box(TBSDI::Border::Sizeable);
        uitest::showActive(box);
        EXPECT_EQ(rows(m_dm->IBDatabaseDEF, "SELECT * FROM FORMRSIZE"),
                  (std::vector<std::string>{"100000011|TestBox|0|0|648|1012|648|1012"}));
        // The default size, fitted to a smaller screen (the test screen is 800 wide).
        const QRect area = box.screen()->availableGeometry();
        const QSize frame = box.frameGeometry().size() - box.size();
        EXPECT_EQ(box.size(), QSize(1012, 648).boundedTo(area.size() - frame));
        EXPECT_TRUE(area.contains(box.frameGeometry()));
        EXPECT_EQ(box.minimumSize(), QSize(394, 249)) << "60 % of the design size 656 x 415";
        box.move(10, 20);
        box.resize(600, 400);
        release(box, Qt::Key_F12);
        EXPECT_FALSE(box.isVisible());
        EXPECT_EQ(box.result(), platform::mrCancel);
    }
    EXPECT_EQ(rows(m_dm->IBDatabaseDEF, "SELECT * FROM FORMRSIZE"),
              (std::vector<std::string>{"100000011|TestBox|20|10|400|600|648|1012"}));
    SampleBox again(TBSDI::Border::Sizeable);
    uitest::showActive(again);
    EXPECT_EQ(again.pos(), QPoint(10, 20));
    EXPECT_EQ(again.size(), QSize(600, 400));
    EXPECT_FALSE(m_dm->IBTransactionDEF.inTransaction());

    // Another operator has a row of their own.
    again.done(platform::mrCancel);
    SystemDef.LoginId = 100000012;
    SampleBox theirs(TBSDI::Border::Sizeable);
    uitest::showActive(theirs);
    EXPECT_EQ(rows(m_dm->IBDatabaseDEF, "SELECT OPCODE, FMTOP, FMWIDTH FROM FORMRSIZE ORDER BY OPCODE"),
              (std::vector<std::string>{"100000011|20|600", "100000012|0|1012"}));
}

TEST_F(BaseDialogTest, AFixedDialogRemembersNothing)
{
    SampleBox box(TBSDI::Border::Fixed);
    uitest::showActive(box);
    release(box, Qt::Key_Escape);
    EXPECT_FALSE(box.isVisible());
    EXPECT_TRUE(rows(m_dm->IBDatabaseDEF, "SELECT * FROM FORMRSIZE").empty());
    EXPECT_EQ(box.minimumSize(), QSize(0, 0));
}

TEST_F(BaseDialogTest, HistoryIsWrittenToTheOpenCompanyDatabase)
{
    ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0001", 0));
    {
        SampleBox box(TBSDI::Border::Sizeable);
        uitest::showActive(box);
        EXPECT_EQ(rows(m_dm->IBDatabaseDAT, "SELECT OPCODE, JOBNAME, STATE FROM OPINF_LOG"),
                  (std::vector<std::string>{"100000011|テスト画面|エラー終了"}));
        const auto open = rows(m_dm->IBDatabaseDAT,
                               "SELECT OPCODE, JOBNAME, PCNAME, "
                               "CASE WHEN ABS(DATEDIFF(SECOND, OPENTIME, LOCALTIMESTAMP)) < 5 THEN 'now' "
                               "ELSE 'other' END FROM OPINF");
        EXPECT_EQ(open, (std::vector<std::string>{"100000011|テスト画面|buildpc|now"}));
        release(box, Qt::Key_F12);
    }
    EXPECT_EQ(rows(m_dm->IBDatabaseDAT, "SELECT STATE FROM OPINF_LOG ORDER BY CLOSETIME, STATE"),
              (std::vector<std::string>{"エラー終了", "正常終了"}));
    EXPECT_TRUE(rows(m_dm->IBDatabaseDAT, "SELECT * FROM OPINF").empty());
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(BaseDialogTest, WithoutACompanyDatabaseTheHistoryIsSkippedSilently)
{
    SampleBox box(TBSDI::Border::Sizeable);
    uitest::showActive(box);
    // A company database opened meanwhile gets no close entry for an opening it never saw.
    ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0001", 0));
    release(box, Qt::Key_F12);
    EXPECT_FALSE(box.isVisible());
    EXPECT_TRUE(m_messages.boxes().empty());
    EXPECT_TRUE(rows(m_dm->IBDatabaseDAT, "SELECT * FROM OPINF_LOG").empty());
    EXPECT_TRUE(rows(m_dm->IBDatabaseDAT, "SELECT * FROM OPINF").empty());
}

TEST_F(BaseDialogTest, FontScalingByTheOperatorsFont)
{
    struct Case {
        const char* name;
        int op;
        int def;
        int percent;
        int ppi;
        QRect edit;
    };
    const Case cases[] = {
        {"12 over 10", 12, 10, 120, 115, QRect(120, 60, 96, 24)},
        {"10 over 10", 10, 10, 100, 96, QRect(100, 50, 80, 20)},
        // A size 0 in the settings must not shrink everything to nothing.
        {"operator font 0", 0, 10, 100, 96, QRect(100, 50, 80, 20)},
        {"default font 0", 12, 0, 100, 96, QRect(100, 50, 80, 20)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SystemDef.OperatorFont.Size = c.op;
        SystemDef.DefaultFont.Size = c.def;
        SampleBox box(TBSDI::Border::Fixed);
        uitest::showActive(box);
        EXPECT_EQ(box.ScalePercent, c.percent);
        EXPECT_EQ(box.PixelsPerInch, c.ppi);
        EXPECT_EQ(box.edit->geometry(), c.edit);
        if (c.percent == 120)
            uitest::saveShot(box, "base-dialog-scaled-120");
    }
}

TEST_F(BaseDialogTest, EscAndF12CloseByBorderAndNeverWithShift)
{
    struct Case {
        const char* name;
        TBSDI::Border border;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        bool closes;
    };
    const Case cases[] = {
        {"fixed Esc", TBSDI::Border::Fixed, Qt::Key_Escape, Qt::NoModifier, true},
        {"fixed F12", TBSDI::Border::Fixed, Qt::Key_F12, Qt::NoModifier, false},
        {"fixed Shift+Esc", TBSDI::Border::Fixed, Qt::Key_Escape, Qt::ShiftModifier, false},
        {"sizeable F12", TBSDI::Border::Sizeable, Qt::Key_F12, Qt::NoModifier, true},
        {"sizeable Esc", TBSDI::Border::Sizeable, Qt::Key_Escape, Qt::NoModifier, false},
        {"sizeable Shift+F12", TBSDI::Border::Sizeable, Qt::Key_F12, Qt::ShiftModifier, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SampleBox box(c.border);
        uitest::showActive(box);
        box.edit->setFocus();
        release(box, c.key, c.mods);
        EXPECT_EQ(!box.isVisible(), c.closes);
        if (c.closes) {
            EXPECT_EQ(box.result(), platform::mrCancel);
        }
        if (c.mods == Qt::NoModifier) {
            EXPECT_EQ(box.lastKey(), int(c.key));
        }
    }
}

TEST_F(BaseDialogTest, LongHintsGoToTheHintArea)
{
    SampleBox box(TBSDI::Border::Fixed);
    SetControlHint(box.edit, QStringLiteral("短い|長い|説明"));
    SetControlHint(box.other, QStringLiteral("ひとつだけ"));
    EXPECT_EQ(box.edit->toolTip(), QStringLiteral("短い"));
    EXPECT_EQ(box.other->toolTip(), QStringLiteral("ひとつだけ"));
    uitest::showActive(box);
    box.edit->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(box.memo->toPlainText(), QStringLiteral("長い|説明"));
    box.other->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(box.memo->toPlainText(), QStringLiteral("ひとつだけ"));
    SetControlHint(box.edit, QString());
    box.edit->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(box.memo->toPlainText(), QString());
}

TEST_F(BaseDialogTest, KeysTypedBeforeTheDialogShowsAreDropped)
{
    SampleBox box(TBSDI::Border::Fixed);
    box.edit->setFocus();
    QCoreApplication::postEvent(box.edit, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier,
                                                        QStringLiteral("a")));
    uitest::showActive(box);
    QCoreApplication::processEvents();
    EXPECT_EQ(box.edit->text(), QString());
    // Once shown, the same key arrives.
    QCoreApplication::postEvent(box.edit, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier,
                                                        QStringLiteral("a")));
    QCoreApplication::processEvents();
    EXPECT_EQ(box.edit->text(), QStringLiteral("a"));
}

TEST_F(BaseDialogTest, WorkDueWhileTheDialogShowsNeitherMeetsAHalfShownDialogNorHangsIt)
{
    // Each is due before exec() shows the dialog and closes it. A timer waits for the dialog's
    // loop; queued work may run while the show drops type-ahead, but its close must not leave
    // exec() waiting on a hidden window.
    struct Case {
        const char* name;
        bool timer;
    };
    for (const Case& c : {Case{"timer", true}, Case{"queued call", false}}) {
        SCOPED_TRACE(c.name);
        SampleBox box(TBSDI::Border::Fixed);
        bool ran = false, shownFirst = false;
        auto work = [&] {
            ran = true;
            shownFirst = box.showDone;
            box.setModalResult(platform::mrOk);
        };
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &box, work);
        if (c.timer)
            timer.start(0);
        else
            QMetaObject::invokeMethod(&box, work, Qt::QueuedConnection);
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &box, [&] {
            box.show();
            box.done(platform::mrAbort);
        });
        guard.start(10000);
        EXPECT_EQ(box.exec(), platform::mrOk);
        EXPECT_TRUE(ran);
        EXPECT_TRUE(shownFirst || !c.timer);
        EXPECT_TRUE(guard.isActive()) << "exec() hung";
        EXPECT_FALSE(box.isVisible());
    }
}

TEST_F(BaseDialogTest, MedicalCompaniesCallTheirBranchesFacilities)
{
    AccInf.IsMedical = true;
    SampleBox box(TBSDI::Border::Fixed);
    uitest::showActive(box);
    EXPECT_EQ(box.label->text(), QStringLiteral("施設コード"));
}

TEST_F(BaseDialogTest, ClosingFreesTheDialogUnlessKept)
{
    QPointer<SampleBox> box = new SampleBox(TBSDI::Border::Fixed);
    box->KeepOnClose = 0;
    uitest::showActive(*box);
    release(*box, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull());
}

TEST_F(BaseDialogTest, GridColoursByPropertyNumber)
{
    SystemDef.ColHeaderColor = 0x111111;
    SystemDef.ClientColor = 0x222222;
    SystemDef.ClientColor1 = 0x333333;
    SystemDef.ClientColor2 = 0x444444;
    SystemDef.ActiveColor = 0x555555;
    SampleBox box(TBSDI::Border::Fixed);
    ui::TPerfectGrid grid(&box);
    struct Case {
        int mode;
        std::uint8_t lumeran;
        std::vector<std::pair<int, platform::TColor>> expected;
    };
    const Case cases[] = {
        {1, 0, {{109, 0x111111}, {112, 0x808080}, {-501, 0x222222}, {101, 0x222222}, {56, 0x555555},
                {79, 0x808080}, {67, 0x008000}, {50, 0x808080}, {145, 0x80000011}}},
        {0, 1, {{-501, 0x333333}, {101, 0x444444}, {67, 0x246BFF}}},
    };
    for (const auto& c : cases) {
        LumeranDataFlag = c.lumeran;
        box.SetGridColor(grid, c.mode);
        for (const auto& [property, colour] : c.expected)
            EXPECT_EQ(grid.colorProperty(property), colour) << "mode " << c.mode << " property " << property;
    }
}

TEST_F(BaseDialogTest, PositionsAreKeptInsideTheWorkArea)
{
    SampleBox box(TBSDI::Border::Fixed);
    box.setFixedSize(300, 200);
    const QRect area = box.screen()->availableGeometry();
    box.SetFormPosition(0, 0, 3, 0, 0);
    EXPECT_EQ(box.pos(), QPoint(area.x() + (area.width() - 300) / 2, area.y() + (area.height() - 200) / 2));
    // Kept where it is once Reposition is clear and it lies inside the work area.
    box.move(40, 30);
    box.Reposition = 0;
    box.SetFormPosition(0, 0, 3, 0, 0);
    EXPECT_EQ(box.pos(), QPoint(40, 30));
    // A place outside the work area is replaced.
    box.move(area.right() + 50, 30);
    box.SetFormPosition(0, 0, 3, 0, 0);
    EXPECT_EQ(box.pos(), QPoint(area.x() + (area.width() - 300) / 2, area.y() + (area.height() - 200) / 2));
}

TEST_F(BaseDialogTest, RemembersOneScreenValueUnderItsName)
{
    SampleBox box(TBSDI::Border::Fixed, "ValueBox");
    box.ValueText = "前回の値";
    box.HozonValue();
    SampleBox other(TBSDI::Border::Fixed, "ValueBox");
    other.FukugenValue();
    EXPECT_EQ(other.ValueText, "前回の値");
    EXPECT_EQ(rows(m_dm->IBDatabaseDEF, "SELECT STYLENAME FROM STYLECOLOR WHERE STYLENAME STARTING WITH '020-'"),
              (std::vector<std::string>{"020-VALUEBOX"}));
}

TEST_F(BaseDialogTest, ADialogLargerThanTheScreenShrinksAndIsPlacedWhollyOnIt)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        const char* name;
        QSize size;
        QPoint at;
    };
    const Case cases[] = {
        {"wider and taller", area.size() + QSize(300, 200), QPoint(40, 30)},
        {"wider only", QSize(area.width() + 120, area.height() / 2), QPoint(-50, 10)},
        {"fits already", area.size() / 2, QPoint(5, 5)},
    };
    for (const auto& c : cases) {
        SampleBox box(TBSDI::Border::Sizeable);
        box.setMinimumSize(c.size - QSize(10, 10));
        box.resize(c.size);
        box.move(c.at);
        box.SetFormPosition(0, 0, 3, 0, 0);
        EXPECT_TRUE(area.contains(box.frameGeometry())) << c.name;
        EXPECT_EQ(box.width(), std::min(c.size.width(), area.width())) << c.name;
        EXPECT_EQ(box.height(), std::min(c.size.height(), area.height())) << c.name;
    }
}
