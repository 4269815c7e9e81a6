// The overview map: bounds, the one-scale mapping, the track colours by role
// and the strokes as they land in a picture.

#include "editor/minimapcanvas.h"
#include "model/currentsituation.h"
#include "model/vlminimap.h"
#include "model/vlproject.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A plan from project lines: points "id,x,y", connections "id,a,b".
struct TMapPlan {
    TVLProject Project;
    explicit TMapPlan(const std::vector<std::string>& points, const std::vector<std::string>& conns,
                      const std::vector<std::string>& stations = {})
    {
        TStrings lines = {"projectname=Map"};
        for (std::size_t i = 0; i < points.size(); ++i)
            lines.push_back("point" + std::to_string(i + 1) + "=" + points[i]);
        for (std::size_t i = 0; i < conns.size(); ++i)
            lines.push_back("conn" + std::to_string(i + 1) + "=" + conns[i] +
                            ",1,80,0.00000,255,1,1,1,0,\"\",0,\"\",0,0,0,0,0,0,0");
        for (std::size_t i = 0; i < stations.size(); ++i)
            lines.push_back("station" + std::to_string(i + 1) + "=" + stations[i]);
        EXPECT_TRUE(Project.LoadFromLines(lines));
    }
};

// Keeps the global editor state of other tests out of the map.
class MiniMapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Saved = CurrentSituation;
        CurrentSituation = TCurrentSituation();
    }
    void TearDown() override { CurrentSituation = Saved; }
    TCurrentSituation Saved;
};

struct TStroke {
    TMapColour Colour;
    int Width = 0;
    TScreenPoint From, To;
};

class TRecordingCanvas : public IMiniMapCanvas {
public:
    std::vector<TStroke> Lines;
    std::vector<TMapRect> Discs;
    void SetPen(const TMapColour& colour, int width) override
    {
        FColour = colour;
        FWidth = width;
    }
    void Line(const TScreenPoint& from, const TScreenPoint& to) override
    {
        Lines.push_back({FColour, FWidth, from, to});
    }
    void Disc(int left, int top, int right, int bottom, const TMapColour& colour) override
    {
        EXPECT_EQ(colour, TVLMiniMap::PointColour);
        Discs.push_back({left, top, right, bottom});
    }

private:
    TMapColour FColour;
    int FWidth = 0;
};

QRgb Rgb(const TMapColour& c) { return qRgb(c.R, c.G, c.B); }

} // namespace

TEST_F(MiniMapTest, BoundsAlwaysHoldTheOriginAndRoundEnds)
{
    TMapPlan plan({"1,10.4,20.6", "2,300.5,-40.5", "3,50,60"}, {"1,1,2", "2,2,3"});
    TVLMiniMap map;
    map.MinX = map.MaxX = map.MinY = map.MaxY = 999;
    map.CalcBounds(plan.Project.Connections);
    EXPECT_EQ(map.MinX, 0);
    EXPECT_EQ(map.MaxX, 300); // 300.5 rounds to the even neighbour
    EXPECT_EQ(map.MinY, -40);
    EXPECT_EQ(map.MaxY, 60);

    TMapPlan far({"1,1000,2000", "2,1100,2100"}, {"1,1,2"});
    map.CalcBounds(far.Project.Connections);
    EXPECT_EQ(map.MinX, 0);
    EXPECT_EQ(map.MinY, 0);
    EXPECT_EQ(map.MaxX, 1100);
    EXPECT_EQ(map.MaxY, 2100);
}

TEST_F(MiniMapTest, OneScaleForBothAxesNorthUpInTheLowerLeftCorner)
{
    TVLMiniMap map;
    map.MinX = 0;
    map.MaxX = 200;
    map.MinY = 0;
    map.MaxY = 50;
    map.MapRect = {10, 20, 110, 120}; // 100 x 100 pixels
    EXPECT_DOUBLE_EQ(map.Scale(), 2.0);
    EXPECT_EQ(map.WorldToMap({0, 0}), (TScreenPoint{10, 120}));
    EXPECT_EQ(map.WorldToMap({200, 50}), (TScreenPoint{110, 95}));
    EXPECT_EQ(map.WorldToMap({100, 0}), (TScreenPoint{60, 120}));

    // A plan in the positive quadrant keeps the origin in view, so it does
    // not fill the rectangle.
    map.MinX = 0;
    map.MaxX = 1100;
    map.MinY = 0;
    map.MaxY = 100;
    map.MapRect = {0, 0, 110, 110};
    EXPECT_EQ(map.WorldToMap({1000, 0}).X, 100);
    EXPECT_EQ(map.WorldToMap({1100, 0}).X, 110);
}

