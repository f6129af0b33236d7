// Fault cases on real folders under Wine: Pellmora.ini read-only, locked by
// another process, or a folder; the ads folder a Unix symbolic link; links
// among the entries and inside them; non-ASCII names; 20,000 entries; a NUL
// in the path. Each case also counts what changed outside its target and
// prints it as "REPORT outside_touched=N".
#include <gtest/gtest.h>

#include <iostream>

#include "tests/wine/robust/Driver.h"

namespace {

using namespace robust_wine;

void expectNothingOutside(const Tree& before, const Tree& after, const std::vector<std::wstring>& targets) {
    const std::vector<std::wstring> touched = touchedOutside(before, after, targets);
    std::cout << "REPORT outside_touched=" << touched.size() << std::endl;
    for (const std::wstring& path : touched) ADD_FAILURE() << "touched outside the target: " << narrow(path);
}

std::string endText(std::size_t left) {
    return left == 0 ? "Delete Ads Successful." : std::to_string(left) + " folders could not be deleted.";
}

// --- Pellmora.ini -------------------------------------------------------------

// A read-only file reads as usual; saving over it fails, says so once and
// leaves it exactly as it was.
TEST(IniFaults, ReadOnlyFileIsKeptAndSaidOnce) {
    Case c;
    const std::string good = iniFile(c.junoPath(), 0, 1, 0, 1);
    ASSERT_TRUE(writeFile(c.ini(), good));
    ASSERT_TRUE(SetFileAttributesW(c.ini().c_str(), FILE_ATTRIBUTE_READONLY));
    const Tree before = snapshot(c.root());

    Pellmora p(c);
    ASSERT_NE(p.waitForWindow(), nullptr);
    EXPECT_EQ(p.waitForDialog(500), nullptr) << "reading a read-only file is no error";
    EXPECT_EQ(narrow(p.text(kTxtJunoPath)), c.junoPath());

    p.click(kBtnApply);
    const auto message = p.answerDialog();
    ASSERT_TRUE(message.has_value()) << "a failed save says so";
    EXPECT_EQ(message->text, kOptionsMessage);
    EXPECT_EQ(message->title, "Pellmora");
    EXPECT_EQ(p.waitForDialog(1500), nullptr) << "and only once";
    EXPECT_TRUE(p.running());
    EXPECT_EQ(readFile(c.ini()), good);
    EXPECT_NE(GetFileAttributesW(c.ini().c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_FALSE(exists(c.ini() + L".tmp"));
    EXPECT_TRUE(p.close());
    expectNothingOutside(before, snapshot(c.root()), {});
    SetFileAttributesW(c.ini().c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Held open without sharing by another process: reading fails (said once, the
// rebuild cannot replace it and is silent), saving fails (said once), and the
// file is never touched; once the lock is gone a save goes through.
TEST(IniFaults, LockedFileIsSaidOnceAndNeverReplaced) {
    Case c;
    const std::string good = iniFile(c.junoPath(), 0, 1, 1, 1);
    ASSERT_TRUE(writeFile(c.ini(), good));
    HANDLE lock = CreateFileW(c.ini().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    const auto lockedBytes = [&] {
        SetFilePointer(lock, 0, nullptr, FILE_BEGIN);
        std::string bytes(4096, '\0');
        DWORD read = 0;
        ReadFile(lock, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        bytes.resize(read);
        return bytes;
    };

    Pellmora p(c);
    const auto atStart = p.answerDialog(20000);
    ASSERT_TRUE(atStart.has_value()) << "a file that cannot be opened is said once";
    EXPECT_EQ(atStart->text, kOptionsMessage);
    ASSERT_NE(p.waitForWindow(), nullptr);
    EXPECT_EQ(p.waitForDialog(1500), nullptr) << "the failed rebuild says nothing more";
    EXPECT_EQ(lockedBytes(), good);
    EXPECT_FALSE(exists(c.ini() + L".tmp"));

    p.click(kBtnApply);
    const auto onSave = p.answerDialog();
    ASSERT_TRUE(onSave.has_value());
    EXPECT_EQ(onSave->text, kOptionsMessage);
    EXPECT_EQ(p.waitForDialog(1500), nullptr);
    EXPECT_EQ(lockedBytes(), good);
    EXPECT_FALSE(exists(c.ini() + L".tmp"));
    CloseHandle(lock);

    // The window shows the empty set it started with; that is what is saved.
    p.click(kBtnApply);
    const std::string saved = iniFile("", 0, 0, 0, 0);
    const ULONGLONG end = GetTickCount64() + 10000;
    while (readFile(c.ini()) != saved && GetTickCount64() < end) Sleep(50);
    EXPECT_EQ(readFile(c.ini()), saved);
    EXPECT_EQ(p.waitForDialog(500), nullptr);
    EXPECT_TRUE(p.close());
}

// A folder named Pellmora.ini: it cannot be read or replaced; said once at
// start and once per save, and the folder and its file stay.
TEST(IniFaults, FolderInPlaceOfTheFileStays) {
    Case c;
    ASSERT_TRUE(makeFolders(c.ini()));
    ASSERT_TRUE(writeFile(c.ini() + L"\\keep.txt", "keep"));
    const Tree before = snapshot(c.root());

    Pellmora p(c);
    const auto atStart = p.answerDialog(20000);
    ASSERT_TRUE(atStart.has_value());
    EXPECT_EQ(atStart->text, kOptionsMessage);
    ASSERT_NE(p.waitForWindow(), nullptr);
    EXPECT_EQ(p.waitForDialog(1500), nullptr);

    p.click(kBtnApply);
    const auto onSave = p.answerDialog();
    ASSERT_TRUE(onSave.has_value());
    EXPECT_EQ(p.waitForDialog(1500), nullptr);
    EXPECT_TRUE(p.running());
    EXPECT_TRUE(p.close());
    EXPECT_EQ(readFile(c.ini() + L"\\keep.txt"), "keep");
    expectNothingOutside(before, snapshot(c.root()), {});
}

// --- The ads folder -----------------------------------------------------------

// The user made the ads folder a link to a folder elsewhere: that folder is
// emptied, the link stays.
TEST(AdsFaults, AdsFolderThatIsALinkIsCleanedThrough) {
    Case c;
    ASSERT_TRUE(makeFolders(c.path(L"real-ads\\A")));
    ASSERT_TRUE(makeFolders(c.path(L"real-ads\\B")));
    writeFile(c.path(L"real-ads\\A\\1.gif"), "a1");
    writeFile(c.path(L"real-ads\\A\\2.gif"), "a2");
    writeFile(c.path(L"real-ads\\B\\1.gif"), "b1");
    writeFile(c.path(L"real-ads\\loose.txt"), "loose");
    writeFile(c.path(L"outside\\keep.txt"), "keep");
    ASSERT_TRUE(unixLink(c.path(L"real-ads"), c.ads()));
    writeFile(c.ini(), iniFile(c.junoPath(), 0, 1, 1, 1));
    const Tree before = snapshot(c.root());

    Pellmora p(c);
    ASSERT_NE(p.waitForWindow(), nullptr);
    p.click(kBtnDeleteAds);
    EXPECT_EQ(p.waitForCleanupEnd(60000), L"Delete Ads Successful.");
    EXPECT_EQ(p.progressPosition(), 0);
    EXPECT_EQ(p.progressMaximum(), 3);
    EXPECT_TRUE(entries(c.path(L"real-ads")).empty());
    EXPECT_NE(GetFileAttributesW(c.ads().c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u) << "the link itself stays";
    EXPECT_TRUE(p.close());
    expectNothingOutside(before, snapshot(c.root()), {L"real-ads", L"juno\\ads"});
}

// Entries that are links, and links inside an entry, are never listed into,
// and deleting or removing one never reaches what it points at (an empty
// folder included). The end text counts what is left.
TEST(AdsFaults, LinksInsideTheAdsFolderAreNeverFollowed) {
    Case c;
    for (const wchar_t* file : {L"outside\\dir\\keep1.txt", L"outside\\dir\\keep2.txt", L"outside\\dir2\\keep3.txt"}) {
        ASSERT_TRUE(makeFolders(c.path(file).substr(0, c.path(file).find_last_of(L'\\'))));
        ASSERT_TRUE(writeFile(c.path(file), "keep"));
    }
    writeFile(c.path(L"outside\\file.txt"), "file");
    writeFile(c.path(L"outside\\f2.txt"), "f2");
    ASSERT_TRUE(makeFolders(c.path(L"juno\\ads\\A")));
    ASSERT_TRUE(makeFolders(c.path(L"juno\\ads\\B")));
    writeFile(c.path(L"juno\\ads\\A\\1.gif"), "a1");
    writeFile(c.path(L"juno\\ads\\A\\2.gif"), "a2");
    writeFile(c.path(L"juno\\ads\\B\\x.gif"), "x");
    ASSERT_TRUE(makeFolders(c.path(L"outside\\empty")));
    ASSERT_TRUE(unixLink(c.path(L"outside\\dir"), c.path(L"juno\\ads\\linkdir")));
    ASSERT_TRUE(unixLink(c.path(L"outside\\empty"), c.path(L"juno\\ads\\linkempty")));
    ASSERT_TRUE(unixLink(c.path(L"outside\\file.txt"), c.path(L"juno\\ads\\linkfile")));
    ASSERT_TRUE(unixLink(c.path(L"outside\\dir2"), c.path(L"juno\\ads\\B\\innerdir")));
    ASSERT_TRUE(unixLink(c.path(L"outside\\f2.txt"), c.path(L"juno\\ads\\B\\innerfile")));
    writeFile(c.ini(), iniFile(c.junoPath(), 0, 1, 1, 1));
    const Tree before = snapshot(c.root());

    Pellmora p(c);
    ASSERT_NE(p.waitForWindow(), nullptr);
    p.click(kBtnDeleteAds);
    const auto end = p.waitForCleanupEnd(60000);
    ASSERT_TRUE(end.has_value());
    EXPECT_EQ(narrow(*end), endText(entries(c.ads()).size()));
    EXPECT_EQ(p.progressPosition(), 0);
    EXPECT_EQ(p.progressMaximum(), 5);
    EXPECT_FALSE(exists(c.path(L"juno\\ads\\A")));
    EXPECT_FALSE(exists(c.path(L"juno\\ads\\B\\x.gif")));
    EXPECT_TRUE(p.close());
    expectNothingOutside(before, snapshot(c.root()), {L"juno\\ads"});
}

// Names beyond ASCII: an installation folder the ANSI code page holds (so
// Pellmora.ini can name it), entries and files with letters it does not.
TEST(AdsFaults, NonAsciiNamesAreCleaned) {
    Case c;
    const std::wstring install = c.path(L"J\u00fcno Mail \u00e9t\u00e9");
    const std::optional<std::string> installAnsi = ansi(install);
    if (!installAnsi) GTEST_SKIP() << "the ANSI code page cannot hold the installation folder's name";
    const std::wstring ads = install + L"\\ads";
    for (const std::wstring& file :
         {ads + L"\\Gr\u00fc\u00dfe\\\u00fcn\u00efc\u00f6d\u00e9.gif", ads + L"\\Gr\u00fc\u00dfe\\\u03c8.gif",
          ads + L"\\\u65e5\u672c\u8a9e\\\xd83d\xde00.gif", ads + L"\\caf\u00e9.txt"}) {
        ASSERT_TRUE(makeFolders(file.substr(0, file.find_last_of(L'\\'))));
        ASSERT_TRUE(writeFile(file, "ad")) << narrow(file);
    }
    const std::string ini = iniFile(*installAnsi, 0, 1, 1, 1);
    writeFile(c.ini(), ini);
    const Tree before = snapshot(c.root());

    Pellmora p(c);
    ASSERT_NE(p.waitForWindow(), nullptr);
    EXPECT_EQ(p.text(kTxtJunoPath), install);
    p.click(kBtnDeleteAds);
    EXPECT_EQ(p.waitForCleanupEnd(60000), L"Delete Ads Successful.");
    EXPECT_TRUE(entries(ads).empty());

    // Saved again, the path goes back to the same ANSI bytes (without the
    // backslash the cleanup would have cut, of which there is none).
    p.click(kBtnApply);
    EXPECT_EQ(p.waitForDialog(1500), nullptr);
    EXPECT_EQ(readFile(c.ini()), ini);
    EXPECT_TRUE(p.close());
    const std::wstring adsRelative = ads.substr(c.root().size() + 1);
    expectNothingOutside(before, snapshot(c.root()), {adsRelative, L"app\\Pellmora.ini"});
}

TEST(AdsFaults, TwentyThousandEntriesAllGo) {
    // PELLMORA_WINE_ENTRIES changes the number, for measuring.
    const char* given = std::getenv("PELLMORA_WINE_ENTRIES");
    const int entryCount = given != nullptr && std::atoi(given) > 0 ? std::atoi(given) : 20000;
    Case c;
    ASSERT_TRUE(makeFolders(c.ads()));
    // Made on the Linux side: through Wine this alone would take minutes.
    ASSERT_TRUE(fillUnix(c.ads(), entryCount));
    ASSERT_EQ(entries(c.ads()).size(), static_cast<std::size_t>(entryCount));
    writeFile(c.path(L"outside\\keep.txt"), "keep");
    writeFile(c.ini(), iniFile(c.junoPath() + "\\", 0, 1, 1, 1));
    const Tree before = snapshot(c.root());

    Pellmora p(c);
    ASSERT_NE(p.waitForWindow(), nullptr);
    p.click(kBtnDeleteAds);
    EXPECT_EQ(p.waitForCleanupEnd(600000), L"Delete Ads Successful.");
    EXPECT_EQ(p.progressPosition(), 0);
    EXPECT_EQ(p.progressMaximum(), entryCount);
    EXPECT_TRUE(entries(c.ads()).empty());
    EXPECT_TRUE(p.close());
    expectNothingOutside(before, snapshot(c.root()), {L"juno\\ads"});
}

// A hand-edited Pellmora.ini can hold a NUL inside the path. The part before
// it names something outside any ads folder, which must survive.
TEST(AdsFaults, NulInThePathNeverReachesOutside) {
    for (const std::wstring tail : {L"outside\\victim\\file.txt", L"outside\\victim"}) {
        SCOPED_TRACE(narrow(tail));
        Case c;
        ASSERT_TRUE(makeFolders(c.path(L"outside\\victim\\sub")));
        writeFile(c.path(L"outside\\victim\\file.txt"), "keep");
        writeFile(c.path(L"outside\\victim\\file.txt.bak"), "keep");
        writeFile(c.path(L"outside\\victim\\sub\\deep.txt"), "keep");
        ASSERT_TRUE(makeFolders(c.path(L"outside\\empty")));
        std::string path = narrow(c.path(tail));
        path += '\0';
        writeFile(c.ini(), iniFile(path, 0, 1, 1, 1));
        const Tree before = snapshot(c.root());

        Pellmora p(c);
        ASSERT_NE(p.waitForWindow(), nullptr);
        p.click(kBtnDeleteAds);
        EXPECT_TRUE(p.waitForCleanupEnd(60000).has_value());
        EXPECT_TRUE(p.close());
        EXPECT_EQ(readFile(c.path(L"outside\\victim\\file.txt")), "keep");
        expectNothingOutside(before, snapshot(c.root()), {});
    }
}

}  // namespace
