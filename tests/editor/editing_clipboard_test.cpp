// The property clipboard: copy, the paste modes of the three submenus, and
// pasting onto the current track, the current route and a run of tracks up
// to the next switch.

#include "editingtesthelpers.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

namespace {

class ClipboardTest : public EditingTest {
protected:
    // A source track with every property set apart from the defaults.
    TVLConnection* MakeSource()
    {
        TVLConnection* s = AddTrack(-100, -100, -90, -100);
        s->TrackType = 7;
        s->SpeedLimit = 130;
        s->Height = 2.5;
        s->Adhesion = 100;
        s->Accuracy = 3;
        s->BackgroundId = 4;
        s->GroundId = 5;
        s->Fog = 6;
        s->Pole = -2;
        s->PlatformId = 3;
        s->PlatformSide = 2;
        s->TrackKind = 4;
        s->WaveFile = "run.wav";
        s->WallLeftId = 1;
        s->WallRightId = 2;
        s->RoofId = 8;
        s->MarkerFile = "marker.bmp";
        return s;
    }
    void Copy(TVLConnection* source)
    {
        CurrentSituation.SelectedConnection = source;
        Frame->copyproperties1->trigger();
    }
    static QAction* Item(QAction* submenu, const char* name)
    {
        return submenu->menu()->findChild<QAction*>(name);
    }
};

} // namespace

