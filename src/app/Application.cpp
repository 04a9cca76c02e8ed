#include "app/Application.h"

#include "platform/Platform.h"
#include "ui/DialogsQt.h"
#include "ui/ErrorGuard.h"

namespace mendora {

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {
    if (!platform::services().dialogs)
        platform::services().dialogs = makeQtDialogs();
}

bool Application::notify(QObject *receiver, QEvent *event) {
    bool handled = false;
    guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace mendora
