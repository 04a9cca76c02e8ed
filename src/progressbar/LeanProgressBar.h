// A progress bar for tight loops: setting the position is O(1) and asks for a
// repaint only when the filled width in pixels changes, and then no more often
// than the screen shows frames. Drawn by the current style, so it looks like
// the platform's own bar. The range starts at 0.
#pragma once

#include <QBasicTimer>
#include <QWidget>

namespace mendora {

class LeanProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit LeanProgressBar(QWidget *parent = nullptr);

    int maximum() const { return max_; }
    int position() const { return pos_; }

    // A negative maximum counts as 0.
    void setMaximum(int value);
    // The position is kept within the range.
    void setPosition(int value);

    // The filled width of the last paint.
    int shownPixels() const { return paintedPixels_; }
    // True while the bar waits for the next frame before it may repaint.
    bool frameTimerActive() const { return frame_.isActive(); }
    // Milliseconds between two frames of the bar's screen.
    int frameInterval() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    int filledPixels() const;
    void requestRepaint();

    int max_ = 100;
    int pos_ = 0;
    int requestedPixels_ = 0; // the filled width the latest repaint request shows
    int paintedPixels_ = 0;
    bool stale_ = false; // a change waits for the next frame
    QBasicTimer frame_;
};

} // namespace mendora
