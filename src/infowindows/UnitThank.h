// The Thank window.
#pragma once

#include <QDialog>

class TThankForm : public QDialog {
    Q_OBJECT
public:
    explicit TThankForm(QWidget *parent = nullptr);
};

extern TThankForm *ThankForm;
