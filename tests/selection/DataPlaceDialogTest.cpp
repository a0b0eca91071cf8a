// The data places: the list-filling procedure of the system database and the places dialog,
// standalone on the embedded engine and in client/server mode against the loopback server.
#include "selection/DataPlaceDialog.h"

#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Paths.h"
#include "records/AppInfoRecord.h"
#include "records/DataModule.h"
#include "records/ProgramRecords.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/Sql.h"
#include "support/TempDir.h"
#include "ui/InputDialog.h"
#include "ui/KeyEdit.h"
#include "ui/ListGrid.h"
#include "ui/OwnerDrawnButton.h"

#include <QApplication>
#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace paths = platform::paths;

// Rows as "v1|v2|..." lines; a NULL reads as an empty value, as the names compared here do.
std::vector<std::string> query(firebird::Attachment& db, const std::string& sql)
{
    return testsupport::rows(db, sql, "");
}

// ---- the procedure ----------------------------------------------------------------------

class DataListInsertProcedureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::FixtureDb::copyTo("system", m_root / "dwaccdef.fdb");
        m_db.connect(testsupport::morabyParams((m_root / "dwaccdef.fdb").string()));
        m_db.executeImmediate("INSERT INTO DATAPLACEMAN (REC, ORDERKBN) VALUES (3, 4)");
    }

    // The rows the procedure returns, as "REC|PATHNAME".
    std::vector<std::string> insert(int place, const std::string& path, int maxCount)
    {
        firebird::Transaction tr(m_db);
        tr.start();
        firebird::Statement st(tr, "SELECT REC,PATHNAME FROM SP_DATALIST_INSERT(:REC,:PATH,:MAXCNT)");
        st.setInt("REC", place);
        st.setString("PATH", path);
        st.setInt("MAXCNT", maxCount);
        std::vector<std::string> out;
        {
            firebird::Cursor c = st.open();
            while (c.fetch())
                out.push_back(std::to_string(c.getInt("REC")) + "|" + c.getString("PATHNAME"));
        }
        tr.commit();
        return out;
    }

    testsupport::TempDir m_root;
    firebird::Attachment m_db;
};

TEST_F(DataListInsertProcedureTest, FillsAPlaceUpToTheCountAndReturnsTheNewRows)
{
    const auto added = insert(3, "C:\\Z\\data03", 120);
    ASSERT_EQ(added.size(), 120u);
    EXPECT_EQ(added.front(), "1|C:\\Z\\data03\\0001");
    EXPECT_EQ(added[98], "99|C:\\Z\\data03\\0099");
    EXPECT_EQ(added.back(), "120|C:\\Z\\data03\\0120");
    EXPECT_EQ(query(m_db, "SELECT COUNT(*), MIN(REC), MAX(REC) FROM DATALIST_EX WHERE DATAPLACEREC = 3"),
              std::vector<std::string>{"120|1|120"});
    EXPECT_EQ(query(m_db, "SELECT GROUPID, ENTTEXT, SHOUGOU, PASNAME, NETDRIVE, DATATYPE, CODETYPE, NENDO, "
                          "CAST(KISHU AS DATE), CAST(KIMATU AS DATE) FROM DATALIST_EX "
                          "WHERE DATAPLACEREC = 3 AND REC = 5"),
              std::vector<std::string>{"10000|||C:\\Z\\data03\\0005|0|0|0|0|1899/12/30|1899/12/30"});

    // Rows already there stay; only the missing ones are added.
    EXPECT_EQ(insert(3, "C:\\Y", 122), (std::vector<std::string>{"121|C:\\Y\\0121", "122|C:\\Y\\0122"}));
    EXPECT_TRUE(insert(3, "C:\\Y", 100).empty());
    EXPECT_EQ(query(m_db, "SELECT PASNAME FROM DATALIST_EX WHERE DATAPLACEREC = 3 AND REC = 1"),
              std::vector<std::string>{"C:\\Z\\data03\\0001"});
}

