#include "platform/Platform.h"

#include <windows.h>

#include <shellapi.h>

namespace mendora::platform {

namespace {

class WinShell : public Shell {
public:
    void open(const std::string &target) override {
        ShellExecuteA(nullptr, nullptr, target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
};

} // namespace

std::unique_ptr<Shell> makeNativeShell() {
    return std::make_unique<WinShell>();
}

} // namespace mendora::platform
