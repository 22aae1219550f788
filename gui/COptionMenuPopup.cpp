#include "gui/COptionMenuPopup.h"

#include <cairo.h>

#include <algorithm>

#include "Helpers/Assert.h"
#include "gui/CDrawContext.h"
#include "gui/COptionMenuPopupDraw.h"
#include "platform/CairoHandles.h"
#include "platform/PlatformPopup.h"
#include "vst/VstInterface.h"

XR_REGISTER_SOURCE_FILE("gui/COptionMenuPopup.cpp");

namespace {

constexpr long kSubMenuOverlap = 3;  // a sub-menu covers its parent's edge by this much
constexpr long kWheelStep = 20;      // pixels per wheel step in a menu taller than the screen

struct COpenMenu {
  int menu = 0;  // index in the tree
  int window = -1;
  PlatformRect area;  // on the screen
  CPopupMenuLayout layout;
  long highlighted = -1;
  long scroll = 0;
};

bool Selectable(const CPopupMenuItem& item) {
  return item.kind == CPopupMenuItem::kNormal || item.kind == CPopupMenuItem::kSubMenu;
}

class CMenuTracker {
 public:
  CMenuTracker(CPlatformPopup& session, const CPopupMenuTree& tree)
      : m_Session(session), m_Tree(tree), m_Screen(session.ScreenArea()) {}
  ~CMenuTracker() { CloseAbove(0); }
  CMenuTracker(const CMenuTracker&) = delete;
  CMenuTracker& operator=(const CMenuTracker&) = delete;

  long Run(long left, long top, long itemAtPoint, long minWidth, const std::atomic<bool>* stop) {
    if (!Open(0, left, top, itemAtPoint, minWidth)) return 0;
    PopupEvent event;
    while (!(stop && stop->load())) {
      if (!m_Session.WaitEvent(event, stop ? kPopupStopCheckMs : -1)) continue;
      long result = 0;
      if (Handle(event, result)) return result;
    }
    return 0;
  }

 private:
  // True when the menus close; result is the choice or 0.
  bool Handle(const PopupEvent& event, long& result) {
    size_t depth = 0;
    long item = -1;
    const bool hit = HitTest(event.x, event.y, depth, item);
    switch (event.type) {
      case EPopupEvent::kMove:
        Hover(hit, depth, item);
        return false;
      case EPopupEvent::kPress:
        if (!hit) return true;
        Hover(hit, depth, item);
        return false;
      case EPopupEvent::kRelease: {
        const bool first = !m_bReleased;
        m_bReleased = true;
        if (hit) {
          if (item >= 0 && ItemOf(depth, item).kind == CPopupMenuItem::kNormal) {
            result = Choice(depth, item);
            return true;
          }
          return false;
        }
        // The release of the opening click, before the pointer reached a
        // menu, leaves the menus open for a second click.
        return !(first && !m_bEntered);
      }
      case EPopupEvent::kWheel:
        if (hit) Scroll(depth, static_cast<long>(-event.distance * kWheelStep));
        return false;
      case EPopupEvent::kKey:
        return Key(event.key, result);
      case EPopupEvent::kCancel:
        return true;
    }
    return false;
  }

  bool Open(int menu, long left, long top, long itemAtPoint, long minWidth) {
    if (menu < 0 || menu >= static_cast<int>(m_Tree.menus.size())) return false;
    const CPopupMenu& model = m_Tree.menus[static_cast<size_t>(menu)];
    if (model.items.empty()) return false;
    COpenMenu open;
    open.menu = menu;
    open.layout = LayoutPopupMenu(model, minWidth);
    const long height = std::min<long>(open.layout.height, m_Screen.Height());
    if (itemAtPoint >= 0 && itemAtPoint < static_cast<long>(open.layout.items.size()))
      top -= open.layout.items[static_cast<size_t>(itemAtPoint)].top;
    left = std::max<long>(std::min<long>(left, m_Screen.right - open.layout.width), m_Screen.left);
    top = std::max<long>(std::min<long>(top, m_Screen.bottom - height), m_Screen.top);
    open.area = {static_cast<int>(left), static_cast<int>(top), static_cast<int>(left + open.layout.width),
                 static_cast<int>(top + height)};
    open.window = m_Session.OpenWindow(open.area);
    if (open.window < 0) return false;
    m_Open.push_back(std::move(open));
    Render(m_Open.back());
    return true;
  }

