// mendora-check: the media checker and repair from the command line. One
// line per file, in argument order, "verdict<TAB>details<TAB>path" (and
// "<TAB>copy" for a repaired file); several files are checked at once.
#pragma once

#include "mediacheck/MediaCheck.h"
#include "repair/Repair.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace mendora::mediacheck {

using Checker = std::function<std::optional<Finding>(const std::string &path)>;
using Repairer =
    std::function<repair::Result(const repair::Request &request, const Finding &finding)>;

struct CheckCommandOptions {
    // Files checked at once; 0 takes the number of cores.
    unsigned jobs = 0;
    // The check of one file; checkFile by default.
    Checker checker;
    // The repair of a damaged file; repair::repairFile by default.
    Repairer repairer;
};

// Runs the command on its arguments (without the program name), writing to
// `out` and `err`. Returns the exit status: 0 when nothing was damaged or
// unreadable (with --repair: when every damaged file was repaired), 1 when
// something damaged is left, 2 when a file could not be read or the
// arguments are wrong.
int runCheckCommand(const std::vector<std::string> &arguments, std::FILE *out, std::FILE *err,
                    CheckCommandOptions options = {});

// `path` with backslash, tab, CR and LF written as \\, \t, \r and \n, so that
// every file stays on its one line.
std::string escapedForLine(const std::string &path);

} // namespace mendora::mediacheck
