// Where the loader looks for a DLL named without a folder. Pellmora lives in
// a folder its user can write to (Downloads, the desktop), so a DLL planted
// there must never be loaded in place of the system's.
#pragma once

namespace win32 {

// From now on, this process loads DLLs named bare from the system folder
// only. Called first thing, before anything loads a DLL late (the themed
// controls do). Without SetDefaultDllDirectories (Windows 7 before
// KB2533623) the current folder at least leaves the search.
void restrictDllSearch();

}  // namespace win32
