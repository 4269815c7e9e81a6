#pragma once
// String comparison in the collation order of the program's code page,
// wildcard matching of archive names, and the path routines that turn a disk
// path into an item's stored name. Stored names use "/" as separator.

#include "zip/zatypes.h"

#include <cstddef>
#include <string>
#include <string_view>

// Dir with one trailing separator added when missing; an empty Dir gives the
// current folder with a trailing separator.
std::string DirWithBackslash(const std::string& Dir);

// FileName non-empty: its full path, relative names resolved against Dir (the
// current folder when Dir is empty). FileName empty: the normalised full form
// of Dir when that folder exists or Dir is empty, else Dir unchanged.
// "\" in either is taken as a separator. No current-folder change is made.
std::string ExpandFileNameRelative(const std::string& Dir, const std::string& FileName);

// The path of Full relative to the folder Base ("../" for each folder of Base
// that Full does not share).
std::string ExtractRelativePath(const std::string& Base, const std::string& Full);

// The name an item gets in the archive; empty when the file cannot be stored.
std::string GetStoredFileName(const std::string& FileName, const std::string& BaseDir, TZAStorePathMode StorePath);

// Comparisons in the collation order of Windows-1252 (negative, zero or
// positive like strcmp). The "Text" forms ignore letter case.
int ZACompareStrN(std::string_view a, std::string_view b, std::size_t n);
int ZACompareText(std::string_view a, std::string_view b);
int ZACompareTextN(std::string_view a, std::string_view b, std::size_t n);

// Wildcard test of an archive name against a mask ("*" any run, "?" one
// character). "*.*" matches every name, also one without a dot.
bool MatchesMaskEx(std::string_view Name, std::string_view Mask, bool CaseInsensitive);
