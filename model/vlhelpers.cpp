#include "model/vlhelpers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view TrimView(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Parses a decimal number that must fill the whole text. from_chars does not
// take a leading "+", and it would take "inf" and "nan", which no file of
// ours holds; both are dealt with here.
bool ParseDecimal(std::string_view t, double& out)
{
    if (!t.empty() && t[0] == '+') {
        t.remove_prefix(1);
        if (!t.empty() && t[0] == '-')
            return false;
    }
    std::size_t i = (!t.empty() && t[0] == '-') ? 1 : 0;
    if (i >= t.size() || !(IsDigit(t[i]) || t[i] == '.'))
        return false;
    double v = 0.0;
    auto res = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != t.data() + t.size() || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

// digits [(E|e) [sign] digits], after an optional sign: the whole-number form
// and the point-less exponent form the writer uses from 100000 on.
bool IsWholeOrExponent(std::string_view t)
{
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        ++i;
    std::size_t start = i;
    while (i < t.size() && IsDigit(t[i]))
        ++i;
    if (i == start)
        return false;
    if (i == t.size())
        return true;
    if (t[i] != 'E' && t[i] != 'e')
        return false;
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        ++i;
    start = i;
    while (i < t.size() && IsDigit(t[i]))
        ++i;
    return i > start && i == t.size();
}

} // namespace

// ---------------------------------------------------------------------------
// Numbers

int Round(double x)
{
    if (x > -2147483647.0 && x < 2147483647.0)
        return RoundFast(x);
    if (std::isnan(x))
        return 0;
    double f = std::floor(x);
    double d = x - f;
    double r;
    if (d > 0.5)
        r = f + 1.0;
    else if (d < 0.5)
        r = f;
    else
        r = (std::fmod(f, 2.0) == 0.0) ? f : f + 1.0;
    if (r >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (r <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(r);
}

int StrToIntDef(std::string_view s, int def)
{
    std::string_view t = TrimView(s);
    if (!t.empty() && t[0] == '+') {
        t.remove_prefix(1);
        if (t.empty() || t[0] == '-')
            return def;
    }
    int v = 0;
    auto res = std::from_chars(t.data(), t.data() + t.size(), v, 10);
    if (t.empty() || res.ec != std::errc() || res.ptr != t.data() + t.size())
        return def;
    return v;
}

std::string FloatToStrDot(double value)
{
    static const std::string zero = "0.00000";
    if (!std::isfinite(value) || value == 0.0)
        return zero;
    const bool negative = value < 0.0;
    const double magnitude = std::fabs(value);

    // 21 correctly rounded significant digits decide every rounding below
    // exactly: a double that is not itself a tie of a 6-digit decimal lies at
    // least one unit in the 17th digit away from it, so the digit after the
    // cut is never disturbed by this first rounding.
    constexpr int precision = 20;
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, precision);
    std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    std::size_t ePos = sci.find('e');
    std::string digits;
    digits.reserve(precision + 1);
    for (std::size_t i = 0; i < ePos; ++i)
        if (sci[i] != '.')
            digits += sci[i];
    int exp10 = 0;
    std::string_view expText = sci.substr(ePos + 1);
    if (!expText.empty() && expText[0] == '+')
        expText.remove_prefix(1);
    std::from_chars(expText.data(), expText.data() + expText.size(), exp10);

    // The value is 0.d1d2... * 10^e. Keep at most 5 significant digits and
    // no digit beyond the fifth decimal.
    int e = exp10 + 1;
    int keep = std::min(5, e + 5);
    if (keep < 0)
        return zero;
    std::string kept = digits.substr(0, static_cast<std::size_t>(keep));
    if (digits[static_cast<std::size_t>(keep)] >= '5') {
        int i = keep - 1;
        while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9') {
            kept[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i < 0) {
            kept.insert(kept.begin(), '1');
            ++e;
        } else {
            ++kept[static_cast<std::size_t>(i)];
        }
    }
    while (!kept.empty() && kept.back() == '0')
        kept.pop_back();
    if (kept.empty())
        return zero;

    std::string out;
    if (negative)
        out += '-';
    if (e <= 5) {
        if (e <= 0) {
            out += "0.";
            std::string frac(static_cast<std::size_t>(-e), '0');
            frac += kept;
            frac.resize(5, '0');
            out += frac;
        } else {
            std::string whole = kept.substr(0, std::min<std::size_t>(kept.size(), static_cast<std::size_t>(e)));
            whole.resize(static_cast<std::size_t>(e), '0');
            std::string frac = kept.size() > static_cast<std::size_t>(e) ? kept.substr(static_cast<std::size_t>(e))
                                                                         : std::string();
            frac.resize(5, '0');
            out += whole;
            out += '.';
            out += frac;
        }
    } else {
        out += kept[0];
        if (kept.size() > 1) {
            out += '.';
            out.append(kept, 1, std::string::npos);
        }
        out += 'E';
        out += std::to_string(e - 1);
    }
    return out;
}

double StrToFloatDot(std::string_view text)
{
    double v = 0.0;
    return ReadFloatDot(text, v) ? v : 0.0;
}

bool ReadFloatDot(std::string_view text, double& value)
{
    std::string_view t = TrimView(text);
    if (text.find('.') == std::string_view::npos && !IsWholeOrExponent(t))
        return false;
    return ParseDecimal(t, value);
}

// ---------------------------------------------------------------------------
// Texts

std::string GetToken(std::string_view s, std::string_view delims, int n)
{
    if (n < 1)
        return std::string();
    if (delims.size() == 1) {
        std::size_t start = 0;
        for (int field = 1; field < n; ++field) {
            std::size_t d = s.find(delims[0], start);
            if (d == std::string_view::npos)
                return std::string();
            start = d + 1;
        }
        return std::string(s.substr(start, s.find(delims[0], start) - start));
    }
    int field = 1;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= s.size(); ++i) {
        if (i == s.size() || delims.find(s[i]) != std::string_view::npos) {
            if (field == n)
                return std::string(s.substr(start, i - start));
            ++field;
            start = i + 1;
        }
    }
    return std::string();
}

