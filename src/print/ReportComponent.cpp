// The report component TVellum48 that writes print data files, the job record TVL48DEF and JobDef.
#include "print/ReportComponent.h"

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Printers.h"
#include "platform/SpecialFolders.h"
#include "platform/Text.h"
#include "print/ErrorLog.h"
#include "print/ReportEngine.h"

#include <QDate>
#include <QFontDatabase>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace print {

TVL48DEF JobDef;
std::string EngineVersion = "VCL.2.5";

void CopyJobSettings(TVL48DEF& To, const TVL48DEF& From)
{
    To.Title = From.Title;
    To.PrinterNum = From.PrinterNum;
    To.PaperSize = From.PaperSize;
    To.OutPutPaper = From.OutPutPaper;
    To.PaperName = From.PaperName;
    To.Orientation = From.Orientation;
    To.TopMargin = From.TopMargin;
    To.LeftMargin = From.LeftMargin;
    To.EvenLeftOffset = From.EvenLeftOffset;
    To.TopCorrect = From.TopCorrect;
    To.LeftCorrect = From.LeftCorrect;
    To.FormTopMargin = From.FormTopMargin;
    To.FormLeftMargin = From.FormLeftMargin;
    To.NetColor1 = From.NetColor1;
    To.NetColor2 = From.NetColor2;
    To.UserColor1 = From.UserColor1;
    To.UserColor2 = From.UserColor2;
    To.PrintFom = From.PrintFom;
    To.PrnDlg = From.PrnDlg;
    To.Zoom = From.Zoom;
    To.ModeSw = From.ModeSw;
    To.PaperLength = From.PaperLength;
    To.PaperWidth = From.PaperWidth;
    To.Scale = From.Scale;
    To.Copies = From.Copies;
    To.PrintQuality = From.PrintQuality;
    To.ColorMode = From.ColorMode;
    To.Duplex = From.Duplex;
    To.Collate = From.Collate;
    To.YResolution = From.YResolution;
}

namespace {

int answerZero(TVL48DEF*) { return 0; }

JobEntryPoint g_preview = &answerZero;
JobEntryPoint g_print = &answerZero;

std::string upper(std::string s)
{
    for (char& c : s) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

bool fontInstalled(const QString& name)
{
    // Families for the default character set, consecutive duplicates dropped.
    const QStringList families = QFontDatabase::families();
    return families.contains(name, Qt::CaseInsensitive);
}

std::string chooseOcrFont()
{
    if (fontInstalled(QStringLiteral("OCR-B")))
        return "OCR-B";
    if (fontInstalled(QStringLiteral("OCRB")))
        return "OCRB";
    return "ＭＳ ゴシック";
}

std::string cp(const std::string& utf8) { return platform::text::toCp932(utf8); }

std::string colourHex(TColor c)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%06X", static_cast<unsigned>(c));
    return buf;
}

// Whether the byte at 0-based index is the lead byte of a pair, walking from the start.
bool leadAt(const std::string& bytes, std::size_t index)
{
    return platform::text::isLeadByteAt(bytes, index + 1);
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos)
        return {};
    return path.substr(0, slash);
}

} // namespace

void setPreviewEntry(JobEntryPoint entry) { g_preview = entry ? entry : &answerZero; }
void setPrintEntry(JobEntryPoint entry) { g_print = entry ? entry : &answerZero; }
std::int16_t ShowPreview(TVL48DEF* job) { return static_cast<std::int16_t>(g_preview(job)); }
std::int16_t PrintJob(TVL48DEF* job) { return static_cast<std::int16_t>(g_print(job)); }

std::optional<std::string> formatPageNumber(const std::string& format,
                                            const std::vector<int>& numbers)
{
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        std::size_t j = i + 1;
        if (j < format.size() && format[j] == '%') {
            out += '%';
            i = j;
            continue;
        }
        bool left = false;
        bool zero = false;
        bool plus = false;
        bool blank = false;
        while (j < format.size() && std::string_view("-+ 0#").find(format[j]) != std::string_view::npos) {
            left = left || format[j] == '-';
            zero = zero || format[j] == '0';
            plus = plus || format[j] == '+';
            blank = blank || format[j] == ' ';
            ++j;
        }
        std::size_t width = 0;
        int digits = 0;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9') {
            if (++digits > 3)
                return std::nullopt;
            width = width * 10 + static_cast<std::size_t>(format[j++] - '0');
        }
        if (j >= format.size() || (format[j] != 'd' && format[j] != 'D'))
            return std::nullopt;
        if (next >= numbers.size())
            return std::nullopt;
        const long long n = numbers[next++];
        std::string sign = n < 0 ? "-" : plus ? "+" : blank ? " " : "";
        std::string body = std::to_string(n < 0 ? -n : n);
        if (sign.size() + body.size() < width) {
            const std::size_t pad = width - sign.size() - body.size();
            if (left)
                body += std::string(pad, ' ');
            else if (zero)
                body = std::string(pad, '0') + body;
            else
                sign = std::string(pad, ' ') + sign;
        }
        out += sign + body;
        i = j;
    }
    return out;
}

