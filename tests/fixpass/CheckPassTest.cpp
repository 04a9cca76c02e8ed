// The check-and-fix pass, run through the main window over real files. The
// running pass is observed through the messages it serves: a zero-interval
// timer fires once in every message processing (every second step).
#include "FixPass.h"
#include "LeanProgressBar.h"
#include "MainWindowFixture.h"
#include "MediaList.h"

#include <QItemSelectionModel>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mendora::test;

namespace {

struct Snapshot {
    int bar1, bar1Max, bar2, bar2Max;
    std::string file;
    bool ticking;
};

class CheckPass : public MainWindowFixture, public testing::Test {
protected:
    void SetUp() override {
        start();
        window().show();
    }

    std::string makeFile(const std::string &name, std::int64_t size) {
        const std::string path = folder.file(name);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
        return path;
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

    // Runs the pass (through `command`), calling `onStep` in every message
    // processing with the number of that processing and a snapshot.
    void runPass(const std::function<void(int, const Snapshot &)> &onStep = {},
                 QAction *command = nullptr) {
        QTimer probe;
        probe.setInterval(0);
        int count = 0;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (!FixRunning)
                return;
            TMainForm &w = window();
            const Snapshot shot{w.ProgressBar1->position(),
                                w.ProgressBar1->maximum(),
                                w.ProgressBar2->position(),
                                w.ProgressBar2->maximum(),
                                w.FilenameLabel->text().toStdString(),
                                w.Timer2->isActive()};
            snapshots.push_back(shot);
            if (onStep)
                onStep(count, shot);
            ++count;
        });
        probe.start();
        (command ? command : window().menuFix)->trigger();
        probe.stop();
    }
    std::vector<int> bar2During(const std::string &file) const {
        std::vector<int> values;
        for (const auto &s : snapshots)
            if (s.file == file)
                values.push_back(s.bar2);
        return values;
    }

    std::vector<Snapshot> snapshots;
};

TEST_F(CheckPass, EmptyList) {
    TMainForm &w = window();
    w.FilenameLabel->setText("old");
    w.ProgressBar1->setPosition(50);
    w.ProgressBar2->setMaximum(7);
    w.ProgressBar2->setPosition(5);
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
    runPass();
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(hides, 1);
    EXPECT_FALSE(w.Panel1->isVisible());
    EXPECT_EQ(w.FilenameLabel->text(), "");
    EXPECT_EQ(w.ProgressBar1->position(), 0);
    EXPECT_EQ(w.ProgressBar2->position(), 0);
    EXPECT_EQ(w.ProgressBar2->maximum(), 0);
    EXPECT_FALSE(FixRunning);
    EXPECT_TRUE(snapshots.empty());
}

TEST_F(CheckPass, SmallFilesStepsAndMarks) {
    struct Case {
        std::int64_t size;
        int processings; // message processings: one per even step
        int lastPosition;
    };
    const Case cases[] = {{0, 1, 0}, {9, 1, 0}, {25, 2, 20}, {10, 1, 10}, {41, 3, 40}};
    for (const Case &c : cases) {
        snapshots.clear();
        const std::string path = makeFile("f" + std::to_string(c.size), c.size);
        window().SelectAll1->trigger();
        window().DeleteFile1->trigger();
        list({path});
        runPass();
        EXPECT_EQ(static_cast<int>(snapshots.size()), c.processings) << c.size;
        EXPECT_EQ(window().ProgressBar1->maximum(), c.size);
        EXPECT_EQ(window().ProgressBar1->position(), c.lastPosition) << c.size;
        EXPECT_EQ(window().ProgressBar2->position(), c.lastPosition) << c.size;
        EXPECT_EQ(pictures(), std::vector<int>{PictureDone}) << c.size;
        EXPECT_EQ(DoneBytes, c.size);
    }
}

TEST_F(CheckPass, OverallBarAcrossThreeFiles) {
    const std::string a = makeFile("a", 100), b = makeFile("b", 50), c = makeFile("c", 30);
    list({a, b, c});
    runPass();
    for (const auto &s : snapshots)
        EXPECT_EQ(s.bar2Max, 180);
    EXPECT_EQ(bar2During(a), (std::vector<int>{0, 10, 30, 50, 70, 90}));
    EXPECT_EQ(bar2During(b), (std::vector<int>{100, 110, 130}));
    EXPECT_EQ(bar2During(c), (std::vector<int>{150, 160}));
    EXPECT_EQ(window().ProgressBar2->position(), 180);
    EXPECT_EQ(window().ProgressBar1->maximum(), 30);
    EXPECT_EQ(pictures(), (std::vector<int>{6, 6, 6}));
    EXPECT_EQ(DoneBytes, 180);
    EXPECT_FALSE(window().Panel1->isVisible());
    EXPECT_TRUE(std::all_of(snapshots.begin(), snapshots.end(), [](const Snapshot &s) {
        return s.ticking;
    })) << "the ticker runs while the panel is visible";
    EXPECT_FALSE(window().Timer2->isActive()) << "and pauses when it is hidden";
}

