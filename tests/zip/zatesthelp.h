#pragma once
// Helpers of the archive engine's tests: scratch folders, files, outside
// tools, and small archives built through the component itself.

#include "zip/zaarchiver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>

namespace zatest {

namespace fs = std::filesystem;

// A fresh folder below the system's temporary folder, removed afterwards.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string templ = (fs::temp_directory_path() / "zatestXXXXXX").string();
        Path = mkdtemp(templ.data());
    }
    ~ScratchDir()
    {
        std::error_code ec;
        fs::permissions(Path, fs::perms::owner_all, fs::perm_options::add, ec);
        for (auto& e : fs::recursive_directory_iterator(Path, ec))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(Path, ec);
    }
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
    return fs::exists(path, ec);
}

// Runs a shell command; returns its exit status and puts its output in out.
inline int RunTool(const std::string& command, std::string* out = nullptr)
{
    std::string text;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return -1;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        text.append(buf, n);
    int status = pclose(p);
    if (out)
        *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline bool HaveTool(const std::string& name) { return RunTool("command -v " + name + " >/dev/null") == 0; }

// Bytes that do not compress to nothing: a mix of text and noise.
inline std::string SampleData(std::size_t size, unsigned seed = 1)
{
    std::string s(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        s[i] = (i / 64) % 3 == 0 ? char('a' + (i % 26)) : char(x >> 24);
    }
    return s;
}

// Keeps the current folder and puts it back.
struct CwdKeeper {
    CwdKeeper() : Saved(fs::current_path()) {}
    ~CwdKeeper() { fs::current_path(Saved); }
    fs::path Saved;
};

// Files (relative name -> content) written below base and added to a new
// archive at path through the component.
inline void MakeArchive(const std::string& path, const std::string& base,
                        const std::map<std::string, std::string>& files, const std::string& password = "",
                        int mode = 1)
{
    for (auto& [name, data] : files)
        if (!name.empty() && name.back() == '/')
            fs::create_directories(base + "/" + name);
        else
            WriteFile(base + "/" + name, data);
    TZipArchiver z;
    z.FileName = path;
    z.Password = password;
    z.SetCompressionMode(mode);
    z.OpenArchiveWithMode(fmCreate);
    CwdKeeper keep;
    fs::current_path(base);
    z.BeginUpdate();
    for (auto& [name, data] : files)
        z.AddOrReplaceItem(name, true);
    z.EndUpdate();
    z.CloseArchive();
}

inline uint16_t Get16(const std::string& s, size_t at)
{
    return uint16_t(uint8_t(s[at]) | (uint8_t(s[at + 1]) << 8));
}
inline uint32_t Get32(const std::string& s, size_t at)
{
    return uint32_t(Get16(s, at)) | (uint32_t(Get16(s, at + 2)) << 16);
}

} // namespace zatest
