#pragma once
// The form translator: every text the editor's windows show can be replaced
// by the texts of a language file ("*.lng") in the program folder.
//
// The language file is an INI file (platform/inifile.h):
//   [Language]      Language=<the language's own name>   MenuItem=<menu caption>
//   [Project_Messages]  message keys (see msginisupp.h)
//   [<window name>] _FormCaption=<caption>, then one key per component:
//                   the component's name, "<tool button>_hint",
//                   "<status bar>.Panels[<i>]".
//
// Which components carry a text, and where (first matching row wins):
//   push button     QPushButton                         Name      text
//   speed button    QToolButton not on a QToolBar       Name      text
//   tool button     QToolButton on a QToolBar           Name_hint tool tip
//   label           QLabel                              Name      text
//   labelled edit   TLabeledEdit                        Name      its label's text
//   file-open dlg   TOpenDialog, TSaveDialog            Name      Title
//   menu item       QAction (not a separator), QMenu    Name      text / title
//   check box       QCheckBox                           Name      text
//   group box       QGroupBox (also radio groups)       Name      title
//   radio button    QRadioButton                        Name      text
//   panel           TPanel                              Name      text
//   tab sheet       a page of a QTabWidget              Name      its tab's text
//   status bar      TStatusBar                          Name.Panels[i] panel i
// Windows and components: see appforms.h. The file holds ANSI bytes; the
// widgets get them converted.

#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <QPointer>

#include <string>

class QAction;
class QWidget;

class TLngINISupp : public QObject {
    Q_OBJECT
public:
    enum class TComponentKind {
        None, PushButton, SpeedButton, ToolButton, Label, LabeledEdit, OpenDialog, MenuItem,
        CheckBox, GroupBox, RadioButton, Panel, TabSheet, StatusBar
    };

    explicit TLngINISupp(QObject* owner = nullptr);

    // The language file: the program folder and the file-name part of the
    // value (any folder in it is dropped). A value without a file-name part
    // leaves no file name.
    const std::string& FileName() const { return FFileName; }
    void SetFileName(const std::string& value);

    // Where the language menu "LngItem" is appended (the main menu bar), and
    // the pop-up menu that gets "PLngItem".
    QMenuBar* Menu() const { return FMenu; }
    void SetMenu(QMenuBar* menu) { FMenu = menu; }
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* menu) { FPopupMenu = menu; }

    // Completes the file with the windows' current texts, applies it and
    // builds the language menus once. Returns false (after saying so) when
    // there is no file name: the caller's operation ends quietly.
    bool Translate();
    // False (after the box "ERROR!!!" / "File not preset!") when there is no
    // file name; warns when the file cannot be read and goes on.
    bool CheckFile();
    // Writes every window's caption and component texts the file lacks.
    void WriteDefaults();
    // Writes value under section/key unless the section has that key (letter
    // case ignored). Opens and closes the file by itself.
    void WriteIfMissing(const std::string& section, const std::string& key, const std::string& value);
    // Sets the windows' texts from the file (window and component names
    // compared exactly).
    void Apply();
    void BuildLanguageMenu();
    void BuildPopupLanguageMenu();
    // Handlers of the language menus' items: switch to the item's file.
    void LanguageItemClick(QAction* item);
    void PopupLanguageItemClick(QAction* item);

    // Caption of the language menu read by the last Apply ("Language").
    const std::string& MenuItemCaption() const { return FMenuItem; }
    QMenu* LngItem() const { return FLngItem; }
    QMenu* PLngItem() const { return FPLngItem; }
    bool NoFileName() const { return FNoFileName; }

    // The kind of a component, its key in its window's section and its text
    // (ANSI). A status bar has one key per panel: use the panel variants.
    static TComponentKind KindOf(const QObject* component);
    static std::string ComponentKey(const QObject* component, TComponentKind kind);
    static std::string ComponentText(const QObject* component, TComponentKind kind);
    static void SetComponentText(QObject* component, TComponentKind kind, const std::string& ansi);

    // A menu item name for a language file name: the base name (without
    // ".lng"), made a valid name (letters, digits, "_", no leading digit).
    static std::string ItemNameForFile(const std::string& fileName);

private:
    QMenu* MakeLanguageMenu(QWidget* parent, const std::string& caption, const std::string& namePrefix,
                            bool popup);

    std::string FFileName;
    QPointer<QMenuBar> FMenu;
    QPointer<QMenu> FPopupMenu;
    QPointer<QMenu> FLngItem;
    QPointer<QMenu> FPLngItem;
    bool FNoFileName = false;
    bool FMenuBuilt = false;
    bool FPopupBuilt = false;
    std::string FMenuItem = "Language";
};
