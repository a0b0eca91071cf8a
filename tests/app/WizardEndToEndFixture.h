#pragma once

// The real program on its own virtual display, on a fresh sample data root, driven by keystrokes
// as a user drives it. Screenshots of every new window go to <build>/screenshots/app. Shared by
// the end-to-end test files of this folder.
#include "wizard/MainForm.h"

#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/MessageService.h"
#include "platform/SpecialFolders.h"
#include "support/FixtureDb.h"
#include "support/Environment.h"
#include "support/TempDir.h"
#include "support/TestCaller.h"
#include "support/VirtualDisplay.h"

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace e2e {

namespace fs = std::filesystem;

// Only a guard against a hung program.
inline constexpr int kSafetyMilliseconds = 60000;
inline constexpr const char* kWizardTitle = "所得税のゼトリノ from モラビー財務8（減価償却）";
// Where every wizard page shows its first label, each page its own text; and page 2's data list
// and page 4's file box (window pixels).
inline constexpr testsupport::VirtualDisplay::Region kPageLabel{24, 24, 629, 36};
inline constexpr testsupport::VirtualDisplay::Region kDataList{24, 108, 415, 200};
inline constexpr testsupport::VirtualDisplay::Region kFileBox{24, 72, 629, 64};

class WizardEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A fresh sample data root, built by the script the run command uses.
        QProcess script;
        script.setProcessChannelMode(QProcess::MergedChannels);
        script.start(QStringLiteral(SOURCE_ROOT "/tools/sample-data.sh"),
                     {QString::fromStdString(m_root.string()), QStringLiteral(TEST_BINARY_DIR)});
        ASSERT_TRUE(script.waitForStarted(10000)) << "tools/sample-data.sh cannot run";
        ASSERT_TRUE(script.waitForFinished(300000));
        ASSERT_EQ(script.exitCode(), 0)
            << "tools/sample-data.sh failed:\n" << script.readAll().toStdString();
        fs::create_directories(m_runtime);
        fs::create_directories(m_shots);
    }

    void start(const QStringList& args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(m_display.name()));
        env.insert(QString::fromUtf8(platform::kRecordEnvironmentVariable),
                   QString::fromStdString(m_record.string()));
        env.insert(QString::fromUtf8(platform::kRuntimeFolderVariable),
                   QString::fromStdString(m_runtime.string()));
        env.insert(QString::fromUtf8(platform::kCommonAppDataVariable),
                   QString::fromStdString(m_root.string()));
        env.insert(QString::fromUtf8(platform::kDocumentsVariable),
                   QString::fromStdString((m_dir / "documents").string()));
        env.insert(QStringLiteral("ZETRINO_REGISTRY"),
                   QString::fromStdString((m_root / "registry.ini").string()));
        env.remove(QString::fromUtf8(kTestCloseOnShowVariable));
        m_program.setProcessEnvironment(env);
        m_program.start(QStringLiteral(PROGRAM_PATH), args);
        ASSERT_TRUE(m_program.waitForStarted(kSafetyMilliseconds));
    }

    int finish()
    {
        EXPECT_TRUE(m_program.waitForFinished(kSafetyMilliseconds));
        if (m_program.exitStatus() != QProcess::NormalExit)
            return -1;
        return m_program.exitCode();
    }

    // Waits for the window and saves what the screen shows.
    void expectWindow(const std::string& title, const std::string& shot)
    {
        ASSERT_TRUE(m_display.waitForWindow(title)) << "no window named " << title;
        m_display.screenshot(m_shots / (shot + ".png"));
    }

    // The record lines once there are at least count of them (the guard time at most).
    std::vector<std::string> boxesWhen(std::size_t count) const
    {
        for (int i = 0; i < 100 && boxes().size() < count; ++i)
            QThread::msleep(100);
        return boxes();
    }

    std::vector<std::string> boxes() const
    {
        std::vector<std::string> lines;
        std::ifstream in(m_record, std::ios::binary);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    // Login ids (group * 10000 + code) in the sign-in list of the sample system database. Without
    // a host, only while the program is not running (its embedded engine holds the file); with
    // one, through that server.
    std::vector<int> signedIn(const std::string& host = {})
    {
        const std::string file = (m_root / "quelto/morabyzaimu/data/dwaccdef.fdb").string();
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(host.empty() ? file : host + ":" + file));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr);
        st.setSql("SELECT OPCODE FROM LOGONUSERLIST ORDER BY OPCODE");
        auto rows = st.open();
        std::vector<int> ids;
        while (rows.fetch())
            ids.push_back(int(rows.getInt64(0)));
        return ids;
    }

    // A mouse click at a point of the main window (the buttons without access keys).
    void clickInWindow(const std::string& title, int x, int y)
    {
        const std::string id = m_display.xdotool({"search", "--onlyvisible", "--name", title});
        ASSERT_FALSE(id.empty());
        m_display.xdotool({"mousemove", "--window", id.substr(0, id.find('\n')),
                           std::to_string(x), std::to_string(y), "click", "1"});
    }

    // 次へ onto the next page: done when the page's first label shows the new page.
    void nextPage()
    {
        const QImage before = m_display.grab(kWizardTitle, kPageLabel);
        ASSERT_FALSE(before.isNull()) << "no wizard window";
        m_display.key("alt+n");
        ASSERT_TRUE(m_display.waitForChange(kWizardTitle, before, kPageLabel))
            << "次へ did not bring the next page";
    }

    // The error log of the program's documents folder (CP932; the tests look for ASCII in it).
    std::string errorLog() const
    {
        const fs::path log = m_dir / "documents" / "Vellum48_Error.log";
        return fs::exists(log) ? testsupport::readFile(log) : std::string();
    }

    // Signs in as the sample operator and waits for the wizard.
    void signIn()
    {
        ASSERT_TRUE(m_display.waitForWindow("ログイン"));
        m_display.type("20");
        m_display.key("Tab");
        m_display.type("sample");
        m_display.key("Return");
        m_display.key("Return");
        ASSERT_TRUE(m_display.waitForWindowGone("ログイン"));
        ASSERT_TRUE(m_display.waitForWindow(kWizardTitle));
    }

    // From page2: opens the data selection and chooses the data set in row (0 the first) with F12;
    // done when page 2's list shows the set (it showed another or none before).
    void chooseDataSet(int row, const std::string& shot)
    {
        const QImage listBefore = m_display.grab(kWizardTitle, kDataList);
        m_display.key("Return"); // the focus is on "データ選択を開く"
        ASSERT_TRUE(m_display.waitForWindow("データ選択")) << "the data selection did not open";
        if (row > 0) {
            const QImage rowsBefore = m_display.grab("データ選択");
            for (int i = 0; i < row; ++i)
                m_display.key("Down");
            ASSERT_TRUE(m_display.waitForChange("データ選択", rowsBefore)) << "Down did not move the row";
        }
        if (!shot.empty())
            m_display.screenshot(m_shots / (shot + ".png"));
        m_display.key("F12");
        ASSERT_TRUE(m_display.waitForWindowGone("データ選択"));
        ASSERT_TRUE(m_display.waitForWindow(kWizardTitle));
        ASSERT_TRUE(m_display.waitForChange(kWizardTitle, listBefore, kDataList))
            << "page 2 does not show the chosen set";
    }

    // From page2: Next, 参照, the file typed into the save picker, Next to the summary, Finish.
    // Screenshots are taken for the names that are not empty.
    void pickOutputAndFinish(const fs::path& out, const std::string& summaryShot,
                             const std::string& pickerShot = {}, const std::string& page4Shot = {})
    {
        nextPage();
        ASSERT_FALSE(HasFatalFailure());
        const QImage fileBefore = m_display.grab(kWizardTitle, kFileBox);
        clickInWindow(kWizardTitle, 24 + 16 + 536 + 38, 72 + 24 + 14); // 参照
        ASSERT_TRUE(m_display.waitForWindow("中間ﾌｧｲﾙの指定")) << "no save picker";
        if (!pickerShot.empty())
            m_display.screenshot(m_shots / (pickerShot + ".png"));
        fs::create_directories(out.parent_path());
        m_display.key("ctrl+a");
        m_display.type(out.string());
        m_display.key("Return");
        ASSERT_TRUE(m_display.waitForWindowGone("中間ﾌｧｲﾙの指定"));
        ASSERT_TRUE(m_display.waitForWindow(kWizardTitle));
        ASSERT_TRUE(m_display.waitForChange(kWizardTitle, fileBefore, kFileBox))
            << "page 4 does not show the chosen file";
        if (!page4Shot.empty())
            m_display.screenshot(m_shots / (page4Shot + ".png"));
        nextPage();
        ASSERT_FALSE(HasFatalFailure());
        m_display.screenshot(m_shots / (summaryShot + ".png"));
        m_display.key("alt+f");
    }

    // The file export-driver writes for the same inputs.
    std::string driverFile(const std::string& dataSet)
    {
        const fs::path out = m_dir / ("driver-" + dataSet + ".xml");
        QProcess driver;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromUtf8(platform::kCommonAppDataVariable),
                   QString::fromStdString((m_dir / "driver-appdata").string()));
        driver.setProcessEnvironment(env);
        driver.setProcessChannelMode(QProcess::MergedChannels);
        driver.start(QStringLiteral(DRIVER_PATH),
                     {QString::fromStdString((m_root / "quelto/morabyzaimu/data").string()),
                      QString::fromStdString((m_root / "quelto/morabyzaimu/data" / dataSet).string()),
                      QStringLiteral("20"), QStringLiteral("sample"), QStringLiteral("2"),
                      QString::fromStdString(out.string()),
                      QString::fromStdString((m_root / "registry.ini").string())});
        EXPECT_TRUE(driver.waitForFinished(kSafetyMilliseconds));
        EXPECT_EQ(driver.exitCode(), 0) << driver.readAll().toStdString();
        return testsupport::readFile(out);
    }

    testsupport::TempDir m_dir;
    fs::path m_root = m_dir / "sample";
    fs::path m_runtime = m_dir / "run";
    fs::path m_record = m_dir / "boxes.txt";
    fs::path m_shots = fs::path(SCREENSHOT_DIR) / "app";
    testsupport::VirtualDisplay m_display;
    QProcess m_program;
};

} // namespace e2e
