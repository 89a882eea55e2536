#include "ui/controls.h"

#include <windowsx.h>

#include <algorithm>
#include <set>

#include "base/gdi.h"
#include "base/gui_windows.h"
#include "ui/forms.h"

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

// ---- TComponent ----------------------------------------------------------

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
  DestroyComponents();
  if (owner_) Erase(owner_->components_, this);
}

void TComponent::Free() {
  BeforeDestruction();
  delete this;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* c = components_.back();
    components_.pop_back();
    c->owner_ = nullptr;
    c->Free();
  }
}

// ---- TControl ------------------------------------------------------------

TControl::TControl(TComponent* owner, TWinControl* parent) : TComponent(owner), parent_(parent) {
  if (parent_) parent_->InsertControl(this);
}

TControl::~TControl() {
  if (parent_) parent_->RemoveControl(this);
}

TForm* TControl::GetParentForm() {
  TControl* c = this;
  while (c->parent_) c = c->parent_;
  return dynamic_cast<TForm*>(c);
}

int TControl::Left() { return left_; }
int TControl::Top() { return top_; }
int TControl::Width() { return width_; }
int TControl::Height() { return height_; }

void TControl::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
}

void TControl::SetAlign(TAlign a) {
  align_ = a;
  if (parent_) parent_->Realign();
}

void TControl::SetVisible(bool v) { visible_ = v; }
void TControl::SetEnabled(bool v) { enabled_ = v; }

// ---- TGraphicControl -----------------------------------------------------

TGraphicControl::TGraphicControl(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {}

void TGraphicControl::Invalidate() {
  if (Parent() && Parent()->HandleAllocated()) {
    RECT r = BoundsRect();
    InvalidateRect(Parent()->Handle(), &r, TRUE);
  }
}

void TGraphicControl::SetBounds(int left, int top, int width, int height) {
  Invalidate();
  TControl::SetBounds(left, top, width, height);
  Invalidate();
}

void TGraphicControl::SetVisible(bool v) {
  TControl::SetVisible(v);
  if (Parent() && Parent()->HandleAllocated()) {
    RECT r = BoundsRect();
    InvalidateRect(Parent()->Handle(), &r, TRUE);
  }
}

// ---- TWinControl ---------------------------------------------------------

TWinControl::TWinControl(TComponent* owner, TWinControl* parent)
    : TControl(owner, parent), color_(GetSysColor(COLOR_BTNFACE)) {
  if (parent) parent->tabOrder_.push_back(this);
}

TWinControl::~TWinControl() {
  // From here on only the class's own processing runs: the handlers may
  // capture parts of a derived object that are already gone.
  TWinControl::BeforeDestruction();
  DestroyComponents();
  while (!controls_.empty()) controls_.back()->Free();
  if (handle_) DestroyWindow(handle_);
  if (brush_) DeleteObject(brush_);
}

TWinControl* TWinControl::FromHandle(HWND hwnd) {
  return hwnd ? static_cast<TWinControl*>(GetPropW(hwnd, kBoundProp)) : nullptr;
}

void TWinControl::BeforeDestruction() {
  destroying_ = true;
  handlers_.clear();
  OnResize = nullptr;
}

HWND TWinControl::Handle() {
  if (!handle_ && !destroying_) CreateWnd();
  return handle_;
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.Caption = text_;
  if (visible_) p.Style |= WS_VISIBLE;
  if (!enabled_) p.Style |= WS_DISABLED;
  if (tabStop_) p.Style |= WS_TABSTOP;
  p.X = left_;
  p.Y = top_;
  p.Width = width_;
  p.Height = height_;
  p.WndParent = Parent() ? Parent()->Handle() : nullptr;
}

void TWinControl::CreateWnd() {
  if (Parent()) {
    Parent()->Handle();
    if (handle_) return;  // created together with the parent's children
  }
  TCreateParams p;
  CreateParams(p);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(Instance(), p.ClassName.c_str(), &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.style = p.ClassStyle;
    wc.lpfnWndProc = &TWinControl::Trampoline;
    wc.hInstance = Instance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = p.ClassName.c_str();
    RegisterClassExW(&wc);
  }
  CreateWindowExW(p.ExStyle, p.ClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y, p.Width, p.Height,
                  p.WndParent, nullptr, Instance(), this);
  if (!handle_) return;
  if (TForm* f = GetParentForm(); f && f != this) SendMessageW(handle_, WM_SETFONT, WPARAM(f->Font()), FALSE);
  for (TControl* c : std::vector<TControl*>(controls_))
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->HandleNeeded();
  Realign();
}

LRESULT CALLBACK TWinControl::Trampoline(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  TWinControl* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    if (self) {
      self->handle_ = hwnd;
      SetPropW(hwnd, kBoundProp, self);
      lzg::gui_windows::Created();
    }
  } else {
    self = FromHandle(hwnd);
  }
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  TMessage m{msg, wp, lp, 0};
  self->Dispatch(m);
  if (msg == WM_NCDESTROY) {
    lzg::gui_windows::Destroyed();
    RemovePropW(hwnd, kBoundProp);
    self->handle_ = nullptr;
    self->mouseCapture_ = nullptr;
  }
  return m.Result;
}

