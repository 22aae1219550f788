// What the effect base and the product effect call on their editor. The
// editor framework implements this beside the VST editor interface
// (AEffEditor); the effect finds it on its editor with dynamic_cast, so an
// effect without an editor, or with an editor that lacks it, simply skips
// these calls. Tests use a fake that records the calls.
#pragma once

class Lock;

class XREditorHooks {
 public:
  virtual ~XREditorHooks() = default;

  // After every parameter write (index 0..598 or 9000+). The editor updates
  // the controls bound to that tag while it is open.
  virtual void setParameter(long index, float value) = 0;
  // The editor re-reads its controls at its next idle.
  virtual void SetRefreshControls() = 0;

  // Open between the host's editor open and close. Read on the audio thread.
  virtual bool IsOpen() const = 0;
  // True while the editor adds the views of a panel.
  virtual bool IsBuildingViews() const = 0;
  // True while the editor's own handlers write parameters.
  virtual bool IsChangeFromGui() const = 0;
  // True while they do so on the calling thread (the editor's own): such a
  // write is never the audio thread's automation, even on a host that runs
  // its audio on the same thread.
  virtual bool IsChangeFromGuiOnThisThread() const { return false; }

  // Removes every view before the effect frees what they read (a quality
  // rebuild, with the effect's idle mutex held); waits for the editor's
  // frame. False, removing nothing, on a thread that is using the views
  // itself (IsInUseOnThisThread): the caller puts its rebuild off.
  virtual bool TryRemoveAllControls() = 0;
  // True while the calling thread holds the editor's frame: its events call
  // the host from there (edit brackets, automation), and a host that calls
  // back into the effect must not wait for the effect's idle side, which may
  // be waiting for that frame.
  virtual bool IsInUseOnThisThread() const = 0;
  virtual void RefreshFrontOrBack() = 0;
  virtual void UpdateUndoRedoControls() = 0;
  virtual void UpdateQMControls() = 0;

  // Edit brackets: forwarded to the effect's beginEdit/endEdit.
  virtual bool beginEdit(int index) = 0;
  virtual bool endEdit(int index) = 0;

  // Lock A: held by the audio thread only around the level meter feed.
  virtual Lock& GetLockA() = 0;
};
