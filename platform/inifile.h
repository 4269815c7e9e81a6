#pragma once
// Settings files in INI form ("set.ini", the language files, "route.ini"),
// read and written the way the Windows profile-string functions
// (GetPrivateProfileString and its family) do it, so files written by the
// Windows programs and by ours stay interchangeable.
//
// Rules every reader and writer here keeps:
// - A file is "[Section]" lines followed by "Key=Value" lines. Section and key
//   names are compared without regard to letter case (Windows-1252 case).
//   Blanks around section names, keys and values are not part of them.
//   Lines whose first non-blank character is ";" are comments; lines before
//   the first section belong to no section. Only the first section of a
//   given name counts, and within it the first line of a given key.
// - A value read is cut at 2047 characters. A value enclosed in a matching
//   pair of single or double quotes is read without them.
// - Every write goes to the file at once (through a temporary file renamed
//   over it). The rest of the file, comments included, is kept as it was.
//   A new key goes after the last key line of its section, a new section
//   to the end of the file. Line breaks inside a value written become
//   blanks, since the format has no way to hold them.
// - Files are bytes in the ANSI code page, lines end in CR LF when written;
//   CR LF, lone CR and lone LF are all accepted when read.
// - Integers are decimal with an optional sign; "0x" or "0X" in front reads
//   the rest as hexadecimal (up to 8 digits, taken as 32-bit two's
//   complement). An absent or unreadable integer gives the caller's default.
// - Booleans are written "1" and "0" and read as integers: not 0 is true.
// - Real numbers are written in general form with up to 15 significant
//   digits and IniDecimalSeparator() as decimal separator; both "." and ","
//   are accepted when read, so a file written under a locale with a decimal
//   comma reads correctly everywhere.
//
// File names are native paths; a missing file reads as empty and is created
// by the first write (its folder must exist).

#include "platform/textlines.h"

#include <cstdint>
#include <string>
#include <string_view>

// Longest value a read returns, in bytes.
constexpr std::size_t IniMaxValueLength = 2047;

// The decimal separator written by IniWriteFloat ('.' unless set).
char IniDecimalSeparator();
void SetIniDecimalSeparator(char separator);

// Parsers shared with other readers of the same number rules.
// Return false (and leave value untouched) when the text is no number.
bool IniParseInteger(std::string_view text, std::int32_t& value);
bool IniParseFloat(std::string_view text, double& value);
// General form with up to 15 significant digits and the given separator.
std::string IniFormatFloat(double value, char decimalSeparator);

// A parsed copy of one INI file, for readers that look up many values at
// once (the form translator) and as the engine of the file functions below.
class TIniData {
public:
    TIniData() = default;
    explicit TIniData(std::string_view text) { SetText(text); }

    // Loads the file; a missing or unreadable file gives empty data and false.
    bool LoadFromFile(const std::string& fileName);
    bool SaveToFile(const std::string& fileName) const;
    void SetText(std::string_view text);
    std::string Text() const;

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    // The value (cut, unquoted), or def when the key is absent.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    // Section names in file order (each name once, as first spelled).
    TStrings ReadSections() const;
    // Key names of a section in file order (each name once, as first spelled).
    TStrings ReadSection(std::string_view section) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    // Adds an empty section when none of that name exists.
    void AddSection(std::string_view section);
    // Returns false when there was no such key.
    bool DeleteKey(std::string_view section, std::string_view key);
    // Removes the section with all its lines; false when there was none.
    bool EraseSection(std::string_view section);

private:
    // Index of the "[section]" line of the first section of that name, or -1.
    int FindSection(std::string_view section) const;
    // Range of the section's body: from its header + 1 up to the next header.
    int SectionEnd(int header) const;
    int FindKey(int header, std::string_view key) const;

    TStrings Lines;
};

// Profile-string functions: each opens the file, does its work and closes it.
std::string IniReadString(const std::string& fileName, std::string_view section,
                          std::string_view key, std::string_view def);
std::int32_t IniReadInteger(const std::string& fileName, std::string_view section,
                            std::string_view key, std::int32_t def);
bool IniReadBool(const std::string& fileName, std::string_view section,
                 std::string_view key, bool def);
double IniReadFloat(const std::string& fileName, std::string_view section,
                    std::string_view key, double def);
// Return false when the file could not be written.
bool IniWriteString(const std::string& fileName, std::string_view section,
                    std::string_view key, std::string_view value);
bool IniWriteInteger(const std::string& fileName, std::string_view section,
                     std::string_view key, std::int32_t value);
bool IniWriteBool(const std::string& fileName, std::string_view section,
                  std::string_view key, bool value);
bool IniWriteFloat(const std::string& fileName, std::string_view section,
                   std::string_view key, double value);
bool IniDeleteKey(const std::string& fileName, std::string_view section, std::string_view key);
bool IniEraseSection(const std::string& fileName, std::string_view section);
TStrings IniReadSections(const std::string& fileName);
TStrings IniReadSection(const std::string& fileName, std::string_view section);
bool IniSectionExists(const std::string& fileName, std::string_view section);
bool IniValueExists(const std::string& fileName, std::string_view section, std::string_view key);

// An INI file by name, in the manner of a settings-file object: holds only
// the name, so every call reads or writes the file itself.
class TIniFile {
public:
    explicit TIniFile(std::string fileName) : FFileName(std::move(fileName)) {}

    const std::string& FileName() const { return FFileName; }

    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const
    { return IniReadString(FFileName, section, key, def); }
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const
    { return IniReadInteger(FFileName, section, key, def); }
    bool ReadBool(std::string_view section, std::string_view key, bool def) const
    { return IniReadBool(FFileName, section, key, def); }
    double ReadFloat(std::string_view section, std::string_view key, double def) const
    { return IniReadFloat(FFileName, section, key, def); }

    bool WriteString(std::string_view section, std::string_view key, std::string_view value)
    { return IniWriteString(FFileName, section, key, value); }
    bool WriteInteger(std::string_view section, std::string_view key, std::int32_t value)
    { return IniWriteInteger(FFileName, section, key, value); }
    bool WriteBool(std::string_view section, std::string_view key, bool value)
    { return IniWriteBool(FFileName, section, key, value); }
    bool WriteFloat(std::string_view section, std::string_view key, double value)
    { return IniWriteFloat(FFileName, section, key, value); }

    bool DeleteKey(std::string_view section, std::string_view key)
    { return IniDeleteKey(FFileName, section, key); }
    bool EraseSection(std::string_view section) { return IniEraseSection(FFileName, section); }
    TStrings ReadSections() const { return IniReadSections(FFileName); }
    TStrings ReadSection(std::string_view section) const { return IniReadSection(FFileName, section); }
    bool SectionExists(std::string_view section) const { return IniSectionExists(FFileName, section); }
    bool ValueExists(std::string_view section, std::string_view key) const
    { return IniValueExists(FFileName, section, key); }

private:
    std::string FFileName;
};
