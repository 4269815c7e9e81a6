// The object browser panel over a fixture library, the object picker and
// the predefined-objects list editor.

#include "startuptesthelpers.h"

#include "editor/formoptions.h"
#include "editor/formpredefinedobjects.h"
#include "editor/formselectobject.h"
#include "editor/frmobjects.h"
#include "model/vlobject.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>
#include <QUrl>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class ObjectBrowserTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        Lib = Program + "lib/";
        for (const char* folder : {"walls", "platforms", "Backgrounds", "backgrounds", "misc/nested", ".svn", "poles"})
            fs::create_directories(Lib + folder);
        for (const char* file : {"walls/brick_l.b3d", "walls/brick_r.b3d", "walls/Stone.B3D", "walls/readme.txt",
                                 "walls/.hidden.b3d", "platforms/Wall.b3d", "platforms/concl.b3d",
                                 "Backgrounds/hill.b3d", "backgrounds/sky.bmp", "backgrounds/sky.b3d",
                                 "misc/nested/deep.b3d", ".svn/x.b3d"})
            std::ofstream(Lib + file) << "";
        std::ofstream(Lib + "misc/kuh1.b3d", std::ios::binary)
            << ";author=Anna Berg\r\n;description=A cow\r\n;copyright=free\r\nLoad b.bmp\r\nLOAD a,1.bmp\r\n"
               "load b.bmp\r\nvertex 1,0,2\r\n";
        fs::create_directory_symlink("..", Lib + "loop");
        ObjectsRoot = Lib;
    }
    void TearDown() override
    {
        ObjectsRoot.clear();
        StartupTest::TearDown();
    }
    static QStringList Texts(const QListWidget* list)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    static void Choose(QListWidget* list, const QString& text)
    {
        const auto items = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << text.toStdString();
        list->setCurrentItem(items.front());
        items.front()->setSelected(true);
    }
    // Shows the panel with the files of a folder listed.
    static void ShowFolder(TFrmObjects& frame, const QString& folder)
    {
        frame.resize(320, 480);
        frame.show();
        frame.refresh1Click();
        Choose(frame.lvObjFolders, folder);
        frame.lvObjFoldersClick();
    }
    // Answers the picker by choosing the file (shown in the folder the
    // caller preset), or cancels it with Escape when file is empty.
    void PickWith(std::vector<QString> files)
    {
        Answer = [this, files](const TDialogRequest& r) mutable {
            TDialogAnswer a;
            if (r.Kind == TDialogKind::MessageBox) {
                a.Result = DefaultMessageAnswer(r.Buttons);
                return a;
            }
            if (r.Kind != TDialogKind::ModalWindow || r.Window != FormSelectObject)
                return a;
            ++Picks;
            FormSelectObject->show();
            PickerFoldersVisible.push_back(!FormSelectObject->FrmObjects1->lvObjFolders->isHidden());
            const QString file = files.empty() ? QString() : files.front();
            if (!files.empty())
                files.erase(files.begin());
            if (file.isEmpty()) {
                QTest::keyClick(FormSelectObject, Qt::Key_Escape);
            } else {
                Choose(FormSelectObject->FrmObjects1->lvObjects, file);
                FormSelectObject->Button1->click();
            }
            a.Result = FormSelectObject->result() == QDialog::Accepted ? mrOk : mrCancel;
            return a;
        };
    }
    std::string Lib;
    int Picks = 0;
    std::vector<bool> PickerFoldersVisible;
};

} // namespace

