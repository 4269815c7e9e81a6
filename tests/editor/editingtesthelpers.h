#pragma once
// Shared pieces of the plan-editing tests: a shown editor frame with an empty
// project, the options window with every editing aid off, model builders and
// mouse events sent to the plan.

#include "startuptesthelpers.h"

#include "editor/appforms.h"
#include "editor/formoptions.h"
#include "editor/frmeditor.h"
#include "model/currentsituation.h"
#include "model/vlproject.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSlider>
#include <QTest>

#include <memory>

class EditingTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        PutFile("set.ini", "[Settings]\r\nBVE_Folder=/games/bve\r\n");
        CreateForm(FormOptions);
        FormOptions->Fit4m = false;
        FormOptions->MinLength = false;
        FormOptions->NewConnFixed = false;
        FormOptions->CopyPropLast = false;
        FormOptions->CopyPropClip = false;
        Frame = std::make_unique<TFrmEditor>();
        Frame->resize(900, 700);
        Frame->show();
        QApplication::processEvents();
        Frame->SetProject(std::make_unique<TVLProject>());
        Project = Frame->Project;
        CurrentSituation.ViewCentre = MakeWorldPoint(0, 0);
        SetZoom(1);
    }
    void TearDown() override
    {
        TFrmEditor::ShowTrackProperties = nullptr;
        TFrmEditor::ShowFreeObjectProperties = nullptr;
        TFrmEditor::ObjectBrowserSelection = nullptr;
        TFrmEditor::ShowStations = nullptr;
        Frame.reset();
        StartupTest::TearDown();
    }

    void SetZoom(int zoom)
    {
        Frame->tbZoom->setValue(zoom);
        CurrentSituation.Scale = zoom;
    }

    TVLPoint* AddPoint(double x, double y)
    {
        return Project->AddPoint(std::make_unique<TVLPoint>(MakeWorldPoint(x, y)));
    }
    TVLConnection* Connect(TVLPoint* a, TVLPoint* b)
    {
        return Project->AddConnection(std::make_unique<TVLConnection>(a, b));
    }
    TVLConnection* AddTrack(double x1, double y1, double x2, double y2)
    {
        return Connect(AddPoint(x1, y1), AddPoint(x2, y2));
    }
    // An object with a footprint of halfWidth metres either side of its position.
    TVLObject* AddObject(double x, double y, double halfWidth = 2.0)
    {
        auto object = std::make_unique<TVLObject>();
        object->Folder = "misc";
        object->FileName = "box.b3d";
        object->MinX = -halfWidth;
        object->MaxX = halfWidth;
        object->MinZ = -halfWidth;
        object->MaxZ = halfWidth;
        object->X = x;
        object->Y = y;
        TVLObject* o = object.get();
        Project->AddObject(std::move(object));
        return o;
    }
    TVLRouteDefinition* AddRoute(int id)
    {
        auto route = std::make_unique<TVLRouteDefinition>();
        route->Id = id;
        TVLRouteDefinition* r = route.get();
        Project->RouteDefinitions.Add(std::move(route));
        return r;
    }

    // The pixel of a world point on the plan.
    QPoint Pixel(double x, double y) const
    {
        const TScreenPoint s = Frame->ToScreen(MakeWorldPoint(x, y));
        return QPoint(s.X, s.Y);
    }
    void Press(QPoint at, Qt::KeyboardModifiers mods = {}, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(Frame->PBCursor, button, mods, at);
    }
    void Release(QPoint at, Qt::KeyboardModifiers mods = {}, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseRelease(Frame->PBCursor, button, mods, at);
    }
    void Move(QPoint at, Qt::KeyboardModifiers mods = {}, Qt::MouseButtons buttons = Qt::NoButton)
    {
        Send(QEvent::MouseMove, at, Qt::NoButton, buttons, mods);
    }
    void DoubleClick(QPoint at)
    {
        Send(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton, {});
    }
    void Click(QPoint at, Qt::KeyboardModifiers mods = {})
    {
        Press(at, mods);
        Release(at, mods);
    }
    // Press, three moves (the third makes it a drag), release at `to`.
    void Drag(QPoint from, QPoint to)
    {
        Press(from);
        Move(from + QPoint(1, 0), {}, Qt::LeftButton);
        Move(from + QPoint(2, 0), {}, Qt::LeftButton);
        Move(to, {}, Qt::LeftButton);
        Release(to);
    }
    void Send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers mods)
    {
        QMouseEvent event(type, QPointF(at), QPointF(Frame->PBCursor->mapToGlobal(at)), button, buttons, mods);
        QApplication::sendEvent(Frame->PBCursor, &event);
    }

    std::unique_ptr<TFrmEditor> Frame;
    TVLProject* Project = nullptr;
};
