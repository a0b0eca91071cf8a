// The print loop: PrintJob's body, the one-page print, the start dialog and the printing dialog.
#include "print/PrintLoop.h"

#include "platform/Files.h"
#include "platform/MessageService.h"
#include "platform/Printers.h"
#include "platform/SpecialFolders.h"
#include "print/ErrorLog.h"
#include "print/PagePainter.h"
#include "print/PdfTarget.h"
#include "print/ReportComponent.h"
#include "print/ReportEngine.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <exception>
#include <sstream>
#include <vector>

namespace print {

namespace {

using platform::MB_ICONERROR;
using platform::MB_ICONINFORMATION;
using platform::MB_OK;

// What one print hands from PrintJob to the page loop.
struct LoopState {
    std::string formPath;
    std::string dataPath;
    bool cancel = false;
    bool stopped = false; // the loop could not start (a file went missing)
    bool failed = false;  // an error ended the loop: what was printed is no document
    bool range = false;
    int firstPage = 1;
    int lastPage = 1;
    int pagesLeft = 0;
    bool collate = false;
    std::string failReason; // why the job failed, when it is known
};

LoopState g_loop;
std::function<void(int)> g_afterPage;

void errorBox(const std::string& text) { platform::messageBox(text, "", MB_OK | MB_ICONERROR); }

// Said when an error ended the page loop (the error itself is in the log): a job that did not
// finish must not pass for a finished one.
void reportFailedJob(bool pdf, const std::string& file)
{
    std::string text = pdf ? "PDF ファイルを作成できませんでした。\r" + file : std::string("印刷できませんでした。");
    if (!g_loop.failReason.empty())
        text += "\r" + g_loop.failReason;
    errorBox(text);
}


platform::PrinterHost& host() { return *reportEngine().printers; }

// Whether the job goes into a PDF file: the PDF printer, or "print to file" chosen in the print
// dialog for a queue.
bool writesPdf()
{
    const QPrinter& p = host().printer();
    return p.outputFormat() == QPrinter::PdfFormat && !p.outputFileName().isEmpty();
}

std::string pdfWritten() { return host().printer().outputFileName().toStdString(); }

// Refuses a PDF that would replace a database or a file that is no PDF: nothing is written.
bool pdfTargetRefused()
{
    if (!writesPdf())
        return false;
    const std::string why = pdfTargetRefusal(pdfWritten());
    if (why.empty())
        return false;
    errorBox("PDF ファイルを出力できませんでした。\r" + why);
    return true;
}

std::string fileMissing(const std::string& path) { return "<" + path + "> が見つかりません。"; }

// A document name made safe as a file name.
std::string fileNameOf(const std::string& docTitle)
{
    QString name = QString::fromStdString(docTitle).trimmed();
    for (QChar& c : name) {
        if (c == u'/' || c == u'\\' || c == u':' || c == u'*' || c == u'?' || c == u'"' ||
            c == u'<' || c == u'>' || c == u'|' || c.unicode() < 0x20)
            c = u'_';
    }
    if (name.isEmpty() || name == u"." || name == u"..")
        name = QStringLiteral("document");
    return name.toStdString();
}

std::vector<int> orientationList(const std::string& path, int start)
{
    std::vector<int> out;
    std::istringstream in(CollectPageOrientations(path, start));
    std::string line;
    while (std::getline(in, line))
        out.push_back(fieldInt(line, start));
    return out;
}

void setOrientation(int orientation01)
{
    host().devMode().orientation = orientation01 == 1 ? 2 : 1;
    host().applyDevMode();
}

// One print as the printer sees it. A queue gets a new job at every split; the PDF printer keeps
// one file (a second job would overwrite it) and takes a new page instead.
class JobSink {
public:
    bool begin()
    {
        QPrinter& p = host().printer();
        p.setDocName(QString::fromStdString(JobDef.DocTitle));
        m_pageNumber = 1;
        const bool begun = m_painter.begin(&p);
        m_begun = m_begun || begun;
        // The device mode's scale (percent) shrinks or enlarges the whole drawing.
        const int scale = host().devMode().scale;
        if (begun && scale > 0 && scale != 100)
            m_painter.scale(scale / 100.0, scale / 100.0);
        return begun;
    }
    void newPage()
    {
        host().printer().newPage();
        ++m_pageNumber;
    }
    // Ends the job and begins a new one in the given orientation (0 portrait, 1 landscape).
    bool split(int orientation01)
    {
        if (writesPdf()) {
            setOrientation(orientation01);
            host().printer().newPage();
            m_pageNumber = 1;
            return true;
        }
        m_painter.end();
        setOrientation(orientation01);
        return begin();
    }
    void end()
    {
        if (m_painter.isActive())
            m_painter.end();
    }
    void abort()
    {
        QPrinter& p = host().printer();
        const bool pdf = writesPdf();
        if (!pdf)
            p.abort();
        if (m_painter.isActive())
            m_painter.end();
        if (pdf && m_begun) {
            // A stopped PDF is no document: leave nothing half written behind.
            const std::string file = p.outputFileName().toStdString();
            try {
                if (!file.empty() && platform::files::fileExists(file))
                    platform::files::removeFile(file);
            } catch (const std::exception& e) {
                WriteErrorLog(std::string("PRINT.メイン:") + e.what());
            }
        }
    }
    QPainter& painter() { return m_painter; }
    int pageNumber() const { return m_pageNumber; }

private:
    QPainter m_painter;
    int m_pageNumber = 1;
    bool m_begun = false;
};

// Aborts the job when an error leaves the page loop: half a document is none.
class AbortOnError {
public:
    explicit AbortOnError(JobSink& sink) : m_sink(sink) {}
    ~AbortOnError()
    {
        if (std::uncaught_exceptions() > m_pending)
            m_sink.abort();
    }
    AbortOnError(const AbortOnError&) = delete;
    AbortOnError& operator=(const AbortOnError&) = delete;

private:
    JobSink& m_sink;
    int m_pending = std::uncaught_exceptions();
};

// Fills the start dialog's page range from the data file; returns the data file's page count.
int prepareStartDialog(TStartPrintDlg& start)
{
    if (g_loop.dataPath.empty())
        return 0;
    const int pages = CountPages(g_loop.dataPath, true);
    start.PrintDialog().setMinMax(1, pages);
    host().printer().setFromTo(1, pages);
    host().printer().setPrintRange(QPrinter::AllPages);
    return pages;
}

void runPrintingDialog()
{
    TNowPrintingdlg dialog;
    QTimer::singleShot(500, &dialog, [&dialog] { dialog.PrintStart(); });
    dialog.exec();
}

int answerPrint(TVL48DEF* job) { return RunPrintJob(job); }

} // namespace

void setAfterPageHook(std::function<void(int)> hook) { g_afterPage = std::move(hook); }

void installPrintLoop() { setPrintEntry(&answerPrint); }

std::string proposedPdfPath(const std::string& docTitle)
{
    std::string folder = platform::documentsFolder();
    if (folder.empty())
        folder = QDir::homePath().toStdString();
    const QDir dir(QString::fromStdString(folder));
    const QString name = QString::fromStdString(fileNameOf(docTitle));
    QString path = dir.filePath(name + QStringLiteral(".pdf"));
    if (platform::files::fileExists(path.toStdString()))
        path = dir.filePath(name + u'_' +
                            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".pdf"));
    return QDir::toNativeSeparators(path).toStdString();
}

