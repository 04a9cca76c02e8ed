// What a check gathers about one file, and the pure decision that turns it
// into the verdict. Gathering reads the file (the container's walk, libjpeg,
// FFmpeg's demuxers and decoders); deciding reads nothing, so that which
// finding wins is written in one place and tested as a table.
#pragma once

#include "mediacheck/Damage.h"
#include "mediacheck/MediaKinds.h"
#include "mediacheck/Verdict.h"
#include "mediacheck/Walk.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mendora::mediacheck {

// What libjpeg made of a JPEG picture.
struct JpegEvidence {
    enum class Outcome {
        Intact,
        NoHeader,    // the header cannot be read
        Unsupported, // a JPEG this libjpeg does not decode (precision, coding)
        TooLarge,    // more pixels than the check decodes
        CutShort,    // the data end before the last row
        EndMissing,  // every row decoded, but no end marker
        Corrupt,     // corrupt data from `breakRow` on
    } outcome = Outcome::Intact;
    std::int64_t height = 0;
    std::int64_t breakRow = 0;  // the first row that is spoilt
    std::int64_t breakByte = 0; // where in the file the spoilt data begin
    bool arithmetic = false;    // arithmetic coding, which FFmpeg does not decode
};

// What FFmpeg's demuxers and decoders made of the file.
struct DecoderEvidence {
    bool opened = false;     // a demuxer took the file
    bool streamInfo = false; // and read its streams' parameters
    int mediaStreams = 0;    // audio and video streams
    int decodableStreams = 0;
    std::int64_t frames = 0; // frames decoded
    // Where decoders reported errors, in bytes judged by then (-1: none):
    // the first of all; the first after its stream's first frame; the first
    // of those before the file's last stretch (the parts of a DVD title
    // begin and end inside frames, which their errors there only show).
    std::int64_t firstError = -1;
    std::int64_t firstAfterHead = -1;
    std::int64_t firstInBody = -1;
    // The packets whose decoding reported errors, joined where they touch.
    std::vector<Span> errorBytes;
    // The demuxer stopped on an error rather than at the end.
    bool demuxFailed = false;
    // A stream that decodes to less than its headers declare: the percent
    // decoded (0 to 100) of the first such stream.
    std::optional<std::int64_t> decodedPercent;
    // The demuxer that took the file ("mpeg", "asf", ...).
    std::string formatName;
};

struct Evidence {
    std::int64_t size = 0;
    // What the name promises, and for program streams whether it is a DVD's
    // title part (".vob").
    std::optional<MediaKind> kind;
    bool vobName = false;
    bool playlist = false;
    // A read that failed, with the system's error number (0: none).
    int readError = 0;
    // The container as the first bytes tell it; or, when they do not, as
    // FFmpeg found it further in (`sniffed` false).
    std::optional<Container> container;
    bool sniffed = false;
    // A file that no demuxer takes still holds its format's structures.
    bool remains = false;
    // A program stream that ends with its end code.
    bool endCode = false;
    DamageMap walk;
    bool looksLikeJpeg = false;
    std::optional<JpegEvidence> jpeg;
    // A BMP of uncompressed rows: its walk sees all that can go wrong with
    // it, and FFmpeg's decoder only repeats the header's sizes.
    bool plainBmp = false;
    std::optional<DecoderEvidence> decoders;
};

// The verdict on the evidence. Which finding wins, in this order:
//  1. an empty file; a read error (the system's words);
//  2. for JPEG pictures, libjpeg's outcome; of a picture it decodes whole,
//     FFmpeg's decoder's errors (it notices flipped bits libjpeg passes);
//  3. a playlist (unsupported);
//  4. nothing that a demuxer takes: the format's structures behind a damaged
//     header; else, for a media kind's name, "no <kind> data found"; else
//     unsupported; a file whose streams cannot be read or hold nothing,
//     likewise; streams without a decoder here are unsupported;
//  5. a damaged header, from the walk;
//  6. the first damage in file order, from the decoders or the walk, unless
//     the file is cut short and it lies in the stretch before the end that
//     a cut spoils (demuxers and decoders buffer);
//  7. a cut: the share of the declared length for containers that declare
//     it, of the declared duration, or the bytes the torn unit lacks;
//  8. intact (trailing bytes after the container's end spoil nothing).
Finding decide(const Evidence &evidence);

// The damage map of the evidence: the walk's stretches, the decoders' error
// positions and a JPEG's spoilt rows, in file order.
DamageMap damageOf(const Evidence &evidence);

} // namespace mendora::mediacheck
