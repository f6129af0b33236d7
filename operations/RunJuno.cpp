// Starts the mail client from its installation folder, or says why not.
#include "window/frmMain.h"

namespace pellmora {

void frmMain::RunJuno() {
    cutTrailingBackslash();
    if (!processes_.startProgram(strJunoPath + "\\BIN\\Juno.exe")) {
        // The message names the tail in lower case; the start uses BIN\Juno.exe.
        showMessage("Juno.exe was not found at " + strJunoPath + "\\bin\\juno.exe or Juno is already open.");
        return;
    }
    labStatus.setCaption("Run Juno Successful.");
    labStatus.refresh();
}

}  // namespace pellmora
