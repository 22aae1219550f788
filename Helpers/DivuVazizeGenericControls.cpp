// Controls bound to parameters by tag: the generic slots, the bitmap cache,
// the editor's control listener and the factories of the controls the editor
// base places itself.
#include <cmath>
#include <cstdio>

#include "Helpers/Assert.h"
#include "Helpers/ColorControls.h"
#include "Helpers/DerivedControls.h"
#include "Helpers/DivuVazize.h"
#include "Helpers/ScopedValue.h"
#include "Helpers/XREffect.h"
#include "gui/CAnimKnob.h"
#include "gui/CBitmap.h"
#include "gui/CFrame.h"
#include "gui/CKickButton.h"
#include "gui/CSlider.h"

XR_REGISTER_SOURCE_FILE("Helpers/DivuVazizeGenericControls.cpp");

namespace {
constexpr long kFirstPersistantTag = 9000;
constexpr long kUnboundTag = 9999;
// Knobs and sliders move a fifth as fast while Shift is held.
constexpr float kFineZoomFactor = 5.0f;

long WidthOf(const CBitmap* bitmap) { return bitmap ? bitmap->getWidth() : 0; }
long HeightOf(const CBitmap* bitmap) { return bitmap ? bitmap->getHeight() : 0; }

// Adds entries up to the first null one; the maximum becomes the last
// entry's index when there are several.
void AddMenuEntries(COptionMenuExtended* menu, const char* const* entries) {
  long n = 0;
  for (; entries && entries[n]; ++n) menu->addEntry(entries[n], -1);
  if (n > 1) menu->setMax(static_cast<float>(n - 1));
}
}  // namespace

// --- the bitmap cache ------------------------------------------------------------

CBitmap* DivuVazize::GetBitmap(long id) {
  XR_TRY
  for (int i = 0; i < m_nGenericBitmapsAdded; ++i)
    if (m_GenericBitmaps[i].m_pBitmap && m_GenericBitmaps[i].m_nResourceId == id) return m_GenericBitmaps[i].m_pBitmap;
  if (m_nGenericBitmapsAdded >= NUM_GENERIC_BITMAPS) {
    AssertionFailed(__FILE__, __LINE__, "GetBitmap", "m_nGenericBitmapsAdded < NUM_GENERIC_BITMAPS");
    return nullptr;
  }
  CBitmap* bitmap = new CBitmap(id);
  bitmap->setTransparentColor(m_colBitmapTransparent);
  m_GenericBitmaps[m_nGenericBitmapsAdded].m_pBitmap = bitmap;
  m_GenericBitmaps[m_nGenericBitmapsAdded].m_nResourceId = id;
  ++m_nGenericBitmapsAdded;
  return bitmap;
  XR_CATCH(nullptr)
}

// --- slots and binding -------------------------------------------------------------

int DivuVazize::UseGenericControlSlot() {
  XR_TRY
  for (int i = 0; i < m_nGenericControlsAdded; ++i)
    if (!m_pGenericControls[i]) return i;
  if (m_nGenericControlsAdded >= NUM_GENERIC_CONTROLS) {
    AssertionFailed(__FILE__, __LINE__, "UseGenericControlSlot", "m_nGenericControlsAdded < NUM_GENERIC_CONTROLS");
    return -1;
  }
  return m_nGenericControlsAdded++;
  XR_CATCH(-1)
}

CControl* DivuVazize::AddControl(CControl* control, long tag) {
  XR_TRY
  if (!control) return nullptr;
  const int slot = frame ? UseGenericControlSlot() : -1;
  if (slot < 0) {
    // No frame, or no slot: a control that setParameter could not reach is
    // not placed at all.
    control->forget();
    return nullptr;
  }
  frame->addView(control);
  m_pGenericControls[slot] = control;
  SetValuesFromTag(control, tag, false);
  control->setDirty(true);
  return control;
  XR_CATCH(nullptr)
}

void DivuVazize::SetValuesFromTag(CControl* control, long tag, bool) {
  XR_TRY
  if (!control) return;
  control->setTag(tag);
  float value = 0.0f;
  XREffect* fx = GetXREffect();
  if (fx && tag >= 0 && tag < kFirstPersistantTag) {
    value = control->ConvertParamToValue(fx->getParameter(static_cast<VstInt32>(tag)));
    control->setDefaultValue(control->ConvertParamToValue(fx->GetDefaultParam(static_cast<int>(tag))));
  } else if (fx && tag >= kFirstPersistantTag && tag < kUnboundTag) {
    value = control->ConvertParamToValue(fx->GetPersistantParam(static_cast<int>(tag)));
  }
  control->setValue(value);
  XR_CATCH_VOID
}

