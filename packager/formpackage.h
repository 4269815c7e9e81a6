#pragma once
// The packager window: turns a finished route into a self-extracting route
// package. The callers fill ObjectFiles, RouteFiles and RouteDir, show the
// window (not modally) and call BuildPackage, which stages the route's files
// and four description files below "<program folder>routepackages/temp/",
// packs that tree into "routepackages/files.zip", copies the installer
// "kalmiro/kalmiro" and appends archive and trailer to the copy (see
// packager/packageformat.h), and leaves the finished package as
// "completed_packages/VLinstaller-<route name>". Closing the window removes
// "routepackages" with everything in it.
//
// The archive holds, relative to the staging folder: "route.ini" (section
// Route: Name, Image, Author, Homepage), "description.dat", "credits.dat",
// "files.dat" (one line per packaged file, "\railway\object\<dir>\<file>"
// then "\railway\route\<dir>\<file>", each with CR LF), the route picture or
// "noscreen.bmp", and the files under "railway/object/<dir>/" and
// "railway/route/<dir>/".
//
// A file that cannot be copied is left out of the package and its
// "files.dat", and named in a warning at the end of the build.
//
// A route without files, or with more than an archive holds, is refused
// before anything is written. The package is built in the staging area and
// takes the place of an earlier one only when it is whole. Errors (a file
// that cannot be written, a missing installer, an archive error) close the
// window, remove the staging tree and reach the caller as exceptions
// (std::runtime_error, EZAException).

#include "platform/textlines.h"
#include "zip/zaarchiver.h"

#include <QDialog>

#include <string>

class QLabel;
class QProgressBar;
class TVLProject;
class TPackagerOptions;

class TFormPackage : public QDialog {
    Q_OBJECT
public:
    explicit TFormPackage(QWidget* parent = nullptr);
    ~TFormPackage() override;

    // Object files, each relative to the object library folder ("\" or "/"
    // inside); route files, each relative to
    // "<BVE folder>\railway\route\<RouteDir>\". Both keep their entries after
    // a build.
    TStrings ObjectFiles;
    TStrings RouteFiles;
    // The route's sub-folder below railway\object and railway\route.
    std::string RouteDir;
    // The folder the object files are copied from (native); empty: the
    // object library folder of the options. The wizard, which collects the
    // object files from a folder of the BVE tree, names that folder here.
    std::string ObjectSource;
    // The entries of ObjectFiles and RouteFiles the last build could not
    // copy (ANSI, as listed). They are left out of "files.dat", and the
    // build ends with a warning that names them.
    TStrings FailedFiles;
    // Set by the wizard; the build does not read it.
    TVLProject* Project = nullptr;
    // Where the BVE folder and the object folder come from; null: the
    // packager's global options (packager/packageroptions.h).
    TPackagerOptions* Options = nullptr;

    TZipArchiver ZipArchiver1;
    QProgressBar* ProgressBar = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Image1 = nullptr;

    // Builds the package. Root is the editor's program folder with trailing
    // separator. The texts are ANSI, as the project holds them. Closes the
    // window at the end.
    void BuildPackage(const std::string& RouteName, const std::string& PicturePath, const std::string& Author,
                      const std::string& Homepage, const std::string& Description, const std::string& Root,
                      const std::string& Credits);

    // See JoinPackageFiles (packager/packageformat.h).
    void JoinFiles(const std::string& Target, const std::string& Source, const std::string& Tag);

    // Removes Folder with everything below it; failures are ignored.
    void DeleteTempDir(const std::string& Folder);

    // The package's file name for a route name: "VLinstaller-<name>", with
    // path separators in the name replaced so the file stays in its folder.
    static std::string PackageFileName(const std::string& RouteName);

    // The finished package of the last build that succeeded (native); empty
    // after a failed one.
    std::string PackagePath;

    // True while BuildPackage runs.
    bool Building() const { return FBuilding; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormClose();
    void Step(int progress);
    void Build(const std::string& RouteName, const std::string& PicturePath, const std::string& Author,
               const std::string& Homepage, const std::string& Description, const std::string& Credits);

    std::string FRoot;
    bool FBuilding = false;
};

// The one packager window of the editor (created at start-up).
extern TFormPackage* FormPackage;
