// The pass as the main window runs it: its commands, the panel and its bars,
// the Stop button, the ticker, the error box, and the real checker's marks.
// Most files here are zeros: not media, so their rows are marked not checked.
#include "fixpass/FixPass.h"
#include "medialist/MediaList.h"
#include "progressbar/LeanProgressBar.h"
#include "support/MainWindowFixture.h"
#include "support/PassProbe.h"

#include <QHeaderView>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace mendora;
using namespace mendora::test;

namespace {

struct Snapshot {
    int bar1, bar1Max, bar2, bar2Max;
    std::string file;
    bool panelVisible, ticking;
};

class PassWindow : public MainWindowFixture, public testing::Test {
protected:
    void SetUp() override {
        start();
        window().show();
    }

    std::string makeFile(const std::string &name, std::int64_t size) {
        return makeSparseFile(folder.file(name), size);
    }
    void list(const std::vector<std::string> &paths) {
        fakes.dialogs.fileAnswers.push_back(paths);
        window().AddFile1->trigger();
    }
    std::vector<int> pictures() {
        std::vector<int> out;
        for (int r = 0; r < window().MediaList().rowCount(); ++r)
            out.push_back(window().MediaList().picture(r));
        return out;
    }

    // Runs the pass through `command` (Fix by default), calling `onStep` in
    // every message processing with what the window shows then.
    void runPass(const std::function<void(int, const Snapshot &)> &onStep = {},
                 QAction *command = nullptr) {
        const PassProbe probe([&](int n) {
            TMainForm &w = window();
            const Snapshot shot{w.ProgressBar1->position(),
                                w.ProgressBar1->maximum(),
                                w.ProgressBar2->position(),
                                w.ProgressBar2->maximum(),
                                w.FilenameLabel->text().toStdString(),
                                w.Panel1->isVisible(),
                                w.Timer2->isActive()};
            snapshots.push_back(shot);
            if (onStep)
                onStep(n, shot);
        });
        (command ? command : window().menuFix)->trigger();
    }

