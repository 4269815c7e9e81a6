#pragma once
// File drag and drop for one control of the editor, on Qt's own drag
// service. TDragDrop is the general component: a drag source (Execute runs
// one blocking QDrag), a drop target (effect choice, refusal of its own
// drags, the right-button drop menu, automatic scrolling on both axes, when
// to read the data), drag detection by distance through an event filter, and
// the clipboard. TDragDropFiles
// carries a list of file paths: as file:// URLs and, as a second format, in
// the 8-bit file-list block that Windows programs read.
//
// The rules themselves (the block layout, the effect choice, the scroll
// zones, the drop menu's texts and the detection states) are plain
// functions and classes below, so they can be checked without widgets.
//
// Everything runs on the user-interface thread.
//
// What Qt's drag service does not carry is not here: reference counting of
// the data object, format requests by aspect and index with their result
// codes, and a format enumerator.

#include "platform/textlines.h"

#include <QLocale>
#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QDrag;
class QDropEvent;
class QMenu;
class QMimeData;
class QTimer;
class QWidget;

// ---------------------------------------------------------------------------
// Effects and results

// Effect bits, as the drag services number them; combined with "|".
// deScroll is added to a target's answer while the user holds one of its
// scroll bars; it is no effect of its own.
enum TDragDropEffect : unsigned { deNone = 0, deCopy = 1, deMove = 2, deLink = 4, deScroll = 0x80000000u };
using TDropEffects = unsigned;

// The key state the events receive, in the drag services' bits: left
// button 1, right button 2, Shift 4, Ctrl 8, middle button 16, Alt 32.
enum TKeyStateBit : int { ksLeft = 1, ksRight = 2, ksShift = 4, ksCtrl = 8, ksMiddle = 16, ksAlt = 32 };
int KeyStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys);

// The source's answer to "go on with the drag?".
enum TDragContinue : int { dcContinue = 0, dcDrop = 1, dcCancel = 2 };
// Escape, or the left and the right button down together, cancel; a
// button still down goes on; otherwise the data is dropped.
TDragContinue ContinueDragFor(bool escape, Qt::MouseButtons buttons);

// When a drop target reads the dragged data: at entering, at entering and
// again at the drop (at once, or after the source's drag has ended), only at
// the drop (the same two ways), or never (the application reads it).
enum TRenderDataOn { rdoEnter, rdoEnterAndDropSync, rdoEnterAndDropAsync, rdoDropSync, rdoDropAsync, rdoNever };

// What Execute reports.
enum TDragResult : int {
    drNotStarted = 0, // empty data, or another drag is still running
    drCancelled = 1,  // cancelled or dropped nowhere
    drCopied = 2,
    drMoved = 3,
    drLinked = 4,
};

Qt::DropActions ToDropActions(TDropEffects effects);
TDropEffects FromDropActions(Qt::DropActions actions);
// The result of a finished drag whose target chose action.
int DragResultOf(Qt::DropAction action);

// ---------------------------------------------------------------------------
// The file-list block

// Its own format name beside the URL list.
inline constexpr const char* FileListMimeType = "application/x-velkast-filelist";
// Offset of the first name in the block.
inline constexpr std::uint32_t FileListNameOffset = 20;
// The longest path the block takes, in bytes (the block's readers copy each
// name through a buffer of 256 bytes).
inline constexpr std::size_t MaxFileListPath = 255;

// The block: five 32-bit little-endian words (name offset 20, drop point X
// and Y 0, non-client flag 0, wide flag 0), then each path followed by one
// zero byte, then one more zero byte. Paths are 8-bit ANSI text. Returns
// false (block empty) when a path is longer than MaxFileListPath bytes or
// holds a zero byte.
bool BuildFileListBlock(const TStrings& paths, std::string& block);
// The names of a block, read from its name offset until an empty name, as
// 8-bit text or, with the wide flag, as UTF-16 (converted to ANSI). A block
// too short for its header, or whose names run past its end, gives what
// could be read up to there.
TStrings ReadFileListBlock(std::string_view block);

