// Loading and saving the option set. A file is written to a temporary name
// beside Pellmora.ini and only then put in its place, so a save that fails
// at any point leaves the previous file exactly as it was.
#include "window/frmMain.h"

#include <optional>

#include "platform/Utf8.h"

namespace pellmora {

using platform::FileError;

namespace {

constexpr int kNormalFile = 1;
constexpr int kRebuildFile = 2;
constexpr std::string_view kOptionsMessage =
    "An Unexpected error has occured while trying to read Pellmora.ini. Pellmora will try to rebuild this file.";

// The lines as the file holds them: in the ANSI code page when it holds
// every character, byte for byte as the file has always been written;
// otherwise UTF-8, the first line behind the mark that tells the reader so.
// A path in any script is kept whole, and a file that fits stays as it was.
OptionLines inFileCode(const platform::FileSystem& files, OptionLines lines) {
    OptionLines ansi;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::optional<std::string> bytes = files.toAnsi(lines[i]);
        if (!bytes) {
            lines.front().insert(0, kUtf8Mark);
            return lines;
        }
        ansi[i] = std::move(*bytes);
    }
    return ansi;
}

// The file's text as UTF-8: behind the mark it is UTF-8 already, and must
// be; any other file is in the ANSI code page. Nothing for a file that is
// not what its mark says.
std::optional<std::string> textOf(const platform::FileSystem& files, std::string_view bytes) {
    if (!bytes.starts_with(kUtf8Mark)) return files.fromAnsi(bytes);
    bytes.remove_prefix(kUtf8Mark.size());
    if (!platform::isUtf8(bytes)) return std::nullopt;
    return std::string(bytes);
}

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
    for (const std::string& line : inFileCode(files_, lines)) {
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
    std::string bytes;
    if (error == FileError::None) error = files_.readAll(kNormalFile, bytes);
    if (error == FileError::None) {
        const std::optional<std::string> text = textOf(files_, bytes);
        if (!text || readOptionItems(*text, *this) != ReadError::None) error = FileError::Failed;
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
