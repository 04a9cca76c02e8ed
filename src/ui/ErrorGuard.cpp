#include "ui/ErrorGuard.h"

#include "platform/Platform.h"
#include "qttext/QtText.h"
#include "system/Files.h"

#include <QApplication>
#include <cctype>
#include <exception>

namespace mendora {

std::string applicationTitleFromPath(const std::string &executablePath) {
    std::string name = executablePath.substr(files::fileNameStart(executablePath));
    name = name.substr(0, name.find('.'));
    for (size_t i = 1; i < name.size(); ++i)
        name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    return name;
}

std::string applicationTitle() {
    return applicationTitleFromPath(nativePath(QCoreApplication::applicationFilePath()));
}

std::string withFullStop(std::string message) {
    if (message.empty() || message.back() != '.')
        message += '.';
    return message;
}

void reportCurrentException() {
    std::string message;
    try {
        throw;
    } catch (const std::exception &e) {
        message = e.what();
    } catch (...) {
        message = "Unknown error";
    }
    platform::dialogs().errorBox(QApplication::activeWindow(), applicationTitle(),
                                 withFullStop(message));
}

} // namespace mendora
