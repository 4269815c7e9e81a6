#pragma once
// The project properties dialog: the open project's name, author, web
// address, route subfolder, gauge, default stop sign, description, credits
// and logo, on three pages. Nothing is written to the project unless the
// user closes the dialog with OK.

#include <QDialog>

#include <functional>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class TLabeledEdit;
class TOpenDialog;
class TVLProject;

class TFormProjectProperties : public QDialog {
    Q_OBJECT

public:
    explicit TFormProjectProperties(QWidget* parent = nullptr);

    // The project being edited (not owned); cleared when the editor frees it.
    TVLProject* Project = nullptr;

    QTabWidget* PageControl1;
    QWidget* tsMain;
    TLabeledEdit* leProjectname;
    TLabeledEdit* leAuthor;
    TLabeledEdit* leEmail;
    TLabeledEdit* leHomepage;
    TLabeledEdit* leSubDir;
    QWidget* tsEnvironment;
    TLabeledEdit* leGauge;
    QGroupBox* GroupBox1;
    QLabel* lStopSign;
    QLineEdit* edDOStopsign;
    QPushButton* bSelectStopSign;
    QWidget* tsPresentation;
    QLabel* lDescription;
    QPlainTextEdit* memoDescription;
    QLabel* lCredits;
    QPlainTextEdit* memoCredits;
    QLabel* lLogo;
    // The logo; its tool tip holds the logo file's path.
    QLabel* Image1;
    QPushButton* bLoadLogo;
    QPushButton* bOK;
    QPushButton* bCancel;
    TOpenDialog* OpenPictureDialog1;

    // Fills the controls from the project and shows the dialog modally;
    // returns the dialog's result.
    int ShowProject(TVLProject* project);
    // The fill alone (ShowProject's first part).
    void FillFromProject(TVLProject* project);
    // Loads the logo shown and remembers its path; false (and a message)
    // when the file is not a picture that can be read.
    bool LoadLogo(const std::string& path);
    // "Load...", "select..." and OK.
    void bLoadLogoClick();
    void bSelectStopSignClick();
    void bOKClick();

    // Picks an object file for the stop sign: true with the file (folder
    // and file relative to the object library). Tests and embedders may
    // replace it; by default the object selection window is asked.
    static std::function<bool(std::string& file)> SelectObjectFile;
};

extern TFormProjectProperties* FormProjectProperties;
