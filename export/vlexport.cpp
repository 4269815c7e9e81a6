// The writer's driver and the preparation of the working copy: copying the
// track plan with merged ends, cutting it into pieces of about 5 m and
// ordering the route's pieces from the start station past the destination.

#include "export/vlexport.h"

#include "export/vltracktypeslookup.h"
#include "model/vlconnection.h"
#include "model/vlconnectionlist.h"
#include "model/vlpoint.h"
#include "model/vlobject.h"
#include "model/vlproject.h"
#include "model/vlroutedefinition.h"
#include "model/vlstation.h"
#include "model/vltracktypes.h"
#include "platform/paths.h"

#include <algorithm>
#include <cmath>

namespace {

TNullExportProgress NullProgress;
TDefaultExportSettings DefaultSettings;
TNoMessages NoMessages;

} // namespace

TVLExport_Mod::TVLExport_Mod(bool smoothing, const TExportServices& services)
    : Smoothing(smoothing), FServices(services)
{
    if (!FServices.Progress)
        FServices.Progress = &NullProgress;
    if (!FServices.Settings)
        FServices.Settings = &DefaultSettings;
    if (!FServices.Messages)
        FServices.Messages = &NoMessages;
    if (FServices.ProgramFolder.empty())
        FServices.ProgramFolder = ProgramFolder();
    if (!FServices.TrackTypes) {
        TVLTrackTypes table;
        table.Load(FServices.ProgramFolder);
        FOwnTrackTypes = std::make_unique<TTrackTypesLookup>(table);
        FServices.TrackTypes = FOwnTrackTypes.get();
    }
    std::string objectFolder = FServices.Settings->GetObjectFolder();
    // Looked up on disk once: every object of the route is checked below it.
    FLibraryFolder = DiskPath(FServices.ProgramFolder, objectFolder) + "/";
    // Object files are read through the model's library root, which the
    // editor sets at start; a writer run without the editor sets it here.
    if (ObjectsRoot.empty())
        ObjectsRoot = FLibraryFolder;
    GroundCatalog = std::make_unique<TVLGroundTexturelist>(FServices.ProgramFolder, objectFolder);
    WallCatalog = std::make_unique<TVLWalllist>(FServices.ProgramFolder, objectFolder);
    BackgroundCatalog = std::make_unique<TVLBackgroundTexturelist>(FServices.ProgramFolder, objectFolder);
    PlatformCatalog = std::make_unique<TVLPlatformlist>(FServices.ProgramFolder, objectFolder);
    RoofCatalog = std::make_unique<TVLRooflist>(FServices.ProgramFolder, objectFolder);
    PoleCatalog = std::make_unique<TVLCatenaryPoleList>(FServices.ProgramFolder, objectFolder);
    Connections = std::make_unique<TVLConnectionlist>();
}

TVLExport_Mod::~TVLExport_Mod()
{
    // The pieces refer to the points; free them first.
    Route.clear();
    Connections.reset();
    Points.clear();
}

// ---------------------------------------------------------------------------
// Services

void TVLExport_Mod::AddStatus(const std::string& line)
{
    if (Status)
        Status->push_back(line);
}

void TVLExport_Mod::SetStatusText(const std::string& text)
{
    FServices.Progress->SetStatusText(text);
}

void TVLExport_Mod::SetProgress(int percent)
{
    FServices.Progress->SetStatusProgress(std::clamp(percent, 0, 100));
}

void TVLExport_Mod::SetProgress2(int percent)
{
    FServices.Progress->SetProgress2(std::clamp(percent, 0, 100));
}

void TVLExport_Mod::ProcessMessages()
{
    FServices.Progress->ProcessMessages();
}

void TVLExport_Mod::StopExport(const std::string& messageKey, const std::string& statusLine,
                               const std::string& place)
{
    StopMessageKey = messageKey;
    AddStatus(statusLine);
    if (!place.empty())
        AddStatus(place + ".");
    FServices.Progress->ShowError(FServices.Messages->GetMessage(messageKey) + (place.empty() ? "" : place + "."));
}

