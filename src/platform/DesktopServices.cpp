#include "platform/DesktopServices.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace platform {
namespace {

class DesktopOpener final : public UrlOpener {
public:
    bool openUrl(const std::string& url) override
    {
        const QUrl target(QString::fromStdString(url), QUrl::TolerantMode);
        return target.isValid() && QDesktopServices::openUrl(target);
    }

    bool openLocalFile(const std::string& nativePath) override
    {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(nativePath)));
    }
};

DesktopOpener g_desktopOpener;
UrlOpener* g_opener = nullptr;

} // namespace

UrlOpener& urlOpener()
{
    return g_opener ? *g_opener : g_desktopOpener;
}

void setUrlOpener(UrlOpener* opener)
{
    g_opener = opener;
}

bool openUrl(const std::string& url)
{
    return urlOpener().openUrl(url);
}

bool openLocalFile(const std::string& nativePath)
{
    return urlOpener().openLocalFile(nativePath);
}

} // namespace platform
