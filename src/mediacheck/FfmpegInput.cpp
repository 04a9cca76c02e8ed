#include "mediacheck/FfmpegInput.h"

#include <cerrno>
#include <cstdio>

namespace mendora::mediacheck {

namespace {

using SourceReader = FfmpegInput::Reader;

int readPacket(void *opaque, std::uint8_t *buffer, int size) {
    auto &r = *static_cast<SourceReader *>(opaque);
    if (r.cancel && r.cancel->load(std::memory_order_relaxed))
        return AVERROR_EXIT;
    const std::int64_t got = r.source->read(r.position, buffer, static_cast<std::size_t>(size));
    if (got < 0) {
        r.readError = r.source->error() ? r.source->error() : EIO;
        return AVERROR(r.readError);
    }
    if (got == 0)
        return AVERROR_EOF;
    r.position += got;
    return static_cast<int>(got);
}

std::int64_t seekTo(void *opaque, std::int64_t offset, int whence) {
    auto &r = *static_cast<SourceReader *>(opaque);
    const std::int64_t size = r.source->size();
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return size;
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += r.position;
        break;
    case SEEK_END:
        offset += size;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (offset < 0)
        return AVERROR(EINVAL);
    r.position = offset;
    return offset;
}

constexpr int kIoBuffer = 64 * 1024;

} // namespace

FfmpegInput::~FfmpegInput() {
    if (format_)
        avformat_close_input(&format_);
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
}

int FfmpegInput::open(ByteSource &source, const std::string &name,
                      const std::atomic<bool> *cancel) {
    reader_ = Reader{&source, cancel, 0, 0};
    auto *buffer = static_cast<unsigned char *>(av_malloc(kIoBuffer));
    if (!buffer)
        return AVERROR(ENOMEM);
    io_ = avio_alloc_context(buffer, kIoBuffer, 0, &reader_, readPacket, nullptr, seekTo);
    if (!io_) {
        av_free(buffer);
        return AVERROR(ENOMEM);
    }
    format_ = avformat_alloc_context();
    if (!format_)
        return AVERROR(ENOMEM);
    format_->pb = io_;
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    // The name only hints at the format; the bytes come from `source`. On
    // failure FFmpeg frees the context.
    return avformat_open_input(&format_, name.c_str(), nullptr, nullptr);
}

} // namespace mendora::mediacheck
