#include "model/vlobject.h"
#include "model/vlroutedefinition.h"
#include "model/vlstation.h"
#include "platform/textlines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(RouteDefinition, TracksAndCaption)
{
    TVLRouteDefinition r;
    EXPECT_EQ(r.Id, 0);
    r.Id = 3;
    r.Name = "Main line";
    EXPECT_EQ(r.GetCaption(), "ID3: Main line");
    r.AddTrack(12);
    r.AddTrack(12);
    r.AddTrack(-4);
    EXPECT_EQ(r.Lines(), (TStrings{"12", "-4"}));
    EXPECT_TRUE(r.ContainsTrack(12));
    EXPECT_FALSE(r.ContainsTrack(1));
    EXPECT_EQ(r.TrackIdAt(1), -4);
    EXPECT_EQ(r.TrackIdAt(5), 0);
    r.RemoveTrack(12);
    EXPECT_FALSE(r.ContainsTrack(12));
    r.RemoveTrack(12);
    EXPECT_EQ(r.Count(), 1);
    // Lines set from a file: duplicates and text that is no number are kept
    // as they are; the lookup follows every change.
    r.SetLines({"5", "x", "5"});
    EXPECT_EQ(r.TrackIdAt(1), 0);
    r.RemoveTrack(5);
    EXPECT_TRUE(r.ContainsTrack(5));
    r.Delete(1);
    EXPECT_FALSE(r.ContainsTrack(5));
    r.Clear();
    EXPECT_EQ(r.Count(), 0);
}

TEST(Station, PlatformsAndTracks)
{
    TVLStation s("Hill Road");
    s.Lines = {"1=12", "2=15", "a=x", "1=99"};
    EXPECT_EQ(s.GetPlatformTrack("1"), 12);
    EXPECT_EQ(s.GetPlatformTrack("A"), -1);
    EXPECT_EQ(s.GetPlatformTrack("3"), -1);
    EXPECT_TRUE(s.UsesTrack(15));
    EXPECT_FALSE(s.UsesTrack(99)); // shadowed by the first "1" entry
    TStrings p{"old"};
    s.GetPlatforms(p);
    EXPECT_EQ(p, (TStrings{"1", "2", "a", "1"}));
    EXPECT_FALSE(s.RemovePlatform("1"));
    EXPECT_EQ(s.Lines.front(), "2=15");
    EXPECT_TRUE(s.UsesTrack(99));
}

TEST(Station, LineRoundTrip)
{
    TVLStation s("Hill Road");
    s.Lines = {"1=12", "2=15"};
    EXPECT_EQ(s.SaveToString(), "\"Hill Road\",1=12,2=15");
    TVLStation empty("Alone");
    EXPECT_EQ(empty.SaveToString(), "\"Alone\"");

    TVLStation back;
    EXPECT_TRUE(back.LoadFromString(s.SaveToString()));
    EXPECT_EQ(back.Name, "Hill Road");
    EXPECT_EQ(back.Lines, s.Lines);

    // A quote in the name survives.
    TVLStation q("The \"Old\" Mill");
    q.Lines = {"1=3"};
    EXPECT_EQ(q.SaveToString(), "\"The \"\"Old\"\" Mill\",1=3");
    EXPECT_TRUE(back.LoadFromString(q.SaveToString()));
    EXPECT_EQ(back.Name, q.Name);
    EXPECT_EQ(back.Lines, q.Lines);

    // An empty line is refused and changes nothing.
    EXPECT_FALSE(back.LoadFromString(""));
    EXPECT_FALSE(back.LoadFromString("   "));
    EXPECT_EQ(back.Name, q.Name);
}

class ObjectFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("vl_obj_" + std::to_string(::getpid()));
        fs::create_directories(dir / "misc");
        fs::create_directories(dir / "Signs");
        savedRoot = ObjectsRoot;
        ObjectsRoot = dir.string() + "/";
        SaveLines((dir / "misc" / "kuh1.b3d").string(),
                  {";author=\"Ann\",Bob,ann,,Carl", ";description=A cow", ";Copyright=CC", "CreateMeshBuilder",
                   "Vertex 0.5, 2, 3", "Load cow.bmp", "LOAD Cow.BMP", "load a.png extra", "loadx"});
        SaveLines((dir / "Signs" / "Box.B3D").string(),
                  {"vertex -2,0,-1", "VERTEX 2, 4, 3", "vertexbogus"});
    }
    void TearDown() override
    {
        ObjectsRoot = savedRoot;
        fs::remove_all(dir);
    }
    fs::path dir;
    std::string savedRoot;
};

