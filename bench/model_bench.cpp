// Project file load and save on generated plans of 20,000 and 40,000 points
// and as many connections: the cost per item should stay flat as the plan
// doubles.

#include "model/vlproject.h"
#include "platform/textlines.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A winding double track with a station every 500 points, one route
// definition over every track, and a free object every 100 points.
void Generate(TVLProject& p, int n)
{
    p.ProjectName = "Generated";
    p.Points.Reserve(n);
    p.Connections.Reserve(n);
    for (int i = 0; i < n; ++i) {
        auto* pt = new TVLPoint({i * 5.123, (i % 2 ? 4.5 : 0.0) + (i / 1000) * 12.75});
        pt->Id = i + 1;
        p.Points.Add(pt);
    }
    auto* route = new TVLRouteDefinition;
    route->Id = 1;
    route->Name = "Main";
    TStrings ids;
    for (int i = 0; i < n; ++i) {
        auto* c = new TVLConnection(p.Points[i], p.Points[(i + 2) % n]);
        c->Id = i + 1;
        c->SpeedLimit = 80;
        c->Height = (i % 7) * 0.25;
        c->TrackKind = static_cast<std::uint8_t>(i % 2);
        p.Connections.Add(c);
        ids.push_back(std::to_string(i + 1));
    }
    route->SetLines(std::move(ids));
    p.RouteDefinitions.Add(route);
    for (int i = 0; i < n; i += 500) {
        auto* s = new TVLStation("Station " + std::to_string(i));
        s->Lines = {"1=" + std::to_string(i + 1)};
        p.Stations.Add(s);
    }
    for (int i = 0; i < n; i += 100) {
        auto* o = new TVLObject("misc", "absent.b3d");
        o->X = i * 5.0;
        o->Y = 10;
        p.FreeObjects.Add(o);
    }
}

std::string BenchFile(int n)
{
    return (fs::temp_directory_path() / ("vl_bench_" + std::to_string(::getpid()) + "_" + std::to_string(n) + ".vlp"))
        .string();
}

void BM_SaveProject(benchmark::State& state)
{
    int n = static_cast<int>(state.range(0));
    TVLProject p;
    Generate(p, n);
    std::string file = BenchFile(n);
    for (auto _ : state) {
        if (!p.SaveToFile(file))
            state.SkipWithError("save failed");
    }
    state.SetItemsProcessed(state.iterations() * 2 * n);
    fs::remove(file);
}

void BM_LoadProject(benchmark::State& state)
{
    int n = static_cast<int>(state.range(0));
    std::string file = BenchFile(n);
    {
        TVLProject p;
        Generate(p, n);
        if (!p.SaveToFile(file)) {
            state.SkipWithError("save failed");
            return;
        }
    }
    for (auto _ : state) {
        TVLProject q;
        if (!q.LoadFromFile(file) || q.Connections.Count() != n)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(q.Points.Count());
    }
    state.SetItemsProcessed(state.iterations() * 2 * n);
    fs::remove(file);
}

void BM_SaveToLines(benchmark::State& state)
{
    int n = static_cast<int>(state.range(0));
    TVLProject p;
    Generate(p, n);
    for (auto _ : state)
        benchmark::DoNotOptimize(p.SaveToLines());
    state.SetItemsProcessed(state.iterations() * 2 * n);
}

void BM_ValidateAndLookups(benchmark::State& state)
{
    int n = static_cast<int>(state.range(0));
    TVLProject p;
    Generate(p, n);
    for (auto _ : state) {
        p.Validate();
        int hits = 0;
        for (const TVLConnection* c : p.Connections)
            hits += p.IsInRoute(c, 1) ? 1 : 0;
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

} // namespace

BENCHMARK(BM_SaveProject)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadProject)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveToLines)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ValidateAndLookups)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
