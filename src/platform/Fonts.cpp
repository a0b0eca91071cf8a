#include "platform/Fonts.h"

#include <QStringList>

#include <iterator>

namespace platform {
namespace {

constexpr FontSubstitution kTable[] = {
    {"ＭＳ ゴシック", "IPAGothic"},
    {"ＭＳ Ｐゴシック", "IPAPGothic"},
    {"ＭＳ 明朝", "IPAMincho"},
    {"ＭＳ Ｐ明朝", "IPAPMincho"},
};

constexpr const char* kFallback = "Noto Sans CJK JP";

} // namespace

const FontSubstitution* fontSubstitutions(int* count)
{
    if (count)
        *count = int(std::size(kTable));
    return kTable;
}

QString substituteFontFamily(const QString& name)
{
    for (const auto& s : kTable)
        if (name == QString::fromUtf8(s.windowsName))
            return QString::fromUtf8(s.family);
    return name;
}

void installFontSubstitutions()
{
    for (const auto& s : kTable)
        QFont::insertSubstitutions(QString::fromUtf8(s.windowsName),
                                   {QString::fromUtf8(s.family), QString::fromUtf8(kFallback)});
}

QFont windowsFont(const QString& name, int pixelHeight)
{
    QFont font(substituteFontFamily(name));
    font.setFamilies({substituteFontFamily(name), QString::fromUtf8(kFallback)});
    if (pixelHeight > 0)
        font.setPixelSize(pixelHeight);
    return font;
}

} // namespace platform
