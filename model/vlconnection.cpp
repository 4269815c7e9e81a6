#include "model/vlconnection.h"

#include <utility>

std::unique_ptr<TVLConnection> TVLConnection::CreateCopy(const TVLConnection& source)
{
    auto c = std::make_unique<TVLConnection>(source.StartPoint, source.EndPoint);
    c->AssignProperties(source, 0);
    return c;
}

std::unique_ptr<TVLConnection> TVLConnection::CreateFromLine(std::string_view text, const TVLPointlist& points)
{
    auto c = std::make_unique<TVLConnection>();
    const auto fields = SplitTokens(text, ',');
    auto token = [&](int n) {
        return n <= static_cast<int>(fields.size()) ? fields[static_cast<std::size_t>(n - 1)] : std::string_view();
    };
    auto field = [&](int n) { return StrToIntDef(token(n), 0); };
    c->Id = field(1);
    int startId = field(2);
    int endId = field(3);
    c->TrackType = field(4);
    c->SpeedLimit = field(5);
    c->Height = StrToFloatDot(token(6));
    c->Adhesion = field(7);
    c->Accuracy = field(8);
    c->BackgroundId = field(9);
    c->GroundId = field(10);
    c->Fog = field(11);
    c->MarkerFile = RemoveQuotes(token(12));
    c->MarkerDuration = field(13);
    c->WaveFile = RemoveQuotes(token(14));
    c->PlatformSide = field(15);
    c->PlatformId = field(16);
    c->Pole = field(17);
    c->TrackKind = static_cast<std::uint8_t>(field(18) & 0xFF);
    c->WallLeftId = field(19);
    c->WallRightId = field(20);
    c->RoofId = field(21);
    c->StartPoint = points.FindById(startId);
    c->EndPoint = points.FindById(endId);
    return c;
}

std::string TVLConnection::SaveToString() const
{
    std::string s;
    s.reserve(96);
    auto add = [&](int v) {
        s += std::to_string(v);
        s += ',';
    };
    add(Id);
    add(StartPoint ? StartPoint->Id : 0);
    add(EndPoint ? EndPoint->Id : 0);
    add(TrackType);
    add(SpeedLimit);
    s += FloatToStrDot(Height);
    s += ',';
    add(Adhesion);
    add(Accuracy);
    add(BackgroundId);
    add(GroundId);
    add(Fog);
    s += '"' + MarkerFile + "\",";
    add(MarkerDuration);
    s += '"' + WaveFile + "\",";
    add(PlatformSide);
    add(PlatformId);
    add(Pole);
    add(TrackKind);
    add(WallLeftId);
    add(WallRightId);
    s += std::to_string(RoofId);
    return s;
}

void TVLConnection::AssignProperties(const TVLConnection& source, int mode)
{
    NotePlanChange();
    switch (mode) {
    case 0:
        TrackType = source.TrackType;
        SpeedLimit = source.SpeedLimit;
        Height = source.Height;
        Adhesion = source.Adhesion;
        Accuracy = source.Accuracy;
        BackgroundId = source.BackgroundId;
        GroundId = source.GroundId;
        Fog = source.Fog;
        Pole = source.Pole;
        PlatformId = source.PlatformId;
        PlatformSide = source.PlatformSide;
        TrackKind = source.TrackKind;
        WaveFile = source.WaveFile;
        WallLeftId = source.WallLeftId;
        WallRightId = source.WallRightId;
        RoofId = source.RoofId;
        break;
    case 1: GroundId = source.GroundId; break;
    case 2: BackgroundId = source.BackgroundId; break;
    case 3: SpeedLimit = source.SpeedLimit; break;
    case 4: Pole = source.Pole; break;
    case 5: TrackType = source.TrackType; break;
    case 6:
        WallLeftId = source.WallLeftId;
        WallRightId = source.WallRightId;
        break;
    default: break;
    }
}

double TVLConnection::Length() const
{
    return Distance(StartPosition(), EndPosition());
}

double TVLConnection::AngleTo(const TVLConnection* other) const
{
    double own = Bearing(StartPosition(), EndPosition());
    if (!other)
        return own;
    return own - Bearing(other->StartPosition(), other->EndPosition());
}

bool TVLConnection::Validate()
{
    if (SpeedLimit < 1)
        SpeedLimit = 70;
    return true;
}

TVLPoint* TVLConnection::OtherEnd(const TVLPoint* p) const
{
    if (p != StartPoint)
        return StartPoint;
    return EndPoint != p ? EndPoint : nullptr;
}

void TVLConnection::Reverse()
{
    NotePlanChange();
    std::swap(StartPoint, EndPoint);
    Pole = -Pole;
    Direction = -Direction;
    if (PlatformSide > 0)
        PlatformSide = 3 - PlatformSide;
    std::swap(WallLeftId, WallRightId);
}

TWorldPoint TVLConnection::PointAt(double t) const
{
    return TVLPoint::LinearPoint(StartPosition(), EndPosition(), t);
}

TWorldPoint TVLConnection::OffsetPointFromStart(double offset, double t) const
{
    double l = Length();
    if (l == 0.0)
        return PointAt(t);
    return OffsetPoint(PointAt(t), EndPosition(), offset / l);
}

TWorldPoint TVLConnection::OffsetPointFromEnd(double offset, double t) const
{
    double l = Length();
    if (l == 0.0)
        return PointAt(1.0 - t);
    return OffsetPoint(PointAt(1.0 - t), StartPosition(), offset / l);
}

double TVLConnection::DotProduct(const TVLConnection& other) const
{
    TWorldPoint a = StartPosition(), b = EndPosition();
    TWorldPoint c = other.StartPosition(), d = other.EndPosition();
    return (b.X - a.X) * (d.X - c.X) + (b.Y - a.Y) * (d.Y - c.Y);
}
