// File drag and drop: the file-list block, the data a drag carries, the
// drop target's rules and the detection of a drag by distance.

#include "editor/dragdrop.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

std::string Header(std::uint32_t offset = 20, std::uint32_t wide = 0)
{
    std::string h;
    for (std::uint32_t word : {offset, 0u, 0u, 0u, wide})
        for (int i = 0; i < 4; ++i)
            h.push_back(static_cast<char>((word >> (8 * i)) & 0xFF));
    return h;
}

// A drag loop that answers with one action and remembers the data.
struct TFakeDragLoop {
    explicit TFakeDragLoop(Qt::DropAction answer)
    {
        TDragDrop::DragLoop = [this, answer](QDrag& drag, Qt::DropActions offered, Qt::DropAction) {
            ++Runs;
            Urls = drag.mimeData()->urls();
            Block = drag.mimeData()->data(FileListMimeType).toStdString();
            Actions = offered;
            if (During)
                During();
            return answer;
        };
    }
    ~TFakeDragLoop() { TDragDrop::DragLoop = nullptr; }
    int Runs = 0;
    QList<QUrl> Urls;
    std::string Block;
    Qt::DropActions Actions;
    std::function<void()> During;
};

} // namespace

TEST(FileListBlock, LayoutOfItsEdgeCases)
{
    std::string block;
    ASSERT_TRUE(BuildFileListBlock({"C:\\a.b3d"}, block));
    EXPECT_EQ(block.size(), 30u);
    EXPECT_EQ(block, Header() + "C:\\a.b3d\0\0"s);

    ASSERT_TRUE(BuildFileListBlock({}, block));
    EXPECT_EQ(block, Header() + "\0"s);

    // Duplicates stay, in list order; 8-bit names pass unchanged.
    ASSERT_TRUE(BuildFileListBlock({"b", "a\xE9", "b"}, block));
    EXPECT_EQ(block, Header() + "b\0a\xE9\0b\0\0"s);

    // 255 bytes fit; 256 are refused, not cut.
    const std::string longest(255, 'x');
    ASSERT_TRUE(BuildFileListBlock({longest}, block));
    EXPECT_EQ(block.size(), 20u + 255u + 2u);
    EXPECT_FALSE(BuildFileListBlock({"ok", std::string(256, 'x')}, block));
    EXPECT_TRUE(block.empty());
    EXPECT_FALSE(BuildFileListBlock({"a\0b"s}, block));
}

TEST(FileListBlock, ReadingBack)
{
    std::string block;
    ASSERT_TRUE(BuildFileListBlock({"C:\\a.b3d", "D:\\b c.bmp"}, block));
    EXPECT_EQ(ReadFileListBlock(block), (TStrings{"C:\\a.b3d", "D:\\b c.bmp"}));
    // Wide names, at another offset.
    const std::string wide = Header(24, 1) + "...."s + "a\0\xE9\0\0\0b\0\0\0\0\0"s;
    EXPECT_EQ(ReadFileListBlock(wide), (TStrings{"a\xE9", "b"}));
    // Damaged blocks give what can be read.
    EXPECT_TRUE(ReadFileListBlock("short").empty());
    EXPECT_EQ(ReadFileListBlock(Header() + "abc"), TStrings{"abc"});
    EXPECT_TRUE(ReadFileListBlock(Header(5000)).empty());
}

TEST(DragDropFiles, ExecuteCarriesUrlsAndTheBlockWithTheLinkEffect)
{
    QListWidget list;
    TDragDropFiles dd(&list);
    dd.SetDragDropControl(&list);
    dd.SetSourceEffects(deLink);
    TFakeDragLoop loop(Qt::LinkAction);

    // An empty list starts nothing.
    EXPECT_EQ(dd.Execute(), drNotStarted);
    EXPECT_EQ(loop.Runs, 0);

    dd.Files = {"/lib/misc/kuh1.b3d"};
    int nested = -1;
    loop.During = [&] {
        EXPECT_EQ(TDragDrop::RunningDrag(), &dd);
        EXPECT_TRUE(dd.OwnDrag());
        nested = dd.Execute(); // one drag at a time
    };
    EXPECT_EQ(dd.Execute(), drLinked);
    EXPECT_EQ(nested, drNotStarted);
    EXPECT_EQ(loop.Actions, Qt::DropActions(Qt::LinkAction));
    EXPECT_EQ(loop.Urls, QList<QUrl>{QUrl("file:///lib/misc/kuh1.b3d")});
    EXPECT_EQ(loop.Block, Header() + "/lib/misc/kuh1.b3d\0\0"s);
    EXPECT_EQ(TDragDrop::RunningDrag(), nullptr);
    EXPECT_FALSE(dd.OwnDrag());
    EXPECT_EQ(dd.DetectStatus(), TDragDetect::Idle);

    // A path the block cannot hold is refused whole.
    dd.Files = {"/" + std::string(300, 'x')};
    EXPECT_EQ(dd.Execute(), drNotStarted);
    EXPECT_EQ(loop.Runs, 1);
}

