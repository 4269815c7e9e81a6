#pragma once
// The BVE route writer. One writer serves one export: the export dialog
// creates it, hands it the project, the chosen stations, the departure time
// and its own text lists, runs Export once, takes the results and frees it.
//
// Export works on its own copy of the track plan: the project's points and
// connections are copied with nearby ends merged, cut into pieces of about
// 5 m, and the pieces of the chosen route definition are ordered into one
// chain from the start station past the destination. From that chain it
// writes the route file: the route, train, structure and texture sections
// and the track in 25 m blocks (rail 0), followed by every other piece of
// the plan as secondary rails 1..15. The project itself is never changed,
// except that its Validate runs first.

#include "export/vlcellgrid.h"
#include "export/vlexportservices.h"
#include "export/vltrackcommands.h"
#include "model/vlcatalogs.h"
#include "model/vlhelpers.h"
#include "platform/textlines.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class TVLConnection;
class TVLConnectionlist;
class TVLObject;
class TVLPoint;
class TVLProject;
class TVLRouteDefinition;
class TVLStation;

// The product's home page, named in the first line of every route file.
extern const char* const VelkastHomepage;

// A project text made safe as a command argument: line breaks, commas and
// "$" spelled as $chr() calls, a semicolon (which no spelling carries through
// the simulator's argument split) as a comma; other characters as they are.
std::string RouteText(const std::string& s);

// A list of library files that gives each file its structure index: the
// position at which it was first registered. Names compare without regard
// to letter case.
class TNameRegistry {
public:
    // The index of Name, registering it first when it is new.
    int IndexOf(const std::string& name);
    void Clear();
    int Count() const { return static_cast<int>(Entries.size()); }
    TStrings Entries;

private:
    std::unordered_map<std::string, int> FIndex;
};

// The services the writer reaches: the export dialog's progress, the export
// options, the track-type table and the message lookup; and the program
// folder that holds the object library. Left empty, each falls back to a
// plain implementation (no progress, default options, the default track
// types, "ERROR" for every message, ProgramFolder()).
struct TExportServices {
    IExportProgress* Progress = nullptr;
    const IExportSettings* Settings = nullptr;
    const ITrackTypes* TrackTypes = nullptr;
    const IMessageLookup* Messages = nullptr;
    std::string ProgramFolder;
};

class TVLExport_Mod {
public:
    using TConnections = std::vector<TVLConnection*>;

    explicit TVLExport_Mod(bool smoothing, const TExportServices& services = {});
    ~TVLExport_Mod();
    TVLExport_Mod(const TVLExport_Mod&) = delete;
    TVLExport_Mod& operator=(const TVLExport_Mod&) = delete;

    // --- Inputs, set by the caller before Export --------------------------
    TVLProject* Project = nullptr;
    TStrings* FileList = nullptr; // receives folder\file of every library file to copy
    TStrings* Output = nullptr;   // receives the route file
    TStrings* Status = nullptr;   // receives the status log
    TVLStation* StartStation = nullptr;
    TVLStation* DestStation = nullptr;
    // Departure at the start station, in seconds after midnight.
    long long DepartureTime = 9 * 3600;
    // Called with the ordered main route and with each secondary chain.
    std::function<void(const TConnections&)> OnRouteProgress;

    // Runs the whole export. Returns false when it stopped with a message
    // (no tracks on the route definition, missing or equal stations); the
    // route file is then left empty.
    bool Export(const std::string& trainName, const std::string& subDir, int routeDefinitionIndex);

    // --- Results ----------------------------------------------------------
    // Object authors, sorted, each once (letter case ignored).
    TStrings Credits;
    bool DestinationReached = false;
    int OverrunCount = 0;
    int FreeObjCount = 0;
    // "folder\file" of each object left out of the route because its file is
    // missing from the library, once per object (the route is still written).
    TStrings LeftOut;
    // The message key of the stop, empty after a completed export.
    std::string StopMessageKey;
    // The first value the simulator could not take ("Track 12: height 1E308 m"),
    // which stopped the export; empty when there was none.
    std::string BadValue;

