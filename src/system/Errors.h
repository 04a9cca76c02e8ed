// The program's exception hierarchy. Every error the program raises derives
// from mendora::Error; what() is the exact text the user is shown.
#pragma once

#include <stdexcept>
#include <string>

namespace mendora {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// File input/output failure, worded by the file-error table (FileErrors.h).
class IoError : public Error {
public:
    explicit IoError(int code);
    int code() const { return code_; }

private:
    int code_;
};

// A file stream that could not open an existing file for reading.
class FileOpenError : public Error {
public:
    FileOpenError(const std::string &fullPath, const std::string &systemText);
};

// A file stream that could not create or replace a file.
class FileCreateError : public Error {
public:
    FileCreateError(const std::string &fullPath, const std::string &systemText);
};

// The disk took fewer bytes than were written.
class StreamWriteError : public Error {
public:
    StreamWriteError();
};

// A registry value that could not be written.
class RegistryError : public Error {
public:
    explicit RegistryError(const std::string &valueName);
};

} // namespace mendora
