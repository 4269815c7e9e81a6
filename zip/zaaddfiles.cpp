// Adding disk files to the archive: the scan below BaseDir with file and
// exclusion masks. This is the plain form of the add path (masks matched by
// MatchesMaskEx); the full mask engine replaces this file.

#include "zip/zaarchiver.h"

#include "zip/zafileutil.h"
#include "zip/zastrfunc.h"

#include "platform/paths.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct CurrentDirKeeper {
    CurrentDirKeeper()
    {
        std::error_code ec;
        Saved = fs::current_path(ec);
    }
    ~CurrentDirKeeper()
    {
        std::error_code ec;
        if (!Saved.empty())
            fs::current_path(Saved, ec);
    }
    fs::path Saved;
};

struct ScanArgs {
    uint16_t SearchAttr;
    bool Move;
    const TStrings* Exclusions;
};

void ScanFolder(TZABaseArchiver& za, const std::string& folder, const std::string& mask, bool recurse,
                const ScanArgs& args);

void AddFound(TZABaseArchiver& za, const std::string& fullName, bool isFolder, const ScanArgs& args)
{
    for (const std::string& ex : *args.Exclusions)
        if (!ex.empty() && za.FileFitsMask(fullName, ex, isFolder))
            return;
    bool confirm = true;
    za.DoConfirmProcessFile(fullName, args.Move ? poMove : poAdd, confirm);
    if (!confirm)
        return;
    int32_t index = za.AddOrReplaceItem(fullName, true);
    if (index < 0)
        return;
    TDirItem& item = za.DirManager()->Directory().GetItemPtr(index);
    if (args.Move)
        item.Operation = poMove;
    for (const std::string& m : za.NoCompressionMasks) {
        if (!m.empty() && za.FileFitsMask(fullName, m, isFolder)) {
            item.CompressionMode = 0;
            item.CentralDir.Method = (za.NewItemMethod() == 0 || za.NewItemMethod() == 8) ? 0 : 255;
            break;
        }
    }
}

void ScanFolder(TZABaseArchiver& za, const std::string& folder, const std::string& mask, bool recurse,
                const ScanArgs& args)
{
    std::string path;
    bool relative = false;
    za.ResolveMaskPath(mask, folder, path, relative);
    const std::string dir = ExtractFilePath(path);
    const std::string namePart = ExtractFileName(path);
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (auto it = fs::directory_iterator(dir.empty() ? "." : dir, ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        entries.push_back(*it);
    std::sort(entries.begin(), entries.end(),
              [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
    for (const auto& e : entries) {
        std::error_code ec2;
        if (e.is_directory(ec2))
            continue;
        std::string name = e.path().filename().string();
        if (MatchesMaskEx(name, namePart, true))
            AddFound(za, DirWithBackslash(dir) + name, false, args);
    }
    if (!(args.SearchAttr & faDirectory) && !recurse)
        return;
    for (const auto& e : entries) {
        std::error_code ec2;
        if (!e.is_directory(ec2))
            continue;
        std::string name = e.path().filename().string();
        if (name.empty() || name[0] == '.')
            continue;
        std::string sub = DirWithBackslash(dir) + name;
        if ((args.SearchAttr & faDirectory) && MatchesMaskEx(name, namePart, true)) {
            AddFound(za, DirWithBackslash(sub), true, args);
            ScanFolder(za, sub, "*.*", true, args);
        } else if (recurse) {
            ScanFolder(za, sub, namePart, true, args);
        }
    }
}

} // namespace

void TZABaseArchiver::AddFiles(const std::string& FileMask, uint16_t SearchAttr, const std::string& ExclusionMask)
{
    CheckActive();
    TStrings masks{FileMask};
    TStrings exclusions{ExclusionMask};
    BeginUpdate();
    try {
        CollectDiskFiles(masks, SearchAttr, Options.Recurse, false, exclusions);
        EndUpdate();
    } catch (...) {
        CancelUpdate();
        throw;
    }
}

bool TZABaseArchiver::FileFitsMask(const std::string& FileName, const std::string& Mask, bool IsFolder)
{
    if (Mask == "*.*")
        return true;
    std::string name = FileName, mask = Mask;
    if (IsFolder) {
        name = DirWithBackslash(name);
        if (!mask.empty() && mask.back() != '*')
            mask = DirWithBackslash(mask);
    }
    std::string path;
    bool relative = false;
    ResolveMaskPath(mask, "", path, relative);
    if (relative) {
        std::string rel = ExtractRelativePath(DirWithBackslash(ExpandFileNameRelative("", "")), name);
        if (MatchesMaskEx(rel, ExtractFileName(path), true) || MatchesMaskEx(rel, mask, true))
            return true;
        std::string relBase = ExtractRelativePath(DirWithBackslash(ExpandFileNameRelative(BaseDir, "")), name);
        return MatchesMaskEx(relBase, mask, true);
    }
    if (ExtractFilePath(ToNativePath(name)) != ExtractFilePath(ToNativePath(path)))
        return false;
    return MatchesMaskEx(ExtractFileName(name), ExtractFileName(path), true);
}

void TZABaseArchiver::ResolveMaskPath(const std::string& Mask, const std::string& Folder, std::string& Path,
                                      bool& IsRelative)
{
    const std::string f = ExpandFileNameRelative(Folder, "");
    const std::string mask = ToNativePath(Mask);
    Path.clear();
    IsRelative = false;
    if (mask.empty())
        return;
    if (mask[0] == '/') {
        if (mask.size() == 1)
            Path = f;
        else if (mask[1] == '/')
            Path = mask;
        else
            Path = f + mask;
        return;
    }
    if (mask.find(':') == std::string::npos) {
        IsRelative = true;
        Path = DirWithBackslash(f) + mask;
        return;
    }
    Path = mask;
}

void TZABaseArchiver::CollectDiskFiles(const TStrings& FileMasks, uint16_t SearchAttr, bool Recurse, bool Move,
                                       const TStrings& ExclusionMasks)
{
    CurrentDirKeeper keep;
    const std::string base = ExpandFileNameRelative(ToNativePath(BaseDir), "");
    std::error_code ec;
    fs::current_path(base, ec);
    ScanArgs args{SearchAttr, Move, &ExclusionMasks};
    for (const std::string& mask : FileMasks)
        ScanFolder(*this, base, mask, Recurse, args);
}
