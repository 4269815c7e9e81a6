// The editing commands of the plan: points and tracks, track kinds, objects,
// route membership, the windows opened from the frame and subdividing, run
// through the popup menu, the tool bars and the main window's key table.

#include "editingtesthelpers.h"

#include "editor/formmain.h"
#include "editor/formtrain.h"
#include "editor/msginisupp.h"
#include "editor/editorwindows.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QSignalSpy>
#include <QToolButton>

namespace {

using CommandsTest = EditingTest;

void ExpectAt(const TVLPoint* p, double x, double y)
{
    ASSERT_NE(p, nullptr);
    EXPECT_NEAR(p->Position.X, x, 1e-9);
    EXPECT_NEAR(p->Position.Y, y, 1e-9);
}

std::vector<int> Ids(const TVLRouteDefinition* route)
{
    std::vector<int> ids;
    for (int i = 0; i < route->Count(); ++i)
        ids.push_back(route->TrackIdAt(i));
    return ids;
}

} // namespace

TEST_F(CommandsTest, NewPointAtTheCursorAndAtThePressPosition)
{
    CurrentSituation.Cursor = MakeWorldPoint(7, 8);
    QTest::mouseClick(Frame->tbNewPoint, Qt::LeftButton);
    ASSERT_EQ(Project->Points.Count(), 1);
    ExpectAt(Project->Points[0], 7, 8);
    EXPECT_EQ(Project->Points[0]->Id, 1);
    EXPECT_EQ(CurrentSituation.SelectedPoint, Project->Points[0]);

    Frame->PressPos = MakeWorldPoint(-3, 4);
    Frame->addpoint1->trigger();
    ASSERT_EQ(Project->Points.Count(), 2);
    ExpectAt(Project->Points[1], -3, 4);
    EXPECT_EQ(Project->Points[1]->Id, 2);
    EXPECT_EQ(CurrentSituation.Cursor, MakeWorldPoint(-3, 4));
}

TEST_F(CommandsTest, NewPointSnapsBesideATrackWithTheOption)
{
    FormOptions->Fit4m = true;
    Connect(AddPoint(0, 0), AddPoint(100, 0));
    CurrentSituation.Cursor = MakeWorldPoint(100.5, 4.3);
    Frame->tbNewPointClick();
    ExpectAt(CurrentSituation.SelectedPoint, 100, 4);
}

TEST_F(CommandsTest, AddAndConnectNeverSnapsOntoTheSelectedPoint)
{
    // A siding end 15 m beside the end of a track: a new point 1.4 m from
    // the siding end is 14 m from the track's end and snaps 15 m beside it,
    // onto the siding end itself.
    FormOptions->Fit4m = true;
    FormOptions->MinLength = false;
    Connect(AddPoint(100, 0), AddPoint(200, 0));
    TVLPoint* siding = AddPoint(200, -15);
    Connect(AddPoint(100, -15), siding);
    CurrentSituation.SelectedPoint = siding;
    CurrentSituation.Cursor = MakeWorldPoint(201, -14);
    Frame->tbAddAndConnectClick();
    EXPECT_EQ(Project->Points.Count(), 4);
    EXPECT_EQ(Project->Connections.Count(), 2);
    EXPECT_EQ(CurrentSituation.SelectedPoint, siding);
}

