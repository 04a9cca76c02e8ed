#include "system/FileErrors.h"
#include "system/Files.h"
#include "system/FolderEntries.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mendora {

namespace {

// The folder that holds `path`, for looking at it with stat.
std::string folderPart(const std::string &path) {
    const std::size_t start = files::fileNameStart(path);
    return start == 0 ? std::string(".") : path.substr(0, start);
}

bool isFolder(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

int ioCodeFromSystemError(int systemError, const std::string &path) {
    switch (systemError) {
    case ENOENT:
        return isFolder(folderPart(path)) ? IoFileNotFound : IoInvalidFilename;
    case ENOTDIR:
    case ENAMETOOLONG:
        return IoInvalidFilename;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return IoAccessDenied;
    case EMFILE:
    case ENFILE:
        return IoTooManyOpenFiles;
    case ENOSPC:
        return IoDiskFull;
    case ELOOP:
        return IoInvalidFilename;
    case EIO:
        return 23; // Windows' "data error": a medium that cannot be read
    case EBUSY:
    case ETXTBSY:
        return 32; // Windows' sharing violation
    case kNotRegularFile:
        return IoAccessDenied;
    default:
        break;
    }
    switch (systemError) {
    case IoInvalidFilename:
    case IoTooManyOpenFiles:
    case IoAccessDenied:
    case IoReadBeyondEnd:
    case IoDiskFull:
    case IoInvalidNumericInput:
        return 1000 + systemError;
    default:
        return systemError;
    }
}

std::string systemErrorText(int systemError) {
    if (systemError == kNotRegularFile)
        return "not a regular file";
    return std::strerror(systemError);
}

namespace files {

bool fileExists(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool isFolder(const std::string &path) {
    return mendora::isFolder(path);
}

bool folderIsWritable(const std::string &path) {
    return isFolder(path) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

bool makeFolders(const std::string &path) {
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            const std::string part = path.substr(0, pos);
            if (!isFolder(part) && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
                return false;
        }
    }
    return isFolder(path);
}

std::string userConfigFolder() {
    if (const char *xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        return xdg;
    const char *home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config";
}

std::string absolutePath(const std::string &path) {
    if (!path.empty() && path.front() == '/')
        return path;
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer) == nullptr)
        return path;
    std::string folder = buffer;
    if (folder.back() != '/')
        folder += '/';
    return folder + path;
}

int readWholeFile(const std::string &path, std::string &content) {
    // Non-blocking, so that a named pipe in place of a file cannot hang the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno;
    content.clear();
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            return err;
        }
        if (n == 0)
            break;
        content.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return 0;
}

namespace {

// A symbolic link stays a link: the file it points at is the one replaced.
std::string resolvedTarget(const std::string &path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char *real = ::realpath(path.c_str(), nullptr)) {
            std::string resolved = real;
            std::free(real);
            return resolved;
        }
    }
    return path;
}

int writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0 ? ENOSPC : errno;
        content.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

void syncFolder(const std::string &folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

WriteOutcome replaceFile(const std::string &path, std::string_view content) {
    const std::string target = resolvedTarget(path);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists) {
        if (S_ISDIR(old.st_mode))
            return {WriteStage::Create, EISDIR};
        // The file must be writable in place; opening it without truncating
        // tells exactly that and changes nothing.
        const int probe = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (probe < 0)
            return {WriteStage::Create, errno};
        ::close(probe);
    }

    static std::atomic<unsigned> serial{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temp = target + ".~" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && (errno != EEXIST || attempt > 100))
            return {WriteStage::Create, errno};
    }
    if (exists) {
        // Keep the old file's permissions and, where allowed, its owner.
        (void)::fchmod(fd, old.st_mode & 07777);
        (void)!::fchown(fd, old.st_uid, old.st_gid);
    }

    WriteOutcome outcome;
    if (int err = writeAll(fd, content))
        outcome = {WriteStage::Write, err};
    else if (::fsync(fd) != 0)
        outcome = {WriteStage::Write, errno};
    if (::close(fd) != 0 && outcome.ok())
        outcome = {WriteStage::Write, errno};
    if (outcome.ok() && ::rename(temp.c_str(), target.c_str()) != 0)
        outcome = {WriteStage::Create, errno};
    if (!outcome.ok()) {
        ::unlink(temp.c_str());
        return outcome;
    }
    syncFolder(folderPart(target));
    return outcome;
}

