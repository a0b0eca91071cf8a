// The report engine's error log "Vellum48_Error.log" in the user's documents folder.
#include "print/ErrorLog.h"

#include "platform/Files.h"
#include "platform/SpecialFolders.h"
#include "platform/Text.h"

#include <cstdio>
#include <ctime>
#include <exception>

namespace print {

std::string toCp932Lossy(const std::string& utf8)
{
    try {
        return platform::text::toCp932(utf8);
    } catch (const std::exception&) {
    }
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = platform::text::charLength(utf8, i);
        try {
            out += platform::text::toCp932(utf8.substr(i, n));
        } catch (const std::exception&) {
            out += '?';
        }
        i += n;
    }
    return out;
}

void SpecialFolder(int folderId, std::string& path)
{
    path.clear();
    if (folderId == CSIDL_PERSONAL)
        path = platform::documentsFolder();
}

std::string errorLogPath()
{
    std::string folder;
    SpecialFolder(CSIDL_PERSONAL, folder);
    if (folder.empty())
        return {};
    return folder + "/Vellum48_Error.log";
}

void WriteErrorLog(const std::string& text)
{
    static bool reported = false;
    try {
        const std::string path = errorLogPath();
        if (path.empty())
            throw std::runtime_error("no documents folder");
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%02d/%02d/%02d %02d:%02d:%02d  ",
                      local.tm_year % 100, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min, local.tm_sec);
        platform::files::append(path, toCp932Lossy(stamp + text) + "\r\n");
    } catch (const std::exception& e) {
        if (!reported) {
            reported = true;
            std::fprintf(stderr, "Vellum48_Error.log: %s (%s)\n", e.what(), text.c_str());
        }
    } catch (...) {
        if (!reported) {
            reported = true;
            std::fprintf(stderr, "Vellum48_Error.log: %s\n", text.c_str());
        }
    }
}

} // namespace print
