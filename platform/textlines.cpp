#include "platform/textlines.h"

#include "platform/paths.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include <fcntl.h>
#include <unistd.h>

TStrings SplitLines(std::string_view text)
{
    TStrings lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::string JoinLines(const TStrings& lines)
{
    std::size_t n = 0;
    for (const auto& l : lines)
        n += l.size() + 2;
    std::string out;
    out.reserve(n);
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

bool ReadFileBytes(const std::string& path, std::string& data)
{
    data.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return false;
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0)
        return false;
    in.seekg(0, std::ios::beg);
    data.resize(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(data.data(), size)) {
        data.clear();
        return false;
    }
    return true;
}

bool WriteFileAtomic(const std::string& path, std::string_view data)
{
    namespace fs = std::filesystem;
    if (IsWriteProtected(path)) {
        errno = EACCES;
        return false;
    }
    fs::path target(path);
    fs::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    std::string tmpl = (dir / (target.filename().string() + ".tmpXXXXXX")).string();
    int fd = mkstemp(tmpl.data());
    if (fd < 0)
        return false;
    const char* p = data.data();
    std::size_t left = data.size();
    int error = 0;
    while (left > 0) {
        ssize_t w = ::write(fd, p, left);
        if (w <= 0) {
            error = w < 0 ? errno : EIO;
            break;
        }
        p += w;
        left -= static_cast<std::size_t>(w);
    }
    // A full disk may show only when the data reach it.
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error) {
        // Keep the permissions of the file we replace, or the usual ones.
        std::error_code ec;
        auto st = fs::status(target, ec);
        fs::perms perms = (!ec && fs::exists(st)) ? st.permissions()
                                                  : (fs::perms::owner_read | fs::perms::owner_write |
                                                     fs::perms::group_read | fs::perms::others_read);
        fs::permissions(tmpl, perms, ec);
        if (std::rename(tmpl.c_str(), path.c_str()) != 0)
            error = errno;
    }
    if (!error)
        return true;
    std::remove(tmpl.c_str());
    errno = error;
    return false;
}

bool LoadLines(const std::string& path, TStrings& lines)
{
    std::string data;
    if (!ReadFileBytes(path, data)) {
        lines.clear();
        return false;
    }
    lines = SplitLines(data);
    return true;
}

bool SaveLines(const std::string& path, const TStrings& lines)
{
    return WriteFileAtomic(path, JoinLines(lines));
}

char AnsiUpperChar(char c)
{
    auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z')
        return static_cast<char>(u - 32);
    // Windows-1252 letters: à..þ except ÷, and š œ ž ÿ.
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7)
        return static_cast<char>(u - 32);
    switch (u) {
    case 0x9A: return static_cast<char>(0x8A);
    case 0x9C: return static_cast<char>(0x8C);
    case 0x9E: return static_cast<char>(0x8E);
    case 0xFF: return static_cast<char>(0x9F);
    default: return c;
    }
}

char AnsiLowerChar(char c)
{
    auto u = static_cast<unsigned char>(c);
    if (u >= 'A' && u <= 'Z')
        return static_cast<char>(u + 32);
    if (u >= 0xC0 && u <= 0xDE && u != 0xD7)
        return static_cast<char>(u + 32);
    switch (u) {
    case 0x8A: return static_cast<char>(0x9A);
    case 0x8C: return static_cast<char>(0x9C);
    case 0x8E: return static_cast<char>(0x9E);
    case 0x9F: return static_cast<char>(0xFF);
    default: return c;
    }
}

std::string AnsiUpperCase(std::string_view s)
{
    std::string r(s);
    for (auto& c : r)
        c = AnsiUpperChar(c);
    return r;
}

std::string AnsiLowerCase(std::string_view s)
{
    std::string r(s);
    for (auto& c : r)
        c = AnsiLowerChar(c);
    return r;
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AnsiUpperChar(a[i]) != AnsiUpperChar(b[i]))
            return false;
    return true;
}

std::string NameOfLine(std::string_view line)
{
    auto eq = line.find('=');
    return std::string(eq == std::string_view::npos ? line : line.substr(0, eq));
}

std::string ValueOfLine(std::string_view line)
{
    auto eq = line.find('=');
    return eq == std::string_view::npos ? std::string() : std::string(line.substr(eq + 1));
}

int IndexOfName(const TStrings& lines, std::string_view name)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view l = lines[i];
        auto eq = l.find('=');
        if (eq != std::string_view::npos && SameText(l.substr(0, eq), name))
            return static_cast<int>(i);
    }
    return -1;
}

std::string GetValue(const TStrings& lines, std::string_view name)
{
    int i = IndexOfName(lines, name);
    return i < 0 ? std::string() : ValueOfLine(lines[static_cast<std::size_t>(i)]);
}

void SetValue(TStrings& lines, std::string_view name, std::string_view value)
{
    int i = IndexOfName(lines, name);
    if (value.empty()) {
        if (i >= 0)
            lines.erase(lines.begin() + i);
        return;
    }
    std::string line = std::string(name) + "=" + std::string(value);
    if (i >= 0)
        lines[static_cast<std::size_t>(i)] = std::move(line);
    else
        lines.push_back(std::move(line));
}

std::string Trim(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return std::string(s.substr(b, e - b));
}
