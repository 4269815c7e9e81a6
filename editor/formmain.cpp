#include "editor/formmain.h"

#include "editor/appforms.h"
#include "editor/createprojwizard.h"
#include "editor/formoptions.h"
#include "editor/formtracktypes.h"
#include "editor/formwelcome.h"
#include "editor/frmeditor.h"
#include "editor/lnginisupp.h"
#include "editor/msginisupp.h"
#include "editor/editorwindows.h"
#include "editor/vclwidgets.h"
#include "model/currentsituation.h"
#include "model/vlproject.h"
#include "platform/codepage.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"

#include <QScreen>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QShowEvent>
#include <QToolBar>
#include <QToolButton>

#include <cerrno>

TFormMain* FormMain = nullptr;

namespace {

const char* const VelkastHomepage = "https://velkast.org/";
const char* const VelkastForumGerman = "https://velkast.org/forum/de/";
const char* const VelkastDeveloperForum = "https://velkast.org/forum/dev/";

std::string RecentListFile()
{
    return ProgramFolder() + "velkast.lru";
}

std::string SeedListFile()
{
    return ProgramFolder() + "default.lru";
}

// Hands a file or web address to the desktop; says so when nothing opened it
// (no PDF viewer, no browser).
void OpenOrSay(const std::string& target, const std::string& directory = {})
{
    if (!ShellOpen(target, {}, directory))
        MessageDlg(GetMessageText("tmain_open_failed") + Utf8ToAnsi(target), mtError, mbOK);
}

} // namespace

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("FormMain");
    setWindowTitle("Velkast");

    MM1 = menuBar();
    MM1->setObjectName("MM1");
    auto item = [this](QMenu* menu, const char* name, const QString& text, const QString& shortcut = {}) {
        QAction* action = menu->addAction(text);
        action->setObjectName(name);
        if (!shortcut.isEmpty())
            action->setShortcut(QKeySequence(shortcut));
        return action;
    };
    auto separator = [](QMenu* menu, const char* name) {
        QAction* action = menu->addSeparator();
        action->setObjectName(name);
        return action;
    };

    Project1 = MM1->addMenu("&Project");
    Project1->setObjectName("Project1");
    Projekt_Create = item(Project1, "Projekt_Create", "&New...");
    Project_Continue = item(Project1, "Project_Continue", "&Open...", "Ctrl+O");
    menuSave = item(Project1, "menuSave", "&Save", "Ctrl+S");
    MenuSaveAs = item(Project1, "MenuSaveAs", "Save as...");
    MenuProperties = item(Project1, "MenuProperties", "Properties...", "Ctrl+P");
    MenuExport = item(Project1, "MenuExport", "Export...", "Ctrl+E");
    N1 = separator(Project1, "N1");
    VL_Exit = item(Project1, "VL_Exit", "Exit");

    View1 = MM1->addMenu("&View");
    View1->setObjectName("View1");
    MenuTrackProperties = item(View1, "MenuTrackProperties", "&Track Properties...", "Ctrl+T");
    MenuTimetables = item(View1, "MenuTimetables", "&Timetables", "Ctrl+A");
    MenuRoutes = item(View1, "MenuRoutes", "&Route Definitions", "Ctrl+R");
    Trains = item(View1, "Trains", "&Trains", "Ctrl+U");
    MenuObjects = item(View1, "MenuObjects", "&Objects", "Ctrl+F");
    Map1 = item(View1, "Map1", "&Map");
    mTrackTypes1 = item(View1, "mTrackTypes1", "&Track Types...");
    N2 = separator(View1, "N2");
    Options = item(View1, "Options", "&Options...");

    Extras1 = MM1->addMenu("&Extras");
    Extras1->setObjectName("Extras1");
    replace1 = item(Extras1, "replace1", "&Replace...", "Ctrl+Alt+R");
    moveeverything1 = item(Extras1, "moveeverything1", "&Move everything...", "Ctrl+Alt+M");
    N3 = separator(Extras1, "N3");
    AutoUpdate1 = item(Extras1, "AutoUpdate1", "&Auto-Update");
    AutoUpdate1->setEnabled(false);
    MakePackage1 = item(Extras1, "MakePackage1", "Make &Package...", "Ctrl+Alt+P");
    AddonManager = item(Extras1, "AddonManager", "&Addons...", "Ctrl+Alt+A");

    Help1 = MM1->addMenu("&Help");
    Help1->setObjectName("Help1");
    Help2 = item(Help1, "Help2", "&Manual (requires Acrobat Reader)");
    N4 = separator(Help1, "N4");
    GoToHomepage = item(Help1, "GoToHomepage", "&Velkast Homepage");
    VelkastStreckenbauForumdeutsch1 =
        item(Help1, "VelkastStreckenbauForumdeutsch1", "&Velkast Streckenbau-Forum (deutsch)");
    VelkastTechnicalInformation1 = item(Help1, "VelkastTechnicalInformation1", "&Velkast Developer Forum");
    VelkastBugtrackingForum1 = item(Help1, "VelkastBugtrackingForum1", "Velkast &Bugtracking Forum");
    N5 = separator(Help1, "N5");
    AboutVL = item(Help1, "AboutVL", "&About Velkast");

    ToolBar1 = addToolBar("ToolBar1");
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    auto button = [this](const char* name, const QString& text, const QString& hint, bool enabled = true) {
        auto* b = new QToolButton(ToolBar1);
        b->setObjectName(name);
        b->setText(text);
        b->setToolTip(hint);
        b->setEnabled(enabled);
        ToolBar1->addWidget(b);
        return b;
    };
    ToolButton1 = button("ToolButton1", "New", "New project");
    ToolButton2 = button("ToolButton2", "Open", "Open project (Ctrl+O)");
    tbSave = button("tbSave", "Save", "Save (Ctrl+S)");
    tbExport = button("tbExport", "Export", "Export (Ctrl+E)");
    ToolBar1->addSeparator();
    ToolButton5 = button("ToolButton5", "Cut", "Cut", false);
    ToolButton6 = button("ToolButton6", "Copy", "Copy", false);
    ToolButton8 = button("ToolButton8", "Paste", "Paste", false);
    ToolButton10 = button("ToolButton10", "Undo", "Undo", false);

    StatusBar = new TStatusBar(this, "StatusBar");
    StatusBar->AddPanel("Velkast", 100);
    StatusBar->AddPanel("Initialization...", 80);
    setStatusBar(StatusBar);

    OpenDialog1 = new TOpenDialog(this, "OpenDialog1");
    OpenDialog1->Title = "Open project";
    OpenDialog1->Filter = "Velkast Projects|*.vlp";
    SaveDialog1 = new TSaveDialog(this, "SaveDialog1");
    SaveDialog1->Title = "Save project as...";
    SaveDialog1->Filter = "Velkast Projects|*.vlp";

    FrmEditor = new TFrmEditor(this);
    // The frame's components belong to the frame, not to this window.
    SetTranslatable(FrmEditor, false);
    setCentralWidget(FrmEditor);

    LngINISupp1 = new TLngINISupp(this);
    LngINISupp1->setObjectName("LngINISupp1");
    LngINISupp1->SetMenu(MM1);

    connect(Projekt_Create, &QAction::triggered, this, &TFormMain::Projekt_CreateClick);
    connect(ToolButton1, &QToolButton::clicked, this, &TFormMain::Projekt_CreateClick);
    connect(Project_Continue, &QAction::triggered, this, &TFormMain::OpenClick);
    connect(ToolButton2, &QToolButton::clicked, this, &TFormMain::OpenClick);
    connect(menuSave, &QAction::triggered, this, &TFormMain::menuSaveClick);
    connect(tbSave, &QToolButton::clicked, this, &TFormMain::menuSaveClick);
    connect(MenuSaveAs, &QAction::triggered, this, &TFormMain::MenuSaveAsClick);
    connect(MenuProperties, &QAction::triggered, this, &TFormMain::MenuPropertiesClick);
    connect(MenuExport, &QAction::triggered, this, &TFormMain::MenuExportClick);
    connect(tbExport, &QToolButton::clicked, this, &TFormMain::MenuExportClick);
    connect(VL_Exit, &QAction::triggered, this, &TFormMain::VL_ExitClick);
    connect(MenuTrackProperties, &QAction::triggered, this, &TFormMain::MenuTrackPropertiesClick);
    connect(MenuTimetables, &QAction::triggered, this, &TFormMain::MenuTimetablesClick);
    connect(MenuRoutes, &QAction::triggered, this, &TFormMain::MenuRoutesClick);
    connect(FrmEditor->ToolButton5, &QToolButton::clicked, this, &TFormMain::MenuRoutesClick);
    connect(Trains, &QAction::triggered, this, &TFormMain::TrainsClick);
    connect(MenuObjects, &QAction::triggered, this, &TFormMain::MenuObjectsClick);
    connect(Map1, &QAction::triggered, this, &TFormMain::FrmEditortbMap1Click);
    connect(FrmEditor->tbMap1, &QToolButton::clicked, this, &TFormMain::FrmEditortbMap1Click);
    connect(this, &TFormMain::FrameKeyCommand, FrmEditor, &TFrmEditor::FrameKeyCommand);
    connect(FrmEditor, &TFrmEditor::StatusText, this, [this](const QString& text) {
        StatusBar->SetPanelText(1, QToAnsi(text));
    });
    connect(mTrackTypes1, &QAction::triggered, this, &TFormMain::mTrackTypes1Click);
    connect(Options, &QAction::triggered, this, &TFormMain::OptionsClick);
    connect(replace1, &QAction::triggered, this, &TFormMain::replace1Click);
    connect(moveeverything1, &QAction::triggered, this, &TFormMain::moveeverything1Click);
    connect(MakePackage1, &QAction::triggered, this, &TFormMain::MakePackage1Click);
    connect(AddonManager, &QAction::triggered, this, &TFormMain::AddonManagerClick);
    connect(AboutVL, &QAction::triggered, this, &TFormMain::AboutVLClick);
    connect(Help2, &QAction::triggered, this, &TFormMain::Help2Click);
    connect(GoToHomepage, &QAction::triggered, this, &TFormMain::GoToHomepageClick);
    connect(VelkastStreckenbauForumdeutsch1, &QAction::triggered, this,
            &TFormMain::VelkastStreckenbauForumdeutsch1Click);
    connect(VelkastTechnicalInformation1, &QAction::triggered, this,
            &TFormMain::VelkastTechnicalInformation1Click);
    connect(VelkastBugtrackingForum1, &QAction::triggered, this, &TFormMain::VelkastBugtrackingForum1Click);
    connect(ToolButton5, &QToolButton::clicked, this, &TFormMain::Cut1Click);
    connect(ToolButton6, &QToolButton::clicked, this, &TFormMain::Copy1Click);
    connect(ToolButton8, &QToolButton::clicked, this, &TFormMain::Paste1Click);
    connect(ToolButton10, &QToolButton::clicked, this, &TFormMain::Undo1Click);

    FormCreate();
    EnableProjectCommands(false);
    qApp->installEventFilter(this);
}

