#pragma once
// Shared pieces of the archive interoperability tests: a deterministic test
// tree, writing it to disk and comparing an extracted copy with it, running the
// outside tools (Info-ZIP, 7-Zip, bsdtar, Python) and finding the zatool
// program next to the test binary.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace interop {

namespace fs = std::filesystem;

// One file or folder of the test tree. Names are Windows-1252 bytes with "/"
// separators, as the editor hands them to the archive.
struct TreeEntry {
    std::string name;
    bool isDir = false;
    std::string data;
};

// The byte form a tool uses for names on disk.
enum class NameForm {
    Ansi,   // Windows-1252 bytes, as the engine itself reads and writes them
    Oem,    // code page 850 bytes, as names stand inside the archive
    Utf8,   // what Python's zipfile makes of an OEM name (it reads code page 437)
    Native, // the name on disk (UTF-8), as the engine extracts and adds files
};

inline std::string ConvertName(const std::string& ansi, NameForm form)
{
    switch (form) {
    case NameForm::Ansi: return ansi;
    case NameForm::Oem: return AnsiToOem(ansi);
    case NameForm::Utf8: return AnsiToUtf8(ansi);
    case NameForm::Native: return AnsiToUtf8(ansi);
    }
    return ansi;
}

// Deterministic pseudo-random bytes (xorshift64*), so every run and every
// machine sees the same tree.
class ByteSource {
public:
    explicit ByteSource(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint64_t Next()
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    std::string Random(size_t n)
    {
        std::string s(n, '\0');
        for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(Next() >> 56);
        return s;
    }
    // Text lines like a route file: words, numbers and CR LF.
    std::string Text(size_t n)
    {
        static const char* const words[] = {"Track", "Rail", "Station", "Signal", "Curve", "Pitch",
                                            "Wall", "Roof", "Platform", "FreeObj", "Zürich", "Genève"};
        std::string s;
        while (s.size() < n) {
            s += words[Next() % std::size(words)];
            s += ' ';
            s += std::to_string(Next() % 100000);
            s += Next() % 5 == 0 ? "\r\n" : ", ";
        }
        s.resize(n);
        return s;
    }
    // Structured binary that deflates well but not trivially: records with a
    // counter, a few fixed fields and a little noise.
    std::string Pattern(size_t n)
    {
        std::string s;
        s.reserve(n + 16);
        uint32_t i = 0;
        while (s.size() < n) {
            uint32_t v[4] = {i++, 0x3F800000u, static_cast<uint32_t>(Next() % 16), 0xCAFE0000u | (i & 0xFF)};
            s.append(reinterpret_cast<const char*>(v), sizeof v);
        }
        s.resize(n);
        return s;
    }

private:
    uint64_t state_;
};

// The tree every interop case uses: text and binary files, an empty file, a
// one-byte file, an empty folder, nesting, and names with Windows-1252
// characters. pattern.bin spans several compression chunks.
inline std::vector<TreeEntry> SampleTree()
{
    ByteSource src(2026);
    std::vector<TreeEntry> t;
    t.push_back({"readme.txt", false, src.Text(30000)});
    t.push_back({"empty.txt", false, ""});
    t.push_back({"one.bin", false, std::string(1, '\0')});
    t.push_back({"Empty Folder", true, ""});
    t.push_back({"Bahnhof Z\xFCrich.txt", false, src.Text(4000)});
    t.push_back({"data", true, ""});
    t.push_back({"data/random.bin", false, src.Random(200000)});
    t.push_back({"data/pattern.bin", false, src.Pattern(2600000)});
    t.push_back({"data/Gen\xE8ve", true, ""});
    t.push_back({"data/Gen\xE8ve/Quai 1.txt", false, src.Text(1500)});
    t.push_back({"data/deep", true, ""});
    t.push_back({"data/deep/er", true, ""});
    t.push_back({"data/deep/er/est", true, ""});
    t.push_back({"data/deep/er/est/leaf.csv", false, src.Text(777)});
    return t;
}

// A smaller tree with ASCII names only, for the tools whose own name handling
// is not the point of a case.
inline std::vector<TreeEntry> AsciiTree()
{
    std::vector<TreeEntry> t;
    for (const TreeEntry& e : SampleTree()) {
        bool ascii = true;
        for (unsigned char c : e.name) ascii = ascii && c < 0x80;
        if (ascii) t.push_back(e);
    }
    return t;
}

inline std::string ReadAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const fs::path& p, const std::string& data)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

