#include "model/currentsituation.h"
#include "model/vlproject.h"
#include "platform/textlines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class ProjectFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              ("vl_prj_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" + info->name());
        fs::create_directories(dir / "objects" / "misc");
        savedRoot = ObjectsRoot;
        ObjectsRoot = (dir / "objects").string() + "/";
        SaveLines((dir / "objects" / "misc" / "tree.b3d").string(), {";author=Ann", "Vertex 1,2,3", "Vertex -1,0,5"});
        CurrentSituation = TCurrentSituation();
    }
    void TearDown() override
    {
        CurrentSituation = TCurrentSituation();
        ObjectsRoot = savedRoot;
        fs::remove_all(dir);
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::string Bytes(const std::string& name) const
    {
        std::string b;
        ReadFileBytes(Path(name), b);
        return b;
    }
    void Write(const std::string& name, const std::string& bytes) const
    {
        ASSERT_TRUE(WriteFileAtomic(Path(name), bytes));
    }

    fs::path dir;
    std::string savedRoot;
};

// A project that uses every field the file stores.
void BuildFullProject(TVLProject& p)
{
    p.ProjectName = "Velkast \xC4rgerbahn";
    p.Author = "Ann Author";
    p.AuthorEmailAddress = "ann@example.org";
    p.Description = "First line\r\nSecond line\r\n\r\nwith [brackets]";
    p.Credits = "Thanks\r\nto everyone";
    p.HomepageUrl = "http://example.org/route";
    p.Gauge = 1000;
    p.DeveloperId = 17;
    p.NextTrackId = 44;
    p.RouteFilesDir = "C:\\BVE\\railway\\route";
    p.RouteFilesSubDir = "argerbahn";
    p.LogoPath = "C:\\pics\\logo.bmp";
    p.BackgroundMapFileName = "map.jpg";
    p.BackgroundMapScale = 250;
    p.DefaultObjects = {"stopsign=signs\\ne5.b3d", "other=misc\\with space.b3d"};
    for (int i = 0; i < 6; ++i)
        p.AddPoint(new TVLPoint({i * 100.25, i * -33.5 + 0.000004}));
    p.Points[5]->Position = {123456.7, -1e6};
    for (int i = 0; i < 5; ++i) {
        auto* c = new TVLConnection(p.Points[i], p.Points[i + 1]);
        c->TrackType = i + 1;
        c->SpeedLimit = 40 + i;
        c->Height = 1.5 * i - 2;
        c->Adhesion = 200;
        c->Accuracy = 3;
        c->BackgroundId = 2;
        c->GroundId = 4;
        c->Fog = 9;
        c->MarkerFile = i == 2 ? "markers\\stop.bmp" : "";
        c->MarkerDuration = i;
        c->WaveFile = i == 3 ? "sounds\\bell.wav" : "";
        c->PlatformSide = i % 3;
        c->PlatformId = i == 1 ? 5 : 0;
        c->Pole = i == 4 ? -2 : 1;
        c->TrackKind = static_cast<std::uint8_t>(i % 3);
        c->WallLeftId = i;
        c->WallRightId = 2 * i;
        c->RoofId = i == 1 ? 3 : 0;
        p.AddConnection(c);
    }
    auto* main = new TVLRouteDefinition;
    main->Id = 1;
    main->Name = "Main line";
    for (int id = 1; id <= 5; ++id)
        main->AddTrack(id);
    p.RouteDefinitions.Add(main);
    auto* spur = new TVLRouteDefinition;
    spur->Id = 4;
    p.RouteDefinitions.Add(spur); // no name, no tracks
    auto* st = new TVLStation("Hill \"Top\" Road");
    st->Lines = {"1=2", "2=3"};
    p.Stations.Add(st);
    p.Stations.Add(new TVLStation("Bare"));
    auto tree = std::make_unique<TVLObject>("misc", "tree.b3d");
    tree->X = 12.5;
    tree->Y = -4;
    tree->Rotation = 90;
    tree->Height = 0.25;
    p.AddObject(std::move(tree));
    auto lost = std::make_unique<TVLObject>("gone", "lost.b3d");
    lost->X = 1;
    p.AddObject(std::move(lost));
}

