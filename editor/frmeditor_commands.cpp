// The editor frame's editing commands: points and tracks, track kinds,
// objects, route membership, the windows opened from the frame, and the
// wiring of the tool bars and the plan's popup menu.

#include "editor/frmeditor.h"
#include "editor/frmeditor_editing.h"

#include "editor/formtrain.h"
#include "editor/msginisupp.h"
#include "editor/numberfields.h"
#include "editor/vclwidgets.h"
#include "editor/editorwindows.h"
#include "model/currentsituation.h"
#include "model/vlconnection.h"
#include "model/vlobject.h"
#include "model/vlpoint.h"
#include "model/vlproject.h"
#include "model/vlroutedefinition.h"
#include "platform/gui/dialogs.h"
#include "platform/textlines.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

#include <vector>

std::function<bool(TVLConnection*, TVLProject*)> TFrmEditor::ShowTrackProperties;
std::function<bool(TVLObject*)> TFrmEditor::ShowFreeObjectProperties;
std::function<bool(std::string&, std::string&)> TFrmEditor::ObjectBrowserSelection;
std::function<void(TVLProject*)> TFrmEditor::ShowStations;

namespace {

constexpr double MinimumTrackLength = 25.0;

// The dialogs of the track and the free object take their item in public
// fields; a window without them shows nothing.
template <class TForm>
bool ShowTrackPropertiesWindow(TForm* form, TVLConnection* track, TVLProject* project)
{
    if constexpr (requires { form->Connection = track; form->Project = project; }) {
        if (!form)
            return false;
        form->Connection = track;
        form->Project = project;
        return ShowModal(form) == mrOk;
    } else {
        return false;
    }
}

template <class TForm>
bool ShowFreeObjectWindow(TForm* form, TVLObject* object)
{
    if constexpr (requires { form->FreeObject = object; }) {
        if (!form)
            return false;
        form->FreeObject = object;
        return ShowModal(form) == mrOk;
    } else {
        return false;
    }
}

template <class TForm>
void ShowStationsWindow(TForm* form, TVLProject* project)
{
    if (!form)
        return;
    if constexpr (requires { form->Project = project; })
        form->Project = project;
    form->show();
}

} // namespace

bool TFrmEditor::RunTrackProperties(TVLConnection* track)
{
    if (ShowTrackProperties)
        return ShowTrackProperties(track, Project);
    return ShowTrackPropertiesWindow(FormTrackProperties, track, Project);
}

bool TFrmEditor::RunFreeObjectProperties(TVLObject* object)
{
    if (ShowFreeObjectProperties)
        return ShowFreeObjectProperties(object);
    return ShowFreeObjectWindow(FormFreeObjProperties, object);
}

