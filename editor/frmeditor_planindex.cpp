#include "editor/frmeditor_planindex.h"

#include "model/vlconnection.h"
#include "model/vlobject.h"
#include "model/vlproject.h"
#include "model/vlroutedefinition.h"
#include "model/vlstation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <unordered_map>

namespace {

// A box that spans more cells than this (per side) is kept aside.
constexpr int MaxCellsPerSide = 4;
// Ids up to this many above the number of ids go to the flags of TTrackIdSet.
constexpr std::size_t DenseSlack = 1 << 16;

bool Finite(const TWorldBox& b)
{
    return std::isfinite(b.MinX) && std::isfinite(b.MinY) && std::isfinite(b.MaxX) && std::isfinite(b.MaxY);
}

bool Meet(const TWorldBox& a, const TWorldBox& b)
{
    return a.MinX <= b.MaxX && b.MinX <= a.MaxX && a.MinY <= b.MaxY && b.MinY <= a.MaxY;
}

// The whole number a text is when it reads back as itself ("12", "-3"), so
// that a lookup by number answers as a comparison of the texts would.
bool ExactInteger(const std::string& text, int& value)
{
    constexpr int NotANumber = std::numeric_limits<int>::min();
    value = StrToIntDef(text, NotANumber);
    return value != NotANumber && std::to_string(value) == text;
}

void Mix(std::uint64_t& hash, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ULL;
    }
}

} // namespace

void TWorldBox::Include(const TWorldPoint& p)
{
    if (Empty()) {
        MinX = MaxX = p.X;
        MinY = MaxY = p.Y;
        return;
    }
    MinX = std::min(MinX, p.X);
    MaxX = std::max(MaxX, p.X);
    MinY = std::min(MinY, p.Y);
    MaxY = std::max(MaxY, p.Y);
}

void TWorldBox::Grow(double margin)
{
    if (Empty())
        return;
    MinX -= margin;
    MinY -= margin;
    MaxX += margin;
    MaxY += margin;
}

// ---------------------------------------------------------------------------

void TBoxGrid::Clear()
{
    FBoxes.clear();
    FCellStart.clear();
    FCellItems.clear();
    FAside.clear();
    FColumns = FRows = 0;
    FSeen.clear();
}

