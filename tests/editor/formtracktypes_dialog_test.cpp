// The track types dialog: the working copy of the types and curves, and OK
// writing "trackdef.dat".

#include "editortesthelpers.h"

#include "editor/formselectobject.h"
#include "editor/formtracktypes.h"
#include "editor/vclwidgets.h"

#include <QComboBox>
#include <QPushButton>
#include <QTreeWidget>

#include <filesystem>

namespace {

class TrackTypesDialogTest : public EditorTest {
protected:
    void Open()
    {
        Form = CreateForm(FormTrackTypes);
        Form->FormShow();
    }
    QTreeWidgetItem* Type(int i) const { return Form->lvTracktypes->topLevelItem(i); }
    QTreeWidgetItem* Curve(int i) const { return Form->lvCurveTracks->topLevelItem(i); }
    void SelectType(int i) { Form->lvTracktypes->setCurrentItem(Type(i)); }
    void SelectCurve(int i) { Form->lvCurveTracks->setCurrentItem(Curve(i)); }
    std::string Cell(QTreeWidgetItem* item, int column) const { return QToAnsi(item->text(column)); }

    TFormTrackTypes* Form = nullptr;
};

} // namespace

TEST_F(TrackTypesDialogTest, DefaultTypesAreShownAndOkWritesThemAsFile)
{
    Open();
    ASSERT_EQ(Form->lvTracktypes->topLevelItemCount(), 9);
    EXPECT_FALSE(Form->bDelTrackDef->isEnabled());
    EXPECT_EQ(Cell(Type(0), 0), "0");
    EXPECT_EQ(Cell(Type(0), 1), "tracks\\track0.b3d");
    EXPECT_EQ(Cell(Type(0), 2), "Continuous welded rail");
    EXPECT_EQ(Cell(Type(0), 3), "\"tracks\\track0.b3d\",2");
    EXPECT_EQ(Type(7)->data(0, TFormTrackTypes::RunSoundRole).toInt(), 6);
    EXPECT_FALSE(std::filesystem::exists(Program + "trackdef.dat"));

    ASSERT_TRUE(Form->Button1Click());
    EXPECT_EQ(Form->result(), QDialog::Accepted);
    const std::string curves = [](const std::string& n, const std::string& suffix) {
        return "1000,\"tracks\\" + n + "1000" + suffix + ".b3d\",500,\"tracks\\" + n + "500" + suffix +
               ".b3d\",150,\"tracks\\" + n + "150" + suffix + ".b3d\",-1000,\"tracks\\" + n + "-1000" + suffix +
               ".b3d\",-500,\"tracks\\" + n + "-500" + suffix + ".b3d\",-150,\"tracks\\" + n + "-150" + suffix +
               ".b3d\"";
    }("brown", "");
    EXPECT_EQ(FileBytes("trackdef.dat"),
              "\"tracks\\track0.b3d\",2\r\n"
              "\"tracks\\brown.b3d\",0," + curves + "\r\n"
              "\"tracks\\brown_overhead.b3d\",2,1000,\"tracks\\brown1000_overhead.b3d\",500,"
              "\"tracks\\brown500_overhead.b3d\",150,\"tracks\\brown150_overhead.b3d\",-1000,"
              "\"tracks\\brown-1000_overhead.b3d\",-500,\"tracks\\brown-500_overhead.b3d\",-150,"
              "\"tracks\\brown-150_overhead.b3d\"\r\n"
              "\"tracks\\grey.b3d\",2,1000,\"tracks\\grey1000.b3d\",500,\"tracks\\grey500.b3d\",150,"
              "\"tracks\\grey150.b3d\",-1000,\"tracks\\grey-1000.b3d\",-500,\"tracks\\grey-500.b3d\",-150,"
              "\"tracks\\grey-150.b3d\"\r\n"
              "\"tracks\\grey_overhead.b3d\",2,1000,\"tracks\\grey1000_overhead.b3d\",500,"
              "\"tracks\\grey500_overhead.b3d\",150,\"tracks\\grey150_overhead.b3d\",-1000,"
              "\"tracks\\grey-1000_overhead.b3d\",-500,\"tracks\\grey-500_overhead.b3d\",-150,"
              "\"tracks\\grey-150_overhead.b3d\"\r\n"
              "\"tracks\\dark.b3d\",3\r\n"
              "\"tracks\\dark_overhead.b3d\",3\r\n"
              "\"tracks\\bridgetrack.b3d\",6\r\n"
              "\"tracks\\bridgetrack_overhead.b3d\",6\r\n");
}

