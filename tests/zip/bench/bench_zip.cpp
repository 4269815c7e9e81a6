// Speed of the archive component against Info-ZIP zip/unzip and against
// zlib's own deflate/inflate, all on the same generated ~200 MB tree of mixed
// text and binary files. Every case reports bytes/s of uncompressed data.
//
//   build/bench/bench_zip [--benchmark_filter=...]
//
// The tree is generated once per run in a temporary folder (deterministic
// content) and removed at the end. Besides wall-clock bytes/s each case
// reports cpu_MB/s: megabytes per second of CPU time of this process and of
// the tools it started, which stays comparable on a busy machine.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "interop_support.h"
#include "zip/zaarchiver.h"

namespace {

namespace fs = std::filesystem;
using interop::ByteSource;

struct BenchFile {
    std::string name;  // relative, "/" separators
    std::string data;
};

struct BenchData {
    interop::TempFolder temp;
    fs::path tree;
    std::vector<BenchFile> files;
    int64_t totalBytes = 0;
};

// About 200 MB in ten folders: half text, a third structured binary, the
// rest incompressible; sizes from 4 KB to 4 MB, like a route's objects,
// textures and sounds.
BenchData& Data()
{
    static BenchData* data = [] {
        auto* d = new BenchData;
        d->tree = d->temp / "tree";
        ByteSource src(7);
        const int64_t target = 200ll * 1024 * 1024;
        int n = 0;
        while (d->totalBytes < target) {
            size_t size = 4096u << (src.Next() % 11);  // 4 KB .. 4 MB
            uint64_t kind = src.Next() % 20;
            BenchFile f;
            f.name = "folder" + std::to_string(n % 10) + "/file" + std::to_string(n);
            if (kind < 10) {
                f.name += ".csv";
                f.data = src.Text(size);
            } else if (kind < 17) {
                f.name += ".b3d";
                f.data = src.Pattern(size);
            } else {
                f.name += ".wav";
                f.data = src.Random(size);
            }
            d->totalBytes += static_cast<int64_t>(f.data.size());
            fs::create_directories((d->tree / f.name).parent_path());
            interop::WriteAll(d->tree / f.name, f.data);
            d->files.push_back(std::move(f));
            ++n;
        }
        std::fprintf(stderr, "bench tree: %d files, %lld bytes in %s\n", n,
                     static_cast<long long>(d->totalBytes), d->tree.c_str());
        // The tree and the archives go when the run ends.
        std::atexit([] { delete &Data(); });
        return d;
    }();
    return *data;
}

// CPU seconds used so far by this process and its finished children.
double CpuSeconds()
{
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage u{};
        getrusage(who, &u);
        total += static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                 static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

void Finish(benchmark::State& state, int64_t archiveBytes, double cpuStart)
{
    double cpu = CpuSeconds() - cpuStart;
    state.SetBytesProcessed(state.iterations() * Data().totalBytes);
    if (cpu > 0) {
        state.counters["cpu_MB/s"] =
            static_cast<double>(state.iterations() * Data().totalBytes) / cpu / (1024.0 * 1024.0);
    }
    if (archiveBytes > 0) {
        state.counters["ratio_%"] = 100.0 * static_cast<double>(archiveBytes) / static_cast<double>(Data().totalBytes);
    }
}

int64_t FileSize(const fs::path& p)
{
    std::error_code ec;
    auto s = fs::file_size(p, ec);
    return ec ? 0 : static_cast<int64_t>(s);
}

// --- the component ---------------------------------------------------------

void CompressWithComponent(const fs::path& archive, int mode)
{
    fs::remove(archive);
    TZipArchiver za;
    za.SetCompressionMode(static_cast<uint8_t>(mode));
    za.FileName = archive.string();
    za.BaseDir = Data().tree.string();
    za.OpenArchive();
    za.AddFiles("*.*", faAnyFile, "");
    za.CloseArchive();
}

void BM_ComponentCompress(benchmark::State& state)
{
    BenchData& d = Data();
    fs::path archive = d.temp / "component.zip";
    double cpu0 = CpuSeconds();
    for (auto _ : state) CompressWithComponent(archive, static_cast<int>(state.range(0)));
    Finish(state, FileSize(archive), cpu0);
}

void BM_ComponentExtract(benchmark::State& state)
{
    BenchData& d = Data();
    fs::path archive = d.temp / "component-extract.zip";
    CompressWithComponent(archive, static_cast<int>(state.range(0)));
    fs::path out = d.temp / "component-out";
    double cpu0 = CpuSeconds();
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(out);
        fs::create_directories(out);
        state.ResumeTiming();
        TZipArchiver za;
        za.FileName = archive.string();
        za.BaseDir = out.string();
        za.OpenArchive();
        za.ExtractFiles("*.*", faAnyFile, "");
        za.CloseArchive();
    }
    Finish(state, FileSize(archive), cpu0);
    fs::remove_all(out);
}

// --- Info-ZIP --------------------------------------------------------------

void RunOrFail(benchmark::State& state, const std::string& cmd)
{
    if (std::system(cmd.c_str()) != 0) state.SkipWithError(("failed: " + cmd).c_str());
}

void BM_InfoZipCompress(benchmark::State& state)
{
    BenchData& d = Data();
    if (!interop::HaveTool("zip")) {
        state.SkipWithError("zip is not installed");
        return;
    }
    fs::path archive = d.temp / "infozip.zip";
    std::string level = "-" + std::to_string(state.range(0));
    double cpu0 = CpuSeconds();
    for (auto _ : state) {
        fs::remove(archive);
        RunOrFail(state, "cd " + interop::Q(d.tree) + " && zip -qr " + level + " " + interop::Q(archive) + " .");
    }
    Finish(state, FileSize(archive), cpu0);
}

void BM_InfoZipExtract(benchmark::State& state)
{
    BenchData& d = Data();
    if (!interop::HaveTool("zip") || !interop::HaveTool("unzip")) {
        state.SkipWithError("zip or unzip is not installed");
        return;
    }
    fs::path archive = d.temp / "infozip-extract.zip";
    fs::remove(archive);
    RunOrFail(state, "cd " + interop::Q(d.tree) + " && zip -qr -" + std::to_string(state.range(0)) + " " +
                         interop::Q(archive) + " .");
    fs::path out = d.temp / "infozip-out";
    double cpu0 = CpuSeconds();
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(out);
        state.ResumeTiming();
        RunOrFail(state, "unzip -qo " + interop::Q(archive) + " -d " + interop::Q(out));
    }
    Finish(state, FileSize(archive), cpu0);
    fs::remove_all(out);
}

