#include "system/FileErrors.h"
#include "system/Files.h"

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
        return IoAccessDenied;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
        return IoDiskFull;
    default:
        return systemError;
    }
}

std::string systemErrorText(int systemError) {
    char buffer[512] = {};
    const DWORD n =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(systemError), 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

namespace files {

bool fileExists(const std::string &path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string absolutePath(const std::string &path) {
    char buffer[MAX_PATH * 4];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return (n == 0 || n >= sizeof buffer) ? path : std::string(buffer, n);
}

int readWholeFile(const std::string &path, std::string &content) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return static_cast<int>(GetLastError());
    content.clear();
    char buffer[64 * 1024];
    DWORD n = 0;
    int err = 0;
    for (;;) {
        if (!ReadFile(h, buffer, sizeof buffer, &n, nullptr)) {
            err = static_cast<int>(GetLastError());
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
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists) {
        // Refuse exactly what writing in place would refuse.
        HANDLE probe = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe == INVALID_HANDLE_VALUE)
            return {WriteStage::Create, static_cast<int>(GetLastError())};
        CloseHandle(probe);
    }
    const std::string temp = path + ".~" + std::to_string(GetCurrentProcessId());
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {WriteStage::Create, static_cast<int>(GetLastError())};
    WriteOutcome outcome;
    DWORD written = 0;
    if (!WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
        written != content.size())
        outcome = {WriteStage::Write, static_cast<int>(GetLastError())};
    else if (!FlushFileBuffers(h))
        outcome = {WriteStage::Write, static_cast<int>(GetLastError())};
    CloseHandle(h);
    if (outcome.ok() && !MoveFileExA(temp.c_str(), path.c_str(),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        outcome = {WriteStage::Create, static_cast<int>(GetLastError())};
    if (!outcome.ok())
        DeleteFileA(temp.c_str());
    return outcome;
}

int fileSize(const std::string &path, std::int64_t &size) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return static_cast<int>(GetLastError());
    LARGE_INTEGER value{};
    const int err = GetFileSizeEx(h, &value) ? 0 : static_cast<int>(GetLastError());
    CloseHandle(h);
    if (err == 0)
        size = value.QuadPart;
    return err;
}

} // namespace files
} // namespace mendora
