#include "zip/zamasks.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

TEST(TMask, StarDotStarNeedsADot)
{
    TMask m("*.*");
    EXPECT_TRUE(m.MatchesName("route.ini"));
    EXPECT_TRUE(m.MatchesName(".hidden"));
    EXPECT_TRUE(m.MatchesName("a."));
    EXPECT_FALSE(m.MatchesName("README"));
    EXPECT_FALSE(m.MatchesName(""));
}

TEST(TMask, ExtensionMustFitWhole)
{
    EXPECT_TRUE(FileNameMatchesMask("track.b3d", "*.b3d"));
    EXPECT_FALSE(FileNameMatchesMask("track.b3dx", "*.b3d"));
    EXPECT_FALSE(FileNameMatchesMask("track.b3", "*.b3d"));
    EXPECT_TRUE(FileNameMatchesMask("a.b3d.b3d", "*.b3d"));
}

TEST(TMask, QuestionMarkNeedsExactlyOneCharacter)
{
    EXPECT_TRUE(FileNameMatchesMask("ab", "a?"));
    EXPECT_FALSE(FileNameMatchesMask("a", "a?"));
    EXPECT_FALSE(FileNameMatchesMask("abc", "a?"));
    EXPECT_TRUE(FileNameMatchesMask("a12b", "a??b"));
}

TEST(TMask, StarThenQuestionMarkActsAsStar)
{
    TMask m("a*?");
    // The "?" is dropped: the star and the end state remain after "a".
    ASSERT_EQ(m.Count(), 2);
    EXPECT_TRUE(m.States()[1].AfterStar);
    EXPECT_TRUE(m.MatchesName("a"));
    EXPECT_TRUE(m.MatchesName("abc"));
    EXPECT_TRUE(FileNameMatchesMask("xay", "*?a*"));
}

TEST(TMask, BracketsAreOrdinary)
{
    EXPECT_TRUE(FileNameMatchesMask("[a].txt", "[a].*"));
    EXPECT_FALSE(FileNameMatchesMask("a.txt", "[a].*"));
}

TEST(TMask, CaseIgnoredForAsciiLettersOnly)
{
    EXPECT_TRUE(FileNameMatchesMask("TRACK.B3D", "track.b3d"));
    EXPECT_TRUE(FileNameMatchesMask("track.b3d", "TRACK.*"));
    // Windows-1252 e acute (E9) and E acute (C9) are different here.
    EXPECT_FALSE(FileNameMatchesMask("caf\xE9", "CAF\xC9"));
    EXPECT_TRUE(FileNameMatchesMask("caf\xE9", "CAF\xE9"));
}

TEST(TMask, StarsBacktrack)
{
    EXPECT_TRUE(FileNameMatchesMask("abcabd", "*abd"));
    EXPECT_TRUE(FileNameMatchesMask("xaxbxc", "*a*b*c"));
    EXPECT_FALSE(FileNameMatchesMask("xaxbx", "*a*b*c"));
    EXPECT_TRUE(FileNameMatchesMask("anything", "*"));
    EXPECT_TRUE(FileNameMatchesMask("", "*"));
    EXPECT_TRUE(FileNameMatchesMask("", ""));
    EXPECT_FALSE(FileNameMatchesMask("a", ""));
    EXPECT_TRUE(FileNameMatchesMask("sub/dir/file.txt", "*.txt"));
}

TEST(TMask, ManyStarsStayFast)
{
    std::string mask;
    for (int i = 0; i < 30; ++i)
        mask += "*a";
    mask += "b";
    EXPECT_FALSE(FileNameMatchesMask(std::string(200, 'a'), mask));
    EXPECT_TRUE(FileNameMatchesMask(std::string(200, 'a') + "b", mask));
}

TEST(TMask, MoreThanThirtyStarsIsInvalid)
{
    std::string ok;
    for (int i = 0; i < 29; ++i)
        ok += "*a";
    ok += "*"; // the end state is the 30th
    EXPECT_NO_THROW(TMask{ok});

    std::string bad;
    for (int i = 0; i < 31; ++i)
        bad += "*x";
    try {
        TMask m(bad);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        // The 31st star-preceded "x" is the 62nd character.
        EXPECT_EQ(std::string(e.what()), "'" + bad + "' is an invalid mask at (62)");
    }

    std::string endBad;
    for (int i = 0; i < 30; ++i)
        endBad += "*x";
    endBad += "*";
    try {
        TMask m(endBad);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "'" + endBad + "' is an invalid mask at (62)");
    }
}