TEST_F(TrackTypesDialogTest, EditingTypesAndCurves)
{
    Open();
    SelectType(1);
    EXPECT_TRUE(Form->bDelTrackDef->isEnabled());
    EXPECT_EQ(Form->CurrentTypeItem, Type(1));
    EXPECT_EQ(Form->leObjectName->Text(), "tracks\\brown.b3d");
    EXPECT_EQ(Form->cbRunSound->currentIndex(), 0);
    ASSERT_EQ(Form->lvCurveTracks->topLevelItemCount(), 6);
    EXPECT_EQ(Cell(Curve(3), 0), "-1000");

    // Change the second curve, drop the last, add one, change the run sound.
    SelectCurve(1);
    EXPECT_EQ(Form->leMaxCurveUse->Text(), "500");
    Form->leMaxCurveUse->SetText("400");
    Form->leObjectfileCurved->SetText("tracks\\caf\xe9_400.b3d");
    Form->bSetCurveDef->click();
    SelectCurve(5);
    Form->bDelCurveDef->click();
    Form->leMaxCurveUse->SetText("-80");
    Form->leObjectfileCurved->SetText("tracks\\tight.b3d");
    Form->bAddCurveDef->click();
    EXPECT_EQ(Form->lvCurveTracks->topLevelItemCount(), 6);
    Form->cbRunSound->setCurrentIndex(7);
    EXPECT_EQ(Cell(Type(1), 2), "Passing train sound, jointed rails");

    // A new type, then the first type deleted: later types move up.
    Form->leObjectName->SetText("tracks\\new.b3d");
    Form->bAddTrackDef->click();
    EXPECT_EQ(Cell(Type(9), 0), "9");
    EXPECT_EQ(Cell(Type(9), 3), "\"tracks\\new.b3d\",7");
    EXPECT_EQ(Form->CurrentTypeItem, Type(9));
    Form->cbRunSound->setCurrentIndex(4); // for the new type, the current one now
    SelectType(0);
    Form->bDelTrackDef->click();
    EXPECT_EQ(Form->CurrentTypeItem, nullptr);
    EXPECT_EQ(Form->lvTracktypes->topLevelItemCount(), 9);
    EXPECT_EQ(Cell(Type(8), 0), "8");

    ASSERT_TRUE(Form->Button1Click());
    ASSERT_EQ(Form->TrackDefinitions.size(), 9u);
    EXPECT_EQ(Form->TrackDefinitions[0],
              "\"tracks\\brown.b3d\",7,1000,\"tracks\\brown1000.b3d\",400,\"tracks\\caf\xe9_400.b3d\",150,"
              "\"tracks\\brown150.b3d\",-1000,\"tracks\\brown-1000.b3d\",-500,\"tracks\\brown-500.b3d\",-80,"
              "\"tracks\\tight.b3d\"");
    EXPECT_EQ(Form->TrackDefinitions[8], "\"tracks\\new.b3d\",4");
    const std::string file = FileBytes("trackdef.dat");
    EXPECT_NE(file.find("caf\xe9_400.b3d\",150"), std::string::npos);
    EXPECT_EQ(file.substr(file.size() - 20), "\"tracks\\new.b3d\",4\r\n");

    // Cancel drops what was edited since the show.
    Form->FormShow();
    SelectType(0);
    Form->bDelTrackDef->click();
    Form->Button2->click();
    EXPECT_EQ(Form->result(), QDialog::Rejected);
    Form->FormShow();
    EXPECT_EQ(Form->lvTracktypes->topLevelItemCount(), 9);
}

TEST_F(TrackTypesDialogTest, BadCurveRadiusOrFileIsRefusedWithAMessage)
{
    Open();
    SelectType(3);
    SelectCurve(0);
    const std::string line = Cell(Type(3), 3);
    int messages = 0;
    for (const char* radius : {"wide", "0", "12.5", ""}) {
        Form->leMaxCurveUse->SetText(radius);
        Form->leObjectfileCurved->SetText("tracks\\x.b3d");
        Form->bSetCurveDef->click();
        Form->bAddCurveDef->click();
        messages += 2;
        EXPECT_EQ(static_cast<int>(Requests.size()), messages) << radius;
    }
    Form->leMaxCurveUse->SetText("300");
    Form->leObjectfileCurved->SetText("");
    Form->bAddCurveDef->click();
    Form->leObjectName->SetText("");
    Form->bAddTrackDef->click();
    EXPECT_EQ(static_cast<int>(Requests.size()), messages + 2);
    EXPECT_EQ(Cell(Type(3), 3), line);
    EXPECT_EQ(Cell(Curve(0), 0), "1000");
    EXPECT_EQ(Form->lvTracktypes->topLevelItemCount(), 9);
}

TEST_F(TrackTypesDialogTest, FailedWriteKeepsTableAndDialog)
{
    // Something that is not a file stands where the file should go.
    std::filesystem::create_directories(Program + "trackdef.dat/keep");
    Open();
    SelectType(0);
    Form->bDelTrackDef->click();
    EXPECT_FALSE(Form->Button1Click());
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].MsgType, mtError);
    EXPECT_NE(Requests[0].Text.find("trackdef.dat"), std::string::npos);
    EXPECT_NE(Form->result(), QDialog::Accepted);
    EXPECT_EQ(Form->TrackDefinitions.size(), 9u);
    EXPECT_EQ(Form->lvTracktypes->topLevelItemCount(), 8);
    EXPECT_TRUE(std::filesystem::exists(Program + "trackdef.dat/keep"));
}

TEST_F(TrackTypesDialogTest, SelectButtonsTakeThePickedObject)
{
    CreateForm(FormSelectObject);
    Answer = [](const TDialogRequest& r) {
        TDialogAnswer a;
        if (r.Kind == TDialogKind::ModalWindow && r.Window == FormSelectObject) {
            FormSelectObject->SelectedPath = "tracks\\picked.b3d";
            a.Result = mrOk;
        }
        return a;
    };
    Open();
    SelectType(5);
    Form->bSelectObjectfilenameStraight->click();
    EXPECT_EQ(Form->leObjectName->Text(), "tracks\\picked.b3d");
    EXPECT_EQ(Cell(Type(5), 1), "tracks\\picked.b3d");
    EXPECT_EQ(FormSelectObject->InitialFolder, "tracks");
    Form->bSelectObjectfilenameCurved->click();
    EXPECT_EQ(Form->leObjectfileCurved->Text(), "tracks\\picked.b3d");
    ASSERT_TRUE(Form->Button1Click());
    EXPECT_EQ(Form->TrackDefinitions[5], "\"tracks\\picked.b3d\",3");
}
