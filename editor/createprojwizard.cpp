#include "editor/createprojwizard.h"

#include "editor/appforms.h"
#include "editor/formmain.h"
#include "editor/frmeditor.h"
#include "editor/lnginisupp.h"
#include "editor/msginisupp.h"
#include "editor/numberfields.h"
#include "editor/vclwidgets.h"
#include "model/vlproject.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <chrono>
#include <random>

TCreateProj_Wizard* CreateProj_Wizard = nullptr;

namespace {

constexpr int PageCount = 4;

// Memo text as the model keeps it: ANSI bytes, lines separated by CR LF.
std::string MemoText(const QPlainTextEdit* memo)
{
    const TStrings lines = SplitLines(QToAnsi(memo->toPlainText()));
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += lines[i];
    }
    return text;
}

} // namespace

TCreateProj_Wizard::TCreateProj_Wizard(QWidget* parent) : QDialog(parent)
{
    setObjectName("CreateProj_Wizard");
    setWindowTitle("Velkast - Create project...");
    setModal(true);

    // A page control whose tabs are not used for navigation.
    auto* pages = new QTabWidget(this);
    pages->setObjectName("PageControl1");
    pages->tabBar()->hide();
    // The tab bar's own scroll buttons are no texts of this window.
    SetTranslatable(pages->tabBar(), false);
    PageControl1 = pages;

    TabSheet1 = new QWidget;
    TabSheet1->setObjectName("TabSheet1");
    Label1 = new QLabel("Welcome to the Velkast Projectwizard!", TabSheet1);
    Label1->setObjectName("Label1");
    QFont big = Label1->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    Label1->setFont(big);
    Label2 = new QLabel("This Wizard will help you by creating your projects for Velkast.", TabSheet1);
    Label2->setObjectName("Label2");
    Label2->setWordWrap(true);
    Label3 = new QLabel("Click now on \"Next\" to begin!", TabSheet1);
    Label3->setObjectName("Label3");
    auto* page1 = new QVBoxLayout(TabSheet1);
    page1->addWidget(Label1);
    page1->addWidget(Label2);
    page1->addStretch();
    page1->addWidget(Label3);
    pages->addTab(TabSheet1, "Welcome");

    TabSheet2 = new QWidget;
    TabSheet2->setObjectName("TabSheet2");
    auto* name = new TLabeledEdit(TabSheet2, "Proj_Name");
    name->EditLabel()->setText("Projectname:");
    Proj_Name = name->Edit();
    auto* author = new TLabeledEdit(TabSheet2, "Proj_Author");
    author->EditLabel()->setText("Your Name:");
    Proj_Author = author->Edit();
    lProj_Description = new QLabel("Projectdescription:", TabSheet2);
    lProj_Description->setObjectName("lProj_Description");
    Proj_Description = new QPlainTextEdit(TabSheet2);
    Proj_Description->setObjectName("Proj_Description");
    lProj_Description->setBuddy(Proj_Description);
    auto* page2 = new QVBoxLayout(TabSheet2);
    page2->addWidget(name);
    page2->addWidget(author);
    page2->addWidget(lProj_Description);
    page2->addWidget(Proj_Description, 1);
    pages->addTab(TabSheet2, "Project");

    TabSheet3 = new QWidget;
    TabSheet3->setObjectName("TabSheet3");
    auto* homepage = new TLabeledEdit(TabSheet3, "Proj_Homepage");
    homepage->EditLabel()->setText("Homepage:");
    Proj_Homepage = homepage->Edit();
    auto* email = new TLabeledEdit(TabSheet3, "Proj_email");
    email->EditLabel()->setText("E-mail adress:");
    Proj_email = email->Edit();
    lProj_Credits = new QLabel("Credits:", TabSheet3);
    lProj_Credits->setObjectName("lProj_Credits");
    Proj_Credits = new QPlainTextEdit(TabSheet3);
    Proj_Credits->setObjectName("Proj_Credits");
    lProj_Credits->setBuddy(Proj_Credits);
    auto* page3 = new QVBoxLayout(TabSheet3);
    page3->addWidget(homepage);
    page3->addWidget(email);
    page3->addWidget(lProj_Credits);
    page3->addWidget(Proj_Credits, 1);
    pages->addTab(TabSheet3, "Contact and credits");

    TabSheet4 = new QWidget;
    TabSheet4->setObjectName("TabSheet4");
    auto* logo = new TLabeledEdit(TabSheet4, "Proj_Logo");
    logo->EditLabel()->setText("Projectlogo:");
    Proj_Logo = logo->Edit();
    SearchProjectLogo_Btn = new QPushButton("...", TabSheet4);
    SearchProjectLogo_Btn->setObjectName("SearchProjectLogo_Btn");
    SearchProjectLogo_Btn->setAutoDefault(false);
    auto* page4 = new QVBoxLayout(TabSheet4);
    auto* logoRow = new QHBoxLayout;
    logoRow->addWidget(logo, 1);
    logoRow->addWidget(SearchProjectLogo_Btn, 0, Qt::AlignBottom);
    page4->addLayout(logoRow);
    page4->addStretch();
    pages->addTab(TabSheet4, "Project logo");

    Back = new QPushButton("< &Back", this);
    Back->setObjectName("Back");
    Back->setAutoDefault(false);
    Next = new QPushButton("&Next >", this);
    Next->setObjectName("Next");
    Next->setDefault(true);
    Cancel = new QPushButton("&Cancel", this);
    Cancel->setObjectName("Cancel");
    Cancel->setAutoDefault(false);

    OpenDialog1 = new TOpenDialog(this, "OpenDialog1");
    OpenDialog1->Title = "Select project logo";
    OpenDialog1->Filter = "Bilddateien|*.bmp; *.gif; *.jpg|Alle Dateien|*.*";

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Back);
    buttons->addWidget(Next);
    buttons->addSpacing(12);
    buttons->addWidget(Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages, 1);
    layout->addLayout(buttons);
    resize(480, 360);

    FPages = pages;
    connect(Back, &QPushButton::clicked, this, &TCreateProj_Wizard::BackClick);
    connect(Next, &QPushButton::clicked, this, &TCreateProj_Wizard::NextClick);
    connect(Cancel, &QPushButton::clicked, this, &TCreateProj_Wizard::CancelClick);
    connect(SearchProjectLogo_Btn, &QPushButton::clicked, this, &TCreateProj_Wizard::SearchProjectLogo_BtnClick);
    EnterPage(0);
}

