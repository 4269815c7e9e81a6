#pragma once
// The replace dialog: one property value (track type, ground, platform,
// background, catenary poles, left or right wall) replaced by another on every
// track piece of the project, or only on those of the current route
// definition and/or of the selected area. The main window sets Project and
// shows it modally; the status bar tells how many pieces were changed.

#include <QDialog>

#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QShowEvent;
class TStatusBar;
class TVLConnection;
class TVLProject;

class TFormReplace : public QDialog {
    Q_OBJECT
public:
    explicit TFormReplace(QWidget* parent = nullptr);

    // The project searched; not owned.
    TVLProject* Project = nullptr;

    // The search types, in the order of cbSearchType's items.
    enum TSearchType { stTrack, stGround, stPlatform, stBackground, stPoles, stWallLeft, stWallRight };

    QLabel* lSearchType;
    QComboBox* cbSearchType;
    QLabel* lSearchfor;
    QComboBox* cbSearchfor;
    QLabel* lReplaceby;
    QComboBox* cbReplaceby;
    QGroupBox* GroupBox1;
    QCheckBox* cbRouteDefinition;
    QCheckBox* cbSelArea;
    QPushButton* bReplace;
    QPushButton* bCancel;
    QProgressBar* ProgressBar1;
    TStatusBar* StatusBar1;

    // Handlers.
    void FormShow();
    void cbSearchTypeChange();
    // Returns the number of pieces changed (also shown in the status bar).
    int bReplaceClick();
    void bCancelClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The value of a list's item: the track type (its index) or the catalog
    // id before the "=". False when the item has none.
    bool ItemValue(const QComboBox* list, int& value) const;
    bool InScope(const TVLConnection& c) const;
};

extern TFormReplace* FormReplace;
