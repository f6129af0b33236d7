// The file system on Win32: wide calls, extended-length paths inside, UTF-8
// paths outside. Also usable on its own (benchmarks, tests).
#pragma once

#include <map>
#include <string>

#include "platform/FileSystem.h"
#include "platform/win32/Handles.h"

namespace win32 {

// The extended-length form of `path` made absolute, as this layer passes
// every path to the system.
std::wstring systemPath(const std::string& path);

platform::FileError fileErrorFrom(DWORD error);

class Win32FileSystem : public platform::FileSystem {
public:
    std::string programFolder() const override;

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
    struct OpenFile {
        FileHandle handle;
        bool output = false;
    };
    platform::FileError open(int fileNumber, const std::string& path, bool output);

    std::map<int, OpenFile> files_;
};

}  // namespace win32
