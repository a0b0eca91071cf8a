// Print-file readers, form variables and the drawing services of the report engine.
#include "PrintTestSupport.h"

#include "platform/Fonts.h"
#include "platform/Printers.h"
#include "print/ReportEngine.h"
#include "support/MessageRecorder.h"

#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace print;

using ReadersTest = printtest::EngineTest;

TEST_F(ReadersTest, PagesAreCountedAndNumbered)
{
    JobDef.PageBangoRec.PageBango = true;
    const std::string data = writeFile("data.txt", {"TEXT;0;0;a;;9;;黒;1;LEFT;0;0;", "E;",
                                                    "ORIENTATION;1;", "E;",
                                                    "TEXT;0;0;b;;9;;黒;1;LEFT;0;0;"});
    EXPECT_EQ(CountPages(data, true), 3);
    EXPECT_EQ(reportEngine().pageNumbers, (std::vector<std::string>{"1", "0", "2"}));
    EXPECT_EQ(reportEngine().numberedPages, 2);

    // A page whose only line is a text holding the word LINE counts as blank.
    const std::string word = writeFile("word.txt", {"TEXT;0;0;LINE;;9;;黒;1;LEFT;0;0;", "E;",
                                                    "TEXT;0;0;x;;9;;黒;1;LEFT;0;0;"});
    EXPECT_EQ(CountPages(word, true), 2);
    EXPECT_EQ(reportEngine().pageNumbers, (std::vector<std::string>{"0", "1"}));

    // A missing file is reported and counts as one page.
    testsupport::MessageRecorder boxes;
    boxes.answerDefaults();
    EXPECT_EQ(CountPages(m_dir.str() + "/none.txt", false), 1);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "<" + m_dir.str() + "/none.txt> が見つかりません。");
}

TEST_F(ReadersTest, TotalPagesFollowTheFormCycle)
{
    const std::vector<std::string> onePage = {"TEXT;0;0;x;;9;;黒;1;LEFT;0;0;"};
    const auto pages = [&](const std::string& name, int n) {
        std::vector<std::string> lines;
        for (int i = 0; i < n; ++i) {
            if (i > 0)
                lines.push_back("E;");
            lines.push_back("TEXT;0;0;p" + std::to_string(i + 1) + ";;9;;黒;1;LEFT;0;0;");
        }
        return writeFile(name, lines);
    };
    struct Case {
        int form;
        int data;
        int total;
    };
    for (const Case c : {Case{2, 3, 4}, Case{3, 2, 3}, Case{0, 5, 5}}) {
        JobDef.FormFile = c.form > 0 ? pages("form.txt", c.form) : "";
        JobDef.DataFile = pages("data.txt", c.data);
        TotalPages();
        EXPECT_EQ(reportEngine().totalPages, c.total) << c.form << "/" << c.data;
        EXPECT_EQ(reportEngine().shownPage, 1);
    }

    // Form page 3 of a two-page form in a cycle is form page 1.
    PrintFile form(pages("cycle.txt", 2));
    EXPECT_TRUE(SeekPage(form, 3, true));
    EXPECT_EQ(form.position(), 0u);
    PrintFile plain(pages("plain.txt", 2));
    EXPECT_FALSE(SeekPage(plain, 3, false));
}

TEST_F(ReadersTest, PageOrientationsAreCollected)
{
    const std::string data = writeFile("o.txt", {"*ORIENTATION=1", "ORIENTATION;1;", "E;",
                                                 "TEXT;0;0;x;;9;;黒;1;LEFT;0;0;", "E;",
                                                 "ORIENTATION;x;"});
    EXPECT_EQ(CollectPageOrientations(data, 0), "1\n0\n0\n");
}

