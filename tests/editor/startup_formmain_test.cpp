// The main window: recent-projects files, New, Open, Save, Save as, Exit and
// Export with their questions, failing loads and saves, and the start-up
// dialogue, answered through the dialog responder.

#include "startuptesthelpers.h"

#include "editor/createprojwizard.h"
#include "editor/formexport.h"
#include "editor/formstations.h"
#include "editor/formmain.h"
#include "editor/formprojectproperties.h"
#include "editor/formwelcome.h"
#include "editor/frmeditor.h"
#include "editor/vclwidgets.h"

#include <QAction>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <csignal>
#include <cstring>

#include <sys/resource.h>

namespace {

class FormMainTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        // A small project on disk.
        TVLProject project;
        project.ProjectName = "Hill line";
        project.AddPoint(std::make_unique<TVLPoint>(MakeWorldPoint(0, 0)));
        project.AddPoint(std::make_unique<TVLPoint>(MakeWorldPoint(25, 0)));
        project.AddConnection(std::make_unique<TVLConnection>(project.Points[0], project.Points[1]));
        ASSERT_TRUE(project.SaveToFile(Program + "hill.vlp"));
    }

    TFormMain* Main()
    {
        if (!FormMain) {
            CreateForm(FormMain);
            CreateForm(CreateProj_Wizard);
            CreateForm(FormWelcome);
        }
        return FormMain;
    }
    TFrmEditor* Frame() { return Main()->FrmEditor; }

    // Answers file dialogs with path (empty: cancel) and message boxes with result.
    void AnswerWith(const std::string& path, int messageResult)
    {
        Answer = [path, messageResult](const TDialogRequest& r) {
            TDialogAnswer a;
            if (r.Kind == TDialogKind::MessageBox)
                a.Result = messageResult;
            else if ((r.Kind == TDialogKind::OpenFile || r.Kind == TDialogKind::SaveFile) && !path.empty())
                a = TDialogAnswer{mrOk, path};
            return a;
        };
    }
    bool ProjectCommandsEnabled()
    {
        return Main()->menuSave->isEnabled() && Main()->tbSave->isEnabled() && Main()->MenuExport->isEnabled() &&
               !Frame()->isHidden();
    }
    bool ProjectCommandsDisabled()
    {
        return !Main()->menuSave->isEnabled() && !Main()->tbExport->isEnabled() &&
               !Main()->MenuObjects->isEnabled() && Frame()->isHidden();
    }
    // Failed saves reported: the message's text, then the file and why.
    int SaveFailures() const
    {
        int n = 0;
        for (const auto& r : Requests)
            n += r.Kind == TDialogKind::MessageBox && r.Text.rfind(GetMessageText("tmain_errorsaving"), 0) == 0;
        return n;
    }
    int ModalWindowsShown(const char* name) const
    {
        int n = 0;
        for (const auto& r : Requests)
            if (r.Kind == TDialogKind::ModalWindow && r.Window && r.Window->objectName() == name)
                ++n;
        return n;
    }
};

} // namespace

TEST_F(FormMainTest, RecentListComesFromTheListFileElseTheSeed)
{
    PutFile("default.lru", "/seed/a.vlp\r\n\r\n/seed/b.vlp\n");
    EXPECT_EQ(Main()->RecentProjects, (TStrings{"/seed/a.vlp", "", "/seed/b.vlp"}));
    DestroyForms();

    PutFile("velkast.lru", "/list/c.vlp\r" + Program + "hill.vlp\r\n");
    EXPECT_EQ(Main()->RecentProjects, (TStrings{"/list/c.vlp", Program + "hill.vlp"}));
    // Only existing files are offered.
    EXPECT_EQ(Main()->ExistingRecentProjects(), (TStrings{Program + "hill.vlp"}));
}

TEST_F(FormMainTest, AddRecentProjectMovesTheEntryToTheTop)
{
    PutFile("default.lru", "/r/One.vlp\r\n/r/two.vlp\r\n");
    Main()->AddRecentProject("/r/TWO.vlp");
    EXPECT_EQ(Main()->RecentProjects, (TStrings{"/r/TWO.vlp", "/r/One.vlp"}));
    EXPECT_EQ(FileBytes("velkast.lru"), "/r/TWO.vlp\r\n/r/One.vlp\r\n");
    EXPECT_EQ(FileBytes("default.lru"), "/r/One.vlp\r\n/r/two.vlp\r\n");
    Main()->AddRecentProject("");
    EXPECT_EQ(Main()->RecentProjects.size(), 2u);
}

