#include "model/vlproject.h"

#include "model/currentsituation.h"
#include "model/vlhelpers.h"
#include "platform/paths.h"
#include "platform/textlines.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace {

// Line breaks of any kind in a stored text become "[crlf]", since every
// entry of the project file must stay on one line.
std::string EncodeLineBreaks(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            if (i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
            out += "[crlf]";
        } else if (s[i] == '\n') {
            out += "[crlf]";
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string DecodeLineBreaks(std::string_view s)
{
    static constexpr std::string_view marker = "[crlf]";
    std::string out;
    out.reserve(s.size());
    std::size_t start = 0;
    for (;;) {
        std::size_t pos = s.find(marker, start);
        if (pos == std::string_view::npos) {
            out.append(s.substr(start));
            return out;
        }
        out.append(s.substr(start, pos - start));
        out += "\r\n";
        start = pos + marker.size();
    }
}

// First line of each name, letter case ignored, for the many keyed lookups a
// large file needs.
class TKeyIndex {
public:
    explicit TKeyIndex(const TStrings& lines) : FLines(lines)
    {
        FFirst.reserve(lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            auto eq = lines[i].find('=');
            if (eq != std::string::npos)
                FFirst.emplace(AnsiUpperCase(std::string_view(lines[i]).substr(0, eq)), i);
        }
    }
    bool Empty() const { return FFirst.empty(); }
    std::string Value(std::string_view name) const
    {
        auto it = FFirst.find(AnsiUpperCase(name));
        return it == FFirst.end() ? std::string() : ValueOfLine(FLines[it->second]);
    }

private:
    const TStrings& FLines;
    std::unordered_map<std::string, std::size_t> FFirst;
};

void AddLine(TStrings& lines, std::string_view name, std::string_view value)
{
    if (value.empty())
        return;
    std::string l;
    l.reserve(name.size() + 1 + value.size());
    l.append(name);
    l += '=';
    l.append(value);
    lines.push_back(std::move(l));
}

} // namespace

TVLProject::TVLProject()
{
    DefaultObjects.push_back("stopsign=signs\\ne5.b3d");
}

TVLProject::~TVLProject() = default;

void TVLProject::ClearTrack()
{
    // Connections first: they refer to the points.
    Connections.Clear();
    Points.Clear();
}

void TVLProject::Swap(TVLProject& other) noexcept
{
    std::swap(ProjectName, other.ProjectName);
    std::swap(Author, other.Author);
    std::swap(AuthorEmailAddress, other.AuthorEmailAddress);
    std::swap(Description, other.Description);
    std::swap(Credits, other.Credits);
    std::swap(HomepageUrl, other.HomepageUrl);
    std::swap(FileName, other.FileName);
    std::swap(Gauge, other.Gauge);
    FreeObjects.Swap(other.FreeObjects);
    RouteDefinitions.Swap(other.RouteDefinitions);
    Stations.Swap(other.Stations);
    Points.Swap(other.Points);
    Connections.Swap(other.Connections);
    std::swap(RouteFilesDir, other.RouteFilesDir);
    std::swap(RouteFilesSubDir, other.RouteFilesSubDir);
    std::swap(BackgroundMapFileName, other.BackgroundMapFileName);
    std::swap(LogoPath, other.LogoPath);
    std::swap(DefaultObjects, other.DefaultObjects);
    std::swap(BackgroundMapScale, other.BackgroundMapScale);
    std::swap(DeveloperId, other.DeveloperId);
    std::swap(NextTrackId, other.NextTrackId);
    std::swap(DroppedLines, other.DroppedLines);
}

// ---------------------------------------------------------------------------
// Project file

TStrings TVLProject::SaveToLines() const
{
    TStrings lines;
    lines.reserve(static_cast<std::size_t>(Points.Count() + Connections.Count() + FreeObjects.Count() +
                                           Stations.Count() + 3 * RouteDefinitions.Count() + 20));
    AddLine(lines, "projectname", ProjectName);
    AddLine(lines, "author", Author);
    AddLine(lines, "authoremailaddress", AuthorEmailAddress);
    AddLine(lines, "description", EncodeLineBreaks(Description));
    AddLine(lines, "credits", EncodeLineBreaks(Credits));
    AddLine(lines, "homepageurl", HomepageUrl);
    AddLine(lines, "gauge", std::to_string(Gauge));
    AddLine(lines, "developerid", std::to_string(DeveloperId));
    AddLine(lines, "nexttrackid", std::to_string(NextTrackId));
    AddLine(lines, "Routefilesdir", RouteFilesDir);
    AddLine(lines, "Routefilessubdir", RouteFilesSubDir);
    AddLine(lines, "LogoPath", LogoPath);
    AddLine(lines, "BackgroundMapfilename", BackgroundMapFileName);
    AddLine(lines, "BackgroundMapScale", std::to_string(BackgroundMapScale));
    AddLine(lines, "defaultobjects", ListToCommaText(DefaultObjects));
    int i = 0;
    for (const TVLPoint* p : Points)
        AddLine(lines, "point" + std::to_string(++i), p->SaveToString());
    i = 0;
    for (const TVLConnection* c : Connections)
        AddLine(lines, "conn" + std::to_string(++i), c->SaveToString());
    i = 0;
    for (const TVLRouteDefinition* r : RouteDefinitions) {
        std::string key = "routedefinition" + std::to_string(++i);
        AddLine(lines, key + "id", std::to_string(r->Id));
        AddLine(lines, key + "name", r->Name);
        AddLine(lines, key, ListToCommaText(r->Lines()));
    }
    i = 0;
    for (const TVLStation* s : Stations)
        AddLine(lines, "station" + std::to_string(++i), s->SaveToString());
    i = 0;
    for (const TVLObject* o : FreeObjects)
        AddLine(lines, "freeobject" + std::to_string(++i), o->SaveToString());
    return lines;
}

bool TVLProject::SaveToFile(const std::string& fileName) const
{
    try {
        std::string path = fileName.empty() ? FileName : fileName;
        if (path.empty())
            return false;
        return SaveLines(ResolvePathCase(path), SaveToLines());
    } catch (...) {
        return false;
    }
}

namespace {

// Fields of a record's value, commas inside double quotes not counting; -1
// when a quote is left open.
int CountRecordFields(std::string_view value)
{
    int fields = 1;
    bool quoted = false;
    for (char c : value) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            ++fields;
    }
    return quoted ? -1 : fields;
}

// The first record line (1-based) cut short, and its kind; 0 when none is.
// Shorter connection lines (from three fields on) are read on purpose.
int FindCutRecord(const TStrings& lines, std::string& kind)
{
    static const std::pair<const char*, int> kinds[] = {{"freeobject", 6}, {"station", 1}, {"point", 3}, {"conn", 3}};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        for (const auto& [name, minimum] : kinds) {
            const std::size_t n = std::strlen(name);
            if (l.compare(0, n, name) != 0 || l.size() == n || !std::isdigit(static_cast<unsigned char>(l[n])))
                continue;
            std::size_t eq = l.find('=');
            std::size_t digits = n;
            while (digits < l.size() && std::isdigit(static_cast<unsigned char>(l[digits])))
                ++digits;
            if (eq != digits)
                continue;
            const int fields = CountRecordFields(std::string_view(l).substr(eq + 1));
            if (fields < minimum) {
                kind = name;
                return static_cast<int>(i) + 1;
            }
            break;
        }
    }
    return 0;
}

} // namespace

