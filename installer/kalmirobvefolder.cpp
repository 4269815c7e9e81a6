#include "installer/kalmirobvefolder.h"

#include "platform/gui/windowcaption.h"
#include "platform/paths.h"
#include "platform/registry.h"

#include <QDir>
#include <QEvent>
#include <QTimer>
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
    KeepCaptionWhole(this);
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
    // The tree fills in the background: each level on the way to the
    // proposed folder that arrives opens the tree towards it again, until
    // the user takes the tree in hand.
    connect(FModel, &QFileSystemModel::directoryLoaded, this, [this](const QString& path) {
        if (FProposed.empty())
            return;
        const QString proposed = QString::fromStdString(FProposed);
        if (path != proposed && !proposed.startsWith(path))
            return;
        ShowFolder(FProposed);
    });
    connect(DirectoryBox1, &QTreeView::pressed, this, [this] { FProposed.clear(); });
    DirectoryBox1->installEventFilter(this);
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
    ShowFolder(proposed);
    FFolder = proposed;
    FProposed = proposed;
    SetSelectedDir(FFolder);
}

void TKalmiro_BveFolder::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Laid out only now: the tree can scroll to the folder.
    QTimer::singleShot(0, this, [this] {
        if (!FProposed.empty())
            ShowFolder(FProposed);
    });
}

bool TKalmiro_BveFolder::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == DirectoryBox1 && event->type() == QEvent::KeyPress)
        FProposed.clear();
    return QDialog::eventFilter(watched, event);
}

void TKalmiro_BveFolder::ShowFolder(const std::string& folder)
{
    const QModelIndex index = FModel->index(QString::fromStdString(folder));
    if (!index.isValid())
        return;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        DirectoryBox1->expand(parent);
    DirectoryBox1->setCurrentIndex(index);
    DirectoryBox1->scrollTo(index, QAbstractItemView::PositionAtCenter);
    if (FModel->canFetchMore(index))
        FModel->fetchMore(index);
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
