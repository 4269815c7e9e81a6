#include "tests/packager/packtesthelp.h"
#include "tests/editor/windowfit.h"

#include "installer/kalmirobvefolder.h"
#include "installer/kalmirocopy.h"
#include "installer/kalmiroinstall.h"
#include "installer/kalmiromain.h"
#include "installer/kalmirowait.h"

#include "platform/gui/dialogs.h"
#include "platform/registry.h"

#include <QApplication>
#include <QFileSystemModel>
#include <QEventLoop>
#include <QTreeView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace packtest;

namespace {

// A package's unpacked files in a folder of their own, a registry of the
// test's own, and every question answered and noted.
class KalmiroWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetRegistryFolder(Dir / "reg");
        Source = Dir / "unpacked/";
        WriteFile(Source + "route.ini", "[Route]\r\nName=Test Line\r\nAuthor=Ann\r\nHomepage=\r\n");
        WriteFile(Source + "description.dat", "First line\r\nSecond line\r\n");
        WriteFile(Source + "credits.dat", "Credit one\r\nCredit two\r\n");
        WriteFile(Source + "noscreen.bmp", SmallBitmap(6, 4, 128));
        Bve = Dir / "bve";
        fs::create_directories(Bve);
    }
    void TearDown() override { SetRegistryFolder(""); }

    void SetRegistryBveFolder(const std::string& folder)
    {
        TRegistry r(THive::HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(r.OpenKey("Software\\Velkast", true));
        r.WriteString("Bve Folder", folder);
    }

    TDialogAnswer Answer(const TDialogRequest& request)
    {
        Requests.push_back(request);
        TDialogAnswer answer;
        if (request.Kind == TDialogKind::MessageBox)
            answer.Result = mrOk;
        if (auto* dialog = qobject_cast<TKalmiro_BveFolder*>(request.Window)) {
            if (!FolderAnswer.empty()) {
                dialog->SetFolder(FolderAnswer);
                dialog->OKButton->click();
                answer.Result = mrOk;
            }
        }
        return answer;
    }

    // Runs an installation of Source into Bve, the copy at once.
    void RunInstall(TKalmiro_Install& install)
    {
        install.InstallSourceDir = Source;
        install.SetBvePath(Bve);
        install.Timer1Timer();
    }

    static std::ptrdiff_t Entries(const std::string& folder)
    {
        return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
    }

    int Count(TDialogKind kind) const
    {
        int n = 0;
        for (const auto& r : Requests)
            n += r.Kind == kind;
        return n;
    }

    std::string LastMessage() const
    {
        for (auto it = Requests.rbegin(); it != Requests.rend(); ++it)
            if (it->Kind == TDialogKind::MessageBox)
                return it->Text;
        return {};
    }

    ScratchDir Dir;
    std::string Source;
    std::string Bve;
    std::string FolderAnswer;
    std::vector<TDialogRequest> Requests;
    TScopedDialogResponder Responder{[this](const TDialogRequest& r) { return Answer(r); }};
};

class EveryWindowShowsItsButtonsAt800x600 : public KalmiroWindows,
                                            public ::testing::WithParamInterface<std::string> {};

} // namespace

TEST_P(EveryWindowShowsItsButtonsAt800x600, Installer)
{
    SetRegistryBveFolder(Bve);
    const std::string name = GetParam();
    std::unique_ptr<QWidget> window;
    if (name == "Kalmiro_Main") {
        // A long description scrolls instead of pushing the buttons off the screen.
        std::string description;
        for (int i = 1; i <= 30; ++i)
            description += "Line " + std::to_string(i) + " of the route's description\r\n";
        WriteFile(Source + "description.dat", description);
        auto main = std::make_unique<TKalmiro_Main>();
        ASSERT_TRUE(main->FormCreate(Source));
        window = std::move(main);
    } else if (name == "Kalmiro_BveFolder") {
        window = std::make_unique<TKalmiro_BveFolder>();
    } else if (name == "Kalmiro_Install") {
        window = std::make_unique<TKalmiro_Install>();
    } else {
        window = std::make_unique<TKalmiro_Wait>(0);
    }
    windowfit::ExpectButtonsShown(window.get());
}