bool TVLProject::LoadFromLines(const TStrings& lines)
{
    ClearTrack();
    DroppedLines = 0;
    LoadError.clear();
    std::string kind;
    if (int line = FindCutRecord(lines, kind)) {
        LoadError = "line " + std::to_string(line) + " holds a " + kind + " record that is cut short";
        return false;
    }
    TKeyIndex keys(lines);
    // Not one name=value line: this is no project file.
    if (keys.Empty())
        return false;

    ProjectName = keys.Value("projectname");
    Author = keys.Value("author");
    AuthorEmailAddress = keys.Value("authoremailaddress");
    LogoPath = keys.Value("logopath");
    HomepageUrl = keys.Value("homepageurl");
    RouteFilesDir = keys.Value("routefilesdir");
    RouteFilesSubDir = keys.Value("routefilessubdir");
    BackgroundMapFileName = keys.Value("BackgroundMapfilename");
    Gauge = StrToIntDef(keys.Value("gauge"), 1435);
    DeveloperId = StrToIntDef(keys.Value("developerid"), 0);
    NextTrackId = StrToIntDef(keys.Value("nexttrackid"), 1);
    BackgroundMapScale = StrToIntDef(keys.Value("BackgroundMapScale"), 1);
    Description = DecodeLineBreaks(keys.Value("description"));
    Credits = DecodeLineBreaks(keys.Value("credits"));
    DefaultObjects = CommaTextToList(keys.Value("defaultobjects"));

    // A position or height that cannot be read would be taken as 0 and fold
    // the plan onto the origin: such a file is damaged.
    auto unreadable = [&](std::size_t line, const std::string& value, int field, const char* what) {
        double v = 0;
        if (ReadFloatDot(GetToken(value, ",", field), v))
            return false;
        LoadError = "line " + std::to_string(line + 1) + " holds a " + what + " that cannot be read";
        return true;
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].compare(0, 5, "point") != 0)
            continue;
        std::string value = ValueOfLine(lines[i]);
        if (unreadable(i, value, 2, "point position") || unreadable(i, value, 3, "point position"))
            return false;
        Points.Add(TVLPoint::CreateFromLine(value));
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (l.compare(0, 4, "conn") != 0)
            continue;
        std::string value = ValueOfLine(l);
        // Short connection lines are read on purpose; a height given must be read.
        if (std::count(value.begin(), value.end(), ',') >= 5 && unreadable(i, value, 6, "track height"))
            return false;
        auto c = TVLConnection::CreateFromLine(value, Points);
        if (c->StartPoint && c->EndPoint)
            Connections.Add(std::move(c));
        else
            ++DroppedLines;
    }

    for (int i = 1;; ++i) {
        std::string key = "routedefinition" + std::to_string(i);
        std::string id = keys.Value(key + "id");
        if (id.empty())
            break;
        auto r = std::make_unique<TVLRouteDefinition>();
        r->Id = StrToIntDef(id, 0);
        r->Name = keys.Value(key + "name");
        r->SetLines(CommaTextToList(keys.Value(key)));
        RouteDefinitions.Add(std::move(r));
    }
    for (int i = 1;; ++i) {
        std::string value = keys.Value("station" + std::to_string(i));
        if (value.empty())
            break;
        auto s = std::make_unique<TVLStation>();
        if (s->LoadFromString(value))
            Stations.Add(std::move(s));
        else
            ++DroppedLines;
    }
    // An object's place is read as strictly as a point's.
    std::unordered_map<std::string, std::size_t> objectLines;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].compare(0, 10, "freeobject") == 0)
            objectLines.emplace(lines[i].substr(0, lines[i].find('=')), i);
    for (int i = 1;; ++i) {
        const std::string key = "freeobject" + std::to_string(i);
        std::string value = keys.Value(key);
        if (value.empty())
            break;
        auto line = objectLines.find(key);
        if (line != objectLines.end() &&
            (unreadable(line->second, value, 3, "scenery object position") ||
             unreadable(line->second, value, 4, "scenery object position") ||
             unreadable(line->second, value, 6, "scenery object height")))
            return false;
        FreeObjects.Add(TVLObject::CreateFromLine(value));
    }
    return true;
}

