// The report engine's program-wide state, its start-up, the print-file readers and drawing services.
#include "print/ReportEngine.h"

#include "platform/Files.h"
#include "platform/Fonts.h"
#include "platform/MessageService.h"
#include "platform/Printers.h"
#include "platform/Text.h"
#include "print/ErrorLog.h"
#include "print/PreviewWindow.h"
#include "print/PrintLoop.h"
#include "print/ReportComponent.h"

#include <QApplication>
#include <QColor>
#include <QToolTip>
#include <QFontDatabase>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>
#include <QPalette>

#include <cfenv>
#include <cmath>
#include <exception>
#include <stdexcept>

namespace print {

namespace {

std::string upper(std::string s)
{
    for (char& c : s) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

// CP932 bytes to UTF-8; a damaged pair or byte becomes U+FFFD instead of failing the whole line.
std::string decodeLine(const std::string& bytes)
{
    try {
        return platform::text::fromCp932(bytes);
    } catch (const std::exception&) {
    }
    std::string out;
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        const std::size_t n =
            (platform::text::isLeadByte(c) && i + 1 < bytes.size()) ? 2 : 1;
        try {
            out += platform::text::fromCp932(bytes.substr(i, n));
        } catch (const std::exception&) {
            out += "\xEF\xBF\xBD";
        }
        i += n;
    }
    return out;
}

bool startsWithPageEnd(const std::string& line)
{
    return line.size() >= 2 && (line[0] == 'E' || line[0] == 'e') && line[1] == ';';
}

// A record line as the readers take it: double quotes deleted, ";" at the end.
std::string normalised(const std::string& raw, const char* tail = ";")
{
    std::string line;
    line.reserve(raw.size() + 3);
    for (char c : raw) {
        if (c != '"')
            line += c;
    }
    if (line.empty() || line.back() != ';')
        line += tail;
    return line;
}

struct ColourWord {
    const char* word;
    TColor colour;
};

// The sixteen colours in code order 0..15.
constexpr ColourWord kColours[] = {
    {"黒", 0x000000},   {"栗", 0x000080},     {"緑", 0x008000}, {"黄緑", 0x008080},
    {"濃紺", 0x800000}, {"紫", 0x800080},     {"暗青緑", 0x808000}, {"灰", 0x808080},
    {"銀", 0xC0C0C0},   {"赤", 0x0000FF},     {"濃緑", 0x00FF00}, {"青", 0xFF0000},
    {"赤紫", 0xFF00FF}, {"空", 0xFFFF00},     {"白", 0xFFFFFF}, {"黄", 0x00FFFF},
};

void resetFields()
{
    ReportEngineState& e = reportEngine();
    for (auto& page : e.fields)
        page.fill(TDataField{});
    for (auto& t : e.totals)
        t.clear();
    e.formPageIndex = 0;
}

} // namespace

ReportEngineState& reportEngine()
{
    static ReportEngineState state;
    return state;
}

int roundHalfEven(double v)
{
    return static_cast<int>(std::nearbyint(v));
}

PrintFile::PrintFile(const std::string& path)
    : m_path(path)
{
    const std::string bytes = platform::files::readAll(path);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        m_lines.push_back(decodeLine(line));
        start = end + 1;
    }
}

std::string NextField(FieldCursor& cursor, char delimiter)
{
    const std::string& line = cursor.line();
    if (cursor.position >= line.size())
        return {};
    std::size_t end = line.find(delimiter, cursor.position);
    if (end == std::string::npos)
        end = line.size();
    std::string field = line.substr(cursor.position, end - cursor.position);
    cursor.position = end + 1;
    return field;
}

std::string FirstField(FieldCursor& cursor, char delimiter)
{
    cursor.position = 0;
    return upper(NextField(cursor, delimiter));
}

