#include "editor/formroutedefinitions.h"

#include "editor/formmain.h"
#include "editor/frmeditor.h"
#include "editor/msginisupp.h"
#include "editor/numberfields.h"
#include "editor/vclwidgets.h"
#include "model/currentsituation.h"
#include "model/vlproject.h"
#include "model/vlroutedefinition.h"
#include "platform/gui/dialogs.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

TFormRouteDefinitions* FormRouteDefinitions = nullptr;

namespace {

const char* const NewItemCaption = "Route Definition";
const char* const CopyPrefix = "Copy of ";
const char* const MergedName = "merged routes";

// Item data: the attached definition, the mark, and for a cloned item the
// id of the definition it was cloned from (-1: not a clone).
constexpr int DefinitionRole = Qt::UserRole;
constexpr int MarkRole = Qt::UserRole + 1;
constexpr int CloneOfRole = Qt::UserRole + 2;

// Hands the committed text of an in-place edit to the window, which may
// replace it, before it becomes the caption. A cancelled edit (Escape) never
// reaches setModelData, so nothing is committed.
class TCaptionDelegate : public QStyledItemDelegate {
public:
    TCaptionDelegate(TFormRouteDefinitions* form, QTreeWidget* view) : QStyledItemDelegate(view), FForm(form), FView(view) {}

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        auto* edit = qobject_cast<QLineEdit*>(editor);
        if (!edit || index.column() != 0) {
            QStyledItemDelegate::setModelData(editor, model, index);
            return;
        }
        QString text = edit->text();
        FForm->ListView1Edited(FView->topLevelItem(index.row()), text);
        model->setData(index, text, Qt::EditRole);
    }

private:
    TFormRouteDefinitions* FForm;
    QTreeWidget* FView;
};

QIcon MakeMarkIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 96, 0), 1));
    painter.setBrush(QColor(0, 160, 0));
    const QPointF arrow[] = {{3, 2}, {13, 8}, {3, 14}};
    painter.drawPolygon(arrow, 3);
    return QIcon(pixmap);
}

QPushButton* FlatButton(const char* name, const char* text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setFlat(true);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TFormRouteDefinitions::TFormRouteDefinitions(QWidget* parent) : QDialog(parent), FMarkIcon(MakeMarkIcon())
{
    setObjectName("FormRouteDefinitions");
    setWindowTitle("Route Definitions");
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint);
    setModal(false);

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName("ListView1");
    ListView1->setColumnCount(2);
    ListView1->setHeaderLabels({"Route ID", "Comment"});
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setIconSize(QSize(16, 16));
    ListView1->header()->resizeSection(0, 200);
    // A click on the selected item or F2 renames; a double-click activates.
    ListView1->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    ListView1->setItemDelegateForColumn(0, new TCaptionDelegate(this, ListView1));

    bAddRoute = FlatButton("bAddRoute", "&Add Route", this);
    bDeleteRoute = FlatButton("bDeleteRoute", "&Delete Route", this);
    bDeleteRoute->setEnabled(false);
    bActivate = FlatButton("bActivate", "Activate", this);
    bActivate->setEnabled(false);
    bMerge = FlatButton("bMerge", "&Merge", this);
    bClone = FlatButton("bClone", "&Clone Route", this);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {bAddRoute, bDeleteRoute, bActivate, bMerge, bClone})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListView1, 1);
    layout->addLayout(buttons);
    resize(430, 300);

    connect(ListView1, &QTreeWidget::itemSelectionChanged, this, &TFormRouteDefinitions::ListView1Click);
    connect(ListView1, &QTreeWidget::itemClicked, this, [this] { ListView1Click(); });
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, [this] { bActivateClick(); });
    connect(bAddRoute, &QPushButton::clicked, this, &TFormRouteDefinitions::bAddRouteClick);
    connect(bDeleteRoute, &QPushButton::clicked, this, &TFormRouteDefinitions::bDeleteRouteClick);
    connect(bActivate, &QPushButton::clicked, this, &TFormRouteDefinitions::bActivateClick);
    connect(bMerge, &QPushButton::clicked, this, &TFormRouteDefinitions::bMergeClick);
    connect(bClone, &QPushButton::clicked, this, &TFormRouteDefinitions::bCloneClick);

    if (FormMain && FormMain->FrmEditor)
        connect(FormMain->FrmEditor, &TFrmEditor::ProjectClosing, this, [this](TVLProject* project) {
            if (Project != project)
                return;
            // The items point into the project that goes.
            ListView1->clear();
            CloneSource = nullptr;
            Project = nullptr;
            hide();
        });
}

