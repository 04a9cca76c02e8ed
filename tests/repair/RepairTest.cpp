// Repaired copies of damaged media made at test time: each copy judged
// intact by our check and by the ffmpeg command, the original untouched.
#include "repair/Repair.h"
#include "mediacheck/MediaCheck.h"
#include "support/TestFiles.h"
#include "system/Files.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

using namespace mendora;
using mendora::mediacheck::checkFile;
using mendora::mediacheck::MediaKind;
using mendora::mediacheck::Verdict;
using mendora::repair::Result;
using mendora::test::makeMedia;
using mendora::test::readBytes;
using mendora::test::TempDir;
using mendora::test::writeBytes;

namespace {

TEST(RepairedName, BesideTheOriginal) {
    EXPECT_EQ(repair::repairedName("clip.avi", 1), "clip (repaired).avi");
    EXPECT_EQ(repair::repairedName("clip.avi", 2), "clip (repaired 2).avi");
    EXPECT_EQ(repair::repairedName("my.song.mp3", 1), "my.song (repaired).mp3");
    EXPECT_EQ(repair::repairedName("README", 1), "README (repaired)");
    EXPECT_EQ(repair::repairedName(".hidden", 3), ".hidden (repaired 3)");
}

// What a file is: its bytes and its time, which a repair must leave alone.
struct Fingerprint {
    std::string bytes;
    std::int64_t time = 0;
    bool operator==(const Fingerprint &) const = default;
};

Fingerprint fingerprintOf(const std::string &path) {
    Fingerprint f{readBytes(path), 0};
    files::modificationTime(path, f.time);
    return f;
}

// The ffmpeg command decodes the copy to the end without a word.
std::string ffmpegErrors(const std::string &path) {
    const std::string command =
        "ffmpeg -v error -xerror -i '" + path + "' -f null - </dev/null 2>&1";
    std::string out;
    if (FILE *pipe = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        if (::pclose(pipe) != 0 && out.empty())
            out = "exit status not 0";
    }
    return out;
}

// Names as listFolder gives them: sorted, between blanks.
std::string namesInOrder(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const std::string &name : names)
        joined += (joined.empty() ? "" : " ") + name;
    return joined;
}

class Repairs : public testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TempDir;
        const std::string &video = mendora::test::kTestVideo;
        const std::string &audio = mendora::test::kTestAudio;
        const std::string &picture = mendora::test::kTestPicture;
        const std::map<std::string, std::string> kinds = {
            {"clip.avi", video + audio + "-t 4 -c:v mpeg4 -g 25 -c:a mp2"},
            {"clip.mpg", video + audio + "-t 4 -c:v mpeg1video -g 25 -c:a mp2"},
            {"clip.wmv", video + audio + "-t 4 -c:v msmpeg4 -g 25 -c:a wmav2"},
            {"clip.rm", video + audio + "-t 4 -c:v rv10 -g 25 -c:a ac3 -f rm"},
            {"dvd.vob", video + audio + "-t 4 -target pal-dvd -g 12"},
            {"tone.mp3", audio + "-t 4 -c:a libmp3lame -metadata title=Tone"},
            {"tone.mp2", audio + "-t 4 -c:a mp2"},
            {"tone.wma", audio + "-t 4 -c:a wmav2"},
            {"tone.wav", audio + "-t 4 -c:a pcm_s16le"},
            {"pic.jpg", picture},
            {"pic.bmp", picture},
        };
        for (const auto &[name, arguments] : kinds)
            ASSERT_EQ(makeMedia(folder->file(name), arguments), "");
        // Other writers: sox, libjpeg's cjpeg, ImageMagick.
        using mendora::test::runCommand;
        const std::string ppm = folder->file("pic.ppm");
        ASSERT_EQ(makeMedia(ppm, picture), "");
        ASSERT_EQ(runCommand("sox -n -r 22050 -c 2 -b 16 '" + folder->file("sox.wav") +
                             "' synth 4 sine 440"),
                  "");
        ASSERT_EQ(runCommand("cjpeg -optimize -outfile '" + folder->file("cjpeg.jpg") + "' '" +
                             ppm + "'"),
                  "");
        ASSERT_EQ(runCommand("convert '" + ppm + "' '" + folder->file("magick.bmp") + "'"), "");
        // LAME and TwoLAME encode a tone that sox makes.
        const std::string tone = folder->file("tone44.wav");
        ASSERT_EQ(runCommand("sox -n -r 44100 -c 2 -b 16 '" + tone + "' synth 4 sine 330"), "");
        ASSERT_EQ(runCommand("lame --quiet -V 4 '" + tone + "' '" + folder->file("lame.mp3") + "'"),
                  "");
        ASSERT_EQ(runCommand("twolame --quiet -b 192 '" + tone + "' '" +
                             folder->file("twolame.mp2") + "'"),
                  "");
    }
    static void TearDownTestSuite() { delete folder; }

    static TempDir *folder;
};

