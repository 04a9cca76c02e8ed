// The damage map: every damaged stretch of a file, in file order, as the
// walk of its container and the decoders found them. A repair reads it to
// know what to keep, drop or rebuild; the verdict is decided from it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mendora::mediacheck {

enum class DamageKind {
    Header,          // the file's or a unit's header does not hold together
    Data,            // units that do not hold together, inside the file's structure
    Cut,             // the bytes end inside a unit, or before what the container declares
    ReadError,       // the bytes could not be read
    TrailingGarbage, // bytes after the last unit that are no unit, up to the end
};

// What a damaged stretch breaks.
enum class DamageUnit { File, Pack, Frame, Packet, Object, Chunk, Sector, Tag, PictureRow };

// "damaged header", "damaged data", "cut short", "read error", "trailing garbage".
const char *damageKindName(DamageKind kind);
// "file", "pack", "frame", "packet", "object", "chunk", "sector", "tag", "picture row".
const char *damageUnitName(DamageUnit unit);

// A half-open range [begin, end).
struct Span {
    std::int64_t begin = 0;
    std::int64_t end = 0;
    bool operator==(const Span &) const = default;
};

struct Damage {
    DamageKind kind = DamageKind::Data;
    DamageUnit unit = DamageUnit::File;
    // The damaged bytes. For Cut: from the start of the torn unit to the end
    // of the bytes.
    Span bytes;
    // For Cut: where the container says the bytes should end (the torn unit's
    // end, or the whole file's declared size when it declares one).
    std::int64_t declared = 0;
    // The stream time the stretch covers, in microseconds from the stream's
    // start, where the container tells it.
    std::optional<Span> time;
    // For pictures: the rows, counted from the top, that the stretch spoils.
    std::optional<Span> rows;
    // For ReadError: the system's error number.
    int error = 0;

    bool operator==(const Damage &) const = default;
};

// "cut short at 1234 (declared 5678), frame" and the like: for tests and logs.
std::string describe(const Damage &damage);

// At most this many stretches are kept apart; past that, each new stretch
// is joined to the last one (a final cut or read error excepted), so that a
// file of nothing but small faults costs bounded memory. The map then
// over-states the damage, never hides it.
inline constexpr std::size_t kMaxStretches = 4096;

struct DamageMap {
    std::vector<Damage> stretches; // in file order, not overlapping
    bool joined = false;           // kMaxStretches was reached
    // Where the container's last sound unit ends, when the walk tells: what
    // decoders complain of after it lies in bytes that are no part of it.
    std::int64_t unitsEnd = -1;

    bool empty() const { return stretches.empty(); }
    // Adds a stretch after the last one; a stretch of the same kind that
    // touches the last one extends it, one of another kind begins where the
    // last one ends.
    void add(const Damage &damage);
    // The first stretch of `kind`, or nothing.
    const Damage *first(DamageKind kind) const;
};

// The stretches, made the one way each kind is made.
// A header that breaks at `at`; `end` is where units resume after it, when
// the walk knows (else the stretch is the one byte).
Damage damagedHeader(std::int64_t at, DamageUnit unit = DamageUnit::File, std::int64_t end = 0);
Damage damagedData(std::int64_t begin, std::int64_t end, DamageUnit unit);
Damage cutShort(std::int64_t unitStart, std::int64_t bytesEnd, std::int64_t declared,
                DamageUnit unit);
Damage readError(std::int64_t at, int error);
Damage trailingGarbage(std::int64_t begin, std::int64_t end, DamageUnit unit);

} // namespace mendora::mediacheck
