#include "system/Errors.h"

#include "system/FileErrors.h"

namespace mendora {

IoError::IoError(int code) : Error(ioErrorText(code)), code_(code) {}

FileOpenError::FileOpenError(const std::string &fullPath, const std::string &systemText)
    : Error("Cannot open file \"" + fullPath + "\". " + systemText) {}

FileCreateError::FileCreateError(const std::string &fullPath, const std::string &systemText)
    : Error("Cannot create file \"" + fullPath + "\". " + systemText) {}

StreamWriteError::StreamWriteError() : Error("Stream write error") {}

RegistryError::RegistryError(const std::string &valueName)
    : Error("Failed to set data for '" + valueName + "'") {}

std::string ioErrorText(int code) {
    switch (code) {
    case IoFileNotFound:
        return "File not found";
    case IoInvalidFilename:
        return "Invalid filename";
    case IoTooManyOpenFiles:
        return "Too many open files";
    case IoAccessDenied:
        return "File access denied";
    case IoReadBeyondEnd:
        return "Read beyond end of file";
    case IoDiskFull:
        return "Disk full";
    case IoInvalidNumericInput:
        return "Invalid numeric input";
    default:
        return "I/O error " + std::to_string(code);
    }
}

} // namespace mendora
