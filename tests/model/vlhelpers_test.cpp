#include "model/vlhelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

// ---------------------------------------------------------------------------
// Number format

TEST(NumberFormat, WriterEdgeCases)
{
    EXPECT_EQ(FloatToStrDot(0), "0.00000");
    EXPECT_EQ(FloatToStrDot(25), "25.00000");
    EXPECT_EQ(FloatToStrDot(1234.56), "1234.60000");
    EXPECT_EQ(FloatToStrDot(0.123456), "0.12346");
    EXPECT_EQ(FloatToStrDot(12345.67), "12346.00000");
    EXPECT_EQ(FloatToStrDot(-7.5), "-7.50000");
    EXPECT_EQ(FloatToStrDot(0.1), "0.10000");
    EXPECT_EQ(FloatToStrDot(99999.4), "99999.00000");
    EXPECT_EQ(FloatToStrDot(99999.5), "1E5");
    EXPECT_EQ(FloatToStrDot(99999.96), "1E5");
    EXPECT_EQ(FloatToStrDot(100000), "1E5");
    EXPECT_EQ(FloatToStrDot(123456.7), "1.2346E5");
    EXPECT_EQ(FloatToStrDot(-250000), "-2.5E5");
    EXPECT_EQ(FloatToStrDot(1234567), "1.2346E6");
    EXPECT_EQ(FloatToStrDot(-0.000004), "0.00000");
    EXPECT_EQ(FloatToStrDot(-0.000006), "-0.00001");
    EXPECT_EQ(FloatToStrDot(0.000005), "0.00001");
    EXPECT_EQ(FloatToStrDot(-0.0), "0.00000");
    EXPECT_EQ(FloatToStrDot(1e-300), "0.00000");
    EXPECT_EQ(FloatToStrDot(1e300), "1E300");
    EXPECT_EQ(FloatToStrDot(9.99999), "10.00000");
    EXPECT_EQ(FloatToStrDot(0.099999), "0.10000");
}

TEST(NumberFormat, WriterRoundsHalvesAwayFromZeroOnDecimalDigits)
{
    // Exact binary values on a tie: decimal rounding goes up, where a
    // round-half-even or a multiply-and-round trick would not.
    EXPECT_EQ(FloatToStrDot(0.125), "0.12500");
    EXPECT_EQ(FloatToStrDot(1.03125), "1.03130");   // 1.0312|5 exactly
    EXPECT_EQ(FloatToStrDot(-1.03125), "-1.03130");
    EXPECT_EQ(FloatToStrDot(0.000015), "0.00002");  // not exact, but above the tie
    EXPECT_EQ(FloatToStrDot(2.5), "2.50000");
    EXPECT_EQ(FloatToStrDot(12344.5), "12345.00000");
    EXPECT_EQ(FloatToStrDot(12345.5), "12346.00000");
    EXPECT_EQ(FloatToStrDot(123455), "1.2346E5");
    EXPECT_EQ(FloatToStrDot(123445), "1.2345E5");   // 1.2344|5 rounds up too
    // The digits of the stored binary value decide: 2.00005 is stored a
    // little below the tie, 1.00005 a little above it.
    EXPECT_EQ(FloatToStrDot(2.00005), "2.00000");
    EXPECT_EQ(FloatToStrDot(1.00005), "1.00010");
}

TEST(NumberFormat, WriterIgnoresNonFinite)
{
    EXPECT_EQ(FloatToStrDot(std::nan("")), "0.00000");
    EXPECT_EQ(FloatToStrDot(INFINITY), "0.00000");
}

