// A lowered separator drawn along the bottom edge of its rectangle: a dark
// line with a light one under it.
#pragma once

#include <QFrame>

namespace mendora {

class BottomLine : public QFrame {
public:
    explicit BottomLine(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace mendora