// Every connection ends at points of the project, and no two items share an id.
void ExpectConsistent(const TVLProject& p)
{
    for (const TVLConnection* c : p.Connections) {
        ASSERT_NE(c->StartPoint, nullptr);
        ASSERT_NE(c->EndPoint, nullptr);
        ASSERT_GE(p.Points.IndexOf(c->StartPoint), 0);
        ASSERT_GE(p.Points.IndexOf(c->EndPoint), 0);
    }
}

} // namespace

TEST_F(ProjectFiles, NewProjectLines)
{
    TVLProject p;
    EXPECT_FALSE(p.SaveToFile()); // no file name anywhere
    ASSERT_TRUE(p.SaveToFile(Path("new.vlp")));
    EXPECT_EQ(Bytes("new.vlp"), "gauge=1435\r\ndeveloperid=0\r\nnexttrackid=1\r\nBackgroundMapScale=0\r\n"
                                "defaultobjects=stopsign=signs\\ne5.b3d\r\n");
    EXPECT_EQ(p.FileName, "");
    TVLProject q;
    ASSERT_TRUE(q.LoadFromFile(Path("new.vlp")));
    EXPECT_EQ(q.FileName, Path("new.vlp"));
    EXPECT_EQ(q.BackgroundMapScale, 0);
    EXPECT_EQ(q.DefaultObjects, (TStrings{"stopsign=signs\\ne5.b3d"}));
}

TEST_F(ProjectFiles, FullProjectRoundTripIsByteIdentical)
{
    TVLProject p;
    BuildFullProject(p);
    ASSERT_TRUE(p.SaveToFile(Path("a.vlp")));
    std::string first = Bytes("a.vlp");
    TStrings lines = SplitLines(first);
    EXPECT_EQ(lines[0], "projectname=Velkast \xC4rgerbahn");
    EXPECT_EQ(lines[3], "description=First line[crlf]Second line[crlf][crlf]with [brackets]");
    EXPECT_EQ(GetValue(lines, "point6"), "6,1.2346E5,-1E6");
    EXPECT_EQ(GetValue(lines, "conn3"), "3,3,4,3,42,1.00000,200,3,2,4,9,\"markers\\stop.bmp\",2,\"\",2,0,1,2,2,4,0");
    EXPECT_EQ(GetValue(lines, "routedefinition1"), "1,2,3,4,5");
    EXPECT_EQ(GetValue(lines, "routedefinition2id"), "4");
    EXPECT_EQ(IndexOfName(lines, "routedefinition2name"), -1);
    EXPECT_EQ(IndexOfName(lines, "routedefinition2"), -1);
    EXPECT_EQ(GetValue(lines, "station1"), "\"Hill \"\"Top\"\" Road\",1=2,2=3");
    EXPECT_EQ(GetValue(lines, "freeobject2"), "\"gone\",\"lost.b3d\",1.00000,0.00000,0.00000,0.00000");

    TVLProject q;
    ASSERT_TRUE(q.LoadFromFile(Path("a.vlp")));
    EXPECT_EQ(q.DroppedLines, 0);
    EXPECT_EQ(q.Description, p.Description);
    EXPECT_EQ(q.Credits, p.Credits);
    EXPECT_EQ(q.Points.Count(), 6);
    EXPECT_EQ(q.Connections.Count(), 5);
    EXPECT_EQ(q.Stations[0]->Name, "Hill \"Top\" Road");
    EXPECT_EQ(q.FreeObjects[0]->Lines.size(), 3u);
    EXPECT_EQ(q.FreeObjects[1]->GetRelativePath(), "gone\\lost.b3d");
    EXPECT_EQ(q.RouteDefinitions[0]->GetCaption(), "ID1: Main line");
    ExpectConsistent(q);
    ASSERT_TRUE(q.SaveToFile(Path("b.vlp")));
    EXPECT_EQ(Bytes("b.vlp"), first);
}