TEST(NumberFormat, ReaderEdgeCases)
{
    EXPECT_DOUBLE_EQ(StrToFloatDot("12.5"), 12.5);
    EXPECT_DOUBLE_EQ(StrToFloatDot("12,5"), 0);
    EXPECT_DOUBLE_EQ(StrToFloatDot("7"), 7);
    EXPECT_DOUBLE_EQ(StrToFloatDot("-7"), -7);
    EXPECT_DOUBLE_EQ(StrToFloatDot("1.2346E5"), 123460);
    EXPECT_DOUBLE_EQ(StrToFloatDot("1.2346e+5"), 123460);
    EXPECT_DOUBLE_EQ(StrToFloatDot("abc.d"), 0);
    EXPECT_DOUBLE_EQ(StrToFloatDot(""), 0);
    EXPECT_DOUBLE_EQ(StrToFloatDot("  -3.25  "), -3.25);
    EXPECT_DOUBLE_EQ(StrToFloatDot("+3.5"), 3.5);
    EXPECT_DOUBLE_EQ(StrToFloatDot(".5"), 0.5);
    EXPECT_DOUBLE_EQ(StrToFloatDot("5."), 5);
    EXPECT_DOUBLE_EQ(StrToFloatDot("1.5x"), 0);
    EXPECT_DOUBLE_EQ(StrToFloatDot("inf."), 0);
    EXPECT_DOUBLE_EQ(StrToFloatDot("nan"), 0);
    EXPECT_DOUBLE_EQ(StrToFloatDot("1.0E999"), 0);
    EXPECT_DOUBLE_EQ(StrToFloatDot("+-1.0"), 0);
    EXPECT_DOUBLE_EQ(StrToFloatDot("."), 0);
    // The point-less exponent form the writer produces from 100000 on.
    EXPECT_DOUBLE_EQ(StrToFloatDot("1E5"), 100000);
    EXPECT_DOUBLE_EQ(StrToFloatDot("-3E5"), -300000);
    EXPECT_DOUBLE_EQ(StrToFloatDot("1E300"), 1e300);
    EXPECT_DOUBLE_EQ(StrToFloatDot("E5"), 0);
    EXPECT_DOUBLE_EQ(StrToFloatDot("1E"), 0);
    EXPECT_DOUBLE_EQ(StrToFloatDot("1x5"), 0);
}

TEST(NumberFormat, WriteThenReadKeepsFiveSignificantDigits)
{
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-4, 12);
    for (int i = 0; i < 200000; ++i) {
        double v = mantissa(rng) * std::pow(10.0, exponent(rng));
        std::string text = FloatToStrDot(v);
        double back = StrToFloatDot(text);
        // Rounded to 5 significant digits, and never finer than 0.00001.
        double tolerance = std::max(std::fabs(v) * 5e-5, 0.000005) * (1 + 1e-9);
        ASSERT_LE(std::fabs(back - v), tolerance) << v << " -> " << text;
        // Writing the read value again gives the same text.
        ASSERT_EQ(FloatToStrDot(back), text) << v;
    }
}

TEST(NumberFormat, WriterAgreesWithLongDecimalExpansion)
{
    // Cross-check against a 60-digit expansion by printf, rounded by hand.
    std::mt19937_64 rng(99);
    std::uniform_real_distribution<double> dist(0.0, 99999.0);
    for (int i = 0; i < 20000; ++i) {
        double v = std::round(dist(rng) * 1e5) / 1e5 + 0.000005 * (i % 3 - 1);
        if (v <= 0)
            continue;
        char buf[128];
        std::snprintf(buf, sizeof buf, "%.60e", v);
        std::string s(buf);
        std::string digits;
        for (std::size_t k = 0; k < s.find('e'); ++k)
            if (s[k] != '.')
                digits += s[k];
        int e = std::stoi(s.substr(s.find('e') + 1)) + 1;
        int keep = std::min(5, e + 5);
        if (keep < 0)
            continue;
        long long m = keep == 0 ? 0 : std::stoll(digits.substr(0, static_cast<std::size_t>(keep)));
        if (digits[static_cast<std::size_t>(keep)] >= '5')
            ++m;
        double expected = static_cast<double>(m) * std::pow(10.0, e - keep);
        ASSERT_NEAR(StrToFloatDot(FloatToStrDot(v)), expected, expected * 1e-12 + 1e-12) << buf;
    }
}

TEST(NumberFormat, RoundHalvesToEven)
{
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(3.5), 4);
    EXPECT_EQ(Round(-2.5), -2);
    EXPECT_EQ(Round(-3.5), -4);
    EXPECT_EQ(Round(0.49999999999999994), 0);
    EXPECT_EQ(Round(-0.6), -1);
    EXPECT_EQ(Round(1e20), std::numeric_limits<int>::max());
    EXPECT_EQ(Round(std::nan("")), 0);
    // Near the ends of the int range, and everywhere in between, the nearest
    // whole number with halves to the even one.
    EXPECT_EQ(Round(2147483646.5), 2147483646);
    EXPECT_EQ(Round(2147483646.6), 2147483647);
    EXPECT_EQ(Round(2147483647.4), 2147483647);
    EXPECT_EQ(Round(-2147483647.5), -2147483648.0);
    EXPECT_EQ(Round(-2147483646.5), -2147483646);
    std::mt19937 random(7);
    for (int i = 0; i < 100000; ++i) {
        const double whole = std::uniform_int_distribution<int>(-2000000000, 2000000000)(random);
        const double x = i % 3 == 0 ? whole + 0.5 : whole + std::uniform_real_distribution<double>(-0.5, 0.5)(random);
        const double below = std::floor(x);
        const double expected = x - below < 0.5    ? below
                                : x - below > 0.5  ? below + 1
                                : std::fmod(below, 2.0) == 0.0 ? below
                                                               : below + 1;
        ASSERT_EQ(Round(x), expected) << x;
    }
}