TStartPrintDlg::TStartPrintDlg()
    : m_dialog(std::make_unique<QPrintDialog>(&host().printer()))
{
    // Printing to a file is what the PDF printer does: without it the dialog offers no PDF
    // and no file name where there is no queue.
    m_dialog->setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                         QAbstractPrintDialog::PrintCollateCopies |
                         QAbstractPrintDialog::PrintShowPageSize);
}

TStartPrintDlg::~TStartPrintDlg() = default;

std::int16_t RunPrintJob(TVL48DEF* job)
{
    ReportEngineState& e = reportEngine();
    if (!e.ready || !job)
        return 0;
    if (!job->Permit) {
        ShowPreview(job);
        return 0;
    }
    std::int16_t result = -1;
    bool dialogCancelled = false;
    try {
        g_loop = LoopState{};
        g_loop.formPath = job->FormFile;
        g_loop.dataPath = job->DataFile;
        e.currentPage = 1;

        if (job->DataFile.empty() || !platform::files::fileExists(job->DataFile)) {
            errorBox(fileMissing(job->DataFile));
            return 0;
        }
        {
            PrintFile data(job->DataFile);
            const std::string first = data.eof() ? std::string() : data.readLine();
            if (first.compare(0, 10, "*VELLUM48*") != 0) {
                errorBox("<VELLUM48>印刷データではありません。");
                return 0;
            }
        }
        const QString form = QString::fromStdString(job->FormFile).trimmed();
        if (!form.isEmpty() && !platform::files::fileExists(job->FormFile)) {
            errorBox(fileMissing(job->FormFile));
            return 0;
        }

        TVDBPrint& vdb = *e.vdbPrint;
        if (job == &JobDef) {
            const int paper = vdb.GetPaper();
            host().setIndex(JobDef.PrinterNum);
            vdb.SetPaper(paper);
        } else {
            CopyJobSettings(JobDef, *job);
            // A direct print names its own document, not the last preview's.
            JobDef.DocTitle = job->DocTitle;
            JobDef.OcrGreen = job->OcrGreen;
            JobDef.OcrBlue = job->OcrBlue;
            JobDef.OcrBrown = job->OcrBrown;
            JobDef.OcrPink = job->OcrPink;
            JobDef.OcrOrange = job->OcrOrange;
            JobDef.OcrViolet = job->OcrViolet;
            JobDef.OcrPurple = job->OcrPurple;
            JobDef.PageBangoRec = job->PageBangoRec;
            host().setIndex(JobDef.PrinterNum);
            if (JobDef.PaperSize == 0)
                JobDef.PaperSize = vdb.GetPaperNumber(JobDef.PaperName, JobDef.PaperLength, 9,
                                                      JobDef.PaperWidth);
            vdb.SetPaper(JobDef.OutPutPaper != 0 ? JobDef.OutPutPaper : JobDef.PaperSize);
        }
        // A form path of blanks names no form: nothing may try to open it.
        JobDef.FormFile = form.isEmpty() ? std::string() : job->FormFile;
        JobDef.DataFile = job->DataFile;
        g_loop.formPath = JobDef.FormFile;
        if (JobDef.Copies < 1 || JobDef.Copies > 99)
            JobDef.Copies = 1;
        if (JobDef.Zoom < 5 || JobDef.Zoom > 15)
            JobDef.Zoom = 10;

        TotalPages();

        host().devMode().orientation = JobDef.Orientation == 1 ? 2 : 1;
        host().devMode().copies = JobDef.Copies < 2 ? 1 : JobDef.Copies;
        host().applyDevMode();

        // The print dialog reads the file name when it is made: propose it first.
        if (host().isPdf())
            host().setPdfFile(proposedPdfPath(JobDef.DocTitle));
        TStartPrintDlg start;
        const int pages = prepareStartDialog(start);
        g_loop.firstPage = 1;
        g_loop.lastPage = pages;
        if (JobDef.PrnDlg) {
            host().printer().setDocName(QString::fromStdString(JobDef.DocTitle));
            if (platform::execDialog(start.PrintDialog()) != QDialog::Accepted) {
                dialogCancelled = true;
            } else {
                QPrinter& p = host().printer();
                g_loop.range = start.PrintDialog().printRange() == QAbstractPrintDialog::PageRange;
                if (g_loop.range) {
                    g_loop.firstPage = p.fromPage();
                    g_loop.lastPage = p.toPage();
                }
                // Qt may leave 0 for "all pages"; a first page below 1 is page 1.
                if (g_loop.firstPage < 1)
                    g_loop.firstPage = 1;
                if (g_loop.lastPage < g_loop.firstPage)
                    g_loop.lastPage = g_loop.range ? g_loop.firstPage : pages;
                e.currentPage = g_loop.firstPage;
                g_loop.collate = p.collateCopies();
                if (host().isPdf() && !p.outputFileName().isEmpty())
                    host().setPdfFile(p.outputFileName().toStdString());
                host().devMode().copies = p.copyCount() > 0 ? p.copyCount() : 1;
                host().devMode().collate = g_loop.collate ? 1 : 0;
                vdb.GetDevMode(*job);
                if (job != &JobDef) {
                    JobDef.Copies = job->Copies;
                    JobDef.Collate = job->Collate;
                    JobDef.ColorMode = job->ColorMode;
                }
            }
        }
        if (!dialogCancelled && pdfTargetRefused())
            dialogCancelled = true;
        if (!dialogCancelled) {
            AdjustPaperRatio();
            runPrintingDialog();
        }
    } catch (const std::exception& ex) {
        WriteErrorLog(std::string("PRINT.開始:") + ex.what());
    }
    if (dialogCancelled || g_loop.cancel || g_loop.stopped || g_loop.failed) {
        try {
            setOrientation(JobDef.Orientation);
        } catch (const std::exception& ex) {
            WriteErrorLog(std::string("PRINT.開始:") + ex.what());
        }
        if (g_loop.failed)
            reportFailedJob(writesPdf(), pdfWritten());
        return 0;
    }
    if (result == -1 && writesPdf()) {
        platform::messageBox("PDF ファイルに出力しました。\r" + pdfWritten(), "印刷",
                             MB_OK | MB_ICONINFORMATION);
    }
    return result;
}

