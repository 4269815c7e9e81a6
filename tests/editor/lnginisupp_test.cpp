#include "editor/lnginisupp.h"

#include "editortesthelpers.h"
#include "editor/vclwidgets.h"
#include "platform/inifile.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <filesystem>

namespace {

const std::string NotFound = "WARNING!!!\r\n Language File Not Found! Its now creating a new!";
const std::string NotPreset = "ERROR!!!\r\nFile not preset!";

// A window with one component of every covered kind and some that are not.
class TFormSample : public QDialog {
public:
    TFormSample()
    {
        setObjectName("FormSample");
        setWindowTitle("Sample window");
        auto* layout = new QVBoxLayout(this);
        Bar = new QMenuBar(this);
        layout->setMenuBar(Bar);
        QMenu* project = Bar->addMenu("&Project");
        project->setObjectName("mProject");
        QAction* save = project->addAction("&Save");
        save->setObjectName("menuSave");
        project->addSeparator()->setObjectName("N1");
        auto* tools = new QToolBar(this);
        auto* tb = new QToolButton(tools);
        tb->setObjectName("ToolButton1");
        tb->setToolTip("New project");
        tb->setText("tool text");
        tools->addWidget(tb);
        layout->addWidget(tools);
        auto* speed = new QToolButton(this);
        speed->setObjectName("SpeedButton1");
        speed->setText("Speed");
        layout->addWidget(speed);
        auto* ok = new QPushButton("OK", this);
        ok->setObjectName("OKBtn");
        layout->addWidget(ok);
        auto* label = new QLabel("Name:", this);
        label->setObjectName("Label1");
        layout->addWidget(label);
        auto* edit = new TLabeledEdit(this, "LabeledEdit1");
        edit->EditLabel()->setText("Author");
        layout->addWidget(edit);
        auto* open = new TOpenDialog(this, "OpenDialog1");
        open->Title = "Open project";
        auto* saveDlg = new TSaveDialog(this, "SaveDialog1");
        saveDlg->Title = "Save project as...";
        auto* group = new QGroupBox("Options", this);
        group->setObjectName("GroupBox1");
        auto* check = new QCheckBox("Fixed", group);
        check->setObjectName("CheckBox1");
        auto* radio = new QRadioButton("Left", group);
        radio->setObjectName("RadioButton1");
        layout->addWidget(group);
        auto* panel = new TPanel(this, "Panel1");
        panel->SetCaption("Panel text");
        layout->addWidget(panel);
        auto* tabs = new QTabWidget(this);
        tabs->setObjectName("PageControl1");
        auto* page = new QWidget;
        page->setObjectName("TabSheet1");
        tabs->addTab(page, "General");
        layout->addWidget(tabs);
        Status = new TStatusBar(this, "StatusBar");
        Status->AddPanel("Velkast", 100);
        Status->AddPanel("Initialization...", 80);
        layout->addWidget(Status);
        // Not covered: a frame's own controls, unnamed and Qt-internal
        // objects, other windows, plain edits.
        auto* frame = new QWidget(this);
        frame->setObjectName("FrmEditor");
        SetTranslatable(frame, false);
        auto* frameLabel = new QLabel("in frame", frame);
        frameLabel->setObjectName("FrameLabel");
        new QLabel("unnamed", this);
        auto* internal = new QLabel("internal", this);
        internal->setObjectName("qt_internal");
        auto* child = new QDialog(this);
        child->setObjectName("ChildWindow");
        auto* childButton = new QPushButton("child", child);
        childButton->setObjectName("ChildButton");
    }
    QMenuBar* Bar;
    TStatusBar* Status;
};

class TFormOther : public QDialog {
public:
    TFormOther()
    {
        setObjectName("FormOther");
        setWindowTitle("Other");
        Button = new QPushButton("Close", this);
        Button->setObjectName("CloseBtn");
    }
    QPushButton* Button;
};

bool ContainsName(const TStrings& names, const std::string& name)
{
    for (const auto& n : names)
        if (SameText(n, name))
            return true;
    return false;
}

TFormSample* FormSample = nullptr;
TFormOther* FormOther = nullptr;

class LngINISuppTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        CreateForm(FormSample);
        CreateForm(FormOther);
    }
    std::string Lng() const { return Program + "test.lng"; }
    std::string Read(const std::string& section, const std::string& key)
    {
        return IniReadString(Lng(), section, key, "<absent>");
    }
    template <class T>
    T* Find(const char* name) { return FormSample->findChild<T*>(name); }
};

} // namespace

