// The mini map's background pictures: creating the default new picture
// (3 km by 20 km at 250 pixels per km, 750 by 5000 pixels) and writing it as
// a JPEG should take well under half a second; showing a 10,000 by 10,000
// pixel JPEG at 1:8 well under 0.3 s, since it is decoded at an eighth of
// its size rather than decoded whole and shrunk.

#include "editor/formnewbgimage.h"
#include "editor/frmeditor.h"
#include "editor/mappicture.h"
#include "model/vlproject.h"

#include <QApplication>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
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

void BM_CreateDefaultBackground(benchmark::State& state)
{
    TVLProject project;
    project.ProjectName = "Bench";
    project.FileName = (BenchFolder() / "bench.vlp").string();
    TFormNewBGImage dialog;
    dialog.Project = &project;
    dialog.FormShow();
    for (auto _ : state) {
        project.BackgroundMapFileName.clear();
        dialog.bCreateClick();
        if (project.BackgroundMapFileName.empty())
            state.SkipWithError("the picture was not written");
    }
}
BENCHMARK(BM_CreateDefaultBackground)->Unit(benchmark::kMillisecond);

// A 10,000 pixel square JPEG of the grid kind, made once.
std::string HugeJpeg()
{
    static const std::string file = [] {
        const fs::path path = BenchFolder() / "huge.jpg";
        QImage image(10000, 10000, QImage::Format_RGB888);
        image.fill(QColor(0, 128, 0));
        for (int y = 0; y < image.height(); y += 25)
            for (int x = 0; x < image.width(); ++x)
                image.setPixelColor(x, y, QColor(192, 192, 192));
        QImageWriter writer(QString::fromStdString(path.string()), "jpeg");
        writer.setQuality(80);
        writer.write(image);
        return path.string();
    }();
    return file;
}

void BM_ShowHugeJpegAtOneEighth(benchmark::State& state)
{
    const std::string file = HugeJpeg();
    TFrmEditor frame;
    frame.SetProject(std::make_unique<TVLProject>());
    frame.Project->BackgroundMapFileName = file;
    frame.Project->BackgroundMapScale = 100;
    frame.tbMapClick(); // shows the panel at 1:8
    for (auto _ : state)
        frame.SetMap();
    if (frame.Image1->width() != 1250)
        state.SkipWithError("the picture was not shown at 1:8");
}
BENCHMARK(BM_ShowHugeJpegAtOneEighth)->Unit(benchmark::kMillisecond);

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
