#include "ui/controls.h"

#include <windowsx.h>

#include <algorithm>
#include <set>

#include "base/gdi.h"
#include "base/gui_windows.h"

namespace ui {

namespace {

const wchar_t kBoundProp[] = L"LzgUiControl";

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

using lzg::MemoryDC;

SIZE BitmapSize(HBITMAP b) {
  BITMAP bm{};
  if (!b || !GetObjectW(b, sizeof bm, &bm)) return SIZE{0, 0};
  return SIZE{bm.bmWidth, bm.bmHeight};
}

template <class T>
void Erase(std::vector<T*>& v, const void* p) {
  v.erase(std::remove_if(v.begin(), v.end(), [p](T* x) { return x == p; }), v.end());
}

}  // namespace

// ---- Component ----------------------------------------------------------

Component::Component(Component* owner) : owner_(owner) {
  if (owner_) owner_->components_.push_back(this);
}

Component::~Component() {
  DestroyComponents();
  if (owner_) Erase(owner_->components_, this);
}

void Component::Free() {
  BeforeDestruction();
  delete this;
}

void Component::DestroyComponents() {
  while (!components_.empty()) {
    Component* c = components_.back();
    components_.pop_back();
    c->owner_ = nullptr;
    c->Free();
  }
}

// ---- Control ------------------------------------------------------------

Control::Control(Component* owner, Window* parent) : Component(owner), parent_(parent) {
  if (parent_) parent_->InsertControl(this);
}

Control::~Control() {
  if (parent_) parent_->RemoveControl(this);
}

Window* Control::TopWindow() {
  Control* c = this;
  while (c->parent_) c = c->parent_;
  return dynamic_cast<Window*>(c);
}

int Control::Left() { return left_; }
int Control::Top() { return top_; }
int Control::Width() { return width_; }
int Control::Height() { return height_; }

void Control::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
}

void Control::SetAlign(Align a) {
  align_ = a;
  if (parent_) parent_->Realign();
}

void Control::SetVisible(bool v) { visible_ = v; }
void Control::SetEnabled(bool v) { enabled_ = v; }

// ---- GraphicControl -----------------------------------------------------

GraphicControl::GraphicControl(Component* owner, Window* parent) : Control(owner, parent) {}

void GraphicControl::Invalidate() {
  if (Parent() && Parent()->HandleAllocated()) {
    RECT r = BoundsRect();
    InvalidateRect(Parent()->Handle(), &r, TRUE);
  }
}

void GraphicControl::SetBounds(int left, int top, int width, int height) {
  Invalidate();
  Control::SetBounds(left, top, width, height);
  Invalidate();
}

void GraphicControl::SetVisible(bool v) {
  Control::SetVisible(v);
  if (Parent() && Parent()->HandleAllocated()) {
    RECT r = BoundsRect();
    InvalidateRect(Parent()->Handle(), &r, TRUE);
  }
}

// ---- Window ---------------------------------------------------------

Window::Window(Component* owner, Window* parent)
    : Control(owner, parent), color_(GetSysColor(COLOR_BTNFACE)) {
  if (parent) parent->tab_order_.push_back(this);
}

Window::~Window() {
  // From here on only the class's own processing runs: the handlers may
  // capture parts of a derived object that are already gone.
  Window::BeforeDestruction();
  DestroyComponents();
  while (!controls_.empty()) controls_.back()->Free();
  if (handle_) DestroyWindow(handle_);
  if (brush_) DeleteObject(brush_);
}

Window* Window::FromHandle(HWND hwnd) {
  return hwnd ? static_cast<Window*>(GetPropW(hwnd, kBoundProp)) : nullptr;
}

void Window::BeforeDestruction() {
  destroying_ = true;
  handlers_.clear();
}

HWND Window::Handle() {
  if (!handle_ && !destroying_) CreateWnd();
  return handle_;
}

void Window::CreateParams(WindowParams& p) {
  p.caption = text_;
  if (visible_) p.style |= WS_VISIBLE;
  if (!enabled_) p.style |= WS_DISABLED;
  if (tab_stop_) p.style |= WS_TABSTOP;
  p.x = left_;
  p.y = top_;
  p.width = width_;
  p.height = height_;
  p.parent = Parent() ? Parent()->Handle() : nullptr;
}

void Window::CreateWnd() {
  if (Parent()) {
    Parent()->Handle();
    if (handle_) return;  // created together with the parent's children
  }
  WindowParams p;
  CreateParams(p);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(Instance(), p.class_name.c_str(), &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.style = p.class_style;
    wc.lpfnWndProc = &Window::Trampoline;
    wc.hInstance = Instance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = p.class_name.c_str();
    RegisterClassExW(&wc);
  }
  CreateWindowExW(p.ex_style, p.class_name.c_str(), p.caption.c_str(), p.style, p.x, p.y, p.width, p.height,
                  p.parent, nullptr, Instance(), this);
  if (!handle_) return;
  if (Window* top = TopWindow(); top && top != this) {
    if (HFONT font = top->ChildFont()) SendMessageW(handle_, WM_SETFONT, WPARAM(font), FALSE);
  }
  for (Control* c : std::vector<Control*>(controls_))
    if (auto* w = dynamic_cast<Window*>(c)) w->HandleNeeded();
  Realign();
}

