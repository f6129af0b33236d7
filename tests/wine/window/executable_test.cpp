// What Pellmora.exe carries besides code, read back with the system's own
// calls: the version record, the manifest, and the DLLs it imports.
#include "Harness.h"

namespace harness {

// The file mapped as an image, not run: its sections sit at their addresses.
struct Image {
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ~Image() { FreeLibrary(module); }
    const char* at(DWORD rva) const { return reinterpret_cast<const char*>(module) - 2 + rva; }  // low bits tag it
    DWORD word(DWORD rva) const { return *reinterpret_cast<const DWORD*>(at(rva)); }
};

TEST(Resources, VersionRecordAndManifest) {
    std::vector<char> record(GetFileVersionInfoSizeW(exe.c_str(), nullptr));
    ASSERT_TRUE(!record.empty() && GetFileVersionInfoW(exe.c_str(), 0, DWORD(record.size()), record.data()));
    auto value = [&](const std::wstring& key) {  // a string, or the words of the translation
        void* at = nullptr;
        UINT n = 0;
        if (!VerQueryValueW(record.data(), key.c_str(), &at, &n)) return std::wstring(L"<missing>");
        return std::wstring(static_cast<const wchar_t*>(at), key.starts_with(L"\\Var") ? n / 2 : n - 1);
    };
    for (const auto& [name, wanted] :
         {std::pair{L"FileVersion", L"1.00.0001"}, {L"ProductVersion", L"1.00.0001"}, {L"ProductName", L"Pellmora"},
          {L"InternalName", L"Pellmora"}, {L"OriginalFilename", L"Pellmora.exe"},
          {L"FileDescription", L"Pellmora - Cleans up unwanted Juno ads before starting Juno and helps save disk space."}})
        EXPECT_EQ(value(std::wstring(L"\\StringFileInfo\\040904b0\\") + name), wanted);
    EXPECT_EQ(value(L"\\VarFileInfo\\Translation"), (std::wstring{0x0409, 1200})) << "one language, US English";

    const Image image;
    const HRSRC manifest = FindResourceW(image.module, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(manifest, nullptr) << "no RT_MANIFEST resource 1";
    const std::string_view text(static_cast<const char*>(LockResource(LoadResource(image.module, manifest))),
                                SizeofResource(image.module, manifest));
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string_view::npos);
}

// It must run on a bare Windows: it imports only DLLs that ship with the system.
TEST(Executable, ImportsOnlyDllsThatShipWithWindows) {
    const Image image;
    ASSERT_NE(image.module, nullptr);
    const auto& nt = *reinterpret_cast<const IMAGE_NT_HEADERS*>(image.at(image.word(0x3C)));  // e_lfanew, own bitness
    ASSERT_EQ(nt.Signature, IMAGE_NT_SIGNATURE);
    const std::string system = " kernel32.dll user32.dll gdi32.dll comctl32.dll shell32.dll advapi32.dll version.dll"
                               " ole32.dll oleaut32.dll uxtheme.dll msvcrt.dll ucrtbase.dll ntdll.dll comdlg32.dll"
                               " shlwapi.dll ";
    int windowDlls = 0;  // a window program needs kernel32 and user32: without them the table was misread
    // Import descriptors: 20 bytes each, the address of the DLL's name at 12, a zero one last.
    const DWORD table = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (DWORD d = table; table != 0 && image.word(d + 12) != 0; d += 20) {
        std::string name = image.at(image.word(d + 12));
        CharLowerA(name.data());
        windowDlls += name == "kernel32.dll" || name == "user32.dll";
        EXPECT_TRUE(name.starts_with("api-ms-win-") || system.find(" " + name + " ") != std::string::npos) << name;
    }
    EXPECT_EQ(windowDlls, 2);
}

}  // namespace harness
