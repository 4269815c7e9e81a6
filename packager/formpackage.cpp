#include "packager/formpackage.h"

#include "packager/packageformat.h"
#include "packager/packageroptions.h"

#include "platform/gui/dialogs.h"
#include "platform/inifile.h"
#include "platform/paths.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <filesystem>
#include <set>
#include <stdexcept>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

TFormPackage* FormPackage = nullptr;

namespace {

// A path inside the package must stay below the folder it is joined to: no
// ".." component, whichever separator is used.
void CheckInsidePath(const std::string& path, const char* what)
{
    std::string part;
    auto check = [&] {
        if (part == "..")
            throw std::runtime_error(std::string("The ") + what + " \"" + path +
                                     "\" leads out of its folder and cannot be packaged.");
        part.clear();
    };
    for (char c : path) {
        if (c == '/' || c == '\\')
            check();
        else
            part += c;
    }
    check();
}

const char NoFilesMessage[] = "The route has no files to package. No package was written.";

void WriteTextFile(const std::string& fileName, const std::string& text)
{
    if (!WriteFileAtomic(fileName, text)) {
        const int error = errno;
        throw std::runtime_error("Cannot write file \"" + fileName + "\". " + WriteErrorText(fileName, error));
    }
}

} // namespace

TFormPackage::TFormPackage(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormPackage");
    setWindowTitle("Route Packager - Creating Package...");
    auto* layout = new QVBoxLayout(this);
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Label1 = new QLabel("Velkast is creating a package of your route...", this);
    Label1->setObjectName("Label1");
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    layout->addWidget(Image1);
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar);

    ZipArchiver1.Name = "ZipArchiver1";
    ZipArchiver1.SetCompressionMode(1);
    ZipArchiver1.SetInMemory(false);
}

TFormPackage::~TFormPackage() = default;

std::string TFormPackage::PackageFileName(const std::string& RouteName)
{
    std::string name = RouteName;
    for (char& c : name)
        if (c == '/' || c == '\\')
            c = '_';
    return "VLinstaller-" + name;
}

void TFormPackage::Step(int progress)
{
    if (progress)
        ProgressBar->setValue(ProgressBar->value() + progress);
    QApplication::processEvents();
}

void TFormPackage::BuildPackage(const std::string& RouteName, const std::string& PicturePath,
                                const std::string& Author, const std::string& Homepage,
                                const std::string& Description, const std::string& Root, const std::string& Credits)
{
    PackagePath.clear();
    FRoot = IncludeTrailingPathDelimiter(ToNativePath(Root));
    try {
        Build(RouteName, PicturePath, Author, Homepage, Description, Credits);
    } catch (...) {
        // The window goes with the error, and so does the staging tree; the
        // finished package of an earlier build is left as it was.
        FBuilding = false;
        ProgressBar->setValue(0);
        close();
        FormClose();
        throw;
    }
}

