// Save, restore and take-out through the launch harness on a virtual display, on a fresh sample
// data root, driven by keys as a user would: F6 and Enter save the general data set into the
// documents folder, F7 and Enter restore it from there; on the loopback server, F3 takes it out
// into this computer's data list through the second dialog (type 5).
#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/IniFile.h"
#include "platform/MessageService.h"
#include "platform/SpecialFolders.h"
#include "support/FixtureDb.h"
#include "support/TempDir.h"
#include "support/VirtualDisplay.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;


// The files named name under folder.
std::vector<fs::path> filesNamed(const fs::path& folder, const std::string& name)
{
    std::vector<fs::path> out;
    if (fs::exists(folder))
        for (const auto& e : fs::recursive_directory_iterator(folder))
            if (e.path().filename() == name)
                out.push_back(e.path());
    return out;
}

// Enter until the window closes (the place list takes the first Enter to the OK button).
bool confirmByEnter(const testsupport::VirtualDisplay& display, const std::string& caption)
{
    for (int i = 0; i < 3; ++i) {
        display.key("Return");
        QThread::msleep(700);
        if (display.waitForWindowGone(caption))
            return true;
    }
    return false;
}

// Presses key, waits for the dialog it opens, keeps its screenshot and confirms it by Enter.
void confirmDialogOf(const testsupport::VirtualDisplay& display, QProcess& harness, const std::string& key,
                     const std::string& caption, const fs::path& shot)
{
    display.key(key);
    ASSERT_TRUE(display.waitForWindow(caption)) << harness.readAll().toStdString();
    QThread::msleep(300);
    display.screenshot(shot);
    ASSERT_TRUE(confirmByEnter(display, caption));
}

// A fresh sample data root at root, built by the project's script.
void buildSampleRoot(const fs::path& root)
{
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(QStringLiteral(TEST_SOURCE_DIR "/../../tools/sample-data.sh"),
                 {QString::fromStdString(root.string()), QStringLiteral(TEST_BINARY_DIR)});
    ASSERT_TRUE(script.waitForStarted(10000)) << "tools/sample-data.sh cannot run";
    ASSERT_TRUE(script.waitForFinished(300000));
    ASSERT_EQ(script.exitCode(), 0) << script.readAll().toStdString();
}

// Starts the harness on the display with "SyoriType=0"; boxes go to dir/boxes.txt.
void startHarness(QProcess& harness, const testsupport::VirtualDisplay& display, const fs::path& dir,
                  const fs::path& root)
{
    fs::create_directories(dir / "runtime");
    fs::create_directories(dir / "documents");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display.name()));
    env.insert(QString::fromUtf8(platform::kRecordEnvironmentVariable),
               QString::fromStdString((dir / "boxes.txt").string()));
    env.insert(QString::fromUtf8(platform::kRuntimeFolderVariable), QString::fromStdString((dir / "runtime").string()));
    env.insert(QString::fromUtf8(platform::kDocumentsVariable), QString::fromStdString((dir / "documents").string()));
    harness.setProcessEnvironment(env);
    harness.setProcessChannelMode(QProcess::MergedChannels);
    harness.start(QStringLiteral(LAUNCH_HARNESS_PATH),
                  {QString::fromStdString(root.string()), QStringLiteral("20"), QStringLiteral("sample"),
                   QStringLiteral("SyoriType=0")});
}

