#pragma once
// The installation proper, without windows: the files "files.dat" lists are
// moved from the unpack folder into the BVE folder. Every line is checked
// before anything is written (it stays inside both folders, is not longer
// than a path may be, names a file the package holds, and the list has no
// more lines than the package has files), so a damaged or hostile list
// installs nothing. What the installation added (files and folders that did
// not exist before it) is remembered, and a file it replaces is first kept
// aside under another name in its folder, so that a failed or cancelled
// installation can take everything back.

#include "platform/textlines.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class TRouteCopy {
public:
    // Source: the unpack folder; Target: the BVE folder. Native paths.
    TRouteCopy(std::string Source, std::string Target);

    // Reads and checks "files.dat"; raises std::runtime_error with the
    // reason (a UTF-8 text naming the line or file).
    void Prepare();

    // The files to install, in list order (duplicates once).
    std::size_t Count() const { return FJobs.size(); }
    // The list line of file i (ANSI).
    const std::string& Line(std::size_t i) const { return FJobs[i].Line; }

    // Installs file i: makes its folder, then moves it (or copies it when
    // the folders lie on different file systems), replacing a file of that
    // name. Raises std::runtime_error naming the file and the system's
    // reason.
    void Install(std::size_t i);

    // After the last file: removes the files kept aside.
    void Commit();
    // Removes the files and folders this installation added and puts the
    // files it replaced back. False when some of them could not be.
    bool RollBack();

    // The longest path the platform takes.
    static constexpr std::size_t MaxPathLength = 4096;

private:
    struct TJob {
        std::string Line, From, To;
    };
    void MakeFolders(const std::string& folder);
    // Moves the job's file to To (its target, or Part to replace the target
    // afterwards), or across file systems copies it to Part beside the
    // target and renames that to To once it is whole. Failures name the
    // target.
    void Move(const TJob& Job, const std::string& To, const std::string& Part);
    // The disk path of Rel (ANSI, "/" inside) below Base, with the letter
    // case of what exists on disk; each folder is looked up and listed once.
    std::string Resolve(const std::string& Base, const std::string& Rel);

    struct TFolder {
        std::string Path;                        // as on disk
        std::unordered_set<std::string> Exact;   // its entries
        std::vector<std::string> Names;          // the same, for lookups without case
    };
    std::unordered_map<std::string, TFolder> FFolders;

    std::string FSource, FTarget;
    std::vector<TJob> FJobs;
    // What to undo, in the order it was done: a file or folder added (Kept
    // empty), or a file replaced, whose old data lie in Kept.
    struct TChange {
        std::string Path, Kept;
        bool Folder = false;
    };
    std::vector<TChange> FChanges;
};
