#include "editor/formstations.h"

#include "editor/formmain.h"
#include "editor/frmeditor.h"
#include "editor/msginisupp.h"
#include "editor/numberfields.h"
#include "editor/vclwidgets.h"
#include "model/currentsituation.h"
#include "model/vlconnection.h"
#include "model/vlpoint.h"
#include "model/vlproject.h"
#include "platform/gui/dialogs.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>

TFormStations* FormStations = nullptr;

namespace {

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

} // namespace

TFormStations::TFormStations(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormStations");
    setWindowTitle("Stations");
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint);

    lStations = MakeLabel(this, "lStations", "Stations");
    lbStations = new QListWidget(this);
    lbStations->setObjectName("lbStations");
    lStationname = MakeLabel(this, "lStationname", "Name");
    edStationname = new QLineEdit(this);
    edStationname->setObjectName("edStationname");
    bAddStation = MakeButton(this, "bAddStation", "Add");
    bSetStation = MakeButton(this, "bSetStation", "Set");
    bDeleteStation = MakeButton(this, "bDeleteStation", "Delete");
    lPlatformtracks = MakeLabel(this, "lPlatformtracks", "This station's platform tracks");
    lbPlatformtracks = new QListWidget(this);
    lbPlatformtracks->setObjectName("lbPlatformtracks");
    lPlatformNo = MakeLabel(this, "lPlatformNo", "Add current track as platform no");
    edPlatformNo = new QLineEdit(this);
    edPlatformNo->setObjectName("edPlatformNo");
    bgo = MakeButton(this, "bgo", "Add");
    bPlatformSet = MakeButton(this, "bPlatformSet", "Set");
    bDeletePlatformTrack = MakeButton(this, "bDeletePlatformTrack", "Delete");
    bFind = MakeButton(this, "bFind", "Find");

    auto* layout = new QGridLayout(this);
    layout->addWidget(lStations, 0, 0, 1, 3);
    layout->addWidget(lbStations, 1, 0, 1, 3);
    layout->addWidget(lStationname, 2, 0, 1, 3);
    layout->addWidget(edStationname, 3, 0, 1, 3);
    layout->addWidget(bAddStation, 4, 0);
    layout->addWidget(bSetStation, 4, 1);
    layout->addWidget(bDeleteStation, 4, 2);
    layout->addWidget(lPlatformtracks, 0, 3, 1, 4);
    layout->addWidget(lbPlatformtracks, 1, 3, 1, 4);
    layout->addWidget(lPlatformNo, 2, 3, 1, 4);
    layout->addWidget(edPlatformNo, 3, 3, 1, 4);
    layout->addWidget(bgo, 4, 3);
    layout->addWidget(bPlatformSet, 4, 4);
    layout->addWidget(bDeletePlatformTrack, 4, 5);
    layout->addWidget(bFind, 4, 6);

    connect(lbStations, &QListWidget::itemClicked, this, &TFormStations::lbStationsClick);
    connect(lbStations, &QListWidget::currentRowChanged, this, &TFormStations::lbStationsClick);
    connect(lbPlatformtracks, &QListWidget::itemClicked, this, &TFormStations::lbPlatformtracksClick);
    connect(lbPlatformtracks, &QListWidget::currentRowChanged, this, &TFormStations::lbPlatformtracksClick);
    connect(bAddStation, &QPushButton::clicked, this, &TFormStations::bAddStationClick);
    connect(bSetStation, &QPushButton::clicked, this, &TFormStations::bSetStationClick);
    connect(bDeleteStation, &QPushButton::clicked, this, &TFormStations::bDeleteStationClick);
    connect(bgo, &QPushButton::clicked, this, &TFormStations::bgoClick);
    connect(bPlatformSet, &QPushButton::clicked, this, &TFormStations::bPlatformSetClick);
    connect(bDeletePlatformTrack, &QPushButton::clicked, this, &TFormStations::bDeletePlatformTrackClick);
    connect(bFind, &QPushButton::clicked, this, &TFormStations::bFindClick);

    if (FormMain && FormMain->FrmEditor)
        connect(FormMain->FrmEditor, &TFrmEditor::ProjectClosing, this, [this](TVLProject* project) {
            if (Project == project)
                Project = nullptr;
            // Nothing typed or chosen for the old project's stations stays.
            lbStations->clear();
            lbPlatformtracks->clear();
            edStationname->clear();
            edPlatformNo->clear();
            hide();
        });
}

