#include "mediacheck/Structure.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace mendora::mediacheck {

std::int64_t MemorySource::read(std::int64_t offset, void *out, std::size_t n) {
    if (offset < 0 || static_cast<std::uint64_t>(offset) >= size_)
        return 0;
    const std::size_t count = std::min(n, size_ - static_cast<std::size_t>(offset));
    std::memcpy(out, data_ + offset, count);
    return static_cast<std::int64_t>(count);
}

namespace {

constexpr std::size_t kCacheSize = 256 * 1024;

} // namespace

std::unique_ptr<FileSource> FileSource::open(const std::string &path, int &error) {
    auto file = files::ReadOnlyFile::open(path, error);
    if (!file)
        return nullptr;
    return std::unique_ptr<FileSource>(new FileSource(std::move(file)));
}

FileSource::FileSource(std::unique_ptr<files::ReadOnlyFile> file)
    : file_(std::move(file)), size_(file_->size()) {}

FileSource::~FileSource() = default;

std::int64_t FileSource::readFile(std::int64_t offset, unsigned char *out, std::size_t n) {
    return file_->readAt(offset, out, n, error_);
}

std::int64_t FileSource::read(std::int64_t offset, void *out, std::size_t n) {
    if (offset < 0 || n == 0)
        return 0;
    auto *target = static_cast<unsigned char *>(out);
    // Large reads gain nothing from the cache.
    if (n >= kCacheSize / 2)
        return readFile(offset, target, n);
    const bool cached =
        offset >= cacheStart_ && offset + static_cast<std::int64_t>(n) <=
                                     cacheStart_ + static_cast<std::int64_t>(cacheLength_);
    if (!cached) {
        if (cache_.empty())
            cache_.resize(kCacheSize);
        const std::int64_t got = readFile(offset, cache_.data(), cache_.size());
        if (got < 0) {
            cacheLength_ = 0;
            return -1;
        }
        cacheStart_ = offset;
        cacheLength_ = static_cast<std::size_t>(got);
    }
    const auto skip = static_cast<std::size_t>(offset - cacheStart_);
    const std::size_t count = std::min(n, cacheLength_ - skip);
    std::memcpy(target, cache_.data() + skip, count);
    return static_cast<std::int64_t>(count);
}

namespace {

using Kind = StructureFault::Kind;
using Result = std::optional<StructureFault>;

// Thrown out of a walk by the reader: a failed read, or the cancel flag.
struct ReadFailed {
    int error;
};
struct Cancelled {};

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

StructureFault fault(Kind kind, std::int64_t at, std::int64_t declared = 0) {
    StructureFault f;
    f.kind = kind;
    f.at = at;
    f.declared = declared;
    return f;
}
StructureFault dataFault(std::int64_t at) {
    return fault(Kind::Data, at);
}
StructureFault headerFault(std::int64_t at) {
    return fault(Kind::Header, at);
}
StructureFault cutFault(std::int64_t at, std::int64_t declared) {
    return fault(Kind::Cut, at, declared);
}

// a + b for a >= 0, held at kMax instead of overflowing: sizes from the
// file are up to 64 bits wide.
std::int64_t addSize(std::int64_t a, std::uint64_t b) {
    if (b > static_cast<std::uint64_t>(kMax - a))
        return kMax;
    return a + static_cast<std::int64_t>(b);
}

std::uint32_t be16(const unsigned char *p) {
    return std::uint32_t(p[0]) << 8 | p[1];
}
std::uint32_t be32(const unsigned char *p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
std::uint32_t le32(const unsigned char *p) {
    return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}
std::uint64_t le64(const unsigned char *p) {
    return std::uint64_t(le32(p + 4)) << 32 | le32(p);
}

bool same(const unsigned char *p, const char *text, std::size_t n) {
    return std::memcmp(p, text, n) == 0;
}

// Four bytes of printable ASCII, blank included: a chunk id.
bool printableId(const unsigned char *p) {
    return std::all_of(p, p + 4, [](unsigned char c) { return c >= 0x20 && c < 0x7f; });
}

// All reads of a walk: bounds-checked, a read error and the cancel flag leave
// by exception. tick() counts units of work and polls the flag, on the
// first unit and every 4096 after.
class Reader {
public:
    Reader(ByteSource &source, const std::atomic<bool> *cancel)
        : source_(source), size_(std::max<std::int64_t>(0, source.size())), cancel_(cancel) {}

    std::int64_t size() const { return size_; }

    // Copies up to `n` bytes at `offset`; fewer only at the end.
    std::size_t get(std::int64_t offset, unsigned char *out, std::size_t n) {
        if (offset < 0 || offset >= size_)
            return 0;
        n = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(n), size_ - offset));
        std::size_t done = 0;
        while (done < n) {
            const std::int64_t got =
                source_.read(offset + static_cast<std::int64_t>(done), out + done, n - done);
            if (got < 0)
                throw ReadFailed{source_.error()};
            if (got == 0)
                break;
            done += std::min(static_cast<std::size_t>(got), n - done);
        }
        return done;
    }

