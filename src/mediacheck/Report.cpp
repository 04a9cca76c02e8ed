#include "mediacheck/Report.h"

#include "system/Errors.h"
#include "system/FileErrors.h"
#include "system/Files.h"
#include "system/Text.h"

namespace mendora::mediacheck {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the valid UTF-8 character at `at`, or 0.
std::size_t validCharacterAt(const std::string &text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (at + n > text.size())
        return 0;
    return isValidUtf8(std::string_view(text).substr(at, n)) ? n : 0;
}

std::string csvField(const std::string &text) {
    const std::string value = validUtf8(text);
    if (value.find_first_of(",\"\r\n") == std::string::npos)
        return value;
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string jsonString(const std::string &text) {
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (char c : validUtf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                out += "\\u00";
                out += hex[byte >> 4];
                out += hex[byte & 15];
            } else {
                out += c;
            }
        }
    }
    return out + '"';
}

} // namespace

std::string validUtf8(const std::string &text) {
    if (isValidUtf8(text))
        return text;
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t n = validCharacterAt(text, i)) {
            out.append(text, i, n);
            i += n;
        } else {
            out += kReplacement;
            ++i;
        }
    }
    return out;
}

std::string csvReport(const std::vector<ReportRow> &rows) {
    std::string out = "number,path,size,verdict,details\r\n";
    for (const ReportRow &row : rows) {
        out += std::to_string(row.number) + ',' + csvField(row.path) + ',' +
               (row.size ? std::to_string(*row.size) : std::string()) + ',' +
               csvField(row.verdict) + ',' + csvField(row.details) + "\r\n";
    }
    return out;
}

std::string jsonReport(const std::vector<ReportRow> &rows) {
    std::string out = "[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ReportRow &row = rows[i];
        out += i == 0 ? "\n  " : ",\n  ";
        out += "{\"number\": " + std::to_string(row.number) +
               ", \"path\": " + jsonString(row.path) +
               ", \"size\": " + (row.size ? std::to_string(*row.size) : std::string("null")) +
               ", \"verdict\": " + jsonString(row.verdict) +
               ", \"details\": " + jsonString(row.details);
        if (row.repair) {
            out += ", \"action\": " + jsonString(row.repair->action) + ", \"copy\": " +
                   (row.repair->copy.empty() ? std::string("null") : jsonString(row.repair->copy)) +
                   ", \"kept\": " +
                   (row.repair->kept ? std::to_string(*row.repair->kept) : std::string("null"));
        }
        out += "}";
    }
    out += rows.empty() ? "]\n" : "\n]\n";
    return out;
}

ReportRow reportRowOf(int number, const std::string &path, const Finding *finding) {
    ReportRow row;
    row.number = number;
    row.path = path;
    std::int64_t size = 0;
    if (files::fileSize(path, size) == 0)
        row.size = size;
    if (finding) {
        row.verdict = verdictName(finding->verdict);
        row.details = finding->details;
    }
    return row;
}

std::string reportText(const std::vector<ReportRow> &rows, ReportFormat format) {
    return format == ReportFormat::Json ? jsonReport(rows) : csvReport(rows);
}

void saveReport(const std::string &path, const std::vector<ReportRow> &rows, ReportFormat format) {
    const files::WriteOutcome outcome = files::replaceFile(path, reportText(rows, format));
    if (!outcome.ok())
        throw FileCreateError(files::absolutePath(path), systemErrorText(outcome.error));
}

} // namespace mendora::mediacheck