TEST_F(ClipboardTest, SubmenusHoldTheSixModesEach)
{
    const struct {
        QAction* submenu;
        std::vector<std::string> names;
    } menus[] = {
        {Frame->pasteproperties1,
         {"allproperties3", "ground2", "background2", "speedlimit3", "poles3", "tracktype1"}},
        {Frame->pastepropertiestocurrentroute1,
         {"allproperties1", "groundonly1", "backgroundonly1", "speedlimit1", "poles1", "tracktype2"}},
        {Frame->pastepropertiesuntilswitch1,
         {"allproperties2", "ground1", "background1", "speedlimit2", "poles2", "tracktype3"}},
    };
    for (const auto& m : menus) {
        const QList<QAction*> items = m.submenu->menu()->actions();
        ASSERT_EQ(items.size(), 6);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(items[i]->objectName().toStdString(), m.names[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(Frame->speedlimit3->text(), "speed limit");
    EXPECT_EQ(Frame->speedlimit1->text(), "speedlimit");
    EXPECT_EQ(Frame->allproperties2->text(), "all properties");
    EXPECT_EQ(Frame->tracktype3->text(), "track type");
}

TEST_F(ClipboardTest, PastingOneGroupChangesOnlyThatGroup)
{
    TVLConnection* source = MakeSource();
    Copy(source);
    ASSERT_NE(Frame->CopiedTrack, nullptr);
    EXPECT_EQ(Frame->CopiedTrack->StartPoint, nullptr);
    EXPECT_TRUE(Frame->CopiedTrack->MarkerFile.empty());

    struct Case {
        const char* item;
        int mode;
        std::function<bool(const TVLConnection&)> changed;
    };
    const Case cases[] = {
        {"ground2", 1, [](const TVLConnection& c) { return c.GroundId == 5; }},
        {"background2", 2, [](const TVLConnection& c) { return c.BackgroundId == 4; }},
        {"speedlimit3", 3, [](const TVLConnection& c) { return c.SpeedLimit == 130; }},
        {"poles3", 4, [](const TVLConnection& c) { return c.Pole == -2; }},
        {"tracktype1", 5, [](const TVLConnection& c) { return c.TrackType == 7; }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.item);
        TVLConnection* target = AddTrack(0, 0, 10, 0);
        const std::string before = target->SaveToString();
        CurrentSituation.SelectedConnection = target;
        Item(Frame->pasteproperties1, k.item)->trigger();
        EXPECT_EQ(Frame->PasteMode, k.mode);
        EXPECT_TRUE(k.changed(*target));
        // Exactly one field of the project line differs.
        TStrings a = CommaTextToList(before), b = CommaTextToList(target->SaveToString());
        ASSERT_EQ(a.size(), b.size());
        int differing = 0;
        for (std::size_t i = 0; i < a.size(); ++i)
            differing += a[i] != b[i];
        EXPECT_EQ(differing, 1);
    }
}

TEST_F(ClipboardTest, AllPropertiesAlsoTakesKindPlatformWallsAndRoof)
{
    TVLConnection* source = MakeSource();
    Copy(source);
    TVLConnection* target = AddTrack(0, 0, 10, 0);
    const int id = target->Id;
    TVLPoint* start = target->StartPoint;
    CurrentSituation.SelectedConnection = target;
    Frame->allproperties3->trigger();
    EXPECT_EQ(target->TrackKind, 4);
    EXPECT_EQ(target->PlatformId, 3);
    EXPECT_EQ(target->PlatformSide, 2);
    EXPECT_EQ(target->WallLeftId, 1);
    EXPECT_EQ(target->WallRightId, 2);
    EXPECT_EQ(target->RoofId, 8);
    EXPECT_EQ(target->WaveFile, "run.wav");
    EXPECT_DOUBLE_EQ(target->Height, 2.5);
    EXPECT_EQ(target->Id, id);
    EXPECT_EQ(target->StartPoint, start);
    EXPECT_TRUE(target->MarkerFile.empty());
}

TEST_F(ClipboardTest, CopyNeedsACurrentTrackAndPasteAClipboard)
{
    Frame->copyproperties1Click();
    EXPECT_EQ(Frame->CopiedTrack, nullptr);
    TVLConnection* target = AddTrack(0, 0, 10, 0);
    CurrentSituation.SelectedConnection = target;
    Frame->PasteMode = 0;
    Frame->pasteproperties1Click();
    EXPECT_EQ(target->SpeedLimit, 0);
    Frame->RefreshEditor();
    EXPECT_FALSE(Frame->pasteproperties1->isEnabled());
    EXPECT_FALSE(Frame->pastepropertiesuntilswitch1->isEnabled());
    Frame->copyproperties1Click();
    EXPECT_TRUE(Frame->pasteproperties1->isEnabled());
    EXPECT_TRUE(Frame->pastepropertiesuntilswitch1->isEnabled());
    EXPECT_FALSE(Frame->pastepropertiestocurrentroute1->isEnabled());
}

TEST_F(ClipboardTest, LoadingAProjectEmptiesTheClipboard)
{
    Copy(AddTrack(0, 0, 10, 0));
    ASSERT_TRUE(Project->SaveToFile(Program + "plan.vlp"));
    Frame->LoadProject(Program + "plan.vlp");
    EXPECT_EQ(Frame->CopiedTrack, nullptr);
    EXPECT_FALSE(Frame->pasteproperties1->isEnabled());
}

TEST_F(ClipboardTest, PasteToTheRouteSkipsTracksThatAreGone)
{
    TVLConnection* source = MakeSource();
    Copy(source);
    TVLConnection* t1 = AddTrack(0, 0, 10, 0);
    TVLConnection* t2 = AddTrack(10, 0, 20, 0);
    TVLConnection* outside = AddTrack(20, 0, 30, 0);
    TVLRouteDefinition* r = AddRoute(1);
    r->AddTrack(t1->Id);
    r->AddTrack(77); // no such track
    r->AddTrack(t2->Id);
    CurrentSituation.CurrentRouteDefinition = r;
    Frame->RefreshEditor();
    EXPECT_TRUE(Frame->pastepropertiestocurrentroute1->isEnabled());
    Frame->speedlimit1->trigger();
    EXPECT_EQ(t1->SpeedLimit, 130);
    EXPECT_EQ(t2->SpeedLimit, 130);
    EXPECT_EQ(t1->GroundId, 1);
    EXPECT_EQ(outside->SpeedLimit, 0);
    EXPECT_EQ(Frame->lCurrentProgress->text(), "100%");
    EXPECT_EQ(r->Count(), 3);
}

TEST_F(ClipboardTest, PasteToTheRouteWithoutARouteDoesNothing)
{
    Copy(MakeSource());
    TVLConnection* t = AddTrack(0, 0, 10, 0);
    CurrentSituation.SelectedConnection = t;
    Frame->allproperties1->trigger();
    EXPECT_EQ(t->SpeedLimit, 0);
}

TEST_F(ClipboardTest, PasteUntilSwitchStopsAtTheSwitch)
{
    Copy(MakeSource());
    TVLPoint* a = AddPoint(0, 0);
    TVLPoint* b = AddPoint(10, 0);
    TVLPoint* sw = AddPoint(20, 0);
    TVLConnection* t1 = Connect(a, b);
    TVLConnection* t2 = Connect(b, sw);
    TVLConnection* branch1 = Connect(sw, AddPoint(30, 0));
    TVLConnection* branch2 = Connect(sw, AddPoint(30, 3));
    CurrentSituation.SelectedConnection = t1;
    CurrentSituation.SelectedPoint = b;
    Frame->poles2->trigger();
    EXPECT_EQ(t1->Pole, -2);
    EXPECT_EQ(t2->Pole, -2);
    EXPECT_EQ(branch1->Pole, 0);
    EXPECT_EQ(branch2->Pole, 0);
    EXPECT_EQ(CurrentSituation.SelectedConnection, t2);
    EXPECT_EQ(CurrentSituation.SelectedPoint, sw);

    // From a track whose selected point is the switch: that one track only.
    CurrentSituation.SelectedConnection = branch1;
    CurrentSituation.SelectedPoint = sw;
    Frame->ground1->trigger();
    EXPECT_EQ(branch1->GroundId, 5);
    EXPECT_EQ(branch2->GroundId, 1);
    EXPECT_EQ(t2->GroundId, 1);
    EXPECT_EQ(CurrentSituation.SelectedConnection, branch1);
}
