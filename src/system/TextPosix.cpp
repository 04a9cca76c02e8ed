#include "system/Text.h"

#include <cwchar>
#include <cwctype>
#include <string>

namespace mendora {

namespace {

bool isAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// The characters of `s` in the locale's character set, each folded to lower
// case. A byte that starts no valid character stands for itself.
std::wstring folded(std::string_view s) {
    std::wstring out;
    std::mbstate_t state{};
    size_t i = 0;
    while (i < s.size()) {
        wchar_t wc = 0;
        const size_t n = std::mbrtowc(&wc, s.data() + i, s.size() - i, &state);
        if (n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2) || n == 0) {
            wc = static_cast<wchar_t>(0x110000 + static_cast<unsigned char>(s[i]));
            state = {};
            i += 1;
        } else {
            i += n;
        }
        out += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(wc)));
    }
    return out;
}

} // namespace

bool sameTextIgnoreCase(std::string_view a, std::string_view b) {
    if (isAscii(a) && isAscii(b)) {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (asciiLower(a[i]) != asciiLower(b[i]))
                return false;
        return true;
    }
    return folded(a) == folded(b);
}

} // namespace mendora
