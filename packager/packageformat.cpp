#include "packager/packageformat.h"

#include "platform/paths.h"

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Appends the whole of In to Out at Out's end: in the kernel where it can,
// else through a buffer.
bool AppendFileData(int In, int Out)
{
    off_t at = ::lseek(Out, 0, SEEK_END);
    if (at < 0)
        return false;
    for (;;) {
        const ssize_t n = ::copy_file_range(In, nullptr, Out, &at, std::size_t(1) << 30, 0);
        if (n == 0)
            return true;
        if (n < 0)
            break;
    }
    if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
        return false;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(In, buffer.data(), buffer.size());
        if (n <= 0)
            return n == 0;
        if (::pwrite(Out, buffer.data(), std::size_t(n), at) != n)
            return false;
        at += n;
    }
}

} // namespace

std::string PackageTrailer(std::uint64_t installerSize)
{
    std::string t = PackageMarker;
    t += std::to_string(installerSize);
    t += '\0';
    t += PackageTag;
    return t;
}

void JoinPackageFiles(const std::string& Target, const std::string& Source, const std::string& Tag)
{
    const std::string target = ResolvePathCase(Target);
    FilePtr out(std::fopen(target.c_str(), "r+b"));
    if (!out)
        throw std::runtime_error("Cannot open file \"" + Target + "\"");
    if (std::fseek(out.get(), 0, SEEK_END) != 0)
        throw std::runtime_error("Cannot seek in file \"" + Target + "\"");
    const long size = std::ftell(out.get());
    if (size < 0)
        throw std::runtime_error("Cannot seek in file \"" + Target + "\"");

    auto write = [&](const char* data, std::size_t n) {
        if (n && std::fwrite(data, 1, n, out.get()) != n)
            throw std::runtime_error("Write error on file \"" + Target + "\"");
    };

    if (Source != "0") {
        const std::string source = ResolvePathCase(Source);
        FilePtr in(std::fopen(source.c_str(), "rb"));
        if (!in)
            throw std::runtime_error("Cannot open file \"" + Source + "\"");
        if (std::fflush(out.get()) != 0 || !AppendFileData(fileno(in.get()), fileno(out.get())))
            throw std::runtime_error("Write error on file \"" + Target + "\"");
        if (std::fseek(out.get(), 0, SEEK_END) != 0)
            throw std::runtime_error("Cannot seek in file \"" + Target + "\"");
    }
    if (Tag == "0") {
        if (static_cast<std::uint64_t>(size) > PackageMaxInstallerSize)
            throw std::runtime_error("The installer \"" + Target + "\" is too large for a route package (" +
                                     std::to_string(size) + " bytes)");
        std::string marker = PackageMarker + std::to_string(size);
        marker += '\0';
        write(marker.data(), marker.size());
    } else {
        write(Tag.data(), Tag.size());
    }
    if (std::fflush(out.get()) != 0)
        throw std::runtime_error("Write error on file \"" + Target + "\"");
}
