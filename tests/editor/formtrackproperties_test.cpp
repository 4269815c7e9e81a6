// The track properties dialog: filling from a track piece, writing back on
// OK, the catalog "Define..." buttons, the sound test and the stations button.

#include "editortesthelpers.h"

#include "editor/formtrackproperties.h"
#include "editor/formtracktypes.h"
#include "editor/editorwindows.h"
#include "editor/msginisupp.h"
#include "editor/vclwidgets.h"
#include "editor/wave.h"
#include "model/vlconnection.h"
#include "model/vlpoint.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <filesystem>
#include <memory>

namespace {

class RecordingPlayer : public TWavePlayer {
public:
    explicit RecordingPlayer(std::vector<std::string>& played) : FPlayed(played) {}
    bool Play(const std::string& wave, std::string&) override
    {
        FPlayed.push_back(wave);
        return true;
    }
    void Stop() override {}

private:
    std::vector<std::string>& FPlayed;
};

class FormTrackPropertiesTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        std::filesystem::create_directories(Program + "lib/grounds");
        std::filesystem::create_directories(Program + "lib/backgrounds");
        std::filesystem::create_directories(Program + "lib/platforms");
        std::filesystem::create_directories(Program + "lib/poles");
        std::filesystem::create_directories(Program + "lib/walls");
        std::filesystem::create_directories(Program + "lib/sounds");
        PutFile("lib/grounds/groundid.dat", "1=grass.b3d\r\n2=gravel.b3d\r\n");
        PutFile("lib/backgrounds/bgroundid.dat", "1=sky.bmp\r\n4=hills.bmp\r\n");
        PutFile("lib/platforms/platformid.dat", "-\r\n1=concrete\r\n2=wood\r\n");
        PutFile("lib/platforms/roofid.dat", "-\r\n1=roofa\r\n5=roofb\r\n");
        PutFile("lib/poles/polesid.dat", "-\r\n1=single.b3d\r\n3=double.b3d\r\n");
        PutFile("lib/walls/wallid.dat", "-\r\n1=brick\r\n2=dike\r\n");
        CreateForm(FormTrackTypes);
        Form = CreateForm(FormTrackProperties);
        Start = std::make_unique<TVLPoint>(MakeWorldPoint(0, 0));
        End = std::make_unique<TVLPoint>(MakeWorldPoint(30, 40));
        Track = std::make_unique<TVLConnection>(Start.get(), End.get());
        Track->Id = 17;
        Track->TrackType = 3;
        Track->GroundId = 2;
        Track->BackgroundId = 4;
        Track->PlatformId = 2;
        Track->PlatformSide = 2;
        Track->RoofId = 5;
        Track->Pole = -3;
        Track->WallLeftId = 1;
        Track->WallRightId = 2;
        Track->SpeedLimit = 80;
        Track->Accuracy = 3;
        Track->Adhesion = 180;
        Track->WaveFile = "bell.wav";
        Track->Fog = 250;
        Track->Height = 2.5;
        Track->MarkerFile = "m.bmp";
        Track->MarkerDuration = 9;
        Form->Connection = Track.get();
        PreviousPlayer = SetWavePlayer(std::make_unique<RecordingPlayer>(Played));
    }
    void TearDown() override
    {
        TFormTrackProperties::EditCatalog = nullptr;
        SetWavePlayer(std::move(PreviousPlayer));
        EditorTest::TearDown();
    }

    std::string Line(const TVLConnection& c) const { return c.SaveToString(); }

    TFormTrackProperties* Form = nullptr;
    std::unique_ptr<TVLPoint> Start, End;
    std::unique_ptr<TVLConnection> Track;
    std::vector<std::string> Played;
    std::unique_ptr<TWavePlayer> PreviousPlayer;
};

} // namespace

