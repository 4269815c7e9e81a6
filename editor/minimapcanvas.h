#pragma once
// The overview map's strokes on a QPainter: the surface of the editor's
// overview panel and of the export dialog's progress map.

#include "model/vlminimap.h"

class QPainter;

class TQPainterMiniMapCanvas : public IMiniMapCanvas {
public:
    // The painter stays the caller's; its pen and brush are changed.
    explicit TQPainterMiniMapCanvas(QPainter& painter);

    void SetPen(const TMapColour& colour, int width) override;
    // Windows draws lines without their last pixel; so do we, which keeps
    // the view-centre cross symmetric to the pixel as the map expects.
    void Line(const TScreenPoint& from, const TScreenPoint& to) override;
    void Disc(int left, int top, int right, int bottom, const TMapColour& colour) override;

private:
    QPainter& FPainter;
};
