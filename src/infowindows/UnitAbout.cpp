#include "infowindows/UnitAbout.h"

TAboutForm *AboutForm = nullptr;

TAboutForm::TAboutForm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(594, 377);
}
