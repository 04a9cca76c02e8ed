// The system layer on Windows: error numbers of real failing calls and their
// wording, sharing with other programs, the atomic save, non-ANSI names.
#include "support/TestFiles.h"
#include "system/Errors.h"
#include "system/FileErrors.h"
#include "system/Files.h"
#include "system/Text.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

using namespace mendora;
using namespace mendora::test;

namespace {

// A handle of "another program" on a file, closed when the test ends.
class OtherProgram {
public:
    OtherProgram(const std::string &path, DWORD access, DWORD share) {
        const int n = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(n), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), n);
        handle_ = CreateFileW(wide.c_str(), access, share, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    ~OtherProgram() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
    void write(const std::string &bytes) {
        DWORD written = 0;
        WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }

private:
    HANDLE handle_;
};

TEST(WindowsFileErrors, RealErrorsAndTheirCodes) {
    TempDir dir;
    writeBytes(dir.file("locked.avi"), "12345");
    OtherProgram exclusive(dir.file("locked.avi"), GENERIC_READ | GENERIC_WRITE, 0);
    ASSERT_TRUE(exclusive.ok());
    const struct {
        std::string path;
        int systemError;
        const char *text;
    } cases[] = {
        {dir.file("missing.avi"), ERROR_FILE_NOT_FOUND, "File not found"},
        {dir.file("no-folder\\clip.avi"), ERROR_PATH_NOT_FOUND, "Invalid filename"},
        {dir.file("a<b.avi"), ERROR_INVALID_NAME, "Invalid filename"},
        // A file another program holds without sharing: the system's number.
        {dir.file("locked.avi"), ERROR_SHARING_VIOLATION, "I/O error 32"},
    };
    for (const auto &c : cases) {
        std::int64_t size = -1;
        const int err = files::fileSize(c.path, size);
        EXPECT_EQ(err, c.systemError) << c.path;
        EXPECT_EQ(ioErrorText(ioCodeFromSystemError(err, c.path)), c.text) << c.path;
        std::string content;
        EXPECT_EQ(files::readWholeFile(c.path, content), c.systemError) << c.path;
        EXPECT_EQ(size, -1);
    }
    // The system's own words for the open errors; Wine's differ from Windows'.
    const std::string text = systemErrorText(ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
}

TEST(WindowsFileErrors, ReadOnlyFileIsNeverReplaced) {
    TempDir dir;
    const std::string path = dir.file("ro.ini");
    writeBytes(path, "12345");
    makeReadOnly(path);
    const files::WriteOutcome w = files::replaceFile(path, "new");
    EXPECT_EQ(w.stage, files::WriteStage::Create);
    EXPECT_EQ(w.error, ERROR_ACCESS_DENIED);
    EXPECT_EQ(ioErrorText(ioCodeFromSystemError(w.error, path)), "File access denied");
    EXPECT_EQ(readBytes(path), "12345");
    EXPECT_EQ(listFolder(dir.path()), "ro.ini") << "no temporary file left";
}

// What we only read, a recorder may go on writing: size, whole reads and
// reads at an offset all work while it holds the file open for writing.
TEST(WindowsFiles, ReadsAFileAnotherProgramIsWriting) {
    TempDir dir;
    const std::string path = dir.file("recording.mpg");
    OtherProgram recorder(path, GENERIC_WRITE, FILE_SHARE_READ);
    ASSERT_TRUE(recorder.ok());
    recorder.write("0123456789");

    std::int64_t size = -1;
    EXPECT_EQ(files::fileSize(path, size), 0);
    EXPECT_EQ(size, 10);
    std::string content;
    EXPECT_EQ(files::readWholeFile(path, content), 0);
    EXPECT_EQ(content, "0123456789");
    int error = -1;
    auto file = files::ReadOnlyFile::open(path, error);
    ASSERT_TRUE(file) << error;
    char part[8] = {};
    EXPECT_EQ(file->readAt(6, part, sizeof part, error), 4) << "short only at the end";
    EXPECT_EQ(std::string(part, 4), "6789");
    EXPECT_EQ(file->readAt(20, part, sizeof part, error), 0);
}

TEST(WindowsFiles, AtomicSaveLeavesOtherFilesOfItsNameAlone) {
    TempDir dir;
    const std::string path = dir.file("option.ini");
    writeBytes(path, "old");
    // Files that look like our temporary files (this process's first serial
    // numbers, and the bare process id): never taken over.
    std::vector<std::string> names = {"option.ini"};
    const std::string stem = "option.ini.~" + std::to_string(GetCurrentProcessId());
    names.push_back(stem);
    for (int i = 0; i < 20; ++i)
        names.push_back(stem + "-" + std::to_string(i));
    for (std::size_t i = 1; i < names.size(); ++i)
        writeBytes(dir.file(names[i]), "theirs");

    EXPECT_TRUE(files::replaceFile(path, "new").ok());
    EXPECT_EQ(readBytes(path), "new");
    for (std::size_t i = 1; i < names.size(); ++i)
        EXPECT_EQ(readBytes(dir.file(names[i])), "theirs") << names[i];
    std::sort(names.begin(), names.end());
    std::string expected;
    for (const auto &name : names)
        expected += (expected.empty() ? "" : " ") + name;
    EXPECT_EQ(listFolder(dir.path()), expected) << "no temporary file left";
}

TEST(WindowsFiles, NamesOutsideTheAnsiCodePage) {
    TempDir dir;
    const std::string folder = dir.file("\xE6\xB5\x8B\xE8\xAF\x95-\xC3\x9C"); // 测试-Ü
    makeFolder(folder);
    const std::string path = folder + "\\\xE6\x97\xA5\xE6\x9C\xAC.ini"; // 日本.ini
    writeBytes(path, "7");

    EXPECT_TRUE(files::fileExists(path));
    std::int64_t size = -1;
    EXPECT_EQ(files::fileSize(path, size), 0);
    EXPECT_EQ(size, 1);
    std::string content;
    EXPECT_EQ(files::readWholeFile(path, content), 0);
    EXPECT_EQ(content, "7");
    EXPECT_TRUE(files::replaceFile(path, "8").ok());
    EXPECT_EQ(readBytes(path), "8");
    EXPECT_EQ(listFolder(folder), "\xE6\x97\xA5\xE6\x9C\xAC.ini");
    int error = -1;
    EXPECT_TRUE(files::ReadOnlyFile::open(path, error)) << error;
    // Made absolute against the current folder, in UTF-8.
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\"));
    EXPECT_EQ(files::absolutePath("\xC3\xA9t\xC3\xA9.avi"), "C:\\\xC3\xA9t\xC3\xA9.avi");
}

TEST(WindowsFiles, FilesBelowAFolder) {
    TempDir dir;
    makeFolder(dir.file("album"));
    makeFolder(dir.file("album\\cd2"));
    for (const char *name :
         {"album\\02.mp3", "album\\01.MP3", "album\\notes.txt", "album\\cd2\\\xE9\x9F\xB3.wav"})
        writeBytes(dir.file(name), "x");
    const auto media = [](std::string_view name) {
        return name.size() > 4 && name.substr(name.size() - 4) != ".txt";
    };
    const files::FolderFiles found = files::filesBelow(dir.file("album\\"), media);
    EXPECT_EQ(found.paths,
              (std::vector<std::string>{dir.file("album\\01.MP3"), dir.file("album\\02.mp3"),
                                        dir.file("album\\cd2\\\xE9\x9F\xB3.wav")}));
    EXPECT_TRUE(found.unreadableFolders.empty());
    EXPECT_TRUE(files::isFolder(dir.file("album")));
    EXPECT_FALSE(files::isFolder(dir.file("album\\02.mp3")));
    EXPECT_TRUE(files::folderIsWritable(dir.path()));
    EXPECT_FALSE(files::folderIsWritable(dir.file("none")));
}

TEST(WindowsText, CaseInsensitiveEquality) {
    EXPECT_TRUE(sameTextIgnoreCase(std::string_view(), ""));
    EXPECT_TRUE(sameTextIgnoreCase(std::string_view(), std::string_view()));
    EXPECT_FALSE(sameTextIgnoreCase(std::string_view(), "a"));
    EXPECT_FALSE(sameTextIgnoreCase("a", std::string_view()));
    EXPECT_TRUE(sameTextIgnoreCase("[\xC3\x84RGER]", "[\xC3\xA4rger]")); // ÄRGER, ärger
    EXPECT_FALSE(sameTextIgnoreCase("[\xC3\x84]", "[\xC3\xA5]"));
    EXPECT_TRUE(sameTextIgnoreCase("\xE6\x97\xA5", "\xE6\x97\xA5"));
}

} // namespace
