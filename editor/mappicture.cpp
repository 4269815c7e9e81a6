#include "editor/mappicture.h"

#include <QImageReader>
#include <QPaintEvent>
#include <QPainter>

namespace {

// Decoded beyond the view on each side, so that scrolling a little needs no
// new decoding.
constexpr int Margin = 256;

int Shown(int full, int divisor) { return (full + divisor - 1) / divisor; }

} // namespace

TMapPicture::TMapPicture(QWidget* parent) : QWidget(parent) {}

bool TMapPicture::Open(const QString& file, int divisor)
{
    QImageReader reader(file);
    const QSize full = reader.size();
    const bool byParts = reader.supportsOption(QImageIOHandler::ClipRect) &&
                         reader.supportsOption(QImageIOHandler::ScaledSize);
    const QSize size(Shown(full.width(), divisor), Shown(full.height(), divisor));
    const QString previousFile = FFile;
    const int previousDivisor = FDivisor;
    const bool previousByParts = FByParts;
    FFile = file;
    FDivisor = divisor;
    FByParts = byParts;
    // The first part (or the whole picture) is decoded now, so a picture
    // that cannot be read is found before it is taken.
    const QRect first = byParts ? QRect(QPoint(0, 0), size).intersected(QRect(0, 0, 2 * Margin, 2 * Margin))
                                : QRect(QPoint(0, 0), size);
    const QImage part = full.isValid() ? Decode(first) : QImage();
    if (part.isNull()) {
        FFile = previousFile;
        FDivisor = previousDivisor;
        FByParts = previousByParts;
        return false;
    }
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

QImage TMapPicture::Decode(const QRect& area) const
{
    QImageReader reader(FFile);
    if (FByParts) {
        // Whole pixels of the file for each shown pixel; at the right and
        // bottom edges the part may reach past the file's last pixels,
        // which the reader leaves out, so the part ends on the last shown
        // pixel.
        reader.setClipRect(QRect(area.topLeft() * FDivisor, area.size() * FDivisor));
        reader.setScaledSize(area.size());
    } else if (FDivisor > 1) {
        reader.setScaledSize(area.size());
    }
    const QImage image = reader.read();
    return image.size() == area.size() ? image : QImage();
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
        FPart = Decode(area);
        FPartRect = area;
    }
    QPainter painter(this);
    painter.drawImage(FPartRect.topLeft(), FPart);
}