  // Opens the sub-menu of item `item` of the menu at `depth` beside that item.
  void OpenSubMenu(size_t depth, long item) {
    const COpenMenu& parent = m_Open[depth];
    const int subMenu = ItemOf(depth, item).subMenu;
    const long top = parent.area.top + parent.layout.items[static_cast<size_t>(item)].top - parent.scroll;
    long left = parent.area.right - kSubMenuOverlap;
    const long width = LayoutPopupMenu(m_Tree.menus[static_cast<size_t>(subMenu)]).width;
    // No room on the right: the sub-menu opens to the left of its parent.
    if (left + width > m_Screen.right) left = parent.area.left - width + kSubMenuOverlap;
    Open(subMenu, left, top, 0, 0);
  }

  void CloseAbove(size_t depth) {
    while (m_Open.size() > depth) {
      m_Session.CloseWindow(m_Open.back().window);
      m_Open.pop_back();
    }
  }

  const CPopupMenuItem& ItemOf(size_t depth, long item) const {
    return m_Tree.menus[static_cast<size_t>(m_Open[depth].menu)].items[static_cast<size_t>(item)];
  }

  // The deepest open menu under the point, and its item there (-1 for none).
  bool HitTest(int x, int y, size_t& depth, long& item) const {
    for (size_t d = m_Open.size(); d-- > 0;) {
      const COpenMenu& open = m_Open[d];
      if (x < open.area.left || x >= open.area.right || y < open.area.top || y >= open.area.bottom) continue;
      depth = d;
      item = -1;
      const CPoint local(x - open.area.left, y - open.area.top + open.scroll);
      for (size_t i = 0; i < open.layout.items.size(); ++i)
        if (open.layout.items[i].pointInside(local)) item = static_cast<long>(i);
      return true;
    }
    return false;
  }

  void Highlight(size_t depth, long item) {
    COpenMenu& open = m_Open[depth];
    if (item >= 0 && !Selectable(ItemOf(depth, item))) item = -1;
    if (open.highlighted == item) return;
    open.highlighted = item;
    Render(open);
  }

  void Hover(bool hit, size_t depth, long item) {
    if (!hit) {
      // Off the menus the deepest one loses its highlight.
      Highlight(m_Open.size() - 1, -1);
      return;
    }
    m_bEntered = true;
    if (item < 0) {
      Highlight(depth, -1);
      return;
    }
    const CPopupMenuItem& entry = ItemOf(depth, item);
    const bool subMenuOpen = m_Open.size() > depth + 1 && m_Open[depth + 1].menu == entry.subMenu &&
                             m_Open[depth].highlighted == item;
    if (!subMenuOpen) CloseAbove(depth + 1);
    Highlight(depth, item);
    if (entry.kind == CPopupMenuItem::kSubMenu && !subMenuOpen) OpenSubMenu(depth, item);
  }

  void Scroll(size_t depth, long delta) {
    COpenMenu& open = m_Open[depth];
    const long range = std::max<long>(open.layout.height - open.area.Height(), 0);
    const long scroll = std::max<long>(std::min<long>(open.scroll + delta, range), 0);
    if (scroll == open.scroll) return;
    open.scroll = scroll;
    CloseAbove(depth + 1);
    Render(open);
  }

