// PaintPage: draws one page of a print data or form file onto a painter (printer or preview).
#pragma once

#include <string>

class QPainter;

namespace print {

class PrintFile;

// Which canvas a page is drawn on: the printer's (corrections apply, the form layer may be left
// out, "MESSAGE" records count) or the preview's.
enum class PaintTarget { Printer, Preview };

// Draws the page that starts at the file's position; the file is left at the next page. kind is
// "FOM", "DAT" or "SUBFORM"; origin in device units; zoom in tenths; sy, sx device units per
// 0.1 mm; ppi for font heights. The page offsets come from reportEngine().pageLeft / pageTop.
// Returns true when the file ended without a page-end record.
bool PaintPage(const std::string& kind, PrintFile& file, QPainter& canvas, PaintTarget target,
               int originY, int originX, int formPageIndex, bool evenPage, int zoom, double sy,
               double sx, int ppi);

// The text logged for a metafile picture, which this program cannot draw.
inline constexpr const char* kMetafileNotDrawn = "メタファイルの図を読み込めないため描画できません";

} // namespace print
