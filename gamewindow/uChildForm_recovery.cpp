// The game window bringing its page back: after the renderer's end and after a failed load of the game.
// The decisions are lzg::PageRecovery's; here they are carried out on the main thread.
#include <memory>

#include "browser/host_rules.h"
#include "engine/app.h"
#include "engine/cef_string.h"
#include "gamewindow/Unit1.h"
#include "gamewindow/uChildForm.h"
#include "config/common.h"

namespace {

const wchar_t* StatusName(cef_termination_status_t status) {
  switch (status) {
    case TS_ABNORMAL_TERMINATION: return L"abnormal termination";
    case TS_PROCESS_WAS_KILLED: return L"killed";
    case TS_PROCESS_CRASHED: return L"crashed";
    case TS_PROCESS_OOM: return L"out of memory";
  }
  return L"unknown";
}

bool IsMainFrame(cef_frame_t* frame) { return frame && frame->is_main && frame->is_main(frame) != 0; }

}  // namespace

// ---- engine UI thread: post only -------------------------------------------------------

void TChildForm::Chromium1RenderProcessTerminated(ui::TObject*, cef_browser_t* browser,
                                                  cef_termination_status_t status) {
  // A popup browser's renderer is not the game's.
  if (!IsMainBrowser(browser) || FExiting) return;
  PostMessageW(FWindow.load(), CEFBROWSER_RENDERERGONE, static_cast<WPARAM>(status), 0);
}

void TChildForm::Chromium1LoadError(ui::TObject*, cef_browser_t* browser, cef_frame_t* frame,
                                    cef_errorcode_t errorCode, const std::wstring& errorText,
                                    const std::wstring& failedUrl) {
  if (!lzg::IsGameLoadFailure(IsMainBrowser(browser), IsMainFrame(frame), errorCode) || FExiting) return;
  // Our own page failing must not bring itself up again.
  if (lzg::IsErrorPageAddress(failedUrl)) return;
  auto failure = std::make_unique<TLoadFailure>(TLoadFailure{errorCode, errorText, failedUrl});
  if (PostMessageW(FWindow.load(), CEFBROWSER_LOADERROR, 0, reinterpret_cast<LPARAM>(failure.get())))
    failure.release();
}

void TChildForm::Chromium1LoadEnd(ui::TObject*, cef_browser_t* browser, cef_frame_t* frame, int) {
  WPARAM kind = lekOther;
  if (IsMainBrowser(browser) && IsMainFrame(frame) && frame->get_url) {
    const std::wstring url = lzg::CefTakeUserFree(frame->get_url(frame));
    kind = lzg::IsErrorPageAddress(url) ? lekErrorPage : lekGamePage;
  }
  PostMessageW(FWindow.load(), CEFBROWSER_LOADEND, kind, 0);
}

// ---- main thread ---------------------------------------------------------------------------

void TChildForm::LoadEndMsg(ui::TMessage& m) {
  switch (m.WParam) {
    case lekErrorPage:
      return;  // the error title stays
    case lekGamePage:
      FRecovery.LoadSucceeded();
      KillTimer(Handle(), kRetryTimer);
      FRecoveryTitle = false;
      SetMyTitle(g_title);
      return;
    default:
      // Another frame or browser: it does not take the place of a notice about the game page.
      if (!FRecoveryTitle) SetMyTitle(g_title);
  }
}

