// An in-memory file system with Windows path rules (case-insensitive, "\"
// separators, repeated separators collapsed, a leading "\" on drive C:),
// attributes, links that are followed like real ones in a path and refused
// as a held folder's child (and so are names holding ":"), the Western ANSI
// code page (1252), and injectable failures, so every file-system
// behaviour of the logic runs in a test.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace headless {

enum class FsOp : std::uint8_t {
    OpenInput,
    ReadAll,
    OpenOutput,
    WriteLine,
    Close,
    FileExists,
    ReplaceFile,
    OpenFolder,
    NextEntry,
    DeleteFile,
    RemoveFolder,
};
inline constexpr std::size_t kFsOpCount = 11;

struct Attributes {
    bool hidden = false;
    bool system = false;
    bool readOnly = false;
    bool inUse = false;  // opened by another program without sharing
    // Listed under a name that does not open back ("not found"), as Wine
    // lists a Unix name that no Windows name can be.
    bool unopenable = false;
};

class MemoryFileSystem : public platform::FileSystem {
public:
    MemoryFileSystem();

    // --- Setting up -------------------------------------------------------
    // Creates it too, as an installed program's folder exists.
    void setProgramFolder(std::string folder);
    // Creates the folder and every missing parent.
    void addFolder(const std::string& path, Attributes attributes = {});
    // Creates the file, its parents, and gives it `bytes` as content.
    void addFile(const std::string& path, std::string bytes = {}, Attributes attributes = {});
    // A symbolic link at `path` pointing at `target`; paths through it lead
    // to the target, as on a real disk.
    void addLink(const std::string& path, const std::string& target);

    // --- Looking ----------------------------------------------------------
    bool exists(const std::string& path) const;
    bool isFolder(const std::string& path) const;
    std::optional<std::string> contents(const std::string& path) const;
    // Every path in the tree (original case), sorted; for "nothing else
    // touched" checks.
    std::vector<std::string> allPaths() const;
    std::size_t openCount() const { return open_.size(); }

    // --- Faults -----------------------------------------------------------
    // Calls of `op` made so far.
    std::size_t calls(FsOp op) const { return calls_[static_cast<std::size_t>(op)]; }
    std::size_t totalCalls() const;
    // The n-th call (1-based, counted from now) of `op` fails with `error`.
    void failNth(FsOp op, std::size_t n, platform::FileError error = platform::FileError::IoError);
    // The n-th call of any operation, counted from now.
    void failNthCall(std::size_t n, platform::FileError error = platform::FileError::IoError);
    void failAll(FsOp op, platform::FileError error = platform::FileError::IoError);
    void failEverything(platform::FileError error = platform::FileError::IoError);
    void clearFaults();
    // Every call made, in order, as "Op path".
    const std::vector<std::string>& callLog() const { return log_; }
    // Called after every operation; the headless clock uses it for busy time.
    std::function<void()> afterCall;

    // --- platform::FileSystem ---------------------------------------------
    std::string programFolder() const override { return programFolder_; }
    platform::FileError openInput(int fileNumber, const std::string& path) override;
    platform::FileError readAll(int fileNumber, std::string& bytes) override;
    platform::FileError openOutput(int fileNumber, const std::string& path) override;
    platform::FileError writeLine(int fileNumber, std::string_view bytes) override;
    platform::FileError close(int fileNumber) override;
    std::optional<std::string> toAnsi(std::string_view utf8) const override;
    std::string fromAnsi(std::string_view ansi) const override;
    bool fileExists(const std::string& path) const override;
    platform::FileError replaceFile(const std::string& from, const std::string& to) override;
    platform::FileError openFolder(const std::string& path, std::unique_ptr<platform::Folder>& folder) override;
    platform::FileError deleteFile(const std::string& path) override;

private:
    class HeldFolder;
    struct Node {
        std::string name;  // full path, original case
        bool folder = false;
        std::string bytes;
        Attributes attributes;
        std::optional<std::string> linkTarget;  // key of the target
    };
    struct OpenFile {
        std::string key;
        bool output = false;
    };

    void ensureFolder(const std::string& path);
    static std::string normalize(const std::string& path);  // the original-case full path
    static std::string keyOf(const std::string& path);      // lower case
    static std::string parentKey(const std::string& key);
    // Follows links in every component; the last one too unless `followLast`
    // is false (deleting or removing a link acts on the link itself).
    std::string resolve(const std::string& path, bool followLast = true) const;
    Node* find(const std::string& key);
    const Node* find(const std::string& key) const;
    std::optional<platform::FileError> enter(FsOp op, const std::string& path) const;
    // A child of the folder `parent` by its key, never through a link.
    platform::FileError deleteChild(const std::string& parent, const std::string& name, bool folder);

    std::string programFolder_ = "C:\\Pellmora";
    std::map<std::string, Node> nodes_;
    std::map<int, OpenFile> open_;

    struct Fault {
        std::optional<FsOp> op;  // empty: any operation
        std::size_t remaining;   // 0: every call
        platform::FileError error;
    };
    mutable std::vector<Fault> faults_;
    mutable std::array<std::size_t, kFsOpCount> calls_{};
    mutable std::vector<std::string> log_;
};

}  // namespace headless
