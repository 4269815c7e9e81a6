#include "model/vlpoint.h"

#include <cmath>

std::unique_ptr<TVLPoint> TVLPoint::CreateFromLine(std::string_view text)
{
    auto p = std::make_unique<TVLPoint>();
    p->Id = StrToIntDef(GetToken(text, ",", 1), 0);
    p->Position.X = StrToFloatDot(GetToken(text, ",", 2));
    p->Position.Y = StrToFloatDot(GetToken(text, ",", 3));
    return p;
}

std::string TVLPoint::SaveToString() const
{
    return std::to_string(Id) + "," + FloatToStrDot(Position.X) + "," + FloatToStrDot(Position.Y);
}

bool TVLPoint::HitTest(const TWorldPoint& p, int zoom) const
{
    if (zoom <= 0)
        return false;
    double dx = p.X - Position.X;
    double dy = p.Y - Position.Y;
    double r = 10.0 / zoom;
    return dx * dx + dy * dy <= r * r;
}

void TVLPoint::MoveBy(double dx, double dy)
{
    NotePlanChange();
    Position.X += dx;
    Position.Y += dy;
}

TWorldPoint TVLPoint::CurvePoint(const TWorldPoint& a, const TWorldPoint& b, double tension, double t,
                                 const TWorldPoint& nb, const TWorldPoint& na)
{
    double la = Distance(a, na);
    double lb = Distance(b, nb);
    if (la == 0.0 || lb == 0.0 || !(tension > 0.0) || !std::isfinite(tension))
        return LinearPoint(a, b, t);
    double ka = la * tension / 100.0;
    double kb = lb * tension / 100.0;
    TWorldPoint c1{a.X + (a.X - na.X) / ka, a.Y + (a.Y - na.Y) / ka};
    TWorldPoint c2{b.X + (b.X - nb.X) / kb, b.Y + (b.Y - nb.Y) / kb};
    double u = 1.0 - t;
    double w0 = u * u * u, w1 = 3.0 * t * u * u, w2 = 3.0 * t * t * u, w3 = t * t * t;
    return TWorldPoint{w0 * a.X + w1 * c1.X + w2 * c2.X + w3 * b.X, w0 * a.Y + w1 * c1.Y + w2 * c2.Y + w3 * b.Y};
}

TWorldPoint TVLPoint::LinearPoint(const TWorldPoint& a, const TWorldPoint& b, double t)
{
    return TWorldPoint{a.X + t * (b.X - a.X), a.Y + t * (b.Y - a.Y)};
}
