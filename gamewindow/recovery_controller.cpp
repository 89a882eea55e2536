// The game window bringing its page back: after the renderer's end and after a failed load of the game.
// The decisions are lzg::PageRecovery's; here they are carried out on the main thread.
#include "base/threads.h"
#include "browser/host_rules.h"
#include "engine/engine_app.h"
#include "gamewindow/exit_dialog.h"
#include "gamewindow/game_window.h"
#include "config/settings.h"

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

}  // namespace

// ---- main thread, raised by the browser host ------------------------------------------------

void GameWindow::Chromium1LoadEnded(ui::TObject*, const LoadEnd& notice) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.Chromium1LoadEnded")) return;
  if (!notice.ownBrowser || !notice.mainFrame) {
    // Another frame or browser: it does not take the place of a notice about the game page.
    if (!FRecoveryTitle) SetMyTitle(g_title);
    return;
  }
  if (lzg::IsErrorPageAddress(notice.url)) return;  // the error title stays
  FRecovery.LoadSucceeded();
  KillTimer(Handle(), kRetryTimer);
  FRecoveryTitle = false;
  SetMyTitle(g_title);
}

void GameWindow::Chromium1RendererEnded(ui::TObject*, bool ownBrowser, cef_termination_status_t status) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.Chromium1RendererEnded")) return;
  // A popup browser's renderer is not the game's.
  if (!ownBrowser) return;
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

void GameWindow::Chromium1LoadFailed(ui::TObject*, const LoadError& failure) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.Chromium1LoadFailed")) return;
  if (!lzg::IsGameLoadFailure(failure.ownBrowser, failure.mainFrame, failure.errorCode)) return;
  // Our own page failing must not bring itself up again.
  if (lzg::IsErrorPageAddress(failure.failedUrl)) return;
  const std::wstring record = L"Game page failed to load: error " + std::to_wstring(failure.errorCode) + L" " +
                              lzg::NetErrorName(failure.errorCode) + L", " + lzg::QuotedStr(failure.failedUrl);
  if (FExiting || !CEFWindowParent1 || FRecovery.Stopped()) {
    OutputDebugMessage(record + L"; no retry while closing");
    return;
  }
  const std::uint32_t delay = FRecovery.LoadFailed();
  OutputDebugMessage(record + L"; retry " + std::to_wstring(FRecovery.Failures()) + L" in " +
                     std::to_wstring(delay / 1000) + L" s");
  FRecoveryTitle = true;
  SetMyTitle(lzg::ErrorTitle(g_title, failure.errorCode));
  Chromium1->LoadURL(lzg::ErrorPageAddress(
      lzg::ErrorPageHtml(failure.errorCode, failure.errorText, failure.failedUrl, FHomepage)));
  SetTimer(Handle(), kRetryTimer, delay, nullptr);
}

void GameWindow::WMTimer(ui::Message& m) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.WMTimer")) return;
  if (m.WParam != kRetryTimer) {
    Default(m);
    return;
  }
  KillTimer(Handle(), kRetryTimer);
  if (FExiting || FRecovery.Stopped()) return;
  OutputDebugMessage(L"Game page: retry " + std::to_wstring(FRecovery.Failures()) + L" of the home address");
  RecoverReload(L"retry");
}

void GameWindow::RecoverReload(const wchar_t* why) {
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

void GameWindow::AfterExitDialog(bool exiting) {
  if (exiting) {
    StopRecovery();
    return;
  }
  if (FReloadHeld) RecoverReload(L"after the exit dialog");
}

void GameWindow::StopRecovery() {
  FRecovery.Stop();
  FReloadHeld = false;
  if (HandleAllocated()) KillTimer(Handle(), kRetryTimer);
}
