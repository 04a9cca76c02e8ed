#include "system/Files.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>

namespace {

TEST(Paths, SplitAtTheLastSeparator) {
    const std::tuple<const char *, const char *, const char *> cases[] = {
        {"/a/b/c.avi", "/a/b/", "c.avi"},
        {"c.avi", "", "c.avi"},
        {"/c.avi", "/", "c.avi"},
        {"/a/b/", "/a/b/", ""},
        {"", "", ""},
#ifdef _WIN32
        {"C:\\v\\a.avi", "C:\\v\\", "a.avi"},
        {"C:a.avi", "C:", "a.avi"},
        {"C:/v/a.avi", "C:/v/", "a.avi"},
#else
        // Here "\" and ":" are letters of a name.
        {"/a/x:y\\z.avi", "/a/", "x:y\\z.avi"},
#endif
    };
    for (const auto &[path, folder, file] : cases) {
        const auto [f, n] = mendora::files::splitPath(path);
        EXPECT_EQ(f, folder) << path;
        EXPECT_EQ(n, file) << path;
        EXPECT_EQ(std::string(f) + std::string(n), path);
        EXPECT_EQ(mendora::files::fileNameStart(path), f.size()) << path;
    }
}

} // namespace
