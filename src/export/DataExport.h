#pragma once

#include "platform/CoreTypes.h"

#include <stdexcept>
#include <string>

// TComDataExport and EDataExportError: the export object that carries everything the linkage
// file needs besides the asset rows. Partner: XmlSaveDocument.h (the writer it fills).

class TXmlSaveDoc;

// Codes of EDataExportError.
namespace exportcode {
inline constexpr int kCalculationFailed = 1;   // "科目の集計処理に失敗しました。"
inline constexpr int kEmptyPrintName = 2;      // "決算書項目で空の印刷名称が存在します。"
inline constexpr int kNoAcquisitionDate = 4;   // "取得年月が設定されていません。"
inline constexpr int kSaveFailed = 8;          // the linkage file could not be written
inline constexpr int kInvalidAsset = 16;       // an asset that cannot be exported (named)
inline constexpr int kNoBasicLayout = 256;     // "業務Prefixが条件に加えられていません。"
} // namespace exportcode

// EDataExportError: a failed generation of the linkage file; the message, a detail and a code.
class EDataExportError : public std::runtime_error {
public:
    EDataExportError(const std::string& message, int code, const std::string& detail)
        : std::runtime_error(message), m_detail(detail), m_code(code)
    {
    }
    std::string Message() const { return what(); }
    const std::string& Detail() const { return m_detail; }
    int Code() const { return m_code; }

private:
    std::string m_detail;
    int m_code;
};

// The "Zetrino.ini" section of a business kind; empty for a kind it does not know.
std::string businessKindSection(const std::string& kind);

// Value Name of the installed accounting product of the major version (keys from
// records::seihinRegistryKeys()): the registry subkey of
// the maker key whose name holds the product key and the two-digit major version ("08"), the one
// listed last winning; empty when that subkey lacks the value. Value stays as passed when no
// subkey matches. (Letter only shapes the "rootdir" value, which this program never asks for.)
void GetSeihinRegValue(int majorVersion, int letter, const std::string& name, std::string& value);

// TComDataExport: the export object. Reads its "Zetrino.ini" section at construction and writes
// it back on destruction; writes REPORT, SYSTEM and BASIC and leaves DATA to SetDataNode.
class TComDataExport {
public:
    // passedFunctionId: as the calling program passed it, 0 when none; exportFile: its output file.
    TComDataExport(int passedFunctionId, const std::string& exportFile);
    // Writes "Zetrino.ini"; a failure is shown in an error box, never thrown.
    virtual ~TComDataExport();
    TComDataExport(const TComDataExport&) = delete;
    TComDataExport& operator=(const TComDataExport&) = delete;

    // The business kind's section of "Zetrino.ini" in the ini folder: DATA, KOMONSAKI and, only
    // without a given function id, EXPORTFILE. Missing file, section or key: empty values.
    void ReadIniFile();
    // Writes the same keys back in one piece; raises platform::files::FileError (the file is
    // then as it was) or platform::text::EncodingError.
    void WriteIniFile();

    // Creates the root REPORT and writes SYSTEM.
    void SetSystemNode(TXmlSaveDoc& doc);
    // Writes BASIC; EDataExportError 256 for a prefix and function id without a layout.
    void SetBasicNode(TXmlSaveDoc& doc);
    // Writes DATA.
    virtual void SetDataNode(TXmlSaveDoc& doc) = 0;

    // Where the export runs and what it reads from the program and the company, gathered before
    // any node is written.
    std::string programFileName;          // upper-cased
    std::string programFolder;
    std::string programDrive;
    std::string dataRoot;                 // common application data + "\" + HomeDir
    std::string iniFolder;                // dataRoot + "\ini"
    std::string title;                    // application title and main form caption
    std::string targetName;               // the product the file is for
    std::string businessKind;             // "ST_G"
    int givenFunctionId = 0;              // as passed, 0 when none
    std::string businessPrefix;           // GYOUMUPREFIX
    int formatVersion = 0;                // VERSION
    int functionId = 0;                   // FUNCTIONID: 2 when none was given
    std::string connectedProgramVersion;  // CONNECTEDPROGRAMVER
    std::string installedProductName;     // PROGRAMNAME, registry "Product"
    std::string installedProductVersion;  // PROGRAMVER, registry "Version"
    std::string requiredVersion;          // lowest accepted product and data version
    std::string clientName;               // KOMONSAKI, then the company's trade name
    int fiscalYearNumber = 0;             // NENDO
    platform::TDateTime fiscalYearStart = 0; // KISHU
    platform::TDateTime fiscalYearEnd = 0;   // KIMATU
    int closingDay = 99;                  // SIME
    int incomeKind = 0;                   // SYOTOKUSYURUI
    int roundingMode = 0;                 // SDAI_HASUU1, HASUU_SYOUKYAKU
    bool breakdown = false;               // kind "ST" only
    std::string lastData;                 // DATA of "Zetrino.ini", written back unchanged
    int firstPeriod = 0;
    int lastPeriod = 0;
    int periodEnd = 0;
    int taxInclusive = 0;                 // TAXDEFUH
    int taxSimplified = 0;                // TAXKANNI
    int taxBusinessKind = 0;              // TAXJIGYOU
    int accumulation = 0;
    int dataType = 0;                     // DATATYPE
    int codeSystem = 0;                   // CODETYPE
    std::string outputFile;
    int selectionClass = 0;               // parameter lines of the data-selection dialog
    std::string dataVersionText;          // "8.0"
    std::string dataMajorVersion;         // "8"

    // The "Zetrino.ini" path.
    std::string iniFileName() const;
};

// True when the installed version ("8.0.0") is a positive number not below the required one;
// each text is cut at "." into at most three decimal items.
bool CompareVersionText(const std::string& installed, const std::string& required);
