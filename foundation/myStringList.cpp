#include "myStringList.h"

TmyStringList::TmyStringList(unsigned initialCount, unsigned maxCount)
    : TmyList(initialCount, maxCount)
{
    RegisterType(this, 82, "StringList");
}

TmyStringList::~TmyStringList()
{
    OnChange.Clear();
    while (Count())
        Remove(0);
}

void* TmyStringList::Remove(unsigned index)
{
    auto* cell = static_cast<TmyString*>(TmyList::Remove(index));
    if (cell) {
        delete cell;
        OnChange.Fire(this);
    }
    return nullptr;
}

int TmyStringList::InsertString(const TmyString& text, int index)
{
    auto* cell = new TmyString(text);
    int at = Insert(cell, index);
    if (at < 0) {
        // A refused cell would otherwise be lost with its string reference.
        delete cell;
        return -1;
    }
    OnChange.Fire(this);
    return at;
}

const TmyString& TmyStringList::String(unsigned index) const
{
    auto* cell = static_cast<const TmyString*>(Item(index));
    return cell ? *cell : myEmptyString;
}
