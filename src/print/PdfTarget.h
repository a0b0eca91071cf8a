// Checks around a PDF the print writes: the file it may replace, and the file it wrote.
#pragma once

#include <string>

class QPrinter;

namespace print {

// Why the PDF may not be written to `file` (a native path), or empty when it may. Refused: a
// database this program has open, any Firebird database, and any existing file that is not a PDF.
std::string pdfTargetRefusal(const std::string& file);

// Why the PDF the printer has just finished is not whole, or empty when it is. Qt's PDF writer
// does not report write errors (a full disk): the printer's state, the file's size and its
// closing "%%EOF" tell.
std::string writtenPdfFault(const QPrinter& printer, const std::string& file);

} // namespace print