void TFormStations::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

int TFormStations::ChosenRow(const QListWidget* list) const
{
    const QListWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? list->currentRow() : -1;
}

TVLStation* TFormStations::ChosenStation() const
{
    const int row = ChosenRow(lbStations);
    return Project && row >= 0 ? Project->GetStation(row) : nullptr;
}

void TFormStations::FormShow()
{
    {
        QSignalBlocker block(lbStations);
        lbStations->clear();
        lbPlatformtracks->clear();
        if (!Project)
            return;
        for (const TVLStation* station : Project->Stations)
            lbStations->addItem(AnsiToQ(station->Name));
        if (lbStations->count() > 0) {
            lbStations->setCurrentRow(0);
            lbStations->item(0)->setSelected(true);
        }
    }
    lbStationsClick();
}

void TFormStations::FillPlatforms(TVLStation* station)
{
    QSignalBlocker block(lbPlatformtracks);
    lbPlatformtracks->clear();
    if (!station)
        return;
    TStrings platforms;
    station->GetPlatforms(platforms);
    for (const std::string& number : platforms)
        lbPlatformtracks->addItem(AnsiToQ(number));
}

void TFormStations::lbStationsClick()
{
    TVLStation* station = ChosenStation();
    if (!station)
        return;
    edStationname->setText(AnsiToQ(station->Name));
    FillPlatforms(station);
}

void TFormStations::StationsChanged()
{
    // The editor's station list follows at its next timer tick.
    CurrentSituation.RefreshRequested = true;
}

void TFormStations::bAddStationClick()
{
    if (!Project)
        return;
    const std::string name = QToAnsi(edStationname->text());
    for (int i = 0; i < lbStations->count(); ++i) {
        if (SameText(QToAnsi(lbStations->item(i)->text()), name)) {
            MessageDlg(GetMessageText("ustations_exists"), mtError, mbCancel);
            return;
        }
    }
    if (!StationNameUsable(name))
        return;
    lbStations->addItem(AnsiToQ(name));
    Project->Stations.Add(std::make_unique<TVLStation>(name));
    // The new station is the chosen one, so its platforms can be added next.
    {
        QSignalBlocker block(lbStations);
        lbStations->setCurrentRow(lbStations->count() - 1);
        lbStations->currentItem()->setSelected(true);
    }
    lbStationsClick();
    StationsChanged();
}

void TFormStations::bSetStationClick()
{
    const std::string name = QToAnsi(edStationname->text());
    TVLStation* station = ChosenStation();
    if (!Project)
        return;
    if (!station) {
        MessageDlg(GetMessageText("ustations_no_station"), mtError, mbCancel);
        return;
    }
    if (!StationNameUsable(name))
        return;
    lbStations->item(ChosenRow(lbStations))->setText(AnsiToQ(name));
    station->Name = name;
    StationsChanged();
}

void TFormStations::bDeleteStationClick()
{
    const int row = ChosenRow(lbStations);
    if (!Project || row < 0 || !Project->GetStation(row))
        return;
    {
        QSignalBlocker block(lbStations);
        delete lbStations->takeItem(row);
        // The project's list frees the station and clears every reference
        // the editor state holds to it.
        Project->Stations.Delete(row);
        lbStations->clearSelection();
        lbStations->setCurrentRow(-1);
        if (row > 0) {
            lbStations->setCurrentRow(row - 1);
            lbStations->item(row - 1)->setSelected(true);
        }
    }
    if (row > 0) {
        lbStationsClick();
    } else {
        // No station is chosen: its platforms are not shown any longer.
        lbPlatformtracks->clear();
        edStationname->clear();
    }
    StationsChanged();
}

