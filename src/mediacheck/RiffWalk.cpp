// RIFF files: AVI (with the AVIX parts of OpenDML), WAVE, and CDXA (a VCD's
// .dat, raw 2352-byte CD sectors in a data chunk). Chunks of an id and a
// size tile their parent. Damage inside a parent is left at the next chunk
// that fits it and is followed by another or by the parent's end; damaged
// sectors at the next sector sync.
#include "mediacheck/Bytes.h"
#include "mediacheck/WalkReader.h"

#include <cstring>
#include <optional>

namespace mendora::mediacheck::walk {

namespace {

using bytes::le32;
using bytes::printableId;
using bytes::same;

constexpr int kRiffDepth = 8;
constexpr std::int64_t kSector = 2352;
const unsigned char kSectorSync[12] = {0x00, 0xff, 0xff, 0xff, 0xff, 0xff,
                                       0xff, 0xff, 0xff, 0xff, 0xff, 0x00};
// Bytes by which a writer's RIFF size may exceed the file whose chunks all
// end with it: less than a chunk header, so no chunk can be missing.
constexpr std::int64_t kRiffSizeSlack = 8;

class RiffWalk {
public:
    RiffWalk(Reader &r, bool cdxa) : r_(r), cdxa_(cdxa), size_(r.size()) {}

    DamageMap walk() {
        unsigned char h[12];
        // RF64 and BW64 are RIFF WAVE past 4 GiB: sizes of all ones there give
        // way to a ds64 chunk, and the chunks go to the end.
        if (r_.get(0, h, 12) != 12 ||
            !(same(h, "RIFF", 4) || same(h, "RF64", 4) || same(h, "BW64", 4))) {
            map_.add(damagedHeader(0, DamageUnit::Chunk));
            return map_;
        }
        wave_ = same(h + 8, "WAVE", 4);
        std::int64_t pos = 0;
        // The first RIFF, then the AVIX ones of OpenDML AVI.
        for (;;) {
            const std::uint32_t riffSize = le32(h + 4);
            if (riffSize < 4) {
                map_.add(damagedHeader(pos + 4, DamageUnit::Chunk));
                return map_;
            }
            // All ones: a writer that could not seek back; the data go to the end.
            const std::int64_t end = riffSize == 0xffffffff ? size_ : pos + 8 + riffSize;
            declared_ = end;
            if (!chunks(pos + 12, end, 0, true))
                return map_;
            pos = end + (riffSize & 1);
            map_.unitsEnd = std::min(pos, size_);
            // Other trailing bytes are left alone: some writers append junk.
            if (r_.get(pos, h, 12) != 12 || !same(h, "RIFF", 4) || !same(h + 8, "AVIX", 4))
                return map_;
        }
    }

private:
    // The chunks of [pos, end); `end` as declared, maybe past the file.
    // False when the bytes end inside them (the walk is over).
    bool chunks(std::int64_t pos, std::int64_t end, int depth, bool top) {
        const std::int64_t stop = std::min(end, size_);
        bool lastOdd = false;
        while (pos < stop) {
            r_.tick();
            unsigned char h[12];
            if (stop - pos < 8) {
                if (end > size_)
                    return cut(pos, std::max(end, declared_));
                if (r_.skipZeros(pos, stop) != stop)
                    map_.add(damagedData(pos, stop, DamageUnit::Chunk));
                return true;
            }
            const std::size_t got = r_.get(pos, h, 12);
            if (!printableId(h)) {
                // A writer that left out the pad byte of an odd-sized chunk.
                unsigned char back[4];
                if (lastOdd && r_.get(pos - 1, back, 4) == 4 && printableId(back)) {
                    --pos;
                    lastOdd = false;
                    continue;
                }
                const std::int64_t next = resync(pos + 1, stop, end);
                map_.add(withTime(damagedData(pos, next, DamageUnit::Chunk), pos, next));
                pos = next;
                lastOdd = false;
                continue;
            }
            const std::uint32_t chunkSize = le32(h + 4);
            // All ones: streamed, to the end of its parent.
            const std::int64_t chunkEnd = chunkSize == 0xffffffff ? stop : pos + 8 + chunkSize;
            if (chunkEnd > end) {
                if (chunkEnd > size_)
                    return cut(pos, std::max(chunkEnd, declared_));
                // A chunk that overruns its parent inside the file.
                map_.add(damagedData(pos, stop, DamageUnit::Chunk));
                return true;
            }
            if (same(h, "LIST", 4) && chunkSize >= 4 && chunkEnd >= pos + 12) {
                if (got < 12)
                    return cut(pos, std::max(chunkEnd, declared_));
                if (!printableId(h + 8)) {
                    map_.add(damagedData(pos + 8, pos + 12, DamageUnit::Chunk));
                } else if (same(h + 8, "INFO", 4)) {
                    // Tags: what they hold is no part of what plays, and
                    // writers fill them loosely (items without a name).
                } else if (depth < kRiffDepth && !chunks(pos + 12, chunkEnd, depth + 1, false)) {
                    return false;
                }
            } else if (cdxa_ && same(h, "data", 4)) {
                if (!sectors(pos + 8, chunkEnd))
                    return false;
            } else if (same(h, "fmt ", 4) && got >= 12) {
                unsigned char f[14];
                if (r_.get(pos + 8, f, 14) == 14) {
                    bytesPerSecond_ = le32(f + 8);
                    blockAlign_ = bytes::le16(f + 12);
                }
            } else if (same(h, "data", 4)) {
                dataStart_ = pos + 8;
                if (chunkEnd <= size_)
                    wholeData_ = true;
            }
            if (chunkEnd > size_)
                return cut(pos, std::max(chunkEnd, declared_));
            lastOdd = chunkSize & 1;
            // A missing final pad byte at the end of the file is let pass.
            pos = chunkEnd + (lastOdd ? 1 : 0);
        }
        if (end > size_) {
            // The chunks all end with the file: a RIFF size a few bytes too
            // large, or a WAVE whose sound is whole, lose nothing.
            const bool lenient =
                top && pos >= size_ && (end - size_ < kRiffSizeSlack || (wave_ && wholeData_));
            if (!lenient)
                return cut(pos, std::max(end, declared_));
        }
        return true;
    }

