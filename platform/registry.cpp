#include "platform/registry.h"

#include "platform/inifile.h"
#include "platform/paths.h"

#include <cstdlib>

namespace {

std::string& FolderOverride()
{
    static std::string folder;
    return folder;
}

std::string NormalizeKey(std::string_view key)
{
    while (!key.empty() && (key.front() == '\\' || key.front() == '/'))
        key.remove_prefix(1);
    while (!key.empty() && (key.back() == '\\' || key.back() == '/'))
        key.remove_suffix(1);
    std::string r(key);
    for (auto& c : r)
        if (c == '/')
            c = '\\';
    return r;
}

bool WriteHive(THive hive, const TIniData& data)
{
    ForceDirectories(RegistryFolder());
    return data.SaveToFile(RegistryHiveFile(hive));
}

} // namespace

void SetRegistryFolder(const std::string& folder) { FolderOverride() = folder; }

std::string RegistryFolder()
{
    if (!FolderOverride().empty())
        return ExcludeTrailingPathDelimiter(FolderOverride());
    if (const char* env = std::getenv("VELKAST_REGISTRY_DIR"); env && *env)
        return ExcludeTrailingPathDelimiter(env);
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return IncludeTrailingPathDelimiter(xdg) + "velkast";
    const char* home = std::getenv("HOME");
    return IncludeTrailingPathDelimiter(home && *home ? home : ".") + ".config/velkast";
}

std::string RegistryHiveFile(THive hive)
{
    return IncludeTrailingPathDelimiter(RegistryFolder()) +
           (hive == THive::HKEY_LOCAL_MACHINE ? "machine.ini" : "user.ini");
}

bool TRegistry::KeyExists(std::string_view key) const
{
    TIniData d;
    d.LoadFromFile(RegistryHiveFile(RootKey));
    return d.SectionExists(NormalizeKey(key));
}

bool TRegistry::OpenKey(std::string_view key, bool canCreate)
{
    CloseKey();
    std::string k = NormalizeKey(key);
    if (k.empty())
        return false;
    TIniData d;
    d.LoadFromFile(RegistryHiveFile(RootKey));
    if (!d.SectionExists(k)) {
        if (!canCreate)
            return false;
        d.AddSection(k);
        if (!WriteHive(RootKey, d))
            return false;
    }
    FCurrentKey = k;
    FOpen = true;
    return true;
}

bool TRegistry::ValueExists(std::string_view name) const
{
    return FOpen && IniValueExists(RegistryHiveFile(RootKey), FCurrentKey, name);
}

std::string TRegistry::ReadString(std::string_view name) const
{
    if (!FOpen)
        return {};
    return IniReadString(RegistryHiveFile(RootKey), FCurrentKey, name, "");
}

bool TRegistry::WriteString(std::string_view name, std::string_view value)
{
    if (!FOpen)
        return false;
    TIniData d;
    d.LoadFromFile(RegistryHiveFile(RootKey));
    d.WriteString(FCurrentKey, name, value);
    return WriteHive(RootKey, d);
}

bool TRegistry::DeleteValue(std::string_view name)
{
    if (!FOpen)
        return false;
    TIniData d;
    d.LoadFromFile(RegistryHiveFile(RootKey));
    if (!d.DeleteKey(FCurrentKey, name))
        return false;
    return WriteHive(RootKey, d);
}