TEST_F(ProjectFiles, LineBreaksOfEveryKindAreStored)
{
    TVLProject p;
    p.Description = "a\r\nb";
    p.Credits = "x\ry\nz\r\n";
    ASSERT_TRUE(p.SaveToFile(Path("d.vlp")));
    TStrings lines;
    LoadLines(Path("d.vlp"), lines);
    EXPECT_EQ(lines[0], "description=a[crlf]b");
    EXPECT_EQ(lines[1], "credits=x[crlf]y[crlf]z[crlf]");
    TVLProject q;
    ASSERT_TRUE(q.LoadFromFile(Path("d.vlp")));
    EXPECT_EQ(q.Description, "a\r\nb");
    EXPECT_EQ(q.Credits, "x\r\ny\r\nz\r\n");
    EXPECT_EQ(q.Gauge, 1435);
}

TEST_F(ProjectFiles, KeysAndGaps)
{
    Write("k.vlp", "GAUGE=1000\r\nPoint1=1,5,5\r\npoint2=2,1.5,2\nstation1=\"A\"\rstation3=\"C\"\r\n"
                   "routedefinition1id=x\r\nroutedefinition1=7 8\r\nroutedefinition3id=3\r\n"
                   "defaultobjects=\r\nBackgroundMapScale=abc\r\n");
    TVLProject q;
    ASSERT_TRUE(q.LoadFromFile(Path("k.vlp")));
    EXPECT_EQ(q.Gauge, 1000);
    EXPECT_EQ(q.Points.Count(), 1);
    EXPECT_EQ(q.Points[0]->Id, 2);
    EXPECT_EQ(q.Stations.Count(), 1);
    ASSERT_EQ(q.RouteDefinitions.Count(), 1);
    EXPECT_EQ(q.RouteDefinitions[0]->Id, 0);
    EXPECT_EQ(q.RouteDefinitions[0]->Lines(), (TStrings{"7", "8"}));
    EXPECT_TRUE(q.DefaultObjects.empty());
    EXPECT_EQ(q.BackgroundMapScale, 1);
    EXPECT_EQ(q.NextTrackId, 1);
}

TEST_F(ProjectFiles, ConnectionsWithoutEndPointsAreDropped)
{
    Write("c.vlp", "gauge=1435\r\npoint1=1,0,0\r\npoint2=2,10,0\r\n"
                   "conn1=1,1,2\r\nconn2=2,1,9\r\nconn3=3,0,0\r\nconn4=4,2,1\r\n");
    TVLProject q;
    ASSERT_TRUE(q.LoadFromFile(Path("c.vlp")));
    EXPECT_EQ(q.Connections.Count(), 2);
    EXPECT_EQ(q.DroppedLines, 2);
    EXPECT_EQ(q.FindConnection(4)->StartPoint, q.Points[1]);
    ExpectConsistent(q);
}

TEST_F(ProjectFiles, FailedLoadLeavesTheProjectAlone)
{
    TVLProject p;
    BuildFullProject(p);
    TVLPoint* kept = p.Points[0];
    std::string before = JoinLines(p.SaveToLines());
    EXPECT_FALSE(p.LoadFromFile(Path("missing.vlp")));
    EXPECT_FALSE(p.LoadFromFile(""));
    Write("empty.vlp", "");
    EXPECT_FALSE(p.LoadFromFile(Path("empty.vlp")));
    Write("binary.vlp", std::string("gauge=1435\r\npoint1=1,0,0\0\0\0\0", 28));
    EXPECT_FALSE(p.LoadFromFile(Path("binary.vlp")));
    Write("noise.vlp", "just some text\r\nwithout names\r\n");
    EXPECT_FALSE(p.LoadFromFile(Path("noise.vlp")));
    fs::create_directories(dir / "folder.vlp");
    EXPECT_FALSE(p.LoadFromFile(Path("folder.vlp")));
    EXPECT_EQ(JoinLines(p.SaveToLines()), before);
    EXPECT_EQ(p.Points[0], kept);
}

