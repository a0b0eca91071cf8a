// The printers the program can print on: the system's print queues and a PDF printer that is always there.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QPrinter;

namespace platform {

// Device-mode field bits, as the print engine tests them.
inline constexpr std::uint32_t DM_ORIENTATION = 0x00000001;
inline constexpr std::uint32_t DM_PAPERSIZE = 0x00000002;
inline constexpr std::uint32_t DM_PAPERLENGTH = 0x00000004;
inline constexpr std::uint32_t DM_PAPERWIDTH = 0x00000008;
inline constexpr std::uint32_t DM_SCALE = 0x00000010;
inline constexpr std::uint32_t DM_COPIES = 0x00000100;
inline constexpr std::uint32_t DM_DEFAULTSOURCE = 0x00000200;
inline constexpr std::uint32_t DM_PRINTQUALITY = 0x00000400;
inline constexpr std::uint32_t DM_COLOR = 0x00000800;
inline constexpr std::uint32_t DM_DUPLEX = 0x00001000;
inline constexpr std::uint32_t DM_YRESOLUTION = 0x00002000;
inline constexpr std::uint32_t DM_TTOPTION = 0x00004000;
inline constexpr std::uint32_t DM_COLLATE = 0x00008000;

// The settings of one printer as the print engine reads and sets them. Sizes in 0.1 mm.
struct DevMode {
    std::string deviceName; // UTF-8
    std::string formName;   // paper name
    std::uint32_t fields = 0;
    int orientation = 1; // 1 portrait, 2 landscape
    int paperSize = 9;   // paper number (see paperSizeForNumber)
    int paperLength = 0;
    int paperWidth = 0;
    int scale = 100;      // percent; the print loop scales its drawing
    int copies = 1;
    int defaultSource = 7; // paper bin: a CUPS queue's media-source
    int printQuality = 0;  // below 0 a level (a CUPS queue's print-quality), above 0 dots per inch
    int color = 2;         // 1 monochrome, 2 colour
    int duplex = 1;        // 1 simplex, 2 long edge, 3 short edge
    int yResolution = 0;
    int ttOption = 1;      // kept, ignored: Qt draws every font itself (no TrueType download)
    int collate = 0;
};

// One paper a printer offers: name, number and portrait size in 0.1 mm.
struct PrinterPaper {
    std::string name;
    int number = 0;
    int width = 0;
    int length = 0;
};

// The paper numbers the print files use, with their portrait size in millimetres. False for a
// number the table does not list (256, the user-defined size, among them). Qt's own paper ids
// differ (they make 12 into 257 x 364 mm and 17 into 3), so they are never used for numbers.
bool paperSizeForNumber(int number, int& widthMM, int& heightMM);

// The printer list and the selected printer with its device mode. The queues come first, the PDF
// printer is the last entry; it is the default when there is no queue. Changes to the device
// mode take effect on the QPrinter through applyDevMode(), which the print loop calls before a job
// and before each page.
class PrinterHost {
public:
    // systemQueues false: only the PDF printer (tests, machines without a print system).
    explicit PrinterHost(bool systemQueues = true);
    ~PrinterHost();
    PrinterHost(const PrinterHost&) = delete;
    PrinterHost& operator=(const PrinterHost&) = delete;

    // Printer names, UTF-8; the PDF printer last.
    std::vector<std::string> printerNames() const;
    int count() const;
    // The selected printer's index (never -1 once selected).
    int index() const { return m_index; }
    // Selects a printer; -1 selects the default one. Throws std::out_of_range for another index.
    void setIndex(int index);
    int defaultIndex() const;
    bool isPdf() const;

    // The selected printer's device mode.
    DevMode& devMode();
    const DevMode& devMode() const;
    // The papers the selected printer offers.
    std::vector<PrinterPaper> papers() const;

    // Where the PDF printer writes (a native path).
    void setPdfFile(const std::string& nativePath);
    std::string pdfFile() const;

    // The selected printer with its device mode applied.
    QPrinter& printer();
    void applyDevMode();
    // Printable width and height in millimetres, and the resolution in dots per inch.
    int horzSizeMM();
    int vertSizeMM();
    int resolution();

private:
    void select(int index);

    std::vector<std::string> m_queues;
    std::vector<DevMode> m_modes; // one per entry, the PDF printer last
    int m_index = -1;
    int m_defaultQueue = -1;
    std::string m_pdfFile;
    bool m_cupsQueue = false; // the selected printer is a queue of the CUPS scheduler
    std::unique_ptr<QPrinter> m_printer;
};

} // namespace platform
