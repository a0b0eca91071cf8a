// The data-list report: its print data file read back record by record, page breaks in both
// orientations, the shared list's numbering, the preview of it, where the file is written, and
// F8 of the data-selection dialog on a real catalogue.
#include "selection/DataListReport.h"

#include "DataSelectionFixture.h"

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "print/PreviewWindow.h"
#include "print/ReportComponent.h"
#include "print/ReportEngine.h"
#include "records/ProgramRecords.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using testsupport::MessageRecorder;

TDataSentakuRec entry(int rec, const std::string& name, const std::string& folder)
{
    TDataSentakuRec r;
    r.REC = rec;
    r.DATACODE = "C" + std::to_string(rec);
    r.ENTTEXT = name;
    r.DispName = name;
    r.NENDO = 5;
    r.KikanText = "2024/04/01～2025/03/31";
    r.PASNAME = folder;
    return r;
}

class DataListReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        std::filesystem::create_directories(m_docs);
        ::setenv("ZETRINO_DOCUMENTS_DIR", m_docs.c_str(), 1);
        print::JobDef = print::TVL48DEF{};
        ASSERT_TRUE(print::StartReportEngine(false)) << "the report engine did not start";
        SystemDef.WinTempFolder = m_dir.str();
        SystemDef.DataRoot = "C:\\ZAIMU";
        SystemDef.NetColor1 = 0xC0C0C0;
        SystemDef.NetColor2 = 0xE0E0E0;
    }
    void TearDown() override
    {
        platform::files::clearFaults();
        print::StopReportEngine();
        print::JobDef = print::TVL48DEF{};
        records::resetProgramState();
        ::unsetenv("ZETRINO_DOCUMENTS_DIR");
    }

    // The catalogue of the examples: a set, a consolidated set with three children, an empty slot.
    void threeEntries()
    {
        m_data = {entry(1, "A社", "c:\\zaimu\\data\\0001"), entry(2, "B社連結", "C:\\ZAIMU\\DATA\\0002"),
                  TDataSentakuRec{}};
        m_data[1].GASSAN = 1;
        for (int c = 1; c <= 3; ++c) {
            TDataListRec child = entry(2, "B社" + std::to_string(c), "C:\\Zaimu\\data\\0002\\" + std::to_string(c));
            child.ROWNO = c;
            m_data[1].Children.push_back(child);
        }
        m_data[2].REC = 3;
        m_data[2].DispName = "空き領域";
        m_data[2].PASNAME = "C:\\ZAIMU\\DATA\\0003";
        m_order = {0, 1, 2};
    }
    void manyEntries(int n)
    {
        m_data.clear();
        m_order.clear();
        for (int i = 1; i <= n; ++i) {
            m_data.push_back(entry(i, "社" + std::to_string(i), "D:\\other\\" + std::to_string(i)));
            m_order.push_back(i - 1);
        }
    }

    // Runs the report into a kept data file (through the preview, closed at once) and returns
    // its lines decoded.
    std::vector<std::string> run(int kind, int orientation, std::string* where = nullptr)
    {
        TPrDataList report;
        report.Engine->DelFile = false;
        print::TPrintDlgBox::InitDefaultPrintRec(report.PrintRec);
        report.ListKind = kind;
        report.ListData = &m_data;
        report.DispOrder = &m_order;
        report.ListOrientation = orientation;
        MessageRecorder rec;
        rec.onDialog([&](QDialog& d) {
            auto* f = qobject_cast<print::TImageDispForm*>(&d);
            if (!f) {
                ADD_FAILURE() << "the preview did not open";
                return 0;
            }
            f->activateWindow();
            QApplication::processEvents();
            if (where)
                *where = f->wherePage()->text().toStdString();
            if (kind == 0 && orientation == 0)
                f->paintBox()->grab().save(QString(TEST_BINARY_DIR) + "/data-list-preview.png");
            return 0;
        });
        report.PrintOut(false);
        m_file = report.Engine->DataFile;
        std::vector<std::string> lines;
        const std::string bytes = testsupport::readFile(platform::paths::toNative(m_file));
        std::size_t start = 0;
        while (start < bytes.size()) {
            const std::size_t end = bytes.find("\r\n", start);
            lines.push_back(platform::text::fromCp932(bytes.substr(start, end - start)));
            if (end == std::string::npos)
                break;
            start = end + 2;
        }
        return lines;
    }
    static bool has(const std::vector<std::string>& lines, const std::string& prefix)
    {
        for (const std::string& l : lines)
            if (l.rfind(prefix, 0) == 0)
                return true;
        return false;
    }
    static int indexOf(const std::vector<std::string>& lines, const std::string& prefix, int from = 0)
    {
        for (int i = from; i < static_cast<int>(lines.size()); ++i)
            if (lines[i].rfind(prefix, 0) == 0)
                return i;
        return -1;
    }

    testsupport::TempDir m_dir;
    std::filesystem::path m_docs = m_dir.path() / "Documents";
    TDataSentakuRecArray m_data;
    TDataSentakuRecDispArray m_order;
    std::string m_file;
};

