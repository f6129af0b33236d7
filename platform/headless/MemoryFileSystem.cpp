#include "platform/headless/MemoryFileSystem.h"

#include <algorithm>

#include "platform/Utf8.h"

namespace headless {

using platform::FileError;

namespace {

constexpr std::array<const char*, kFsOpCount> kOpNames{
    "OpenInput",   "ReadAll",    "OpenOutput", "WriteLine",  "Close",       "FileExists",
    "ReplaceFile", "OpenFolder", "NextEntry",  "DeleteFile", "RemoveFolder"};

bool isSeparator(char c) { return c == '\\' || c == '/'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::vector<std::string> components(const std::string& normalized) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= normalized.size()) {
        const std::size_t end = normalized.find('\\', start);
        parts.push_back(normalized.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return parts;
}

// A name that can only be a child's: no folder part or stream, not "." or "..".
bool isSingleName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string::npos;
}

std::string lastComponent(const std::string& name) {
    const std::size_t cut = name.rfind('\\');
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

}  // namespace

MemoryFileSystem::MemoryFileSystem() {
    nodes_["c:"] = Node{.name = "C:", .folder = true};
    ensureFolder(programFolder_);
}

void MemoryFileSystem::setProgramFolder(std::string folder) {
    programFolder_ = std::move(folder);
    ensureFolder(programFolder_);
}

// --- Paths -------------------------------------------------------------------

std::string MemoryFileSystem::normalize(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (isSeparator(c)) {
            if (!out.empty() && out.back() == '\\') continue;
            out += '\\';
        } else {
            out += c;
        }
    }
    const bool hasDrive = out.size() >= 2 && out[1] == ':';
    if (!hasDrive) out = (out.empty() || out.front() != '\\') ? "C:\\" + out : "C:" + out;
    while (out.size() > 2 && out.back() == '\\') out.pop_back();
    return out;
}

std::string MemoryFileSystem::keyOf(const std::string& path) {
    std::string key = normalize(path);
    std::transform(key.begin(), key.end(), key.begin(), lower);
    return key;
}

std::string MemoryFileSystem::parentKey(const std::string& key) {
    const std::size_t cut = key.rfind('\\');
    return cut == std::string::npos ? std::string() : key.substr(0, cut);
}

std::string MemoryFileSystem::resolve(const std::string& path, bool followLast) const {
    const std::vector<std::string> parts = components(keyOf(path));
    std::string current = parts.front();
    for (std::size_t i = 1; i < parts.size(); ++i) {
        current += '\\';
        current += parts[i];
        const bool last = i + 1 == parts.size();
        for (int hops = 0; hops < 40; ++hops) {  // a loop of links resolves to nowhere
            const Node* node = find(current);
            if (node == nullptr || !node->linkTarget || (last && !followLast)) break;
            current = *node->linkTarget;
        }
    }
    return current;
}

MemoryFileSystem::Node* MemoryFileSystem::find(const std::string& key) {
    const auto it = nodes_.find(key);
    return it == nodes_.end() ? nullptr : &it->second;
}

const MemoryFileSystem::Node* MemoryFileSystem::find(const std::string& key) const {
    const auto it = nodes_.find(key);
    return it == nodes_.end() ? nullptr : &it->second;
}

// --- Setting up and looking ------------------------------------------------

void MemoryFileSystem::addFolder(const std::string& path, Attributes attributes) {
    ensureFolder(path);
    find(resolve(path))->attributes = attributes;
}

void MemoryFileSystem::ensureFolder(const std::string& path) {
    const std::string name = normalize(path);
    const std::vector<std::string> parts = components(name);
    std::string current = parts.front();
    nodes_.try_emplace(keyOf(current), Node{.name = current, .folder = true});
    for (std::size_t i = 1; i < parts.size(); ++i) {
        current += '\\' + parts[i];
        nodes_.try_emplace(resolve(current), Node{.name = current, .folder = true});
    }
}

void MemoryFileSystem::addFile(const std::string& path, std::string bytes, Attributes attributes) {
    const std::string name = normalize(path);
    ensureFolder(name.substr(0, name.rfind('\\')));
    nodes_[resolve(name)] = Node{.name = name, .folder = false, .bytes = std::move(bytes), .attributes = attributes};
}

void MemoryFileSystem::addLink(const std::string& path, const std::string& target) {
    const std::string name = normalize(path);
    ensureFolder(name.substr(0, name.rfind('\\')));
    nodes_[resolve(name, false)] = Node{.name = name, .linkTarget = keyOf(target)};
}

bool MemoryFileSystem::exists(const std::string& path) const { return find(resolve(path, false)) != nullptr; }

bool MemoryFileSystem::isFolder(const std::string& path) const {
    const Node* node = find(resolve(path));
    return node != nullptr && node->folder;
}

std::optional<std::string> MemoryFileSystem::contents(const std::string& path) const {
    const Node* node = find(resolve(path));
    if (node == nullptr || node->folder) return std::nullopt;
    return node->bytes;
}

std::vector<std::string> MemoryFileSystem::allPaths() const {
    std::vector<std::string> paths;
    for (const auto& [key, node] : nodes_) paths.push_back(node.name);
    std::sort(paths.begin(), paths.end());
    return paths;
}

// --- Faults ------------------------------------------------------------------

std::size_t MemoryFileSystem::totalCalls() const {
    std::size_t total = 0;
    for (std::size_t n : calls_) total += n;
    return total;
}

void MemoryFileSystem::failNth(FsOp op, std::size_t n, FileError error) {
    faults_.push_back({.op = op, .remaining = n, .error = error});
}
void MemoryFileSystem::failNthCall(std::size_t n, FileError error) {
    faults_.push_back({.op = std::nullopt, .remaining = n, .error = error});
}
void MemoryFileSystem::failAll(FsOp op, FileError error) {
    faults_.push_back({.op = op, .remaining = 0, .error = error});
}
void MemoryFileSystem::failEverything(FileError error) {
    faults_.push_back({.op = std::nullopt, .remaining = 0, .error = error});
}
void MemoryFileSystem::clearFaults() { faults_.clear(); }

std::optional<FileError> MemoryFileSystem::enter(FsOp op, const std::string& path) const {
    ++calls_[static_cast<std::size_t>(op)];
    log_.push_back(std::string(kOpNames[static_cast<std::size_t>(op)]) + " " + path);
    if (afterCall) afterCall();
    std::optional<FileError> result;
    for (auto it = faults_.begin(); it != faults_.end();) {
        if (it->op && *it->op != op) {
            ++it;
            continue;
        }
        if (it->remaining == 0) {
            result = it->error;
            ++it;
        } else if (--it->remaining == 0) {
            result = it->error;
            it = faults_.erase(it);
        } else {
            ++it;
        }
    }
    return result;
}

// --- platform::FileSystem ------------------------------------------------------

FileError MemoryFileSystem::openInput(int fileNumber, const std::string& path) {
    if (auto fault = enter(FsOp::OpenInput, path)) return *fault;
    if (open_.contains(fileNumber)) return FileError::Failed;
    const std::string key = resolve(path);
    const Node* node = find(key);
    if (node == nullptr) {
        const Node* parent = find(parentKey(key));
        return parent != nullptr && parent->folder ? FileError::FileNotFound : FileError::PathNotFound;
    }
    if (node->folder || node->attributes.inUse) return FileError::PermissionDenied;
    open_[fileNumber] = {.key = key, .output = false};
    return FileError::None;
}

FileError MemoryFileSystem::readAll(int fileNumber, std::string& bytes) {
    if (auto fault = enter(FsOp::ReadAll, std::to_string(fileNumber))) return *fault;
    const auto it = open_.find(fileNumber);
    if (it == open_.end() || it->second.output) return FileError::Failed;
    const Node* node = find(it->second.key);
    if (node == nullptr) return FileError::IoError;
    bytes = node->bytes;
    return FileError::None;
}

FileError MemoryFileSystem::openOutput(int fileNumber, const std::string& path) {
    if (auto fault = enter(FsOp::OpenOutput, path)) return *fault;
    if (open_.contains(fileNumber)) return FileError::Failed;
    const std::string key = resolve(path);
    const Node* parent = find(parentKey(key));
    if (parent == nullptr || !parent->folder) return FileError::PathNotFound;
    if (Node* node = find(key)) {
        if (node->folder || node->attributes.readOnly || node->attributes.inUse) return FileError::PermissionDenied;
        node->bytes.clear();
    } else {
        nodes_[key] = Node{.name = normalize(path)};
    }
    open_[fileNumber] = {.key = key, .output = true};
    return FileError::None;
}

FileError MemoryFileSystem::writeLine(int fileNumber, std::string_view bytes) {
    if (auto fault = enter(FsOp::WriteLine, std::to_string(fileNumber))) return *fault;
    const auto it = open_.find(fileNumber);
    if (it == open_.end() || !it->second.output) return FileError::Failed;
    Node* node = find(it->second.key);
    if (node == nullptr) return FileError::IoError;
    node->bytes.append(bytes);
    node->bytes.append("\r\n");
    return FileError::None;
}

FileError MemoryFileSystem::close(int fileNumber) {
    const auto fault = enter(FsOp::Close, std::to_string(fileNumber));
    if (open_.erase(fileNumber) == 0) return FileError::None;
    return fault.value_or(FileError::None);
}

// Code page 1252: ASCII, Latin-1 from 0xA0, and between them the characters
// it puts at 0x80 to 0x9F; the five bytes it leaves free convert to the C1
// controls of the same number and back, as Windows converts them.
constexpr std::array<char32_t, 32> kWindows1252At80{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::optional<std::string> MemoryFileSystem::toAnsi(std::string_view utf8) const {
    std::string ansi;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::optional<char32_t> c = platform::nextCodePoint(utf8, at);
        if (!c || (*c >= 0xD800 && *c <= 0xDFFF)) return std::nullopt;
        const auto high = std::find(kWindows1252At80.begin(), kWindows1252At80.end(), *c);
        if (high != kWindows1252At80.end()) ansi += static_cast<char>(0x80 + (high - kWindows1252At80.begin()));
        else if (*c < 0x80 || (*c >= 0xA0 && *c <= 0xFF)) ansi += static_cast<char>(*c);
        else return std::nullopt;
    }
    return ansi;
}

std::string MemoryFileSystem::fromAnsi(std::string_view ansi) const {
    std::string utf8;
    for (const char byte : ansi) {
        const auto b = static_cast<unsigned char>(byte);
        platform::appendCodePoint(utf8, b >= 0x80 && b < 0xA0 ? kWindows1252At80[b - 0x80] : char32_t(b));
    }
    return utf8;
}

bool MemoryFileSystem::fileExists(const std::string& path) const {
    // When the answer cannot be had, say it exists: that is the safe guess.
    if (enter(FsOp::FileExists, path)) return true;
    return find(resolve(path)) != nullptr;
}

FileError MemoryFileSystem::replaceFile(const std::string& from, const std::string& to) {
    if (auto fault = enter(FsOp::ReplaceFile, from + " -> " + to)) return *fault;
    const std::string fromKey = resolve(from);
    const std::string toKey = resolve(to);
    const Node* source = find(fromKey);
    if (source == nullptr || source->folder) return FileError::FileNotFound;
    for (const auto& [number, file] : open_)
        if (file.key == fromKey || file.key == toKey) return FileError::PermissionDenied;
    const Node* parent = find(parentKey(toKey));
    if (parent == nullptr || !parent->folder) return FileError::PathNotFound;
    if (const Node* target = find(toKey)) {
        if (target->folder || target->attributes.readOnly || target->attributes.inUse)
            return FileError::PermissionDenied;
    }
    if (fromKey == toKey) return FileError::None;
    Node moved = *source;
    moved.name = normalize(to);
    nodes_.erase(fromKey);
    nodes_[toKey] = std::move(moved);
    return FileError::None;
}

// A folder held by its key: its children are looked up under that key by
// name, so a link among them is a node of its own, never a way elsewhere.
class MemoryFileSystem::HeldFolder : public platform::Folder {
public:
    HeldFolder(MemoryFileSystem& fs, std::string key, std::string path)
        : fs_(fs), key_(std::move(key)), path_(std::move(path)) {
        if (!path_.ends_with('\\')) path_ += '\\';
    }

