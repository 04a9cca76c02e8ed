// The check-and-fix pass over real files, shown on a recording view, with a
// checker of the test's own. The running pass is observed through the
// messages it serves: a zero-interval timer fires once in every message
// processing (every second step, and while the pass waits for a check).
#include "fixpass/FixPass.h"
#include "fixpass/PassView.h"
#include "medialist/MediaList.h"
#include "support/PassProbe.h"
#include "support/TestFiles.h"
#include "system/Errors.h"

#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace mendora;
using namespace mendora::test;
using mendora::mediacheck::CheckControl;
using mendora::mediacheck::damagedFinding;
using mendora::mediacheck::Finding;
using mendora::mediacheck::intactFinding;
using mendora::mediacheck::unreadableFinding;
using mendora::mediacheck::unsupportedFinding;
using mendora::mediacheck::Verdict;

namespace {

class RecordingView : public PassView {
public:
    void showPanel() override {
        visible = true;
        log.push_back("show");
    }
    void hidePanel() override {
        visible = false;
        log.push_back("hide");
    }
    void setFileLabel(const std::string &path) override {
        label = path;
        log.push_back("label " + path);
    }
    void setBarMaximum(Bar bar, int maximum) override {
        (bar == Bar::File ? fileMax : overallMax) = maximum;
        log.push_back(std::string(bar == Bar::File ? "file" : "overall") + " max " +
                      std::to_string(maximum));
    }
    void setBarPosition(Bar bar, int position) override {
        (bar == Bar::File ? file : overall) = position;
        if (bar == Bar::File)
            filePositions.push_back(position);
        else
            log.push_back("overall " + std::to_string(position));
    }

    bool visible = false;
    std::string label = "old";
    int file = -1, fileMax = -1, overall = -1, overallMax = -1;
    std::vector<int> filePositions;
    std::vector<std::string> log; // every call but the file bar's positions
};

struct Snapshot {
    int file, fileMax, overall, overallMax;
    std::string label;
};

class PassEngine : public testing::Test {
protected:
    void TearDown() override { FixRunning = false; }

    std::string makeFile(const std::string &name, std::int64_t size) {
        return makeSparseFile(folder.file(name), size);
    }
    void relist(const std::vector<std::string> &paths) {
        std::vector<int> all;
        for (int r = 0; r < list.rowCount(); ++r)
            all.push_back(r);
        list.removeRowsAt(all);
        list.appendFiles(paths);
    }
    std::vector<int> pictures() const {
        std::vector<int> out;
        for (int r = 0; r < list.rowCount(); ++r)
            out.push_back(list.picture(r));
        return out;
    }

    // Runs the pass, calling `onStep` in every message processing with the
    // number of that processing and what the view shows then.
    void runPass(const std::function<void(int, const Snapshot &)> &onStep = {}) {
        snapshots.clear();
        view = RecordingView();
        const PassProbe probe([&](int n) {
            const Snapshot shot{view.file, view.fileMax, view.overall, view.overallMax, view.label};
            snapshots.push_back(shot);
            if (onStep)
                onStep(n, shot);
        });
        pass.RunCheckPass();
    }
    std::vector<int> overallDuring(const std::string &file) const {
        std::vector<int> values;
        for (const auto &s : snapshots)
            if (s.label == file)
                values.push_back(s.overall);
        return values;
    }

    std::vector<std::string> results() const {
        std::vector<std::string> out;
        for (int r = 0; r < list.rowCount(); ++r)
            out.emplace_back(list.result(r));
        return out;
    }

