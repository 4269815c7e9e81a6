#include "platform/registry.h"

#include "platform/inifile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir = fs::temp_directory_path() / ("vl_reg_" + std::to_string(::getpid())) / "hives";
        fs::remove_all(Dir.parent_path());
        SetRegistryFolder(Dir.string());
    }
    void TearDown() override
    {
        SetRegistryFolder("");
        fs::remove_all(Dir.parent_path());
    }
    fs::path Dir;
};

} // namespace

TEST_F(RegistryTest, HivesAreSeparateFilesInTheChosenFolder)
{
    EXPECT_EQ(RegistryHiveFile(THive::HKEY_LOCAL_MACHINE), (Dir / "machine.ini").string());
    EXPECT_EQ(RegistryHiveFile(THive::HKEY_CURRENT_USER), (Dir / "user.ini").string());

    TRegistry machine(THive::HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(machine.OpenKey("Software\\Velkast", false));
    ASSERT_TRUE(machine.OpenKey("Software\\Velkast", true));
    EXPECT_TRUE(fs::exists(Dir / "machine.ini"));
    EXPECT_EQ(machine.ReadString("Bve Folder"), "");
    ASSERT_TRUE(machine.WriteString("Bve Folder", "/games/bve"));

    TRegistry user(THive::HKEY_CURRENT_USER);
    EXPECT_FALSE(user.OpenKey("Software\\Velkast", false));
    ASSERT_TRUE(user.OpenKey("Software\\Velkast", true));
    EXPECT_EQ(user.ReadString("Bve Folder"), "");
    EXPECT_EQ(IniReadString((Dir / "machine.ini").string(), "software\\velkast", "bve folder", ""),
              "/games/bve");
}

TEST_F(RegistryTest, NamesIgnoreLetterCase)
{
    TRegistry reg(THive::HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Velkast\\", true));
    ASSERT_TRUE(reg.WriteString("Bve Folder", "a"));
    reg.CloseKey();
    EXPECT_EQ(reg.ReadString("Bve Folder"), "");
    EXPECT_FALSE(reg.WriteString("Bve Folder", "b"));
    ASSERT_TRUE(reg.OpenKey("SOFTWARE\\velkast", false));
    EXPECT_TRUE(reg.KeyExists("software\\VELKAST"));
    EXPECT_EQ(reg.ReadString("BVE FOLDER"), "a");
    ASSERT_TRUE(reg.WriteString("BVE Folder", "c"));
    EXPECT_EQ(reg.ReadString("bve folder"), "c");
    EXPECT_TRUE(reg.DeleteValue("Bve folder"));
    EXPECT_FALSE(reg.ValueExists("Bve Folder"));
}

TEST_F(RegistryTest, EnvironmentFolderAppliesWithoutOverride)
{
    SetRegistryFolder("");
    ::setenv("VELKAST_REGISTRY_DIR", Dir.string().c_str(), 1);
    EXPECT_EQ(RegistryFolder(), Dir.string());
    ::unsetenv("VELKAST_REGISTRY_DIR");
    std::string xdg = (Dir / "xdg").string();
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
    EXPECT_EQ(RegistryFolder(), xdg + "/velkast");
    if (old)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}