void TFormRouteDefinitions::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TFormRouteDefinitions::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        bActivateClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

TVLRouteDefinition* TFormRouteDefinitions::ItemDefinition(const QTreeWidgetItem* item) const
{
    if (!item)
        return nullptr;
    return static_cast<TVLRouteDefinition*>(item->data(0, DefinitionRole).value<void*>());
}

bool TFormRouteDefinitions::ItemMarked(const QTreeWidgetItem* item)
{
    return item && item->data(0, MarkRole).toBool();
}

QTreeWidgetItem* TFormRouteDefinitions::SelectedItem() const
{
    const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

QTreeWidgetItem* TFormRouteDefinitions::AppendItem(const QString& caption, TVLRouteDefinition* definition)
{
    auto* item = new QTreeWidgetItem(ListView1, QStringList{caption, QString()});
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setData(0, DefinitionRole, QVariant::fromValue<void*>(definition));
    item->setData(0, CloneOfRole, -1);
    SetMark(item, false);
    return item;
}

void TFormRouteDefinitions::SetMark(QTreeWidgetItem* item, bool marked)
{
    item->setData(0, MarkRole, marked);
    item->setIcon(0, marked ? FMarkIcon : QIcon());
}

void TFormRouteDefinitions::StartEditing(QTreeWidgetItem* item)
{
    ListView1->setCurrentItem(item);
    ListView1->scrollToItem(item);
    ListView1->setFocus();
    ListView1->editItem(item, 0);
}

TVLRouteDefinition* TFormRouteDefinitions::NewDefinition(const std::string& name)
{
    auto definition = std::make_unique<TVLRouteDefinition>();
    // One more than the largest id; the first definition of a project is 1.
    definition->Id = Project->RouteDefinitions.Empty() ? 1 : Project->MaxRouteDefinitionId() + 1;
    definition->Name = name;
    TVLRouteDefinition* d = definition.get();
    Project->RouteDefinitions.Add(std::move(definition));
    return d;
}

void TFormRouteDefinitions::FormShow()
{
    ListView1->clear();
    if (Project) {
        const int current = CurrentSituation.CurrentRouteId();
        for (TVLRouteDefinition* definition : Project->RouteDefinitions) {
            QTreeWidgetItem* item = AppendItem(AnsiToQ(definition->GetCaption()), definition);
            SetMark(item, definition->Id >= 0 && definition->Id == current);
        }
    }
    ListView1Click();
}

void TFormRouteDefinitions::ListView1Click()
{
    const bool selected = SelectedItem() != nullptr;
    bDeleteRoute->setEnabled(selected);
    bActivate->setEnabled(selected);
    bClone->setEnabled(selected);
}

void TFormRouteDefinitions::bActivateClick()
{
    QTreeWidgetItem* item = SelectedItem();
    TVLRouteDefinition* definition = ItemDefinition(item);
    // An item whose naming was cancelled has nothing to activate.
    if (!definition)
        return;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
        SetMark(ListView1->topLevelItem(i), false);
    SetMark(item, true);
    CurrentSituation.CurrentRouteDefinition = definition;
    CurrentSituation.RefreshRequested = true;
}

void TFormRouteDefinitions::bAddRouteClick()
{
    if (!Project)
        return;
    StartEditing(AppendItem(NewItemCaption, nullptr));
}

void TFormRouteDefinitions::bCloneClick()
{
    QTreeWidgetItem* source = SelectedItem();
    if (!Project || !source)
        return;
    QTreeWidgetItem* item = AppendItem(CopyPrefix + source->text(0), nullptr);
    CloneSource = ItemDefinition(source);
    item->setData(0, CloneOfRole, CloneSource ? CloneSource->Id : -1);
    StartEditing(item);
}

void TFormRouteDefinitions::bDeleteRouteClick()
{
    QTreeWidgetItem* item = SelectedItem();
    if (!Project || !item)
        return;
    if (MessageDlg(GetMessageText("urdform_delete"), mtConfirmation, mbYesNo) != mrYes)
        return;
    // An item whose naming was cancelled has no definition: only the item goes.
    if (TVLRouteDefinition* definition = ItemDefinition(item)) {
        if (CurrentSituation.CurrentRouteDefinition == definition) {
            // No route is current any more, as before one was activated.
            CurrentSituation.CurrentRouteDefinition = nullptr;
            CurrentSituation.RefreshRequested = true;
        }
        if (CloneSource == definition)
            CloneSource = nullptr;
        Project->RouteDefinitions.Remove(definition);
    }
    delete item;
    // The view would select a neighbour; nothing else is meant.
    ListView1->setCurrentItem(nullptr);
    ListView1->clearSelection();
    ListView1Click();
}

void TFormRouteDefinitions::ListView1Edited(QTreeWidgetItem* item, QString& text)
{
    if (!Project || !item)
        return;
    // A name is one line of the project file: a name refused leaves the
    // item's name as it was.
    const bool usable = CheckLineText(nullptr, ListView1->headerItem()->text(0), QToAnsi(text));
    TVLRouteDefinition* attached = ItemDefinition(item);
    if (attached) {
        // A rename. The caption shows "ID<n>: " before the name; typed back
        // in, it is not part of the name.
        std::string name = QToAnsi(text);
        const std::string prefix = "ID" + std::to_string(attached->Id) + ": ";
        if (name.compare(0, prefix.size(), prefix) == 0)
            name.erase(0, prefix.size());
        if (usable)
            attached->Name = name;
        text = AnsiToQ(attached->GetCaption());
        return;
    }

    // A new or cloned item gets its definition now.
    TVLRouteDefinition* definition = NewDefinition(QToAnsi(usable ? text : item->text(0)));
    const int cloneOf = item->data(0, CloneOfRole).toInt();
    if (cloneOf >= 0) {
        // The definition the item was cloned from, looked up again: it may
        // have been deleted since.
        if (const TVLRouteDefinition* source = Project->FindRouteDefinition(cloneOf))
            for (const std::string& line : source->Lines())
                definition->Add(line);
    }
    text = AnsiToQ(definition->GetCaption());
    item->setData(0, DefinitionRole, QVariant::fromValue<void*>(definition));
    item->setData(0, CloneOfRole, -1);
    ListView1->setCurrentItem(item);
    item->setSelected(true);
    bActivateClick();
}

void TFormRouteDefinitions::bMergeClick()
{
    int active = -1;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
        if (ItemMarked(ListView1->topLevelItem(i)))
            active = i;
    QTreeWidgetItem* selectedItem = SelectedItem();
    const int other = selectedItem ? ListView1->indexOfTopLevelItem(selectedItem) : -1;
    TVLRouteDefinition* first = active >= 0 ? ItemDefinition(ListView1->topLevelItem(active)) : nullptr;
    TVLRouteDefinition* second = ItemDefinition(selectedItem);
    if (!Project || active < 0 || other < 0 || active == other || !first || !second) {
        MessageDlg(GetMessageText("urdform_merge"), mtError, mbCancel);
        return;
    }
    TVLRouteDefinition* merged = NewDefinition(MergedName);
    // The current route's tracks first; ids already taken are skipped.
    for (const TVLRouteDefinition* part : {first, second})
        for (int i = 0; i < part->Count(); ++i)
            merged->AddTrack(part->TrackIdAt(i));
    AppendItem(AnsiToQ(merged->GetCaption()), merged);
}