TEST_F(DataListReportTest, LocalListInPortrait)
{
    threeEntries();
    std::string where;
    const auto lines = run(0, 0, &where);
    EXPECT_EQ(where, "1/1");
    EXPECT_EQ(lines[0].substr(0, 10), "*VELLUM48*");
    EXPECT_TRUE(has(lines, "*ORIENTATION=0"));
    // Header, as the layout table gives it for portrait.
    for (const char* l : {"TEXT;1000;150;データリスト;ＭＳ 明朝;16;;黒;1;CENTER;0;",
                          "TEXT;2000;250;PAGE    1;ＭＳ 明朝;9;;黒;1;RIGHT;0;",
                          "LINE;150;300;2000;300;4;0;0;", "TEXT;180;325;No;",
                          "TEXT;250;325;データリスト名;", "TEXT;1050;325;会計年度;",
                          "TEXT;1350;325;会計期間;", "TEXT;1600;325;データフォルダ;",
                          "LINE;150;390;2000;390;4;0;0;", "LINE;150;2820;2000;2820;4;0;0;"})
        EXPECT_TRUE(has(lines, l)) << l;
    EXPECT_FALSE(has(lines, "TEXT;250;325;コード;"));
    // Rows: the slot number, the name, year, period and the folder with the root as "~".
    for (const char* l : {"TEXT;170;405;  1;ＭＳ 明朝;9;", "TEXT;250;405;A社;",
                          "TEXT;1050;405;5 期;ＭＳ 明朝;9;;黒;1;CENTER;",
                          "TEXT;1350;405;2024/04/01～2025/03/31;", "TEXT;1600;405;~\\data\\0001;",
                          "LINE;150;439;2000;439;0;2;0;", "TEXT;170;449;  2;",
                          // Children: no number, the name at the same place.
                          "TEXT;250;493;B社1;", "TEXT;1600;493;~\\data\\0002\\1;",
                          "TEXT;250;581;B社3;",
                          // The empty slot: year and period empty, aligned left.
                          "TEXT;170;625;  3;", "TEXT;250;625;空き領域;",
                          "TEXT;1050;625;;ＭＳ 明朝;9;;黒;1;LEFT;", "TEXT;1350;625;;ＭＳ 明朝;9;;黒;1;LEFT;"})
        EXPECT_TRUE(has(lines, l)) << l;
    EXPECT_EQ(indexOf(lines, "TEXT;170;493;"), -1) << "children carry no number";
    EXPECT_EQ(indexOf(lines, "E;"), -1);
}

