// The editor frame's plan: colours, rails, switch marks and side features at
// known pixels, the dependent controls of RefreshEditor, the refresh timer
// and loading a project into the frame.

#include "startuptesthelpers.h"

#include "editor/frmeditor.h"
#include "model/vlproject.h"

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSlider>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>

// Readable colours in failure messages.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QColor& c, std::ostream* os)
{
    *os << "rgb(" << c.red() << ", " << c.green() << ", " << c.blue() << ")";
}
QT_END_NAMESPACE

namespace {

constexpr int Size = 200; // the plan is 200 x 200 pixels, origin at (100, 100)

class FrmEditorTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        Frame = std::make_unique<TFrmEditor>();
        Frame->SetProject(std::make_unique<TVLProject>());
        Project = Frame->Project;
        CurrentSituation.ViewCentre = MakeWorldPoint(0, 0);
        CurrentSituation.Scale = 10;
    }
    void TearDown() override
    {
        Frame.reset();
        StartupTest::TearDown();
    }

    TVLPoint* AddPoint(double x, double y)
    {
        return Project->AddPoint(std::make_unique<TVLPoint>(MakeWorldPoint(x, y)));
    }
    TVLConnection* AddTrack(double x1, double y1, double x2, double y2)
    {
        return Project->AddConnection(std::make_unique<TVLConnection>(AddPoint(x1, y1), AddPoint(x2, y2)));
    }

    QImage Paint()
    {
        Frame->PBCursor->resize(Size, Size);
        QImage image(Size, Size, QImage::Format_RGB32);
        image.fill(PlanColours::Background);
        QPainter painter(&image);
        Frame->PBCursorPaint(painter);
        painter.end();
        return image;
    }
    static QColor At(const QImage& image, int x, int y) { return image.pixelColor(x, y); }
    static int Count(const QImage& image, const QColor& colour, QRect area = QRect(0, 0, Size, Size))
    {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (image.pixelColor(x, y) == colour)
                    ++n;
        return n;
    }

    std::unique_ptr<TFrmEditor> Frame;
    TVLProject* Project = nullptr;
};

} // namespace

TEST_F(FrmEditorTest, RailsLieOnEitherSideOfTheTrackAtLargeScale)
{
    AddTrack(-5, 0, 5, 0); // pixels (50, 100) to (150, 100)
    const QImage image = Paint();
    // 0.8 m either side at 10 px/m.
    EXPECT_EQ(At(image, 100, 92), PlanColours::OtherTrack);
    EXPECT_EQ(At(image, 100, 108), PlanColours::OtherTrack);
    EXPECT_EQ(At(image, 100, 100), PlanColours::Background);
    EXPECT_EQ(At(image, 100, 91), PlanColours::Background);
    EXPECT_EQ(At(image, 100, 93), PlanColours::Background);
}

TEST_F(FrmEditorTest, TrackCrossingTheWholeViewIsDrawn)
{
    AddTrack(-500, 2, 500, 2); // 1 km through the view, both ends far outside
    const QImage image = Paint();
    for (int x : {0, 100, 199}) {
        EXPECT_EQ(At(image, x, 72), PlanColours::OtherTrack) << x;
        EXPECT_EQ(At(image, x, 88), PlanColours::OtherTrack) << x;
        EXPECT_EQ(At(image, x, 80), PlanColours::Background) << x;
    }
}

TEST_F(FrmEditorTest, OneLineAtSmallScale)
{
    CurrentSituation.Scale = 2;
    AddTrack(-20, 0, 20, 0); // pixels (60, 100) to (140, 100)
    const QImage image = Paint();
    EXPECT_EQ(At(image, 100, 100), PlanColours::OtherTrack);
    EXPECT_EQ(At(image, 100, 99), PlanColours::Background);
}

