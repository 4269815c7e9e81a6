#include "tests/packager/packtesthelp.h"

#include "packager/formpackage.h"
#include "packager/packageformat.h"
#include "packager/packageroptions.h"

#include "platform/gui/dialogs.h"
#include "platform/inifile.h"
#include "platform/textlines.h"

#include <QProgressBar>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace packtest;

namespace {

class TTestOptions : public TPackagerOptions {
public:
    std::string Bve;
    std::string Objects = "lib";
    std::string BveFolder() const override { return Bve; }
    std::string GetObjectFolder() const override { return Objects; }
};

// A program folder with a stand-in installer and picture, an object library
// and a BVE folder holding an exported route.
class PackagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Root = Dir / "program/";
        WriteFile(Root + "kalmiro/kalmiro", Installer);
        fs::permissions(Root + "kalmiro/kalmiro", fs::perms::owner_all);
        WriteFile(Root + "kalmiro/noscreen.bmp", SmallBitmap(4, 3, 200));
        WriteFile(Root + "lib/myroute/rail.b3d", "rail object");
        WriteFile(Root + "lib/myroute/tex/rail.bmp", SmallBitmap(8, 8, 90));
        Options.Bve = Dir / "bve";
        WriteFile(Options.Bve + "/railway/route/myroute/myroute.csv", "With Route\r\n");
        WriteFile(Options.Bve + "/railway/route/myroute/myroute_credits.txt", "thanks\r\n");
        Form.Options = &Options;
        Form.RouteDir = "myroute";
        Form.ObjectFiles = {"myroute\\rail.b3d", "myroute\\tex\\rail.bmp"};
        Form.RouteFiles = {"myroute.csv", "myroute_credits.txt"};
    }

    // The archive part of a finished package, written to its own file.
    std::string ArchiveOf(const std::string& package)
    {
        const std::string pkg = ReadFile(package);
        const std::size_t marker = pkg.rfind("$VLPKG$");
        EXPECT_NE(marker, std::string::npos);
        const std::string zip = Dir / "archive.zip";
        WriteFile(zip, pkg.substr(Installer.size(), marker - Installer.size()));
        return zip;
    }

    ScratchDir Dir;
    std::string Root;
    std::string Installer = std::string(5000, 'K') + "installer";
    TTestOptions Options;
    TFormPackage Form;
};

} // namespace

