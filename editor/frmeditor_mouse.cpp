// The editor frame's mouse work on the plan (view drag, hover, point and
// object drag, track pick, the Ctrl paths), the view controls of the bottom
// panel and the two snapping aids.

#include "editor/frmeditor.h"
#include "editor/frmeditor_editing.h"
#include "editor/frmeditor_planindex.h"
#include "editor/numberfields.h"

#include "model/currentsituation.h"
#include "model/vlconnection.h"
#include "model/vlobject.h"
#include "model/vlpoint.h"
#include "model/vlproject.h"
#include "model/vlstation.h"
#include "model/vlhelpers.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QSlider>

#include <cmath>
#include <vector>

namespace {

class TPlanEventFilter : public QObject {
public:
    explicit TPlanEventFilter(TFrmEditor* frame) : QObject(frame), Frame(frame) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == Frame->PBCursor)
            return PlanEvent(event);
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            if (watched == Frame->lLeft)
                Frame->lLeftClick();
            else if (watched == Frame->lRight)
                Frame->lRightClick();
            else if (watched == Frame->lUp)
                Frame->lUpClick();
            else if (watched == Frame->lDown)
                Frame->lDownClick();
        }
        return false;
    }

private:
    bool PlanEvent(QEvent* event)
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* e = static_cast<QMouseEvent*>(event);
            const QPoint p = e->position().toPoint();
            // The plan takes the keyboard, so Ctrl key commands act on it.
            Frame->PBCursor->setFocus(Qt::MouseFocusReason);
            Frame->PBCursorMouseDown(e->button(), e->modifiers(), p.x(), p.y());
            return true;
        }
        case QEvent::MouseMove: {
            auto* e = static_cast<QMouseEvent*>(event);
            const QPoint p = e->position().toPoint();
            Frame->ScrollBox1MouseMove(e->modifiers(), p.x(), p.y());
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* e = static_cast<QMouseEvent*>(event);
            const QPoint p = e->position().toPoint();
            Frame->PBCursorMouseUp(e->button(), e->modifiers(), p.x(), p.y());
            // The popup belongs to the release, after its handler has run
            // (the window system would otherwise open it on the press).
            if (e->button() == Qt::RightButton && Frame->Project)
                Frame->PopupMenu1->popup(e->globalPosition().toPoint());
            return true;
        }
        case QEvent::MouseButtonDblClick: {
            // The second press of a double click arrives as this event only:
            // hover as a pointer move there would, press, then the double
            // click itself; the release that follows comes as usual.
            auto* e = static_cast<QMouseEvent*>(event);
            const QPoint p = e->position().toPoint();
            Frame->ScrollBox1MouseMove(e->modifiers(), p.x(), p.y());
            Frame->PBCursorMouseDown(e->button(), e->modifiers(), p.x(), p.y());
            if (e->button() == Qt::LeftButton)
                Frame->PBCursorDblClick();
            return true;
        }
        case QEvent::ContextMenu:
            return true;
        default:
            return false;
        }
    }

    TFrmEditor* Frame;
};

constexpr int DragMoves = 3;
constexpr double TrackPickBand = 10.0;
constexpr double MinimumTrackLength = 25.0;
// Metres from a line within which a point counts as lying on it.
constexpr double OnLineTolerance = 1e-6;
// Largest distance from the origin the cursor fields take, in metres, as
// the objects' position fields.
constexpr double MaxCursorPosition = 1e7;

} // namespace

QObject* CreatePlanEventFilter(TFrmEditor* frame)
{
    auto* filter = new TPlanEventFilter(frame);
    frame->PBCursor->installEventFilter(filter);
    frame->PBCursor->setContextMenuPolicy(Qt::PreventContextMenu);
    for (QLabel* label : {frame->lLeft, frame->lRight, frame->lUp, frame->lDown})
        label->installEventFilter(filter);
    return filter;
}

