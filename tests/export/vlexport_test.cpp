#include "export/vlexport.h"

#include "tests/export/exportplan.h"
#include "tests/export/vlexport_tool/routecheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

int CountPieces(const TVLExport_Mod& w)
{
    return w.Connections->Count();
}

bool Has(const TStrings& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Degrees the written route turns to the right: 25 m / radius over the
// curve commands.
double ExportedTurn(const TPlan& plan)
{
    double turn = 0;
    for (const auto& l : plan.Commands(".curve ")) {
        double radius = std::strtod(l.c_str() + l.find(".curve ") + 7, nullptr);
        if (radius != 0)
            turn += 25 / radius * 180 / 3.14159265358979323846;
    }
    return turn;
}

} // namespace

// ---------------------------------------------------------------------------
// Preparation

TEST(ExportPreparation, MergesEndsCloserThanTenCentimetres)
{
    TPlan plan;
    plan.Track(plan.Pt(0, 0), plan.Pt(10, 0));
    plan.Track(plan.Pt(10.05, 0), plan.Pt(20, 0));
    plan.Track(plan.Pt(20.1, 0), plan.Pt(30, 0));
    TVLExport_Mod w(true, plan.Services());
    w.Project = &plan.Project;
    w.CopyConnections();
    // 10 and 10.05 share a point; 20 and 20.1 stay apart.
    EXPECT_EQ(w.Points.size(), 5u);
    EXPECT_EQ(w.Connections->GetConnection(0)->EndPoint, w.Connections->GetConnection(1)->StartPoint);
    EXPECT_NE(w.Connections->GetConnection(1)->EndPoint, w.Connections->GetConnection(2)->StartPoint);
    // Ids follow the project's; the project's own lists are untouched.
    EXPECT_EQ(w.Connections->GetConnection(2)->Id, 3);
    EXPECT_EQ(plan.Project.Points.Count(), 6);
}

TEST(ExportPreparation, PieceCountsByKind)
{
    struct TCase {
        double Length;
        int Kind;
        int Pieces;
    } cases[] = {{26, 1, 5}, {60, 3, 10}, {20, 3, 2}, {7, 0, 2}, {100, 0, 20}, {12.5, 0, 2}, {5, 0, 1}};
    for (const auto& k : cases) {
        TPlan plan;
        TVLConnection* c = plan.Track(plan.Pt(0, 0), plan.Pt(k.Length, 0));
        c->TrackKind = static_cast<std::uint8_t>(k.Kind);
        TVLExport_Mod w(true, plan.Services());
        w.Project = &plan.Project;
        w.RouteDefinition = plan.Route({c});
        w.CopyConnections();
        w.SplitConnections();
        EXPECT_EQ(CountPieces(w), k.Pieces) << k.Length << " m of kind " << k.Kind;
    }
}

TEST(ExportPreparation, SoundOnFirstPieceStationIdOnSecondToLast)
{
    TPlan plan;
    TVLConnection* c = plan.Track(plan.Pt(0, 0), plan.Pt(40, 0));
    c->WaveFile = "bell.wav";
    TVLConnection* other = plan.Track(plan.Pt(0, 10), plan.Pt(40, 10));
    other->WaveFile = "chime.wav";
    plan.Station("A", c);
    TVLExport_Mod w(true, plan.Services());
    w.Project = &plan.Project;
    w.RouteDefinition = plan.Route({c});
    w.CopyConnections();
    w.SplitConnections();
    ASSERT_EQ(w.Route.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(w.Route[i]->WaveFile, i == 0 ? "bell.wav" : "") << i;
        EXPECT_EQ(w.Route[i]->Id, i == 6 ? c->Id : 0) << i;
    }
    // Not on the route: cut all the same, its pieces lose the id.
    int withId = 0;
    for (int i = 0; i < w.Connections->Count(); ++i)
        withId += w.Connections->GetConnection(i)->Id == other->Id;
    EXPECT_EQ(withId, 0);
    EXPECT_EQ(CountPieces(w), 16);
}

TEST(ExportPreparation, ShortRouteTracksStayOutOfTheRoute)
{
    TPlan plan;
    TVLPoint* a = plan.Pt(0, 0);
    TVLPoint* b = plan.Pt(50, 0);
    TVLConnection* longOne = plan.Track(a, b);
    TVLConnection* shortOne = plan.Track(b, plan.Pt(54, 0));
    TVLExport_Mod w(true, plan.Services());
    w.Project = &plan.Project;
    w.RouteDefinition = plan.Route({longOne, shortOne});
    w.CopyConnections();
    w.SplitConnections();
    EXPECT_EQ(w.Route.size(), 10u);
    EXPECT_EQ(CountPieces(w), 11);
}

// ---------------------------------------------------------------------------
// Stops with a message

TEST(ExportStops, RouteDefinitionWithoutTracks)
{
    TPlan plan;
    TVLConnection* c = plan.Track(plan.Pt(0, 0), plan.Pt(100, 0));
    TVLStation* a = plan.Station("A", c);
    plan.Route({});
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, a);
    EXPECT_FALSE(w.Export("t", "sub", 0));
    EXPECT_EQ(plan.Progress.Errors, TStrings{"tvlexport_no_conn"});
    EXPECT_TRUE(plan.Output.empty());
    EXPECT_TRUE(plan.FileList.empty());
    EXPECT_FALSE(w.DestinationReached);

    // An index beyond the list is no route definition either.
    TVLExport_Mod w2(true, plan.Services());
    plan.Wire(w2, a, a);
    EXPECT_FALSE(w2.Export("t", "sub", 5));
    EXPECT_EQ(w2.StopMessageKey, "tvlexport_no_conn");
}

TEST(ExportStops, ValuesTheSimulatorCannotTakeNameTheirTrack)
{
    // A damaged project: a height no route has, a pole (on a siding) the
    // library lacks, an end far beyond the world. Nothing is handed on.
    for (int k = 0; k < 3; ++k) {
        TPlan plan;
        TVLPoint* joint = plan.Pt(100, 0);
        TVLConnection* c = plan.Track(plan.Pt(0, 0), joint);
        TVLConnection* d = plan.Track(joint, plan.Pt(k == 2 ? 1e308 : 200, 0));
        d->Height = k == 0 ? 1e308 : 0;
        plan.Track(plan.Pt(100, 4), plan.Pt(200, 4))->Pole = k == 1 ? 77 : 0;
        plan.Route({c, d});
        TVLExport_Mod w(true, plan.Services());
        plan.Wire(w, plan.Station("A", c), plan.Station("B", d));
        EXPECT_FALSE(w.Export("t", "sub", 0));
        const char* said[] = {"Track 2: height 1E308 m.", "Track 3: the object library has no pole 77.",
                              "Track 2: a length of 1E308 m."};
        EXPECT_EQ(plan.Progress.Errors, TStrings{std::string("texport_bad_value") + said[k]});
        EXPECT_TRUE(plan.Output.empty() && plan.FileList.empty());
    }
}

TEST(ExportStops, StaleIdsAndOnlyShortTracks)
{
    TPlan plan;
    TVLConnection* c = plan.Track(plan.Pt(0, 0), plan.Pt(5, 0));
    TVLConnection* d = plan.Track(plan.Pt(0, 10), plan.Pt(4, 10));
    TVLStation* a = plan.Station("A", c);
    TVLStation* b = plan.Station("B", d);
    TVLRouteDefinition* r = plan.Route({c, d});
    r->AddTrack(99);
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, b);
    EXPECT_FALSE(w.Export("t", "sub", 0));
    EXPECT_EQ(w.StopMessageKey, "tvlexport_no_conn");
    EXPECT_TRUE(plan.Output.empty());
    EXPECT_FALSE(r->ContainsTrack(99)); // the project's Validate ran

    TPlan stale;
    TVLConnection* e = stale.Track(stale.Pt(0, 0), stale.Pt(50, 0));
    TVLStation* s = stale.Station("A", e);
    TVLRouteDefinition* only = stale.Route({});
    only->AddTrack(42);
    TVLExport_Mod w2(true, stale.Services());
    stale.Wire(w2, s, s);
    EXPECT_FALSE(w2.Export("t", "sub", 0));
    EXPECT_EQ(w2.StopMessageKey, "tvlexport_no_conn");
}

