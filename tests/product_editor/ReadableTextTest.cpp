// Every text of the editor that changes, and the panel's captions, drawn with
// the values that once made them unreadable: each text's ink stands inside
// its field, clear of its neighbours and of the other texts, and the window
// shows what a fresh drawing of the whole editor shows (no old glyphs).
#include <cairo.h>

#include <functional>
#include <set>

#include "Helpers/OwnerDrawControlsLevelMeter.h"
#include "gui/CBitmap.h"
#include "gui/CFrame.h"
#include "product_editor/EditorSupport.h"

using namespace edtest2;

namespace {

// What a case shows: `texts` must each lie inside `field`, a pixel clear of
// every rectangle in `neighbours` and a space clear of one another.
struct Layout {
  CRect field;
  std::vector<CRect> texts, neighbours;
};

// Boxes of the pixels in area that `ink` picks: pixels up to `join` columns
// or one row apart share a box.
std::vector<CRect> InkBoxes(const CRect& area, int join, const std::function<bool(int, int)>& ink) {
  std::vector<CRect> boxes;
  for (long y = area.top; y < area.bottom; ++y)
    for (long x = area.left; x < area.right; ++x)
      if (ink(static_cast<int>(x), static_cast<int>(y))) boxes.push_back(CRect(x, y, x + 1, y + 1));
  for (bool merged = true; merged;) {
    merged = false;
    for (size_t i = 0; i < boxes.size(); ++i)
      for (size_t j = i + 1; j < boxes.size(); ++j) {
        CRect& a = boxes[i];
        const CRect& b = boxes[j];
        if (a.left > b.right + join || b.left > a.right + join || a.top > b.bottom + 1 || b.top > a.bottom + 1)
          continue;
        a = CRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                  std::max(a.bottom, b.bottom));
        boxes.erase(boxes.begin() + static_cast<long>(j--));
        merged = true;
      }
  }
  return boxes;
}

// Fewer than `gap` clear columns and rows lie between a and b.
bool Meet(const CRect& a, const CRect& b, long gap) {
  return a.left < b.right + gap && b.left < a.right + gap && a.top < b.bottom + gap && b.top < a.bottom + gap;
}

// The pixels of a bitmap, 0xRRGGBB.
class BitmapPixels {
 public:
  explicit BitmapPixels(long id) : m_pImage(CBitmap(id).createCairoImage()) { cairo_surface_flush(m_pImage); }
  ~BitmapPixels() { cairo_surface_destroy(m_pImage); }
  BitmapPixels(const BitmapPixels&) = delete;
  BitmapPixels& operator=(const BitmapPixels&) = delete;
  uint32_t At(long x, long y) const {
    const auto* row = cairo_image_surface_get_data(m_pImage) + y * cairo_image_surface_get_stride(m_pImage);
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFFu;
  }

 private:
  cairo_surface_t* m_pImage;
};

std::string Text(const CRect& r) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
         std::to_string(r.bottom) + ")";
}