int fileSize(const std::string &path, std::int64_t &size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno;
    struct stat st {};
    int err = ::fstat(fd, &st) == 0 ? 0 : errno;
    // A folder is no file to measure (opening one fails on Windows too).
    if (err == 0 && S_ISDIR(st.st_mode))
        err = EISDIR;
    ::close(fd);
    if (err == 0)
        size = static_cast<std::int64_t>(st.st_size);
    return err;
}

namespace entries {

bool list(const std::string &folder,
          const std::function<void(const std::string &name, Kind kind)> &visit) {
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return false;
    const std::string prefix = folder.back() == '/' ? folder : folder + "/";
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        unsigned char type = entry->d_type;
        struct stat st {};
        if (type == DT_UNKNOWN && ::lstat((prefix + name).c_str(), &st) == 0)
            type = S_ISDIR(st.st_mode)   ? DT_DIR
                   : S_ISREG(st.st_mode) ? DT_REG
                   : S_ISLNK(st.st_mode) ? DT_LNK
                                         : DT_UNKNOWN;
        Kind kind = Kind::Other;
        if (type == DT_DIR)
            kind = Kind::Folder;
        else if (type == DT_REG)
            kind = Kind::File;
        else if (type == DT_LNK && ::stat((prefix + name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            kind = Kind::LinkToFile;
        visit(name, kind);
    }
    ::closedir(dir);
    return true;
}

std::string finalPath(const std::string &path) {
    std::string resolved;
    if (char *real = ::realpath(path.c_str(), nullptr)) {
        resolved = real;
        std::free(real);
    }
    return resolved;
}

} // namespace entries

std::unique_ptr<ReadOnlyFile> ReadOnlyFile::open(const std::string &path, int &error) {
    // Non-blocking, so that a named pipe in place of a file cannot hang the
    // reader; reading one then fails.
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    struct stat st {};
    error = ::fstat(fd, &st) != 0  ? errno
            : S_ISDIR(st.st_mode)  ? EISDIR
            : !S_ISREG(st.st_mode) ? kNotRegularFile
                                   : 0;
    if (error != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<ReadOnlyFile>(
        new ReadOnlyFile(fd, static_cast<std::int64_t>(st.st_size)));
}

ReadOnlyFile::~ReadOnlyFile() {
    ::close(static_cast<int>(handle_));
}

std::int64_t ReadOnlyFile::readAt(std::int64_t offset, void *out, std::size_t n, int &error) {
    auto *target = static_cast<unsigned char *>(out);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(static_cast<int>(handle_), target + done, n - done,
                                    static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return -1;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

std::unique_ptr<NewFile> NewFile::create(const std::string &folder, int &error,
                                         const std::string &suffix) {
    static std::atomic<unsigned> serial{0};
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    for (int attempt = 0;; ++attempt) {
        std::string path = prefix + ".mendora-" + std::to_string(::getpid()) + "-" +
                           std::to_string(serial++) + ".part" + suffix;
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0) {
            error = 0;
            return std::unique_ptr<NewFile>(new NewFile(fd, std::move(path)));
        }
        if (errno != EEXIST || attempt > 100) {
            error = errno;
            return nullptr;
        }
    }
}

NewFile::~NewFile() {
    close();
    if (!kept_)
        ::unlink(path_.c_str());
}

void NewFile::close() {
    if (handle_ >= 0)
        ::close(static_cast<int>(handle_));
    handle_ = -1;
}

int NewFile::writeAt(std::int64_t offset, const void *data, std::size_t n) {
    const auto *bytes = static_cast<const char *>(data);
    while (n > 0) {
        const ssize_t done =
            ::pwrite(static_cast<int>(handle_), bytes, n, static_cast<off_t>(offset));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes += done;
        offset += done;
        n -= static_cast<std::size_t>(done);
    }
    return 0;
}

int NewFile::flush() {
    return ::fsync(static_cast<int>(handle_)) == 0 ? 0 : errno;
}

int NewFile::keep(const std::string &finalPath) {
    // A hard link gives the final name only when it is free (rename would
    // replace a file of that name); then the temporary name goes.
    if (::link(path_.c_str(), finalPath.c_str()) != 0)
        return errno;
    ::unlink(path_.c_str());
    kept_ = true;
    path_ = finalPath;
    close();
    syncFolder(folderPart(finalPath));
    return 0;
}

bool isNameTaken(int error) {
    return error == EEXIST;
}

int modificationTime(const std::string &path, std::int64_t &nanoseconds) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno;
    nanoseconds = std::int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    return 0;
}

int setModificationTime(const std::string &path, std::int64_t nanoseconds) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(nanoseconds / 1'000'000'000);
    times[1].tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ? 0 : errno;
}

} // namespace files
} // namespace mendora
