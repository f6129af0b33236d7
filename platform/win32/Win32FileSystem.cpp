#include "platform/win32/Win32FileSystem.h"

#include <winternl.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/win32/Paths.h"
#include "platform/win32/SystemCalls.h"
#include "platform/win32/Text.h"

namespace win32 {

using platform::FileError;

std::wstring systemPath(const std::string& path) {
    const std::wstring wide = widen(path);
    if (wide.empty() || startsWith(wide, L"\\\\?\\") || startsWith(wide, L"\\\\.\\")) return wide;
    std::vector<wchar_t> full(MAX_PATH);
    for (;;) {
        const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) return wide;  // the call that uses it reports the error
        if (length < full.size()) return extendedLengthForm(std::wstring_view(full.data(), length));
        full.resize(length + 1);
    }
}

FileError fileErrorFrom(DWORD error) {
    switch (error) {
    case ERROR_SUCCESS: return FileError::None;
    case ERROR_FILE_NOT_FOUND: return FileError::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return FileError::PathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return FileError::PermissionDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return FileError::DiskFull;
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_CRC:
    case ERROR_IO_DEVICE: return FileError::IoError;
    default: return FileError::Failed;
    }
}

namespace {

FileError lastError() { return fileErrorFrom(GetLastError()); }

// The system reads a path up to its first NUL: a path holding one (from a
// hand-edited options file) would name a shorter path, outside what was meant.
bool holdsNul(const std::string& path) { return path.find('\0') != std::string::npos; }

}  // namespace

std::string Win32FileSystem::programFolder() const {
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) return {};
        // A full buffer means the name was cut short.
        if (length < name.size()) return narrow(folderOf(withoutExtendedPrefix(std::wstring_view(name.data(), length))));
        name.resize(name.size() * 2);
    }
}

FileError Win32FileSystem::open(int fileNumber, const std::string& path, bool output) {
    if (files_.contains(fileNumber)) return FileError::Failed;  // that number is in use
    if (holdsNul(path)) return FileError::PathNotFound;
    const std::wstring name = systemPath(path);
    HANDLE h = output ? CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr)
                      : CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lastError();
    files_.emplace(fileNumber, OpenFile{FileHandle(h), output});
    return FileError::None;
}

FileError Win32FileSystem::openInput(int fileNumber, const std::string& path) { return open(fileNumber, path, false); }

FileError Win32FileSystem::openOutput(int fileNumber, const std::string& path) { return open(fileNumber, path, true); }

FileError Win32FileSystem::readAll(int fileNumber, std::string& bytes) {
    const auto it = files_.find(fileNumber);
    if (it == files_.end() || it->second.output) return FileError::Failed;
    std::string read;
    char buffer[4096];
    for (;;) {
        DWORD count = 0;
        if (!ReadFile(it->second.handle.get(), buffer, sizeof buffer, &count, nullptr)) return lastError();
        if (count == 0) break;
        read.append(buffer, count);
    }
    bytes = std::move(read);
    return FileError::None;
}

FileError Win32FileSystem::writeLine(int fileNumber, std::string_view bytes) {
    const auto it = files_.find(fileNumber);
    if (it == files_.end() || !it->second.output) return FileError::Failed;
    std::string line(bytes);
    line.append("\r\n");
    const char* at = line.data();
    DWORD left = static_cast<DWORD>(line.size());
    while (left > 0) {
        DWORD written = 0;
        if (!WriteFile(it->second.handle.get(), at, left, &written, nullptr)) return lastError();
        if (written == 0) return FileError::IoError;
        at += written;
        left -= written;
    }
    return FileError::None;
}

FileError Win32FileSystem::close(int fileNumber) {
    const auto it = files_.find(fileNumber);
    if (it == files_.end()) return FileError::None;
    OpenFile file = std::move(it->second);
    files_.erase(it);
    FileError result = FileError::None;
    if (file.output && !FlushFileBuffers(file.handle.get())) result = lastError();
    if (!file.handle.close() && result == FileError::None) result = lastError();
    return result;
}

std::optional<std::string> Win32FileSystem::toAnsi(std::string_view utf8) const { return win32::toAnsi(utf8); }

std::string Win32FileSystem::fromAnsi(std::string_view ansi) const { return win32::fromAnsi(ansi); }

