// The kinds of media the program lists, told by a file's name as the open
// dialog's filter rows tell them: video, music, pictures, and playlists.
#pragma once

#include <optional>
#include <string_view>

namespace mendora::mediacheck {

enum class MediaKind { Video, Music, Picture, Playlist };

// The kind that a file's name promises, or nothing for a name that is no
// media kind of the program's (letters without regard to case).
std::optional<MediaKind> mediaKindOfName(std::string_view name);

// "video", "music", "picture", "playlist".
const char *mediaKindName(MediaKind kind);

} // namespace mendora::mediacheck
