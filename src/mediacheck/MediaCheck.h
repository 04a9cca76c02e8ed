// Judges one media file by demuxing and decoding all of it with FFmpeg's
// libraries: intact, damaged (with what and where), not a media file this
// build can decode, or unreadable. Writes nothing. No Qt, no widgets.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace mendora::mediacheck {

enum class Verdict { Intact, Damaged, Unsupported, Unreadable };

// "intact", "damaged", "unsupported", "unreadable".
const char *verdictName(Verdict verdict);

struct Finding {
    Verdict verdict = Verdict::Intact;
    // A few words for the list: "intact", "damaged data near 45 %", "empty
    // file", "not checked", "unreadable".
    std::string summary;
    // What was found, in a line, for a tooltip or a report: where and what
    // the damage is, why a file was not checked, the system's read error.
    std::string details;
};

struct CheckControl {
    // Bytes of the file judged so far; called on the checking thread, with
    // values that never decrease. May be empty.
    std::function<void(std::int64_t)> progress;
    // Set from any thread to stop the check as soon as possible.
    const std::atomic<bool> *cancel = nullptr;
};

class ByteSource;

// "45 %": `part` of `whole` in whole percent, within 0 to 100.
std::string percentOf(std::int64_t part, std::int64_t whole);

// The verdict on `path`, or nothing when the check was cancelled.
std::optional<Finding> checkFile(const std::string &path, const CheckControl &control = {});

// The same for bytes from elsewhere (memory, in the fuzzer); `name` is the
// file name, a hint at the format.
std::optional<Finding> checkBytes(ByteSource &source, const std::string &name,
                                  const CheckControl &control = {});

} // namespace mendora::mediacheck
