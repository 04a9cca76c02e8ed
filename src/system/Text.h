// Text comparison in the user's locale, text conversion, line splitting.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mendora {

// Equality without regard to letter case in the user's default locale.
// ASCII letters fold everywhere; other bytes as the locale's character set says.
bool sameTextIgnoreCase(std::string_view a, std::string_view b);

// True when `name` matches `pattern`, where "*" stands for any run of
// characters and "?" for one; ASCII letters match without regard to case.
bool wildcardMatch(std::string_view name, std::string_view pattern);

// Text to a signed 32-bit integer: an optional sign, then decimal digits
// within the 32-bit range, or a hexadecimal prefix ("$", "x", "X", "0x", "0X")
// and digits whose value fits 32 bits, taken as a 32-bit pattern. Nothing
// else is accepted (no blanks). False when the text does not convert.
bool strToInt32(std::string_view text, std::int32_t &value);

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// Windows-1252 bytes as UTF-8. The five bytes that code page leaves
// undefined become the C1 controls of the same value, as Windows does.
std::string windows1252ToUtf8(std::string_view bytes);

// A text file of unknown origin as UTF-8: taken as UTF-8 (byte-order mark
// dropped) when its bytes are valid UTF-8, otherwise as Windows-1252.
std::string textFileToUtf8(std::string_view bytes);

// The lines of a text, without their line breaks (CR LF, LF or a lone CR).
// A last line without a break counts; a break at the very end adds none.
std::vector<std::string> textLines(std::string_view text);

} // namespace mendora
