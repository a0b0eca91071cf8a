// The wizard's data road in process, on a sample data root: choosing, opening, the checks of the
// data and output pages, the summary and Finish.
#include "wizard/MainForm.h"

#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/SpecialFolders.h"
#include "records/ProgramRecords.h"
#include "selection/DataSelectionDialog.h"
#include "selection/SelectionForms.h"
#include "support/Environment.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "support/TestCaller.h"
#include "ui/ListGrid.h"
#include "ui/OwnerDrawnButton.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

constexpr const char* kOldVersionQuestion =
    "このプログラムで処理できるデータバージョンに達していません。\rデータバージョン:8.0.0以降のデータを選択して下さい。\r\rデータ選択画面を開き、別のデータを選択しますか？\r";
constexpr const char* kFailedText = "中間ファイルの作成に失敗しました。\r";

class WizardRoadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        QProcess script;
        script.setProcessChannelMode(QProcess::MergedChannels);
        script.start(QStringLiteral(SOURCE_ROOT "/tools/sample-data.sh"),
                     {QString::fromStdString(m_root.string()), QStringLiteral(TEST_BINARY_DIR)});
        ASSERT_TRUE(script.waitForStarted(10000)) << "tools/sample-data.sh cannot run";
        ASSERT_TRUE(script.waitForFinished(300000));
        ASSERT_EQ(script.exitCode(), 0) << script.readAll().toStdString();
        platform::registry::setStorePath(m_root / "registry.ini");
        selection::registerForms();
    }
    void TearDown() override
    {
        m_form.reset();
        platform::registry::resetStorePath();
        records::resetProgramState();
    }

    // Creates the form and signs the sample operator in with keys.
    void startSignedIn(const std::vector<std::string>& args = {})
    {
        m_form = std::make_unique<TForm1>(args);
        ASSERT_TRUE(m_form->InitApplication());
        m_boxes.onDialog([](QDialog& box) {
            QApplication::setActiveWindow(&box);
            auto* code = box.findChild<QWidget*>(QStringLiteral("txtOpCode"));
            auto* password = box.findChild<QWidget*>(QStringLiteral("txtPassword"));
            auto* ok = box.findChild<QWidget*>(QStringLiteral("OKBtn"));
            if (!code || !password || !ok)
                return int(QDialog::Rejected);
            QTest::keyClicks(code, QStringLiteral("20"));
            QTest::keyClick(code, Qt::Key_Return);
            QTest::keyClicks(password, QStringLiteral("sample"));
            QTest::keyClick(password, Qt::Key_Return);
            QTest::keyClick(ok, Qt::Key_Return);
            for (int i = 0; i < 100 && box.isVisible(); ++i)
                QTest::qWait(50);
            return box.result();
        });
        m_form->show();
        for (int i = 0; i < 200 && !m_form->signedIn(); ++i)
            QTest::qWait(50);
        ASSERT_TRUE(m_form->signedIn());
        m_boxes.clear();
        m_form->Button2()->Click();
        ASSERT_EQ(m_form->currentPageName(), QStringLiteral("page2"));
    }

    // The next selection dialog: row chosen with F12 (row -1: Esc). Rows seen go to rows.
    void selectRow(int row)
    {
        m_boxes.onDialog([row](QDialog& d) {
            auto* box = dynamic_cast<TDataSentakuBox*>(&d);
            if (!box) {
                ADD_FAILURE() << "not the data selection: " << d.windowTitle().toStdString();
                return int(platform::mrCancel);
            }
            auto result = std::make_shared<int>(-1);
            QObject::connect(&d, &QDialog::finished, [result](int r) { *result = r; });
            QApplication::setActiveWindow(&d);
            QCoreApplication::processEvents();
            if (row >= 0) {
                box->PerfectGrid1()->setCurrentRow(row);
                box->SetFunctionKeys();
                box->FunctionKey(fkF12)->Click();
                QCoreApplication::processEvents();
            }
            if (*result < 0) {
                box->FunctionKey(fkEsc)->Click();
                QCoreApplication::processEvents();
            }
            return *result;
        });
    }

    std::string infoFile(const char* set) const
    {
        return testsupport::readFile(m_root / "quelto/morabyzaimu/data" / set / "dwacc.ini");
    }

    // The message boxes' texts, without the dialogs.
    std::vector<std::string> messages() const
    {
        std::vector<std::string> texts;
        for (const auto& b : m_boxes.boxes())
            if (b.kind != "dialog")
                texts.push_back(b.text);
        return texts;
    }

    std::string summary() const { return m_form->Memo5b()->toPlainText().toStdString(); }

    testsupport::TempDir m_dir;
    fs::path m_root = m_dir / "sample";
    testsupport::ScopedEnvironment m_runtime{platform::kRuntimeFolderVariable, m_dir.str().c_str()};
    testsupport::ScopedEnvironment m_appData{platform::kCommonAppDataVariable,
                                             (m_dir / "sample").string().c_str()};
    testsupport::ScopedEnvironment m_documents{platform::kDocumentsVariable,
                                               (m_dir / "documents").string().c_str()};
    testsupport::MessageRecorder m_boxes;
    std::unique_ptr<TForm1> m_form;
};

} // namespace