INSTANTIATE_TEST_SUITE_P(Windows, EveryWindowShowsItsButtonsAt800x600,
                         ::testing::Values("Kalmiro_Wait", "Kalmiro_Main", "Kalmiro_BveFolder", "Kalmiro_Install"),
                         [](const auto& info) { return info.param; });

TEST_F(KalmiroWindows, MainWindowShowsThePackageTexts)
{
    SetRegistryBveFolder(Bve);
    TKalmiro_Main main;
    ASSERT_TRUE(main.FormCreate(Source));
    EXPECT_EQ(Count(TDialogKind::ModalWindow), 0);
    EXPECT_EQ(main.BvePath(), Bve);
    EXPECT_EQ(main.Route_Name->text(), "Test Line");
    EXPECT_EQ(main.Route_Author->text(), "by Ann");
    EXPECT_EQ(main.Route_Description->text(), "First line\nSecond line\n");
    EXPECT_EQ(main.Credits->toPlainText(), "Credit one\nCredit two\n");
    // An empty home page stays hidden; without Image the packaged
    // noscreen.bmp is shown.
    EXPECT_TRUE(main.Route_Homepage->isHidden());
    EXPECT_FALSE(main.Route_Image->pixmap().isNull());
    EXPECT_EQ(main.Route_Image->pixmap().width(), 6);
}

TEST_F(KalmiroWindows, MissingKeysTakeTheirDefaults)
{
    SetRegistryBveFolder(Bve);
    WriteFile(Source + "route.ini", "[Route]\r\nImage=c:\\pics\\logo.bmp\r\n");
    WriteFile(Source + "logo.bmp", SmallBitmap(9, 5, 1));
    TKalmiro_Main main;
    ASSERT_TRUE(main.FormCreate(Source));
    EXPECT_EQ(main.Route_Name->text(), "Unknown route");
    EXPECT_EQ(main.Route_Author->text(), "by Unknown");
    EXPECT_FALSE(main.Route_Homepage->isHidden());
    EXPECT_EQ(main.Route_Homepage->text(), "Unknown");
    EXPECT_EQ(main.Route_Image->pixmap().width(), 9);
}

TEST_F(KalmiroWindows, RouteWithoutPictureShowsThePackagedOne)
{
    SetRegistryBveFolder(Bve);
    WriteFile(Source + "route.ini", "[Route]\r\nName=N\r\nImage=\r\n");
    TKalmiro_Main main;
    ASSERT_TRUE(main.FormCreate(Source));
    EXPECT_EQ(main.Route_Image->pixmap().width(), 6);
}

TEST_F(KalmiroWindows, MissingPackageFilesEndTheProgram)
{
    SetRegistryBveFolder(Bve);
    fs::remove(Source + "credits.dat");
    TKalmiro_Main a;
    EXPECT_FALSE(a.FormCreate(Source));
    EXPECT_EQ(LastMessage(), "Problems during reading credits file " + Source +
                                 "credits.dat. The program won't continue.");
    fs::remove(Source + "description.dat");
    TKalmiro_Main b;
    EXPECT_FALSE(b.FormCreate(Source));
    EXPECT_EQ(LastMessage(), "Problems during reading description file " + Source +
                                 "description.dat. The program won't continue.");
    fs::remove(Source + "route.ini");
    TKalmiro_Main c;
    EXPECT_FALSE(c.FormCreate(Source));
    EXPECT_EQ(LastMessage(), "Problems during reading ini file " + Source + "route.ini. The program won't continue.");
}

