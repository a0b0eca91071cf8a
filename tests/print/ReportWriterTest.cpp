// The report component: TEXT fitting in CP932 bytes, the header block, property rules, page ends
// and the job handed to the preview.
#include "PrintTestSupport.h"

#include "platform/Files.h"
#include "platform/Text.h"
#include "print/ReportComponent.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace print;
using platform::text::toCp932;

class ReportWriterTest : public printtest::EngineTest {
protected:
    // The written lines as CP932 bytes, CR LF removed.
    std::vector<std::string> lines(const std::string& path) const
    {
        const std::string bytes = testsupport::readFile(path);
        std::vector<std::string> out;
        std::size_t start = 0;
        while (start < bytes.size()) {
            const std::size_t end = bytes.find("\r\n", start);
            EXPECT_NE(end, std::string::npos) << "a line without CR LF";
            if (end == std::string::npos)
                break;
            out.push_back(bytes.substr(start, end - start));
            start = end + 2;
        }
        return out;
    }
};

struct FitCase {
    const char* text;
    const char* alignment;
    int width;
    std::string expected; // CP932 bytes of the text field
};

TEST_F(ReportWriterTest, TextFieldIsFittedInCp932Bytes)
{
    // "あ" is 82 A0 in CP932.
    const std::vector<FitCase> cases = {
        {"A;B", "LEFT", 0, "A:B"},
        {"ABCDE", "LEFT", 3, "ABC"},
        {"ABCDE", "RIGHT", 8, "   ABCDE"},
        {"ABCDE", "LEFT", 8, "ABCDE   "},
        {"ABCDE", "RIGHT", 3, "CDE"},
        // The third byte is the first half of "あ": two bytes are kept.
        {"ABあ", "LEFT", 3, "AB"},
        // The last three bytes start with the second half of "あ": two bytes are kept.
        {"あBC", "RIGHT", 3, "BC"},
        {"ABCDE", "LEFT", 130, "ABCDE"},
        {"ABCDE", "CENTER", 3, "ABCDE"},
        {"表;ソ", "LEFT", 0, "\x95\x5C:\x83\x5C"},
    };
    for (const FitCase& c : cases) {
        EXPECT_EQ(fitTextField(c.text, c.alignment, c.width), c.expected)
            << c.text << " " << c.alignment << " " << c.width;
    }
}

TEST_F(ReportWriterTest, RecordsAreWrittenAsTheEngineReadsThem)
{
    TVellum48 v;
    v.DataFile = (m_dir / "list.tmp").string();
    v.OpenDataFile(false);
    v.WriteHeader(); // after OpenDataFile: no second header
    v.WriteText(100, 200, "ABCDE", "ＭＳ 明朝", 9, "", "黒", "ON", "center", 3);
    v.WriteText(100, 200, "x", "ＭＳ 明朝", 9, "B", "黒", "OFF", "left", 0);
    v.WriteText(100, 200, "x", "ＭＳ 明朝", 9, "", "黒", "白", "right", 0);
    v.WriteLine(0, 1, 2, 3, 4, 2, "0", false);
    v.WriteLine(0, 1, 2, 3, 4, 2, "赤", true);
    v.WriteBox(1, 2, 3, 4, 5, 0, "黒", "薄網掛", 4);
    v.NewPage();
    v.CloseDataFile();

    const auto l = lines(v.DataFile);
    ASSERT_EQ(l.size(), 26u + 7u);
    EXPECT_EQ(l[0], "*VELLUM48*" + std::string(60, '*'));
    EXPECT_EQ(l[1], "*[SETTING]");
    EXPECT_EQ(l[2], "*PATH=" + m_dir.str());
    EXPECT_EQ(l[3], "*VERSION=VCL.2.5");
    EXPECT_EQ(l[14], "*NETC1=$C0C0C0");
    EXPECT_EQ(l[18], "*FORMPRINT=TRUE");
    EXPECT_EQ(l[23], "*PAGENOALIGNMENT=2");
    EXPECT_EQ(l[24], "*PAGENOFORMAT=(%d/%d)");
    EXPECT_EQ(l[25], std::string(61, '*') + "VELLUM48*");
    EXPECT_EQ(l[0].size(), 70u);
    EXPECT_EQ(l[25].size(), 70u);
    EXPECT_EQ(l[26], toCp932("TEXT;100;200;ABCDE;ＭＳ 明朝;9;;黒;1;CENTER;0;0;"));
    EXPECT_EQ(l[27], toCp932("TEXT;100;200;x;ＭＳ 明朝;9;B;黒;1;LEFT;0;0;"));
    EXPECT_EQ(l[28], toCp932("TEXT;100;200;x;ＭＳ 明朝;9;;黒;白;RIGHT;0;0;"));
    EXPECT_EQ(l[29], "LINE;0;1;2;3;4;2;0;");
    EXPECT_EQ(l[30], toCp932("ELINE;0;1;2;3;4;2;赤;"));
    EXPECT_EQ(l[31], toCp932("BOX;1;2;3;4;5;0;黒;薄網掛;4;"));
    EXPECT_EQ(l[32], "E;");
}

