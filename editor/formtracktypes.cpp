#include "editor/formtracktypes.h"

#include "editor/appforms.h"
#include "editor/formselectobject.h"
#include "editor/msginisupp.h"
#include "editor/numberfields.h"
#include "editor/vclwidgets.h"
#include "model/vlhelpers.h"
#include "model/vltrackdef.h"
#include "platform/codepage.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>

TFormTrackTypes* FormTrackTypes = nullptr;

namespace {

template <class T>
T* Named(T* object, const char* name)
{
    object->setObjectName(name);
    return object;
}

QTreeWidget* ReportList(QWidget* parent, const char* name, const QStringList& columns)
{
    auto* list = Named(new QTreeWidget(parent), name);
    list->setColumnCount(static_cast<int>(columns.size()));
    list->setHeaderLabels(columns);
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->header()->setStretchLastSection(true);
    // Column titles and rows are data, not texts of the window.
    SetTranslatable(list, false);
    return list;
}

std::string ItemText(const QTreeWidgetItem* item, int column) { return QToAnsi(item->text(column)); }

// Checks an object file name taken into a track-type line, where it stands
// between double quotes.
bool CheckObjectFile(const std::string& file, const char* missingKey)
{
    if (Trim(file).empty()) {
        MessageDlg(GetMessageText(missingKey), mtWarning, mbOK);
        return false;
    }
    if (file.find('"') != std::string::npos) {
        MessageDlg(GetMessageText("utracktypes_quote"), mtWarning, mbOK);
        return false;
    }
    return true;
}

} // namespace

TFormTrackTypes::TFormTrackTypes(QWidget* parent) : QDialog(parent), TrackDefinitions(TrackTypes.TrackDefinitions)
{
    BuildControls();
    FormCreate();
}

