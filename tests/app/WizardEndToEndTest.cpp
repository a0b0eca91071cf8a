#include "WizardEndToEndFixture.h"

#include <gtest/gtest.h>

using namespace e2e;

TEST_F(WizardEndToEnd, SignInShowsTheWizardWhoseDataPageRefusesUntilDataIsChosen)
{
    start({});
    expectWindow("ログイン", "01-sign-in");
    m_display.type("20");
    m_display.key("Tab");
    m_display.type("sample");
    m_display.key("Return"); // on to OK
    m_display.key("Return");

    // The main window carries its title from the start; the wizard is usable once the
    // sign-in is gone.
    ASSERT_TRUE(m_display.waitForWindowGone("ログイン"));
    expectWindow(kWizardTitle, "02-wizard-page1");
    // The first start wrote the default settings file without asking.
    const std::string settings =
        testsupport::readFile(m_root / "quelto/morabyzaimu/dwzaimu.ini");
    EXPECT_NE(settings.find("[LOCAL]\r\n"), std::string::npos);

    nextPage();
    m_display.screenshot(m_shots / "03-wizard-page2.png");
    m_display.key("Return"); // the focus is on "データ選択を開く"
    // The data-selection dialog lists the catalogue; Esc leaves it with nothing chosen.
    expectWindow("データ選択", "03b-data-selection");
    m_display.key("Escape");
    ASSERT_TRUE(m_display.waitForWindowGone("データ選択"));
    // Without a window manager nobody hands the focus back to the wizard.
    ASSERT_TRUE(m_display.waitForWindow(kWizardTitle));
    m_display.key("alt+n");
    const std::vector<std::string> expected = {
        "warning\t連動ﾃﾞｰﾀの作成\t会計データの選択が行われていません。"
        "\\r「データ選択を開く」ボタンを押して選択して下さい。",
    };
    EXPECT_EQ(boxesWhen(1), expected);

    // ｷｬﾝｾﾙ, and Yes (the default button) to the question.
    clickInWindow(kWizardTitle, 581 + 44, 402 + 14);
    EXPECT_EQ(finish(), kCompletionCancelled);
    auto all = expected;
    all.push_back("information\t連動ﾃﾞｰﾀの作成\t[キャンセル]ボタンが押されました。"
                  "\\r連動データの作成ウィザードを終了してもよろしいですか？\\r");
    EXPECT_EQ(boxes(), all);
    EXPECT_TRUE(signedIn().empty()) << "the sign-in row stays after the end";
    EXPECT_TRUE(fs::exists(m_root / "quelto/morabyzaimu/ini/Zetrino.ini"));
}

TEST_F(WizardEndToEnd, SecondRunReusesTheRootAndAWrongPasswordKeepsTheSignInOpen)
{
    start({});
    ASSERT_TRUE(m_display.waitForWindow("ログイン"));
    m_display.key("Escape");
    EXPECT_EQ(finish(), kCompletionFailed);
    const fs::path settingsFile = m_root / "quelto/morabyzaimu/dwzaimu.ini";
    const std::string settings = testsupport::readFile(settingsFile);
    ASSERT_NE(settings.find("[LOCAL]\r\n"), std::string::npos);

    start({});
    expectWindow("ログイン", "04-sign-in-again");
    m_display.type("20");
    m_display.key("Tab");
    m_display.type("wrong");
    m_display.key("Return");
    m_display.key("Return");
    // The sign-in stays open with the refusal.
    ASSERT_TRUE(m_display.waitForWindow("ログイン"));
    const auto shown = boxesWhen(1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown.front().find("コードまたはパスワードが違います。\\r"
                                 "正しいコードまたはパスワードを入力して下さい。"),
              std::string::npos)
        << shown.front();
    m_display.key("Escape");
    EXPECT_EQ(finish(), kCompletionFailed);
    EXPECT_TRUE(signedIn().empty());
    EXPECT_EQ(testsupport::readFile(settingsFile), settings) << "the settings file was rewritten";
}

namespace {

struct RoadCase {
    const char* dataSet; // slot folder
    int row;             // its row in the data selection
};

class WizardRoad : public WizardEndToEnd, public ::testing::WithParamInterface<RoadCase> {};

} // namespace