std::string fitTextField(const std::string& text, const std::string& alignment, int width)
{
    std::string bytes = cp(text);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (platform::text::isLeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size())
            ++i;
        else if (bytes[i] == ';')
            bytes[i] = ':';
    }
    if (width <= 0 || alignment == "CENTER")
        return bytes;
    const std::size_t w = static_cast<std::size_t>(width);
    // The padding comes from a run of at most 126 blanks.
    if (bytes.size() < w && w <= 126) {
        const std::string pad(w - bytes.size(), ' ');
        bytes = alignment == "RIGHT" ? pad + bytes : bytes + pad;
    }
    if (bytes.size() <= w)
        return bytes;
    if (alignment == "RIGHT") {
        std::size_t start = bytes.size() - w;
        if (leadAt(bytes, start - 1))
            ++start;
        return bytes.substr(start);
    }
    std::size_t keep = w;
    if (leadAt(bytes, keep - 1))
        --keep;
    return bytes.substr(0, keep);
}

TVellum48::TVellum48()
    : m_ocrFontName(chooseOcrFont())
{
    try {
        PrinterNum = reportEngine().ready ? reportEngine().vdbPrint->host().index() : -1;
    } catch (const std::exception&) {
        PrinterNum = -1;
    }
}

TVellum48::~TVellum48() = default;

void TVellum48::setOcrFontName(const std::string& name)
{
    if (name.empty())
        m_ocrFontName = chooseOcrFont();
    else if (fontInstalled(QString::fromStdString(name)))
        m_ocrFontName = name;
}

void TVellum48::setCopie(int v)
{
    if (v >= 1 && v <= 99)
        m_copie = v;
}
void TVellum48::setZoom(int v)
{
    if (v >= 5 && v <= 20)
        m_zoom = v;
}
void TVellum48::setScale(int v)
{
    if (v >= 50 && v <= 150)
        m_scale = v;
}
void TVellum48::setPrintQuality(int v)
{
    if (v >= -4 && v <= -1)
        m_printQuality = v;
}
void TVellum48::setColorMode(int v) { m_colorMode = (v < 0 || v > 2) ? 0 : v; }
void TVellum48::setDuplex(int v)
{
    if (v >= 1 && v <= 3)
        m_duplex = v;
}
void TVellum48::setCollate(int v)
{
    if (v == 0 || v == 1)
        m_collate = v;
}
void TVellum48::setVRATIO(int v) { m_vratio = (v < 750 || v > 1100) ? 1000 : v; }
void TVellum48::setHRATIO(int v) { m_hratio = (v < 750 || v > 1100) ? 1000 : v; }

void TVellum48::setPageBangoFormat(const std::string& format)
{
    const std::string up = upper(format);
    int count = 0;
    for (std::size_t p = up.find("%D"); p != std::string::npos; p = up.find("%D", p + 2))
        ++count;
    m_pageBangoArgs = count;
    bool ok = false;
    if (count == 1)
        ok = formatPageNumber(format, {1}).has_value();
    else if (count == 2)
        ok = formatPageNumber(format, {1, 1}).has_value();
    if (ok) {
        m_pageBangoFormat = format;
    } else {
        PageBango = false;
        m_pageBangoFormat = "(%d/%d)";
    }
}

TVellum48::TAlignment TVellum48::PageBangoAlignment() const
{
    return PageBangoAlign == 0 ? taLeftJustify : PageBangoAlign == 1 ? taCenter : taRightJustify;
}

void TVellum48::setPageBangoAlignment(TAlignment a)
{
    PageBangoAlign = a == taLeftJustify ? 0 : a == taCenter ? 1 : 2;
}

