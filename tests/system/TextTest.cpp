#include "system/Text.h"

#include <clocale>
#include <gtest/gtest.h>

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

} // namespace

TEST(Text, WildcardMatch) {
    const struct {
        const char *name, *pattern;
        bool matches;
    } cases[] = {
        {"clip.AVI", "*.avi", true},
        {"clip.avi.txt", "*.avi", false},
        {"xwmv", "*wmv", true},
        {"mp3", "*.mp3", false},
        {"", "*", true},
        {"", "?", false},
        {"abc", "a?c", true},
        {"a\xC3\xA9"
         "c",
         "a?c", true},
        {"a.b.c", "*.c", true},
        {"aaaab", "*a*b", true},
        {"aaaa", "*a*b", false},
        {"song.MpGa", "*.mpga", true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(mendora::wildcardMatch(c.name, c.pattern), c.matches)
            << c.name << " ~ " << c.pattern;
}

TEST(Text, Utf8Validity) {
    const struct {
        std::string bytes;
        bool valid;
    } cases[] = {
        {"", true},
        {"plain ASCII", true},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", true},
        {"caf\xE9", false},          // a Windows-1252 e-acute
        {"\xC3", false},             // cut after the lead byte
        {"\xE2\x82", false},         // cut inside a three-byte form
        {"\xC0\xAF", false},         // overlong "/"
        {"\xE0\x80\xAF", false},     // overlong "/" in three bytes
        {"\xED\xA0\x80", false},     // a surrogate
        {"\xF4\x90\x80\x80", false}, // above U+10FFFF
        {"\x80", false},             // a lone continuation byte
    };
    for (const auto &c : cases)
        EXPECT_EQ(mendora::isValidUtf8(c.bytes), c.valid) << c.bytes;
}

TEST(Text, TextFilesBecomeUtf8) {
    // Windows-1252: Latin-1 letters, the 0x80..0x9F extras, undefined bytes as C1 controls.
    EXPECT_EQ(mendora::textFileToUtf8("Gr\xFC\xDF"
                                      "e \x80 \x93quoted\x94 \x81"),
              "Gr\xC3\xBC\xC3\x9F"
              "e \xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D \xC2\x81");
    // Valid UTF-8 stays as it is, without its byte-order mark.
    EXPECT_EQ(mendora::textFileToUtf8("\xEF\xBB\xBF"
                                      "caf\xC3\xA9"),
              "caf\xC3\xA9");
    EXPECT_EQ(mendora::textFileToUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
}

TEST(Text, LinesWithEveryKindOfBreak) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(mendora::textLines(""), Lines{});
    EXPECT_EQ(mendora::textLines("one"), Lines{"one"});
    EXPECT_EQ(mendora::textLines("one\r\n"), Lines{"one"});
    EXPECT_EQ(mendora::textLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(mendora::textLines("\r\n\r\nx\n\n"), (Lines{"", "", "x", ""}));
    EXPECT_EQ(mendora::textLines("a\n\rb"), (Lines{"a", "", "b"}));
}