void TWinControl::Dispatch(TMessage& m) {
  if (!destroying_) {
    auto it = handlers_.find(m.Msg);
    if (it != handlers_.end()) {
      TMessageHandler h = it->second;  // the handler may replace itself
      h(m);
      return;
    }
  }
  WndProc(m);
}

void TWinControl::OnMessage(UINT msg, TMessageHandler handler) {
  if (handler)
    handlers_[msg] = std::move(handler);
  else
    handlers_.erase(msg);
}

LRESULT TWinControl::Perform(UINT msg, WPARAM wp, LPARAM lp) {
  TMessage m{msg, wp, lp, 0};
  Dispatch(m);
  return m.Result;
}

void TWinControl::DefaultHandler(TMessage& m) { m.Result = DefWindowProcW(handle_, m.Msg, m.WParam, m.LParam); }

void TWinControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_ERASEBKGND: {
      bool graphics = std::any_of(controls_.begin(), controls_.end(),
                                  [](TControl* c) { return dynamic_cast<TGraphicControl*>(c) != nullptr; });
      // With graphic children WM_PAINT paints everything off-screen at once.
      if (!graphics) PaintWindow(reinterpret_cast<HDC>(m.WParam), true);
      m.Result = 1;
      return;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(handle_, &ps);
      RECT rc = ClientRect();
      bool graphics = std::any_of(controls_.begin(), controls_.end(),
                                  [](TControl* c) { return dynamic_cast<TGraphicControl*>(c) != nullptr; });
      // Without graphic children the background is WM_ERASEBKGND's alone.
      if (graphics && rc.right > 0 && rc.bottom > 0) {
        lzg::GdiObject<HBITMAP> buffer(CreateCompatibleBitmap(dc, rc.right, rc.bottom));
        MemoryDC mem(dc, buffer.get());
        PaintWindow(mem.get(), true);
        BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
               ps.rcPaint.bottom - ps.rcPaint.top, mem.get(), ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
      }
      EndPaint(handle_, &ps);
      m.Result = 0;
      return;
    }
    case WM_PRINTCLIENT:
      PaintWindow(reinterpret_cast<HDC>(m.WParam), (m.LParam & PRF_ERASEBKGND) != 0);
      m.Result = 0;
      return;
    case WM_SIZE:
      Realign();
      Resize();
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (TGraphicControl* g = GraphicAt(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam))) {
        mouseCapture_ = g;
        SetCapture(handle_);
        g->MouseDown(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
        m.Result = 0;
        return;
      }
      break;
    case WM_LBUTTONUP:
      if (TGraphicControl* g = mouseCapture_) {
        mouseCapture_ = nullptr;
        ReleaseCapture();
        g->MouseUp(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
        m.Result = 0;
        return;
      }
      break;
    case WM_SETFOCUS:
      if (TForm* f = GetParentForm(); f && f != this) f->activeControl_ = this;
      break;
    case CM_WANTSPECIALKEY:
      m.Result = 0;
      return;
    default:
      break;
  }
  DefaultHandler(m);
}

void TWinControl::PaintWindow(HDC dc, bool erase) {
  if (erase) {
    if (!brush_) brush_ = CreateSolidBrush(color_);
    RECT rc = ClientRect();
    FillRect(dc, &rc, brush_);
  }
  for (TControl* c : controls_)
    if (auto* g = dynamic_cast<TGraphicControl*>(c); g && g->Visible()) g->Paint(dc);
}

TGraphicControl* TWinControl::GraphicAt(int x, int y) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    auto* g = dynamic_cast<TGraphicControl*>(*it);
    if (!g || !g->Visible() || !g->Enabled()) continue;
    RECT r = g->BoundsRect();
    POINT pt{x, y};
    if (PtInRect(&r, pt)) return g;
  }
  return nullptr;
}

void TWinControl::Resize() {
  if (OnResize) OnResize(this);
}

