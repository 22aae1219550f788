// DivuVazize: the editor base of every product editor. It turns the toolkit's
// editor adaptor into a two-sided editor: a front panel that the product
// fills, and a back panel with an about page and the quality-mode settings.
// An invisible flip button over a fixed area of each side turns to the other
// side. The base also keeps the generic control slots bound to parameters by
// tag, the per-editor bitmap cache, the A/B and undo/redo controls the
// product places, the two editor locks and the control-callback protocol of
// the owner-drawn graphs.
//
// Source files: DivuVazize.cpp (life cycle, panels, locks, the effect's
// hooks), DivuVazizeIdle.cpp (idle, flip, refresh and the work deferred from
// other threads), DivuVazizeBackViews.cpp (back panel, quality-mode block),
// DivuVazizeGenericControls.cpp (tag binding, slots, bitmap cache, factories).
//
// Threads.
// - The user-interface thread is the thread that opened the editor (the
//   host's thread that made the frame). Panels are built, controls changed
//   and deferred work done there only, under the frame lock.
// - The frame's idle thread, started as open's last step (so that it finds
//   the frame stored and the panel built), runs idle() too; there it only
//   lets the frame redraw its dirty views (and, while the host does not
//   idle the editor, marks the displays dirty: keepDisplaysLive).
//   Everything else that idle does (UpdateUi, rebuilds, flips, IdleInner,
//   the effect's idle) runs on the user-interface thread only, so IdleInner
//   never runs on a thread the host does not know.
// - The effect calls its hooks (XREditorHooks) from whichever thread wrote a
//   parameter, possibly the audio thread. setParameter, SetRefreshControls,
//   UpdateUndoRedoControls and UpdateQMControls never block: on another
//   thread, or while the frame is busy on the idle thread, they only raise
//   atomic flags, and the user-interface thread's next idle does the work.
//   TryRemoveAllControls waits for the frame lock (the effect frees what the
//   views read right after it), but refuses on the thread that holds it;
//   RefreshFrontOrBack rebuilds at once on the user-interface thread outside
//   an event and a drag, else at the next idle that is outside both.
// - Lock order: the frame lock, then lock A, then lock B. Lock B covers the
//   frame's event and redraw pass in idle (the window's events are read
//   before the in-idle guard, so that an idle a control's handler makes runs
//   the deferred work, less rebuilds and flips, which would remove the views
//   in use); removals take A then B; the audio thread takes lock A only (around
//   the level meter's input), after reading IsOpen(). The effect's idle runs
//   after idle has left the frame lock, so its rebuild (effect's idle mutex,
//   then the frame lock) keeps one order; what the editor needs from the
//   effect's idle side while it holds the frame lock it only tries, and so
//   does the effect when the host calls back into it from a host call the
//   editor made under the frame lock (IsInUseOnThisThread). Every lock and
//   hand-over of the plug-in, in that one order: docs/synchronisation.md.
// - The frame is deleted with no editor lock and no frame lock held: its
//   destructor joins the idle thread, whose pass may wait for them.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "Helpers/DerivedControls.h"
#include "Helpers/EditorHooks.h"
#include "Helpers/Lock.h"
#include "gui/AEffGUIEditor.h"
#include "gui/CControl.h"
#include "gui/GuiTypes.h"

class CAnimKnob;
class CBitmap;
class CColorBoundaryPicker;
class CColorPicker;
class CFrame;
class CHorizontalSlider;
class CKickButton;
class CPickableColor;
class CVerticalSlider;
class XREffect;
struct CColorBoundaryPickerInfo;

// One entry of the editor's bitmap cache: the cache holds the reference the
// bitmap was created with.
struct CBitmapResource {
  CBitmap* m_pBitmap;
  long m_nResourceId;
  // Forgets the bitmap (when set) and clears both fields.
  void ForgetAndClear();
};

constexpr int NUM_GENERIC_CONTROLS = 200;
constexpr int NUM_GENERIC_BITMAPS = 200;

