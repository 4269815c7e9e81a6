// The route definitions window: the list, in-place naming of new, cloned
// and existing definitions, activation and merging.

#include "startuptesthelpers.h"

#include "editor/formroutedefinitions.h"
#include "model/currentsituation.h"
#include "model/vlproject.h"
#include "model/vlroutedefinition.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

class RouteDefinitionsTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        Form = CreateForm(FormRouteDefinitions);
        Form->Project = &Project;
    }

    TVLRouteDefinition* AddDefinition(int id, const std::string& name, std::vector<int> tracks = {})
    {
        auto definition = std::make_unique<TVLRouteDefinition>();
        definition->Id = id;
        definition->Name = name;
        for (int t : tracks)
            definition->AddTrack(t);
        TVLRouteDefinition* d = definition.get();
        Project.RouteDefinitions.Add(std::move(definition));
        return d;
    }
    void Show()
    {
        Form->show();
        QApplication::processEvents();
    }
    QTreeWidgetItem* Item(int i) const { return Form->ListView1->topLevelItem(i); }
    int ItemCount() const { return Form->ListView1->topLevelItemCount(); }
    void Select(int i)
    {
        Form->ListView1->setCurrentItem(Item(i));
        Item(i)->setSelected(true);
    }
    // The in-place editor of the caption being edited.
    QLineEdit* Editor() const { return Form->ListView1->viewport()->findChild<QLineEdit*>(); }
    // Ends the running in-place edit with a key (Return commits, Escape cancels).
    void EndEdit(Qt::Key key, const QString* text = nullptr)
    {
        QLineEdit* editor = Editor();
        ASSERT_NE(editor, nullptr);
        if (text)
            editor->setText(*text);
        QTest::keyClick(editor, key);
        QApplication::processEvents();
        // The closed editor goes now, so the next edit's is the only one.
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void Type(const QString& text) { EndEdit(Qt::Key_Return, &text); }
    std::vector<int> Tracks(const TVLRouteDefinition* d) const
    {
        std::vector<int> ids;
        for (int i = 0; i < d->Count(); ++i)
            ids.push_back(d->TrackIdAt(i));
        return ids;
    }

    TVLProject Project;
    TFormRouteDefinitions* Form = nullptr;
};

} // namespace