// ---------------------------------------------------------------------------
// Rules of the drop target

// The effect a drop target offers for the keys held:
// - its own drag without acceptOwn: none;
// - Shift without Ctrl: move, when the target accepts move;
// - Ctrl with Shift: link, when the target accepts link;
// - otherwise the first of copy, move, link that the target accepts and the
//   source offers.
TDropEffects ChooseDropEffect(bool ownDrag, bool acceptOwn, bool shift, bool ctrl, TDropEffects targetEffects,
                              TDropEffects sourceEffects);

struct TScrollDetectArea {
    std::uint16_t Margin = 0;
    std::uint16_t Range = 10;
};

// Automatic scrolling of a target while a drag waits near its edges. The
// component's SetScrollDetectOptions tells of every change.
struct TScrollDetectOptions {
    int ScrollDelay = 100; // milliseconds, 1 to 10000
    int StartDelay = 750;
    TScrollDetectArea AreaLeft, AreaTop, AreaRight, AreaBottom;
    bool HorzScrolling = false;
    bool VertScrolling = false;
    bool HorzPageScroll = false;
    bool VertPageScroll = false;
};

// Scroll intervals outside 1..10000 milliseconds are brought into it.
int ClampScrollInterval(int milliseconds);

enum class TScrollZone { None, Back, Forward };

// The zone of a pointer at pos (client coordinates along one axis of
// clientSize pixels): back within near's Margin to Margin + Range of the
// near edge, forward between clientSize - (far.Margin + 1) - far.Range and
// clientSize - (far.Margin + 1). Overlapping zones give no scrolling; a zone
// counts only while the scroll bar can still move that way.
TScrollZone ScrollZoneAt(int pos, int clientSize, TScrollDetectArea nearArea, TScrollDetectArea farArea, bool canBack,
                         bool canForward);

// The texts of the right-button drop menu, UTF-8, chosen by language.
struct TDropMenuTexts {
    const char* Move;
    const char* Copy;
    const char* Shortcut;
    const char* Abort;
};
TDropMenuTexts DropMenuTextsFor(QLocale::Language language);
// The drop menu's commands: 1 move, 2 copy, 3 link, 4 the separator, 0 abort;
// items an application adds get commands from DropMenuFirstCustom on.
TDropEffects DropMenuCommandEffect(int command);
inline constexpr int DropMenuFirstCustom = 10;

// ---------------------------------------------------------------------------
// Drag detection

// The states of the detection: a press of the left or right button starts a
// watch; pressing the other button too cancels it until both buttons are
// released; moving farther than Delta pixels on either axis from the press
// point starts the drag.
class TDragDetect {
public:
    enum TStatus { Idle = 0, LeftWatch = 1, RightWatch = 2, BothPressed = 3, Dragging = 4 };

    int Delta = 10;
    TStatus Status = Idle;
    QPoint Start;

    // Each returns true when the status changed (the moment to tell the
    // application). Move returns true when a drag is to start (status
    // Dragging); the application resets the status with Finish afterwards.
    bool Press(Qt::MouseButton button, QPoint pos);
    bool Release(Qt::MouseButton button);
    bool Move(QPoint pos, Qt::MouseButtons held);
    void Finish() { Status = Idle; }

private:
    int FPendingReleases = 0;
};

// ---------------------------------------------------------------------------
// The component

class TDragDrop : public QObject {
    Q_OBJECT
public:
    explicit TDragDrop(QObject* owner = nullptr, const char* name = nullptr);
    ~TDragDrop() override;

    // The control that is the drag source and, with target effects, the
    // drop target. Changing it moves the event filter and the target
    // registration.
    QWidget* DragDropControl() const { return FControl; }
    void SetDragDropControl(QWidget* control);
    TDropEffects SourceEffects() const { return FSourceEffects; }
    void SetSourceEffects(TDropEffects effects);
    TDropEffects TargetEffects() const { return FTargetEffects; }
    void SetTargetEffects(TDropEffects effects);
    bool AutoDetectDnD() const { return FAutoDetect; }
    void SetAutoDetectDnD(bool on);
    const TScrollDetectOptions& ScrollDetectOptions() const { return FScrollOptions; }
    // Takes the options (intervals brought into 1..10000 ms), adjusts a
    // running scroll and emits scrollDetectOptionsChanged.
    void SetScrollDetectOptions(const TScrollDetectOptions& options);

