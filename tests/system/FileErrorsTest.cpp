#include "system/FileErrors.h"
#include "support/TestFiles.h"
#include "system/Errors.h"
#include "system/Files.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace mendora;
using mendora::test::runUnprivileged;
using mendora::test::TempDir;

namespace {

TEST(FileErrors, Wording) {
    const std::pair<int, const char *> table[] = {
        {2, "File not found"},
        {3, "Invalid filename"},
        {4, "Too many open files"},
        {5, "File access denied"},
        {100, "Read beyond end of file"},
        {101, "Disk full"},
        {106, "Invalid numeric input"},
        {32, "I/O error 32"},
        {0, "I/O error 0"},
    };
    for (const auto &[code, text] : table) {
        EXPECT_EQ(ioErrorText(code), text);
        EXPECT_STREQ(IoError(code).what(), text);
        EXPECT_EQ(IoError(code).code(), code);
    }
}

TEST(FileErrors, ErrnoMapping) {
    TempDir dir;
    const std::pair<int, int> table[] = {
        {ENOTDIR, 3},  {EACCES, 5},      {EPERM, 5},      {EROFS, 5},
        {EMFILE, 4},   {ENFILE, 4},      {ENOSPC, 101},   {ELOOP, 3},
        {EIO, 23},     {EBUSY, 32},      {ETXTBSY, 32},   {kNotRegularFile, 5},
        {ESRCH, 1003}, {ENETDOWN, 1100}, {EISCONN, 1106}, {EXDEV, EXDEV},
    };
    for (const auto &[err, code] : table)
        EXPECT_EQ(ioCodeFromSystemError(err, dir.file("x")), code) << "errno " << err;
    // No errno the table does not name reads as one of its codes.
    for (int err = 1; err < 140; ++err) {
        const int code = ioCodeFromSystemError(err, dir.file("x"));
        const bool named = err == ENOENT || err == ENOTDIR || err == ENAMETOOLONG ||
                           err == EACCES || err == EPERM || err == EROFS || err == EISDIR ||
                           err == EMFILE || err == ENFILE || err == ENOSPC || err == ELOOP;
        if (!named) {
            EXPECT_TRUE(code != 2 && code != 3 && code != 4 && code != 5 && code != 100 &&
                        code != 101 && code != 106)
                << "errno " << err << " gives " << code << ", " << ioErrorText(code);
        }
    }
    EXPECT_EQ(systemErrorText(kNotRegularFile), "not a regular file");
}

// The codes that real failing opens give.
TEST(FileErrors, RealFiles) {
    TempDir dir;
    std::int64_t size = -1;
    const std::string missing = dir.file("missing.avi");
    int err = files::fileSize(missing, size);
    EXPECT_EQ(ioCodeFromSystemError(err, missing), IoFileNotFound);

    const std::string noFolder = dir.file("no-folder/clip.avi");
    err = files::fileSize(noFolder, size);
    EXPECT_EQ(ioCodeFromSystemError(err, noFolder), IoInvalidFilename);

    mendora::test::writeBytes(dir.file("plain"), "x");
    const std::string underFile = dir.file("plain/clip.avi");
    err = files::fileSize(underFile, size);
    EXPECT_EQ(ioCodeFromSystemError(err, underFile), IoInvalidFilename);

    const std::string readOnly = dir.file("ro.avi");
    mendora::test::writeBytes(readOnly, "12345");
    ::chmod(readOnly.c_str(), 0444);
    const std::string outcome = runUnprivileged([&] {
        const files::WriteOutcome w = files::replaceFile(readOnly, "new");
        return ioErrorText(ioCodeFromSystemError(w.error, readOnly));
    });
    EXPECT_EQ(outcome, "File access denied");
    EXPECT_EQ(mendora::test::readBytes(readOnly), "12345");

    const std::string unreadable = dir.file("secret.avi");
    mendora::test::writeBytes(unreadable, "12345");
    ::chmod(unreadable.c_str(), 0);
    const std::string denied = runUnprivileged([&] {
        std::int64_t s = 0;
        return ioErrorText(ioCodeFromSystemError(files::fileSize(unreadable, s), unreadable));
    });
    EXPECT_EQ(denied, "File access denied");
}

TEST(Files, SizeAndExistence) {
    TempDir dir;
    mendora::test::writeBytes(dir.file("a"), std::string(25, 'x'));
    std::int64_t size = -1;
    EXPECT_EQ(files::fileSize(dir.file("a"), size), 0);
    EXPECT_EQ(size, 25);
    EXPECT_TRUE(files::fileExists(dir.file("a")));
    EXPECT_TRUE(files::fileExists(dir.path() + "//a")) << "a doubled separator reaches the file";
    EXPECT_FALSE(files::fileExists(dir.path()));
    EXPECT_FALSE(files::fileExists(dir.file("b")));
}

TEST(Files, ReplaceCreatesWithUsualPermissions) {
    TempDir dir;
    const mode_t old = ::umask(022);
    const files::WriteOutcome w = files::replaceFile(dir.file("new"), "abc");
    ::umask(old);
    ASSERT_TRUE(w.ok());
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("new").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(mendora::test::readBytes(dir.file("new")), "abc");
}

} // namespace

namespace {

TEST(Files, NamedPipeDoesNotBlockReading) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0644), 0);
    std::string content = "old";
    EXPECT_EQ(files::readWholeFile(dir.file("pipe"), content), 0);
    EXPECT_EQ(content, "");
}

} // namespace
