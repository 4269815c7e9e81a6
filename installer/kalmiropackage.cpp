#include "installer/kalmiropackage.h"

#include "platform/paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

#include <chrono>
#include <csignal>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr OpenFile(const std::string& name, const char* mode)
{
    FilePtr f(std::fopen(name.c_str(), mode));
    if (!f)
        throw std::runtime_error("Cannot open file \"" + name + "\". " + std::strerror(errno));
    return f;
}

int64_t FileSize(std::FILE* f)
{
    if (std::fseek(f, 0, SEEK_END) != 0)
        return -1;
    return std::ftell(f);
}

} // namespace

bool FindPackageMarker(const std::string& FileName, int64_t& MarkerEnd)
{
    FilePtr f(std::fopen(FileName.c_str(), "rb"));
    if (!f)
        return false;
    const int64_t size = FileSize(f.get());
    if (size < 0)
        return false;
    const std::size_t markerLength = std::strlen(KalmiroMarker);
    for (int64_t o = size - 3; o >= size - 30; --o) {
        if (o < 0)
            break;
        char buffer[8] = {};
        if (std::fseek(f.get(), long(o), SEEK_SET) != 0)
            continue;
        std::size_t n = std::fread(buffer, 1, markerLength, f.get());
        if (n == markerLength && std::memcmp(buffer, KalmiroMarker, markerLength) == 0) {
            MarkerEnd = o + int64_t(markerLength);
            return true;
        }
    }
    return false;
}

int64_t PackageMarkerEnd = 0;

std::string OwnProgramFile()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.string();
}

bool FindPackageMarker()
{
    int64_t end = 0;
    if (!FindPackageMarker(OwnProgramFile(), end))
        return false;
    PackageMarkerEnd = end;
    return true;
}

int64_t ReadInstallerLength(const std::string& FileName, int64_t MarkerEnd)
{
    FilePtr f = OpenFile(FileName, "rb");
    char buffer[9] = {};
    if (std::fseek(f.get(), long(MarkerEnd), SEEK_SET) != 0)
        throw std::runtime_error("Cannot read the package trailer");
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, f.get());
    const char* nul = static_cast<const char*>(std::memchr(buffer, 0, n));
    const std::string text(buffer, nul ? std::size_t(nul - buffer) : n);
    bool digits = nul && !text.empty();
    for (char c : text)
        digits = digits && c >= '0' && c <= '9';
    if (!digits)
        throw std::runtime_error("'" + text + "' is not a valid integer value");
    const int64_t length = std::stoll(text);
    if (length > MarkerEnd - int64_t(std::strlen(KalmiroMarker)))
        throw std::runtime_error("The installer length " + text + " lies beyond the package's archive");
    return length;
}

void SplitPackage(const std::string& CopyName, const std::string& ZipName, int64_t MarkerEnd)
{
    const int64_t length = ReadInstallerLength(CopyName, MarkerEnd);
    {
        FilePtr copy = OpenFile(CopyName, "r+b");
        FilePtr zip = OpenFile(ZipName, "wb");
        if (std::fseek(copy.get(), long(length), SEEK_SET) != 0)
            throw std::runtime_error("Cannot read file \"" + CopyName + "\"");
        std::vector<char> buffer(1 << 16);
        for (;;) {
            std::size_t n = std::fread(buffer.data(), 1, buffer.size(), copy.get());
            if (n && std::fwrite(buffer.data(), 1, n, zip.get()) != n)
                throw std::runtime_error("Cannot write file \"" + ZipName + "\"");
            if (n < buffer.size()) {
                if (std::ferror(copy.get()))
                    throw std::runtime_error("Cannot read file \"" + CopyName + "\"");
                break;
            }
        }
        if (std::fflush(zip.get()) != 0)
            throw std::runtime_error("Cannot write file \"" + ZipName + "\"");
    }
    std::error_code ec;
    const auto zipSize = fs::file_size(ZipName, ec);
    if (ec)
        throw std::runtime_error("Cannot write file \"" + ZipName + "\"");
    fs::resize_file(ZipName, zipSize > 11 ? zipSize - 11 : 0, ec);
    if (ec)
        throw std::runtime_error("Cannot write file \"" + ZipName + "\"");
    fs::resize_file(CopyName, std::uintmax_t(length), ec);
    if (ec)
        throw std::runtime_error("Cannot write file \"" + CopyName + "\"");
}

