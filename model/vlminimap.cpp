#include "model/vlminimap.h"

#include "model/currentsituation.h"
#include "model/vlconnection.h"
#include "model/vlconnectionlist.h"
#include "model/vlpoint.h"
#include "model/vlproject.h"

#include <algorithm>
#include <cmath>

void TVLMiniMap::Widen(const TWorldPoint& p)
{
    const int x = Round(p.X);
    const int y = Round(p.Y);
    MinX = std::min(MinX, x);
    MaxX = std::max(MaxX, x);
    MinY = std::min(MinY, y);
    MaxY = std::max(MaxY, y);
}

void TVLMiniMap::CalcBounds(const TConnections& connections)
{
    MinX = MaxY = MaxX = MinY = 0;
    for (const TVLConnection* c : connections) {
        if (!c)
            continue;
        if (c->StartPoint)
            Widen(c->StartPoint->Position);
        if (c->EndPoint)
            Widen(c->EndPoint->Position);
    }
}

void TVLMiniMap::CalcBounds(const TVLConnectionlist& connections)
{
    CalcBounds(TConnections(connections.begin(), connections.end()));
}

double TVLMiniMap::Scale() const
{
    // Integer bounds can span more than an int holds; measure in doubles.
    const double spanY = static_cast<double>(MinY) - MaxY;
    const double spanX = static_cast<double>(MaxX) - MinX;
    const double h = static_cast<double>(MapRect.Top) - MapRect.Bottom;
    const double w = static_cast<double>(MapRect.Right) - MapRect.Left;
    const double sy = h != 0.0 ? std::fabs(spanY / h) : 0.0;
    const double sx = w != 0.0 ? std::fabs(spanX / w) : 0.0;
    const double s = std::max(sy, sx);
    return s > 0.0 && std::isfinite(s) ? s : 1.0;
}

TScreenPoint TVLMiniMap::WorldToMap(const TWorldPoint& p) const
{
    const double s = Scale();
    TScreenPoint r;
    r.X = Round((p.X - MinX) / s + MapRect.Left);
    r.Y = Round(MapRect.Bottom - (p.Y - MinY) / s);
    return r;
}

void TVLMiniMap::Draw(IMiniMapCanvas& canvas, const TConnections& connections,
                      const std::vector<TVLPoint*>& points) const
{
    for (const TVLConnection* c : connections) {
        if (!c || !c->StartPoint || !c->EndPoint)
            continue;
        TMapColour colour = TrackColour;
        if (Project && Project->FindStationByTrack(c->Id))
            colour = StationTrackColour;
        else if (c == CurrentSituation.SelectedConnection)
            colour = SelectedTrackColour;
        canvas.SetPen(colour, 2);
        canvas.Line(WorldToMap(c->StartPoint->Position), WorldToMap(c->EndPoint->Position));
    }

    const TScreenPoint centre = WorldToMap(CurrentSituation.ViewCentre);
    canvas.SetPen(TrackColour, 1);
    canvas.Line({centre.X, centre.Y - 4}, {centre.X, centre.Y + 4});
    canvas.Line({centre.X - 4, centre.Y}, {centre.X + 4, centre.Y});

    if (!ShowPoints)
        return;
    for (const TVLPoint* p : points) {
        if (!p)
            continue;
        const TScreenPoint m = WorldToMap(p->Position);
        canvas.Disc(m.X - 5, m.Y - 5, m.X + 5, m.Y + 5, PointColour);
    }
}

void TVLMiniMap::Draw(IMiniMapCanvas& canvas, const TVLConnectionlist& connections,
                      const TVLObjectList<TVLPoint>& points) const
{
    Draw(canvas, TConnections(connections.begin(), connections.end()),
         std::vector<TVLPoint*>(points.begin(), points.end()));
}