void TFrmEditor::SetUpEditing()
{
    EditingEvents = CreatePlanEventFilter(this);

    connect(EdXOffset, &QLineEdit::returnPressed, this, [this] { EdYOffsetKeyPress(Qt::Key_Return); });
    connect(EdYOffset, &QLineEdit::returnPressed, this, [this] { EdYOffsetKeyPress(Qt::Key_Return); });
    connect(cbGotoStation, &QComboBox::activated, this, &TFrmEditor::cbGotoStationChange);
    connect(cbTrackType, &QComboBox::activated, this, &TFrmEditor::cbTrackTypeChange);

    auto button = [this](QToolButton* b, void (TFrmEditor::*handler)()) {
        connect(b, &QToolButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    button(tbNewPoint, &TFrmEditor::tbNewPointClick);
    button(tbConnectPoints, &TFrmEditor::connectpoints1Click);
    button(tbAddAndConnect, &TFrmEditor::tbAddAndConnectClick);
    button(tbProperties, &TFrmEditor::properties1Click);
    button(tbDelPoint, &TFrmEditor::tbDelPointClick);
    button(tbImproveConnection, &TFrmEditor::tbImproveConnectionClick);
    button(tbAddObj, &TFrmEditor::addselectedobject1Click);
    button(tbDelObj, &TFrmEditor::deleteobject1Click);
    button(tbObjProperties, &TFrmEditor::objectproperties1Click);
    button(tbSel1, &TFrmEditor::SelectionAreaPoint11Click);
    button(tbSel2, &TFrmEditor::SelectionAreaPoint21Click);
    button(tbObjects, &TFrmEditor::tbObjectsClick);
    button(tbTrains, &TFrmEditor::tbTrainsClick);
    button(bStations, &TFrmEditor::bStationsClick);
    // ToolButton5 (route definitions) and tbMap1 are run by the main window,
    // which also holds the menu items of the same commands.

    auto item = [this](QAction* a, void (TFrmEditor::*handler)()) {
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    item(addpoint1, &TFrmEditor::addpoint1Click);
    item(deletepoint1, &TFrmEditor::tbDelPointClick);
    item(connectpoints1, &TFrmEditor::connectpoints1Click);
    item(deleteconnection1, &TFrmEditor::deleteconnection1Click);
    item(addnewpointandconnect1, &TFrmEditor::addnewpointandconnect1Click);
    item(properties1, &TFrmEditor::properties1Click);
    item(curve1, &TFrmEditor::curve1Click);
    item(straight1, &TFrmEditor::straight1Click);
    item(fixed1, &TFrmEditor::fixed1Click);
    item(make25mlong1, &TFrmEditor::make25mlong1Click);
    item(turntrack1, &TFrmEditor::turntrack1Click);
    item(copyproperties1, &TFrmEditor::copyproperties1Click);
    item(addselectedobject1, &TFrmEditor::addselectedobject1Click);
    item(deleteobject1, &TFrmEditor::deleteobject1Click);
    item(cloneobject1, &TFrmEditor::cloneobject1Click);
    item(objectproperties1, &TFrmEditor::objectproperties1Click);
    item(PopupMenuaddtocurrentroute, &TFrmEditor::PopupMenuaddtocurrentrouteClick);
    item(addtocurrentrouteuntilswitch1, &TFrmEditor::addtocurrentrouteuntilswitch1Click);
    item(PopupMenudeletefromcurrentroute, &TFrmEditor::PopupMenudeletefromcurrentrouteClick);
    item(SelectionAreaPoint11, &TFrmEditor::SelectionAreaPoint11Click);
    item(SelectionAreaPoint21, &TFrmEditor::SelectionAreaPoint21Click);
    BuildPasteMenus();
}

void TFrmEditor::FrameKeyCommand(char letter)
{
    switch (letter) {
    case 'T': properties1Click(); break;
    case 'C': copyproperties1Click(); break;
    case 'D': deleteobject1Click(); break;
    case 'L': cloneobject1Click(); break;
    case 'M': objectproperties1Click(); break;
    default: break;
    }
}

// ---------------------------------------------------------------------------
// Points and tracks

void TFrmEditor::tbNewPointClick()
{
    if (!Project)
        return;
    auto point = std::make_unique<TVLPoint>(CurrentSituation.Cursor);
    TVLPoint* p = point.get();
    Project->AddPoint(std::move(point));
    CurrentSituation.SelectedPoint = p;
    if (EditingOptions::Fit4m())
        SnapToParallelTrack();
    RefreshEditor();
}

void TFrmEditor::addpoint1Click()
{
    if (!Project)
        return;
    CurrentSituation.Cursor = PressPos;
    tbNewPointClick();
}

void TFrmEditor::connectpoints1Click()
{
    TCurrentSituation& state = CurrentSituation;
    if (!Project || !state.SelectedPoint || !state.HoveredPoint ||
        state.SelectedPoint->Position == state.HoveredPoint->Position)
        return;
    auto track = std::make_unique<TVLConnection>(state.SelectedPoint, state.HoveredPoint);
    TVLConnection* c = track.get();
    Project->AddConnection(std::move(track));
    // The track current until now lends its properties.
    CopyPropertiesToNewTrack(c);
    state.SelectedConnection = c;
    if (EditingOptions::NewConnFixed())
        c->TrackKind = 2;
    RefreshEditor();
}

void TFrmEditor::addnewpointandconnect1Click()
{
    TCurrentSituation& state = CurrentSituation;
    // A point where the selected one lies would make a track of no length.
    if (!Project || !state.SelectedPoint || state.SelectedPoint->Position == PressPos)
        return;
    TVLPoint* origin = state.SelectedPoint;
    addpoint1Click();
    TVLPoint* added = state.SelectedPoint;
    if (!added || added == origin)
        return;
    // Snapped beside a parallel track, the new point can land where the
    // selected one lies: it goes again, and the selected point stays.
    if (added->Position == origin->Position) {
        Project->DeletePoint(added);
        state.SelectedPoint = origin;
        RefreshEditor();
        return;
    }
    auto track = std::make_unique<TVLConnection>(origin, added);
    TVLConnection* c = track.get();
    Project->AddConnection(std::move(track));
    CopyPropertiesToNewTrack(c);
    state.SelectedConnection = c;
    if (EditingOptions::MinLength())
        EnforceMinimumLength();
    if (EditingOptions::NewConnFixed())
        c->TrackKind = 2;
    RefreshEditor();
}

void TFrmEditor::tbAddAndConnectClick()
{
    if (!Project || !CurrentSituation.SelectedPoint)
        return;
    PressPos = CurrentSituation.Cursor;
    addnewpointandconnect1Click();
}

void TFrmEditor::CopyPropertiesToNewTrack(TVLConnection* connection)
{
    if (!connection)
        return;
    const TVLConnection* source = nullptr;
    TVLConnection* current = CurrentSituation.SelectedConnection;
    if (EditingOptions::CopyPropLast() && current && current != connection)
        source = current;
    else if (EditingOptions::CopyPropClip() && CopiedTrack)
        source = CopiedTrack.get();
    if (!source)
        return;
    // Ground, background, speed limit, pole and track type.
    for (int mode = 1; mode <= 5; ++mode)
        connection->AssignProperties(*source, mode);
}

void TFrmEditor::tbImproveConnectionClick()
{
    TVLConnection* t = CurrentSituation.SelectedConnection;
    if (!Project || !t || !t->StartPoint || !t->EndPoint)
        return;
    TVLPoint* b = t->EndPoint;
    auto middle = std::make_unique<TVLPoint>(TVLPoint::LinearPoint(t->StartPoint->Position, b->Position, 0.5));
    TVLPoint* m = middle.get();
    Project->AddPoint(std::move(middle));
    auto copy = TVLConnection::CreateCopy(*t);
    copy->StartPoint = m;
    copy->EndPoint = b;
    TVLConnection* c = copy.get();
    t->EndPoint = m;
    Project->AddConnection(std::move(copy));
    Project->CopyRouteMembership(c, t);
    RefreshEditor();
}

void TFrmEditor::tbDelPointClick()
{
    TCurrentSituation& state = CurrentSituation;
    TVLPoint* p = state.SelectedPoint;
    if (!Project || !p)
        return;
    state.SelectedConnection = nullptr;
    std::vector<TVLConnection*> tracks;
    Project->GetConnectionsAt(p, tracks, nullptr);

    // A track that goes leaves every route definition, so none keeps a
    // dangling id.
    auto drop = [this](TVLConnection* c) { DropTrack(c); };
    bool merged = false;
    if (tracks.size() == 2) {
        TVLConnection* t1 = tracks[0];
        TVLConnection* t2 = tracks[1];
        TVLPoint* far1 = t1->OtherEnd(p);
        TVLPoint* far2 = t2->OtherEnd(p);
        // Two tracks between the same two points would merge into one of no
        // length: they go with the point instead.
        if (far1 && far2 && far1 != far2) {
            drop(t2);
            t1->StartPoint = far1;
            t1->EndPoint = far2;
            state.SelectedConnection = t1;
            merged = true;
        }
    }
    if (!merged)
        for (TVLConnection* c : tracks)
            drop(c);

    if (DragPoint == p)
        DragPoint = nullptr;
    Project->DeletePoint(p);
    state.SelectedPoint = nullptr;
    ReportStationsLeft();
    RefreshEditor();
}

void TFrmEditor::deleteconnection1Click()
{
    TVLConnection* c = CurrentSituation.SelectedConnection;
    if (!Project || !c)
        return;
    DropTrack(c);
    CurrentSituation.SelectedConnection = nullptr;
    ReportStationsLeft();
    RefreshEditor();
}

void TFrmEditor::DropTrack(TVLConnection* track)
{
    Project->RemoveFromAllRoutes(track);
    Project->RemoveFromAllStations(track, &FStationsLeft);
    Project->DeleteConnection(track);
}

void TFrmEditor::ReportStationsLeft()
{
    if (FStationsLeft.empty())
        return;
    std::string names;
    for (const std::string& name : FStationsLeft)
        names += (names.empty() ? "" : ", ") + name;
    FStationsLeft.clear();
    emit StatusText(AnsiToQ(Trim(GetMessageText("ufrmeditor_station_no_track")) + " " + names));
}

void TFrmEditor::properties1Click()
{
    TVLConnection* c = CurrentSituation.SelectedConnection;
    if (!Project || !c)
        return;
    if (RunTrackProperties(c))
        RefreshEditor();
}

// ---------------------------------------------------------------------------
// Track kind and shape

namespace {

bool SetKind(TVLProject* project, int kind)
{
    TVLConnection* c = CurrentSituation.SelectedConnection;
    if (!project || !c || kind < 0 || kind > 6)
        return false;
    c->TrackKind = static_cast<std::uint8_t>(kind);
    return true;
}

} // namespace

void TFrmEditor::straight1Click()
{
    if (SetKind(Project, 0))
        RefreshEditor();
}

void TFrmEditor::curve1Click()
{
    if (SetKind(Project, 1))
        RefreshEditor();
}

void TFrmEditor::fixed1Click()
{
    if (SetKind(Project, 2))
        RefreshEditor();
}

void TFrmEditor::cbTrackTypeChange(int index)
{
    if (SetKind(Project, index))
        RefreshEditor();
}

void TFrmEditor::turntrack1Click()
{
    TVLConnection* c = CurrentSituation.SelectedConnection;
    if (!Project || !c)
        return;
    std::swap(c->StartPoint, c->EndPoint);
    RefreshEditor();
}

void TFrmEditor::make25mlong1Click()
{
    TVLConnection* c = CurrentSituation.SelectedConnection;
    if (!Project || !c || !c->StartPoint || !c->EndPoint)
        return;
    const double length = c->Length();
    if (length == 0.0)
        return;
    c->EndPoint->Position = c->PointAt(MinimumTrackLength / length);
    RefreshEditor();
}

// ---------------------------------------------------------------------------
// Objects

void TFrmEditor::addselectedobject1Click()
{
    if (!Project)
        return;
    std::string folder, fileName;
    if (!ObjectBrowserSelection || !ObjectBrowserSelection(folder, fileName) || folder.empty() || fileName.empty() ||
        !ObjectNamesStorable(folder, fileName))
        return;
    CurrentSituation.Cursor = PressPos;
    auto object = std::make_unique<TVLObject>(folder, fileName);
    object->X = CurrentSituation.Cursor.X;
    object->Y = CurrentSituation.Cursor.Y;
    object->Rotation = 0;
    Project->AddObject(std::move(object));
    RefreshEditor();
}

void TFrmEditor::cloneobject1Click()
{
    TVLObject* source = CurrentSituation.SelectedObject;
    if (!Project || !source)
        return;
    CurrentSituation.Cursor = PressPos;
    auto copy = TVLObject::CreateCopy(*source);
    copy->X = CurrentSituation.Cursor.X;
    copy->Y = CurrentSituation.Cursor.Y;
    Project->AddObject(std::move(copy));
    RefreshEditor();
}

void TFrmEditor::deleteobject1Click()
{
    TVLObject* object = CurrentSituation.SelectedObject;
    if (!Project || !object)
        return;
    if (DragObject == object)
        DragObject = nullptr;
    Project->RemoveObject(object);
    CurrentSituation.SelectedObject = nullptr;
    CurrentSituation.HoveredObject = nullptr;
    RefreshEditor();
}

void TFrmEditor::objectproperties1Click()
{
    TVLObject* object = CurrentSituation.SelectedObject;
    if (!Project || !object)
        return;
    if (RunFreeObjectProperties(object))
        RefreshEditor();
}

// ---------------------------------------------------------------------------
// Route membership

void TFrmEditor::PopupMenuaddtocurrentrouteClick()
{
    TVLRouteDefinition* route = CurrentSituation.CurrentRouteDefinition;
    TVLConnection* c = CurrentSituation.SelectedConnection;
    if (!Project || !route || !c)
        return;
    route->AddTrack(c->Id);
    RefreshEditor();
}

void TFrmEditor::PopupMenudeletefromcurrentrouteClick()
{
    TVLRouteDefinition* route = CurrentSituation.CurrentRouteDefinition;
    TVLConnection* c = CurrentSituation.SelectedConnection;
    if (!Project || !route || !c)
        return;
    route->RemoveTrack(c->Id);
    RefreshEditor();
}

void TFrmEditor::WalkUntilSwitch(const std::function<void(TVLConnection*)>& visit)
{
    TCurrentSituation& state = CurrentSituation;
    TVLPoint* p = state.SelectedPoint;
    TVLConnection* first = state.SelectedConnection;
    if (!Project || !p || !first || (first->StartPoint != p && first->EndPoint != p))
        return;
    visit(first);
    TVLConnection* current = first;
    std::vector<TVLConnection*> tracks;
    // Each step reaches another track, so the walk takes at most as many
    // steps as there are tracks, whatever the plan looks like.
    for (int steps = Project->Connections.Count(); steps > 0; --steps) {
        if (Project->GetConnectionsAt(p, tracks, nullptr) != 2)
            break; // a dead end or a switch
        TVLConnection* next = tracks[0] == current ? tracks[1] : tracks[0];
        if (next == first || next == current)
            break; // round a ring back to the start
        TVLPoint* farEnd = next->OtherEnd(p);
        if (!farEnd)
            break;
        current = next;
        visit(current);
        p = farEnd;
    }
    state.SelectedConnection = current;
    state.SelectedPoint = p;
}

void TFrmEditor::addtocurrentrouteuntilswitch1Click()
{
    TVLRouteDefinition* route = CurrentSituation.CurrentRouteDefinition;
    if (!Project || !route)
        return;
    TVLPoint* p = CurrentSituation.SelectedPoint;
    TVLConnection* t = CurrentSituation.SelectedConnection;
    if (!p || !t || (t->StartPoint != p && t->EndPoint != p))
        return;
    WalkUntilSwitch([route](TVLConnection* c) { route->AddTrack(c->Id); });
    RefreshEditor();
}

// ---------------------------------------------------------------------------
// Windows opened from the frame

void TFrmEditor::ToolButton1Click()
{
    if (!Project || !FormRouteDefinitions)
        return;
    if (FormRouteDefinitions->isVisible()) {
        FormRouteDefinitions->hide();
    } else {
        FormRouteDefinitions->Project = Project;
        FormRouteDefinitions->show();
    }
}

void TFrmEditor::tbObjectsClick()
{
    if (!Project || !FormObjects)
        return;
    FormObjects->Project = Project;
    FormObjects->show();
}

void TFrmEditor::tbTrainsClick()
{
    if (FormTrain)
        FormTrain->show();
}

void TFrmEditor::bStationsClick()
{
    if (!Project)
        return;
    if (ShowStations)
        ShowStations(Project);
    else
        ShowStationsWindow(FormStations, Project);
}

// ---------------------------------------------------------------------------
// Subdividing a track along the curve of its neighbours

void TFrmEditor::SubdivideTrack(int n, double length)
{
    TVLConnection* t = CurrentSituation.SelectedConnection;
    if (!Project || !t || !t->StartPoint || !t->EndPoint || n < 1 || !(length > 0.0))
        return;
    TVLPoint* a = t->StartPoint;
    TVLPoint* b = t->EndPoint;
    auto neighbourEnd = [this, t](TVLPoint* at) -> TVLPoint* {
        std::vector<TVLConnection*> tracks;
        if (Project->GetConnectionsAt(at, tracks, t) == 0)
            return nullptr;
        return tracks.front()->OtherEnd(at);
    };
    TVLPoint* na = neighbourEnd(a);
    TVLPoint* nb = neighbourEnd(b);
    if (!na || !nb) {
        MessageDlg(GetMessageText("ufrmeditor_nopts"), mtError, mbCancel);
        return;
    }

    auto addTrack = [this, t](TVLPoint* from, TVLPoint* to) {
        auto track = std::make_unique<TVLConnection>(from, to);
        track->AssignProperties(*t, 0);
        TVLConnection* c = track.get();
        Project->AddConnection(std::move(track));
        Project->CopyRouteMembership(c, t);
    };
    TVLPoint* previous = a;
    for (int i = 1; i <= n - 1; ++i) {
        const double fraction = static_cast<double>(i) / n;
        auto point = std::make_unique<TVLPoint>(
            TVLPoint::CurvePoint(a->Position, b->Position, 17.0 / length, fraction, nb->Position, na->Position));
        TVLPoint* p = point.get();
        Project->AddPoint(std::move(point));
        addTrack(previous, p);
        previous = p;
    }
    addTrack(previous, b);

    DropTrack(t);
    CurrentSituation.SelectedConnection = nullptr;
    ReportStationsLeft();
    RefreshEditor();
}

void TFrmEditor::tbImproveClick()
{
    TVLConnection* t = CurrentSituation.SelectedConnection;
    if (!Project || !t || !t->StartPoint || !t->EndPoint)
        return;
    SubdivideTrack(2, Distance(t->StartPoint->Position, t->EndPoint->Position));
}
