#include "zip/zastrfunc.h"

#include "platform/paths.h"
#include "platform/textlines.h"

#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool IsSep(char c) { return c == '/' || c == '\\'; }

std::string CurrentDir()
{
    std::error_code ec;
    fs::path p = fs::current_path(ec);
    return ec ? std::string("/") : p.string();
}

// Lexical normalisation of an absolute native path: "." and ".." resolved,
// doubled separators removed. A trailing separator is kept.
std::string Normalise(const std::string& path)
{
    bool trailing = !path.empty() && path.back() == '/' && path.size() > 1;
    std::vector<std::string> parts;
    std::string cur;
    auto flush = [&] {
        if (cur.empty() || cur == ".") {
        } else if (cur == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else {
            parts.push_back(cur);
        }
        cur.clear();
    };
    for (char c : path) {
        if (c == '/')
            flush();
        else
            cur += c;
    }
    flush();
    std::string r = "/";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i)
            r += '/';
        r += parts[i];
    }
    if (trailing && r.size() > 1)
        r += '/';
    return r;
}

// Collation: the program's code page orders by byte value; the case-less
// forms compare the upper-case letters of Windows-1252.
inline unsigned char Place(char c) { return static_cast<unsigned char>(c); }
inline unsigned char UpperPlace(char c) { return static_cast<unsigned char>(AnsiUpperChar(c)); }

template <class F>
int CompareWith(std::string_view a, std::string_view b, std::size_t n, F place)
{
    std::size_t la = std::min(a.size(), n), lb = std::min(b.size(), n);
    std::size_t m = std::min(la, lb);
    for (std::size_t i = 0; i < m; ++i) {
        int d = int(place(a[i])) - int(place(b[i]));
        if (d)
            return d < 0 ? -1 : 1;
    }
    return la == lb ? 0 : (la < lb ? -1 : 1);
}

} // namespace

std::string DirWithBackslash(const std::string& Dir)
{
    std::string d = Dir.empty() ? CurrentDir() : Dir;
    if (d.empty() || !IsSep(d.back()))
        d += '/';
    return d;
}

std::string ExpandFileNameRelative(const std::string& Dir, const std::string& FileName)
{
    std::string dir = ToNativePath(Dir);
    if (FileName.empty()) {
        std::error_code ec;
        if (dir.empty())
            return CurrentDir();
        if (!fs::is_directory(dir, ec))
            return Dir;
        std::string full = dir[0] == '/' ? dir : DirWithBackslash(CurrentDir()) + dir;
        std::string n = Normalise(full);
        if (n.size() > 1 && n.back() == '/')
            n.pop_back();
        return n;
    }
    std::string name = ToNativePath(FileName);
    std::string full;
    if (name[0] == '/') {
        full = name;
    } else {
        std::string base = dir.empty() ? CurrentDir() : dir;
        if (base[0] != '/')
            base = DirWithBackslash(CurrentDir()) + base;
        full = DirWithBackslash(base) + name;
    }
    return Normalise(full);
}

std::string ExtractRelativePath(const std::string& Base, const std::string& Full)
{
    auto split = [](const std::string& s) {
        std::vector<std::string> v;
        std::string cur;
        for (char c : s) {
            if (IsSep(c)) {
                if (!cur.empty())
                    v.push_back(cur);
                cur.clear();
            } else {
                cur += c;
            }
        }
        if (!cur.empty())
            v.push_back(cur);
        return v;
    };
    // Base names a folder only up to its last separator.
    std::vector<std::string> b = split(ExtractFilePath(Base));
    std::vector<std::string> f = split(Full);
    std::size_t i = 0;
    while (i < b.size() && i + 1 < f.size() && b[i] == f[i])
        ++i;
    std::string r;
    for (std::size_t k = i; k < b.size(); ++k)
        r += "../";
    for (std::size_t k = i; k < f.size(); ++k) {
        if (k > i)
            r += '/';
        r += f[k];
    }
    return r;
}

std::string GetStoredFileName(const std::string& FileName, const std::string& BaseDir, TZAStorePathMode StorePath)
{
    // A full folder name already in normal form expands to itself, whether
    // it exists or not: no need to ask the disk (this runs for every file).
    const bool normal = !BaseDir.empty() && BaseDir[0] == '/' && (BaseDir.size() == 1 || BaseDir.back() != '/') &&
                        ToNativePath(BaseDir) == BaseDir && Normalise(BaseDir) == BaseDir;
    std::string base = normal ? BaseDir : ExpandFileNameRelative(BaseDir, "");
    std::string full = ExpandFileNameRelative(base, FileName);
    if (!full.empty() && IsSep(full.back()))
        full.pop_back();
    std::string r;
    switch (StorePath) {
    case spNoPath:
        r = ExtractFileName(full);
        break;
    case spRelativePath:
        r = ExtractRelativePath(DirWithBackslash(base), full);
        break;
    case spFullPath:
        r = full;
        break;
    }
    std::size_t colon = r.find(':');
    if (colon != std::string::npos)
        r.erase(0, colon + 1);
    if (StorePath != spFullPath && !r.empty() && IsSep(r[0]))
        r.erase(0, 1);
    for (auto& c : r)
        if (c == '\\')
            c = '/';
    return r;
}

int ZACompareStrN(std::string_view a, std::string_view b, std::size_t n) { return CompareWith(a, b, n, Place); }

int ZACompareText(std::string_view a, std::string_view b)
{
    return CompareWith(a, b, std::string_view::npos, UpperPlace);
}

int ZACompareTextN(std::string_view a, std::string_view b, std::size_t n) { return CompareWith(a, b, n, UpperPlace); }

bool MatchesMaskEx(std::string_view Name, std::string_view Mask, bool CaseInsensitive)
{
    if (Mask == "*.*")
        return true;
    const std::size_t n = Name.size(), m = Mask.size();
    // Memo of (name position, mask position): 0 unknown, 1 no, 2 yes. Keeps
    // masks with many stars from taking exponential time.
    std::vector<unsigned char> memo((n + 1) * (m + 1), 0);
    auto same = [&](char a, char b) { return CaseInsensitive ? AnsiUpperChar(a) == AnsiUpperChar(b) : a == b; };
    auto match = [&](auto&& self, std::size_t ni, std::size_t mi) -> bool {
        unsigned char& slot = memo[ni * (m + 1) + mi];
        if (slot)
            return slot == 2;
        bool result = false;
        for (;;) {
            if (Mask.substr(mi) == "*") {
                result = true;
                break;
            }
            if (ni >= n) {
                result = mi >= m;
                break;
            }
            if (mi >= m)
                break;
            char mc = Mask[mi];
            if (mc == '*') {
                for (std::size_t k = ni; k < n && !result; ++k)
                    result = self(self, k, mi + 1);
                break;
            }
            if (mc != '?' && !same(mc, Name[ni]))
                break;
            ++ni;
            ++mi;
        }
        slot = result ? 2 : 1;
        return result;
    };
    return match(match, 0, 0);
}
