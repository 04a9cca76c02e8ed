// What the containers' walks share: one bounds-checked reader, whose read
// errors and cancel leave a walk by exception, and the walks themselves, one
// file each. Inside the library only.
#pragma once

#include "mediacheck/ByteSource.h"
#include "mediacheck/Damage.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string_view>

namespace mendora::mediacheck::walk {

// Thrown out of a walk by the reader: a failed read, or the cancel flag.
struct ReadFailed {
    std::int64_t at;
    int error;
};
struct Cancelled {};

// All reads of a walk. tick() counts units of work and polls the cancel
// flag on the first unit and every 4096 after.
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
            const std::int64_t at = offset + static_cast<std::int64_t>(done);
            const std::int64_t got = source_.read(at, out + done, n - done);
            if (got < 0)
                throw ReadFailed{at, source_.error()};
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
        return scan(offset, end, [](const unsigned char *p, std::size_t n) {
            return static_cast<std::size_t>(
                std::find_if(p, p + n, [](unsigned char c) { return c != 0; }) - p);
        });
    }

    // The first position in [offset, end) where `pattern` begins, or end.
    std::int64_t find(std::int64_t offset, std::int64_t end, std::string_view pattern) {
        const auto *first = reinterpret_cast<const unsigned char *>(pattern.data());
        const std::size_t length = pattern.size();
        // Blocks overlap by the pattern's length less one.
        while (offset < end) {
            const std::int64_t hit = scan(offset, end, [&](const unsigned char *p, std::size_t n) {
                return static_cast<std::size_t>(std::search(p, p + n, first, first + length) - p);
            });
            if (hit >= end)
                return end;
            unsigned char probe[16];
            if (length <= sizeof probe && get(hit, probe, length) == length &&
                std::equal(probe, probe + length, first))
                return hit;
            offset = hit + 1;
        }
        return end;
    }

private:
    // Runs `look` over blocks of [offset, end) until it finds something: it
    // returns where in the block, or the block's length for nothing.
    template <typename Look> std::int64_t scan(std::int64_t offset, std::int64_t end, Look look) {
        end = std::min(end, size_);
        unsigned char block[4096];
        while (offset < end) {
            tick();
            const auto want =
                static_cast<std::size_t>(std::min<std::int64_t>(sizeof block, end - offset));
            const std::size_t got = get(offset, block, want);
            if (got == 0)
                return end;
            const std::size_t at = look(block, got);
            if (at < got)
                return offset + static_cast<std::int64_t>(at);
            // A pattern may begin near the end of the block: go on from
            // where it could still start.
            offset += static_cast<std::int64_t>(got > 15 ? got - 15 : got);
            if (got < want)
                return end;
        }
        return end;
    }

    ByteSource &source_;
    std::int64_t size_;
    const std::atomic<bool> *cancel_;
    std::uint32_t work_ = 0;
};

// Bytes from `at` to the end of the file that hold no unit of the container:
// bytes appended after it (trailing garbage) when they are few, else the
// container's own end spoilt (damaged data, a zeroed or overwritten tail).
inline Damage bytesAfterUnits(std::int64_t at, std::int64_t size, DamageUnit unit) {
    const std::int64_t few = std::min<std::int64_t>(64 * 1024, size / 20);
    return size - at <= few ? trailingGarbage(at, size, unit) : damagedData(at, size, unit);
}

// The stretch, at the stream time in milliseconds of the last sound packet
// before it, when there was one (ASF send times, RealMedia timestamps).
inline Damage atPacketTime(Damage d, const std::optional<std::int64_t> &milliseconds) {
    if (milliseconds)
        d.time = Span{*milliseconds * 1000, *milliseconds * 1000};
    return d;
}

// The walks, one per container family: every damaged stretch in file order.
DamageMap mpegProgram(Reader &r);
DamageMap mpegAudio(Reader &r);
DamageMap asf(Reader &r);
DamageMap riff(Reader &r, bool cdxa);
DamageMap realMedia(Reader &r);
DamageMap bmp(Reader &r, ByteSource &source);

// Whether the bytes begin as the container does.
bool mpegProgramStart(Reader &r);
bool mpegAudioStart(Reader &r);

} // namespace mendora::mediacheck::walk