TEST(DragDropFiles, ResultsOfTheDrag)
{
    EXPECT_EQ(DragResultOf(Qt::IgnoreAction), drCancelled);
    EXPECT_EQ(DragResultOf(Qt::CopyAction), drCopied);
    EXPECT_EQ(DragResultOf(Qt::MoveAction), drMoved);
    EXPECT_EQ(DragResultOf(Qt::LinkAction), drLinked);

    QListWidget list;
    TDragDropFiles dd;
    dd.Files = {"/a.b3d"};
    TFakeDragLoop loop(Qt::CopyAction);
    // Without effects or without a control no drag runs.
    EXPECT_EQ(dd.Execute(), drCancelled);
    dd.SetSourceEffects(deCopy | deLink);
    EXPECT_EQ(dd.Execute(), drCancelled);
    dd.SetDragDropControl(&list);
    EXPECT_EQ(dd.Execute(), drCopied);
    EXPECT_EQ(loop.Runs, 1);
    EXPECT_EQ(loop.Actions, Qt::CopyAction | Qt::LinkAction);
}

TEST(DragDropFiles, ClipboardRoundTrip)
{
    TDragDropFiles source;
    EXPECT_FALSE(source.CopyToClipboard());
    source.Files = {"/lib/a.b3d", "/lib/b.b3d"};
    ASSERT_TRUE(source.CopyToClipboard());

    TDragDropFiles target;
    QPoint where;
    TDropEffects effect = deNone;
    target.OnProcessDropped = [&](TDragDrop*, int, QPoint pos, TDropEffects e) {
        where = pos;
        effect = e;
    };
    ASSERT_TRUE(target.PasteFromClipboard());
    EXPECT_EQ(target.Files, source.Files);
    EXPECT_EQ(where, QPoint(-1, -1));
    EXPECT_EQ(effect, deCopy);

    // URLs alone are read too; other data is refused.
    auto* urls = new QMimeData;
    urls->setUrls({QUrl("file:///x/y.b3d"), QUrl("https://example.org/")});
    QGuiApplication::clipboard()->setMimeData(urls);
    ASSERT_TRUE(target.PasteFromClipboard());
    EXPECT_EQ(target.Files, TStrings{"/x/y.b3d"});
    QGuiApplication::clipboard()->setText("plain");
    EXPECT_FALSE(target.PasteFromClipboard());
}

TEST(DropTargetRules, EffectChoice)
{
    const TDropEffects all = deCopy | deMove | deLink;
    struct Case {
        bool own, acceptOwn, shift, ctrl;
        TDropEffects target, source, expected;
    } cases[] = {
        {true, false, false, false, all, all, deNone},   // own drag refused
        {true, true, false, false, all, all, deCopy},    // unless accepted
        {false, false, true, false, all, all, deMove},   // Shift: move
        {false, false, true, false, deCopy, all, deCopy},
        {false, false, true, true, all, all, deLink},    // Ctrl+Shift: link
        {false, false, true, true, deCopy | deMove, all, deCopy},
        {false, false, false, true, all, all, deCopy},   // Ctrl alone: the first common
        {false, false, false, false, all, deLink, deLink},
        {false, false, false, false, deMove | deLink, deMove | deLink, deMove},
        {false, false, false, false, deCopy, deLink, deNone},
        // Shift gives move even when the source offers no move (the
        // service then refuses the drop itself).
        {false, false, true, false, deMove, deCopy, deMove},
    };
    int n = 0;
    for (const Case& c : cases)
        EXPECT_EQ(ChooseDropEffect(c.own, c.acceptOwn, c.shift, c.ctrl, c.target, c.source), c.expected)
            << "case " << n++;
}

