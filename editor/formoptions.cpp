#include "editor/formoptions.h"

#include "editor/appforms.h"
#include "editor/formsetbvefolder.h"
#include "editor/msginisupp.h"
#include "editor/numberfields.h"
#include "editor/vclwidgets.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"
#include "platform/registry.h"

#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cerrno>
#include <cmath>
#include <limits>

std::string LanguageFileName;
TFormOptions* FormOptions = nullptr;

namespace {

// The arrow keys' step in centimetres: 0 would stop them.
constexpr int MinArrowStep = 1;
constexpr int MaxArrowStep = 10000;

std::int32_t EditInteger(const QLineEdit* edit, std::int32_t def)
{
    std::int32_t value = def;
    if (!IniParseInteger(QToAnsi(edit->text()), value))
        return def;
    return value;
}

QString NativeToQ(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

std::string QToNative(const QString& path) { return QFile::encodeName(path).toStdString(); }

template <class T>
T* Named(T* object, const char* name)
{
    object->setObjectName(name);
    return object;
}

} // namespace

TFormOptions::TFormOptions(QWidget* parent) : QDialog(parent)
{
    BuildControls();
    FormCreate();
}

TFormOptions::~TFormOptions() = default;

void TFormOptions::BuildControls()
{
    setObjectName("FormOptions");
    setWindowTitle("Options");
    auto* layout = new QVBoxLayout(this);
    PageControl1 = Named(new QTabWidget(this), "PageControl1");
    layout->addWidget(PageControl1);
    // The tab bar's scroll buttons are Qt's own, not texts of this window;
    // the tabs' captions are the pages' own texts.
    SetTranslatable(PageControl1->tabBar(), false);

    TabGeneral = Named(new QWidget, "TabGeneral");
    PageControl1->addTab(TabGeneral, "General");
    auto* general = new QVBoxLayout(TabGeneral);
    gbBveFolder = Named(new QGroupBox("BVE directory", TabGeneral), "gbBveFolder");
    auto* bve = new QHBoxLayout(gbBveFolder);
    BVE_Folder_Set = new TPanel(gbBveFolder, "BVE_Folder_Set");
    BVE_Folder_Set->setMinimumWidth(260);
    // It shows the chosen folder: a text from the language file would show
    // a folder that is not the one in use.
    SetTranslatable(BVE_Folder_Set, false);
    bve->addWidget(BVE_Folder_Set, 1);
    BveFolderSearchButton = Named(new QPushButton("browse...", gbBveFolder), "BveFolderSearchButton");
    bve->addWidget(BveFolderSearchButton);
    general->addWidget(gbBveFolder);
    auto* grid = new QGridLayout;
    lObjFolder = Named(new QLabel("Object folder:", TabGeneral), "lObjFolder");
    edObjFolder = Named(new QLineEdit(TabGeneral), "edObjFolder");
    grid->addWidget(lObjFolder, 0, 0);
    grid->addWidget(edObjFolder, 0, 1, 1, 2);
    lDefLanguage = Named(new QLabel("Default language:", TabGeneral), "lDefLanguage");
    edDefLanguage = Named(new QLineEdit(TabGeneral), "edDefLanguage");
    bBrowseLanguageFile = Named(new QPushButton("...", TabGeneral), "bBrowseLanguageFile");
    bBrowseLanguageFile->setMaximumWidth(32);
    grid->addWidget(lDefLanguage, 1, 0);
    grid->addWidget(edDefLanguage, 1, 1);
    grid->addWidget(bBrowseLanguageFile, 1, 2);
    general->addLayout(grid);
    StructureViewer_Check =
        Named(new QCheckBox("internal Objectpreview (not installed)", TabGeneral), "StructureViewer_Check");
    StructureViewer_Check->setEnabled(false);
    general->addWidget(StructureViewer_Check);
    AutoUpdate_Check = Named(new QCheckBox("Automatically search for Updates", TabGeneral), "AutoUpdate_Check");
    AutoUpdate_Check->setEnabled(false);
    general->addWidget(AutoUpdate_Check);
    general->addStretch();

    TabEditor = Named(new QWidget, "TabEditor");
    PageControl1->addTab(TabEditor, "Editor");
    auto* editor = new QVBoxLayout(TabEditor);
    CheckBoxCopyTrackPropLast = Named(new QCheckBox("New tracks copy the properties of the last active track",
                                                    TabEditor), "CheckBoxCopyTrackPropLast");
    CheckBoxCopyTrackPropLast->setChecked(true);
    CheckBoxCopyTrackPropClip = Named(new QCheckBox("New tracks copy the properties from the track clipboard",
                                                    TabEditor), "CheckBoxCopyTrackPropClip");
    cbFit4m = Named(new QCheckBox("Snap dropped points 4 m or 15 m beside a parallel track", TabEditor), "cbFit4m");
    cbFit4m->setChecked(true);
    cbMinimumlength = Named(new QCheckBox("New tracks are at least 25 m long", TabEditor), "cbMinimumlength");
    cbMinimumlength->setChecked(true);
    cbNewConnFixed = Named(new QCheckBox("New tracks are fixed", TabEditor), "cbNewConnFixed");
    cbNewConnFixed->setChecked(true);
    for (QCheckBox* box : {CheckBoxCopyTrackPropLast, CheckBoxCopyTrackPropClip, cbFit4m, cbMinimumlength, cbNewConnFixed})
        editor->addWidget(box);
    auto* step = new QHBoxLayout;
    lArrowStepSize = Named(new QLabel("Arrow key step (cm):", TabEditor), "lArrowStepSize");
    edArrowStepSize = Named(new QLineEdit(TabEditor), "edArrowStepSize");
    step->addWidget(lArrowStepSize);
    step->addWidget(edArrowStepSize);
    editor->addLayout(step);
    editor->addStretch();

    TabExport = Named(new QWidget, "TabExport");
    PageControl1->addTab(TabExport, "Export");
    auto* exportGrid = new QGridLayout(TabExport);
    lDistanceBeyondLast = Named(new QLabel("Track beyond the last stop (m):", TabExport), "lDistanceBeyondLast");
    edDistanceBeyondLast = Named(new QLineEdit(TabExport), "edDistanceBeyondLast");
    lMaxCurveSmooth = Named(new QLabel("Curves above this radius are written straight (m):", TabExport),
                            "lMaxCurveSmooth");
    edMaxCurveSmooth = Named(new QLineEdit(TabExport), "edMaxCurveSmooth");
    lShortestCurve = Named(new QLabel("Shortest curve radius (m):", TabExport), "lShortestCurve");
    edShortestCurve = Named(new QLineEdit(TabExport), "edShortestCurve");
    exportGrid->addWidget(lDistanceBeyondLast, 0, 0);
    exportGrid->addWidget(edDistanceBeyondLast, 0, 1);
    exportGrid->addWidget(lMaxCurveSmooth, 1, 0);
    exportGrid->addWidget(edMaxCurveSmooth, 1, 1);
    exportGrid->addWidget(lShortestCurve, 2, 0);
    exportGrid->addWidget(edShortestCurve, 2, 1);
    cbCurvedSecondary = Named(new QCheckBox("Curved secondary tracks", TabExport), "cbCurvedSecondary");
    exportGrid->addWidget(cbCurvedSecondary, 3, 0, 1, 2);
    exportGrid->setRowStretch(4, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    Btn_OK = Named(new QPushButton("OK", this), "Btn_OK");
    Btn_OK->setDefault(true);
    Btn_Cancel = Named(new QPushButton("Cancel", this), "Btn_Cancel");
    buttons->addWidget(Btn_OK);
    buttons->addWidget(Btn_Cancel);
    layout->addLayout(buttons);

    connect(StructureViewer_Check, &QCheckBox::toggled, this, [this] { StructureViewer_CheckClick(); });
    connect(AutoUpdate_Check, &QCheckBox::toggled, this, [this] { AutoUpdate_CheckClick(); });
    connect(CheckBoxCopyTrackPropLast, &QCheckBox::toggled, this, [this] { CheckBoxCopyTrackPropLastClick(); });
    connect(CheckBoxCopyTrackPropClip, &QCheckBox::toggled, this, [this] { CheckBoxCopyTrackPropClipClick(); });
    connect(edArrowStepSize, &QLineEdit::textChanged, this, [this] { edArrowStepSizeChange(); });
    connect(bBrowseLanguageFile, &QPushButton::clicked, this, [this] { bBrowseLanguageFileClick(); });
    connect(BveFolderSearchButton, &QPushButton::clicked, this, [this] { BveFolderSearchButtonClick(); });
    connect(Btn_OK, &QPushButton::clicked, this, [this] { Btn_OKClick(); });
    connect(Btn_Cancel, &QPushButton::clicked, this, [this] { Btn_CancelClick(); });
}

void TFormOptions::FormCreate()
{
    ExePath = ProgramFolder();
    IniFile = std::make_unique<TIniFile>(ExePath + "set.ini");

    BveFolder = IniFile->ReadString("Settings", "BVE_Folder", "");
    if (BveFolder.empty()) {
        TRegistry machine(THive::HKEY_LOCAL_MACHINE);
        bool open = machine.OpenKey("Software\\Velkast", true);
        std::string known = open ? machine.ReadString("Bve Folder") : std::string();
        if (!known.empty()) {
            BveFolder = known;
        } else {
            AskForBveFolder();
            if (open && !BveFolder.empty())
                machine.WriteString("Bve Folder", BveFolder);
        }
        if (!BveFolder.empty())
            IniFile->WriteString("Settings", "BVE_Folder", BveFolder);
    }

    if (IniFile->ReadString("Settings", "ShowConfigBveFolder", "") == "True")
        ShowBveFolderDialog();

    edObjFolder->setText(AnsiToQ(IniFile->ReadString("Settings", "ObjectFolder", "lib")));
    UseDeveloperMod = IniFile->ReadBool("Settings", "UseDeveloperMod", true);
    UseStructureViewer = IniFile->ReadBool("Settings", "UseStructureViewer", true);
    CopyPropLast = IniFile->ReadBool("TrackAdding", "CopyPropLast", true);
    CopyPropClip = IniFile->ReadBool("TrackAdding", "CopyPropClip", false);

    if (IniFile->ReadBool("Settings", "UseAutoUpdateEvery", false)) {
        UseAutoUpdate = true;
        AutoUpdateCounter = IniFile->ReadInteger("Settings", "AutoUpdateNow", 0);
        std::int64_t next = static_cast<std::int64_t>(AutoUpdateCounter) + 1;
        IniFile->WriteInteger("Settings", "AutoUpdateNow",
                              static_cast<std::int32_t>(std::min<std::int64_t>(next, std::numeric_limits<std::int32_t>::max())));
        if (AutoUpdateCounter == 10) {
            ShellOpen(ExePath + "autoupdate.exe", "", ExePath);
            IniFile->WriteInteger("Settings", "AutoUpdateNow", 0);
        }
    }

    ShowBveFolder(BveFolder);

    cbFit4m->setChecked(IniFile->ReadBool("editor", "fit4m", true));
    cbMinimumlength->setChecked(IniFile->ReadBool("editor", "minlength", true));
    cbNewConnFixed->setChecked(IniFile->ReadBool("editor", "newconnfixed", true));
    NewConnFixed = cbNewConnFixed->isChecked();
    Fit4m = cbFit4m->isChecked();
    MinLength = cbMinimumlength->isChecked();

    ArrowStepSize = IniFile->ReadFloat("editor", "ArrowStepSize", 0.1);
    double centimetres = std::nearbyint(ArrowStepSize * 100.0); // halves go to the even neighbour
    if (!(std::fabs(centimetres) < 2e9))
        centimetres = 10;
    edArrowStepSize->setText(QString::number(static_cast<long long>(centimetres)));
    edArrowStepSizeChange(); // the step is held in whole centimetres

    edDistanceBeyondLast->setText(QString::number(IniFile->ReadInteger("export", "distancebeyondlast", 100)));
    edMaxCurveSmooth->setText(QString::number(IniFile->ReadInteger("export", "maxcurvesmooth", 4000)));
    edShortestCurve->setText(QString::number(IniFile->ReadInteger("export", "mincurvesmooth", 150)));
    cbCurvedSecondary->setChecked(IniFile->ReadBool("export", "CurvedSecondary", false));
    DistanceBeyondLast = EditInteger(edDistanceBeyondLast, 100);
    MaxCurveSmooth = EditInteger(edMaxCurveSmooth, 4000);
    MinCurveSmooth = EditInteger(edShortestCurve, 150);
    CurvedSecondary = cbCurvedSecondary->isChecked();

    LanguageFileName = IniFile->ReadString("Settings", "DefaultLanguage", "english.lng");
    edDefLanguage->setText(AnsiToQ(LanguageFileName));
}

void TFormOptions::AskForBveFolder()
{
    for (;;) {
        if (ShowBveFolderDialog() && !BveFolder.empty())
            return;
        int answer = MessageDlg(GetMessageText("toptions_no_bvefolder_start"), mtWarning, mbYes | mbNo);
        if (answer != mrYes)
            return;
    }
}

bool TFormOptions::CheckBveFolder()
{
    while (BveFolder.empty()) {
        int answer = MessageDlg(GetMessageText("toptions_no_bvefolder"), mtWarning, mbYes | mbNo);
        if (answer != mrYes)
            return false;
        ShowBveFolderDialog();
    }
    return true;
}

bool TFormOptions::ShowBveFolderDialog() { return TFormSetBveFolder::Execute(this, IniFile.get()); }

void TFormOptions::ShowBveFolder(const std::string& folder) { BVE_Folder_Set->setText(NativeToQ(folder)); }

std::string TFormOptions::GetObjectFolder() const { return QToAnsi(edObjFolder->text()); }

void TFormOptions::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TFormOptions::FormShow()
{
    StructureViewer_Check->setChecked(UseStructureViewer);
    AutoUpdate_Check->setChecked(UseAutoUpdate);
    CheckBoxCopyTrackPropLast->setChecked(CopyPropLast);
    CheckBoxCopyTrackPropClip->setChecked(CopyPropClip);
}

void TFormOptions::StructureViewer_CheckClick()
{
    if (!StructureViewer_Check->isChecked())
        return;
    if (!BveFolder.empty() && FileExists(IncludeTrailingPathDelimiter(BveFolder) + "strview.exe")) {
        UseStructureViewer = true;
        return;
    }
    MessageDlg(GetMessageText("toptions_no_sv"), mtInformation, mbOK);
    StructureViewer_Check->setChecked(false);
    UseStructureViewer = false;
    IniFile->WriteBool("Settings", "UseStructureViewer", false);
}

void TFormOptions::AutoUpdate_CheckClick()
{
    if (AutoUpdate_Check->isChecked()) {
        UseAutoUpdate = true;
    } else {
        UseAutoUpdate = false;
        IniFile->WriteBool("Settings", "UseAutoUpdateEvery", false);
    }
}

void TFormOptions::CheckBoxCopyTrackPropLastClick()
{
    if (CheckBoxCopyTrackPropLast->isChecked())
        CheckBoxCopyTrackPropClip->setChecked(false);
}

void TFormOptions::CheckBoxCopyTrackPropClipClick()
{
    if (CheckBoxCopyTrackPropClip->isChecked())
        CheckBoxCopyTrackPropLast->setChecked(false);
}

void TFormOptions::edArrowStepSizeChange()
{
    // Only a step the arrows can use counts; OK refuses anything else.
    long long centimetres = 0;
    if (ParseWholeNumber(QToAnsi(edArrowStepSize->text()), centimetres) && centimetres >= MinArrowStep &&
        centimetres <= MaxArrowStep)
        ArrowStepSize = static_cast<double>(centimetres) / 100.0;
}

void TFormOptions::bBrowseLanguageFileClick()
{
    TFileDialogParams p;
    p.Title = "select language file";
    p.Filter = "Language File|*.lng";
    p.InitialDir = ExePath;
    p.FileName = ExePath + QToNative(edDefLanguage->text());
    if (PromptForOpenFile(p))
        edDefLanguage->setText(NativeToQ(ExtractFileName(p.FileName)));
}

void TFormOptions::BveFolderSearchButtonClick() { ShowBveFolderDialog(); }

void TFormOptions::Btn_OKClick()
{
    // Every number is checked before anything is written.
    int step = 0, distance = 0, maxCurve = 0, minCurve = 0;
    if (!ReadWholeEdit(edArrowStepSize, "lArrowStepSize", MinArrowStep, MaxArrowStep, step) ||
        !ReadWholeEdit(edDistanceBeyondLast, "lDistanceBeyondLast", 0, 100000, distance) ||
        !ReadWholeEdit(edMaxCurveSmooth, "lMaxCurveSmooth", 1, 1000000, maxCurve) ||
        !ReadWholeEdit(edShortestCurve, "lShortestCurve", 1, 1000000, minCurve))
        return;
    ArrowStepSize = step / 100.0;

    // The copy-property boxes take effect like every other box of the dialog.
    CopyPropLast = CheckBoxCopyTrackPropLast->isChecked();
    CopyPropClip = CheckBoxCopyTrackPropClip->isChecked();

    // The settings take effect for this session even when the file keeps
    // its old ones (write-protected, disk full); the user is told so.
    const bool saved = IniFile->WriteString("Settings", "DefaultLanguage", QToAnsi(edDefLanguage->text())) &&
                       IniFile->WriteString("Settings", "ObjectFolder", QToAnsi(edObjFolder->text())) &&
                       IniFile->WriteBool("Settings", "UseStructureViewer", UseStructureViewer) &&
                       IniFile->WriteBool("Settings", "UseDevelopermod", UseDeveloperMod) &&
                       IniFile->WriteBool("Settings", "UseAutoUpdateEvery", UseAutoUpdate) &&
                       IniFile->WriteBool("TrackAdding", "CopyPropLast", CopyPropLast) &&
                       IniFile->WriteBool("TrackAdding", "CopyPropClip", CopyPropClip) &&
                       IniFile->WriteBool("editor", "fit4m", cbFit4m->isChecked()) &&
                       IniFile->WriteBool("editor", "minlength", cbMinimumlength->isChecked()) &&
                       IniFile->WriteFloat("editor", "ArrowStepSize", ArrowStepSize) &&
                       IniFile->WriteBool("editor", "newconnfixed", cbNewConnFixed->isChecked()) &&
                       IniFile->WriteInteger("export", "distancebeyondlast", distance) &&
                       IniFile->WriteInteger("export", "maxcurvesmooth", maxCurve) &&
                       IniFile->WriteInteger("export", "mincurvesmooth", minCurve) &&
                       IniFile->WriteBool("export", "CurvedSecondary", cbCurvedSecondary->isChecked());
    if (!saved)
        MessageDlg(WriteFailedMessage("toptions_save_failed", IniFile->FileName(), errno), mtError, mbOK);

    DistanceBeyondLast = distance;
    MaxCurveSmooth = maxCurve;
    MinCurveSmooth = minCurve;
    CurvedSecondary = cbCurvedSecondary->isChecked();
    NewConnFixed = cbNewConnFixed->isChecked();
    Fit4m = cbFit4m->isChecked();
    MinLength = cbMinimumlength->isChecked();
    accept();
}

void TFormOptions::Btn_CancelClick() { reject(); }
