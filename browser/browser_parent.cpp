#include "browser/browser_parent.h"

namespace lzg {

HWND BrowserParent::GetChildWindowHandle() { return HandleAllocated() ? GetWindow(Handle(), GW_CHILD) : nullptr; }

void BrowserParent::UpdateSize() {
  HWND child = GetChildWindowHandle();
  if (!child) return;
  RECT rc{};
  GetClientRect(Handle(), &rc);
  // Not asynchronous: the engine's thread has resized its window when this returns.
  SetWindowPos(child, nullptr, 0, 0, rc.right, rc.bottom, SWP_NOZORDER);
}

void BrowserParent::Resize() {
  ui::Window::Resize();
  UpdateSize();
}

void BrowserParent::WndProc(ui::Message& m) {
  switch (m.msg) {
    case WM_SETFOCUS:
      // The browser's window belongs to the engine's thread: hand the focus on by message.
      if (HWND child = GetChildWindowHandle()) PostMessageW(child, WM_SETFOCUS, m.wparam, 0);
      break;
    case WM_ERASEBKGND:
      // No background under the browser: it would flicker through.
      if (GetChildWindowHandle()) return;
      break;
    case WM_GETDLGCODE:
      m.result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case ui::kWantSpecialKeyMessage:
      switch (m.wparam) {
        case VK_RETURN:
        case VK_ESCAPE:
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
          break;  // left to dialog navigation
        default:
          m.result = 1;
          return;
      }
      break;
    default:
      break;
  }
  ui::Window::WndProc(m);
}

}  // namespace lzg
