// The free-object dialog: what it shows, what OK writes back, the refusal
// of texts that are not numbers, and a new object file through the picker.
// Also the objects window, which places the double-clicked object.

#include "startuptesthelpers.h"

#include "editor/formfreeobjproperties.h"
#include "editor/formobjects.h"
#include "editor/formselectobject.h"
#include "editor/frmeditor.h"
#include "editor/frmobjects.h"
#include "editor/formpredefinedobjects.h"
#include "editor/formstations.h"
#include "model/vlobject.h"
#include "platform/inifile.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class FreeObjectTest : public StartupTest {
protected:
    // The message boxes that refused a field.
    int Refusals() const
    {
        int n = 0;
        for (const TDialogRequest& r : RequestsOf(TDialogKind::MessageBox))
            n += r.Text.rfind(GetMessageText("udialog_bad_value"), 0) == 0;
        return n;
    }
    void SetUp() override
    {
        StartupTest::SetUp();
        Lib = Program + "lib/";
        fs::create_directories(Lib + "misc");
        fs::create_directories(Lib + "signs");
        std::ofstream(Lib + "misc/box.b3d") << "vertex -2,0,-3\r\nvertex 2,1,3\r\n";
        std::ofstream(Lib + "signs/post.b3d") << "Vertex 0.5, 2, 3\r\n";
        ObjectsRoot = Lib;
        CreateForm(FormSelectObject);
        CreateForm(FormFreeObjProperties);
        Object = std::make_unique<TVLObject>("misc", "box.b3d");
        Object->X = 12.5;
        Object->Y = -4;
        Object->Height = 0.25;
        FormFreeObjProperties->FreeObject = Object.get();
    }
    void TearDown() override
    {
        ObjectsRoot.clear();
        StartupTest::TearDown();
    }
    // Picks folder\file in the picker, or cancels it when file is empty.
    void AnswerPicker(const QString& folder, const QString& file)
    {
        Answer = [folder, file](const TDialogRequest& r) {
            TDialogAnswer a;
            if (r.Kind == TDialogKind::MessageBox) {
                a.Result = DefaultMessageAnswer(r.Buttons);
                return a;
            }
            if (r.Window != FormSelectObject)
                return a;
            FormSelectObject->show();
            if (file.isEmpty()) {
                QTest::keyClick(FormSelectObject, Qt::Key_Escape);
                return a;
            }
            FormSelectObject->SelectFolder(folder.toStdString());
            QListWidget* files = FormSelectObject->FrmObjects1->lvObjects;
            files->setCurrentItem(files->findItems(file, Qt::MatchExactly).value(0));
            FormSelectObject->Button1->click();
            a.Result = mrOk;
            return a;
        };
    }
    std::string Lib;
    std::unique_ptr<TVLObject> Object;
};

} // namespace

TEST_F(FreeObjectTest, ShowsTheObject)
{
    TFormFreeObjProperties* dlg = FormFreeObjProperties;
    dlg->show();
    EXPECT_EQ(dlg->windowTitle(), "Object Properties");
    EXPECT_EQ(dlg->lObjectpath->text(), "misc\\box.b3d");
    EXPECT_EQ(dlg->edVOffset->text(), "0.25000");
    EXPECT_EQ(dlg->edX->text(), "12.50000");
    EXPECT_EQ(dlg->edY->text(), "-4.00000");
    EXPECT_EQ(dlg->edRotation->text(), "0");
    EXPECT_EQ(dlg->lMaxCube->text(), "2/3 -2/3 -2/-3 2/-3");
}

TEST_F(FreeObjectTest, ShowsAllFourCornersAfterTheRotationChanged)
{
    TFormFreeObjProperties* dlg = FormFreeObjProperties;
    dlg->show();
    dlg->hide();
    Object->Rotation = 33; // corners of 15 digits
    dlg->show();
    dlg->resize(0, 0);
    QApplication::processEvents();
    QLabel* corners = dlg->lMaxCube;
    ASSERT_EQ(corners->text().split(' ').size(), 4);
    EXPECT_GE(corners->height(), corners->heightForWidth(corners->width()));
    EXPECT_LT(corners->geometry().bottom(), dlg->Button2->geometry().top());
}

