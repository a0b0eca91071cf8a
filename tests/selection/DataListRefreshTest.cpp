// The data-selection dialog's 更新 and 情報 over a real system database and real company
// databases in the slot folders.
#include "DataSelectionFixture.h"

#include "firebird/Attachment.h"
#include "selection/DataInfoDialog.h"
#include "ui/NumericKanaEdit.h"
#include "ui/ProgressDialog.h"

#include <QTimer>

#include <map>

namespace {

namespace fs = std::filesystem;
namespace paths = platform::paths;
using seltest::rowOf;
using seltest::slotFolder;

const std::vector<std::string> kAllRows = {"SyoriType=3"};

class DataListRefreshTest : public seltest::DataSelectionDialogTest {
protected:
    void SetUp() override
    {
        seltest::DataSelectionDialogTest::SetUp();
        // The base fixture's slots 1 and 40 hold placeholder bytes; here every data file is real.
        fs::remove_all(slot(40));
        fs::remove_all(slot(1));
        company(slot(1));
    }

    fs::path slot(int rec) const
    {
        char name[16];
        std::snprintf(name, sizeof name, "%.4d", rec);
        return m_root / "c" / "ZAIMU" / "DATA" / name;
    }

    // A real company database (テスト商店, type 2/1, 2024) in folder.
    void company(const fs::path& folder, const std::string& sql = "")
    {
        testsupport::FixtureDb::copyTo("company", folder / "dwacc.fdb");
        if (!sql.empty())
            companySql(folder, sql);
    }

    void companySql(const fs::path& folder, const std::string& sql)
    {
        firebird::Attachment a;
        a.connect(testsupport::morabyParams((folder / "dwacc.fdb").string()));
        for (std::size_t from = 0; from < sql.size();) {
            const std::size_t end = sql.find(';', from);
            const std::string one = sql.substr(from, end == std::string::npos ? std::string::npos : end - from);
            if (one.find_first_not_of(" \n") != std::string::npos)
                a.executeImmediate(one);
            from = end == std::string::npos ? sql.size() : end + 1;
        }
        a.disconnect();
    }

    std::string companyValue(const fs::path& folder, const std::string& sql)
    {
        firebird::Attachment a;
        a.connect(testsupport::morabyParams((folder / "dwacc.fdb").string()));
        firebird::Transaction tr(a);
        tr.start();
        firebird::Statement st(tr, sql);
        auto c = st.open();
        return c.fetch() ? c.getString(0) : std::string("(none)");
    }

    static void writeIni(const fs::path& folder, const std::string& text)
    {
        fs::create_directories(folder);
        testsupport::writeFile(folder / "dwacc.ini", platform::text::toCp932(text));
    }

    static std::string iniValue(int rec, const char* section, const char* key)
    {
        const platform::IniFile ini(paths::join(slotFolder(rec), DataIniFile));
        return ini.readString(section, key, "(none)");
    }

    std::unique_ptr<TDataSentakuBox> openBox()
    {
        auto box = dialog(kAllRows);
        box->StartDialog();
        box->show();
        QCoreApplication::processEvents();
        return box;
    }

    std::string cell(TDataSentakuBox& box, int rec, int col)
    {
        const int row = rowOf(box, rec);
        return row < 0 ? "(no row)" : box.PerfectGrid1()->model().cellText(row, col).toStdString();
    }

