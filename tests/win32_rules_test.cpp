// The Win32 layer's text and layout rules, which need no Windows headers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Layout.h"
#include "platform/win32/Paths.h"
#include "window/ControlTable.h"

namespace {

using platform::ControlId;

TEST(ExtendedLengthForm, PrefixesFullDriveAndUncPathsAndLeavesTheRest) {
    EXPECT_EQ(win32::extendedLengthForm(L"C:\\"), L"\\\\?\\C:\\");
    EXPECT_EQ(win32::extendedLengthForm(L"\\\\server\\share\\ads"), L"\\\\?\\UNC\\server\\share\\ads");
    EXPECT_EQ(win32::extendedLengthForm(L"C:/Juno/ads"), L"\\\\?\\C:\\Juno\\ads");  // taken literally: "/" goes
    EXPECT_EQ(win32::extendedLengthForm(L"\\\\?\\C:\\x"), L"\\\\?\\C:\\x");          // never prefixed twice
    EXPECT_EQ(win32::extendedLengthForm(L"\\\\.\\COM1"), L"\\\\.\\COM1");
    EXPECT_EQ(win32::extendedLengthForm(L"Juno\\ads"), L"Juno\\ads");  // not a full path: left alone
    const std::wstring deep = L"C:\\" + std::wstring(300, L'a') + L"\\b.gif";
    EXPECT_EQ(win32::extendedLengthForm(deep), L"\\\\?\\" + deep);
}

TEST(ArgumentsAfterProgramName, DropsTheFirstTokenAndTheBlanksAfterIt) {
    EXPECT_EQ(win32::argumentsAfterProgramName(L"\"C:\\Program Files\\Pellmora\\Pellmora.exe\" /"), L"/");
    EXPECT_EQ(win32::argumentsAfterProgramName(L"C:\\Pellmora\\Pellmora.exe  \t/edit"), L"/edit");
    EXPECT_EQ(win32::argumentsAfterProgramName(L"Pellmora.exe a  \"b c\" "), L"a  \"b c\" ");  // rest untouched
    EXPECT_EQ(win32::argumentsAfterProgramName(L"\"C:\\P\"ellmora.exe x"), L"x");  // a blank ends the token
    EXPECT_EQ(win32::argumentsAfterProgramName(L"\"C:\\Program Files\\P.exe x"), L"");  // unclosed quote
}

TEST(TwipsToPixels, FifteenTwipsAPixelAt96DpiAndScaledElsewhere) {
    EXPECT_EQ(win32::twipsToPixels(4635, 96), 309);  // the window's client width
    EXPECT_EQ(win32::twipsToPixels(-16500, 96), -1100);
    EXPECT_EQ(win32::twipsToPixels(375, 120), 31);  // 31.25
    EXPECT_EQ(win32::twipsToPixels(7.5f, 96), 1);   // halves round away from zero, as MulDiv does
    EXPECT_EQ(win32::twipsToPixels(7.4f, 96), 0);
    EXPECT_FLOAT_EQ(win32::pixelsToTwips(2048, 192), 15360.0f);
}

TEST(TabOrder, FollowsTheTabIndexesAcrossContainersAndSkipsWhatTakesNoFocus) {
    const std::vector<ControlId> expected{
        ControlId::txtJunoPath, ControlId::chkDeleteAds,     ControlId::btnApply,         ControlId::btnCancel,
        ControlId::btnOK,       ControlId::btnDeleteAds,     ControlId::chkAutoRun,       ControlId::chkRunJuno,
        ControlId::btnRunJuno,  ControlId::chkClosePellmora, ControlId::btnClosePellmora, ControlId::TabStrip1,
    };
    EXPECT_EQ(win32::tabOrder(pellmora::controlTable()), expected);
}

}  // namespace
