#include "runcounter/RunCounter.h"

#include "system/Errors.h"
#include "system/FileErrors.h"
#include "system/Files.h"
#include "system/Text.h"

#include <cstdint>

namespace {

using mendora::IoError;

int32_t ReadInteger(const std::string &text) {
    size_t p = 0;
    while (p < text.size() &&
           (text[p] == ' ' || text[p] == '\t' || text[p] == '\r' || text[p] == '\n'))
        ++p;
    if (p == text.size())
        return 0;
    size_t end = p;
    while (end < text.size() && end - p < 32 && static_cast<unsigned char>(text[end]) > ' ')
        ++end;
    int32_t value = 0;
    if (!mendora::strToInt32(std::string_view(text).substr(p, end - p), value))
        throw IoError(mendora::IoInvalidNumericInput);
    return value;
}

} // namespace

void mendora::updateRunCounter(const std::string &path) {
    namespace files = mendora::files;
    if (!files::fileExists(path))
        return;
    std::string content;
    if (int err = files::readWholeFile(path, content))
        throw IoError(mendora::ioCodeFromSystemError(err, path));
    const int32_t count = ReadInteger(content);
    const auto next = static_cast<int32_t>(static_cast<uint32_t>(count) + 1u);
    const files::WriteOutcome outcome = files::replaceFile(path, std::to_string(next));
    if (!outcome.ok())
        throw IoError(mendora::ioCodeFromSystemError(outcome.error, path));
}
