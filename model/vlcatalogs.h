#pragma once
// The object-library catalogs: small "id=file" text files that map the numeric
// ids stored in track properties to the object or image files of the library.
//
// Each catalog is built from the program folder and the object-folder setting
// (the editor passes ProgramFolder() and FormOptions->GetObjectFolder(); the
// route writer passes the same), so this unit needs nothing of the editor.
// The settings are read when the catalog is created; a catalog does not follow
// later changes of the object folder.

#include "platform/textlines.h"

#include <stdexcept>
#include <string>

// An index outside a list. Raised where a list has no answer for such an index,
// so that callers can catch it and show the message instead of reading beyond
// the list.
class EListError : public std::out_of_range {
public:
    explicit EListError(int index);
    int Index() const { return FIndex; }

private:
    int FIndex;
};

// The common pattern of the six catalogs. Lines hold the catalog's "id=file"
// lines as read (after the class's load rule); Save writes them back.
class TVLCatalog {
public:
    // How a catalog answers IdAt for an index outside its lines.
    enum class TOutsideRule {
        Raise,          // every index outside raises EListError
        ZeroAboveRaise, // index >= count gives 0, a negative index raises
        Zero,           // every index outside gives 0
        MinusOneZero,   // -1 gives 0, other indexes outside raise
    };

    TStrings Lines;
    // Full native path of the catalog file, fixed at creation. The folder
    // parts are resolved against the disk without regard to letter case.
    std::string Path;
    // Whether the catalog file was found at creation.
    bool FileFound = false;
    // Empty when the catalog loaded; otherwise a sentence naming the file and
    // the problem (missing or unreadable), for the caller to show if it wants.
    // Either way the catalog is usable (empty when nothing could be read).
    std::string LoadError;

    int Count() const { return static_cast<int>(Lines.size()); }

    // Index of the first line whose name equals the decimal Id, -1 if none.
    int IndexOfId(int id) const;
    // The file of the first line for Id, "" if none.
    std::string GetFileName(int id) const;
    // The id of the line at Index (0 when its name is no whole number or the
    // line has no "="). Indexes outside the lines follow the class's rule.
    int IdAt(int index) const;
    // Writes the lines (CR LF) to Path, creating its folder when missing.
    // Returns false when the file could not be written; the old file is then
    // left as it was.
    bool Save() const;

    // The catalog folder's full path with a trailing separator.
    std::string Folder() const;

protected:
    TVLCatalog(const std::string& programFolder, const std::string& objectFolder, const char* relativeFile,
               bool dropDashLine, TOutsideRule rule);

private:
    TOutsideRule FRule;
};

// "grounds\groundid.dat". IdAt raises for every index outside the lines.
class TVLGroundTexturelist : public TVLCatalog {
public:
    TVLGroundTexturelist(const std::string& programFolder, const std::string& objectFolder);
};

// "backgrounds\bgroundid.dat". IdAt raises for every index outside the lines.
class TVLBackgroundTexturelist : public TVLCatalog {
public:
    TVLBackgroundTexturelist(const std::string& programFolder, const std::string& objectFolder);

    // The picture file of the line at Index: the backgrounds folder plus the
    // line's file, resolved against the disk; "" for an index outside the
    // lines or a line without a file.
    std::string PicturePath(int index) const;
    // Reads that picture file whole into Picture (the editor turns the bytes
    // into an image). When the index is outside the lines or the file does not
    // exist or cannot be read, Picture keeps its previous content and the
    // result is false.
    bool LoadPicture(int index, std::string& picture) const;
};

// "platforms\platformid.dat"; the first "-" line is dropped on load.
// IdAt gives 0 for an index at or beyond the end and raises for a negative one.
class TVLPlatformlist : public TVLCatalog {
public:
    TVLPlatformlist(const std::string& programFolder, const std::string& objectFolder);
};

// "platforms\roofid.dat"; the first "-" line is dropped on load.
// IdAt gives 0 for every index outside the lines.
class TVLRooflist : public TVLCatalog {
public:
    TVLRooflist(const std::string& programFolder, const std::string& objectFolder);
};

// "poles\polesid.dat"; the first "-" line is dropped on load.
// IdAt gives 0 for index -1 and raises for other indexes outside the lines.
class TVLCatenaryPoleList : public TVLCatalog {
public:
    TVLCatenaryPoleList(const std::string& programFolder, const std::string& objectFolder);
};

// "walls\wallid.dat"; the first "-" line is dropped on load.
// IdAt gives 0 for every index outside the lines.
class TVLWalllist : public TVLCatalog {
public:
    TVLWalllist(const std::string& programFolder, const std::string& objectFolder);
};