// With a place named, the stations were chosen but cannot be used as the
// project stands; without, none was chosen.
const char* TVLExport_Mod::StationsKey(const std::string& place)
{
    return place.empty() ? "texport_no_stations" : "texport_station_unusable";
}

int TVLExport_Mod::DistanceBeyondLast() const
{
    return FServices.Settings->DistanceBeyondLast();
}

int TVLExport_Mod::MaxCurveSmooth() const
{
    return FServices.Settings->MaxCurveSmooth();
}

int TVLExport_Mod::MinCurveSmooth() const
{
    return FServices.Settings->MinCurveSmooth();
}

bool TVLExport_Mod::CurvedSecondary() const
{
    return FServices.Settings->CurvedSecondary();
}

std::string TVLExport_Mod::TrackObject(int trackType, int radius) const
{
    return FServices.TrackTypes->GetTrackObject(trackType, radius);
}

int TVLExport_Mod::RunSound(const std::string& objectFile) const
{
    return FServices.TrackTypes->GetRunSound(objectFile);
}

// ---------------------------------------------------------------------------
// Driver

namespace {

// Whether a station has a platform on one of the route definition's tracks.
bool StationOnRouteDefinition(const TVLStation& station, const TVLRouteDefinition& route)
{
    for (const auto& line : station.Lines) {
        int id = StrToIntDef(ValueOfLine(line), -1);
        if (id > 0 && route.ContainsTrack(id))
            return true;
    }
    return false;
}

} // namespace

