#include "model/vlconnection.h"
#include "model/vlpoint.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Point, LineRoundTrip)
{
    TVLPoint p({104.5, -33.25});
    p.Id = 12;
    EXPECT_EQ(p.SaveToString(), "12,104.50000,-33.25000");
    auto q = TVLPoint::CreateFromLine("12,104.50000,-33.25000");
    EXPECT_EQ(q->Id, 12);
    EXPECT_DOUBLE_EQ(q->Position.X, 104.5);
    EXPECT_DOUBLE_EQ(q->Position.Y, -33.25);
    auto big = TVLPoint::CreateFromLine("3,1.2346E5,-1E5");
    EXPECT_DOUBLE_EQ(big->Position.X, 123460);
    EXPECT_DOUBLE_EQ(big->Position.Y, -100000);
    auto bad = TVLPoint::CreateFromLine("x,1,");
    EXPECT_EQ(bad->Id, 0);
    EXPECT_DOUBLE_EQ(bad->Position.X, 1);
    EXPECT_DOUBLE_EQ(bad->Position.Y, 0);
}

TEST(Point, HitTestAndMove)
{
    TVLPoint p({0, 0});
    EXPECT_TRUE(p.HitTest({1, 0}, 10));
    EXPECT_FALSE(p.HitTest({1.01, 0}, 10));
    EXPECT_FALSE(p.HitTest({0, 0}, 0)); // no zoom, no hit (and no division by zero)
    p.MoveBy(2, -3);
    EXPECT_EQ(p.Position, (TWorldPoint{2, -3}));
}

TEST(Connection, NewConnectionLine)
{
    TVLPoint a({0, 0}), b({10, 0});
    a.Id = 3;
    b.Id = 4;
    TVLConnection c(&a, &b);
    c.Id = 7;
    EXPECT_EQ(c.SaveToString(), "7,3,4,1,0,0.00000,255,1,1,1,0,\"\",0,\"\",0,0,0,0,0,0,0");
    EXPECT_EQ(c.Direction, 1);
    EXPECT_FALSE(c.IsCurved());
}

TEST(Connection, LineRoundTripOfEveryField)
{
    TVLPointlist points;
    auto* a = new TVLPoint({1, 2});
    a->Id = 5;
    auto* b = new TVLPoint({3, 4});
    b->Id = 9;
    points.Add(a);
    points.Add(b);
    TVLConnection c(b, a);
    c.Id = 42;
    c.TrackType = 3;
    c.SpeedLimit = 120;
    c.Height = -2.5;
    c.Adhesion = 100;
    c.Accuracy = 2;
    c.BackgroundId = 4;
    c.GroundId = 6;
    c.Fog = 250;
    c.MarkerFile = "m\\marker.bmp";
    c.MarkerDuration = 30;
    c.WaveFile = "sounds\\horn.wav";
    c.PlatformSide = 2;
    c.PlatformId = 8;
    c.Pole = -3;
    c.TrackKind = 1;
    c.WallLeftId = 11;
    c.WallRightId = 12;
    c.RoofId = 13;
    std::string line = c.SaveToString();
    EXPECT_EQ(line, "42,9,5,3,120,-2.50000,100,2,4,6,250,\"m\\marker.bmp\",30,\"sounds\\horn.wav\",2,8,-3,1,11,12,13");
    auto d = TVLConnection::CreateFromLine(line, points);
    EXPECT_EQ(d->StartPoint, b);
    EXPECT_EQ(d->EndPoint, a);
    EXPECT_EQ(d->SaveToString(), line);
}

