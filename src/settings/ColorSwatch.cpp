#include "ColorSwatch.h"

#include <QPainter>

TColorSwatch::TColorSwatch(QWidget *parent) : QWidget(parent) {}

void TColorSwatch::setColor(std::int32_t value) {
    color_ = value;
    update();
}

QColor TColorSwatch::shownColor() const {
    const auto v = static_cast<std::uint32_t>(color_);
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

void TColorSwatch::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(shownColor());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
