#include "editor/lnginisupp.h"

#include "editor/appforms.h"
#include "editor/vclwidgets.h"
#include "platform/gui/dialogs.h"
#include "platform/inifile.h"
#include "platform/paths.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

QTabWidget* TabWidgetOf(const QObject* page, int& index)
{
    auto* w = qobject_cast<const QWidget*>(page);
    if (!w)
        return nullptr;
    auto* stack = qobject_cast<QStackedWidget*>(w->parent());
    if (!stack)
        return nullptr;
    auto* tabs = qobject_cast<QTabWidget*>(stack->parent());
    if (!tabs)
        return nullptr;
    index = tabs->indexOf(const_cast<QWidget*>(w));
    return index >= 0 ? tabs : nullptr;
}

std::string NameOf(const QObject* o) { return QToAnsi(o->objectName()); }

// Status-bar keys "<name>.Panels[<digit>]": the name before the first ".",
// the digit after the last "[" (no "[": panel 0). False for another digit form.
bool SplitPanelKey(const std::string& key, std::string& name, int& panel)
{
    name = key.substr(0, key.find('.'));
    std::size_t bracket = key.rfind('[');
    if (bracket == std::string::npos) {
        panel = 0;
        return true;
    }
    if (bracket + 1 >= key.size() || key[bracket + 1] < '0' || key[bracket + 1] > '9')
        return false;
    panel = key[bracket + 1] - '0';
    return true;
}

std::string PanelKey(const std::string& name, int panel)
{
    return name + ".Panels[" + std::to_string(panel) + "]";
}

struct TComponentEntry {
    QObject* Object;
    TLngINISupp::TComponentKind Kind;
    std::string Name;
    std::string Key;
};

std::vector<TComponentEntry> CoveredComponents(QWidget* form)
{
    std::vector<TComponentEntry> r;
    for (QObject* o : FormComponents(form)) {
        auto kind = TLngINISupp::KindOf(o);
        if (kind != TLngINISupp::TComponentKind::None)
            r.push_back({o, kind, NameOf(o), TLngINISupp::ComponentKey(o, kind)});
    }
    return r;
}

bool IsLanguageFile(const fs::directory_entry& entry)
{
    std::error_code ec;
    if (!entry.is_regular_file(ec))
        return false;
    std::string name = entry.path().filename().string();
    if (name.size() < 4 || !SameText(std::string_view(name).substr(name.size() - 4), ".lng"))
        return false;
    // A file marked read-only (no write permission for anyone) is left out,
    // as the menu leaves out files carrying the read-only attribute.
    auto perms = entry.status(ec).permissions();
    const auto write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return !ec && (perms & write) != fs::perms::none;
}

} // namespace

TLngINISupp::TLngINISupp(QObject* owner) : QObject(owner)
{
    setObjectName("LngINISupp1");
}

void TLngINISupp::SetFileName(const std::string& value)
{
    std::string name = ExtractFileName(value);
    FFileName = name.empty() ? std::string() : ProgramFolder() + name;
}

TLngINISupp::TComponentKind TLngINISupp::KindOf(const QObject* c)
{
    if (qobject_cast<const QPushButton*>(c))
        return TComponentKind::PushButton;
    if (auto* tb = qobject_cast<const QToolButton*>(c))
        return qobject_cast<QToolBar*>(tb->parent()) ? TComponentKind::ToolButton : TComponentKind::SpeedButton;
    if (qobject_cast<const TPanel*>(c))
        return TComponentKind::Panel;
    if (qobject_cast<const QLabel*>(c))
        return TComponentKind::Label;
    if (qobject_cast<const TLabeledEdit*>(c))
        return TComponentKind::LabeledEdit;
    if (qobject_cast<const TOpenDialog*>(c))
        return TComponentKind::OpenDialog;
    if (auto* a = qobject_cast<const QAction*>(c))
        return a->isSeparator() ? TComponentKind::None : TComponentKind::MenuItem;
    if (qobject_cast<const QMenu*>(c))
        return TComponentKind::MenuItem;
    if (qobject_cast<const QCheckBox*>(c))
        return TComponentKind::CheckBox;
    if (qobject_cast<const QGroupBox*>(c))
        return TComponentKind::GroupBox;
    if (qobject_cast<const QRadioButton*>(c))
        return TComponentKind::RadioButton;
    int index = 0;
    if (TabWidgetOf(c, index))
        return TComponentKind::TabSheet;
    if (qobject_cast<const TStatusBar*>(c))
        return TComponentKind::StatusBar;
    return TComponentKind::None;
}

std::string TLngINISupp::ComponentKey(const QObject* c, TComponentKind kind)
{
    if (kind == TComponentKind::ToolButton)
        return NameOf(c) + "_hint";
    return NameOf(c);
}