TEST_F(CheckPass, StopDuringTheSecondFile) {
    const std::string a = makeFile("a", 100), b = makeFile("b", 500), c = makeFile("c", 30);
    list({a, b, c});
    int atStop = -1;
    runPass([&](int, const Snapshot &s) {
        if (s.file == b && s.bar2 >= 200 && atStop < 0) {
            atStop = s.bar2;
            QTest::mouseClick(window().StopButton, Qt::LeftButton);
        }
    });
    EXPECT_EQ(pictures(), (std::vector<int>{6, 5, 5}));
    EXPECT_FALSE(window().Panel1->isVisible());
    EXPECT_FALSE(FixRunning);
    EXPECT_EQ(DoneBytes, 600) << "the stopped file counts";
    EXPECT_TRUE(bar2During(c).empty()) << "later files are not visited";
    // The step that served the click still sets its positions; the next one ends the turn.
    EXPECT_EQ(window().ProgressBar2->position(), atStop + 10);
}

TEST_F(CheckPass, FileErrorsEndThePass) {
    struct Case {
        const char *name;
        std::function<std::string()> listed;
        const char *message;
    };
    const Case cases[] = {
        {"missing file", [&] { return folder.file("gone.avi"); }, "File not found."},
        {"missing folder", [&] { return folder.file("no-folder/clip.avi"); }, "Invalid filename."},
        {"folder", [&] { return folder.path() + "/"; }, "File access denied."},
    };
    for (const Case &c : cases) {
        fakes.dialogs.messages.clear();
        window().SelectAll1->trigger();
        window().DeleteFile1->trigger();
        list({makeFile("ok.avi", 20), c.listed()});
        runPass();
        EXPECT_EQ(fakes.dialogs.errors(), std::vector<std::string>{c.message}) << c.name;
        EXPECT_EQ(pictures(), (std::vector<int>{5, 5})) << c.name << ": failed while measuring";
        EXPECT_FALSE(window().Panel1->isVisible());
        EXPECT_FALSE(FixRunning);
    }
}

TEST_F(CheckPass, FileRemovedDuringThePass) {
    const std::string a = makeFile("a", 40), b = makeFile("b", 40), c = makeFile("c", 40);
    list({a, b, c});
    runPass([&](int, const Snapshot &s) {
        if (s.file == b)
            ::unlink(c.c_str());
    });
    EXPECT_EQ(fakes.dialogs.errors(), std::vector<std::string>{"File not found."});
    EXPECT_EQ(pictures(), (std::vector<int>{6, 6, 5})) << "marks made before the error stay";
    EXPECT_FALSE(window().Panel1->isVisible());
    EXPECT_FALSE(FixRunning);
}

TEST_F(CheckPass, ReadOnlyFileIsMeasured) {
    const std::string path = makeFile("ro.vob", 33);
    ::chmod(path.c_str(), 0444);
    EXPECT_EQ(runUnprivileged([&] { return std::to_string(MediaFileSize(path)); }), "33");
    list({path});
    runPass();
    EXPECT_TRUE(fakes.dialogs.messages.empty());
    EXPECT_EQ(pictures(), std::vector<int>{PictureDone});
}

TEST_F(CheckPass, UnreadableFileIsDenied) {
    const std::string path = makeFile("secret.avi", 33);
    ::chmod(path.c_str(), 0);
    EXPECT_EQ(runUnprivileged([&] { return std::to_string(MediaFileSize(path)); }),
              "File access denied");
}

TEST_F(CheckPass, F6RunsTheSamePassAsF5) {
    const std::string a = makeFile("a", 60);
    list({a});
    TMainForm &w = window();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F6);
    EXPECT_EQ(pictures(), std::vector<int>{PictureDone});
    EXPECT_EQ(w.ProgressBar2->position(), 60);
    w.MediaList().setPicture(0, PicturePending);
    QTest::keyClick(&w, Qt::Key_F5);
    EXPECT_EQ(pictures(), std::vector<int>{PictureDone});
}