TEST_F(FrmEditorTest, TrackColourPrecedence)
{
    CurrentSituation.Scale = 2;
    TVLConnection* station = AddTrack(-40, -30, 40, -30); // y = 160
    TVLConnection* current = AddTrack(-40, -10, 40, -10); // y = 120
    TVLConnection* route = AddTrack(-40, 10, 40, 10);     // y = 80
    AddTrack(-40, 30, 40, 30);                            // y = 40

    auto stationRecord = std::make_unique<TVLStation>("Hill Road");
    stationRecord->Lines.push_back("1=" + std::to_string(station->Id));
    Project->Stations.Add(std::move(stationRecord));
    auto routeDefinition = std::make_unique<TVLRouteDefinition>();
    routeDefinition->Id = 1;
    routeDefinition->AddTrack(route->Id);
    routeDefinition->AddTrack(station->Id);
    routeDefinition->AddTrack(current->Id);
    CurrentSituation.CurrentRouteDefinition = routeDefinition.get();
    Project->RouteDefinitions.Add(std::move(routeDefinition));
    // The station colour wins over the current track's.
    CurrentSituation.SelectedConnection = station;
    QImage image = Paint();
    EXPECT_EQ(At(image, 100, 160), PlanColours::StationTrack);
    EXPECT_EQ(At(image, 100, 120), PlanColours::RouteTrack);

    CurrentSituation.SelectedConnection = current;
    image = Paint();
    EXPECT_EQ(At(image, 100, 160), PlanColours::StationTrack);
    EXPECT_EQ(At(image, 100, 120), PlanColours::CurrentTrack);
    EXPECT_EQ(At(image, 100, 80), PlanColours::RouteTrack);
    EXPECT_EQ(At(image, 100, 40), PlanColours::OtherTrack);
}

TEST_F(FrmEditorTest, FixedAndSwitchTracksAreThreePixelsWide)
{
    CurrentSituation.Scale = 2;
    AddTrack(-40, 0, 40, 0)->TrackKind = 2;
    const QImage image = Paint();
    EXPECT_EQ(At(image, 100, 99), PlanColours::OtherTrack);
    EXPECT_EQ(At(image, 100, 100), PlanColours::OtherTrack);
    EXPECT_EQ(At(image, 100, 101), PlanColours::OtherTrack);
    EXPECT_EQ(At(image, 100, 103), PlanColours::Background);
}

TEST_F(FrmEditorTest, SwitchMarkOnlyBelowScaleFive)
{
    // Kind 3 branches 4.6 degrees to the left: 25 m = 50 px, ending about
    // 4 pixels above the track at x = 110.
    CurrentSituation.Scale = 2;
    TVLConnection* track = AddTrack(-20, 0, 20, 0);
    track->TrackKind = 3;
    QImage image = Paint();
    EXPECT_GT(Count(image, PlanColours::OtherTrack, QRect(80, 94, 32, 4)), 0);

    // Kind 4 branches to the right.
    track->TrackKind = 4;
    image = Paint();
    EXPECT_EQ(Count(image, PlanColours::OtherTrack, QRect(80, 94, 32, 4)), 0);
    EXPECT_GT(Count(image, PlanColours::OtherTrack, QRect(80, 103, 32, 4)), 0);

    // A fixed track has no mark.
    track->TrackKind = 2;
    image = Paint();
    EXPECT_EQ(Count(image, PlanColours::OtherTrack, QRect(80, 94, 32, 4)), 0);

    // At 5 px/m the rails are drawn and no mark: nothing outside the rails' band.
    CurrentSituation.Scale = 5;
    track->TrackKind = 3;
    image = Paint();
    EXPECT_EQ(At(image, 100, 96), PlanColours::OtherTrack);
    EXPECT_EQ(At(image, 100, 104), PlanColours::OtherTrack);
    EXPECT_EQ(Count(image, PlanColours::OtherTrack, QRect(0, 0, Size, 94)), 0);
}