void TBoxGrid::Build(const std::vector<TWorldBox>& boxes)
{
    Clear();
    FBoxes = boxes;
    FSeen.assign(boxes.size(), 0);
    FStamp = 0;

    std::size_t placed = 0;
    for (const TWorldBox& b : boxes)
        placed += !b.Empty() && Finite(b);
    if (placed == 0) {
        for (std::size_t i = 0; i < boxes.size(); ++i)
            if (!boxes[i].Empty())
                FAside.push_back(static_cast<int>(i));
        return;
    }

    // The grid covers where nearly all items are, measured on a sample of
    // them: a few far-off ones (a point typed a thousand kilometres away)
    // would otherwise make one cell hold the whole plan. Items beyond it fall
    // into its border cells.
    std::vector<double> lefts, rights, bottoms, tops, sizes;
    const std::size_t stride = std::max<std::size_t>(1, placed / 8192);
    std::size_t seen = 0;
    for (const TWorldBox& b : boxes) {
        if (b.Empty() || !Finite(b) || seen++ % stride != 0)
            continue;
        lefts.push_back(b.MinX);
        rights.push_back(b.MaxX);
        bottoms.push_back(b.MinY);
        tops.push_back(b.MaxY);
        sizes.push_back(((b.MaxX - b.MinX) + (b.MaxY - b.MinY)) / 2);
    }
    auto rank = [](std::vector<double>& values, double fraction) {
        const auto k = static_cast<std::ptrdiff_t>(fraction * static_cast<double>(values.size() - 1));
        std::nth_element(values.begin(), values.begin() + k, values.end());
        return values[static_cast<std::size_t>(k)];
    };
    FLeft = rank(lefts, 0.005);
    FBottom = rank(bottoms, 0.005);
    const double width = rank(rights, 0.995) - FLeft;
    const double height = rank(tops, 0.995) - FBottom;
    const double usual = rank(sizes, 0.5);
    if (!std::isfinite(width) || !std::isfinite(height)) {
        for (std::size_t i = 0; i < boxes.size(); ++i)
            if (!boxes[i].Empty())
                FAside.push_back(static_cast<int>(i));
        return;
    }

    // About one cell per item, and cells no smaller than the usual item.
    const double n = static_cast<double>(placed);
    double cell = std::max({std::sqrt(width * height / n), (width + height) / n, usual});
    cell = std::max(cell, std::max({width, height, 1.0}) * 1e-9);
    auto cells = [&](double extentSize) { return std::floor(extentSize / cell) + 1.0; };
    while (cells(width) * cells(height) > 4.0 * n + 16.0)
        cell *= 2.0;
    FCell = cell;
    FColumns = static_cast<int>(cells(width));
    FRows = static_cast<int>(cells(height));

    // Cells of a finite box: clamping before the cast is flooring, since the
    // cast truncates towards zero and clamped values are not negative.
    const double perCell = 1.0 / FCell;
    const double lastColumn = FColumns - 1, lastRow = FRows - 1;
    struct TSpan {
        int C0, C1, R0, R1;
    };
    auto span = [&](const TWorldBox& b) {
        return TSpan{static_cast<int>(std::clamp((b.MinX - FLeft) * perCell, 0.0, lastColumn)),
                     static_cast<int>(std::clamp((b.MaxX - FLeft) * perCell, 0.0, lastColumn)),
                     static_cast<int>(std::clamp((b.MinY - FBottom) * perCell, 0.0, lastRow)),
                     static_cast<int>(std::clamp((b.MaxY - FBottom) * perCell, 0.0, lastRow))};
    };

    const std::size_t cellCount = static_cast<std::size_t>(FColumns) * static_cast<std::size_t>(FRows);
    std::vector<std::uint32_t> counts(cellCount + 1, 0);
    std::vector<TSpan> spans(boxes.size(), TSpan{0, -1, 0, -1});
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const TWorldBox& b = boxes[i];
        if (b.Empty())
            continue;
        const TSpan cells = Finite(b) ? span(b) : TSpan{0, MaxCellsPerSide, 0, MaxCellsPerSide};
        if (cells.C1 - cells.C0 >= MaxCellsPerSide || cells.R1 - cells.R0 >= MaxCellsPerSide) {
            FAside.push_back(static_cast<int>(i));
            continue;
        }
        spans[i] = cells;
        for (int r = cells.R0; r <= cells.R1; ++r)
            for (int c = cells.C0; c <= cells.C1; ++c)
                ++counts[static_cast<std::size_t>(r) * FColumns + c];
    }
    FCellStart.assign(cellCount + 1, 0);
    for (std::size_t k = 0; k < cellCount; ++k)
        FCellStart[k + 1] = FCellStart[k] + counts[k];
    FCellItems.resize(FCellStart[cellCount]);
    std::vector<std::uint32_t> fill(FCellStart.begin(), FCellStart.end() - 1);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const TSpan& cells = spans[i];
        for (int r = cells.R0; r <= cells.R1; ++r)
            for (int c = cells.C0; c <= cells.C1; ++c)
                FCellItems[fill[static_cast<std::size_t>(r) * FColumns + c]++] = static_cast<int>(i);
    }
}

void TBoxGrid::Query(const TWorldBox& box, std::vector<int>& out) const
{
    out.clear();
    if (box.Empty() || FBoxes.empty())
        return;
    if (++FStamp == 0) {
        std::fill(FSeen.begin(), FSeen.end(), 0);
        FStamp = 1;
    }
    auto take = [&](int i) {
        if (FSeen[static_cast<std::size_t>(i)] != FStamp) {
            FSeen[static_cast<std::size_t>(i)] = FStamp;
            out.push_back(i);
        }
    };
    // A box beyond the grid meets its border cells, where the items beyond
    // it are.
    if (FColumns > 0 && Finite(box)) {
        auto cell = [&](double v, double origin, int count) {
            return static_cast<int>(std::clamp((v - origin) / FCell, 0.0, count - 1.0));
        };
        const int c0 = cell(box.MinX, FLeft, FColumns), c1 = cell(box.MaxX, FLeft, FColumns);
        const int r0 = cell(box.MinY, FBottom, FRows), r1 = cell(box.MaxY, FBottom, FRows);
        for (int r = r0; r <= r1; ++r) {
            const std::size_t row = static_cast<std::size_t>(r) * FColumns;
            for (std::size_t k = FCellStart[row + c0]; k < FCellStart[row + c1 + 1]; ++k)
                take(FCellItems[k]);
        }
    }
    for (int i : FAside) {
        const TWorldBox& b = FBoxes[static_cast<std::size_t>(i)];
        if (!Finite(b) || !Finite(box) || Meet(b, box))
            take(i);
    }
    // Many hits are put in order by one pass over the marks, few by sorting.
    if (out.size() > FBoxes.size() / 16) {
        out.clear();
        for (std::size_t i = 0; i < FSeen.size(); ++i)
            if (FSeen[i] == FStamp)
                out.push_back(static_cast<int>(i));
    } else {
        std::sort(out.begin(), out.end());
    }
}