TEST_F(WizardRoadTest, OutputPageChecksAndABareNameLandsInTheDocumentsFolder)
{
    startSignedIn();
    selectRow(0);
    m_form->btnDataSentaku()->Click();
    ASSERT_EQ(m_form->listDataInfo()->rowCount(), 4);
    EXPECT_EQ(m_form->listDataInfo()->item(1, 1)->text(), QStringLiteral("サンプル商店"));
    m_form->Button2()->Click();
    ASSERT_EQ(m_form->currentPageName(), QStringLiteral("page4"));

    struct Case {
        const char* text;
        const char* shown;
    };
    const Case refused[] = {
        {"", "中間ﾌｧｲﾙが指定されていません。\r指定してから[次へ]をｸﾘｯｸしてください。\r"},
        {"/tmp/", "中間ﾌｧｲﾙが指定されていません。\r指定してから[次へ]をｸﾘｯｸしてください。\r"},
        {"/linkage.xml", "ｼｽﾃﾑﾄﾞﾗｲﾌﾞ(/)直下にﾌｧｲﾙは指定できません。\r別のﾄﾞﾗｲﾌﾞまたはﾌｫﾙﾀﾞを指定してから[次へ]をｸﾘｯｸしてください。\r"},
        {"/tmp/😀.xml", "「😀」はShift-JIS(CP932)で表せない文字です。"},
    };
    for (const auto& c : refused) {
        m_boxes.clear();
        m_boxes.answer(platform::IDOK);
        m_form->Edit4a()->setText(QString::fromUtf8(c.text));
        m_form->Button2()->Click();
        EXPECT_EQ(m_form->currentPageName(), QStringLiteral("page4")) << c.text;
        ASSERT_EQ(m_boxes.boxes().size(), 1u) << c.text;
        EXPECT_EQ(m_boxes.boxes()[0].kind, "warning");
        EXPECT_EQ(m_boxes.boxes()[0].text, c.shown);
        EXPECT_EQ(m_form->Button2()->CaptionA().Caption(), QStringLiteral("次へ(&N) >"));
    }

    m_boxes.clear();
    m_form->Edit4a()->setText(QStringLiteral("bare.xml"));
    m_form->Button2()->Click();
    ASSERT_EQ(m_form->currentPageName(), QStringLiteral("page5"));
    const fs::path written = m_dir / "documents" / "bare.xml";
    EXPECT_EQ(summary(), "【連動元情報】\n"
                         " 会社名        : サンプル商店\n"
                         " 会計年度      : 2024 期\n"
                         " 会計期間      : 2024年 1月 1日 ～ 2024年12月31日\n"
                         "\n"
                         "【中間ﾌｧｲﾙ】\n"
                         " " + written.string());
    m_form->grab().save(QString::fromUtf8(TEST_BINARY_DIR "/screenshots/main-form-summary.png"));
    m_boxes.answer(platform::IDOK);
    m_form->Button2()->Click();
    ASSERT_EQ(messages(), std::vector<std::string>{"中間ファイルが作成されました。\r"});
    EXPECT_EQ(m_form->completionCode(), kCompletionWritten);
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_TRUE(fs::exists(written));
    EXPECT_NE(infoFile("0001").find("STATUS=1"), std::string::npos) << "closing frees the set";
}

