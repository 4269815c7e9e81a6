#include "platform/codepage.h"

#include <gtest/gtest.h>

TEST(CodePage, AnsiUtf8RoundTripOfEveryByte)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
    EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(Utf8ToAnsi("\xE2\x82\xAC"), "\x80");
    EXPECT_EQ(Utf8ToAnsi("\xE2\x96\x91"), "?"); // light shade: not in 1252
}

TEST(CodePage, OemNamesForArchives)
{
    // "Zürich Öl" in 1252 -> 850: ü = 0x81, Ö = 0x99.
    EXPECT_EQ(AnsiToOem("Z\xFCrich \xD6l"), "Z\x81rich \x99l");
    EXPECT_EQ(OemToAnsi("Z\x81rich \x99l"), "Z\xFCrich \xD6l");
    EXPECT_EQ(AnsiToOem("\x80"), "?"); // euro: not in 850
    EXPECT_EQ(OemToUtf8("\x81"), "\xC3\xBC");
    EXPECT_EQ(AnsiToOem("plain/ascii.txt"), "plain/ascii.txt");
    // Every 850 character that 1252 also has survives the trip back.
    for (int b = 0x80; b < 256; ++b) {
        std::string oem(1, static_cast<char>(b));
        std::string ansi = OemToAnsi(oem);
        if (ansi != "?") {
            EXPECT_EQ(AnsiToOem(ansi), oem) << b;
        }
    }
}