TEST(NumberFormat, WholeNumbers)
{
    EXPECT_EQ(StrToIntDef("42", -1), 42);
    EXPECT_EQ(StrToIntDef(" -42 ", -1), -42);
    EXPECT_EQ(StrToIntDef("+7", -1), 7);
    EXPECT_EQ(StrToIntDef("4.2", -1), -1);
    EXPECT_EQ(StrToIntDef("", -1), -1);
    EXPECT_EQ(StrToIntDef("+-1", -1), -1);
    EXPECT_EQ(StrToIntDef("2147483648", -1), -1);
    EXPECT_EQ(StrToIntDef("-2147483648", 0), -2147483647 - 1);
}

// ---------------------------------------------------------------------------
// Texts

TEST(Texts, GetTokenIgnoresQuotes)
{
    EXPECT_EQ(GetToken("a,,c", ",", 3), "c");
    EXPECT_EQ(GetToken("a,,c", ",", 2), "");
    EXPECT_EQ(GetToken("a,,c", ",", 4), "");
    EXPECT_EQ(GetToken("a,,c", ",", 0), "");
    EXPECT_EQ(GetToken(",,x", ",", 3), "x");
    EXPECT_EQ(GetToken("\"x,y\",z", ",", 2), "y\"");
    EXPECT_EQ(GetToken("", ",", 1), "");
    EXPECT_EQ(GetToken("a b;c", " ;", 3), "c");
}

TEST(Texts, RemoveQuotesKeepsInnerQuotes)
{
    EXPECT_EQ(RemoveQuotes("\"\"a\"b\"\""), "a\"b");
    EXPECT_EQ(RemoveQuotes(""), "");
    EXPECT_EQ(RemoveQuotes("\"\""), "");
    EXPECT_EQ(RemoveQuotes("abc"), "abc");
}

TEST(CommaText, Writing)
{
    EXPECT_EQ(ListToCommaText({"a", "b c", "", "d\"e", "f,g"}), "a,\"b c\",,\"d\"\"e\",\"f,g\"");
    EXPECT_EQ(ListToCommaText({""}), "\"\"");
    EXPECT_EQ(ListToCommaText({}), "");
    EXPECT_EQ(ListToCommaText({"stopsign=signs\\ne5.b3d"}), "stopsign=signs\\ne5.b3d");
    EXPECT_EQ(ListToCommaText({"tab\there"}), "\"tab\there\"");
}

TEST(CommaText, Reading)
{
    EXPECT_EQ(CommaTextToList("a b,c"), (TStrings{"a", "b", "c"}));
    EXPECT_EQ(CommaTextToList("  a , b"), (TStrings{"a", "b"}));
    EXPECT_EQ(CommaTextToList("a,"), (TStrings{"a", ""}));
    EXPECT_EQ(CommaTextToList("a,,b"), (TStrings{"a", "", "b"}));
    EXPECT_EQ(CommaTextToList(""), TStrings{});
    EXPECT_EQ(CommaTextToList("   "), TStrings{});
    EXPECT_EQ(CommaTextToList("\"\""), TStrings{""});
    EXPECT_EQ(CommaTextToList("\"x \"\"y\"\"\",z"), (TStrings{"x \"y\"", "z"}));
    EXPECT_EQ(CommaTextToList("\"open"), TStrings{"open"});
    EXPECT_EQ(CommaTextToList("\"a\"b"), (TStrings{"a", "b"}));
    EXPECT_EQ(CommaTextToList("\"Hill Road\",1=12,2=15"), (TStrings{"Hill Road", "1=12", "2=15"}));
}

