// ASF (.asf, .wma, .wmv, .wm): a header object whose sub-objects tile it,
// with the file properties (file size, packet count, packet size); a data
// object of fixed-size packets; then index objects to the end. A damaged
// packet is one whose first bytes differ from the first packet's; the walk
// goes on at the next packet, since they all have the same size.
#include "mediacheck/Bytes.h"
#include "mediacheck/WalkReader.h"

#include <cstring>
#include <optional>

namespace mendora::mediacheck::walk {

namespace {

using bytes::addSize;
using bytes::kMaxOffset;
using bytes::le32;
using bytes::le64;

// Zero bytes allowed after the last top-level object.
constexpr std::int64_t kAsfZeroTail = 4096;

constexpr bytes::Guid kSimpleIndex = {{0x90, 0x08, 0x00, 0x33, 0xb1, 0xe5, 0xcf, 0x11, 0x89, 0xf4,
                                       0x00, 0xa0, 0xc9, 0x03, 0x49, 0xcb}};
constexpr bytes::Guid kIndex = {{0xd3, 0x29, 0xe2, 0xd6, 0xda, 0x35, 0xd1, 0x11, 0x90, 0x34, 0x00,
                                 0xa0, 0xc9, 0x03, 0x49, 0xbe}};

// The send time of a data packet in milliseconds, from its first bytes.
std::optional<std::int64_t> sendTime(const unsigned char *p, std::size_t n) {
    std::size_t i = 0;
    if (n < 1)
        return std::nullopt;
    if (p[0] & 0x80) // error correction data: a flags byte and its length
        i = 1 + (p[0] & 0x0f);
    if (n < i + 2)
        return std::nullopt;
    const unsigned flags = p[i];
    const auto fieldSize = [](unsigned type) { return type == 3 ? 4u : type; };
    i +=
        2 + fieldSize((flags >> 5) & 3) + fieldSize((flags >> 1) & 3) + fieldSize((flags >> 3) & 3);
    if (n < i + 4)
        return std::nullopt;
    return std::int64_t(le32(p + i));
}

class AsfWalk {
public:
    explicit AsfWalk(Reader &r) : r_(r), size_(r.size()) {}

    DamageMap walk() {
        unsigned char h[104];
        if (r_.get(0, h, 30) != 30 || !bytes::kAsfHeader.at(h))
            return header(0);
        const std::uint64_t headerSize = le64(h + 16);
        if (headerSize < 30)
            return header(16);
        if (headerSize > static_cast<std::uint64_t>(size_))
            return cut(0, addSize(0, headerSize), DamageUnit::Object);
        const auto headerEnd = static_cast<std::int64_t>(headerSize);

        // Sub-objects that tile the header object; the File Properties among them.
        bool haveProperties = false;
        std::int64_t propertiesAt = 0;
        for (std::int64_t p = 30; p < headerEnd;) {
            r_.tick();
            if (headerEnd - p < 24 || r_.get(p, h, 24) != 24)
                return header(p);
            const std::uint64_t objectSize = le64(h + 16);
            if (objectSize < 24 || objectSize > static_cast<std::uint64_t>(headerEnd - p))
                return header(p);
            if (bytes::kAsfFileProperties.at(h)) {
                if (objectSize < 104 || r_.get(p, h, 104) != 104)
                    return header(p);
                haveProperties = true;
                propertiesAt = p;
                fileSize_ = le64(h + 40);
                packetCount_ = le64(h + 56);
                broadcast_ = le32(h + 88) & 1;
                minPacket_ = le32(h + 92);
                maxPacket_ = le32(h + 96);
            }
            p += static_cast<std::int64_t>(objectSize);
        }
        if (!haveProperties)
            return header(30);
        // Fixed-size packets when the two sizes agree; 0 for variable ones.
        packetSize_ = minPacket_ == maxPacket_ ? minPacket_ : 0;
        if (minPacket_ == maxPacket_ && packetSize_ == 0)
            return header(propertiesAt + 92);

        // The Data object right after the header.
        const std::int64_t dataAt = headerEnd;
        const std::size_t got = r_.get(dataAt, h, 50);
        if (got >= 16 && !bytes::kAsfData.at(h))
            return header(dataAt);
        if (got < 50)
            return cut(dataAt, std::max(addSize(0, fileSize_), dataAt + 50), DamageUnit::Object);
        const std::uint64_t dataSize = le64(h + 16);
        dataEnd_ = addSize(dataAt, dataSize);
        if (dataSize < 50 && !broadcast_)
            return header(dataAt + 16);
        // A live capture, or a file written to a pipe, that never wrote the
        // sizes: its packets go to the end.
        if (broadcast_ && (dataSize <= 50 || packetCount_ == 0))
            dataEnd_ = size_;
        packetsAt_ = dataAt + 50;
        if (!packets())
            return map_;
        trailingObjects();
        return map_;
    }

private:
    DamageMap header(std::int64_t at) {
        map_.add(damagedHeader(at, DamageUnit::Object));
        return map_;
    }

