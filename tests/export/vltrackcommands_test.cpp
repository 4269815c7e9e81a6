#include "export/vltrackcommands.h"

#include <gtest/gtest.h>

using namespace TrackCommands;

TEST(TrackCommandFormats, EveryCommandText)
{
    EXPECT_EQ(Curve(0, 0, 0), "0.00000, .curve 0.00000;0.00000");
    EXPECT_EQ(Curve(25, 475, 18), "25.00000, .curve 475.00000;18.00000");
    EXPECT_EQ(Curve(50, -150, -34), "50.00000, .curve -150.00000;-34.00000");
    EXPECT_EQ(FogOn(5, 100), "5.00000, .fog 25;125;224;224;224");
    EXPECT_EQ(FogOff(0), "0.00000, .fog 0;0;0;0;0");
    EXPECT_EQ(Adhesion(10, 255), "10.00000, .adhesion 255");
    EXPECT_EQ(Limit(10, 80), "10.00000, .limit 80;0;0");
    EXPECT_EQ(Back(0, 1), "0.00000, .back 1");
    EXPECT_EQ(Ground(0, 0), "0.00000, .ground 0");
    EXPECT_EQ(Announce(5, "myroute", "hello.wav"), "5.00000, .announce ..\\object\\myroute\\sounds\\hello.wav");
    EXPECT_EQ(Station(25, "Hill Road", "9.00000", "9.01000"),
              "25.00000, .Sta Hill Road;9.00000;9.01000;1;-1;0;ATS;0;30;100");
    EXPECT_EQ(Stop(40, 0), "40.00000, .stop 0");
    EXPECT_EQ(FreeObj(40, 0, 3, 2.4, 0, 0), "40.00000, .freeobj 0;3;2.40000;0.00000;0.00000");
    EXPECT_EQ(RailType(0, 0, 2, 1.5), "0.00000, .railtype 0;2 , .height 1.50000");
    EXPECT_EQ(Form(75, 0, 'L', 0, 1), "75.00000, .form 0;L;0;1");
    EXPECT_EQ(Pole(0, 0, -1, 0), "0.00000, .pole 0;0;-1;25;0");
    EXPECT_EQ(PoleEnd(0, 3), "0.00000, .poleend 3");
    EXPECT_EQ(Wall(25, 0, 1, 2), "25.00000, .wall 0;1;2");
    EXPECT_EQ(WallEnd(50, 0), "50.00000, .wallend 0");
    EXPECT_EQ(Dike(25, 1, -1, 0), "25.00000, .dike 1;-1;0");
    EXPECT_EQ(DikeEnd(50, 1), "50.00000, .dikeend 1");
    EXPECT_EQ(Rail(125, 2, -4, 0.5, 1, 17), "125.00000, .rail 2;-4.00000;0.50000;1, ;id=17");
    EXPECT_EQ(RailPrefix(125, 2), "125.00000, .rail 2;");
}

TEST(TrackCommandFormats, RailEndZeroesSmallOffsets)
{
    EXPECT_EQ(RailEnd(150, 1, 1.49), "150.00000, .railend 1;0.00000");
    EXPECT_EQ(RailEnd(150, 1, -1.49), "150.00000, .railend 1;0.00000");
    EXPECT_EQ(RailEnd(150, 1, 1.5), "150.00000, .railend 1;1.50000");
    EXPECT_EQ(RailEnd(150, 1, -4), "150.00000, .railend 1;-4.00000");
}

TEST(TrackCommandFormats, StationTimesAreHMMSSWithFourDecimals)
{
    EXPECT_EQ(StationTime(9 * 3600), "9.0000");
    EXPECT_EQ(StationTime(9 * 3600 + 5 * 60 + 59), "9.0500");
    EXPECT_EQ(StationTime(23 * 3600 + 59 * 60), "23.5900");
    EXPECT_EQ(StationTime(24 * 3600), "24.0000");
    EXPECT_EQ(StationTime(2 * 24 * 3600 + 3600 + 60 * 30), "49.3000");
}

