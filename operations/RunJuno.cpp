// Starts the mail client from its installation folder, or says why not.
#include "operations/FullPath.h"
#include "window/frmMain.h"

namespace pellmora {

void frmMain::RunJuno() {
    cutTrailingBackslash();
    const std::string program = strJunoPath + "\\BIN\\Juno.exe";
    // A program found through the current folder could be anyone's: not started.
    if (!isFullPath(program) || !processes_.startProgram(program)) {
        // The message names the tail in lower case; the start uses BIN\Juno.exe.
        showMessage("Juno.exe was not found at " + strJunoPath + "\\bin\\juno.exe or Juno is already open.");
        return;
    }
    labStatus.setCaption("Run Juno Successful.");
    labStatus.refresh();
}

}  // namespace pellmora
