// The application object: it installs the Qt dialogs as the dialog service
// and delivers every event guarded, so that an exception escaping any event
// or signal handler reaches the standard error box.
#pragma once

#include <QApplication>

namespace mendora {

class Application : public QApplication {
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace mendora
