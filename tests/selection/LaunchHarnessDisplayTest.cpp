// The launch harness on a virtual display, on a fresh sample data root, driven by keys as a user
// would: copy the general data set into the first empty slot, then Esc.
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

TEST(LaunchHarnessDisplayTest, ACopyByKeysLandsInTheFirstEmptySlot)
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
    display.key("F2");
    QThread::msleep(700);
    display.screenshot(shots / "harness-copy-mode.png");
    for (int i = 0; i < 5; ++i)
        display.key("Down");
    display.key("F2");
    QThread::msleep(300);
    display.screenshot(shots / "harness-paste-progress.png");
    // The paste ends with the list shown again.
    const fs::path copied = root / "quelto" / "morabyzaimu" / "data" / "0006" / "dwacc.fdb";
    for (int i = 0; i < 100 && !fs::exists(copied); ++i)
        QThread::msleep(200);
    QThread::msleep(1500);
    ASSERT_TRUE(display.waitForWindow("データ選択"));
    display.screenshot(shots / "harness-after-paste.png");
    display.key("Escape");
    ASSERT_TRUE(harness.waitForFinished(60000));
    EXPECT_EQ(harness.exitCode(), 2) << harness.readAll().toStdString();

    std::ifstream in(record);
    std::string boxes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(boxes, "");
    EXPECT_TRUE(fs::exists(copied));
    firebird::Attachment db;
    db.connect(testsupport::morabyParams((root / "quelto" / "morabyzaimu" / "data" / "dwaccdef.fdb").string()));
    firebird::Transaction tr(db);
    tr.start();
    firebird::Statement st(tr, "SELECT ENTTEXT FROM DATALIST WHERE REC=6");
    auto c = st.open();
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getString(0), "サンプル商店～コピー");
}

} // namespace