TEST(DropTargetRules, ScrollZones)
{
    const TScrollDetectArea standard;     // margin 0, range 10
    const TScrollDetectArea margin{5, 10};
    // 100 pixels: back 0..10, forward 89..99.
    EXPECT_EQ(ScrollZoneAt(0, 100, standard, standard, true, true), TScrollZone::Back);
    EXPECT_EQ(ScrollZoneAt(10, 100, standard, standard, true, true), TScrollZone::Back);
    EXPECT_EQ(ScrollZoneAt(11, 100, standard, standard, true, true), TScrollZone::None);
    EXPECT_EQ(ScrollZoneAt(88, 100, standard, standard, true, true), TScrollZone::None);
    EXPECT_EQ(ScrollZoneAt(89, 100, standard, standard, true, true), TScrollZone::Forward);
    EXPECT_EQ(ScrollZoneAt(99, 100, standard, standard, true, true), TScrollZone::Forward);
    // Margins keep the edges themselves out.
    EXPECT_EQ(ScrollZoneAt(4, 100, margin, margin, true, true), TScrollZone::None);
    EXPECT_EQ(ScrollZoneAt(5, 100, margin, margin, true, true), TScrollZone::Back);
    EXPECT_EQ(ScrollZoneAt(94, 100, margin, margin, true, true), TScrollZone::Forward);
    EXPECT_EQ(ScrollZoneAt(95, 100, margin, margin, true, true), TScrollZone::None);
    // A bar at its end does not scroll further.
    EXPECT_EQ(ScrollZoneAt(0, 100, standard, standard, false, true), TScrollZone::None);
    EXPECT_EQ(ScrollZoneAt(99, 100, standard, standard, true, false), TScrollZone::None);
    // Zones that overlap give none.
    EXPECT_EQ(ScrollZoneAt(0, 20, standard, standard, true, true), TScrollZone::None);
    EXPECT_EQ(ClampScrollInterval(0), 1);
    EXPECT_EQ(ClampScrollInterval(20000), 10000);
}

TEST(DropTargetRules, MenuTextsAndCommands)
{
    const TDropMenuTexts en = DropMenuTextsFor(QLocale::English);
    EXPECT_STREQ(en.Move, "&Move Here");
    EXPECT_STREQ(en.Copy, "&Copy Here");
    EXPECT_STREQ(en.Shortcut, "&Shortcut(s) Create Here");
    EXPECT_STREQ(en.Abort, "&Abort");
    EXPECT_STREQ(DropMenuTextsFor(QLocale::Dutch).Move, "&Move Here");
    EXPECT_STREQ(DropMenuTextsFor(QLocale::German).Copy, "Hierher &kopieren");
    EXPECT_STREQ(DropMenuTextsFor(QLocale::Spanish).Shortcut, "&Atajo(s) crea aquí ");
    EXPECT_STREQ(DropMenuTextsFor(QLocale::French).Abort, "&Arrêt");
    EXPECT_STREQ(DropMenuTextsFor(QLocale::Italian).Move, "&Muoversi qui");
    EXPECT_STREQ(DropMenuTextsFor(QLocale::Polish).Move, "&Przenieś tutaj");
    EXPECT_STREQ(DropMenuTextsFor(QLocale::Portuguese).Copy, "&Copíe aqui");
    EXPECT_EQ(DropMenuCommandEffect(1), deMove);
    EXPECT_EQ(DropMenuCommandEffect(2), deCopy);
    EXPECT_EQ(DropMenuCommandEffect(3), deLink);
    for (int none : {0, 4, 10})
        EXPECT_EQ(DropMenuCommandEffect(none), deNone);
}

