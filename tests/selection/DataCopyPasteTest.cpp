// Copy and paste, new data, distributed data and delete in the data-selection dialog, launched
// by name as the program launches it, standalone, on real company databases.
#include "DataSelectionFixture.h"

#include "catalogue/DataCatalogue.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "records/DataInformation.h"
#include "ui/SimpleMessageBox.h"
#include "ui/KeyCheckBox.h"
#include "wizard/HostHooks.h"

#include <cerrno>

namespace {

namespace fs = std::filesystem;
using seltest::rowOf;

// A: 20 journals   B: 30   C: consolidated, children 001 and 002   D: consolidated with a
// damaged child   E (slot 5): empty, no folder.
constexpr const char* kNameA = "あいうえおかきくけこさしすせそたちつ"; // 18 characters, 36 bytes
// The copy name: A's name + "～コピー" cut to 40 CP932 bytes, worked out by hand.
constexpr const char* kCopyNameA = "あいうえおかきくけこさしすせそたちつ～コ";

class DataCopyPasteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        selection::installShareMessageBox();
        fs::create_directories(m_root / "c" / "log");
        platform::paths::mapDrive('C', m_root / "c");
        testsupport::FixtureDb::copyTo("system", native("C:\\ZAIMU\\DATA") / "dwaccdef.fdb");
        SystemDef.SysDir = "C:\\ZAIMU\\DATA";
        SystemDef.DataRoot = "C:\\ZAIMU";
        SystemDef.LogFolder = "C:\\log";
        SystemDef.TempFolder = "C:\\temp";
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.PcName = "buildpc";
        SystemDef.GroupId = 10000;
        SystemDef.LoginCode = 11;
        SystemDef.LoginId = 100000011;
        SystemDef.OperatorName = "担当一";
        SystemDef.JobLevel = 9; // the administrator may process every data set
        SystemDef.AppCaption = "連動データの作成";
        m_dm = std::make_unique<TDM>();
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
        ASSERT_TRUE(m_dm->fnGetSysDef());
        SystemDef.DataHasonCheck = 1;
        selection::installCatalogueStep(*m_dm);
        selection::registerForms();
        installHostHooks();

