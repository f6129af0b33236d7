// The main window: the one object that holds state for the whole run. Its
// fields are the option set and the Shift flag; its methods are the
// operations; its handlers are bound to the controls of the control table.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "options/OptionsFile.h"
#include "platform/FileSystem.h"
#include "platform/Processes.h"
#include "platform/Window.h"

namespace pellmora {

inline constexpr std::string_view kAppTitle = "Pellmora";

class frmMain : public OptionSet {
public:
    frmMain(platform::Form& form, platform::WindowSystem& windows, platform::FileSystem& files,
            platform::Processes& processes);
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // True is -1, False 0.
    std::int16_t blnShiftHeld = 0;

    void LoadOptions();
    void SaveOptions();
    void DeleteAds();
    void RunJuno();
    void ClosePellmora();
    bool Shift();

    void Form_Load();
    void Form_KeyDown(std::int16_t KeyCode, std::int16_t Shift);

    void btnOK_Click();
    void btnCancel_Click();
    void btnApply_Click();
    void btnDeleteAds_Click();
    void btnRunJuno_Click();
    void btnClosePellmora_Click();
    void chkAutoRun_Click();
    void chkDeleteAds_Click();
    void chkRunJuno_Click();
    void chkclosepellmora_Click();
    void txtJunoPath_Change();
    void timAutoClose_Timer();
    void timScroll_Timer();

    // Pellmora.ini beside the executable, formed afresh at each use.
    std::string optionsFileName() const;

private:
    void cutTrailingBackslash();
    void showMessage(std::string_view text);
    void showOptionsMessage();
    bool writeOptionsFile(int fileNumber, const OptionLines& lines);
    void rebuildOptionsFile();
    void fillCheckBox(platform::CheckBox& box, std::uint8_t& option);

    platform::Form& form_;
    platform::WindowSystem& windows_;
    platform::FileSystem& files_;
    platform::Processes& processes_;

    // Guards against re-entry from ticks delivered while a modal message box
    // or the pending-events pass of Shift() runs.
    int messageBoxesOpen_ = 0;
    bool saving_ = false;
    bool closing_ = false;

public:
    // The controls, by their names in the control table.
    platform::Timer& timScroll;
    platform::Timer& timAutoClose;
    platform::Button& btnOK;
    platform::Button& btnCancel;
    platform::Button& btnApply;
    platform::StaticControl& Picture1;
    platform::ProgressBar& pbStatus;
    platform::CheckBox& chkAutoRun;
    platform::StaticControl& fraAutoRun;
    platform::Button& btnClosePellmora;
    platform::CheckBox& chkClosePellmora;
    platform::Button& btnRunJuno;
    platform::CheckBox& chkRunJuno;
    platform::CheckBox& chkDeleteAds;
    platform::Button& btnDeleteAds;
    platform::TextBox& txtJunoPath;
    platform::Label& Label2;
    platform::Label& Label1;
    platform::Label& labStatus;
    const std::array<platform::Label*, 2> labGeneral;  // the window's one control array
    platform::StaticControl& TabStrip1;
};

}  // namespace pellmora