std::string GetTempFolder()
{
    std::error_code ec;
    fs::path p = fs::temp_directory_path(ec);
    if (ec || p.empty())
        p = "/tmp";
    return IncludeTrailingPathDelimiter(p.string());
}

std::string MakePrivateUnpackFolder()
{
    std::string templ = GetTempFolder() + "kalmiro-XXXXXX";
    // mkdtemp creates the folder with mode 0700.
    if (!::mkdtemp(templ.data()))
        throw std::runtime_error("Cannot create a folder in \"" + GetTempFolder() + "\". " + std::strerror(errno));
    return templ + "/";
}

bool IsPrivateUnpackFolder(const std::string& Folder)
{
    const std::string folder = ExcludeTrailingPathDelimiter(Folder);
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (st.st_uid != ::geteuid() || (st.st_mode & 077) != 0)
        return false;
    const fs::path p(folder);
    if (p.filename().string().rfind("kalmiro-", 0) != 0)
        return false;
    std::error_code ec1, ec2;
    const fs::path parent = fs::canonical(p.parent_path(), ec1);
    const fs::path temp = fs::canonical(ExcludeTrailingPathDelimiter(GetTempFolder()), ec2);
    return !ec1 && !ec2 && parent == temp;
}

std::string DamagedPackageMessage(const std::string& FileName)
{
    return "\"" + FileName + "\" is not a route package, or the package is damaged. Nothing was installed.";
}

int64_t CheckWholePackage(const std::string& FileName, int64_t MarkerEnd)
{
    const auto damaged = [&] { return std::runtime_error(DamagedPackageMessage(FileName)); };
    FilePtr f(std::fopen(FileName.c_str(), "rb"));
    if (!f)
        throw damaged();
    const int64_t size = FileSize(f.get());
    auto readAt = [&](int64_t at, void* data, std::size_t n) {
        return at >= 0 && std::fseek(f.get(), long(at), SEEK_SET) == 0 && std::fread(data, 1, n, f.get()) == n;
    };

    // The trailer ends the file: digits, NUL, tag and nothing after them.
    const int64_t tail = size - MarkerEnd;
    const std::size_t tagLength = std::strlen("VlIntExt");
    char trailer[32] = {};
    if (tail < int64_t(2 + tagLength) || tail > int64_t(9 + tagLength) || !readAt(MarkerEnd, trailer, std::size_t(tail)))
        throw damaged();
    const char* nul = static_cast<const char*>(std::memchr(trailer, 0, std::size_t(tail)));
    if (!nul || nul == trailer || (nul - trailer) + 1 + int64_t(tagLength) != tail ||
        std::memcmp(nul + 1, "VlIntExt", tagLength) != 0)
        throw damaged();
    for (const char* c = trailer; c != nul; ++c)
        if (*c < '0' || *c > '9')
            throw damaged();
    const int64_t length = std::stoll(std::string(static_cast<const char*>(trailer), nul));
    const int64_t archiveEnd = MarkerEnd - int64_t(std::strlen(KalmiroMarker));
    if (length <= 0 || archiveEnd - length < 22)
        throw damaged();

    // The end record stands right before the marker (its comment reaching up
    // to it), and the directory it names ends where it begins.
    const int64_t window = std::min<int64_t>(archiveEnd - length, 22 + 0xFFFF);
    std::vector<unsigned char> buffer(std::size_t(window), 0);
    if (!readAt(archiveEnd - window, buffer.data(), buffer.size()))
        throw damaged();
    auto get16 = [](const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; };
    auto get32 = [&](const unsigned char* p) { return get16(p) | get16(p + 2) << 16; };
    int64_t endRecord = -1;
    for (int64_t i = window - 22; i >= 0 && endRecord < 0; --i) {
        const unsigned char* p = buffer.data() + i;
        if (get32(p) == 0x06054b50 && int64_t(get16(p + 20)) == window - 22 - i)
            endRecord = i;
    }
    if (endRecord < 0)
        throw damaged();
    const unsigned char* rec = buffer.data() + endRecord;
    const int64_t recordAt = archiveEnd - window + endRecord;
    const int64_t entries = get16(rec + 10);
    const int64_t directorySize = get32(rec + 12);
    const int64_t directoryAt = length + int64_t(get32(rec + 16));
    if (directoryAt + directorySize != recordAt)
        throw damaged();
    if (entries > 0) {
        unsigned char sig[4];
        if (!readAt(length, sig, 4) || get32(sig) != 0x04034b50 || !readAt(directoryAt, sig, 4) ||
            get32(sig) != 0x02014b50)
            throw damaged();
    }
    return length;
}