        company(1, kNameA, 20, 0, 0);
        company(2, "ビー商店", 30, 0, 0);
        company(3, "合算シー", 7, 1, 2);
        child(3, 1, "合算シー");
        child(3, 2, "合算シー");
        company(4, "合算ディー", 3, 1, 1);
        // D's child: a file that is no database, marked damaged in the catalogue.
        fs::create_directories(native(slot(4)) / "001");
        platform::files::writeAllAtomic(slot(4) + "\\001\\dwacc.fdb", "broken");
        system("INSERT INTO CHILD_DATALIST (REC, ROWNO, GROUPID, ENTTEXT, PASNAME, GASSAN, DATA_STATUS) "
               "VALUES (4, 1, 10000, '破損データ', '" + slot(4) + "\\001', 10, 1)");
    }

    void TearDown() override
    {
        clearHostHooks();
        m_dm.reset();
        records::resetProgramState();
        selection::setShareMessageHandler({});
        platform::paths::resetDriveMap();
        platform::files::clearFaults();
    }

    static std::string slot(int rec) { return seltest::slotFolder(rec); }
    fs::path native(const std::string& path) const { return platform::paths::toNative(path); }

    void system(const std::string& sql) { testsupport::exec(m_dm->IBDatabaseDEF, sql); }

    std::vector<std::string> systemRows(const std::string& sql)
    {
        return testsupport::rows(m_dm->IBDatabaseDEF, sql);
    }

    // One statement on the company database of a folder; the first value of a query.
    std::string db(const std::string& folder, const std::string& sql)
    {
        return testsupport::onDatabase((native(folder) / "dwacc.fdb").string(), sql);
    }

    std::string setting(const std::string& folder, const char* key)
    {
        return db(folder, std::string("SELECT ATEXT FROM ACCREG WHERE AGROUP='基本設定' AND ACODE='") + key + "'");
    }

    // A company data set in a slot: its database, its information file and its catalogue row.
    void company(int rec, const std::string& name, int journals, int gassan, int children)
    {
        const std::string folder = slot(rec);
        testsupport::FixtureDb::copyTo("company", native(folder) / "dwacc.fdb");
        db(folder, "UPDATE ACCDEF1 SET SHOUGOU='" + name + "', ENTTEXT='" + name +
                       "', KISHU='2024-01-01', KIMATU='2024-12-31'");
        db(folder, "INSERT INTO SISETUMST (SCODE, SNAME, SIWAKECOUNT) VALUES (' ', '全体', " +
                       std::to_string(journals) + ")");
        db(folder, "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('基本設定', '合算データ区分', '整数', '" +
                       std::to_string(gassan) + "')");
        db(folder, "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('基本設定', '合算データ数', '整数', '" +
                       std::to_string(children) + "')");
        TDataInfomation info;
        info.RefreshIniFile(folder, "");
        system("UPDATE DATALIST SET ENTTEXT='" + name + "', SHOUGOU='" + name +
               "', DATATYPE=2, CODETYPE=1, NENDO=2024, KISHU='2024-01-01', KIMATU='2024-12-31', "
               "VER_MAJOR=8, VER_TEXT='8.0.0', GASSAN=" + std::to_string(gassan) + " WHERE REC=" +
               std::to_string(rec));
    }

    void child(int rec, int rowNo, const std::string& name)
    {
        char sub[8];
        std::snprintf(sub, sizeof sub, "%.3d", rowNo);
        const std::string folder = slot(rec) + "\\" + sub;
        fs::create_directories(native(folder));
        fs::copy_file(native(slot(rec)) / "dwacc.fdb", native(folder) / "dwacc.fdb");
        db(folder, "UPDATE ACCREG SET ATEXT='10' WHERE ACODE='合算データ区分'");
        db(folder, "UPDATE ACCREG SET ATEXT='0' WHERE ACODE='合算データ数'");
        TDataInfomation info;
        info.RefreshIniFile(folder, "");
        system("INSERT INTO CHILD_DATALIST (REC, ROWNO, GROUPID, ENTTEXT, SHOUGOU, PASNAME, GASSAN, "
               "DATATYPE, CODETYPE, NENDO, KISHU, KIMATU) VALUES (" +
               std::to_string(rec) + ", " + std::to_string(rowNo) + ", 10000, '" + name + "', '" + name +
               "', '" + folder + "', 10, 2, 1, 2024, '2024-01-01', '2024-12-31')");
    }

    int status(const std::string& folder)
    {
        const std::string ini = folder + "\\dwacc.ini";
        if (!platform::files::fileExists(ini))
            return -1;
        return platform::IniFile(ini).readInteger("DATASTS", "STATUS", -1);
    }

    // Launches the dialog by name; act drives it; Esc then ends it. The launch's result.
    int run(const std::string& lines, const std::function<void(TDataSentakuBox&)>& act)
    {
        m_messages.onDialog([&](QDialog& d) {
            auto* box = dynamic_cast<TDataSentakuBox*>(&d);
            EXPECT_NE(box, nullptr);
            if (!box)
                return int(platform::mrCancel);
            auto result = std::make_shared<int>(-1);
            QObject::connect(&d, &QDialog::finished, [result](int r) { *result = r; });
            act(*box);
            for (int i = 0; i < 3 && *result < 0; ++i)
                press(*box, Qt::Key_Escape);
            return *result;
        });
        const int result = SyoriKidou("XvDataSenkaku", 1, lines);
        // The dialog frees itself once closed: before this test's data module goes.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return result;
    }

    static void select(TDataSentakuBox& box, int row)
    {
        ASSERT_GE(row, 0);
        QApplication::setActiveWindow(&box);
        box.PerfectGrid1()->setCurrentRow(row);
        box.PerfectGrid1()->setFocus();
        QCoreApplication::processEvents();
        box.SetFunctionKeys();
    }

    static void press(TDataSentakuBox& box, Qt::Key key)
    {
        QApplication::setActiveWindow(&box);
        box.PerfectGrid1()->setFocus();
        QCoreApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &box, key);
        QCoreApplication::processEvents();
    }

    static void saveShot(QWidget& w, const std::string& name)
    {
        const QString dir = QStringLiteral(TEST_BINARY_DIR "/tests/selection/artefacts");
        QDir().mkpath(dir);
        w.grab().save(dir + QLatin1Char('/') + QString::fromStdString(name) + QStringLiteral(".png"));
    }

    static std::string caption(TDataSentakuBox& box, int key)
    {
        return box.FunctionKey(key)->CaptionA().Caption().toStdString();
    }

    // F2 on the source row, then F2 on the target row.
    void copyAndPaste(TDataSentakuBox& box, int sourceRec, int targetRec,
                      const std::function<void()>& beforePaste = {})
    {
        select(box, rowOf(box, sourceRec));
        press(box, Qt::Key_F2);
        ASSERT_TRUE(box.CopyMode);
        EXPECT_EQ(caption(box, fkF2), "F2:貼り付け");
        select(box, rowOf(box, targetRec));
        if (beforePaste)
            beforePaste();
        press(box, Qt::Key_F2);
    }

    // Answers the next TMessageBox: records it, ticks the agreement box, gives result.
    void answerBox(int result, bool agree, std::string* caption, std::vector<std::string>* lines,
                   std::string* text = nullptr, std::string shot = {})
    {
        m_messages.onDialog([=](QDialog& d) {
            auto* box = dynamic_cast<TMessageBox*>(&d);
            EXPECT_NE(box, nullptr);
            if (!box)
                return int(platform::mrCancel);
            if (caption)
                *caption = box->MsgCaption;
            if (lines)
                *lines = box->MsgLines;
            if (text)
                *text = box->MsgText;
            if (agree)
                box->cboxAgree()->setChecked(true);
            if (!shot.empty())
                saveShot(*box, shot);
            return result;
        });
    }

    // The texts of the message boxes shown (the dialogs left out).
    std::vector<std::string> boxTexts() const
    {
        std::vector<std::string> out;
        for (const auto& b : m_messages.boxes())
            if (b.kind != "dialog")
                out.push_back(b.text);
        return out;
    }

    bool boxed(const std::string& text) const
    {
        for (const auto& t : boxTexts())
            if (t.find(text) != std::string::npos)
                return true;
        return false;
    }

    // The next message box is expected; it is answered OK.
    void expectBox() { m_messages.answer(platform::IDOK); }

    testsupport::TempDir m_root;
    testsupport::MessageRecorder m_messages;
    std::unique_ptr<TDM> m_dm;
};