TEST_F(CheckPass, TickerShowsThirtyDigits) {
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

TEST_F(CheckPass, LargeFilesAreMeasuredAndScaled) {
    const std::int64_t big = 3LL << 30; // 3 GiB, sparse
    const std::string a = makeFile("a", 100), b = makeFile("b", big), c = makeFile("c", big);
    EXPECT_EQ(MediaFileSize(b), big);
    list({a, b, c});
    int calls = 0;
    runPass([&](int, const Snapshot &s) {
        if (s.file == b && ++calls == 3)
            window().StopButtonClick();
    });
    const std::int64_t total = 100 + 2 * big; // past 4 GiB: divided by 4
    EXPECT_EQ(window().ProgressBar2->maximum(), static_cast<int>(total >> 2));
    EXPECT_EQ(window().ProgressBar1->maximum(), static_cast<int>(big >> 1));
    // Stopped after step 4 of the big file: positions 40 and 100 + 40, scaled.
    EXPECT_EQ(window().ProgressBar1->position(), 40 >> 1);
    EXPECT_EQ(window().ProgressBar2->position(), 140 >> 2);
    EXPECT_EQ(DoneBytes, 100 + big);
    EXPECT_EQ(TBarScale::For(2147483647).shift, 0);
    EXPECT_EQ(TBarScale::For(2147483648LL).shift, 1);
    EXPECT_EQ(TBarScale::For(0).shift, 0);
}

TEST_F(CheckPass, FixDuringAPassDoesNothing) {
    const std::string a = makeFile("a", 100), b = makeFile("b", 100);
    list({a, b});
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
    EXPECT_EQ(pictures(), (std::vector<int>{6, 6}));
}

TEST_F(CheckPass, RowsDeletedDuringThePass) {
    std::vector<std::string> files;
    for (const char *name : {"a", "b", "c", "d", "e"})
        files.push_back(makeFile(name, 40));
    list(files);
    QItemSelectionModel &sel = *window().Lv->selectionModel();
    runPass([&](int, const Snapshot &s) {
        if (s.file == files[0] && s.bar1 == 0) {
            // During a's turn: delete c (not yet visited).
            sel.select(window().MediaList().index(2, 0),
                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            window().DeleteFile1->trigger();
        }
        if (s.file == files[1] && s.bar1 == 0) {
            // During b's own turn: delete b, the current row.
            sel.select(window().MediaList().index(1, 0),
                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            window().DeleteFile1->trigger();
            list({makeFile("added", 40)});
        }
    });
    std::vector<std::string> visited;
    for (const auto &s : snapshots)
        if (visited.empty() || visited.back() != s.file)
            visited.push_back(s.file);
    EXPECT_EQ(visited, (std::vector<std::string>{files[0], files[1], files[3], files[4]}));
    // a, d, e remain marked; the row added during the pass was not visited.
    EXPECT_EQ(pictures(), (std::vector<int>{6, 6, 6, 5}));
    EXPECT_EQ(MediaEntries[1].FullPath, files[3]);
}

TEST_F(CheckPass, ManyRowsDeletedAtOnceDuringThePass) {
    std::vector<std::string> files;
    const std::string shared = makeFile("shared", 20);
    for (int i = 0; i < 300; ++i)
        files.push_back(shared);
    list(files);
    bool deleted = false;
    runPass([&](int, const Snapshot &) {
        if (deleted)
            return;
        deleted = true;
        QItemSelection odd;
        for (int r = 1; r < 300; r += 2)
            odd.select(window().MediaList().index(r, 0), window().MediaList().index(r, 2));
        window().Lv->selectionModel()->select(odd, QItemSelectionModel::ClearAndSelect);
        window().DeleteFile1->trigger();
    });
    ASSERT_EQ(window().MediaList().rowCount(), 150);
    EXPECT_EQ(pictures(), std::vector<int>(150, PictureDone));
}

TEST_F(CheckPass, ClosingDuringAPassEndsTheProgram) {
    const std::string a = makeFile("a", 100000);
    list({a});
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

TEST(LeanProgressBar, PositionIsTheLastValueSetAndRepaintsByPixel) {
    TLeanProgressBar bar;
    bar.resize(100, 16);
    bar.setMaximum(1000);
    struct Paints : QObject {
        int count = 0;
        bool eventFilter(QObject *, QEvent *e) override {
            count += e->type() == QEvent::Paint;
            return false;
        }
    } paints;
    bar.installEventFilter(&paints);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    QCoreApplication::processEvents();
    paints.count = 0;
    for (int v = 0; v <= 1000; ++v) {
        bar.setPosition(v);
        ASSERT_EQ(bar.position(), v);
        if (v % 50 == 0)
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    EXPECT_GT(paints.count, 0);
    EXPECT_LE(paints.count, 100) << "at most one repaint per pixel of filled width";
    bar.setPosition(950);
    QCoreApplication::processEvents();
    paints.count = 0;
    for (int v = 951; v <= 959; ++v)
        bar.setPosition(v); // within one pixel
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.count, 0);
    bar.setPosition(2000);
    EXPECT_EQ(bar.position(), 1000) << "kept within the range";
    bar.setPosition(-5);
    EXPECT_EQ(bar.position(), 0);
}

} // namespace
