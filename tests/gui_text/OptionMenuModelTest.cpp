// The option menu's entries, current entry, check marks and sub-menus, and
// the pop-up menus built from them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "TextTestSupport.h"
#include "framework/FrameworkTestSupport.h"
#include "gui/COptionMenu.h"
#include "gui/COptionMenuPopup.h"

namespace {

char* T(const char* text) { return const_cast<char*>(text); }

std::string Entry(const COptionMenu& menu, long index) {
  char text[kParamDisplayTextSize] = "unchanged";
  if (!menu.getEntry(index, text)) return "<none>";
  return text;
}

// Owned by the test: forgotten at the end of the scope.
struct Menu {
  explicit Menu(long style = 0) : menu(new COptionMenu(CRect(0, 0, 80, 20), nullptr, 7, nullptr, nullptr, style)) {}
  ~Menu() { menu->forget(); }
  COptionMenu* operator->() const { return menu; }
  COptionMenu& operator*() const { return *menu; }
  COptionMenu* menu;
};

}  // namespace

TEST(OptionMenuModelTest, CurrentEntryCountsOrSkipsSeparatorsAndTitles) {
  Menu menu;
  EXPECT_EQ(menu->getCurrent(), -1) << "no entry, no current one";
  ASSERT_TRUE(menu->addEntry(T("Low")));
  EXPECT_EQ(menu->getCurrent(), 0) << "the first entry becomes current";
  menu->addEntry(T("-"));
  menu->addEntry(T("-TMore"));
  menu->addEntry(T("High"));

  ASSERT_TRUE(menu->setCurrent(3, true));
  char text[kParamDisplayTextSize];
  EXPECT_EQ(menu->getCurrent(text, true), 3);
  EXPECT_STREQ(text, "High");
  EXPECT_EQ(menu->getCurrent(nullptr, false), 1) << "separator and title are not counted";

  EXPECT_FALSE(menu->setCurrent(1, true)) << "a separator cannot be current";
  EXPECT_EQ(menu->getCurrent(), 3);
  ASSERT_TRUE(menu->setCurrent(0, false));
  EXPECT_EQ(menu->getCurrent(), 0);
  ASSERT_TRUE(menu->setCurrent(1, false));
  EXPECT_EQ(menu->getCurrent(), 3) << "the second choosable entry is High";
  EXPECT_FALSE(menu->setCurrent(4, false));
  EXPECT_FALSE(menu->setCurrent(-1, true));
}

