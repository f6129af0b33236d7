// Someone who may write to the ads folder (the client's own downloads need
// that) swaps entries for links while a cleanup runs, once it has listed
// them: the last entries in listing order (Wine lists names sorted) for links
// to folders outside, and the file of a late entry for a link to a file
// outside. Nothing outside changes, the links stay, every other entry goes.
#include "tests/wine/Driver.h"

namespace wine {
namespace {

// Makes 3,000 entries and the folders outside, says "made", waits for "go",
// swaps the last 300 entries and the file of e02699, says "swapped". A swap
// that finds an entry gone already stops short of "swapped".
constexpr std::string_view kAttack = R"(set -e
mkdir -p juno/ads outside trash && cd juno/ads && seq -f e%05g 0 2999 | xargs mkdir
for d in e*; do echo "ad $d" > $d/ad.gif; done
cd ../../outside && seq -f e%05g 2700 2999 | xargs mkdir && echo keep > target.txt
for d in e*; do echo "keep $d" > $d/ad.gif; echo "mine $d" > $d/letter.txt; done
cd .. && touch made && while [ ! -e go ]; do sleep 0.001; done
mv juno/ads/e027* juno/ads/e028* juno/ads/e029* juno/ads/e02699/ad.gif trash/
ln -s "$PWD"/outside/e0* juno/ads/ && ln -s "$PWD/outside/target.txt" juno/ads/e02699/ad.gif && touch swapped
)";

TEST(CleanupRace, EntriesSwappedForLinksAfterTheListingLeadNowhere) {
    for (int run = 1; run <= 3; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        Scratch s;
        s.shell(kAttack);
        ASSERT_TRUE(waitFor([&] { return fs::exists(s.path("made")); }, 60000));
        const auto outside = s.snapshot("outside");
        Pellmora p(s.path("app"), iniFile(s.path("juno").string() + "\\", 0, 1, 1, 1));
        ASSERT_NE(p.window(), nullptr);
        const auto status = [&] { return driving::storedTextOf(p.control(ControlId::labStatus)); };
        p.click(ControlId::btnDeleteAds);
        ASSERT_TRUE(waitFor([&] { return status().ends_with(L" folders left."); }, 60000));
        writeFile(s.path("go"), "");
        ASSERT_TRUE(waitFor([&] { return fs::exists(s.path("swapped")); }, 60000)) << "the swap came too late";
        EXPECT_TRUE(waitFor([&] { return status() == L"301 folders could not be deleted."; }, 120000)) << status();
        EXPECT_EQ(s.snapshot("outside"), outside);
        // What is left is the links (the entries they replaced went to trash) and e02699 with its link.
        const std::vector<std::wstring> left = s.namesIn("juno/ads");
        EXPECT_TRUE(left.size() == 301 && left.front() == L"e02699" && left.back() == L"e02999") << left.size();
        EXPECT_EQ(s.namesIn("juno/ads/e02699"), std::vector<std::wstring>{L"ad.gif"});
    }
}

}  // namespace
}  // namespace wine
