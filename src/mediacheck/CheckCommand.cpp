#include "mediacheck/CheckCommand.h"

#include "mediacheck/Report.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace mendora::mediacheck {

namespace {

const char kUsage[] = "usage: mendora-check [--jobs N] [--json] [--] FILE...\n"
                      "Checks media files and prints one line per file, in the order given:\n"
                      "  verdict<TAB>details<TAB>path\n"
                      "with verdict one of intact, damaged, unsupported, unreadable;\n"
                      "with --json, one JSON array of {number, path, size, verdict, details}.\n"
                      "Exit status: 0 nothing damaged or unreadable, 1 something damaged,\n"
                      "2 a file could not be read or the arguments are wrong.\n";

bool parseJobs(const std::string &text, unsigned &jobs) {
    if (text.empty() || text.size() > 4 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    jobs = static_cast<unsigned>(std::stoul(text));
    return jobs > 0;
}

} // namespace

std::string escapedForLine(const std::string &path) {
    std::string line;
    line.reserve(path.size());
    for (char c : path) {
        switch (c) {
        case '\\':
            line += "\\\\";
            break;
        case '\t':
            line += "\\t";
            break;
        case '\r':
            line += "\\r";
            break;
        case '\n':
            line += "\\n";
            break;
        default:
            line += c;
        }
    }
    return line;
}

int runCheckCommand(const std::vector<std::string> &arguments, std::FILE *out, std::FILE *err,
                    CheckCommandOptions options) {
    std::vector<std::string> files;
    bool optionsEnd = false;
    bool json = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &a = arguments[i];
        if (optionsEnd || a.empty() || a[0] != '-' || a == "-") {
            files.push_back(a);
        } else if (a == "--") {
            optionsEnd = true;
        } else if (a == "--json") {
            json = true;
        } else if (a == "-h" || a == "--help") {
            std::fputs(kUsage, out);
            return 0;
        } else if ((a == "-j" || a == "--jobs") && i + 1 < arguments.size() &&
                   parseJobs(arguments[i + 1], options.jobs)) {
            ++i;
        } else {
            std::fprintf(err, "mendora-check: wrong argument '%s'\n%s", a.c_str(), kUsage);
            return 2;
        }
    }
    if (files.empty()) {
        std::fputs(kUsage, err);
        return 2;
    }
    if (!options.checker)
        options.checker = [](const std::string &path) { return checkFile(path); };
    unsigned jobs = options.jobs ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
    jobs = static_cast<unsigned>(std::min<std::size_t>(jobs, files.size()));

    // Workers take the next file in turn; this thread prints the findings
    // in argument order as soon as each is there.
    std::vector<std::optional<Finding>> findings(files.size());
    std::vector<char> done(files.size(), 0);
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> next = 0;
    const auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < files.size();) {
            std::optional<Finding> finding;
            try {
                finding = options.checker(files[i]);
            } catch (const std::exception &e) {
                finding = unreadableFinding(e.what());
            }
            if (!finding)
                finding = unreadableFinding("not checked to the end");
            const std::lock_guard lock(mutex);
            findings[i] = std::move(finding);
            done[i] = 1;
            ready.notify_one();
        }
    };
    std::vector<std::thread> workers;
    for (unsigned j = 0; j < jobs; ++j)
        workers.emplace_back(work);

    int status = 0;
    std::vector<ReportRow> report;
    for (std::size_t i = 0; i < files.size(); ++i) {
        Finding finding;
        {
            std::unique_lock lock(mutex);
            ready.wait(lock, [&] { return done[i] != 0; });
            finding = std::move(*findings[i]);
        }
        if (json) {
            report.push_back(reportRowOf(static_cast<int>(i + 1), files[i], &finding));
        } else {
            std::fprintf(out, "%s\t%s\t%s\n", verdictName(finding.verdict),
                         escapedForLine(finding.details).c_str(), escapedForLine(files[i]).c_str());
            std::fflush(out);
        }
        if (finding.verdict == Verdict::Unreadable)
            status = 2;
        else if (finding.verdict == Verdict::Damaged && status == 0)
            status = 1;
    }
    for (std::thread &w : workers)
        w.join();
    if (json) {
        std::fputs(reportText(report, ReportFormat::Json).c_str(), out);
        std::fflush(out);
    }
    return status;
}

} // namespace mendora::mediacheck
