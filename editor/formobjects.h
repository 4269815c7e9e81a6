#pragma once
// The "Objects" tool window of the editor: the object browser panel, kept
// on top while editing. A double-click places the chosen object into the
// project at the editor's cursor; the editor's "add object" command reads
// the panel's selection through TFrmEditor::ObjectBrowserSelection, which
// this window answers.
//
// Its creation fixes the object library's root (ObjectsRoot) for every
// object file the model reads.

#include <QDialog>

class TFrmObjects;
class TVLProject;

class TFormObjects : public QDialog {
    Q_OBJECT
public:
    explicit TFormObjects(QWidget* parent = nullptr);
    ~TFormObjects() override;

    // The open project (not owned), set by the editor each time it shows
    // the window; cleared when the editor frees the project.
    TVLProject* Project = nullptr;

    TFrmObjects* FrmObjects1;

    void FormCreate();

public slots:
    void FormShow();
    void FrmObjects1lvObjectsDblClick();
    void FrmObjects1lvObjectsSelectItem();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TFormObjects* FormObjects;
