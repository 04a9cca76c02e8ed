// Structure walks over media made at test time by the ffmpeg command, clean
// and damaged, and over small byte fixtures that show one edge each: the
// damage map names every damaged stretch, and the walk resumes after each.
#include "mediacheck/Walk.h"
#include "support/TestFiles.h"
#include "system/FileErrors.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <vector>

using mendora::mediacheck::ByteSource;
using mendora::mediacheck::Container;
using mendora::mediacheck::Damage;
using mendora::mediacheck::DamageKind;
using mendora::mediacheck::DamageMap;
using mendora::mediacheck::FileSource;
using mendora::mediacheck::MemorySource;
using mendora::mediacheck::sniffContainer;
using mendora::mediacheck::walkStructure;
using mendora::test::makeMedia;
using mendora::test::readBytes;
using mendora::test::TempDir;
using mendora::test::writeBytes;
using Kind = DamageKind;

namespace {

DamageMap walkAs(Container container, const std::string &bytes) {
    MemorySource source(bytes);
    bool cancelled = true;
    DamageMap map = walkStructure(container, source, nullptr, cancelled);
    EXPECT_FALSE(cancelled);
    return map;
}

std::optional<Container> sniff(const std::string &bytes) {
    MemorySource source(bytes);
    return sniffContainer(source);
}

// "sound", or each stretch as kind, bytes and (for a cut) the declared end.
std::string describe(const DamageMap &map) {
    if (map.empty())
        return "sound";
    static const char *const kKinds[] = {"header", "data", "cut", "read error", "trailing"};
    std::string text;
    for (const Damage &d : map.stretches) {
        text += text.empty() ? "" : "; ";
        text += std::string(kKinds[static_cast<int>(d.kind)]) + " " +
                std::to_string(d.bytes.begin) + "-" + std::to_string(d.bytes.end);
        if (d.kind == Kind::Cut)
            text += " declared " + std::to_string(d.declared);
    }
    return text;
}

std::string le32(std::uint32_t v) {
    return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}
std::string be16(std::uint32_t v) {
    return {char(v >> 8), char(v)};
}
std::string be32(std::uint32_t v) {
    return be16(v >> 16) + be16(v);
}

// ---------------------------------------------------------------------------
// Files made by ffmpeg

struct Sample {
    const char *name;
    const char *video; // the test pattern's size, or none
    const char *arguments;
    Container container;
};

// Two seconds of test pattern and tone each. RealVideo wants sizes in
// multiples of 16. The AVI has one key frame only, so that no frame in its
// middle is bigger than the damage there.
const Sample kSamples[] = {
    {"clip.mpg", "160x120", "-c:v mpeg1video -c:a mp2", Container::MpegProgram},
    {"vcd.mpg", "160x120", "-target pal-vcd", Container::MpegProgram},
    {"svcd.mpg", "160x120", "-target pal-svcd", Container::MpegProgram},
    {"clip.vob", "160x120", "-c:v mpeg2video -c:a ac3 -f vob", Container::MpegProgram},
    {"dvd.vob", "160x120", "-target pal-dvd", Container::MpegProgram},
    {"tone.mp3", "", "-c:a libmp3lame -id3v2_version 3 -metadata title=Tone -write_id3v1 1",
     Container::MpegAudio},
    {"tone.mp2", "", "-c:a mp2", Container::MpegAudio},
    {"clip.wmv", "160x120", "-c:v msmpeg4 -c:a wmav2", Container::Asf},
    {"clip.asf", "160x120", "-c:v wmv2 -c:a wmav2", Container::Asf},
    {"tone.wma", "", "-c:a wmav2", Container::Asf},
    {"clip.avi", "160x120", "-c:v mpeg4 -g 100 -c:a mp2", Container::Riff},
    {"tone.wav", "", "-c:a pcm_s16le", Container::Riff},
    {"clip.rm", "176x144", "-c:v rv10 -c:a ac3 -f rm", Container::RealMedia},
    {"tone.ra", "", "-c:a ac3 -f rm", Container::RealMedia},
};

class Samples : public testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TempDir;
        for (const Sample &sample : kSamples) {
            std::string inputs;
            if (*sample.video)
                inputs = "-f lavfi -i testsrc=size=" + std::string(sample.video) + ":rate=25 ";
            inputs += "-f lavfi -i sine=frequency=440:sample_rate=22050 ";
            ASSERT_EQ(makeMedia(folder->file(sample.name), inputs + sample.arguments + " -t 2"),
                      "");
        }
    }
    static void TearDownTestSuite() { delete folder; }

    static std::string bytes(const char *name) { return readBytes(folder->file(name)); }

    static TempDir *folder;
};

