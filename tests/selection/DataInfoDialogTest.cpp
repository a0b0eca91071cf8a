// The data information dialog over a real data folder: what it shows for each state, the
// list-name results, and the rebuild of the database with and without a failure.
#include "selection/DataInfoDialog.h"

#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/AppInfoRecord.h"
#include "records/DataModule.h"
#include "records/ProgramRecords.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "ui/NumericKanaEdit.h"
#include "ui/OwnerDrawnButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
namespace paths = platform::paths;

class DataInfoDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        paths::mapDrive('C', m_root.path());
        testsupport::FixtureDb::copyTo("system", m_root / "ZAIMU" / "DATA" / "dwaccdef.fdb");
        testsupport::FixtureDb::copyTo("company", m_root / "ZAIMU" / "DATA" / "0001" / "dwacc.fdb");
        fs::create_directories(m_root / "ZAIMU" / "temp");
        SystemDef.SysDir = "C:\\ZAIMU\\DATA";
        SystemDef.DataRoot = "C:\\ZAIMU";
        SystemDef.TempFolder = "C:\\ZAIMU\\temp";
        SystemDef.WinTempFolder = "C:\\ZAIMU\\temp";
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.GroupId = 10000;
        SystemDef.LoginId = 100000011;
        AppInfo.Zaimu.AppTitle = "モラビー財務";
        m_dm = std::make_unique<TDM>();
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
        m_row.REC = 1;
        m_row.SHOUGOU = "A社";
        for (int rec = 1; rec <= 3; ++rec)
            journal("INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, SCODE) VALUES (" + std::to_string(rec) +
                    ", 0, 1, '01')");
    }

    void TearDown() override
    {
        platform::files::clearFaults();
        m_dm.reset();
        records::resetProgramState();
        paths::resetDriveMap();
    }

    fs::path folder() const { return m_root / "ZAIMU" / "DATA" / "0001"; }

    void journal(const std::string& sql)
    {
        firebird::Attachment a;
        a.connect(testsupport::morabyParams((folder() / "dwacc.fdb").string()));
        a.executeImmediate(sql);
        a.disconnect();
    }

    std::string journalCount()
    {
        firebird::Attachment a;
        a.connect(testsupport::morabyParams((folder() / "dwacc.fdb").string()));
        firebird::Transaction tr(a);
        tr.start();
        firebird::Statement st(tr, "SELECT COUNT(*) FROM SIWAKE");
        auto c = st.open();
        c.fetch();
        return c.getString(0);
    }

    void writeIni(int status, int dataKbn, int codeKbn, int opCode = 0)
    {
        const std::string text =
            "[DATASTS]\r\nSTATUS=" + std::to_string(status) + "\r\nOPCODE=" + std::to_string(opCode) +
            "\r\nSHARE_STATUS=1\r\n[DATAINFO]\r\nCODE=C001\r\nDATAKBN=" + std::to_string(dataKbn) +
            "\r\nCODEKBN=" + std::to_string(codeKbn) +
            "\r\nSHOUGOU=A社\r\nKANA=ｴｰｼｬ\r\nNENDO=5\r\nKISHU=2024/04/01\r\nKIMATU=2025/03/31\r\n"
            "TANTO=7\r\nSITEN=1\r\nSITENCNT=3\r\nBUMON=2\r\nBUMONCNT=4\r\nSIWAKE=12\r\n";
        testsupport::writeFile(folder() / "dwacc.ini", platform::text::toCp932(text));
    }

    std::unique_ptr<TDataSyosaiInfoBox> open(const std::string& listName = "")
    {
        auto box = std::make_unique<TDataSyosaiInfoBox>();
        box->ServerList = 0;
        box->ListRow = &m_row;
        box->DataFolder = "C:\\ZAIMU\\DATA\\0001";
        box->ListName = listName;
        box->Prepare(1);
        return box;
    }

    std::string label(TDataSyosaiInfoBox& box, int index) { return box.value(index)->text().toStdString(); }

    std::vector<std::string> workFiles()
    {
        std::vector<std::string> out;
        for (const auto& dir : {folder(), m_root / "ZAIMU" / "temp"})
            for (const auto& e : fs::directory_iterator(dir))
                if (e.path().extension() == ".fd_" || e.path().extension() == ".fb_")
                    out.push_back(e.path().filename().string());
        return out;
    }

    testsupport::TempDir m_root;
    testsupport::MessageRecorder m_messages;
    std::unique_ptr<TDM> m_dm;
    TDataListRec m_row;
};

