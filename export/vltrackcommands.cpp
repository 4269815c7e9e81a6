#include "export/vltrackcommands.h"

#include "model/vlhelpers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace TrackCommands {

std::string Position(double p)
{
    // The short form keeps five significant digits, which from 100 km on
    // would merge blocks; there the position is written in full.
    if (!std::isfinite(p) || std::fabs(p) < 99999.5)
        return FloatToStrDot(p);
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, p, std::chars_format::fixed, 5);
    return std::string(buf, res.ptr);
}

namespace {

std::string At(double p)
{
    return Position(p) + ", .";
}

std::string I(int v)
{
    return std::to_string(v);
}

std::string F(double v)
{
    return FloatToStrDot(v);
}

} // namespace

std::string Curve(double p, double radius, double cant)
{
    return At(p) + "curve " + F(radius) + ";" + F(cant);
}

std::string FogOn(double p, int fog)
{
    return At(p) + "fog 25;" + I(fog + 25) + ";224;224;224";
}

std::string FogOff(double p)
{
    return At(p) + "fog 0;0;0;0;0";
}

std::string Adhesion(double p, int adhesion)
{
    return At(p) + "adhesion " + I(adhesion);
}

std::string Limit(double p, int speedLimit)
{
    return At(p) + "limit " + I(speedLimit) + ";0;0";
}

std::string Back(double p, int index)
{
    return At(p) + "back " + I(index);
}

std::string Ground(double p, int index)
{
    return At(p) + "ground " + I(index);
}

std::string Announce(double p, std::string_view subDir, std::string_view waveFile)
{
    return At(p) + "announce ..\\object\\" + std::string(subDir) + "\\sounds\\" + std::string(waveFile);
}

std::string Station(double p, std::string_view name, std::string_view arrival, std::string_view departure,
                    int doors)
{
    return At(p) + "Sta " + std::string(name) + ";" + std::string(arrival) + ";" + std::string(departure) + ";1;" +
           I(doors) + ";0;ATS;0;30;100";
}

std::string Stop(double p, int n)
{
    return At(p) + "stop " + I(n);
}

std::string FreeObj(double p, int rail, int index, double x, double y, double yaw)
{
    return At(p) + "freeobj " + I(rail) + ";" + I(index) + ";" + F(x) + ";" + F(y) + ";" + F(yaw);
}

std::string RailType(double p, int rail, int index, double height)
{
    return At(p) + "railtype " + I(rail) + ";" + I(index) + " , .height " + F(height);
}

std::string Form(double p, int rail, char side, int roofIndex, int platformIndex)
{
    return At(p) + "form " + I(rail) + ";" + std::string(1, side) + ";" + I(roofIndex) + ";" + I(platformIndex);
}

std::string Pole(double p, int rail, int location, int poleIndex)
{
    return At(p) + "pole " + I(rail) + ";0;" + I(location) + ";25;" + I(poleIndex);
}

std::string PoleEnd(double p, int rail)
{
    return At(p) + "poleend " + I(rail);
}

std::string Wall(double p, int rail, int direction, int index)
{
    return At(p) + "wall " + I(rail) + ";" + I(direction) + ";" + I(index);
}

std::string WallEnd(double p, int rail)
{
    return At(p) + "wallend " + I(rail);
}

std::string Dike(double p, int rail, int direction, int index)
{
    return At(p) + "dike " + I(rail) + ";" + I(direction) + ";" + I(index);
}

std::string DikeEnd(double p, int rail)
{
    return At(p) + "dikeend " + I(rail);
}

std::string Rail(double p, int rail, double x, double y, int index, int id)
{
    // The simulator reads a fifth argument as the rail's cant and takes only
    // the literal "id=0" without complaint; any other id goes into a comment
    // expression after the command, where people still find it.
    std::string line = RailPrefix(p, rail) + F(x) + ";" + F(y) + ";" + I(index);
    if (id == 0)
        return line + "    ;id=0";
    return line + ", ;id=" + I(id);
}

