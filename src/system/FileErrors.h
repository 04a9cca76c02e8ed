// The one table of file-error codes and their wording, and the mapping of
// the operating system's error numbers onto those codes.
#pragma once

#include <string>

namespace mendora {

enum IoCode : int {
    IoFileNotFound = 2,
    IoInvalidFilename = 3,
    IoTooManyOpenFiles = 4,
    IoAccessDenied = 5,
    IoReadBeyondEnd = 100,
    IoDiskFull = 101,
    IoInvalidNumericInput = 106,
};

// The error number, on every system, for a path that names something other
// than a file or a folder where a file's bytes are wanted: a pipe, a socket
// or a device, which have no size and no offsets to read at.
inline constexpr int kNotRegularFile = -2;

// "File not found", "Invalid filename", ... or "I/O error <code>".
std::string ioErrorText(int code);

// The file-error code for a failed operation on `path`, from the system's
// error number (errno on POSIX, GetLastError on Windows). The codes are the
// Windows ones; an errno without a counterpart is passed on as it is, or
// as 1000 + errno where it would read as one of the table's codes.
int ioCodeFromSystemError(int systemError, const std::string &path);

// The system's own text for an error number, as in "Cannot open file ... <text>";
// "not a regular file" for kNotRegularFile.
std::string systemErrorText(int systemError);

} // namespace mendora