void TFormTrackTypes::BuildControls()
{
    setObjectName("FormTrackTypes");
    setWindowTitle("Track Types");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    PageControl1 = Named(new QTabWidget(this), "PageControl1");
    SetTranslatable(PageControl1->tabBar(), false);
    layout->addWidget(PageControl1);
    TabSheet1 = Named(new QWidget, "TabSheet1");
    PageControl1->addTab(TabSheet1, "Track Types");
    auto* page = new QHBoxLayout(TabSheet1);

    auto button = [](const char* text, QWidget* parent, const char* name) {
        auto* b = Named(new QPushButton(text, parent), name);
        b->setAutoDefault(false);
        return b;
    };

    auto* types = new QGridLayout;
    lvTracktypes = ReportList(TabSheet1, "lvTracktypes", {"Type", "objectfile (straight)", "Run sound", "curve objects"});
    lvTracktypes->setMinimumSize(400, 220);
    lvTracktypes->setColumnWidth(0, 45);
    lvTracktypes->setColumnWidth(1, 190);
    lvTracktypes->setColumnWidth(2, 160);
    types->addWidget(lvTracktypes, 0, 0, 1, 3);
    leObjectName = new TLabeledEdit(TabSheet1, "leObjectName");
    leObjectName->EditLabel()->setText("Object filename (straight)");
    bSelectObjectfilenameStraight = button("select...", TabSheet1, "bSelectObjectfilenameStraight");
    types->addWidget(leObjectName, 1, 0, 1, 2);
    types->addWidget(bSelectObjectfilenameStraight, 1, 2, Qt::AlignBottom);
    lRunSound = Named(new QLabel("Run sound", TabSheet1), "lRunSound");
    cbRunSound = Named(new QComboBox(TabSheet1), "cbRunSound");
    cbRunSound->addItems({"Jointed rails, wooden sleepers",
                          "Jointed rails, concrete sleepers/Jointed track higher linespeed with wind noise",
                          "Continuous welded rail", "Continuous welded rail - Tunnel and under/overbridge",
                          "Jointed rails, wooden sleepers - Tunnel and under/overbridge",
                          "Passing train sound, continuous welded rail", "Continuous welded rail on steel bridge",
                          "Passing train sound, jointed rails"});
    cbRunSound->setCurrentIndex(0);
    // The longest run sound would make the window wider than a small
    // screen; the open list shows every name whole.
    cbRunSound->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbRunSound->setMinimumContentsLength(30);
    cbRunSound->view()->setMinimumWidth(cbRunSound->view()->sizeHintForColumn(0));
    types->addWidget(lRunSound, 2, 0);
    types->addWidget(cbRunSound, 3, 0, 1, 3);
    bAddTrackDef = button("add", TabSheet1, "bAddTrackDef");
    bDelTrackDef = button("delete", TabSheet1, "bDelTrackDef");
    types->addWidget(bAddTrackDef, 4, 0);
    types->addWidget(bDelTrackDef, 4, 1);
    page->addLayout(types, 3);

    auto* curves = new QGridLayout;
    lvCurveTracks = ReportList(TabSheet1, "lvCurveTracks", {"max curve", "objectfile"});
    lvCurveTracks->setColumnWidth(0, 80);
    curves->addWidget(lvCurveTracks, 0, 0, 1, 3);
    leObjectfileCurved = new TLabeledEdit(TabSheet1, "leObjectfileCurved");
    leObjectfileCurved->EditLabel()->setText("Object filename (curved)");
    bSelectObjectfilenameCurved = button("select...", TabSheet1, "bSelectObjectfilenameCurved");
    curves->addWidget(leObjectfileCurved, 1, 0, 1, 2);
    curves->addWidget(bSelectObjectfilenameCurved, 1, 2, Qt::AlignBottom);
    leMaxCurveUse = new TLabeledEdit(TabSheet1, "leMaxCurveUse");
    leMaxCurveUse->EditLabel()->setText("max curve use (<0 left, >0 right)");
    lMeter = Named(new QLabel("meter", TabSheet1), "lMeter");
    curves->addWidget(leMaxCurveUse, 2, 0, 1, 2);
    curves->addWidget(lMeter, 2, 2, Qt::AlignBottom);
    bAddCurveDef = button("add", TabSheet1, "bAddCurveDef");
    bSetCurveDef = button("set", TabSheet1, "bSetCurveDef");
    bDelCurveDef = button("delete", TabSheet1, "bDelCurveDef");
    curves->addWidget(bAddCurveDef, 3, 0);
    curves->addWidget(bSetCurveDef, 3, 1);
    curves->addWidget(bDelCurveDef, 3, 2);
    page->addLayout(curves, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    Button1 = Named(new QPushButton("OK", this), "Button1");
    Button1->setDefault(true);
    Button2 = button("&Cancel", this, "Button2");
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);

    connect(lvTracktypes, &QTreeWidget::itemSelectionChanged, this, &TFormTrackTypes::TypeSelectionChanged);
    connect(lvCurveTracks, &QTreeWidget::itemSelectionChanged, this, &TFormTrackTypes::CurveSelectionChanged);
    connect(bSelectObjectfilenameStraight, &QPushButton::clicked, this,
            &TFormTrackTypes::bSelectObjectfilenameStraightClick);
    connect(bSelectObjectfilenameCurved, &QPushButton::clicked, this,
            &TFormTrackTypes::bSelectObjectfilenameCurvedClick);
    connect(cbRunSound, &QComboBox::currentIndexChanged, this, &TFormTrackTypes::cbRunSoundChange);
    connect(bAddTrackDef, &QPushButton::clicked, this, &TFormTrackTypes::bAddTrackDefClick);
    connect(bDelTrackDef, &QPushButton::clicked, this, &TFormTrackTypes::bDelTrackDefClick);
    connect(bAddCurveDef, &QPushButton::clicked, this, &TFormTrackTypes::bAddCurveDefClick);
    connect(bSetCurveDef, &QPushButton::clicked, this, &TFormTrackTypes::bSetCurveDefClick);
    connect(bDelCurveDef, &QPushButton::clicked, this, &TFormTrackTypes::bDelCurveDefClick);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, &TFormTrackTypes::Button2Click);
}

bool TFormTrackTypes::FormCreate()
{
    return TrackTypes.Load(ProgramFolder());
}

bool TFormTrackTypes::SaveTrackDefinitions() const
{
    return TrackTypes.Save(ProgramFolder());
}

void TFormTrackTypes::FillTrackNames(TStrings& strings) const
{
    TrackTypes.FillTrackNames(strings);
}

void TFormTrackTypes::FillTrackNames(QStringList& strings) const
{
    TStrings names;
    TrackTypes.FillTrackNames(names);
    strings.clear();
    for (const auto& n : names)
        strings.append(QString::fromStdString(AnsiToUtf8(n)));
}

void TFormTrackTypes::GetTrackObject(int typeIndex, std::int32_t radius, std::string& fileName) const
{
    TrackTypes.GetTrackObject(typeIndex, radius, fileName);
}

int TFormTrackTypes::IndexOfObjectFile(std::string_view name) const
{
    return TrackTypes.IndexOfObjectFile(name);
}

int TFormTrackTypes::GetRunSound(std::string_view objectFile) const
{
    return TrackTypes.GetRunSound(objectFile);
}

// ---------------------------------------------------------------------------
// Editing

