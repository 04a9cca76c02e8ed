#include "support/TestFiles.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <stdexcept>
#include <vector>
#include <windows.h>

namespace mendora::test {

namespace {

// The fixtures convert names themselves, independently of the code under test.
std::wstring wide(const std::string &utf8) {
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string narrow(const std::wstring &text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

void removeTree(const std::wstring &path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name != L"." && name != L"..")
                removeTree(path + L"\\" + name);
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

} // namespace

TempDir::TempDir() {
    wchar_t base[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, base);
    if (n == 0 || n > MAX_PATH)
        throw std::runtime_error("no temporary folder");
    std::wstring folder(base, n);
    if (folder.back() == L'\\')
        folder.pop_back();
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0;; ++attempt) {
        const std::wstring candidate = folder + L"\\mendora-test-" +
                                       std::to_wstring(GetCurrentProcessId()) + L"-" +
                                       std::to_wstring(serial++);
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = narrow(candidate);
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS || attempt > 100)
            throw std::runtime_error("cannot make a temporary folder");
    }
}

TempDir::~TempDir() {
    removeTree(wide(path_));
}

std::string readBytes(const std::string &path) {
    HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    std::string content;
    char buffer[64 * 1024];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    CloseHandle(h);
    return content;
}

void writeBytes(const std::string &path, const std::string &bytes) {
    HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (h == INVALID_HANDLE_VALUE ||
        !WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        throw std::runtime_error("cannot write " + path);
    }
    CloseHandle(h);
}

bool exists(const std::string &path) {
    return GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void makeFolder(const std::string &path) {
    if (!CreateDirectoryW(wide(path).c_str(), nullptr))
        throw std::runtime_error("cannot make " + path);
}

void makeReadOnly(const std::string &path) {
    if (!SetFileAttributesW(wide(path).c_str(), FILE_ATTRIBUTE_READONLY))
        throw std::runtime_error("cannot make " + path + " read-only");
}

std::string runUnprivileged(const std::function<std::string()> &body, long fileSizeLimit) {
    if (fileSizeLimit > 0)
        return "no file size limit on Windows";
    try {
        return body();
    } catch (const std::exception &e) {
        return e.what();
    } catch (...) {
        return "unknown exception";
    }
}

std::string listFolder(const std::string &path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((wide(path) + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name != L"." && name != L"..")
                names.push_back(narrow(name));
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const auto &name : names)
        joined += (joined.empty() ? "" : " ") + name;
    return joined;
}

} // namespace mendora::test
