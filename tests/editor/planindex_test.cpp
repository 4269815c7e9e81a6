// The plan index: a paint that visits only what the index finds in view is
// the same picture, pixel for pixel, as one that visits every item, on random
// plans and views and after every kind of change to the project; and the
// grid and the id sets it is made of answer as a plain scan would.

#include "startuptesthelpers.h"

#include "editor/frmeditor.h"
#include "editor/frmeditor_planindex.h"
#include "model/vlproject.h"

#include <QImage>
#include <QPainter>

#include <cmath>
#include <limits>
#include <random>

namespace {

constexpr int Width = 400;
constexpr int Height = 300;

class PlanIndexTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        Frame = std::make_unique<TFrmEditor>();
        Frame->SetProject(std::make_unique<TVLProject>());
        Project = Frame->Project;
        Frame->PBCursor->resize(Width, Height);
    }
    void TearDown() override
    {
        Frame.reset();
        StartupTest::TearDown();
    }

    double Uniform(double from, double to) { return std::uniform_real_distribution<double>(from, to)(Random); }
    int Pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(Random); }

    TVLPoint* AddPoint(double x, double y)
    {
        return Project->AddPoint(std::make_unique<TVLPoint>(MakeWorldPoint(x, y)));
    }
    TVLConnection* Connect(TVLPoint* a, TVLPoint* b)
    {
        return Project->AddConnection(std::make_unique<TVLConnection>(a, b));
    }

    // Chains of short tracks (some curved, some switches, some with walls,
    // poles and platforms), a few long tracks across the plan, stations, a
    // route and turned objects, spread over 1.2 km by 0.9 km.
    void RandomPlan()
    {
        for (int chain = 0; chain < 12; ++chain) {
            TVLPoint* previous = AddPoint(Uniform(-600, 600), Uniform(-450, 450));
            double heading = Uniform(0, 6.3);
            for (int k = 0; k < 40; ++k) {
                heading += Uniform(-0.3, 0.3);
                const double length = Uniform(4, 60);
                TVLPoint* next = AddPoint(previous->Position.X + length * std::cos(heading),
                                          previous->Position.Y + length * std::sin(heading));
                TVLConnection* c = Connect(previous, next);
                c->TrackKind = static_cast<std::uint8_t>(Pick(0, 9) < 4 ? 1 : Pick(0, 6));
                c->WallLeftId = Pick(0, 5) == 0;
                c->WallRightId = Pick(0, 5) == 0;
                c->Pole = Pick(-1, 1);
                c->PlatformSide = Pick(0, 4);
                c->RoofId = Pick(0, 1);
                if (Pick(0, 4) == 0 && Project->Points.Count() > 2) // a branch back to an earlier point
                    Connect(next, Project->Points[Pick(0, Project->Points.Count() - 2)])->TrackKind = 1;
                previous = next;
            }
        }
        for (int k = 0; k < 6; ++k)
            Connect(AddPoint(Uniform(-3000, 3000), Uniform(-3000, 3000)),
                    AddPoint(Uniform(-3000, 3000), Uniform(-3000, 3000)))
                ->TrackKind = static_cast<std::uint8_t>(Pick(0, 2));
        Project->AddConnection(std::make_unique<TVLConnection>(Project->Points[0], nullptr));

        for (int k = 0; k < 8; ++k) {
            auto station = std::make_unique<TVLStation>("Station " + std::to_string(k));
            station->Lines = {"1=" + std::to_string(Pick(1, Project->Connections.Count())),
                              "2=" + std::to_string(Pick(1, Project->Connections.Count()))};
            Project->Stations.Add(std::move(station));
        }
        auto route = std::make_unique<TVLRouteDefinition>();
        route->Id = 1;
        for (TVLConnection* c : Project->Connections)
            if (Pick(0, 2) == 0)
                route->AddTrack(c->Id);
        CurrentSituation.CurrentRouteDefinition = route.get();
        Project->RouteDefinitions.Add(std::move(route));

        for (int k = 0; k < 60; ++k) {
            auto object = std::make_unique<TVLObject>("misc", "absent.b3d");
            object->MinX = -Uniform(1, 20);
            object->MaxX = Uniform(1, 20);
            object->MinZ = -Uniform(1, 20);
            object->MaxZ = Uniform(1, 20);
            object->Rotation = Pick(0, 359);
            object->X = Uniform(-600, 600);
            object->Y = Uniform(-450, 450);
            Project->AddObject(std::move(object));
        }
        CurrentSituation.SelectedConnection = Project->Connections[Pick(0, Project->Connections.Count() - 1)];
        CurrentSituation.SelectedPoint = Project->Points[Pick(0, Project->Points.Count() - 1)];
        CurrentSituation.HoveredPoint = Project->Points[Pick(0, Project->Points.Count() - 1)];
        CurrentSituation.HoveredObject = Project->FreeObjects[Pick(0, 29)];
        CurrentSituation.SelectedObject = Project->FreeObjects[Pick(30, 59)];
    }

    QImage Paint(bool everyItem)
    {
        QImage image(Width, Height, QImage::Format_RGB32);
        image.fill(PlanColours::Background);
        QPainter painter(&image);
        Frame->PaintEveryItem = everyItem;
        Frame->PBCursorPaint(painter);
        Frame->PaintEveryItem = false;
        return image;
    }
    static int Drawn(const QImage& image)
    {
        const QRgb background = PlanColours::Background.rgb();
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                n += line[x] != background;
        }
        return n;
    }
    // The indexed paint equals the full one in several views; returns how
    // many pixels were drawn in all of them.
    int ExpectSamePictures(const std::string& what, int views = 2)
    {
        int drawn = 0;
        for (double scale : {1.0, 2.5, 5.0, 10.0}) {
            CurrentSituation.Scale = scale;
            for (int view = 0; view < views; ++view) {
                CurrentSituation.ViewCentre = MakeWorldPoint(Uniform(-500, 500), Uniform(-400, 400));
                const QImage indexed = Paint(false);
                const QImage full = Paint(true);
                EXPECT_TRUE(indexed == full) << what << " at " << scale << " px/m, centre "
                                             << CurrentSituation.ViewCentre.X << ", "
                                             << CurrentSituation.ViewCentre.Y;
                drawn += Drawn(full);
            }
        }
        return drawn;
    }

    std::mt19937 Random{20261209};
    std::unique_ptr<TFrmEditor> Frame;
    TVLProject* Project = nullptr;
};

} // namespace

