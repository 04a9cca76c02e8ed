// Verdicts on media made at test time by the ffmpeg command and by other
// writers, clean and damaged, and on small fixtures of what users meet.
#include "mediacheck/MediaCheck.h"
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
#include <sys/sysmacros.h>
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
        const std::string &video = mendora::test::kTestVideo;
        const std::string &audio = mendora::test::kTestAudio;
        const std::string &picture = mendora::test::kTestPicture;
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
    if (f.summary.starts_with("damaged: ends at ") || f.summary == "damaged: cut short")
        return "cut";
    if (f.summary.starts_with("damaged: data near ") || f.summary == "damaged: picture data")
        return "data";
    if (f.summary == "damaged: header")
        return "header";
    if (f.summary.starts_with("damaged: no ") && f.summary.ends_with(" data found"))
        return "nothing";
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
    // A picture whose first bytes are noise holds nothing that tells a BMP.
    const std::map<std::string, std::string> other = {
        {"header clip.avi", "data"},
        {"header clip.rm", "data"},
        {"header pic.bmp", "nothing"},
        {"cut50 clip.mpg", "data"},
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
        // The block covers one of the VCD's sectors whole, and the rest of
        // what it overwrites is the encoder's zero stuffing: a zeroed sector
        // is what VCD writers pad with, and the decoders see no gap.
        {"zeroed-block vcd.mpg", "a padding sector"},
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
            EXPECT_FALSE(finding->damage.empty()) << key;
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

// What users meet: failed copies that hold nothing (damaged, whatever the
// kind), things recognisably beyond judging (unsupported), and paths that
// are no file (unreadable, in words a user understands).
TEST_F(Media, FilesThatHoldNothingOrCannotBeRead) {
    std::mt19937 random(5);
    std::string noise(20000, '\0');
    for (char &c : noise)
        c = static_cast<char>(random());
    const std::string wav = readBytes(folder->file("tone.wav"));
    // The header zeroed up to the samples, and only its first 44 bytes
    // (then the data chunk's own header is left).
    std::string zeroedHeader = wav;
    std::fill_n(zeroedHeader.begin(), wav.find("data") + 8, '\0');
    std::string zeroed44 = wav;
    std::fill_n(zeroed44.begin(), 44, '\0');
    // A picture whose tables are gone: its entropy-coded data are left.
    std::string zeroedJpegHeader = readBytes(folder->file("pic.jpg"));
    std::fill_n(zeroedJpegHeader.begin(), 1024, '\0');
    const std::pair<const char *, std::string> written[] = {
        {"empty.avi", ""},
        {"zeros.wmv", std::string(5000, '\0')},
        {"zeros.mpg", std::string(30000, '\0')},
        {"zeros.jpg", std::string(5000, '\0')},
        {"noise.mpg", noise},
        {"noise.mp3", noise},
        {"noise.avi", noise},
        {"noise.bmp", noise},
        {"noise.jpg", noise},
        {"noise.rm", noise},
        {"noise.dat", noise},
        {"notes.mp3", std::string(3000, 'x')},
        {"riff-only.wav", wav.substr(0, 12)},
        {"zeroed-header.wav", zeroedHeader},
        {"zeroed-44.wav", zeroed44},
        {"zeroed-header.jpg", zeroedJpegHeader},
        {"empty.asx", ""},
        {"list.asx",
         "\xEF\xBB\xBF <ASX version=\"3.0\"><Entry><Ref href=\"clip.wmv\"/></Entry></ASX>"},
        {"notes.txt", "just some text"},
    };
    for (const auto &[name, bytes] : written)
        writeBytes(folder->file(name), bytes);
    // A stream whose codec no decoder here knows: the MPEG-4 video's tag
    // made one of no codec's.
    ASSERT_EQ(makeMedia(folder->file("video-only.avi"),
                        "-f lavfi -i testsrc=size=64x48:rate=5 -t 1 -c:v mpeg4"),
              "");
    std::string unknown = readBytes(folder->file("video-only.avi"));
    for (std::size_t at = unknown.find("FMP4"); at != std::string::npos; at = unknown.find("FMP4"))
        unknown.replace(at, 4, "ZZZZ");
    writeBytes(folder->file("unknown-codec.avi"), unknown);
    // A named pipe must not hang the check (nothing ever writes to it).
    ASSERT_EQ(::mkfifo(folder->file("pipe.avi").c_str(), 0644), 0);
    ASSERT_EQ(::mknod(folder->file("disk.avi").c_str(), S_IFBLK | 0600, makedev(7, 0)), 0);
    mendora::test::makeFolder(folder->file("folder.avi"));
    const struct {
        const char *name;
        const char *summary;
    } cases[] = {
        {"empty.avi", "damaged: empty file"},
        {"zeros.wmv", "damaged: no video data found"},
        {"zeros.mpg", "damaged: no video data found"},
        {"zeros.jpg", "damaged: no picture data found"},
        {"noise.mpg", "damaged: no video data found"},
        {"noise.mp3", "damaged: no music data found"},
        {"noise.avi", "damaged: no video data found"},
        {"noise.bmp", "damaged: no picture data found"},
        {"noise.jpg", "damaged: no picture data found"},
        {"noise.rm", "damaged: no video data found"},
        {"noise.dat", "damaged: no video data found"},
        {"notes.mp3", "damaged: no music data found"},
        {"riff-only.wav", "damaged: no music data found"},
        {"zeroed-header.wav", "damaged: no music data found"},
        {"zeroed-44.wav", "damaged: header"},
        {"zeroed-header.jpg", "damaged: header"},
        {"list.asx", "unsupported: a playlist"},
        {"empty.asx", "unsupported: a playlist"},
        {"notes.txt", "unsupported: not a media file"},
        {"unknown-codec.avi", "unsupported: no decoder here"},
        {"missing.avi", "unreadable: No such file or directory"},
        {"pipe.avi", "unreadable: not a regular file"},
        {"disk.avi", "unreadable: not a regular file"},
        {"folder.avi", "unreadable: Is a directory"},
    };
    for (const auto &c : cases) {
        const auto finding = checkFile(folder->file(c.name));
        ASSERT_TRUE(finding) << c.name;
        EXPECT_EQ(finding->summary, c.summary) << c.name << ": " << finding->details;
    }
}

std::string le32(std::uint32_t v) {
    return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

// Clean files from other writers that a player plays whole: no false alarms.
TEST_F(Media, CleanFilesOfOtherWritersAreIntact) {
    using mendora::test::runCommand;
    const std::string ppm = folder->file("pic.ppm");
    ASSERT_EQ(makeMedia(ppm, "-f lavfi -i testsrc2=size=320x240 -frames:v 1"), "");
    // libjpeg's arithmetic coding, which FFmpeg's decoder does not know.
    ASSERT_EQ(
        runCommand("cjpeg -arithmetic -outfile '" + folder->file("arith.jpg") + "' '" + ppm + "'"),
        "");
    ASSERT_EQ(runCommand("cjpeg -progressive -optimize -outfile '" +
                         folder->file("progressive.jpg") + "' '" + ppm + "'"),
              "");
    ASSERT_EQ(runCommand("convert '" + ppm + "' '" + folder->file("magick.bmp") + "'"), "");
    ASSERT_EQ(runCommand("convert '" + ppm + "' -quality 80 '" + folder->file("magick.jpg") + "'"),
              "");
    ASSERT_EQ(
        runCommand("sox -n -r 22050 -c 2 -b 16 '" + folder->file("sox.wav") + "' synth 2 sine 440"),
        "");
    // A VCD without video: its writer fills the bit rate with zero sectors.
    ASSERT_EQ(makeMedia(folder->file("audio-vcd.mpg"),
                        "-f lavfi -i sine=frequency=440:sample_rate=44100 -t 3 -target pal-vcd"),
              "");
    // A WAVE whose RIFF size counts a few bytes more than the file holds.
    std::string wav = readBytes(folder->file("sox.wav"));
    const auto riffSize = static_cast<std::uint32_t>(wav.size() - 8 + 6);
    for (int i = 0; i < 4; ++i)
        wav[4 + i] = static_cast<char>(riffSize >> (8 * i));
    writeBytes(folder->file("long-riff.wav"), wav);
    // An AVI that ends with tags, one of whose items has no name.
    std::string avi = readBytes(folder->file("clip.avi"));
    const std::string items = std::string(4, '\0') + le32(0) + "ISFT" + le32(2) + "x" + '\0';
    avi += "LIST" + le32(static_cast<std::uint32_t>(4 + items.size())) + "INFO" + items;
    avi.replace(4, 4, le32(static_cast<std::uint32_t>(avi.size() - 8)));
    writeBytes(folder->file("tags.avi"), avi);
    // Bytes appended after the last unit: a zero byte, a signature, a sector
    // of zeros; and tags a demuxer does not know.
    const auto append = [&](const char *from, const char *to, const std::string &tail) {
        writeBytes(folder->file(to), readBytes(folder->file(from)) + tail);
    };
    append("tone.mp3", "zero-after.mp3", std::string(1, '\0'));
    append("tone.mp2", "text-after.mp2", "written by hand");
    append("clip.mpg", "sector-after.mpg", std::string(2048, '\0'));
    append("clip.rm", "text-after.rm", "written by hand");
    append("tone.mp3", "ape-footer.mp3",
           std::string("some tag") + "APETAGEX" + le32(2000) + le32(32 + 8) + le32(1) + le32(0) +
               std::string(8, '\0'));
    // Files written to a pipe, whose writer could not go back to fill in
    // sizes, counts and durations; a WAVE past 4 GiB's form.
    const std::string sources = "-f lavfi -i testsrc=size=176x144:rate=25 -f lavfi -i sine -t 2 ";
    for (const auto &[name, format] : {std::pair{"piped.wmv", "-c:v msmpeg4 -c:a wmav2 -f asf"},
                                       std::pair{"piped.avi", "-c:v mpeg4 -c:a mp2 -f avi"},
                                       std::pair{"piped.rm", "-c:v rv10 -c:a ac3 -f rm"}})
        ASSERT_EQ(runCommand("ffmpeg -v error " + sources + format + " - | cat > '" +
                             folder->file(name) + "'"),
                  "");
    ASSERT_EQ(
        makeMedia(folder->file("rf64.wav"), "-f lavfi -i sine -t 1 -c:a pcm_s16le -rf64 always"),
        "");
    // A BMP whose file and image sizes are 0, as some writers leave them.
    std::string bmp = readBytes(folder->file("pic.bmp"));
    bmp.replace(2, 4, le32(0));
    bmp.replace(34, 4, le32(0));
    writeBytes(folder->file("no-sizes.bmp"), bmp);
    for (const char *name :
         {"arith.jpg", "progressive.jpg", "magick.bmp", "magick.jpg", "sox.wav", "audio-vcd.mpg",
          "long-riff.wav", "tags.avi", "zero-after.mp3", "text-after.mp2", "sector-after.mpg",
          "text-after.rm", "ape-footer.mp3", "piped.wmv", "piped.avi", "piped.rm", "rf64.wav",
          "no-sizes.bmp"}) {
        const auto finding = checkFile(folder->file(name));
        ASSERT_TRUE(finding) << name;
        EXPECT_EQ(finding->summary, "intact") << name << ": " << finding->details;
    }
    // The packets of a piped ASF are walked to the end, so damage there is seen.
    std::string piped = readBytes(folder->file("piped.wmv"));
    std::fill_n(piped.begin() + static_cast<std::ptrdiff_t>(piped.size() / 2), 4096, '\0');
    writeBytes(folder->file("piped-zeroed.wmv"), piped);
    const auto zeroed = checkFile(folder->file("piped-zeroed.wmv"));
    ASSERT_TRUE(zeroed);
    EXPECT_TRUE(zeroed->summary.starts_with("damaged: data near ")) << zeroed->details;
}

// Where the damage is, in the terms of what it spoils.
TEST_F(Media, DamageIsPlacedWhereItSpoilsTheFile) {
    // A picture zeroed from a third of its bytes breaks where a cut there
    // would end it.
    const std::string jpeg = readBytes(folder->file("pic.jpg"));
    std::string zeroed = jpeg;
    std::fill(zeroed.begin() + static_cast<std::ptrdiff_t>(jpeg.size() / 3),
              zeroed.begin() + static_cast<std::ptrdiff_t>(jpeg.size() / 3 + 4096), '\0');
    writeBytes(folder->file("zeroed.jpg"), zeroed);
    writeBytes(folder->file("third.jpg"), jpeg.substr(0, jpeg.size() / 3));
    const auto zeroedFinding = checkFile(folder->file("zeroed.jpg"));
    const auto cutFinding = checkFile(folder->file("third.jpg"));
    ASSERT_TRUE(zeroedFinding && cutFinding);
    const auto percentIn = [](const std::string &summary) {
        const std::size_t space = summary.find_last_of(' ', summary.find(" %") - 1);
        return std::stoi(summary.substr(space + 1));
    };
    ASSERT_TRUE(zeroedFinding->summary.starts_with("damaged: data near "))
        << zeroedFinding->summary;
    ASSERT_TRUE(cutFinding->summary.starts_with("damaged: ends at ")) << cutFinding->summary;
    EXPECT_NEAR(percentIn(zeroedFinding->summary), percentIn(cutFinding->summary), 8)
        << zeroedFinding->summary << " / " << cutFinding->summary;
    EXPECT_LT(percentIn(zeroedFinding->summary), 60);

    // A picture cut in half ends at half its declared length.
    const std::string bmp = readBytes(folder->file("pic.bmp"));
    writeBytes(folder->file("half.bmp"), bmp.substr(0, bmp.size() / 2));
    const auto half = checkFile(folder->file("half.bmp"));
    ASSERT_TRUE(half);
    EXPECT_EQ(half->summary, "damaged: ends at 50 % of its declared length") << half->details;
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