TempDir *Repairs::folder = nullptr;

struct Damage {
    const char *what;
    std::function<void(std::string &)> apply;
    std::int64_t lost = 0; // bytes whose content is gone, in mid-file
};

std::size_t middle(const std::string &b) {
    return b.size() / 2 + 333;
}
// `n` bytes from the middle on, no further than the end.
std::size_t upTo(const std::string &b, std::size_t n) {
    return std::min(n, b.size() - middle(b));
}

const Damage kDamages[] = {
    {"cut", [](std::string &b) { b.resize(b.size() * 6 / 10 + 333); }},
    {"zeroed", [](std::string &b) { std::fill_n(b.begin() + middle(b), upTo(b, 4096), '\0'); },
     4096},
    {"overwritten",
     [](std::string &b) {
         std::mt19937 random(3);
         for (std::size_t i = middle(b); i < middle(b) + upTo(b, 4096); ++i)
             b[i] = static_cast<char>(random());
     },
     4096},
    {"deleted", [](std::string &b) { b.erase(middle(b), upTo(b, 8192)); }, 8192},
    {"duplicated", [](std::string &b) { b.insert(middle(b), b.substr(middle(b), 8192)); }},
    {"bit", [](std::string &b) { b[middle(b)] = static_cast<char>(b[middle(b)] ^ 0x10); }},
    {"tail", [](std::string &b) { std::fill(b.begin() + b.size() * 2 / 3, b.end(), '\0'); }},
};

// The strategies that a kind's mode list offers, Auto (0) first.
std::vector<int> modesOf(MediaKind kind) {
    if (kind == MediaKind::Picture)
        return {repair::kAuto, repair::Fill, repair::Crop};
    return {repair::kAuto, repair::Rebuild, repair::SkipDamaged,
            repair::Cut,   repair::Conceal, repair::ReEncode};
}

const char *modeName(MediaKind kind, int mode) {
    static const char *const media[] = {"Auto", "Rebuild", "Skip damaged",
                                        "Cut",  "Conceal", "Re-encode"};
    static const char *const pictures[] = {"Auto", "Fill", "Crop"};
    return kind == MediaKind::Picture ? pictures[mode] : media[mode];
}

