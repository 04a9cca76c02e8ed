// BMP pictures: a file header ("BM", the offset of the pixels), an info
// header (size, height, bits per pixel, compression) and rows of pixels,
// the last row first unless the height is negative. What the header
// declares tells how long the pixels must be; rows that are missing are
// the picture's rows that a viewer cannot show.
#include "mediacheck/Bytes.h"
#include "mediacheck/WalkReader.h"

#include <cstdlib>

namespace mendora::mediacheck::walk {

namespace {

using bytes::le16;
using bytes::le32;

bool knownInfoSize(std::uint32_t size) {
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 ||
           size == 124;
}

} // namespace

DamageMap bmp(Reader &r) {
    DamageMap map;
    const std::int64_t size = r.size();
    unsigned char h[54] = {};
    const std::size_t got = r.get(0, h, sizeof h);
    if (got < 26 || h[0] != 'B' || h[1] != 'M') {
        map.add(damagedHeader(0));
        return map;
    }
    const std::uint32_t infoSize = le32(h + 14);
    if (!knownInfoSize(infoSize) || (infoSize >= 40 && got < 54)) {
        map.add(infoSize >= 40 && got < 54 && knownInfoSize(infoSize)
                    ? cutShort(0, size, 14 + infoSize, DamageUnit::File)
                    : damagedHeader(14));
        return map;
    }
    std::int64_t width, height;
    std::uint32_t bits, compression = 0, imageSize = 0;
    if (infoSize == 12) {
        width = le16(h + 18);
        height = le16(h + 20);
        bits = le16(h + 24);
    } else {
        width = static_cast<std::int32_t>(le32(h + 18));
        height = static_cast<std::int32_t>(le32(h + 22));
        bits = le16(h + 28);
        compression = le32(h + 30);
        imageSize = le32(h + 34);
    }
    const std::int64_t offset = le32(h + 10);
    const std::int64_t rows = std::llabs(height);
    if (width <= 0 || rows == 0 || width > (1 << 24) || rows > (1 << 24) ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
        map.add(damagedHeader(18));
        return map;
    }
    if (offset < 14 + infoSize || offset > std::max<std::int64_t>(size, 14 + infoSize + 1024)) {
        map.add(damagedHeader(10));
        return map;
    }
    // Uncompressed rows (plain, or with bit fields) have a known length;
    // compressed pixels the length the header gives, when it gives one.
    const bool plain = compression == 0 || compression == 3 || compression == 6;
    const std::int64_t stride = (width * bits + 31) / 32 * 4;
    const std::int64_t pixels = plain ? stride * rows : imageSize;
    const std::int64_t end = offset + pixels;
    if (pixels > 0 && end > size) {
        Damage cut;
        if (plain) {
            const std::int64_t whole = std::max<std::int64_t>(0, size - offset) / stride;
            cut = cutShort(offset + whole * stride, size, end, DamageUnit::PictureRow);
            // Rows are counted from the top of the picture.
            cut.rows = height > 0 ? Span{0, rows - whole} : Span{whole, rows};
        } else {
            cut = cutShort(offset, size, end, DamageUnit::File);
        }
        map.add(cut);
    }
    return map;
}

} // namespace mendora::mediacheck::walk