TEST_F(ReadersTest, FormVariablesAreReadFromFivePages)
{
    std::vector<std::string> lines = {
        "&;10;20;行間;;0;;黒;OFF;LEFT;50;0;0;",
        "&;100;200;Name;ＭＳ ゴシック;0;b;赤;白;right;300;1;1;",
        "$;5;6;SUM;",
        "$;5;6;SUM;",
    };
    for (int i = 2; i <= 205; ++i)
        lines.push_back("&;0;" + std::to_string(i) + ";V" + std::to_string(i) + ";");
    for (int page = 2; page <= 6; ++page) {
        lines.push_back("E;");
        lines.push_back("&;1;1;P" + std::to_string(page) + ";");
    }
    HensuuYomikomi(writeFile("form.txt", lines), 1000, 2000);
    const auto& fields = reportEngine().fields;
    EXPECT_EQ(fields[0][0].Name, "行間");
    EXPECT_EQ(fields[0][0].Width, 50);
    const TDataField& name = fields[0][1];
    EXPECT_EQ(name.Name, "NAME");
    EXPECT_EQ(name.X, 1100);
    EXPECT_EQ(name.Y, 2200);
    EXPECT_EQ(name.FontName, "ＭＳ ゴシック");
    EXPECT_EQ(name.FontSize, 12);
    EXPECT_EQ(name.Style, "B");
    EXPECT_EQ(name.Color, 0x0000FFu);
    EXPECT_EQ(name.BackColor, 0xFFFFFFu);
    EXPECT_EQ(name.Align, 2);
    EXPECT_EQ(name.Once, 1);
    EXPECT_EQ(name.Center, 1);
    EXPECT_EQ(FindVariable(0, "name"), 1);
    EXPECT_EQ(FindVariable(0, "V100"), 100);
    // Slot 101 and beyond are never found; the 200th variable line is ignored.
    EXPECT_EQ(fields[0][101].Name, "V101");
    EXPECT_EQ(FindVariable(0, "V101"), 0);
    EXPECT_EQ(fields[0][199].Name, "V199");
    EXPECT_EQ(fields[0][200].Name, "");
    EXPECT_EQ(reportEngine().totals[0].size(), 1u);
    EXPECT_EQ(reportEngine().totals[0][0].Flag, 1);
    // Five form pages are read; the sixth has no table and the cycle stays at five.
    EXPECT_EQ(FindVariable(4, "P5"), 1);
    EXPECT_EQ(reportEngine().formPageIndex, 5);
    EXPECT_EQ(formPagesInCycle(), 5);
    EXPECT_EQ(FindVariable(5, "P6"), 0);
}

struct ColourCase {
    const char* word;
    const char* kind;
    TColor colour;
};

TEST_F(ReadersTest, ColourWordsAndCodes)
{
    JobDef.NetColor1 = 0x123456;
    JobDef.UserColor2 = 0x654321;
    JobDef.OcrPink = 0x7F02F0;
    const std::vector<ColourCase> cases = {
        {"黒", "", 0x000000},   {"赤", "", 0x0000FF},       {"栗", "", 0x000080},
        {"暗青緑", "", 0x808000}, {"黄", "", 0x00FFFF},     {"薄網掛", "", 0x123456},
        {"ucolor2", "", 0x654321}, {"OcrPink", "", 0x7F02F0}, {"7", "", 0x808080},
        {"14", "", 0xFFFFFF},   {"16", "", 0xFF000001},     {"35", "", 0xFF000014},
        {"40", "", 0x123456},   {"43", "", 0x654321},       {"36", "", 36},
        {"16777215", "", 0xFFFFFF}, {"OFF", "", 0},         {"なに", "", 0},
        {"赤", "DAT", 0x0000FF},
    };
    for (const ColourCase& c : cases)
        EXPECT_EQ(ColorFromName(c.word, c.kind), c.colour) << c.word;
    EXPECT_EQ(BackColorFromName("OFF"), 1u);
    EXPECT_EQ(BackColorFromName("1"), 1u);
    EXPECT_EQ(BackColorFromName("on"), 0xFFFFFFu);
    EXPECT_EQ(BackColorFromName("白"), 0xFFFFFFu);

    JobDef.PrintFom = false;
    EXPECT_EQ(ColorFromName("赤", "FOM"), 0xE6E6E6u);
    EXPECT_EQ(ColorFromName("赤", "SUBFORM"), 0xE6E6E6u);
    EXPECT_EQ(ColorFromName("赤", "DAT"), 0x0000FFu);
    JobDef.PrintFom = true;

    // 0.299 x 255 = 76.245
    JobDef.GrayScale = true;
    EXPECT_EQ(ColorFromName("赤"), 0x4C4C4Cu);
    EXPECT_EQ(ColorFromName("白"), 0xFFFFFFu);
    // Green: 0.587 x 255 = 149.685 -> 150; blue: 0.114 x 255 = 29.07 -> 29.
    EXPECT_EQ(ColorFromName("濃緑"), 0x969696u);
    EXPECT_EQ(ColorFromName("青"), 0x1D1D1Du);
    // Grey 0x808080: 0.299+0.587+0.114 = 1 -> 128.
    EXPECT_EQ(ColorFromName("灰"), 0x808080u);
}

