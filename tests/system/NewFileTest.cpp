// New files written under a temporary name and kept only when done, and
// modification times, on every system.
#include "support/TestFiles.h"
#include "system/Files.h"

#include <gtest/gtest.h>

using namespace mendora;
using namespace mendora::test;

namespace {

TEST(NewFile, KeptUnderItsNameOnlyWhenDone) {
    TempDir dir;
    int error = -1;
    auto file = files::NewFile::create(dir.path(), error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(error, 0);
    EXPECT_EQ(files::fileNameStart(file->path()), dir.path().size() + 1);
    EXPECT_EQ(file->writeAt(0, "hello world", 11), 0);
    EXPECT_EQ(file->writeAt(6, "WORLD", 5), 0);
    EXPECT_EQ(file->flush(), 0);
    // Readable while not yet kept, as a check of it needs.
    EXPECT_EQ(readBytes(file->path()), "hello WORLD");
    const std::string temporary = file->path();
    EXPECT_EQ(file->keep(dir.file("done.txt")), 0);
    EXPECT_FALSE(exists(temporary));
    file.reset();
    EXPECT_EQ(readBytes(dir.file("done.txt")), "hello WORLD");
    EXPECT_EQ(listFolder(dir.path()), "done.txt");
}

TEST(NewFile, NeverReplacesAFileAndLeavesNothingWhenNotKept) {
    TempDir dir;
    writeBytes(dir.file("taken.txt"), "old");
    int error = -1;
    auto file = files::NewFile::create(dir.path(), error);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->writeAt(0, "new", 3), 0);
    const int taken = file->keep(dir.file("taken.txt"));
    EXPECT_TRUE(files::isNameTaken(taken)) << taken;
    EXPECT_EQ(readBytes(dir.file("taken.txt")), "old");
    file.reset();
    EXPECT_EQ(listFolder(dir.path()), "taken.txt");
    EXPECT_FALSE(files::NewFile::create(dir.file("no-such-folder"), error));
    EXPECT_NE(error, 0);
}

TEST(ModificationTime, SetAndReadBack) {
    TempDir dir;
    writeBytes(dir.file("f"), "x");
    const std::int64_t when = 1'600'000'000'123'456'700LL; // 2020, to the 100 ns
    ASSERT_EQ(files::setModificationTime(dir.file("f"), when), 0);
    std::int64_t read = 0;
    ASSERT_EQ(files::modificationTime(dir.file("f"), read), 0);
    EXPECT_EQ(read, when);
    EXPECT_NE(files::modificationTime(dir.file("missing"), read), 0);
}

} // namespace
