// Runs the real Pellmora.exe against real folders and looks at the outcome
// from outside: trees made and checked with the plain file API, the window
// driven through its controls' IDs, every wait bounded.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace cleanup {

struct Config {
    std::wstring pellmoraExe;
    std::wstring junoExe;
    // A Linux folder prepared by run.sh with what only the Linux side can
    // make (symbolic links); empty when the suite was started without it.
    std::wstring unixScratch;
};
Config& config();

// Control IDs of the main window: 100 plus the control's creation index.
enum ControlId : int {
    kBtnCancel = 103,
    kPbStatus = 106,
    kBtnRunJuno = 111,
    kBtnDeleteAds = 114,
    kLabStatus = 118,
};

std::wstring widen(std::string_view text);
std::string narrow(std::wstring_view text);
// Windows path of a Linux path under Wine; empty elsewhere or on failure.
std::wstring dosPathOf(const std::wstring& unixPath);

// --- Trees on disk ---------------------------------------------------------
// All of these take plain absolute paths and use the extended-length form
// themselves, so paths past the classic limit work.
std::wstring longForm(const std::wstring& path);
bool makeFolder(const std::wstring& path);
bool makeFile(const std::wstring& path, std::string_view bytes = "sample ad");
bool exists(const std::wstring& path);
DWORD attributes(const std::wstring& path);
std::optional<std::string> readFile(const std::wstring& path);
// Every name in a folder but "." and "..", hidden ones included, sorted.
std::vector<std::wstring> namesIn(const std::wstring& folder);
// Removes a tree, never through a link: a link is removed itself.
void removeTree(const std::wstring& path);

// A folder of its own under the temporary folder, removed afterwards.
class Scratch {
public:
    Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    ~Scratch();
    const std::wstring& path() const { return path_; }
    std::wstring operator/(std::wstring_view name) const { return path_ + L"\\" + std::wstring(name); }

private:
    std::wstring path_;
};

// --- The program -----------------------------------------------------------

// A copy of Pellmora.exe in `appFolder` with a Pellmora.ini whose path is
// `junoPath` (auto-run off). The destructor ends the run: Cancel, and if the
// process does not end, termination.
class Pellmora {
public:
    Pellmora(const std::wstring& appFolder, const std::wstring& junoPath);
    Pellmora(const Pellmora&) = delete;
    Pellmora& operator=(const Pellmora&) = delete;
    ~Pellmora();

    // Starts it and waits until its window is up and idle.
    ::testing::AssertionResult start();

    HWND window() const { return window_; }
    HWND control(int id) const;
    DWORD processId() const { return processId_; }

    void click(int id) const;
    // The caption of labStatus, read without waiting for the program.
    std::wstring status() const;
    // Polls the status until `done` holds: that text, or nullopt at the end
    // of `timeoutMs`.
    std::optional<std::wstring> waitForStatus(const std::function<bool(const std::wstring&)>& done,
                                              DWORD timeoutMs) const;
    // Waits until the program handles messages again (its handler returned).
    bool waitUntilIdle(DWORD timeoutMs) const;
    // Clicks "Delete Ads Now" and returns the end text, or nullopt when none
    // came within `timeoutMs`.
    std::optional<std::wstring> deleteAds(DWORD timeoutMs = 60000) const;
    int progressPosition() const;
    int progressMaximum() const;
    // A message box (#32770) of the process, once one is open.
    HWND waitForMessageBox(DWORD timeoutMs) const;

private:
    std::wstring exe_;
    PROCESS_INFORMATION process_{};
    DWORD processId_ = 0;
    HWND window_ = nullptr;
};

// The end texts of a cleanup run.
bool isEndText(const std::wstring& text);
std::wstring endTextFor(std::size_t entriesLeft);

std::vector<HWND> topLevelWindows(DWORD processId, std::wstring_view cls);
std::wstring windowText(HWND hwnd);
std::wstring className(HWND hwnd);
// Ends the processes whose main image is `exePath`, closing their windows
// first; says how many there were.
int closeProgramsAt(const std::wstring& exePath);

}  // namespace cleanup
