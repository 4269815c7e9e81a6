#pragma once
// The track types window. It holds the program's one track-type table from
// start to end: FormCreate (run by the constructor) loads "trackdef.dat" from
// the program folder, or takes the nine built-in types when the file is
// missing. The track properties and replace dialogs and the route writer ask
// it for track names, rail objects and run sounds.
//
// As a dialog it edits a working copy of the table: one row per type (its
// straight object file, run sound and working line, the whole track-type
// line), and for the chosen type one row per curve variant. OK rebuilds the
// table from the rows, in row order, and writes "trackdef.dat"; when the file
// cannot be written the table and the file stay as they were and the dialog
// stays open. Cancel drops the rows; they are rebuilt at the next show.

#include "model/vltracktypes.h"

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;
class QPushButton;
class QShowEvent;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TLabeledEdit;

#include <cstdint>
#include <string>
#include <string_view>

class TFormTrackTypes : public QDialog {
    Q_OBJECT

public:
    explicit TFormTrackTypes(QWidget* parent = nullptr);

    // The table and its lines (one track type per line, index = track type).
    TVLTrackTypes TrackTypes;
    TStrings& TrackDefinitions;

    // Loads the table from the program folder. Returns true when the file
    // was read; otherwise the built-in types are in use and LoadError() tells
    // why when the file exists but could not be read.
    bool FormCreate();
    const std::string& LoadError() const { return TrackTypes.LoadError; }
    // Writes the table to the program folder's "trackdef.dat".
    bool SaveTrackDefinitions() const;

    // "<index>=<straight object file>" per type (ANSI bytes, or UTF-8 for
    // the widgets).
    void FillTrackNames(TStrings& strings) const;
    void FillTrackNames(QStringList& strings) const;
    // The type's object file for a curve radius; empty for a type outside
    // the table.
    void GetTrackObject(int typeIndex, std::int32_t radius, std::string& fileName) const;
    // The first type that uses the object file, -1 when none (case ignored).
    int IndexOfObjectFile(std::string_view name) const;
    // The run sound of that type, 0 when no type uses the file.
    int GetRunSound(std::string_view objectFile) const;

    // Editing view.
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    // Columns "Type", "objectfile (straight)", "Run sound", "curve objects";
    // the run-sound number is the first column's RunSoundRole data.
    QTreeWidget* lvTracktypes;
    TLabeledEdit* leObjectName;
    QPushButton* bSelectObjectfilenameStraight;
    QLabel* lRunSound;
    QComboBox* cbRunSound;
    QPushButton* bAddTrackDef;
    QPushButton* bDelTrackDef;
    // Columns "max curve", "objectfile".
    QTreeWidget* lvCurveTracks;
    TLabeledEdit* leObjectfileCurved;
    QPushButton* bSelectObjectfilenameCurved;
    TLabeledEdit* leMaxCurveUse;
    QLabel* lMeter;
    QPushButton* bAddCurveDef;
    QPushButton* bSetCurveDef;
    QPushButton* bDelCurveDef;
    QPushButton* Button1;
    QPushButton* Button2;

    static constexpr int RunSoundRole = Qt::UserRole + 1;
    // The type row being edited, and the curve row last chosen; null when
    // there is none.
    QTreeWidgetItem* CurrentTypeItem = nullptr;
    QTreeWidgetItem* CurrentCurveItem = nullptr;

    // Handlers.
    void FormShow();
    void lvTracktypesSelectItem(QTreeWidgetItem* item, bool selected);
    void lvCurveTracksSelectItem(QTreeWidgetItem* item, bool selected);
    void bSelectObjectfilenameStraightClick();
    void bSelectObjectfilenameCurvedClick();
    void cbRunSoundChange();
    void bAddTrackDefClick();
    void bDelTrackDefClick();
    void bAddCurveDefClick();
    void bSetCurveDefClick();
    void bDelCurveDefClick();
    // True when the table was written (the dialog then closes with OK).
    bool Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    // The working line of the current type from its row and the curve rows.
    void RebuildWorkingLine();
    // The marker on the current type's row only.
    void UpdateMarkers();
    // The curve fields, checked; false after telling the user what is wrong.
    bool CheckCurveFields() const;
    void TypeSelectionChanged();
    void CurveSelectionChanged();
};

extern TFormTrackTypes* FormTrackTypes;
