#include "mediacheck/Damage.h"

#include <algorithm>

namespace mendora::mediacheck {

const char *damageKindName(DamageKind kind) {
    switch (kind) {
    case DamageKind::Header:
        return "damaged header";
    case DamageKind::Data:
        return "damaged data";
    case DamageKind::Cut:
        return "cut short";
    case DamageKind::ReadError:
        return "read error";
    case DamageKind::TrailingGarbage:
        return "trailing garbage";
    }
    return "damaged data";
}

const char *damageUnitName(DamageUnit unit) {
    switch (unit) {
    case DamageUnit::File:
        return "file";
    case DamageUnit::Pack:
        return "pack";
    case DamageUnit::Frame:
        return "frame";
    case DamageUnit::Packet:
        return "packet";
    case DamageUnit::Object:
        return "object";
    case DamageUnit::Chunk:
        return "chunk";
    case DamageUnit::Sector:
        return "sector";
    case DamageUnit::Tag:
        return "tag";
    case DamageUnit::PictureRow:
        return "picture row";
    }
    return "file";
}

std::string describe(const Damage &d) {
    std::string text = std::string(damageKindName(d.kind)) + " " + std::to_string(d.bytes.begin) +
                       "-" + std::to_string(d.bytes.end);
    if (d.kind == DamageKind::Cut)
        text += " declared " + std::to_string(d.declared);
    if (d.kind == DamageKind::ReadError)
        text += " error " + std::to_string(d.error);
    text += std::string(", ") + damageUnitName(d.unit);
    if (d.time)
        text += ", time " + std::to_string(d.time->begin) + "-" + std::to_string(d.time->end);
    if (d.rows)
        text += ", rows " + std::to_string(d.rows->begin) + "-" + std::to_string(d.rows->end);
    return text;
}

void DamageMap::add(const Damage &given) {
    Damage damage = given;
    if (!stretches.empty()) {
        Damage &last = stretches.back();
        // Stretches keep file order and do not overlap: what the last one
        // holds already is not repeated.
        if (damage.kind != last.kind && damage.bytes.begin < last.bytes.end) {
            damage.bytes.begin = std::min(last.bytes.end, damage.bytes.end);
            damage.bytes.end = std::max(damage.bytes.begin, damage.bytes.end);
        }
        const bool touches = damage.bytes.begin <= last.bytes.end;
        // A cut or a read error ends a walk: it is always kept apart.
        const bool full = stretches.size() >= kMaxStretches && damage.kind != DamageKind::Cut &&
                          damage.kind != DamageKind::ReadError;
        if ((touches && damage.kind == last.kind) || full) {
            joined = joined || !touches || damage.kind != last.kind;
            last.bytes.end = std::max(last.bytes.end, damage.bytes.end);
            last.declared = std::max(last.declared, damage.declared);
            if (last.time && damage.time)
                last.time->end = std::max(last.time->end, damage.time->end);
            else
                last.time.reset();
            if (last.rows && damage.rows)
                last.rows->end = std::max(last.rows->end, damage.rows->end);
            return;
        }
    }
    stretches.push_back(damage);
}

const Damage *DamageMap::first(DamageKind kind) const {
    const auto it = std::find_if(stretches.begin(), stretches.end(),
                                 [kind](const Damage &d) { return d.kind == kind; });
    return it == stretches.end() ? nullptr : &*it;
}

Damage damagedHeader(std::int64_t at, DamageUnit unit, std::int64_t end) {
    Damage d;
    d.kind = DamageKind::Header;
    d.unit = unit;
    d.bytes = {at, std::max(at + 1, end)};
    return d;
}

Damage damagedData(std::int64_t begin, std::int64_t end, DamageUnit unit) {
    Damage d;
    d.kind = DamageKind::Data;
    d.unit = unit;
    d.bytes = {begin, std::max(begin + 1, end)};
    return d;
}

Damage cutShort(std::int64_t unitStart, std::int64_t bytesEnd, std::int64_t declared,
                DamageUnit unit) {
    Damage d;
    d.kind = DamageKind::Cut;
    d.unit = unit;
    d.bytes = {std::min(unitStart, bytesEnd), bytesEnd};
    d.declared = std::max(declared, bytesEnd);
    return d;
}

Damage readError(std::int64_t at, int error) {
    Damage d;
    d.kind = DamageKind::ReadError;
    d.bytes = {at, at + 1};
    d.error = error;
    return d;
}

Damage trailingGarbage(std::int64_t begin, std::int64_t end, DamageUnit unit) {
    Damage d;
    d.kind = DamageKind::TrailingGarbage;
    d.unit = unit;
    d.bytes = {begin, std::max(begin + 1, end)};
    return d;
}

} // namespace mendora::mediacheck
