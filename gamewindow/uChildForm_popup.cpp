// The game window's popup and keyboard policy. Everything here runs on the
// engine's UI thread: it reads the executable's path and the window handle,
// calls the shell, posts messages and writes diagnostics, nothing else.
#include "gamewindow/uChildForm.h"

#include <shellapi.h>

#include "engine/app.h"
#include "gamewindow/popup_policy.h"

void TChildForm::Chromium1BeforePopup(ui::TObject*, cef_browser_t*, cef_frame_t*, const std::wstring& targetUrl,
                                      const std::wstring&, TCefWindowOpenDisposition targetDisposition, bool,
                                      const TCefPopupFeatures&, TCefWindowInfo&, cef_client_t*&,
                                      TCefBrowserSettings&, bool&, bool& Result) {
  Result = lzg::StartsNewInstance(static_cast<int>(targetDisposition));
  if (!Result) return;
  // A refused address stays cancelled: only web addresses become another
  // instance's home. The parameters are encoded so that the address reaches the
  // new instance as exactly one argument that the engine never reads as a switch.
  const lzg::InstanceStart start = lzg::InstanceStartFor(targetUrl);
  if (!start.start) {
    OutputDebugMessage(start.note);
    return;
  }
  ShellExecuteW(FWindow.load(), L"open", FExePath.c_str(), start.parameters.c_str(), L"", SW_SHOWNORMAL);
}

void TChildForm::Chromium1PreKeyEvent(ui::TObject*, cef_browser_t*, const TCefKeyEvent* event, MSG*,
                                      bool& isKeyboardShortcut, bool& Result) {
  Result = false;
  if (event && lzg::MarksShortcut(static_cast<int>(event->type), event->windows_key_code)) isKeyboardShortcut = true;
}

void TChildForm::Chromium1KeyEvent(ui::TObject*, cef_browser_t*, const TCefKeyEvent* event, MSG* osEvent,
                                   bool& Result) {
  Result = false;
  if (!event || !osEvent) return;
  const MSG msg = *osEvent;
  switch (msg.message) {
    case WM_KEYDOWN:
      HandleKeyDown(msg, Result);
      break;
    case WM_KEYUP:
      HandleKeyUp(msg, Result);
      break;
    default:
      break;  // characters and system keys (Alt) are left alone
  }
}

void TChildForm::HandleKeyDown(const MSG& aMsg, bool& aHandled) {
  if (LOWORD(aMsg.wParam) == lzg::kVkEscape) aHandled = true;
}

void TChildForm::HandleKeyUp(const MSG& aMsg, bool& aHandled) {
  if (LOWORD(aMsg.wParam) != lzg::kVkEscape) return;
  aHandled = true;
  PostMessageW(FWindow.load(), WM_CLOSE, 0, 0);
}
