#include "editor/formoptions.h"

#include "editortesthelpers.h"
#include "editor/formsetbvefolder.h"
#include "editor/lnginisupp.h"
#include "editor/msginisupp.h"
#include "editor/vclwidgets.h"
#include "platform/inifile.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

class FormOptionsTest : public EditorTest {
protected:
    std::string Ini() const { return Program + "set.ini"; }
    std::string Machine(const std::string& name) const
    {
        return IniReadString(RegistryHiveFile(THive::HKEY_LOCAL_MACHINE), "Software\\Velkast", name, "<absent>");
    }
    std::string User(const std::string& name) const
    {
        return IniReadString(RegistryHiveFile(THive::HKEY_CURRENT_USER), "Software\\Velkast", name, "<absent>");
    }
    void SetMachine(const std::string& folder)
    {
        TRegistry reg(THive::HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(reg.OpenKey("Software\\Velkast", true));
        ASSERT_TRUE(reg.WriteString("Bve Folder", folder));
    }
    // Answers the folder dialog by choosing folders in turn ("" cancels),
    // and the question after a cancelled choice with the given answers.
    void ChooseFolders(std::vector<std::string> folders, std::vector<int> retry = {})
    {
        Answer = [this, folders, retry](const TDialogRequest& r) mutable {
            TDialogAnswer a;
            if (r.Kind == TDialogKind::ModalWindow) {
                ++FolderDialogs;
                auto* dlg = dynamic_cast<TFormSetBveFolder*>(r.Window);
                EXPECT_NE(dlg, nullptr);
                std::string folder = folders.empty() ? std::string() : folders.front();
                if (!folders.empty())
                    folders.erase(folders.begin());
                if (dlg && !folder.empty()) {
                    dlg->SetSelectedPath(folder);
                    dlg->OKButton->click();
                    a.Result = mrOk;
                }
                return a;
            }
            if (r.Kind == TDialogKind::MessageBox) {
                a.Result = retry.empty() ? DefaultMessageAnswer(r.Buttons) : retry.front();
                if (!retry.empty())
                    retry.erase(retry.begin());
            }
            return a;
        };
    }
    int FolderDialogs = 0;
};

} // namespace

TEST_F(FormOptionsTest, DefaultsWithoutSettingsFileTakeTheMachineFolder)
{
    SetMachine("/games/bve");
    TFormOptions opt;
    EXPECT_EQ(opt.BveFolder, "/games/bve");
    EXPECT_EQ(opt.ExePath, Program);
    EXPECT_TRUE(Requests.empty());
    EXPECT_EQ(IniReadString(Ini(), "Settings", "BVE_Folder", ""), "/games/bve");
    EXPECT_EQ(User("BVE Folder"), "<absent>");

    EXPECT_EQ(opt.GetObjectFolder(), "lib");
    EXPECT_TRUE(opt.UseDeveloperMod);
    EXPECT_TRUE(opt.UseStructureViewer);
    EXPECT_FALSE(opt.UseAutoUpdate);
    EXPECT_TRUE(opt.CopyPropLast);
    EXPECT_FALSE(opt.CopyPropClip);
    EXPECT_TRUE(opt.Fit4m);
    EXPECT_TRUE(opt.MinLength);
    EXPECT_TRUE(opt.NewConnFixed);
    EXPECT_DOUBLE_EQ(opt.ArrowStepSize, 0.1);
    EXPECT_EQ(opt.edArrowStepSize->text(), "10");
    EXPECT_EQ(opt.DistanceBeyondLast, 100);
    EXPECT_EQ(opt.MaxCurveSmooth, 4000);
    EXPECT_EQ(opt.MinCurveSmooth, 150);
    EXPECT_FALSE(opt.CurvedSecondary);
    EXPECT_EQ(LanguageFileName, "english.lng");
    EXPECT_EQ(opt.edDefLanguage->text(), "english.lng");
    EXPECT_EQ(opt.BVE_Folder_Set->text(), "/games/bve");
}