TEST_F(WizardRoadTest, AnOutputPathNamingTheOpenCompanyDatabaseFailsAndLeavesItWhole)
{
    startSignedIn();
    selectRow(0);
    m_form->btnDataSentaku()->Click();
    m_form->Button2()->Click();
    const fs::path database = m_root / "quelto/morabyzaimu/data/0001/dwacc.fdb";
    m_form->Edit4a()->setText(QString::fromStdString(database.string()));
    m_form->Button2()->Click();
    ASSERT_EQ(m_form->currentPageName(), QStringLiteral("page5"));
    m_boxes.answer(platform::IDOK);
    m_boxes.answer(platform::IDOK);
    m_form->Button2()->Click();
    const auto texts = messages();
    ASSERT_EQ(texts.size(), 2u) << ::testing::PrintToString(texts);
    EXPECT_EQ(texts[0].rfind("中間ファイルの保存先にデータベースファイルは指定できません。\r", 0), 0u)
        << texts[0];
    EXPECT_EQ(texts[1], kFailedText);
    EXPECT_EQ(m_form->completionCode(), kCompletionFailed);
    m_form.reset();
    // The engine itself rewrites pages on closing: what counts is that no XML went in.
    EXPECT_NE(testsupport::readFile(database).rfind("<?xml", 0), 0u) << "the database was overwritten";
    firebird::Attachment db;
    EXPECT_NO_THROW(db.connect(testsupport::morabyParams(database.string())));
}

TEST_F(WizardRoadTest, OldVersionCancelLeavesNothingOpen)
{
    startSignedIn();
    selectRow(3);
    m_boxes.answer(platform::IDCANCEL);
    m_form->btnDataSentaku()->Click();
    EXPECT_EQ(messages(), std::vector<std::string>{kOldVersionQuestion});
    EXPECT_EQ(m_form->listDataInfo()->rowCount(), 0);
    EXPECT_TRUE(SystemDef.DataDir.empty());
    EXPECT_EQ(infoFile("0004").find("STATUS=2"), std::string::npos) << infoFile("0004");
}

TEST_F(WizardRoadTest, AFailedSettingsReadLeavesTheSetFree)
{
    {
        // A company without its settings row cannot be read.
        firebird::Attachment db;
        db.connect(testsupport::morabyParams((m_root / "quelto/morabyzaimu/data/0001/dwacc.fdb").string()));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr);
        st.setSql("DELETE FROM ACCDEF1");
        st.execute();
        tr.commit();
    }
    startSignedIn();
    selectRow(0);
    selectRow(-1); // OK to the question opens the selection again: Esc there
    m_boxes.answerDefaults();
    m_form->btnDataSentaku()->Click();
    const auto texts = messages();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "データの接続に失敗しました。\rデータ選択画面を開き、別のデータを選択しますか？\r");
    EXPECT_TRUE(SystemDef.DataDir.empty());
    EXPECT_EQ(m_form->listDataInfo()->rowCount(), 0);
    EXPECT_EQ(infoFile("0001").find("STATUS=2"), std::string::npos) << infoFile("0001");
}

