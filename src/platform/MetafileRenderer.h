// Windows metafile (WMF) pictures, drawn through libwmf.
#pragma once

#include <QImage>
#include <QSize>

#include <string>

namespace platform {

// Renders the metafile at a native path into an image of the given pixel size (the picture is
// stretched to it, as a stretched metafile is). A file that libwmf cannot read gives a null
// image and the reason in error.
QImage renderMetafile(const std::string& nativePath, QSize size, std::string& error);

} // namespace platform
