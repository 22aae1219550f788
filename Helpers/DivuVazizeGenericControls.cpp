// Controls bound to parameters by tag: the generic slots, the bitmap cache,
// the editor's control listener and the factories of the controls the editor
// base places itself.
#include "Helpers/Assert.h"
#include "Helpers/DerivedControls.h"
#include "Helpers/DivuVazize.h"
#include "Helpers/XREffect.h"
#include "gui/CBitmap.h"
#include "gui/CFrame.h"

XR_REGISTER_SOURCE_FILE("Helpers/DivuVazizeGenericControls.cpp");

namespace {
constexpr long kFirstPersistantTag = 9000;
constexpr long kUnboundTag = 9999;
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
  m_bChangeFromGui.store(true);
  try {
    fx->SetParamAndForceHostUpdate(static_cast<int>(tag), control->ConvertValueToParam(value));
  } catch (...) {
    HandleException(__PRETTY_FUNCTION__);
  }
  m_bChangeFromGui.store(false);
  control->setDirty(true);
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

COptionMenuExtended* DivuVazize::AddOptionMenu(CRect rect, const char* const* entries, long tag) {
  XR_TRY
  COptionMenuExtended* menu = new COptionMenuExtended(rect, this, tag, nullptr, nullptr, 0);
  long n = 0;
  for (; entries && entries[n]; ++n) menu->addEntry(entries[n], -1);
  menu->setFontColor(kBlackCColor);
  menu->setBackColor(kWhiteCColor);
  if (n > 1) menu->setMax(static_cast<float>(n - 1));
  return static_cast<COptionMenuExtended*>(AddControl(menu, tag));
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