class ReadableTextTest : public EditorFixture {
 protected:
  std::vector<uint32_t> Grab(const CRect& r) const {
    std::vector<uint32_t> pixels;
    for (long y = r.top; y < r.bottom; ++y)
      for (long x = r.left; x < r.right; ++x) pixels.push_back(Pixel(static_cast<int>(x), static_cast<int>(y)));
    return pixels;
  }
  void Redraw() {
    m_pEditor->Frame()->setDirty(true);
    Idle(0);
  }
  void Move(int x, int y) {
    m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseMove, x, y));
    Idle(0);
    Idle(0);
  }
  CRect ViewRect(CView* view) const {
    CRect r;
    view->getViewSize(r);
    return r;
  }
  // The back panel after an expose, as a host shows it.
  void ShowBack() {
    if (m_pEditor->IsFrontShown()) {
      m_pEditor->ToggleFrontAndBack();
      Settle();
    }
    Expose();
  }
  // The quality block's info lines: ink off the back artwork; the menus
  // beside them and the panel's edge are their neighbours.
  Layout InfoLines() {
    Layout l;
    CStaticText* const* info = m_pEditor->m_pQualityInfo;
    l.field = ViewRect(info[0]);
    l.field.bottom = ViewRect(info[4]).bottom;
    l.field.right -= 1;
    const BitmapPixels back(114);
    l.texts = InkBoxes(l.field, 4, [&](int x, int y) { return Pixel(x, y) != back.At(x, y); });
    for (CControl* c : Controls())
      if (dynamic_cast<COptionMenu*>(c)) l.neighbours.push_back(ViewRect(c));
    return l;
  }
  // The meter's label strip after a block at db in both channels: the two
  // values' white ink, each glyph counted to the half its middle stands in.
  Layout MeterLabels(float db) {
    CLevelMeter* meter = m_pEditor->m_pLevelMeter.load();
    std::vector<float> block(256);
    for (size_t i = 0; i < block.size(); ++i) block[i] = (i % 2 ? -1.0f : 1.0f) * std::pow(10.0f, db / 20.0f);
    meter->Clear();
    meter->StoreValues(block.data(), block.data(), static_cast<int>(block.size()));
    meter->setDirty(true);
    Idle(0);
    Layout l;
    const CRect m = ViewRect(meter);
    l.field = CRect(m.left, m.top, m.right, m.top + meter->nTopStrip);
    const long middle = (m.left + m.right) / 2;
    l.texts.assign(2, CRect(m.right, m.bottom, m.left, m.top));
    for (const CRect& g : InkBoxes(l.field, 0, [&](int x, int y) { return Pixel(x, y) == 0xFFFFFFu; })) {
      CRect& side = l.texts[g.left + g.right < 2 * middle ? 0 : 1];
      side = CRect(std::min(side.left, g.left), std::min(side.top, g.top), std::max(side.right, g.right),
                   std::max(side.bottom, g.bottom));
    }
    return l;
  }
};

}  // namespace