TEST_F(LngINISuppTest, NewFileGetsEveryCoveredTextAndWindowsKeepTheirs)
{
    TLngINISupp lng;
    lng.SetFileName("/somewhere/else/test.lng");
    EXPECT_EQ(lng.FileName(), Lng());
    ASSERT_TRUE(lng.Translate());
    EXPECT_EQ(CountMessages(NotFound), 1);

    EXPECT_EQ(Read("FormSample", "_FormCaption"), "Sample window");
    EXPECT_EQ(Read("FormSample", "mProject"), "&Project");
    EXPECT_EQ(Read("FormSample", "menuSave"), "&Save");
    EXPECT_EQ(Read("FormSample", "ToolButton1_hint"), "New project");
    EXPECT_EQ(Read("FormSample", "SpeedButton1"), "Speed");
    EXPECT_EQ(Read("FormSample", "OKBtn"), "OK");
    EXPECT_EQ(Read("FormSample", "Label1"), "Name:");
    EXPECT_EQ(Read("FormSample", "LabeledEdit1"), "Author");
    EXPECT_EQ(Read("FormSample", "OpenDialog1"), "Open project");
    EXPECT_EQ(Read("FormSample", "SaveDialog1"), "Save project as...");
    EXPECT_EQ(Read("FormSample", "GroupBox1"), "Options");
    EXPECT_EQ(Read("FormSample", "CheckBox1"), "Fixed");
    EXPECT_EQ(Read("FormSample", "RadioButton1"), "Left");
    EXPECT_EQ(Read("FormSample", "Panel1"), "Panel text");
    EXPECT_EQ(Read("FormSample", "TabSheet1"), "General");
    EXPECT_EQ(Read("FormSample", "StatusBar.Panels[0]"), "Velkast");
    EXPECT_EQ(Read("FormSample", "StatusBar.Panels[1]"), "Initialization...");
    EXPECT_EQ(Read("FormOther", "_FormCaption"), "Other");
    EXPECT_EQ(Read("FormOther", "CloseBtn"), "Close");

    TStrings keys = IniReadSection(Lng(), "FormSample");
    for (const char* absent : {"N1", "FrmEditor", "FrameLabel", "qt_internal", "ChildButton", "ChildWindow",
                               "ToolButton1", "PageControl1", "StatusBar"})
        EXPECT_FALSE(ContainsName(keys, absent)) << absent;
    EXPECT_EQ(IniReadSections(Lng()), (TStrings{"FormSample", "FormOther"}));
    // CR LF throughout.
    std::string bytes = FileBytes("test.lng");
    EXPECT_EQ(bytes.find("\n"), bytes.find("\r\n") + 1);

    EXPECT_EQ(FormSample->windowTitle(), "Sample window");
    EXPECT_EQ(Find<QLabel>("Label1")->text(), "Name:");
    EXPECT_EQ(FormSample->Status->PanelText(1), "Initialization...");
}

TEST_F(LngINISuppTest, EditedFileTextsReachTheWidgets)
{
    TLngINISupp lng;
    lng.SetFileName("test.lng");
    ASSERT_TRUE(lng.Translate());

    IniWriteString(Lng(), "FormSample", "_FormCaption", "Fen\xEAtre");
    IniWriteString(Lng(), "FormSample", "Label1", "Nom :");
    IniWriteString(Lng(), "FormSample", "ToolButton1_hint", "Nouveau projet");
    IniWriteString(Lng(), "FormSample", "StatusBar.Panels[1]", "Pr\xEAt");
    IniWriteString(Lng(), "FormSample", "mProject", "&Projet");
    IniWriteString(Lng(), "FormSample", "LabeledEdit1", "Auteur");
    IniWriteString(Lng(), "FormSample", "OpenDialog1", "Ouvrir");
    IniWriteString(Lng(), "FormSample", "TabSheet1", "G\xE9n\xE9ral");
    IniWriteString(Lng(), "FormOther", "CloseBtn", "Fermer");
    Requests.clear();
    ASSERT_TRUE(lng.Translate());
    EXPECT_TRUE(Requests.empty());

    EXPECT_EQ(FormSample->windowTitle(), QString::fromUtf8("Fenêtre"));
    EXPECT_EQ(Find<QLabel>("Label1")->text(), "Nom :");
    EXPECT_EQ(Find<QToolButton>("ToolButton1")->toolTip(), "Nouveau projet");
    EXPECT_EQ(Find<QToolButton>("ToolButton1")->text(), "tool text");
    EXPECT_EQ(FormSample->Status->PanelText(1), "Pr\xEAt");
    EXPECT_EQ(FormSample->Status->PanelText(0), "Velkast");
    EXPECT_EQ(Find<QMenu>("mProject")->title(), "&Projet");
    EXPECT_EQ(Find<TLabeledEdit>("LabeledEdit1")->EditLabel()->text(), "Auteur");
    EXPECT_EQ(Find<TOpenDialog>("OpenDialog1")->Title, "Ouvrir");
    EXPECT_EQ(Find<QTabWidget>("PageControl1")->tabText(0), QString::fromUtf8("Général"));
    EXPECT_EQ(FormOther->Button->text(), "Fermer");
}