void PrintCurrentPage(TVL48DEF* job, int page, int orientation)
{
    ReportEngineState& e = reportEngine();
    e.currentPage = page;
    if (!e.ready || !job)
        return;
    try {
        g_loop = LoopState{};
        g_loop.formPath = job->FormFile;
        g_loop.dataPath = job->DataFile;
        TVDBPrint& vdb = *e.vdbPrint;
        const int paper = vdb.GetPaper();
        host().setIndex(job->PrinterNum);
        vdb.SetPaper(paper);
        job->Copies = 1;
        if (job != &JobDef) {
            JobDef.ColorMode = job->ColorMode;
            JobDef.Copies = 1;
        }
        host().devMode().copies = 1;
        setOrientation(orientation);
        try {
            if (host().isPdf())
                host().setPdfFile(proposedPdfPath(JobDef.DocTitle));
            TStartPrintDlg start;
            if (!g_loop.dataPath.empty()) {
                prepareStartDialog(start);
                host().printer().setPrintRange(QPrinter::PageRange);
                host().printer().setFromTo(page, page);
                g_loop.range = true;
                g_loop.firstPage = page < 1 ? 1 : page;
                g_loop.lastPage = g_loop.firstPage;
            }
            if (pdfTargetRefused()) {
                setOrientation(orientation);
                return;
            }
            AdjustPaperRatio();
            runPrintingDialog();
        } catch (...) {
            setOrientation(orientation);
            throw;
        }
        setOrientation(orientation);
        if (g_loop.failed)
            reportFailedJob(writesPdf(), pdfWritten());
        else if (!g_loop.cancel && !g_loop.stopped && writesPdf())
            platform::messageBox("PDF ファイルに出力しました。\r" + pdfWritten(), "印刷",
                                 MB_OK | MB_ICONINFORMATION);
    } catch (const std::exception& ex) {
        WriteErrorLog(std::string("PRINT.現在のページ:") + ex.what());
    }
}