TEST_F(DataCopyPasteTest, AOntoAnEmptySlotCopiesTheFilesUnderTheCopyName)
{
    bool hintShown = false;
    EXPECT_EQ(run("SyoriType=0", [&](TDataSentakuBox& box) {
                  select(box, rowOf(box, 1));
                  press(box, Qt::Key_F2);
                  EXPECT_EQ(status(slot(1)), 6) << "the source is being copied";
                  hintShown = box.HintArea()->toPlainText().contains(QStringLiteral("貼り付け先を選択して"));
                  saveShot(box, "copy-mode");
                  select(box, rowOf(box, 5));
                  press(box, Qt::Key_F2);
                  EXPECT_FALSE(box.CopyMode);
                  // The list takes the keys again, with its own hint.
                  EXPECT_EQ(caption(box, fkF2), "F2:コピー");
                  EXPECT_FALSE(box.HintArea()->toPlainText().contains(QStringLiteral("貼り付け先を選択して")));
              }),
              platform::mrCancel);
    EXPECT_TRUE(hintShown);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{});
    EXPECT_EQ(db(slot(5), "SELECT SHOUGOU FROM ACCDEF1"), kNameA);
    EXPECT_EQ(db(slot(5), "SELECT SUM(SIWAKECOUNT) FROM SISETUMST"), "20");
    EXPECT_EQ(platform::IniFile(slot(5) + "\\dwacc.ini").readString("DATAINFO", "DATALISTNAME", ""), kCopyNameA);
    EXPECT_EQ(systemRows("SELECT ENTTEXT FROM DATALIST WHERE REC=5"), std::vector<std::string>{kCopyNameA});
    EXPECT_EQ(status(slot(1)), 1);
    EXPECT_EQ(status(slot(5)), 1);
    EXPECT_FALSE(fs::exists(native(slot(5) + ".~paste")));
}

