// The editor's idle work inside every mouse-tracking loop: while the user
// holds a knob, a slider or a drag field, the passes of the
// control's loop run the editor's idle, IdleInner included, at its usual
// pace, as the window's event loop delivers the press.
#include <functional>
#include <vector>

#include "editor/EditorTestSupport.h"
#include "gui/CAnimKnob.h"
#include "gui/CSlider.h"

using namespace edtest;

namespace {

class EditorGestureTest : public EditorFixture {};

}  // namespace

TEST_F(EditorGestureTest, EveryTrackingLoopRunsTheEditorsIdleWorkWhileTheButtonIsHeld) {
  struct Loop {
    const char* name;
    std::function<CView*()> add;  // puts the control on the front
    int x, y;                     // frame point of the press
  };
  const std::vector<Loop> loops = {
      {"knob", [&] { return m_pEditor->AddAnimKnob(CPoint(300, 150), 152, kBoundTag, 127); }, 324, 174},
      {"slider",
       [&] { return m_pEditor->AddHorizontalSlider(CPoint(300, 220), 111, 145, kBoundTag, 0, 0, CPoint(0, 0)); },
       330, 240},
      {"drag field",
       [&] {
         return m_pEditor->AddTextDrag(CRect(300, 100, 340, 112), kBoundTag, kFontNormal, kFaceNormal, -1,
                                       CTextDrag::eTDT_Linear);
       },
       310, 106},
  };
  // The machine's clock: each loop paces itself and the editor's idle by it.
  SetTickCountSourceForTesting(nullptr);
  for (const Loop& loop : loops) {
    ASSERT_NE(loop.add(), nullptr) << loop.name;
    IdleAfter(1);
    // The button stays down until IdleInner has run three times inside the
    // press's event, or for a few thousand reads of the pointer, which take
    // far longer than three idle intervals.
    int during = 0;
    m_pEditor->m_OnIdleInner = [&] {
      if (g_bAmHandlingCarbonEvent.load() && ++during >= 3) m_pWindow->SetPointer(loop.x, loop.y, 0);
    };
    m_pWindow->SetPointer(loop.x, loop.y, kMouseLeft);
    for (int i = 0; i < 3000; ++i) m_pWindow->QueuePointer(loop.x, loop.y, kMouseLeft);
    m_pWindow->QueuePointer(loop.x, loop.y, 0);
    m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseDown, loop.x, loop.y, kMouseLeft));
    IdleAfter(1);
    m_pEditor->m_OnIdleInner = nullptr;
    EXPECT_GE(during, 3) << loop.name;
  }
}
