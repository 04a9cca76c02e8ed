#include "support/TestFiles.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <exception>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace mendora::test {

namespace {

void removeTree(const std::string &path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        ::chmod(path.c_str(), 0700);
        if (DIR *dir = ::opendir(path.c_str())) {
            while (dirent *entry = ::readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..")
                    removeTree(path + "/" + name);
            }
            ::closedir(dir);
        }
        ::rmdir(path.c_str());
    } else {
        ::unlink(path.c_str());
    }
}

} // namespace

TempDir::TempDir() {
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/mendora-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = buffer.data();
    ::chmod(path_.c_str(), 0777);
}

TempDir::~TempDir() {
    removeTree(path_);
}

std::string readBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeBytes(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const std::string &path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void makeReadOnly(const std::string &path) {
    if (::chmod(path.c_str(), 0444) != 0)
        throw std::runtime_error("cannot make " + path + " read-only");
}

void makeFolder(const std::string &path) {
    if (::mkdir(path.c_str(), 0777) != 0)
        throw std::runtime_error("cannot make " + path);
}

std::string makeMedia(const std::string &path, const std::string &arguments) {
    const std::string command = "ffmpeg -v error -y " + arguments + " '" + path + "' </dev/null";
    return std::system(command.c_str()) == 0 ? std::string() : command;
}

std::string runCommand(const std::string &command) {
    const std::string quiet = "( " + command + " ) </dev/null >/dev/null 2>&1";
    return std::system(quiet.c_str()) == 0 ? std::string() : command;
}

std::string makeSparseFile(const std::string &path, std::int64_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::ftruncate(fd, size) != 0)
        throw std::runtime_error("cannot make " + path);
    ::close(fd);
    return path;
}

std::string listFolder(const std::string &path) {
    std::vector<std::string> names;
    if (DIR *dir = ::opendir(path.c_str())) {
        while (dirent *entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const auto &name : names)
        joined += (joined.empty() ? "" : " ") + name;
    return joined;
}

std::string runUnprivileged(const std::function<std::string()> &body, long fileSizeLimit) {
    int fds[2];
    if (::pipe(fds) != 0)
        return "pipe failed";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string result;
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            result = "could not drop privileges";
        } else {
            if (fileSizeLimit > 0) {
                std::signal(SIGXFSZ, SIG_IGN);
                rlimit limit{static_cast<rlim_t>(fileSizeLimit),
                             static_cast<rlim_t>(fileSizeLimit)};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            try {
                result = body();
            } catch (const std::exception &e) {
                result = e.what();
            } catch (...) {
                result = "unknown exception";
            }
        }
        const char *p = result.data();
        size_t left = result.size();
        while (left > 0) {
            const ssize_t n = ::write(fds[1], p, left);
            if (n <= 0)
                break;
            p += n;
            left -= static_cast<size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string result;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
        result.append(buffer, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return result;
}

} // namespace mendora::test
