#include "system/Text.h"

#include <cstdint>

namespace mendora {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool strToInt32(std::string_view text, int32_t &value) {
    size_t p = 0;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-'))
        negative = text[p++] == '-';

    size_t digits = 0;
    if (p < text.size() &&
        (text[p] == '$' || text[p] == 'x' || text[p] == 'X' ||
         (text[p] == '0' && p + 1 < text.size() && (text[p + 1] == 'x' || text[p + 1] == 'X')))) {
        p += text[p] == '0' ? 2 : 1;
        uint64_t v = 0;
        for (; p < text.size(); ++p, ++digits) {
            const int d = hexDigit(text[p]);
            if (d < 0)
                return false;
            v = v * 16 + static_cast<uint64_t>(d);
            if (v > 0xFFFFFFFFu)
                return false;
        }
        if (digits == 0)
            return false;
        uint32_t pattern = static_cast<uint32_t>(v);
        if (negative)
            pattern = 0u - pattern;
        value = static_cast<int32_t>(pattern);
        return true;
    }

    uint64_t v = 0;
    const uint64_t limit = negative ? 2147483648u : 2147483647u;
    for (; p < text.size(); ++p, ++digits) {
        if (text[p] < '0' || text[p] > '9')
            return false;
        v = v * 10 + static_cast<uint64_t>(text[p] - '0');
        if (v > limit)
            return false;
    }
    if (digits == 0)
        return false;
    value =
        static_cast<int32_t>(negative ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v));
    return true;
}

} // namespace mendora
