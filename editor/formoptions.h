#pragma once
// The options dialog, which is also the holder of every setting of the
// editor for the whole run. Its creation reads "set.ini" in the program
// folder, finds the BVE folder (the settings file, else the machine hive's
// "Software\Velkast" value "Bve Folder", else it asks the user) and runs the
// automatic-update counter; the other parts of the editor read the public
// fields directly.
//
// set.ini (platform/inifile.h rules):
//   [Settings]    BVE_Folder, ShowConfigBveFolder ("True" shows the folder
//                 dialog at start), ObjectFolder ("lib"), UseDeveloperMod (1),
//                 UseStructureViewer (1), UseAutoUpdateEvery (0),
//                 AutoUpdateNow (0), DefaultLanguage ("english.lng")
//   [TrackAdding] CopyPropLast (1), CopyPropClip (0)
//   [editor]      fit4m (1), minlength (1), newconnfixed (1), ArrowStepSize (0.1)
//   [export]      distancebeyondlast (100), maxcurvesmooth (4000),
//                 mincurvesmooth (150), CurvedSecondary (0)
//
// Paths (BveFolder, ExePath) are native; texts are ANSI.

#include "platform/inifile.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class QTabWidget;
class QGroupBox;
class TPanel;

// The language file named by the settings (DefaultLanguage), set at start.
extern std::string LanguageFileName;

class TFormOptions : public QDialog {
    Q_OBJECT
public:
    explicit TFormOptions(QWidget* parent = nullptr);
    ~TFormOptions() override;

    // The simulator's folder, no trailing separator; empty while none was
    // chosen (see CheckBveFolder).
    std::string BveFolder;
    // The program folder, with trailing separator.
    std::string ExePath;
    bool UseDeveloperMod = true;
    bool UseStructureViewer = true;
    bool UseAutoUpdate = false;
    bool CopyPropLast = true;
    bool CurvedSecondary = false;
    bool CopyPropClip = false;
    double ArrowStepSize = 0.1; // metres
    std::int32_t DistanceBeyondLast = 100;
    std::int32_t MaxCurveSmooth = 4000;
    std::int32_t MinCurveSmooth = 150;
    std::int32_t AutoUpdateCounter = 0;
    bool Fit4m = true;
    bool MinLength = true;
    bool NewConnFixed = true;
    // "set.ini" in the program folder, open for the window's lifetime.
    std::unique_ptr<TIniFile> IniFile;

    // The object library's folder name relative to the program folder, as
    // the edit shows it now (ANSI, no separators added). Ask each time.
    std::string GetObjectFolder() const;

    // For every use of the BVE folder (export, starting the simulator): true
    // when a BVE folder is set. Without one the user is told so and may
    // choose it now; false when there is still none, and the caller must
    // then not build paths into it.
    bool CheckBveFolder();

    // The BVE folder dialog, bound to the settings file; true on its OK
    // (BveFolder, the settings file, the user hive and BVE_Folder_Set then
    // hold the chosen folder).
    bool ShowBveFolderDialog();

    // Controls.
    QTabWidget* PageControl1;
    QWidget* TabGeneral;
    QWidget* TabEditor;
    QWidget* TabExport;
    QGroupBox* gbBveFolder;
    TPanel* BVE_Folder_Set;
    QPushButton* BveFolderSearchButton;
    QLabel* lObjFolder;
    QLineEdit* edObjFolder;
    QLabel* lDefLanguage;
    QLineEdit* edDefLanguage;
    QPushButton* bBrowseLanguageFile;
    QCheckBox* StructureViewer_Check;
    QCheckBox* AutoUpdate_Check;
    QCheckBox* CheckBoxCopyTrackPropLast;
    QCheckBox* CheckBoxCopyTrackPropClip;
    QCheckBox* cbFit4m;
    QCheckBox* cbMinimumlength;
    QCheckBox* cbNewConnFixed;
    QLabel* lArrowStepSize;
    QLineEdit* edArrowStepSize;
    QLabel* lDistanceBeyondLast;
    QLineEdit* edDistanceBeyondLast;
    QLabel* lMaxCurveSmooth;
    QLineEdit* edMaxCurveSmooth;
    QLabel* lShortestCurve;
    QLineEdit* edShortestCurve;
    QCheckBox* cbCurvedSecondary;
    QPushButton* Btn_OK;
    QPushButton* Btn_Cancel;

    // Handlers.
    void FormCreate();
    void FormShow();
    void StructureViewer_CheckClick();
    void AutoUpdate_CheckClick();
    void CheckBoxCopyTrackPropLastClick();
    void CheckBoxCopyTrackPropClipClick();
    void edArrowStepSizeChange();
    void bBrowseLanguageFileClick();
    void BveFolderSearchButtonClick();
    void Btn_OKClick();
    void Btn_CancelClick();

    // Shows a folder in BVE_Folder_Set.
    void ShowBveFolder(const std::string& folder);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    // Start-up without a BVE folder anywhere: ask until one is chosen or
    // the user decides to go on without.
    void AskForBveFolder();
};

extern TFormOptions* FormOptions;
