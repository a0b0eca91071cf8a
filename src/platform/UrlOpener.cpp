#include "platform/UrlOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform {
namespace {

UrlOpener& installed()
{
    static UrlOpener opener;
    return opener;
}

} // namespace

bool openUrl(const std::string& url)
{
    if (installed())
        return installed()(url);
    return QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(url)));
}

void setUrlOpener(UrlOpener opener) { installed() = std::move(opener); }

} // namespace platform
