#include "infowindows/UnitThank.h"

#include "system/Text.h"
#include "ui/ErrorGuard.h"
#include "ui/Forms.h"

#include <QKeyEvent>

namespace mendora {

std::vector<std::string> shownThankLines(std::string_view fileBytes) {
    std::vector<std::string> lines = textLines(textFileToUtf8(fileBytes));
    std::erase_if(lines, [](const std::string &line) { return line.starts_with("//"); });
    return lines;
}

} // namespace mendora

TThankForm *ThankForm = nullptr;

TThankForm::TThankForm(QWidget *parent) : QDialog(parent) {
    setupUi(this);
    mendora::applyPixelFonts(this);
    mendora::setFixedDialogFrame(this, {482, 331});
    // Placed at its designed screen position rather than centred.
    move(192, 107);
    connect(Button1, &QPushButton::clicked, this,
            mendora::guardedSlot(this, &TThankForm::Button1Click));
}

void TThankForm::Button1Click() {
    accept();
}

void TThankForm::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
