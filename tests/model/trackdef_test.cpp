// Track definitions (one line of the track-type file) and the track-type
// table with its built-in defaults.

#include "model/vltrackdef.h"
#include "model/vltracktypes.h"
#include "platform/textlines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

TVLTrackDefinition SixCurves()
{
    TVLTrackDefinition d;
    d.StraightFile = "s.b3d";
    d.AddCurve(1000, "r1000");
    d.AddCurve(500, "r500");
    d.AddCurve(150, "r150");
    d.AddCurve(-1000, "l1000");
    d.AddCurve(-500, "l500");
    d.AddCurve(-150, "l150");
    return d;
}

} // namespace

TEST(TrackDefinition, RadiusLookupTakesTheNextGentlerVariantOfTheSameSide)
{
    TVLTrackDefinition d = SixCurves();
    EXPECT_EQ(d.CurveCount(), 6);
    EXPECT_EQ(d.GetFileForRadius(0), "s.b3d");
    EXPECT_EQ(d.GetFileForRadius(400), "r500");
    EXPECT_EQ(d.GetFileForRadius(150), "r150");
    EXPECT_EQ(d.GetFileForRadius(100), "r150");
    EXPECT_EQ(d.GetFileForRadius(151), "r500");
    EXPECT_EQ(d.GetFileForRadius(1000), "r1000");
    EXPECT_EQ(d.GetFileForRadius(2000), "s.b3d");
    EXPECT_EQ(d.GetFileForRadius(-600), "l1000");
    EXPECT_EQ(d.GetFileForRadius(-100), "l150");
    EXPECT_EQ(d.GetFileForRadius(-500), "l500");
    EXPECT_EQ(d.GetFileForRadius(-2000), "s.b3d");
    EXPECT_EQ(d.GetFileForRadius(157), "r500") << "a switch piece's radius";
}

TEST(TrackDefinition, RadiusLookupEdgeCases)
{
    TVLTrackDefinition onlyRight;
    onlyRight.StraightFile = "s";
    onlyRight.AddCurve(300, "first");
    onlyRight.AddCurve(300, "second");
    onlyRight.AddCurve(0, "zero");
    EXPECT_EQ(onlyRight.GetFileForRadius(200), "first") << "first of equal radii";
    EXPECT_EQ(onlyRight.GetFileForRadius(-200), "s") << "no variant on the left side";
    EXPECT_EQ(onlyRight.GetFileForRadius(0), "s") << "radius 0 is straight, not the 0 curve";
    EXPECT_EQ(TVLTrackDefinition().GetFileForRadius(100), "");
    EXPECT_EQ(onlyRight.GetFileForRadius(INT32_MIN), "s");
    EXPECT_EQ(onlyRight.GetFileForRadius(INT32_MAX), "s");
}

TEST(TrackDefinition, UnquotedLineIsReadAndWrittenQuoted)
{
    TVLTrackDefinition d = TVLTrackDefinition::CreateFromLine("tracks\\track0.b3d,2");
    EXPECT_EQ(d.StraightFile, "tracks\\track0.b3d");
    EXPECT_EQ(d.RunSound, 2);
    EXPECT_EQ(d.CurveCount(), 0);
    EXPECT_EQ(d.SaveToString(), "\"tracks\\track0.b3d\",2");
}

TEST(TrackDefinition, ShortAndOddLines)
{
    TVLTrackDefinition one = TVLTrackDefinition::CreateFromLine("\"tracks\\x.b3d\"");
    EXPECT_EQ(one.StraightFile, "");
    EXPECT_EQ(one.RunSound, 0);
    EXPECT_EQ(one.CurveCount(), 0);
    EXPECT_EQ(TVLTrackDefinition::CreateFromLine("").SaveToString(), "\"\",0");

    TVLTrackDefinition odd = TVLTrackDefinition::CreateFromLine("a.b3d,x,300,\"b.b3d\",200");
    EXPECT_EQ(odd.RunSound, 0) << "a run sound that is no number";
    ASSERT_EQ(odd.CurveCount(), 1) << "the radius without a file is dropped";
    EXPECT_EQ(odd.Curves[0].Radius, 300);
    EXPECT_EQ(odd.Curves[0].FileName, "b.b3d");

    TVLTrackDefinition bad = TVLTrackDefinition::CreateFromLine("a,1,wide,b,-20,c");
    ASSERT_EQ(bad.CurveCount(), 2);
    EXPECT_EQ(bad.Curves[0].Radius, 0);
    EXPECT_EQ(bad.Curves[1].Radius, -20);
    EXPECT_EQ(bad.SaveToString(), "\"a\",1,0,\"b\",-20,\"c\"");
}

