#include "platform/SpecialFolders.h"

#include <QStandardPaths>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string withoutTrailingSeparator(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string systemTemporaryFolder()
{
    std::error_code ec;
    const auto p = std::filesystem::temp_directory_path(ec);
    return ec ? std::string("/tmp") : withoutTrailingSeparator(p.string());
}

// Creates the folder when missing. A folder that already exists must be ours and a real folder
// (not a link planted in a shared /tmp).
void ensurePrivateFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0700) == 0)
        return;
    if (errno != EEXIST)
        throw std::system_error(errno, std::generic_category(), "cannot create " + path);
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        throw std::system_error(errno, std::generic_category(), "cannot read " + path);
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        throw std::system_error(std::make_error_code(std::errc::permission_denied),
                                "not a private folder: " + path);
}

} // namespace

std::string runtimeFolder()
{
    std::string folder = environment(kRuntimeFolderVariable);
    if (!folder.empty()) {
        // A test or an install chose it; create its parents as well.
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec)
            throw std::system_error(ec, "cannot create " + folder);
        return withoutTrailingSeparator(folder);
    }
    const std::string xdg = environment("XDG_RUNTIME_DIR");
    if (!xdg.empty())
        folder = withoutTrailingSeparator(xdg) + "/zetrino";
    else
        folder = systemTemporaryFolder() + "/zetrino-" + std::to_string(::geteuid());
    ensurePrivateFolder(folder);
    return folder;
}

std::string temporaryFolder()
{
    const std::string temp = environment("TEMP");
    if (!temp.empty())
        return withoutTrailingSeparator(temp);
    return systemTemporaryFolder();
}

std::string privateTemporaryFolder()
{
    // Never the shared temporary folder itself: other users could read or plant work files.
    const std::string folder = temporaryFolder() + "/zetrino-" + std::to_string(::geteuid());
    ensurePrivateFolder(folder);
    ::chmod(folder.c_str(), 0700);
    return folder;
}

std::string workFolder(const std::string& configured)
{
    return configured.empty() ? privateTemporaryFolder() : configured;
}

std::string commonAppDataFolder()
{
    const std::string folder = environment(kCommonAppDataVariable);
    return folder.empty() ? std::string("/var/lib") : withoutTrailingSeparator(folder);
}

std::string documentsFolder()
{
    const std::string folder = environment(kDocumentsVariable);
    if (!folder.empty())
        return withoutTrailingSeparator(folder);
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return withoutTrailingSeparator(docs.toStdString());
}

} // namespace platform
