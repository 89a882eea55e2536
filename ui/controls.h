// The window framework's component model: components owned by a component,
// controls placed in a parent window, and windowed controls with one window
// procedure for every class. Main thread only; engine threads post messages.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/gdi.h"

namespace ui {

class Component;
class Control;
class Window;
class Form;


// Framework messages (the range VCL-style frameworks keep for themselves).
constexpr UINT kFrameworkMessageBase = 0xB000;
// Sent to the focused control before a key is used for dialog navigation:
// wParam = virtual key, lParam = the key message's lParam. A non-zero result
// keeps the key with the control.
constexpr UINT kWantSpecialKeyMessage = kFrameworkMessageBase + 22;
// Posted by Form::Release: the form frees itself once the message arrives.
constexpr UINT kReleaseMessage = kFrameworkMessageBase + 33;

// A window message as handlers see it; `result` is returned to the sender.
struct Message {
  UINT msg = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  LRESULT result = 0;
};
using MessageHandler = std::function<void(Message& m)>;

enum class Align { kNone, kClient };

// Owns the components created with it as owner; frees them in reverse order
// of creation when it is freed itself.
class Component {
 public:
  explicit Component(Component* owner);
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;
  virtual ~Component();

  // The way to free a component: BeforeDestruction runs while the object is
  // still whole (forms raise OnDestroy there), then the destructor.
  void Free();

  Component* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  Component* Components(int i) const { return components_[static_cast<size_t>(i)]; }

 protected:
  friend class Application;
  virtual void BeforeDestruction() {}
  // Frees the owned components, newest first.
  void DestroyComponents();

 private:
  Component* owner_ = nullptr;
  std::vector<Component*> components_;
};

// Something placed in a parent window: bounds in the parent's client area,
// alignment, visibility.
class Control : public Component {
 public:
  Control(Component* owner, Window* parent);
  ~Control() override;

  Window* Parent() const { return parent_; }
  // The top of the parent chain: the form this control sits on (itself for a form).
  Window* TopWindow();

  virtual int Left();
  virtual int Top();
  virtual int Width();
  virtual int Height();
  virtual void SetBounds(int left, int top, int width, int height);
  void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
  void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
  void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
  void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }

  Align GetAlign() const { return align_; }
  void SetAlign(Align a);

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool v);
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool v);

  RECT BoundsRect() { return RECT{Left(), Top(), Left() + Width(), Top() + Height()}; }

 protected:
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  Align align_ = Align::kNone;
  bool visible_ = true;
  bool enabled_ = true;

 private:
  Window* parent_ = nullptr;
};

// A control without a window of its own, painted by its parent window and fed
// the parent's mouse messages. It never takes the keyboard focus.
class GraphicControl : public Control {
 public:
  GraphicControl(Component* owner, Window* parent);

  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool v) override;
  void Invalidate();

  // Called by the parent, in the parent's client coordinates.
  virtual void Paint(HDC dc) = 0;
  virtual void MouseDown(int /*x*/, int /*y*/) {}
  virtual void MouseUp(int /*x*/, int /*y*/) {}
};

// Arguments for creating a native window.
struct WindowParams {
  std::wstring class_name = L"LzgWinControl";
  std::wstring caption;
  DWORD style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  DWORD ex_style = 0;
  UINT class_style = CS_DBLCLKS;
  int x = 0, y = 0, width = 0, height = 0;
  HWND parent = nullptr;
};

// A control with a native window. Its window is created by HandleNeeded (or
// Handle), when its parent's window is created, or when a form is built; it is
// destroyed with the object, and with it every child window.
class Window : public Control {
 public:
  Window(Component* owner, Window* parent);
  ~Window() override;

  // The native window, created when it does not exist yet.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }
  // The control bound to a native window of ours, or null.
  static Window* FromHandle(HWND hwnd);

