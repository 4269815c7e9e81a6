#include "editor/formaddons.h"

#include "editor/formmain.h"
#include "editor/formoptions.h"
#include "editor/frmeditor.h"
#include "editor/vclwidgets.h"
#include "model/vlproject.h"
#include "platform/paths.h"
#include "platform/textlines.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>

#include <dlfcn.h>

TFormAddons* FormAddons = nullptr;

namespace fs = std::filesystem;

namespace {

// Codes 2 and 3 answer in one buffer of 256 bytes: at most 254 characters
// and the NUL, as add-ons written for the original host expect.
char QueryBuffer[256];
// Code 4 answers whole: the add-ons write into that folder.
std::string ObjectFolderBuffer;

const char* AnswerCut(const std::string& text)
{
    const std::size_t n = std::min<std::size_t>(text.size(), 254);
    std::memcpy(QueryBuffer, text.data(), n);
    QueryBuffer[n] = '\0';
    return QueryBuffer;
}

TVLProject* OpenProject()
{
    return FormMain && FormMain->FrmEditor ? FormMain->FrmEditor->Project : nullptr;
}

std::string Text(const char* p) { return p ? std::string(p) : std::string(); }

void NoteSkipped(const std::string& path, const std::string& reason)
{
    std::cerr << "Velkast: add-on " << path << " skipped: " << reason << std::endl;
}

} // namespace

void InitAddonHostInfo(TAddonHostInfo& host)
{
    host = TAddonHostInfo{};
    host.Version = VLADDON_INTERFACE_VERSION;
    host.Query = &AddonHostQuery;
}

extern "C" const char* AddonHostQuery(uint16_t code)
{
    // Called from add-on code: nothing may escape.
    try {
        switch (code) {
        case 1:
            return AddonHostVersion;
        case 2: {
            TVLProject* project = OpenProject();
            return AnswerCut(project ? project->ProjectName : std::string());
        }
        case 3: {
            TVLProject* project = OpenProject();
            return AnswerCut(project ? project->Author : std::string());
        }
        case 4: {
            const std::string folder = FormOptions ? FormOptions->GetObjectFolder() : std::string("lib");
            ObjectFolderBuffer = IncludeTrailingPathDelimiter(
                DiskPath(ProgramFolder(), folder));
            return ObjectFolderBuffer.c_str();
        }
        default:
            return nullptr;
        }
    } catch (...) {
        return nullptr;
    }
}