TEST_F(DataCopyPasteTest, FewerJournalsAskForAgreementAndCancelKeepsTheTarget)
{
    std::string boxCaption;
    std::vector<std::string> lines;
    run("SyoriType=0", [&](TDataSentakuBox& box) {
        copyAndPaste(box, 1, 2, [&] {
            answerBox(platform::mrCancel, false, &boxCaption, &lines, nullptr, "paste-compare");
        });
    });
    EXPECT_EQ(boxCaption, "データ照合チェックの結果");
    const std::vector<std::string> expected = {"会社名に違いがありました。", std::string("　【貼り付け元】：") + kNameA,
                                               "　【貼り付け先】：ビー商店", "仕訳件数(修正・削除仕訳含む)が減っています。",
                                               "　【貼り付け元】：20 件", "　【貼り付け先】：30 件"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(db(slot(2), "SELECT SHOUGOU FROM ACCDEF1"), "ビー商店");
    EXPECT_EQ(db(slot(2), "SELECT SUM(SIWAKECOUNT) FROM SISETUMST"), "30");
    EXPECT_EQ(systemRows("SELECT ENTTEXT FROM DATALIST WHERE REC=2"), std::vector<std::string>{"ビー商店"});
    EXPECT_EQ(status(slot(1)), 1);
    EXPECT_EQ(status(slot(2)), 1);

    run("SyoriType=0", [&](TDataSentakuBox& box) {
        copyAndPaste(box, 1, 2, [&] { answerBox(platform::mrOk, true, nullptr, nullptr); });
    });
    EXPECT_EQ(db(slot(2), "SELECT SHOUGOU FROM ACCDEF1"), kNameA);
    EXPECT_EQ(db(slot(2), "SELECT SUM(SIWAKECOUNT) FROM SISETUMST"), "20");
    EXPECT_EQ(systemRows("SELECT ENTTEXT FROM DATALIST WHERE REC=2"), std::vector<std::string>{kCopyNameA});
}

TEST_F(DataCopyPasteTest, PlainDataOntoConsolidatedDataIsAForbiddenPattern)
{
    std::string boxCaption, text;
    std::vector<std::string> lines;
    run("SyoriType=0", [&](TDataSentakuBox& box) {
        copyAndPaste(box, 1, 3, [&] { answerBox(platform::mrOk, false, &boxCaption, &lines, &text); });
    });
    EXPECT_EQ(boxCaption, "警告");
    EXPECT_EQ(text, "貼り付け先の合算データ区分が妥当ではありません。\rデータリストの空行を選んで処理を行って下さい。");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "以下のパターンの復元（貼付）は禁止されています。");
    EXPECT_EQ(lines[1], " ①通常データ       を 合算データ（合算本支店データ） へ");
    EXPECT_EQ(db(slot(3), "SELECT SHOUGOU FROM ACCDEF1"), "合算シー");
    EXPECT_TRUE(fs::exists(native(slot(3)) / "001" / "dwacc.fdb"));
    EXPECT_EQ(systemRows("SELECT COUNT(*) FROM CHILD_DATALIST WHERE REC=3"), std::vector<std::string>{"2"});
    EXPECT_EQ(status(slot(1)), 1);
}

