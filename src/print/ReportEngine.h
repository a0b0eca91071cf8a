// The report engine's program-wide state, its start-up, the print-file readers and drawing services.
#pragma once

#include "platform/Colors.h"
#include "print/VdbPrint.h"

#include <QFont>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QColor;

namespace platform {
class PrinterHost;
}

namespace print {

using platform::TColor;

// One "&" variable field of a form page.
struct TDataField {
    int Count = 0; // values placed on the current page
    std::string Name;
    int X = 0;
    int Y = 0;
    std::string FontName = "ＭＳ 明朝";
    int FontSize = 10;
    std::string Style;
    TColor Color = 0;
    TColor BackColor = 0;
    int Align = 0;
    int Width = 0; // slot 0: the line pitch
    int Once = 0;
    int Center = 0;
};

// One "$" line of a form page (read, never drawn).
struct TTotalField {
    std::string Name;
    int X = 0;
    int Y = 0;
    std::int64_t Sum = 0;
    std::uint8_t Flag = 0;
};

inline constexpr int kFormPages = 5;
inline constexpr int kFieldSlots = 202;

// A print data or form file read whole: CP932 lines decoded once, with a line position.
class PrintFile {
public:
    // Reads the file (a Windows-form or native path); throws std::runtime_error when it cannot.
    explicit PrintFile(const std::string& path);
    bool eof() const { return m_pos >= m_lines.size(); }
    const std::string& readLine() { return m_lines[m_pos++]; }
    void rewind() { m_pos = 0; }
    std::size_t position() const { return m_pos; }
    void seek(std::size_t line) { m_pos = line; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    std::vector<std::string> m_lines; // UTF-8
    std::size_t m_pos = 0;
};

// The fields of one line; each line has its own position, so a sub-form read inside a record
// cannot disturb its caller.
class FieldCursor {
public:
    explicit FieldCursor(std::string line)
        : m_line(std::move(line))
    {
    }
    const std::string& line() const { return m_line; }
    std::size_t position = 0;

private:
    std::string m_line;
};

// The text from the cursor's position up to the next delimiter; empty at the end.
std::string NextField(FieldCursor& cursor, char delimiter = ';');
// Restarts at the first character and returns the first field in upper case.
std::string FirstField(FieldCursor& cursor, char delimiter = ';');
// A decimal integer field; empty or not a number gives the default.
int fieldInt(const std::string& field, int defaultValue = 0);

// The engine's program-wide state (GUI thread only).
struct ReportEngineState {
    bool ready = false;
    std::unique_ptr<platform::PrinterHost> printers;
    std::unique_ptr<TVDBPrint> vdbPrint;
    std::vector<std::string> pageNumbers;
    int currentPage = 1;
    int numberedPages = 1;
    int totalPages = 1;
    int shownPage = 1;
    double vRatio = 0;
    double hRatio = 0;
    int deviceSizedPaper = 0;
    std::array<QStringList, 5> fontLists; // 128, 2, 238, 255, 1
    int formPageIndex = 0;
    std::array<std::array<TDataField, kFieldSlots>, kFormPages> fields;
    std::array<std::vector<TTotalField>, kFormPages> totals;
    std::string pendingMessage; // "MESSAGE" record met on the printer canvas
    int pageLeft = 0;           // page offsets L and T (0.1 mm) set by the caller of PaintPage
    int pageTop = 0;
};

ReportEngineState& reportEngine();

// Starts the engine after the application object exists: fonts, substitutions, the printer
// layer and VdbPrint. With systemQueues false only the PDF printer is offered. Returns the ready flag.
bool StartReportEngine(bool systemQueues = true);
// Loads Qt's own Japanese texts (print, colour and file dialogs) once per application object.
void installQtTranslation();
// Releases the printer wrapper, the lists and the tables.
void StopReportEngine();

// Readers.
bool OpenTextFileChecked(std::unique_ptr<PrintFile>& file, const std::string& path);
int CountPages(const std::string& path, bool collect);
bool SeekPage(PrintFile& file, int n, bool wrap);
void TotalPages();
std::string CollectPageOrientations(const std::string& path, int defaultOrientation);
void HensuuYomikomi(const std::string& formFile, int xOffset, int yOffset);
int FindVariable(int formPageIndex, const std::string& name);
// Form pages in the cycle of a form file just read, at most five (a sixth page has no table).
int formPagesInCycle();

// Services.
TColor ColorFromName(const std::string& word, const std::string& kind = {});
TColor BackColorFromName(const std::string& word);
TColor ColorFromCode(int code);
TColor ColorToGrayScale(TColor colour);
int AlignCode(const std::string& word);
struct FontStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};
FontStyle FontStyleFromWord(const std::string& word);
std::string FontFaceFor(const std::string& face);
int FontCharsetFor(const std::string& face);
void PaperSizeMM(int number, int& width, int& height);
void AdjustPaperRatio();
void EnumPrinterFonts();
// The drawing colour of a TColor: RGB, or a system colour ($FF000001..$FF000014) from the palette.
QColor drawingColor(TColor colour);
// Rounds halves to even.
int roundHalfEven(double v);

} // namespace print