    bool AcceptOwnDnD = false;
    int DragDetectDelta = 10;
    bool BringToFront = false;
    bool TargetPopupMenu = true;
    TRenderDataOn RenderDataOn = rdoDropSync;
    // Cursors shown during this component's drags for an effect (deCopy,
    // deMove, deLink); none set: the platform's own.
    void SetDragCursor(TDropEffects effect, const QPixmap& cursor);

    // Runs one drag of the component's data to its end (see TDragResult).
    // At most one drag runs at a time, across all components.
    int Execute();
    // The component whose drag is running, if any.
    static TDragDrop* RunningDrag();
    // Whether a drag of this component is running.
    bool OwnDrag() const { return FOwnDrag; }
    TDragDetect::TStatus DetectStatus() const { return FDetect.Status; }
    // Starts watching the mouse for a drag by program, as if the button
    // had just been pressed at the cursor's place over the control.
    void StartDragDetect(Qt::MouseButton button);
    // The source's question during its drag, asked at each key and mouse
    // event of the drag (and by a replacing DragLoop): ContinueDragFor, then
    // OnQueryContinueDrag. A cancel ends the drag.
    TDragContinue QueryContinueDrag(bool escape, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys);
    // The source's feedback when the target's answer changes: raises
    // OnGiveFeedback. True when the platform's cursors are to be used.
    bool GiveFeedback(TDropEffects effect);

    // The direction the target scrolls in on an axis (0 vertical, 1
    // horizontal) while a drag waits over one of its zones, as
    // OnBeforeScrolling numbers them; -1 while it does not. Without an axis:
    // the vertical one's when it scrolls, else the horizontal one's.
    int ScrollDirection(int axis) const { return FScroll[axis].Direction; }
    int ScrollDirection() const { return FScroll[0].Direction >= 0 ? FScroll[0].Direction : FScroll[1].Direction; }
    // Whether the user holds the control's scroll bar on an axis.
    bool ScrollBarHeld(int axis) const { return FBarHeld[axis]; }

    // Puts the component's data on the clipboard; false without data.
    bool CopyToClipboard();
    // Reads the clipboard's data as if dropped with the copy effect at
    // (-1, -1) and key state 0; false when the clipboard holds nothing
    // acceptable.
    bool PasteFromClipboard();

    // The data a drag carries; nothing when there is none. The caller owns it.
    virtual QMimeData* CreateDataObject() const;

    // Replaces the blocking drag loop (tests and embedders): receives the
    // prepared drag with the actions offered and the preferred one, and
    // returns the action the target chose.
    static std::function<Qt::DropAction(QDrag& drag, Qt::DropActions offered, Qt::DropAction preferred)> DragLoop;

    // Replaces the drop menu's own loop (tests): receives the filled menu
    // and returns the command picked (0 for none).
    static std::function<int(QMenu& menu)> DropMenuLoop;