void TVellum48::OpenDataFile(bool NewName)
{
    if (NewName) {
        std::string folder = folderOf(DataFile);
        const std::string nativeFolder =
            folder.empty() ? platform::temporaryFolder()
                           : platform::paths::toNative(folder).string();
        std::string pattern = nativeFolder + "/~XXXXXX.tmp";
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        const int fd = ::mkstemps(buf.data(), 4);
        if (fd < 0)
            throw platform::files::FileError("create", pattern, errno);
        ::close(fd);
        const std::string created(buf.data());
        DataFile = folder.empty() ? created
                                  : folder + (DataFile[folder.size()] == '\\' ? "\\" : "/") +
                                        created.substr(created.find_last_of('/') + 1);
    }
    m_file.reset();
    m_headerWritten = false;
    m_file = std::make_unique<platform::files::File>(DataFile, platform::files::File::Mode::Create);
    WriteHeader();
}

void TVellum48::writeLine(const std::string& cp932Line)
{
    if (!m_file)
        throw platform::files::FileError("write", DataFile, EBADF);
    m_file->write(cp932Line + "\r\n");
}

void TVellum48::WriteHeader()
{
    if (m_headerWritten)
        return;
    if (!m_file)
        throw platform::files::FileError("write", DataFile, EBADF);
    const auto num = [](int v) { return std::to_string(v); };
    const auto flag = [](bool v) { return std::string(v ? "TRUE" : "FALSE"); };
    const std::vector<std::string> lines = {
        "*VELLUM48*" + std::string(60, '*'),
        "*[SETTING]",
        "*PATH=" + folderOf(DataFile),
        "*VERSION=" + EngineVersion,
        "*DATE=" + QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")).toStdString(),
        "*TITLE=" + Title,
        "*FORMFILE=" + FormFile,
        "*PAPERSIZE=" + num(PaperSize),
        "*OUTPUTPAPER=" + num(OutPutPaper),
        "*ORIENTATION=" + num(Orientation),
        "*TOPMARGIN=" + num(TopMargin),
        "*LEFTMARGIN=" + num(LeftMargin),
        "*FORMTOPMARGIN=" + num(FormTopMargin),
        "*FORMLEFTMARGIN=" + num(FormLeftMargin),
        "*NETC1=" + colourHex(NetColor1),
        "*NETC2=" + colourHex(NetColor2),
        "*USERC1=" + colourHex(UserColor1),
        "*USERC2=" + colourHex(UserColor2),
        "*FORMPRINT=" + flag(PrintFom),
        "*COPIES=" + num(m_copie),
        "*PAGENOSWITCH=" + flag(PageBango),
        "*PAGENOLEFT=" + num(PageBangoLeft),
        "*PAGENOTOP=" + num(PageBangoTop),
        "*PAGENOALIGNMENT=" + num(PageBangoAlign),
        "*PAGENOFORMAT=" + m_pageBangoFormat,
        std::string(61, '*') + "VELLUM48*",
    };
    std::string block;
    for (const std::string& l : lines)
        block += cp(l) + "\r\n";
    m_headerWritten = true;
    m_file->write(block);
}

void TVellum48::WriteText(int x, int y, const std::string& text, const std::string& fontName,
                          int fontSize, const std::string& style, const std::string& colour,
                          const std::string& background, const std::string& alignment, int width)
{
    const std::string align = upper(alignment);
    const std::string bg = (background == "OFF" || background == "ON") ? "1" : background;
    const std::string line = "TEXT;" + std::to_string(x) + ";" + std::to_string(y) + ";" +
        fitTextField(text, align, width) + ";" + cp(fontName) + ";" + std::to_string(fontSize) +
        ";" + cp(style) + ";" + cp(colour) + ";" + cp(bg) + ";" + cp(align) + ";0;0;";
    writeLine(line);
}

void TVellum48::WriteLine(int x1, int y1, int x2, int y2, int lineWidth, int penStyle,
                          const std::string& colour, bool fine)
{
    writeLine(std::string(fine ? "ELINE" : "LINE") + ";" + std::to_string(x1) + ";" +
              std::to_string(y1) + ";" + std::to_string(x2) + ";" + std::to_string(y2) + ";" +
              std::to_string(lineWidth) + ";" + std::to_string(penStyle) + ";" + cp(colour) + ";");
}

void TVellum48::WriteBox(int x1, int y1, int x2, int y2, int lineWidth, int penStyle,
                         const std::string& lineColour, const std::string& fillColour,
                         int fillStyle)
{
    writeLine("BOX;" + std::to_string(x1) + ";" + std::to_string(y1) + ";" + std::to_string(x2) +
              ";" + std::to_string(y2) + ";" + std::to_string(lineWidth) + ";" +
              std::to_string(penStyle) + ";" + cp(lineColour) + ";" + cp(fillColour) + ";" +
              std::to_string(fillStyle) + ";");
}

