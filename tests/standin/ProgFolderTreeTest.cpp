// The Start-menu folder tree: what it shows, in which order, and what a pick
// puts into the edit.
#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/standin/Standin.h"
#include "tests/standin/WizardFixture.h"
#include "tests/support/Scratch.h"


namespace {

class ProgFolderTreeTest : public WizardFixture {
 protected:
  void Folder(const std::string& relative) {
    ASSERT_TRUE(os::MakeSureDirectoryPathExists(std::string(kPrograms) + "\\" + relative + "\\"));
  }
  static std::vector<std::string> Texts(const std::vector<std::unique_ptr<ui::TTreeNode>>& nodes) {
    std::vector<std::string> texts;
    for (const auto& n : nodes) texts.push_back(n->Text);
    return texts;
  }
  ui::TTreeNode* Child(ui::TTreeNode* node, const std::string& text) {
    for (auto& c : node->Children)
      if (c->Text == text) return c.get();
    ADD_FAILURE() << "no node " << text;
    return nullptr;
  }
};

TEST_F(ProgFolderTreeTest, TreeShowsVisibleFoldersInLocaleOrder) {
  Folder("Games");
  Folder("accessories\\System Tools");
  Folder("accessories\\Entertainment");
  Folder("Old");
  Folder("Startup");
  ASSERT_TRUE(os::SetFileAttributesA(std::string(kPrograms) + "\\Old", os::FILE_ATTRIBUTE_HIDDEN));
  WriteFileBytes(std::string(kPrograms) + "\\Games\\Solitaire.lnk", "link");
  Start();
  GoTo(3);
  const auto& roots = main_->ProgFoldersTree.Roots();
  ASSERT_EQ(roots.size(), 1u);
  ui::TTreeNode* root = roots[0].get();
  EXPECT_EQ(root->Text, "Programs");
  EXPECT_TRUE(root->Expanded);
  EXPECT_EQ(Texts(root->Children), (std::vector<std::string>{"accessories", "Games", "Startup"}));
  ui::TTreeNode* accessories = Child(root, "accessories");
  EXPECT_EQ(Texts(accessories->Children),
            (std::vector<std::string>{"Entertainment", "System Tools"}));
  EXPECT_FALSE(accessories->Expanded);
  EXPECT_TRUE(Child(root, "Games")->Children.empty()) << "files are no nodes";
  for (const auto& node : root->Children) {
    EXPECT_EQ(node->ImageIndex, 0);
    EXPECT_EQ(node->SelectedIndex, 1);
  }
  EXPECT_EQ(root->ImageIndex, 0);
  EXPECT_EQ(root->SelectedIndex, 1);
  EXPECT_EQ(main_->ProgFoldersTree.Count(), 6u);
}

TEST_F(ProgFolderTreeTest, PickingAFolderFillsTheEditWithItsPath) {
  Folder("Accessories\\System Tools");
  Start();
  GoTo(3);
  ui::TTreeNode* root = main_->ProgFoldersTree.Roots()[0].get();
  main_->ProgFolderEdit.SetText("My Tools");
  ui::TTreeNode* accessories = Child(root, "Accessories");
  main_->ProgFoldersTree.Select(Child(accessories, "System Tools"));
  EXPECT_EQ(main_->ProgFolderEdit.Text(), "Accessories\\System Tools");
  main_->ProgFoldersTree.Select(accessories);
  EXPECT_EQ(main_->ProgFolderEdit.Text(), "Accessories");
  main_->ProgFoldersTree.Select(root);
  EXPECT_EQ(main_->ProgFolderEdit.Text(), "");
  main_->ProgFolderEdit.SetText("Typed");
  EXPECT_EQ(main_->ProgFoldersTree.Selected(), root) << "typing leaves the tree alone";
}

// Windows' tree selects its first node itself when it takes the focus with
// none selected: that is no pick of the user's, and Tab must not empty the
// folder (the shortcuts would land in the Programs folder itself).
TEST_F(ProgFolderTreeTest, OnlyTheUsersPickChangesTheFolder) {
  Folder("Accessories\\System Tools");
  Start();
  GoTo(3);
  ui::TTreeView& tree = main_->ProgFoldersTree;
  ui::TTreeNode* root = tree.Roots()[0].get();
  ASSERT_TRUE(main_->NextButton.Focused());
  while (!tree.Focused()) main_->KeyTab();
  EXPECT_EQ(tree.Highlighted(), root) << "the tree selected its first node";
  EXPECT_EQ(tree.Selected(), nullptr);
  EXPECT_EQ(main_->ProgFolderEdit.Text(), "Morvella");
  main_->KeyEnter();  // no push button has the focus: Next
  ASSERT_EQ(SetupPars.Page, 4);
  EXPECT_EQ(SetupPars.ProgFolder, "Morvella");
  EXPECT_EQ(main_->ConfirmMemo.Lines().back(), "   Programs | Morvella");

  // Back on the page, picks by keys or mouse set the edit, the root too.
  main_->BackButton.Click();
  tree.Select(Child(tree.Roots()[0].get(), "Accessories"));
  EXPECT_EQ(main_->ProgFolderEdit.Text(), "Accessories");
  tree.Select(tree.Roots()[0].get());
  EXPECT_EQ(main_->ProgFolderEdit.Text(), "");
  main_->NextButton.Click();
  EXPECT_EQ(SetupPars.ProgFolder, "");
}

TEST_F(ProgFolderTreeTest, TreeIsBuiltAnewAtEachEntry) {
  Folder("Games");
  Start();
  GoTo(4);
  Folder("Later");
  main_->BackButton.Click();
  ui::TTreeNode* root = main_->ProgFoldersTree.Roots()[0].get();
  EXPECT_EQ(Texts(root->Children), (std::vector<std::string>{"Games", "Later"}));
  EXPECT_TRUE(root->Expanded);
  EXPECT_EQ(main_->ProgFoldersTree.Selected(), nullptr);
  EXPECT_EQ(main_->ProgFolderEdit.Text(), "Morvella");
}

// Links back up would repeat the tree without end, two of them
// exponentially: they are shown but never entered.
TEST_F(ProgFolderTreeTest, LinksAreLeavesAndTheTreeStopsThirtyLevelsDown) {
  Folder("Games");
  for (const char* name : {"Loop", "Loop2"})
    ASSERT_TRUE(standin::PlaceLink(std::string(kPrograms) + "\\" + name, kPrograms));
  std::string deep = "Deep";
  for (int level = 2; level <= 35; ++level) deep += "\\L" + std::to_string(level);
  Folder(deep);
  Start();
  GoTo(3);
  ASSERT_EQ(SetupPars.Page, 3);
  ui::TTreeNode* root = main_->ProgFoldersTree.Roots()[0].get();
  EXPECT_EQ(Texts(root->Children), (std::vector<std::string>{"Deep", "Games", "Loop", "Loop2"}));
  EXPECT_TRUE(Child(root, "Loop")->Children.empty());
  EXPECT_TRUE(Child(root, "Loop2")->Children.empty());
  int depth = 0;
  for (ui::TTreeNode* node = Child(root, "Deep"); node; ++depth)
    node = node->Children.empty() ? nullptr : node->Children[0].get();
  EXPECT_EQ(depth, 30);
}

// Shortcuts saved through a link would land wherever it points.
TEST_F(ProgFolderTreeTest, StartMenuFolderThroughALinkIsRefused) {
  ASSERT_TRUE(os::MakeSureDirectoryPathExists("C:\\Elsewhere\\"));
  ASSERT_TRUE(standin::PlaceLink(std::string(kPrograms) + "\\Tools", "C:\\Elsewhere"));
  Start();
  GoTo(3);
  main_->ProgFolderEdit.SetText("Tools\\Morvella");
  main_->NextButton.Click();
  EXPECT_EQ(SetupPars.Page, 3);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_EQ(standin::MessageBoxes()[0].Text,
            std::string("The folder ") + kPrograms +
                "\\Tools is a link to another place.  Setup does not place shortcuts through "
                "links; choose another folder.");
  EXPECT_TRUE(FilesBelow("C:\\Elsewhere").empty());
}

// Every change of the tree's selection is the user's but the one it makes
// itself on taking the focus: one made by an accessibility tool
// (TVM_SELECTITEM), and a folder picked again after its branch was
// collapsed (the selection moved to its parent) and the edit typed into.
TEST_F(ProgFolderTreeTest, EverySelectionChangeButTheTreesOwnCounts) {
  Folder("Accessories\\System Tools");
  Start();
  GoTo(3);
  ui::TTreeView& tree = main_->ProgFoldersTree;
  ui::TTreeNode* accessories = Child(tree.Roots()[0].get(), "Accessories");
  ui::TTreeNode* tools = Child(accessories, "System Tools");
  tree.SelectionChanged(accessories, true);  // from outside
  EXPECT_EQ(main_->ProgFolderEdit.Text(), "Accessories");
  tree.Select(tools);
  EXPECT_EQ(main_->ProgFolderEdit.Text(), "Accessories\\System Tools");
  tree.SelectionChanged(accessories, true);  // its branch collapsed
  main_->ProgFolderEdit.SetText("Typed");
  tree.SelectionChanged(tools, true);  // opened and picked again
  EXPECT_EQ(main_->ProgFolderEdit.Text(), "Accessories\\System Tools");
  main_->ProgFolderEdit.SetText("Typed");
  tree.Picked(tools);  // a click on the node selected already
  EXPECT_EQ(main_->ProgFolderEdit.Text(), "Accessories\\System Tools");
}

}  // namespace
