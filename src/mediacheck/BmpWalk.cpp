// BMP pictures: a file header ("BM", the offset of the pixels), an info
// header (size, height, bits per pixel, compression) and rows of pixels,
// the last row first unless the height is negative. What the header
// declares tells how long the pixels must be; rows that are missing are
// the picture's rows that a viewer cannot show.
#include "mediacheck/BmpLayout.h"
#include "mediacheck/Bytes.h"
#include "mediacheck/WalkReader.h"

#include <algorithm>

namespace mendora::mediacheck {

namespace {

using bytes::le16;
using bytes::le32;

bool knownInfoSize(std::uint32_t size) {
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 ||
           size == 124;
}

} // namespace

std::optional<BmpLayout> readBmpLayout(ByteSource &source, BmpHeaderFault &fault) {
    unsigned char h[54] = {};
    const std::int64_t got = std::max<std::int64_t>(0, source.read(0, h, sizeof h));
    const std::int64_t size = source.size();
    fault = {};
    if (got < 26 || h[0] != 'B' || h[1] != 'M') {
        fault.cut = got < 26 && got == size && got >= 2 && h[0] == 'B' && h[1] == 'M';
        fault.at = fault.cut ? 26 : 0;
        return std::nullopt;
    }
    BmpLayout l;
    l.infoSize = le32(h + 14);
    if (!knownInfoSize(l.infoSize)) {
        fault.at = 14;
        return std::nullopt;
    }
    if (l.infoSize >= 40 && got < 54) {
        fault = {14 + l.infoSize, true};
        return std::nullopt;
    }
    if (l.infoSize == 12) {
        l.width = le16(h + 18);
        l.height = le16(h + 20);
        l.bits = le16(h + 24);
    } else {
        l.width = static_cast<std::int32_t>(le32(h + 18));
        l.height = static_cast<std::int32_t>(le32(h + 22));
        l.bits = le16(h + 28);
        l.compression = le32(h + 30);
        l.imageSize = le32(h + 34);
    }
    l.offset = le32(h + 10);
    const std::uint32_t b = l.bits;
    if (l.width <= 0 || l.rows() == 0 || l.width > (1 << 24) || l.rows() > (1 << 24) ||
        (b != 1 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32)) {
        fault.at = 18;
        return std::nullopt;
    }
    if (l.offset < 14 + l.infoSize ||
        l.offset > std::max<std::int64_t>(size, 14 + l.infoSize + 1024)) {
        fault.at = 10;
        return std::nullopt;
    }
    return l;
}

namespace walk {

DamageMap bmp(Reader &r, ByteSource &source) {
    DamageMap map;
    const std::int64_t size = r.size();
    BmpHeaderFault fault;
    const std::optional<BmpLayout> l = readBmpLayout(source, fault);
    if (!l) {
        map.add(fault.cut ? cutShort(0, size, fault.at, DamageUnit::File)
                          : damagedHeader(fault.at));
        return map;
    }
    const std::int64_t pixels = l->pixelBytes();
    const std::int64_t end = l->offset + pixels;
    if (pixels > 0 && end > size) {
        Damage cut;
        if (l->plain()) {
            const std::int64_t stride = l->stride();
            const std::int64_t whole = std::max<std::int64_t>(0, size - l->offset) / stride;
            cut = cutShort(l->offset + whole * stride, size, end, DamageUnit::PictureRow);
            // Rows are counted from the top of the picture.
            cut.rows = l->height > 0 ? Span{0, l->rows() - whole} : Span{whole, l->rows()};
        } else {
            cut = cutShort(l->offset, size, end, DamageUnit::File);
        }
        map.add(cut);
    }
    return map;
}

} // namespace walk

} // namespace mendora::mediacheck
