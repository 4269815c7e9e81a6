#include "installer/kalmirocopy.h"

#include "installer/kalmiropackage.h"

#include "platform/codepage.h"
#include "platform/paths.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error)
{
    throw std::runtime_error(what + " \"" + path + "\": " + std::strerror(error));
}

std::size_t CountFiles(const std::string& folder)
{
    std::size_t n = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        n += it->is_regular_file(ec);
    return n;
}

std::runtime_error LongLine(std::size_t length)
{
    return std::runtime_error("files.dat holds a line longer than a path may be (" + std::to_string(length) +
                              " characters).");
}

// The length of the first line of File longer than Limit, read a piece at a
// time; 0 when there is none.
std::size_t FirstLongLine(const std::string& File, std::size_t Limit)
{
    std::ifstream in(File, std::ios::binary);
    std::vector<char> buffer(1 << 16);
    std::size_t length = 0;
    while (in.read(buffer.data(), std::streamsize(buffer.size())) || in.gcount() > 0) {
        for (std::streamsize k = 0; k < in.gcount(); ++k) {
            if (buffer[std::size_t(k)] != '\r' && buffer[std::size_t(k)] != '\n')
                ++length;
            else if (length > Limit)
                return length;
            else
                length = 0;
        }
    }
    return length > Limit ? length : 0;
}

} // namespace

TRouteCopy::TRouteCopy(std::string Source, std::string Target)
    : FSource(IncludeTrailingPathDelimiter(std::move(Source))), FTarget(std::move(Target))
{
}

void TRouteCopy::Prepare()
{
    FJobs.clear();
    const std::string listName = FSource + "files.dat";
    // No list of this package's files is longer than a path per file the
    // package holds: a bigger one is not read at all.
    const std::size_t files = CountFiles(FSource);
    std::error_code ec;
    const auto size = fs::file_size(listName, ec);
    if (ec)
        Fail("Cannot read", listName, ec.value());
    if (size > (files + 1) * (MaxPathLength + 2)) {
        if (const std::size_t length = FirstLongLine(listName, MaxPathLength))
            throw LongLine(length);
        throw std::runtime_error("files.dat lists more files than the package holds.");
    }
    TStrings lines;
    if (!LoadLines(listName, lines))
        Fail("Cannot read", listName, errno);

    std::unordered_set<std::string> seen;
    std::size_t listed = 0;
    for (const std::string& line : lines) {
        if (Trim(line).empty())
            continue;
        if (line.size() > MaxPathLength)
            throw LongLine(line.size());
        if (++listed > files)
            throw std::runtime_error("files.dat lists more files than the package holds.");
        const std::string rel = PackageRelativePath(line);
        if (rel.empty())
            throw std::runtime_error("files.dat names a file outside its folder: " + line);
        TJob job{line, Resolve(FSource, rel), Resolve(FTarget, rel)};
        struct stat st {};
        if (::lstat(job.From.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            throw std::runtime_error("The package lacks the file " + line);
        if (seen.insert(job.To).second)
            FJobs.push_back(std::move(job));
    }
}

std::string TRouteCopy::Resolve(const std::string& Base, const std::string& Rel)
{
    const std::size_t slash = Rel.rfind('/');
    const std::string folderRel = slash == std::string::npos ? std::string() : Rel.substr(0, slash);
    const std::string name = NativeFileName(slash == std::string::npos ? Rel : Rel.substr(slash + 1));
    auto [it, added] = FFolders.try_emplace(IncludeTrailingPathDelimiter(Base) + folderRel);
    TFolder& folder = it->second;
    if (added) {
        folder.Path = ExcludeTrailingPathDelimiter(DiskPath(Base, folderRel));
        std::error_code ec;
        for (fs::directory_iterator entry(folder.Path, ec), end; !ec && entry != end; entry.increment(ec)) {
            folder.Names.push_back(entry->path().filename().string());
            folder.Exact.insert(folder.Names.back());
        }
    }
    if (!folder.Exact.count(name)) {
        // Letters that differ in case only keep the length of the name.
        for (const std::string& existing : folder.Names)
            if (existing.size() == name.size() && SameTextUtf8(existing, name))
                return folder.Path + "/" + existing;
    }
    return folder.Path + "/" + name;
}

void TRouteCopy::MakeFolders(const std::string& folder)
{
    std::vector<std::string> missing;
    std::string f = ExcludeTrailingPathDelimiter(folder);
    struct stat st {};
    while (!f.empty() && ::stat(f.c_str(), &st) != 0) {
        missing.push_back(f);
        f = ExcludeTrailingPathDelimiter(ExtractFilePath(f));
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0755) != 0)
            Fail("Cannot create the folder", *it, errno);
        FChanges.push_back({*it, {}, true});
    }
}