TEST_F(FrmEditorTest, WallsPolesAndPlatforms)
{
    // Eastwards from (50, 100) to (150, 100): left is up on the screen.
    TVLConnection* track = AddTrack(-5, 0, 5, 0);
    track->WallLeftId = 1;
    QImage image = Paint();
    EXPECT_EQ(At(image, 100, 75), PlanColours::Wall);
    EXPECT_EQ(At(image, 100, 125), PlanColours::Background);

    track->WallLeftId = 0;
    track->WallRightId = 2;
    image = Paint();
    EXPECT_EQ(At(image, 100, 125), PlanColours::Wall);
    EXPECT_EQ(At(image, 100, 75), PlanColours::Background);

    // Poles on the right: round(100 / 50) = 2 ticks, at x = 50 and x = 100, 25 px long.
    track->WallRightId = 0;
    track->Pole = 3;
    image = Paint();
    EXPECT_EQ(At(image, 100, 115), PlanColours::PoleTick);
    EXPECT_EQ(At(image, 125, 115), PlanColours::Background);
    EXPECT_EQ(At(image, 100, 85), PlanColours::Background);
    track->Pole = -3;
    image = Paint();
    EXPECT_EQ(At(image, 100, 85), PlanColours::PoleTick);

    // A platform on the left, 1.8 m to 7.5 m from the track.
    track->Pole = 0;
    track->PlatformSide = 2;
    image = Paint();
    EXPECT_EQ(At(image, 100, 50), PlanColours::Platform);
    EXPECT_EQ(At(image, 100, 150), PlanColours::Background);
    EXPECT_EQ(At(image, 100, 20), PlanColours::Background);
    track->PlatformSide = 1;
    track->RoofId = 4;
    image = Paint();
    EXPECT_EQ(At(image, 100, 150), PlanColours::RoofedPlatform);
    EXPECT_EQ(At(image, 100, 50), PlanColours::Background);
}

TEST_F(FrmEditorTest, TrackOfZeroPixelsDrawsNothingAtLargeScale)
{
    TVLConnection* track = AddTrack(20, 20, 20.04, 20);
    track->WallLeftId = 1;
    track->WallRightId = 1;
    track->Pole = 1;
    track->PlatformSide = 1;
    const QImage image = Paint();
    EXPECT_EQ(Count(image, PlanColours::OtherTrack), 0);
    EXPECT_EQ(Count(image, PlanColours::Wall), 0);
    EXPECT_EQ(Count(image, PlanColours::Platform), 0);
    EXPECT_EQ(Count(image, PlanColours::PoleTick), 0);
}

TEST_F(FrmEditorTest, TrackWhollyOutsideIsSkipped)
{
    AddTrack(-100, 50, 100, 50); // 400 pixels above the view
    EXPECT_EQ(Count(Paint(), PlanColours::OtherTrack), 0);
    // One end inside is enough.
    AddTrack(0, 5, 100, 5);
    EXPECT_GT(Count(Paint(), PlanColours::OtherTrack), 0);
}

TEST_F(FrmEditorTest, CurvedTrackFollowsItsNeighbours)
{
    // A right angle: west-east lead-in, the curve, south-north lead-out.
    CurrentSituation.Scale = 2;
    TVLPoint* a = AddPoint(-60, 0);
    TVLPoint* b = AddPoint(-20, 0);
    TVLPoint* c = AddPoint(20, 40);
    TVLPoint* d = AddPoint(20, 80);
    Project->AddConnection(std::make_unique<TVLConnection>(a, b));
    auto curve = std::make_unique<TVLConnection>(b, c);
    curve->TrackKind = 1;
    TVLConnection* curved = curve.get();
    Project->AddConnection(std::move(curve));
    Project->AddConnection(std::make_unique<TVLConnection>(c, d));
    // The chord's middle (0, 20) lies at pixel (100, 60); the curve bulges
    // away from it towards (20, 0).
    QImage image = Paint();
    EXPECT_EQ(Count(image, PlanColours::OtherTrack, QRect(98, 58, 5, 5)), 0);
    curved->TrackKind = 0;
    image = Paint();
    EXPECT_GT(Count(image, PlanColours::OtherTrack, QRect(98, 58, 5, 5)), 0);
}