bool TVLExport_Mod::Export(const std::string& trainName, const std::string& subDir, int routeDefinitionIndex)
{
    AddStatus("Preparing");
    ProcessMessages();
    DestinationReached = false;
    OverrunCount = 0;
    StopSignIndex = -1;
    StopMessageKey.clear();
    BadValue.clear();
    SubDir = subDir;
    if (FileList)
        FileList->clear();
    if (Output)
        Output->clear();
    Credits.clear();
    FFileListKeys.clear();
    FCreditKeys.clear();
    FMissingReported.clear();
    LeftOut.clear();

    if (!Project || !Output)
        return false;
    RouteDefinition = nullptr;
    if (routeDefinitionIndex >= 0 && routeDefinitionIndex < Project->RouteDefinitions.Count())
        RouteDefinition = Project->RouteDefinitions.Items(routeDefinitionIndex);
    if (!RouteDefinition || RouteDefinition->Count() == 0) {
        StopExport("tvlexport_no_conn", "The route definition holds no tracks.");
        return false;
    }

    // Validate drops ids of tracks that no longer exist, such as a track the
    // project file named with an end point it lacks; a route that breaks
    // there says which track it misses.
    FMissingTracks.clear();
    for (int i = 0; i < RouteDefinition->Count(); ++i)
        if (!Project->FindConnection(RouteDefinition->TrackIdAt(i)))
            FMissingTracks.push_back(RouteDefinition->Strings(i));
    Project->Validate();
    if (RouteDefinition->Count() == 0) {
        StopExport("tvlexport_no_conn", "The route definition holds no tracks.", ProjectDamage({}));
        return false;
    }
    if (!StartStation || !DestStation) {
        // The stations offered are those on the route: a damaged one is not.
        std::vector<const TVLStation*> all(Project->Stations.begin(), Project->Stations.end());
        const std::string place = ProjectDamage(all);
        StopExport(StationsKey(place), "Start or destination station missing.", place);
        return false;
    }
    for (const TVLStation* s : {StartStation, DestStation})
        if (!StationOnRouteDefinition(*s, *RouteDefinition)) {
            const std::string place = ProjectDamage({s});
            StopExport(StationsKey(place), "Start or destination station is not on the route definition.", place);
            return false;
        }

    SetProgress(1);
    CopyConnections();
    AddStatus("Improving connections");
    ProcessMessages();
    SetProgress(30);
    // A track of a damaged project can run off to no place or to the end of
    // the world; cutting it into 5 m pieces would never end.
    for (int i = 0; i < Connections->Count(); ++i) {
        const TVLConnection* c = Connections->GetConnection(i);
        if (!std::isfinite(c->Length()))
            NoteBadValue(c, "an end at no valid position");
        else if (c->Length() > 200000)
            NoteBadValue(c, "a length of " + FloatToStrDot(c->Length()) + " m");
    }
    if (StopForBadValue())
        return false;
    SplitConnections();
    AddStatus("Getting route");
    ProcessMessages();

    if (Route.empty()) {
        StopExport("tvlexport_no_conn", "The route definition holds no track longer than 5 m.");
        return false;
    }
    StartIndex = -1;
    DestIndex = -1;
    FindStationIndexes();
    if (StartIndex < 0 || DestIndex < 0) {
        const TVLStation& s = StartIndex < 0 ? *StartStation : *DestStation;
        std::string place = ProjectDamage({&s});
        for (const auto& line : s.Lines) {
            const TVLConnection* c = Project->FindConnection(StrToIntDef(ValueOfLine(line), 0));
            if (c && place.empty() && RouteDefinition->ContainsTrack(c->Id))
                place = "Track " + std::to_string(c->Id) + ": station \"" + s.Name + "\" lies on it, but it is only " +
                        FloatToStrDot(c->Length()) + " m long";
        }
        StopExport(StationsKey(place), "Start or destination station lies on no track of the route longer than 5 m.",
                   place);
        return false;
    }
    OrderRoute(StartIndex);
    int oldDest = DestIndex;
    DestIndex = -1;
    int direction = FindStationIndexes();
    if (DestIndex < 0) {
        // The destination is not on the chain, which was then built backwards
        // from the start: the start is its last piece and the track runs
        // back. The old index would point into the unordered pieces.
        DestIndex = oldDest;
        direction = -1;
    }
    if (direction == 0) {
        StopExport("texport_same_station", "Start and destination station lie on the same piece of track.");
        return false;
    }

    FLeadIn = LeadInBeforeStart(direction);

    AddStatus("Exporting");
    ProcessMessages();
    SetProgress(91);
    TStrings& out = *Output;
    WriteHeader(out);
    out.push_back("###traindef_placeholder###");
    SetProgress(92);
    StructureLines.clear();
    WriteStructureStart(out);
    SetProgress(94);

    WriteTrack(out, direction);
    if (StopForBadValue())
        return false;
    if (OverrunCount > 0)
        AddStatus("secondary track overruns: " + std::to_string(OverrunCount));

    SetProgress(96);
    WriteStructureDefinitions(StructureLines);
    ReplaceLineWithList(out, "###objectdef_placeholder###", StructureLines);
    SetProgress(98);
    TStrings train;
    WriteTrain(train, trainName);
    ReplaceLineWithList(out, "###traindef_placeholder###", train);
    SetProgress(100);
    AddStatus("FreeObj Count=" + std::to_string(FreeObjCount));
    if (!LeftOut.empty())
        AddStatus("objects left out: " + std::to_string(LeftOut.size()));
    if (DestStation && !DestinationReached) {
        // A route that never reaches its destination is not a finished export.
        StopExport("texport_incomplete", "Destination not reached.", ProjectDamage({}));
        return false;
    }
    AddStatus("Completed.");
    return true;
}

std::string TVLExport_Mod::ProjectDamage(const std::vector<const TVLStation*>& stations) const
{
    // Tracks are read onto the last of several points that share an id, so
    // the tracks at the others go missing or end in the wrong place.
    std::unordered_map<int, int> pointsWithId;
    for (const TVLPoint* p : Project->Points)
        if (++pointsWithId[p->Id] == 2)
            return "Point " + std::to_string(p->Id) + ": two points have this id";
    auto loop = [](const TVLConnection* c) {
        return c->StartPoint == c->EndPoint ? " runs from point " + std::to_string(c->StartPoint->Id) + " to itself"
                                            : std::string();
    };
    for (const TVLStation* station : stations)
        for (const auto& line : station->Lines) {
            std::string track = ValueOfLine(line);
            int id = StrToIntDef(track, 0);
            const TVLConnection* c = id > 0 ? Project->FindConnection(id) : nullptr;
            std::string named = "Track " + track + ": station \"" + station->Name + "\"";
            if (!c)
                return named + " names it for platform " + NameOfLine(line) + ", but the project has no such track";
            if (!loop(c).empty())
                return named + " lies on it, but it" + loop(c);
        }
    if (!FMissingTracks.empty())
        return "Track " + FMissingTracks.front() +
               ": the route definition holds it, but the project has no such track (a track whose end point is "
               "missing from the project file is not read)";
    for (int i = 0; i < RouteDefinition->Count(); ++i)
        if (const TVLConnection* c = Project->FindConnection(RouteDefinition->TrackIdAt(i)); c && !loop(c).empty())
            return "Track " + std::to_string(c->Id) + ": it" + loop(c);
    return {};
}

