// The track section: the main track as rail 0 in 25 m blocks of five
// pieces, then every other piece of the plan as secondary rails 1..15
// measured against the main track, then all commands sorted by position.

#include "export/vlexport.h"

#include "model/vlconnection.h"
#include "model/vlconnectionlist.h"
#include "model/vlobject.h"
#include "model/vlpoint.h"
#include "model/vlproject.h"
#include "model/vlstation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

using namespace TrackCommands;

namespace {

double BearingOf(const TVLConnection* c)
{
    return Bearing(c->StartPosition(), c->EndPosition());
}

// The turn between two bearings, brought into -180..180 so that a route
// heading due west does not read a gentle bend as a turn of nearly 360.
double TurnBetween(double from, double to)
{
    double d = from - to;
    while (d > 180)
        d -= 360;
    while (d < -180)
        d += 360;
    return d;
}

// Cells of the grids that find the main pieces near a secondary track and
// the secondary pieces near a main piece's probes, and how far a probe's
// crossing may lie outside a piece's box for rounding.
constexpr double MainCellSize = 64;
constexpr double SecondaryCellSize = 32;
constexpr double ProbeMargin = 1;

} // namespace

int TVLExport_Mod::RadiusOfTurn(double degrees)
{
    // Below a thousandth of a degree (a radius beyond 1,400 km) is straight.
    if (std::fabs(degrees) < 0.001)
        return 0;
    return Round(1432.3944878270580219 / degrees);
}

double TVLExport_Mod::TurnOfRadius(int radius)
{
    if (radius == 0)
        return 0;
    return 1432.3944878270580219 / radius;
}

int TVLExport_Mod::SmoothRadius(int radius) const
{
    if (std::abs(radius) > MaxCurveSmooth())
        return 0;
    // To the nearest 25 m on either side, so that a mirrored plan gets
    // mirrored radii.
    radius = SignOf(radius) * (((std::abs(radius) + 12) / 25) * 25);
    if (radius != 0)
        radius = SignOf(radius) * std::max(MinCurveSmooth(), std::abs(radius));
    return radius;
}

void TVLExport_Mod::WriteTrack(TStrings& output, int direction)
{
    AddStatus("Writing Railway");
    SetProgress(45);
    ProcessMessages();
    output.push_back("with Track");
    FTrack = TTrackCommandList();
    std::unordered_set<TVLConnection*> exported;
    WriteMainTrack(direction, exported);
    WriteSecondaryTracks(direction, exported);
    AddStatus("Sorting Commands");
    TStrings lines = FTrack.Lines();
    SortTrackCommands(lines);
    output.insert(output.end(), lines.begin(), lines.end());
    SetProgress(90);
}

// ---------------------------------------------------------------------------
// Main track

