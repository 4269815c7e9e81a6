// The welcome dialog's choices and the new-project wizard's pages, questions
// and finish, answered through the dialog responder.

#include "startuptesthelpers.h"

#include "editor/createprojwizard.h"
#include "editor/formmain.h"
#include "editor/formwelcome.h"
#include "editor/frmeditor.h"
#include "platform/inifile.h"

#include <algorithm>

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

class WelcomeTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        CreateForm(FormWelcome);
    }
};

class WizardTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        CreateForm(FormMain);
        CreateForm(CreateProj_Wizard);
        CreateProj_Wizard->PrepareShow();
    }
    void GoToLastPage()
    {
        for (int i = 0; i < 3; ++i)
            CreateProj_Wizard->Next->click();
    }
};

} // namespace

TEST_F(WelcomeTest, ButtonsChooseNewAndOpen)
{
    EXPECT_EQ(FormWelcome->objectName(), "FormWelcome");
    EXPECT_EQ(FormWelcome->windowTitle(), "Welcome!");
    EXPECT_TRUE(FormWelcome->Choice.empty());
    FormWelcome->bNew->click();
    EXPECT_EQ(FormWelcome->Choice, "new");
    EXPECT_EQ(FormWelcome->result(), QDialog::Accepted);
    FormWelcome->bOpen->click();
    EXPECT_EQ(FormWelcome->Choice, "open");
    EXPECT_EQ(FormWelcome->result(), QDialog::Accepted);
}

TEST_F(WelcomeTest, EmptyListOpensNothingAndEscapeCancels)
{
    FormWelcome->SetRecentProjects({});
    FormWelcome->show();
    FormWelcome->Button1->click();
    EXPECT_TRUE(FormWelcome->Choice.empty());
    EXPECT_TRUE(FormWelcome->isVisible());
    QTest::keyClick(FormWelcome, Qt::Key_Escape);
    EXPECT_EQ(FormWelcome->result(), QDialog::Rejected);
    EXPECT_FALSE(FormWelcome->isVisible());
}

TEST_F(WelcomeTest, ShowingSelectsTheFirstEntryWhichOpenSelectedChooses)
{
    FormWelcome->SetRecentProjects({"/data/routes/a.vlp", "/data/routes/b.vlp"});
    FormWelcome->Choice = "open";
    FormWelcome->show();
    ASSERT_EQ(FormWelcome->ListView1->count(), 2);
    EXPECT_EQ(FormWelcome->ListView1->currentRow(), 0);
    FormWelcome->Button1->click();
    EXPECT_EQ(FormWelcome->Choice, "/data/routes/a.vlp");
    EXPECT_EQ(FormWelcome->result(), QDialog::Accepted);

    // A double click chooses the entry clicked.
    FormWelcome->show();
    FormWelcome->ListView1DblClick(FormWelcome->ListView1->item(1));
    EXPECT_EQ(FormWelcome->Choice, "/data/routes/b.vlp");

    // Escape keeps the last choice but cancels.
    FormWelcome->show();
    QTest::keyClick(FormWelcome, Qt::Key_Escape);
    EXPECT_EQ(FormWelcome->Choice, "/data/routes/b.vlp");
    EXPECT_EQ(FormWelcome->result(), QDialog::Rejected);
}

TEST_F(WizardTest, PagesAndButtons)
{
    TCreateProj_Wizard* w = CreateProj_Wizard;
    EXPECT_EQ(w->windowTitle(), "Velkast - Create project...");
    EXPECT_EQ(w->ActivePage(), 0);
    EXPECT_TRUE(w->Back->isHidden());
    EXPECT_EQ(w->Next->text(), "&Next >");
    w->Next->click();
    EXPECT_EQ(w->ActivePage(), 1);
    EXPECT_FALSE(w->Back->isHidden());
    w->Next->click();
    EXPECT_EQ(w->ActivePage(), 2);
    EXPECT_EQ(w->Next->text(), "&Next >");
    w->Next->click();
    EXPECT_EQ(w->ActivePage(), 3);
    EXPECT_EQ(w->Next->text(), "&Finish >");
    w->Back->click();
    EXPECT_EQ(w->ActivePage(), 2);
    EXPECT_EQ(w->Next->text(), "&Next >");
    // Showing again starts on the first page.
    w->PrepareShow();
    EXPECT_EQ(w->ActivePage(), 0);
    EXPECT_TRUE(w->Back->isHidden());
}