bool TVLExport_Mod::StopForBadValue()
{
    if (BadValue.empty())
        return false;
    // Nothing of a route the simulator cannot load is handed on.
    Output->clear();
    if (FileList)
        FileList->clear();
    StopExport("texport_bad_value", "A value the simulator cannot read.", BadValue);
    return true;
}

// ---------------------------------------------------------------------------
// Preparation

void TVLExport_Mod::CopyConnections()
{
    Route.clear();
    FRoutePieces.clear();
    FSourceIds.clear();
    FProjectEnds.clear();
    Connections = std::make_unique<TVLConnectionlist>();
    Points.clear();

    // Ends within 0.1 m on the plan share one working point, unless their
    // tracks lie a metre or more apart in height: the upper lap of a climbing
    // spiral passes over the lower one without meeting it. The ends of one
    // project point always share one. Of several points that would do, the
    // last in list order wins.
    struct TJoined {
        std::vector<const TVLPoint*> Sources;
        std::vector<double> Heights;
    };
    std::vector<TJoined> joined;
    TCellGrid grid(0.1);
    std::vector<int> near;
    auto pointFor = [&](const TVLPoint* source, double height) -> TVLPoint* {
        const TWorldPoint pos = source->Position;
        near.clear();
        grid.Collect(pos, pos, 0.1, near);
        int same = -1, close = -1;
        for (int i : near) {
            const TJoined& j = joined[static_cast<std::size_t>(i)];
            if (std::find(j.Sources.begin(), j.Sources.end(), source) != j.Sources.end())
                same = std::max(same, i);
            else if (Distance(Points[static_cast<std::size_t>(i)]->Position, pos) < 0.1 &&
                     std::any_of(j.Heights.begin(), j.Heights.end(),
                                 [&](double h) { return std::fabs(h - height) < 1; }))
                close = std::max(close, i);
        }
        int at = same >= 0 ? same : close;
        if (at < 0) {
            at = static_cast<int>(Points.size());
            Points.push_back(std::make_unique<TVLPoint>(pos));
            joined.emplace_back();
            grid.Add(at, pos, pos);
        }
        TJoined& j = joined[static_cast<std::size_t>(at)];
        j.Sources.push_back(source);
        j.Heights.push_back(height);
        return Points[static_cast<std::size_t>(at)].get();
    };

    int n = Project->Connections.Count();
    for (int i = 0; i < n; ++i) {
        const TVLConnection* source = Project->Connections.GetConnection(i);
        if (!source->StartPoint || !source->EndPoint)
            continue;
        TVLPoint* a = pointFor(source->StartPoint, source->Height);
        TVLPoint* b = pointFor(source->EndPoint, source->Height);
        auto copy = std::make_unique<TVLConnection>(a, b);
        copy->AssignProperties(*source, 0);
        copy->Id = source->Id;
        FProjectEnds[copy.get()] = {{a, b}, {source->StartPoint, source->EndPoint}};
        Connections->AddConnection(std::move(copy));
        SetProgress(i * 40 / n);
    }
}