TEST_F(FreeObjectTest, OkWritesTheFieldsAndRefusesTextsThatAreNotNumbers)
{
    TFormFreeObjProperties* dlg = FormFreeObjProperties;
    dlg->show();
    dlg->edX->setText("1,5");
    dlg->edRotation->setText("90");
    dlg->Button2->click();
    EXPECT_EQ(Refusals(), 1);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->edX->text(), "1,5"); // kept for correcting
    EXPECT_EQ(Object->X, 12.5);         // nothing written yet
    EXPECT_EQ(Object->Rotation, 0);

    dlg->edX->setText(" -7.25 ");
    dlg->edRotation->setText("45.5");
    dlg->Button2->click();
    EXPECT_EQ(Refusals(), 2);
    EXPECT_EQ(Object->X, 12.5);

    for (const char* bad : {"", "abc", "1e400", "nan", "2.5m"}) {
        dlg->edY->setText(bad);
        dlg->edRotation->setText("90");
        dlg->Button2->click();
        EXPECT_TRUE(dlg->isVisible()) << bad;
    }
    EXPECT_EQ(Refusals(), 7);

    dlg->edY->setText("3");
    dlg->edVOffset->setText("-1.5");
    dlg->Button2->click();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(Object->X, -7.25);
    EXPECT_EQ(Object->Y, 3.0);
    EXPECT_EQ(Object->Height, -1.5);
    EXPECT_EQ(Object->Rotation, 90);
    EXPECT_EQ(Object->GetRelativePath(), "misc\\box.b3d");
    EXPECT_EQ(Object->SaveToString(), "\"misc\",\"box.b3d\",-7.25000,3.00000,90.00000,-1.50000");
}

TEST_F(FreeObjectTest, ChangeReadsTheNewFileOnOkOnly)
{
    TFormFreeObjProperties* dlg = FormFreeObjProperties;
    AnswerPicker("signs", "post.b3d");
    dlg->show();
    dlg->bChange->click();
    EXPECT_TRUE(dlg->FileChanged);
    EXPECT_EQ(dlg->lObjectpath->text(), "signs\\post.b3d");
    // Cancel leaves the object's file.
    dlg->Button1->click();
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_EQ(Object->GetRelativePath(), "misc\\box.b3d");

    // A cancelled pick changes nothing; a new showing starts unchanged.
    AnswerPicker("", "");
    dlg->show();
    EXPECT_FALSE(dlg->FileChanged);
    dlg->bChange->click();
    EXPECT_FALSE(dlg->FileChanged);
    EXPECT_EQ(dlg->lObjectpath->text(), "misc\\box.b3d");

    AnswerPicker("signs", "post.b3d");
    dlg->bChange->click();
    dlg->Button2->click();
    EXPECT_EQ(Object->Folder, "signs");
    EXPECT_EQ(Object->FileName, "post.b3d");
    EXPECT_EQ(Object->Lines, TStrings{"Vertex 0.5, 2, 3"});
    EXPECT_EQ(Object->MaxX, 0.5);
    EXPECT_EQ(Object->MinX, -0.5);
    EXPECT_EQ(Object->MinZ, 2.0);
    // The next showing has the new footprint.
    dlg->show();
    EXPECT_EQ(dlg->lMaxCube->text(), "0.5/3 -0.5/3 -0.5/2 0.5/2");
}

TEST_F(FreeObjectTest, AFileGoneBeforeOkKeepsItsNamesAndAnEmptyFootprint)
{
    TFormFreeObjProperties* dlg = FormFreeObjProperties;
    AnswerPicker("signs", "post.b3d");
    dlg->show();
    dlg->bChange->click();
    fs::remove(Lib + "signs/post.b3d");
    dlg->Button2->click();
    EXPECT_EQ(Object->GetRelativePath(), "signs\\post.b3d");
    EXPECT_TRUE(Object->Lines.empty());
    for (double bound : {Object->MaxX, Object->MinX, Object->MaxZ, Object->MinZ})
        EXPECT_EQ(bound, 0.0);
}