void TRouteCopy::Move(const TJob& Job, const std::string& To, const std::string& Part)
{
    if (::rename(Job.From.c_str(), To.c_str()) == 0)
        return;
    if (errno != EXDEV)
        Fail("Cannot write", Job.To, errno);

    // Across file systems the data go to a new file beside the target that
    // takes its place only when whole: a copy that fails (a full disk)
    // leaves a file of that name as it was.
    const int in = ::open(Job.From.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        Fail("Cannot read", Job.From, errno);
    const int out = ::open(Part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        Fail("Cannot write", Job.To, error);
    }
    bool ok = CopyFileData(in, out);
    int error = errno;
    if (::close(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    ::close(in);
    if (ok && Part != To && ::rename(Part.c_str(), To.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(Part.c_str());
        Fail("Cannot write", Job.To, error);
    }
    ::unlink(Job.From.c_str());
}

void TRouteCopy::Install(std::size_t i)
{
    const TJob& job = FJobs[i];
    const std::string folder = ExtractFilePath(job.To);
    MakeFolders(folder);
    struct stat st {};
    const bool existed = ::lstat(job.To.c_str(), &st) == 0;
    if (existed && S_ISDIR(st.st_mode))
        Fail("Cannot write", job.To, EISDIR);
    // A file the user made read-only stays as it is.
    if (existed && IsWriteProtected(job.To))
        throw std::runtime_error("Cannot write \"" + job.To + "\": it is write-protected");
    // Short names of our own: the target's name may already be as long as a
    // name can be.
    const std::string part = folder + ".kalmiro" + std::to_string(::getpid());
    if (!existed) {
        Move(job, job.To, part);
        FChanges.push_back({job.To, {}});
        return;
    }
    // The file replaced is kept aside until the installation has ended.
    Move(job, part, part);
    const std::string kept = part + "." + std::to_string(i);
    if (::rename(job.To.c_str(), kept.c_str()) != 0) {
        const int error = errno;
        ::unlink(part.c_str());
        Fail("Cannot write", job.To, error);
    }
    FChanges.push_back({job.To, kept});
    if (::rename(part.c_str(), job.To.c_str()) != 0) {
        const int error = errno;
        ::unlink(part.c_str());
        Fail("Cannot write", job.To, error);
    }
}

void TRouteCopy::Commit()
{
    for (const TChange& change : FChanges)
        if (!change.Kept.empty())
            ::unlink(change.Kept.c_str());
    FChanges.clear();
}

bool TRouteCopy::RollBack()
{
    bool ok = true;
    for (auto it = FChanges.rbegin(); it != FChanges.rend(); ++it) {
        const char* path = it->Path.c_str();
        if (it->Folder)
            ok = (::rmdir(path) == 0 || errno == ENOENT) && ok;
        else if (!it->Kept.empty())
            ok = ::rename(it->Kept.c_str(), path) == 0 && ok;
        else
            ok = (::unlink(path) == 0 || errno == ENOENT) && ok;
    }
    FChanges.clear();
    return ok;
}
