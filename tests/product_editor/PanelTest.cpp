// The front panel as built: every control's place, tag and bitmap in the
// normal, M/S and colour forms of both editions, against one table; the
// artwork fits the layout (nothing overlaps, all inside the panel); the
// effect announces the editor with the front's size.
#include <algorithm>

#include "Helpers/ColorControls.h"
#include "Helpers/OwnerDrawControlsLevelMeter.h"
#include "gui/CBitmap.h"
#include "product_editor/EditorSupport.h"

using namespace edtest2;

namespace {

enum : unsigned { kLR = 1, kMS = 2, kColour = 4, kAll = kLR | kMS | kColour, kGraphForms = kLR | kMS };

struct Place {
  long left, top, right, bottom;  // right -1: the bitmap's width, one frame high
  long bitmap;                    // shown bitmap, 0 none
  int frames;                     // images stacked in the bitmap
  long tag;
  unsigned forms;
};

// The panel by the layout of the front bitmap (600 x 360).
std::vector<Place> Table(bool canUndo, bool canRedo) {
  std::vector<Place> t = {
      {527, 10, 567, 21, 0, 1, 9999, kAll},                     // version text
      {390, 0, 600, 25, 0, 1, 0, kAll},                         // flip area
      {32, 35, 504, 263, 0, 1, -1, kGraphForms},                // curve graph
      {504, 35, 547, 263, 0, 1, -1, kAll},                      // level meter
      {27, 7, -1, -1, 139, 2, kQvx2Bypass, kAll},
      {240, 7, -1, -1, 149, 2, 9999, kAll},                     // Reset
      {87, 276, -1, -1, 140, 2, 9999, kAll},                    // colour mode
      {440, 279, 477, 291, 0, 1, kQvx2TrimLeft, kAll},
      {520, 279, 557, 291, 0, 1, kQvx2TrimRight, kAll},
      {428, 302, -1, -1, 152, 127, kQvx2TrimLeft, kAll},
      {507, 302, -1, -1, 153, 127, kQvx2TrimRight, kAll},
      {484, 311, -1, -1, 145, 2, kQvx2TrimLink, kAll},
      {30, 276, -1, -1, 136, 2, kQvx2FftSource, kAll},
      {87, 312, -1, -1, 135, 2, kQvx2FftBands, kAll},
      {30, 312, -1, -1, 137, 2, kQvx2ShowFft, kAll},
      {377, 314, 414, 326, 0, 1, kQvx2Contour, kAll},
      {377, 279, 414, 291, 0, 1, kQvx2Depth, kAll},
      {138, 7, -1, -1, 133, 2, 9999, kAll},                     // A/B
      {189, 7, -1, -1, 155, 2, 9999, kAll},                     // copy A to B
      {77, 7, -1, -1, canUndo ? 150 : 158, 2, 10001, kAll},     // undo
      {108, 7, -1, -1, canRedo ? 148 : 157, 2, 10002, kAll},    // redo
      {175, 271, -1, -1, 143, 2, 9999, kLR | kColour},          // Link
      {175, 271, -1, -1, 162, 2, 9999, kMS},
      {149, 294, -1, -1, 142, 2, 9999, kLR | kColour},          // Left / Mid
      {149, 294, -1, -1, 163, 2, 9999, kMS},
      {211, 294, -1, -1, 147, 2, 9999, kLR | kColour},          // Right / Side
      {211, 293, -1, -1, 160, 2, 9999, kMS},
      {175, 316, -1, -1, 144, 2, 9999, kAll},                   // Link relative
      {252, 312, -1, -1, 141, 2, 9999, kAll},                   // HPF on
      {310, 312, -1, -1, 146, 2, 9999, kAll},                   // LPF on
      {253, 279, 290, 291, 0, 1, 9999, kAll},                   // HPF frequency
      {311, 279, 348, 291, 0, 1, 9999, kAll},                   // LPF frequency
      {304, 9, 382, 22, 0, 1, 9999, kAll},                      // band type
      {304, 35, 504, 263, 0, 1, 9999, kColour},                 // colour picker
      {62, 205, 264, 220, 0, 1, 9999, kColour},                 // Fill
      {62, 225, 264, 240, 0, 1, 9999, kColour},                 // Reset to defaults
  };
  for (int k = 0; k < 8; ++k) t.push_back({62, 45 + 20 * k, 264, 60 + 20 * k, 0, 1, 9999, kColour});
  if (kQvx2MSMode >= 0) t.push_back({175, 294, -1, -1, 164, 2, kQvx2MSMode, kAll});
  return t;
}

CRect RectOf(const Place& p) {
  if (p.right >= 0) return CRect(p.left, p.top, p.right, p.bottom);
  CBitmap bitmap(p.bitmap);
  return CRect(p.left, p.top, p.left + bitmap.getWidth(), p.top + bitmap.getHeight() / p.frames);
}

class PanelTest : public EditorFixture {
 protected:
  void CheckForm(unsigned form, const char* name) {
    std::vector<Place> expected;
    for (const Place& p : Table(m_pEffect->CanUndo(), m_pEffect->CanRedo()))
      if (p.forms & form) expected.push_back(p);
    std::vector<CControl*> controls = Controls();
    EXPECT_EQ(controls.size(), expected.size()) << name;
    for (CControl* c : controls) {
      CRect r;
      c->getViewSize(r);
      const long shown = c->getBackground() ? c->getBackground()->getResourceId() : 0;
      const auto match = std::find_if(expected.begin(), expected.end(), [&](const Place& p) {
        return RectOf(p) == r && p.tag == c->getTag() && p.bitmap == shown;
      });
      EXPECT_NE(match, expected.end()) << name << ": unexpected control at (" << r.left << ", " << r.top << ", "
                                       << r.right << ", " << r.bottom << ") tag " << c->getTag() << " bitmap " << shown;
      if (match != expected.end()) expected.erase(match);
      // Inside the front bitmap, and clear of every other active control.
      EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= 600 && r.bottom <= 360) << name << " " << r.left;
      if (c->getTag() == 0 || (r.left == 527 && r.top == 10)) continue;  // the flip area holds the version
      for (CControl* other : controls) {
        CRect o;
        other->getViewSize(o);
        if (other == c || other->getTag() == 0 || (o.left == 527 && o.top == 10)) continue;
        const bool overlap = r.left < o.right && o.left < r.right && r.top < o.bottom && o.top < r.bottom;
        EXPECT_FALSE(overlap) << name << ": (" << r.left << ", " << r.top << ") overlaps (" << o.left << ", "
                              << o.top << ")";
      }
    }
    for (const Place& p : expected) ADD_FAILURE() << name << ": missing control at (" << p.left << ", " << p.top << ")";
  }
};

}  // namespace