void TFormTrackTypes::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TFormTrackTypes::FormShow()
{
    bDelTrackDef->setEnabled(false);
    {
        const QSignalBlocker blockTypes(lvTracktypes);
        const QSignalBlocker blockCurves(lvCurveTracks);
        lvTracktypes->clear();
        lvCurveTracks->clear();
    }
    CurrentTypeItem = nullptr;
    CurrentCurveItem = nullptr;
    for (std::size_t i = 0; i < TrackDefinitions.size(); ++i) {
        const TVLTrackDefinition def = TVLTrackDefinition::CreateFromLine(TrackDefinitions[i]);
        auto* row = new QTreeWidgetItem(lvTracktypes);
        row->setText(0, QString::number(i));
        row->setData(0, RunSoundRole, def.RunSound);
        row->setText(1, AnsiToQ(def.StraightFile));
        row->setText(2, def.RunSound >= 0 && def.RunSound < cbRunSound->count() ? cbRunSound->itemText(def.RunSound)
                                                                              : QString());
        row->setText(3, AnsiToQ(def.SaveToString()));
    }
    UpdateMarkers();
}

void TFormTrackTypes::TypeSelectionChanged()
{
    const QList<QTreeWidgetItem*> selected = lvTracktypes->selectedItems();
    if (selected.isEmpty())
        lvTracktypesSelectItem(CurrentTypeItem, false);
    else
        lvTracktypesSelectItem(selected.front(), true);
}

void TFormTrackTypes::CurveSelectionChanged()
{
    const QList<QTreeWidgetItem*> selected = lvCurveTracks->selectedItems();
    if (selected.isEmpty())
        lvCurveTracksSelectItem(CurrentCurveItem, false);
    else
        lvCurveTracksSelectItem(selected.front(), true);
}

void TFormTrackTypes::lvTracktypesSelectItem(QTreeWidgetItem* item, bool selected)
{
    if (selected && item) {
        bDelTrackDef->setEnabled(true);
        CurrentTypeItem = item;
        leObjectName->SetText(ItemText(item, 1));
        {
            const QSignalBlocker block(cbRunSound);
            cbRunSound->setCurrentIndex(cbRunSound->findText(item->text(2)));
        }
        const QSignalBlocker block(lvCurveTracks);
        lvCurveTracks->clear();
        for (const auto& curve : TVLTrackDefinition::CreateFromLine(ItemText(item, 3)).Curves) {
            auto* row = new QTreeWidgetItem(lvCurveTracks);
            row->setText(0, QString::number(curve.Radius));
            row->setText(1, AnsiToQ(curve.FileName));
        }
    } else {
        bDelTrackDef->setEnabled(false);
    }
    CurrentCurveItem = nullptr;
    UpdateMarkers();
}

void TFormTrackTypes::lvCurveTracksSelectItem(QTreeWidgetItem* item, bool selected)
{
    CurrentCurveItem = item;
    if (selected && item) {
        leObjectfileCurved->SetText(ItemText(item, 1));
        leMaxCurveUse->SetText(ItemText(item, 0));
    }
}

void TFormTrackTypes::bSelectObjectfilenameStraightClick()
{
    if (!FormSelectObject)
        return;
    FormSelectObject->SelectFolder("tracks");
    if (FormSelectObject->Execute() != mrOk)
        return;
    leObjectName->SetText(FormSelectObject->SelectedPath);
    if (CurrentTypeItem)
        CurrentTypeItem->setText(1, AnsiToQ(FormSelectObject->SelectedPath));
}

void TFormTrackTypes::bSelectObjectfilenameCurvedClick()
{
    if (!FormSelectObject)
        return;
    FormSelectObject->SelectFolder("tracks");
    if (FormSelectObject->Execute() == mrOk)
        leObjectfileCurved->SetText(FormSelectObject->SelectedPath);
}

void TFormTrackTypes::cbRunSoundChange()
{
    const int index = cbRunSound->currentIndex();
    if (!CurrentTypeItem || index < 0)
        return;
    CurrentTypeItem->setText(2, cbRunSound->itemText(index));
    CurrentTypeItem->setData(0, RunSoundRole, index);
}

void TFormTrackTypes::bAddTrackDefClick()
{
    const std::string file = leObjectName->Text();
    if (!CheckObjectFile(file, "utracktypes_no_object"))
        return;
    const int runSound = std::max(0, cbRunSound->currentIndex());
    auto* row = new QTreeWidgetItem(lvTracktypes);
    row->setText(0, QString::number(lvTracktypes->topLevelItemCount() - 1));
    row->setData(0, RunSoundRole, runSound);
    row->setText(1, AnsiToQ(file));
    row->setText(2, cbRunSound->itemText(runSound));
    row->setText(3, AnsiToQ("\"" + file + "\"," + std::to_string(runSound)));
    CurrentTypeItem = row;
    UpdateMarkers();
}

