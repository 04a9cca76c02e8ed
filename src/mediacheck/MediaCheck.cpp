#include "mediacheck/MediaCheck.h"

#include "mediacheck/BmpLayout.h"
#include "mediacheck/Bytes.h"
#include "mediacheck/FfmpegInput.h"
#include "mediacheck/JpegCheck.h"
#include "mediacheck/Walk.h"
#include "system/FileErrors.h"
#include "system/Files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
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

struct CodecCloser {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct PacketFree {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
struct FrameFree {
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};

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
    const auto *bytesAt = reinterpret_cast<const unsigned char *>(head.data());
    // A chunk id followed by a size that ends inside the file (or at its end).
    const auto chunkFits = [&](std::string_view id, bool bigEndian, std::uint32_t least,
                               bool atEnd = false) {
        for (std::size_t at = head.find(id); at != std::string::npos && at + 8 <= head.size();
             at = head.find(id, at + 1)) {
            const std::uint32_t length =
                bigEndian ? bytes::be32(bytesAt + at + 4) : bytes::le32(bytesAt + at + 4);
            const std::int64_t end = std::int64_t(at) + 8 + length;
            if (length >= least && end <= size + 1 && (!atEnd || end >= size - 1))
                return true;
        }
        return false;
    };
    if (extension == ".asf" || extension == ".wma" || extension.ends_with("wmv") ||
        extension == ".wm") {
        const bytes::Guid *const ids[] = {&bytes::kAsfData, &bytes::kAsfFileProperties,
                                          &bytes::kAsfStreamProperties};
        return std::any_of(std::begin(ids), std::end(ids), [&](const bytes::Guid *id) {
            const std::string_view guid(reinterpret_cast<const char *>(id->bytes), 16);
            return head.find(guid) != std::string::npos;
        });
    }
    if (extension == ".avi")
        return chunkFits("movi", false, 0) || chunkFits("strh", false, 48);
    if (extension == ".wav")
        return chunkFits("data", false, 1, true) ||
               (chunkFits("data", false, 1) && chunkFits("fmt ", false, 14));
    if (extension == ".rm" || extension == ".rmvb" || extension == ".ra")
        return chunkFits("PROP", true, 50) || chunkFits("MDPR", true, 40);
    // A JPEG's Huffman table and the start of its scan, behind a lost
    // beginning: markers whose lengths lead to the next marker.
    if (extension == ".jpg" || extension == ".jpeg") {
        const auto segmentFits = [&](std::string_view marker, std::uint32_t least) {
            for (std::size_t at = head.find(marker);
                 at != std::string::npos && at + 4 <= head.size(); at = head.find(marker, at + 1)) {
                const std::uint32_t length = bytes::be16(bytesAt + at + 2);
                const std::size_t next = at + 2 + length;
                if (length >= least && next < head.size() && bytesAt[next] == 0xFF)
                    return true;
            }
            return false;
        };
        const auto scanFits = [&] {
            for (std::size_t at = head.find("\xFF\xDA");
                 at != std::string::npos && at + 5 <= head.size();
                 at = head.find("\xFF\xDA", at + 1)) {
                const std::uint32_t components = bytesAt[at + 4];
                if (components >= 1 && components <= 4 &&
                    bytes::be16(bytesAt + at + 2) == 6 + 2 * components)
                    return true;
            }
            return false;
        };
        // Entropy-coded data behind a lost header: after the last scan
        // header that is left (or the zeros), every 0xFF byte stuffed with 00
        // or a restart marker, and the end marker at the end of the file.
        const auto entropyDataFollows = [&] {
            unsigned char tail[4096];
            const std::int64_t from = std::max<std::int64_t>(0, size - std::int64_t(sizeof tail));
            const std::int64_t got = source.read(from, tail, sizeof tail);
            std::int64_t last = got - 1;
            while (last > 0 && tail[last] == 0)
                --last;
            if (last < 1 || tail[last - 1] != 0xFF || tail[last] != 0xD9)
                return false;
            std::size_t start = head.find_first_not_of('\0');
            if (const std::size_t scan = head.rfind("\xFF\xDA");
                scan != std::string::npos && scan + 4 <= head.size())
                start = scan + 2 + bytes::be16(bytesAt + scan + 2);
            if (start == std::string::npos || start >= head.size())
                return false;
            int stuffed = 0;
            for (std::size_t i = start; i + 1 < head.size(); ++i) {
                if (bytesAt[i] != 0xFF)
                    continue;
                const unsigned char next = bytesAt[i + 1];
                if (next == 0x00)
                    ++stuffed;
                else if (next == 0xD9 && std::int64_t(i) + 2 >= std::int64_t(head.size()) - 2)
                    break;
                else if (next != 0xFF && (next < 0xD0 || next > 0xD7))
                    return false;
            }
            return stuffed >= 2 && head.size() - start >= 1024;
        };
        return (segmentFits("\xFF\xC4", 19) && scanFits()) || entropyDataFollows();
    }
    // A BMP's info header (size 40, 108 or 124; one plane) where it belongs.
    if (extension == ".bmp" && head.size() >= 28) {
        const std::uint32_t info = bytes::le32(bytesAt + 14);
        return (info == 40 || info == 108 || info == 124) && bytes::le16(bytesAt + 26) == 1;
    }
    return false;
}

// Whether a program stream ends with the end code 00 00 01 B9, as a whole
// stream does and the parts of a title cut at pack boundaries do not.
bool endsWithEndCode(ByteSource &source) {
    unsigned char last[4] = {};
    return source.size() >= 4 && source.read(source.size() - 4, last, 4) == 4 && last[0] == 0 &&
           last[1] == 0 && last[2] == 1 && last[3] == 0xB9;
}

// The packets whose decoding reported errors: the spans joined where they
// touch, at most kMaxStretches of them (then the last one grows).
void noteErrorBytes(std::vector<Span> &spans, Span packet) {
    if (packet.begin < 0 || packet.end <= packet.begin)
        return;
    if (!spans.empty() && (packet.begin <= spans.back().end || spans.size() >= kMaxStretches)) {
        spans.back().end = std::max(spans.back().end, packet.end);
        return;
    }
    spans.push_back(packet);
}

// What FFmpeg's demuxers and decoders make of the bytes; nothing when
// cancelled. A failed read is left in `readError`.
std::optional<DecoderEvidence> decodeAll(ByteSource &source, const std::string &name,
                                         const CheckControl &control, int &readError) {
    const std::int64_t size = source.size();
    const auto cancelled = [&] {
        return control.cancel && control.cancel->load(std::memory_order_relaxed);
    };
    const auto report = [&](std::int64_t bytes) {
        if (control.progress)
            control.progress(std::clamp<std::int64_t>(bytes, 0, size));
    };
    DecoderEvidence dec;

    installLogCounter();
    int loggedErrors = 0;
    tLoggedErrors = &loggedErrors;
    struct Reset {
        ~Reset() { tLoggedErrors = nullptr; }
    } reset;

    FfmpegInput input;
    if (input.open(source, name, control.cancel) < 0) {
        if (cancelled())
            return std::nullopt;
        readError = input.readError();
        return dec;
    }
    dec.opened = true;
    const int probeErrors = loggedErrors;
    if (avformat_find_stream_info(input.format(), nullptr) < 0) {
        if (cancelled())
            return std::nullopt;
        readError = input.readError();
        return dec;
    }
    dec.streamInfo = true;
    // Errors seen while probing repeat those of the first packets: counted once.
    loggedErrors = probeErrors;

    std::vector<std::unique_ptr<AVCodecContext, CodecCloser>> decoders(input.format()->nb_streams);
    for (unsigned i = 0; i < input.format()->nb_streams; ++i) {
        const AVCodecParameters *parameters = input.format()->streams[i]->codecpar;
        if (parameters->codec_type != AVMEDIA_TYPE_AUDIO &&
            parameters->codec_type != AVMEDIA_TYPE_VIDEO)
            continue;
        ++dec.mediaStreams;
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
        ++dec.decodableStreams;
    }
    if (dec.decodableStreams == 0)
        return dec;

    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    std::int64_t judged = 0;
    Span current; // the packet being decoded
    const std::int64_t partTail = std::min<std::int64_t>(512 * 1024, size / 20);
    std::vector<std::int64_t> framesOut(input.format()->nb_streams, 0);
    std::vector<std::int64_t> decodedEnd(input.format()->nb_streams, AV_NOPTS_VALUE);
    const auto noteDamage = [&](int stream) {
        // Errors after the last packet belong to the file's last byte.
        const std::int64_t from = std::clamp<std::int64_t>(current.begin, 0, size - 1);
        noteErrorBytes(dec.errorBytes, Span{from, std::max(current.end, from + 1)});
        const auto note = [&](std::int64_t &at) {
            if (at < 0)
                at = judged;
        };
        note(dec.firstError);
        if (stream >= 0 && framesOut[static_cast<unsigned>(stream)] == 0)
            return;
        note(dec.firstAfterHead);
        if (judged < size - partTail)
            note(dec.firstInBody);
    };
    const auto drain = [&](AVCodecContext *decoder, unsigned stream) {
        while (avcodec_receive_frame(decoder, frame.get()) == 0) {
            if (frame->decode_error_flags || (frame->flags & AV_FRAME_FLAG_CORRUPT))
                noteDamage(static_cast<int>(stream));
            ++framesOut[stream];
            ++dec.frames;
            const std::int64_t start = frame->best_effort_timestamp != AV_NOPTS_VALUE
                                           ? frame->best_effort_timestamp
                                           : frame->pts;
            if (start != AV_NOPTS_VALUE)
                decodedEnd[stream] = std::max(decodedEnd[stream], start + frame->pkt_duration);
            av_frame_unref(frame.get());
        }
    };

    int readResult = 0;
    while ((readResult = av_read_frame(input.format(), packet.get())) >= 0) {
        const unsigned stream = static_cast<unsigned>(packet->stream_index);
        if (packet->pos >= 0) {
            judged = std::max(judged, packet->pos + packet->size);
            current = Span{packet->pos, packet->pos + packet->size};
        } else {
            current = Span{judged, judged};
        }
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
    if (input.readError()) {
        readError = input.readError();
        return dec;
    }
    current = Span{judged, judged};
    if (readResult != AVERROR_EOF) {
        dec.demuxFailed = true;
        noteDamage(-1);
    }
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
    for (unsigned i = 0; i < decoders.size() && !dec.decodedPercent; ++i) {
        const AVStream *stream = input.format()->streams[i];
        if (!decoders[i] || stream->duration <= 0 || decodedEnd[i] == AV_NOPTS_VALUE ||
            input.format()->duration_estimation_method != AVFMT_DURATION_FROM_STREAM)
            continue;
        const std::int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
        const std::int64_t decoded = decodedEnd[i] - start;
        // Slack for encoder delay and padding and for rounding in the writers'
        // bookkeeping: 2 % or a fifth of a second, whichever is more.
        const std::int64_t fifth = av_rescale_q(1, AVRational{1, 5}, stream->time_base);
        const std::int64_t slack = std::max(stream->duration / 50, fifth);
        if (decoded < stream->duration - slack)
            dec.decodedPercent = std::clamp<std::int64_t>(decoded * 100 / stream->duration, 0, 100);
    }
    dec.formatName = input.format()->iformat->name ? input.format()->iformat->name : "";
    return dec;
}

} // namespace

std::optional<Evidence> gatherEvidence(ByteSource &source, const std::string &name,
                                       const CheckControl &control) {
    Evidence e;
    e.size = source.size();
    e.kind = mediaKindOfName(name);
    const std::string extension = lowerExtension(name);
    e.vobName = extension == ".vob";
    if (e.size == 0)
        return e;
    e.container = sniffContainer(source);
    e.sniffed = e.container.has_value();
    e.looksLikeJpeg = looksLikeJpeg(source);

    // JPEG: libjpeg first, for its warnings; a picture it passes is decoded
    // once more by FFmpeg's decoder below.
    if (e.looksLikeJpeg || extension == ".jpg" || extension == ".jpeg") {
        const JpegRun run = checkJpeg(source, control);
        if (run.cancelled)
            return std::nullopt;
        e.readError = run.readError;
        e.jpeg = run.evidence;
        if (e.readError || run.evidence.outcome != JpegEvidence::Outcome::Intact ||
            !e.looksLikeJpeg || run.evidence.arithmetic) {
            if (run.evidence.outcome == JpegEvidence::Outcome::NoHeader)
                e.remains = holdsRemainsOf(source, extension);
            return e;
        }
    }
    e.playlist = isPlaylist(source);
    if (e.playlist)
        return e;

    std::optional<DecoderEvidence> dec = decodeAll(source, name, control, e.readError);
    if (!dec)
        return std::nullopt;
    if (e.readError)
        return e;
    if (!dec->opened || !dec->streamInfo)
        e.remains = holdsRemainsOf(source, extension);
    if (!e.container && dec->opened)
        e.container = containerOfFormat(dec->formatName.c_str());
    e.decoders = std::move(dec);

    // The container's own structure: what decoders resync past silently.
    if (e.container && e.decoders->streamInfo) {
        bool cancelled = false;
        e.walk = walkStructure(*e.container, source, control.cancel, cancelled);
        if (cancelled)
            return std::nullopt;
    }
    e.endCode = e.container == Container::MpegProgram && endsWithEndCode(source);
    if (e.container == Container::Bmp) {
        BmpHeaderFault fault;
        const auto layout = readBmpLayout(source, fault);
        e.plainBmp = layout && layout->plain();
    }
    if (control.progress)
        control.progress(e.size);
    return e;
}

std::optional<Finding> checkBytes(ByteSource &source, const std::string &name,
                                  const CheckControl &control) {
    const std::optional<Evidence> evidence = gatherEvidence(source, name, control);
    if (!evidence)
        return std::nullopt;
    Finding finding = decide(*evidence);
    finding.damage = damageOf(*evidence);
    // Damage that no stretch shows (nothing of the format in it, a header
    // no demuxer reads) spoils the whole file.
    if (finding.verdict == Verdict::Damaged && finding.damage.empty() && evidence->size > 0)
        finding.damage.add(damagedHeader(0, DamageUnit::File, evidence->size));
    return finding;
}

std::optional<Finding> checkFile(const std::string &path, const CheckControl &control) {
    // Opened once, measured from the open file; a folder or a pipe is refused here.
    int error = 0;
    const std::unique_ptr<FileSource> source = FileSource::open(path, error);
    if (!source)
        return unreadableFinding(systemErrorText(error));
    return checkBytes(*source, path, control);
}

} // namespace mendora::mediacheck
