// TmyList: a list of pointer-sized items kept in a TmyBuffer; it does not own
// the items. TmyTypeList<T> is the owning form for items of one type.
#pragma once

#include "myBuffer.h"

// Bytes one list item takes in the buffer.
constexpr unsigned myListItemSize = sizeof(void*);

class TmyList : public TmyBuffer {
public:
    // No block yet; the first Insert allocates room for one item.
    TmyList();
    // Room for initialCount items; maxCount 0 means no maximum.
    TmyList(unsigned initialCount, unsigned maxCount);

    // The order of the virtual operations below is part of the class's contract.
    ~TmyList() override;
    // Inserts item before index; an index above the count (callers pass -1)
    // appends. Returns the index used, or -1 when the maximum is reached.
    virtual int Insert(void* item, int index);
    // Takes the item out and returns it (not freed); null when index >= count.
    virtual void* Remove(unsigned index);

    unsigned Count() const { return GetSize() / myListItemSize; }
    // The item at index, or null when index >= count.
    void* Item(unsigned index) const;
    // Highest index holding exactly that pointer, or -1.
    int IndexOf(const void* item) const;
    // Swaps two items; does nothing unless both indexes are below the count.
    void Exchange(unsigned i, unsigned j);
    // Removes items from the end through Remove until at most n are left,
    // then trims the capacity to the size.
    void SetCount(unsigned n);

private:
    void** Items() const { return reinterpret_cast<void**>(Data()); }
};

// A list that owns its items: removing an item deletes it, Extract hands it
// back instead, and destruction deletes every item from the last to the first.
template <typename T>
class TmyTypeList : public TmyList {
public:
    TmyTypeList() = default;
    TmyTypeList(unsigned initialCount, unsigned maxCount) : TmyList(initialCount, maxCount) {}

    // The order of the virtual operations below is part of the class's contract.
    ~TmyTypeList() override
    {
        for (unsigned i = Count(); i-- > 0;)
            delete Extract(i);
    }
    // Deletes the item at index; returns null.
    void* Remove(unsigned index) override
    {
        delete Extract(index);
        return nullptr;
    }
    // Takes the item out without deleting it; null when index >= count.
    virtual T* Extract(unsigned index) { return static_cast<T*>(TmyList::Remove(index)); }

    T* Item(unsigned index) const { return static_cast<T*>(TmyList::Item(index)); }
};
