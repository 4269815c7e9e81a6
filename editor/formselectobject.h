#pragma once
// The object picker: the object browser panel in a modal dialog that hands
// the chosen folder and file back to the dialog that asked (track types,
// project properties, predefined objects, free-object properties).
//
// Usage: FormSelectObject->SelectFolder("tracks"); then Execute(); on mrOk
// read SelectedPath ("folder\file") or SelectedFile.

#include <QDialog>

#include <string>

class QPushButton;
class TFrmObjects;
class TPanel;

class TFormSelectObject : public QDialog {
    Q_OBJECT
public:
    explicit TFormSelectObject(QWidget* parent = nullptr);

    // The result: folder + "\" + file, and the file alone (ANSI).
    std::string SelectedPath;
    std::string SelectedFile;
    // The folder preselected when shown; kept between uses.
    std::string InitialFolder;
    // The folder list is visible; true again after every showing.
    bool ShowFolders = true;

    // Remembers name as the initial folder and chooses the first folder of
    // that name (letter case ignored), listing its files.
    void SelectFolder(const std::string& name);
    // Shows the picker modally; returns its TModalResult.
    int Execute();

    TFrmObjects* FrmObjects1;
    TPanel* Panel1;
    QPushButton* Button1;
    QPushButton* Button2;

public slots:
    void FormShow();
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
};

extern TFormSelectObject* FormSelectObject;
