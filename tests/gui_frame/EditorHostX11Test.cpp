// The editor inside a host's window on a real X server (one per test
// process), where the test's own connection plays the host: its
// window holds the editor, takes the keys the editor hands back, owns the
// clipboard, is hidden and shown and destroyed, and its error handler must
// never hear of the editor's errors. Keys and clicks come through XTEST.
// Skipped without a server.
#include "X11HostFixture.h"
#include "gui/CTextEdit.h"
#include "gui/CTextEditField.h"
#include "platform/X11ErrorTrap.h"
#include "platform/X11Handles.h"
#include "platform/X11Window.h"
// After the toolkit's headers: Xlib's macros.
#include <X11/keysym.h>

#include <atomic>
#include <map>
#include <string>

using namespace frametest;

namespace {

const CRect kFieldRect(10, 10, 110, 30);

// The host's error handler: counts what reaches it (the default one would
// end the process).
std::atomic<int> g_HostErrors{0};
int HostErrorHandler(Display*, XErrorEvent*) {
  ++g_HostErrors;
  return 0;
}

// An effect whose one parameter keeps what it is given.
class ParamEffect : public AudioEffectX {
 public:
  explicit ParamEffect(audioMasterCallback host) : AudioEffectX(host, 1, 1) {}
  void processReplacing(float**, float**, VstInt32) override {}
  void setParameter(VstInt32, float value) override { m_fValue = value; }
  float getParameter(VstInt32) override { return m_fValue; }

 private:
  std::atomic<float> m_fValue{0.0f};
};

// A text field bound to parameter 0 (its text in percent), and a live
// display drawn again on every idle pass, the host's or the idle thread's.
class FieldEditor : public TestEditor, public CControlListener {
 public:
  using TestEditor::TestEditor;
  bool open(void* window) override {
    TestEditor::open(window);
    CScopedLock hold(frame->getFrameLock());
    field = new CTextEdit(kFieldRect, this, 0, "0");
    frame->addView(field);
    live = new RecordingView(CRect(150, 50, 200, 100), kRedCColor);
    frame->addView(live);
    return true;
  }
  void close() override {
    field = nullptr;
    live = nullptr;
    TestEditor::close();
  }
  void idle() override {
    if (frame && live) {
      CScopedLock hold(frame->getFrameLock());
      live->setDirty(true);
    }
    TestEditor::idle();
  }
  void valueChanged(CDrawContext*, CControl* control) override {
    char text[kParamDisplayTextSize];
    static_cast<CTextEdit*>(control)->getText(text);
    lastText = text;
    effect->setParameterAutomated(control->getTag(), static_cast<float>(std::atof(text) / 100.0));
  }
  CTextEdit* field = nullptr;
  RecordingView* live = nullptr;
  std::string lastText;
};

class EditorHostX11Test : public X11HostFixture {
 protected:
  void SetUp() override {
    X11HostFixture::SetUp();
    if (IsSkipped()) return;
    g_HostErrors = 0;
    previousHandler = XSetErrorHandler(HostErrorHandler);
    XSelectInput(display, hostWindow, KeyPressMask | KeyReleaseMask);
    effect = std::make_unique<ParamEffect>(FakeHost::Callback);
    hostedEditor = editor = new FieldEditor(effect.get());
  }

  void TearDown() override {
    effect.reset();
    if (display) {
      for (const auto& [code, syms] : savedKeys)
        XChangeKeyboardMapping(display, code, static_cast<int>(syms.size()), const_cast<KeySym*>(syms.data()), 1);
      XSync(display, False);
      XSetErrorHandler(previousHandler);
    }
    X11HostFixture::TearDown();
  }

  Window Focus() { return x11test::Focus(display); }

