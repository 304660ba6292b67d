#include "myStringList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Target of OnChange: notes the list and its strings each time it fires.
class ChangeListener : public TmyObject {
public:
    int OnListChange(TmyStringList* list)
    {
        std::string joined;
        for (unsigned i = 0; i < list->Count(); ++i)
            joined += std::string(list->String(i).c_str()) + ";";
        Lists.push_back(list);
        Contents.push_back(joined);
        return 0;
    }
    std::vector<TmyStringList*> Lists;
    std::vector<std::string> Contents;
};

class StringListTest : public ::testing::Test {
protected:
    ChangeListener listener;

    void Listen(TmyStringList& list) { list.OnChange.Set(&listener, &ChangeListener::OnListChange); }
};

TEST_F(StringListTest, ChangeFiresWithListAfterEachInsertAndRemove)
{
    TmyStringList list;
    Listen(list);
    EXPECT_EQ(0, list.InsertString("b", -1));
    EXPECT_EQ(0, list.InsertString("a", 0));
    EXPECT_EQ(nullptr, list.Remove(1));
    EXPECT_EQ((std::vector<TmyStringList*>{&list, &list, &list}), listener.Lists);
    EXPECT_EQ((std::vector<std::string>{"b;", "a;b;", "a;"}), listener.Contents);
}

TEST_F(StringListTest, RemovingBeyondCountFiresNothing)
{
    TmyStringList list;
    list.InsertString("a", -1);
    Listen(list);
    EXPECT_EQ(nullptr, list.Remove(1));
    EXPECT_TRUE(listener.Lists.empty());
    EXPECT_EQ(1u, list.Count());
}

TEST_F(StringListTest, ReadingBeyondCountGivesSharedEmptyString)
{
    TmyStringList list;
    list.InsertString("a", -1);
    EXPECT_TRUE(list.String(0) == "a");
    EXPECT_EQ(&myEmptyString, &list.String(1));
}

TEST_F(StringListTest, DestructionFiresNothingAndReleasesStrings)
{
    TmyString text("shared");
    auto* list = new TmyStringList(1, 0);
    list->InsertString(text, -1);
    list->InsertString(text, -1);
    EXPECT_EQ(3, text.References());
    Listen(*list);
    delete list;
    EXPECT_TRUE(listener.Lists.empty());
    EXPECT_EQ(1, text.References());
}

TEST_F(StringListTest, FullListRefusesStringWithoutKeepingIt)
{
    TmyString text("shared");
    TmyStringList list(1, 1);
    list.InsertString(text, -1);
    Listen(list);
    EXPECT_EQ(-1, list.InsertString(text, -1));
    EXPECT_TRUE(listener.Lists.empty());
    EXPECT_EQ(2, text.References());
}

}  // namespace
