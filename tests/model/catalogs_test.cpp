// Object-library catalogs: load rules, lookups, the per-class answers for
// indexes outside the list, saving, case-insensitive folders, and the sample
// library shipped with the program.

#include "model/vlcatalogs.h"
#include "model/vltrackdef.h"
#include "model/vltracktypes.h"
#include "platform/paths.h"
#include "platform/textlines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A fresh program folder per test, removed afterwards.
class CatalogFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Root = fs::temp_directory_path() /
               ("velkast_catalogs_" + std::string(info->name()) + "_" + std::to_string(::getpid()));
        fs::remove_all(Root);
        fs::create_directories(Root);
        Program = Root.string() + "/";
    }
    void TearDown() override { fs::remove_all(Root); }

    void Write(const std::string& relative, const std::string& bytes)
    {
        fs::path p = Root / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }

    static std::string Read(const std::string& path)
    {
        std::string data;
        ReadFileBytes(path, data);
        return data;
    }

    fs::path Root;
    std::string Program;
};

} // namespace

TEST_F(CatalogFolder, PlatformDropsFirstDashLine)
{
    Write("lib/platforms/platformid.dat", "-\r\n1=platform1.b3d\r\n");
    TVLPlatformlist list(Program, "lib");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.IdAt(0), 1);
    EXPECT_EQ(list.IndexOfId(1), 0);
    EXPECT_EQ(list.GetFileName(1), "platform1.b3d");
    EXPECT_TRUE(list.FileFound);
    EXPECT_EQ(list.LoadError, "");
}

TEST_F(CatalogFolder, OnlyTheFirstDashLineIsDropped)
{
    Write("lib/walls/wallid.dat", "1=brick\r\n-\r\n2=fence\r\n-\r\n");
    TVLWalllist walls(Program, "lib");
    EXPECT_EQ(walls.Lines, (TStrings{"1=brick", "2=fence", "-"}));
    // Ground and background catalogs keep their dash lines.
    Write("lib/grounds/groundid.dat", "-\r\n1=grass.b3d\r\n");
    TVLGroundTexturelist grounds(Program, "lib");
    EXPECT_EQ(grounds.Count(), 2);
    EXPECT_EQ(grounds.IdAt(0), 0);
    EXPECT_EQ(grounds.IdAt(1), 1);
}

TEST_F(CatalogFolder, LookupsByIdAndIndex)
{
    Write("lib/grounds/groundid.dat", "1=grass.b3d\r\n3=sand.b3d\r\nnoequals\r\nabc=x.b3d\r\n3=second.b3d\r\n7=\r\n");
    TVLGroundTexturelist list(Program, "lib");
    EXPECT_EQ(list.IndexOfId(3), 1);
    EXPECT_EQ(list.GetFileName(3), "sand.b3d") << "the first of equal ids wins";
    EXPECT_EQ(list.GetFileName(5), "");
    EXPECT_EQ(list.IndexOfId(5), -1);
    EXPECT_EQ(list.IdAt(2), 0) << "a line without = has id 0";
    EXPECT_EQ(list.IdAt(3), 0) << "a name that is no number has id 0";
    EXPECT_EQ(list.IndexOfId(0), -1) << "id 0 matches no nameless line";
    EXPECT_EQ(list.IndexOfId(7), 5);
    EXPECT_EQ(list.GetFileName(7), "");
    EXPECT_EQ(list.GetFileName(-1), "");
}

