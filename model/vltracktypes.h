#pragma once
// The track-type table: one track-type line (see TVLTrackDefinition) per
// entry, the entry's index being the track type a connection stores. It is
// read from "trackdef.dat" in the program folder, or made of the nine default
// types when that file does not exist; it is written only when the user
// accepts the track types dialog.
//
// The editor keeps one table for the whole run in TFormTrackTypes; the route
// writer asks it for rail objects and run sounds.

#include "platform/textlines.h"

#include <cstdint>
#include <string>
#include <string_view>

class TVLTrackTypes {
public:
    // One track-type line per entry.
    TStrings TrackDefinitions;
    // True when the table holds the default types (no file, or one that could
    // not be read).
    bool UsingDefaults = true;
    // Empty when the file was read or is simply absent; otherwise a sentence
    // naming the file and the problem. The defaults are in use then.
    std::string LoadError;

    // The nine default types, index 0 to 8.
    static const TStrings& DefaultLines();
    // "trackdef.dat" in the given program folder (spelling as found on disk).
    static std::string FilePath(const std::string& programFolder);

    // Starts with the default types.
    TVLTrackTypes();

    // Reads the table from the program folder's "trackdef.dat", or takes the
    // defaults when it does not exist or cannot be read. Returns true when the
    // file was read.
    bool Load(const std::string& programFolder);
    // Writes the table to the program folder's "trackdef.dat" (CR LF lines).
    // Returns false when the file could not be written.
    bool Save(const std::string& programFolder) const;

    int Count() const { return static_cast<int>(TrackDefinitions.size()); }

    // Empties Strings and adds "<index>=<straight object file>" per type.
    void FillTrackNames(TStrings& strings) const;
    // The type's object file for a curve of Radius; "" for a type index
    // outside the table.
    void GetTrackObject(int typeIndex, std::int32_t radius, std::string& fileName) const;
    std::string GetTrackObject(int typeIndex, std::int32_t radius) const;
    // The first type whose straight file, or one of whose curve files, equals
    // Name without regard to letter case; -1 when none.
    int IndexOfObjectFile(std::string_view name) const;
    // The run sound of the type found by IndexOfObjectFile, 0 when none.
    int GetRunSound(std::string_view objectFile) const;
};
