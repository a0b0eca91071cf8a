// The frames of a small animation file (the progress window's AVI), decoded once through FFmpeg's
// libavformat and libavcodec, so that playing it needs no media pipeline.
#pragma once

#include <QImage>

#include <string>
#include <vector>

namespace platform {

struct AnimationFrames {
    std::vector<QImage> frames;
    int intervalMs = 100; // from the file's frame rate
};

// Every frame of the file's first video stream (at most maxFrames). A file that cannot be
// decoded gives no frames and the reason in error.
AnimationFrames decodeAnimationFrames(const std::string& nativePath, std::string& error,
                                      int maxFrames = 600);

} // namespace platform
