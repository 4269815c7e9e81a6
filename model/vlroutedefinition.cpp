#include "model/vlroutedefinition.h"

#include "model/vlhelpers.h"

#include <algorithm>

std::string TVLRouteDefinition::GetCaption() const
{
    return "ID" + std::to_string(Id) + ": " + Name;
}

namespace {
std::uint64_t LastRouteRevision = 0;
} // namespace

TVLRouteDefinition::TVLRouteDefinition()
{
    Changed();
}

void TVLRouteDefinition::Changed()
{
    FRevision = ++LastRouteRevision;
}

bool TVLRouteDefinition::ContainsTrack(int trackId) const
{
    return FCounts.count(std::to_string(trackId)) > 0;
}

void TVLRouteDefinition::AddTrack(int trackId)
{
    if (!ContainsTrack(trackId))
        Add(std::to_string(trackId));
}

void TVLRouteDefinition::RemoveTrack(int trackId)
{
    int i = IndexOf(std::to_string(trackId));
    if (i >= 0)
        Delete(i);
}

int TVLRouteDefinition::TrackIdAt(int index) const
{
    if (index < 0 || index >= Count())
        return 0;
    return StrToIntDef(FLines[static_cast<std::size_t>(index)], 0);
}

void TVLRouteDefinition::SetLines(TStrings lines)
{
    Changed();
    FLines = std::move(lines);
    FCounts.clear();
    for (const auto& l : FLines)
        Tally(l, 1);
}

void TVLRouteDefinition::Add(std::string line)
{
    Changed();
    Tally(line, 1);
    FLines.push_back(std::move(line));
}

void TVLRouteDefinition::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    Changed();
    Tally(FLines[static_cast<std::size_t>(index)], -1);
    FLines.erase(FLines.begin() + index);
}

void TVLRouteDefinition::Clear()
{
    Changed();
    FLines.clear();
    FCounts.clear();
}

int TVLRouteDefinition::IndexOf(std::string_view line) const
{
    if (FCounts.count(std::string(line)) == 0)
        return -1;
    auto it = std::find(FLines.begin(), FLines.end(), line);
    return it == FLines.end() ? -1 : static_cast<int>(it - FLines.begin());
}

void TVLRouteDefinition::Tally(const std::string& line, int delta)
{
    int& n = FCounts[line];
    n += delta;
    if (n <= 0)
        FCounts.erase(line);
}
