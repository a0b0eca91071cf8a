#include "platform/Colors.h"

namespace platform {
namespace {

QColor systemColor(unsigned index)
{
    switch (index) {
    case 0x05: return QColor(255, 255, 255); // window
    case 0x08: return QColor(0, 0, 0);       // window text
    case 0x0D: return QColor(10, 36, 106);   // highlight
    case 0x0F: return QColor(212, 208, 200); // button face
    case 0x10: return QColor(128, 128, 128); // button shadow
    case 0x11: return QColor(128, 128, 128); // grey text
    case 0x12: return QColor(0, 0, 0);       // button text
    case 0x14: return QColor(255, 255, 255); // button highlight
    case 0x15: return QColor(64, 64, 64);    // 3D dark shadow
    case 0x16: return QColor(212, 208, 200); // 3D light
    default: return QColor(0, 0, 0);
    }
}

} // namespace

QColor toQColor(TColor color)
{
    if (color & 0x80000000u)
        return systemColor(color & 0xFFu);
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

TColor fromQColor(const QColor& color)
{
    return TColor(color.red()) | (TColor(color.green()) << 8) | (TColor(color.blue()) << 16);
}

} // namespace platform
