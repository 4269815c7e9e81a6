// The editor's object and station commands reach the real windows: the
// free-object dialog, the stations window and the objects window.

#include "editingtesthelpers.h"

#include "editor/formfreeobjproperties.h"
#include "editor/formobjects.h"
#include "editor/formselectobject.h"
#include "editor/formstations.h"
#include "editor/frmobjects.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include <filesystem>
#include <fstream>

namespace {

class ObjectCommandsTest : public EditingTest {
protected:
    void SetUp() override
    {
        EditingTest::SetUp();
        std::filesystem::create_directories(Program + "lib/trees");
        std::ofstream(Program + "lib/trees/oak.b3d") << "vertex -1,0,-1\r\nvertex 1,5,1\r\n";
        CreateForm(FormObjects);
        CreateForm(FormStations);
        CreateForm(FormSelectObject);
        CreateForm(FormFreeObjProperties);
    }
};

} // namespace

TEST_F(ObjectCommandsTest, ObjectPropertiesCommandOpensTheDialog)
{
    TVLObject* object = AddObject(10, 10);
    CurrentSituation.SelectedObject = object;
    Answer = [](const TDialogRequest& r) {
        TDialogAnswer a;
        if (r.Window != FormFreeObjProperties)
            return a;
        FormFreeObjProperties->show();
        FormFreeObjProperties->edX->setText("25.5");
        FormFreeObjProperties->Button2->click();
        a.Result = mrOk;
        return a;
    };
    Frame->objectproperties1Click();
    EXPECT_EQ(FormFreeObjProperties->FreeObject, object);
    EXPECT_EQ(object->X, 25.5);
}

TEST_F(ObjectCommandsTest, StationsCommandShowsTheProjectsStations)
{
    Project->Stations.Add(std::make_unique<TVLStation>("Hill Road"));
    Frame->bStationsClick();
    EXPECT_EQ(FormStations->Project, Project);
    EXPECT_TRUE(FormStations->isVisible());
    EXPECT_EQ(FormStations->lbStations->count(), 1);
}

TEST_F(ObjectCommandsTest, AddObjectCommandTakesTheBrowsersChoice)
{
    Frame->tbObjectsClick();
    EXPECT_EQ(FormObjects->Project, Project);
    ASSERT_TRUE(FormObjects->isVisible());
    Frame->RefreshEditor();
    EXPECT_FALSE(Frame->tbAddObj->isEnabled());
    FormObjects->FrmObjects1->lvObjFolders->setCurrentRow(0);
    Frame->RefreshEditor();
    EXPECT_TRUE(Frame->tbAddObj->isEnabled());
    Frame->PressPos = MakeWorldPoint(12, -4);
    Frame->tbAddObj->click();
    ASSERT_EQ(Project->FreeObjects.Count(), 1);
    EXPECT_EQ(Project->FreeObjects[0]->GetRelativePath(), "trees\\oak.b3d");
    EXPECT_EQ(Project->FreeObjects[0]->MaxY, 5.0);
}
