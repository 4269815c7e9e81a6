#include "editor/wraplayout.h"

#include <QStyle>
#include <QWidget>

#include <algorithm>

TWrapLayout::TWrapLayout(QWidget* parent) : QLayout(parent) {}

TWrapLayout::~TWrapLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void TWrapLayout::AddGroup(QLayout* group, bool stretch)
{
    addChildLayout(group);
    FEntries.append({group, stretch});
    invalidate();
}

void TWrapLayout::addItem(QLayoutItem* item)
{
    FEntries.append({item, false});
    invalidate();
}

int TWrapLayout::count() const
{
    return static_cast<int>(FEntries.size());
}

QLayoutItem* TWrapLayout::itemAt(int index) const
{
    return index >= 0 && index < FEntries.size() ? FEntries[index].Item : nullptr;
}

QLayoutItem* TWrapLayout::takeAt(int index)
{
    if (index < 0 || index >= FEntries.size())
        return nullptr;
    QLayoutItem* item = FEntries.takeAt(index).Item;
    if (QLayout* group = item->layout())
        group->setParent(nullptr);
    invalidate();
    return item;
}

Qt::Orientations TWrapLayout::expandingDirections() const
{
    return {};
}

bool TWrapLayout::hasHeightForWidth() const
{
    return true;
}

int TWrapLayout::heightForWidth(int width) const
{
    return Arrange(QRect(0, 0, width, 0), false);
}

QSize TWrapLayout::minimumSize() const
{
    // The widest group alone on its line; the height is that of one line,
    // the other lines come through heightForWidth.
    int width = 0;
    int height = 0;
    for (const TEntry& entry : FEntries) {
        if (entry.Item->isEmpty())
            continue;
        width = std::max(width, Width(entry.Item));
        height = std::max(height, entry.Item->sizeHint().height());
    }
    const QMargins m = contentsMargins();
    return QSize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

QSize TWrapLayout::sizeHint() const
{
    // Everything on one line.
    int width = 0;
    int height = 0;
    for (const TEntry& entry : FEntries) {
        if (entry.Item->isEmpty())
            continue;
        width += (width > 0 ? HorizontalGap() : 0) + Width(entry.Item);
        height = std::max(height, entry.Item->sizeHint().height());
    }
    const QMargins m = contentsMargins();
    return QSize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

void TWrapLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    Arrange(rect, true);
}

int TWrapLayout::Width(const QLayoutItem* item)
{
    return std::max(item->sizeHint().width(), item->minimumSize().width());
}

int TWrapLayout::HorizontalGap() const
{
    if (spacing() >= 0)
        return spacing();
    const QWidget* owner = parentWidget();
    const int gap = owner ? owner->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, owner) : -1;
    return gap >= 0 ? gap : 6;
}

int TWrapLayout::VerticalGap() const
{
    if (spacing() >= 0)
        return spacing();
    const QWidget* owner = parentWidget();
    const int gap = owner ? owner->style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing, nullptr, owner) : -1;
    return gap >= 0 ? gap : 6;
}

int TWrapLayout::Arrange(const QRect& rect, bool apply) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int gapX = HorizontalGap();
    const int gapY = VerticalGap();

    // Break the groups into lines.
    QList<QList<const TEntry*>> lines;
    int used = 0;
    for (const TEntry& entry : FEntries) {
        if (entry.Item->isEmpty())
            continue;
        const int width = Width(entry.Item);
        if (lines.isEmpty() || (used > 0 && used + gapX + width > area.width())) {
            lines.append(QList<const TEntry*>());
            used = 0;
        }
        used += (used > 0 ? gapX : 0) + width;
        lines.last().append(&entry);
    }

    int y = area.top();
    for (const QList<const TEntry*>& line : lines) {
        int height = 0;
        int width = 0;
        int stretching = 0;
        for (const TEntry* entry : line) {
            height = std::max(height, entry->Item->sizeHint().height());
            width += Width(entry->Item);
            stretching += entry->Stretch ? 1 : 0;
        }
        width += gapX * (static_cast<int>(line.size()) - 1);
        if (apply) {
            // The room left over goes to the stretching groups of the line.
            int extra = std::max(0, area.width() - width);
            int x = area.left();
            for (const TEntry* entry : line) {
                int w = Width(entry->Item);
                if (entry->Stretch && stretching > 0) {
                    const int share = extra / stretching;
                    w += share;
                    extra -= share;
                    --stretching;
                }
                entry->Item->setGeometry(QRect(x, y, w, height));
                x += w + gapX;
            }
        }
        y += height + gapY;
    }
    if (!lines.isEmpty())
        y -= gapY;
    const QMargins m = contentsMargins();
    return y - area.top() + m.top() + m.bottom();
}
