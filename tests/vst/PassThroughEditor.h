// A minimal editor for the pass-through test effect, built with the
// project's toolkit, so that the command-line host's editor mode can be
// tested end to end without the product's editor: one bar that sets the gain
// while the left button drags across it, each drag one edit bracket with the
// automation inside, and under it the toolkit's horizontal slider on the
// delay.
#pragma once

#include "gui/AEffGUIEditor.h"
#include "gui/CControl.h"

class PassThroughEditor : public AEffGUIEditor, public CControlListener {
 public:
  static constexpr long kWidth = 240, kHeight = 100;
  // The gain bar, in window coordinates: the value is the pointer's share of
  // its width from its left edge.
  static constexpr long kBarLeft = 20, kBarTop = 40, kBarRight = 220, kBarBottom = 60;
  // The slider spans the bar's width; its handle is kSliderHandle wide.
  static constexpr long kSliderTop = 70, kSliderBottom = 90, kSliderHandle = 10;

  explicit PassThroughEditor(AudioEffect* effect);
  ~PassThroughEditor() override;

  bool open(void* window) override;
  void close() override;
  void valueChanged(CDrawContext* context, CControl* control) override;
};
