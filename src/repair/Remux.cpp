#include "mediacheck/ByteSource.h"
#include "mediacheck/FfmpegInput.h"
#include "repair/Attempt.h"
#include "repair/GapFill.h"
#include "repair/MuxOutput.h"
#include "repair/Repair.h"
#include "system/FileErrors.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
}

namespace mendora::repair::detail {

namespace {

using mediacheck::Damage;
using mediacheck::DamageKind;
using mediacheck::DamageMap;

bool overlaps(const Damage &d, std::int64_t begin, std::int64_t end) {
    return begin < d.bytes.end && end > d.bytes.begin;
}

// What the strategy does with the packet of bytes [begin, end): kept or not.
class Selection {
public:
    Selection(int strategy, const DamageMap &damage, std::int64_t size) : strategy_(strategy) {
        for (const Damage &d : damage.stretches) {
            // Damage that reaches the end tears the units it begins in, as a
            // cut does; bytes after the last unit tear nothing.
            if (d.kind == DamageKind::Cut ||
                (d.kind != DamageKind::TrailingGarbage && d.bytes.end >= size && d.bytes.begin > 0))
                torn_ = std::min(torn_, d.bytes.begin);
            if (d.kind == DamageKind::TrailingGarbage)
                continue;
            stretches_.push_back(d);
            firstDamage_ = std::min(firstDamage_, d.bytes.begin);
        }
    }

    bool cut() const { return torn_ != INT64_MAX; }

