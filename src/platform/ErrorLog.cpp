#include "platform/ErrorLog.h"

#include "platform/Files.h"
#include "platform/SpecialFolders.h"
#include "platform/Text.h"

#include <cstdio>
#include <ctime>
#include <exception>
#include <stdexcept>

namespace platform {

std::string toCp932Lossy(const std::string& utf8)
{
    try {
        return text::toCp932(utf8);
    } catch (const std::exception&) {
    }
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = text::charLength(utf8, i);
        try {
            out += text::toCp932(utf8.substr(i, n));
        } catch (const std::exception&) {
            out += '?';
        }
        i += n;
    }
    return out;
}

std::string errorLogPath()
{
    const std::string folder = documentsFolder();
    if (folder.empty())
        return {};
    return folder + "/Vellum48_Error.log";
}

void writeErrorLog(const std::string& text)
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
        files::append(path, toCp932Lossy(stamp + text) + "\r\n");
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

} // namespace platform