TEST_F(CommandsTest, ConnectPointsCopiesFiveGroupsFromTheTrackCurrentBefore)
{
    FormOptions->CopyPropLast = true;
    FormOptions->NewConnFixed = true;
    TVLConnection* before = AddTrack(0, 0, 10, 0);
    before->GroundId = 5;
    before->BackgroundId = 6;
    before->SpeedLimit = 80;
    before->Pole = -2;
    before->TrackType = 4;
    before->WallLeftId = 3;
    before->PlatformId = 2;
    before->PlatformSide = 1;
    before->TrackKind = 1;
    CurrentSituation.SelectedConnection = before;
    TVLPoint* a = AddPoint(50, 0);
    TVLPoint* b = AddPoint(80, 0);
    CurrentSituation.SelectedPoint = a;
    CurrentSituation.HoveredPoint = b;
    Frame->RefreshEditor();
    EXPECT_TRUE(Frame->connectpoints1->isEnabled());
    QTest::mouseClick(Frame->tbConnectPoints, Qt::LeftButton);

    ASSERT_EQ(Project->Connections.Count(), 2);
    TVLConnection* c = Project->Connections[1];
    EXPECT_EQ(c->StartPoint, a);
    EXPECT_EQ(c->EndPoint, b);
    EXPECT_EQ(c->Id, 2);
    EXPECT_EQ(CurrentSituation.SelectedConnection, c);
    EXPECT_EQ(c->GroundId, 5);
    EXPECT_EQ(c->BackgroundId, 6);
    EXPECT_EQ(c->SpeedLimit, 80);
    EXPECT_EQ(c->Pole, -2);
    EXPECT_EQ(c->TrackType, 4);
    EXPECT_EQ(c->WallLeftId, 0);
    EXPECT_EQ(c->PlatformId, 0);
    EXPECT_EQ(c->PlatformSide, 0);
    EXPECT_EQ(c->TrackKind, 2); // fixed, from the option, not the old kind
}

TEST_F(CommandsTest, ConnectPointsNeedsTwoDifferentPoints)
{
    TVLPoint* a = AddPoint(0, 0);
    CurrentSituation.SelectedPoint = a;
    CurrentSituation.HoveredPoint = a;
    Frame->connectpoints1Click();
    CurrentSituation.HoveredPoint = nullptr;
    Frame->connectpoints1Click();
    EXPECT_EQ(Project->Connections.Count(), 0);
}

TEST_F(CommandsTest, NewTracksTakeTheClipboardWhenAskedTo)
{
    FormOptions->CopyPropClip = true;
    TVLConnection* source = AddTrack(0, 0, 10, 0);
    source->SpeedLimit = 120;
    source->GroundId = 9;
    CurrentSituation.SelectedConnection = source;
    Frame->copyproperties1Click();
    CurrentSituation.SelectedConnection = nullptr;
    CurrentSituation.SelectedPoint = source->EndPoint;
    CurrentSituation.Cursor = MakeWorldPoint(40, 0);
    Frame->RefreshEditor(); // enables the button
    QTest::mouseClick(Frame->tbAddAndConnect, Qt::LeftButton);
    ASSERT_EQ(Project->Connections.Count(), 2);
    TVLConnection* c = Project->Connections[1];
    EXPECT_EQ(c->StartPoint, source->EndPoint);
    ExpectAt(c->EndPoint, 40, 0);
    EXPECT_EQ(c->SpeedLimit, 120);
    EXPECT_EQ(c->GroundId, 9);
}

TEST_F(CommandsTest, AddPointInBetweenSplitsAndKeepsRouteMembership)
{
    TVLConnection* t = AddTrack(0, 0, 40, 20);
    t->SpeedLimit = 90;
    t->WallRightId = 4;
    TVLRouteDefinition* r1 = AddRoute(1);
    TVLRouteDefinition* r2 = AddRoute(2);
    AddRoute(3);
    r1->AddTrack(t->Id);
    r2->AddTrack(t->Id);
    TVLPoint* b = t->EndPoint;
    CurrentSituation.SelectedConnection = t;
    QTest::mouseClick(Frame->tbImproveConnection, Qt::LeftButton);

    ASSERT_EQ(Project->Points.Count(), 3);
    ASSERT_EQ(Project->Connections.Count(), 2);
    TVLPoint* m = Project->Points[2];
    ExpectAt(m, 20, 10);
    TVLConnection* c = Project->Connections[1];
    EXPECT_EQ(t->EndPoint, m);
    EXPECT_EQ(c->StartPoint, m);
    EXPECT_EQ(c->EndPoint, b);
    EXPECT_EQ(c->Id, 2);
    EXPECT_EQ(c->SpeedLimit, 90);
    EXPECT_EQ(c->WallRightId, 4);
    EXPECT_TRUE(r1->ContainsTrack(2));
    EXPECT_TRUE(r2->ContainsTrack(2));
    EXPECT_FALSE(Project->RouteDefinitions[2]->ContainsTrack(2));
    EXPECT_EQ(CurrentSituation.SelectedConnection, t);
}