TEST(ExportStops, MissingOrOffRouteStations)
{
    TPlan plan;
    TVLPoint* p = plan.Pt(0, 0);
    TVLPoint* q = plan.Pt(100, 0);
    TVLConnection* c = plan.Track(p, q);
    TVLConnection* d = plan.Track(q, plan.Pt(200, 0));
    TVLConnection* off = plan.Track(plan.Pt(0, 50), plan.Pt(100, 50));
    TVLStation* a = plan.Station("A", c);
    TVLStation* b = plan.Station("B", d);
    TVLStation* far = plan.Station("Far", off);
    plan.Route({c, d});
    for (auto [start, dest] : {std::pair<TVLStation*, TVLStation*>{nullptr, b}, {a, nullptr}, {a, far}, {far, b}}) {
        TVLExport_Mod w(true, plan.Services());
        plan.Wire(w, start, dest);
        EXPECT_FALSE(w.Export("t", "sub", 0));
        EXPECT_EQ(w.StopMessageKey, "texport_no_stations");
        EXPECT_TRUE(plan.Output.empty());
    }
    // A station whose only track is too short to be cut never reaches the route.
    TVLConnection* stub = plan.Track(q, plan.Pt(100, 4));
    plan.Project.RouteDefinitions[0]->AddTrack(stub->Id);
    TVLStation* tiny = plan.Station("Tiny", stub);
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, tiny);
    EXPECT_FALSE(w.Export("t", "sub", 0));
    EXPECT_EQ(w.StopMessageKey, "texport_station_unusable");
}

TEST(ExportStops, StartAndDestinationOnOnePiece)
{
    TPlan plan;
    TVLConnection* c = plan.Track(plan.Pt(0, 0), plan.Pt(100, 0));
    TVLStation* a = plan.Station("A", c);
    plan.Route({c});
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, a);
    EXPECT_FALSE(w.Export("t", "sub", 0));
    EXPECT_EQ(w.StopMessageKey, "texport_same_station");
    EXPECT_TRUE(plan.Output.empty());
}

TEST(ExportStops, DamagedProjectsNameTheTrackOrPoint)
{
    // A line of three tracks, A on the first, B on the last, as a project file.
    auto conn = [](const char* idAndEnds) {
        return std::string("conn") + idAndEnds + ",1,80,0,255,1,1,1,0,\"\",0,\"\",0,0,0,0,0,0,0";
    };
    const TStrings line = {"point1=1,0,0", "point2=2,100,0", "point3=3,200,0", "point4=4,300,0", conn("1=1,1,2"),
                           conn("2=2,2,3"), conn("3=3,3,4"), "routedefinition1id=1", "routedefinition1=1,2,3",
                           "station1=\"A\",1=1", "station2=\"B\",1=3"};
    const std::pair<std::string, std::string> cases[] = {
        {conn("2=2,2,9"), "texport_incompleteTrack 2: the route definition holds it, but the project has no such "
                          "track (a track whose end point is missing from the project file is not read)."},
        {conn("3=3,3,3"), "texport_station_unusableTrack 3: station \"B\" lies on it, but it runs from point 3 to itself."},
        {"point3=2,200,0", "texport_station_unusablePoint 2: two points have this id."},
        {"station1=\"A\",1=-1",
         "texport_station_unusableTrack -1: station \"A\" names it for platform 1, but the project has no such track."}};
    for (const auto& [damage, said] : cases) {
        TPlan plan;
        TStrings lines = line;
        for (auto& l : lines)
            if (NameOfLine(l) == NameOfLine(damage))
                l = damage;
        ASSERT_TRUE(plan.Project.LoadFromLines(lines));
        TVLExport_Mod w(true, plan.Services());
        plan.Wire(w, plan.Project.Stations[0], plan.Project.Stations[1]);
        EXPECT_FALSE(w.Export("t", "sub", 0));
        EXPECT_EQ(plan.Progress.Errors, TStrings{said});
    }
}

// ---------------------------------------------------------------------------
// Route order

TEST(ExportOrder, DestinationBeforeStartRunsBackwards)
{
    TPlan plan;
    TVLPoint* p0 = plan.Pt(0, 0);
    TVLPoint* p1 = plan.Pt(100, 0);
    TVLPoint* p2 = plan.Pt(200, 0);
    TVLConnection* c = plan.Track(p0, p1);
    TVLConnection* d = plan.Track(p1, p2);
    c->PlatformSide = 1;
    c->PlatformId = 1;
    c->WallLeftId = 1;
    TVLStation* b = plan.Station("B", c);
    TVLStation* a = plan.Station("A", d);
    plan.Route({c, d});
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, b);
    ASSERT_TRUE(w.Export("t", "sub", 0));
    DumpIfAsked(plan);
    EXPECT_TRUE(w.DestinationReached);
    TStrings sta = plan.Commands(".Sta");
    ASSERT_EQ(sta.size(), 2u);
    // Start on d's second-to-last piece (x 195 to 190), running west. Each
    // stop lies near the far end of its track in the direction of travel,
    // in the block of the track's second-to-last piece: A's (x 110 to 105)
    // at 85, B's (x 10 to 5) at 185.
    EXPECT_EQ(sta[0].rfind("75.00000, .Sta A;", 0), 0u) << sta[0];
    EXPECT_EQ(sta[1].rfind("175.00000, .Sta B;", 0), 0u) << sta[1];
    EXPECT_TRUE(Has(plan.TrackLines(), "90.00000, .stop 1"));
    EXPECT_TRUE(Has(plan.TrackLines(), "190.00000, .stop 1"));
    // The first block ending on c is the one at 75. A platform on the right
    // of the drawing direction is on the left when running backwards, and
    // the left wall becomes the right-hand wall kind, one wall to the end.
    EXPECT_TRUE(Has(plan.TrackLines(), "75.00000, .form 0;L;0;0"));
    EXPECT_TRUE(Has(plan.TrackLines(), "75.00000, .wall 0;1;0"));
    EXPECT_TRUE(Has(plan.TrackLines(), "175.00000, .wall 0;1;0"));
    EXPECT_EQ(plan.Commands(".wallend 0").size(), 1u);
    EXPECT_TRUE(Has(plan.TrackLines(), "200.00000, .wallend 0"));
    EXPECT_TRUE(plan.Commands(".dike ").empty());
}

TEST(ExportOrder, OverrunDistanceBeyondDestination)
{
    TPlan plan;
    TVLPoint* p0 = plan.Pt(0, 0);
    TVLPoint* p1 = plan.Pt(100, 0);
    TVLConnection* c = plan.Track(p0, p1);
    TVLPoint* p2 = plan.Pt(300, 0);
    TVLConnection* d = plan.Track(p1, p2);
    TVLConnection* e = plan.Track(p2, plan.Pt(400, 0));
    TVLStation* a = plan.Station("A", c);
    TVLStation* b = plan.Station("B", d);
    plan.Route({c, d, e});
    plan.Settings.DistanceBeyondLastValue = 12;
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, b);
    ASSERT_TRUE(w.Export("t", "sub", 0));
    DumpIfAsked(plan);
    // From c's piece 18 to d's piece 38 (the destination), plus two pieces.
    EXPECT_EQ(w.Route.size(), 2u + 39u + 2u);
    EXPECT_EQ(w.Route.back()->StartPosition().X, 300);
    EXPECT_EQ(w.DestIndex, 40);
}

