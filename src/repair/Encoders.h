// Encoders for what a repair writes anew: a stream re-encoded whole, or the
// fill frames and silence that stand in for lost units. Inside the library
// only.
#pragma once

#include "repair/MuxOutput.h"

#include <cstdint>
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

namespace mendora::repair::detail {

struct CodecFree {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
struct FrameFree {
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

struct EncoderWish {
    const AVCodecParameters *like = nullptr; // size, pixel format, rate, layout, bit rate
    AVRational frameRate{0, 1};              // video: the stream's frames per second
    std::int64_t bitRate = 0;                // 0: the stream's, else a fixed quality
    bool nearest = false; // the container's own codec of the kind when the stream's has no encoder
    bool intraOnly = false; // every picture a key frame, as stand-ins between kept units need
};

// Opens an encoder for a stream like `wish.like`: its own codec when FFmpeg
// encodes it and the container takes it, else (when `nearest`) the
// container's codec of the kind. Null with `why` when there is none.
CodecPtr openEncoder(const EncoderWish &wish, const MuxOutput &output, std::string &why);

// A picture of the colour 0xRRGGBB in the encoder's size and pixel format.
FramePtr fillPicture(const AVCodecContext &encoder, std::uint32_t fill);
// `samples` samples of silence in the encoder's format and layout.
FramePtr silence(const AVCodecContext &encoder, int samples);

// The samples per frame that the encoder takes (its own, or 1024 for those
// that take any number).
int samplesPerFrame(const AVCodecContext &encoder);

} // namespace mendora::repair::detail