TEST_P(WizardRoad, ChoosesTheDataSetByKeysAndWritesTheDriversFile)
{
    const RoadCase c = GetParam();
    start({});
    signIn();
    nextPage();
    chooseDataSet(c.row, std::string("10-select-") + c.dataSet);
    m_display.screenshot(m_shots / (std::string("11-page2-") + c.dataSet + ".png"));

    // page4: 参照 opens the save picker; the name is typed there.
    const fs::path out = m_dir / "out" / (std::string("linkage-") + c.dataSet + ".xml");
    pickOutputAndFinish(out, std::string("14-summary-") + c.dataSet, "12-save-picker", "13-page4");
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(finish(), kCompletionWritten);
    const std::vector<std::string> expected = {
        "information\t連動ﾃﾞｰﾀの作成\t中間ファイルが作成されました。\\r"};
    EXPECT_EQ(boxes(), expected);
    EXPECT_TRUE(signedIn().empty()) << "the sign-in row stays after the end";
    ASSERT_TRUE(fs::exists(out));
    EXPECT_EQ(testsupport::readFile(out), driverFile(c.dataSet));
    EXPECT_TRUE(signedIn().empty()) << "the driver left its sign-in row";
}

INSTANTIATE_TEST_SUITE_P(
    SampleSets, WizardRoad,
    ::testing::Values(RoadCase{"0001", 0}, RoadCase{"0002", 1}, RoadCase{"0003", 2}),
    [](const ::testing::TestParamInfo<RoadCase>& p) { return std::string("Set") + p.param.dataSet; });

TEST_F(WizardEndToEnd, RefusesACompanySetOnNextAndKeepsPage2)
{
    start({});
    signIn();
    nextPage();
    chooseDataSet(4, "");
    m_display.screenshot(m_shots / "20-page2-company.png");
    m_display.key("alt+n");
    const std::vector<std::string> expected = {
        "warning\t連動ﾃﾞｰﾀの作成\t指定された会計データは個人データではありません。"
        "\\rもう一度、選びなおしてください。\\r"};
    EXPECT_EQ(boxesWhen(1), expected);
    // Still page2: Back is the only way on, Next refuses again.
    m_display.key("alt+n");
    EXPECT_EQ(boxesWhen(2).size(), 2u);
    clickInWindow(kWizardTitle, 581 + 44, 402 + 14);
    EXPECT_EQ(finish(), kCompletionCancelled);
}

TEST_F(WizardEndToEnd, OldDataVersionAsksAgainAndEscLeavesTheListEmpty)
{
    const fs::path set = m_root / "quelto/morabyzaimu/data/0004";
    const auto catalogueRow = [this] {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(
            (m_root / "quelto/morabyzaimu/data/dwaccdef.fdb").string()));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr);
        st.setSql("SELECT SHOUGOU, VER_TEXT, DATATYPE, CODETYPE FROM DATALIST "
                  "WHERE GROUPID = 10000 AND REC = 4");
        auto rows = st.open();
        std::string row;
        if (rows.fetch())
            row = rows.getString(0) + "|" + rows.getString(1) + "|" +
                  std::to_string(rows.getInt64(2)) + "|" + std::to_string(rows.getInt64(3));
        return row;
    };
    const std::string before = catalogueRow();
    ASSERT_FALSE(before.empty());

    start({});
    signIn();
    nextPage();
    m_display.key("Return");
    ASSERT_TRUE(m_display.waitForWindow("データ選択"));
    const std::string firstSelection = m_display.windowId("データ選択");
    for (int i = 0; i < 3; ++i)
        m_display.key("Down");
    m_display.key("F12");
    // The question takes OK, its default: the selection opens again.
    const std::vector<std::string> expected = {
        "question\t連動ﾃﾞｰﾀの作成\tこのプログラムで処理できるデータバージョンに達していません。"
        "\\rデータバージョン:8.0.0以降のデータを選択して下さい。\\r\\r"
        "データ選択画面を開き、別のデータを選択しますか？\\r"};
    EXPECT_EQ(boxesWhen(1), expected);
    ASSERT_TRUE(m_display.waitForWindow("データ選択", firstSelection)) << "the selection did not open again";
    m_display.screenshot(m_shots / "21-select-again.png");
    m_display.key("Escape");
    ASSERT_TRUE(m_display.waitForWindowGone("データ選択"));
    ASSERT_TRUE(m_display.waitForWindow(kWizardTitle));
    m_display.screenshot(m_shots / "22-page2-empty.png");
    m_display.key("alt+n");
    const auto shown = boxesWhen(2);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], "warning\t連動ﾃﾞｰﾀの作成\t会計データの選択が行われていません。"
                        "\\r「データ選択を開く」ボタンを押して選択して下さい。");
    clickInWindow(kWizardTitle, 581 + 44, 402 + 14);
    EXPECT_EQ(finish(), kCompletionCancelled);

    // Free again (state 1) and the catalogue untouched.
    const std::string info = testsupport::readFile(set / "dwacc.ini");
    EXPECT_EQ(info.find("STATUS=2"), std::string::npos) << info;
    EXPECT_EQ(catalogueRow(), before);
}