TEST_F(DataListInsertProcedureTest, TheStandardPlaceFillsTheMainList)
{
    // The fixture's standard list already holds 120 rows.
    EXPECT_TRUE(insert(0, "C:\\ZAIMU\\DATA", 120).empty());
    EXPECT_EQ(insert(0, "C:\\ZAIMU\\DATA", 121), std::vector<std::string>{"121|C:\\ZAIMU\\DATA\\0121"});
    EXPECT_EQ(query(m_db, "SELECT GROUPID, PASNAME, NENDO, CAST(KISHU AS DATE) FROM DATALIST WHERE REC = 121"),
              std::vector<std::string>{"10000|C:\\ZAIMU\\DATA\\0121|0|1899/12/30"});
    EXPECT_EQ(query(m_db, "SELECT COUNT(*) FROM DATALIST_EX"), std::vector<std::string>{"0"});
}

// ---- the dialog ---------------------------------------------------------------------------

// The system database in <folder>\dwaccdef.fdb, the operator signed in, messages recorded.
class PlaceDialogFixture : public ::testing::Test {
protected:
    void SetUp() override { records::resetProgramState(); }

    void TearDown() override
    {
        m_box.reset();
        m_dm.reset();
        records::resetProgramState();
        paths::resetDriveMap();
    }

    void open(const std::string& sysDir, const fs::path& nativeDir)
    {
        testsupport::FixtureDb::copyTo("system", nativeDir / "dwaccdef.fdb");
        fs::create_directories(m_root / "log");
        SystemDef.SysDir = sysDir;
        SystemDef.LogFolder = windowsPath(m_root / "log");
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.PcName = "buildpc";
        SystemDef.GroupId = 10000;
        SystemDef.LoginCode = 11;
        SystemDef.LoginId = 100000011;
        SystemDef.AppCaption = "連動データの作成";
        m_dm = std::make_unique<TDM>();
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1)) << testing::PrintToString(m_messages.texts());
        m_box = std::make_unique<TDataPlaceBox>();
    }

    // The program's form of a path under drive C:, which is the file system's root.
    static std::string windowsPath(const fs::path& p)
    {
        std::string s = "C:" + p.string();
        for (char& c : s)
            if (c == '/')
                c = '\\';
        return s;
    }

    std::vector<std::string> rows(const std::string& sql) { return query(m_dm->IBDatabaseDEF, sql); }
    void exec(const std::string& sql) { m_dm->IBDatabaseDEF.executeImmediate(sql); }

    // The texts of the message boxes so far (not the dialogs).
    std::vector<std::string> messages() const
    {
        std::vector<std::string> out;
        for (const auto& b : m_messages.boxes())
            if (b.kind != "dialog")
                out.push_back(b.text);
        return out;
    }

    // The next input dialog gets the text and OK (or Esc when ok is false).
    void answerInput(const std::string& text, bool ok = true, std::string* caption = nullptr,
                     std::string* initial = nullptr)
    {
        m_messages.onDialog([=](QDialog& d) {
            auto* box = dynamic_cast<TInputDlgBox*>(&d);
            if (!box) {
                ADD_FAILURE() << "not the input dialog: " << d.windowTitle().toStdString();
                return int(platform::mrCancel);
            }
            if (caption)
                *caption = box->windowTitle().toStdString();
            if (initial)
                *initial = box->txtInput()->text().toStdString();
            EXPECT_EQ(box->InputMaxLength, 20);
            if (!ok)
                return int(platform::mrCancel);
            box->txtInput()->setText(QString::fromStdString(text));
            box->btnOK()->Click();
            return box->modalResult();
        });
    }

    void select(int row)
    {
        m_box->PerfectGrid1()->setCurrentRow(row);
        m_box->SetFunctionKeys();
    }

    std::vector<std::string> captions()
    {
        return {m_box->btnF2()->CaptionA().Caption().toStdString(),
                m_box->btnF3()->CaptionA().Caption().toStdString(),
                m_box->btnF5()->CaptionA().Caption().toStdString()};
    }

    static void saveShot(QWidget& w, const std::string& name)
    {
        const QString dir = QStringLiteral(TEST_BINARY_DIR "/tests/selection/artefacts");
        QDir().mkpath(dir);
        w.grab().save(dir + QLatin1Char('/') + QString::fromStdString(name) + QStringLiteral(".png"));
    }

    testsupport::TempDir m_root;
    testsupport::MessageRecorder m_messages;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TDataPlaceBox> m_box;
};