void DivuVazize::RemoveGenericControl(CControl* control) {
  XR_TRY
  if (!control || !frame) return;
  for (int i = 0; i < m_nGenericControlsAdded; ++i) {
    if (m_pGenericControls[i] == control) {
      m_pGenericControls[i] = nullptr;
      break;
    }
  }
  frame->removeView(control, true);
  XR_CATCH_VOID
}

void DivuVazize::SetControlsOfTag(long tag, float param) {
  for (int i = 0; i < m_nGenericControlsAdded; ++i) {
    CControl* control = m_pGenericControls[i];
    if (!control || control->getTag() != tag) continue;
    control->setValue(control->ConvertParamToValue(param));
    control->setDirty(true);
  }
}

void DivuVazize::setParameter(long index, float value) {
  XR_TRY
  if (!m_bOpen.load()) return;
  if (index >= 0 && index < kNumBindableTags) {
    CUiScope ui(this, nullptr);
    if (ui.Entered())
      SetControlsOfTag(index, value);
    else
      DeferTagUpdate(index);
  }
  SetParameterInner(index, value);
  XR_CATCH_VOID
}

// --- the listener -------------------------------------------------------------------

void DivuVazize::valueChanged(CDrawContext*, CControl* control) {
  XR_TRY
  if (!control) return;
  const float value = control->getValue();
  XREffect* fx = GetXREffect();
  if (control == m_pFlipButton || (m_pReturnButton && control == m_pReturnButton)) {
    RequestFlip();
    return;
  }
  if (control == m_pABButton) {
    if (fx && (value != 0.0f) != (fx->GetABBank() == 1)) fx->SwitchABProgram();
    UpdateABControls();
    return;
  }
  if (control == m_pCopyABButton) {
    if (fx && value != 0.0f) fx->CopyAtoB();
    UpdateABControls();
    return;
  }
  if (QualityMenuChanged(control)) return;
  const long tag = control->getTag();
  // Negative tags (owner-drawn controls) are bound to nothing either.
  if (!fx || tag < 0 || tag >= kUnboundTag) return;
  // Nested in the product's own scope, it leaves that one's flag set.
  const CScopedValue<std::atomic<bool>> gui(m_bChangeFromGui, true);
  fx->SetParamAndForceHostUpdate(static_cast<int>(tag), control->ConvertValueToParam(value));
  control->setDirty(true);
  XR_CATCH_VOID
}

void DivuVazize::WriteParamFromEditor(int index, float value) {
  XR_TRY
  XREffect* fx = GetXREffect();
  if (!fx) return;
  // The host's bracket alone: the control's own begin edit opened the undo
  // group already.
  fx->AudioEffectX::beginEdit(index);
  fx->SetParamAndForceHostUpdate(index, value);
  fx->AudioEffectX::endEdit(index);
  XR_CATCH_VOID
}

// --- factories ----------------------------------------------------------------------

CStaticText* DivuVazize::AddStaticText(CRect rect, const char* text, CFont font, CTxtFace face,
                                       CHoriTxtAlign align) {
  XR_TRY
  CStaticText* label = new CStaticText(rect, text, font, face, nullptr);
  label->setHoriAlign(align);
  return static_cast<CStaticText*>(AddControl(label, kUnboundTag));
  XR_CATCH(nullptr)
}

CTextEditExtended* DivuVazize::AddTextEdit(CRect rect, const char* text, long tag, CFont font, CTxtFace face) {
  XR_TRY
  auto* edit = new CTextEditExtended(rect, this, tag, text, nullptr, 0);
  edit->setFont(font);
  edit->setTxtFace(face);
  return static_cast<CTextEditExtended*>(AddControl(edit, kUnboundTag));
  XR_CATCH(nullptr)
}

CTextButton* DivuVazize::AddTextButton(CRect rect, const char* text, CFont font, CTxtFace face, long tag) {
  XR_TRY
  auto* button = new CTextButton(rect, this, text, font, face, true, nullptr);
  const int slot = frame ? UseGenericControlSlot() : -1;
  if (slot < 0) {
    button->forget();
    return nullptr;
  }
  button->setDirty(true);
  frame->addView(button);
  m_pGenericControls[slot] = button;
  button->setTag(tag);
  return button;
  XR_CATCH(nullptr)
}

