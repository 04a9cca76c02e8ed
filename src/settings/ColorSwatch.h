// A rectangle filled with a colour, with a thin black outline. The colour is
// a 0x00BBGGRR value kept exactly as given; it is shown by its low three bytes.
#pragma once

#include <QWidget>
#include <cstdint>

namespace mendora {

class ColorSwatch : public QWidget {
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget *parent = nullptr);

    std::int32_t color() const { return color_; }
    void setColor(std::int32_t value);
    // The colour as shown.
    QColor shownColor() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::int32_t color_ = 0;
};

} // namespace mendora