TEST_F(PanelTest, QVX2_SUITE(EveryFormPlacesItsControlsByTheTable)) {
  CheckForm(kLR, "left/right");
  Screenshot("front_lr");
  if (kQvx2MSMode >= 0) {
    m_pEffect->setParameter(kQvx2MSMode, 1.0f);
    Settle();
    CheckForm(kMS, "mid/side");
    EXPECT_EQ(Graph()->GetWhatToShow(), CCompositeGraph::eMidSide);
    EXPECT_EQ(m_pEditor->m_pLevelMeter.load()->eVolScale, eVS_CustomDig);  // "MS Dig" made non-standard
    EXPECT_TRUE(m_pEditor->m_pLevelMeter.load()->bMidSide.load());
    m_pEffect->setParameter(kQvx2MSMode, 0.0f);
    Settle();
  }
  m_pEditor->m_bColorMode = true;
  Reopen();
  CheckForm(kColour, "colour");
  EXPECT_EQ(Graph(), nullptr);
  Screenshot("front_colour");
}

TEST_F(PanelTest, QVX2_SUITE(TheEffectAnnouncesItsEditorWithTheFrontsSize)) {
  EditorQvx2 fx;
  EXPECT_NE(fx.getAeffect()->flags & effFlagsHasEditor, 0);
  ERect* rect = nullptr;
  ASSERT_EQ(fx.getAeffect()->dispatcher(fx.getAeffect(), effEditGetRect, 0, 0, &rect, 0.0f), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right - rect->left, 600);
  EXPECT_EQ(rect->bottom - rect->top, 360);
}