TFormAddons::TFormAddons(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormAddons");
    setWindowTitle("Velkast - Addons");

    AddonList = new QListWidget(this);
    AddonList->setObjectName("AddonList");
    AddonList->setSelectionMode(QAbstractItemView::SingleSelection);

    GroupBox1 = new QGroupBox("Addonmenu", this);
    GroupBox1->setObjectName("GroupBox1");
    AddonStart = new QPushButton("Run", GroupBox1);
    AddonStart->setObjectName("AddonStart");
    AddonStart->setEnabled(false);
    AddonInformations = new QPushButton("Info", GroupBox1);
    AddonInformations->setObjectName("AddonInformations");
    AddonInformations->setEnabled(false);
    auto* menu = new QVBoxLayout(GroupBox1);
    menu->addWidget(AddonStart);
    menu->addWidget(AddonInformations);
    menu->addStretch(1);

    GroupBox2 = new QGroupBox("Addondetails", this);
    GroupBox2->setObjectName("GroupBox2");
    auto* details = new QVBoxLayout(GroupBox2);
    auto label = [&](QLabel*& l, const char* name, const char* text) {
        l = new QLabel(text, GroupBox2);
        l->setObjectName(name);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        details->addWidget(l);
    };
    label(lName, "lName", "Name:");
    label(lAuthor, "lAuthor", "Author:");
    label(lVersion, "lVersion", "Version:");
    label(lWebsite, "lWebsite", "Website:");
    label(lEmail, "lEmail", "E-mail adress:");
    label(lDescription, "lDescription", "Description:");
    lDescription->setWordWrap(true);
    label(lCopyright, "lCopyright", "Copyright:");
    details->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addWidget(AddonList, 1);
    top->addWidget(GroupBox1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(GroupBox2);

    connect(AddonList, &QListWidget::currentRowChanged, this, [this] { AddonListClick(); });
    connect(AddonList, &QListWidget::itemClicked, this, [this] { AddonListClick(); });
    connect(AddonList, &QListWidget::itemDoubleClicked, this, [this] { AddonStartClick(); });
    connect(AddonStart, &QPushButton::clicked, this, &TFormAddons::AddonStartClick);
    connect(AddonInformations, &QPushButton::clicked, this, &TFormAddons::AddonInformationsClick);

    LoadAddons(ProgramFolder() + "addons");

    // The details start hidden.
    GroupBox2->hide();
    setFixedSize(420, ShortHeight);
}

TFormAddons::~TFormAddons()
{
    for (const TVLAddon& addon : Addons)
        if (addon.Handle)
            dlclose(addon.Handle);
}

void TFormAddons::LoadAddons(const std::string& folder)
{
    AddonList->clear();
    AddonFolder = IncludeTrailingPathDelimiter(folder);

    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        if (path.extension() != ".so")
            continue;
        std::error_code typeError;
        if (!fs::is_regular_file(it->status(typeError)))
            continue;
        files.push_back(path);
    }
    std::sort(files.begin(), files.end());

    TAddonHostInfo host;
    InitAddonHostInfo(host);
    for (const fs::path& file : files) {
        const std::string path = file.string();
        dlerror();
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* error = dlerror();
            NoteSkipped(path, error ? error : "it cannot be loaded");
            continue;
        }
        auto init = reinterpret_cast<TVLAddonInitFunc>(dlsym(handle, VLADDON_INIT_NAME));
        if (!init) {
            // Left loaded, as a library that declined is: it may have set
            // something up that expects to stay.
            NoteSkipped(path, "it has no entry point " VLADDON_INIT_NAME);
            continue;
        }
        TAddonInfo info{};
        if (!init(&host, &info)) {
            NoteSkipped(path, VLADDON_INIT_NAME " returned false");
            continue;
        }
        TVLAddon addon;
        addon.Name = Text(info.Name);
        addon.Author = Text(info.Author);
        addon.Description = Text(info.Description);
        addon.Website = Text(info.Website);
        addon.Version = Text(info.Version);
        addon.Email = Text(info.Email);
        addon.Copyright = Text(info.Copyright);
        addon.Run = reinterpret_cast<TVLAddonRunFunc>(dlsym(handle, VLADDON_RUN_NAME));
        addon.Handle = handle;
        Addons.push_back(addon);
        AddonList->addItem(AnsiToQ(addon.Name));
    }
}

void TFormAddons::AddonListClick()
{
    const int row = AddonList->currentRow();
    if (row < 0 || row >= static_cast<int>(Addons.size()))
        return;
    const TVLAddon& a = Addons[static_cast<std::size_t>(row)];
    lName->setText(AnsiToQ("Name: " + a.Name));
    lAuthor->setText(AnsiToQ("Author: " + a.Author));
    lVersion->setText(AnsiToQ("Version: " + a.Version));
    lWebsite->setText(AnsiToQ("Website: " + a.Website));
    lEmail->setText(AnsiToQ("E-mail adress: " + a.Email));
    lDescription->setText(AnsiToQ("Description: " + a.Description));
    lCopyright->setText(AnsiToQ("Copyright: " + a.Copyright));
    AddonStart->setEnabled(true);
    AddonInformations->setEnabled(true);
}

void TFormAddons::AddonInformationsClick()
{
    FInfoShown = !FInfoShown;
    GroupBox2->setVisible(FInfoShown);
    setFixedSize(width(), FInfoShown ? TallHeight : ShortHeight);
    AddonInformations->setText(FInfoShown ? "Hide info" : "Info");
}

void TFormAddons::AddonStartClick()
{
    const int row = AddonList->currentRow();
    if (row < 0 || row >= static_cast<int>(Addons.size()))
        return;
    if (TVLAddonRunFunc run = Addons[static_cast<std::size_t>(row)].Run)
        run();
}

void TFormAddons::FormClose()
{
    if (!DirectoryExists(AddonFolder))
        return;
    TStrings lines;
    for (const TVLAddon& addon : Addons)
        lines.push_back(addon.Name);
    SaveLines(AddonFolder + "list.vlf", lines);
}

void TFormAddons::done(int result)
{
    FormClose();
    QDialog::done(result);
}
