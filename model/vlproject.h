#pragma once
// The route project: metadata, the owning lists of points, connections, free
// objects, stations and route definitions, and the default-objects table.
// Loads and saves the project file ".vlp" (name=value lines, CR LF, ANSI).

#include "model/vlconnection.h"
#include "model/vlconnectionlist.h"
#include "model/vlobject.h"
#include "model/vlobjectlist.h"
#include "model/vlpoint.h"
#include "model/vlroutedefinition.h"
#include "model/vlstation.h"

#include <string>
#include <string_view>
#include <vector>

class TVLProject {
public:
    TVLProject();
    ~TVLProject();
    TVLProject(const TVLProject&) = delete;
    TVLProject& operator=(const TVLProject&) = delete;

    // Empties Points and Connections.
    void ClearTrack();

    // Reads a project file. The file is read into a fresh project, and only
    // when that succeeds does its content replace this project's (all of it,
    // FileName included); a missing, unreadable or malformed file returns
    // false and leaves this project as it was. Connection lines whose end
    // points do not exist are left out and counted in DroppedLines.
    // A file that ends inside a line, or a point, connection, station or free
    // object record cut short, is damaged: it is not read, and LoadError
    // says where ("line 12 holds a conn record that is cut short").
    bool LoadFromFile(const std::string& fileName);
    std::string LoadError;
    // Writes the project file through a temporary file that replaces the old
    // one, so a failed save leaves the old file whole. An empty fileName
    // means the FileName field. FileName is not changed.
    bool SaveToFile(const std::string& fileName = std::string()) const;
    // The file's lines in the order they are written.
    TStrings SaveToLines() const;
    // Fills this project from a file's lines (see LoadFromFile).
    bool LoadFromLines(const TStrings& lines);

    TVLConnection* FindConnection(int id) const { return Connections.FindById(id); }
    int GetConnectionsAt(const TVLPoint* point, std::vector<TVLConnection*>& list, const TVLConnection* except) const
    {
        return Connections.GetConnectionsAt(point, list, except);
    }
    // The largest route definition id, at least 1.
    int MaxRouteDefinitionId() const;
    // The first route definition with that id; negative ids never match.
    TVLRouteDefinition* FindRouteDefinition(int id) const;
    // routeId 0 means the current route definition's id.
    bool IsInRoute(const TVLConnection* connection, int routeId) const;
    void AddToCurrentRoute(const TVLConnection* connection);
    void RemoveFromCurrentRoute(const TVLConnection* connection);
    // Captions of the route definitions ("ID3: Main line"), in order, with
    // the route definition of each line in `attached` when given.
    void GetRouteDefinitionList(TStrings* strings, std::vector<TVLRouteDefinition*>* attached = nullptr) const;
    TVLStation* GetStation(int index) const { return Stations.Items(index); }
    int StationCount() const { return Stations.Count(); }

    // Gives the point the next id (largest id + 1) and appends it; the
    // owning form returns the point.
    void AddPoint(TVLPoint* point);
    TVLPoint* AddPoint(std::unique_ptr<TVLPoint> point)
    {
        TVLPoint* p = point.release();
        AddPoint(p);
        return p;
    }
    // Gives the connection the next id (largest id + 1) and appends it; the
    // owning form returns the connection.
    void AddConnection(TVLConnection* connection);
    TVLConnection* AddConnection(std::unique_ptr<TVLConnection> connection)
    {
        TVLConnection* c = connection.release();
        AddConnection(c);
        return c;
    }
    // Destroys the point and every connection at it. Route definitions keep
    // the ids of those connections until Validate.
    void DeletePoint(TVLPoint* point);
    // Removes it from the current route definition and destroys it.
    void DeleteConnection(TVLConnection* connection);
    // Speed limits below 1 become 70; route definition lines that name no
    // connection are deleted. Returns true.
    bool Validate();
    TVLStation* FindStationByTrack(int trackId) const;
    // The editor's track pick: P - A = T * (B - A) + S * Width * n, n the unit
    // normal to the right of A->B; a hit for 0 <= T <= 1 and -1 <= S <= 1.
    bool PointOnSegment(const TWorldPoint& a, const TWorldPoint& b, double width, const TWorldPoint& p, double& s,
                        double& t) const;
    void AddObject(TVLObject* object) { FreeObjects.Add(object); }
    void AddObject(std::unique_ptr<TVLObject> object) { FreeObjects.Add(std::move(object)); }
    void RemoveObject(TVLObject* object) { FreeObjects.Remove(object); }
    // Adds newConnection's id to every route definition that holds oldConnection's.
    void CopyRouteMembership(const TVLConnection* newConnection, const TVLConnection* oldConnection);
    void RemoveFromAllRoutes(const TVLConnection* connection);
    // Removes every platform entry that names the connection; the names of
    // the stations this leaves without any platform are added to emptied.
    void RemoveFromAllStations(const TVLConnection* connection, TStrings* emptied = nullptr);
    bool StationOnRoute(const TVLStation* station, std::string_view platformNo,
                        const TVLRouteDefinition* routeDefinition) const;
    // Adds the names of the stations with a platform on the route (once each,
    // letter case ignored); strings is not cleared.
    void GetStationsOfRoute(const TVLRouteDefinition* routeDefinition, TStrings& strings) const;

    // Exchanges the whole content of two projects.
    void Swap(TVLProject& other) noexcept;

    std::string ProjectName;
    std::string Author;
    std::string AuthorEmailAddress;
    std::string Description; // may hold CR LF line breaks
    std::string Credits;     // may hold CR LF line breaks
    std::string HomepageUrl;
    std::string FileName;    // set by a successful load; not stored
    int Gauge = 1435;        // millimetres
    TVLObjectList<TVLObject> FreeObjects;
    TVLObjectList<TVLRouteDefinition> RouteDefinitions;
    TVLObjectList<TVLStation> Stations;
    TVLPointlist Points;
    TVLConnectionlist Connections;
    std::string RouteFilesDir;
    std::string RouteFilesSubDir;
    std::string BackgroundMapFileName;
    std::string LogoPath;
    TStrings DefaultObjects; // "name=folder\file", e.g. the stop sign
    int BackgroundMapScale = 0; // metres per 100 pixels of the background image
    int DeveloperId = 0;
    int NextTrackId = 1;
    // Lines the last load left out because they could not be used (a
    // connection whose end points do not exist).
    int DroppedLines = 0;
};

// Why a project file could not be opened, as one sentence naming the file
// (and, for a damaged file, the line): Damage is the LoadError of the attempt.
std::string ProjectLoadFailure(const std::string& fileName, const std::string& damage);
