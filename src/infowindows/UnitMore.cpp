#include "infowindows/UnitMore.h"

TMoreForm *MoreForm = nullptr;

TMoreForm::TMoreForm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("MoreForm"));
    setWindowTitle(QStringLiteral("More Software"));
    setFixedSize(657, 446);
}