TEST_F(WizardTest, DeveloperNumberHasEightDigits)
{
    for (int i = 0; i < 50; ++i) {
        CreateProj_Wizard->PrepareShow();
        EXPECT_GE(CreateProj_Wizard->DeveloperNumber(), 10000000);
        EXPECT_LT(CreateProj_Wizard->DeveloperNumber(), 90000000);
    }
}

TEST_F(WizardTest, CancelAsksAndNoKeepsThePageAndTexts)
{
    CreateProj_Wizard->show();
    CreateProj_Wizard->Next->click();
    CreateProj_Wizard->Proj_Name->setText("Hill line");
    Answer = [](const TDialogRequest&) { return TDialogAnswer{mrNo, {}}; };
    CreateProj_Wizard->Cancel->click();
    ASSERT_EQ(CountMessageKey("twizard_close"), 1);
    EXPECT_EQ(RequestsOf(TDialogKind::MessageBox)[0].MsgType, mtConfirmation);
    EXPECT_EQ(RequestsOf(TDialogKind::MessageBox)[0].Buttons, mbYesNo);
    EXPECT_TRUE(CreateProj_Wizard->isVisible());
    EXPECT_EQ(CreateProj_Wizard->ActivePage(), 1);
    EXPECT_EQ(CreateProj_Wizard->Proj_Name->text(), "Hill line");

    Answer = [](const TDialogRequest&) { return TDialogAnswer{mrYes, {}}; };
    CreateProj_Wizard->Cancel->click();
    EXPECT_FALSE(CreateProj_Wizard->isVisible());
    EXPECT_EQ(CreateProj_Wizard->result(), QDialog::Rejected);
    EXPECT_EQ(FormMain->FrmEditor->Project, nullptr);
}

TEST_F(WizardTest, FinishNeedsProjectNameAndAuthor)
{
    CreateProj_Wizard->show();
    GoToLastPage();
    CreateProj_Wizard->Next->click();
    EXPECT_EQ(CountMessageKey("twizard_no_prjname"), 1);
    EXPECT_TRUE(CreateProj_Wizard->isVisible());
    CreateProj_Wizard->Proj_Name->setText("Hill line");
    CreateProj_Wizard->Next->click();
    EXPECT_EQ(CountMessageKey("twizard_no_name"), 1);
    EXPECT_TRUE(CreateProj_Wizard->isVisible());
    EXPECT_EQ(CreateProj_Wizard->ActivePage(), 3);
    EXPECT_EQ(FormMain->FrmEditor->Project, nullptr);
    for (const auto& r : RequestsOf(TDialogKind::MessageBox))
        EXPECT_EQ(r.MsgType, mtWarning);
}