    // 更新 with Yes, as a user clicks it.
    void refreshAll(TDataSentakuBox& box)
    {
        m_messages.answer(platform::IDYES);
        box.btnListUpdate()->Click();
    }
};

TEST_F(DataListRefreshTest, RefreshBringsEveryRowUpToDate)
{
    // 3: named, its data gone, its information file left behind, and a stale child row.
    writeIni(slot(3), "[DATASTS]\r\nSTATUS=1\r\n");
    exec("INSERT INTO CHILD_DATALIST (REC, ROWNO, GROUPID, ENTTEXT, PASNAME, GASSAN) VALUES "
         "(3, 1, 10000, 'X', 'C:\\ZAIMU\\DATA\\0003\\001', 10)");
    // 4: the information file says 旧, the data says 新.
    company(slot(4), "UPDATE ACCDEF1 SET ENTTEXT='新'");
    writeIni(slot(4), "[DATASTS]\r\nSTATUS=1\r\n[DATAINFO]\r\nDATALISTNAME=旧\r\n");
    // 5: consolidated, 001 without data, 002 with data; the catalogue still lists three children.
    company(slot(5), "UPDATE OR INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES "
                     "('基本設定', '合算データ区分', '整数', '1')");
    fs::create_directories(slot(5) / "001");
    company(slot(5) / "002", "UPDATE ACCDEF1 SET ENTTEXT='支店二'");
    exec("UPDATE DATALIST SET GASSAN=1 WHERE REC=5");
    for (int n = 1; n <= 3; ++n)
        exec("INSERT INTO CHILD_DATALIST (REC, ROWNO, GROUPID, ENTTEXT, PASNAME, GASSAN) VALUES (5, " +
             std::to_string(n) + ", 10000, '子" + std::to_string(n) + "', 'C:\\ZAIMU\\DATA\\0005\\00" +
             std::to_string(n) + "', 10)");
    // 6: consolidated with one child whose database is unreadable.
    company(slot(6), "UPDATE OR INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES "
                     "('基本設定', '合算データ区分', '整数', '1')");
    fs::create_directories(slot(6) / "001");
    testsupport::writeFile(slot(6) / "001" / "dwacc.fdb", "not a database");
    exec("UPDATE DATALIST SET GASSAN=1 WHERE REC=6");

    auto box = openBox();
    ASSERT_EQ(rowOf(*box, 6), rowOf(*box, 5) + 4) << "the three stale children are listed";
    // The unreadable child is reported by the database error handler as it is read.
    m_messages.expectBox("データリストの更新をおこないます。", platform::IDYES);
    m_messages.expectBox("ユーザーデータベースの接続処理に失敗しました。");
    m_messages.expectBox("ユーザーデータベースの接続処理に失敗しました。");
    box->btnListUpdate()->Click();

    EXPECT_EQ(rows("SELECT ENTTEXT, SHOUGOU, NENDO FROM DATALIST WHERE REC=3"),
              (std::vector<std::string>{"||1"}));
    EXPECT_TRUE(rows("SELECT ROWNO FROM CHILD_DATALIST WHERE REC=3").empty());
    EXPECT_FALSE(fs::exists(slot(3) / "dwacc.ini"));
    EXPECT_EQ(cell(*box, 3, 2), "");

    EXPECT_EQ(rows("SELECT ENTTEXT, SHOUGOU, DATACODE, NENDO, DATATYPE, CODETYPE FROM DATALIST WHERE REC=4"),
              (std::vector<std::string>{"新|テスト商店|0001|2024|2|1"}));
    EXPECT_EQ(iniValue(4, "DATAINFO", "DATALISTNAME"), "新");
    EXPECT_EQ(cell(*box, 4, 2), "新");

    EXPECT_EQ(rows("SELECT ROWNO, PASNAME, ENTTEXT, GASSAN, DATA_STATUS FROM CHILD_DATALIST WHERE REC=5"),
              (std::vector<std::string>{"1|C:\\ZAIMU\\DATA\\0005\\002|支店二|10|0"}));
    const int parent5 = rowOf(*box, 5);
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(parent5 + 1, 2).toStdString(), "01 支店二");
    EXPECT_EQ(rowOf(*box, 6), parent5 + 2);

    EXPECT_EQ(rows("SELECT ROWNO, ENTTEXT, SHOUGOU, NENDO, DATA_STATUS FROM CHILD_DATALIST WHERE REC=6"),
              (std::vector<std::string>{"1|破損データ|テスト商店|2024|1"}));
    EXPECT_EQ(box->PerfectGrid1()->model().rowBackColor(rowOf(*box, 6)), 0x0000FFu) << "a damaged child";

    // The rows after the shifted ones were refreshed too.
    EXPECT_EQ(rows("SELECT ENTTEXT FROM DATALIST WHERE REC IN (7, 80) ORDER BY REC"),
              (std::vector<std::string>{"", ""}));
    // The damaged row is only shown red.
    EXPECT_EQ(rows("SELECT ENTTEXT, DATA_STATUS FROM DATALIST WHERE REC=2"),
              (std::vector<std::string>{"壊れた会社|1"}));
    EXPECT_EQ(box->ListProgress()->Handle(), nullptr) << "the progress window is closed";
    EXPECT_TRUE(box->isEnabled());
    saveShot(*box, "data-selection-refreshed");
}

