#include "gamewindow/recovery_controller.h"

#include "browser/host_rules.h"
#include "engine/diagnostics.h"

namespace lzg {
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

RecoveryController::RecoveryController(Delegate& delegate, HWND window, const std::wstring& game_title)
    : delegate_(delegate), window_(window), game_title_(game_title) {}

void RecoveryController::OnLoadEnded(const BrowserHost::LoadEnd& load) {
  if (!IsGameArrival(load.own_browser, load.main_frame, load.url, load.http_status)) {
    // Another frame or browser, the engine's error document, a page that broke off, our own error page: none
    // takes the place of a notice about the game page.
    if (!recovery_title_) delegate_.ShowTitle(game_title_);
    return;
  }
  recovery_.LoadSucceeded();
  KillTimer(window_, kRetryTimer);
  recovery_title_ = false;
  delegate_.ShowTitle(game_title_);
}

void RecoveryController::OnRendererEnded(bool own_browser, cef_termination_status_t status) {
  // A popup browser's renderer is not the game's.
  if (!own_browser) return;
  // This engine version reports only the status; the exit code stays with the engine's own log.
  const std::wstring record = L"Game page renderer ended: status " + std::to_wstring(static_cast<int>(status)) +
                              L" (" + StatusName(status) + L"), exit code not reported by the engine";
  if (!delegate_.CanReload() || recovery_.Stopped()) {
    OutputDebugMessage(record + L"; no reload while closing");
    return;
  }
  switch (recovery_.RendererEnded(GetTickCount64())) {
    case PageRecovery::Renderer::Reload:
      OutputDebugMessage(record + L"; reload " + std::to_wstring(recovery_.RecentRendererReloads(GetTickCount64())) +
                         L" of " + std::to_wstring(PageRecovery::kMaxRendererReloads) + L" in 10 minutes");
      Reload(L"renderer ended");
      break;
    case PageRecovery::Renderer::GiveUp:
      OutputDebugMessage(record + L"; " + std::to_wstring(PageRecovery::kMaxRendererReloads) +
                         L" reloads in 10 minutes already, no more");
      KillTimer(window_, kRetryTimer);
      reload_held_ = false;
      recovery_title_ = true;
      delegate_.ShowTitle(StoppedTitle(game_title_));
      break;
    case PageRecovery::Renderer::Ignore:
      break;
  }
}

void RecoveryController::OnLoadFailed(const BrowserHost::LoadError& failure, const std::wstring& retry_url) {
  // Our own error page is no web address: its failing does not bring it up again.
  if (!IsGameLoadFailure(failure.own_browser, failure.main_frame, failure.failed_url, failure.error_code)) return;
  const std::wstring record = L"Game page failed to load: error " + std::to_wstring(failure.error_code) + L" " +
                              NetErrorName(failure.error_code) + L", " + QuotedStr(failure.failed_url);
  if (!delegate_.CanReload() || recovery_.Stopped()) {
    OutputDebugMessage(record + L"; no retry while closing");
    return;
  }
  const std::uint32_t delay = recovery_.LoadFailed();
  OutputDebugMessage(record + L"; retry " + std::to_wstring(recovery_.Failures()) + L" in " +
                     std::to_wstring(delay / 1000) + L" s");
  recovery_title_ = true;
  delegate_.ShowTitle(ErrorTitle(game_title_, failure.error_code));
  delegate_.ShowPage(
      ErrorPageAddress(ErrorPageHtml(failure.error_code, failure.error_text, failure.failed_url, retry_url)));
  SetTimer(window_, kRetryTimer, delay, nullptr);
}

bool RecoveryController::OnTimer(UINT_PTR id) {
  if (id != kRetryTimer) return false;
  KillTimer(window_, kRetryTimer);
  if (!delegate_.CanReload() || recovery_.Stopped()) return true;
  OutputDebugMessage(L"Game page: retry " + std::to_wstring(recovery_.Failures()) + L" of the home address");
  Reload(L"retry");
  return true;
}

void RecoveryController::OnPlayerReload() {
  recovery_.Reset();
  KillTimer(window_, kRetryTimer);
  recovery_title_ = false;
}

void RecoveryController::Reload(const wchar_t* why) {
  if (!delegate_.CanReload() || recovery_.Stopped()) return;
  if (delegate_.ExitDialogOpen()) {
    // The player is deciding whether to leave: "stay" brings the page back, "exit" needs none.
    OutputDebugMessage(std::wstring(L"Game page reload held while the exit dialog is open (") + why + L")");
    reload_held_ = true;
    return;
  }
  reload_held_ = false;
  OutputDebugMessage(std::wstring(L"Game page reloaded (") + why + L")");
  // A notice stays until the game has arrived: a retry may fail again.
  delegate_.ReloadHome();
}

void RecoveryController::AfterExitDialog(bool exiting) {
  if (exiting) {
    Stop();
    return;
  }
  if (reload_held_) Reload(L"after the exit dialog");
}

void RecoveryController::Stop() {
  recovery_.Stop();
  reload_held_ = false;
  if (IsWindow(window_)) KillTimer(window_, kRetryTimer);
}

}  // namespace lzg
