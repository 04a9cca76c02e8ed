#include "system/FileErrors.h"
#include "system/Files.h"
#include "system/FolderEntries.h"
#include "system/TextWin.h"

#include <algorithm>
#include <atomic>
#include <windows.h>

namespace mendora {

int ioCodeFromSystemError(int systemError, const std::string &) {
    switch (systemError) {
    case ERROR_FILE_NOT_FOUND:
        return IoFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return IoInvalidFilename;
    case ERROR_TOO_MANY_OPEN_FILES:
        return IoTooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case kNotRegularFile:
        return IoAccessDenied;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
        return IoDiskFull;
    default:
        return systemError;
    }
}

std::string systemErrorText(int systemError) {
    if (systemError == kNotRegularFile)
        return "not a regular file";
    wchar_t buffer[512] = {};
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(systemError), 0, buffer,
                                   sizeof buffer / sizeof buffer[0], nullptr);
    std::string text = utf8Text(std::wstring_view(buffer, n));
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

namespace files {

namespace {

// What we only read, others may go on writing, rename or delete.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE openForReading(const std::string &path) {
    return CreateFileW(wideText(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

int lastError() {
    return static_cast<int>(GetLastError());
}

} // namespace

bool fileExists(const std::string &path) {
    const DWORD attributes = GetFileAttributesW(wideText(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isFolder(const std::string &path) {
    const DWORD attributes = GetFileAttributesW(wideText(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderIsWritable(const std::string &path) {
    // Access rights on Windows come from the folder's ACL: try it.
    std::wstring probe = wideText(path);
    if (!probe.empty() && probe.back() != L'\\' && probe.back() != L'/')
        probe += L'\\';
    probe += L"~mendora-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

bool makeFolders(const std::string &path) {
    const std::wstring wide = wideText(path);
    for (std::size_t pos = 1; pos <= wide.size(); ++pos) {
        if (pos == wide.size() || wide[pos] == L'\\' || wide[pos] == L'/') {
            const std::wstring part = wide.substr(0, pos);
            if (!part.empty() && part.back() != L':')
                CreateDirectoryW(part.c_str(), nullptr);
        }
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string userConfigFolder() {
    wchar_t buffer[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableW(L"APPDATA", buffer, MAX_PATH * 2);
    return (n == 0 || n >= MAX_PATH * 2) ? std::string() : utf8Text(std::wstring_view(buffer, n));
}

std::string absolutePath(const std::string &path) {
    const std::wstring wide = wideText(path);
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring full(needed, L'\0');
    const DWORD n = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (n == 0 || n >= needed)
        return path;
    full.resize(n);
    return utf8Text(full);
}

int readWholeFile(const std::string &path, std::string &content) {
    HANDLE h = openForReading(path);
    if (h == INVALID_HANDLE_VALUE)
        return lastError();
    content.clear();
    char buffer[64 * 1024];
    DWORD n = 0;
    int err = 0;
    for (;;) {
        if (!ReadFile(h, buffer, sizeof buffer, &n, nullptr)) {
            err = lastError();
            break;
        }
        if (n == 0)
            break;
        content.append(buffer, n);
    }
    CloseHandle(h);
    return err;
}

WriteOutcome replaceFile(const std::string &path, std::string_view content) {
    const std::wstring target = wideText(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // Refuse exactly what writing in place would refuse.
        HANDLE probe = CreateFileW(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe == INVALID_HANDLE_VALUE)
            return {WriteStage::Create, lastError()};
        CloseHandle(probe);
    }

    // A name of our own: the process id and a serial number, created only
    // when no such file exists yet.
    static std::atomic<unsigned> serial{0};
    std::wstring temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; h == INVALID_HANDLE_VALUE; ++attempt) {
        temp = target + L".~" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(serial++);
        h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const int err = lastError();
            if ((err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) || attempt > 100)
                return {WriteStage::Create, err};
        }
    }
    WriteOutcome outcome;
    DWORD written = 0;
    if (!WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
        written != content.size())
        outcome = {WriteStage::Write, lastError()};
    else if (!FlushFileBuffers(h))
        outcome = {WriteStage::Write, lastError()};
    CloseHandle(h);
    if (outcome.ok() && !MoveFileExW(temp.c_str(), target.c_str(),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        outcome = {WriteStage::Create, lastError()};
    if (!outcome.ok())
        DeleteFileW(temp.c_str());
    return outcome;
}

int fileSize(const std::string &path, std::int64_t &size) {
    HANDLE h = openForReading(path);
    if (h == INVALID_HANDLE_VALUE)
        return lastError();
    LARGE_INTEGER value{};
    const int err = GetFileSizeEx(h, &value) ? 0 : lastError();
    CloseHandle(h);
    if (err == 0)
        size = value.QuadPart;
    return err;
}

namespace entries {

bool list(const std::string &folder,
          const std::function<void(const std::string &name, Kind kind)> &visit) {
    std::wstring pattern = wideText(folder);
    if (pattern.back() != L'\\' && pattern.back() != L'/')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const bool link = entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
        const bool isFolder = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        // Where a linked file leads is looked at only for the files wanted.
        const Kind kind = isFolder ? (link ? Kind::Other : Kind::Folder)
                          : link   ? Kind::LinkToFile
                                   : Kind::File;
        visit(utf8Text(name), kind);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return true;
}

std::string finalPath(const std::string &path) {
    HANDLE h = CreateFileW(wideText(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    wchar_t buffer[MAX_PATH * 4];
    const DWORD n = GetFinalPathNameByHandleW(h, buffer, MAX_PATH * 4, FILE_NAME_NORMALIZED);
    CloseHandle(h);
    return (n == 0 || n >= MAX_PATH * 4) ? std::string() : utf8Text(std::wstring_view(buffer, n));
}

} // namespace entries

std::unique_ptr<ReadOnlyFile> ReadOnlyFile::open(const std::string &path, int &error) {
    HANDLE h = openForReading(path);
    if (h == INVALID_HANDLE_VALUE) {
        error = lastError();
        return nullptr;
    }
    // A pipe, a console or a device has no size and no offsets to read at.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        error = kNotRegularFile;
        CloseHandle(h);
        return nullptr;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h, &size)) {
        error = lastError();
        CloseHandle(h);
        return nullptr;
    }
    error = 0;
    return std::unique_ptr<ReadOnlyFile>(
        new ReadOnlyFile(reinterpret_cast<std::intptr_t>(h), size.QuadPart));
}

ReadOnlyFile::~ReadOnlyFile() {
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

std::int64_t ReadOnlyFile::readAt(std::int64_t offset, void *out, std::size_t n, int &error) {
    auto *target = static_cast<unsigned char *>(out);
    std::size_t done = 0;
    while (done < n) {
        // The offset goes with each read, so no file position is shared.
        const std::uint64_t at = static_cast<std::uint64_t>(offset) + done;
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(at);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(reinterpret_cast<HANDLE>(handle_), target + done, chunk, &got, &where)) {
            const int err = lastError();
            if (err == ERROR_HANDLE_EOF)
                break;
            error = err;
            return -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return static_cast<std::int64_t>(done);
}

std::unique_ptr<NewFile> NewFile::create(const std::string &folder, int &error,
                                         const std::string &suffix) {
    static std::atomic<unsigned> serial{0};
    const bool ends = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
    const std::string prefix = folder.empty() || ends ? folder : folder + "\\";
    for (int attempt = 0;; ++attempt) {
        std::string path = prefix + ".mendora-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(serial++) + ".part" + suffix;
        HANDLE h = CreateFileW(wideText(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            error = 0;
            return std::unique_ptr<NewFile>(
                new NewFile(reinterpret_cast<std::intptr_t>(h), std::move(path)));
        }
        error = lastError();
        if (!isNameTaken(error) || attempt > 100)
            return nullptr;
    }
}

NewFile::~NewFile() {
    close();
    if (!kept_)
        DeleteFileW(wideText(path_).c_str());
}

void NewFile::close() {
    if (handle_ != -1)
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
}

int NewFile::writeAt(std::int64_t offset, const void *data, std::size_t n) {
    const auto *bytes = static_cast<const char *>(data);
    while (n > 0) {
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset));
        where.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n, 1u << 30));
        DWORD done = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(handle_), bytes, chunk, &done, &where))
            return lastError();
        bytes += done;
        offset += done;
        n -= done;
    }
    return 0;
}

int NewFile::flush() {
    return FlushFileBuffers(reinterpret_cast<HANDLE>(handle_)) ? 0 : lastError();
}

int NewFile::keep(const std::string &finalPath) {
    // Closed first: a file open here cannot be renamed. Without
    // MOVEFILE_REPLACE_EXISTING the move fails when the name is taken.
    close();
    if (!MoveFileExW(wideText(path_).c_str(), wideText(finalPath).c_str(), MOVEFILE_WRITE_THROUGH))
        return lastError();
    kept_ = true;
    path_ = finalPath;
    return 0;
}

bool isNameTaken(int error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

namespace {

// FILETIME counts 100 ns from 1601; the Unix epoch is 11644473600 s later.
constexpr std::int64_t kEpochDifference = 11'644'473'600LL * 10'000'000;

} // namespace

int modificationTime(const std::string &path, std::int64_t &nanoseconds) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(wideText(path).c_str(), GetFileExInfoStandard, &data))
        return lastError();
    const std::int64_t ticks = std::int64_t(data.ftLastWriteTime.dwHighDateTime) << 32 |
                               data.ftLastWriteTime.dwLowDateTime;
    nanoseconds = (ticks - kEpochDifference) * 100;
    return 0;
}

int setModificationTime(const std::string &path, std::int64_t nanoseconds) {
    HANDLE h = CreateFileW(wideText(path).c_str(), FILE_WRITE_ATTRIBUTES, kShareAll, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return lastError();
    const std::uint64_t ticks = static_cast<std::uint64_t>(nanoseconds / 100 + kEpochDifference);
    FILETIME written{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    const int error = SetFileTime(h, nullptr, nullptr, &written) ? 0 : lastError();
    CloseHandle(h);
    return error;
}

} // namespace files
} // namespace mendora