TEST(ExportOrder, RingRouteEnds)
{
    TPlan plan;
    TVLPoint* p[4] = {plan.Pt(0, 0), plan.Pt(100, 0), plan.Pt(100, 100), plan.Pt(0, 100)};
    TVLConnection* c[4];
    for (int i = 0; i < 4; ++i)
        c[i] = plan.Track(p[i], p[(i + 1) % 4]);
    TVLStation* a = plan.Station("A", c[0]);
    TVLStation* b = plan.Station("B", c[2]);
    plan.Route({c[0], c[1], c[2], c[3]});
    plan.Settings.DistanceBeyondLastValue = 10000;
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, b);
    ASSERT_TRUE(w.Export("t", "sub", 0));
    DumpIfAsked(plan);
    EXPECT_TRUE(w.DestinationReached);
    EXPECT_EQ(w.Route.size(), 80u); // every piece once
}

TEST(ExportOrder, LoopClosingOnTheLineGoesOnToTheDestination)
{
    // A loop drawn first, from J round to J, then the line on from J in the
    // direction the loop comes back in.
    TPlan plan;
    TVLPoint* j = plan.Pt(0, 0);
    TVLPoint* p[3] = {plan.Pt(200, 0), plan.Pt(200, 100), plan.Pt(100, 100)};
    TVLConnection* ring[4] = {plan.Track(j, p[0]), plan.Track(p[0], p[1]), plan.Track(p[1], p[2]),
                              plan.Track(p[2], j)};
    TVLConnection* on = plan.Track(j, plan.Pt(-100, -100));
    TVLStation* a = plan.Station("A", ring[0]);
    plan.Station("B", ring[1]);
    plan.Station("C", ring[2]);
    TVLStation* d = plan.Station("D", on);
    plan.Route({ring[0], ring[1], ring[2], ring[3], on});
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, d);
    ASSERT_TRUE(w.Export("t", "sub", 0)) << plan.Dump();
    EXPECT_TRUE(w.DestinationReached);
    TStrings sta = plan.Commands(".Sta ");
    ASSERT_EQ(sta.size(), 4u) << plan.Dump();
    const char* order[4] = {"A", "B", "C", "D"};
    for (int i = 0; i < 4; ++i)
        EXPECT_NE(sta[i].find(".Sta " + std::string(order[i]) + ";"), std::string::npos) << sta[i];
    EXPECT_EQ(CheckRoute(plan.Output, plan.FileList, SampleProgramFolder() + "lib", "sub"), TStrings{});
}

TEST(ExportOrder, LoopWhoseLaterTrackLiesOnItsFirstGoesStraightOn)
{
    // A line one and a half times round, a station on each track: the second
    // lap's points lie on the first's. S12 lies where S4 does: cross over
    // there rather than drive round again; where both laps lead on, take the
    // one the project joins on.
    TPlan plan;
    TVLRouteDefinition* route = plan.Route({});
    std::vector<TVLStation*> s;
    for (TVLPoint *at = plan.Pt(100, 0), *next; s.size() < 12; at = next) {
        double k = static_cast<double>(s.size() + 1) * 0.7853981634;
        TVLConnection* c = plan.Track(at, next = plan.Pt(100 * std::cos(k), 100 * std::sin(k)));
        route->AddTrack(c->Id);
        s.push_back(plan.Station("S" + std::to_string(s.size() + 1), c));
    }
    plan.Settings.DistanceBeyondLastValue = 0;
    for (auto [from, order] : {std::pair{0, "S1 S2 S3 S12 "}, {9, "S10 S11 S12 "}}) {
        TVLExport_Mod w(true, plan.Services());
        plan.Wire(w, s[from], s[11]);
        EXPECT_TRUE(w.Export("t", "sub", 0));
        std::string read;
        for (const auto& l : plan.Commands(".Sta "))
            read += GetToken(l.substr(l.find(".Sta ") + 5), ";", 1) + " ";
        EXPECT_EQ(read, order);
    }
}

// ---------------------------------------------------------------------------
// Main track

TEST(ExportMainTrack, RadiusSmoothing)
{
    TPlan plan;
    TVLExport_Mod w(true, plan.Services());
    EXPECT_EQ(TVLExport_Mod::RadiusOfTurn(3), 477);
    EXPECT_EQ(TVLExport_Mod::RadiusOfTurn(-3), -477);
    EXPECT_EQ(TVLExport_Mod::RadiusOfTurn(2), 716);
    EXPECT_EQ(TVLExport_Mod::RadiusOfTurn(0), 0);
    EXPECT_EQ(w.SmoothRadius(477), 475);
    EXPECT_EQ(w.SmoothRadius(30), 150);
    EXPECT_EQ(w.SmoothRadius(170), 175);
    EXPECT_EQ(w.SmoothRadius(716), 725);
    EXPECT_EQ(w.SmoothRadius(4001), 0);
    // Left curves round as right ones do.
    for (int r = 1; r <= 4100; ++r)
        ASSERT_EQ(w.SmoothRadius(-r), -w.SmoothRadius(r)) << r;
    plan.Settings.MaxCurveSmoothValue = 500;
    EXPECT_EQ(w.SmoothRadius(716), 0);
}

TEST(ExportMainTrack, RouteTurnsAsThePlanDoes)
{
    // The sample line turns left by 90 degrees in three kinks.
    {
        TPlan plan;
        ASSERT_TRUE(plan.Project.LoadFromFile(SampleProgramFolder() + "projects/hillroad.vlp"));
        TVLExport_Mod w(true, plan.Services());
        plan.Wire(w, plan.Project.Stations.Items(0), plan.Project.Stations.Items(1));
        ASSERT_TRUE(w.Export("t", "sub", 0)) << plan.Dump();
        EXPECT_NEAR(ExportedTurn(plan), -90, 2) << plan.Dump();
    }
    // Curves of 150 m to 4,000 m either way, drawn as 10 m chords between
    // two straights, each turning 60 degrees.
    constexpr double Pi = 3.14159265358979323846;
    for (double radius : {150.0, 275.0, 520.0, 1000.0, 2300.0, 4000.0})
        for (int side : {1, -1}) {
            SCOPED_TRACE(std::to_string(side * radius));
            TPlan plan;
            TVLPoint* mid = plan.Pt(100, 0);
            TVLConnection* before = plan.Track(plan.Pt(0, 0), mid);
            TVLPoint* bend = plan.Pt(300, 0);
            std::vector<const TVLConnection*> tracks{before, plan.Track(mid, bend)};
            TVLPoint* at = bend;
            double angle = Pi / 3;
            int chords = static_cast<int>(std::ceil(radius * angle / 10));
            for (int i = 1; i <= chords; ++i) {
                double phi = angle * i / chords;
                // Centre to the left (side -1) or right (side 1) of the line.
                TVLPoint* next = plan.Pt(300 + radius * std::sin(phi), -side * radius * (1 - std::cos(phi)));
                tracks.push_back(plan.Track(at, next));
                at = next;
            }
            TVLPoint* end = plan.Pt(at->Position.X + 300 * std::cos(angle), at->Position.Y - side * 300 * std::sin(angle));
            TVLConnection* after = plan.Track(at, end);
            tracks.push_back(after);
            TVLStation* a = plan.Station("A", before);
            TVLStation* b = plan.Station("B", after);
            auto* rd = new TVLRouteDefinition();
            rd->Id = 1;
            rd->Name = "Curve";
            for (const auto* c : tracks)
                rd->AddTrack(c->Id);
            plan.Project.RouteDefinitions.Add(rd);
            TVLExport_Mod w(true, plan.Services());
            plan.Wire(w, a, b);
            ASSERT_TRUE(w.Export("t", "sub", 0));
            EXPECT_NEAR(ExportedTurn(plan), side * 60, 2) << plan.Dump();
        }
}

