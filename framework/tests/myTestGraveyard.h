// Widgets that a test lets delete themselves from their own handlers. The
// memory of a deleted one is kept, filled with a poison byte, until the test
// asks: a use after the delete then shows, a virtual call through the
// poisoned table faults and a write breaks the poison.
#pragma once

#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "myControl.h"

template <typename Widget>
class TmyPoisoned final : public Widget {
public:
    using Widget::Widget;

    // Not inlined: the compiler then pairs this delete with this new, not with the global one.
    __attribute__((noinline)) static void* operator new(std::size_t size) { return ::operator new(size); }
    // Only whole TmyPoisoned objects come here: the class has no derived ones.
    static void operator delete(void* memory)
    {
        std::memset(memory, poison, sizeof(TmyPoisoned));
        Graves().emplace_back(static_cast<unsigned char*>(memory), sizeof(TmyPoisoned));
    }
    // True when every kept block still holds only the poison; frees them.
    static bool GravesUntouched()
    {
        bool untouched = true;
        for (const auto& grave : Graves()) {
            for (std::size_t i = 0; i < grave.second; ++i)
                untouched = untouched && grave.first[i] == poison;
            ::operator delete(grave.first);
        }
        Graves().clear();
        return untouched;
    }
private:
    static constexpr unsigned char poison = 0xA5;
    static std::vector<std::pair<unsigned char*, std::size_t>>& Graves()
    {
        static std::vector<std::pair<unsigned char*, std::size_t>> graves;
        return graves;
    }
};

// A handler target that deletes the widget the event came from.
class TmySelfDeleter : public TmyObject {
public:
    template <typename Sender, typename... Rest>
    int Delete(Sender sender, Rest...)
    {
        delete sender;
        ++Deleted;
        return 0;
    }
    int Deleted = 0;
};

// One case: its name, and what arms a deleting handler on a new widget and
// drives the widget until the handler ran.
template <typename Widget>
using TmySelfDeleteCase = std::pair<const char*, void (*)(Widget*, TmySelfDeleter*)>;

// Runs each case on a widget from make(); the widget must be deleted once and
// touch nothing of itself afterwards.
template <typename Widget, typename Make>
void ExpectUntouchedAfterSelfDelete(Make make, std::initializer_list<TmySelfDeleteCase<Widget>> cases)
{
    for (const auto& c : cases) {
        TmySelfDeleter deleter;
        c.second(make(), &deleter);
        EXPECT_EQ(1, deleter.Deleted) << c.first;
        EXPECT_TRUE(Widget::GravesUntouched()) << c.first;
    }
}
