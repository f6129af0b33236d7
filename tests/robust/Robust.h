// Shared pieces of the robustness tests: a Pellmora on the headless
// platform, file-tree snapshots for "nothing else touched", seeds and counts
// that can be raised from the environment, and the REPORT lines.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "options/OptionsFile.h"
#include "platform/headless/Headless.h"
#include "window/frmMain.h"

namespace robust {

inline const std::string kIni = "C:\\Pellmora\\Pellmora.ini";
inline const std::string kTemporary = kIni + ".tmp";
inline constexpr std::string_view kOptionsMessage =
    "An Unexpected error has occured while trying to read Pellmora.ini. Pellmora will try to rebuild this file.";

// One run of the program: the headless platform and the window on it.
struct App {
    headless::Headless h;
    pellmora::frmMain f{h.form(), h, h.files(), h};
    headless::MemoryFileSystem& fs() { return h.files(); }
};

// The bytes the writer produces for `set`.
std::string fileOf(const pellmora::OptionSet& set);
std::string defaultFile();

// A number from the environment (for longer runs), else `fallback`.
std::uint64_t fromEnvironment(const char* name, std::uint64_t fallback);

// Prints "REPORT key=value"; the report script adds up equal keys.
void report(std::string_view key, std::uint64_t value);

// Every node of a file tree: whether it is a folder and what a file holds.
struct Node {
    bool folder;
    std::optional<std::string> bytes;
    bool operator==(const Node&) const = default;
};
using Snapshot = std::map<std::string, Node>;
Snapshot snapshot(const headless::MemoryFileSystem& fs);

// Case-insensitive, as the file system compares names.
bool startsWith(std::string_view path, std::string_view prefix);

// Paths whose node appeared, vanished or changed between the snapshots and
// that `mayChange` does not allow.
template <class MayChange>
std::vector<std::string> touchedOutside(const Snapshot& before, const Snapshot& after, MayChange mayChange) {
    std::vector<std::string> touched;
    for (const auto& [path, node] : before) {
        const auto it = after.find(path);
        if ((it == after.end() || !(it->second == node)) && !mayChange(path)) touched.push_back(path);
    }
    for (const auto& [path, node] : after)
        if (!before.contains(path) && !mayChange(path)) touched.push_back(path);
    return touched;
}

std::string join(const std::vector<std::string>& lines);

}  // namespace robust