TEST(TrackDefinition, QuotedNamesMayHoldBlanks)
{
    TVLTrackDefinition d = TVLTrackDefinition::CreateFromLine("\"tracks\\my track.b3d\",1,250,\"tracks\\my curve.b3d\"");
    EXPECT_EQ(d.StraightFile, "tracks\\my track.b3d");
    EXPECT_EQ(d.GetFileForRadius(200), "tracks\\my curve.b3d");
    EXPECT_EQ(d.SaveToString(), "\"tracks\\my track.b3d\",1,250,\"tracks\\my curve.b3d\"");
}

TEST(TrackDefinition, DefaultLinesSurviveARoundTrip)
{
    const TStrings& lines = TVLTrackTypes::DefaultLines();
    ASSERT_EQ(lines.size(), 9u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        TVLTrackDefinition d = TVLTrackDefinition::CreateFromLine(lines[i]);
        std::string saved = d.SaveToString();
        if (lines[i][0] == '"')
            EXPECT_EQ(saved, lines[i]) << i;
        else
            EXPECT_EQ(saved, "\"" + lines[i].substr(0, lines[i].find(',')) + "\"" + lines[i].substr(lines[i].find(','))) << i;
        TVLTrackDefinition again = TVLTrackDefinition::CreateFromLine(saved);
        EXPECT_EQ(again.SaveToString(), saved) << i;
    }
    EXPECT_EQ(lines[1],
              "\"tracks\\brown.b3d\",0,1000,\"tracks\\brown1000.b3d\",500,\"tracks\\brown500.b3d\",150,"
              "\"tracks\\brown150.b3d\",-1000,\"tracks\\brown-1000.b3d\",-500,\"tracks\\brown-500.b3d\",-150,"
              "\"tracks\\brown-150.b3d\"");
    EXPECT_EQ(lines[0], "tracks\\track0.b3d,2");
    EXPECT_EQ(lines[8], "tracks\\bridgetrack_overhead.b3d,6");
}

// ---------------------------------------------------------------------------
// The table

namespace {

class TrackTypeFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Root = fs::temp_directory_path() /
               ("velkast_tracktypes_" + std::string(info->name()) + "_" + std::to_string(::getpid()));
        fs::remove_all(Root);
        fs::create_directories(Root);
        Program = Root.string() + "/";
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(Root, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(Root, ec);
    }
    void Write(const std::string& name, const std::string& bytes)
    {
        std::ofstream(Root / name, std::ios::binary) << bytes;
    }

    fs::path Root;
    std::string Program;
};

} // namespace

TEST_F(TrackTypeFolder, WithoutFileTheNineDefaultsApplyAndNoFileIsMade)
{
    TVLTrackTypes types;
    types.TrackDefinitions = {"junk"};
    EXPECT_FALSE(types.Load(Program));
    EXPECT_TRUE(types.UsingDefaults);
    EXPECT_EQ(types.LoadError, "");
    EXPECT_EQ(types.TrackDefinitions, TVLTrackTypes::DefaultLines());
    EXPECT_FALSE(fs::exists(Root / "trackdef.dat"));

    TStrings names;
    names.push_back("stale");
    types.FillTrackNames(names);
    ASSERT_EQ(names.size(), 9u);
    EXPECT_EQ(names[0], "0=tracks\\track0.b3d");
    EXPECT_EQ(names[1], "1=tracks\\brown.b3d");
    EXPECT_EQ(names[8], "8=tracks\\bridgetrack_overhead.b3d");
}

TEST_F(TrackTypeFolder, FileInAnyCaseReplacesTheDefaults)
{
    Write("TrackDef.DAT", "\"a.b3d\",5,200,\"a200.b3d\"\r\nb.b3d,1\r\n");
    TVLTrackTypes types;
    EXPECT_TRUE(types.Load(Program));
    EXPECT_FALSE(types.UsingDefaults);
    ASSERT_EQ(types.Count(), 2);
    EXPECT_EQ(types.GetTrackObject(0, 150), "a200.b3d");
    EXPECT_EQ(types.GetRunSound("B.B3D"), 1);
}