TEST_F(CommandsTest, DeletePointAtTheEndOfOneTrack)
{
    TVLConnection* t = AddTrack(0, 0, 10, 0);
    TVLRouteDefinition* r = AddRoute(1);
    r->AddTrack(t->Id);
    CurrentSituation.SelectedPoint = t->EndPoint;
    Frame->deletepoint1->trigger();
    EXPECT_EQ(Project->Connections.Count(), 0);
    EXPECT_EQ(Project->Points.Count(), 1);
    EXPECT_EQ(r->Count(), 0);
    EXPECT_EQ(CurrentSituation.SelectedPoint, nullptr);
}

TEST_F(CommandsTest, DeletePointBetweenTwoTracksClosesTheGap)
{
    TVLPoint* a = AddPoint(0, 0);
    TVLPoint* p = AddPoint(10, 0);
    TVLPoint* c = AddPoint(20, 5);
    TVLConnection* t1 = Connect(p, a); // starts at the point: turns round
    TVLConnection* t2 = Connect(p, c);
    t1->SpeedLimit = 60;
    t2->SpeedLimit = 100;
    TVLRouteDefinition* current = AddRoute(1);
    TVLRouteDefinition* other = AddRoute(2);
    current->AddTrack(t1->Id);
    current->AddTrack(t2->Id);
    other->AddTrack(t2->Id);
    CurrentSituation.CurrentRouteDefinition = current;
    CurrentSituation.SelectedPoint = p;
    QTest::mouseClick(Frame->tbDelPoint, Qt::LeftButton);

    ASSERT_EQ(Project->Connections.Count(), 1);
    EXPECT_EQ(Project->Connections[0], t1);
    EXPECT_EQ(t1->Id, 1);
    EXPECT_EQ(t1->SpeedLimit, 60);
    EXPECT_EQ(t1->StartPoint, a);
    EXPECT_EQ(t1->EndPoint, c);
    EXPECT_EQ(Project->Points.Count(), 2);
    EXPECT_EQ(CurrentSituation.SelectedConnection, t1);
    EXPECT_EQ(CurrentSituation.SelectedPoint, nullptr);
    // The deleted track's id is gone from every route definition.
    EXPECT_EQ(Ids(current), std::vector<int>{1});
    EXPECT_EQ(Ids(other), std::vector<int>{});
}

TEST_F(CommandsTest, DeletePointOnASwitchDeletesAllItsTracks)
{
    TVLPoint* p = AddPoint(0, 0);
    Connect(AddPoint(-10, 0), p);
    Connect(p, AddPoint(10, 0));
    Connect(p, AddPoint(10, 2));
    TVLConnection* away = AddTrack(50, 50, 60, 50);
    CurrentSituation.SelectedPoint = p;
    Frame->tbDelPointClick();
    ASSERT_EQ(Project->Connections.Count(), 1);
    EXPECT_EQ(Project->Connections[0], away);
    EXPECT_EQ(Project->Points.Count(), 5);
}

TEST_F(CommandsTest, DeletePointBetweenTwoTracksToTheSamePointMakesNoEmptyTrack)
{
    TVLPoint* p = AddPoint(0, 0);
    TVLPoint* q = AddPoint(10, 0);
    Connect(p, q);
    Connect(q, p);
    CurrentSituation.SelectedPoint = p;
    Frame->tbDelPointClick();
    EXPECT_EQ(Project->Connections.Count(), 0);
    EXPECT_EQ(Project->Points.Count(), 1);
}