std::string readAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(SaveRestoreDisplayTest, F6AndF7ByKeysSaveAndRestoreTheGeneralDataSet)
{
    testsupport::TempDir dir;
    const fs::path root = dir / "root";
    const fs::path shots = fs::path(TEST_BINARY_DIR) / "screenshots" / "selection";
    fs::create_directories(shots);
    buildSampleRoot(root);
    ASSERT_FALSE(testing::Test::HasFatalFailure());

    testsupport::VirtualDisplay display;
    const fs::path record = dir / "boxes.txt";
    QProcess harness;
    startHarness(harness, display, dir.path(), root);
    ASSERT_TRUE(harness.waitForStarted(10000));
    ASSERT_TRUE(display.waitForWindow("データ選択")) << harness.readAll().toStdString();
    QThread::msleep(500);

    // The first row is the general data set (slot 1).
    confirmDialogOf(display, harness, "F6", "データの保存", shots / "harness-save-dialog.png");
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    std::vector<fs::path> backups;
    for (int i = 0; i < 150 && backups.empty(); ++i) {
        QThread::msleep(200);
        backups = filesNamed(dir / "documents", "dwacc.fbk");
    }
    ASSERT_EQ(backups.size(), 1u) << "the backup is written into the documents folder";
    ASSERT_TRUE(display.waitForWindow("データ選択"));
    QThread::msleep(1500);

    confirmDialogOf(display, harness, "F7", "データの復元", shots / "harness-restore-dialog.png");
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    // The restore runs behind its progress window and ends with the list.
    QThread::msleep(1000);
    for (int i = 0; i < 100 && !display.waitForWindowGone("復元中"); ++i)
        QThread::msleep(200);
    QThread::msleep(1500);
    display.screenshot(shots / "harness-after-restore.png");
    display.key("Escape");
    ASSERT_TRUE(harness.waitForFinished(60000));
    EXPECT_EQ(harness.exitCode(), 2) << harness.readAll().toStdString();

    EXPECT_EQ(readAll(record), "") << "neither step showed a message";
    const std::string bytes = readAll(backups.front());
    EXPECT_NE(bytes.rfind("## QuarvelZone\r\nSHOUGOU="), std::string::npos) << "the backup carries its trailer";
    // The restored data set opens and is free again.
    firebird::Attachment db;
    db.connect(testsupport::morabyParams((root / "quelto" / "morabyzaimu" / "data" / "0001" / "dwacc.fdb").string()));
    db.disconnect();
}

// "C:\\..." for a native path: the program and the server both map C: to "/".
std::string onC(const fs::path& native)
{
    std::string s = native.string();
    for (char& c : s)
        if (c == '/')
            c = '\\';
    return "C:" + s;
}

