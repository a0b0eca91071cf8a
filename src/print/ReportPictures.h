// Pictures on report pages: BMP and JPEG decoding and the stretch into a rectangle (copy or AND).
#pragma once

#include <QImage>

#include <string>

class QPainter;
class QRect;

namespace print {

// Decodes a JPEG file with libjpeg: accurate for the printer, fast for the preview. A damaged or
// truncated file gives a null image and the reason in error; the decoder never ends the program.
QImage decodeJpeg(const std::string& nativePath, bool accurate, std::string& error);

// Stretches the picture into the rectangle: copied, or combined with AND (a raster operation on
// raster devices, multiply where the device has none, such as PDF).
void stretchPicture(QPainter& painter, const QRect& target, const QImage& picture, bool andMode);

} // namespace print