  // A handler for one message, replacing any earlier one for it. The handler
  // decides whether the default handling runs (Default) and when.
  void OnMessage(UINT msg, MessageHandler handler);
  // The default handling of a message: the class's own processing, then the
  // system's default window procedure.
  void Default(Message& m) { WndProc(m); }
  LRESULT Perform(UINT msg, WPARAM wp = 0, LPARAM lp = 0);

  int Left() override;
  int Top() override;
  int Width() override;
  int Height() override;
  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool v) override;
  void SetEnabled(bool v) override;
  virtual int ClientWidth();
  virtual int ClientHeight();
  RECT ClientRect();

  COLORREF Color() const { return color_; }
  void SetColor(COLORREF c);
  std::wstring Text();
  void SetText(const std::wstring& text);

  int TabOrder() const;
  void SetTabOrder(int order);
  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool v) { tab_stop_ = v; }
  bool CanFocus();
  bool Focused();
  void SetFocus();

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  Control* Controls(int i) const { return controls_[static_cast<size_t>(i)]; }
  // Windowed children in tab order.
  std::vector<Window*> TabList() const;

  void Invalidate();
  void Realign();

 protected:
  virtual void CreateParams(WindowParams& params);
  virtual void CreateWnd();
  // The class's own message processing; overrides end with the base call.
  virtual void WndProc(Message& m);
  // ---- what a top-level window (a form) offers the controls on it ----
  // The font its child windows take; none here.
  virtual HFONT ChildFont() { return nullptr; }
  // A child window got the keyboard focus, or a child control is going away.
  virtual void ChildFocused(Window*) {}
  virtual void ChildRemoved(Control*) {}
  virtual void DefaultHandler(Message& m);
  // The size changed.
  virtual void Resize();
  // Paints the background and the graphic children.
  virtual void PaintWindow(HDC dc, bool erase);
  // Stops the handlers: a derived object's parts may be gone before the window.
  void BeforeDestruction() override;

  HWND handle_ = nullptr;
  COLORREF color_;
  bool tab_stop_ = false;
  bool destroying_ = false;

 private:
  friend class Control;
  friend class Form;
  static LRESULT CALLBACK Trampoline(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void Dispatch(Message& m);
  void InsertControl(Control* c);
  void RemoveControl(Control* c);
  GraphicControl* GraphicAt(int x, int y);

  std::vector<Control*> controls_;  // creation order; tab order below
  std::vector<Window*> tab_order_;
  std::map<UINT, MessageHandler> handlers_;
  std::wstring text_;
  HBRUSH brush_ = nullptr;
  GraphicControl* mouse_capture_ = nullptr;
};

// A plain container window.
class Panel : public Window {
 public:
  Panel(Component* owner, Window* parent) : Window(owner, parent) {}
};

// Shows a bitmap, stretched over its bounds or drawn at its own size.
// The control owns the bitmap it is given.
class Image : public GraphicControl {
 public:
  Image(Component* owner, Window* parent) : GraphicControl(owner, parent) {}
  void SetBitmap(HBITMAP bitmap);
  HBITMAP Bitmap() const { return bitmap_.get(); }
  bool Stretch = true;
  void Paint(HDC dc) override;

 private:
  lzg::GdiObject<HBITMAP> bitmap_;
};

// A button whose whole face is a 32-bit bitmap with premultiplied alpha,
// blended over whatever lies beneath it. Takes no keyboard focus. The control
// owns the bitmap it is given.
class PictureButton : public GraphicControl {
 public:
  PictureButton(Component* owner, Window* parent) : GraphicControl(owner, parent) {}
  void SetBitmap(HBITMAP bitmap);
  HBITMAP Bitmap() const { return bitmap_.get(); }
  void SetOnClick(std::function<void()> on_click) { on_click_ = std::move(on_click); }
  void Click();
  void Paint(HDC dc) override;
  void MouseDown(int x, int y) override;
  void MouseUp(int x, int y) override;

 private:
  lzg::GdiObject<HBITMAP> bitmap_;
  bool pressed_ = false;
  std::function<void()> on_click_;
};

}  // namespace ui
