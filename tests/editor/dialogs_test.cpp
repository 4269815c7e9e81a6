#include "platform/gui/dialogs.h"

#include <QDialog>

#include <gtest/gtest.h>

TEST(Dialogs, DefaultAnswerIsTheSafeButton)
{
    EXPECT_EQ(DefaultMessageAnswer(mbYesNoCancel), mrCancel);
    EXPECT_EQ(DefaultMessageAnswer(mbYesNo), mrNo);
    EXPECT_EQ(DefaultMessageAnswer(mbOK), mrOk);
    EXPECT_EQ(DefaultMessageAnswer(mbAbort | mbRetry), mrAbort);
    EXPECT_EQ(DefaultMessageAnswer(mbYes), mrNone);
}

TEST(Dialogs, WithoutResponderNothingBlocksOffscreen)
{
    ASSERT_FALSE(HasDialogResponder());
    ASSERT_FALSE(CanShowDialogs());
    EXPECT_EQ(MessageDlg("Save?", mtConfirmation, mbYesNo), mrNo);
    ShowMessage("plain");
    TFileDialogParams p;
    p.FileName = "keep.vlp";
    EXPECT_FALSE(PromptForOpenFile(p));
    EXPECT_FALSE(PromptForSaveFile(p));
    EXPECT_EQ(p.FileName, "keep.vlp");
    std::string folder = "/start";
    EXPECT_FALSE(SelectFolder(folder, "BVE"));
    EXPECT_EQ(folder, "/start");
    QDialog window;
    EXPECT_EQ(ShowModal(&window), mrCancel);
    EXPECT_EQ(ShowModal(nullptr), mrCancel);
    EXPECT_FALSE(ShellOpen("/bin/true"));
}

TEST(Dialogs, ResponderSeesEveryRequestAndScopesRestore)
{
    std::vector<TDialogRequest> seen;
    {
        TScopedDialogResponder outer([&](const TDialogRequest& r) {
            seen.push_back(r);
            TDialogAnswer a;
            a.Result = mrYes;
            return a;
        });
        EXPECT_EQ(MessageDlg("Line 1\r\nLine 2", mtWarning, mbYesNo, "Caption"), mrYes);
        {
            TScopedDialogResponder inner([](const TDialogRequest&) { return TDialogAnswer{mrIgnore, ""}; });
            EXPECT_EQ(MessageDlg("x", mtError, mbAbort | mbRetry | mbIgnore), mrIgnore);
        }
        EXPECT_EQ(MessageDlg("again", mtInformation, mbOK), mrYes);
    }
    EXPECT_FALSE(HasDialogResponder());
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].Kind, TDialogKind::MessageBox);
    EXPECT_EQ(seen[0].Text, "Line 1\r\nLine 2");
    EXPECT_EQ(seen[0].Caption, "Caption");
    EXPECT_EQ(seen[0].MsgType, mtWarning);
    EXPECT_EQ(seen[0].Buttons, mbYes | mbNo);
    EXPECT_EQ(seen[1].Text, "again");
}

TEST(Dialogs, FileDialogsAndComponents)
{
    std::vector<TDialogRequest> seen;
    TScopedDialogResponder r([&](const TDialogRequest& req) {
        seen.push_back(req);
        if (req.Kind == TDialogKind::SaveFile)
            return TDialogAnswer{mrOk, "/work/out/route.vlp"};
        if (req.Kind == TDialogKind::OpenFile)
            return TDialogAnswer{mrOk, ""}; // OK without a file counts as cancel
        return TDialogAnswer{};
    });
    TOpenDialog open(nullptr, "OpenDialog1");
    open.Title = "Open project";
    open.Filter = "Velkast Projects|*.vlp";
    open.FileName = "old.vlp";
    EXPECT_FALSE(open.Execute());
    EXPECT_EQ(open.FileName, "old.vlp");
    TSaveDialog save(nullptr, "SaveDialog1");
    save.Title = "Save project as...";
    save.InitialDir = "/work";
    save.DefaultExt = "vlp";
    EXPECT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName, "/work/out/route.vlp");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].Kind, TDialogKind::OpenFile);
    EXPECT_EQ(seen[0].Title, "Open project");
    EXPECT_EQ(seen[0].Filter, "Velkast Projects|*.vlp");
    EXPECT_EQ(seen[0].FileName, "old.vlp");
    EXPECT_EQ(seen[1].Kind, TDialogKind::SaveFile);
    EXPECT_EQ(seen[1].InitialDir, "/work");
    EXPECT_EQ(seen[1].DefaultExt, "vlp");
    EXPECT_EQ(open.objectName(), "OpenDialog1");
}

TEST(Dialogs, FolderChoiceNeverGivesAnEmptyFolder)
{
    std::string answer;
    TScopedDialogResponder r([&](const TDialogRequest& req) {
        EXPECT_EQ(req.Kind, TDialogKind::SelectFolder);
        return TDialogAnswer{mrOk, answer};
    });
    std::string folder = "/preset";
    answer = "";
    EXPECT_FALSE(SelectFolder(folder, "Choose"));
    EXPECT_EQ(folder, "/preset");
    answer = "/games/bve/";
    EXPECT_TRUE(SelectFolder(folder, "Choose", "Please select your BVE Directory:"));
    EXPECT_EQ(folder, "/games/bve");
    answer = "/";
    EXPECT_TRUE(SelectFolder(folder, "Choose"));
    EXPECT_EQ(folder, "/");
}

TEST(Dialogs, FilterConversion)
{
    EXPECT_EQ(DialogFilterToQt("Velkast Projects|*.vlp"), "Velkast Projects (*.vlp)");
    EXPECT_EQ(DialogFilterToQt("Pictures|*.bmp;*.jpg|All files|*.*"), "Pictures (*.bmp *.jpg);;All files (*.*)");
    EXPECT_EQ(DialogFilterToQt("Objects (*.b3d)|*.b3d;*.csv"), "Objects (*.b3d *.csv)");
    EXPECT_EQ(DialogFilterToQt(""), "");
}
