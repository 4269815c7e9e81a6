#include "export/vlcellgrid.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// Cell numbers far beyond any plan fold onto the outermost cells: their
// items then share a cell with others, which costs time, never a find.
long long CellOf(double v, double size)
{
    double c = std::floor(v / size);
    if (!(c > -2147483648.0))
        return INT32_MIN;
    return c < 2147483647.0 ? static_cast<long long>(c) : INT32_MAX;
}

} // namespace

template <typename F>
bool TCellGrid::ForEachCell(const TWorldPoint& a, const TWorldPoint& b, double margin, F f) const
{
    long long x0 = CellOf(std::min(a.X, b.X) - margin, FSize), x1 = CellOf(std::max(a.X, b.X) + margin, FSize);
    long long y0 = CellOf(std::min(a.Y, b.Y) - margin, FSize), y1 = CellOf(std::max(a.Y, b.Y) + margin, FSize);
    // A box of more cells than this (a piece of a damaged plan hundreds of
    // cells long) is cheaper to look at whole.
    if ((x1 - x0 + 1) * (y1 - y0 + 1) > 4096)
        return false;
    for (long long x = x0; x <= x1; ++x)
        for (long long y = y0; y <= y1; ++y)
            f(static_cast<TKey>(x * 4294967296LL + (y - INT32_MIN)));
    return true;
}

void TCellGrid::Add(int item, const TWorldPoint& a, const TWorldPoint& b, double margin)
{
    if (!ForEachCell(a, b, margin, [&](TKey key) { FCells[key].push_back(item); }))
        FWide.push_back(item);
}

bool TCellGrid::CellsOf(const TWorldPoint& a, const TWorldPoint& b, double margin, std::vector<TKey>& keys) const
{
    return ForEachCell(a, b, margin, [&](TKey key) { keys.push_back(key); });
}

const std::vector<int>* TCellGrid::ItemsIn(TKey key) const
{
    auto it = FCells.find(key);
    return it == FCells.end() ? nullptr : &it->second;
}

void TCellGrid::Collect(const TWorldPoint& a, const TWorldPoint& b, double margin, std::vector<int>& items) const
{
    items.insert(items.end(), FWide.begin(), FWide.end());
    if (!ForEachCell(a, b, margin, [&](TKey key) {
            if (const std::vector<int>* in = ItemsIn(key))
                items.insert(items.end(), in->begin(), in->end());
        }))
        for (const auto& [key, in] : FCells)
            items.insert(items.end(), in.begin(), in.end());
}
