#include "editor/dragdrop.h"

#include "editor/vclwidgets.h"
#include "platform/paths.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QVariant>

#include <algorithm>
#include <cstdlib>

// ---------------------------------------------------------------------------
// Effects

Qt::DropActions ToDropActions(TDropEffects effects)
{
    Qt::DropActions actions;
    if (effects & deCopy)
        actions |= Qt::CopyAction;
    if (effects & deMove)
        actions |= Qt::MoveAction;
    if (effects & deLink)
        actions |= Qt::LinkAction;
    return actions;
}

TDropEffects FromDropActions(Qt::DropActions actions)
{
    TDropEffects effects = deNone;
    if (actions & Qt::CopyAction)
        effects |= deCopy;
    if (actions & Qt::MoveAction)
        effects |= deMove;
    if (actions & Qt::LinkAction)
        effects |= deLink;
    return effects;
}

int DragResultOf(Qt::DropAction action)
{
    switch (action) {
    case Qt::CopyAction:
        return drCopied;
    case Qt::MoveAction:
    case Qt::TargetMoveAction:
        return drMoved;
    case Qt::LinkAction:
        return drLinked;
    default:
        return drCancelled;
    }
}

int KeyStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys)
{
    int state = 0;
    if (buttons & Qt::LeftButton)
        state |= ksLeft;
    if (buttons & Qt::RightButton)
        state |= ksRight;
    if (buttons & Qt::MiddleButton)
        state |= ksMiddle;
    if (keys & Qt::ShiftModifier)
        state |= ksShift;
    if (keys & Qt::ControlModifier)
        state |= ksCtrl;
    if (keys & Qt::AltModifier)
        state |= ksAlt;
    return state;
}

TDragContinue ContinueDragFor(bool escape, Qt::MouseButtons buttons)
{
    if (escape || ((buttons & Qt::LeftButton) && (buttons & Qt::RightButton)))
        return dcCancel;
    if (buttons & (Qt::LeftButton | Qt::RightButton))
        return dcContinue;
    return dcDrop;
}

// ---------------------------------------------------------------------------
// The file-list block

namespace {

void PutWord(std::string& block, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        block.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint32_t GetWord(std::string_view block, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(block[at + i])) << (8 * i);
    return value;
}

} // namespace

bool BuildFileListBlock(const TStrings& paths, std::string& block)
{
    block.clear();
    std::size_t size = FileListNameOffset + 1;
    for (const std::string& path : paths) {
        if (path.size() > MaxFileListPath || path.find('\0') != std::string::npos)
            return false;
        size += path.size() + 1;
    }
    block.reserve(size);
    PutWord(block, FileListNameOffset);
    PutWord(block, 0); // drop point X
    PutWord(block, 0); // drop point Y
    PutWord(block, 0); // non-client
    PutWord(block, 0); // 8-bit names
    for (const std::string& path : paths) {
        block += path;
        block.push_back('\0');
    }
    block.push_back('\0');
    return true;
}

TStrings ReadFileListBlock(std::string_view block)
{
    TStrings names;
    if (block.size() < FileListNameOffset)
        return names;
    std::size_t at = GetWord(block, 0);
    const bool wide = GetWord(block, 16) != 0;
    while (at < block.size()) {
        if (wide) {
            std::u16string name;
            while (at + 1 < block.size()) {
                const char16_t c = static_cast<char16_t>(static_cast<unsigned char>(block[at]) |
                                                         (static_cast<unsigned char>(block[at + 1]) << 8));
                at += 2;
                if (c == 0)
                    break;
                name.push_back(c);
            }
            if (name.empty())
                break;
            names.push_back(QToAnsi(QString::fromStdU16String(name)));
        } else {
            const std::size_t end = block.find('\0', at);
            const std::string_view name = block.substr(at, end == std::string_view::npos ? std::string_view::npos
                                                                                        : end - at);
            if (name.empty())
                break;
            names.emplace_back(name);
            if (end == std::string_view::npos)
                break;
            at = end + 1;
        }
    }
    return names;
}

// ---------------------------------------------------------------------------
// Rules of the drop target

