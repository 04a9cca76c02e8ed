// Loads arbitrary bytes as an INI file, reads and writes it, and checks what
// must hold whatever the file held: a written key reads back, and saved
// text reloads to the same lines.
#include "inistore/IniFiles32.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

std::string folder() {
    static const std::string path = [] {
        char pattern[] = "/dev/shm/mendora-fuzz-XXXXXX";
        const char *made = ::mkdtemp(pattern);
        if (!made) {
            char fallback[] = "/tmp/mendora-fuzz-XXXXXX";
            made = ::mkdtemp(fallback);
            if (!made)
                std::abort();
            return std::string(made);
        }
        return std::string(made);
    }();
    return path;
}

std::string readAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A name from the fuzz input made safe for the write/read-back check:
// printable, no brackets, no "=", no blank at either end.
std::string safeName(const std::string &raw) {
    std::string name;
    for (char c : raw)
        if (c > 32 && c < 127 && c != '[' && c != ']' && c != '=')
            name += c;
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    const std::string path = folder() + "/f.ini";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    // Names taken from the input itself, so that existing sections and keys are hit.
    const size_t a = size ? data[0] % (size + 1) : 0;
    const size_t b = size > 1 ? data[1] % (size + 1) : 0;
    const std::string section = bytes.substr(std::min(a, b), std::max(a, b) - std::min(a, b));
    const std::string key = bytes.substr(0, std::min<size_t>(size, 8));

    TIniFile32 ini(path);
    (void)ini.ReadString(section, key, "d");
    (void)ini.ReadInteger(section, key, 7);
    (void)ini.ReadInteger("option", "video1", 0);

    const std::string s = safeName(section).substr(0, 12);
    const std::string k = safeName(key);
    ini.WriteString(s, k, "v1");
    if (!k.empty() && ini.ReadString(s, k, "") != "v1")
        std::abort();
    ini.WriteInteger(section, key, -5);

    // Saved lines reload unchanged: saving again without a change gives the
    // same bytes, unless a raw name carried a line break or NUL into a line.
    const std::string breaks("\r\n\0", 3);
    const bool plainNames = section.find_first_of(breaks) == std::string::npos &&
                            key.find_first_of(breaks) == std::string::npos;
    const std::string saved = readAll(path);
    TIniFile32 reloaded(path);
    reloaded.WriteString(s, "", "");
    if (plainNames && readAll(path) != saved)
        std::abort();
    return 0;
}