void TFormStations::lbPlatformtracksClick()
{
    const int row = ChosenRow(lbPlatformtracks);
    if (row >= 0)
        edPlatformNo->setText(lbPlatformtracks->item(row)->text());
}

bool TFormStations::StationNameUsable(const std::string& name) const
{
    // The station line quotes the name (doubling a quote inside), so any
    // text of one line fits.
    return CheckLineText(edStationname, lStationname->text(), name, {}, false);
}

bool TFormStations::PlatformCommandUsable(TVLStation* station, const std::string& number) const
{
    if (!station) {
        MessageDlg(GetMessageText("ustations_no_station"), mtError, mbCancel);
        return false;
    }
    // The number is the name of a "platform=track" line: an "=" in it
    // would make the line name another platform.
    if (!CheckLineText(edPlatformNo, lPlatformNo->text(), number, "=", false))
        return false;
    if (!CurrentSituation.SelectedConnection) {
        MessageDlg(GetMessageText("ustations_no_track"), mtError, mbCancel);
        return false;
    }
    return true;
}

void TFormStations::bgoClick()
{
    TVLStation* station = ChosenStation();
    const std::string number = QToAnsi(edPlatformNo->text());
    if (!Project || !PlatformCommandUsable(station, number))
        return;
    for (int i = 0; i < lbPlatformtracks->count(); ++i) {
        if (QToAnsi(lbPlatformtracks->item(i)->text()) == number) {
            MessageDlg(GetMessageText("ustations_platform_exists"), mtError, mbCancel);
            return;
        }
    }
    SetValue(station->Lines, number, std::to_string(CurrentSituation.SelectedConnection->Id));
    FillPlatforms(station);
    const int last = lbPlatformtracks->count() - 1;
    if (last >= 0) {
        QSignalBlocker block(lbPlatformtracks);
        lbPlatformtracks->setCurrentRow(last);
        lbPlatformtracks->item(last)->setSelected(true);
    }
    bPlatformSetClick();
    StationsChanged();
}

void TFormStations::bPlatformSetClick()
{
    const std::string number = QToAnsi(edPlatformNo->text());
    const int row = ChosenRow(lbPlatformtracks);
    TVLStation* station = ChosenStation();
    if (!Project || row < 0 || !PlatformCommandUsable(station, number))
        return;
    lbPlatformtracks->item(row)->setText(AnsiToQ(number));
    SetValue(station->Lines, number, std::to_string(CurrentSituation.SelectedConnection->Id));
    StationsChanged();
}

void TFormStations::bDeletePlatformTrackClick()
{
    TVLStation* station = ChosenStation();
    const int row = ChosenRow(lbPlatformtracks);
    if (!station || row < 0)
        return;
    station->RemovePlatform(QToAnsi(lbPlatformtracks->item(row)->text()));
    FillPlatforms(station);
    StationsChanged();
}

void TFormStations::bFindClick()
{
    TVLStation* station = ChosenStation();
    if (!Project || !station)
        return;
    const int id = station->GetPlatformTrack(QToAnsi(edPlatformNo->text()));
    TVLConnection* track = id >= 0 ? Project->FindConnection(id) : nullptr;
    if (!track || !track->StartPoint)
        return;
    CurrentSituation.SelectedConnection = track;
    CurrentSituation.ViewCentre = track->StartPoint->Position;
    CurrentSituation.Cursor =
        MakeWorldPoint(Round(track->StartPoint->Position.X), Round(track->StartPoint->Position.Y));
    if (FormMain && FormMain->FrmEditor)
        FormMain->FrmEditor->RefreshEditor();
    else
        CurrentSituation.RefreshRequested = true;
}