// Bitmaps every editor makes at its construction, ended by -1; their
// images are decoded on their first drawing (gui/BitmapResources.h).
extern const long g_nAllResources[];

class DivuVazize : public AEffGUIEditor, public CControlListener, public XREditorHooks {
 public:
  enum BACK_VIEW_TYPE { BACK_VIEW_NORMAL = 0 };

  // Edits reported by owner-drawn controls through ControlCallback; the
  // meaning of a, b and c is the sender's.
  enum EControlCallback {
    eCC_FreqZoom = 0,   // frequency-zoom drag on a frequency graph
    eCC_DbZoom = 1,     // dB-zoom drag on a graph or a meter's scale
    eCC_Tone = 2,       // tone request (frequency, dB)
    eCC_BandEdit = 3,   // band edit: a = band, b = gain in dB, c = 0
    eCC_ColorBar = 4    // colour-bar edit
  };

  // The back text top is the second integer; the second rectangle and the
  // other integers are not used. [user-interface thread]
  DivuVazize(AudioEffect* effect, long frontBitmapId, long backBitmapId, const CRect& flipRect,
             const CRect& secondRect, int n1, int backTextTop, int n3, int n4);
  ~DivuVazize() override;

  // --- the host's editor calls [user-interface thread] --------------------
  // Creates the frame in the host's window and builds the front; true, or
  // false with nothing left open when no window can be made there.
  bool open(void* window) override;
  // Removes the controls, empties the bitmap cache and deletes the frame.
  void close() override;
  // The host's editor idle and the frame's idle source (see
  // DivuVazizeIdle.cpp). Nothing while closed.
  void idle() override;
  // While the host does not idle the editor, the frame's idle thread marks
  // the owner-drawn displays (graphs, meters, scopes) dirty on each pass, as
  // IdleInner would, so that they keep showing live data.
  void keepDisplaysLive() override;
  // Always the linear knob mode, whatever the host asks; true.
  bool setKnobMode(VstInt32 mode) override;
  // The effect's edit brackets (10001/10002 undo and redo); their result.
  bool beginEdit(int index) override;
  bool endEdit(int index) override;

  // --- what the effect calls (XREditorHooks) -----------------------------
  // [any thread] Updates every control bound to the tag (at once on the
  // user-interface thread, else at the next idle), then SetParameterInner.
  // Nothing while closed. The product overrides it and chains to it.
  void setParameter(long index, float value) override;
  // [any thread] UpdateUi at the next idle.
  void SetRefreshControls() override { m_bPendingUpdateUi.store(true); }
  bool IsOpen() const override { return m_bOpen.load(); }
  bool IsBuildingViews() const override { return m_bBuildingViews.load(); }
  bool IsChangeFromGui() const override { return m_bChangeFromGui.load(); }
  bool IsChangeFromGuiOnThisThread() const override { return m_bChangeFromGui.load() && OnUiThread(); }
  // [any thread; waits for the frame lock] Nulls every control pointer, then
  // removes every view under lock A and lock B.
  void RemoveAllControls();
  // [any thread] RemoveAllControls for the effect's rebuild: false, removing
  // nothing, while the calling thread is using the views (IsInUseOnThisThread).
  bool TryRemoveAllControls() override;
  // [any thread] True on the user-interface thread while it holds the frame
  // lock: inside an event, a text commit or a host call to the editor, whose
  // calls to the host may come back into the effect.
  bool IsInUseOnThisThread() const override;
  // Rebuilds the side shown (front, or the back of the last back type).
  void RefreshFrontOrBack() override;
  // [any thread] Undo and redo buttons show whether undo and redo are
  // available.
  void UpdateUndoRedoControls() override;
  // [any thread] The quality-mode block follows the effect's settings.
  void UpdateQMControls() override;
  Lock& GetLockA() override { return m_lockA; }

  // --- the control listener [user-interface thread] ----------------------
  void valueChanged(CDrawContext* context, CControl* control) override;

