// Reading numbers and marks out of a container's bytes: big and little
// endian integers, ID3's sync-safe sizes, ASF's GUIDs, chunk ids. The callers
// have checked that the bytes are there.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>

namespace mendora::mediacheck::bytes {

inline std::uint32_t be16(const unsigned char *p) {
    return std::uint32_t(p[0]) << 8 | p[1];
}
inline std::uint32_t be32(const unsigned char *p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
inline std::uint32_t le16(const unsigned char *p) {
    return std::uint32_t(p[1]) << 8 | p[0];
}
inline std::uint32_t le32(const unsigned char *p) {
    return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}
inline std::uint64_t le64(const unsigned char *p) {
    return std::uint64_t(le32(p + 4)) << 32 | le32(p);
}

// An ID3v2 size: four bytes of seven bits each, or nothing when a byte has
// its top bit set (then it is not a size).
inline std::optional<std::int64_t> syncSafe32(const unsigned char *p) {
    if (std::any_of(p, p + 4, [](unsigned char c) { return c >= 0x80; }))
        return std::nullopt;
    return std::int64_t(p[0]) << 21 | std::int64_t(p[1]) << 14 | std::int64_t(p[2]) << 7 | p[3];
}

// An ASF object's GUID, as its 16 bytes appear in the file.
struct Guid {
    unsigned char bytes[16];
    bool at(const unsigned char *p) const { return std::memcmp(p, bytes, 16) == 0; }
};

inline constexpr Guid kAsfHeader = {{0x30, 0x26, 0xb2, 0x75, 0x8e, 0x66, 0xcf, 0x11, 0xa6, 0xd9,
                                     0x00, 0xaa, 0x00, 0x62, 0xce, 0x6c}};
inline constexpr Guid kAsfFileProperties = {{0xa1, 0xdc, 0xab, 0x8c, 0x47, 0xa9, 0xcf, 0x11, 0x8e,
                                             0xe4, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65}};
inline constexpr Guid kAsfStreamProperties = {{0x91, 0x07, 0xdc, 0xb7, 0xb7, 0xa9, 0xcf, 0x11, 0x8e,
                                               0xe6, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65}};
inline constexpr Guid kAsfData = {{0x36, 0x26, 0xb2, 0x75, 0x8e, 0x66, 0xcf, 0x11, 0xa6, 0xd9, 0x00,
                                   0xaa, 0x00, 0x62, 0xce, 0x6c}};

inline bool same(const unsigned char *p, const char *text, std::size_t n) {
    return std::memcmp(p, text, n) == 0;
}

// Four bytes of printable ASCII, blank included: a RIFF or RealMedia chunk id.
inline bool printableId(const unsigned char *p) {
    return std::all_of(p, p + 4, [](unsigned char c) { return c >= 0x20 && c < 0x7f; });
}

inline constexpr std::int64_t kMaxOffset = std::numeric_limits<std::int64_t>::max();

// a + b for a >= 0, held at kMaxOffset instead of overflowing: sizes read
// from a file are up to 64 bits wide.
inline std::int64_t addSize(std::int64_t a, std::uint64_t b) {
    if (b > static_cast<std::uint64_t>(kMaxOffset - a))
        return kMaxOffset;
    return a + static_cast<std::int64_t>(b);
}

} // namespace mendora::mediacheck::bytes