LRESULT CALLBACK Window::Trampoline(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    if (self) {
      self->handle_ = hwnd;
      SetPropW(hwnd, kBoundProp, self);
      lzg::gui_windows::Created();
    }
  } else {
    self = FromHandle(hwnd);
  }
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  Message m{msg, wp, lp, 0};
  self->Dispatch(m);
  if (msg == WM_NCDESTROY) {
    lzg::gui_windows::Destroyed();
    RemovePropW(hwnd, kBoundProp);
    self->handle_ = nullptr;
    self->mouse_capture_ = nullptr;
  }
  return m.result;
}

void Window::Dispatch(Message& m) {
  if (!destroying_) {
    auto it = handlers_.find(m.msg);
    if (it != handlers_.end()) {
      MessageHandler h = it->second;  // the handler may replace itself
      h(m);
      return;
    }
  }
  WndProc(m);
}

void Window::OnMessage(UINT msg, MessageHandler handler) {
  if (handler)
    handlers_[msg] = std::move(handler);
  else
    handlers_.erase(msg);
}

LRESULT Window::Perform(UINT msg, WPARAM wp, LPARAM lp) {
  Message m{msg, wp, lp, 0};
  Dispatch(m);
  return m.result;
}

void Window::DefaultHandler(Message& m) { m.result = DefWindowProcW(handle_, m.msg, m.wparam, m.lparam); }

void Window::WndProc(Message& m) {
  switch (m.msg) {
    case WM_ERASEBKGND: {
      bool graphics = std::any_of(controls_.begin(), controls_.end(),
                                  [](Control* c) { return dynamic_cast<GraphicControl*>(c) != nullptr; });
      // With graphic children WM_PAINT paints everything off-screen at once.
      if (!graphics) PaintWindow(reinterpret_cast<HDC>(m.wparam), true);
      m.result = 1;
      return;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(handle_, &ps);
      RECT rc = ClientRect();
      bool graphics = std::any_of(controls_.begin(), controls_.end(),
                                  [](Control* c) { return dynamic_cast<GraphicControl*>(c) != nullptr; });
      // Without graphic children the background is WM_ERASEBKGND's alone.
      if (graphics && rc.right > 0 && rc.bottom > 0) {
        lzg::GdiObject<HBITMAP> buffer(CreateCompatibleBitmap(dc, rc.right, rc.bottom));
        MemoryDC mem(dc, buffer.get());
        PaintWindow(mem.get(), true);
        BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
               ps.rcPaint.bottom - ps.rcPaint.top, mem.get(), ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
      }
      EndPaint(handle_, &ps);
      m.result = 0;
      return;
    }
    case WM_PRINTCLIENT:
      PaintWindow(reinterpret_cast<HDC>(m.wparam), (m.lparam & PRF_ERASEBKGND) != 0);
      m.result = 0;
      return;
    case WM_SIZE:
      Realign();
      Resize();
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (GraphicControl* g = GraphicAt(GET_X_LPARAM(m.lparam), GET_Y_LPARAM(m.lparam))) {
        mouse_capture_ = g;
        SetCapture(handle_);
        g->MouseDown(GET_X_LPARAM(m.lparam), GET_Y_LPARAM(m.lparam));
        m.result = 0;
        return;
      }
      break;
    case WM_LBUTTONUP:
      if (GraphicControl* g = mouse_capture_) {
        mouse_capture_ = nullptr;
        ReleaseCapture();
        g->MouseUp(GET_X_LPARAM(m.lparam), GET_Y_LPARAM(m.lparam));
        m.result = 0;
        return;
      }
      break;
    case WM_SETFOCUS:
      if (Window* top = TopWindow(); top && top != this) top->ChildFocused(this);
      break;
    case kWantSpecialKeyMessage:
      m.result = 0;
      return;
    default:
      break;
  }
  DefaultHandler(m);
}

void Window::PaintWindow(HDC dc, bool erase) {
  if (erase) {
    if (!brush_) brush_ = CreateSolidBrush(color_);
    RECT rc = ClientRect();
    FillRect(dc, &rc, brush_);
  }
  for (Control* c : controls_)
    if (auto* g = dynamic_cast<GraphicControl*>(c); g && g->Visible()) g->Paint(dc);
}

GraphicControl* Window::GraphicAt(int x, int y) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    auto* g = dynamic_cast<GraphicControl*>(*it);
    if (!g || !g->Visible() || !g->Enabled()) continue;
    RECT r = g->BoundsRect();
    POINT pt{x, y};
    if (PtInRect(&r, pt)) return g;
  }
  return nullptr;
}

void Window::Resize() {}

void Window::InsertControl(Control* c) { controls_.push_back(c); }

