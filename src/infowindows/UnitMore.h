// The More Software window: ten tabs of local catalogue pages.
#pragma once

#include "ui_UnitMore.h"

#include <QDialog>
#include <array>

class TMoreForm : public QDialog, public Ui::TMoreForm {
    Q_OBJECT
public:
    explicit TMoreForm(QWidget *parent = nullptr);

    // The ten views in tab order, and the page file each one shows.
    std::array<mendora::WebView *, 10> WebViews() const;
    static const std::array<const char *, 10> PageFiles;

    void Button1Click();
    void Close2Click();

protected:
    void showEvent(QShowEvent *event) override;
};

extern TMoreForm *MoreForm;
