#pragma once
// The object browser panel: the sub-folders of the object library, the
// object files of the chosen folder (".b3d"; ".bmp" in "backgrounds"), what
// the chosen object's file says about itself, a pop-up menu (structure
// viewer, refresh) and a drag source that hands the chosen object's path to
// another program. The objects window and the object picker host it; each
// host binds the double-click and the selection to its own handlers through
// the signals below.
//
// The library is the program folder plus the object folder of the settings.
// Folders are listed without those whose names begin with "." and without
// folder links; file patterns ignore letter case.

#include "editor/dragdrop.h"

#include <QWidget>

#include <string>

class QAction;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QScrollArea;

class TFrmObjects : public QWidget {
    Q_OBJECT
public:
    explicit TFrmObjects(QWidget* parent = nullptr, const char* name = "FrmObjects1");

    // The library folder (native, no trailing separator).
    static std::string LibraryPath();

    // Whether both a folder and an object are chosen, and route files can
    // name them.
    bool HasSelection() const;
    // Whether a folder and an object are chosen whose names route files
    // cannot hold (letters beyond Windows-1252); the panel says so.
    bool SelectionUnnamable() const;
    // The chosen folder and object file as the model names them (ANSI);
    // empty when none is chosen.
    std::string SelectedFolder() const;
    std::string SelectedFile() const;
    // LibraryPath + "/" + folder + "/" + file of the chosen object (native).
    std::string SelectedFullPath() const;
    // Whether a mouse button is held on the object list.
    bool MouseIsDown() const { return FMouseIsDown; }

    QLabel* Label1;
    QListWidget* lvObjFolders;
    QListWidget* lvObjects;
    // The information area (fixed height, scrolls what does not fit).
    QScrollArea* Panel1;
    QLabel* lDescription;
    QLabel* lAutor;
    QLabel* lBitmaps;
    QLabel* lCopyright;
    QMenu* PopupMenu1;
    QAction* runstructureviewer1;
    QAction* refresh1;
    TDragDropFiles* DragDropFiles1;

public slots:
    void refresh1Click();
    void lvObjFoldersClick();
    void lvObjectsSelectItem();
    void lvObjectsDblClick();
    void runstructureviewer1Click();

signals:
    // After the panel's own selection handling.
    void ObjectSelected();
    // A double-click on an object (the panel itself does nothing more).
    void ObjectDoubleClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StartObjectDrag();

    bool FMouseIsDown = false;
};

// The folder of an item of either list (native name on disk).
std::string ItemNativeName(const QListWidgetItem* item);
