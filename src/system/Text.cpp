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

namespace {

// Code points of 0x80..0x9F in Windows-1252; the rest of the high half is Latin-1.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string &out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

namespace {

char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// Bytes of the UTF-8 character that starts at `at` (1 for a stray byte).
std::size_t characterLength(std::string_view s, std::size_t at) {
    std::size_t n = 1;
    while (at + n < s.size() && (static_cast<unsigned char>(s[at + n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

} // namespace

bool wildcardMatch(std::string_view name, std::string_view pattern) {
    // Greedy match with one backtracking point, the last "*": linear for
    // the patterns we use, never exponential.
    std::size_t n = 0, p = 0;
    std::size_t starAt = std::string_view::npos, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += characterLength(name, n);
        } else if (p < pattern.size() && foldAscii(pattern[p]) == foldAscii(name[n])) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            resumeAt += characterLength(name, resumeAt);
            n = resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool isValidUtf8(std::string_view bytes) {
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        const unsigned char b = *p++;
        if (b < 0x80)
            continue;
        int more;
        char32_t c;
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            c = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            c = b & 0x07;
        } else {
            return false;
        }
        if (end - p < more)
            return false;
        for (int i = 0; i < more; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (p[i] & 0x3F);
        }
        p += more;
        if ((more == 2 && c < 0x800) || (more == 3 && (c < 0x10000 || c > 0x10FFFF)) ||
            (c >= 0xD800 && c <= 0xDFFF))
            return false;
    }
    return true;
}

std::string windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        appendUtf8(out, b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char32_t(b));
    }
    return out;
}

std::string textFileToUtf8(std::string_view bytes) {
    if (!isValidUtf8(bytes))
        return windows1252ToUtf8(bytes);
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    return std::string(bytes);
}

std::vector<std::string> textLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t cut = text.find_first_of("\r\n", start);
        if (cut == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, cut - start));
        start = cut + (text[cut] == '\r' && cut + 1 < text.size() && text[cut + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

} // namespace mendora