TEST_F(FrmEditorTest, PointsByState)
{
    TVLPoint* selected = AddPoint(-5, 0);
    TVLPoint* hovered = AddPoint(5, 0);
    AddPoint(0, 5);
    CurrentSituation.SelectedPoint = selected;
    CurrentSituation.HoveredPoint = hovered;
    const QImage image = Paint();
    EXPECT_EQ(At(image, 50, 100), PlanColours::SelectedPoint);
    EXPECT_EQ(At(image, 52, 102), PlanColours::SelectedPoint);
    EXPECT_EQ(At(image, 150, 100), PlanColours::HoveredPoint);
    EXPECT_EQ(At(image, 100, 50), PlanColours::OtherPoint);
    EXPECT_EQ(At(image, 100, 57), PlanColours::Background);
}

TEST_F(FrmEditorTest, CursorAndSelectionArea)
{
    CurrentSituation.Cursor = MakeWorldPoint(2, -3); // pixel (120, 130)
    CurrentSituation.SelectionStart = MakeWorldPoint(-8, 8); // pixel (20, 20)
    CurrentSituation.SelectionEnd = MakeWorldPoint(8, -8);   // pixel (180, 180)
    const QImage image = Paint();
    EXPECT_EQ(At(image, 120, 130), PlanColours::Cursor);
    EXPECT_EQ(At(image, 125, 130), PlanColours::Cursor);
    EXPECT_EQ(At(image, 115, 130), PlanColours::Cursor);
    EXPECT_EQ(At(image, 120, 125), PlanColours::Cursor);
    EXPECT_EQ(At(image, 120, 135), PlanColours::Cursor);
    EXPECT_EQ(At(image, 123, 133), PlanColours::Background);
    // Dotted: some pixels of each edge, none inside.
    EXPECT_GT(Count(image, PlanColours::SelectionArea, QRect(20, 20, 161, 1)), 20);
    EXPECT_GT(Count(image, PlanColours::SelectionArea, QRect(180, 20, 1, 161)), 20);
    EXPECT_EQ(Count(image, PlanColours::SelectionArea, QRect(22, 22, 157, 157)), 0);
}

TEST_F(FrmEditorTest, ObjectOutlineAndItsNameWhenSelected)
{
    auto object = std::make_unique<TVLObject>();
    object->Folder = "misc";
    object->FileName = "kuh1.b3d";
    object->MaxX = 2;
    object->MinX = -2;
    object->MaxZ = 2;
    object->MinZ = -2;
    object->X = 0;
    object->Y = 0;
    TVLObject* o = object.get();
    Project->AddObject(std::move(object));
    // Footprint from pixel (80, 80) to (120, 120): all four sides, nothing
    // across the inside.
    QImage image = Paint();
    EXPECT_EQ(At(image, 100, 80), PlanColours::OtherObject);
    EXPECT_EQ(At(image, 100, 120), PlanColours::OtherObject);
    EXPECT_EQ(At(image, 80, 100), PlanColours::OtherObject);
    EXPECT_EQ(At(image, 120, 100), PlanColours::OtherObject);
    EXPECT_EQ(At(image, 100, 100), PlanColours::Background);
    EXPECT_EQ(At(image, 90, 90), PlanColours::Background);

    CurrentSituation.SelectedObject = o;
    image = Paint();
    EXPECT_EQ(At(image, 100, 120), PlanColours::SelectedObject);
    // The name is written from the corner (MinX, MaxZ) at pixel (80, 80).
    EXPECT_GT(Count(image, PlanColours::SelectedObject, QRect(82, 60, 60, 19) | QRect(82, 81, 60, 18)), 0);

    CurrentSituation.HoveredObject = o;
    image = Paint();
    EXPECT_EQ(At(image, 100, 120), PlanColours::HoveredObject);

    // An object wholly outside the plan is skipped.
    o->X = 500;
    CurrentSituation.SelectedObject = nullptr;
    CurrentSituation.HoveredObject = nullptr;
    image = Paint();
    EXPECT_EQ(Count(image, PlanColours::OtherObject), 0);
}

