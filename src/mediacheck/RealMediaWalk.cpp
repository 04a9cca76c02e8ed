// RealMedia (.rm, .rmvb, .ra): a ".RMF" chunk, header chunks (PROP, MDPR,
// CONT), DATA chunks of packets that each give their length, and INDX
// chunks. A damaged packet is left at the next packet header that fits and
// is followed by another, as a player resumes there.
#include "mediacheck/Bytes.h"
#include "mediacheck/WalkReader.h"

#include <optional>

namespace mendora::mediacheck::walk {

namespace {

using bytes::be16;
using bytes::be32;
using bytes::printableId;
using bytes::same;

// Zero bytes allowed after the packets (FFmpeg writes 8).
constexpr std::int64_t kRealZeroTail = 2048;
constexpr int kMaxStreams = 64;

class RealWalk {
public:
    explicit RealWalk(Reader &r) : r_(r), size_(r.size()) {}

    DamageMap walk() {
        unsigned char h[18];
        if (r_.get(0, h, 10) != 10 || !same(h, ".RMF", 4))
            return header(0);
        if (be32(h + 4) < 10)
            return header(4);
        std::int64_t pos = be32(h + 4);
        bool headers = true; // before the first DATA chunk
        while (pos < size_) {
            r_.tick();
            const std::size_t got = r_.get(pos, h, 10);
            const bool chunk = got == 10 && printableId(h) && be32(h + 4) >= 10;
            if (!chunk) {
                if (headers)
                    return got < 10 ? cut(pos, pos + 10, DamageUnit::Chunk) : header(pos);
                // A short run of zeros: to the end, or before the next chunk.
                const std::int64_t next = r_.skipZeros(pos, size_);
                if (next == size_ && next - pos <= kRealZeroTail)
                    return map_;
                unsigned char id[10];
                if (next - pos <= kRealZeroTail && next > pos && r_.get(next, id, 10) == 10 &&
                    printableId(id) && be32(id + 4) >= 10) {
                    pos = next;
                    continue;
                }
                const std::int64_t resumed = nextChunk(pos + 1);
                if (resumed == size_) {
                    map_.unitsEnd = pos;
                    map_.add(bytesAfterUnits(pos, size_, DamageUnit::Chunk));
                    return map_;
                }
                map_.add(damagedData(pos, resumed, DamageUnit::Chunk));
                pos = resumed;
                continue;
            }
            const std::int64_t chunkEnd = pos + be32(h + 4);
            if (same(h, "MDPR", 4))
                ++streams_;
            if (same(h, "DATA", 4)) {
                if (r_.get(pos, h, 18) != 18)
                    return cut(pos, std::max(chunkEnd, pos + 18), DamageUnit::Chunk);
                headers = false;
                if (!packets(pos + 18, be32(h + 10), chunkEnd))
                    return map_;
                pos = packetsEnd_;
                continue;
            }
            if (chunkEnd > size_) {
                if (headers)
                    return cut(pos, chunkEnd, DamageUnit::Chunk);
                // After the packets: a chunk that does not fit, or bytes that
                // only look like one.
                map_.unitsEnd = pos;
                map_.add(bytesAfterUnits(pos, size_, DamageUnit::Chunk));
                return map_;
            }
            pos = chunkEnd;
        }
        if (headers)
            return cut(size_, size_ + 1, DamageUnit::Chunk); // the headers end without any data
        map_.unitsEnd = pos;
        return map_;
    }

private:
    DamageMap header(std::int64_t at) {
        map_.add(damagedHeader(at, DamageUnit::Chunk));
        return map_;
    }

    DamageMap cut(std::int64_t unit, std::int64_t declared, DamageUnit what) {
        map_.add(atPacketTime(cutShort(unit, size_, declared, what), lastTime_));
        return map_;
    }

