// The INI store on Windows: sections without regard to case beyond ASCII,
// names outside the ANSI code page, a read-only file left as it was.
#include "inistore/IniFiles32.h"

#include "support/TestFiles.h"
#include "system/Errors.h"

#include <gtest/gtest.h>

using namespace mendora::test;

namespace {

TEST(WindowsIniStore, SectionsIgnoreCase) {
    TempDir dir;
    const std::string path = dir.file("option.ini");
    writeBytes(path, "[OPTION]\r\nvideo1=3\r\n[\xC3\x9C"
                     "BER]\r\nk=4\r\n"); // [ÜBER]
    TIniFile32 ini(path);
    EXPECT_EQ(ini.ReadInteger("option", "video1", 0), 3);
    EXPECT_EQ(ini.ReadInteger("\xC3\xBC"
                              "ber",
                              "k", 0),
              4); // über
    ini.WriteInteger("Option", "video1", 5);
    EXPECT_EQ(readBytes(path), "[OPTION]\r\nvideo1=5\r\n[\xC3\x9C"
                               "BER]\r\nk=4\r\n");
}

TEST(WindowsIniStore, NameOutsideTheAnsiCodePage) {
    TempDir dir;
    const std::string path = dir.file("\xE8\xA8\xAD\xE5\xAE\x9A.ini"); // 設定.ini
    {
        TIniFile32 ini(path);
        ini.WriteString("option", "video1", "2");
    }
    EXPECT_EQ(readBytes(path), "\r\n[option]\r\nvideo1=2\r\n");
    const TIniFile32 again(path);
    EXPECT_EQ(again.ReadString("option", "video1", ""), "2");
}

TEST(WindowsIniStore, ReadOnlyFileIsNotReplaced) {
    TempDir dir;
    const std::string path = dir.file("ro.ini");
    writeBytes(path, "[s]\r\nk=1\r\n");
    makeReadOnly(path);
    TIniFile32 ini(path);
    try {
        ini.WriteString("s", "k", "2");
        FAIL() << "written";
    } catch (const mendora::FileCreateError &e) {
        // The system's own words follow; Wine's differ from Windows'.
        const std::string start = "Cannot create file \"" + path + "\". ";
        EXPECT_EQ(std::string(e.what()).substr(0, start.size()), start);
        EXPECT_GT(std::string(e.what()).size(), start.size());
    }
    EXPECT_EQ(ini.ReadString("s", "k", ""), "2") << "the change stays in memory";
    EXPECT_EQ(readBytes(path), "[s]\r\nk=1\r\n");
    EXPECT_EQ(listFolder(dir.path()), "ro.ini");
}

} // namespace