void TVLExport_Mod::SplitConnections()
{
    int pass = 0;
    int from = 0;
    for (;;) {
        TVLConnection* found = nullptr;
        int count = Connections->Count();
        for (int i = from; i < count; ++i) {
            TVLConnection* c = Connections->GetConnection(i);
            if (c->Id != 0 && c->Length() > 5) {
                found = c;
                // Pieces before it never qualify again: splitting only appends.
                from = i;
                break;
            }
        }
        if (found)
            SplitConnection(found);
        int pieces = std::max(1, Connections->Count());
        SetProgress((pass * 15 + 15) / pieces + 30);
        ++pass;
        if (!found)
            break;
    }
}

void TVLExport_Mod::SplitConnection(TVLConnection* c)
{
    bool inRoute = RouteDefinition && RouteDefinition->ContainsTrack(c->Id);
    int stationId = Project->FindStationByTrack(c->Id) ? c->Id : 0;
    std::string sound = c->WaveFile;
    TProjectEnds ends = FProjectEnds[c];
    FProjectEnds.erase(c);

    int q = Round(c->Length() / 5);
    int n = c->TrackKind <= 1 ? q : (q / 5) * 5;
    if (n <= 1)
        n = 2;

    std::vector<std::unique_ptr<TVLPoint>> cuts;
    Connections->Subdivide(c, n, cuts);

    std::vector<TVLConnection*> made;
    TVLPoint* previous = c->StartPoint;
    int cutCount = static_cast<int>(cuts.size());
    for (int i = 0; i < cutCount; ++i) {
        TVLPoint* point = cuts[i].get();
        auto piece = std::make_unique<TVLConnection>(previous, point);
        piece->AssignProperties(*c, 0);
        Points.push_back(std::move(cuts[i]));
        previous = point;
        piece->Id = i == cutCount - 1 ? stationId : 0;
        piece->WaveFile = i == 0 ? sound : std::string();
        made.push_back(piece.get());
        FSourceIds[piece.get()] = c->Id;
        if (i == 0)
            FProjectEnds[piece.get()] = {{piece->StartPoint, nullptr}, {ends.Project[0], nullptr}};
        Connections->AddConnection(std::move(piece));
    }
    auto last = std::make_unique<TVLConnection>(previous, c->EndPoint);
    last->AssignProperties(*c, 0);
    last->Id = 0;
    last->WaveFile.clear();
    if (cutCount == 0)
        last->WaveFile = sound;
    made.push_back(last.get());
    FSourceIds[last.get()] = c->Id;
    FProjectEnds[last.get()] = {{last->EndPoint, cutCount == 0 ? last->StartPoint : nullptr},
                                {ends.Project[1], cutCount == 0 ? ends.Project[0] : nullptr}};
    Connections->AddConnection(std::move(last));

    if (inRoute) {
        Route.insert(Route.end(), made.begin(), made.end());
        Route.erase(std::remove(Route.begin(), Route.end(), c), Route.end());
    }
    Connections->Remove(c);
}

int TVLExport_Mod::FindStationIndexes()
{
    for (int i = 0; i < static_cast<int>(Route.size()); ++i) {
        int id = Route[i]->Id;
        if (id == 0)
            continue;
        if (StartStation->UsesTrack(id))
            StartIndex = i;
        if (DestStation->UsesTrack(id))
            DestIndex = i;
    }
    return SignOf(DestIndex - StartIndex);
}

TVLExport_Mod::TPieceAdjacency TVLExport_Mod::AdjacencyOf(const TConnections& pieces)
{
    TPieceAdjacency at;
    for (TVLConnection* c : pieces) {
        at[c->StartPoint].push_back(c);
        if (c->EndPoint != c->StartPoint)
            at[c->EndPoint].push_back(c);
    }
    return at;
}

