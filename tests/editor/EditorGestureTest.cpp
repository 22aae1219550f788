// The editor while the user holds a knob, a slider or a drag field: the
// press, each motion and the release come in host calls of their own that
// return at once, the editor's idle work (IdleInner) runs between them at
// its usual pace, and the host hears one edit of the parameter and never
// its own idle call; an editor closed mid-drag closes the edit once.
#include <functional>
#include <vector>

#include "editor/EditorTestSupport.h"
#include "gui/CAnimKnob.h"
#include "gui/CSlider.h"

using namespace edtest;

namespace {

class EditorGestureTest : public EditorFixture {};

}  // namespace

TEST_F(EditorGestureTest, ADragComesAsHostCallsOfItsOwnWithTheEditorsIdleWorkBetween) {
  struct Gesture {
    const char* name;
    std::function<CView*()> add;  // puts the control on the front
    int x, y;                     // frame point of the press
    int dx, dy;                   // each motion's step
  };
  const std::vector<Gesture> gestures = {
      {"knob", [&] { return m_pEditor->AddAnimKnob(CPoint(300, 150), 152, kBoundTag, 127); }, 324, 174, 0, -4},
      {"slider",
       [&] { return m_pEditor->AddHorizontalSlider(CPoint(300, 220), 111, 145, kBoundTag, 0, 0, CPoint(0, 0)); }, 330,
       240, 4, 0},
      {"drag field",
       [&] {
         return m_pEditor->AddTextDrag(CRect(300, 100, 340, 112), kBoundTag, kFontNormal, kFaceNormal, -1,
                                       CTextDrag::eTDT_Linear);
       },
       310, 106, 0, -3},
  };
  constexpr int kMotions = 5;
  for (const Gesture& g : gestures) {
    SCOPED_TRACE(g.name);
    CView* control = g.add();
    ASSERT_NE(control, nullptr);
    IdleAfter(1);
    Host().Reset();
    const float before = m_pEffect->getParameter(kBoundTag);
    const int idleInner = m_pEditor->m_nIdleInner;
    using frametest::MakeEvent;
    m_pWindow->Queue(MakeEvent(EPlatformEvent::kMouseDown, g.x, g.y, kMouseLeft));
    IdleAfter(20);
    EXPECT_EQ(m_pEditor->Frame()->getMouseCapture(), control) << "the press returned with the drag under way";
    for (int i = 1; i <= kMotions; ++i) {
      m_pWindow->Queue(MakeEvent(EPlatformEvent::kMouseMove, g.x + i * g.dx, g.y + i * g.dy, kMouseLeft));
      IdleAfter(20);
    }
    EXPECT_EQ(m_pEditor->m_nIdleInner - idleInner, 1 + kMotions) << "the idle work ran in every call";
    EXPECT_NE(m_pEffect->getParameter(kBoundTag), before) << "the drag moved the parameter";
    EXPECT_TRUE(Host().CallsOf(audioMasterEndEdit).empty()) << "the edit is open while the button is held";
    m_pWindow->Queue(MakeEvent(EPlatformEvent::kMouseUp, g.x + kMotions * g.dx, g.y + kMotions * g.dy, 0));
    IdleAfter(20);
    EXPECT_EQ(Host().CallsOf(audioMasterBeginEdit).size(), 1u);
    EXPECT_EQ(Host().CallsOf(audioMasterEndEdit).size(), 1u);
    EXPECT_GE(AutomationsOf(kBoundTag), 1);
    EXPECT_TRUE(Host().CallsOf(audioMasterIdle).empty());
    EXPECT_EQ(m_pEditor->Frame()->getMouseCapture(), nullptr);
  }
}

TEST_F(EditorGestureTest, ADragCutShortByTheEditorsCloseEndsItsEditOnce) {
  ASSERT_NE(m_pEditor->AddAnimKnob(CPoint(300, 150), 152, kBoundTag, 127), nullptr);
  IdleAfter(1);
  Host().Reset();
  m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseDown, 324, 174, kMouseLeft));
  m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseMove, 324, 160, kMouseLeft));
  IdleAfter(20);
  ASSERT_TRUE(m_pEffect->IsInEditGroup());
  m_pEditor->close();
  EXPECT_EQ(Host().CallsOf(audioMasterBeginEdit).size(), 1u);
  EXPECT_EQ(Host().CallsOf(audioMasterEndEdit).size(), 1u);
  EXPECT_FALSE(m_pEffect->IsInEditGroup()) << "the effect's gesture is over";
}
