// The page painter at 254 dpi (1 px = 0.1 mm) through the preview target, a recording paint
// device for exact font and pen values, and pictures on both targets.
#include "PrintTestSupport.h"

#include "platform/Printers.h"
#include "print/PagePainter.h"
#include "print/ReportEngine.h"

#include <QFile>
#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QTextItem>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace print;

bool dark(const QImage& img, int x, int y) { return qGray(img.pixel(x, y)) < 128; }

// Dark pixels in a rectangle.
int ink(const QImage& img, const QRect& r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += dark(img, x, y) ? 1 : 0;
    return n;
}

// Leftmost and rightmost column with ink in the rows, -1 when none.
std::pair<int, int> inkColumns(const QImage& img, int top, int bottom)
{
    int left = -1;
    int right = -1;
    for (int x = 0; x < img.width(); ++x) {
        for (int y = top; y <= bottom; ++y) {
            if (dark(img, x, y)) {
                if (left < 0)
                    left = x;
                right = x;
                break;
            }
        }
    }
    return {left, right};
}

class PagePainterTest : public printtest::EngineTest {
protected:
    // Paints the pages of a data file, one image each, 254 dpi.
    std::vector<QImage> paint(const std::vector<std::string>& lines, int pages = 1,
                              PaintTarget target = PaintTarget::Preview)
    {
        PrintFile file(writeFile("page.txt", lines));
        std::vector<QImage> out;
        for (int p = 1; p <= pages; ++p) {
            reportEngine().currentPage = p;
            QImage img(2100, 2970, QImage::Format_RGB32);
            img.setDotsPerMeterX(10000);
            img.setDotsPerMeterY(10000);
            img.fill(Qt::white);
            QPainter painter(&img);
            PaintPage("DAT", file, painter, target, 0, 0, 0, p % 2 == 0, 10, 1.0, 1.0, 254);
            painter.end();
            out.push_back(img);
        }
        return out;
    }
    QImage paintOne(const std::vector<std::string>& lines) { return paint(lines).front(); }

    std::string picture(const std::string& name, const QColor& colour, int size = 64)
    {
        QImage img(size, size, QImage::Format_RGB32);
        img.fill(colour);
        const std::string path = (m_dir / name).string();
        const QByteArray format = name.ends_with(".jpg") ? "JPG" : "BMP";
        EXPECT_TRUE(img.save(QString::fromStdString(path), format.constData(), 100))
            << "cannot write " << path;
        return path;
    }

    // Paints one page on the PDF printer and reads it back with pdftoppm at a resolution.
    QImage printedPage(const std::vector<std::string>& lines, const char* dpi)
    {
        platform::PrinterHost& host = *reportEngine().printers;
        const std::string pdf = (m_dir / "picture.pdf").string();
        host.setPdfFile(pdf);
        host.applyDevMode();
        {
            PrintFile file(writeFile("p.txt", lines));
            QPainter painter;
            if (!painter.begin(&host.printer())) {
                ADD_FAILURE() << "the PDF printer did not start";
                return {};
            }
            const double s = host.printer().logicalDpiX() / 254.0;
            PaintPage("DAT", file, painter, PaintTarget::Printer, 0, 0, 0, false, 10, s, s,
                      host.printer().logicalDpiY());
            painter.end();
        }
        QProcess p;
        p.start(QStringLiteral("pdftoppm"),
                {QStringLiteral("-r"), QString::fromLatin1(dpi), QStringLiteral("-png"),
                 QStringLiteral("-singlefile"), QString::fromStdString(pdf),
                 QString::fromStdString((m_dir / "picture").string())});
        if (!p.waitForFinished(30000) || p.exitCode() != 0) {
            ADD_FAILURE() << "pdftoppm could not run: " << p.errorString().toStdString();
            return {};
        }
        return QImage(QString::fromStdString((m_dir / "picture.png").string()));
    }
};

