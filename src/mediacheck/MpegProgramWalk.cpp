// MPEG-1/2 program streams (.mpg, .mpeg, .vob, VCD and SVCD .mpg): packs of a
// pack header and packets, each packet with a 16-bit length, tiling the
// file up to an optional end code. Damage is left at the next pack header
// that is followed by a start code, as a player resumes there.
#include "mediacheck/Bytes.h"
#include "mediacheck/WalkReader.h"

#include <optional>

namespace mendora::mediacheck::walk {

namespace {

using bytes::be16;

// Zero bytes allowed between packs, and at the end without an end code:
// VCD writers put 20 after some packs. A run as long as a DVD sector or
// more is what a ripper writes for sectors it could not read.
constexpr std::int64_t kPackZeroGap = 2047;
// Zero bytes allowed before the first pack.
constexpr std::int64_t kLeadingZeros = 64 * 1024;
// A VCD's sectors hold 2324 bytes; its writers fill whole sectors with zeros
// to keep the bit rate, and the standard asks them to.
constexpr std::int64_t kVcdSector = 2324;

// The length of the pack header in `h` (14 bytes read, `got` of them there),
// 0 when it is not one, -1 when more bytes are needed to tell.
std::int64_t packHeaderLength(const unsigned char *h, std::size_t got) {
    if (got < 5)
        return -1;
    if ((h[4] & 0xc0) == 0x40) // MPEG-2
        return got < 14 ? -1 : 14 + (h[13] & 7);
    if ((h[4] & 0xf0) == 0x20) // MPEG-1
        return 12;
    return 0;
}

// The system clock reference of a pack header, in 90 kHz ticks.
std::int64_t systemClock(const unsigned char *h) {
    const auto b = [h](int i) { return std::int64_t(h[i]); };
    if ((h[4] & 0xc0) == 0x40)
        return ((b(4) >> 3) & 7) << 30 | (b(4) & 3) << 28 | b(5) << 20 |
               ((b(6) >> 3) & 0x1f) << 15 | (b(6) & 3) << 13 | b(7) << 5 | b(8) >> 3;
    return ((b(4) >> 1) & 7) << 30 | b(5) << 22 | (b(6) >> 1) << 15 | b(7) << 7 | b(8) >> 1;
}

class ProgramWalk {
public:
    explicit ProgramWalk(Reader &r) : r_(r), size_(r.size()) {}

    DamageMap walk() {
        std::int64_t pos = 0;
        bool ended = false; // the last thing seen was an end code
        while (pos < size_) {
            r_.tick();
            unsigned char h[14] = {};
            const std::size_t got = r_.get(pos, h, sizeof h);
            if (got >= 3 && h[0] == 0 && h[1] == 0 && h[2] == 1) {
                if (got < 4)
                    return cut(pos, pos + 4, true);
                const unsigned code = h[3];
                if (code < 0xb9) {
                    pos = damage(pos, ended);
                    continue;
                }
                if (code == 0xb9) {
                    pos += 4;
                    unitsEnd_ = pos;
                    ended = true;
                    continue;
                }
                ended = false;
                if (code == 0xba) {
                    const std::int64_t length = packHeaderLength(h, got);
                    if (length < 0)
                        return cut(pos, pos + (got < 5 ? 12 : 14), true);
                    if (length == 0) {
                        pos = damage(pos, false);
                        continue;
                    }
                    if (pos + length > size_)
                        return cut(pos, pos + length, true);
                    notePack(pos, h);
                    pos += length;
                    unitsEnd_ = pos;
                    continue;
                }
                // System header, PES and the other packets: a 16-bit length.
                if (got < 6)
                    return cut(pos, pos + 6, false);
                const std::int64_t end = pos + 6 + be16(h + 4);
                if (end > size_)
                    return cut(pos, end, false);
                pos = end;
                unitsEnd_ = pos;
                continue;
            }
            if (h[0] != 0) {
                pos = damage(pos, ended);
                continue;
            }
            // A run of zeros: before a start code, or up to the end.
            const std::int64_t gap = pos == 0 ? kLeadingZeros : kPackZeroGap;
            const std::int64_t next = r_.skipZeros(pos, size_);
            if (next == size_) {
                // A VCD's writer may end it with padding too, but no longer
                // than it padded anywhere before.
                const bool padded = vcdPadding(size_) && size_ - pos <= longestPadding_;
                if (!ended && size_ - pos > gap && !padded)
                    map_.add(withTime(bytesAfterUnits(pos, size_, DamageUnit::Pack)));
                break;
            }
            unsigned char c = 0;
            r_.get(next, &c, 1);
            const bool padding = next - 2 - pos <= gap || (c == 1 && vcdPadding(next - 2));
            if (c != 1 || next - pos < 2 || !padding) {
                pos = damage(pos, ended);
                continue;
            }
            longestPadding_ = std::max(longestPadding_, next - 2 - pos);
            pos = next - 2;
        }
        if (repeatFrom_ >= 0)
            map_.add(damagedData(repeatFrom_, size_, DamageUnit::Pack));
        map_.unitsEnd = unitsEnd_;
        return map_;
    }

private:
    void notePack(std::int64_t at, const unsigned char *h) {
        const std::int64_t clock = systemClock(h);
        // Packs whose clock repeats one already passed, by less than a
        // quarter of a second, are written twice (a duplicated stretch); a
        // stream joined to another starts its clock anew, from further back.
        const bool repeats =
            packs_ > 0 && clock <= latestClock_ && latestClock_ - clock < 90'000 / 4;
        if (repeats && repeatFrom_ < 0)
            repeatFrom_ = at;
        if (!repeats && repeatFrom_ >= 0) {
            map_.add(damagedData(repeatFrom_, at, DamageUnit::Pack));
            repeatFrom_ = -1;
        }
        if (!repeats)
            latestClock_ = clock;
        if (packs_ == 0) {
            firstPack_ = at;
            firstClock_ = clock;
            mpeg1_ = (h[4] & 0xf0) == 0x20;
        }
        ++packs_;
        lastPack_ = at;
        lastClock_ = clock;
    }

