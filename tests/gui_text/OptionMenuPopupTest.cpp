// Clicking an option menu in a frame: where its pop-up menu opens, how the
// user's choice (by pointer or keys) comes back to the listener, and what a
// dismissed menu leaves.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "TextTestSupport.h"
#include "gui/COptionMenu.h"
#include "gui/COptionMenuPopup.h"

using namespace texttest;

namespace {

char* T(const char* text) { return const_cast<char*>(text); }

constexpr CRect kMenuRect(20, 30, 120, 50);

// The items' rectangles as the pop-up lays them out (window coordinates).
CPopupMenuLayout LayoutOf(std::initializer_list<CPopupMenuItem::EKind> kinds, std::initializer_list<const char*> texts,
                          long minWidth) {
  CPopupMenu menu;
  auto text = texts.begin();
  for (CPopupMenuItem::EKind kind : kinds) {
    CPopupMenuItem item;
    item.kind = kind;
    item.text = *text++;
    menu.items.push_back(item);
  }
  return LayoutPopupMenu(menu, minWidth);
}

// The screen point in the middle of item `index` of an open window.
CPoint ItemCentre(const CHeadlessPopup::Window& window, const CPopupMenuLayout& layout, size_t index) {
  const CRect& r = layout.items[index];
  return CPoint(window.area.left + (r.left + r.right) / 2, window.area.top + (r.top + r.bottom) / 2);
}

class OptionMenuPopupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    menu = new COptionMenu(kMenuRect, &listener, 7, nullptr, nullptr, 0);
    menu->addEntry(T("Low"));
    menu->addEntry(T("-"));
    menu->addEntry(T("High"));
    fixture.frame->addView(menu);
  }

  // Runs `steps` one per script call; later calls queue nothing (cancel).
  void Script(std::vector<std::function<void(CHeadlessPopup&)>> steps) {
    UseHeadlessPopups([this, steps](CHeadlessPopup& popup) {
      if (popup.ScriptRuns() <= static_cast<int>(steps.size())) steps[popup.ScriptRuns() - 1](popup);
      lastWindows = popup.Windows();
    });
  }

  CPopupMenuLayout RootLayout() const {
    return LayoutOf({CPopupMenuItem::kNormal, CPopupMenuItem::kSeparator, CPopupMenuItem::kNormal},
                    {"Low", "", "High"}, kMenuRect.width());
  }

  FrameFixture fixture;
  RecordingListener listener;
  COptionMenu* menu = nullptr;  // the frame's
  std::vector<CHeadlessPopup::Window> lastWindows;
};

}  // namespace

TEST_F(OptionMenuPopupTest, ReleaseOverAnEntryChoosesIt) {
  Script({[&](CHeadlessPopup& popup) {
    const CPoint high = ItemCentre(popup.Windows()[0], RootLayout(), 2);
    popup.QueueMove(high.h, high.v, kPlatformLeft);
    popup.QueueRelease(high.h, high.v);
  }});
  fixture.Click(30, 40);

  ASSERT_EQ(listener.heard.size(), 1u);
  EXPECT_EQ(listener.heard[0].control, menu);
  EXPECT_FLOAT_EQ(listener.heard[0].value, 2.0f);
  EXPECT_EQ(menu->getCurrent(), 2);
  EXPECT_EQ(menu->getLastResult(), 2);
  long index = -1;
  EXPECT_EQ(menu->getLastItemMenu(index), menu);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(fixture.editor->brackets, (std::vector<std::string>{"+7", "-7"}));
  EXPECT_EQ(fixture.frame->getFocusView(), nullptr);
  EXPECT_FALSE(menu->isMenuShown());
}