void Window::RemoveControl(Control* c) {
  Erase(controls_, c);
  Erase(tab_order_, c);
  if (mouse_capture_ == c) mouse_capture_ = nullptr;
  if (Window* top = TopWindow()) top->ChildRemoved(c);
}

namespace {
RECT WindowRectInParent(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  if (GetWindowLongW(h, GWL_STYLE) & WS_CHILD) MapWindowPoints(HWND_DESKTOP, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  return r;
}
}  // namespace

int Window::Left() { return handle_ ? WindowRectInParent(handle_).left : left_; }
int Window::Top() { return handle_ ? WindowRectInParent(handle_).top : top_; }
int Window::Width() {
  if (!handle_) return width_;
  RECT r = WindowRectInParent(handle_);
  return r.right - r.left;
}
int Window::Height() {
  if (!handle_) return height_;
  RECT r = WindowRectInParent(handle_);
  return r.bottom - r.top;
}

void Window::SetBounds(int left, int top, int width, int height) {
  Control::SetBounds(left, top, width, height);
  if (handle_) SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int Window::ClientWidth() { return ClientRect().right; }
int Window::ClientHeight() { return ClientRect().bottom; }

RECT Window::ClientRect() {
  RECT r{0, 0, width_, height_};
  if (handle_) GetClientRect(handle_, &r);
  return r;
}

void Window::SetVisible(bool v) {
  Control::SetVisible(v);
  if (handle_) ShowWindow(handle_, v ? SW_SHOWNA : SW_HIDE);
  if (Parent()) Parent()->Realign();
}

void Window::SetEnabled(bool v) {
  Control::SetEnabled(v);
  if (handle_) EnableWindow(handle_, v);
}

void Window::SetColor(COLORREF c) {
  color_ = c;
  if (brush_) {
    DeleteObject(brush_);
    brush_ = nullptr;
  }
  Invalidate();
}

std::wstring Window::Text() {
  if (!handle_) return text_;
  int n = GetWindowTextLengthW(handle_);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  s.resize(static_cast<size_t>(GetWindowTextW(handle_, s.data(), n + 1)));
  return s;
}

void Window::SetText(const std::wstring& text) {
  text_ = text;
  if (handle_) SetWindowTextW(handle_, text.c_str());
}

int Window::TabOrder() const {
  if (!Parent()) return -1;
  const auto& list = Parent()->tab_order_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void Window::SetTabOrder(int order) {
  if (!Parent()) return;
  auto& list = Parent()->tab_order_;
  Erase(list, this);
  order = std::clamp(order, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + order, this);
}

std::vector<Window*> Window::TabList() const { return tab_order_; }

bool Window::CanFocus() {
  return handle_ && IsWindowVisible(handle_) && IsWindowEnabled(handle_);
}

bool Window::Focused() { return handle_ && GetFocus() == handle_; }

void Window::SetFocus() { ::SetFocus(Handle()); }

void Window::Invalidate() {
  if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void Window::Realign() {
  if (!handle_) return;
  RECT rc = ClientRect();
  for (Control* c : controls_)
    if (c->GetAlign() == Align::kClient && c->Visible()) c->SetBounds(0, 0, rc.right, rc.bottom);
}

// ---- Image --------------------------------------------------------------

void Image::SetBitmap(HBITMAP bitmap) {
  if (bitmap != bitmap_.get()) bitmap_.reset(bitmap);
  Invalidate();
}

void Image::Paint(HDC dc) {
  if (!bitmap_) return;
  SIZE s = BitmapSize(bitmap_.get());
  MemoryDC src(dc, bitmap_.get());
  if (Stretch) {
    int old = SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, Left(), Top(), Width(), Height(), src.get(), 0, 0, s.cx, s.cy, SRCCOPY);
    SetStretchBltMode(dc, old);
  } else {
    BitBlt(dc, Left(), Top(), std::min<int>(s.cx, Width()), std::min<int>(s.cy, Height()), src.get(), 0, 0, SRCCOPY);
  }
}

// ---- PictureButton ------------------------------------------------------

void PictureButton::SetBitmap(HBITMAP bitmap) {
  if (bitmap != bitmap_.get()) bitmap_.reset(bitmap);
  Invalidate();
}

void PictureButton::Paint(HDC dc) {
  if (!bitmap_) return;
  SIZE s = BitmapSize(bitmap_.get());
  MemoryDC src(dc, bitmap_.get());
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(dc, Left(), Top(), Width(), Height(), src.get(), 0, 0, s.cx, s.cy, bf);
}

void PictureButton::MouseDown(int, int) { pressed_ = true; }

void PictureButton::MouseUp(int x, int y) {
  bool was = pressed_;
  pressed_ = false;
  RECT r = BoundsRect();
  POINT pt{x, y};
  if (was && Enabled() && PtInRect(&r, pt)) Click();
}

void PictureButton::Click() {
  if (on_click_) on_click_();
}

}  // namespace ui
