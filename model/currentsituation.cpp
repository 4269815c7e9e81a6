#include "model/currentsituation.h"

#include "model/vlobjectlist.h"
#include "model/vlroutedefinition.h"

TCurrentSituation CurrentSituation;

int TCurrentSituation::CurrentRouteId() const
{
    return CurrentRouteDefinition ? CurrentRouteDefinition->Id : 0;
}

bool TCurrentSituation::IsInCurrentRoute(int trackId) const
{
    return CurrentRouteDefinition && CurrentRouteDefinition->ContainsTrack(trackId);
}

void TCurrentSituation::Forget(const void* item)
{
    if (!item)
        return;
    if (CurrentRouteDefinition == item)
        CurrentRouteDefinition = nullptr;
    if (SelectedPoint == item)
        SelectedPoint = nullptr;
    if (HoveredPoint == item)
        HoveredPoint = nullptr;
    if (SelectedConnection == item)
        SelectedConnection = nullptr;
    if (SelectedObject == item)
        SelectedObject = nullptr;
    if (HoveredObject == item)
        HoveredObject = nullptr;
}

void TCurrentSituation::ClearReferences()
{
    CurrentRouteDefinition = nullptr;
    SelectedPoint = nullptr;
    HoveredPoint = nullptr;
    SelectedConnection = nullptr;
    SelectedObject = nullptr;
    HoveredObject = nullptr;
}

std::uint64_t PlanRevision = 1;

void ForgetInCurrentSituation(const void* item)
{
    CurrentSituation.Forget(item);
}
