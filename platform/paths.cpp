#include "platform/paths.h"

#include "platform/codepage.h"
#include "platform/textlines.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string& ProgramFolderOverride()
{
    static std::string folder;
    return folder;
}

bool IsSep(char c) { return c == '/' || c == '\\'; }

} // namespace

std::string NativeFileName(std::string_view ansi) { return AnsiToUtf8(ansi); }

std::string AnsiFileName(std::string_view native) { return Utf8ToAnsi(native); }

std::string DiskPath(std::string_view modelPath) { return ResolvePathCase(AnsiToUtf8(modelPath)); }

std::string DiskPath(std::string_view diskFolder, std::string_view modelPath)
{
    // The model part lies below the folder, whatever separators it starts with.
    while (!modelPath.empty() && IsSep(modelPath.front()))
        modelPath.remove_prefix(1);
    if (modelPath.empty())
        return ResolvePathCase(ExcludeTrailingPathDelimiter(diskFolder));
    if (diskFolder.empty())
        return DiskPath(modelPath);
    return ResolvePathCase(IncludeTrailingPathDelimiter(diskFolder) + AnsiToUtf8(modelPath));
}

std::optional<std::string> ModelName(std::string_view diskName)
{
    // Windows-1252 holds the name when it comes back unchanged; this also
    // turns away bytes that are not UTF-8.
    std::string ansi = Utf8ToAnsi(diskName);
    if (AnsiToUtf8(ansi) != diskName)
        return std::nullopt;
    return ansi;
}

std::string ToNativePath(std::string_view path)
{
    std::string r(path);
    for (auto& c : r)
        if (c == '\\')
            c = '/';
    return r;
}

std::string ToWindowsPath(std::string_view path)
{
    std::string r(path);
    for (auto& c : r)
        if (c == '/')
            c = '\\';
    return r;
}

std::string ResolvePathCase(std::string_view path)
{
    std::string p = ToNativePath(path);
    if (p.empty())
        return p;
    std::error_code ec;
    if (fs::exists(p, ec))
        return p;

    std::vector<std::string> parts;
    std::string cur;
    for (char c : p) {
        if (c == '/') {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.push_back(cur);

    std::string result;
    std::size_t i = 0;
    if (p[0] == '/') {
        result = "/";
        i = 1; // parts[0] is the empty text before the leading "/"
    }
    // The deepest folder that exists as written is taken as it stands; only
    // the names below it are looked for without regard to case.
    for (std::size_t known = parts.size() - 1; known >= i + 1 && known > 1; --known) {
        bool plain = true;
        std::string prefix;
        for (std::size_t k = 0; k < known && plain; ++k) {
            plain = parts[k] != "." && parts[k] != "..";
            prefix += (k ? "/" : "") + parts[k];
        }
        if (plain && !prefix.empty() && fs::exists(prefix, ec)) {
            result = prefix;
            i = known;
            break;
        }
    }
    bool exists = true;
    for (; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        std::string base = result.empty() ? "." : result;
        std::string chosen = part;
        if (exists && !part.empty() && part != "." && part != "..") {
            fs::path candidate = fs::path(base) / part;
            if (!fs::exists(candidate, ec)) {
                bool found = false;
                for (const auto& entry : fs::directory_iterator(base, ec)) {
                    std::string name = entry.path().filename().string();
                    if (SameTextUtf8(name, part)) {
                        chosen = name;
                        found = true;
                        break;
                    }
                }
                if (!found)
                    exists = false;
            }
        }
        if (!result.empty() && result.back() != '/')
            result += '/';
        result += chosen;
    }
    return result;
}

std::string ProgramFolder()
{
    if (!ProgramFolderOverride().empty())
        return ProgramFolderOverride();
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "./";
    return IncludeTrailingPathDelimiter(exe.parent_path().string());
}

void SetProgramFolder(const std::string& folder)
{
    ProgramFolderOverride() = folder.empty() ? std::string() : IncludeTrailingPathDelimiter(folder);
}

std::string ExtractFilePath(std::string_view path)
{
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsSep(path[i - 1]))
            return std::string(path.substr(0, i));
    return {};
}

std::string ExtractFileName(std::string_view path)
{
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsSep(path[i - 1]))
            return std::string(path.substr(i));
    return std::string(path);
}

std::string ExtractFileExt(std::string_view path)
{
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsSep(path[i - 1]))
            break;
        if (path[i - 1] == '.')
            return std::string(path.substr(i - 1));
    }
    return {};
}

std::string ChangeFileExt(std::string_view path, std::string_view ext)
{
    std::string e = ExtractFileExt(path);
    return std::string(path.substr(0, path.size() - e.size())) + std::string(ext);
}

std::string IncludeTrailingPathDelimiter(std::string_view path)
{
    std::string r(path);
    if (r.empty() || !IsSep(r.back()))
        r += '/';
    return r;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path)
{
    std::string r(path);
    while (r.size() > 1 && IsSep(r.back()))
        r.pop_back();
    return r;
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(ResolvePathCase(path), ec);
}

bool DirectoryExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_directory(ResolvePathCase(path), ec);
}

bool ForceDirectories(const std::string& path)
{
    if (path.empty())
        return false;
    std::error_code ec;
    std::string p = ResolvePathCase(ExcludeTrailingPathDelimiter(path));
    fs::create_directories(p, ec);
    return fs::is_directory(p, ec);
}

bool DeleteFile(const std::string& path)
{
    std::error_code ec;
    std::string p = ResolvePathCase(path);
    if (!fs::is_regular_file(fs::symlink_status(p, ec)) && !fs::is_symlink(fs::symlink_status(p, ec)))
        return false;
    return fs::remove(p, ec);
}

bool CopyFile(const std::string& from, const std::string& to, bool failIfExists)
{
    std::error_code ec;
    std::string src = ResolvePathCase(from);
    std::string dst = ResolvePathCase(to);
    if (!failIfExists && IsWriteProtected(dst)) {
        errno = EACCES;
        return false;
    }
    auto opt = failIfExists ? fs::copy_options::none : fs::copy_options::overwrite_existing;
    return fs::copy_file(src, dst, opt, ec) && !ec;
}

bool IsWriteProtected(const std::string& path)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || (::access(path.c_str(), W_OK) != 0 && errno == EACCES);
}

std::string WriteErrorText(const std::string& path, int error)
{
    if (IsWriteProtected(path))
        return "The file is write-protected.";
    return std::string(std::strerror(error ? error : EIO)) + ".";
}

bool CopyFileData(int In, int Out, int64_t Length)
{
    // The kernel copies without the data passing through here; where it
    // cannot, read and write.
    std::vector<char> buffer;
    int64_t left = Length < 0 ? INT64_MAX : Length;
    while (left > 0) {
        const std::size_t want = std::size_t(std::min<int64_t>(left, 1 << 30));
        ssize_t n = -1;
        if (buffer.empty()) {
            n = ::copy_file_range(In, nullptr, Out, nullptr, want, 0);
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                buffer.resize(1 << 16);
                continue;
            }
        } else {
            n = ::read(In, buffer.data(), std::min(want, buffer.size()));
            // A short write (a disk that is filling up) is followed by one
            // that gives the reason.
            for (ssize_t done = 0; n > 0 && done < n;) {
                const ssize_t w = ::write(Out, buffer.data() + done, std::size_t(n - done));
                if (w <= 0) {
                    if (w == 0)
                        errno = ENOSPC;
                    return false;
                }
                done += w;
            }
        }
        if (n < 0)
            return false;
        if (n == 0)
            return Length < 0;
        left -= n;
    }
    return true;
}
