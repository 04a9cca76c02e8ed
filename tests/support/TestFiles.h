// Small fixtures for tests that use real files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace mendora::test {

// A fresh folder under the system's temporary folder, removed with all its
// content when the object goes. Open to every user, so that tests can reach
// it from a process that runs without privileges.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return path_; }
    // path() + the system's separator + name
    std::string file(const std::string &name) const { return path_ + kSeparator + name; }

#ifdef _WIN32
    static constexpr char kSeparator = '\\';
#else
    static constexpr char kSeparator = '/';
#endif

private:
    std::string path_;
};

std::string readBytes(const std::string &path);
void writeBytes(const std::string &path, const std::string &bytes);
bool exists(const std::string &path);
void makeFolder(const std::string &path);
// Takes away the right to write the file (mode 0444, or the read-only attribute).
void makeReadOnly(const std::string &path);
// Names of the entries of a folder, sorted.
std::string listFolder(const std::string &path);

#ifndef _WIN32
// A file of `size` bytes that takes no disk space (sparse); returns `path`.
std::string makeSparseFile(const std::string &path, std::int64_t size);
// The ffmpeg command's inputs for test media: a test pattern, a tone, and
// one picture.
inline const std::string kTestVideo = "-f lavfi -i testsrc=size=176x144:rate=25 ";
inline const std::string kTestAudio = "-f lavfi -i sine=frequency=440:sample_rate=22050 ";
inline const std::string kTestPicture = "-f lavfi -i testsrc2=size=320x240 -frames:v 1 ";
// Writes the media file `path` with the ffmpeg command from `arguments`
// (inputs, codecs, options); returns the command, or an empty text when it
// succeeded.
std::string makeMedia(const std::string &path, const std::string &arguments);
// Runs a shell command of another media writer (sox, cjpeg, ImageMagick's
// convert), its output hidden; returns the command when it failed, else an
// empty text.
std::string runCommand(const std::string &command);
#endif

// Runs `body` without privileges and returns its result; an exception
// escaping `body` gives its what(). On POSIX it runs in a child process
// (uid and gid 65534 when the tests run as root, since permission bits deny
// root nothing), where `fileSizeLimit` > 0 caps the size of files it may
// write. On Windows it runs in place: the whole test program runs as an
// unprivileged user there, and no limit can be set.
std::string runUnprivileged(const std::function<std::string()> &body, long fileSizeLimit = 0);

} // namespace mendora::test
