// What a BMP's headers say about its pixels, read the one way the check and
// the repair read it.
#pragma once

#include "mediacheck/ByteSource.h"

#include <cstdint>
#include <optional>

namespace mendora::mediacheck {

struct BmpLayout {
    std::uint32_t infoSize = 0; // 12 (OS/2) or 40 and larger
    std::int64_t width = 0;
    std::int64_t height = 0;       // negative: the top row comes first
    std::uint32_t bits = 0;        // 1, 4, 8, 16, 24 or 32 per pixel
    std::uint32_t compression = 0; // 0 plain, 3 and 6 bit fields; others compressed
    std::uint32_t imageSize = 0;   // as declared
    std::int64_t offset = 0;       // where the pixels begin
    std::int64_t rows() const { return height < 0 ? -height : height; }
    // Plain rows (with or without bit fields) have a known length.
    bool plain() const { return compression == 0 || compression == 3 || compression == 6; }
    std::int64_t stride() const { return (width * bits + 31) / 32 * 4; }
    // The pixels' length: rows times stride, or the declared size when compressed.
    std::int64_t pixelBytes() const { return plain() ? stride() * rows() : imageSize; }
};

// Why the headers cannot be read: where they break.
struct BmpHeaderFault {
    std::int64_t at = 0;
    bool cut = false; // the bytes end inside the headers (then `at` is where they should end)
};

// The layout, or where the headers break.
std::optional<BmpLayout> readBmpLayout(ByteSource &source, BmpHeaderFault &fault);

} // namespace mendora::mediacheck
