#include "editor/formexport.h"

#include "editor/appforms.h"
#include "editor/formmain.h"
#include "editor/formoptions.h"
#include "editor/formtracktypes.h"
#include "editor/formtrain.h"
#include "editor/frmeditor.h"
#include "editor/minimapcanvas.h"
#include "editor/msginisupp.h"
#include "editor/numberfields.h"
#include "editor/vclwidgets.h"
#include "export/vlexport.h"
#include "model/vlminimap.h"
#include "model/vlobject.h"
#include "model/vlproject.h"
#include "platform/codepage.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <memory>

TFormExport* FormExport = nullptr;

namespace {

const char* const CreditsHeader[] = {
    "credits -- freeobject artists",
    "used with kind permission/free-to-use-donations/",
    "by velkast object base library agreement",
    "-------------------------------------------------------------",
};

// A message of the language file with a detail line (a path, a file list)
// after it.
std::string MessageWith(const std::string& key, const std::string& detail)
{
    return GetMessageText(key) + detail;
}

// Native (UTF-8) names shown in ANSI message boxes.
std::string ShownPath(const std::string& path) { return Utf8ToAnsi(path); }

// An entry of the writer's file list ("folder\file") that names a file below
// the object library, not above or beside it.
bool IsRelativeEntry(const std::string& entry)
{
    const std::string native = ToNativePath(entry);
    if (native.empty() || native[0] == '/' || native.find(':') != std::string::npos)
        return false;
    std::size_t start = 0;
    while (start <= native.size()) {
        std::size_t end = native.find('/', start);
        if (end == std::string::npos)
            end = native.size();
        const std::string part = native.substr(start, end - start);
        if (part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

// The warning after an export that left objects out: how many, and each
// name once with the number of its objects.
std::string LeftOutMessage(const TStrings& leftOut)
{
    std::string text = GetMessageText("texport_left_out");
    const std::size_t at = text.find("%d");
    if (at != std::string::npos)
        text.replace(at, 2, std::to_string(leftOut.size()));
    std::vector<std::pair<std::string, int>> names;
    for (const std::string& name : leftOut) {
        auto same = [&](const auto& n) { return SameText(n.first, name); };
        if (auto it = std::find_if(names.begin(), names.end(), same); it != names.end())
            ++it->second;
        else
            names.emplace_back(name, 1);
    }
    TStrings lines;
    for (const auto& [name, count] : names)
        lines.push_back(count > 1 ? name + " (" + std::to_string(count) + ")" : name);
    return text + JoinLines(lines);
}

class TOptionsExportSettings : public IExportSettings {
public:
    int DistanceBeyondLast() const override
    {
        return FormOptions ? FormOptions->DistanceBeyondLast : FDefaults.DistanceBeyondLast();
    }
    int MaxCurveSmooth() const override
    {
        return FormOptions ? FormOptions->MaxCurveSmooth : FDefaults.MaxCurveSmooth();
    }
    int MinCurveSmooth() const override
    {
        return FormOptions ? FormOptions->MinCurveSmooth : FDefaults.MinCurveSmooth();
    }
    bool CurvedSecondary() const override
    {
        return FormOptions ? FormOptions->CurvedSecondary : FDefaults.CurvedSecondary();
    }
    std::string GetObjectFolder() const override
    {
        return FormOptions ? FormOptions->GetObjectFolder() : FDefaults.GetObjectFolder();
    }

private:
    TDefaultExportSettings FDefaults;
};

class TTrackTypesLink : public ITrackTypes {
public:
    std::string GetTrackObject(int typeIndex, int radius) const override
    {
        std::string file;
        FormTrackTypes->GetTrackObject(typeIndex, radius, file);
        return file;
    }
    int GetRunSound(const std::string& objectFile) const override { return FormTrackTypes->GetRunSound(objectFile); }
};

class TMessageLink : public IMessageLookup {
public:
    std::string GetMessage(const std::string& key) const override { return GetMessageText(key); }
};

std::string ProgramRoot()
{
    return FormOptions ? FormOptions->ExePath : ProgramFolder();
}

std::string LibraryFolder()
{
    TOptionsExportSettings settings;
    return DiskPath(ProgramRoot(), settings.GetObjectFolder()) + "/";
}

class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
};

QLabel* NamedLabel(const char* text, QWidget* parent, const char* name)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(name);
    return label;
}

QComboBox* DropDownList(QWidget* parent, const char* name)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(false);
    return combo;
}

} // namespace