// The way on from P for a walk that arrives on CURRENT: the first piece at P,
// in list order, that the walk does not hold yet and that does not turn back;
// failing that, the first one not held. Where a loop closes on the line, the
// loop's own first piece is met first in Route order, although it runs back
// the way the walk came; taking it would bring the walk round to the start
// and end it there, and the line on to the destination would be missed.
TVLConnection* TVLExport_Mod::WayOn(const TPieceAdjacency& at, TVLPoint* p, TVLConnection* current,
                                    const std::unordered_set<TVLConnection*>& taken)
{
    auto it = at.find(p);
    if (it == at.end())
        return nullptr;
    auto farEnd = [p](const TVLConnection* c) {
        const TVLPoint* q = c->OtherEnd(p);
        return q ? q->Position : p->Position;
    };
    const TWorldPoint here = p->Position;
    const TWorldPoint from = farEnd(current);
    TVLConnection* fallback = nullptr;
    for (TVLConnection* c : it->second) {
        if (c == current || taken.count(c))
            continue;
        const TWorldPoint to = farEnd(c);
        double dot = (here.X - from.X) * (to.X - here.X) + (here.Y - from.Y) * (to.Y - here.Y);
        if (dot >= 0)
            return c;
        if (!fallback)
            fallback = c;
    }
    return fallback;
}

// The main track begins at the start station's piece, the second-to-last of
// its track in drawing order, so the rest of that track lies behind position
// 0: drawn in the direction of travel, its platform would not be written and
// the objects beside it would be dropped. When the station's track behind the
// start holds a platform or has objects beside it, the written route begins
// early enough to take all of it in, by whole blocks where the track behind
// allows, so that the blocks after the start lie where they would without.
// Returns the number of pieces taken in before the start; they are in Route
// before it in the direction of travel.
int TVLExport_Mod::LeadInBeforeStart(int a)
{
    const int n = static_cast<int>(Route.size());
    if (StartIndex < 0 || StartIndex >= n)
        return 0;
    TVLConnection* start = Route[StartIndex];
    std::unordered_set<TVLConnection*> taken(Route.begin(), Route.end());
    TPieceAdjacency at = AdjacencyOf(FRoutePieces);

    // The pieces behind the start, nearest first: those of the chain, then
    // further pieces of the route definition found at its end.
    std::vector<TVLConnection*> behind;
    std::vector<TVLPoint*> nearEnd; // of each piece from outside the chain: its end towards the start
    TVLPoint* farPoint = a > 0 ? start->StartPoint : start->EndPoint;
    bool ended = false;
    auto pieceBehind = [&](std::size_t i) -> TVLConnection* {
        while (!ended && behind.size() <= i) {
            int index = StartIndex - a * static_cast<int>(behind.size() + 1);
            TVLConnection* c = nullptr;
            TVLPoint* next = nullptr;
            if (index >= 0 && index < n) {
                c = Route[index];
                next = a > 0 ? c->StartPoint : c->EndPoint;
            } else {
                c = WayOn(at, farPoint, behind.empty() ? start : behind.back(), taken);
                next = c ? c->OtherEnd(farPoint) : nullptr;
            }
            if (!c || !next) {
                ended = true;
                break;
            }
            if (index < 0 || index >= n) {
                taken.insert(c);
                nearEnd.push_back(farPoint);
            }
            farPoint = next;
            behind.push_back(c);
        }
        return i < behind.size() ? behind[i] : nullptr;
    };

    int stationPieces = 0;
    bool wanted = false;
    for (std::size_t i = 0;; ++i) {
        TVLConnection* c = pieceBehind(i);
        if (!c || !UsesPiece(*StartStation, c))
            break;
        ++stationPieces;
        if (c->PlatformSide > 0)
            wanted = true;
        for (TVLObject* o : Project->FreeObjects) {
            double s = 0, t = 0;
            if (PointNearSegment(c->StartPosition(), c->EndPosition(), MakeWorldPoint(o->X, o->Y), 100, s, t) &&
                !(o->Folder == "trains" && std::fabs(s * 100) <= 3))
                wanted = true;
        }
    }
    int count = 0;
    if (wanted) {
        count = (stationPieces + 4) / 5 * 5;
        if (!pieceBehind(static_cast<std::size_t>(count - 1)))
            count = static_cast<int>(behind.size());
    }
    // Pieces taken in from outside the chain go to its end behind the start,
    // turned to run along it; those not needed are left as they are.
    std::size_t inChain = behind.size() - nearEnd.size();
    std::vector<TVLConnection*> extra;
    for (std::size_t i = inChain; i < static_cast<std::size_t>(count); ++i) {
        TVLConnection* c = behind[i];
        TVLPoint* towardsStart = nearEnd[i - inChain];
        if (a > 0 ? c->StartPoint == towardsStart : c->EndPoint == towardsStart)
            c->Reverse();
        extra.push_back(c);
    }
    if (a > 0) {
        Route.insert(Route.begin(), extra.rbegin(), extra.rend());
        StartIndex += static_cast<int>(extra.size());
        DestIndex += static_cast<int>(extra.size());
    } else {
        Route.insert(Route.end(), extra.begin(), extra.end());
    }
    return count;
}

