#pragma once
// What the plan frame keeps about the open project between paints, so that a
// paint costs what is in view rather than what is in the project: a uniform
// grid of the boxes of tracks, points and objects, the subdivided points of
// curved tracks, and the sets of station tracks and of the tracks of the
// current route. The grid is rebuilt when PlanRevision moves on (or another
// project is shown); the two sets when the stations or the current route
// change.

#include "model/vlhelpers.h"

#include <array>
#include <cstdint>
#include <unordered_set>
#include <vector>

class TVLConnection;
class TVLObject;
class TVLPoint;
class TVLProject;
class TVLRouteDefinition;

// An axis-aligned box in metres; empty when MinX > MaxX.
struct TWorldBox {
    double MinX = 1.0, MinY = 1.0, MaxX = 0.0, MaxY = 0.0;
    bool Empty() const { return MinX > MaxX || MinY > MaxY; }
    void Include(const TWorldPoint& p);
    void Grow(double margin);
};

// Indices of boxes in a uniform grid. Boxes too large for a few cells, and
// boxes that are not finite, are kept aside and offered to every query.
class TBoxGrid {
public:
    void Build(const std::vector<TWorldBox>& boxes);
    void Clear();
    // Fills out, in ascending order, with the index of every box that may
    // meet `box` (each once): a superset of those that do.
    void Query(const TWorldBox& box, std::vector<int>& out) const;

private:
    std::vector<TWorldBox> FBoxes;
    std::vector<std::uint32_t> FCellStart; // FColumns * FRows + 1 offsets into FCellItems
    std::vector<int> FCellItems;
    std::vector<int> FAside;
    double FLeft = 0.0, FBottom = 0.0, FCell = 1.0;
    int FColumns = 0, FRows = 0;
    mutable std::vector<std::uint32_t> FSeen;
    mutable std::uint32_t FStamp = 0;
};

// Track ids: a flag per id for the usual small ids, a hash set for others.
class TTrackIdSet {
public:
    void Clear();
    void Insert(int id);
    bool Contains(int id) const
    {
        if (id >= 0 && static_cast<std::size_t>(id) < FDense.size())
            return FDense[static_cast<std::size_t>(id)] != 0;
        return FOthers.count(id) > 0;
    }

private:
    std::vector<std::uint8_t> FDense;
    std::unordered_set<int> FOthers;
};

class TPlanIndex {
public:
    // A track as it was when the index was built.
    struct TTrack {
        TVLConnection* Connection = nullptr;
        const TVLPoint* Start = nullptr;
        const TVLPoint* End = nullptr;
        TWorldPoint A, B;
        bool Curved = false;
        // The neighbours' far ends the curve follows, and where they were.
        const TVLPoint* NearStart = nullptr;
        const TVLPoint* NearEnd = nullptr;
        TWorldPoint NearStartAt, NearEndAt;
        // The subdivided points between the ends: CurvePoints[First, First + Count).
        std::uint32_t First = 0;
        std::uint32_t Count = 0;
    };
    struct TObjectPlace {
        double X = 0.0, Y = 0.0;
        int Rotation = 0;
        double MinX = 0.0, MaxX = 0.0, MinZ = 0.0, MaxZ = 0.0;
    };

    // Rebuilds the grid when the plan changed since the last build or the
    // project is another one. Nothing is kept for no project.
    void Update(const TVLProject* project);
    // Rebuilds the sets when the stations or the current route changed.
    void UpdateTrackSets(const TVLProject& project, const TVLRouteDefinition* currentRoute);
    // Forgets everything (the project is about to go).
    void Reset();
    // Whether track i, point i and object i are still where the index has
    // them; a false answer means the plan was changed without notice.
    bool TrackUnchanged(int i) const;
    bool PointUnchanged(int i) const;
    bool ObjectUnchanged(int i) const;

    // Indices into the project's lists, ascending, of the items whose boxes
    // may meet `box` (a superset). A track's box holds its curve.
    void TracksIn(const TWorldBox& box, std::vector<int>& out) const { FTrackGrid.Query(box, out); }
    void PointsIn(const TWorldBox& box, std::vector<int>& out) const { FPointGrid.Query(box, out); }
    void ObjectsIn(const TWorldBox& box, std::vector<int>& out) const { FObjectGrid.Query(box, out); }

    const TTrack& Track(int i) const { return FTracks[static_cast<std::size_t>(i)]; }
    const TWorldPoint* CurvePoints(const TTrack& t) const { return FCurvePoints.data() + t.First; }

    bool IsStationTrack(int trackId) const { return FStationTracks.Contains(trackId); }
    bool IsRouteTrack(int trackId) const { return FRouteTracks.Contains(trackId); }

    // The pieces a curved track of that length is drawn in (5 m each).
    static int CurvePieces(double length);

private:
    void BuildGeometry(const TVLProject& project);
    void BuildStationTracks(const TVLProject& project);
    void BuildRouteTracks(const TVLRouteDefinition* route);
    static std::uint64_t StationsFingerprint(const TVLProject& project);
    static TObjectPlace PlaceOf(const TVLObject& object);

    const TVLProject* FProject = nullptr;
    std::uint64_t FRevision = 0;
    std::vector<TTrack> FTracks;
    std::vector<TWorldPoint> FCurvePoints;
    std::vector<TWorldPoint> FPointPlaces;
    std::vector<TObjectPlace> FObjectPlaces;
    TBoxGrid FTrackGrid, FPointGrid, FObjectGrid;

    const TVLProject* FStationsProject = nullptr;
    std::uint64_t FStationsKey = 0;
    TTrackIdSet FStationTracks;
    const TVLRouteDefinition* FRoute = nullptr;
    std::uint64_t FRouteRevision = 0;
    TTrackIdSet FRouteTracks;
};
