#include "platform/CupsJobOptions.h"

#include "platform/Printers.h"

#include <QPrintEngine>
#include <QPrinter>
#include <QStringList>

#include <cups/cups.h>

namespace platform {

namespace {

// The key under which Qt's CUPS print engine keeps its job options (name, value, name, ...).
constexpr auto kCupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);

// Windows paper bins (DMBIN_*) as IPP media-source keywords.
const char* mediaSourceFor(int bin)
{
    switch (bin) {
    case 1: return "top";            // DMBIN_UPPER (DMBIN_ONLYONE)
    case 2: return "bottom";         // DMBIN_LOWER
    case 3: return "middle";         // DMBIN_MIDDLE
    case 4: return "manual";         // DMBIN_MANUAL
    case 5: return "envelope";       // DMBIN_ENVELOPE
    case 6: return "manual";         // DMBIN_ENVMANUAL
    case 7: return "auto";           // DMBIN_AUTO
    case 8: return "main";           // DMBIN_TRACTOR
    case 11: return "large-capacity"; // DMBIN_LARGECAPACITY
    case 14: return "main";          // DMBIN_CASSETTE
    case 15: return "auto";          // DMBIN_FORMSOURCE
    default: return nullptr;         // small/large format and driver bins: the queue's default
    }
}

// DMRES_DRAFT -1, DMRES_LOW -2, DMRES_MEDIUM -3, DMRES_HIGH -4 as IPP print-quality enums.
const char* printQualityFor(int quality)
{
    switch (quality) {
    case -1:
    case -2: return "3"; // draft
    case -3: return "4"; // normal
    case -4: return "5"; // high
    default: return nullptr;
    }
}

} // namespace

JobOptions cupsJobOptions(const DevMode& mode)
{
    JobOptions out;
    if (const char* source = mediaSourceFor(mode.defaultSource))
        out.emplace_back("media-source", source);
    if (const char* quality = printQualityFor(mode.printQuality))
        out.emplace_back("print-quality", quality);
    return out;
}

bool isCupsQueue(const std::string& name)
{
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), nullptr);
    if (!dest)
        return false;
    cupsFreeDests(1, dest);
    return true;
}

void applyCupsJobOptions(QPrinter& printer, const DevMode& mode)
{
    QPrintEngine* engine = printer.printEngine();
    if (!engine)
        return;
    QStringList options = engine->property(kCupsOptions).toStringList();
    for (const char* name : {"media-source", "print-quality"}) {
        for (qsizetype i = 0; i + 1 < options.size();) {
            if (options[i] == QLatin1String(name))
                options.remove(i, 2);
            else
                i += 2;
        }
    }
    for (const auto& [name, value] : cupsJobOptions(mode))
        options << QString::fromStdString(name) << QString::fromStdString(value);
    engine->setProperty(kCupsOptions, options);
}

} // namespace platform
