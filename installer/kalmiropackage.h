#pragma once
// The installer's file work, without windows: finding the trailer of a route
// package in the program's own file, splitting a copy of the package into the
// bare installer and its archive, the private unpack folder, and joining the
// lines of "files.dat" to a folder.
//
// A package is the installer, the ZIP archive and the trailer "$VLPKG$",
// the installer's length L in decimal digits, NUL, "VlIntExt" (see
// packager/packageformat.h, which writes it).
//
// The unpack folder: the first phase makes a new folder of its own in the
// system's temporary folder ("kalmiro-" and six random characters, readable
// by its owner only) and starts the bare installer from it; the second phase
// takes that folder from its own location. No other user can read, plant or
// replace files in it, and the second phase removes it whole when it has
// installed the route (IsPrivateUnpackFolder tells it that the folder is
// one the first phase made).

#include "platform/textlines.h"

#include <cstdint>
#include <string>

inline constexpr char KalmiroMarker[] = "$VLPKG$";

// Looks for the marker among the last 30 bytes of FileName: it must start
// between 30 and 3 bytes before the end; the one nearest the end wins. On
// success MarkerEnd is the offset just after the marker.
bool FindPackageMarker(const std::string& FileName, int64_t& MarkerEnd);

// The offset just after the marker in the running program's own file, as
// the argument-less FindPackageMarker found it (0 before, or without one).
extern int64_t PackageMarkerEnd;

// Looks for the marker in the running program's own file.
bool FindPackageMarker();

// The running program's own file.
std::string OwnProgramFile();

// The installer's length L as the trailer after MarkerEnd gives it: the
// digits before the first NUL among the next 9 bytes. Raises
// std::runtime_error when they are missing, empty, not all digits, or when L
// does not lie before the marker.
int64_t ReadInstallerLength(const std::string& FileName, int64_t MarkerEnd);

// Splits a copy of the package: everything from L on goes to ZipName (cut by
// 11 bytes at its end: the archive and the first bytes of the trailer remain,
// which the archive reader passes over), and CopyName is cut to L bytes, the
// bare installer. Raises std::runtime_error on any failure.
void SplitPackage(const std::string& CopyName, const std::string& ZipName, int64_t MarkerEnd);

// The system's temporary folder ($TMPDIR, else /tmp), with trailing "/".
std::string GetTempFolder();

// Makes a new private unpack folder in the temporary folder and returns it
// with trailing "/". Raises std::runtime_error when that fails.
std::string MakePrivateUnpackFolder();

// True when Folder is an unpack folder the first phase made: a real folder
// (not a link) directly inside the temporary folder, named "kalmiro-...",
// owned by this user and closed to everyone else.
bool IsPrivateUnpackFolder(const std::string& Folder);

// The message for a file that holds no whole route package.
std::string DamagedPackageMessage(const std::string& FileName);

// Checks that FileName, whose marker ends at MarkerEnd, is a whole package:
// the trailer ends the file exactly ("$VLPKG$", digits, NUL, "VlIntExt"),
// the installer length lies before the archive, the archive's end record
// stands right before the marker and its directory lies inside the archive,
// and the archive starts with a local header. Returns the installer length L;
// raises std::runtime_error (DamagedPackageMessage) when anything is off.
int64_t CheckWholePackage(const std::string& FileName, int64_t MarkerEnd);

// Copies the first Length bytes of Package (the bare installer) to CopyName,
// executable by its owner. Raises std::runtime_error on failure.
void CopyBareInstaller(const std::string& Package, const std::string& CopyName, int64_t Length);

// The first phase hands its unpack folder to the second phase with this
// argument ("--unpacked=<folder>") and the owner file below, which it writes
// into the folder: the process id that uses the folder now. The second phase
// runs only in such a folder (HandedOverFolder).
inline constexpr char UnpackedArgument[] = "--unpacked=";
inline constexpr char UnpackOwnerFile[] = ".kalmiro-owner";

// Writes the owner file of Folder: Pid.
bool WriteUnpackOwner(const std::string& Folder, long Pid);

// The unpack folder named by the program's arguments, when it is one the
// first phase handed over: a private unpack folder with its owner file,
// holding the running program Program. Empty otherwise.
std::string HandedOverFolder(const std::string& Argument, const std::string& Program);

// Removes the unpack folders of earlier runs in the temporary folder whose
// owner process no longer runs (a killed or crashed installer), and those
// without an owner file that are older than an hour. Other users' folders
// and folders in use are left alone.
void RemoveStaleUnpackFolders();

// The path a "files.dat" line names, relative, with "/" and still ANSI;
// empty when the line is empty or leads out of its folder (a ".."
// component).
std::string PackageRelativePath(const std::string& Line);

// Joins a "files.dat" line ("\railway\route\x\a.csv") to a folder. Empty
// when the line is empty or leads out of the folder (a ".." component);
// letter case follows what exists on disk. The line is ANSI, the result the
// disk (UTF-8) name.
std::string JoinPackagePath(const std::string& Folder, const std::string& Line);
