#include "tests/robust/Robust.h"

#include <cstdlib>
#include <iostream>

namespace robust {

std::string fileOf(const pellmora::OptionSet& set) {
    std::string text;
    for (const std::string& line : pellmora::optionLines(set)) text += line + "\r\n";
    return text;
}

std::string defaultFile() {
    std::string text;
    for (const std::string& line : pellmora::defaultOptionLines()) text += line + "\r\n";
    return text;
}

std::uint64_t fromEnvironment(const char* name, std::uint64_t fallback) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return fallback;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(value, &end, 10);
    return end != nullptr && *end == '\0' ? parsed : fallback;
}

void report(std::string_view key, std::uint64_t value) { std::cout << "REPORT " << key << '=' << value << std::endl; }

Snapshot snapshot(const headless::MemoryFileSystem& fs) {
    Snapshot nodes;
    for (const std::string& path : fs.allPaths()) nodes.emplace(path, Node{fs.isFolder(path), fs.contents(path)});
    return nodes;
}

bool startsWith(std::string_view path, std::string_view prefix) {
    if (path.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(path[i]) != lower(prefix[i])) return false;
    }
    return true;
}

std::string join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "\n  " + line;
    return text;
}

}  // namespace robust