TEST_F(FormOptionsTest, SettingsFileComesBeforeTheRegistry)
{
    SetMachine("/machine/bve");
    PutFile("set.ini", "[Settings]\r\nBVE_Folder=/settings/bve\r\n");
    TFormOptions opt;
    EXPECT_EQ(opt.BveFolder, "/settings/bve");
    EXPECT_EQ(Machine("Bve Folder"), "/machine/bve");
    EXPECT_TRUE(Requests.empty());
}

TEST_F(FormOptionsTest, WithoutAnyFolderTheDialogAsks)
{
    ChooseFolders({"/chosen/bve/"});
    TFormOptions opt;
    EXPECT_EQ(FolderDialogs, 1);
    EXPECT_EQ(opt.BveFolder, "/chosen/bve");
    EXPECT_EQ(IniReadString(Ini(), "Settings", "BVE_Folder", ""), "/chosen/bve");
    EXPECT_EQ(IniReadString(Ini(), "Settings", "ShowConfigBveFolder", ""), "False");
    EXPECT_EQ(Machine("Bve Folder"), "/chosen/bve");
    EXPECT_EQ(User("BVE Folder"), "/chosen/bve");
    EXPECT_EQ(User("Velkast Folder"), Program);
    EXPECT_EQ(opt.BVE_Folder_Set->text(), "/chosen/bve");
    EXPECT_TRUE(opt.CheckBveFolder());
}

TEST_F(FormOptionsTest, CancelledChoiceAsksAgainOrGoesOnWithoutFolder)
{
    // Cancel, "choose now?" Yes, then a folder.
    ChooseFolders({"", "/second/try"}, {mrYes});
    {
        TFormOptions opt;
        EXPECT_EQ(FolderDialogs, 2);
        EXPECT_EQ(opt.BveFolder, "/second/try");
    }
    std::filesystem::remove(Ini());
    std::filesystem::remove(RegistryHiveFile(THive::HKEY_LOCAL_MACHINE));
    // Cancel and No: the editor starts without a folder and stores none.
    FolderDialogs = 0;
    ChooseFolders({""}, {mrNo});
    TFormOptions opt;
    EXPECT_EQ(FolderDialogs, 1);
    EXPECT_EQ(opt.BveFolder, "");
    EXPECT_FALSE(IniValueExists(Ini(), "Settings", "BVE_Folder"));
    EXPECT_EQ(Machine("Bve Folder"), "<absent>");
    // Export asks again; declining leaves no folder to build paths from.
    ChooseFolders({}, {mrNo});
    EXPECT_FALSE(opt.CheckBveFolder());
    ChooseFolders({"/late/bve"}, {mrYes});
    EXPECT_TRUE(opt.CheckBveFolder());
    EXPECT_EQ(opt.BveFolder, "/late/bve");
}

TEST_F(FormOptionsTest, FolderDialogOkNeedsASelection)
{
    PutFile("set.ini", "[Settings]\r\nBVE_Folder=/old\r\n");
    TFormOptions opt;
    TFormSetBveFolder dlg(&opt);
    dlg.IniFile = opt.IniFile.get();
    EXPECT_EQ(dlg.SelectedPath(), "/old");
    dlg.SetSelectedPath("");
    EXPECT_FALSE(dlg.OKButton->isEnabled());
    dlg.OKButtonClick();
    EXPECT_EQ(opt.BveFolder, "/old");
    EXPECT_EQ(CountMessages(GetMessageText("usetbvefolder_none")), 1);
    EXPECT_FALSE(IniValueExists(Ini(), "Settings", "ShowConfigBveFolder"));
}

TEST_F(FormOptionsTest, ShowConfigBveFolderOnlyWhenExactlyTrue)
{
    PutFile("set.ini", "[Settings]\r\nBVE_Folder=/b\r\nShowConfigBveFolder=true\r\n");
    ChooseFolders({"/x"});
    { TFormOptions opt; }
    EXPECT_EQ(FolderDialogs, 0);
    PutFile("set.ini", "[Settings]\r\nBVE_Folder=/b\r\nShowConfigBveFolder=True\r\n");
    TFormOptions opt;
    EXPECT_EQ(FolderDialogs, 1);
    EXPECT_EQ(opt.BveFolder, "/x");
    EXPECT_EQ(IniReadString(Ini(), "Settings", "ShowConfigBveFolder", ""), "False");
}

