#include "editor/formprojectproperties.h"

#include "editor/appforms.h"
#include "editor/formmain.h"
#include "editor/frmeditor.h"
#include "editor/msginisupp.h"
#include "editor/numberfields.h"
#include "editor/editorwindows.h"
#include "editor/vclwidgets.h"
#include "model/vlhelpers.h"
#include "model/vlproject.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

TFormProjectProperties* FormProjectProperties = nullptr;

std::function<bool(std::string&)> TFormProjectProperties::SelectObjectFile;

namespace {

constexpr int LogoWidth = 240;
constexpr int LogoHeight = 180;
constexpr int DefaultGauge = 1435;

template <class T>
T* Named(T* object, const char* name)
{
    object->setObjectName(name);
    return object;
}

// The object selection window's pick, once that window offers one.
template <class TForm>
bool PickWithSelectionWindow(TForm* form, std::string& file)
{
    if constexpr (requires { std::string(form->SelectedPath); }) {
        if (!form || ShowModal(form) != mrOk)
            return false;
        file = form->SelectedPath;
        return true;
    } else {
        return false;
    }
}

// A memo's lines for a project text whose lines end in CR LF, and back.
QString TextToMemo(const std::string& text)
{
    QStringList lines;
    for (const std::string& line : SplitLines(text))
        lines.append(AnsiToQ(line));
    return lines.join('\n');
}

std::string MemoToText(const QPlainTextEdit* memo)
{
    std::string text;
    for (const std::string& line : SplitLines(QToAnsi(memo->toPlainText())))
        text += line + "\r\n";
    return text;
}

// A picture file named the way the project names files (ANSI, any
// separator and letter case), read from disk.
QImage ReadPicture(const std::string& ansiPath)
{
    QImageReader reader(QString::fromStdString(DiskPath(ansiPath)));
    reader.setAutoTransform(true);
    return reader.read();
}

QPixmap LogoPixmap(const QImage& logo)
{
    return QPixmap::fromImage(logo.scaled(LogoWidth, LogoHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

} // namespace

TFormProjectProperties::TFormProjectProperties(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormProjectProperties");
    setWindowTitle("Project Properties");
    setModal(true);

    PageControl1 = Named(new QTabWidget(this), "PageControl1");
    SetTranslatable(PageControl1->tabBar(), false);

    tsMain = Named(new QWidget, "tsMain");
    PageControl1->addTab(tsMain, "Main");
    auto* main = new QVBoxLayout(tsMain);
    auto labeled = [](QWidget* page, QVBoxLayout* layout, const char* name, const char* caption) {
        auto* edit = new TLabeledEdit(page, name);
        edit->EditLabel()->setText(caption);
        layout->addWidget(edit);
        return edit;
    };
    leProjectname = labeled(tsMain, main, "leProjectname", "Project name");
    leAuthor = labeled(tsMain, main, "leAuthor", "Author (your name)");
    leEmail = labeled(tsMain, main, "leEmail", "Author Email address");
    leHomepage = labeled(tsMain, main, "leHomepage", "Route or author homepage URL (http://...)");
    leSubDir = labeled(tsMain, main, "leSubDir", "Subdirectory (for railway/route and railway/object)");
    main->addStretch();

    tsEnvironment = Named(new QWidget, "tsEnvironment");
    PageControl1->addTab(tsEnvironment, "Environment");
    auto* environment = new QVBoxLayout(tsEnvironment);
    leGauge = labeled(tsEnvironment, environment, "leGauge", "Gauge (mm, i.e. 1435 or 1000)");
    GroupBox1 = Named(new QGroupBox("   Default Objects   ", tsEnvironment), "GroupBox1");
    auto* defaults = new QHBoxLayout(GroupBox1);
    lStopSign = Named(new QLabel("Stop Sign", GroupBox1), "lStopSign");
    edDOStopsign = Named(new QLineEdit(GroupBox1), "edDOStopsign");
    bSelectStopSign = Named(new QPushButton("select...", GroupBox1), "bSelectStopSign");
    bSelectStopSign->setAutoDefault(false);
    defaults->addWidget(lStopSign);
    defaults->addWidget(edDOStopsign, 1);
    defaults->addWidget(bSelectStopSign);
    environment->addWidget(GroupBox1);
    environment->addStretch();

    tsPresentation = Named(new QWidget, "tsPresentation");
    PageControl1->addTab(tsPresentation, "Presentation");
    auto* presentation = new QGridLayout(tsPresentation);
    lDescription = Named(new QLabel("Description", tsPresentation), "lDescription");
    memoDescription = Named(new QPlainTextEdit(tsPresentation), "memoDescription");
    lCredits = Named(new QLabel("Additional Credits", tsPresentation), "lCredits");
    memoCredits = Named(new QPlainTextEdit(tsPresentation), "memoCredits");
    lLogo = Named(new QLabel("Logo or screenshot", tsPresentation), "lLogo");
    Image1 = Named(new QLabel(tsPresentation), "Image1");
    Image1->setFixedSize(LogoWidth, LogoHeight);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // A picture, not a text of the language file.
    SetTranslatable(Image1, false);
    bLoadLogo = Named(new QPushButton("Load...", tsPresentation), "bLoadLogo");
    bLoadLogo->setAutoDefault(false);
    presentation->addWidget(lDescription, 0, 0);
    presentation->addWidget(memoDescription, 1, 0);
    presentation->addWidget(lCredits, 2, 0);
    presentation->addWidget(memoCredits, 3, 0);
    presentation->addWidget(lLogo, 0, 1);
    presentation->addWidget(Image1, 1, 1, 3, 1, Qt::AlignTop);
    presentation->addWidget(bLoadLogo, 4, 1);

    bOK = Named(new QPushButton("OK", this), "bOK");
    bOK->setDefault(true);
    bCancel = Named(new QPushButton("&Cancel", this), "bCancel");
    bCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bOK);
    buttons->addWidget(bCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(buttons);

    OpenPictureDialog1 = new TOpenDialog(this, "OpenPictureDialog1");
    OpenPictureDialog1->Title = "Load logo or screenshot";
    OpenPictureDialog1->Filter = "Pictures|*.jpg;*.jpeg;*.png;*.bmp;*.gif|All files|*.*";

    connect(bLoadLogo, &QPushButton::clicked, this, &TFormProjectProperties::bLoadLogoClick);
    connect(bSelectStopSign, &QPushButton::clicked, this, &TFormProjectProperties::bSelectStopSignClick);
    connect(bOK, &QPushButton::clicked, this, &TFormProjectProperties::bOKClick);
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);

    if (FormMain && FormMain->FrmEditor)
        connect(FormMain->FrmEditor, &TFrmEditor::ProjectClosing, this, [this](TVLProject* project) {
            if (Project == project)
                Project = nullptr;
        });
}

void TFormProjectProperties::FillFromProject(TVLProject* project)
{
    Project = project;
    if (!Project)
        return;
    leProjectname->SetText(Project->ProjectName);
    leAuthor->SetText(Project->Author);
    leEmail->SetText(Project->AuthorEmailAddress);
    leHomepage->SetText(Project->HomepageUrl);
    leSubDir->SetText(Project->RouteFilesSubDir);
    leGauge->SetText(std::to_string(Project->Gauge));
    edDOStopsign->setText(AnsiToQ(GetValue(Project->DefaultObjects, "stopsign")));
    memoDescription->setPlainText(TextToMemo(Project->Description));
    memoCredits->setPlainText(TextToMemo(Project->Credits));
    Image1->clear();
    Image1->setToolTip(AnsiToQ(Project->LogoPath));
    if (!Project->LogoPath.empty() && FileExists(DiskPath(Project->LogoPath))) {
        const QImage logo = ReadPicture(Project->LogoPath);
        if (!logo.isNull())
            Image1->setPixmap(LogoPixmap(logo));
    }
    PageControl1->setCurrentIndex(0);
}

int TFormProjectProperties::ShowProject(TVLProject* project)
{
    FillFromProject(project);
    if (!Project)
        return mrCancel;
    return ShowModal(this);
}

bool TFormProjectProperties::LoadLogo(const std::string& path)
{
    const QImage logo = ReadPicture(path);
    if (logo.isNull()) {
        // The logo shown so far, and its path, stay.
        MessageDlg(GetMessageText("uprojprops_badlogo") + path, mtError, mbOK);
        return false;
    }
    Image1->setPixmap(LogoPixmap(logo));
    Image1->setToolTip(AnsiToQ(path));
    return true;
}

void TFormProjectProperties::bLoadLogoClick()
{
    OpenPictureDialog1->FileName = DiskPath(QToAnsi(Image1->toolTip()));
    if (!OpenPictureDialog1->Execute())
        return;
    if (const auto path = ModelName(OpenPictureDialog1->FileName))
        LoadLogo(*path);
    else
        MessageDlg(GetMessageText("tmain_name_not_ansi"), mtWarning, mbOK);
}

void TFormProjectProperties::bSelectStopSignClick()
{
    std::string file;
    const bool chosen = SelectObjectFile ? SelectObjectFile(file) : PickWithSelectionWindow(FormSelectObject, file);
    if (chosen)
        edDOStopsign->setText(AnsiToQ(file));
}

void TFormProjectProperties::bOKClick()
{
    if (Project) {
        int gauge = 0;
        if (!ReadWholeEdit(leGauge, 1, 10000, gauge))
            return;
        // Each of these is one line of the project file.
        for (TLabeledEdit* edit : {leProjectname, leAuthor, leEmail, leHomepage, leSubDir})
            if (!CheckEditText(edit))
                return;
        if (!CheckEditText(edDOStopsign, "lStopSign"))
            return;
        Project->ProjectName = leProjectname->Text();
        Project->Author = leAuthor->Text();
        Project->AuthorEmailAddress = leEmail->Text();
        Project->HomepageUrl = leHomepage->Text();
        Project->Description = MemoToText(memoDescription);
        Project->Credits = MemoToText(memoCredits);
        Project->Gauge = gauge;
        SetValue(Project->DefaultObjects, "stopsign", QToAnsi(edDOStopsign->text()));
        Project->RouteFilesSubDir = leSubDir->Text();
        Project->LogoPath = QToAnsi(Image1->toolTip());
    }
    accept();
}