TEST_F(DataListRefreshTest, CancelStopsAfterTheCurrentRow)
{
    fs::remove_all(slot(1)); // row 1: A社 without data
    auto box = openBox();
    ASSERT_EQ(rowOf(*box, 1), 0);
    std::vector<QString> lines;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        TxAnimeProgressDialog* p = box->ListProgress();
        if (!p->Handle())
            return;
        const QString line = p->InfoLabel();
        if (line.startsWith(QStringLiteral("データリスト（")) && (lines.empty() || lines.back() != line))
            lines.push_back(line);
        if (p->InfoLabel() == QStringLiteral("データリスト（1行目）の更新中…") && p->cancelButton()) {
            saveShot(*p->Handle(), "data-list-refresh-progress");
            p->cancelButton()->click();
        }
    });
    watch.start(0);
    refreshAll(*box);
    watch.stop();

    EXPECT_EQ(lines, (std::vector<QString>{QStringLiteral("データリスト（1行目）の更新中…")}));
    EXPECT_EQ(rows("SELECT REC, ENTTEXT FROM DATALIST WHERE REC IN (1, 3) ORDER BY REC"),
              (std::vector<std::string>{"1|", "3|古い会社"}))
        << "row 1 refreshed, row 3 never reached";
    ASSERT_FALSE(m_messages.boxes().empty());
    EXPECT_EQ(m_messages.boxes()[0].text, "データリストの更新をおこないます。\rよろしいですか？");
    EXPECT_EQ(m_messages.boxes()[0].kind, "question");
}

TEST_F(DataListRefreshTest, SharedRowsKeptOnTheServerAreLeftAlone)
{
    // Slot 9 names a data set kept in the shared area; nothing of it is here by nature.
    std::filesystem::create_directories(m_root / "s" / "KYOYU" / "0001");
    paths::mapDrive('S', m_root / "s");
    const std::string areaIni = "[DATASTS]\r\nSTATUS=1\r\nSHARE_STATUS=1\r\n[DATAINFO]\r\nDATALISTNAME=共有の会社\r\n";
    writeIni(m_root / "s" / "KYOYU" / "0001", areaIni);
    exec("UPDATE DATALIST SET ENTTEXT='共有の会社', SHOUGOU='共有の会社', NETDRIVE=1, KYOYULOCK=0, "
         "PASNAME='S:\\KYOYU\\0001' WHERE REC=9");
    auto box = openBox();
    const int row = rowOf(*box, 9);
    ASSERT_GE(row, 0);
    const auto serverRows = rows("SELECT COUNT(*) FROM SERVERDATALIST");
    box->DataListRefresh(row);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM SERVERDATALIST"), serverRows);
    EXPECT_EQ(rows("SELECT ENTTEXT, NETDRIVE, KYOYULOCK, PASNAME FROM DATALIST WHERE REC=9"),
              (std::vector<std::string>{"共有の会社|1|0|S:\\KYOYU\\0001"}));
    EXPECT_EQ(testsupport::readFile(m_root / "s" / "KYOYU" / "0001" / "dwacc.ini"), platform::text::toCp932(areaIni));
    EXPECT_EQ(cell(*box, 9, 2), "共有の会社");
}

