#include "ui/ManualPages.h"

#include "platform/Paths.h"
#include "platform/UrlOpener.h"
#include "records/ProgramRecords.h"

#include <QString>
#include <QUrl>

#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 4> kTopPages = {"olm.html", "ecbolm.html", "vtnolm.html",
                                                       "csbolm.html"};

struct ModeFolders {
    std::string_view top;
    std::string_view other;
};
constexpr std::array<ModeFolders, 4> kModeFolders = {{
    {"\\zaimu\\", "\\zaimu\\olm.files\\"},
    {"\\", "\\ecbolm.files\\"},
    {"\\veltorin\\", "\\veltorin\\vtnolm.files\\"},
    {"\\", "\\csbolm.files\\"},
}};

bool isTopPage(const std::string& name)
{
    for (const auto top : kTopPages)
        if (name == top)
            return true;
    return false;
}

} // namespace

std::string manualPagePath(const std::string& pageName, int runMode)
{
    if (pageName.empty() || runMode < 0 || runMode >= int(kModeFolders.size()))
        return {};
    const ModeFolders& folders = kModeFolders[std::size_t(runMode)];
    return SystemDef.HelpFolder + std::string(isTopPage(pageName) ? folders.top : folders.other)
           + pageName;
}

int ShowManualPage(const std::string& pageName)
{
    const std::string path = manualPagePath(pageName, RunMode);
    if (path.empty())
        return 0;
    try {
        const QUrl url = QUrl::fromLocalFile(
            QString::fromStdString(platform::paths::toNative(path).string()));
        return platform::openUrl(url.toString().toStdString()) ? 0 : kManualPageFailed;
    } catch (const std::exception&) {
        return kManualPageFailed;
    }
}
