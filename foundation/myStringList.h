// TmyStringList: a list of strings it owns, with an event fired on every change.
#pragma once

#include "myEvent.h"
#include "myList.h"
#include "myString.h"

class TmyStringList : public TmyList {
public:
    // Room for initialCount strings; maxCount 0 means no maximum.
    explicit TmyStringList(unsigned initialCount = 0, unsigned maxCount = 0);

    // The order of the virtual operations below is part of the class's contract.
    // Clears OnChange first, so destruction fires nothing, then frees every string.
    ~TmyStringList() override;
    // Frees the string at index and fires OnChange; returns null. An index at or
    // above the count changes nothing.
    void* Remove(unsigned index) override;
    // Stores a copy of text before index (above the count appends) and fires
    // OnChange. Returns the index used, or -1 when the maximum is reached.
    virtual int InsertString(const TmyString& text, int index);

    // The string at index, or the shared empty string when index >= count.
    const TmyString& String(unsigned index) const;

    // Fired with the list after every insertion and removal.
    TmyEvent<TmyStringList*> OnChange;
};
