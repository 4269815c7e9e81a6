#include "editor/formcreatepackage.h"

#include "editor/formmain.h"
#include "editor/formoptions.h"
#include "editor/frmeditor.h"
#include "editor/msginisupp.h"
#include "editor/vclwidgets.h"
#include "model/vlproject.h"
#include "platform/codepage.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <utility>

TFormCreatePackage* FormCreatePackage = nullptr;

namespace fs = std::filesystem;

namespace {

// Restores the cursor and the button however the run ends.
struct TBusy {
    QPushButton* Button;
    explicit TBusy(QPushButton* button) : Button(button)
    {
        Button->setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~TBusy()
    {
        QApplication::restoreOverrideCursor();
        Button->setEnabled(true);
    }
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;
};

} // namespace

TFormCreatePackage::TFormCreatePackage(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormCreatePackage");
    setWindowTitle("Route Packager");

    GroupBox1 = new QGroupBox("Sources", this);
    GroupBox1->setObjectName("GroupBox1");
    ObjDirEdit = new TLabeledEdit(GroupBox1, "ObjDirEdit");
    ObjDirEdit->EditLabel()->setText("Objects directory");
    RouteDirEdit = new TLabeledEdit(GroupBox1, "RouteDirEdit");
    RouteDirEdit->EditLabel()->setText("Route directory");
    ListBox1 = new QListWidget(GroupBox1);
    ListBox1->setObjectName("ListBox1");
    auto* sources = new QVBoxLayout(GroupBox1);
    sources->addWidget(ObjDirEdit);
    sources->addWidget(RouteDirEdit);
    sources->addWidget(ListBox1, 1);

    lStatus = new QLabel("...", this);
    lStatus->setObjectName("lStatus");
    lStatus->setMinimumWidth(360);
    CreatePackage = new QPushButton("Create package", this);
    CreatePackage->setObjectName("CreatePackage");
    CreatePackage->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1, 1);
    layout->addWidget(lStatus);
    layout->addWidget(CreatePackage, 0, Qt::AlignRight);
    resize(420, 360);

    connect(CreatePackage, &QPushButton::clicked, this, &TFormCreatePackage::CreatePackageClick);
    if (FormMain && FormMain->FrmEditor)
        connect(FormMain->FrmEditor, &TFrmEditor::ProjectClosing, this, [this](TVLProject* project) {
            if (Project == project)
                Project = nullptr;
        });
}

void TFormCreatePackage::CollectFiles(TStrings& List, const std::string& Folder, const std::string& Prefix)
{
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(Folder, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(*it);
    std::sort(entries.begin(), entries.end(),
              [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });

    for (const fs::directory_entry& entry : entries) {
        const std::string native = entry.path().filename().string();
        const auto name = ModelName(native);
        if (!name) {
            UnnamableFiles.push_back(Folder + "/" + native);
            continue;
        }
        const std::string path = Prefix.empty() ? *name : Prefix + "\\" + *name;
        std::error_code typeError;
        const fs::file_status linkStatus = entry.symlink_status(typeError);
        const fs::file_status status = entry.status(typeError);
        if (fs::is_directory(status)) {
            if (!native.empty() && native[0] != '.' && !fs::is_symlink(linkStatus))
                CollectFiles(List, Folder + "/" + native, path);
            continue;
        }
        List.push_back(path);
        lStatus->setText(QString::fromStdString(Folder + "/" + native));
    }
}

void TFormCreatePackage::CreatePackageClick()
{
    if (!Project)
        return;
    const std::string objDir = ObjDirEdit->Text();
    const std::string routeDir = RouteDirEdit->Text();
    // An empty name would package the whole object or route tree.
    if (Trim(objDir).empty() || Trim(routeDir).empty()) {
        MessageDlg(GetMessageText("ucreatepackage_no_dirs"), mtError, mbOK);
        return;
    }
    if (!HasPackageHandler()) {
        MessageDlg(GetMessageText("ucreatepackage_no_packager"), mtError, mbOK);
        return;
    }
    if (!FormOptions || !FormOptions->CheckBveFolder())
        return;

    {
        TBusy busy(CreatePackage);
        ObjectList.clear();
        RouteList.clear();
        ListBox1->clear();
        const std::string bve = IncludeTrailingPathDelimiter(FormOptions->BveFolder);
        const std::string objectFolder = DiskPath(bve, "railway\\object\\" + objDir);
        const std::string routeFolder = DiskPath(bve, "railway\\route\\" + routeDir);
        UnnamableFiles.clear();
        CollectFiles(ObjectList, objectFolder, "");
        CollectFiles(RouteList, routeFolder, "");
        // A mistyped folder name would give a package without the route;
        // nothing is written, and an earlier package of the route stays.
        for (const auto& [list, folder] : {std::pair(&ObjectList, objectFolder), std::pair(&RouteList, routeFolder)}) {
            if (list->empty()) {
                MessageDlg(GetMessageText("ucreatepackage_empty_folder") + Utf8ToAnsi(folder), mtError, mbOK);
                return;
            }
        }
        for (const std::string& f : ObjectList)
            ListBox1->addItem(AnsiToQ(f));
        for (const std::string& f : RouteList)
            ListBox1->addItem(AnsiToQ(f));
        for (const std::string& f : UnnamableFiles) {
            auto* item = new QListWidgetItem(QString::fromStdString(f), ListBox1);
            item->setForeground(Qt::red);
        }
        if (!UnnamableFiles.empty()) {
            std::string text = GetMessageText("tcreatepackage_not_ansi");
            if (const std::size_t at = text.find("%d"); at != std::string::npos)
                text.replace(at, 2, std::to_string(UnnamableFiles.size()));
            MessageDlg(text, mtWarning, mbOK);
        }

        TPackageRequest request;
        request.ObjectFiles = ObjectList;
        request.RouteFiles = RouteList;
        request.ObjectSource = objectFolder;
        request.RouteDir = routeDir;
        request.Project = Project;
        request.RouteName = Project->ProjectName;
        request.PicturePath = Project->LogoPath;
        request.Author = Project->Author;
        request.Homepage = Project->HomepageUrl;
        request.Description = Project->Description;
        request.Root = ProgramFolder();
        request.Credits = Project->Credits;
        if (!RunPackageHandler(request))
            return;
    }
    accept();
}