    DamageMap cut(std::int64_t unit, std::int64_t declared, DamageUnit what) {
        map_.add(atPacketTime(cutShort(unit, size_, declared, what), lastTime_));
        return map_;
    }

    // The data packets; false when the bytes end among them.
    bool packets() {
        std::int64_t walked = packetsAt_;
        std::uint64_t packets = 0;
        if (packetSize_ > 0) {
            const std::int64_t limit = std::min(dataEnd_, size_);
            // The first packet's bytes, or the second's when the first differs
            // from the two after it, which agree.
            unsigned char first[3] = {}, second[3] = {}, third[3] = {};
            if (packetsAt_ + packetSize_ <= limit)
                r_.get(packetsAt_, first, 3);
            if (packetsAt_ + 3 * std::int64_t(packetSize_) <= limit) {
                r_.get(packetsAt_ + packetSize_, second, 3);
                r_.get(packetsAt_ + 2 * std::int64_t(packetSize_), third, 3);
                if (std::memcmp(first, second, 3) != 0 && std::memcmp(second, third, 3) == 0)
                    std::memcpy(first, second, 3);
            }
            // With error correction the three bytes are fixed; without, the
            // length-type flags may change their multiple-payload and padding
            // bits from packet to packet. A first packet whose flags say
            // error correction of another length type than none is damaged,
            // and then so is every other packet compared with it.
            const bool corrected = first[0] & 0x80;
            const unsigned char mask = corrected ? 0xff : 0xe6;
            const std::size_t compared = corrected ? 3 : 1;
            const bool firstBroken = (first[0] & 0x80) && (first[0] & 0x70);
            std::int64_t badFrom = -1; // where the damaged packets begin
            const auto endBad = [&](std::int64_t at, std::optional<std::int64_t> nextTime) {
                Damage d = damagedData(badFrom, at, DamageUnit::Packet);
                if (lastTime_)
                    d.time = Span{*lastTime_ * 1000,
                                  std::max(*lastTime_, nextTime.value_or(*lastTime_)) * 1000};
                map_.add(d);
                badFrom = -1;
            };
            const auto looksLikePacket = [&](std::int64_t at) {
                unsigned char b[3] = {};
                if (r_.get(at, b, compared) != compared)
                    return false;
                for (std::size_t i = 0; i < compared; ++i)
                    if ((b[i] & mask) != (first[i] & mask))
                        return false;
                return true;
            };
            // Where packets begin again in step after damage: the first place
            // from which the next few all look like packets. Bytes deleted or
            // repeated move the packets off their grid.
            const int inStep = corrected ? 2 : 3;
            const auto regrid = [&](std::int64_t from) -> std::int64_t {
                const std::int64_t last = std::min(from + 2 * std::int64_t(packetSize_),
                                                   limit - inStep * std::int64_t(packetSize_));
                for (std::int64_t q = from; q <= last; ++q) {
                    r_.tick();
                    bool all = true;
                    for (int k = 0; k < inStep && all; ++k)
                        all = looksLikePacket(q + k * std::int64_t(packetSize_));
                    if (all)
                        return q;
                }
                return -1;
            };
            bool shifted = false;
            for (;
                 (broadcast_ || shifted || packets < packetCount_) && walked + packetSize_ <= limit;
                 ++packets, walked += packetSize_) {
                r_.tick();
                unsigned char b[32] = {};
                const std::size_t have = r_.get(walked, b, sizeof b);
                bool good = !firstBroken;
                for (std::size_t i = 0; i < compared && good; ++i)
                    good = (b[i] & mask) == (first[i] & mask);
                const auto time = good ? sendTime(b, have) : std::nullopt;
                if (!good) {
                    if (badFrom < 0)
                        badFrom = walked;
                    const std::int64_t q = firstBroken ? -1 : regrid(walked + 1);
                    if (q > walked && (q - packetsAt_) % packetSize_ != 0) {
                        walked = q - packetSize_;
                        shifted = true;
                    }
                    continue;
                }
                if (badFrom >= 0)
                    endBad(walked, time);
                lastTime_ = time;
            }
            if (badFrom >= 0)
                endBad(walked, std::nullopt);
            if (broadcast_ && walked < limit && dataEnd_ > size_) {
                cut(walked, walked + packetSize_, DamageUnit::Packet);
                return false;
            }
        }
        if (!broadcast_ && fileSize_ > static_cast<std::uint64_t>(size_)) {
            cut(walked, addSize(0, fileSize_), DamageUnit::Packet);
            return false;
        }
        if (dataEnd_ > size_) {
            cut(walked, dataEnd_, DamageUnit::Packet);
            return false;
        }
        if (packetSize_ > 0 && !broadcast_ && packets < packetCount_) {
            const std::uint64_t room = static_cast<std::uint64_t>(dataEnd_ - packetsAt_);
            const std::int64_t declared =
                packetCount_ > room / packetSize_
                    ? kMaxOffset
                    : packetsAt_ + std::int64_t(packetCount_ * packetSize_);
            // The packets end before the data object does: what is missing is
            // inside the file, so this is a cut only in the packets' terms.
            Damage d = cutShort(walked, std::min(declared, dataEnd_), declared, DamageUnit::Packet);
            map_.add(d);
            return false;
        }
        return true;
    }

