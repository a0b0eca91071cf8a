// The device-mode fields that a CUPS queue takes as job options: paper source and print quality.
#pragma once

#include <string>
#include <utility>
#include <vector>

class QPrinter;

namespace platform {

struct DevMode;

using JobOptions = std::vector<std::pair<std::string, std::string>>;

// IPP job options for the device mode: "media-source" from the paper bin (dmDefaultSource) and
// "print-quality" from a quality level (dmPrintQuality below 0); a bin or level with no IPP
// counterpart gives no option. (A positive dmPrintQuality is a resolution: Qt's printer takes it.)
JobOptions cupsJobOptions(const DevMode& mode);

// Whether the CUPS scheduler in use (libcups: CUPS_SERVER, client.conf) has a queue of that name.
bool isCupsQueue(const std::string& name);

// Hands the options to Qt's CUPS print engine for the printer's next job, replacing earlier
// values of the same names and keeping every other option.
void applyCupsJobOptions(QPrinter& printer, const DevMode& mode);

} // namespace platform
