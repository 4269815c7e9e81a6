#include "editor/formreplace.h"

#include "editor/formmain.h"
#include "editor/formoptions.h"
#include "editor/formtracktypes.h"
#include "editor/frmeditor.h"
#include "editor/msginisupp.h"
#include "editor/vclwidgets.h"
#include "model/currentsituation.h"
#include "model/vlcatalogs.h"
#include "model/vlconnection.h"
#include "model/vlhelpers.h"
#include "model/vlproject.h"
#include "platform/paths.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cstdlib>

TFormReplace* FormReplace = nullptr;

namespace {

template <class T>
T* Named(T* object, const char* name)
{
    object->setObjectName(name);
    return object;
}

// The catalog lines of the library for a search type; the track types'
// names for stTrack.
TStrings ValueLines(int searchType)
{
    const std::string program = ProgramFolder();
    const std::string folder = FormOptions ? FormOptions->GetObjectFolder() : std::string("lib");
    TStrings lines;
    switch (searchType) {
    case TFormReplace::stTrack:
        if (FormTrackTypes)
            FormTrackTypes->FillTrackNames(lines);
        break;
    case TFormReplace::stGround:
        lines = TVLGroundTexturelist(program, folder).Lines;
        break;
    case TFormReplace::stPlatform:
        lines = TVLPlatformlist(program, folder).Lines;
        break;
    case TFormReplace::stBackground:
        lines = TVLBackgroundTexturelist(program, folder).Lines;
        break;
    case TFormReplace::stPoles:
        lines = TVLCatenaryPoleList(program, folder).Lines;
        break;
    case TFormReplace::stWallLeft:
    case TFormReplace::stWallRight:
        lines = TVLWalllist(program, folder).Lines;
        break;
    default:
        break;
    }
    return lines;
}

// The field a search type compares and sets; poles compare their magnitude.
int* Field(TVLConnection& c, int searchType)
{
    switch (searchType) {
    case TFormReplace::stTrack:
        return &c.TrackType;
    case TFormReplace::stGround:
        return &c.GroundId;
    case TFormReplace::stPlatform:
        return &c.PlatformId;
    case TFormReplace::stBackground:
        return &c.BackgroundId;
    case TFormReplace::stPoles:
        return &c.Pole;
    case TFormReplace::stWallLeft:
        return &c.WallLeftId;
    case TFormReplace::stWallRight:
        return &c.WallRightId;
    default:
        return nullptr;
    }
}

} // namespace

