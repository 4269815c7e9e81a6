#include "editor/frmobjects.h"

#include "editor/formoptions.h"
#include "editor/msginisupp.h"
#include "editor/vclwidgets.h"
#include "model/vlobject.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace {

const char* const BackgroundsFolder = "backgrounds";
// Lines of text the information area shows without scrolling: one for each
// of its four values and two more for a longer description.
constexpr int DetailsLines = 6;

QString FromNative(const std::string& native) { return QFile::decodeName(QByteArray::fromStdString(native)); }
std::string ToNative(const QString& text) { return QFile::encodeName(text).toStdString(); }

QListWidget* MakeList(QWidget* parent, const char* name, const char* hint)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setToolTip(hint);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    return list;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text)
{
    auto* label = new QLabel(text, parent);
    if (name)
        label->setObjectName(name);
    return label;
}

// The chosen item of a list; nothing when no item is selected.
QListWidgetItem* Chosen(const QListWidget* list)
{
    QListWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? item : nullptr;
}

// The model name of an item: what a route file can name, or nothing when the
// disk name has letters that Windows-1252 lacks.
std::optional<std::string> ItemModelName(const QListWidgetItem* item)
{
    return item ? ModelName(ItemNativeName(item)) : std::nullopt;
}

// A list item for a name on disk, shown as it stands. A name the route files
// cannot hold is greyed and says so; it cannot be chosen for the plan.
void AddDiskItem(QListWidget* list, const QIcon& icon, const QString& diskName)
{
    auto* item = new QListWidgetItem(icon, diskName, list);
    item->setData(Qt::UserRole, diskName);
    if (!ItemModelName(item)) {
        item->setForeground(list->palette().brush(QPalette::Disabled, QPalette::Text));
        item->setToolTip(AnsiToQ(GetMessageText("tmain_name_not_ansi")));
    }
}

} // namespace

std::string ItemNativeName(const QListWidgetItem* item)
{
    return item ? ToNative(item->data(Qt::UserRole).toString()) : std::string();
}

