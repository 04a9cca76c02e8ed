// The More Software window.
#pragma once

#include <QDialog>

class TMoreForm : public QDialog {
    Q_OBJECT
public:
    explicit TMoreForm(QWidget *parent = nullptr);
};

extern TMoreForm *MoreForm;