    // Top-level objects after the data: indexes and others, to the end.
    void trailingObjects() {
        for (std::int64_t p = dataEnd_; p < size_;) {
            r_.tick();
            unsigned char h[24];
            if (size_ - p >= 24 && r_.get(p, h, 24) == 24) {
                const std::uint64_t objectSize = le64(h + 16);
                if (objectSize >= 24 && objectSize <= static_cast<std::uint64_t>(size_ - p)) {
                    p += static_cast<std::int64_t>(objectSize);
                    continue;
                }
                // An index that does not fit: seeking is lost.
                if (kSimpleIndex.at(h) || kIndex.at(h)) {
                    map_.add(objectSize > static_cast<std::uint64_t>(size_ - p)
                                 ? cutShort(p, size_, addSize(p, objectSize), DamageUnit::Object)
                                 : damagedData(p, size_, DamageUnit::Object));
                    return;
                }
            }
            map_.unitsEnd = p;
            if (size_ - p <= kAsfZeroTail && r_.skipZeros(p, size_) == size_)
                return;
            map_.add(trailingGarbage(p, size_, DamageUnit::Object));
            return;
        }
        map_.unitsEnd = size_;
    }

    Reader &r_;
    const std::int64_t size_;
    DamageMap map_;
    std::uint64_t fileSize_ = 0, packetCount_ = 0;
    std::uint32_t minPacket_ = 0, maxPacket_ = 0, packetSize_ = 0;
    bool broadcast_ = false;
    std::int64_t dataEnd_ = 0, packetsAt_ = 0;
    std::optional<std::int64_t> lastTime_; // of the last sound packet, in ms
};

} // namespace

DamageMap asf(Reader &r) {
    return AsfWalk(r).walk();
}

} // namespace mendora::mediacheck::walk