TEST(OptionMenuModelTest, ValueSelectsTheEntryAtItsTruncation) {
  Menu menu;
  menu->addEntry(T("A"));
  menu->addEntry(T("B"));
  menu->addEntry(T("C"));
  menu->setDirty(false);
  menu->setValue(2.9f);
  EXPECT_EQ(menu->getCurrent(), 2);
  EXPECT_FLOAT_EQ(menu->getValue(), 2.9f);
  EXPECT_TRUE(menu->isDirty());
  menu->setValue(3.0f);
  EXPECT_EQ(menu->getCurrent(), 2) << "outside the entries: ignored";
  EXPECT_FLOAT_EQ(menu->getValue(), 2.9f);
  menu->setValue(-0.5f);
  EXPECT_EQ(menu->getCurrent(), 0) << "truncation toward zero";
  menu->setValue(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(menu->getCurrent(), 0);
}

TEST(OptionMenuModelTest, PrefixNumbersAreStoredButNotShown) {
  Menu menu;
  menu->setPrefixNumbers(2);
  menu->addEntry(T("Low"));
  menu->addEntry(T("High"));
  EXPECT_EQ(Entry(*menu, 0), "1 Low");
  EXPECT_EQ(Entry(*menu, 1), "2 High");
  menu->setPrefixNumbers(3);
  menu->addEntry(T("Top"));
  EXPECT_EQ(Entry(*menu, 2), "03 Top");
  menu->setPrefixNumbers(4);
  menu->addEntry(T("Max"));
  EXPECT_EQ(Entry(*menu, 3), "004 Max");
  menu->setPrefixNumbers(1);
  menu->addEntry(T("Raw"));
  EXPECT_EQ(Entry(*menu, 4), "Raw") << "other widths add no prefix";

  // The menu shows the stored text, prefix and all.
  CPopupMenuTree tree;
  long offset = 0;
  menu->appendItems(tree, offset);
  EXPECT_EQ(tree.menus[0].items[0].text, "1 Low");
}

TEST(OptionMenuModelTest, InsertingAndRemovingKeepTheCurrentEntryAndChecks) {
  Menu menu;
  menu->addEntry(T("a"));
  menu->addEntry(T("b"));
  menu->addEntry(T("c"));
  menu->setCurrent(2);
  menu->checkEntry(1, true);

  ASSERT_TRUE(menu->addEntry(T("new"), 1));
  EXPECT_EQ(Entry(*menu, 1), "new");
  EXPECT_EQ(Entry(*menu, 2), "b");
  EXPECT_EQ(menu->getCurrent(), 3) << "the current entry moved up with its text";
  EXPECT_FALSE(menu->isCheckEntry(1)) << "a new entry starts unchecked";
  EXPECT_TRUE(menu->isCheckEntry(2)) << "the check mark moved with its entry";
  ASSERT_TRUE(menu->addEntry(T("end"), 99));
  EXPECT_EQ(Entry(*menu, 4), "end") << "past the end: appended";
  EXPECT_EQ(menu->getCurrent(), 3);

  ASSERT_TRUE(menu->removeEntry(0));
  EXPECT_EQ(Entry(*menu, 0), "new");
  EXPECT_EQ(menu->getCurrent(), 2) << "removing an entry before the current one";
  EXPECT_TRUE(menu->isCheckEntry(1));
  EXPECT_EQ(menu->getNbEntries(), 4);
  EXPECT_FALSE(menu->removeEntry(4));
  EXPECT_EQ(menu->getIndex(T("end")), 3);
  EXPECT_EQ(menu->getIndex(T("gone")), -1);
  EXPECT_EQ(menu->getIndex(nullptr), -1);

  Menu single;
  single->addEntry(T("only"));
  single->removeEntry(0);
  EXPECT_EQ(single->getCurrent(), -1) << "no entry left, no current one";
  EXPECT_EQ(single->getNbEntries(), 0);
}

TEST(OptionMenuModelTest, EntryTextsAreCutToTheirBuffers) {
  Menu menu;
  const std::string longText(400, 'x');
  ASSERT_TRUE(menu->addEntry(const_cast<char*>(longText.c_str())));
  EXPECT_EQ(Entry(*menu, 0), std::string(255, 'x'));
  menu->setPrefixNumbers(4);
  ASSERT_TRUE(menu->addEntry(const_cast<char*>(longText.c_str())));
  EXPECT_EQ(Entry(*menu, 1), "002 " + std::string(251, 'x'));
  ASSERT_TRUE(menu->setEntry(0, const_cast<char*>(longText.c_str())));
  EXPECT_EQ(Entry(*menu, 0).size(), 255u);
  ASSERT_TRUE(menu->setEntry(0, nullptr));
  EXPECT_EQ(Entry(*menu, 0).size(), 255u) << "a null text changes nothing";
  EXPECT_FALSE(menu->setEntry(2, T("x")));
  EXPECT_EQ(Entry(*menu, 5), "<none>");
}

TEST(OptionMenuModelTest, AtMostATousandAndTwentyFourEntries) {
  Menu menu;
  for (long i = 0; i < kOptionMenuMaxEntries; ++i) ASSERT_TRUE(menu->addEntry(T("e"))) << i;
  EXPECT_FALSE(menu->addEntry(T("one too many")));
  Menu sub;
  EXPECT_FALSE(menu->addEntry(sub.menu, T("sub")));
  EXPECT_EQ(menu->getNbEntries(), kOptionMenuMaxEntries);
  ASSERT_TRUE(menu->removeAllEntry());
  EXPECT_EQ(menu->getNbEntries(), 0);
  EXPECT_EQ(menu->getCurrent(), -1);
  EXPECT_TRUE(menu->addEntry(T("again")));
}

TEST(OptionMenuModelTest, MultipleCheckTogglesTheChosenEntrysMark) {
  Menu menu(kStyleMultipleCheck);
  menu->addEntry(T("a"));
  menu->addEntry(T("b"));
  menu->setValue(1.0f);
  EXPECT_TRUE(menu->isCheckEntry(1));
  menu->setCurrent(1);
  EXPECT_FALSE(menu->isCheckEntry(1));
  menu->setValue(0.0f);
  EXPECT_TRUE(menu->isCheckEntry(0));
  menu->checkEntryAlone(1);
  EXPECT_FALSE(menu->isCheckEntry(0));
  EXPECT_TRUE(menu->isCheckEntry(1));
  EXPECT_FALSE(menu->checkEntry(2, true));
  EXPECT_FALSE(menu->isCheckEntry(-1));
}

TEST(OptionMenuModelTest, SubMenusAreRememberedAndForgotten) {
  COptionMenu* sub = new COptionMenu(CRect(0, 0, 10, 10), nullptr, 0);
  {
    Menu menu;
    EXPECT_FALSE(menu->addEntry(static_cast<COptionMenu*>(nullptr), T("x")));
    EXPECT_FALSE(menu->addEntry(sub, nullptr));
    ASSERT_TRUE(menu->addEntry(sub, T("More")));
    EXPECT_EQ(sub->getNbReference(), 2);
    EXPECT_EQ(Entry(*menu, 0), "-MMore");
    EXPECT_EQ(menu->getSubMenu(0), sub);
    EXPECT_EQ(menu->getSubMenu(1), nullptr);
    EXPECT_EQ(menu->getCurrent(), 0);
    menu->setPrefixNumbers(3);
    menu->addEntry(sub, T("Again"));
    EXPECT_EQ(Entry(*menu, 1), "-M02 Again");
  }
  EXPECT_EQ(sub->getNbReference(), 1) << "the menu forgot its sub-menus";
  sub->forget();
}

TEST(OptionMenuModelTest, BuiltMenusMirrorTheEntries) {
  Menu sub;
  sub->addEntry(T("One"));
  sub->addEntry(T("Two"));
  Menu menu(kStyleCheck);
  menu->addEntry(T("-TTitle"));
  menu->addEntry(T("Copy\tCtrl+C"));
  menu->addEntry(T("-"));
  menu->addEntry(sub.menu, T("More"));
  menu->addEntry(T("-GOff"));
  menu->addEntry(T("-MOrphan"));
  menu->addEntry(T("Last"));
  menu->setCurrent(6);

  CPopupMenuTree tree;
  long offset = 0;
  ASSERT_EQ(menu->appendItems(tree, offset), 0);
  EXPECT_EQ(offset, 9) << "grows by the entries of every menu built";
  ASSERT_EQ(tree.menus.size(), 2u);
  const std::vector<CPopupMenuItem>& items = tree.menus[0].items;
  ASSERT_EQ(items.size(), 7u) << "one item per entry, so item numbers are entry numbers";
  EXPECT_EQ(items[0].kind, CPopupMenuItem::kTitle);
  EXPECT_EQ(items[1].kind, CPopupMenuItem::kNormal);
  EXPECT_EQ(items[1].text, "Copy");
  EXPECT_EQ(items[1].shortcut, "Ctrl+C");
  EXPECT_EQ(items[2].kind, CPopupMenuItem::kSeparator);
  EXPECT_EQ(items[3].kind, CPopupMenuItem::kSubMenu);
  EXPECT_EQ(items[3].subMenu, 1);
  EXPECT_EQ(items[4].kind, CPopupMenuItem::kDisabled);
  EXPECT_EQ(items[5].kind, CPopupMenuItem::kDisabled) << "a sub-menu entry without a sub-menu left";
  EXPECT_EQ(items[5].text, "Orphan");
  for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i].checked, i == 6) << i;

  EXPECT_EQ(tree.menus[1].items.size(), 2u);
  EXPECT_EQ(tree.menus[0].menuID, menu->getMenuID());
  EXPECT_EQ(tree.menus[1].menuID, sub->getMenuID());
  EXPECT_NE(menu->getMenuID(), sub->getMenuID());

  long index = -1;
  long id = sub->getMenuID();
  EXPECT_EQ(menu->getItemMenu(1, index, id), sub.menu);
  EXPECT_EQ(index, 1);
  id = menu->getMenuID();
  EXPECT_EQ(menu->getItemMenu(4, index, id), menu.menu);
  EXPECT_EQ(index, 4);
  id = 0;
  EXPECT_EQ(menu->getItemMenu(4, index, id), nullptr);
}

