// Our byte strings and Qt's text. Inside the program text is UTF-8 on every
// system; paths from Qt ("/" everywhere) are turned into the system's form
// where they enter.
#pragma once

#include <QDir>
#include <QString>

#include <string>
#include <string_view>

namespace mendora {

inline QString qtText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string bytesOf(const QString &text) {
    return text.toUtf8().toStdString();
}

// A path Qt hands out, with the system's separators ("\" on Windows).
inline std::string nativePath(const QString &path) {
    return bytesOf(QDir::toNativeSeparators(path));
}

} // namespace mendora
