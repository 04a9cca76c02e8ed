#include "platform/Platform.h"
#include "system/TextWin.h"

#include <windows.h>

namespace mendora::platform {

namespace {

class WinRegistry : public Registry {
public:
    bool writeString(const std::string &keyPath, const std::string &valueName,
                     const std::string &data) override {
        // A leading separator means the path starts at the hive's root.
        const std::string path =
            (!keyPath.empty() && keyPath.front() == '\\') ? keyPath.substr(1) : keyPath;
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, wideText(path).c_str(), 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return false;
        const std::wstring value = wideText(data);
        const LONG result =
            RegSetValueExW(key, wideText(valueName).c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE *>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
        return result == ERROR_SUCCESS;
    }
};

} // namespace

std::unique_ptr<Registry> makeNativeRegistry() {
    return std::make_unique<WinRegistry>();
}

} // namespace mendora::platform