TEST_F(ObjectBrowserTest, ListsFoldersWithoutDotFoldersAndLinks)
{
    TFrmObjects frame;
    EXPECT_EQ(TFrmObjects::LibraryPath(), Program + "lib");
    frame.refresh1Click();
    EXPECT_EQ(Texts(frame.lvObjFolders),
              (QStringList{"Backgrounds", "backgrounds", "misc", "platforms", "poles", "walls"}));
    EXPECT_FALSE(frame.HasSelection());

    // Object files of any letter case, not other files nor hidden ones; the
    // first is chosen and its information shown.
    Choose(frame.lvObjFolders, "walls");
    frame.lvObjFoldersClick();
    EXPECT_EQ(Texts(frame.lvObjects), (QStringList{"brick_l.b3d", "brick_r.b3d", "Stone.B3D"}));
    EXPECT_TRUE(frame.HasSelection());
    EXPECT_EQ(frame.SelectedFolder(), "walls");
    EXPECT_EQ(frame.SelectedFile(), "brick_l.b3d");
    EXPECT_EQ(frame.SelectedFullPath(), Program + "lib/walls/brick_l.b3d");

    // Only "backgrounds" itself lists bitmaps.
    Choose(frame.lvObjFolders, "backgrounds");
    frame.lvObjFoldersClick();
    EXPECT_EQ(Texts(frame.lvObjects), QStringList{"sky.bmp"});
    Choose(frame.lvObjFolders, "Backgrounds");
    frame.lvObjFoldersClick();
    EXPECT_EQ(Texts(frame.lvObjects), QStringList{"hill.b3d"});

    // Nested folders are not searched; an empty folder lists nothing.
    Choose(frame.lvObjFolders, "misc");
    frame.lvObjFoldersClick();
    EXPECT_EQ(Texts(frame.lvObjects), QStringList{"kuh1.b3d"});
    Choose(frame.lvObjFolders, "poles");
    frame.lvObjFoldersClick();
    EXPECT_EQ(frame.lvObjects->count(), 0);
    EXPECT_FALSE(frame.HasSelection());

    // A missing library lists no folders.
    fs::remove_all(Lib);
    frame.refresh1Click();
    EXPECT_EQ(frame.lvObjFolders->count(), 0);
}

TEST_F(ObjectBrowserTest, ShowsTheChosenObjectsInformation)
{
    TFrmObjects frame;
    frame.refresh1Click();
    Choose(frame.lvObjFolders, "misc");
    frame.lvObjFoldersClick();
    EXPECT_EQ(frame.lAutor->text(), "Anna Berg");
    EXPECT_EQ(frame.lDescription->text(), "A cow");
    EXPECT_EQ(frame.lDescription->toolTip(), "A cow");
    EXPECT_EQ(frame.lCopyright->text(), "free");
    EXPECT_EQ(frame.lBitmaps->text(), "\"a,1.bmp\",b.bmp");
    // A click shows the object clicked.
    std::ofstream(Lib + "misc/kuh2.b3d") << ";description=A calf\r\n";
    frame.lvObjFoldersClick();
    frame.show();
    QTest::mouseClick(frame.lvObjects->viewport(), Qt::LeftButton, {}, frame.lvObjects->visualItemRect(frame.lvObjects->item(1)).center());
    EXPECT_EQ(frame.lDescription->text() + frame.lAutor->text(), "A calf");

    // A bitmap has none of them.
    Choose(frame.lvObjFolders, "backgrounds");
    frame.lvObjFoldersClick();
    EXPECT_EQ(frame.lAutor->text(), "");
    EXPECT_EQ(frame.lDescription->text(), "");
}

TEST_F(ObjectBrowserTest, ListsStayInPlaceAndLongTextsWrap)
{
    const std::string words = "a long text that goes on and on over many lines of the information area";
    std::ofstream(Lib + "misc/long.b3d") << ";description=" + words + " " + words + "\r\n;copyright=" + words + "\r\n";
    std::ofstream(Lib + "misc/\xD0\xB6.b3d") << ""; // a name route files cannot hold: a message instead
    TFrmObjects frame;
    ShowFolder(frame, "misc");
    QApplication::processEvents();
    const QRect files = frame.lvObjects->geometry();
    for (const char* file : {"long.b3d", "\xD0\xB6.b3d", "long.b3d", "kuh1.b3d"}) {
        Choose(frame.lvObjects, QString::fromUtf8(file));
        QApplication::processEvents();
        EXPECT_EQ(frame.lvObjects->geometry(), files) << file;
    }
    // Wrapped whole, to be scrolled to within the area.
    Choose(frame.lvObjects, "long.b3d");
    QApplication::processEvents();
    for (QLabel* label : {frame.lDescription, frame.lCopyright}) {
        EXPECT_GT(label->height(), label->fontMetrics().height() + 4);
        EXPECT_GE(label->height(), label->heightForWidth(label->width()));
    }
}

TEST_F(ObjectBrowserTest, StructureViewerAbsenceAndFailureAreReported)
{
    TFrmObjects frame;
    frame.runstructureviewer1Click(); // no options, no BVE folder
    fs::create_directories(Dir / "bve");
    PutFile("set.ini", "[Settings]\r\nBVE_Folder=" + (Dir / "bve").string() + "\r\n");
    CreateForm(FormOptions);
    frame.runstructureviewer1Click();
    EXPECT_EQ(CountMessageKey("ufrmobjects_no_sv"), 2);
    EXPECT_EQ(Requests.back().Buttons, mbCancel);

    // A viewer that cannot be run is not reported as running.
    std::ofstream(Dir / "bve" / "strview.exe") << "MZ";
    frame.runstructureviewer1Click();
    EXPECT_EQ(CountMessageKey("ufrmobjects_sv_failed"), 1);
    EXPECT_EQ(CountMessageKey("ufrmobjects_sv_running"),
              0);
}