void TFormPackage::Build(const std::string& RouteName, const std::string& PicturePath, const std::string& Author,
                         const std::string& Homepage, const std::string& Description, const std::string& Credits)
{
    TPackagerOptions& options = Options ? *Options : PackagerOptions();
    const std::string work = FRoot + "routepackages/";
    const std::string T = work + "temp/";
    CheckInsidePath(RouteDir, "route folder");
    for (const std::string& f : ObjectFiles)
        CheckInsidePath(f, "object file");
    for (const std::string& f : RouteFiles)
        CheckInsidePath(f, "route file");
    if (ObjectFiles.empty() && RouteFiles.empty())
        throw std::runtime_error(NoFilesMessage);
    // The archive holds at most 65,535 items: the files and the five
    // description files.
    if (ObjectFiles.size() + RouteFiles.size() + 5 > 65535)
        throw std::runtime_error("The route has " + std::to_string(ObjectFiles.size() + RouteFiles.size()) +
                                 " files; a package holds at most 65,530. No package was written.");

    struct BuildingFlag {
        bool& Flag;
        explicit BuildingFlag(bool& f) : Flag(f) { Flag = true; }
        ~BuildingFlag() { Flag = false; }
    } building(FBuilding);

    // 1. A staging tree left by an interrupted build would mix its files into
    //    this package (and, as copies do not overwrite, keep its versions).
    Step(0);
    DeleteTempDir(work);
    if (!ForceDirectories(T))
        throw std::runtime_error("Cannot create folder \"" + T + "\"");
    TIniFile ini(T + "route.ini");
    const std::string image = ExtractFileName(PicturePath);
    if (!ini.WriteString("Route", "Name", RouteName) || !ini.WriteString("Route", "Image", image) ||
        !ini.WriteString("Route", "Author", Author) || !ini.WriteString("Route", "Homepage", Homepage))
        throw std::runtime_error("Cannot write file \"" + T + "route.ini\"");
    Step(10);

    // 2. Description and credits; the file list is written once complete.
    WriteTextFile(T + "description.dat", Description + "\r\n");
    WriteTextFile(T + "credits.dat", Credits + "\r\n");
    TStrings files;
    Step(10);

    // 3, 4. The route's files. A file that cannot be copied stays out of
    //    the package and its list, and the build ends with a warning: a
    //    listed file the installer cannot find would break the route.
    //    The sources lie under their native (UTF-8) names, as the export
    //    wrote them, and so do the staging copies: the archive engine turns
    //    disk names back into the ANSI item names files.dat lists.
    FailedFiles.clear();
    std::set<std::string> staged;
    auto stage = [&](const std::string& source, const std::string& target, const std::string& entry,
                     const std::string& line) {
        // The same file listed twice is packaged once.
        if (!staged.insert(target).second)
            return;
        ForceDirectories(ExtractFilePath(target));
        // A second name for the file costs nothing and lasts only as long
        // as the staging tree; where there cannot be one (another file
        // system), the file is copied.
        if (::linkat(AT_FDCWD, ResolvePathCase(source).c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
            CopyFile(source, target, true))
            files.push_back(line);
        else
            FailedFiles.push_back(entry);
    };
    const std::string objectSource =
        ObjectSource.empty() ? DiskPath(FRoot, options.GetObjectFolder()) : ObjectSource;
    for (const std::string& f : ObjectFiles)
        stage(DiskPath(objectSource, f), DiskPath(T, "railway\\object\\" + RouteDir + "\\" + f), f,
              "\\railway\\object\\" + ToWindowsPath(RouteDir) + "\\" + ToWindowsPath(f));
    const std::string routeSource = DiskPath(options.BveFolder(), "railway\\route\\" + RouteDir);
    for (const std::string& f : RouteFiles)
        stage(DiskPath(routeSource, f), DiskPath(T, "railway\\route\\" + RouteDir + "\\" + f), f,
              "\\railway\\route\\" + ToWindowsPath(RouteDir) + "\\" + ToWindowsPath(f));
    Step(15);

    // 5. The picture the installer shows, then the finished file list.
    const std::string picture = DiskPath(PicturePath);
    if (!PicturePath.empty() && FileExists(picture))
        CopyFile(picture, DiskPath(T, image), false);
    else
        CopyFile(FRoot + "kalmiro/noscreen.bmp", T + "noscreen.bmp", true);
    if (files.empty())
        throw std::runtime_error(NoFilesMessage);
    WriteTextFile(T + "files.dat", JoinLines(files));
    ::DeleteFile(T + "files.zip");
    Step(10);

    // 6. The archive of the whole staging tree.
    const std::string zipName = work + "files.zip";
    ZipArchiver1.SetActive(false);
    ZipArchiver1.BaseDir = T;
    ZipArchiver1.FileName = zipName;
    ZipArchiver1.OpenArchiveWithMode(fmCreate);
    ZipArchiver1.AddFiles("*.*", 47, "");
    ZipArchiver1.CloseArchive();
    Step(15);

    // 7. Installer, archive, trailer.
    const std::string packageName = NativeFileName(PackageFileName(RouteName));
    const std::string P = work + packageName;
    if (!CopyFile(FRoot + "kalmiro/kalmiro", P, true))
        throw std::runtime_error("Cannot copy the installer \"" + FRoot + "kalmiro/kalmiro\" to \"" + P + "\"");
    JoinFiles(P, zipName, "0");
    JoinFiles(P, "0", PackageTag);
    Step(15);

    // 8. The finished package takes the place of an earlier one only now
    //    that it is whole; a failed build leaves the earlier one as it was.
    const std::string done = FRoot + "completed_packages";
    if (!DirectoryExists(done))
        ForceDirectories(done);
    const std::string finished = done + "/" + packageName;
    // An earlier package the user write-protected is kept as well.
    if (IsWriteProtected(finished))
        throw std::runtime_error("Cannot write file \"" + finished + "\". " + WriteErrorText(finished, EACCES));
    if (::rename(P.c_str(), finished.c_str()) != 0) {
        const std::string part = finished + ".part";
        if (!CopyFile(P, part, false) || ::rename(part.c_str(), finished.c_str()) != 0) {
            const int error = errno;
            ::DeleteFile(part);
            throw std::runtime_error("Cannot write file \"" + finished + "\". " + WriteErrorText(finished, error));
        }
    }
    PackagePath = finished;
    Step(15);

    // 9.
    ProgressBar->setValue(0);
    FBuilding = false;
    close();
    FormClose();

    if (!FailedFiles.empty()) {
        std::string text = "The package was built without these files, which could not be copied:";
        for (const std::string& f : FailedFiles)
            text += "\r\n" + f;
        MessageDlg(text, mtWarning, mbOK);
    }
}

void TFormPackage::JoinFiles(const std::string& Target, const std::string& Source, const std::string& Tag)
{
    JoinPackageFiles(Target, Source, Tag);
}

void TFormPackage::DeleteTempDir(const std::string& Folder)
{
    std::error_code ec;
    fs::remove_all(ExcludeTrailingPathDelimiter(ToNativePath(Folder)), ec);
}

void TFormPackage::FormClose()
{
    DeleteTempDir((FRoot.empty() ? ProgramFolder() : FRoot) + "routepackages");
}

void TFormPackage::closeEvent(QCloseEvent* event)
{
    // Closing removes the staging tree, which a running build still needs.
    if (FBuilding) {
        event->ignore();
        return;
    }
    FormClose();
    QDialog::closeEvent(event);
}
