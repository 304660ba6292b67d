#include "myList.h"

#include <cstring>

TmyList::TmyList() : TmyList(0, 0) {}

TmyList::TmyList(unsigned initialCount, unsigned maxCount)
    : TmyBuffer(initialCount * myListItemSize, maxCount * myListItemSize)
{
    RegisterType(this, 74, "List");
}

TmyList::~TmyList()
{
    SetCount(0);
}

int TmyList::Insert(void* item, int index)
{
    if (GetFree() < myListItemSize) {
        unsigned capacity = GetCapacity();
        SetCapacity(capacity ? myDoubled(capacity) : myListItemSize);
        if (GetFree() < myListItemSize)
            return -1;
    }
    unsigned count = Count();
    unsigned at = static_cast<unsigned>(index);
    if (at > count)
        at = count;
    void** items = Items();
    std::memmove(items + at + 1, items + at, (count - at) * sizeof(void*));
    SetSize(GetSize() + myListItemSize);
    items[at] = item;
    return static_cast<int>(at);
}

void* TmyList::Remove(unsigned index)
{
    if (index >= Count())
        return nullptr;
    void* item = Items()[index];
    DeleteRange(index * myListItemSize, myListItemSize);
    return item;
}

void* TmyList::Item(unsigned index) const
{
    return index < Count() ? Items()[index] : nullptr;
}

int TmyList::IndexOf(const void* item) const
{
    void** items = Items();
    for (unsigned i = Count(); i-- > 0;) {
        if (items[i] == item)
            return static_cast<int>(i);
    }
    return -1;
}

void TmyList::Exchange(unsigned i, unsigned j)
{
    unsigned count = Count();
    if (i >= count || j >= count)
        return;
    void** items = Items();
    void* held = items[i];
    items[i] = items[j];
    items[j] = held;
}

void TmyList::SetCount(unsigned n)
{
    while (Count() > n)
        Remove(Count() - 1);
    SetCapacity(GetSize());
}
