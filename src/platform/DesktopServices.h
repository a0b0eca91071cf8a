#pragma once

#include <string>

// Hands web addresses and local documents to the user's browser or viewer.
namespace platform {

// Opens an address ("https://...", "mailto:...") or a local file given by its native path.
// Returns false when nothing could take it.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual bool openUrl(const std::string& url) = 0;
    virtual bool openLocalFile(const std::string& nativePath) = 0;
};

// The opener in force: the desktop's one, or a test's.
UrlOpener& urlOpener();
// Installs an opener (not owned); nullptr restores the desktop's one.
void setUrlOpener(UrlOpener* opener);

// Shorthands for the opener in force.
bool openUrl(const std::string& url);
bool openLocalFile(const std::string& nativePath);

} // namespace platform
