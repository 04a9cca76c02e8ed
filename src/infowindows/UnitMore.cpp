#include "infowindows/UnitMore.h"

#include "infowindows/UnitAbout.h"
#include "ui/ErrorGuard.h"
#include "ui/Forms.h"

TMoreForm *MoreForm = nullptr;

const std::array<const char *, 10> TMoreForm::PageFiles = {
    "Tessaline.htm",    "Corvanta.htm", "Audio.htm",      "Internet.htm",  "Game.htm",
    "WebDeveloper.htm", "Business.htm", "Multimedia.htm", "Utilities.htm", "Desktop.htm"};

TMoreForm::TMoreForm(QWidget *parent) : QDialog(parent) {
    setupUi(this);
    mendora::applyPixelFonts(this);
    mendora::setFixedDialogFrame(this, {657, 446});
    connect(Button1, &QPushButton::clicked, this,
            mendora::guardedSlot(this, &TMoreForm::Button1Click));
    connect(Close2, &QPushButton::clicked, this,
            mendora::guardedSlot(this, &TMoreForm::Close2Click));
}

std::array<mendora::WebView *, 10> TMoreForm::WebViews() const {
    return {WebTessaline,    WebCorvanta, WebAudio,      WebInternet,  WebGame,
            WebWebDeveloper, WebBusiness, WebMultimedia, WebUtilities, WebDesktop};
}

void TMoreForm::showEvent(QShowEvent *event) {
    mendora::centreWindowOn(this, mendora::screenAreaFor(this));
    QDialog::showEvent(event);
}

void TMoreForm::Button1Click() {
    if (AboutForm)
        AboutForm->exec();
}

void TMoreForm::Close2Click() {
    accept();
}