TEST_F(WizardRoadTest, TheDataButtonAgainClosesTheSetAndEscReopensIt)
{
    startSignedIn();
    selectRow(1);
    m_form->btnDataSentaku()->Click();
    ASSERT_EQ(m_form->listDataInfo()->rowCount(), 4);
    EXPECT_NE(infoFile("0002").find("STATUS=2"), std::string::npos) << "open: in use";
    std::string whileChoosing;
    m_boxes.onDialog([&](QDialog& d) {
        whileChoosing = infoFile("0002");
        auto* box = dynamic_cast<TDataSentakuBox*>(&d);
        auto result = std::make_shared<int>(-1);
        QObject::connect(&d, &QDialog::finished, [result](int r) { *result = r; });
        if (box)
            box->FunctionKey(fkEsc)->Click();
        QCoreApplication::processEvents();
        return *result;
    });
    m_form->btnDataSentaku()->Click();
    EXPECT_EQ(whileChoosing.find("STATUS=2"), std::string::npos) << "closed before choosing";
    EXPECT_EQ(m_form->listDataInfo()->rowCount(), 4);
    EXPECT_EQ(m_form->listDataInfo()->item(1, 1)->text(), QStringLiteral("サンプル不動産"));
    EXPECT_NE(infoFile("0002").find("STATUS=2"), std::string::npos) << "open again";
    m_form->Button2()->Click();
    EXPECT_EQ(m_form->currentPageName(), QStringLiteral("page4"));
}

TEST_F(WizardRoadTest, SharedDataSteps)
{
    startSignedIn();
    selectRow(0);
    m_form->btnDataSentaku()->Click();
    ASSERT_EQ(m_form->listDataInfo()->rowCount(), 4);
    m_boxes.clear();
    // A local data set that was never shared: nothing to fetch or send, no box.
    EXPECT_EQ(m_form->KyoyuDataReceive(false), 1);
    EXPECT_EQ(m_form->KyoyuDataReceive(true), 1);
    EXPECT_EQ(m_form->KyoyuDataSend(true), 1);
    // Found damaged during this run: nothing goes back, quietly.
    SystemDef.DataBroken = 1;
    EXPECT_EQ(m_form->KyoyuDataSend(true), 0);
    SystemDef.DataBroken = 0;
    EXPECT_TRUE(messages().empty()) << messages().front();
}

