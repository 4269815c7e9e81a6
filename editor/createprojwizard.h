#pragma once
// The new-project wizard: four pages (welcome, name and description, contact
// and credits, logo) through which a new route project comes into being. On
// Finish it replaces the editor's open project with the new one; no question
// about saving the old one is asked here (the New command asked already).
// The fields keep their texts between showings.

#include <QDialog>

#include <cstdint>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QWidget;
class TOpenDialog;
class TVLProject;

class TCreateProj_Wizard : public QDialog {
    Q_OBJECT

public:
    explicit TCreateProj_Wizard(QWidget* parent = nullptr);

    // The developer number drawn at the last showing: eight digits,
    // 10000000 up to 89999999.
    std::int32_t DeveloperNumber() const;
    // Draws a new developer number and goes to the first page (as showing does).
    void PrepareShow();
    // Index of the active page, 0..3.
    int ActivePage() const;

    // Builds the project from the pages (names as ANSI bytes).
    std::unique_ptr<TVLProject> BuildProject() const;

    // Pages and their controls.
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    QWidget* TabSheet4;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* Proj_Name;
    QLineEdit* Proj_Author;
    QLabel* lProj_Description;
    QPlainTextEdit* Proj_Description;
    QLineEdit* Proj_Homepage;
    QLineEdit* Proj_email;
    QLabel* lProj_Credits;
    QPlainTextEdit* Proj_Credits;
    QLineEdit* Proj_Logo;
    QPushButton* SearchProjectLogo_Btn;
    QPushButton* Back;
    QPushButton* Next;
    QPushButton* Cancel;
    TOpenDialog* OpenDialog1;

public slots:
    void BackClick();
    void NextClick();
    void CancelClick();
    void SearchProjectLogo_BtnClick();
    // Finish: checks the two names, then replaces the open project.
    void SetProject();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void EnterPage(int page);

    QTabWidget* FPages;
    std::int32_t FDeveloperNumber = 0;
};

extern TCreateProj_Wizard* CreateProj_Wizard;
