#include "infowindows/UnitAbout.h"

#include "infowindows/JpegDecoder.h"
#include "infowindows/UnitThank.h"
#include "platform/Platform.h"
#include "qttext/QtText.h"
#include "system/Errors.h"
#include "system/FileErrors.h"
#include "system/Files.h"
#include "ui/ErrorGuard.h"
#include "ui/Forms.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <algorithm>

// The photograph is compiled into this library (resources/about.qrc).
static void initAboutResources() {
    Q_INIT_RESOURCE(about);
}

namespace {

using mendora::guarded;

// The hidden gesture, in the picture's own coordinates: press strictly inside
// the first spot with Ctrl and Shift held, release inside the second spot, a
// little lower, with Ctrl and Alt held.
const QRect kGesturePressSpot(0, 170, 12, 12);
const QRect kGestureReleaseSpot(0, 190, 12, 12);
constexpr Qt::KeyboardModifiers kGesturePressKeys = Qt::ControlModifier | Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kGestureReleaseKeys = Qt::ControlModifier | Qt::AltModifier;

bool held(Qt::KeyboardModifiers pressed, Qt::KeyboardModifiers pair) {
    return (pressed & pair) == pair;
}

} // namespace

TAboutForm *AboutForm = nullptr;

TAboutForm::TAboutForm(const std::string &programFolder, QWidget *parent)
    : QDialog(parent), ProgramFolder(programFolder) {
    initAboutResources();
    setupUi(this);
    mendora::applyPixelFonts(this);
    mendora::setFixedDialogFrame(this, {594, 377});
    // The frame only draws; presses go through to the picture under it.
    Bevel1->setAttribute(Qt::WA_TransparentForMouseEvents);
    for (QWidget *watched : {static_cast<QWidget *>(URL), static_cast<QWidget *>(EMAIL),
                             static_cast<QWidget *>(Company), static_cast<QWidget *>(Image1)})
        watched->installEventFilter(this);
    connect(ThankButton, &QPushButton::clicked, this,
            mendora::guardedSlot(this, &TAboutForm::ThankButtonClick));
    connect(Button1, &QPushButton::clicked, this,
            mendora::guardedSlot(this, &TAboutForm::Button1Click));
}

void TAboutForm::showEvent(QShowEvent *event) {
    // The labels fit their texts when they are first seen, so that their
    // fonts are not loaded at start-up.
    for (QLabel *label : findChildren<QLabel *>())
        if (label != Image1 && label != FaceIco)
            label->adjustSize();
    mendora::centreWindowOn(this, mendora::screenAreaFor(this));
    QDialog::showEvent(event);
    Button1->setFocus();
    if (!PictureTried_) {
        PictureTried_ = true;
        guarded([this] { ShowPicture(); });
    }
}

// Decoded at the first showing, not at start-up; a damaged picture leaves
// the frame empty.
void TAboutForm::ShowPicture() {
    // On a screen of more than single density, the picture drawn at twice the size.
    const bool doubled = std::max(Image1->devicePixelRatioF(), qApp->devicePixelRatio()) > 1;
    QFile file(doubled ? QStringLiteral(":/about/About@2x.jpg")
                       : QStringLiteral(":/about/About.jpg"));
    if (!file.open(QIODevice::ReadOnly))
        throw mendora::Error("The picture of the About window is missing");
    const QByteArray bytes = file.readAll();
    QImage image = mendora::decodeJpeg(std::string_view(bytes.constData(), bytes.size()));
    if (doubled && !image.isNull())
        image.setDevicePixelRatio(2);
    Image1->setPixmap(QPixmap::fromImage(image));
    Image1->resize(image.deviceIndependentSize().toSize());
}

bool TAboutForm::eventFilter(QObject *watched, QEvent *event) {
    if (watched == URL && mendora::isLeftClick(event, URL)) {
        guarded([this] { URLClick(); });
    } else if (watched == EMAIL && mendora::isLeftClick(event, EMAIL)) {
        guarded([this] { EMAILClick(); });
    } else if (watched == Company && mendora::isLeftClick(event, Company)) {
        guarded([this] { CompanyTopClick(); });
    } else if (watched == Image1 && event->type() == QEvent::MouseButtonPress) {
        guarded([&] { Image1MouseDown(static_cast<QMouseEvent *>(event)); });
    } else if (watched == Image1 && event->type() == QEvent::MouseButtonRelease) {
        guarded([&] { Image1MouseUp(static_cast<QMouseEvent *>(event)); });
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutForm::URLClick() {
    ShellOpen(mendora::bytesOf(URL->text()));
}

void TAboutForm::EMAILClick() {
    ShellOpen("mailto:" + mendora::bytesOf(EMAIL->text()));
}

void TAboutForm::CompanyTopClick() {
    Gesture_ = GestureArmed;
}

void TAboutForm::Image1MouseDown(QMouseEvent *event) {
    const bool atSpot = kGesturePressSpot.contains(event->position().toPoint(), true);
    Gesture_ = Gesture_ == GestureArmed && atSpot && held(event->modifiers(), kGesturePressKeys)
                   ? GesturePressed
                   : GestureIdle;
}

void TAboutForm::Image1MouseUp(QMouseEvent *event) {
    if (Gesture_ == GesturePressed && kGestureReleaseSpot.contains(event->position().toPoint()) &&
        held(event->modifiers(), kGestureReleaseKeys)) {
        Memo1->setVisible(true);
        return;
    }
    Gesture_ = GestureIdle;
}

void TAboutForm::ThankButtonClick() {
    if (!ThankForm)
        return;
    ThankForm->Memo1->clear();
    const std::string path = ThankFile();
    std::string bytes;
    if (const int error = mendora::files::readWholeFile(path, bytes))
        throw mendora::IoError(mendora::ioCodeFromSystemError(error, path));
    QStringList lines;
    for (const std::string &line : mendora::shownThankLines(bytes))
        lines << QString::fromStdString(line);
    ThankForm->Memo1->setPlainText(lines.join(u'\n'));
    ThankForm->exec();
}

void TAboutForm::Button1Click() {
    accept();
}