TEST_F(CommandsTest, DeleteTrackKeepsItsPointsAndLeavesEveryRoute)
{
    TVLConnection* t = AddTrack(0, 0, 10, 0);
    TVLRouteDefinition* r1 = AddRoute(1);
    TVLRouteDefinition* r2 = AddRoute(2);
    r1->AddTrack(t->Id);
    r2->AddTrack(t->Id);
    CurrentSituation.CurrentRouteDefinition = r1;
    CurrentSituation.SelectedConnection = t;
    Frame->deleteconnection1->trigger();
    EXPECT_EQ(Project->Connections.Count(), 0);
    EXPECT_EQ(Project->Points.Count(), 2);
    EXPECT_EQ(r1->Count(), 0);
    EXPECT_EQ(r2->Count(), 0);
    EXPECT_EQ(CurrentSituation.SelectedConnection, nullptr);
}

TEST_F(CommandsTest, TrackKindFromMenuAndCombo)
{
    TVLConnection* t = AddTrack(0, 0, 10, 0);
    CurrentSituation.SelectedConnection = t;
    Frame->curve1->trigger();
    EXPECT_EQ(t->TrackKind, 1);
    Frame->fixed1->trigger();
    EXPECT_EQ(t->TrackKind, 2);
    Frame->straight1->trigger();
    EXPECT_EQ(t->TrackKind, 0);
    Frame->cbTrackTypeChange(5);
    EXPECT_EQ(t->TrackKind, 5);
    EXPECT_EQ(Frame->cbTrackType->currentIndex(), 5);
    Frame->cbTrackTypeChange(-1);
    EXPECT_EQ(t->TrackKind, 5);
}

TEST_F(CommandsTest, TurnTwiceRestoresAndOnlySwapsTheEnds)
{
    TVLConnection* t = AddTrack(0, 0, 10, 0);
    t->PlatformSide = 1;
    t->Pole = 3;
    t->WallLeftId = 2;
    TVLPoint* a = t->StartPoint;
    TVLPoint* b = t->EndPoint;
    CurrentSituation.SelectedConnection = t;
    Frame->turntrack1->trigger();
    EXPECT_EQ(t->StartPoint, b);
    EXPECT_EQ(t->EndPoint, a);
    EXPECT_EQ(t->PlatformSide, 1);
    EXPECT_EQ(t->Pole, 3);
    EXPECT_EQ(t->WallLeftId, 2);
    Frame->turntrack1Click();
    EXPECT_EQ(t->StartPoint, a);
    EXPECT_EQ(t->EndPoint, b);
}

TEST_F(CommandsTest, Make25mLongLengthensAndShortens)
{
    TVLConnection* t = AddTrack(0, 0, 24, 32); // 40 m
    CurrentSituation.SelectedConnection = t;
    Frame->make25mlong1->trigger();
    ExpectAt(t->EndPoint, 15, 20);
    t->EndPoint->Position = MakeWorldPoint(0, -5);
    Frame->make25mlong1Click();
    ExpectAt(t->EndPoint, 0, -25);
    t->EndPoint->Position = MakeWorldPoint(0, 0);
    Frame->make25mlong1Click();
    ExpectAt(t->EndPoint, 0, 0);
}

TEST_F(CommandsTest, AddObjectFromTheBrowserAtThePressPosition)
{
    Frame->PressPos = MakeWorldPoint(12, -4);
    Frame->addselectedobject1Click();
    EXPECT_EQ(Project->FreeObjects.Count(), 0);
    TFrmEditor::ObjectBrowserSelection = [](std::string& folder, std::string& file) {
        folder = "trees";
        file = "oak.b3d";
        return true;
    };
    Frame->addselectedobject1->trigger();
    ASSERT_EQ(Project->FreeObjects.Count(), 1);
    TVLObject* o = Project->FreeObjects[0];
    EXPECT_EQ(o->GetRelativePath(), "trees\\oak.b3d");
    EXPECT_NEAR(o->X, 12, 1e-9);
    EXPECT_NEAR(o->Y, -4, 1e-9);
    EXPECT_EQ(o->Rotation, 0);
    EXPECT_EQ(CurrentSituation.SelectedObject, nullptr);
}