TEST_F(FreeObjectTest, ObjectsWindowPlacesTheDoubleClickedObjectAtTheCursor)
{
    CreateForm(FormObjects);
    EXPECT_EQ(ObjectsRoot, Program + "lib/");
    TVLProject project;
    FormObjects->Project = &project;
    FormObjects->show();
    EXPECT_EQ(FormObjects->windowTitle(), "Objects");
    TFrmObjects* frame = FormObjects->FrmObjects1;
    ASSERT_EQ(frame->lvObjFolders->count(), 2);
    EXPECT_FALSE(TFrmEditor::ObjectBrowserHasSelection());
    std::string folder, file;
    EXPECT_FALSE(TFrmEditor::ObjectBrowserSelection(folder, file));

    frame->lvObjFolders->setCurrentRow(1);
    EXPECT_TRUE(TFrmEditor::ObjectBrowserHasSelection());
    ASSERT_TRUE(TFrmEditor::ObjectBrowserSelection(folder, file));
    EXPECT_EQ(folder, "signs");
    EXPECT_EQ(file, "post.b3d");

    CurrentSituation.Cursor = MakeWorldPoint(30, -8);
    CurrentSituation.RefreshRequested = false;
    emit frame->lvObjects->itemDoubleClicked(frame->lvObjects->item(0));
    ASSERT_EQ(project.FreeObjects.Count(), 1);
    const TVLObject* placed = project.FreeObjects[0];
    EXPECT_EQ(placed->GetRelativePath(), "signs\\post.b3d");
    EXPECT_EQ(placed->X, 30.0);
    EXPECT_EQ(placed->Y, -8.0);
    EXPECT_EQ(placed->Rotation, 0);
    EXPECT_EQ(placed->MaxX, 0.5);
    EXPECT_TRUE(CurrentSituation.RefreshRequested);

    // Without a project nothing is placed; the window's end unhooks it.
    FormObjects->Project = nullptr;
    emit frame->lvObjects->itemDoubleClicked(frame->lvObjects->item(0));
    EXPECT_EQ(project.FreeObjects.Count(), 1);
    delete FormObjects;
    EXPECT_FALSE(TFrmEditor::ObjectBrowserHasSelection);
}

TEST_F(FreeObjectTest, TranslatableTextsAreThoseOfTheLanguageFile)
{
    // Writing the windows' defaults into an empty file gives the keys and
    // texts the shipped file has for them. The picker's caption is its
    // name until the language file gives it one.
    CreateForm(FormObjects);
    CreateForm(FormStations);
    CreateForm(FormPredefinedObjects);
    PutFile("empty.lng", "");
    TLngINISupp translator;
    translator.SetFileName("empty.lng");
    translator.WriteDefaults();
    TIniData written;
    ASSERT_TRUE(written.LoadFromFile(Program + "empty.lng"));
    TIniData shipped;
    ASSERT_TRUE(shipped.LoadFromFile(Program + "english.lng"));
    EXPECT_EQ(written.ReadString("FormSelectObject", "_FormCaption", ""), "FormSelectObject");
    for (const char* section :
         {"FormObjects", "FormStations", "FormSelectObject", "FormFreeObjProperties", "FormPredefinedObjects"}) {
        TStrings keys = written.ReadSection(section);
        TStrings expected = shipped.ReadSection(section);
        std::sort(keys.begin(), keys.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(keys, expected) << section;
        for (const std::string& key : keys) {
            if (key == "_FormCaption" && std::string(section) == "FormSelectObject")
                continue;
            EXPECT_EQ(written.ReadString(section, key, "?"), shipped.ReadString(section, key, "!"))
                << section << "." << key;
        }
    }
}