TEST_F(DataCopyPasteTest, AConsolidatedSetTakesItsChildrenAlong)
{
    run("SyoriType=0", [&](TDataSentakuBox& box) { copyAndPaste(box, 3, 5); });
    EXPECT_EQ(boxTexts(), std::vector<std::string>{});
    for (const char* sub : {"001", "002"})
        EXPECT_TRUE(fs::exists(native(slot(5)) / sub / "dwacc.fdb")) << sub;
    EXPECT_EQ(systemRows("SELECT REC, PASNAME, GASSAN FROM CHILD_DATALIST WHERE REC=5 ORDER BY ROWNO"),
              (std::vector<std::string>{"5|" + slot(5) + "\\001|10", "5|" + slot(5) + "\\002|10"}));
    EXPECT_EQ(systemRows("SELECT COUNT(*) FROM CHILD_DATALIST WHERE REC=3"), std::vector<std::string>{"2"});
}

TEST_F(DataCopyPasteTest, ATargetInsideTheSourceIsRefusedBeforeAnythingIsWritten)
{
    // A plain row whose folder lies inside A's folder.
    system("UPDATE DATALIST SET PASNAME='" + slot(1) + "\\inner' WHERE REC=6");
    expectBox();
    run("SyoriType=0", [&](TDataSentakuBox& box) { copyAndPaste(box, 1, 6); });
    EXPECT_TRUE(boxed("貼付先にコピー元のパスが含まれています。処理を中断します。"));
    EXPECT_FALSE(fs::exists(native(slot(1)) / "inner"));
    EXPECT_EQ(status(slot(1)), 1);

    // The other way round: replacing the target folder would remove the source inside it.
    m_messages.clear();
    system("UPDATE DATALIST SET PASNAME='" + slot(2) + "\\inner' WHERE REC=6");
    fs::create_directories(native(slot(2)) / "inner");
    fs::copy_file(native(slot(2)) / "dwacc.fdb", native(slot(2)) / "inner" / "dwacc.fdb");
    system("UPDATE DATALIST SET ENTTEXT='内側', SHOUGOU='内側' WHERE REC=6");
    TDataInfomation().RefreshIniFile(slot(2) + "\\inner", "");
    expectBox();
    run("SyoriType=0", [&](TDataSentakuBox& box) { copyAndPaste(box, 6, 2); });
    EXPECT_TRUE(boxed("貼付先にコピー元のパスが含まれています。処理を中断します。"));
    EXPECT_TRUE(fs::exists(native(slot(2)) / "inner" / "dwacc.fdb"));
    EXPECT_EQ(status(slot(2) + "\\inner"), 1);
}

TEST_F(DataCopyPasteTest, ADamagedChildStopsTheCopy)
{
    expectBox();
    run("SyoriType=0", [&](TDataSentakuBox& box) {
        select(box, rowOf(box, 4));
        press(box, Qt::Key_F2);
        EXPECT_FALSE(box.CopyMode);
        EXPECT_EQ(caption(box, fkF2), "F2:コピー");
    });
    ASSERT_EQ(boxTexts().size(), 1u);
    EXPECT_EQ(boxTexts()[0], "合算・分散データに破損したデータが存在するため、データのコピーを中止します。\r"
                                     "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。\r"
                                     "ご不明な点がございましたら、お問い合わせ先をご確認の上ご連絡下さい。");
    EXPECT_EQ(status(slot(4)), 1);
}