TEST_F(ReadableTextTest, QVX2_SUITE(EveryChangingTextStandsWholeClearOfItsNeighboursOverItsBackground)) {
  struct Case {
    std::string name;
    std::function<Layout()> show;
  };
  std::vector<Case> cases;
  // Captions: the front artwork's light pixels, each shown as drawn, clear of
  // every view that draws (the flip area draws nothing).
  cases.push_back({"captions", [this] {
                     Layout l;
                     l.field = CRect(1, 1, 599, 359);
                     const BitmapPixels front(161);
                     auto light = [&](int x, int y) { return ((front.At(x, y) >> 8) & 0xFF) > 110; };
                     l.texts = InkBoxes(l.field, 3, light);
                     for (long y = l.field.top; y < l.field.bottom; ++y)
                       for (long x = l.field.left; x < l.field.right; ++x)
                         if (light(static_cast<int>(x), static_cast<int>(y))) {
                           EXPECT_EQ(Pixel(static_cast<int>(x), static_cast<int>(y)), front.At(x, y))
                               << "caption pixel (" << x << ", " << y << ") is covered";
                         }
                     for (long i = 0; i < m_pEditor->Frame()->getNbViews(); ++i) {
                       CView* view = m_pEditor->Frame()->getView(i);
                       if (!dynamic_cast<CInvisibleButton*>(view) || dynamic_cast<CTextButton*>(view))
                         l.neighbours.push_back(ViewRect(view));
                     }
                     return l;
                   }});
  // The peak-hold values of both channels at three digits and at the
  // widest the meter reaches (just above its floor), and at full scale.
  for (float db : {-70.2f, -99.96f, -139.9f, 0.0f})
    cases.push_back({"meter at " + std::to_string(db) + " dB", [this, db] { return MeterLabels(db); }});
  // The mouse read-out with the pointer at the graph's top right, against the
  // labels the spectrum's scale adds there; nothing of the graph shows
  // through it (its box holds the text's colour and one other).
  cases.push_back({"graph read-out", [this] {
                     const CRect g = ViewRect(Graph());
                     Layout l;
                     l.field = CRect(g.left + 1, g.top + 1, g.right - 1, g.top + 60);
                     Move(g.left + 300, 400);
                     m_pEffect->setParameter(kQvx2ShowFft, 0.0f);
                     Settle();
                     const std::vector<uint32_t> plain = Grab(l.field);
                     m_pEffect->setParameter(kQvx2ShowFft, 1.0f);
                     Settle();
                     const std::vector<uint32_t> bare = Grab(l.field);
                     auto at = [&](const std::vector<uint32_t>& image, int x, int y) {
                       return image[static_cast<size_t>((y - l.field.top) * l.field.width() + x - l.field.left)];
                     };
                     l.neighbours = InkBoxes(l.field, 3, [&](int x, int y) { return at(bare, x, y) != at(plain, x, y); });
                     Move(static_cast<int>(g.right) - 3, static_cast<int>(g.top) + 3);
                     l.texts = InkBoxes(l.field, 40, [&](int x, int y) { return Pixel(x, y) != at(bare, x, y); });
                     for (const CRect& t : l.texts) {
                       std::set<uint32_t> colours;
                       for (long y = t.top; y < t.bottom; ++y)
                         for (long x = t.left; x < t.right; ++x) colours.insert(Pixel(static_cast<int>(x), static_cast<int>(y)));
                       EXPECT_EQ(colours.size(), 2u) << "lines run through the read-out at " << Text(t);
                     }
                     return l;
                   }});
  // The info lines after an expose: the kernel and FFT lines written again
  // unchanged, then the latency line of every mode at the lowest rate the
  // effect takes, each over the last, then at 44.1 and at 48 kHz.
  cases.push_back({"FFT and kernel lines rewritten", [this] {
                     ShowBack();
                     for (int i = 0; i < 5; ++i) {
                       m_pEditor->UpdateQMControls();
                       Idle(0);
                     }
                     return InfoLines();
                   }});
  std::vector<std::pair<float, int>> settings;
  for (const int* rating = m_pEffect->GetAllowableRatings(); *rating != -1; ++rating)
    settings.push_back({1000.0f, *rating});
  settings.push_back({44100.0f, 30});
  settings.push_back({48000.0f, 30});
  for (const auto& [rate, rating] : settings)
    cases.push_back({"latency at " + std::to_string(rate) + " Hz, rating " + std::to_string(rating),
                     [this, rate = rate, rating = rating] {
                       ShowBack();
                       m_pEffect->setSampleRate(rate);
                       m_pEffect->setParameter(kQvx2QualityRating, static_cast<float>(rating) / 999.0f);
                       Settle();
                       m_pEffect->FinishUpdate();
                       m_pEditor->UpdateQMControls();
                       Idle(0);
                       return InfoLines();
                     }});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Layout l = c.show();
    Screenshot("readable_" + c.name);
    const std::vector<uint32_t> shown = Grab(l.field);
    Redraw();
    EXPECT_EQ(Grab(l.field), shown) << "a fresh drawing differs: old glyphs stayed";
    EXPECT_FALSE(l.texts.empty());
    for (size_t i = 0; i < l.texts.size(); ++i) {
      const CRect& t = l.texts[i];
      EXPECT_TRUE(t.left > l.field.left && t.top > l.field.top && t.right < l.field.right && t.bottom < l.field.bottom)
          << Text(t) << " reaches the edge of " << Text(l.field);
      for (const CRect& n : l.neighbours) EXPECT_FALSE(Meet(t, n, 1)) << Text(t) << " meets " << Text(n);
      // Two texts a space apart, or they read as one.
      for (size_t j = i + 1; j < l.texts.size(); ++j)
        EXPECT_FALSE(Meet(t, l.texts[j], 3)) << Text(t) << " runs into " << Text(l.texts[j]);
    }
  }
}
