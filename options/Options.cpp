// Loading and saving the option set. A file is written to a temporary name
// beside Pellmora.ini and only then put in its place, so a save that fails
// at any point leaves the previous file exactly as it was.
#include "window/frmMain.h"

namespace pellmora {

using platform::FileError;

namespace {

constexpr int kNormalFile = 1;
constexpr int kRebuildFile = 2;
constexpr std::string_view kOptionsMessage =
    "An Unexpected error has occured while trying to read Pellmora.ini. Pellmora will try to rebuild this file.";

}  // namespace

std::string frmMain::optionsFileName() const {
    // Appended without a check: at a drive root the name holds "\\".
    return files_.programFolder() + "\\Pellmora.ini";
}

void frmMain::showOptionsMessage() { showMessage(kOptionsMessage); }

bool frmMain::writeOptionsFile(int fileNumber, const OptionLines& lines) {
    const std::string target = optionsFileName();
    const std::string temporary = target + ".tmp";
    bool ok = files_.openOutput(fileNumber, temporary) == FileError::None;
    for (const std::string& line : lines) {
        if (!ok) break;
        ok = files_.writeLine(fileNumber, line) == FileError::None;
    }
    const bool closed = files_.close(fileNumber) == FileError::None;
    ok = ok && closed && files_.replaceFile(temporary, target) == FileError::None;
    if (!ok) files_.deleteFile(temporary);
    return ok;
}

// A failure of the rebuild itself is not reported: the program keeps running
// with the option set it has.
void frmMain::rebuildOptionsFile() { writeOptionsFile(kRebuildFile, defaultOptionLines()); }

void frmMain::LoadOptions() {
    const std::string name = optionsFileName();
    FileError error = files_.openInput(kNormalFile, name);
    if (error == FileError::None) {
        std::string text;
        error = files_.readAll(kNormalFile, text);
        if (error == FileError::None && readOptionItems(text, *this) != ReadError::None) error = FileError::Failed;
    }
    files_.close(kNormalFile);
    if (error == FileError::None) return;
    // A missing file is rebuilt silently; anything else is said once first.
    if (error != FileError::FileNotFound) showOptionsMessage();
    rebuildOptionsFile();
}

void frmMain::SaveOptions() {
    if (saving_) return;  // a tick during our own message box must not start another
    saving_ = true;
    const bool hadFile = files_.fileExists(optionsFileName());
    const bool saved = isWritablePath(strJunoPath) && writeOptionsFile(kNormalFile, optionLines(*this));
    if (!saved) {
        showOptionsMessage();
        // Defaults replace nothing the user had; an existing file stays as it was.
        if (!hadFile) rebuildOptionsFile();
    }
    saving_ = false;
}

}  // namespace pellmora