TEST_F(PagePainterTest, LinesAndBoxes)
{
    const QImage line = paintOne({"LINE;0;0;1000;0;1;0;黒;"});
    EXPECT_TRUE(dark(line, 0, 0));
    EXPECT_TRUE(dark(line, 500, 0));
    EXPECT_TRUE(dark(line, 999, 0));
    EXPECT_FALSE(dark(line, 500, 2));
    EXPECT_FALSE(dark(line, 1010, 0));
    // A width that is not a number is 1.
    EXPECT_EQ(ink(paintOne({"LINE;0;100;1000;100;abc;0;黒;"}), QRect(500, 95, 1, 11)), 1);
    // Width 50 is 5 mm for LINE and 0.5 mm for ELINE.
    const QImage wide = paintOne({"LINE;0;100;1000;100;50;0;黒;", "ELINE;0;300;1000;300;50;0;黒;"});
    EXPECT_EQ(ink(wide, QRect(500, 60, 1, 80)), 50);
    EXPECT_EQ(ink(wide, QRect(500, 280, 1, 40)), 5);

    const QImage box = paintOne({"FRECT;100;100;600;300;赤;0;", "BOX;100;100;600;300;4;0;黒;白;1;",
                                 "BOX;700;100;1200;300;4;0;黒;白;0;",
                                 "BOX;1300;100;1800;300;4;0;黒;黒;6;"});
    EXPECT_EQ(box.pixelColor(350, 200), QColor(255, 0, 0)); // fill style 1 leaves the inside
    EXPECT_TRUE(dark(box, 100, 200));                        // the frame
    EXPECT_EQ(box.pixelColor(950, 200), QColor(255, 255, 255));
    const int hatch = ink(box, QRect(1320, 120, 460, 160));
    EXPECT_GT(hatch, 460 * 160 / 20);
    EXPECT_LT(hatch, 460 * 160 / 2);
}

TEST_F(PagePainterTest, TextAlignmentBackgroundAndTabs)
{
    const QImage right = paintOne({"TEXT;1000;500;右端;ＭＳ ゴシック;12;;黒;1;RIGHT;0;0;"});
    const auto [rl, rr] = inkColumns(right, 500, 560);
    EXPECT_LE(rr, 1000);
    EXPECT_GE(rr, 990);
    const QImage two = paintOne({"TEXT;1000;500;右端;ＭＳ ゴシック;12;;黒;1;2;0;0;"});
    EXPECT_EQ(inkColumns(two, 500, 560), std::make_pair(rl, rr));
    const QImage left = paintOne({"TEXT;1000;500;右端;ＭＳ ゴシック;12;;黒;1;LEFT;0;0;"});
    EXPECT_GE(inkColumns(left, 500, 560).first, 1000);
    EXPECT_LE(inkColumns(left, 500, 560).first, 1010);
    const QImage centre = paintOne({"TEXT;1000;500;右端;ＭＳ ゴシック;12;;黒;1;CENTER;0;0;"});
    const auto [cl, cr] = inkColumns(centre, 500, 560);
    EXPECT_NEAR((cl + cr) / 2.0, 1000.0, 6.0);

    // A white background hides the line beneath; "OFF", "1" and "黒" are transparent.
    // The line lies 3 mm below the text's top, between the two full-width blanks.
    const auto lineUnder = [&](const char* bg) {
        const QImage img = paintOne({"LINE;0;520;2000;520;4;0;黒;",
                                     std::string("TEXT;500;500;　　;ＭＳ 明朝;12;;黒;") + bg +
                                         ";LEFT;0;0;"});
        EXPECT_TRUE(dark(img, 1500, 520)) << bg;
        return ink(img, QRect(505, 520, 70, 1));
    };
    EXPECT_EQ(lineUnder("白"), 0);
    for (const char* bg : {"OFF", "1", "黒"})
        EXPECT_EQ(lineUnder(bg), 70) << bg;

    // Two TABs: three lines one text height apart (the font's ascent + descent at 12 pt = 42 px),
    // all with the same left edge.
    const QImage tabs = paintOne({"TEXT;100;100;田\t田\t田;ＭＳ 明朝;12;;黒;1;LEFT;0;0;"});
    QFont mincho(QStringLiteral("IPAMincho"));
    mincho.setPixelSize(42);
    const QFontMetrics fm(mincho, &tabs);
    const int textHeight = fm.ascent() + fm.descent();
    std::vector<int> tops;
    for (int y = 95; y < 400; ++y) {
        const bool inked = ink(tabs, QRect(90, y, 80, 1)) > 0;
        const bool above = ink(tabs, QRect(90, y - 1, 80, 1)) > 0;
        if (inked && !above)
            tops.push_back(y);
    }
    ASSERT_EQ(tops.size(), 3u);
    EXPECT_EQ(tops[1] - tops[0], textHeight);
    EXPECT_EQ(tops[2] - tops[1], tops[1] - tops[0]);
    EXPECT_EQ(inkColumns(tabs, tops[0], tops[0] + 30).first, inkColumns(tabs, tops[2], tops[2] + 30).first);
}

