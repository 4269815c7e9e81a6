// The plan under the mouse: point and object drags, hover, track picking,
// view drag, the Ctrl paths, the snapping aids and the bottom panel's view
// controls, driven by mouse and key events on the frame.

#include "editingtesthelpers.h"

#include "model/vlstation.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

namespace {

using MouseTest = EditingTest;

void ExpectAt(const TVLPoint* p, double x, double y)
{
    ASSERT_NE(p, nullptr);
    EXPECT_NEAR(p->Position.X, x, 1e-9);
    EXPECT_NEAR(p->Position.Y, y, 1e-9);
}

} // namespace

TEST_F(MouseTest, DragOfFortyPixelsAtScaleOneMovesThePointFortyMetres)
{
    TVLPoint* p = AddPoint(10, 20);
    Drag(Pixel(10, 20), Pixel(10, 20) + QPoint(40, -30));
    ExpectAt(p, 50, 50);
    EXPECT_EQ(CurrentSituation.SelectedPoint, p);
    EXPECT_EQ(Frame->DragPoint, nullptr);
    EXPECT_NEAR(CurrentSituation.Cursor.X, 50, 1e-9);
}

TEST_F(MouseTest, DroppedPointLandsUnderTheMouseWhateverTheGrabOffset)
{
    SetZoom(2);
    TVLPoint* p = AddPoint(0, 0);
    // Grabbed 4 pixels off its centre, dropped 20 pixels to the right.
    Drag(Pixel(0, 0) + QPoint(4, 0), Pixel(0, 0) + QPoint(24, 0));
    ExpectAt(p, 12, 0);
}

TEST_F(MouseTest, FewerThanThreeMovesOnlySelectTheThirdMakesTheDrag)
{
    TVLPoint* p = AddPoint(0, 0);
    const QPoint at = Pixel(0, 0);
    Press(at);
    Move(at + QPoint(1, 0), {}, Qt::LeftButton);
    Move(at + QPoint(5, 0), {}, Qt::LeftButton);
    Release(at + QPoint(5, 0));
    ExpectAt(p, 0, 0);
    EXPECT_EQ(CurrentSituation.SelectedPoint, p);

    Press(at);
    Move(at + QPoint(1, 0), {}, Qt::LeftButton);
    Move(at + QPoint(2, 0), {}, Qt::LeftButton);
    Move(at + QPoint(6, 0), {}, Qt::LeftButton);
    Release(at + QPoint(6, 0));
    ExpectAt(p, 6, 0);
}

TEST_F(MouseTest, DroppedObjectKeepsItsGrabOffset)
{
    TVLObject* o = AddObject(10, 10);
    Move(Pixel(11, 10));
    ASSERT_EQ(CurrentSituation.HoveredObject, o);
    Drag(Pixel(11, 10), Pixel(31, 5));
    EXPECT_NEAR(o->X, 30, 1e-9);
    EXPECT_NEAR(o->Y, 5, 1e-9);
    EXPECT_EQ(CurrentSituation.SelectedObject, o);
    EXPECT_EQ(CurrentSituation.HoveredObject, nullptr);
}

TEST_F(MouseTest, ObjectHoverFollowsTheFootprintAndSkipsEmptyFootprints)
{
    TVLObject* empty = AddObject(0, 0, 0.0);
    Move(Pixel(0, 0));
    EXPECT_EQ(CurrentSituation.HoveredObject, nullptr);

    TVLObject* box = AddObject(0, 0, 2.0);
    Move(Pixel(1, 1));
    EXPECT_EQ(CurrentSituation.HoveredObject, box);
    Move(Pixel(6, 0));
    EXPECT_EQ(CurrentSituation.HoveredObject, nullptr);
    // Just below the footprint, though within its diagonal's length.
    Move(Pixel(0, -3));
    EXPECT_EQ(CurrentSituation.HoveredObject, nullptr);
    // A turned footprint is hit along its own axes.
    box->Rotation = 45;
    Move(Pixel(0, 2.5));
    EXPECT_EQ(CurrentSituation.HoveredObject, box);
    (void)empty;
}

