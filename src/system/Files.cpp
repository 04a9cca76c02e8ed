#include "system/Files.h"

#include "system/Errors.h"
#include "system/FileErrors.h"
#include "system/FolderEntries.h"

#include <algorithm>

namespace mendora::files {

namespace {

bool isSeparator(char c) {
    return c == kSeparator || c == '/';
}

// True when `path` lies below `folder` (both resolved).
bool liesIn(const std::string &path, const std::string &folder) {
    return !folder.empty() && path.size() > folder.size() &&
           path.compare(0, folder.size(), folder) == 0 &&
           (isSeparator(folder.back()) || isSeparator(path[folder.size()]));
}

} // namespace

FolderFiles filesBelow(const std::string &folder,
                       const std::function<bool(std::string_view name)> &wanted,
                       const std::atomic<bool> *cancel, std::atomic<std::size_t> *found) {
    FolderFiles result;
    // Trailing separators go, but not the one of a root ("/", "C:\").
    std::string root = folder;
    while (root.size() > 1 && isSeparator(root.back()) && root[root.size() - 2] != ':')
        root.pop_back();
    const std::string finalRoot = entries::finalPath(root);
    std::vector<std::string> pending{root};
    while (!pending.empty()) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            result.cancelled = true;
            break;
        }
        const std::string current = std::move(pending.back());
        pending.pop_back();
        const std::string prefix = isSeparator(current.back()) ? current : current + kSeparator;
        const bool listed = entries::list(current, [&](const std::string &name,
                                                       entries::Kind kind) {
            if (kind == entries::Kind::Folder) {
                pending.push_back(prefix + name);
                return;
            }
            if (kind == entries::Kind::Other || !wanted(name))
                return;
            std::string path = prefix + name;
            if (kind == entries::Kind::LinkToFile && !liesIn(entries::finalPath(path), finalRoot))
                return;
            result.paths.push_back(std::move(path));
            if (found)
                found->fetch_add(1, std::memory_order_relaxed);
        });
        if (!listed)
            result.unreadableFolders.push_back(current);
    }
    std::sort(result.paths.begin(), result.paths.end());
    std::sort(result.unreadableFolders.begin(), result.unreadableFolders.end());
    return result;
}

FolderSearch::FolderSearch(std::string folder, std::function<bool(std::string_view name)> wanted,
                           std::function<void()> done)
    : worker_(
          [this, folder = std::move(folder), wanted = std::move(wanted), done = std::move(done)] {
              result_ = filesBelow(folder, wanted, &cancel_, &found_);
              finished_.store(true);
              if (done)
                  done();
          }) {}

FolderSearch::~FolderSearch() {
    cancel();
    if (worker_.joinable())
        worker_.join();
}

FolderFiles FolderSearch::take() {
    if (worker_.joinable())
        worker_.join();
    return std::move(result_);
}

} // namespace mendora::files

std::int64_t MediaFileSize(const std::string &path) {
    std::int64_t size = 0;
    if (const int error = mendora::files::fileSize(path, size))
        throw mendora::IoError(mendora::ioCodeFromSystemError(error, path));
    return size;
}