TFormMain::~TFormMain()
{
    // The frame frees the project; every reference into it goes first.
    FrmEditor->CloseProject();
}

void TFormMain::FormCreate()
{
    RecentProjects.clear();
    TStrings lines;
    if (FileExists(SeedListFile()) && LoadLines(SeedListFile(), lines))
        RecentProjects = lines;
    lines.clear();
    if (FileExists(RecentListFile()) && LoadLines(RecentListFile(), lines))
        RecentProjects = lines;
}

void TFormMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (FShown || event->spontaneous())
        return;
    FShown = true;
    // The start-up dialogue runs once the window is on the screen.
    QMetaObject::invokeMethod(this, &TFormMain::FormShow, Qt::QueuedConnection);
}

void TFormMain::FormShow()
{
    EnableProjectCommands(false);
    // Without a window manager a maximise request does nothing, so the window
    // also takes the screen's size itself; otherwise the plan would have no room.
    if (QScreen* s = screen())
        resize(s->availableGeometry().size());
    setWindowState(windowState() | Qt::WindowMaximized);

    if (LanguageFileName.empty())
        LanguageFileName = "english.lng";
    // The settings name the file in their own code page.
    LngINISupp1->SetFileName(DiskPath(ProgramFolder(), LanguageFileName));
    LngINISupp1->Translate();

    if (!MsgINISupp1) {
        MsgINISupp1 = new TMsgINISupp(this);
        connect(MsgINISupp1, &QObject::destroyed, [] { MsgINISupp1 = nullptr; });
    }
    MsgINISupp1->SetLngINISupp(LngINISupp1);
    MsgINISupp1->Init();

    if (FormWelcome) {
        FormWelcome->SetRecentProjects(ExistingRecentProjects());
        if (ShowModal(FormWelcome) == mrOk) {
            const std::string choice = FormWelcome->Choice;
            if (choice == "new")
                Projekt_CreateClick();
            else if (choice == "open")
                OpenClick();
            else if (!choice.empty())
                OpenProjectFile(choice);
        }
    }

    setWindowTitle("Velkast 1.0 (2003-04-21)");
    StatusBar->SetPanelText(0, "Velkast");
    StatusBar->SetPanelText(1, "Version 1.0 (2003-04-21)");
    if (FormOptions)
        FrmEditor->ArrowStep = FormOptions->ArrowStepSize;
}