std::int32_t TCreateProj_Wizard::DeveloperNumber() const
{
    return FDeveloperNumber;
}

int TCreateProj_Wizard::ActivePage() const
{
    return FPages->currentIndex();
}

void TCreateProj_Wizard::PrepareShow()
{
    EnterPage(0);
    std::mt19937 generator(static_cast<std::uint32_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    std::uniform_int_distribution<std::int32_t> digits(10000000, 89999999);
    FDeveloperNumber = digits(generator);
}

void TCreateProj_Wizard::showEvent(QShowEvent* event)
{
    PrepareShow();
    QDialog::showEvent(event);
}

void TCreateProj_Wizard::EnterPage(int page)
{
    page = std::clamp(page, 0, PageCount - 1);
    FPages->setCurrentIndex(page);
    Back->setVisible(page > 0);
    Next->setText(page == PageCount - 1 ? "&Finish >" : "&Next >");
}

void TCreateProj_Wizard::BackClick()
{
    if (ActivePage() > 0)
        EnterPage(ActivePage() - 1);
}

void TCreateProj_Wizard::NextClick()
{
    if (ActivePage() == PageCount - 1)
        SetProject();
    else
        EnterPage(ActivePage() + 1);
}

void TCreateProj_Wizard::CancelClick()
{
    if (MessageDlg(GetMessageText("twizard_close"), mtConfirmation, mbYesNo) == mrYes)
        reject();
}

void TCreateProj_Wizard::SearchProjectLogo_BtnClick()
{
    // The edit takes the dialog's file name whether or not a file was chosen.
    OpenDialog1->Execute();
    // The project file names the logo in its own code page.
    if (!OpenDialog1->FileName.empty() && !ModelName(OpenDialog1->FileName)) {
        MessageDlg(GetMessageText("tmain_name_not_ansi"), mtWarning, mbOK);
        return;
    }
    Proj_Logo->setText(QString::fromStdString(OpenDialog1->FileName));
}

std::unique_ptr<TVLProject> TCreateProj_Wizard::BuildProject() const
{
    auto project = std::make_unique<TVLProject>();
    project->ProjectName = QToAnsi(Proj_Name->text());
    project->Author = QToAnsi(Proj_Author->text());
    project->Description = MemoText(Proj_Description);
    project->HomepageUrl = QToAnsi(Proj_Homepage->text());
    project->AuthorEmailAddress = QToAnsi(Proj_email->text());
    project->LogoPath = QToAnsi(Proj_Logo->text());
    project->DeveloperId = FDeveloperNumber;
    std::string credits;
    for (const std::string& line : SplitLines(QToAnsi(Proj_Credits->toPlainText())))
        credits += line + "\r\n";
    project->Credits = credits;
    return project;
}

void TCreateProj_Wizard::SetProject()
{
    if (Proj_Name->text().isEmpty()) {
        MessageDlg(GetMessageText("twizard_no_prjname"), mtWarning, mbOK);
        return;
    }
    if (Proj_Author->text().isEmpty()) {
        MessageDlg(GetMessageText("twizard_no_name"), mtWarning, mbOK);
        return;
    }
    // Each of these is one line of the project file.
    for (QLineEdit* edit : {Proj_Name, Proj_Author, Proj_Homepage, Proj_email, Proj_Logo}) {
        if (!CheckEditText(static_cast<TLabeledEdit*>(edit->parentWidget()))) {
            // The refusal showed the field's page; the buttons follow.
            EnterPage(ActivePage());
            return;
        }
    }
    bool failed = false;
    try {
        std::unique_ptr<TVLProject> project = BuildProject();
        if (FormMain && FormMain->FrmEditor) {
            if (FormMain->FrmEditor->Project) {
                FormMain->FrmEditor->CloseProject();
                FormMain->EnableProjectCommands(false);
            }
            FormMain->FrmEditor->SetProject(std::move(project));
            FormMain->EnableProjectCommands(true);
            FormMain->FrmEditor->show();
            FormMain->FrmEditor->RefreshEditor();
        } else {
            failed = true;
        }
    } catch (...) {
        failed = true;
    }
    if (failed) {
        // The wizard closes either way once both names were given; a result
        // other than OK tells the New command that nothing was created.
        MessageDlg(GetMessageText("twizard_create_failed"), mtError, mbOK);
        done(mrCancel);
        return;
    }
    accept();
}