    // --- Working state, open to tests -------------------------------------
    const bool Smoothing;
    std::unique_ptr<TVLGroundTexturelist> GroundCatalog;
    std::unique_ptr<TVLWalllist> WallCatalog;
    std::unique_ptr<TVLBackgroundTexturelist> BackgroundCatalog;
    std::unique_ptr<TVLPlatformlist> PlatformCatalog;
    std::unique_ptr<TVLRooflist> RoofCatalog;
    std::unique_ptr<TVLCatenaryPoleList> PoleCatalog;

    std::vector<std::unique_ptr<TVLPoint>> Points;
    std::unique_ptr<TVLConnectionlist> Connections;
    TConnections Route;
    int SecondaryRail = 1;
    int StopSignIndex = -1;
    TNameRegistry RailFiles, GroundFiles, WallFiles, BackgroundFiles, FreeObjFiles, PlatformFiles, RoofFiles,
        PoleFiles;
    TStrings StructureLines;
    int StartIndex = 0;
    int DestIndex = 0;
    TVLRouteDefinition* RouteDefinition = nullptr;
    std::string SubDir;

    // --- Preparation ------------------------------------------------------
    void CopyConnections();
    void SplitConnections();
    void SplitConnection(TVLConnection* c);
    // Direction from the start to the destination piece in Route: +1, -1, or
    // 0 when both are one piece.
    int FindStationIndexes();
    int OrderRoute(int start);
    int LeadInBeforeStart(int a);

    // --- Sections ---------------------------------------------------------
    void WriteHeader(TStrings& lines);
    void WriteTrain(TStrings& lines, const std::string& trainName);
    void WriteStructureStart(TStrings& lines);
    void WriteStructureDefinitions(TStrings& lines);
    void WriteTrack(TStrings& output, int direction);

    // --- Registries -------------------------------------------------------
    int RailIndex(int trackType, int radius);
    int GroundIndex(int id);
    int BackgroundIndex(int id);
    int WallIndex(int id);
    int PlatformIndex(int id);
    int RoofIndex(int id);
    int PoleIndex(int id);
    int FreeObjIndex(const std::string& folder, const std::string& file);

    // Records a library file and the textures it loads in FileList.
    void AddObjectFiles(const std::string& folder, const std::string& file);
    void AddCredit(const std::string& author);

