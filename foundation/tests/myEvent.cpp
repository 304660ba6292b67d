// Tests of the bound event handler: it fires only when complete.
#include "myEvent.h"

#include <gtest/gtest.h>

namespace {

struct Counter : TmyObject {
    int Total = 0;
    int Add(int amount) { return Total += amount; }
};

TEST(Event, FiresOnlyWhenTargetAndHandlerAreBothSet)
{
    using Handler = int (Counter::*)(int);
    struct Case {
        bool withTarget;
        Handler handler;
        int result;
    };
    Counter counter;
    for (const Case& c : {Case{true, &Counter::Add, 5}, Case{true, nullptr, 0}, Case{false, &Counter::Add, 0}}) {
        TmyEvent<int> event;
        event.Set(c.withTarget ? &counter : nullptr, c.handler);
        EXPECT_EQ(c.result != 0, event.IsSet());
        EXPECT_EQ(c.result, event.Fire(5));
    }
    EXPECT_EQ(5, counter.Total);
}

}  // namespace