TEST(ExportMainTrack, FirstBlockCommandsAndCurveWithCant)
{
    TPlan plan;
    // The start station's 25 m, 100 m east, then 100 m bent 3 degrees to
    // the right: the block at 100 ends on the bent track.
    TVLPoint* p0 = plan.Pt(0, 0);
    TVLPoint* p1 = plan.Pt(100, 0);
    double rad = -3 * 3.14159265358979323846 / 180;
    TVLPoint* p2 = plan.Pt(100 + 100 * std::cos(rad), 100 * std::sin(rad));
    TVLConnection* s = plan.Track(plan.Pt(-25, 0), p0);
    TVLConnection* c = plan.Track(p0, p1);
    TVLConnection* d = plan.Track(p1, p2);
    TVLStation* a = plan.Station("A", s);
    TVLStation* b = plan.Station("B", d);
    plan.Route({s, c, d});
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, b);
    ASSERT_TRUE(w.Export("t", "sub", 0));
    DumpIfAsked(plan);
    TStrings t = plan.TrackLines();
    ASSERT_GE(t.size(), 6u);
    EXPECT_EQ(t[0], "0.00000, .curve 0.00000;0.00000");
    EXPECT_TRUE(Has(t, "0.00000, .fog 0;0;0;0;0"));
    EXPECT_TRUE(Has(t, "0.00000, .adhesion 255"));
    EXPECT_TRUE(Has(t, "0.00000, .limit 80;0;0"));
    EXPECT_TRUE(Has(t, "0.00000, .back 0"));
    EXPECT_TRUE(Has(t, "0.00000, .ground 0"));
    // No poles run yet, so there is nothing to end.
    EXPECT_FALSE(Has(t, "0.00000, .poleend 0"));
    // The block at 75 ends on c, the one at 100 on d: a turn of 3 degrees.
    EXPECT_TRUE(Has(t, "75.00000, .curve 0.00000;0.00000"));
    EXPECT_TRUE(Has(t, "100.00000, .curve 475.00000;18.00000"));
    EXPECT_TRUE(Has(t, "125.00000, .curve 0.00000;0.00000"));
    // No stop sign object: one stop, with the simulator's own post, not
    // beyond the far end of the station's track.
    EXPECT_FALSE(Has(t, "10.00000, .stop 0"));
    EXPECT_TRUE(Has(t, "10.00000, .stop 1"));
    // The curved block uses the 500 m variant of the brown track.
    EXPECT_TRUE(Has(plan.Output, ".rail(1) sub\\tracks\\brown500.b3d"));
    EXPECT_TRUE(Has(t, "100.00000, .railtype 0;1 , .height 0.00000"));
    EXPECT_TRUE(Has(t, "125.00000, .railtype 0;0 , .height 0.00000"));
}

TEST(ExportMainTrack, NormalisedTurnAcrossDueWest)
{
    TPlan plan;
    // Heading west and bending 2 degrees: bearings near 180 and -178.
    TVLPoint* p0 = plan.Pt(0, 0);
    TVLPoint* p1 = plan.Pt(-100, 0);
    double rad = (180 + 2) * 3.14159265358979323846 / 180;
    TVLPoint* p2 = plan.Pt(-100 + 100 * std::cos(rad), 100 * std::sin(rad));
    TVLConnection* s = plan.Track(plan.Pt(25, 0), p0);
    TVLConnection* c = plan.Track(p0, p1);
    TVLConnection* d = plan.Track(p1, p2);
    TVLStation* a = plan.Station("A", s);
    TVLStation* b = plan.Station("B", d);
    plan.Route({s, c, d});
    TVLExport_Mod w(false, plan.Services());
    plan.Wire(w, a, b);
    ASSERT_TRUE(w.Export("t", "sub", 0));
    DumpIfAsked(plan);
    // A left turn of 2 degrees: radius -716, not a 4 m hairpin.
    EXPECT_TRUE(Has(plan.TrackLines(), "100.00000, .curve -716.00000;-12.00000"));
    for (const auto& l : plan.Commands(".curve "))
        EXPECT_EQ(l.find(";4.00000"), std::string::npos) << l;
}

TEST(ExportMainTrack, SwitchPieceBackwardsAndRepeatedFill)
{
    TPlan plan;
    TVLPoint* p0 = plan.Pt(0, 0);
    TVLPoint* p1 = plan.Pt(100, 0);
    TVLPoint* p2 = plan.Pt(150, 0);
    TVLConnection* c = plan.Track(p0, p1);
    TVLConnection* sw = plan.Track(p1, p2);
    sw->TrackKind = 4;
    TVLConnection* d = plan.Track(p2, plan.Pt(250, 0));
    TVLStation* b = plan.Station("B", c);
    TVLStation* a = plan.Station("A", d);
    plan.Route({c, sw, d});
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, b);
    ASSERT_TRUE(w.Export("t", "sub", 0));
    DumpIfAsked(plan);
    // Backwards over an unreversed kind-4 piece: radius -157 * -1 * 1.
    TStrings curves = plan.Commands(".curve 157.00000;");
    EXPECT_EQ(curves.size(), 2u); // ten switch pieces, two blocks
    // The gentlest variant at least as sharp as 157 m on that side: 500 m.
    EXPECT_TRUE(Has(plan.Output, ".rail(1) sub\\tracks\\brown500.b3d"));
    // Every block position is a multiple of 25.
    for (const auto& l : plan.Commands(".railtype "))
        EXPECT_EQ(std::fmod(TrackCommandPosition(l), 25.0), 0.0) << l;
}

TEST(ExportMainTrack, StationTimesRunPastMidnight)
{
    TPlan plan;
    TVLPoint* p1 = plan.Pt(100, 0);
    TVLConnection* c = plan.Track(plan.Pt(0, 0), p1);
    TVLConnection* d = plan.Track(p1, plan.Pt(200, 0));
    TVLStation* a = plan.Station("A", c);
    TVLStation* b = plan.Station("B", d);
    plan.Route({c, d});
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, b);
    w.DepartureTime = 23 * 3600 + 59 * 60;
    ASSERT_TRUE(w.Export("t", "sub", 0));
    DumpIfAsked(plan);
    TStrings sta = plan.Commands(".Sta ");
    ASSERT_EQ(sta.size(), 2u);
    EXPECT_EQ(sta[0], "0.00000, .Sta A;23.5900;24.0000;1;-1;0;ATS;0;30;100");
    // Departed 0:00 of the next day; 90 s for the stop plus 20 pieces of 5 m
    // at 80 km/h (4.5 s, 94 s in all): the hours go on past 24, so B is
    // reached after A is left.
    EXPECT_EQ(sta[1], "100.00000, .Sta B;24.0100;24.0200;1;-1;0;ATS;0;30;100");
}

