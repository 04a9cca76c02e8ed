#include "platform/Platform.h"
#include "system/TextWin.h"

#include <windows.h>

namespace mendora::platform {

namespace {

class WinWindowFinder : public WindowFinder {
public:
    std::optional<WindowHandle> findByTitle(const std::string &title) override {
        if (HWND h = FindWindowW(nullptr, wideText(title).c_str()))
            return reinterpret_cast<WindowHandle>(h);
        return std::nullopt;
    }
    void requestClose(WindowHandle window) override {
        SendMessageW(reinterpret_cast<HWND>(window), WM_CLOSE, 0, 0);
    }
};

} // namespace

std::unique_ptr<WindowFinder> makeNativeWindowFinder() {
    return std::make_unique<WinWindowFinder>();
}

} // namespace mendora::platform
