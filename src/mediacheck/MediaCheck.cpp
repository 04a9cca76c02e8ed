#include "mediacheck/MediaCheck.h"

#include "mediacheck/JpegCheck.h"
#include "mediacheck/Structure.h"
#include "system/FileErrors.h"
#include "system/Files.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <iterator>
#include <memory>
#include <mutex>
#include <string_view>
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

Finding damaged(std::string summary, std::string details = {}) {
    if (details.empty())
        details = summary;
    return {Verdict::Damaged, std::move(summary), std::move(details)};
}

Finding unsupported(std::string details) {
    return {Verdict::Unsupported, "not checked", std::move(details)};
}

Finding unreadable(std::string details) {
    return {Verdict::Unreadable, "unreadable", std::move(details)};
}

// FFmpeg reads the file through the same byte source as the walks, so that a
// read error is seen as one (FFmpeg's demuxers take some for an end of file)
// and a cancel stops the next read.
struct SourceReader {
    ByteSource *source = nullptr;
    const std::atomic<bool> *cancel = nullptr;
    std::int64_t position = 0;
    int readError = 0;
};

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

struct IoCloser {
    void operator()(AVIOContext *io) const {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

constexpr int kIoBuffer = 64 * 1024;

// The walk that fits what FFmpeg found, when the first bytes did not tell.
std::optional<Container> containerOfFormat(const char *name) {
    const std::string format = name ? name : "";
    if (format == "mpeg")
        return Container::MpegProgram;
    if (format == "mp3")
        return Container::MpegAudio;
    if (format == "asf")
        return Container::Asf;
    if (format == "avi" || format == "wav")
        return Container::Riff;
    if (format == "rm")
        return Container::RealMedia;
    return std::nullopt;
}

// A Windows Media playlist: XML text beginning "<asx" after blanks or a BOM.
bool isPlaylist(ByteSource &source) {
    char head[512] = {};
    const std::int64_t got = source.read(0, head, sizeof head);
    std::string text(head, static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
    if (text.starts_with("\xEF\xBB\xBF"))
        text.erase(0, 3);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos || text.size() < first + 4)
        return false;
    std::string tag = text.substr(first, 4);
    for (char &c : tag)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tag == "<asx";
}

// ".vob" for "VTS_01_1.VOB"; empty without an extension.
std::string lowerExtension(const std::string &name) {
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || name.find_first_of("/\\", dot) != std::string::npos)
        return {};
    std::string extension = name.substr(dot);
    for (char &c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// Whether a file that FFmpeg cannot open still holds, in its first 64 KiB,
// the structures its extension promises: then its header is what is damaged.
// Only marks that plain text or other data cannot hold by chance count: the
// objects' 16-byte ids of ASF, and RIFF and RealMedia chunk ids with sizes
// that fit the file.
bool holdsRemainsOf(ByteSource &source, const std::string &extension) {
    std::string head(64 * 1024, '\0');
    const std::int64_t got = source.read(0, head.data(), head.size());
    if (got <= 0)
        return false;
    head.resize(static_cast<std::size_t>(got));
    const std::int64_t size = source.size();
    const auto le32 = [&](std::size_t at) {
        const auto b = [&](std::size_t i) { return std::uint32_t(std::uint8_t(head[at + i])); };
        return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
    };
    const auto be32 = [&](std::size_t at) {
        const auto b = [&](std::size_t i) { return std::uint32_t(std::uint8_t(head[at + i])); };
        return b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3);
    };
    // A chunk id followed by a size that ends inside the file.
    // A chunk id followed by a size that ends inside the file (or at its end).
    const auto chunkFits = [&](std::string_view id, bool bigEndian, std::uint32_t least,
                               bool atEnd = false) {
        for (std::size_t at = head.find(id); at != std::string::npos && at + 8 <= head.size();
             at = head.find(id, at + 1)) {
            const std::uint32_t length = bigEndian ? be32(at + 4) : le32(at + 4);
            const std::int64_t end = std::int64_t(at) + 8 + length;
            if (length >= least && end <= size + 1 && (!atEnd || end >= size - 1))
                return true;
        }
        return false;
    };
    if (extension == ".asf" || extension == ".wma" || extension == ".wmv" || extension == ".wm") {
        static const char *const ids[] = {
            "\x36\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", // data
            "\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65", // file
            "\x91\x07\xDC\xB7\xB7\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65", // stream
        };
        return std::any_of(std::begin(ids), std::end(ids), [&](const char *id) {
            return head.find(std::string_view(id, 16)) != std::string::npos;
        });
    }
    if (extension == ".avi")
        return chunkFits("movi", false, 0) || chunkFits("strh", false, 48);
    if (extension == ".wav")
        return chunkFits("data", false, 1, true) ||
               (chunkFits("data", false, 1) && chunkFits("fmt ", false, 14));
    if (extension == ".rm" || extension == ".rmvb" || extension == ".ra")
        return chunkFits("PROP", true, 50) || chunkFits("MDPR", true, 40);
    return false;
}

// Whether a program stream ends with the end code 00 00 01 B9, as a whole
// stream does and the parts of a title cut at pack boundaries do not.
bool endsWithEndCode(ByteSource &source) {
    unsigned char last[4] = {};
    return source.size() >= 4 && source.read(source.size() - 4, last, 4) == 4 && last[0] == 0 &&
           last[1] == 0 && last[2] == 1 && last[3] == 0xB9;
}

} // namespace

std::string percentOf(std::int64_t part, std::int64_t whole) {
    const int percent =
        whole > 0 ? static_cast<int>(std::clamp<std::int64_t>(part * 100 / whole, 0, 100)) : 0;
    return std::to_string(percent) + " %";
}

std::optional<Finding> checkFile(const std::string &path, const CheckControl &control) {
    // Opened once, measured from the open file; a folder or a pipe is refused here.
    int error = 0;
    const std::unique_ptr<FileSource> source = FileSource::open(path, error);
    if (!source)
        return unreadable(systemErrorText(error));
    return checkBytes(*source, path, control);
}

std::optional<Finding> checkBytes(ByteSource &source, const std::string &name,
                                  const CheckControl &control) {
    const std::int64_t size = source.size();
    if (size == 0)
        return damaged("empty file");
    const std::string extension = lowerExtension(name);
    // JPEG: libjpeg first, for its warnings; a picture it passes is decoded
    // once more by FFmpeg's decoder, which notices flipped bits in the
    // entropy-coded data that libjpeg takes for valid codes.
    const bool jpeg = looksLikeJpeg(source);
    if (jpeg || extension == ".jpg" || extension == ".jpeg") {
        std::optional<Finding> finding = checkJpeg(source, control);
        if (!finding || finding->verdict != Verdict::Intact || !jpeg)
            return finding;
    }
    if (isPlaylist(source))
        return unsupported("a playlist, which names media files but holds none");
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

    SourceReader reader{&source, control.cancel};
    std::unique_ptr<AVIOContext, IoCloser> io;
    if (auto *buffer = static_cast<unsigned char *>(av_malloc(kIoBuffer))) {
        io.reset(avio_alloc_context(buffer, kIoBuffer, 0, &reader, readPacket, nullptr, seekTo));
        if (!io)
            av_free(buffer);
    }
    AVFormatContext *raw = io ? avformat_alloc_context() : nullptr;
    if (!raw)
        return unreadable("out of memory");
    raw->pb = io.get();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    // The name only hints at the format; the bytes come from `source`.
    if (avformat_open_input(&raw, name.c_str(), nullptr, nullptr) < 0) {
        if (cancelled())
            return std::nullopt;
        if (reader.readError)
            return unreadable(systemErrorText(reader.readError));
        if (holdsRemainsOf(source, extension))
            return damaged("damaged header", "damaged header: the format's structures follow "
                                             "it, but it cannot be read");
        return unsupported("not a media file this program can decode");
    }
    std::unique_ptr<AVFormatContext, InputCloser> input(raw);
    const int probeErrors = loggedErrors;
    if (avformat_find_stream_info(input.get(), nullptr) < 0) {
        if (cancelled())
            return std::nullopt;
        if (reader.readError)
            return unreadable(systemErrorText(reader.readError));
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
        // MPEG-1/2 video's bitstream check takes the legal zero stuffing at
        // the end of a slice (VCD streams have it) for an error.
        if (codec->id == AV_CODEC_ID_MPEG1VIDEO || codec->id == AV_CODEC_ID_MPEG2VIDEO)
            decoder->err_recognition &= ~AV_EF_BITSTREAM;
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
    // Where decoding errors were seen: the first of all; the first after its
    // stream's first frame; the first of those before the last stretch. The
    // parts of a DVD title split at pack boundaries begin and end inside
    // frames, which their errors there only show.
    const std::int64_t partTail = std::min<std::int64_t>(512 * 1024, size / 20);
    std::int64_t firstError = -1, firstAfterHead = -1, firstInBody = -1;
    std::vector<std::int64_t> framesOut(input->nb_streams, 0);
    std::vector<std::int64_t> decodedEnd(input->nb_streams, AV_NOPTS_VALUE);
    const auto noteDamage = [&](int stream) {
        const auto note = [&](std::int64_t &at) {
            if (at < 0)
                at = judged;
        };
        note(firstError);
        if (stream >= 0 && framesOut[static_cast<unsigned>(stream)] == 0)
            return;
        note(firstAfterHead);
        if (judged < size - partTail)
            note(firstInBody);
    };
    const auto drain = [&](AVCodecContext *decoder, unsigned stream) {
        while (avcodec_receive_frame(decoder, frame.get()) == 0) {
            if (frame->decode_error_flags || (frame->flags & AV_FRAME_FLAG_CORRUPT))
                noteDamage(static_cast<int>(stream));
            ++framesOut[stream];
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
            const int at = static_cast<int>(stream);
            if (packet->flags & AV_PKT_FLAG_CORRUPT)
                noteDamage(at);
            if (avcodec_send_packet(decoders[stream].get(), packet.get()) < 0)
                noteDamage(at);
            drain(decoders[stream].get(), stream);
            if (loggedErrors > before)
                noteDamage(at);
        }
        av_packet_unref(packet.get());
        report(judged);
        if (cancelled())
            return std::nullopt;
    }
    if (cancelled())
        return std::nullopt;
    if (reader.readError)
        return unreadable(systemErrorText(reader.readError));
    if (readResult != AVERROR_EOF)
        noteDamage(-1);
    for (unsigned i = 0; i < decoders.size(); ++i) {
        if (!decoders[i])
            continue;
        const int before = loggedErrors;
        avcodec_send_packet(decoders[i].get(), nullptr);
        drain(decoders[i].get(), i);
        if (loggedErrors > before)
            noteDamage(static_cast<int>(i));
    }

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
    // The container's own structure: what decoders resync past silently.
    std::optional<StructureFault> fault;
    std::optional<Container> container = sniffContainer(source);
    const bool headless = !container;
    if (headless)
        container = containerOfFormat(input->iformat->name);
    if (container) {
        bool walkCancelled = false;
        fault = walkStructure(*container, source, control.cancel, walkCancelled);
        if (walkCancelled)
            return std::nullopt;
    }
    report(size);
    if (fault && fault->kind == StructureFault::Kind::ReadError)
        return unreadable(systemErrorText(fault->error));
    // FFmpeg found the format further in, where it should have begun.
    if (fault && (fault->kind == StructureFault::Kind::Header || (headless && fault->at == 0)))
        return damaged("damaged header", "damaged header: the file does not begin as its "
                                         "format must, or its header does not hold together");

    // A DVD's program stream whose packs hold together may be one part of a
    // title: errors before a stream's first frame are the part's beginning,
    // and without the program's end code, errors in the last stretch its end.
    const bool packsHold = container == Container::MpegProgram && !fault && extension == ".vob";
    const std::int64_t firstDamageAt =
        !packsHold ? firstError : (endsWithEndCode(source) ? firstAfterHead : firstInBody);

    // Damage found first wins; errors in the last stretch of a file that
    // ends early are the cut's.
    const bool walkData = fault && fault->kind == StructureFault::Kind::Data;
    const bool walkCut = fault && fault->kind == StructureFault::Kind::Cut;
    // Demuxers and decoders buffer: the errors a cut causes may show up to a
    // fifth of a small file, or 256 KiB of a large one, before its end.
    const std::int64_t tail = std::max(std::min<std::int64_t>(256 * 1024, size / 5), size / 50);
    const bool cut = walkCut || shortfall;
    const bool decodeFirst = firstDamageAt >= 0 && (!walkData || firstDamageAt <= fault->at);
    if (decodeFirst && jpeg)
        return damaged("damaged picture data",
                       "damaged picture data: FFmpeg's JPEG decoder reports errors in it");
    if (decodeFirst && !(cut && firstDamageAt >= size - tail)) {
        const std::string near = percentOf(firstDamageAt, size);
        return damaged("damaged data near " + near,
                       "damaged data near " + near + ": the decoders report errors there");
    }
    if (walkData && !(cut && fault->at >= size - tail)) {
        const std::string near = percentOf(fault->at, size);
        return damaged("damaged data near " + near, "damaged data near " + near +
                                                        ": the file's structure breaks at byte " +
                                                        std::to_string(fault->at));
    }
    // Containers that declare their whole size say how much is missing;
    // packet streams only that their last packet or frame is cut.
    const bool declaresSize = container == Container::Asf || container == Container::Riff ||
                              container == Container::RealMedia;
    if (walkCut && declaresSize) {
        const std::string at = percentOf(size, fault->declared);
        return damaged("ends at " + at + " of its declared length",
                       "ends at " + at + " of its declared length: the file has " +
                           std::to_string(size) + " of " + std::to_string(fault->declared) +
                           " bytes");
    }
    if (shortfall)
        return damaged("ends at " + *shortfall + " of its declared length",
                       "ends at " + *shortfall + " of its declared length: it plays to " +
                           *shortfall + " of the duration its headers declare");
    if (walkCut)
        return damaged("cut short", "cut short: its last packet or frame needs " +
                                        std::to_string(fault->declared - size) +
                                        " bytes more than the file has");
    return Finding{Verdict::Intact, "intact", "decoded to the end without errors"};
}

} // namespace mendora::mediacheck