inline void WriteTree(const fs::path& root, const std::vector<TreeEntry>& tree, NameForm form)
{
    fs::create_directories(root);
    for (const TreeEntry& e : tree) {
        fs::path p = root / ConvertName(e.name, form);
        if (e.isDir) {
            fs::create_directories(p);
        } else {
            fs::create_directories(p.parent_path());
            WriteAll(p, e.data);
        }
    }
}

// Differences between the folder root and the tree (names in the given form):
// missing or extra files and folders, and files whose bytes differ. Empty when
// they are the same.
inline std::vector<std::string> CompareTree(const fs::path& root, const std::vector<TreeEntry>& tree,
                                            NameForm form)
{
    std::vector<std::string> problems;
    std::map<std::string, const TreeEntry*> want;
    for (const TreeEntry& e : tree) {
        std::string n = ConvertName(e.name, form);
        want[n] = &e;
        for (size_t s = n.find('/'); s != std::string::npos; s = n.find('/', s + 1)) {
            if (!want.count(n.substr(0, s))) want[n.substr(0, s)] = nullptr;  // implied parent
        }
    }
    std::set<std::string> seen;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::string rel = fs::relative(it->path(), root).string();
        seen.insert(rel);
        auto w = want.find(rel);
        if (w == want.end()) {
            problems.push_back("extra: " + AnsiToUtf8(rel));
            continue;
        }
        bool isDir = it->is_directory();
        bool wantDir = w->second == nullptr || w->second->isDir;
        if (isDir != wantDir) {
            problems.push_back("wrong kind: " + AnsiToUtf8(rel));
        } else if (!isDir && ReadAll(it->path()) != w->second->data) {
            problems.push_back("content differs: " + AnsiToUtf8(rel));
        }
    }
    for (const auto& [name, e] : want) {
        if (!seen.count(name)) problems.push_back("missing: " + AnsiToUtf8(name));
    }
    return problems;
}

inline std::string Join(const std::vector<std::string>& lines)
{
    std::string s;
    for (const std::string& l : lines) s += l + "\n";
    return s;
}

// Quotes one shell word.
inline std::string Q(const std::string& s)
{
    std::string r = "'";
    for (char c : s) {
        if (c == '\'') r += "'\\''";
        else r += c;
    }
    return r + "'";
}

inline std::string Q(const fs::path& p) { return Q(p.string()); }

struct RunResult {
    int code = -1;
    std::string out;  // stdout and stderr together
};

// Runs a shell command with a fixed locale and time zone, so the tools name
// and date things the same way on every machine.
inline RunResult Shell(const std::string& cmd)
{
    RunResult r;
    std::string full = "LC_ALL=C.UTF-8 TZ=UTC " + cmd + " 2>&1";
    FILE* p = popen(full.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = pclose(p);
    r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

inline bool HaveTool(const std::string& tool)
{
    return Shell("command -v " + Q(tool) + " >/dev/null").code == 0;
}

// The folder of the running test binary; zatool is built next to it.
inline fs::path BinaryFolder()
{
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : self.parent_path();
}

inline fs::path ZatoolPath() { return BinaryFolder() / "zatool"; }

// A fresh folder below the system temporary folder, removed with its content.
class TempFolder {
public:
    TempFolder()
    {
        std::string tmpl = (fs::temp_directory_path() / "velkast-interop-XXXXXX").string();
        if (mkdtemp(tmpl.data())) path_ = tmpl;
    }
    // VELKAST_KEEP_TEMP=1 keeps the folder for a look after a failure.
    ~TempFolder()
    {
        std::error_code ec;
        if (!path_.empty() && !std::getenv("VELKAST_KEEP_TEMP")) fs::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& s) const { return path_ / s; }

private:
    fs::path path_;
};

}  // namespace interop
