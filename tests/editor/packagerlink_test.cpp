// The editor program with the route packager linked in: the real packager
// window at its place among the 24 windows, the packager reading the options
// window, an export with the package choice producing a package whose
// archive other tools accept, and the shipped English language file holding
// every text the 24 windows write on a first start.

#include "app/packagerlink.h"
#include "editor/formexport.h"
#include "editor/formobjects.h"
#include "editor/formoptions.h"
#include "editor/formtrain.h"
#include "editor/frmobjects.h"
#include "editor/startupforms.h"
#include "editor/vclwidgets.h"
#include "model/vlobject.h"
#include "packager/formpackage.h"
#include "packager/packageformat.h"
#include "packager/packageroptions.h"
#include "tests/packager/packtesthelp.h"

#include "startuptesthelpers.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QTest>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace fs = std::filesystem;

namespace {

std::string Golden(const std::string& name)
{
    return std::string(VELKAST_SOURCE_DIR) + "/tests/export/golden/" + name;
}

// An object file list entry ("folder\\file") as the archive stores it.
std::string StoredName(std::string entry)
{
    std::replace(entry.begin(), entry.end(), '\\', '/');
    return entry;
}

class PackagerLinkTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        SavedObjectsRoot = ObjectsRoot;
        Bve = (Dir / "bve").string();
        fs::create_directories(Bve + "/Train/train");
        PutFile("set.ini", "[Settings]\r\nBVE_Folder=" + Bve + "\r\nObjectFolder=lib\r\n");
        InstallPackagerLink();
    }
    void TearDown() override
    {
        // The windows go first: the export dialog's hook must not outlive them.
        DestroyForms();
        RemovePackagerLink();
        ObjectsRoot = SavedObjectsRoot;
        StartupTest::TearDown();
    }

    // A program folder that can build packages: object library and installer.
    void PrepareProgramFolder()
    {
        fs::copy(fs::path(VELKAST_SOURCE_DIR) / "sample/program/lib", Program + "lib", fs::copy_options::recursive);
        packtest::WriteFile(Program + "kalmiro/kalmiro", Installer);
        packtest::WriteFile(Program + "kalmiro/noscreen.bmp", packtest::SmallBitmap(4, 3, 200));
    }

    // Exports the golden "siding" project (unless one is loaded) as route
    // "route" into sub-folder "route" and finishes with the package choice ticked.
    void ExportWithPackage(bool load = true)
    {
        if (load) {
            ASSERT_TRUE(Project.LoadFromFile(Golden("siding.vlp")));
        }
        FormExport->Project = &Project;
        FormExport->show();
        FormExport->export_set_Trains->setCurrentIndex(FormExport->export_set_Trains->findText("train"));
        FormExport->leSubdir->SetText("route");
        FormExport->leRoutefilename->SetText("route");
        FormExport->ExportBtn->click();
        ASSERT_EQ(FormExport->ActivePage(), 2);
        ASSERT_TRUE(FormExport->cbRunPackageWizard->isEnabled());
        FormExport->cbRunPackageWizard->setChecked(true);
        FormExport->cbRunPackageWizardClick();
        FormExport->bCloseClick();
    }

    // The archive part of a package, as a file of its own.
    std::string ArchiveOf(const std::string& package)
    {
        const std::string bytes = packtest::ReadFile(package);
        const std::string trailer = PackageTrailer(Installer.size());
        EXPECT_GT(bytes.size(), Installer.size() + trailer.size());
        EXPECT_EQ(bytes.substr(0, Installer.size()), Installer);
        EXPECT_EQ(bytes.substr(bytes.size() - trailer.size()), trailer);
        const std::string zip = (Dir / "archive.zip").string();
        packtest::WriteFile(zip, bytes.substr(Installer.size(), bytes.size() - trailer.size() - Installer.size()));
        return zip;
    }

    std::string Bve;
    std::string SavedObjectsRoot;
    std::string Installer = std::string(3000, 'K') + "installer";
    TVLProject Project;
};

} // namespace

TEST_F(PackagerLinkTest, StartUpCreatesTheRealPackagerWindowInItsPlace)
{
    CreateApplicationForms();
    const std::vector<QWidget*> forms = ApplicationForms();
    ASSERT_EQ(forms.size(), 24u);
    ASSERT_NE(FormPackage, nullptr);
    EXPECT_EQ(forms[19], FormPackage);
    EXPECT_EQ(FormPackage->objectName(), "FormPackage");
    EXPECT_EQ(std::count_if(forms.begin(), forms.end(),
                            [](QWidget* f) { return f->objectName() == "FormPackage"; }),
              1);
    // The export dialog offers the package once the builder is there.
    EXPECT_TRUE(FormExport->cbRunPackageWizard->isEnabled());
}