    // Whether a packet header that fits the file starts at `at`: its length,
    // or nothing.
    std::optional<std::uint32_t> packetAt(std::int64_t at) {
        unsigned char k[6];
        if (r_.get(at, k, 6) != 6 || be16(k) > 1 || be16(k + 2) < 12 || at + be16(k + 2) > size_)
            return std::nullopt;
        if (streams_ > 0 && streams_ <= kMaxStreams && be16(k + 4) >= std::uint32_t(streams_))
            return std::nullopt;
        return be16(k + 2);
    }

    // The next packet after `from`, before `end`, that is followed by
    // another packet or by a chunk; or nothing.
    std::optional<std::int64_t> resync(std::int64_t from, std::int64_t end) {
        for (std::int64_t at = from; at + 12 <= end; ++at) {
            r_.tick();
            // Long zero runs are passed over; a packet header itself begins
            // with a few zero bytes.
            if (const std::int64_t next = r_.skipZeros(at, end); next - at > 16)
                at = next - 4;
            const auto length = packetAt(at);
            if (!length)
                continue;
            const std::int64_t next = at + *length;
            unsigned char id[10];
            if (next >= end || packetAt(next) ||
                (r_.get(next, id, 10) == 10 && printableId(id) && be32(id + 4) >= 10))
                return at;
        }
        return std::nullopt;
    }

    // The next chunk at or after `from` (INDX or DATA), or the end.
    std::int64_t nextChunk(std::int64_t from) {
        const std::int64_t index = r_.find(from, size_, "INDX");
        const std::int64_t data = r_.find(from, index, "DATA");
        return std::min(index, data);
    }

    void timeOf(std::int64_t at) {
        unsigned char k[10];
        if (r_.get(at, k, 10) == 10)
            lastTime_ = be32(k + 6);
    }

    // The packets of a DATA chunk from `start`, `count` of them (0: up to
    // the first thing that is no packet). The declared size of the chunk is
    // off by a few bytes with some writers: the packets tell where it ends.
    bool packets(std::int64_t start, std::uint32_t count, std::int64_t chunkEnd) {
        std::int64_t p = start;
        std::uint32_t n = 0;
        while (count == 0 || n < count) {
            r_.tick();
            unsigned char k[4];
            const std::size_t have = r_.get(p, k, 4);
            if (count == 0 && (have < 4 || be16(k) > 1 || be16(k + 2) < 12))
                break;
            // The declared end when it lies past the bytes, else the
            // missing packets at the average length so far.
            const std::int64_t average = n ? (p - start) / n : 0;
            const std::int64_t estimate =
                chunkEnd > size_ ? chunkEnd : p + average * std::int64_t(count - n);
            const bool broken = (have >= 2 && be16(k) > 1) || (have >= 4 && be16(k + 2) < 12);
            if (broken) {
                const auto next = resync(p + 1, size_);
                if (!next) {
                    map_.add(damagedData(p, size_, DamageUnit::Packet));
                    return false;
                }
                Damage d = damagedData(p, *next, DamageUnit::Packet);
                const std::optional<std::int64_t> before = lastTime_;
                timeOf(*next);
                if (before)
                    d.time = Span{*before * 1000, std::max(*before, *lastTime_) * 1000};
                map_.add(d);
                // The packets lost are counted by the average length.
                const std::int64_t lost =
                    average > 0 ? std::max<std::int64_t>(1, (*next - p) / average) : 1;
                n += static_cast<std::uint32_t>(std::min<std::int64_t>(lost, count - n));
                p = *next;
                continue;
            }
            if (have < 4 || p + be16(k + 2) > size_) {
                cut(p, std::max(estimate, have < 4 ? p + 12 : p + be16(k + 2)), DamageUnit::Packet);
                return false;
            }
            timeOf(p);
            p += be16(k + 2);
            ++n;
        }
        packetsEnd_ = p;
        return true;
    }

    Reader &r_;
    const std::int64_t size_;
    DamageMap map_;
    int streams_ = 0;
    std::int64_t packetsEnd_ = 0;
    std::optional<std::int64_t> lastTime_; // of the last sound packet, in ms
};

} // namespace

DamageMap realMedia(Reader &r) {
    return RealWalk(r).walk();
}

} // namespace mendora::mediacheck::walk
