// The stations window: stations and platform tracks go straight into the
// project, and "Find" takes the editor to a platform's track.

#include "startuptesthelpers.h"

#include "editor/msginisupp.h"
#include "editor/formstations.h"
#include "model/currentsituation.h"
#include "model/vlproject.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <memory>

namespace {

class FormStationsTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        CreateForm(FormStations);
        Project = std::make_unique<TVLProject>();
        FormStations->Project = Project.get();
    }
    void TearDown() override
    {
        CurrentSituation.ClearReferences();
        StartupTest::TearDown();
    }
    TVLConnection* AddTrack(double x1, double y1, double x2, double y2)
    {
        auto a = std::make_unique<TVLPoint>(MakeWorldPoint(x1, y1));
        auto b = std::make_unique<TVLPoint>(MakeWorldPoint(x2, y2));
        auto track = std::make_unique<TVLConnection>(a.get(), b.get());
        Project->AddPoint(std::move(a));
        Project->AddPoint(std::move(b));
        TVLConnection* c = track.get();
        Project->AddConnection(std::move(track));
        return c;
    }
    void AddStation(const char* name)
    {
        FormStations->edStationname->setText(name);
        FormStations->bAddStation->click();
    }
    void Choose(QListWidget* list, int row)
    {
        list->setCurrentRow(row);
        list->item(row)->setSelected(true);
    }
    // The project's "station<n>" lines as saved.
    std::vector<std::string> StationLines() const
    {
        std::vector<std::string> out;
        for (const std::string& line : Project->SaveToLines())
            if (line.rfind("station", 0) == 0)
                out.push_back(line);
        return out;
    }
    std::unique_ptr<TVLProject> Project;
};

} // namespace

TEST_F(FormStationsTest, AddSetAndDeleteStationsAreSavedWithTheProject)
{
    FormStations->show();
    EXPECT_EQ(FormStations->windowTitle(), "Stations");
    AddStation("Hill Road");
    AddStation("Dale");
    // The new station is the chosen one.
    EXPECT_EQ(FormStations->ChosenStation(), Project->GetStation(1));
    EXPECT_EQ(FormStations->edStationname->text(), "Dale");
    AddStation(""); // an empty name is refused, naming the field
    EXPECT_EQ(CountMessages(GetMessageText("udialog_bad_text") + "Name: \"\"\r\n" +
                            GetMessageText("udialog_text_empty")),
              1);
    AddStation("hill road");
    EXPECT_EQ(CountMessages(GetMessageText("ustations_exists")), 1);
    ASSERT_EQ(Project->StationCount(), 2);
    EXPECT_EQ(StationLines(), (std::vector<std::string>{"station1=\"Hill Road\"", "station2=\"Dale\""}));

    // Renaming to another station's name is accepted.
    Choose(FormStations->lbStations, 1);
    FormStations->lbStationsClick();
    EXPECT_EQ(FormStations->edStationname->text(), "Dale");
    FormStations->edStationname->setText("Hill Road");
    FormStations->bSetStation->click();
    EXPECT_EQ(Project->GetStation(1)->Name, "Hill Road");
    EXPECT_EQ(FormStations->lbStations->item(1)->text(), "Hill Road");

    // Deleting the second chooses the first; deleting the first leaves none.
    FormStations->bDeleteStation->click();
    ASSERT_EQ(Project->StationCount(), 1);
    EXPECT_EQ(FormStations->ChosenStation(), Project->GetStation(0));
    FormStations->bDeleteStation->click();
    EXPECT_EQ(Project->StationCount(), 0);
    EXPECT_EQ(FormStations->ChosenStation(), nullptr);
    EXPECT_EQ(FormStations->lbStations->count(), 0);
    FormStations->bDeleteStation->click(); // nothing chosen: nothing happens
    EXPECT_TRUE(StationLines().empty());
}

TEST_F(FormStationsTest, ShowingListsTheProjectsStationsAndChoosesTheFirst)
{
    auto s = std::make_unique<TVLStation>("Hill Road");
    ASSERT_TRUE(s->LoadFromString("\"Hill Road\",1=12,2=15"));
    Project->Stations.Add(std::move(s));
    Project->Stations.Add(std::make_unique<TVLStation>("Dale"));
    FormStations->show();
    ASSERT_EQ(FormStations->lbStations->count(), 2);
    EXPECT_EQ(FormStations->ChosenStation(), Project->GetStation(0));
    EXPECT_EQ(FormStations->edStationname->text(), "Hill Road");
    ASSERT_EQ(FormStations->lbPlatformtracks->count(), 2);
    EXPECT_EQ(FormStations->lbPlatformtracks->item(1)->text(), "2");

    // Without a project nothing is listed.
    FormStations->hide();
    FormStations->Project = nullptr;
    FormStations->show();
    EXPECT_EQ(FormStations->lbStations->count(), 0);
    FormStations->edStationname->setText("X");
    FormStations->bAddStation->click();
    EXPECT_EQ(FormStations->lbStations->count(), 0);
}

