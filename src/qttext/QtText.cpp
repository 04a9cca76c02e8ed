#include "qttext/QtText.h"

#include <QDir>

namespace mendora {

QString qtText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string bytesOf(const QString &text) {
    return text.toUtf8().toStdString();
}

std::string nativePath(const QString &path) {
    return bytesOf(QDir::toNativeSeparators(path));
}

} // namespace mendora