TEST_F(ProjectFiles, CutFilesAreNotOpened)
{
    std::string whole;
    ASSERT_TRUE(ReadFileBytes(std::string(VELKAST_SOURCE_DIR) + "/sample/program/projects/hillroad.vlp", whole));
    TVLProject p;
    Write("whole.vlp", whole);
    ASSERT_TRUE(p.LoadFromFile(Path("whole.vlp")));
    EXPECT_EQ(p.LoadError, "");
    const TStrings lines = SplitLines(whole);
    for (const char* key : {"point1=", "conn1=", "station1=", "freeobject1="}) {
        SCOPED_TRACE(key);
        std::size_t at = whole.find(std::string("\n") + key);
        ASSERT_NE(at, std::string::npos);
        std::size_t lineNo = std::count(whole.begin(), whole.begin() + static_cast<long>(at), '\n') + 2;
        // Cut inside the record's value, first at the end of the file, then
        // with a line end after it: neither is read.
        const std::string cut = whole.substr(0, at + 1 + std::strlen(key) + 4);
        Write("cut.vlp", cut);
        EXPECT_FALSE(p.LoadFromFile(Path("cut.vlp")));
        EXPECT_EQ(p.LoadError, "line " + std::to_string(lineNo) + " is cut off at the end of the file");
        if (std::string(key) != "conn1=") { // three fields are a whole connection line
            Write("short.vlp", cut + "\r\n");
            EXPECT_FALSE(p.LoadFromFile(Path("short.vlp")));
            EXPECT_NE(p.LoadError.find("line " + std::to_string(lineNo) + " holds a "), std::string::npos)
                << p.LoadError;
        }
    }
    // The project read before stays as it was.
    EXPECT_EQ(p.ProjectName, "Hill Road line");
}

TEST_F(ProjectFiles, SuccessfulLoadReplacesEverythingAndForgetsOldItems)
{
    TVLProject p;
    BuildFullProject(p);
    CurrentSituation.SelectedPoint = p.Points[0];
    CurrentSituation.SelectedConnection = p.Connections[0];
    CurrentSituation.CurrentRouteDefinition = p.RouteDefinitions[0];
    CurrentSituation.HoveredObject = p.FreeObjects[0];
    Write("small.vlp", "projectname=Small\r\npoint1=1,0,0\r\n");
    ASSERT_TRUE(p.LoadFromFile(Path("small.vlp")));
    EXPECT_EQ(p.ProjectName, "Small");
    EXPECT_EQ(p.Stations.Count(), 0);
    EXPECT_EQ(p.FreeObjects.Count(), 0);
    EXPECT_EQ(p.Points.Count(), 1);
    EXPECT_EQ(CurrentSituation.SelectedPoint, nullptr);
    EXPECT_EQ(CurrentSituation.SelectedConnection, nullptr);
    EXPECT_EQ(CurrentSituation.CurrentRouteDefinition, nullptr);
    EXPECT_EQ(CurrentSituation.HoveredObject, nullptr);
}

TEST_F(ProjectFiles, FailedSaveKeepsTheOldFile)
{
    TVLProject p;
    p.ProjectName = "old";
    ASSERT_TRUE(p.SaveToFile(Path("s.vlp")));
    std::string old = Bytes("s.vlp");
    p.ProjectName = "new";
    EXPECT_FALSE(p.SaveToFile(Path("no/such/folder/s.vlp")));
    fs::create_directories(dir / "taken.vlp" / "x");
    EXPECT_FALSE(p.SaveToFile(Path("taken.vlp")));
    EXPECT_TRUE(fs::is_directory(dir / "taken.vlp"));
    EXPECT_EQ(Bytes("s.vlp"), old);
    // Only the files we made are left: no temporaries.
    int n = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(dir))
        ++n;
    EXPECT_EQ(n, 3); // objects, s.vlp, taken.vlp
    p.FileName = Path("s.vlp");
    EXPECT_TRUE(p.SaveToFile());
    EXPECT_NE(Bytes("s.vlp"), old);
}

