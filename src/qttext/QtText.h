// Our byte strings and Qt's text. Inside the program text is UTF-8 on every
// system; paths from Qt ("/" everywhere) are turned into the system's form
// where they enter.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace mendora {

QString qtText(std::string_view text);

std::string bytesOf(const QString &text);

// A path Qt hands out, with the system's separators ("\" on Windows).
std::string nativePath(const QString &path);

} // namespace mendora