TEST_F(FormStationsTest, PlatformsTakeTheCurrentTrack)
{
    TVLConnection* t1 = AddTrack(10.4, 20.6, 50, 20);
    TVLConnection* t2 = AddTrack(100, 0, 150, 0);
    FormStations->edPlatformNo->setText("1");
    CurrentSituation.SelectedConnection = t1;
    FormStations->bgo->click(); // no station yet
    AddStation("Hill Road");

    // Without a current track nothing is added, and the window says why.
    CurrentSituation.SelectedConnection = nullptr;
    FormStations->bgo->click();
    EXPECT_EQ(FormStations->lbPlatformtracks->count(), 0);
    EXPECT_EQ(CountMessageKey("ustations_no_station") + CountMessageKey("ustations_no_track"), 2);

    // The manual's steps: a new station, then its platforms straight away.
    CurrentSituation.SelectedConnection = t1;
    FormStations->bgo->click();
    FormStations->bgo->click(); // the list holds "1" already
    EXPECT_EQ(CountMessageKey("ustations_platform_exists"), 1);
    CurrentSituation.SelectedConnection = t2;
    FormStations->edPlatformNo->setText("2");
    FormStations->bgo->click();
    ASSERT_EQ(FormStations->lbPlatformtracks->count(), 2);
    EXPECT_EQ(FormStations->lbPlatformtracks->currentRow(), 1);
    EXPECT_EQ(StationLines(), std::vector<std::string>{"station1=\"Hill Road\",1=" + std::to_string(t1->Id) +
                                                       ",2=" + std::to_string(t2->Id)});

    // "Set" on platform "1" with the text "3" keeps the entry of "1".
    Choose(FormStations->lbPlatformtracks, 0);
    EXPECT_EQ(FormStations->edPlatformNo->text(), "1");
    FormStations->edPlatformNo->setText("3");
    FormStations->bPlatformSet->click();
    EXPECT_EQ(FormStations->lbPlatformtracks->item(0)->text(), "3");
    TStrings platforms;
    Project->GetStation(0)->GetPlatforms(platforms);
    EXPECT_EQ(platforms, (TStrings{"1", "2", "3"}));

    // A platform number with "=" would name another platform, an empty one
    // none, one with a line break would break the project file: refused.
    Requests.clear();
    for (const char* bad : {"4=5", "", "4\n5"}) {
        FormStations->edPlatformNo->setText(bad);
        FormStations->bgo->click();
        FormStations->bPlatformSet->click();
    }
    ASSERT_EQ(RequestsOf(TDialogKind::MessageBox).size(), 6u);
    for (const TDialogRequest& r : Requests)
        EXPECT_EQ(r.Text.rfind(GetMessageText("udialog_bad_text") + "Add current track as platform no: ", 0), 0u);
    EXPECT_EQ(Project->GetStation(0)->Lines.size(), 3u);

    // Deleting a platform shows the list without it at once.
    FormStations->lbStationsClick();
    Choose(FormStations->lbPlatformtracks, 1);
    FormStations->bDeletePlatformTrack->click();
    Project->GetStation(0)->GetPlatforms(platforms);
    EXPECT_EQ(platforms, (TStrings{"1", "3"}));
    EXPECT_EQ(FormStations->lbPlatformtracks->count(), 2);
}

TEST_F(FormStationsTest, FindRecentresTheEditorOnThePlatformTrack)
{
    TVLConnection* t1 = AddTrack(10.4, 20.6, 50, 20);
    auto s = std::make_unique<TVLStation>("Hill Road");
    s->Lines = {"1=" + std::to_string(t1->Id), "2=999", "3=x"};
    Project->Stations.Add(std::move(s));
    FormStations->show();
    CurrentSituation.Cursor = MakeWorldPoint(-1, -1);

    for (const char* missing : {"4", "2", "3", ""}) {
        FormStations->edPlatformNo->setText(missing);
        FormStations->bFind->click();
        EXPECT_EQ(CurrentSituation.SelectedConnection, nullptr) << missing;
        EXPECT_EQ(CurrentSituation.Cursor, MakeWorldPoint(-1, -1)) << missing;
    }
    FormStations->edPlatformNo->setText("1");
    FormStations->bFind->click();
    EXPECT_EQ(CurrentSituation.SelectedConnection, t1);
    EXPECT_EQ(CurrentSituation.ViewCentre, MakeWorldPoint(10.4, 20.6));
    EXPECT_EQ(CurrentSituation.Cursor, MakeWorldPoint(10, 21));
}

TEST_F(FormStationsTest, DeletingAStationAsksTheEditorForItsStationList)
{
    AddStation("Hill Road");
    FormStations->show();
    CurrentSituation.RefreshRequested = false;
    FormStations->bDeleteStation->click();
    EXPECT_EQ(Project->StationCount(), 0);
    // The editor's station list is brought up to date.
    EXPECT_TRUE(CurrentSituation.RefreshRequested);
}

TEST_F(FormStationsTest, QuotesAndCommasInNamesAndPlatformsSurviveSaving)
{
    TVLConnection* track = AddTrack(0, 0, 50, 0);
    CurrentSituation.SelectedConnection = track;
    AddStation("Q\"uote\"d, West");
    FormStations->edPlatformNo->setText("a,b \"c\"");
    FormStations->bgo->click();
    EXPECT_TRUE(Requests.empty());
    ASSERT_TRUE(Project->SaveToFile(Program + "quotes.vlp"));
    TVLProject back;
    ASSERT_TRUE(back.LoadFromFile(Program + "quotes.vlp"));
    ASSERT_EQ(back.StationCount(), 1);
    EXPECT_EQ(back.GetStation(0)->Name, "Q\"uote\"d, West");
    EXPECT_EQ(back.GetStation(0)->GetPlatformTrack("a,b \"c\""), track->Id);
}
