// What a check concludes about one file, in words for the list, a report
// and mendora-check, and the damage map behind it.
#pragma once

#include "mediacheck/Damage.h"

#include <cstdint>
#include <string>

namespace mendora::mediacheck {

enum class Verdict { Intact, Damaged, Unsupported, Unreadable };

// The verdict's one word, the same in the list, a report and mendora-check:
// "intact", "damaged", "unsupported", "unreadable".
const char *verdictName(Verdict verdict);

struct Finding {
    Verdict verdict = Verdict::Intact;
    // The list's few words: the verdict's word, then what and where:
    // "intact", "damaged: data near 45 %", "unsupported: a playlist".
    std::string summary;
    // What was found, in a line, for a tooltip or a report: where and what
    // the damage is, why a file was not checked, the system's read error.
    std::string details;
    // Every damaged stretch that the walk and the decoders found.
    DamageMap damage;
};

// The findings, made the one way each verdict is worded: the summary is the
// verdict's word and `reason`, the short what and where ("data near 45 %");
// the details say it in full.
Finding intactFinding(std::string details = "decoded to the end without errors");
Finding damagedFinding(const std::string &reason, std::string details);
Finding unsupportedFinding(const std::string &reason, std::string details);
// The system's words for why the file cannot be read.
Finding unreadableFinding(const std::string &systemText);

// "45 %": `part` of `whole` in whole percent, within 0 to 100.
std::string percentOf(std::int64_t part, std::int64_t whole);

} // namespace mendora::mediacheck