  // Keeps a highlighted item in view of a menu taller than its window.
  void Reveal(size_t depth) {
    COpenMenu& open = m_Open[depth];
    if (open.highlighted < 0) return;
    const CRect& rect = open.layout.items[static_cast<size_t>(open.highlighted)];
    if (rect.top - open.scroll < 0)
      Scroll(depth, rect.top - open.scroll);
    else if (rect.bottom - open.scroll > open.area.Height())
      Scroll(depth, rect.bottom - open.scroll - open.area.Height());
  }

  // The next selectable item from `from` in `step` direction, or -1.
  long Step(size_t depth, long from, long step) const {
    const long count = static_cast<long>(m_Tree.menus[static_cast<size_t>(m_Open[depth].menu)].items.size());
    for (long i = from + step; i >= 0 && i < count; i += step)
      if (Selectable(ItemOf(depth, i))) return i;
    return -1;
  }

  bool Key(const PlatformKey& key, long& result) {
    const size_t depth = m_Open.size() - 1;
    const COpenMenu& open = m_Open[depth];
    const long count = static_cast<long>(open.layout.items.size());
    long target = -2;
    switch (key.virt) {
      case VKEY_ESCAPE:
        return true;
      case VKEY_DOWN:
        target = Step(depth, open.highlighted, 1);
        break;
      case VKEY_UP:
        target = Step(depth, open.highlighted < 0 ? count : open.highlighted, -1);
        break;
      case VKEY_HOME:
        target = Step(depth, -1, 1);
        break;
      case VKEY_END:
        target = Step(depth, count, -1);
        break;
      case VKEY_LEFT:
        if (depth > 0) CloseAbove(depth);
        return false;
      case VKEY_RIGHT:
      case VKEY_RETURN:
      case VKEY_ENTER:
      case VKEY_SPACE: {
        const long highlighted = open.highlighted;
        if (highlighted < 0) return false;
        if (ItemOf(depth, highlighted).kind == CPopupMenuItem::kSubMenu) {
          if (m_Open.size() == depth + 1) OpenSubMenu(depth, highlighted);
          if (m_Open.size() > depth + 1) {
            Highlight(depth + 1, Step(depth + 1, -1, 1));
            Reveal(depth + 1);
          }
          return false;
        }
        if (key.virt == VKEY_RIGHT) return false;
        result = Choice(depth, highlighted);
        return true;
      }
      default:
        return false;
    }
    if (target >= 0) {
      Highlight(depth, target);
      Reveal(depth);
    }
    return false;
  }

  long Choice(size_t depth, long item) const {
    const long id = m_Tree.menus[static_cast<size_t>(m_Open[depth].menu)].menuID;
    return ((id & 0xFFFF) << 16) | ((item + 1) & 0xFFFF);
  }

  void Render(const COpenMenu& open) {
    const int width = open.area.Width();
    const int height = open.area.Height();
    const CairoSurfacePtr image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return;
    // The drawing context keeps a reference of its own to the Cairo context.
    CDrawContext* context = new CDrawContext(nullptr, CairoPtr(cairo_create(image.get())).get(), nullptr);
    DrawPopupMenu(context, m_Tree.menus[static_cast<size_t>(open.menu)], open.layout, open.highlighted, open.scroll,
                  height);
    context->forget();
    m_Session.Present(open.window, image.get());
  }

  CPlatformPopup& m_Session;
  const CPopupMenuTree& m_Tree;
  PlatformRect m_Screen;
  std::vector<COpenMenu> m_Open;  // the open menus, the one that opened first at 0
  bool m_bEntered = false;        // the pointer has been over a menu
  bool m_bReleased = false;       // the opening click's button has been released
};

}  // namespace

long RunPopupMenu(CPlatformPopup& session, const CPopupMenuTree& tree, long left, long top, long itemAtPoint,
                  long minWidth, const std::atomic<bool>* stop) {
  if (tree.menus.empty() || tree.menus[0].items.empty()) return 0;
  CMenuTracker tracker(session, tree);
  return tracker.Run(left, top, itemAtPoint, minWidth, stop);
}
