#include "ui/forms.h"

#include <algorithm>
#include <vector>

#include "ui/menus.h"
#include "ui/placement.h"

namespace ui {

Component& Application::Forms() {
  // Never destroyed at exit: the forms go with DestroyForms, before the engine does.
  static Component* forms = new Component(nullptr);
  return *forms;
}

namespace {

DWORD FormStyle(BorderStyle b) {
  switch (b) {
    case BorderStyle::kNone:
      return WS_POPUP | WS_CLIPCHILDREN;
    case BorderStyle::kSizeable:
      return WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    case BorderStyle::kSingle:
    default:
      return WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
  }
}

// Tahoma 8 pt, the forms' font for their children.
HFONT CreateFormFont() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(8, dpi, 72);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, L"Tahoma", LF_FACESIZE);
  return CreateFontIndirectW(&lf);
}

// Depth first, in tab order: the order Tab walks.
void CollectTabOrder(const Window* parent, std::vector<Window*>& out) {
  for (Window* c : parent->TabList()) {
    out.push_back(c);
    CollectTabOrder(c, out);
  }
}

struct DisableContext {
  HWND keep;
  std::vector<HWND> disabled;
};

BOOL CALLBACK DisableOne(HWND h, LPARAM lp) {
  auto* c = reinterpret_cast<DisableContext*>(lp);
  if (h != c->keep && IsWindowVisible(h) && IsWindowEnabled(h)) {
    EnableWindow(h, FALSE);
    c->disabled.push_back(h);
  }
  return TRUE;
}

// The thread's other visible top-level windows, now disabled.
std::vector<HWND> DisableThreadWindows(HWND keep) {
  DisableContext c{keep, {}};
  EnumThreadWindows(GetCurrentThreadId(), &DisableOne, reinterpret_cast<LPARAM>(&c));
  return c.disabled;
}

}  // namespace

Form::Form(Component* owner) : Window(owner, nullptr), font_(CreateFormFont()) {
  visible_ = false;
  width_ = 320;
  height_ = 240;
}

Form::~Form() {
  if (Application::main_form_ == this) Application::main_form_ = nullptr;
  // The window goes first: its children still use the font.
  Window::BeforeDestruction();
  DestroyComponents();
  while (ControlCount() > 0) Controls(ControlCount() - 1)->Free();
  if (handle_) DestroyWindow(handle_);
  if (font_) DeleteObject(font_);
}

void Form::BeforeDestruction() {
  if (!destroyed_) {
    destroyed_ = true;
    OnDestroy();
  }
  Window::BeforeDestruction();
}

void Form::AfterConstruction() {
  HandleNeeded();
  OnCreate();
}

void Form::CreateParams(WindowParams& p) {
  p.class_name = L"LzgForm";
  p.caption = Text();
  p.style = FormStyle(border_style_);
  if (!enabled_) p.style |= WS_DISABLED;
  p.ex_style = 0;
  p.x = left_;
  p.y = top_;
  p.width = width_;
  p.height = height_;
  if (client_width_ > 0 || client_height_ > 0) {
    RECT r{0, 0, client_width_, client_height_};
    AdjustWindowRectEx(&r, p.style, FALSE, p.ex_style);
    if (client_width_ > 0) p.width = r.right - r.left;
    if (client_height_ > 0) p.height = r.bottom - r.top;
  }
  // Secondary forms stay above the main form and leave the taskbar to it.
  Form* main = Application::MainForm();
  p.parent = (main && main != this && main->HandleAllocated()) ? main->Handle() : nullptr;
  if (!p.parent) p.ex_style |= WS_EX_APPWINDOW;
}

void Form::SetIcon(HICON icon) {
  icon_ = icon;
  if (HandleAllocated()) {
    SendMessageW(handle_, WM_SETICON, ICON_BIG, LPARAM(icon));
    SendMessageW(handle_, WM_SETICON, ICON_SMALL, LPARAM(icon));
  }
}

Form* Form::Of(Control* control) { return control ? dynamic_cast<Form*>(control->TopWindow()) : nullptr; }

// ---- geometry ------------------------------------------------------------

int Form::ClientWidth() {
  if (HandleAllocated()) return ClientRect().right;
  return client_width_;
}

int Form::ClientHeight() {
  if (HandleAllocated()) return ClientRect().bottom;
  return client_height_;
}

