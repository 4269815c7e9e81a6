#include "installer/kalmirobvefolder.h"

#include "platform/paths.h"
#include "platform/registry.h"

#include <QDir>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

TKalmiro_BveFolder::TKalmiro_BveFolder(QWidget* parent) : QDialog(parent)
{
    setObjectName("Kalmiro_BveFolder");
    setWindowTitle("Kalmiro - BVE directory");
    auto* layout = new QVBoxLayout(this);
    LabelSelectDir = new QLabel("Please select your BVE Directory:", this);
    LabelSelectDir->setObjectName("LabelSelectDir");
    LabelSelectedDir = new QLabel(this);
    LabelSelectedDir->setObjectName("LabelSelectedDir");
    QFont bold = LabelSelectedDir->font();
    bold.setBold(true);
    LabelSelectedDir->setFont(bold);
    GroupBox1 = new QGroupBox("Change", this);
    GroupBox1->setObjectName("GroupBox1");
    auto* groupLayout = new QVBoxLayout(GroupBox1);
    FModel = new QFileSystemModel(this);
    FModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    FModel->setRootPath(QDir::rootPath());
    DirectoryBox1 = new QTreeView(GroupBox1);
    DirectoryBox1->setObjectName("DirectoryBox1");
    DirectoryBox1->setModel(FModel);
    for (int column = 1; column < FModel->columnCount(); ++column)
        DirectoryBox1->hideColumn(column);
    DirectoryBox1->setHeaderHidden(true);
    groupLayout->addWidget(DirectoryBox1);
    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setDefault(true);
    layout->addWidget(LabelSelectDir);
    layout->addWidget(LabelSelectedDir);
    layout->addWidget(GroupBox1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    layout->addLayout(buttons);
    resize(420, 420);

    connect(DirectoryBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    SetSelectedDir(FModel->filePath(current).toStdString());
                FFolder = SelectedDir();
            });
    connect(OKButton, &QPushButton::clicked, this, &TKalmiro_BveFolder::OKButtonClick);
    // The tree fills in the background: until the proposed folder's own
    // level has arrived, each level that does is opened towards it again.
    connect(FModel, &QFileSystemModel::directoryLoaded, this, [this](const QString& path) {
        if (FProposed.empty())
            return;
        const QString proposed = QString::fromStdString(FProposed);
        if (path != proposed && !proposed.startsWith(path))
            return;
        const QModelIndex index = FModel->index(proposed);
        if (index.isValid()) {
            DirectoryBox1->setCurrentIndex(index);
            DirectoryBox1->scrollTo(index, QAbstractItemView::PositionAtCenter);
        }
        if (path == proposed)
            FProposed.clear();
    });
    FormCreate();
}

void TKalmiro_BveFolder::FormCreate()
{
    // The usual place of the simulator on this system is unknown; the home
    // folder is where a user's own installation most likely lies.
    SetFolder(QDir::homePath().toStdString());
}

std::string TKalmiro_BveFolder::Folder() const { return FFolder; }

void TKalmiro_BveFolder::SetFolder(const std::string& folder)
{
    std::string f = ExcludeTrailingPathDelimiter(ToNativePath(folder));
    FFolder = f.empty() ? std::string(1, '/') : f;
    const std::string proposed = FFolder;
    const QModelIndex index = FModel->index(QString::fromStdString(FFolder));
    if (index.isValid()) {
        DirectoryBox1->setCurrentIndex(index);
        DirectoryBox1->scrollTo(index, QAbstractItemView::PositionAtCenter);
        FModel->fetchMore(index);
    }
    FFolder = proposed;
    FProposed = proposed;
    SetSelectedDir(FFolder);
}

std::string TKalmiro_BveFolder::SelectedDir() const { return LabelSelectedDir->text().toStdString(); }

void TKalmiro_BveFolder::SetSelectedDir(const std::string& folder)
{
    LabelSelectedDir->setText(QString::fromStdString(folder));
}

void TKalmiro_BveFolder::OKButtonClick()
{
    TRegistry registry(THive::HKEY_LOCAL_MACHINE);
    if (registry.OpenKey("Software\\Velkast", true)) {
        registry.WriteString("BVE Folder", Folder());
        registry.CloseKey();
    }
    SetSelectedDir(Folder());
    accept();
}
