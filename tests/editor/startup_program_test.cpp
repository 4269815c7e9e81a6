// Program start-up: the 24 windows in their order, the object library root
// taken from the options, and the sample project of the program folder.

#include "startuptesthelpers.h"
#include "windowfit.h"

#include "app/packagerlink.h"
#include "editor/formmain.h"
#include "editor/frmeditor.h"
#include "editor/editorwindows.h"
#include "editor/formoptions.h"
#include "editor/formsetbvefolder.h"
#include "editor/startupforms.h"
#include "model/vlobject.h"

namespace {

class ProgramTest : public StartupTest {};

class EveryWindowShowsItsButtonsAt800x600 : public StartupTest, public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        InstallPackagerLink();
    }
    void TearDown() override
    {
        StartupTest::TearDown();
        RemovePackagerLink();
    }
};

// The windows of the program, and the folder dialog the options make.
const std::string EditorWindows[] = {
    "FormMain", "FormOptions", "CreateProj_Wizard", "FormAddons", "FormAbout", "FormTimetable",
    "FormTrackProperties", "FormTrain", "FormRouteDefinitions", "FormExport", "FormObjects", "FormStations",
    "FormBGMap", "FormNewBGImage", "FormProjectProperties", "FormSelectObject", "FormWelcome",
    "FormFreeObjProperties", "FormMoveEverything", "FormPackage", "FormPredefinedObjects", "FormCreatePackage",
    "FormTrackTypes", "FormReplace", "FormSetBveFolder"};

} // namespace

TEST_P(EveryWindowShowsItsButtonsAt800x600, Editor)
{
    CreateApplicationForms();
    const std::string name = GetParam();
    if (name == "FormSetBveFolder") {
        TFormSetBveFolder dialog(FormOptions);
        windowfit::ExpectButtonsShown(&dialog);
        return;
    }
    if (name == "FormMain") {
        // With a project, the plan and its panels are shown.
        FormMain->FrmEditor->SetProject(std::make_unique<TVLProject>());
        FormMain->EnableProjectCommands(true);
    }
    for (QWidget* form : ApplicationForms())
        if (form->objectName().toStdString() == name)
            // The wizard goes back from its second page on.
            return windowfit::ExpectButtonsShown(form, name == "CreateProj_Wizard" ? std::set<std::string>{"Back"}
                                                                                     : std::set<std::string>{});
    ADD_FAILURE() << "no window " << name;
}

INSTANTIATE_TEST_SUITE_P(Windows, EveryWindowShowsItsButtonsAt800x600, ::testing::ValuesIn(EditorWindows),
                         [](const auto& info) { return info.param; });

TEST_F(ProgramTest, CreatesTheWindowsInOrder)
{
    PutFile("set.ini", "[Settings]\r\nBVE_Folder=" + Program + "\r\nObjectFolder=lib\r\n");
    CreateApplicationForms();
    std::vector<std::string> names;
    for (QWidget* form : ApplicationForms())
        names.push_back(form->objectName().toStdString());
    const std::vector<std::string> expected{
        "FormMain", "FormOptions", "CreateProj_Wizard", "FormAddons", "FormAbout", "FormTimetable",
        "FormTrackProperties", "FormTrain", "FormRouteDefinitions", "FormExport", "FormObjects", "FormStations",
        "FormBGMap", "FormNewBGImage", "FormProjectProperties", "FormSelectObject", "FormWelcome",
        "FormFreeObjProperties", "FormMoveEverything", "FormPackage", "FormPredefinedObjects",
        "FormCreatePackage", "FormTrackTypes", "FormReplace"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(ObjectsRoot, Program + "lib/");
    // Nothing is shown before the event loop runs.
    for (QWidget* form : ApplicationForms())
        EXPECT_FALSE(form->isVisible()) << form->objectName().toStdString();
}

TEST_F(ProgramTest, WindowsDropTheirProjectWhenItIsFreed)
{
    CreateApplicationForms();
    FormMain->FrmEditor->SetProject(std::make_unique<TVLProject>());
    TVLProject* project = FormMain->FrmEditor->Project;
    FormExport->Project = project;
    FormReplace->Project = project;
    FormCreatePackage->Project = project;
    FormMain->FrmEditor->SetProject(std::make_unique<TVLProject>());
    EXPECT_EQ(FormExport->Project, nullptr);
    EXPECT_EQ(FormReplace->Project, nullptr);
    EXPECT_EQ(FormCreatePackage->Project, nullptr);
}

TEST(SampleProject, LoadsWhole)
{
    TVLProject project;
    ASSERT_TRUE(project.LoadFromFile(std::string(VELKAST_SOURCE_DIR) + "/sample/program/projects/hillroad.vlp"));
    EXPECT_EQ(project.ProjectName, "Hill Road line");
    EXPECT_EQ(project.Points.Count(), 8);
    EXPECT_EQ(project.Connections.Count(), 7);
    EXPECT_EQ(project.DroppedLines, 0);
    ASSERT_EQ(project.RouteDefinitions.Count(), 1);
    EXPECT_EQ(project.RouteDefinitions[0]->Count(), 6);
    EXPECT_EQ(project.StationCount(), 2);
    EXPECT_EQ(project.FreeObjects.Count(), 2);
    for (TVLConnection* c : project.Connections) {
        EXPECT_NE(c->StartPoint, nullptr);
        EXPECT_NE(c->EndPoint, nullptr);
    }
}
