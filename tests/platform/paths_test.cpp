#include "platform/paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

TEST(Paths, NameParts)
{
    EXPECT_EQ(ExtractFilePath("railway\\object\\x.b3d"), "railway\\object\\");
    EXPECT_EQ(ExtractFileName("a/b\\c.csv"), "c.csv");
    EXPECT_EQ(ExtractFileExt("a.b/c"), "");
    EXPECT_EQ(ExtractFileExt("my.route.vlp"), ".vlp");
    EXPECT_EQ(ChangeFileExt("x/my.route.vlp", ".bak"), "x/my.route.bak");
    EXPECT_EQ(IncludeTrailingPathDelimiter("a"), "a/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("a\\"), "a\\");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("a//"), "a");
}

TEST(Paths, ResolvesWindowsNamesCaseInsensitively)
{
    fs::path dir = fs::temp_directory_path() / ("vl_paths_" + std::to_string(::getpid()));
    fs::create_directories(dir / "Railway" / "Object");
    std::ofstream(dir / "Railway" / "Object" / "Rail.B3D") << "x";
    std::string base = dir.string();

    EXPECT_EQ(ResolvePathCase(base + "\\railway\\object\\rail.b3d"), base + "/Railway/Object/Rail.B3D");
    EXPECT_TRUE(FileExists(base + "/RAILWAY/object/RAIL.b3d"));
    EXPECT_TRUE(DirectoryExists(base + "/railway/OBJECT"));
    EXPECT_FALSE(FileExists(base + "/railway/object"));
    // Missing tail keeps its own spelling under the resolved part.
    EXPECT_EQ(ResolvePathCase(base + "/railway/New/x.csv"), base + "/Railway/New/x.csv");
    EXPECT_TRUE(ForceDirectories(base + "/railway/New/Deeper"));
    EXPECT_TRUE(fs::is_directory(dir / "Railway" / "New" / "Deeper"));
    EXPECT_TRUE(CopyFile(base + "/railway/object/rail.b3d", base + "/railway/new/copy.b3d", true));
    EXPECT_FALSE(CopyFile(base + "/railway/object/rail.b3d", base + "/railway/new/copy.b3d", true));
    EXPECT_TRUE(DeleteFile(base + "/railway/new/COPY.b3d"));
    fs::remove_all(dir);
}

TEST(Paths, ProgramFolderEndsWithSeparator)
{
    std::string f = ProgramFolder();
    ASSERT_FALSE(f.empty());
    EXPECT_EQ(f.back(), '/');
    SetProgramFolder("/tmp/x");
    EXPECT_EQ(ProgramFolder(), "/tmp/x/");
    SetProgramFolder("");
    EXPECT_EQ(ProgramFolder(), f);
}

// Model names are Windows-1252 bytes; the disk names the same files in UTF-8.
TEST(Paths, ModelAndDiskNamesBeyondAscii)
{
    const std::string base = fs::temp_directory_path() / ("vl_names_" + std::to_string(::getpid()));
    fs::create_directories(base + "/Bäume/Åsgård");
    for (const char* name : {"/Bäume/Straße.b3d", "/Bäume/Élan.bmp", "/Bäume/Москва.b3d"})
        std::ofstream(base + name) << "x";
    EXPECT_EQ(DiskPath(base, "B\xC4UME\\\xE5SG\xC5RD\\new.B3D"), base + "/Bäume/Åsgård/new.B3D");
    EXPECT_EQ(DiskPath(base + "/b\xE4ume\\\xC9LAN.bmp"), base + "/Bäume/Élan.bmp");
    EXPECT_EQ(ResolvePathCase(base + "/BÄUME/МОСКВА.b3d"), base + "/Bäume/Москва.b3d");
    EXPECT_EQ(ModelName("Åsgård/Straße, Élan"), "\xC5sg\xE5rd/Stra\xDF" "e, \xC9lan");
    EXPECT_EQ(ModelName("Москва.b3d"), std::nullopt); // never "??????.b3d"
    EXPECT_EQ(ModelName("b\xE4um.b3d"), std::nullopt); // not UTF-8
    fs::remove_all(base);
}