// Clicks that reach the editor in one pass of the host's events count one by
// one: the first opens the menu and returns with it open, the next closes it
// unchosen (as a click beside its list does), a third opens it again. The
// menu's thread hands a choice over to a later pass, on the host's thread.
TEST_F(OptionMenuPopupTest, ClicksInOnePassCountOneByOneAndTheMenusThreadHandsItsChoiceToALaterPass) {
  std::atomic<bool> choose{false};
  for (int clicks = 1; clicks <= 3; ++clicks) {
    SCOPED_TRACE(clicks);
    choose = false;
    UseHeadlessPopups([&](CHeadlessPopup& popup) {
      if (!choose.load()) return popup.Hold();
      popup.QueueKey(0, kVirtEnd);
      popup.QueueKey(0, kVirtReturn);
    });
    fixture.editor->brackets.clear();
    listener.heard.clear();
    std::vector<std::string> brackets;
    for (int i = 0; i < clicks; ++i) {
      fixture.window->Queue(frametest::MakeEvent(EPlatformEvent::kMouseDown, 30, 40, kMouseLeft));
      fixture.window->Queue(frametest::MakeEvent(EPlatformEvent::kMouseUp, 30, 40, 0));
      brackets.push_back(i % 2 ? "-7" : "+7");
    }
    fixture.editor->idle();
    const bool open = clicks % 2 == 1;
    EXPECT_EQ(menu->isMenuShown(), open);
    EXPECT_EQ(fixture.editor->brackets, brackets);
    // A menu closed before its thread showed it need not have shown.
    EXPECT_LE(HeadlessPopupSessions(), (clicks + 1) / 2);
    if (!open) {
      EXPECT_EQ(HeadlessPopupSessionsAlive(), 0);
      EXPECT_TRUE(listener.heard.empty());
      continue;
    }
    ASSERT_TRUE(Eventually([] { return HeadlessPopupSessionsAlive() == 1; }));

    choose = true;
    // The menu's thread destroys its session before it hands the choice over,
    // and only a pass of the host's events applies it.
    ASSERT_TRUE(Eventually([] { return HeadlessPopupSessionsAlive() == 0; }));
    EXPECT_TRUE(listener.heard.empty());
    fixture.SettleMenus();
    for (int i = 0; i < 3; ++i) fixture.editor->idle();
    ASSERT_EQ(listener.heard.size(), 1u);
    EXPECT_EQ(listener.heard[0].thread, std::this_thread::get_id()) << "told on the host's thread";
    EXPECT_FLOAT_EQ(listener.heard[0].value, 2.0f);
    EXPECT_EQ(menu->getCurrent(), 2);
    brackets.push_back("-7");
    EXPECT_EQ(fixture.editor->brackets, brackets);
    EXPECT_FALSE(menu->isMenuShown());
    menu->setCurrent(0);
  }
}

// A menu held open is cut short by what takes its control, window or editor
// away: its session and thread end at once, nothing is chosen, and the
// bracket its press opened closes once.
TEST(OptionMenuPopupCutTest, ControlOrWindowOrEditorGoingEndsTheMenusThreadUnchosen) {
  struct Cut {
    const char* name;
    void (*cut)(FrameFixture&, COptionMenu*);
    bool menuStays;
  };
  const Cut cuts[] = {
      {"the control removed",
       [](FrameFixture&, COptionMenu* m) { static_cast<CViewContainer*>(m->getParentView())->removeView(m); }, false},
      {"its container removed", [](FrameFixture& f, COptionMenu* m) { f.frame->removeView(m->getParentView()); },
       false},
      {"the window destroyed",
       [](FrameFixture& f, COptionMenu*) {
         f.window->Queue(frametest::MakeEvent(EPlatformEvent::kDestroyed));
         f.editor->idle();
       },
       true},
      {"the editor closed", [](FrameFixture& f, COptionMenu*) { f.editor->close(); }, false},
  };
  for (const Cut& c : cuts) {
    SCOPED_TRACE(c.name);
    FrameFixture fixture;
    RecordingListener listener;
    CViewContainer* box = new CViewContainer(CRect(0, 0, kFrameWidth, kFrameHeight), fixture.frame);
    fixture.frame->addView(box);
    COptionMenu* menu = new COptionMenu(kMenuRect, &listener, 7, nullptr, nullptr, 0);
    menu->addEntry(T("Low"));
    menu->addEntry(T("High"));
    box->addView(menu);
    menu->remember();  // for the checks after a removal
    const long held = menu->getNbReference();
    std::atomic<int> waits{0};
    // Held open for good: only the cut ends it.
    UseHeadlessPopups([&](CHeadlessPopup& popup) {
      waits.fetch_add(1);
      popup.Hold();
    });
    fixture.Press(30, 40);
    ASSERT_TRUE(Eventually([&] { return waits.load() >= 3; })) << "the menu waits on its thread";

    c.cut(fixture, menu);
    EXPECT_EQ(HeadlessPopupSessionsAlive(), 0) << "the session went with its thread";
    EXPECT_FALSE(menu->isMenuShown());
    for (int i = 0; i < 3 && c.menuStays; ++i) fixture.editor->idle();
    EXPECT_TRUE(listener.heard.empty());
    EXPECT_EQ(menu->getCurrent(), 0);
    EXPECT_EQ(menu->getLastResult(), -1);
    EXPECT_EQ(fixture.editor->brackets, (std::vector<std::string>{"+7", "-7"}));
    EXPECT_EQ(menu->getNbReference(), c.menuStays ? held : 1) << "the frame forgot it";
    menu->forget();
  }
}

