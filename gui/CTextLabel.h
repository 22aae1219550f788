// CTextLabel: a display of a fixed text (a heap copy it owns, or none).
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CParamDisplay.h"

class CTextLabel : public CParamDisplay {
 public:
  CTextLabel(const CRect& size, const char* txt = nullptr, CBitmap* background = nullptr,
             const long style = 0);
  ~CTextLabel() override;

  // Replaces the copy (null: none); does not mark the control dirty.
  virtual void setText(const char* txt);
  virtual const char* getText() const { return text; }

  void draw(CDrawContext* context) override;
  bool isTypeOf(const char* type) const override;

 protected:
  void freeText();

  char* text = nullptr;  // owned
};
