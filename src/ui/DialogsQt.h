// The common dialogs and message boxes of the platform's Dialogs service,
// made with Qt's own dialogs (the same on every operating system).
#pragma once

#include "platform/Platform.h"

#include <QStringList>
#include <memory>
#include <string>

namespace mendora {

std::unique_ptr<platform::Dialogs> makeQtDialogs();

// "description|patterns|..." (patterns split by ';') as Qt name filters,
// "description (pattern pattern ...)", one per pair, in order.
QStringList qtNameFilters(const std::string &filter);

} // namespace mendora