int fieldInt(const std::string& field, int defaultValue)
{
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ')
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '-' || field[i] == '+'))
        negative = field[i++] == '-';
    if (i >= field.size() || field[i] < '0' || field[i] > '9')
        return defaultValue;
    long long v = 0;
    while (i < field.size() && field[i] >= '0' && field[i] <= '9') {
        v = v * 10 + (field[i++] - '0');
        if (v > 0xFFFFFFFFLL)
            return defaultValue;
    }
    while (i < field.size() && field[i] == ' ')
        ++i;
    if (i != field.size())
        return defaultValue;
    return static_cast<int>(negative ? -v : v);
}

bool OpenTextFileChecked(std::unique_ptr<PrintFile>& file, const std::string& path)
{
    file.reset();
    if (path.empty())
        return false;
    try {
        if (platform::files::fileExists(path)) {
            file = std::make_unique<PrintFile>(path);
            return true;
        }
    } catch (const std::exception& e) {
        WriteErrorLog(path + ":" + e.what());
    }
    platform::messageBox("<" + path + "> が見つかりません。", "", platform::MB_OK | platform::MB_ICONERROR);
    return false;
}

int CountPages(const std::string& path, bool collect)
{
    ReportEngineState& e = reportEngine();
    std::unique_ptr<PrintFile> file;
    if (collect)
        e.pageNumbers.clear();
    if (!OpenTextFileChecked(file, path))
        return 1;
    const bool numbering = collect && JobDef.PageBangoRec.PageBango;
    int pages = 1;
    int numbered = 0;
    std::vector<std::string> lines;
    const auto closePage = [&] {
        if (!numbering)
            return;
        const bool blank = lines.empty() ||
            (lines.size() == 1 && (lines[0].find("ORIENTATION") != std::string::npos ||
                                   lines[0].find("LINE") != std::string::npos));
        e.pageNumbers.push_back(blank ? "0" : std::to_string(++numbered));
        lines.clear();
    };
    while (!file->eof()) {
        const std::string& line = file->readLine();
        if (startsWithPageEnd(line)) {
            ++pages;
            closePage();
        } else if (numbering) {
            lines.push_back(line);
        }
    }
    closePage();
    if (collect)
        e.numberedPages = numbered;
    return pages;
}

bool SeekPage(PrintFile& file, int n, bool wrap)
{
    int count = 1;
    while (count < n) {
        if (file.eof()) {
            if (!wrap)
                return false;
            file.rewind();
            ++count;
            continue;
        }
        if (startsWithPageEnd(file.readLine()))
            ++count;
    }
    return true;
}

void TotalPages()
{
    ReportEngineState& e = reportEngine();
    const int a = JobDef.FormFile.empty() ? 1 : CountPages(JobDef.FormFile, false);
    const int r = CountPages(JobDef.DataFile, true);
    e.totalPages = a < r ? ((r + a - 1) / a) * a : a;
    e.shownPage = 1;
}

std::string CollectPageOrientations(const std::string& path, int defaultOrientation)
{
    std::unique_ptr<PrintFile> file;
    if (!OpenTextFileChecked(file, path))
        return {};
    std::string result;
    int orientation = defaultOrientation;
    while (!file->eof()) {
        const std::string& raw = file->readLine();
        if (!raw.empty() && raw[0] == '*')
            continue;
        FieldCursor cursor(normalised(raw));
        const std::string type = FirstField(cursor);
        if (type == "ORIENTATION") {
            orientation = fieldInt(NextField(cursor), defaultOrientation);
        } else if (type == "E") {
            result += std::to_string(orientation) + "\n";
            orientation = defaultOrientation;
        }
    }
    result += std::to_string(orientation) + "\n";
    return result;
}