TEST_F(ObjectBrowserTest, PickerReturnsTheChosenObject)
{
    CreateForm(FormSelectObject);
    TFormSelectObject* picker = FormSelectObject;
    EXPECT_TRUE(picker->ShowFolders);
    EXPECT_TRUE(picker->InitialFolder.empty());
    picker->SelectFolder("WALLS");
    picker->show();
    EXPECT_EQ(picker->FrmObjects1->SelectedFolder(), "walls");

    // OK without a chosen object leaves the dialog open.
    picker->FrmObjects1->lvObjects->clearSelection();
    picker->Button1->click();
    EXPECT_TRUE(picker->isVisible());
    EXPECT_TRUE(picker->SelectedPath.empty());

    Choose(picker->FrmObjects1->lvObjects, "Stone.B3D");
    picker->Button1->click();
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(picker->result(), QDialog::Accepted);
    EXPECT_EQ(picker->SelectedPath, "walls\\Stone.B3D");
    EXPECT_EQ(picker->SelectedFile, "Stone.B3D");

    // The folder is preselected the next time; the result is cleared.
    picker->show();
    EXPECT_TRUE(picker->SelectedPath.empty());
    EXPECT_EQ(picker->FrmObjects1->SelectedFolder(), "walls");
    // A double-click on an object chooses it.
    emit picker->FrmObjects1->lvObjects->itemDoubleClicked(picker->FrmObjects1->lvObjects->item(1));
    EXPECT_EQ(picker->SelectedPath, "walls\\brick_l.b3d");

    // A folder that is missing lists nothing, not the files shown before.
    picker->InitialFolder = "grounds";
    picker->ShowFolders = false;
    picker->show();
    EXPECT_TRUE(picker->FrmObjects1->lvObjFolders->isHidden());
    EXPECT_EQ(picker->FrmObjects1->lvObjects->count(), 0);
    QTest::keyClick(picker, Qt::Key_Escape);
    EXPECT_TRUE(picker->ShowFolders);
}

TEST_F(ObjectBrowserTest, PredefinedListRules)
{
    EXPECT_EQ(CutPredefinedSuffix("walls", "brick_l.b3d"), "brick");
    EXPECT_EQ(CutPredefinedSuffix("walls", "brick_r.b3d"), "brick");
    EXPECT_EQ(CutPredefinedSuffix("platforms", "wall.b3d"), "wal");
    EXPECT_EQ(CutPredefinedSuffix("platforms", "concl.b3d"), "con");
    EXPECT_EQ(CutPredefinedSuffix("platforms", "roofr.b3d"), "roof");
    EXPECT_EQ(CutPredefinedSuffix("poles", "pole_l.b3d"), "pole_l.b3d");
    EXPECT_EQ(CutPredefinedSuffix("grounds", "grass.b3d"), "grass.b3d");

    const TStrings lines{"1=Brick", "2=stone", "x", "2=other"};
    EXPECT_TRUE(PredefinedListHolds(lines, "brick"));
    EXPECT_TRUE(PredefinedListHolds(lines, "stone"));
    EXPECT_FALSE(PredefinedListHolds(lines, "other")); // its name looks up the first "2=" line
    EXPECT_EQ(NextPredefinedId(lines), 3);
    EXPECT_EQ(NextPredefinedId({}), 1);
    EXPECT_EQ(NextPredefinedId({"1=a", "7=b"}), 8); // not count + 1
}

