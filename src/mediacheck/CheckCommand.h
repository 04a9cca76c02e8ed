// mendora-check: the media checker from the command line. One line per file,
// in argument order, "verdict<TAB>details<TAB>path"; several files are
// checked at once.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "mediacheck/MediaCheck.h"

namespace mendora::mediacheck {

using Checker = std::function<std::optional<Finding>(const std::string &path)>;

struct CheckCommandOptions {
    // Files checked at once; 0 takes the number of cores.
    unsigned jobs = 0;
    // The check of one file; checkFile by default.
    Checker checker;
};

// Runs the command on its arguments (without the program name), writing to
// `out` and `err`. Returns the exit status: 0 when nothing was damaged or
// unreadable, 1 when something was damaged, 2 when a file could not be read
// or the arguments are wrong.
int runCheckCommand(const std::vector<std::string> &arguments, std::FILE *out, std::FILE *err,
                    CheckCommandOptions options = {});

// `path` with backslash, tab, CR and LF written as \\, \t, \r and \n, so that
// every file stays on its one line.
std::string escapedForLine(const std::string &path);

} // namespace mendora::mediacheck
