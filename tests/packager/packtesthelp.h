#pragma once
// Helpers of the packager and installer tests: scratch folders, whole files,
// the items of an archive, outside tools.

#include "zip/zaarchiver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace packtest {

namespace fs = std::filesystem;

// A fresh folder below the system's temporary folder, removed afterwards.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string templ = (fs::temp_directory_path() / "packtestXXXXXX").string();
        Path = ::mkdtemp(templ.data());
    }
    ~ScratchDir()
    {
        std::error_code ec;
        fs::remove_all(Path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string operator/(const std::string& name) const { return Path + "/" + name; }
    std::string Path;
};

inline void WriteFile(const std::string& path, const std::string& data)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(data.data(), static_cast<std::streamsize>(data.size()));
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

inline bool Exists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// Stored names of an archive's items, in directory order.
inline std::vector<std::string> ArchiveNames(const std::string& archive)
{
    TZipArchiver za;
    za.FileName = archive;
    za.OpenArchiveWithMode(fmOpenRead | fmShareDenyNone);
    std::vector<std::string> names;
    for (int32_t i = 0; i < za.Count(); ++i)
        names.push_back(za.Item(i).StoredName);
    za.CloseArchive();
    return names;
}

// Runs a shell command; its exit status (-1 when it could not run).
inline int RunCommand(const std::string& command)
{
    int rc = std::system(command.c_str());
    return (rc != -1 && WIFEXITED(rc)) ? WEXITSTATUS(rc) : -1;
}

inline bool HaveTool(const std::string& tool) { return RunCommand("command -v " + tool + " >/dev/null 2>&1") == 0; }

// A 24-bit bitmap of w x h pixels, all of one grey.
inline std::string SmallBitmap(int w, int h, unsigned char grey)
{
    const int row = (w * 3 + 3) & ~3;
    const int size = 54 + row * h;
    std::string b(size_t(size), '\0');
    auto put32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[size_t(at + i)] = char((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, uint32_t(size));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    b[26] = 1;
    b[28] = 24;
    put32(34, uint32_t(row * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x)
            b[size_t(54 + y * row + x)] = char(grey);
    return b;
}

} // namespace packtest