TEST_F(ProjectFiles, RandomlyDamagedFilesNeverCrash)
{
    TVLProject p;
    BuildFullProject(p);
    for (int i = 0; i < 40; ++i) {
        auto* a = new TVLPoint({i * 3.0, i * 1.0});
        p.AddPoint(a);
        p.AddConnection(new TVLConnection(a, p.Points[i % 6]));
    }
    const std::string good = JoinLines(p.SaveToLines());
    std::mt19937 rng(2026);
    const std::string junk = "=,\"\r\n\0.-9Ee[]pointconnstation1routedefinition1id";
    int loaded = 0;
    for (int round = 0; round < 600; ++round) {
        std::string bad = good;
        switch (round % 4) {
        case 0: bad.resize(rng() % bad.size()); break; // truncated
        case 1:
            for (int k = 0; k < 8; ++k)
                bad[rng() % bad.size()] = junk[rng() % junk.size()];
            break;
        case 2: {
            auto at = rng() % bad.size();
            bad.erase(at, rng() % 200);
            break;
        }
        default:
            for (int k = 0; k < 5; ++k)
                bad.insert(rng() % bad.size(), junk.substr(rng() % junk.size(), 1 + rng() % 6));
        }
        Write("bad.vlp", bad);
        TVLProject q;
        q.ProjectName = "untouched";
        if (q.LoadFromFile(Path("bad.vlp"))) {
            ++loaded;
            ExpectConsistent(q);
            // What loaded saves and reloads to the same bytes.
            ASSERT_TRUE(q.SaveToFile(Path("again.vlp")));
            std::string once = Bytes("again.vlp");
            TVLProject r;
            ASSERT_TRUE(r.LoadFromFile(Path("again.vlp")));
            ASSERT_TRUE(r.SaveToFile(Path("again2.vlp")));
            ASSERT_EQ(Bytes("again2.vlp"), once) << "round " << round;
        } else {
            EXPECT_EQ(q.ProjectName, "untouched");
            EXPECT_EQ(q.Points.Count(), 0);
        }
    }
    EXPECT_GT(loaded, 100);
}

// ---------------------------------------------------------------------------
// Editing operations

TEST(Project, IdsAreLargestPlusOne)
{
    TVLProject p;
    auto* a = new TVLPoint;
    p.AddPoint(a);
    EXPECT_EQ(a->Id, 1);
    auto* b = new TVLPoint;
    p.AddPoint(b);
    auto* c = new TVLPoint;
    p.AddPoint(c);
    EXPECT_EQ(c->Id, 3);
    p.DeletePoint(c);
    auto* d = new TVLPoint;
    p.AddPoint(d);
    EXPECT_EQ(d->Id, 3); // the largest id is reused after deletion
    p.Points[0]->Id = -5;
    p.Points[1]->Id = -2;
    p.Points[2]->Id = 0;
    auto* e = new TVLPoint;
    p.AddPoint(e);
    EXPECT_EQ(e->Id, 1);

    auto* k = new TVLConnection(a, b);
    p.AddConnection(k);
    EXPECT_EQ(k->Id, 1);
    EXPECT_EQ(p.FindConnection(1), k);
    EXPECT_EQ(p.FindConnection(2), nullptr);
}

