#pragma once
// The BVE folder dialog: a folder tree; OK stores the selected folder in the
// settings file it is bound to, in the options' BveFolder, and in the user
// hive of the registry ("BVE Folder", and "Velkast Folder" = the program
// folder). Created on demand by the options window and freed after showing.

#include <QDialog>

#include <string>

class QLabel;
class QPushButton;
class QShowEvent;
class QTreeView;
class QFileSystemModel;
class TFormOptions;
class TIniFile;

class TFormSetBveFolder : public QDialog {
    Q_OBJECT
public:
    explicit TFormSetBveFolder(TFormOptions* owner);

    // The settings file the OK button writes; bound before showing.
    TIniFile* IniFile = nullptr;

    QLabel* Label1;
    QLabel* LabelSelectedDir;
    QTreeView* ShellTreeView1;
    QPushButton* OKButton;

    // The folder selected in the tree (native path), "" for none.
    const std::string& SelectedPath() const { return FSelectedPath; }
    // Selects a folder as a click in the tree does.
    void SetSelectedPath(const std::string& path);

    void ShellTreeView1Change();
    void OKButtonClick();

    // Creates the dialog for owner, binds it to ini, shows it modally and
    // frees it. True when it was closed with OK.
    static bool Execute(TFormOptions* owner, TIniFile* ini);

protected:
    void showEvent(QShowEvent* event) override;

private:
    TFormOptions* FOwner;
    QFileSystemModel* FModel = nullptr;
    std::string FSelectedPath;
};
