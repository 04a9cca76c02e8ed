// MPEG audio (layers 1 to 3, .mp3, .mp2, .mp1, .mpa): frames whose headers
// give their lengths, chained from the first to the last, with ID3v2 tags
// before them and ID3v1, APEv2 and Lyrics3 tags after. Damage is left where
// two frames of the first frame's kind chain again, as a decoder resumes.
#include "mediacheck/Bytes.h"
#include "mediacheck/WalkReader.h"

#include <optional>

namespace mendora::mediacheck::walk {

namespace {

using bytes::le32;
using bytes::same;

struct Frame {
    int layer = 0;   // 1 to 3
    int version = 0; // the header's bits: 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    int rate = 0;    // the sample rate's index
    bool free = false;
    std::int64_t length = 0;
    std::int64_t micros = 0; // the frame's duration

    bool sameKind(const Frame &other) const {
        return layer == other.layer && version == other.version && rate == other.rate;
    }
};

// The frame whose header `h` is, or nothing.
std::optional<Frame> parseFrame(const unsigned char *h) {
    if (h[0] != 0xff || (h[1] & 0xe0) != 0xe0)
        return std::nullopt;
    const int version = (h[1] >> 3) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int layerBits = (h[1] >> 1) & 3;
    const int bitrateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    if (version == 1 || layerBits == 0 || bitrateIndex == 15 || rateIndex == 3)
        return std::nullopt;
    static const int kBitrates[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static const int kRates[3] = {44100, 48000, 32000};
    Frame frame;
    frame.layer = 4 - layerBits;
    frame.version = version;
    frame.rate = rateIndex;
    const bool mpeg1 = version == 3;
    const std::int64_t rate = kRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    const int samples = frame.layer == 1 ? 384 : frame.layer == 3 && !mpeg1 ? 576 : 1152;
    frame.micros = samples * 1'000'000LL / rate;
    if (bitrateIndex == 0) {
        frame.free = true;
        return frame;
    }
    const std::int64_t bitrate = 1000LL * kBitrates[mpeg1 ? 0 : 1][frame.layer - 1][bitrateIndex];
    const int padding = (h[2] >> 1) & 1;
    if (frame.layer == 1)
        frame.length = (12 * bitrate / rate + padding) * 4;
    else if (frame.layer == 3 && !mpeg1)
        frame.length = 72 * bitrate / rate + padding;
    else
        frame.length = 144 * bitrate / rate + padding;
    return frame;
}

// Zero bytes allowed after the last frame.
constexpr std::int64_t kAudioZeroTail = 2048;

// Where the tags after the audio begin: ID3v1, APEv2 and Lyrics3, peeled off
// from the end; `floor` is the end of the tags at the start.
std::int64_t trailingTagsStart(Reader &r, std::int64_t floor) {
    std::int64_t end = r.size();
    for (int round = 0; round < 8; ++round) {
        unsigned char t[32];
        if (end - 128 >= floor && r.get(end - 128, t, 3) == 3 && same(t, "TAG", 3)) {
            end -= 128;
            continue;
        }
        if (end - 32 >= floor && r.get(end - 32, t, 32) == 32 && same(t, "APETAGEX", 8)) {
            const std::int64_t total = std::int64_t(le32(t + 12)) + (t[23] & 0x80 ? 32 : 0);
            if (le32(t + 12) >= 32 && total <= end - floor) {
                end -= total;
                continue;
            }
        }
        if (end - 15 >= floor && r.get(end - 15, t, 15) == 15 && same(t + 6, "LYRICS200", 9)) {
            std::int64_t length = 0;
            bool digits = true;
            for (int i = 0; i < 6; ++i) {
                digits = digits && t[i] >= '0' && t[i] <= '9';
                length = length * 10 + (t[i] - '0');
            }
            unsigned char begin[11];
            const std::int64_t start = end - 15 - length;
            if (digits && start >= floor && r.get(start, begin, 11) == 11 &&
                same(begin, "LYRICSBEGIN", 11)) {
                end = start;
                continue;
            }
        }
        if (end - 9 >= floor && r.get(end - 9, t, 9) == 9 && same(t, "LYRICSEND", 9)) {
            // Lyrics3 v1: at most 5100 bytes of lyrics after "LYRICSBEGIN".
            const std::int64_t from = std::max(floor, end - 9 - 5100 - 11);
            unsigned char window[5120];
            const std::size_t got = r.get(from, window, static_cast<std::size_t>(end - 9 - from));
            const char *key = "LYRICSBEGIN";
            const auto *hit = std::search(window, window + got, key, key + 11);
            if (hit != window + got) {
                end = from + (hit - window);
                continue;
            }
        }
        break;
    }
    return end;
}

// The frame of layer `layer` (any for 0) that starts at `pos`, free format
// excluded.
std::optional<Frame> frameAt(Reader &r, std::int64_t pos, int layer) {
    unsigned char h[4];
    if (r.get(pos, h, 4) != 4)
        return std::nullopt;
    auto frame = parseFrame(h);
    if (!frame || frame->free || (layer && frame->layer != layer))
        return std::nullopt;
    return frame;
}

// ID3v2 tags at the start, one after another: where they end, or nothing
// when a tag's size does not hold together (then `at` is where it breaks).
std::optional<std::int64_t> leadingTagsEnd(Reader &r, std::int64_t &at) {
    std::int64_t pos = 0;
    for (int tags = 0; tags < 16; ++tags) {
        unsigned char h[10];
        const std::size_t got = r.get(pos, h, sizeof h);
        if (got < 3 || !same(h, "ID3", 3))
            break;
        const auto length = got < 10 ? std::nullopt : bytes::syncSafe32(h + 6);
        if (!length) {
            at = pos + 6;
            return std::nullopt;
        }
        const std::int64_t end = pos + 10 + *length + (h[5] & 0x10 ? 10 : 0);
        if (end > r.size()) {
            at = pos + 6;
            return std::nullopt;
        }
        pos = end;
    }
    return pos;
}

class AudioWalk {
public:
    explicit AudioWalk(Reader &r) : r_(r), size_(r.size()) {}

    DamageMap walk() {
        DamageMap map = walkFrames();
        if (map.unitsEnd < 0)
            map.unitsEnd = lastFrameEnd_;
        return map;
    }

private:
    DamageMap walkFrames() {
        std::int64_t broken = 0;
        const auto tags = leadingTagsEnd(r_, broken);
        const std::int64_t tagEnd = tags ? *tags : 0;
        audioEnd_ = trailingTagsStart(r_, tagEnd);
        std::int64_t pos;
        if (!tags) {
            pos = resync(broken + 4, nullptr);
            map_.add(damagedHeader(broken, DamageUnit::Tag, pos));
        } else {
            // The first frame: after zero padding, and followed by a second one.
            const std::int64_t first = r_.skipZeros(tagEnd, audioEnd_);
            unsigned char h[4];
            const auto frame = r_.get(first, h, 4) == 4 ? parseFrame(h) : std::nullopt;
            if (frame && frame->free)
                return map_; // frame lengths are not in the headers: nothing to walk
            if (frame && first + frame->length > audioEnd_ && audioEnd_ == size_) {
                map_.add(cutShort(first, size_, first + frame->length, DamageUnit::Frame));
                return map_;
            }
            if (frame && chains(first, *frame)) {
                pos = first;
            } else {
                pos = resync(first + 1, nullptr);
                map_.add(damagedHeader(tagEnd, DamageUnit::Frame, pos));
            }
        }
        if (pos >= audioEnd_)
            return map_;
        kind_ = *frameAt(r_, pos, 0);
        firstFrame_ = pos;

        while (pos < audioEnd_) {
            r_.tick();
            if (const auto next = frameAt(r_, pos, kind_.layer)) {
                const std::int64_t end = pos + next->length;
                if (end <= audioEnd_) {
                    pos = end;
                    lastFrameEnd_ = end;
                    played_ += next->micros;
                    ++frames_;
                    continue;
                }
                // A header that is the last thing in the file and does not match
                // the first frame is a false sync in trailing bytes, not a cut frame.
                if (next->sameKind(kind_)) {
                    Damage d = cutShort(pos, audioEnd_, end, DamageUnit::Frame);
                    d.time = Span{played_, played_ + next->micros};
                    map_.add(d);
                    return map_;
                }
            }
            // Not a frame: a short zero run to the tags, a header cut by the
            // end, or damage.
            const std::int64_t nonZero = r_.skipZeros(pos, audioEnd_);
            if (nonZero == audioEnd_ && audioEnd_ - pos <= kAudioZeroTail)
                return map_;
            if (audioEnd_ == size_ && size_ - pos < 4 && nonZero == pos) {
                unsigned char tail[3] = {};
                const std::size_t got = r_.get(pos, tail, 3);
                if (tail[0] == 0xff && (got < 2 || (tail[1] & 0xe0) == 0xe0)) {
                    map_.add(cutShort(pos, size_, pos + 4, DamageUnit::Frame));
                    return map_;
                }
            }
            const std::int64_t next = resync(pos + 1, &kind_);
            if (next == audioEnd_) {
                // Nothing resumes: the frames end here.
                map_.unitsEnd = pos;
                map_.add(bytesAfterUnits(pos, audioEnd_, DamageUnit::Frame));
                return map_;
            }
            Damage d = damagedData(pos, next, DamageUnit::Frame);
            // The time lost: the damaged bytes at the frames' average length.
            const std::int64_t average = frames_ ? (pos - firstFrame_) / frames_ : 0;
            const std::int64_t lost = average > 0 ? (next - pos + average - 1) / average : 1;
            d.time = Span{played_, played_ + lost * kind_.micros};
            played_ += lost * kind_.micros;
            map_.add(d);
            pos = next;
        }
        return map_;
    }

    // Whether the frame at `pos` is followed by another of its kind, or by
    // the end of the audio (give or take a few zeros).
    bool chains(std::int64_t pos, const Frame &frame) {
        const std::int64_t second = pos + frame.length;
        if (second > audioEnd_)
            return false;
        if (second == audioEnd_)
            return true;
        if (const auto next = frameAt(r_, second, frame.layer); next && next->sameKind(frame))
            return true;
        return audioEnd_ - second <= kAudioZeroTail && r_.skipZeros(second, audioEnd_) == audioEnd_;
    }

    // The first frame at or after `from` that chains to a second one, of the
    // kind of `like` when given; the end of the audio when there is none.
    std::int64_t resync(std::int64_t from, const Frame *like) {
        for (std::int64_t at = r_.find(from, audioEnd_, "\xff"); at < audioEnd_;
             at = r_.find(at + 1, audioEnd_, "\xff")) {
            const auto frame = frameAt(r_, at, like ? like->layer : 0);
            if (frame && (!like || frame->sameKind(*like)) && chains(at, *frame))
                return at;
        }
        return audioEnd_;
    }

    Reader &r_;
    const std::int64_t size_;
    std::int64_t audioEnd_ = 0;
    DamageMap map_;
    Frame kind_;
    std::int64_t frames_ = 0, firstFrame_ = 0, played_ = 0;
    std::int64_t lastFrameEnd_ = -1;
};

} // namespace

DamageMap mpegAudio(Reader &r) {
    return AudioWalk(r).walk();
}

bool mpegAudioStart(Reader &r) {
    unsigned char h[10];
    const std::size_t got = r.get(0, h, 10);
    if (got >= 3 && same(h, "ID3", 3)) {
        // Not when what the tag holds up is another kind: FLAC, AAC, Ogg.
        const auto length = got < 10 ? std::nullopt : bytes::syncSafe32(h + 6);
        if (!length)
            return true;
        const std::int64_t end = 10 + *length + (h[5] & 0x10 ? 10 : 0);
        unsigned char a[4];
        if (r.get(r.skipZeros(end, end + 64 * 1024), a, 4) == 4 &&
            (same(a, "fLaC", 4) || same(a, "OggS", 4) || (a[0] == 0xff && (a[1] & 0xf6) == 0xf0)))
            return false;
        return true;
    }
    if (got < 4)
        return false;
    const auto frame = parseFrame(h);
    // Free format gives no frame lengths to chain: its header alone tells it.
    return frame && (frame->free || frameAt(r, frame->length, frame->layer));
}

} // namespace mendora::mediacheck::walk