TEST_F(FrmEditorTest, RefreshWritesTheDependentControls)
{
    TVLConnection* track = AddTrack(0, 0, 3, 4);
    TVLPoint* other = AddPoint(10, 0);
    auto station = std::make_unique<TVLStation>("Hill Road");
    Project->Stations.Add(std::move(station));
    Project->Stations.Add(std::make_unique<TVLStation>("Dale"));
    CurrentSituation.Cursor = MakeWorldPoint(1.5, -2.25);
    CurrentSituation.Scale = 2.5;

    Frame->RefreshEditor();
    EXPECT_EQ(Frame->lZoom->text(), "2 px/m"); // the bar truncated the scale to 2
    EXPECT_EQ(CurrentSituation.Scale, 2);
    EXPECT_EQ(Frame->tbZoom->value(), 2);
    EXPECT_EQ(Frame->lPDist->text(), "P<->P: ");
    EXPECT_EQ(Frame->lThisTrack->text(), "this track");
    EXPECT_FALSE(Frame->cbTrackType->isEnabled());
    EXPECT_FALSE(Frame->tbProperties->isEnabled());
    EXPECT_FALSE(Frame->tbConnectPoints->isEnabled());
    EXPECT_FALSE(Frame->pasteproperties1->isEnabled());
    ASSERT_EQ(Frame->cbGotoStation->count(), 2);
    EXPECT_EQ(Frame->cbGotoStation->itemText(0), "Hill Road");
    EXPECT_EQ(Frame->cbGotoStation->itemText(1), "Dale");
    EXPECT_EQ(Frame->EdXOffset->text(), QLocale().toString(1.5, 'f', 2));
    EXPECT_EQ(Frame->EdYOffset->text(), QLocale().toString(-2.25, 'f', 2));

    track->TrackKind = 4;
    CurrentSituation.SelectedConnection = track;
    CurrentSituation.SelectedPoint = track->StartPoint;
    CurrentSituation.HoveredPoint = other;
    Frame->RefreshEditor();
    EXPECT_EQ(Frame->lPDist->text(), "P<->P: 10.00000 m");
    EXPECT_EQ(Frame->lThisTrack->text(), "this track: id=1 len=5 alpha=53");
    EXPECT_TRUE(Frame->cbTrackType->isEnabled());
    EXPECT_EQ(Frame->cbTrackType->currentIndex(), 4);
    EXPECT_TRUE(Frame->tbProperties->isEnabled());
    EXPECT_TRUE(Frame->turntrack1->isEnabled());
    EXPECT_TRUE(Frame->tbConnectPoints->isEnabled());
    EXPECT_TRUE(Frame->deletepoint1->isEnabled());
    EXPECT_FALSE(Frame->PopupMenuaddtocurrentroute->isEnabled()); // no current route

    // Without a current track the label keeps the last track's text.
    CurrentSituation.SelectedConnection = nullptr;
    CurrentSituation.HoveredPoint = CurrentSituation.SelectedPoint;
    Frame->RefreshEditor();
    EXPECT_EQ(Frame->lThisTrack->text(), "this track: id=1 len=5 alpha=53");
    EXPECT_FALSE(Frame->cbTrackType->isEnabled());
    EXPECT_FALSE(Frame->tbConnectPoints->isEnabled()); // the same point twice
}