TEST_F(DataCopyPasteTest, AFailedCopyLeavesEverythingAsItWas)
{
    for (int target : {5, 2}) {
        SCOPED_TRACE(target);
        m_messages.clear();
        expectBox();
        const auto rowBefore = systemRows("SELECT ENTTEXT, DATA_STATUS FROM DATALIST WHERE REC=" + std::to_string(target));
        run("SyoriType=0", [&](TDataSentakuBox& box) {
            select(box, rowOf(box, 1));
            press(box, Qt::Key_F2);
            select(box, rowOf(box, target));
            if (target == 2)
                answerBox(platform::mrOk, true, nullptr, nullptr);
            platform::files::failNext(platform::files::Operation::Copy, ENOSPC, 1);
            press(box, Qt::Key_F2);
            platform::files::clearFaults();
        });
        EXPECT_TRUE(boxed("データのコピーに失敗しました。\r"));
        EXPECT_EQ(systemRows("SELECT ENTTEXT, DATA_STATUS FROM DATALIST WHERE REC=" + std::to_string(target)), rowBefore);
        EXPECT_EQ(status(slot(1)), 1);
        EXPECT_FALSE(fs::exists(native(slot(target) + ".~paste")));
        if (target == 5) {
            EXPECT_FALSE(fs::exists(native(slot(5)))) << "the empty slot stays without a folder";
        } else {
            EXPECT_EQ(status(slot(2)), 1);
            EXPECT_EQ(db(slot(2), "SELECT SHOUGOU FROM ACCDEF1"), "ビー商店");
        }
    }
}

TEST_F(DataCopyPasteTest, NewDataMeetsTheMissingFormAndLeavesTheSlotEmpty)
{
    std::string f3;
    expectBox();
    run("SyoriType=0", [&](TDataSentakuBox& box) {
        select(box, rowOf(box, 5));
        f3 = caption(box, fkF3);
        press(box, Qt::Key_F3);
    });
    EXPECT_EQ(f3, "F3:新規作成");
    EXPECT_TRUE(boxed("処理を起動するためのインターフェースが実装されていません。\rライブラリのロードに失敗した可能性があります。"));
    EXPECT_FALSE(fs::exists(native(slot(5)) / "dwacc.ini"));
    EXPECT_EQ(systemRows("SELECT ENTTEXT FROM DATALIST WHERE REC=5"), std::vector<std::string>{""});
}

// The new-data form is not part of this program: a stand-in launched by name answers as the
// form would, 1 after it made the data set, 2 when the user cancelled.
TEST_F(DataCopyPasteTest, NewDataHandlesTheFormsAnswers)
{
    for (int answer : {1, 2}) {
        SCOPED_TRACE(answer);
        m_messages.clear();
        const int rec = 5 + answer;
        std::string params;
        int stateMeanwhile = 0;
        SyoriKidouProc = [&](const std::string& name, int mode, const std::string& lines) {
            if (name != "XvKihonWiz")
                return SyoriKidou(name, mode, lines);
            EXPECT_EQ(mode, 1);
            params = lines;
            stateMeanwhile = status(slot(rec));
            if (answer == 1)
                company(rec, "新しい会社", 0, 0, 0);
            return answer;
        };
        std::string shown;
        run("SyoriType=0", [&](TDataSentakuBox& box) {
            select(box, rowOf(box, rec));
            press(box, Qt::Key_F3);
            shown = box.PerfectGrid1()->model().cellText(rowOf(box, rec), 2).toStdString();
        });
        SyoriKidouProc = SyoriKidou;
        ASSERT_EQ(params.rfind("DataPath=" + slot(rec) + "\rDataListRec=" + std::to_string(rec) + "\rPHandle=", 0), 0u)
            << params;
        EXPECT_EQ(stateMeanwhile, 9) << "the folder is being created";
        if (answer == 1) {
            EXPECT_EQ(status(slot(rec)), 1);
            EXPECT_EQ(shown, "新しい会社");
        } else {
            EXPECT_FALSE(fs::exists(native(slot(rec)))) << "a cancelled form leaves no folder";
            EXPECT_EQ(shown, "");
        }
        EXPECT_EQ(boxTexts(), std::vector<std::string>{});
    }
}

