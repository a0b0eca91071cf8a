// The printers the program can print on: the system's print queues plus the PDF printer.
#include "platform/Printers.h"

#include "platform/CupsJobOptions.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>
#include <stdexcept>

namespace platform {

namespace {

struct PaperRow {
    int number;
    int width;  // mm
    int height; // mm
    const char* name;
};

// The paper numbers of the print files; 12 and 13 are the Japanese B sizes as the reports lay
// them out, not Qt's JIS sizes.
constexpr PaperRow kPapers[] = {
    {8, 297, 420, "A3"},         {9, 210, 297, "A4"},         {11, 148, 210, "A5"},
    {12, 250, 354, "B4"},        {13, 182, 257, "B5"},        {16, 254, 356, "10x14"},
    {17, 280, 432, "11x17"},     {44, 229, 280, "9x11"},      {45, 254, 280, "10x11"},
    {46, 381, 280, "15x11"},     {90, 305, 280, "12x11"},
};

// The PDF printer offers a fixed list; Letter and Legal keep their usual numbers.
const std::vector<PrinterPaper>& pdfPapers()
{
    static const std::vector<PrinterPaper> papers = {
        {"A3", 8, 2970, 4200},  {"A4", 9, 2100, 2970},     {"A5", 11, 1480, 2100},
        {"B4", 12, 2500, 3540}, {"B5", 13, 1820, 2570},    {"Letter", 1, 2159, 2794},
        {"Legal", 5, 2159, 3556},
    };
    return papers;
}

const char* const kPdfName = "PDF";

int numberForSize(const QSizeF& mm, int fallback)
{
    for (const PaperRow& row : kPapers) {
        if (std::abs(row.width - mm.width()) < 1.0 && std::abs(row.height - mm.height()) < 1.0)
            return row.number;
    }
    for (const PrinterPaper& p : pdfPapers()) {
        if (std::abs(p.width / 10.0 - mm.width()) < 1.0 && std::abs(p.length / 10.0 - mm.height()) < 1.0)
            return p.number;
    }
    return fallback;
}

QPageSize pageSizeFor(const DevMode& mode)
{
    int w = 0;
    int h = 0;
    if (paperSizeForNumber(mode.paperSize, w, h))
        return QPageSize(QSizeF(w, h), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    for (const PrinterPaper& p : pdfPapers()) {
        if (p.number == mode.paperSize)
            return QPageSize(QSizeF(p.width / 10.0, p.length / 10.0), QPageSize::Millimeter,
                             QString(), QPageSize::ExactMatch);
    }
    if (mode.paperWidth > 0 && mode.paperLength > 0)
        return QPageSize(QSizeF(mode.paperWidth / 10.0, mode.paperLength / 10.0),
                         QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    const QPageSize::PageSizeId id = QPageSize::id(mode.paperSize);
    return id == QPageSize::Custom ? QPageSize(QPageSize::A4) : QPageSize(id);
}

constexpr std::uint32_t kFields = DM_ORIENTATION | DM_PAPERSIZE | DM_SCALE | DM_COPIES |
    DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_COLOR | DM_DUPLEX | DM_YRESOLUTION | DM_TTOPTION |
    DM_COLLATE;

} // namespace

bool paperSizeForNumber(int number, int& widthMM, int& heightMM)
{
    for (const PaperRow& row : kPapers) {
        if (row.number == number) {
            widthMM = row.width;
            heightMM = row.height;
            return true;
        }
    }
    return false;
}

PrinterHost::PrinterHost(bool systemQueues)
{
    if (systemQueues) {
        const QString defaultName = QPrinterInfo::defaultPrinterName();
        for (const QPrinterInfo& info : QPrinterInfo::availablePrinters()) {
            if (info.printerName() == defaultName)
                m_defaultQueue = static_cast<int>(m_queues.size());
            m_queues.push_back(info.printerName().toStdString());
        }
        if (m_defaultQueue < 0 && !m_queues.empty())
            m_defaultQueue = 0;
    }
    for (const std::string& name : m_queues) {
        DevMode mode;
        mode.deviceName = name;
        const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(name));
        const QPageSize size = info.defaultPageSize();
        if (size.isValid())
            mode.paperSize = numberForSize(size.size(QPageSize::Millimeter), 9);
        mode.fields = kFields;
        m_modes.push_back(mode);
    }
    DevMode pdf;
    pdf.deviceName = kPdfName;
    pdf.fields = kFields;
    m_modes.push_back(pdf);
    select(defaultIndex());
}

PrinterHost::~PrinterHost() = default;

std::vector<std::string> PrinterHost::printerNames() const
{
    std::vector<std::string> names = m_queues;
    names.emplace_back(kPdfName);
    return names;
}

int PrinterHost::count() const { return static_cast<int>(m_modes.size()); }

int PrinterHost::defaultIndex() const
{
    return m_defaultQueue >= 0 ? m_defaultQueue : count() - 1;
}

bool PrinterHost::isPdf() const { return m_index == count() - 1; }

void PrinterHost::setIndex(int index)
{
    if (index == -1)
        index = defaultIndex();
    if (index < 0 || index >= count())
        throw std::out_of_range("printer index " + std::to_string(index) + " is not installed");
    if (index != m_index)
        select(index);
}

void PrinterHost::select(int index)
{
    m_index = index;
    if (isPdf()) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setResolution(600);
        m_printer->setFullPage(false);
        m_printer->setOutputFileName(QString::fromStdString(m_pdfFile));
    } else {
        m_printer = std::make_unique<QPrinter>(
            QPrinterInfo::printerInfo(QString::fromStdString(m_queues[index])),
            QPrinter::HighResolution);
    }
    m_cupsQueue = !isPdf() && isCupsQueue(m_queues[index]);
    applyDevMode();
}

DevMode& PrinterHost::devMode() { return m_modes[m_index]; }
const DevMode& PrinterHost::devMode() const { return m_modes[m_index]; }

std::vector<PrinterPaper> PrinterHost::papers() const
{
    if (m_index == count() - 1)
        return pdfPapers();
    std::vector<PrinterPaper> papers;
    const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(m_queues[m_index]));
    for (const QPageSize& size : info.supportedPageSizes()) {
        const QSizeF mm = size.size(QPageSize::Millimeter);
        const int windowsId = size.windowsId();
        PrinterPaper p;
        p.name = size.name().toStdString();
        p.number = numberForSize(mm, windowsId > 0 ? windowsId : 256);
        p.width = static_cast<int>(std::lround(mm.width() * 10));
        p.length = static_cast<int>(std::lround(mm.height() * 10));
        papers.push_back(p);
    }
    return papers;
}

