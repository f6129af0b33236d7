// Drives Pellmora.exe under Wine for the fault cases: a fresh folder tree per
// case (program folder, mail-client installation, things outside it), Unix
// symbolic links made by the Linux side's own ln, snapshots of the tree that
// never follow a link, and the program's window and message boxes seen from
// outside.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace robust_wine {

// Control IDs of the real window: 100 + the control's place in the table.
inline constexpr int kBtnCancel = 103;
inline constexpr int kBtnApply = 104;
inline constexpr int kPbStatus = 106;
inline constexpr int kBtnDeleteAds = 114;
inline constexpr int kTxtJunoPath = 115;
inline constexpr int kLabStatus = 118;

inline constexpr std::string_view kOptionsMessage =
    "An Unexpected error has occured while trying to read Pellmora.ini. Pellmora will try to rebuild this file.";

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);
// In the ANSI code page, as Pellmora.ini holds text; nullopt when a
// character does not fit.
std::optional<std::string> ansi(std::wstring_view wide);

std::optional<std::string> readFile(const std::wstring& path);
bool writeFile(const std::wstring& path, std::string_view bytes);
bool makeFolders(const std::wstring& path);
bool exists(const std::wstring& path);
// A Unix symbolic link at `link` pointing at `target`, made by /bin/ln;
// true once it is listed.
bool unixLink(const std::wstring& target, const std::wstring& link);
// `count` entry folders ad0, ad1, ... each holding one small file, made by
// the Linux side's python3.
bool fillUnix(const std::wstring& folder, int count);
// Names directly in a folder, without "." and "..".
std::vector<std::wstring> entries(const std::wstring& folder);

// The six lines of Pellmora.ini, bytes as given.
std::string iniFile(std::string_view path, int autoRun, int deleteAds, int runJuno, int closePellmora);

// Every file and folder under a root, links included but never followed:
// kind, size, last write time and attributes.
struct Entry {
    DWORD attributes;
    std::uint64_t size;
    std::uint64_t written;
    bool operator==(const Entry&) const = default;
};
using Tree = std::map<std::wstring, Entry>;
Tree snapshot(const std::wstring& root);
// Paths that appeared, vanished or changed and lie under none of `targets`.
std::vector<std::wstring> touchedOutside(const Tree& before, const Tree& after,
                                         const std::vector<std::wstring>& targets);

// <temp>\pellmora-robust-<pid>-<n>: app\Pellmora.exe (a copy), juno\ with
// BIN\Juno.exe, outside\ for what must never be touched. Removed with rm -rf,
// which does not follow links.
class Case {
public:
    Case();
    ~Case();
    Case(const Case&) = delete;
    Case& operator=(const Case&) = delete;

    const std::wstring& root() const { return root_; }
    std::wstring path(std::wstring_view relative) const { return root_ + L"\\" + std::wstring(relative); }
    std::wstring ini() const { return path(L"app\\Pellmora.ini"); }
    std::wstring ads() const { return path(L"juno\\ads"); }
    // The installation folder as Pellmora.ini holds it (UTF-8 here).
    std::string junoPath() const { return narrow(path(L"juno")); }

private:
    std::wstring root_;
};

// One run of the copy of Pellmora.exe in a case's app folder.
class Pellmora {
public:
    explicit Pellmora(const Case& where);
    ~Pellmora();
    Pellmora(const Pellmora&) = delete;
    Pellmora& operator=(const Pellmora&) = delete;

    bool started() const { return process_ != nullptr; }
    bool running() const;
    // The main window once visible; nullptr after the timeout. A message
    // box that opens first is left open and `dialog()` finds it.
    HWND waitForWindow(DWORD timeoutMs = 20000);
    // The process's message box, if one is open or opens in time.
    HWND waitForDialog(DWORD timeoutMs);
    // Its text and title, then OK; false when none came.
    struct Message {
        std::string text, title;
    };
    std::optional<Message> answerDialog(DWORD timeoutMs = 10000);

    HWND control(int id) const;
    std::wstring text(int id) const;
    // Posted, so that a message box the click opens does not block us.
    void click(int id) const;
    // Polls the label until it holds a final text of the cleanup.
    std::optional<std::wstring> waitForCleanupEnd(DWORD timeoutMs) const;
    int progressPosition() const;
    int progressMaximum() const;
    bool close(DWORD timeoutMs = 10000);

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
};

}  // namespace robust_wine
