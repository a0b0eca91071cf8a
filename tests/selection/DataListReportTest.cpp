// The data-list report: its print data file read back record by record, page breaks in both
// orientations, the shared list's numbering, the preview of it, and where the file is written.
#include "selection/DataListReport.h"

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

#include <gtest/gtest.h>

#include <cerrno>
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

TEST_F(DataListReportTest, WithoutTempTheFileGoesToAPerUserTemporaryFolder)
{
    SystemDef.WinTempFolder.clear();
    const std::string folder = TPrDataList::dataFolder();
    EXPECT_NE(folder, "");
    EXPECT_NE(folder, "/");
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_NE(folder.find("zetrino-"), std::string::npos) << folder;
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
