// The track types window as the holder of the program's track-type table.

#include "editor/formtracktypes.h"
#include "platform/paths.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Widgets need an application object; reuse the one the test program made.
void EnsureApplication()
{
    if (QApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "editor_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives until the test program ends
}

class FormTrackTypesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApplication();
        OldProgram = ProgramFolder();
        Root = fs::temp_directory_path() / ("velkast_formtracktypes_" + std::to_string(::getpid()));
        fs::remove_all(Root);
        fs::create_directories(Root);
        SetProgramFolder(Root.string() + "/");
    }
    void TearDown() override
    {
        SetProgramFolder(OldProgram);
        fs::remove_all(Root);
    }

    std::string OldProgram;
    fs::path Root;
};

} // namespace

TEST_F(FormTrackTypesTest, WithoutFileHoldsTheDefaultsAndAnswersQueries)
{
    TFormTrackTypes form;
    EXPECT_EQ(form.objectName(), "FormTrackTypes");
    EXPECT_EQ(form.windowTitle(), "Track Types");
    EXPECT_EQ(form.TrackDefinitions.size(), 9u);
    EXPECT_EQ(form.LoadError(), "");
    EXPECT_FALSE(fs::exists(Root / "trackdef.dat"));

    std::string file = "x";
    form.GetTrackObject(3, 120, file);
    EXPECT_EQ(file, "tracks\\grey150.b3d");
    form.GetTrackObject(9, 0, file);
    EXPECT_EQ(file, "");
    EXPECT_EQ(form.IndexOfObjectFile("TRACKS\\DARK.B3D"), 5);
    EXPECT_EQ(form.GetRunSound("tracks\\bridgetrack_overhead.b3d"), 6);
    EXPECT_EQ(form.GetRunSound("nothing.b3d"), 0);

    QStringList names{"stale"};
    form.FillTrackNames(names);
    ASSERT_EQ(names.size(), 9);
    EXPECT_EQ(names[7], "7=tracks\\bridgetrack.b3d");
}

TEST_F(FormTrackTypesTest, LoadsTheProgramFolderFileAndSavesChanges)
{
    std::ofstream(Root / "trackdef.dat", std::ios::binary) << "\"tracks\\caf\xe9.b3d\",4\r\n";
    TFormTrackTypes form;
    ASSERT_EQ(form.TrackDefinitions.size(), 1u);
    QStringList names;
    form.FillTrackNames(names);
    EXPECT_EQ(names, QStringList{QString::fromUtf8("0=tracks\\caf\xc3\xa9.b3d")});
    EXPECT_EQ(form.GetRunSound("TRACKS\\CAF\xe9.B3D"), 4);

    form.TrackDefinitions.push_back("\"tracks\\b.b3d\",1");
    ASSERT_TRUE(form.SaveTrackDefinitions());
    TFormTrackTypes again;
    EXPECT_EQ(again.TrackDefinitions.size(), 2u);
    EXPECT_EQ(again.IndexOfObjectFile("tracks\\b.b3d"), 1);
}
