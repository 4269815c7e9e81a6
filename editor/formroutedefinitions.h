#pragma once
// The route definitions window: a tool window that stays on top and lists
// the open project's route definitions. The user makes one of them the
// current route (Activate, double-click, Enter), adds a new one, clones or
// merges existing ones, renames them in place and deletes them.
//
// Each list item carries its route definition. An item added by Add Route
// or Clone Route has none until its in-place naming is committed; naming it
// creates the definition. Escape cancels the naming and leaves the item
// without a definition; such items are ignored by Activate and Merge until
// they are named.

#include <QDialog>
#include <QIcon>
#include <QString>

class QKeyEvent;
class QPushButton;
class QShowEvent;
class QTreeWidget;
class QTreeWidgetItem;
class TVLProject;
class TVLRouteDefinition;

class TFormRouteDefinitions : public QDialog {
    Q_OBJECT

public:
    explicit TFormRouteDefinitions(QWidget* parent = nullptr);

    // The open project (not owned); cleared when the editor frees it.
    TVLProject* Project = nullptr;
    // The definition whose track ids the next cloned definition receives.
    TVLRouteDefinition* CloneSource = nullptr;

    // Columns "Route ID" and "Comment"; captions editable in place.
    QTreeWidget* ListView1;
    QPushButton* bAddRoute;
    QPushButton* bDeleteRoute;
    QPushButton* bActivate;
    QPushButton* bMerge;
    QPushButton* bClone;

    // Rebuilds the list from the project.
    void FormShow();
    void ListView1Click();
    void bActivateClick();
    void bAddRouteClick();
    void bCloneClick();
    void bDeleteRouteClick();
    void bMergeClick();
    // The end of an in-place edit of item's caption with the typed text;
    // text may be replaced by the caption the item is to show.
    void ListView1Edited(QTreeWidgetItem* item, QString& text);

    // The definition an item carries (none for an unnamed new item).
    TVLRouteDefinition* ItemDefinition(const QTreeWidgetItem* item) const;
    // Whether an item carries the current-route mark.
    static bool ItemMarked(const QTreeWidgetItem* item);
    QTreeWidgetItem* SelectedItem() const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTreeWidgetItem* AppendItem(const QString& caption, TVLRouteDefinition* definition);
    void SetMark(QTreeWidgetItem* item, bool marked);
    void StartEditing(QTreeWidgetItem* item);
    // A new definition with the next free id, appended to the project.
    TVLRouteDefinition* NewDefinition(const std::string& name);

    QIcon FMarkIcon;
};

extern TFormRouteDefinitions* FormRouteDefinitions;