std::string TLngINISupp::ComponentText(const QObject* c, TComponentKind kind)
{
    switch (kind) {
    case TComponentKind::PushButton:
    case TComponentKind::SpeedButton:
    case TComponentKind::CheckBox:
    case TComponentKind::RadioButton:
        return QToAnsi(qobject_cast<const QAbstractButton*>(c)->text());
    case TComponentKind::ToolButton:
        return QToAnsi(qobject_cast<const QToolButton*>(c)->toolTip());
    case TComponentKind::Label:
        return QToAnsi(qobject_cast<const QLabel*>(c)->text());
    case TComponentKind::Panel:
        return qobject_cast<const TPanel*>(c)->Caption();
    case TComponentKind::LabeledEdit:
        return QToAnsi(qobject_cast<const TLabeledEdit*>(c)->EditLabel()->text());
    case TComponentKind::OpenDialog:
        return qobject_cast<const TOpenDialog*>(c)->Title;
    case TComponentKind::MenuItem:
        if (auto* a = qobject_cast<const QAction*>(c))
            return QToAnsi(a->text());
        return QToAnsi(qobject_cast<const QMenu*>(c)->title());
    case TComponentKind::GroupBox:
        return QToAnsi(qobject_cast<const QGroupBox*>(c)->title());
    case TComponentKind::TabSheet: {
        int index = 0;
        QTabWidget* tabs = TabWidgetOf(c, index);
        return tabs ? QToAnsi(tabs->tabText(index)) : std::string();
    }
    case TComponentKind::StatusBar:
    case TComponentKind::None:
        break;
    }
    return {};
}

void TLngINISupp::SetComponentText(QObject* c, TComponentKind kind, const std::string& ansi)
{
    QString text = AnsiToQ(ansi);
    switch (kind) {
    case TComponentKind::PushButton:
    case TComponentKind::SpeedButton:
    case TComponentKind::CheckBox:
    case TComponentKind::RadioButton:
        qobject_cast<QAbstractButton*>(c)->setText(text);
        break;
    case TComponentKind::ToolButton:
        qobject_cast<QToolButton*>(c)->setToolTip(text);
        break;
    case TComponentKind::Label:
        qobject_cast<QLabel*>(c)->setText(text);
        break;
    case TComponentKind::Panel:
        qobject_cast<TPanel*>(c)->setText(text);
        break;
    case TComponentKind::LabeledEdit:
        qobject_cast<TLabeledEdit*>(c)->EditLabel()->setText(text);
        break;
    case TComponentKind::OpenDialog:
        qobject_cast<TOpenDialog*>(c)->Title = ansi;
        break;
    case TComponentKind::MenuItem:
        if (auto* a = qobject_cast<QAction*>(c))
            a->setText(text);
        else
            qobject_cast<QMenu*>(c)->setTitle(text);
        break;
    case TComponentKind::GroupBox:
        qobject_cast<QGroupBox*>(c)->setTitle(text);
        break;
    case TComponentKind::TabSheet: {
        int index = 0;
        if (QTabWidget* tabs = TabWidgetOf(c, index))
            tabs->setTabText(index, text);
        break;
    }
    case TComponentKind::StatusBar:
    case TComponentKind::None:
        break;
    }
}

std::string TLngINISupp::ItemNameForFile(const std::string& fileName)
{
    std::string base = ExtractFileName(fileName);
    if (base.size() >= 4 && SameText(std::string_view(base).substr(base.size() - 4), ".lng"))
        base.resize(base.size() - 4);
    for (auto& c : base) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok)
            c = '_';
    }
    if (base.empty() || (base[0] >= '0' && base[0] <= '9'))
        base.insert(base.begin(), '_');
    return base;
}

bool TLngINISupp::CheckFile()
{
    if (FFileName.empty()) {
        ShowMessage("ERROR!!!\r\nFile not preset!");
        FNoFileName = true;
        return false;
    }
    FNoFileName = false;
    std::string data;
    if (!ReadFileBytes(FFileName, data))
        ShowMessage("WARNING!!!\r\n Language File Not Found! Its now creating a new!");
    return true;
}

bool TLngINISupp::Translate()
{
    if (!CheckFile())
        return false;
    WriteDefaults();
    Apply();
    if (FMenu && !FMenuBuilt)
        BuildLanguageMenu();
    if (FPopupMenu && !FPopupBuilt)
        BuildPopupLanguageMenu();
    return true;
}

void TLngINISupp::WriteIfMissing(const std::string& section, const std::string& key, const std::string& value)
{
    TIniData ini;
    ini.LoadFromFile(FFileName);
    if (ini.ValueExists(section, key))
        return;
    ini.WriteString(section, key, value);
    ini.SaveToFile(FFileName);
}

