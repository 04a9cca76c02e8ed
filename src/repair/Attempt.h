// One try at a repaired copy, by one strategy, written into a new file;
// the strategies' files share it. Inside the library only.
#pragma once

#include "mediacheck/Damage.h"
#include "system/Files.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace mendora::repair::detail {

struct Attempt {
    bool written = false; // the copy is complete in the new file
    bool cancelled = false;
    std::string failure; // why there is no copy, when not written
    std::string action;  // "rebuilt", "damage skipped", ...
    std::string details; // what was kept and what was lost
    int keptPercent = 0;
};

// Audio and video: the packets the strategy keeps, stream-copied by
// libavformat into the container of the original's kind, which rebuilds
// its index and header fields from what it writes.
// Conceal fills the gaps that Skip damaged leaves with stand-ins of the fill
// colour and silence, encoded with the stream's own codec.
Attempt remux(const std::string &original, files::NewFile &out, int strategy, std::uint32_t fill,
              const mediacheck::DamageMap &damage, const std::atomic<bool> *cancel);

// Re-encode: every stream decoded with the decoders' error concealment and
// encoded anew, the fill colour and silence where nothing decodes.
Attempt reencode(const std::string &original, files::NewFile &out, std::uint32_t fill,
                 const mediacheck::DamageMap &damage, const std::atomic<bool> *cancel);

// Pictures: JPEG (its coefficients copied, as a lossless transcoder does)
// and BMP (the rows that are there), with what is lost in the fill colour
// (Fill) or cut off (Crop).
Attempt repairPicture(const std::string &original, files::NewFile &out, int strategy,
                      std::uint32_t fill, const mediacheck::DamageMap &damage,
                      const std::atomic<bool> *cancel);

} // namespace mendora::repair::detail