void TChildForm::RendererGoneMsg(ui::TMessage& m) {
  const auto status = static_cast<cef_termination_status_t>(m.WParam);
  // This engine version reports only the status; the exit code stays with the engine's own log.
  std::wstring record = L"Game page renderer ended: status " + std::to_wstring(static_cast<int>(status)) + L" (" +
                        StatusName(status) + L"), exit code not reported by the engine";
  if (FExiting || !CEFWindowParent1 || FRecovery.Stopped()) {
    OutputDebugMessage(record + L"; no reload while closing");
    return;
  }
  switch (FRecovery.RendererEnded(GetTickCount64())) {
    case lzg::PageRecovery::Renderer::Reload:
      OutputDebugMessage(record + L"; reload " + std::to_wstring(FRecovery.RecentRendererReloads(GetTickCount64())) +
                         L" of " + std::to_wstring(lzg::PageRecovery::kMaxRendererReloads) + L" in 10 minutes");
      RecoverReload(L"renderer ended");
      break;
    case lzg::PageRecovery::Renderer::GiveUp:
      OutputDebugMessage(record + L"; " + std::to_wstring(lzg::PageRecovery::kMaxRendererReloads) +
                         L" reloads in 10 minutes already, no more");
      KillTimer(Handle(), kRetryTimer);
      FReloadHeld = false;
      FRecoveryTitle = true;
      SetMyTitle(lzg::StoppedTitle(g_title));
      break;
    case lzg::PageRecovery::Renderer::Ignore:
      break;
  }
}

void TChildForm::LoadErrorMsg(ui::TMessage& m) {
  std::unique_ptr<TLoadFailure> failure(reinterpret_cast<TLoadFailure*>(m.LParam));
  if (!failure) return;
  const std::wstring record = L"Game page failed to load: error " + std::to_wstring(failure->errorCode) + L" " +
                              lzg::NetErrorName(failure->errorCode) + L", " + lzg::QuotedStr(failure->failedUrl);
  if (FExiting || !CEFWindowParent1 || FRecovery.Stopped()) {
    OutputDebugMessage(record + L"; no retry while closing");
    return;
  }
  const std::uint32_t delay = FRecovery.LoadFailed();
  OutputDebugMessage(record + L"; retry " + std::to_wstring(FRecovery.Failures()) + L" in " +
                     std::to_wstring(delay / 1000) + L" s");
  FRecoveryTitle = true;
  SetMyTitle(lzg::ErrorTitle(g_title, failure->errorCode));
  Chromium1->LoadURL(lzg::ErrorPageAddress(
      lzg::ErrorPageHtml(failure->errorCode, failure->errorText, failure->failedUrl, FHomepage)));
  SetTimer(Handle(), kRetryTimer, delay, nullptr);
}

void TChildForm::WMTimer(ui::TMessage& m) {
  if (m.WParam != kRetryTimer) {
    Default(m);
    return;
  }
  KillTimer(Handle(), kRetryTimer);
  if (FExiting || FRecovery.Stopped()) return;
  OutputDebugMessage(L"Game page: retry " + std::to_wstring(FRecovery.Failures()) + L" of the home address");
  RecoverReload(L"retry");
}

void TChildForm::RecoverReload(const wchar_t* why) {
  if (FExiting || !CEFWindowParent1 || FRecovery.Stopped()) return;
  if (FormHint && FormHint->InModal()) {
    // The player is deciding whether to leave: "stay" brings the page back, "exit" needs none.
    OutputDebugMessage(std::wstring(L"Game page reload held while the exit dialog is open (") + why + L")");
    FReloadHeld = true;
    return;
  }
  FReloadHeld = false;
  OutputDebugMessage(std::wstring(L"Game page reloaded (") + why + L")");
  FRecoveryTitle = false;
  SetMyTitle(LoadingTitle());
  CEFWindowParent1->UpdateSize();
  LoadHome();
}

void TChildForm::AfterExitDialog(bool exiting) {
  if (exiting) {
    StopRecovery();
    return;
  }
  if (FReloadHeld) RecoverReload(L"after the exit dialog");
}

void TChildForm::StopRecovery() {
  FRecovery.Stop();
  FReloadHeld = false;
  if (HWND h = FWindow.load()) KillTimer(h, kRetryTimer);
  // Failures posted but not yet handled own their details.
  MSG msg;
  while (FWindow.load() && PeekMessageW(&msg, FWindow.load(), CEFBROWSER_LOADERROR, CEFBROWSER_LOADERROR, PM_REMOVE))
    delete reinterpret_cast<TLoadFailure*>(msg.lParam);
}
