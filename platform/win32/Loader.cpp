#include "platform/win32/Loader.h"

#include "platform/win32/SystemCalls.h"

namespace win32 {

void restrictDllSearch() {
    const SystemCalls& calls = systemCalls();
    // SearchPath, too, then looks in the current folder last, for good.
    if (calls.setSearchPathMode)
        calls.setSearchPathMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
    if (calls.setDefaultDllDirectories && calls.setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    SetDllDirectoryW(L"");
}

}  // namespace win32