CStaticRect* DivuVazize::AddStaticRect(const CRect& rect, const CColor& colour) {
  XR_TRY
  return static_cast<CStaticRect*>(AddControl(new CStaticRect(rect, colour), kUnboundTag));
  XR_CATCH(nullptr)
}

COptionMenuExtended* DivuVazize::AddOptionMenu(CRect rect, const char* const* entries, long tag) {
  XR_TRY
  COptionMenuExtended* menu = new COptionMenuExtended(rect, this, tag, nullptr, nullptr, 0);
  AddMenuEntries(menu, entries);
  menu->setFontColor(kBlackCColor);
  menu->setBackColor(kWhiteCColor);
  return static_cast<COptionMenuExtended*>(AddControl(menu, tag));
  XR_CATCH(nullptr)
}

COptionMenuExtended* DivuVazize::AddOptionMenu(const CPoint& where, const char* const* entries, long bitmapId,
                                               long clickBitmapId, long tag, CFont font, CTxtFace face) {
  XR_TRY
  CBitmap* bitmap = GetBitmap(bitmapId);
  CBitmap* clicked = clickBitmapId == -1 ? nullptr : GetBitmap(clickBitmapId);
  auto* menu =
      new COptionMenuExtended(CRect(where, WidthOf(bitmap), HeightOf(bitmap)), this, tag, bitmap, clicked, 0);
  menu->setFont(font);
  menu->setTxtFace(face);
  AddMenuEntries(menu, entries);
  return static_cast<COptionMenuExtended*>(AddControl(menu, tag));
  XR_CATCH(nullptr)
}

CColorPicker* DivuVazize::AddColorPicker(CRect rect, long tag) {
  XR_TRY
  return static_cast<CColorPicker*>(AddControl(new CColorPicker(rect, this, this, tag), tag));
  XR_CATCH(nullptr)
}

CColorBoundaryPicker* DivuVazize::AddColorBoundaryPicker(CRect rect, const CColorBoundaryPickerInfo* info,
                                                         long tag) {
  XR_TRY
  return static_cast<CColorBoundaryPicker*>(AddControl(new CColorBoundaryPicker(info, rect, this, this, tag), tag));
  XR_CATCH(nullptr)
}

CPickableColor* DivuVazize::AddPickableColor(CRect rect, const CRect& pickerRect, long tag, bool pickerShowsCancel) {
  XR_TRY
  auto* swatch = new CPickableColor(rect, pickerRect, this, tag);
  swatch->bPickerShowsCancel = pickerShowsCancel;
  return static_cast<CPickableColor*>(AddControl(swatch, tag));
  XR_CATCH(nullptr)
}

CTextDrag* DivuVazize::AddTextDrag(CRect rect, long tag, CFont font, CTxtFace face, long bitmapId,
                                   CTextDrag::ETextDragType type) {
  XR_TRY
  CBitmap* background = bitmapId == -1 ? nullptr : GetBitmap(bitmapId);
  auto* drag = new CTextDrag(rect, this, tag, nullptr, background, 0);
  // The type first: binding converts the parameter by the field's law.
  drag->eType = type;
  drag->setFont(font);
  drag->setTxtFace(face);
  drag->setBackColor(m_colTextDragBack);
  return static_cast<CTextDrag*>(AddControl(drag, tag));
  XR_CATCH(nullptr)
}

CKickButton* DivuVazize::AddKickButton(const CPoint& where, long bitmapId, long tag) {
  XR_TRY
  CBitmap* bitmap = GetBitmap(bitmapId);
  CPoint origin(0, 0);
  auto* button = new CKickButton(CRect(where, WidthOf(bitmap), HeightOf(bitmap) / 2), this, tag, bitmap, origin);
  return static_cast<CKickButton*>(AddControl(button, tag));
  XR_CATCH(nullptr)
}

COnOffButtonExtended* DivuVazize::AddOnOffButton(const CPoint& where, long bitmapId, long tag) {
  XR_TRY
  CBitmap* bitmap = GetBitmap(bitmapId);
  const long width = bitmap ? bitmap->getWidth() : 0;
  const long height = bitmap ? bitmap->getHeight() / 2 : 0;
  auto* button = new COnOffButtonExtended(CRect(where, width, height), this, tag, bitmap, 0);
  return static_cast<COnOffButtonExtended*>(AddControl(button, tag));
  XR_CATCH(nullptr)
}

