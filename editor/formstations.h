#pragma once
// The stations window: the project's stations with their names, and for each
// station its platform numbers with the track that serves as each platform.
// The editor's current track is what "Add" and "Set" assign to a platform
// number; "Find" takes the editor to a platform's track. Every change goes
// straight into the project.

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TVLProject;
class TVLStation;

class TFormStations : public QDialog {
    Q_OBJECT
public:
    explicit TFormStations(QWidget* parent = nullptr);

    // The open project (not owned); nothing shows without one. Cleared when
    // the editor frees the project.
    TVLProject* Project = nullptr;

    // The chosen station, or nothing.
    TVLStation* ChosenStation() const;

    QLabel* lStations;
    QListWidget* lbStations;
    QLabel* lStationname;
    QLineEdit* edStationname;
    QPushButton* bAddStation;
    QPushButton* bSetStation;
    QPushButton* bDeleteStation;
    QLabel* lPlatformtracks;
    QListWidget* lbPlatformtracks;
    QLabel* lPlatformNo;
    QLineEdit* edPlatformNo;
    QPushButton* bgo;
    QPushButton* bPlatformSet;
    QPushButton* bDeletePlatformTrack;
    QPushButton* bFind;

public slots:
    void FormShow();
    void lbStationsClick();
    void bAddStationClick();
    void bSetStationClick();
    void bDeleteStationClick();
    void lbPlatformtracksClick();
    void bgoClick();
    void bPlatformSetClick();
    void bDeletePlatformTrackClick();
    void bFindClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    int ChosenRow(const QListWidget* list) const;
    void FillPlatforms(TVLStation* station);
    // Whether the name fits the station's line of the project file; says
    // why not.
    bool StationNameUsable(const std::string& name) const;
    // Whether a platform command can act: a chosen station, a platform
    // number that can stand in a "platform=track" line, a current track.
    // Says why not.
    bool PlatformCommandUsable(TVLStation* station, const std::string& number) const;
    void StationsChanged();
};

extern TFormStations* FormStations;
