// The print loop on the PDF printer: pages, orientation turns, collated copies, ranges over a form
// cycle, stopping, "MESSAGE" pages and the file checks, read back with pdfinfo and pdftotext.
#include "PrintTestSupport.h"

#include "platform/Printers.h"
#include "print/PrintLoop.h"
#include "support/FileSizeLimit.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using printtest::EngineTest;
using testsupport::MessageRecorder;

std::string runTool(const QString& tool, const QStringList& args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForStarted(30000)) {
        ADD_FAILURE() << tool.toStdString() << " could not start: " << p.errorString().toStdString();
        return {};
    }
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << tool.toStdString() << " failed: " << p.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).toStdString();
}

// pdfinfo's value for a key ("Pages", "Title", "Page    3 size").
std::string pdfInfo(const std::string& pdf, const std::string& key, int lastPage = 0)
{
    QStringList args;
    if (lastPage > 0)
        args << "-f" << "1" << "-l" << QString::number(lastPage);
    args << QString::fromStdString(pdf);
    const QString out = QString::fromStdString(runTool("pdfinfo", args));
    const QRegularExpression re("^" + QRegularExpression::escape(QString::fromStdString(key)) +
                                ":\\s*(.*)$",
                                QRegularExpression::MultilineOption);
    const auto m = re.match(out);
    return m.hasMatch() ? m.captured(1).trimmed().toStdString() : std::string("<no " + key + ">");
}

std::string pageText(const std::string& pdf, int page)
{
    return runTool("pdftotext", {"-f", QString::number(page), "-l", QString::number(page), "-layout",
                                 QString::fromStdString(pdf), "-"});
}

// The page markers ("P1", "F2", ...) found on each page, in page order.
std::vector<std::string> markersOfPages(const std::string& pdf)
{
    const int pages = std::stoi(pdfInfo(pdf, "Pages"));
    std::vector<std::string> out;
    const QRegularExpression re("\\b([PF]\\d+)\\b");
    for (int p = 1; p <= pages; ++p) {
        std::string marks;
        auto it = re.globalMatch(QString::fromStdString(pageText(pdf, p)));
        while (it.hasNext()) {
            if (!marks.empty())
                marks += "+";
            marks += it.next().captured(1).toStdString();
        }
        out.push_back(marks);
    }
    return out;
}

std::string text(int x, int y, const std::string& s)
{
    return "TEXT;" + std::to_string(x) + ";" + std::to_string(y) + ";" + s +
           ";ＭＳ ゴシック;14;;黒;1;LEFT;0;0;";
}

print::TNowPrintingdlg* printingDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<print::TNowPrintingdlg*>(w); d && d->isVisible())
            return d;
    }
    return nullptr;
}

int g_previews = 0;
int countPreview(print::TVL48DEF*)
{
    ++g_previews;
    return 1;
}

class PrintLoopTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_EQ(print::reportEngine().printers->count(), 1) << "only the PDF printer expected";
    }
    void TearDown() override
    {
        print::setAfterPageHook({});
        print::setPreviewEntry(nullptr);
        EngineTest::TearDown();
    }

    // A data file of pages, each a list of records; pages end with "E;".
    std::string dataFile(const std::string& name, const std::vector<std::vector<std::string>>& pages)
    {
        std::vector<std::string> lines = {
            "*VELLUM48*************************************************************",
            "*[SETTING]", "*PAPERSIZE=9", "*ORIENTATION=0",
            "*************************************************************VELLUM48*"};
        for (std::size_t i = 0; i < pages.size(); ++i) {
            for (const std::string& r : pages[i])
                lines.push_back(r);
            if (i + 1 < pages.size())
                lines.push_back("E;");
        }
        return writeFile(name, lines);
    }
    std::string formFile(const std::string& name, int pages)
    {
        std::vector<std::string> lines;
        for (int i = 1; i <= pages; ++i) {
            lines.push_back(text(150, 1500, "F" + std::to_string(i)));
            if (i < pages)
                lines.push_back("E;");
        }
        return writeFile(name, lines);
    }
    std::vector<std::vector<std::string>> numberedPages(int n)
    {
        std::vector<std::vector<std::string>> pages;
        for (int i = 1; i <= n; ++i)
            pages.push_back({text(150, 200, "P" + std::to_string(i))});
        return pages;
    }
    print::TVL48DEF job(const std::string& data, bool dialog)
    {
        print::TVL48DEF j;
        j.DataFile = data;
        j.DocTitle = "試験帳票";
        j.PaperSize = 9;
        j.PrnDlg = dialog;
        return j;
    }
    std::string pdfPath() const { return (m_docs / "試験帳票.pdf").string(); }

    // Answers the print dialog: the output file, copies, collation and a page range (0,0 = all).
    void answerPrintDialog(MessageRecorder& rec, int copies, bool collate, int from = 0, int to = 0)
    {
        const std::string out = pdfPath();
        rec.onDialog([=](QDialog& d) {
            auto* pd = qobject_cast<QPrintDialog*>(&d);
            if (!pd) {
                ADD_FAILURE() << "the start dialog is not a print dialog";
                return int(QDialog::Rejected);
            }
            QPrinter* p = pd->printer();
            EXPECT_EQ(p->fromPage(), 1) << "all pages read back as 1 to the count";
            std::filesystem::create_directories(std::string(TEST_BINARY_DIR) + "/print-render");
            d.grab().save(QString(TEST_BINARY_DIR) + "/print-render/print-dialog.png");
            p->setOutputFileName(QString::fromStdString(out));
            p->setCopyCount(copies);
            p->setCollateCopies(collate);
            if (from || to) {
                p->setPrintRange(QPrinter::PageRange);
                p->setFromTo(from, to);
            }
            return int(QDialog::Accepted);
        });
    }
};