CFiniteStatesButton* DivuVazize::AddFiniteStatesButton(const CPoint& where, long bitmapId, int states, long tag) {
  XR_TRY
  if (states < 1) return nullptr;
  CBitmap* bitmap = GetBitmap(bitmapId);
  auto* button = new CFiniteStatesButton(states, CRect(where, WidthOf(bitmap), HeightOf(bitmap) / states), this,
                                         tag, bitmap);
  return static_cast<CFiniteStatesButton*>(AddControl(button, tag));
  XR_CATCH(nullptr)
}

CAnimKnob* DivuVazize::AddAnimKnob(const CPoint& where, long bitmapId, long tag, int subPixmaps) {
  XR_TRY
  if (subPixmaps < 1) return nullptr;
  CBitmap* bitmap = GetBitmap(bitmapId);
  const long frameHeight = HeightOf(bitmap) / subPixmaps;
  CPoint origin(0, 0);
  auto* knob =
      new CAnimKnob(CRect(where, WidthOf(bitmap), frameHeight), this, tag, subPixmaps, frameHeight, bitmap, origin);
  knob->setZoomFactor(kFineZoomFactor);
  knob->setTransparency(true);
  return static_cast<CAnimKnob*>(AddControl(knob, tag));
  XR_CATCH(nullptr)
}

CHorizontalSlider* DivuVazize::AddHorizontalSlider(const CPoint& where, long bitmapId, long handleBitmapId, long tag,
                                                   int a, int b, CPoint handleOffset) {
  XR_TRY
  CBitmap* background = GetBitmap(bitmapId);
  CBitmap* handle = GetBitmap(handleBitmapId);
  const CRect rect(where, WidthOf(background), HeightOf(background));
  const long minPos = rect.left + a;
  const long maxPos = rect.left + (WidthOf(background) - WidthOf(handle)) + a + b;
  CPoint origin(0, 0);
  auto* slider = new CHorizontalSlider(rect, this, tag, minPos, maxPos, handle, background, origin, kLeft);
  if (background) background->setTransparentColor(kMagentaCColor);
  slider->setOffsetHandle(handleOffset);
  slider->setTransparency(true);
  slider->setZoomFactor(kFineZoomFactor);
  return static_cast<CHorizontalSlider*>(AddControl(slider, tag));
  XR_CATCH(nullptr)
}

CVerticalSlider* DivuVazize::AddVerticalSlider(const CPoint& where, long bitmapId, long handleBitmapId, long tag,
                                               int a, int b, CPoint handleOffset) {
  XR_TRY
  CBitmap* background = GetBitmap(bitmapId);
  CBitmap* handle = GetBitmap(handleBitmapId);
  const CRect rect(where, WidthOf(background), HeightOf(background));
  const long minPos = rect.top + a;
  const long maxPos = rect.top + (HeightOf(background) - HeightOf(handle)) + a + b;
  CPoint origin(0, 0);
  auto* slider = new CVerticalSlider(rect, this, tag, minPos, maxPos, handle, background, origin, kBottom);
  if (background) background->setTransparentColor(kMagentaCColor);
  slider->setOffsetHandle(handleOffset);
  slider->setTransparency(true);
  slider->setZoomFactor(kFineZoomFactor);
  return static_cast<CVerticalSlider*>(AddControl(slider, tag));
  XR_CATCH(nullptr)
}

CStaticBitmap* DivuVazize::AddStaticBitmap(const CPoint& where, CBitmap* bitmap) {
  XR_TRY
  auto* image = new CStaticBitmap(CRect(where, WidthOf(bitmap), HeightOf(bitmap)), bitmap);
  return static_cast<CStaticBitmap*>(AddControl(image, kUnboundTag));
  XR_CATCH(nullptr)
}

CStaticBitmap* DivuVazize::AddStaticBitmap(const CPoint& where, long bitmapId) {
  XR_TRY
  return AddStaticBitmap(where, GetBitmap(bitmapId));
  XR_CATCH(nullptr)
}

// --- value-to-text --------------------------------------------------------------------

void DivuVazize::percentStringConvert(float value, char* text) {
  XR_TRY
  if (!text) return;
  // Held within the integer range, so a stray value never converts
  // undefined; NaN shows 0.
  double percent = static_cast<double>(100.0f * value + 0.5f);
  if (!(percent == percent)) percent = 0.0;
  if (percent > 2147483647.0) percent = 2147483647.0;
  if (percent < -2147483648.0) percent = -2147483648.0;
  std::snprintf(text, kParamDisplayTextSize, "%d%%", static_cast<int>(percent));
  XR_CATCH_VOID
}