// Every kind and damage with each mode: each copy made is judged intact by
// both checks and the original is left alone. Auto and Re-encode (Fill for
// pictures) make a copy of every damaged file that keeps what the damage
// left, or the table says why there is none; the other modes may find that
// their copy is still damaged, and then leave nothing.
TEST_F(Repairs, EveryModeMakesGoodCopies) {
    // Damage that no check sees leaves nothing to repair: samples and pixels
    // without structure, a flipped bit that the decoders pass, data repeated
    // in a JPEG that libjpeg decodes without a word.
    std::map<std::string, std::string> notDamaged;
    for (const char *name : {"tone.wav", "sox.wav", "pic.bmp", "magick.bmp"})
        for (const char *damage : {"zeroed", "overwritten", "duplicated", "bit", "tail"})
            notDamaged[std::string(damage) + " " + name] = "samples and pixels";
    for (const char *name : {"clip.mpg", "clip.wmv", "clip.rm", "tone.mp2", "tone.wma",
                             "twolame.mp2", "lame.mp3", "pic.jpg", "cjpeg.jpg"})
        notDamaged[std::string("bit ") + name] = "a flipped bit the decoders pass";
    notDamaged["duplicated pic.jpg"] = notDamaged["duplicated cjpeg.jpg"] = "repeated data";
    // Modes other than those may find their copy still damaged: RealMedia
    // copies by stream (Rebuild, Skip damaged, Cut, Conceal) do not decode,
    // as FFmpeg's RealMedia writer makes them, and Rebuild keeps the
    // damaged units of most kinds.
    // Copies made per kind and mode, for the log.
    std::map<std::string, std::map<std::string, int>> made;
    const char *const names[] = {"clip.avi",    "clip.mpg",  "clip.wmv", "clip.rm",
                                 "dvd.vob",     "tone.mp3",  "lame.mp3", "tone.mp2",
                                 "tone.wma",    "tone.wav",  "sox.wav",  "pic.jpg",
                                 "twolame.mp2", "cjpeg.jpg", "pic.bmp",  "magick.bmp"};
    for (const char *name : names) {
        for (const Damage &damage : kDamages) {
            const std::string row = std::string(damage.what) + " " + name;
            SCOPED_TRACE(row);
            std::string bytes = readBytes(folder->file(name));
            damage.apply(bytes);
            const MediaKind kind = repair::repairKindOf(name);
            // What survived whole when a few KiB are lost in a small file:
            // the units the damage touches at both ends go with it.
            const int whole =
                95 -
                static_cast<int>(2 * damage.lost * 100 /
                                 static_cast<std::int64_t>(readBytes(folder->file(name)).size()));
            for (const int mode : modesOf(kind)) {
                const std::string modeText = modeName(kind, mode);
                SCOPED_TRACE(modeText);
                TempDir work;
                const std::string path = work.file(name);
                writeBytes(path, bytes);
                const Fingerprint before = fingerprintOf(path);
                const auto finding = checkFile(path);
                ASSERT_TRUE(finding);
                if (finding->verdict != Verdict::Damaged) {
                    EXPECT_TRUE(notDamaged.count(row)) << finding->summary;
                    break;
                }
                repair::Request request;
                request.path = path;
                request.kind = kind;
                request.mode = mode;
                const Result result = repair::repairFile(request, *finding);
                EXPECT_EQ(fingerprintOf(path), before) << "the original changed";
                const bool mustCopy = mode == repair::kAuto || mode == repair::ReEncode ||
                                      (kind == MediaKind::Picture && mode == repair::Fill);
                if (result.outcome != Result::Outcome::Repaired) {
                    EXPECT_EQ(result.outcome, Result::Outcome::NotRepaired) << result.details;
                    EXPECT_EQ(result.copy, "");
                    EXPECT_FALSE(mustCopy) << result.details;
                    EXPECT_EQ(mendora::test::listFolder(work.path()), name);
                    continue;
                }
                ++made[name][modeText];
                EXPECT_EQ(result.copy, work.file(repair::repairedName(name, 1)));
                const auto copy = checkFile(result.copy);
                ASSERT_TRUE(copy);
                EXPECT_EQ(copy->verdict, Verdict::Intact) << copy->details;
                EXPECT_EQ(ffmpegErrors(result.copy), "") << result.details;
                // The copy keeps the original's time, and nothing else is left.
                EXPECT_EQ(fingerprintOf(result.copy).time, before.time);
                EXPECT_EQ(mendora::test::listFolder(work.path()),
                          namesInOrder({name, repair::repairedName(name, 1)}));
                if (!mustCopy)
                    continue;
                // At least what the damage left: the rows before it for
                // pictures (to a row of blocks), most of the units for the
                // rest. Video loses the frames up to its next key frame (a
                // second here) when the damage is skipped.
                const bool video = kind == MediaKind::Video;
                int survived = std::string(damage.what) == "cut" ? 55 : video ? 70 : 90;
                if (kind != MediaKind::Picture)
                    survived = std::min(survived, whole);
                for (const auto &d : finding->damage.stretches)
                    if (d.rows && d.rows->end > 0)
                        survived = static_cast<int>(d.rows->begin * 100 / d.rows->end) - 7;
                EXPECT_GE(result.keptPercent, survived) << result.details;
            }
        }
    }
    std::string log;
    for (const auto &[name, modes] : made) {
        log += std::string(name) + ":";
        for (const auto &[mode, count] : modes)
            log += " " + mode + " " + std::to_string(count);
        log += "\n";
    }
    std::cout << "copies made of " << std::size(kDamages) << " damages:\n" << log;
}

