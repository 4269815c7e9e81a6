#pragma once
// The model's object lists. An owning list destroys an item when it is
// removed, deleted or cleared, and when the list itself goes; a list made
// with ownsObjects = false only collects pointers to items owned elsewhere.
//
// For item types with an integer Id the list keeps an id index, so FindById
// costs one hash lookup instead of a walk. Items are expected to get their Id
// before they are added (as the project and the route writer do); code that
// changes the Id of an item already in a list calls Reindex() afterwards.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

// Clears every reference the editor state (CurrentSituation) holds to an
// item that is being destroyed, so no window is left pointing at freed memory.
void ForgetInCurrentSituation(const void* item);

// Counts the changes to the plan of any project: items added to, removed
// from or reordered in a list, points and objects moved, tracks reversed or
// given other properties. The editor keeps what it derives from the plan (its
// spatial index) while the count stays the same; code that changes an item's
// place or kind in place calls NotePlanChange.
extern std::uint64_t PlanRevision;
inline void NotePlanChange()
{
    ++PlanRevision;
}

template <class T>
class TVLObjectList {
public:
    explicit TVLObjectList(bool ownsObjects = true) : FOwnsObjects(ownsObjects) {}
    ~TVLObjectList() { Clear(); }

    TVLObjectList(const TVLObjectList&) = delete;
    TVLObjectList& operator=(const TVLObjectList&) = delete;
    TVLObjectList(TVLObjectList&& other) noexcept { Swap(other); }
    TVLObjectList& operator=(TVLObjectList&& other) noexcept
    {
        if (this != &other) {
            Clear();
            Swap(other);
        }
        return *this;
    }

    void Swap(TVLObjectList& other) noexcept
    {
        NotePlanChange();
        std::swap(FItems, other.FItems);
        std::swap(FOwnsObjects, other.FOwnsObjects);
        std::swap(FIndex, other.FIndex);
        std::swap(FIndexValid, other.FIndexValid);
    }

    bool OwnsObjects() const { return FOwnsObjects; }
    int Count() const { return static_cast<int>(FItems.size()); }
    bool Empty() const { return FItems.empty(); }

    // The item at index; nothing when index is out of range.
    T* Items(int index) const
    {
        return (index >= 0 && index < Count()) ? FItems[static_cast<std::size_t>(index)] : nullptr;
    }
    T* operator[](int index) const { return FItems[static_cast<std::size_t>(index)]; }
    T* First() const { return FItems.empty() ? nullptr : FItems.front(); }
    T* Last() const { return FItems.empty() ? nullptr : FItems.back(); }

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

    int IndexOf(const T* item) const
    {
        auto it = std::find(FItems.begin(), FItems.end(), item);
        return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
    }

    // Appends; an owning list takes ownership. Returns the new index.
    int Add(T* item)
    {
        NotePlanChange();
        FItems.push_back(item);
        if constexpr (HasId)
            if (FIndexValid && item)
                FIndex.emplace(item->Id, item); // an earlier item with the id stays first
        return Count() - 1;
    }
    int Add(std::unique_ptr<T> item) { return Add(item.release()); }

    void Insert(int index, T* item)
    {
        NotePlanChange();
        index = std::clamp(index, 0, Count());
        FItems.insert(FItems.begin() + index, item);
        FIndexValid = false;
    }
    void Insert(int index, std::unique_ptr<T> item) { Insert(index, item.release()); }

    // Removes the item (destroying it in an owning list). Returns whether it was listed.
    bool Remove(T* item)
    {
        int i = IndexOf(item);
        if (i < 0)
            return false;
        Delete(i);
        return true;
    }

    void Delete(int index)
    {
        T* item = Items(index);
        if (index < 0 || index >= Count())
            return;
        NotePlanChange();
        FItems.erase(FItems.begin() + index);
        FIndexValid = false;
        Destroy(item);
    }

    // Takes the item out of the list without destroying it. From an owning
    // list the caller receives ownership; from a collecting list the result
    // is empty, since the item belongs elsewhere.
    std::unique_ptr<T> Extract(T* item)
    {
        int i = IndexOf(item);
        if (i < 0)
            return nullptr;
        NotePlanChange();
        FItems.erase(FItems.begin() + i);
        FIndexValid = false;
        return std::unique_ptr<T>(FOwnsObjects ? item : nullptr);
    }

    void Exchange(int a, int b)
    {
        NotePlanChange();
        std::swap(FItems.at(static_cast<std::size_t>(a)), FItems.at(static_cast<std::size_t>(b)));
        FIndexValid = false;
    }

    void Reserve(int n) { FItems.reserve(static_cast<std::size_t>(std::max(n, 0))); }

    void Clear()
    {
        NotePlanChange();
        std::vector<T*> items;
        items.swap(FItems);
        FIndex.clear();
        FIndexValid = true;
        for (T* item : items)
            Destroy(item);
    }

    // The first item with that Id, or nothing.
    T* FindById(int id) const
        requires requires(T t) { t.Id; }
    {
        if (!FIndexValid)
            Reindex();
        auto it = FIndex.find(id);
        if (it != FIndex.end() && it->second->Id == id)
            return it->second;
        if (it != FIndex.end()) {
            // An Id was changed in place: rebuild once and look again.
            Reindex();
            it = FIndex.find(id);
            if (it != FIndex.end())
                return it->second;
        }
        return nullptr;
    }

    // The largest Id of the list, 0 when there is none above 0.
    int MaxId() const
        requires requires(T t) { t.Id; }
    {
        int m = 0;
        for (const T* item : FItems)
            m = std::max(m, item->Id);
        return m;
    }

    void Reindex() const
    {
        if constexpr (HasId) {
            FIndex.clear();
            FIndex.reserve(FItems.size());
            for (T* item : FItems)
                if (item)
                    FIndex.emplace(item->Id, item);
        }
        FIndexValid = true;
    }

private:
    static constexpr bool HasId = requires(T t) { t.Id; };

    void Destroy(T* item)
    {
        if (FOwnsObjects && item) {
            ForgetInCurrentSituation(item);
            delete item;
        }
    }

    std::vector<T*> FItems;
    bool FOwnsObjects = true;
    mutable std::unordered_map<int, T*> FIndex;
    mutable bool FIndexValid = true;
};
