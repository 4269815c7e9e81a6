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
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>

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
    return effect == deMove ? Qt::MoveAction : effect == deLink ? Qt::LinkAction : Qt::CopyAction;
}

// Answers a drag over the control with the effect a drop would have, or
// refuses it when there is none.
void AnswerDrag(QDragMoveEvent* e, TDropEffects effect)
{
    if (effect) {
        e->setDropAction(ActionOf(effect));
        e->accept();
    } else {
        e->ignore();
    }
}

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

void TDragDrop::Attach()
{
    QWidget* w = MouseWidget();
    if (!w || (FSourceEffects == deNone && FTargetEffects == deNone))
        return;
    w->installEventFilter(this);
    if (FTargetEffects != deNone)
        w->setAcceptDrops(true);
    FWatched = w;
}

void TDragDrop::Detach()
{
    StopScrolling();
    FDetect.Finish();
    // The widget watched, if it still exists (the control may be going
    // away with this component as its child).
    if (QWidget* w = FWatched) {
        w->removeEventFilter(this);
        if (FTargetEffects != deNone)
            w->setAcceptDrops(false);
    }
    FWatched = nullptr;
}

QMimeData* TDragDrop::CreateDataObject() const { return nullptr; }

bool TDragDrop::AcceptsData(const QMimeData* data) const { return data != nullptr; }

void TDragDrop::ReadData(const QMimeData*) {}

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
    QPointer<QDrag> guard(drag);
    drag->setMimeData(data.release());
    const Qt::DropActions offered = ToDropActions(FSourceEffects);
    Qt::DropAction preferred = Qt::CopyAction;
    if (!(FSourceEffects & deCopy))
        preferred = (FSourceEffects & deMove) ? Qt::MoveAction : Qt::LinkAction;
    Qt::DropAction action = Qt::IgnoreAction;
    try {
        action = DragLoop ? DragLoop(*drag, offered, preferred) : drag->exec(offered, preferred);
    } catch (...) {
        if (guard)
            guard->deleteLater();
        throw;
    }
    if (guard)
        guard->deleteLater();
    const int result = DragResultOf(action);

    FOwnDrag = false;
    FDetect.Finish();
    if (OnDragDetect)
        OnDragDetect(TDragDetect::Idle, FDetect.Start, FControl ? FControl->mapFromGlobal(QCursor::pos()) : QPoint());
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
    ReadData(data);
    if (OnProcessDropped)
        OnProcessDropped(QPoint(-1, -1), deCopy);
    return true;
}

bool TDragDrop::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FWatched) {
        if (FTargetEffects != deNone && TargetEvent(event))
            return true;
        if (FAutoDetect && FSourceEffects != deNone)
            DetectEvent(event);
    }
    return QObject::eventFilter(watched, event);
}

TDropEffects TDragDrop::EffectFor(Qt::KeyboardModifiers keys, Qt::DropActions offered) const
{
    return ChooseDropEffect(FEnterOwn, AcceptOwnDnD, keys & Qt::ShiftModifier, keys & Qt::ControlModifier,
                            FTargetEffects, FromDropActions(offered));
}

bool TDragDrop::TargetEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter: {
        auto* e = static_cast<QDragEnterEvent*>(event);
        FEnterOwn = Running == this;
        FRightButton = e->buttons() & Qt::RightButton;
        FAccepted = AcceptsData(e->mimeData());
        TDropEffects effect = FAccepted ? EffectFor(e->modifiers(), e->possibleActions()) : deNone;
        bool accept = FAccepted;
        if (OnDragEnter)
            OnDragEnter(e->mimeData(), e->position().toPoint(), effect, accept);
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
            OnDragOver(e->position().toPoint(), effect);
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
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        StopScrolling();
        const QPoint pos = e->position().toPoint();
        const TDropEffects offered = FromDropActions(e->possibleActions());
        TDropEffects effect = FAccepted ? EffectFor(e->modifiers(), e->possibleActions()) : deNone;
        if (OnDragOver)
            OnDragOver(pos, effect);
        if ((FEnterOwn && !AcceptOwnDnD) || !FAccepted)
            effect = deNone;
        if (FRightButton && TargetPopupMenu && effect)
            effect = DropMenuCommandEffect(RunDropMenu(pos, offered & FTargetEffects, effect));
        if (OnDrop)
            OnDrop(e->mimeData(), pos, effect);
        if (!effect) {
            e->ignore();
            return true;
        }
        if (BringToFront && FControl)
            FControl->window()->activateWindow();
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        ReadData(e->mimeData());
        QGuiApplication::restoreOverrideCursor();
        e->setDropAction(ActionOf(effect));
        e->accept();
        // The source's drag loop ends first; the application hears of the
        // drop afterwards, as after a posted message.
        QTimer::singleShot(0, this, [this, pos, effect] {
            if (OnProcessDropped)
                OnProcessDropped(pos, effect);
        });
        return true;
    }
    default:
        return false;
    }
}