TEST_F(DataListRefreshTest, OneRowAtATime)
{
    // A shared data set fetched here: refreshed from its local copy and stored in the shared list
    // with its name, which the shared area's information file takes too.
    std::filesystem::create_directories(m_root / "s" / "KYOYU" / "0002");
    paths::mapDrive('S', m_root / "s");
    writeIni(m_root / "s" / "KYOYU" / "0002", "[DATASTS]\r\nSTATUS=1\r\nSHARE_STATUS=2\r\n");
    company(slot(10), "UPDATE ACCDEF1 SET ENTTEXT='ふたつめ'");
    exec("UPDATE DATALIST SET NETDRIVE=1, KYOYULOCK=1, PASNAME='S:\\KYOYU\\0002' WHERE REC=10");
    // A consolidated parent whose second child's folder is gone.
    company(slot(11));
    company(slot(11) / "001");
    exec("UPDATE DATALIST SET GASSAN=1 WHERE REC=11");
    for (int n = 1; n <= 2; ++n)
        exec("INSERT INTO CHILD_DATALIST (REC, ROWNO, GROUPID, ENTTEXT, PASNAME, GASSAN) VALUES (11, " +
             std::to_string(n) + ", 10000, '子" + std::to_string(n) + "', 'C:\\ZAIMU\\DATA\\0011\\00" +
             std::to_string(n) + "', 10)");
    // An unreadable data set that the damage check finds damaged.
    fs::create_directories(slot(12));
    // Pages of noise: a file too short to hold a page is only an I/O error.
    testsupport::writeFile(slot(12) / "dwacc.fdb", std::string(32768, 'x'));
    SystemDef.DataHasonCheck = 1;
    DataHasonProc = [](const std::string&, const std::string&, int) {
        SystemDef.DataBroken = 1;
        return 0;
    };

    auto box = openBox();
    auto& m = box->PerfectGrid1()->model();
    box->DataListRefresh(rowOf(*box, 10));
    EXPECT_EQ(cell(*box, 10, 2), "ふたつめ");
    EXPECT_EQ(rows("SELECT ENTTEXT, PASNAME FROM SERVERDATALIST WHERE DRIVELETTER='S'"),
              (std::vector<std::string>{"ふたつめ|S:\\KYOYU\\0002"}));
    const std::string areaIni = testsupport::readFile(m_root / "s" / "KYOYU" / "0002" / "dwacc.ini");
    EXPECT_NE(areaIni.find(platform::text::toCp932("DATALISTNAME=ふたつめ")), std::string::npos);

    const int parent = rowOf(*box, 11);
    ASSERT_EQ(m.cellText(parent + 2, 2).toStdString(), "02 子2");
    box->DataListRefresh(parent + 2);
    EXPECT_EQ(rowOf(*box, 12), parent + 2) << "the vanished child's row is gone";
    EXPECT_EQ(box->DataList[std::size_t(m.cellNumber(parent, 14))].Children.size(), 1u);
    EXPECT_EQ(rows("SELECT ROWNO FROM CHILD_DATALIST WHERE REC=11 ORDER BY ROWNO"),
              (std::vector<std::string>{"1", "2"}))
        << "only the list in memory forgets it";

    const int damaged = rowOf(*box, 12);
    m_messages.expectBox("ユーザーデータベースの接続処理に失敗しました。");
    m_messages.expectBox("ユーザーデータベースの接続処理に失敗しました。");
    box->DataListRefresh(damaged);
    DataHasonProc = nullptr;
    EXPECT_EQ(box->GetRowRec(damaged)->DATA_STATUS, 1);
    EXPECT_EQ(m.cellNumber(damaged, 16), 1);
    EXPECT_EQ(m.rowBackColor(damaged), 0x0000FFu);
}