// A second repair does not replace the first copy; a failed one leaves no
// file; a folder that may not be written says so.
TEST_F(Repairs, NamingFailureAndFolders) {
    TempDir work;
    std::string bytes = readBytes(folder->file("tone.mp3"));
    bytes.resize(bytes.size() / 2 + 100);
    const std::string path = work.file("tone.mp3");
    writeBytes(path, bytes);
    const auto finding = checkFile(path);
    ASSERT_TRUE(finding);
    repair::Request request;
    request.path = path;
    request.kind = MediaKind::Music;
    const Result first = repair::repairFile(request, *finding);
    const Result second = repair::repairFile(request, *finding);
    ASSERT_EQ(first.outcome, Result::Outcome::Repaired) << first.details;
    ASSERT_EQ(second.outcome, Result::Outcome::Repaired) << second.details;
    EXPECT_EQ(second.copy, work.file("tone (repaired 2).mp3"));
    EXPECT_EQ(readBytes(first.copy), readBytes(second.copy));

    // Into another folder.
    TempDir other;
    request.folder = other.path();
    const Result elsewhere = repair::repairFile(request, *finding);
    ASSERT_EQ(elsewhere.outcome, Result::Outcome::Repaired) << elsewhere.details;
    EXPECT_EQ(elsewhere.copy, other.file("tone (repaired).mp3"));

    // A strategy that cannot make an intact copy leaves nothing behind.
    request.folder.clear();
    request.kind = MediaKind::Picture;
    request.mode = repair::Fill;
    const Result notBuilt = repair::repairFile(request, *finding);
    EXPECT_EQ(notBuilt.outcome, Result::Outcome::NotRepaired) << notBuilt.details;
    EXPECT_EQ(mendora::test::listFolder(work.path()),
              "tone (repaired 2).mp3 tone (repaired).mp3 tone.mp3");

    // A folder that may not be written, as a user without rights there.
    TempDir locked;
    ::chmod(locked.path().c_str(), 0555);
    request.mode = repair::kAuto;
    request.folder = locked.path();
    const std::string why = mendora::test::runUnprivileged(
        [&] { return repair::repairFile(request, *finding).details; });
    ::chmod(locked.path().c_str(), 0755);
    EXPECT_EQ(why,
              "not repaired: no copy can be written in " + locked.path() + ": Permission denied");
    EXPECT_EQ(mendora::test::listFolder(locked.path()), "");
}

// Stopped in the middle: no copy, no temporary file, the original as it was.
TEST_F(Repairs, StopLeavesNothing) {
    TempDir work;
    std::string bytes = readBytes(folder->file("clip.avi"));
    bytes.resize(bytes.size() * 7 / 10);
    const std::string path = work.file("clip.avi");
    writeBytes(path, bytes);
    const auto finding = checkFile(path);
    ASSERT_TRUE(finding);
    const std::atomic<bool> stop{true};
    repair::Request request;
    request.path = path;
    request.cancel = &stop;
    const Result result = repair::repairFile(request, *finding);
    EXPECT_EQ(result.outcome, Result::Outcome::Cancelled) << result.details;
    EXPECT_EQ(mendora::test::listFolder(work.path()), "clip.avi");
    EXPECT_EQ(readBytes(path), bytes);
}

} // namespace
