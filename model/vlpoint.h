#pragma once
// A numbered position of the track plan. Points are owned by the project's
// point list (or the route writer's working copy); connections refer to them.

#include "model/vlhelpers.h"
#include "model/vlobjectlist.h"

#include <memory>
#include <string>
#include <string_view>

class TVLPoint {
public:
    explicit TVLPoint(const TWorldPoint& position = TWorldPoint{}) : Position(position) {}

    // Reads "id,x,y" (the value of a project file's "point<n>" line).
    // Unreadable fields read as 0.
    static std::unique_ptr<TVLPoint> CreateFromLine(std::string_view text);

    // "id,x,y", e.g. "12,104.50000,-33.25000".
    std::string SaveToString() const;

    // True within a 10-pixel radius at zoom pixels per metre.
    bool HitTest(const TWorldPoint& p, int zoom) const;

    void MoveBy(double dx, double dy);

    // The point at t on the cubic curve from a to b whose handles leave each
    // end straight away from the far end of the neighbour track there (na at
    // a, nb at b) with length 100 / tension metres. A neighbour that gives no
    // direction (its far end on the end point) or a tension that is not a
    // positive number gives the straight point instead.
    static TWorldPoint CurvePoint(const TWorldPoint& a, const TWorldPoint& b, double tension, double t,
                                  const TWorldPoint& nb, const TWorldPoint& na);
    // a + t * (b - a).
    static TWorldPoint LinearPoint(const TWorldPoint& a, const TWorldPoint& b, double t);

    TWorldPoint Position;
    // Unique within the project, first id 1; 0 until the project allocates one.
    int Id = 0;
};

using TVLPointlist = TVLObjectList<TVLPoint>;
