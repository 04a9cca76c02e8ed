// What a folder holds, for the walk of files::filesBelow (Files.cpp), which
// is the same on every system; one version of these per system.
#pragma once

#include <functional>
#include <string>

namespace mendora::files::entries {

enum class Kind {
    Folder,     // a folder itself, not a link to one
    File,       // a regular file
    LinkToFile, // a link that leads to a regular file
    Other,      // links to folders, dangling links, pipes, devices, sockets
};

// Calls `visit` with the name and kind of each entry of `folder` but "." and
// "..". False when the folder cannot be listed.
bool list(const std::string &folder,
          const std::function<void(const std::string &name, Kind kind)> &visit);

// `path` with every link resolved, in the system's own form; empty when it
// cannot be resolved.
std::string finalPath(const std::string &path);

} // namespace mendora::files::entries
