#pragma once
// The installer's progress window: about a second after it is shown it
// copies every file that "files.dat" lists from the unpack folder into the
// BVE folder, reports success, removes the unpack folder and ends the
// program. Closing it ends the program the same way.

#include <QDialog>
#include <QTimer>

#include <string>

class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;

class TKalmiro_Install : public QDialog {
    Q_OBJECT
public:
    explicit TKalmiro_Install(QWidget* parent = nullptr);

    // The folder the package files lie in (the unpack folder), trailing "/".
    std::string InstallSourceDir;

    QLineEdit* BvePath = nullptr;
    QFrame* ShowInstallRoute = nullptr;
    QLabel* ShowInstallRouteLabel = nullptr;
    QLabel* lStatus = nullptr;
    QProgressBar* ShowProgress = nullptr;
    QTimer Timer1;

    void SetBvePath(const std::string& folder);

    // The copy loop (runs once).
    void Timer1Timer();
    // Removes the unpack folder and ends the program (once).
    void CloseProgram();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Copies the listed files; raises std::runtime_error on a failure.
    void CopyFiles();

    bool FClosing = false;
    bool FCopying = false;
};

// Removes what the package left in its unpack folder: the whole folder when
// it is a private unpack folder (see IsPrivateUnpackFolder), nothing in any
// other folder. False when the folder could not be removed.
bool RemoveUnpackFolder(const std::string& folder);
