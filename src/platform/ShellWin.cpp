#include "platform/Platform.h"
#include "system/TextWin.h"

#include <windows.h>

#include <shellapi.h>

namespace mendora::platform {

namespace {

class WinShell : public Shell {
public:
    void open(const std::string &target) override {
        ShellExecuteW(nullptr, nullptr, wideText(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
};

} // namespace

std::unique_ptr<Shell> makeNativeShell() {
    return std::make_unique<WinShell>();
}

} // namespace mendora::platform
