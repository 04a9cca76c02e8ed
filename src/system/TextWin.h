// Our byte strings and the wide text of the Windows calls (the "...W"
// functions): inside the program text is UTF-8 on every system.
#pragma once

#include <string>
#include <string_view>

namespace mendora {

// UTF-8 as UTF-16. Bytes that are not valid UTF-8 (text written by an older
// Windows program) are taken in the ANSI code page, so none is lost.
std::wstring wideText(std::string_view text);

// UTF-16 from a Windows call as UTF-8.
std::string utf8Text(std::wstring_view text);

} // namespace mendora