void TFormMain::EnableProjectCommands(bool enabled)
{
    for (QAction* action : {menuSave, MenuSaveAs, MenuExport})
        action->setEnabled(enabled);
    tbExport->setEnabled(enabled);
    tbSave->setEnabled(enabled);
    for (QAction* action : {MenuProperties, MenuTrackProperties, MenuTimetables, MenuRoutes, MenuObjects})
        action->setEnabled(enabled);
    FrmEditor->setVisible(enabled);
}

void TFormMain::AddRecentProject(const std::string& path)
{
    if (path.empty())
        return;
    for (auto it = RecentProjects.begin(); it != RecentProjects.end(); ++it) {
        if (SameText(*it, path)) {
            RecentProjects.erase(it);
            break;
        }
    }
    RecentProjects.insert(RecentProjects.begin(), path);
    SaveLines(RecentListFile(), RecentProjects);
}

TStrings TFormMain::ExistingRecentProjects() const
{
    TStrings existing;
    for (const std::string& path : RecentProjects)
        if (!path.empty() && FileExists(path))
            existing.push_back(path);
    return existing;
}

bool TFormMain::OpenProjectFile(const std::string& fileName)
{
    // The frame replaces the open project only once the file has loaded;
    // the windows showing parts of the old one let go of it then.
    if (!FrmEditor->LoadProject(fileName)) {
        // Whatever was open stays, and the file does not enter the list.
        MessageDlg(GetMessageText("tmain_errorloading") + " " + ProjectLoadFailure(fileName, FrmEditor->LoadFailure),
                   mtError, mbAbort);
        return false;
    }
    EnableProjectCommands(true);
    AddRecentProject(FrmEditor->Project->FileName);
    FrmEditor->show();
    return true;
}