void TVLExport_Mod::WriteMainTrack(int a, std::unordered_set<TVLConnection*>& exported)
{
    const int n = static_cast<int>(Route.size());
    double r = 0;
    // The pieces before the start station's piece carry its track's platform
    // and scenery; running time counts from the start station's stop.
    int index = StartIndex - a * FLeadIn;
    std::vector<TVLConnection*> sequence;
    for (int i = index; i >= 0 && i < n; i += a)
        sequence.push_back(Route[i]);
    std::vector<TStationStop> stops = StationStops(sequence, FLeadIn);
    std::unordered_map<const TVLConnection*, std::vector<const TStationStop*>> stopsAt;
    for (const TStationStop& stop : stops)
        stopsAt[stop.Piece].push_back(&stop);
    bool running = false;
    const TVLStation* lastStation = nullptr;
    double lastStationAt = -1;
    TVLConnection* previous = nullptr;
    long long clock = DepartureTime;
    double acc = 0;
    int lastPole = -99;
    double turnOwed = 0; // degrees the blocks so far have turned less than the plan
    std::unordered_set<const TVLObject*> placed;
    std::unordered_set<const TVLConnection*> stationsDone;
    int k = 0;

    for (;;) {
        std::vector<TVLConnection*> block;
        int next = index;
        bool switchBlock = false;
        while (block.size() < 5 && next >= 0 && next < n) {
            TVLConnection* piece = Route[next];
            if (piece->TrackKind < 2 || block.empty() || switchBlock) {
                if (piece->TrackKind >= 2 && block.empty())
                    switchBlock = true;
                block.push_back(piece);
                next += a;
            } else {
                // A fixed or switch piece begins its own block: fill this one
                // up with the piece before it.
                block.push_back(block.back());
            }
        }
        SetProgress(k * 45 / std::max(1, n) + 45);
        SetStatusText("Laying track " + std::to_string(k) + "/" + std::to_string(n));
        ++k;
        ProcessMessages();

        if (!block.empty()) {
            TVLConnection* first = block.front();
            TVLConnection* last = block.back();
            exported.insert(block.begin(), block.end());

            // With smoothing a block turns by what the plan turns here plus
            // what earlier blocks fell short of (or overshot): rounding radii
            // to 25 m steps, raising them to the smallest radius and laying
            // gentle bends straight each change a block's turn, and without
            // the carry these changes add up along the route.
            double turn = previous ? TurnBetween(BearingOf(previous), BearingOf(last)) : 0;
            if (Smoothing)
                turn += turnOwed;
            int radius = RadiusOfTurn(turn);
            if (Smoothing)
                radius = SmoothRadius(radius);
            bool planned = true;
            switch (first->TrackKind) {
            case 2:
            case 3:
            case 5:
                radius = 0;
                planned = false;
                break;
            case 4:
                radius = -157 * a * first->Direction;
                planned = false;
                break;
            case 6:
                radius = 157 * a * first->Direction;
                planned = false;
                break;
            default:
                break;
            }
            // A switch or fixed piece has the radius of its object; the plan's
            // turn there is left to the blocks after it.
            turnOwed = planned ? turn - TurnOfRadius(radius) : turn;
            if (radius != 0) {
                double v = first->SpeedLimit;
                FTrack.Add(Curve(r, radius, Round(v * 1.37 * v / radius)));
            } else {
                FTrack.Add(Curve(r, 0, 0));
            }

            const TVLConnection* lastBefore = previous;
            TWorldPoint blockStart = a == 1 ? first->StartPosition() : first->EndPosition();
            TWorldPoint blockEnd = a == 1 ? last->EndPosition() : last->StartPosition();

            for (std::size_t e = 0; e < block.size(); ++e) {
                TVLConnection* c = block[e];
                double p = r + 5.0 * static_cast<double>(e);
                running = running || (!stops.empty() && c == stops.front().Piece);
                if (running)
                    acc += c->Length() / (std::max(1, c->SpeedLimit) * 1000.0) * 3600;
                c->ExportPosition = p;
                if (!previous || previous->Fog != c->Fog) {
                    if (c->Fog < 0 || c->Fog > 100000)
                        NoteBadValue(c, "a fog distance of " + std::to_string(c->Fog) + " m");
                    else
                        FTrack.Add(c->Fog != 0 ? FogOn(p, c->Fog) : FogOff(p));
                }
                if (!previous || previous->Adhesion != c->Adhesion)
                    FTrack.Add(Adhesion(p, c->Adhesion));
                if (!previous || previous->SpeedLimit != c->SpeedLimit)
                    FTrack.Add(Limit(p, c->SpeedLimit));
                if (!previous || previous->BackgroundId != c->BackgroundId) {
                    int index = BackgroundIndex(c->BackgroundId);
                    RequireName(BackgroundFiles, index, c, "background", c->BackgroundId);
                    FTrack.Add(Back(r, index));
                }
                if (!previous || previous->GroundId != c->GroundId) {
                    int index = GroundIndex(c->GroundId);
                    RequireName(GroundFiles, index, c, "ground", c->GroundId);
                    FTrack.Add(Ground(r, index));
                }
                if (!c->WaveFile.empty()) {
                    FTrack.Add(Announce(p, SubDir, c->WaveFile));
                    AddObjectFiles("sounds", c->WaveFile);
                }
                // A piece repeated to fill a block holds its stop once.
                auto at = stopsAt.find(c);
                if (at != stopsAt.end() && stationsDone.insert(c).second) {
                    for (const TStationStop* stop : at->second) {
                        const TVLStation* s = stop->Station;
                        // Stations and stops go by blocks: two in one block
                        // would take each other's stop.
                        if (lastStationAt == r)
                            NoteBadValue(c, "the stations \"" + lastStation->Name + "\" and \"" + s->Name +
                                                "\" lie too close: their stops would fall into one 25 m block");
                        lastStation = s;
                        lastStationAt = r;
                        if (s == DestStation)
                            DestinationReached = true;
                        clock += Round(acc);
                        acc = 90;
                        std::string arrival = StationTime(clock);
                        clock += 60;
                        std::string departure = StationTime(clock);
                        FTrack.Add(Station(r, RouteText(s->Name), arrival, departure, DoorSide(*s, a)));
                        // 15 m into the block, but not beyond the far end of
                        // the station's tracks, which lies 5 m on when the stop
                        // piece is the last, 10 m when that comes next.
                        double stopAt = r + 15;
                        if (stop->Last == c)
                            stopAt = std::min(stopAt, p + 5);
                        else if (e + 1 < block.size() && block[e + 1] == stop->Last)
                            stopAt = std::min(stopAt, p + 10);
                        // The platform is laid by whole blocks after each
                        // block's last piece: where this block ends off the
                        // platform, the platform laid ends where it begins,
                        // and the train stops there.
                        if (c->PlatformSide > 0 && last->PlatformSide == 0 && lastBefore &&
                            lastBefore->PlatformSide > 0 && UsesPiece(*s, lastBefore))
                            stopAt = r;
                        // One stop point: the simulator's own post on the
                        // right, or none beside the library's stop sign.
                        if (StopSignIndex == -1) {
                            FTrack.Add(Stop(stopAt, 1));
                        } else {
                            FTrack.Add(Stop(stopAt, 0));
                            FTrack.Add(FreeObj(stopAt, 0, StopSignIndex, 2.4, 0, 0));
                            ++FreeObjCount;
                        }
                    }
                }
                previous = c;
            }

            int railRadius = (radius == 0 || (Smoothing && radius > MaxCurveSmooth())) ? 0 : radius;
            int railIndex = RailIndex(last->TrackType, railRadius);
            RequireName(RailFiles, railIndex, last, "track type", last->TrackType);
            RequireHeight(last, last->Height);
            FTrack.Add(RailType(r, 0, railIndex, last->Height));
            WriteBlockObjects(last, 0, lastPole, a, r);

            for (TVLObject* o : Project->FreeObjects) {
                if (placed.count(o))
                    continue;
                double s = 0, t = 0;
                if (!PointNearSegment(blockStart, blockEnd, MakeWorldPoint(o->X, o->Y), 100, s, t))
                    continue;
                double along = Distance(blockStart, blockEnd) * t;
                double x = s * 100;
                if (r + along <= 0 || (o->Folder == "trains" && std::fabs(x) <= 3))
                    continue;
                placed.insert(o);
                if (!LibraryFileExists(o->Folder, o->FileName)) {
                    // A scenery object whose file is gone would name a file the
                    // simulator cannot load; leave it out and say so.
                    AddStatus("missing free object file, not placed: " + o->Folder + "\\" + o->FileName);
                    LeftOut.push_back(o->Folder + "\\" + o->FileName);
                    continue;
                }
                double yaw = Bearing(blockStart, blockEnd) - 90 - o->Rotation;
                double y = o->Height - last->Height;
                FTrack.Add(FreeObj(r + along, 0, FreeObjIndex(o->Folder, o->FileName), x, y, yaw));
                ++FreeObjCount;
            }
            r += 25;
            previous = last;
        }
        index = next;
        if (block.size() < 5)
            break;
    }
    if (OnRouteProgress)
        OnRouteProgress(Route);
}

