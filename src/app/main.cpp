#include "app/Application.h"
#include "app/Unit1.h"
#include "app/UnitBasic.h"
#include "infowindows/UnitAbout.h"
#include "infowindows/UnitMore.h"
#include "infowindows/UnitThank.h"
#include "settings/Unit2.h"

#include <QFile>
#include <QIcon>

int main(int argc, char **argv) {
    mendora::Application app(argc, argv);
    mendora::installFonts();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/app.png")));

    // The five windows, in their fixed order; they live until the program ends.
    TMainForm mainForm(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString());
    TAboutForm aboutForm(&mainForm);
    AboutForm = &aboutForm;
    TMoreForm moreForm(&mainForm);
    MoreForm = &moreForm;
    TForm2 form2(mendora::programFolder, &mainForm);
    Form2 = &form2;
    TThankForm thankForm(&mainForm);
    ThankForm = &thankForm;

    mainForm.show();
    return app.exec();
}