TWorldPoint TFrmEditor::PlanToWorld(int x, int y) const
{
    return ScreenToWorld(TScreenPoint{x, y}, PlanOrigin(), CurrentSituation.ViewCentre, CurrentSituation.Scale);
}

int TFrmEditor::HitZoom() const
{
    return tbZoom->value();
}

void TFrmEditor::PBCursorMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    TCurrentSituation& state = CurrentSituation;
    ViewDragged = false;
    DragPoint = nullptr;
    DragObject = nullptr;
    const TWorldPoint w = PlanToWorld(x, y);
    PressPos = w;

    if (shift & Qt::ShiftModifier) {
        ViewDragging = true;
        PBCursor->setCursor(Qt::SizeAllCursor);
        LastMousePos = TScreenPoint{x, y};
        return;
    }
    if (button != Qt::LeftButton || !Project)
        return;

    for (TVLPoint* point : Project->Points)
        if (point->HitTest(w, HitZoom())) {
            DragPoint = point;
            break;
        }
    if (state.HoveredObject) {
        DragObject = state.HoveredObject;
        const TScreenPoint at = ToScreen(MakeWorldPoint(DragObject->X, DragObject->Y));
        DragOffset = TScreenPoint{at.X - x, at.Y - y};
    }
    if (DragPoint || DragObject) {
        PBCursor->setCursor(Qt::DragMoveCursor);
        DragPending = true;
        DragCountdown = DragMoves;
    }
}

void TFrmEditor::HoverPointsAt(const TWorldPoint& w)
{
    TCurrentSituation& state = CurrentSituation;
    TVLPoint* hit = nullptr;
    for (TVLPoint* point : Project->Points)
        if (point != state.SelectedPoint && point->HitTest(w, HitZoom()))
            hit = point; // the last one hit wins
    if (hit) {
        if (hit != state.HoveredPoint) {
            state.HoveredPoint = hit;
            RefreshView();
        }
    } else if (state.HoveredPoint) {
        state.HoveredPoint = nullptr;
        RefreshView();
    }
}

bool TFrmEditor::ObjectHit(const TVLObject* object, const TWorldPoint& w)
{
    const auto corners = object->GetCorners();
    const TWorldPoint c1 = MakeWorldPoint(corners[0].X + object->X, corners[0].Y + object->Y);
    const TWorldPoint c2 = MakeWorldPoint(corners[1].X + object->X, corners[1].Y + object->Y);
    const TWorldPoint c3 = MakeWorldPoint(corners[2].X + object->X, corners[2].Y + object->Y);
    const double ux = c2.X - c1.X, uy = c2.Y - c1.Y;
    const double edge = std::hypot(ux, uy);
    // The footprint's depth is its side C2-C3; C1-C3 is the diagonal and would
    // let the hit area reach beyond the footprint.
    const double depth = Distance(c2, c3);
    // A footprint without extent (an object file that could not be read)
    // covers nothing.
    if (edge == 0.0 || depth == 0.0)
        return false;
    const double px = w.X - c1.X, py = w.Y - c1.Y;
    const double along = (px * ux + py * uy) / (edge * edge);
    // Unit normal of C1-C2 turned towards C3.
    double nx = -uy / edge, ny = ux / edge;
    if ((c3.X - c1.X) * nx + (c3.Y - c1.Y) * ny < 0.0) {
        nx = -nx;
        ny = -ny;
    }
    const double across = px * nx + py * ny;
    return along >= 0.0 && along <= 1.0 && across >= 0.0 && across <= depth;
}

void TFrmEditor::HoverObjectsAt(const TWorldPoint& w)
{
    TCurrentSituation& state = CurrentSituation;
    TVLObject* hit = nullptr;
    for (TVLObject* object : Project->FreeObjects)
        if (ObjectHit(object, w))
            hit = object; // the last one hit wins
    if (hit) {
        if (hit != state.HoveredObject) {
            state.HoveredObject = hit;
            RefreshView();
        }
    } else if (state.HoveredObject) {
        state.HoveredObject = nullptr;
        RefreshView();
    }
}

