#pragma once

#include <QFont>
#include <QString>

// The Windows Japanese fonts that forms and reports name, mapped to the installed IPA fonts
// (close metrics), with Noto CJK behind them for anything the IPA fonts lack.
namespace platform {

struct FontSubstitution {
    const char* windowsName; // UTF-8, as forms and settings name it
    const char* family;      // the installed family that stands in for it
};

// The one substitution table.
const FontSubstitution* fontSubstitutions(int* count);

// The installed family for a Windows font name; other names come back unchanged.
QString substituteFontFamily(const QString& name);

// Registers the table with Qt (QFont::insertSubstitutions), so a QFont built with a Windows name
// draws with its stand-in. Safe to call more than once.
void installFontSubstitutions();

// A font by Windows name and pixel height (the forms' "Height"), through the table.
QFont windowsFont(const QString& name, int pixelHeight);

} // namespace platform
