#include "progressbar/LeanProgressBar.h"

#include <QPainter>
#include <QScreen>
#include <QStyleOptionProgressBar>
#include <QTimerEvent>
#include <algorithm>
#include <cstdint>

namespace mendora {

LeanProgressBar::LeanProgressBar(QWidget *parent) : QWidget(parent) {}

void LeanProgressBar::setMaximum(int value) {
    max_ = std::max(value, 0);
    pos_ = std::min(pos_, max_);
    requestRepaint();
}

void LeanProgressBar::setPosition(int value) {
    pos_ = value < 0 ? 0 : (value > max_ ? max_ : value);
    if (filledPixels() != requestedPixels_)
        requestRepaint();
}

int LeanProgressBar::filledPixels() const {
    if (max_ <= 0)
        return 0;
    return static_cast<int>(std::int64_t(pos_) * width() / max_);
}

int LeanProgressBar::frameInterval() const {
    const QScreen *shown = screen();
    const qreal rate = shown ? shown->refreshRate() : 0;
    return rate >= 1 ? std::max(1, static_cast<int>(1000 / rate)) : 16;
}

// The first change after a quiet frame is shown at once; later ones wait for
// the frame timer, which stops after a frame without changes.
void LeanProgressBar::requestRepaint() {
    requestedPixels_ = filledPixels();
    if (frame_.isActive()) {
        stale_ = true;
        return;
    }
    update();
    frame_.start(frameInterval(), Qt::PreciseTimer, this);
}

void LeanProgressBar::timerEvent(QTimerEvent *event) {
    if (event->timerId() != frame_.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    if (stale_) {
        stale_ = false;
        update();
    } else {
        frame_.stop();
    }
}

QSize LeanProgressBar::sizeHint() const {
    return {150, 16};
}

void LeanProgressBar::resizeEvent(QResizeEvent *) {
    requestedPixels_ = filledPixels();
}

void LeanProgressBar::paintEvent(QPaintEvent *) {
    paintedPixels_ = filledPixels();
    QStyleOptionProgressBar option;
    option.initFrom(this);
    // The style sees a range scaled to the widget's width, so it draws exactly
    // the filled width that decides repainting.
    option.minimum = 0;
    option.maximum = std::max(1, width());
    option.progress = paintedPixels_;
    option.textVisible = false;
    option.state |= QStyle::State_Horizontal;
    QPainter painter(this);
    style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
}

} // namespace mendora
