#pragma once
// Items filed by the square cells of a grid that their boxes touch, so that
// what lies near a place is found without looking at every item.

#include "model/vlhelpers.h"

#include <unordered_map>
#include <vector>

class TCellGrid {
public:
    using TKey = long long;

    explicit TCellGrid(double cellSize) : FSize(cellSize) {}

    // Files Item under every cell touched by the box around A and B, widened
    // by Margin on every side. An item whose box spans more cells than are
    // worth listing is kept apart and found by every lookup.
    void Add(int item, const TWorldPoint& a, const TWorldPoint& b, double margin = 0);
    // Appends the keys of the cells that box touches; false, appending none,
    // when they are more than are worth listing.
    bool CellsOf(const TWorldPoint& a, const TWorldPoint& b, double margin, std::vector<TKey>& keys) const;
    // The items filed under a cell, in the order added; nullptr for none.
    const std::vector<int>* ItemsIn(TKey key) const;
    // Appends the items of every cell the box touches and those kept apart:
    // an item that spans several cells comes more than once.
    void Collect(const TWorldPoint& a, const TWorldPoint& b, double margin, std::vector<int>& items) const;

private:
    // Calls F with the key of every cell the box touches; false, calling it
    // for none, when they are more than are worth listing.
    template <typename F>
    bool ForEachCell(const TWorldPoint& a, const TWorldPoint& b, double margin, F f) const;

    double FSize;
    std::unordered_map<TKey, std::vector<int>> FCells;
    std::vector<int> FWide;
};
