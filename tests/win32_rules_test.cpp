// The Win32 layer's text and layout rules, which need no Windows headers:
// path forms, the command-line tail, twips to pixels, access keys and the
// Tab order across containers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Layout.h"
#include "platform/win32/Paths.h"
#include "window/ControlTable.h"

namespace {

using platform::ControlId;

TEST(ExtendedLengthForm, PrefixesFullDriveAndUncPathsAndLeavesTheRest) {
    EXPECT_EQ(win32::extendedLengthForm(L"C:\\Juno\\ads\\"), L"\\\\?\\C:\\Juno\\ads\\");
    EXPECT_EQ(win32::extendedLengthForm(L"C:\\"), L"\\\\?\\C:\\");
    EXPECT_EQ(win32::extendedLengthForm(L"\\\\server\\share\\ads"), L"\\\\?\\UNC\\server\\share\\ads");
    // The extended form takes every character literally, so "/" must go.
    EXPECT_EQ(win32::extendedLengthForm(L"C:/Juno/ads"), L"\\\\?\\C:\\Juno\\ads");
    // Already extended or a device path: unchanged, never prefixed twice.
    EXPECT_EQ(win32::extendedLengthForm(L"\\\\?\\C:\\x"), L"\\\\?\\C:\\x");
    EXPECT_EQ(win32::extendedLengthForm(L"\\\\?\\UNC\\s\\x"), L"\\\\?\\UNC\\s\\x");
    EXPECT_EQ(win32::extendedLengthForm(L"\\\\.\\COM1"), L"\\\\.\\COM1");
    // Not a full path (the system resolves these): left alone.
    EXPECT_EQ(win32::extendedLengthForm(L"Juno\\ads"), L"Juno\\ads");
    EXPECT_EQ(win32::extendedLengthForm(L"C:"), L"C:");
    EXPECT_EQ(win32::extendedLengthForm(L""), L"");

    const std::wstring deep = L"C:\\" + std::wstring(300, L'a') + L"\\b.gif";
    EXPECT_EQ(win32::extendedLengthForm(deep), L"\\\\?\\" + deep);
}

TEST(ExtendedLengthForm, PrefixComesOffAgainForWhatTheLogicSees) {
    for (const std::wstring path : {L"C:\\Pellmora", L"C:\\", L"\\\\server\\share\\Pellmora"})
        EXPECT_EQ(win32::withoutExtendedPrefix(win32::extendedLengthForm(path)), path);
    EXPECT_EQ(win32::withoutExtendedPrefix(L"D:\\Tools"), L"D:\\Tools");
}

TEST(FolderOf, KeepsTheBackslashOnlyAtADriveRoot) {
    EXPECT_EQ(win32::folderOf(L"C:\\Pellmora.exe"), L"C:\\");
    EXPECT_EQ(win32::folderOf(L"C:\\Tools\\Pellmora\\Pellmora.exe"), L"C:\\Tools\\Pellmora");
    EXPECT_EQ(win32::folderOf(L"\\\\server\\share\\Pellmora.exe"), L"\\\\server\\share");
    EXPECT_EQ(win32::folderOf(L"Z:/tmp/run/Pellmora.exe"), L"Z:/tmp/run");
    EXPECT_EQ(win32::folderOf(L"Pellmora.exe"), L"");
}

TEST(ArgumentsAfterProgramName, DropsTheFirstTokenAndTheBlanksAfterIt) {
    EXPECT_EQ(win32::argumentsAfterProgramName(L"Pellmora.exe"), L"");
    EXPECT_EQ(win32::argumentsAfterProgramName(L"\"C:\\Program Files\\Pellmora\\Pellmora.exe\""), L"");
    EXPECT_EQ(win32::argumentsAfterProgramName(L"\"C:\\Program Files\\Pellmora\\Pellmora.exe\" /"), L"/");
    EXPECT_EQ(win32::argumentsAfterProgramName(L"C:\\Pellmora\\Pellmora.exe  \t/edit"), L"/edit");
    // Only blanks after the name: nothing is left, as an empty argument list.
    EXPECT_EQ(win32::argumentsAfterProgramName(L"Pellmora.exe   "), L"");
    // The rest is handed over untouched, inner and trailing blanks kept.
    EXPECT_EQ(win32::argumentsAfterProgramName(L"Pellmora.exe a  \"b c\" "), L"a  \"b c\" ");
    // A closing quote does not end the token; a blank does.
    EXPECT_EQ(win32::argumentsAfterProgramName(L"\"C:\\P\"ellmora.exe x"), L"x");
    // An unclosed quote takes the whole line as the name.
    EXPECT_EQ(win32::argumentsAfterProgramName(L"\"C:\\Program Files\\P.exe x"), L"");
    EXPECT_EQ(win32::argumentsAfterProgramName(L""), L"");
}

TEST(CommandLineFor, QuotesAPathWithBlanksOnly) {
    EXPECT_EQ(win32::commandLineFor(L"C:\\Program Files\\Juno\\BIN\\Juno.exe"),
              L"\"C:\\Program Files\\Juno\\BIN\\Juno.exe\"");
    EXPECT_EQ(win32::commandLineFor(L"C:\\Juno\\BIN\\Juno.exe"), L"C:\\Juno\\BIN\\Juno.exe");
    EXPECT_EQ(win32::commandLineFor(L"C:\\Tab\there\\Juno.exe"), L"\"C:\\Tab\there\\Juno.exe\"");
}

TEST(TwipsToPixels, FifteenTwipsAPixelAt96DpiAndScaledElsewhere) {
    EXPECT_EQ(win32::twipsToPixels(pellmora::kFormSpec.clientWidth, 96), 309);
    EXPECT_EQ(win32::twipsToPixels(pellmora::kFormSpec.clientHeight, 96), 311);
    EXPECT_EQ(win32::twipsToPixels(16500, 96), 1100);
    EXPECT_EQ(win32::twipsToPixels(-16500, 96), -1100);
    EXPECT_EQ(win32::twipsToPixels(1440, 144), 144);
    EXPECT_EQ(win32::twipsToPixels(375, 120), 31);  // 31.25
    // Halves round away from zero, as MulDiv does.
    EXPECT_EQ(win32::twipsToPixels(7.5f, 96), 1);
    EXPECT_EQ(win32::twipsToPixels(-7.5f, 96), -1);
    EXPECT_EQ(win32::twipsToPixels(7.4f, 96), 0);
    EXPECT_FLOAT_EQ(win32::pixelsToTwips(309, 96), 4635.0f);
    EXPECT_FLOAT_EQ(win32::pixelsToTwips(1024, 96), 15360.0f);
    EXPECT_FLOAT_EQ(win32::pixelsToTwips(2048, 192), 15360.0f);
}

TEST(TwipsToPixels, ANoticeMovedFourTwipsAStepMovesOnePixelInFourSteps) {
    // From the notice's starting Left, 60 steps of 4 twips cover 240 twips:
    // exactly 16 pixels at 96 DPI, one pixel every 3 or 4 steps.
    float left = 3750;
    int moves = 0;
    int previous = win32::twipsToPixels(left, 96);
    EXPECT_EQ(previous, 250);
    for (int step = 0; step < 60; ++step) {
        left -= 4;
        const int pixel = win32::twipsToPixels(left, 96);
        EXPECT_TRUE(pixel == previous || pixel == previous - 1) << "step " << step;
        if (pixel != previous) ++moves;
        previous = pixel;
    }
    EXPECT_EQ(moves, 16);
    EXPECT_EQ(previous, 234);
}

TEST(AccessKey, TheCharacterAfterASingleAmpersandInUpperCase) {
    EXPECT_EQ(win32::accessKey("&OK"), 'O');
    EXPECT_EQ(win32::accessKey("C&lose Pellmora"), 'L');
    EXPECT_EQ(win32::accessKey("Run &Juno"), 'J');
    EXPECT_EQ(win32::accessKey("&1 Option"), '1');
    EXPECT_EQ(win32::accessKey("Ads && More"), '\0');
    EXPECT_EQ(win32::accessKey("Ads && &More"), 'M');
    EXPECT_EQ(win32::accessKey("&&&x"), 'X');
    EXPECT_EQ(win32::accessKey("Trailing&"), '\0');
    EXPECT_EQ(win32::accessKey("&-"), '\0');
    EXPECT_EQ(win32::accessKey("AutoRun Settings"), '\0');
    EXPECT_EQ(win32::accessKey(""), '\0');
}

TEST(TabOrder, FollowsTheTabIndexesAcrossContainersAndSkipsWhatTakesNoFocus) {
    const std::vector<ControlId> expected{
        ControlId::txtJunoPath, ControlId::chkDeleteAds, ControlId::btnApply,         ControlId::btnCancel,
        ControlId::btnOK,       ControlId::btnDeleteAds, ControlId::chkAutoRun,       ControlId::chkRunJuno,
        ControlId::btnRunJuno,  ControlId::chkClosePellmora, ControlId::btnClosePellmora, ControlId::TabStrip1,
    };
    EXPECT_EQ(win32::tabOrder(pellmora::controlTable()), expected);
}

TEST(TabOrder, HiddenControlsAreLeftOutAndEqualIndexesKeepTheTableOrder) {
    std::vector<platform::ControlSpec> rows;
    for (const platform::ControlSpec& row : pellmora::controlTable()) rows.push_back(row);
    rows[platform::index(ControlId::btnApply)].visible = false;
    rows[platform::index(ControlId::btnOK)].tabIndex = 0;
    rows[platform::index(ControlId::btnCancel)].tabIndex = 0;
    const std::vector<ControlId> order = win32::tabOrder(rows);
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(order[0], ControlId::btnOK);  // created before btnCancel
    EXPECT_EQ(order[1], ControlId::btnCancel);
    EXPECT_EQ(order[2], ControlId::txtJunoPath);
    for (ControlId id : order) EXPECT_NE(id, ControlId::btnApply);
}

TEST(FindAccessKey, ASharedKeyCyclesInTabOrderAndAUniqueOneIsPressed) {
    const std::vector<ControlId> order = win32::tabOrder(pellmora::controlTable());
    const auto keyAt = [&](std::size_t i) {
        const platform::ControlSpec& row = pellmora::controlSpec(order[i]);
        const bool captioned = row.kind == platform::ControlKind::Button || row.kind == platform::ControlKind::CheckBox;
        return captioned ? win32::accessKey(row.text) : '\0';
    };
    const auto position = [&](ControlId id) {
        for (std::size_t i = 0; i < order.size(); ++i)
            if (order[i] == id) return static_cast<int>(i);
        return -1;
    };
    const auto at = [&](int p) { return order[static_cast<std::size_t>(p)]; };

    // "&Cancel" and "&Close Pellmora Now": the next one after the focus.
    auto c = win32::findAccessKey(order.size(), position(ControlId::txtJunoPath), 'C', keyAt);
    ASSERT_GE(c.position, 0);
    EXPECT_FALSE(c.unique);
    EXPECT_EQ(at(c.position), ControlId::btnCancel);
    c = win32::findAccessKey(order.size(), c.position, 'C', keyAt);
    EXPECT_EQ(at(c.position), ControlId::btnClosePellmora);
    c = win32::findAccessKey(order.size(), c.position, 'C', keyAt);
    EXPECT_EQ(at(c.position), ControlId::btnCancel);  // wraps round
    c = win32::findAccessKey(order.size(), position(ControlId::chkRunJuno), 'C', keyAt);
    EXPECT_EQ(at(c.position), ControlId::btnClosePellmora);

    // "D&elete All Ads" is the only E; "C&lose Pellmora" the only L.
    const auto e = win32::findAccessKey(order.size(), -1, 'E', keyAt);
    ASSERT_GE(e.position, 0);
    EXPECT_TRUE(e.unique);
    EXPECT_EQ(at(e.position), ControlId::chkDeleteAds);
    const auto l = win32::findAccessKey(order.size(), position(ControlId::chkClosePellmora), 'L', keyAt);
    EXPECT_TRUE(l.unique);
    EXPECT_EQ(at(l.position), ControlId::chkClosePellmora);  // found again from itself

    // No control has Z; the tab strip's "General" has no access key.
    EXPECT_EQ(win32::findAccessKey(order.size(), 0, 'Z', keyAt).position, -1);
    EXPECT_EQ(win32::findAccessKey(order.size(), 0, 'G', keyAt).position, -1);
}

}  // namespace
