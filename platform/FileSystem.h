// What the logic needs of the file system. Paths are UTF-8 with "\" as the
// separator, as the user and the options file give them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Error numbers as the program's messages and tests know them.
enum class FileError : std::uint8_t {
    None = 0,
    FileNotFound = 53,  // the one the logic tests for
    IoError = 57,
    DiskFull = 61,
    PermissionDenied = 70,
    PathNotFound = 76,
    Failed = 255,  // anything else
};

struct DirEntry {
    std::string name;  // plain name, no folder part
    bool isFolder = false;
    // A symbolic link, junction or mount point: never listed into.
    bool isLink = false;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The folder that holds the program's executable: no trailing "\" except
    // at a drive root.
    virtual std::string programFolder() const = 0;

    // Sequential 8-bit text files, addressed by a small file number. Text
    // crosses this interface as UTF-8; on disk it is the ANSI code page.
    virtual FileError openInput(int fileNumber, const std::string& path) = 0;
    virtual FileError readAll(int fileNumber, std::string& text) = 0;
    virtual FileError openOutput(int fileNumber, const std::string& path) = 0;  // create or truncate
    virtual FileError writeLine(int fileNumber, std::string_view text) = 0;    // adds CR LF
    // Flushes; an error here means the content may not have been written.
    // Closing a number that is not open is harmless.
    virtual FileError close(int fileNumber) = 0;

    virtual bool fileExists(const std::string& path) const = 0;
    // Atomically puts `from` in place of `to`, replacing it.
    virtual FileError replaceFile(const std::string& from, const std::string& to) = 0;

    // One listing at a time: sub-folders and ordinary files, "." and ".."
    // included, hidden and system entries never. `folder` ends in "\".
    // Starting a listing ends the one in progress. Both return false when
    // there is nothing (more) to list, including when listing fails.
    virtual bool findFirst(const std::string& folder, DirEntry& entry) = 0;
    virtual bool findNext(DirEntry& entry) = 0;

    // Fails for a folder, a missing, read-only or in-use file. A link is
    // removed itself, never its target.
    virtual FileError deleteFile(const std::string& path) = 0;
    // Removes an empty folder; fails otherwise.
    virtual FileError removeFolder(const std::string& path) = 0;
};

}  // namespace platform