TEST_F(OptionMenuPopupTest, MenuOpensBelowTheControlWithItsFirstEntryAtTheControlsCorner) {
  UseHeadlessPopups([&](CHeadlessPopup& popup) { lastWindows = popup.Windows(); });
  fixture.Click(30, 40);
  ASSERT_EQ(lastWindows.size(), 1u);
  const CPopupMenuLayout layout = RootLayout();
  EXPECT_EQ(lastWindows[0].area.left, kMenuRect.left);
  EXPECT_EQ(lastWindows[0].area.top + layout.items[0].top, kMenuRect.bottom);
  EXPECT_EQ(lastWindows[0].area.Width(), layout.width);
  EXPECT_GE(layout.width, kMenuRect.width()) << "at least as wide as the control";
  EXPECT_EQ(lastWindows[0].area.Height(), layout.height);
  EXPECT_TRUE(listener.heard.empty());

  menu->setStyle(kStylePopup);
  fixture.Click(30, 40);
  EXPECT_EQ(lastWindows[0].area.top + layout.items[0].top, kMenuRect.top) << "pop-up style: at the top";
}

TEST_F(OptionMenuPopupTest, HostWindowPositionMovesTheMenuOnTheScreen) {
  // The host's window lies at (100, 200) on the screen.
  static PlatformRect seen;
  SetPlatformPopupFactoryForTesting([](void* host) -> std::unique_ptr<CPlatformPopup> {
    auto popup = std::make_unique<CHeadlessPopup>(host, [](CHeadlessPopup& p) { seen = p.Windows()[0].area; });
    popup->SetHostOrigin(100, 200);
    return popup;
  });
  fixture.Click(30, 40);
  EXPECT_EQ(seen.left, 100 + kMenuRect.left);
  EXPECT_EQ(seen.top + RootLayout().items[0].top, 200 + kMenuRect.bottom);
}

TEST_F(OptionMenuPopupTest, NearTheScreensBottomTheMenuMovesUp) {
  static PlatformRect seen;
  static PlatformRect screen;
  SetPlatformPopupFactoryForTesting([](void* host) -> std::unique_ptr<CPlatformPopup> {
    auto popup = std::make_unique<CHeadlessPopup>(host, [](CHeadlessPopup& p) { seen = p.Windows()[0].area; });
    popup->SetScreen(screen);
    return popup;
  });
  const CPopupMenuLayout layout = RootLayout();
  const long itemHeight = (layout.height + 2) / 3;

  // Room enough below: the ordinary place.
  screen = {0, 0, 800, static_cast<int>(kMenuRect.bottom + layout.height + itemHeight)};
  fixture.Click(30, 40);
  EXPECT_EQ(seen.top + layout.items[0].top, kMenuRect.bottom);

  // Not enough room: the menu ends one item height above the screen's bottom.
  screen = {0, 0, 800, static_cast<int>(kMenuRect.bottom + layout.height / 2)};
  fixture.Click(30, 40);
  EXPECT_EQ(seen.top + layout.items[0].top, screen.bottom - layout.height - itemHeight);

  // A screen lower than the menu: the window stays on the screen.
  screen = {0, 0, 800, static_cast<int>(itemHeight * 2)};
  fixture.Click(30, 40);
  EXPECT_GE(seen.top, screen.top);
  EXPECT_LE(seen.bottom, screen.bottom);
  EXPECT_TRUE(listener.heard.empty());
}

TEST_F(OptionMenuPopupTest, DismissingLeavesTheValueAndTellsNobody) {
  menu->setCurrent(2);
  menu->setValue(2.0f);
  Script({[&](CHeadlessPopup& popup) {
    const PlatformRect& area = popup.Windows()[0].area;
    popup.QueueMove(area.left + 5, area.top + 5);
    popup.QueuePress(area.right + 40, area.bottom + 40);  // outside every menu
  }});
  fixture.Click(30, 40);
  EXPECT_TRUE(listener.heard.empty());
  EXPECT_EQ(menu->getCurrent(), 2);
  EXPECT_EQ(menu->getLastResult(), -1);
  long index = 0;
  EXPECT_EQ(menu->getLastItemMenu(index), nullptr);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(fixture.editor->brackets, (std::vector<std::string>{"+7", "-7"})) << "the bracket opens and closes";

  Script({[](CHeadlessPopup& popup) { popup.QueueKey(0, kVirtEscape); }});
  fixture.Click(30, 40);
  EXPECT_TRUE(listener.heard.empty());
}

