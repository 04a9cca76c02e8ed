// The one path by which errors reach the user: whatever escapes a command,
// timer, creation or show handler is shown in the standard error box and the
// program runs on.
#pragma once

#include <string>

namespace mendora {

// The application's title from the executable's path: the file name up to
// its first full stop, every letter after the first in lower case.
std::string applicationTitleFromPath(const std::string &executablePath);
// The title of the running program.
std::string applicationTitle();

// The message with a full stop added unless it already ends in one.
std::string withFullStop(std::string message);

// Shows the exception being handled (call inside a catch block) in the
// standard error box: error icon, OK, the application's title as caption.
void reportCurrentException();

// Runs a handler; an exception escaping it is reported and the rest of the
// handler is skipped.
template <class Handler> void guarded(Handler &&handler) {
    try {
        handler();
    } catch (...) {
        reportCurrentException();
    }
}

// A slot that runs `object->*handler()` guarded.
template <class Object> auto guardedSlot(Object *object, void (Object::*handler)()) {
    return [object, handler] { guarded([&] { (object->*handler)(); }); };
}

} // namespace mendora