TEST_F(FormMainTest, OpenLoadsAndListsTheProject)
{
    ASSERT_TRUE(ProjectCommandsDisabled());
    AnswerWith(Program + "hill.vlp", mrNo);
    Main()->Project_Continue->trigger();
    ASSERT_NE(Frame()->Project, nullptr);
    EXPECT_EQ(Frame()->Project->ProjectName, "Hill line");
    EXPECT_EQ(Frame()->Project->Connections.Count(), 1);
    EXPECT_TRUE(ProjectCommandsEnabled());
    EXPECT_EQ(Main()->RecentProjects, (TStrings{Program + "hill.vlp"}));
    ASSERT_EQ(RequestsOf(TDialogKind::OpenFile).size(), 1u);
    EXPECT_EQ(RequestsOf(TDialogKind::OpenFile)[0].Title, "Open project");
    EXPECT_EQ(RequestsOf(TDialogKind::OpenFile)[0].Filter, "Velkast Projects|*.vlp");
    EXPECT_TRUE(RequestsOf(TDialogKind::MessageBox).empty()); // nothing was open
}

TEST_F(FormMainTest, OpenKeepsTheProjectUntilTheChosenFileHasLoaded)
{
    ASSERT_TRUE(Main()->OpenProjectFile(Program + "hill.vlp"));
    TVLProject* project = Frame()->Project;
    project->ProjectName = "unsaved";
    CurrentSituation.SelectedConnection = project->Connections[0];
    PutFile("broken.vlp", "no project at all");
    // Cancel (Escape) at the question; No, then the file dialog cancelled;
    // No, then a file that does not load: the project stays, unchanged.
    for (const auto& [file, answer] : {std::pair{std::string(), mrCancel}, std::pair{std::string(), mrNo},
                                       std::pair{Program + "broken.vlp", mrNo}}) {
        AnswerWith(file, answer);
        Main()->OpenClick();
        EXPECT_EQ(Frame()->Project, project);
        EXPECT_EQ(project->ProjectName, "unsaved");
        EXPECT_EQ(CurrentSituation.SelectedConnection, project->Connections[0]);
        EXPECT_TRUE(ProjectCommandsEnabled());
    }
    EXPECT_EQ(CountMessageKey("tmain_ask_save"), 3);
    EXPECT_EQ(Requests[0].Buttons, mbYesNoCancel);
    EXPECT_EQ(RequestsOf(TDialogKind::OpenFile).size(), 2u);
    EXPECT_EQ(Main()->RecentProjects, (TStrings{Program + "hill.vlp"}));

    // New: Cancel at the question shows no wizard; a cancelled wizard keeps the project.
    AnswerWith("", mrCancel);
    Main()->Projekt_CreateClick();
    EXPECT_EQ(ModalWindowsShown("CreateProj_Wizard"), 0);
    AnswerWith("", mrNo);
    Main()->Projekt_CreateClick();
    EXPECT_EQ(ModalWindowsShown("CreateProj_Wizard"), 1);
    EXPECT_EQ(Frame()->Project, project);
    EXPECT_TRUE(ProjectCommandsEnabled());

    // A file that loads takes the project's place.
    AnswerWith(Program + "hill.vlp", mrNo);
    Main()->OpenClick();
    EXPECT_NE(Frame()->Project, nullptr);
    EXPECT_EQ(Frame()->Project->ProjectName, "Hill line");
    EXPECT_EQ(CurrentSituation.SelectedConnection, nullptr);
}

