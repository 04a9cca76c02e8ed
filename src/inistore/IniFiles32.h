// TIniFile32: the program's own INI reader and writer. The whole file is kept
// as a list of lines; sections and keys are found by scanning it, and every
// write saves the whole list back to disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TIniFile32 {
public:
    // Loads the file when a file (not a folder) of that name exists.
    // Throws mendora::FileOpenError when it exists but cannot be read.
    explicit TIniFile32(const std::string &FileName);
    // Never writes.
    ~TIniFile32();

    std::string ReadString(const std::string &Section, const std::string &Key,
                           const std::string &Default) const;
    int32_t ReadInteger(const std::string &Section, const std::string &Key, int32_t Default) const;
    // Both save the whole file, also when nothing changed. Throw
    // mendora::FileCreateError or mendora::StreamWriteError when saving fails;
    // the change then stays in memory.
    void WriteString(const std::string &Section, const std::string &Key, const std::string &Value);
    void WriteInteger(const std::string &Section, const std::string &Key, int32_t Value);

private:
    void LoadFile();
    void SaveFile() const;
    int FindSection(const std::string &Section) const;
    static bool IsSectionLine(const std::string &Line);
    static std::string KeyOfLine(const std::string &Line);
    static std::string ValueOfLine(const std::string &Line, const std::string &Key);

    std::string FileName;
    std::vector<std::string> Lines;
};
