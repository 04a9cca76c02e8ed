// The About window: the product identity beside a photograph, two link
// labels, the Thank button and a build-date note that a hidden gesture reveals.
#pragma once

#include "ui_UnitAbout.h"

#include <QDialog>
#include <string>

class QMouseEvent;

class TAboutForm : public QDialog, public Ui::TAboutForm {
    Q_OBJECT
public:
    // `programFolder` ends with a separator; the thank text file lies there.
    explicit TAboutForm(const std::string &programFolder, QWidget *parent = nullptr);

    void URLClick();
    void EMAILClick();
    void CompanyTopClick();
    void Image1MouseDown(QMouseEvent *event);
    void Image1MouseUp(QMouseEvent *event);
    // Fills the Thank window from the thank text file and shows it modally.
    void ThankButtonClick();
    void Button1Click();

    std::string ThankFile() const { return ProgramFolder + "thank.txt"; }

    // The hidden gesture: idle, armed by a click on the company name, and
    // pressed at the first spot of the picture.
    enum GestureState { GestureIdle = 0, GestureArmed = 1, GesturePressed = 2 };
    GestureState Gesture() const { return Gesture_; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ShowPicture();

    std::string ProgramFolder;
    GestureState Gesture_ = GestureIdle;
    bool PictureTried_ = false;
};

extern TAboutForm *AboutForm;