TDropEffects ChooseDropEffect(bool ownDrag, bool acceptOwn, bool shift, bool ctrl, TDropEffects targetEffects,
                              TDropEffects sourceEffects)
{
    if (ownDrag && !acceptOwn)
        return deNone;
    if (shift && !ctrl && (targetEffects & deMove))
        return deMove;
    if (ctrl && shift && (targetEffects & deLink))
        return deLink;
    for (TDropEffects e : {deCopy, deMove, deLink})
        if ((targetEffects & e) && (sourceEffects & e))
            return e;
    return deNone;
}

int ClampScrollInterval(int milliseconds) { return std::clamp(milliseconds, 1, 10000); }

TScrollZone ScrollZoneAt(int pos, int clientSize, TScrollDetectArea nearArea, TScrollDetectArea farArea, bool canBack,
                         bool canForward)
{
    const int backFrom = nearArea.Margin;
    const int backTo = nearArea.Margin + nearArea.Range;
    const int forwardTo = clientSize - (farArea.Margin + 1);
    const int forwardFrom = forwardTo - farArea.Range;
    if (backTo >= forwardFrom)
        return TScrollZone::None; // the zones overlap
    if (canBack && pos >= backFrom && pos <= backTo)
        return TScrollZone::Back;
    if (canForward && pos >= forwardFrom && pos <= forwardTo)
        return TScrollZone::Forward;
    return TScrollZone::None;
}

TDropMenuTexts DropMenuTextsFor(QLocale::Language language)
{
    switch (language) {
    case QLocale::German:
        return {"Hierher &verschieben", "Hierher &kopieren", "Verknüpfung(en) hier &erstellen", "&Abbrechen"};
    case QLocale::Spanish:
        return {"&Muévase aquí", "&Copie aquí", "&Atajo(s) crea aquí ", "&Aborto"};
    case QLocale::French:
        return {"&Transférer ici", "&Copier ici", "&Créer un ou des raccourci(s) ici", "&Arrêt"};
    case QLocale::Italian:
        return {"&Muoversi qui", "&Copiare qui", "&Scorciatoia(e) crea qui", "&Terminazione"};
    case QLocale::Polish:
        return {"&Przenieś tutaj", "&Kopiuj tutaj", "Utwórz &skrót(y) tutaj", "&Anuluj"};
    case QLocale::Portuguese:
        return {"&Mova aqui", "&Copíe aqui", "&Atalho(s) cría aqui", "&Aborto"};
    default:
        return {"&Move Here", "&Copy Here", "&Shortcut(s) Create Here", "&Abort"};
    }
}

TDropEffects DropMenuCommandEffect(int command)
{
    switch (command) {
    case 1:
        return deMove;
    case 2:
        return deCopy;
    case 3:
        return deLink;
    default:
        return deNone;
    }
}

// ---------------------------------------------------------------------------
// Drag detection

bool TDragDetect::Press(Qt::MouseButton button, QPoint pos)
{
    const bool left = button == Qt::LeftButton;
    if (!left && button != Qt::RightButton)
        return false;
    switch (Status) {
    case Idle:
        Status = left ? LeftWatch : RightWatch;
        Start = pos;
        return true;
    case LeftWatch:
    case RightWatch:
        Status = BothPressed;
        FPendingReleases = 2;
        return true;
    case BothPressed:
        FPendingReleases = 2;
        return false;
    default:
        return false;
    }
}

