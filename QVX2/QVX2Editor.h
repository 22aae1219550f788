// The equaliser's editor: a front panel with the equaliser curve of each
// channel over the live spectrum (QVX2CompositeGraph), a two-channel level
// meter and the band, filter, trim, linking and analyser controls, or, in
// colour mode, a colour picker with eight colour-slot buttons in the graph's
// place; and the editor base's back panel with the quality-mode block.
//
// Source files: QVX2Editor.cpp (construction and the front panel),
// QVX2EditorEdits.cpp (control edits, channel linking, refresh and idle),
// QVX2EditorCurve.cpp (the curve cache the graph draws).
//
// Channel linking. An edit made in the editor on one channel's band gain or
// pass filter is mirrored to the other channel by Control Mode: "Snap" copies
// the value, "Linked" keeps the difference the two had when Linked was
// chosen, "Seperate" leaves the other channel alone. Only the editor's own
// writes mirror, on the user-interface thread: host automation (on any
// thread, also while an edit is under way), program loads, undo and redo and
// A/B switches never do.
//
// Edit brackets. Every parameter the editor writes from a user's action
// reaches the host inside the host's edit bracket of that parameter, as
// hosts recording in touch mode need: an editor gesture lasts from a
// control's begin edit to its end edit (a click, a drag, a menu choice, a
// curve drag, the back panel's quality menus), or for one value change or
// one write outside any; each parameter it writes is announced (begin edit)
// before its first write and closed (end edit) when the outermost gesture
// ends. A tagged control's own parameter is left to the control, whose
// begin and end edit reach the host already.
//
// Threads. Everything runs on the user-interface thread (the thread that
// opened the editor), except:
// - setParameter, which the effect calls from whichever thread wrote the
//   parameter: off the user-interface thread it only raises flags that the
//   next idle serves;
// - MarkCurveStale, which the effect's filter update calls on its idle side;
// - LevelMeterForAudio, read by the audio thread while it holds lock A (see
//   AQVX2::FeedEditorMeter): the pointer is cleared before the meter's view
//   is removed, and the removal takes lock A, so a meter the audio thread
//   found stays alive until it lets go of the lock.
#pragma once

#include <atomic>
#include <bitset>

#include "Helpers/DivuVazize.h"
#include "QVX2/QVX2Params.h"

class AQVX2;
class CColorPicker;
class CKickButton;
class CLevelMeter;
class QVX2CompositeGraph;

// Where the graph and, in colour mode, the colour picker sit on the front.
extern const CRect g_rectCompositeGraph;
extern const CRect g_rectColorPicker;

class QVX2Editor : public DivuVazize {
 public:
  static constexpr int kCurveColumns = 472;  // the graph's width: one column per pixel
  static constexpr int kNumColorSlots = 8;
  // The persistent settings the editor reads and edits, in the order of
  // kQvx2PersistantTable: first the eight colour slots.
  enum : int {
    kColEqLinked = kQvx2FirstPersistantParam, kColEqLeft, kColEqRight, kColMeterGreen, kColMeterYellow,
    kColMeterRed, kColFftLeft, kColFftRight, kGraphFillParam, kShowLatencyWarningParam, kFirstRunParam
  };

  // Registers itself as the effect's editor. [the effect's creating thread]
  explicit QVX2Editor(AudioEffect* effect);
  ~QVX2Editor() override;
  QVX2Editor(const QVX2Editor&) = delete;
  QVX2Editor& operator=(const QVX2Editor&) = delete;

  // --- the effect's calls -------------------------------------------------
  // [any thread] Mirrors an editor edit by Control Mode (user-interface
  // thread only) and keeps the controls and flags in step.
  void setParameter(long index, float value) override;
  // [any thread] The curve is recomputed before the graph's next draw.
  void MarkCurveStale() { m_bCurveCacheStale.store(true); }
  bool IsCurveStale() const { return m_bCurveCacheStale.load(); }
  // [audio thread, lock A held] The level meter, or null.
  CLevelMeter* LevelMeterForAudio() const { return m_pLevelMeter.load(); }

  // --- controls [user-interface thread] -----------------------------------
  void valueChanged(CDrawContext* context, CControl* control) override;
  void UpdateABControls() override;
  void UpdateUi() override;

