// Start-up cost of the program against a bare window: each run starts a
// fresh process that builds the windows, shows the main window and ends at
// its first painted frame. The real program runs from a copy of the program
// folder (build/bin) with everything the show step reads; the baseline is a
// QApplication with an empty QMainWindow. Runs alternate; the medians of
// wall time, CPU time (user + system) and peak resident memory are printed
// with the ratios real / bare.
//   build/bench/startup [runs of each, default 11]
#include "app/Application.h"
#include "app/ProgramWindows.h"
#include "app/UnitBasic.h"

#include <QMainWindow>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Ends the process's event loop after the first paint of `window`.
class FirstFrame : public QObject {
public:
    explicit FirstFrame(QWidget *window) : Window_(window) { qApp->installEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (!Seen_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->window() == Window_) {
            Seen_ = true;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }

private:
    QWidget *Window_;
    bool Seen_ = false;
};

int runChild(bool real, int argc, char **argv, const std::string &executable) {
    if (real) {
        mendora::Application app(argc, argv);
        mendora::installFonts();
        mendora::ProgramWindows windows(executable);
        FirstFrame frame(&windows.main);
        windows.main.show();
        return app.exec();
    }
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(520, 363);
    FirstFrame frame(&window);
    window.show();
    return app.exec();
}

struct Sample {
    double wallMs = 0, cpuMs = 0, peakMiB = 0;
};

Sample runOnce(const char *self, bool real, const std::string &executable) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        // Qt's notes about the offscreen platform are not figures.
        if (const int null = open("/dev/null", O_WRONLY); null >= 0)
            dup2(null, STDERR_FILENO);
        execl(self, self, real ? "--real" : "--bare", executable.c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the %s run failed (status %d)\n", real ? "real" : "bare", status);
        std::exit(1);
    }
    const auto ms = [](const timeval &t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return {std::chrono::duration<double, std::milli>(end - start).count(),
            ms(usage.ru_utime) + ms(usage.ru_stime), usage.ru_maxrss / 1024.0};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
    if (argc >= 3 && (std::string(argv[1]) == "--real" || std::string(argv[1]) == "--bare"))
        return runChild(std::string(argv[1]) == "--real", argc, argv, argv[2]);

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    const fs::path self = fs::canonical("/proc/self/exe");
    const fs::path programFolder = self.parent_path().parent_path() / "bin";
    if (!fs::exists(programFolder / "Mendora")) {
        std::fprintf(stderr, "build the program first: %s is missing\n",
                     (programFolder / "Mendora").c_str());
        return 1;
    }
    // A copy of the program folder, so that the runs count in a run counter
    // and a registry file of their own.
    const fs::path scratch =
        fs::temp_directory_path() / ("mendora-startup-" + std::to_string(getpid()));
    fs::create_directories(scratch / "bin");
    fs::copy(programFolder, scratch / "bin", fs::copy_options::recursive);
    setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    fs::create_directories(scratch / "runtime");
    fs::permissions(scratch / "runtime", fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", (scratch / "runtime").c_str(), 1);
    const std::string executable = (scratch / "bin" / "Mendora").string();

    std::vector<double> wall[2], cpu[2], peak[2];
    runOnce(self.c_str(), true, executable); // warm the file cache
    runOnce(self.c_str(), false, executable);
    for (int i = 0; i < runs; ++i) {
        for (const bool real : {true, false}) {
            const Sample s = runOnce(self.c_str(), real, executable);
            wall[real].push_back(s.wallMs);
            cpu[real].push_back(s.cpuMs);
            peak[real].push_back(s.peakMiB);
        }
    }
    fs::remove_all(scratch);

    std::printf("start-up to the first painted frame, offscreen, median of %d runs each\n", runs);
    std::printf("%-14s %10s %10s %12s\n", "", "wall ms", "CPU ms", "peak MiB");
    for (const bool real : {false, true})
        std::printf("%-14s %10.1f %10.1f %12.1f\n", real ? "program" : "bare window",
                    median(wall[real]), median(cpu[real]), median(peak[real]));
    std::printf("%-14s %10.2f %10.2f %12.2f   (targets: time <= 1.30, memory <= 1.50)\n", "ratio",
                median(wall[1]) / median(wall[0]), median(cpu[1]) / median(cpu[0]),
                median(peak[1]) / median(peak[0]));
    return 0;
}
