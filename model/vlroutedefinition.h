#pragma once
// A named set of track ids that forms one drivable route: one line per
// connection id in decimal. The lines are kept behind this interface so that
// ContainsTrack stays a hash lookup however long the route gets.

#include "platform/textlines.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

class TVLRouteDefinition {
public:
    TVLRouteDefinition();

    // "ID" + Id + ": " + Name, e.g. "ID3: Main line".
    std::string GetCaption() const;
    // A line equals the id's decimal text.
    bool ContainsTrack(int trackId) const;
    // Appends the id unless it is already there.
    void AddTrack(int trackId);
    // Deletes the id's line, if any.
    void RemoveTrack(int trackId);
    // The line at index read as a whole number; 0 when it is not one or out of range.
    int TrackIdAt(int index) const;

    // The lines themselves.
    int Count() const { return static_cast<int>(FLines.size()); }
    const std::string& Strings(int index) const { return FLines.at(static_cast<std::size_t>(index)); }
    const TStrings& Lines() const { return FLines; }
    void SetLines(TStrings lines);
    void Add(std::string line);
    void Delete(int index);
    void Clear();
    int IndexOf(std::string_view line) const;
    // Changes whenever the lines change; no two route definitions (nor one
    // before and after a change) share a revision, so a reader can keep what
    // it derived from the lines while it stays the same.
    std::uint64_t Revision() const { return FRevision; }

    int Id = 0;
    std::string Name;

private:
    void Tally(const std::string& line, int delta);
    void Changed();

    TStrings FLines;
    std::unordered_map<std::string, int> FCounts; // how many lines hold each text
    std::uint64_t FRevision = 0;
};
