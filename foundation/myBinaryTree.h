// TmyBinaryTree: a red-black tree from pointer-sized keys (compared unsigned)
// to values it does not own. It holds the type registry, so it never registers.
#pragma once

#include <cstdint>

#include "myObject.h"

class TmyList;

// One node per key, allocated on its own.
struct TmyTreeNode {
    uintptr_t Key;
    uint32_t Red;          // 1 = red, 0 = black
    TmyTreeNode* Greater;  // keys >= Key
    TmyTreeNode* Less;     // keys < Key
    TmyTreeNode* Parent;
    void* Value;           // not owned
};

class TmyBinaryTree : public TmyObject {
public:
    TmyBinaryTree();
    TmyBinaryTree(const TmyBinaryTree&) = delete;
    TmyBinaryTree& operator=(const TmyBinaryTree&) = delete;

    // The order of the virtual operations below is part of the class's contract.
    ~TmyBinaryTree() override;

    // Value stored under key, or null.
    void* Find(uintptr_t key) const;
    // Adds key with value and rebalances; returns 1. Returns 0 and changes
    // nothing when the key is present: a stored value is never replaced.
    int Insert(uintptr_t key, void* value);
    // Appends every value to list in ascending key order; returns the node count.
    int CollectValues(TmyList& list) const;
    // Number of levels: 0 when empty, 1 for a lone root.
    int Depth() const;
    // Absent children among the nodes that have at least one child.
    int EmptyLinks() const;
    // Frees every node, children before parents; values are left alone.
    void Clear();
    int Count() const { return NodeCount; }
    // The root node, for walking the tree; null when empty.
    const TmyTreeNode* Root() const { return RootNode; }

private:
    // Restores the red-black rules after node was added red.
    void Rebalance(TmyTreeNode* node);
    // Turns the subtree at node so its greater child takes its place.
    void RotateTowardsLess(TmyTreeNode* node);
    // Turns the subtree at node so its less child takes its place.
    void RotateTowardsGreater(TmyTreeNode* node);
    // Makes child stand where node stood under node's parent.
    void Replace(TmyTreeNode* node, TmyTreeNode* child);

    TmyTreeNode* RootNode;
    int32_t NodeCount;
};
