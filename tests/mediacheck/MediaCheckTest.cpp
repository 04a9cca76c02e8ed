// Verdicts on media made at test time by the ffmpeg command, clean and damaged.
#include "mediacheck/MediaCheck.h"
#include "mediacheck/Structure.h"
#include "support/TestFiles.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sys/stat.h>
#include <vector>

using mendora::mediacheck::checkBytes;
using mendora::mediacheck::checkFile;
using mendora::mediacheck::Verdict;
using mendora::mediacheck::verdictName;
using mendora::test::makeMedia;
using mendora::test::readBytes;
using mendora::test::TempDir;
using mendora::test::writeBytes;

namespace {

// Two seconds of test pattern and tone in each kind of the open dialog's
// filter that this FFmpeg writes, made once.
class Media : public testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TempDir;
        const std::string video = "-f lavfi -i testsrc=size=176x144:rate=25 ";
        const std::string audio = "-f lavfi -i sine=frequency=440:sample_rate=22050 ";
        const std::string picture = "-f lavfi -i testsrc2=size=320x240 -frames:v 1 ";
        const std::map<std::string, std::string> kinds = {
            {"clip.avi", video + audio + "-t 2 -c:v mpeg4 -c:a mp2"},
            {"clip.mpg", video + audio + "-t 2 -c:v mpeg1video -c:a mp2"},
            {"clip.wmv", video + audio + "-t 2 -c:v msmpeg4 -c:a wmav2"},
            {"clip.asf", video + audio + "-t 2 -c:v wmv2 -c:a wmav2"},
            {"clip.rm", video + audio + "-t 2 -c:v rv10 -c:a ac3"},
            {"vcd.mpg", video + audio + "-t 2 -target pal-vcd"},
            {"dvd.vob", video + audio + "-t 2 -target pal-dvd"},
            {"tone.wav", audio + "-t 2 -c:a pcm_s16le"},
            {"tone.mp3", audio + "-t 2 -c:a libmp3lame -metadata title=Tone"},
            {"tone.mp2", audio + "-t 2 -c:a mp2"},
            {"tone.wma", audio + "-t 2 -c:a wmav2"},
            {"pic.jpg", picture},
            {"pic.bmp", picture},
        };
        for (const auto &[name, arguments] : kinds) {
            ASSERT_EQ(makeMedia(folder->file(name), arguments), "");
            names.push_back(name);
        }
    }
    static void TearDownTestSuite() { delete folder; }

    static std::string copyWith(const std::string &name, const std::string &what,
                                const std::function<void(std::string &)> &damage) {
        std::string bytes = readBytes(folder->file(name));
        damage(bytes);
        const std::string path = folder->file(what + "-" + name);
        writeBytes(path, bytes);
        return path;
    }

    static TempDir *folder;
    static std::vector<std::string> names;
};

TempDir *Media::folder = nullptr;
std::vector<std::string> Media::names;

TEST_F(Media, CleanFilesAreIntact) {
    for (const std::string &name : names) {
        const auto finding = checkFile(folder->file(name));
        ASSERT_TRUE(finding) << name;
        EXPECT_EQ(finding->verdict, Verdict::Intact) << name << ": " << finding->details;
        EXPECT_EQ(finding->summary, "intact");
    }
}

// What a finding says, in classes: the file ends early, its data or its
// header is damaged.
std::string classOf(const mendora::mediacheck::Finding &f) {
    if (f.verdict != Verdict::Damaged)
        return verdictName(f.verdict);
    if (f.summary.starts_with("ends at ") || f.summary == "cut short")
        return "cut";
    if (f.summary.starts_with("damaged data near ") || f.summary == "damaged picture data")
        return "data";
    if (f.summary == "damaged header")
        return "header";
    return "other: " + f.summary;
}

