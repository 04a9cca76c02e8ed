#include "checkcommand/CheckCommand.h"

#include "mediacheck/Report.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace mendora::mediacheck {

namespace {

const char kUsage[] =
    "usage: mendora-check [--jobs N] [--json] [--repair [--video-mode M] [--music-mode M]\n"
    "                     [--picture-mode M] [--fill RRGGBB] [--out DIR]] [--] FILE...\n"
    "Checks media files and prints one line per file, in the order given:\n"
    "  verdict<TAB>details<TAB>path\n"
    "with verdict one of intact, damaged, unsupported, unreadable;\n"
    "with --json, one JSON array of {number, path, size, verdict, details}.\n"
    "With --repair, a damaged file is repaired into a verified copy beside it\n"
    "(\"<name> (repaired).<ext>\", or in DIR); the original is only read. A repaired\n"
    "file prints  repaired<TAB>details<TAB>path<TAB>copy; --json adds action, copy\n"
    "and kept. M is auto (the default) or the number of a strategy: video and music\n"
    "1 Rebuild, 2 Skip damaged, 3 Cut, 4 Conceal, 5 and on Re-encode; pictures\n"
    "1 Fill, 2 Crop. auto tries 1, 2, 4, 5 in turn for video and music, Fill for\n"
    "pictures. --fill is the colour for what cannot be kept (default 000000).\n"
    "Exit status: 0 nothing damaged or unreadable (with --repair: every damaged file\n"
    "repaired), 1 something damaged is left, 2 a file could not be read or the\n"
    "arguments are wrong.\n";

bool allDigits(const std::string &text, std::size_t most) {
    return !text.empty() && text.size() <= most &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool parseJobs(const std::string &text, unsigned &jobs) {
    if (!allDigits(text, 4))
        return false;
    jobs = static_cast<unsigned>(std::stoul(text));
    return jobs > 0;
}

// "auto", or a number of the kind's mode list (video 13, music 9, pictures 2).
bool parseMode(const std::string &text, int most, int &mode) {
    if (text == "auto") {
        mode = repair::kAuto;
        return true;
    }
    if (!allDigits(text, 2))
        return false;
    mode = std::stoi(text);
    return mode >= 1 && mode <= most;
}

bool parseColour(const std::string &text, std::uint32_t &colour) {
    if (text.size() != 6 || !std::all_of(text.begin(), text.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c));
        }))
        return false;
    colour = static_cast<std::uint32_t>(std::stoul(text, nullptr, 16));
    return true;
}

struct RepairSettings {
    bool on = false;
    int videoMode = repair::kAuto, musicMode = repair::kAuto, pictureMode = repair::kAuto;
    std::uint32_t fill = 0;
    std::string folder;
};

// A file's check, and its repair when asked for and damaged.
struct Outcome {
    Finding finding;
    std::optional<repair::Result> repaired;
};

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
    RepairSettings repairing;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &a = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        const std::string value = hasValue ? arguments[i + 1] : std::string();
        if (optionsEnd || a.empty() || a[0] != '-' || a == "-") {
            files.push_back(a);
        } else if (a == "--") {
            optionsEnd = true;
        } else if (a == "--json") {
            json = true;
        } else if (a == "-h" || a == "--help") {
            std::fputs(kUsage, out);
            return 0;
        } else if ((a == "-j" || a == "--jobs") && hasValue && parseJobs(value, options.jobs)) {
            ++i;
        } else if (a == "--repair") {
            repairing.on = true;
        } else if (a == "--video-mode" && hasValue && parseMode(value, 13, repairing.videoMode)) {
            ++i;
        } else if (a == "--music-mode" && hasValue && parseMode(value, 9, repairing.musicMode)) {
            ++i;
        } else if (a == "--picture-mode" && hasValue &&
                   parseMode(value, 2, repairing.pictureMode)) {
            ++i;
        } else if (a == "--fill" && hasValue && parseColour(value, repairing.fill)) {
            ++i;
        } else if (a == "--out" && hasValue && !value.empty()) {
            repairing.folder = value;
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
    if (!options.repairer)
        options.repairer = repair::repairFile;
    unsigned jobs = options.jobs ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
    jobs = static_cast<unsigned>(std::min<std::size_t>(jobs, files.size()));

    // Workers take the next file in turn; this thread prints the findings
    // in argument order as soon as each is there.
    std::vector<std::optional<Outcome>> outcomes(files.size());
    std::vector<char> done(files.size(), 0);
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> next = 0;
    const auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < files.size();) {
            std::optional<Finding> checked;
            try {
                checked = options.checker(files[i]);
            } catch (const std::exception &e) {
                checked = unreadableFinding(e.what());
            }
            if (!checked)
                checked = unreadableFinding("not checked to the end");
            Outcome outcome{std::move(*checked), std::nullopt};
            if (repairing.on && outcome.finding.verdict == Verdict::Damaged) {
                repair::Request request;
                request.path = files[i];
                request.kind = repair::repairKindOf(files[i]);
                request.mode = request.kind == MediaKind::Picture ? repairing.pictureMode
                               : request.kind == MediaKind::Music ? repairing.musicMode
                                                                  : repairing.videoMode;
                request.fill = repairing.fill;
                request.folder = repairing.folder;
                try {
                    outcome.repaired = options.repairer(request, outcome.finding);
                } catch (const std::exception &e) {
                    repair::Result failed;
                    failed.details = std::string("not repaired: ") + e.what();
                    outcome.repaired = failed;
                }
            }
            const std::lock_guard lock(mutex);
            outcomes[i] = std::move(outcome);
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
        Outcome outcome;
        {
            std::unique_lock lock(mutex);
            ready.wait(lock, [&] { return done[i] != 0; });
            outcome = std::move(*outcomes[i]);
        }
        const Finding &finding = outcome.finding;
        const bool repaired =
            outcome.repaired && outcome.repaired->outcome == repair::Result::Outcome::Repaired;
        // A damaged file left so: what was found, and why it was not repaired.
        const std::string details = outcome.repaired && !repaired
                                        ? finding.details + "; " + outcome.repaired->details
                                    : repaired ? outcome.repaired->details
                                               : finding.details;
        if (json) {
            ReportRow row = reportRowOf(static_cast<int>(i + 1), files[i], &finding);
            if (repairing.on) {
                row.repair = ReportRow::Repair{
                    repaired           ? "repaired"
                    : outcome.repaired ? "not repaired"
                                       : "none",
                    repaired ? outcome.repaired->copy : std::string(),
                    repaired ? std::optional<int>(outcome.repaired->keptPercent) : std::nullopt};
                row.details = details;
            }
            report.push_back(std::move(row));
        } else if (repaired) {
            std::fprintf(out, "repaired\t%s\t%s\t%s\n", escapedForLine(details).c_str(),
                         escapedForLine(files[i]).c_str(),
                         escapedForLine(outcome.repaired->copy).c_str());
            std::fflush(out);
        } else {
            std::fprintf(out, "%s\t%s\t%s\n", verdictName(finding.verdict),
                         escapedForLine(details).c_str(), escapedForLine(files[i]).c_str());
            std::fflush(out);
        }
        if (finding.verdict == Verdict::Unreadable)
            status = 2;
        else if (finding.verdict == Verdict::Damaged && !repaired && status == 0)
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
