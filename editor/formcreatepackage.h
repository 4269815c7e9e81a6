#pragma once
// The package wizard ("Route Packager"): packages a route that lies in the
// BVE folder already. It collects every file of one object folder
// ("<BVE folder>/railway/object/<ObjDirEdit>") and one route folder
// ("<BVE folder>/railway/route/<RouteDirEdit>") and hands them to the
// package builder, which copies the object files from that same object
// folder, so that every file the package lists is in it.
//
// A folder that does not exist or holds no files is refused before anything
// is written. The builder is reached through the package handler
// (editor/packagerequest.h); its exceptions are shown as an error message and
// leave the wizard open.

#include "editor/packagerequest.h"
#include "platform/textlines.h"

#include <QDialog>

#include <functional>
#include <string>

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class TLabeledEdit;
class TVLProject;

class TFormCreatePackage : public QDialog {
    Q_OBJECT
public:
    explicit TFormCreatePackage(QWidget* parent = nullptr);

    // The open project (not owned); cleared when the editor frees it.
    TVLProject* Project = nullptr;
    // The files of the last run, ANSI, "\" between folder names.
    TStrings ObjectList;
    TStrings RouteList;
    // Files found whose names Windows-1252 cannot hold (disk paths): left
    // out of the package, shown in the list and reported.
    TStrings UnnamableFiles;

    QGroupBox* GroupBox1;
    TLabeledEdit* ObjDirEdit;
    TLabeledEdit* RouteDirEdit;
    // The files of the last run.
    QListWidget* ListBox1;
    QLabel* lStatus;
    QPushButton* CreatePackage;

    // Collects, builds the package and closes the wizard.
    void CreatePackageClick();

    // Appends every file below Folder (native) to List, as Prefix + "\" +
    // its path below Folder ("\" between names; no Prefix: the path alone).
    // Folders whose names begin with "." are passed over at every level, and
    // links to folders are not followed (a link to a parent would never
    // end). Names are taken in name order. A missing folder adds nothing.
    void CollectFiles(TStrings& List, const std::string& Folder, const std::string& Prefix);
};

extern TFormCreatePackage* FormCreatePackage;