TempDir *Samples::folder = nullptr;

TEST_F(Samples, CleanFilesAreSoundReadFromDisk) {
    for (const Sample &sample : kSamples) {
        int error = -1;
        const auto source = FileSource::open(folder->file(sample.name), error);
        ASSERT_TRUE(source) << sample.name;
        EXPECT_EQ(error, 0);
        EXPECT_EQ(sniffContainer(*source), sample.container) << sample.name;
        bool cancelled = true;
        const DamageMap map = walkStructure(sample.container, *source, nullptr, cancelled);
        EXPECT_TRUE(map.empty()) << sample.name << ": " << describe(map);
        EXPECT_FALSE(cancelled);
    }
}

struct Damage {
    const char *what;
    Kind kind;
    // Damages `bytes` and returns where the damage starts.
    std::function<std::size_t(std::string &bytes)> apply;
    bool resumes = false; // sound units follow the damage
};

// A little off round numbers: a cut exactly at a pack boundary of a stream
// of 2048-byte packs is what one file of a DVD title split into several looks
// like, and that is sound.
constexpr std::size_t kOff = 333;

std::size_t cutAt(std::string &b, double fraction) {
    b.resize(static_cast<std::size_t>(b.size() * fraction) + kOff);
    return b.size();
}

std::size_t overwriteMiddle(std::string &b, bool zeros) {
    const std::size_t at = b.size() / 2 + kOff;
    std::mt19937 random(7);
    for (std::size_t i = at; i < std::min(b.size(), at + 4096); ++i)
        b[i] = zeros ? '\0' : static_cast<char>(random());
    return at;
}

const Damage kDamages[] = {
    {"cut at 50 %", Kind::Cut, [](std::string &b) { return cutAt(b, 0.5); }},
    {"cut at 90 %", Kind::Cut, [](std::string &b) { return cutAt(b, 0.9); }},
    {"4 KiB zeroed", Kind::Data, [](std::string &b) { return overwriteMiddle(b, true); }, true},
    {"4 KiB garbage", Kind::Data, [](std::string &b) { return overwriteMiddle(b, false); }, true},
    {"last third zeroed", Kind::Data,
     [](std::string &b) {
         const std::size_t at = 2 * b.size() / 3;
         std::fill(b.begin() + static_cast<std::ptrdiff_t>(at), b.end(), '\0');
         return at;
     }},
};

TEST_F(Samples, DamagedCopiesShowTheirFault) {
    for (const Sample &sample : kSamples) {
        const std::string clean = bytes(sample.name);
        for (const Damage &damage : kDamages) {
            // PCM samples have no structure: bytes changed inside a WAV's data
            // chunk cannot be told from sound.
            if (sample.name == std::string("tone.wav") && damage.kind == Kind::Data)
                continue;
            std::string b = clean;
            const auto at = static_cast<std::int64_t>(damage.apply(b));
            const DamageMap map = walkAs(sample.container, b);
            // Zeros that fill a VCD's sector whole are what its writers pad
            // with: the block here covers one and the encoder's zero stuffing.
            if (sample.name == std::string("vcd.mpg") && std::string(damage.what) == "4 KiB zeroed")
                continue;
            SCOPED_TRACE(std::string(sample.name) + ", " + damage.what + ": " + describe(map));
            ASSERT_FALSE(map.empty());
            const mendora::mediacheck::Damage &first = map.stretches.front();
            EXPECT_EQ(first.kind, damage.kind);
            if (damage.kind == Kind::Cut) {
                EXPECT_EQ(map.stretches.size(), 1u);
                EXPECT_EQ(first.bytes.end, static_cast<std::int64_t>(b.size()));
                EXPECT_LE(first.bytes.begin, first.bytes.end);
                EXPECT_GT(first.declared, first.bytes.end);
                // Within a few bytes of the real size (RealMedia's data size
                // is a little off, and a walk may estimate).
                EXPECT_LE(first.declared, static_cast<std::int64_t>(clean.size()) + 64);
            } else {
                EXPECT_GE(first.bytes.begin, at);
                EXPECT_LT(first.bytes.begin, at + 8192);
            }
            // A damaged block in the middle is one stretch, and the walk
            // resumes within a unit or two after it.
            if (damage.resumes) {
                EXPECT_EQ(map.stretches.size(), 1u);
                EXPECT_LT(first.bytes.end, at + 4096 + 32 * 1024);
                EXPECT_GE(first.bytes.end, at + 4096 - 8192);
            }
        }
    }
}