TEST_F(WizardEndToEnd, CallerStartSkipsPage4AndPostsTheResult)
{
    const std::string runtimeFolder = m_runtime.string();
    testsupport::ScopedEnvironment runtime{platform::kRuntimeFolderVariable, runtimeFolder.c_str()};
    const fs::path out = m_dir / "called.xml";
    {
        testsupport::TestCaller caller(77);
        start({QString::fromStdString("77,1025,2," + out.string())});
        signIn();
        nextPage();
        chooseDataSet(0, "");
        nextPage();
        m_display.screenshot(m_shots / "30-caller-summary.png");
        m_display.key("alt+f");
        EXPECT_EQ(finish(), kCompletionWritten);
        EXPECT_TRUE(boxes().empty()) << boxes().front();
        ASSERT_TRUE(caller.waitForCalls(4));
        EXPECT_EQ(caller.received(), (std::vector<std::string>{"DISABLE", "FOREGROUND", "ENABLE",
                                                               "POST 1025 2 0"}));
    }
    ASSERT_TRUE(fs::exists(out));
    EXPECT_EQ(testsupport::readFile(out), driverFile("0001"));

    // Cancel instead of Finish.
    fs::remove(m_record);
    testsupport::TestCaller caller(77);
    start({QString::fromStdString("77,1025,2," + (m_dir / "cancelled.xml").string())});
    signIn();
    nextPage();
    chooseDataSet(0, "");
    nextPage();
    clickInWindow(kWizardTitle, 581 + 44, 402 + 14);
    EXPECT_EQ(finish(), kCompletionCancelled);
    ASSERT_TRUE(caller.waitForCalls(4));
    EXPECT_EQ(caller.received().back(), "POST 1025 2 1");
    EXPECT_FALSE(fs::exists(m_dir / "cancelled.xml"));
}

// The driver runs the wizard's own checks of the chosen set: the old version and the company
// set are refused with the wizard's texts, and no file is written.
TEST_F(WizardEndToEnd, DriverRefusesTheSetsTheWizardRefuses)
{
    const struct {
        const char* dataSet;
        const char* text;
    } cases[] = {
        {"0004", "このプログラムで処理できるデータバージョンに達していません。\r"
                 "データバージョン:8.0.0以降のデータを選択して下さい。\r"},
        {"0005", "指定された会計データは個人データではありません。\rもう一度、選びなおしてください。\r"},
    };
    for (const auto& c : cases) {
        const fs::path out = m_dir / (std::string("refused-") + c.dataSet + ".xml");
        QProcess driver;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromUtf8(platform::kCommonAppDataVariable),
                   QString::fromStdString((m_dir / "driver-appdata").string()));
        driver.setProcessEnvironment(env);
        driver.start(QStringLiteral(DRIVER_PATH),
                     {QString::fromStdString((m_root / "quelto/morabyzaimu/data").string()),
                      QString::fromStdString((m_root / "quelto/morabyzaimu/data" / c.dataSet).string()),
                      QStringLiteral("20"), QStringLiteral("sample"), QStringLiteral("2"),
                      QString::fromStdString(out.string()),
                      QString::fromStdString((m_root / "registry.ini").string())});
        ASSERT_TRUE(driver.waitForFinished(kSafetyMilliseconds));
        EXPECT_EQ(driver.exitCode(), 2) << c.dataSet;
        EXPECT_EQ(driver.readAllStandardError().toStdString(), std::string(c.text) + "\n")
            << c.dataSet;
        EXPECT_FALSE(fs::exists(out)) << c.dataSet;
    }
}

