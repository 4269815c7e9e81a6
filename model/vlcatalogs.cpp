#include "model/vlcatalogs.h"

#include "model/vlhelpers.h"
#include "platform/paths.h"

#include <string_view>

EListError::EListError(int index)
    : std::out_of_range("List index out of bounds (" + std::to_string(index) + ")"), FIndex(index)
{
}

namespace {

// Program folder + object folder + the catalog's own part, as a native path
// with the spelling found on disk.
std::string LibraryPath(const std::string& programFolder, const std::string& objectFolder, std::string_view rest)
{
    // The library folder is always below the program folder.
    std::string folder = ExcludeTrailingPathDelimiter(objectFolder);
    return DiskPath(programFolder, folder.empty() ? std::string(rest) : folder + "\\" + std::string(rest));
}

// The name of a catalog line: the text before its first "="; a line without
// "=" has no name.
std::string_view LineName(std::string_view line)
{
    std::size_t eq = line.find('=');
    return eq == std::string_view::npos ? std::string_view() : line.substr(0, eq);
}

} // namespace

TVLCatalog::TVLCatalog(const std::string& programFolder, const std::string& objectFolder, const char* relativeFile,
                       bool dropDashLine, TOutsideRule rule)
    : Path(LibraryPath(programFolder, objectFolder, relativeFile)), FRule(rule)
{
    if (!FileExists(Path)) {
        LoadError = "The catalog file " + Path + " does not exist.";
        return;
    }
    FileFound = true;
    if (!LoadLines(Path, Lines)) {
        Lines.clear();
        LoadError = "The catalog file " + Path + " cannot be read.";
        return;
    }
    if (dropDashLine) {
        for (auto it = Lines.begin(); it != Lines.end(); ++it) {
            if (*it == "-") {
                Lines.erase(it);
                break;
            }
        }
    }
}

int TVLCatalog::IndexOfId(int id) const
{
    const std::string key = std::to_string(id);
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        std::string_view name = LineName(Lines[i]);
        if (!name.empty() && SameText(name, key))
            return static_cast<int>(i);
    }
    return -1;
}

std::string TVLCatalog::GetFileName(int id) const
{
    int i = IndexOfId(id);
    return i < 0 ? std::string() : ValueOfLine(Lines[static_cast<std::size_t>(i)]);
}

int TVLCatalog::IdAt(int index) const
{
    if (index < 0 || index >= Count()) {
        switch (FRule) {
        case TOutsideRule::Zero:
            return 0;
        case TOutsideRule::ZeroAboveRaise:
            if (index >= 0)
                return 0;
            break;
        case TOutsideRule::MinusOneZero:
            if (index == -1)
                return 0;
            break;
        case TOutsideRule::Raise:
            break;
        }
        throw EListError(index);
    }
    return StrToIntDef(LineName(Lines[static_cast<std::size_t>(index)]), 0);
}

bool TVLCatalog::Save() const
{
    std::string path = ResolvePathCase(Path);
    std::string folder = ExtractFilePath(path);
    if (!folder.empty() && !DirectoryExists(folder) && !ForceDirectories(folder))
        return false;
    return SaveLines(path, Lines);
}

std::string TVLCatalog::Folder() const
{
    return ExtractFilePath(Path);
}

TVLGroundTexturelist::TVLGroundTexturelist(const std::string& programFolder, const std::string& objectFolder)
    : TVLCatalog(programFolder, objectFolder, "grounds/groundid.dat", false, TOutsideRule::Raise)
{
}

TVLBackgroundTexturelist::TVLBackgroundTexturelist(const std::string& programFolder,
                                                   const std::string& objectFolder)
    : TVLCatalog(programFolder, objectFolder, "backgrounds/bgroundid.dat", false, TOutsideRule::Raise)
{
}

std::string TVLBackgroundTexturelist::PicturePath(int index) const
{
    if (index < 0 || index >= Count())
        return std::string();
    std::string file = GetFileName(IdAt(index));
    if (file.empty())
        return std::string();
    return DiskPath(Folder(), file);
}

bool TVLBackgroundTexturelist::LoadPicture(int index, std::string& picture) const
{
    std::string path = PicturePath(index);
    if (path.empty() || !FileExists(path))
        return false;
    std::string data;
    if (!ReadFileBytes(path, data))
        return false;
    picture = std::move(data);
    return true;
}

TVLPlatformlist::TVLPlatformlist(const std::string& programFolder, const std::string& objectFolder)
    : TVLCatalog(programFolder, objectFolder, "platforms/platformid.dat", true, TOutsideRule::ZeroAboveRaise)
{
}

TVLRooflist::TVLRooflist(const std::string& programFolder, const std::string& objectFolder)
    : TVLCatalog(programFolder, objectFolder, "platforms/roofid.dat", true, TOutsideRule::Zero)
{
}

TVLCatenaryPoleList::TVLCatenaryPoleList(const std::string& programFolder, const std::string& objectFolder)
    : TVLCatalog(programFolder, objectFolder, "poles/polesid.dat", true, TOutsideRule::MinusOneZero)
{
}

TVLWalllist::TVLWalllist(const std::string& programFolder, const std::string& objectFolder)
    : TVLCatalog(programFolder, objectFolder, "walls/wallid.dat", true, TOutsideRule::Zero)
{
}