    // Events. Points are in the control's client coordinates; keyState as
    // KeyStateOf.
    std::function<void(int keyState, QPoint start, QPoint current, TDragDetect::TStatus status)> OnDragDetect;
    std::function<void(const QMimeData* data, int keyState, QPoint pos, TDropEffects& effect, bool& accept)>
        OnDragEnter;
    std::function<void(int keyState, QPoint pos, TDropEffects& effect)> OnDragOver;
    std::function<void()> OnDragLeave;
    std::function<void(const QMimeData* data, int keyState, QPoint pos, TDropEffects& effect)> OnDrop;
    std::function<void(bool escape, int keyState, TDragContinue& result)> OnQueryContinueDrag;
    std::function<void(TDropEffects effect, bool& useDefaultCursors)> OnGiveFeedback;
    std::function<void(TDragDrop* sender, int keyState, QPoint pos, TDropEffects effect)> OnProcessDropped;
    // direction 0 up, 1 down, 2 left, 3 right; interval: milliseconds to
    // the next step.
    std::function<void(TDragDrop* sender, QPoint pos, int& interval, int direction, bool& page)> OnBeforeScrolling;
    std::function<void(TDragDrop* sender)> OnAfterScrolling;
    // The right-button drop menu: items added here carry commands from
    // firstCommand on (QAction::data); a picked one goes to OnMenuExecCmd,
    // which sets the drop's effect (none until it does), and when that
    // succeeds OnMenuSucceeded follows; OnMenuDestroy comes last, before the
    // menu goes.
    std::function<void(TDragDrop* sender, QMenu& menu, const QMimeData* data, int firstCommand, int keyState,
                       QPoint pos)>
        OnMenuPopup;
    std::function<void(TDragDrop* sender, QMenu& menu, const QMimeData* data, int command, TDropEffects& effect,
                       bool& succeeded)>
        OnMenuExecCmd;
    std::function<void(TDragDrop* sender, QMenu& menu)> OnMenuDestroy;
    std::function<void(TDragDrop* sender, int keyState, QPoint pos, TDropEffects effect)> OnMenuSucceeded;

signals:
    void scrollDetectOptionsChanged();

protected:
    // Whether a drop target takes this data, and reading it.
    virtual bool AcceptsData(const QMimeData* data) const;
    virtual void ReadData(const QMimeData* data);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TAxisScroll {
        int Direction = -1; // as OnBeforeScrolling, -1 none
        bool Scrolled = false;
        QTimer* Timer = nullptr;
    };

    void Attach();
    void Detach();
    QWidget* MouseWidget() const;
    TDropEffects EffectFor(Qt::KeyboardModifiers keys, Qt::DropActions offered) const;
    bool TargetEvent(QEvent* event);
    void DropEvent(QDropEvent* event);
    bool DetectEvent(QEvent* event);
    void ReadNow(const QMimeData* data);
    void ProcessDropped(QPoint pos, int keyState, TDropEffects effect);
    void ScrollCheck(QPoint pos);
    void ScrollStep(int axis);
    void StopScrolling(int axis);
    void StopScrolling();
    // Shows the drop menu and returns the effect picked.
    TDropEffects RunDropMenu(const QMimeData* data, int keyState, QPoint pos, TDropEffects possible,
                             TDropEffects chosen);

    QPointer<QWidget> FControl;
    QPointer<QWidget> FWatched; // where the event filter sits
    TDropEffects FSourceEffects = deNone;
    TDropEffects FTargetEffects = deNone;
    bool FAutoDetect = false;
    bool FOwnDrag = false;
    bool FEnterOwn = false;
    bool FRightButton = false;
    bool FAccepted = false;
    QPointer<QDrag> FDrag;
    std::vector<std::pair<TDropEffects, QPixmap>> FCursors;
    TDragDetect FDetect;
    TScrollDetectOptions FScrollOptions;
    TAxisScroll FScroll[2]; // vertical, horizontal
    bool FBarHeld[2] = {false, false};
    QPoint FScrollPos;
    std::unique_ptr<QMimeData> FKept; // data kept for reading after the drop
};

// The component with a list of files.
class TDragDropFiles : public TDragDrop {
    Q_OBJECT
public:
    explicit TDragDropFiles(QObject* owner = nullptr, const char* name = nullptr) : TDragDrop(owner, name) {}

    // Full native paths in insertion order; duplicates stay.
    TStrings Files;

    // The URLs and the file-list block of Files; nothing when the list is
    // empty or a path does not fit the block. Both are made only when a
    // target asks for them (QMimeData::retrieveData), with the busy cursor.
    QMimeData* CreateDataObject() const override;

protected:
    bool AcceptsData(const QMimeData* data) const override;
    // Replaces Files with the dropped names (the block when offered, else
    // the local files among the URLs).
    void ReadData(const QMimeData* data) override;
};