// A value the simulator cannot take stops the export after the track is
// laid; the first one found names its track.
void TVLExport_Mod::NoteBadValue(const TVLConnection* c, const std::string& what)
{
    if (BadValue.empty())
        BadValue = "Track " + std::to_string(SourceTrackId(c)) + ": " + what;
}

void TVLExport_Mod::RequireName(const TNameRegistry& registry, int index, const TVLConnection* c,
                                const std::string& kind, int id)
{
    if (index >= 0 && index < registry.Count() && registry.Entries[index].empty())
        NoteBadValue(c, "the object library has no " + kind + " " + std::to_string(id));
}

void TVLExport_Mod::RequireHeight(const TVLConnection* c, double height)
{
    // Far beyond any mountain or mine: a height like this is a damaged value.
    if (!std::isfinite(height) || std::fabs(height) > 10000)
        NoteBadValue(c, "height " + FloatToStrDot(height) + " m");
}

int TVLExport_Mod::DoorSide(const TVLStation& station, int a) const
{
    // The sides, in the direction of travel, of the platforms along the
    // station's tracks on the route.
    bool left = false, right = false;
    for (const TVLConnection* c : Route) {
        if (c->PlatformSide <= 0 || !UsesPiece(station, c))
            continue;
        int side = a == 1 ? c->PlatformSide : 3 - c->PlatformSide;
        (side == 1 ? right : left) = true;
    }
    // Platforms on both sides or on none: the left, as ever.
    return right && !left ? 1 : -1;
}