    // [begin, end) is where the packet's bytes lie in the file, as far as is
    // known (begin -1: not known).
    bool keeps(const AVPacket &packet, std::int64_t begin, std::int64_t end, bool video,
               bool &waitForKey) const {
        if (packet.flags & AV_PKT_FLAG_CORRUPT)
            return false;
        // A unit that the end of the file tears is left out by every strategy.
        if (begin >= 0 && end > torn_)
            return false;
        if (strategy_ == Cut && begin >= 0 && end > firstDamage_)
            return false;
        if ((strategy_ != SkipDamaged && strategy_ != Conceal) || begin < 0)
            return true;
        const bool damaged = std::any_of(stretches_.begin(), stretches_.end(),
                                         [&](const Damage &d) { return overlaps(d, begin, end); });
        if (damaged) {
            // No kept frame may refer to a lost one: video resumes at a key frame.
            waitForKey = video;
            return false;
        }
        if (waitForKey) {
            if (!(packet.flags & AV_PKT_FLAG_KEY))
                return false;
            waitForKey = false;
        }
        return true;
    }

private:
    int strategy_;
    std::vector<Damage> stretches_;
    std::int64_t torn_ = INT64_MAX;
    std::int64_t firstDamage_ = INT64_MAX;
};

// MPEG audio layer III: how many bytes of earlier frames a frame's main data
// begins in (its bit reservoir), and how many of its own bytes it offers to
// later frames; nothing for other packets.
struct Reservoir {
    int needs = 0;
    int offers = 0;
    bool protectedByCrc = false;
};

bool isLayer3(const AVPacket &packet) {
    const std::uint8_t *h = packet.data;
    return packet.size >= 8 && h[0] == 0xff && (h[1] & 0xe0) == 0xe0 && ((h[1] >> 1) & 3) == 1;
}

int sideInfoBytes(const std::uint8_t *h) {
    const bool mpeg1 = ((h[1] >> 3) & 3) == 3;
    const bool mono = (h[3] >> 6) == 3;
    return mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
}

std::optional<Reservoir> layer3Reservoir(const AVPacket &packet) {
    if (!isLayer3(packet))
        return std::nullopt;
    const std::uint8_t *h = packet.data;
    const bool mpeg1 = ((h[1] >> 3) & 3) == 3;
    Reservoir r;
    r.protectedByCrc = !(h[1] & 1);
    const std::uint8_t *side = h + 4 + (r.protectedByCrc ? 2 : 0);
    if (packet.size < 4 + (r.protectedByCrc ? 2 : 0) + sideInfoBytes(h))
        return std::nullopt;
    r.needs = mpeg1 ? (side[0] << 1 | side[1] >> 7) : side[0];
    r.offers = std::max(0, packet.size - 4 - (r.protectedByCrc ? 2 : 0) - sideInfoBytes(h));
    return r;
}

// Writes `value` into `bits` bits of `p` from bit `at` on (the first bit is
// the top bit of p[0]).
void putBits(std::uint8_t *p, int at, int bits, unsigned value) {
    for (int i = 0; i < bits; ++i) {
        const int bit = at + i;
        const auto mask = static_cast<std::uint8_t>(0x80 >> (bit % 8));
        if (value >> (bits - 1 - i) & 1)
            p[bit / 8] |= mask;
        else
            p[bit / 8] &= static_cast<std::uint8_t>(~mask);
    }
}

// Makes a layer III frame silent while its bytes stay where they are: its
// main data begins in itself and is empty, so that it needs no lost frame
// and the frames after it still find their main data in its bytes.
void silenceLayer3(AVPacket &packet) {
    std::uint8_t *h = packet.data;
    const bool mpeg1 = ((h[1] >> 3) & 3) == 3;
    const int channels = (h[3] >> 6) == 3 ? 1 : 2;
    std::uint8_t *side = h + 4;
    if (mpeg1) {
        putBits(side, 0, 9, 0);
        int at = 9 + (channels == 1 ? 5 : 3) + 4 * channels;
        for (int granule = 0; granule < 2; ++granule)
            for (int channel = 0; channel < channels; ++channel, at += 59) {
                putBits(side, at, 12, 0);     // part2_3_length
                putBits(side, at + 12, 9, 0); // big_values
                putBits(side, at + 29, 4, 0); // scalefac_compress
            }
    } else {
        putBits(side, 0, 8, 0);
        int at = 8 + (channels == 1 ? 1 : 2);
        for (int channel = 0; channel < channels; ++channel, at += 63) {
            putBits(side, at, 12, 0);
            putBits(side, at + 12, 9, 0);
            putBits(side, at + 29, 9, 0);
        }
    }
}

const char *actionOf(int strategy) {
    switch (strategy) {
    case SkipDamaged:
        return "damage skipped";
    case Cut:
        return "cut before the damage";
    case Conceal:
        return "damage concealed";
    default:
        return "rebuilt";
    }
}

} // namespace

Attempt remux(const std::string &original, files::NewFile &out, int strategy, std::uint32_t fill,
              const DamageMap &damage, const std::atomic<bool> *cancel) {
    Attempt attempt;
    attempt.action = actionOf(strategy);
    int error = 0;
    const auto source = mediacheck::FileSource::open(original, error);
    if (!source) {
        attempt.failure = systemErrorText(error);
        return attempt;
    }
    mediacheck::FfmpegInput input;
    if (input.open(*source, original, cancel) < 0 ||
        avformat_find_stream_info(input.format(), nullptr) < 0) {
        attempt.cancelled = cancel && cancel->load();
        attempt.failure =
            input.readError() ? systemErrorText(input.readError()) : "its header cannot be read";
        return attempt;
    }
    AVFormatContext *in = input.format();

    MuxOutput output;
    if (const std::string why = output.open(out, original, in); !why.empty()) {
        attempt.failure = why;
        return attempt;
    }
    const AVOutputFormat *muxer = output.muxer();

    // The audio and video streams, copied as they are.
    std::vector<int> mapped(in->nb_streams, -1);
    std::vector<bool> video(in->nb_streams, false);
    for (unsigned i = 0; i < in->nb_streams; ++i) {
        const AVStream *from = in->streams[i];
        const AVMediaType type = from->codecpar->codec_type;
        if (type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_VIDEO)
            continue;
        if (!output.takes(from->codecpar->codec_id))
            continue;
        AVStream *to = avformat_new_stream(output.format(), nullptr);
        if (!to || avcodec_parameters_copy(to->codecpar, from->codecpar) < 0) {
            attempt.failure = "out of memory";
            return attempt;
        }
        // The tag the container keeps for the codec, when it knows one.
        unsigned tag = 0;
        if (!muxer->codec_tag ||
            !av_codec_get_tag2(muxer->codec_tag, from->codecpar->codec_id, &tag))
            to->codecpar->codec_tag = 0;
        to->time_base = from->time_base;
        to->avg_frame_rate = from->avg_frame_rate;
        to->r_frame_rate = from->r_frame_rate;
        av_dict_copy(&to->metadata, from->metadata, 0);
        mapped[i] = to->index;
        video[i] = type == AVMEDIA_TYPE_VIDEO;
    }
    if (std::string why = output.writeHeader(); !why.empty()) {
        attempt.failure = why;
        return attempt;
    }

    const Selection selection(strategy, damage, source->size());
    std::vector<bool> waitForKey(in->nb_streams, false);
    std::vector<std::int64_t> lastDts(in->nb_streams, AV_NOPTS_VALUE);
    // The bytes of kept layer III frames that later frames may take their
    // main data from; the first frame needs none.
    std::vector<int> reservoirBytes(in->nb_streams, 0);
    std::int64_t seen = 0, kept = 0, silenced = 0;
    std::string writeFailure;
    // A packet is judged once the next one of its stream is there: a demuxer
    // that gathers frames from several packs gives only where a frame's
    // bytes begin, and the next frame's beginning tells where they end.
    std::vector<PacketPtr> held(in->nb_streams);
    // Where the last packet of each stream whose place the demuxer told began:
    // packets that a parser cut out of others begin there or after.
    std::vector<std::int64_t> lastPos(in->nb_streams, -1);
    // Conceal: where each stream's last kept packet lies in its time and how
    // long it lasts, whether packets were left out since, and the stand-ins.
    std::vector<std::int64_t> keptAt(in->nb_streams, AV_NOPTS_VALUE);
    std::vector<std::int64_t> keptLength(in->nb_streams, 0);
    std::vector<bool> gap(in->nb_streams, false);
    std::vector<std::unique_ptr<GapFiller>> fillers(in->nb_streams);
    std::vector<double> filledSeconds(in->nb_streams, 0);
    std::string unfilled;
    const auto write = [&](unsigned stream, AVPacket *p) {
        AVStream *to = output.format()->streams[mapped[stream]];
        av_packet_rescale_ts(p, in->streams[stream]->time_base, to->time_base);
        p->stream_index = mapped[stream];
        p->pos = -1;
        if (writeFailure.empty())
            writeFailure = output.write(p);
    };
    // Stand-ins for what was left out between the last kept packet and the
    // one at `until`; they are shown `delay` after they are decoded, as the
    // stream's key frames are where frames are reordered.
    const auto fillGap = [&](unsigned stream, std::int64_t until, std::int64_t delay) {
        AVStream *from = in->streams[stream];
        if (!fillers[stream])
            fillers[stream] = std::make_unique<GapFiller>(*from, output, fill);
        GapFiller &filler = *fillers[stream];
        if (!filler.ready()) {
            if (unfilled.find(filler.why()) == std::string::npos)
                unfilled += (unfilled.empty() ? "" : "; ") + filler.why();
            return;
        }
        const std::int64_t begin =
            keptAt[stream] + (keptLength[stream] > 0 ? keptLength[stream] : filler.unit());
        for (PacketPtr &stand : filler.fill(begin, until)) {
            stand->pts += delay;
            lastDts[stream] = stand->dts;
            filledSeconds[stream] += static_cast<double>(stand->duration) * av_q2d(from->time_base);
            write(stream, stand.get());
        }
    };
    const auto judge = [&](unsigned stream, std::int64_t nextBegin, bool last) {
        AVPacket *p = held[stream].get();
        ++seen;
        const bool placed = p->pos >= 0;
        const std::int64_t begin = placed ? p->pos : lastPos[stream];
        if (placed)
            lastPos[stream] = p->pos;
        const std::int64_t end = std::max(begin + p->size, nextBegin);
        bool wait = waitForKey[stream];
        bool keep = selection.keeps(*p, begin, end, video[stream], wait);
        waitForKey[stream] = wait;
        // A parser hands out the frame that the end of a cut file tears as
        // its last one.
        if (last && !placed && selection.cut())
            keep = false;
        // A layer III frame whose main data begins in frames that were left
        // out cannot be decoded: it is kept silent, so that the frames after
        // it find their main data in its bytes (or, with a CRC to keep, left
        // out as well).
        if (const auto reservoir = layer3Reservoir(*p)) {
            if (keep && reservoir->needs > reservoirBytes[stream]) {
                if (reservoir->protectedByCrc || av_packet_make_writable(p) < 0) {
                    keep = false;
                } else {
                    silenceLayer3(*p);
                    ++silenced;
                }
            }
            reservoirBytes[stream] =
                keep ? std::min(reservoirBytes[stream] + reservoir->offers, 4096) : 0;
        }
        // The writers want each stream's decoding times to grow.
        if (keep && p->dts != AV_NOPTS_VALUE && lastDts[stream] != AV_NOPTS_VALUE &&
            p->dts <= lastDts[stream])
            keep = false;
        const std::int64_t at = p->dts != AV_NOPTS_VALUE ? p->dts : p->pts;
        if (!keep && keptAt[stream] != AV_NOPTS_VALUE)
            gap[stream] = true;
        if (keep && strategy == Conceal && gap[stream] && at != AV_NOPTS_VALUE)
            fillGap(stream, at,
                    p->pts != AV_NOPTS_VALUE && p->dts != AV_NOPTS_VALUE
                        ? std::max<std::int64_t>(0, p->pts - p->dts)
                        : 0);
        if (keep) {
            gap[stream] = false;
            keptAt[stream] = at;
            keptLength[stream] = p->duration;
            if (p->dts != AV_NOPTS_VALUE)
                lastDts[stream] = p->dts;
            write(stream, p);
            ++kept;
        }
        held[stream].reset();
    };
    PacketPtr packet(av_packet_alloc());
    while (av_read_frame(in, packet.get()) >= 0 && writeFailure.empty()) {
        const auto stream = static_cast<unsigned>(packet->stream_index);
        if (cancel && cancel->load()) {
            attempt.cancelled = true;
            return attempt;
        }
        if (stream >= mapped.size() || mapped[stream] < 0) {
            av_packet_unref(packet.get());
            continue;
        }
        if (held[stream])
            judge(stream, packet->pos > held[stream]->pos ? packet->pos : -1, false);
        held[stream].reset(av_packet_alloc());
        av_packet_move_ref(held[stream].get(), packet.get());
    }
    // The last packet of each stream reaches to the end of the bytes.
    for (unsigned stream = 0; stream < held.size(); ++stream)
        if (held[stream] && writeFailure.empty())
            judge(stream, source->size(), true);
    if (!writeFailure.empty()) {
        attempt.failure = writeFailure;
        return attempt;
    }
    if (input.readError()) {
        attempt.failure = systemErrorText(input.readError());
        return attempt;
    }
    if (std::string why = output.finish(); !why.empty()) {
        attempt.failure = why;
        return attempt;
    }
    attempt.written = kept > 0;
    if (!attempt.written)
        attempt.failure = "nothing of it could be kept";
    attempt.keptPercent = seen > 0 ? static_cast<int>(kept * 100 / seen) : 0;
    attempt.details = "kept " + std::to_string(kept) + " of " + std::to_string(seen) +
                      " packets (" + std::to_string(attempt.keptPercent) + " %)";
    std::string filledText;
    for (unsigned stream = 0; stream < in->nb_streams; ++stream)
        if (filledSeconds[stream] > 0) {
            char seconds[64];
            std::snprintf(seconds, sizeof seconds, "%.2f s of %s", filledSeconds[stream],
                          video[stream] ? "the fill colour" : "silence");
            filledText += std::string(filledText.empty() ? "" : ", ") + seconds;
        }
    if (!filledText.empty())
        attempt.details += ", the gaps filled with " + filledText;
    if (!unfilled.empty())
        attempt.details += ", gaps left open as Skip damaged leaves them: " + unfilled;
    if (silenced > 0)
        attempt.details +=
            ", " + std::to_string(silenced) + " of them silent for want of the lost frames' bits";
    return attempt;
}

} // namespace mendora::repair::detail
