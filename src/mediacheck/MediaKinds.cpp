#include "mediacheck/MediaKinds.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace mendora::mediacheck {

std::optional<MediaKind> mediaKindOfName(std::string_view name) {
    std::string lower(name.substr(name.find_last_of("/\\") + 1));
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto endsWith = [&](std::string_view tail) { return lower.ends_with(tail); };
    struct Row {
        const char *ending;
        MediaKind kind;
    };
    // The filter's patterns; "*wmv" has no dot, as the filter writes it.
    static const Row kRows[] = {
        {".wma", MediaKind::Music},   {"wmv", MediaKind::Video},     {".wm", MediaKind::Video},
        {".asf", MediaKind::Video},   {".asx", MediaKind::Playlist}, {".avi", MediaKind::Video},
        {".mpg", MediaKind::Video},   {".mpeg", MediaKind::Video},   {".mpa", MediaKind::Music},
        {".dat", MediaKind::Video},   {".mp3", MediaKind::Music},    {".mp2", MediaKind::Music},
        {".mp1", MediaKind::Music},   {".mpga", MediaKind::Music},   {".wav", MediaKind::Music},
        {".vob", MediaKind::Video},   {".rm", MediaKind::Video},     {".rmvb", MediaKind::Video},
        {".ra", MediaKind::Music},    {".jpg", MediaKind::Picture},  {".jpeg", MediaKind::Picture},
        {".bmp", MediaKind::Picture},
    };
    for (const Row &row : kRows)
        if (endsWith(row.ending))
            return row.kind;
    return std::nullopt;
}

const char *mediaKindName(MediaKind kind) {
    switch (kind) {
    case MediaKind::Video:
        return "video";
    case MediaKind::Music:
        return "music";
    case MediaKind::Picture:
        return "picture";
    case MediaKind::Playlist:
        return "playlist";
    }
    return "video";
}

} // namespace mendora::mediacheck
