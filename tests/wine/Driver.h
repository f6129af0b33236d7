// The one driver of the Wine tests: fresh folders per case (with Unix links
// made on the Linux side), the options file, and Pellmora.exe started as a
// user starts it and seen from outside, its controls named by ControlId.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/Layout.h"
#include "tools/driving/Driving.h"
#include "window/ControlTable.h"

namespace wine {

namespace fs = std::filesystem;
using driving::waitFor;
using pellmora::ControlId;

// The build folder whose Pellmora.exe and tools are tested.
fs::path buildFolder();
// The DPI the prefix was made for: PELLMORA_DPI, 96 when unset.
UINT prefixDpi();

std::string readFile(const fs::path& file);  // "<missing>" when it cannot be read
void writeFile(const fs::path& file, std::string_view bytes);

// Pellmora.ini's six lines, as the program writes them.
std::string iniFile(std::string_view path, int autoRun, int deleteAds, int runJuno, int close);

// A folder of its own for one case, removed afterwards on the Linux side,
// which never follows a link.
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    fs::path path(const fs::path& relative = {}) const { return relative.empty() ? root_ : root_ / relative; }
    // A file with its parent folders.
    void file(const fs::path& relative, std::string_view bytes = "ad") const;
    // A Unix symbolic link at `relative` to `target`, as a user makes one.
    void link(const fs::path& target, const fs::path& relative) const;
    // Runs `script` with /bin/sh on the Linux side, in this folder, without
    // waiting: the script marks its own progress with files. One at a time.
    void shell(std::string_view script) const;
    // The names in a folder, hidden ones too, sorted.
    std::vector<std::wstring> namesIn(const fs::path& relative) const;
    // Every path under `relative` with its attributes and a file's bytes;
    // links are recorded, never followed.
    std::map<std::wstring, std::string> snapshot(const fs::path& relative) const;

private:
    fs::path root_;
};

// Shift held down on the X keyboard until this goes, wherever the focus is.
// Input made inside Wine would not do: Wine puts its modifiers back to the
// X keyboard's state.
struct HeldShift {
    HeldShift() { press(true); }
    ~HeldShift() { press(false); }
    HeldShift(const HeldShift&) = delete;
    static void press(bool down);
};

// A run of a copy of Pellmora.exe in `app` (with `ini` as its Pellmora.ini),
// started with `arguments` inside a job, so that a client it starts goes
// with it.
class Pellmora {
public:
    Pellmora(const fs::path& app, std::optional<std::string_view> ini, const std::wstring& arguments = L"");
    ~Pellmora();

    // The visible main window once it takes messages; null if it never does.
    HWND window(DWORD timeoutMs = 20000);
    HWND control(ControlId id) const { return driving::descendant(window_, win32::controlIdOf(pellmora::row(id))); }
    std::wstring text(ControlId id) const { return driving::textOf(control(id)).value_or(L"<no answer>"); }
    void click(ControlId id) const { PostMessageW(control(id), BM_CLICK, 0, 0); }
    bool waitForText(ControlId id, const std::wstring& wanted, DWORD timeoutMs) const;

    bool exited(DWORD timeoutMs) const;
    std::string ini() const { return readFile(app_ / "Pellmora.ini"); }
    HANDLE process() const { return process_.hProcess; }

    // Real key input, to the window once it is in front.
    void press(WORD virtualKey) const { keys(virtualKey, 0, 0); }
    void typeText(const std::wstring& text) const {
        for (const wchar_t c : text) keys(0, c, KEYEVENTF_UNICODE);
    }

private:
    void keys(WORD virtualKey, wchar_t c, DWORD flags) const;
    fs::path app_;
    win32::KernelHandle job_;
    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
};

}  // namespace wine
