// Instrument frequency guide: for each of twelve instruments, the frequency
// ranges worth knowing when equalising it. The effect shows a set's name as
// the text of "Guide Display"; the curve graph draws the ranges (CQvxGuide).
// Beside it, the latency-warning helpers the editor carries.
//
// The table is constant data: any thread may read it.
#pragma once

#include "gui/GuiTypes.h"

enum EQvxGuideSet {
  kQvxGuideNone = 0,
  kQvxGuideKick,
  kQvxGuideSnare,
  kQvxGuideToms,
  kQvxGuideCymbals,
  kQvxGuideBassGuitar,
  kQvxGuideAcousticGuitar,
  kQvxGuideVocals,
  kQvxGuideElectricGuitar,
  kQvxGuideHorns,
  kQvxGuideStrings,
  kQvxGuideMix,
  kQvxNumGuideSets
};

struct QvxGuideRange {
  float fLowHz;
  float fHighHz;  // 0 ends the set
  const char* pszLabel;
};

struct QvxGuideSet {
  const char* pszInstrument;  // "" for the empty set 0
  QvxGuideRange rows[10];
};

extern const QvxGuideSet g_sQvxGuideSet[kQvxNumGuideSets];

// Instrument name of a set; the empty name for any index outside 0..11.
const char* QvxGuideSetName(int set);

// --- the guide overlay of the curve graph ------------------------------------------
//
// Draws the ranges of one set over the curve graph: shaded bars on the
// background layer (rows that overlap add up, the hovered row three times as
// strong), a numbered circle per row, and the hovered row's label on the
// foreground. Nothing selects a set yet, so the guide shows set 0 (no rows)
// and draws and reacts to nothing.
//
// Thread contract: user-interface thread only, inside the graph's drawing and
// mouse handling.
class CControl;
class CDrawContext;
class DivuVazize;

class CQvxGuide {
 public:
  static constexpr int kMaxRows = 10;

  CQvxGuide() = default;
  // Sets outside 0..11 show nothing.
  void SetCurrentSet(EQvxGuideSet set);
  EQvxGuideSet GetCurrentSet() const { return m_eCurrentSet; }
  int GetHoveredRow() const { return m_nHoveredRow; }

  // The row whose circle lies within 7 pixels of p (graph coordinates)
  // becomes the hovered one; true when that changed.
  bool SetMouseHover(CPoint p);
  // rect: the graph's own drawing rectangle; fmin..fmax the displayed range.
  void DrawGuideBars(CDrawContext* ctx, CRect rect, float fmin, float fmax, float sampleRate);
  void DrawGuideNums(CDrawContext* ctx, CRect rect, float fmin, float fmax);
  void DrawGuideInfo(CDrawContext* ctx, CRect rect);

 private:
  // Rows of the current set up to the ending row.
  int RowCount() const;

  int m_nHoveredRow = -1;
  EQvxGuideSet m_eCurrentSet = kQvxGuideNone;
  CPoint m_Markers[kMaxRows];
};

// --- the latency warning -------------------------------------------------------------
//
// A warning about latency that the user could dismiss with two text buttons.
// The editor clears its display whenever it drops its controls and never
// creates the buttons, so the warning stays inert. User-interface thread.

// Where the warning would show; the editor sets it to its graph's area.
extern CRect g_rectLatencyWarning;
extern bool g_bQvxLatencyWarning_DisplayClear;
// 0..3: which question the two buttons would answer.
extern int g_eQvxLatencyWarning_InterfaceState;
// The warning's two buttons (never created).
extern CControl* g_pQvxLatencyWarningButton[2];

void ClearLatencyWarningDisplay();
// Whether the warning takes the graph's place: never.
bool CheckDisplayLatencyWarning(DivuVazize* editor, int showIndex, int firstRunIndex);
// A click on one of the warning's buttons; nothing for any other control or
// while the display is cleared.
void LatencyWarningValueChanged(CControl* control, DivuVazize* editor, int showIndex);
