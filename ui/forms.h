// Top-level windows (forms) and the application object that runs the message
// loop. Main thread only.
#pragma once

#include <windows.h>

#include <functional>

#include "ui/controls.h"

namespace ui {

enum class CloseAction { kNone, kHide, kFree, kMinimize };
enum class WindowState { kNormal, kMinimized, kMaximized };
enum class BorderStyle { kNone, kSingle, kSizeable };
// Where the first showing places the form (once): as designed, centred on
// the primary monitor's work area, or centred on the main form.
enum class Position { kDesigned, kScreenCenter, kDesktopCenter, kMainFormCenter };

constexpr int kModalNone = 0;
constexpr int kModalOk = 1;
constexpr int kModalCancel = 2;


class Form : public Window {
 public:
  // The owner is normally the Application; see Application::CreateForm.
  explicit Form(Component* owner);
  ~Form() override;

  // Completes construction once the derived constructor has built the
  // components: creates the native windows, then raises OnCreate.
  void AfterConstruction();

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
  int ModalResult() const { return modal_result_; }
  void SetModalResult(int r) { modal_result_ = r; }
  bool InModal() const { return in_modal_; }
  // Frees the form once the messages already queued have been handled.
  void Release();
  // Every close request: OnCloseQuery's answer.
  bool CloseQuery();

  // ---- geometry ----
  int ClientWidth() override;
  int ClientHeight() override;
  // Each keeps the frame and the top-left corner.
  void SetClientWidth(int v);
  void SetClientHeight(int v);
  // The client size and the outer top-left corner in one move (one resize of the children, one trip to
  // the display server), keeping the frame.
  void SetClientSizeAt(int left, int top, int w, int h);
  WindowState GetWindowState();
  void SetWindowState(WindowState s);
  BorderStyle GetBorderStyle() const { return border_style_; }
  void SetBorderStyle(BorderStyle b) { border_style_ = b; }  // before the window exists
  Position GetPosition() const { return position_; }
  void SetPosition(Position p) { position_ = p; }

  HFONT Font() const { return font_; }
  // The form a control sits on, or null.
  static Form* Of(Control* control);
  void SetIcon(HICON icon);

  // ---- focus and dialog navigation ----
  Window* ActiveControl();
  // Moves the focus to the next (or previous) focusable control in tab order;
  // true when some control got it.
  bool SelectNext(Window* current, bool forward, bool checkTabStop);
  // Navigation keys that no control claimed: Tab and the arrows move the
  // focus; Enter and Escape serve default and cancel buttons, which forms here
  // do not have. True when the key was used.
  virtual bool DialogKey(WORD key);

 protected:
  void CreateParams(WindowParams& p) override;
  void WndProc(Message& m) override;
  HFONT ChildFont() override { return font_; }
  void ChildFocused(Window* child) override { active_control_ = child; }
  void ChildRemoved(Control* child) override {
    if (active_control_ == child) active_control_ = nullptr;
  }
  void BeforeDestruction() override;
  // ---- what a form does at each step of its life: derived forms override these ----
  // Once, when the native windows exist.
  virtual void OnCreate() {}
  // Every showing, before the window appears.
  virtual void OnShow() {}
  // Every close request: true lets the form close.
  virtual bool OnCloseQuery() { return true; }
  // What closing means, once OnCloseQuery has let it happen.
  virtual CloseAction OnClose() { return CloseAction::kHide; }
  // Once, before the form is freed, while it is still whole.
  virtual void OnDestroy() {}

 private:
  friend class Window;
  void PlaceFirstTime();
  void CloseModal();
  void SetClientSize(int w, int h, const POINT* topLeft = nullptr);

  BorderStyle border_style_ = BorderStyle::kSingle;
  Position position_ = Position::kDesigned;
  WindowState state_ = WindowState::kNormal;
  int client_width_ = 0, client_height_ = 0;  // until the window exists
  bool shown_once_ = false;
  bool in_modal_ = false;
  bool destroyed_ = false;
  int modal_result_ = kModalNone;
  HFONT font_ = nullptr;
  HICON icon_ = nullptr;
  Window* active_control_ = nullptr;
};

// The message loop and the forms it runs: one per process, main thread only.
class Application {
 public:
  Application() = delete;

  // Creates a form owned by the application; the first one becomes the main form.
  template <class T, class... A>
  static T* CreateForm(A&&... args) {
    T* form = new T(&Forms(), static_cast<A&&>(args)...);
    form->AfterConstruction();
    if (!main_form_) main_form_ = form;
    return form;
  }
  static Form* MainForm() { return main_form_; }
  // The forms the application owns.
  static Component& Forms();

  // Shows the main form and handles messages until the main form closes.
  static void Run();
  // Ends Run's loop.
  static void Terminate();
  static bool Terminated() { return terminated_; }
  // Waits for one message and handles it; false when WM_QUIT arrived.
  static bool HandleMessage();
  // Handles the messages waiting now.
  static void ProcessMessages();
  // Handles messages as they come until `done` (asked at least every 50 ms) answers true or `ms` have passed;
  // answers whether `done` did.
  static bool ProcessMessagesUntil(const std::function<bool()>& done, DWORD ms);
  // Dialog navigation first (after the focused control declined the key),
  // then translation and dispatch.
  static void ProcessMessage(MSG& msg);
  static bool IsDialogKeyMessage(const MSG& msg);

  // Frees every form, newest first; a later Run starts afresh.
  static void DestroyForms();

 private:
  friend class Form;
  static inline Form* main_form_ = nullptr;
  static inline bool running_ = false;
  static inline bool terminated_ = false;
};

}  // namespace ui