TEST_F(ObjectBrowserTest, PredefinedDialogAddsDeletesAndKeepsTheDashLine)
{
    CreateForm(FormSelectObject);
    CreateForm(FormPredefinedObjects);
    TFormPredefinedObjects* dlg = FormPredefinedObjects;
    // Edits through the dialog: add brick_l twice (refused), cancel one
    // pick, delete a line and add again, then OK.
    PickWith({"brick_l.b3d", "brick_r.b3d", "", "Stone.B3D"});
    auto editing = Answer;
    Answer = [&, editing](const TDialogRequest& r) {
        if (r.Kind != TDialogKind::ModalWindow || r.Window != dlg)
            return editing(r);
        dlg->show();
        EXPECT_EQ(dlg->LPredefWhat->text(), "Walls");
        EXPECT_EQ(dlg->Folder, "walls");
        dlg->bAdd->click();
        dlg->bAdd->click(); // "brick" again: refused
        EXPECT_EQ(CountMessageKey("upredefobj_already"), 1);
        dlg->bAdd->click(); // cancelled with Escape
        EXPECT_EQ(dlg->Lines(), (TStrings{"1=a", "2=b", "3=brick"}));
        // The fixed lines cannot be deleted, the others can.
        dlg->lbObj->setCurrentRow(1);
        EXPECT_FALSE(dlg->bDel->isEnabled());
        dlg->bDel->click();
        dlg->lbObj->setCurrentRow(0);
        EXPECT_FALSE(dlg->bDel->isEnabled());
        dlg->lbObj->setCurrentRow(2);
        EXPECT_TRUE(dlg->bDel->isEnabled());
        dlg->lbObj->setCurrentRow(1);
        dlg->lbObj->item(1)->setSelected(true);
        dlg->FixedCount = 1;
        dlg->lbObjClick();
        EXPECT_TRUE(dlg->bDel->isEnabled());
        dlg->bDel->click();
        dlg->bAdd->click(); // a new id after the largest, not count + 1
        EXPECT_EQ(dlg->Lines(), (TStrings{"1=a", "3=brick", "4=stone.b3d"}));
        dlg->Button1->click();
        TDialogAnswer a;
        a.Result = dlg->result() == QDialog::Accepted ? mrOk : mrCancel;
        return a;
    };
    TStrings items{"1=a", "-", "2=b"};
    EXPECT_TRUE(dlg->EditList("Walls", 2, "", items));
    EXPECT_EQ(items, (TStrings{"1=a", "3=brick", "4=stone.b3d", "-"}));
    EXPECT_EQ(Picks, 4);
    // The folder list is hidden for the dialog's picks only.
    EXPECT_EQ(PickerFoldersVisible, (std::vector<bool>{false, false, false, false}));
    EXPECT_TRUE(FormSelectObject->ShowFolders);
}

TEST_F(ObjectBrowserTest, PredefinedRoofsUsePlatformFilesAndCancelKeepsTheList)
{
    CreateForm(FormSelectObject);
    CreateForm(FormPredefinedObjects);
    TFormPredefinedObjects* dlg = FormPredefinedObjects;
    PickWith({"Wall.b3d"});
    auto picking = Answer;
    bool ok = false;
    Answer = [&, picking](const TDialogRequest& r) {
        if (r.Kind != TDialogKind::ModalWindow || r.Window != dlg)
            return picking(r);
        dlg->show();
        dlg->bAdd->click();
        EXPECT_EQ(FormSelectObject->FrmObjects1->SelectedFolder(), "platforms");
        EXPECT_EQ(dlg->Lines(), (TStrings{"1=x", "2=wal"}));
        if (ok)
            dlg->Button1->click();
        else
            QTest::keyClick(dlg, Qt::Key_Escape);
        TDialogAnswer a;
        a.Result = dlg->result() == QDialog::Accepted ? mrOk : mrCancel;
        return a;
    };
    TStrings items{"1=x"};
    EXPECT_FALSE(dlg->EditList("Roofs", 6, "platforms", items));
    EXPECT_EQ(items, TStrings{"1=x"});
}

TEST_F(ObjectBrowserTest, FirstMoveWithAButtonHeldDragsTheChosenObject)
{
    TFrmObjects frame;
    ShowFolder(frame, "walls");
    int drags = 0;
    QList<QUrl> urls;
    Qt::DropActions offered;
    TDragDrop::DragLoop = [&](QDrag& drag, Qt::DropActions actions, Qt::DropAction) {
        ++drags;
        urls = drag.mimeData()->urls();
        offered = actions;
        return Qt::LinkAction;
    };
    QWidget* viewport = frame.lvObjects->viewport();
    const QPoint at = frame.lvObjects->visualItemRect(frame.lvObjects->item(1)).center();
    auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, at, viewport->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(viewport, &e);
    };
    // A move without a press starts nothing.
    send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(drags, 0);
    send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(frame.MouseIsDown());
    EXPECT_EQ(frame.SelectedFile(), "brick_r.b3d");
    send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton); // no distance travelled
    EXPECT_EQ(drags, 1);
    EXPECT_EQ(offered, Qt::DropActions(Qt::LinkAction));
    EXPECT_EQ(urls, QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(Program + "lib/walls/brick_r.b3d"))});
    EXPECT_FALSE(frame.MouseIsDown());
    // A second drag needs a new press.
    send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(drags, 1);
    send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
    send(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton);
    send(QEvent::MouseMove, Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(drags, 2);
    TDragDrop::DragLoop = nullptr;
}