TEST_F(ObjectFiles, ReadsFileAndBounds)
{
    TVLObject o("misc", "kuh1.b3d");
    EXPECT_EQ(o.Folder, "misc");
    EXPECT_EQ(o.FileName, "kuh1.b3d");
    EXPECT_EQ(o.Lines.size(), 9u);
    EXPECT_DOUBLE_EQ(o.MaxX, 0.5);
    EXPECT_DOUBLE_EQ(o.MinX, -0.5);
    EXPECT_DOUBLE_EQ(o.MaxY, 2);
    EXPECT_DOUBLE_EQ(o.MinY, 2);
    EXPECT_DOUBLE_EQ(o.MaxZ, 3);
    EXPECT_DOUBLE_EQ(o.MinZ, 2);
    EXPECT_EQ(o.GetRelativePath(), "misc\\kuh1.b3d");
    EXPECT_EQ(o.GetDescription(), "A cow");
    EXPECT_EQ(o.GetCopyright(), "CC");

    TStrings authors{"carl"};
    o.GetAuthors(authors);
    EXPECT_EQ(authors, (TStrings{"carl", "Ann", "Bob"})); // stops at the empty piece

    TStrings textures{"stale"};
    o.GetTextureFiles(textures);
    EXPECT_EQ(textures, (TStrings{"", "a.png", "cow.bmp"}));

    // Letter case of the file on disk does not matter.
    TVLObject box("signs", "box.b3d");
    EXPECT_DOUBLE_EQ(box.MinX, -2);
    EXPECT_DOUBLE_EQ(box.MaxX, 2);
    EXPECT_DOUBLE_EQ(box.MaxY, 4);
    EXPECT_DOUBLE_EQ(box.MinZ, -1);
}

TEST_F(ObjectFiles, MissingFileKeepsItsNames)
{
    TVLObject o("trees", "gone.b3d");
    EXPECT_EQ(o.Folder, "trees");
    EXPECT_EQ(o.FileName, "gone.b3d");
    EXPECT_TRUE(o.Lines.empty());
    EXPECT_EQ(o.MaxX, 0);
    EXPECT_EQ(o.MinZ, 0);
    o.X = 1;
    EXPECT_EQ(o.SaveToString(), "\"trees\",\"gone.b3d\",1.00000,0.00000,0.00000,0.00000");
    auto back = TVLObject::CreateFromLine(o.SaveToString());
    EXPECT_EQ(back->GetRelativePath(), "trees\\gone.b3d");
}

TEST_F(ObjectFiles, LineRoundTripAndCopy)
{
    auto o = TVLObject::CreateFromLine("\"misc\",\"kuh1.b3d\",12.50000,-4.00000,90.00000,0.00000");
    EXPECT_EQ(o->SaveToString(), "\"misc\",\"kuh1.b3d\",12.50000,-4.00000,90.00000,0.00000");
    EXPECT_EQ(o->Rotation, 90);
    EXPECT_FALSE(o->Lines.empty());
    auto r = TVLObject::CreateFromLine("\"misc\",\"kuh1.b3d\",0,0,2.5,1.25");
    EXPECT_EQ(r->Rotation, 2); // halves to even
    EXPECT_DOUBLE_EQ(r->Height, 1.25);

    auto def = TVLObject::CreateFromLine("\"\",\"\",1,2,0,0");
    EXPECT_EQ(def->GetRelativePath(), "misc\\kuh1.b3d");
    EXPECT_FALSE(def->Lines.empty());

    o->Height = 3;
    auto copy = TVLObject::CreateCopy(*o);
    EXPECT_EQ(copy->Rotation, 90);
    EXPECT_EQ(copy->Height, 3);
    EXPECT_EQ(copy->X, 0);
    EXPECT_EQ(copy->Lines, o->Lines);
    EXPECT_DOUBLE_EQ(copy->MinX, o->MinX);
}

TEST(FreeObject, CornersAndBoundsWithoutVertices)
{
    TVLObject o;
    o.MaxX = 1;
    o.MaxZ = 2;
    o.MinX = -1;
    o.MinZ = -2;
    o.Rotation = 90;
    auto c = o.GetCorners();
    EXPECT_NEAR(c[0].X, -2, 1e-12);
    EXPECT_NEAR(c[0].Y, 1, 1e-12);
    EXPECT_NEAR(c[2].X, 2, 1e-12);
    EXPECT_NEAR(c[2].Y, -1, 1e-12);
    o.Lines = {"no vertices here"};
    o.CalcBounds();
    EXPECT_EQ(o.MaxX, -999);
    EXPECT_EQ(o.MinX, 999);
    o.MoveBy(1, 2);
    EXPECT_EQ(o.X, 1);
    EXPECT_EQ(o.Y, 2);
}