TEST_F(PlanIndexTest, IndexedPaintEqualsFullPaintOnRandomPlans)
{
    for (int plan = 0; plan < 3; ++plan) {
        Frame->SetProject(std::make_unique<TVLProject>());
        Project = Frame->Project;
        RandomPlan();
        EXPECT_GT(ExpectSamePictures("plan " + std::to_string(plan), 5), 20000);
    }
}

TEST_F(PlanIndexTest, CrowdedPointsAreDrawnAsOneByOne)
{
    // Rows of short tracks, so that many points are in view at once and are
    // laid on the canvas together; the selected and the hovered point among
    // them keep their places in the order.
    for (int row = 0; row < 40; ++row) {
        TVLPoint* previous = AddPoint(-260, row * 7.5 - 150);
        for (int k = 1; k <= 90; ++k) {
            TVLPoint* next = AddPoint(-260 + k * 5.7 + (row % 3), row * 7.5 - 150 + (k % 2));
            Connect(previous, next);
            previous = next;
        }
    }
    CurrentSituation.SelectedPoint = Project->Points[1000];
    CurrentSituation.HoveredPoint = Project->Points[1001];
    for (double scale : {1.0, 1.5, 2.0}) {
        CurrentSituation.Scale = scale;
        for (const TWorldPoint& centre : {MakeWorldPoint(0, 0), MakeWorldPoint(-240, 130), MakeWorldPoint(250, -160)}) {
            CurrentSituation.ViewCentre = centre;
            const QImage full = Paint(true);
            EXPECT_TRUE(Paint(false) == full) << scale << " px/m at " << centre.X << ", " << centre.Y;
            EXPECT_GT(Drawn(full), 10000);
        }
    }
    // The same through the widget's own painting, inside a window.
    QWidget window;
    Frame->setParent(&window);
    Frame->move(13, 7);
    window.resize(900, 700);
    window.show();
    Frame->PBCursor->resize(Width, Height);
    CurrentSituation.Scale = 1;
    CurrentSituation.ViewCentre = MakeWorldPoint(0, 0);
    const QImage grabbed = Frame->PBCursor->grab().toImage();
    Frame->PaintEveryItem = true;
    EXPECT_TRUE(Frame->PBCursor->grab().toImage() == grabbed);
    Frame->PaintEveryItem = false;
    EXPECT_GT(Drawn(grabbed.convertToFormat(QImage::Format_RGB32)), 10000);
    Frame->setParent(nullptr);
}