TEST_F(CatalogFolder, IndexesOutsideTheListPerClass)
{
    Write("lib/grounds/groundid.dat", "1=a\r\n");
    Write("lib/backgrounds/bgroundid.dat", "1=a.bmp\r\n");
    Write("lib/platforms/platformid.dat", "1=a\r\n");
    Write("lib/platforms/roofid.dat", "1=a\r\n");
    Write("lib/poles/polesid.dat", "1=a.b3d\r\n");
    Write("lib/walls/wallid.dat", "1=a\r\n");

    TVLGroundTexturelist ground(Program, "lib");
    TVLBackgroundTexturelist background(Program, "lib");
    TVLPlatformlist platform(Program, "lib");
    TVLRooflist roof(Program, "lib");
    TVLCatenaryPoleList pole(Program, "lib");
    TVLWalllist wall(Program, "lib");

    EXPECT_THROW(ground.IdAt(-1), EListError);
    EXPECT_THROW(ground.IdAt(1), EListError);
    EXPECT_THROW(background.IdAt(-1), EListError);
    EXPECT_THROW(background.IdAt(1), EListError);

    EXPECT_EQ(platform.IdAt(1), 0);
    EXPECT_EQ(platform.IdAt(100), 0);
    EXPECT_THROW(platform.IdAt(-1), EListError);

    EXPECT_EQ(roof.IdAt(-1), 0);
    EXPECT_EQ(roof.IdAt(1), 0);
    EXPECT_EQ(wall.IdAt(-1), 0);
    EXPECT_EQ(wall.IdAt(1), 0);
    EXPECT_EQ(wall.IdAt(-7), 0);

    EXPECT_EQ(pole.IdAt(-1), 0);
    EXPECT_THROW(pole.IdAt(1), EListError);
    EXPECT_THROW(pole.IdAt(-2), EListError);
}

TEST(CatalogError, CarriesIndexAndReadableMessage)
{
    try {
        throw EListError(12);
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (12)");
    }
    EXPECT_EQ(EListError(-1).Index(), -1);
}

TEST_F(CatalogFolder, MissingCatalogIsEmptyAndSaysSo)
{
    TVLRooflist roofs(Program, "lib");
    EXPECT_EQ(roofs.Count(), 0);
    EXPECT_FALSE(roofs.FileFound);
    EXPECT_NE(roofs.LoadError.find("roofid.dat"), std::string::npos);
    EXPECT_EQ(roofs.IndexOfId(1), -1);
    EXPECT_EQ(roofs.GetFileName(1), "");
    EXPECT_EQ(roofs.IdAt(0), 0);

    TVLGroundTexturelist grounds(Program, "nosuchfolder");
    EXPECT_EQ(grounds.Count(), 0);
    EXPECT_THROW(grounds.IdAt(0), EListError);
}

TEST_F(CatalogFolder, CatalogThatIsNoFileCountsAsMissing)
{
    fs::create_directories(Root / "lib/poles/polesid.dat");
    TVLCatenaryPoleList poles(Program, "lib");
    EXPECT_EQ(poles.Count(), 0);
    EXPECT_FALSE(poles.LoadError.empty());
}

TEST_F(CatalogFolder, PathsFollowTheSettingAndTheDiskSpelling)
{
    Write("Library/Grounds/GROUNDID.DAT", "4=Field.b3d\r\n");
    Write("Library/PLATFORMS/RoofId.dat", "2=roof_\r\n");
    TVLGroundTexturelist grounds(Program, "library");
    EXPECT_EQ(grounds.GetFileName(4), "Field.b3d");
    EXPECT_EQ(grounds.Path, Program + "Library/Grounds/GROUNDID.DAT");
    TVLRooflist roofs(Program, "LIBRARY\\");
    EXPECT_EQ(roofs.IdAt(0), 2);

    TVLWalllist walls(Program, "lib");
    EXPECT_EQ(walls.Path, Program + "lib/walls/wallid.dat");
    TVLCatenaryPoleList poles(Root.string(), "lib"); // no trailing separator
    EXPECT_EQ(poles.Path, Program + "lib/poles/polesid.dat");
}

TEST_F(CatalogFolder, SaveWritesCrLfWithoutTheDroppedDash)
{
    Write("lib/platforms/platformid.dat", "-\r\n1=concrete_\r\n2=wood_");
    TVLPlatformlist list(Program, "lib");
    list.Lines.push_back("3=brick_");
    ASSERT_TRUE(list.Save());
    EXPECT_EQ(Read(list.Path), "1=concrete_\r\n2=wood_\r\n3=brick_\r\n");
}

