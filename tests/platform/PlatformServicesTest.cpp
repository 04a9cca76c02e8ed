#include "platform/Platform.h"
#include "support/TestFiles.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

using mendora::test::readBytes;
using mendora::test::TempDir;

namespace {

TEST(Registry, StandInKeepsValuesInTheUserConfigFolder) {
    TempDir dir;
    ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    auto registry = mendora::platform::makeNativeRegistry();
    EXPECT_TRUE(
        registry->writeString("\\Software\\Corvanta\\Mendora", "FilePath", "/opt/a/Mendora"));
    EXPECT_TRUE(
        registry->writeString("\\Software\\Corvanta\\Mendora", "FilePath", "/opt/b/Mendora"));
    EXPECT_EQ(readBytes(dir.file("Corvanta/registry.ini")),
              "\r\n[\\Software\\Corvanta\\Mendora]\r\nFilePath=/opt/b/Mendora\r\n");

    // A configuration folder that may not be written: the value is not set.
    const std::string locked = dir.file("locked");
    ::mkdir(locked.c_str(), 0555);
    ::setenv("XDG_CONFIG_HOME", locked.c_str(), 1);
    const std::string result = mendora::test::runUnprivileged([] {
        auto r = mendora::platform::makeNativeRegistry();
        return std::string(r->writeString("\\Software\\Corvanta\\Mendora", "FilePath", "x")
                               ? "written"
                               : "refused");
    });
    EXPECT_EQ(result, "refused");
    ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace
