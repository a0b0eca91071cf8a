#include "platform/MetafileRenderer.h"

#include <libwmf/api.h>
#include <libwmf/gd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

namespace platform {

namespace {

// Keeps a page-sized picture at printer resolution within a sane allocation; the caller
// stretches the image to its box anyway.
constexpr int kMaxSide = 4096;

struct ApiCloser {
    wmfAPI* api = nullptr;
    ~ApiCloser()
    {
        if (api)
            wmf_api_destroy(api);
    }
};

std::string failure(const char* step, wmf_error_t err)
{
    return std::string(step) + " (libwmf error " + std::to_string(static_cast<int>(err)) + ")";
}

} // namespace

QImage renderMetafile(const std::string& nativePath, QSize size, std::string& error)
{
    std::ifstream in(nativePath, std::ios::binary);
    if (!in) {
        error = "cannot open the file";
        return {};
    }
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (bytes.empty()) {
        error = "empty file";
        return {};
    }
    const int width = std::clamp(size.width(), 1, kMaxSide);
    const int height = std::clamp(size.height(), 1, kMaxSide);

    wmfAPI_Options options{};
    options.function = wmf_gd_function;
    ApiCloser holder;
    const unsigned long flags =
        WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    wmf_error_t err = wmf_api_create(&holder.api, flags, &options);
    if (err != wmf_E_None) {
        error = failure("the metafile player cannot start", err);
        return {};
    }
    wmfAPI* api = holder.api;
    err = wmf_mem_open(api, bytes.data(), static_cast<long>(bytes.size()));
    if (err != wmf_E_None) {
        error = failure("not a metafile", err);
        return {};
    }
    wmfD_Rect bbox{};
    err = wmf_scan(api, 0, &bbox);
    if (err != wmf_E_None) {
        wmf_mem_close(api);
        error = failure("damaged metafile", err);
        return {};
    }
    wmf_gd_t* device = WMF_GD_GetData(api);
    device->type = wmf_gd_image;
    device->bbox = bbox;
    device->width = static_cast<unsigned int>(width);
    device->height = static_cast<unsigned int>(height);
    err = wmf_play(api, 0, &bbox);
    if (err != wmf_E_None || !device->gd_image) {
        wmf_mem_close(api);
        error = failure("damaged metafile", err);
        return {};
    }
    // gd's true colour: 7 bits of transparency (0 opaque), then red, green, blue.
    const int* pixels = wmf_gd_image_pixels(device->gd_image);
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const unsigned int p = static_cast<unsigned int>(pixels[y * width + x]);
            const int alpha = 255 - static_cast<int>(((p >> 24) & 0x7F) * 255 / 127);
            line[x] = qRgba(static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                            static_cast<int>(p & 0xFF), alpha);
        }
    }
    wmf_mem_close(api);
    return image;
}

} // namespace platform