TEST_F(DataListRefreshTest, WorkRecordFillAndClear)
{
    auto box = openBox();
    const fs::path folder = slot(50);
    fs::create_directories(folder);
    testsupport::writeFile(folder / "dwacc.fdb", "data");
    const std::string path = slotFolder(50);
    struct Case {
        const char* what;
        std::string ini;
        TDataListRec in;
        std::function<void(const TDataListRec&)> check;
    };
    TDataListRec local;
    local.REC = 50;
    local.PASNAME = path;
    local.ENTTEXT = "元の名前";
    local.GASSAN = 1;
    TDataListRec shared = local;
    shared.NETDRIVE = 1;
    shared.ENTTEXT = "空き領域";
    TDataListRec child = local;
    child.ROWNO = 2;
    child.GASSAN = GassanChild;
    const std::string info = "[DATAINFO]\r\nCODE=K9\r\nSHOUGOU=九商事\r\nNENDO=7\r\nKISHU=2024/04/01\r\n"
                             "KIMATU=2025/03/31\r\nDATAKBN=2\r\nCODEKBN=4\r\nTANTO=3\r\nVERSION1=8.1.2\r\n"
                             "VERSION2=Ver8.1\r\nGASSANKBN=0\r\n";
    const Case cases[] = {
        {"locked by operator 5, taken out by this one", "[DATASTS]\r\nSTATUS=3\r\nOPCODE=100000005\r\nSHARE_STATUS=2\r\n"
                                                         "SHARE_OPCODE=100000011\r\nUPDATE_LOCK=1\r\n" + info,
         local, [](const TDataListRec& r) {
             EXPECT_EQ(r.DATALOCK, 5);
             EXPECT_EQ(r.KYOYULOCK, 1);
             EXPECT_EQ(r.UPDATE_LOCK, 1);
             EXPECT_EQ(r.ENTTEXT, "九商事") << "the information's name is the company name";
             EXPECT_EQ(r.DATACODE, "K9");
             EXPECT_EQ(r.NENDO, 7);
             EXPECT_EQ(r.DATATYPE * 10 + r.CODETYPE, 24);
             EXPECT_EQ(r.TANTOU, 3);
             EXPECT_EQ(r.VER_MAJOR * 100 + r.VER_MINOR1 * 10 + r.VER_MINOR2, 812);
             EXPECT_EQ(r.VER_TEXT, "Ver8.1");
             EXPECT_EQ(r.GASSAN, 0);
             EXPECT_FALSE(r.KikanText.empty());
             EXPECT_EQ(r.REC, 50);
         }},
        {"a named list entry and unreadable dates", "[DATASTS]\r\nSTATUS=1\r\n[DATAINFO]\r\nDATALISTNAME=一覧名\r\n"
                                                     "SHOUGOU=九商事\r\nKISHU=2024-04-01\r\nKIMATU=x\r\n",
         local, [](const TDataListRec& r) {
             EXPECT_EQ(r.ENTTEXT, "一覧名");
             EXPECT_EQ(r.DispName, "一覧名");
             EXPECT_EQ(r.KISHU, 0);
             EXPECT_TRUE(r.KikanText.empty());
             EXPECT_EQ(r.DATALOCK, 0);
             EXPECT_EQ(r.KYOYULOCK, 0);
         }},
        {"a shared placeholder takes the company name", "[DATASTS]\r\nSTATUS=1\r\n[DATAINFO]\r\nDATALISTNAME=空き領域\r\n"
                                                         "SHOUGOU=九商事\r\n",
         shared, [](const TDataListRec& r) { EXPECT_EQ(r.ENTTEXT, "九商事"); }},
        {"a child stays in the child table", "[DATASTS]\r\nSTATUS=1\r\n" + info, child, [](const TDataListRec& r) {
             EXPECT_EQ(r.GASSAN, GassanChild);
             EXPECT_EQ(r.ROWNO, 2);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeIni(folder, c.ini);
        box->CheckDataStatus(path, false, false); // reads the information into the work record
        TDataListRec r = c.in;
        box->SetDataListRec(r, false);
        c.check(r);
    }

    // Clearing keeps the slot, its folder and kind of place.
    TDataListRec full = local;
    full.ROWNO = 3;
    full.DATACODE = "K9";
    full.NENDO = 9;
    full.KISHU = 45000;
    full.DATA_STATUS = 1;
    full.UPDATE_LOCK = 1;
    box->SetDataListRec(full, true);
    EXPECT_EQ(full.REC, 50);
    EXPECT_EQ(full.ROWNO, 0);
    EXPECT_EQ(full.PASNAME, path);
    EXPECT_EQ(full.NENDO, 1);
    EXPECT_TRUE(full.ENTTEXT.empty() && full.DATACODE.empty() && full.DispName.empty());
    EXPECT_EQ(full.KISHU, 0.0);
    EXPECT_EQ(full.DATA_STATUS + full.UPDATE_LOCK + full.GASSAN, 0);
    EXPECT_EQ(full.GROUPID, 10000);
    TDataListRec area = shared;
    area.ENTTEXT = "共有の会社";
    box->SetDataListRec(area, true);
    EXPECT_EQ(area.ENTTEXT, "空き領域");
    EXPECT_EQ(area.DispName, "空き領域");
    EXPECT_EQ(area.KYOYULOCK, 1);
    EXPECT_EQ(area.NETDRIVE, 1);

    TDataListRec noFolder;
    noFolder.REC = 50;
    noFolder.PASNAME = " ";
    try {
        box->WriteDataListRec(noFolder);
        ADD_FAILURE() << "an entry without a folder is written";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "データフォルダパスが不正です。\r処理を中止します。");
    }
}

TEST_F(DataListRefreshTest, ButtonsRefuseWhileTheListDoesNotRespond)
{
    auto box = openBox();
    box->PerfectGrid1()->setEnabled(false);
    m_messages.expectBox("データリストが応答状態ではないので処理は行えません。");
    m_messages.expectBox("データリストが応答状態ではないので処理は行えません。");
    box->btnListUpdate()->Click();
    box->btnDataInfo()->Click();
    ASSERT_EQ(m_messages.boxes().size(), 2u);
    for (const auto& b : m_messages.boxes()) {
        EXPECT_EQ(b.text, "データリストが応答状態ではないので処理は行えません。");
        EXPECT_EQ(b.kind, "information");
    }

    // The server modes have their own refresh and information steps: the buttons are live there too.
    for (std::uint8_t mode : {1, 2}) {
        ConnectMode = mode;
        TDataSentakuBox server;
        EXPECT_TRUE(server.btnListUpdate()->isEnabled()) << int(mode);
        EXPECT_TRUE(server.btnDataInfo()->isEnabled()) << int(mode);
    }
    ConnectMode = 0;
}

TEST_F(DataListRefreshTest, InformationShowsTheDataSetAndStoresANewNameThatSurvivesRefresh)
{
    company(slot(4), "INSERT INTO SISETUMST (SCODE, SNAME, SIWAKECOUNT) VALUES ('01', '本店', 12)");
    auto box = openBox();
    box->PerfectGrid1()->setCurrentRow(rowOf(*box, 4));
    std::map<int, std::string> shown;
    m_messages.onDialog([&](QDialog& d) {
        auto& info = dynamic_cast<TDataSyosaiInfoBox&>(d);
        EXPECT_EQ(d.windowTitle(), QStringLiteral("データの詳細情報"));
        for (int v : {TDataSyosaiInfoBox::vKind, TDataSyosaiInfoBox::vName, TDataSyosaiInfoBox::vNendo,
                      TDataSyosaiInfoBox::vSiwake})
            shown[v] = info.value(v)->text().toStdString();
        EXPECT_EQ(info.DataFolder, "C:\\ZAIMU\\DATA\\0004");
        EXPECT_EQ(info.txtListName()->text(), QStringLiteral("法人一"));
        saveShot(d, "data-information-from-list");
        info.txtListName()->setText(QStringLiteral("新しい名前"));
        info.chkUpdateLock()->setChecked(true);
        QTest::mouseClick(info.btnOK(), Qt::LeftButton);
        return d.result();
    });
    box->btnDataInfo()->Click();
    EXPECT_EQ(shown, (std::map<int, std::string>{{TDataSyosaiInfoBox::vKind, "個人(一般)"},
                                                 {TDataSyosaiInfoBox::vName, "テスト商店"},
                                                 {TDataSyosaiInfoBox::vNendo, "2024期"},
                                                 {TDataSyosaiInfoBox::vSiwake, "12件"}}));
    EXPECT_EQ(cell(*box, 4, 2), "新しい名前");
    EXPECT_EQ(rows("SELECT ENTTEXT, UPDATE_LOCK FROM DATALIST WHERE REC=4"),
              (std::vector<std::string>{"新しい名前|1"}));
    EXPECT_EQ(companyValue(slot(4), "SELECT ENTTEXT || '|' || DATALOCK FROM ACCDEF1 WHERE REC=1"), "新しい名前|1");
    EXPECT_EQ(iniValue(4, "DATAINFO", "DATALISTNAME"), "新しい名前");
    EXPECT_EQ(iniValue(4, "DATASTS", "UPDATE_LOCK"), "1");

    refreshAll(*box);
    EXPECT_EQ(cell(*box, 4, 2), "新しい名前");
    EXPECT_EQ(rows("SELECT ENTTEXT, UPDATE_LOCK, SHOUGOU FROM DATALIST WHERE REC=4"),
              (std::vector<std::string>{"新しい名前|1|テスト商店"}));
}

TEST_F(DataListRefreshTest, TheListHasTheFocusAgainWhenInformationCloses)
{
    auto box = openBox();
    QApplication::setActiveWindow(box.get());
    box->PerfectGrid1()->setCurrentRow(rowOf(*box, 4));
    box->PerfectGrid1()->setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(box->PerfectGrid1()->hasFocus());
    bool shown = false;
    m_messages.onDialog([&](QDialog& d) {
        shown = true;
        QApplication::setActiveWindow(&d);
        d.activateWindow();
        QCoreApplication::processEvents();
        QTest::mouseClick(dynamic_cast<TDataSyosaiInfoBox&>(d).btnCancel(), Qt::LeftButton);
        QCoreApplication::processEvents();
        return d.result();
    });
    box->btnDataInfo()->Click();
    QApplication::setActiveWindow(box.get());
    QCoreApplication::processEvents();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(box->PerfectGrid1()->hasFocus())
        << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "none");
}

