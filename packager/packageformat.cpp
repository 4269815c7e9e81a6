#include "packager/packageformat.h"

#include "platform/paths.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

#include <unistd.h>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

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
        if (std::fflush(out.get()) != 0 || ::lseek(fileno(out.get()), 0, SEEK_END) < 0 ||
            !CopyFileData(fileno(in.get()), fileno(out.get())))
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
