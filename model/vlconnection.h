#pragma once
// One track piece between two points, with every per-track property the
// route writer turns into route commands. The end points are owned by a point
// list, not by the connection.

#include "model/vlhelpers.h"
#include "model/vlpoint.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TVLConnection {
public:
    TVLConnection(TVLPoint* startPoint = nullptr, TVLPoint* endPoint = nullptr)
        : StartPoint(startPoint), EndPoint(endPoint)
    {
    }

    // Same end points and the properties of mode 0; Id 0, no marker, Direction +1.
    static std::unique_ptr<TVLConnection> CreateCopy(const TVLConnection& source);

    // Reads the 21-field project line. End points are looked up by id in
    // points (the first point with the id); an id no point has leaves that
    // end unset. Missing or unreadable integer fields read as 0.
    static std::unique_ptr<TVLConnection> CreateFromLine(std::string_view text, const TVLPointlist& points);

    // The 21-field project line, e.g. 7,3,4,1,0,0.00000,255,1,1,1,0,"",0,"",0,0,0,0,0,0,0
    std::string SaveToString() const;

    // Copies properties from source: mode 0 all of them (not the id, end
    // points, marker, export position or direction), 1 GroundId,
    // 2 BackgroundId, 3 SpeedLimit, 4 Pole, 5 TrackType, 6 both walls.
    void AssignProperties(const TVLConnection& source, int mode);

    double Length() const;
    double GetHeight() const { return Height; }
    // Bearing of this piece, or its difference to other's (not normalised).
    double AngleTo(const TVLConnection* other) const;
    // A speed limit below 1 becomes 70.
    bool Validate();
    // The end that is not p; nothing when both ends are p.
    TVLPoint* OtherEnd(const TVLPoint* p) const;
    // Runs the piece the other way: ends swapped, sides mirrored.
    void Reverse();
    TWorldPoint PointAt(double t) const;
    // The point at fraction t, moved left of the track direction by offset * (1 - t).
    TWorldPoint OffsetPointFromStart(double offset, double t) const;
    // The point at fraction t from the end, moved right of the track direction by offset * (1 - t).
    TWorldPoint OffsetPointFromEnd(double offset, double t) const;
    double DotProduct(const TVLConnection& other) const;
    bool IsCurved() const { return TrackKind == 1; }

    TWorldPoint StartPosition() const { return StartPoint ? StartPoint->Position : TWorldPoint{}; }
    TWorldPoint EndPosition() const { return EndPoint ? EndPoint->Position : TWorldPoint{}; }

    TVLPoint* StartPoint = nullptr;
    TVLPoint* EndPoint = nullptr;
    int Id = 0;
    int TrackType = 1;
    int SpeedLimit = 0;       // km/h; below 1 means not set
    double Height = 0.0;      // metres
    int Adhesion = 255;
    int Accuracy = 1;
    int BackgroundId = 1;
    int GroundId = 1;
    int Fog = 0;
    int Pole = 0;             // pole catalog id times side (-1 left, +1 right)
    int PlatformId = 0;
    int PlatformSide = 0;     // 0 none, 1 right, 2 left
    int RoofId = 0;
    int WallLeftId = 0;
    int WallRightId = 0;
    std::uint8_t TrackKind = 0; // 0 straight, 1 curved, 2 fixed, 3..6 switches
    std::string MarkerFile;
    int MarkerDuration = 0;
    std::string WaveFile;
    double ExportPosition = 0.0; // the route writer's position along the route
    int Direction = 1;           // +1, or -1 once reversed
};
