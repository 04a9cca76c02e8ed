// The report of a list of checked files, as CSV (RFC 4180) or JSON, in
// UTF-8. The window's "Save Report..." saves it and mendora-check --json
// prints it, with rows made the same way.
#pragma once

#include "mediacheck/Verdict.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mendora::mediacheck {

struct ReportRow {
    int number = 0; // the row's number, from 1
    std::string path;
    std::optional<std::int64_t> size; // nothing when the file could not be measured
    std::string verdict;              // "intact", "damaged", ...; empty when not checked yet
    std::string details;
    // What a repair did, for reports of a repair run: "repaired", "not
    // repaired", or "none" for a file that needed none; the copy and the
    // share of the file it keeps, when there is one.
    struct Repair {
        std::string action;
        std::string copy;
        std::optional<int> kept;
    };
    std::optional<Repair> repair;
};

// number,path,size,verdict,details — a header line, then one record per row,
// CR LF after each; fields with a comma, a quote or a line break are quoted.
std::string csvReport(const std::vector<ReportRow> &rows);

// An array of objects {"number", "path", "size", "verdict", "details"}, and
// "action", "copy" and "kept" for a repair run; an unknown size, and no
// copy, are null.
std::string jsonReport(const std::vector<ReportRow> &rows);

enum class ReportFormat { Csv, Json };

// The row of a file: its size measured now (nothing when it cannot be),
// and the finding's verdict word and details (empty without a finding).
ReportRow reportRowOf(int number, const std::string &path, const Finding *finding);

std::string reportText(const std::vector<ReportRow> &rows, ReportFormat format);

// Writes the report to `path`, atomically. Throws mendora::FileCreateError
// (the full path and the system's words) when it cannot be written.
void saveReport(const std::string &path, const std::vector<ReportRow> &rows, ReportFormat format);

// `text` as valid UTF-8: each byte that is not part of a valid character
// becomes U+FFFD (file names on Linux may be any bytes).
std::string validUtf8(const std::string &text);

} // namespace mendora::mediacheck
