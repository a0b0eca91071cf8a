#include "records/SystemUtils.h"

#include "platform/Paths.h"
#include "platform/Registry.h"
#include "records/FileUtils.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <pwd.h>
#include <unistd.h>

using testsupport::TempDir;
namespace fs = std::filesystem;
using platform::IDNO;
using platform::IDYES;

namespace {

const std::string kQuestion =
    "この場所に保存するアクセス許可がありません。\r管理者に連絡してアクセス許可を取得してください。"
    "\r\r代わりに［ドキュメント］フォルダに保存しますか？\r";

// Drive D: and the documents folder are temporary folders; the elevation rule is switched
// through the registry stand-in.
class PickerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(dir.path() / "d" / "work");
        fs::create_directories(dir.path() / "docs");
        platform::paths::mapDrive('D', dir.path() / "d");
        platform::registry::setStorePath(dir.path() / "registry.ini");
        setenv("ZETRINO_DOCUMENTS_DIR", (dir.path() / "docs").c_str(), 1);
    }
    void TearDown() override
    {
        platform::paths::resetDriveMap();
        platform::registry::resetStorePath();
        unsetenv("ZETRINO_DOCUMENTS_DIR");
    }
    void setUac(int value)
    {
        platform::registry::writeInteger(platform::registry::RootKey::LocalMachine,
                                         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                                         "EnableLUA", value);
    }
    std::string docs() const { return GetMyDocumentsFolder(); }

    TempDir dir;
    testsupport::MessageRecorder recorder;
};

} // namespace

TEST(SystemUtils, UserNameIsTheEffectiveUsers)
{
    const passwd* pw = ::getpwuid(::geteuid());
    ASSERT_NE(pw, nullptr);
    EXPECT_EQ(GetWinUserName(), std::string(pw->pw_name));
}

TEST(SystemUtils, WaitProcessesPendingEvents)
{
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    EXPECT_TRUE(WaitMSec(20));
    EXPECT_TRUE(fired);
}

// Also where the system version matters: a version of 5 or below would read EnableLUA as 0.
TEST_F(PickerTest, ElevationRuleFollowsEnableLua)
{
    EXPECT_FALSE(isUacOn());
    setUac(1);
    EXPECT_TRUE(isUacOn());
    setUac(0);
    EXPECT_FALSE(isUacOn());
    EXPECT_TRUE(isSystemDriveRoot("c:"));
    EXPECT_TRUE(isSystemDriveRoot("C:\\"));
    EXPECT_TRUE(isSystemDriveRoot("/"));
    EXPECT_FALSE(isSystemDriveRoot("D:\\"));
    EXPECT_FALSE(isSystemDriveRoot("C:\\tmp"));
}

TEST_F(PickerTest, CheckSaveFolderAsksOnlyForTheSystemRootWithTheRuleOn)
{
    std::string path = "c:";
    EXPECT_TRUE(CheckSaveFolder(path));
    EXPECT_EQ(path, "c:\\");
    EXPECT_TRUE(recorder.boxes().empty());

    setUac(1);
    path = "c:";
    recorder.answer(IDYES);
    EXPECT_TRUE(CheckSaveFolder(path));
    EXPECT_EQ(path, docs());
    ASSERT_EQ(recorder.boxes().size(), 1u);
    EXPECT_EQ(recorder.boxes()[0].text, kQuestion);
    EXPECT_EQ(recorder.boxes()[0].kind, "warning");

    path = "C:\\";
    recorder.answer(IDNO);
    EXPECT_FALSE(CheckSaveFolder(path));
    EXPECT_EQ(path, "C:\\");

    path = "D:\\work";
    EXPECT_TRUE(CheckSaveFolder(path));
    EXPECT_EQ(path, "D:\\work\\");
    EXPECT_EQ(recorder.boxes().size(), 2u);
}

TEST_F(PickerTest, SelectFolderReopensOnNoAndTakesDocumentsOnYes)
{
    setUac(1);
    std::string path = "D:\\work";
    recorder.pick(std::string("/"));
    recorder.answer(IDNO);
    recorder.pick((dir.path() / "d" / "work").string());
    EXPECT_TRUE(SelectFolder("フォルダの選択", path, false));
    EXPECT_EQ(path, "D:\\work");
    ASSERT_EQ(recorder.boxes().size(), 3u);
    EXPECT_EQ(recorder.boxes()[0].kind, "folder");
    EXPECT_EQ(recorder.boxes()[0].caption, "フォルダの選択");
    EXPECT_EQ(recorder.boxes()[1].text, kQuestion);
    EXPECT_EQ(recorder.boxes()[2].kind, "folder");

    recorder.clear();
    recorder.pick(std::string("/"));
    recorder.answer(IDYES);
    EXPECT_TRUE(SelectFolder("t", path, false));
    EXPECT_EQ(path, docs());

    // Skipping the check accepts the root.
    recorder.clear();
    recorder.pick(std::string("/"));
    EXPECT_TRUE(SelectFolder("t", path, true));
    EXPECT_EQ(path, "C:\\");
    EXPECT_EQ(recorder.boxes().size(), 1u);

    recorder.pick(std::nullopt);
    EXPECT_FALSE(SelectFolder("t", path, true));
}