TEST_F(MouseTest, OverlappingPointsPressTakesTheFirstHoverShowsTheLast)
{
    TVLPoint* first = AddPoint(0, 0);
    TVLPoint* last = AddPoint(1, 0);
    Move(Pixel(0, 0));
    EXPECT_EQ(CurrentSituation.HoveredPoint, last);
    Press(Pixel(0, 0));
    EXPECT_EQ(Frame->DragPoint, first);
    Release(Pixel(0, 0));
    EXPECT_EQ(CurrentSituation.SelectedPoint, first);
}

TEST_F(MouseTest, ClickOnATrackPicksTheNearestAndSelectsItsStart)
{
    TVLConnection* far = AddTrack(0, 6, 100, 6);
    TVLConnection* near = AddTrack(100, 2, 0, 2);
    Click(Pixel(50, 0));
    EXPECT_EQ(CurrentSituation.SelectedConnection, near);
    EXPECT_EQ(CurrentSituation.SelectedPoint, near->StartPoint);
    Click(Pixel(50, 5));
    EXPECT_EQ(CurrentSituation.SelectedConnection, far);
}

TEST_F(MouseTest, PlainClickOnEmptyPlanClearsButNotAfterAViewDrag)
{
    TVLConnection* track = AddTrack(0, 0, 50, 0);
    TVLObject* object = AddObject(300, 300);
    CurrentSituation.SelectedConnection = track;
    CurrentSituation.SelectedPoint = track->StartPoint;
    CurrentSituation.SelectedObject = object;

    const QPoint empty = Pixel(0, -200);
    Press(empty, Qt::ShiftModifier);
    EXPECT_TRUE(Frame->ViewDragging);
    Move(empty + QPoint(-30, 20), Qt::ShiftModifier, Qt::LeftButton);
    // The plan follows the mouse: the view centre moves the other way.
    EXPECT_NEAR(CurrentSituation.ViewCentre.X, 30, 1e-9);
    EXPECT_NEAR(CurrentSituation.ViewCentre.Y, 20, 1e-9);
    Release(empty + QPoint(-30, 20));
    EXPECT_FALSE(Frame->ViewDragging);
    EXPECT_EQ(CurrentSituation.SelectedConnection, track);
    EXPECT_EQ(CurrentSituation.SelectedObject, object);

    Click(Pixel(0, -200));
    EXPECT_EQ(CurrentSituation.SelectedConnection, nullptr);
    EXPECT_EQ(CurrentSituation.SelectedPoint, nullptr);
    EXPECT_EQ(CurrentSituation.SelectedObject, nullptr);
}