void CopyBareInstaller(const std::string& Package, const std::string& CopyName, int64_t Length)
{
    const int in = ::open(Package.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        throw std::runtime_error("Cannot open file \"" + Package + "\". " + std::strerror(errno));
    const int out = ::open(CopyName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0700);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        throw std::runtime_error("Cannot create file \"" + CopyName + "\". " + std::strerror(error));
    }
    const bool copied = CopyFileData(in, out, Length);
    const int error = errno;
    const bool closed = ::close(out) == 0;
    ::close(in);
    if (!copied || !closed)
        throw std::runtime_error("Cannot write file \"" + CopyName + "\". " + std::strerror(error));
}

bool WriteUnpackOwner(const std::string& Folder, long Pid)
{
    // Written aside and renamed over, so that a reader never sees the file
    // empty (the second phase reads it as it starts while the first phase
    // writes it).
    const std::string name = IncludeTrailingPathDelimiter(Folder) + UnpackOwnerFile;
    const std::string part = name + "." + std::to_string(::getpid());
    {
        std::ofstream out(part, std::ios::trunc);
        out << Pid << "\n";
        if (!out.flush())
            return false;
    }
    return ::rename(part.c_str(), name.c_str()) == 0;
}

namespace {

// The owner process of an unpack folder: its id, 0 when the file is missing
// or holds none.
long UnpackOwner(const std::string& Folder)
{
    std::ifstream in(IncludeTrailingPathDelimiter(Folder) + UnpackOwnerFile);
    long pid = 0;
    return in >> pid && pid > 0 ? pid : 0;
}

} // namespace

std::string HandedOverFolder(const std::string& Argument, const std::string& Program)
{
    const std::string prefix = UnpackedArgument;
    if (Argument.rfind(prefix, 0) != 0)
        return {};
    const std::string folder = IncludeTrailingPathDelimiter(Argument.substr(prefix.size()));
    if (!IsPrivateUnpackFolder(folder) || UnpackOwner(folder) == 0)
        return {};
    std::error_code ec1, ec2;
    const fs::path programFolder = fs::canonical(fs::path(Program).parent_path(), ec1);
    const fs::path unpack = fs::canonical(ExcludeTrailingPathDelimiter(folder), ec2);
    return !ec1 && !ec2 && programFolder == unpack ? folder : std::string();
}

void RemoveStaleUnpackFolders()
{
    std::error_code ec;
    const auto now = fs::file_time_type::clock::now();
    for (fs::directory_iterator it(ExcludeTrailingPathDelimiter(GetTempFolder()), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string folder = it->path().string();
        if (it->path().filename().string().rfind("kalmiro-", 0) != 0 || !IsPrivateUnpackFolder(folder))
            continue;
        const long pid = UnpackOwner(folder);
        if (pid > 0) {
            if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
                continue;
        } else {
            std::error_code timeError;
            const auto changed = fs::last_write_time(folder, timeError);
            if (timeError || now - changed < std::chrono::hours(1))
                continue;
        }
        std::error_code removeError;
        fs::remove_all(folder, removeError);
    }
}

std::string PackageRelativePath(const std::string& Line)
{
    std::string rel;
    std::string part;
    bool bad = false;
    auto flush = [&] {
        if (part == "..")
            bad = true;
        else if (!part.empty() && part != ".")
            rel += (rel.empty() ? "" : "/") + part;
        part.clear();
    };
    for (char c : Line) {
        if (c == '/' || c == '\\')
            flush();
        else
            part += c;
    }
    flush();
    return bad ? std::string() : rel;
}

std::string JoinPackagePath(const std::string& Folder, const std::string& Line)
{
    const std::string rel = PackageRelativePath(Line);
    if (rel.empty())
        return {};
    // The line is ANSI; the file lies under its disk name, as the archive
    // engine extracted it (and as the simulator's folder should get it).
    return DiskPath(Folder, rel);
}