TEST_F(WizardRoadTest, AnAssetWithoutAcquisitionDateFailsTheFinish)
{
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams((m_root / "quelto/morabyzaimu/data/0001/dwacc.fdb").string()));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr);
        st.setSql("UPDATE KS_SISAN SET SYUTODATE = NULL, MEISYOU = '机' WHERE REC = 3");
        st.execute();
        tr.commit();
    }
    startSignedIn();
    selectRow(0);
    m_form->btnDataSentaku()->Click();
    m_form->Button2()->Click();
    const fs::path out = m_dir / "undated.xml";
    m_form->Edit4a()->setText(QString::fromStdString(out.string()));
    m_form->Button2()->Click();
    ASSERT_EQ(m_form->currentPageName(), QStringLiteral("page5"));
    m_boxes.answer(platform::IDOK);
    m_boxes.answer(platform::IDOK);
    m_form->Button2()->Click();
    EXPECT_EQ(messages(), (std::vector<std::string>{"取得年月が設定されていません。\r資産名:机\r", kFailedText}));
    for (const auto& b : m_boxes.boxes()) {
        if (b.kind != "dialog") {
            EXPECT_EQ(b.kind, "error") << b.text;
        }
    }
    EXPECT_EQ(m_form->completionCode(), kCompletionFailed);
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(WizardRoadTest, Page2ListsEachKindsDataAndRefusesTheCompanySet)
{
    startSignedIn();
    struct Case {
        int row;
        std::vector<std::pair<std::string, std::string>> lines; // empty value: not checked
    };
    const Case cases[] = {
        {0, {{"データ区分", "個人／一般"}, {"データ名", "サンプル商店"}, {"会計年度", "2024期"},
             {"会計期間", "2024/01/01 ～ 2024/12/31"}}},
        {1, {{"データ区分", "個人／不動産"}, {"データ名", "サンプル不動産"}, {"会計年度", "2024期"},
             {"会計期間", "2024/01/01 ～ 2024/12/31"}}},
        {2, {{"データ区分", "個人／農業"}, {"データ名", "サンプル農園"}, {"会計年度", "2024期"},
             {"会計期間", "2024/01/01 ～ 2024/12/31"}}},
        {4, {{"データ区分", ""}, {"会社名", "サンプル株式会社"}, {"会計年度", "2024期"},
             {"会計期間", "2024/01/01 ～ 2024/12/31"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        selectRow(c.row);
        m_form->btnDataSentaku()->Click();
        auto* list = m_form->listDataInfo();
        ASSERT_EQ(list->rowCount(), int(c.lines.size()));
        for (int i = 0; i < list->rowCount(); ++i) {
            EXPECT_EQ(list->item(i, 0)->text().toStdString(), c.lines[std::size_t(i)].first);
            if (!c.lines[std::size_t(i)].second.empty()) {
                EXPECT_EQ(list->item(i, 1)->text().toStdString(), c.lines[std::size_t(i)].second);
            }
        }
    }
    // The company set stays chosen, but Next refuses it and page2 stays.
    m_boxes.clear();
    m_boxes.answer(platform::IDOK);
    m_form->Button2()->Click();
    EXPECT_EQ(messages(), std::vector<std::string>{"指定された会計データは個人データではありません。\r"
                                                   "もう一度、選びなおしてください。\r"});
    EXPECT_EQ(m_form->currentPageName(), QStringLiteral("page2"));
    EXPECT_EQ(m_form->listDataInfo()->rowCount(), 4);
}

TEST_F(WizardRoadTest, CalledByAProgramLeavingPage2FillsTheSummary)
{
    const fs::path out = m_dir / "called.xml";
    testsupport::TestCaller caller(77);
    startSignedIn({"77,1025,2," + out.string()});
    EXPECT_EQ(m_form->pageNames(), (QStringList{"page1", "page2", "page5"}));
    selectRow(0);
    m_form->btnDataSentaku()->Click();
    m_form->Button2()->Click();
    ASSERT_EQ(m_form->currentPageName(), QStringLiteral("page5"));
    EXPECT_EQ(summary(), "【連動元情報】\n"
                         " 会社名        : サンプル商店\n"
                         " 会計年度      : 2024 期\n"
                         " 会計期間      : 2024年 1月 1日 ～ 2024年12月31日")
        << "the caller names the file: no file lines";
    EXPECT_TRUE(messages().empty());
}

TEST_F(WizardRoadTest, SharedDataEdgeCasesOnARemoteDrive)
{
    startSignedIn();
    selectRow(0);
    m_form->btnDataSentaku()->Click();
    ASSERT_EQ(m_form->listDataInfo()->rowCount(), 4);
    fs::create_directories(m_dir / "share" / "KYOYU" / "0001");
    platform::paths::mapDrive('S', m_dir / "share", true);
    firebird::Attachment db;
    db.connect(testsupport::morabyParams((m_root / "quelto/morabyzaimu/data/dwaccdef.fdb").string()));
    const auto exec = [&db](const std::string& sql) {
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr);
        st.setSql(sql);
        st.execute();
        tr.commit();
    };

    // Kept on the shared server and not fetched, the automatic option off.
    exec("UPDATE DATALIST SET NETDRIVE=1, KYOYULOCK=0, PASNAME='S:\\KYOYU\\0001' WHERE REC=1");
    m_boxes.clear();
    m_boxes.answer(platform::IDOK);
    EXPECT_EQ(m_form->KyoyuDataReceive(false), 0);
    EXPECT_EQ(messages(), std::vector<std::string>{"このデータは共有取得が行われていません。データ選択画面を開きます。"});

    // Fetched: usable as it is.
    exec("UPDATE DATALIST SET KYOYULOCK=1, GASSAN=1 WHERE REC=1");
    m_boxes.clear();
    EXPECT_EQ(m_form->KyoyuDataReceive(false), 1);
    EXPECT_TRUE(messages().empty());

    // A distributed child that fails the damage check: nothing goes back, and the box says why.
    exec("INSERT INTO CHILD_DATALIST (REC, ROWNO, GROUPID, ENTTEXT, PASNAME, NETDRIVE, KYOYULOCK, GASSAN) "
         "VALUES (1, 1, 10000, '支店', 'S:\\KYOYU\\0001\\0001', 1, 1, 10)");
    const auto hook = DataHasonProc;
    std::vector<std::string> checked;
    DataHasonProc = [&checked](const std::string&, const std::string& folder, int) {
        checked.push_back(folder);
        return folder.size() > 10 && folder.substr(folder.size() - 10) == "\\0001\\0001" ? 0 : 1;
    };
    const int hasonCheck = SystemDef.DataHasonCheck;
    SystemDef.DataHasonCheck = 1;
    m_boxes.clear();
    m_boxes.answer(platform::IDOK);
    EXPECT_EQ(m_form->KyoyuDataSend(true), 0);
    DataHasonProc = hook;
    SystemDef.DataHasonCheck = hasonCheck;
    EXPECT_EQ(checked.size(), 2u) << ::testing::PrintToString(checked);
    ASSERT_EQ(m_boxes.boxes().size(), 1u);
    EXPECT_EQ(m_boxes.boxes()[0].kind, "information");
    const std::string& text = m_boxes.boxes()[0].text;
    EXPECT_EQ(text.rfind("合算・分散データに破損したデータが存在するため、共有データの自動保管を中止します。", 0), 0u) << text;
    EXPECT_NE(text.find("データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。"), std::string::npos);
    platform::paths::unmapDrive('S');
}

namespace {

// 更新 on a fresh sample root: each 8.0 set reads its own code and the generation name of the
// installed product; the 7.9.0 and corporation sets are written as they are, and the next
// launch's filter hides them.
TEST_F(WizardRoadTest, RefreshOnTheSampleRootShowsEachSetsCodeAndGeneration)
{
    startSignedIn();
    struct Row {
        std::string code, name, version;
    };
    auto shown = [](TDataSentakuBox& box) {
        std::vector<Row> out;
        const auto& m = box.PerfectGrid1()->model();
        for (int r = 0; r < m.rowCount(); ++r)
            out.push_back({m.cellText(r, 1).toStdString(), m.cellText(r, 2).toStdString(),
                           m.cellText(r, 6).toStdString()});
        return out;
    };
    std::vector<Row> before, after;
    m_boxes.onDialog([&](QDialog& d) {
        auto& box = dynamic_cast<TDataSentakuBox&>(d);
        QCoreApplication::processEvents();
        before = shown(box);
        m_boxes.expectBox("データリストの更新をおこないます。", platform::IDYES);
        box.btnListUpdate()->Click();
        after = shown(box);
        box.FunctionKey(fkEsc)->Click();
        QCoreApplication::processEvents();
        return d.result();
    });
    m_form->btnDataSentaku()->Click();
    auto texts = [](const std::vector<Row>& rows) {
        std::vector<std::string> out;
        for (const auto& r : rows)
            out.push_back(r.code + "|" + r.name + "|" + r.version);
        return out;
    };
    EXPECT_EQ(texts(before), (std::vector<std::string>{"0001|サンプル商店|16版", "0002|サンプル不動産|16版",
                                                       "0003|サンプル農園|16版", "0004|サンプル旧版商店|16版",
                                                       "0005|サンプル株式会社|16版"}));
    EXPECT_EQ(texts(after), (std::vector<std::string>{"0001|サンプル商店|16版", "0002|サンプル不動産|16版",
                                                      "0003|サンプル農園|16版", "0004|サンプル旧版商店|7.9",
                                                      "0005|サンプル株式会社|16版"}));
    // Opened again, the launch filter (version 8, individual data) leaves the three.
    std::vector<Row> reopened;
    m_boxes.onDialog([&](QDialog& d) {
        auto& box = dynamic_cast<TDataSentakuBox&>(d);
        QCoreApplication::processEvents();
        reopened = shown(box);
        box.FunctionKey(fkEsc)->Click();
        QCoreApplication::processEvents();
        return d.result();
    });
    m_form->btnDataSentaku()->Click();
    EXPECT_EQ(texts(reopened), (std::vector<std::string>{"0001|サンプル商店|16版", "0002|サンプル不動産|16版",
                                                         "0003|サンプル農園|16版"}));
}

} // namespace