TEST_F(DataListRefreshTest, AFolderLeftInUseClearedByItsHolderCanBeChosenAgain)
{
    company(slot(4));
    writeIni(slot(4), "[DATASTS]\r\nSTATUS=2\r\nOPCODE=100000011\r\nOPERATOR=担当一\r\nSHARE_STATUS=1\r\n");
    auto box = openBox();
    const int row = rowOf(*box, 4);
    box->PerfectGrid1()->setCurrentRow(row);
    m_messages.onDialog([&](QDialog& d) {
        auto& info = dynamic_cast<TDataSyosaiInfoBox&>(d);
        EXPECT_EQ(info.lblStatus()->text(), QStringLiteral("使用中"));
        EXPECT_TRUE(info.chkClear()->isVisibleTo(&info));
        info.chkClear()->setChecked(true);
        info.txtListName()->setText(QStringLiteral("使えるように"));
        QTest::mouseClick(info.btnOK(), Qt::LeftButton);
        return d.result();
    });
    box->btnDataInfo()->Click();
    EXPECT_EQ(iniValue(4, "DATASTS", "STATUS"), "1");
    EXPECT_EQ(iniValue(4, "DATASTS", "OPCODE"), "(none)");
    EXPECT_EQ(cell(*box, 4, 2), "使えるように") << "the name is stored once the state is clear";

    box->PerfectGrid1()->setFocus();
    box->SetFunctionKeys();
    box->FunctionKey(fkF12)->Click();
    EXPECT_EQ(SystemDef.DataDir, slotFolder(4));
    EXPECT_EQ(box->modalResult(), platform::mrOk);
}