TEST(ExportMainTrack, BlockPositionsBeyond100KmStayExact)
{
    TPlan plan;
    TVLPoint* p1 = plan.Pt(100, 0);
    TVLPoint* p2 = plan.Pt(130100, 0);
    TVLConnection* c = plan.Track(plan.Pt(0, 0), p1);
    TVLConnection* m = plan.Track(p1, p2);
    TVLConnection* d = plan.Track(p2, plan.Pt(130200, 0));
    TVLStation* a = plan.Station("A", c);
    TVLStation* b = plan.Station("B", d);
    plan.Route({c, m, d});
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, b);
    ASSERT_TRUE(w.Export("t", "sub", 0));
    DumpIfAsked(plan);
    // Commands in order, with no exponent; the stop 15 m after its station.
    TStrings lines = plan.Commands(", .");
    double last = 0;
    for (const std::string& line : lines) {
        ASSERT_EQ(line.find("E"), std::string::npos) << line;
        double p = TrackCommandPosition(line);
        ASSERT_GE(p, last) << line;
        last = p;
    }
    TStrings sta = plan.Commands(".Sta B");
    ASSERT_EQ(sta.size(), 1u);
    EXPECT_EQ(sta[0].rfind("130100.00000, .Sta B;", 0), 0u) << sta[0];
}

TEST(ExportMainTrack, PolesWrittenOnceAndSwitchedOff)
{
    TPlan plan;
    TVLPoint* p1 = plan.Pt(250, 0);
    TVLConnection* c = plan.Track(plan.Pt(0, 0), p1);
    c->Pole = 1;
    TVLConnection* d = plan.Track(p1, plan.Pt(400, 0));
    TVLStation* a = plan.Station("A", c);
    TVLStation* b = plan.Station("B", d);
    plan.Route({c, d});
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, b);
    ASSERT_TRUE(w.Export("t", "sub", 0));
    DumpIfAsked(plan);
    // Start on c's last 10 m: the first block already reaches d, whose rail
    // has no poles; none ran before, so no pole end either.
    EXPECT_TRUE(plan.Commands(", .pole").empty());

    TPlan plan2;
    TVLPoint* q1 = plan2.Pt(250, 0);
    TVLConnection* e = plan2.Track(plan2.Pt(0, 0), q1);
    TVLConnection* f = plan2.Track(q1, plan2.Pt(400, 0));
    e->Pole = -2;
    TVLStation* s1 = plan2.Station("A", e);
    TVLStation* s2 = plan2.Station("B", f);
    plan2.Route({e, f});
    e->SpeedLimit = 50;
    TVLExport_Mod w2(true, plan2.Services());
    plan2.Wire(w2, s2, s1); // backwards over e: its poles on the other side
    ASSERT_TRUE(w2.Export("t", "sub", 0));
    DumpIfAsked(plan2);
    // Running west from f, the block at 125 is the first to end on e: its
    // left-hand poles (-2) are on the right of the travel direction.
    TStrings poles2 = plan2.Commands(", .pole");
    poles2.erase(std::remove_if(poles2.begin(), poles2.end(),
                                [](const std::string& l) { return l.find(" 0;") == std::string::npos &&
                                                                  l.find("poleend 0") == std::string::npos; }),
                 poles2.end());
    ASSERT_EQ(poles2.size(), 1u);
    EXPECT_EQ(poles2[0], "125.00000, .pole 0;0;-1;25;0");
    EXPECT_TRUE(Has(plan2.Output, ".pole(0;0) sub\\poles\\pole_platform.b3d"));
}

TEST(ExportMainTrack, FreeObjectsBesideTheTrack)
{
    TPlan plan;
    TVLPoint* p1 = plan.Pt(100, 0);
    TVLConnection* c = plan.Track(plan.Pt(0, 0), p1);
    TVLConnection* d = plan.Track(p1, plan.Pt(200, 0));
    TVLStation* a = plan.Station("A", c);
    TVLStation* b = plan.Station("B", d);
    plan.Route({c, d});
    auto add = [&](const char* folder, const char* file, double x, double y) {
        auto* o = new TVLObject(folder, file);
        o->X = x;
        o->Y = y;
        o->Rotation = 30;
        plan.Project.AddObject(o);
    };
    add("misc", "tree1.b3d", 120, -4);   // 4 m right of the track
    add("trains", "nothere.b3d", 140, 2); // a train on the track: left out
    add("misc", "gone.b3d", 150, 10);    // no such file: left out, reported
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, b);
    ASSERT_TRUE(w.Export("t", "sub", 0));
    DumpIfAsked(plan);
    TStrings objects = plan.Commands(".freeobj 0;");
    ASSERT_EQ(objects.size(), 1u);
    // Block at 25 starts at x = 115: 5 m along, yaw 0 - 90 - 30.
    EXPECT_EQ(objects[0], "30.00000, .freeobj 0;0;4.00000;0.00000;-120.00000");
    EXPECT_EQ(w.FreeObjCount, 1);
    EXPECT_TRUE(Has(plan.Status, "missing free object file, not placed: misc\\gone.b3d"));
    EXPECT_TRUE(Has(plan.Output, ".freeobj(0) sub\\misc\\tree1.b3d"));
}

TEST(ExportMainTrack, StartStationPlatformAndSceneryBehindTheStart)
{
    auto position = [](const TStrings& lines, const std::string& part) {
        for (const auto& l : lines)
            if (l.find(part) != std::string::npos)
                return std::strtod(l.c_str(), nullptr);
        return -1.0;
    };
    // The sample starts at Hill Road, whose platform track runs from 100 m
    // to 200 m with a cow beside it; the start piece is its 190 m to 195 m.
    {
        TPlan plan;
        ASSERT_TRUE(plan.Project.LoadFromFile(SampleProgramFolder() + "projects/hillroad.vlp"));
        TVLExport_Mod w(true, plan.Services());
        plan.Wire(w, plan.Project.Stations.Items(0), plan.Project.Stations.Items(1));
        ASSERT_TRUE(w.Export("t", "sub", 0)) << plan.Dump();
        TStrings t = plan.TrackLines();
        // Begun four blocks earlier, at 90 m on the plan.
        double start = position(t, ".Sta Hill Road;");
        EXPECT_EQ(start, 100) << plan.Dump();
        EXPECT_EQ(position(t, ".Sta Dale End;") - start, 400);
        // The train stops where the platform laid ends.
        EXPECT_TRUE(Has(t, "100.00000, .stop 0"));
        for (const char* at : {"0.00000", "25.00000", "50.00000", "75.00000"})
            EXPECT_TRUE(Has(t, std::string(at) + ", .form 0;L;1;0")) << at;
        EXPECT_TRUE(Has(plan.Output, ".freeobj(1) sub\\misc\\kuh1.b3d"));
        EXPECT_TRUE(Has(t, "60.00000, .freeobj 0;1;-30.00000;0.00000;-180.00000"));
        EXPECT_EQ(CheckRoute(plan.Output, plan.FileList, SampleProgramFolder() + "lib", "sub"), TStrings{});
    }
    // Run backwards, the platform track's last piece lies behind the start
    // piece; one block is enough, taken from the track before it. The
    // stops lie near the far ends of the tracks, x 105 and x 5.
    {
        TPlan plan;
        TVLPoint* p1 = plan.Pt(100, 0);
        TVLPoint* p2 = plan.Pt(200, 0);
        TVLConnection* c = plan.Track(plan.Pt(0, 0), p1);
        TVLConnection* d = plan.Track(p1, p2);
        TVLConnection* e = plan.Track(p2, plan.Pt(300, 0));
        d->PlatformSide = 1;
        d->PlatformId = 1;
        TVLStation* b = plan.Station("B", c);
        TVLStation* a = plan.Station("A", d);
        plan.Route({c, d, e});
        TVLExport_Mod w(true, plan.Services());
        plan.Wire(w, a, b);
        ASSERT_TRUE(w.Export("t", "sub", 0));
        TStrings t = plan.TrackLines();
        EXPECT_TRUE(Has(t, "0.00000, .form 0;L;0;0")) << plan.Dump();
        EXPECT_EQ(position(t, ".Sta A;"), 100);
        EXPECT_EQ(position(t, ".Sta B;"), 200);
        EXPECT_EQ(CheckRoute(plan.Output, plan.FileList, SampleProgramFolder() + "lib", "sub"), TStrings{});
    }
    // Without a platform or scenery behind the start the route begins at it.
    {
        TPlan plan;
        TVLPoint* p1 = plan.Pt(100, 0);
        TVLConnection* c = plan.Track(plan.Pt(0, 0), p1);
        TVLConnection* d = plan.Track(p1, plan.Pt(200, 0));
        TVLStation* a = plan.Station("A", c);
        TVLStation* b = plan.Station("B", d);
        plan.Route({c, d});
        TVLExport_Mod w(true, plan.Services());
        plan.Wire(w, a, b);
        ASSERT_TRUE(w.Export("t", "sub", 0));
        EXPECT_EQ(position(plan.TrackLines(), ".Sta A;"), 0);
    }
}