TEST_F(PrintLoopTest, ThreePagesWithoutDialogMakeAnA4PdfNamedAfterTheJob)
{
    MessageRecorder rec;
    rec.answerDefaults();
    print::JobDef.DocTitle = "前回のプレビュー";
    print::TVL48DEF j = job(dataFile("three.tmp", numberedPages(3)), false);
    EXPECT_EQ(print::PrintJob(&j), -1);
    ASSERT_TRUE(std::filesystem::exists(pdfPath()));
    EXPECT_EQ(pdfInfo(pdfPath(), "Pages"), "3");
    EXPECT_EQ(pdfInfo(pdfPath(), "Title"), "試験帳票");
    for (int p = 1; p <= 3; ++p)
        EXPECT_EQ(pdfInfo(pdfPath(), "Page    " + std::to_string(p) + " size", 3),
                  "595 x 842 pts (A4)");
    EXPECT_EQ(markersOfPages(pdfPath()), (std::vector<std::string>{"P1", "P2", "P3"}));
    ASSERT_EQ(rec.boxes().size(), 1u);
    EXPECT_EQ(rec.boxes()[0].kind, "information");
    EXPECT_NE(rec.boxes()[0].text.find(pdfPath()), std::string::npos) << rec.boxes()[0].text;
}

TEST_F(PrintLoopTest, ThePrintDialogOffersTheProposedPdfAndPrintsThere)
{
    MessageRecorder rec;
    rec.answerDefaults();
    QString offered;
    rec.onDialog([&](QDialog& d) {
        auto* pd = qobject_cast<QPrintDialog*>(&d);
        if (!pd) {
            ADD_FAILURE() << "the start dialog is not a print dialog";
            return int(QDialog::Rejected);
        }
        EXPECT_TRUE(pd->testOption(QAbstractPrintDialog::PrintToFile));
        auto* name = d.findChild<QLineEdit*>(QStringLiteral("filename"));
        offered = name ? name->text() : QString();
        // As the dialog's own 印刷 button: it takes its fields into the printer.
        pd->accept();
        return int(QDialog::Accepted);
    });
    print::TVL48DEF j = job(dataFile("offer.tmp", numberedPages(2)), true);
    EXPECT_EQ(print::PrintJob(&j), -1);
    EXPECT_EQ(offered.toStdString(), pdfPath());
    ASSERT_TRUE(std::filesystem::exists(pdfPath()));
    EXPECT_EQ(markersOfPages(pdfPath()), (std::vector<std::string>{"P1", "P2"}));
}

TEST_F(PrintLoopTest, AnExistingPdfIsNotOverwrittenByTheProposal)
{
    testsupport::writeFile(pdfPath(), "older");
    const std::string proposal = print::proposedPdfPath("試験帳票");
    EXPECT_NE(proposal, pdfPath());
    EXPECT_TRUE(QString::fromStdString(proposal).contains(
        QRegularExpression("試験帳票_\\d{8}_\\d{6}\\.pdf$")))
        << proposal;
    EXPECT_EQ(print::proposedPdfPath("a/b:c"), (m_docs / "a_b_c.pdf").string());
}

