#include "platform/Platform.h"
#include "qttext/QtText.h"

#include <QProcess>
#include <QString>

namespace mendora::platform {

namespace {

class XdgShell : public Shell {
public:
    // xdg-open runs detached, with the target as its only argument: no shell
    // parses it. Whether it succeeds is not reported.
    void open(const std::string &target) override {
        QProcess::startDetached(QStringLiteral("xdg-open"), {qtText(target)});
    }
};

} // namespace

std::unique_ptr<Shell> makeNativeShell() {
    return std::make_unique<XdgShell>();
}

} // namespace mendora::platform