TEST_F(FormMainTest, AFailedLoadKeepsWhatWasOpenAndListsNothing)
{
    ASSERT_TRUE(Main()->OpenProjectFile(Program + "hill.vlp"));
    TVLProject* project = Frame()->Project;
    CurrentSituation.SelectedPoint = project->Points[0];
    Requests.clear();
    EXPECT_FALSE(Main()->OpenProjectFile(Program + "missing.vlp"));
    EXPECT_EQ(Frame()->Project, project);
    EXPECT_EQ(CurrentSituation.SelectedPoint, project->Points[0]);
    EXPECT_TRUE(ProjectCommandsEnabled());
    const auto boxes = RequestsOf(TDialogKind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].MsgType, mtError);
    EXPECT_EQ(boxes[0].Buttons, mbAbort);
    // The message's text, one blank, then what went wrong.
    EXPECT_EQ(boxes[0].Text,
              GetMessageText("tmain_errorloading") + " The file " + Program + "missing.vlp does not exist.");
    EXPECT_EQ(Main()->RecentProjects, (TStrings{Program + "hill.vlp"}));
    EXPECT_EQ(FileBytes("velkast.lru"), Program + "hill.vlp\r\n");
}

TEST_F(FormMainTest, ARecentProjectThatVanishedIsSaidSo)
{
    PutFile("velkast.lru", Program + "hill.vlp\r\n");
    Answer = [this](const TDialogRequest& r) {
        TDialogAnswer a;
        if (r.Kind == TDialogKind::ModalWindow && r.Window == FormWelcome) {
            std::filesystem::remove(Program + "hill.vlp"); // gone while the dialog was open
            FormWelcome->ListView1->setCurrentRow(0);
            FormWelcome->Button1->click();
            a.Result = mrOk;
        }
        return a;
    };
    Main()->FormShow();
    EXPECT_EQ(Frame()->Project, nullptr);
    EXPECT_EQ(CountMessages(GetMessageText("tmain_errorloading") + " The file " + Program +
                            "hill.vlp does not exist."),
              1);
    EXPECT_TRUE(ProjectCommandsDisabled());
}

TEST_F(FormMainTest, SaveWritesTheFileAndListsIt)
{
    ASSERT_TRUE(Main()->OpenProjectFile(Program + "hill.vlp"));
    Main()->RecentProjects.clear();
    Frame()->Project->ProjectName = "Hill line 2";
    Main()->tbSave->click();
    TVLProject check;
    ASSERT_TRUE(check.LoadFromFile(Program + "hill.vlp"));
    EXPECT_EQ(check.ProjectName, "Hill line 2");
    EXPECT_EQ(Main()->RecentProjects, (TStrings{Program + "hill.vlp"}));
    EXPECT_TRUE(RequestsOf(TDialogKind::MessageBox).empty());
}

TEST_F(FormMainTest, AFailedSaveIsReportedAndStopsNewOpenAndExit)
{
    ASSERT_TRUE(Main()->OpenProjectFile(Program + "hill.vlp"));
    TVLProject* project = Frame()->Project;
    project->FileName = Program + "no/such/folder/hill.vlp";
    Main()->RecentProjects.clear();

    AnswerWith(Program + "other.vlp", mrYes);
    Main()->menuSaveClick();
    EXPECT_EQ(SaveFailures(), 1);
    EXPECT_TRUE(Main()->RecentProjects.empty());

    Main()->Projekt_CreateClick();
    EXPECT_EQ(ModalWindowsShown("CreateProj_Wizard"), 0);
    Main()->OpenClick();
    EXPECT_TRUE(RequestsOf(TDialogKind::OpenFile).empty());
    int closes = 0;
    struct CloseCounter : QObject {
        int* Count;
        explicit CloseCounter(int* count) : Count(count) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Close)
                ++*Count;
            return false;
        }
    } counter(&closes);
    Main()->installEventFilter(&counter);
    Main()->VL_ExitClick();
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(SaveFailures(), 4);
    EXPECT_EQ(Frame()->Project, project); // still open, nothing lost

    // Answered No, Exit goes on.
    AnswerWith("", mrNo);
    Main()->VL_ExitClick();
    EXPECT_EQ(closes, 1);
    Main()->removeEventFilter(&counter);
}

