// Doubles for the drag field tests: the class defaults set for one test and
// restored afterwards, and a fixture with a field on a headless frame whose
// pointer follows a script, one state per idle pass.
#pragma once

#include <string>
#include <vector>

#include "Helpers/DerivedControls.h"
#include "gui_controls/ControlTestSupport.h"

namespace dragtest {

using controltest::Event;
using controltest::PointerState;

struct FieldDefaults {
  const char* format = "%.1f";
  const char* kFormat = nullptr;
  float min = -40.0f;
  float max = 40.0f;
  float inc = 0.5f;
  float scale = 1.0f;
};

// Sets the class defaults; puts back the ones found when it ends.
class DefaultsScope {
 public:
  explicit DefaultsScope(const FieldDefaults& d)
      : m_Saved{CTextDrag::c_szDefaultFormat, CTextDrag::c_szDefaultKFormat, CTextDrag::c_fDefaultMin,
                CTextDrag::c_fDefaultMax,     CTextDrag::c_fDefaultInc,     CTextDrag::c_fDefaultScale} {
    Apply(d);
  }
  ~DefaultsScope() { Apply(m_Saved); }
  DefaultsScope(const DefaultsScope&) = delete;
  DefaultsScope& operator=(const DefaultsScope&) = delete;

  static void Apply(const FieldDefaults& d) {
    CTextDrag::c_szDefaultFormat = d.format;
    CTextDrag::c_szDefaultKFormat = d.kFormat;
    CTextDrag::c_fDefaultMin = d.min;
    CTextDrag::c_fDefaultMax = d.max;
    CTextDrag::c_fDefaultInc = d.inc;
    CTextDrag::c_fDefaultScale = d.scale;
  }

 private:
  FieldDefaults m_Saved;
};

constexpr CRect kFieldRect(100, 100, 140, 112);
constexpr int kPressX = 120;
constexpr int kPressY = 106;

inline std::string TextOf(const CTextEdit* edit) {
  char text[kParamDisplayTextSize];
  edit->getText(text);
  return text;
}

class TextDragFixture : public controltest::ControlFixture {
 protected:
  // A field made with the given defaults, at `start`, drawn once (clean).
  CTextDrag* MakeField(const FieldDefaults& d, CTextDrag::ETextDragType type, float start, long tag = 7) {
    DefaultsScope scope(d);
    auto* field = new CTextDrag(kFieldRect, &listener, tag, nullptr, nullptr, 0);
    field->eType = type;
    field->setValue(start);
    Add(field);
    frame->draw(static_cast<CView*>(nullptr));
    log.clear();
    return field;
  }
  // A press on the field with `buttons`, then the pointer `dy` pixels lower
  // (negative: higher) with the same buttons, then released there.
  void Drag(int dy, long buttons = kMouseLeft) {
    Click(kPressX, kPressY, buttons,
          {{kPressX, kPressY + dy, buttons}, {kPressX, kPressY + dy, 0}});
  }
  // A press that follows the whole script of offsets (each held), then
  // releases at the last one.
  void DragThrough(const std::vector<int>& offsets, long buttons = kMouseLeft) {
    std::vector<PointerState> script;
    for (int dy : offsets) script.push_back({kPressX, kPressY + dy, buttons});
    script.push_back({kPressX, kPressY + offsets.back(), 0});
    Click(kPressX, kPressY, buttons, script);
  }
  // A key through the frame's key path.
  void Key(int character, unsigned char virt = 0) {
    VstKeyCode key{};
    key.character = character;
    key.virt = virt;
    frame->onKeyDown(key);
  }
  void Type(const std::string& text) {
    for (unsigned char c : text) Key(c);
  }
  // Two presses on the field close together: the second opens the edit
  // field.
  void DoubleClick() {
    Click(kPressX, kPressY, kMouseLeft, {{kPressX, kPressY, 0}});
    const unsigned int gap = clickGapMs;
    clickGapMs = 100;
    Click(kPressX, kPressY, kMouseLeft, {{kPressX, kPressY, 0}});
    clickGapMs = gap;
  }
};

constexpr unsigned char kVirtReturn = 4;
constexpr unsigned char kVirtEscape = 6;

}  // namespace dragtest