TEST_F(Samples, DamagedId3SizeIsAHeaderFault) {
    std::string b = bytes("tone.mp3");
    ASSERT_EQ(b.substr(0, 3), "ID3");
    b[9] = static_cast<char>((b[9] + 5) & 0x7f);
    const DamageMap map = walkAs(Container::MpegAudio, b);
    ASSERT_FALSE(map.empty());
    EXPECT_EQ(map.stretches.front().kind, Kind::Header) << describe(map);
}

TEST_F(Samples, DvdTitleSplitAtAPackIsSoundInBothHalves) {
    const std::string b = bytes("dvd.vob");
    const std::size_t split = b.size() / 2 / 2048 * 2048;
    for (const std::string &half : {b.substr(0, split), b.substr(split)}) {
        EXPECT_EQ(sniff(half), Container::MpegProgram);
        const DamageMap map = walkAs(Container::MpegProgram, half);
        EXPECT_TRUE(map.empty()) << describe(map);
    }
}

TEST_F(Samples, BroadcastAsfNeedsNoSizes) {
    // A live capture: the broadcast flag set, file size and packet count 0.
    std::string b = bytes("clip.wmv");
    const std::string properties("\xa1\xdc\xab\x8c\x47\xa9\xcf\x11\x8e\xe4\x00\xc0\x0c\x20\x53\x65",
                                 16);
    const std::size_t at = b.find(properties);
    ASSERT_NE(at, std::string::npos);
    std::fill_n(b.begin() + static_cast<std::ptrdiff_t>(at + 40), 8, '\0');
    std::fill_n(b.begin() + static_cast<std::ptrdiff_t>(at + 56), 8, '\0');
    b[at + 88] = static_cast<char>(b[at + 88] | 1);
    const DamageMap map = walkAs(Container::Asf, b);
    EXPECT_TRUE(map.empty()) << describe(map);
}

// ---------------------------------------------------------------------------
// MPEG program stream fixtures

const std::string kPack("\x00\x00\x01\xba\x21\x00\x01\x00\x01\x80\x1b\x91", 12); // MPEG-1

std::string packet(std::size_t payload) {
    return std::string("\x00\x00\x01\xe0", 4) + be16(static_cast<std::uint32_t>(payload)) +
           std::string(payload, '\x55');
}

// An MPEG-1 pack header whose system clock is `clock` (90 kHz ticks), with
// one packet of `payload` bytes.
std::string packAt(std::uint32_t clock, std::size_t payload) {
    const std::string header{'\x00',
                             '\x00',
                             '\x01',
                             '\xba',
                             char(0x21 | ((clock >> 29) & 0x0e)),
                             char(clock >> 22),
                             char(((clock >> 14) & 0xfe) | 1),
                             char(clock >> 7),
                             char(((clock << 1) & 0xfe) | 1),
                             '\x80',
                             '\x1b',
                             '\x91'};
    return header + packet(payload);
}

