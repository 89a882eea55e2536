// The game window's popup and keyboard policy. Everything here but the last
// section runs on the engine's UI thread: it reads the window handle, posts
// messages and writes diagnostics, nothing else; instances start on the main thread.
#include "gamewindow/uChildForm.h"

#include <shellapi.h>

#include <memory>

#include "engine/app.h"
#include "gamewindow/popup_policy.h"

void TChildForm::Chromium1BeforePopup(ui::TObject*, cef_browser_t*, cef_frame_t*, const std::wstring& targetUrl,
                                      const std::wstring&, TCefWindowOpenDisposition targetDisposition, bool,
                                      const TCefPopupFeatures&, TCefWindowInfo&, cef_client_t*&,
                                      TCefBrowserSettings&, bool&, bool& Result) {
  Result = StartsInstance(targetUrl, targetDisposition);
}

bool TChildForm::StartsInstance(const std::wstring& targetUrl, TCefWindowOpenDisposition targetDisposition) {
  if (!lzg::StartsNewInstance(static_cast<int>(targetDisposition))) return false;
  // A refused address stays cancelled: only web addresses become another
  // instance's home. The parameters are encoded so that the address reaches the
  // new instance as exactly one argument that the engine never reads as a switch.
  lzg::InstanceStart start = lzg::InstanceStartFor(targetUrl);
  if (!start.start) {
    OutputDebugMessage(start.note);
    return true;
  }
  // The decision stays on this thread; the start goes to the main thread.
  auto parameters = std::make_unique<std::wstring>(std::move(start.parameters));
  if (PostMessageW(FWindow.load(), CEFBROWSER_STARTINSTANCE, 0, reinterpret_cast<LPARAM>(parameters.get())))
    parameters.release();
  return true;
}

// Ctrl-, Shift- and middle-clicks on links come here instead of to the popup handler: a new tab or window is a
// new instance, by the same rule and with the same parameters as a popup's; false lets the engine load in place.
void TChildForm::Chromium1OpenUrlFromTab(ui::TObject*, cef_browser_t*, cef_frame_t*, const std::wstring& targetUrl,
                                         TCefWindowOpenDisposition targetDisposition, bool, bool& Result) {
  Result = StartsInstance(targetUrl, targetDisposition);
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

// ---- main thread -----------------------------------------------------------------------------

void TChildForm::StartInstanceMsg(ui::TMessage& m) {
  std::unique_ptr<std::wstring> parameters(reinterpret_cast<std::wstring*>(m.LParam));
  if (!parameters) return;
  ShellExecuteW(Handle(), L"open", FExePath.c_str(), parameters->c_str(), L"", SW_SHOWNORMAL);
}