bool TDragDetect::Release(Qt::MouseButton button)
{
    switch (Status) {
    case BothPressed:
        if (--FPendingReleases < 1) {
            Status = Idle;
            return true;
        }
        return false;
    case LeftWatch:
    case RightWatch:
        if (button == (Status == LeftWatch ? Qt::LeftButton : Qt::RightButton)) {
            Status = Idle;
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool TDragDetect::Move(QPoint pos, Qt::MouseButtons held)
{
    if (Status != LeftWatch && Status != RightWatch)
        return false;
    if (!(held & (Qt::LeftButton | Qt::RightButton))) {
        // The release happened elsewhere: the watch ends.
        Status = Idle;
        return false;
    }
    if (std::abs(pos.x() - Start.x()) > Delta || std::abs(pos.y() - Start.y()) > Delta) {
        Status = Dragging;
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// The component

namespace {

TDragDrop* Running = nullptr;

Qt::DropAction ActionOf(TDropEffects effect)
{
    effect &= ~deScroll;
    return effect == deMove ? Qt::MoveAction : effect == deLink ? Qt::LinkAction : Qt::CopyAction;
}

// Answers a drag over the control with the effect a drop would have, or
// refuses it when there is none.
void AnswerDrag(QDragMoveEvent* e, TDropEffects effect)
{
    if (effect & ~deScroll) {
        e->setDropAction(ActionOf(effect));
        e->accept();
    } else {
        e->ignore();
    }
}

// A copy of every format of data, for reading after the source's drag
// has ended and taken its data with it.
std::unique_ptr<QMimeData> CopyOf(const QMimeData* data)
{
    auto copy = std::make_unique<QMimeData>();
    for (const QString& format : data->formats())
        copy->setData(format, data->data(format));
    return copy;
}

class TBusyCursor {
public:
    TBusyCursor()
    {
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        else
            FShown = false;
    }
    ~TBusyCursor()
    {
        if (FShown)
            QGuiApplication::restoreOverrideCursor();
    }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
    bool FShown = true;
};

} // namespace

namespace {

// Hands the key and mouse events of a running drag to the source's question.
class TDragWatch : public QObject {
public:
    explicit TDragWatch(TDragDrop* source) : FSource(source) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove: {
            const auto* e = static_cast<QMouseEvent*>(event);
            FButtons = e->buttons();
            Ask(e->modifiers());
            break;
        }
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* e = static_cast<QKeyEvent*>(event);
            FEscape = FEscape || (event->type() == QEvent::KeyPress && e->key() == Qt::Key_Escape);
            Ask(e->modifiers());
            break;
        }
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void Ask(Qt::KeyboardModifiers keys)
    {
        // One event reaches several objects on its way: ask once per state.
        if (FAsked && FButtons == FLastButtons && keys == FLastKeys && FEscape == FLastEscape)
            return;
        FAsked = true;
        FLastButtons = FButtons;
        FLastKeys = keys;
        FLastEscape = FEscape;
        FSource->QueryContinueDrag(FEscape, FButtons, keys);
    }

    TDragDrop* FSource;
    Qt::MouseButtons FButtons = Qt::LeftButton;
    bool FEscape = false;
    bool FAsked = false;
    Qt::MouseButtons FLastButtons;
    Qt::KeyboardModifiers FLastKeys;
    bool FLastEscape = false;
};

} // namespace

std::function<Qt::DropAction(QDrag& drag, Qt::DropActions offered, Qt::DropAction preferred)> TDragDrop::DragLoop;
std::function<int(QMenu& menu)> TDragDrop::DropMenuLoop;

TDragDrop::TDragDrop(QObject* owner, const char* name) : QObject(owner)
{
    if (name)
        setObjectName(name);
}

TDragDrop::~TDragDrop()
{
    Detach();
    if (Running == this)
        Running = nullptr;
}

TDragDrop* TDragDrop::RunningDrag() { return Running; }

QWidget* TDragDrop::MouseWidget() const
{
    if (auto* area = qobject_cast<QAbstractScrollArea*>(FControl.data()))
        return area->viewport();
    return FControl;
}

void TDragDrop::SetDragDropControl(QWidget* control)
{
    if (control == FControl)
        return;
    Detach();
    FControl = control;
    Attach();
}

void TDragDrop::SetSourceEffects(TDropEffects effects)
{
    Detach();
    FSourceEffects = effects & (deCopy | deMove | deLink);
    Attach();
}

void TDragDrop::SetTargetEffects(TDropEffects effects)
{
    Detach();
    FTargetEffects = effects & (deCopy | deMove | deLink);
    Attach();
}

void TDragDrop::SetAutoDetectDnD(bool on)
{
    Detach();
    FAutoDetect = on;
    Attach();
}

void TDragDrop::SetScrollDetectOptions(const TScrollDetectOptions& options)
{
    FScrollOptions = options;
    FScrollOptions.ScrollDelay = ClampScrollInterval(options.ScrollDelay);
    FScrollOptions.StartDelay = ClampScrollInterval(options.StartDelay);
    // An axis switched off stops; a running one goes on at the new pace.
    if (!FScrollOptions.VertScrolling)
        StopScrolling(0);
    if (!FScrollOptions.HorzScrolling)
        StopScrolling(1);
    for (TAxisScroll& axis : FScroll)
        if (axis.Timer && axis.Timer->isActive() && axis.Scrolled)
            axis.Timer->setInterval(FScrollOptions.ScrollDelay);
    emit scrollDetectOptionsChanged();
}

void TDragDrop::SetDragCursor(TDropEffects effect, const QPixmap& cursor)
{
    std::erase_if(FCursors, [effect](const auto& c) { return c.first == effect; });
    if (!cursor.isNull())
        FCursors.emplace_back(effect, cursor);
}

void TDragDrop::Attach()
{
    QWidget* w = MouseWidget();
    if (!w || (FSourceEffects == deNone && FTargetEffects == deNone))
        return;
    w->installEventFilter(this);
    if (FTargetEffects != deNone)
        w->setAcceptDrops(true);
    FWatched = w;
    // The scroll bars tell when the user holds them.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(FControl.data())) {
        QScrollBar* bars[2] = {area->verticalScrollBar(), area->horizontalScrollBar()};
        for (int axis = 0; axis < 2; ++axis) {
            connect(bars[axis], &QAbstractSlider::sliderPressed, this, [this, axis] { FBarHeld[axis] = true; });
            connect(bars[axis], &QAbstractSlider::sliderReleased, this, [this, axis] { FBarHeld[axis] = false; });
        }
    }
}

void TDragDrop::Detach()
{
    StopScrolling();
    FDetect.Finish();
    FBarHeld[0] = FBarHeld[1] = false;
    // The widget watched, if it still exists (the control may be going
    // away with this component as its child).
    if (QWidget* w = FWatched) {
        w->removeEventFilter(this);
        if (FTargetEffects != deNone)
            w->setAcceptDrops(false);
        if (auto* area = qobject_cast<QAbstractScrollArea*>(FControl.data())) {
            area->verticalScrollBar()->disconnect(this);
            area->horizontalScrollBar()->disconnect(this);
        }
    }
    FWatched = nullptr;
}

QMimeData* TDragDrop::CreateDataObject() const { return nullptr; }

bool TDragDrop::AcceptsData(const QMimeData* data) const { return data != nullptr; }

void TDragDrop::ReadData(const QMimeData*) {}

void TDragDrop::ReadNow(const QMimeData* data)
{
    TBusyCursor busy;
    ReadData(data);
}

TDragContinue TDragDrop::QueryContinueDrag(bool escape, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys)
{
    TDragContinue result = ContinueDragFor(escape, buttons);
    if (OnQueryContinueDrag)
        OnQueryContinueDrag(escape, KeyStateOf(buttons, keys), result);
    if (result == dcCancel) {
        FOwnDrag = false;
        // A replacing loop ends by itself; Execute then reports the cancel.
        if (FDrag && !DragLoop)
            QDrag::cancel();
    }
    return result;
}

bool TDragDrop::GiveFeedback(TDropEffects effect)
{
    bool useDefaultCursors = true;
    if (OnGiveFeedback)
        OnGiveFeedback(effect, useDefaultCursors);
    return useDefaultCursors;
}

int TDragDrop::Execute()
{
    if (Running)
        return drNotStarted;
    std::unique_ptr<QMimeData> data(CreateDataObject());
    if (!data)
        return drNotStarted;
    if (FSourceEffects == deNone || !FControl)
        return drCancelled;

    Running = this;
    FDetect.Status = TDragDetect::Dragging;
    FOwnDrag = true;
    struct TEnd {
        TDragDrop* Self;
        ~TEnd()
        {
            Self->FOwnDrag = false;
            Self->FDetect.Finish();
            if (Running == Self)
                Running = nullptr;
        }
    } end{this};

    auto* drag = new QDrag(FControl);
    FDrag = drag;
    drag->setMimeData(data.release());
    for (const auto& [effect, cursor] : FCursors)
        drag->setDragCursor(cursor, ActionOf(effect));
    connect(drag, &QDrag::actionChanged, this,
            [this](Qt::DropAction action) { GiveFeedback(FromDropActions(action)); });
    // The question whether to go on, asked at every key and mouse event of
    // the drag: the watch goes in once the drag loop runs, so it sees them
    // before the drag service does.
    TDragWatch watch(this);
    QTimer::singleShot(0, &watch, [&watch] { QCoreApplication::instance()->installEventFilter(&watch); });
    const Qt::DropActions offered = ToDropActions(FSourceEffects);
    Qt::DropAction preferred = Qt::CopyAction;
    if (!(FSourceEffects & deCopy))
        preferred = (FSourceEffects & deMove) ? Qt::MoveAction : Qt::LinkAction;
    Qt::DropAction action = Qt::IgnoreAction;
    try {
        action = DragLoop ? DragLoop(*drag, offered, preferred) : drag->exec(offered, preferred);
    } catch (...) {
        if (FDrag)
            FDrag->deleteLater();
        throw;
    }
    QCoreApplication::instance()->removeEventFilter(&watch);
    if (FDrag)
        FDrag->deleteLater();
    FDrag = nullptr;
    // A drag the source cancelled counts as cancelled, whatever the loop says.
    const int result = FOwnDrag ? DragResultOf(action) : drCancelled;

    FOwnDrag = false;
    FDetect.Finish();
    if (OnDragDetect)
        OnDragDetect(KeyStateOf(QGuiApplication::mouseButtons(), QGuiApplication::keyboardModifiers()), FDetect.Start,
                     FControl ? FControl->mapFromGlobal(QCursor::pos()) : QPoint(), TDragDetect::Idle);
    return result;
}

bool TDragDrop::CopyToClipboard()
{
    QMimeData* data = CreateDataObject();
    if (!data)
        return false;
    QGuiApplication::clipboard()->setMimeData(data);
    return true;
}

bool TDragDrop::PasteFromClipboard()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !AcceptsData(data))
        return false;
    ReadNow(data);
    if (OnProcessDropped)
        OnProcessDropped(this, 0, QPoint(-1, -1), deCopy);
    return true;
}

bool TDragDrop::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FWatched) {
        if (FTargetEffects != deNone && TargetEvent(event))
            return true;
        // A watch started by program runs without the automatic detection.
        if ((FAutoDetect || FDetect.Status != TDragDetect::Idle) && FSourceEffects != deNone)
            DetectEvent(event);
    }
    return QObject::eventFilter(watched, event);
}