TEST_F(DataInfoDialogTest, WhatEachStateShows)
{
    struct Case {
        int status, dataKbn, codeKbn;
        const char* kind;
        const char* kana;
        const char* siwake;
        bool viewOnly, okVisible, clearVisible;
    };
    const Case cases[] = {
        {1, 2, 1, "個人(一般)", "ｴｰｼｬ", "12件", false, true, false},
        {1, 2, 4, "個人(農業)", "ｴｰｼｬ", "12件", false, true, false},
        {1, 1, 1, "法人", "ｴｰｼｬ", "12件", false, true, false},
        {1, 3, 1, "医療法人", "ｴｰｼｬ", "12件", false, true, false},
        {1, 3, 2, "設定なし", "ｴｰｼｬ", "12件", false, true, false},
        {3, 2, 1, "個人(一般)", "-", "-件", true, true, true}, // the holder may clear it
        {10, 2, 1, "個人(一般)", "ｴｰｼｬ", "12件", false, false, false},
        {2, 2, 1, "個人(一般)", "ｴｰｼｬ", "12件", false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "status " << c.status << " kind " << c.dataKbn << "," << c.codeKbn);
        writeIni(c.status, c.dataKbn, c.codeKbn, 100000011);
        auto box = open();
        EXPECT_EQ(label(*box, TDataSyosaiInfoBox::vKind), c.kind);
        EXPECT_EQ(label(*box, TDataSyosaiInfoBox::vKana), c.kana);
        EXPECT_EQ(label(*box, TDataSyosaiInfoBox::vSiwake), c.siwake);
        EXPECT_EQ(label(*box, TDataSyosaiInfoBox::vNendo), "5期");
        EXPECT_EQ(box->ViewOnly != 0, c.viewOnly);
        EXPECT_EQ(box->btnOK()->isVisibleTo(box.get()), c.okVisible);
        EXPECT_EQ(box->chkClear()->isVisibleTo(box.get()), c.clearVisible);
        if (c.status == 3) {
            EXPECT_EQ(label(*box, TDataSyosaiInfoBox::vBumon), "-");
            EXPECT_EQ(label(*box, TDataSyosaiInfoBox::vSiten), "-");
        } else {
            EXPECT_EQ(label(*box, TDataSyosaiInfoBox::vBumon), "全科目に4部門設定");
            EXPECT_EQ(label(*box, TDataSyosaiInfoBox::vSiten), "3支店設定");
        }
        EXPECT_EQ(box->memFolder()->toPlainText().toStdString(), "[モラビー財務のデータ]\\DATA\\0001");
    }
}

TEST_F(DataInfoDialogTest, ListNameResults)
{
    writeIni(1, 2, 1);
    auto box = open("一覧名");
    box->show();
    EXPECT_EQ(box->txtListName()->text().toStdString(), "一覧名");
    QDir().mkpath(QStringLiteral(TEST_BINARY_DIR "/tests/selection/artefacts"));
    box->grab().save(QStringLiteral(TEST_BINARY_DIR "/tests/selection/artefacts/DataInfoDialog.png"));

    // Only spaces: asked to take the company name, and the dialog stays open.
    box->txtListName()->setText(QStringLiteral(" 　 "));
    m_messages.expectBox("データリスト名が入力されていません。会社名を設定しますか？");
    QTest::mouseClick(box->btnOK(), Qt::LeftButton);
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_NE(m_messages.boxes()[0].text.find("データリスト名が入力されていません。会社名を設定しますか？"),
              std::string::npos);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->txtListName()->text().toStdString(), "A社");

    box->txtListName()->setText(QStringLiteral(" 新しい名前　"));
    box->chkUpdateLock()->setChecked(true);
    QTest::mouseClick(box->btnOK(), Qt::LeftButton);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->modalResult(), platform::mrOk);
    EXPECT_EQ(box->ListName, " 新しい名前　") << "returned untrimmed";
    EXPECT_EQ(box->UpdateLock, 1);
}

// The design is 932 wide; on a narrower screen (the test screen is 800x600, a desktop of 1280 at
// scale 1.5 is 853) the dialog narrows and lies wholly on it, with every key whole and apart.
TEST_F(DataInfoDialogTest, ANarrowScreenGetsANarrowerDialogWithEveryKeyWhole)
{
    writeIni(1, 2, 1);
    auto box = open();
    const QRect area = box->screen()->availableGeometry();
    ASSERT_LT(area.width(), 932) << "the test screen is wider than the dialog";
    box->move(area.right() - 100, area.top() + 50);
    box->show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(area.contains(box->frameGeometry()))
        << box->frameGeometry().x() << "," << box->frameGeometry().width();
    std::vector<QWidget*> keys;
    for (int n = 1; n <= 7; ++n)
        keys.push_back(box->functionKey(n));
    keys.push_back(box->btnOK());
    keys.push_back(box->btnCancel());
    const QRect inside = box->rect();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        SCOPED_TRACE(keys[i]->objectName().toStdString());
        EXPECT_TRUE(inside.contains(keys[i]->geometry()));
        if (i > 0) {
            EXPECT_GT(keys[i]->x(), keys[i - 1]->geometry().right()) << "keys overlap";
        }
        // The caption fits its key.
        auto* key = static_cast<TxPlButton*>(keys[i]);
        EXPECT_LE(key->fontMetrics().horizontalAdvance(key->CaptionA().Caption()), key->width() - 4);
    }
    auto* hints = box->findChild<QWidget*>(QStringLiteral("HintArea"));
    ASSERT_NE(hints, nullptr);
    EXPECT_TRUE(inside.contains(hints->geometry()));
    EXPECT_TRUE(inside.contains(box->txtListName()->mapTo(box.get(), QPoint(box->txtListName()->width() - 1, 0))));
    QDir().mkpath(QStringLiteral(TEST_BINARY_DIR "/tests/selection/artefacts"));
    box->grab().save(QStringLiteral(TEST_BINARY_DIR "/tests/selection/artefacts/DataInfoDialog-narrow.png"));
}