  // --- panels [user-interface thread] --------------------------------------
  void ZeroControlPtrs(bool inner);
  void AddFrontViews();
  void AddBackViews(BACK_VIEW_TYPE type);
  void AddBackViewTypeContent();
  void ToggleFrontAndBack();
  virtual void UpdateABControls();
  // Sets the change-from-GUI flag around ControlCallbackInner.
  void ControlCallback(EControlCallback kind, CControl* control, float a, float b, float c);
  void PlatformSpecificPrecacheAllGraphics();
  void SetInterfaceCanExpand(int, int) {}

  // --- idle [user-interface thread] ------------------------------------------
  // The deferred work; nested calls return at once. `viewsInUse`: called
  // inside an event that uses the views (a text commit), so rebuilds and
  // flips wait for a later idle, as they do during a drag.
  void MaybeCallIdleInner(bool viewsInUse = false);
  // A drag holds a view of the frame until its release, and an open option
  // menu until its choice is applied. [user-interface thread]
  bool DragUnderway() const;
  // The deferred work with IdleInner due now, then the effect's idle.
  void ForceCallIdleInner();
  // The effect's idle (at most every 100 ms, by the effect's own pacing);
  // nothing while closed.
  void CallEffectIdle();

  // --- back panel [user-interface thread] --------------------------------
  CStaticText* AddNewText(int d, const char* text, CFont font, CTxtFace face, CHoriTxtAlign align);
  CStaticText* AddNewText(const CRect& rect, const char* text, CFont font, CTxtFace face,
                          CHoriTxtAlign align);
  CTextButton* AddNewTextButton(int d, const char* text, CTextButton** out, CFont font, CTxtFace face);
  CTextButton* AddNewTextButton(const CRect& rect, const char* text, CTextButton** out, CFont font,
                                CTxtFace face);
  void DisplayQualityModeControls();

  // --- generic controls and the bitmap cache [user-interface thread] -----
  // The cached bitmap of the id, loaded on a miss; null when it cannot be
  // stored. The cache keeps it until close.
  CBitmap* GetBitmap(long id);
  // A free slot; -1 when all are taken.
  int UseGenericControlSlot();
  // Adds the control to the frame, records it in a slot and loads its value
  // by tag; the control, or null (also when it could not be recorded).
  CControl* AddControl(CControl* control, long tag);
  void SetValuesFromTag(CControl* control, long tag, bool);
  void RemoveGenericControl(CControl* control);

  // --- factories [user-interface thread] -----------------------------------
  // Each makes one control with the editor as its listener, adds it to the
  // frame, records it in a slot and binds it by tag through AddControl
  // (unless said otherwise); it returns the control, or null when it could
  // not be made or recorded (nothing is then added). Controls made at a
  // point take the size of their bitmap (a band of it for multi-image
  // bitmaps); a missing bitmap gives an empty control.
  CStaticText* AddStaticText(CRect rect, const char* text, CFont font, CTxtFace face, CHoriTxtAlign align);
  // Bound to nothing (9999) whatever tag is given: the product reads its
  // text.
  CTextEditExtended* AddTextEdit(CRect rect, const char* text, long tag, CFont font, CTxtFace face);
  // Recorded and given the tag, but its value is not loaded from it.
  CTextButton* AddTextButton(CRect rect, const char* text, CFont font, CTxtFace face, long tag);
  CStaticRect* AddStaticRect(const CRect& rect, const CColor& colour);
  // Entries up to the first null one; black on white; the maximum is the
  // last entry's index.
  COptionMenuExtended* AddOptionMenu(CRect rect, const char* const* entries, long tag);
  // A menu of its bitmap's size; clickBitmapId -1: no pressed image.
  COptionMenuExtended* AddOptionMenu(const CPoint& where, const char* const* entries, long bitmapId,
                                     long clickBitmapId, long tag, CFont font, CTxtFace face);
  CColorPicker* AddColorPicker(CRect rect, long tag);
  // info is not owned and must outlive the control.
  CColorBoundaryPicker* AddColorBoundaryPicker(CRect rect, const CColorBoundaryPickerInfo* info, long tag);
  CPickableColor* AddPickableColor(CRect rect, const CRect& pickerRect, long tag, bool pickerShowsCancel);
  // Takes the CTextDrag class defaults set now; bitmapId -1: no bitmap.
  // Background m_colTextDragBack.
  CTextDrag* AddTextDrag(CRect rect, long tag, CFont font, CTxtFace face, long bitmapId,
                         CTextDrag::ETextDragType type);
  // Two images stacked: released above, pressed below.
  CKickButton* AddKickButton(const CPoint& where, long bitmapId, long tag);
  COnOffButtonExtended* AddOnOffButton(const CPoint& where, long bitmapId, long tag);
  CFiniteStatesButton* AddFiniteStatesButton(const CPoint& where, long bitmapId, int states, long tag);
  // A film strip of subPixmaps frames (at least one).
  CAnimKnob* AddAnimKnob(const CPoint& where, long bitmapId, long tag, int subPixmaps);
  // The handle travels from a pixels past the background's leading edge to
  // its far end less the handle, plus a + b; the background's magenta
  // pixels are transparent.
  CHorizontalSlider* AddHorizontalSlider(const CPoint& where, long bitmapId, long handleBitmapId, long tag, int a,
                                         int b, CPoint handleOffset);
  CVerticalSlider* AddVerticalSlider(const CPoint& where, long bitmapId, long handleBitmapId, long tag, int a,
                                     int b, CPoint handleOffset);
  CStaticBitmap* AddStaticBitmap(const CPoint& where, CBitmap* bitmap);
  CStaticBitmap* AddStaticBitmap(const CPoint& where, long bitmapId);

