#include "zip/zaerrors.h"

#include <gtest/gtest.h>

namespace {

TZAComponent Named(const std::string& name)
{
    TZAComponent c;
    c.Name = name;
    return c;
}

TEST(ZAErrors, ComponentNamePrefixesMessageAndCodeIsPadded)
{
    TZAComponent c = Named("ZipArchiver1");
    EZAException e(13, &c);
    EXPECT_STREQ(e.what(), "ZipArchiver1: Archive is not open - Native error: 00013");
    EXPECT_EQ(e.ErrorCode, 7);
    EXPECT_EQ(e.NativeError, 13);
}

TEST(ZAErrors, DamagedItemExample)
{
    TZAComponent c = Named("ZipArchiver1");
    EZAException e(8, &c);
    EXPECT_STREQ(e.what(), "ZipArchiver1: Invalid check sum of file - Native error: 00008");
}

TEST(ZAErrors, NoComponentOrEmptyNameGivesNoPrefix)
{
    EZAException e(5, nullptr);
    EXPECT_STREQ(e.what(), "Invalid compression mode. Mode must be in [0-9] range - Native error: 00005");
    TZAComponent unnamed;
    EZAException e2(35, &unnamed);
    EXPECT_STREQ(e2.what(), "Invalid archive file. - Native error: 00035");
}

TEST(ZAErrors, UnknownCodeReadsUnknownError)
{
    EZAException e(99, nullptr);
    EXPECT_STREQ(e.what(), "Unknown error - Native error: 00099");
    EXPECT_EQ(e.ErrorCode, 0);
    EXPECT_EQ(e.NativeError, 99);
    EZAException big(1234567, nullptr);
    EXPECT_STREQ(big.what(), "Unknown error - Native error: 1234567");
}

TEST(ZAErrors, FormatArgumentsFillTextAndNumbers)
{
    EZAException e(34, nullptr, {int64_t(1000), int64_t(600)});
    EXPECT_STREQ(e.what(), "Invalid compressed size, rfs.size = 1000, count = 600 - Native error: 00034");
    TZAComponent c = Named("Z");
    EZAException f(12, &c, {std::string("C:\\a.zip")});
    EXPECT_STREQ(f.what(), "Z: File \"C:\\a.zip\" not found - Native error: 00012");
    // Code 28's text has no place for its argument.
    EZAException g(28, &c, {std::string("x.zip")});
    EXPECT_STREQ(g.what(), "Z: In-memory archive can be created only - Native error: 00028");
}

TEST(ZAErrors, TableMapsEveryClassicCode)
{
    const int expected[40] = {0, 1, 1, 1, 1, 2, 3, 1, 4, 5, 5, 6, 6, 7, 7, 6, 1, 8, 6, 9,
                              10, 1, 11, 9, 1, 11, 13, 14, 15, 5, 6, 6, 16, 12, 17, 18, 19, 20, 6, 21};
    for (int code = 0; code < 40; ++code)
        EXPECT_EQ(ZAErrorIndex(code), expected[code]) << code;
    EXPECT_EQ(ZAErrorMessageCount, 39);
    EXPECT_STREQ(ZAErrorMessages[20], "Archive is open. You should close it beore performing this operation.");
}

TEST(ZAErrors, NamesShowAsUtf8AndLongOnesShortened)
{
    EZAException e(ZAErrUnsafeName, nullptr, {std::string("Z\xFCrich/\xE9.txt")});
    EXPECT_NE(std::string(e.what()).find("Z\xC3\xBCrich/\xC3\xA9.txt"), std::string::npos) << e.what();
    const std::string longName = std::string(65535, 'a') + "/end.txt";
    EZAException f(ZAErrUnsafeName, nullptr, {longName});
    const std::string text = f.what();
    EXPECT_LT(text.size(), 600u);
    EXPECT_NE(text.find("\xE2\x80\xA6"), std::string::npos);
    EXPECT_NE(text.find("aaa/end.txt"), std::string::npos);
    // Control characters never reach a terminal or split a line.
    EXPECT_EQ(ZAShownName(std::string("a\x1B[2Jb\n\x07.txt")), "a\\x1B[2Jb\\x0A\\x07.txt");
    EXPECT_EQ(ZAShownName("c\xC2\x9B" "1m\xC3\xA9"), "c\\u009B1m\xC3\xA9");
}

} // namespace