TEST_F(RouteDefinitionsTest, ListsDefinitionsAndMarksTheCurrentOne)
{
    AddDefinition(0, "Zero");
    TVLRouteDefinition* main = AddDefinition(3, "Main line");
    Show();
    EXPECT_EQ(Form->windowTitle(), "Route Definitions");
    EXPECT_TRUE(Form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(Form->isModal());
    ASSERT_EQ(ItemCount(), 2);
    EXPECT_EQ(Item(1)->text(0), "ID3: Main line");
    EXPECT_EQ(Form->ItemDefinition(Item(1)), main);
    // No current route: the definition with Id 0 carries the mark.
    EXPECT_TRUE(Form->ItemMarked(Item(0)));
    EXPECT_FALSE(Item(0)->icon(0).isNull());
    EXPECT_FALSE(Form->ItemMarked(Item(1)));
    EXPECT_TRUE(Item(1)->icon(0).isNull());
    EXPECT_FALSE(Form->bActivate->isEnabled());
    EXPECT_FALSE(Form->bClone->isEnabled());

    // Selecting enables the item buttons; Enter activates.
    Select(1);
    EXPECT_TRUE(Form->bActivate->isEnabled());
    EXPECT_TRUE(Form->bDeleteRoute->isEnabled());
    QTest::keyClick(Form, Qt::Key_Return);
    EXPECT_EQ(CurrentSituation.CurrentRouteDefinition, main);
    EXPECT_TRUE(CurrentSituation.RefreshRequested);
    EXPECT_FALSE(Form->ItemMarked(Item(0)));
    EXPECT_TRUE(Form->ItemMarked(Item(1)));

    // Showing again rebuilds the list with the mark on the current route.
    Form->hide();
    Show();
    EXPECT_FALSE(Form->ItemMarked(Item(0)));
    EXPECT_TRUE(Form->ItemMarked(Item(1)));
    // Delete Route deletes nothing.
    Select(0);
    Form->bDeleteRoute->click();
    EXPECT_EQ(Project.RouteDefinitions.Count(), 2);
}

TEST_F(RouteDefinitionsTest, AddRouteNamesTheNewDefinitionAndMakesItCurrent)
{
    AddDefinition(1, "One");
    AddDefinition(4, "Four");
    Show();
    Form->bAddRoute->click();
    ASSERT_EQ(ItemCount(), 3);
    EXPECT_EQ(Item(2)->text(0), "Route Definition");
    EXPECT_EQ(Project.RouteDefinitions.Count(), 2); // nothing until the name is given
    Type("North");

    ASSERT_EQ(Project.RouteDefinitions.Count(), 3);
    TVLRouteDefinition* north = Project.RouteDefinitions.Last();
    EXPECT_EQ(north->Id, 5);
    EXPECT_EQ(north->Name, "North");
    EXPECT_EQ(Item(2)->text(0), "ID5: North");
    EXPECT_EQ(Form->ItemDefinition(Item(2)), north);
    EXPECT_EQ(CurrentSituation.CurrentRouteDefinition, north);
    EXPECT_TRUE(Form->ItemMarked(Item(2)));
}

TEST_F(RouteDefinitionsTest, EscapeCancelsNamingAndTheUnnamedItemIsIgnored)
{
    TVLRouteDefinition* one = AddDefinition(1, "One", {7});
    CurrentSituation.CurrentRouteDefinition = one;
    Show();
    Form->bAddRoute->click();
    EndEdit(Qt::Key_Escape);
    ASSERT_EQ(ItemCount(), 2);
    EXPECT_EQ(Item(1)->text(0), "Route Definition");
    EXPECT_EQ(Project.RouteDefinitions.Count(), 1);
    EXPECT_EQ(Form->ItemDefinition(Item(1)), nullptr);

    // Neither activation nor merging takes the unnamed item.
    Select(1);
    Form->bActivate->click();
    EXPECT_EQ(CurrentSituation.CurrentRouteDefinition, one);
    EXPECT_TRUE(Form->ItemMarked(Item(0)));
    Form->bMerge->click();
    EXPECT_EQ(CountMessageKey("urdform_merge"), 1);
    EXPECT_EQ(Project.RouteDefinitions.Count(), 1);

    // Naming it later creates its definition, whatever its caption says.
    Form->ListView1->editItem(Item(1), 0);
    Type("Copy of something");
    ASSERT_EQ(Project.RouteDefinitions.Count(), 2);
    EXPECT_EQ(Project.RouteDefinitions.Last()->Name, "Copy of something");
    EXPECT_EQ(Project.RouteDefinitions.Last()->Count(), 0);
    EXPECT_EQ(Item(1)->text(0), "ID2: Copy of something");
}

TEST_F(RouteDefinitionsTest, CloneCopiesTheTracksOfTheSelectedDefinition)
{
    AddDefinition(5, "North", {11, 12, 13});
    Show();
    Form->bClone->click(); // nothing selected: nothing happens
    EXPECT_EQ(ItemCount(), 1);
    Select(0);
    Form->bClone->click();
    ASSERT_EQ(ItemCount(), 2);
    EXPECT_EQ(Item(1)->text(0), "Copy of ID5: North");
    EXPECT_EQ(Form->CloneSource, Project.RouteDefinitions.First());
    // Committed unchanged.
    EndEdit(Qt::Key_Return);
    ASSERT_EQ(Project.RouteDefinitions.Count(), 2);
    TVLRouteDefinition* copy = Project.RouteDefinitions.Last();
    EXPECT_EQ(copy->Id, 6);
    EXPECT_EQ(copy->Name, "Copy of ID5: North");
    EXPECT_EQ(Tracks(copy), (std::vector<int>{11, 12, 13}));
    EXPECT_EQ(Item(1)->text(0), "ID6: Copy of ID5: North");
    EXPECT_EQ(CurrentSituation.CurrentRouteDefinition, copy);

    // A clone whose naming is cancelled and taken up later still gets the
    // tracks of its own source, not of a later clone's.
    AddDefinition(9, "South", {40});
    Form->FormShow();
    Select(0);
    Form->bClone->click();
    EndEdit(Qt::Key_Escape);
    Select(2);
    Form->bClone->click();
    EndEdit(Qt::Key_Escape);
    Form->ListView1->editItem(Item(3), 0);
    EndEdit(Qt::Key_Return);
    EXPECT_EQ(Project.RouteDefinitions.Last()->Name, "Copy of ID5: North");
    EXPECT_EQ(Tracks(Project.RouteDefinitions.Last()), (std::vector<int>{11, 12, 13}));
}

TEST_F(RouteDefinitionsTest, RenameKeepsNamesFreeOfTheIdPrefix)
{
    TVLRouteDefinition* main = AddDefinition(3, "Main line");
    Show();
    Form->ListView1->editItem(Item(0), 0);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->text(), "ID3: Main line");
    Type("ID3: Branch");
    EXPECT_EQ(main->Name, "Branch");
    EXPECT_EQ(Item(0)->text(0), "ID3: Branch");
    Form->ListView1->editItem(Item(0), 0);
    Type("Other");
    EXPECT_EQ(main->Name, "Other");
    EXPECT_EQ(Item(0)->text(0), "ID3: Other");
    // Renamed to the new item's caption, it stays the same definition.
    Form->ListView1->editItem(Item(0), 0);
    Type("Route Definition");
    EXPECT_EQ(Project.RouteDefinitions.Count(), 1);
    EXPECT_EQ(main->Name, "Route Definition");
    // An edit cancelled keeps the name; an empty name is stored as empty.
    Form->ListView1->editItem(Item(0), 0);
    const QString typed = "Lost";
    EndEdit(Qt::Key_Escape, &typed);
    EXPECT_EQ(main->Name, "Route Definition");
    Form->ListView1->editItem(Item(0), 0);
    Type("");
    EXPECT_EQ(main->Name, "");
    EXPECT_EQ(Item(0)->text(0), "ID3: ");
    EXPECT_EQ(CurrentSituation.CurrentRouteDefinition, nullptr); // renaming activates nothing

    // A name on two lines would break the project file: refused, and the
    // name (of a new definition: its proposed one) stays.
    Form->ListView1->editItem(Item(0), 0);
    Type("Two\nlines");
    EXPECT_EQ(main->Name, "");
    Form->bAddRoute->click();
    Type("Two\nlines");
    EXPECT_EQ(Project.RouteDefinitions.Last()->Name, "Route Definition");
    ASSERT_EQ(Requests.size(), 2u);
    EXPECT_EQ(Requests[1].Text, GetMessageText("udialog_bad_text") + "Route ID: \"Two\nlines\"\r\n" +
                                    GetMessageText("udialog_text_line"));
}