TEST_F(CatalogFolder, SaveReplacesTheFileFoundInAnotherCase)
{
    Write("LIB/Walls/WallID.dat", "1=a\r\n");
    TVLWalllist walls(Program, "lib");
    walls.Lines = {"1=b", "-"};
    ASSERT_TRUE(walls.Save());
    EXPECT_EQ(Read(Program + "LIB/Walls/WallID.dat"), "1=b\r\n-\r\n");
    EXPECT_FALSE(fs::exists(Root / "lib"));
}

TEST_F(CatalogFolder, SaveCreatesAMissingFolderAndReportsFailure)
{
    TVLGroundTexturelist grounds(Program, "lib");
    grounds.Lines = {"1=grass.b3d"};
    ASSERT_TRUE(grounds.Save());
    EXPECT_EQ(Read(Program + "lib/grounds/groundid.dat"), "1=grass.b3d\r\n");

    // A file where the folder should be: the save fails and says so.
    Write("blocked", "x");
    TVLWalllist walls(Program, "blocked");
    walls.Lines = {"1=brick"};
    EXPECT_FALSE(walls.Save());
}

TEST_F(CatalogFolder, BackgroundPictureLoadsOrKeepsThePrevious)
{
    Write("lib/Backgrounds/bgroundid.dat", "1=Sky.BMP\r\n2=missing.bmp\r\n3=\r\n");
    Write("lib/Backgrounds/sky.bmp", std::string("BM\0\x01", 4));
    TVLBackgroundTexturelist list(Program, "lib");

    std::string picture = "old";
    EXPECT_TRUE(list.LoadPicture(0, picture));
    EXPECT_EQ(picture, std::string("BM\0\x01", 4));
    EXPECT_EQ(list.PicturePath(0), Program + "lib/Backgrounds/sky.bmp");

    picture = "old";
    EXPECT_FALSE(list.LoadPicture(1, picture));
    EXPECT_EQ(picture, "old");
    EXPECT_FALSE(list.LoadPicture(2, picture));
    EXPECT_EQ(picture, "old");
    // No selection and indexes past the end keep the picture instead of failing.
    EXPECT_NO_THROW(EXPECT_FALSE(list.LoadPicture(-1, picture)));
    EXPECT_NO_THROW(EXPECT_FALSE(list.LoadPicture(3, picture)));
    EXPECT_EQ(picture, "old");
}

// ---------------------------------------------------------------------------
// The sample library shipped in the program folder.

namespace {

const std::string SampleProgram = std::string(VELKAST_SOURCE_DIR) + "/sample/program/";
const std::string SampleLib = SampleProgram + "lib/";

bool LibFileExists(const std::string& relative)
{
    return FileExists(SampleLib + ToNativePath(relative));
}

} // namespace