TEST_F(ReportWriterTest, BlankPageWritesTheFillerBeforeEveryPageEnd)
{
    TVellum48 v;
    v.DataFile = (m_dir / "blank.tmp").string();
    v.BlankPage = 1;
    v.OpenDataFile(false);
    v.NewPage();
    v.NewPage();
    v.CloseDataFile();
    const auto l = lines(v.DataFile);
    const std::string filler = toCp932("BOX;100;100;101;101;0;0;黒;白;1;");
    ASSERT_EQ(l.size(), 30u);
    EXPECT_EQ(l[26], filler);
    EXPECT_EQ(l[27], "E;");
    EXPECT_EQ(l[28], filler);
    EXPECT_EQ(l[29], "E;");
    EXPECT_EQ(v.PageNo, 3);
}

TEST_F(ReportWriterTest, NewTemporaryFileIsMadeInTheDataFolder)
{
    TVellum48 v;
    v.DataFile = (m_dir / "データリスト.TMP").string();
    v.OpenDataFile(true);
    v.CloseDataFile();
    const std::filesystem::path made(v.DataFile);
    EXPECT_EQ(made.parent_path(), m_dir.path());
    EXPECT_EQ(made.filename().string().front(), '~');
    EXPECT_EQ(made.extension(), ".tmp");
    EXPECT_EQ(lines(v.DataFile).size(), 26u);
}

TEST_F(ReportWriterTest, FailedWritesRaiseAndLeaveNoHalfRecord)
{
    TVellum48 v;
    v.DataFile = (m_dir / "fail.tmp").string();
    // Without an open file.
    EXPECT_THROW(v.WriteLine(0, 0, 1, 1, 1, 0, "黒", false), std::runtime_error);
    v.OpenDataFile(false);
    // A character without a CP932 form fails like an I/O error, and nothing of the record is written.
    EXPECT_THROW(v.WriteText(0, 0, "café", "ＭＳ 明朝", 9, "", "黒", "OFF", "LEFT", 0),
                 std::runtime_error);
    EXPECT_EQ(lines(v.DataFile).size(), 26u);
    // A full disk reaches the client.
    platform::files::failNext(platform::files::Operation::Write, ENOSPC);
    EXPECT_THROW(v.WriteLine(0, 0, 1, 1, 1, 0, "黒", false), platform::files::FileError);
    platform::files::clearFaults();
    v.CloseDataFile();
}

TEST_F(ReportWriterTest, PropertiesKeepTheirRanges)
{
    TVellum48 v;
    v.setCopie(3);
    v.setCopie(0);
    EXPECT_EQ(v.Copie(), 3);
    v.setCopie(100);
    EXPECT_EQ(v.Copie(), 3);
    v.setZoom(25);
    EXPECT_EQ(v.Zoom(), 10);
    v.setVRATIO(700);
    EXPECT_EQ(v.VRATIO(), 1000);
    v.setVRATIO(800);
    EXPECT_EQ(v.VRATIO(), 800);
    v.setColorMode(5);
    EXPECT_EQ(v.ColorMode(), 0);
    v.setDuplex(2);
    v.setDuplex(0);
    EXPECT_EQ(v.Duplex(), 2);
    v.setPrintQuality(-5);
    EXPECT_EQ(v.PrintQuality(), 0);
    v.setScale(151);
    EXPECT_EQ(v.Scale(), 100);
    v.setCollate(2);
    EXPECT_EQ(v.Collate(), 0);
    // No OCR face is installed here: the choice ends at the Gothic face.
    EXPECT_EQ(v.OcrFontName(), "ＭＳ ゴシック");
    v.setOcrFontName("IPAGothic");
    EXPECT_EQ(v.OcrFontName(), "IPAGothic");
    v.setOcrFontName("No Such Face");
    EXPECT_EQ(v.OcrFontName(), "IPAGothic");
    v.setOcrFontName("");
    EXPECT_EQ(v.OcrFontName(), "ＭＳ ゴシック");
    v.setPageBangoAlignment(TVellum48::taCenter);
    EXPECT_EQ(v.PageBangoAlign, 1);
    EXPECT_EQ(v.PageBangoAlignment(), TVellum48::taCenter);
}

struct FormatCase {
    const char* format;
    bool pageBangoAfter;
    const char* stored;
    int args;
};

