// The run counter on its own, on every system (the counting at start-up is
// tested with the main window).
#include "runcounter/RunCounter.h"

#include "support/TestFiles.h"
#include "system/Errors.h"

#include <gtest/gtest.h>
#include <tuple>
#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace mendora::test;

namespace {

TEST(RunCounter, CountsInPlace) {
    const std::tuple<const char *, const char *> cases[] = {
        {"41\r\n", "42"}, {"2147483647", "-2147483648"}, {"$1F", "32"}, {"", "1"}};
    for (const auto &[before, after] : cases) {
        TempDir dir;
        const std::string path = dir.file("Mendora.ini");
        writeBytes(path, before);
        mendora::updateRunCounter(path);
        EXPECT_EQ(readBytes(path), after) << before;
        EXPECT_EQ(listFolder(dir.path()), "Mendora.ini") << "no temporary file left";
    }
}

TEST(RunCounter, MissingFileIsNotCreated) {
    TempDir dir;
    mendora::updateRunCounter(dir.file("Mendora.ini"));
    EXPECT_EQ(listFolder(dir.path()), "");
}

TEST(RunCounter, NoNumberKeepsTheFile) {
    TempDir dir;
    const std::string path = dir.file("Mendora.ini");
    writeBytes(path, "many");
    try {
        mendora::updateRunCounter(path);
        FAIL() << "no error";
    } catch (const mendora::IoError &e) {
        EXPECT_STREQ(e.what(), "Invalid numeric input");
    }
    EXPECT_EQ(readBytes(path), "many");
}

TEST(RunCounter, TokenOfMoreThan32CharactersIsCut) {
    TempDir dir;
    const std::string path = dir.file("c");
    writeBytes(path, std::string(32, '0') + "5");
    mendora::updateRunCounter(path);
    EXPECT_EQ(readBytes(path), "1") << "only the first 32 characters are converted";
}

TEST(RunCounter, ReadOnlyFileKeepsItsContent) {
    TempDir dir;
    const std::string path = dir.file("Mendora.ini");
    writeBytes(path, "41");
    makeReadOnly(path);
    EXPECT_EQ(runUnprivileged([&] {
                  mendora::updateRunCounter(path);
                  return std::string("counted");
              }),
              "File access denied");
    EXPECT_EQ(readBytes(path), "41");
    EXPECT_EQ(listFolder(dir.path()), "Mendora.ini");
}

#ifndef _WIN32
TEST(RunCounter, UnreadableFile) {
    TempDir dir;
    const std::string path = dir.file("Mendora.ini");
    writeBytes(path, "41");
    ::chmod(path.c_str(), 0);
    EXPECT_EQ(runUnprivileged([&] {
                  mendora::updateRunCounter(path);
                  return std::string("counted");
              }),
              "File access denied");
    ::chmod(path.c_str(), 0600);
    EXPECT_EQ(readBytes(path), "41");
}
#endif

} // namespace