// --- zlib alone, in memory, file by file ------------------------------------

std::vector<std::string> Deflated(int level)
{
    std::vector<std::string> out;
    for (const BenchFile& f : Data().files) {
        uLongf len = compressBound(static_cast<uLong>(f.data.size()));
        std::string c(len, '\0');
        compress2(reinterpret_cast<Bytef*>(c.data()), &len, reinterpret_cast<const Bytef*>(f.data.data()),
                  static_cast<uLong>(f.data.size()), level);
        c.resize(len);
        out.push_back(std::move(c));
    }
    return out;
}

void BM_ZlibDeflate(benchmark::State& state)
{
    BenchData& d = Data();
    int level = static_cast<int>(state.range(0));
    int64_t packed = 0;
    double cpu0 = CpuSeconds();
    for (auto _ : state) {
        std::vector<std::string> c = Deflated(level);
        packed = 0;
        for (const std::string& s : c) packed += static_cast<int64_t>(s.size());
        benchmark::DoNotOptimize(c.data());
    }
    (void)d;
    Finish(state, packed, cpu0);
}

void BM_ZlibInflate(benchmark::State& state)
{
    BenchData& d = Data();
    std::vector<std::string> packed = Deflated(static_cast<int>(state.range(0)));
    std::string out;
    double cpu0 = CpuSeconds();
    for (auto _ : state) {
        for (size_t i = 0; i < packed.size(); ++i) {
            out.resize(d.files[i].data.size());
            uLongf len = static_cast<uLongf>(out.size());
            if (uncompress(reinterpret_cast<Bytef*>(out.data()), &len,
                           reinterpret_cast<const Bytef*>(packed[i].data()),
                           static_cast<uLong>(packed[i].size())) != Z_OK) {
                state.SkipWithError("inflate failed");
                return;
            }
            benchmark::DoNotOptimize(out.data());
        }
    }
    Finish(state, 0, cpu0);
}

// Inflate plus the CRC-32 every ZIP reader computes: the floor for extraction
// without the file writes.
void BM_ZlibInflateCrc(benchmark::State& state)
{
    BenchData& d = Data();
    std::vector<std::string> packed = Deflated(static_cast<int>(state.range(0)));
    std::string out;
    double cpu0 = CpuSeconds();
    for (auto _ : state) {
        for (size_t i = 0; i < packed.size(); ++i) {
            out.resize(d.files[i].data.size());
            uLongf len = static_cast<uLongf>(out.size());
            if (uncompress(reinterpret_cast<Bytef*>(out.data()), &len,
                           reinterpret_cast<const Bytef*>(packed[i].data()),
                           static_cast<uLong>(packed[i].size())) != Z_OK) {
                state.SkipWithError("inflate failed");
                return;
            }
            uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(out.data()), static_cast<uInt>(len));
            benchmark::DoNotOptimize(crc);
        }
    }
    Finish(state, 0, cpu0);
}

// count files of the given content in 100 folders below tree.
void WriteSmallFiles(const fs::path& tree, int count, const std::string& content)
{
    for (int i = 0; i < count; ++i) {
        const fs::path f = tree / ("d" + std::to_string(i % 100)) / ("f" + std::to_string(i) + ".txt");
        if (i < 100)
            fs::create_directories(f.parent_path());
        interop::WriteAll(f, content);
    }
}