TEST_F(PackagerTest, PackageLayoutByteForByte)
{
    Form.BuildPackage("Test Route", "", "Ann Author", "http://example.org", "Line one\r\nLine two", Root,
                      "Credits here");
    const std::string package = Root + "completed_packages/VLinstaller-Test Route";
    ASSERT_TRUE(Exists(package));
    const std::string pkg = ReadFile(package);
    ASSERT_GT(pkg.size(), Installer.size() + 22);
    EXPECT_EQ(pkg.substr(0, Installer.size()), Installer);
    const std::string trailer = PackageTrailer(Installer.size());
    EXPECT_EQ(pkg.substr(pkg.size() - trailer.size()), trailer);
    EXPECT_TRUE((fs::status(package).permissions() & fs::perms::owner_exec) != fs::perms::none);

    const std::string zip = ArchiveOf(package);
    EXPECT_EQ(ArchiveNames(zip), (std::vector<std::string>{
                                     "credits.dat", "description.dat", "files.dat", "noscreen.bmp", "route.ini",
                                     "railway/object/myroute/myroute/rail.b3d",
                                     "railway/object/myroute/myroute/tex/rail.bmp",
                                     "railway/route/myroute/myroute.csv",
                                     "railway/route/myroute/myroute_credits.txt"}));
    if (HaveTool("unzip")) {
        EXPECT_EQ(RunCommand("unzip -tq '" + zip + "' >/dev/null"), 0);
        EXPECT_EQ(RunCommand("cd '" + Dir.Path + "' && mkdir x && cd x && unzip -q ../archive.zip"), 0);
        EXPECT_EQ(ReadFile(Dir / "x/route.ini"),
                  "[Route]\r\nName=Test Route\r\nImage=\r\nAuthor=Ann Author\r\nHomepage=http://example.org\r\n");
        EXPECT_EQ(ReadFile(Dir / "x/description.dat"), "Line one\r\nLine two\r\n");
        EXPECT_EQ(ReadFile(Dir / "x/credits.dat"), "Credits here\r\n");
        EXPECT_EQ(ReadFile(Dir / "x/files.dat"), "\\railway\\object\\myroute\\myroute\\rail.b3d\r\n"
                                                 "\\railway\\object\\myroute\\myroute\\tex\\rail.bmp\r\n"
                                                 "\\railway\\route\\myroute\\myroute.csv\r\n"
                                                 "\\railway\\route\\myroute\\myroute_credits.txt\r\n");
        EXPECT_EQ(ReadFile(Dir / "x/noscreen.bmp"), ReadFile(Root + "kalmiro/noscreen.bmp"));
        EXPECT_EQ(ReadFile(Dir / "x/railway/object/myroute/myroute/tex/rail.bmp"),
                  ReadFile(Root + "lib/myroute/tex/rail.bmp"));
    }
    if (HaveTool("7z")) {
        EXPECT_EQ(RunCommand("7z t '" + zip + "' >/dev/null"), 0);
    }
    // The staging folder goes with the window.
    EXPECT_FALSE(Exists(Root + "routepackages"));
    EXPECT_EQ(Form.ProgressBar->value(), 0);
}

TEST_F(PackagerTest, PictureGoesInUnderItsOwnName)
{
    WriteFile(Dir / "pics/logo.bmp", SmallBitmap(2, 2, 10));
    Form.BuildPackage("R", Dir / "pics/logo.bmp", "a", "", "d", Root, "c");
    const auto names = ArchiveNames(ArchiveOf(Root + "completed_packages/VLinstaller-R"));
    EXPECT_EQ(std::count(names.begin(), names.end(), "logo.bmp"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "noscreen.bmp"), 0);
}

TEST_F(PackagerTest, MissingPictureStillNamedInRouteIni)
{
    Form.ObjectFiles.clear();
    Form.RouteFiles = {"myroute.csv"};
    Form.BuildPackage("R", Dir / "gone/missing.jpg", "a", "", "d", Root, "c");
    const std::string zip = ArchiveOf(Root + "completed_packages/VLinstaller-R");
    EXPECT_EQ(ArchiveNames(zip), (std::vector<std::string>{"credits.dat", "description.dat", "files.dat",
                                                           "noscreen.bmp", "route.ini",
                                                           "railway/route/myroute/myroute.csv"}));
    TZipArchiver za;
    za.FileName = zip;
    za.BaseDir = Dir / "out";
    za.OpenArchive();
    za.ExtractFiles("*.*", 63, "");
    za.CloseArchive();
    EXPECT_EQ(IniReadString(Dir / "out/route.ini", "Route", "Image", "?"), "missing.jpg");
    EXPECT_EQ(ReadFile(Dir / "out/files.dat"), "\\railway\\route\\myroute\\myroute.csv\r\n");
}

TEST_F(PackagerTest, RouteWithoutFilesWritesNoPackageAndKeepsTheEarlierOne)
{
    WriteFile(Root + "completed_packages/VLinstaller-R", "earlier package");
    Form.ObjectFiles.clear();
    Form.RouteFiles.clear();
    EXPECT_THROW(Form.BuildPackage("R", "", "a", "", "d", Root, "c"), std::runtime_error);
    // Listed files that are all missing come to the same.
    Form.RouteFiles = {"gone.csv"};
    EXPECT_THROW(Form.BuildPackage("R", "", "a", "", "d", Root, "c"), std::runtime_error);
    EXPECT_EQ(ReadFile(Root + "completed_packages/VLinstaller-R"), "earlier package");
    EXPECT_FALSE(Exists(Root + "routepackages"));
}

