#include "support/MainWindowFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace mendora::test {

MainWindowFixture::MainWindowFixture() {
    writeBytes(folder.file("pidgen.dll"), "x");
    writeBytes(folder.file("npwmsdrm.dll"), "x");
}

MainWindowFixture::~MainWindowFixture() = default;

TMainForm &MainWindowFixture::start() {
    window_.reset();
    window_ = std::make_unique<TMainForm>(executable());
    return *window_;
}

bool waitUntil(const std::function<bool()> &done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

} // namespace mendora::test