bool Win32FileSystem::fileExists(const std::string& path) const {
    if (holdsNul(path)) return true;  // cannot tell, so assume it does
    if (GetFileAttributesW(systemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    // Only a definite "not there" counts as missing; anything else may exist.
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

FileError Win32FileSystem::replaceFile(const std::string& from, const std::string& to) {
    if (holdsNul(from) || holdsNul(to)) return FileError::PathNotFound;
    const std::wstring source = systemPath(from), target = systemPath(to);
    // A file the user marked read-only is not replaced; Windows refuses it,
    // and so must we where the layer beneath (Wine run as root) would not.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return FileError::PermissionDenied;
    // A program that has the file open to read it (a virus scanner, an
    // indexer, an editor) blocks the replace until it lets go: an unattended
    // save waits up to about a second for it rather than fail on a glance.
    constexpr int kTries = 20;
    constexpr DWORD kPauseMs = 50;
    for (int tries = 1;; ++tries) {
        if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return FileError::None;
        const DWORD error = GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || tries == kTries)
            return fileErrorFrom(error);
        Sleep(kPauseMs);
    }
}

namespace {

// Whether the table holds every ntdll call the folders below use.
bool haveFileCalls() {
    const SystemCalls& calls = systemCalls();
    return calls.ntCreateFile && calls.ntQueryDirectoryFile && calls.ntQueryInformationFile &&
           calls.ntSetInformationFile && calls.ntQueryObject && calls.rtlNtStatusToDosError;
}

// The client may hold an ad open while we look at it.
constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr ULONG kListingBytes = 16 * 1024;
// A listing call that leaves this much room has most likely given all there
// was: no Windows file system holds a name longer than 255 characters.
constexpr ULONG kRoomForAnyName = offsetof(FILE_DIRECTORY_INFORMATION, FileName) + 255 * sizeof(wchar_t) + 8;

// Where a listing ends rather than fails: no names left, or none at all.
constexpr auto kNoMoreFiles = static_cast<NTSTATUS>(0x80000006L);
constexpr auto kNoSuchFile = static_cast<NTSTATUS>(0xC000000FL);

FileError fromStatus(NTSTATUS status) { return fileErrorFrom(systemCalls().rtlNtStatusToDosError(status)); }

// A name that can only be a child's: one component, nothing the system
// would read as a path, a stream or the name's end, and short enough for the
// 16-bit length the system takes (a longer one would be cut to another name).
bool isSingleName(std::wstring_view name) {
    return !name.empty() && name.size() < 0x8000 && name != L"." && name != L".." &&
           name.find_first_of(std::wstring_view(L"\\/:\0", 4)) == std::wstring_view::npos;
}

// The full name of what a handle leads to, as the system names the object
// (a link followed shows its target's name), asked with room for `chars`
// characters: a longer name does not fit, gives a status that is no success
// and leaves in `name` as many characters as it would need. It asks nothing
// of the file itself, which keeps it cheap.
NTSTATUS reachedName(HANDLE h, std::size_t chars, std::wstring& name) {
    std::vector<std::uint64_t> buffer(1 + (sizeof(UNICODE_STRING) + (chars + 1) * sizeof(wchar_t)) / 8);
    ULONG needed = 0;
    const NTSTATUS status = systemCalls().ntQueryObject(h, ObjectNameInformation, buffer.data(),
                                                        static_cast<ULONG>(buffer.size() * 8), &needed);
    const auto& object = *reinterpret_cast<const UNICODE_STRING*>(buffer.data());
    if (NT_SUCCESS(status)) name.assign(object.Buffer, object.Length / sizeof(wchar_t));
    else name.resize(needed / sizeof(wchar_t));
    return status;
}

NTSTATUS attributesOf(HANDLE h, ULONG& attributes) {
    FILE_BASIC_INFORMATION basic{};
    IO_STATUS_BLOCK io{};
    const NTSTATUS status = systemCalls().ntQueryInformationFile(h, &io, &basic, sizeof basic, FileBasicInformation);
    attributes = basic.FileAttributes;
    return status;
}

// Deletes what `h` leads to when its handle is closed (or, with `remove`
// false, no longer); never forces it. A folder that is not empty refuses.
NTSTATUS setDisposition(HANDLE h, bool remove) {
    FILE_DISPOSITION_INFORMATION disposition{remove};
    IO_STATUS_BLOCK io{};
    return systemCalls().ntSetInformationFile(h, &io, &disposition, sizeof disposition, FileDispositionInformation);
}

FileError dispose(HANDLE h, ULONG attributes) {
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return FileError::PermissionDenied;
    const NTSTATUS status = setDisposition(h, true);
    return NT_SUCCESS(status) ? FileError::None : fromStatus(status);
}

// A folder held by its handle. `name_` is the name within its volume that the
// handle itself gave when the folder was opened; each child's handle must give
// this name, a "\" and the child's own.
class Win32Folder : public platform::Folder {
public:
    Win32Folder(FileHandle handle, std::wstring name, ULONG attributes, bool removable = false)
        : handle_(std::move(handle)), name_(std::move(name)), attributes_(attributes), removable_(removable) {}

    ~Win32Folder() override {
        // Only remove() may remove the folder; see next().
        if (removal_ == FileError::None && !removeAsked_) setDisposition(handle_.get(), false);
    }

    // The folder at a path as the system resolves it, links included.
    static FileError open(const std::wstring& path, std::unique_ptr<Win32Folder>& folder) {
        if (!haveFileCalls()) return FileError::Failed;
        FileHandle h(CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareAll,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!h) return lastError();
        std::wstring name;
        ULONG attributes = 0;
        // A name may come out longer than the path that reached it (a link).
        NTSTATUS status = reachedName(h.get(), path.size() + 16, name);
        if (!NT_SUCCESS(status) && name.size() > path.size()) status = reachedName(h.get(), name.size(), name);
        if (NT_SUCCESS(status)) status = attributesOf(h.get(), attributes);
        if (!NT_SUCCESS(status)) return fromStatus(status);
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return FileError::PathNotFound;  // a file
        folder = std::make_unique<Win32Folder>(std::move(h), std::move(name), attributes);
        return FileError::None;
    }

    bool next(std::string& name) override {
        for (;;) {
            if (entry_ == nullptr) {
                if (!listing_) return false;
                // A folder being emptied whose names all came in a short
                // listing is empty once they are gone: its removal, wanted
                // anyway, tells so with one call where the listing needs one
                // more to end. Asked once only: Wine answers whether a folder
                // is empty rightly only the first time a handle asks.
                if (removable_ && lastWasShort_ && !removal_) {
                    removal_ = dispose(handle_.get(), attributes_);
                    if (removal_ == FileError::None) return end(false);
                }
                IO_STATUS_BLOCK io{};
                const NTSTATUS status = systemCalls().ntQueryDirectoryFile(
                    handle_.get(), nullptr, nullptr, nullptr, &io, listing_.get(), kListingBytes,
                    FileDirectoryInformation, FALSE, nullptr, restart_);
                restart_ = false;
                // No names left ends the listing; any other failure, or more bytes than it holds, fails it.
                if (!NT_SUCCESS(status)) return end(status != kNoMoreFiles && status != kNoSuchFile);
                if (io.Information == 0 || io.Information > kListingBytes) return end(io.Information != 0);
                lastWasShort_ = io.Information + kRoomForAnyName <= kListingBytes;
                // Names after a removal refused: the folder changed since, so it is asked again.
                removal_.reset();
                entry_ = reinterpret_cast<const unsigned char*>(listing_.get());
                listingEnd_ = entry_ + io.Information;
            }
            // An entry or name that runs past the bytes returned is no entry: the listing fails there.
            constexpr std::size_t kHead = offsetof(FILE_DIRECTORY_INFORMATION, FileName);
            const auto& found = *reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(entry_);
            const auto room = static_cast<std::size_t>(listingEnd_ - entry_);
            if (room < kHead || room - kHead < found.FileNameLength || found.NextEntryOffset >= room)
                return end(true);
            entry_ = found.NextEntryOffset == 0 ? nullptr : entry_ + found.NextEntryOffset;
            const std::wstring_view foundName(found.FileName, found.FileNameLength / sizeof(wchar_t));
            if ((found.FileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0 || foundName == L"." ||
                foundName == L"..")
                continue;
            listed_.insert_or_assign(std::wstring(foundName), found.FileAttributes);
            name = toWtf8(foundName);
            return true;
        }
    }

    bool failed() const override { return failed_; }

    void rewind() override {
        if (!listing_) listing_.reset(new std::uint64_t[kListingBytes / 8]);
        entry_ = nullptr;
        restart_ = true;
        failed_ = lastWasShort_ = false;
    }

    FileError openFolder(const std::string& name, std::unique_ptr<platform::Folder>& folder) override {
        Child child;
        // With the right to delete it, so that the folder emptied is the one
        // removed; a folder we may list but not delete is still emptied.
        const std::wstring wide = fromWtf8(name);
        ACCESS_MASK access = FILE_LIST_DIRECTORY | DELETE;
        FileError error = openChild(wide, true, access, child);
        if (error == FileError::PermissionDenied) {
            access = FILE_LIST_DIRECTORY;
            error = openChild(wide, true, access, child);
        }
        if (error == FileError::None)
            folder = std::make_unique<Win32Folder>(std::move(child.handle), std::move(child.name), child.attributes,
                                                   access & DELETE);
        return error;
    }

    FileError deleteFile(const std::string& name) override { return deleteChild(fromWtf8(name), false); }
    FileError removeFolder(const std::string& name) override { return deleteChild(fromWtf8(name), true); }
    FileError remove() override {
        removeAsked_ = true;
        if (!removal_) removal_ = dispose(handle_.get(), attributes_);
        return *removal_;
    }

    FileError deleteChild(std::wstring_view name, bool folder) const {
        Child child;
        const FileError error = openChild(name, folder, DELETE, child);
        return error != FileError::None ? error : dispose(child.handle.get(), child.attributes);
    }

private:
    // The listing is over, at its end or at a failure.
    bool end(bool failed) {
        listing_.reset();
        entry_ = nullptr;
        failed_ = failed;
        return false;
    }

    struct Child {
        FileHandle handle;
        std::wstring name;
        ULONG attributes = 0;
    };

    // Opens the child `name` relative to this folder's handle, never through
    // a path that could be resolved afresh, and refuses it unless the handle
    // leads to exactly that child and to no link. The reparse-point test is
    // enough where the system honours FILE_OPEN_REPARSE_POINT; Wine follows a
    // link whatever it is asked and shows none, and there only the name the
    // handle leads to tells.
    FileError openChild(std::wstring_view name, bool folder, ACCESS_MASK access, Child& child) const {
        if (!isSingleName(name)) return FileError::PathNotFound;
        const auto bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
        UNICODE_STRING objectName{bytes, bytes, const_cast<PWSTR>(name.data())};
        OBJECT_ATTRIBUTES object;
        InitializeObjectAttributes(&object, &objectName, OBJ_CASE_INSENSITIVE, handle_.get(), nullptr);
        IO_STATUS_BLOCK io{};
        HANDLE h = nullptr;
        const ULONG options = (folder ? FILE_DIRECTORY_FILE : FILE_NON_DIRECTORY_FILE) | FILE_OPEN_REPARSE_POINT |
                              FILE_SYNCHRONOUS_IO_NONALERT;
        NTSTATUS status = systemCalls().ntCreateFile(&h, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &object, &io,
                                                     nullptr, 0, kShareAll, FILE_OPEN, options, nullptr, 0);
        if (!NT_SUCCESS(status)) return fromStatus(status);
        child.handle.reset(h);
        child.name = name_;
        if (!child.name.ends_with(L'\\')) child.name += L'\\';  // at a volume's root the name is "\"
        child.name += name;
        std::wstring reached;
        status = reachedName(h, child.name.size(), reached);
        if (!NT_SUCCESS(status))  // a name too long to be that child's leads somewhere else
            return reached.size() > child.name.size() ? FileError::PermissionDenied : fromStatus(status);
        // What the listing said of it, or else what the handle says: a link
        // put in its place since is caught by its name above.
        if (const auto it = listed_.find(std::wstring(name)); it != listed_.end())
            child.attributes = it->second;
        else if (status = attributesOf(h, child.attributes); !NT_SUCCESS(status))
            return fromStatus(status);
        // Compared as the system compares names; only a case variant of a folder above the ads folder
        // could pass for another, and whoever may make one there could replace the ads folder itself.
        const bool same = CompareStringOrdinal(reached.data(), static_cast<int>(reached.size()), child.name.data(),
                                               static_cast<int>(child.name.size()), TRUE) == CSTR_EQUAL;
        if (!same || (child.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return FileError::PermissionDenied;
        return FileError::None;
    }

    FileHandle handle_;
    std::wstring name_;
    ULONG attributes_;
    bool removable_;             // held with the right to delete it
    bool lastWasShort_ = false;  // the last listing call most likely gave all there was
    std::optional<FileError> removal_;  // asked since the folder last changed
    bool removeAsked_ = false;
    std::unique_ptr<std::uint64_t[]> listing_{new std::uint64_t[kListingBytes / 8]};
    std::unordered_map<std::wstring, ULONG> listed_;  // each name listed, with its attributes then
    const unsigned char* entry_ = nullptr;
    const unsigned char* listingEnd_ = nullptr;  // past the bytes the last listing call returned
    bool restart_ = false;                       // the next listing call starts from the first entry
    bool failed_ = false;
};

}  // namespace

FileError Win32FileSystem::openFolder(const std::string& path, std::unique_ptr<platform::Folder>& folder) {
    if (holdsNul(path)) return FileError::PathNotFound;
    std::unique_ptr<Win32Folder> opened;
    const FileError error = Win32Folder::open(systemPath(path), opened);
    folder = std::move(opened);
    return error;
}

FileError Win32FileSystem::deleteFile(const std::string& path) {
    if (holdsNul(path)) return FileError::PathNotFound;
    const std::wstring full = systemPath(path);
    const std::size_t slash = full.find_last_of(L'\\');
    if (slash == std::wstring::npos) return FileError::PathNotFound;
    std::unique_ptr<Win32Folder> parent;
    if (const FileError error = Win32Folder::open(full.substr(0, slash + 1), parent); error != FileError::None)
        return error;
    return parent->deleteChild(std::wstring_view(full).substr(slash + 1), false);
}

}  // namespace win32