TEST_F(FormTrackPropertiesTest, ShowsEveryPropertyAndOkWithoutChangesKeepsThem)
{
    const std::string before = Line(*Track);
    Form->FormShow();
    EXPECT_EQ(Form->windowTitle(), "Track properties");
    EXPECT_EQ(Form->PageControl1->currentIndex(), 0);
    EXPECT_EQ(Form->LabelID->text(), "ID=17");
    EXPECT_EQ(Form->EditLength->text(), "50");
    EXPECT_EQ(Form->cbTrackTextures->count(), 9);
    EXPECT_EQ(Form->cbTrackTextures->currentIndex(), 3);
    EXPECT_EQ(Form->cbGroundTextures->currentText(), "2=gravel.b3d");
    EXPECT_EQ(Form->cbBackgroundImages->currentText(), "4=hills.bmp");
    EXPECT_EQ(Form->cbPlatformtype->count(), 3); // two lines and "-"
    EXPECT_EQ(Form->cbPlatformtype->currentText(), "2=wood");
    EXPECT_EQ(Form->cbPlatformPos->currentText(), "left");
    EXPECT_TRUE(Form->cbRoofType->isEnabled());
    EXPECT_EQ(Form->cbRoofType->currentText(), "5=roofb");
    EXPECT_EQ(Form->cbPolesType->count(), 2); // no "-" for poles
    EXPECT_EQ(Form->cbPolesType->currentText(), "3=double.b3d");
    EXPECT_EQ(Form->cbPoleSide->currentText(), "left");
    EXPECT_EQ(Form->cbWallLeft->currentText(), "1=brick");
    EXPECT_EQ(Form->cbWallRight->currentText(), "2=dike");
    EXPECT_EQ(Form->edSpeedlimit->text(), "80");
    EXPECT_EQ(Form->cbAccuracy->currentText(), "bad");
    EXPECT_EQ(Form->edAdhesion->text(), "180");
    EXPECT_EQ(Form->edPlayWave->text(), "bell.wav");
    EXPECT_EQ(Form->EdFog->text(), "250");
    EXPECT_EQ(Form->edHeight->text(), "2.50000");
    EXPECT_EQ(Form->edMarkerFilename->text(), "m.bmp");
    EXPECT_EQ(Form->edMarkerDuration->text(), "9");
    // The marker fields only show: no focus, no typing.
    for (QLineEdit* shown : {Form->edMarkerFilename, Form->edMarkerDuration}) {
        EXPECT_EQ(shown->focusPolicy(), Qt::NoFocus);
        QTest::keyClicks(shown, "77");
    }
    EXPECT_EQ(Form->edMarkerDuration->text(), "9");

    Form->bOKClick();
    EXPECT_EQ(Form->result(), QDialog::Accepted);
    EXPECT_EQ(Line(*Track), before);
}

TEST_F(FormTrackPropertiesTest, OkWritesTheChangedControls)
{
    Form->FormShow();
    Form->cbTrackTextures->setCurrentIndex(7);
    Form->cbGroundTextures->setCurrentIndex(0);
    Form->cbBackgroundImages->setCurrentIndex(0);
    Form->cbPlatformtype->setCurrentIndex(0);
    Form->cbPlatformPos->setCurrentIndex(1);
    Form->cbRoofType->setCurrentIndex(2); // "-"
    Form->cbPolesType->setCurrentIndex(0);
    Form->cbPoleSide->setCurrentIndex(2);
    Form->cbWallLeft->setCurrentIndex(2); // "-"
    Form->cbWallRight->setCurrentIndex(0);
    Form->edSpeedlimit->setText("0");
    Form->cbAccuracy->setCurrentIndex(3);
    Form->edAdhesion->setText("255");
    Form->edPlayWave->setText("horn.wav");
    Form->EdFog->setText("0");
    Form->edHeight->setText("-1.25");
    Form->bOKClick();

    const TVLConnection& c = *Track;
    EXPECT_EQ(c.TrackType, 7);
    EXPECT_EQ(c.GroundId, 1);
    EXPECT_EQ(c.BackgroundId, 1);
    EXPECT_EQ(c.PlatformId, 1);
    EXPECT_EQ(c.PlatformSide, 1);
    EXPECT_EQ(c.RoofId, 0);
    EXPECT_EQ(c.Pole, 1);
    EXPECT_EQ(c.WallLeftId, 0);
    EXPECT_EQ(c.WallRightId, 1);
    EXPECT_EQ(c.SpeedLimit, 0);
    EXPECT_EQ(c.Accuracy, 4);
    EXPECT_EQ(c.Adhesion, 255);
    EXPECT_EQ(c.WaveFile, "horn.wav");
    EXPECT_EQ(c.Fog, 0);
    EXPECT_DOUBLE_EQ(c.Height, -1.25);
    EXPECT_EQ(c.Id, 17);
    EXPECT_EQ(c.StartPoint, Start.get());
}

