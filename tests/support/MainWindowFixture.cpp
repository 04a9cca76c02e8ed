#include "support/MainWindowFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QThread>
#include <stdexcept>
#include <sys/stat.h>

namespace mendora::test {

MainWindowFixture::MainWindowFixture() {
    writeBytes(folder.file("pidgen.dll"), "x");
    writeBytes(folder.file("npwmsdrm.dll"), "x");
    writeFacePictures(folder.path() + "/");
}

MainWindowFixture::~MainWindowFixture() = default;

TMainForm &MainWindowFixture::start() {
    windows_.reset();
    windows_ = std::make_unique<ProgramWindows>(executable());
    return windows_->main;
}

void writeFacePictures(const std::string &programFolder) {
    const std::string faces = programFolder + "SystemIco";
    mkdir(faces.c_str(), 0755);
    for (int n = 0; n < 35; ++n) {
        QImage image(33, 33, QImage::Format_ARGB32);
        image.fill(QColor(n * 7, 7, 200));
        const QString path = QString::fromStdString(faces + "/" + std::to_string(n) + ".ico");
        if (!image.save(path, "ICO"))
            throw std::runtime_error("cannot write " + path.toStdString());
    }
}

int faceNumber(const QPixmap &pixmap) {
    if (pixmap.isNull())
        return -1;
    const QColor c = pixmap.toImage().pixelColor(16, 16);
    if (c.green() != 7 || c.blue() != 200 || c.red() % 7 != 0)
        return -1;
    return c.red() / 7;
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
