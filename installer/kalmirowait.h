#pragma once
// The installer's first phase, run when the program is a whole package:
// about a second after the window is shown it removes the unpack folders of
// earlier runs that ended without removing theirs, makes a new private
// unpack folder, copies the bare installer (the package's first L bytes)
// into it, unpacks the archive there straight from the package and starts
// the bare copy with the folder as its argument ("--unpacked=<folder>"); the
// copy runs the second phase (TKalmiro_Main), and this program ends.
// Escape or closing the window stops the unpacking, removes the folder and
// ends the program.

#include "zip/zaarchiver.h"

#include <QDialog>
#include <QTimer>

#include <string>

class QLabel;
class QProgressBar;

class TKalmiro_Wait : public QDialog {
    Q_OBJECT
public:
    // MarkerEnd: the offset just after the trailer's marker in the program's
    // own file (FindPackageMarker).
    explicit TKalmiro_Wait(int64_t MarkerEnd, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    TZipArchiver ZipArchiver1;
    QTimer Timer1;

    // The unpack folder of this run (empty until the timer fired).
    std::string TempFolder() const { return FTemp; }

    void Split(const std::string& CopyName, const std::string& ZipName);
    void Timer1Timer();
    void ZipArchiver1OverallProgress(double Progress);

    // Stops the unpacking (or, before it, the program).
    void Cancel();
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    int64_t FMarkerEnd;
    std::string FTemp;
    bool FWorking = false;
    bool FCancelled = false;
    bool FDone = false;
    int64_t FLastEvents = 0;
    // Why an item could not be unpacked.
    std::string FItemFailure;
};
