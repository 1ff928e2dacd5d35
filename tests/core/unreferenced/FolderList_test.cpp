#include "unreferenced/FolderList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A tree of items numbered from 1 in the order they are added.
class FakeTree : public CheckTreeView {
 public:
  Item Add(Item parent, std::u16string text, int state) {
    nodes_.push_back({parent, std::move(text), state});
    return nodes_.size();
  }
  void SetState(Item item, int state) { nodes_[item - 1].state = state; }

  Item GetChildItem(Item item) const override { return NextWithParent(item, 0); }
  Item GetNextSiblingItem(Item item) const override {
    return NextWithParent(nodes_[item - 1].parent, item);
  }
  Item GetParentItem(Item item) const override { return nodes_[item - 1].parent; }
  std::u16string GetItemText(Item item) const override { return nodes_[item - 1].text; }
  int GetCheckState(Item item) const override { return nodes_[item - 1].state; }

 private:
  struct Node {
    Item parent;
    std::u16string text;
    int state;
  };
  Item NextWithParent(Item parent, Item after) const {
    for (Item i = after + 1; i <= nodes_.size(); ++i)
      if (nodes_[i - 1].parent == parent) return i;
    return kNoItem;
  }
  std::vector<Node> nodes_;
};

constexpr int kNone = -1, kOff = 0, kOn = 1;

std::vector<std::u16string> Paths(const CFolderList& list) {
  std::vector<std::u16string> paths;
  for (int i = 0; i < list.GetCount(); ++i) paths.push_back(list.GetAt(i));
  return paths;
}

TEST(FolderList, ACheckedFolderCoversTheCheckedItemsBelowIt) {
  FakeTree tree;
  const auto c = tree.Add(0, u"C:", kOn);
  const auto data = tree.Add(c, u"Data", kOn);
  tree.Add(data, u"Deep", kOn);
  const CFolderList list(&tree);
  EXPECT_EQ(Paths(list), (std::vector<std::u16string>{u"C:\\"}));
}

TEST(FolderList, SiblingsWithACommonBeginningAreListedApartNewestFirst) {
  FakeTree tree;
  const auto c = tree.Add(0, u"C:", kOff);
  tree.Add(c, u"Data", kOn);
  tree.Add(c, u"Data2", kOn);
  const auto d = tree.Add(0, u"D:", kOff);
  const auto x = tree.Add(d, u"x", kOff);
  tree.Add(x, u"y", kOn);
  const CFolderList list(&tree);
  EXPECT_EQ(Paths(list),
            (std::vector<std::u16string>{u"D:\\x\\y\\", u"C:\\Data2\\", u"C:\\Data\\"}));
  EXPECT_TRUE(list.IsPathCovered(u"C:\\Data\\sub\\"));
  EXPECT_TRUE(list.IsPathCovered(u"C:\\Data2\\"));
  EXPECT_FALSE(list.IsPathCovered(u"C:\\Data3\\"));
  EXPECT_FALSE(list.IsPathCovered(u"c:\\data\\"));
  EXPECT_FALSE(list.IsPathCovered(u"C:\\"));
}

TEST(FolderList, OnlyTickedCheckBoxesCount) {
  FakeTree tree;
  const auto root = tree.Add(0, u"This PC", kNone);
  tree.Add(root, u"A", kNone);
  tree.Add(root, u"B", kOff);
  tree.Add(root, u"C", kOn);
  const CFolderList list(&tree);
  EXPECT_EQ(Paths(list), (std::vector<std::u16string>{u"This PC\\C\\"}));
}

TEST(FolderList, EmptyTreesAndRebuilds) {
  FakeTree tree;
  CFolderList list(&tree);
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.GetAt(0), u"");
  EXPECT_FALSE(list.IsPathCovered(u"C:\\"));

  const auto c = tree.Add(0, u"C:", kOn);
  const auto data = tree.Add(c, u"Data", kOff);
  EXPECT_EQ(list.Rebuild(&tree), 0);
  EXPECT_EQ(Paths(list), (std::vector<std::u16string>{u"C:\\"}));
  tree.SetState(c, kOff);
  tree.SetState(data, kOn);
  list.Rebuild(&tree);
  EXPECT_EQ(Paths(list), (std::vector<std::u16string>{u"C:\\Data\\"}));
  EXPECT_EQ(list.GetAt(1), u"");
  EXPECT_EQ(list.GetAt(-1), u"");
  list.Rebuild(nullptr);
  EXPECT_EQ(list.GetCount(), 0);
}

TEST(FolderList, LongAndDeepPathsAreKeptWhole) {
  FakeTree tree;
  const std::u16string longName(1200, u'n');
  auto item = tree.Add(0, u"C:", kOff);
  item = tree.Add(item, longName + u"1", kOn);
  tree.Add(tree.Add(0, u"C:", kOff), longName + u"2", kOn);
  CheckTreeView::Item deep = tree.Add(0, u"E:", kOff);
  for (int level = 0; level < 3000; ++level) deep = tree.Add(deep, u"d", kOff);
  tree.SetState(deep, kOn);
  const CFolderList list(&tree);
  ASSERT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.GetAt(0).size(), 3u + 3000 * 2);
  EXPECT_EQ(list.GetAt(1), u"C:\\" + longName + u"2\\");
  EXPECT_EQ(list.GetAt(2), u"C:\\" + longName + u"1\\");
}

}  // namespace
