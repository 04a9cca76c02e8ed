#include "system/Text.h"

#include <windows.h>

namespace mendora {

bool sameTextIgnoreCase(std::string_view a, std::string_view b) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                          static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

} // namespace mendora
