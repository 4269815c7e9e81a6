// Route package speed beside the usual tools, on one generated route of
// 5,000 object files (4,000 text objects and 1,000 bitmaps, about 200 MB)
// and its route file:
//   package  - the packager's BuildPackage  vs  zip -r of the same files
//   install  - the installer's work without its two one-second pauses:
//              unpacking the package into an unpack folder and moving the
//              listed files into a BVE folder  vs  unzip of zip -r's archive
//   program  - the same package run as a player runs it (both phases,
//              answered by the test responder), less the two pauses
// Each figure is the median of several runs, taken in turns so that the
// machine's load falls on both sides alike.
//
//   bench_package [runs] [scratch folder]

#include "installer/kalmirocopy.h"
#include "installer/kalmiropackage.h"
#include "packager/formpackage.h"
#include "packager/packageroptions.h"
#include "platform/gui/dialogs.h"
#include "zip/zaarchiver.h"

#include <sys/resource.h>

#include <QApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& data)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(data.data(), std::streamsize(data.size()));
}

// A text object of some 9 KB: mesh commands with varying numbers.
std::string TextObject(std::mt19937& rng)
{
    std::uniform_real_distribution<double> coord(-20.0, 20.0);
    std::string s = "; generated object\r\n[MeshBuilder]\r\n";
    char line[128];
    while (s.size() < 9000) {
        std::snprintf(line, sizeof line, "Vertex %.3f, %.3f, %.3f\r\n", coord(rng), coord(rng), coord(rng));
        s += line;
        if (rng() % 8 == 0)
            s += "Face 0, 1, 2, 3\r\nColor 128, 128, 128\r\n";
    }
    return s + "[Texture]\r\nLoad texture.bmp\r\n";
}

