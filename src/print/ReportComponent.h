// The report component TVellum48 that writes print data files, the job record TVL48DEF and JobDef.
#pragma once

#include "platform/Colors.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::files {
class File;
}

namespace print {

using platform::TColor;

// Page numbering of a job.
struct TPAGEBANGO {
    bool PageBango = false;
    int PageBangoLeft = 0;
    int PageBangoTop = 0;
    int PageBangoAlign = 2; // 0 left, 1 centre, 2 right
    std::string PageBangoFontName = "ＭＳ 明朝";
    int PageBangoFontSize = 10;
    std::string PageBangoFormat = "(%d/%d)";
    int PageBangoArgs = 0;
};

// One print or preview job. Paths are kept whole (a cut path would be reported missing).
struct TVL48DEF {
    std::string FormFile;
    std::string DataFile;
    std::string Title;
    std::string DeviceName;
    std::string FormName;
    std::string DocTitle;
    int PrinterNum = -1;
    int PaperSize = 0;
    int OutPutPaper = 0;
    int VRATIO = 1000;
    int HRATIO = 1000;
    std::string PaperName = "A4";
    int Orientation = 0;
    int TopMargin = 0;
    int LeftMargin = 0;
    int EvenLeftOffset = 0;
    int TopCorrect = 0;
    int LeftCorrect = 0;
    int FormTopMargin = 0;
    int FormLeftMargin = 0;
    int BinNum = 7;
    TColor NetColor1 = 0xC0C0C0;
    TColor NetColor2 = 0xC0C0C0;
    TColor UserColor1 = 0;
    TColor UserColor2 = 0;
    TColor OcrGreen = 0x2CBE00;
    TColor OcrBlue = 0xAC661F;
    TColor OcrBrown = 0x23234D;
    TColor OcrPink = 0x7F02F0;
    TColor OcrOrange = 0x41B3FE;
    TColor OcrViolet = 0x903D57;
    TColor OcrPurple = 0x741A82;
    bool PrintFom = true;
    bool PrnDlg = true;
    int Zoom = 10;
    bool SizeChange = false;
    bool ImageOut = false;
    bool CurrentPage = true;
    bool ModeSw = true;
    int PaperLength = 2970;
    int PaperWidth = 2100;
    int Scale = 100;
    int Copies = 1;
    int PrintQuality = -4;
    int ColorMode = 0;
    int Duplex = 1;
    int Collate = 0;
    int YResolution = 0;
    bool Permit = true;
    bool GrayScale = false;
    std::uint32_t DevFields = 0;
    TPAGEBANGO PageBangoRec;
};

// The settings a preview and a print take from a caller's job into JobDef: title, printer,
// paper, margins, colours of the grid and the user, and the print options.
void CopyJobSettings(TVL48DEF& To, const TVL48DEF& From);

// The program-wide current job (GUI thread only).
extern TVL48DEF JobDef;
// The engine version written to "*VERSION=" and used in the last-resort document name.
extern std::string EngineVersion;

// The preview and print entry points; each answers non-zero for success. Until the preview
// window and print loop are installed they answer 0.
using JobEntryPoint = int (*)(TVL48DEF* job);
void setPreviewEntry(JobEntryPoint entry); // nullptr restores the one that answers 0
void setPrintEntry(JobEntryPoint entry);
std::int16_t ShowPreview(TVL48DEF* job);
std::int16_t PrintJob(TVL48DEF* job);

// Formats a page-number format: only "%d" with flags (-+ 0#) and a width, and "%%". Returns
// nothing for any other conversion or when the format asks for more numbers than given.
std::optional<std::string> formatPageNumber(const std::string& format,
                                            const std::vector<int>& numbers);

// The report component: a client writes drawing records into a print data file through it and
// hands the file to the preview or the print loop.
class TVellum48 {
public:
    enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

    TVellum48();
    ~TVellum48();
    TVellum48(const TVellum48&) = delete;
    TVellum48& operator=(const TVellum48&) = delete;

