#pragma once
// One track type: the object file that draws straight track, the variants
// that replace it on curves of given radii, and the run sound of the type.
//
// Its text form is one line of "trackdef.dat", a comma-text list:
//   "tracks\brown.b3d",0,1000,"tracks\brown1000.b3d",500,"tracks\brown500.b3d"
// straight file, run sound, then radius and file pairs. Radii are signed:
// positive for curves to the right, negative for curves to the left.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TVLTrackCurveDefinition {
    std::int32_t Radius = 0;
    std::string FileName;
};

class TVLTrackDefinition {
public:
    // Object file ("folder\file" inside the object library) for straight track.
    std::string StraightFile;
    // Run sound index the route gives the train on this type.
    int RunSound = 0;
    std::vector<TVLTrackCurveDefinition> Curves;

    // An empty definition: no curves, no file, run sound 0.
    TVLTrackDefinition() = default;

    // Parses one line. Fewer than two items leave the definition empty; an odd
    // last item (a radius without a file) is ignored; texts that are no whole
    // number read as 0.
    static TVLTrackDefinition CreateFromLine(std::string_view text);

    int CurveCount() const { return static_cast<int>(Curves.size()); }
    void AddCurve(std::int32_t radius, const std::string& fileName);

    // The line form; file names are quoted as they are, without escaping.
    std::string SaveToString() const;

    // The object file for a curve of Radius: the variant of the same side with
    // the next gentler or equal radius (first of equal radii in line order),
    // the straight file for radius 0 or when no variant is gentle enough.
    std::string GetFileForRadius(std::int32_t radius) const;
};
