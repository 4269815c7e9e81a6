#include "model/currentsituation.h"
#include "model/vlconnectionlist.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A small plan: the points are owned here, the list owns the connections.
struct Plan {
    TVLPointlist points;
    TVLConnectionlist connections;

    TVLPoint* P(double x, double y)
    {
        auto* p = new TVLPoint({x, y});
        p->Id = points.Count() + 1;
        points.Add(p);
        return p;
    }
    TVLConnection* C(TVLPoint* a, TVLPoint* b, int kind = 0)
    {
        auto* c = new TVLConnection(a, b);
        c->Id = connections.Count() + 1;
        c->TrackKind = static_cast<std::uint8_t>(kind);
        connections.Add(c);
        return c;
    }
};

double DistanceToLine(const TWorldPoint& p, const TWorldPoint& a, const TWorldPoint& b)
{
    return std::fabs((b.X - a.X) * (a.Y - p.Y) - (a.X - p.X) * (b.Y - a.Y)) / Distance(a, b);
}

} // namespace

TEST(ConnectionList, LookupsAndOwnership)
{
    Plan plan;
    TVLPoint* a = plan.P(0, 0);
    TVLPoint* b = plan.P(10, 0);
    TVLPoint* c = plan.P(10, 10);
    TVLConnection* ab = plan.C(a, b);
    TVLConnection* bc = plan.C(b, c);
    TVLConnection* ca = plan.C(c, a);

    std::vector<TVLConnection*> at;
    EXPECT_EQ(plan.connections.GetConnectionsAt(b, at, nullptr), 2);
    EXPECT_EQ(at, (std::vector<TVLConnection*>{ab, bc}));
    EXPECT_EQ(plan.connections.GetConnectionsAt(b, at, ab), 1);
    EXPECT_EQ(at.front(), bc);

    TVLConnectionlist borrowed(false);
    EXPECT_EQ(plan.connections.GetConnectionsAt(a, borrowed, nullptr), 2);
    borrowed.Clear(); // does not destroy anything
    EXPECT_EQ(plan.connections.Count(), 3);
    TVLConnectionlist owning;
    EXPECT_EQ(plan.connections.GetConnectionsAt(a, owning, nullptr), 0);

    EXPECT_EQ(plan.connections.GetConnection(2), ca);
    EXPECT_EQ(plan.connections.GetConnection(3), nullptr);
    EXPECT_EQ(plan.connections.GetConnection(-1), nullptr);
    EXPECT_EQ(plan.connections.FindById(2), bc);
    EXPECT_EQ(plan.connections.FindById(9), nullptr);

    // Inserting in front makes the new item the first with its id.
    auto* dup = new TVLConnection(a, c);
    dup->Id = 2;
    plan.connections.InsertConnection(dup, 0);
    EXPECT_EQ(plan.connections.FindById(2), dup);
    plan.connections.Remove(dup);
    EXPECT_EQ(plan.connections.FindById(2), bc);
    // An id changed in place is found again.
    bc->Id = 20;
    EXPECT_EQ(plan.connections.FindById(2), nullptr);
    plan.connections.Reindex();
    EXPECT_EQ(plan.connections.FindById(20), bc);
    EXPECT_EQ(plan.connections.MaxId(), 20);
}

TEST(ConnectionList, RemovingClearsEditorReferences)
{
    Plan plan;
    TVLConnection* ab = plan.C(plan.P(0, 0), plan.P(1, 0));
    CurrentSituation.SelectedConnection = ab;
    plan.connections.Remove(ab);
    EXPECT_EQ(CurrentSituation.SelectedConnection, nullptr);
}

TEST(ConnectionList, FindMostParallel)
{
    Plan plan;
    TVLPoint* o = plan.P(0, 0);
    TVLConnection* east = plan.C(o, plan.P(10, 0));
    TVLConnection* north = plan.C(o, plan.P(0, 10));
    TVLConnection* west = plan.C(o, plan.P(-10, 0.1)); // bearing 179
    EXPECT_EQ(plan.connections.FindMostParallel(east), east);
    TVLPoint q({5, 5}), r({6, 5.5});
    TVLConnection probe(&q, &r); // bearing 27
    EXPECT_EQ(plan.connections.FindMostParallel(&probe), east);
    TVLPoint s({0, 0}), t({-10, -0.1}); // bearing -179: 358 from west (not 2), 179 from east
    TVLConnection back(&s, &t);
    EXPECT_EQ(plan.connections.FindMostParallel(&back), east);
    TVLPoint u({0, 0}), v({1, 10}); // bearing 84
    TVLConnection up(&u, &v);
    EXPECT_EQ(plan.connections.FindMostParallel(&up), north);
    TVLPoint w({0, 0}), x({-10, 0.5}); // bearing 177
    TVLConnection left(&w, &x);
    EXPECT_EQ(plan.connections.FindMostParallel(&left), west);
    TVLConnectionlist empty;
    EXPECT_EQ(empty.FindMostParallel(east), nullptr);
}