TEST_F(FormOptionsTest, ArrowStepHeldInWholeCentimetres)
{
    PutFile("set.ini", "[Settings]\r\nBVE_Folder=/b\r\n[editor]\r\nArrowStepSize=0.125\r\n");
    {
        TFormOptions opt;
        EXPECT_EQ(opt.edArrowStepSize->text(), "12");
        EXPECT_DOUBLE_EQ(opt.ArrowStepSize, 0.12);
        opt.edArrowStepSize->setText("abc"); // no step: the arrows keep theirs
        EXPECT_DOUBLE_EQ(opt.ArrowStepSize, 0.12);
        opt.edArrowStepSize->setText("35");
        EXPECT_DOUBLE_EQ(opt.ArrowStepSize, 0.35);
    }
    // Written under a decimal-comma locale.
    PutFile("set.ini", "[Settings]\r\nBVE_Folder=/b\r\n[editor]\r\nArrowStepSize=0,25\r\n");
    TFormOptions opt;
    EXPECT_EQ(opt.edArrowStepSize->text(), "25");
    EXPECT_DOUBLE_EQ(opt.ArrowStepSize, 0.25);
}

TEST_F(FormOptionsTest, AutoUpdateCounter)
{
    PutFile("set.ini", "[Settings]\r\nBVE_Folder=/b\r\nUseAutoUpdateEvery=1\r\nAutoUpdateNow=10\r\n");
    {
        TFormOptions opt;
        EXPECT_TRUE(opt.UseAutoUpdate);
        EXPECT_EQ(opt.AutoUpdateCounter, 10);
    }
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Kind, TDialogKind::ShellOpen);
    EXPECT_EQ(Requests[0].File, Program + "autoupdate.exe");
    EXPECT_EQ(IniReadInteger(Ini(), "Settings", "AutoUpdateNow", -1), 0);
    Requests.clear();
    IniWriteInteger(Ini(), "Settings", "AutoUpdateNow", 11);
    { TFormOptions opt; }
    EXPECT_TRUE(Requests.empty());
    EXPECT_EQ(IniReadInteger(Ini(), "Settings", "AutoUpdateNow", -1), 12);
    IniWriteBool(Ini(), "Settings", "UseAutoUpdateEvery", false);
    { TFormOptions opt; }
    EXPECT_EQ(IniReadInteger(Ini(), "Settings", "AutoUpdateNow", -1), 12);
}

