// The package wizard with the real packager linked in: the files it
// collects from the BVE tree, the package it builds from them (installed by
// the real installer program), and what goes wrong on the way.

#include "app/packagerlink.h"
#include "editor/formcreatepackage.h"
#include "editor/formmain.h"
#include "editor/formoptions.h"
#include "editor/frmeditor.h"
#include "editor/startupforms.h"
#include "editor/vclwidgets.h"
#include "packager/formpackage.h"
#include "packager/packageformat.h"
#include "platform/inifile.h"
#include "tests/packager/packtesthelp.h"

#include "startuptesthelpers.h"

#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>

#include <chrono>
#include <thread>

namespace fs = std::filesystem;

namespace {

const std::string InstallerProgram = std::string(VELKAST_PROGRAM_DIR) + "/kalmiro/kalmiro";

class CreatePackageTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        Bve = (Dir / "bve").string();
        fs::create_directories(Bve + "/Train/train");
        PutFile("set.ini", "[Settings]\r\nBVE_Folder=" + Bve + "\r\nObjectFolder=lib\r\n");
        InstallPackagerLink();
    }
    void TearDown() override
    {
        DestroyForms();
        RemovePackagerLink();
        StartupTest::TearDown();
    }

    void Put(const std::string& path, const std::string& bytes) { packtest::WriteFile(Bve + "/" + path, bytes); }

    // A route in the BVE tree: nested, dot and linked folders.
    void PrepareRoute()
    {
        const std::string obj = "railway/object/wiz/";
        Put(obj + "a.b3d", "[MeshBuilder]\r\n");
        Put(obj + ".keep", "kept: only folders starting with a dot are passed over");
        Put(obj + "tex/b.bmp", packtest::SmallBitmap(8, 8, 90));
        Put(obj + "tex/deep/c.csv", std::string("binary\0\xff", 8));
        Put(obj + ".svn/entries", "skipped");
        Put(obj + "tex/.cache/x.b3d", "skipped");
        fs::create_directory_symlink(".", Bve + "/" + obj + "loop");
        fs::create_directory_symlink("..", Bve + "/" + obj + "tex/up");
        fs::create_symlink("a.b3d", Bve + "/" + obj + "same.b3d");
        Put("railway/route/wiz/wiz.csv", "With Route\r\n");
        Put("railway/route/wiz/sub/sub2/z.txt", "deep");
        Put("railway/route/other/not.csv", "other route");
    }

    void PrepareProgramFolder()
    {
        ASSERT_TRUE(fs::exists(InstallerProgram)) << InstallerProgram;
        fs::create_directories(Program + "kalmiro");
        fs::copy_file(InstallerProgram, Program + "kalmiro/kalmiro");
        packtest::WriteFile(Program + "kalmiro/noscreen.bmp", packtest::SmallBitmap(4, 3, 200));
    }

    // Opens the wizard from the main window as the make-package command
    // does and presses "Create package" inside it.
    void RunWizard(const std::string& routeName = "Wiz Route")
    {
        if (!FormMain)
            CreateApplicationForms();
        if (!FormMain->FrmEditor->Project) {
            FormMain->FrmEditor->SetProject(std::make_unique<TVLProject>());
            TVLProject* p = FormMain->FrmEditor->Project;
            p->ProjectName = routeName;
            p->RouteFilesSubDir = "wiz";
            p->Author = "Ann";
            p->Description = "A wizard route";
            p->Credits = "Thanks";
        }
        Answer = [](const TDialogRequest& r) {
            TDialogAnswer a;
            if (r.Kind == TDialogKind::ModalWindow && r.Window == FormCreatePackage) {
                FormCreatePackage->CreatePackage->click();
                a.Result = FormCreatePackage->result() == QDialog::Accepted ? mrOk : mrCancel;
            } else if (r.Kind == TDialogKind::MessageBox) {
                a.Result = DefaultMessageAnswer(r.Buttons);
            }
            return a;
        };
        FormMain->MakePackage1Click();
    }

    std::vector<std::string> ListBoxLines() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < FormCreatePackage->ListBox1->count(); ++i)
            out.push_back(QToAnsi(FormCreatePackage->ListBox1->item(i)->text()));
        return out;
    }

    std::vector<TDialogRequest> Messages() const { return RequestsOf(TDialogKind::MessageBox); }

    std::string Package() const { return Program + "completed_packages/VLinstaller-Wiz Route"; }

    // The lines of files.dat inside the finished package.
    TStrings PackagedFileList()
    {
        const std::string bytes = packtest::ReadFile(Package());
        const std::size_t installer = fs::file_size(InstallerProgram);
        const std::string trailer = PackageTrailer(installer);
        const std::string zip = (Dir / "part.zip").string();
        packtest::WriteFile(zip, bytes.substr(installer, bytes.size() - trailer.size() - installer));
        TZipArchiver za;
        za.FileName = zip;
        za.BaseDir = (Dir / "unzipped").string();
        fs::create_directories(za.BaseDir);
        za.OpenArchiveWithMode(fmOpenRead | fmShareDenyNone);
        za.ExtractFiles("files.dat", 47, "");
        za.CloseArchive();
        return SplitLines(packtest::ReadFile((Dir / "unzipped/files.dat").string()));
    }

    std::string Bve;
};

