// Pictures on report pages: BMP and JPEG decoding and the stretch into a rectangle (copy or AND).
#include "print/ReportPictures.h"

#include <QPaintEngine>
#include <QPainter>

#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

namespace print {

namespace {

// libjpeg's own error_exit ends the process; ours jumps back with the message.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool truncated;
};

void errorExit(j_common_ptr info)
{
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, err->message);
    std::longjmp(err->jump, 1);
}

void outputMessage(j_common_ptr info)
{
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    // Warnings (premature end of data, corrupt segments) mean a damaged picture.
    (*info->err->format_message)(info, err->message);
    err->truncated = true;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The part that may jump back: it keeps nothing of its own across the jump (the row buffer
// belongs to libjpeg's pool, the image to the caller).
bool runDecode(jpeg_decompress_struct* info, ErrorManager* err, std::FILE* file, bool accurate,
               QImage* image)
{
    if (setjmp(err->jump))
        return false;
    jpeg_create_decompress(info);
    jpeg_stdio_src(info, file);
    jpeg_read_header(info, TRUE);
    const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    info->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    if (accurate) {
        info->dct_method = JDCT_ISLOW;
        info->do_fancy_upsampling = TRUE;
    } else {
        info->dct_method = JDCT_IFAST;
        info->do_fancy_upsampling = FALSE;
        info->do_block_smoothing = FALSE;
    }
    jpeg_start_decompress(info);
    *image = QImage(static_cast<int>(info->output_width), static_cast<int>(info->output_height),
                    QImage::Format_RGB888);
    JSAMPARRAY row = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                                info->output_width * info->output_components, 1);
    while (info->output_scanline < info->output_height) {
        const int y = static_cast<int>(info->output_scanline);
        jpeg_read_scanlines(info, row, 1);
        uchar* out = image->scanLine(y);
        for (JDIMENSION x = 0; x < info->output_width; ++x) {
            if (cmyk) {
                // Adobe writes inverted CMYK.
                const int k = row[0][x * 4 + 3];
                for (int c = 0; c < 3; ++c)
                    out[x * 3 + c] = static_cast<uchar>(row[0][x * 4 + c] * k / 255);
            } else {
                out[x * 3] = row[0][x * 3];
                out[x * 3 + 1] = row[0][x * 3 + 1];
                out[x * 3 + 2] = row[0][x * 3 + 2];
            }
        }
    }
    jpeg_finish_decompress(info);
    return true;
}

} // namespace

QImage decodeJpeg(const std::string& nativePath, bool accurate, std::string& error)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(nativePath.c_str(), "rb"));
    if (!file) {
        error = "cannot open the file";
        return {};
    }
    jpeg_decompress_struct info{};
    ErrorManager err{};
    info.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = &errorExit;
    err.pub.output_message = &outputMessage;
    QImage image;
    const bool ok = runDecode(&info, &err, file.get(), accurate, &image);
    jpeg_destroy_decompress(&info);
    if (!ok || err.truncated) {
        error = err.message;
        return {};
    }
    return image;
}

void stretchPicture(QPainter& painter, const QRect& target, const QImage& picture, bool andMode)
{
    painter.save();
    if (andMode) {
        const QPaintEngine* engine = painter.paintEngine();
        if (engine && engine->type() == QPaintEngine::Raster)
            painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        else
            painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    }
    painter.drawImage(target, picture);
    painter.restore();
}

} // namespace print