TEST(Project, DeletingClearsEditorReferences)
{
    CurrentSituation = TCurrentSituation();
    TVLProject p;
    auto* a = new TVLPoint({0, 0});
    auto* b = new TVLPoint({1, 0});
    auto* c = new TVLPoint({2, 0});
    p.AddPoint(a);
    p.AddPoint(b);
    p.AddPoint(c);
    auto* ab = new TVLConnection(a, b);
    auto* bc = new TVLConnection(b, c);
    auto* ca = new TVLConnection(c, a);
    p.AddConnection(ab);
    p.AddConnection(bc);
    p.AddConnection(ca);
    auto* route = new TVLRouteDefinition;
    route->Id = 2;
    route->AddTrack(1);
    route->AddTrack(2);
    route->AddTrack(3);
    p.RouteDefinitions.Add(route);

    CurrentSituation.SelectedConnection = ab;
    CurrentSituation.SelectedPoint = a;
    CurrentSituation.HoveredPoint = a;
    p.DeletePoint(a);
    EXPECT_EQ(p.Connections.Count(), 1);
    EXPECT_EQ(p.Connections[0], bc);
    EXPECT_EQ(p.Points.Count(), 2);
    EXPECT_EQ(CurrentSituation.SelectedConnection, nullptr);
    EXPECT_EQ(CurrentSituation.SelectedPoint, nullptr);
    EXPECT_EQ(CurrentSituation.HoveredPoint, nullptr);
    // The route keeps the ids of the destroyed tracks until Validate.
    EXPECT_EQ(route->Count(), 3);
    EXPECT_TRUE(p.Validate());
    EXPECT_EQ(route->Lines(), (TStrings{"2"}));

    CurrentSituation.CurrentRouteDefinition = route;
    CurrentSituation.SelectedConnection = bc;
    p.DeleteConnection(bc);
    EXPECT_EQ(CurrentSituation.SelectedConnection, nullptr);
    EXPECT_EQ(route->Count(), 0);

    auto* o = new TVLObject;
    p.AddObject(o);
    CurrentSituation.SelectedObject = o;
    CurrentSituation.HoveredObject = o;
    p.RemoveObject(o);
    EXPECT_EQ(CurrentSituation.SelectedObject, nullptr);
    EXPECT_EQ(CurrentSituation.HoveredObject, nullptr);
    EXPECT_EQ(p.FreeObjects.Count(), 0);

    p.RouteDefinitions.Remove(route);
    EXPECT_EQ(CurrentSituation.CurrentRouteDefinition, nullptr);
    CurrentSituation = TCurrentSituation();
}

TEST(Project, RouteMembership)
{
    CurrentSituation = TCurrentSituation();
    TVLProject p;
    auto* a = new TVLPoint({0, 0});
    auto* b = new TVLPoint({1, 0});
    p.AddPoint(a);
    p.AddPoint(b);
    auto* c1 = new TVLConnection(a, b);
    auto* c2 = new TVLConnection(b, a);
    p.AddConnection(c1);
    p.AddConnection(c2);
    auto* r1 = new TVLRouteDefinition;
    r1->Id = 3;
    r1->Name = "Main";
    auto* r2 = new TVLRouteDefinition;
    r2->Id = 7;
    p.RouteDefinitions.Add(r1);
    p.RouteDefinitions.Add(r2);
    EXPECT_EQ(p.MaxRouteDefinitionId(), 7);
    EXPECT_EQ(p.FindRouteDefinition(7), r2);
    EXPECT_EQ(p.FindRouteDefinition(-7), nullptr);

    p.AddToCurrentRoute(c1); // no current route: nothing
    EXPECT_EQ(r1->Count(), 0);
    EXPECT_FALSE(p.IsInRoute(c1, 0));
    CurrentSituation.CurrentRouteDefinition = r1;
    EXPECT_EQ(CurrentSituation.CurrentRouteId(), 3);
    p.AddToCurrentRoute(c1);
    EXPECT_TRUE(p.IsInRoute(c1, 0));
    EXPECT_TRUE(p.IsInRoute(c1, 3));
    EXPECT_FALSE(p.IsInRoute(c1, 7));
    EXPECT_TRUE(CurrentSituation.IsInCurrentRoute(c1->Id));
    p.CopyRouteMembership(c2, c1);
    EXPECT_TRUE(r1->ContainsTrack(2));
    EXPECT_FALSE(r2->ContainsTrack(2));
    p.RemoveFromCurrentRoute(c1);
    EXPECT_FALSE(r1->ContainsTrack(1));
    r2->AddTrack(2);
    p.RemoveFromAllRoutes(c2);
    EXPECT_EQ(r1->Count() + r2->Count(), 0);

    TStrings captions;
    std::vector<TVLRouteDefinition*> attached;
    p.GetRouteDefinitionList(&captions, &attached);
    EXPECT_EQ(captions, (TStrings{"ID3: Main", "ID7: "}));
    EXPECT_EQ(attached[1], r2);
    p.GetRouteDefinitionList(nullptr);
    CurrentSituation = TCurrentSituation();
    EXPECT_EQ(CurrentSituation.CurrentRouteId(), 0);
    EXPECT_FALSE(CurrentSituation.IsInCurrentRoute(1));
    EXPECT_EQ(CurrentSituation.Scale, 10.0);

    TVLProject empty;
    EXPECT_EQ(empty.MaxRouteDefinitionId(), 1);
}