TEST(Connection, ShortLineReadsMissingFieldsAsZero)
{
    TVLPointlist points;
    auto d = TVLConnection::CreateFromLine("7,3,4", points);
    EXPECT_EQ(d->Id, 7);
    EXPECT_EQ(d->TrackType, 0);
    EXPECT_EQ(d->Adhesion, 0);
    EXPECT_EQ(d->Accuracy, 0);
    EXPECT_EQ(d->BackgroundId, 0);
    EXPECT_EQ(d->GroundId, 0);
    EXPECT_EQ(d->StartPoint, nullptr); // no such points
    EXPECT_EQ(d->EndPoint, nullptr);
    auto k = TVLConnection::CreateFromLine("1,0,0,1,0,0,0,0,0,0,0,\"\",0,\"\",0,0,0,258", points);
    EXPECT_EQ(k->TrackKind, 2); // low 8 bits
}

TEST(Connection, AssignPropertiesByMode)
{
    TVLConnection src, dst;
    src.TrackType = 2;
    src.SpeedLimit = 80;
    src.GroundId = 5;
    src.BackgroundId = 6;
    src.Pole = -4;
    src.WallLeftId = 7;
    src.WallRightId = 8;
    src.MarkerFile = "m";
    src.Id = 99;
    src.TrackKind = 1;
    src.RoofId = 3;

    TVLConnection d1;
    d1.AssignProperties(src, 1);
    EXPECT_EQ(d1.GroundId, 5);
    EXPECT_EQ(d1.BackgroundId, 1);
    d1.AssignProperties(src, 2);
    EXPECT_EQ(d1.BackgroundId, 6);
    d1.AssignProperties(src, 3);
    EXPECT_EQ(d1.SpeedLimit, 80);
    EXPECT_EQ(d1.TrackType, 1);
    d1.AssignProperties(src, 4);
    EXPECT_EQ(d1.Pole, -4);
    d1.AssignProperties(src, 5);
    EXPECT_EQ(d1.TrackType, 2);
    EXPECT_EQ(d1.WallLeftId, 0);
    d1.AssignProperties(src, 6);
    EXPECT_EQ(d1.WallLeftId, 7);
    EXPECT_EQ(d1.WallRightId, 8);
    d1.AssignProperties(src, 7);
    EXPECT_EQ(d1.TrackKind, 0);

    dst.AssignProperties(src, 0);
    EXPECT_EQ(dst.TrackKind, 1);
    EXPECT_EQ(dst.RoofId, 3);
    EXPECT_EQ(dst.Id, 0);
    EXPECT_EQ(dst.MarkerFile, "");

    TVLPoint a, b;
    src.StartPoint = &a;
    src.EndPoint = &b;
    src.Direction = -1;
    auto copy = TVLConnection::CreateCopy(src);
    EXPECT_EQ(copy->StartPoint, &a);
    EXPECT_EQ(copy->EndPoint, &b);
    EXPECT_EQ(copy->Id, 0);
    EXPECT_EQ(copy->Direction, 1);
    EXPECT_EQ(copy->SpeedLimit, 80);
    EXPECT_EQ(copy->MarkerFile, "");
}

TEST(Connection, ReverseTwiceRestores)
{
    TVLPoint a({0, 0}), b({1, 0});
    TVLConnection c(&a, &b);
    c.Pole = 3;
    c.PlatformSide = 1;
    c.WallLeftId = 4;
    c.WallRightId = 5;
    c.RoofId = 9;
    c.Reverse();
    EXPECT_EQ(c.StartPoint, &b);
    EXPECT_EQ(c.Pole, -3);
    EXPECT_EQ(c.Direction, -1);
    EXPECT_EQ(c.PlatformSide, 2);
    EXPECT_EQ(c.WallLeftId, 5);
    EXPECT_EQ(c.RoofId, 9);
    c.Reverse();
    EXPECT_EQ(c.StartPoint, &a);
    EXPECT_EQ(c.Pole, 3);
    EXPECT_EQ(c.Direction, 1);
    EXPECT_EQ(c.PlatformSide, 1);
    EXPECT_EQ(c.WallLeftId, 4);
    c.PlatformSide = 0;
    c.Reverse();
    EXPECT_EQ(c.PlatformSide, 0);
}

