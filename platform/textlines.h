#pragma once
// Text files as lists of lines, and the name=value lines kept in them.
//
// Text is bytes in the ANSI code page (Windows-1252), exactly as in the files;
// nothing here converts characters. Lines are split at CR LF, a lone CR or a
// lone LF, and written back each followed by CR LF, so files stay
// byte-compatible with the ones Windows programs write.

#include <string>
#include <string_view>
#include <vector>

using TStrings = std::vector<std::string>;

// Splits a text into lines. A final line break adds no empty line; an empty
// text gives no lines.
TStrings SplitLines(std::string_view text);

// Joins lines, each followed by CR LF.
std::string JoinLines(const TStrings& lines);

// Reads a whole file. Returns false (and leaves data empty) when the file
// cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::string& data);

// Writes a whole file through a temporary file in the same folder that is
// renamed over the target, so a failed write never leaves a half-written or
// missing file. A write-protected target (IsWriteProtected) is not replaced.
// Returns false on any failure, errno telling why (EACCES for a
// write-protected file; WriteErrorText words it); the old file is then
// untouched.
bool WriteFileAtomic(const std::string& path, std::string_view data);

// Reads a file as lines. Returns false when it cannot be read.
bool LoadLines(const std::string& path, TStrings& lines);

// Writes lines with CR LF through WriteFileAtomic.
bool SaveLines(const std::string& path, const TStrings& lines);

// ASCII and Windows-1252 letter case.
char AnsiUpperChar(char c);
char AnsiLowerChar(char c);
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);

// Name=value lines: the first line whose text before its first "=" equals the
// name, letter case ignored.
int IndexOfName(const TStrings& lines, std::string_view name);
// The text after that "=", or "" when there is no such line.
std::string GetValue(const TStrings& lines, std::string_view name);
// Replaces that line or appends "name=value"; the empty value deletes the line.
void SetValue(TStrings& lines, std::string_view name, std::string_view value);
// The name part of a line (text before the first "="; the whole line if none).
std::string NameOfLine(std::string_view line);
// The value part of a line (text after the first "="; "" if none).
std::string ValueOfLine(std::string_view line);

// Blanks and control characters cut from both ends, as the files' readers do.
std::string Trim(std::string_view s);