std::string RailEnd(double p, int rail, double x)
{
    if (std::fabs(x) < 1.5)
        x = 0;
    return At(p) + "railend " + I(rail) + ";" + F(x);
}

std::string RailPrefix(double p, int rail)
{
    return At(p) + "rail " + I(rail) + ";";
}

std::string StationTime(long long secondsOfDay)
{
    // h.mmss with four decimals, the most the simulator reads. A train that
    // runs past midnight keeps counting hours (24.0100), so that it never
    // arrives before it left.
    long long day = 24LL * 3600;
    long long s = secondsOfDay < 0 ? ((secondsOfDay % day) + day) % day : secondsOfDay;
    long long hour = s / 3600;
    int minute = static_cast<int>((s / 60) % 60);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld.%02d00", hour, minute);
    return buf;
}

} // namespace TrackCommands

double TrackCommandPosition(std::string_view line)
{
    return StrToFloatDot(Trim(GetToken(line, ",", 1)));
}

int CompareTrackCommands(std::string_view a, std::string_view b)
{
    return SignOf(TrackCommandPosition(a) - TrackCommandPosition(b));
}

void SortTrackCommands(TStrings& lines)
{
    std::vector<std::pair<double, std::size_t>> keys;
    keys.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        keys.emplace_back(TrackCommandPosition(lines[i]), i);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    TStrings sorted;
    sorted.reserve(lines.size());
    for (const auto& k : keys)
        sorted.push_back(std::move(lines[k.second]));
    lines = std::move(sorted);
}

// ---------------------------------------------------------------------------

namespace {

// The rail prefix of a rail command ("P, .rail R;"), or "" for other lines.
std::string RailPrefixOf(const std::string& line)
{
    static const std::string marker = ", .rail ";
    std::size_t m = line.find(marker);
    if (m == std::string::npos || line.find(',') != m)
        return {};
    std::size_t semi = line.find(';', m + marker.size());
    if (semi == std::string::npos)
        return {};
    return line.substr(0, semi + 1);
}

} // namespace

void TTrackCommandList::Add(std::string line)
{
    std::size_t index = lines_.size();
    byText_[line].push_back(index);
    std::string prefix = RailPrefixOf(line);
    if (!prefix.empty())
        railByPrefix_.emplace(prefix, index);
    lines_.push_back(std::move(line));
    alive_.push_back(true);
    ++count_;
}

bool TTrackCommandList::Remove(const std::string& line)
{
    auto it = byText_.find(line);
    if (it == byText_.end() || it->second.empty())
        return false;
    std::size_t index = it->second.front();
    it->second.erase(it->second.begin());
    if (it->second.empty())
        byText_.erase(it);
    alive_[index] = false;
    --count_;
    std::string prefix = RailPrefixOf(line);
    if (!prefix.empty()) {
        auto r = railByPrefix_.find(prefix);
        if (r != railByPrefix_.end() && r->second == index) {
            railByPrefix_.erase(r);
            // Another rail command of the same prefix produced later takes its place.
            for (std::size_t i = index + 1; i < lines_.size(); ++i) {
                if (alive_[i] && lines_[i].compare(0, prefix.size(), prefix) == 0) {
                    railByPrefix_.emplace(prefix, i);
                    break;
                }
            }
        }
    }
    return true;
}

bool TTrackCommandList::Contains(const std::string& line) const
{
    return byText_.count(line) != 0;
}

const std::string* TTrackCommandList::FindRail(double p, int rail) const
{
    auto it = railByPrefix_.find(TrackCommands::RailPrefix(p, rail));
    if (it == railByPrefix_.end())
        return nullptr;
    return &lines_[it->second];
}

TStrings TTrackCommandList::Lines() const
{
    TStrings out;
    out.reserve(count_);
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (alive_[i])
            out.push_back(lines_[i]);
    return out;
}
