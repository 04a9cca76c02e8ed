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