const TStrings ExpectedObjects = {".keep", "a.b3d", "same.b3d", "tex\\b.bmp", "tex\\deep\\c.csv"};
const TStrings ExpectedRoutes = {"sub\\sub2\\z.txt", "wiz.csv"};

} // namespace

TEST_F(CreatePackageTest, CollectsNestedFilesPassingOverDotFoldersAndFolderLinks)
{
    PrepareRoute();
    CreateApplicationForms();
    TStrings list;
    FormCreatePackage->CollectFiles(list, Bve + "/railway/object/wiz", "");
    EXPECT_EQ(list, ExpectedObjects);
    list.clear();
    FormCreatePackage->CollectFiles(list, Bve + "/railway/route/wiz", "pre");
    EXPECT_EQ(list, (TStrings{"pre\\sub\\sub2\\z.txt", "pre\\wiz.csv"}));
    EXPECT_EQ(QToAnsi(FormCreatePackage->lStatus->text()), Bve + "/railway/route/wiz/wiz.csv");
    list.clear();
    FormCreatePackage->CollectFiles(list, Bve + "/railway/route/missing", "");
    EXPECT_TRUE(list.empty());
}

TEST_F(CreatePackageTest, PackageFromTheWizardInstallsByteForByte)
{
    PrepareRoute();
    PrepareProgramFolder();
    RunWizard();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].MsgType, mtInformation);
    EXPECT_NE(Messages()[0].Text.find(Package()), std::string::npos) << Messages()[0].Text;
    EXPECT_EQ(FormCreatePackage->ObjectList, ExpectedObjects);
    EXPECT_EQ(FormCreatePackage->RouteList, ExpectedRoutes);
    TStrings shown = ExpectedObjects;
    shown.insert(shown.end(), ExpectedRoutes.begin(), ExpectedRoutes.end());
    EXPECT_EQ(ListBoxLines(), shown);
    EXPECT_TRUE(FormCreatePackage->CreatePackage->isEnabled());
    EXPECT_FALSE(packtest::Exists(Program + "routepackages"));
    ASSERT_TRUE(packtest::Exists(Package()));

    // The object files come from the folder that was scanned (the editor's
    // library holds none of them), and every listed file is packaged.
    TStrings expected;
    for (const std::string& f : ExpectedObjects)
        expected.push_back("\\railway\\object\\wiz\\" + f);
    for (const std::string& f : ExpectedRoutes)
        expected.push_back("\\railway\\route\\wiz\\" + f);
    EXPECT_EQ(PackagedFileList(), expected);

    // Each run shows its own files only.
    FormCreatePackage->ObjDirEdit->SetText("wiz");
    FormCreatePackage->RouteDirEdit->SetText("wiz");
    FormCreatePackage->CreatePackageClick();
    EXPECT_EQ(ListBoxLines(), shown);

    // Run as a program, the package installs the route into another BVE
    // folder, each file as it lay in the first.
    const std::string target = (Dir / "target").string();
    fs::create_directories(target);
    fs::create_directories(Dir / "tmp");
    fs::create_directories(Dir / "reg");
    fs::create_directories(Dir / "run");
    fs::permissions(Dir / "run", fs::perms::owner_all);
    const std::string log = (Dir / "log.txt").string();
    packtest::WriteFile((Dir / "responder.ini").string(),
                        "BveFolder=" + target + "\r\nClick=Button1\r\nLog=" + log + "\r\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", QString::fromStdString((Dir / "tmp").string()));
    env.insert("VELKAST_REGISTRY_DIR", QString::fromStdString((Dir / "reg").string()));
    env.insert("KALMIRO_TEST_RESPONDER", QString::fromStdString((Dir / "responder.ini").string()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString((Dir / "run").string()));
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QString::fromStdString(Dir.string()));
    process.start(QString::fromStdString(Package()), {});
    ASSERT_TRUE(process.waitForFinished(120000));
    TStrings lines;
    for (int i = 0; i < 600; ++i) {
        LoadLines(log, lines);
        if (std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("Exit|", 0) == 0; }) >= 2)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Exit|0|"), lines.end()) << JoinLines(lines);
    int installed = 0;
    for (const auto& e : fs::recursive_directory_iterator(target))
        installed += e.is_regular_file();
    EXPECT_EQ(installed, 7);
    for (const std::string& f : ExpectedObjects) {
        const std::string native = ToNativePath(f);
        EXPECT_EQ(packtest::ReadFile(target + "/railway/object/wiz/" + native),
                  packtest::ReadFile(Bve + "/railway/object/wiz/" + native))
            << f;
    }
    for (const std::string& f : ExpectedRoutes) {
        const std::string native = ToNativePath(f);
        EXPECT_EQ(packtest::ReadFile(target + "/railway/route/wiz/" + native),
                  packtest::ReadFile(Bve + "/railway/route/wiz/" + native))
            << f;
    }
}