std::string bytesOf(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(PrintLoopTest, APdfNeverReplacesADatabaseOrAFileThatIsNoPdf)
{
    struct Case {
        const char* name;
        std::filesystem::path target;
        std::string refusal; // empty: the PDF replaces the file
    };
    const auto db = testsupport::FixtureDb::copyTo("company", m_dir.path() / "data" / "0002" / "dwacc.fdb");
    const auto memo = m_dir.path() / "memo.txt";
    testsupport::writeFile(memo, "大事なメモ");
    const auto older = m_dir.path() / "older.pdf";
    testsupport::writeFile(older, "%PDF-1.4\n%%EOF\n");
    const std::vector<Case> cases = {
        {"company database", db, db.string() + " はデータベースファイルです。"},
        {"text file", memo, memo.string() + " は PDF ファイルではないため、置き換えませんでした。"},
        {"older PDF", older, ""},
    };
    for (const Case& c : cases) {
        const std::string before = bytesOf(c.target);
        MessageRecorder rec;
        rec.answerDefaults();
        rec.onDialog([&](QDialog& d) {
            qobject_cast<QPrintDialog*>(&d)->printer()->setOutputFileName(QString::fromStdString(c.target.string()));
            return int(QDialog::Accepted);
        });
        print::TVL48DEF j = job(dataFile("target.tmp", numberedPages(2)), true);
        const int result = print::PrintJob(&j);
        std::vector<std::string> said;
        for (const auto& b : rec.boxes())
            if (b.kind != "dialog")
                said.push_back(b.kind + ": " + b.text);
        if (c.refusal.empty()) {
            EXPECT_EQ(result, -1) << c.name;
            EXPECT_EQ(markersOfPages(c.target.string()), (std::vector<std::string>{"P1", "P2"})) << c.name;
            EXPECT_EQ(said, (std::vector<std::string>{"information: PDF ファイルに出力しました。\r" + c.target.string()}))
                << c.name;
        } else {
            EXPECT_EQ(result, 0) << c.name;
            EXPECT_EQ(bytesOf(c.target), before) << c.name << ": not a byte may change";
            EXPECT_EQ(said, (std::vector<std::string>{"error: PDF ファイルを出力できませんでした。\r" + c.refusal}))
                << c.name;
        }
    }
}

TEST_F(PrintLoopTest, APdfCutShortByAFullDiskIsRemovedAndReported)
{
    MessageRecorder rec;
    rec.answerDefaults();
    std::unique_ptr<testsupport::FileSizeLimit> full;
    rec.onDialog([&](QDialog& d) {
        qobject_cast<QPrintDialog*>(&d)->printer()->setOutputFileName(QString::fromStdString(pdfPath()));
        full = std::make_unique<testsupport::FileSizeLimit>(4096);
        return int(QDialog::Accepted);
    });
    print::TVL48DEF j = job(dataFile("full.tmp", numberedPages(3)), true);
    const int result = print::PrintJob(&j);
    full.reset();
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(std::filesystem::exists(pdfPath())) << "a partial PDF stayed";
    std::vector<std::string> said;
    for (const auto& b : rec.boxes())
        if (b.kind != "dialog")
            said.push_back(b.kind + ": " + b.text);
    EXPECT_EQ(said, (std::vector<std::string>{
                        "error: PDF ファイルを作成できませんでした。\r" + pdfPath() +
                        "\rファイルを最後まで書き込めませんでした（ディスクの空き容量が不足している可能性があります）。"}));
}

TEST_F(PrintLoopTest, AnOrientationTurnGoesOnInTheSamePdf)
{
    MessageRecorder rec;
    rec.answerDefaults();
    auto pages = numberedPages(3);
    pages[2].insert(pages[2].begin(), "ORIENTATION;1;");
    print::TVL48DEF j = job(dataFile("turn.tmp", pages), false);
    EXPECT_EQ(print::PrintJob(&j), -1);
    EXPECT_EQ(pdfInfo(pdfPath(), "Pages"), "3");
    EXPECT_EQ(pdfInfo(pdfPath(), "Page    2 size", 3), "595 x 842 pts (A4)");
    EXPECT_EQ(pdfInfo(pdfPath(), "Page    3 size", 3), "842 x 595 pts (A4)");
    EXPECT_EQ(markersOfPages(pdfPath()), (std::vector<std::string>{"P1", "P2", "P3"}));
}

TEST_F(PrintLoopTest, CollatedCopiesArePrintedAsWholePasses)
{
    MessageRecorder rec;
    rec.answerDefaults();
    answerPrintDialog(rec, 3, true);
    print::TVL48DEF j = job(dataFile("copies.tmp", numberedPages(3)), true);
    EXPECT_EQ(print::PrintJob(&j), -1);
    EXPECT_EQ(markersOfPages(pdfPath()),
              (std::vector<std::string>{"P1", "P2", "P3", "P1", "P2", "P3", "P1", "P2", "P3"}));
    EXPECT_EQ(print::JobDef.Collate, 0);
    EXPECT_EQ(print::JobDef.Copies, 1);
}

TEST_F(PrintLoopTest, UncollatedCopiesOfTheJobRepeatEachPageInThePdf)
{
    MessageRecorder rec;
    rec.answerDefaults();
    print::TVL48DEF j = job(dataFile("copies.tmp", numberedPages(2)), false);
    j.Copies = 3;
    EXPECT_EQ(print::PrintJob(&j), -1);
    EXPECT_EQ(pdfInfo(pdfPath(), "Pages"), "6");
    EXPECT_EQ(markersOfPages(pdfPath()),
              (std::vector<std::string>{"P1", "P1", "P1", "P2", "P2", "P2"}));
    ASSERT_EQ(rec.boxes().size(), 1u);
    EXPECT_EQ(rec.boxes()[0].text, "PDF ファイルに出力しました。\r" + pdfPath());
}

// The device mode's scale: a word 15 mm from the page's left edge (42.5 pt) moves with it.
TEST_F(PrintLoopTest, TheDeviceModeScaleScalesTheDrawing)
{
    const struct {
        int scale;
        double xPt;
    } cases[] = {{100, 42.52}, {50, 21.26}, {0, 42.52}}; // 0: not set
    for (const auto& c : cases) {
        MessageRecorder rec;
        rec.answerDefaults();
        std::filesystem::remove(pdfPath());
        print::reportEngine().printers->devMode().scale = c.scale;
        print::TVL48DEF j = job(dataFile("scaled.tmp", numberedPages(1)), false);
        EXPECT_EQ(print::PrintJob(&j), -1) << c.scale;
        const QString bbox = QString::fromStdString(
            runTool("pdftotext", {"-bbox", QString::fromStdString(pdfPath()), "-"}));
        const auto m = QRegularExpression(R"re(xMin="([0-9.]+)"[^>]*>P1<)re").match(bbox);
        ASSERT_TRUE(m.hasMatch()) << c.scale << bbox.toStdString();
        EXPECT_NEAR(m.captured(1).toDouble(), c.xPt, 1.5) << c.scale;
    }
    print::reportEngine().printers->devMode().scale = 100;
}

struct RangeCase {
    const char* name;
    int dataPages;
    int formPages;
    int from; // 0: all pages
    int to;
    std::vector<std::string> expected;
    int copies = 1; // uncollated
};

void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.name; }

