// Icons that read their picture file only when first drawn or measured, so
// that start-up reads no picture the first frame does not show.
#pragma once

#include <QIcon>
#include <QString>

namespace mendora {

QIcon lazyFileIcon(const QString &path);

} // namespace mendora