TEST_F(OptionMenuPopupTest, OpeningClickReleasedBesideTheMenuKeepsItOpen) {
  bool stillOpen = false;
  Script({[&](CHeadlessPopup& popup) { popup.QueueRelease(30, 45); },  // on the control
          [&](CHeadlessPopup& popup) {
            stillOpen = popup.Windows()[0].open;
            const CPoint low = ItemCentre(popup.Windows()[0], RootLayout(), 0);
            popup.QueuePress(low.h, low.v);
            popup.QueueRelease(low.h, low.v);
          }});
  menu->setCurrent(2);
  fixture.Click(30, 40);
  EXPECT_TRUE(stillOpen);
  ASSERT_EQ(listener.heard.size(), 1u);
  EXPECT_FLOAT_EQ(listener.heard[0].value, 0.0f);

  // Once the pointer has been over a menu, a release beside it dismisses.
  Script({[&](CHeadlessPopup& popup) {
    const CPoint low = ItemCentre(popup.Windows()[0], RootLayout(), 0);
    popup.QueueMove(low.h, low.v, kPlatformLeft);
    popup.QueueRelease(low.h + 500, low.v);
    popup.QueueKey(0, kVirtReturn);  // would choose Low if the menu were still open
  }});
  fixture.Click(30, 40);
  EXPECT_EQ(listener.heard.size(), 1u);
}

TEST_F(OptionMenuPopupTest, SeparatorsAndDisabledEntriesCannotBeChosen) {
  menu->addEntry(T("-GOff"));
  menu->addEntry(T("-TTitle"));
  const CPopupMenuLayout layout =
      LayoutOf({CPopupMenuItem::kNormal, CPopupMenuItem::kSeparator, CPopupMenuItem::kNormal, CPopupMenuItem::kDisabled,
                CPopupMenuItem::kTitle},
               {"Low", "", "High", "Off", "Title"}, kMenuRect.width());
  Script({[&](CHeadlessPopup& popup) {
    for (size_t i : {1u, 3u, 4u}) {
      const CPoint p = ItemCentre(popup.Windows()[0], layout, i);
      popup.QueuePress(p.h, p.v);
      popup.QueueRelease(p.h, p.v);
    }
    // Keys skip them too: from the top, Down twice lands on High.
    popup.QueueKey(0, kVirtHome);
    popup.QueueKey(0, kVirtDown);
    popup.QueueKey(0, kVirtDown);
    popup.QueueKey(0, kVirtReturn);
  }});
  fixture.Click(30, 40);
  ASSERT_EQ(listener.heard.size(), 1u);
  EXPECT_FLOAT_EQ(listener.heard[0].value, 2.0f);
}

TEST_F(OptionMenuPopupTest, SubMenuChoiceGoesToTheSubMenu) {
  COptionMenu* sub = new COptionMenu(CRect(0, 0, 10, 10), nullptr, 9);
  sub->addEntry(T("One"));
  sub->addEntry(T("Two"));
  menu->addEntry(sub, T("More"));
  sub->forget();  // the menu keeps it
  Script({[](CHeadlessPopup& popup) {
    popup.QueueKey(0, kVirtEnd);    // More
    popup.QueueKey(0, kVirtRight);  // opens it, One lit
    popup.QueueKey(0, kVirtDown);   // Two
    popup.QueueKey(0, kVirtReturn);
  }});
  fixture.Click(30, 40);
  ASSERT_EQ(listener.heard.size(), 1u);
  EXPECT_EQ(listener.heard[0].control, sub) << "the sub-menu is the control the listener hears";
  EXPECT_FLOAT_EQ(listener.heard[0].value, 1.0f);
  EXPECT_EQ(menu->getCurrent(), 0) << "the parent's current entry stays";
  long index = -1;
  EXPECT_EQ(menu->getLastItemMenu(index), sub);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(menu->getLastResult(), 1);
}