TEST(MpegProgram, Fixtures) {
    const std::string zeros20(20, '\0');
    const std::string endCode("\x00\x00\x01\xb9", 4);
    // Packs of 118 bytes, a millisecond apart; VCD sectors, 1200 ticks apart.
    const std::string p1 = packAt(1000, 100), p2 = packAt(2000, 100), p3 = packAt(3000, 100);
    const auto vcd = [](int n) { return packAt(1200u * static_cast<unsigned>(n), 2324 - 12 - 6); };
    struct Case {
        const char *what;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"20 zero bytes after each pack", p1 + zeros20 + p2 + zeros20, "sound"},
        {"zeros before the first pack", std::string(64, '\0') + p1 + p2, "sound"},
        {"end code, then zeros", p1 + endCode + std::string(5000, '\0'), "sound"},
        {"a stray byte where a start code must be", p1 + "x" + p2, "data 118-119"},
        {"two stray runs, each resumed at the next pack", p1 + "x" + p2 + "yy" + p3,
         "data 118-119; data 237-239"},
        {"a zeroed sector between packs", p1 + std::string(2048, '\0') + p2, "data 118-2166"},
        {"a long zero tail without an end code", p1 + std::string(3000, '\0'), "data 118-3118"},
        {"bytes after the end code", p1 + endCode + "junk", "trailing 122-126"},
        {"a packet cut by the end: its pack is torn", p1 + p2.substr(0, 12 + 50),
         "cut 118-180 declared 236"},
        {"a pack header cut by the end", p1 + p2.substr(0, 8), "cut 118-126 declared 130"},
        {"a pack written twice", p1 + p2 + p2 + p3, "data 236-354"},
        {"two packs written twice", p1 + p2 + p3 + p2 + p3 + packAt(4000, 100), "data 354-590"},
        {"a stream joined to one that ran further", packAt(90'000, 100) + p1 + p2, "sound"},
        // A VCD writer fills whole 2324-byte sectors with zeros to keep its
        // bit rate; a DVD ripper writes zeros for sectors it lost.
        {"a VCD's zero sector", vcd(0) + vcd(1) + std::string(2324, '\0') + vcd(3), "sound"},
        {"zeros off the VCD's sector grid", vcd(0) + vcd(1) + std::string(2300, '\0') + vcd(3),
         "data 4648-6948"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(describe(walkAs(Container::MpegProgram, c.bytes)), c.expected) << c.what;
    }
}

// ---------------------------------------------------------------------------
// MPEG audio fixtures

// MPEG-1 layer III, 128 kbit/s, 44.1 kHz, no padding: 417 bytes.
const std::string kFrame = std::string("\xff\xfb\x90\x00", 4) + std::string(413, '\x55');

std::string frames(int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += kFrame;
    return s;
}

std::string id3(const std::string &size) {
    return std::string("ID3\x03\x00\x00", 6) + size;
}

TEST(MpegAudio, Fixtures) {
    const std::string tag = id3(std::string("\x00\x00\x00\x0a", 4)) + std::string(10, 'T');
    const std::string v1 = "TAG" + std::string(125, ' ');
    const std::string ape = "APETAGEX" + le32(2000) + le32(32 + 10) + le32(0) +
                            std::string("\x00\x00\x00\x80", 4) + std::string(8, '\0');
    const std::string apeFooter = "APETAGEX" + le32(2000) + le32(32 + 10) + le32(0) +
                                  std::string("\x00\x00\x00\x80", 4) + std::string(8, '\0');
    const std::string lyrics = "LYRICSBEGININD00002" + std::string("11") + "000021LYRICS200";
    const std::int64_t audio = 10 * 417;
    struct Case {
        const char *what;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"frames only", frames(10), "sound"},
        {"ID3v2, zero padding, frames, APE and ID3v1",
         tag + std::string(300, '\0') + frames(10) + ape + std::string(10, 'i') + apeFooter + v1,
         "sound"},
        {"Lyrics3 and ID3v1 after the frames", frames(10) + lyrics + v1, "sound"},
        {"a short zero tail", frames(10) + std::string(100, '\0'), "sound"},
        {"free format: nothing to walk", std::string("\xff\xfb\x00\x00", 4) + std::string(99, 'x'),
         "sound"},
        {"an ID3v2 size byte of 0x80: the frames after it are found",
         id3(std::string("\x00\x00\x80\x0a", 4)) + frames(4), "header 6-10"},
        {"an ID3v2 size that misses the first frame",
         id3(std::string("\x00\x00\x00\x0c", 4)) + std::string(10, 'T') + frames(4),
         "header 22-437"},
        {"a long zero tail", frames(10) + std::string(3000, '\0'), "data 4170-7170"},
        {"a few bytes appended after the frames", frames(10) + "garbage", "trailing 4170-4177"},
        {"a false sync in trailing bytes", frames(10) + std::string("\xff\xf3\x90\x00", 4) + "junk",
         "trailing 4170-4178"},
        {"an overwritten tail, too long to be appended", frames(10) + std::string(1000, 'x'),
         "data 4170-5170"},
        {"garbage between frames", frames(5) + "x" + frames(5), "data 2085-2086"},
        {"two stretches of garbage, each resumed", frames(3) + "ab" + frames(3) + "c" + frames(3),
         "data 1251-1253; data 2504-2505"},
        {"the last frame cut short", frames(10).substr(0, audio - 100),
         "cut 3753-4070 declared 4170"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(describe(walkAs(Container::MpegAudio, c.bytes)), c.expected) << c.what;
    }
}

// ---------------------------------------------------------------------------
// RIFF and CDXA fixtures

std::string chunk(const std::string &id, const std::string &body) {
    return id + le32(static_cast<std::uint32_t>(body.size())) + body +
           (body.size() % 2 ? std::string(1, '\0') : "");
}

std::string riff(const std::string &form, const std::string &body) {
    return chunk("RIFF", form + body);
}

TEST(Riff, Fixtures) {
    const std::string fmt = chunk("fmt ", std::string(16, 'f'));
    const std::string list = chunk("LIST", "movi" + chunk("00dc", "abc") + chunk("01wb", "de"));
    // A LIST whose only chunk claims 12 bytes where it holds 2.
    const std::string overrun = "LIST" + le32(14) + "movi" + "00dc" + le32(12) + "ab";
    // Chunks with two runs of garbage between them.
    const std::string movi = "LIST" + le32(61) + "movi" + chunk("00dc", "abcd") + "\x01\x02\x03" +
                             chunk("01wb", "ef") + chunk("00dc", "gh") + "\x05\x06" +
                             chunk("01wb", "ij") + chunk("00dc", "kl");
    // A RIFF whose size field claims `more` bytes than it holds.
    const auto longer = [](std::string bytes, std::uint32_t more) {
        const std::string size = le32(static_cast<std::uint32_t>(bytes.size() - 8 + more));
        bytes.replace(4, 4, size);
        return bytes;
    };
    std::string unpadded = riff("AVI ", list + chunk("JUNK", "odd"));
    unpadded.pop_back(); // the final pad byte
    unpadded[4] = static_cast<char>(unpadded[4] - 1);
    struct Case {
        const char *what;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"AVI with a LIST", riff("AVI ", list + chunk("idx1", "12345678")), "sound"},
        {"trailing junk after the RIFF", riff("WAVE", fmt + chunk("data", "1234")) + "junk!",
         "sound"},
        {"an AVIX RIFF after the first", riff("AVI ", list) + riff("AVIX", list), "sound"},
        {"a missing final pad byte", unpadded, "sound"},
        {"a chunk running past its parent", riff("AVI ", overrun + chunk("idx1", "12345678")),
         "data 24-34"},
        {"an id that is not text", riff("WAVE", fmt + std::string("d\x01ta", 4) + le32(4) + "1234"),
         "data 36-48"},
        {"two damaged stretches in a movi list, each resumed", riff("AVI ", movi),
         "data 36-39; data 59-61"},
        {"a data chunk past the end",
         riff("WAVE", fmt + chunk("data", std::string(400, 's'))).substr(0, 300),
         "cut 44-300 declared 444"},
        {"a RIFF size a few bytes larger than the chunks",
         longer(riff("WAVE", fmt + chunk("data", "1234")), 4), "sound"},
        {"a WAVE whose sound is whole, its RIFF size far larger",
         longer(riff("WAVE", fmt + chunk("data", "1234")), 1000), "sound"},
        {"an AVI whose RIFF size is far larger", longer(riff("AVI ", list), 100),
         "cut 46-46 declared 146"},
        {"tags with an item without a name",
         riff("AVI ",
              list + chunk("LIST", "INFO" + std::string(4, '\0') + le32(0) + chunk("ISFT", "x"))),
         "sound"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(describe(walkAs(Container::Riff, c.bytes)), c.expected) << c.what;
    }
}

std::string sectors(int n) {
    const std::string sync("\x00\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\x00", 12);
    std::string s;
    for (int i = 0; i < n; ++i)
        s += sync + std::string(2352 - 12, static_cast<char>('a' + i));
    return s;
}

TEST(Cdxa, Fixtures) {
    const std::string fmt = chunk("fmt ", std::string(16, 'f'));
    const std::string clean = riff("CDXA", fmt + chunk("data", sectors(4)));
    const std::int64_t data = 12 + 24 + 8; // where the sectors start
    std::string unsynced = clean;
    unsynced[data + 2 * 2352 + 5] = 'x';
    struct Case {
        const char *what;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"four sectors", clean, "sound"},
        {"a sector without its sync, resumed at the next", unsynced, "data 4748-7100"},
        {"the last sector cut short", clean.substr(0, clean.size() - 1000),
         "cut 7100-8452 declared 9452"},
    };
    EXPECT_EQ(sniff(clean), Container::Cdxa);
    for (const Case &c : cases) {
        EXPECT_EQ(describe(walkAs(Container::Cdxa, c.bytes)), c.expected) << c.what;
    }
}

// ---------------------------------------------------------------------------
// RealMedia fixtures

std::string realPacket(std::uint32_t version, std::uint32_t length) {
    return be16(version) + be16(length) + be16(0) + be32(0) + std::string(2, '\0') +
           std::string(length > 12 ? length - 12 : 0, 'p');
}

TEST(RealMedia, Fixtures) {
    const std::string head =
        ".RMF" + be32(18) + be16(0) + be32(0) + be32(4) + "PROP" + be32(12) + be16(0) + "xx";
    const auto dataChunk = [](std::uint32_t count, const std::string &packets) {
        return "DATA" + be32(static_cast<std::uint32_t>(18 + packets.size())) + be16(0) +
               be32(count) + be32(0) + packets;
    };
    const std::string three = realPacket(0, 40) + realPacket(1, 30) + realPacket(0, 20);
    struct Case {
        const char *what;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"packets, an index, zeros",
         head + dataChunk(3, three) + "INDX" + be32(10) + be16(0) + std::string(8, '\0'), "sound"},
        {"a packet of a bad version", head + dataChunk(3, realPacket(0, 40) + realPacket(2, 30)),
         "data 88-118"},
        {"a packet shorter than its header",
         head + dataChunk(3, realPacket(0, 40) + realPacket(0, 4)), "data 88-100"},
        {"two bad packets, each resumed at the next good one",
         head + dataChunk(7, realPacket(0, 40) + realPacket(2, 20) + realPacket(0, 30) +
                                 realPacket(0, 20) + realPacket(5, 20) + realPacket(0, 30) +
                                 realPacket(1, 20)),
         "data 88-108; data 158-178"},
        {"fewer packets than declared", head + dataChunk(5, three), "cut 138-138 declared 198"},
        {"a broken index", head + dataChunk(3, three) + "INDX" + be32(99), "data 138-146"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(describe(walkAs(Container::RealMedia, c.bytes)), c.expected) << c.what;
    }
}

// ---------------------------------------------------------------------------
// Sniffing, read errors, cancel, and the file source

TEST(Sniff, TellsContainersByTheirFirstBytes) {
    const std::string asf("\x30\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9\x00\xaa\x00\x62\xce\x6c", 16);
    struct Case {
        const char *what;
        std::string bytes;
        std::optional<Container> expected;
    } cases[] = {
        {"RealMedia", ".RMF" + std::string(20, '\0'), Container::RealMedia},
        {"ASF", asf + std::string(20, '\0'), Container::Asf},
        {"WAVE", "RIFF" + le32(4) + "WAVE", Container::Riff},
        {"CDXA", "RIFF" + le32(4) + "CDXA", Container::Cdxa},
        {"another RIFF form", "RIFF" + le32(4) + "WEBP", std::nullopt},
        {"BMP", "BM" + std::string(12, '\0') + le32(40), Container::Bmp},
        {"BM and no info header", "BM" + std::string(12, '\0') + le32(7), std::nullopt},
        {"a pack after zeros", std::string(10, '\0') + kPack, Container::MpegProgram},
        {"ID3v2", id3(std::string(4, '\0')) + frames(1), Container::MpegAudio},
        {"two frames that chain", frames(2), Container::MpegAudio},
        {"a frame that does not chain", kFrame + "nothing", std::nullopt},
        {"ID3v2 before FLAC", id3(std::string(4, '\0')) + "fLaC" + std::string(30, '\0'),
         std::nullopt},
        {"text", "just some text", std::nullopt},
        {"nothing", "", std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(sniff(c.bytes), c.expected) << c.what;
}

// Bytes that fail to read from an offset on, as a bad sector does.
class FailingSource : public ByteSource {
public:
    FailingSource(std::string bytes, std::int64_t badFrom)
        : bytes_(std::move(bytes)), badFrom_(badFrom) {}
    std::int64_t size() const override { return static_cast<std::int64_t>(bytes_.size()); }
    std::int64_t read(std::int64_t offset, void *out, std::size_t n) override {
        if (offset + static_cast<std::int64_t>(n) > badFrom_)
            return -1;
        return MemorySource(bytes_).read(offset, out, n);
    }
    int error() const override { return EIO; }

private:
    std::string bytes_;
    std::int64_t badFrom_;
};

TEST(Walk, ReadErrorGivesItsErrno) {
    FailingSource source(frames(20), 5000);
    bool cancelled = true;
    const DamageMap map = walkStructure(Container::MpegAudio, source, nullptr, cancelled);
    ASSERT_EQ(map.stretches.size(), 1u);
    EXPECT_EQ(map.stretches[0].kind, Kind::ReadError);
    EXPECT_EQ(map.stretches[0].error, EIO);
    EXPECT_FALSE(cancelled);
}

TEST(Walk, CancelStopsEveryWalk) {
    const std::string bytes = kPack + packet(10);
    const std::atomic<bool> cancel{true};
    for (Container container : mendora::mediacheck::kContainers) {
        MemorySource source(bytes);
        bool cancelled = false;
        EXPECT_TRUE(walkStructure(container, source, &cancel, cancelled).empty());
        EXPECT_TRUE(cancelled) << static_cast<int>(container);
    }
}

// A file of nothing but small faults: the map keeps its first stretches
// apart and joins the rest into the last one, which reaches the last fault.
TEST(Walk, ManyFaultsCostBoundedMemory) {
    std::string bytes;
    const std::size_t faults = mendora::mediacheck::kMaxStretches + 100;
    for (std::size_t i = 0; i < faults; ++i)
        bytes += kFrame + kFrame + "x";
    bytes += kFrame + kFrame;
    const DamageMap map = walkAs(Container::MpegAudio, bytes);
    ASSERT_EQ(map.stretches.size(), mendora::mediacheck::kMaxStretches);
    EXPECT_TRUE(map.joined);
    EXPECT_EQ(describe(DamageMap{{map.stretches[0]}, false}), "data 834-835");
    EXPECT_EQ(map.stretches.back().bytes.end, std::int64_t(faults * 835));
}

// Where the walks can tell it, a stretch says what stream time it covers.
TEST(Walk, StretchesTellTheirStreamTime) {
    // MPEG audio: 1152 samples at 44.1 kHz a frame, 26122 us.
    DamageMap map = walkAs(Container::MpegAudio, frames(10) + std::string(417, 'x') + frames(10));
    ASSERT_EQ(map.stretches.size(), 1u);
    ASSERT_TRUE(map.stretches[0].time);
    EXPECT_EQ(map.stretches[0].time->begin, 10 * 26122);
    EXPECT_EQ(map.stretches[0].time->end, 11 * 26122);
    // A WAVE's sound: 1000 bytes a second, cut at 0.3 s of 0.4 s.
    const std::string fmt =
        chunk("fmt ", le32(0x00010001) + le32(1000) + le32(1000) + le32(0x00080001));
    map = walkAs(Container::Riff,
                 riff("WAVE", fmt + chunk("data", std::string(400, 's'))).substr(0, 44 + 300));
    ASSERT_EQ(map.stretches.size(), 1u);
    ASSERT_TRUE(map.stretches[0].time);
    EXPECT_EQ(map.stretches[0].time->begin, 300'000);
    EXPECT_EQ(map.stretches[0].time->end, 400'000);
}

// ---------------------------------------------------------------------------
// BMP fixtures

std::string bmpFile(std::int32_t width, std::int32_t height, std::size_t pixels) {
    const std::string info = le32(40) + le32(static_cast<std::uint32_t>(width)) +
                             le32(static_cast<std::uint32_t>(height)) +
                             std::string("\x01\x00\x18\x00", 4) + le32(0) + le32(0) +
                             std::string(16, '\0');
    return "BM" + le32(static_cast<std::uint32_t>(54 + pixels)) + le32(0) + le32(54) + info +
           std::string(pixels, '\x7f');
}

TEST(Bmp, Fixtures) {
    // 4 x 10 pixels of 24 bits: rows of 12 bytes, 120 in all.
    const std::string whole = bmpFile(4, 10, 120);
    std::string unnamed = whole;
    unnamed[0] = unnamed[1] = '\0';
    std::string badInfo = whole;
    badInfo[14] = 7;
    const struct {
        const char *what;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"whole", whole, "sound"},
        {"bytes after the pixels", whole + "ICC profile", "sound"},
        {"cut in half", whole.substr(0, 54 + 60), "cut 114-114 declared 174"},
        {"cut inside a row", whole.substr(0, 54 + 65), "cut 114-119 declared 174"},
        {"cut inside the header", whole.substr(0, 40), "cut 0-40 declared 54"},
        {"no BM", unnamed, "header 0-1"},
        {"an info header of no known size", badInfo, "header 14-15"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(describe(walkAs(Container::Bmp, c.bytes)), c.expected) << c.what;
    // The rows missing from a cut picture: the top ones of a picture stored
    // bottom row first, the bottom ones of one stored top row first.
    const DamageMap bottomUp = walkAs(Container::Bmp, whole.substr(0, 54 + 36));
    ASSERT_EQ(bottomUp.stretches.size(), 1u);
    EXPECT_EQ(bottomUp.stretches[0].rows, (mendora::mediacheck::Span{0, 7}));
    const DamageMap topDown = walkAs(Container::Bmp, bmpFile(4, -10, 120).substr(0, 54 + 36));
    ASSERT_EQ(topDown.stretches.size(), 1u);
    EXPECT_EQ(topDown.stretches[0].rows, (mendora::mediacheck::Span{3, 10}));
}

TEST(FileSource, ReadsLikeTheFile) {
    TempDir folder;
    std::string bytes(700 * 1024, '\0');
    std::mt19937 random(3);
    for (char &c : bytes)
        c = static_cast<char>(random());
    writeBytes(folder.file("f"), bytes);
    int error = -1;
    const auto source = FileSource::open(folder.file("f"), error);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->size(), static_cast<std::int64_t>(bytes.size()));
    // Small reads in and across the cache, backwards, a large one, at the end.
    const std::pair<std::int64_t, std::size_t> reads[] = {
        {0, 16},
        {100, 4000},
        {256 * 1024 - 3, 10},
        {5, 7},
        {1000, 300 * 1024},
        {static_cast<std::int64_t>(bytes.size()) - 5, 50},
        {static_cast<std::int64_t>(bytes.size()) + 10, 4}};
    for (const auto &[offset, n] : reads) {
        std::vector<char> out(n);
        const std::int64_t got = source->read(offset, out.data(), n);
        const std::string expected =
            offset < static_cast<std::int64_t>(bytes.size()) ? bytes.substr(offset, n) : "";
        ASSERT_EQ(got, static_cast<std::int64_t>(expected.size())) << offset;
        EXPECT_EQ(std::string(out.data(), static_cast<std::size_t>(got)), expected) << offset;
    }
}

TEST(FileSource, OpenFailureGivesErrno) {
    int error = 0;
    EXPECT_FALSE(FileSource::open("/nonexistent/mendora/file", error));
    EXPECT_EQ(error, ENOENT);
}

TEST(FileSource, ReadErrorGivesErrno) {
    // A file whose first page is never mapped: reading it fails.
    int error = -1;
    const auto source = FileSource::open("/proc/self/mem", error);
    ASSERT_TRUE(source) << error;
    char c;
    EXPECT_EQ(source->read(0, &c, 1), -1);
    EXPECT_EQ(source->error(), EIO);
}

TEST(FileSource, FolderPipeAndDevicesAreRefused) {
    TempDir folder;
    int error = -1;
    EXPECT_FALSE(FileSource::open(folder.path(), error));
    EXPECT_EQ(error, EISDIR);
    ASSERT_EQ(::mkfifo(folder.file("pipe").c_str(), 0644), 0);
    EXPECT_FALSE(FileSource::open(folder.file("pipe"), error)) << "and opening it did not block";
    EXPECT_EQ(error, mendora::kNotRegularFile);
    EXPECT_FALSE(FileSource::open("/dev/null", error));
    EXPECT_EQ(error, mendora::kNotRegularFile);
    // A block device has no size that stat tells: refused too, not "empty".
    ASSERT_EQ(::mknod(folder.file("disk").c_str(), S_IFBLK | 0600, makedev(7, 0)), 0);
    EXPECT_FALSE(FileSource::open(folder.file("disk"), error));
    EXPECT_EQ(error, mendora::kNotRegularFile);
}

} // namespace