    std::vector<Snapshot> snapshots;
};

TEST_F(PassWindow, PanelBarsAndTickerDuringThePass) {
    TMainForm &w = window();
    w.FilenameLabel->setText("old");
    int shows = 0, hides = 0;
    struct Counter : QObject {
        int &shows, &hides;
        Counter(int &s, int &h) : shows(s), hides(h) {}
        bool eventFilter(QObject *, QEvent *e) override {
            shows += e->type() == QEvent::Show;
            hides += e->type() == QEvent::Hide;
            return false;
        }
    } counter(shows, hides);
    w.Panel1->installEventFilter(&counter);
    const std::string a = makeFile("a", 100), b = makeFile("b", 50);
    list({a, b});
    runPass();
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(hides, 1);
    ASSERT_EQ(snapshots.size(), 9u);
    const Snapshot &first = snapshots.front();
    EXPECT_EQ(first.file, a);
    EXPECT_EQ(first.bar1Max, 100);
    EXPECT_EQ(first.bar2Max, 150);
    EXPECT_EQ(snapshots.back().file, b);
    EXPECT_EQ(snapshots.back().bar2, 130); // set by the step before the last processing
    EXPECT_TRUE(std::all_of(snapshots.begin(), snapshots.end(), [](const Snapshot &s) {
        return s.panelVisible && s.ticking;
    })) << "the panel and its ticker run during the pass";
    EXPECT_FALSE(w.Panel1->isVisible());
    EXPECT_FALSE(w.Timer2->isActive()) << "the ticker pauses when the panel is hidden";
    EXPECT_EQ(w.ProgressBar1->position(), 50);
    EXPECT_EQ(w.ProgressBar2->position(), 150);
    EXPECT_EQ(pictures(), (std::vector<int>{PictureNotChecked, PictureNotChecked}));
}

TEST_F(PassWindow, RealChecksMarkTheRowsAndFillTheResultColumn) {
    const std::string tone = folder.file("tone.wav");
    ASSERT_EQ(
        makeMedia(tone, "-f lavfi -i sine=frequency=440:sample_rate=8000 -t 1 -c:a pcm_s16le"), "");
    const std::string bytes = readBytes(tone);
    writeBytes(folder.file("cut.wav"), bytes.substr(0, bytes.size() / 2));
    writeBytes(folder.file("list.asx"), "<asx version=\"3.0\"><entry><ref href=\"a.wma\"/>"
                                        "</entry></asx>\r\n");
    list({tone, folder.file("cut.wav"), folder.file("list.asx")});
    runPass();
    EXPECT_EQ(pictures(), (std::vector<int>{PictureDone, PictureDamaged, PictureNotChecked}));
    const MediaListModel &model = window().MediaList();
    const auto cell = [&](int row, int column, int role = Qt::DisplayRole) {
        return model.index(row, column).data(role).toString().toStdString();
    };
    EXPECT_EQ(cell(0, MediaListModel::ColumnResult), "intact");
    EXPECT_EQ(cell(1, MediaListModel::ColumnResult), model.result(1));
    EXPECT_FALSE(model.result(1).empty());
    EXPECT_EQ(cell(2, MediaListModel::ColumnResult), "unsupported: a playlist");
    EXPECT_EQ(cell(1, MediaListModel::ColumnFile, Qt::ToolTipRole), model.details(1));
    EXPECT_EQ(window().Lv->header()->sectionSize(MediaListModel::ColumnResult), 160);
}

TEST_F(PassWindow, StopButtonEndsThePass) {
    const std::string a = makeFile("a", 100), b = makeFile("b", 500);
    list({a, b});
    runPass([&](int, const Snapshot &s) {
        if (s.file == b)
            QTest::mouseClick(window().StopButton, Qt::LeftButton);
    });
    EXPECT_EQ(pictures(), (std::vector<int>{PictureNotChecked, PicturePending}));
    EXPECT_FALSE(window().Panel1->isVisible());
    EXPECT_FALSE(FixRunning);
}

TEST_F(PassWindow, FileErrorShowsTheErrorBox) {
    list({makeFile("ok.avi", 20), folder.file("gone.avi")});
    runPass();
    EXPECT_EQ(fakes.dialogs.errors(), std::vector<std::string>{"File not found."});
    EXPECT_FALSE(window().Panel1->isVisible());
    EXPECT_FALSE(FixRunning);
}

TEST_F(PassWindow, F6RunsTheSamePassAsF5) {
    const std::string a = makeFile("a", 60);
    list({a});
    TMainForm &w = window();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F6);
    EXPECT_EQ(pictures(), std::vector<int>{PictureNotChecked});
    EXPECT_EQ(w.ProgressBar2->position(), 60);
    w.MediaList().setPicture(0, PicturePending);
    QTest::keyClick(&w, Qt::Key_F5);
    EXPECT_EQ(pictures(), std::vector<int>{PictureNotChecked});
}

TEST_F(PassWindow, FixDuringAPassDoesNothing) {
    list({makeFile("a", 100), makeFile("b", 100)});
    int nested = 0;
    runPass([&](int n, const Snapshot &) {
        if (n == 1) {
            window().menuFix->trigger();
            window().ConverttoWave1->trigger();
            nested = static_cast<int>(snapshots.size());
        }
    });
    EXPECT_EQ(nested, 2) << "no nested pass ran inside the first";
    EXPECT_EQ(snapshots.size(), 12u);
    EXPECT_EQ(pictures(), (std::vector<int>{PictureNotChecked, PictureNotChecked}));
}

TEST_F(PassWindow, TickerShowsThirtyDigits) {
    for (int i = 0; i < 50; ++i) {
        window().Timer2Timer();
        const QString text = window().StatueLabel->text();
        ASSERT_EQ(text.size(), 30);
        for (QChar c : text)
            ASSERT_TRUE(c >= u'0' && c <= u'9') << text.toStdString();
    }
    EXPECT_EQ(window().Timer2->interval(), 10);
    EXPECT_FALSE(window().Timer2->isActive()) << "no wake-ups while idle";
}

TEST_F(PassWindow, ClosingDuringAPassEndsTheProgram) {
    list({makeFile("a", 100000)});
    bool timedOut = false;
    QTimer::singleShot(5000, [&] {
        timedOut = true;
        QCoreApplication::quit();
    });
    QTimer::singleShot(0, [&] {
        runPass([&](int n, const Snapshot &) {
            if (n == 5)
                window().close();
        });
    });
    QCoreApplication::exec();
    EXPECT_FALSE(timedOut);
    EXPECT_FALSE(FixRunning);
    EXPECT_FALSE(window().isVisible());
    EXPECT_FALSE(window().Panel1->isVisible());
    EXPECT_EQ(pictures(), std::vector<int>{PicturePending});
}

} // namespace
