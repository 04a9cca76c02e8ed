#include "mediacheck/MediaCheck.h"

#include "system/FileErrors.h"
#include "system/Files.h"

#include <algorithm>
#include <cstdarg>
#include <memory>
#include <mutex>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
}

namespace mendora::mediacheck {

const char *verdictName(Verdict verdict) {
    switch (verdict) {
    case Verdict::Intact:
        return "intact";
    case Verdict::Damaged:
        return "damaged";
    case Verdict::Unsupported:
        return "unsupported";
    case Verdict::Unreadable:
        return "unreadable";
    }
    return "unsupported";
}

namespace {

// Errors that FFmpeg logs while this thread checks a file. Decoders run on
// the checking thread (one decoding thread each), so a thread-local counter
// finds the check a message belongs to.
thread_local int *tLoggedErrors = nullptr;

void countLoggedErrors(void *, int level, const char *, va_list) {
    if (level <= AV_LOG_ERROR && tLoggedErrors)
        ++*tLoggedErrors;
}

void installLogCounter() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(countLoggedErrors); });
}

struct InputCloser {
    void operator()(AVFormatContext *c) const { avformat_close_input(&c); }
};
struct CodecCloser {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct PacketFree {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
struct FrameFree {
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};

int interruptRequested(void *opaque) {
    const auto *cancel = static_cast<const std::atomic<bool> *>(opaque);
    return cancel && cancel->load(std::memory_order_relaxed) ? 1 : 0;
}

std::string percentOf(std::int64_t part, std::int64_t whole) {
    const int percent =
        whole > 0 ? static_cast<int>(std::clamp<std::int64_t>(part * 100 / whole, 0, 100)) : 0;
    return std::to_string(percent) + " %";
}

Finding damaged(std::string summary) {
    std::string details = summary;
    return {Verdict::Damaged, std::move(summary), std::move(details)};
}

Finding unsupported(std::string details) {
    return {Verdict::Unsupported, "not checked", std::move(details)};
}

Finding unreadable(std::string details) {
    return {Verdict::Unreadable, "unreadable", std::move(details)};
}

} // namespace

std::optional<Finding> checkFile(const std::string &path, const CheckControl &control) {
    std::int64_t size = 0;
    if (const int error = files::fileSize(path, size))
        return unreadable(systemErrorText(error));
    if (size == 0)
        return damaged("empty file");
    const auto cancelled = [&] {
        return control.cancel && control.cancel->load(std::memory_order_relaxed);
    };
    const auto report = [&](std::int64_t bytes) {
        if (control.progress)
            control.progress(std::clamp<std::int64_t>(bytes, 0, size));
    };

    installLogCounter();
    int loggedErrors = 0;
    tLoggedErrors = &loggedErrors;
    struct Reset {
        ~Reset() { tLoggedErrors = nullptr; }
    } reset;

    AVFormatContext *raw = avformat_alloc_context();
    if (!raw)
        return unreadable("out of memory");
    raw->interrupt_callback = {interruptRequested, const_cast<std::atomic<bool> *>(control.cancel)};
    if (const int error = avformat_open_input(&raw, path.c_str(), nullptr, nullptr); error < 0) {
        if (cancelled())
            return std::nullopt;
        if (error == AVERROR(EIO) || error == AVERROR(EACCES) || error == AVERROR(ENOENT))
            return unreadable(systemErrorText(AVUNERROR(error)));
        return unsupported("not a media file this program can decode");
    }
    std::unique_ptr<AVFormatContext, InputCloser> input(raw);
    const int probeErrors = loggedErrors;
    if (avformat_find_stream_info(input.get(), nullptr) < 0) {
        if (cancelled())
            return std::nullopt;
        return damaged("damaged header");
    }
    // Errors seen while probing repeat those of the first packets: counted once.
    loggedErrors = probeErrors;

    std::vector<std::unique_ptr<AVCodecContext, CodecCloser>> decoders(input->nb_streams);
    int decodable = 0;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters *parameters = input->streams[i]->codecpar;
        if (parameters->codec_type != AVMEDIA_TYPE_AUDIO &&
            parameters->codec_type != AVMEDIA_TYPE_VIDEO)
            continue;
        const AVCodec *codec = avcodec_find_decoder(parameters->codec_id);
        if (!codec)
            continue;
        std::unique_ptr<AVCodecContext, CodecCloser> decoder(avcodec_alloc_context3(codec));
        if (!decoder || avcodec_parameters_to_context(decoder.get(), parameters) < 0)
            continue;
        decoder->err_recognition = AV_EF_CRCCHECK | AV_EF_BITSTREAM | AV_EF_BUFFER;
        decoder->thread_count = 1;
        if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
            continue;
        decoders[i] = std::move(decoder);
        ++decodable;
    }
    if (decodable == 0)
        return unsupported("no decoder here for its streams");

    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    std::int64_t judged = 0;
    std::int64_t firstDamageAt = -1;
    std::vector<std::int64_t> decodedEnd(input->nb_streams, AV_NOPTS_VALUE);
    const auto noteDamage = [&] {
        if (firstDamageAt < 0)
            firstDamageAt = judged;
    };
    const auto drain = [&](AVCodecContext *decoder, unsigned stream) {
        while (avcodec_receive_frame(decoder, frame.get()) == 0) {
            if (frame->decode_error_flags || (frame->flags & AV_FRAME_FLAG_CORRUPT))
                noteDamage();
            const std::int64_t start = frame->best_effort_timestamp != AV_NOPTS_VALUE
                                           ? frame->best_effort_timestamp
                                           : frame->pts;
            if (start != AV_NOPTS_VALUE)
                decodedEnd[stream] = std::max(decodedEnd[stream], start + frame->pkt_duration);
            av_frame_unref(frame.get());
        }
    };

