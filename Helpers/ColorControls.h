// Controls that let the user choose colours. Their value is a float from 0
// to 1 that encodes a palette index (index / 128) or a preset number
// (preset / (count - 1)).
//
// - CColorPicker shows the 128-colour palette (CLookupColorUser) as a grid
//   of 8 columns (shades) and 16 rows (hues), with an optional "Cancel"
//   strip under it, and takes the clicked colour as its value.
// - CPickableColor is a swatch of its colour that opens a colour picker
//   bound to its own tag when clicked.
// - CColorBoundaryPicker lists the preset scales of a
//   CColorBoundaryPickerInfo as horizontal gradient bars and picks one.
//
// A picker must be at least 8 pixels wide and 16 (plus the strip) high; a
// smaller one ignores clicks. A boundary picker needs at least two presets.
//
// Thread contract: user-interface thread only, like every control.
#pragma once

#include "Helpers/ColorModel.h"
#include "Helpers/OwnerDrawControlsBase.h"

class DivuVazize;

class CColorPicker : public CLayeredOwnerDrawControl, public virtual CMouseMoveAwayHook, public CLookupColorUser {
 public:
  static constexpr int kColumns = 8;
  static constexpr int kRows = 16;
  static constexpr long kCancelStrip = 15;  // pixels

  CColorPicker(const CRect& size, DivuVazize* editor, CControlListener* listener, long tag);
  ~CColorPicker() override;

  // Any button: the clicked cell becomes the value and the listener hears of
  // it; a click on the "Cancel" strip tells the listener without a change.
  // Clicks between the last cell and the control's edge count for the
  // nearest cell.
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  // The selection mark around the value's cell, and the strip's label.
  void DoOwnerDrawInner(CDrawContext* offscreen) override;
  // Black, with each palette colour in its cell.
  void DoDrawBackground(CDrawContext* layer) override;
  bool isTypeOf(const char* type) const override;

  // The palette index of a click at where (parent coordinates): 0..127, or
  // 128 for the "Cancel" strip; -1 when the cells are empty.
  int IndexAt(const CPoint& where) const;
  // The cell (offscreen coordinates) of palette index 0..127.
  CRect CellRect(int index) const;
  long CellWidth() const;
  long CellHeight() const;

  bool bShowCancel = false;
};

class CPickableColor : public CControl, public CLookupColorUser {
 public:
  // pickerRect: where the picker opens, in the editor's panel coordinates.
  CPickableColor(const CRect& size, const CRect& pickerRect, CControlListener* listener, long tag);
  ~CPickableColor() override;

  // Fills the rectangle with the value's palette colour.
  void draw(CDrawContext* context) override;
  // A left click opens a picker through the editor that listens to this
  // swatch; nothing when the listener is not an editor.
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  bool isTypeOf(const char* type) const override;

  CRect rectPicker;
  bool bPickerShowsCancel = false;
};

class CColorBoundaryPicker : public CLayeredOwnerDrawControl,
                             public virtual CMouseMoveAwayHook,
                             public CLookupColorUser {
 public:
  // info is not owned and must outlive the control.
  CColorBoundaryPicker(const CColorBoundaryPickerInfo* info, const CRect& size, DivuVazize* editor,
                       CControlListener* listener, long tag);
  ~CColorBoundaryPicker() override;

  // Any button: the clicked row's preset becomes the value (rows past the
  // last preset count for the last), then the listener hears of it.
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  // The selection mark around the value's row.
  void DoOwnerDrawInner(CDrawContext* offscreen) override;
  // Black, with one gradient bar per preset.
  void DoDrawBackground(CDrawContext* layer) override;
  bool isTypeOf(const char* type) const override;

  // The preset of a click at where (parent coordinates); -1 without rows.
  int PresetAt(const CPoint& where) const;

  const CColorBoundaryPickerInfo* pInfo;
  long nRowHeight;  // the control's height / the number of presets
};