TEST(SampleLibrary, EveryCatalogEntryHasItsFiles)
{
    TVLGroundTexturelist grounds(SampleProgram, "lib");
    TVLBackgroundTexturelist backgrounds(SampleProgram, "lib");
    TVLPlatformlist platforms(SampleProgram, "lib");
    TVLRooflist roofs(SampleProgram, "lib");
    TVLCatenaryPoleList poles(SampleProgram, "lib");
    TVLWalllist walls(SampleProgram, "lib");

    // The track properties dialog treats this many leading entries as fixed.
    EXPECT_EQ(grounds.Count(), 19);
    EXPECT_EQ(walls.Count(), 23);
    EXPECT_EQ(poles.Count(), 9);
    EXPECT_EQ(platforms.Count(), 5);
    EXPECT_EQ(roofs.Count(), 6);
    EXPECT_EQ(backgrounds.Count(), 8);

    auto eachEntry = [](const TVLCatalog& c, auto check) {
        EXPECT_EQ(c.LoadError, "");
        std::set<int> ids;
        for (int i = 0; i < c.Count(); ++i) {
            int id = c.IdAt(i);
            EXPECT_GT(id, 0) << c.Path << " line " << i;
            EXPECT_TRUE(ids.insert(id).second) << c.Path << " repeats id " << id;
            std::string file = c.GetFileName(id);
            EXPECT_FALSE(file.empty()) << c.Path << " id " << id;
            check(file);
        }
    };
    eachEntry(grounds, [](const std::string& f) { EXPECT_TRUE(LibFileExists("grounds\\" + f)) << f; });
    eachEntry(backgrounds, [](const std::string& f) { EXPECT_TRUE(LibFileExists("backgrounds\\" + f)) << f; });
    eachEntry(poles, [](const std::string& f) { EXPECT_TRUE(LibFileExists("poles\\" + f)) << f; });
    eachEntry(walls, [](const std::string& f) {
        EXPECT_TRUE(LibFileExists("walls\\" + f + "_l.b3d")) << f;
        EXPECT_TRUE(LibFileExists("walls\\" + f + "_r.b3d")) << f;
    });
    auto fourSides = [](const std::string& f) {
        for (const char* s : {"r.b3d", "l.b3d", "cr.b3d", "cl.b3d"})
            EXPECT_TRUE(LibFileExists("platforms\\" + f + s)) << f << s;
    };
    eachEntry(platforms, fourSides);
    eachEntry(roofs, fourSides);

    // Ids that new connections carry by default.
    EXPECT_GE(grounds.IndexOfId(1), 0);
    EXPECT_GE(backgrounds.IndexOfId(1), 0);
    // The writer always registers roof id 0, which names no roof.
    EXPECT_EQ(roofs.GetFileName(0), "");
}

TEST(SampleLibrary, EveryDefaultTrackTypeFileExists)
{
    int files = 0;
    for (const auto& line : TVLTrackTypes::DefaultLines()) {
        TVLTrackDefinition def = TVLTrackDefinition::CreateFromLine(line);
        EXPECT_TRUE(LibFileExists(def.StraightFile)) << def.StraightFile;
        ++files;
        for (const auto& c : def.Curves) {
            EXPECT_TRUE(LibFileExists(c.FileName)) << c.FileName;
            ++files;
        }
    }
    EXPECT_EQ(files, 33);
}

TEST(SampleLibrary, DefaultObjectsOfANewProjectExist)
{
    EXPECT_TRUE(LibFileExists("signs\\ne5.b3d"));
    EXPECT_TRUE(LibFileExists("misc\\kuh1.b3d"));
    EXPECT_FALSE(FileExists(SampleProgram + "trackdef.dat")) << "the built-in track types apply";
}

