#pragma once
// File names and folders. The files this system reads and writes name other
// files the Windows way ("railway\object\x.b3d", any letter case); on disk we
// use native paths with the exact case of what exists.

#include <string>
#include <string_view>

// Turns every "\" into "/".
std::string ToNativePath(std::string_view path);

// Names the files and the model hold are ANSI (Windows-1252); names on disk
// are this system's own (UTF-8). Every place that turns one into the other
// for a file name goes through these two, so ASCII names pass unchanged and
// the two directions stay each other's inverse for every ANSI name.
std::string NativeFileName(std::string_view ansi);  // ANSI name -> disk name
std::string AnsiFileName(std::string_view native); // disk name -> ANSI ("?" for what ANSI lacks)
// Turns every "/" into "\" (for texts inside the files).
std::string ToWindowsPath(std::string_view path);

// Finds an existing file or folder for a path whose components may differ in
// letter case from what is on disk, and whose separators may be "\". Returns
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
bool CopyFile(const std::string& from, const std::string& to, bool failIfExists);
