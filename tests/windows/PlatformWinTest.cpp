// The Windows services: the machine registry and the window finder. Wine's
// null graphics driver gives real windows without a display.
#include "platform/Platform.h"

#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace {

std::wstring readValue(const wchar_t *key, const wchar_t *name) {
    wchar_t buffer[512] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS)
        return L"(none)";
    return buffer;
}

TEST(WindowsRegistry, WritesTheValueUnderTheMachineKey) {
    auto registry = mendora::platform::makeNativeRegistry();
    EXPECT_TRUE(registry->writeString("\\Software\\Corvanta\\Mendora", "FilePath",
                                      "C:\\Program Files\\Mendora\\Mendora.exe"));
    EXPECT_EQ(readValue(L"Software\\Corvanta\\Mendora", L"FilePath"),
              L"C:\\Program Files\\Mendora\\Mendora.exe");
    // A later run writes over it; names outside the ANSI code page stay whole.
    EXPECT_TRUE(registry->writeString("\\Software\\Corvanta\\Mendora", "FilePath",
                                      "D:\\\xE5\xB7\xA5\xE5\x85\xB7\\Mendora.exe")); // 工具
    EXPECT_EQ(readValue(L"Software\\Corvanta\\Mendora", L"FilePath"),
              L"D:\\\x5DE5\x5177\\Mendora.exe");
}

TEST(WindowsRegistry, KeyThatCannotBeCreatedIsReported) {
    auto registry = mendora::platform::makeNativeRegistry();
    // A key name longer than the registry allows.
    const std::string tooLong = "\\Software\\Corvanta\\" + std::string(300, 'k');
    EXPECT_FALSE(registry->writeString(tooLong, "FilePath", "C:\\Mendora.exe"));
}

struct TestWindow {
    HWND handle = nullptr;
    int closeRequests = 0;
};

LRESULT CALLBACK testWindowProc(HWND h, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_CLOSE) {
        auto *window = reinterpret_cast<TestWindow *>(GetWindowLongPtrW(h, GWLP_USERDATA));
        ++window->closeRequests;
        DestroyWindow(h);
        return 0;
    }
    return DefWindowProcW(h, message, w, l);
}

TEST(WindowsWindowFinder, FindsAndClosesAWindowByItsTitle) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = testWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MendoraTestWindow";
    ASSERT_TRUE(RegisterClassW(&windowClass));
    TestWindow window;
    const wchar_t *title = L"lame \x97F3\x697D"; // "lame 音楽"
    window.handle = CreateWindowExW(0, L"MendoraTestWindow", title, WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                    100, nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_TRUE(window.handle);
    SetWindowLongPtrW(window.handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&window));

    auto finder = mendora::platform::makeNativeWindowFinder();
    EXPECT_FALSE(finder->findByTitle("lame"));
    EXPECT_FALSE(finder->findByTitle("no such window"));
    const auto found = finder->findByTitle("lame \xE9\x9F\xB3\xE6\xA5\xBD");
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, reinterpret_cast<mendora::platform::WindowHandle>(window.handle));
    finder->requestClose(*found);
    EXPECT_EQ(window.closeRequests, 1) << "delivered before requestClose returns";
    EXPECT_FALSE(finder->findByTitle("lame \xE9\x9F\xB3\xE6\xA5\xBD"));
    UnregisterClassW(L"MendoraTestWindow", windowClass.hInstance);
}

} // namespace