TEST(ExportOrder, ClimbingSpiralKeepsItsLaps)
{
    // 400 degrees round a centre 150 m away, in chords of 10 degrees each a
    // metre higher than the last: the upper lap's points lie on the lower
    // lap's, 36 m above them.
    constexpr double Pi = 3.14159265358979323846;
    TPlan plan;
    TVLPoint* at = plan.Pt(0, -150);
    TVLConnection* in = plan.Track(plan.Pt(-300, -150), at);
    in->PlatformSide = 1; // so the route begins on the straight
    in->PlatformId = 1;
    TVLRouteDefinition* route = plan.Route({in});
    for (int k = 1; k <= 40; ++k) {
        TVLPoint* next = plan.Pt(150 * std::sin(k * Pi / 18), -150 * std::cos(k * Pi / 18));
        TVLConnection* c = plan.Track(at, next);
        c->Height = k;
        c->TrackKind = 1;
        route->AddTrack(c->Id);
        at = next;
    }
    TVLConnection* out = plan.Track(at, plan.Pt(at->Position.X + 300 * std::cos(Pi * 2 / 9),
                                                at->Position.Y + 300 * std::sin(Pi * 2 / 9)));
    out->Height = 40;
    route->AddTrack(out->Id);
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, plan.Station("Unten", in), plan.Station("Oben", out));
    ASSERT_TRUE(w.Export("t", "sub", 0)) << plan.Dump();
    DumpIfAsked(plan);
    EXPECT_NEAR(ExportedTurn(plan), -400, 3);
}

// ---------------------------------------------------------------------------
// Stations

TEST(ExportStations, StartTakesInItsPlatformAndTrainsStandAlongPlatforms)
{
    // Track 1, Muehlental's 200 m with a left platform, wall and poles, a
    // switch at its end, track 3, two curved tracks and Bergheim's; listed
    // 1, 3, 2, 4, 5, 6. Drawn either way, the platform plain or a fixed piece.
    for (double side : {1.0, -1.0})
        for (int kind : {0, 2}) {
            SCOPED_TRACE(std::to_string(side) + " " + std::to_string(kind));
            TPlan plan;
            const double xy[7][2] = {{-500, 0}, {-300, 0}, {-100, 0}, {100, 0}, {300, 50}, {350, 150}, {350, 250}};
            TVLPoint* p[7];
            for (int i = 0; i < 7; ++i)
                p[i] = plan.Pt(side * xy[i][0], xy[i][1]);
            TVLConnection* t[6];
            for (int i = 0; i < 6; ++i)
                t[i] = side > 0 ? plan.Track(p[i], p[i + 1]) : plan.Track(p[i + 1], p[i]);
            t[1]->PlatformSide = side > 0 ? 2 : 1;
            t[1]->PlatformId = 1;
            (side > 0 ? t[1]->WallLeftId : t[1]->WallRightId) = 1;
            t[1]->Pole = static_cast<int>(-side);
            t[1]->TrackKind = static_cast<std::uint8_t>(kind);
            t[3]->TrackKind = t[4]->TrackKind = 1;
            t[5]->PlatformSide = side > 0 ? 1 : 2;
            t[5]->PlatformId = 1;
            plan.Track(p[2], plan.Pt(side * 100, -30))->TrackKind = 3;
            plan.Route({t[0], t[2], t[1], t[3], t[4], t[5]});
            plan.Project.DefaultObjects = {"stopsign=signs\\ne5.b3d"};
            TVLExport_Mod w(true, plan.Services());
            plan.Wire(w, plan.Station("M\374hlental", t[1]), plan.Station("Bergheim", t[5]));
            ASSERT_TRUE(w.Export("t", "sub", 0)) << plan.Dump();
            EXPECT_EQ(ExpectStopsAlongPlatforms(plan, w), (TStrings{"M\374hlental", "Bergheim"})) << plan.Dump();
            // The whole platform and wall from the start on: eight blocks.
            EXPECT_EQ(plan.Commands(".form 0;L;").size(), 8u);
            EXPECT_EQ(plan.Commands(".dike 0;-1;").size(), 8u);
            EXPECT_FALSE(plan.Commands(".pole 0;").empty());
            EXPECT_EQ(CheckRoute(plan.Output, plan.FileList, SampleProgramFolder() + "lib", "sub"), TStrings{});
        }
}

TEST(ExportStations, StationOnTwoTracksStopsOnceAndTheRouteRunsOnBeyond)
{
    // Beide's right-hand platform track followed by its left-hand one, A
    // before it and C after it on a straight line.
    const std::pair<const char*, const char*> runs[] = {{"A", "Beide"}, {"C", "Beide"}, {"Beide", "A"},
                                                        {"Beide", "C"}, {"A", "C"},     {"C", "A"}};
    for (auto [from, to] : runs) {
        SCOPED_TRACE(std::string(from) + " to " + to);
        TPlan plan;
        const double x[] = {-200, 0, 100, 300, 400, 500, 600, 700, 900};
        std::vector<TVLConnection*> t;
        for (TVLPoint *at = plan.Pt(x[0], 0), *next; t.size() < 8; at = next)
            t.push_back(plan.Track(at, next = plan.Pt(x[t.size() + 1], 0)));
        plan.Route({t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7]});
        t[3]->PlatformSide = 1;
        t[4]->PlatformSide = 2;
        t[3]->PlatformId = t[4]->PlatformId = 1;
        plan.Station("A", t[1]);
        plan.Station("Beide", t[3])->Lines.push_back("2=" + std::to_string(t[4]->Id));
        plan.Station("C", t[6]);
        TVLExport_Mod w(true, plan.Services());
        plan.Wire(w, plan.Project.Stations[from[0] == 'A' ? 0 : from[0] == 'B' ? 1 : 2],
                  plan.Project.Stations[to[0] == 'A' ? 0 : to[0] == 'B' ? 1 : 2]);
        ASSERT_TRUE(w.Export("t", "sub", 0)) << plan.Dump();
        bool throughBeide = from[0] != 'B' && to[0] != 'B';
        EXPECT_EQ(ExpectStopsAlongPlatforms(plan, w).size(), throughBeide ? 3u : 2u);
        EXPECT_TRUE(plan.Commands(".rail ").empty()) << plan.Dump();
        EXPECT_EQ(CheckRoute(plan.Output, plan.FileList, SampleProgramFolder() + "lib", "sub", 100), TStrings{});
    }
}

