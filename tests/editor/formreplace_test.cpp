// The replace dialog: value lists, scope restrictions and counts.

#include "startuptesthelpers.h"

#include "editor/formreplace.h"
#include "editor/formtracktypes.h"
#include "editor/vclwidgets.h"
#include "model/currentsituation.h"
#include "model/vlconnection.h"
#include "model/vlpoint.h"
#include "model/vlproject.h"
#include "model/vlroutedefinition.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>

#include <filesystem>
#include <memory>

namespace {

class FormReplaceTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        std::filesystem::create_directories(Program + "lib/grounds");
        std::filesystem::create_directories(Program + "lib/poles");
        std::filesystem::create_directories(Program + "lib/walls");
        PutFile("lib/grounds/groundid.dat", "1=grass.b3d\r\n2=gravel.b3d\r\nx=odd.b3d\r\n");
        PutFile("lib/poles/polesid.dat", "-\r\n1=single.b3d\r\n3=double.b3d\r\n");
        PutFile("lib/walls/wallid.dat", "-\r\n1=brick\r\n2=dike\r\n");
        CreateForm(FormTrackTypes);
        Form = CreateForm(FormReplace);
        Form->Project = &Project;
        // Four pieces in a row along x: 0-10, 10-20, 20-30, 30-40.
        for (int i = 0; i <= 4; ++i) {
            auto p = std::make_unique<TVLPoint>(MakeWorldPoint(10.0 * i, 0));
            Points.push_back(p.get());
            Project.AddPoint(std::move(p));
        }
        for (int i = 0; i < 4; ++i) {
            auto c = std::make_unique<TVLConnection>(Points[i], Points[i + 1]);
            c->Id = i + 1;
            c->GroundId = 1;
            Tracks.push_back(c.get());
            Project.AddConnection(std::move(c));
        }
    }

    void Choose(int type, int from, int to)
    {
        Form->cbSearchType->setCurrentIndex(type);
        Form->cbSearchfor->setCurrentIndex(from);
        Form->cbReplaceby->setCurrentIndex(to);
    }
    std::string Status() const { return Form->StatusBar1->PanelText(0); }

    TVLProject Project;
    std::vector<TVLPoint*> Points;
    std::vector<TVLConnection*> Tracks;
    TFormReplace* Form = nullptr;
};

} // namespace

TEST_F(FormReplaceTest, ListsFollowTheSearchType)
{
    EXPECT_EQ(Form->windowTitle(), "Replace");
    EXPECT_EQ(Form->cbSearchType->currentIndex(), -1);
    Choose(TFormReplace::stTrack, 0, 0);
    EXPECT_EQ(Form->cbSearchfor->count(), 9);
    EXPECT_EQ(Form->cbReplaceby->itemText(5), "5=tracks\\dark.b3d");
    Form->cbSearchType->setCurrentIndex(TFormReplace::stPoles);
    EXPECT_EQ(Form->cbSearchfor->count(), 2); // the "-" line is not a value
    EXPECT_EQ(Form->cbSearchfor->currentIndex(), 0);
    EXPECT_EQ(Form->cbReplaceby->currentText(), "1=single.b3d");
    Form->cbSearchType->setCurrentIndex(TFormReplace::stPlatform); // no catalog file
    EXPECT_EQ(Form->cbSearchfor->count(), 0);
}

TEST_F(FormReplaceTest, ReplacesOverAllTracksAndCountsMatches)
{
    Tracks[2]->GroundId = 2;
    Choose(TFormReplace::stGround, 0, 1);
    EXPECT_EQ(Form->bReplaceClick(), 3);
    EXPECT_EQ(Status(), "completed. 3 connections replaced.");
    EXPECT_EQ(Form->ProgressBar1->value(), 100);
    for (TVLConnection* c : Tracks)
        EXPECT_EQ(c->GroundId, 2);

    // A match whose new value equals the old one still counts.
    Choose(TFormReplace::stGround, 1, 1);
    EXPECT_EQ(Form->bReplaceClick(), 4);

    Tracks[1]->TrackType = 4;
    Choose(TFormReplace::stTrack, 4, 8);
    EXPECT_EQ(Form->bReplaceClick(), 1);
    EXPECT_EQ(Tracks[1]->TrackType, 8);
    EXPECT_EQ(Tracks[0]->TrackType, 1);
}

