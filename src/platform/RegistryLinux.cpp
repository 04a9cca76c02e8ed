#include "platform/Platform.h"

#include "settings/IniFiles32.h"
#include "system/Errors.h"

#include <cstdlib>
#include <sys/stat.h>

namespace mendora::platform {

namespace {

// Stand-in for the machine registry: one INI file in the user's configuration
// folder, one section per key path.
class IniRegistry : public Registry {
public:
    bool writeString(const std::string &keyPath, const std::string &valueName,
                     const std::string &data) override {
        const std::string folder = configFolder() + "/Corvanta";
        if (!makeFolders(folder))
            return false;
        try {
            TIniFile32 store(folder + "/registry.ini");
            store.WriteString(keyPath, valueName, data);
            return true;
        } catch (const Error &) {
            return false;
        }
    }

private:
    static std::string configFolder() {
        if (const char *xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
            return xdg;
        const char *home = std::getenv("HOME");
        return std::string(home ? home : "") + "/.config";
    }

    static bool makeFolders(const std::string &folder) {
        for (size_t pos = 1; pos <= folder.size(); ++pos) {
            if (pos == folder.size() || folder[pos] == '/') {
                const std::string part = folder.substr(0, pos);
                struct stat st {};
                if (::stat(part.c_str(), &st) != 0 && ::mkdir(part.c_str(), 0777) != 0)
                    return false;
            }
        }
        return true;
    }
};

} // namespace

std::unique_ptr<Registry> makeNativeRegistry() {
    return std::make_unique<IniRegistry>();
}

} // namespace mendora::platform