void TFrmEditor::ScrollBox1MouseMove(Qt::KeyboardModifiers, int x, int y)
{
    ViewDragged = false;
    if (ViewDragging) {
        ViewDragged = true;
        const TScreenPoint origin = PlanOrigin();
        const TScreenPoint centre{origin.X + LastMousePos.X - x, origin.Y + LastMousePos.Y - y};
        CurrentSituation.ViewCentre = PlanToWorld(centre.X, centre.Y);
        RefreshView();
        LastMousePos = TScreenPoint{x, y};
    }
    if (!Project)
        return;
    const TWorldPoint w = PlanToWorld(x, y);

    if (DragPoint) {
        if (--DragCountdown < 1)
            DragPending = false;
    } else {
        HoverPointsAt(w);
    }

    if (DragObject) {
        if (--DragCountdown < 1)
            DragPending = false;
        return;
    }
    HoverObjectsAt(w);
}

void TFrmEditor::PBCursorMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    TCurrentSituation& state = CurrentSituation;
    ViewDragging = false;
    PBCursor->unsetCursor();

    if (shift & Qt::ControlModifier) {
        if (shift & Qt::ShiftModifier) {
            if (state.SelectedPoint)
                addnewpointandconnect1Click();
        } else {
            addpoint1Click();
        }
        return;
    }

    const TWorldPoint w = PlanToWorld(x, y);
    state.Cursor = w;

    // A point or object deleted while the button was down is not dropped.
    if (DragPoint && (!Project || Project->Points.IndexOf(DragPoint) < 0))
        DragPoint = nullptr;
    if (DragObject && (!Project || Project->FreeObjects.IndexOf(DragObject) < 0))
        DragObject = nullptr;

    const bool dropped = DragPoint || DragObject;
    if (DragPoint) {
        if (!DragPending) {
            DragPoint->Position = w;
            NotePlanChange();
            state.HoveredPoint = nullptr;
        }
        state.SelectedPoint = DragPoint;
        if (EditingOptions::Fit4m())
            SnapToParallelTrack();
        if (EditingOptions::MinLength())
            EnforceMinimumLength();
        DragPoint = nullptr;
        // An object pressed together with the point stays where it is.
        DragObject = nullptr;
    } else if (DragObject) {
        if (!DragPending) {
            const TWorldPoint at = PlanToWorld(x + DragOffset.X, y + DragOffset.Y);
            DragObject->X = at.X;
            DragObject->Y = at.Y;
            state.HoveredObject = nullptr;
        }
        state.SelectedObject = DragObject;
        DragObject = nullptr;
    } else if ((button == Qt::LeftButton || button == Qt::RightButton) && state.HoveredPoint) {
        // A right press picks what is under the mouse as a left one does, so
        // the popup menu acts on it.
        state.SelectedPoint = state.HoveredPoint;
        state.HoveredPoint = nullptr;
    } else if ((button == Qt::LeftButton || button == Qt::RightButton) && state.HoveredObject) {
        state.SelectedObject = state.HoveredObject;
        state.HoveredObject = nullptr;
    } else if (button == Qt::LeftButton || button == Qt::RightButton) {
        if (TVLConnection* picked = PickTrack(w)) {
            state.SelectedConnection = picked;
            state.SelectedPoint = picked->StartPoint;
            RefreshView();
            return;
        }
        // Empty plan: a right press keeps the selection for the popup.
        if (ViewDragged || button == Qt::RightButton)
            return;
        state.SelectedConnection = nullptr;
        state.SelectedPoint = nullptr;
        state.SelectedObject = nullptr;
    } else {
        return;
    }
    if (dropped)
        RefreshEditor();
    else
        RefreshView();
}

