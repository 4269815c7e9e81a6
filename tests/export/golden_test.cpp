// Whole exports of small projects compared with route files worked out by
// hand. Each case is a project file under golden/ and the expected route
// file, credits and file list next to it.

#include "tests/export/vlexport_tool/exportrun.h"

#include "platform/textlines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Golden(const std::string& name)
{
    return std::string(VELKAST_SOURCE_DIR) + "/tests/export/golden/" + name;
}

struct TRun {
    int Result = -1;
    fs::path Dir;
};

TRun RunCase(const std::string& project, std::vector<std::string> options)
{
    TRun run;
    run.Dir = fs::temp_directory_path() / ("vl_golden_" + std::to_string(::getpid()) + "_" + project);
    fs::remove_all(run.Dir);
    std::vector<std::string> args = {"vlexport_tool", Golden(project + ".vlp"), run.Dir.string()};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    run.Result = RunVlExportTool(static_cast<int>(argv.size()), argv.data());
    return run;
}

void ExpectSameFile(const fs::path& actual, const std::string& expected)
{
    std::string a, e;
    ASSERT_TRUE(ReadFileBytes(actual.string(), a)) << actual;
    ASSERT_TRUE(ReadFileBytes(Golden(expected), e)) << expected;
    EXPECT_EQ(SplitLines(a), SplitLines(e)) << "differs from " << expected;
    // Windows line ends throughout.
    EXPECT_EQ(a, JoinLines(SplitLines(a)));
}

} // namespace

TEST(GoldenExport, StraightLineWithTwoStations)
{
    TRun run = RunCase("tiny", {"--check"});
    ASSERT_EQ(run.Result, 0);
    ExpectSameFile(run.Dir / "route.csv", "tiny.csv");
    ExpectSameFile(run.Dir / "route_credits.txt", "tiny_credits.txt");
    ExpectSameFile(run.Dir / "filelist.txt", "tiny_filelist.txt");
    fs::remove_all(run.Dir);
}

TEST(GoldenExport, PlatformWallPolesSoundFreeObjectAndSiding)
{
    TRun run = RunCase("siding", {"--check"});
    ASSERT_EQ(run.Result, 0);
    ExpectSameFile(run.Dir / "route.csv", "siding.csv");
    ExpectSameFile(run.Dir / "route_credits.txt", "siding_credits.txt");
    ExpectSameFile(run.Dir / "filelist.txt", "siding_filelist.txt");
    fs::remove_all(run.Dir);
}

TEST(GoldenExport, BackwardsWithoutStopSign)
{
    TRun run = RunCase("backward", {"--check", "--start", "A", "--dest", "B"});
    ASSERT_EQ(run.Result, 0);
    ExpectSameFile(run.Dir / "route.csv", "backward.csv");
    ExpectSameFile(run.Dir / "route_credits.txt", "backward_credits.txt");
    ExpectSameFile(run.Dir / "filelist.txt", "backward_filelist.txt");
    fs::remove_all(run.Dir);
}

TEST(GoldenExport, StopsWithoutWritingForAStationOffTheRoute)
{
    TRun run = RunCase("backward", {"--start", "A", "--dest", "Nowhere"});
    EXPECT_EQ(run.Result, 1);
    EXPECT_FALSE(fs::exists(run.Dir / "route.csv"));
    fs::remove_all(run.Dir);
}