  // A value-to-text function for parameter displays: "%d%%" of 100 * value,
  // rounded. text holds kParamDisplayTextSize bytes. [any thread]
  static void percentStringConvert(float value, char* text);

  bool IsFrontShown() const { return m_bFrontShown; }
  XREffect* GetXREffect() const;

 protected:
  // --- hooks for the product -------------------------------------------------
  virtual void SetParameterInner(long, float) {}
  // True: open creates the frame but builds no panel.
  virtual bool OverrideOpenBehaviour() { return false; }
  virtual void AddFrontViewsInner() = 0;
  // Nulls the product's control pointers.
  virtual void InnerZeroControlPtrs() = 0;
  virtual void AddBackViewsInner() {}
  virtual void AddFrontSlidingPanel() {}
  virtual void AddBackSlidingPanel() {}
  // Refreshes the product's controls from the parameters.
  virtual void UpdateUi() {}
  // The product's paced idle work (at most every g_kIdleRate ms).
  virtual void IdleInner() {}
  virtual void AddBackNormal();
  virtual void AddBackCustom() {}
  virtual void ControlCallbackInner(EControlCallback, CControl*, float, float, float) {}
  virtual void DisplayQualityModeControlsInner(const char** names);
  // Writes a parameter for the user's action on an untagged control (the
  // quality menus here): the host sees the write inside its edit bracket of
  // that parameter. A product editor that brackets whole gestures overrides
  // it.
  virtual void WriteParamFromEditor(int index, float value);

  // Entered on the user-interface thread when the frame lock could be taken
  // without waiting (held until the scope ends), or when the editor has no
  // frame. Otherwise the pending flag (when given) is raised for the next
  // idle.
  class CUiScope {
   public:
    CUiScope(DivuVazize* editor, std::atomic<bool>* pending);
    ~CUiScope();
    CUiScope(const CUiScope&) = delete;
    CUiScope& operator=(const CUiScope&) = delete;
    bool Entered() const { return m_bEntered; }

   private:
    Lock* m_pLock = nullptr;
    bool m_bEntered = false;
  };
  bool OnUiThread() const { return m_nUiThread.load() == ThisThreadSerial(); }