std::vector<std::string_view> SplitTokens(std::string_view s, char delim)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t d = s.find(delim, start);
        if (d == std::string_view::npos) {
            fields.push_back(s.substr(start));
            return fields;
        }
        fields.push_back(s.substr(start, d - start));
        start = d + 1;
    }
}

std::string RemoveQuotes(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && s[b] == '"')
        ++b;
    while (e > b && s[e - 1] == '"')
        --e;
    return std::string(s.substr(b, e - b));
}

TStrings CommaTextToList(std::string_view text)
{
    TStrings items;
    std::size_t p = 0;
    const std::size_t n = text.size();
    while (p < n && IsBlank(text[p]))
        ++p;
    while (p < n) {
        std::string item;
        if (text[p] == '"') {
            ++p;
            while (p < n) {
                if (text[p] == '"') {
                    if (p + 1 < n && text[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            std::size_t start = p;
            while (p < n && !IsBlank(text[p]) && text[p] != ',')
                ++p;
            item.assign(text.substr(start, p - start));
        }
        items.push_back(std::move(item));
        while (p < n && IsBlank(text[p]))
            ++p;
        if (p < n && text[p] == ',') {
            if (p + 1 == n)
                items.emplace_back();
            ++p;
            while (p < n && IsBlank(text[p]))
                ++p;
        }
    }
    return items;
}

std::string ListToCommaText(const TStrings& items)
{
    if (items.size() == 1 && items[0].empty())
        return "\"\"";
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += ',';
        const std::string& s = items[i];
        bool quote = std::any_of(s.begin(), s.end(), [](char c) { return IsBlank(c) || c == '"' || c == ','; });
        if (!quote) {
            out += s;
            continue;
        }
        out += '"';
        for (char c : s) {
            if (c == '"')
                out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

void ReplaceLineWithList(TStrings& target, std::string_view marker, const TStrings& source)
{
    auto it = std::find_if(target.begin(), target.end(), [&](const std::string& l) { return SameText(l, marker); });
    if (it == target.end())
        return;
    it = target.insert(it, source.begin(), source.end());
    target.erase(it + static_cast<std::ptrdiff_t>(source.size()));
}

int IndexOfPrefix(const TStrings& lines, std::string_view prefix)
{
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (std::string_view(lines[i]).substr(0, prefix.size()) == prefix)
            return static_cast<int>(i);
    return -1;
}

char SideLetter(int side)
{
    switch (side) {
    case 1: return 'R';
    case 2: return 'L';
    default: return '0';
    }
}

// ---------------------------------------------------------------------------
// Geometry

TWorldPoint MakeWorldPoint(double x, double y)
{
    return TWorldPoint{x, y};
}

TScreenPoint WorldToScreen(const TWorldPoint& p, const TScreenPoint& origin, const TWorldPoint& centre, double scale)
{
    return TScreenPoint{origin.X + RoundFast((p.X - centre.X) * scale), origin.Y + RoundFast((centre.Y - p.Y) * scale)};
}

TWorldPoint ScreenToWorld(const TScreenPoint& s, const TScreenPoint& origin, const TWorldPoint& centre, double scale)
{
    return TWorldPoint{(s.X - origin.X) / scale + centre.X, centre.Y - (s.Y - origin.Y) / scale};
}

double Distance(const TWorldPoint& a, const TWorldPoint& b)
{
    return std::hypot(b.X - a.X, b.Y - a.Y);
}

int PixelDistance(const TScreenPoint& a, const TScreenPoint& b)
{
    double dx = static_cast<double>(b.X) - a.X;
    double dy = static_cast<double>(b.Y) - a.Y;
    return Round(std::sqrt(dx * dx + dy * dy));
}

double Bearing(const TWorldPoint& a, const TWorldPoint& b)
{
    double dx = b.X - a.X;
    double dy = b.Y - a.Y;
    if (dx == 0.0)
        return dy > 0.0 ? 90.0 : -90.0;
    return Round(std::atan2(dy, dx) * 180.0 / std::numbers::pi);
}

double AngleAt(const TWorldPoint& p, const TWorldPoint& n, const TWorldPoint& q)
{
    return Bearing(p, q) - Bearing(p, n);
}

bool PointNearSegment(const TWorldPoint& a, const TWorldPoint& b, const TWorldPoint& p, double width, double& s,
                      double& t)
{
    double l = Distance(a, b);
    if (l == 0.0)
        return false;
    double nx = width * (b.Y - a.Y) / l;
    double ny = -width * (b.X - a.X) / l;
    // Keeps the divisions below finite for axis-parallel segments.
    if (nx == 0.0)
        nx = 0.00001;
    if (ny == 0.0)
        ny = 0.00001;
    double vx = b.X - a.X, vy = b.Y - a.Y;
    double px = p.X - a.X, py = p.Y - a.Y;
    t = (px * ny - py * nx) / (ny * vx - nx * vy);
    s = (px - vx * t) / nx;
    return t >= 0.0 && t <= 1.01 && s >= -1.0 && s <= 1.0;
}

int SignOf(double x)
{
    return x < 0.0 ? -1 : (x > 0.0 ? 1 : 0);
}

bool SegmentIntersection(const TWorldPoint& p1, const TWorldPoint& p2, const TWorldPoint& q1, const TWorldPoint& q2,
                         TWorldPoint& crossing)
{
    const double vx = p2.X - p1.X, vy = p2.Y - p1.Y;
    const double ux = q2.X - q1.X, uy = q2.Y - q1.Y;
    const double cross = vx * uy - vy * ux;
    const double w = ux * uy * cross;
    if (w != 0.0) {
        double a = ((q1.X - p1.X) * uy - ux * (q1.Y - p1.Y)) / cross;
        double b = (vx * a - (q1.X - p1.X)) / ux;
        if (a >= 0.0 && a <= 1.0 && b >= 0.0 && b <= 1.0) {
            crossing = TWorldPoint{p1.X + a * vx, p1.Y + a * vy};
            return true;
        }
        return false;
    }
    if (q1.Y != q2.Y) {
        if (q1.X != q2.X)
            return false; // parallel, neither horizontal nor vertical
        if (q1.X < std::min(p1.X, p2.X) || q1.X > std::max(p1.X, p2.X))
            return false;
        if (p1.X != p2.X) {
            double y = p1.Y + vy * (q1.X - p1.X) / vx;
            if (q1.Y <= y && y <= q2.Y) {
                crossing = TWorldPoint{q1.X, y};
                return true;
            }
            return false;
        }
        double top = std::max(p1.Y, p2.Y), bottom = std::min(p1.Y, p2.Y);
        if ((q1.Y > top && q2.Y > top) || (q1.Y < bottom && q2.Y < bottom))
            return false;
        crossing = TWorldPoint{p1.X, (p1.Y + p2.Y + q1.Y + q2.Y) / 4.0};
        return true;
    }
    if (q1.Y < std::min(p1.Y, p2.Y) || q1.Y > std::max(p1.Y, p2.Y))
        return false;
    if (p1.Y != p2.Y) {
        double x = p1.X + vx * (q1.Y - p1.Y) / vy;
        if (q1.X <= x && x <= q2.X) {
            crossing = TWorldPoint{x, q1.Y};
            return true;
        }
        return false;
    }
    double right = std::max(p1.X, p2.X), left = std::min(p1.X, p2.X);
    if ((q1.X > right && q2.X > right) || (q1.X < left && q2.X < left))
        return false;
    crossing = TWorldPoint{(p1.X + p2.X + q1.X + q2.X) / 4.0, p1.Y};
    return true;
}

TWorldPoint OffsetPoint(const TWorldPoint& p, const TWorldPoint& f, double k)
{
    return TWorldPoint{p.X + k * -(f.Y - p.Y), p.Y + k * (f.X - p.X)};
}

bool InBox(const TWorldPoint& p, const TWorldPoint& a, const TWorldPoint& b)
{
    return std::min(a.X, b.X) <= p.X && p.X <= std::max(a.X, b.X) && std::min(a.Y, b.Y) <= p.Y &&
           p.Y <= std::max(a.Y, b.Y);
}