TEST_F(CommandsTest, CloneAndDeleteObject)
{
    Frame->PressPos = MakeWorldPoint(30, 40);
    Frame->cloneobject1Click();
    EXPECT_EQ(Project->FreeObjects.Count(), 0);

    TVLObject* o = AddObject(1, 2);
    o->Rotation = 30;
    o->Height = 1.5;
    CurrentSituation.SelectedObject = o;
    Frame->cloneobject1->trigger();
    ASSERT_EQ(Project->FreeObjects.Count(), 2);
    TVLObject* copy = Project->FreeObjects[1];
    EXPECT_NEAR(copy->X, 30, 1e-9);
    EXPECT_NEAR(copy->Y, 40, 1e-9);
    EXPECT_EQ(copy->Rotation, 30);
    EXPECT_DOUBLE_EQ(copy->Height, 1.5);
    EXPECT_EQ(copy->GetRelativePath(), o->GetRelativePath());
    EXPECT_EQ(CurrentSituation.SelectedObject, o);

    CurrentSituation.HoveredObject = o;
    QTest::mouseClick(Frame->tbDelObj, Qt::LeftButton);
    ASSERT_EQ(Project->FreeObjects.Count(), 1);
    EXPECT_EQ(Project->FreeObjects[0], copy);
    EXPECT_EQ(CurrentSituation.SelectedObject, nullptr);
    EXPECT_EQ(CurrentSituation.HoveredObject, nullptr);
}

TEST_F(CommandsTest, PropertiesDialogsGetTheirItem)
{
    TVLConnection* t = AddTrack(0, 0, 10, 0);
    TVLObject* o = AddObject(5, 5);
    std::vector<void*> shown;
    TFrmEditor::ShowTrackProperties = [&](TVLConnection* c, TVLProject*) {
        shown.push_back(c);
        return true;
    };
    TFrmEditor::ShowFreeObjectProperties = [&](TVLObject* object) {
        shown.push_back(object);
        return true;
    };
    Frame->properties1Click();
    Frame->objectproperties1Click();
    EXPECT_TRUE(shown.empty());
    CurrentSituation.SelectedConnection = t;
    CurrentSituation.SelectedObject = o;
    QTest::mouseClick(Frame->tbProperties, Qt::LeftButton);
    QTest::mouseClick(Frame->tbObjProperties, Qt::LeftButton);
    EXPECT_EQ(shown, (std::vector<void*>{t, o}));
}

TEST_F(CommandsTest, RouteMembershipOfOneTrack)
{
    TVLConnection* t = AddTrack(0, 0, 10, 0);
    CurrentSituation.SelectedConnection = t;
    Frame->PopupMenuaddtocurrentrouteClick(); // no route definition: nothing
    TVLRouteDefinition* r = AddRoute(1);
    CurrentSituation.CurrentRouteDefinition = r;
    Frame->PopupMenuaddtocurrentroute->trigger();
    Frame->PopupMenuaddtocurrentroute->trigger();
    EXPECT_EQ(Ids(r), std::vector<int>{1});
    Frame->PopupMenudeletefromcurrentroute->trigger();
    EXPECT_EQ(r->Count(), 0);
}

