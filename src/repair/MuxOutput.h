// The container writer of a repaired copy: libavformat's muxer of the
// original's kind, writing through the new file at any position. Shared by
// the strategies that write audio and video. Inside the library only.
#pragma once

#include "system/Files.h"

#include <cstdint>
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace mendora::repair::detail {

struct PacketFree {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

class MuxOutput {
public:
    MuxOutput() = default;
    ~MuxOutput();
    MuxOutput(const MuxOutput &) = delete;
    MuxOutput &operator=(const MuxOutput &) = delete;

    // Makes the writer for the container of `original` (by its extension,
    // else the one that matches `in`'s demuxer), with `in`'s metadata.
    // Empty, or why not.
    std::string open(files::NewFile &out, const std::string &original, const AVFormatContext *in);

    AVFormatContext *format() const { return format_; }
    const AVOutputFormat *muxer() const { return format_ ? format_->oformat : nullptr; }
    // Whether the container can hold the codec at all.
    bool takes(AVCodecID codec) const;

    // Each returns empty, or why the copy cannot be written.
    std::string writeHeader();
    std::string write(AVPacket *packet); // interleaved by decoding time
    std::string finish();                // the trailer, then the file flushed

private:
    std::string failure(const char *what) const;

    struct Writer {
        files::NewFile *file = nullptr;
        std::int64_t position = 0;
        std::int64_t size = 0;
        int error = 0;
    };
    static int writePacket(void *opaque, std::uint8_t *buffer, int n);
    static std::int64_t seek(void *opaque, std::int64_t offset, int whence);

    Writer writer_;
    AVIOContext *io_ = nullptr;
    AVFormatContext *format_ = nullptr;
};

} // namespace mendora::repair::detail
