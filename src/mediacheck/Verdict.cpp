#include "mediacheck/Verdict.h"

#include <algorithm>

namespace mendora::mediacheck {

const char *verdictName(Verdict verdict) {
    switch (verdict) {
    case Verdict::Intact:
        return "intact";
    case Verdict::Damaged:
        return "damaged";
    case Verdict::Unsupported:
        return "unsupported";
    case Verdict::Unreadable:
        return "unreadable";
    }
    return "unsupported";
}

namespace {

Finding finding(Verdict verdict, const std::string &reason, std::string details) {
    Finding f;
    f.verdict = verdict;
    f.summary = std::string(verdictName(verdict)) + ": " + reason;
    f.details = std::move(details);
    return f;
}

} // namespace

Finding intactFinding(std::string details) {
    Finding f;
    f.summary = verdictName(Verdict::Intact);
    f.details = std::move(details);
    return f;
}

Finding damagedFinding(const std::string &reason, std::string details) {
    return finding(Verdict::Damaged, reason, std::move(details));
}

Finding unsupportedFinding(const std::string &reason, std::string details) {
    return finding(Verdict::Unsupported, reason, std::move(details));
}

Finding unreadableFinding(const std::string &systemText) {
    return finding(Verdict::Unreadable, systemText, systemText);
}

std::string percentOf(std::int64_t part, std::int64_t whole) {
    const int percent =
        whole > 0 ? static_cast<int>(std::clamp<std::int64_t>(part * 100 / whole, 0, 100)) : 0;
    return std::to_string(percent) + " %";
}

} // namespace mendora::mediacheck