    // The next chunk in [from, stop) that fits its parent (which ends at
    // `end`) and is followed by another chunk or by the parent's end; or stop.
    std::int64_t resync(std::int64_t from, std::int64_t stop, std::int64_t end) {
        unsigned char block[4096 + 12];
        for (std::int64_t at = from; at < stop;) {
            at = r_.skipZeros(at, stop);
            const std::size_t got = r_.get(at, block, sizeof block);
            if (got < 8)
                return stop;
            for (std::size_t i = 0; i + 8 <= got; ++i) {
                if (!printableId(block + i))
                    continue;
                const std::int64_t q = at + static_cast<std::int64_t>(i);
                const std::int64_t qEnd = q + 8 + le32(block + i + 4);
                if (qEnd > end || le32(block + i + 4) == 0xffffffff)
                    continue;
                if (qEnd >= std::min(end, size_))
                    return q;
                unsigned char after[5];
                const std::size_t more = r_.get(qEnd, after, 5);
                if ((more >= 4 && printableId(after)) ||
                    (more == 5 && (le32(block + i + 4) & 1) && printableId(after + 1)))
                    return q;
            }
            r_.tick();
            at += static_cast<std::int64_t>(got > 8 ? got - 7 : got);
        }
        return stop;
    }

    // Raw CD sectors, each opening with the sync pattern.
    bool sectors(std::int64_t pos, std::int64_t end) {
        const std::int64_t stop = std::min(end, size_);
        while (pos < stop) {
            r_.tick();
            unsigned char sync[12];
            const std::size_t got = r_.get(pos, sync, 12);
            if (std::memcmp(sync, kSectorSync, got) != 0) {
                const std::int64_t next =
                    r_.find(pos + 1, stop,
                            std::string_view(reinterpret_cast<const char *>(kSectorSync), 12));
                map_.add(damagedData(pos, next, DamageUnit::Sector));
                pos = next;
                continue;
            }
            if (stop - pos < kSector)
                return cut(pos, std::max({pos + kSector, end, declared_}), DamageUnit::Sector);
            pos += kSector;
        }
        return true;
    }

    // The time in microseconds of a position in a WAVE's sound.
    std::optional<std::int64_t> timeAt(std::int64_t at) const {
        if (!wave_ || bytesPerSecond_ == 0 || dataStart_ == 0 || at < dataStart_)
            return std::nullopt;
        return (at - dataStart_) * 1'000'000 / bytesPerSecond_;
    }

    Damage withTime(Damage d, std::int64_t from, std::int64_t to) const {
        if (const auto begin = timeAt(from))
            d.time = Span{*begin, timeAt(to).value_or(*begin)};
        return d;
    }

    bool cut(std::int64_t unit, std::int64_t declared, DamageUnit what = DamageUnit::Chunk) {
        // In a WAVE's sound each block of samples is a unit of its own: only
        // the last one, which the end tears, is lost.
        if (wave_ && dataStart_ > 0 && unit < dataStart_ && size_ > dataStart_) {
            const std::int64_t block = std::max<std::uint32_t>(blockAlign_, 1);
            unit = size_ - (size_ - dataStart_) % block;
            what = DamageUnit::Frame;
        }
        map_.add(
            withTime(cutShort(unit, size_, declared, what), std::max(unit, size_ - 1), declared));
        return false;
    }

    Reader &r_;
    const bool cdxa_;
    const std::int64_t size_;
    DamageMap map_;
    std::int64_t declared_ = 0;
    bool wave_ = false, wholeData_ = false;
    std::int64_t dataStart_ = 0;
    std::uint32_t bytesPerSecond_ = 0, blockAlign_ = 0;
};

} // namespace

DamageMap riff(Reader &r, bool cdxa) {
    return RiffWalk(r, cdxa).walk();
}

} // namespace mendora::mediacheck::walk