TEST_F(LngINISuppTest, KeysMatchExactlyWhenAppliedButIgnoreCaseWhenCompleted)
{
    PutFile("test.lng",
            "[FormSample]\r\n_FormCaption=Caption\r\nlabel1=lower case key\r\n"
            "StatusBar=first panel\r\nStatusBar.Panels[7]=no such panel\r\nStatusBar.Panels[x]=bad\r\n"
            "[formother]\r\nCloseBtn=wrong section case\r\n"
            "[FormNobody]\r\nOKBtn=ignored\r\n");
    TLngINISupp lng;
    lng.SetFileName("test.lng");
    ASSERT_TRUE(lng.Translate());
    EXPECT_EQ(CountMessages(NotFound), 0);
    // The differently spelled key counts as present, so no second one.
    TStrings keys = IniReadSection(Lng(), "FormSample");
    EXPECT_EQ(std::count_if(keys.begin(), keys.end(), [](const std::string& k) { return SameText(k, "Label1"); }), 1);
    EXPECT_EQ(Find<QLabel>("Label1")->text(), "Name:");
    EXPECT_EQ(FormSample->windowTitle(), "Caption");
    // The completed "StatusBar.Panels[0]" comes after "StatusBar" and wins.
    EXPECT_EQ(FormSample->Status->PanelText(0), "Velkast");
    EXPECT_EQ(FormSample->Status->PanelText(1), "Initialization...");
    // "formother" is no window's name: its keys are not applied, and the
    // window's own section (same name ignoring case) is not written again.
    EXPECT_EQ(FormOther->Button->text(), "Close");
    EXPECT_EQ(Find<QPushButton>("OKBtn")->text(), "OK");
}

TEST_F(LngINISuppTest, SectionWithoutCaptionGivesError)
{
    PutFile("test.lng", "[FormOther]\r\nCloseBtn=Shut\r\n"
                        "[FormSample]\r\n_FormCaption=S\r\nStatusBar=first panel\r\nStatusBar.Panels[7]=none\r\n");
    TLngINISupp lng;
    lng.SetFileName("test.lng");
    // Apply alone: the file has a key for the window but no caption.
    lng.Apply();
    EXPECT_EQ(FormOther->windowTitle(), "ERROR");
    EXPECT_EQ(FormOther->Button->text(), "Shut");
    EXPECT_EQ(lng.MenuItemCaption(), "Language");
    // A status-bar key without "[" addresses panel 0; a missing panel is skipped.
    EXPECT_EQ(FormSample->Status->PanelText(0), "first panel");
    EXPECT_EQ(FormSample->Status->PanelText(1), "Initialization...");
}

TEST_F(LngINISuppTest, WithoutFileNameNothingIsTranslated)
{
    TLngINISupp lng;
    EXPECT_FALSE(lng.Translate());
    EXPECT_TRUE(lng.NoFileName());
    EXPECT_EQ(CountMessages(NotPreset), 1);
    // A value that names only a folder gives no file name either.
    lng.SetFileName("/some/folder/");
    EXPECT_EQ(lng.FileName(), "");
    EXPECT_FALSE(lng.Translate());
    EXPECT_TRUE(std::filesystem::is_empty(Program));
}

TEST_F(LngINISuppTest, WriteIfMissingLeavesPresentKeys)
{
    TLngINISupp lng;
    lng.SetFileName("test.lng");
    lng.WriteIfMissing("FormSample", "Label1", "first");
    lng.WriteIfMissing("formsample", "LABEL1", "second");
    EXPECT_EQ(Read("FormSample", "Label1"), "first");
    EXPECT_EQ(FileBytes("test.lng"), "[FormSample]\r\nLabel1=first\r\n");
}

