// Renders a print data file (with its form file) the way the preview and the print loop will:
// to 254-dpi images through the preview target and to a PDF through the PDF printer.
#pragma once

#include <QImage>

#include <string>
#include <vector>

namespace testsupport {

// Reads the job settings the engine needs from the data file's header into JobDef
// (paper, orientation, margins, form printing, page numbers), and the form file.
void loadJobFromHeader(const std::string& dataFile, const std::string& formFile);

// One image per page at 254 dpi (1 px = 0.1 mm), white paper, zoom 100 %.
std::vector<QImage> renderPreviewPages();

// The whole job to one PDF through the engine's PDF printer; false with the reason on failure.
bool renderPdf(const std::string& pdfPath, std::string& error);

} // namespace testsupport
