#include "tests/packager/packtesthelp.h"

#include "installer/kalmirobvefolder.h"
#include "installer/kalmiroinstall.h"
#include "installer/kalmiromain.h"

#include "platform/gui/dialogs.h"
#include "platform/registry.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

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

} // namespace

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

TEST_F(KalmiroWindows, InstallCopiesListedFilesAndOverwritesButMissingFilesFailIt)
{
    StageRoute(Source);
    WriteFile(Bve + "/railway/route/r/r.csv", "old version");
    TKalmiro_Install install;
    install.InstallSourceDir = Source;
    install.SetBvePath(Bve);
    install.Timer1Timer();
    // The package lists a file it lacks: the others are copied, but the
    // installation is not reported as a success.
    EXPECT_EQ(LastMessage(), "Problems during the installation of the route. The program won`t continue.");
    EXPECT_EQ(ReadFile(Bve + "/railway/object/r/a.b3d"), "object");
    EXPECT_EQ(ReadFile(Bve + "/railway/route/r/r.csv"), "route");
    EXPECT_FALSE(Exists(Bve + "/railway/route/r/missing.csv"));
    EXPECT_EQ(install.ShowProgress->maximum(), 2);
    // Copied files leave the source folder; a folder that is no private
    // unpack folder is otherwise left as it is.
    EXPECT_FALSE(Exists(Source + "railway/route/r/r.csv"));
    EXPECT_TRUE(Exists(Source + "route.ini"));
}

TEST_F(KalmiroWindows, OneLineListGivesProgressMaximumZero)
{
    WriteFile(Source + "files.dat", "\\railway\\route\\r\\r.csv\r\n");
    WriteFile(Source + "railway/route/r/r.csv", "route");
    TKalmiro_Install install;
    install.InstallSourceDir = Source;
    install.SetBvePath(Bve);
    install.Timer1Timer();
    EXPECT_EQ(install.ShowProgress->maximum(), 0);
    EXPECT_EQ(ReadFile(Bve + "/railway/route/r/r.csv"), "route");
}

TEST_F(KalmiroWindows, AFileThatCannotBeWrittenIsNoSuccess)
{
    StageRoute(Source);
    fs::create_directories(Bve + "/railway/route/r/r.csv"); // a folder where the file goes
    TKalmiro_Install install;
    install.InstallSourceDir = Source;
    install.SetBvePath(Bve);
    install.Timer1Timer();
    EXPECT_EQ(LastMessage(), "Problems during the installation of the route. The program won`t continue.");
    for (const auto& r : Requests)
        EXPECT_NE(r.Text, "Route installed sucessfully");
}
