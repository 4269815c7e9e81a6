#pragma once
// What the user is doing on the plan: the active route definition, cursor and
// view centre, selection, selected and hovered items, scale, and the flag by
// which dialogs ask the editor to repaint. It owns nothing; its references
// point into the open project and are cleared whenever such an item is
// destroyed (see ForgetInCurrentSituation).

#include "model/vlhelpers.h"

class TVLRouteDefinition;
class TVLPoint;
class TVLConnection;
class TVLObject;

class TCurrentSituation {
public:
    // The current route definition's Id, 0 when there is none.
    int CurrentRouteId() const;
    // The current route definition holds the track; false when there is none.
    bool IsInCurrentRoute(int trackId) const;
    // Drops every reference to item (any field that points at it).
    void Forget(const void* item);
    // Drops every reference into the project (before it is freed or replaced).
    void ClearReferences();

    TVLRouteDefinition* CurrentRouteDefinition = nullptr;
    bool RefreshRequested = false;
    TWorldPoint Cursor;
    TWorldPoint ViewCentre;
    TWorldPoint SelectionStart;
    TWorldPoint SelectionEnd;
    TVLPoint* SelectedPoint = nullptr;
    TVLPoint* HoveredPoint = nullptr;
    TVLConnection* SelectedConnection = nullptr;
    TVLObject* SelectedObject = nullptr;
    TVLObject* HoveredObject = nullptr;
    double Scale = 10.0; // pixels per metre
};

// The one editor state of the program, alive from start to end.
extern TCurrentSituation CurrentSituation;