TEST_F(PackagerTest, SecondBuildReplacesTheFinishedPackage)
{
    Form.BuildPackage("Same", "", "a", "", "first", Root, "c");
    const std::string package = Root + "completed_packages/VLinstaller-Same";
    const auto first = fs::file_size(package);
    Form.RouteFiles.clear();
    Form.BuildPackage("Same", "", "a", "", "second", Root, "c");
    EXPECT_LT(fs::file_size(package), first);
    // The entries stay for the caller.
    EXPECT_EQ(Form.ObjectFiles.size(), 2u);

    // A package the user write-protected is kept, and the error says why.
    const auto second = fs::file_size(package);
    fs::permissions(package, fs::perms::owner_read);
    Form.RouteFiles = {"myroute.csv"};
    try {
        Form.BuildPackage("Same", "", "a", "", "third", Root, "c");
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("write-protected"), std::string::npos) << e.what();
    }
    EXPECT_EQ(fs::file_size(package), second);
}

TEST_F(PackagerTest, LeftoverStagingTreeIsNotPackaged)
{
    WriteFile(Root + "routepackages/temp/railway/object/myroute/myroute/rail.b3d", "stale");
    WriteFile(Root + "routepackages/temp/stray.txt", "stray");
    Form.BuildPackage("R", "", "a", "", "d", Root, "c");
    const std::string zip = ArchiveOf(Root + "completed_packages/VLinstaller-R");
    const auto names = ArchiveNames(zip);
    EXPECT_EQ(std::count(names.begin(), names.end(), "stray.txt"), 0);
    TZipArchiver za;
    za.FileName = zip;
    za.BaseDir = Dir / "out";
    za.OpenArchive();
    za.ExtractFiles("*.*", 63, "");
    za.CloseArchive();
    EXPECT_EQ(ReadFile(Dir / "out/railway/object/myroute/myroute/rail.b3d"), "rail object");
}

TEST_F(PackagerTest, NamesCannotLeaveTheirFolders)
{
    Form.BuildPackage("a/../../b", "", "a", "", "d", Root, "c");
    EXPECT_TRUE(Exists(Root + "completed_packages/VLinstaller-a_.._.._b"));

    Form.RouteFiles = {"..\\..\\..\\secret.txt"};
    EXPECT_THROW(Form.BuildPackage("R", "", "a", "", "d", Root, "c"), std::runtime_error);
    Form.RouteFiles.clear();
    Form.RouteDir = "..";
    EXPECT_THROW(Form.BuildPackage("R", "", "a", "", "d", Root, "c"), std::runtime_error);
    EXPECT_FALSE(Exists(Root + "routepackages"));
}

TEST_F(PackagerTest, MissingInstallerStopsTheBuild)
{
    fs::remove(Root + "kalmiro/kalmiro");
    Form.show();
    EXPECT_THROW(Form.BuildPackage("R", "", "a", "", "d", Root, "c"), std::runtime_error);
    EXPECT_FALSE(Exists(Root + "completed_packages/VLinstaller-R"));
    // The window closes with the error and takes the staging tree along.
    EXPECT_FALSE(Form.isVisible());
    EXPECT_FALSE(Exists(Root + "routepackages"));
    EXPECT_TRUE(Form.PackagePath.empty());

    // More files than an archive holds are refused before anything is done.
    Form.show();
    Form.RouteFiles.assign(65531, "x.csv");
    EXPECT_THROW(Form.BuildPackage("R", "", "a", "", "d", Root, "c"), std::runtime_error);
    EXPECT_FALSE(Form.isVisible());
    EXPECT_FALSE(Exists(Root + "routepackages"));
}