  // --- fields (observers of views the frame owns unless said otherwise) ----
  std::atomic<unsigned int> m_nFlipAtTicks{0};  // 0: no flip pending; UI thread
  CInvisibleButton* m_pFlipButton = nullptr;
  CControl* m_pABButton = nullptr;
  CControl* m_pCopyABButton = nullptr;
  CControl* m_pUndoButton = nullptr;  // tag 10001
  CControl* m_pRedoButton = nullptr;  // tag 10002
  int m_nUndoBitmapOn = -1;
  int m_nUndoBitmapOff = -1;
  int m_nRedoBitmapOn = -1;
  int m_nRedoBitmapOff = -1;
  CRect m_rectTextRow;
  CBitmap* m_pFrontBitmap = nullptr;  // owned
  CBitmap* m_pBackBitmap = nullptr;   // owned
  // Raised by the effect on any thread and by the product; read and cleared
  // by the user-interface thread's idle.
  std::atomic<bool> m_bPendingUpdateUi{false};
  bool m_bInIdle = false;  // under the frame lock
  std::atomic<bool> m_bPendingRefresh{false};  // raised anywhere; read by idle
  // Written on the user-interface thread; read by the effect and the audio
  // thread.
  std::atomic<bool> m_bOpen{false};
  std::atomic<bool> m_bBuildingViews{false};
  bool m_bFrontShown = false;
  int m_nTextButtonHalfWidth = 60;
  CRect m_rectFlipButton;
  CRect m_rectBackFlipButton;
  int m_nBackTextTop = 0;
  const char* m_szTitle = "VST Plugin";
  BACK_VIEW_TYPE m_eBackViewType = BACK_VIEW_NORMAL;
  CTextButton* m_pReturnButton = nullptr;
  CColor m_colBackPanelBack = {0, 0, 0, 255};
  CColor m_colTextDragBack = {0, 0, 0, 255};
  unsigned int m_nNextIdleInnerTicks = 0;
  // Written on the user-interface thread; read by the effect on that thread.
  std::atomic<bool> m_bChangeFromGui{false};
  bool m_bShowQualityModeControls = false;
  bool m_bShowQualityAdvice = false;
  COptionMenuExtended* m_pQualityMenu = nullptr;
  COptionMenuExtended* m_pDitherMenu = nullptr;
  COptionMenuExtended* m_pBitDepthMenu = nullptr;
  COptionMenuExtended* m_pReportLatencyMenu = nullptr;
  COptionMenuExtended* m_pOfflineRenderMenu = nullptr;
  COptionMenuExtended* m_pWysiwygMenu = nullptr;
  CStaticText* m_pQualityNotice = nullptr;
  CStaticText* m_pQualityInfo[5] = {};
  Lock m_lockA;
  Lock m_lockB;
  CControl* m_pGenericControls[NUM_GENERIC_CONTROLS] = {};
  CBitmapResource m_GenericBitmaps[NUM_GENERIC_BITMAPS] = {};
  int m_nGenericControlsAdded = 0;
  int m_nGenericBitmapsAdded = 0;
  CColor m_colBitmapTransparent = {0, 0, 0, 255};

 private:
  // Tags 0..9998 whose controls await the value of their parameter.
  static constexpr int kNumBindableTags = 9999;
  static constexpr int kPendingTagWords = (kNumBindableTags + 63) / 64;

  void SetControlsOfTag(long tag, float param);
  // Marks a tag's controls for an update at the next idle. [any thread]
  void DeferTagUpdate(long tag);
  // The work other threads left for the user-interface thread.
  void RunDeferredControlWork();
  float CurrentParamOfTag(long tag);
  // Detaches the frame under the locks (emptying the bitmap cache when
  // asked) and releases it after them.
  void DropFrame(bool emptyCache);
  // A flip at the next idle past now + 100 ms. [user-interface thread]
  void RequestFlip();
  // The quality menus' choices; true when the control was one of them.
  bool QualityMenuChanged(CControl* control);
  void WaitWhileAudioBusy();

  std::atomic<uint64_t> m_nUiThread{0};  // ThisThreadSerial; set by open
  std::atomic<uint64_t> m_PendingTags[kPendingTagWords] = {};
  std::atomic<bool> m_bPendingTagUpdates{false};
  std::atomic<bool> m_bPendingUndoRedo{false};
  std::atomic<bool> m_bPendingQM{false};
};
