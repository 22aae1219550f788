// The colour controls on their own: which cell or preset a click picks, the
// palette drawn in the picker's cells, the selection mark, the "Cancel"
// strip, the preset bars and the swatch.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Helpers/ColorControls.h"
#include "editor_draw/OwnerDrawTestSupport.h"
#include "gui/CViewContainer.h"
#include "gui/GuiTestSupport.h"

namespace {

using drawtest::Word;

class RecordingListener : public CControlListener {
 public:
  void valueChanged(CDrawContext*, CControl* control) override { heard.push_back(control->getValue()); }
  std::vector<float> heard;
};

// A control on a container (which attaches it, creating its surfaces),
// drawn into a surface.
template <typename Control>
class OnSurface {
 public:
  explicit OnSurface(Control* control) : control(control) {
    container = new CViewContainer(CRect(0, 0, 600, 400), nullptr, nullptr);
    container->addView(control);
  }
  ~OnSurface() { container->forget(); }
  OnSurface(const OnSurface&) = delete;
  OnSurface& operator=(const OnSurface&) = delete;

  void Draw() { control->draw(screen.context()); }
  // A pixel of the control's off-screen, as the last draw left it.
  uint32_t At(long x, long y) { return drawtest::Pixels(control->pOffscreen).at(x, y); }
  std::vector<uint32_t> Image() {
    drawtest::Pixels pixels(control->pOffscreen);
    std::vector<uint32_t> image;
    for (long y = 0; y < control->pOffscreen->getHeight(); ++y)
      for (long x = 0; x < control->pOffscreen->getWidth(); ++x) image.push_back(pixels.at(x, y));
    return image;
  }

  TestSurface screen{600, 400};
  CViewContainer* container = nullptr;
  Control* control;
};

// The product's picker: 200 x 228, so 16 rows of 14 pixels leave 4 over.
constexpr CRect kPickerRect(304, 35, 504, 263);

void Press(CControl* control, long x, long y, long buttons = kMouseLeft) {
  CPoint where(x, y);
  control->mouse(nullptr, where, buttons);
}

// Independent values of telling palette entries.
struct Entry {
  int index;
  CColor colour;
};
const Entry kTellingEntries[] = {{0, {255, 178, 178, 255}},  {4, {127, 0, 0, 255}},     {16, {255, 223, 178, 255}},
                                 {104, {229, 217, 208, 255}}, {120, {255, 255, 255, 255}}, {123, {160, 160, 160, 255}},
                                 {126, {45, 45, 45, 255}},    {127, {0, 0, 0, 255}}};

}  // namespace

TEST(ColorPickerTest, ClickedCellBecomesTheValue) {
  RecordingListener listener;
  auto* picker = new CColorPicker(kPickerRect, nullptr, &listener, 9999);
  OnSurface<CColorPicker> on(picker);
  Press(picker, kPickerRect.left, kPickerRect.top);
  EXPECT_FLOAT_EQ(picker->getValue(), 0.0f) << "top-left cell";
  Press(picker, kPickerRect.right - 1, kPickerRect.top + 15 * 14 + 1);
  EXPECT_FLOAT_EQ(picker->getValue(), 127.0f / 128.0f) << "bottom-right cell";
  Press(picker, kPickerRect.left + 2 * 25 + 3, kPickerRect.top + 3 * 14 + 3, kMouseRight);
  EXPECT_FLOAT_EQ(picker->getValue(), 26.0f / 128.0f) << "hue 3, shade 2; any button picks";
  EXPECT_EQ(listener.heard, std::vector<float>({0.0f, 127.0f / 128.0f, 26.0f / 128.0f}));
}

TEST(ColorPickerTest, PixelsBelowTheLastFullRowBelongToTheLastRow) {
  RecordingListener listener;
  auto* picker = new CColorPicker(kPickerRect, nullptr, &listener, 9999);
  OnSurface<CColorPicker> on(picker);
  Press(picker, kPickerRect.left + 1, kPickerRect.bottom - 1);
  EXPECT_FLOAT_EQ(picker->getValue(), 120.0f / 128.0f) << "row 16 would read past the palette";
  EXPECT_LE(picker->getValue(), 1.0f);
}

TEST(ColorPickerTest, CancelStripNotifiesWithoutAChange) {
  RecordingListener listener;
  auto* picker = new CColorPicker(kPickerRect, nullptr, &listener, 9999);
  picker->bShowCancel = true;
  OnSurface<CColorPicker> on(picker);
  EXPECT_EQ(picker->CellHeight(), (228 - 15) / 16);
  Press(picker, kPickerRect.left + 30, kPickerRect.top + 20);
  const float chosen = picker->getValue();
  EXPECT_FLOAT_EQ(chosen, 9.0f / 128.0f);
  Press(picker, kPickerRect.left + 100, kPickerRect.bottom - 5);
  EXPECT_FLOAT_EQ(picker->getValue(), chosen);
  EXPECT_EQ(listener.heard.size(), 2u) << "the strip still tells the listener";
}

TEST(ColorPickerTest, TooSmallAPickerIgnoresClicks) {
  RecordingListener listener;
  auto* picker = new CColorPicker(CRect(0, 0, 7, 100), nullptr, &listener, 9999);
  OnSurface<CColorPicker> on(picker);
  picker->setValue(0.5f);
  Press(picker, 3, 3);
  EXPECT_FLOAT_EQ(picker->getValue(), 0.5f);
  EXPECT_TRUE(listener.heard.empty());
}