TEST(ExportStations, TwoStationsThatWouldShareAStopStopTheExport)
{
    // Nah and Fern on 12 m tracks in one 25 m block, or on one track.
    for (bool shared : {false, true}) {
        TPlan plan;
        const double x[] = {0, 100, 190, 202, 214, 400};
        std::vector<TVLConnection*> t;
        for (TVLPoint *at = plan.Pt(x[0], 0), *next; t.size() < 5; at = next)
            t.push_back(plan.Track(at, next = plan.Pt(x[t.size() + 1], 0)));
        plan.Route({t[0], t[1], t[2], t[3], t[4]});
        TVLStation* a = plan.Station("A", t[0]);
        plan.Station("Nah", t[2]);
        plan.Station("Fern", t[shared ? 2 : 3]);
        TVLExport_Mod w(true, plan.Services());
        plan.Wire(w, a, plan.Station("Z", t[4]));
        EXPECT_FALSE(w.Export("t", "sub", 0));
        std::string said = shared ? "Track 3: the stations \"Nah\" and \"Fern\" both use it, but a track can "
                                    "belong to one station only."
                                  : "Track 4: the stations \"Nah\" and \"Fern\" lie too close: their stops would "
                                    "fall into one 25 m block.";
        EXPECT_EQ(plan.Progress.Errors, TStrings{"texport_bad_value" + said});
        EXPECT_TRUE(plan.Output.empty());
    }
}

// ---------------------------------------------------------------------------
// Secondary tracks

TEST(ExportSecondary, OffsetSnapping)
{
    EXPECT_EQ(TVLExport_Mod::SnapSecondaryOffset(1.4), 0);
    EXPECT_EQ(TVLExport_Mod::SnapSecondaryOffset(-1.5), 0);
    EXPECT_EQ(TVLExport_Mod::SnapSecondaryOffset(2), 2);
    EXPECT_EQ(TVLExport_Mod::SnapSecondaryOffset(4.5), 4);
    EXPECT_EQ(TVLExport_Mod::SnapSecondaryOffset(-3), -4);
    EXPECT_EQ(TVLExport_Mod::SnapSecondaryOffset(5.01), 5.01);
}

namespace {

// A main line from x = 0 to 400 and N sidings beside it, each 2 m further
// out, all overlapping.
struct TParallelPlan : TPlan {
    TVLStation* A = nullptr;
    TVLStation* B = nullptr;
    explicit TParallelPlan(int sidings)
    {
        TVLPoint* p1 = Pt(200, 0);
        TVLConnection* c = Track(Pt(0, 0), p1);
        TVLConnection* d = Track(p1, Pt(400, 0));
        A = Station("A", c);
        B = Station("B", d);
        Route({c, d});
        for (int i = 0; i < sidings; ++i)
            Track(Pt(160, -2.0 * (i + 1)), Pt(400, -2.0 * (i + 1)));
    }
};

} // namespace

TEST(ExportSecondary, OverlappingTracksTakeDifferentRails)
{
    TParallelPlan plan(3);
    TVLExport_Mod w(false, plan.Services());
    plan.Wire(w, plan.A, plan.B);
    ASSERT_TRUE(w.Export("t", "sub", 0));
    DumpIfAsked(plan);
    EXPECT_EQ(w.OverrunCount, 0);
    for (int rail = 1; rail <= 3; ++rail) {
        std::string prefix = "25.00000, .rail " + std::to_string(rail) + ";";
        EXPECT_TRUE(Has(plan.TrackLines(), prefix + FloatToStrDot(2.0 * rail) + ";0.00000;0    ;id=0")) << rail;
        EXPECT_TRUE(Has(plan.TrackLines(), "225.00000, .railend " + std::to_string(rail) + ";" +
                                               FloatToStrDot(2.0 * rail)));
    }
    EXPECT_TRUE(plan.Commands(".rail 4;").empty());
    // Each ends one block after its last rail command.
    EXPECT_EQ(plan.Commands(".railend ").size(), 3u);
}

TEST(ExportSecondary, SixteenthOverlappingTrackCountsAnOverrun)
{
    TParallelPlan plan(16);
    TVLExport_Mod w(false, plan.Services());
    plan.Wire(w, plan.A, plan.B);
    ASSERT_TRUE(w.Export("t", "sub", 0));
    DumpIfAsked(plan);
    EXPECT_GE(w.OverrunCount, 1);
    EXPECT_TRUE(Has(plan.Status, "secondary track overruns: " + std::to_string(w.OverrunCount)));
    // Rail numbers stay within 1..15.
    int railCommands = 0;
    for (const auto& l : plan.TrackLines()) {
        std::size_t at = l.find(", .rail");
        if (at == std::string::npos || l.find(", .railtype") != std::string::npos)
            continue;
        std::size_t blank = l.find(' ', at + 2);
        int rail = std::stoi(l.substr(blank + 1));
        EXPECT_GE(rail, 1) << l;
        EXPECT_LE(rail, 15) << l;
        ++railCommands;
    }
    EXPECT_GT(railCommands, 16);
}

TEST(ExportSecondary, RingOfSecondaryTracksEnds)
{
    TPlan plan;
    TVLPoint* p1 = plan.Pt(200, 0);
    TVLConnection* c = plan.Track(plan.Pt(0, 0), p1);
    TVLConnection* d = plan.Track(p1, plan.Pt(400, 0));
    TVLStation* a = plan.Station("A", c);
    TVLStation* b = plan.Station("B", d);
    plan.Route({c, d});
    // A closed loop south of the line, not part of the route.
    TVLPoint* q[4] = {plan.Pt(100, -10), plan.Pt(300, -10), plan.Pt(300, -60), plan.Pt(100, -60)};
    for (int i = 0; i < 4; ++i)
        plan.Track(q[i], q[(i + 1) % 4]);
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, b);
    ASSERT_TRUE(w.Export("t", "sub", 0));
    DumpIfAsked(plan);
    EXPECT_FALSE(plan.Commands(".rail 1;").empty());
}

TEST(ExportSecondary, SidingEndSnapsToNeighbourRail)
{
    TPlan plan;
    TVLExport_Mod w(false, plan.Services());
    (void)w;
    TParallelPlan two(2);
    TVLExport_Mod w2(false, two.Services());
    two.Wire(w2, two.A, two.B);
    ASSERT_TRUE(w2.Export("t", "sub", 0));
    DumpIfAsked(two);
    // Offsets 2 and 4 are 2 m apart: the second track's end takes the
    // first one's offset only where that one has a rail command there.
    TStrings ends = two.Commands(".railend ");
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_EQ(TrackCommandPosition(ends[0]), TrackCommandPosition(ends[1]));
}

// ---------------------------------------------------------------------------
// Sections, registries, files, credits

TEST(ExportSections, RegistriesIndexInOrderOfUse)
{
    TPlan plan;
    TVLExport_Mod w(true, plan.Services());
    EXPECT_EQ(w.GroundIndex(3), 0);
    EXPECT_EQ(w.GroundIndex(1), 1);
    EXPECT_EQ(w.GroundIndex(3), 0);
    EXPECT_EQ(w.GroundFiles.Entries, (TStrings{"meadow.b3d", "grass.b3d"}));
    EXPECT_EQ(w.FreeObjIndex("misc", "tree1.b3d"), 0);
    EXPECT_EQ(w.FreeObjIndex("MISC", "Tree1.B3D"), 0);
    EXPECT_EQ(w.FreeObjIndex("misc", "tree2.b3d"), 1);
    // An id the catalog lacks registers the empty name.
    EXPECT_EQ(w.WallIndex(999), 0);
    EXPECT_EQ(w.WallFiles.Entries, TStrings{""});
}

