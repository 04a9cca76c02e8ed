#include "system/TextWin.h"
#include "system/Text.h"

#include <windows.h>

namespace mendora {

std::wstring wideText(std::string_view text) {
    if (text.empty())
        return {};
    const UINT codePage = isValidUtf8(text) ? CP_UTF8 : CP_ACP;
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), n);
    return wide;
}

std::string utf8Text(std::wstring_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, bytes.data(), n, nullptr, nullptr);
    return bytes;
}

bool sameTextIgnoreCase(std::string_view a, std::string_view b) {
    // CompareString refuses an empty text given by a null pointer; two empty
    // texts are equal, and an empty one equals no other.
    if (a.empty() || b.empty())
        return a.empty() && b.empty();
    const std::wstring wa = wideText(a);
    const std::wstring wb = wideText(b);
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wa.data(),
                          static_cast<int>(wa.size()), wb.data(),
                          static_cast<int>(wb.size())) == CSTR_EQUAL;
}

} // namespace mendora