void HensuuYomikomi(const std::string& formFile, int xOffset, int yOffset)
{
    ReportEngineState& e = reportEngine();
    resetFields();
    std::array<int, kFormPages> slotCounter;
    slotCounter.fill(1);
    try {
        if (formFile.empty() || !platform::files::fileExists(formFile))
            return;
        PrintFile file(formFile);
        int index = 0;
        while (!file.eof()) {
            FieldCursor cursor(normalised(file.readLine(), ";0;"));
            const std::string type = FirstField(cursor);
            if (type == "E") {
                if (++index > 4)
                    break;
            } else if (type == "&") {
                if (slotCounter[index] >= 200)
                    continue;
                const int x = fieldInt(NextField(cursor));
                const int y = fieldInt(NextField(cursor));
                const std::string name = NextField(cursor);
                TDataField* slot;
                if (name == "0" || name == "行間") {
                    slot = &e.fields[index][0];
                } else {
                    slot = &e.fields[index][slotCounter[index]++];
                }
                slot->Name = upper(name);
                slot->X = x + xOffset;
                slot->Y = y + yOffset;
                slot->FontName = NextField(cursor);
                const int size = fieldInt(NextField(cursor));
                slot->FontSize = size == 0 ? 12 : size;
                slot->Style = upper(NextField(cursor));
                slot->Color = ColorFromName(NextField(cursor));
                slot->BackColor = BackColorFromName(NextField(cursor));
                slot->Align = AlignCode(NextField(cursor));
                slot->Width = fieldInt(NextField(cursor));
                slot->Once = fieldInt(NextField(cursor));
                slot->Center = fieldInt(NextField(cursor));
            } else if (type == "$") {
                const int x = fieldInt(NextField(cursor));
                const int y = fieldInt(NextField(cursor));
                const std::string name = NextField(cursor);
                if (name.empty())
                    continue;
                auto& totals = e.totals[index];
                bool found = false;
                for (TTotalField& t : totals) {
                    if (t.Name == name) {
                        t.Flag = 1;
                        found = true;
                    }
                }
                if (!found && totals.size() < 200)
                    totals.push_back(TTotalField{name, x + xOffset, y + yOffset, 0, 0});
            }
        }
        e.formPageIndex = index;
    } catch (const std::exception& ex) {
        WriteErrorLog(std::string("ImageOut.HensuuYomikomi:") + ex.what());
    }
}

int formPagesInCycle()
{
    return std::min(reportEngine().formPageIndex + 1, kFormPages);
}

int FindVariable(int formPageIndex, const std::string& name)
{
    if (formPageIndex < 0 || formPageIndex >= kFormPages)
        return 0;
    const std::string key = upper(name);
    const auto& page = reportEngine().fields[formPageIndex];
    for (int i = 1; i <= 100; ++i) {
        if (!page[i].Name.empty() && page[i].Name == key)
            return i;
    }
    return 0;
}

TColor ColorFromCode(int code)
{
    if (code >= 0 && code <= 15)
        return kColours[code].colour;
    if (code >= 16 && code <= 35)
        return 0xFF000000u | static_cast<TColor>(code - 15);
    switch (code) {
    case 40: return JobDef.NetColor1;
    case 41: return JobDef.NetColor2;
    case 42: return JobDef.UserColor1;
    case 43: return JobDef.UserColor2;
    default: return static_cast<TColor>(code);
    }
}

TColor ColorToGrayScale(TColor colour)
{
    if (!JobDef.GrayScale || colour == 0x000000 || colour == 0xFFFFFF)
        return colour;
    const int r = colour & 0xFF;
    const int g = (colour >> 8) & 0xFF;
    const int b = (colour >> 16) & 0xFF;
    const int grey = roundHalfEven(0.299 * r + 0.587 * g + 0.114 * b);
    return static_cast<TColor>(grey | (grey << 8) | (grey << 16));
}