void Form::SetClientSize(int w, int h, const POINT* topLeft) {
  if (!HandleAllocated()) {
    client_width_ = w;
    client_height_ = h;
    return;
  }
  RECT wr, cr;
  GetWindowRect(handle_, &wr);
  GetClientRect(handle_, &cr);
  int outerW = (wr.right - wr.left) - cr.right + w;
  int outerH = (wr.bottom - wr.top) - cr.bottom + h;
  SetWindowPos(handle_, nullptr, topLeft ? topLeft->x : 0, topLeft ? topLeft->y : 0, outerW, outerH,
               (topLeft ? 0 : SWP_NOMOVE) | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetClientSizeAt(int left, int top, int w, int h) {
  if (!HandleAllocated()) {
    left_ = left;
    top_ = top;
  }
  const POINT topLeft{left, top};
  SetClientSize(w, h, &topLeft);
}

void Form::SetClientWidth(int v) { SetClientSize(v, ClientHeight()); }
void Form::SetClientHeight(int v) { SetClientSize(ClientWidth(), v); }

WindowState Form::GetWindowState() {
  if (HandleAllocated() && IsWindowVisible(handle_)) {
    if (IsZoomed(handle_)) return WindowState::kMaximized;
    if (IsIconic(handle_)) return WindowState::kMinimized;
    return WindowState::kNormal;
  }
  return state_;
}

void Form::SetWindowState(WindowState s) {
  state_ = s;
  if (HandleAllocated() && IsWindowVisible(handle_))
    ShowWindow(handle_, s == WindowState::kMaximized ? SW_MAXIMIZE : s == WindowState::kMinimized ? SW_MINIMIZE : SW_RESTORE);
}

void Form::PlaceFirstTime() {
  Box area;
  switch (position_) {
    case Position::kScreenCenter:
    case Position::kDesktopCenter: {
      RECT wa{};
      SystemParametersInfoW(SPI_GETWORKAREA, 0, &wa, 0);
      area = Box{wa.left, wa.top, wa.right - wa.left, wa.bottom - wa.top};
      break;
    }
    case Position::kMainFormCenter: {
      Form* main = Application::MainForm();
      if (!main || main == this || !main->HandleAllocated()) return;
      area = Box{main->Left(), main->Top(), main->Width(), main->Height()};
      break;
    }
    case Position::kDesigned:
    default:
      return;
  }
  Point p = CenterOn(area, Width(), Height(), GetSystemMetrics(SM_XVIRTUALSCREEN),
                     GetSystemMetrics(SM_YVIRTUALSCREEN));
  SetWindowPos(handle_, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- showing and closing -------------------------------------------------

void Form::Show() {
  if (!Handle()) return;
  if (IsWindowVisible(handle_)) {
    BringWindowToTop(handle_);
    return;
  }
  OnShow();
  if (!handle_) return;  // the handler freed the window
  if (!shown_once_) {
    shown_once_ = true;
    PlaceFirstTime();
  }
  visible_ = true;
  ShowWindow(handle_, state_ == WindowState::kMaximized   ? SW_SHOWMAXIMIZED
                      : state_ == WindowState::kMinimized ? SW_SHOWMINIMIZED
                                              : SW_SHOWNORMAL);
}

void Form::Hide() {
  visible_ = false;
  if (HandleAllocated()) {
    // Keep the state for the next showing.
    if (IsWindowVisible(handle_)) state_ = GetWindowState();
    ShowWindow(handle_, SW_HIDE);
  }
}

void Form::SetVisible(bool v) {
  if (v)
    Show();
  else
    Hide();
}

bool Form::CloseQuery() { return OnCloseQuery(); }

void Form::Close() {
  if (in_modal_) {
    modal_result_ = kModalCancel;
    return;
  }
  if (!CloseQuery()) return;
  const CloseAction action = OnClose();
  if (action == CloseAction::kNone) return;
  if (Application::MainForm() == this)
    Application::Terminate();
  else if (action == CloseAction::kHide)
    Hide();
  else if (action == CloseAction::kMinimize)
    SetWindowState(WindowState::kMinimized);
  else
    Release();
}

void Form::CloseModal() {
  CloseAction action = CloseAction::kNone;
  if (CloseQuery()) {
    action = OnClose();
  }
  if (action == CloseAction::kNone) modal_result_ = kModalNone;
  if (action == CloseAction::kFree) Release();
}

void Form::Release() {
  if (HandleAllocated()) PostMessageW(handle_, kReleaseMessage, 0, 0);
}

int Form::ShowModal() {
  if (in_modal_ || !Handle() || IsWindowVisible(handle_)) return kModalNone;
  HWND previous = GetActiveWindow();
  std::vector<HWND> disabled = DisableThreadWindows(handle_);

  in_modal_ = true;
  modal_result_ = kModalNone;
  Show();
  if (handle_) SetForegroundWindow(handle_);
  while (handle_) {
    if (!Application::HandleMessage()) break;  // WM_QUIT: Run sees Terminated
    if (modal_result_ != kModalNone) CloseModal();
    if (modal_result_ != kModalNone) break;
    if (!handle_ || !IsWindowVisible(handle_)) {
      modal_result_ = kModalCancel;
      break;
    }
  }
  // Enable the others before hiding, so that the activation goes back to them.
  for (HWND h : disabled)
    if (IsWindow(h)) EnableWindow(h, TRUE);
  in_modal_ = false;
  if (handle_) Hide();
  if (previous && IsWindow(previous) && previous != handle_) SetActiveWindow(previous);
  return modal_result_;
}

// ---- focus ---------------------------------------------------------------

Window* Form::ActiveControl() {
  if (active_control_) return active_control_;
  Window* f = FromHandle(GetFocus());
  return f && f != this && Form::Of(f) == this ? f : nullptr;
}

bool Form::SelectNext(Window* current, bool forward, bool checkTabStop) {
  std::vector<Window*> order;
  if (checkTabStop || !current || !current->Parent())
    CollectTabOrder(this, order);
  else
    order = current->Parent()->TabList();
  if (order.empty()) return false;
  int n = static_cast<int>(order.size());
  int start = -1;
  for (int i = 0; i < n; ++i)
    if (order[static_cast<size_t>(i)] == current) start = i;
  if (start < 0) start = forward ? -1 : n;
  for (int step = 1; step <= n; ++step) {
    int i = ((start + (forward ? step : -step)) % n + n) % n;
    Window* c = order[static_cast<size_t>(i)];
    if (c->CanFocus() && (!checkTabStop || c->TabStop())) {
      c->SetFocus();
      return true;
    }
  }
  return false;
}

bool Form::DialogKey(WORD key) {
  switch (key) {
    case VK_TAB:
      if (GetKeyState(VK_CONTROL) < 0) return false;
      SelectNext(ActiveControl(), GetKeyState(VK_SHIFT) >= 0, true);
      return true;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      if (Window* a = ActiveControl()) {
        SelectNext(a, key == VK_RIGHT || key == VK_DOWN, false);
        return true;
      }
      return false;
    default:
      return false;  // no default or cancel buttons
  }
}

// ---- messages ------------------------------------------------------------

void Form::WndProc(Message& m) {
  switch (m.msg) {
    case WM_CREATE:
      if (icon_) SetIcon(icon_);
      break;
    case WM_CLOSE:
      Close();
      m.result = 0;
      return;
    case WM_QUERYENDSESSION:
      m.result = CloseQuery() ? 1 : 0;
      return;
    case WM_COMMAND:
      // Menu commands, whoever popped the menu up for this window.
      if (HIWORD(m.wparam) == 0 && m.lparam == 0 && MenuItem::DispatchCommand(LOWORD(m.wparam))) {
        m.result = 0;
        return;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(m.wparam) != WA_INACTIVE && !HIWORD(m.wparam)) {
        Window* a = active_control_;
        if (a && a->CanFocus()) {
          a->SetFocus();
          m.result = 0;
          return;
        }
        if (SelectNext(nullptr, true, true)) {
          m.result = 0;
          return;
        }
      }
      break;
    case WM_NCDESTROY:
      if (Application::MainForm() == this) Application::Terminate();
      break;
    case kReleaseMessage:
      Free();
      return;
    default:
      break;
  }
  Window::WndProc(m);
}

// ---- Application --------------------------------------------------------

void Application::Run() {
  terminated_ = false;
  running_ = true;
  if (main_form_) main_form_->Show();
  while (!terminated_)
    if (!HandleMessage()) break;
  running_ = false;
}

void Application::Terminate() {
  if (running_ && !terminated_) PostQuitMessage(0);
  terminated_ = true;
}

bool Application::HandleMessage() {
  MSG msg;
  BOOL r = GetMessageW(&msg, nullptr, 0, 0);
  if (r == 0) {
    terminated_ = true;
    return false;
  }
  if (r < 0) return false;
  ProcessMessage(msg);
  return true;
}

bool Application::ProcessMessagesUntil(const std::function<bool()>& done, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!done()) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return false;
    // `done` may turn true on another thread without a message to wake this one: looked at every 50 ms.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(50, ms - elapsed), QS_ALLINPUT);
    ProcessMessages();
  }
  return true;
}

void Application::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;
      break;
    }
    ProcessMessage(msg);
  }
}

bool Application::IsDialogKeyMessage(const MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  switch (msg.wParam) {
    case VK_TAB:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_RETURN:
    case VK_ESCAPE:
      break;
    default:
      return false;
  }
  Window* c = Window::FromHandle(msg.hwnd);
  if (!c) return false;
  if (SendMessageW(msg.hwnd, kWantSpecialKeyMessage, msg.wParam, msg.lParam) != 0) return false;
  Form* f = Form::Of(c);
  return f && f->DialogKey(static_cast<WORD>(msg.wParam));
}

void Application::ProcessMessage(MSG& msg) {
  if (IsDialogKeyMessage(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void Application::DestroyForms() {
  Forms().DestroyComponents();
  main_form_ = nullptr;
  terminated_ = false;  // a new set of forms makes a new run
}

}  // namespace ui