TEST_F(PlanIndexTest, EveryKindOfChangeIsPaintedAsItIs)
{
    RandomPlan();
    ExpectSamePictures("new plan");
    // Refreshed edits.
    Project->Points[5]->MoveBy(30, -20);
    Frame->RefreshEditor();
    ExpectSamePictures("point moved");
    Project->DeletePoint(Project->Points[40]);
    Project->DeleteConnection(Project->Connections[3]);
    Frame->RefreshEditor();
    ExpectSamePictures("point and track deleted");
    Connect(Project->Points[7], AddPoint(20, 20))->TrackKind = 1;
    Frame->RefreshEditor();
    ExpectSamePictures("track added");
    Project->Connections[10]->TrackKind = Project->Connections[10]->IsCurved() ? 0 : 1;
    Project->Connections[11]->AssignProperties(*Project->Connections[12], 0); // a paste
    Frame->RefreshEditor();
    ExpectSamePictures("kinds changed");
    for (TVLPoint* p : Project->Points) // move everything
        p->MoveBy(15, 5);
    for (TVLObject* o : Project->FreeObjects)
        o->MoveBy(15, 5);
    ExpectSamePictures("everything moved");
    Project->FreeObjects[3]->Rotation += 45;
    Project->FreeObjects[4]->X = 0;
    Frame->RefreshEditor();
    ExpectSamePictures("objects turned and moved");

    // Changes nobody announced: stations and the route are read afresh, and
    // an item in view that is not where the index has it rebuilds the index.
    Project->Stations[0]->Lines = {"1=" + std::to_string(Project->Connections[20]->Id)};
    CurrentSituation.CurrentRouteDefinition->AddTrack(Project->Connections[21]->Id);
    ExpectSamePictures("stations and route changed");
    for (TVLPoint* p : Project->Points)
        p->Position.X += 7;
    ExpectSamePictures("points written directly");

    // A point typed a thousand kilometres away, looked at there and at home.
    Connect(Project->Points[2], AddPoint(1e6, -1e6));
    Connect(AddPoint(1e6 + 20, -1e6), AddPoint(1e6 - 20, -1e6 + 5))->TrackKind = 1;
    Frame->RefreshEditor();
    ExpectSamePictures("a point far away");
    CurrentSituation.ViewCentre = MakeWorldPoint(1e6, -1e6);
    EXPECT_TRUE(Paint(false) == Paint(true));
    EXPECT_GT(Drawn(Paint(false)), 100);

    // Loading another project into the same one.
    TVLProject other;
    ASSERT_TRUE(other.LoadFromLines(Project->SaveToLines()));
    other.Points[0]->Position = MakeWorldPoint(1, 1);
    CurrentSituation.ClearReferences();
    Project->Swap(other);
    ExpectSamePictures("project loaded");
}

TEST_F(PlanIndexTest, ItemMovedIntoViewIsDrawnAfterTheRefresh)
{
    CurrentSituation.Scale = 10;
    TVLPoint* a = AddPoint(5000, 5000);
    TVLPoint* b = AddPoint(5010, 5000);
    Connect(a, b);
    EXPECT_EQ(Drawn(Paint(false)), 0);
    a->Position = MakeWorldPoint(-5, 0); // as a drag does, then its refresh
    b->Position = MakeWorldPoint(5, 0);
    Frame->RefreshEditor();
    const QImage image = Paint(false);
    EXPECT_EQ(image.pixelColor(Width / 2, Height / 2 - 8), PlanColours::OtherTrack);
    EXPECT_TRUE(image == Paint(true));
}

