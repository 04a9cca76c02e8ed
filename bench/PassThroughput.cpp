// Speed of the check-and-fix pass against its floor: a loop that only serves
// pending messages on every second step, for the same number of steps, in the
// same window with the panel (and its ticker) shown. Each pass run is paired
// with a floor run right after it; the ratio floor time / pass time of each
// pair, in wall-clock and in CPU time of the user-interface thread, is
// reported as the median over the pairs, for files of 100 KB, 1 MB and 10 MB
// (about 20 MB of files, two million steps, a run). Then the time from a Stop
// click to the panel being hidden.
//   build/bench/pass_throughput [pairs per size, default 5]
#include "app/Application.h"
#include "fixpass/FixPass.h"
#include "medialist/MediaList.h"
#include "support/FakePlatform.h"
#include "support/MainWindowFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

using namespace mendora::test;

namespace {

double threadCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Times {
    double wall = 0, cpu = 0;
};

template <class Body> Times measure(Body &&body) {
    QElapsedTimer clock;
    const double cpuStart = threadCpuSeconds();
    clock.start();
    body();
    return {static_cast<double>(clock.nsecsElapsed()) / 1e9, threadCpuSeconds() - cpuStart};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void listOnly(MainWindowFixture &fixture, const std::vector<std::string> &files) {
    TMainForm &w = fixture.window();
    w.SelectAll1->trigger();
    w.DeleteFile1->trigger();
    fixture.fakes.dialogs.fileAnswers.push_back(files);
    w.AddFile1->trigger();
}

// Stop clicked by a timer while a pass runs; returns microseconds until the panel hid.
double stopLatency(TMainForm &w) {
    QElapsedTimer clock;
    double latency = -1;
    struct HideWatch : QObject {
        QElapsedTimer &clock;
        double &latency;
        HideWatch(QElapsedTimer &c, double &l) : clock(c), latency(l) {}
        bool eventFilter(QObject *, QEvent *e) override {
            if (e->type() == QEvent::Hide && clock.isValid())
                latency = static_cast<double>(clock.nsecsElapsed()) / 1000.0;
            return false;
        }
    } watch(clock, latency);
    w.Panel1->installEventFilter(&watch);
    QTimer::singleShot(50, [&] {
        clock.start();
        w.StopButton->click();
    });
    w.menuFix->trigger();
    w.Panel1->removeEventFilter(&watch);
    return latency;
}

} // namespace

int main(int argc, char **argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    mendora::Application app(argc, argv);
    const int pairs = std::max(1, argc > 1 ? std::atoi(argv[1]) : 5);

    MainWindowFixture fixture;
    TMainForm &w = fixture.start();
    w.show();

    std::printf("%-8s %6s %9s %11s %11s %10s %10s\n", "file", "files", "steps", "pass/s", "floor/s",
                "ratio", "cpu ratio");
    const std::int64_t sizes[] = {100 * 1000, 1000 * 1000, 10 * 1000 * 1000};
    const char *const names[] = {"100 KB", "1 MB", "10 MB"};
    for (int k = 0; k < 3; ++k) {
        const std::int64_t size = sizes[k];
        const int count = static_cast<int>(20 * 1000 * 1000 / size);
        std::vector<std::string> files;
        std::int64_t steps = 0;
        for (int i = 0; i < count; ++i) {
            files.push_back(
                makeSparseFile(fixture.folder.file("clip" + std::to_string(i) + ".avi"), size));
            steps += size / 10 + 1;
        }
        listOnly(fixture, files);

        std::vector<double> wallRatios, cpuRatios;
        double passWall = 0, floorWall = 0;
        for (int pair = 0; pair < pairs; ++pair) {
            const Times pass = measure([&] { w.menuFix->trigger(); });
            w.Panel1->show();
            const Times floor = measure([&] {
                for (std::int64_t s = 0; s < steps; ++s)
                    if (s % 2 == 0)
                        QCoreApplication::processEvents();
            });
            w.Panel1->hide();
            wallRatios.push_back(floor.wall / pass.wall);
            cpuRatios.push_back(floor.cpu / pass.cpu);
            passWall += pass.wall;
            floorWall += floor.wall;
        }
        std::printf("%-8s %6d %9lld %11.0f %11.0f %10.3f %10.3f\n", names[k], count,
                    static_cast<long long>(steps), steps * pairs / passWall,
                    steps * pairs / floorWall, median(wallRatios), median(cpuRatios));
        std::fflush(stdout);
    }
    std::printf("(ratio: floor time / pass time, median of %d pairs; 1 = as fast as the floor)\n",
                pairs);

    listOnly(fixture, {makeSparseFile(fixture.folder.file("long.avi"), 1LL << 34)});
    std::vector<double> latencies;
    for (int i = 0; i < 9; ++i)
        latencies.push_back(stopLatency(w));
    std::sort(latencies.begin(), latencies.end());
    std::printf("stop -> hidden   median %.1f us, max %.1f us (9 runs)\n", latencies[4],
                latencies.back());
    return 0;
}