TEST_F(CreatePackageTest, FileThatCannotBeCopiedIsLeftOutAndNamed)
{
    PrepareRoute();
    PrepareProgramFolder();
    // A link to a file that is gone is listed but cannot be copied.
    fs::create_symlink("gone.b3d", Bve + "/railway/object/wiz/tex/broken.b3d");
    RunWizard();
    ASSERT_TRUE(packtest::Exists(Package()));
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[0].MsgType, mtWarning);
    EXPECT_NE(Messages()[0].Text.find("could not be copied"), std::string::npos) << Messages()[0].Text;
    EXPECT_NE(Messages()[0].Text.find("\r\ntex\\broken.b3d"), std::string::npos) << Messages()[0].Text;
    EXPECT_EQ(FormPackage->FailedFiles, (TStrings{"tex\\broken.b3d"}));
    const TStrings files = PackagedFileList();
    EXPECT_EQ(files.size(), ExpectedObjects.size() + ExpectedRoutes.size());
    EXPECT_EQ(std::find(files.begin(), files.end(), "\\railway\\object\\wiz\\tex\\broken.b3d"), files.end());
}

TEST_F(CreatePackageTest, BuilderErrorKeepsTheWizardOpen)
{
    PrepareRoute(); // no installer in the program folder
    RunWizard();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].MsgType, mtError);
    EXPECT_FALSE(packtest::Exists(Package()));
    EXPECT_NE(FormCreatePackage->result(), QDialog::Accepted);
    EXPECT_TRUE(FormCreatePackage->CreatePackage->isEnabled());
}

TEST_F(CreatePackageTest, MistypedFolderWritesNoPackage)
{
    PrepareRoute();
    PrepareProgramFolder();
    packtest::WriteFile(Package(), "earlier package");
    CreateApplicationForms();
    FormMain->FrmEditor->SetProject(std::make_unique<TVLProject>());
    FormMain->FrmEditor->Project->ProjectName = "Wiz Route";
    FormCreatePackage->Project = FormMain->FrmEditor->Project;
    FormCreatePackage->ObjDirEdit->SetText("hilroad");
    FormCreatePackage->RouteDirEdit->SetText("hilroad");
    FormCreatePackage->CreatePackageClick();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].MsgType, mtError);
    EXPECT_EQ(Messages()[0].Text.rfind(GetMessageText("ucreatepackage_empty_folder"), 0), 0u);
    EXPECT_EQ(packtest::ReadFile(Package()), "earlier package");
    EXPECT_FALSE(packtest::Exists(Program + "routepackages"));
}

TEST_F(CreatePackageTest, EmptyFolderNameBuildsNothing)
{
    PrepareRoute();
    PrepareProgramFolder();
    CreateApplicationForms();
    FormMain->FrmEditor->SetProject(std::make_unique<TVLProject>());
    FormCreatePackage->Project = FormMain->FrmEditor->Project;
    FormCreatePackage->ObjDirEdit->SetText("wiz");
    FormCreatePackage->RouteDirEdit->SetText(" ");
    FormCreatePackage->CreatePackageClick();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].MsgType, mtError);
    EXPECT_EQ(FormCreatePackage->ListBox1->count(), 0);
    EXPECT_FALSE(packtest::Exists(Program + "completed_packages"));
    // Closing the project clears the wizard's reference to it.
    FormMain->FrmEditor->CloseProject();
    EXPECT_EQ(FormCreatePackage->Project, nullptr);
}
