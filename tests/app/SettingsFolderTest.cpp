// Where "option.ini" and the run counter live: beside the program when the
// program folder is writable, else in the user's settings folder.
#include "app/UnitBasic.h"
#include "inistore/IniFiles32.h"

#include "support/TestFiles.h"
#include "system/Errors.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace mendora::test;

namespace {

TEST(SettingsFolder, WritableProgramFolderKeepsThePortableInstallation) {
    TempDir dir;
    const std::string program = dir.file("portable/");
    makeFolder(dir.file("portable"));
    makeFolder(dir.file("config"));
    ::chmod(dir.file("portable").c_str(), 0777);
    ::chmod(dir.file("config").c_str(), 0777);
    const std::string result = runUnprivileged([&] {
        ::setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
        return mendora::settingsFolderOf(program);
    });
    EXPECT_EQ(result, program);
    EXPECT_EQ(listFolder(dir.file("config")), "") << "nothing made in the settings folder";
}

TEST(SettingsFolder, ReadOnlyProgramFolderUsesTheUsersSettingsFolder) {
    TempDir dir;
    makeFolder(dir.file("usr-lib"));
    ::chmod(dir.file("usr-lib").c_str(), 0555);
    makeFolder(dir.file("home"));
    makeFolder(dir.file("xdg"));
    ::chmod(dir.file("home").c_str(), 0777);
    ::chmod(dir.file("xdg").c_str(), 0777);
    const struct {
        const char *xdg; // nullptr: unset
        std::string expected;
    } cases[] = {
        {"XDG", dir.file("xdg/Corvanta/Mendora/")},
        {nullptr, dir.file("home/.config/Corvanta/Mendora/")},
        {"relative/folder", dir.file("home/.config/Corvanta/Mendora/")},
    };
    for (const auto &c : cases) {
        const std::string result = runUnprivileged([&] {
            ::setenv("HOME", dir.file("home").c_str(), 1);
            if (!c.xdg)
                ::unsetenv("XDG_CONFIG_HOME");
            else if (std::string(c.xdg) == "XDG")
                ::setenv("XDG_CONFIG_HOME", dir.file("xdg").c_str(), 1);
            else
                ::setenv("XDG_CONFIG_HOME", c.xdg, 1);
            const std::string folder = mendora::settingsFolderOf(dir.file("usr-lib/"));
            // The same store, keys and syntax there.
            TIniFile32 ini(folder + "option.ini");
            ini.WriteInteger("option", "video1", 2);
            return folder;
        });
        EXPECT_EQ(result, c.expected) << (c.xdg ? c.xdg : "unset");
        EXPECT_EQ(readBytes(c.expected + "option.ini"), "\r\n[option]\r\nvideo1=2\r\n");
    }
    EXPECT_EQ(listFolder(dir.file("usr-lib")), "");
}

TEST(SettingsFolder, SettingsFolderThatCannotBeMadeFailsWithTheUsualMessage) {
    TempDir dir;
    makeFolder(dir.file("usr-lib"));
    makeFolder(dir.file("locked"));
    ::chmod(dir.file("usr-lib").c_str(), 0555);
    ::chmod(dir.file("locked").c_str(), 0555);
    const std::string expectedPath = dir.file("locked/Corvanta/Mendora/option.ini");
    const std::string result = runUnprivileged([&] {
        ::setenv("XDG_CONFIG_HOME", dir.file("locked").c_str(), 1);
        TIniFile32 ini(mendora::settingsFolderOf(dir.file("usr-lib/")) + "option.ini");
        ini.WriteInteger("option", "video1", 2);
        return std::string("written");
    });
    EXPECT_EQ(result, "Cannot create file \"" + expectedPath + "\". No such file or directory");
}

} // namespace
