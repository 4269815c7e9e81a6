// Adding disk files to the archive: how a file mask becomes a search path,
// the scan of the disk below BaseDir with file, exclusion and no-compression
// masks, and the update that the scan fills and EndUpdate writes.
//
// Masks are the wildcard masks of zip/zamasks.h. Disk names are native paths
// ("/" separators); masks may use "\" or "/". Masks come as ANSI, as every
// name of the interface: the scan turns them into disk names once and then
// works on disk names throughout; a found file's item name is the ANSI form
// of its disk name. A file pattern is matched against the ANSI form of the
// names, as the mask was written for them. A file search returns ordinary
// files always and an entry that is hidden (on this system: its name begins
// with "."), a system file, a volume label or a folder only when that
// attribute is in the search set. Links to folders are never followed.

#include "zip/zaarchiver.h"

#include "zip/zafileutil.h"
#include "zip/zamasks.h"
#include "zip/zastrfunc.h"

#include "platform/paths.h"
#include "platform/textlines.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr uint32_t SpecialAttributes = faHidden | faSysFile | faVolumeID | faDirectory;

// Keeps the current folder of the process and puts it back on every exit.
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

struct FoundEntry {
    std::string Name; // as on disk
    std::string Ansi; // as the archive will name it
    uint32_t Attr = 0;
    bool IsFolder() const { return (Attr & faDirectory) != 0; }
};

// Every entry of a folder, in the order the file system of the original
// platform lists them (names compared without regard to case).
std::vector<FoundEntry> ListFolder(const std::string& folder)
{
    std::vector<FoundEntry> entries;
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder.empty() ? "." : folder, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        FoundEntry e;
        e.Name = it->path().filename().string();
        e.Ansi = AnsiFileName(e.Name);
        // The entry's kind as the folder listing gave it (no look at each).
        std::error_code sec;
        if (it->is_symlink(sec)) {
            // A link to a folder could lead back up the tree: passed over.
            std::error_code tec;
            if (!fs::is_regular_file(it->status(tec)))
                continue;
            e.Attr = faArchive;
        } else if (it->is_directory(sec)) {
            e.Attr = faDirectory;
        } else if (it->is_regular_file(sec)) {
            e.Attr = faArchive;
        } else {
            continue;
        }
        const int32_t attr = ZAFileGetAttr(DirWithBackslash(folder) + e.Name);
        if (attr >= 0 && (attr & faReadOnly))
            e.Attr |= faReadOnly;
        if (!e.Name.empty() && e.Name[0] == '.')
            e.Attr |= faHidden;
        entries.push_back(std::move(e));
    }
    std::sort(entries.begin(), entries.end(), [](const FoundEntry& a, const FoundEntry& b) {
        int c = ZACompareText(a.Ansi, b.Ansi);
        return c != 0 ? c < 0 : a.Name < b.Name;
    });
    return entries;
}

// The file system's own name test of a search: "*" and "*.*" list every
// entry, other patterns are wildcard masks.
bool SearchMatches(const std::string& name, const std::string& pattern)
{
    if (pattern == "*" || pattern == "*.*")
        return true;
    return FileNameMatchesMask(name, pattern);
}

// An empty mask matches nothing: left out.
TStrings NativeMasks(const TStrings& masks)
{
    TStrings native;
    for (const std::string& m : masks)
        if (!m.empty())
            native.push_back(NativeFileName(m));
    return native;
}

bool AttributesPass(uint32_t attr, uint32_t searchAttr) { return (attr & SpecialAttributes & ~searchAttr) == 0; }

class TDiskScan {
public:
    TDiskScan(TZABaseArchiver& za, uint16_t searchAttr, bool move, const TStrings& exclusions)
        : Za(za), SearchAttr(searchAttr), Move(move), Exclusions(NativeMasks(exclusions)),
          NoCompression(NativeMasks(za.NoCompressionMasks)) {}

