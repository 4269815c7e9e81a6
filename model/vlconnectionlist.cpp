#include "model/vlconnectionlist.h"

#include <cmath>

int TVLConnectionlist::GetConnectionsAt(const TVLPoint* point, std::vector<TVLConnection*>& list,
                                        const TVLConnection* except) const
{
    list.clear();
    for (TVLConnection* c : *this)
        if (c != except && (c->StartPoint == point || c->EndPoint == point))
            list.push_back(c);
    return static_cast<int>(list.size());
}

int TVLConnectionlist::GetConnectionsAt(const TVLPoint* point, TVLConnectionlist& list,
                                        const TVLConnection* except) const
{
    if (list.OwnsObjects())
        return 0;
    list.Clear();
    for (TVLConnection* c : *this)
        if (c != except && (c->StartPoint == point || c->EndPoint == point))
            list.Add(c);
    return list.Count();
}

TVLConnection* TVLConnectionlist::FindMostParallel(const TVLConnection* c) const
{
    TVLConnection* result = nullptr;
    double best = 999;
    for (TVLConnection* item : *this) {
        double d = std::fabs(item->AngleTo(c));
        if (d < best) {
            best = d;
            result = item;
        }
    }
    return result;
}

const TVLPoint* TVLConnectionlist::ChooseNeighbourEnd(const std::vector<TVLConnection*>& neighbours,
                                                      const TVLPoint* at, const TVLPoint* to)
{
    const TVLPoint* chosen = nullptr;
    double b = 90;
    TWorldPoint atPos = at->Position;
    TWorldPoint toPos = to ? to->Position : TWorldPoint{};
    for (TVLConnection* n : neighbours) {
        // A piece with both ends on the shared point gives no direction.
        const TVLPoint* far = n->OtherEnd(at);
        if (!far)
            continue;
        if (!chosen)
            chosen = far; // the first usable neighbour, unless a better one follows
        double a = AngleAt(atPos, far->Position, toPos);
        if (std::fabs(180 - a) < b) {
            chosen = far;
            b = std::fabs(180 - a);
        }
    }
    return chosen;
}

int TVLConnectionlist::Subdivide(const TVLConnection* c, int n, std::vector<TWorldPoint>& positions) const
{
    const TVLPoint* na = nullptr;
    const TVLPoint* nb = nullptr;
    if (c && n > 1 && c->IsCurved() && c->StartPoint && c->EndPoint) {
        std::vector<TVLConnection*> neighbours;
        GetConnectionsAt(c->StartPoint, neighbours, c);
        na = ChooseNeighbourEnd(neighbours, c->StartPoint, c->EndPoint);
        if (na) {
            GetConnectionsAt(c->EndPoint, neighbours, c);
            nb = ChooseNeighbourEnd(neighbours, c->EndPoint, c->StartPoint);
        }
    }
    return SubdivideBetween(c, n, na, nb, positions);
}

int TVLConnectionlist::SubdivideBetween(const TVLConnection* c, int n, const TVLPoint* nearStart,
                                        const TVLPoint* nearEnd, std::vector<TWorldPoint>& positions)
{
    positions.clear();
    if (!c || n <= 1)
        return 0;
    TWorldPoint a = c->StartPosition();
    TWorldPoint b = c->EndPosition();
    const TVLPoint* na = c->IsCurved() && c->StartPoint && c->EndPoint ? nearStart : nullptr;
    const TVLPoint* nb = na ? nearEnd : nullptr;
    bool curved = na && nb;
    double tension = curved ? 21.0 / std::sqrt(c->Length()) : 0.0;
    positions.reserve(static_cast<std::size_t>(n - 1));
    for (int i = 1; i < n; ++i) {
        double t = static_cast<double>(i) / n;
        positions.push_back(curved ? TVLPoint::CurvePoint(a, b, tension, t, nb->Position, na->Position)
                                   : TVLPoint::LinearPoint(a, b, t));
    }
    return static_cast<int>(positions.size());
}

int TVLConnectionlist::Subdivide(const TVLConnection* c, int n, std::vector<std::unique_ptr<TVLPoint>>& points) const
{
    std::vector<TWorldPoint> positions;
    Subdivide(c, n, positions);
    points.clear();
    for (const auto& p : positions)
        points.push_back(std::make_unique<TVLPoint>(p));
    return static_cast<int>(points.size());
}