TEST_F(PagePainterTest, MarginsAndPageEnds)
{
    const auto pages = paint({"LINE;0;100;100;100;1;0;黒;", "LEFTMARGIN;0;", "LINE;0;150;100;150;1;0;黒;",
                              "LEFTMARGIN;50;", "LINE;0;200;100;200;1;0;黒;", "E;",
                              "LINE;0;100;100;100;1;0;黒;"},
                             2);
    EXPECT_EQ(inkColumns(pages[0], 100, 100), std::make_pair(0, 99));
    EXPECT_EQ(inkColumns(pages[0], 150, 150), std::make_pair(0, 99));
    EXPECT_EQ(inkColumns(pages[0], 200, 200), std::make_pair(50, 149));
    EXPECT_EQ(inkColumns(pages[1], 100, 100), std::make_pair(0, 99));

    // The caller's page offset and the even-page offset move the whole page.
    reportEngine().pageLeft = 30;
    JobDef.EvenLeftOffset = 20;
    const auto moved = paint({"LINE;0;100;100;100;1;0;黒;", "E;", "LINE;0;100;100;100;1;0;黒;"}, 2);
    EXPECT_EQ(inkColumns(moved[0], 100, 100), std::make_pair(30, 129));
    EXPECT_EQ(inkColumns(moved[1], 100, 100), std::make_pair(50, 149));
}

TEST_F(PagePainterTest, AutomaticPageNumbers)
{
    auto& pb = JobDef.PageBangoRec;
    pb.PageBango = true;
    pb.PageBangoFormat = "(%d/%d)";
    pb.PageBangoArgs = 2;
    pb.PageBangoLeft = 1000;
    pb.PageBangoTop = 100;
    pb.PageBangoAlign = 2;
    const std::vector<std::string> lines = {"TEXT;100;1000;x;ＭＳ 明朝;9;;黒;1;LEFT;0;0;", "E;",
                                            "E;", "TEXT;100;1000;x;ＭＳ 明朝;9;;黒;1;LEFT;0;0;"};
    CountPages(writeFile("page.txt", lines), true);
    ASSERT_EQ(reportEngine().pageNumbers, (std::vector<std::string>{"1", "0", "2"}));
    const auto pages = paint(lines, 3);
    const auto [l, r] = inkColumns(pages[0], 100, 140);
    EXPECT_LE(r, 1000);
    EXPECT_GT(r, 950);
    EXPECT_GT(l, 850);
    EXPECT_EQ(ink(pages[1], QRect(0, 0, 2100, 2970)), 0);
    EXPECT_GT(ink(pages[2], QRect(800, 90, 250, 60)), 0);
    EXPECT_EQ(ink(pages[0], QRect(0, 0, 800, 900)), 0);
    // A page that holds only the automatic number gets none, even from a stale list.
    reportEngine().pageNumbers = {"1", "2", "3"};
    EXPECT_EQ(ink(paint(lines, 2)[1], QRect(0, 0, 2100, 2970)), 0);
}

