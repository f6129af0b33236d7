// Path and command-line text rules of the Win32 layer. Plain string work on
// UTF-16 text, kept free of Windows headers so the native tests can check it.
#pragma once

#include <string>
#include <string_view>

namespace win32 {

inline bool isSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

inline bool startsWith(std::wstring_view text, std::wstring_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// "C:\..." of a full path in the extended-length form "\\?\C:\...", and a
// UNC path "\\server\share\..." as "\\?\UNC\server\share\...", so that paths
// beyond the classic 260 characters work. Paths already in a device or
// extended form, and anything that is not a full path, stay as they are.
inline std::wstring extendedLengthForm(std::wstring_view fullPath) {
    if (startsWith(fullPath, L"\\\\?\\") || startsWith(fullPath, L"\\\\.\\") || startsWith(fullPath, L"\\??\\"))
        return std::wstring(fullPath);
    // The extended form is taken literally: "/" is no separator there.
    const auto literal = [](std::wstring_view path) {
        std::wstring text(path);
        for (wchar_t& c : text)
            if (c == L'/') c = L'\\';
        return text;
    };
    if (fullPath.size() >= 3 && fullPath[1] == L':' && isSlash(fullPath[2])) return L"\\\\?\\" + literal(fullPath);
    if (fullPath.size() > 2 && isSlash(fullPath[0]) && isSlash(fullPath[1]))
        return L"\\\\?\\UNC\\" + literal(fullPath.substr(2));
    return std::wstring(fullPath);
}

// The inverse, for paths the logic will see: "\\?\UNC\s\x" as "\\s\x",
// "\\?\C:\x" as "C:\x".
inline std::wstring withoutExtendedPrefix(std::wstring_view path) {
    if (startsWith(path, L"\\\\?\\UNC\\")) return L"\\\\" + std::wstring(path.substr(8));
    if (startsWith(path, L"\\\\?\\")) return std::wstring(path.substr(4));
    return std::wstring(path);
}

// The folder part of an executable's path: no trailing "\" except at a drive
// root ("C:\Pellmora.exe" gives "C:\").
inline std::wstring folderOf(std::wstring_view filePath) {
    const std::size_t slash = filePath.find_last_of(L"\\/");
    if (slash == std::wstring_view::npos) return std::wstring();
    std::wstring folder(filePath.substr(0, slash));
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
    return folder;
}

// A process's command line without the program's own name: the first token
// (quoted, up to the closing quote, or unquoted, up to the first blank) and
// the blanks after it are removed; the rest is handed over untouched.
inline std::wstring_view argumentsAfterProgramName(std::wstring_view commandLine) {
    std::size_t i = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        const std::size_t close = commandLine.find(L'"', 1);
        i = close == std::wstring_view::npos ? commandLine.size() : close + 1;
    }
    while (i < commandLine.size() && commandLine[i] != L' ' && commandLine[i] != L'\t') ++i;
    while (i < commandLine.size() && (commandLine[i] == L' ' || commandLine[i] == L'\t')) ++i;
    return commandLine.substr(i);
}

// The command line that names a program started by its full path: quoted
// when it holds a blank, so the started program sees one argument zero.
inline std::wstring commandLineFor(std::wstring_view programPath) {
    if (programPath.find_first_of(L" \t") == std::wstring_view::npos) return std::wstring(programPath);
    return L"\"" + std::wstring(programPath) + L"\"";
}

}  // namespace win32