TEST(OptionMenuModelTest, MultipleCheckShowsEveryMarkedEntry) {
  Menu menu(kStyleMultipleCheck | kStyleCheck);
  menu->addEntry(T("a"));
  menu->addEntry(T("b"));
  menu->addEntry(T("c"));
  menu->checkEntry(0, true);
  menu->checkEntry(2, true);
  menu->setCurrent(1, true);  // toggles b on
  menu->checkEntry(1, false);
  CPopupMenuTree tree;
  long offset = 0;
  menu->appendItems(tree, offset);
  EXPECT_TRUE(tree.menus[0].items[0].checked);
  EXPECT_FALSE(tree.menus[0].items[1].checked) << "the current entry is not marked for being current";
  EXPECT_TRUE(tree.menus[0].items[2].checked);
}

TEST(OptionMenuModelTest, AMenuInsideItselfStopsNesting) {
  Menu menu;
  menu->addEntry(T("x"));
  menu->addEntry(menu.menu, T("Self"));
  CPopupMenuTree tree;
  long offset = 0;
  ASSERT_EQ(menu->appendItems(tree, offset), 0);
  EXPECT_LE(tree.menus.size(), 16u);
  EXPECT_EQ(tree.menus.back().items[1].kind, CPopupMenuItem::kDisabled) << "the innermost cannot open again";
  menu->removeAllEntry();  // breaks the cycle of references
}

TEST(OptionMenuModelTest, APopupRunLeftInAForkedChildIsSetAsideUnjoined) {
  std::atomic<int> waits{0};
  UseHeadlessPopups([&](CHeadlessPopup& popup) {
    waits.fetch_add(1);
    popup.Hold();
  });
  CPopupMenuTree tree;
  tree.menus.resize(1);
  tree.menus[0].items.resize(2);
  auto run = std::make_unique<CPopupMenuRun>(nullptr, std::move(tree), CPopupMenuPlacement{});
  // Forked while the menu's thread waits, allocating nothing.
  ASSERT_TRUE(texttest::Eventually([&] { return waits.load() >= 3; }));
  // The child's first thread gets the id of the parent's menu thread: a join
  // of that would wait for it, and then it could not be joined again.
  EXPECT_EQ(fxtest::InForkedChild([&] {
              std::thread own([] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); });
              run.reset();
              own.join();
              return 0;
            }),
            0)
      << "the child's run let the parent's thread be";
  run.reset();
  EXPECT_EQ(HeadlessPopupSessionsAlive(), 0);
  UseHeadlessPopups(nullptr);
}