  // --- what the graph uses [user-interface thread] ------------------------
  // Fills the curve cache from the effect (WYSIWYG off: the response model;
  // on: the committed kernels, only while no update is marked or running).
  void CacheFilterGraph();
  // 1 when Control Channel is non-zero (NaN counts as non-zero), else 0.
  int GetChannel();
  bool ShowsLeftRight() const { return m_bShowLeftRight; }
  const double* Curve(int channel) const { return m_fCurve[channel != 0 ? 1 : 0]; }
  float LogMinFreq() const { return m_fLogMinFreq; }
  float LogFreqRange() const { return m_fLogFreqRange; }
  // The displayed ranges from parameters 275 to 278 as the graph may use
  // them: a NaN or infinite value reads as the default, values are held to
  // 0..1, the ends are ordered and at least the graph's least zoom span
  // apart (10 Hz, 5 dB).
  void GetGraphFreqRange(float& fmin, float& fmax);
  void GetGraphDbRange(float& dbMin, float& dbMax);
  // The band layout the effect draws with (0..6).
  int GetLayout();
  // Announces a write the editor's action causes beyond the editor's own
  // writes (the effect's band-type refit). Nothing outside a gesture.
  void AnnounceWrite(int index);
  // A control's bracket (a curve drag's too, or the refit's undo group): a
  // gesture.
  bool beginEdit(int index) override;
  bool endEdit(int index) override;
  AQVX2* Effect() const;

  // The graph's frequency axis: 10 Hz at 0.0, 30 kHz at 1.0, logarithmic.
  static float FrequencyOfParam(float p);
  static float ParamOfFrequency(float hz);

  // --- operations ------------------------------------------------------------
  void Reset();
  void UpdateGraph(bool force);
  bool CheckShouldDisplayLeftRight(bool);
  bool CheckShouldDisplayLeftRightInner();

 protected:
  void AddFrontViewsInner() override;
  void InnerZeroControlPtrs() override;
  void AddBackViewsInner() override {}
  void IdleInner() override;
  void ControlCallbackInner(EControlCallback kind, CControl* control, float a, float b, float c) override;
  void SetupColorControls();
  void valueChangedInner(CDrawContext* context, CControl* control);

  // Writes an editor edit: the only writes that may mirror.
  void WriteParam(int index, float value);
  // A write of the editor's own, announced within a gesture (one of its own
  // when none is open).
  void HostWrite(int index, float value);
  // The base's writes (the quality menus) take the same path.
  void WriteParamFromEditor(int index, float value) override { HostWrite(index, value); }
  // Step 1 of setParameter: the partner channel's write by Control Mode.
  void MirrorToPartner(int index, float value);
  // Gestures nest; the outermost end closes the brackets the editor opened.
  void BeginGesture();
  void EndGesture();
  class CGesture;
  // A parameter's value, 0 for an index the edition lacks.
  float P(int index);

  // --- fields (control pointers observe views the frame owns) ------------
  int m_nSelectedHandle = 2;
  int m_nLastShownSelectedHandle = -1;
  bool m_bShowLeftRight = true;
  std::atomic<bool> m_bRecheckLeftRight{false};  // raised on any thread
  std::atomic<bool> m_bChannelChanged{false};    // raised on any thread
  // Set while no write mirrors: inside a mirror's own write, or a Reset.
  // User-interface thread.
  bool m_bMirroring = false;
  // The parameter the editor is writing now (-1: none); only its write
  // mirrors. User-interface thread.
  int m_nEditorWrite = -1;
  int m_nColorSlot = 0;
  QVX2CompositeGraph* m_pGraph = nullptr;
  std::atomic<CLevelMeter*> m_pLevelMeter{nullptr};
  CKickButton* m_pResetButton = nullptr;
  COptionMenuExtended* m_pBandTypeMenu = nullptr;
  COnOffButtonExtended* m_pLinkButton = nullptr;
  COnOffButtonExtended* m_pLeftButton = nullptr;
  COnOffButtonExtended* m_pRightButton = nullptr;
  COnOffButtonExtended* m_pLinkRelButton = nullptr;
  COnOffButtonExtended* m_pHpfOnButton = nullptr;
  CTextDrag* m_pHpfFreq = nullptr;
  COnOffButtonExtended* m_pLpfOnButton = nullptr;
  CTextDrag* m_pLpfFreq = nullptr;
  COnOffButtonExtended* m_pColorModeButton = nullptr;
  CColorPicker* m_pColorPicker = nullptr;
  CTextButton* m_pColorSlotButton[kNumColorSlots] = {};
  CTextButton* m_pResetColorsButton = nullptr;
  CTextButton* m_pFillButton = nullptr;
  bool m_bColorMode = false;
  double m_fCurve[2][kCurveColumns] = {};
  float m_fLogMinFreq;
  float m_fLogFreqRange;
  std::atomic<bool> m_bCurveCacheStale{true};
  // The open gestures, the parameters bracketed for the host within them
  // (by the editor or by a control) and those the editor opened.
  int m_nGestureDepth = 0;
  std::bitset<kQvx2NumHostParams> m_GestureBracketed;
  std::bitset<kQvx2NumHostParams> m_GestureOpened;
};