TFrmObjects::TFrmObjects(QWidget* parent, const char* name) : QWidget(parent)
{
    setObjectName(name);

    Label1 = MakeLabel(this, "Label1", "Object Browser");
    lvObjFolders = MakeList(this, "lvObjFolders", "click to select a folder");
    lvObjects = MakeList(this, "lvObjects", "doubleclick to insert in editor, drag object to structure viewer window");

    // The information area keeps its height whatever it shows, so the lists
    // above it stay where they are between the clicks of a double-click;
    // long texts wrap and scroll within it.
    Panel1 = new QScrollArea(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setWidgetResizable(true);
    Panel1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* details = new QWidget;
    lDescription = MakeLabel(details, "lDescription", "");
    lAutor = MakeLabel(details, "lAutor", "");
    lBitmaps = MakeLabel(details, "lBitmaps", "");
    lCopyright = MakeLabel(details, "lCopyright", "");
    auto* info = new QGridLayout(details);
    const char* captions[] = {"Description:", "Author:", "Bitmaps:", "Copyright:"};
    QLabel* values[] = {lDescription, lAutor, lBitmaps, lCopyright};
    for (int i = 0; i < 4; ++i) {
        info->addWidget(MakeLabel(details, nullptr, captions[i]), i, 0, Qt::AlignTop);
        values[i]->setFixedWidth(220);
        values[i]->setWordWrap(true);
        info->addWidget(values[i], i, 1);
    }
    info->setRowStretch(4, 1);
    Panel1->setWidget(details);
    const QMargins margins = info->contentsMargins();
    Panel1->setFixedHeight(DetailsLines * fontMetrics().lineSpacing() + 3 * std::max(0, info->verticalSpacing()) +
                           margins.top() + margins.bottom() + 2 * Panel1->frameWidth());

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    runstructureviewer1 = PopupMenu1->addAction("&run structure viewer");
    runstructureviewer1->setObjectName("runstructureviewer1");
    refresh1 = PopupMenu1->addAction("&refresh");
    refresh1->setObjectName("refresh1");

    // A drag source of one object path with the link effect, never a target.
    DragDropFiles1 = new TDragDropFiles(this, "DragDropFiles1");
    DragDropFiles1->SetSourceEffects(deLink);
    DragDropFiles1->SetTargetEffects(deNone);
    DragDropFiles1->AcceptOwnDnD = false;
    DragDropFiles1->SetAutoDetectDnD(false);
    DragDropFiles1->BringToFront = false;
    DragDropFiles1->TargetPopupMenu = true;

    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    lvObjFolders->setProperty("itemIcon", folderIcon);
    lvObjects->setProperty("itemIcon", fileIcon);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(Label1);
    layout->addWidget(lvObjFolders, 1);
    layout->addWidget(lvObjects, 2);
    layout->addWidget(Panel1);

    connect(lvObjFolders, &QListWidget::itemClicked, this, [this] { lvObjFoldersClick(); });
    connect(lvObjFolders, &QListWidget::currentRowChanged, this, [this] { lvObjFoldersClick(); });
    // A click makes the item current before it selects it: the details
    // follow the selection, which keys and clicks leave alike.
    connect(lvObjects, &QListWidget::itemSelectionChanged, this, [this] { lvObjectsSelectItem(); });
    connect(lvObjects, &QListWidget::itemDoubleClicked, this, [this] { lvObjectsDblClick(); });
    connect(refresh1, &QAction::triggered, this, &TFrmObjects::refresh1Click);
    connect(runstructureviewer1, &QAction::triggered, this, &TFrmObjects::runstructureviewer1Click);
    for (QListWidget* list : {lvObjFolders, lvObjects})
        connect(list, &QWidget::customContextMenuRequested, this,
                [this, list](const QPoint& pos) { PopupMenu1->popup(list->viewport()->mapToGlobal(pos)); });
    lvObjects->viewport()->installEventFilter(this);
}

std::string TFrmObjects::LibraryPath()
{
    const std::string folder = FormOptions ? FormOptions->GetObjectFolder() : std::string("lib");
    return ExcludeTrailingPathDelimiter(DiskPath(ProgramFolder(), folder));
}

bool TFrmObjects::HasSelection() const
{
    return ItemModelName(Chosen(lvObjFolders)) && ItemModelName(Chosen(lvObjects));
}

bool TFrmObjects::SelectionUnnamable() const
{
    QListWidgetItem* folder = Chosen(lvObjFolders);
    QListWidgetItem* file = Chosen(lvObjects);
    return folder && file && !(ItemModelName(folder) && ItemModelName(file));
}

std::string TFrmObjects::SelectedFolder() const { return ItemModelName(Chosen(lvObjFolders)).value_or(""); }

std::string TFrmObjects::SelectedFile() const { return ItemModelName(Chosen(lvObjects)).value_or(""); }

std::string TFrmObjects::SelectedFullPath() const
{
    if (!HasSelection())
        return std::string();
    return LibraryPath() + "/" + ItemNativeName(Chosen(lvObjFolders)) + "/" + ItemNativeName(Chosen(lvObjects));
}

void TFrmObjects::refresh1Click()
{
    QSignalBlocker block(lvObjFolders);
    lvObjFolders->clear();
    // Without a chosen folder the files of the one chosen before would be
    // offered under no folder (the picker may even hide the folder list).
    {
        QSignalBlocker blockFiles(lvObjects);
        lvObjects->clear();
    }
    lvObjFolders->setUpdatesEnabled(false);
    // Hidden entries (names beginning with ".") are left out unless asked
    // for; links to folders are not followed, so a link back to a parent
    // cannot make the library endless.
    const QDir dir(FromNative(LibraryPath()));
    const QIcon icon = lvObjFolders->property("itemIcon").value<QIcon>();
    for (const QFileInfo& info :
         dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name | QDir::IgnoreCase))
        AddDiskItem(lvObjFolders, icon, info.fileName());
    lvObjFolders->setUpdatesEnabled(true);
}

