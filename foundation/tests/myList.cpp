#include "myList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class ListTest : public ::testing::Test {
protected:
    int a = 0, b = 0, c = 0, d = 0;

    static std::vector<void*> Items(const TmyList& list)
    {
        std::vector<void*> items;
        for (unsigned i = 0; i < list.Count(); ++i)
            items.push_back(list.Item(i));
        return items;
    }
    // A list holding a, b and c in that order.
    void FillThree(TmyList& list)
    {
        list.Insert(&a, -1);
        list.Insert(&b, -1);
        list.Insert(&c, -1);
    }
};

TEST_F(ListTest, BoundedListAcceptsItsMaximumThenRefuses)
{
    TmyList list(16, 128);
    std::vector<unsigned> capacities{list.GetCapacity()};
    for (int i = 0; i < 128; ++i) {
        ASSERT_EQ(i, list.Insert(&a, -1));
        if (list.GetCapacity() != capacities.back())
            capacities.push_back(list.GetCapacity());
    }
    EXPECT_EQ(-1, list.Insert(&b, 0));
    EXPECT_EQ(128u, list.Count());
    EXPECT_EQ(&a, list.Item(0));
    const unsigned item = myListItemSize;
    EXPECT_EQ((std::vector<unsigned>{16 * item, 32 * item, 64 * item, 128 * item}), capacities);
}

TEST_F(ListTest, FirstInsertMakesOneItemBlock)
{
    TmyList list;
    EXPECT_EQ(nullptr, list.Data());
    list.Insert(&a, -1);
    EXPECT_EQ(myListItemSize, list.GetCapacity());
    list.Insert(&b, -1);
    list.Insert(&c, -1);
    EXPECT_EQ(4 * myListItemSize, list.GetCapacity());
}

TEST_F(ListTest, IndexAboveCountAppends)
{
    TmyList list;
    EXPECT_EQ(0, list.Insert(&a, -1));
    EXPECT_EQ(1, list.Insert(&b, 2));
    EXPECT_EQ(2, list.Insert(&c, 100));
    EXPECT_EQ(0, list.Insert(&d, 0));
    EXPECT_EQ(2, list.Insert(&d, 2));
    EXPECT_EQ((std::vector<void*>{&d, &a, &d, &b, &c}), Items(list));
}

TEST_F(ListTest, RemoveMovesFollowersDownAndIgnoresIndexAtCount)
{
    TmyList list;
    FillThree(list);
    EXPECT_EQ(nullptr, list.Remove(3));
    EXPECT_EQ(&a, list.Remove(0));
    EXPECT_EQ((std::vector<void*>{&b, &c}), Items(list));
    EXPECT_EQ(nullptr, list.Item(2));
}

TEST_F(ListTest, IndexOfFindsLastOccurrence)
{
    TmyList list;
    FillThree(list);
    list.Insert(&a, -1);
    EXPECT_EQ(3, list.IndexOf(&a));
    EXPECT_EQ(1, list.IndexOf(&b));
    EXPECT_EQ(-1, list.IndexOf(&d));
}

TEST_F(ListTest, ExchangeSwapsOnlyValidIndexes)
{
    TmyList list;
    FillThree(list);
    list.Exchange(0, 2);
    EXPECT_EQ((std::vector<void*>{&c, &b, &a}), Items(list));
    list.Exchange(1, 3);
    EXPECT_EQ((std::vector<void*>{&c, &b, &a}), Items(list));
}

TEST_F(ListTest, SetCountDropsTailAndTrimsCapacity)
{
    TmyList list(2, 0);
    FillThree(list);
    list.Insert(&d, -1);
    list.Insert(&d, -1);
    EXPECT_EQ(8 * myListItemSize, list.GetCapacity());
    list.SetCount(2);
    EXPECT_EQ((std::vector<void*>{&a, &b}), Items(list));
    EXPECT_EQ(2 * myListItemSize, list.GetCapacity());
    list.SetCount(0);
    EXPECT_EQ(2 * myListItemSize, list.GetCapacity());
}

// Records the order in which the items of a type list are deleted.
struct Tracked {
    Tracked(int id, std::vector<int>& deleted) : Id(id), Deleted(deleted) {}
    ~Tracked() { Deleted.push_back(Id); }
    int Id;
    std::vector<int>& Deleted;
};

class TypeListTest : public ::testing::Test {
protected:
    std::vector<int> deleted;

    void Fill(TmyTypeList<Tracked>& list, int count)
    {
        for (int i = 0; i < count; ++i)
            list.Insert(new Tracked(i, deleted), -1);
    }
};

TEST_F(TypeListTest, DestructionDeletesItemsFromLastToFirst)
{
    auto* list = new TmyTypeList<Tracked>(2, 0);
    Fill(*list, 3);
    delete list;
    EXPECT_EQ((std::vector<int>{2, 1, 0}), deleted);
}

TEST_F(TypeListTest, RemoveDeletesButExtractHandsItemBack)
{
    TmyTypeList<Tracked> list;
    Fill(list, 3);
    EXPECT_EQ(nullptr, list.Remove(1));
    EXPECT_EQ((std::vector<int>{1}), deleted);
    Tracked* kept = list.Extract(0);
    ASSERT_NE(nullptr, kept);
    EXPECT_EQ(0, kept->Id);
    EXPECT_EQ(nullptr, list.Extract(5));
    EXPECT_EQ(1u, list.Count());
    EXPECT_EQ(2, list.Item(0)->Id);
    delete kept;
}

TEST_F(TypeListTest, SetCountDeletesDroppedItems)
{
    TmyTypeList<Tracked> list;
    Fill(list, 4);
    list.SetCount(1);
    EXPECT_EQ((std::vector<int>{3, 2, 1}), deleted);
}

}  // namespace
