#include "Helpers/Assert.h"
#include "Helpers/OwnerDrawControlsBase.h"
#include "Helpers/XREffect.h"
#include "gui/AEffGUIEditor.h"
#include "gui/CDrawContext.h"
#include "gui/COffscreenContext.h"

XR_REGISTER_SOURCE_FILE("Helpers/OwnerDrawControlsLayered");

namespace {

CColor OpaqueFromInts(int red, int green, int blue) {
  return {static_cast<unsigned char>(red), static_cast<unsigned char>(green),
          static_cast<unsigned char>(blue), 255};
}

}  // namespace

void CLayered_OwnerDraw(const CRect& rect, COwnerDrawControl* control, CDrawContext* offscreen) {
  XR_TRY
  if (auto* layered = dynamic_cast<CLayeredOwnerDrawControl*>(control))
    layered->DoOwnerDraw(rect, offscreen);
  XR_CATCH_VOID
}

CLayeredOwnerDrawControl::CLayeredOwnerDrawControl(const CRect& size, AEffGUIEditor* editor,
                                                   CControlListener* listener)
    : COwnerDrawControl(size, CLayered_OwnerDraw, editor, listener), rectDraw(size) {}

CLayeredOwnerDrawControl::~CLayeredOwnerDrawControl() {
  if (pBackgroundLayer) pBackgroundLayer->forget();
  pBackgroundLayer = nullptr;
}

bool CLayeredOwnerDrawControl::attached(CView* parent) {
  XR_TRY
  const bool result = COwnerDrawControl::attached(parent);
  if (pBackgroundLayer) pBackgroundLayer->forget();
  pBackgroundLayer = nullptr;
  pBackgroundLayer = new COffscreenContext(getFrame(), size.width(), size.height(), kBlackCColor);
  bBackgroundDirty = true;
  return result;
  XR_CATCH(false)
}

bool CLayeredOwnerDrawControl::removed(CView* parent) {
  XR_TRY
  const bool result = COwnerDrawControl::removed(parent);
  if (pBackgroundLayer) pBackgroundLayer->forget();
  pBackgroundLayer = nullptr;
  return result;
  XR_CATCH(false)
}

void CLayeredOwnerDrawControl::SetBackground(int red, int green, int blue) {
  XR_TRY
  colBackground = OpaqueFromInts(red, green, blue);
  bBackgroundDirty = true;
  XR_CATCH_VOID
}

void CLayeredOwnerDrawControl::DoDrawBackground(CDrawContext*) {}

void CLayeredOwnerDrawControl::DoOwnerDraw(const CRect& rect, CDrawContext* offscreen) {
  XR_TRY
  rectDraw = rect;
  // Every frame, so that a display always reads the editor's current effect.
  FillInEffectFromEditor();
  if (pBackgroundLayer) {
    if (bBackgroundDirty) {
      DoDrawBackground(pBackgroundLayer);
      bBackgroundDirty = false;
    }
    // copyFrom lays the source's rows from one row above the rectangle's
    // top: a rectangle one row lower puts layer row r on off-screen row r.
    if (offscreen)
      pBackgroundLayer->copyFrom(offscreen, CRect(0, 1, rect.width(), rect.height() + 1),
                                 CPoint(0, 0));
  }
  DoOwnerDrawInner(offscreen);
  XR_CATCH_VOID
}

void CLayeredOwnerDrawControl::FillInEffectFromEditor() {
  XR_TRY
  pEffect = pEditor ? dynamic_cast<XREffect*>(pEditor->getEffect()) : nullptr;
  XR_CATCH_VOID
}

void CLayeredOwnerDrawControl::ClearBackground(CDrawContext* ctx, int red, int green, int blue) {
  XR_TRY
  colBackground = OpaqueFromInts(red, green, blue);
  if (!ctx) return;
  ctx->setFillColor(colBackground);
  ctx->fillRect(rectDraw);
  XR_CATCH_VOID
}

double CLayeredOwnerDrawControl::GetSampleRate() {
  XR_TRY
  if (!pEffect) FillInEffectFromEditor();
  if (!pEffect) return 0.0;
  return pEffect->getSampleRate();
  XR_CATCH(0.0)
}
