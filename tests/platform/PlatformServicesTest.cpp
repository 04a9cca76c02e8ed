#include "Platform.h"
#include "TestFiles.h"
#include "Text.h"

#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

using mendora::test::readBytes;
using mendora::test::TempDir;

namespace {

TEST(Text, CaseInsensitiveEquality) {
    EXPECT_TRUE(mendora::sameTextIgnoreCase("[OPTION]", "[option]"));
    EXPECT_TRUE(mendora::sameTextIgnoreCase("", ""));
    EXPECT_FALSE(mendora::sameTextIgnoreCase("[option]", "[option] "));
    EXPECT_FALSE(mendora::sameTextIgnoreCase("[opt1on]", "[option]"));
    // Beyond ASCII the locale decides; in a UTF-8 locale the letters fold.
    if (std::setlocale(LC_CTYPE, "C.UTF-8")) {
        EXPECT_TRUE(mendora::sameTextIgnoreCase("[\xC3\x84RGER]", "[\xC3\xA4rger]"));
        EXPECT_FALSE(mendora::sameTextIgnoreCase("[\xC3\x84]", "[\xC3\xA5]"));
        std::setlocale(LC_CTYPE, "C");
    }
    // Bytes that form no character compare as themselves.
    EXPECT_TRUE(mendora::sameTextIgnoreCase("\xFF"
                                            "A",
                                            "\xFF"
                                            "a"));
    EXPECT_FALSE(mendora::sameTextIgnoreCase("\xFF", "\xFE"));
}

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
