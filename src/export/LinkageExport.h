#pragma once

// The one export entry: the wizard's Finish and the headless driver write the linkage file
// through it, so the company settings reach the export object in one place.

#include <string>

namespace firebird {
class Transaction;
} // namespace firebird

class TComDataExport;
class TSyotokuzeiGenkaDataExport;
struct TACCINF;

// Required version of the installed accounting product and of the company data.
inline constexpr const char* kRequiredVersion = "8.0.0";

enum RendoResult : int { kRendoWritten = 1, kRendoStopped = 3, kRendoFailed = 4 };

// How one export run ended. An export error that only stops the run (an asset that cannot be
// exported, code 16 or 6) is an information for the user; any other is an error.
struct LinkageExportResult {
    int result = kRendoFailed; // RendoResult
    std::string message;       // of the export error; empty when written
    std::string detail;
    int errorCode = 0;
    // The text the user is shown: message and detail on lines of their own.
    std::string text() const { return message + "\r" + detail + "\r"; }
};

// Copies the company settings (AccInf's fields) into the export object.
void ApplyCompanySettings(TComDataExport& exporter, const TACCINF& company);

// The refusal of a data set whose data version is below kRequiredVersion, empty when it may be
// exported.
std::string DataVersionRefusal(const std::string& dataVersion);
// The refusal of a data set that is not an individual's for an export of an individual's
// statement (kinds "ST" and "ST_G"), empty when it may be exported.
std::string IndividualDataRefusal(const TComDataExport& exporter, const TACCINF& company);

// Writes the linkage file of the open company to outputPath: takes the company settings, reads
// everything in companyTransaction and writes the file whole or not at all. Export errors come
// back in the result; other failures (a lost connection outside the reads, memory) are thrown.
LinkageExportResult ExportLinkageFile(TSyotokuzeiGenkaDataExport& exporter,
                                      firebird::Transaction& companyTransaction,
                                      const TACCINF& company, const std::string& outputPath);
