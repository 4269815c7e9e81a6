// libFuzzer target: arbitrary bytes are opened as an archive, every item is
// listed, tested and extracted into a scratch folder. The component may refuse
// the input with its own exception (EZAException); anything else that escapes,
// every sanitizer report, a hang, a leak, and any file written outside the
// scratch folder counts as a finding.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "zip/zaarchiver.h"
#include "zip/zaerrors.h"

namespace {

namespace fs = std::filesystem;

struct Scratch {
    fs::path root;     // <tmp>/velkast-fuzz-<pid>, in memory where possible
    fs::path archive;  // root/in.zip
    fs::path base;     // root/a/b/out: "../" and "../../" stay below root
    fs::path temp;     // root/tmp: the test operation's temporary files
};

Scratch& Folders()
{
    static Scratch s = [] {
        Scratch f;
        // Every input creates and removes a few files: on a disk file system
        // that costs more than the rest of the run.
        std::error_code ec;
        fs::path tmp = fs::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm")
                                                                                          : fs::temp_directory_path();
        // libFuzzer may end the process without running exit handlers, so
        // scratch folders of runs that are gone are swept here.
        for (const auto& e : fs::directory_iterator(tmp, ec)) {
            std::string n = e.path().filename().string();
            if (n.rfind("velkast-fuzz-", 0) != 0) continue;
            long pid = std::strtol(n.c_str() + 13, nullptr, 10);
            if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) fs::remove_all(e.path(), ec);
        }
        f.root = tmp / ("velkast-fuzz-" + std::to_string(getpid()));
        fs::remove_all(f.root);
        f.archive = f.root / "in.zip";
        f.base = f.root / "a" / "b" / "out";
        fs::create_directories(f.base);
        f.temp = f.root / "tmp";
        fs::create_directories(f.temp);
        std::atexit([] { std::error_code ec; fs::remove_all(Folders().root, ec); });
        return f;
    }();
    return s;
}

// When each of the folders around the target folder last changed: an entry
// made or removed there changes it.
struct FolderStamps {
    timespec times[3][2];
};

FolderStamps Stamps()
{
    Scratch& f = Folders();
    FolderStamps s{};
    int k = 0;
    for (const fs::path& dir : {f.root, f.root / "a", f.root / "a" / "b"}) {
        struct stat st{};
        stat(dir.c_str(), &st);
        s.times[k][0] = st.st_mtim;
        s.times[k][1] = st.st_ctim;
        ++k;
    }
    return s;
}

bool SameStamps(const FolderStamps& a, const FolderStamps& b)
{
    for (int k = 0; k < 3; ++k)
        for (int t = 0; t < 2; ++t)
            if (a.times[k][t].tv_sec != b.times[k][t].tv_sec || a.times[k][t].tv_nsec != b.times[k][t].tv_nsec)
                return false;
    return true;
}

// Only in.zip and the chain a/b/out may exist outside the target folder. The
// folders are listed only when one of them changed.
void CheckNothingEscaped(const FolderStamps& clean)
{
    if (SameStamps(clean, Stamps()))
        return;
    Scratch& f = Folders();
    for (const fs::path& dir : {f.root, f.root / "a", f.root / "a" / "b"}) {
        for (const auto& e : fs::directory_iterator(dir)) {
            const fs::path& p = e.path();
            if (p == f.archive || p == f.temp || p == f.root / "a" || p == f.root / "a" / "b" || p == f.base) continue;
            std::fprintf(stderr, "item written outside the target folder: %s\n", p.c_str());
            std::abort();
        }
    }
}

void Exercise(bool keepCorrupted)
{
    Scratch& f = Folders();
    TZipArchiver za;
    za.Name = "ZipArchiver1";
    za.FileName = f.archive.string();
    za.BaseDir = f.base.string();
    za.TempDir = f.temp.string();
    za.Password = "secret";
    // The delay against password guessing would take most of every run.
    za.PasswordDelayMs = 0;
    za.ExtractCorruptedFiles = keepCorrupted;
    // Cut archives are read from their local headers too, so that path is
    // fuzzed as well.
    za.AcceptCutArchive = true;
    za.OnPassword = [](TZABaseArchiver&, const std::string&, std::string&, bool& skip) { skip = true; };
    za.OnProcessFileFailure = [](TZABaseArchiver&, const std::string&, TZAProcessOperation, int32_t, int32_t,
                                 const std::string&, TZAAction& action) { action = faSkip; };
    za.OnConfirmOverwrite = [](TZABaseArchiver&, const std::string&, std::string&, bool& confirm) {
        confirm = true;
    };
    try {
        za.OpenArchiveWithMode(fmOpenRead | fmShareDenyNone);
        TZAArchiveItem item;
        size_t listed = 0;
        for (bool found = za.FindFirst("*.*", item, faAnyFile, ""); found; found = za.FindNext(item)) ++listed;
        if (listed > static_cast<size_t>(za.Count())) std::abort();
        za.TestFiles("*.*", faAnyFile, "");
        za.ExtractFiles("*.*", faAnyFile, "");
        za.CloseArchive();
    } catch (const EZAException&) {
        // Refused input: the component's documented answer.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Scratch& f = Folders();
    {
        // One descriptor for every input: rewritten and cut, not made anew.
        static const int fd = open(f.archive.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size) ||
            ftruncate(fd, static_cast<off_t>(size)) != 0) {
            std::perror("in.zip");
            std::abort();
        }
    }
    // Taken once the archive file exists, before any input ran.
    static const FolderStamps clean = Stamps();
    // Odd sizes also keep items that fail their check, which takes the other
    // road through the extraction.
    Exercise(size % 2 == 1);
    CheckNothingEscaped(clean);
    std::error_code ec;
    // Emptied, not made anew: most inputs extract nothing.
    for (auto it = fs::directory_iterator(f.base, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
        fs::remove_all(it->path(), ec);
    // A test that fails leaves its temporary file behind.
    if (!fs::is_empty(f.temp, ec)) {
        fs::remove_all(f.temp, ec);
        fs::create_directories(f.temp, ec);
    }
    return 0;
}
