// "Delete Ads Now" on real folders: what goes, what stays, and what the
// status line says about it at the end.
#include <map>

#include "Harness.h"

namespace cleanup {
namespace {

class DeleteAdsOnDisk : public ::testing::Test {
protected:
    struct Outcome {
        std::wstring text;
        int position;
        int maximum;
    };

    void SetUp() override { ASSERT_TRUE(makeFolder(install)) << narrow(install); }

    // One run through the window, the path given with the trailing
    // backslash a user types.
    std::optional<Outcome> cleanUp(const std::wstring& junoPath, DWORD timeoutMs = 60000) {
        Pellmora pellmora(scratch / (L"app" + std::to_wstring(++runs_)), junoPath + L"\\");
        if (!pellmora.start()) {
            ADD_FAILURE() << "Pellmora did not start";
            return std::nullopt;
        }
        const auto text = pellmora.deleteAds(timeoutMs);
        if (!text) {
            ADD_FAILURE() << "no end text after " << timeoutMs << " ms; status: " << narrow(pellmora.status());
            return std::nullopt;
        }
        return Outcome{*text, pellmora.progressPosition(), pellmora.progressMaximum()};
    }
    std::optional<Outcome> cleanUp() { return cleanUp(install); }

    std::wstring ad(std::wstring_view name) const { return ads + L"\\" + std::wstring(name); }