  // The keys the host is handed, and its side of the clipboard.
  void ServeHost() override {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == KeyPress || event.type == KeyRelease) {
        hostKeys.push_back(event.xkey);
      } else if (event.type == SelectionRequest) {
        x11test::AnswerSelection(display, event.xselectionrequest, hostClipboard);
      } else if (event.type == ClientMessage) {
        const X11MemoryPtr<char> name(XGetAtomName(display, event.xclient.message_type));
        hostMessages.push_back({name ? name.get() : "", event.xclient.data.l[1]});
      } else if (event.type == SelectionNotify && event.xselection.property != None) {
        const X11Property answer =
            X11ReadProperty(display, hostWindow, event.xselection.property, 1024, true, AnyPropertyType);
        if (answer.data) fetched.assign(reinterpret_cast<const char*>(answer.data.get()), answer.count);
      }
    }
    XFlush(display);
  }

  void Click(int x, int y) {
    XTestFakeMotionEvent(display, -1, kHostX + x, kHostY + y, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
  }
  void Key(KeyCode code, bool down) {
    XTestFakeKeyEvent(display, code, down, CurrentTime);
    XSync(display, False);
  }
  void Press(KeySym keysym, KeySym modifier = NoSymbol) {
    if (modifier != NoSymbol) Key(XKeysymToKeycode(display, modifier), true);
    Key(XKeysymToKeycode(display, keysym), true);
    Key(XKeysymToKeycode(display, keysym), false);
    if (modifier != NoSymbol) Key(XKeysymToKeycode(display, modifier), false);
  }
  // A key code the keyboard has no symbol on, from now on typing `keysym`.
  KeyCode MapSpareKey(KeySym keysym) {
    int low = 0, high = 0, per = 0;
    XDisplayKeycodes(display, &low, &high);
    for (int code = high; code >= low; --code) {
      if (savedKeys.count(code)) continue;
      const X11MemoryPtr<KeySym> syms(XGetKeyboardMapping(display, static_cast<KeyCode>(code), 1, &per));
      bool empty = true;
      for (int i = 0; i < per; ++i) empty = empty && syms.get()[i] == NoSymbol;
      if (empty) savedKeys[code].assign(syms.get(), syms.get() + per);
      if (!empty) continue;
      KeySym both[2] = {keysym, keysym};
      XChangeKeyboardMapping(display, code, 2, both, 1);
      XSync(display, False);
      return static_cast<KeyCode>(code);
    }
    return 0;
  }
  // Clicks the field open; true once it edits with the keyboard its own.
  bool OpenField() {
    Click(kFieldRect.left + 5, kFieldRect.top + 5);
    return IdleUntil([&] { return editor->field->isEditing() && Focus() == EditorWindow(); });
  }
  bool Opened() {
    return Dispatch(*effect, effEditOpen, 0, 0, Handle()) == 1 &&
           IdleUntil([&] { return editor->getFrame()->getDrawCount() > 0; });
  }

  XErrorHandler previousHandler = nullptr;
  FieldEditor* editor = nullptr;  // owned by the effect
  std::vector<XKeyEvent> hostKeys;
  struct Message {
    std::string type;
    long flags;  // the message's second word
  };
  std::vector<Message> hostMessages;  // client messages to the host's window
  std::string hostClipboard;
  std::string fetched;
  std::map<int, std::vector<KeySym>> savedKeys;
};

}  // namespace