TEST_F(PlanIndexTest, GridFindsEveryBoxThatMeetsTheQueryInOrder)
{
    std::vector<TWorldBox> boxes;
    for (int i = 0; i < 3000; ++i) {
        TWorldBox b;
        const double size = i % 50 == 0 ? Uniform(200, 2000) : Uniform(0, 8);
        b.Include(MakeWorldPoint(Uniform(-1000, 1000), Uniform(-50, 50)));
        b.Include(MakeWorldPoint(b.MinX + size, b.MinY + Uniform(0, size)));
        boxes.push_back(b);
    }
    boxes[7] = TWorldBox{}; // an item without a place is never found
    boxes[8].MaxX = std::numeric_limits<double>::quiet_NaN();
    // Far-off items, which the grid leaves to its border cells.
    boxes[9] = TWorldBox{1e9, 1e9, 1e9, 1e9};
    boxes[10] = TWorldBox{-5e8, 20, -5e8 + 3, 21};
    boxes[11] = TWorldBox{-10, -10, 1e8, 10};
    TBoxGrid grid;
    grid.Build(boxes);
    std::vector<int> found;
    for (int q = 0; q < 200; ++q) {
        TWorldBox query;
        query.Include(q % 20 == 1   ? MakeWorldPoint(1e9 + Uniform(-5, 5), 1e9 + Uniform(-5, 5))
                      : q % 20 == 2 ? MakeWorldPoint(-5e8, 20)
                                    : MakeWorldPoint(Uniform(-1200, 1200), Uniform(-80, 80)));
        query.Grow(Uniform(0, q % 10 == 0 ? 1500 : 30));
        grid.Query(query, found);
        EXPECT_TRUE(std::is_sorted(found.begin(), found.end()));
        EXPECT_TRUE(std::adjacent_find(found.begin(), found.end()) == found.end());
        EXPECT_TRUE(std::binary_search(found.begin(), found.end(), 8));
        EXPECT_FALSE(std::binary_search(found.begin(), found.end(), 7));
        for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
            const TWorldBox& b = boxes[static_cast<std::size_t>(i)];
            const bool meets = !b.Empty() && b.MinX <= query.MaxX && query.MinX <= b.MaxX &&
                               b.MinY <= query.MaxY && query.MinY <= b.MaxY;
            if (meets) {
                ASSERT_TRUE(std::binary_search(found.begin(), found.end(), i)) << i;
            }
        }
    }
    // All boxes on one spot, and no boxes at all.
    grid.Build(std::vector<TWorldBox>(500, boxes[0]));
    grid.Query(boxes[0], found);
    EXPECT_EQ(found.size(), 500u);
    grid.Build({});
    grid.Query(boxes[0], found);
    EXPECT_TRUE(found.empty());
}

TEST_F(PlanIndexTest, StationAndRouteSetsAnswerAsTheScansDo)
{
    TTrackIdSet set;
    for (int id : {0, 5, -3, 70000, 2147483647, 12})
        set.Insert(id);
    for (int id : {0, 5, -3, 70000, 2147483647, 12})
        EXPECT_TRUE(set.Contains(id)) << id;
    for (int id : {1, 4, 6, -1, 69999, 2147483646, -2147483647 - 1})
        EXPECT_FALSE(set.Contains(id)) << id;

    // Only the first line of a platform counts, and only an id written as
    // the id itself ("07" is not track 7).
    auto* station = new TVLStation("Hill");
    station->Lines = {"1=4", "1=5", "2=07", "3= 8", "4=9", "x"};
    Project->Stations.Add(station);
    auto* route = new TVLRouteDefinition;
    route->SetLines({"4", "07", "-2", "9x", "11"});
    Project->RouteDefinitions.Add(route);
    TPlanIndex index;
    index.Update(Project);
    index.UpdateTrackSets(*Project, route);
    for (int id : {-2, 0, 4, 5, 7, 8, 9, 11})
        EXPECT_EQ(index.IsStationTrack(id), Project->FindStationByTrack(id) != nullptr) << id;
    for (int id : {-2, 0, 4, 7, 9, 11})
        EXPECT_EQ(index.IsRouteTrack(id), route->ContainsTrack(id)) << id;
}
