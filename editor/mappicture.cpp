#include "editor/mappicture.h"

#include <QImageReader>
#include <QPaintEvent>
#include <QPainter>

namespace {

// Decoded beyond the view on each side, so that scrolling a little needs no
// new decoding.
constexpr int Margin = 256;

int Shown(int full, int divisor) { return (full + divisor - 1) / divisor; }

// Decodes the part area (in shown pixels) of file at 1:divisor, by itself
// or, when the reader cannot decode parts, with the whole picture (area is
// then the whole); a null image when that fails.
QImage Decode(const QString& file, int divisor, bool byParts, const QRect& area)
{
    QImageReader reader(file);
    if (byParts) {
        // Whole pixels of the file for each shown pixel; at the right and
        // bottom edges the part may reach past the file's last pixels,
        // which the reader leaves out, so the part ends on the last shown
        // pixel.
        reader.setClipRect(QRect(area.topLeft() * divisor, area.size() * divisor));
        reader.setScaledSize(area.size());
    } else if (divisor > 1) {
        reader.setScaledSize(area.size());
    }
    const QImage image = reader.read();
    return image.size() == area.size() ? image : QImage();
}

} // namespace

TMapPicture::TMapPicture(QWidget* parent) : QWidget(parent) {}

bool TMapPicture::Open(const QString& file, int divisor)
{
    QImageReader reader(file);
    const QSize full = reader.size();
    if (!full.isValid())
        return false;
    const bool byParts = reader.supportsOption(QImageIOHandler::ClipRect) &&
                         reader.supportsOption(QImageIOHandler::ScaledSize);
    const QSize size(Shown(full.width(), divisor), Shown(full.height(), divisor));
    // The first part (or the whole picture) is decoded now, so a picture
    // that cannot be read is found before it is taken.
    const QRect first = byParts ? QRect(QPoint(0, 0), size).intersected(QRect(0, 0, 2 * Margin, 2 * Margin))
                                : QRect(QPoint(0, 0), size);
    const QImage part = Decode(file, divisor, byParts, first);
    if (part.isNull())
        return false;
    FFile = file;
    FDivisor = divisor;
    FByParts = byParts;
    FPart = part;
    FPartRect = first;
    resize(size);
    update();
    return true;
}

void TMapPicture::Clear()
{
    FFile.clear();
    FDivisor = 1;
    FPart = QImage();
    FPartRect = QRect();
    resize(0, 0);
    update();
}

void TMapPicture::paintEvent(QPaintEvent* event)
{
    const QRect wanted = event->rect().intersected(rect());
    if (wanted.isEmpty() || FFile.isEmpty())
        return;
    if (!FPartRect.contains(wanted)) {
        const QRect area = wanted.adjusted(-Margin, -Margin, Margin, Margin).intersected(rect());
        // A part that cannot be read stays empty (and is not tried again
        // until the view leaves it); the parts around it still show.
        FPart = Decode(FFile, FDivisor, FByParts, area);
        FPartRect = area;
    }
    QPainter painter(this);
    painter.drawImage(FPartRect.topLeft(), FPart);
}
