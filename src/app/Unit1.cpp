#include "Unit1.h"

#include "ErrorReport.h"

TMainForm::TMainForm(QWidget *parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainForm"));
    mendora::guarded([this] { FormCreate(); });
}

void TMainForm::FormCreate() {
    setWindowTitle(QStringLiteral("Corvanta Mendora Pro"));
}
