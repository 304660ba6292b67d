// TmyEvent: a bound event handler, a target object plus one of its member
// functions. An event is set by storing both together; there is no list of
// handlers. The event is set only while both are; firing an unset event does
// nothing and yields 0.
#pragma once

#include "myObject.h"

template <typename... Args>
class TmyEvent {
public:
    using Handler = int (TmyObject::*)(Args...);

    // Binds a member function of a TmyObject-derived target.
    template <typename T>
    void Set(T* target, int (T::*handler)(Args...))
    {
        Target = target;
        Method = static_cast<Handler>(handler);
    }
    void Clear()
    {
        Target = nullptr;
        Method = nullptr;
    }
    bool IsSet() const { return Target != nullptr && Method != nullptr; }

    // Calls the handler on the target when set; an unset event costs two tests.
    int Fire(Args... args) const
    {
        if (!IsSet())
            return 0;
        return (Target->*Method)(args...);
    }

private:
    TmyObject* Target = nullptr;
    Handler Method = nullptr;
};
