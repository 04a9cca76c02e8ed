#include "settings/Unit2.h"

#include "inistore/IniFiles32.h"
#include "platform/Platform.h"
#include "ui/ErrorGuard.h"
#include "ui/Forms.h"
#include "ui/LazyIcon.h"

namespace {

const char *const kSection = "option";

void SetEnabled(std::initializer_list<QWidget *> controls, bool enabled) {
    for (QWidget *control : controls)
        control->setEnabled(enabled);
}

// The selected item of a mode box; -1 when none (or typed text names none).
int ModeIndex(const QComboBox *box) {
    const int index = box->currentIndex();
    if (index >= 0 && box->itemText(index) == box->currentText())
        return index;
    return box->findText(box->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void SetModeIndex(QComboBox *box, int index) {
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

// The three pages differ only in their controls.
struct Page {
    QRadioButton *autoDispose, *custom, *fix, *remove, *ignore;
    QComboBox *mode;
    mendora::ColorSwatch *color; // none on the Music page
    const char *key;             // "video", "music", "image"
};

void Load(const TIniFile32 &ini, const Page &p) {
    const std::string key = p.key;
    if (ini.ReadInteger(kSection, key + "1", 0) == 0)
        p.autoDispose->setChecked(true);
    else
        p.custom->setChecked(true);
    switch (ini.ReadInteger(kSection, key + "2", 0)) {
    case 0:
        p.fix->setChecked(true);
        break;
    case 1:
        p.remove->setChecked(true);
        break;
    case 2:
        p.ignore->setChecked(true);
        break;
    default: // the action selection stays as it was
        break;
    }
    SetModeIndex(p.mode, ini.ReadInteger(kSection, key + "3", 0));
    if (p.color)
        p.color->setColor(ini.ReadInteger(kSection, key + "4", 0));
}

void Save(TIniFile32 &ini, const Page &p) {
    const std::string key = p.key;
    ini.WriteInteger(kSection, key + "1", p.autoDispose->isChecked() ? 0 : 1);
    ini.WriteInteger(kSection, key + "2", p.fix->isChecked() ? 0 : (p.remove->isChecked() ? 1 : 2));
    ini.WriteInteger(kSection, key + "3", ModeIndex(p.mode));
    if (p.color)
        ini.WriteInteger(kSection, key + "4", p.color->color());
}

} // namespace

TForm2 *Form2 = nullptr;

TForm2::TForm2(const std::string &settingsFolder, QWidget *parent) : QDialog(parent) {
    setupUi(this);
    mendora::fitTextControls(this);
    mendora::setFixedDialogFrame(this, {394, 308});
    setWindowIcon(mendora::lazyFileIcon(QStringLiteral(":/icons/big6.png")));

    using mendora::guardedSlot;
    const auto bind = [this](QAbstractButton *button, void (TForm2::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, guardedSlot(this, handler));
    };
    bind(Video1, &TForm2::Video1Click);
    bind(Video2, &TForm2::Video2Click);
    bind(Video3, &TForm2::Video3Click);
    bind(Video4, &TForm2::Video4Click);
    bind(Video5, &TForm2::Video5Click);
    bind(Music1, &TForm2::Music1Click);
    bind(Music2, &TForm2::Music2Click);
    bind(Music3, &TForm2::Music3Click);
    bind(Music4, &TForm2::Music4Click);
    bind(Music5, &TForm2::Music5Click);
    bind(Image1, &TForm2::Image1Click);
    bind(Image2, &TForm2::Image2Click);
    bind(Image3, &TForm2::Image3Click);
    bind(Image4, &TForm2::Image4Click);
    bind(Image5, &TForm2::Image5Click);
    bind(VideoButton, &TForm2::VideoButtonClick);
    bind(ImageButton, &TForm2::ImageButtonClick);
    bind(Button2, &TForm2::Button2Click);
    bind(Button3, &TForm2::Button3Click);

    FormCreate(settingsFolder);
}

void TForm2::FormCreate(const std::string &settingsFolder) {
    SettingsFolder = settingsFolder;
}

int TForm2::Execute() {
    FormShow();
    return exec();
}

void TForm2::showEvent(QShowEvent *event) {
    const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    mendora::centreWindowOn(this, owner && owner->isVisible() ? owner->frameGeometry()
                                                              : mendora::screenAreaFor(this));
    QDialog::showEvent(event);
}

void TForm2::FormShow() {
    LoadOptions();
    PageControl1->setCurrentIndex(0);
}

void TForm2::LoadOptions() {
    const TIniFile32 ini(OptionFile());
    Load(ini, {Video1, Video2, Video3, Video4, Video5, VideoMode, VideoColor, "video"});
    Load(ini, {Music1, Music2, Music3, Music4, Music5, MusicMode, nullptr, "music"});
    Load(ini, {Image1, Image2, Image3, Image4, Image5, ImageMode, ImageColor, "image"});
    // The enabled states follow the selections now shown.
    FollowEnablingRule(Video1, Video3, &TForm2::EnableVideoActions, &TForm2::DisableVideoActions,
                       &TForm2::EnableVideoFixSettings, &TForm2::DisableVideoFixSettings);
    FollowEnablingRule(Music1, Music3, &TForm2::EnableMusicActions, &TForm2::DisableMusicActions,
                       &TForm2::EnableMusicFixSettings, &TForm2::DisableMusicFixSettings);
    FollowEnablingRule(Image1, Image3, &TForm2::EnableImageActions, &TForm2::DisableImageActions,
                       &TForm2::EnableImageFixSettings, &TForm2::DisableImageFixSettings);
}

// Actions only with "Custom"; fix settings only with "Custom" and "Fix".
void TForm2::FollowEnablingRule(const QRadioButton *autoDispose, const QRadioButton *fix,
                                Operation enableActions, Operation disableActions,
                                Operation enableFixSettings, Operation disableFixSettings) {
    if (autoDispose->isChecked()) {
        (this->*disableActions)();
        return;
    }
    (this->*enableActions)();
    (this->*(fix->isChecked() ? enableFixSettings : disableFixSettings))();
}

void TForm2::SaveOptions() {
    TIniFile32 ini(OptionFile());
    Save(ini, {Video1, Video2, Video3, Video4, Video5, VideoMode, VideoColor, "video"});
    Save(ini, {Music1, Music2, Music3, Music4, Music5, MusicMode, nullptr, "music"});
    Save(ini, {Image1, Image2, Image3, Image4, Image5, ImageMode, ImageColor, "image"});
}

void TForm2::EnableVideoActions() {
    SetEnabled({Video3, Video4, Video5}, true);
}
void TForm2::DisableVideoActions() {
    SetEnabled({Video3, Video4, Video5}, false);
    DisableVideoFixSettings();
}
void TForm2::EnableVideoFixSettings() {
    SetEnabled({VideoLabel1, VideoMode, VideoLabel2, VideoColor, VideoButton}, true);
}
void TForm2::DisableVideoFixSettings() {
    SetEnabled({VideoLabel1, VideoMode, VideoLabel2, VideoColor, VideoButton}, false);
}

void TForm2::EnableMusicActions() {
    SetEnabled({Music3, Music4, Music5}, true);
}
void TForm2::DisableMusicActions() {
    SetEnabled({Music3, Music4, Music5}, false);
    DisableMusicFixSettings();
}
void TForm2::EnableMusicFixSettings() {
    SetEnabled({MusicLabel1, MusicMode}, true);
}
void TForm2::DisableMusicFixSettings() {
    SetEnabled({MusicLabel1, MusicMode}, false);
}

void TForm2::EnableImageActions() {
    SetEnabled({Image3, Image4, Image5}, true);
}
void TForm2::DisableImageActions() {
    SetEnabled({Image3, Image4, Image5}, false);
    DisableImageFixSettings();
}
void TForm2::EnableImageFixSettings() {
    SetEnabled({ImageLabel1, ImageMode, ImageLabel2, ImageColor, ImageButton}, true);
}
void TForm2::DisableImageFixSettings() {
    SetEnabled({ImageLabel1, ImageMode, ImageLabel2, ImageColor, ImageButton}, false);
}

void TForm2::Video1Click() {
    DisableVideoActions();
}
void TForm2::Video2Click() {
    EnableVideoActions();
    if (Video3->isChecked())
        EnableVideoFixSettings();
}
void TForm2::Video3Click() {
    EnableVideoFixSettings();
}
void TForm2::Video4Click() {
    DisableVideoFixSettings();
}
void TForm2::Video5Click() {
    DisableVideoFixSettings();
}

void TForm2::Music1Click() {
    DisableMusicActions();
}
void TForm2::Music2Click() {
    EnableMusicActions();
    if (Music3->isChecked())
        EnableMusicFixSettings();
}
void TForm2::Music3Click() {
    EnableMusicFixSettings();
}
void TForm2::Music4Click() {
    DisableMusicFixSettings();
}
void TForm2::Music5Click() {
    DisableMusicFixSettings();
}

void TForm2::Image1Click() {
    DisableImageActions();
}
void TForm2::Image2Click() {
    EnableImageActions();
    if (Image3->isChecked())
        EnableImageFixSettings();
}
void TForm2::Image3Click() {
    EnableImageFixSettings();
}
void TForm2::Image4Click() {
    DisableImageFixSettings();
}
void TForm2::Image5Click() {
    DisableImageFixSettings();
}

void TForm2::VideoButtonClick() {
    if (const auto chosen = mendora::platform::dialogs().pickColor(this, VideoColor->color()))
        VideoColor->setColor(*chosen);
}

void TForm2::ImageButtonClick() {
    if (const auto chosen = mendora::platform::dialogs().pickColor(this, ImageColor->color()))
        ImageColor->setColor(*chosen);
}

void TForm2::Button2Click() {
    SaveOptions();
    accept();
}

void TForm2::Button3Click() {
    reject();
}
