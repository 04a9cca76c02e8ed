// Colours are stored as the system's 0x00BBGGRR values; Qt draws QColor.
#pragma once

#include <QColor>
#include <cstdint>

namespace mendora {

// The colour of a stored value: its low three bytes.
inline QColor colorFromBgr(std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>((v >> 16) & 0xFF));
}

// The stored value of a colour, its high byte 0.
inline std::int32_t bgrFromColor(const QColor &color) {
    return static_cast<std::int32_t>(color.red() | (color.green() << 8) | (color.blue() << 16));
}

} // namespace mendora
