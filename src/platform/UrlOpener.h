#pragma once

#include <functional>
#include <string>

// Opening a web address or a document with the desktop's handler. Tests install their own
// opener to record what would have been opened.
namespace platform {

using UrlOpener = std::function<bool(const std::string& url)>;

// Opens the address (UTF-8); false when it could not be handed to the desktop.
bool openUrl(const std::string& url);
// Installs an opener; an empty one restores the desktop's.
void setUrlOpener(UrlOpener opener);

} // namespace platform