TEST(DragDetection, DistanceAndButtons)
{
    TDragDetect d;
    // Within the distance nothing starts; beyond it on either axis a drag does.
    EXPECT_TRUE(d.Press(Qt::LeftButton, QPoint(50, 50)));
    EXPECT_EQ(d.Status, TDragDetect::LeftWatch);
    EXPECT_FALSE(d.Move(QPoint(60, 40), Qt::LeftButton));
    EXPECT_TRUE(d.Move(QPoint(50, 61), Qt::LeftButton));
    EXPECT_EQ(d.Status, TDragDetect::Dragging);
    d.Finish();

    // Releasing the button ends the watch.
    d.Press(Qt::RightButton, QPoint(0, 0));
    EXPECT_EQ(d.Status, TDragDetect::RightWatch);
    EXPECT_FALSE(d.Release(Qt::LeftButton));
    EXPECT_TRUE(d.Release(Qt::RightButton));
    EXPECT_EQ(d.Status, TDragDetect::Idle);

    // Both buttons: no drag until both are released.
    d.Press(Qt::LeftButton, QPoint(0, 0));
    EXPECT_TRUE(d.Press(Qt::RightButton, QPoint(0, 0)));
    EXPECT_EQ(d.Status, TDragDetect::BothPressed);
    EXPECT_FALSE(d.Move(QPoint(100, 100), Qt::LeftButton | Qt::RightButton));
    EXPECT_FALSE(d.Release(Qt::LeftButton));
    EXPECT_TRUE(d.Release(Qt::RightButton));
    EXPECT_EQ(d.Status, TDragDetect::Idle);

    // A move without a held button (released elsewhere) ends the watch.
    d.Press(Qt::LeftButton, QPoint(0, 0));
    EXPECT_FALSE(d.Move(QPoint(100, 0), Qt::NoButton));
    EXPECT_EQ(d.Status, TDragDetect::Idle);
}

namespace {

// A list that takes dropped files, with the events a drop sends it.
class DropTargetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Target.SetDragDropControl(&List);
        Target.SetTargetEffects(deCopy | deMove);
        Target.OnProcessDropped = [this](TDragDrop*, int, QPoint pos, TDropEffects effect) {
            DroppedAt = pos;
            DroppedEffect = effect;
        };
        Data.setUrls({QUrl("file:///lib/a.b3d")});
    }
    void TearDown() override { TDragDrop::DropMenuLoop = nullptr; }
    QWidget* Viewport() { return List.viewport(); }
    bool Enter(Qt::DropActions offered, Qt::KeyboardModifiers keys = Qt::NoModifier,
               Qt::MouseButtons buttons = Qt::LeftButton)
    {
        QDragEnterEvent e(QPoint(5, 5), offered, &Data, buttons, keys);
        QApplication::sendEvent(Viewport(), &e);
        LastAction = e.dropAction();
        return e.isAccepted();
    }
    bool Drop(Qt::DropActions offered, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        QDropEvent e(QPointF(7, 8), offered, &Data, Qt::NoButton, keys);
        QApplication::sendEvent(Viewport(), &e);
        LastAction = e.dropAction();
        QApplication::processEvents();
        return e.isAccepted();
    }
    QListWidget List;
    TDragDropFiles Target;
    QMimeData Data;
    Qt::DropAction LastAction = Qt::IgnoreAction;
    QPoint DroppedAt;
    TDropEffects DroppedEffect = deNone;
};

} // namespace

TEST_F(DropTargetTest, DropReadsTheFilesWithTheChosenEffect)
{
    EXPECT_TRUE(Viewport()->acceptDrops());
    ASSERT_TRUE(Enter(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::ShiftModifier));
    EXPECT_EQ(LastAction, Qt::MoveAction);
    ASSERT_TRUE(Drop(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction));
    EXPECT_EQ(LastAction, Qt::CopyAction);
    EXPECT_EQ(Target.Files, TStrings{"/lib/a.b3d"});
    EXPECT_EQ(DroppedAt, QPoint(7, 8));
    EXPECT_EQ(DroppedEffect, deCopy);

    // Data without files, or only a link offered, is refused.
    QMimeData text;
    text.setText("x");
    QDragEnterEvent e(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Viewport(), &e);
    EXPECT_FALSE(e.isAccepted());
    EXPECT_FALSE(Enter(Qt::LinkAction));
}

