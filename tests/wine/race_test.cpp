// Someone who may write to the ads folder (the client's own downloads need
// that) swaps entries for links while a cleanup runs, once it has listed
// them: the last entries in listing order (Wine lists names sorted) for links
// to folders outside, and the file of a late entry for a link to a file
// outside. Nothing outside changes, the links stay, every other entry goes.
#include "tests/wine/Driver.h"

namespace wine {
namespace {

constexpr int kEntries = 3000, kFirstSwapped = 2700, kRuns = 3;
const std::wstring kLate = L"e02699";  // the entry whose file becomes a link

// Makes the tree, says "made", waits for "go", swaps, says "swapped"; a swap
// that finds an entry gone already stops short of "swapped".
constexpr std::string_view kAttack = R"(set -e
mkdir -p juno/ads outside trash
cd juno/ads
seq -f e%05g 0 2999 | xargs mkdir
for d in e*; do echo "ad $d" > "$d/ad.gif"; done
cd ../../outside
seq -f e%05g 2700 2999 | xargs mkdir
for d in e*; do echo "keep $d" > "$d/ad.gif"; echo "mine $d" > "$d/letter.txt"; done
echo keep > target.txt
cd ..
touch made
while [ ! -e go ]; do sleep 0.001; done
mv juno/ads/e027* juno/ads/e028* juno/ads/e029* trash/
ln -s "$PWD"/outside/e0* juno/ads/
mv juno/ads/e02699/ad.gif trash/ad.gif
ln -s "$PWD/outside/target.txt" juno/ads/e02699/ad.gif
touch swapped
)";

TEST(CleanupRace, EntriesSwappedForLinksAfterTheListingLeadNowhere) {
    for (int run = 1; run <= kRuns; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        Scratch s;
        s.shell(kAttack);
        ASSERT_TRUE(waitFor([&] { return fs::exists(s.path("made")); }, 60000));
        const auto outside = s.snapshot("outside");
        Pellmora p(s.path("app"), iniFile(s.path("juno").string() + "\\", 0, 1, 1, 1));
        ASSERT_NE(p.window(), nullptr);
        const HWND status = p.control(ControlId::labStatus);
        p.click(ControlId::btnDeleteAds);
        ASSERT_TRUE(waitFor([&] { return driving::storedTextOf(status).ends_with(L" folders left."); }, 60000));
        writeFile(s.path("go"), "");
        ASSERT_TRUE(waitFor([&] { return fs::exists(s.path("swapped")); }, 60000)) << "the swap came too late";
        const std::wstring end = std::to_wstring(kEntries - kFirstSwapped + 1) + L" folders could not be deleted.";
        EXPECT_TRUE(waitFor([&] { return driving::storedTextOf(status) == end; }, 120000)) << driving::storedTextOf(status);
        EXPECT_EQ(s.snapshot("outside"), outside);
        std::vector<std::wstring> left{kLate};
        for (int i = kFirstSwapped; i < kEntries; ++i) {
            wchar_t name[8];
            swprintf(name, 8, L"e%05d", i);
            left.emplace_back(name);
            EXPECT_NE(GetFileAttributesW(s.path(L"juno/ads/" + left.back()).c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
        }
        EXPECT_EQ(s.namesIn("juno/ads"), left);
        EXPECT_EQ(s.namesIn(L"juno/ads/" + kLate), std::vector<std::wstring>{L"ad.gif"});
    }
}

}  // namespace
}  // namespace wine
