#include "mediacheck/Evidence.h"

#include "system/FileErrors.h"

#include <algorithm>

namespace mendora::mediacheck {

namespace {

using Outcome = JpegEvidence::Outcome;

Finding noDataFound(MediaKind kind) {
    const std::string what = std::string("no ") + mediaKindName(kind) + " data found";
    return damagedFinding(what, what + ": nothing in it is a format of its kind that this "
                                       "program knows");
}

Finding headerFinding() {
    return damagedFinding("header", "damaged header: the file does not begin as its format "
                                    "must, or its header does not hold together");
}

// Nothing a demuxer can use: a damaged header when the format's structures
// follow it, no data of its kind for a media file's name, else unsupported.
Finding unrecognised(const Evidence &e) {
    if (e.remains)
        return damagedFinding("header", "damaged header: the format's structures follow it, "
                                        "but it cannot be read");
    if (e.kind && *e.kind != MediaKind::Playlist)
        return noDataFound(*e.kind);
    return unsupportedFinding("not a media file", "not a media file this program can decode");
}

Finding decideJpeg(const Evidence &e, const JpegEvidence &j) {
    const std::string at = percentOf(j.breakRow, j.height);
    switch (j.outcome) {
    case Outcome::TooLarge:
        return unsupportedFinding("picture too large",
                                  "a picture larger than this program decodes");
    case Outcome::Unsupported:
        return unsupportedFinding("no decoder here",
                                  "a JPEG picture of a kind that no decoder here decodes");
    case Outcome::NoHeader:
        if (!e.looksLikeJpeg && !e.remains)
            return unrecognised(e);
        return damagedFinding("header", "damaged header: the picture cannot be read");
    case Outcome::CutShort:
        return damagedFinding("ends at " + at + " of its declared length",
                              "ends at " + at + " of its declared height: the file is cut short");
    case Outcome::EndMissing:
        return damagedFinding("data near 100 %",
                              "damaged data near 100 %: the picture's end marker is missing");
    case Outcome::Corrupt:
        return damagedFinding("data near " + at, "damaged data near " + at +
                                                     ": the picture's data is corrupt from " + at +
                                                     " of its height");
    case Outcome::Intact:
        break;
    }
    // FFmpeg's decoder notices flipped bits in the entropy-coded data that
    // libjpeg takes for valid codes; it cannot decode arithmetic coding.
    if (e.decoders && e.decoders->firstError >= 0 && !j.arithmetic && e.looksLikeJpeg)
        return damagedFinding("picture data",
                              "damaged picture data: FFmpeg's JPEG decoder reports errors in it");
    return intactFinding();
}

const Damage *lastCut(const DamageMap &map) {
    return !map.empty() && map.stretches.back().kind == DamageKind::Cut ? &map.stretches.back()
                                                                        : nullptr;
}

} // namespace

Finding decide(const Evidence &e) {
    if (e.size == 0 && e.kind == MediaKind::Playlist)
        return unsupportedFinding("a playlist", "an empty playlist, which names no media files");
    if (e.size == 0)
        return damagedFinding("empty file", "empty file: it holds no bytes");
    if (e.readError)
        return unreadableFinding(systemErrorText(e.readError));
    if (const Damage *d = e.walk.first(DamageKind::ReadError))
        return unreadableFinding(systemErrorText(d->error));
    if (e.jpeg)
        return decideJpeg(e, *e.jpeg);
    if (e.playlist)
        return unsupportedFinding("a playlist",
                                  "a playlist, which names media files but holds none");

    if (!e.decoders || !e.decoders->opened)
        return unrecognised(e);
    const DecoderEvidence &dec = *e.decoders;
    // What FFmpeg found in bytes whose beginning tells no format of ours
    // holds nothing when it yields nothing.
    const bool recognised = e.sniffed || e.remains;
    if (!dec.streamInfo)
        return recognised || !e.kind ? headerFinding() : unrecognised(e);
    if (dec.mediaStreams == 0)
        return recognised ? unsupportedFinding("no sound or picture",
                                               "no sound or picture: it holds no audio or video "
                                               "stream")
                          : unrecognised(e);
    if (dec.decodableStreams == 0)
        return unsupportedFinding("no decoder here", "no decoder here for its streams");
    // Bytes that a demuxer took on the name's word alone: nothing decodes,
    // or the walk finds hardly a unit that holds together.
    std::int64_t spoilt = 0;
    for (const Damage &d : e.walk.stretches)
        spoilt += d.bytes.end - d.bytes.begin;
    if (!recognised && e.kind && (dec.frames == 0 || spoilt >= e.size / 10 * 9))
        return unrecognised(e);
    // Streams of a codec that this FFmpeg lists but decodes nothing of (free
    // format MPEG audio, for one), in a container that holds together.
    if (dec.frames == 0 && e.walk.empty() && !e.plainBmp)
        return unsupportedFinding("no decoder here",
                                  "nothing of its streams decodes here, though its structure "
                                  "holds together");

    const DamageMap &walk = e.walk;
    const Damage *first = walk.empty() ? nullptr : &walk.stretches.front();
    // FFmpeg found the format further in, where it should have begun.
    if (walk.first(DamageKind::Header) || (!e.sniffed && first && first->bytes.begin == 0))
        return headerFinding();

    // A DVD's program stream whose packs hold together may be one part of a
    // title: errors before a stream's first frame are the part's beginning,
    // and without the program's end code, errors in the last stretch its end.
    const bool packsHold = e.container == Container::MpegProgram && walk.empty() && e.vobName;
    std::int64_t firstDamageAt =
        !packsHold ? dec.firstError : (e.endCode ? dec.firstAfterHead : dec.firstInBody);
    // Errors only in bytes after the container's last unit (tags a demuxer
    // does not know, bytes appended) spoil nothing that plays; nor do the
    // decoder's complaints of the sizes of a BMP whose rows are all there.
    const bool afterUnits = walk.unitsEnd >= 0 && !dec.errorBytes.empty() &&
                            dec.errorBytes.front().begin >= walk.unitsEnd;
    if (afterUnits || (e.plainBmp && walk.empty()))
        firstDamageAt = -1;

    const Damage *data = walk.first(DamageKind::Data);
    const Damage *cut = lastCut(walk);
    // Demuxers and decoders buffer: the errors a cut causes may show up to a
    // fifth of a small file, or 256 KiB of a large one, before its end.
    const std::int64_t size = e.size;
    const std::int64_t tail = std::max(std::min<std::int64_t>(256 * 1024, size / 5), size / 50);
    // Containers that declare their sizes tell a cut by them: a duration
    // that their headers declare, with nothing of the structure missing, is
    // a writer's that could not go back to fill it in (a pipe).
    const bool declaresSize = e.container == Container::Asf || e.container == Container::Riff ||
                              e.container == Container::RealMedia || e.container == Container::Bmp;
    // The percent decoded of the declared duration; -1 when it says nothing.
    const std::int64_t decodedPercent =
        (declaresSize && !cut) || !dec.decodedPercent ? -1 : *dec.decodedPercent;
    const bool cutShort = cut || decodedPercent >= 0;
    const bool decodeFirst = firstDamageAt >= 0 && (!data || firstDamageAt <= data->bytes.begin);
    if (decodeFirst && !(cutShort && firstDamageAt >= size - tail)) {
        const std::string near = percentOf(firstDamageAt, size);
        return damagedFinding("data near " + near,
                              "damaged data near " + near + ": the decoders report errors there");
    }
    if (data && !(cutShort && data->bytes.begin >= size - tail)) {
        const std::string near = percentOf(data->bytes.begin, size);
        return damagedFinding("data near " + near, "damaged data near " + near +
                                                       ": the file's structure breaks at byte " +
                                                       std::to_string(data->bytes.begin));
    }
    // Containers that declare their whole size say how much is missing (when
    // what they declare is a size this file could have); packet streams only
    // that their last packet or frame is cut.
    if (cut && declaresSize && cut->declared / 100 <= size) {
        const std::string at = percentOf(size, cut->declared);
        const std::string what = "ends at " + at + " of its declared length";
        return damagedFinding(what, what + ": the file has " + std::to_string(size) + " of " +
                                        std::to_string(cut->declared) + " bytes");
    }
    if (decodedPercent >= 0) {
        const std::string at = std::to_string(decodedPercent) + " %";
        const std::string what = "ends at " + at + " of its declared length";
        return damagedFinding(what, what + ": it plays to " + at +
                                        " of the duration its headers declare");
    }
    if (cut) {
        const std::int64_t missing = cut->declared - cut->bytes.end;
        return damagedFinding("cut short",
                              missing / 100 <= size
                                  ? "cut short: its last packet or frame needs " +
                                        std::to_string(missing) + " bytes more than the file has"
                                  : "cut short: it ends inside its last packet or frame");
    }
    std::string details = "decoded to the end without errors";
    if (const Damage *junk = walk.first(DamageKind::TrailingGarbage))
        details += "; the " + std::to_string(junk->bytes.end - junk->bytes.begin) +
                   " bytes after its end are no part of it";
    if (const int unjudged = dec.mediaStreams - dec.decodableStreams; unjudged > 0)
        details += "; " + std::to_string(unjudged) +
                   (unjudged == 1 ? " stream has" : " streams have") +
                   " no decoder here and was not judged";
    return intactFinding(details);
}

DamageMap damageOf(const Evidence &e) {
    std::vector<Damage> all = e.walk.stretches;
    if (e.decoders)
        for (const Span &span : e.decoders->errorBytes)
            all.push_back(damagedData(span.begin, span.end, DamageUnit::Packet));
    if (e.jpeg) {
        const JpegEvidence &j = *e.jpeg;
        std::optional<Damage> picture;
        switch (j.outcome) {
        case Outcome::Corrupt:
            picture = damagedData(j.breakByte, e.size, DamageUnit::PictureRow);
            break;
        case Outcome::CutShort:
        case Outcome::EndMissing:
            // The rows that the data end before, and the end marker.
            picture = cutShort(j.breakByte, e.size, e.size + 2, DamageUnit::PictureRow);
            break;
        case Outcome::NoHeader:
            picture = damagedHeader(0, DamageUnit::File, e.size);
            break;
        default:
            break;
        }
        if (picture) {
            if (picture->unit == DamageUnit::PictureRow && j.breakRow < j.height)
                picture->rows = Span{j.breakRow, j.height};
            all.push_back(*picture);
        }
    }
    std::stable_sort(all.begin(), all.end(), [](const Damage &a, const Damage &b) {
        return a.bytes.begin < b.bytes.begin;
    });
    DamageMap map;
    map.joined = e.walk.joined;
    for (const Damage &d : all)
        map.add(d);
    return map;
}

} // namespace mendora::mediacheck