    Scratch scratch;
    // Installations live in folders with blanks in their names.
    const std::wstring install = scratch / L"Juno Install";
    const std::wstring ads = install + L"\\ads";

private:
    int runs_ = 0;
};

using Names = std::vector<std::wstring>;

TEST_F(DeleteAdsOnDisk, CleansEachEntryOneLevelDeepAndSaysWhatStayed) {
    ASSERT_TRUE(makeFolder(ads));
    ASSERT_TRUE(makeFile(install + L"\\juno.ini"));  // beside ads: never touched
    ASSERT_TRUE(makeFolder(ad(L"A")) && makeFile(ad(L"A\\a.gif")) && makeFile(ad(L"A\\a.htm")));
    ASSERT_TRUE(makeFolder(ad(L"B")) && makeFile(ad(L"B\\b.gif")));
    // A sub-folder is one level too deep: it stays with its files, and so
    // does the entry holding it, while the file beside it goes.
    ASSERT_TRUE(makeFolder(ad(L"C")) && makeFile(ad(L"C\\c.gif")) && makeFolder(ad(L"C\\sub")) &&
                makeFile(ad(L"C\\sub\\inner.gif")) && makeFolder(ad(L"C\\sub\\deeper")) &&
                makeFile(ad(L"C\\sub\\deeper\\x.gif")));
    ASSERT_TRUE(makeFile(ad(L"loose.gif")));

    const auto outcome = cleanUp();
    ASSERT_TRUE(outcome);
    EXPECT_EQ(narrow(outcome->text), "1 folders could not be deleted.");
    EXPECT_EQ(outcome->position, 0);
    EXPECT_EQ(outcome->maximum, 4);

    EXPECT_EQ(namesIn(ads), Names{L"C"});
    EXPECT_EQ(namesIn(ad(L"C")), Names{L"sub"});
    EXPECT_EQ(namesIn(ad(L"C\\sub")), (Names{L"deeper", L"inner.gif"}));
    EXPECT_EQ(namesIn(ad(L"C\\sub\\deeper")), Names{L"x.gif"});
    EXPECT_EQ(namesIn(install), (Names{L"ads", L"juno.ini"}));
}

TEST_F(DeleteAdsOnDisk, LeavesProtectedFilesAndTheFoldersHoldingThem) {
    ASSERT_TRUE(makeFolder(ads));
    const std::map<std::wstring, DWORD> protectedFiles{
        {L"ReadOnly\\locked.gif", FILE_ATTRIBUTE_READONLY},
        {L"Hidden\\secret.gif", FILE_ATTRIBUTE_HIDDEN},
        {L"System\\system.gif", FILE_ATTRIBUTE_SYSTEM},
        {L"readonly-loose.gif", FILE_ATTRIBUTE_READONLY},
        {L"hidden-loose.gif", FILE_ATTRIBUTE_HIDDEN},  // never listed, so not counted either
    };
    for (const wchar_t* folder : {L"ReadOnly", L"Hidden", L"System", L"InUse", L"Plain", L"HiddenFolder"})
        ASSERT_TRUE(makeFolder(ad(folder)) && makeFile(ad(folder) + L"\\plain.gif"));
    for (const auto& [name, attr] : protectedFiles)
        ASSERT_TRUE(makeFile(ad(name)) && SetFileAttributesW(longForm(ad(name)).c_str(), attr)) << narrow(name);
    ASSERT_TRUE(SetFileAttributesW(longForm(ad(L"HiddenFolder")).c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(makeFile(ad(L"InUse\\open.gif")));
    // Held open without sharing for the whole run, as the client would.
    HANDLE inUse = CreateFileW(longForm(ad(L"InUse\\open.gif")).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(inUse, INVALID_HANDLE_VALUE);

    const auto outcome = cleanUp();
    CloseHandle(inUse);
    ASSERT_TRUE(outcome);
    // ReadOnly, Hidden, System, InUse and the read-only loose file.
    EXPECT_EQ(narrow(outcome->text), "5 folders could not be deleted.");
    EXPECT_EQ(outcome->position, 0);
    EXPECT_EQ(outcome->maximum, 6);

    EXPECT_EQ(namesIn(ads), (Names{L"Hidden", L"HiddenFolder", L"InUse", L"ReadOnly", L"System", L"hidden-loose.gif",
                                   L"readonly-loose.gif"}));
    for (const auto& [name, attr] : protectedFiles)
        EXPECT_EQ(attributes(ad(name)) & attr, attr) << narrow(name) << " lost an attribute";
    for (const wchar_t* folder : {L"ReadOnly", L"Hidden", L"System", L"InUse"})
        EXPECT_FALSE(exists(ad(folder) + L"\\plain.gif")) << narrow(folder);
    EXPECT_TRUE(exists(ad(L"InUse\\open.gif")));
    // A hidden entry folder is not listed: nothing in it is touched.
    EXPECT_TRUE(exists(ad(L"HiddenFolder\\plain.gif")));
}

TEST_F(DeleteAdsOnDisk, NeverReachesThroughALinkOutOfTheAdsFolder) {
    // run.sh made, on the Linux side:
    //   outside/keep-1.txt, outside/keep-2.txt, outside/deeper/keep-3.txt, outside/empty/
    //   install/ads/ad-plain/{a.gif,b.htm}
    //   install/ads/link-entry -> outside              (entries that are links)
    //   install/ads/empty-link -> outside/empty
    //   install/ads/file-link -> outside/keep-1.txt
    //   install/ads/ad-with-link/{x.gif, inner-link -> outside, inner-file-link -> outside/keep-2.txt}
    ASSERT_FALSE(config().unixScratch.empty()) << "run this suite through run.sh, which makes the links";
    const std::wstring tree = dosPathOf(config().unixScratch);
    ASSERT_FALSE(tree.empty()) << "not under Wine: no Windows path for " << narrow(config().unixScratch);
    const std::wstring linked = tree + L"\\install";
    const std::wstring linkedAds = linked + L"\\ads";
    const std::wstring outside = tree + L"\\outside";
    ASSERT_EQ(namesIn(linkedAds), (Names{L"ad-plain", L"ad-with-link", L"empty-link", L"file-link", L"link-entry"}));
    // The links must look like links, or this test proves nothing.
    EXPECT_TRUE(attributes(linkedAds + L"\\link-entry") & FILE_ATTRIBUTE_REPARSE_POINT);

    std::map<std::wstring, std::string> before;
    for (const wchar_t* name : {L"keep-1.txt", L"keep-2.txt", L"deeper\\keep-3.txt"}) {
        const auto bytes = readFile(outside + L"\\" + name);
        ASSERT_TRUE(bytes) << narrow(name);
        before[name] = *bytes;
    }

    const auto outcome = cleanUp(linked);
    ASSERT_TRUE(outcome);

    for (const auto& [name, bytes] : before) EXPECT_EQ(readFile(outside + L"\\" + name), bytes) << narrow(name);
    EXPECT_EQ(namesIn(outside), (Names{L"deeper", L"empty", L"keep-1.txt", L"keep-2.txt"}));
    EXPECT_FALSE(exists(linkedAds + L"\\ad-plain"));
    EXPECT_FALSE(exists(linkedAds + L"\\ad-with-link\\x.gif"));
    // A link may go itself or stay; the end text counts what stayed.
    const Names left = namesIn(linkedAds);
    EXPECT_EQ(outcome->text, endTextFor(left.size()));
    EXPECT_EQ(outcome->position, 0);
    EXPECT_EQ(outcome->maximum, 5);
}

TEST_F(DeleteAdsOnDisk, DeletesPathsPastTheClassicLimit) {
    std::wstring deep = scratch / (L"Juno " + std::wstring(100, L'i'));
    ASSERT_TRUE(makeFolder(deep));
    for (wchar_t c : {L'j', L'k'}) ASSERT_TRUE(makeFolder(deep += L"\\" + std::wstring(100, c)));
    const std::wstring deepAds = deep + L"\\ads";
    const std::wstring entry = deepAds + L"\\" + std::wstring(120, L'e');
    const std::wstring file = entry + L"\\" + std::wstring(120, L'f') + L".gif";
    ASSERT_GT(deepAds.size(), 260u);
    ASSERT_TRUE(makeFolder(deepAds) && makeFolder(entry) && makeFile(file) &&
                makeFile(entry + L"\\" + std::wstring(120, L'g') + L".htm"));
    ASSERT_TRUE(makeFile(deepAds + L"\\" + std::wstring(150, L'l') + L".gif"));

    const auto outcome = cleanUp(deep);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(narrow(outcome->text), "Delete Ads Successful.");
    EXPECT_EQ(outcome->maximum, 2);
    EXPECT_EQ(namesIn(deepAds), Names{});
    EXPECT_TRUE(exists(deepAds));
}

TEST_F(DeleteAdsOnDisk, CleansEveryEntryOfALargeFolder) {
    constexpr int kEntries = 1500;  // past the 1000 names the old limit held
    ASSERT_TRUE(makeFolder(ads));
    for (int i = 1; i <= kEntries; ++i) {
        wchar_t name[16];
        std::swprintf(name, 16, L"ad%04d", i);
        if (i % 100 == 0) {
            ASSERT_TRUE(makeFile(ad(name) + L".gif"));
        } else {
            ASSERT_TRUE(makeFolder(ad(name)) && makeFile(ad(name) + L"\\banner.gif"));
        }
    }

    const auto outcome = cleanUp(install, 180000);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(narrow(outcome->text), "Delete Ads Successful.");
    EXPECT_EQ(outcome->position, 0);
    EXPECT_EQ(outcome->maximum, kEntries);
    EXPECT_EQ(namesIn(ads), Names{});
}

TEST_F(DeleteAdsOnDisk, MissingOrEmptyAdsFolderIsNothingToDo) {
    ASSERT_TRUE(makeFolder(install + L"\\BIN") && makeFile(install + L"\\BIN\\Juno.exe"));
    const auto missing = cleanUp();
    ASSERT_TRUE(missing);
    EXPECT_EQ(narrow(missing->text), "Delete Ads Successful.");
    EXPECT_EQ(missing->position, 0);
    EXPECT_EQ(missing->maximum, 100) << "a run that finds nothing leaves the bar's maximum alone";
    EXPECT_EQ(namesIn(install), Names{L"BIN"});
    EXPECT_EQ(namesIn(install + L"\\BIN"), Names{L"Juno.exe"});

    ASSERT_TRUE(makeFolder(ads));
    const auto empty = cleanUp();
    ASSERT_TRUE(empty);
    EXPECT_EQ(narrow(empty->text), "Delete Ads Successful.");
    EXPECT_EQ(empty->maximum, 100);
    EXPECT_TRUE(exists(ads)) << "the ads folder itself stays";
}

}  // namespace
}  // namespace cleanup