TEST_F(KalmiroWindows, FolderIsAskedWhenTheRegistryHasNone)
{
    FolderAnswer = Bve;
    TKalmiro_Main main;
    ASSERT_TRUE(main.FormCreate(Source));
    EXPECT_EQ(Count(TDialogKind::ModalWindow), 1);
    EXPECT_EQ(main.BvePath(), Bve);
    TRegistry r(THive::HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(r.OpenKey("Software\\Velkast", false));
    EXPECT_EQ(r.ReadString("BVE Folder"), Bve);
    // Just chosen, the folder is not asked for again when the window shows.
    main.show();
    QApplication::processEvents();
    EXPECT_EQ(Count(TDialogKind::ModalWindow), 1);
}

TEST_F(KalmiroWindows, FolderIsAskedAgainWithoutBveExe)
{
    SetRegistryBveFolder(Bve);
    {
        TKalmiro_Main main;
        ASSERT_TRUE(main.FormCreate(Source));
        main.show();
        QApplication::processEvents();
        EXPECT_EQ(Count(TDialogKind::ModalWindow), 1);
        // Cancelled: the folder stays.
        EXPECT_EQ(main.BvePath(), Bve);
    }
    WriteFile(Bve + "/BVE.EXE", "");
    Requests.clear();
    TKalmiro_Main main;
    ASSERT_TRUE(main.FormCreate(Source));
    main.show();
    QApplication::processEvents();
    EXPECT_EQ(Count(TDialogKind::ModalWindow), 0);
    // A simulator folder without "bve.exe" is known by its railway folder.
    fs::remove(Bve + "/BVE.EXE");
    fs::create_directories(Bve + "/Railway");
    TKalmiro_Main third;
    ASSERT_TRUE(third.FormCreate(Source));
    third.show();
    QApplication::processEvents();
    EXPECT_EQ(Count(TDialogKind::ModalWindow), 0);
}

namespace {

void StageRoute(const std::string& source)
{
    WriteFile(source + "files.dat", "\\railway\\object\\r\\a.b3d\r\n\\railway\\route\\r\\r.csv\r\n"
                                    "\\railway\\route\\r\\missing.csv\r\n");
    WriteFile(source + "railway/object/r/a.b3d", "object");
    WriteFile(source + "railway/route/r/r.csv", "route");
}

} // namespace

TEST_F(KalmiroWindows, MissingFileInstallsNothingAndIsNamed)
{
    StageRoute(Source);
    WriteFile(Bve + "/railway/route/r/r.csv", "old version");
    TKalmiro_Install install;
    RunInstall(install);
    // Every line is checked before anything is written.
    EXPECT_EQ(LastMessage(), "Problems during the installation of the route. The program won`t continue. "
                             "Error message: The package lacks the file \\railway\\route\\r\\missing.csv\r\n"
                             "The route was not installed.");
    EXPECT_FALSE(Exists(Bve + "/railway/object"));
    EXPECT_EQ(ReadFile(Bve + "/railway/route/r/r.csv"), "old version");
    // A folder that is no private unpack folder is left as it is.
    EXPECT_TRUE(Exists(Source + "railway/route/r/r.csv"));
}

TEST_F(KalmiroWindows, OneLineListGivesProgressMaximumZero)
{
    WriteFile(Source + "files.dat", "\\railway\\route\\r\\r.csv\r\n");
    WriteFile(Source + "railway/route/r/r.csv", "route");
    WriteFile(Bve + "/railway/route/r/r.csv", "old version");
    TKalmiro_Install install;
    RunInstall(install);
    EXPECT_EQ(install.ShowProgress->maximum(), 0);
    EXPECT_EQ(ReadFile(Bve + "/railway/route/r/r.csv"), "route");
    EXPECT_EQ(LastMessage(), "Route installed sucessfully");
}

TEST_F(KalmiroWindows, AFileThatCannotBeWrittenTakesBackWhatWasChanged)
{
    WriteFile(Source + "files.dat", "\\railway\\object\\r\\a.b3d\r\n\\railway\\object\\s\\b.b3d\r\n"
                                    "\\railway\\route\\r\\r.csv\r\n");
    WriteFile(Source + "railway/object/r/a.b3d", "object");
    WriteFile(Source + "railway/object/s/b.b3d", "object b");
    WriteFile(Source + "railway/route/r/r.csv", "route");
    // The route installed before, one object edited by the player.
    WriteFile(Bve + "/railway/object/s/b.b3d", "edited by the player");
    fs::create_directories(Bve + "/railway/route/r/r.csv"); // a folder where the file goes
    TKalmiro_Install install;
    RunInstall(install);
    EXPECT_NE(LastMessage().find("Error message: Cannot write \"" + Bve + "/railway/route/r/r.csv\": Is a directory"),
              std::string::npos)
        << LastMessage();
    for (const auto& r : Requests)
        EXPECT_NE(r.Text, "Route installed sucessfully");
    // The object file and the folders made for it are gone again; the file
    // it replaced is back, and nothing else stays beside it.
    EXPECT_FALSE(Exists(Bve + "/railway/object/r"));
    EXPECT_EQ(ReadFile(Bve + "/railway/object/s/b.b3d"), "edited by the player");
    EXPECT_EQ(Entries(Bve + "/railway/object/s"), 1);
    EXPECT_TRUE(Exists(Bve + "/railway/route/r/r.csv"));

    // Installed whole, the route replaces the file and keeps nothing aside.
    WriteFile(Source + "files.dat", "\\railway\\object\\s\\b.b3d\r\n");
    WriteFile(Source + "railway/object/s/b.b3d", "object b");
    TKalmiro_Install again;
    RunInstall(again);
    EXPECT_EQ(LastMessage(), "Route installed sucessfully");
    EXPECT_EQ(ReadFile(Bve + "/railway/object/s/b.b3d"), "object b");
    EXPECT_EQ(Entries(Bve + "/railway/object/s"), 1);

    // A file the player write-protected is not replaced, whoever installs.
    fs::permissions(Bve + "/railway/object/s/b.b3d", fs::perms::owner_read);
    WriteFile(Source + "railway/object/s/b.b3d", "object b, new");
    TKalmiro_Install third;
    RunInstall(third);
    EXPECT_NE(LastMessage().find("b.b3d\": it is write-protected"), std::string::npos) << LastMessage();
    EXPECT_EQ(ReadFile(Bve + "/railway/object/s/b.b3d"), "object b");
}

// A full disk is named as such, with the file, and the file the copy would
// have replaced stays as it was.
TEST_F(KalmiroWindows, FullDiskIsNamed)
{
    const std::string small = Dir / "small";
    fs::create_directories(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=3m") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    struct TUnmount {
        std::string Path;
        ~TUnmount() { ::umount2(Path.c_str(), MNT_DETACH); }
    } unmount{small};
    WriteFile(Source + "files.dat", "\\railway\\route\\r\\r.csv\r\n");
    WriteFile(Source + "railway/route/r/r.csv", std::string(8 << 20, 'r'));
    WriteFile(small + "/railway/route/r/r.csv", "old");
    TRouteCopy copy(Source, small);
    copy.Prepare();
    std::string message;
    try {
        copy.Install(0);
    } catch (const std::runtime_error& e) {
        message = e.what();
    }
    EXPECT_EQ(message, "Cannot write \"" + small + "/railway/route/r/r.csv\": No space left on device");
    EXPECT_TRUE(copy.RollBack());
    EXPECT_EQ(ReadFile(small + "/railway/route/r/r.csv"), "old");
    EXPECT_EQ(Entries(small + "/railway/route/r"), 1);
}

// Across file systems a file is copied; a copy that fails (a file size
// limit stands in for a full disk) leaves the file it would replace as it was.
TEST_F(KalmiroWindows, FailedCopyAcrossFileSystemsKeepsTheExistingFile)
{
    std::string other = "/dev/shm/kalmiro-testXXXXXX";
    struct stat a {}, b {};
    if (!::mkdtemp(other.data()))
        GTEST_SKIP() << "no /dev/shm";
    if (::stat(other.c_str(), &a) != 0 || ::stat(Bve.c_str(), &b) != 0 || a.st_dev == b.st_dev) {
        fs::remove_all(other);
        GTEST_SKIP() << "no second file system";
    }
    WriteFile(other + "/files.dat", "\\railway\\route\\r\\r.csv\r\n");
    WriteFile(other + "/railway/route/r/r.csv", std::string(1 << 20, 'n'));
    WriteFile(Bve + "/railway/route/r/r.csv", "old");
    TRouteCopy copy(other, Bve);
    copy.Prepare();
    struct rlimit old {}, small {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    small = old;
    small.rlim_cur = 64 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_THROW(copy.Install(0), std::runtime_error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(ReadFile(Bve + "/railway/route/r/r.csv") == "old");
    EXPECT_EQ(Entries(Bve + "/railway/route/r"), 1);

    // A name as long as a name can be is copied as well.
    const std::string longName(250, 'l');
    WriteFile(other + "/files.dat", "\\railway\\route\\r\\" + longName + "\r\n");
    WriteFile(other + "/railway/route/r/" + longName, "new");
    TRouteCopy again(other, Bve);
    again.Prepare();
    EXPECT_NO_THROW(again.Install(0));
    fs::remove_all(other);
    EXPECT_EQ(ReadFile(Bve + "/railway/route/r/" + longName), "new");
}

TEST_F(KalmiroWindows, EmptyOrHugeListsAndCancelInstallNothing)
{
    StageRoute(Source);
    TKalmiro_Install empty;
    WriteFile(Source + "files.dat", "");
    RunInstall(empty);
    EXPECT_NE(LastMessage().find("The package holds no files to install."), std::string::npos) << LastMessage();
    EXPECT_NE(empty.ShowProgress->value(), empty.ShowProgress->maximum());

    // A line longer than any path, and more lines than the package has
    // files, are refused before a folder is made.
    TRouteCopy longLine(Source, Bve);
    WriteFile(Source + "files.dat", "\\railway\\a.b3d\r\n\\railway\\" + std::string(50000, 'x') + "\r\n");
    try {
        longLine.Prepare();
        ADD_FAILURE();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "files.dat holds a line longer than a path may be (50009 characters).");
    }
    std::string many;
    for (int i = 0; i < 20; ++i)
        many += "\\railway\\object\\r\\a.b3d\r\n";
    WriteFile(Source + "files.dat", many);
    TRouteCopy manyLines(Source, Bve);
    EXPECT_THROW(manyLines.Prepare(), std::runtime_error);
    EXPECT_TRUE(fs::is_empty(Bve));

    // Escape while the files are copied: they are taken back.
    WriteFile(Source + "files.dat", "\\railway\\object\\r\\a.b3d\r\n\\railway\\route\\r\\r.csv\r\n");
    TKalmiro_Install install;
    QTimer::singleShot(0, &install, [&install] { install.reject(); });
    RunInstall(install);
    EXPECT_EQ(LastMessage(), "The installation was cancelled.\r\nThe route was not installed.");
    EXPECT_TRUE(fs::is_empty(Bve));

    // Ended by a signal, the program leaves no message waiting for a click.
    StageRoute(Source);
    WriteFile(Source + "files.dat", "\\railway\\object\\r\\a.b3d\r\n\\railway\\route\\r\\r.csv\r\n");
    const std::size_t asked = Requests.size();
    TKalmiro_Install signalled;
    QTimer::singleShot(0, &signalled, [&signalled] { signalled.Cancel(true); });
    RunInstall(signalled);
    EXPECT_EQ(Requests.size(), asked);
    EXPECT_TRUE(fs::is_empty(Bve));
}

TEST_F(KalmiroWindows, FolderTreeOpensAtTheProposedFolder)
{
    // Deep enough below a folder of many entries that the tree must scroll.
    const std::string folder = Dir / "games/bve/sim";
    fs::create_directories(folder + "/railway");
    for (int i = 0; i < 60; ++i)
        fs::create_directories(Dir / ("a" + std::to_string(100 + i)));
    TKalmiro_BveFolder dialog;
    dialog.SetFolder(folder);
    dialog.show();
    QTreeView* tree = dialog.DirectoryBox1;
    auto* model = static_cast<QFileSystemModel*>(tree->model());
    auto shown = [&] {
        const QModelIndex index = model->index(QString::fromStdString(folder));
        return tree->currentIndex() == index && tree->viewport()->rect().contains(tree->visualRect(index));
    };
    for (int i = 0; i < 100 && !shown(); ++i) {
        QEventLoop wait;
        QTimer::singleShot(20, &wait, &QEventLoop::quit);
        wait.exec();
    }
    EXPECT_TRUE(shown());
    EXPECT_EQ(dialog.SelectedDir(), folder);
}
