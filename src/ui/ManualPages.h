#pragma once

#include <string>

// Pages of the local HTML manual, opened in the user's browser.

// The result of a page that could not be handed to the browser (E_FAIL).
inline constexpr int kManualPageFailed = static_cast<int>(0x80004005u);

// The path of the manual page for the run mode: HelpFolder of SystemDef joined with the mode's
// folder ("\zaimu\" for a top page, "\zaimu\olm.files\" otherwise in mode 0); empty when the name
// is empty or the run mode is not 0-3.
std::string manualPagePath(const std::string& pageName, int runMode);
// Opens the page of the current RunMode as a file:// address (platform/UrlOpener.h). 0 when it was opened, or
// when there is nothing to open (empty name, another run mode); kManualPageFailed otherwise.
// Failures are not shown to the user.
int ShowManualPage(const std::string& pageName);
