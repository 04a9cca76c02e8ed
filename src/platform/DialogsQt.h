#pragma once

#include <QStringList>
#include <string>

namespace mendora::platform {

// "description|patterns|..." (patterns split by ';') as Qt name filters,
// "description (pattern pattern ...)", one per pair, in order.
QStringList qtNameFilters(const std::string &filter);

} // namespace mendora::platform