TEST(CommaText, RoundTripOfAwkwardItems)
{
    const TStrings lists[] = {
        {"a", "", "b"},
        {"", "x"},
        {"x", ""},
        {""},
        {"with space", "\"quoted\"", "comma,inside", "\r\n", "\x01", "\xE4\xF6\xFC"},
        {"", "", ""},
        {"\""},
    };
    for (const auto& l : lists)
        EXPECT_EQ(CommaTextToList(ListToCommaText(l)), l) << ListToCommaText(l);

    std::mt19937 rng(7);
    const char alphabet[] = "ab \",=\t\r\n\\x";
    for (int i = 0; i < 5000; ++i) {
        TStrings l(1 + rng() % 5);
        for (auto& item : l)
            for (unsigned k = rng() % 6; k > 0; --k)
                item += alphabet[rng() % (sizeof alphabet - 1)];
        ASSERT_EQ(CommaTextToList(ListToCommaText(l)), l) << ListToCommaText(l);
    }
}

TEST(Texts, ReplaceLineWithList)
{
    TStrings t{"a", "MARK", "b", "mark"};
    ReplaceLineWithList(t, "mark", {"x", "y"});
    EXPECT_EQ(t, (TStrings{"a", "x", "y", "b", "mark"}));
    ReplaceLineWithList(t, "absent", {"z"});
    EXPECT_EQ(t, (TStrings{"a", "x", "y", "b", "mark"}));
    ReplaceLineWithList(t, "Mark", {});
    EXPECT_EQ(t, (TStrings{"a", "x", "y", "b"}));
}

TEST(Texts, IndexOfPrefixAndSideLetter)
{
    TStrings t{"0, .rail 1;", "25, .Rail 1;", "25, .rail 1;"};
    EXPECT_EQ(IndexOfPrefix(t, "25, .rail 1;"), 2);
    EXPECT_EQ(IndexOfPrefix(t, "50"), -1);
    EXPECT_EQ(IndexOfPrefix(t, ""), 0);
    EXPECT_EQ(SideLetter(0), '0');
    EXPECT_EQ(SideLetter(1), 'R');
    EXPECT_EQ(SideLetter(2), 'L');
    EXPECT_EQ(SideLetter(7), '0');
}

// ---------------------------------------------------------------------------
// Geometry

TEST(Geometry, Bearing)
{
    TWorldPoint o{0, 0};
    EXPECT_EQ(Bearing(o, {0, 5}), 90);
    EXPECT_EQ(Bearing(o, {0, -5}), -90);
    EXPECT_EQ(Bearing(o, {-1, 0}), 180);
    EXPECT_EQ(Bearing(o, o), -90);
    EXPECT_EQ(Bearing(o, {1, 1}), 45);
    EXPECT_EQ(Bearing(o, {-1, -0.0000001}), -180);
    EXPECT_EQ(AngleAt(o, {1, 0}, {-1, 0}), 180);
    EXPECT_EQ(AngleAt(o, {-1, 0}, {1, 0}), -180);
}

TEST(Geometry, ScreenTransformRoundTrip)
{
    TScreenPoint origin{400, 300};
    TWorldPoint centre{100, 50};
    TScreenPoint s = WorldToScreen({110, 40}, origin, centre, 10);
    EXPECT_EQ(s, (TScreenPoint{500, 400}));
    TWorldPoint w = ScreenToWorld(s, origin, centre, 10);
    EXPECT_DOUBLE_EQ(w.X, 110);
    EXPECT_DOUBLE_EQ(w.Y, 40);
    // Halves to even on the way to pixels.
    EXPECT_EQ(WorldToScreen({0.25, 0}, {0, 0}, {0, 0}, 10).X, 2);
    EXPECT_EQ(WorldToScreen({0.75, 0}, {0, 0}, {0, 0}, 10).X, 8);
    EXPECT_EQ(WorldToScreen({0, 0.25}, {0, 0}, {0, 0}, 10).Y, -2);
    EXPECT_EQ(PixelDistance({0, 0}, {3, 4}), 5);
    EXPECT_DOUBLE_EQ(Distance({1, 1}, {4, 5}), 5);
}

