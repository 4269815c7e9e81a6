// The editor frame's property clipboard: one track's properties kept apart
// from the project, pasted whole or by group onto the current track, the
// current route definition or a run of tracks up to the next switch.

#include "editor/frmeditor.h"

#include "model/currentsituation.h"
#include "model/vlconnection.h"
#include "model/vlproject.h"
#include "model/vlroutedefinition.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>

#include <array>

namespace {

// Captions of the paste modes 0..5.
const char* const ModeCaptions[6] = {"all properties", "ground", "background", "speed limit", "poles", "track type"};

} // namespace

void TFrmEditor::BuildPasteMenus()
{
    struct Target {
        QAction* menuItem;
        void (TFrmEditor::*paste)();
        std::array<QAction**, 6> items;
        std::array<const char*, 6> names;
    };
    const Target targets[] = {
        {pasteproperties1,
         &TFrmEditor::pasteproperties1Click,
         {&allproperties3, &ground2, &background2, &speedlimit3, &poles3, &tracktype1},
         {"allproperties3", "ground2", "background2", "speedlimit3", "poles3", "tracktype1"}},
        {pastepropertiestocurrentroute1,
         &TFrmEditor::pastepropertiestocurrentroute1Click,
         {&allproperties1, &groundonly1, &backgroundonly1, &speedlimit1, &poles1, &tracktype2},
         {"allproperties1", "groundonly1", "backgroundonly1", "speedlimit1", "poles1", "tracktype2"}},
        {pastepropertiesuntilswitch1,
         &TFrmEditor::pastepropertiesuntilswitch1Click,
         {&allproperties2, &ground1, &background1, &speedlimit2, &poles2, &tracktype3},
         {"allproperties2", "ground1", "background1", "speedlimit2", "poles2", "tracktype3"}},
    };
    for (const Target& target : targets) {
        QMenu* menu = target.menuItem->menu();
        for (int mode = 0; mode < 6; ++mode) {
            QString caption = ModeCaptions[mode];
            if (mode == 3 && target.menuItem == pastepropertiestocurrentroute1)
                caption = "speedlimit";
            QAction* action = menu->addAction(caption);
            action->setObjectName(target.names[static_cast<std::size_t>(mode)]);
            *target.items[static_cast<std::size_t>(mode)] = action;
            const auto paste = target.paste;
            connect(action, &QAction::triggered, this, [this, mode, paste] {
                PasteMode = static_cast<unsigned char>(mode);
                (this->*paste)();
            });
        }
    }
}

void TFrmEditor::copyproperties1Click()
{
    TVLConnection* c = CurrentSituation.SelectedConnection;
    if (!Project || !c)
        return;
    if (!CopiedTrack)
        CopiedTrack = std::make_unique<TVLConnection>();
    CopiedTrack->AssignProperties(*c, 0);
    RefreshEditor();
}

void TFrmEditor::pasteproperties1Click()
{
    if (!Project)
        return;
    TVLConnection* c = CurrentSituation.SelectedConnection;
    if (CopiedTrack && c)
        c->AssignProperties(*CopiedTrack, PasteMode);
    RefreshEditor();
}

void TFrmEditor::pastepropertiestocurrentroute1Click()
{
    TVLRouteDefinition* route = CurrentSituation.CurrentRouteDefinition;
    if (!Project || !route)
        return;
    if (!CopiedTrack) {
        RefreshEditor();
        return;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const int n = route->Count();
    for (int i = 0; i < n; ++i) {
        // Entries whose track is gone are passed over.
        if (TVLConnection* c = Project->FindConnection(route->TrackIdAt(i)))
            c->AssignProperties(*CopiedTrack, PasteMode);
        ShowProgress(0, n - 1, i);
    }
    QGuiApplication::restoreOverrideCursor();
    RefreshEditor();
}

void TFrmEditor::pastepropertiesuntilswitch1Click()
{
    if (!Project || !CopiedTrack)
        return;
    TVLPoint* p = CurrentSituation.SelectedPoint;
    TVLConnection* t = CurrentSituation.SelectedConnection;
    if (!p || !t || (t->StartPoint != p && t->EndPoint != p))
        return;
    const TVLConnection& source = *CopiedTrack;
    const int mode = PasteMode;
    WalkUntilSwitch([&source, mode](TVLConnection* c) { c->AssignProperties(source, mode); });
    RefreshEditor();
}