    void tick() {
        if ((work_++ & 4095) == 0 && cancel_ && cancel_->load(std::memory_order_relaxed))
            throw Cancelled{};
    }

    // The first non-zero byte in [offset, end), or end.
    std::int64_t skipZeros(std::int64_t offset, std::int64_t end) {
        end = std::min(end, size_);
        unsigned char block[4096];
        while (offset < end) {
            tick();
            const auto want =
                static_cast<std::size_t>(std::min<std::int64_t>(sizeof block, end - offset));
            const std::size_t got = get(offset, block, want);
            if (got == 0)
                return end;
            const auto *hit = std::find_if(block, block + got, [](unsigned char c) { return c; });
            if (hit != block + got)
                return offset + (hit - block);
            offset += static_cast<std::int64_t>(got);
        }
        return end;
    }

private:
    ByteSource &source_;
    std::int64_t size_;
    const std::atomic<bool> *cancel_;
    std::uint32_t work_ = 0;
};

// ---------------------------------------------------------------------------
// MPEG program stream

// Zero bytes allowed between packs, and at the end without an end code:
// VCD writers put 20 after some packs. A run as long as a DVD sector or
// more is what a ripper writes for sectors it could not read.
constexpr std::int64_t kPackZeroGap = 2047;
// Zero bytes allowed before the first pack.
constexpr std::int64_t kLeadingZeros = 64 * 1024;

