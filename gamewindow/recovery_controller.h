// The game page brought back by the window: after its renderer ended, and after a load of the game failed. The
// decisions are PageRecovery's; this carries them out: the retry timer, what the title item says meanwhile, and
// the reloads, held while the exit dialog is up. Main thread.
#pragma once

#include <windows.h>

#include <string>

#include "browser/browser_host.h"
#include "gamewindow/page_recovery.h"

namespace lzg {

class RecoveryController {
 public:
  // What the controller needs of the game window, which outlives it.
  class Delegate {
   public:
    // Not closing, and the browser's parent is still there.
    virtual bool CanReload() const = 0;
    virtual bool ExitDialogOpen() const = 0;
    // The loading title, the browser fitted to its parent, the home address.
    virtual void ReloadHome() = 0;
    virtual void ShowPage(const std::wstring& address) = 0;
    virtual void ShowTitle(const std::wstring& title) = 0;

   protected:
    ~Delegate() = default;
  };

  // Timer of the next automatic retry, on `window`.
  static constexpr UINT_PTR kRetryTimer = 1;

  // `game_title` lives as long as this object.
  RecoveryController(Delegate& delegate, HWND window, const std::wstring& game_title);

  // ---- what the browser host reported ----
  // Every load end sets the game title, unless it tells of an error or a stopped page; the game arriving ends
  // the retries.
  void OnLoadEnded(const BrowserHost::LoadEnd& load);
  // The game page's renderer ended: reloaded, at most three times in ten minutes; then the title says why.
  void OnRendererEnded(bool own_browser, cef_termination_status_t status);
  // The game failed to load: the client's own error page, a retry after 5, 15, 30 s and then every 60 s.
  void OnLoadFailed(const BrowserHost::LoadError& failure, const std::wstring& retry_url);
  // WM_TIMER: true when it was the retry's.
  bool OnTimer(UINT_PTR id);

  // ---- what the window did ----
  // The player asked for the page again (a reload after a size change): the retries start from the first wait.
  void OnPlayerReload();
  // The exit dialog has been answered: a held reload goes ahead on "stay"; "exit" ends all recovery.
  void AfterExitDialog(bool exiting);
  // The window is closing: nothing is reloaded any more.
  void Stop();

  // The title item tells of an error or a stopped page; a reload leaves it so until the game arrives.
  bool ShowsNotice() const { return recovery_title_; }

 private:
  // Loads the home address again, or holds it while the exit dialog is up.
  void Reload(const wchar_t* why);

  Delegate& delegate_;
  HWND window_;
  const std::wstring& game_title_;
  PageRecovery recovery_;
  bool reload_held_ = false;     // a reload came while the exit dialog was up
  bool recovery_title_ = false;  // the title item tells of an error or a stopped page
};

}  // namespace lzg
