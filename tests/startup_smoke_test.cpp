#include <gtest/gtest.h>

#include "platform/headless/Headless.h"
#include "window/frmMain.h"

TEST(Smoke, FirstStartWritesDefaultFile) {
    headless::Headless h;
    pellmora::frmMain f(h.form(), h, h.files(), h);
    h.load([&] { f.Form_Load(); });
    EXPECT_EQ(h.files().contents("C:\\Pellmora\\Pellmora.ini").value_or("").size(), 51u);
}
