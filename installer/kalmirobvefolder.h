#pragma once
// The installer's BVE folder window: a folder tree and the folder chosen in
// it. OK stores the folder as "BVE Folder" under "Software\Velkast" in the
// machine-wide registry hive and closes the window with mrOk; the caller
// takes the folder from LabelSelectedDir.

#include <QDialog>

#include <string>

class QGroupBox;
class QLabel;
class QPushButton;
class QFileSystemModel;
class QTreeView;

class TKalmiro_BveFolder : public QDialog {
    Q_OBJECT
public:
    explicit TKalmiro_BveFolder(QWidget* parent = nullptr);

    QLabel* LabelSelectDir = nullptr;
    QLabel* LabelSelectedDir = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QTreeView* DirectoryBox1 = nullptr;
    QPushButton* OKButton = nullptr;

    // The folder selected in the tree (native path, no trailing separator).
    std::string Folder() const;
    // Selects a folder in the tree; LabelSelectedDir follows.
    void SetFolder(const std::string& folder);

    // LabelSelectedDir's text as a native path.
    std::string SelectedDir() const;
    void SetSelectedDir(const std::string& folder);

    void OKButtonClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    // Opens the tree down to the folder and selects it.
    void ShowFolder(const std::string& folder);

    QFileSystemModel* FModel = nullptr;
    std::string FFolder;
    // The folder SetFolder proposed, until the tree has loaded its way to it.
    std::string FProposed;
};
