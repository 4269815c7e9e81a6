#pragma once
// A free-standing scenery object: an object file of the object library placed
// on the plan. The object holds the file's lines (for its bounds, authors and
// textures) and where it stands.

#include "model/vlhelpers.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>

// The object library folder with a trailing separator, set once at start
// before any object is created.
extern std::string ObjectsRoot;

class TVLObject {
public:
    // Reads ObjectsRoot + folder + "\" + fileName when it exists (lines and
    // bounds). A missing file leaves the object without lines and with zero
    // bounds, but it keeps its folder and file name, so saving the project
    // does not lose the reference.
    TVLObject(std::string_view folder = std::string_view(), std::string_view fileName = std::string_view());

    // The same object file read again, with Rotation and Height of source;
    // the position is left at (0, 0) for the caller.
    static std::unique_ptr<TVLObject> CreateCopy(const TVLObject& source);

    // Reads the project's "freeobject<n>" value:
    // "folder","file",X,Y,Rotation,Height. Empty folder and file name stand
    // for "misc\kuh1.b3d".
    static std::unique_ptr<TVLObject> CreateFromLine(std::string_view text);
    std::string SaveToString() const;

    // Values of the object file's ";author=", ";description=" and
    // ";copyright=" lines (names compared ignoring letter case).
    std::string GetAuthor() const;
    std::string GetDescription() const;
    std::string GetCopyright() const;
    // Adds each author named in the author line (split at ",", quotes
    // removed) that strings does not hold yet; stops at the first empty one.
    void GetAuthors(TStrings& strings) const;
    // The second blank-separated field of every "load" line, sorted, without
    // duplicates (letter case ignored).
    void GetTextureFiles(TStrings& strings) const;
    // Bounding box of the "vertex" lines; X and Z at least 1 wide.
    void CalcBounds();
    // Folder + "\" + FileName.
    std::string GetRelativePath() const;
    // The corners (MaxX, MaxZ), (MinX, MaxZ), (MinX, MinZ), (MaxX, MinZ)
    // rotated by Rotation degrees, relative to the object's position.
    std::array<TWorldPoint, 4> GetCorners() const;
    void MoveBy(double dx, double dy);

    TStrings Lines; // the object file
    std::string Folder;
    double MaxX = 0.0, MinX = 0.0, MaxY = 0.0, MinY = 0.0, MaxZ = 0.0, MinZ = 0.0;
    double X = 0.0, Y = 0.0;
    int Rotation = 0;   // whole degrees, counter-clockwise
    double Height = 0.0;
    std::string FileName;
};