TEST_F(FormMainTest, SaveKeepsAWriteProtectedFileAndNamesWhyItFailed)
{
    ASSERT_TRUE(Main()->OpenProjectFile(Program + "hill.vlp"));
    const std::string file = Program + "hill.vlp", before = FileBytes("hill.vlp");
    std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
    Frame()->Project->ProjectName = "Hill line 2";
    Main()->menuSaveClick();
    EXPECT_EQ(CountMessages(GetMessageText("tmain_errorsaving") + file + "\r\nThe file is write-protected."), 1);
    EXPECT_EQ(FileBytes("hill.vlp"), before);
    // Save as another name still works.
    AnswerWith(Program + "hill2.vlp", mrOk);
    Main()->MenuSaveAsClick();
    EXPECT_EQ(Frame()->Project->FileName, Program + "hill2.vlp");

    // A disk that takes no more (a file size limit stands in for a full one)
    // is named with the system's words.
    struct rlimit old {}, small {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    small = old;
    small.rlim_cur = 16;
    setrlimit(RLIMIT_FSIZE, &small);
    Main()->menuSaveClick();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(CountMessages(GetMessageText("tmain_errorsaving") + Program + "hill2.vlp\r\n" + std::strerror(EFBIG) +
                            "."),
              1);
    TVLProject check;
    ASSERT_TRUE(check.LoadFromFile(Program + "hill2.vlp"));
    EXPECT_EQ(check.ProjectName, "Hill line 2");
}

TEST_F(FormMainTest, SaveAsAppendsTheExtensionUnlessTheNameHoldsIt)
{
    ASSERT_TRUE(Main()->OpenProjectFile(Program + "hill.vlp"));
    Main()->RecentProjects.clear();
    AnswerWith(Program + "copy", mrOk);
    Main()->MenuSaveAs->trigger();
    EXPECT_TRUE(std::filesystem::exists(Program + "copy.vlp"));
    EXPECT_EQ(Frame()->Project->FileName, Program + "copy.vlp");
    EXPECT_EQ(RequestsOf(TDialogKind::SaveFile)[0].Title, "Save project as...");
    EXPECT_TRUE(Main()->RecentProjects.empty()); // Save as alone does not list

    AnswerWith(Program + "keep.VLP.old", mrOk);
    Main()->MenuSaveAsClick();
    EXPECT_TRUE(std::filesystem::exists(Program + "keep.VLP.old"));
    EXPECT_EQ(Frame()->Project->FileName, Program + "keep.VLP.old");

    // A failed Save as keeps the old file name.
    AnswerWith(Program + "no/folder/x.vlp", mrOk);
    Main()->MenuSaveAsClick();
    EXPECT_EQ(SaveFailures(), 1);
    EXPECT_EQ(Frame()->Project->FileName, Program + "keep.VLP.old");
}

TEST_F(FormMainTest, SaveWithoutNameAsksForOneAndCancelListsNothing)
{
    Frame()->SetProject(std::make_unique<TVLProject>());
    Main()->EnableProjectCommands(true);
    AnswerWith("", mrOk);
    Main()->menuSaveClick();
    EXPECT_EQ(RequestsOf(TDialogKind::SaveFile).size(), 1u);
    EXPECT_TRUE(Main()->RecentProjects.empty());
    EXPECT_FALSE(std::filesystem::exists(Program + "velkast.lru"));

    AnswerWith(Program + "fresh", mrOk);
    Main()->menuSaveClick();
    EXPECT_EQ(Main()->RecentProjects, (TStrings{Program + "fresh.vlp"}));
}

TEST_F(FormMainTest, CommandsWithoutProjectDoNothing)
{
    Main()->menuSaveClick();
    Main()->MenuSaveAsClick();
    Main()->replace1Click();
    Main()->moveeverything1Click();
    Main()->MakePackage1Click();
    Main()->MenuPropertiesClick();
    Main()->MenuTimetablesClick();
    Main()->MenuRoutesClick();
    Main()->FrmEditortbMap1Click();
    EXPECT_TRUE(Requests.empty());
    EXPECT_EQ(Frame()->Project, nullptr);

    Main()->MenuExportClick();
    EXPECT_EQ(CountMessageKey("tmain_no_pr"), 1);
    ASSERT_TRUE(Main()->OpenProjectFile(Program + "hill.vlp"));
    Main()->tbExport->click();
    EXPECT_EQ(CountMessageKey("tmain_no_rd"), 1);
}

TEST_F(FormMainTest, NewAsksToSaveAndShowsTheWizard)
{
    ASSERT_TRUE(Main()->OpenProjectFile(Program + "hill.vlp"));
    TVLProject* old = Frame()->Project;
    // The responder fills the wizard and finishes it.
    Answer = [](const TDialogRequest& r) {
        TDialogAnswer a;
        if (r.Kind == TDialogKind::MessageBox)
            a.Result = mrNo;
        if (r.Kind == TDialogKind::ModalWindow && r.Window == CreateProj_Wizard) {
            CreateProj_Wizard->Proj_Name->setText("Valley");
            CreateProj_Wizard->Proj_Author->setText("Me");
            CreateProj_Wizard->SetProject();
            a.Result = CreateProj_Wizard->result() == QDialog::Accepted ? mrOk : mrCancel;
        }
        return a;
    };
    Main()->ToolButton1->click();
    EXPECT_EQ(CountMessageKey("tmain_ask_save"), 1);
    EXPECT_EQ(ModalWindowsShown("CreateProj_Wizard"), 1);
    ASSERT_NE(Frame()->Project, nullptr);
    EXPECT_NE(Frame()->Project, old);
    EXPECT_EQ(Frame()->Project->ProjectName, "Valley");
    EXPECT_TRUE(ProjectCommandsEnabled());
    EXPECT_EQ(Main()->RecentProjects, (TStrings{Program + "hill.vlp"})); // New lists nothing
}

TEST_F(FormMainTest, StartUpDialogueOpensTheChosenRecentProject)
{
    PutFile("velkast.lru", "\r\n" + Program + "gone.vlp\r\n" + Program + "hill.vlp\r\n");
    std::vector<std::string> offered;
    Answer = [&offered](const TDialogRequest& r) {
        TDialogAnswer a;
        if (r.Kind == TDialogKind::ModalWindow && r.Window == FormWelcome) {
            for (int i = 0; i < FormWelcome->ListView1->count(); ++i)
                offered.push_back(FormWelcome->ListView1->item(i)->text().toStdString());
            FormWelcome->ListView1->setCurrentRow(0);
            FormWelcome->Button1->click();
            a.Result = mrOk;
        }
        return a;
    };
    Main()->FormShow();
    EXPECT_EQ(offered, (std::vector<std::string>{Program + "hill.vlp"}));
    ASSERT_NE(Frame()->Project, nullptr);
    EXPECT_EQ(Frame()->Project->ProjectName, "Hill line");
    EXPECT_TRUE(ProjectCommandsEnabled());
    EXPECT_EQ(Main()->RecentProjects[0], Program + "hill.vlp");
    EXPECT_EQ(Main()->RecentProjects.size(), 3u); // the empty and the missing entry stay
    EXPECT_EQ(Main()->windowTitle(), "Velkast 1.0 (2003-04-21)");
    EXPECT_EQ(Main()->StatusBar->PanelText(0), "Velkast");
    EXPECT_EQ(Main()->StatusBar->PanelText(1), "Version 1.0 (2003-04-21)");
}

TEST_F(FormMainTest, StartUpDialogueCancelledOpensNothing)
{
    Main()->FormShow();
    EXPECT_EQ(ModalWindowsShown("FormWelcome"), 1);
    EXPECT_EQ(Frame()->Project, nullptr);
    EXPECT_TRUE(ProjectCommandsDisabled());
}

TEST_F(FormMainTest, CtrlKeyReleasesRunFrameCommands)
{
    QSignalSpy spy(Main(), &TFormMain::FrameKeyCommand);
    QTest::keyRelease(Main(), Qt::Key_D, Qt::ControlModifier);
    QTest::keyRelease(Main(), Qt::Key_D, Qt::NoModifier);
    QTest::keyRelease(Main(), Qt::Key_X, Qt::ControlModifier);
    QTest::keyRelease(Main(), Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyRelease(Main(), Qt::Key_P, Qt::ControlModifier); // the project's properties
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy[0][0].value<char>(), 'D');
    EXPECT_EQ(spy[1][0].value<char>(), 'M');
}

TEST_F(FormMainTest, MapButtonIsPressedExactlyWhileTheMapShows)
{
    ASSERT_TRUE(Main()->OpenProjectFile(Program + "hill.vlp"));
    AnswerWith("", mrNo); // no picture yet, and none wanted
    Frame()->tbMap1->click();
    EXPECT_EQ(CountMessageKey("ufrmeditor_nobgmap"), 1);
    EXPECT_TRUE(Frame()->PanMap->isHidden());
    EXPECT_FALSE(Frame()->tbMap1->isChecked());

    QImage(40, 30, QImage::Format_RGB32).save(QString::fromStdString(Program + "map.png"));
    Frame()->Project->BackgroundMapFileName = Program + "map.png";
    Main()->Map1->trigger();
    EXPECT_FALSE(Frame()->PanMap->isHidden());
    EXPECT_TRUE(Frame()->tbMap1->isChecked());
    Frame()->tbMap1->click();
    EXPECT_TRUE(Frame()->PanMap->isHidden());
    EXPECT_FALSE(Frame()->tbMap1->isChecked());
}

TEST_F(FormMainTest, ManualThatCannotBeOpenedIsSaid)
{
    // The responder answers the desktop's open with a failure.
    Main()->Help2Click();
    EXPECT_EQ(CountMessages(GetMessageText("tmain_open_failed") + Program + "Velkast Manual.pdf"), 1);
}

TEST_F(FormMainTest, CtrlPOpensTheProjectPropertiesAndAddsNothing)
{
    CreateForm(FormProjectProperties);
    Main()->show();
    Main()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Main()));
    ASSERT_TRUE(Main()->OpenProjectFile(Program + "hill.vlp"));
    TVLProject* project = Frame()->Project;
    ASSERT_NE(project, nullptr);
    CurrentSituation.SelectedPoint = project->Points[1];
    Frame()->PBCursor->setFocus();
    for (int press = 1; press <= 2; ++press) {
        QTest::keyClick(Frame()->PBCursor, Qt::Key_P, Qt::ControlModifier);
        EXPECT_EQ(ModalWindowsShown("FormProjectProperties"), press);
    }
    EXPECT_EQ(project->Points.Count(), 2);
    EXPECT_EQ(project->Connections.Count(), 1);
}