int TVLExport_Mod::SourceTrackId(const TVLConnection* c) const
{
    auto it = FSourceIds.find(c);
    return it != FSourceIds.end() ? it->second : c->Id;
}

bool TVLExport_Mod::UsesPiece(const TVLStation& station, const TVLConnection* c) const
{
    int id = SourceTrackId(c);
    return id != 0 && station.UsesTrack(id);
}

std::vector<TVLExport_Mod::TStationStop> TVLExport_Mod::StationStops(const std::vector<TVLConnection*>& pieces,
                                                                     int start)
{
    // A station's own piece (the one that keeps its track's id) is the
    // second-to-last of its track in drawing order: in the direction of
    // travel that is near the platform's far end only when the track is
    // drawn that way. The stop goes near the far end either way.
    struct TRun {
        const TVLStation* Station;
        int First, Last;
    };
    std::vector<TRun> runs;
    const int n = static_cast<int>(pieces.size());
    for (int i = std::max(0, start); i < n; ++i) {
        const TVLConnection* c = pieces[static_cast<std::size_t>(i)];
        if (c->Id == 0)
            continue;
        for (const TVLStation* s : Project->Stations) {
            if (!s->UsesTrack(c->Id))
                continue;
            auto uses = [&](int k) { return UsesPiece(*s, pieces[static_cast<std::size_t>(k)]); };
            int first = i, last = i;
            while (first > 0 && uses(first - 1))
                --first;
            while (last + 1 < n && uses(last + 1))
                ++last;
            // A station on two tracks in a row has two pieces of its own.
            if (std::any_of(runs.begin(), runs.end(),
                            [&](const TRun& run) { return run.Station == s && run.First == first; }))
                continue;
            if (!runs.empty() && first <= runs.back().Last)
                NoteBadValue(pieces[static_cast<std::size_t>(std::max(first, runs.back().First))],
                             "the stations \"" + runs.back().Station->Name + "\" and \"" + s->Name +
                                 "\" both use it, but a track can belong to one station only");
            runs.push_back({s, first, last});
        }
    }
    std::vector<TStationStop> stops;
    for (const TRun& run : runs)
        stops.push_back({run.Station, pieces[static_cast<std::size_t>(run.Last > run.First ? run.Last - 1 : run.Last)],
                         pieces[static_cast<std::size_t>(run.Last)]});
    return stops;
}