TEST_F(CommandsTest, AddUntilSwitchWalksAwayThroughTheSelectedPoint)
{
    // 1 -> 2 -> 3 -> switch at (30,0) with two tracks on; 4 leads the other way.
    TVLPoint* p0 = AddPoint(0, 0);
    TVLPoint* p1 = AddPoint(10, 0);
    TVLPoint* p2 = AddPoint(20, 0);
    TVLPoint* sw = AddPoint(30, 0);
    TVLConnection* t1 = Connect(p0, p1);
    TVLConnection* t2 = Connect(p1, p2);
    TVLConnection* t3 = Connect(sw, p2); // runs against the walk
    Connect(sw, AddPoint(40, 0));
    Connect(sw, AddPoint(40, 4));
    TVLConnection* back = Connect(AddPoint(-10, 0), p0);
    TVLRouteDefinition* r = AddRoute(1);
    CurrentSituation.CurrentRouteDefinition = r;
    CurrentSituation.SelectedConnection = t1;
    CurrentSituation.SelectedPoint = p1;
    Frame->addtocurrentrouteuntilswitch1->trigger();
    EXPECT_EQ(Ids(r), (std::vector<int>{t1->Id, t2->Id, t3->Id}));
    EXPECT_EQ(CurrentSituation.SelectedConnection, t3);
    EXPECT_EQ(CurrentSituation.SelectedPoint, sw);
    EXPECT_FALSE(r->ContainsTrack(back->Id));

    // A selected point that is no end of the current track: nothing.
    r->Clear();
    CurrentSituation.SelectedConnection = t1;
    CurrentSituation.SelectedPoint = p2;
    Frame->addtocurrentrouteuntilswitch1Click();
    EXPECT_EQ(r->Count(), 0);
}

TEST_F(CommandsTest, AddUntilSwitchGoesRoundARingOnce)
{
    TVLPoint* a = AddPoint(0, 0);
    TVLPoint* b = AddPoint(10, 0);
    TVLPoint* c = AddPoint(5, 8);
    TVLConnection* ab = Connect(a, b);
    TVLConnection* bc = Connect(b, c);
    TVLConnection* ca = Connect(c, a);
    TVLRouteDefinition* r = AddRoute(1);
    CurrentSituation.CurrentRouteDefinition = r;
    CurrentSituation.SelectedConnection = ab;
    CurrentSituation.SelectedPoint = b;
    Frame->addtocurrentrouteuntilswitch1Click();
    EXPECT_EQ(Ids(r), (std::vector<int>{ab->Id, bc->Id, ca->Id}));
    EXPECT_EQ(CurrentSituation.SelectedConnection, ca);
    EXPECT_EQ(CurrentSituation.SelectedPoint, a);
}

TEST_F(CommandsTest, SubdivideNeedsNeighboursAtBothEnds)
{
    TVLConnection* t = AddTrack(0, 0, 20, 0);
    CurrentSituation.SelectedConnection = t;
    Frame->tbImproveClick();
    EXPECT_EQ(CountMessageKey("ufrmeditor_nopts"), 1);
    EXPECT_EQ(Project->Connections.Count(), 1);
    ASSERT_FALSE(Requests.empty());
    EXPECT_EQ(Requests.back().MsgType, mtError);
    EXPECT_EQ(Requests.back().Buttons, static_cast<TMsgDlgButtons>(mbCancel));
}

TEST_F(CommandsTest, SubdivideReplacesTheTrackByPiecesOnItsRoutes)
{
    TVLConnection* t = AddTrack(0, 0, 20, 0);
    Connect(AddPoint(-20, 0), t->StartPoint);
    Connect(t->EndPoint, AddPoint(40, 0));
    t->SpeedLimit = 70;
    t->TrackKind = 1;
    TVLRouteDefinition* r = AddRoute(1);
    r->AddTrack(t->Id);
    TVLPoint* a = t->StartPoint;
    TVLPoint* b = t->EndPoint;
    CurrentSituation.SelectedConnection = t;
    Frame->SubdivideTrack(4, 20);
    ASSERT_EQ(Project->Connections.Count(), 6);
    EXPECT_EQ(Project->Points.Count(), 7);
    EXPECT_EQ(CurrentSituation.SelectedConnection, nullptr);
    TVLPoint* previous = a;
    for (int i = 2; i < 6; ++i) {
        TVLConnection* piece = Project->Connections[i];
        EXPECT_EQ(piece->StartPoint, previous);
        EXPECT_EQ(piece->SpeedLimit, 70);
        EXPECT_EQ(piece->TrackKind, 1);
        EXPECT_TRUE(r->ContainsTrack(piece->Id));
        EXPECT_NEAR(piece->EndPoint->Position.Y, 0.0, 1e-9); // a straight run stays straight
        previous = piece->EndPoint;
    }
    EXPECT_EQ(previous, b);
    EXPECT_EQ(r->Count(), 4);
    EXPECT_EQ(Project->FindConnection(1), nullptr);
}