TEST(ExportSections, StructureStartRegistersRoofZeroAndStopSign)
{
    TPlan plan;
    plan.Project.DefaultObjects = {"stopsign=signs\\ne5.b3d"};
    TVLExport_Mod w(true, plan.Services());
    w.Project = &plan.Project;
    TStrings lines;
    w.WriteStructureStart(lines);
    EXPECT_EQ(lines, (TStrings{"with Structure", "###objectdef_placeholder###", ""}));
    EXPECT_EQ(w.StopSignIndex, 0);
    EXPECT_EQ(w.FreeObjFiles.Entries, TStrings{"signs|ne5.b3d"});
    EXPECT_EQ(w.RoofFiles.Entries, TStrings{""});

    plan.Project.DefaultObjects = {"stopsign=signs\\missing.b3d"};
    TVLExport_Mod w2(true, plan.Services());
    w2.Project = &plan.Project;
    w2.Status = &plan.Status;
    lines.clear();
    w2.WriteStructureStart(lines);
    EXPECT_EQ(w2.StopSignIndex, -1);
}

TEST(ExportSections, HeaderKeepsCommandsOnOneLine)
{
    TPlan plan;
    TVLPoint* p1 = plan.Pt(100, 0);
    TVLConnection* c = plan.Track(plan.Pt(0, 0), p1);
    TVLConnection* d = plan.Track(p1, plan.Pt(200, 0));
    TVLStation* a = plan.Station("Hill, Road", c);
    TVLStation* b = plan.Station("B", d);
    plan.Route({c, d}, "North, line");
    plan.Project.Description = "first\r\nsecond";
    plan.Project.Author = "Me";
    plan.Project.Gauge = 1000;
    plan.Project.DeveloperId = 12;
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, b);
    ASSERT_TRUE(w.Export("mytrain", "sub", 0));
    DumpIfAsked(plan);
    const TStrings& o = plan.Output;
    ASSERT_GE(o.size(), 12u);
    EXPECT_EQ(o[0], ";made with Velkast 1.0 (2003-04-21) - visit http://velkast.example/");
    EXPECT_EQ(o[1], "with Route");
    EXPECT_EQ(o[2], ".Comment \"ID1: North$chr(44) line\"$chr(13)$chr(10)first$chr(13)$chr(10)second"
                    "$chr(13)$chr(10)Created by Me$chr(13)$chr(10)-----------------------$chr(13)$chr(10)"
                    "Made with Velkast");
    EXPECT_EQ(o[3], ".Timetable ID1: North$chr(44) line");
    EXPECT_EQ(o[4], ".Change 0");
    EXPECT_EQ(o[5], ".Gauge 1000");
    EXPECT_EQ(o[6], ".DeveloperId 12");
    EXPECT_EQ(o[7], "");
    EXPECT_EQ(o[8], "with Train");
    EXPECT_EQ(o[9], ".Folder mytrain");
    EXPECT_EQ(o[10], ".Run(0) 0");
    EXPECT_EQ(o[11], "");
    EXPECT_EQ(o[12], "with Structure");
    EXPECT_EQ(plan.Commands(".Sta Hill$chr(44) Road;").size(), 1u);
    for (const auto& l : o)
        EXPECT_EQ(l.find_first_of("\r\n"), std::string::npos);
}

TEST(ExportSections, FileListTexturesAndCredits)
{
    TPlan plan;
    TVLExport_Mod w(true, plan.Services());
    w.FileList = &plan.FileList;
    w.AddObjectFiles("signs", "ne5.b3d");
    w.AddObjectFiles("SIGNS", "NE5.B3D");
    w.AddObjectFiles("misc", "tree1.b3d");
    EXPECT_EQ(plan.FileList, (TStrings{"signs\\ne5.b3d", "signs\\ne5.bmp", "misc\\tree1.b3d"}));
    w.AddCredit("zed");
    w.AddCredit("Anna");
    w.AddCredit("anna");
    w.AddCredit("bob");
    EXPECT_EQ(w.Credits, (TStrings{"Anna", "bob", "zed"}));
}

TEST(ExportSections, ProgressStaysInRange)
{
    TParallelPlan plan(2);
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, plan.A, plan.B);
    std::vector<std::size_t> drawn;
    w.OnRouteProgress = [&](const TVLExport_Mod::TConnections& list) { drawn.push_back(list.size()); };
    ASSERT_TRUE(w.Export("t", "sub", 0));
    DumpIfAsked(plan);
    // The main route, then each siding that was written.
    EXPECT_EQ(drawn, (std::vector<std::size_t>{42u, 48u, 48u}));
    ASSERT_FALSE(plan.Progress.Values.empty());
    for (int v : plan.Progress.Values)
        EXPECT_TRUE(v >= 0 && v <= 100) << v;
    for (int v : plan.Progress.Values2)
        EXPECT_TRUE(v >= 0 && v <= 100) << v;
    EXPECT_EQ(plan.Progress.Values.back(), 100);
    EXPECT_EQ(plan.Status.back(), "Completed.");
}

TEST(ExportOrder, NoOverrunEndsAtTheDestination)
{
    TPlan plan;
    TVLPoint* p1 = plan.Pt(100, 0);
    TVLPoint* p2 = plan.Pt(200, 0);
    TVLConnection* c = plan.Track(plan.Pt(0, 0), p1);
    TVLConnection* d = plan.Track(p1, p2);
    TVLConnection* e = plan.Track(p2, plan.Pt(300, 0));
    TVLStation* a = plan.Station("A", c);
    TVLStation* b = plan.Station("B", d);
    plan.Route({c, d, e});
    plan.Settings.DistanceBeyondLastValue = 4;
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, b);
    ASSERT_TRUE(w.Export("t", "sub", 0));
    EXPECT_TRUE(w.DestinationReached);
    EXPECT_EQ(w.Route.size(), 21u); // c's pieces 18 and 19, d's 0 to 18
    EXPECT_EQ(w.Route.back()->Id, d->Id);
}

TEST(ExportSecondary, RailLaidAtZeroIsEnded)
{
    TPlan plan;
    TVLPoint* p1 = plan.Pt(100, 0);
    TVLConnection* c = plan.Track(plan.Pt(0, 0), p1);
    TVLConnection* d = plan.Track(p1, plan.Pt(200, 0));
    TVLStation* a = plan.Station("A", c);
    TVLStation* b = plan.Station("B", d);
    plan.Route({c, d});
    // A short track beside the start only: it meets the main track at 0.
    plan.Track(plan.Pt(88, -4), plan.Pt(92, -4));
    TVLExport_Mod w(false, plan.Services());
    plan.Wire(w, a, b);
    ASSERT_TRUE(w.Export("t", "sub", 0));
    DumpIfAsked(plan);
    EXPECT_TRUE(Has(plan.TrackLines(), "0.00000, .rail 1;4.00000;0.00000;0, ;id=3"));
    EXPECT_TRUE(Has(plan.TrackLines(), "25.00000, .railend 1;4.00000"));
}

TEST(ExportOrder, UnreachableDestinationExportsBackwardChain)
{
    TPlan plan;
    TVLConnection* c = plan.Track(plan.Pt(0, 0), plan.Pt(100, 0));
    TVLConnection* d = plan.Track(plan.Pt(110, 0), plan.Pt(200, 0)); // not joined
    TVLStation* a = plan.Station("A", c);
    TVLStation* b = plan.Station("B", d);
    plan.Route({c, d});
    TVLExport_Mod w(true, plan.Services());
    plan.Wire(w, a, b);
    // The route is written as far as it goes, but the export has failed.
    EXPECT_FALSE(w.Export("t", "sub", 0));
    EXPECT_FALSE(w.DestinationReached);
    EXPECT_EQ(plan.Progress.Errors, TStrings{"texport_incomplete"});
    EXPECT_EQ(w.Route.size(), 19u);
    EXPECT_EQ(w.StartIndex, 18);
    EXPECT_EQ(plan.Commands(".Sta ").size(), 1u);
    EXPECT_EQ(plan.Commands(".railtype ").size(), 4u);
}
