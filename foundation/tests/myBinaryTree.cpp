#include "myBinaryTree.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "myList.h"

namespace {

class BinaryTreeTest : public ::testing::Test {
protected:
    // Checks order, parent links and the red-black rules below node; returns
    // the subtree's black height.
    static int CheckSubtree(const TmyTreeNode* node, const TmyTreeNode* parent, uintptr_t low,
                            uintptr_t high)
    {
        if (!node)
            return 1;
        EXPECT_EQ(parent, node->Parent);
        EXPECT_TRUE(node->Key >= low && node->Key <= high) << "key " << node->Key << " out of order";
        if (node->Red) {
            EXPECT_FALSE(node->Less && node->Less->Red) << "red child of red " << node->Key;
            EXPECT_FALSE(node->Greater && node->Greater->Red) << "red child of red " << node->Key;
        }
        int less = 1;
        if (node->Key > low)
            less = CheckSubtree(node->Less, node, low, node->Key - 1);
        else
            EXPECT_EQ(nullptr, node->Less);
        int greater = CheckSubtree(node->Greater, node, node->Key, high);
        EXPECT_EQ(less, greater) << "black heights differ below " << node->Key;
        return less + (node->Red ? 0 : 1);
    }
    static void CheckRedBlack(const TmyBinaryTree& tree)
    {
        ASSERT_NE(nullptr, tree.Root());
        EXPECT_EQ(0u, tree.Root()->Red);
        CheckSubtree(tree.Root(), nullptr, 0, UINTPTR_MAX);
        EXPECT_LE(tree.Depth(), 2 * std::log2(tree.Count() + 1));
    }
    static std::vector<void*> Values(const TmyBinaryTree& tree)
    {
        TmyList list;
        EXPECT_EQ(tree.Count(), tree.CollectValues(list));
        std::vector<void*> values;
        for (unsigned i = 0; i < list.Count(); ++i)
            values.push_back(list.Item(i));
        return values;
    }
    // Distinct value pointers for keys, never dereferenced.
    static void* ValueFor(uintptr_t key) { return reinterpret_cast<void*>(key * 16 + 8); }
};

TEST_F(BinaryTreeTest, SecondInsertOfSameKeyKeepsFirstValue)
{
    TmyBinaryTree tree;
    int first = 0, second = 0;
    EXPECT_EQ(1, tree.Insert(7, &first));
    EXPECT_EQ(0, tree.Insert(7, &second));
    EXPECT_EQ(&first, tree.Find(7));
    EXPECT_EQ(1, tree.Count());
}

TEST_F(BinaryTreeTest, ShapeMeasuresOfSmallTrees)
{
    TmyBinaryTree tree;
    EXPECT_EQ(0, tree.Depth());
    EXPECT_EQ(0, tree.EmptyLinks());
    tree.Insert(1, nullptr);
    EXPECT_EQ(1, tree.Depth());
    EXPECT_EQ(0, tree.EmptyLinks());
    tree.Insert(2, nullptr);
    EXPECT_EQ(2, tree.Depth());
    EXPECT_EQ(1, tree.EmptyLinks());
    tree.Insert(3, nullptr);
    EXPECT_EQ(2, tree.Depth());
    EXPECT_EQ(0, tree.EmptyLinks());
    EXPECT_EQ(2u, tree.Root()->Key);
}

TEST_F(BinaryTreeTest, SortedInsertsStayBalancedAndCollectInOrder)
{
    constexpr uintptr_t n = 1000;
    TmyBinaryTree ascending, descending;
    std::vector<void*> expected;
    for (uintptr_t key = 1; key <= n; ++key) {
        ascending.Insert(key, ValueFor(key));
        descending.Insert(n + 1 - key, ValueFor(n + 1 - key));
        expected.push_back(ValueFor(key));
    }
    CheckRedBlack(ascending);
    CheckRedBlack(descending);
    EXPECT_EQ(expected, Values(ascending));
    EXPECT_EQ(expected, Values(descending));
}

TEST_F(BinaryTreeTest, KeysCompareAsUnsignedNumbers)
{
    TmyBinaryTree tree;
    tree.Insert(UINTPTR_MAX, ValueFor(2));
    tree.Insert(1, ValueFor(1));
    tree.Insert(UINTPTR_MAX / 2 + 1, ValueFor(3));
    EXPECT_EQ((std::vector<void*>{ValueFor(1), ValueFor(3), ValueFor(2)}), Values(tree));
    EXPECT_EQ(ValueFor(2), tree.Find(UINTPTR_MAX));
}

TEST_F(BinaryTreeTest, RandomInsertsAgreeWithStdMap)
{
    std::mt19937 random(4711);
    std::uniform_int_distribution<uintptr_t> keys(0, 3000);
    TmyBinaryTree tree;
    std::map<uintptr_t, void*> model;
    for (int i = 0; i < 4000; ++i) {
        uintptr_t key = keys(random);
        void* value = ValueFor(i);
        bool added = model.emplace(key, value).second;
        ASSERT_EQ(added ? 1 : 0, tree.Insert(key, value)) << "key " << key;
    }
    CheckRedBlack(tree);
    EXPECT_EQ(static_cast<int>(model.size()), tree.Count());
    std::vector<void*> expected;
    for (const auto& entry : model)
        expected.push_back(entry.second);
    EXPECT_EQ(expected, Values(tree));
    for (uintptr_t key = 0; key <= 3001; ++key) {
        auto found = model.find(key);
        ASSERT_EQ(found == model.end() ? nullptr : found->second, tree.Find(key)) << "key " << key;
    }
}

TEST_F(BinaryTreeTest, ClearEmptiesTreeForReuse)
{
    TmyBinaryTree tree;
    for (uintptr_t key = 0; key < 50; ++key)
        tree.Insert(key, ValueFor(key));
    tree.Clear();
    EXPECT_EQ(0, tree.Count());
    EXPECT_EQ(nullptr, tree.Root());
    EXPECT_EQ(nullptr, tree.Find(3));
    EXPECT_EQ(1, tree.Insert(3, ValueFor(3)));
    EXPECT_EQ(ValueFor(3), tree.Find(3));
    EXPECT_EQ(1, tree.Depth());
}

}  // namespace
