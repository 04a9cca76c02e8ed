#include "platform/Platform.h"

#include "inistore/IniFiles32.h"
#include "system/Errors.h"
#include "system/Files.h"

namespace mendora::platform {

namespace {

// Stand-in for the machine registry: one INI file in the user's configuration
// folder, one section per key path.
class IniRegistry : public Registry {
public:
    bool writeString(const std::string &keyPath, const std::string &valueName,
                     const std::string &data) override {
        const std::string folder = files::userConfigFolder() + "/Corvanta";
        if (!files::makeFolders(folder))
            return false;
        try {
            TIniFile32 store(folder + "/registry.ini");
            store.WriteString(keyPath, valueName, data);
            return true;
        } catch (const Error &) {
            return false;
        }
    }
};

} // namespace

std::unique_ptr<Registry> makeNativeRegistry() {
    return std::make_unique<IniRegistry>();
}

} // namespace mendora::platform