    bool next(std::string& name) override {
        if (fs_.enter(FsOp::NextEntry, path_)) failed_ = true;  // a listing that fails is exhausted
        if (failed_) return false;
        if (!listed_) {
            listed_ = true;
            const std::string prefix = key_ + "\\";
            const auto& nodes = fs_.nodes_;
            for (auto it = nodes.lower_bound(prefix); it != nodes.end() && it->first.starts_with(prefix); ++it)
                if (it->first.find('\\', prefix.size()) == std::string::npos && !it->second.attributes.hidden &&
                    !it->second.attributes.system)
                    names_.push_back(lastComponent(it->second.name));
        }
        if (position_ >= names_.size()) return false;
        name = names_[position_++];
        return true;
    }

    bool failed() const override { return failed_; }

    void rewind() override {
        names_.clear();
        position_ = 0;
        listed_ = failed_ = false;
    }

    FileError openFolder(const std::string& name, std::unique_ptr<Folder>& folder) override {
        if (auto fault = fs_.enter(FsOp::OpenFolder, path_ + name)) return *fault;
        if (!isSingleName(name)) return FileError::PathNotFound;
        const std::string key = keyOf(key_ + "\\" + name);
        const Node* node = fs_.find(key);
        if (node == nullptr || node->attributes.unopenable) return FileError::FileNotFound;
        if (node->linkTarget) return FileError::PermissionDenied;
        if (!node->folder) return FileError::Failed;
        folder = std::make_unique<HeldFolder>(fs_, key, path_ + name);
        return FileError::None;
    }