TDropEffects TDragDrop::EffectFor(Qt::KeyboardModifiers keys, Qt::DropActions offered) const
{
    TDropEffects effect = ChooseDropEffect(FEnterOwn, AcceptOwnDnD, keys & Qt::ShiftModifier,
                                           keys & Qt::ControlModifier, FTargetEffects, FromDropActions(offered));
    if (effect && (FBarHeld[0] || FBarHeld[1]))
        effect |= deScroll;
    return effect;
}

bool TDragDrop::TargetEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter: {
        auto* e = static_cast<QDragEnterEvent*>(event);
        FEnterOwn = Running == this;
        FRightButton = e->buttons() & Qt::RightButton;
        FKept.reset();
        const int keyState = KeyStateOf(e->buttons(), e->modifiers());
        FAccepted = AcceptsData(e->mimeData());
        if (FAccepted && (RenderDataOn == rdoEnter || RenderDataOn == rdoEnterAndDropSync ||
                          RenderDataOn == rdoEnterAndDropAsync))
            ReadNow(e->mimeData());
        TDropEffects effect = FAccepted ? EffectFor(e->modifiers(), e->possibleActions()) : deNone;
        bool accept = FAccepted;
        if (OnDragEnter)
            OnDragEnter(e->mimeData(), keyState, e->position().toPoint(), effect, accept);
        FAccepted = accept;
        if ((FEnterOwn && !AcceptOwnDnD) || !FAccepted)
            effect = deNone;
        AnswerDrag(e, effect);
        return true;
    }
    case QEvent::DragMove: {
        auto* e = static_cast<QDragMoveEvent*>(event);
        ScrollCheck(e->position().toPoint());
        TDropEffects effect = FAccepted ? EffectFor(e->modifiers(), e->possibleActions()) : deNone;
        if (OnDragOver)
            OnDragOver(KeyStateOf(e->buttons(), e->modifiers()), e->position().toPoint(), effect);
        if ((FEnterOwn && !AcceptOwnDnD) || !FAccepted)
            effect = deNone;
        AnswerDrag(e, effect);
        return true;
    }
    case QEvent::DragLeave:
        if (OnDragLeave)
            OnDragLeave();
        StopScrolling();
        return true;
    case QEvent::Drop:
        DropEvent(static_cast<QDropEvent*>(event));
        return true;
    default:
        return false;
    }
}

