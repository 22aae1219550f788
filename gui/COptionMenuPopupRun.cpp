// An option menu's pop-up on a thread of its own (COptionMenuPopup.h): the
// session is made, the menus placed and run, and the session destroyed there.
#include <algorithm>
#include <memory>
#include <utility>

#include "Helpers/Assert.h"
#include "gui/COptionMenuPopup.h"
#include "platform/PlatformPopup.h"

XR_REGISTER_SOURCE_FILE("gui/COptionMenuPopupRun.cpp");

namespace {

struct CScreenPlace {
  long left = 0;
  long top = 0;
  long itemAtPoint = 0;
};

// The placement on the session's screen (see CPopupMenuPlacement).
CScreenPlace PlaceOnScreen(CPlatformPopup& session, const CPopupMenu& menu, const CPopupMenuPlacement& placement) {
  int left = static_cast<int>(placement.left);
  int top = static_cast<int>(placement.top);
  session.HostToScreen(left, top);
  CScreenPlace place{left, top, 0};
  const long count = static_cast<long>(menu.items.size());
  const long menuHeight = LayoutPopupMenu(menu, placement.minWidth).height;
  const long screenBottom = session.ScreenArea().bottom;
  const long itemHeight = (menuHeight + count - 1) / count;
  if (menuHeight + top < screenBottom - itemHeight / 2) return place;
  if (screenBottom > itemHeight * count)
    place.top = screenBottom - menuHeight - itemHeight;
  else
    place.itemAtPoint = std::min(count, placement.current + 2) - 1;
  return place;
}

}  // namespace

CPopupMenuRun::CPopupMenuRun(void* hostWindow, CPopupMenuTree tree, const CPopupMenuPlacement& placement)
    : m_pHostWindow(hostWindow), m_Tree(std::move(tree)), m_Placement(placement) {
  try {
    m_Thread = std::thread(&CPopupMenuRun::Main, this);
  } catch (...) {
    // No thread to be had: the menus close at once, unseen.
    m_bClosed.store(true);
  }
}

CPopupMenuRun::~CPopupMenuRun() { End(); }

long CPopupMenuRun::End() {
  if (m_Thread.joinable()) {
    if (m_Process.IsForkedChild()) {
      SetThreadAside(m_Thread);
      return 0;
    }
    m_bStop.store(true);
    m_Thread.join();
  }
  long result = 0;
  return Closed(result) ? result : 0;
}

bool CPopupMenuRun::Closed(long& result) const {
  if (!m_bClosed.load()) return false;
  result = m_nResult.load();
  return true;
}

void CPopupMenuRun::Main() {
  long result = 0;
  // Nothing may leave this thread's function: that would end the host.
  try {
    // A run ended before it started shows nothing.
    if (!m_bStop.load() && !m_Tree.menus.empty() && !m_Tree.menus[0].items.empty()) {
      std::unique_ptr<CPlatformPopup> session = CreatePlatformPopup(m_pHostWindow);
      if (session) {
        const CScreenPlace place = PlaceOnScreen(*session, m_Tree.menus[0], m_Placement);
        result =
            RunPopupMenu(*session, m_Tree, place.left, place.top, place.itemAtPoint, m_Placement.minWidth, &m_bStop);
      }
    }
  } catch (...) {
    HandleException(__PRETTY_FUNCTION__);
    result = 0;
  }
  m_nResult.store(result);
  m_bClosed.store(true);
}