void TVellum48::NewPage()
{
    ++PageNo;
    if (BlankPage != 0)
        WriteBox(100, 100, 101, 101, 0, 0, "黒", "白", 1);
    writeLine("E;");
}

void TVellum48::CloseDataFile()
{
    if (m_file) {
        m_file->close();
        m_file.reset();
    }
    m_headerWritten = false;
}

void TVellum48::fillJob(TVL48DEF& job) const
{
    job.FormFile = FormFile;
    job.DataFile = DataFile;
    job.Title = Title;
    job.PaperName = PaperName;
    job.DocTitle = !DocTitle.empty() ? DocTitle
        : !Title.empty()             ? Title
                                     : "VELLUM48-" + EngineVersion;
    job.PrinterNum = PrinterNum;
    job.PaperSize = PaperSize;
    job.OutPutPaper = OutPutPaper;
    job.Orientation = Orientation;
    job.Scale = m_scale;
    job.Copies = m_copie;
    job.PrintQuality = m_printQuality;
    job.ColorMode = m_colorMode;
    job.Duplex = m_duplex;
    job.Collate = m_collate;
    job.TopMargin = TopMargin;
    job.LeftMargin = LeftMargin;
    job.EvenLeftOffset = EvenLeftMargin != 0 ? EvenLeftMargin - LeftMargin : 0;
    job.TopCorrect = TopCorrect;
    job.LeftCorrect = LeftCorrect;
    job.FormTopMargin = FormTopMargin;
    job.FormLeftMargin = FormLeftMargin;
    job.NetColor1 = NetColor1;
    job.NetColor2 = NetColor2;
    job.UserColor1 = UserColor1;
    job.UserColor2 = UserColor2;
    job.OcrGreen = OcrGreen;
    job.OcrBlue = OcrBlue;
    job.OcrBrown = OcrBrown;
    job.OcrPink = OcrPink;
    job.OcrOrange = OcrOrange;
    job.OcrViolet = OcrViolet;
    job.OcrPurple = OcrPurple;
    job.PrintFom = PrintFom;
    job.PrnDlg = PrnDlg;
    job.Zoom = m_zoom;
    job.SizeChange = SizeChange;
    job.ModeSw = ModeSw;
    job.PaperLength = PaperLength;
    job.PaperWidth = PaperWidth;
    job.Permit = Permit;
    job.ImageOut = ImageOut;
    job.CurrentPage = CurrentPage;
    job.VRATIO = m_vratio;
    job.HRATIO = m_hratio;
    job.GrayScale = GrayScale;
    job.PageBangoRec.PageBango = PageBango;
    job.PageBangoRec.PageBangoLeft = PageBangoLeft;
    job.PageBangoRec.PageBangoTop = PageBangoTop;
    job.PageBangoRec.PageBangoAlign = PageBangoAlign;
    job.PageBangoRec.PageBangoFormat = m_pageBangoFormat;
    job.PageBangoRec.PageBangoFontName = PageBangoFontName;
    job.PageBangoRec.PageBangoFontSize = PageBangoFontSize;
    job.PageBangoRec.PageBangoArgs = m_pageBangoArgs;
}

void TVellum48::afterJob(const TVL48DEF& job)
{
    if (DelFile) {
        try {
            if (!DataFile.empty() && platform::files::fileExists(DataFile))
                platform::files::removeFile(DataFile);
            // The chart picture beside this job's data file (not beside an older job's).
            const std::string folder = folderOf(job.DataFile);
            const std::string chart = folder.empty() ? "CHART.WMF" : folder + "/CHART.WMF";
            if (platform::files::fileExists(chart))
                platform::files::removeFile(chart);
        } catch (const std::exception& e) {
            WriteErrorLog(std::string("TVellum48.DelFile:") + e.what());
        }
    }
    if (reportEngine().ready) {
        platform::PrinterHost& host = reportEngine().vdbPrint->host();
        JobDef.PrinterNum = PrinterNum = host.index();
        JobDef.Copies = m_copie = host.devMode().copies;
    }
    PageBango = false;
}

bool TVellum48::Preview()
{
    fillJob(JobDef);
    const bool ok = ShowPreview(&JobDef) != 0;
    afterJob(JobDef);
    return ok;
}

bool TVellum48::Print()
{
    TVL48DEF job;
    fillJob(job);
    const bool ok = PrintJob(&job) != 0;
    afterJob(job);
    return ok;
}

} // namespace print
