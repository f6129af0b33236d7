// "Delete Ads Now" on real folders: what goes, what stays, what the status
// line says at the end, and that nothing outside the ads folder is touched.
// What each kind of entry gives the platform: FileSystem.
#include "platform/win32/Text.h"
#include "tests/wine/Driver.h"

namespace wine {
namespace {

using win32::widen;

// Links among the entries and inside one are never listed into nor deleted,
// and nothing they point at is reached; an ads folder that is itself a link
// the user made is cleaned through. Nothing outside changes, byte for byte.
TEST(Cleanup, NeverReachesThroughALinkOutOfTheAdsFolder) {
    Scratch s;
    for (const char* file : {"outside/keep1.txt", "outside/dir/keep2.txt", "outside/dir2/keep3.txt",
                             "juno/ads/A/1.gif", "juno/ads/B/x.gif", "real-ads/C/1.gif", "real-ads/loose.txt"})
        s.file(file, file);
    fs::create_directories(s.path("outside/empty"));
    for (const auto& [target, link] : {std::pair{"outside/dir", "juno/ads/linkdir"}, {"outside/empty", "juno/ads/linkempty"},
                                       {"outside/keep1.txt", "juno/ads/linkfile"}, {"outside/dir2", "juno/ads/B/innerdir"},
                                       {"outside/keep1.txt", "juno/ads/B/innerfile"}, {"real-ads", "other/ads"}})
        s.link(target, link);
    ASSERT_NE(GetFileAttributesW(s.path("juno/ads/linkdir").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u)
        << "the links must look like links, or this proves nothing";
    const auto outside = s.snapshot("outside");
    {
        Pellmora p(s.path("app"), iniFile(s.path("juno").string() + "\\", 0, 1, 1, 1));
        ASSERT_NE(p.window(), nullptr);
        // The links are refused and stay, and so does B, which holds two.
        EXPECT_EQ(p.deleteAds(), L"4 folders could not be deleted.");
        EXPECT_EQ(s.namesIn("juno/ads"), (std::vector<std::wstring>{L"B", L"linkdir", L"linkempty", L"linkfile"}));
        EXPECT_EQ(s.namesIn("juno/ads/B"), (std::vector<std::wstring>{L"innerdir", L"innerfile"}));
    }
    EXPECT_EQ(s.snapshot("outside"), outside);
    Pellmora linked(s.path("app2"), iniFile(s.path("other").string(), 0, 1, 1, 1));
    ASSERT_NE(linked.window(), nullptr);
    EXPECT_EQ(linked.deleteAds(), L"Delete Ads Successful.");
    EXPECT_TRUE(s.namesIn("real-ads").empty());
    EXPECT_NE(GetFileAttributesW(s.path("other/ads").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u) << "the link stays";
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
    EXPECT_EQ(p.deleteAds(), L"Delete Ads Successful.");
    EXPECT_EQ(s.namesIn(install / "ads"), std::vector<std::wstring>{});
}

// Pellmora in P:\run, on a drive of its own (Q: for a 32-bit build, whose
// suites may run alongside in the same prefix), auto-run on. An empty path
// and a relative one ("..") lead to P:\ads and P:\BIN only through the current
// folder: nothing is cleaned or started. The root itself ("P:\") is: the
// client starts in its own folder, and the names that stay (Wine lists "a:b",
// which no Windows name holds, and "q?x", which does not open back) count.
TEST(Cleanup, OnlyAFullPathIsCleanedOrStartedAndEveryNameThatStaysIsCounted) {
    Scratch s;
    const std::string root = sizeof(void*) == 8 ? "P:\\" : "Q:\\";
    // The drive goes once the scratch folder has gone, however the case ends.
    s.shell("l=\"$WINEPREFIX/dosdevices/" + std::string(1, char(root[0] | 0x20)) + ":\" && mkdir -p drive/ads/ad "
            "drive/ads/a:b 'drive/ads/q?x' && touch drive/ads/ad/f drive/ads/a:b/f 'drive/ads/q?x/f' && ln -sfn "
            "\"$PWD/drive\" \"$l\" && touch made && while [ -e made ]; do sleep 0.2; done; rm -f \"$l\"");
    ASSERT_TRUE(waitFor([&] { return fs::exists(s.path("made")); }, 9000));
    s.file("drive/BIN/Juno.exe", readFile(buildFolder() / "tools/juno/Juno.exe"));
    for (const std::string path : {"", ".."}) {
        Pellmora p(root + "run", iniFile(path, 1, 1, 1, 0));
        ASSERT_NE(p.window(), nullptr);
        EXPECT_EQ(p.answerMessageBox(20000),
                  widen("Juno.exe was not found at " + path + "\\bin\\juno.exe or Juno is already open."));
        EXPECT_EQ(p.text(ControlId::labStatus), widen("The ads folder was not found at " + path + "\\ads"));
    }
    EXPECT_EQ(s.namesIn("drive/ads").size() + s.namesIn("drive/BIN").size(), 4u) << "cleaned or started";
    Pellmora p(root + "run", iniFile(root, 1, 1, 1, 0));
    ASSERT_TRUE(p.window() && p.waitForText(ControlId::labStatus, L"Run Juno Successful.", 20000));
    EXPECT_TRUE(waitFor([&] { return readFile(s.path("drive/BIN/current.txt")) == root + "BIN"; }, 9000));
    EXPECT_EQ(s.namesIn("drive/ads"), (std::vector<std::wstring>{L"a:b", L"q?x"}));
    EXPECT_EQ(p.deleteAds(), L"2 folders could not be deleted.");
}

}  // namespace
}  // namespace wine