void TFrmObjects::lvObjFoldersClick()
{
    QListWidgetItem* folder = Chosen(lvObjFolders);
    if (!folder)
        return;
    const QString folderName = folder->data(Qt::UserRole).toString();
    const QString pattern = folderName == BackgroundsFolder ? "*.bmp" : "*.b3d";
    {
        QSignalBlocker block(lvObjects);
        lvObjects->clear();
        lvObjects->setUpdatesEnabled(false);
        // Name filters ignore letter case unless QDir::CaseSensitive is set.
        const QDir dir(FromNative(LibraryPath()) + "/" + folderName);
        const QIcon icon = lvObjects->property("itemIcon").value<QIcon>();
        const auto files = dir.entryInfoList(QStringList{pattern}, QDir::Files, QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo& info : files)
            AddDiskItem(lvObjects, icon, info.fileName());
        lvObjects->setUpdatesEnabled(true);
    }
    if (lvObjects->count() > 0) {
        lvObjects->setCurrentRow(0); // runs the selection handler
    } else {
        lvObjectsSelectItem();
    }
}

void TFrmObjects::lvObjectsSelectItem()
{
    for (QLabel* label : {lAutor, lDescription, lCopyright, lBitmaps}) {
        label->clear();
        label->setToolTip(QString());
    }
    QListWidgetItem* folder = Chosen(lvObjFolders);
    if (SelectionUnnamable()) {
        lDescription->setText(AnsiToQ(GetMessageText("tmain_name_not_ansi")));
    } else if (HasSelection() && folder->data(Qt::UserRole).toString() != BackgroundsFolder) {
        const TVLObject object(SelectedFolder(), SelectedFile());
        auto show = [](QLabel* label, const std::string& text) {
            label->setText(AnsiToQ(text));
            label->setToolTip(AnsiToQ(text));
        };
        show(lAutor, object.GetAuthor());
        show(lDescription, object.GetDescription());
        show(lCopyright, object.GetCopyright());
        TStrings textures;
        object.GetTextureFiles(textures);
        lBitmaps->setText(AnsiToQ(ListToCommaText(textures)));
    }
    emit ObjectSelected();
}

void TFrmObjects::lvObjectsDblClick()
{
    if (SelectionUnnamable()) {
        MessageDlg(GetMessageText("tmain_name_not_ansi"), mtWarning, mbOK);
        return;
    }
    emit ObjectDoubleClicked();
}

void TFrmObjects::runstructureviewer1Click()
{
    const std::string bve = FormOptions ? FormOptions->BveFolder : std::string();
    const std::string viewer = bve.empty() ? std::string() : ResolvePathCase(IncludeTrailingPathDelimiter(bve) + "strview.exe");
    if (viewer.empty() || !FileExists(viewer)) {
        MessageDlg(GetMessageText("ufrmobjects_no_sv"), mtError, mbCancel);
        return;
    }
    if (!QProcess::startDetached(FromNative(viewer), QStringList())) {
        MessageDlg(GetMessageText("ufrmobjects_sv_failed"), mtError, mbCancel);
        return;
    }
    MessageDlg(GetMessageText("ufrmobjects_sv_running"), mtInformation, mbOK);
}

bool TFrmObjects::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lvObjects->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            FMouseIsDown = true;
            break;
        case QEvent::MouseButtonRelease:
            FMouseIsDown = false;
            break;
        case QEvent::MouseMove:
            // The first move with a button held starts the drag; one press
            // starts at most one drag.
            if (FMouseIsDown && HasSelection()) {
                StartObjectDrag();
                FMouseIsDown = false;
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFrmObjects::StartObjectDrag()
{
    DragDropFiles1->SetDragDropControl(lvObjects);
    DragDropFiles1->Files.clear();
    DragDropFiles1->Files.push_back(SelectedFullPath());
    DragDropFiles1->Execute();
}