TEST_F(FormTrackPropertiesTest, ASoundNameTheProjectLineCannotHoldIsRefused)
{
    const std::string before = Line(*Track);
    Form->FormShow();
    for (const char* name : {"horn,2.wav", "\"horn\".wav"}) {
        Requests.clear();
        Form->edPlayWave->setText(name);
        Form->bOKClick();
        ASSERT_EQ(Requests.size(), 1u);
        EXPECT_EQ(Requests[0].Text.rfind(GetMessageText("udialog_bad_text") + "Play sound effect: \"" + name + "\"", 0),
                  0u);
    }
    EXPECT_EQ(Line(*Track), before);
}

TEST_F(FormTrackPropertiesTest, PoleSideAndPlatformSide)
{
    Form->FormShow();
    Form->cbPoleSide->setCurrentIndex(1); // "none"
    Form->cbPlatformPos->setCurrentIndex(0);
    EXPECT_FALSE(Form->cbRoofType->isEnabled());
    Form->bOKClick();
    EXPECT_EQ(Track->Pole, 0);
    EXPECT_EQ(Track->PlatformSide, 0);
    EXPECT_EQ(Track->PlatformId, 0);
    EXPECT_EQ(Track->RoofId, 5); // kept although there is no platform
}

TEST_F(FormTrackPropertiesTest, IdsNotInTheCatalogsAndEmptyChoicesChangeNothing)
{
    Track->TrackType = 12; // beyond the nine types
    Track->GroundId = 9;
    Track->BackgroundId = 9;
    Track->PlatformId = 9;
    Track->RoofId = 9;
    Track->Pole = 9;
    Track->WallLeftId = 9;
    Track->WallRightId = 9;
    Track->Accuracy = 0;
    Track->PlatformSide = 7;
    const std::string before = Line(*Track);
    Form->FormShow();
    for (QComboBox* c : {Form->cbTrackTextures, Form->cbGroundTextures, Form->cbBackgroundImages,
                         Form->cbPlatformtype, Form->cbPlatformPos, Form->cbRoofType, Form->cbPolesType,
                         Form->cbWallLeft, Form->cbWallRight, Form->cbAccuracy})
        EXPECT_EQ(c->currentIndex(), -1) << c->objectName().toStdString();
    EXPECT_EQ(Form->cbPoleSide->currentText(), "right");
    Form->bOKClick();
    EXPECT_EQ(Line(*Track), before);

    // The ground catalog gone altogether: nothing to choose, nothing lost.
    std::filesystem::remove(Program + "lib/grounds/groundid.dat");
    Track->GroundId = 2;
    Form->FormShow();
    EXPECT_EQ(Form->cbGroundTextures->count(), 0);
    Form->bOKClick();
    EXPECT_EQ(Track->GroundId, 2);
}

TEST_F(FormTrackPropertiesTest, DefineButtonsSaveTheCatalogAtOnce)
{
    std::vector<std::string> seen;
    TFormTrackProperties::EditCatalog = [&](const std::string& title, int fixed, const std::string& folder,
                                            TStrings& items) {
        seen.push_back(title + "|" + std::to_string(fixed) + "|" + folder + "|" + std::to_string(items.size()));
        if (title == "Grounds")
            return false;
        // The list editor keeps a "-" line last.
        if (!items.empty() && items.back() == "-")
            items.insert(items.end() - 1, "7=new");
        else
            items.push_back("7=new");
        return true;
    };
    Form->FormShow();
    Form->Button3->click();
    EXPECT_EQ(FileBytes("lib/grounds/groundid.dat"), "1=grass.b3d\r\n2=gravel.b3d\r\n");
    Form->bDefineRoofs->click();
    EXPECT_EQ(FileBytes("lib/platforms/roofid.dat"), "1=roofa\r\n5=roofb\r\n7=new\r\n-\r\n");
    EXPECT_EQ(Form->cbRoofType->count(), 4);
    EXPECT_EQ(Form->cbRoofType->currentText(), "5=roofb");
    Form->bDefineWalls->click();
    EXPECT_EQ(FileBytes("lib/walls/wallid.dat"), "1=brick\r\n2=dike\r\n7=new\r\n-\r\n");
    EXPECT_EQ(Form->cbWallRight->count(), 4);
    EXPECT_EQ(Form->cbWallRight->currentText(), "2=dike");
    Form->bDefinePoles->click();
    Form->bDefineBGImages->click();
    Form->bPlatform->click();
    EXPECT_EQ(seen, (std::vector<std::string>{"Grounds|19||2", "Roofs|6|platforms|3", "Walls|23||3",
                                              "Poles|9||2", "Backgrounds|8||2", "Platforms|5||3"}));

    // Cancelling the dialog keeps the saved catalog; a new piece may use it.
    Form->reject();
    Track->RoofId = 7;
    Form->FormShow();
    EXPECT_EQ(Form->cbRoofType->currentText(), "7=new");
}