TEST_F(Media, DamagedCopiesAreDamagedWithTheRightFinding) {
    const auto cut = [](double keep) {
        return [keep](std::string &b) { b.resize(static_cast<std::size_t>(b.size() * keep)); };
    };
    const auto zeroMiddle = [](std::string &b) {
        std::fill_n(b.begin() + b.size() / 2, std::min<std::size_t>(4096, b.size() / 2), '\0');
    };
    const auto flipBits = [](std::string &b) {
        std::mt19937 random(7);
        std::uniform_int_distribution<std::size_t> where(b.size() / 10, b.size() * 9 / 10);
        for (int i = 0; i < 20; ++i)
            b[where(random)] ^= static_cast<char>(1 << (random() % 8));
    };
    const auto garbleHeader = [](std::string &b) {
        std::mt19937 random(11);
        for (std::size_t i = 0; i < 64; ++i)
            b[i] = static_cast<char>(random());
    };
    const auto zeroLastThird = [](std::string &b) {
        std::fill(b.begin() + 2 * b.size() / 3, b.end(), '\0');
    };
    struct Damage {
        const char *what;
        std::function<void(std::string &)> apply;
        const char *finding; // the class expected, "any" for any damaged one
    };
    const Damage damages[] = {
        {"cut50", cut(0.5), "cut"},           {"cut90", cut(0.9), "cut"},
        {"zeroed-block", zeroMiddle, "data"}, {"flips", flipBits, "data"},
        {"header", garbleHeader, "header"},   {"last-third-zeroed", zeroLastThird, "any"},
    };
    // Where the finding differs from the damage's: decoders that fail where
    // the header went wrong, cut files whose last frames fail to decode.
    const std::map<std::string, std::string> other = {
        {"header clip.avi", "data"}, {"header clip.rm", "data"}, {"header pic.bmp", "data"},
        {"cut50 clip.mpg", "data"},  {"cut50 pic.bmp", "data"},  {"cut90 pic.bmp", "data"},
    };
    // What cannot be seen (found or not by chance of where the damage lands):
    // uncompressed samples and pixels carry no check; MP2 without CRC and WMA
    // carry none either; a program stream cut at a pack boundary is what the
    // parts of a DVD title are.
    const std::map<std::string, std::string> undetectable = {
        {"zeroed-block tone.wav", "samples"},
        {"flips tone.wav", "samples"},
        {"last-third-zeroed tone.wav", "samples"},
        {"zeroed-block pic.bmp", "pixels"},
        {"flips pic.bmp", "pixels"},
        {"last-third-zeroed pic.bmp", "pixels"},
        {"flips tone.mp2", "no CRC"},
        {"flips tone.wma", "no check"},
        {"cut90 clip.mpg", "pack boundary"},
        {"cut50 vcd.mpg", "pack boundary"},
        {"cut50 dvd.vob", "pack boundary"},
    };
    int flagged = 0, seen = 0;
    for (const std::string &name : names) {
        for (const Damage &d : damages) {
            const std::string key = std::string(d.what) + " " + name;
            const auto finding = checkFile(copyWith(name, d.what, d.apply));
            ASSERT_TRUE(finding) << key;
            if (undetectable.count(key)) {
                EXPECT_NE(finding->verdict, Verdict::Unsupported) << key;
                continue;
            }
            ++seen;
            flagged += finding->verdict == Verdict::Damaged;
            const auto o = other.find(key);
            const std::string expected = o != other.end() ? o->second : d.finding;
            EXPECT_EQ(finding->verdict, Verdict::Damaged) << key << ": " << finding->details;
            if (expected != "any") {
                EXPECT_EQ(classOf(*finding), expected) << key << ": " << finding->details;
            }
        }
    }
    EXPECT_EQ(flagged, seen);
}

// A DVD title split at pack boundaries: each part begins and ends inside
// frames, and neither is damaged for it.
TEST_F(Media, PartsOfASplitTitleAreIntact) {
    const std::string title = readBytes(folder->file("dvd.vob"));
    const std::size_t cut = title.size() / 2 / 2048 * 2048;
    writeBytes(folder->file("VTS_01_1.VOB"), title.substr(0, cut));
    writeBytes(folder->file("VTS_01_2.VOB"), title.substr(cut));
    for (const char *part : {"VTS_01_1.VOB", "VTS_01_2.VOB"}) {
        const auto finding = checkFile(folder->file(part));
        ASSERT_TRUE(finding);
        EXPECT_EQ(finding->verdict, Verdict::Intact) << part << ": " << finding->details;
    }
}

