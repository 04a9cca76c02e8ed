// File operations and path helpers of the system layer. Results carry the system's error
// number (errno on POSIX, GetLastError on Windows) so that each caller can
// raise the error its own contract names.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace mendora::files {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
// Qt hands out paths with "/", the system with "\"; a drive ends in ":".
inline constexpr std::string_view kSeparators = "\\/:";
#else
inline constexpr char kSeparator = '/';
inline constexpr std::string_view kSeparators = "/";
#endif

// Where the file-name part of `path` begins: just after its last separator,
// or 0 when it has none.
inline std::size_t fileNameStart(std::string_view path) {
    const std::size_t cut = path.find_last_of(kSeparators);
    return cut == std::string_view::npos ? 0 : cut + 1;
}

// The folder part (up to and including the last separator) and the file-name
// part of `path`; folder + file gives the path back.
inline std::pair<std::string_view, std::string_view> splitPath(std::string_view path) {
    const std::size_t start = fileNameStart(path);
    return {path.substr(0, start), path.substr(start)};
}

// True when `path` names an existing file that is not a folder.
bool fileExists(const std::string &path);

// True when `path` names an existing folder (links followed).
bool isFolder(const std::string &path);

// True when this process may create files in the folder `path`.
bool folderIsWritable(const std::string &path);

// Makes the folder `path` and the missing folders above it; false when one
// cannot be made.
bool makeFolders(const std::string &path);

// The user's folder for programs' settings, without a trailing separator:
// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config (POSIX);
// %APPDATA% on Windows.
std::string userConfigFolder();

// `path` made absolute against the current folder (no other normalising).
std::string absolutePath(const std::string &path);

// Reads the whole file. Returns 0 or the system error number.
int readWholeFile(const std::string &path, std::string &content);

// Where replaceFile failed: creating (or being allowed to replace) the file,
// or writing its bytes to disk.
enum class WriteStage { Done, Create, Write };

struct WriteOutcome {
    WriteStage stage = WriteStage::Done;
    int error = 0; // system error number when stage != Done
    bool ok() const { return stage == WriteStage::Done; }
};

// Replaces the content of `path` atomically: the bytes go to a temporary file
// in the same folder, are flushed to disk and the temporary file is renamed
// over `path`. A file that could not be written in place (read-only, no
// access) is never replaced. On failure the old file is left exactly as it
// was and the temporary file is removed.
WriteOutcome replaceFile(const std::string &path, std::string_view content);

// Size in bytes of a file opened for reading only. Returns 0 or the system error.
int fileSize(const std::string &path, std::int64_t &size);

// The files below a folder, for adding a whole folder at once.
struct FolderFiles {
    std::vector<std::string> paths;             // full paths, sorted
    std::vector<std::string> unreadableFolders; // folders that could not be listed, left out
    bool cancelled = false;
};

// Every file below `folder`, at any depth, whose name `wanted` accepts, in
// the order of their full paths. Links to folders are not followed: what
// they lead to inside the folder is reached anyway, and so a link loop
// cannot hang the walk. A link to a file counts only when that file lies
// in the folder. Pipes, devices and sockets are left out. `found` (when
// given) counts the files found so far; setting `cancel` ends the walk.
FolderFiles filesBelow(const std::string &folder,
                       const std::function<bool(std::string_view name)> &wanted,
                       const std::atomic<bool> *cancel = nullptr,
                       std::atomic<std::size_t> *found = nullptr);

// filesBelow on a worker thread of its own, for a window that shows how many
// files were found so far and lets the search be cancelled.
class FolderSearch {
public:
    // Starts the search at once. `done` is called on the worker thread when
    // the search has ended (finished or cancelled).
    FolderSearch(std::string folder, std::function<bool(std::string_view name)> wanted,
                 std::function<void()> done = {});
    // Cancels a search still running and waits for its thread.
    ~FolderSearch();
    FolderSearch(const FolderSearch &) = delete;
    FolderSearch &operator=(const FolderSearch &) = delete;

    std::size_t found() const { return found_.load(std::memory_order_relaxed); }
    bool finished() const { return finished_.load(); }
    void cancel() { cancel_.store(true); }
    // Waits for the search to end and hands over what it found.
    FolderFiles take();

private:
    std::atomic<bool> cancel_{false};
    std::atomic<bool> finished_{false};
    std::atomic<std::size_t> found_{0};
    FolderFiles result_;
    std::thread worker_;
};

// A new file written in the folder where it is to end up: created under a
// temporary name of its own there, and given its final name only by keep(),
// which never replaces a file that exists. A NewFile that is not kept is
// removed when it goes, so that a write that fails or is interrupted leaves
// no file under a final name.
class NewFile {
public:
    // The new, empty file in `folder`, or nothing with the system error. Its
    // temporary name ends in `suffix` (an extension that tells its format).
    static std::unique_ptr<NewFile> create(const std::string &folder, int &error,
                                           const std::string &suffix = {});
    ~NewFile();
    NewFile(const NewFile &) = delete;
    NewFile &operator=(const NewFile &) = delete;

    // Where it is while it is written (and may be read back).
    const std::string &path() const { return path_; }
    // Writes `n` bytes at `offset`; 0 or the system error.
    int writeAt(std::int64_t offset, const void *data, std::size_t n);
    // Flushes the bytes to disk; 0 or the system error.
    int flush();
    // Renames the file to `finalPath` in the same folder unless that name is
    // taken (then the error is EEXIST or ERROR_FILE_EXISTS); 0 on success.
    int keep(const std::string &finalPath);

private:
    NewFile(std::intptr_t handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    void close();
    std::intptr_t handle_; // file descriptor or HANDLE; -1 once closed
    std::string path_;
    bool kept_ = false;
};

// The error numbers of a name that is taken (EEXIST; ERROR_FILE_EXISTS and
// ERROR_ALREADY_EXISTS on Windows).
bool isNameTaken(int error);

// A file's modification time in nanoseconds since 1970; 0 or the system error.
int modificationTime(const std::string &path, std::int64_t &nanoseconds);
// Sets it; 0 or the system error.
int setModificationTime(const std::string &path, std::int64_t nanoseconds);

// A file opened for reading at any offset. Other programs may go on writing
// it meanwhile (a recording in progress can be read) or replace it.
class ReadOnlyFile {
public:
    // The opened file, or nothing with the system error in `error` (also for
    // a folder, and for a pipe or device, which cannot be read at offsets).
    static std::unique_ptr<ReadOnlyFile> open(const std::string &path, int &error);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    // The size when the file was opened.
    std::int64_t size() const { return size_; }
    // Reads up to `n` bytes at `offset`, fewer only at the file's end.
    // Returns the count, or -1 with the system error in `error`.
    std::int64_t readAt(std::int64_t offset, void *out, std::size_t n, int &error);

private:
    ReadOnlyFile(std::intptr_t handle, std::int64_t size) : handle_(handle), size_(size) {}
    std::intptr_t handle_; // file descriptor or HANDLE
    std::int64_t size_;
};

} // namespace mendora::files

// The size in bytes of a media file, opened for reading only. Throws
// mendora::IoError with the file-error code of the failure.
std::int64_t MediaFileSize(const std::string &path);