void TVLExport_Mod::WriteBlockObjects(TVLConnection* c, int rail, int& lastPole, int dir, double p)
{
    if (c->PlatformSide > 2) {
        NoteBadValue(c, "platform side " + std::to_string(c->PlatformSide));
    } else if (c->PlatformSide > 0) {
        int side = dir == 1 ? c->PlatformSide : 3 - c->PlatformSide;
        int platform = PlatformIndex(c->PlatformId);
        RequireName(PlatformFiles, platform, c, "platform", c->PlatformId);
        FTrack.Add(Form(p, rail, SideLetter(side), RoofIndex(c->RoofId), platform));
    }
    // Taking out the pending end of the block before joins consecutive
    // blocks into one wall.
    auto wallIndex = [&](int id) {
        int index = WallIndex(id);
        RequireName(WallFiles, index, c, "wall", id);
        return index;
    };
    auto dike = [&](int id) {
        FTrack.Remove(DikeEnd(p, rail));
        FTrack.Add(Dike(p, rail, -1, wallIndex(id)));
        FTrack.Add(DikeEnd(p + 25, rail));
    };
    auto wall = [&](int id) {
        FTrack.Remove(WallEnd(p, rail));
        FTrack.Add(Wall(p, rail, 1, wallIndex(id)));
        FTrack.Add(WallEnd(p + 25, rail));
    };
    if (c->WallLeftId > 0) {
        if (dir == 1)
            dike(c->WallLeftId);
        else
            wall(c->WallLeftId);
    }
    if (c->WallRightId > 0) {
        if (dir == 1)
            wall(c->WallRightId);
        else
            dike(c->WallRightId);
    }
    int v = ((c->PlatformSide == 1 && c->Pole == 1) || (c->PlatformSide == 2 && c->Pole == -1))
                ? 2 * SignOf(c->Pole)
                : c->Pole;
    if (dir == -1)
        v = -v;
    if (v != lastPole) {
        // lastPole is 0 after a pole end and out of -2..2 before the rail's
        // first block: only running poles can end.
        if (c->Pole == 0) {
            if (lastPole != 0 && std::abs(lastPole) <= 2)
                FTrack.Add(PoleEnd(p, rail));
        } else {
            int pole = PoleIndex(std::abs(v));
            RequireName(PoleFiles, pole, c, "pole", std::abs(v));
            FTrack.Add(Pole(p, rail, -SignOf(v), pole));
        }
        lastPole = v;
    }
}

// ---------------------------------------------------------------------------
// Secondary tracks

bool TVLExport_Mod::IsRailFree(int rail, double p) const
{
    return !FTrack.FindRail(p, rail) && !FTrack.FindRail(p + 25, rail);
}

double TVLExport_Mod::SnapSecondaryOffset(double x)
{
    if (std::fabs(x) <= 1.5)
        x = 0;
    if (std::fabs(x) >= 3 && std::fabs(x) <= 5)
        x = 4 * SignOf(x);
    return x;
}

double TVLExport_Mod::SnapToNeighbourRail(double x, double p) const
{
    for (int rail = 1; rail <= 15; ++rail) {
        const std::string* line = FTrack.FindRail(p, rail);
        if (!line)
            continue;
        std::string rest = line->substr(RailPrefix(p, rail).size());
        double y = StrToFloatDot(rest.substr(0, rest.find(';')));
        if (std::fabs(y - x) < 3)
            x = y;
        break;
    }
    return x;
}

void TVLExport_Mod::WriteSecondaryTracks(int a, std::unordered_set<TVLConnection*>& exported)
{
    SecondaryRail = 1;
    SetStatusText("exporting secondary track " + std::to_string(SecondaryRail) + "...");
    // Each handled chain becomes exported as a whole, so one walk through the
    // list in order meets the same first unexported pieces as starting over
    // after every chain would.
    int n = Connections->Count();
    FAdjacency.clear();
    for (int i = 0; i < n; ++i) {
        TVLConnection* c = Connections->GetConnection(i);
        FAdjacency[c->StartPoint].push_back(c);
        if (c->EndPoint != c->StartPoint)
            FAdjacency[c->EndPoint].push_back(c);
    }
    // The main pieces by where their probes start, filed by travel order.
    const int mainCount = static_cast<int>(Route.size());
    FMainGrid = TCellGrid(MainCellSize);
    double longest = 0;
    for (int step = 0; step < mainCount; ++step) {
        const TVLConnection* m = Route[a > 0 ? step : mainCount - 1 - step];
        FMainGrid.Add(step, m->StartPosition(), m->StartPosition());
        longest = std::max(longest, m->Length());
    }
    FMainReach = 99 + 0.01 * longest + ProbeMargin;
    for (int i = 0; i < n; ++i) {
        SetProgress2(i * 100 / n);
        ProcessMessages();
        TVLConnection* c = Connections->GetConnection(i);
        if (exported.count(c))
            continue;
        WriteSecondaryTrack(c, exported, a);
        SetStatusText("exporting secondary track " + std::to_string(SecondaryRail) + "...");
    }
    FAdjacency.clear();
    FMainGrid = TCellGrid(MainCellSize);
}