TEST_F(WizardEndToEnd, AStopSignalSignsOffAndTellsTheCallerWithoutABox)
{
    const std::string runtimeFolder = m_runtime.string();
    testsupport::ScopedEnvironment runtime{platform::kRuntimeFolderVariable, runtimeFolder.c_str()};
    testsupport::TestCaller caller(77);
    start({QString::fromStdString("77,1025,2," + (m_dir / "stopped.xml").string())});
    signIn();
    m_display.screenshot(m_shots / "40-before-sigterm.png");
    m_program.terminate(); // SIGTERM, as a desktop or a caller stops it
    ASSERT_TRUE(m_program.waitForFinished(5000)) << "still running 5 s after SIGTERM";
    ASSERT_EQ(m_program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_program.exitCode(), kCompletionFailed);
    EXPECT_TRUE(boxes().empty()) << boxes().front();
    ASSERT_TRUE(caller.waitForCalls(4));
    EXPECT_EQ(caller.received(), (std::vector<std::string>{"DISABLE", "FOREGROUND", "ENABLE", "POST 1025 2 2"}));
    EXPECT_TRUE(signedIn().empty()) << "the sign-in row was left behind";
    EXPECT_FALSE(fs::exists(m_dir / "stopped.xml"));
}

// A file that cannot be written is reported with the reason in Japanese; the error log keeps the
// system's own words for support.
TEST_F(WizardEndToEnd, AFileThatCannotBeWrittenIsExplainedInJapaneseAndLoggedInEnglish)
{
    start({});
    signIn();
    nextPage();
    chooseDataSet(0, "");
    nextPage();
    ASSERT_FALSE(HasFatalFailure());
    const fs::path out = m_dir / "missing" / "linkage.xml";
    clickInWindow(kWizardTitle, 24 + 16 + 250, 72 + 26 + 12); // into the file box
    m_display.key("ctrl+a");
    m_display.type(out.string());
    nextPage();
    m_display.key("alt+f");
    EXPECT_EQ(finish(), kCompletionFailed);
    EXPECT_FALSE(fs::exists(out));

    const auto shown = boxes();
    const auto carries = [&](const std::string& text) {
        return std::count_if(shown.begin(), shown.end(),
                             [&](const std::string& box) { return box.find(text) != std::string::npos; });
    };
    EXPECT_EQ(carries("error\t連動ﾃﾞｰﾀの作成\t中間ファイルの保存に失敗しました。"), 1) << testing::PrintToString(shown);
    EXPECT_EQ(carries("(ファイルまたはフォルダが見つかりません)"), 1) << testing::PrintToString(shown);
    EXPECT_EQ(carries("No such file"), 0) << testing::PrintToString(shown);
    const std::string log = errorLog();
    EXPECT_NE(log.find("linkage.xml"), std::string::npos) << log;
    EXPECT_NE(log.find("[No such file or directory, errno 2]"), std::string::npos) << log;
    EXPECT_TRUE(signedIn().empty());
}

// A drive list with bytes that are no CP932 text (0x85 0x40) costs that entry alone: the
// operator signs in, the wizard shows, one warning names the file and the entry.
TEST_F(WizardEndToEnd, ADriveListWithABadByteIsNamedInOneWarningAndTheWizardShows)
{
    const fs::path share = m_dir / "share";
    fs::create_directories(share);
    testsupport::writeFile(m_root / "quelto/morabyzaimu/drives.ini",
                           "[Y]\r\nFolder=" + share.string() + "/\x85\x40\r\nRemote=1\r\n");
    start({});
    signIn();
    ASSERT_FALSE(HasFatalFailure());
    m_display.screenshot(m_shots / "50-bad-drive-list-wizard.png");
    nextPage();
    ASSERT_FALSE(HasFatalFailure());
    m_display.key("Return"); // the data selection reads the drives as well
    expectWindow("データ選択", "51-bad-drive-list-selection");
    m_display.key("Escape");
    ASSERT_TRUE(m_display.waitForWindowGone("データ選択"));
    ASSERT_TRUE(m_display.waitForWindow(kWizardTitle));

    const auto shown = boxes();
    ASSERT_EQ(shown.size(), 1u) << testing::PrintToString(shown);
    EXPECT_EQ(shown[0].rfind("warning\t", 0), 0u) << shown[0];
    EXPECT_NE(shown[0].find("ドライブの設定に使用できない項目があるため、読み飛ばしました。"), std::string::npos)
        << shown[0];
    EXPECT_NE(shown[0].find("drives.ini」の[Y] Folder"), std::string::npos) << shown[0];
    clickInWindow(kWizardTitle, 581 + 44, 402 + 14);
    EXPECT_EQ(finish(), kCompletionCancelled);
    EXPECT_TRUE(signedIn().empty());
}
