// "Delete Ads Now" on real folders, through Pellmora.exe: an ads folder that
// is a link, long paths and names in any script. What each kind of entry
// gives the platform: FileSystem; what the cleanup makes of it: the unit
// tests.
#include "platform/win32/Text.h"
#include "tests/wine/Driver.h"

namespace wine {
namespace {

// An ads folder that is itself a link the user made is cleaned through, and
// the link stays. Links among the entries lead nowhere: CleanupRace.
TEST(Cleanup, AnAdsFolderThatIsALinkIsCleanedThrough) {
    Scratch s;
    for (const char* file : {"real-ads/C/1.gif", "real-ads/loose.txt"}) s.file(file, file);
    s.link("real-ads", "juno/ads");
    Pellmora p(s.path("app"), iniFile(s.path("juno").string(), 0, 1, 1, 1));
    ASSERT_NE(p.window(), nullptr);
    p.click(ControlId::btnDeleteAds);
    EXPECT_TRUE(p.waitForText(ControlId::labStatus, L"Delete Ads Successful.", 60000)) << p.text(ControlId::labStatus);
    EXPECT_TRUE(s.namesIn("real-ads").empty());
    EXPECT_NE(GetFileAttributesW(s.path("juno/ads").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u) << "the link stays";
}

// Past the classic 260 characters, and letters the ANSI code page lacks.
// More names than one listing call gives: FileSystem.
TEST(Cleanup, LongPathsAndNonAsciiNames) {
    Scratch s;
    const fs::path install = L"J\u00fcno \u00e9t\u00e9 " + std::wstring(230, L'i');
    ASSERT_GT(s.path(install / "ads").wstring().size(), 260u);
    for (const wchar_t* file : {L"Gr\u00fc\u00dfe/\u00fcn\u00efc\u00f6d\u00e9.gif", L"\u65e5\u672c\u8a9e/\xd83d\xde00.gif",
                                L"caf\u00e9.txt"})
        s.file(install / "ads" / file);
    // Pellmora.ini holds the code page's bytes, as the program writes them.
    const std::string ansi = win32::toAnsi(win32::narrow(s.path(install).wstring())).value_or("");
    ASSERT_FALSE(ansi.empty()) << "the install folder must fit the ANSI code page";
    Pellmora p(s.path("app"), iniFile(ansi + "\\", 0, 1, 1, 1));
    ASSERT_NE(p.window(), nullptr);
    p.click(ControlId::btnDeleteAds);
    EXPECT_TRUE(p.waitForText(ControlId::labStatus, L"Delete Ads Successful.", 60000)) << p.text(ControlId::labStatus);
    EXPECT_EQ(s.namesIn(install / "ads"), std::vector<std::wstring>{});
}

}  // namespace
}  // namespace wine