TEST_F(FormTrackPropertiesTest, DefineReportsACatalogThatCannotBeSaved)
{
    TFormTrackProperties::EditCatalog = [](const std::string&, int, const std::string&, TStrings& items) {
        items.push_back("8=x");
        return true;
    };
    Form->FormShow();
    // A folder where the poles catalog file should be.
    std::filesystem::remove(Program + "lib/poles/polesid.dat");
    std::filesystem::create_directories(Program + "lib/poles/polesid.dat");
    Form->bDefinePoles->click();
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].MsgType, mtError);
    EXPECT_NE(Requests[0].Text.find("polesid.dat"), std::string::npos);
    EXPECT_EQ(Form->cbPolesType->count(), 3);
}

TEST_F(FormTrackPropertiesTest, TestButtonPlaysTheSoundOfTheLibrary)
{
    const std::string wave = std::string("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x22\x56\0\0\x44\xac\0\0\x02\0\x10\0"
                                         "data\x02\0\0\0\x01\x02",
                                         46);
    PutFile("lib/sounds/bell.wav", wave);
    PutFile("lib/sounds/broken.wav", "RIFF....not a sound");
    Form->FormShow();
    Form->Button5->click();
    ASSERT_EQ(Played.size(), 1u);
    EXPECT_EQ(Played[0], wave);
    EXPECT_EQ(Form->StatusBar1->PanelText(0), "");

    Form->edPlayWave->setText("nothing.wav");
    Form->Button5->click();
    Form->edPlayWave->setText("broken.wav");
    Form->Button5->click();
    EXPECT_EQ(Played.size(), 1u);
    EXPECT_EQ(Form->StatusBar1->PanelText(0), "The file is not a RIFF WAVE sound.");
    EXPECT_TRUE(Requests.empty());
}

TEST_F(FormTrackPropertiesTest, StationsButtonKeepsTheEditsAndOpensTheStationsWindow)
{
    CreateForm(FormStations);
    Form->FormShow();
    Form->edSpeedlimit->setText("55");
    Form->Button6->click();
    EXPECT_EQ(Form->result(), QDialog::Accepted);
    EXPECT_EQ(Track->SpeedLimit, 55);
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Kind, TDialogKind::ModalWindow);
    EXPECT_EQ(Requests[0].Window->objectName(), "FormStations");
}

TEST_F(FormTrackPropertiesTest, DefineGoesThroughThePredefinedObjectsWindow)
{
    CreateForm(FormPredefinedObjects);
    Answer = [](const TDialogRequest& r) {
        TDialogAnswer a;
        a.Result = r.Kind == TDialogKind::ModalWindow && r.Window->objectName() == "FormPredefinedObjects" ? mrOk
                                                                                                            : mrCancel;
        return a;
    };
    Form->FormShow();
    Form->bDefineRoofs->click();
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Window, FormPredefinedObjects);
    // The list editor keeps the "-" line out of its list and puts it last.
    EXPECT_EQ(FileBytes("lib/platforms/roofid.dat"), "1=roofa\r\n5=roofb\r\n-\r\n");
    EXPECT_EQ(Form->cbRoofType->currentText(), "5=roofb");
}
