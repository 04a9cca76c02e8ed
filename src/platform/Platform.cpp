#include "platform/Platform.h"

namespace mendora::platform {

Services nativeServices() {
    Services s;
    s.shell = makeNativeShell();
    s.windows = makeNativeWindowFinder();
    s.registry = makeNativeRegistry();
    return s;
}

Services &services() {
    static Services current = nativeServices();
    return current;
}

} // namespace mendora::platform

void ShellOpen(const std::string &target) {
    mendora::platform::shell().open(target);
}
