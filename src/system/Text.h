// Text comparison in the user's locale.
#pragma once

#include <cstdint>
#include <string_view>

namespace mendora {

// Equality without regard to letter case in the user's default locale.
// ASCII letters fold everywhere; other bytes as the locale's character set says.
bool sameTextIgnoreCase(std::string_view a, std::string_view b);

// Text to a signed 32-bit integer: an optional sign, then decimal digits
// within the 32-bit range, or a hexadecimal prefix ("$", "x", "X", "0x", "0X")
// and digits whose value fits 32 bits, taken as a 32-bit pattern. Nothing
// else is accepted (no blanks). False when the text does not convert.
bool strToInt32(std::string_view text, std::int32_t &value);

} // namespace mendora
