#include "tests/export/vlexport_tool/routecheck.h"

#include "model/vlhelpers.h"
#include "platform/paths.h"

#include <cmath>
#include <map>
#include <set>
#include <sstream>

namespace {

std::vector<std::string> Split(const std::string& s, char sep)
{
    std::vector<std::string> parts;
    std::string cur;
    for (char c : s) {
        if (c == sep) {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.push_back(cur);
    return parts;
}

bool IsNumber(const std::string& s)
{
    std::string t = Trim(s);
    if (t.empty())
        return false;
    char* end = nullptr;
    std::strtod(t.c_str(), &end);
    return end && *end == 0;
}

struct TChecker {
    std::vector<std::string> Problems;
    const TStrings& FileList;
    std::string Library;
    std::string Sub;
    std::set<std::string> Listed;
    // Defined structure indexes by kind ("rail", "wallL", "pole", ...).
    std::map<std::string, std::set<int>> Defined;

    TChecker(const TStrings& fileList, const std::string& library, const std::string& sub)
        : FileList(fileList), Library(library), Sub(sub)
    {
        for (const auto& f : FileList)
            Listed.insert(AnsiUpperCase(f));
    }

    void Problem(const std::string& what, const std::string& line) { Problems.push_back(what + ": " + line); }

    void CheckLibraryFile(const std::string& relative, const std::string& line)
    {
        if (!Listed.count(AnsiUpperCase(relative)))
            Problem("file not in the file list", line);
        if (!FileExists(Library + "/" + ToNativePath(relative)))
            Problem("file not in the object library", line);
    }

    void Definition(const std::string& line)
    {
        // ".kind(i) Sub\path" or "texture.background(i) Sub\path"
        std::size_t open = line.find('('), close = line.find(')');
        if (open == std::string::npos || close == std::string::npos || close < open) {
            Problem("unreadable definition", line);
            return;
        }
        std::string kind = line.substr(0, open);
        if (!kind.empty() && kind[0] == '.')
            kind = kind.substr(1);
        std::string args = line.substr(open + 1, close - open - 1);
        if (kind == "pole") {
            if (args.rfind("0;", 0) != 0) {
                Problem("pole definition not for 0 additional rails", line);
                return;
            }
            args = args.substr(2);
        }
        if (!IsNumber(args)) {
            Problem("definition index is no number", line);
            return;
        }
        Defined[AnsiLowerCase(kind)].insert(std::atoi(args.c_str()));
        std::string path = Trim(line.substr(close + 1));
        std::string prefix = Sub + "\\";
        if (path.compare(0, prefix.size(), prefix) != 0) {
            Problem("path outside the sub-folder", line);
            return;
        }
        std::string relative = path.substr(prefix.size());
        if (relative.empty() || relative.back() == '\\' || relative.find("\\\\") != std::string::npos)
            Problem("definition names no file", line);
        else
            CheckLibraryFile(relative, line);
    }

    bool IsDefined(const std::string& kind, int index) { return Defined[AnsiLowerCase(kind)].count(index) != 0; }

    void Need(const std::string& kind, const std::string& arg, const std::string& line)
    {
        if (!IsNumber(arg) || !IsDefined(kind, std::atoi(arg.c_str())))
            Problem("undefined " + kind + " index " + arg, line);
    }
};

} // namespace

std::string ExpandRouteText(const std::string& text, std::string* unsupported)
{
    // From the last "$" to the first: what a call yields is not read again. A
    // "$" before a path separator is left alone; one before no "(" is an error.
    // The text after the "$" in hand is kept reversed, its first character
    // last, with the place of the nearest bracket or separator and of the
    // nearest ")" at or after each character: each character is then taken
    // in and looked at a bounded number of times, however long the text.
    std::string rest;
    std::vector<long> opener, closer; // -1 where there is none
    auto push = [&](char c) {
        long at = static_cast<long>(rest.size());
        opener.push_back(c == '(' || c == '/' || c == '\\' ? at : (at ? opener.back() : -1));
        closer.push_back(c == ')' ? at : (at ? closer.back() : -1));
        rest.push_back(c);
    };
    auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    for (std::size_t j = text.size(); j-- > 0;) {
        const long top = static_cast<long>(rest.size()) - 1;
        const long open = top >= 0 ? opener[top] : -1;
        if (text[j] != '$' || (open >= 0 && rest[open] != '(')) {
            push(text[j]);
            continue;
        }
        // "$chr" and blanks up to the bracket, then blanks, a whole number
        // 1..127 and blanks up to the ")".
        bool chr = top >= 2 && SameText(std::string{'$', rest[top], rest[top - 1], rest[top - 2]}, "$chr") &&
                   open >= 0;
        for (long i = top - 3; chr && i > open; --i)
            chr = isBlank(rest[i]);
        const long close = open >= 0 ? closer[open] : -1;
        int code = -1;
        if (chr && close >= 0) {
            long i = open - 1;
            while (i > close && isBlank(rest[i]))
                --i;
            if (i > close && rest[i] == '+')
                --i;
            int value = 0, digits = 0;
            for (; i > close && rest[i] >= '0' && rest[i] <= '9' && value < 128; --i, ++digits)
                value = value * 10 + (rest[i] - '0');
            while (i > close && isBlank(rest[i]))
                --i;
            if (i == close && digits > 0)
                code = value;
        }
        if (code > 0 && code < 128) {
            rest.resize(static_cast<std::size_t>(close));
            opener.resize(rest.size());
            closer.resize(rest.size());
            push(static_cast<char>(code));
            continue;
        }
        if (unsupported && unsupported->empty()) {
            *unsupported = "$";
            for (long i = top; i > open; --i)
                *unsupported += rest[i];
        }
        push('$');
    }
    return std::string(rest.rbegin(), rest.rend());
}

std::vector<std::string> CheckRoute(const TStrings& route, const TStrings& fileList, const std::string& libraryFolder,
                                    const std::string& subDir, double beyond)
{
    TChecker c(fileList, libraryFolder, subDir);
    for (const auto& f : fileList)
        if (!FileExists(libraryFolder + "/" + ToNativePath(f)))
            c.Problem("listed file not in the object library", f);

    std::string section;
    std::set<int> activeRails = {0};
    std::set<int> polesRunning;
    std::map<int, double> railStart;
    double lastPosition = 0;
    bool stationOpen = false;
    double stationPosition = 0;
    bool seenStation = false;
    double lastStop = -1, lastBlock = -1;

    for (const auto& raw : route) {
        std::string line = Trim(raw);
        if (line.empty() || line[0] == ';')
            continue;
        std::string lower = AnsiLowerCase(line);
        if (lower.rfind("with ", 0) == 0) {
            section = lower.substr(5);
            continue;
        }
        if (section == "structure" || section == "texture") {
            c.Definition(line);
            continue;
        }
        if (section != "track")
            continue;

        // "P, .cmd args[ , .cmd args]"
        std::vector<std::string> exprs = Split(line, ',');
        if (exprs.size() < 2 || !IsNumber(exprs[0])) {
            c.Problem("track line without a position", line);
            continue;
        }
        double p = std::strtod(Trim(exprs[0]).c_str(), nullptr);
        if (p < 0)
            c.Problem("negative position", line);
        if (p < lastPosition)
            c.Problem("position out of order", line);
        lastPosition = p;
        for (std::size_t e = 1; e < exprs.size(); ++e) {
            std::string expr = Trim(exprs[e]);
            if (!expr.empty() && expr[0] == ';')
                continue; // a comment
            std::string unsupported;
            expr = ExpandRouteText(expr, &unsupported);
            if (!unsupported.empty())
                c.Problem("unsupported directive " + unsupported, line);
            if (expr.empty() || expr[0] != '.') {
                c.Problem("expression is no command", line);
                continue;
            }
            std::size_t blank = expr.find(' ');
            std::string cmd = AnsiLowerCase(expr.substr(1, blank == std::string::npos ? std::string::npos : blank - 1));
            std::string argText = blank == std::string::npos ? std::string() : expr.substr(blank + 1);
            std::vector<std::string> a = Split(argText, ';');
            auto rail = [&](std::size_t i) { return i < a.size() && IsNumber(a[i]) ? std::atoi(a[i].c_str()) : -1; };
            auto needActive = [&](int r) {
                if (!activeRails.count(r))
                    c.Problem("rail " + std::to_string(r) + " not running here", line);
            };
            if (cmd == "railtype") {
                lastBlock = p;
                if (rail(0) != 0)
                    c.Problem("rail type for a secondary rail", line);
                c.Need("rail", a.size() > 1 ? a[1] : "", line);
            } else if (cmd == "height" || cmd == "adhesion" || cmd == "change") {
                if (a.size() != 1 || !IsNumber(a[0]))
                    c.Problem("bad argument", line);
            } else if (cmd == "curve") {
                if (a.size() != 2 || !IsNumber(a[0]) || !IsNumber(a[1]))
                    c.Problem("bad curve", line);
            } else if (cmd == "limit") {
                if (a.size() != 3 || !IsNumber(a[0]) || std::atoi(a[0].c_str()) <= 0)
                    c.Problem("bad limit", line);
            } else if (cmd == "fog") {
                if (a.size() != 5)
                    c.Problem("bad fog", line);
            } else if (cmd == "back") {
                c.Need("texture.background", argText, line);
            } else if (cmd == "ground") {
                c.Need("ground", argText, line);
            } else if (cmd == "freeobj") {
                needActive(rail(0));
                c.Need("freeobj", a.size() > 1 ? a[1] : "", line);
                if (a.size() != 5)
                    c.Problem("bad free object", line);
            } else if (cmd == "form") {
                needActive(rail(0));
                if (a.size() != 4 || (a[1] != "L" && a[1] != "R"))
                    c.Problem("bad form", line);
                else {
                    if (std::atoi(a[2].c_str()) != 0)
                        c.Need("roofr", a[2], line);
                    c.Need("formr", a[3], line);
                }
            } else if (cmd == "pole") {
                needActive(rail(0));
                if (a.size() != 5)
                    c.Problem("bad pole", line);
                else
                    c.Need("pole", a[4], line);
            } else if (cmd == "wall" || cmd == "dike") {
                needActive(rail(0));
                if (a.size() != 3)
                    c.Problem("bad " + cmd, line);
                else
                    c.Need(cmd + (std::atoi(a[1].c_str()) < 0 ? "L" : "R"), a[2], line);
            } else if (cmd == "wallend" || cmd == "dikeend" || cmd == "poleend") {
                needActive(rail(0));
            } else if (cmd == "rail") {
                int r = rail(0);
                if (r < 1 || r > 15)
                    c.Problem("secondary rail outside 1..15", line);
                // A fifth argument is the rail's cant: the simulator lets
                // only the literal "id=0" pass.
                if (a.size() < 4 || a.size() > 5 || (a.size() == 5 && Trim(a[4]) != "id=0"))
                    c.Problem("bad rail", line);
                else
                    c.Need("rail", Trim(a[3]), line);
                activeRails.insert(r);
            } else if (cmd == "railend") {
                int r = rail(0);
                if (r < 1 || r > 15)
                    c.Problem("rail end outside 1..15", line);
                if (!activeRails.count(r))
                    c.Problem("rail end of a rail not running", line);
                activeRails.erase(r);
                polesRunning.erase(r);
            } else if (cmd == "sta") {
                if (stationOpen)
                    c.Problem("station without a stop", line);
                if (a.size() != 10)
                    c.Problem("bad station", line);
                else {
                    for (int t = 1; t <= 2; ++t) {
                        double v = std::strtod(a[t].c_str(), nullptr);
                        double h = std::floor(v);
                        double m = std::round((v - h) * 100);
                        // Hours may run past 24; the loader reads at most
                        // four decimals (h.mmss).
                        std::size_t dot = a[t].find('.');
                        if (!IsNumber(a[t]) || h < 0 || m >= 60 ||
                            (dot != std::string::npos && a[t].size() - dot - 1 > 4))
                            c.Problem("bad station time", line);
                    }
                }
                stationOpen = true;
                seenStation = true;
                stationPosition = p;
            } else if (cmd == "stop") {
                if (!seenStation || p < stationPosition)
                    c.Problem("stop before its station", line);
                if (!stationOpen)
                    c.Problem("second stop of one station", line);
                stationOpen = false;
                lastStop = p;
            } else if (cmd == "announce") {
                std::string prefix = "..\\object\\" + subDir + "\\";
                if (argText.compare(0, prefix.size(), prefix) != 0)
                    c.Problem("announce outside the sub-folder", line);
                else
                    c.CheckLibraryFile(argText.substr(prefix.size()), line);
            } else {
                c.Problem("unknown command", line);
            }
        }
    }
    if (stationOpen)
        c.Problems.push_back("last station has no stop");
    // The last block runs 25 m on from its start.
    if (beyond > 0 && lastStop >= 0 && lastBlock + 25 < lastStop + beyond - 25)
        c.Problems.push_back("track ends " + FloatToStrDot(lastBlock + 25 - lastStop) + " m after the last stop, not " +
                             FloatToStrDot(beyond) + " m");
    for (int r : activeRails)
        if (r != 0)
            c.Problems.push_back("rail " + std::to_string(r) + " never ends");
    return c.Problems;
}