TEST_F(DataInfoDialogTest, F7FollowsTheInputMethod)
{
    writeIni(1, 2, 1);
    auto box = open();
    box->show();
    EXPECT_EQ(box->functionKey(7)->CaptionA().Caption().toStdString(), "F7:再構築");
    for (int n = 1; n <= 6; ++n)
        EXPECT_FALSE(box->functionKey(n)->isEnabled()) << "F" << n << " has no work";
    EXPECT_TRUE(box->functionKey(7)->isEnabled());
    box->txtListName()->setFocus();
    QInputMethodEvent preedit(QStringLiteral("さい"), {});
    QApplication::sendEvent(box->txtListName(), &preedit);
    EXPECT_EQ(box->functionKey(7)->CaptionA().Caption().toStdString(), "F7:");
    EXPECT_FALSE(box->functionKey(7)->isEnabled());
    box->F7Click();
    EXPECT_TRUE(m_messages.boxes().empty()) << "F7 does nothing during a composition";
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("再"));
    QApplication::sendEvent(box->txtListName(), &commit);
    EXPECT_EQ(box->functionKey(7)->CaptionA().Caption().toStdString(), "F7:再構築");

    m_row.SHOUGOU.clear();
    box->Prepare(1);
    EXPECT_EQ(box->functionKey(7)->CaptionA().Caption().toStdString(), "F7:") << "no company, no rebuild";
    EXPECT_EQ(box->ViewOnly, 1);
}

TEST_F(DataInfoDialogTest, RebuildKeepsTheJournalAndClearsTheState)
{
    writeIni(2, 2, 1, 100000011);
    auto box = open();
    box->show();
    m_messages.expectBox("データの再構築を行いますか？");
    m_messages.expectBox("データの再構築は適正に行われました。");
    box->F7Click();
    EXPECT_EQ(box->Rebuilt, 1) << testing::PrintToString(m_messages.texts());
    EXPECT_EQ(journalCount(), "3");
    EXPECT_TRUE(workFiles().empty()) << testing::PrintToString(workFiles());
    EXPECT_EQ(box->InfoRec.Status, 1);
    ASSERT_FALSE(m_messages.boxes().empty());
    EXPECT_NE(m_messages.boxes().back().text.find("データの再構築は適正に行われました。"), std::string::npos);
}

TEST_F(DataInfoDialogTest, AFailedRebuildLeavesTheDatabaseAsItWas)
{
    writeIni(2, 2, 1, 100000011);
    const std::string before = testsupport::readFile(folder() / "dwacc.fdb");
    auto box = open();
    box->show();
    // The restore reads a backup cut in half, as after a disk fault between the two steps.
    int starts = 0;
    TDM::setServiceBusyHook([&](bool busy) {
        if (busy && ++starts == 2) {
            const fs::path backup = m_root / "ZAIMU" / "temp" / "dwacc.fb_";
            const std::string bytes = testsupport::readFile(backup);
            testsupport::writeFile(backup, bytes.substr(0, bytes.size() / 2));
        }
    });
    m_messages.expectBox("データの再構築を行いますか？");
    m_messages.expectBox("データベースのリストアに失敗しました。");
    m_messages.expectBox("データ再構築の処理に失敗しました。");
    box->F7Click();
    TDM::setServiceBusyHook({});
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(box->Rebuilt, 0);
    EXPECT_EQ(testsupport::readFile(folder() / "dwacc.fdb"), before) << "byte for byte";
    EXPECT_TRUE(workFiles().empty()) << testing::PrintToString(workFiles());
    bool told = false;
    for (const auto& b : m_messages.boxes())
        told = told || b.text.find("データ再構築の処理に失敗しました。") != std::string::npos;
    EXPECT_TRUE(told) << testing::PrintToString(m_messages.texts());
    EXPECT_EQ(journalCount(), "3");
}

} // namespace
