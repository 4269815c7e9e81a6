// Whole exports of larger generated plans, read back the way a simulator
// reads them: every index defined, every file present, rails 1..15 started
// and ended, stops after their stations, positions in order.

#include "tests/export/exportplan.h"
#include "tests/export/vlexport_tool/routecheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

constexpr double Pi = 3.14159265358979323846;

// A winding main line with stations, curved and switch pieces, sidings that
// leave and rejoin it, a loop of secondary track and scenery beside it.
struct TGeneratedPlan : TPlan {
    std::vector<TVLStation*> StationList;
    std::vector<TVLConnection*> Main;

    explicit TGeneratedPlan(unsigned seed, int segments)
    {
        std::mt19937 rng(seed);
        auto uni = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
        auto pick = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };

        double heading = uni(-Pi, Pi);
        TVLPoint* at = Pt(0, 0);
        auto rd = new TVLRouteDefinition();
        rd->Id = 1;
        rd->Name = "Generated";
        Project.RouteDefinitions.Add(rd);
        for (int i = 0; i < segments; ++i) {
            double length = uni(20, 160);
            heading += uni(-0.08, 0.08);
            TVLPoint* next = Pt(at->Position.X + length * std::cos(heading), at->Position.Y + length * std::sin(heading));
            TVLConnection* c = Track(at, next, pick(4, 12) * 10);
            c->TrackType = pick(0, 8);
            c->TrackKind = static_cast<std::uint8_t>(pick(0, 9) < 6 ? pick(0, 1) : pick(2, 6));
            c->GroundId = pick(1, 5);
            c->BackgroundId = pick(1, 5);
            c->Height = uni(-2, 2);
            c->Fog = pick(0, 3) == 0 ? pick(50, 200) : 0;
            if (pick(0, 3) == 0)
                c->Pole = pick(1, 5) * (pick(0, 1) ? 1 : -1);
            if (pick(0, 4) == 0) {
                c->WallLeftId = pick(0, 5);
                c->WallRightId = pick(0, 5);
            }
            if (pick(0, 5) == 0)
                c->WaveFile = pick(0, 1) ? "bell.wav" : "chime.wav";
            rd->AddTrack(c->Id);
            Main.push_back(c);
            if (i % 4 == 1) {
                c->PlatformSide = pick(1, 2);
                c->PlatformId = pick(1, 5);
                c->RoofId = pick(0, 5);
                c->TrackKind = 0;
                StationList.push_back(Station("Station " + std::to_string(i), c));
            }
            // A siding to either side: leaves at this point, runs beside the
            // next stretch of line and sometimes comes back.
            if (i % 3 == 0 && i + 1 < segments) {
                double side = pick(0, 1) ? 1 : -1;
                double off = uni(3.5, 6) * side;
                double nx = -std::sin(heading), ny = std::cos(heading);
                TVLPoint* a = Pt(at->Position.X + 25 * std::cos(heading) + off * nx,
                                 at->Position.Y + 25 * std::sin(heading) + off * ny);
                TVLConnection* sw = Track(at, a, 40);
                sw->TrackKind = static_cast<std::uint8_t>(pick(2, 6));
                double run = uni(30, 200);
                TVLPoint* b = Pt(a->Position.X + run * std::cos(heading), a->Position.Y + run * std::sin(heading));
                TVLConnection* s = Track(a, b, 40);
                s->PlatformSide = pick(0, 2);
                s->PlatformId = pick(1, 5);
                s->WallRightId = pick(0, 2);
                s->Pole = pick(-2, 2);
            }
            if (pick(0, 3) == 0) {
                auto* o = new TVLObject(pick(0, 1) ? "misc" : "signs", pick(0, 1) ? "tree1.b3d" : "ne5.b3d");
                o->X = at->Position.X + uni(-60, 60);
                o->Y = at->Position.Y + uni(-60, 60);
                o->Rotation = pick(0, 359);
                Project.AddObject(o);
            }
            at = next;
        }
        // A loop of track nowhere near the route's ends.
        TVLPoint* q[4] = {Pt(40, 30), Pt(140, 30), Pt(140, 90), Pt(40, 90)};
        for (int i = 0; i < 4; ++i)
            Track(q[i], q[(i + 1) % 4], 30);
        Project.DefaultObjects = {"stopsign=signs\\ne5.b3d"};
    }
};

void ExportAndCheck(TGeneratedPlan& plan, TVLStation* start, TVLStation* dest, bool smoothing)
{
    TVLExport_Mod w(smoothing, plan.Services());
    plan.Wire(w, start, dest);
    ASSERT_TRUE(w.Export("train", "gen", 0)) << w.StopMessageKey;
    DumpIfAsked(plan);
    EXPECT_TRUE(w.DestinationReached);
    ExpectStopsAlongPlatforms(plan, w);
    std::vector<std::string> problems = CheckRoute(plan.Output, plan.FileList, SampleProgramFolder() + "lib", "gen");
    for (std::size_t i = 0; i < problems.size() && i < 20; ++i)
        ADD_FAILURE() << problems[i];
    EXPECT_TRUE(problems.empty()) << problems.size() << " problems";
}

} // namespace

TEST(RouteCheck, GeneratedRoutesForwardAndBackward)
{
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TGeneratedPlan plan(seed, 24);
        ASSERT_GE(plan.StationList.size(), 4u);
        ExportAndCheck(plan, plan.StationList.front(), plan.StationList.back(), true);
        TGeneratedPlan back(seed, 24);
        ExportAndCheck(back, back.StationList.back(), back.StationList[1], seed % 2 == 0);
    }
}