TEST_F(EditorHostX11Test, TypingIntoAFieldChangesItsParameterAndTheKeyboardIsOtherwiseTheHosts) {
  // é and a character the field's font cannot show, on keys of their own.
  const KeyCode eAcute = MapSpareKey(XK_eacute);
  const KeyCode hanzi = MapSpareKey(0x1004E2D);
  ASSERT_TRUE(eAcute && hanzi);
  XSetInputFocus(display, hostWindow, RevertToParent, CurrentTime);
  ASSERT_TRUE(Opened());
  const int fieldX = kFieldRect.left + 5, fieldY = kFieldRect.top + 5;

  // Ended by Return, which gives the keyboard back. The open field takes the
  // keyboard on the editor's own connection: keys sent before that is in
  // force would go elsewhere.
  ASSERT_TRUE(OpenField());
  Press(XK_4);
  Press(XK_2);
  Key(eAcute, true);
  Key(eAcute, false);
  Key(hanzi, true);
  Key(hanzi, false);
  Press(XK_Return);
  ASSERT_TRUE(IdleUntil([&] { return !editor->field->isEditing(); }));
  EXPECT_EQ(editor->lastText, "42\xC3\xA9?") << "UTF-8 through the input method; the unshowable as '?'";
  EXPECT_FLOAT_EQ(effect->getParameter(0), 0.42f);
  EXPECT_TRUE(IdleUntil([&] { return Focus() == hostWindow; })) << "Return gave the keyboard back";

  // Ended by a click elsewhere in the editor: the text is kept, the keyboard
  // goes back, and the click took nothing from the host.
  ASSERT_TRUE(OpenField());
  Press(XK_5);
  Click(fieldX + 100, fieldY + 50);  // outside the field
  ASSERT_TRUE(IdleUntil([&] { return !editor->field->isEditing(); }));
  EXPECT_FLOAT_EQ(effect->getParameter(0), 0.05f);
  EXPECT_TRUE(IdleUntil([&] { return Focus() == hostWindow; })) << "the click elsewhere gave the keyboard back";

  // Ended by the window losing the focus: the text is kept.
  ASSERT_TRUE(OpenField());
  Press(XK_7);
  ASSERT_TRUE(IdleUntil([&] {
    CTextEditField* open = editor->field->getEditField();
    return open && open->getText() == "7";
  }));
  XSetInputFocus(display, hostWindow, RevertToParent, CurrentTime);
  ASSERT_TRUE(IdleUntil([&] { return !editor->field->isEditing(); }));
  EXPECT_FLOAT_EQ(effect->getParameter(0), 0.07f);

  // A click on a view that takes no keys leaves the keyboard with the host:
  // keys reach its window straight, the editor sends nothing on.
  const size_t clicks = editor->live->mice.size();
  Click(160, 60);
  ASSERT_TRUE(IdleUntil([&] { return editor->live->mice.size() > clicks; }));
  hostKeys.clear();
  Press(XK_space);
  ASSERT_TRUE(IdleUntil([&] { return hostKeys.size() >= 2; }));
  EXPECT_EQ(Focus(), hostWindow);
  EXPECT_EQ(hostKeys[0].type, KeyPress);
  EXPECT_EQ(hostKeys[0].keycode, XKeysymToKeycode(display, XK_space));
  EXPECT_FALSE(hostKeys[0].send_event) << "straight from the server";
  EXPECT_EQ(hostKeys[0].window, hostWindow);

  // Closing while a field is open gives the keyboard back too.
  ASSERT_TRUE(OpenField());
  Dispatch(*effect, effEditClose);
  EXPECT_EQ(Focus(), hostWindow) << "closing gives the focus back to the host's window";
}

TEST_F(EditorHostX11Test, ClipboardTextGoesBothWays) {
  ASSERT_TRUE(Opened());
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  hostClipboard = "3";
  XSetSelectionOwner(display, clipboard, hostWindow, CurrentTime);
  ASSERT_TRUE(OpenField());
  Press(XK_v, XK_Control_L);
  ASSERT_TRUE(IdleUntil([&] {
    CTextEditField* open = editor->field->getEditField();
    return open && open->getText() == "3";
  })) << "pasted from the host's clipboard";
  Press(XK_8);
  Press(XK_a, XK_Control_L);
  Press(XK_c, XK_Control_L);
  Press(XK_Return);
  ASSERT_TRUE(IdleUntil([&] { return !editor->field->isEditing(); }));
  EXPECT_FLOAT_EQ(effect->getParameter(0), 0.38f);

  XConvertSelection(display, clipboard, XInternAtom(display, "UTF8_STRING", False),
                    XInternAtom(display, "TEST_PASTE", False), hostWindow, CurrentTime);
  EXPECT_TRUE(IdleUntil([&] { return fetched == "38"; })) << "the host pastes what the editor copied";
  Dispatch(*effect, effEditClose);
}