bool TFormMain::AskSaveFirst()
{
    if (!FrmEditor->Project)
        return true;
    switch (MessageDlg(GetMessageText("tmain_ask_save"), mtConfirmation, mbYesNoCancel)) {
    case mrYes: return SaveProject();
    case mrNo: return true;
    default: return false;
    }
}

bool TFormMain::SaveProject()
{
    TVLProject* project = FrmEditor->Project;
    if (!project)
        return false;
    if (project->FileName.empty())
        return SaveProjectAs() && (AddRecentProject(project->FileName), true);
    if (!WriteProject(project->FileName))
        return false;
    AddRecentProject(project->FileName);
    return true;
}

bool TFormMain::SaveProjectAs()
{
    TVLProject* project = FrmEditor->Project;
    if (!project)
        return false;
    SaveDialog1->InitialDir = project->FileName.empty() ? std::string() : ExtractFilePath(project->FileName);
    SaveDialog1->FileName = project->FileName;
    if (!SaveDialog1->Execute())
        return false;
    std::string fileName = SaveDialog1->FileName;
    if (AnsiLowerCase(fileName).find(".vlp") == std::string::npos)
        fileName += ".vlp";
    if (!WriteProject(fileName))
        return false;
    project->FileName = fileName;
    return true;
}

bool TFormMain::WriteProject(const std::string& fileName)
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool saved = FrmEditor->Project->SaveToFile(fileName);
    const int error = errno;
    QGuiApplication::restoreOverrideCursor();
    if (!saved)
        MessageDlg(WriteFailedMessage("tmain_errorsaving", ResolvePathCase(fileName), error), mtError, mbOK);
    return saved;
}