TEST_F(PickerTest, SelectFolderRefusesPathsLongerThan255Characters)
{
    const std::string longName(250, 'a');
    fs::create_directories(dir.path() / "d" / longName / "bb");
    std::string path;
    recorder.pick((dir.path() / "d" / longName / "bb").string());
    recorder.answerDefaults();
    EXPECT_FALSE(SelectFolder("t", path, true));
    EXPECT_EQ(path, "D:\\" + longName + "\\bb");
    ASSERT_EQ(recorder.boxes().size(), 2u);
    EXPECT_EQ(recorder.boxes()[1].kind, "error");
    EXPECT_EQ(recorder.boxes()[1].text,
              "選択した場所(パス)の文字長が処理できる範囲を超えました。\r別の場所を選択して下さい。\r");
}

TEST_F(PickerTest, FileDialogMovesARootFileToDocumentsOnYes)
{
    setUac(1);
    platform::FileDialogRequest request;
    request.caption = "保存";
    request.filter = "XML (*.xml)";
    std::string fileName = "D:\\work\\out.xml";
    recorder.pick(std::string("/out.xml"));
    recorder.answer(IDNO);
    recorder.pick(std::string("/out.xml"));
    recorder.answer(IDYES);
    EXPECT_TRUE(ExecuteFileDialog(request, true, fileName));
    EXPECT_EQ(fileName, docs() + "\\out.xml");
    ASSERT_EQ(recorder.boxes().size(), 4u);
    EXPECT_EQ(recorder.boxes()[0].kind, "save");

    recorder.pick((dir.path() / "d" / "work" / "in.xml").string());
    EXPECT_TRUE(ExecuteFileDialog(request, false, fileName));
    EXPECT_EQ(fileName, "D:\\work\\in.xml");
    EXPECT_EQ(recorder.boxes().back().kind, "open");

    recorder.pick(std::nullopt);
    EXPECT_FALSE(ExecuteFileDialog(request, false, fileName));
    EXPECT_EQ(fileName, "D:\\work\\in.xml");
}

TEST_F(PickerTest, NoComputerBrowser)
{
    std::string name = "SERVER1";
    EXPECT_FALSE(SelectComputer("コンピュータの選択", name));
    EXPECT_EQ(name, "SERVER1");
}

namespace {

// Counts what reaches it.
class Counter final : public QObject {
public:
    using QObject::QObject;
    int input = 0;
    int other = 0;
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress || e->type() == QEvent::MouseButtonPress)
            ++input;
        else if (e->type() == QEvent::User)
            ++other;
        return QObject::event(e);
    }
};

} // namespace

TEST(SystemUtils, FlushDropsPendingInputOfTheWindowOnly)
{
    Counter window;
    Counter child(&window);
    Counter elsewhere;
    const auto key = [] {
        return new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    };
    const auto click = [] {
        return new QMouseEvent(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1),
                               Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    };
    QCoreApplication::postEvent(&window, key());
    QCoreApplication::postEvent(&child, click());
    QCoreApplication::postEvent(&child, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&elsewhere, key());

    FlushInputMessages(&window);
    EXPECT_EQ(window.input + child.input, 0);
    EXPECT_EQ(child.other, 1);
    EXPECT_EQ(elsewhere.input, 1);

    // Input arriving afterwards is delivered again.
    QCoreApplication::postEvent(&window, key());
    QCoreApplication::processEvents();
    EXPECT_EQ(window.input, 1);
}

TEST(SystemUtils, FindsTheProgramsOwnWindowsByClassAndTitle)
{
    QWindow window;
    window.setObjectName(QStringLiteral("TForm1"));
    window.setTitle(QStringLiteral("固定資産データ作成"));
    window.show();
    EXPECT_EQ(FindWindowHandle("TForm1", ""), &window);
    EXPECT_EQ(FindWindowHandle("", "固定資産データ作成"), &window);
    EXPECT_EQ(FindWindowHandle("QWindow", "固定資産データ作成"), &window);
    EXPECT_EQ(FindWindowHandle("TForm1", "other"), nullptr);
    EXPECT_EQ(FindWindowHandle("", ""), nullptr);
    EXPECT_EQ(FindWindowHandle("Desktop", ""), nullptr);
    ForceForegroundWindow(&window);
    ForceForegroundWindow(nullptr);
}
