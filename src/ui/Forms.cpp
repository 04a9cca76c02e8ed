#include "ui/Forms.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMargins>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScreen>
#include <QVariant>

namespace mendora {

void fitTextControls(QWidget *root) {
    for (QWidget *child : root->findChildren<QWidget *>()) {
        if (!qobject_cast<QLabel *>(child) && !qobject_cast<QRadioButton *>(child) &&
            !qobject_cast<QCheckBox *>(child))
            continue;
        const int needed = child->sizeHint().width();
        if (needed > child->width())
            child->resize(needed, child->height());
    }
}

void setFixedDialogFrame(QWidget *dialog, const QSize &client) {
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    dialog->setFixedSize(client);
}

bool isLeftClick(const QEvent *event, const QWidget *label) {
    if (event->type() != QEvent::MouseButtonRelease)
        return false;
    const auto *mouse = static_cast<const QMouseEvent *>(event);
    return mouse->button() == Qt::LeftButton && label->rect().contains(mouse->position().toPoint());
}

void applyPixelFonts(QWidget *root) {
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *widget : widgets) {
        const QVariant pixels = widget->property("fontPixelSize");
        if (!pixels.isValid())
            continue;
        QFont font = widget->font();
        font.setPixelSize(pixels.toInt());
        widget->setFont(font);
    }
}

namespace {

QMargins frameMargins(const QWidget *window) {
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

} // namespace

void centreWindowOn(QWidget *window, const QRect &area) {
    QMargins margins = frameMargins(window);
    if (margins.isNull()) {
        for (const QWidget *other : QApplication::topLevelWidgets()) {
            if (other != window && other->isVisible() && !frameMargins(other).isNull()) {
                margins = frameMargins(other);
                break;
            }
        }
    }
    const QSize outer = window->size().grownBy(margins);
    window->move(area.left() + (area.width() - outer.width()) / 2,
                 area.top() + (area.height() - outer.height()) / 2);
}

QRect screenAreaFor(const QWidget *window) {
    const QWidget *anchor = window->parentWidget() ? window->parentWidget()->window() : window;
    const QScreen *screen = anchor->screen() ? anchor->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace mendora