// ---------------------------------------------------------------------------

void TTrackIdSet::Clear()
{
    FDense.clear();
    FOthers.clear();
}

void TTrackIdSet::Insert(int id)
{
    if (id >= 0 && static_cast<std::size_t>(id) < FDense.size()) {
        FDense[static_cast<std::size_t>(id)] = 1;
        return;
    }
    FOthers.insert(id);
    // Small ids move to the flags once the set has seen enough of them.
    if (id >= 0 && static_cast<std::size_t>(id) < 2 * FOthers.size() + DenseSlack) {
        FDense.resize(std::max(static_cast<std::size_t>(id) + 1, 2 * FDense.size()), 0);
        for (auto it = FOthers.begin(); it != FOthers.end();) {
            if (*it >= 0 && static_cast<std::size_t>(*it) < FDense.size()) {
                FDense[static_cast<std::size_t>(*it)] = 1;
                it = FOthers.erase(it);
            } else {
                ++it;
            }
        }
    }
}

// ---------------------------------------------------------------------------

int TPlanIndex::CurvePieces(double length)
{
    const double pieces = std::ceil(length / 5.0);
    // The bound only keeps the cast defined; no real track comes near it.
    return pieces > 0.0 && pieces < 1e7 ? static_cast<int>(pieces) : 0;
}

void TPlanIndex::Reset()
{
    FProject = nullptr;
    FRevision = 0;
    FTracks.clear();
    FCurvePoints.clear();
    FPointPlaces.clear();
    FObjectPlaces.clear();
    FTrackGrid.Clear();
    FPointGrid.Clear();
    FObjectGrid.Clear();
    FStationsProject = nullptr;
    FStationsKey = 0;
    FStationTracks.Clear();
    FRoute = nullptr;
    FRouteRevision = 0;
    FRouteTracks.Clear();
}

void TPlanIndex::Update(const TVLProject* project)
{
    if (!project) {
        Reset();
        return;
    }
    if (project != FProject || PlanRevision != FRevision) {
        BuildGeometry(*project);
        FProject = project;
        FRevision = PlanRevision;
    }
}

void TPlanIndex::UpdateTrackSets(const TVLProject& project, const TVLRouteDefinition* currentRoute)
{
    const std::uint64_t stations = StationsFingerprint(project);
    if (&project != FStationsProject || stations != FStationsKey) {
        BuildStationTracks(project);
        FStationsProject = &project;
        FStationsKey = stations;
    }
    const std::uint64_t routeRevision = currentRoute ? currentRoute->Revision() : 0;
    if (currentRoute != FRoute || routeRevision != FRouteRevision) {
        BuildRouteTracks(currentRoute);
        FRoute = currentRoute;
        FRouteRevision = routeRevision;
    }
}

TPlanIndex::TObjectPlace TPlanIndex::PlaceOf(const TVLObject& object)
{
    return TObjectPlace{object.X, object.Y, object.Rotation, object.MinX, object.MaxX, object.MinZ, object.MaxZ};
}

