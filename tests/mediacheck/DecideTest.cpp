// The verdict decided from evidence alone, as a table: which finding wins.
#include "mediacheck/Evidence.h"

#include <cerrno>
#include <functional>
#include <gtest/gtest.h>
#include <string>

using namespace mendora::mediacheck;

namespace {

// A file of 100,000 bytes that a demuxer took and whose streams decode.
Evidence decodedFile(Container container = Container::Asf, bool sniffed = true) {
    Evidence e;
    e.size = 100'000;
    e.kind = MediaKind::Video;
    e.container = container;
    e.sniffed = sniffed;
    DecoderEvidence d;
    d.opened = d.streamInfo = true;
    d.mediaStreams = d.decodableStreams = 2;
    d.frames = 50;
    e.decoders = d;
    return e;
}

Evidence with(Evidence e, const std::function<void(Evidence &)> &change) {
    change(e);
    return e;
}

Evidence decoderErrorAt(Evidence e, std::int64_t at) {
    e.decoders->firstError = e.decoders->firstAfterHead = e.decoders->firstInBody = at;
    return e;
}

Evidence walked(Evidence e, std::initializer_list<Damage> stretches) {
    for (const Damage &d : stretches)
        e.walk.add(d);
    return e;
}

JpegEvidence jpeg(JpegEvidence::Outcome outcome, std::int64_t breakRow = 0) {
    JpegEvidence j;
    j.outcome = outcome;
    j.height = 200;
    j.breakRow = breakRow;
    return j;
}

Evidence picture(JpegEvidence j, bool looksLikeJpeg = true) {
    Evidence e;
    e.size = 50'000;
    e.kind = MediaKind::Picture;
    e.looksLikeJpeg = looksLikeJpeg;
    e.jpeg = j;
    return e;
}

TEST(Decide, WhichFindingWins) {
    using O = JpegEvidence::Outcome;
    const Damage cutAtEnd = cutShort(99'000, 100'000, 200'000, DamageUnit::Packet);
    const struct {
        const char *what;
        Evidence evidence;
        const char *summary;
    } cases[] = {
        {"a clean file", decodedFile(), "intact"},
        {"an empty file", with({}, [](Evidence &e) { e.kind = MediaKind::Music; }),
         "damaged: empty file"},
        {"a read error beats everything else",
         with(decoderErrorAt(decodedFile(), 10), [](Evidence &e) { e.readError = EIO; }),
         "unreadable: Input/output error"},
        {"a read error in the walk", walked(decodedFile(), {readError(500, EIO)}),
         "unreadable: Input/output error"},
        {"a playlist",
         with({},
              [](Evidence &e) {
                  e.size = 100;
                  e.playlist = true;
              }),
         "unsupported: a playlist"},
        {"nothing a demuxer takes, named as video",
         with({},
              [](Evidence &e) {
                  e.size = 5000;
                  e.kind = MediaKind::Video;
              }),
         "damaged: no video data found"},
        {"nothing a demuxer takes, named as music",
         with({},
              [](Evidence &e) {
                  e.size = 12;
                  e.kind = MediaKind::Music;
                  e.container = Container::Riff;
                  e.sniffed = true;
                  e.decoders = DecoderEvidence{};
              }),
         "damaged: no music data found"},
        {"nothing a demuxer takes, but the format's structures behind the header",
         with({},
              [](Evidence &e) {
                  e.size = 5000;
                  e.kind = MediaKind::Video;
                  e.remains = true;
              }),
         "damaged: header"},
        {"nothing a demuxer takes, and no media name", with({}, [](Evidence &e) { e.size = 10; }),
         "unsupported: not a media file"},
        {"streams without a decoder here",
         with(decodedFile(), [](Evidence &e) { e.decoders->decodableStreams = 0; }),
         "unsupported: no decoder here"},
        {"taken on the name's word, nothing decodes",
         with(decodedFile(Container::MpegProgram, false),
              [](Evidence &e) { e.decoders->frames = 0; }),
         "damaged: no video data found"},
        {"taken on the name's word, the walk finds next to nothing",
         walked(decodedFile(Container::MpegAudio, false),
                {damagedHeader(0, DamageUnit::Frame, 95'000)}),
         "damaged: no video data found"},
        {"found further in than it should begin",
         walked(decodedFile(Container::MpegProgram, false), {damagedData(0, 64, DamageUnit::Pack)}),
         "damaged: header"},
        {"a damaged header from the walk", walked(decodedFile(), {damagedHeader(16)}),
         "damaged: header"},
        {"decoder errors first",
         walked(decoderErrorAt(decodedFile(), 30'000),
                {damagedData(60'000, 61'000, DamageUnit::Packet)}),
         "damaged: data near 30 %"},
        {"the walk's damage first",
         walked(decoderErrorAt(decodedFile(), 70'000),
                {damagedData(45'000, 46'000, DamageUnit::Packet)}),
         "damaged: data near 45 %"},
        {"errors near the end of a cut file are the cut's",
         walked(decoderErrorAt(decodedFile(), 98'000), {cutAtEnd}),
         "damaged: ends at 50 % of its declared length"},
        {"a cut in a stream that declares no size",
         walked(decodedFile(Container::MpegAudio),
                {cutShort(99'800, 100'000, 100'300, DamageUnit::Frame)}),
         "damaged: cut short"},
        {"a shorter decoded duration",
         with(decodedFile(Container::MpegProgram),
              [](Evidence &e) { e.decoders->decodedPercent = 73; }),
         "damaged: ends at 73 % of its declared length"},
        {"bytes after the container's end spoil nothing",
         walked(decodedFile(), {trailingGarbage(99'000, 100'000, DamageUnit::Object)}), "intact"},
        {"a DVD title's part: errors in its first frames",
         with(decoderErrorAt(decodedFile(Container::MpegProgram), 2000),
              [](Evidence &e) {
                  e.vobName = true;
                  e.decoders->firstAfterHead = e.decoders->firstInBody = -1;
              }),
         "intact"},
        {"the same errors in a whole program stream",
         with(decoderErrorAt(decodedFile(Container::MpegProgram), 2000),
              [](Evidence &e) { e.decoders->firstAfterHead = e.decoders->firstInBody = -1; }),
         "damaged: data near 2 %"},
        {"a picture libjpeg decodes", picture(jpeg(O::Intact)), "intact"},
        {"a picture cut short", picture(jpeg(O::CutShort, 100)),
         "damaged: ends at 50 % of its declared length"},
        {"a picture corrupt from a row", picture(jpeg(O::Corrupt, 56)), "damaged: data near 28 %"},
        {"a picture without its end marker", picture(jpeg(O::EndMissing, 200)),
         "damaged: data near 100 %"},
        {"FFmpeg's decoder finds what libjpeg passes",
         with(picture(jpeg(O::Intact)),
              [](Evidence &e) {
                  e.decoders = decodedFile().decoders;
                  e.decoders->firstError = 400;
              }),
         "damaged: picture data"},
        {"but not for arithmetic coding, which it cannot decode",
         with(picture(jpeg(O::Intact)),
              [](Evidence &e) {
                  e.jpeg->arithmetic = true;
                  e.decoders = decodedFile().decoders;
                  e.decoders->firstError = 0;
              }),
         "intact"},
        {"a JPEG of a kind not decodable here", picture(jpeg(O::Unsupported)),
         "unsupported: no decoder here"},
        {"no JPEG header, nothing of one in it", picture(jpeg(O::NoHeader), false),
         "damaged: no picture data found"},
        {"a JPEG whose header is damaged", picture(jpeg(O::NoHeader), true), "damaged: header"},
    };
    for (const auto &c : cases) {
        const Finding f = decide(c.evidence);
        EXPECT_EQ(f.summary, c.summary) << c.what;
        EXPECT_TRUE(f.summary.starts_with(verdictName(f.verdict))) << c.what;
        EXPECT_FALSE(f.details.empty()) << c.what;
    }
}

// The map a repair reads: the walk's stretches and the decoders' error
// positions together, in file order.
TEST(Decide, DamageMapJoinsWalkAndDecoders) {
    Evidence e = walked(decodedFile(), {damagedData(50'000, 51'000, DamageUnit::Packet),
                                        cutShort(99'000, 100'000, 120'000, DamageUnit::Packet)});
    e.decoders->errorBytes = {{10'000, 12'000}, {50'500, 52'000}};
    const DamageMap map = damageOf(e);
    ASSERT_EQ(map.stretches.size(), 3u);
    EXPECT_EQ(map.stretches[0].bytes, (Span{10'000, 12'000}));
    EXPECT_EQ(map.stretches[1].bytes, (Span{50'000, 52'000}));
    EXPECT_EQ(map.stretches[2].kind, DamageKind::Cut);
}

} // namespace

namespace {

// What was found from outside: no false alarms from what a player never
// reads, nor from sizes a writer could not fill in.
TEST(Decide, WhatSpoilsNothing) {
    Evidence appended = decoderErrorAt(decodedFile(Container::MpegAudio), 99'990);
    appended.decoders->errorBytes = {{99'900, 100'000}};
    appended.walk.unitsEnd = 99'900;
    EXPECT_EQ(decide(appended).summary, "intact") << "errors only after the last frame";
    appended.walk.unitsEnd = 99'950;
    EXPECT_EQ(decide(appended).summary, "damaged: data near 99 %") << "errors in a frame";

    Evidence piped = decodedFile(Container::Riff);
    piped.decoders->decodedPercent = 0;
    EXPECT_EQ(decide(piped).summary, "intact") << "a duration the writer never filled in";
    piped.walk.add(cutShort(60'000, 100'000, 200'000, DamageUnit::Chunk));
    EXPECT_EQ(decide(piped).summary, "damaged: ends at 50 % of its declared length");

    Evidence bmp = decoderErrorAt(decodedFile(Container::Bmp), 100'000);
    bmp.plainBmp = true;
    bmp.decoders->frames = 0;
    EXPECT_EQ(decide(bmp).summary, "intact") << "a BMP whose rows are all there";
    bmp.plainBmp = false;
    EXPECT_EQ(decide(bmp).summary, "unsupported: no decoder here");

    Evidence nonsense =
        walked(decodedFile(Container::RealMedia),
               {cutShort(70'000, 100'000, 3'586'297'692'576LL, DamageUnit::Packet)});
    EXPECT_EQ(decide(nonsense).details, "cut short: it ends inside its last packet or frame");

    Evidence emptyPlaylist;
    emptyPlaylist.kind = MediaKind::Playlist;
    EXPECT_EQ(decide(emptyPlaylist).summary, "unsupported: a playlist");
}

} // namespace