// The chain of pieces from START to DEST that passes the fewest pieces,
// leaving START at its end (D = +1) or at its start (D = -1); empty when DEST
// cannot be reached that way. At each point the ways on are those the walk
// would take (WayOn): on without turning back, or, where no such way is left,
// back. Where a line's later track lies on its earlier track, its points are
// junctions of both; the walk alone would follow the earlier track round the
// loop again, the search finds the shortest way on to the destination.
const TVLPoint* TVLExport_Mod::ProjectPointAt(const TVLConnection* c, const TVLPoint* p) const
{
    auto it = FProjectEnds.find(c);
    if (it == FProjectEnds.end())
        return nullptr;
    for (int i = 0; i < 2; ++i)
        if (it->second.Working[i] == p)
            return it->second.Project[i];
    return nullptr;
}

std::vector<TVLConnection*> TVLExport_Mod::PathToDestination(const TPieceAdjacency& at, TVLConnection* start,
                                                             TVLConnection* dest, int d) const
{
    struct TStep {
        TVLConnection* Piece;
        TVLPoint* Exit;
    };
    std::unordered_map<TVLConnection*, TVLConnection*> from{{start, nullptr}};
    std::vector<TStep> queue{{start, d > 0 ? start->EndPoint : start->StartPoint}};
    for (std::size_t head = 0; head < queue.size(); ++head) {
        TStep step = queue[head];
        if (step.Piece == dest) {
            std::vector<TVLConnection*> path;
            for (TVLConnection* c = dest; c; c = from[c])
                path.push_back(c);
            std::reverse(path.begin(), path.end());
            return path;
        }
        auto it = at.find(step.Exit);
        if (it == at.end())
            continue;
        const TWorldPoint here = step.Exit->Position;
        const TVLPoint* back = step.Piece->OtherEnd(step.Exit);
        const TWorldPoint came = back ? back->Position : here;
        std::vector<TVLConnection*> on, turning;
        for (TVLConnection* c : it->second) {
            if (from.count(c))
                continue;
            const TVLPoint* far = c->OtherEnd(step.Exit);
            const TWorldPoint to = far ? far->Position : here;
            double dot = (here.X - came.X) * (to.X - here.X) + (here.Y - came.Y) * (to.Y - here.Y);
            (dot >= 0 ? on : turning).push_back(c);
        }
        // Of ways equally short, one the project itself joins on here comes
        // first, before one whose end merely lies at the same place.
        std::vector<TVLConnection*>& ways = on.empty() ? turning : on;
        const TVLPoint* joint = ProjectPointAt(step.Piece, step.Exit);
        std::stable_partition(ways.begin(), ways.end(), [&](const TVLConnection* c) {
            return joint && ProjectPointAt(c, step.Exit) == joint;
        });
        for (TVLConnection* c : ways) {
            from[c] = step.Piece;
            TVLPoint* exit = c->OtherEnd(step.Exit);
            if (exit)
                queue.push_back({c, exit});
        }
    }
    return {};
}