TEST_F(TrackTypeFolder, SaveWritesTheTableAndLoadReadsItBack)
{
    TVLTrackTypes types;
    types.TrackDefinitions.erase(types.TrackDefinitions.begin() + 2, types.TrackDefinitions.end());
    ASSERT_TRUE(types.Save(Program));
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(Program + "trackdef.dat", bytes));
    EXPECT_EQ(bytes, TVLTrackTypes::DefaultLines()[0] + "\r\n" + TVLTrackTypes::DefaultLines()[1] + "\r\n");

    TVLTrackTypes again;
    EXPECT_TRUE(again.Load(Program));
    EXPECT_EQ(again.Count(), 2);
}

TEST_F(TrackTypeFolder, UnreadableFileFallsBackToDefaultsWithAMessage)
{
    Write("trackdef.dat", "x.b3d,1\r\n");
    fs::permissions(Root / "trackdef.dat", fs::perms::none);
    std::ifstream probe(Root / "trackdef.dat");
    if (probe.is_open())
        GTEST_SKIP() << "files stay readable for this user";
    TVLTrackTypes types;
    EXPECT_FALSE(types.Load(Program));
    EXPECT_TRUE(types.UsingDefaults);
    EXPECT_NE(types.LoadError.find("trackdef.dat"), std::string::npos);
    EXPECT_EQ(types.Count(), 9);
}

TEST_F(TrackTypeFolder, EmptyFileIsAnEmptyTable)
{
    Write("trackdef.dat", "");
    TVLTrackTypes types;
    EXPECT_TRUE(types.Load(Program));
    EXPECT_EQ(types.Count(), 0);
    EXPECT_EQ(types.GetTrackObject(1, 0), "");
    EXPECT_EQ(types.GetRunSound("tracks\\brown.b3d"), 0);
}

TEST(TrackTypes, QueriesOnTheDefaults)
{
    TVLTrackTypes types;
    std::string file = "previous";
    types.GetTrackObject(9, 0, file);
    EXPECT_EQ(file, "") << "a type beyond the table";
    file = "previous";
    types.GetTrackObject(-1, 0, file);
    EXPECT_EQ(file, "");
    types.GetTrackObject(1, 400, file);
    EXPECT_EQ(file, "tracks\\brown500.b3d");
    EXPECT_EQ(types.GetTrackObject(2, -1200), "tracks\\brown_overhead.b3d");
    EXPECT_EQ(types.GetTrackObject(4, -157), "tracks\\grey-500_overhead.b3d");
    EXPECT_EQ(types.GetTrackObject(0, 150), "tracks\\track0.b3d");

    EXPECT_EQ(types.IndexOfObjectFile("TRACKS\\Brown500.B3D"), 1);
    EXPECT_EQ(types.IndexOfObjectFile("tracks\\grey_overhead.b3d"), 4);
    EXPECT_EQ(types.IndexOfObjectFile("tracks\\grey-150_overhead.b3d"), 4);
    EXPECT_EQ(types.IndexOfObjectFile("tracks\\none.b3d"), -1);
    EXPECT_EQ(types.IndexOfObjectFile(""), -1);

    EXPECT_EQ(types.GetRunSound("tracks\\bridgetrack.b3d"), 6);
    EXPECT_EQ(types.GetRunSound("tracks\\DARK_overhead.b3d"), 3);
    EXPECT_EQ(types.GetRunSound("tracks\\brown-1000.b3d"), 0);
    EXPECT_EQ(types.GetRunSound("tracks\\grey150.b3d"), 2);
    EXPECT_EQ(types.GetRunSound("misc\\kuh1.b3d"), 0) << "a file no type uses";
}

TEST(TrackTypes, FirstTypeUsingAFileWins)
{
    TVLTrackTypes types;
    types.TrackDefinitions = {"a.b3d,1,100,shared.b3d", "shared.b3d,4", "b.b3d,5,50,shared.b3d"};
    EXPECT_EQ(types.IndexOfObjectFile("shared.b3d"), 0);
    EXPECT_EQ(types.GetRunSound("SHARED.b3d"), 1);
}
