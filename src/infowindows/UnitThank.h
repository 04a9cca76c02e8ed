// The Thank window: the thank text file in a read-only text box.
#pragma once

#include "ui_UnitThank.h"

#include <QDialog>
#include <string>
#include <string_view>
#include <vector>

namespace mendora {

// The lines of a thank text file that are shown, in file order and as UTF-8:
// every line except those that begin with "//". Empty lines, "/" and " //"
// are shown. The bytes are UTF-8 when valid as such, otherwise Windows-1252.
std::vector<std::string> shownThankLines(std::string_view fileBytes);

} // namespace mendora

class TThankForm : public QDialog, public Ui::TThankForm {
    Q_OBJECT
public:
    explicit TThankForm(QWidget *parent = nullptr);

    void Button1Click();

protected:
    // Esc does not close the window: it has no cancel button.
    void keyPressEvent(QKeyEvent *event) override;
};

extern TThankForm *ThankForm;