TNowPrintingdlg::TNowPrintingdlg(QWidget* parent)
    : platform::Dialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("印刷"));
    setFixedSize(315, 141);
    auto* label = new QLabel(QStringLiteral(" 印刷中です。"), this);
    label->setGeometry(24, 20, 267, 20);
    m_pageLabel = new QLabel(this);
    m_pageLabel->setGeometry(24, 48, 267, 20);
    m_cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    m_cancel->setGeometry(118, 92, 80, 28);
    connect(m_cancel, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TNowPrintingdlg::CancelButtonClick()
{
    if (platform::messageBox("印刷を中止しますか？", "", platform::MB_YESNO | platform::MB_ICONQUESTION) ==
        platform::IDYES)
        g_loop.cancel = true;
    setModalResult(platform::mrAbort);
}

bool TNowPrintingdlg::doCloseQuery(int) { return !m_running; }

void TNowPrintingdlg::PrintStart()
{
    if (m_started)
        return;
    m_started = true;
    m_running = true;
    try {
        runLoop();
    } catch (const std::exception& ex) {
        g_loop.failed = true;
        WriteErrorLog(std::string("PRINT.メイン:") + ex.what());
    } catch (...) {
        g_loop.failed = true;
        WriteErrorLog("PRINT.メイン:unknown error");
    }
    m_running = false;
    if (!g_loop.stopped)
        done(platform::mrAbort);
}

void TNowPrintingdlg::runLoop()
{
    ReportEngineState& e = reportEngine();
    TVDBPrint& vdb = *e.vdbPrint;
    int passes = 1;
    if (JobDef.Collate == 1 || (JobDef.Copies > 1 && g_loop.collate)) {
        // Collated copies are printed as whole passes of one copy each.
        g_loop.collate = true;
        passes = JobDef.Copies;
        JobDef.Collate = 0;
        JobDef.Copies = 1;
        vdb.SetDevMode(JobDef);
    } else if ((JobDef.DevFields & platform::DM_COLLATE) && JobDef.ColorMode == 1) {
        vdb.SetDevMode(JobDef);
    }
    if (passes < 1)
        passes = 1;
    // A PDF file has no copy count: uncollated copies repeat each sheet in place (1,1,2,2,...).
    const int sheetCopies = writesPdf() ? std::max(1, host().printer().copyCount()) : 1;

    QPrinter& printer = host().printer();
    const int dpiX = printer.logicalDpiX();
    const int dpiY = printer.logicalDpiY();
    const double sx = dpiX / 254.0;
    const double sy = dpiY / 254.0;
    printer.setDocName(QString::fromStdString(JobDef.DocTitle));

    const bool withForm = !QString::fromStdString(g_loop.formPath).trimmed().isEmpty();
    std::unique_ptr<PrintFile> form;
    if (withForm) {
        HensuuYomikomi(g_loop.formPath, dpiX / 254, dpiY / 254);
        if (!platform::files::fileExists(g_loop.formPath)) {
            errorBox(fileMissing(g_loop.formPath));
            g_loop.stopped = true;
            return;
        }
        form = std::make_unique<PrintFile>(g_loop.formPath);
    }
    if (g_loop.dataPath.empty()) {
        errorBox("印刷ファイルの指定がありません。");
        g_loop.stopped = true;
        return;
    }
    if (!platform::files::fileExists(g_loop.dataPath)) {
        errorBox(fileMissing(g_loop.dataPath));
        g_loop.stopped = true;
        return;
    }
    PrintFile dataFile(g_loop.dataPath);
    const std::vector<int> turns = orientationList(g_loop.dataPath, JobDef.Orientation);
    const auto turnAt = [&](int index) {
        return index >= 0 && index < static_cast<int>(turns.size()) ? turns[index]
                                                                    : JobDef.Orientation;
    };

    int paperW = 0;
    int paperH = 0;
    PaperSizeMM(vdb.GetPaper(), paperW, paperH);
    vdb.ResetUserPaperSize();
    const int horz = host().horzSizeMM();
    const int vert = host().vertSizeMM();
    if (e.deviceSizedPaper < 2) {
        if (host().devMode().orientation == 2)
            std::swap(paperW, paperH);
    } else {
        paperW = horz + 20;
        paperH = vert + 20;
    }
    e.pageLeft = JobDef.LeftMargin - 10 * roundHalfEven((paperW - horz) / 2.0);
    e.pageTop = JobDef.TopMargin - 10 * roundHalfEven((paperH - vert) / 2.0);
    vdb.SetTTOption(1);

    const int formCycle = std::max(1, formPagesInCycle());
    const int dataPages = CountPages(g_loop.dataPath, false);
    JobSink sink;
    const AbortOnError abortOnError(sink);
    bool begun = false;
    const auto formIndexOf = [&](int documentPage) { return (documentPage - 1) % formCycle; };
    const auto showPage = [&] {
        m_pageLabel->setText(QStringLiteral("(Page=%1)").arg(sink.pageNumber()));
    };
    const auto afterPage = [&] {
        if (g_afterPage)
            g_afterPage(sink.pageNumber());
        QCoreApplication::processEvents();
    };

    while (passes > 0) {
        const int startOrientation = turnAt(g_loop.range ? g_loop.firstPage - 1 : 0);
        if (!begun) {
            setOrientation(startOrientation);
            if (!sink.begin())
                throw std::runtime_error("the printer cannot begin a job");
            begun = true;
        } else {
            sink.split(startOrientation);
        }
        dataFile.rewind();
        e.currentPage = g_loop.firstPage;
        g_loop.pagesLeft = g_loop.range ? g_loop.lastPage - g_loop.firstPage + 1 : dataPages;
        m_pageLabel->clear();
        int turnIndex = 0;
        bool formPositioned = false;
        if (g_loop.range) {
            SeekPage(dataFile, g_loop.firstPage, false);
            if (form && CountPages(g_loop.formPath, false) > 1) {
                form->rewind();
                SeekPage(*form, g_loop.firstPage, true);
                formPositioned = true;
            }
            turnIndex = g_loop.firstPage - 1;
        }
        bool formEnded = false;
        std::size_t formSheetAt = 0;
        if (JobDef.PrintFom && form) {
            if (!formPositioned)
                form->rewind();
            formSheetAt = form->position();
            formEnded = PaintPage("FOM", *form, sink.painter(), PaintTarget::Printer, 0, 0, 0,
                                  sink.pageNumber() % 2 == 0, JobDef.Zoom, sy, sx, dpiX);
        }
        while (!g_loop.cancel) {
            if (dataFile.eof() || g_loop.pagesLeft <= 0)
                break;
            --g_loop.pagesLeft;
            bool dataEnded = false;
            const std::size_t dataSheetAt = dataFile.position();
            for (int copy = 0; copy < sheetCopies && !g_loop.cancel; ++copy) {
                if (copy > 0) {
                    sink.newPage();
                    if (JobDef.PrintFom && form) {
                        form->seek(formSheetAt);
                        formEnded = PaintPage("FOM", *form, sink.painter(), PaintTarget::Printer,
                                              0, 0, formIndexOf(e.currentPage),
                                              sink.pageNumber() % 2 == 0, JobDef.Zoom, sy, sx,
                                              dpiX);
                    }
                    dataFile.seek(dataSheetAt);
                }
                try {
                    // The variables follow the document's page: the printer's page number
                    // restarts at 1 after every split.
                    dataEnded = PaintPage("DAT", dataFile, sink.painter(), PaintTarget::Printer,
                                          0, 0, formIndexOf(e.currentPage),
                                          sink.pageNumber() % 2 == 0, JobDef.Zoom, sy, sx, dpiX);
                } catch (...) {
                    g_loop.cancel = true;
                    throw;
                }
                showPage();
                afterPage();
            }
            if (!dataEnded && g_loop.pagesLeft > 0 && !g_loop.cancel) {
                ++turnIndex;
                const int current = host().devMode().orientation == 2 ? 1 : 0;
                const int next = turnIndex < static_cast<int>(turns.size()) ? turns[turnIndex] : current;
                const std::string message = e.pendingMessage;
                if (next != current || !message.empty()) {
                    sink.split(next);
                    if (!message.empty())
                        platform::messageBox(message, "", MB_OK | MB_ICONINFORMATION);
                } else {
                    sink.newPage();
                }
                showPage();
                if (JobDef.PrintFom && form) {
                    if (formEnded)
                        form->rewind();
                    formSheetAt = form->position();
                    formEnded = PaintPage("FOM", *form, sink.painter(), PaintTarget::Printer, 0,
                                          0, formIndexOf(e.currentPage + 1),
                                          sink.pageNumber() % 2 == 0, JobDef.Zoom, sy, sx, dpiX);
                }
            }
            ++e.currentPage;
        }
        if (!g_loop.range && !g_loop.cancel && JobDef.PrintFom && form && !formEnded) {
            // Form pages beyond the document's last page each get a sheet of their own.
            while (!form->eof()) {
                const std::size_t sheetAt = form->position();
                for (int copy = 0; copy < sheetCopies; ++copy) {
                    form->seek(sheetAt);
                    sink.newPage();
                    showPage();
                    formEnded = PaintPage("FOM", *form, sink.painter(), PaintTarget::Printer, 0,
                                          0, formIndexOf(e.currentPage),
                                          sink.pageNumber() % 2 == 0, JobDef.Zoom, sy, sx, dpiX);
                    afterPage();
                }
                ++e.currentPage;
                if (formEnded)
                    break;
            }
        }
        passes = g_loop.cancel ? 0 : passes - 1;
    }
    if (g_loop.cancel) {
        sink.abort();
        return;
    }
    sink.end();
    if (writesPdf()) {
        // A PDF that could not be written whole is no document: remove it and say why.
        const std::string fault = writtenPdfFault(host().printer(), pdfWritten());
        if (!fault.empty()) {
            g_loop.failed = true;
            g_loop.failReason = fault;
            WriteErrorLog("PRINT.メイン:" + pdfWritten() + ": " + fault);
            try {
                if (platform::files::fileExists(pdfWritten()))
                    platform::files::removeFile(pdfWritten());
            } catch (const std::exception& ex) {
                WriteErrorLog(std::string("PRINT.メイン:") + ex.what());
            }
        }
    }
}

} // namespace print