TEST_F(FormReplaceTest, PolesKeepTheirSide)
{
    Tracks[0]->Pole = -1;
    Tracks[1]->Pole = 1;
    Tracks[2]->Pole = 3;
    Choose(TFormReplace::stPoles, 0, 1);
    EXPECT_EQ(Form->bReplaceClick(), 2);
    EXPECT_EQ(Tracks[0]->Pole, -3);
    EXPECT_EQ(Tracks[1]->Pole, 3);
    EXPECT_EQ(Tracks[2]->Pole, 3);
    EXPECT_EQ(Tracks[3]->Pole, 0);
}

TEST_F(FormReplaceTest, RouteAndSelectionNarrowTheScope)
{
    auto route = std::make_unique<TVLRouteDefinition>();
    route->Id = 1;
    route->AddTrack(2);
    route->AddTrack(3);
    TVLRouteDefinition* r = route.get();
    Project.RouteDefinitions.Add(std::move(route));

    // Checked but without a current route definition: no restriction.
    Form->FormShow();
    EXPECT_FALSE(Form->cbRouteDefinition->isEnabled());
    Form->cbRouteDefinition->setChecked(true);
    Choose(TFormReplace::stWallLeft, 2, 1); // "-" is not offered: index 2 does not exist
    EXPECT_EQ(Form->cbSearchfor->currentIndex(), -1);
    Choose(TFormReplace::stWallLeft, 0, 1);
    EXPECT_EQ(Form->bReplaceClick(), 0);
    for (TVLConnection* c : Tracks)
        c->WallLeftId = 1;

    CurrentSituation.CurrentRouteDefinition = r;
    Form->FormShow();
    EXPECT_TRUE(Form->cbRouteDefinition->isEnabled());
    EXPECT_EQ(Form->bReplaceClick(), 2);
    EXPECT_EQ(Tracks[0]->WallLeftId, 1);
    EXPECT_EQ(Tracks[1]->WallLeftId, 2);
    EXPECT_EQ(Tracks[2]->WallLeftId, 2);

    // The selected area holds pieces 2 and 3 whole (bounds included); piece 4
    // has one end outside.
    Form->cbRouteDefinition->setChecked(false);
    Form->cbSelArea->setChecked(true);
    CurrentSituation.SelectionStart = MakeWorldPoint(30, -5);
    CurrentSituation.SelectionEnd = MakeWorldPoint(10, 5);
    Choose(TFormReplace::stWallLeft, 1, 0);
    EXPECT_EQ(Form->bReplaceClick(), 2);
    EXPECT_EQ(Status(), "completed. 2 connections replaced.");
    EXPECT_EQ(Tracks[0]->WallLeftId, 1);
    EXPECT_EQ(Tracks[1]->WallLeftId, 1);
    EXPECT_EQ(Tracks[2]->WallLeftId, 1);
    EXPECT_EQ(Tracks[3]->WallLeftId, 1);
}

TEST_F(FormReplaceTest, WithoutAChoiceOrAnIdNothingIsReplaced)
{
    EXPECT_EQ(Form->bReplaceClick(), 0);
    EXPECT_NE(Status().find("Choose"), std::string::npos);

    Choose(TFormReplace::stGround, 0, -1);
    EXPECT_EQ(Form->bReplaceClick(), 0);
    Choose(TFormReplace::stGround, 0, 2); // "x=odd.b3d" has no id
    EXPECT_EQ(Form->bReplaceClick(), 0);
    for (TVLConnection* c : Tracks)
        EXPECT_EQ(c->GroundId, 1);

    TVLProject empty;
    Form->Project = &empty;
    Choose(TFormReplace::stGround, 0, 1);
    EXPECT_EQ(Form->bReplaceClick(), 0);
    EXPECT_EQ(Status(), "no connections in project");
}