// Level 1 is the component's default (clFastest); level 6 is Info-ZIP's.
// Adding many small files: the cost per file must stay about flat as the
// count grows (look-ups of names go through an index, not a scan), and stay
// at or below Info-ZIP's "zip -r" on the same tree (ratio_to_zip).
void BM_ComponentAddManyFiles(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    interop::TempFolder temp;
    const fs::path tree = temp / "many";
    WriteSmallFiles(tree, count, "x");
    const fs::path archive = temp / "many.zip";
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        fs::remove(archive);
        TZipArchiver za;
        za.SetCompressionMode(0);
        za.FileName = archive.string();
        za.BaseDir = tree.string();
        za.OpenArchive();
        za.AddFiles("*.*", faAnyFile & ~faDirectory, "");
        const int added = za.Count();
        za.CloseArchive();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (added != count)
            state.SkipWithError("not every file was added");
    }
    state.counters["us_per_file"] = seconds * 1e6 / (static_cast<double>(count) * double(state.iterations()));
    // Info-ZIP's "zip -r" on the same tree in the same run, for the ratio.
    const fs::path peer = temp / "peer.zip";
    const auto start = std::chrono::steady_clock::now();
    const interop::RunResult r = interop::Shell("cd " + interop::Q(tree) + " && zip -r -q " + interop::Q(peer) + " .");
    const double zipSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (r.code == 0) {
        state.counters["zip_us_per_file"] = zipSeconds * 1e6 / static_cast<double>(count);
        state.counters["ratio_to_zip"] = (seconds / double(state.iterations())) / zipSeconds;
    }
}

// Extracting many small files: 20 bytes each in 100 folders, the worst case
// for the cost per file. Ours (opened read-only, as the installer does) and
// "unzip" extract the same archive, each into a new folder, in turn, five
// rounds each after one round not counted; the folders go only at the end, so
// that no removal is at work while an extraction is timed. The counters give the medians per
// file and their ratio (ratio_to_unzip, goal at or below 1). The file system
// is that of the temporary folder: TMPDIR=/some/tmpfs measures on a tmpfs.
void BM_ComponentExtractManySmallFiles(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    if (!interop::HaveTool("unzip")) {
        state.SkipWithError("unzip is not installed");
        return;
    }
    interop::TempFolder temp;
    const fs::path tree = temp / "small";
    WriteSmallFiles(tree, count, "twenty bytes of text");
    const fs::path archive = temp / "small.zip";
    {
        TZipArchiver za;
        za.FileName = archive.string();
        za.BaseDir = tree.string();
        za.OpenArchive();
        za.AddFiles("*.*", faAnyFile & ~faDirectory, "");
        za.CloseArchive();
    }
    // Removals, this one and those of earlier cases, finish before the timing
    // begins (on a disk they go on in the background for a while).
    fs::remove_all(tree);
    ::sync();
    auto seconds = [](auto start) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    std::vector<double> ours, unzip;
    int run = 0;
    auto extractOurs = [&](const fs::path& out) {
        fs::create_directories(out);
        const auto start = std::chrono::steady_clock::now();
        TZipArchiver za;
        za.FileName = archive.string();
        za.BaseDir = out.string();
        za.OpenArchiveWithMode(fmOpenRead | fmShareDenyNone);
        za.ExtractFiles("*.*", faAnyFile, "");
        za.CloseArchive();
        return seconds(start);
    };
    auto extractUnzip = [&](const fs::path& out) {
        const auto start = std::chrono::steady_clock::now();
        if (interop::Shell("unzip -qo " + interop::Q(archive) + " -d " + interop::Q(out)).code != 0)
            state.SkipWithError("unzip failed");
        return seconds(start);
    };
    for (auto _ : state) {
        // Who goes first changes from round to round: neither always meets
        // what the other left to the disk.
        for (int round = 0; round <= 5; ++round, ++run) {
            const fs::path mine = temp / ("ours" + std::to_string(run)), peer = temp / ("unzip" + std::to_string(run));
            double a, b;
            if (round % 2 == 0) {
                a = extractOurs(mine);
                b = extractUnzip(peer);
            } else {
                b = extractUnzip(peer);
                a = extractOurs(mine);
            }
            if (round > 0) {
                ours.push_back(a);
                unzip.push_back(b);
            }
        }
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    state.counters["us_per_file"] = median(ours) * 1e6 / count;
    state.counters["unzip_us_per_file"] = median(unzip) * 1e6 / count;
    state.counters["ratio_to_unzip"] = median(ours) / median(unzip);
}

BENCHMARK(BM_ComponentExtractManySmallFiles)->Arg(10000)->Arg(60000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ComponentAddManyFiles)->Arg(10000)->Arg(30000)->Arg(60000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ComponentCompress)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_InfoZipCompress)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ZlibDeflate)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ComponentExtract)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_InfoZipExtract)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ZlibInflate)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ZlibInflateCrc)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
