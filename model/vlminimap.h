#pragma once
// The overview map: the whole track plan shrunk into a rectangle of a drawing
// surface, one scale for both axes so the plan keeps its proportions. The
// editor's overview panel and the export dialog's progress map use it.
//
// The map only decides what to draw where; the strokes go to a drawing
// surface behind IMiniMapCanvas, so the model stays free of any toolkit (the
// editor puts a QPainter behind it, editor/minimapcanvas.h).

#include "model/vlhelpers.h"

#include <cstdint>
#include <vector>

class TVLConnection;
class TVLConnectionlist;
class TVLPoint;
class TVLProject;
template <class T>
class TVLObjectList;

// A colour as red, green, blue components.
struct TMapColour {
    std::uint8_t R = 0;
    std::uint8_t G = 0;
    std::uint8_t B = 0;
};

inline bool operator==(const TMapColour& a, const TMapColour& b)
{
    return a.R == b.R && a.G == b.G && a.B == b.B;
}

// What the map draws with. Lines follow the Windows rule: the last pixel of a
// line is not drawn. A disc fills the box from Left/Top up to, not including,
// Right/Bottom.
class IMiniMapCanvas {
public:
    virtual ~IMiniMapCanvas() = default;
    // A solid pen of the colour and width in pixels for the lines that follow.
    virtual void SetPen(const TMapColour& colour, int width) = 0;
    virtual void Line(const TScreenPoint& from, const TScreenPoint& to) = 0;
    // A filled disc without outline.
    virtual void Disc(int left, int top, int right, int bottom, const TMapColour& colour) = 0;
};

// A rectangle in pixels.
struct TMapRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
};

class TVLMiniMap {
public:
    using TConnections = std::vector<TVLConnection*>;

    static constexpr TMapColour StationTrackColour{0, 0, 255};
    static constexpr TMapColour SelectedTrackColour{128, 0, 128};
    static constexpr TMapColour TrackColour{0, 0, 0};
    static constexpr TMapColour PointColour{255, 0, 0};

    // The plan's bounds in whole metres.
    std::int32_t MinX = 0;
    std::int32_t MaxY = 0;
    std::int32_t MaxX = 0;
    std::int32_t MinY = 0;
    TMapRect MapRect;
    bool ShowPoints = false;
    // The open project, for the station test; none: no track counts as a
    // station track.
    const TVLProject* Project = nullptr;

    // Bounds around both ends of every connection, always including the
    // origin (every bound starts at 0).
    void CalcBounds(const TConnections& connections);
    void CalcBounds(const TVLConnectionlist& connections);

    // Metres per pixel: the larger of the two axes' ratios. A plan without
    // extent, or a rectangle without size, gives 1 metre per pixel for the
    // axis (or both) that has nothing to measure.
    double Scale() const;
    // North is up; the plan's lower left corner sits in the rectangle's.
    TScreenPoint WorldToMap(const TWorldPoint& p) const;

    // Tracks (blue when a station uses them, else purple when selected in
    // the editor, else black, 2 pixels), the cross at the editor's view
    // centre, and with ShowPoints a red disc at every point.
    void Draw(IMiniMapCanvas& canvas, const TConnections& connections,
              const std::vector<TVLPoint*>& points = {}) const;
    void Draw(IMiniMapCanvas& canvas, const TVLConnectionlist& connections,
              const TVLObjectList<TVLPoint>& points) const;

private:
    void Widen(const TWorldPoint& p);
};
