#include "LeanProgressBar.h"

#include <QPainter>
#include <QStyleOptionProgressBar>
#include <algorithm>

TLeanProgressBar::TLeanProgressBar(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TLeanProgressBar::setMinimum(int value) {
    min_ = value;
    max_ = std::max(max_, min_);
    pos_ = std::clamp(pos_, min_, max_);
    refresh();
}

void TLeanProgressBar::setMaximum(int value) {
    max_ = value;
    min_ = std::min(min_, max_);
    pos_ = std::clamp(pos_, min_, max_);
    refresh();
}

void TLeanProgressBar::setPosition(int value) {
    pos_ = value < min_ ? min_ : (value > max_ ? max_ : value);
    if (filledPixels() != shownPixels_)
        refresh();
}

int TLeanProgressBar::filledPixels() const {
    const int64_t span = int64_t(max_) - min_;
    if (span <= 0)
        return 0;
    return static_cast<int>((int64_t(pos_) - min_) * width() / span);
}

void TLeanProgressBar::refresh() {
    shownPixels_ = filledPixels();
    update();
}

QSize TLeanProgressBar::sizeHint() const {
    return {150, 16};
}

void TLeanProgressBar::resizeEvent(QResizeEvent *) {
    shownPixels_ = filledPixels();
}

void TLeanProgressBar::paintEvent(QPaintEvent *) {
    QStyleOptionProgressBar option;
    option.initFrom(this);
    // The style sees a range scaled to the widget's width, so it draws exactly
    // the filled width that decides repainting.
    option.minimum = 0;
    option.maximum = std::max(1, width());
    option.progress = (max_ > min_) ? shownPixels_ : 0;
    option.textVisible = false;
    option.state |= QStyle::State_Horizontal;
    QPainter painter(this);
    style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
}
