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

// "File not found", "Invalid filename", ... or "I/O error <code>".
std::string ioErrorText(int code);

// The file-error code for a failed operation on `path`, from the system's
// error number (errno on POSIX, GetLastError on Windows).
int ioCodeFromSystemError(int systemError, const std::string &path);

// The system's own text for an error number, as in "Cannot open file ... <text>".
std::string systemErrorText(int systemError);

} // namespace mendora