bool TVLProject::LoadFromFile(const std::string& fileName)
{
    LoadError.clear();
    try {
        if (fileName.empty() || !FileExists(fileName))
            return false;
        std::string path = ResolvePathCase(fileName);
        std::string data;
        if (!ReadFileBytes(path, data))
            return false;
        // A text file never holds NUL bytes; a file that does is damaged
        // (or not a project file at all).
        if (data.find('\0') != std::string::npos)
            return false;
        TStrings lines = SplitLines(data);
        // Every line the program writes ends with CR LF: a file that ends
        // inside a line was cut off, and saving it again would lose the rest.
        if (!data.empty() && data.back() != '\n' && data.back() != '\r') {
            LoadError = "line " + std::to_string(lines.size()) + " is cut off at the end of the file";
            return false;
        }
        TVLProject loaded;
        if (!loaded.LoadFromLines(lines)) {
            LoadError = loaded.LoadError;
            return false;
        }
        loaded.FileName = fileName;
        Swap(loaded);
        // `loaded` now holds the old content and destroys it; the editor
        // state forgets every item of it on the way.
        return true;
    } catch (...) {
        return false;
    }
}

// ---------------------------------------------------------------------------
// Queries and edits

int TVLProject::MaxRouteDefinitionId() const
{
    int m = 1;
    for (const TVLRouteDefinition* r : RouteDefinitions)
        m = std::max(m, r->Id);
    return m;
}

TVLRouteDefinition* TVLProject::FindRouteDefinition(int id) const
{
    if (id < 0)
        return nullptr;
    for (TVLRouteDefinition* r : RouteDefinitions)
        if (r->Id == id)
            return r;
    return nullptr;
}

bool TVLProject::IsInRoute(const TVLConnection* connection, int routeId) const
{
    if (!connection)
        return false;
    if (routeId == 0)
        routeId = CurrentSituation.CurrentRouteId();
    const TVLRouteDefinition* r = FindRouteDefinition(routeId);
    return r && r->ContainsTrack(connection->Id);
}

void TVLProject::AddToCurrentRoute(const TVLConnection* connection)
{
    TVLRouteDefinition* r = FindRouteDefinition(CurrentSituation.CurrentRouteId());
    if (r && connection)
        r->AddTrack(connection->Id);
}

void TVLProject::RemoveFromCurrentRoute(const TVLConnection* connection)
{
    TVLRouteDefinition* r = FindRouteDefinition(CurrentSituation.CurrentRouteId());
    if (r && connection)
        r->RemoveTrack(connection->Id);
}