TEST_F(DataCopyPasteTest, ADistributedSetIsAddedToAConsolidatedOne)
{
    m_messages.answer(platform::IDYES);
    std::string f3;
    run("SyoriType=0", [&](TDataSentakuBox& box) {
        select(box, rowOf(box, 3));
        f3 = caption(box, fkF3);
        press(box, Qt::Key_F3);
    });
    EXPECT_EQ(f3, "F3:分散追加");
    EXPECT_TRUE(boxed("分散入力用のデータを追加します。\rよろしいですか？"));
    const std::string added = slot(3) + "\\003";
    EXPECT_EQ(db(added, "SELECT COUNT(*) FROM SIWAKE"), "0");
    EXPECT_EQ(db(added, "SELECT GEN_ID(SIWAKE_REC_GEN, 0) FROM RDB$DATABASE"), "0");
    EXPECT_EQ(setting(added, "合算データ区分"), "10");
    EXPECT_EQ(setting(added, "合算データ数"), "0");
    EXPECT_EQ(systemRows("SELECT ROWNO, GASSAN FROM CHILD_DATALIST WHERE REC=3 AND PASNAME='" + added + "'"),
              std::vector<std::string>{"3|10"});
    EXPECT_EQ(setting(slot(3), "合算データ数"), "3");
    EXPECT_EQ(db(slot(3), "SELECT SUM(SIWAKECOUNT) FROM SISETUMST"), "7");
}

TEST_F(DataCopyPasteTest, NinetyNineChildrenAreTheMost)
{
    for (int rowNo = 3; rowNo <= 99; ++rowNo)
        system("INSERT INTO CHILD_DATALIST (REC, ROWNO, GROUPID, ENTTEXT, PASNAME, GASSAN) VALUES (3, " +
               std::to_string(rowNo) + ", 10000, '子', '" + slot(3) + "\\x" + std::to_string(rowNo) + "', 10)");
    expectBox();
    run("SyoriType=0", [&](TDataSentakuBox& box) {
        select(box, rowOf(box, 3));
        press(box, Qt::Key_F3);
    });
    EXPECT_TRUE(boxed("これ以上の分散データの追加は行えません。(最大99件)\r"));
    EXPECT_FALSE(fs::exists(native(slot(3)) / "003"));
}

TEST_F(DataCopyPasteTest, DeletingAChildLowersItsParentsCount)
{
    std::string boxCaption;
    std::vector<std::string> lines;
    run("SyoriType=0", [&](TDataSentakuBox& box) {
        select(box, rowOf(box, 3) + 2);
        answerBox(platform::mrOk, true, &boxCaption, &lines, nullptr, "delete-consent");
        press(box, Qt::Key_F5);
    });
    EXPECT_EQ(boxCaption, "データの削除");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "【データ名】");
    EXPECT_FALSE(fs::exists(native(slot(3)) / "002"));
    EXPECT_TRUE(fs::exists(native(slot(3)) / "001"));
    EXPECT_EQ(setting(slot(3), "合算データ数"), "1");
    EXPECT_EQ(systemRows("SELECT ROWNO FROM CHILD_DATALIST WHERE REC=3"), std::vector<std::string>{"1"});
}

TEST_F(DataCopyPasteTest, TheOpenDataSetCannotBeDeleted)
{
    struct Case {
        const char* lines;
        const char* text;
    };
    for (const Case& c : {Case{"SyoriType=0", "このデータは、前回起動データのため削除は行えません。"},
                          Case{"SyoriType=2", "このデータは、現在選択中のデータのため削除は行えません。"}}) {
        SCOPED_TRACE(c.lines);
        m_messages.clear();
        expectBox();
        SystemDef.DataDir = slot(2);
        run(c.lines, [&](TDataSentakuBox& box) {
            select(box, rowOf(box, 2));
            press(box, Qt::Key_F5);
        });
        EXPECT_TRUE(boxed(c.text));
        EXPECT_TRUE(fs::exists(native(slot(2)) / "dwacc.fdb"));
    }
}

} // namespace
