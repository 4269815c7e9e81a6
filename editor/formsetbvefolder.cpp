#include "editor/formsetbvefolder.h"

#include "editor/formoptions.h"
#include "editor/msginisupp.h"
#include "platform/gui/dialogs.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/registry.h"

#include <QFile>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeView>
#include <QVBoxLayout>

TFormSetBveFolder::TFormSetBveFolder(TFormOptions* owner) : QDialog(owner), FOwner(owner)
{
    setObjectName("FormSetBveFolder");
    setWindowTitle("Preferences - BVE directory");
    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel("Please select your BVE Directory:", this);
    Label1->setObjectName("Label1");
    layout->addWidget(Label1);
    LabelSelectedDir = new QLabel(this);
    LabelSelectedDir->setObjectName("LabelSelectedDir");
    QFont bold = LabelSelectedDir->font();
    bold.setBold(true);
    LabelSelectedDir->setFont(bold);
    layout->addWidget(LabelSelectedDir);
    ShellTreeView1 = new QTreeView(this);
    ShellTreeView1->setObjectName("ShellTreeView1");
    ShellTreeView1->setMinimumSize(320, 360);
    layout->addWidget(ShellTreeView1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setEnabled(false);
    buttons->addWidget(OKButton);
    layout->addLayout(buttons);
    connect(OKButton, &QPushButton::clicked, this, &TFormSetBveFolder::OKButtonClick);
    if (FOwner && !FOwner->BveFolder.empty())
        SetSelectedPath(FOwner->BveFolder);
}

void TFormSetBveFolder::showEvent(QShowEvent* event)
{
    // The folder tree reads the file system only when really shown.
    if (!FModel) {
        FModel = new QFileSystemModel(this);
        FModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
        FModel->setRootPath("/");
        ShellTreeView1->setModel(FModel);
        for (int column = 1; column < FModel->columnCount(); ++column)
            ShellTreeView1->hideColumn(column);
        ShellTreeView1->header()->hide();
        connect(ShellTreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this] { ShellTreeView1Change(); });
        if (!FSelectedPath.empty()) {
            QModelIndex index = FModel->index(QFile::decodeName(QByteArray::fromStdString(FSelectedPath)));
            if (index.isValid()) {
                ShellTreeView1->setCurrentIndex(index);
                ShellTreeView1->scrollTo(index);
            }
        }
    }
    QDialog::showEvent(event);
}

void TFormSetBveFolder::SetSelectedPath(const std::string& path)
{
    FSelectedPath = path.size() > 1 ? ExcludeTrailingPathDelimiter(path) : path;
    LabelSelectedDir->setText(QFile::decodeName(QByteArray::fromStdString(FSelectedPath)));
    OKButton->setEnabled(!FSelectedPath.empty());
    if (FModel) {
        QModelIndex index = FModel->index(QFile::decodeName(QByteArray::fromStdString(FSelectedPath)));
        if (index.isValid() && index != ShellTreeView1->currentIndex())
            ShellTreeView1->setCurrentIndex(index);
    }
}

void TFormSetBveFolder::ShellTreeView1Change()
{
    if (!FModel)
        return;
    QModelIndex index = ShellTreeView1->currentIndex();
    SetSelectedPath(index.isValid() ? QFile::encodeName(FModel->filePath(index)).toStdString() : std::string());
}

void TFormSetBveFolder::OKButtonClick()
{
    if (FSelectedPath.empty()) {
        // No folder would make every route path start at the root.
        MessageDlg(GetMessageText("usetbvefolder_none"), mtWarning, mbOK);
        return;
    }
    if (IniFile) {
        IniFile->WriteString("Settings", "ShowConfigBveFolder", "False");
        IniFile->WriteString("Settings", "BVE_Folder", FSelectedPath);
    }
    if (FOwner)
        FOwner->BveFolder = FSelectedPath;
    TRegistry reg(THive::HKEY_CURRENT_USER);
    if (reg.OpenKey("Software\\Velkast", true)) {
        reg.WriteString("BVE Folder", FSelectedPath);
        reg.WriteString("Velkast Folder", FOwner ? FOwner->ExePath : ProgramFolder());
    }
    if (FOwner)
        FOwner->ShowBveFolder(FSelectedPath);
    accept();
}

bool TFormSetBveFolder::Execute(TFormOptions* owner, TIniFile* ini)
{
    auto* dialog = new TFormSetBveFolder(owner);
    dialog->IniFile = ini;
    bool ok = ShowModal(dialog) == mrOk && dialog->result() == QDialog::Accepted;
    delete dialog;
    return ok;
}
