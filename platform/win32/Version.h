// The one place the executable's version lives: the resource script and any
// code that needs the version read it from here. Plain defines only, since
// the resource compiler preprocesses this file too.
#pragma once

#define PELLMORA_VERSION_MAJOR 1
#define PELLMORA_VERSION_MINOR 0
#define PELLMORA_VERSION_PATCH 0
#define PELLMORA_VERSION_BUILD 1
#define PELLMORA_VERSION_TEXT "1.00.0001"

#define PELLMORA_PRODUCT_NAME "Pellmora"
#define PELLMORA_FILE_NAME "Pellmora.exe"
#define PELLMORA_DESCRIPTION \
    "Pellmora - Cleans up unwanted Juno ads before starting Juno and helps save disk space."
#define PELLMORA_COMPANY "Pellmora developers"
#define PELLMORA_COMMENTS "Empties the mail client's ads folder and starts the client."
#define PELLMORA_COPYRIGHT "Copyright 2026 by the Pellmora developers. All rights reserved."