void TWinControl::InsertControl(TControl* c) { controls_.push_back(c); }

void TWinControl::RemoveControl(TControl* c) {
  Erase(controls_, c);
  Erase(tabOrder_, c);
  if (mouseCapture_ == c) mouseCapture_ = nullptr;
  if (TForm* f = GetParentForm(); f && f->activeControl_ == c) f->activeControl_ = nullptr;
}

namespace {
RECT WindowRectInParent(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  if (GetWindowLongW(h, GWL_STYLE) & WS_CHILD) MapWindowPoints(HWND_DESKTOP, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  return r;
}
}  // namespace

int TWinControl::Left() { return handle_ ? WindowRectInParent(handle_).left : left_; }
int TWinControl::Top() { return handle_ ? WindowRectInParent(handle_).top : top_; }
int TWinControl::Width() {
  if (!handle_) return width_;
  RECT r = WindowRectInParent(handle_);
  return r.right - r.left;
}
int TWinControl::Height() {
  if (!handle_) return height_;
  RECT r = WindowRectInParent(handle_);
  return r.bottom - r.top;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  TControl::SetBounds(left, top, width, height);
  if (handle_) SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int TWinControl::ClientWidth() { return ClientRect().right; }
int TWinControl::ClientHeight() { return ClientRect().bottom; }

RECT TWinControl::ClientRect() {
  RECT r{0, 0, width_, height_};
  if (handle_) GetClientRect(handle_, &r);
  return r;
}

void TWinControl::SetVisible(bool v) {
  TControl::SetVisible(v);
  if (handle_) ShowWindow(handle_, v ? SW_SHOWNA : SW_HIDE);
  if (Parent()) Parent()->Realign();
}

void TWinControl::SetEnabled(bool v) {
  TControl::SetEnabled(v);
  if (handle_) EnableWindow(handle_, v);
}

void TWinControl::SetColor(COLORREF c) {
  color_ = c;
  if (brush_) {
    DeleteObject(brush_);
    brush_ = nullptr;
  }
  Invalidate();
}

std::wstring TWinControl::Text() {
  if (!handle_) return text_;
  int n = GetWindowTextLengthW(handle_);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  s.resize(static_cast<size_t>(GetWindowTextW(handle_, s.data(), n + 1)));
  return s;
}

void TWinControl::SetText(const std::wstring& text) {
  text_ = text;
  if (handle_) SetWindowTextW(handle_, text.c_str());
}

int TWinControl::TabOrder() const {
  if (!Parent()) return -1;
  const auto& list = Parent()->tabOrder_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
  if (!Parent()) return;
  auto& list = Parent()->tabOrder_;
  Erase(list, this);
  order = std::clamp(order, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + order, this);
}

std::vector<TWinControl*> TWinControl::TabList() const { return tabOrder_; }

bool TWinControl::CanFocus() {
  return handle_ && IsWindowVisible(handle_) && IsWindowEnabled(handle_);
}

bool TWinControl::Focused() { return handle_ && GetFocus() == handle_; }

void TWinControl::SetFocus() { ::SetFocus(Handle()); }

void TWinControl::Invalidate() {
  if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::Realign() {
  if (!handle_) return;
  RECT rc = ClientRect();
  for (TControl* c : controls_)
    if (c->Align() == alClient && c->Visible()) c->SetBounds(0, 0, rc.right, rc.bottom);
}

// ---- TImage --------------------------------------------------------------

void TImage::SetBitmap(HBITMAP bitmap) {
  if (bitmap != bitmap_.get()) bitmap_.reset(bitmap);
  Invalidate();
}

void TImage::Paint(HDC dc) {
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

// ---- TPictureButton ------------------------------------------------------

void TPictureButton::SetBitmap(HBITMAP bitmap) {
  if (bitmap != bitmap_.get()) bitmap_.reset(bitmap);
  Invalidate();
}

void TPictureButton::Paint(HDC dc) {
  if (!bitmap_) return;
  SIZE s = BitmapSize(bitmap_.get());
  MemoryDC src(dc, bitmap_.get());
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(dc, Left(), Top(), Width(), Height(), src.get(), 0, 0, s.cx, s.cy, bf);
}

void TPictureButton::MouseDown(int, int) { pressed_ = true; }

void TPictureButton::MouseUp(int x, int y) {
  bool was = pressed_;
  pressed_ = false;
  RECT r = BoundsRect();
  POINT pt{x, y};
  if (was && Enabled() && PtInRect(&r, pt)) Click();
}

void TPictureButton::Click() {
  if (OnClick) OnClick(this);
}

}  // namespace ui
