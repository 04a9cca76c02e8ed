#include "app/Application.h"
#include "app/ProgramWindows.h"
#include "app/UnitBasic.h"
#include "qttext/QtText.h"
#include "ui/ErrorGuard.h"

#include <QIcon>
#include <QTimer>

int main(int argc, char **argv) {
    mendora::Application app(argc, argv);
    mendora::installFonts();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/app.png")));
    // The menu entry of an installation, so that desktops match the window to it.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.corvanta.Mendora"));

    // The windows live until the program ends.
    mendora::ProgramWindows windows(mendora::nativePath(QCoreApplication::applicationFilePath()));
    windows.main.show();

    // Files and folders named on the command line ("Open with"), once the
    // window is up. Qt has taken out the options it handles.
    const std::vector<std::string> paths = mendora::commandLinePaths(QCoreApplication::arguments());
    if (!paths.empty())
        QTimer::singleShot(0, &windows.main, [&windows, paths] {
            mendora::guarded([&] { windows.main.AddPaths(paths); });
        });
    return app.exec();
}
