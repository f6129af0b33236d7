// One Pellmora on the headless platform, and what the tests say about files:
// the options file's name, bytes and message, snapshots of the tree for
// "nothing else touched", counts that can be raised from the environment,
// and the REPORT lines the reliability report adds up.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <string>

#include "options/OptionsFile.h"
#include "platform/headless/Headless.h"
#include "window/ControlTable.h"
#include "window/frmMain.h"

namespace fixture {

using pellmora::ControlId;
using pellmora::OptionSet;

inline const std::string kIni = "C:\\Pellmora\\Pellmora.ini";
inline const std::string kTemporary = kIni + ".tmp";
inline const std::string kOptionsMessage =
    "An Unexpected error has occured while trying to read Pellmora.ini. Pellmora will try to rebuild this file.";

struct App {
    headless::Headless h{pellmora::kFormLayout};
    headless::MemoryFileSystem& fs = h.files();
    pellmora::frmMain f{h.form(), h, h.files(), h};

    OptionSet set() const { return f; }
    void load() { h.load([this] { f.Form_Load(); }); }
    void click(ControlId id) { h.click(pellmora::row(id)); }
    void type(std::string text) { h.type(pellmora::row(ControlId::txtJunoPath), std::move(text)); }
    // Each message box shown, as "text|style|title".
    std::vector<std::string> messages() const {
        std::vector<std::string> shown;
        for (const auto& box : h.messageBoxes)
            shown.push_back(box.text + "|" + std::to_string(static_cast<int>(box.style)) + "|" + box.title);
        return shown;
    }
};

// The options message, shown `times` times.
inline std::vector<std::string> optionsMessages(std::size_t times) {
    return std::vector<std::string>(times, kOptionsMessage + "|48|Pellmora");
}

// A file as the writer writes it.
inline std::string fileOf(const OptionSet& set) {
    std::string text;
    for (const std::string& line : pellmora::optionLines(set)) text += line + "\r\n";
    return text;
}
inline const std::string kDefaultFile = fileOf({"C:\\Program Files\\Juno\\", 0, 1, 1, 1});

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

}  // namespace fixture