void TDragDrop::DropEvent(QDropEvent* e)
{
    StopScrolling();
    const QPoint pos = e->position().toPoint();
    // The drop itself has no buttons held any more: the button of the drag
    // counts, as the target heard it on entering.
    const int keyState = KeyStateOf(e->buttons() | (FRightButton ? Qt::RightButton : Qt::LeftButton), e->modifiers());
    const TDropEffects offered = FromDropActions(e->possibleActions());
    TDropEffects effect = FAccepted ? EffectFor(e->modifiers(), e->possibleActions()) : deNone;
    if (OnDragOver)
        OnDragOver(keyState, pos, effect);
    if ((FEnterOwn && !AcceptOwnDnD) || !FAccepted)
        effect = deNone;
    if (FRightButton && TargetPopupMenu && (effect & ~deScroll))
        effect = RunDropMenu(e->mimeData(), keyState, pos, offered & FTargetEffects, effect & ~deScroll);
    if (OnDrop)
        OnDrop(e->mimeData(), keyState, pos, effect);
    effect &= ~deScroll;
    if (!effect) {
        e->ignore();
        return;
    }
    if (BringToFront && FControl) {
        FControl->window()->raise();
        FControl->window()->activateWindow();
    }
    switch (RenderDataOn) {
    case rdoDropSync:
    case rdoEnterAndDropSync:
        ReadNow(e->mimeData());
        break;
    case rdoDropAsync:
    case rdoEnterAndDropAsync:
        FKept = CopyOf(e->mimeData());
        break;
    default:
        break; // read at entering, or by the application
    }
    e->setDropAction(ActionOf(effect));
    e->accept();
    // The source's drag loop ends first; the application hears of the
    // drop afterwards, as after a posted message.
    QTimer::singleShot(0, this, [this, pos, keyState, effect] { ProcessDropped(pos, keyState, effect); });
}