TEST_F(DropTargetTest, OwnDragsAreRefusedUnlessAccepted)
{
    Target.SetSourceEffects(deCopy);
    Target.Files = {"/lib/own.b3d"};
    bool entered = true;
    TDragDrop::DragLoop = [&](QDrag&, Qt::DropActions, Qt::DropAction) {
        entered = Enter(Qt::CopyAction);
        return Qt::IgnoreAction;
    };
    EXPECT_EQ(Target.Execute(), drCancelled);
    EXPECT_FALSE(entered);
    Target.AcceptOwnDnD = true;
    EXPECT_EQ(Target.Execute(), drCancelled);
    EXPECT_TRUE(entered);
    TDragDrop::DragLoop = nullptr;
}

TEST_F(DropTargetTest, RightButtonDropAsksWithTheMenu)
{
    QStringList items;
    QString preset;
    int pick = 1;
    TDragDrop::DropMenuLoop = [&](QMenu& menu) {
        items.clear();
        for (QAction* a : menu.actions())
            items << (a->isSeparator() ? "-" : a->text());
        preset = menu.defaultAction() ? menu.defaultAction()->text() : QString();
        return pick;
    };
    ASSERT_TRUE(Enter(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::NoModifier, Qt::RightButton));
    ASSERT_TRUE(Drop(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction));
    const TDropMenuTexts t = DropMenuTextsFor(QLocale().language());
    EXPECT_EQ(items, (QStringList{QString::fromUtf8(t.Move), QString::fromUtf8(t.Copy), "-", QString::fromUtf8(t.Abort)}));
    EXPECT_EQ(preset, QString::fromUtf8(t.Copy));
    EXPECT_EQ(DroppedEffect, deMove);

    // Abort drops nothing.
    Target.Files.clear();
    DroppedEffect = deNone;
    pick = 0;
    ASSERT_TRUE(Enter(Qt::CopyAction, Qt::NoModifier, Qt::RightButton));
    EXPECT_FALSE(Drop(Qt::CopyAction));
    EXPECT_TRUE(Target.Files.empty());
    EXPECT_EQ(DroppedEffect, deNone);
}