TEST_F(ReportWriterTest, PageNumberFormatIsCheckedWhenSet)
{
    const std::vector<FormatCase> cases = {
        {"Page %d", true, "Page %d", 1},
        {"(%d/%d)", true, "(%d/%d)", 2},
        // Only the plain "%d" counts as a placeholder.
        {"%3d/%-4d", false, "(%d/%d)", 0},
        {"%d/%3d", false, "(%d/%d)", 1},
        {"%d %d %d", false, "(%d/%d)", 3},
        {"%s", false, "(%d/%d)", 0},
        {"%d%n", false, "(%d/%d)", 1},
        {"%d %s", false, "(%d/%d)", 1},
    };
    for (const FormatCase& c : cases) {
        TVellum48 v;
        v.PageBango = true;
        v.setPageBangoFormat(c.format);
        EXPECT_EQ(v.PageBango, c.pageBangoAfter) << c.format;
        EXPECT_EQ(v.PageBangoFormat(), c.stored) << c.format;
        EXPECT_EQ(v.PageBangoArgs(), c.args) << c.format;
    }
    EXPECT_EQ(formatPageNumber("(%d/%d)", {3, 12}), "(3/12)");
    EXPECT_EQ(formatPageNumber("- %03d -", {7}), "- 007 -");
    EXPECT_EQ(formatPageNumber("100%% %d", {1}), "100% 1");
    EXPECT_FALSE(formatPageNumber("%d %d", {1}).has_value());
}

TVL48DEF g_seen;
int g_calls = 0;
bool g_fileExistedDuringPreview = false;

int recordingPreview(TVL48DEF* job)
{
    ++g_calls;
    g_seen = *job;
    g_fileExistedDuringPreview = std::filesystem::exists(job->DataFile);
    return 1;
}

TEST_F(ReportWriterTest, PreviewFillsTheJobAndCleansUp)
{
    g_calls = 0;
    TVellum48 v;
    // A path longer than 127 bytes stays whole.
    const std::filesystem::path deep = m_dir.path() / std::string(120, 'd');
    std::filesystem::create_directories(deep);
    v.DataFile = (deep / "list.tmp").string();
    v.LeftMargin = 30;
    v.EvenLeftMargin = 50;
    v.PageBango = true;
    v.OpenDataFile(false);
    v.CloseDataFile();
    testsupport::writeFile(deep / "CHART.WMF", "x");

    // Until the preview window exists, the entry point answers 0.
    setPreviewEntry(nullptr);
    EXPECT_FALSE(v.Preview());
    EXPECT_FALSE(v.PageBango);
    EXPECT_FALSE(std::filesystem::exists(v.DataFile));
    EXPECT_FALSE(std::filesystem::exists(deep / "CHART.WMF"));

    v.PageBango = true;
    v.OpenDataFile(false);
    v.CloseDataFile();
    setPreviewEntry(&recordingPreview);
    EXPECT_TRUE(v.Preview());
    setPreviewEntry(nullptr);
    EXPECT_EQ(g_calls, 1);
    EXPECT_TRUE(g_fileExistedDuringPreview);
    EXPECT_EQ(g_seen.DataFile, v.DataFile);
    EXPECT_GT(g_seen.DataFile.size(), 127u);
    EXPECT_EQ(g_seen.DocTitle, "VELLUM48-VCL.2.5");
    EXPECT_EQ(g_seen.EvenLeftOffset, 20);
    EXPECT_TRUE(g_seen.PageBangoRec.PageBango);
    EXPECT_EQ(g_seen.PageBangoRec.PageBangoFormat, "(%d/%d)");
    EXPECT_EQ(JobDef.DocTitle, "VELLUM48-VCL.2.5");
    EXPECT_FALSE(v.PageBango);
    EXPECT_FALSE(std::filesystem::exists(v.DataFile));
    // The printer now selected is read back: the PDF printer, the only one here.
    EXPECT_EQ(v.PrinterNum, 0);

    v.Title = "データリスト";
    setPreviewEntry(&recordingPreview);
    v.Preview();
    setPreviewEntry(nullptr);
    EXPECT_EQ(g_seen.DocTitle, "データリスト");
}

TEST_F(ReportWriterTest, PrintHandsItsOwnJobAndCleansUp)
{
    g_calls = 0;
    JobDef.DocTitle = "前のジョブ";
    TVellum48 v;
    v.DataFile = (m_dir / "print.tmp").string();
    v.setCopie(2);
    v.PageBango = true;
    v.OpenDataFile(false);
    v.CloseDataFile();
    testsupport::writeFile(m_dir / "CHART.WMF", "x");
    setPrintEntry(&recordingPreview);
    EXPECT_TRUE(v.Print());
    setPrintEntry(nullptr);
    EXPECT_EQ(g_calls, 1);
    EXPECT_EQ(g_seen.DocTitle, "VELLUM48-VCL.2.5");
    EXPECT_EQ(g_seen.Copies, 2);
    EXPECT_EQ(JobDef.DocTitle, "前のジョブ");
    EXPECT_FALSE(std::filesystem::exists(m_dir / "print.tmp"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "CHART.WMF"));
    EXPECT_FALSE(v.PageBango);
    // Until the print loop exists the entry point answers 0.
    v.OpenDataFile(false);
    v.CloseDataFile();
    EXPECT_FALSE(v.Print());
}

} // namespace