TEST(GoldenExport, FailedExportKeepsTheRouteOfAnEarlierOne)
{
    TRun good = RunCase("backward", {"--start", "A", "--dest", "B"});
    ASSERT_EQ(good.Result, 0);
    fs::path kept = fs::temp_directory_path() / ("vl_golden_kept_" + std::to_string(::getpid()));
    fs::remove_all(kept);
    fs::rename(good.Dir, kept);
    // The failing run writes into the same folder.
    std::vector<std::string> args = {"vlexport_tool", Golden("backward.vlp"), kept.string(), "--start", "A",
                                     "--dest", "Nowhere"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    EXPECT_EQ(RunVlExportTool(static_cast<int>(argv.size()), argv.data()), 1);
    ExpectSameFile(kept / "route.csv", "backward.csv");
    ExpectSameFile(kept / "filelist.txt", "backward_filelist.txt");
    fs::remove_all(kept);
}

TEST(GoldenExport, SmoothedCurveWithCantAndHeight)
{
    TRun run = RunCase("curve", {"--check"});
    ASSERT_EQ(run.Result, 0);
    ExpectSameFile(run.Dir / "route.csv", "curve.csv");
    ExpectSameFile(run.Dir / "route_credits.txt", "curve_credits.txt");
    ExpectSameFile(run.Dir / "filelist.txt", "curve_filelist.txt");
    fs::remove_all(run.Dir);
}

TEST(GoldenExport, DamagedProjectSaysWhereItIsDamagedAndKeepsAnEarlierRoute)
{
    std::string data;
    ASSERT_TRUE(ReadFileBytes(Golden("tiny.vlp"), data));
    TRun earlier = RunCase("tiny", {});
    ASSERT_EQ(earlier.Result, 0);
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string d = data;
        return d.replace(d.find(from), from.size(), to);
    };
    const std::pair<std::string, std::string> damages[] = {
        // Cut off inside its last line, as an interrupted copy leaves it.
        {data.substr(0, data.size() - 3), "line 16 is cut off"},
        // Numbers that would be read as 0 and fold the line onto the origin.
        {replaced("2,100.00000,0", "2,1.0e400,0"), "line 8 holds a point position that cannot be read"},
        {replaced("2,100.00000,0", "2,nan.0,0"), "line 8 holds a point position"},
        {replaced("3,200.00000,0.00000", "3,200.00000,-inf.5"), "line 9 holds a point position"},
        {replaced("2,100.00000,0", "2,hundred,0"), "line 8 holds a point position"},
        {replaced("1,2,1,80,0.00000", "1,2,1,80,1.5e400"), "line 10 holds a track height that cannot be read"},
        {data + "freeobject1=\"misc\",\"kuh1.b3d\",150.0,nan.0,0,0\r\n", "line 17 holds a scenery object position"},
        {data + "freeobject1=\"misc\",\"kuh1.b3d\",150.0,10.0,0,1e999\r\n", "line 17 holds a scenery object height"}};
    fs::path file = fs::temp_directory_path() / ("vl_golden_damaged_" + std::to_string(::getpid()) + ".vlp");
    for (const auto& [text, said] : damages) {
        ASSERT_TRUE(WriteFileAtomic(file.string(), text));
        std::string tool = "vlexport_tool", in = file.string(), out = earlier.Dir.string();
        char* argv[] = {tool.data(), in.data(), out.data()};
        testing::internal::CaptureStderr();
        EXPECT_EQ(RunVlExportTool(3, argv), 2);
        EXPECT_NE(testing::internal::GetCapturedStderr().find(".vlp is damaged: " + said), std::string::npos) << said;
        ExpectSameFile(earlier.Dir / "route.csv", "tiny.csv");
    }
    fs::remove(file);
    fs::remove_all(earlier.Dir);
}

TEST(SampleLibrary, ObjectsAreModelledOnTheSideTheWriterPutsThem)
{
    // A pole the project puts on the right is placed as modelled (location
    // -1), a platform or roof at "R" from "...r.b3d", a left wall from "_l.b3d".
    for (std::string folder : {"poles", "platforms", "walls"})
        for (const auto& e : fs::directory_iterator(fs::path(VELKAST_SOURCE_DIR) / "sample/program/lib" / folder)) {
            TStrings lines;
            double x = 0; // the sum of the vertices' x: which side the object stands on
            for (const auto& l : LoadLines(e.path().string(), lines) ? lines : TStrings{})
                x += l.rfind("Vertex ", 0) == 0 ? std::strtod(l.c_str() + 7, nullptr) : 0;
            char side = folder == "poles" ? 'r' : e.path().stem().string().back();
            EXPECT_TRUE(x * x < 1e-12 || (side != 'l' && side != 'r') || (x > 0) == (side == 'r')) << e.path();
        }
}