TEST_F(OptionMenuPopupTest, RestingOnASubMenuEntryOpensItBesideTheEntry) {
  COptionMenu* sub = new COptionMenu(CRect(0, 0, 10, 10), nullptr, 9);
  sub->addEntry(T("One"));
  sub->addEntry(T("Two"));
  menu->addEntry(sub, T("More"));
  sub->forget();
  const CPopupMenuLayout root =
      LayoutOf({CPopupMenuItem::kNormal, CPopupMenuItem::kSeparator, CPopupMenuItem::kNormal, CPopupMenuItem::kSubMenu},
               {"Low", "", "High", "More"}, kMenuRect.width());
  const CPopupMenuLayout inner = LayoutOf({CPopupMenuItem::kNormal, CPopupMenuItem::kNormal}, {"One", "Two"}, 0);
  Script({[&](CHeadlessPopup& popup) {
            const CPoint more = ItemCentre(popup.Windows()[0], root, 3);
            popup.QueueMove(more.h, more.v);
          },
          [&](CHeadlessPopup& popup) {
            ASSERT_EQ(popup.OpenWindows().size(), 2u);
            const CHeadlessPopup::Window& parent = popup.Windows()[0];
            const CHeadlessPopup::Window& child = *popup.OpenWindows()[1];
            EXPECT_EQ(child.area.left, parent.area.right - 3);
            EXPECT_EQ(child.area.top + inner.items[0].top, parent.area.top + root.items[3].top);
            // Back over High closes it again; then into the sub-menu and choose.
            const CPoint high = ItemCentre(parent, root, 2);
            popup.QueueMove(high.h, high.v);
          },
          [&](CHeadlessPopup& popup) {
            EXPECT_EQ(popup.OpenWindows().size(), 1u);
            const CPoint more = ItemCentre(popup.Windows()[0], root, 3);
            popup.QueueMove(more.h, more.v);
          },
          [&](CHeadlessPopup& popup) {
            const CPoint two = ItemCentre(*popup.OpenWindows()[1], inner, 1);
            popup.QueuePress(two.h, two.v);
            popup.QueueRelease(two.h, two.v);
          }});
  fixture.Click(30, 40);
  ASSERT_EQ(listener.heard.size(), 1u);
  EXPECT_FLOAT_EQ(listener.heard[0].value, 1.0f);
  EXPECT_NE(listener.heard[0].control, menu);
}

TEST_F(OptionMenuPopupTest, OnlyLeftRightOrControlClicksOpenAndModifierClicksMayBeTaken) {
  UseHeadlessPopups([](CHeadlessPopup&) {});
  fixture.Click(30, 40, kMouseMiddle);
  EXPECT_EQ(HeadlessPopupSessions(), 0);
  EXPECT_TRUE(fixture.editor->brackets.empty());
  fixture.Click(30, 40, kMouseRight);
  EXPECT_EQ(HeadlessPopupSessions(), 1);
  EXPECT_EQ(menu->getLastButton(), kMouseRight);

  listener.takeModifierClicks = true;
  fixture.Click(30, 40, kMouseLeft | kModifierShift);
  EXPECT_EQ(HeadlessPopupSessions(), 1) << "the listener took the click";
  ASSERT_EQ(listener.modifierClicks.size(), 1u);
  EXPECT_EQ(listener.modifierClicks[0], kMouseLeft | kModifierShift);
  listener.takeModifierClicks = false;
  fixture.Click(30, 40, kMouseLeft | kModifierShift);
  EXPECT_EQ(HeadlessPopupSessions(), 2);
}

TEST_F(OptionMenuPopupTest, EmptyMenuOpensNothingButClosesItsBracket) {
  menu->removeAllEntry();
  UseHeadlessPopups([](CHeadlessPopup&) {});
  fixture.Click(30, 40);
  EXPECT_EQ(HeadlessPopupSessions(), 0);
  EXPECT_EQ(fixture.editor->brackets, (std::vector<std::string>{"+7", "-7"}));
  EXPECT_EQ(fixture.frame->getFocusView(), nullptr);
}

TEST_F(OptionMenuPopupTest, CheckMarkAndHighlightAreDrawn) {
  menu->setStyle(kStyleCheck);
  menu->setCurrent(2);
  const CPopupMenuLayout layout = RootLayout();
  uint32_t lit = 0;
  long marked[3] = {0, 0, 0};
  Script({[&](CHeadlessPopup& popup) {
    const CHeadlessPopup::Window& window = popup.Windows()[0];
    for (size_t i : {0u, 2u}) {
      const CRect& r = layout.items[i];
      for (long y = r.top; y < r.bottom; ++y)
        for (long x = r.left + 4; x < r.left + 18; ++x)
          if ((popup.PixelAt(0, window.area.left + x, window.area.top + y) & 0xFFFFFF) < 0x404040) ++marked[i];
    }
    const CPoint low = ItemCentre(window, layout, 0);
    popup.QueueMove(low.h, low.v);
  },
          [&](CHeadlessPopup& popup) {
            const CHeadlessPopup::Window& window = popup.Windows()[0];
            // Far right of the item: no text there, only the highlight.
            lit = popup.PixelAt(0, window.area.left + layout.items[0].right - 3,
                                window.area.top + layout.items[0].top + 2);
          }});
  fixture.Click(30, 40);
  EXPECT_EQ(marked[0], 0) << "only the current entry carries the mark";
  EXPECT_GT(marked[2], 4);
  EXPECT_EQ(lit & 0xFFFFFF, 0x3366CCu);
}
