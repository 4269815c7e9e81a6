// The mini map's background pictures: creating the default new picture
// (3 km by 20 km at 250 pixels per km, 750 by 5000 pixels) and writing it as
// a JPEG should take well under half a second; the largest one the dialog
// writes (65,500 pixels a side) is written a band of lines at a time, so
// its memory stays that of a few lines (run it alone under /usr/bin/time -v
// for the peak). Showing a 10,000 by 10,000 pixel JPEG with its far corner
// in view decodes only that part, at every zoom in the memory of a view
// (each zoom alone under /usr/bin/time -v).

#include "editor/formnewbgimage.h"
#include "editor/frmeditor.h"
#include "editor/jpegwriter.h"
#include "editor/mappicture.h"
#include "model/vlproject.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path BenchFolder()
{
    static const fs::path folder = [] {
        fs::path f = fs::temp_directory_path() / ("velkast_bgmap_bench_" + std::to_string(::getpid()));
        fs::create_directories(f);
        return f;
    }();
    return folder;
}

// Creates the picture of x by y km at r pixels per km through the dialog;
// the size of the file written is counted.
void CreateBackground(benchmark::State& state, const char* x, const char* y, const char* r)
{
    TVLProject project;
    project.ProjectName = "Bench";
    project.FileName = (BenchFolder() / "bench.vlp").string();
    TFormNewBGImage dialog;
    dialog.Project = &project;
    dialog.FormShow();
    dialog.edX->setText(x);
    dialog.EdY->setText(y);
    dialog.EdResolution->setText(r);
    for (auto _ : state) {
        project.BackgroundMapFileName.clear();
        dialog.bCreateClick();
        if (project.BackgroundMapFileName.empty()) {
            state.SkipWithError("the picture was not written");
            return;
        }
    }
    state.counters["MB written"] = static_cast<double>(fs::file_size(project.BackgroundMapFileName)) / 1e6;
    fs::remove(project.BackgroundMapFileName);
}

void BM_CreateDefaultBackground(benchmark::State& state) { CreateBackground(state, "3", "20", "250"); }
BENCHMARK(BM_CreateDefaultBackground)->Unit(benchmark::kMillisecond);

// 131 km at 500 pixels per km: 65,500 pixels a side.
void BM_CreateLargestBackground(benchmark::State& state) { CreateBackground(state, "131", "131", "500"); }
BENCHMARK(BM_CreateLargestBackground)->Unit(benchmark::kSecond)->Iterations(1);

// A 10,000 pixel square JPEG of the grid kind (40 km at 250 pixels per
// km), made once, band by band, so that the memory measured is the view's.
std::string HugeJpeg()
{
    static const std::string file = [] {
        const fs::path path = BenchFolder() / "huge.jpg";
        const TGridMapLines grid(40, 40, 250);
        QFile out(QString::fromStdString(path.string()));
        QString error;
        if (!out.open(QIODevice::WriteOnly) ||
            !WriteJpegByLines(out, grid.Width(), grid.Height(), 80,
                              [&grid](int line, unsigned char* rgb) { grid.Line(line, rgb); }, error))
            return std::string();
        return path.string();
    }();
    return file;
}

// Shows the picture at a zoom (1 to 4: 1:1 to 1:8) with the far corner of
// it in a view of the map panel's size.
void BM_ShowHugeJpegAtZoom(benchmark::State& state)
{
    const std::string file = HugeJpeg();
    const int zoom = static_cast<int>(state.range(0));
    TFrmEditor frame;
    frame.SetProject(std::make_unique<TVLProject>());
    frame.Project->BackgroundMapFileName = file;
    frame.Project->BackgroundMapScale = 100;
    frame.tbMapClick(); // shows the panel at 1:8
    frame.tbMapZoom->setValue(zoom);
    const int side = 10000 >> (zoom - 1);
    QImage view(150, 400, QImage::Format_RGB32);
    for (auto _ : state) {
        frame.SetMap();
        frame.Image1->render(&view, QPoint(), QRegion(side - 150, side - 400, 150, 400));
    }
    if (frame.Image1->width() != side)
        state.SkipWithError("the picture was not shown at the zoom's scale");
}
BENCHMARK(BM_ShowHugeJpegAtZoom)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(BenchFolder());
    return 0;
}