int TDragDrop::RunDropMenu(QPoint pos, TDropEffects possible, TDropEffects chosen)
{
    const TDropMenuTexts texts = DropMenuTextsFor(QLocale().language());
    QMenu menu(FControl);
    auto add = [&](const char* text, int command, TDropEffects effect) {
        if (!(possible & effect))
            return;
        QAction* a = menu.addAction(QString::fromUtf8(text));
        a->setData(command);
        if (effect == chosen)
            menu.setDefaultAction(a);
    };
    add(texts.Move, 1, deMove);
    add(texts.Copy, 2, deCopy);
    add(texts.Shortcut, 3, deLink);
    menu.addSeparator();
    menu.addAction(QString::fromUtf8(texts.Abort))->setData(0);
    if (DropMenuLoop)
        return DropMenuLoop(menu);
    QAction* picked = menu.exec(MouseWidget()->mapToGlobal(pos));
    return picked ? picked->data().toInt() : 0;
}

bool TDragDrop::DetectEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        FDetect.Delta = DragDetectDelta;
        if (FDetect.Press(e->button(), e->position().toPoint()) && OnDragDetect)
            OnDragDetect(FDetect.Status, FDetect.Start, e->position().toPoint());
        return false;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (FDetect.Release(e->button()) && OnDragDetect)
            OnDragDetect(FDetect.Status, FDetect.Start, e->position().toPoint());
        return false;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (FDetect.Move(e->position().toPoint(), e->buttons())) {
            if (OnDragDetect)
                OnDragDetect(FDetect.Status, FDetect.Start, e->position().toPoint());
            if (FDetect.Status != TDragDetect::Idle) {
                FDetect.Finish();
                if (OnDragDetect)
                    OnDragDetect(FDetect.Status, FDetect.Start, e->position().toPoint());
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
    auto* area = qobject_cast<QAbstractScrollArea*>(FControl.data());
    const TScrollDetectOptions& o = ScrollDetectOptions;
    int direction = -1;
    if (area) {
        const QSize client = area->viewport()->size();
        if (o.VertScrolling) {
            QScrollBar* bar = area->verticalScrollBar();
            const TScrollZone z = ScrollZoneAt(pos.y(), client.height(), o.AreaTop, o.AreaBottom,
                                               bar->value() > bar->minimum(), bar->value() < bar->maximum());
            direction = z == TScrollZone::Back ? 0 : z == TScrollZone::Forward ? 1 : -1;
        }
        if (direction < 0 && o.HorzScrolling) {
            QScrollBar* bar = area->horizontalScrollBar();
            const TScrollZone z = ScrollZoneAt(pos.x(), client.width(), o.AreaLeft, o.AreaRight,
                                               bar->value() > bar->minimum(), bar->value() < bar->maximum());
            direction = z == TScrollZone::Back ? 2 : z == TScrollZone::Forward ? 3 : -1;
        }
    }
    FScrollPos = pos;
    if (direction == FScrollDirection)
        return;
    StopScrolling();
    if (direction < 0)
        return;
    FScrollDirection = direction;
    if (!FScrollTimer) {
        FScrollTimer = new QTimer(this);
        connect(FScrollTimer, &QTimer::timeout, this, &TDragDrop::ScrollStep);
    }
    FScrollTimer->start(ClampScrollInterval(o.StartDelay));
}

void TDragDrop::ScrollStep()
{
    auto* area = qobject_cast<QAbstractScrollArea*>(FControl.data());
    if (!area || FScrollDirection < 0) {
        StopScrolling();
        return;
    }
    FScrollTimer->setInterval(ClampScrollInterval(ScrollDetectOptions.ScrollDelay));
    const bool vertical = FScrollDirection < 2;
    bool page = vertical ? ScrollDetectOptions.VertPageScroll : ScrollDetectOptions.HorzPageScroll;
    if (OnBeforeScrolling)
        OnBeforeScrolling(FScrollPos, FScrollDirection, page);
    QScrollBar* bar = vertical ? area->verticalScrollBar() : area->horizontalScrollBar();
    const bool back = FScrollDirection == 0 || FScrollDirection == 2;
    bar->triggerAction(page ? (back ? QAbstractSlider::SliderPageStepSub : QAbstractSlider::SliderPageStepAdd)
                            : (back ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd));
    FScrolled = true;
    if (vertical && OnAfterScrolling)
        OnAfterScrolling();
    // The bar may have reached its end: the zone is checked again.
    const int direction = FScrollDirection;
    ScrollCheck(FScrollPos);
    if (FScrollDirection == direction && FScrollTimer && !FScrollTimer->isActive())
        FScrollTimer->start(ClampScrollInterval(ScrollDetectOptions.ScrollDelay));
}

void TDragDrop::StopScrolling()
{
    if (FScrollTimer)
        FScrollTimer->stop();
    FScrollDirection = -1;
    FScrolled = false;
}

// ---------------------------------------------------------------------------
// Files

QMimeData* TDragDropFiles::CreateDataObject() const
{
    if (Files.empty())
        return nullptr;
    TStrings ansi;
    QList<QUrl> urls;
    for (const std::string& path : Files) {
        ansi.push_back(AnsiFileName(path));
        urls.append(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path))));
    }
    std::string block;
    if (!BuildFileListBlock(ansi, block))
        return nullptr;
    auto* data = new QMimeData;
    data->setUrls(urls);
    data->setData(FileListMimeType, QByteArray::fromStdString(block));
    return data;
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