TEST_F(PackagerTest, AnsiNamesAreFoundUnderTheirNativeNames)
{
    // The export writes "gr\xFCn" (ANSI) to disk as UTF-8; the archive keeps
    // the ANSI name, as on Windows.
    WriteFile(Root + "lib/myroute/gr\xC3\xBCn.b3d", "green object");
    WriteFile(Options.Bve + "/railway/route/myroute/b\xC3\xA4r.csv", "bear route");
    Form.ObjectFiles = {"myroute\\gr\xFCn.b3d"};
    Form.RouteFiles = {"b\xE4r.csv"};
    WriteFile(Dir / "pics/s\xC3\xB6r.bmp", SmallBitmap(2, 2, 10));
    // The route's name, ANSI too, names the package on disk in UTF-8.
    Form.BuildPackage("Z\xFCrich", Dir / "pics/s\xF6r.bmp", "a", "", "d", Root, "c");
    EXPECT_EQ(Form.PackagePath, Root + "completed_packages/VLinstaller-Z\xC3\xBCrich");
    const auto names = ArchiveNames(ArchiveOf(Form.PackagePath));
    EXPECT_EQ(std::count(names.begin(), names.end(), "s\xF6r.bmp"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "noscreen.bmp"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "railway/object/myroute/myroute/gr\xFCn.b3d"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "railway/route/myroute/b\xE4r.csv"), 1);
    TZipArchiver za;
    za.FileName = Dir / "archive.zip";
    za.OpenArchiveWithMode(fmOpenRead | fmShareDenyNone);
    bool found = false;
    for (int32_t i = 0; i < za.Count(); ++i)
        if (za.Item(i).StoredName == "railway/object/myroute/myroute/gr\xFCn.b3d")
            found = za.Item(i).CentralDir.UncompressedSize == std::string("green object").size();
    za.CloseArchive();
    EXPECT_TRUE(found);
}

TEST_F(PackagerTest, FilesThatCannotBeCopiedAreLeftOutWithAWarning)
{
    std::vector<TDialogRequest> requests;
    TScopedDialogResponder responder([&](const TDialogRequest& r) {
        requests.push_back(r);
        return TDialogAnswer{mrOk, {}};
    });
    Form.ObjectFiles = {"myroute\\rail.b3d", "myroute\\gone.b3d", "myroute\\rail.b3d"};
    Form.RouteFiles = {"myroute.csv", "missing.csv"};
    Form.BuildPackage("R", "", "a", "", "d", Root, "c");
    EXPECT_EQ(Form.FailedFiles, (TStrings{"myroute\\gone.b3d", "missing.csv"}));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].MsgType, mtWarning);
    EXPECT_EQ(requests[0].Text, "The package was built without these files, which could not be copied:\r\n"
                                "myroute\\gone.b3d\r\nmissing.csv");

    // The list names only what the archive holds; a file listed twice is
    // packaged once.
    TZipArchiver za;
    za.FileName = ArchiveOf(Root + "completed_packages/VLinstaller-R");
    za.BaseDir = Dir / "x";
    fs::create_directories(za.BaseDir);
    za.OpenArchiveWithMode(fmOpenRead | fmShareDenyNone);
    za.ExtractFiles("files.dat", 47, "");
    za.CloseArchive();
    EXPECT_EQ(ReadFile(Dir / "x/files.dat"), "\\railway\\object\\myroute\\myroute\\rail.b3d\r\n"
                                             "\\railway\\route\\myroute\\myroute.csv\r\n");

    // The object files may come from another folder than the library.
    requests.clear();
    WriteFile(Dir / "elsewhere/myroute/gone.b3d", "found");
    Form.ObjectSource = Dir / "elsewhere";
    Form.ObjectFiles = {"myroute\\gone.b3d"};
    Form.RouteFiles = {"myroute.csv"};
    Form.BuildPackage("R", "", "a", "", "d", Root, "c");
    EXPECT_TRUE(Form.FailedFiles.empty());
    EXPECT_TRUE(requests.empty());
}
