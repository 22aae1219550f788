// The option menu's click: building its pop-up menus, starting their run at
// the control, and handing the choice to the menu that holds it when the
// frame asks.
#include <cstring>
#include <utility>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/COptionMenu.h"
#include "gui/COptionMenuEntry.h"
#include "gui/COptionMenuPopup.h"

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

void COptionMenu::mouse(CDrawContext* context, CPoint&, long buttons) {
  if (!bMouseEnabled || !pParentFrame || !context) return;
  lastButton = buttons = resolveButtons(context, buttons);
  if (modifierClickTaken(context, buttons)) return;
  if (!(lastButton & (kMouseLeft | kMouseRight | kModifierControl))) return;
  // A pop-up under way ends, and its bracket closes, before this one opens.
  pParentFrame->endPopup();

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

void COptionMenu::takeFocus(CDrawContext*) {
  if (!pParentFrame) return;
  pParentFrame->endPopup();
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

  CPopupMenuTree tree;
  long offsetIdx = 0;
  appendItems(tree, offsetIdx);
  CPopupMenuPlacement placement;
  placement.left = x + size.left;
  placement.top = y + ((style & kStylePopup) ? size.top : size.bottom);
  placement.minWidth = size.width();
  placement.current = currentIndex;
  setDirty(false);
  menuRun = new CPopupMenuRun(pParentFrame->getSystemWindow(), std::move(tree), placement);
  pParentFrame->beginPopup(this, this);
}

bool COptionMenu::popupClosed() const {
  long result = 0;
  return !menuRun || menuRun->Closed(result);
}

void COptionMenu::popupEnd(bool apply) {
  // A run under way closes its menus and its thread ends here.
  const long result = menuRun ? menuRun->End() : 0;
  delete menuRun;
  menuRun = nullptr;
  applyChoice(apply ? result : 0);
}

void COptionMenu::applyChoice(long result) {
  lastResult = static_cast<short>((result & 0xFFFF) - 1);
  if (bgWhenClick) setDirty(true);
  if (!pParentFrame) return;

  long chosenMenu = (result >> 16) & 0xFFFF;
  if (chosenMenu != 0) {
    CDrawContext* context = pParentFrame->createDrawContext();
    long idxInMenu = -1;
    if (COptionMenu* menu = getItemMenu(lastResult, idxInMenu, chosenMenu)) {
      lastMenu = menu;
      menu->setValue(static_cast<float>(lastResult));
      if (listener) listener->valueChanged(context, lastMenu);
    }
    context->forget();
  }

  if (pParentFrame->getFocusView() == this) pParentFrame->setFocusView(nullptr);
  endEdit();
}