TEST_F(WizardTest, FinishReplacesTheOpenProject)
{
    // An open project with selected items.
    auto old = std::make_unique<TVLProject>();
    auto point = std::make_unique<TVLPoint>();
    CurrentSituation.SelectedPoint = point.get();
    old->AddPoint(std::move(point));
    auto route = std::make_unique<TVLRouteDefinition>();
    CurrentSituation.CurrentRouteDefinition = route.get();
    old->RouteDefinitions.Add(std::move(route));
    FormMain->FrmEditor->SetProject(std::move(old));
    FormMain->EnableProjectCommands(true);

    CreateProj_Wizard->show();
    CreateProj_Wizard->Proj_Name->setText("Hill line");
    CreateProj_Wizard->Proj_Author->setText("J\u00f6rg");
    CreateProj_Wizard->Proj_Description->setPlainText("first\nsecond");
    CreateProj_Wizard->Proj_Homepage->setText("http://hill.example/");
    CreateProj_Wizard->Proj_email->setText("j@hill.example");
    CreateProj_Wizard->Proj_Credits->setPlainText("A\nB");
    CreateProj_Wizard->Proj_Logo->setText("logo.jpg");
    GoToLastPage();
    CreateProj_Wizard->Next->click();

    EXPECT_FALSE(CreateProj_Wizard->isVisible());
    EXPECT_EQ(CreateProj_Wizard->result(), QDialog::Accepted);
    EXPECT_TRUE(RequestsOf(TDialogKind::MessageBox).empty()); // no question about saving here
    const TVLProject* p = FormMain->FrmEditor->Project;
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->ProjectName, "Hill line");
    EXPECT_EQ(p->Author, "J\xF6rg");
    EXPECT_EQ(p->Description, "first\r\nsecond");
    EXPECT_EQ(p->HomepageUrl, "http://hill.example/");
    EXPECT_EQ(p->AuthorEmailAddress, "j@hill.example");
    EXPECT_EQ(p->Credits, "A\r\nB\r\n");
    EXPECT_EQ(p->LogoPath, "logo.jpg");
    EXPECT_EQ(p->DeveloperId, CreateProj_Wizard->DeveloperNumber());
    EXPECT_TRUE(p->FileName.empty());
    EXPECT_EQ(p->Points.Count(), 0);
    EXPECT_EQ(CurrentSituation.SelectedPoint, nullptr);
    EXPECT_EQ(CurrentSituation.CurrentRouteDefinition, nullptr);
    EXPECT_TRUE(FormMain->menuSave->isEnabled());
    EXPECT_FALSE(FormMain->FrmEditor->isHidden());
}

TEST_F(WizardTest, FinishWithOnlyTheNamesGivesEmptyTexts)
{
    CreateProj_Wizard->Proj_Name->setText("N");
    CreateProj_Wizard->Proj_Author->setText("A");
    CreateProj_Wizard->SetProject();
    const TVLProject* p = FormMain->FrmEditor->Project;
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->Description.empty());
    EXPECT_TRUE(p->Credits.empty());
    EXPECT_TRUE(p->LogoPath.empty());
    EXPECT_EQ(std::to_string(p->DeveloperId).size(), 8u);
}

TEST_F(WizardTest, LogoButtonTakesTheDialogsFileName)
{
    Answer = [](const TDialogRequest& r) {
        return r.Kind == TDialogKind::OpenFile ? TDialogAnswer{mrOk, "/pictures/logo.jpg"} : TDialogAnswer{};
    };
    CreateProj_Wizard->SearchProjectLogo_Btn->click();
    ASSERT_EQ(RequestsOf(TDialogKind::OpenFile).size(), 1u);
    EXPECT_EQ(RequestsOf(TDialogKind::OpenFile)[0].Filter, "Bilddateien|*.bmp; *.gif; *.jpg|Alle Dateien|*.*");
    EXPECT_EQ(CreateProj_Wizard->Proj_Logo->text(), "/pictures/logo.jpg");
    // Cancelled: the edit takes the dialog's file name all the same.
    Answer = nullptr;
    CreateProj_Wizard->Proj_Logo->setText("typed.jpg");
    CreateProj_Wizard->SearchProjectLogo_Btn->click();
    EXPECT_EQ(CreateProj_Wizard->Proj_Logo->text(), "/pictures/logo.jpg");
}

TEST_F(WizardTest, TranslatableTextsAreThoseOfTheLanguageFile)
{
    // Writing the wizard's defaults into an empty file gives exactly the
    // keys the shipped file has for it.
    CreateForm(FormWelcome);
    PutFile("empty.lng", "");
    TLngINISupp translator;
    translator.SetFileName("empty.lng");
    translator.WriteDefaults();
    TIniData written;
    ASSERT_TRUE(written.LoadFromFile(Program + "empty.lng"));
    TIniData shipped;
    ASSERT_TRUE(shipped.LoadFromFile(Program + "english.lng"));
    for (const char* section : {"CreateProj_Wizard", "FormMain", "FormWelcome"}) {
        TStrings keys = written.ReadSection(section);
        TStrings expected;
        for (const std::string& key : shipped.ReadSection(section))
            if (shipped.ReadString(section, key, "") != "-") // separators carry no text
                expected.push_back(key);
        std::sort(keys.begin(), keys.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(keys, expected) << section;
        for (const std::string& key : keys)
            EXPECT_EQ(written.ReadString(section, key, "?"), shipped.ReadString(section, key, "!"))
                << section << "." << key;
    }
}