namespace {

struct B3DCheck {
    std::string Error;
    std::vector<std::string> Textures;
    bool HasAuthor = false;
};

// Reads an object the way the simulator does, strictly enough to catch
// broken commands: every line is a comment, blank, a section or a known
// command with numeric arguments; faces name vertices of their own mesh.
B3DCheck CheckB3D(const std::string& path)
{
    B3DCheck r;
    std::string data;
    if (!ReadFileBytes(path, data)) {
        r.Error = "unreadable";
        return r;
    }
    if (data.size() < 2 || data.substr(data.size() - 2) != "\r\n") {
        r.Error = "does not end in CR LF";
        return r;
    }
    std::size_t lf = 0;
    while ((lf = data.find('\n', lf + 1)) != std::string::npos)
        if (data[lf - 1] != '\r') {
            r.Error = "bare LF";
            return r;
        }
    int vertices = -1;
    int faces = 0;
    int lineNo = 0;
    for (const std::string& raw : SplitLines(data)) {
        ++lineNo;
        std::string line = Trim(raw.substr(0, raw.find(';')));
        if (raw.rfind(";author=", 0) == 0)
            r.HasAuthor = true;
        if (line.empty())
            continue;
        auto fail = [&](const std::string& why) {
            if (r.Error.empty())
                r.Error = "line " + std::to_string(lineNo) + ": " + why + ": " + raw;
        };
        if (SameText(line, "[MeshBuilder]")) {
            vertices = 0;
            continue;
        }
        if (vertices < 0) {
            fail("command outside a mesh");
            continue;
        }
        std::size_t sp = line.find(' ');
        std::string cmd = AnsiLowerCase(line.substr(0, sp));
        std::string args = sp == std::string::npos ? std::string() : line.substr(sp + 1);
        if (cmd == "load") {
            if (args.empty() || args.find(',') != std::string::npos)
                fail("texture");
            r.Textures.push_back(args);
            continue;
        }
        std::vector<double> nums;
        std::stringstream ss(args);
        std::string field;
        while (std::getline(ss, field, ',')) {
            try {
                std::size_t used = 0;
                std::string t = Trim(field);
                nums.push_back(std::stod(t, &used));
                if (used != t.size())
                    fail("number");
            } catch (...) {
                fail("number");
            }
        }
        if (cmd == "vertex") {
            if (nums.size() != 3)
                fail("vertex needs x, y, z");
            ++vertices;
        } else if (cmd == "face" || cmd == "face2") {
            if (nums.size() < 3)
                fail("face needs 3 vertices");
            for (double v : nums)
                if (v < 0 || v >= vertices || v != static_cast<int>(v))
                    fail("face names a missing vertex");
            ++faces;
        } else if (cmd == "color") {
            if (nums.size() < 3 || nums.size() > 4)
                fail("colour");
            for (double v : nums)
                if (v < 0 || v > 255)
                    fail("colour range");
        } else if (cmd == "coordinates") {
            if (nums.size() != 3 || nums[0] < 0 || nums[0] >= vertices)
                fail("coordinates");
        } else {
            fail("unknown command");
        }
    }
    if (faces == 0 && r.Error.empty())
        r.Error = "no faces";
    return r;
}

} // namespace

TEST(SampleLibrary, ObjectsAreWellFormedAndTheirTexturesExist)
{
    int objects = 0;
    for (const auto& entry : fs::recursive_directory_iterator(SampleLib)) {
        if (!entry.is_regular_file())
            continue;
        std::string path = entry.path().string();
        std::string rel = path.substr(SampleLib.size());
        EXPECT_EQ(rel, AnsiLowerCase(rel)) << "library names are lower case";
        if (!SameText(ExtractFileExt(path), ".b3d"))
            continue;
        ++objects;
        B3DCheck c = CheckB3D(path);
        EXPECT_EQ(c.Error, "") << rel;
        EXPECT_TRUE(c.HasAuthor) << rel;
        for (const auto& t : c.Textures)
            EXPECT_TRUE(FileExists(ExtractFilePath(path) + t)) << rel << " loads " << t;
    }
    EXPECT_GT(objects, 150);
}

TEST(SampleLibrary, PicturesAndSoundsAreValid)
{
    for (const char* name : {"backgrounds/meadow.bmp", "signs/ne5.bmp"}) {
        std::string data;
        ASSERT_TRUE(ReadFileBytes(SampleLib + name, data)) << name;
        ASSERT_GE(data.size(), 54u);
        EXPECT_EQ(data.substr(0, 2), "BM");
        auto u32 = [&](std::size_t at) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(data[at])) |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + 1])) << 8 |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + 2])) << 16 |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + 3])) << 24;
        };
        EXPECT_EQ(u32(2), data.size()) << name;
        std::uint32_t width = u32(18), height = u32(22);
        // Power-of-two sizes, as older simulators need for textures.
        EXPECT_EQ(width & (width - 1), 0u) << name;
        EXPECT_EQ(height & (height - 1), 0u) << name;
        EXPECT_EQ(data.size(), 54u + ((width * 3 + 3) & ~3u) * height) << name;
    }
    std::string wav;
    ASSERT_TRUE(ReadFileBytes(SampleLib + "sounds/bell.wav", wav));
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(wav.substr(36, 4), "data");
}