void TFormMain::Projekt_CreateClick()
{
    // Cancelled anywhere (the question, the wizard), the open project stays.
    if (!AskSaveFirst())
        return;
    if (CreateProj_Wizard && ShowModal(CreateProj_Wizard) == mrOk && FrmEditor->Project)
        EnableProjectCommands(true);
}

void TFormMain::OpenClick()
{
    // The open project stays open until the chosen file has loaded in its
    // place: cancelling the question or the file dialog, or a file that
    // does not load, keeps it as it is.
    if (!AskSaveFirst())
        return;
    OpenDialog1->FileName.clear();
    if (!OpenDialog1->Execute())
        return;
    OpenProjectFile(OpenDialog1->FileName);
}

void TFormMain::menuSaveClick()
{
    SaveProject();
}

void TFormMain::MenuSaveAsClick()
{
    SaveProjectAs();
}

void TFormMain::VL_ExitClick()
{
    if (!AskSaveFirst())
        return;
    FCloseAsked = true;
    close();
    FCloseAsked = false;
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    // The window's close box and the desktop's close ask as Exit does.
    if (!FCloseAsked && !AskSaveFirst()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TFormMain::MenuExportClick()
{
    TVLProject* project = FrmEditor->Project;
    if (!project) {
        MessageDlg(GetMessageText("tmain_no_pr"), mtWarning, mbOK);
        return;
    }
    if (project->RouteDefinitions.Empty()) {
        MessageDlg(GetMessageText("tmain_no_rd"), mtWarning, mbOK);
        MenuRoutesClick();
        return;
    }
    if (FormExport) {
        FormExport->Project = project;
        ShowModal(FormExport);
    }
}

void TFormMain::MenuPropertiesClick()
{
    if (FrmEditor->Project && FormProjectProperties)
        FormProjectProperties->ShowProject(FrmEditor->Project);
}

void TFormMain::MenuTrackPropertiesClick()
{
    if (FrmEditor->Project)
        FrmEditor->properties1Click();
}

void TFormMain::MenuTimetablesClick()
{
    if (FrmEditor->Project && FormTimetable)
        ShowModal(FormTimetable);
}

void TFormMain::MenuRoutesClick()
{
    FrmEditor->ToolButton1Click();
}

void TFormMain::TrainsClick()
{
    if (FormTrain)
        ShowModal(FormTrain);
}

void TFormMain::MenuObjectsClick()
{
    if (FrmEditor->Project && FormObjects)
        FormObjects->show();
}

void TFormMain::FrmEditortbMap1Click()
{
    FrmEditor->tbMapClick();
    // The button shows whether the map is on show, whatever was answered.
    FrmEditor->tbMap1->setChecked(!FrmEditor->PanMap->isHidden());
}

void TFormMain::mTrackTypes1Click()
{
    if (FormTrackTypes)
        ShowModal(FormTrackTypes);
}

void TFormMain::OptionsClick()
{
    if (FormOptions)
        ShowModal(FormOptions);
}

void TFormMain::replace1Click()
{
    if (!FrmEditor->Project || !FormReplace)
        return;
    FormReplace->Project = FrmEditor->Project;
    ShowModal(FormReplace);
}

void TFormMain::moveeverything1Click()
{
    if (!FrmEditor->Project || !FormMoveEverything)
        return;
    FormMoveEverything->Project = FrmEditor->Project;
    if (ShowModal(FormMoveEverything) == mrOk)
        FrmEditor->RefreshEditor();
}

void TFormMain::MakePackage1Click()
{
    TVLProject* project = FrmEditor->Project;
    if (!project || !FormCreatePackage)
        return;
    FormCreatePackage->ObjDirEdit->SetText(project->RouteFilesSubDir);
    FormCreatePackage->RouteDirEdit->SetText(project->RouteFilesSubDir);
    FormCreatePackage->Project = project;
    ShowModal(FormCreatePackage);
}

void TFormMain::AddonManagerClick()
{
    if (FormAddons)
        ShowModal(FormAddons);
}

void TFormMain::AboutVLClick()
{
    if (FormAbout)
        ShowModal(FormAbout);
}

void TFormMain::Help2Click()
{
    OpenOrSay(ProgramFolder() + "Velkast Manual.pdf", ProgramFolder());
}

void TFormMain::GoToHomepageClick()
{
    OpenOrSay(VelkastHomepage);
}

void TFormMain::VelkastStreckenbauForumdeutsch1Click()
{
    OpenOrSay(VelkastForumGerman);
}

void TFormMain::VelkastTechnicalInformation1Click()
{
    OpenOrSay(VelkastDeveloperForum);
}

void TFormMain::VelkastBugtrackingForum1Click()
{
    OpenOrSay(VelkastDeveloperForum);
}

namespace {

// The letter of a Ctrl key command of the editor frame, 0 for other keys.
// Ctrl+P is the project's properties: the menu takes the key when it goes
// down and opens a modal window, which takes its release. The plan adds a
// point and connects it with Ctrl+Shift and a click, and its tool button.
char FrameCommandLetter(int key)
{
    switch (key) {
    case Qt::Key_T: return 'T';
    case Qt::Key_C: return 'C';
    case Qt::Key_D: return 'D';
    case Qt::Key_L: return 'L';
    case Qt::Key_M: return 'M';
    default: return 0;
    }
}

} // namespace

bool TFormMain::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (!watched->isWidgetType())
        return QMainWindow::eventFilter(watched, event);
    // Keys in this window, or in a popup menu opened from it (the plan's),
    // before the control with the focus sees them.
    QWidget* window = static_cast<QWidget*>(watched)->window();
    bool ours = window == this;
    if (!ours && qobject_cast<QMenu*>(window))
        for (QObject* o = window->parent(); o && !ours; o = o->parent())
            ours = o == this;
    if (!ours)
        return QMainWindow::eventFilter(watched, event);
    if (type == QEvent::KeyPress) {
        // Ctrl is often let go before the letter: the press decides.
        if (!key->isAutoRepeat() && key->key() != Qt::Key_Control)
            FCtrlKeyDown = (key->modifiers() & Qt::ControlModifier) ? key->key() : 0;
        return QMainWindow::eventFilter(watched, event);
    }
    if (!key->isAutoRepeat() && FormKeyUp(key))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

bool TFormMain::FormKeyUp(QKeyEvent* event)
{
    const bool pressedWithCtrl = event->key() == FCtrlKeyDown;
    if (pressedWithCtrl)
        FCtrlKeyDown = 0;
    const char letter = FrameCommandLetter(event->key());
    if (!letter || !(pressedWithCtrl || (event->modifiers() & Qt::ControlModifier)))
        return false;
    // The frame runs the command through the signal's connection.
    emit FrameKeyCommand(letter);
    return true;
}
