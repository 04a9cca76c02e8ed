// Judges one media file: the container's walk, libjpeg for pictures, and
// FFmpeg's demuxers and decoders over all of it gather the evidence, and
// decide() turns it into the verdict: intact, damaged (with what and where),
// unsupported, or unreadable. Writes nothing. No Qt, no widgets.
#pragma once

#include "mediacheck/ByteSource.h"
#include "mediacheck/Evidence.h"
#include "mediacheck/Verdict.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace mendora::mediacheck {

struct CheckControl {
    // Bytes of the file judged so far; called on the checking thread, with
    // values that never decrease. May be empty.
    std::function<void(std::int64_t)> progress;
    // Set from any thread to stop the check as soon as possible.
    const std::atomic<bool> *cancel = nullptr;
};

// The evidence about the bytes, or nothing when the check was cancelled.
// `name` is the file name, a hint at the format.
std::optional<Evidence> gatherEvidence(ByteSource &source, const std::string &name,
                                       const CheckControl &control = {});

// The verdict on `path`, or nothing when the check was cancelled.
std::optional<Finding> checkFile(const std::string &path, const CheckControl &control = {});

// The same for bytes from elsewhere (memory, in the fuzzer).
std::optional<Finding> checkBytes(ByteSource &source, const std::string &name,
                                  const CheckControl &control = {});

} // namespace mendora::mediacheck
