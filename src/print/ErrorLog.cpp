// The report engine's entry to the error log (platform/ErrorLog.h).
#include "print/ErrorLog.h"

#include "platform/ErrorLog.h"
#include "platform/SpecialFolders.h"

namespace print {

std::string toCp932Lossy(const std::string& utf8) { return platform::toCp932Lossy(utf8); }

void SpecialFolder(int folderId, std::string& path)
{
    path.clear();
    if (folderId == CSIDL_PERSONAL)
        path = platform::documentsFolder();
}

std::string errorLogPath() { return platform::errorLogPath(); }

void WriteErrorLog(const std::string& text) { platform::writeErrorLog(text); }

} // namespace print