    TempDir folder;
    MediaListModel list;
    RecordingView view;
    // The check the pass runs; by default every file is intact at once.
    FileChecker check = [](const std::string &, const CheckControl &) {
        return mendora::mediacheck::intactFinding("fine");
    };
    CheckPass pass{list, view, [this](const std::string &path, const CheckControl &c) {
                       return check(path, c);
                   }};
    std::vector<Snapshot> snapshots;
};

TEST_F(PassEngine, EmptyList) {
    runPass();
    EXPECT_EQ(view.log,
              (std::vector<std::string>{"label ", "show", "overall 0", "overall max 0", "hide"}));
    EXPECT_EQ(view.filePositions, std::vector<int>{0});
    EXPECT_FALSE(FixRunning);
    EXPECT_TRUE(snapshots.empty());
}

TEST_F(PassEngine, SmallFilesStepsAndMarks) {
    struct Case {
        std::int64_t size;
        std::vector<int> steps; // the file bar's positions, one per step
        int processings;        // message processings: one per even step
    };
    const Case cases[] = {
        {0, {0}, 1},
        {9, {0}, 1},
        {25, {0, 10, 20}, 2},
        {10, {0, 10}, 1},
        {41, {0, 10, 20, 30, 40}, 3},
    };
    for (const Case &c : cases) {
        const std::string path = makeFile("f" + std::to_string(c.size), c.size);
        relist({path});
        runPass();
        std::vector<int> expected{0, 0}; // set to 0 at the start and at the file's turn
        expected.insert(expected.end(), c.steps.begin(), c.steps.end());
        EXPECT_EQ(view.filePositions, expected) << c.size;
        EXPECT_EQ(static_cast<int>(snapshots.size()), c.processings) << c.size;
        EXPECT_EQ(view.fileMax, c.size);
        EXPECT_EQ(view.overall, c.steps.back()) << c.size;
        EXPECT_EQ(view.overallMax, c.size);
        EXPECT_EQ(view.label, path);
        EXPECT_EQ(pictures(), std::vector<int>{PictureDone}) << c.size;
        EXPECT_EQ(DoneBytes, c.size);
        EXPECT_FALSE(view.visible);
    }
}

TEST_F(PassEngine, OverallBarAcrossThreeFiles) {
    const std::string a = makeFile("a", 100), b = makeFile("b", 50), c = makeFile("c", 30);
    list.appendFiles({a, b, c});
    runPass();
    for (const auto &s : snapshots)
        EXPECT_EQ(s.overallMax, 180);
    EXPECT_EQ(overallDuring(a), (std::vector<int>{0, 10, 30, 50, 70, 90}));
    EXPECT_EQ(overallDuring(b), (std::vector<int>{100, 110, 130}));
    EXPECT_EQ(overallDuring(c), (std::vector<int>{150, 160}));
    EXPECT_EQ(view.overall, 180);
    EXPECT_EQ(view.fileMax, 30);
    EXPECT_EQ(pictures(), (std::vector<int>{6, 6, 6}));
    EXPECT_EQ(DoneBytes, 180);
}

TEST_F(PassEngine, StopDuringTheSecondFile) {
    const std::string a = makeFile("a", 100), b = makeFile("b", 500), c = makeFile("c", 30);
    list.appendFiles({a, b, c});
    int atStop = -1;
    runPass([&](int, const Snapshot &s) {
        if (s.label == b && s.overall >= 200 && atStop < 0) {
            atStop = s.overall;
            FixRunning = false;
        }
    });
    EXPECT_EQ(pictures(), (std::vector<int>{6, 5, 5}));
    EXPECT_FALSE(view.visible);
    EXPECT_FALSE(FixRunning);
    EXPECT_EQ(DoneBytes, 600) << "the stopped file counts";
    EXPECT_TRUE(overallDuring(c).empty()) << "later files are not visited";
    // The step that served the stop still sets its positions; the next one ends the turn.
    EXPECT_EQ(view.overall, atStop + 10);
}

TEST_F(PassEngine, FileErrorsEndThePass) {
    struct Case {
        const char *name;
        std::function<std::string()> listed;
        const char *message;
    };
    const Case cases[] = {
        {"missing file", [&] { return folder.file("gone.avi"); }, "File not found"},
        {"missing folder", [&] { return folder.file("no-folder/clip.avi"); }, "Invalid filename"},
        {"folder", [&] { return folder.path() + "/"; }, "File access denied"},
    };
    for (const Case &c : cases) {
        relist({makeFile("ok.avi", 20), c.listed()});
        std::string message;
        try {
            runPass();
        } catch (const std::exception &e) {
            message = e.what();
        }
        EXPECT_EQ(message, c.message) << c.name;
        EXPECT_EQ(pictures(), (std::vector<int>{5, 5})) << c.name << ": failed while measuring";
        EXPECT_EQ(view.log.back(), "hide") << c.name;
        EXPECT_FALSE(FixRunning);
    }
}

TEST_F(PassEngine, FileRemovedDuringThePass) {
    const std::string a = makeFile("a", 40), b = makeFile("b", 40), c = makeFile("c", 40);
    list.appendFiles({a, b, c});
    EXPECT_THROW(runPass([&](int, const Snapshot &s) {
                     if (s.label == b)
                         ::unlink(c.c_str());
                 }),
                 IoError);
    EXPECT_EQ(pictures(), (std::vector<int>{6, 6, 5})) << "marks made before the error stay";
    EXPECT_FALSE(view.visible);
    EXPECT_FALSE(FixRunning);
}

TEST_F(PassEngine, ReadOnlyFileIsMeasured) {
    const std::string path = makeFile("ro.vob", 33);
    ::chmod(path.c_str(), 0444);
    EXPECT_EQ(runUnprivileged([&] { return std::to_string(MediaFileSize(path)); }), "33");
    list.appendFiles({path});
    runPass();
    EXPECT_EQ(pictures(), std::vector<int>{PictureDone});
}

TEST_F(PassEngine, UnreadableFileIsDenied) {
    const std::string path = makeFile("secret.avi", 33);
    ::chmod(path.c_str(), 0);
    EXPECT_EQ(runUnprivileged([&] { return std::to_string(MediaFileSize(path)); }),
              "File access denied");
}

TEST_F(PassEngine, LargeFilesAreMeasuredAndScaled) {
    const std::int64_t big = 3LL << 30; // 3 GiB, sparse
    const std::string a = makeFile("a", 100), b = makeFile("b", big), c = makeFile("c", big);
    EXPECT_EQ(MediaFileSize(b), big);
    list.appendFiles({a, b, c});
    int calls = 0;
    runPass([&](int, const Snapshot &s) {
        if (s.label == b && ++calls == 3)
            FixRunning = false;
    });
    const std::int64_t total = 100 + 2 * big; // past 4 GiB: divided by 4
    EXPECT_EQ(view.overallMax, static_cast<int>(total >> 2));
    EXPECT_EQ(view.fileMax, static_cast<int>(big >> 1));
    // Stopped after step 4 of the big file: positions 40 and 100 + 40, scaled.
    EXPECT_EQ(view.file, 40 >> 1);
    EXPECT_EQ(view.overall, 140 >> 2);
    EXPECT_EQ(DoneBytes, 100 + big);
    EXPECT_EQ(BarScale::forMaximum(2147483647).shift, 0);
    EXPECT_EQ(BarScale::forMaximum(2147483648LL).shift, 1);
    EXPECT_EQ(BarScale::forMaximum(0).shift, 0);
}

TEST_F(PassEngine, SecondPassDuringAPassDoesNothing) {
    list.appendFiles({makeFile("a", 100), makeFile("b", 100)});
    int nested = 0;
    runPass([&](int n, const Snapshot &) {
        if (n == 1) {
            pass.RunCheckPass();
            nested = static_cast<int>(snapshots.size());
        }
    });
    EXPECT_EQ(nested, 2) << "no nested pass ran inside the first";
    EXPECT_EQ(snapshots.size(), 12u);
    EXPECT_EQ(pictures(), (std::vector<int>{6, 6}));
}

TEST_F(PassEngine, RowsDeletedDuringThePass) {
    std::vector<std::string> files;
    for (const char *name : {"a", "b", "c", "d", "e"})
        files.push_back(makeFile(name, 40));
    list.appendFiles(files);
    runPass([&](int, const Snapshot &s) {
        if (s.label == files[0] && s.file == 0)
            list.removeRowsAt({2}); // c, not yet visited
        if (s.label == files[1] && s.file == 0) {
            list.removeRowsAt({1}); // b, the current row
            list.appendFiles({makeFile("added", 40)});
        }
    });
    std::vector<std::string> visited;
    for (const auto &s : snapshots)
        if (visited.empty() || visited.back() != s.label)
            visited.push_back(s.label);
    EXPECT_EQ(visited, (std::vector<std::string>{files[0], files[1], files[3], files[4]}));
    // a, d, e remain marked; the row added during the pass was not visited.
    EXPECT_EQ(pictures(), (std::vector<int>{6, 6, 6, 5}));
    EXPECT_EQ(MediaEntries[1].FullPath, files[3]);
}

TEST_F(PassEngine, ManyRowsDeletedAtOnceDuringThePass) {
    const std::string shared = makeFile("shared", 20);
    list.appendFiles(std::vector<std::string>(300, shared));
    bool deleted = false;
    runPass([&](int, const Snapshot &) {
        if (deleted)
            return;
        deleted = true;
        std::vector<int> odd;
        for (int r = 1; r < 300; r += 2)
            odd.push_back(r);
        list.removeRowsAt(odd); // past 64 runs: compacted in one sweep
    });
    ASSERT_EQ(list.rowCount(), 150);
    EXPECT_EQ(pictures(), std::vector<int>(150, PictureDone));
}

TEST_F(PassEngine, VerdictsMarkTheRowsAndFillTheResultColumn) {
    const struct {
        const char *name;
        Finding finding;
        int picture;
    } cases[] = {
        {"good.avi", intactFinding("decoded to the end"), PictureDone},
        {"cut.mp3", damagedFinding("ends at 73 %", "ends at 73 % of its length"), PictureDamaged},
        {"list.asx", unsupportedFinding("a playlist", "not media"), PictureNotChecked},
        {"bad.vob", unreadableFinding("Input/output error"), PictureDamaged},
        {"last.wav", intactFinding("decoded to the end"), PictureDone},
    };
    std::map<std::string, Finding> findings;
    std::vector<std::string> paths;
    for (const auto &c : cases) {
        paths.push_back(makeFile(c.name, 30));
        findings[paths.back()] = c.finding;
    }
    check = [&](const std::string &path, const CheckControl &) { return findings.at(path); };
    list.appendFiles(paths);
    runPass();
    for (int r = 0; r < list.rowCount(); ++r) {
        EXPECT_EQ(list.picture(r), cases[r].picture) << cases[r].name;
        EXPECT_EQ(list.result(r), cases[r].finding.summary) << cases[r].name;
        EXPECT_EQ(list.details(r), cases[r].finding.details) << cases[r].name;
        const QModelIndex cell = list.index(r, MediaListModel::ColumnResult);
        EXPECT_EQ(cell.data().toString().toStdString(), cases[r].finding.summary);
        EXPECT_EQ(list.index(r, MediaListModel::ColumnFile).data(Qt::ToolTipRole).toString(),
                  QString::fromStdString(cases[r].finding.details));
    }
    EXPECT_EQ(list.headerData(MediaListModel::ColumnResult, Qt::Horizontal, Qt::DisplayRole),
              "Result");
}

// A check slower than the steps: each step waits until its bytes are judged.
TEST_F(PassEngine, StepsNeverShowMoreThanTheCheckHasJudged) {
    const std::int64_t size = 400;
    std::atomic<std::int64_t> judged = 0;
    check = [&](const std::string &, const CheckControl &c) {
        for (std::int64_t bytes = 0; bytes <= size; bytes += 25) {
            std::this_thread::sleep_for(std::chrono::microseconds(300));
            judged = bytes;
            c.progress(bytes);
        }
        return mendora::mediacheck::intactFinding("fine");
    };
    list.appendFiles({makeFile("slow.avi", size), makeFile("next.avi", 20)});
    int ahead = 0;
    runPass([&](int, const Snapshot &s) {
        if (s.label == list.fullPath(0) && s.file > judged)
            ++ahead;
    });
    EXPECT_EQ(ahead, 0);
    EXPECT_EQ(view.filePositions[2 + size / 10], size) << "the slow file's last step";
    EXPECT_EQ(pictures(), (std::vector<int>{PictureDone, PictureDone}));
}

// A check that never finishes by itself: Stop, or deleting its row, ends the
// wait and cancels it; the row keeps its picture and gets no result.
TEST_F(PassEngine, StopOrDeletingTheRowCancelsAWaitingCheck) {
    for (const bool stop : {true, false}) {
        std::atomic<int> cancelled = 0;
        check = [&](const std::string &path, const CheckControl &c) -> std::optional<Finding> {
            if (path.ends_with("quick.avi"))
                return mendora::mediacheck::intactFinding("fine");
            while (!c.cancel->load())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ++cancelled;
            return mendora::mediacheck::intactFinding("too late");
        };
        relist({makeFile("stuck.avi", 100), makeFile("quick.avi", 20)});
        QTimer::singleShot(50, [&] {
            if (stop)
                pass.Stop();
            else
                list.removeRowsAt({0});
        });
        runPass();
        EXPECT_EQ(cancelled, 1) << stop;
        EXPECT_FALSE(FixRunning);
        if (stop) {
            EXPECT_EQ(pictures(), (std::vector<int>{PicturePending, PicturePending}));
            EXPECT_EQ(results(), (std::vector<std::string>{"", ""}));
        } else {
            EXPECT_EQ(pictures(), std::vector<int>{PictureDone}) << "the pass went on";
            EXPECT_EQ(results(), std::vector<std::string>{"intact"});
        }
    }
}

} // namespace
