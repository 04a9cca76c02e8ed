// The files below a folder on a POSIX file system: links, loops, pipes and
// folders that cannot be read.
#include "support/TestFiles.h"
#include "system/Files.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace mendora;
using namespace mendora::test;

namespace {

bool media(std::string_view name) {
    return name.size() > 4 && name.find('.') != std::string_view::npos &&
           name.substr(name.size() - 4) != ".txt";
}

TEST(FilesBelow, TreeWithLinksLoopsPipesAndLockedFolders) {
    TempDir dir;
    const std::string root = dir.file("music");
    makeFolder(root);
    makeFolder(root + "/a");
    makeFolder(root + "/a/deeper");
    makeFolder(root + "/b");
    makeFolder(root + "/locked");
    makeFolder(dir.file("outside"));
    for (const char *name : {"/b.mp3", "/a/clip.AVI", "/a/notes.txt", "/a/deeper/x.jpg", "/b/c.wav",
                             "/locked/secret.mp3"})
        writeBytes(root + name, "x");
    writeBytes(dir.file("outside/o.mp3"), "x");
    ASSERT_EQ(::symlink(".", (root + "/loop").c_str()), 0);
    ASSERT_EQ(::symlink("..", (root + "/a/up").c_str()), 0);
    ASSERT_EQ(::symlink("../outside", (root + "/out").c_str()), 0);
    ASSERT_EQ(::symlink("../outside/o.mp3", (root + "/outfile.mp3").c_str()), 0);
    ASSERT_EQ(::symlink("b.mp3", (root + "/inlink.mp3").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere.avi", (root + "/dangling.avi").c_str()), 0);
    ASSERT_EQ(::mkfifo((root + "/pipe.mp3").c_str(), 0644), 0);
    ::chmod((root + "/locked").c_str(), 0);

    const std::string result = runUnprivileged([&] {
        std::atomic<std::size_t> found{0};
        const files::FolderFiles files = files::filesBelow(root + "/", media, nullptr, &found);
        std::string text;
        for (const std::string &path : files.paths)
            text += path.substr(root.size()) + "\n";
        for (const std::string &path : files.unreadableFolders)
            text += "unreadable " + path.substr(root.size()) + "\n";
        return text + "counted " + std::to_string(found.load()) +
               (files.cancelled ? ", cancelled" : "");
    });
    ::chmod((root + "/locked").c_str(), 0755);
    // In the order of the full paths: "b.mp3" before "b/c.wav" ('.' < '/').
    EXPECT_EQ(result, "/a/clip.AVI\n/a/deeper/x.jpg\n/b.mp3\n/b/c.wav\n/inlink.mp3\n"
                      "unreadable /locked\ncounted 5");
}

TEST(FilesBelow, CancelledAndMissing) {
    TempDir dir;
    writeBytes(dir.file("a.mp3"), "x");
    const std::atomic<bool> cancel{true};
    const files::FolderFiles cancelled = files::filesBelow(dir.path(), media, &cancel);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_TRUE(cancelled.paths.empty());
    const files::FolderFiles missing = files::filesBelow(dir.file("none"), media);
    EXPECT_TRUE(missing.paths.empty());
    EXPECT_EQ(missing.unreadableFolders, std::vector<std::string>{dir.file("none")});
}

// The search on its own thread: it tells when it is done, counts what it
// finds, and a cancel or its end hands over what was found.
TEST(FolderSearch, RunsOnItsOwnThreadAndCanBeCancelled) {
    TempDir dir;
    for (int i = 0; i < 30; ++i)
        writeBytes(dir.file(std::to_string(i) + ".mp3"), "x");
    std::atomic<int> done{0};
    files::FolderSearch search(dir.path(), media, [&] { ++done; });
    const files::FolderFiles all = search.take();
    EXPECT_EQ(all.paths.size(), 30u);
    EXPECT_FALSE(all.cancelled);
    EXPECT_EQ(search.found(), 30u);
    EXPECT_TRUE(search.finished());
    EXPECT_EQ(done.load(), 1);

    // A search held at its first name until it is cancelled stops before the
    // next folder.
    makeFolder(dir.file("sub"));
    writeBytes(dir.file("sub/x.mp3"), "x");
    std::atomic<bool> entered{false}, released{false};
    files::FolderSearch slow(dir.path(), [&](std::string_view name) {
        entered = true;
        while (!released.load())
            std::this_thread::yield();
        return media(name);
    });
    while (!entered.load())
        std::this_thread::yield();
    slow.cancel();
    released = true;
    const files::FolderFiles cut = slow.take();
    EXPECT_TRUE(cut.cancelled);
    EXPECT_LT(cut.paths.size(), 31u);
}

} // namespace
