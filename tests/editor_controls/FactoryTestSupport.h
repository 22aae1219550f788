// The editor base's test fixture with helpers for the factory tests: test
// bitmaps put straight into the editor's bitmap cache, and where the
// controls are.
#pragma once

#include <string>

#include "Helpers/ColorControls.h"
#include "Helpers/DerivedControls.h"
#include "editor/EditorTestSupport.h"
#include "editor_draw/OwnerDrawTestSupport.h"
#include "gui/CAnimKnob.h"
#include "gui/CKickButton.h"
#include "gui/CSlider.h"
#include "gui_controls/ControlTestSupport.h"

namespace factorytest {

using edtest::kBoundTag;
using edtest::kPersistantTag;

class FactoryFixture : public edtest::EditorFixture {
 protected:
  // A bitmap of `count` solid images of width x height stacked vertically,
  // cached under id as if it had been loaded (the cache takes its
  // reference).
  CBitmap* CacheStrip(long id, long width, long height, int count = 1) {
    CBitmap* bitmap = new controltest::StripBitmap(width, height, count);
    const int n = m_pEditor->m_nGenericBitmapsAdded;
    m_pEditor->m_GenericBitmaps[n].m_pBitmap = bitmap;
    m_pEditor->m_GenericBitmaps[n].m_nResourceId = id;
    ++m_pEditor->m_nGenericBitmapsAdded;
    return bitmap;
  }
  long Views() const { return m_pEditor->Frame()->getNbViews(); }
  bool InASlot(const CControl* control) const {
    for (int i = 0; i < m_pEditor->m_nGenericControlsAdded; ++i)
      if (m_pEditor->m_pGenericControls[i] == control) return true;
    return false;
  }
  static CRect SizeOf(const CView* view) {
    CRect r;
    view->getViewSize(r);
    return r;
  }
  // A press at (x, y), a motion to (x, y + dy) and the release there, the
  // window's events of the next idle.
  void DragAt(long x, long y, long dy, long buttons = kMouseLeft) {
    const int px = static_cast<int>(x), py = static_cast<int>(y), to = py + static_cast<int>(dy);
    m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseDown, px, py, buttons));
    m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseMove, px, to, buttons));
    m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseUp, px, to, buttons & kModifierMask));
    IdleAfter(1);
  }
  static std::string TextOf(const CTextEdit* edit) {
    char text[kParamDisplayTextSize];
    edit->getText(text);
    return text;
  }
};

}  // namespace factorytest