void TDragDrop::ProcessDropped(QPoint pos, int keyState, TDropEffects effect)
{
    if (FKept) {
        const std::unique_ptr<QMimeData> kept = std::move(FKept);
        ReadNow(kept.get());
    }
    if (OnProcessDropped)
        OnProcessDropped(this, keyState, pos, effect);
}

TDropEffects TDragDrop::RunDropMenu(const QMimeData* data, int keyState, QPoint pos, TDropEffects possible,
                                    TDropEffects chosen)
{
    const TDropMenuTexts texts = DropMenuTextsFor(QLocale().language());
    QMenu menu(FControl);
    auto add = [&](const char* text, int command, TDropEffects itemEffect) {
        if (!(possible & itemEffect))
            return;
        QAction* a = menu.addAction(QString::fromUtf8(text));
        a->setData(command);
        if (itemEffect == chosen)
            menu.setDefaultAction(a);
    };
    add(texts.Move, 1, deMove);
    add(texts.Copy, 2, deCopy);
    add(texts.Shortcut, 3, deLink);
    menu.addSeparator()->setData(4);
    menu.addAction(QString::fromUtf8(texts.Abort))->setData(0);
    if (OnMenuPopup)
        OnMenuPopup(this, menu, data, DropMenuFirstCustom, keyState, pos);
    int command = 0;
    if (DropMenuLoop) {
        command = DropMenuLoop(menu);
    } else {
        QAction* picked = menu.exec(MouseWidget()->mapToGlobal(pos));
        command = picked ? picked->data().toInt() : 0;
    }
    TDropEffects effect = DropMenuCommandEffect(command);
    if (command >= DropMenuFirstCustom) {
        // The application's own item: it says what the drop does.
        bool succeeded = false;
        if (OnMenuExecCmd)
            OnMenuExecCmd(this, menu, data, command, effect, succeeded);
        if (succeeded && OnMenuSucceeded)
            OnMenuSucceeded(this, keyState, pos, effect);
    }
    if (OnMenuDestroy)
        OnMenuDestroy(this, menu);
    return effect;
}