TEST_F(CommandsTest, MainWindowKeyTableRunsTheFrameCommands)
{
    CreateForm(FormMain);
    TFrmEditor* frame = FormMain->FrmEditor;
    frame->SetProject(std::make_unique<TVLProject>());
    TVLProject* project = frame->Project;
    auto object = std::make_unique<TVLObject>();
    TVLObject* o = object.get();
    project->AddObject(std::move(object));
    CurrentSituation.SelectedObject = o;
    frame->PressPos = MakeWorldPoint(9, 9);
    emit FormMain->FrameKeyCommand('L');
    EXPECT_EQ(project->FreeObjects.Count(), 2);
    emit FormMain->FrameKeyCommand('D');
    EXPECT_EQ(project->FreeObjects.Count(), 1);
    EXPECT_EQ(CurrentSituation.SelectedObject, nullptr);

    auto point = std::make_unique<TVLPoint>();
    CurrentSituation.SelectedPoint = point.get();
    project->AddPoint(std::move(point));
    CurrentSituation.Cursor = MakeWorldPoint(30, 0);
    frame->tbAddAndConnectClick();
    EXPECT_EQ(project->Connections.Count(), 1);
    // Again at the same cursor: the new point would lie on the selected one.
    frame->tbAddAndConnectClick();
    EXPECT_EQ(project->Points.Count(), 2);
    EXPECT_EQ(project->Connections.Count(), 1);
    CurrentSituation.SelectedConnection = project->Connections[0];
    emit FormMain->FrameKeyCommand('C');
    EXPECT_NE(frame->CopiedTrack, nullptr);
}

TEST_F(CommandsTest, WindowsOpenedFromTheFrame)
{
    CreateForm(FormObjects);
    CreateForm(FormRouteDefinitions);
    CreateForm(FormTrain);
    QTest::mouseClick(Frame->tbObjects, Qt::LeftButton);
    EXPECT_EQ(FormObjects->Project, Project);
    EXPECT_TRUE(FormObjects->isVisible());
    Frame->ToolButton1Click();
    EXPECT_EQ(FormRouteDefinitions->Project, Project);
    EXPECT_TRUE(FormRouteDefinitions->isVisible());
    Frame->ToolButton1Click();
    EXPECT_FALSE(FormRouteDefinitions->isVisible());
    QTest::mouseClick(Frame->tbTrains, Qt::LeftButton);
    EXPECT_TRUE(FormTrain->isVisible());
    TVLProject* stations = nullptr;
    TFrmEditor::ShowStations = [&](TVLProject* p) { stations = p; };
    QTest::mouseClick(Frame->bStations, Qt::LeftButton);
    EXPECT_EQ(stations, Project);
    FormObjects->hide();
    FormTrain->hide();
}

