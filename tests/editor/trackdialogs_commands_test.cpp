// The main window's and the plan's commands that open the track properties,
// track types and replace dialogs, each answered by driving the dialog.

#include "startuptesthelpers.h"

#include "editor/formmain.h"
#include "editor/formreplace.h"
#include "editor/formtrackproperties.h"
#include "editor/formtracktypes.h"
#include "editor/frmeditor.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>

namespace {

class TrackDialogCommandsTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        TVLProject project;
        project.AddPoint(std::make_unique<TVLPoint>(MakeWorldPoint(0, 0)));
        project.AddPoint(std::make_unique<TVLPoint>(MakeWorldPoint(25, 0)));
        project.AddConnection(std::make_unique<TVLConnection>(project.Points[0], project.Points[1]));
        ASSERT_TRUE(project.SaveToFile(Program + "hill.vlp"));
        CreateForm(FormMain);
        CreateForm(FormTrackTypes);
        CreateForm(FormTrackProperties);
        CreateForm(FormReplace);
        ASSERT_TRUE(FormMain->OpenProjectFile(Program + "hill.vlp"));
        Project = FormMain->FrmEditor->Project;
        ASSERT_NE(Project, nullptr);
        Track = Project->Connections.GetConnection(0);
    }

    // Drives the modal window named name with drive; other windows are cancelled.
    void Drive(const char* name, std::function<int(QDialog*)> drive)
    {
        Answer = [name, drive](const TDialogRequest& r) {
            TDialogAnswer a;
            if (r.Kind == TDialogKind::ModalWindow && r.Window->objectName() == name)
                a.Result = drive(r.Window);
            else if (r.Kind == TDialogKind::MessageBox)
                a.Result = DefaultMessageAnswer(r.Buttons);
            return a;
        };
    }

    TVLProject* Project = nullptr;
    TVLConnection* Track = nullptr;
};

} // namespace

TEST_F(TrackDialogCommandsTest, TrackPropertiesFromMenuToolBarAndPopup)
{
    int shown = 0;
    Drive("FormTrackProperties", [&](QDialog*) {
        ++shown;
        FormTrackProperties->FormShow();
        FormTrackProperties->edSpeedlimit->setText(QString::number(100 + shown));
        FormTrackProperties->bOKClick();
        return FormTrackProperties->result() == QDialog::Accepted ? int(mrOk) : int(mrCancel);
    });
    // Nothing selected: nothing opens.
    FormMain->MenuTrackProperties->trigger();
    EXPECT_EQ(shown, 0);

    CurrentSituation.SelectedConnection = Track;
    FormMain->MenuTrackProperties->trigger();
    EXPECT_EQ(Track->SpeedLimit, 101);
    FormMain->FrmEditor->tbProperties->click();
    EXPECT_EQ(Track->SpeedLimit, 102);
    FormMain->FrmEditor->properties1->trigger();
    EXPECT_EQ(Track->SpeedLimit, 103);
    EXPECT_EQ(FormTrackProperties->Project, Project);
}

TEST_F(TrackDialogCommandsTest, ReplaceAndTrackTypesFromTheMenu)
{
    Drive("FormReplace", [](QDialog*) {
        FormReplace->FormShow();
        FormReplace->cbSearchType->setCurrentIndex(TFormReplace::stTrack);
        FormReplace->cbSearchfor->setCurrentIndex(1);
        FormReplace->cbReplaceby->setCurrentIndex(6);
        FormReplace->bReplaceClick();
        return int(mrCancel);
    });
    FormMain->replace1->trigger();
    EXPECT_EQ(FormReplace->Project, Project);
    EXPECT_EQ(Track->TrackType, 6);

    Drive("FormTrackTypes", [](QDialog*) {
        FormTrackTypes->FormShow();
        FormTrackTypes->lvTracktypes->setCurrentItem(FormTrackTypes->lvTracktypes->topLevelItem(0));
        FormTrackTypes->bDelTrackDefClick();
        return FormTrackTypes->Button1Click() ? int(mrOk) : int(mrCancel);
    });
    FormMain->mTrackTypes1->trigger();
    EXPECT_EQ(FormTrackTypes->TrackDefinitions.size(), 8u);
    EXPECT_EQ(Track->TrackType, 6); // pieces keep their numbers
}

TEST_F(TrackDialogCommandsTest, ClosingTheProjectForgetsIt)
{
    CurrentSituation.SelectedConnection = Track;
    FormMain->MenuTrackProperties->trigger();
    FormMain->replace1->trigger();
    ASSERT_EQ(FormTrackProperties->Project, Project);
    FormMain->FrmEditor->SetProject(nullptr);
    EXPECT_EQ(FormTrackProperties->Project, nullptr);
    EXPECT_EQ(FormTrackProperties->Connection, nullptr);
    EXPECT_EQ(FormReplace->Project, nullptr);
}