int TVLExport_Mod::OrderRoute(int start)
{
    FRoutePieces = Route;
    TPieceAdjacency at = AdjacencyOf(Route);
    auto wayOn = [&](TVLPoint* p, TVLConnection* current, const std::unordered_set<TVLConnection*>& taken) {
        return WayOn(at, p, current, taken);
    };

    TVLConnection* dest = DestIndex >= 0 && DestIndex < static_cast<int>(Route.size()) ? Route[DestIndex] : nullptr;
    // The destination's own track first: the chain that reaches it, turned
    // to follow the chain, then the walk on beyond it.
    if (dest && dest != Route[start]) {
        for (int d : {1, -1}) {
            std::vector<TVLConnection*> path = PathToDestination(at, Route[start], dest, d);
            if (path.empty())
                continue;
            if (d < 0) {
                // The track ahead of the start is looked at first, as the walk
                // does, and its pieces are turned to run on from the start.
                std::unordered_set<TVLConnection*> taken{Route[start]};
                TVLPoint* p = Route[start]->EndPoint;
                for (TVLConnection* c = Route[start]; (c = wayOn(p, c, taken));) {
                    if (c->EndPoint == p)
                        c->Reverse();
                    taken.insert(c);
                    p = c->EndPoint;
                }
            }
            TVLPoint* point = d > 0 ? path.front()->EndPoint : path.front()->StartPoint;
            for (std::size_t i = 1; i < path.size(); ++i) {
                TVLConnection* c = path[i];
                if (d > 0 ? c->EndPoint == point : c->StartPoint == point)
                    c->Reverse();
                point = d > 0 ? c->EndPoint : c->StartPoint;
            }
            std::unordered_set<TVLConnection*> taken(path.begin(), path.end());
            TVLConnection* current = dest;
            auto take = [&](TVLConnection* next) {
                if (d > 0 ? next->EndPoint == point : next->StartPoint == point)
                    next->Reverse();
                point = d > 0 ? next->EndPoint : next->StartPoint;
                taken.insert(next);
                path.push_back(next);
                current = next;
            };
            // The destination's stop lies near the far end of its track in
            // the direction of travel, at its second-to-last piece: the
            // distance beyond counts from there.
            std::vector<TVLConnection*> platform;
            std::unordered_set<TVLConnection*> seen = taken;
            for (auto [p, c] = std::pair{point, current}; p;) {
                TVLConnection* next = wayOn(p, c, seen);
                if (!next || !UsesPiece(*DestStation, next))
                    break;
                platform.push_back(next);
                seen.insert(next);
                p = next->OtherEnd(p);
                c = next;
            }
            for (std::size_t i = 0; i + 1 < platform.size(); ++i)
                take(platform[i]);
            for (int countdown = DistanceBeyondLast() / 5; countdown > 0; --countdown) {
                TVLConnection* next = wayOn(point, current, taken);
                if (!next)
                    break;
                take(next);
            }
            if (d < 0)
                std::reverse(path.begin(), path.end());
            Route = std::move(path);
            return d;
        }
    }

    // No way to the destination: the walk as far as the track goes.
    int d = 1;
    int countdown = 0;
    std::vector<TVLConnection*> chain;
    for (;;) {
        TVLConnection* current = Route[start];
        std::vector<TVLConnection*> forward{current};
        std::vector<TVLConnection*> backward; // in the order found, front last
        std::unordered_set<TVLConnection*> taken{current};
        for (;;) {
            TVLConnection* next = nullptr;
            if (d > 0) {
                next = wayOn(current->EndPoint, current, taken);
                if (!next)
                    break; // end of track, or a ring closed on itself
                if (next->EndPoint == current->EndPoint)
                    next->Reverse();
                forward.push_back(next);
            } else {
                next = wayOn(current->StartPoint, current, taken);
                if (!next)
                    break;
                if (next->StartPoint == current->StartPoint)
                    next->Reverse();
                backward.push_back(next);
            }
            taken.insert(next);
            current = next;
            if (countdown > 0) {
                --countdown;
                if (countdown == 0) {
                    countdown = -1;
                    break;
                }
            }
            if (current == dest) {
                countdown = DistanceBeyondLast() / 5;
                // Less than one piece beyond: end at the destination, rather
                // than take it for not met and turn back.
                if (countdown <= 0) {
                    countdown = -1;
                    break;
                }
            }
        }
        chain.assign(backward.rbegin(), backward.rend());
        chain.insert(chain.end(), forward.begin(), forward.end());
        if (countdown == 0 && d == 1) {
            d = -1;
            continue;
        }
        break;
    }
    Route = std::move(chain);
    return d;
}