TEST_F(DataListRefreshTest, AFailedDamageCheckMarksTheRowAndARebuildClearsTheMark)
{
    company(slot(4));
    fs::create_directories(m_root / "c" / "ZAIMU" / "temp");
    SystemDef.TempFolder = "C:\\ZAIMU\\temp";
    SystemDef.WinTempFolder = "C:\\ZAIMU\\temp";
    SystemDef.DataHasonCheck = 1;
    DataHasonProc = [](const std::string&, const std::string&, int) {
        SystemDef.DataBroken = 1;
        return 0;
    };
    auto box = openBox();
    const int row = rowOf(*box, 4);
    box->PerfectGrid1()->setCurrentRow(row);
    int statusWhileOpen = -1;
    platform::TColor backWhileOpen = 0;
    m_messages.onDialog([&](QDialog& d) {
        DataHasonProc = nullptr;
        statusWhileOpen = box->GetRowRec(row)->DATA_STATUS;
        backWhileOpen = box->PerfectGrid1()->model().rowBackColor(row);
        auto& info = dynamic_cast<TDataSyosaiInfoBox&>(d);
        m_messages.expectBox("データの再構築を行いますか？");
        m_messages.expectBox("データの再構築は適正に行われました。");
        info.F7Click();
        EXPECT_EQ(info.Rebuilt, 1) << testing::PrintToString(m_messages.texts());
        QTest::mouseClick(info.btnCancel(), Qt::LeftButton);
        return d.result();
    });
    box->btnDataInfo()->Click();
    DataHasonProc = nullptr;
    EXPECT_EQ(statusWhileOpen, 1);
    EXPECT_EQ(backWhileOpen, 0x0000FFu);
    EXPECT_EQ(box->GetRowRec(row)->DATA_STATUS, 0);
    EXPECT_NE(box->PerfectGrid1()->model().rowBackColor(row), 0x0000FFu);
    EXPECT_EQ(rows("SELECT DATA_STATUS, SHOUGOU FROM DATALIST WHERE REC=4"),
              (std::vector<std::string>{"0|テスト商店"}))
        << "the rebuilt data set is read again";
    EXPECT_EQ(box->PerfectGrid1()->currentRow(), row);
}

} // namespace