TEST_F(PackagerLinkTest, PackagerReadsTheOptionsWindowLive)
{
    CreateApplicationForms();
    EXPECT_EQ(PackagerOptions().BveFolder(), Bve);
    EXPECT_EQ(PackagerOptions().GetObjectFolder(), "lib");
    // The edit field counts, not the settings file.
    FormOptions->edObjFolder->setText("objects");
    EXPECT_EQ(PackagerOptions().GetObjectFolder(), "objects");
    FormOptions->BveFolder = Bve + "/";
    EXPECT_EQ(PackagerOptions().BveFolder(), Bve);
}

TEST_F(PackagerLinkTest, WithoutTheLinkAStandInKeepsThePlace)
{
    RemovePackagerLink();
    CreateApplicationForms();
    const std::vector<QWidget*> forms = ApplicationForms();
    ASSERT_EQ(forms.size(), 24u);
    EXPECT_EQ(forms[19]->objectName(), "FormPackage");
    EXPECT_EQ(FormPackage, nullptr);
    EXPECT_FALSE(FormExport->cbRunPackageWizard->isEnabled());
}

TEST_F(PackagerLinkTest, ExportWithThePackageChoiceBuildsAPackage)
{
    PrepareProgramFolder();
    CreateApplicationForms();
    ExportWithPackage();
    // One message: where the package was written.
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].MsgType, mtInformation);
    EXPECT_EQ(Requests[0].Text,
              GetMessageText("ucreatepackage_written") + Program + "completed_packages/VLinstaller-Siding");
    EXPECT_FALSE(FormExport->isVisible());
    EXPECT_FALSE(FormPackage->isVisible());
    EXPECT_FALSE(packtest::Exists(Program + "routepackages"));

    const std::string package = Program + "completed_packages/VLinstaller-Siding";
    ASSERT_TRUE(packtest::Exists(package));
    const std::string zip = ArchiveOf(package);
    const std::vector<std::string> names = packtest::ArchiveNames(zip);
    for (const char* name : {"route.ini", "files.dat", "noscreen.bmp", "railway/route/route/route.csv",
                             "railway/route/route/route_credits.txt"})
        EXPECT_EQ(std::count(names.begin(), names.end(), name), 1) << name;
    for (const std::string& entry : FormExport->FileListLines)
        EXPECT_EQ(std::count(names.begin(), names.end(), "railway/object/route/" + StoredName(entry)), 1) << entry;
    if (!packtest::HaveTool("unzip"))
        GTEST_SKIP() << "unzip is not installed";
    EXPECT_EQ(packtest::RunCommand("unzip -tq '" + zip + "' >/dev/null"), 0);
    const std::string out = (Dir / "x").string();
    ASSERT_EQ(packtest::RunCommand("unzip -q '" + zip + "' -d '" + out + "'"), 0);
    EXPECT_EQ(packtest::ReadFile(out + "/railway/route/route/route.csv"),
              packtest::ReadFile(Bve + "/railway/route/route/route.csv"));
    EXPECT_EQ(packtest::ReadFile(out + "/route.ini"),
              "[Route]\r\nName=Siding\r\nImage=\r\nAuthor=Tester\r\nHomepage=\r\n");
}

TEST_F(PackagerLinkTest, SecondExportPackagesOnlyItsOwnFiles)
{
    PrepareProgramFolder();
    CreateApplicationForms();
    ExportWithPackage();
    ExportWithPackage();
    EXPECT_EQ(Requests.size(), 2u);
    const std::string out = (Dir / "x").string();
    const std::string zip = ArchiveOf(Program + "completed_packages/VLinstaller-Siding");
    if (!packtest::HaveTool("unzip"))
        GTEST_SKIP() << "unzip is not installed";
    ASSERT_EQ(packtest::RunCommand("unzip -q '" + zip + "' files.dat -d '" + out + "'"), 0);
    const TStrings lines = SplitLines(packtest::ReadFile(out + "/files.dat"));
    EXPECT_EQ(lines.size(), FormExport->FileListLines.size() + 2);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "\\railway\\route\\route\\route.csv"), 1);
}

TEST_F(PackagerLinkTest, MissingInstallerIsReportedAndTheExportStays)
{
    fs::copy(fs::path(VELKAST_SOURCE_DIR) / "sample/program/lib", Program + "lib", fs::copy_options::recursive);
    CreateApplicationForms();
    ExportWithPackage();
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Kind, TDialogKind::MessageBox);
    EXPECT_FALSE(packtest::Exists(Program + "completed_packages/VLinstaller-Siding"));
    EXPECT_TRUE(packtest::Exists(Bve + "/railway/route/route/route.csv"));
}