    void ScanFolder(const std::string& folder, const std::string& mask, bool recurse)
    {
        std::string path;
        bool relative = false;
        Za.ResolveMaskPath(mask, folder, path, relative);
        const std::string dir = ExtractFilePath(path);
        const std::string pattern = ExtractFileName(path);
        const std::string ansiPattern = AnsiFileName(pattern);
        const std::vector<FoundEntry> entries = ListFolder(dir);

        const uint32_t fileAttr = SearchAttr & ~faDirectory;
        for (const FoundEntry& e : entries)
            if (!e.IsFolder() && AttributesPass(e.Attr, fileAttr) && SearchMatches(e.Ansi, ansiPattern))
                CheckFoundFile(e, dir);

        if (!(SearchAttr & faDirectory) && !recurse)
            return;
        for (const FoundEntry& e : entries) {
            if (!e.IsFolder() || e.Name.empty() || e.Name[0] == '.')
                continue;
            const std::string sub = DirWithBackslash(dir) + e.Name;
            // "*" and "*.*" take every folder, as they take every file; the
            // bare mask test would pass over folders without a dot.
            const bool all = pattern == "*" || pattern == "*.*";
            if ((SearchAttr & faDirectory) && (all || FileNameMatchesMask(sub, path))) {
                CheckFoundFile(e, dir);
                ScanFolder(sub, "*.*", true);
                continue;
            }
            if (recurse)
                ScanFolder(sub, pattern, true);
        }
    }

private:
    void CheckFoundFile(const FoundEntry& e, const std::string& folder)
    {
        std::string fullName = DirWithBackslash(folder) + e.Name;
        if (e.IsFolder())
            fullName = DirWithBackslash(fullName);
        for (const std::string& mask : Exclusions)
            if (Za.FileFitsMask(fullName, mask, e.IsFolder()))
                return;
        AddFoundFile(fullName, e);
    }

    void AddFoundFile(const std::string& fullName, const FoundEntry& e)
    {
        bool confirm = true;
        Za.DoConfirmProcessFile(AnsiFileName(fullName), Move ? poMove : poAdd, confirm);
        if (!confirm)
            return;
        const int32_t index = Za.AddOrReplaceDiskFile(fullName, true);
        if (index < 0)
            return;
        TDirItem& item = Za.DirManager()->Directory().GetItemPtr(index);
        if (Move)
            item.Operation = poMove;
        for (const std::string& mask : NoCompression) {
            if (Za.FileFitsMask(fullName, mask, e.IsFolder())) {
                item.CompressionMode = 0;
                const int method = Za.NewItemMethod();
                item.CentralDir.Method = (method == 0 || method == 8) ? 0 : 255;
                break;
            }
        }
    }

    TZABaseArchiver& Za;
    uint16_t SearchAttr;
    bool Move;
    const TStrings Exclusions;
    const TStrings NoCompression;
};

std::string CurrentFolderPath() { return ExpandFileNameRelative("", ""); }

} // namespace

void TZABaseArchiver::AddFiles(const std::string& FileMask, uint16_t SearchAttr, const std::string& ExclusionMask)
{
    CheckActive();
    const TStrings masks{FileMask};
    const TStrings exclusions{ExclusionMask};
    BeginUpdate();
    try {
        RunWholeOperation([&] { CollectDiskFiles(masks, SearchAttr, Options.Recurse, false, exclusions); });
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
    std::string name = ToNativePath(FileName);
    std::string mask = ToNativePath(Mask);
    if (IsFolder) {
        name = DirWithBackslash(name);
        if (!mask.empty() && mask.back() != '*')
            mask = DirWithBackslash(mask);
    }
    const std::string current = CurrentFolderPath();
    std::string path;
    bool relative = false;
    ResolveMaskPath(mask, current, path, relative);
    if (relative) {
        const std::string rel = ExtractRelativePath(DirWithBackslash(current), name);
        if (FileNameMatchesMask(rel, ExtractFileName(path)))
            return true;
        const std::string base = DirWithBackslash(ExpandFileNameRelative(ToNativePath(BaseDir), ""));
        return FileNameMatchesMask(rel, ExtractRelativePath(base, path));
    }
    if (ExtractFilePath(name) != ExtractFilePath(path))
        return false;
    return FileNameMatchesMask(name, path);
}

void TZABaseArchiver::ResolveMaskPath(const std::string& Mask, const std::string& Folder, std::string& Path,
                                      bool& IsRelative)
{
    const std::string f = ExpandFileNameRelative(ToNativePath(Folder), "");
    const std::string mask = ToNativePath(Mask);
    Path.clear();
    IsRelative = false;
    if (mask.empty())
        return;
    if (mask[0] == '/') {
        // A full path of this system names an existing folder; otherwise a
        // leading separator means "below the folder", as on the original
        // platform where full paths begin with a drive.
        const std::string dir = ExtractFilePath(mask);
        if (mask.size() == 1)
            Path = f;
        else if (mask[1] == '/' || (dir.size() > 1 && DirectoryExists(dir)))
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
    // Stored names and relative mask tests are taken from the current folder.
    const std::string base = ExpandFileNameRelative(ToNativePath(BaseDir), "");
    std::error_code ec;
    fs::current_path(base, ec);
    struct ScanFolderKeeper {
        std::string& Folder;
        ~ScanFolderKeeper() { Folder.clear(); }
    } scanFolder{FScanFolder};
    FScanFolder = fs::current_path(ec).string();
    TDiskScan scan(*this, SearchAttr, Move, ExclusionMasks);
    for (const std::string& mask : FileMasks)
        scan.ScanFolder(base, NativeFileName(mask), Recurse);
}
