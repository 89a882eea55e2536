// The game window: the program's only main window. It hosts one browser in a parent control that fills its
// client area, offers the size presets in its title bar's drop-down, starts popups as new instances and owns the
// close protocol: every close request ends in the exit dialog.
//
// Threads: the window runs on the main thread only. The browser host answers the engine's immediate questions
// (popups, modified clicks, keys, navigations) on the engine's UI thread with the window's pure policy, and
// reports everything else here, on the main thread. Other threads reach the window only by posting messages.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "browser/browser_host.h"
#include "browser/browser_parent.h"
#include "config/settings.h"
#include "engine/engine_app.h"
#include "gamewindow/preset_menu.h"
#include "gamewindow/recovery_controller.h"
#include "skin/skin.h"
#include "ui/forms.h"

namespace lzg {

class ExitDialog;

class GameWindow : public ui::Form, private BrowserHost::Delegate, private RecoveryController::Delegate {
 public:
  // Messages that other threads post to the window, both parameters 0. The engine's context is ready (the
  // browser may be asked for); the cookie store points at the profile's folder, or its initialiser gave up.
  static constexpr UINT kContextInitializedMessage = 0x8103;
  static constexpr UINT kCookiesReadyMessage = 0x8107;

  // The longest the exit waits for the browser to close before the engine goes down.
  static constexpr DWORD kBrowserCloseWaitMs = 5000;

  // The engine outlives the window; the settings are the window's own copy from here on.
  GameWindow(ui::Component* owner, EngineApp& engine, Settings settings);
  ~GameWindow() override;

  // Before the first showing: the address the browser opens, and on every reload.
  void SetHomepage(const std::wstring& homepage) { homepage_ = homepage; }
  const std::wstring& homepage() const { return homepage_; }
  // The dialog every close request shows; it outlives the window's close.
  void SetExitDialog(ExitDialog* dialog) { exit_dialog_ = dialog; }
  // Runs when the session ends with the process: the launch sequence's end (the engine's shutdown) before
  // Windows ends the process. It does not come back.
  void SetOnSessionEnding(std::function<void()> on_session_ending) { on_session_ending_ = std::move(on_session_ending); }
  // Runs once, on the main thread, when the game has first arrived (as recovery counts it: not the engine's blank
  // first page, its error document or the client's error page): the place for work that must stay off the
  // start. It returns at once: lasting work goes to a thread of its own.
  void SetOnGameLoaded(std::function<void()> on_game_loaded) { on_game_loaded_ = std::move(on_game_loaded); }

  // The title bar's text item: the game's title, or what keeps it from the player.
  std::wstring Title() const;
  const Settings& settings() const { return settings_; }
  // The player chose to exit: the window closes, and nothing reloads or resizes any more.
  bool exiting() const { return exiting_; }

  // The window's parts, for tests and tools.
  BrowserHost& browser_host() { return *browser_host_; }
  BrowserParent* browser_parent() { return browser_parent_; }  // null once the page closed its browser
  PresetMenu& preset_menu() { return *preset_menu_; }
  TitleBar& title_bar() { return *title_bar_; }

 protected:
  void WndProc(ui::Message& m) override;

 private:
  // ---- the window's life ----
  void OnCreate() override;
  void OnShow() override;
  bool OnCloseQuery() override;
  ui::CloseAction OnClose() override { return ui::CloseAction::kFree; }
  void OnDestroy() override;
  void SetUpSkin();
  void SetTitle(const std::wstring& title);

  // ---- BrowserHost::Delegate ----
  void OnBrowserReady() override;
  void OnBrowserCloseRequested() override;
  void OnBrowserClosed() override;
  void OnLoadEnded(const BrowserHost::LoadEnd& load) override;
  void OnLoadFailed(const BrowserHost::LoadError& failure) override;
  void OnRendererEnded(bool own_browser, cef_termination_status_t status) override;
  void OnNewWindowTaken(const std::wstring& target_url, cef_window_open_disposition_t disposition) override;
  void OnKeyTaken(UINT message, WPARAM wparam) override;
  void OnNavigationCancelled(const BrowserHost::Navigation& navigation) override;

  // ---- RecoveryController::Delegate ----
  bool CanReload() const override;
  bool ExitDialogOpen() const override;
  void ReloadHome() override;
  void ShowPage(const std::wstring& address) override;
  void ShowTitle(const std::wstring& title) override { SetTitle(title); }

  // ---- messages ----
  void OnContextInitialized();
  void OnCookiesReady();
  void OnSysCommand(ui::Message& m);
  void OnQueryEndSession(ui::Message& m);
  void OnEndSession(ui::Message& m);

  // ---- size presets and reloads ----
  void OnPresetChosen(int index);
  // After a size change, a maximise or a restore: the home address again, when the profile asks for it.
  void ReloadAfterResize();
  // Loads the home address, or holds it until the cookie store has settled (kCookiesReadyMessage), so that the
  // game's first cookies land in the profile's store and not in the engine's default one.
  void LoadHome();

  // ---- closing ----
  // Shows the exit dialog; true when the player chose to exit.
  bool AskToExit();
  // Destroys the browser's parent and waits (bounded) until the engine reports the browser closed.
  void CloseBrowserBeforeExit();
  void DestroyBrowserParent();

  EngineApp& engine_;
  Settings settings_;
  std::wstring homepage_;
  ExitDialog* exit_dialog_ = nullptr;
  std::function<void()> on_session_ending_;
  std::function<void()> on_game_loaded_;

  BrowserParent* browser_parent_ = nullptr;  // owned as a component; null once destroyed
  std::unique_ptr<BrowserHost> browser_host_;
  std::unique_ptr<PresetMenu> preset_menu_;
  std::unique_ptr<TitleBar> title_bar_;
  std::unique_ptr<SkinManager> skin_manager_;
  std::unique_ptr<SkinProvider> skin_provider_;
  std::unique_ptr<RecoveryController> recovery_;

  bool shown_ = false;
  bool browser_requested_ = false;  // CreateBrowser accepted
  bool browser_closed_ = false;     // the host has reported its browser closed
  bool home_load_held_ = false;
  // Exit chosen: a closing browser asks nothing more; the choice holds for the rest of the run.
  bool exiting_ = false;
  // The player chose "exit" at a session-end query: the browser is closed, and the end comes with the session's
  // or, if the session goes on, with the next close request.
  bool session_exit_chosen_ = false;
};

}  // namespace lzg