TEST_F(PagePainterTest, FormVariablesGoDownLineByLine)
{
    const std::string form = writeFile("vars.txt", {"&;0;0;行間;;0;;黒;OFF;LEFT;100;0;0;",
                                                    "&;200;300;AMOUNT;ＭＳ 明朝;12;;黒;OFF;LEFT;0;0;0;",
                                                    "&;200;1300;ONCE;ＭＳ 明朝;12;;黒;OFF;LEFT;0;1;0;"});
    HensuuYomikomi(form, 0, 0);
    const QImage img = paintOne({"@;amount;田;", "@;AMOUNT;田;", "@;ONCE;田;", "@;ONCE;田;",
                                 "@;NONE;田;"});
    EXPECT_GT(ink(img, QRect(200, 300, 42, 42)), 50);
    EXPECT_GT(ink(img, QRect(200, 400, 42, 42)), 50);
    EXPECT_GT(ink(img, QRect(200, 1300, 42, 42)), 50);
    EXPECT_EQ(ink(img, QRect(200, 1400, 42, 42)), 0);
}

TEST_F(PagePainterTest, SubFormIsDrawnOnceEvenWhenItNamesItself)
{
    const std::string form = (m_dir / "self.txt").string();
    writeFile("self.txt", {"FORM;" + form + ";FALSE;0;0;", "LINE;0;100;100;100;1;0;黒;"});
    const QImage img = paintOne({"FORM;" + form + ";FALSE;200;0;", "LINE;0;500;100;500;1;0;黒;"});
    EXPECT_EQ(inkColumns(img, 100, 100), std::make_pair(200, 299));
    EXPECT_EQ(inkColumns(img, 500, 500), std::make_pair(0, 99));
}

TEST_F(PagePainterTest, Pictures)
{
    const std::string red = picture("red.jpg", Qt::red);
    const QImage shown = paintOne({"IMAGE;100;100;300;300;" + red + ";0;"});
    const QColor c = shown.pixelColor(200, 200);
    EXPECT_GT(c.red(), 230);
    EXPECT_LT(c.green(), 30);
    EXPECT_EQ(shown.pixelColor(310, 200), QColor(Qt::white));
    // Combined with AND, a black line under the picture stays black.
    const QImage anded = paintOne({"LINE;0;200;2000;200;4;0;黒;", "IMAGE;100;100;300;300;" + red + ";1;"});
    EXPECT_TRUE(dark(anded, 200, 200));
    EXPECT_GT(anded.pixelColor(200, 150).red(), 230);

    // A GIF (any type but BMP, JPG and WMF) draws nothing.
    const std::string bmp = picture("blue.bmp", Qt::blue);
    const std::string gif = (m_dir / "blue.gif").string();
    QFile::copy(QString::fromStdString(bmp), QString::fromStdString(gif));
    EXPECT_EQ(paintOne({"IMAGE;100;100;300;300;" + gif + ";0;"}).pixelColor(200, 200), QColor(Qt::white));
    EXPECT_EQ(paintOne({"IMAGE;100;100;300;300;" + bmp + ";0;"}).pixelColor(200, 200), QColor(Qt::blue));
    EXPECT_EQ(errorLog(), "");
}