TEST_F(ReadersTest, SystemColoursComeFromThePalette)
{
    const QColor window = drawingColor(ColorFromName("20")); // index 5: window background
    const QColor text = drawingColor(ColorFromName("23"));   // index 8: window text
    EXPECT_EQ(window, QGuiApplication::palette().color(QPalette::Base));
    EXPECT_EQ(text, QGuiApplication::palette().color(QPalette::Text));
    EXPECT_EQ(drawingColor(0x0000FF), QColor(255, 0, 0));
}

TEST_F(ReadersTest, WordsForAlignmentStyleAndFaces)
{
    EXPECT_EQ(AlignCode("center"), 1);
    EXPECT_EQ(AlignCode("1"), 1);
    EXPECT_EQ(AlignCode("BOTTOM"), 2);
    EXPECT_EQ(AlignCode("2"), 2);
    EXPECT_EQ(AlignCode("LEFT"), 0);
    const FontStyle biu = FontStyleFromWord("BIU");
    EXPECT_TRUE(biu.bold && biu.italic && biu.underline && !biu.strikeOut);
    EXPECT_TRUE(FontStyleFromWord("DU").underline);
    EXPECT_FALSE(FontStyleFromWord("bi").bold);
    EXPECT_EQ(FontFaceFor(""), "ＭＳ 明朝");
    EXPECT_EQ(FontFaceFor("ＭＳ ゴシック"), "ＭＳ ゴシック");
    EXPECT_EQ(FontFaceFor("OCR-B"), "ＭＳ ゴシック"); // no OCR-B face here
    EXPECT_EQ(platform::substituteFontFamily(QString::fromStdString(FontFaceFor(""))),
              QStringLiteral("IPAMincho"));
    EXPECT_EQ(FontCharsetFor("ＭＳ 明朝"), 128);
    EXPECT_EQ(FontCharsetFor("NoSuchFace"), 0);
}

TEST_F(ReadersTest, PaperSizesAndRatios)
{
    int w = 0;
    int h = 0;
    struct Paper {
        int number;
        int w;
        int h;
    };
    for (const Paper p : {Paper{8, 297, 420}, Paper{12, 250, 354}, Paper{17, 280, 432},
                          Paper{90, 305, 280}}) {
        PaperSizeMM(p.number, w, h);
        EXPECT_EQ(w, p.w) << p.number;
        EXPECT_EQ(h, p.h) << p.number;
    }
    EXPECT_EQ(reportEngine().deviceSizedPaper, 0);
    // 256 is the printer's printable area, 20 mm added to the height; the flag stays set.
    PaperSizeMM(256, w, h);
    EXPECT_EQ(w, 210);
    EXPECT_EQ(h, 297 + 20);
    EXPECT_EQ(reportEngine().deviceSizedPaper, 2);
    PaperSizeMM(9, w, h);
    EXPECT_EQ(reportEngine().deviceSizedPaper, 2);

    struct Ratio {
        int job;
        int printer;
        double v;
        double h;
    };
    JobDef.VRATIO = 900;
    JobDef.HRATIO = 950;
    for (const Ratio r : {Ratio{9, 9, 900, 950}, Ratio{9, 11, 707, 705}, Ratio{8, 12, 843, 842},
                          Ratio{11, 9, 1, 2}}) {
        reportEngine().vRatio = 1;
        reportEngine().hRatio = 2;
        JobDef.PaperSize = r.job;
        reportEngine().vdbPrint->SetPaper(r.printer);
        AdjustPaperRatio();
        EXPECT_EQ(reportEngine().vRatio, r.v) << r.job << " on " << r.printer;
        EXPECT_EQ(reportEngine().hRatio, r.h) << r.job << " on " << r.printer;
    }
}

TEST_F(ReadersTest, FieldsAreSplitPerLine)
{
    FieldCursor outer("TEXT;1;;x;");
    EXPECT_EQ(FirstField(outer), "TEXT");
    FieldCursor inner("LINE;9;");
    EXPECT_EQ(FirstField(inner), "LINE");
    EXPECT_EQ(NextField(inner), "9");
    EXPECT_EQ(fieldInt(NextField(outer), 7), 1);
    EXPECT_EQ(fieldInt(NextField(outer), 7), 7);
    EXPECT_EQ(fieldInt(NextField(outer), 7), 7);
    EXPECT_EQ(NextField(outer), "");
    EXPECT_EQ(fieldInt("-12"), -12);
    EXPECT_EQ(fieldInt("1.5", 3), 3);
}

} // namespace
