#pragma once
// Free functions every model class and the editor share: the dot-decimal
// number format of the project and route files, the field tokenizer and the
// comma-text list form of the model lines, the plan view's world/screen
// transform, and plane geometry in metres (X east, Y north).
//
// All functions are pure. Numbers are formatted and parsed by our own code,
// never through the C locale, so the files read the same on every machine.

#include "platform/textlines.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A position on the plan in metres, X to the right (east), Y upwards (north).
struct TWorldPoint {
    double X = 0.0;
    double Y = 0.0;
};

inline bool operator==(const TWorldPoint& a, const TWorldPoint& b)
{
    return a.X == b.X && a.Y == b.Y;
}

// A screen position in pixels, Y growing downwards.
struct TScreenPoint {
    int X = 0;
    int Y = 0;
};

inline bool operator==(const TScreenPoint& a, const TScreenPoint& b)
{
    return a.X == b.X && a.Y == b.Y;
}

// ---------------------------------------------------------------------------
// Numbers

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Values beyond the int range are clamped; NaN gives 0.
int Round(double x);
// The same, inline for drawing code that rounds every coordinate it draws:
// well inside the int range, adding and taking away 1.5 * 2^52 leaves the
// nearest whole number, halves to the even one.
inline int RoundFast(double x)
{
    if (x > -2147483647.0 && x < 2147483647.0) {
        constexpr double Shift = 6755399441055744.0;
        volatile double shifted = x + Shift;
        return static_cast<int>(shifted - Shift);
    }
    return Round(x);
}

// A whole decimal number with optional sign and surrounding blanks, in the
// 32-bit range; anything else gives def.
int StrToIntDef(std::string_view s, int def);

// The project and route files' number format: rounded on its decimal digits
// (halves away from zero) to 5 significant digits and at most 5 decimals,
// written with exactly 5 decimals ("25.00000", "0.12346"), or in the short
// exponent form from 100000 on ("1.2346E5", "1E5"). NaN and infinities,
// which no file can hold, are written as "0.00000".
std::string FloatToStrDot(double value);

// Reads that format back: a text with "." as a decimal number (blanks, sign
// and exponent allowed), else a whole number or the exponent form without a
// point ("1E5"). Anything unreadable gives 0.
double StrToFloatDot(std::string_view text);
// The same reader, false for a text it cannot read: not a number, or one
// beyond the range of a double ("1E400"); Value is then left alone.
bool ReadFloatDot(std::string_view text, double& value);

// ---------------------------------------------------------------------------
// Texts

// The N-th field (1-based) of S split at any character of Delims. Quotes are
// not honoured; empty fields count; a field beyond the last gives "".
std::string GetToken(std::string_view s, std::string_view delims, int n);

// Every field of S split at Delim, the same fields GetToken gives one by one
// (an empty S gives one empty field). The views point into S.
std::vector<std::string_view> SplitTokens(std::string_view s, char delim);

// Strips every leading double quote, then every trailing one.
std::string RemoveQuotes(std::string_view s);

// The comma-text list form. Writing quotes an item that holds a blank, a
// control character, a double quote or a comma (inner quotes doubled); a list
// whose only item is empty is written as "". Reading skips blanks between
// items, honours quoted items, and lets an unquoted blank end an item.
TStrings CommaTextToList(std::string_view text);
std::string ListToCommaText(const TStrings& items);

// Inserts Source before the first line equal to Marker (letter case ignored)
// and removes that line. Nothing happens when Marker is absent.
void ReplaceLineWithList(TStrings& target, std::string_view marker, const TStrings& source);

// Index of the first line that starts with Prefix (letter case counts), -1 if none.
int IndexOfPrefix(const TStrings& lines, std::string_view prefix);

// "0", "R" or "L" for sides 0, 1 and 2; "0" for any other value.
char SideLetter(int side);

// ---------------------------------------------------------------------------
// Geometry

TWorldPoint MakeWorldPoint(double x, double y);

TScreenPoint WorldToScreen(const TWorldPoint& p, const TScreenPoint& origin, const TWorldPoint& centre,
                           double scale);
TWorldPoint ScreenToWorld(const TScreenPoint& s, const TScreenPoint& origin, const TWorldPoint& centre,
                          double scale);

double Distance(const TWorldPoint& a, const TWorldPoint& b);
int PixelDistance(const TScreenPoint& a, const TScreenPoint& b);

// Direction of A->B in whole degrees, counter-clockwise from +X, -180..180.
// A vertical direction is 90 upwards and -90 otherwise (A = B gives -90).
double Bearing(const TWorldPoint& a, const TWorldPoint& b);

// Bearing(P, Q) - Bearing(P, N), not normalised (-360..360).
double AngleAt(const TWorldPoint& p, const TWorldPoint& n, const TWorldPoint& q);

// Band test around segment A-B: decomposes P - A = T * (B - A) + S * n, n the
// right-hand normal of length Width. Hit when 0 <= T <= 1.01 and -1 <= S <= 1.
// A = B gives false with S and T untouched.
bool PointNearSegment(const TWorldPoint& a, const TWorldPoint& b, const TWorldPoint& p, double width, double& s,
                      double& t);

int SignOf(double x);

// Crossing of segment P1-P2 with Q1-Q2. Axis-parallel Q segments are handled
// apart; their end points are taken in the given order (Q1 below/left of Q2),
// which the route writer's probes rely on.
bool SegmentIntersection(const TWorldPoint& p1, const TWorldPoint& p2, const TWorldPoint& q1,
                         const TWorldPoint& q2, TWorldPoint& crossing);

// P moved to the left of the direction P->F by K times the length of F - P.
TWorldPoint OffsetPoint(const TWorldPoint& p, const TWorldPoint& f, double k);

// True when P lies in the box spanned by A and B, bounds included.
bool InBox(const TWorldPoint& p, const TWorldPoint& a, const TWorldPoint& b);
