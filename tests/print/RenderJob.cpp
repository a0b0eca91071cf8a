// Renders a print data file (with its form file) to 254-dpi images and to a PDF.
#include "RenderJob.h"

#include "platform/Printers.h"
#include "print/PagePainter.h"
#include "print/ReportComponent.h"
#include "print/ReportEngine.h"

#include <QPainter>
#include <QPrinter>

#include <memory>
#include <sstream>

namespace testsupport {

namespace {

using namespace print;

int headerInt(const std::string& text, const std::string& key, int fallback)
{
    const std::size_t p = text.find("\n*" + key + "=");
    if (p == std::string::npos)
        return fallback;
    return fieldInt(text.substr(p + key.size() + 3, text.find('\r', p + 1) - p - key.size() - 3),
                    fallback);
}

std::string headerText(const std::string& text, const std::string& key)
{
    const std::size_t p = text.find("\n*" + key + "=");
    if (p == std::string::npos)
        return {};
    const std::size_t start = p + key.size() + 3;
    return text.substr(start, text.find_first_of("\r\n", start) - start);
}

struct PageLayout {
    int widthMM;
    int heightMM;
    int orientation;
};

std::vector<int> orientations()
{
    std::vector<int> out;
    std::istringstream in(CollectPageOrientations(JobDef.DataFile, JobDef.Orientation));
    std::string line;
    while (std::getline(in, line))
        out.push_back(fieldInt(line, JobDef.Orientation));
    return out;
}

// Draws page p (1-based): the form page of the cycle, then the data page.
template <typename Paint>
void forEachPage(Paint paint)
{
    ReportEngineState& e = reportEngine();
    TotalPages();
    HensuuYomikomi(JobDef.FormFile, 0, 0);
    const int formPages = formPagesInCycle();
    const int formFilePages = JobDef.FormFile.empty() ? 0 : CountPages(JobDef.FormFile, false);
    for (int page = 1; page <= e.totalPages; ++page) {
        e.currentPage = page;
        paint(page, [&](QPainter& painter, PaintTarget target, double sx, double sy, int ppi) {
            const bool even = page % 2 == 0;
            if (formFilePages > 0) {
                PrintFile form(JobDef.FormFile);
                SeekPage(form, (page - 1) % formFilePages + 1, true);
                PaintPage("FOM", form, painter, target, 0, 0, (page - 1) % formPages, even, 10,
                          sy, sx, ppi);
            }
            PrintFile data(JobDef.DataFile);
            if (SeekPage(data, page, false))
                PaintPage("DAT", data, painter, target, 0, 0, (page - 1) % formPages, even, 10,
                          sy, sx, ppi);
        });
    }
}

} // namespace

void loadJobFromHeader(const std::string& dataFile, const std::string& formFile)
{
    JobDef = TVL48DEF{};
    JobDef.DataFile = dataFile;
    JobDef.FormFile = formFile;
    std::string text;
    {
        PrintFile file(dataFile);
        while (!file.eof())
            text += file.readLine() + "\r\n";
    }
    text = "\n" + text;
    JobDef.PaperSize = headerInt(text, "PAPERSIZE", 9);
    if (JobDef.PaperSize == 0)
        JobDef.PaperSize = 9;
    JobDef.Orientation = headerInt(text, "ORIENTATION", 0);
    JobDef.TopMargin = headerInt(text, "TOPMARGIN", 0);
    JobDef.LeftMargin = headerInt(text, "LEFTMARGIN", 0);
    JobDef.FormTopMargin = headerInt(text, "FORMTOPMARGIN", 0);
    JobDef.FormLeftMargin = headerInt(text, "FORMLEFTMARGIN", 0);
    JobDef.PrintFom = headerText(text, "FORMPRINT") != "FALSE";
    auto& pb = JobDef.PageBangoRec;
    pb.PageBango = headerText(text, "PAGENOSWITCH") == "TRUE";
    pb.PageBangoLeft = headerInt(text, "PAGENOLEFT", 0);
    pb.PageBangoTop = headerInt(text, "PAGENOTOP", 0);
    pb.PageBangoAlign = headerInt(text, "PAGENOALIGNMENT", 2);
    const std::string format = headerText(text, "PAGENOFORMAT");
    if (!format.empty())
        pb.PageBangoFormat = format;
    pb.PageBangoArgs = 0;
    for (std::size_t p = pb.PageBangoFormat.find("%d"); p != std::string::npos;
         p = pb.PageBangoFormat.find("%d", p + 2))
        ++pb.PageBangoArgs;
    reportEngine().pageLeft = JobDef.LeftMargin;
    reportEngine().pageTop = JobDef.TopMargin;
    reportEngine().vRatio = 0;
    reportEngine().hRatio = 0;
}

std::vector<QImage> renderPreviewPages()
{
    std::vector<QImage> pages;
    const std::vector<int> turns = orientations();
    forEachPage([&](int page, auto draw) {
        int w = 0;
        int h = 0;
        PaperSizeMM(JobDef.PaperSize, w, h);
        const int o = page - 1 < static_cast<int>(turns.size()) ? turns[page - 1] : JobDef.Orientation;
        if (o == 1)
            std::swap(w, h);
        QImage image(w * 10, h * 10, QImage::Format_RGB32);
        image.setDotsPerMeterX(10000);
        image.setDotsPerMeterY(10000);
        image.fill(Qt::white);
        QPainter painter(&image);
        draw(painter, PaintTarget::Preview, 1.0, 1.0, 254);
        painter.end();
        pages.push_back(image);
    });
    return pages;
}

bool renderPdf(const std::string& pdfPath, std::string& error)
{
    ReportEngineState& e = reportEngine();
    if (!e.ready) {
        error = "the report engine is not started";
        return false;
    }
    platform::PrinterHost& host = *e.printers;
    host.setIndex(host.count() - 1);
    host.setPdfFile(pdfPath);
    host.devMode().paperSize = JobDef.PaperSize;
    const std::vector<int> turns = orientations();
    host.devMode().orientation = (turns.empty() ? JobDef.Orientation : turns[0]) == 1 ? 2 : 1;
    host.applyDevMode();
    QPrinter& printer = host.printer();
    printer.setDocName(QString::fromStdString(JobDef.DocTitle));
    std::unique_ptr<QPainter> painter;
    bool ok = true;
    forEachPage([&](int page, auto draw) {
        if (!ok)
            return;
        const int o = page - 1 < static_cast<int>(turns.size()) ? turns[page - 1] : JobDef.Orientation;
        host.devMode().orientation = o == 1 ? 2 : 1;
        host.applyDevMode();
        if (!painter) {
            painter = std::make_unique<QPainter>();
            if (!painter->begin(&printer)) {
                error = "the PDF printer cannot write " + pdfPath;
                ok = false;
                return;
            }
        } else if (!printer.newPage()) {
            error = "the PDF printer refused a new page";
            ok = false;
            return;
        }
        const double sx = printer.logicalDpiX() / 254.0;
        const double sy = printer.logicalDpiY() / 254.0;
        draw(*painter, PaintTarget::Printer, sx, sy, printer.logicalDpiY());
    });
    if (painter)
        painter->end();
    return ok;
}

} // namespace testsupport
