#pragma once
// The installer's progress window: about a second after it is shown it
// moves every file that "files.dat" lists from the unpack folder into the
// BVE folder (TRouteCopy), reports success, removes the unpack folder and
// ends the program. A failure names the file and the reason; a failed or
// cancelled installation (Escape, closing this window or the main window)
// takes back what it changed and says the route was not installed. Closing it
// before the copy starts ends the program too.

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
    // Stops a running copy (which then takes back what it changed and ends
    // the program); before the copy, ends the program. Signalled: the
    // program is ended from outside, and the closing message goes to
    // standard error instead of waiting for a click.
    void Cancel(bool Signalled = false);
    bool Copying() const { return FCopying; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool FClosing = false;
    bool FCopying = false;
    bool FCancelled = false;
    bool FSignalled = false;
};

// Removes what the package left in its unpack folder: the whole folder when
// it is a private unpack folder (see IsPrivateUnpackFolder), nothing in any
// other folder. False when the folder could not be removed.
bool RemoveUnpackFolder(const std::string& folder);
