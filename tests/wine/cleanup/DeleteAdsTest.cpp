// "Delete Ads Now" on real folders: what goes, what stays, and what the
// status line says about it at the end.
#include "Harness.h"

namespace cleanup {
namespace {

TEST(DeleteAdsOnDisk, CleansEachEntryOneLevelDeepAndSaysWhatStayed) {
    const std::wstring install = scratch + L"\\Juno Install", ads = install + L"\\ads";
    auto ad = [&](const wchar_t* name) { return ads + L"\\" + name; };
    ASSERT_TRUE(makeFolder(install) && makeFolder(ads) && makeFile(install + L"\\juno.ini"));
    for (const wchar_t* entry : {L"Plain", L"Nested", L"ReadOnly", L"Hidden", L"InUse"})
        ASSERT_TRUE(makeFolder(ad(entry)) && makeFile(ad(entry) + L"\\plain.gif"));
    // A sub-folder is one level too deep: it stays with its files, and so
    // does the entry holding it, while the file beside it goes. So do
    // read-only, hidden and in-use files and their entries.
    ASSERT_TRUE(makeFolder(ad(L"Nested\\sub")) && makeFile(ad(L"Nested\\sub\\inner.gif")));
    for (const wchar_t* file : {L"loose.gif", L"ReadOnly\\locked.gif", L"Hidden\\secret.gif", L"InUse\\open.gif"})
        ASSERT_TRUE(makeFile(ad(file)));
    ASSERT_TRUE(SetFileAttributesW(longForm(ad(L"ReadOnly\\locked.gif")).c_str(), FILE_ATTRIBUTE_READONLY) &&
                SetFileAttributesW(longForm(ad(L"Hidden\\secret.gif")).c_str(), FILE_ATTRIBUTE_HIDDEN));
    // Held open without sharing for the whole run, as the client would.
    HANDLE inUse = CreateFileW(longForm(ad(L"InUse\\open.gif")).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                               nullptr);
    ASSERT_NE(inUse, INVALID_HANDLE_VALUE);
    const std::wstring text = Pellmora(install + L"\\").deleteAds();
    CloseHandle(inUse);

    EXPECT_EQ(text, L"4 folders could not be deleted.");
    EXPECT_EQ(namesIn(install), (Names{L"ads", L"juno.ini"}));
    EXPECT_EQ(namesIn(ads), (Names{L"Hidden", L"InUse", L"Nested", L"ReadOnly"}));
    const std::pair<const wchar_t*, const wchar_t*> kept[] = {
        {L"Nested", L"sub"}, {L"Nested\\sub", L"inner.gif"}, {L"ReadOnly", L"locked.gif"}, {L"Hidden", L"secret.gif"},
        {L"InUse", L"open.gif"}};
    for (const auto& [folder, name] : kept) EXPECT_EQ(namesIn(ad(folder)), Names{name}) << folder;
}

TEST(DeleteAdsOnDisk, NeverReachesThroughALinkOutOfTheAdsFolder) {
    // run.sh made install/ads with two plain ads and links to the folder
    // outside/ and to files in it (as entries and inside an entry), and
    // checks afterwards that nothing in outside/ changed.
    const std::wstring ads = scratch + L"\\install\\ads";
    ASSERT_EQ(namesIn(ads), (Names{L"ad-plain", L"ad-with-link", L"empty-link", L"file-link", L"link-entry"}));
    // The links must look like links, or this test proves nothing.
    ASSERT_TRUE(exists(ads + L"\\link-entry") && (attributes(ads + L"\\link-entry") & FILE_ATTRIBUTE_REPARSE_POINT));

    const std::wstring text = Pellmora(scratch + L"\\install\\").deleteAds();
    EXPECT_FALSE(exists(ads + L"\\ad-plain"));
    EXPECT_FALSE(exists(ads + L"\\ad-with-link\\x.gif"));
    // A link may go itself or stay; the end text counts what stayed.
    const std::size_t left = namesIn(ads).size();
    EXPECT_EQ(text, left == 0 ? L"Delete Ads Successful." : std::to_wstring(left) + L" folders could not be deleted.");
}

TEST(DeleteAdsOnDisk, DeletesPathsPastTheClassicLimit) {
    const std::wstring install = scratch + L"\\Juno " + std::wstring(230, L'i'), ads = install + L"\\ads";
    ASSERT_GT(ads.size(), 260u);
    ASSERT_TRUE(makeFolder(install) && makeFolder(ads) && makeFolder(ads + L"\\entry") &&
                makeFile(ads + L"\\entry\\banner.gif") && makeFile(ads + L"\\loose.gif"));
    EXPECT_EQ(Pellmora(install + L"\\").deleteAds(), L"Delete Ads Successful.");
    EXPECT_TRUE(exists(ads));
    EXPECT_EQ(namesIn(ads), Names{});
}

TEST(DeleteAdsOnDisk, CleansEveryEntryOfALargeFolder) {
    const std::wstring install = scratch + L"\\Juno Many", ads = install + L"\\ads";
    ASSERT_TRUE(makeFolder(install) && makeFolder(ads));
    for (int i = 0; i < 1500; ++i) {  // past the 1000 names the old limit held
        const std::wstring ad = ads + L"\\ad" + std::to_wstring(i);
        ASSERT_TRUE(i % 100 ? makeFolder(ad) && makeFile(ad + L"\\banner.gif") : makeFile(ad + L".gif"));
    }
    EXPECT_EQ(Pellmora(install + L"\\").deleteAds(180000), L"Delete Ads Successful.");
    EXPECT_EQ(namesIn(ads), Names{});
}

TEST(DeleteAdsOnDisk, MissingAdsFolderIsNothingToDo) {
    const std::wstring install = scratch + L"\\Juno Without Ads";
    ASSERT_TRUE(makeFolder(install) && makeFolder(install + L"\\BIN") && makeFile(install + L"\\BIN\\Juno.exe"));
    EXPECT_EQ(Pellmora(install + L"\\").deleteAds(), L"Delete Ads Successful.");
    EXPECT_EQ(namesIn(install), Names{L"BIN"});
    EXPECT_EQ(namesIn(install + L"\\BIN"), Names{L"Juno.exe"});
}

}  // namespace
}  // namespace cleanup
