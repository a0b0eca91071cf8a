// The printer layer without a print queue, TVDBPrint over it, and the engine's error log.
#include "PrintTestSupport.h"

#include "platform/Printers.h"
#include "print/ErrorLog.h"
#include "print/ReportEngine.h"
#include "print/VdbPrint.h"

#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using namespace print;

using PrinterLayerTest = printtest::EngineTest;

// Output of a poppler tool; fails the test when the tool cannot run.
std::string runTool(const QString& tool, const QStringList& args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << tool.toStdString() << " could not run: " << p.errorString().toStdString()
                      << " " << p.readAllStandardError().toStdString();
        return {};
    }
    return p.readAllStandardOutput().toStdString();
}

TEST_F(PrinterLayerTest, EngineIsReadyWithOnlyThePdfPrinter)
{
    ReportEngineState& e = reportEngine();
    ASSERT_TRUE(e.ready);
    platform::PrinterHost& host = *e.printers;
    EXPECT_EQ(host.count(), 1);
    host.setIndex(-1);
    EXPECT_TRUE(host.isPdf());
    EXPECT_EQ(host.index(), 0);
    EXPECT_EQ(host.devMode().ttOption, 2);
    EXPECT_THROW(host.setIndex(1), std::out_of_range);
}

struct PaperNumberCase {
    const char* name;
    int length;
    int defaultNumber;
    int width;
    int expected;
};

TEST_F(PrinterLayerTest, PaperNumbersByNameOrSize)
{
    TVDBPrint& vdb = *reportEngine().vdbPrint;
    const PaperNumberCase cases[] = {
        {"XYZ", 2970, 9, 2100, 9},  {"XYZ", 0, 5, 0, 5},     {"A4", 0, 7, 0, 9},
        {"XYZ", 2000, 7, 1000, 7},  {"XYZ", 3545, 1, 2495, 12}, {"XYZ", 2979, 1, 2100, 9},
        {"XYZ", 2980, 3, 2100, 3},  {"A3", 2970, 1, 2100, 8},
    };
    for (const PaperNumberCase& c : cases)
        EXPECT_EQ(vdb.GetPaperNumber(c.name, c.length, c.defaultNumber, c.width), c.expected)
            << c.name << " " << c.length << "x" << c.width;
}

TEST_F(PrinterLayerTest, PaperNumbersSurviveTheRoundTrip)
{
    TVDBPrint& vdb = *reportEngine().vdbPrint;
    for (int number : {13, 17, 12, 8}) {
        vdb.SetPaper(number);
        EXPECT_EQ(vdb.GetPaper(), number);
    }
    // 12 is 250 x 354 mm on the printer, not the 257 x 364 of JIS B4.
    vdb.SetPaper(12);
    const QSizeF mm =
        reportEngine().printers->printer().pageLayout().pageSize().size(QPageSize::Millimeter);
    EXPECT_NEAR(mm.width(), 250.0, 0.5);
    EXPECT_NEAR(mm.height(), 354.0, 0.5);
}

TEST_F(PrinterLayerTest, DevModeGoesToTheJobAndBack)
{
    TVDBPrint& vdb = *reportEngine().vdbPrint;
    platform::PrinterHost& host = *reportEngine().printers;
    host.devMode().orientation = 2;
    host.devMode().color = 1;
    TVL48DEF job;
    job.Copies = 3;
    job.Collate = 1;
    job.ColorMode = 0; // leaves the printer's colour mode
    job.Duplex = 0;
    job.PrintQuality = 0;
    vdb.SetDevMode(job);
    EXPECT_EQ(host.devMode().color, 1);
    EXPECT_EQ(host.devMode().copies, 3);
    TVL48DEF back;
    vdb.GetDevMode(back);
    EXPECT_EQ(back.Orientation, 1);
    EXPECT_EQ(back.Copies, 3);
    EXPECT_EQ(back.Collate, 1);
    EXPECT_NE(back.DevFields & 0x8000u, 0u);
    EXPECT_EQ(back.DeviceName, "PDF");
    EXPECT_EQ(back.PrinterNum, 0);
    EXPECT_EQ(host.printer().copyCount(), 3);
}

TEST_F(PrinterLayerTest, PdfPagesTakeThePaperSet)
{
    platform::PrinterHost& host = *reportEngine().printers;
    const std::string pdf = (m_dir / "a3.pdf").string();
    host.setPdfFile(pdf);
    reportEngine().vdbPrint->SetPaper(8);
    {
        QPainter painter;
        ASSERT_TRUE(painter.begin(&host.printer())) << "the PDF printer did not start";
        painter.drawText(100, 100, QStringLiteral("A3"));
        painter.end();
    }
    const std::string info = runTool(QStringLiteral("pdfinfo"), {QString::fromStdString(pdf)});
    EXPECT_NE(info.find("(A3)"), std::string::npos) << info;
}

TEST_F(PrinterLayerTest, ErrorLogLines)
{
    EXPECT_EQ(errorLog(), "");
    WriteErrorLog("PRINT.開始:first");
    EXPECT_TRUE(std::filesystem::exists(m_docs / "Vellum48_Error.log"));
    WriteErrorLog("Vdb.SetPaper:second");
    const std::string raw = testsupport::readFile(m_docs / "Vellum48_Error.log");
    // CP932 on disk: "開始" is 8A4A 8E6E.
    EXPECT_NE(raw.find("\x8A\x4A\x8E\x6E"), std::string::npos);
    const QStringList lines =
        QString::fromStdString(errorLog()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    const QRegularExpression shape(
        QStringLiteral("^\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d  (.*)$"));
    const auto first = shape.match(lines[0]);
    const auto second = shape.match(lines[1]);
    ASSERT_TRUE(first.hasMatch()) << lines[0].toStdString();
    ASSERT_TRUE(second.hasMatch()) << lines[1].toStdString();
    EXPECT_EQ(first.captured(1), QStringLiteral("PRINT.開始:first"));
    EXPECT_EQ(second.captured(1), QStringLiteral("Vdb.SetPaper:second"));
}

TEST_F(PrinterLayerTest, ErrorLogNeverThrows)
{
    ::setenv("ZETRINO_DOCUMENTS_DIR", (m_dir / "missing" / "folder").c_str(), 1);
    EXPECT_NO_THROW(WriteErrorLog("ImageOut.(TEXT):x"));
    EXPECT_NO_THROW(WriteErrorLog("ImageOut.(TEXT):café"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "missing"));
}

} // namespace