// ---------------------------------------------------------------------------

// The writer's view of the dialog's progress page.
class TFormExport::TProgressLink : public IExportProgress {
public:
    explicit TProgressLink(TFormExport* form) : FForm(form) {}
    void SetStatusText(const std::string& text) override { FForm->ExportStatusText->setText(AnsiToQ(text)); }
    void SetStatusProgress(int percent) override { FForm->ExportStatusProgress->setValue(percent); }
    void SetProgress2(int percent) override { FForm->ProgressBar2->setValue(percent); }
    void ProcessMessages() override
    {
        FForm->FlushStatus();
        QCoreApplication::processEvents();
    }
    void ShowError(const std::string& text) override { MessageDlg(text, mtError, mbCancel); }

private:
    TFormExport* FForm;
};

// ---------------------------------------------------------------------------

TExportPaintBox::TExportPaintBox(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(160, 120);
    FSurface = QImage(size(), QImage::Format_RGB32);
    FSurface.fill(Qt::white);
}

QImage& TExportPaintBox::Surface() { return FSurface; }

void TExportPaintBox::Clear()
{
    FSurface.fill(Qt::white);
    update();
}

void TExportPaintBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, FSurface);
}

void TExportPaintBox::resizeEvent(QResizeEvent* event)
{
    QImage surface(size(), QImage::Format_RGB32);
    surface.fill(Qt::white);
    QPainter(&surface).drawImage(0, 0, FSurface);
    FSurface = surface;
    QWidget::resizeEvent(event);
}

// ---------------------------------------------------------------------------