void TDragDrop::StartDragDetect(Qt::MouseButton button)
{
    QWidget* w = MouseWidget();
    if (!w || FSourceEffects == deNone || FDetect.Status != TDragDetect::Idle)
        return;
    FDetect.Delta = DragDetectDelta;
    const QPoint at = w->mapFromGlobal(QCursor::pos());
    if (FDetect.Press(button, at) && OnDragDetect)
        OnDragDetect(KeyStateOf(QGuiApplication::mouseButtons() | button, QGuiApplication::keyboardModifiers()),
                     FDetect.Start, at, FDetect.Status);
}

bool TDragDrop::DetectEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        FDetect.Delta = DragDetectDelta;
        if (FDetect.Press(e->button(), e->position().toPoint()) && OnDragDetect)
            OnDragDetect(KeyStateOf(e->buttons(), e->modifiers()), FDetect.Start, e->position().toPoint(),
                         FDetect.Status);
        return false;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (FDetect.Release(e->button()) && OnDragDetect)
            OnDragDetect(KeyStateOf(e->buttons(), e->modifiers()), FDetect.Start, e->position().toPoint(),
                         FDetect.Status);
        return false;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        const int keyState = KeyStateOf(e->buttons(), e->modifiers());
        if (FDetect.Move(e->position().toPoint(), e->buttons())) {
            if (OnDragDetect)
                OnDragDetect(keyState, FDetect.Start, e->position().toPoint(), FDetect.Status);
            if (FDetect.Status != TDragDetect::Idle) {
                FDetect.Finish();
                if (OnDragDetect)
                    OnDragDetect(keyState, FDetect.Start, e->position().toPoint(), FDetect.Status);
            }
        }
        return false;
    }
    default:
        return false;
    }
}

void TDragDrop::ScrollCheck(QPoint pos)
{
    FScrollPos = pos;
    auto* area = qobject_cast<QAbstractScrollArea*>(FControl.data());
    const TScrollDetectOptions& o = FScrollOptions;
    for (int axis = 0; axis < 2; ++axis) {
        const bool vertical = axis == 0;
        int direction = -1;
        if (area && (vertical ? o.VertScrolling : o.HorzScrolling)) {
            const QSize client = area->viewport()->size();
            QScrollBar* bar = vertical ? area->verticalScrollBar() : area->horizontalScrollBar();
            const TScrollZone z =
                vertical ? ScrollZoneAt(pos.y(), client.height(), o.AreaTop, o.AreaBottom,
                                        bar->value() > bar->minimum(), bar->value() < bar->maximum())
                         : ScrollZoneAt(pos.x(), client.width(), o.AreaLeft, o.AreaRight,
                                        bar->value() > bar->minimum(), bar->value() < bar->maximum());
            if (z != TScrollZone::None)
                direction = (vertical ? 0 : 2) + (z == TScrollZone::Forward ? 1 : 0);
        }
        TAxisScroll& s = FScroll[axis];
        if (direction == s.Direction)
            continue;
        StopScrolling(axis);
        if (direction < 0)
            continue;
        s.Direction = direction;
        if (!s.Timer) {
            s.Timer = new QTimer(this);
            connect(s.Timer, &QTimer::timeout, this, [this, axis] { ScrollStep(axis); });
        }
        s.Timer->start(o.StartDelay);
    }
}