    // Whether a run of zeros that ends at `next` (a start code) is a VCD
    // writer's padding: an MPEG-1 stream whose packs lie on the grid of VCD
    // sectors, up to a sector boundary. (A sector zeroed by damage looks
    // the same; the decoders tell what it cost.)
    bool vcdPadding(std::int64_t next) const {
        return mpeg1_ && packs_ > 0 && (next - firstPack_) % kVcdSector == 0;
    }

    // Microseconds of stream time at a clock value.
    std::int64_t micros(std::int64_t clock) const { return (clock - firstClock_) * 100 / 9; }

    // The stretch with the time of the last pack before it.
    Damage withTime(Damage d) const {
        if (packs_ > 0)
            d.time = Span{micros(lastClock_), micros(lastClock_)};
        return d;
    }

    // The next pack header after `from` that a start code follows, or the end.
    std::int64_t resync(std::int64_t from) {
        static constexpr std::string_view kPackStart("\x00\x00\x01\xba", 4);
        for (std::int64_t at = r_.find(from, size_, kPackStart); at < size_;
             at = r_.find(at + 1, size_, kPackStart)) {
            unsigned char h[14];
            const std::size_t got = r_.get(at, h, sizeof h);
            const std::int64_t length = packHeaderLength(h, got);
            if (length <= 0)
                continue;
            unsigned char next[3];
            const std::size_t more = r_.get(at + length, next, 3);
            if (at + length == size_ || (more == 3 && next[0] == 0 && next[1] == 0 && next[2] == 1))
                return at;
        }
        return size_;
    }

    // Records the damage from `at` to where packs resume, and returns that.
    std::int64_t damage(std::int64_t at, bool ended) {
        const std::int64_t next = resync(at + 1);
        if (next == size_) {
            // Nothing resumes: after an end code, bytes that are no part of
            // the stream; else the stream's end is what is damaged.
            map_.add(withTime(ended ? trailingGarbage(at, size_, DamageUnit::Pack)
                                    : bytesAfterUnits(at, size_, DamageUnit::Pack)));
            return size_;
        }
        Damage d = damagedData(at, next, DamageUnit::Pack);
        if (packs_ > 0) {
            unsigned char h[14];
            r_.get(next, h, sizeof h);
            d.time = Span{micros(lastClock_), std::max(micros(lastClock_), micros(systemClock(h)))};
        }
        map_.add(d);
        return next;
    }

    // The bytes end inside the unit that starts at `unit`, which needs them
    // up to `needed`: that pack header, or the pack that a packet belongs to,
    // is torn.
    DamageMap cut(std::int64_t unit, std::int64_t needed, bool packHeader) {
        const std::int64_t start = !packHeader && packs_ > 0 ? lastPack_ : unit;
        map_.add(withTime(cutShort(start, size_, needed, DamageUnit::Pack)));
        return map_;
    }

    Reader &r_;
    const std::int64_t size_;
    DamageMap map_;
    std::int64_t packs_ = 0;
    std::int64_t firstPack_ = 0, lastPack_ = 0;
    std::int64_t longestPadding_ = 0; // the longest run of zeros between packs
    std::int64_t unitsEnd_ = -1;      // where the last whole pack header or packet ends
    std::int64_t repeatFrom_ = -1;    // a pack whose clock repeats an earlier one's
    std::int64_t latestClock_ = 0;    // the clock of the last pack that moved it on
    std::int64_t firstClock_ = 0, lastClock_ = 0;
    bool mpeg1_ = false;
};

} // namespace

DamageMap mpegProgram(Reader &r) {
    return ProgramWalk(r).walk();
}

bool mpegProgramStart(Reader &r) {
    const std::int64_t next = r.skipZeros(0, kLeadingZeros);
    unsigned char h[2];
    return next >= 2 && r.get(next, h, 2) == 2 && h[0] == 1 && h[1] == 0xba;
}

} // namespace mendora::mediacheck::walk