void TPlanIndex::BuildGeometry(const TVLProject& project)
{
    const TVLConnectionlist& connections = project.Connections;
    // The curves of the last build are taken over where the track, its ends
    // and the neighbours' far ends are as they were.
    std::vector<TTrack> previous;
    std::vector<TWorldPoint> previousPoints;
    previous.swap(FTracks);
    previousPoints.swap(FCurvePoints);
    FTracks.assign(static_cast<std::size_t>(connections.Count()), TTrack{});
    FCurvePoints.reserve(previousPoints.size());

    // The pieces at each end of a curved track, in list order, as the
    // subdivision looks for them: slot of the end, then the pieces of each
    // slot in one array.
    std::unordered_map<const TVLPoint*, std::uint32_t> slots;
    for (TVLConnection* c : connections)
        if (c->IsCurved() && c->StartPoint && c->EndPoint && CurvePieces(c->Length()) > 1) {
            slots.emplace(c->StartPoint, static_cast<std::uint32_t>(slots.size()));
            slots.emplace(c->EndPoint, static_cast<std::uint32_t>(slots.size()));
        }
    std::vector<std::uint32_t> slotStart(slots.size() + 1, 0);
    std::vector<TVLConnection*> atEnds;
    if (!slots.empty()) {
        std::vector<std::pair<std::uint32_t, TVLConnection*>> found;
        for (TVLConnection* c : connections)
            for (const TVLPoint* end : {c->StartPoint, c->EndPoint}) {
                if (!end || (end == c->EndPoint && c->StartPoint == c->EndPoint))
                    continue;
                auto it = slots.find(end);
                if (it != slots.end()) {
                    found.emplace_back(it->second, c);
                    ++slotStart[it->second + 1];
                }
            }
        for (std::size_t k = 1; k < slotStart.size(); ++k)
            slotStart[k] += slotStart[k - 1];
        atEnds.resize(found.size());
        std::vector<std::uint32_t> fill(slotStart.begin(), slotStart.end() - 1);
        for (const auto& [slot, c] : found)
            atEnds[fill[slot]++] = c;
    }
    std::vector<TVLConnection*> neighbours;
    auto neighboursAt = [&](const TVLPoint* end, const TVLConnection* except) -> const std::vector<TVLConnection*>& {
        neighbours.clear();
        const std::uint32_t slot = slots.at(end);
        for (std::uint32_t k = slotStart[slot]; k < slotStart[slot + 1]; ++k)
            if (atEnds[k] != except)
                neighbours.push_back(atEnds[k]);
        return neighbours;
    };
    auto sameCurve = [](const TTrack& a, const TTrack& b) {
        return a.Connection == b.Connection && a.Start == b.Start && a.End == b.End && a.A == b.A && a.B == b.B &&
               a.NearStart == b.NearStart && a.NearEnd == b.NearEnd && a.NearStartAt == b.NearStartAt &&
               a.NearEndAt == b.NearEndAt;
    };

    std::vector<TWorldBox> boxes(FTracks.size());
    std::vector<TWorldPoint> cuts;
    for (std::size_t i = 0; i < FTracks.size(); ++i) {
        TVLConnection* c = connections[static_cast<int>(i)];
        TTrack& t = FTracks[i];
        t.Connection = c;
        t.Start = c->StartPoint;
        t.End = c->EndPoint;
        t.Curved = c->IsCurved();
        if (!t.Start || !t.End)
            continue;
        t.A = t.Start->Position;
        t.B = t.End->Position;
        TWorldBox& box = boxes[i];
        box.Include(t.A);
        box.Include(t.B);
        if (!t.Curved)
            continue;
        // The frame lets a curve bulge half its chord's width plus height.
        box.Grow((std::fabs(t.B.X - t.A.X) + std::fabs(t.B.Y - t.A.Y)) / 2);
        const int pieces = CurvePieces(c->Length());
        if (pieces <= 1)
            continue;
        t.NearStart = TVLConnectionlist::ChooseNeighbourEnd(neighboursAt(t.Start, c), t.Start, t.End);
        if (t.NearStart)
            t.NearEnd = TVLConnectionlist::ChooseNeighbourEnd(neighboursAt(t.End, c), t.End, t.Start);
        if (t.NearStart)
            t.NearStartAt = t.NearStart->Position;
        if (t.NearEnd)
            t.NearEndAt = t.NearEnd->Position;
        const TTrack* before = i < previous.size() && previous[i].Curved ? &previous[i] : nullptr;
        if (before && sameCurve(*before, t) && before->Count == static_cast<std::uint32_t>(pieces - 1)) {
            cuts.assign(previousPoints.begin() + before->First, previousPoints.begin() + before->First + before->Count);
        } else {
            TVLConnectionlist::SubdivideBetween(c, pieces, t.NearStart, t.NearEnd, cuts);
        }
        t.First = static_cast<std::uint32_t>(FCurvePoints.size());
        t.Count = static_cast<std::uint32_t>(cuts.size());
        for (const TWorldPoint& p : cuts) {
            FCurvePoints.push_back(p);
            box.Include(p);
        }
    }
    FTrackGrid.Build(boxes);

    FPointPlaces.clear();
    FPointPlaces.reserve(static_cast<std::size_t>(project.Points.Count()));
    boxes.assign(static_cast<std::size_t>(project.Points.Count()), TWorldBox{});
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        FPointPlaces.push_back(project.Points[static_cast<int>(i)]->Position);
        boxes[i].Include(FPointPlaces.back());
    }
    FPointGrid.Build(boxes);

    FObjectPlaces.clear();
    FObjectPlaces.reserve(static_cast<std::size_t>(project.FreeObjects.Count()));
    boxes.assign(static_cast<std::size_t>(project.FreeObjects.Count()), TWorldBox{});
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const TVLObject& object = *project.FreeObjects[static_cast<int>(i)];
        FObjectPlaces.push_back(PlaceOf(object));
        for (const TWorldPoint& corner : object.GetCorners())
            boxes[i].Include(MakeWorldPoint(corner.X + object.X, corner.Y + object.Y));
    }
    FObjectGrid.Build(boxes);
}