TEST(Project, StationsOfARoute)
{
    TVLProject p;
    auto* s1 = new TVLStation("North");
    s1->Lines = {"1=10", "2=11"};
    auto* s2 = new TVLStation("south");
    s2->Lines = {"1=12"};
    auto* s3 = new TVLStation("SOUTH");
    s3->Lines = {"1=10"};
    p.Stations.Add(s1);
    p.Stations.Add(s2);
    p.Stations.Add(s3);
    TVLRouteDefinition r;
    r.AddTrack(10);
    r.AddTrack(12);
    EXPECT_TRUE(p.StationOnRoute(s1, "1", &r));
    EXPECT_FALSE(p.StationOnRoute(s1, "2", &r));
    TStrings names{"north"};
    p.GetStationsOfRoute(&r, names);
    EXPECT_EQ(names, (TStrings{"north", "south"}));
    EXPECT_EQ(p.FindStationByTrack(11), s1);
    EXPECT_EQ(p.FindStationByTrack(99), nullptr);
    EXPECT_EQ(p.GetStation(2), s3);
    EXPECT_EQ(p.GetStation(3), nullptr);
    EXPECT_EQ(p.StationCount(), 3);
}

TEST(Project, TrackPick)
{
    TVLProject p;
    double s = 0, t = 0;
    EXPECT_FALSE(p.PointOnSegment({1, 1}, {1, 1}, 10, {1, 1}, s, t));
    EXPECT_TRUE(p.PointOnSegment({0, 0}, {100, 0}, 10, {25, -5}, s, t));
    EXPECT_DOUBLE_EQ(t, 0.25);
    EXPECT_DOUBLE_EQ(s, 0.5); // south of an eastward track is its right
    EXPECT_TRUE(p.PointOnSegment({0, 0}, {100, 0}, 10, {100, 10}, s, t));
    EXPECT_DOUBLE_EQ(s, -1);
    EXPECT_FALSE(p.PointOnSegment({0, 0}, {100, 0}, 10, {100.5, 0}, s, t));
    EXPECT_FALSE(p.PointOnSegment({0, 0}, {100, 0}, 0, {50, 0}, s, t));
}

TEST(Project, LineReadersTakeAnyBytes)
{
    // Random bytes into every line reader: nothing may crash, and what is
    // read writes a line that reads back to the same line.
    std::mt19937 rng(77);
    TVLPointlist points;
    for (int i = 1; i <= 3; ++i) {
        auto* p = new TVLPoint({i * 1.0, 0});
        p->Id = i;
        points.Add(p);
    }
    const std::string alphabet = "0123456789,.-+eE\" =\t\xE4\\abc";
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (unsigned k = rng() % 80; k > 0; --k)
            text += alphabet[rng() % alphabet.size()];
        auto pt = TVLPoint::CreateFromLine(text);
        ASSERT_EQ(TVLPoint::CreateFromLine(pt->SaveToString())->SaveToString(), pt->SaveToString());
        auto c = TVLConnection::CreateFromLine(text, points);
        std::string line = c->SaveToString();
        if (c->MarkerFile.find_first_of(",\"") == std::string::npos &&
            c->WaveFile.find_first_of(",\"") == std::string::npos) {
            ASSERT_EQ(TVLConnection::CreateFromLine(line, points)->SaveToString(), line) << text;
        }
        TVLStation s;
        if (s.LoadFromString(text)) {
            TVLStation t;
            ASSERT_TRUE(t.LoadFromString(s.SaveToString()));
            ASSERT_EQ(t.Name, s.Name);
            ASSERT_EQ(t.Lines, s.Lines);
        }
        TVLRouteDefinition r;
        r.SetLines(CommaTextToList(text));
        for (int i = 0; i < r.Count(); ++i)
            r.TrackIdAt(i);
    }
}
