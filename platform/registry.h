#pragma once
// A stand-in for the parts of the Windows registry the programs use: text
// values under a key such as "Software\Velkast" in two hives, the
// machine-wide one (HKEY_LOCAL_MACHINE) and the per-user one
// (HKEY_CURRENT_USER). The editor and the package installer share them.
//
// Each hive is one INI file (see platform/inifile.h): the key path is the
// section name ("[Software\Velkast]"), each value a "Name=Text" line. Key
// and value names are compared without regard to letter case, as in the
// registry. Values are single lines of ANSI text.
//
// Where the hive files live, first match wins:
// 1. SetRegistryFolder(folder): both hives in that folder (tests point it at
//    a temporary folder).
// 2. The environment variable VELKAST_REGISTRY_DIR: both hives there (an
//    administrator may set it system-wide, e.g. to /etc/velkast, to give all
//    users one machine hive).
// 3. Otherwise $XDG_CONFIG_HOME/velkast (or $HOME/.config/velkast when
//    XDG_CONFIG_HOME is unset). A Linux program runs without the rights to
//    write system folders, and the installer must be able to store the
//    machine-wide BVE folder that the editor reads, so by default the
//    "machine" hive is kept in the user's configuration folder too.
// The machine hive is the file "machine.ini", the user hive "user.ini".
// A write creates the folder and the file when they are missing.

#include <string>
#include <string_view>

enum class THive { HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER };

// Folder override for both hives; the empty text restores the defaults.
void SetRegistryFolder(const std::string& folder);
// The folder and the file that hold a hive.
std::string RegistryFolder();
std::string RegistryHiveFile(THive hive);

// One open key of one hive, in the manner of a registry object: OpenKey,
// then read and write values, CloseKey (or let it go out of scope).
class TRegistry {
public:
    explicit TRegistry(THive root = THive::HKEY_CURRENT_USER) : RootKey(root) {}

    THive RootKey;

    // Opens a key path ("Software\Velkast"; leading and trailing "\" are
    // ignored). With canCreate a missing key is created; returns false when
    // it is missing and not to be created, or cannot be created.
    bool OpenKey(std::string_view key, bool canCreate);
    bool OpenKeyReadOnly(std::string_view key) { return OpenKey(key, false); }
    void CloseKey() { FCurrentKey.clear(); FOpen = false; }
    bool KeyExists(std::string_view key) const;
    const std::string& CurrentPath() const { return FCurrentKey; }

    // Values of the open key. ReadString gives "" for an absent value or
    // when no key is open.
    bool ValueExists(std::string_view name) const;
    std::string ReadString(std::string_view name) const;
    // False when no key is open or the hive file could not be written.
    bool WriteString(std::string_view name, std::string_view value);
    bool DeleteValue(std::string_view name);

private:
    std::string FCurrentKey;
    bool FOpen = false;
};
