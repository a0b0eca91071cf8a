#include "platform/AnimationFrames.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <memory>

namespace platform {

namespace {

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameCloser {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketCloser {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScaleCloser {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

std::string avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

} // namespace

AnimationFrames decodeAnimationFrames(const std::string& nativePath, std::string& error,
                                      int maxFrames)
{
    AnimationFrames out;
    AVFormatContext* raw = nullptr;
    if (const int rc = avformat_open_input(&raw, nativePath.c_str(), nullptr, nullptr); rc < 0) {
        error = avError(rc);
        return out;
    }
    std::unique_ptr<AVFormatContext, FormatCloser> format(raw);
    if (const int rc = avformat_find_stream_info(format.get(), nullptr); rc < 0) {
        error = avError(rc);
        return out;
    }
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (stream < 0 || !codec) {
        error = "no video stream";
        return out;
    }
    const AVStream* video = format->streams[stream];
    std::unique_ptr<AVCodecContext, CodecCloser> decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), video->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        error = "cannot open the decoder";
        return out;
    }
    const AVRational rate = av_guess_frame_rate(format.get(), const_cast<AVStream*>(video), nullptr);
    if (rate.num > 0 && rate.den > 0)
        out.intervalMs = std::clamp(int(std::lround(1000.0 * rate.den / rate.num)), 10, 2000);

    std::unique_ptr<AVPacket, PacketCloser> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameCloser> frame(av_frame_alloc());
    std::unique_ptr<SwsContext, ScaleCloser> scale;
    const auto takeFrames = [&]() {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            const int w = frame->width;
            const int h = frame->height;
            scale.reset(sws_getCachedContext(scale.release(), w, h,
                                             static_cast<AVPixelFormat>(frame->format), w, h,
                                             AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr,
                                             nullptr));
            if (!scale)
                return false;
            QImage image(w, h, QImage::Format_ARGB32);
            uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
            int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
            sws_scale(scale.get(), frame->data, frame->linesize, 0, h, planes, strides);
            out.frames.push_back(std::move(image));
            av_frame_unref(frame.get());
            if (int(out.frames.size()) >= maxFrames)
                return false;
        }
        return true;
    };
    bool more = true;
    while (more && av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream && avcodec_send_packet(decoder.get(), packet.get()) >= 0)
            more = takeFrames();
        av_packet_unref(packet.get());
    }
    if (more) {
        avcodec_send_packet(decoder.get(), nullptr); // drain
        takeFrames();
    }
    if (out.frames.empty())
        error = "no frame could be decoded";
    return out;
}

} // namespace platform