TEST_F(LngINISuppTest, LanguageMenuListsFilesAndSwitches)
{
    PutFile("english.lng", "[Language]\r\nLanguage=English\r\nMenuItem=&Language\r\n[FormOther]\r\nCloseBtn=Close\r\n");
    PutFile("my.lang.lng", "[Language]\r\nLanguage=Mine\r\nMenuItem=Sprache\r\n[FormOther]\r\nCloseBtn=Zu\r\n");
    PutFile("9lives.LNG", "[FormOther]\r\n");
    PutFile("locked.lng", "[Language]\r\nLanguage=Locked\r\n");
    PutFile("notes.txt", "x");
    std::filesystem::permissions(Program + "locked.lng", std::filesystem::perms::owner_read |
                                                             std::filesystem::perms::group_read |
                                                             std::filesystem::perms::others_read);
    TLngINISupp lng;
    lng.SetMenu(FormSample->Bar);
    auto* popup = new QMenu(FormSample);
    lng.SetPopupMenu(popup);
    lng.SetFileName("english.lng");
    ASSERT_TRUE(lng.Translate());

    QMenu* menu = lng.LngItem();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->objectName(), "LngItem");
    EXPECT_EQ(menu->title(), "&Language");
    EXPECT_EQ(FormSample->Bar->actions().last(), menu->menuAction());
    QStringList names, captions;
    for (QAction* a : menu->actions()) {
        names << a->objectName();
        captions << a->text();
    }
    EXPECT_EQ(names, (QStringList{"_9lives", "english", "my_lang"}));
    EXPECT_EQ(captions, (QStringList{"ERROR", "English", "Mine"}));
    ASSERT_NE(lng.PLngItem(), nullptr);
    EXPECT_EQ(lng.PLngItem()->title(), "Language");
    EXPECT_EQ(lng.PLngItem()->actions().first()->objectName(), "P_9lives");
    // The language menu is the program's own, not a text of the window.
    EXPECT_FALSE(ContainsName(IniReadSection(Program + "english.lng", "FormSample"), "LngItem"));

    // The item of a name with several dots loads that very file.
    lng.LanguageItemClick(menu->actions()[2]);
    EXPECT_EQ(lng.FileName(), Program + "my.lang.lng");
    EXPECT_EQ(FormOther->Button->text(), "Zu");
    EXPECT_EQ(menu->title(), "Sprache");
    EXPECT_FALSE(std::filesystem::exists(Program + "myg.lng.lng"));
    EXPECT_FALSE(std::filesystem::exists(Program + "my_lang.lng"));
    // Built once: a second translation adds no second menu.
    int count = FormSample->Bar->actions().size();
    lng.PopupLanguageItemClick(lng.PLngItem()->actions()[1]);
    EXPECT_EQ(lng.FileName(), Program + "english.lng");
    EXPECT_EQ(FormOther->Button->text(), "Close");
    EXPECT_EQ(FormSample->Bar->actions().size(), count);
    EXPECT_EQ(menu->title(), "Sprache");
}

TEST_F(LngINISuppTest, SwitchingToAnIncompleteFileFillsItWithShownTexts)
{
    PutFile("a.lng", "[FormOther]\r\n_FormCaption=A\r\nCloseBtn=Schliessen\r\n");
    PutFile("b.lng", "[Language]\r\nLanguage=B\r\n");
    TLngINISupp lng;
    lng.SetFileName("a.lng");
    ASSERT_TRUE(lng.Translate());
    lng.SetFileName("b.lng");
    ASSERT_TRUE(lng.Translate());
    EXPECT_EQ(IniReadString(Program + "b.lng", "FormOther", "CloseBtn", ""), "Schliessen");
}

TEST(LngItemNames, ValidAndTakenFromTheBaseName)
{
    EXPECT_EQ(TLngINISupp::ItemNameForFile("english.lng"), "english");
    EXPECT_EQ(TLngINISupp::ItemNameForFile("/x/Deutsch.LNG"), "Deutsch");
    EXPECT_EQ(TLngINISupp::ItemNameForFile("pt-br v2.lng"), "pt_br_v2");
    EXPECT_EQ(TLngINISupp::ItemNameForFile("1st.lng"), "_1st");
    EXPECT_EQ(TLngINISupp::ItemNameForFile(".lng"), "_");
}