TVLConnection* TFrmEditor::PickTrack(const TWorldPoint& w)
{
    if (!Project)
        return nullptr;
    // The tracks whose drawn line may pass within the band of w, in project
    // order; a curved track is tested piece by piece along its drawn curve.
    const TScreenPoint at = ToScreen(w);
    PlanItemsIn(TPlanLayer::Tracks, QRect(at.X, at.Y, 1, 1), (TrackPickBand + 1.0) * CurrentSituation.Scale,
                PlanItems);
    TVLConnection* picked = nullptr;
    double best = 2147483647.0;
    auto test = [&](TVLConnection* c, const TWorldPoint& a, const TWorldPoint& b) {
        double s = 0.0, t = 0.0;
        if (Project->PointOnSegment(a, b, TrackPickBand, w, s, t) && std::abs(s) < best) {
            best = std::abs(s);
            picked = c;
        }
    };
    std::vector<TWorldPoint> scratch;
    for (int i : PlanItems) {
        TVLConnection* c = Project->Connections[i];
        if (!c->StartPoint || !c->EndPoint)
            continue;
        const TWorldPoint* cuts = nullptr;
        int pieces = 0;
        if (c->IsCurved()) {
            if (PaintEveryItem) {
                pieces = Project->Connections.Subdivide(c, TPlanIndex::CurvePieces(c->Length()), scratch);
                cuts = scratch.data();
            } else {
                const TPlanIndex::TTrack& track = PlanIndex->Track(i);
                pieces = static_cast<int>(track.Count);
                cuts = PlanIndex->CurvePoints(track);
            }
        }
        TWorldPoint from = c->StartPoint->Position;
        for (int k = 0; k < pieces; ++k) {
            test(c, from, cuts[k]);
            from = cuts[k];
        }
        test(c, from, c->EndPoint->Position);
    }
    return picked;
}

void TFrmEditor::PBCursorDblClick()
{
    TCurrentSituation& state = CurrentSituation;
    if (!Project)
        return;
    if (state.HoveredObject) {
        TVLObject* object = state.SelectedObject ? state.SelectedObject : state.HoveredObject;
        if (RunFreeObjectProperties(object))
            RefreshEditor();
    } else if (state.SelectedConnection) {
        if (RunTrackProperties(state.SelectedConnection))
            RefreshEditor();
    }
}

void TFrmEditor::SnapToParallelTrack()
{
    TVLPoint* s = CurrentSituation.SelectedPoint;
    if (!Project || !s)
        return;
    for (TVLPoint* p : Project->Points) {
        if (p == s)
            continue;
        const double d = Distance(p->Position, s->Position);
        double spacing = 0.0;
        if (d >= 3.0 && d < 5.0)
            spacing = 4.0;
        else if (d >= 14.0 && d < 16.0)
            spacing = 15.0;
        else
            continue;

        // The track at P that gives the direction to snap square to. A track
        // from P to S itself gives none (S lies on its line), nor does one
        // without length.
        TVLConnection* track = nullptr;
        bool fromStart = false;
        for (TVLConnection* c : Project->Connections) {
            TVLPoint* farEnd = nullptr;
            if (c->StartPoint == p)
                farEnd = c->EndPoint;
            else if (c->EndPoint == p)
                farEnd = c->StartPoint;
            else
                continue;
            if (!farEnd || farEnd == s || farEnd == p || Distance(farEnd->Position, p->Position) == 0.0)
                continue;
            track = c;
            fromStart = c->StartPoint == p;
            break;
        }
        if (track) {
            const TVLPoint* farEnd = fromStart ? track->EndPoint : track->StartPoint;
            double lateral = 0.0, t = 0.0;
            PointNearSegment(p->Position, farEnd->Position, s->Position, spacing + 1.0, lateral, t);
            // On the line itself (to rounding) there is no side: S stays
            // rather than being dropped onto P.
            const int side = std::abs(lateral * (spacing + 1.0)) < OnLineTolerance ? 0 : SignOf(lateral);
            if (side != 0)
                s->Position = fromStart ? track->OffsetPointFromStart(-side * spacing, 0.0)
                                        : track->OffsetPointFromEnd(-side * spacing, 0.0);
        }
        if (spacing == 4.0)
            break;
    }
}

