#include "platform/Platform.h"

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
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr);
        const LONG result = RegSetValueExA(key, valueName.c_str(), 0, REG_SZ,
                                           reinterpret_cast<const BYTE *>(data.c_str()),
                                           static_cast<DWORD>(data.size() + 1));
        if (key)
            RegCloseKey(key);
        return result == ERROR_SUCCESS;
    }
};

} // namespace

std::unique_ptr<Registry> makeNativeRegistry() {
    return std::make_unique<WinRegistry>();
}

} // namespace mendora::platform
