#pragma once
// File names and folders. The files this system reads and writes name other
// files the Windows way ("railway\object\x.b3d", any letter case); on disk we
// use native paths with the exact case of what exists.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Turns every "\" into "/".
std::string ToNativePath(std::string_view path);

// Model paths and disk paths. The model and the files it reads and writes
// name files in ANSI (Windows-1252 bytes, "\" or "/" between the parts, any
// letter case); the disk names them in UTF-8 with "/" and exact case. Every
// file the programs open, list, copy or write goes through this pair:
//
// DiskPath turns a model path into the disk path of what exists, resolving
// letter case the way Windows does (also for letters beyond ASCII); parts
// that do not exist are kept as given so they can be created. The two-part
// form joins a folder that is already a disk path (the program folder, a
// folder the user chose) with a model path below it.
std::string DiskPath(std::string_view modelPath);
std::string DiskPath(std::string_view diskFolder, std::string_view modelPath);
// ModelName turns a disk name (one name or a path) back into model bytes;
// separators stay as they are. A name that Windows-1252 cannot hold
// ("Москва.b3d", or bytes that are not UTF-8) gives nothing: it is shown as it
// stands and reported, never turned into "?" and then looked up.
std::optional<std::string> ModelName(std::string_view diskName);

// The code page step of the pair alone, for names that are not looked up on
// disk (archive entries). AnsiFileName puts "?" for what ANSI lacks; use
// ModelName wherever the name is looked up again.
std::string NativeFileName(std::string_view ansi);  // ANSI name -> disk name
std::string AnsiFileName(std::string_view native); // disk name -> ANSI
// Turns every "/" into "\" (for texts inside the files).
std::string ToWindowsPath(std::string_view path);

// Finds an existing file or folder for a disk path whose components may
// differ in letter case from what is on disk, and whose separators may be "\". Returns
// the path with the on-disk spelling; for components that do not exist, the
// rest is kept as given (with "/" separators), so it can be created.
std::string ResolvePathCase(std::string_view path);

// The folder of the running program, with a trailing "/".
std::string ProgramFolder();
// Overrides ProgramFolder() (tests, and programs run from a staging tree).
void SetProgramFolder(const std::string& folder);

// Name parts, accepting "/" and "\" as separators.
std::string ExtractFilePath(std::string_view path);   // folder with trailing separator
std::string ExtractFileName(std::string_view path);   // last component
std::string ExtractFileExt(std::string_view path);    // ".ext" or ""
std::string ChangeFileExt(std::string_view path, std::string_view ext);
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);

bool FileExists(const std::string& path);       // a regular file (case-insensitive lookup)
bool DirectoryExists(const std::string& path);  // a folder (case-insensitive lookup)
bool ForceDirectories(const std::string& path); // creates the whole chain
bool DeleteFile(const std::string& path);
// Copies a file; an existing target is replaced unless failIfExists or it is
// write-protected (errno EACCES then).
bool CopyFile(const std::string& from, const std::string& to, bool failIfExists);

// A file the user has write-protected: it exists and has no write
// permission at all, or this user may not write it. The programs never
// replace such a file. The mode is looked at as well as the user's access,
// so the rule holds for root too, whom the system lets write anything.
bool IsWriteProtected(const std::string& path);
// Why writing path failed, errno being error, as a sentence for a message:
// that the file is write-protected when it is, else the system's text
// ("No space left on device.").
std::string WriteErrorText(const std::string& path, int error);
// Copies the data of file descriptor In to Out, from their current
// positions: Length bytes, or up to the end of In when Length is negative.
// In the kernel where it can, else through a buffer. False on a read or
// write error (errno tells which).
bool CopyFileData(int In, int Out, int64_t Length = -1);