TEST_F(PagePainterTest, DamagedPicturesAreLoggedAndThePageGoesOn)
{
    const std::string good = picture("whole.jpg", Qt::red, 256);
    std::string bytes = testsupport::readFile(good);
    testsupport::writeFile(m_dir / "broken.jpg", bytes.substr(0, bytes.size() / 2));
    const std::string broken = (m_dir / "broken.jpg").string();
    testsupport::writeFile(m_dir / "chart.wmf", std::string("\xD7\xCD\xC6\x9A", 4) + std::string(40, '\0'));
    const std::string wmf = (m_dir / "chart.wmf").string();
    // A real metafile cut short inside its records.
    const std::string whole =
        testsupport::readFile(std::string(TEST_SOURCE_DIR) + "/data/rect-line.wmf");
    testsupport::writeFile(m_dir / "cut.wmf", whole.substr(0, 70));
    const std::string cut = (m_dir / "cut.wmf").string();

    const QImage img = paintOne({"IMAGE;100;100;300;300;" + broken + ";0;",
                                 "IMAGE;400;100;800;300;" + wmf + ";0;",
                                 "IMAGE;400;600;800;800;" + cut + ";0;",
                                 "LINE;0;500;100;500;1;0;黒;"});
    EXPECT_EQ(inkColumns(img, 500, 500), std::make_pair(0, 99));
    // The metafile's place: framed and crossed.
    EXPECT_TRUE(dark(img, 400, 200));
    EXPECT_TRUE(dark(img, 600, 100));
    EXPECT_TRUE(dark(img, 500, 150));
    EXPECT_FALSE(dark(img, 200, 200));
    const std::string log = errorLog();
    EXPECT_NE(log.find("  broken.jpg:"), std::string::npos) << log;
    EXPECT_NE(log.find(std::string("  chart.wmf:") + kMetafileNotDrawn), std::string::npos) << log;
    EXPECT_TRUE(dark(img, 400, 700)) << "the cut metafile's place is framed too";
    EXPECT_NE(log.find(std::string("  cut.wmf:") + kMetafileNotDrawn), std::string::npos) << log;
}

// tests/print/data/rect-line.wmf (made by Inkscape from rect-line.svg): a red square on the
// left half and a thick black line across the middle of the right half.
TEST_F(PagePainterTest, MetafilePicturesAreStretchedIntoTheirBoxOnScreenAndOnThePrinter)
{
    const std::string wmf = std::string(TEST_SOURCE_DIR) + "/data/rect-line.wmf";
    const std::vector<std::string> page = {"IMAGE;400;100;800;300;" + wmf + ";0;"};
    // Both at 1 px = 0.1 mm: the box is 400..800 across, 100..300 down.
    const QImage screen = paintOne(page);
    const QImage printed = printedPage(page, "254");
    ASSERT_FALSE(printed.isNull());
    for (const auto& [name, img] : {std::pair{"screen", screen}, std::pair{"pdf", printed}}) {
        const QColor square = img.pixelColor(480, 200);
        EXPECT_GT(square.red(), 230) << name;
        EXPECT_LT(square.green(), 30) << name;
        EXPECT_LT(square.blue(), 30) << name;
        EXPECT_TRUE(dark(img, 700, 200)) << name << ": the line";
        // The picture's own white background (the PDF keeps it within a step of 255).
        EXPECT_GT(qGray(img.pixel(700, 130)), 250) << name << ": above the line";
        EXPECT_EQ(img.pixelColor(850, 200), QColor(Qt::white)) << name << ": right of the box";
        EXPECT_EQ(img.pixelColor(480, 330), QColor(Qt::white)) << name << ": below the box";
        EXPECT_EQ(img.pixelColor(380, 200), QColor(Qt::white)) << name << ": left of the box";
    }
    EXPECT_EQ(errorLog(), "");
}

TEST_F(PagePainterTest, PictureOnThePrinterTarget)
{
    const std::string red = picture("red.jpg", Qt::red);
    // 1 px = 1 mm: the picture covers 10..30 mm.
    const QImage page = printedPage({"IMAGE;100;100;300;300;" + red + ";0;"}, "25.4");
    ASSERT_FALSE(page.isNull());
    EXPECT_GT(page.pixelColor(20, 20).red(), 230);
    EXPECT_LT(page.pixelColor(20, 20).green(), 30);
    EXPECT_EQ(page.pixelColor(35, 20), QColor(Qt::white));
}

