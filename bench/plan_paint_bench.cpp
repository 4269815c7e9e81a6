// Painting the plan through TFrmEditor::PBCursorPaint onto a 1600 x 1000
// offscreen picture. The plans are rows of 1,000 straight tracks 5.123 m long,
// 12.75 m apart, every seventh track curved, one route definition over every
// other row, a station every 500 tracks and a free object every 100 tracks.
// At 10 px/m about 250 tracks are in view, at 1 px/m about a third of the
// plan (a quarter for 100,000 tracks); the cost should follow what is in
// view, not the size of the plan.

#include "editor/frmeditor.h"
#include "model/currentsituation.h"
#include "model/vlproject.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int RowTracks = 1000;
constexpr double TrackLength = 5.123;
constexpr double RowSpacing = 12.75;

void Generate(TVLProject& p, int tracks)
{
    const int rows = std::max(1, tracks / RowTracks);
    p.Points.Reserve(rows * (RowTracks + 1));
    p.Connections.Reserve(rows * RowTracks);
    auto* route = new TVLRouteDefinition;
    route->Id = 1;
    route->Name = "Main";
    TStrings routeIds;
    int pointId = 0;
    int trackId = 0;
    for (int r = 0; r < rows; ++r) {
        TVLPoint* previous = nullptr;
        for (int k = 0; k <= RowTracks; ++k) {
            auto* point = new TVLPoint(MakeWorldPoint(k * TrackLength, r * RowSpacing));
            point->Id = ++pointId;
            p.Points.Add(point);
            if (previous) {
                auto* c = new TVLConnection(previous, point);
                c->Id = ++trackId;
                c->SpeedLimit = 80;
                c->TrackKind = trackId % 7 == 0 ? 1 : 0;
                if (trackId % 500 == 0) {
                    auto* s = new TVLStation("Station " + std::to_string(trackId));
                    s->Lines = {"1=" + std::to_string(trackId)};
                    p.Stations.Add(s);
                    c->PlatformSide = 1;
                    c->PlatformId = 1;
                }
                if (trackId % 100 == 0) {
                    auto* o = new TVLObject("misc", "absent.b3d");
                    o->MinX = -2;
                    o->MaxX = 2;
                    o->MinZ = -3;
                    o->MaxZ = 3;
                    o->X = k * TrackLength;
                    o->Y = r * RowSpacing + 6;
                    o->Rotation = 30;
                    p.FreeObjects.Add(o);
                }
                if (r % 2 == 0)
                    routeIds.push_back(std::to_string(trackId));
                p.Connections.Add(c);
            }
            previous = point;
        }
    }
    route->SetLines(std::move(routeIds));
    p.RouteDefinitions.Add(route);
    p.NextTrackId = trackId + 1;
}

struct TPlanBench {
    explicit TPlanBench(int tracks, double scale)
    {
        Frame.SetProject(std::make_unique<TVLProject>());
        Generate(*Frame.Project, tracks);
        const int rows = std::max(1, tracks / RowTracks);
        CurrentSituation = TCurrentSituation();
        CurrentSituation.CurrentRouteDefinition = Frame.Project->RouteDefinitions.First();
        CurrentSituation.ViewCentre = MakeWorldPoint(RowTracks * TrackLength / 2, (rows - 1) * RowSpacing / 2);
        CurrentSituation.Cursor = CurrentSituation.ViewCentre;
        CurrentSituation.Scale = scale;
        Frame.PBCursor->resize(1600, 1000);
    }
    ~TPlanBench()
    {
        Frame.CloseProject();
        CurrentSituation = TCurrentSituation();
    }
    void Paint()
    {
        Image.fill(PlanColours::Background);
        QPainter painter(&Image);
        Frame.PBCursorPaint(painter);
    }

    TFrmEditor Frame;
    QImage Image{1600, 1000, QImage::Format_RGB32};
};

double Minimum(const std::vector<double>& v)
{
    return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end());
}

// One paint of the unchanged plan (the index, if any, already built).
void BM_PlanPaint(benchmark::State& state)
{
    TPlanBench bench(static_cast<int>(state.range(0)), static_cast<double>(state.range(1)));
    bench.Paint();
    for (auto _ : state)
        bench.Paint();
    state.counters["tracks"] = static_cast<double>(state.range(0));
    state.counters["px_per_m"] = static_cast<double>(state.range(1));
}
BENCHMARK(BM_PlanPaint)
    ->ArgsProduct({{10000, 20000, 40000, 100000}, {1, 10}})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("min", Minimum);

// One paint after a point of the plan was moved (the edit that costs most
// when the frame keeps anything about the plan between paints).
void BM_PlanPaintAfterEdit(benchmark::State& state)
{
    TPlanBench bench(static_cast<int>(state.range(0)), 10.0);
    TVLPoint* point = bench.Frame.Project->Points[bench.Frame.Project->Points.Count() / 2];
    bench.Paint();
    double step = 0.25;
    for (auto _ : state) {
        point->MoveBy(step, 0.0);
        step = -step;
        bench.Frame.RefreshEditor();
        bench.Paint();
    }
}
BENCHMARK(BM_PlanPaintAfterEdit)->Arg(40000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
