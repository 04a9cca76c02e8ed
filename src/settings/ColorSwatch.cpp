#include "settings/ColorSwatch.h"

#include "ui/Colors.h"

#include <QPainter>

namespace mendora {

ColorSwatch::ColorSwatch(QWidget *parent) : QWidget(parent) {}

void ColorSwatch::setColor(std::int32_t value) {
    color_ = value;
    update();
}

QColor ColorSwatch::shownColor() const {
    return colorFromBgr(color_);
}

void ColorSwatch::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(shownColor());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace mendora
