// Fault cases on real folders under Wine: Pellmora.ini read-only, locked by
// another process, or a folder; the ads folder a Unix link; links among the
// entries and inside them; non-ASCII names; 20,000 entries; a NUL in the
// path. Each case counts what changed outside its target and prints it as
// "REPORT outside_touched=N".
#include <gtest/gtest.h>

#include <iostream>

#include "tests/wine/robust/Driver.h"

namespace {

using namespace robust_wine;

// Only paths under `targets` (relative to the case's root) may change.
void expectNothingOutside(const Tree& before, const Case& c, const std::vector<std::wstring>& targets) {
    const Tree after = snapshot(c.root);
    std::size_t touched = 0;
    const auto flag = [&](const std::wstring& path) {
        const auto under = [&](const std::wstring& t) { return (path + L"\\").starts_with(L"\\" + t + L"\\"); };
        if (std::none_of(targets.begin(), targets.end(), under))
            ADD_FAILURE() << "touched outside the target: " << convert(path), ++touched;
    };
    for (const auto& [path, entry] : before)
        if (!after.contains(path) || after.at(path) != entry) flag(path);
    for (const auto& [path, entry] : after)
        if (!before.contains(path)) flag(path);
    std::cout << "REPORT outside_touched=" << touched << std::endl;
}

// A save that cannot replace the file says so once, and the program goes on.
void expectSaveRefused(Pellmora& p) {
    p.click(kBtnApply);
    EXPECT_EQ(p.answerDialog(), kOptionsMessage);
    EXPECT_FALSE(p.dialogOpens(1500)) << "said only once";
    EXPECT_TRUE(p.running());
}

TEST(IniFaults, ReadOnlyFileIsReadKeptAndSaidOnce) {
    Case c;
    const std::string good = iniFile(c.junoPath(), "0\r\n1\r\n0\r\n1\r\n");
    ASSERT_TRUE(writeFile(c.ini(), good));
    ASSERT_TRUE(SetFileAttributesW(c.ini().c_str(), FILE_ATTRIBUTE_READONLY));
    const Tree before = snapshot(c.root);
    Pellmora p(c);
    ASSERT_NE(p.waitForWindow(), nullptr);
    EXPECT_FALSE(p.dialogOpens(500)) << "reading a read-only file is no error";
    EXPECT_EQ(convert(p.text(kTxtJunoPath)), c.junoPath());
    expectSaveRefused(p);
    EXPECT_EQ(readFile(c.ini()), good);
    EXPECT_FALSE(exists(c.ini() + L".tmp"));
    EXPECT_TRUE(p.close());
    expectNothingOutside(before, c, {});
    SetFileAttributesW(c.ini().c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Held open without sharing: reading fails (said once, the rebuild that cannot
// replace it is silent), saving fails (said once); once the lock is gone a
// save of the empty set it started with goes through.
TEST(IniFaults, LockedFileIsSaidOnceAndNeverReplaced) {
    Case c;
    const std::string good = iniFile(c.junoPath());
    ASSERT_TRUE(writeFile(c.ini(), good));
    HANDLE lock = CreateFileW(c.ini().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    Pellmora p(c);
    EXPECT_EQ(p.answerDialog(20000), kOptionsMessage);
    ASSERT_NE(p.waitForWindow(), nullptr);
    EXPECT_FALSE(p.dialogOpens(1500)) << "the failed rebuild says nothing more";
    expectSaveRefused(p);
    std::string bytes(4096, '\0');
    DWORD read = 0;
    ReadFile(lock, bytes.data(), DWORD(bytes.size()), &read, nullptr);
    EXPECT_EQ(bytes.substr(0, read), good);
    EXPECT_FALSE(exists(c.ini() + L".tmp"));
    CloseHandle(lock);
    p.click(kBtnApply);
    EXPECT_TRUE(waitFor([&] { return readFile(c.ini()) == iniFile("", "0\r\n0\r\n0\r\n0\r\n"); }, 10000));
    EXPECT_FALSE(p.dialogOpens(500));
    EXPECT_TRUE(p.close());
}

TEST(IniFaults, FolderInPlaceOfTheFileStays) {
    Case c;
    makeFolders(c.ini());
    ASSERT_TRUE(writeFile(c.ini() + L"\\keep.txt", "keep"));
    const Tree before = snapshot(c.root);
    Pellmora p(c);
    EXPECT_EQ(p.answerDialog(20000), kOptionsMessage);
    ASSERT_NE(p.waitForWindow(), nullptr);
    EXPECT_FALSE(p.dialogOpens(1500));
    expectSaveRefused(p);
    EXPECT_TRUE(p.close());
    expectNothingOutside(before, c, {});
}

// Starts Pellmora on `c`, cleans, and expects `end` (or the count of what is
// left in `folder`), the progress at 0 of `maximum`, and nothing touched
// outside `targets`.
void expectCleanup(const Case& c, const std::wstring& folder, const std::optional<std::wstring>& end, int maximum,
                   const std::vector<std::wstring>& targets, DWORD timeoutMs = 60000) {
    const Tree before = snapshot(c.root);
    Pellmora p(c);
    ASSERT_NE(p.waitForWindow(), nullptr);
    p.click(kBtnDeleteAds);
    const std::optional<std::wstring> shown = p.waitForCleanupEnd(timeoutMs);
    const std::size_t left = entries(folder);
    EXPECT_EQ(shown, end       ? *end
                     : left == 0 ? L"Delete Ads Successful."
                                 : std::to_wstring(left) + L" folders could not be deleted.");
    EXPECT_EQ(p.progress(), std::pair(0, maximum));
    EXPECT_TRUE(p.close());
    expectNothingOutside(before, c, targets);
}

// The ads folder a link to a folder elsewhere: that folder is emptied, the link stays.
TEST(AdsFaults, AdsFolderThatIsALinkIsCleanedThrough) {
    Case c;
    makeFolders(c.path(L"real-ads\\A"));
    makeFolders(c.path(L"real-ads\\B"));
    for (const wchar_t* file : {L"A\\1.gif", L"A\\2.gif", L"B\\1.gif", L"loose.txt"})
        writeFile(c.path(L"real-ads\\") + file, "ad");
    ASSERT_TRUE(unixLink(c.path(L"real-ads"), c.ads()));
    writeFile(c.ini(), iniFile(c.junoPath()));
    expectCleanup(c, c.ads(), L"Delete Ads Successful.", 3, {L"real-ads", L"juno\\ads"});
    EXPECT_EQ(entries(c.path(L"real-ads")), 0u);
    EXPECT_NE(GetFileAttributesW(c.ads().c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u) << "the link itself stays";
}

// Links among the entries and inside one are never listed into, and removing
// one never reaches what it points at; the end text counts what is left.
TEST(AdsFaults, LinksInsideTheAdsFolderAreNeverFollowed) {
    Case c;
    makeFolders(c.path(L"outside\\empty"));
    for (const wchar_t* file :
         {L"outside\\dir\\keep1.txt", L"outside\\dir2\\keep3.txt", L"juno\\ads\\A\\1.gif", L"juno\\ads\\B\\x.gif"})
        makeFolders(c.path(file).substr(0, c.path(file).find_last_of(L'\\'))), writeFile(c.path(file), "keep");
    writeFile(c.path(L"outside\\file.txt"), "file");
    for (const auto& [target, link] : {std::pair{L"dir", L"linkdir"}, {L"empty", L"linkempty"},
                                       {L"file.txt", L"linkfile"}, {L"dir2", L"B\\innerdir"},
                                       {L"file.txt", L"B\\innerfile"}})
        ASSERT_TRUE(unixLink(c.path(L"outside\\") + target, c.path(L"juno\\ads\\") + link));
    writeFile(c.ini(), iniFile(c.junoPath()));
    expectCleanup(c, c.ads(), std::nullopt, 5, {L"juno\\ads"});
    EXPECT_FALSE(exists(c.path(L"juno\\ads\\A")));
    EXPECT_FALSE(exists(c.path(L"juno\\ads\\B\\x.gif")));
}

// An installation folder the ANSI code page holds (so Pellmora.ini can name
// it), entries and files with letters it does not.
TEST(AdsFaults, NonAsciiNamesAreCleaned) {
    Case c;
    const std::wstring install = c.path(L"J\u00fcno Mail \u00e9t\u00e9"), ads = install + L"\\ads";
    const std::string ansi = convert(install, CP_ACP);
    if (widen(convert(install)) != install || ansi.find('?') != std::string::npos) GTEST_SKIP() << "no ANSI name";
    for (const std::wstring& file : {ads + L"\\Gr\u00fc\u00dfe\\\u00fcn\u00efc\u00f6d\u00e9.gif",
                                     ads + L"\\Gr\u00fc\u00dfe\\\u03c8.gif",
                                     ads + L"\\\u65e5\u672c\u8a9e\\\xd83d\xde00.gif", ads + L"\\caf\u00e9.txt"}) {
        makeFolders(file.substr(0, file.find_last_of(L'\\')));
        ASSERT_TRUE(writeFile(file, "ad")) << convert(file);
    }
    writeFile(c.ini(), iniFile(ansi));
    expectCleanup(c, ads, L"Delete Ads Successful.", 3, {ads.substr(c.root.size() + 1)});
    EXPECT_EQ(entries(ads), 0u);
}

TEST(AdsFaults, TwentyThousandEntriesAllGo) {
    Case c;
    makeFolders(c.ads());
    // Made on the Linux side: through Wine this alone would take minutes.
    runUnix(L"/usr/bin/python3 -c \"import os,sys\nfor i in range(20000): d=sys.argv[1]+'/ad%d' % i; os.mkdir(d); "
            L"open(d+'/a.gif','w').write('ad')\" " + unixPath(c.ads()));
    ASSERT_TRUE(waitFor([&] { return exists(c.ads() + L"\\ad19999\\a.gif"); }, 120000));
    ASSERT_EQ(entries(c.ads()), 20000u);
    writeFile(c.ini(), iniFile(c.junoPath() + "\\"));
    expectCleanup(c, c.ads(), L"Delete Ads Successful.", 20000, {L"juno\\ads"}, 600000);
    EXPECT_EQ(entries(c.ads()), 0u);
}

// A NUL inside the path: the product refuses such a path, so the part before
// it, which names something outside any ads folder, survives.
TEST(AdsFaults, NulInThePathNeverReachesOutside) {
    for (const std::wstring tail : {L"outside\\victim\\file.txt", L"outside\\victim"}) {
        Case c;
        makeFolders(c.path(L"outside\\victim\\sub"));
        for (const wchar_t* file : {L"outside\\victim\\file.txt", L"outside\\victim\\sub\\deep.txt"})
            writeFile(c.path(file), "keep");
        writeFile(c.ini(), iniFile(convert(c.path(tail)) + '\0'));
        expectCleanup(c, c.path(tail), L"Delete Ads Successful.", 100, {});
    }
}

}  // namespace
