// What Pellmora.exe carries besides code: the version record, the icon and
// the manifest, read back with the system's own resource and version calls.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Harness.h"

namespace {

using harness::pellmoraExe;

class Module {
public:
    explicit Module(const std::wstring& path)
        : h_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    ~Module() {
        if (h_ != nullptr) FreeLibrary(h_);
    }
    HMODULE get() const { return h_; }

    // The bytes of one resource, empty when there is none.
    std::string_view resource(LPCWSTR type, LPCWSTR name) const {
        HRSRC found = FindResourceW(h_, name, type);
        if (found == nullptr) return {};
        HGLOBAL loaded = LoadResource(h_, found);
        const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
        if (data == nullptr) return {};
        return {static_cast<const char*>(data), SizeofResource(h_, found)};
    }

private:
    HMODULE h_;
};

TEST(Resources, VersionRecordAsPublished) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(pellmoraExe().c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version record";
    std::vector<char> record(size);
    ASSERT_TRUE(GetFileVersionInfoW(pellmoraExe().c_str(), 0, size, record.data()));

    auto text = [&](const wchar_t* name) -> std::string {
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(record.data(), key.c_str(), &value, &length) || value == nullptr) return "<missing>";
        return harness::narrow(static_cast<const wchar_t*>(value));
    };
    EXPECT_EQ(text(L"FileVersion"), "1.00.0001");
    EXPECT_EQ(text(L"ProductVersion"), "1.00.0001");
    EXPECT_EQ(text(L"FileDescription"),
              "Pellmora - Cleans up unwanted Juno ads before starting Juno and helps save disk space.");
    EXPECT_EQ(text(L"ProductName"), "Pellmora");
    EXPECT_EQ(text(L"InternalName"), "Pellmora");
    EXPECT_EQ(text(L"OriginalFilename"), "Pellmora.exe");

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u) << "exactly one language";
    const auto* words = static_cast<const WORD*>(value);
    EXPECT_EQ(words[0], 0x0409);
    EXPECT_EQ(words[1], 1200);

    ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(static_cast<const VS_FIXEDFILEINFO*>(value)->dwSignature, 0xFEEF04BDu);
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

struct IconGroup {
    WORD reserved, type, count;
};

// A 32 x 32 16-colour image, mostly bright green, with grey (the nib) and
// dark green (the shadow) in it.
TEST(Resources, IconIsAPenNibOnAGreenSquare) {
    EXPECT_GE(ExtractIconExW(pellmoraExe().c_str(), -1, nullptr, nullptr, 0), 1u);

    Module exe(pellmoraExe());
    ASSERT_NE(exe.get(), nullptr);
    LPWSTR firstGroup = nullptr;
    EnumResourceNamesW(
        exe.get(), RT_GROUP_ICON,
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
            *reinterpret_cast<LPWSTR*>(param) = IS_INTRESOURCE(name) ? name : _wcsdup(name);
            return FALSE;
        },
        reinterpret_cast<LONG_PTR>(&firstGroup));
    ASSERT_NE(firstGroup, nullptr) << "no icon group";
    const std::string_view group = exe.resource(RT_GROUP_ICON, firstGroup);
    if (!IS_INTRESOURCE(firstGroup)) free(firstGroup);
    ASSERT_GE(group.size(), sizeof(IconGroup));
    IconGroup header;
    std::memcpy(&header, group.data(), sizeof header);
    EXPECT_EQ(header.type, 1);
    ASSERT_EQ(group.size(), sizeof(IconGroup) + header.count * sizeof(IconGroupEntry));

    const IconGroupEntry* match = nullptr;
    std::vector<IconGroupEntry> entries(header.count);
    std::memcpy(entries.data(), group.data() + sizeof(IconGroup), entries.size() * sizeof(IconGroupEntry));
    for (const auto& e : entries)
        if (e.width == 32 && e.height == 32 && (e.colours == 16 || e.bitCount == 4)) match = &e;
    ASSERT_NE(match, nullptr) << "no 32 x 32, 16-colour image";

    const std::string_view image = exe.resource(RT_ICON, MAKEINTRESOURCEW(match->id));
    ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD) + 32 * 16);
    BITMAPINFOHEADER info;
    std::memcpy(&info, image.data(), sizeof info);
    ASSERT_EQ(info.biWidth, 32);
    ASSERT_EQ(info.biHeight, 64) << "colour and mask";
    ASSERT_EQ(info.biBitCount, 4);
    std::vector<RGBQUAD> palette(16);
    std::memcpy(palette.data(), image.data() + info.biSize, 16 * sizeof(RGBQUAD));
    const char* pixels = image.data() + info.biSize + 16 * sizeof(RGBQUAD);

    int brightGreen = 0, grey = 0, darkGreen = 0;
    for (int i = 0; i < 32 * 32; ++i) {
        const auto byte = static_cast<unsigned char>(pixels[i / 2]);
        const RGBQUAD c = palette[i % 2 == 0 ? byte >> 4 : byte & 0x0F];
        if (c.rgbGreen >= 0xC0 && c.rgbRed <= 0x40 && c.rgbBlue <= 0x40) ++brightGreen;
        if (c.rgbRed == c.rgbGreen && c.rgbGreen == c.rgbBlue && c.rgbRed >= 0x40 && c.rgbRed <= 0xE0) ++grey;
        if (c.rgbGreen >= 0x60 && c.rgbGreen <= 0xA0 && c.rgbRed <= 0x20 && c.rgbBlue <= 0x20) ++darkGreen;
    }
    EXPECT_GE(brightGreen, 32 * 32 / 4) << "the green square";
    EXPECT_GE(grey, 20) << "the nib";
    EXPECT_GE(darkGreen, 10) << "the shadow";
}

TEST(Resources, ManifestDeclaresDpiAwarenessAndCommonControls6) {
    Module exe(pellmoraExe());
    ASSERT_NE(exe.get(), nullptr);
    const std::string_view manifest = exe.resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty()) << "no RT_MANIFEST resource 1";
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string_view::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string_view::npos);
    EXPECT_NE(manifest.find("dpiAware"), std::string_view::npos);
    EXPECT_NE(manifest.find("asInvoker"), std::string_view::npos);
}

}  // namespace
