#include "infowindows/BottomLine.h"

#include <QPainter>

namespace mendora {

BottomLine::BottomLine(QWidget *parent) : QFrame(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BottomLine::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    const int bottom = height() - 1;
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(0, bottom - 1, width() - 1, bottom - 1);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(0, bottom, width() - 1, bottom);
}

} // namespace mendora