TEST(Connection, GeometryHelpers)
{
    TVLPoint a({0, 0}), b({10, 0}), n({10, 10});
    TVLConnection c(&a, &b);
    TWorldPoint p = c.OffsetPointFromStart(2, 0.5);
    EXPECT_DOUBLE_EQ(p.X, 5);
    EXPECT_DOUBLE_EQ(p.Y, 1);
    p = c.OffsetPointFromStart(-2, 0);
    EXPECT_DOUBLE_EQ(p.Y, -2);
    p = c.OffsetPointFromEnd(2, 0);
    EXPECT_DOUBLE_EQ(p.X, 10);
    EXPECT_DOUBLE_EQ(p.Y, -2); // right of the track direction
    EXPECT_DOUBLE_EQ(c.Length(), 10);
    TVLConnection up(&b, &n);
    EXPECT_EQ(c.AngleTo(nullptr), 0);
    EXPECT_EQ(up.AngleTo(&c), 90);
    EXPECT_EQ(c.AngleTo(&up), -90);
    EXPECT_DOUBLE_EQ(c.DotProduct(up), 0);
    EXPECT_EQ(c.OtherEnd(&a), &b);
    EXPECT_EQ(c.OtherEnd(&b), &a);
    EXPECT_EQ(c.OtherEnd(&n), &a);
    TVLConnection loop(&a, &a);
    EXPECT_EQ(loop.OtherEnd(&a), nullptr);
    // A piece without length offsets nothing instead of dividing by zero.
    p = loop.OffsetPointFromStart(2, 0.5);
    EXPECT_EQ(p, (TWorldPoint{0, 0}));
    c.SpeedLimit = 0;
    EXPECT_TRUE(c.Validate());
    EXPECT_EQ(c.SpeedLimit, 70);
    c.SpeedLimit = 5;
    c.Validate();
    EXPECT_EQ(c.SpeedLimit, 5);
}

TEST(CurveInterpolation, BezierThroughHandles)
{
    // Neighbours continue the chord straight: the curve stays on it.
    TWorldPoint a{0, 0}, b{100, 0}, na{-50, 0}, nb{150, 0};
    double tension = 21 / std::sqrt(100.0);
    for (double t : {0.0, 0.25, 0.5, 1.0}) {
        TWorldPoint p = TVLPoint::CurvePoint(a, b, tension, t, nb, na);
        EXPECT_NEAR(p.Y, 0, 1e-9);
    }
    EXPECT_NEAR(TVLPoint::CurvePoint(a, b, tension, 1, nb, na).X, 100, 1e-9);
    // A neighbour arriving from below bends the start upwards (handle of
    // length 100 / tension straight away from the neighbour's far end).
    TWorldPoint p = TVLPoint::CurvePoint(a, b, tension, 0.5, nb, {0, -30});
    double handle = 100 / tension;
    // Bezier midpoint: (a + 3 c1 + 3 c2 + b) / 8 with c1 = (0, handle), c2 = (100 - handle, 0).
    EXPECT_NEAR(p.Y, 3 * handle / 8, 1e-9);
    EXPECT_NEAR(p.X, (3 * (100 - handle) + 100) / 8, 1e-9);
}

TEST(CurveInterpolation, DegenerateHandlesFallBackToStraight)
{
    TWorldPoint a{0, 0}, b{10, 10};
    TWorldPoint p = TVLPoint::CurvePoint(a, b, 2, 0.3, {20, 0}, a); // neighbour far end on a
    EXPECT_NEAR(p.X, 3, 1e-12);
    EXPECT_NEAR(p.Y, 3, 1e-12);
    p = TVLPoint::CurvePoint(a, b, INFINITY, 0.5, {20, 0}, {-5, 0});
    EXPECT_NEAR(p.X, 5, 1e-12);
    p = TVLPoint::LinearPoint(a, b, 0.25);
    EXPECT_EQ(p, (TWorldPoint{2.5, 2.5}));
}