// A 24-bit bitmap of 256 x 208 pixels (160 KB): gradients with noise.
std::string Bitmap(std::mt19937& rng)
{
    const int w = 256, h = 208, row = w * 3;
    std::string b(std::size_t(54 + row * h), '\0');
    auto put32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[std::size_t(at + i)] = char((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, uint32_t(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    b[26] = 1;
    b[28] = 24;
    const int tint = int(rng() % 64);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < row; ++x)
            b[std::size_t(54 + y * row + x)] = char((x / 3 + y + tint + int(rng() % 16)) & 0xFF);
    return b;
}

double CpuSeconds()
{
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage u {};
        ::getrusage(who, &u);
        total += double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

// Wall-clock seconds of the work, and the processor seconds it took (this
// process and the children it waited for), so that a busy machine can be
// told from a slow program.
struct TTiming {
    std::vector<double> Wall, Cpu;
};

void Time(TTiming& timing, const std::function<void()>& work, double less = 0)
{
    const double cpu = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    work();
    timing.Wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() - less);
    timing.Cpu.push_back(CpuSeconds() - cpu);
}

void Shell(const std::string& command)
{
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

class TBenchOptions : public TPackagerOptions {
public:
    std::string Bve;
    std::string BveFolder() const override { return Bve; }
    std::string GetObjectFolder() const override { return "lib"; }
};

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path work = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "velkast-package-bench";
    fs::remove_all(work);
    const std::string installer = std::string(VELKAST_PROGRAM_DIR) + "/kalmiro/kalmiro";

    // The route in a BVE folder, the editor's program folder.
    const fs::path bve = work / "bve";
    const fs::path objects = bve / "railway/object/bench";
    std::mt19937 rng(2026);
    TStrings objectFiles;
    std::uintmax_t bytes = 0;
    for (int i = 0; i < 5000; ++i) {
        const bool bitmap = i % 5 == 4;
        const std::string name = "set" + std::to_string(i / 250) + "\\" + (bitmap ? "tex" : "obj") +
                                 std::to_string(i) + (bitmap ? ".bmp" : ".b3d");
        const std::string data = bitmap ? Bitmap(rng) : TextObject(rng);
        Write(objects / ("set" + std::to_string(i / 250)) / name.substr(name.find('\\') + 1), data);
        objectFiles.push_back(name);
        bytes += data.size();
    }
    Write(bve / "railway/route/bench/bench.csv", "With Route\r\n.Gauge 1435\r\n");
    const std::string root = (work / "program").string() + "/";
    fs::create_directories(root + "kalmiro");
    fs::copy_file(installer, root + "kalmiro/kalmiro");
    fs::copy_file(std::string(VELKAST_PROGRAM_DIR) + "/kalmiro/noscreen.bmp", root + "kalmiro/noscreen.bmp");
    std::printf("route: %zu files, %.1f MB\n", objectFiles.size() + 1, double(bytes) / 1e6);

    TScopedDialogResponder quiet([](const TDialogRequest& r) {
        TDialogAnswer a;
        a.Result = DefaultMessageAnswer(r.Buttons);
        return a;
    });
    TBenchOptions options;
    options.Bve = bve.string();
    const std::string package = root + "completed_packages/VLinstaller-Bench";
    const fs::path zipFile = work / "zip-r.zip";
    const fs::path tmp = work / "tmp";
    fs::create_directories(tmp);
    setenv("TMPDIR", tmp.c_str(), 1);

    TTiming tPackage, tZip, tInstall, tUnzip, tProgram;
    for (int run = 0; run < runs; ++run) {
        Time(tPackage, [&] {
            TFormPackage form;
            form.Options = &options;
            form.RouteDir = "bench";
            form.ObjectSource = objects.string();
            form.ObjectFiles = objectFiles;
            form.RouteFiles = {"bench.csv"};
            form.BuildPackage("Bench", "", "Bench", "", "Generated route", root, "");
        });
        fs::remove(zipFile);
        Time(tZip, [&] {
            Shell("cd '" + (bve / "railway").string() + "' && zip -qr '" + zipFile.string() +
                  "' object/bench route/bench");
        });

        const fs::path target = work / "installed";
        fs::remove_all(target);
        fs::create_directories(target);
        Time(tInstall, [&] {
            // First phase: what TKalmiro_Wait does between its pauses.
            int64_t markerEnd = 0;
            if (!FindPackageMarker(package, markerEnd))
                std::exit(2);
            const int64_t length = CheckWholePackage(package, markerEnd);
            RemoveStaleUnpackFolders();
            const std::string folder = MakePrivateUnpackFolder();
            CopyBareInstaller(package, folder + "kalmiro", length);
            TZipArchiver za;
            za.BaseDir = folder;
            za.FileName = package;
            za.OpenArchiveWithMode(fmOpenRead | fmShareDenyNone);
            za.ExtractFiles("*.*", 63, "");
            za.CloseArchive();
            // Second phase: what TKalmiro_Install does.
            TRouteCopy copy(folder, target.string());
            copy.Prepare();
            for (std::size_t i = 0; i < copy.Count(); ++i)
                copy.Install(i);
            fs::remove_all(folder);
        });
        const fs::path unzipped = work / "unzipped";
        fs::remove_all(unzipped);
        Time(tUnzip, [&] { Shell("unzip -q '" + zipFile.string() + "' -d '" + unzipped.string() + "'"); });

        // The package as a program, both phases, less the two pauses.
        fs::remove_all(target);
        fs::create_directories(target);
        Write(work / "responder.ini", "BveFolder=" + target.string() + "\r\nClick=Button1\r\nLog=" +
                                          (work / "log.txt").string() + "\r\n");
        Write(work / "reg/machine.ini", "[Software\\Velkast]\r\nBve Folder=" + target.string() + "\r\n");
        fs::remove(work / "log.txt");
        Time(
            tProgram,
            [&] {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("VELKAST_REGISTRY_DIR", QString::fromStdString((work / "reg").string()));
            env.insert("KALMIRO_TEST_RESPONDER", QString::fromStdString((work / "responder.ini").string()));
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(QString::fromStdString(package), {});
            p.waitForFinished(-1);
            // The second phase runs on after the first has ended.
            for (;;) {
                std::ifstream log(work / "log.txt");
                std::string line;
                int exits = 0;
                while (std::getline(log, line))
                    exits += line.rfind("Exit|", 0) == 0;
                if (exits >= 2)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            },
            2.0);
    }

    auto row = [](const char* what, const TTiming& ours, const TTiming& tool, bool cpu) {
        const double w = Median(ours.Wall), tw = Median(tool.Wall);
        std::printf("%-30s %8.2fs %8.2fs %6.2fx", what, w, tw, w / tw);
        if (cpu) {
            const double c = Median(ours.Cpu), tc = Median(tool.Cpu);
            std::printf("   %8.2fs %8.2fs %6.2fx", c, tc, c / tc);
        }
        std::printf("\n");
    };
    std::printf("\n%-30s %9s %9s %7s   %9s %9s %7s\n", "median of runs", "Velkast", "tool", "ratio", "cpu ours",
                "cpu tool", "ratio");
    row("package vs zip -r", tPackage, tZip, true);
    row("install vs unzip", tInstall, tUnzip, true);
    row("package program vs unzip", tProgram, tUnzip, false);
    std::printf("sizes: package %.1f MB, zip -r %.1f MB\n", double(fs::file_size(package)) / 1e6,
                double(fs::file_size(zipFile)) / 1e6);
    if (!std::getenv("BENCH_KEEP"))
        fs::remove_all(work);
    return 0;
}