TEST(Subdivision, StraightPieceGivesEvenChordPoints)
{
    Plan plan;
    TVLConnection* c = plan.C(plan.P(0, 0), plan.P(100, 50));
    std::vector<std::unique_ptr<TVLPoint>> pts;
    EXPECT_EQ(plan.connections.Subdivide(c, 5, pts), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(pts[i]->Position.X, 20.0 * (i + 1), 1e-9);
        EXPECT_NEAR(pts[i]->Position.Y, 10.0 * (i + 1), 1e-9);
        EXPECT_EQ(pts[i]->Id, 0);
    }
    EXPECT_EQ(plan.connections.Subdivide(c, 1, pts), 0);
    EXPECT_TRUE(pts.empty());
    EXPECT_EQ(plan.connections.Subdivide(c, 0, pts), 0);
}

TEST(Subdivision, CurvedPieceNeedsNeighboursAtBothEnds)
{
    Plan plan;
    TVLPoint* a = plan.P(0, 0);
    TVLPoint* b = plan.P(100, 0);
    TVLConnection* c = plan.C(a, b, 1);
    plan.C(plan.P(-50, -50), a); // only at the start
    std::vector<TWorldPoint> pts;
    plan.connections.Subdivide(c, 4, pts);
    ASSERT_EQ(pts.size(), 3u);
    for (const auto& p : pts)
        EXPECT_NEAR(p.Y, 0, 1e-12);
}

TEST(Subdivision, CollinearNeighboursKeepTheChord)
{
    Plan plan;
    TVLPoint* a = plan.P(0, 0);
    TVLPoint* b = plan.P(100, 100);
    TVLConnection* c = plan.C(a, b, 1);
    plan.C(plan.P(-30, -30), a);
    plan.C(b, plan.P(170, 170));
    std::vector<TWorldPoint> pts;
    plan.connections.Subdivide(c, 10, pts);
    ASSERT_EQ(pts.size(), 9u);
    for (const auto& p : pts)
        EXPECT_NEAR(DistanceToLine(p, a->Position, b->Position), 0, 1e-9);
}

TEST(Subdivision, CurveFollowsTheStraighterNeighbour)
{
    Plan plan;
    TVLPoint* a = plan.P(0, 0);
    TVLPoint* b = plan.P(100, 0);
    TVLConnection* c = plan.C(a, b, 1);
    // Two neighbours at the start: one arriving from the south-west, one
    // running back almost along the piece (a = 180 - 5 -> |180 - a| small
    // for the first, large for the second).
    plan.C(plan.P(-5, 60), a);           // sharp turn, not chosen
    plan.C(plan.P(-100, -20), a);        // nearly straight, chosen
    plan.C(b, plan.P(200, 0));           // straight on at the end
    std::vector<TWorldPoint> pts;
    plan.connections.Subdivide(c, 2, pts);
    ASSERT_EQ(pts.size(), 1u);
    double tension = 21 / std::sqrt(100.0);
    TWorldPoint expected = TVLPoint::CurvePoint({0, 0}, {100, 0}, tension, 0.5, {200, 0}, {-100, -20});
    EXPECT_NEAR(pts[0].X, expected.X, 1e-9);
    EXPECT_NEAR(pts[0].Y, expected.Y, 1e-9);
    EXPECT_GT(pts[0].Y, 0); // bent up, away from the south-western neighbour
}

TEST(Subdivision, LoopNeighbourIsSkipped)
{
    Plan plan;
    TVLPoint* a = plan.P(0, 0);
    TVLPoint* b = plan.P(100, 0);
    TVLConnection* c = plan.C(a, b, 1);
    plan.C(a, a); // no far end
    plan.C(b, b);
    std::vector<TWorldPoint> pts;
    EXPECT_EQ(plan.connections.Subdivide(c, 4, pts), 3);
    for (const auto& p : pts)
        EXPECT_NEAR(p.Y, 0, 1e-12); // no usable neighbour: straight points
    // With a usable neighbour after the loop, that one is taken.
    plan.C(plan.P(-10, -10), a);
    plan.C(b, plan.P(110, -10));
    plan.connections.Subdivide(c, 2, pts);
    EXPECT_GT(pts[0].Y, 0);
    EXPECT_TRUE(std::isfinite(pts[0].X));
}

TEST(Subdivision, ZeroLengthNeighbourFallsBackToStraight)
{
    Plan plan;
    TVLPoint* a = plan.P(0, 0);
    TVLPoint* b = plan.P(100, 0);
    TVLConnection* c = plan.C(a, b, 1);
    plan.C(plan.P(0, 0), a); // far end on top of a
    plan.C(b, plan.P(150, 10));
    std::vector<TWorldPoint> pts;
    plan.connections.Subdivide(c, 4, pts);
    ASSERT_EQ(pts.size(), 3u);
    for (const auto& p : pts) {
        EXPECT_TRUE(std::isfinite(p.X) && std::isfinite(p.Y));
        EXPECT_NEAR(p.Y, 0, 1e-12);
    }
}