TColor ColorFromName(const std::string& word, const std::string& kind)
{
    if ((kind == "FOM" || kind == "SUBFORM") && !JobDef.PrintFom)
        return 0xE6E6E6;
    TColor colour = 0;
    bool found = false;
    for (const ColourWord& c : kColours) {
        if (word == c.word) {
            colour = c.colour;
            found = true;
        }
    }
    if (!found) {
        const std::string up = upper(word);
        const std::pair<const char*, TColor> others[] = {
            {"薄網掛", JobDef.NetColor1},   {"濃網掛", JobDef.NetColor2},
            {"UCOLOR1", JobDef.UserColor1}, {"UCOLOR2", JobDef.UserColor2},
            {"OCRGREEN", JobDef.OcrGreen},  {"OCRBLUE", JobDef.OcrBlue},
            {"OCRBROWN", JobDef.OcrBrown},  {"OCRPINK", JobDef.OcrPink},
            {"OCRORANGE", JobDef.OcrOrange}, {"OCRVIOLET", JobDef.OcrViolet},
            {"OCRPURPLE", JobDef.OcrPurple},
        };
        for (const auto& [w, c] : others) {
            if (up == w) {
                colour = c;
                found = true;
            }
        }
    }
    if (!found)
        colour = ColorFromCode(fieldInt(word, 0));
    return ColorToGrayScale(colour);
}

TColor BackColorFromName(const std::string& word)
{
    const std::string up = upper(word);
    if (up == "1" || up == "OFF")
        return 1;
    if (up == "ON")
        return 0xFFFFFF;
    return ColorFromName(word);
}

int AlignCode(const std::string& word)
{
    const std::string up = upper(word);
    if (up == "CENTER" || up == "1")
        return 1;
    if (up == "RIGHT" || up == "2" || up == "BOTTOM")
        return 2;
    return 0;
}

FontStyle FontStyleFromWord(const std::string& word)
{
    FontStyle s;
    if (word == "BIU") {
        s.bold = s.italic = s.underline = true;
    } else if (word == "BIS") {
        s.bold = s.italic = s.strikeOut = true;
    } else if (word == "BI") {
        s.bold = s.italic = true;
    } else if (word == "IU") {
        s.italic = s.underline = true;
    } else if (word == "IS") {
        s.italic = s.strikeOut = true;
    } else if (word == "BU") {
        s.bold = s.underline = true;
    } else if (word == "BS") {
        s.bold = s.strikeOut = true;
    } else if (word == "B") {
        s.bold = true;
    } else if (word == "I") {
        s.italic = true;
    } else if (word == "U" || word == "DU") {
        s.underline = true;
    } else if (word == "S") {
        s.strikeOut = true;
    }
    return s;
}

std::string FontFaceFor(const std::string& face)
{
    if (face.empty())
        return "ＭＳ 明朝";
    if (face == "OCR-B") {
        const QStringList& all = reportEngine().fontLists[4];
        if (all.contains(QStringLiteral("OCR-B"), Qt::CaseInsensitive))
            return "OCR-B";
        if (all.contains(QStringLiteral("OCRB"), Qt::CaseInsensitive))
            return "OCRB";
        return "ＭＳ ゴシック";
    }
    return face;
}

int FontCharsetFor(const std::string& face)
{
    const QString family = platform::substituteFontFamily(QString::fromStdString(face));
    const auto& lists = reportEngine().fontLists;
    const int charsets[] = {128, 2, 238, 255};
    for (int i = 0; i < 4; ++i) {
        if (lists[i].contains(family, Qt::CaseInsensitive))
            return charsets[i];
    }
    return 0;
}

void PaperSizeMM(int number, int& width, int& height)
{
    if (platform::paperSizeForNumber(number, width, height))
        return;
    ReportEngineState& e = reportEngine();
    width = 0;
    height = 20;
    if (e.printers) {
        width = e.printers->horzSizeMM();
        height = e.printers->vertSizeMM() + 20;
    }
    e.deviceSizedPaper = 2;
}

void AdjustPaperRatio()
{
    ReportEngineState& e = reportEngine();
    if (!e.vdbPrint)
        return;
    const int printerPaper = e.vdbPrint->GetPaper();
    if (printerPaper == JobDef.PaperSize) {
        e.vRatio = JobDef.VRATIO;
        e.hRatio = JobDef.HRATIO;
        return;
    }
    struct Row {
        int job, printer, v, h;
    };
    constexpr Row kRatios[] = {
        {8, 9, 707, 707},    {8, 12, 843, 842},   {9, 11, 707, 705},   {9, 13, 865, 867},
        {12, 13, 726, 728},  {12, 9, 839, 840},   {13, 9, 1156, 1154}, {9, 12, 1192, 1190},
        {9, 8, 1414, 1414},  {12, 8, 1186, 1188},
    };
    for (const Row& r : kRatios) {
        if (r.job == JobDef.PaperSize && r.printer == printerPaper) {
            e.vRatio = r.v;
            e.hRatio = r.h;
        }
    }
}

