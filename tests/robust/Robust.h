// Shared pieces of the robustness tests: a Pellmora on the headless
// platform, file-tree snapshots for "nothing else touched", counts that can
// be raised from the environment, and the REPORT lines.
#pragma once

#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "options/OptionsFile.h"
#include "platform/headless/Headless.h"
#include "window/frmMain.h"

namespace robust {

inline const std::string kIni = "C:\\Pellmora\\Pellmora.ini";
inline const std::string kTemporary = kIni + ".tmp";
inline const std::string kAds = "C:\\Juno\\ads\\";
inline const std::string kOptionsMessage =
    "An Unexpected error has occured while trying to read Pellmora.ini. Pellmora will try to rebuild this file.";

struct App {
    headless::Headless h;
    pellmora::frmMain f{h.form(), h, h.files(), h};
    headless::MemoryFileSystem& fs() { return h.files(); }
};

template <class Lines>
std::string crlf(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}
inline std::string fileOf(const pellmora::OptionSet& set) { return crlf(pellmora::optionLines(set)); }
inline std::string defaultFile() { return crlf(pellmora::defaultOptionLines()); }

inline std::uint64_t fromEnvironment(const char* name, std::uint64_t fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::strtoull(value, nullptr, 10) : fallback;
}

// The report script adds up equal keys.
inline void report(const std::string& key, std::uint64_t value) {
    std::cout << "REPORT " << key << '=' << value << std::endl;
}

// Every node of a file tree: whether it is a folder and what a file holds.
using Snapshot = std::map<std::string, std::pair<bool, std::optional<std::string>>>;
inline Snapshot snapshot(const headless::MemoryFileSystem& fs) {
    Snapshot nodes;
    for (const std::string& path : fs.allPaths()) nodes[path] = {fs.isFolder(path), fs.contents(path)};
    return nodes;
}

// Paths that appeared, vanished or changed and that `mayChange` does not allow.
template <class MayChange>
std::size_t touchedOutside(const Snapshot& before, const Snapshot& after, MayChange mayChange) {
    std::size_t touched = 0;
    for (const auto& [path, node] : before)
        touched += (!after.contains(path) || after.at(path) != node) && !mayChange(path);
    for (const auto& [path, node] : after) touched += !before.contains(path) && !mayChange(path);
    return touched;
}

}  // namespace robust