    int readResult = 0;
    while ((readResult = av_read_frame(input.get(), packet.get())) >= 0) {
        const unsigned stream = static_cast<unsigned>(packet->stream_index);
        if (packet->pos >= 0)
            judged = std::max(judged, packet->pos + packet->size);
        if (stream < decoders.size() && decoders[stream]) {
            const int before = loggedErrors;
            if (packet->flags & AV_PKT_FLAG_CORRUPT)
                noteDamage();
            if (avcodec_send_packet(decoders[stream].get(), packet.get()) < 0)
                noteDamage();
            drain(decoders[stream].get(), stream);
            if (loggedErrors > before)
                noteDamage();
        }
        av_packet_unref(packet.get());
        report(judged);
        if (cancelled())
            return std::nullopt;
    }
    if (cancelled())
        return std::nullopt;
    if (readResult != AVERROR_EOF) {
        if (readResult == AVERROR(EIO))
            return unreadable(systemErrorText(EIO));
        noteDamage();
    }
    for (unsigned i = 0; i < decoders.size(); ++i) {
        if (!decoders[i])
            continue;
        const int before = loggedErrors;
        avcodec_send_packet(decoders[i].get(), nullptr);
        drain(decoders[i].get(), i);
        if (loggedErrors > before)
            noteDamage();
    }
    report(size);

    // A file cut short often decodes cleanly up to where it stops: compare
    // what the stream headers declare with what was decoded. Durations that
    // the demuxer estimated from timestamps or the bit rate declare nothing.
    std::optional<std::string> shortfall;
    for (unsigned i = 0; i < decoders.size() && !shortfall; ++i) {
        const AVStream *stream = input->streams[i];
        if (!decoders[i] || stream->duration <= 0 || decodedEnd[i] == AV_NOPTS_VALUE ||
            input->duration_estimation_method != AVFMT_DURATION_FROM_STREAM)
            continue;
        const std::int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
        const std::int64_t decoded = decodedEnd[i] - start;
        // Slack for encoder delay and padding and for rounding in the writers'
        // bookkeeping: 2 % or a fifth of a second, whichever is more.
        const std::int64_t fifth = av_rescale_q(1, AVRational{1, 5}, stream->time_base);
        const std::int64_t slack = std::max(stream->duration / 50, fifth);
        if (decoded < stream->duration - slack)
            shortfall = percentOf(decoded, stream->duration);
    }
    // Errors in the last stretch of a file that ends early are the cut's.
    const std::int64_t tail = std::max<std::int64_t>(64 * 1024, size / 50);
    if (firstDamageAt >= 0 && !(shortfall && firstDamageAt >= size - tail))
        return damaged("damaged data near " + percentOf(firstDamageAt, size));
    if (shortfall)
        return damaged("ends at " + *shortfall + " of its declared length");
    return Finding{Verdict::Intact, "intact", "decoded to the end without errors"};
}

} // namespace mendora::mediacheck