// A read error in the middle of a file is its verdict, with the system's text.
TEST_F(Media, AReadErrorMidFileMakesItUnreadable) {
    class FailingHalfway : public mendora::mediacheck::ByteSource {
    public:
        explicit FailingHalfway(std::string bytes) : bytes_(std::move(bytes)) {}
        std::int64_t size() const override { return std::int64_t(bytes_.size()); }
        std::int64_t read(std::int64_t offset, void *out, std::size_t n) override {
            if (offset + std::int64_t(n) > size() / 2)
                return -1;
            std::memcpy(out, bytes_.data() + offset, n);
            return std::int64_t(n);
        }
        int error() const override { return EIO; }

    private:
        std::string bytes_;
    };
    for (const char *name : {"clip.avi", "tone.mp3", "pic.jpg"}) {
        FailingHalfway source(readBytes(folder->file(name)));
        const auto finding = checkBytes(source, name);
        ASSERT_TRUE(finding);
        EXPECT_EQ(finding->verdict, Verdict::Unreadable) << name << ": " << finding->details;
        EXPECT_EQ(finding->details, "Input/output error") << name;
    }
}

TEST_F(Media, FilesThatAreNotMediaOrCannotBeRead) {
    writeBytes(folder->file("empty.avi"), "");
    writeBytes(folder->file("notes.mp3"), std::string(3000, 'x'));
    writeBytes(folder->file("list.asx"),
               "\xEF\xBB\xBF <ASX version=\"3.0\"><Entry><Ref href=\"clip.wmv\"/></Entry></ASX>");
    writeBytes(folder->file("zeros.wmv"), std::string(5000, '\0'));
    // A named pipe must not hang the check (nothing ever writes to it).
    ASSERT_EQ(::mkfifo(folder->file("pipe.avi").c_str(), 0644), 0);
    mendora::test::makeFolder(folder->file("folder.avi"));
    const struct {
        std::string path;
        Verdict verdict;
        const char *details;
    } cases[] = {
        {folder->file("empty.avi"), Verdict::Damaged, "empty file"},
        {folder->file("notes.mp3"), Verdict::Unsupported, nullptr},
        {folder->file("list.asx"), Verdict::Unsupported,
         "a playlist, which names media files but holds none"},
        {folder->file("zeros.wmv"), Verdict::Unsupported, nullptr},
        {folder->file("missing.avi"), Verdict::Unreadable, "No such file or directory"},
        {folder->file("pipe.avi"), Verdict::Unreadable, "Illegal seek"},
        {folder->file("folder.avi"), Verdict::Unreadable, "Is a directory"},
    };
    for (const auto &c : cases) {
        const auto finding = checkFile(c.path);
        ASSERT_TRUE(finding) << c.path;
        EXPECT_EQ(finding->verdict, c.verdict) << c.path << ": " << finding->summary;
        if (c.details) {
            EXPECT_EQ(finding->details, c.details);
        }
    }
}

TEST_F(Media, ProgressGrowsToTheSizeAndCancelStops) {
    const std::string path = folder->file("clip.avi");
    std::vector<std::int64_t> seen;
    mendora::mediacheck::CheckControl control;
    control.progress = [&](std::int64_t bytes) { seen.push_back(bytes); };
    ASSERT_TRUE(checkFile(path, control));
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), static_cast<std::int64_t>(readBytes(path).size()));

    std::atomic<bool> cancel = false;
    int calls = 0;
    control.cancel = &cancel;
    control.progress = [&](std::int64_t) {
        if (++calls == 3)
            cancel = true;
    };
    EXPECT_FALSE(checkFile(path, control)) << "a cancelled check has no verdict";
    EXPECT_EQ(calls, 3);
}

} // namespace
