// Speed of the check-and-fix pass against its floor: a loop that only serves
// pending messages on every second step, for the same number of steps, in the
// same window. Also the time from a Stop click to the panel being hidden.
//   build/bench/pass_throughput [megabytes per file, default 10]
#include "ErrorReport.h"
#include "FakePlatform.h"
#include "FixPass.h"
#include "MainWindowFixture.h"
#include "MediaList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

using namespace mendora::test;

namespace {

std::string sparseFile(const TempDir &dir, const std::string &name, std::int64_t size) {
    const std::string path = dir.file(name);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, size) != 0)
        std::abort();
    ::close(fd);
    return path;
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
                latency = clock.nsecsElapsed() / 1000.0;
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
    const std::int64_t fileSize = (argc > 1 ? std::atoll(argv[1]) : 10) * 1000 * 1000;

    MainWindowFixture fixture;
    TMainForm &w = fixture.start();
    w.show();
    std::vector<std::string> files;
    std::int64_t steps = 0;
    for (int i = 0; i < 10; ++i) {
        files.push_back(sparseFile(fixture.folder, "clip" + std::to_string(i) + ".avi", fileSize));
        steps += fileSize / 10 + 1;
    }
    fixture.fakes.dialogs.fileAnswers.push_back(files);
    w.AddFile1->trigger();

    QElapsedTimer clock;
    clock.start();
    w.menuFix->trigger();
    const double passSeconds = clock.nsecsElapsed() / 1e9;

    // The floor: the same message processing with the panel (and its ticker) shown.
    w.Panel1->show();
    clock.restart();
    for (std::int64_t s = 0; s < steps; ++s)
        if (s % 2 == 0)
            QCoreApplication::processEvents();
    const double floorSeconds = clock.nsecsElapsed() / 1e9;
    w.Panel1->hide();

    const double passRate = steps / passSeconds;
    const double floorRate = steps / floorSeconds;
    std::printf("steps            %lld\n", static_cast<long long>(steps));
    std::printf("pass             %.0f steps/s (%.2f s)\n", passRate, passSeconds);
    std::printf("floor            %.0f steps/s (%.2f s)\n", floorRate, floorSeconds);
    std::printf("ratio            %.3f (pass / floor)\n", passRate / floorRate);

    fixture.fakes.dialogs.fileAnswers.push_back(
        std::vector<std::string>{sparseFile(fixture.folder, "long.avi", 1LL << 34)});
    w.AddFile1->trigger();
    std::vector<double> latencies;
    for (int i = 0; i < 9; ++i)
        latencies.push_back(stopLatency(w));
    std::sort(latencies.begin(), latencies.end());
    std::printf("stop -> hidden   median %.1f us, max %.1f us (9 runs)\n", latencies[4],
                latencies.back());
    return 0;
}