class PrintRangeTest : public PrintLoopTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(PrintRangeTest, DataPagesMeetTheirFormPagesOfTheCycle)
{
    const RangeCase& c = GetParam();
    MessageRecorder rec;
    rec.answerDefaults();
    answerPrintDialog(rec, c.copies, false, c.from, c.to);
    print::TVL48DEF j = job(dataFile("range.tmp", numberedPages(c.dataPages)), true);
    if (c.formPages > 0)
        j.FormFile = formFile("form.tmp", c.formPages);
    EXPECT_EQ(print::PrintJob(&j), -1);
    EXPECT_EQ(markersOfPages(pdfPath()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintRangeTest,
    ::testing::Values(
        RangeCase{"RangeOverTwoPageForm", 5, 2, 3, 4, {"P3+F1", "P4+F2"}},
        RangeCase{"WholeWithLongerForm", 2, 3, 0, 0, {"P1+F1", "P2+F2", "F3"}},
        RangeCase{"FormRepeats", 3, 1, 0, 0, {"P1+F1", "P2+F1", "P3+F1"}},
        RangeCase{"LastPageAlone", 4, 0, 4, 4, {"P4"}},
        RangeCase{"TwoUncollatedCopies", 2, 0, 0, 0, {"P1", "P1", "P2", "P2"}, 2},
        RangeCase{"UncollatedCopiesOverLongerForm", 2, 3, 0, 0,
                  {"P1+F1", "P1+F1", "P2+F2", "P2+F2", "F3", "F3"}, 2},
        RangeCase{"UncollatedCopiesOfARange", 5, 2, 3, 4, {"P3+F1", "P3+F1", "P4+F2", "P4+F2"}, 2}),
    [](const ::testing::TestParamInfo<RangeCase>& p) { return std::string(p.param.name); });

TEST_F(PrintLoopTest, FileChecksAnswerZeroWithTheirBox)
{
    struct Case {
        std::string data;
        std::string form;
        std::string box;
    };
    const std::string plain = writeFile("plain.tmp", {"VELLUM48 but not at the start", "E;"});
    const std::string good = dataFile("good.tmp", numberedPages(1));
    const std::string missing = (m_dir / "missing.tmp").string();
    const std::vector<Case> cases = {
        {plain, "", "<VELLUM48>印刷データではありません。"},
        {missing, "", "<" + missing + "> が見つかりません。"},
        {good, missing, "<" + missing + "> が見つかりません。"},
    };
    for (const Case& c : cases) {
        MessageRecorder rec;
        rec.answerDefaults();
        print::TVL48DEF j = job(c.data, false);
        j.FormFile = c.form;
        EXPECT_EQ(print::PrintJob(&j), 0) << c.box;
        ASSERT_EQ(rec.boxes().size(), 1u) << c.box;
        EXPECT_EQ(rec.boxes()[0].kind, "error");
        EXPECT_EQ(rec.boxes()[0].text, c.box);
        EXPECT_FALSE(std::filesystem::exists(pdfPath()));
    }
}

TEST_F(PrintLoopTest, AJobEndedByAnErrorIsReportedAndLeavesNoPdf)
{
    struct Case {
        const char* name;
        bool folderMissing; // the PDF cannot even be begun
        bool failAfterFirstPage;
    };
    for (const Case& c : {Case{"unwritable", true, false}, Case{"half way", false, true}}) {
        MessageRecorder rec;
        rec.answerDefaults();
        const std::string pdf =
            c.folderMissing ? (m_dir / "no-such-folder" / "out.pdf").string() : pdfPath();
        rec.onDialog([&](QDialog& d) {
            qobject_cast<QPrintDialog*>(&d)->printer()->setOutputFileName(QString::fromStdString(pdf));
            return int(QDialog::Accepted);
        });
        print::setAfterPageHook([&](int page) {
            if (c.failAfterFirstPage && page == 1)
                throw std::runtime_error("the disk is full");
        });
        print::TVL48DEF j = job(dataFile("err.tmp", numberedPages(3)), true);
        EXPECT_EQ(print::PrintJob(&j), 0) << c.name;
        EXPECT_FALSE(std::filesystem::exists(pdf)) << c.name;
        std::vector<std::string> said;
        for (const auto& b : rec.boxes())
            if (b.kind != "dialog")
                said.push_back(b.kind + ": " + b.text);
        EXPECT_EQ(said, (std::vector<std::string>{"error: PDF ファイルを作成できませんでした。\r" + pdf}))
            << c.name;
        EXPECT_NE(errorLog().find("PRINT.メイン:"), std::string::npos) << c.name;
        print::setAfterPageHook({});
    }
}

TEST_F(PrintLoopTest, WithoutPermissionThePreviewOpensInstead)
{
    MessageRecorder rec;
    g_previews = 0;
    print::setPreviewEntry(&countPreview);
    print::TVL48DEF j = job(dataFile("p.tmp", numberedPages(1)), false);
    j.Permit = false;
    EXPECT_EQ(print::PrintJob(&j), 0);
    EXPECT_EQ(g_previews, 1);
    EXPECT_FALSE(std::filesystem::exists(pdfPath()));
    EXPECT_TRUE(rec.boxes().empty());
}

TEST_F(PrintLoopTest, StoppingAfterTheFirstPageLeavesNoPdf)
{
    MessageRecorder rec;
    rec.answer(platform::IDYES);
    std::vector<std::string> labels;
    print::setAfterPageHook([&](int) {
        print::TNowPrintingdlg* d = printingDialog();
        ASSERT_NE(d, nullptr) << "the printing dialog is not shown while pages print";
        labels.push_back(d->pageLabel()->text().toStdString());
        if (labels.size() == 1) {
            // The close box does nothing while pages print; only ｷｬﾝｾﾙ stops them.
            d->close();
            EXPECT_TRUE(d->isVisible()) << "the printing dialog closed while the loop ran";
            const QString png = QString(TEST_BINARY_DIR) + "/print-render/printing-dialog.png";
            std::filesystem::create_directories(std::string(TEST_BINARY_DIR) + "/print-render");
            d->grab().save(png);
            d->cancelButton()->click();
        }
    });
    print::TVL48DEF j = job(dataFile("stop.tmp", numberedPages(3)), false);
    EXPECT_EQ(print::PrintJob(&j), 0);
    EXPECT_EQ(labels, (std::vector<std::string>{"(Page=1)"}));
    EXPECT_FALSE(std::filesystem::exists(pdfPath()));
    ASSERT_EQ(rec.boxes().size(), 1u);
    EXPECT_EQ(rec.boxes()[0].text, "印刷を中止しますか？");
}

TEST_F(PrintLoopTest, CancelAnsweredNoPrintsOn)
{
    MessageRecorder rec;
    rec.answer(platform::IDNO);
    rec.answerDefaults();
    bool clicked = false;
    print::setAfterPageHook([&](int) {
        if (!clicked) {
            clicked = true;
            printingDialog()->cancelButton()->click();
        }
    });
    print::TVL48DEF j = job(dataFile("go.tmp", numberedPages(2)), false);
    EXPECT_EQ(print::PrintJob(&j), -1);
    EXPECT_EQ(markersOfPages(pdfPath()), (std::vector<std::string>{"P1", "P2"}));
}

TEST_F(PrintLoopTest, AMessagePageShowsItsTextBeforeTheNextJob)
{
    MessageRecorder rec;
    rec.answerDefaults();
    std::vector<int> printerPages;
    std::vector<std::size_t> boxesSeen;
    print::setAfterPageHook([&](int page) {
        printerPages.push_back(page);
        boxesSeen.push_back(rec.boxes().size());
    });
    auto pages = numberedPages(2);
    pages[0].push_back("MESSAGE;用紙を替えてください;");
    print::TVL48DEF j = job(dataFile("msg.tmp", pages), false);
    EXPECT_EQ(print::PrintJob(&j), -1);
    // The new job numbers its pages from 1 again.
    EXPECT_EQ(printerPages, (std::vector<int>{1, 1}));
    EXPECT_EQ(boxesSeen, (std::vector<std::size_t>{0, 1}));
    ASSERT_GE(rec.boxes().size(), 1u);
    EXPECT_EQ(rec.boxes()[0].text, "用紙を替えてください");
    EXPECT_EQ(markersOfPages(pdfPath()), (std::vector<std::string>{"P1", "P2"}));
}

TEST_F(PrintLoopTest, FormVariablesFollowTheDocumentPageAfterASplit)
{
    MessageRecorder rec;
    rec.answerDefaults();
    // Each form page has its own variable; the data's second page fills the second one.
    const std::string form = writeFile(
        "vars.tmp", {"&;300;2000;甲;ＭＳ ゴシック;12;;黒;OFF;LEFT;0;0;0;", "E;",
                     "&;300;2500;乙;ＭＳ ゴシック;12;;黒;OFF;LEFT;0;0;0;"});
    print::TVL48DEF j = job(dataFile("vars-data.tmp", {{"@;甲;VALUEA1;", "MESSAGE;次へ;"},
                                                        {"@;乙;VALUEB2;"}}),
                            false);
    j.FormFile = form;
    EXPECT_EQ(print::PrintJob(&j), -1);
    EXPECT_EQ(pdfInfo(pdfPath(), "Pages"), "2");
    EXPECT_NE(pageText(pdfPath(), 1).find("VALUEA1"), std::string::npos);
    EXPECT_NE(pageText(pdfPath(), 2).find("VALUEB2"), std::string::npos) << pageText(pdfPath(), 2);
}

TEST_F(PrintLoopTest, CurrentPagePrintsThatPageAlone)
{
    MessageRecorder rec;
    rec.answerDefaults();
    auto pages = numberedPages(3);
    pages[1].insert(pages[1].begin(), "ORIENTATION;1;");
    print::TVL48DEF j = job(dataFile("cur.tmp", pages), true);
    print::JobDef.DocTitle = "試験帳票";
    print::PrintCurrentPage(&j, 2, 1);
    EXPECT_EQ(markersOfPages(pdfPath()), (std::vector<std::string>{"P2"}));
    EXPECT_EQ(pdfInfo(pdfPath(), "Page    1 size", 1), "842 x 595 pts (A4)");
    EXPECT_EQ(j.Copies, 1);
}

} // namespace

namespace {

using QtTranslationTest = printtest::EngineTest;

TEST_F(QtTranslationTest, StartUpMakesQtsOwnDialogsSpeakJapanese)
{
    EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), QStringLiteral("印刷"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
}

} // namespace
