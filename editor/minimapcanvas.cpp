#include "editor/minimapcanvas.h"

#include <QPainter>
#include <QPen>


TQPainterMiniMapCanvas::TQPainterMiniMapCanvas(QPainter& painter) : FPainter(painter)
{
    FPainter.setRenderHint(QPainter::Antialiasing, false);
}

void TQPainterMiniMapCanvas::SetPen(const TMapColour& colour, int width)
{
    QPen pen(QColor(colour.R, colour.G, colour.B));
    pen.setWidth(width);
    pen.setStyle(Qt::SolidLine);
    pen.setCapStyle(width > 1 ? Qt::RoundCap : Qt::FlatCap);
    pen.setJoinStyle(Qt::RoundJoin);
    FPainter.setPen(pen);
}

void TQPainterMiniMapCanvas::Line(const TScreenPoint& from, const TScreenPoint& to)
{
    // A thin flat-capped line leaves out its end point, as a Windows line does.
    FPainter.drawLine(QPoint(from.X, from.Y), QPoint(to.X, to.Y));
}

void TQPainterMiniMapCanvas::Disc(int left, int top, int right, int bottom, const TMapColour& colour)
{
    FPainter.save();
    FPainter.setPen(Qt::NoPen);
    FPainter.setBrush(QColor(colour.R, colour.G, colour.B));
    FPainter.drawEllipse(QRect(left, top, right - left, bottom - top));
    FPainter.restore();
}