void EnumPrinterFonts()
{
    ReportEngineState& e = reportEngine();
    const auto fill = [](QStringList& list, const QStringList& families) {
        list.clear();
        for (const QString& f : families) {
            if (list.isEmpty() || list.last().compare(f, Qt::CaseInsensitive) != 0)
                list.append(f);
        }
    };
    fill(e.fontLists[0], QFontDatabase::families(QFontDatabase::Japanese));
    fill(e.fontLists[1], QFontDatabase::families(QFontDatabase::Symbol));
    fill(e.fontLists[2], QFontDatabase::families(QFontDatabase::Latin));
    e.fontLists[3].clear(); // no OEM character set here
    fill(e.fontLists[4], QFontDatabase::families());
}

QColor drawingColor(TColor colour)
{
    if ((colour & 0xFF000000u) == 0xFF000000u) {
        // Windows system colour indexes 1..20 through the palette.
        static const QPalette::ColorRole roles[] = {
            QPalette::Dark,        QPalette::Highlight,  QPalette::Mid,
            QPalette::Window,      QPalette::Base,       QPalette::Shadow,
            QPalette::WindowText,  QPalette::Text,       QPalette::HighlightedText,
            QPalette::Button,      QPalette::Button,     QPalette::Mid,
            QPalette::Highlight,   QPalette::HighlightedText, QPalette::Button,
            QPalette::Dark,        QPalette::PlaceholderText, QPalette::ButtonText,
            QPalette::Text,        QPalette::Light,
        };
        const unsigned index = colour & 0xFF;
        if (index >= 1 && index <= 20)
            return QGuiApplication::palette().color(roles[index - 1]);
        return QColor(Qt::black);
    }
    if (colour & 0x80000000u)
        return platform::toQColor(colour);
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

void installQtTranslation()
{
    static QPointer<QTranslator> installed;
    QCoreApplication* app = QCoreApplication::instance();
    if (installed || !app)
        return;
    auto* translator = new QTranslator(app);
    if (translator->load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
        installed = translator;
    } else {
        WriteErrorLog("Qt の日本語訳 qtbase_ja を読み込めません");
        delete translator;
    }
}

bool StartReportEngine(bool systemQueues)
{
    ReportEngineState& e = reportEngine();
    e.ready = false;
    e.vdbPrint.reset();
    e.printers.reset();
    for (auto& l : e.fontLists)
        l.clear();
    e.deviceSizedPaper = 0;
    e.totalPages = 1;
    e.shownPage = 1;
    try {
        e.pageNumbers.clear();
        e.currentPage = 1;
        e.numberedPages = 1;
        platform::installFontSubstitutions();
        installQtTranslation();
        // Hints everywhere use the application's font, large enough to read.
        if (qobject_cast<QApplication*>(QCoreApplication::instance()))
            QToolTip::setFont(QApplication::font());
        EnumPrinterFonts();
        e.printers = std::make_unique<platform::PrinterHost>(systemQueues);
        e.vdbPrint = std::make_unique<TVDBPrint>(*e.printers);
        e.vdbPrint->SetTTOption(2);
        resetFields();
        installPrintLoop();
        installPreview();
        e.ready = true;
    } catch (const std::exception&) {
        e.vdbPrint.reset();
        e.printers.reset();
    }
    return e.ready;
}

void StopReportEngine()
{
    ReportEngineState& e = reportEngine();
    e.ready = false;
    e.vdbPrint.reset();
    e.printers.reset();
    for (auto& l : e.fontLists)
        l.clear();
    e.pageNumbers.clear();
    resetFields();
}

} // namespace print