TEST(DragDetection, AutoDetectWatchesTheControlsMouse)
{
    QListWidget list;
    TDragDropFiles dd;
    dd.SetDragDropControl(&list);
    dd.SetSourceEffects(deCopy);
    dd.SetAutoDetectDnD(true);
    dd.DragDetectDelta = 4;
    dd.Files = {"/a.b3d"};
    std::vector<int> statuses;
    int result = -1;
    dd.OnDragDetect = [&](int, QPoint, QPoint, TDragDetect::TStatus status) {
        statuses.push_back(status);
        if (status == TDragDetect::Dragging)
            result = dd.Execute(); // the application starts the drag here
    };
    TFakeDragLoop loop(Qt::CopyAction);
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, at, list.viewport()->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &e);
    };
    send(QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(14, 14), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(loop.Runs, 0);
    send(QEvent::MouseMove, QPoint(15, 10), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(loop.Runs, 1);
    EXPECT_EQ(result, drCopied);
    EXPECT_EQ(dd.DetectStatus(), TDragDetect::Idle);
    // Pressed, dragging, and idle after the drag.
    ASSERT_GE(statuses.size(), 3u);
    EXPECT_EQ(statuses[0], TDragDetect::LeftWatch);
    EXPECT_EQ(statuses[1], TDragDetect::Dragging);
    EXPECT_EQ(statuses.back(), TDragDetect::Idle);

    // Switched off, presses are not watched.
    dd.SetAutoDetectDnD(false);
    statuses.clear();
    send(QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(40, 40), Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(statuses.empty());
    EXPECT_EQ(loop.Runs, 1);
}

TEST_F(DropTargetTest, DraggingOverAZoneScrollsThatWay)
{
    for (int i = 0; i < 200; ++i)
        List.addItem(QString::number(i));
    List.resize(200, 120);
    List.show();
    TScrollDetectOptions options;
    options.VertScrolling = true;
    Target.SetScrollDetectOptions(options);
    auto move = [&](int y) {
        QDragMoveEvent e(QPoint(50, y), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Viewport(), &e);
    };
    ASSERT_TRUE(Enter(Qt::CopyAction));
    const int height = Viewport()->height();
    move(height / 2);
    EXPECT_EQ(Target.ScrollDirection(), -1);
    move(height - 3);
    EXPECT_EQ(Target.ScrollDirection(), 1);
    move(2); // the bar is at its top: nothing to scroll
    EXPECT_EQ(Target.ScrollDirection(), -1);
    List.verticalScrollBar()->setValue(10);
    move(2);
    EXPECT_EQ(Target.ScrollDirection(), 0);
    QDragLeaveEvent leave;
    QApplication::sendEvent(Viewport(), &leave);
    EXPECT_EQ(Target.ScrollDirection(), -1);
}

TEST(DragSource, KeyStateAndTheQuestionToGoOn)
{
    EXPECT_EQ(KeyStateOf(Qt::LeftButton | Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier), 15);
    EXPECT_EQ(KeyStateOf(Qt::MiddleButton, Qt::AltModifier), 16 | 32);
    EXPECT_EQ(ContinueDragFor(false, Qt::LeftButton), dcContinue);
    EXPECT_EQ(ContinueDragFor(false, Qt::NoButton), dcDrop);
    EXPECT_EQ(ContinueDragFor(true, Qt::LeftButton), dcCancel);

    QListWidget list;
    TDragDropFiles dd;
    dd.SetDragDropControl(&list);
    dd.SetSourceEffects(deCopy);
    dd.Files = {"/a.b3d"};
    std::vector<int> asked;
    dd.OnQueryContinueDrag = [&](bool, int keyState, TDragContinue& result) {
        asked.push_back(keyState);
        if (keyState & ksShift)
            result = dcContinue; // the application may overrule
    };
    dd.OnGiveFeedback = [](TDropEffects effect, bool& useDefault) { useDefault = effect != deCopy; };
    TFakeDragLoop loop(Qt::CopyAction);
    Qt::KeyboardModifiers keys = Qt::NoModifier;
    loop.During = [&] {
        EXPECT_FALSE(dd.GiveFeedback(deCopy));
        dd.QueryContinueDrag(false, Qt::LeftButton | Qt::RightButton, keys);
    };
    EXPECT_EQ(dd.Execute(), drCancelled); // the second button cancels
    keys = Qt::ShiftModifier;
    EXPECT_EQ(dd.Execute(), drCopied);
    EXPECT_EQ(asked, (std::vector<int>{3, 3 | ksShift}));
}

namespace {

class TCountingFiles : public TDragDropFiles {
public:
    int Reads = 0;

protected:
    void ReadData(const QMimeData* data) override { Reads += (TDragDropFiles::ReadData(data), 1); }
};

} // namespace

TEST(DropTargetReading, DataIsReadWhenRenderDataOnSays)
{
    QListWidget list;
    QMimeData data;
    data.setUrls({QUrl("file:///lib/a.b3d")});
    // Mode, then the reads after entering, after the drop and when the
    // application hears of the drop.
    for (const auto& [mode, atEnter, atDrop, told] : std::initializer_list<std::tuple<TRenderDataOn, int, int, int>>{
             {rdoEnter, 1, 1, 1}, {rdoEnterAndDropSync, 1, 2, 2}, {rdoEnterAndDropAsync, 1, 1, 2},
             {rdoDropSync, 0, 1, 1}, {rdoDropAsync, 0, 0, 1}, {rdoNever, 0, 0, 0}}) {
        TCountingFiles target;
        target.SetDragDropControl(&list);
        target.SetTargetEffects(deCopy);
        target.RenderDataOn = mode;
        int readWhenTold = -1;
        target.OnProcessDropped = [&](TDragDrop* sender, int, QPoint, TDropEffects) {
            EXPECT_EQ(sender, &target);
            readWhenTold = target.Reads;
        };
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &enter);
        EXPECT_EQ(target.Reads, atEnter) << mode;
        QDropEvent drop(QPointF(7, 8), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &drop);
        EXPECT_EQ(target.Reads, atDrop) << mode;
        QApplication::processEvents();
        EXPECT_EQ(readWhenTold, told) << mode;
    }
}

TEST_F(DropTargetTest, DropMenuTakesTheApplicationsItems)
{
    std::vector<std::string> events;
    Target.OnMenuPopup = [&](TDragDrop*, QMenu& menu, const QMimeData*, int first, int keyState, QPoint) {
        EXPECT_EQ(keyState, ksRight);
        menu.addAction("Open here")->setData(first);
        events.push_back("popup");
    };
    Target.OnMenuExecCmd = [&](TDragDrop*, QMenu&, const QMimeData*, int command, TDropEffects& effect, bool& ok) {
        events.push_back("exec " + std::to_string(command));
        effect = deCopy;
        ok = true;
    };
    Target.OnMenuSucceeded = [&](TDragDrop*, int, QPoint, TDropEffects e) { events.push_back("ok " + std::to_string(e)); };
    Target.OnMenuDestroy = [&](TDragDrop*, QMenu&) { events.push_back("destroy"); };
    TDragDrop::DropMenuLoop = [](QMenu& menu) { return menu.actions().back()->data().toInt(); };
    ASSERT_TRUE(Enter(Qt::CopyAction | Qt::MoveAction, Qt::NoModifier, Qt::RightButton));
    ASSERT_TRUE(Drop(Qt::CopyAction | Qt::MoveAction));
    EXPECT_EQ(events, (std::vector<std::string>{"popup", "exec 10", "ok 1", "destroy"}));
    EXPECT_EQ(DroppedEffect, deCopy);
}

TEST(DropTargetScrolling, BothAxesTheHeldBarAndTheEndStep)
{
    QScrollArea area;
    auto* inner = new QWidget;
    inner->setFixedSize(2000, 2000);
    area.setWidget(inner);
    area.resize(200, 200);
    area.show();
    TDragDropFiles target;
    target.SetDragDropControl(&area);
    target.SetTargetEffects(deCopy);
    QSignalSpy changed(&target, &TDragDrop::scrollDetectOptionsChanged);
    TScrollDetectOptions options;
    options.VertScrolling = options.HorzScrolling = true;
    options.StartDelay = 0; // brought to 1 ms
    target.SetScrollDetectOptions(options);
    EXPECT_EQ(target.ScrollDetectOptions().StartDelay, 1);

    QMimeData data;
    data.setUrls({QUrl("file:///a.b3d")});
    TDropEffects over = deNone;
    target.OnDragOver = [&](int, QPoint, TDropEffects& effect) { over = effect; };
    QWidget* viewport = area.viewport();
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    auto move = [&](int x, int y) {
        QDragMoveEvent e(QPoint(x, y), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &e);
    };
    move(viewport->width() - 3, viewport->height() - 3); // the corner: down and right at once
    EXPECT_EQ(target.ScrollDirection(0), 1);
    EXPECT_EQ(target.ScrollDirection(1), 3);
    QSignalSpy actions(area.verticalScrollBar(), &QAbstractSlider::actionTriggered);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return area.horizontalScrollBar()->value() > 0 && area.verticalScrollBar()->value() > 0; }, 3000));
    move(100, 100); // leaving ends with the end step on the bar that moved
    EXPECT_EQ(target.ScrollDirection(), -1);
    ASSERT_FALSE(actions.isEmpty());
    EXPECT_EQ(actions.last().at(0).toInt(), QAbstractSlider::SliderMove);

    emit area.horizontalScrollBar()->sliderPressed(); // a held bar adds the scroll bit
    move(100, 101);
    EXPECT_EQ(over, deCopy | deScroll);
    move(viewport->width() - 3, 100);
    options.HorzScrolling = false; // switching the axis off stops it
    target.SetScrollDetectOptions(options);
    EXPECT_EQ(target.ScrollDirection(1), -1);
    EXPECT_EQ(changed.count(), 2);
}

TEST(DragDetection, StartedByProgram)
{
    QListWidget list;
    TDragDropFiles dd;
    dd.SetDragDropControl(&list);
    dd.SetSourceEffects(deLink);
    std::vector<int> statuses;
    dd.OnDragDetect = [&](int, QPoint, QPoint, TDragDetect::TStatus status) { statuses.push_back(status); };
    dd.StartDragDetect(Qt::RightButton);
    const QPoint far = list.viewport()->mapFromGlobal(QCursor::pos()) + QPoint(30, 0);
    QMouseEvent move(QEvent::MouseMove, far, list.viewport()->mapToGlobal(far), Qt::NoButton, Qt::RightButton,
                     Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &move);
    EXPECT_EQ(statuses, (std::vector<int>{TDragDetect::RightWatch, TDragDetect::Dragging, TDragDetect::Idle}));
}