// The host drags a file from its own window onto the editor: the editor's
// request for the data is answered by the host's thread, the one that idles
// the editor, so the drop completes only if the editor waits for nothing.
TEST_F(EditorHostX11Test, ADropFromTheHostsOwnWindowCompletes) {
  ASSERT_TRUE(Opened());
  const Window target = EditorWindow();
  const Atom uriList = XInternAtom(display, "text/uri-list", False);
  hostClipboard = "file:///tmp/Host%20Take.wav\r\n";  // what the host answers any selection request with
  XSetSelectionOwner(display, XInternAtom(display, "XdndSelection", False), hostWindow, CurrentTime);
  const auto send = [&](const char* type, long l1, long l2, long l3 = 0) {
    x11test::SendDndMessage(display, target, hostWindow, type, l1, l2, l3);
  };
  const auto heard = [&](const char* type) {
    for (const Message& m : hostMessages)
      if (m.type == type) return &m;
    return static_cast<const Message*>(nullptr);
  };
  send("XdndEnter", 5L << 24, static_cast<long>(uriList));
  // Over the live display, at (160, 60) of the editor's window.
  send("XdndPosition", 0, ((kHostX + 160) << 16) | (kHostY + 60), CurrentTime);
  ASSERT_TRUE(IdleUntil([&] { return heard("XdndStatus") != nullptr; })) << "the editor answered the position";
  EXPECT_EQ(heard("XdndStatus")->flags & 1, 1) << "and takes the drop";
  send("XdndDrop", 0, CurrentTime);
  ASSERT_TRUE(IdleUntil([&] { return heard("XdndFinished") != nullptr; }));
  EXPECT_EQ(heard("XdndFinished")->flags & 1, 1) << "the drop was taken";
  EXPECT_EQ(editor->live->drags, (std::vector<std::string>{"enter", "drop", "leave"}));
  EXPECT_EQ(editor->live->firstItem, "/tmp/Host Take.wav");
  EXPECT_EQ(editor->live->firstType, 0) << "a file";
  Dispatch(*effect, effEditClose);
}

TEST_F(EditorHostX11Test, HidingAndShowingTheHostWindowStopsAndResumesDrawing) {
  for (bool hostIdles : {true, false}) {
    SCOPED_TRACE(hostIdles ? "the host idles the editor" : "only the idle thread runs");
    ASSERT_EQ(Dispatch(*effect, effEditOpen, 0, 0, Handle()), 1);
    CFrame* frame = editor->getFrame();
    ASSERT_TRUE(IdleUntil([&] { return Pixel(160, 60) == 0xFF0000u; }, hostIdles));

    XUnmapWindow(display, hostWindow);
    XSync(display, False);
    ASSERT_TRUE(IdleUntil([&] { return !frame->isShown(); }, hostIdles));
    const unsigned long drawn = frame->getDrawCount();
    const int idled = editor->idleCalls;
    {
      CScopedLock hold(frame->getFrameLock());
      editor->live->colour = kBlueCColor;
    }
    ASSERT_TRUE(IdleUntil([&] { return editor->idleCalls >= idled + 10; }, hostIdles));
    EXPECT_EQ(frame->getDrawCount(), drawn) << "ten idle passes drew nothing while hidden";

    XMapWindow(display, hostWindow);
    XSync(display, False);
    EXPECT_TRUE(IdleUntil([&] { return frame->getDrawCount() > drawn && Pixel(160, 60) == 0x0000FFu; },
                          hostIdles));
    Dispatch(*effect, effEditClose);
  }
  EXPECT_EQ(g_HostErrors, 0);
}

// A host destroys its window, with a field open and the idle thread
// drawing, after putting in place an error handler that would end the
// process (here: that counts what reaches it), then closes the editor at
// once, after idling it further, or after a request for which the editor
// asks the server where the pointer is (its first request since the
// handler changed). Nothing of the editor's reaches that handler.
TEST_F(EditorHostX11Test, HostDestroyingItsWindowBeforeCloseEndsNothingWhateverHandlerItInstalled) {
  enum class Between { kIdle, kNothing, kPointer };
  for (const Between between : {Between::kIdle, Between::kNothing, Between::kPointer}) {
    SCOPED_TRACE(between == Between::kIdle      ? "idled between the destroy and the close"
                 : between == Between::kPointer ? "the pointer asked for between the destroy and the close"
                                                : "closed at once");
    if (!hostWindow) hostWindow = x11test::OpenHostWindow(display);
    ASSERT_TRUE(Opened());
    CFrame* frame = editor->getFrame();
    ASSERT_TRUE(OpenField());
    g_HostErrors = 0;
    XSetErrorHandler(HostErrorHandler);  // the host's handler, in place of the toolkit's
    XDestroyWindow(display, hostWindow);
    XSync(display, False);
    hostWindow = 0;
    if (between == Between::kIdle) {
      EXPECT_TRUE(IdleUntil([&] { return !frame->isAlive(); }));
    }
    if (between == Between::kPointer) Dispatch(*effect, effEditMouse, 5, 5);
    Dispatch(*effect, effEditClose);
    EXPECT_EQ(editor->getFrame(), nullptr);
    EXPECT_EQ(g_HostErrors, 0);
  }
}