TEST_F(MouseTest, CtrlClickAddsAPointCtrlShiftClickConnectsItAt25Metres)
{
    FormOptions->MinLength = true;
    Click(Pixel(0, 0), Qt::ControlModifier);
    ASSERT_EQ(Project->Points.Count(), 1);
    TVLPoint* a = Project->Points[0];
    ExpectAt(a, 0, 0);
    EXPECT_EQ(CurrentSituation.SelectedPoint, a);

    Click(Pixel(6, 8), Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(Project->Points.Count(), 2);
    ASSERT_EQ(Project->Connections.Count(), 1);
    TVLConnection* c = Project->Connections[0];
    EXPECT_EQ(c->StartPoint, a);
    EXPECT_EQ(c->EndPoint, Project->Points[1]);
    EXPECT_NEAR(c->Length(), 25.0, 1e-9);
    ExpectAt(c->EndPoint, 15, 20); // along its own direction
    EXPECT_EQ(CurrentSituation.SelectedConnection, c);
    EXPECT_EQ(CurrentSituation.SelectedPoint, c->EndPoint);
}

TEST_F(MouseTest, CtrlShiftClickWithoutTheOptionKeepsTheShortTrack)
{
    AddPoint(0, 0);
    CurrentSituation.SelectedPoint = Project->Points[0];
    Click(Pixel(6, 8), Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(Project->Connections.Count(), 1);
    EXPECT_NEAR(Project->Connections[0]->Length(), 10.0, 1e-9);
}

TEST_F(MouseTest, CtrlShiftClickWithoutASelectedPointAddsNothing)
{
    Click(Pixel(6, 8), Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Project->Points.Count(), 0);
    EXPECT_EQ(Project->Connections.Count(), 0);
}

TEST_F(MouseTest, DroppedPointSnapsBesideATrackAt4And15Metres)
{
    SetZoom(10);
    FormOptions->Fit4m = true;
    Connect(AddPoint(0, 0), AddPoint(100, 0));
    TVLPoint* s = AddPoint(50, 50);

    // 4.2 m from the track's start, below it: 4 m square to the track, below.
    Drag(Pixel(50, 50), Pixel(1, -4.1));
    ExpectAt(s, 0, -4);
    // 15.5 m from the end, above: 15 m above it.
    Drag(Pixel(0, -4), Pixel(100, 15.5));
    ExpectAt(s, 100, 15);
    // 6 m off: stays where dropped.
    Drag(Pixel(100, 15), Pixel(0, 6));
    ExpectAt(s, 0, 6);
}

TEST_F(MouseTest, SnappingNeverDropsAPointOntoAnotherOrWithoutTrack)
{
    SetZoom(10);
    FormOptions->Fit4m = true;
    // A lone point gives no direction: the dropped point stays.
    AddPoint(-50, -50);
    TVLPoint* s = AddPoint(50, 50);
    Drag(Pixel(50, 50), Pixel(-50, -45.8));
    ExpectAt(s, -50, -45.8);

    // Dropped on the line of the track itself: no side, it stays.
    Connect(AddPoint(0, 0), AddPoint(100, 0));
    Drag(Pixel(-50, -45.8), Pixel(-4.2, 0));
    ExpectAt(s, -4.2, 0);

    // Its own track to the near point gives no direction either, so no
    // zero-length track appears.
    TVLPoint* q = AddPoint(200, 0);
    TVLConnection* own = Connect(q, s);
    Drag(Pixel(-4.2, 0), Pixel(204.2, 0));
    ExpectAt(s, 204.2, 0);
    EXPECT_GT(own->Length(), 4.0);
}

TEST_F(MouseTest, FifteenMetreSnapLetsALaterPointSnapAgain)
{
    Connect(AddPoint(0, 0), AddPoint(100, 0));
    Connect(AddPoint(0, 18.5), AddPoint(100, 18.5));
    TVLPoint* s = AddPoint(0, 15.5);
    CurrentSituation.SelectedPoint = s;
    // 15.5 m from the first track's start: to (0, 15); from there 3.5 m below
    // the second track's start: 4 m below it.
    Frame->SnapToParallelTrack();
    ExpectAt(s, 0, 14.5);
}

TEST_F(MouseTest, DroppingTheEndOfAShortCurrentTrackMakesIt25Metres)
{
    SetZoom(2);
    FormOptions->MinLength = true;
    TVLConnection* c = AddTrack(0, 0, 10, 0);
    CurrentSituation.SelectedConnection = c;
    Drag(Pixel(10, 0), Pixel(0, 6));
    ExpectAt(c->EndPoint, 0, 25);
    // A point that is no end of the current track keeps its place.
    TVLPoint* other = AddPoint(40, 40);
    Drag(Pixel(40, 40), Pixel(40, 30));
    ExpectAt(other, 40, 30);
    // Nor does the track's start point move.
    Drag(Pixel(0, 0), Pixel(0, 12));
    ExpectAt(c->StartPoint, 0, 12);
    ExpectAt(c->EndPoint, 0, 25);
    c->StartPoint->Position = MakeWorldPoint(0, 0);
    // Tracks of 25 m or more and of no length are left alone.
    c->EndPoint->Position = MakeWorldPoint(30, 0);
    CurrentSituation.SelectedPoint = c->EndPoint;
    Frame->EnforceMinimumLength();
    ExpectAt(c->EndPoint, 30, 0);
    c->EndPoint->Position = MakeWorldPoint(0, 0);
    Frame->EnforceMinimumLength();
    ExpectAt(c->EndPoint, 0, 0);
}

TEST_F(MouseTest, DoubleClickOpensTheObjectOrTrackProperties)
{
    TVLObject* object = AddObject(20, 20);
    TVLConnection* track = AddTrack(-50, -50, 50, -50);
    std::vector<TVLObject*> objects;
    std::vector<TVLConnection*> tracks;
    TFrmEditor::ShowFreeObjectProperties = [&](TVLObject* o) {
        objects.push_back(o);
        return true;
    };
    TFrmEditor::ShowTrackProperties = [&](TVLConnection* c, TVLProject* p) {
        EXPECT_EQ(p, Project);
        tracks.push_back(c);
        return false;
    };

    Move(Pixel(20, 20));
    Click(Pixel(20, 20));
    DoubleClick(Pixel(20, 20));
    Release(Pixel(20, 20));
    EXPECT_EQ(objects, std::vector<TVLObject*>{object});
    EXPECT_TRUE(tracks.empty());
    EXPECT_EQ(CurrentSituation.SelectedObject, object);

    Move(Pixel(0, -50));
    Click(Pixel(0, -50));
    DoubleClick(Pixel(0, -50));
    Release(Pixel(0, -50));
    EXPECT_EQ(tracks, std::vector<TVLConnection*>{track});
    EXPECT_EQ(objects.size(), 1u);
}

TEST_F(MouseTest, RightReleaseOpensThePopupAfterTheReleaseHandler)
{
    Press(Pixel(5, 5), {}, Qt::RightButton);
    EXPECT_FALSE(Frame->PopupMenu1->isVisible());
    Release(Pixel(5, 5), {}, Qt::RightButton);
    EXPECT_TRUE(Frame->PopupMenu1->isVisible());
    EXPECT_NEAR(CurrentSituation.Cursor.X, 5, 1e-9);
    // The popup's commands work at the press position.
    Frame->addpoint1->trigger();
    Frame->PopupMenu1->hide();
    ASSERT_EQ(Project->Points.Count(), 1);
    ExpectAt(Project->Points[0], 5, 5);
}

TEST_F(MouseTest, CursorEditsMoveTheCursorAndCentreTheViewOrSayWhy)
{
    Frame->EdXOffset->setText("12.5");
    Frame->EdYOffset->setText("-7");
    QTest::keyClick(Frame->EdXOffset, Qt::Key_Return);
    EXPECT_EQ(CurrentSituation.ViewCentre, MakeWorldPoint(12.5, -7));
    // The fields show what was typed: it is the cursor's position now.
    EXPECT_EQ(CurrentSituation.Cursor, CurrentSituation.ViewCentre);
    EXPECT_EQ(Frame->EdXOffset->text() + " " + Frame->EdYOffset->text(), "12.50 -7.00");
    QTest::keyClick(Frame->EdYOffset, Qt::Key_A); // ordinary typing
    EXPECT_TRUE(Requests.empty());

    // What is no number of the common form is refused, naming the field
    // and the form, and nothing moves.
    const QLocale before;
    QLocale::setDefault(QLocale("de_DE"));
    for (const char* typed : {"abc", "1.234,5", "3,25", ""}) {
        Requests.clear();
        Frame->EdYOffset->setText(typed);
        QTest::keyClick(Frame->EdYOffset, Qt::Key_Enter);
        ASSERT_EQ(Requests.size(), 1u) << typed;
        EXPECT_EQ(Requests[0].Text, GetMessageText("udialog_bad_value") + "cursor pos (m) Y: \"" + typed + "\"\r\n" +
                                        "Allowed values: from -10000000 to 10000000.\r\n" +
                                        GetMessageText("udialog_decimal_form"));
        EXPECT_EQ(CurrentSituation.ViewCentre, MakeWorldPoint(12.5, -7)) << typed;
    }
    // The fields read back past 1000 m whatever the locale's separators.
    for (const char* name : {"en_US", "de_DE"}) {
        QLocale::setDefault(QLocale(name));
        CurrentSituation.Cursor = MakeWorldPoint(1234.5, -23456.25);
        Frame->RefreshView();
        QTest::keyClick(Frame->EdXOffset, Qt::Key_Return);
        EXPECT_EQ(CurrentSituation.ViewCentre, MakeWorldPoint(1234.5, -23456.25)) << name;
    }
    QLocale::setDefault(before);
}

TEST_F(MouseTest, ZoomBarSetsTheScale)
{
    Frame->tbZoom->setValue(7);
    EXPECT_DOUBLE_EQ(CurrentSituation.Scale, 7);
    // A drop at scale 7 converts through it.
    TVLPoint* p = AddPoint(0, 0);
    Drag(Pixel(0, 0), Pixel(0, 0) + QPoint(14, 0));
    ExpectAt(p, 2, 0);
}

TEST_F(MouseTest, StationJumpCentresOnTheFirstPlatformsTrack)
{
    TVLConnection* track = AddTrack(100.4, 20.5, 200, 20);
    auto station = std::make_unique<TVLStation>("Hill");
    station->Lines = {"1=" + std::to_string(track->Id)};
    Project->Stations.Add(std::move(station));
    Project->Stations.Add(std::make_unique<TVLStation>("Empty"));
    auto gone = std::make_unique<TVLStation>("Gone");
    gone->Lines = {"1=999"};
    Project->Stations.Add(std::move(gone));
    Frame->RefreshEditor();
    ASSERT_EQ(Frame->cbGotoStation->count(), 3);

    Frame->cbGotoStationChange(0);
    EXPECT_EQ(CurrentSituation.SelectedConnection, track);
    EXPECT_NEAR(CurrentSituation.ViewCentre.X, 100.4, 1e-9);
    EXPECT_NEAR(CurrentSituation.Cursor.X, 100, 1e-9);
    EXPECT_NEAR(CurrentSituation.Cursor.Y, 20, 1e-9); // 20.5 rounds to the even 20

    CurrentSituation.ViewCentre = MakeWorldPoint(0, 0);
    Frame->cbGotoStationChange(1);
    Frame->cbGotoStationChange(2);
    Frame->cbGotoStationChange(7);
    EXPECT_NEAR(CurrentSituation.ViewCentre.X, 0, 1e-9);
}

TEST_F(MouseTest, ArrowLabelsNudgeThePointElseTheObject)
{
    Frame->ArrowStep = 0.5;
    TVLPoint* p = AddPoint(0, 0);
    TVLObject* o = AddObject(10, 10);
    QTest::mouseClick(Frame->lRight, Qt::LeftButton);
    EXPECT_NEAR(o->X, 10, 1e-9); // nothing selected: nothing moves
    ExpectAt(p, 0, 0);

    CurrentSituation.SelectedObject = o;
    QTest::mouseClick(Frame->lRight, Qt::LeftButton);
    QTest::mouseClick(Frame->lDown, Qt::LeftButton);
    EXPECT_NEAR(o->X, 10.5, 1e-9);
    EXPECT_NEAR(o->Y, 9.5, 1e-9);

    CurrentSituation.SelectedPoint = p;
    QTest::mouseClick(Frame->lLeft, Qt::LeftButton);
    QTest::mouseClick(Frame->lUp, Qt::LeftButton);
    ExpectAt(p, -0.5, 0.5);
    EXPECT_NEAR(o->X, 10.5, 1e-9);
}

TEST_F(MouseTest, SelectionAreaCornersTakeTheCursor)
{
    CurrentSituation.Cursor = MakeWorldPoint(3, 4);
    Frame->SelectionAreaPoint11->trigger();
    CurrentSituation.Cursor = MakeWorldPoint(30, 40);
    QTest::mouseClick(Frame->tbSel2, Qt::LeftButton);
    EXPECT_EQ(CurrentSituation.SelectionStart, MakeWorldPoint(3, 4));
    EXPECT_EQ(CurrentSituation.SelectionEnd, MakeWorldPoint(30, 40));
}

TEST_F(MouseTest, MouseWithoutAProjectDoesNothing)
{
    Frame->CloseProject();
    Move(QPoint(10, 10));
    Click(QPoint(10, 10));
    Click(QPoint(10, 10), Qt::ControlModifier);
    Click(QPoint(10, 10), Qt::ControlModifier | Qt::ShiftModifier);
    DoubleClick(QPoint(10, 10));
    QTest::mouseClick(Frame->lLeft, Qt::LeftButton);
    Frame->cbGotoStationChange(0);
    Frame->SnapToParallelTrack();
    Frame->EnforceMinimumLength();
    EXPECT_EQ(Frame->Project, nullptr);
}

TEST_F(MouseTest, PressOnAPointOverAnObjectDropsOnlyThePoint)
{
    TVLObject* o = AddObject(0, 0, 3.0);
    TVLPoint* p = AddPoint(0, 0);
    Move(Pixel(0, 0));
    ASSERT_EQ(CurrentSituation.HoveredObject, o);
    Drag(Pixel(0, 0), Pixel(20, 0));
    ExpectAt(p, 20, 0);
    EXPECT_NEAR(o->X, 0, 1e-9);
    EXPECT_EQ(Frame->DragObject, nullptr);
    // Hovering objects works again after the drop.
    Move(Pixel(40, 40));
    Move(Pixel(1, 1));
    EXPECT_EQ(CurrentSituation.HoveredObject, o);
}

TEST_F(MouseTest, RightPressPicksWhatIsUnderTheMouseAndTheLabelStaysTrue)
{
    TVLConnection* first = AddTrack(0, 0, 100, 0);
    AddTrack(0, 40, 100, 40);
    auto rightClick = [this](QPoint at) {
        Press(at, {}, Qt::RightButton);
        Release(at, {}, Qt::RightButton);
        Frame->PopupMenu1->hide();
    };
    Click(Pixel(50, 0));
    rightClick(Pixel(50, 40));
    Frame->deleteconnection1->trigger(); // the track under the mouse goes
    EXPECT_TRUE(Project->Connections.Count() == 1 && Project->Connections[0] == first);
    Click(Pixel(50, 0));
    rightClick(Pixel(50, 200)); // empty plan keeps the selection
    Move(Pixel(100, 0));
    rightClick(Pixel(100, 0));
    EXPECT_TRUE(CurrentSituation.SelectedConnection == first && CurrentSituation.SelectedPoint == first->EndPoint);
    // The label describes the last track as it is now, and no old project's.
    Click(Pixel(50, 300));
    Drag(Pixel(100, 0), Pixel(150, 0));
    EXPECT_TRUE(Frame->lThisTrack->text().contains("len=150 "));
    Frame->SetProject(std::make_unique<TVLProject>());
    EXPECT_EQ(Frame->lThisTrack->text(), "this track");
}

TEST_F(MouseTest, ACurvedTrackIsPickedOnItsDrawnCurveNotOnItsChord)
{
    TVLConnection* curve = AddTrack(0, 0, 100, 0);
    Connect(AddPoint(-40, -100), curve->StartPoint);
    Connect(curve->EndPoint, AddPoint(140, -100));
    curve->TrackKind = 1;
    std::vector<TWorldPoint> cuts;
    const TWorldPoint top = cuts[Project->Connections.Subdivide(curve, 20, cuts) / 2];
    ASSERT_GT(top.Y, 15.0); // far off the chord
    Click(Pixel(top.X, top.Y));
    EXPECT_EQ(CurrentSituation.SelectedConnection, curve);
    Click(Pixel(50, 0));
    EXPECT_EQ(CurrentSituation.SelectedConnection, nullptr);
}