void TVLExport_Mod::WriteSecondaryTrack(TVLConnection* c, std::unordered_set<TVLConnection*>& exported, int a)
{
    if (exported.count(c))
        return;
    std::vector<TVLConnection*> chain{c};
    std::unordered_set<TVLConnection*> inChain{c};

    // Walks away from C at one end, always into the most parallel piece that
    // does not turn back. Pieces already written or already in the chain are
    // no way on, so a ring of tracks ends the walk where it closes.
    auto walk = [&](bool forward) {
        TVLPoint* point = forward ? c->EndPoint : c->StartPoint;
        TVLConnection* current = c;
        std::vector<TVLConnection*> found;
        while (point) {
            if (FAdjacency.empty()) {
                Connections->GetConnectionsAt(point, found, current);
            } else {
                found.clear();
                auto it = FAdjacency.find(point);
                if (it != FAdjacency.end())
                    for (TVLConnection* x : it->second)
                        if (x != current)
                            found.push_back(x);
            }
            TVLConnection* prev = current;
            found.erase(std::remove_if(found.begin(), found.end(),
                                       [&](TVLConnection* x) { return exported.count(x) || inChain.count(x); }),
                        found.end());
            if (found.empty())
                break;
            auto turnToward = [&](TVLConnection* x) {
                if (forward ? x->EndPoint == point : x->StartPoint == point)
                    x->Reverse();
            };
            current = found.front();
            turnToward(current);
            if (current->DotProduct(*prev) < 0)
                found.erase(found.begin());
            if (found.empty())
                break;
            TVLConnection* best = nullptr;
            double bestDiff = 999;
            for (TVLConnection* x : found) {
                double d = std::fabs(x->AngleTo(prev));
                if (d < bestDiff) {
                    bestDiff = d;
                    best = x;
                }
            }
            current = best ? best : found.front();
            turnToward(current);
            chain.push_back(current);
            inChain.insert(current);
            point = current->OtherEnd(point);
        }
    };
    walk(true);
    walk(false);

    SetStatusText("exporting secondary track " + std::to_string(SecondaryRail) + " (" +
                  std::to_string(chain.size()) + " connections)...");

    // Only main pieces near the chain can meet it: their probes reach 99 m
    // to either side (a hundredth of the piece along). They are taken in
    // travel order, and of each the chain pieces its probes can meet, in
    // chain order, as a walk over all of them would meet them.
    std::vector<TCellGrid::TKey> cells;
    TCellGrid chainGrid(SecondaryCellSize);
    bool everywhere = false;
    for (std::size_t i = 0; i < chain.size(); ++i) {
        TWorldPoint from = chain[i]->StartPosition(), to = chain[i]->EndPosition();
        chainGrid.Add(static_cast<int>(i), from, to, ProbeMargin);
        everywhere = !FMainGrid.CellsOf(from, to, FMainReach, cells) || everywhere;
    }
    std::sort(cells.begin(), cells.end());
    cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
    std::vector<int> steps;
    for (TCellGrid::TKey key : cells)
        if (const std::vector<int>* in = FMainGrid.ItemsIn(key))
            steps.insert(steps.end(), in->begin(), in->end());
    if (everywhere) {
        steps.resize(Route.size());
        std::iota(steps.begin(), steps.end(), 0);
    }
    std::sort(steps.begin(), steps.end());

    double g = -1;
    double g2 = 0;
    bool first = true;
    int lastPole = 999;
    double s = 0;
    const int n = static_cast<int>(Route.size());
    std::vector<int> near;
    for (int step : steps) {
        TVLConnection* m = Route[a > 0 ? step : n - 1 - step];
        TWorldPoint origin = m->StartPosition();
        TWorldPoint leftProbe = m->OffsetPointFromStart(100, 0.01);
        TWorldPoint rightProbe = m->OffsetPointFromStart(-100, 0.01);
        near.clear();
        chainGrid.Collect(origin, leftProbe, 0, near);
        chainGrid.Collect(origin, rightProbe, 0, near);
        std::sort(near.begin(), near.end());
        near.erase(std::unique(near.begin(), near.end()), near.end());
        for (int index : near) {
            TVLConnection* piece = chain[index];
            TVLConnection* before = index > 0 ? chain[index - 1] : nullptr;
            int q = SignOf(m->DotProduct(*piece));
            // The piece's ends go in ascending order: the crossing test takes
            // an axis-parallel segment's ends in their given order.
            TWorldPoint q1 = piece->StartPosition(), q2 = piece->EndPosition();
            if (q2.X < q1.X || (q2.X == q1.X && q2.Y < q1.Y))
                std::swap(q1, q2);
            TWorldPoint crossing;
            if (SegmentIntersection(origin, leftProbe, q1, q2, crossing))
                s = Distance(origin, crossing) * -a;
            else if (SegmentIntersection(origin, rightProbe, q1, q2, crossing))
                s = Distance(origin, crossing) * a;
            else
                continue;
            if (std::fabs(s) >= 100)
                continue;
            g = m->ExportPosition;

            int old = SecondaryRail;
            int tries = 0;
            while (!(IsRailFree(SecondaryRail, g) && IsRailFree(SecondaryRail, g + 25))) {
                SecondaryRail = SecondaryRail % 15 + 1;
                if (++tries >= 15) {
                    // Every rail is taken here: keep the one we had.
                    ++OverrunCount;
                    break;
                }
            }
            if (!first && SecondaryRail != old)
                FTrack.Add(RailEnd(g2, old, s));

            if (Round(g) % 25 != 0 || FTrack.FindRail(g, SecondaryRail) || !((first && g != 0) || s != 0))
                break;
            if (Smoothing)
                s = SnapSecondaryOffset(s);

            int radius = 0;
            if (CurvedSecondary() && before) {
                radius = RadiusOfTurn(TurnBetween(BearingOf(before), BearingOf(piece)));
                if (Smoothing)
                    radius = SmoothRadius(radius);
            }
            switch (piece->TrackKind) {
            case 2:
            case 3:
            case 5:
                radius = 0;
                break;
            case 4:
                radius = -157;
                break;
            case 6:
                radius = 157;
                break;
            default:
                break;
            }
            radius *= q * a * piece->Direction;
            int railRadius = (radius == 0 || (Smoothing && radius > MaxCurveSmooth())) ? 0 : radius;

            g2 = first ? g : g2 + 25;
            double x = (first && std::fabs(s) < 1.5) ? 0 : s;
            int railIndex = RailIndex(piece->TrackType, railRadius);
            RequireName(RailFiles, railIndex, piece, "track type", piece->TrackType);
            RequireHeight(piece, piece->Height);
            FTrack.Add(Rail(g2, SecondaryRail, x, piece->Height - m->Height, railIndex, piece->Id));
            if (first) {
                WriteBlockObjects(piece, SecondaryRail, lastPole, q * a, g);
                g2 += 25;
            } else {
                while (g2 <= g) {
                    WriteBlockObjects(piece, SecondaryRail, lastPole, q * a, g2);
                    g2 += 25;
                }
            }
            g2 = g;
            first = false;
            break;
        }
    }

    exported.insert(chain.begin(), chain.end());
    // Every rail laid is ended, also one laid only at position 0.
    if (!first) {
        double e = (Round(g2) / 25) * 25 + 25;
        if (s != 0)
            s = SnapToNeighbourRail(s, e);
        FTrack.Add(RailEnd(e, SecondaryRail, s));
        SecondaryRail = SecondaryRail % 15 + 1;
        if (OnRouteProgress)
            OnRouteProgress(chain);
    }
}