// Standalone on the embedded engine: drive C: is the temporary folder.
class DataPlaceBoxTest : public PlaceDialogFixture {
protected:
    void SetUp() override
    {
        PlaceDialogFixture::SetUp();
        fs::create_directories(m_root / "c");
        paths::mapDrive('C', m_root / "c");
        open("C:\\ZAIMU\\DATA", m_root / "c" / "ZAIMU" / "DATA");
        exec("DELETE FROM DATAPLACEMAN");
    }
};

TEST_F(DataPlaceBoxTest, FirstUseSeedsAHundredPlacesNamedAfterTheDataFolder)
{
    struct Case {
        std::string folder, name0;
    };
    const std::string forty = "C:\\" + std::string(32, 'A') + "\\DATA"; // 40 bytes
    const Case cases[] = {
        {"C:\\ZAIMU\\DATA", "C:\\ZAIMU\\DATA"},
        {forty, forty},
        {forty + "X", "標準の場所"},
        {"C:\\データ\\ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯ", "C:\\データ\\ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯ"}, // 40 bytes
        {"C:\\データ\\ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰ", "標準の場所"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        exec("DELETE FROM DATAPLACEMAN");
        SystemDef.SysDir = c.folder; // the connection stays where it is
        m_box->Prepare(1);
        ASSERT_EQ(m_box->Places().size(), 100u);
        const auto stored = rows("SELECT REC, ORDERKBN, NAME, PATH FROM DATAPLACEMAN ORDER BY REC");
        ASSERT_EQ(stored.size(), 100u);
        EXPECT_EQ(stored[0], "0|1|" + c.name0 + "|" + c.folder);
        EXPECT_EQ(stored[1], "1|2||" + c.folder + "01");
        EXPECT_EQ(stored[7], "7|8||" + c.folder + "07");
        EXPECT_EQ(stored[99], "99|100||" + c.folder + "99");
        auto& m = m_box->PerfectGrid1()->model();
        EXPECT_EQ(m.cellText(0, 0), QStringLiteral("1"));
        EXPECT_EQ(m.cellText(0, 1).toStdString(), c.name0);
        EXPECT_EQ(m.cellText(99, 0), QStringLiteral("100"));
        EXPECT_EQ(m.cellText(99, 2).toStdString(), c.folder + "99");
    }
    // A table with rows is never seeded again.
    exec("UPDATE DATAPLACEMAN SET NAME = '大阪' WHERE REC = 3");
    m_box->Prepare(1);
    EXPECT_EQ(rows("SELECT NAME FROM DATAPLACEMAN WHERE REC = 3"), std::vector<std::string>{"大阪"});
}

TEST_F(DataPlaceBoxTest, KeysFollowTheRowAndTheInterfaceTheLastLoad)
{
    m_box->Prepare(1);
    exec("UPDATE DATAPLACEMAN SET NAME = '大阪' WHERE REC = 3");
    exec("UPDATE DATAPLACEMAN SET NAME = '　' WHERE REC = 5"); // a blank name: unnamed
    SystemDef.ServerDataPlace = 3;
    m_box->Prepare(1);
    EXPECT_EQ(m_box->PerfectGrid1()->currentRow(), 3) << "the operator's last place";

    struct Case {
        int row;
        std::vector<std::string> keys;
        bool up, down;
    };
    const Case cases[] = {
        {0, {"F2:", "F3:名称変更", "F5:"}, false, true}, // the standard place is never removed
        {1, {"F2:新規作成", "F3:", "F5:"}, true, true},
        {3, {"F2:", "F3:名称変更", "F5:削除"}, true, true},
        {5, {"F2:新規作成", "F3:", "F5:"}, true, true},
        {99, {"F2:新規作成", "F3:", "F5:"}, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        select(c.row);
        EXPECT_EQ(captions(), c.keys);
        EXPECT_EQ(m_box->btnUp()->isEnabled(), c.up);
        EXPECT_EQ(m_box->btnDown()->isEnabled(), c.down);
    }
    // A bare key does nothing: F5 on the standard place asks nothing and stores nothing.
    select(0);
    m_box->F5Click();
    EXPECT_TRUE(m_messages.boxes().empty());

    EXPECT_EQ(m_box->PlaceRec(-1), -1);
    EXPECT_EQ(m_box->PlaceRec(100), -1);
    EXPECT_EQ(m_box->PlaceRec(99), 99);
    std::string path = "x";
    m_box->PlacePathOfRec(7, path);
    EXPECT_EQ(path, "C:\\ZAIMU\\DATA07");

    exec("UPDATE DATAPLACEMAN SET NAME = '' WHERE REC = 5");
    std::string names;
    ASSERT_TRUE(m_box->GetPlaceNames(names));
    EXPECT_EQ(names, "C:\\ZAIMU\\DATA\r大阪\r");
    EXPECT_EQ(m_box->Places().size(), 2u);
    EXPECT_EQ(m_box->PlaceRec(1), 3);
    EXPECT_EQ(m_box->PlaceRec(2), -1);
    EXPECT_EQ(m_box->PlaceIndex(3), 1);
    EXPECT_EQ(m_box->PlaceIndex(7), -1);
    m_box->PlacePath(1, path);
    EXPECT_EQ(path, "C:\\ZAIMU\\DATA03");
    m_box->PlacePath(2, path);
    EXPECT_EQ(path, "");
    m_box->PlacePathOfRec(7, path);
    EXPECT_EQ(path, "");
}

TEST_F(DataPlaceBoxTest, MovingARowStoresOnlyTheNewOrder)
{
    exec("INSERT INTO DATAPLACEMAN (REC, ORDERKBN, NAME, PATH) VALUES (0, 1, '標準の場所', 'C:\\P')");
    exec("INSERT INTO DATAPLACEMAN (REC, ORDERKBN, NAME, PATH) VALUES (4, 2, '大阪', 'C:\\P04')");
    exec("INSERT INTO DATAPLACEMAN (REC, ORDERKBN, NAME, PATH) VALUES (9, 3, '', 'C:\\P09')");
    m_box->Prepare(1);
    const auto order = [this] { return rows("SELECT REC, ORDERKBN, NAME FROM DATAPLACEMAN ORDER BY REC"); };

    // The first row does not go up, the last not down.
    select(0);
    m_box->btnUpClick();
    select(2);
    m_box->btnDownClick();
    EXPECT_EQ(order(), (std::vector<std::string>{"0|1|標準の場所", "4|2|大阪", "9|3|"}));

    // Another installation removes place 4 meanwhile; moving it must not bring its name back.
    exec("UPDATE DATAPLACEMAN SET NAME = '' WHERE REC = 4");
    select(1);
    m_box->btnUpClick();
    EXPECT_EQ(order(), (std::vector<std::string>{"0|2|標準の場所", "4|1|", "9|3|"}));
    EXPECT_EQ(m_box->PerfectGrid1()->currentRow(), 0) << "the moved row stays current";
    auto& m = m_box->PerfectGrid1()->model();
    EXPECT_EQ(m.cellText(0, 0), QStringLiteral("1"));
    EXPECT_EQ(m.cellText(0, 2), QStringLiteral("C:\\P04"));
    EXPECT_EQ(m.cellText(1, 0), QStringLiteral("2"));
    EXPECT_EQ(m.cellText(1, 2), QStringLiteral("C:\\P"));
    EXPECT_EQ(m_box->PlaceRec(0), 4);

    select(1);
    m_box->btnDownClick();
    EXPECT_EQ(order(), (std::vector<std::string>{"0|3|標準の場所", "4|1|", "9|2|"}));
    EXPECT_EQ(m_box->PerfectGrid1()->currentRow(), 2);
    EXPECT_TRUE(messages().empty()) << testing::PrintToString(messages());
}

TEST_F(DataPlaceBoxTest, AFailedStoreIsReportedAndTheListShowsWhatIsStored)
{
    m_box->Prepare(1);
    // The list's rows name a group the database no longer has: the procedure fails.
    exec("DELETE FROM USERGROUP WHERE GROUPID = 10000");
    select(2);
    answerInput("名古屋");
    m_messages.expectBox("データの場所の保存に失敗しました。");
    m_box->F2Click();
    ASSERT_EQ(messages().size(), 1u) << testing::PrintToString(messages());
    EXPECT_EQ(messages()[0].rfind("データの場所の保存に失敗しました。", 0), 0u) << messages()[0];
    EXPECT_EQ(rows("SELECT NAME FROM DATAPLACEMAN WHERE REC = 2"), std::vector<std::string>{""});
    EXPECT_EQ(rows("SELECT COUNT(*) FROM DATALIST_EX"), std::vector<std::string>{"0"});
    EXPECT_EQ(m_box->PerfectGrid1()->model().cellText(2, 1), QString());
    EXPECT_EQ(captions()[0], "F2:新規作成");
}

TEST_F(DataPlaceBoxTest, HintsAndTheCurrentRowColourFollowThePartnersData)
{
    const QString standard = QStringLiteral(
        "データ管理フォルダの情報を管理します。|[F2]で新規作成、[F3]で名称変更、[F5]で削除します。"
        "（例外：\"ﾄﾞﾗｲﾌﾞ:\\MORABYZAIMU\\DATA\"行の削除は禁止）\n[上へ][下へ]でリストの並べ替えが行えます。");
    m_box->Prepare(1);
    EXPECT_EQ(ControlHint(m_box->PerfectGrid1()), standard);
    EXPECT_EQ(ControlHint(m_box->btnClose()), QStringLiteral("内容を保存して画面を閉じます。|内容を保存して画面を閉じます。"));
    EXPECT_EQ(m_box->PerfectGrid1()->model().rowActiveTextColor(5), platform::TColor(0x246BFF));

    LumeranDataFlag = 2;
    AppInfo.Zaimu.ServerDir = "\\lumeran\\data";
    TDataPlaceBox partner;
    partner.Prepare(1);
    QString replaced = standard;
    replaced.replace(QStringLiteral("\\MORABYZAIMU\\DATA"), QStringLiteral("\\LUMERAN\\DATA"));
    EXPECT_EQ(ControlHint(partner.PerfectGrid1()), replaced);
    EXPECT_EQ(partner.PerfectGrid1()->model().rowActiveTextColor(5), platform::TColor(0x008000));
}

// Client/server mode: the system database and the place folders on the loopback server.
class DataPlaceBoxServerTest : public PlaceDialogFixture {
protected:
    void SetUp() override
    {
        PlaceDialogFixture::SetUp();
        testsupport::ensureServer();
        ConnectMode = 1;
        SystemDef.HostName = "localhost";
        m_data = windowsPath(m_root / "data");
        open(m_data, m_root / "data");
        exec("DELETE FROM DATAPLACEMAN");
        m_box->Prepare(1);
    }

    // Names the place in the row by F2.
    void name(int row, const std::string& text)
    {
        select(row);
        answerInput(text);
        m_box->F2Click();
    }

    int listRows(int place)
    {
        return std::stoi(rows("SELECT COUNT(*) FROM DATALIST_EX WHERE DATAPLACEREC = " +
                              std::to_string(place))[0]);
    }

    std::string m_data;
};

TEST_F(DataPlaceBoxServerTest, NamingAPlaceCreatesItsFolderOnTheServerAndItsList)
{
    EXPECT_EQ(m_dm->IBDatabaseDEF.databaseName().rfind("localhost:", 0), 0u);
    std::string caption;
    select(3);
    answerInput("大阪", true, &caption);
    m_box->F2Click();
    EXPECT_EQ(caption, "新規作成");
    EXPECT_TRUE(messages().empty()) << testing::PrintToString(messages());
    EXPECT_TRUE(fs::is_directory(m_root / "data03"));
    EXPECT_EQ(rows("SELECT NAME, PATH FROM DATAPLACEMAN WHERE REC = 3"),
              std::vector<std::string>{"大阪|" + m_data + "03"});
    EXPECT_EQ(listRows(3), 120);
    EXPECT_EQ(rows("SELECT PASNAME FROM DATALIST_EX WHERE DATAPLACEREC = 3 AND REC IN (1, 120) ORDER BY REC"),
              (std::vector<std::string>{m_data + "03\\0001", m_data + "03\\0120"}));
    EXPECT_EQ(m_box->PerfectGrid1()->model().cellText(3, 1), QStringLiteral("大阪"));
    EXPECT_EQ(captions(), (std::vector<std::string>{"F2:", "F3:名称変更", "F5:削除"}));

    // Renaming keeps the list and asks with the current name.
    std::string initial;
    answerInput("　難波 ", true, &caption, &initial);
    m_box->F3Click();
    EXPECT_EQ(caption, "名称の変更");
    EXPECT_EQ(initial, "大阪");
    EXPECT_EQ(rows("SELECT NAME FROM DATAPLACEMAN WHERE REC = 3"), std::vector<std::string>{"難波"});
    EXPECT_EQ(listRows(3), 120);
}

TEST_F(DataPlaceBoxServerTest, NamesAreRefusedOrKeptAsTheFolderAllows)
{
    // Blank names are refused, whatever the key.
    m_messages.expectBox("名称が入力されていません。");
    name(4, "　 ");
    EXPECT_EQ(messages(), std::vector<std::string>{"名称が入力されていません。"});
    EXPECT_FALSE(fs::exists(m_root / "data04"));
    // Cancel leaves everything.
    select(4);
    answerInput("", false);
    m_box->F2Click();
    EXPECT_EQ(rows("SELECT NAME FROM DATAPLACEMAN WHERE REC = 4"), std::vector<std::string>{""});

    // A folder that is already there is reported and the place is named anyway.
    m_messages.clear();
    fs::create_directories(m_root / "data04");
    m_messages.expectBox("既にデータサーバーにフォルダが作成されています。");
    name(4, "京都");
    EXPECT_EQ(messages(), std::vector<std::string>{"既にデータサーバーにフォルダが作成されています。"});
    EXPECT_EQ(rows("SELECT NAME FROM DATAPLACEMAN WHERE REC = 4"), std::vector<std::string>{"京都"});
    EXPECT_EQ(listRows(4), 120);

    // A folder the server cannot create stops the naming.
    m_messages.clear();
    testsupport::writeFile(m_root / "data05", "a file in the way");
    m_messages.expectBox("データサーバーへフォルダの作成が失敗しました。");
    name(5, "神戸");
    EXPECT_EQ(messages(), std::vector<std::string>{"データサーバーへフォルダの作成が失敗しました。"});
    EXPECT_EQ(rows("SELECT NAME FROM DATAPLACEMAN WHERE REC = 5"), std::vector<std::string>{""});
    EXPECT_EQ(listRows(5), 0);
}

TEST_F(DataPlaceBoxServerTest, RemovalWaitsUntilThePlaceHoldsNoDataAndKeepsTheFolder)
{
    name(3, "大阪");
    fs::create_directories(m_root / "data03" / "0005");
    m_messages.clear();
    select(3);
    m_messages.expectBox("このフォルダ配下には会計データが存在しているため削除することが出来ません。");
    m_box->F5Click();
    EXPECT_EQ(messages(), std::vector<std::string>{
                              "このフォルダ配下には会計データが存在しているため削除することが出来ません。\r"
                              "どうしても削除を行いたい場合は、配下の会計データをすべて削除してから処理して下さい。"});
    EXPECT_EQ(rows("SELECT NAME FROM DATAPLACEMAN WHERE REC = 3"), std::vector<std::string>{"大阪"});
    EXPECT_EQ(listRows(3), 120);

    // Asked and cancelled: nothing changes.
    fs::remove(m_root / "data03" / "0005");
    m_messages.clear();
    m_messages.expectBox("[大阪]を削除します。よろしいですか？", platform::IDCANCEL);
    m_box->F5Click();
    EXPECT_EQ(messages(), std::vector<std::string>{"[大阪]を削除します。よろしいですか？"});
    EXPECT_EQ(listRows(3), 120);

    m_messages.expectBox("[大阪]を削除します。よろしいですか？");
    m_box->F5Click();
    EXPECT_EQ(rows("SELECT NAME FROM DATAPLACEMAN WHERE REC = 3"), std::vector<std::string>{""});
    EXPECT_EQ(listRows(3), 0);
    EXPECT_TRUE(fs::is_directory(m_root / "data03")) << "the folder stays on the server";
    EXPECT_EQ(m_box->PerfectGrid1()->model().cellText(3, 1), QString());
    EXPECT_EQ(captions(), (std::vector<std::string>{"F2:新規作成", "F3:", "F5:"}));
}

TEST_F(DataPlaceBoxServerTest, AFolderTestThatFailsRefusesTheRemoval)
{
    name(3, "大阪");
    // The server's folder test now fails with an error instead of answering.
    exec("CREATE OR ALTER PROCEDURE DIRECTORYTEST (MODE VARCHAR(10) CHARACTER SET UTF8, "
         "FILEPATH1 VARCHAR(255) CHARACTER SET UTF8) RETURNS (WBOOL INTEGER) "
         "AS BEGIN WBOOL = 1 / 0; SUSPEND; END");
    m_messages.clear();
    select(3);
    m_messages.expectBox("サーバーへのファイル操作(DEXIST)に失敗しました。");
    m_messages.expectBox("このフォルダ配下には会計データが存在しているため削除することが出来ません。");
    m_box->F5Click();
    const auto shown = messages();
    ASSERT_EQ(shown.size(), 2u) << testing::PrintToString(shown);
    EXPECT_EQ(shown[0].rfind("サーバーへのファイル操作(DEXIST)に失敗しました。", 0), 0u) << shown[0];
    EXPECT_EQ(shown[1].rfind("このフォルダ配下には会計データが存在しているため削除することが出来ません。", 0), 0u);
    EXPECT_EQ(rows("SELECT NAME FROM DATAPLACEMAN WHERE REC = 3"), std::vector<std::string>{"大阪"});
    EXPECT_EQ(listRows(3), 120);
}

TEST_F(DataPlaceBoxServerTest, KeysWorkTheDialogAndEscKeepsWhatWasStored)
{
    name(3, "大阪");
    m_messages.clear();
    SystemDef.ServerDataPlace = 3;
    m_messages.onDialog([this](QDialog& d) {
        QApplication::setActiveWindow(&d);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
        EXPECT_EQ(d.windowTitle(), QStringLiteral("データの場所の設定"));
        EXPECT_TRUE(m_box->PerfectGrid1()->hasFocus());
        EXPECT_EQ(m_box->PerfectGrid1()->currentRow(), 3);
        saveShot(d, "DataPlaceBox");
        answerInput("梅田");
        QTest::keyClick(m_box->PerfectGrid1(), Qt::Key_F3);
        QCoreApplication::processEvents();
        QTest::keyClick(m_box->PerfectGrid1(), Qt::Key_Return); // does nothing
        QTest::keyClick(m_box->PerfectGrid1(), Qt::Key_F12);    // swallowed
        QCoreApplication::processEvents();
        EXPECT_TRUE(d.isVisible());
        QTest::keyClick(m_box->PerfectGrid1(), Qt::Key_Escape);
        QCoreApplication::processEvents();
        return d.result();
    });
    EXPECT_EQ(m_box->Execute(), int(platform::mrCancel));
    EXPECT_EQ(rows("SELECT NAME FROM DATAPLACEMAN WHERE REC = 3"), std::vector<std::string>{"梅田"});
    EXPECT_TRUE(messages().empty()) << testing::PrintToString(messages());

    // "閉じる" closes with OK.
    m_messages.onDialog([this](QDialog& d) {
        m_box->btnClose()->Click();
        QCoreApplication::processEvents();
        return d.result();
    });
    EXPECT_EQ(m_box->Execute(), int(platform::mrOk));
}

} // namespace