void TFrmEditor::EnforceMinimumLength()
{
    TVLConnection* track = CurrentSituation.SelectedConnection;
    TVLPoint* point = CurrentSituation.SelectedPoint;
    if (!Project || !track || !point || !track->StartPoint || !track->EndPoint)
        return;
    const double length = track->Length();
    if (!(length > 0.0 && length < MinimumTrackLength))
        return;
    // Only the current track's end point is moved, so that the track itself
    // becomes 25 m long; any other point (its start included) keeps its place.
    if (point == track->EndPoint)
        point->Position = track->PointAt(MinimumTrackLength / length);
}

void TFrmEditor::EdYOffsetKeyPress(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    // The fields are numbers of the common decimal form, which the refresh
    // writes back; anything else is refused, naming the field, and nothing
    // moves. The position typed becomes the cursor's, so the fields keep
    // showing it, and the view is centred on it.
    auto caption = [this](const char* label) {
        return PanMainBottom->findChild<QLabel*>("lCursorPos")->text() + " " +
               PanMainBottom->findChild<QLabel*>(label)->text();
    };
    const TNumberFieldTexts texts = NumberFieldTexts();
    double x = 0.0, y = 0.0;
    if (!ReadDecimalField(EdXOffset, caption("lCursorX"), -MaxCursorPosition, MaxCursorPosition, x, texts) ||
        !ReadDecimalField(EdYOffset, caption("lCursorY"), -MaxCursorPosition, MaxCursorPosition, y, texts))
        return;
    CurrentSituation.Cursor = MakeWorldPoint(x, y);
    CurrentSituation.ViewCentre = CurrentSituation.Cursor;
    RefreshView();
}

void TFrmEditor::cbGotoStationChange(int index)
{
    if (!Project)
        return;
    TVLStation* station = Project->GetStation(index);
    if (!station)
        return;
    TStrings platforms;
    station->GetPlatforms(platforms);
    if (platforms.empty())
        return;
    TVLConnection* track = Project->FindConnection(station->GetPlatformTrack(platforms.front()));
    if (!track || !track->StartPoint)
        return;
    CurrentSituation.SelectedConnection = track;
    CurrentSituation.ViewCentre = track->StartPoint->Position;
    CurrentSituation.Cursor =
        MakeWorldPoint(Round(CurrentSituation.ViewCentre.X), Round(CurrentSituation.ViewCentre.Y));
    RefreshView();
}

void TFrmEditor::MoveNudged(double dx, double dy)
{
    if (!Project)
        return;
    if (TVLPoint* point = CurrentSituation.SelectedPoint)
        point->MoveBy(dx, dy);
    else if (TVLObject* object = CurrentSituation.SelectedObject)
        object->MoveBy(dx, dy);
    else
        return;
    RefreshEditor();
}

void TFrmEditor::lLeftClick()
{
    MoveNudged(-ArrowStep, 0.0);
}

void TFrmEditor::lRightClick()
{
    MoveNudged(ArrowStep, 0.0);
}

void TFrmEditor::lUpClick()
{
    MoveNudged(0.0, ArrowStep);
}

void TFrmEditor::lDownClick()
{
    MoveNudged(0.0, -ArrowStep);
}

void TFrmEditor::SelectionAreaPoint11Click()
{
    CurrentSituation.SelectionStart = CurrentSituation.Cursor;
    RefreshView();
}

void TFrmEditor::SelectionAreaPoint21Click()
{
    CurrentSituation.SelectionEnd = CurrentSituation.Cursor;
    RefreshView();
}
