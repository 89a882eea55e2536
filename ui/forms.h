// Top-level windows (forms) and the application object that runs the message
// loop. Main thread only.
#pragma once

#include <windows.h>

#include <functional>

#include "ui/controls.h"

namespace ui {

enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable };
// Where the first showing places the form (once): as designed, centred on
// the primary monitor's work area, or centred on the main form.
enum TPosition { poDesigned, poScreenCenter, poDesktopCenter, poMainFormCenter };

constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;

using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

class TForm : public TWinControl {
 public:
  // The owner is normally the Application; see TApplication::CreateForm.
  explicit TForm(TComponent* owner);
  ~TForm() override;

  // Completes construction once the derived constructor has built the
  // components: creates the native windows, then raises OnCreate.
  void AfterConstruction();

  // ---- events (Sender is the form) ----
  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;             // every showing, before the window appears
  TCloseQueryEvent OnCloseQuery;   // every close request
  TCloseEvent OnClose;
  TNotifyEvent OnDestroy;

  // ---- showing and closing ----
  void Show();
  void Hide();
  void SetVisible(bool v) override;
  // Asks OnCloseQuery, then OnClose decides what closing means. In a modal
  // loop it only ends the loop, which asks the same questions.
  void Close();
  // Shows the form and runs a message loop until it closes or hides; the
  // thread's other windows take no input meanwhile.
  int ShowModal();
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int r) { modalResult_ = r; }
  bool InModal() const { return inModal_; }
  // Frees the form once the messages already queued have been handled.
  void Release();
  virtual bool CloseQuery();

  // ---- geometry ----
  int ClientWidth() override;
  int ClientHeight() override;
  // Each keeps the frame and the top-left corner.
  void SetClientWidth(int v);
  void SetClientHeight(int v);
  // The client size and the outer top-left corner in one move (one resize of the children, one trip to
  // the display server), keeping the frame.
  void SetClientSizeAt(int left, int top, int w, int h);
  TWindowState WindowState();
  void SetWindowState(TWindowState s);
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle b) { borderStyle_ = b; }  // before the window exists
  TPosition Position() const { return position_; }
  void SetPosition(TPosition p) { position_ = p; }

  HFONT Font() const { return font_; }
  void SetIcon(HICON icon);

  // ---- focus and dialog navigation ----
  TWinControl* ActiveControl();
  // Moves the focus to the next (or previous) focusable control in tab order;
  // true when some control got it.
  bool SelectNext(TWinControl* current, bool forward, bool checkTabStop);
  // Navigation keys that no control claimed: Tab and the arrows move the
  // focus; Enter and Escape serve default and cancel buttons, which forms here
  // do not have. True when the key was used.
  virtual bool DialogKey(WORD key);

 protected:
  void CreateParams(TCreateParams& p) override;
  void WndProc(TMessage& m) override;
  void BeforeDestruction() override;
  virtual void DoClose(TCloseAction& action);

 private:
  friend class TWinControl;
  void PlaceFirstTime();
  void CloseModal();
  void SetClientSize(int w, int h, const POINT* topLeft = nullptr);

  TFormBorderStyle borderStyle_ = bsSingle;
  TPosition position_ = poDesigned;
  TWindowState state_ = wsNormal;
  int clientWidth_ = 0, clientHeight_ = 0;  // until the window exists
  bool shownOnce_ = false;
  bool inModal_ = false;
  bool destroyed_ = false;
  int modalResult_ = mrNone;
  HFONT font_ = nullptr;
  HICON icon_ = nullptr;
  TWinControl* activeControl_ = nullptr;
};

class TApplication : public TComponent {
 public:
  TApplication() : TComponent(nullptr) {}
  ~TApplication() override { DestroyForms(); }

  // Creates a form owned by the application; the first one becomes the main form.
  template <class T, class... A>
  T* CreateForm(A&&... args) {
    T* form = new T(this, static_cast<A&&>(args)...);
    form->AfterConstruction();
    if (!mainForm_) mainForm_ = form;
    return form;
  }
  TForm* MainForm() const { return mainForm_; }

  // Shows the main form and handles messages until the main form closes.
  void Run();
  // Ends Run's loop.
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Waits for one message and handles it; false when WM_QUIT arrived.
  bool HandleMessage();
  // Handles the messages waiting now.
  void ProcessMessages();
  // Handles messages as they come until `done` (asked at least every 50 ms) answers true or `ms` have passed;
  // answers whether `done` did.
  bool ProcessMessagesUntil(const std::function<bool()>& done, DWORD ms);
  // Dialog navigation first (after the focused control declined the key),
  // then translation and dispatch.
  void ProcessMessage(MSG& msg);
  bool IsDialogKeyMessage(const MSG& msg);

  // Frees every form, newest first; a later Run starts afresh.
  void DestroyForms();

 private:
  friend class TForm;
  TForm* mainForm_ = nullptr;
  bool running_ = false;
  bool terminated_ = false;
};

extern TApplication Application;

}  // namespace ui
