// FFmpeg's demuxers reading through a ByteSource: the same bytes as the
// walks, so that a read error is seen as one (FFmpeg's demuxers take some
// for an end of file) and a cancel stops the next read. The checker and the
// repair open their input this one way.
#pragma once

#include "mediacheck/ByteSource.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

namespace mendora::mediacheck {

class FfmpegInput {
public:
    FfmpegInput() = default;
    ~FfmpegInput();
    FfmpegInput(const FfmpegInput &) = delete;
    FfmpegInput &operator=(const FfmpegInput &) = delete;

    // Opens the bytes with the demuxer that takes them; `name` hints at the
    // format. 0, or FFmpeg's negative error code.
    int open(ByteSource &source, const std::string &name, const std::atomic<bool> *cancel);

    AVFormatContext *format() const { return format_; }
    // The system error number of a read that failed, or 0.
    int readError() const { return reader_.readError; }

    struct Reader {
        ByteSource *source = nullptr;
        const std::atomic<bool> *cancel = nullptr;
        std::int64_t position = 0;
        int readError = 0;
    };

private:
    Reader reader_;
    AVIOContext *io_ = nullptr;
    AVFormatContext *format_ = nullptr;
};

} // namespace mendora::mediacheck
