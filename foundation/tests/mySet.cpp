#include "mySet.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

class SetTest : public ::testing::Test {
protected:
    static void IncludeAll(TmySet& set, int first, int last)
    {
        for (int v = first; v <= last; ++v)
            set.Include(v);
    }
};

TEST_F(SetTest, ValuesOnBothSidesOfWordBoundaryAreDistinct)
{
    TmySet oneWord(0, 31);
    oneWord.Include(31);
    EXPECT_EQ(0, oneWord.Contains(0));
    EXPECT_EQ(31, oneWord.FirstIncluded());

    TmySet twoWords(0, 32);
    twoWords.Include(32);
    EXPECT_EQ(0, twoWords.Contains(0));
    EXPECT_EQ(32, twoWords.FirstIncluded());
    IncludeAll(twoWords, 0, 31);
    twoWords.Exclude(32);
    EXPECT_EQ(32, twoWords.FirstExcluded());
}

TEST_F(SetTest, FullSetHasNoFirstExcluded)
{
    for (int last : {0, 31, 32, 40, 63}) {
        TmySet set(last);
        IncludeAll(set, 0, last);
        EXPECT_EQ(-1, set.FirstExcluded()) << "range 0.." << last;
    }
}

TEST_F(SetTest, ValuesOutsideRangeAreIgnored)
{
    TmySet set(10, 20);
    set.Include(9);
    set.Include(21);
    EXPECT_EQ(1, set.IsEmpty());
    EXPECT_EQ(-1, set.FirstIncluded());
    EXPECT_EQ(0, set.Contains(21));
    set.Include(20);
    set.Exclude(21);
    EXPECT_EQ(20, set.FirstIncluded());
    EXPECT_EQ(10, set.FirstExcluded());
}

TEST_F(SetTest, LastBelowFirstMakesOneValueRange)
{
    TmySet set(5, 2);
    set.Include(2);
    EXPECT_EQ(1, set.IsEmpty());
    set.Include(5);
    EXPECT_EQ(-1, set.FirstExcluded());
}

TEST_F(SetTest, ThunkSlotRangeFindsSlotsAcrossWords)
{
    TmySet slots(5040);
    IncludeAll(slots, 0, 4999);
    EXPECT_EQ(5000, slots.FirstExcluded());
    slots.Exclude(70);
    EXPECT_EQ(70, slots.FirstExcluded());
    for (int v = 0; v < 64; ++v)
        slots.Exclude(v);
    EXPECT_EQ(64, slots.FirstIncluded());
    IncludeAll(slots, 0, 5040);
    EXPECT_EQ(-1, slots.FirstExcluded());
    EXPECT_EQ(1, slots.Contains(5040));
}

TEST_F(SetTest, RangeWiderThanLimitThrowsZero)
{
    EXPECT_NO_THROW(TmySet(0, 1048576));
    EXPECT_THROW(TmySet(INT_MIN, INT_MAX), int);
    try {
        TmySet set(-1, 1048576);
        FAIL() << "no exception";
    } catch (int value) {
        EXPECT_EQ(0, value);
    }
}

}  // namespace
