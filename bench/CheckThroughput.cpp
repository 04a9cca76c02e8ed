// Speed of the media check. Generates a mixed set of files with the ffmpeg
// command (every kind the checker knows, a few MB each, and two of tens of
// MB), then in the same run times:
//   - mendora-check over the set (as many files at once as there are cores)
//     against `ffmpeg -v error -i F -f null -`, one process per file, one
//     after the other, as users run it: MB/s, files/s and the ratio, for the
//     mixed set and for the large files alone;
//   - the pass over the set against the slower of its two parts, the steps
//     alone (with a checker that answers at once) and the checks alone (one
//     after the other on one thread): the ratio pass / slower part.
//   build/bench/check_throughput [folder for the files, default a new temporary one]
#include "fixpass/FixPass.h"
#include "fixpass/PassView.h"
#include "mediacheck/MediaCheck.h"
#include "medialist/MediaList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using mendora::mediacheck::CheckControl;
using mendora::mediacheck::Finding;
using mendora::mediacheck::Verdict;

class NoView : public mendora::PassView {
public:
    void showPanel() override {}
    void hidePanel() override {}
    void setFileLabel(const std::string &) override {}
    void setBarMaximum(Bar, int) override {}
    void setBarPosition(Bar, int) override {}
};

struct Sample {
    std::string name, arguments;
};

void make(const fs::path &folder, const Sample &s) {
    const fs::path path = folder / s.name;
    if (fs::exists(path))
        return;
    const std::string command =
        "ffmpeg -v error -y " + s.arguments + " '" + path.string() + "' </dev/null";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "cannot make %s\n", s.name.c_str());
        std::exit(1);
    }
}

double seconds(const std::function<void()> &body) {
    QElapsedTimer clock;
    clock.start();
    body();
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

std::int64_t bytesOf(const std::vector<std::string> &files) {
    std::int64_t total = 0;
    for (const std::string &f : files)
        total += static_cast<std::int64_t>(fs::file_size(f));
    return total;
}

std::string quoted(const std::vector<std::string> &files) {
    std::string text;
    for (const std::string &f : files)
        text += " '" + f + "'";
    return text;
}

void compareWithFfmpeg(const char *what, const std::vector<std::string> &files,
                       const std::string &checker) {
    const double mb = static_cast<double>(bytesOf(files)) / 1e6;
    const double ours = seconds([&] {
        const std::string command = checker + quoted(files) + " >/dev/null";
        (void)std::system(command.c_str());
    });
    const double theirs = seconds([&] {
        for (const std::string &f : files) {
            const std::string command = "ffmpeg -v error -i '" + f + "' -f null - 2>/dev/null";
            (void)std::system(command.c_str());
        }
    });
    const double n = static_cast<double>(files.size());
    std::printf("%-12s %3zu files %7.1f MB | mendora-check %6.2f s %7.1f MB/s %6.1f files/s | "
                "ffmpeg %6.2f s %7.1f MB/s %6.1f files/s | ratio %.2f\n",
                what, files.size(), mb, ours, mb / ours, n / ours, theirs, mb / theirs, n / theirs,
                theirs / ours);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const fs::path folder =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "mendora-check-throughput";
    fs::create_directories(folder);
    const std::string video = "-f lavfi -i testsrc=size=640x360:rate=25 ";
    const std::string audio = "-f lavfi -i sine=frequency=440:sample_rate=44100 ";
    const std::vector<Sample> mixed = {
        {"clip.avi", video + audio + "-t 20 -c:v mpeg4 -b:v 1500k -c:a mp2"},
        {"clip.mpg", video + audio + "-t 20 -c:v mpeg1video -b:v 1500k -c:a mp2"},
        {"clip.wmv", video + audio + "-t 20 -c:v wmv2 -b:v 1500k -c:a wmav2"},
        {"clip.rm", video + audio + "-t 20 -s 320x240 -c:v rv10 -b:v 1000k -c:a ac3"},
        {"dvd.vob", video + audio + "-t 10 -target pal-dvd"},
        {"tone.mp3", audio + "-t 180 -c:a libmp3lame -b:a 192k"},
        {"tone.mp2", audio + "-t 120 -c:a mp2 -b:a 256k"},
        {"tone.wma", audio + "-t 180 -c:a wmav2 -b:a 160k"},
        {"tone.wav", audio + "-t 30 -c:a pcm_s16le"},
        {"pic.jpg", "-f lavfi -i testsrc2=size=3000x2000 -frames:v 1 -q:v 2"},
        {"pic.bmp", "-f lavfi -i testsrc2=size=1600x1200 -frames:v 1"},
    };
    // Noise keeps the encoders from staying below the bit rate asked for.
    const std::string noisy =
        "-f lavfi -i testsrc2=size=1280x720:rate=25 " + audio + "-vf noise=alls=30:allf=t -t 30 ";
    const std::vector<Sample> large = {
        {"large.mpg", noisy + "-c:v mpeg2video -b:v 9000k -maxrate 9000k -bufsize 4M -c:a mp2"},
        {"large.avi", noisy + "-c:v mpeg4 -b:v 8000k -c:a mp2"},
    };
    std::vector<std::string> all, big;
    for (const Sample &s : mixed) {
        make(folder, s);
        all.push_back((folder / s.name).string());
    }
    for (const Sample &s : large) {
        make(folder, s);
        all.push_back((folder / s.name).string());
        big.push_back((folder / s.name).string());
    }
    const std::string checker =
        (fs::path(argv[0]).parent_path().parent_path() / "bin" / "mendora-check").string();
    // Read once, so that both sides find the files in the page cache.
    (void)std::system((checker + quoted(all) + " >/dev/null").c_str());
    compareWithFfmpeg("mixed set", all, checker);
    compareWithFfmpeg("large files", big, checker);

    // The pass and its two parts.
    NoView view;
    mendora::MediaListModel list;
    list.appendFiles(all);
    const auto instant = [](const std::string &, const CheckControl &) {
        return std::optional<Finding>(mendora::mediacheck::intactFinding("not checked"));
    };
    mendora::CheckPass stepsOnly(list, view, instant);
    mendora::CheckPass pass(list, view);
    const double steps = seconds([&] { stepsOnly.RunCheckPass(); });
    const double checks = seconds([&] {
        for (const std::string &f : all)
            (void)mendora::mediacheck::checkFile(f);
    });
    const double whole = seconds([&] { pass.RunCheckPass(); });
    std::printf("pass %.2f s | steps alone %.2f s | checks alone %.2f s | pass / slower part %.2f "
                "(target at most 1.15)\n",
                whole, steps, checks, whole / std::max(steps, checks));
    return 0;
}
