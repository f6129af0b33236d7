// The Win32 layer's path and command-line rules, which need no Windows headers.
#include <gtest/gtest.h>

#include "platform/win32/Layout.h"
#include "platform/win32/Paths.h"
#include "platform/win32/Text.h"

namespace {

// Where a control kept in twips is drawn: halves away from zero, fractions
// kept (the window tests see it drawn there, at each DPI).
TEST(TwipsToPixels, RoundsToNearestWithHalvesAwayFromZero) {
    EXPECT_EQ(win32::twipsToPixels(3742.5f, 96), 250);  // 249.5 pixels
    EXPECT_EQ(win32::twipsToPixels(3742.4f, 96), 249);  // 249.49
    EXPECT_EQ(win32::twipsToPixels(-22.5f, 96), -2);    // -1.5
}

TEST(ExtendedLengthForm, PrefixesFullDriveAndUncPathsAndLeavesTheRest) {
    EXPECT_EQ(win32::extendedLengthForm(L"C:\\"), L"\\\\?\\C:\\");
    EXPECT_EQ(win32::extendedLengthForm(L"\\\\server\\share\\ads"), L"\\\\?\\UNC\\server\\share\\ads");
    EXPECT_EQ(win32::extendedLengthForm(L"C:/Juno/ads"), L"\\\\?\\C:\\Juno\\ads");  // taken literally: "/" goes
    EXPECT_EQ(win32::extendedLengthForm(L"\\\\?\\C:\\x"), L"\\\\?\\C:\\x");          // never prefixed twice
    EXPECT_EQ(win32::extendedLengthForm(L"\\\\.\\COM1"), L"\\\\.\\COM1");
    EXPECT_EQ(win32::extendedLengthForm(L"Juno\\ads"), L"Juno\\ads");  // not a full path: left alone
}

TEST(ArgumentsAfterProgramName, DropsTheFirstTokenAndTheBlanksAfterIt) {
    EXPECT_EQ(win32::argumentsAfterProgramName(L"\"C:\\Program Files\\Pellmora\\Pellmora.exe\" /"), L"/");
    EXPECT_EQ(win32::argumentsAfterProgramName(L"C:\\Pellmora\\Pellmora.exe  \t/edit"), L"/edit");
    EXPECT_EQ(win32::argumentsAfterProgramName(L"Pellmora.exe a  \"b c\" "), L"a  \"b c\" ");  // rest untouched
    EXPECT_EQ(win32::argumentsAfterProgramName(L"\"C:\\P\"ellmora.exe x"), L"x");  // a blank ends the token
    EXPECT_EQ(win32::argumentsAfterProgramName(L"\"C:\\Program Files\\P.exe x"), L"");  // unclosed quote
}

// A name goes back to the system as listed, a lone surrogate too.
TEST(Wtf8, CarriesEveryNameUnchangedAndIsUtf8WhereUtf8Can) {
    EXPECT_EQ(win32::toWtf8(L"\u00e9\xD83D\xDE00 \xD800"), "\xC3\xA9\xF0\x9F\x98\x80 \xED\xA0\x80");
    for (const std::wstring name :
         {L"s\xD800x", L"\xDFFF\xD83D\xDE00\xD83D", L"\xDE00\xD83D", L"\xD800\xD837\xDC00", L"A\u65e5"})
        EXPECT_EQ(win32::fromWtf8(win32::toWtf8(name)), name);
    EXPECT_EQ(win32::fromWtf8("a\xF0\x9F\x98") + win32::fromWtf8("\xC0\x80") + win32::fromWtf8("\xE0\x80\x80"), L"");
    EXPECT_EQ(win32::fromWtf8("\xED\xA0\xBD\xED\xB8\x80"), L"");  // U+1F600 as two surrogates: only F0 9F 98 80
}

}  // namespace
