#include "window/frmMain.h"

#include <cmath>

#include "window/ControlTable.h"

namespace pellmora {

namespace {

constexpr float kScrollStep = 4.0f;  // twips per tick of the notice

// Round to nearest with halves to even, as the centring arithmetic wants.
std::int32_t roundToInt32(float twips) { return static_cast<std::int32_t>(std::nearbyint(twips)); }

}  // namespace

frmMain::frmMain(platform::Form& form, platform::WindowSystem& windows, platform::FileSystem& files,
                 platform::Processes& processes)
    : form_(form),
      windows_(windows),
      files_(files),
      processes_(processes),
      timScroll(form.timer(row(ControlId::timScroll))),
      timAutoClose(form.timer(row(ControlId::timAutoClose))),
      btnOK(form.get<platform::Button>(row(ControlId::btnOK))),
      btnCancel(form.get<platform::Button>(row(ControlId::btnCancel))),
      btnApply(form.get<platform::Button>(row(ControlId::btnApply))),
      Picture1(form.get<platform::StaticControl>(row(ControlId::Picture1))),
      pbStatus(form.get<platform::ProgressBar>(row(ControlId::pbStatus))),
      chkAutoRun(form.get<platform::CheckBox>(row(ControlId::chkAutoRun))),
      fraAutoRun(form.get<platform::StaticControl>(row(ControlId::fraAutoRun))),
      btnClosePellmora(form.get<platform::Button>(row(ControlId::btnClosePellmora))),
      chkClosePellmora(form.get<platform::CheckBox>(row(ControlId::chkClosePellmora))),
      btnRunJuno(form.get<platform::Button>(row(ControlId::btnRunJuno))),
      chkRunJuno(form.get<platform::CheckBox>(row(ControlId::chkRunJuno))),
      chkDeleteAds(form.get<platform::CheckBox>(row(ControlId::chkDeleteAds))),
      btnDeleteAds(form.get<platform::Button>(row(ControlId::btnDeleteAds))),
      txtJunoPath(form.get<platform::TextBox>(row(ControlId::txtJunoPath))),
      Label2(form.get<platform::Label>(row(ControlId::Label2))),
      Label1(form.get<platform::Label>(row(ControlId::Label1))),
      labStatus(form.get<platform::Label>(row(ControlId::labStatus))),
      labGeneral{&form.get<platform::Label>(row(ControlId::labGeneral0)),
                 &form.get<platform::Label>(row(ControlId::labGeneral1))},
      TabStrip1(form.get<platform::StaticControl>(row(ControlId::TabStrip1))) {
    form_.onKeyDown = [this](std::int16_t key, std::int16_t shift) { Form_KeyDown(key, shift); };
    btnOK.onClick = [this] { btnOK_Click(); };
    btnCancel.onClick = [this] { btnCancel_Click(); };
    btnApply.onClick = [this] { btnApply_Click(); };
    btnDeleteAds.onClick = [this] { btnDeleteAds_Click(); };
    btnRunJuno.onClick = [this] { btnRunJuno_Click(); };
    btnClosePellmora.onClick = [this] { btnClosePellmora_Click(); };
    chkAutoRun.onClick = [this] { chkAutoRun_Click(); };
    chkDeleteAds.onClick = [this] { chkDeleteAds_Click(); };
    chkRunJuno.onClick = [this] { chkRunJuno_Click(); };
    chkClosePellmora.onClick = [this] { chkclosepellmora_Click(); };
    txtJunoPath.onChange = [this] { txtJunoPath_Change(); };
    timAutoClose.onTick = [this] { timAutoClose_Timer(); };
    timScroll.onTick = [this] { timScroll_Timer(); };
}

// --- Start-up -------------------------------------------------------------

void frmMain::Form_Load() {
    form_.move(static_cast<float>(roundToInt32(windows_.screenWidth()) / 2 - roundToInt32(form_.outerWidth()) / 2),
               static_cast<float>(roundToInt32(windows_.screenHeight()) / 2 - roundToInt32(form_.outerHeight()) / 2));
    LoadOptions();
    txtJunoPath.setText(strJunoPath);
    fillCheckBox(chkAutoRun, bytAutoRun);
    fillCheckBox(chkDeleteAds, bytDeleteAds);
    fillCheckBox(chkRunJuno, bytRunJuno);
    fillCheckBox(chkClosePellmora, bytClosePellmora);

    // Auto-run: exactly 1, and no argument at all.
    if (bytAutoRun != 1 || !processes_.commandLine().empty()) return;
    form_.show();
    form_.refresh();
    if (bytDeleteAds != 0) DeleteAds();
    if (bytRunJuno != 0) RunJuno();
    if (bytClosePellmora != 0) labStatus.setCaption("Hold shift to keep Pellmora open.");
    if (bytClosePellmora != 0) timAutoClose.setEnabled(true);
}

// A box shows 0, 1 or 2; a hand-edited 3..255 shows grey and keeps its value
// until the user clicks the box, so the next save writes it back unchanged.
void frmMain::fillCheckBox(platform::CheckBox& box, std::uint8_t& option) {
    const std::uint8_t kept = option;
    box.setValue(static_cast<std::int16_t>(option > 2 ? 2 : option));
    option = kept;
}

// --- Shift hold and auto-close --------------------------------------------

void frmMain::Form_KeyDown(std::int16_t /*KeyCode*/, std::int16_t Shift) {
    if ((Shift & 1) != 0) blnShiftHeld = -1;
}

bool frmMain::Shift() {
    // A Shift held while another window has the focus (the client the
    // auto-run has just started takes it) sends us no key-down: the key
    // held down as the pending events end counts as one.
    if (windows_.doEvents()) blnShiftHeld = -1;
    return blnShiftHeld != 0;
}

void frmMain::timAutoClose_Timer() {
    // A tick that arrives while our message box is open, or while a close is
    // already letting events through, must not start a second save or close.
    if (messageBoxesOpen_ > 0 || saving_ || closing_) return;
    if (blnShiftHeld != 0) {
        timAutoClose.setEnabled(false);
        blnShiftHeld = 0;
        labStatus.setCaption("Ready.");
        return;
    }
    ClosePellmora();
}

void frmMain::ClosePellmora() {
    if (closing_) return;
    closing_ = true;
    const bool held = Shift();
    closing_ = false;
    if (held) return;  // the countdown stays on; its next tick says "Ready."
    SaveOptions();
    form_.unloadAndEnd();
}

void frmMain::btnClosePellmora_Click() {
    // Enabling a running countdown restarts its interval.
    timAutoClose.setEnabled(true);
}

// --- Option editing and dialog buttons -----------------------------------

void frmMain::chkAutoRun_Click() { bytAutoRun = static_cast<std::uint8_t>(chkAutoRun.value()); }
void frmMain::chkDeleteAds_Click() { bytDeleteAds = static_cast<std::uint8_t>(chkDeleteAds.value()); }
void frmMain::chkRunJuno_Click() { bytRunJuno = static_cast<std::uint8_t>(chkRunJuno.value()); }
void frmMain::chkclosepellmora_Click() { bytClosePellmora = static_cast<std::uint8_t>(chkClosePellmora.value()); }
void frmMain::txtJunoPath_Change() { strJunoPath = txtJunoPath.text(); }

void frmMain::btnApply_Click() { SaveOptions(); }

void frmMain::btnOK_Click() {
    SaveOptions();
    form_.unloadAndEnd();
}

void frmMain::btnCancel_Click() { form_.unloadAndEnd(); }

void frmMain::btnDeleteAds_Click() { DeleteAds(); }
void frmMain::btnRunJuno_Click() { RunJuno(); }

// --- Scrolling notice -----------------------------------------------------

void frmMain::timScroll_Timer() {
    const float left = Label2.left();
    Label2.setLeft(left - kScrollStep);
    const float width = Label2.width();
    const float negWidth = -width;
    if (Label2.left() < negWidth) Label2.setLeft(Picture1.width());
}

// --- Shared helpers -------------------------------------------------------

void frmMain::showMessage(std::string_view text) {
    ++messageBoxesOpen_;
    windows_.messageBox(text, platform::MessageStyle::ExclamationOk, kAppTitle);
    --messageBoxesOpen_;
}

void frmMain::cutTrailingBackslash() {
    if (!strJunoPath.empty() && strJunoPath.back() == '\\') strJunoPath.pop_back();
}

}  // namespace pellmora
