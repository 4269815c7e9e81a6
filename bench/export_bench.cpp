// The route export of a gently winding main line of 25, 50 and 100 km, drawn
// as 500 m tracks, with a secondary track 4 m to its right over its whole
// length, poles on every third track and platforms at both ends. The cost
// should double with the length: each secondary piece is measured against
// the main pieces near it only.

#include "export/vlexport.h"
#include "model/vlproject.h"
#include "platform/paths.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr double TrackLength = 500;

TVLPoint* AddPoint(TVLProject& p, double x, double y)
{
    auto* point = new TVLPoint(MakeWorldPoint(x, y));
    p.AddPoint(point);
    return point;
}

TVLConnection* AddTrack(TVLProject& p, TVLPoint* a, TVLPoint* b, int speed)
{
    auto* c = new TVLConnection(a, b);
    c->SpeedLimit = speed;
    p.AddConnection(c);
    return c;
}

void Generate(TVLProject& p, int km)
{
    const int tracks = static_cast<int>(km * 1000 / TrackLength);
    std::vector<TWorldPoint> line{MakeWorldPoint(0, 0)};
    double heading = 0;
    for (int i = 0; i < tracks; ++i) {
        heading += 0.02 * std::sin(i * 0.37);
        const TWorldPoint& at = line.back();
        line.push_back(MakeWorldPoint(at.X + TrackLength * std::cos(heading), at.Y + TrackLength * std::sin(heading)));
    }
    auto* route = new TVLRouteDefinition;
    route->Id = 1;
    route->Name = "Main";
    p.RouteDefinitions.Add(route);
    TVLPoint* previous = nullptr;
    std::vector<TVLConnection*> main;
    for (const TWorldPoint& at : line) {
        TVLPoint* point = AddPoint(p, at.X, at.Y);
        if (previous) {
            TVLConnection* c = AddTrack(p, previous, point, 120);
            c->Pole = main.size() % 3 == 0 ? 1 : 0;
            route->AddTrack(c->Id);
            main.push_back(c);
        }
        previous = point;
    }
    // The secondary track: 4 m to the right of the main line's points.
    previous = nullptr;
    for (std::size_t i = 0; i < line.size(); ++i) {
        std::size_t from = i == 0 ? 0 : i - 1, to = std::min(i + 1, line.size() - 1);
        double dx = line[to].X - line[from].X, dy = line[to].Y - line[from].Y, l = std::hypot(dx, dy);
        TVLPoint* point = AddPoint(p, line[i].X + 4 * dy / l, line[i].Y - 4 * dx / l);
        if (previous)
            AddTrack(p, previous, point, 60)->TrackKind = i % 5 == 3 ? 1 : 0;
        previous = point;
    }
    for (TVLConnection* c : {main.front(), main[main.size() - 2]}) {
        c->PlatformSide = 1;
        c->PlatformId = 1;
    }
    for (auto [name, c] : {std::pair{"A", main.front()}, {"B", main[main.size() - 2]}}) {
        auto* s = new TVLStation(name);
        s->Lines = {"1=" + std::to_string(c->Id)};
        p.Stations.Add(s);
    }
}

void BM_ExportWithSecondaryTrack(benchmark::State& state)
{
    const int km = static_cast<int>(state.range(0));
    TVLProject project;
    Generate(project, km);
    TExportServices services;
    services.ProgramFolder = std::string(VELKAST_SOURCE_DIR) + "/sample/program/";
    std::size_t lines = 0;
    for (auto _ : state) {
        TVLExport_Mod writer(true, services);
        TStrings output;
        writer.Project = &project;
        writer.Output = &output;
        writer.StartStation = project.Stations[0];
        writer.DestStation = project.Stations[1];
        if (!writer.Export("train", "bench", 0))
            state.SkipWithError("the export stopped");
        lines = output.size();
    }
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["km"] = km;
}

} // namespace

BENCHMARK(BM_ExportWithSecondaryTrack)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);
