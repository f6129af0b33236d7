#include "platform/win32/Win32FileSystem.h"

#include <vector>

#include "platform/win32/Paths.h"
#include "platform/win32/Text.h"

namespace win32 {

using platform::DirEntry;
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

FileError Win32FileSystem::readAll(int fileNumber, std::string& text) {
    const auto it = files_.find(fileNumber);
    if (it == files_.end() || it->second.output) return FileError::Failed;
    std::string bytes;
    char buffer[4096];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(it->second.handle.get(), buffer, sizeof buffer, &read, nullptr)) return lastError();
        if (read == 0) break;
        bytes.append(buffer, read);
    }
    text = fromAnsi(bytes);
    return FileError::None;
}

FileError Win32FileSystem::writeLine(int fileNumber, std::string_view text) {
    const auto it = files_.find(fileNumber);
    if (it == files_.end() || !it->second.output) return FileError::Failed;
    std::optional<std::string> bytes = toAnsi(text);
    if (!bytes) return FileError::Failed;  // a character the code page cannot hold
    bytes->append("\r\n");
    const char* at = bytes->data();
    DWORD left = static_cast<DWORD>(bytes->size());
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

bool Win32FileSystem::fileExists(const std::string& path) const {
    if (holdsNul(path)) return true;  // cannot tell, so assume it does
    if (GetFileAttributesW(systemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    // Only a definite "not there" counts as missing; anything else may exist.
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

FileError Win32FileSystem::replaceFile(const std::string& from, const std::string& to) {
    if (holdsNul(from) || holdsNul(to)) return FileError::PathNotFound;
    const std::wstring target = systemPath(to);
    // A file the user marked read-only is not replaced; Windows refuses it,
    // and so must we where the layer beneath (Wine run as root) would not.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return FileError::PermissionDenied;
    if (MoveFileExW(systemPath(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return FileError::None;
    return lastError();
}

bool Win32FileSystem::nextListed(DirEntry& entry, bool advance) {
    for (;;) {
        if (advance && !FindNextFileW(listing_.get(), &found_)) {
            listing_.reset();  // exhausted or failed: either way the listing is over
            return false;
        }
        advance = true;
        if ((found_.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0) continue;
        entry.name = narrow(found_.cFileName);
        entry.isFolder = (found_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // Links, junctions and mount points: the target may lie anywhere.
        entry.isLink = (found_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        return true;
    }
}

bool Win32FileSystem::findFirst(const std::string& folder, DirEntry& entry) {
    listing_.reset();
    if (holdsNul(folder)) return false;
    const std::wstring pattern = systemPath(folder) + L"*";
    HANDLE h = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found_, FindExSearchNameMatch, nullptr,
                                FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) return false;
    listing_.reset(h);
    return nextListed(entry, false);
}

bool Win32FileSystem::findNext(DirEntry& entry) {
    if (!listing_) return false;
    return nextListed(entry, true);
}

namespace {

// The path of what a handle leads to, within its volume.
std::wstring reachedPathOf(HANDLE h) {
    std::vector<unsigned char> buffer(sizeof(FILE_NAME_INFO) + 32768 * sizeof(wchar_t));
    if (!GetFileInformationByHandleEx(h, FileNameInfo, buffer.data(), static_cast<DWORD>(buffer.size()))) return {};
    const auto* info = reinterpret_cast<const FILE_NAME_INFO*>(buffer.data());
    return std::wstring(info->FileName, info->FileNameLength / sizeof(wchar_t));
}

bool sameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// Deletes the object at `path` itself, never what a link there leads to.
// Wine shows a Unix link to a file as a plain file and deletes its target
// when asked to delete it by name; a handle's final path tells where it
// really leads, so only what is reached by the very name asked for goes.
FileError deleteItself(const std::string& path, bool folder) {
    if (holdsNul(path)) return FileError::PathNotFound;
    const std::wstring name = systemPath(path);
    FileHandle h(CreateFileW(name.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h) return fileErrorFrom(GetLastError());
    FILE_BASIC_INFO info{};
    if (!GetFileInformationByHandleEx(h.get(), FileBasicInfo, &info, sizeof info)) return fileErrorFrom(GetLastError());
    const bool isFolder = (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isFolder != folder) return FileError::PermissionDenied;
    if (info.FileAttributes & FILE_ATTRIBUTE_READONLY) return FileError::PermissionDenied;
    const std::size_t slash = name.find_last_of(L'\\');
    FileHandle parent(CreateFileW(name.substr(0, slash).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!parent) return fileErrorFrom(GetLastError());
    const std::wstring reached = reachedPathOf(h.get());
    if (reached.empty() || !sameName(reached, reachedPathOf(parent.get()) + name.substr(slash)))
        return FileError::PermissionDenied;  // a link: its target is not ours to delete
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!SetFileInformationByHandle(h.get(), FileDispositionInfo, &disposition, sizeof disposition))
        return fileErrorFrom(GetLastError());
    return FileError::None;
}

}  // namespace

FileError Win32FileSystem::deleteFile(const std::string& path) { return deleteItself(path, false); }

FileError Win32FileSystem::removeFolder(const std::string& path) { return deleteItself(path, true); }

}  // namespace win32