void TVLProject::GetRouteDefinitionList(TStrings* strings, std::vector<TVLRouteDefinition*>* attached) const
{
    if (!strings)
        return;
    strings->clear();
    if (attached)
        attached->clear();
    for (TVLRouteDefinition* r : RouteDefinitions) {
        strings->push_back(r->GetCaption());
        if (attached)
            attached->push_back(r);
    }
}

void TVLProject::AddPoint(TVLPoint* point)
{
    if (!point)
        return;
    point->Id = Points.MaxId() + 1;
    Points.Add(point);
}

void TVLProject::AddConnection(TVLConnection* connection)
{
    if (!connection)
        return;
    connection->Id = Connections.MaxId() + 1;
    Connections.Add(connection);
}

void TVLProject::DeletePoint(TVLPoint* point)
{
    if (!point)
        return;
    for (int i = Connections.Count() - 1; i >= 0; --i) {
        TVLConnection* c = Connections[i];
        if (c->StartPoint == point || c->EndPoint == point)
            Connections.Delete(i);
    }
    if (!Points.Remove(point))
        CurrentSituation.Forget(point); // not ours, but no reference may outlive the call
}

void TVLProject::DeleteConnection(TVLConnection* connection)
{
    if (!connection)
        return;
    RemoveFromCurrentRoute(connection);
    Connections.Remove(connection);
}

bool TVLProject::Validate()
{
    for (TVLConnection* c : Connections)
        c->Validate();
    for (TVLRouteDefinition* r : RouteDefinitions)
        for (int i = r->Count() - 1; i >= 0; --i)
            if (!FindConnection(r->TrackIdAt(i)))
                r->Delete(i);
    return true;
}

TVLStation* TVLProject::FindStationByTrack(int trackId) const
{
    for (TVLStation* s : Stations)
        if (s->UsesTrack(trackId))
            return s;
    return nullptr;
}

bool TVLProject::PointOnSegment(const TWorldPoint& a, const TWorldPoint& b, double width, const TWorldPoint& p,
                                double& s, double& t) const
{
    if (a == b)
        return false;
    double l = Distance(a, b);
    double vx = b.X - a.X, vy = b.Y - a.Y;
    double nx = vy / l, ny = -vx / l;
    double px = p.X - a.X, py = p.Y - a.Y;
    t = (px * vx + py * vy) / (l * l);
    if (width == 0.0) {
        s = 0.0;
        return false;
    }
    s = (px * nx + py * ny) / width;
    return t >= 0.0 && t <= 1.0 && s >= -1.0 && s <= 1.0;
}

void TVLProject::CopyRouteMembership(const TVLConnection* newConnection, const TVLConnection* oldConnection)
{
    if (!newConnection || !oldConnection)
        return;
    for (TVLRouteDefinition* r : RouteDefinitions)
        if (r->ContainsTrack(oldConnection->Id))
            r->AddTrack(newConnection->Id);
}

void TVLProject::RemoveFromAllRoutes(const TVLConnection* connection)
{
    if (!connection)
        return;
    for (TVLRouteDefinition* r : RouteDefinitions)
        r->RemoveTrack(connection->Id);
}

void TVLProject::RemoveFromAllStations(const TVLConnection* connection, TStrings* emptied)
{
    if (!connection)
        return;
    for (TVLStation* s : Stations) {
        TStrings platforms;
        s->GetPlatforms(platforms);
        bool removed = false;
        // Each number's first entry is the one a lookup finds; a later entry
        // of the same number comes forward when it goes, so look again.
        for (const std::string& no : platforms)
            while (s->GetPlatformTrack(no) == connection->Id) {
                s->RemovePlatform(no);
                removed = true;
            }
        if (removed && s->Lines.empty() && emptied)
            emptied->push_back(s->Name);
    }
}

bool TVLProject::StationOnRoute(const TVLStation* station, std::string_view platformNo,
                                const TVLRouteDefinition* routeDefinition) const
{
    if (!station || !routeDefinition)
        return false;
    return routeDefinition->ContainsTrack(station->GetPlatformTrack(platformNo));
}

void TVLProject::GetStationsOfRoute(const TVLRouteDefinition* routeDefinition, TStrings& strings) const
{
    TStrings platforms;
    for (const TVLStation* s : Stations) {
        s->GetPlatforms(platforms);
        for (const auto& no : platforms) {
            if (!StationOnRoute(s, no, routeDefinition))
                continue;
            bool known =
                std::any_of(strings.begin(), strings.end(), [&](const std::string& n) { return SameText(n, s->Name); });
            if (!known)
                strings.push_back(s->Name);
        }
    }
}

std::string ProjectLoadFailure(const std::string& fileName, const std::string& damage)
{
    if (!FileExists(fileName))
        return "The file " + fileName + " does not exist.";
    if (!damage.empty())
        return "The file " + fileName + " is damaged: " + damage + ".";
    return "The file " + fileName + " could not be read as a project.";
}