void TDragDrop::ScrollStep(int axis)
{
    auto* area = qobject_cast<QAbstractScrollArea*>(FControl.data());
    TAxisScroll& s = FScroll[axis];
    if (!area || s.Direction < 0) {
        StopScrolling(axis);
        return;
    }
    const bool vertical = axis == 0;
    bool page = vertical ? FScrollOptions.VertPageScroll : FScrollOptions.HorzPageScroll;
    int interval = FScrollOptions.ScrollDelay;
    if (OnBeforeScrolling)
        OnBeforeScrolling(this, FScrollPos, interval, s.Direction, page);
    s.Timer->setInterval(ClampScrollInterval(interval));
    QScrollBar* bar = vertical ? area->verticalScrollBar() : area->horizontalScrollBar();
    const bool back = s.Direction == 0 || s.Direction == 2;
    bar->triggerAction(page ? (back ? QAbstractSlider::SliderPageStepSub : QAbstractSlider::SliderPageStepAdd)
                            : (back ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd));
    s.Scrolled = true;
    if (vertical && OnAfterScrolling)
        OnAfterScrolling(this);
    // The bar may have reached its end: the zone is checked again.
    ScrollCheck(FScrollPos);
}

void TDragDrop::StopScrolling(int axis)
{
    TAxisScroll& s = FScroll[axis];
    if (s.Timer)
        s.Timer->stop();
    // Steps were made: the control hears that the scrolling has ended.
    if (s.Scrolled)
        if (auto* area = qobject_cast<QAbstractScrollArea*>(FControl.data()))
            (axis == 0 ? area->verticalScrollBar() : area->horizontalScrollBar())
                ->triggerAction(QAbstractSlider::SliderMove);
    s.Direction = -1;
    s.Scrolled = false;
}

void TDragDrop::StopScrolling()
{
    StopScrolling(0);
    StopScrolling(1);
}

// ---------------------------------------------------------------------------
// Files

namespace {

// The files of a drag: the file-list block, made when the drag starts, and
// the URLs, made only when a target asks for them.
class TFileListData : public QMimeData {
public:
    TFileListData(TStrings files, const std::string& block)
        : FFiles(std::move(files)), FBlock(QByteArray::fromStdString(block))
    {
    }

    QStringList formats() const override { return {"text/uri-list", FileListMimeType}; }
    bool hasFormat(const QString& mimeType) const override { return formats().contains(mimeType); }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override
    {
        if (!hasFormat(mimeType))
            return {};
        if (mimeType == FileListMimeType)
            return FBlock;
        Render();
        if (type.id() == QMetaType::QVariantList || type.id() == QMetaType::QUrl) {
            QVariantList urls;
            for (const QUrl& url : FUrls)
                urls.append(url);
            return urls;
        }
        QByteArray list;
        for (const QUrl& url : FUrls)
            list += url.toEncoded() + "\r\n";
        return list;
    }

private:
    void Render() const
    {
        if (FRendered)
            return;
        TBusyCursor busy;
        for (const std::string& path : FFiles)
            FUrls.append(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path))));
        FRendered = true;
    }

    TStrings FFiles;
    QByteArray FBlock;
    mutable bool FRendered = false;
    mutable QList<QUrl> FUrls;
};

} // namespace

QMimeData* TDragDropFiles::CreateDataObject() const
{
    if (Files.empty())
        return nullptr;
    // A path the block cannot take refuses the drag at once, before any
    // target asks.
    TStrings ansi;
    for (const std::string& path : Files)
        ansi.push_back(AnsiFileName(path));
    std::string block;
    if (!BuildFileListBlock(ansi, block))
        return nullptr;
    return new TFileListData(Files, block);
}

bool TDragDropFiles::AcceptsData(const QMimeData* data) const
{
    if (!data)
        return false;
    if (data->hasFormat(FileListMimeType))
        return true;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            return true;
    return false;
}

void TDragDropFiles::ReadData(const QMimeData* data)
{
    Files.clear();
    if (!data)
        return;
    if (data->hasFormat(FileListMimeType)) {
        const QByteArray block = data->data(FileListMimeType);
        for (const std::string& name : ReadFileListBlock(std::string_view(block.constData(), block.size())))
            Files.push_back(NativeFileName(name));
        return;
    }
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            Files.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
}
