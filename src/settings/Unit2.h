// The Preferences dialog: per media kind, what happens when an error is
// found. The choices are kept in "option.ini" in the program folder.
#pragma once

#include "ui_Unit2.h"

#include <QDialog>
#include <initializer_list>
#include <string>

class TForm2 : public QDialog, public Ui::TForm2 {
    Q_OBJECT
public:
    explicit TForm2(const std::string &settingsFolder, QWidget *parent = nullptr);

    // Shows the dialog modally with the stored choices, on the "Video" page.
    // A file that cannot be read is thrown before the dialog opens.
    int Execute();

    std::string OptionFile() const { return SettingsFolder + "option.ini"; }

    void LoadOptions();
    void SaveOptions();

    void EnableVideoActions();
    void DisableVideoActions();
    void EnableVideoFixSettings();
    void DisableVideoFixSettings();
    void EnableMusicActions();
    void DisableMusicActions();
    void EnableMusicFixSettings();
    void DisableMusicFixSettings();
    void EnableImageActions();
    void DisableImageActions();
    void EnableImageFixSettings();
    void DisableImageFixSettings();

    void Video1Click();
    void Video2Click();
    void Video3Click();
    void Video4Click();
    void Video5Click();
    void Music1Click();
    void Music2Click();
    void Music3Click();
    void Music4Click();
    void Music5Click();
    void Image1Click();
    void Image2Click();
    void Image3Click();
    void Image4Click();
    void Image5Click();

    void VideoButtonClick();
    void ImageButtonClick();
    // "OK": stores the choices and closes. A failed write leaves it open.
    void Button2Click();
    void Button3Click();

protected:
    // Centred over the main window, frames included.
    void showEvent(QShowEvent *event) override;

private:
    using Operation = void (TForm2::*)();
    void FormCreate(const std::string &settingsFolder);
    void FollowEnablingRule(const QRadioButton *autoDispose, const QRadioButton *fix,
                            Operation enableActions, Operation disableActions,
                            Operation enableFixSettings, Operation disableFixSettings);
    void FormShow();

    std::string SettingsFolder;
};

extern TForm2 *Form2;