void PrinterHost::setPdfFile(const std::string& nativePath)
{
    m_pdfFile = nativePath;
    if (isPdf())
        m_printer->setOutputFileName(QString::fromStdString(nativePath));
}

std::string PrinterHost::pdfFile() const { return m_pdfFile; }

QPrinter& PrinterHost::printer() { return *m_printer; }

void PrinterHost::applyDevMode()
{
    DevMode& mode = devMode();
    QPrinter& p = *m_printer;
    const QPageSize size = pageSizeFor(mode);
    p.setPageSize(size);
    p.setPageOrientation(mode.orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (isPdf())
        p.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    // While a job runs only the page may change (the next page takes it).
    if (p.printerState() != QPrinter::Active) {
        p.setCopyCount(mode.copies > 0 ? mode.copies : 1);
        p.setCollateCopies(mode.collate != 0);
        p.setColorMode(mode.color == 1 ? QPrinter::GrayScale : QPrinter::Color);
        p.setDuplex(mode.duplex == 2   ? QPrinter::DuplexLongSide
                    : mode.duplex == 3 ? QPrinter::DuplexShortSide
                                       : QPrinter::DuplexNone);
        // A positive print quality is a resolution in dots per inch; levels go to the queue.
        if (mode.printQuality > 0)
            p.setResolution(mode.printQuality);
        if (m_cupsQueue)
            applyCupsJobOptions(p, mode);
    }
    int w = 0;
    int h = 0;
    if (paperSizeForNumber(mode.paperSize, w, h)) {
        mode.paperWidth = w * 10;
        mode.paperLength = h * 10;
    }
    mode.formName = size.name().toStdString();
    mode.yResolution = p.resolution();
}

int PrinterHost::horzSizeMM() { return m_printer->widthMM(); }
int PrinterHost::vertSizeMM() { return m_printer->heightMM(); }
int PrinterHost::resolution() { return m_printer->resolution(); }

} // namespace platform