TEST_F(FormMainTest, ClosingTheWindowAsksAndCancelKeepsTheProject)
{
    Main()->show();
    ASSERT_TRUE(Main()->OpenProjectFile(Program + "hill.vlp"));
    AnswerWith("", mrCancel);
    EXPECT_FALSE(Main()->close());
    Main()->VL_ExitClick();
    EXPECT_TRUE(Main()->isVisible() && Frame()->Project);
    EXPECT_EQ(Requests.back().Buttons, mbYesNoCancel);
    AnswerWith("", mrNo);
    EXPECT_TRUE(Main()->close());
    EXPECT_EQ(CountMessageKey("tmain_ask_save"), 3);
}

TEST_F(FormMainTest, CtrlKeysOnThePlanRunFrameCommandsAndTheNextProjectStartsClean)
{
    Main();
    CreateForm(FormExport);
    CreateForm(FormStations);
    ASSERT_TRUE(Main()->OpenProjectFile(Program + "hill.vlp"));
    TVLProject* project = Frame()->Project;
    QWidget* plan = Frame()->PBCursor;
    CurrentSituation.SelectedConnection = project->Connections[0];
    QTest::keyPress(plan, Qt::Key_C, Qt::ControlModifier);
    QTest::keyRelease(plan, Qt::Key_Control, Qt::NoModifier); // Ctrl let go first
    QTest::keyRelease(plan, Qt::Key_C, Qt::NoModifier);
    EXPECT_NE(Frame()->CopiedTrack, nullptr);

    FormExport->leRoutefilename->SetText("hill");
    FormExport->leDepartureTime->SetText("07:30");
    FormStations->edStationname->setText("Old Town");
    ASSERT_TRUE(Main()->OpenProjectFile(Program + "hill.vlp"));
    EXPECT_EQ(FormExport->leRoutefilename->Text() + FormExport->leDepartureTime->Text(), "09:00");
    EXPECT_EQ(FormStations->edStationname->text(), "");
}
