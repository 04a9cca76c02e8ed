// Text comparison in the user's locale.
#pragma once

#include <string_view>

namespace mendora {

// Equality without regard to letter case in the user's default locale.
// ASCII letters fold everywhere; other bytes as the locale's character set says.
bool sameTextIgnoreCase(std::string_view a, std::string_view b);

} // namespace mendora