void TFormTrackTypes::bDelTrackDefClick()
{
    const QList<QTreeWidgetItem*> selected = lvTracktypes->selectedItems();
    if (selected.isEmpty())
        return;
    {
        const QSignalBlocker blockTypes(lvTracktypes);
        const QSignalBlocker blockCurves(lvCurveTracks);
        delete selected.front();
        lvTracktypes->clearSelection();
        lvCurveTracks->clear();
    }
    CurrentTypeItem = nullptr;
    CurrentCurveItem = nullptr;
    bDelTrackDef->setEnabled(false);
    // The rows' numbers are the types' numbers after OK.
    for (int i = 0; i < lvTracktypes->topLevelItemCount(); ++i)
        lvTracktypes->topLevelItem(i)->setText(0, QString::number(i));
    UpdateMarkers();
}

bool TFormTrackTypes::CheckCurveFields() const
{
    int radius = 0;
    if (!ReadWholeEdit(leMaxCurveUse, -1000000, 1000000, radius))
        return false;
    if (radius == 0) {
        MessageDlg(GetMessageText("utracktypes_bad_radius"), mtWarning, mbOK);
        return false;
    }
    return CheckObjectFile(leObjectfileCurved->Text(), "utracktypes_no_curve_object");
}

void TFormTrackTypes::bAddCurveDefClick()
{
    if (!CurrentTypeItem || !CheckCurveFields())
        return;
    const std::string radius = std::to_string(StrToIntDef(leMaxCurveUse->Text(), 0));
    CurrentTypeItem->setText(
        3, AnsiToQ(ItemText(CurrentTypeItem, 3) + "," + radius + ",\"" + leObjectfileCurved->Text() + "\""));
    lvTracktypesSelectItem(CurrentTypeItem, true);
}

void TFormTrackTypes::bSetCurveDefClick()
{
    if (!CurrentCurveItem || !CheckCurveFields())
        return;
    CurrentCurveItem->setText(0, QString::number(StrToIntDef(leMaxCurveUse->Text(), 0)));
    CurrentCurveItem->setText(1, AnsiToQ(leObjectfileCurved->Text()));
    RebuildWorkingLine();
}

void TFormTrackTypes::bDelCurveDefClick()
{
    const QList<QTreeWidgetItem*> selected = lvCurveTracks->selectedItems();
    if (selected.isEmpty())
        return;
    {
        const QSignalBlocker block(lvCurveTracks);
        delete selected.front();
        lvCurveTracks->clearSelection();
    }
    CurrentCurveItem = nullptr;
    RebuildWorkingLine();
}

void TFormTrackTypes::RebuildWorkingLine()
{
    if (!CurrentTypeItem)
        return;
    std::string line = "\"" + ItemText(CurrentTypeItem, 1) + "\"," +
                       std::to_string(CurrentTypeItem->data(0, RunSoundRole).toInt());
    for (int i = 0; i < lvCurveTracks->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* curve = lvCurveTracks->topLevelItem(i);
        line += "," + ItemText(curve, 0) + ",\"" + ItemText(curve, 1) + "\"";
    }
    CurrentTypeItem->setText(3, AnsiToQ(line));
}

void TFormTrackTypes::UpdateMarkers()
{
    const QIcon marker = style()->standardIcon(QStyle::SP_ArrowRight);
    for (int i = 0; i < lvTracktypes->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = lvTracktypes->topLevelItem(i);
        row->setIcon(0, row == CurrentTypeItem ? marker : QIcon());
    }
}

bool TFormTrackTypes::Button1Click()
{
    TStrings lines;
    for (int i = 0; i < lvTracktypes->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = lvTracktypes->topLevelItem(i);
        TVLTrackDefinition def;
        def.StraightFile = ItemText(row, 1);
        def.RunSound = row->data(0, RunSoundRole).toInt();
        const TStrings items = CommaTextToList(ItemText(row, 3));
        for (std::size_t k = 2; k + 1 < items.size(); k += 2)
            def.AddCurve(StrToIntDef(items[k], 0), items[k + 1]);
        lines.push_back(def.SaveToString());
    }
    TStrings previous = std::move(TrackDefinitions);
    TrackDefinitions = std::move(lines);
    if (!SaveTrackDefinitions()) {
        const int error = errno;
        TrackDefinitions = std::move(previous);
        MessageDlg(WriteFailedMessage("utracktypes_save_failed", TVLTrackTypes::FilePath(ProgramFolder()), error),
                   mtError, mbOK);
        return false;
    }
    TrackTypes.UsingDefaults = false;
    accept();
    return true;
}

void TFormTrackTypes::Button2Click()
{
    reject();
}