    FileError deleteFile(const std::string& name) override {
        if (auto fault = fs_.enter(FsOp::DeleteFile, path_ + name)) return *fault;
        return fs_.deleteChild(key_, name, false);
    }

    FileError removeFolder(const std::string& name) override {
        if (auto fault = fs_.enter(FsOp::RemoveFolder, path_ + name)) return *fault;
        return fs_.deleteChild(key_, name, true);
    }

    FileError remove() override {
        if (auto fault = fs_.enter(FsOp::RemoveFolder, path_.substr(0, path_.size() - 1))) return *fault;
        return fs_.deleteChild(parentKey(key_), lastComponent(key_), true);
    }

private:
    MemoryFileSystem& fs_;
    std::string key_, path_;
    std::vector<std::string> names_;
    std::size_t position_ = 0;
    bool listed_ = false, failed_ = false;
};

FileError MemoryFileSystem::openFolder(const std::string& path, std::unique_ptr<platform::Folder>& folder) {
    if (auto fault = enter(FsOp::OpenFolder, path)) return *fault;
    const std::string key = resolve(path);
    const Node* node = find(key);
    if (node == nullptr || !node->folder)
        return find(parentKey(key)) != nullptr ? FileError::FileNotFound : FileError::PathNotFound;
    folder = std::make_unique<HeldFolder>(*this, key, path);
    return FileError::None;
}

FileError MemoryFileSystem::deleteFile(const std::string& path) {
    if (auto fault = enter(FsOp::DeleteFile, path)) return *fault;
    const std::string name = normalize(path);
    const std::size_t cut = name.rfind('\\');
    if (cut == std::string::npos) return FileError::PathNotFound;
    return deleteChild(resolve(name.substr(0, cut)), name.substr(cut + 1), false);
}

FileError MemoryFileSystem::deleteChild(const std::string& parent, const std::string& name, bool folder) {
    if (!isSingleName(name)) return FileError::PathNotFound;
    if (find(parent) == nullptr) return FileError::PathNotFound;
    const std::string key = keyOf(parent + "\\" + name);
    const Node* node = find(key);
    if (node == nullptr || node->attributes.unopenable) return FileError::FileNotFound;
    if (node->linkTarget) return FileError::PermissionDenied;  // neither followed nor deleted
    if (node->folder != folder) return folder ? FileError::Failed : FileError::PermissionDenied;
    if (node->attributes.readOnly || node->attributes.inUse) return FileError::PermissionDenied;
    for (const auto& [number, file] : open_)
        if (file.key == key) return FileError::PermissionDenied;
    const std::string prefix = key + "\\";
    const auto child = nodes_.lower_bound(prefix);
    if (folder && child != nodes_.end() && child->first.starts_with(prefix)) return FileError::Failed;
    nodes_.erase(key);
    return FileError::None;
}

}  // namespace headless
