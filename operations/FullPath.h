// Which paths the operations act on: only one that names the same place
// whatever folder is current. "\ads\", "ads\" and "C:ads\" resolve against a
// current folder that Pellmora does not choose (at a log-on start, anyone's).
#pragma once

#include <string_view>

namespace pellmora {

// A drive letter with its root ("C:\...") or a share ("\\server\share\..."
// with both names), "/" taken as "\" as Windows takes it.
inline bool isFullPath(std::string_view path) {
    const auto separator = [&](std::size_t i) { return i < path.size() && (path[i] == '\\' || path[i] == '/'); };
    const char drive = path.empty() ? '\0' : static_cast<char>(path[0] | 0x20);
    if (drive >= 'a' && drive <= 'z' && path.size() > 2 && path[1] == ':' && separator(2)) return true;
    if (!separator(0) || !separator(1)) return false;
    std::size_t i = 2;
    for (int name = 0; name < 2; ++name, ++i) {  // the server, then the share, each ended by a separator
        const std::size_t start = i;
        while (i < path.size() && !separator(i)) ++i;
        if (i == start || i == path.size()) return false;
    }
    return true;
}

}  // namespace pellmora
