#include "repair/MuxOutput.h"

#include "system/FileErrors.h"

#include <algorithm>
#include <cstdio>

namespace mendora::repair::detail {

namespace {

constexpr int kOutBuffer = 64 * 1024;

// The muxer for the copy: the one of the original's extension, else the one
// that matches the demuxer that read it.
const AVOutputFormat *muxerFor(const std::string &path, const AVInputFormat *demuxer) {
    if (const AVOutputFormat *byName = av_guess_format(nullptr, path.c_str(), nullptr))
        return byName;
    std::string name = demuxer && demuxer->name ? demuxer->name : "";
    name = name.substr(0, name.find(','));
    return av_guess_format(name.c_str(), nullptr, nullptr);
}

} // namespace

MuxOutput::~MuxOutput() {
    if (format_)
        avformat_free_context(format_);
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
}

int MuxOutput::writePacket(void *opaque, std::uint8_t *buffer, int n) {
    auto &w = *static_cast<Writer *>(opaque);
    if (const int error = w.file->writeAt(w.position, buffer, static_cast<std::size_t>(n))) {
        w.error = error;
        return AVERROR(EIO);
    }
    w.position += n;
    w.size = std::max(w.size, w.position);
    return n;
}

std::int64_t MuxOutput::seek(void *opaque, std::int64_t offset, int whence) {
    auto &w = *static_cast<Writer *>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return w.size;
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += w.position;
        break;
    case SEEK_END:
        offset += w.size;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (offset < 0)
        return AVERROR(EINVAL);
    w.position = offset;
    return offset;
}

std::string MuxOutput::open(files::NewFile &out, const std::string &original,
                            const AVFormatContext *in) {
    const AVOutputFormat *muxer = muxerFor(original, in->iformat);
    if (!muxer || avformat_alloc_output_context2(&format_, muxer, nullptr, nullptr) < 0)
        return "no writer here for its container";
    auto *buffer = static_cast<unsigned char *>(av_malloc(kOutBuffer));
    writer_.file = &out;
    io_ = buffer ? avio_alloc_context(buffer, kOutBuffer, 1, &writer_, nullptr, writePacket, seek)
                 : nullptr;
    if (!io_) {
        av_free(buffer);
        return "out of memory";
    }
    format_->pb = io_;
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    av_dict_copy(&format_->metadata, in->metadata, 0);
    return {};
}

bool MuxOutput::takes(AVCodecID codec) const {
    return codec != AV_CODEC_ID_NONE &&
           avformat_query_codec(muxer(), codec, FF_COMPLIANCE_NORMAL) != 0;
}

std::string MuxOutput::failure(const char *what) const {
    return writer_.error ? systemErrorText(writer_.error) : what;
}

std::string MuxOutput::writeHeader() {
    if (format_->nb_streams == 0)
        return "no stream of it can be written again";
    if (avformat_write_header(format_, nullptr) < 0)
        return failure("its streams cannot be written again");
    return {};
}

std::string MuxOutput::write(AVPacket *packet) {
    if (av_interleaved_write_frame(format_, packet) < 0 || writer_.error)
        return failure("a packet cannot be written again");
    return {};
}

std::string MuxOutput::finish() {
    if (av_write_trailer(format_) < 0 || writer_.error)
        return failure("its end cannot be written");
    avio_flush(io_);
    if (writer_.error)
        return systemErrorText(writer_.error);
    if (const int flushed = writer_.file->flush())
        return systemErrorText(flushed);
    return {};
}

} // namespace mendora::repair::detail