TEST_F(PackagerLinkTest, ShippedLanguageFileHoldsEveryWindowText)
{
    // A first start writes every caption and component text the language
    // file lacks; the shipped file must already hold them all.
    const std::string shipped = packtest::ReadFile(std::string(VELKAST_SOURCE_DIR) + "/sample/program/english.lng");
    ASSERT_FALSE(shipped.empty());
    CreateApplicationForms();
    ASSERT_EQ(ApplicationForms().size(), 24u);
    Translator->SetFileName("english.lng");
    Translator->WriteDefaults();
    const std::string written = FileBytes("english.lng");
    if (written != shipped) {
        // Name the lines the translator added.
        const TStrings before = SplitLines(shipped);
        std::string added;
        std::string section;
        for (const std::string& line : SplitLines(written)) {
            if (!line.empty() && line.front() == '[')
                section = line;
            else if (std::find(before.begin(), before.end(), line) == before.end())
                added += section + " " + line + "\n";
        }
        ADD_FAILURE() << "keys missing from the shipped english.lng:\n" << added;
    }
}

// An object named beyond ASCII goes the whole road: library file, object
// browser, plan, export, package, and the real installer.
TEST_F(PackagerLinkTest, ObjectWithUmlautTravelsFromLibraryToInstalledRoute)
{
    PrepareProgramFolder();
    fs::copy_file(VELKAST_PROGRAM_DIR "/kalmiro/kalmiro", Program + "kalmiro/kalmiro",
                  fs::copy_options::overwrite_existing);
    Installer = packtest::ReadFile(Program + "kalmiro/kalmiro");
    const std::string lib = Program + "lib/misc/";
    packtest::WriteFile(lib + "b\xC3\xA4um.b3d", ";author=J\xF6rg S\xF8rensen\r\nLoad Bl\xE4tter.bmp\r\n");
    packtest::WriteFile(lib + "Bl\xC3\xA4tter.bmp", packtest::SmallBitmap(4, 4, 90));
    packtest::WriteFile(lib + "\xD0\xB5\xD0\xBB\xD1\x8C.b3d", ""); // Cyrillic: Windows-1252 cannot hold it
    CreateApplicationForms();
    ASSERT_TRUE(Project.LoadFromFile(Golden("siding.vlp")));
    TFrmObjects* browser = FormObjects->FrmObjects1;
    FormObjects->Project = &Project;
    FormObjects->show();
    auto choose = [](QListWidget* list, const char* utf8) {
        list->setCurrentItem(list->findItems(QString::fromUtf8(utf8), Qt::MatchExactly).value(0));
    };
    choose(browser->lvObjFolders, "misc");
    browser->lvObjFoldersClick();
    choose(browser->lvObjects, "\xD0\xB5\xD0\xBB\xD1\x8C.b3d");
    browser->lvObjectsDblClick(); // said to be unusable, not placed
    EXPECT_EQ(CountMessageKey("tmain_name_not_ansi"), 1);
    choose(browser->lvObjects, "b\xC3\xA4um.b3d");
    EXPECT_EQ(browser->lAutor->text(), QString::fromUtf8("J\xC3\xB6rg S\xC3\xB8rensen"));
    EXPECT_EQ(browser->lBitmaps->text(), QString::fromUtf8("Bl\xC3\xA4tter.bmp"));
    CurrentSituation.Cursor = MakeWorldPoint(80, 10);
    browser->lvObjectsDblClick();
    ASSERT_EQ(Project.FreeObjects.Count(), 2);

    ExportWithPackage(false);
    EXPECT_EQ(std::count_if(Requests.begin(), Requests.end(), [](auto& r) { return r.MsgType == mtWarning; }), 1);
    EXPECT_NE(JoinLines(FormExport->RouteFileLines).find("route\\misc\\b\xE4um.b3d"), std::string::npos);

    // The player's side: the package unpacks and hands over to its copy.
    const std::string player = (Dir / "player").string(), log = (Dir / "log.txt").string();
    packtest::WriteFile(player + "/bve.exe", "");
    packtest::WriteFile(Program + "answers.ini", "BveFolder=" + player + "\r\nClick=Button1\r\nLog=" + log + "\r\n");
    qputenv("KALMIRO_TEST_RESPONDER", QByteArray::fromStdString(Program + "answers.ini"));
    qputenv("VELKAST_REGISTRY_DIR", QByteArray::fromStdString(Program));
    EXPECT_EQ(QProcess::execute(QString::fromStdString(Program + "completed_packages/VLinstaller-Siding")), 0);
    // Both phases have ended (each logs its exit) before the folders go.
    auto exits = [&] {
        const std::string text = packtest::ReadFile(log);
        int n = 0;
        for (std::size_t at = text.find("Exit|"); at != std::string::npos; at = text.find("Exit|", at + 1))
            ++n;
        return n;
    };
    for (int i = 0; i < 600 && exits() < 2; ++i)
        QTest::qWait(100);
    EXPECT_NE(packtest::ReadFile(log).find("Route installed"), std::string::npos) << packtest::ReadFile(log);
    qunsetenv("KALMIRO_TEST_RESPONDER");
    qunsetenv("VELKAST_REGISTRY_DIR");
    for (const char* name : {"b\xC3\xA4um.b3d", "Bl\xC3\xA4tter.bmp"})
        EXPECT_EQ(packtest::ReadFile(player + "/railway/object/route/misc/" + name), packtest::ReadFile(lib + name));
}