TEST_F(FormOptionsTest, OkWritesEverySettingAndReadsBack)
{
    PutFile("set.ini", "[Settings]\r\nBVE_Folder=/b\r\nUseDeveloperMod=0\r\n");
    {
        TFormOptions opt;
        EXPECT_FALSE(opt.UseDeveloperMod);
        opt.edObjFolder->setText("objects");
        opt.edDefLanguage->setText("deutsch.lng");
        opt.cbFit4m->setChecked(false);
        opt.cbMinimumlength->setChecked(false);
        opt.cbNewConnFixed->setChecked(false);
        opt.cbCurvedSecondary->setChecked(true);
        opt.edArrowStepSize->setText("50");
        opt.edDistanceBeyondLast->setText("250");
        opt.edMaxCurveSmooth->setText("4000");
        opt.edShortestCurve->setText("32");
        opt.CheckBoxCopyTrackPropClip->setChecked(true);
        EXPECT_FALSE(opt.CheckBoxCopyTrackPropLast->isChecked());
        opt.Btn_OK->click();
        EXPECT_EQ(opt.result(), QDialog::Accepted);
        EXPECT_EQ(opt.MaxCurveSmooth, 4000);
        EXPECT_EQ(opt.MinCurveSmooth, 32);
        EXPECT_EQ(opt.DistanceBeyondLast, 250);
        EXPECT_TRUE(opt.CurvedSecondary);
        EXPECT_FALSE(opt.Fit4m);
        // The default language applies from the next start.
        EXPECT_EQ(LanguageFileName, "english.lng");
    }
    EXPECT_EQ(IniReadInteger(Ini(), "export", "maxcurvesmooth", -1), 4000);
    std::string bytes = FileBytes("set.ini");
    EXPECT_NE(bytes.find("UseDeveloperMod=0\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find("UseDevelopermod"), std::string::npos);

    TFormOptions again;
    EXPECT_EQ(again.GetObjectFolder(), "objects");
    EXPECT_EQ(LanguageFileName, "deutsch.lng");
    EXPECT_FALSE(again.UseDeveloperMod);
    EXPECT_FALSE(again.Fit4m);
    EXPECT_FALSE(again.MinLength);
    EXPECT_FALSE(again.NewConnFixed);
    EXPECT_TRUE(again.CurvedSecondary);
    EXPECT_DOUBLE_EQ(again.ArrowStepSize, 0.5);
    EXPECT_EQ(again.DistanceBeyondLast, 250);
    EXPECT_EQ(again.MaxCurveSmooth, 4000);
    EXPECT_EQ(again.MinCurveSmooth, 32);
    EXPECT_FALSE(again.CopyPropLast);
    EXPECT_TRUE(again.CopyPropClip);
    EXPECT_EQ(again.BveFolder, "/b");
}

TEST_F(FormOptionsTest, CancelWritesNothingButObjectFolderIsLive)
{
    PutFile("set.ini", "[Settings]\r\nBVE_Folder=/b\r\n");
    TFormOptions opt;
    std::string before = FileBytes("set.ini");
    opt.edObjFolder->setText("typed");
    EXPECT_EQ(opt.GetObjectFolder(), "typed");
    opt.Btn_Cancel->click();
    EXPECT_EQ(opt.result(), QDialog::Rejected);
    EXPECT_EQ(FileBytes("set.ini"), before);
}

TEST_F(FormOptionsTest, ShowingChecksTheStructureViewer)
{
    std::filesystem::create_directories(Dir / "bve");
    std::string bve = (Dir / "bve").string();
    PutFile("set.ini", "[Settings]\r\nBVE_Folder=" + bve + "\r\nUseAutoUpdateEvery=1\r\n");
    {
        TFormOptions opt;
        opt.FormShow();
        EXPECT_EQ(CountMessages("ERROR"), 1); // no language file: the key's text is "ERROR"
        EXPECT_EQ(Requests.back().MsgType, mtInformation);
        EXPECT_FALSE(opt.UseStructureViewer);
        EXPECT_FALSE(opt.StructureViewer_Check->isChecked());
        EXPECT_TRUE(opt.AutoUpdate_Check->isChecked());
        EXPECT_EQ(IniReadString(Ini(), "Settings", "UseStructureViewer", ""), "0");
        opt.AutoUpdate_Check->setChecked(false);
        EXPECT_FALSE(opt.UseAutoUpdate);
        EXPECT_EQ(IniReadString(Ini(), "Settings", "UseAutoUpdateEvery", ""), "0");
    }
    std::ofstream(Dir / "bve" / "StrView.exe") << "x";
    IniWriteBool(Ini(), "Settings", "UseStructureViewer", true);
    Requests.clear();
    TFormOptions opt;
    opt.FormShow();
    EXPECT_TRUE(Requests.empty());
    EXPECT_TRUE(opt.UseStructureViewer);
    EXPECT_TRUE(opt.StructureViewer_Check->isChecked());
}

TEST_F(FormOptionsTest, BrowseLanguageFileKeepsTheNameOnly)
{
    PutFile("set.ini", "[Settings]\r\nBVE_Folder=/b\r\n");
    TFormOptions opt;
    Answer = [](const TDialogRequest& r) {
        TDialogAnswer a;
        if (r.Kind == TDialogKind::OpenFile) {
            a.Result = mrOk;
            a.Path = "/elsewhere/deutsch.lng";
        }
        return a;
    };
    opt.bBrowseLanguageFile->click();
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Title, "select language file");
    EXPECT_EQ(Requests[0].Filter, "Language File|*.lng");
    EXPECT_EQ(Requests[0].InitialDir, Program);
    EXPECT_EQ(Requests[0].FileName, Program + "english.lng");
    EXPECT_EQ(opt.edDefLanguage->text(), "deutsch.lng");
}

TEST_F(FormOptionsTest, TranslationRoundTripOnTheOptionsWindow)
{
    PutFile("set.ini", "[Settings]\r\nBVE_Folder=/b\r\n");
    CreateForm(FormOptions);
    ASSERT_NE(FormOptions, nullptr);
    TLngINISupp lng;
    lng.SetFileName("english.lng");
    ASSERT_TRUE(lng.Translate());
    std::string lngFile = Program + "english.lng";
    EXPECT_EQ(IniReadString(lngFile, "FormOptions", "_FormCaption", ""), "Options");
    EXPECT_EQ(IniReadString(lngFile, "FormOptions", "Btn_OK", ""), "OK");
    EXPECT_EQ(IniReadString(lngFile, "FormOptions", "StructureViewer_Check", ""),
              "internal Objectpreview (not installed)");
    EXPECT_EQ(IniReadString(lngFile, "FormOptions", "TabExport", ""), "Export");
    EXPECT_EQ(IniReadString(lngFile, "FormOptions", "TabGeneral", ""), "General");
    EXPECT_EQ(IniReadString(lngFile, "FormOptions", "gbBveFolder", ""), "BVE directory");
    // The folder shown is data, and the tab bar's scroll buttons are Qt's.
    EXPECT_FALSE(IniValueExists(lngFile, "FormOptions", "BVE_Folder_Set"));
    EXPECT_FALSE(IniValueExists(lngFile, "FormOptions", "ScrollLeftButton"));
    EXPECT_FALSE(IniValueExists(lngFile, "FormOptions", "ScrollRightButton"));
    EXPECT_FALSE(IniValueExists(lngFile, "FormOptions", "edObjFolder"));

    IniWriteString(lngFile, "FormOptions", "Btn_Cancel", "Abbrechen");
    IniWriteString(lngFile, "FormOptions", "_FormCaption", "Einstellungen");
    IniWriteString(lngFile, "FormOptions", "cbFit4m", "Auf 4 m einrasten");
    IniWriteString(lngFile, "FormOptions", "BVE_Folder_Set", "/stale");
    ASSERT_TRUE(lng.Translate());
    EXPECT_EQ(FormOptions->BVE_Folder_Set->Caption(), "/b");
    EXPECT_EQ(FormOptions->Btn_Cancel->text(), "Abbrechen");
    EXPECT_EQ(FormOptions->windowTitle(), "Einstellungen");
    EXPECT_EQ(FormOptions->cbFit4m->text(), "Auf 4 m einrasten");
    DestroyForms();
    EXPECT_EQ(FormOptions, nullptr);
}

#ifdef VELKAST_SOURCE_DIR
TEST_F(FormOptionsTest, SampleSettingsFile)
{
    std::filesystem::copy_file(std::string(VELKAST_SOURCE_DIR) + "/sample/program/set.ini", Ini());
    ChooseFolders({"/chosen"});
    TFormOptions opt;
    EXPECT_EQ(opt.GetObjectFolder(), "lib");
    EXPECT_EQ(LanguageFileName, "english.lng");
    EXPECT_DOUBLE_EQ(opt.ArrowStepSize, 0.1);
    EXPECT_EQ(opt.DistanceBeyondLast, 100);
    EXPECT_EQ(opt.MaxCurveSmooth, 4000);
    EXPECT_EQ(opt.MinCurveSmooth, 150);
    EXPECT_FALSE(opt.UseAutoUpdate);
    EXPECT_EQ(std::string(FileBytes("set.ini")).find('\n'), FileBytes("set.ini").find("\r\n") + 1);
}
#endif