TEST_F(RouteDefinitionsTest, MergeJoinsTheCurrentAndTheSelectedRoute)
{
    TVLRouteDefinition* a = AddDefinition(2, "A", {1, 2, 3});
    AddDefinition(7, "B", {3, 4, 1, 5});
    Show();

    // Nothing current (no Id 0), something selected.
    Select(1);
    Form->bMerge->click();
    EXPECT_EQ(CountMessageKey("urdform_merge"), 1);
    EXPECT_EQ(Requests.back().MsgType, mtError);
    EXPECT_EQ(Requests.back().Buttons, static_cast<TMsgDlgButtons>(mbCancel));

    // The current route selected.
    Select(0);
    Form->bActivate->click();
    Form->bMerge->click();
    EXPECT_EQ(CountMessageKey("urdform_merge"), 2);

    // Nothing selected.
    Form->ListView1->clearSelection();
    Form->bMerge->click();
    EXPECT_EQ(CountMessageKey("urdform_merge"), 3);
    EXPECT_EQ(Project.RouteDefinitions.Count(), 2);

    Select(1);
    Form->bMerge->click();
    EXPECT_EQ(CountMessageKey("urdform_merge"), 3);
    ASSERT_EQ(Project.RouteDefinitions.Count(), 3);
    TVLRouteDefinition* merged = Project.RouteDefinitions.Last();
    EXPECT_EQ(merged->Id, 8);
    EXPECT_EQ(merged->Name, "merged routes");
    EXPECT_EQ(Tracks(merged), (std::vector<int>{1, 2, 3, 4, 5}));
    ASSERT_EQ(ItemCount(), 3);
    EXPECT_EQ(Item(2)->text(0), "ID8: merged routes");
    EXPECT_FALSE(Form->ItemMarked(Item(2)));
    EXPECT_EQ(CurrentSituation.CurrentRouteDefinition, a);
}

TEST_F(RouteDefinitionsTest, DoubleClickActivatesAndNothingHappensWithoutProject)
{
    TVLRouteDefinition* d = AddDefinition(1, "One");
    Show();
    Select(0);
    emit Form->ListView1->itemDoubleClicked(Item(0), 0);
    EXPECT_EQ(CurrentSituation.CurrentRouteDefinition, d);

    Form->Project = nullptr;
    Form->FormShow();
    EXPECT_EQ(ItemCount(), 0);
    Form->bAddRoute->click();
    Form->bMerge->click();
    EXPECT_EQ(ItemCount(), 0);
}

TEST_F(RouteDefinitionsTest, DeleteRouteAsksThenDeletesTheSelectedDefinition)
{
    Show();
    Form->bAddRoute->click();
    Type("North"); // the first of a project is ID1, and current
    AddDefinition(7, "South");
    Form->FormShow();
    ASSERT_EQ(Item(0)->text(0), "ID1: North");
    Select(0);
    Form->bDeleteRoute->click(); // answered No
    EXPECT_EQ(Project.RouteDefinitions.Count(), 2);
    Answer = [](const TDialogRequest&) { return TDialogAnswer{mrYes, {}}; };
    Form->bDeleteRoute->click();
    EXPECT_EQ(CountMessageKey("urdform_delete"), 2);
    EXPECT_TRUE(ItemCount() == 1 && Item(0)->text(0) == "ID7: South" && Project.RouteDefinitions.Count() == 1);
    EXPECT_EQ(CurrentSituation.CurrentRouteDefinition, nullptr); // it was current
}
