#pragma once
// The installer's first phase, run when the program carries a package
// trailer: about a second after the window is shown it copies the program
// into a new private unpack folder, splits the copy into the bare installer
// and the archive, unpacks the archive there and starts the bare copy, which
// runs the second phase (TKalmiro_Main), then ends.

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

private:
    int64_t FMarkerEnd;
    std::string FTemp;
};