    // --- Track helpers ----------------------------------------------------
    void WriteBlockObjects(TVLConnection* c, int rail, int& lastPole, int dir, double p);
    // The side a station's doors open on in the direction of travel A: 1
    // right when its platforms on the route are all on the right, else -1.
    int DoorSide(const TVLStation& station, int a) const;
    // The project track a working piece was cut from (its own id if uncut).
    int SourceTrackId(const TVLConnection* c) const;
    // Whether a station has a platform on the track a working piece was cut from.
    bool UsesPiece(const TVLStation& station, const TVLConnection* c) const;
    void WriteSecondaryTrack(TVLConnection* c, std::unordered_set<TVLConnection*>& exported, int a);
    bool IsRailFree(int rail, double p) const;
    static double SnapSecondaryOffset(double x);
    double SnapToNeighbourRail(double x, double p) const;
    // The smoothing of curve radii: straight above the largest radius,
    // rounded to 25 m, no sharper than the smallest.
    int SmoothRadius(int radius) const;
    // The radius of a 25 m block that turns by D degrees (0 for no turn).
    static int RadiusOfTurn(double degrees);
    // The turn of a 25 m block of that radius, in degrees (0 for straight).
    static double TurnOfRadius(int radius);

private:
    void AddStatus(const std::string& line);
    void SetStatusText(const std::string& text);
    void SetProgress(int percent);
    void SetProgress2(int percent);
    void ProcessMessages();
    // Shows the message of MessageKey and ends the status log with
    // StatusLine; Place, when given, names the track or point to blame
    // ("Track 12: height 1E308 m") in both.
    void StopExport(const std::string& messageKey, const std::string& statusLine, const std::string& place = {});
    // The message for a start or destination that cannot be used, by
    // whether a place is named.
    static const char* StationsKey(const std::string& place);
    void NoteBadValue(const TVLConnection* c, const std::string& what);
    void RequireName(const TNameRegistry& registry, int index, const TVLConnection* c, const std::string& kind,
                     int id);
    void RequireHeight(const TVLConnection* c, double height);
    // Stops the export when a bad value was noted; true when it did.
    bool StopForBadValue();
    // Where the project is damaged so that the route or a station on it
    // cannot be laid, as "Track 12: ..." or "Point 3: ..."; empty when it is
    // not. In this order: points that share an id, a platform of one of
    // Stations on no track of the project or on a track from a point to
    // itself, a track the route definition names but the project lacks (as
    // when the project file gave it an end point it lacks), or one from a
    // point to itself.
    std::string ProjectDamage(const std::vector<const TVLStation*>& stations) const;
    void WriteMainTrack(int a, std::unordered_set<TVLConnection*>& exported);
    // A station's stop on the main track: the piece in whose block it lies
    // and the last piece of the station's tracks there.
    struct TStationStop {
        const TVLStation* Station;
        const TVLConnection* Piece;
        const TVLConnection* Last;
    };
    // The stops along the main track (Pieces, in travel order) from the start
    // station's piece at Start on, in order: one for each run of pieces on a
    // station's tracks that holds the station's own piece, at the run's
    // second-to-last piece, so that a train stands along the platform. Runs
    // of two stations that share a piece are noted as a bad value.
    std::vector<TStationStop> StationStops(const std::vector<TVLConnection*>& pieces, int start);
    void WriteSecondaryTracks(int a, std::unordered_set<TVLConnection*>& exported);
    void AddFileOnce(const std::string& entry);
    bool LibraryFileExists(const std::string& folder, const std::string& file) const;
    int DistanceBeyondLast() const;
    int MaxCurveSmooth() const;
    int MinCurveSmooth() const;
    bool CurvedSecondary() const;
    std::string TrackObject(int trackType, int radius) const;
    int RunSound(const std::string& objectFile) const;

    using TPieceAdjacency = std::unordered_map<TVLPoint*, std::vector<TVLConnection*>>;
    static TPieceAdjacency AdjacencyOf(const TConnections& pieces);
    static TVLConnection* WayOn(const TPieceAdjacency& at, TVLPoint* p, TVLConnection* current,
                                const std::unordered_set<TVLConnection*>& taken);
    std::vector<TVLConnection*> PathToDestination(const TPieceAdjacency& at, TVLConnection* start,
                                                  TVLConnection* dest, int d) const;
    // The project point a working piece's end at P was made from; nullptr
    // for a point made by cutting.
    const TVLPoint* ProjectPointAt(const TVLConnection* c, const TVLPoint* p) const;

    // The route definition's pieces before ordering, and the project track
    // each working piece was cut from.
    TConnections FRoutePieces;
    std::unordered_map<const TVLConnection*, int> FSourceIds;
    // The project points the working pieces' ends were made from: ends of
    // different project points can share one working point.
    struct TProjectEnds {
        const TVLPoint* Working[2] = {nullptr, nullptr};
        const TVLPoint* Project[2] = {nullptr, nullptr};
    };
    std::unordered_map<const TVLConnection*, TProjectEnds> FProjectEnds;
    // Pieces the main track takes in before the start station's piece.
    int FLeadIn = 0;
    // The route definition's lines naming tracks the project lacks.
    TStrings FMissingTracks;
    // The object library on disk, with a trailing "/".
    std::string FLibraryFolder;
    // Neighbours of each working point, in list order, while the secondary
    // tracks are written (the plan no longer changes but for turning pieces).
    std::unordered_map<const TVLPoint*, std::vector<TVLConnection*>> FAdjacency;
    // The main pieces by the cell of their start, numbered in travel order,
    // and how far from a start its probes can meet a secondary piece.
    TCellGrid FMainGrid{1};
    double FMainReach = 0;
    TExportServices FServices;
    std::unique_ptr<ITrackTypes> FOwnTrackTypes;
    TTrackCommandList FTrack;
    std::unordered_set<std::string> FFileListKeys;
    std::unordered_set<std::string> FCreditKeys;
    std::unordered_set<std::string> FMissingReported;
};