// The sample data served by the loopback server from a copy of the data folder (its catalogue
// pointed at the copy); this computer's data list is the sample root's own folder. F3, Enter on
// the take-out choice, then F12 on the first empty local slot of the second dialog.
TEST(TakeOutServerDisplayTest, F3TakesTheGeneralDataSetOutToAnEmptyLocalSlot)
{
    testsupport::ensureServer();
    testsupport::TempDir dir;
    const fs::path root = dir / "root";
    const fs::path shots = fs::path(TEST_BINARY_DIR) / "screenshots" / "selection";
    fs::create_directories(shots);
    buildSampleRoot(root);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    const fs::path local = root / "quelto" / "morabyzaimu" / "data";
    const fs::path server = dir / "server" / "data";
    fs::create_directories(server.parent_path());
    fs::copy(local, server, fs::copy_options::recursive);
    const std::string serverSys = "localhost:" + (server / "dwaccdef.fdb").string();
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(serverSys));
        firebird::Transaction tr(db);
        tr.start();
        std::vector<std::pair<int, std::string>> places;
        {
            firebird::Statement st(tr, "SELECT REC, PASNAME FROM DATALIST WHERE PASNAME IS NOT NULL");
            auto c = st.open();
            while (c.fetch())
                places.emplace_back(int(c.getInt64("REC")), c.getString("PASNAME"));
        }
        const std::string from = onC(local), to = onC(server);
        firebird::Statement up(tr, "UPDATE DATALIST SET PASNAME=:PASNAME WHERE REC=:REC");
        for (const auto& [rec, place] : places) {
            if (place.compare(0, from.size(), from) != 0)
                continue;
            up.setString("PASNAME", to + place.substr(from.size()));
            up.setInt("REC", rec);
            up.execute();
        }
        tr.commit();
        db.disconnect();
    }
    {
        platform::IniFile ini((root / "quelto" / "morabyzaimu" / "dwzaimu.ini").string(),
                              platform::IniFile::WriteMode::Deferred);
        ini.writeString("APPLICATION", "CONNECT", "1");
        ini.writeString("LOCAL", "HOSTNAME", "");
        ini.writeString("LOCAL", "SYSDIR", onC(local));
        ini.writeString("SERVER", "HOSTNAME", "localhost");
        ini.writeString("SERVER", "SYSDIR", onC(server));
        ini.writeString("SERVER", "USER", "MORABY");
        ini.writeString("SERVER", "PASSWORD", "qolvex");
        ini.updateFile();
    }

    testsupport::VirtualDisplay display;
    QProcess harness;
    startHarness(harness, display, dir.path(), root);
    ASSERT_TRUE(harness.waitForStarted(10000));
    ASSERT_TRUE(display.waitForWindow("データ選択（サーバー）")) << harness.readAll().toStdString();
    QThread::msleep(500);

    // The first row is the general data set (slot 1).
    confirmDialogOf(display, harness, "F3", "データの持ち出し／持ち帰り", shots / "harness-take-out-choice.png");
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    // Saved into the passing folder through the server, then this computer's list comes as the
    // second dialog.
    bool listed = false;
    for (int i = 0; i < 6 && !listed; ++i)
        listed = display.waitForWindow("データ選択");
    if (!listed)
        display.screenshot(shots / "harness-take-out-stuck.png");
    ASSERT_TRUE(listed) << testing::PrintToString(display.visibleWindowNames()) << readAll(dir / "boxes.txt")
                        << harness.readAll().toStdString();
    QThread::msleep(1000);
    display.screenshot(shots / "harness-take-out-local-list.png");
    for (int i = 0; i < 5; ++i)
        display.key("Down");
    display.key("F12");
    const fs::path taken = local / "0006" / "dwacc.fdb";
    for (int i = 0; i < 150 && !fs::exists(taken); ++i)
        QThread::msleep(200);
    ASSERT_TRUE(display.waitForWindowGone("データ選択")) << harness.readAll().toStdString();
    ASSERT_TRUE(display.waitForWindow("データ選択（サーバー）"));
    QThread::msleep(1500);
    display.screenshot(shots / "harness-after-take-out.png");
    // One F3, one take-out: the choice does not come back once the first has returned.
    EXPECT_TRUE(display.windowId("データの持ち出し／持ち帰り").empty());
    display.key("Escape");
    ASSERT_TRUE(harness.waitForFinished(60000));
    EXPECT_EQ(harness.exitCode(), 2) << harness.readAll().toStdString();

    const std::string boxes = readAll(dir / "boxes.txt");
    EXPECT_NE(boxes.find("続いて、このコンピュータのデータリストを表示します。"), std::string::npos) << boxes;
    EXPECT_NE(boxes.find("持ち出し先を選んで下さい。"), std::string::npos) << boxes;
    // The server's journal count arrived in the local slot, and the server row is locked for
    // operator 20 until the data comes back.
    auto one = [](const std::string& database, const std::string& sql) {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(database));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr, sql);
        auto c = st.open();
        std::string out = c.fetch() ? c.getString(0) : std::string();
        tr.commit();
        db.disconnect();
        return out;
    };
    ASSERT_TRUE(fs::exists(taken));
    const std::string count = "SELECT COUNT(*) FROM SIWAKE";
    EXPECT_EQ(one(taken.string(), count), one("localhost:" + (server / "0001" / "dwacc.fdb").string(), count));
    EXPECT_EQ(one(serverSys, "SELECT DATALOCK FROM DATALIST WHERE REC=1"), "20");
}

} // namespace
