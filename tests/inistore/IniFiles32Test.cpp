#include "inistore/IniFiles32.h"

#include "support/TestFiles.h"
#include "system/Errors.h"

#include <gtest/gtest.h>

using mendora::test::readBytes;
using mendora::test::TempDir;
using mendora::test::writeBytes;

using namespace std::string_literals;

namespace {

struct ReadCase {
    const char *name;
    std::string file;
    const char *section;
    const char *key;
    const char *expected; // ReadString with default "D"
};

void PrintTo(const ReadCase &c, std::ostream *os) {
    *os << c.name;
}

class IniRead : public testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, ReadsTheFileAsWritten) {
    const ReadCase &c = GetParam();
    TempDir dir;
    writeBytes(dir.file("t.ini"), c.file);
    const TIniFile32 ini(dir.file("t.ini"));
    EXPECT_EQ(ini.ReadString(c.section, c.key, "D"), c.expected);
    EXPECT_EQ(readBytes(dir.file("t.ini")), c.file) << "reading must not write";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniRead,
    testing::Values(
        ReadCase{"plain", "[option]\r\nvideo1=3\r\n", "option", "video1", "3"},
        ReadCase{"sectionIgnoresCase", "[OPTION]\r\nvideo1=3\r\n", "option", "video1", "3"},
        ReadCase{"keyKeepsCase", "[option]\r\nVideo1=1\r\n", "option", "video1", "D"},
        ReadCase{"trimmedKeyAndValue", "[option]\r\n  video1 = 7  \r\n", "option", "video1", "7"},
        ReadCase{"tabsTrimmed", "[option]\r\n\tvideo1\t=\t7\t\r\n", "option", "video1", "7"},
        ReadCase{"emptyValueIsDefault", "[option]\r\nvideo1=\r\n", "option", "video1", "D"},
        ReadCase{"missingSection", "[other]\r\nvideo1=3\r\n", "option", "video1", "D"},
        ReadCase{"missingKey", "[option]\r\nvideo2=3\r\n", "option", "video1", "D"},
        ReadCase{"emptyKey", "[option]\r\n=3\r\nx\r\n", "option", "", "D"},
        ReadCase{"blankLedHeaderNotFound", " [option]\r\nvideo1=3\r\n", "option", "video1", "D"},
        ReadCase{"innerBlankHeaderNotFound", "[ option ]\r\nvideo1=3\r\n", "option", "video1", "D"},
        ReadCase{"blankLedHeaderEndsSection", "[option]\r\n [x]\r\nvideo1=3\r\n", "option",
                 "video1", "D"},
        ReadCase{"firstSectionWins", "[option]\r\na=1\r\n[option]\r\nvideo1=2\r\n", "option",
                 "video1", "D"},
        ReadCase{"firstKeyWins", "[option]\r\nvideo1=1\r\nvideo1=2\r\n", "option", "video1", "1"},
        ReadCase{"firstKeyWinsEvenIfEmpty", "[option]\r\nvideo1=\r\nvideo1=2\r\n", "option",
                 "video1", "D"},
        ReadCase{"blankLineDoesNotStopScan", "[option]\r\n \t \r\nvideo1=4\r\n", "option", "video1",
                 "4"},
        ReadCase{"noCommentSyntax", "[option]\r\n;video1=2\r\n", ";video1", "x", "D"},
        ReadCase{"commentLineIsAKey", "[option]\r\n;video1=2\r\n", "option", ";video1", "2"},
        ReadCase{"valueKeepsEquals", "[option]\r\nk=a=b\r\n", "option", "k", "a=b"},
        ReadCase{"lfOnly", "[option]\nvideo1=5\n", "option", "video1", "5"},
        ReadCase{"crOnly", "[option]\rvideo1=6\r", "option", "video1", "6"},
        ReadCase{"mixedLineEnds", "[a]\r\n\r[option]\n\rvideo1=8", "option", "video1", "8"},
        ReadCase{"nulEndsText", "[option]\r\nvideo1=1\r\n\0video2=2\r\n"s, "option", "video2", "D"},
        ReadCase{"emptyFile", "", "option", "video1", "D"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(IniReadInteger, ConversionRules) {
    const std::pair<const char *, int32_t> cases[] = {
        {"0x1F", 31},
        {"0X1f", 31},
        {"$1F", 31},
        {"x1f", 31},
        {"X1F", 31},
        {"-$10", -16},
        {"+0x10", 16},
        {"0xFFFFFFFF", -1},
        {"$000000000FF", 255},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"  12  ", 12},
        {"+5", 5},
        {"007", 7},
        // Failures give the default, 99.
        {"", 99},
        {"12abc", 99},
        {"1 2", 99},
        {"2147483648", 99},
        {"-2147483649", 99},
        {"0x", 99},
        {"$", 99},
        {"-", 99},
        {"+", 99},
        {"0x100000000", 99},
        {"1.5", 99},
        {"0x-1", 99},
    };
    TempDir dir;
    std::string file = "[n]\r\n";
    int i = 0;
    for (const auto &[text, expected] : cases)
        file += "k" + std::to_string(i++) + "=" + text + "\r\n";
    writeBytes(dir.file("n.ini"), file);
    const TIniFile32 ini(dir.file("n.ini"));
    i = 0;
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(ini.ReadInteger("n", "k" + std::to_string(i++), 99), expected)
            << "value '" << text << "'";
    EXPECT_EQ(ini.ReadInteger("n", "missing", -7), -7);
}

struct WriteCase {
    const char *name;
    std::string before; // "<none>" for no file
    const char *section;
    const char *key;
    const char *value;
    std::string after;
};

void PrintTo(const WriteCase &c, std::ostream *os) {
    *os << c.name;
}

class IniWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(IniWrite, WritesExactBytes) {
    const WriteCase &c = GetParam();
    TempDir dir;
    const std::string path = dir.file("w.ini");
    if (c.before != "<none>")
        writeBytes(path, c.before);
    TIniFile32 ini(path);
    ini.WriteString(c.section, c.key, c.value);
    EXPECT_EQ(readBytes(path), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWrite,
    testing::Values(
        WriteCase{"newFile", "<none>", "option", "video1", "0", "\r\n[option]\r\nvideo1=0\r\n"},
        WriteCase{"emptyFileGetsEmptyLineFirst", "", "s", "k", "v", "\r\n[s]\r\nk=v\r\n"},
        WriteCase{"appendToLastSection", "\r\n[option]\r\nvideo1=0\r\n", "option", "video2", "0",
                  "\r\n[option]\r\nvideo1=0\r\nvideo2=0\r\n"},
        WriteCase{"replaceLoosesBlanks", "[option]\r\n  video1 = 7  \r\n", "option", "video1", "7",
                  "[option]\r\nvideo1=7\r\n"},
        WriteCase{"keyCaseMatters", "[OPTION]\r\nVideo1=1\r\n", "option", "video1", "2",
                  "[OPTION]\r\nVideo1=1\r\nvideo1=2\r\n"},
        WriteCase{"blankLedHeaderGetsSecondSection", " [option]\r\nvideo1=1\r\n", "option",
                  "video1", "2", " [option]\r\nvideo1=1\r\n\r\n[option]\r\nvideo1=2\r\n"},
        WriteCase{"insertBeforeNextHeaderAfterEmptyLine", "[option]\r\na=1\r\n\r\n[other]\r\n",
                  "option", "b", "2", "[option]\r\na=1\r\n\r\nb=2\r\n[other]\r\n"},
        WriteCase{"onlyFirstSectionWritten", "[s]\r\n[s]\r\nk=1\r\n", "s", "k", "2",
                  "[s]\r\nk=2\r\n[s]\r\nk=1\r\n"},
        WriteCase{"onlyFirstKeyReplaced", "[s]\r\nk=1\r\nk=2\r\n", "s", "k", "3",
                  "[s]\r\nk=3\r\nk=2\r\n"},
        WriteCase{"emptyKeyAddsHeaderOnly", "<none>", "s", "", "v", "\r\n[s]\r\n"},
        WriteCase{"emptyKeyExistingSectionStillSaves", "[s]\nk=1", "s", "", "v", "[s]\r\nk=1\r\n"},
        WriteCase{"linesAfterNulDropped", "[s]\r\nk=1\r\n\0tail\r\n"s, "s", "k", "2",
                  "[s]\r\nk=2\r\n"},
        WriteCase{"lfAndCrRewrittenAsCrLf", "[a]\nx=1\r[s]\rk=1", "s", "k", "1",
                  "[a]\r\nx=1\r\n[s]\r\nk=1\r\n"},
        WriteCase{"blankLineInsideSectionSkipped", "[s]\r\n \t\r\nk=1\r\n", "s", "k", "2",
                  "[s]\r\n \t\r\nk=2\r\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(IniWrite, IntegersAndSavingAfterEveryWrite) {
    TempDir dir;
    const std::string path = dir.file("o.ini");
    TIniFile32 ini(path);
    ini.WriteInteger("option", "a", -2147483647 - 1);
    EXPECT_EQ(readBytes(path), "\r\n[option]\r\na=-2147483648\r\n");
    ini.WriteInteger("option", "b", 0);
    ini.WriteInteger("option", "a", 12);
    EXPECT_EQ(readBytes(path), "\r\n[option]\r\na=12\r\nb=0\r\n");
    EXPECT_EQ(ini.ReadInteger("OPTION", "a", 0), 12);
    EXPECT_EQ(mendora::test::listFolder(dir.path()), "o.ini") << "no temporary file left";
}

TEST(IniStore, MissingFileIsNotCreatedAndFolderIsNotLoaded) {
    TempDir dir;
    {
        const TIniFile32 ini(dir.file("none.ini"));
        EXPECT_EQ(ini.ReadString("s", "k", "def"), "def");
        EXPECT_EQ(ini.ReadInteger("s", "k", 5), 5);
    }
    EXPECT_FALSE(mendora::test::exists(dir.file("none.ini")));
    mendora::test::makeFolder(dir.file("folder.ini"));
    const TIniFile32 folder(dir.file("folder.ini"));
    EXPECT_EQ(folder.ReadString("s", "k", "def"), "def");
}

TEST(IniStore, LaterSaveOverwritesOtherWriters) {
    TempDir dir;
    const std::string path = dir.file("two.ini");
    TIniFile32 first(path);
    TIniFile32 second(path);
    first.WriteString("s", "a", "1");
    second.WriteString("s", "b", "2");
    EXPECT_EQ(readBytes(path), "\r\n[s]\r\nb=2\r\n");
}

} // namespace
