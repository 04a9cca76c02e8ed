#include "app/Application.h"
#include "app/ProgramWindows.h"
#include "app/UnitBasic.h"
#include "platform/QtText.h"

#include <QIcon>

int main(int argc, char **argv) {
    mendora::Application app(argc, argv);
    mendora::installFonts();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/app.png")));

    // The windows live until the program ends.
    mendora::ProgramWindows windows(mendora::nativePath(QCoreApplication::applicationFilePath()));
    windows.main.show();
    return app.exec();
}