TEST(TrackCommandFormats, PositionsFrom100KmAreWrittenInFull)
{
    EXPECT_EQ(Position(99975), "99975.00000");
    EXPECT_EQ(Position(100015), "100015.00000");
    EXPECT_EQ(Position(100025), "100025.00000");
    EXPECT_EQ(Position(1000000), "1000000.00000");
    EXPECT_EQ(Position(1000025), "1000025.00000");
    EXPECT_EQ(Curve(1000025, 300, 0), "1000025.00000, .curve 300.00000;0.00000");
}

TEST(TrackCommandSort, ByPositionKeepingProductionOrder)
{
    TStrings lines = {
        "50.00000, .rail 1;0.00000;0.00000;0    ;id=1",
        "25.00000, .curve 0.00000;0.00000",
        "1.2346E5, .limit 80;0;0",
        "25.00000, .form 1;R;0;0",
        "100.00000, .stop 1",
        " 25.00000, .railtype 0;0 , .height 0.00000",
        "9.00000, .limit 40;0;0",
    };
    SortTrackCommands(lines);
    TStrings expected = {
        "9.00000, .limit 40;0;0",
        "25.00000, .curve 0.00000;0.00000",
        "25.00000, .form 1;R;0;0",
        " 25.00000, .railtype 0;0 , .height 0.00000",
        "50.00000, .rail 1;0.00000;0.00000;0    ;id=1",
        "100.00000, .stop 1",
        "1.2346E5, .limit 80;0;0",
    };
    EXPECT_EQ(lines, expected);
}

TEST(TrackCommandSort, CompareReadsFirstField)
{
    EXPECT_EQ(CompareTrackCommands("5.00000, .x", "25.00000, .y"), -1);
    EXPECT_EQ(CompareTrackCommands("1E5, .x", "99999.00000, .y"), 1);
    EXPECT_EQ(CompareTrackCommands("  25.00000 , .x", "25.00000, .y"), 0);
}

TEST(TrackCommandList, RemoveAndRailLookup)
{
    TTrackCommandList list;
    list.Add(DikeEnd(50, 0));
    list.Add(Rail(50, 1, 4, 0, 0, 7));
    list.Add(DikeEnd(50, 0));
    list.Add(RailEnd(50, 2, 0));
    list.Add(RailType(50, 1, 0, 0));
    EXPECT_EQ(list.Count(), 5u);
    EXPECT_TRUE(list.Contains(DikeEnd(50, 0)));
    EXPECT_TRUE(list.Remove(DikeEnd(50, 0)));
    EXPECT_TRUE(list.Contains(DikeEnd(50, 0)));
    EXPECT_TRUE(list.Remove(DikeEnd(50, 0)));
    EXPECT_FALSE(list.Remove(DikeEnd(50, 0)));
    EXPECT_FALSE(list.Contains(DikeEnd(50, 0)));

    ASSERT_NE(list.FindRail(50, 1), nullptr);
    EXPECT_EQ(*list.FindRail(50, 1), Rail(50, 1, 4, 0, 0, 7));
    // Neither a rail end nor a rail type counts as a rail command.
    EXPECT_EQ(list.FindRail(50, 2), nullptr);
    EXPECT_EQ(list.FindRail(75, 1), nullptr);

    TStrings expected = {Rail(50, 1, 4, 0, 0, 7), RailEnd(50, 2, 0), RailType(50, 1, 0, 0)};
    EXPECT_EQ(list.Lines(), expected);
}

TEST(TrackCommandList, RemovedRailHandsLookupToNextOne)
{
    TTrackCommandList list;
    list.Add(Rail(25, 3, 2, 0, 0, 1));
    list.Add(Rail(25, 3, 6, 0, 0, 2));
    EXPECT_TRUE(list.Remove(Rail(25, 3, 2, 0, 0, 1)));
    ASSERT_NE(list.FindRail(25, 3), nullptr);
    EXPECT_EQ(*list.FindRail(25, 3), Rail(25, 3, 6, 0, 0, 2));
}
