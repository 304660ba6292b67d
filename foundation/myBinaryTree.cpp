#include "myBinaryTree.h"

#include "myList.h"

namespace {

void Collect(const TmyTreeNode* node, TmyList& list, int& visited)
{
    for (; node; node = node->Greater) {
        Collect(node->Less, list, visited);
        list.Insert(node->Value, -1);
        ++visited;
    }
}

int DepthOf(const TmyTreeNode* node)
{
    if (!node)
        return 0;
    int less = DepthOf(node->Less);
    int greater = DepthOf(node->Greater);
    return 1 + (less > greater ? less : greater);
}

int EmptyLinksOf(const TmyTreeNode* node)
{
    if (!node || (!node->Less && !node->Greater))
        return 0;
    int own = !node->Less || !node->Greater ? 1 : 0;
    return own + EmptyLinksOf(node->Less) + EmptyLinksOf(node->Greater);
}

// Frees the subtree at node, children first; returns the nodes freed.
int FreeSubtree(TmyTreeNode* node)
{
    if (!node)
        return 0;
    int freed = FreeSubtree(node->Less) + FreeSubtree(node->Greater);
    delete node;
    return freed + 1;
}

bool IsRed(const TmyTreeNode* node)
{
    return node && node->Red;
}

}  // namespace

TmyBinaryTree::TmyBinaryTree() : RootNode(nullptr), NodeCount(0) {}

TmyBinaryTree::~TmyBinaryTree()
{
    Clear();
}

void* TmyBinaryTree::Find(uintptr_t key) const
{
    const TmyTreeNode* node = RootNode;
    while (node && node->Key != key)
        node = key < node->Key ? node->Less : node->Greater;
    return node ? node->Value : nullptr;
}

int TmyBinaryTree::Insert(uintptr_t key, void* value)
{
    TmyTreeNode* parent = nullptr;
    for (TmyTreeNode* node = RootNode; node; node = key < node->Key ? node->Less : node->Greater) {
        if (node->Key == key)
            return 0;
        parent = node;
    }
    auto* added = new TmyTreeNode{key, 1, nullptr, nullptr, parent, value};
    if (!parent)
        RootNode = added;
    else if (key < parent->Key)
        parent->Less = added;
    else
        parent->Greater = added;
    ++NodeCount;
    Rebalance(added);
    return 1;
}

int TmyBinaryTree::CollectValues(TmyList& list) const
{
    int visited = 0;
    Collect(RootNode, list, visited);
    return visited;
}

int TmyBinaryTree::Depth() const
{
    return DepthOf(RootNode);
}

int TmyBinaryTree::EmptyLinks() const
{
    return EmptyLinksOf(RootNode);
}

void TmyBinaryTree::Clear()
{
    NodeCount -= FreeSubtree(RootNode);
    RootNode = nullptr;
}

void TmyBinaryTree::Rebalance(TmyTreeNode* node)
{
    while (IsRed(node->Parent)) {
        TmyTreeNode* parent = node->Parent;
        TmyTreeNode* grandparent = parent->Parent;  // a red parent is never the root
        bool parentIsLess = parent == grandparent->Less;
        TmyTreeNode* uncle = parentIsLess ? grandparent->Greater : grandparent->Less;
        if (IsRed(uncle)) {
            parent->Red = 0;
            uncle->Red = 0;
            grandparent->Red = 1;
            node = grandparent;
            continue;
        }
        // Bring node to the outer side so one rotation at the grandparent finishes.
        if (parentIsLess && node == parent->Greater) {
            RotateTowardsLess(parent);
            node = parent;
        } else if (!parentIsLess && node == parent->Less) {
            RotateTowardsGreater(parent);
            node = parent;
        }
        node->Parent->Red = 0;
        grandparent->Red = 1;
        if (parentIsLess)
            RotateTowardsGreater(grandparent);
        else
            RotateTowardsLess(grandparent);
    }
    RootNode->Red = 0;
}

void TmyBinaryTree::RotateTowardsLess(TmyTreeNode* node)
{
    TmyTreeNode* head = node->Greater;
    node->Greater = head->Less;
    if (head->Less)
        head->Less->Parent = node;
    Replace(node, head);
    head->Less = node;
    node->Parent = head;
}

void TmyBinaryTree::RotateTowardsGreater(TmyTreeNode* node)
{
    TmyTreeNode* head = node->Less;
    node->Less = head->Greater;
    if (head->Greater)
        head->Greater->Parent = node;
    Replace(node, head);
    head->Greater = node;
    node->Parent = head;
}

void TmyBinaryTree::Replace(TmyTreeNode* node, TmyTreeNode* child)
{
    TmyTreeNode* parent = node->Parent;
    child->Parent = parent;
    if (!parent)
        RootNode = child;
    else if (node == parent->Less)
        parent->Less = child;
    else
        parent->Greater = child;
}