TFormReplace::TFormReplace(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormReplace");
    setWindowTitle("Replace");
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    lSearchType = Named(new QLabel("Search type", this), "lSearchType");
    cbSearchType = Named(new QComboBox(this), "cbSearchType");
    cbSearchType->addItems({"Track", "Ground", "Platform", "Background", "Poles", "Wall left", "Wall right"});
    cbSearchType->setCurrentIndex(-1);
    lSearchfor = Named(new QLabel("search for", this), "lSearchfor");
    cbSearchfor = Named(new QComboBox(this), "cbSearchfor");
    lReplaceby = Named(new QLabel("replace by", this), "lReplaceby");
    cbReplaceby = Named(new QComboBox(this), "cbReplaceby");
    for (QComboBox* list : {cbSearchfor, cbReplaceby})
        list->setMinimumContentsLength(28);
    grid->addWidget(lSearchType, 0, 0);
    grid->addWidget(cbSearchType, 0, 1);
    grid->addWidget(lSearchfor, 1, 0);
    grid->addWidget(cbSearchfor, 1, 1);
    grid->addWidget(lReplaceby, 2, 0);
    grid->addWidget(cbReplaceby, 2, 1);
    layout->addLayout(grid);

    GroupBox1 = Named(new QGroupBox("Scope restriction", this), "GroupBox1");
    auto* scope = new QVBoxLayout(GroupBox1);
    cbRouteDefinition = Named(new QCheckBox("current Route Definition", GroupBox1), "cbRouteDefinition");
    cbSelArea = Named(new QCheckBox("selected &area", GroupBox1), "cbSelArea");
    scope->addWidget(cbRouteDefinition);
    scope->addWidget(cbSelArea);
    layout->addWidget(GroupBox1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    bReplace = Named(new QPushButton("&Replace", this), "bReplace");
    bReplace->setDefault(true);
    bCancel = Named(new QPushButton("&Close", this), "bCancel");
    bCancel->setAutoDefault(false);
    buttons->addWidget(bReplace);
    buttons->addWidget(bCancel);
    layout->addLayout(buttons);
    ProgressBar1 = Named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    layout->addWidget(ProgressBar1);
    StatusBar1 = new TStatusBar(this, "StatusBar1");
    StatusBar1->AddPanel("", 300);
    StatusBar1->setSizeGripEnabled(false);
    layout->addWidget(StatusBar1);

    connect(cbSearchType, &QComboBox::currentIndexChanged, this, &TFormReplace::cbSearchTypeChange);
    connect(bReplace, &QPushButton::clicked, this, [this] { bReplaceClick(); });
    connect(bCancel, &QPushButton::clicked, this, &TFormReplace::bCancelClick);

    if (FormMain && FormMain->FrmEditor) {
        connect(FormMain->FrmEditor, &TFrmEditor::ProjectClosing, this, [this](TVLProject* project) {
            if (Project == project)
                Project = nullptr;
        });
    }
}

void TFormReplace::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TFormReplace::FormShow()
{
    cbRouteDefinition->setEnabled(CurrentSituation.CurrentRouteDefinition != nullptr);
}

void TFormReplace::cbSearchTypeChange()
{
    const TStrings lines = ValueLines(cbSearchType->currentIndex());
    for (QComboBox* list : {cbSearchfor, cbReplaceby}) {
        const QSignalBlocker block(list);
        list->clear();
        for (const auto& line : lines)
            list->addItem(AnsiToQ(line));
        list->setCurrentIndex(list->count() > 0 ? 0 : -1);
    }
}

bool TFormReplace::ItemValue(const QComboBox* list, int& value) const
{
    const int index = list->currentIndex();
    if (index < 0 || index >= list->count())
        return false;
    if (cbSearchType->currentIndex() == stTrack) {
        value = index;
        return true;
    }
    const std::string line = QToAnsi(list->itemText(index));
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    // Only a whole number before the "=" is an id.
    const std::string_view name = std::string_view(line).substr(0, eq);
    value = StrToIntDef(name, 0);
    return value == StrToIntDef(name, 1);
}

bool TFormReplace::InScope(const TVLConnection& c) const
{
    if (CurrentSituation.CurrentRouteDefinition && cbRouteDefinition->isChecked() && !Project->IsInRoute(&c, 0))
        return false;
    if (cbSelArea->isChecked() &&
        (!InBox(c.StartPosition(), CurrentSituation.SelectionStart, CurrentSituation.SelectionEnd) ||
         !InBox(c.EndPosition(), CurrentSituation.SelectionStart, CurrentSituation.SelectionEnd)))
        return false;
    return true;
}

int TFormReplace::bReplaceClick()
{
    if (!Project || Project->Connections.Count() == 0) {
        StatusBar1->SetPanelText(0, "no connections in project");
        return 0;
    }
    const int type = cbSearchType->currentIndex();
    int from = 0;
    int to = 0;
    if (type < stTrack || type > stWallRight || !ItemValue(cbSearchfor, from) || !ItemValue(cbReplaceby, to)) {
        StatusBar1->SetPanelText(0, Trim(GetMessageText("ureplace_choose")));
        return 0;
    }
    ProgressBar1->setValue(0);
    StatusBar1->SetPanelText(0, "replacing...");
    int n = 0;
    const int count = Project->Connections.Count();
    for (int i = 0; i < count; ++i) {
        ProgressBar1->setValue(static_cast<int>(static_cast<long long>(i) * 100 / count));
        TVLConnection* c = Project->Connections.GetConnection(i);
        if (!c || !InScope(*c))
            continue;
        int* field = Field(*c, type);
        if (type == stPoles) {
            if (std::abs(*field) != from)
                continue;
            *field = SignOf(*field) * to;
        } else {
            if (*field != from)
                continue;
            *field = to;
        }
        ++n;
    }
    ProgressBar1->setValue(100);
    StatusBar1->SetPanelText(0, "completed. " + std::to_string(n) + " connections replaced.");
    if (n > 0)
        CurrentSituation.RefreshRequested = true;
    return n;
}

void TFormReplace::bCancelClick()
{
    reject();
}