TEST_F(FrmEditorTest, TimerRefreshesOnRequestOnly)
{
    CurrentSituation.Scale = 4;
    Frame->RefreshEditor();
    ASSERT_EQ(Frame->lZoom->text(), "4 px/m");
    CurrentSituation.Scale = 7;
    Frame->Timer1Timer();
    EXPECT_EQ(Frame->lZoom->text(), "4 px/m");
    CurrentSituation.RefreshRequested = true;
    Frame->Timer1Timer();
    EXPECT_FALSE(CurrentSituation.RefreshRequested);
    EXPECT_EQ(Frame->lZoom->text(), "7 px/m");
    EXPECT_EQ(Frame->Timer1->interval(), 250);
    EXPECT_TRUE(Frame->Timer1->isActive());
}

TEST_F(FrmEditorTest, LoadProjectResetsZoomAndClipboard)
{
    AddTrack(0, 0, 10, 0);
    Project->BackgroundMapFileName = Program + "nomap.jpg";
    ASSERT_TRUE(Project->SaveToFile(Program + "line.vlp"));
    Frame->SetProject(std::make_unique<TVLProject>());
    Frame->CopiedTrack = std::make_unique<TVLConnection>();
    CurrentSituation.Scale = 8;

    EXPECT_TRUE(Frame->LoadProject(Program + "line.vlp"));
    EXPECT_EQ(Frame->Project->Connections.Count(), 1);
    EXPECT_EQ(Frame->Project->FileName, Program + "line.vlp");
    EXPECT_EQ(CurrentSituation.Scale, 1);
    EXPECT_EQ(Frame->tbZoom->value(), 1);
    EXPECT_EQ(Frame->tbMapZoom->value(), 4);
    EXPECT_EQ(Frame->MapJpegScale, 3);
    EXPECT_EQ(Frame->CopiedTrack, nullptr);
    EXPECT_TRUE(Frame->PanMap->isHidden()); // the picture does not exist
    EXPECT_EQ(Frame->lZoom->text(), "1 px/m");

    EXPECT_FALSE(Frame->LoadProject(Program + "missing.vlp"));
}

TEST_F(FrmEditorTest, ClosingTheProjectClearsEveryReferenceIntoIt)
{
    TVLConnection* track = AddTrack(0, 0, 10, 0);
    auto routeDefinition = std::make_unique<TVLRouteDefinition>();
    CurrentSituation.CurrentRouteDefinition = routeDefinition.get();
    Project->RouteDefinitions.Add(std::move(routeDefinition));
    CurrentSituation.SelectedConnection = track;
    CurrentSituation.SelectedPoint = track->StartPoint;
    CurrentSituation.HoveredPoint = track->EndPoint;
    CurrentSituation.Cursor = MakeWorldPoint(3, 4);
    TVLProject* closing = nullptr;
    QObject::connect(Frame.get(), &TFrmEditor::ProjectClosing, [&](TVLProject* p) { closing = p; });

    TVLProject* old = Frame->Project;
    Frame->CloseProject();
    EXPECT_EQ(closing, old);
    EXPECT_EQ(Frame->Project, nullptr);
    EXPECT_EQ(CurrentSituation.SelectedConnection, nullptr);
    EXPECT_EQ(CurrentSituation.SelectedPoint, nullptr);
    EXPECT_EQ(CurrentSituation.HoveredPoint, nullptr);
    EXPECT_EQ(CurrentSituation.CurrentRouteDefinition, nullptr);
    EXPECT_EQ(CurrentSituation.Cursor, MakeWorldPoint(3, 4));
    // Painting and refreshing without a project are harmless.
    Paint();
    Frame->RefreshEditor();
}

TEST_F(FrmEditorTest, ProgressText)
{
    Frame->ShowProgress(0, 200, 50);
    EXPECT_EQ(Frame->ProgressBar1->value(), 50);
    EXPECT_EQ(Frame->lCurrentProgress->text(), "25%");
    Frame->ShowProgress(5, 5, 5);
    EXPECT_EQ(Frame->lCurrentProgress->text(), "25%");
}