TEST(ColorPickerTest, CellsShowThePaletteColourTheirValueStandsFor) {
  auto* picker = new CColorPicker(kPickerRect, nullptr, nullptr, 9999);
  OnSurface<CColorPicker> on(picker);
  picker->setValue(0.5f);  // the mark is away from the cells looked at
  on.Draw();
  for (const Entry& e : kTellingEntries) {
    const CRect cell = picker->CellRect(e.index);
    const long x = (cell.left + cell.right) / 2;
    const long y = (cell.top + cell.bottom) / 2;
    EXPECT_EQ(on.At(x, y), Word(e.colour)) << "entry " << e.index;
    // Clicking that cell gives the value that maps back to the colour.
    Press(picker, kPickerRect.left + x, kPickerRect.top + y);
    EXPECT_EQ(CLookupColorUser::GetLookupColor(picker->getValue()), e.colour) << "entry " << e.index;
  }
  EXPECT_EQ(on.At(25, 5), Word(kBlackCColor)) << "a black line between cells";
}

TEST(ColorPickerTest, ValueOneMarksTheLastCellLikeItsOwnValue) {
  auto* picker = new CColorPicker(kPickerRect, nullptr, nullptr, 9999);
  OnSurface<CColorPicker> on(picker);
  picker->setValue(127.0f / 128.0f);
  on.Draw();
  const std::vector<uint32_t> last = on.Image();
  picker->setValue(1.0f);
  on.Draw();
  EXPECT_EQ(on.Image(), last);
  picker->setValue(0.0f);
  on.Draw();
  EXPECT_NE(on.Image(), last) << "the mark moves with the value";
  const CRect first = picker->CellRect(0);
  EXPECT_EQ(on.At(first.left + 10, first.bottom - 1), Word(kWhiteCColor)) << "the mark's white edge along the cell";
}

TEST(ColorPickerTest, CancelStripCarriesItsLabel) {
  auto* cancel = new CColorPicker(kPickerRect, nullptr, nullptr, 9999);
  cancel->bShowCancel = true;
  OnSurface<CColorPicker> b(cancel);
  b.Draw();
  int lit = 0;
  for (long y = 228 - 15; y < 228; ++y)
    for (long x = 0; x < 200; ++x)
      if (b.At(x, y) != Word(kBlackCColor)) ++lit;
  EXPECT_GT(lit, 20) << "white text in the strip";
}

TEST(ColorBoundaryPickerTest, RowsSplitTheHeightAndTheLastRowTakesTheRest) {
  RecordingListener listener;
  auto* picker = new CColorBoundaryPicker(&g_ColorBoundaryPickerComposite, CRect(10, 20, 110, 120), nullptr,
                                          &listener, 9999);
  OnSurface<CColorBoundaryPicker> on(picker);
  EXPECT_EQ(picker->nRowHeight, 11) << "100 pixels over 9 presets";
  Press(picker, 50, 119);
  EXPECT_FLOAT_EQ(picker->getValue(), 1.0f) << "the last pixel row picks preset 8";
  Press(picker, 50, 20 + 3 * 11);
  EXPECT_FLOAT_EQ(picker->getValue(), 3.0f / 8.0f);
  Press(picker, 50, 20);
  EXPECT_FLOAT_EQ(picker->getValue(), 0.0f);
  EXPECT_EQ(listener.heard.size(), 3u);
}

TEST(ColorBoundaryPickerTest, EachPresetIsShownAsAGradientBar) {
  auto* picker = new CColorBoundaryPicker(&g_ColorBoundaryPickerComposite, CRect(0, 0, 100, 99), nullptr,
                                          nullptr, 9999);
  OnSurface<CColorBoundaryPicker> on(picker);
  picker->setValue(0.0f);
  on.Draw();
  // Preset 8 is black up to 0.6 and white above: over 0..1 on 100 columns.
  const long y = 8 * 11 + 5;
  EXPECT_EQ(on.At(20, y), Word(kBlackCColor));
  EXPECT_EQ(on.At(90, y), Word(kWhiteCColor));
  // Preset 3 runs from black to blue: a column half way is a dark blue.
  const uint32_t mid = on.At(50, 3 * 11 + 5);
  EXPECT_EQ(mid >> 16 & 0xFF, 0u);
  EXPECT_GT(mid & 0xFF, 100u);
}

TEST(PickableColorTest, SwatchShowsThePaletteColourOfItsValue) {
  TestSurface screen(100, 100);
  auto* swatch = new CPickableColor(CRect(10, 10, 30, 20), CRect(0, 0, 200, 228), nullptr, 9001);
  swatch->setValue(16.0f / 128.0f);
  swatch->draw(screen.context());
  EXPECT_EQ(screen.pixel(10, 10), Word({255, 223, 178, 255}));
  EXPECT_EQ(screen.pixel(29, 19), Word({255, 223, 178, 255}));
  EXPECT_EQ(screen.pixel(30, 15), kWhiteWord) << "nothing outside the swatch";
  CPoint where(12, 12);
  swatch->mouse(nullptr, where, kMouseLeft);  // no editor listens: nothing opens
  swatch->forget();
}
