// The lean progress bar: O(1) positions, repaints by pixel and by frame.
#include "progressbar/LeanProgressBar.h"
#include "support/MainWindowFixture.h"

#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

using mendora::LeanProgressBar;

namespace {

struct PaintCounter : QObject {
    int count = 0;
    bool eventFilter(QObject *, QEvent *e) override {
        count += e->type() == QEvent::Paint;
        return false;
    }
};

class LeanBar : public testing::Test {
protected:
    void SetUp() override {
        bar.resize(100, 16);
        bar.setMaximum(1000);
        bar.installEventFilter(&paints);
        bar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
        settle();
    }
    // Lets the frame timer run out, so that the next change paints at once.
    void settle() {
        ASSERT_TRUE(mendora::test::waitUntil([&] { return !bar.frameTimerActive(); }));
        paints.count = 0;
    }

    LeanProgressBar bar;
    PaintCounter paints;
};

TEST_F(LeanBar, PositionIsTheLastValueSetWithinTheRange) {
    for (int v = 0; v <= 1000; ++v) {
        bar.setPosition(v);
        ASSERT_EQ(bar.position(), v);
    }
    bar.setPosition(2000);
    EXPECT_EQ(bar.position(), 1000) << "kept within the range";
    bar.setPosition(-5);
    EXPECT_EQ(bar.position(), 0);
    bar.setPosition(700);
    bar.setMaximum(500);
    EXPECT_EQ(bar.position(), 500) << "a smaller maximum pulls the position in";
    bar.setMaximum(-3);
    EXPECT_EQ(bar.maximum(), 0);
    EXPECT_EQ(bar.position(), 0);
}

TEST_F(LeanBar, NoRepaintWithinOnePixel) {
    bar.setPosition(950);
    QCoreApplication::processEvents();
    settle();
    for (int v = 951; v <= 959; ++v)
        bar.setPosition(v); // the filled width stays 95 pixels
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.count, 0);
    EXPECT_FALSE(bar.frameTimerActive()) << "nothing to show, nothing scheduled";
}

TEST_F(LeanBar, FirstChangeIsPaintedAtOnce) {
    bar.setPosition(500);
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.count, 1);
    EXPECT_EQ(bar.shownPixels(), 50);
}

// A run of changes, with pending events served in between as the pass does,
// paints no more often than the screen shows frames, and its last state is
// painted within a frame of the last change.
TEST_F(LeanBar, RepaintsAreCoalescedToTheFrameRate) {
    const int frame = bar.frameInterval();
    ASSERT_GE(frame, 1);
    QElapsedTimer clock;
    clock.start();
    for (int v = 0; v <= 1000; ++v) {
        bar.setPosition(v);
        QCoreApplication::processEvents();
        if (v % 100 == 0)
            QTest::qWait(frame / 4 + 1); // a run that lasts a few frames
    }
    const qint64 elapsed = clock.elapsed();
    EXPECT_GE(paints.count, 1);
    EXPECT_LE(paints.count, elapsed / frame + 2)
        << paints.count << " paints in " << elapsed << " ms at " << frame << " ms a frame";
    EXPECT_LE(paints.count, 100) << "never more than one per pixel";
    ASSERT_TRUE(mendora::test::waitUntil([&] { return bar.shownPixels() == 100; }, 10 * frame));
    ASSERT_TRUE(mendora::test::waitUntil([&] { return !bar.frameTimerActive(); }, 10 * frame))
        << "the frame timer stops when nothing changes";
}

} // namespace
