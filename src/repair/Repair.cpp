#include "repair/Repair.h"

#include "mediacheck/MediaCheck.h"
#include "repair/Attempt.h"
#include "system/FileErrors.h"
#include "system/Files.h"

#include <vector>

namespace mendora::repair {

namespace {

using mediacheck::MediaKind;

const char *strategyName(MediaKind kind, int mode) {
    if (kind == MediaKind::Picture)
        return mode == Crop ? "Crop" : "Fill";
    switch (mode) {
    case Rebuild:
        return "Rebuild";
    case SkipDamaged:
        return "Skip damaged";
    case Cut:
        return "Cut";
    case Conceal:
        return "Conceal";
    default:
        return "Re-encode";
    }
}

Result notRepaired(const std::string &why) {
    Result r;
    r.outcome = Result::Outcome::NotRepaired;
    r.details = "not repaired: " + why;
    return r;
}

Result cancelled() {
    Result r;
    r.outcome = Result::Outcome::Cancelled;
    r.details = "not repaired: stopped";
    return r;
}

} // namespace

std::string repairedName(const std::string &fileName, int n) {
    // The extension is what follows the last dot, unless the name only begins with it.
    const std::size_t dot = fileName.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    const std::string stem = hasExtension ? fileName.substr(0, dot) : fileName;
    const std::string extension = hasExtension ? fileName.substr(dot) : std::string();
    const std::string mark = n <= 1 ? " (repaired)" : " (repaired " + std::to_string(n) + ")";
    return stem + mark + extension;
}

MediaKind repairKindOf(const std::string &path) {
    const auto kind = mediacheck::mediaKindOfName(path);
    return kind && *kind != MediaKind::Playlist ? *kind : MediaKind::Video;
}

Result repairFile(const Request &request, const mediacheck::Finding &finding) {
    if (finding.verdict != mediacheck::Verdict::Damaged)
        return notRepaired(std::string("the file is ") + mediacheck::verdictName(finding.verdict));
    const bool picture = request.kind == MediaKind::Picture;
    const auto [originalFolder, fileName] = files::splitPath(request.path);
    const std::string folder = request.folder.empty()
                                   ? std::string(originalFolder.empty() ? "." : originalFolder)
                                   : request.folder;
    const std::string separated =
        folder.empty() || files::kSeparators.find(folder.back()) != std::string_view::npos
            ? folder
            : folder + files::kSeparator;
    const std::size_t dot = fileName.find_last_of('.');
    const std::string extension =
        dot != std::string_view::npos && dot > 0 ? std::string(fileName.substr(dot)) : "";

    std::vector<int> strategies;
    if (request.mode != kAuto)
        strategies = {request.mode};
    else if (picture)
        strategies = {Fill};
    else
        strategies = {Rebuild, SkipDamaged, Conceal, ReEncode};

    std::string why = "no strategy made an intact copy";
    for (const int strategy : strategies) {
        if ((picture && strategy != Fill && strategy != Crop) || (!picture && strategy < Rebuild)) {
            why = "there is no mode " + std::to_string(strategy) + " for this kind";
            continue;
        }
        int error = 0;
        const auto out = files::NewFile::create(separated, error, extension);
        if (!out)
            return notRepaired("no copy can be written in " + folder + ": " +
                               systemErrorText(error));
        const detail::Attempt attempt =
            picture ? detail::repairPicture(request.path, *out, strategy, request.fill,
                                            finding.damage, request.cancel)
            : strategy >= ReEncode
                ? detail::reencode(request.path, *out, request.fill, finding.damage, request.cancel)
                : detail::remux(request.path, *out, strategy, request.fill, finding.damage,
                                request.cancel);
        if (attempt.cancelled || (request.cancel && request.cancel->load()))
            return cancelled();
        if (!attempt.written) {
            why = std::string(strategyName(request.kind, strategy)) + ": " + attempt.failure;
            continue;
        }
        // Only a copy that our own check judges intact counts.
        mediacheck::CheckControl control;
        control.cancel = request.cancel;
        const auto check = mediacheck::checkFile(out->path(), control);
        if (!check)
            return cancelled();
        if (check->verdict != mediacheck::Verdict::Intact) {
            why = std::string(strategyName(request.kind, strategy)) +
                  ": the copy is still damaged (" + check->summary + ")";
            continue;
        }
        std::string copy;
        for (int n = 1;; ++n) {
            copy = separated + repairedName(std::string(fileName), n);
            error = out->keep(copy);
            if (error == 0)
                break;
            if (!files::isNameTaken(error) || n >= 999)
                return notRepaired("the copy cannot be named " + copy + ": " +
                                   systemErrorText(error));
        }
        // The copy keeps the original's time.
        std::int64_t time = 0;
        if (files::modificationTime(request.path, time) == 0)
            files::setModificationTime(copy, time);
        Result r;
        r.outcome = Result::Outcome::Repaired;
        r.copy = copy;
        r.action = attempt.action;
        r.details = attempt.action + ": " + attempt.details;
        r.keptPercent = attempt.keptPercent;
        return r;
    }
    return notRepaired(why);
}

} // namespace mendora::repair
