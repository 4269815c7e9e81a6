#pragma once
// The track properties dialog: every property of one track piece except its
// id, end points and kind, on three pages. The caller sets Connection and
// Project and shows it modally; the piece changes only on OK. The ids of
// ground, background, platform, roof, poles and walls are chosen from the
// object library's catalogs ("id=file" lines), which the "Define..." buttons
// edit and save at once, whatever the dialog's outcome.
//
// A drop-down without a choice (the piece's id is not in its catalog any
// more, or its track type is beyond the track-type table) leaves that
// property as it was on OK.

#include "platform/textlines.h"

#include <QDialog>

#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class QTabWidget;
class TStatusBar;
class TVLConnection;
class TVLProject;
class TWave;

class TFormTrackProperties : public QDialog {
    Q_OBJECT
public:
    explicit TFormTrackProperties(QWidget* parent = nullptr);

    // Set by the caller before showing; neither is owned.
    TVLConnection* Connection = nullptr;
    TVLProject* Project = nullptr;

    // The catalog editor the "Define..." buttons use instead of the
    // predefined-objects window when set (tests). Arguments as that window's
    // EditList: title, count of fixed leading lines, library folder (empty:
    // the title's), the lines to edit in place; true when they were edited.
    static std::function<bool(const std::string& title, int fixedCount, const std::string& folder,
                              TStrings& items)>
        EditCatalog;

    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    // "Appearance"
    QLabel* LabelID;
    QLineEdit* EditLength;
    QComboBox* cbTrackTextures;
    QComboBox* cbBackgroundImages;
    QPushButton* bDefineBGImages;
    QLabel* imgBackground;
    QComboBox* cbGroundTextures;
    QPushButton* Button3;
    QComboBox* cbPlatformtype;
    QPushButton* bPlatform;
    QComboBox* cbPlatformPos;
    QComboBox* cbRoofType;
    QPushButton* bDefineRoofs;
    QComboBox* cbPolesType;
    QPushButton* bDefinePoles;
    QComboBox* cbPoleSide;
    QPushButton* Button6;
    // "Walls and Dikes"
    QComboBox* cbWallLeft;
    QComboBox* cbWallRight;
    QPushButton* bDefineWalls;
    // "Extended"
    QLineEdit* edSpeedlimit;
    QComboBox* cbAccuracy;
    QLineEdit* edAdhesion;
    QLineEdit* edPlayWave;
    QPushButton* Button5;
    QLineEdit* EdFog;
    QLineEdit* edHeight;
    QLineEdit* edMarkerFilename;
    QLineEdit* edMarkerDuration;
    QPushButton* bOK;
    QPushButton* Button2;
    // Says why the "Test" sound did not play.
    TStatusBar* StatusBar1;
    TWave* Wave1;

    // Handlers.
    void FormShow();
    void bOKClick();
    void cbBackgroundImagesChange();
    void cbPlatformPosChange();
    void Button5Click();
    void Button6Click();
    void Button3Click();
    void bDefineBGImagesClick();
    void bPlatformClick();
    void bDefineRoofsClick();
    void bDefinePolesClick();
    void bDefineWallsClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    // The Define buttons' common steps for the catalog of class TCatalog.
    template <class TCatalog>
    bool DefineCatalog(QComboBox* combo, const char* title, int fixedCount, const char* folder);
};

extern TFormTrackProperties* FormTrackProperties;