Result walkMpegProgram(Reader &r) {
    const std::int64_t size = r.size();
    std::int64_t pos = 0;
    bool ended = false; // the last thing seen was an end code
    while (pos < size) {
        r.tick();
        unsigned char h[14];
        const std::size_t got = r.get(pos, h, sizeof h);
        if (got >= 3 && h[0] == 0 && h[1] == 0 && h[2] == 1) {
            if (got < 4)
                return cutFault(size, pos + 4);
            const unsigned code = h[3];
            if (code < 0xb9)
                return dataFault(pos);
            if (code == 0xb9) {
                pos += 4;
                ended = true;
                continue;
            }
            ended = false;
            if (code == 0xba) {
                if (got < 5)
                    return cutFault(size, pos + 12);
                std::int64_t length;
                if ((h[4] & 0xc0) == 0x40) { // MPEG-2
                    if (got < 14)
                        return cutFault(size, pos + 14);
                    length = 14 + (h[13] & 7);
                } else if ((h[4] & 0xf0) == 0x20) { // MPEG-1
                    length = 12;
                } else {
                    return dataFault(pos);
                }
                if (pos + length > size)
                    return cutFault(size, pos + length);
                pos += length;
                continue;
            }
            // System header, PES and the other packets: a 16-bit length.
            if (got < 6)
                return cutFault(size, pos + 6);
            const std::int64_t end = pos + 6 + be16(h + 4);
            if (end > size)
                return cutFault(size, end);
            pos = end;
            continue;
        }
        if (h[0] != 0)
            return dataFault(pos);
        // A run of zeros: before a start code, or up to the end.
        const std::int64_t gap = pos == 0 ? kLeadingZeros : kPackZeroGap;
        const std::int64_t next = r.skipZeros(pos, size);
        if (next == size)
            return ended || size - pos <= gap ? Result() : Result(dataFault(pos));
        unsigned char c = 0;
        r.get(next, &c, 1);
        if (c != 1 || next - pos < 2 || next - 2 - pos > gap)
            return dataFault(pos);
        pos = next - 2;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// MPEG audio

struct Frame {
    int layer = 0;   // 1 to 3
    int version = 0; // the header's bits: 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    int rate = 0;    // the sample rate's index
    bool free = false;
    std::int64_t length = 0;
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
    if (bitrateIndex == 0) {
        frame.free = true;
        return frame;
    }
    const std::int64_t bitrate = 1000LL * kBitrates[mpeg1 ? 0 : 1][frame.layer - 1][bitrateIndex];
    const std::int64_t rate = kRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
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

// Whether a frame of layer `layer` starts at `pos` (free format excluded).
std::optional<Frame> frameAt(Reader &r, std::int64_t pos, int layer) {
    unsigned char h[4];
    if (r.get(pos, h, 4) != 4)
        return std::nullopt;
    auto frame = parseFrame(h);
    if (!frame || frame->free || (layer && frame->layer != layer))
        return std::nullopt;
    return frame;
}

Result walkMpegAudio(Reader &r) {
    const std::int64_t size = r.size();
    std::int64_t pos = 0;
    // ID3v2 tags, one after another.
    for (int tags = 0; tags < 16; ++tags) {
        unsigned char h[10];
        const std::int64_t tagStart = pos;
        const std::size_t got = r.get(pos, h, sizeof h);
        if (got < 3 || !same(h, "ID3", 3))
            break;
        if (got < 10)
            return headerFault(pos);
        for (int i = 6; i < 10; ++i)
            if (h[i] >= 0x80)
                return headerFault(pos + i);
        const std::int64_t length =
            std::int64_t(h[6]) << 21 | std::int64_t(h[7]) << 14 | std::int64_t(h[8]) << 7 | h[9];
        pos += 10 + length + (h[5] & 0x10 ? 10 : 0);
        if (pos > size)
            return headerFault(tagStart + 6);
    }
    const std::int64_t tagEnd = pos;
    const std::int64_t audioEnd = trailingTagsStart(r, tagEnd);

    // The first frame: after zero padding, and followed by a second one.
    const std::int64_t first = r.skipZeros(pos, audioEnd);
    unsigned char h[4];
    const auto frame = r.get(first, h, 4) == 4 ? parseFrame(h) : std::nullopt;
    if (!frame)
        return headerFault(tagEnd);
    if (frame->free)
        return std::nullopt; // frame lengths are not in the headers: nothing to walk
    const int layer = frame->layer;
    if (first + frame->length > audioEnd)
        return audioEnd == size ? Result(cutFault(size, first + frame->length))
                                : Result(headerFault(tagEnd));
    const std::int64_t second = first + frame->length;
    if (second < audioEnd && !frameAt(r, second, layer) &&
        (audioEnd - second > kAudioZeroTail || r.skipZeros(second, audioEnd) != audioEnd))
        return headerFault(tagEnd);

    pos = second;
    while (pos < audioEnd) {
        r.tick();
        if (const auto next = frameAt(r, pos, layer)) {
            const std::int64_t end = pos + next->length;
            // A header that is the last thing in the file and does not match
            // the first frame is a false sync in trailing bytes, not a cut frame.
            if (end > audioEnd && (next->version != frame->version || next->rate != frame->rate))
                return dataFault(pos);
            if (end > audioEnd)
                return cutFault(audioEnd, end);
            pos = end;
            continue;
        }
        // Not a frame: a short zero run to the tags, a header cut by the end,
        // or damage.
        const std::int64_t nonZero = r.skipZeros(pos, audioEnd);
        if (nonZero == audioEnd && audioEnd - pos <= kAudioZeroTail)
            return std::nullopt;
        if (audioEnd == size && size - pos < 4 && nonZero == pos) {
            unsigned char tail[3] = {};
            const std::size_t got = r.get(pos, tail, 3);
            if (tail[0] == 0xff && (got < 2 || (tail[1] & 0xe0) == 0xe0))
                return cutFault(size, pos + 4);
        }
        return dataFault(pos);
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// ASF

// GUIDs as the bytes appear in the file.
const unsigned char kAsfHeader[16] = {0x30, 0x26, 0xb2, 0x75, 0x8e, 0x66, 0xcf, 0x11,
                                      0xa6, 0xd9, 0x00, 0xaa, 0x00, 0x62, 0xce, 0x6c};
const unsigned char kAsfFileProperties[16] = {0xa1, 0xdc, 0xab, 0x8c, 0x47, 0xa9, 0xcf, 0x11,
                                              0x8e, 0xe4, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65};
const unsigned char kAsfData[16] = {0x36, 0x26, 0xb2, 0x75, 0x8e, 0x66, 0xcf, 0x11,
                                    0xa6, 0xd9, 0x00, 0xaa, 0x00, 0x62, 0xce, 0x6c};

// Zero bytes allowed after the last top-level object.
constexpr std::int64_t kAsfZeroTail = 4096;

Result walkAsf(Reader &r) {
    const std::int64_t size = r.size();
    unsigned char h[104];
    if (r.get(0, h, 30) != 30 || std::memcmp(h, kAsfHeader, 16) != 0)
        return headerFault(0);
    const std::uint64_t headerSize = le64(h + 16);
    if (headerSize < 30)
        return headerFault(16);
    if (headerSize > static_cast<std::uint64_t>(size))
        return cutFault(size, addSize(0, headerSize));
    const auto headerEnd = static_cast<std::int64_t>(headerSize);

    // Sub-objects that tile the header object; the File Properties among them.
    bool haveProperties = false;
    std::int64_t propertiesAt = 0;
    std::uint64_t fileSize = 0, packetCount = 0;
    std::uint32_t flags = 0, minPacket = 0, maxPacket = 0;
    for (std::int64_t p = 30; p < headerEnd;) {
        r.tick();
        if (headerEnd - p < 24 || r.get(p, h, 24) != 24)
            return headerFault(p);
        const std::uint64_t objectSize = le64(h + 16);
        if (objectSize < 24 || objectSize > static_cast<std::uint64_t>(headerEnd - p))
            return headerFault(p);
        if (std::memcmp(h, kAsfFileProperties, 16) == 0) {
            if (objectSize < 104 || r.get(p, h, 104) != 104)
                return headerFault(p);
            haveProperties = true;
            propertiesAt = p;
            fileSize = le64(h + 40);
            packetCount = le64(h + 56);
            flags = le32(h + 88);
            minPacket = le32(h + 92);
            maxPacket = le32(h + 96);
        }
        p += static_cast<std::int64_t>(objectSize);
    }
    if (!haveProperties)
        return headerFault(30);
    const bool broadcast = flags & 1;
    // Fixed-size packets when the two sizes agree; 0 for variable ones.
    const std::uint32_t packetSize = minPacket == maxPacket ? minPacket : 0;
    if (minPacket == maxPacket && packetSize == 0)
        return headerFault(propertiesAt + 92);

    // The Data object right after the header.
    const std::int64_t dataAt = headerEnd;
    const std::size_t got = r.get(dataAt, h, 50);
    if (got >= 16 && std::memcmp(h, kAsfData, 16) != 0)
        return headerFault(dataAt);
    if (got < 50)
        return cutFault(size, std::max(addSize(0, fileSize), dataAt + 50));
    const std::uint64_t dataSize = le64(h + 16);
    std::int64_t dataEnd = addSize(dataAt, dataSize);
    if (dataSize < 50) {
        if (!broadcast)
            return headerFault(dataAt + 16);
        dataEnd = size; // a live capture that never wrote the size
    }
    const std::int64_t packetsAt = dataAt + 50;

    // Each packet's first bytes, compared with packet 0's.
    std::int64_t walked = packetsAt;
    std::uint64_t packets = 0;
    if (packetSize > 0) {
        const std::int64_t limit = std::min(dataEnd, size);
        unsigned char first[3] = {};
        if (packetsAt + packetSize <= limit) {
            r.get(packetsAt, first, 3);
            if ((first[0] & 0x80) && (first[0] & 0x70))
                return dataFault(packetsAt);
        }
        // With error correction the three bytes are fixed; without, the
        // length-type flags may change their multiple-payload and padding
        // bits from packet to packet.
        const bool corrected = first[0] & 0x80;
        const unsigned char mask = corrected ? 0xff : 0xe6;
        const std::size_t compared = corrected ? 3 : 1;
        for (; (broadcast || packets < packetCount) && walked + packetSize <= limit;
             ++packets, walked += packetSize) {
            r.tick();
            unsigned char b[3] = {};
            r.get(walked, b, compared);
            for (std::size_t i = 0; i < compared; ++i)
                if ((b[i] & mask) != (first[i] & mask))
                    return dataFault(walked);
        }
        if (broadcast && walked < limit && dataEnd > size)
            return cutFault(size, walked + packetSize);
    }
    if (!broadcast && fileSize > static_cast<std::uint64_t>(size))
        return cutFault(size, addSize(0, fileSize));
    if (dataEnd > size)
        return cutFault(size, dataEnd);
    if (packetSize > 0 && !broadcast && packets < packetCount) {
        const std::uint64_t room = static_cast<std::uint64_t>(dataEnd - packetsAt);
        const std::int64_t declared = packetCount > room / packetSize
                                          ? kMax
                                          : packetsAt + std::int64_t(packetCount * packetSize);
        return cutFault(walked, declared);
    }

    // Top-level objects after the data: indexes and others, to the end.
    for (std::int64_t p = dataEnd; p < size;) {
        r.tick();
        if (size - p >= 24 && r.get(p, h, 24) == 24) {
            const std::uint64_t objectSize = le64(h + 16);
            if (objectSize >= 24 && objectSize <= static_cast<std::uint64_t>(size - p)) {
                p += static_cast<std::int64_t>(objectSize);
                continue;
            }
        }
        if (size - p <= kAsfZeroTail && r.skipZeros(p, size) == size)
            return std::nullopt;
        return dataFault(p);
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// RIFF: AVI, WAVE and CDXA

constexpr int kRiffDepth = 8;
constexpr std::int64_t kSector = 2352;
const unsigned char kSectorSync[12] = {0x00, 0xff, 0xff, 0xff, 0xff, 0xff,
                                       0xff, 0xff, 0xff, 0xff, 0xff, 0x00};

class RiffWalk {
public:
    RiffWalk(Reader &r, bool cdxa) : r_(r), cdxa_(cdxa) {}

    Result walk() {
        const std::int64_t size = r_.size();
        unsigned char h[12];
        if (r_.get(0, h, 12) != 12 || !same(h, "RIFF", 4))
            return headerFault(0);
        std::int64_t pos = 0;
        // The first RIFF, then the AVIX ones of OpenDML AVI.
        for (;;) {
            const std::uint32_t riffSize = le32(h + 4);
            if (riffSize < 4)
                return headerFault(pos + 4);
            // All ones: a writer that could not seek back; the data go to the end.
            const std::int64_t end = riffSize == 0xffffffff ? size : pos + 8 + riffSize;
            declared_ = end;
            if (const auto f = chunks(pos + 12, end, 0))
                return f;
            pos = end + (riffSize & 1);
            // Other trailing bytes are left alone: some writers append junk.
            if (r_.get(pos, h, 12) != 12 || !same(h, "RIFF", 4) || !same(h + 8, "AVIX", 4))
                return std::nullopt;
        }
    }

private:
    // The chunks of [pos, end); `end` as declared, maybe past the file.
    Result chunks(std::int64_t pos, std::int64_t end, int depth) {
        const std::int64_t size = r_.size();
        const std::int64_t stop = std::min(end, size);
        bool lastOdd = false;
        while (pos < stop) {
            r_.tick();
            unsigned char h[12];
            if (stop - pos < 8) {
                if (end > size)
                    return cutFault(size, std::max(end, declared_));
                if (r_.skipZeros(pos, stop) == stop)
                    return std::nullopt;
                return dataFault(pos);
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
                return dataFault(pos);
            }
            const std::uint32_t chunkSize = le32(h + 4);
            // All ones: streamed, to the end of its parent.
            const std::int64_t chunkEnd = chunkSize == 0xffffffff ? stop : pos + 8 + chunkSize;
            if (chunkEnd > end)
                return chunkEnd > size ? cutFault(size, std::max(chunkEnd, declared_))
                                       : cutFault(end, chunkEnd);
            if (same(h, "LIST", 4) && chunkSize >= 4 && chunkEnd >= pos + 12) {
                if (got < 12)
                    return cutFault(size, std::max(chunkEnd, declared_));
                if (!printableId(h + 8))
                    return dataFault(pos + 8);
                if (depth < kRiffDepth)
                    if (const auto f = chunks(pos + 12, chunkEnd, depth + 1))
                        return f;
            } else if (cdxa_ && same(h, "data", 4)) {
                if (const auto f = sectors(pos + 8, chunkEnd))
                    return f;
            }
            if (chunkEnd > size)
                return cutFault(size, std::max(chunkEnd, declared_));
            lastOdd = chunkSize & 1;
            // A missing final pad byte at the end of the file is let pass.
            pos = chunkEnd + (lastOdd ? 1 : 0);
        }
        if (end > size)
            return cutFault(size, std::max(end, declared_));
        return std::nullopt;
    }

    // Raw CD sectors, each opening with the sync pattern.
    Result sectors(std::int64_t pos, std::int64_t end) {
        const std::int64_t size = r_.size();
        const std::int64_t stop = std::min(end, size);
        for (; pos < stop; pos += kSector) {
            r_.tick();
            unsigned char sync[12];
            const std::size_t got = r_.get(pos, sync, 12);
            if (std::memcmp(sync, kSectorSync, got) != 0)
                return dataFault(pos);
            if (stop - pos < kSector)
                return cutFault(stop, std::max({pos + kSector, end, declared_}));
        }
        return std::nullopt;
    }

    Reader &r_;
    bool cdxa_;
    std::int64_t declared_ = 0;
};

// ---------------------------------------------------------------------------
// RealMedia

// Zero bytes allowed after the packets (FFmpeg writes 8).
constexpr std::int64_t kRealZeroTail = 2048;

Result walkRealMedia(Reader &r) {
    const std::int64_t size = r.size();
    unsigned char h[18];
    if (r.get(0, h, 10) != 10 || !same(h, ".RMF", 4))
        return headerFault(0);
    if (be32(h + 4) < 10)
        return headerFault(4);
    std::int64_t pos = be32(h + 4);
    bool headers = true; // before the first DATA chunk
    while (pos < size) {
        r.tick();
        const std::size_t got = r.get(pos, h, 10);
        const bool chunk = got == 10 && printableId(h) && be32(h + 4) >= 10;
        if (!chunk) {
            if (headers)
                return got < 10 ? cutFault(size, pos + 10) : headerFault(pos);
            // A short run of zeros: to the end, or before the next chunk.
            const std::int64_t next = r.skipZeros(pos, size);
            if (next - pos > kRealZeroTail || next == pos)
                return dataFault(pos);
            if (next == size)
                return std::nullopt;
            unsigned char id[10];
            if (r.get(next, id, 10) != 10 || !printableId(id) || be32(id + 4) < 10)
                return dataFault(pos);
            pos = next;
            continue;
        }
        const std::int64_t chunkEnd = pos + be32(h + 4);
        if (same(h, "DATA", 4)) {
            if (r.get(pos, h, 18) != 18)
                return cutFault(size, std::max(chunkEnd, pos + 18));
            headers = false;
            // The declared size is off by a few bytes with some writers: the
            // packets tell where the chunk ends.
            const std::uint32_t count = be32(h + 10);
            const std::int64_t start = pos + 18;
            std::int64_t p = start;
            std::uint32_t n = 0;
            while (count == 0 || n < count) {
                r.tick();
                unsigned char k[4];
                const std::size_t have = r.get(p, k, 4);
                if (count == 0 && (have < 4 || be16(k) > 1 || be16(k + 2) < 12))
                    break; // an unknown number of packets: up to the first non-packet
                // The declared end when it lies past the bytes, else the
                // missing packets at the average length so far.
                const std::int64_t average = n ? (p - start) / n : 0;
                const std::int64_t estimate =
                    chunkEnd > size ? chunkEnd : p + average * std::int64_t(count - n);
                if (have >= 2 && be16(k) > 1)
                    return dataFault(p);
                if (have >= 4 && be16(k + 2) < 12)
                    return dataFault(p);
                if (have < 4 || p + be16(k + 2) > size)
                    return cutFault(size, std::max(estimate, have < 4 ? p + 12 : p + be16(k + 2)));
                p += be16(k + 2);
                ++n;
            }
            pos = p;
            continue;
        }
        if (chunkEnd > size)
            return headers ? cutFault(size, chunkEnd) : dataFault(pos);
        pos = chunkEnd;
    }
    if (headers)
        return cutFault(size, size + 1); // the headers end without any data
    return std::nullopt;
}

// ---------------------------------------------------------------------------

bool mpegProgramStart(Reader &r) {
    const std::int64_t next = r.skipZeros(0, kLeadingZeros);
    unsigned char h[2];
    return next >= 2 && r.get(next, h, 2) == 2 && h[0] == 1 && h[1] == 0xba;
}

bool mpegAudioStart(Reader &r) {
    unsigned char h[10];
    const std::size_t got = r.get(0, h, 10);
    if (got >= 3 && same(h, "ID3", 3)) {
        // Not when what the tag holds up is another kind: FLAC, AAC, Ogg.
        if (got < 10 || std::any_of(h + 6, h + 10, [](unsigned char c) { return c >= 0x80; }))
            return true;
        const std::int64_t end =
            10 +
            (std::int64_t(h[6]) << 21 | std::int64_t(h[7]) << 14 | std::int64_t(h[8]) << 7 | h[9]) +
            (h[5] & 0x10 ? 10 : 0);
        unsigned char a[4];
        if (r.get(r.skipZeros(end, end + kLeadingZeros), a, 4) == 4 &&
            (same(a, "fLaC", 4) || same(a, "OggS", 4) || (a[0] == 0xff && (a[1] & 0xf6) == 0xf0)))
            return false;
        return true;
    }
    if (got < 4)
        return false;
    const auto frame = parseFrame(h);
    return frame && !frame->free && frameAt(r, frame->length, frame->layer);
}

} // namespace

std::optional<Container> sniffContainer(ByteSource &source) {
    Reader r(source, nullptr);
    try {
        unsigned char h[16];
        const std::size_t got = r.get(0, h, 16);
        if (got >= 4 && same(h, ".RMF", 4))
            return Container::RealMedia;
        if (got >= 16 && std::memcmp(h, kAsfHeader, 16) == 0)
            return Container::Asf;
        if (got >= 12 && same(h, "RIFF", 4)) {
            if (same(h + 8, "CDXA", 4))
                return Container::Cdxa;
            if (same(h + 8, "AVI ", 4) || same(h + 8, "WAVE", 4))
                return Container::Riff;
            return std::nullopt;
        }
        if (mpegProgramStart(r))
            return Container::MpegProgram;
        if (mpegAudioStart(r))
            return Container::MpegAudio;
    } catch (const ReadFailed &) {
    } catch (const Cancelled &) {
    }
    return std::nullopt;
}

std::optional<StructureFault> walkStructure(Container container, ByteSource &source,
                                            const std::atomic<bool> *cancel, bool &cancelled) {
    cancelled = false;
    Reader r(source, cancel);
    try {
        r.tick();
        switch (container) {
        case Container::MpegProgram:
            return walkMpegProgram(r);
        case Container::MpegAudio:
            return walkMpegAudio(r);
        case Container::Asf:
            return walkAsf(r);
        case Container::Riff:
            return RiffWalk(r, false).walk();
        case Container::Cdxa:
            return RiffWalk(r, true).walk();
        case Container::RealMedia:
            return walkRealMedia(r);
        }
    } catch (const ReadFailed &failed) {
        StructureFault f;
        f.kind = Kind::ReadError;
        f.error = failed.error;
        return f;
    } catch (const Cancelled &) {
        cancelled = true;
    }
    return std::nullopt;
}

} // namespace mendora::mediacheck
