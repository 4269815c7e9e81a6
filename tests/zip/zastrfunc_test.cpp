#include "zip/zastrfunc.h"

#include "zatesthelp.h"

#include <gtest/gtest.h>

namespace {

using namespace zatest;

TEST(ZAMaskMatch, StarDotStarMatchesEverything)
{
    EXPECT_TRUE(MatchesMaskEx("Readme", "*.*", true));
    EXPECT_TRUE(MatchesMaskEx("a/b/c.txt", "*.*", true));
    EXPECT_TRUE(MatchesMaskEx("", "*.*", true));
    EXPECT_TRUE(MatchesMaskEx("anything", "*", true));
}

TEST(ZAMaskMatch, CaseAndQuestionMarks)
{
    EXPECT_TRUE(MatchesMaskEx("route.CSV", "*.csv", true));
    EXPECT_FALSE(MatchesMaskEx("route.CSV", "*.csv", false));
    EXPECT_TRUE(MatchesMaskEx("abc", "a?c", true));
    EXPECT_FALSE(MatchesMaskEx("ac", "a?c", true));
    EXPECT_FALSE(MatchesMaskEx("abbc", "a?c", true));
    EXPECT_TRUE(MatchesMaskEx("\xE4" "x", "\xC4" "X", true)); // Windows-1252 letters fold too
}

TEST(ZAMaskMatch, StarEdgeCases)
{
    EXPECT_TRUE(MatchesMaskEx("a", "a*", true));
    EXPECT_FALSE(MatchesMaskEx("a", "a**", true)); // a trailing "**" after an exhausted name
    EXPECT_TRUE(MatchesMaskEx("ab", "a**", true));
    EXPECT_TRUE(MatchesMaskEx("railway/object/x.b3d", "railway/*/*.b3d", true));
    EXPECT_FALSE(MatchesMaskEx("x.b3dx", "*.b3d", true));
    // Many stars stay fast.
    std::string name(200, 'a');
    EXPECT_FALSE(MatchesMaskEx(name, "*a*a*a*a*a*a*a*a*a*a*a*a*b", true));
}

TEST(ZAStoredName, ThreeStorePathModes)
{
    ScratchDir d;
    std::string file = d.Path + "/r/temp/railway/object/x/a.b3d";
    std::string base = d.Path + "/r/temp/";
    WriteFile(file, "x");
    EXPECT_EQ(GetStoredFileName(file, base, spRelativePath), "railway/object/x/a.b3d");
    EXPECT_EQ(GetStoredFileName(file, base, spNoPath), "a.b3d");
    EXPECT_EQ(GetStoredFileName(file, base, spFullPath), d.Path + "/r/temp/railway/object/x/a.b3d");
    // Windows separators in the input are taken as separators.
    EXPECT_EQ(GetStoredFileName("railway\\object\\x\\a.b3d", base, spRelativePath), "railway/object/x/a.b3d");
    // A folder's trailing separator is dropped; a file outside the base gets "../".
    EXPECT_EQ(GetStoredFileName(d.Path + "/r/temp/railway/", base, spRelativePath), "railway");
    EXPECT_EQ(GetStoredFileName(d.Path + "/r/other.txt", base, spRelativePath), "../other.txt");
}

TEST(ZAStoredName, DriveAndLeadingSeparatorDropped)
{
    EXPECT_EQ(GetStoredFileName("/C:/r/a.txt", "/", spFullPath), "/r/a.txt");
    EXPECT_EQ(GetStoredFileName("/C:/r/a.txt", "/", spRelativePath), "r/a.txt");
}

TEST(ZAPaths, DirWithBackslashAndExpand)
{
    std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(DirWithBackslash(""), cwd + "/");
    EXPECT_EQ(DirWithBackslash("/a/b"), "/a/b/");
    EXPECT_EQ(DirWithBackslash("/a/b/"), "/a/b/");
    ScratchDir d;
    std::filesystem::create_directories(d.Path + "/x/y");
    EXPECT_EQ(ExpandFileNameRelative(d.Path + "/x/y/../", ""), d.Path + "/x");
    EXPECT_EQ(ExpandFileNameRelative("/no/such/folder/", ""), "/no/such/folder/");
    EXPECT_EQ(ExpandFileNameRelative(d.Path + "/x", "y/../z.txt"), d.Path + "/x/z.txt");
    EXPECT_EQ(ExpandFileNameRelative(d.Path, "/abs/f"), "/abs/f");
}

TEST(ZACompare, OrderAndCase)
{
    EXPECT_EQ(ZACompareText("Route.CSV", "route.csv"), 0);
    EXPECT_LT(ZACompareText("a", "B"), 0);
    EXPECT_GT(ZACompareStrN("b", "a", 5), 0);
    EXPECT_EQ(ZACompareStrN("abcX", "abcY", 3), 0);
    EXPECT_EQ(ZACompareTextN("ABCx", "abcy", 3), 0);
    EXPECT_LT(ZACompareText("ab", "abc"), 0);
}

} // namespace