TEST_F(MiniMapTest, NothingToMeasureStillMapsIntoTheRectangle)
{
    TVLMiniMap map;
    map.MapRect = {5, 5, 105, 55};
    map.CalcBounds(TVLMiniMap::TConnections{});
    EXPECT_DOUBLE_EQ(map.Scale(), 1.0);
    EXPECT_EQ(map.WorldToMap({0, 0}), (TScreenPoint{5, 55}));

    // A rectangle without width or height: no division by zero.
    map.MaxX = 100;
    map.MaxY = 100;
    map.MapRect = {0, 0, 0, 50};
    EXPECT_DOUBLE_EQ(map.Scale(), 2.0);
    map.MapRect = {0, 0, 0, 0};
    EXPECT_DOUBLE_EQ(map.Scale(), 1.0);
    TScreenPoint p = map.WorldToMap({100, 100});
    EXPECT_EQ(p, (TScreenPoint{100, -100}));
}

TEST_F(MiniMapTest, TrackColoursByRoleStationBeatsSelection)
{
    TMapPlan plan({"1,0,0", "2,100,0", "3,200,0", "4,300,0"}, {"1,1,2", "2,2,3", "3,3,4"}, {"\"A\",1=1"});
    CurrentSituation.SelectedConnection = plan.Project.FindConnection(1);
    TVLMiniMap map;
    map.Project = &plan.Project;
    map.MapRect = {0, 0, 300, 100};
    map.CalcBounds(plan.Project.Connections);
    TRecordingCanvas canvas;
    map.Draw(canvas, plan.Project.Connections, plan.Project.Points);
    ASSERT_EQ(canvas.Lines.size(), 5u);
    EXPECT_EQ(canvas.Lines[0].Colour, TVLMiniMap::StationTrackColour);
    EXPECT_EQ(canvas.Lines[1].Colour, TVLMiniMap::TrackColour);
    EXPECT_EQ(canvas.Lines[2].Colour, TVLMiniMap::TrackColour);
    EXPECT_EQ(canvas.Lines[0].Width, 2);
    EXPECT_TRUE(canvas.Discs.empty());

    CurrentSituation.SelectedConnection = plan.Project.FindConnection(2);
    canvas = TRecordingCanvas();
    map.ShowPoints = true;
    map.Draw(canvas, plan.Project.Connections, plan.Project.Points);
    EXPECT_EQ(canvas.Lines[1].Colour, TVLMiniMap::SelectedTrackColour);
    ASSERT_EQ(canvas.Discs.size(), 4u);
    EXPECT_EQ(canvas.Discs[1].Left, 95);
    EXPECT_EQ(canvas.Discs[1].Right, 105);
    EXPECT_EQ(canvas.Discs[1].Top, 95);
    EXPECT_EQ(canvas.Discs[1].Bottom, 105);

    // Without a project no track is a station track.
    map.Project = nullptr;
    canvas = TRecordingCanvas();
    map.Draw(canvas, plan.Project.Connections, plan.Project.Points);
    EXPECT_EQ(canvas.Lines[0].Colour, TVLMiniMap::TrackColour);
}

TEST_F(MiniMapTest, DrawnIntoAPicture)
{
    TMapPlan plan({"1,0,0", "2,100,0", "3,100,100"}, {"1,1,2", "2,2,3"}, {"\"A\",1=2"});
    CurrentSituation.ViewCentre = MakeWorldPoint(50, 50);
    QImage image(101, 101, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        TQPainterMiniMapCanvas canvas(painter);
        TVLMiniMap map;
        map.Project = &plan.Project;
        map.ShowPoints = true;
        map.MapRect = {0, 0, 100, 100};
        map.CalcBounds(plan.Project.Connections);
        map.Draw(canvas, plan.Project.Connections, plan.Project.Points);
    }
    // The bottom track is black, the station track at the right blue.
    EXPECT_EQ(image.pixel(30, 100) & 0xffffff, Rgb(TVLMiniMap::TrackColour) & 0xffffff);
    EXPECT_EQ(image.pixel(100, 30) & 0xffffff, Rgb(TVLMiniMap::StationTrackColour) & 0xffffff);
    // The cross at (50, 50): 4 pixels up and left, 3 down and right.
    const QRgb black = qRgb(0, 0, 0) & 0xffffff, white = qRgb(255, 255, 255) & 0xffffff;
    EXPECT_EQ(image.pixel(50, 46) & 0xffffff, black);
    EXPECT_EQ(image.pixel(50, 53) & 0xffffff, black);
    EXPECT_EQ(image.pixel(50, 54) & 0xffffff, white);
    EXPECT_EQ(image.pixel(46, 50) & 0xffffff, black);
    EXPECT_EQ(image.pixel(53, 50) & 0xffffff, black);
    EXPECT_EQ(image.pixel(54, 50) & 0xffffff, white);
    EXPECT_EQ(image.pixel(45, 50) & 0xffffff, white);
    // Point discs: red around the corner point (100, 0) -> pixel (100, 0),
    // nothing red far from the points.
    EXPECT_EQ(image.pixel(97, 97) & 0xffffff, Rgb(TVLMiniMap::PointColour) & 0xffffff);
    EXPECT_EQ(image.pixel(3, 3) & 0xffffff, white);
}
