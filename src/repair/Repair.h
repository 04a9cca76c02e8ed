// Repaired copies of damaged media files, made from the damage map of their
// check by one strategy, verified by the same check, and kept beside the
// original (or in a chosen folder) as "<stem> (repaired).<ext>" only when
// judged intact. The original is only ever read. No Qt.
#pragma once

#include "mediacheck/MediaKinds.h"
#include "mediacheck/Verdict.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace mendora::repair {

// The strategies by their numbers in the Preferences' mode lists.
// Video and music: 1 Rebuild, 2 Skip damaged, 3 Cut, 4 Conceal, 5 and on
// Re-encode. Pictures: 1 Fill, 2 Crop. 0 is Auto.
inline constexpr int kAuto = 0;
enum Strategy { Rebuild = 1, SkipDamaged = 2, Cut = 3, Conceal = 4, ReEncode = 5 };
enum PictureStrategy { Fill = 1, Crop = 2 };

struct Request {
    std::string path;
    mediacheck::MediaKind kind = mediacheck::MediaKind::Video;
    int mode = kAuto;
    std::uint32_t fill = 0x000000; // 0xRRGGBB, for what cannot be kept
    std::string folder;            // where the copy goes; empty: the original's folder
    const std::atomic<bool> *cancel = nullptr;
};

struct Result {
    enum class Outcome { Repaired, NotRepaired, Cancelled } outcome = Outcome::NotRepaired;
    std::string copy;    // the kept copy's path
    std::string action;  // "rebuilt", "damage skipped", "cut", "filled", "cropped"
    std::string details; // what was done and what was lost, or why not
    // The share kept of what the file held (frames and samples, picture rows).
    int keptPercent = 0;
};

// Repairs the file that `finding` judged damaged. Auto tries, for video and
// music, Rebuild, Skip damaged, Conceal and Re-encode in that order, keeping
// the first copy judged intact; for pictures Fill.
Result repairFile(const Request &request, const mediacheck::Finding &finding);

// "<stem> (repaired).<ext>" for n = 1, "<stem> (repaired n).<ext>" after.
std::string repairedName(const std::string &fileName, int n);

// The kind that a file is repaired as: picture for JPEG and BMP, video when
// the name says so, music when it says music.
mediacheck::MediaKind repairKindOf(const std::string &path);

} // namespace mendora::repair
