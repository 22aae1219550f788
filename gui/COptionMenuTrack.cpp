// The option menu's click: building its pop-up menus, placing them at the
// control, running them and handing the choice to the menu that holds it.
#include <algorithm>
#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/COptionMenu.h"
#include "gui/COptionMenuEntry.h"
#include "gui/COptionMenuPopup.h"
#include "platform/PlatformPopup.h"

XR_REGISTER_SOURCE_FILE("gui/COptionMenuTrack.cpp");

namespace {

// Sub-menus nest at most this deep; a menu that holds itself stops there.
constexpr int kMaxMenuDepth = 16;

// Menu ids of built menus: unique among the menus of one pop-up, in 1..0x7FFF
// so that a choice packs into 32 bits. User-interface thread only.
long g_nNextMenuID = 1;

long TakeMenuID() {
  const long id = g_nNextMenuID;
  g_nNextMenuID = g_nNextMenuID >= 0x7FFF ? 1 : g_nNextMenuID + 1;
  return id;
}

CPopupMenuItem::EKind ItemKind(EMenuEntryKind kind) {
  switch (kind) {
    case kMenuEntrySeparator: return CPopupMenuItem::kSeparator;
    case kMenuEntrySubMenu: return CPopupMenuItem::kSubMenu;
    case kMenuEntryDisabled: return CPopupMenuItem::kDisabled;
    case kMenuEntryTitle: return CPopupMenuItem::kTitle;
    case kMenuEntryNormal: break;
  }
  return CPopupMenuItem::kNormal;
}

}  // namespace

int COptionMenu::appendItems(CPopupMenuTree& tree, long& offsetIdx) { return appendItemsAt(tree, offsetIdx, 0); }

int COptionMenu::appendItemsAt(CPopupMenuTree& tree, long& offsetIdx, int depth) {
  if (depth >= kMaxMenuDepth) return -1;
  menuID = TakeMenuID();
  const int self = static_cast<int>(tree.menus.size());
  tree.menus.emplace_back();
  tree.menus[static_cast<size_t>(self)].menuID = menuID;
  offsetIdx += nbEntries;

  std::vector<CPopupMenuItem> items;
  long subMenuCount = 0;
  for (long i = 0; i < nbEntries; ++i) {
    const CMenuEntryInfo info = ParseMenuEntry(entries[i]);
    CPopupMenuItem item;
    item.kind = ItemKind(info.kind);
    item.text = info.text;
    if (info.kind == kMenuEntrySubMenu) {
      int child = -1;
      if (subMenuCount < nbSubMenus && subMenus[subMenuCount])
        child = subMenus[subMenuCount]->appendItemsAt(tree, offsetIdx, depth + 1);
      if (child >= 0) {
        item.subMenu = child;
        ++subMenuCount;
      } else {
        // An item still stands for the entry, so that the items keep the
        // entries' numbers.
        item.kind = CPopupMenuItem::kDisabled;
      }
    } else if (info.kind != kMenuEntrySeparator) {
      item.shortcut = MenuShortcutLabel(info.shortcut);
    }
    if ((style & kStyleMultipleCheck) && checks[i]) item.checked = true;
    items.push_back(std::move(item));
  }
  if ((style & kStyleCheck) && !(style & kStyleMultipleCheck) && currentIndex >= 0 &&
      currentIndex < static_cast<long>(items.size()))
    items[static_cast<size_t>(currentIndex)].checked = true;
  tree.menus[static_cast<size_t>(self)].items = std::move(items);
  return self;
}

void COptionMenu::removeItems() {
  for (long i = 0; i < nbSubMenus; ++i)
    if (subMenus[i]) subMenus[i]->removeItems();
  platformMenu = nullptr;
}

void COptionMenu::mouse(CDrawContext* context, CPoint&, long buttons) {
  if (!bMouseEnabled || !pParentFrame || !context) return;
  lastButton = buttons = resolveButtons(context, buttons);
  if (modifierClickTaken(context, buttons)) return;
  if (!(lastButton & (kMouseLeft | kMouseRight | kModifierControl))) return;

  if (bgWhenClick) {
    char text[kParamDisplayTextSize] = {0};
    if (currentIndex >= 0 && currentIndex < nbEntries) CopyControlText(text, entries[currentIndex]);
    // Clicks reach the control with the frame's offsets: draw where the
    // control lies in the frame.
    const CPoint savedOffset = context->getOffset();
    CPoint origin(0, 0);
    if (pParentView) pParentView->localToFrame(origin);
    context->setOffset(CPoint(savedOffset.h + origin.h, savedOffset.v + origin.v));
    drawText(context, text, bgWhenClick);
    context->setOffset(savedOffset);
    context->synchronizeCairo();
  }
  beginEdit();
  takeFocus(context);
}

void COptionMenu::takeFocus(CDrawContext* context) {
  if (!pParentFrame) return;
  lastResult = -1;
  lastMenu = nullptr;

  // The control's place in the host's window: the frame's origin there and
  // the origins of the containers around the control.
  long x = 0, y = 0;
  pParentFrame->getPosition(x, y);
  for (CView* parent = pParentView; parent; parent = parent->getParentView()) {
    if (parent->notify(this, kMsgCheckIfViewContainer) == 1) {
      CRect origin;
      parent->getViewSize(origin);
      x += origin.left;
      y += origin.top;
    }
  }

  if (nbEntries <= 0) {
    endEdit();
    pParentFrame->setFocusView(nullptr);
    return;
  }

  std::unique_ptr<CPlatformPopup> session = CreatePlatformPopup(pParentFrame->getSystemWindow());
  long result = 0;
  if (session) {
    int left = static_cast<int>(x + size.left);
    int top = static_cast<int>(y + ((style & kStylePopup) ? size.top : size.bottom));
    session->HostToScreen(left, top);

    CPopupMenuTree tree;
    long offsetIdx = 0;
    appendItems(tree, offsetIdx);
    platformMenu = &tree;
    const long menuHeight = LayoutPopupMenu(tree.menus[0], size.width()).height;
    const long screenBottom = session->ScreenArea().bottom;
    const long itemHeight = (menuHeight + nbEntries - 1) / nbEntries;
    setDirty(false);

    long itemAtPoint = 0;
    long popTop = top;
    if (menuHeight + top < screenBottom - itemHeight / 2) {
      itemAtPoint = 0;
    } else if (screenBottom > itemHeight * nbEntries) {
      popTop = screenBottom - menuHeight - itemHeight;
    } else {
      itemAtPoint = std::min(nbEntries, currentIndex + 2) - 1;
    }
    result = RunPopupMenu(*session, tree, left, popTop, itemAtPoint, size.width());
    session.reset();
    removeItems();
  }
  lastResult = static_cast<short>((result & 0xFFFF) - 1);

  if (bgWhenClick) setDirty(true);

  long chosenMenu = (result >> 16) & 0xFFFF;
  if (chosenMenu != 0) {
    CDrawContext* own = nullptr;
    if (!context) context = own = pParentFrame->createDrawContext();
    long idxInMenu = -1;
    if (COptionMenu* menu = getItemMenu(lastResult, idxInMenu, chosenMenu)) {
      lastMenu = menu;
      menu->setValue(static_cast<float>(lastResult));
      if (listener) listener->valueChanged(context, lastMenu);
    }
    if (own) own->forget();
  }

  pParentFrame->setFocusView(nullptr);
  endEdit();
}
