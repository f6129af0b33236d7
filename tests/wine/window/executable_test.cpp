// Pellmora.exe must run on a bare Windows: it may import only DLLs that ship
// with the system. Read from the file's own import tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "Harness.h"

namespace {

class PeFile {
public:
    explicit PeFile(std::string bytes) : bytes_(std::move(bytes)) {
        IMAGE_DOS_HEADER dos;
        if (!copy(0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return;
        if (!copy(static_cast<std::size_t>(dos.e_lfanew), nt_) || nt_.Signature != IMAGE_NT_SIGNATURE) return;
        if (nt_.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) return;
        const std::size_t first = static_cast<std::size_t>(dos.e_lfanew) +
                                  offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + nt_.FileHeader.SizeOfOptionalHeader;
        sections_.resize(nt_.FileHeader.NumberOfSections);
        for (std::size_t i = 0; i < sections_.size(); ++i)
            if (!copy(first + i * sizeof(IMAGE_SECTION_HEADER), sections_[i])) return;
        valid_ = true;
    }

    bool valid() const { return valid_; }
    const IMAGE_NT_HEADERS64& headers() const { return nt_; }

    // Names of the DLLs of the import table and of the delay-load table.
    std::optional<std::vector<std::string>> importedDlls() const {
        std::vector<std::string> names;
        const auto& imports = nt_.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (imports.VirtualAddress != 0) {
            auto at = offset(imports.VirtualAddress);
            if (!at) return std::nullopt;
            for (IMAGE_IMPORT_DESCRIPTOR d;; *at += sizeof d) {
                if (!copy(*at, d)) return std::nullopt;
                if (d.Name == 0) break;
                auto name = text(d.Name);
                if (!name) return std::nullopt;
                names.push_back(*name);
            }
        }
        const auto& delayed = nt_.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
        if (delayed.VirtualAddress != 0) {
            auto at = offset(delayed.VirtualAddress);
            if (!at) return std::nullopt;
            for (IMAGE_DELAYLOAD_DESCRIPTOR d;; *at += sizeof d) {
                if (!copy(*at, d)) return std::nullopt;
                if (d.DllNameRVA == 0) break;
                auto name = text(d.DllNameRVA);
                if (!name) return std::nullopt;
                names.push_back(*name);
            }
        }
        return names;
    }

private:
    template <class T>
    bool copy(std::size_t at, T& out) const {
        if (at > bytes_.size() || bytes_.size() - at < sizeof(T)) return false;
        std::memcpy(&out, bytes_.data() + at, sizeof(T));
        return true;
    }

    std::optional<std::size_t> offset(DWORD rva) const {
        for (const auto& s : sections_) {
            const DWORD size = std::max(s.Misc.VirtualSize, s.SizeOfRawData);
            if (rva >= s.VirtualAddress && rva - s.VirtualAddress < size)
                return std::size_t{s.PointerToRawData} + (rva - s.VirtualAddress);
        }
        return std::nullopt;
    }

    std::optional<std::string> text(DWORD rva) const {
        auto at = offset(rva);
        if (!at || *at >= bytes_.size()) return std::nullopt;
        const std::size_t end = bytes_.find('\0', *at);
        if (end == std::string::npos) return std::nullopt;
        return bytes_.substr(*at, end - *at);
    }

    std::string bytes_;
    IMAGE_NT_HEADERS64 nt_{};
    std::vector<IMAGE_SECTION_HEADER> sections_;
    bool valid_ = false;
};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool isSystemDll(const std::string& name) {
    static const char* const kSystem[] = {
        "kernel32.dll", "user32.dll", "gdi32.dll",    "comctl32.dll", "shell32.dll", "advapi32.dll",
        "version.dll",  "ole32.dll",  "oleaut32.dll", "uxtheme.dll",  "msvcrt.dll",  "ucrtbase.dll",
        "ntdll.dll",    "comdlg32.dll", "shlwapi.dll",
    };
    const std::string n = lower(name);
    if (n.starts_with("api-ms-win-")) return true;
    return std::find(std::begin(kSystem), std::end(kSystem), n) != std::end(kSystem);
}

TEST(Executable, ImportsOnlyDllsThatShipWithWindows) {
    const auto bytes = harness::readFile(harness::pellmoraExe());
    ASSERT_TRUE(bytes.has_value()) << "cannot read " << harness::narrow(harness::pellmoraExe());
    const PeFile pe(*bytes);
    ASSERT_TRUE(pe.valid()) << "not a 64-bit PE file";
    EXPECT_EQ(pe.headers().OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI) << "a console would open";

    const auto dlls = pe.importedDlls();
    ASSERT_TRUE(dlls.has_value()) << "import table out of the file's bounds";
    std::vector<std::string> names;
    for (const auto& d : *dlls) names.push_back(lower(d));
    // A window program needs these two; their absence means the table was misread.
    EXPECT_NE(std::find(names.begin(), names.end(), "kernel32.dll"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "user32.dll"), names.end());
    for (const auto& n : names) {
        EXPECT_TRUE(isSystemDll(n)) << n << " does not ship with Windows";
        for (const char* runtime : {"libstdc++", "libgcc", "winpthread"})
            EXPECT_EQ(n.find(runtime), std::string::npos) << n << ": link the runtime statically";
    }
}

}  // namespace