void TLngINISupp::WriteDefaults()
{
    // The same keys as WriteIfMissing for each text, gathered into one write
    // of the file: a new language file gets hundreds of keys.
    TIniData ini;
    ini.LoadFromFile(FFileName);
    bool changed = false;
    auto put = [&](const std::string& section, const std::string& key, const std::string& value) {
        if (ini.ValueExists(section, key))
            return;
        ini.WriteString(section, key, value);
        changed = true;
    };
    for (QWidget* form : ApplicationForms()) {
        std::string section = NameOf(form);
        if (section.empty())
            continue;
        put(section, "_FormCaption", QToAnsi(form->windowTitle()));
        for (const auto& c : CoveredComponents(form)) {
            if (c.Kind == TComponentKind::StatusBar) {
                auto* bar = qobject_cast<TStatusBar*>(c.Object);
                for (int i = 0; i < bar->PanelCount(); ++i)
                    put(section, PanelKey(c.Name, i), bar->PanelText(i));
            } else {
                put(section, c.Key, ComponentText(c.Object, c.Kind));
            }
        }
    }
    if (changed)
        ini.SaveToFile(FFileName);
}

void TLngINISupp::Apply()
{
    TIniData ini;
    ini.LoadFromFile(FFileName);
    FMenuItem = ini.ReadString("Language", "MenuItem", "Language");

    struct TFormEntry {
        QWidget* Form;
        std::string Name;
        std::vector<TComponentEntry> Components;
    };
    std::vector<TFormEntry> forms;
    for (QWidget* form : ApplicationForms())
        forms.push_back({form, NameOf(form), CoveredComponents(form)});

    for (const std::string& section : ini.ReadSections()) {
        for (const std::string& key : ini.ReadSection(section)) {
            std::string value = ini.ReadString(section, key, "");
            for (auto& f : forms) {
                if (f.Name != section)
                    continue;
                f.Form->setWindowTitle(AnsiToQ(ini.ReadString(section, "_FormCaption", "ERROR")));
                for (auto& c : f.Components) {
                    if (c.Kind == TComponentKind::StatusBar) {
                        std::string name;
                        int panel = 0;
                        if (SplitPanelKey(key, name, panel) && name == c.Name)
                            qobject_cast<TStatusBar*>(c.Object)->SetPanelText(panel, value);
                    } else if (c.Key == key) {
                        SetComponentText(c.Object, c.Kind, value);
                    }
                }
            }
        }
    }
}

QMenu* TLngINISupp::MakeLanguageMenu(QWidget* parent, const std::string& caption,
                                     const std::string& namePrefix, bool popup)
{
    std::vector<std::string> files;
    std::error_code ec;
    std::string folder = ProgramFolder();
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (IsLanguageFile(entry))
            files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());

    auto* menu = new QMenu(AnsiToQ(caption), parent);
    menu->setObjectName(popup ? "PLngItem" : "LngItem");
    SetTranslatable(menu, false);
    std::set<std::string> names;
    for (const auto& file : files) {
        std::string base = namePrefix + ItemNameForFile(file);
        std::string name = base;
        for (int n = 2; names.count(name); ++n)
            name = base + "_" + std::to_string(n);
        names.insert(name);
        QAction* item = menu->addAction(AnsiToQ(IniReadString(folder + file, "Language", "Language", "ERROR")));
        item->setObjectName(QString::fromStdString(name));
        // The item remembers its own file, so a name with several dots (or
        // one made valid above) still leads to that very file.
        item->setData(QByteArray::fromStdString(file));
        connect(item, &QAction::triggered, this, [this, item, popup] {
            if (popup)
                PopupLanguageItemClick(item);
            else
                LanguageItemClick(item);
        });
    }
    return menu;
}

void TLngINISupp::BuildLanguageMenu()
{
    if (!FMenu)
        return;
    FLngItem = MakeLanguageMenu(FMenu, FMenuItem, "", false);
    FMenu->addMenu(FLngItem);
    FMenuBuilt = true;
}

void TLngINISupp::BuildPopupLanguageMenu()
{
    if (!FPopupMenu)
        return;
    FPLngItem = MakeLanguageMenu(FPopupMenu, "Language", "P", true);
    FPopupMenu->addMenu(FPLngItem);
    FPopupBuilt = true;
}

namespace {

std::string ItemFile(QAction* item, bool popup)
{
    std::string file = item->data().toByteArray().toStdString();
    if (!file.empty())
        return file;
    std::string name = item->objectName().toStdString();
    if (popup && !name.empty())
        name.erase(0, 1);
    return name + ".lng";
}

} // namespace

void TLngINISupp::LanguageItemClick(QAction* item)
{
    if (!item)
        return;
    SetFileName(ItemFile(item, false));
    Translate();
    if (FLngItem)
        FLngItem->setTitle(AnsiToQ(FMenuItem));
}

void TLngINISupp::PopupLanguageItemClick(QAction* item)
{
    if (!item)
        return;
    SetFileName(ItemFile(item, true));
    Translate();
}