TEST_F(CommandsTest, EveryCommandWithoutAProjectDoesNothing)
{
    TFrmEditor::ObjectBrowserSelection = [](std::string& folder, std::string& file) {
        folder = "a";
        file = "b";
        return true;
    };
    int dialogs = 0;
    TFrmEditor::ShowTrackProperties = [&](TVLConnection*, TVLProject*) { return ++dialogs > 0; };
    TFrmEditor::ShowFreeObjectProperties = [&](TVLObject*) { return ++dialogs > 0; };
    TFrmEditor::ShowStations = [&](TVLProject*) { ++dialogs; };
    Frame->CloseProject();
    for (void (TFrmEditor::*command)() :
         {&TFrmEditor::tbNewPointClick, &TFrmEditor::addpoint1Click, &TFrmEditor::connectpoints1Click,
          &TFrmEditor::addnewpointandconnect1Click, &TFrmEditor::tbAddAndConnectClick,
          &TFrmEditor::tbImproveConnectionClick, &TFrmEditor::tbDelPointClick, &TFrmEditor::deleteconnection1Click,
          &TFrmEditor::properties1Click, &TFrmEditor::straight1Click, &TFrmEditor::curve1Click,
          &TFrmEditor::fixed1Click, &TFrmEditor::turntrack1Click, &TFrmEditor::make25mlong1Click,
          &TFrmEditor::addselectedobject1Click, &TFrmEditor::cloneobject1Click, &TFrmEditor::deleteobject1Click,
          &TFrmEditor::objectproperties1Click, &TFrmEditor::PopupMenuaddtocurrentrouteClick,
          &TFrmEditor::addtocurrentrouteuntilswitch1Click, &TFrmEditor::PopupMenudeletefromcurrentrouteClick,
          &TFrmEditor::ToolButton1Click, &TFrmEditor::tbObjectsClick, &TFrmEditor::bStationsClick,
          &TFrmEditor::tbImproveClick, &TFrmEditor::copyproperties1Click, &TFrmEditor::pasteproperties1Click,
          &TFrmEditor::pastepropertiestocurrentroute1Click, &TFrmEditor::pastepropertiesuntilswitch1Click})
        (Frame.get()->*command)();
    Frame->cbTrackTypeChange(2);
    Frame->SubdivideTrack(2, 10);
    EXPECT_EQ(Frame->Project, nullptr);
    EXPECT_EQ(dialogs, 0);
    EXPECT_TRUE(Requests.empty());
}

TEST_F(CommandsTest, PropertiesGoToTheDialogWindowsWhenTheyTakeTheItem)
{
    CreateForm(FormTrackProperties);
    CreateForm(FormFreeObjProperties);
    TVLConnection* t = AddTrack(0, 0, 10, 0);
    TVLObject* o = AddObject(5, 5);
    CurrentSituation.SelectedConnection = t;
    CurrentSituation.SelectedObject = o;
    Frame->properties1Click();
    Frame->objectproperties1Click();

    // A stand-in window without the item's field shows nothing.
    auto trackWindow = [&](auto* form) {
        if constexpr (requires { form->Connection; }) {
            EXPECT_EQ(form->Connection, t);
            EXPECT_EQ(form->Project, Project);
            return 1;
        } else {
            return 0;
        }
    };
    auto objectWindow = [&](auto* form) {
        if constexpr (requires { form->FreeObject; }) {
            EXPECT_EQ(form->FreeObject, o);
            return 1;
        } else {
            return 0;
        }
    };
    const int expected = trackWindow(FormTrackProperties) + objectWindow(FormFreeObjProperties);
    int modal = 0;
    for (const TDialogRequest& r : Requests)
        modal += r.Kind == TDialogKind::ModalWindow;
    EXPECT_EQ(modal, expected);
}

TEST_F(CommandsTest, ADeletedTrackLeavesItsStationsAndAStationLeftEmptyIsNamed)
{
    TVLConnection* a = AddTrack(0, 0, 10, 0);
    TVLConnection* b = Connect(a->EndPoint, AddPoint(20, 0));
    for (const char* name : {"Hill", "Dale"})
        Project->Stations.Add(std::make_unique<TVLStation>(name));
    Project->Stations[0]->Lines = {"1=" + std::to_string(a->Id), "2=" + std::to_string(b->Id)};
    Project->Stations[1]->Lines = {"1=" + std::to_string(a->Id)};
    QSignalSpy status(Frame.get(), &TFrmEditor::StatusText);
    CurrentSituation.SelectedConnection = a;
    Frame->deleteconnection1->trigger();
    EXPECT_EQ(Project->Stations[0]->Lines, TStrings{"2=" + std::to_string(b->Id)});
    ASSERT_EQ(status.count(), 1);
    EXPECT_TRUE(status[0][0].toString().endsWith(" Dale"));
    CurrentSituation.SelectedPoint = b->EndPoint; // a deleted point's tracks go as well
    Frame->tbDelPointClick();
    EXPECT_TRUE(Project->Stations[0]->Lines.empty());
    EXPECT_TRUE(status.count() == 2 && status[1][0].toString().endsWith(" Hill"));
}
