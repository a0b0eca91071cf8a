// Save and restore through the launch harness on a virtual display, on a fresh sample data root,
// driven by keys as a user would: F6 and Enter save the general data set into the documents
// folder, F7 and Enter restore it from there.
#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
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

TEST(SaveRestoreDisplayTest, F6AndF7ByKeysSaveAndRestoreTheGeneralDataSet)
{
    testsupport::TempDir dir;
    const fs::path root = dir / "root";
    const fs::path shots = fs::path(TEST_BINARY_DIR) / "screenshots" / "selection";
    fs::create_directories(shots);
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(QStringLiteral(TEST_SOURCE_DIR "/../../tools/sample-data.sh"),
                 {QString::fromStdString(root.string()), QStringLiteral(TEST_BINARY_DIR)});
    ASSERT_TRUE(script.waitForStarted(10000)) << "tools/sample-data.sh cannot run";
    ASSERT_TRUE(script.waitForFinished(300000));
    ASSERT_EQ(script.exitCode(), 0) << script.readAll().toStdString();

    testsupport::VirtualDisplay display;
    const fs::path record = dir / "boxes.txt";
    fs::create_directories(dir / "runtime");
    fs::create_directories(dir / "documents");
    QProcess harness;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display.name()));
    env.insert(QString::fromUtf8(platform::kRecordEnvironmentVariable), QString::fromStdString(record.string()));
    env.insert(QString::fromUtf8(platform::kRuntimeFolderVariable), QString::fromStdString((dir / "runtime").string()));
    env.insert(QString::fromUtf8(platform::kDocumentsVariable), QString::fromStdString((dir / "documents").string()));
    harness.setProcessEnvironment(env);
    harness.setProcessChannelMode(QProcess::MergedChannels);
    harness.start(QStringLiteral(LAUNCH_HARNESS_PATH),
                  {QString::fromStdString(root.string()), QStringLiteral("20"), QStringLiteral("sample"),
                   QStringLiteral("SyoriType=0")});
    ASSERT_TRUE(harness.waitForStarted(10000));
    ASSERT_TRUE(display.waitForWindow("データ選択")) << harness.readAll().toStdString();
    QThread::msleep(500);

    // The first row is the general data set (slot 1).
    display.key("F6");
    ASSERT_TRUE(display.waitForWindow("データの保存")) << harness.readAll().toStdString();
    QThread::msleep(300);
    display.screenshot(shots / "harness-save-dialog.png");
    ASSERT_TRUE(confirmByEnter(display, "データの保存"));
    std::vector<fs::path> backups;
    for (int i = 0; i < 150 && backups.empty(); ++i) {
        QThread::msleep(200);
        backups = filesNamed(dir / "documents", "dwacc.fbk");
    }
    ASSERT_EQ(backups.size(), 1u) << "the backup is written into the documents folder";
    ASSERT_TRUE(display.waitForWindow("データ選択"));
    QThread::msleep(1500);

    display.key("F7");
    ASSERT_TRUE(display.waitForWindow("データの復元")) << harness.readAll().toStdString();
    QThread::msleep(300);
    display.screenshot(shots / "harness-restore-dialog.png");
    ASSERT_TRUE(confirmByEnter(display, "データの復元"));
    // The restore runs behind its progress window and ends with the list.
    QThread::msleep(1000);
    for (int i = 0; i < 100 && !display.waitForWindowGone("復元中"); ++i)
        QThread::msleep(200);
    QThread::msleep(1500);
    display.screenshot(shots / "harness-after-restore.png");
    display.key("Escape");
    ASSERT_TRUE(harness.waitForFinished(60000));
    EXPECT_EQ(harness.exitCode(), 2) << harness.readAll().toStdString();

    std::ifstream in(record);
    std::string boxes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(boxes, "") << "neither step showed a message";
    const std::string bytes = [&] {
        std::ifstream f(backups.front(), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    }();
    EXPECT_NE(bytes.rfind("## QuarvelZone\r\nSHOUGOU="), std::string::npos) << "the backup carries its trailer";
    // The restored data set opens and is free again.
    firebird::Attachment db;
    db.connect(testsupport::morabyParams((root / "quelto" / "morabyzaimu" / "data" / "0001" / "dwacc.fdb").string()));
    db.disconnect();
}

} // namespace
