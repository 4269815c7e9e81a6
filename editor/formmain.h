#pragma once
// The main window: main menu, tool bar, status bar and the track-plan editor
// frame, the project commands (new, open, save, save as, export, exit) and
// the list of recently used projects. The editor frame owns the open project;
// every other window reaches it as FormMain->FrmEditor->Project.

#include "platform/textlines.h"

#include <QMainWindow>

#include <memory>
#include <string>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QToolButton;
class TFrmEditor;
class TLngINISupp;
class TOpenDialog;
class TSaveDialog;
class TStatusBar;

class TFormMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // Full paths of project files, most recent first. Lookups ignore letter
    // case; empty lines read from a list file stay but are never offered.
    TStrings RecentProjects;
    TFrmEditor* FrmEditor;
    TLngINISupp* LngINISupp1;

    // Reads the recent list: "default.lru" as a seed, replaced by
    // "velkast.lru" when that exists (both in the program folder).
    void FormCreate();
    // The start-up dialogue of the first showing: translation, message
    // lookup, welcome dialog and its choice.
    void FormShow();

    // Enables the project commands and shows the frame, or the reverse.
    void EnableProjectCommands(bool enabled);
    // Moves (or puts) path to the top of the recent list and rewrites
    // "velkast.lru". An empty path is not listed.
    void AddRecentProject(const std::string& path);
    // The recent projects offered by the welcome dialog: not empty and the
    // file exists.
    TStrings ExistingRecentProjects() const;

    // Opens a project file into a new project of the frame, which replaces
    // the open one once the file has loaded; on success the file goes to the
    // top of the recent list. On failure the message "tmain_errorloading" is
    // shown, the open project (if any) stays as it was and false is returned.
    bool OpenProjectFile(const std::string& fileName);
    // Asks "tmain_ask_save" (Yes, No, Cancel) when a project is open and
    // saves on Yes. False when the user cancelled (Cancel, Escape, or the
    // Save-as dialog) or the save failed: the caller then stops and the
    // project stays open as it is.
    bool AskSaveFirst();
    // Save and Save as; false when nothing was written (no project, dialog
    // cancelled, or the write failed, which is reported with its reason).
    bool SaveProject();
    bool SaveProjectAs();

    // Main menu.
    QMenuBar* MM1;
    QMenu* Project1;
    QAction* Projekt_Create;
    QAction* Project_Continue;
    QAction* menuSave;
    QAction* MenuSaveAs;
    QAction* MenuProperties;
    QAction* MenuExport;
    QAction* N1;
    QAction* VL_Exit;
    QMenu* View1;
    QAction* MenuTrackProperties;
    QAction* MenuTimetables;
    QAction* MenuRoutes;
    QAction* Trains;
    QAction* MenuObjects;
    QAction* Map1;
    QAction* mTrackTypes1;
    QAction* N2;
    QAction* Options;
    QMenu* Extras1;
    QAction* replace1;
    QAction* moveeverything1;
    QAction* N3;
    QAction* AutoUpdate1;
    QAction* MakePackage1;
    QAction* AddonManager;
    QMenu* Help1;
    QAction* Help2;
    QAction* N4;
    QAction* GoToHomepage;
    QAction* VelkastStreckenbauForumdeutsch1;
    QAction* VelkastTechnicalInformation1;
    QAction* VelkastBugtrackingForum1;
    QAction* N5;
    QAction* AboutVL;

    // Tool bar.
    QToolBar* ToolBar1;
    QToolButton* ToolButton1;
    QToolButton* ToolButton2;
    QToolButton* tbSave;
    QToolButton* tbExport;
    QToolButton* ToolButton5;
    QToolButton* ToolButton6;
    QToolButton* ToolButton8;
    QToolButton* ToolButton10;

    TStatusBar* StatusBar;
    TOpenDialog* OpenDialog1;
    TSaveDialog* SaveDialog1;

public slots:
    void Projekt_CreateClick();
    void OpenClick();
    void menuSaveClick();
    void MenuSaveAsClick();
    void VL_ExitClick();
    void MenuExportClick();
    void MenuPropertiesClick();
    void MenuTrackPropertiesClick();
    void MenuTimetablesClick();
    void MenuRoutesClick();
    void TrainsClick();
    void MenuObjectsClick();
    void FrmEditortbMap1Click();
    void mTrackTypes1Click();
    void OptionsClick();
    void replace1Click();
    void moveeverything1Click();
    void MakePackage1Click();
    void AddonManagerClick();
    void AboutVLClick();
    void Help2Click();
    void GoToHomepageClick();
    void VelkastStreckenbauForumdeutsch1Click();
    void VelkastTechnicalInformation1Click();
    void VelkastBugtrackingForum1Click();
    void Cut1Click() {}
    void Copy1Click() {}
    void Paste1Click() {}
    void Undo1Click() {}

signals:
    // A Ctrl key release that ran a command of the editor frame (T track
    // properties, C copy properties, D delete object, L clone object,
    // M object properties).
    void FrameKeyCommand(char letter);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Key preview: the window sees the key releases of its controls (the
    // plan above all) before they do.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Writes the open project to fileName; a failure is reported with the
    // file and why (write-protected, disk full, ...).
    bool WriteProject(const std::string& fileName);
    // The Ctrl key releases that run a command of the editor frame; false
    // for any other key.
    bool FormKeyUp(QKeyEvent* event);
    // The key last pressed with Ctrl held (0: none), until its release.
    int FCtrlKeyDown = 0;
    bool FShown = false;
    // Exit has asked already; the close that follows does not ask again.
    bool FCloseAsked = false;
};

extern TFormMain* FormMain;