    // Writing. Every write raises std::runtime_error (platform::files::FileError for input and
    // output, platform::text::EncodingError for a character without a CP932 form) and then
    // writes nothing of that record.
    void OpenDataFile(bool NewName);
    void WriteHeader();
    void WriteText(int x, int y, const std::string& text, const std::string& fontName,
                   int fontSize, const std::string& style, const std::string& colour,
                   const std::string& background, const std::string& alignment, int width);
    void WriteLine(int x1, int y1, int x2, int y2, int lineWidth, int penStyle,
                   const std::string& colour, bool fine);
    void WriteBox(int x1, int y1, int x2, int y2, int lineWidth, int penStyle,
                  const std::string& lineColour, const std::string& fillColour, int fillStyle);
    void NewPage();
    void CloseDataFile();
    bool Preview();
    bool Print();

    // Properties with range rules.
    std::string DataFile;
    std::string FormFile;
    std::string Title;
    std::string DocTitle;
    const std::string& OcrFontName() const { return m_ocrFontName; }
    void setOcrFontName(const std::string& name);
    TColor OcrGreen = 0x2CBE00;
    TColor OcrBlue = 0xAC661F;
    TColor OcrBrown = 0x23234D;
    TColor OcrOrange = 0x41B3FE;
    TColor OcrPink = 0x7F02F0;
    TColor OcrViolet = 0x903D57;
    TColor OcrPurple = 0x741A82;
    int Orientation = 0;
    int PaperSize = 9;
    int OutPutPaper = 0;
    std::string PaperName = "A4";
    int LeftMargin = 0;
    int TopMargin = 0;
    int EvenLeftMargin = 0;
    int LeftCorrect = 0;
    int TopCorrect = 0;
    int FormLeftMargin = 0;
    int FormTopMargin = 0;
    int PageNo = 1;
    bool PrintFom = true;
    bool PrnDlg = true;
    int Copie() const { return m_copie; }
    void setCopie(int v);
    int PrinterNum = -1;
    int BinNum = 7;
    TColor NetColor1 = 0xC0C0C0;
    TColor NetColor2 = 0xC0C0C0;
    TColor UserColor1 = 0;
    TColor UserColor2 = 0;
    int Zoom() const { return m_zoom; }
    void setZoom(int v);
    bool SizeChange = false;
    int PaperLength = 2970;
    int PaperWidth = 2100;
    int Scale() const { return m_scale; }
    void setScale(int v);
    int PrintQuality() const { return m_printQuality; }
    void setPrintQuality(int v);
    int ColorMode() const { return m_colorMode; }
    void setColorMode(int v);
    int Duplex() const { return m_duplex; }
    void setDuplex(int v);
    int Collate() const { return m_collate; }
    void setCollate(int v);
    int VRATIO() const { return m_vratio; }
    void setVRATIO(int v);
    int HRATIO() const { return m_hratio; }
    void setHRATIO(int v);
    bool ModeSw = false;
    bool Permit = true;
    int PosCenter = 0;
    bool CurrentPage = true;
    bool ImageOut = false;
    int LineMaxCount = 0;
    bool DelFile = true;
    int BlankPage = 0;
    bool GrayScale = false;
    bool PageBango = false;
    int PageBangoLeft = 0;
    int PageBangoTop = 0;
    const std::string& PageBangoFormat() const { return m_pageBangoFormat; }
    void setPageBangoFormat(const std::string& format);
    int PageBangoArgs() const { return m_pageBangoArgs; }
    std::string PageBangoFontName = "ＭＳ 明朝";
    int PageBangoFontSize = 10;
    TAlignment PageBangoAlignment() const;
    void setPageBangoAlignment(TAlignment a);
    int PageBangoAlign = 2;

private:
    void writeLine(const std::string& cp932Line);
    void fillJob(TVL48DEF& job) const;
    void afterJob(const TVL48DEF& job);

    std::unique_ptr<platform::files::File> m_file;
    bool m_headerWritten = false;
    std::string m_ocrFontName;
    int m_copie = 1;
    int m_zoom = 10;
    int m_scale = 100;
    int m_printQuality = 0;
    int m_colorMode = 0;
    int m_duplex = 0;
    int m_collate = 0;
    int m_vratio = 1000;
    int m_hratio = 1000;
    std::string m_pageBangoFormat = "(%d/%d)";
    int m_pageBangoArgs = 0;
};

// The "TEXT" text field as written: ";" made ":" and fitted into width CP932 bytes by the
// alignment (upper case). Input UTF-8, result CP932 bytes. Throws EncodingError.
std::string fitTextField(const std::string& text, const std::string& alignment, int width);

} // namespace print