TFormExport::TFormExport(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormExport");
    setWindowTitle("Export project...");

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    // The pages are switched by the export itself, never by the user.
    PageControl1->tabBar()->hide();
    // Its scroll buttons are Qt's own, not texts of this window.
    SetTranslatable(PageControl1->tabBar(), false);

    // Page 0: the choices.
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName("TabSheet1");
    PageControl1->addTab(TabSheet1, "Settings");
    lRoutes = NamedLabel("Route Definition to export", TabSheet1, "lRoutes");
    export_set_Routes = DropDownList(TabSheet1, "export_set_Routes");
    lTrains = NamedLabel("Train", TabSheet1, "lTrains");
    export_set_Trains = DropDownList(TabSheet1, "export_set_Trains");
    lStartStation = NamedLabel("Start station", TabSheet1, "lStartStation");
    cbStartStation = DropDownList(TabSheet1, "cbStartStation");
    lNextStation = NamedLabel("Destination (in RouteDef)", TabSheet1, "lNextStation");
    cbNextStation = DropDownList(TabSheet1, "cbNextStation");
    cbSmoothing = new QCheckBox("Track Layout smoothing", TabSheet1);
    cbSmoothing->setObjectName("cbSmoothing");
    cbSmoothing->setChecked(true);
    leSubdir = new TLabeledEdit(TabSheet1, "leSubdir");
    leSubdir->EditLabel()->setText("Subdirectory");
    leSubdir->setToolTip("for railway/route/... and railway/object/...");
    leRoutefilename = new TLabeledEdit(TabSheet1, "leRoutefilename");
    leRoutefilename->EditLabel()->setText("Route filename (I add .csv)");
    leDepartureTime = new TLabeledEdit(TabSheet1, "leDepartureTime");
    leDepartureTime->EditLabel()->setText("Departure Time");
    leDepartureTime->SetText("09:00");
    bTimetable = new QPushButton("&timetable...", TabSheet1);
    bTimetable->setObjectName("bTimetable");
    bTimetable->setEnabled(false);
    bTimetable->setAutoDefault(false);
    ExportBtn = new QPushButton("Export", TabSheet1);
    ExportBtn->setObjectName("ExportBtn");
    ExportBtn->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(lRoutes, 0, 0);
    grid->addWidget(export_set_Routes, 0, 1);
    grid->addWidget(lTrains, 1, 0);
    grid->addWidget(export_set_Trains, 1, 1);
    grid->addWidget(lStartStation, 2, 0);
    grid->addWidget(cbStartStation, 2, 1);
    grid->addWidget(lNextStation, 3, 0);
    grid->addWidget(cbNextStation, 3, 1);
    grid->addWidget(cbSmoothing, 4, 0, 1, 2);
    auto* edits = new QHBoxLayout;
    edits->addWidget(leSubdir);
    edits->addWidget(leRoutefilename);
    edits->addWidget(leDepartureTime);
    auto* page0Buttons = new QHBoxLayout;
    page0Buttons->addWidget(bTimetable);
    page0Buttons->addStretch();
    page0Buttons->addWidget(ExportBtn);
    auto* page0 = new QVBoxLayout(TabSheet1);
    page0->addLayout(grid);
    page0->addLayout(edits);
    page0->addStretch();
    page0->addLayout(page0Buttons);

    // Page 1: the export under way.
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName("TabSheet2");
    PageControl1->addTab(TabSheet2, "Exporting");
    lNowExporting = NamedLabel("Now exporting for BVE...", TabSheet2, "lNowExporting");
    ExportStatusText = NamedLabel("...", TabSheet2, "ExportStatusText");
    ExportStatusProgress = new QProgressBar(TabSheet2);
    ExportStatusProgress->setObjectName("ExportStatusProgress");
    ExportStatusProgress->setRange(0, 100);
    ExportStatusProgress->setValue(0);
    ProgressBar2 = new QProgressBar(TabSheet2);
    ProgressBar2->setObjectName("ProgressBar2");
    ProgressBar2->setRange(0, 100);
    ProgressBar2->setValue(0);
    MemoStatus = new QPlainTextEdit(TabSheet2);
    MemoStatus->setObjectName("MemoStatus");
    MemoStatus->setReadOnly(true);
    PaintBox1 = new TExportPaintBox(TabSheet2);
    PaintBox1->setObjectName("PaintBox1");
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(MemoStatus, 1);
    progressRow->addWidget(PaintBox1, 1);
    auto* page1 = new QVBoxLayout(TabSheet2);
    page1->addWidget(lNowExporting);
    page1->addWidget(ExportStatusText);
    page1->addWidget(ExportStatusProgress);
    page1->addWidget(ProgressBar2);
    page1->addLayout(progressRow, 1);

    // Page 2: the result and what to do with it.
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName("TabSheet3");
    PageControl1->addTab(TabSheet3, "Completed");
    lExportCompleted = NamedLabel("Export completed.", TabSheet3, "lExportCompleted");
    lFilelist = NamedLabel("File list", TabSheet3, "lFilelist");
    lbFilelist = new QListWidget(TabSheet3);
    lbFilelist->setObjectName("lbFilelist");
    MemoStatus1 = new QPlainTextEdit(TabSheet3);
    MemoStatus1->setObjectName("MemoStatus1");
    MemoStatus1->setReadOnly(true);
    lCopy = NamedLabel("Filecopy in progress...", TabSheet3, "lCopy");
    lCopy->hide();
    ProgressBarCopy = new QProgressBar(TabSheet3);
    ProgressBarCopy->setObjectName("ProgressBarCopy");
    ProgressBarCopy->setRange(0, 100);
    ProgressBarCopy->hide();
    cbCopyfiles = new QCheckBox("&copy files to my BVE folder", TabSheet3);
    cbCopyfiles->setObjectName("cbCopyfiles");
    cbCopyfiles->setChecked(true);
    cbRunBVE = new QCheckBox("&run BVE in developer mode when finished", TabSheet3);
    cbRunBVE->setObjectName("cbRunBVE");
    cbRunPackageWizard = new QCheckBox("run &package wizard", TabSheet3);
    cbRunPackageWizard->setObjectName("cbRunPackageWizard");
    cbRunPackageWizard->setEnabled(HasPackageHandler());
    bClose = new QPushButton("&Finish", TabSheet3);
    bClose->setObjectName("bClose");
    bClose->setAutoDefault(false);

    auto* lists = new QHBoxLayout;
    auto* fileColumn = new QVBoxLayout;
    fileColumn->addWidget(lFilelist);
    fileColumn->addWidget(lbFilelist, 1);
    lists->addLayout(fileColumn, 1);
    lists->addWidget(MemoStatus1, 1);
    auto* page2Buttons = new QHBoxLayout;
    page2Buttons->addStretch();
    page2Buttons->addWidget(bClose);
    auto* page2 = new QVBoxLayout(TabSheet3);
    page2->addWidget(lExportCompleted);
    page2->addLayout(lists, 1);
    page2->addWidget(lCopy);
    page2->addWidget(ProgressBarCopy);
    page2->addWidget(cbCopyfiles);
    page2->addWidget(cbRunBVE);
    page2->addWidget(cbRunPackageWizard);
    page2->addLayout(page2Buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    resize(600, 440);

    connect(export_set_Routes, &QComboBox::activated, this, [this] { export_set_RoutesChange(); });
    connect(cbStartStation, &QComboBox::activated, this, [this] { cbStartStationChange(); });
    connect(cbNextStation, &QComboBox::activated, this, [this] { cbNextStationChange(); });
    connect(ExportBtn, &QPushButton::clicked, this, &TFormExport::ExportBtnClick);
    connect(bClose, &QPushButton::clicked, this, &TFormExport::bCloseClick);
    connect(cbRunPackageWizard, &QCheckBox::clicked, this, &TFormExport::cbRunPackageWizardClick);

    // The project goes away with the editor frame's; forget it then.
    if (FormMain && FormMain->FrmEditor)
        connect(FormMain->FrmEditor, &TFrmEditor::ProjectClosing, this, [this](TVLProject* project) {
            if (Project == project)
                Project = nullptr;
            // The next project starts from the window's own defaults.
            leRoutefilename->SetText(std::string());
            leDepartureTime->SetText("09:00");
        });
}

TFormExport::~TFormExport() = default;

void TFormExport::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

int TFormExport::ActivePage() const { return PageControl1->currentIndex(); }

void TFormExport::ShowPage(int page)
{
    PageControl1->setCurrentIndex(page);
    ExportBtn->setDefault(page == 0);
    bClose->setDefault(page == 2);
}

void TFormExport::FormShow()
{
    export_set_Routes->clear();
    cbStartStation->clear();
    cbNextStation->clear();
    if (Project) {
        TStrings captions;
        Project->GetRouteDefinitionList(&captions);
        for (const std::string& caption : captions)
            export_set_Routes->addItem(AnsiToQ(caption));
        export_set_Routes->setCurrentIndex(export_set_Routes->count() > 0 ? 0 : -1);
        export_set_RoutesChange();
    }
    cbStartStation->setCurrentIndex(cbStartStation->count() > 0 ? 0 : -1);
    cbNextStation->setCurrentIndex(cbNextStation->count() > 0 ? 0 : -1);
    cbStartStationChange();

    ShowPage(0);
    export_set_Trains->clear();
    if (FormTrain) {
        // The trains may have changed, or the BVE folder been chosen, since
        // the train browser last looked.
        FormTrain->FillTrainList();
        for (const std::string& train : FormTrain->TrainNames())
            export_set_Trains->addItem(AnsiToQ(train), QByteArray::fromStdString(train));
    }
    // A single train is the only choice there is.
    export_set_Trains->setCurrentIndex(export_set_Trains->count() == 1 ? 0 : -1);

    leSubdir->SetText(Project ? Project->RouteFilesSubDir : std::string());
    ExportStatusText->setText(QString());
    ExportStatusProgress->setValue(0);
}

void TFormExport::export_set_RoutesChange()
{
    if (!Project)
        return;
    TVLRouteDefinition* routeDefinition = Project->RouteDefinitions.Items(export_set_Routes->currentIndex());
    if (!routeDefinition)
        return;
    cbStartStation->clear();
    cbNextStation->clear();
    TStrings names;
    Project->GetStationsOfRoute(routeDefinition, names);
    for (const std::string& name : names) {
        // The exact bytes of the name go along: the writer's station is found by them.
        cbStartStation->addItem(AnsiToQ(name), QByteArray::fromStdString(name));
        cbNextStation->addItem(AnsiToQ(name), QByteArray::fromStdString(name));
    }
    cbStartStation->setCurrentIndex(-1);
    cbNextStation->setCurrentIndex(-1);
}

void TFormExport::MoveSelectionAway(QComboBox* mover, const QComboBox* other)
{
    const int count = mover->count();
    while ((mover->currentIndex() == other->currentIndex() || mover->currentIndex() < 0) && count > 1)
        mover->setCurrentIndex((mover->currentIndex() + 1) % count);
}

void TFormExport::cbStartStationChange() { MoveSelectionAway(cbNextStation, cbStartStation); }

void TFormExport::cbNextStationChange() { MoveSelectionAway(cbStartStation, cbNextStation); }

void TFormExport::cbRunPackageWizardClick()
{
    if (cbRunPackageWizard->isChecked())
        cbCopyfiles->setChecked(true);
    cbCopyfiles->setEnabled(!cbRunPackageWizard->isChecked());
}

long long TFormExport::ParseDepartureTime(const std::string& text)
{
    long long seconds = 0;
    return ReadDepartureTime(text, seconds) ? seconds : 9 * 3600;
}

bool TFormExport::ReadDepartureTime(const std::string& text, long long& seconds)
{
    const bool fallback = false;
    const std::string t = Trim(text);
    int fields[3] = {0, 0, 0};
    int count = 0;
    std::size_t i = 0;
    while (count < 3) {
        std::size_t start = i;
        int value = 0;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9' && i - start < 2)
            value = value * 10 + (t[i++] - '0');
        if (i == start)
            return fallback;
        fields[count++] = value;
        if (i == t.size())
            break;
        if (t[i] != ':')
            return fallback;
        ++i;
    }
    if (i != t.size() || count < 2)
        return fallback;
    if (fields[0] > 23 || fields[1] > 59 || fields[2] > 59)
        return fallback;
    seconds = fields[0] * 3600LL + fields[1] * 60LL + fields[2];
    return true;
}

bool TFormExport::IsPlainName(const std::string& name)
{
    if (name.empty())
        return false;
    bool onlyDotsAndBlanks = true;
    for (unsigned char c : name) {
        if (c < 0x20 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
            c == '>' || c == '|')
            return false;
        if (c != '.' && c != ' ')
            onlyDotsAndBlanks = false;
    }
    // ".", ".." and the like name the folder itself or its parent (Windows
    // also drops trailing dots and blanks, leaving nothing).
    return !onlyDotsAndBlanks;
}

std::string TFormExport::Sub() const { return leSubdir->Text(); }

std::string TFormExport::Name() const { return leRoutefilename->Text(); }

std::string TFormExport::BveFolder() const { return FormOptions ? FormOptions->BveFolder : std::string(); }

std::string TFormExport::RouteFolder() const
{
    return DiskPath(BveFolder(), "railway\\route\\" + Sub()) + "/";
}

std::string TFormExport::ObjectFolder() const
{
    return DiskPath(BveFolder(), "railway\\object\\" + Sub()) + "/";
}

bool TFormExport::CheckBveFolder()
{
    if (!BveFolder().empty())
        return true;
    if (FormOptions)
        return FormOptions->CheckBveFolder() && !BveFolder().empty();
    MessageDlg(GetMessageText("texport_no_bvefolder"), mtWarning, mbOK);
    return false;
}

bool TFormExport::CheckNames()
{
    if (IsPlainName(Sub()) && IsPlainName(Name()))
        return true;
    MessageDlg(GetMessageText("texport_bad_name"), mtWarning, mbOK);
    return false;
}

void TFormExport::FlushStatus()
{
    for (; FShownStatus < static_cast<int>(StatusLines.size()); ++FShownStatus)
        MemoStatus->appendPlainText(AnsiToQ(StatusLines[static_cast<std::size_t>(FShownStatus)]));
}

void TFormExport::reject()
{
    if (!FExporting)
        QDialog::reject();
}

void TFormExport::ExportBtnClick()
{
    if (FExporting)
        return;
    if (Name().empty()) {
        MessageDlg(GetMessageText("texport_no_filename"), mtWarning, mbOK);
        return;
    }
    if (Sub().empty()) {
        MessageDlg(GetMessageText("texport_no_dir"), mtWarning, mbOK);
        return;
    }
    if (!CheckNames())
        return;
    if (!Project) {
        MessageDlg(GetMessageText("tmain_no_pr"), mtWarning, mbOK);
        return;
    }
    const int routeIndex = export_set_Routes->currentIndex();
    if (!Project->RouteDefinitions.Items(routeIndex)) {
        MessageDlg(GetMessageText("tmain_no_rd"), mtWarning, mbOK);
        return;
    }
    // The writer needs two different stations of the route definition.
    if (cbStartStation->currentIndex() < 0 || cbNextStation->currentIndex() < 0) {
        MessageDlg(GetMessageText("texport_no_stations"), mtWarning, mbOK);
        return;
    }
    const std::string startName = cbStartStation->currentData().toByteArray().toStdString();
    const std::string destName = cbNextStation->currentData().toByteArray().toStdString();
    if (startName == destName) {
        MessageDlg(GetMessageText("texport_same_station"), mtWarning, mbOK);
        return;
    }
    // The route file names the train's folder; without one the simulator
    // has no train to run.
    if (export_set_Trains->currentIndex() < 0 || export_set_Trains->currentText().trimmed().isEmpty()) {
        MessageDlg(GetMessageText("texport_no_train"), mtWarning, mbOK);
        return;
    }
    long long departure = 0;
    if (!ReadDepartureTime(leDepartureTime->Text(), departure)) {
        const TNumberFieldTexts texts = NumberFieldTexts();
        RefuseField(leDepartureTime->Edit(), leDepartureTime->EditLabel()->text(),
                    AllowedRange(texts, "0:00", "23:59:59"), texts);
        return;
    }

    ShowPage(1);
    ExportStatusText->setText("Initializing...");
    PaintBox1->Clear();
    ExportDone = false;

    TProgressLink progress(this);
    TOptionsExportSettings settings;
    TTrackTypesLink trackTypes;
    TMessageLink messages;
    TExportServices services;
    services.Progress = &progress;
    services.Settings = &settings;
    services.TrackTypes = FormTrackTypes ? &trackTypes : nullptr;
    services.Messages = &messages;
    services.ProgramFolder = ProgramRoot();
    // Object sizes are read from the library the options name now.
    ObjectsRoot = LibraryFolder();

    auto writer = std::make_unique<TVLExport_Mod>(cbSmoothing->isChecked(), services);
    writer->OnRouteProgress = [this](const std::vector<TVLConnection*>& list) { DrawProgressMap(list); };
    writer->FileList = &FileListLines;
    writer->Output = &RouteFileLines;
    writer->Project = Project;
    writer->Status = &StatusLines;
    for (TVLStation* station : Project->Stations) {
        if (station->Name == startName)
            writer->StartStation = station;
        if (station->Name == destName)
            writer->DestStation = station;
    }
    writer->DepartureTime = departure;

    StatusLines.clear();
    FShownStatus = 0;
    MemoStatus->clear();
    CreditsLines.assign(std::begin(CreditsHeader), std::end(CreditsHeader));
    lbFilelist->clear();

    bool done = false;
    FExporting = true;
    try {
        TWaitCursor wait;
        done = writer->Export(QToAnsi(export_set_Trains->currentText()), Sub(), routeIndex);
    } catch (const std::exception& e) {
        FExporting = false;
        FlushStatus();
        MessageDlg(e.what(), mtError, mbOK);
        ShowPage(0);
        return;
    }
    FExporting = false;
    FlushStatus();
    if (!done) {
        // The writer said why; there is no route file to copy.
        ShowPage(0);
        return;
    }
    ExportDone = true;
    CreditsLines.insert(CreditsLines.end(), writer->Credits.begin(), writer->Credits.end());
    const TStrings leftOut = writer->LeftOut;
    writer.reset();

    for (const std::string& entry : FileListLines)
        lbFilelist->addItem(AnsiToQ(entry));
    lCopy->hide();
    ProgressBarCopy->hide();
    MemoStatus1->setPlainText(MemoStatus->toPlainText());
    ShowPage(2);
    if (!leftOut.empty())
        MessageDlg(LeftOutMessage(leftOut), mtWarning, mbOK);
}

bool TFormExport::CopyToBveFolder()
{
    if (!ExportDone || !CheckBveFolder() || !CheckNames())
        return false;
    lCopy->show();
    ProgressBarCopy->show();
    ProgressBarCopy->setValue(0);

    const std::string routeDir = RouteFolder();
    const std::string objDir = ObjectFolder();
    ForceDirectories(routeDir);
    ForceDirectories(objDir);

    for (const auto& [file, lines] : {std::pair{DiskPath(routeDir, Name() + ".csv"), &RouteFileLines},
                                      std::pair{DiskPath(routeDir, Name() + "_credits.txt"), &CreditsLines}}) {
        if (!SaveLines(file, *lines)) {
            MessageDlg(WriteFailedMessage("texport_write_failed", file, errno), mtError, mbOK);
            return false;
        }
    }

    const std::string library = LibraryFolder();
    TStrings failed;
    const int n = static_cast<int>(FileListLines.size());
    for (int i = 0; i < n; ++i) {
        ProgressBarCopy->setValue(i * 100 / n);
        QCoreApplication::processEvents();
        const std::string& entry = FileListLines[static_cast<std::size_t>(i)];
        if (!IsRelativeEntry(entry)) {
            failed.push_back(entry);
            continue;
        }
        const std::string target = DiskPath(objDir, entry);
        ForceDirectories(ExtractFilePath(target));
        if (!CopyFile(DiskPath(library, entry), target, false))
            failed.push_back(entry);
    }
    ProgressBarCopy->setValue(100);
    if (!failed.empty()) {
        MessageDlg(MessageWith("texport_copy_failed", JoinLines(failed)), mtWarning, mbOK);
        return false;
    }
    return true;
}

bool TFormExport::StartDevelopermode()
{
    if (FormOptions && !FormOptions->UseDeveloperMod)
        return true;
    if (!CheckBveFolder())
        return false;
    const std::string bve = IncludeTrailingPathDelimiter(BveFolder());
    const std::string program = ResolvePathCase(bve + "Bve.exe");
    const std::string routeDir = RouteFolder();
    const std::string routeFile = DiskPath(routeDir, Name() + ".csv");
    const std::string parameters =
        "\"" + routeFile + "\" /d=" + std::to_string(Project ? Project->DeveloperId : 0);
    if (!FileExists(program) || !ShellOpen(program, parameters, ExcludeTrailingPathDelimiter(routeDir))) {
        MessageDlg(MessageWith("texport_no_bve", ShownPath(program)), mtWarning, mbOK);
        return false;
    }
    return true;
}

void TFormExport::bCloseClick()
{
    if (cbCopyfiles->isChecked() && !CopyToBveFolder())
        return;
    if (cbRunBVE->isChecked())
        StartDevelopermode();
    if (cbRunPackageWizard->isChecked() && cbRunPackageWizard->isEnabled() && HasPackageHandler() &&
        Project) {
        TPackageRequest request;
        request.ObjectFiles = FileListLines;
        request.RouteFiles = {Name() + ".csv", Name() + "_credits.txt"};
        request.RouteDir = Sub();
        request.RouteName = Project->ProjectName;
        request.PicturePath = Project->LogoPath;
        request.Author = Project->Author;
        request.Homepage = Project->HomepageUrl;
        request.Description = Project->Description;
        request.Root = IncludeTrailingPathDelimiter(ProgramRoot());
        request.Credits = Project->Credits;
        RunPackageHandler(request);
    }
    accept();
}

void TFormExport::DrawProgressMap(const std::vector<TVLConnection*>& list)
{
    if (!Project)
        return;
    TVLMiniMap map;
    map.ShowPoints = false;
    map.Project = Project;
    map.CalcBounds(Project->Connections);
    QImage& surface = PaintBox1->Surface();
    map.MapRect = {0, 0, surface.width(), surface.height()};
    if (map.MapRect.Width() > 0) {
        QPainter painter(&surface);
        TQPainterMiniMapCanvas canvas(painter);
        map.Draw(canvas, list);
    }
    PaintBox1->update();
}