bool TPlanIndex::TrackUnchanged(int i) const
{
    if (!FProject || i < 0 || static_cast<std::size_t>(i) >= FTracks.size())
        return false;
    const TTrack& t = FTracks[static_cast<std::size_t>(i)];
    const TVLConnection* c = t.Connection;
    if (FProject->Connections.Items(i) != c || c->StartPoint != t.Start || c->EndPoint != t.End ||
        c->IsCurved() != t.Curved)
        return false;
    if (!t.Start || !t.End)
        return true;
    if (!(t.Start->Position == t.A) || !(t.End->Position == t.B))
        return false;
    return (!t.NearStart || t.NearStart->Position == t.NearStartAt) &&
           (!t.NearEnd || t.NearEnd->Position == t.NearEndAt);
}

bool TPlanIndex::PointUnchanged(int i) const
{
    return FProject && i >= 0 && static_cast<std::size_t>(i) < FPointPlaces.size() && i < FProject->Points.Count() &&
           FProject->Points[i]->Position == FPointPlaces[static_cast<std::size_t>(i)];
}

bool TPlanIndex::ObjectUnchanged(int i) const
{
    if (!FProject || i < 0 || static_cast<std::size_t>(i) >= FObjectPlaces.size() || i >= FProject->FreeObjects.Count())
        return false;
    const TObjectPlace now = PlaceOf(*FProject->FreeObjects[i]);
    const TObjectPlace& then = FObjectPlaces[static_cast<std::size_t>(i)];
    return now.X == then.X && now.Y == then.Y && now.Rotation == then.Rotation && now.MinX == then.MinX &&
           now.MaxX == then.MaxX && now.MinZ == then.MinZ && now.MaxZ == then.MaxZ;
}

std::uint64_t TPlanIndex::StationsFingerprint(const TVLProject& project)
{
    std::uint64_t hash = 14695981039346656037ULL;
    for (const TVLStation* station : project.Stations) {
        Mix(hash, &station, sizeof station);
        for (const std::string& line : station->Lines) {
            Mix(hash, line.data(), line.size());
            Mix(hash, "\n", 1);
        }
        Mix(hash, "\f", 1);
    }
    return hash;
}

void TPlanIndex::BuildStationTracks(const TVLProject& project)
{
    // A track is a station's when the first line of one of its platforms
    // names it (TVLStation::UsesTrack, which has the last word).
    FStationTracks.Clear();
    for (const TVLStation* station : project.Stations)
        for (const std::string& line : station->Lines) {
            const std::size_t equals = line.find('=');
            if (equals == std::string::npos)
                continue;
            const int track = station->GetPlatformTrack(line.substr(0, equals));
            if (station->UsesTrack(track))
                FStationTracks.Insert(track);
        }
}

void TPlanIndex::BuildRouteTracks(const TVLRouteDefinition* route)
{
    FRouteTracks.Clear();
    if (!route)
        return;
    for (const std::string& line : route->Lines()) {
        int id = 0;
        if (ExactInteger(line, id))
            FRouteTracks.Insert(id);
    }
}
