// Which paths the operations act on: only one that names the same place
// whatever folder is current. "\ads\", "ads\" and "C:ads\" resolve against a
// current folder that Pellmora does not choose (at a log-on start, anyone's).
#pragma once

#include <string_view>

namespace pellmora {

namespace full_path {

// "X:" and a separator at the start.
template <class Separator>
bool startsWithDriveRoot(std::string_view path, Separator separator) {
    const char drive = path.empty() ? '\0' : static_cast<char>(path[0] | 0x20);
    return drive >= 'a' && drive <= 'z' && path.size() > 2 && path[1] == ':' && separator(path[2]);
}

// "server", a separator, "share" and a separator at the start. A server
// named "." or "?" makes a device path of the whole.
template <class Separator>
bool startsWithShare(std::string_view path, Separator separator) {
    std::size_t i = 0;
    for (int name = 0; name < 2; ++name, ++i) {  // the server, then the share
        const std::size_t start = i;
        while (i < path.size() && !separator(path[i])) ++i;
        if (i == start || i == path.size()) return false;
        if (name == 0 && i - start == 1 && (path[start] == '.' || path[start] == '?')) return false;
    }
    return true;
}

}  // namespace full_path

// A drive letter with its root ("C:\...") or a share ("\\server\share\..."
// with both names), "/" taken as "\" as Windows takes it; or either in the
// extended-length form ("\\?\C:\...", "\\?\UNC\server\share\..."), which
// the system takes literally, so that only "\" separates there. Device and
// namespace paths ("\\.\...", "\\?\GLOBALROOT\...", "\\?\Volume{...}\")
// name no drive or share of the user's.
inline bool isFullPath(std::string_view path) {
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    const auto backslash = [](char c) { return c == '\\'; };
    if (path.starts_with("\\\\?\\")) {
        const std::string_view rest = path.substr(4);
        const bool unc = rest.size() > 3 && (rest[0] | 0x20) == 'u' && (rest[1] | 0x20) == 'n' &&
                         (rest[2] | 0x20) == 'c' && rest[3] == '\\';
        return unc ? full_path::startsWithShare(rest.substr(4), backslash)
                   : full_path::startsWithDriveRoot(rest, backslash);
    }
    if (path.size() > 1 && separator(path[0]) && separator(path[1]))
        return full_path::startsWithShare(path.substr(2), separator);
    return full_path::startsWithDriveRoot(path, separator);
}

}  // namespace pellmora
