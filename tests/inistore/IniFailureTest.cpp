// The INI store's failures on POSIX file systems: the exact message, and
// the file on disk exactly as it was.
#include "inistore/IniFiles32.h"

#include "support/TestFiles.h"
#include "system/Errors.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using mendora::test::readBytes;
using mendora::test::runUnprivileged;
using mendora::test::TempDir;
using mendora::test::writeBytes;

namespace {

TEST(IniFailure, ReadOnlyFileIsNotReplaced) {
    TempDir dir;
    const std::string path = dir.file("ro.ini");
    writeBytes(path, "[s]\r\nk=1\r\n");
    ::chmod(path.c_str(), 0444);
    const std::string result = runUnprivileged([&] {
        TIniFile32 ini(path);
        try {
            ini.WriteString("s", "k", "2");
        } catch (const mendora::FileCreateError &e) {
            // The change stays in memory.
            return std::string(e.what()) + "|" + ini.ReadString("s", "k", "");
        }
        return std::string("written");
    });
    EXPECT_EQ(result, "Cannot create file \"" + path + "\". Permission denied|2");
    EXPECT_EQ(readBytes(path), "[s]\r\nk=1\r\n");
    EXPECT_EQ(mendora::test::listFolder(dir.path()), "ro.ini");
}

TEST(IniFailure, ReadOnlyFolder) {
    TempDir dir;
    const std::string folder = dir.file("locked");
    ::mkdir(folder.c_str(), 0777);
    const std::string path = folder + "/o.ini";
    writeBytes(path, "[s]\r\nk=1\r\n");
    ::chmod(path.c_str(), 0666);
    ::chmod(folder.c_str(), 0555);
    const std::string existing = runUnprivileged([&] {
        TIniFile32 ini(path);
        ini.WriteString("s", "k", "2");
        return std::string("written");
    });
    EXPECT_EQ(existing, "Cannot create file \"" + path + "\". Permission denied");
    EXPECT_EQ(readBytes(path), "[s]\r\nk=1\r\n");
    const std::string fresh = runUnprivileged([&] {
        TIniFile32 ini(folder + "/new.ini");
        ini.WriteString("s", "k", "2");
        return std::string("written");
    });
    EXPECT_EQ(fresh, "Cannot create file \"" + folder + "/new.ini\". Permission denied");
    EXPECT_EQ(mendora::test::listFolder(folder), "o.ini");
}

TEST(IniFailure, MissingFolder) {
    TempDir dir;
    const std::string path = dir.file("gone/o.ini");
    TIniFile32 ini(path);
    try {
        ini.WriteString("s", "k", "1");
        FAIL() << "no error";
    } catch (const mendora::FileCreateError &e) {
        EXPECT_STREQ(e.what(),
                     ("Cannot create file \"" + path + "\". No such file or directory").c_str());
    }
    EXPECT_FALSE(mendora::test::exists(dir.file("gone")));
}

TEST(IniFailure, UnreadableFile) {
    TempDir dir;
    const std::string path = dir.file("secret.ini");
    writeBytes(path, "[s]\r\nk=1\r\n");
    ::chmod(path.c_str(), 0000);
    const std::string result = runUnprivileged([&] {
        TIniFile32 ini(path);
        return std::string("opened");
    });
    EXPECT_EQ(result, "Cannot open file \"" + path + "\". Permission denied");
    ::chmod(path.c_str(), 0600);
    EXPECT_EQ(readBytes(path), "[s]\r\nk=1\r\n");
}

TEST(IniFailure, RelativeNameReportedWithFullPath) {
    TempDir dir;
    const std::string relative = "mendora-no-such-folder/o.ini";
    TIniFile32 ini(relative);
    try {
        ini.WriteString("s", "k", "1");
        FAIL() << "no error";
    } catch (const mendora::FileCreateError &e) {
        const std::string message = e.what();
        EXPECT_EQ(message.rfind("Cannot create file \"/", 0), 0u) << message;
        EXPECT_NE(message.find("/" + relative + "\""), std::string::npos) << message;
    }
}

TEST(IniFailure, DiskTakingFewerBytesLeavesOldFile) {
    TempDir dir;
    const std::string path = dir.file("full.ini");
    const std::string old = "[s]\r\nk=1\r\n";
    writeBytes(path, old);
    ::chmod(path.c_str(), 0666);
    const std::string result = runUnprivileged(
        [&] {
            TIniFile32 ini(path);
            ini.WriteString("s", "k", std::string(5000, 'x'));
            return std::string("written");
        },
        /*fileSizeLimit=*/1024);
    EXPECT_EQ(result, "Stream write error");
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(mendora::test::listFolder(dir.path()), "full.ini") << "temporary file removed";
}

TEST(IniSave, KeepsPermissionsAndFollowsLinks) {
    TempDir dir;
    const std::string real = dir.file("real.ini");
    writeBytes(real, "[s]\r\nk=1\r\n");
    ::chmod(real.c_str(), 0640);
    ASSERT_EQ(::symlink("real.ini", dir.file("link.ini").c_str()), 0);
    TIniFile32 ini(dir.file("link.ini"));
    ini.WriteString("s", "k", "2");
    struct stat st {};
    ASSERT_EQ(::lstat(dir.file("link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(readBytes(real), "[s]\r\nk=2\r\n");
}

} // namespace