// More seeds on request (VLSEEDS=n), for a longer hunt than the suite's.
TEST(RouteCheck, ManySeedsOnRequest)
{
    const char* env = std::getenv("VLSEEDS");
    int n = env ? std::atoi(env) : 0;
    if (const char* big = std::getenv("VLBIG")) {
        TGeneratedPlan plan(7, std::atoi(big));
        ExportAndCheck(plan, plan.StationList.front(), plan.StationList.back(), true);
        std::printf("%zu lines\n", plan.Output.size());
    }
    for (int seed = 100; seed < 100 + n; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TGeneratedPlan plan(static_cast<unsigned>(seed), 40);
        plan.Settings.CurvedSecondaryValue = seed % 3 == 0;
        std::size_t k = plan.StationList.size();
        ExportAndCheck(plan, plan.StationList[seed % k], plan.StationList[(seed * 7 + 1) % k == seed % k ? (seed + 1) % k : (seed * 7 + 1) % k], seed % 2 == 0);
    }
}

TEST(RouteCheck, CurvedSecondaryTracks)
{
    TGeneratedPlan plan(11, 30);
    plan.Settings.CurvedSecondaryValue = true;
    plan.Settings.DistanceBeyondLastValue = 0;
    ExportAndCheck(plan, plan.StationList[1], plan.StationList[5], true);
}

TEST(RouteCheck, CheckerFindsFaults)
{
    TStrings route = {"with Structure", ".rail(0) gen\\tracks\\brown.b3d", ".freeobj(0) gen\\misc\\nothere.b3d",
                      "", "with Track", "0.00000, .railtype 0;1 , .height 0.00000", "10.00000, .rail 16;1;0;0",
                      "5.00000, .stop 1", "20.00000, .Sta X;25.00000;9.00000;1;-1;0;ATS;0;30;100",
                      "-5.00000, .wall 2;-1;0", "30.00000, .rail 3;0;0;0;id=14, ;id=14", "30.00000, .back Preis $",
                      "40.00000, .Sta Y;9.01;9.02;1;-1;0;ATS;0;30;100", "55.00000, .stop 0",
                      "75.00000, .railtype 0;0 , .height 0.00000", "80.00000, .Sta Z;9.03;9.04;1;-1;0;ATS;0;30;100"};
    TStrings files = {"tracks\\brown.b3d", "misc\\nothere.b3d"};
    std::vector<std::string> problems = CheckRoute(route, files, SampleProgramFolder() + "lib", "gen", 100);
    auto has = [&](const std::string& start) {
        for (const auto& p : problems)
            if (p.rfind(start, 0) == 0)
                return true;
        return false;
    };
    EXPECT_TRUE(has("listed file not in the object library"));
    EXPECT_TRUE(has("file not in the object library"));
    EXPECT_TRUE(has("undefined rail index 1"));
    EXPECT_TRUE(has("secondary rail outside 1..15"));
    EXPECT_TRUE(has("position out of order"));
    EXPECT_TRUE(has("stop before its station"));
    EXPECT_TRUE(has("bad station time"));
    EXPECT_TRUE(has("negative position"));
    EXPECT_TRUE(has("rail 2 not running here"));
    EXPECT_TRUE(has("undefined wallL index 0"));
    EXPECT_TRUE(has("last station has no stop"));
    EXPECT_TRUE(has("station without a stop: 40.00000, .Sta Y;"));
    EXPECT_TRUE(has("track ends 45.00000 m after the last stop, not 100.00000 m"));
    EXPECT_TRUE(has("bad rail: 30.00000, .rail 3"));
    EXPECT_TRUE(has("unsupported directive $"));
}

TEST(RouteCheck, StationNamesDoorsAndSidingIdsReadBackAsThePlanMeansThem)
{
    // Platforms right, left and none; ";" cannot pass the simulator's argument
    // split and becomes a comma. A station on the siding puts its track's id
    // on a secondary rail.
    const std::vector<std::string> names = {"Nord;S\374d", "Preis $Chr(36)", "A, B (C)"};
    for (int a : {1, -1}) {
        TPlan plan;
        TVLRouteDefinition* route = plan.Route({});
        std::vector<TVLStation*> stops;
        for (int i = 0; i < 3; ++i) {
            TVLConnection* c = plan.Track(plan.Pt(100.0 * i, 0), plan.Pt(100.0 * (i + 1), 0));
            c->PlatformSide = i < 2 ? i + 1 : 0;
            c->PlatformId = 1;
            route->AddTrack(c->Id);
            stops.push_back(plan.Station(names[i], c));
        }
        TVLConnection* siding = plan.Track(plan.Pt(77, -4), plan.Pt(182, -4));
        plan.Station("Siding", siding);
        TVLExport_Mod w(false, plan.Services());
        plan.Wire(w, a > 0 ? stops.front() : stops.back(), a > 0 ? stops.back() : stops.front());
        ASSERT_TRUE(w.Export("t", "sub", 0));
        DumpIfAsked(plan);
        EXPECT_EQ(CheckRoute(plan.Output, plan.FileList, SampleProgramFolder() + "lib", "sub"), TStrings{});
        std::string read;
        for (const auto& l : plan.Commands(".Sta ")) {
            std::string args = ExpandRouteText(l.substr(l.find(".Sta ") + 5));
            read += GetToken(args, ";", 1) + "|" + GetToken(args, ";", 5) + "|" + GetToken(args, ";", 11) + " ";
        }
        EXPECT_EQ(read, a > 0 ? "Nord,S\374d|1| Preis $Chr(36)|-1| A, B (C)|-1| "
                              : "A, B (C)|-1| Preis $Chr(36)|1| Nord,S\374d|-1| ");
        EXPECT_TRUE(a < 0 || !plan.Commands(", ;id=" + std::to_string(siding->Id)).empty()) << plan.Dump();
    }
}
