#pragma once
// The export dialog: the user picks a route definition of the open project,
// a train, start and destination station, departure time, smoothing, the
// sub-folder and the route file's name; the route writer (TVLExport_Mod)
// runs with its progress on the second page; on "&Finish" the route file,
// the credits file and the library files go into the simulator's folder
// tree:
//   <BVE folder>/railway/route/<Sub>/<Name>.csv and <Name>_credits.txt
//   <BVE folder>/railway/object/<Sub>/<folder>/<file> for every file listed
// and, as chosen, the simulator starts on the new route and the files are
// handed to the package builder.
//
// Everything the user types that becomes part of a path (sub-folder, route
// file name) must be a plain name that stays inside the BVE folder; the
// export does not start without a route definition and two different
// stations; a missing BVE folder, files that could not be copied and a
// simulator that cannot be started are each reported, never passed over.
//
// Texts of the model and the writer are ANSI; disk paths are native.

#include "editor/packagerequest.h"
#include "platform/textlines.h"

#include <QDialog>
#include <QImage>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPaintEvent;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QResizeEvent;
class QShowEvent;
class QTabWidget;
class TLabeledEdit;
class TVLConnection;
class TVLProject;

// The export dialog's progress map: keeps what was drawn on it until the
// next export (the writer draws whenever a part of the route is done).
class TExportPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TExportPaintBox(QWidget* parent = nullptr);
    // The drawing surface, the size of the widget.
    QImage& Surface();
    void Clear();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage FSurface;
};

class TFormExport : public QDialog {
    Q_OBJECT
public:
    explicit TFormExport(QWidget* parent = nullptr);
    ~TFormExport() override;

    // The project to export (not owned), set by the caller before showing.
    TVLProject* Project = nullptr;
    // The last export's route file, credits file, file list and status log.
    TStrings RouteFileLines;
    TStrings CreditsLines;
    TStrings FileListLines;
    TStrings StatusLines;
    // The last export ran to its end (a route file was written, though
    // perhaps without reaching the destination).
    bool ExportDone = false;

    // Controls.
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    QLabel* lRoutes;
    QComboBox* export_set_Routes;
    QLabel* lTrains;
    QComboBox* export_set_Trains;
    QLabel* lStartStation;
    QComboBox* cbStartStation;
    QLabel* lNextStation;
    QComboBox* cbNextStation;
    QCheckBox* cbSmoothing;
    TLabeledEdit* leSubdir;
    TLabeledEdit* leRoutefilename;
    TLabeledEdit* leDepartureTime;
    QPushButton* bTimetable;
    QPushButton* ExportBtn;
    QLabel* lNowExporting;
    QLabel* ExportStatusText;
    QProgressBar* ExportStatusProgress;
    QProgressBar* ProgressBar2;
    QPlainTextEdit* MemoStatus;
    TExportPaintBox* PaintBox1;
    QLabel* lExportCompleted;
    QLabel* lFilelist;
    QListWidget* lbFilelist;
    QPlainTextEdit* MemoStatus1;
    QLabel* lCopy;
    QProgressBar* ProgressBarCopy;
    QCheckBox* cbCopyfiles;
    QCheckBox* cbRunBVE;
    QCheckBox* cbRunPackageWizard;
    QPushButton* bClose;

    // Handlers.
    void FormShow();
    void export_set_RoutesChange();
    void cbStartStationChange();
    void cbNextStationChange();
    void ExportBtnClick();
    void bCloseClick();
    void cbRunPackageWizardClick();
    // Starts the simulator on the exported route (developer mode option on).
    // False, after saying so, when it could not be started.
    virtual bool StartDevelopermode();
    // Writes the route and credits files and copies the library files.
    // False, after saying why, when nothing or not everything arrived.
    bool CopyToBveFolder();
    // The writer's progress callback: the part just exported on the map.
    void DrawProgressMap(const std::vector<TVLConnection*>& list);

    // The page shown: 0 settings, 1 exporting, 2 completed.
    int ActivePage() const;

    // A time of day "H:MM" or "H:MM:SS" in seconds after midnight; 09:00
    // for anything else.
    static long long ParseDepartureTime(const std::string& text);
    // The same; false for a text that is no time of day.
    static bool ReadDepartureTime(const std::string& text, long long& seconds);
    // A sub-folder or file name that stays where it is put: not empty, not
    // "." or "..", no path separators, drive colons, wildcards or characters
    // Windows does not allow in names.
    static bool IsPlainName(const std::string& name);

    // The route's folders in the BVE folder, with trailing separator (native).
    std::string RouteFolder() const;
    std::string ObjectFolder() const;

    // True while the writer runs.
    bool Exporting() const { return FExporting; }

    // Escape and the close box end the dialog, except during an export: the
    // writer lets the user interface run between its steps.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    class TProgressLink;
    friend class TProgressLink;

    void ShowPage(int page);
    std::string Sub() const;
    std::string Name() const;
    std::string BveFolder() const;
    // A BVE folder is set; otherwise the user is told (and may choose one).
    bool CheckBveFolder();
    bool CheckNames();
    void FlushStatus();
    static void MoveSelectionAway(QComboBox* mover, const QComboBox* other);

    int FShownStatus = 0;
    bool FExporting = false;
};

extern TFormExport* FormExport;
