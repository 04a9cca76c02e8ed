#include "infowindows/UnitThank.h"

TThankForm *ThankForm = nullptr;

TThankForm::TThankForm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ThankForm"));
    setWindowTitle(QStringLiteral("Thank"));
    setFixedSize(482, 331);
    // Placed at its designed screen position rather than centred.
    move(192, 107);
}
