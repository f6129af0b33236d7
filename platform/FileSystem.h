// What the logic needs of the file system. Paths are UTF-8 with "\" as the
// separator, as the user and the options file give them. The names a Folder
// lists and takes are WTF-8 (UTF-8 that also carries a lone surrogate, which
// a Windows name may hold), so that a name goes back exactly as listed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
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

// A folder held open. Its entries are listed through it and its children
// reached through it by their single names, never by a path: a path is
// resolved afresh each time, and a link put in its place meanwhile would lead
// elsewhere. A child that is a link, or turns out to be anything but the
// child of this very folder, is refused, never followed nor deleted.
class Folder {
public:
    virtual ~Folder() = default;
    // The next entry's plain name: sub-folders and ordinary files, never "."
    // or "..", hidden or system entries. False when there is nothing more,
    // including when listing fails.
    virtual bool next(std::string& name) = 0;
    // Whether the listing ended at a failure, not at its end: it may be short.
    virtual bool failed() const = 0;
    // Lists afresh from the first entry, as the folder is now.
    virtual void rewind() = 0;
    // The sub-folder `name`, to list and empty.
    virtual FileError openFolder(const std::string& name, std::unique_ptr<Folder>& folder) = 0;
    // Fails for a folder, a missing, read-only or in-use file.
    virtual FileError deleteFile(const std::string& name) = 0;
    // Removes an empty sub-folder; fails otherwise.
    virtual FileError removeFolder(const std::string& name) = 0;
    // Removes this folder itself, when it is empty, through what holds it:
    // the folder emptied is the one removed.
    virtual FileError remove() = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The folder that holds the program's executable: no trailing "\" except
    // at a drive root.
    virtual std::string programFolder() const = 0;

    // Sequential 8-bit text files, addressed by a small file number. Bytes
    // cross this interface as they stand on disk.
    virtual FileError openInput(int fileNumber, const std::string& path) = 0;
    virtual FileError readAll(int fileNumber, std::string& bytes) = 0;
    virtual FileError openOutput(int fileNumber, const std::string& path) = 0;  // create or truncate
    virtual FileError writeLine(int fileNumber, std::string_view bytes) = 0;   // adds CR LF
    // Flushes; an error here means the content may not have been written.
    // Closing a number that is not open is harmless.
    virtual FileError close(int fileNumber) = 0;

    // The system's ANSI code page: all that only the system knows about a
    // file's text. Which code a file is written in, and how its reader
    // tells, is the options file's own rule, kept once in the logic for
    // every platform. Bytes in the code page, or nothing when a character
    // has no exact counterpart there (no look-alike, no "?").
    virtual std::optional<std::string> toAnsi(std::string_view utf8) const = 0;
    virtual std::string fromAnsi(std::string_view ansi) const = 0;

    virtual bool fileExists(const std::string& path) const = 0;
    // Atomically puts `from` in place of `to`, replacing it.
    virtual FileError replaceFile(const std::string& from, const std::string& to) = 0;

    // The folder at `path`, a link to it included (the user chose it).
    // FileNotFound or PathNotFound when there is no folder there.
    virtual FileError openFolder(const std::string& path, std::unique_ptr<Folder>& folder) = 0;
    // Deletes the file at `path` as its folder's child (see Folder).
    virtual FileError deleteFile(const std::string& path) = 0;
};

}  // namespace platform
