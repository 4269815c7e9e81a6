// Program start-up: the 24 windows in their order, the object library root
// taken from the options, and the sample project of the program folder.

#include "startuptesthelpers.h"

#include "editor/formmain.h"
#include "editor/frmeditor.h"
#include "editor/editorwindows.h"
#include "editor/startupforms.h"
#include "model/vlobject.h"

namespace {

class ProgramTest : public StartupTest {};

} // namespace

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
