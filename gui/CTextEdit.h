// CTextEdit: a text display whose text the user edits in place. A click
// opens an edit field (CTextEditField) over the control, in the frame, that
// holds the control's text selected whole; the control then holds the
// frame's keyboard focus and passes the keys on to the field.
//
// Return or Enter keeps the typed text, Escape drops it; a click elsewhere,
// Tab, or another control taking the focus keeps it too. A click inside the
// open field only moves the caret. When the edit ends with a text other than
// before, the listener hears valueChanged once; then the parent container
// (or the frame) is notified "LooseFocus".
//
// The text is UTF-8 of at most 255 bytes. What is shown, when not editing,
// comes from the text converter when set, else from the value converter
// (whose text also becomes the control's text), else the text itself.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CParamDisplay.h"

class CTextEditField;

class CTextEdit : public CParamDisplay {
 public:
  // The text is copied (empty for null; cut to 255 bytes).
  CTextEdit(const CRect& size, CControlListener* listener, long tag, const char* txt = nullptr,
            CBitmap* background = nullptr, const long style = 0);
  ~CTextEdit() override;

  // A text that differs from the current one (null: empty) is copied and the
  // control marked dirty.
  virtual void setText(const char* txt);
  // Copies the text into txt (kParamDisplayTextSize bytes) when not null.
  virtual void getText(char* txt) const;
  // Converters from the text to the displayed text (into a buffer of
  // kParamDisplayTextSize bytes).
  virtual void setTextEditConvert(void (*convert)(char* input, char* string));
  virtual void setTextEditConvert(void (*convert)(char* input, char* string, void* data), void* data);

  void draw(CDrawContext* context) override;
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  // Opens the edit field over the control.
  void takeFocus(CDrawContext* context = nullptr) override;
  // Ends an open edit (see above).
  void looseFocus(CDrawContext* context = nullptr) override;
  // While editing: Return and Enter end the edit keeping the text, Escape
  // ends it dropping the text, other keys go to the field. -1 otherwise.
  long onKeyDown(VstKeyCode& keyCode) override;
  // Being taken out of the view tree ends an open edit without a change.
  bool removed(CView* parent) override;
  bool isTypeOf(const char* type) const override;

  // An edit bracket opened by a click is closed once only, however often
  // the focus is taken away.
  void beginEdit() override;
  void endEdit() override;

  bool isEditing() const { return platformEditor != nullptr; }
  // The open field, or null.
  CTextEditField* getEditField() const { return platformEditor; }
  // The last edit ended with Return or Enter.
  bool wasReturnPressed() const { return returnPressed; }

 protected:
  // The rectangle of the edit field in frame coordinates.
  CRect editRect(CDrawContext* context) const;
  // True while a press inside the open field is handed to the views.
  bool pressInField() const;
  // Takes the field out of the frame and forgets it.
  void closeField();

  CTextEditField* platformEditor = nullptr;  // in the frame while editing
  bool returnPressed = false;
  bool canceled = false;      // the open edit ends without taking the text
  bool removing = false;      // being taken out of the tree: no edit is kept
  bool editBracket = false;   // beginEdit ran and endEdit has not
  char text[kParamDisplayTextSize];
  void (*textEditConvert)(char* input, char* string) = nullptr;
  void (*textEditConvertWithData)(char* input, char* string, void* data) = nullptr;
};
