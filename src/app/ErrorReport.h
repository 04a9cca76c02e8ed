// The application object: every event is delivered guarded, so an exception
// that escapes any event or signal handler reaches the standard error box.
#pragma once

#include "ErrorGuard.h"

#include <QApplication>

namespace mendora {

class Application : public QApplication {
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace mendora
