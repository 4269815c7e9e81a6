#include "installer/kalmiropackage.h"

#include "platform/paths.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

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

std::string JoinPackagePath(const std::string& Folder, const std::string& Line)
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
    if (bad || rel.empty())
        return {};
    // The line is ANSI; the file lies under its disk name, as the archive
    // engine extracted it (and as the simulator's folder should get it).
    return ResolvePathCase(IncludeTrailingPathDelimiter(ToNativePath(Folder)) + NativeFileName(rel));
}
