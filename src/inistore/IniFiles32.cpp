#include "inistore/IniFiles32.h"

#include "system/Errors.h"
#include "system/FileErrors.h"
#include "system/Files.h"
#include "system/Text.h"

#include <algorithm>
#include <cstddef>

namespace {

// Removes every byte below 33 (blank and control characters) from both ends.
std::string Trim(const std::string &s) {
    size_t first = 0;
    size_t last = s.size();
    while (first < last && static_cast<unsigned char>(s[first]) < 33)
        ++first;
    while (last > first && static_cast<unsigned char>(s[last - 1]) < 33)
        --last;
    return s.substr(first, last - first);
}

// Splits at CR LF, lone LF and lone CR; a NUL byte ends the text; a final
// line end gives no extra line.
std::vector<std::string> SplitLines(const std::string &text) {
    std::vector<std::string> lines;
    const size_t end = std::min(text.find('\0'), text.size());
    size_t start = 0;
    while (start < end) {
        size_t pos = start;
        while (pos < end && text[pos] != '\r' && text[pos] != '\n')
            ++pos;
        lines.emplace_back(text, start, pos - start);
        if (pos < end)
            pos += (text[pos] == '\r' && pos + 1 < end && text[pos + 1] == '\n') ? 2 : 1;
        start = pos;
    }
    return lines;
}

} // namespace

TIniFile32::TIniFile32(const std::string &FileName) : FileName(FileName) {
    if (mendora::files::fileExists(FileName))
        LoadFile();
}

TIniFile32::~TIniFile32() = default;

void TIniFile32::LoadFile() {
    std::string content;
    if (int err = mendora::files::readWholeFile(FileName, content))
        throw mendora::FileOpenError(mendora::files::absolutePath(FileName),
                                     mendora::systemErrorText(err));
    Lines = SplitLines(content);
}

void TIniFile32::SaveFile() const {
    std::string text;
    size_t size = 0;
    for (const std::string &line : Lines)
        size += line.size() + 2;
    text.reserve(size);
    for (const std::string &line : Lines) {
        text += line;
        text += "\r\n";
    }
    const mendora::files::WriteOutcome outcome = mendora::files::replaceFile(FileName, text);
    switch (outcome.stage) {
    case mendora::files::WriteStage::Done:
        return;
    case mendora::files::WriteStage::Create:
        throw mendora::FileCreateError(mendora::files::absolutePath(FileName),
                                       mendora::systemErrorText(outcome.error));
    case mendora::files::WriteStage::Write:
        throw mendora::StreamWriteError();
    }
}

int TIniFile32::FindSection(const std::string &Section) const {
    const std::string header = "[" + Section + "]";
    for (size_t i = 0; i < Lines.size(); ++i)
        if (mendora::sameTextIgnoreCase(Lines[i], header))
            return static_cast<int>(i);
    return -1;
}

bool TIniFile32::IsSectionLine(const std::string &Line) {
    if (Line.empty())
        return false;
    const std::string t = Trim(Line);
    return !t.empty() && t.front() == '[' && t.back() == ']';
}

std::string TIniFile32::KeyOfLine(const std::string &Line) {
    const size_t eq = Line.find('=');
    return eq == std::string::npos ? std::string() : Trim(Line.substr(0, eq));
}

std::string TIniFile32::ValueOfLine(const std::string &Line, const std::string &Key) {
    if (Line.empty() || Key.empty())
        return {};
    const size_t k = Line.find(Key);
    const size_t e = Line.find('=');
    if (k == std::string::npos || e == std::string::npos || k >= e)
        return {};
    return Trim(Line.substr(e + 1));
}

std::string TIniFile32::ReadString(const std::string &Section, const std::string &Key,
                                   const std::string &Default) const {
    if (Lines.empty())
        return Default;
    const int i = FindSection(Section);
    if (i < 0)
        return Default;
    for (size_t j = static_cast<size_t>(i) + 1; j < Lines.size() && !IsSectionLine(Lines[j]); ++j) {
        if (KeyOfLine(Lines[j]) == Key) {
            std::string value = ValueOfLine(Lines[j], Key);
            return value.empty() ? Default : value;
        }
    }
    return Default;
}

int32_t TIniFile32::ReadInteger(const std::string &Section, const std::string &Key,
                                int32_t Default) const {
    int32_t value = 0;
    return mendora::strToInt32(ReadString(Section, Key, ""), value) ? value : Default;
}

void TIniFile32::WriteString(const std::string &Section, const std::string &Key,
                             const std::string &Value) {
    const int i = FindSection(Section);
    if (i < 0) {
        Lines.emplace_back();
        Lines.push_back("[" + Section + "]");
        if (!Key.empty())
            Lines.push_back(Key + "=" + Value);
    } else {
        size_t j = static_cast<size_t>(i) + 1;
        while (j < Lines.size() && !IsSectionLine(Lines[j]) && KeyOfLine(Lines[j]) != Key)
            ++j;
        if (!Key.empty()) {
            if (j >= Lines.size() || IsSectionLine(Lines[j]))
                Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(j), Key + "=" + Value);
            else
                Lines[j] = Key + "=" + Value;
        }
    }
    SaveFile();
}

void TIniFile32::WriteInteger(const std::string &Section, const std::string &Key, int32_t Value) {
    WriteString(Section, Key, std::to_string(Value));
}