TEST_F(DataListReportTest, TheWorkedExampleIsWrittenRecordForRecord)
{
    // The catalogue of the data-list example: a set, a consolidated set with two branches and
    // an empty slot, in monochrome, with the data root in another letter case.
    SystemDef.DataRoot = "/srv/Zaimu";
    SystemDef.NetColor1 = 0xD7FFD7;
    SystemDef.NetColor2 = 0xD7FFD7;
    m_data.assign(3, TDataSentakuRec{});
    m_data[0] = entry(1, "サンプル商事", "/SRV/ZAIMU/data/0001");
    m_data[0].NENDO = 12;
    m_data[0].KikanText = "2023/04/01～2024/03/31";
    m_data[1] = entry(2, "合算グループ", "/srv/zaimu/data/0002");
    m_data[1].GASSAN = 1;
    m_data[1].KikanText = "2024/01/01～2024/12/31";
    for (const char* branch : {"01 本店", "02 支店"}) {
        TDataListRec child = entry(2, branch, std::string("/srv/Zaimu/data/0002/0") + branch[1]);
        child.KikanText = m_data[1].KikanText;
        m_data[1].Children.push_back(child);
    }
    m_data[2].REC = 3;
    m_data[2].PASNAME = "/srv/Zaimu/data/0003";
    m_order = {0, 1, 2};
    auto lines = run(0, 0);
    std::string golden = testsupport::readFile(std::string(TEST_SOURCE_DIR) +
                                               "/../print/data/data-list-example.txt");
    std::vector<std::string> expected;
    for (std::size_t start = 0; start < golden.size();) {
        const std::size_t end = golden.find('\n', start);
        expected.push_back(golden.substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    // The folder and the day of writing differ from run to run.
    for (auto* list : {&lines, &expected})
        for (std::string& l : *list)
            if (l.rfind("*PATH=", 0) == 0 || l.rfind("*DATE=", 0) == 0)
                l = l.substr(0, 6);
    EXPECT_EQ(lines, expected);
}

TEST_F(DataListReportTest, PagesBreakAfterTheirLastLine)
{
    struct Case {
        int orientation;
        int entries;
        int perPage;
        std::string pageNo;
        std::string codeCaption;
    };
    for (const Case& c : {Case{0, 56, 55, "TEXT;2000;250;PAGE    2;", ""},
                          Case{1, 36, 35, "TEXT;2820;250;PAGE    2;", "TEXT;250;325;コード;"}}) {
        manyEntries(c.entries);
        std::string where;
        const auto lines = run(0, c.orientation, &where);
        EXPECT_EQ(where, "1/2");
        const int brk = indexOf(lines, "E;");
        ASSERT_GE(brk, 0);
        EXPECT_EQ(indexOf(lines, "E;", brk + 1), -1) << "one page break only";
        EXPECT_GT(indexOf(lines, c.pageNo, brk), brk);
        char last[64];
        std::snprintf(last, sizeof last, "TEXT;170;405;%3d;", c.entries);
        EXPECT_GT(indexOf(lines, last, brk), brk) << "the last entry starts page 2 at y 405";
        // No separator under a page's last line: the bottom rule stands there.
        const int lastY = 361 + 44 * c.perPage;
        EXPECT_EQ(indexOf(lines, "LINE;150;" + std::to_string(lastY + 34) + ";"), -1);
        if (!c.codeCaption.empty()) {
            EXPECT_TRUE(has(lines, c.codeCaption));
            EXPECT_TRUE(has(lines, "TEXT;250;405;C1;"));
            EXPECT_TRUE(has(lines, "LINE;150;1945;2820;1945;4;0;0;"));
        }
    }
}

TEST_F(DataListReportTest, SharedListNumbersInPrintOrder)
{
    threeEntries();
    m_order = {2, 0, 1};
    const auto lines = run(1, 0);
    EXPECT_TRUE(has(lines, "TEXT;1000;150;共有データリスト;"));
    const int one = indexOf(lines, "TEXT;170;405;  1;");
    const int two = indexOf(lines, "TEXT;170;449;  2;");
    const int three = indexOf(lines, "TEXT;170;493;  3;");
    EXPECT_TRUE(one > 0 && two > one && three > two);
    EXPECT_TRUE(has(lines, "TEXT;250;405;空き領域;"));
}

TEST_F(DataListReportTest, AnEmptyListHoldsTheHeaderOnly)
{
    std::string where;
    const auto lines = run(0, 0, &where);
    EXPECT_EQ(where, "1/1");
    for (const std::string& l : lines)
        EXPECT_EQ(l[0], '*') << l;
}

TEST_F(DataListReportTest, AFailedWriteLeavesNoFileBehind)
{
    threeEntries();
    TPrDataList report;
    report.ListData = &m_data;
    report.DispOrder = &m_order;
    platform::files::failNext(platform::files::Operation::Write, ENOSPC, 5);
    MessageRecorder rec;
    EXPECT_ANY_THROW(report.PrintOut(false));
    const std::string file = report.Engine->DataFile;
    EXPECT_FALSE(platform::files::fileExists(file)) << file;
    EXPECT_TRUE(rec.boxes().empty());
}

} // namespace

// F8 of the data-selection dialog on a real catalogue: what the preview is shown is the list as
// the dialog holds it.
namespace {

namespace paths = platform::paths;

class DataListF8Test : public seltest::DataSelectionDialogTest {
protected:
    void SetUp() override
    {
        DataSelectionDialogTest::SetUp();
        if (HasFatalFailure())
            return;
        // Three slots: a set, a consolidated set with three branches (its folders written in
        // another letter case of the data root), and an empty slot.
        exec("DELETE FROM DATALIST WHERE REC > 3");
        exec("UPDATE DATALIST SET ENTTEXT='', SHOUGOU='', DATACODE='', DATATYPE=0, CODETYPE=0, NENDO=0, "
             "KISHU='1899-12-30', KIMATU='1899-12-30', UPDATE_LOCK=0, VER_MAJOR=0, VER_MINOR1=0, "
             "VER_MINOR2=0, VER_TEXT='' WHERE REC=3");
        firebird::Transaction tr(m_dm->IBDatabaseDEF);
        tr.start();
        firebird::Statement parent(
            tr, "UPDATE DATALIST SET ENTTEXT=:NAME, SHOUGOU=:NAME, DATACODE=:CODE, DATATYPE=2, "
                "CODETYPE=1, NENDO=:NENDO, KISHU=:KISHU, KIMATU=:KIMATU, GASSAN=:GASSAN, "
                "VER_MAJOR=8, VER_TEXT='Ver8.0', PASNAME=:PASNAME WHERE REC=:REC");
        const auto setParent = [&](int rec, const char* name, const char* code, int nendo,
                                   const char* from, const char* to, int gassan, const char* folder) {
            parent.setString("NAME", name);
            parent.setString("CODE", code);
            parent.setInt("NENDO", nendo);
            parent.setString("KISHU", from);
            parent.setString("KIMATU", to);
            parent.setInt("GASSAN", gassan);
            parent.setString("PASNAME", folder);
            parent.setInt("REC", rec);
            parent.execute();
        };
        setParent(1, "サンプル商事", "A001", 12, "2023-04-01", "2024-03-31", 0, "C:\\ZAIMU\\DATA\\0001");
        setParent(2, "ＡＢＣ合算", "A002", 5, "2024-01-01", "2024-12-31", 1, "c:\\zaimu\\data\\0002");
        firebird::Statement child(
            tr, "INSERT INTO CHILD_DATALIST (REC, ROWNO, GROUPID, ENTTEXT, SHOUGOU, PASNAME, DATATYPE, "
                "CODETYPE, NENDO, KISHU, KIMATU, VER_MAJOR, GASSAN, DATACODE) VALUES (2, :ROWNO, 10000, "
                ":NAME, :NAME, :PASNAME, 2, 1, 5, '2024-01-01', '2024-12-31', 8, 10, :CODE)");
        const char* branches[] = {"本店", "支店", "工場"};
        for (int i = 1; i <= 3; ++i) {
            child.setInt("ROWNO", i);
            child.setString("NAME", branches[i - 1]);
            child.setString("PASNAME", "c:\\zaimu\\data\\0002\\0" + std::to_string(i));
            child.setString("CODE", "B00" + std::to_string(i));
            child.execute();
        }
        tr.commit();
        // Monochrome greys the operator's hatching colours.
        SystemDef.NetColor1 = 0xD7FFD7;
        SystemDef.NetColor2 = 0xD7FFD7;

        const std::filesystem::path docs = m_root.path() / "Documents";
        std::filesystem::create_directories(docs);
        ::setenv("ZETRINO_DOCUMENTS_DIR", docs.c_str(), 1);
        ASSERT_TRUE(print::StartReportEngine(false)) << "the report engine did not start";
        SystemDef.WinTempFolder = m_root.str();
    }
    void TearDown() override
    {
        print::StopReportEngine();
        ::unsetenv("ZETRINO_DOCUMENTS_DIR");
        DataSelectionDialogTest::TearDown();
    }

    static std::vector<std::string> linesOf(const std::string& bytes, const char* end)
    {
        std::vector<std::string> out;
        const std::size_t step = std::strlen(end);
        for (std::size_t start = 0; start < bytes.size();) {
            const std::size_t at = bytes.find(end, start);
            out.push_back(bytes.substr(start, at - start));
            if (at == std::string::npos)
                break;
            start = at + step;
        }
        if (!out.empty() && out.back().empty())
            out.pop_back();
        return out;
    }
};

TEST_F(DataListF8Test, PreviewOfTheCatalogueAsListed)
{
    auto box = dialog({"SyoriType=0"});
    box->StartDialog();
    std::string kept;
    std::string where;
    std::string pageText;
    m_messages.onDialog([&](QDialog& d) {
        auto* options = qobject_cast<print::TDataSentakuPrintDlg*>(&d);
        EXPECT_NE(options, nullptr) << "the print options were not asked for";
        if (!options)
            return int(platform::mrCancel);
        options->portraitButton()->click();
        options->previewButton()->click();
        return int(platform::mrOk);
    });
    m_messages.onDialog([&](QDialog& d) {
        auto* preview = qobject_cast<print::TImageDispForm*>(&d);
        EXPECT_NE(preview, nullptr) << "the preview did not open";
        if (!preview)
            return 0;
        preview->activateWindow();
        QCoreApplication::processEvents();
        where = preview->wherePage()->text().toStdString();
        // The data file lives only while the preview is open: keep a copy of it.
        kept = testsupport::readFile(paths::toNative(print::JobDef.DataFile));
        // What the paint box shows, drawn into a PDF whose text can be read back.
        const QString pdf = QString::fromStdString((m_root.path() / "shown.pdf").string());
        {
            QPdfWriter writer(pdf);
            QPainter painter(&writer);
            preview->paintBox()->render(&painter);
        }
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        EXPECT_TRUE(text.waitForFinished(60000)) << "pdftotext could not run";
        pageText = QString::fromUtf8(text.readAllStandardOutput()).toStdString();
        return 0;
    });
    box->FunctionKey(fkF8)->Click();

    EXPECT_EQ(where, "1/1");
    EXPECT_NE(pageText.find("データリスト"), std::string::npos) << pageText;
    EXPECT_NE(pageText.find("サンプル商事"), std::string::npos) << pageText;
    ASSERT_FALSE(kept.empty()) << "no data file was seen";
    std::vector<std::string> lines = linesOf(kept, "\r\n");
    for (std::string& l : lines)
        l = platform::text::fromCp932(l);
    std::vector<std::string> expected = linesOf(
        testsupport::readFile(std::string(TEST_SOURCE_DIR) + "/data/data-list-catalogue.txt"), "\n");
    // The folder and the day of writing differ from run to run.
    for (auto* list : {&lines, &expected})
        for (std::string& l : *list)
            if (l.rfind("*PATH=", 0) == 0 || l.rfind("*DATE=", 0) == 0)
                l = l.substr(0, 6);
    EXPECT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < std::min(lines.size(), expected.size()); ++i)
        EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
    EXPECT_FALSE(platform::files::fileExists(print::JobDef.DataFile)) << "the data file stays behind";
}

} // namespace