TEST(Geometry, BandTest)
{
    double s = 42, t = 42;
    EXPECT_FALSE(PointNearSegment({1, 1}, {1, 1}, {1, 1}, 2, s, t));
    EXPECT_EQ(s, 42);
    EXPECT_TRUE(PointNearSegment({0, 0}, {10, 10}, {6, 4}, 2, s, t));
    EXPECT_NEAR(t, 0.5, 1e-12);
    EXPECT_NEAR(s, std::sqrt(0.5), 1e-12);
    EXPECT_TRUE(PointNearSegment({0, 0}, {10, 10}, {4, 6}, 2, s, t));
    EXPECT_NEAR(s, -std::sqrt(0.5), 1e-12);
    // Axis-parallel segments and the 1.01 upper bound of T.
    EXPECT_TRUE(PointNearSegment({0, 0}, {10, 0}, {10.05, -1}, 2, s, t));
    // The zero component of the normal is nudged to 0.00001, so the
    // decomposition is only close to the exact one.
    EXPECT_NEAR(t, 1.005, 1e-5);
    EXPECT_NEAR(s, 0.5, 1e-5);
    EXPECT_FALSE(PointNearSegment({0, 0}, {10, 0}, {10.2, 0}, 2, s, t));
    EXPECT_FALSE(PointNearSegment({0, 0}, {0, 10}, {-3, 5}, 2, s, t));
    EXPECT_NEAR(s, -1.5, 1e-5);
    EXPECT_FALSE(PointNearSegment({0, 0}, {10, 0}, {-0.1, 0}, 2, s, t));
}

TEST(Geometry, SegmentCrossing)
{
    TWorldPoint x;
    EXPECT_TRUE(SegmentIntersection({0, 0}, {10, 10}, {0, 10}, {10, 0}, x));
    EXPECT_DOUBLE_EQ(x.X, 5);
    EXPECT_DOUBLE_EQ(x.Y, 5);
    EXPECT_FALSE(SegmentIntersection({0, 0}, {4, 4}, {0, 10}, {10, 0}, x));
    // Parallel slanted segments never meet.
    EXPECT_FALSE(SegmentIntersection({0, 0}, {10, 10}, {0, 0}, {5, 5}, x));
    // Vertical Q, taken in its given order.
    EXPECT_TRUE(SegmentIntersection({0, 0}, {10, 10}, {4, 0}, {4, 10}, x));
    EXPECT_DOUBLE_EQ(x.X, 4);
    EXPECT_DOUBLE_EQ(x.Y, 4);
    EXPECT_FALSE(SegmentIntersection({0, 0}, {10, 10}, {4, 10}, {4, 0}, x));
    EXPECT_FALSE(SegmentIntersection({0, 0}, {10, 10}, {11, 0}, {11, 20}, x));
    // Vertical on vertical: overlap gives the mean of the four Y values.
    EXPECT_TRUE(SegmentIntersection({2, 0}, {2, 10}, {2, 5}, {2, 15}, x));
    EXPECT_DOUBLE_EQ(x.X, 2);
    EXPECT_DOUBLE_EQ(x.Y, 7.5);
    EXPECT_FALSE(SegmentIntersection({2, 0}, {2, 10}, {2, 11}, {2, 15}, x));
    // Horizontal Q.
    EXPECT_TRUE(SegmentIntersection({0, 0}, {10, 10}, {0, 3}, {10, 3}, x));
    EXPECT_DOUBLE_EQ(x.X, 3);
    EXPECT_DOUBLE_EQ(x.Y, 3);
    EXPECT_FALSE(SegmentIntersection({0, 0}, {10, 10}, {10, 3}, {0, 3}, x));
    EXPECT_FALSE(SegmentIntersection({0, 0}, {10, 10}, {0, 11}, {10, 11}, x));
    EXPECT_TRUE(SegmentIntersection({0, 1}, {10, 1}, {8, 1}, {20, 1}, x));
    EXPECT_DOUBLE_EQ(x.X, 9.5);
    EXPECT_FALSE(SegmentIntersection({0, 1}, {10, 1}, {11, 1}, {20, 1}, x));
}

TEST(Geometry, SmallHelpers)
{
    TWorldPoint p = OffsetPoint({5, 0}, {10, 0}, 0.2);
    EXPECT_DOUBLE_EQ(p.X, 5);
    EXPECT_DOUBLE_EQ(p.Y, 1);
    EXPECT_TRUE(InBox({1, 1}, {2, 0}, {0, 2}));
    EXPECT_TRUE(InBox({2, 2}, {2, 0}, {0, 2}));
    EXPECT_FALSE(InBox({2.01, 1}, {2, 0}, {0, 2}));
    EXPECT_EQ(SignOf(-0.1), -1);
    EXPECT_EQ(SignOf(0), 0);
    EXPECT_EQ(SignOf(3), 1);
    EXPECT_EQ(MakeWorldPoint(1, 2), (TWorldPoint{1, 2}));
}