// A paint device that records what the painter hands to its engine.
class RecordingEngine final : public QPaintEngine {
public:
    RecordingEngine()
        : QPaintEngine(QPaintEngine::AllFeatures)
    {
    }
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState& s) override
    {
        if (s.state() & QPaintEngine::DirtyPen)
            pen = s.pen();
        if (s.state() & QPaintEngine::DirtyTransform)
            transform = s.transform();
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF& at, const QTextItem& item) override
    {
        baselines.push_back(at.y());
        fontPixelSizes.push_back(item.font().pixelSize());
        texts.push_back(item.text());
        scales.push_back(transform.m11());
    }
    void drawLines(const QLineF*, int) override { penWidths.push_back(pen.widthF()); }
    void drawLines(const QLine*, int) override { penWidths.push_back(pen.widthF()); }
    void drawPath(const QPainterPath&) override { penWidths.push_back(pen.widthF()); }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override { penWidths.push_back(pen.widthF()); }
    Type type() const override { return QPaintEngine::User; }

    QPen pen;
    QTransform transform;
    std::vector<int> fontPixelSizes;
    std::vector<double> baselines;
    std::vector<QString> texts;
    std::vector<double> scales;
    std::vector<double> penWidths;
};

class RecordingDevice final : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &engine; }
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return 4960;
        case PdmHeight: return 7016;
        case PdmWidthMM: return 210;
        case PdmHeightMM: return 297;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 600;
        case PdmDepth: return 32;
        case PdmNumColors: return 0x7fffffff;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
        default: return 0;
        }
    }
    mutable RecordingEngine engine;
};

TEST_F(PagePainterTest, FontHeightsAndPensAtPrinterResolution)
{
    const double s = 600 / 254.0;
    PrintFile file(writeFile("r.txt", {"TEXT;0;0;x;ＭＳ 明朝;9;;黒;1;LEFT;0;0;",
                                       "TEXT;0;0;y;ＭＳ 明朝;0;;黒;1;LEFT;0;0;",
                                       "LINE;0;0;100;0;1;0;黒;", "ELINE;0;0;100;0;1;0;黒;"}));
    RecordingDevice device;
    {
        QPainter painter(&device);
        PaintPage("DAT", file, painter, PaintTarget::Printer, 0, 0, 0, false, 15, s, s, 600);
    }
    const RecordingEngine& e = device.engine;
    ASSERT_EQ(e.fontPixelSizes.size(), 2u);
    EXPECT_EQ(e.fontPixelSizes[0], 75); // 9 pt x 600 / 72
    EXPECT_EQ(e.fontPixelSizes[1], 75); // size 0 keeps the previous height
    EXPECT_DOUBLE_EQ(e.scales[0], 1.5);
    ASSERT_EQ(e.penWidths.size(), 2u);
    EXPECT_EQ(e.penWidths[0], 2.0); // 0.1 mm at 600 dpi, rounded
    EXPECT_EQ(e.penWidths[1], 0.0); // 0.01 mm: a hairline
}

TEST_F(PagePainterTest, VerticalTextSteps)
{
    // The step is (spread - character height) / (n - 1), rounded; one character is drawn alone.
    QFont mincho(QStringLiteral("IPAMincho"));
    mincho.setPixelSize(42);
    QImage probe(10, 10, QImage::Format_RGB32);
    probe.setDotsPerMeterX(10000);
    probe.setDotsPerMeterY(10000);
    const QFontMetrics fm(mincho, &probe);
    const int ch = fm.ascent() + fm.descent();
    PrintFile file(writeFile("v.txt", {"VTEXT;0;500;あいう;ＭＳ 明朝;12;;黒;1;LEFT;100;0;",
                                       "VTEXT;0;900;あ;ＭＳ 明朝;12;;黒;1;LEFT;100;0;"}));
    RecordingDevice device;
    {
        QPainter painter(&device);
        PaintPage("DAT", file, painter, PaintTarget::Preview, 0, 0, 0, false, 10, 1.0, 1.0, 254);
    }
    const RecordingEngine& e = device.engine;
    ASSERT_EQ(e.texts.size(), 4u);
    EXPECT_EQ(e.texts[0], QStringLiteral("あ"));
    EXPECT_EQ(e.texts[3], QStringLiteral("あ"));
    const int step = static_cast<int>(std::lround((100.0 - ch) / 2.0));
    EXPECT_EQ(e.baselines[1] - e.baselines[0], step);
    EXPECT_EQ(e.baselines[2] - e.baselines[1], step);
    EXPECT_EQ(e.baselines[3], 900 + fm.ascent());
}

} // namespace
