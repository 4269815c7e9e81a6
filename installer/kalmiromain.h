#pragma once
// The installer's second phase: the main window shows the route's name,
// picture, description, author, home page and credits from the package files
// next to the running program (its unpack folder), and the BVE folder to
// install into. "Install now" opens the progress window (TKalmiro_Install),
// which copies the route's files and ends the program.

#include "platform/registry.h"

#include <QDialog>

#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TDescriptionBox;

class TKalmiro_Main : public QDialog {
    Q_OBJECT
public:
    explicit TKalmiro_Main(QWidget* parent = nullptr);
    ~TKalmiro_Main() override;

    // Reads the registry and the package files and fills the window. False
    // when a package file is missing: its message has been shown and the
    // program is to end without showing the window. The package files are
    // read from SourceDir, by default the running program's folder.
    bool FormCreate(const std::string& SourceDir = {});

    // The folder the package files are read from: the running program's
    // folder, with trailing "/".
    std::string InstallSourceDir;

    QLabel* Route_Name = nullptr;
    QLabel* Route_Image = nullptr;
    QLabel* Route_Description = nullptr;
    QLabel* Route_Author = nullptr;
    QLabel* Route_Homepage = nullptr;
    QLabel* Label1 = nullptr;
    QPlainTextEdit* Credits = nullptr;
    QGroupBox* SetupBox = nullptr;
    QLabel* BvePath_Label = nullptr;
    QLineEdit* BvePath_Edit = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QPushButton* Button1 = nullptr;

    std::string BvePath() const;
    void SetBvePath(const std::string& folder);

    void SpeedButton1Click();
    void InstallButtonClick();
    void Route_HomepageClick();

    // Escape: stops a running installation, else closes the window.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    // Shows the BVE folder window; true (and the edit changed) on OK.
    bool AskBveFolder(bool presetFromEdit);

    // Holds Route_Description.
    TDescriptionBox* FDescriptionBox = nullptr;
    TRegistry FRegistry{THive::HKEY_LOCAL_MACHINE};
    bool FShown = false;
    // The folder was chosen in FormCreate already.
    bool FAsked = false;
};
