// A progress bar for tight loops: setting the position is O(1) and repaints
// only when the filled width in pixels changes. Drawn by the current style,
// so it looks like the platform's own bar.
#pragma once

#include <QWidget>
#include <cstdint>

class TLeanProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit TLeanProgressBar(QWidget *parent = nullptr);

    int minimum() const { return min_; }
    int maximum() const { return max_; }
    int position() const { return pos_; }

    void setMinimum(int value);
    void setMaximum(int value);
    // The position is kept within the range.
    void setPosition(int value);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int filledPixels() const;
    void refresh();

    int min_ = 0;
    int max_ = 100;
    int pos_ = 0;
    int shownPixels_ = 0;
};
