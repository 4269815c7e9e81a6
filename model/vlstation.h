#pragma once
// A station: its name and one "platform=track id" line per platform.

#include "platform/textlines.h"

#include <string>
#include <string_view>

class TVLStation {
public:
    explicit TVLStation(std::string name = std::string()) : Name(std::move(name)) {}

    // The track id of the platform (names compared ignoring letter case);
    // -1 when there is no such platform or its value is not a number.
    int GetPlatformTrack(std::string_view platformNo) const;
    // Clears strings and adds every platform number, in order.
    void GetPlatforms(TStrings& strings) const;
    // Deletes the first entry of that platform number, if any. Returns false.
    bool RemovePlatform(std::string_view platformNo);
    // Some platform's track (the first entry of its number) is trackId.
    bool UsesTrack(int trackId) const;

    // The station line: the quoted name, then "," and the entries in comma
    // text when there are any, e.g. "Hill Road",1=12,2=15. A quote inside the
    // name is doubled so the name reads back whole.
    std::string SaveToString() const;
    // Reads a station line; false (and nothing changed) for an empty one.
    bool LoadFromString(std::string_view text);

    TStrings Lines; // "platform=track id"
    std::string Name;
};
