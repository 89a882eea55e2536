// The game window: the program's only main window. It hosts one browser in a
// parent control that fills its client area, offers the size presets in its
// title bar's drop-down, starts popups as new instances and owns the close
// protocol: every close request ends in the exit dialog.
//
// Threads: the window runs on the main thread only. The browser host answers
// the engine's immediate questions (popups, modified clicks, keys) on the
// engine's UI thread with the pure rules of popup_policy, and raises
// everything else here, on the main thread, through its posted events.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "browser/browser_host.h"
#include "browser/browser_parent.h"
#include "config/settings.h"
#include "gamewindow/page_recovery.h"
#include "skin/skin.h"
#include "ui/forms.h"
#include "ui/menus.h"

// Custom messages of the game window, posted with both parameters 0 by threads other than the browser's
// (the browser host raises its events on this thread itself).
constexpr UINT CEFBROWSER_INITIALIZED = 0x8103;
// The cookie store points at the profile's cookie folder, or its initialiser gave up (posted from that thread).
constexpr UINT CEFBROWSER_COOKIESREADY = 0x8107;

class GameWindow : public ui::Form {
 public:
  explicit GameWindow(ui::Component* owner);
  ~GameWindow() override;

  // ---- components, in creation order ----
  BrowserParent* CEFWindowParent1;  // null once the browser's parent has been destroyed
  BrowserHost* Chromium1;
  ui::PopupMenu* PopupMenu1;
  ui::MenuItem* NSetSize1;
  ui::MenuItem* NSetSize2;
  ui::MenuItem* NSetSize3;
  ui::MenuItem* NSetSize4;
  ui::MenuItem* NSetSize5;
  ui::MenuItem* NSetSize6;
  ui::MenuItem* NSetSize7;
  std::unique_ptr<lzg::TitleBar> sTitleBar1;
  std::unique_ptr<lzg::SkinManager> sSkinManager1;
  std::unique_ptr<lzg::SkinProvider> sSkinProvider1;

  // The home address; set by the launch sequence before the first showing.
  std::wstring FHomepage;
  std::array<ui::MenuItem*, FormSizeNum> NSetSizeArr{};

  // ---- window events ----
  void FormCreate(ui::TObject* Sender);
  void FormShow(ui::TObject* Sender);
  void FormCloseQuery(ui::TObject* Sender, bool& CanClose);
  void FormClose(ui::TObject* Sender, ui::CloseAction& Action);
  void FormDestroy(ui::TObject* Sender);

  // ---- browser events (raised on the main thread by the browser host) ----
  void Chromium1BrowserReady(ui::TObject* Sender);
  void Chromium1BrowserCloseRequested(ui::TObject* Sender);
  void Chromium1BrowserClosed(ui::TObject* Sender);
  void Chromium1LoadEnded(ui::TObject* Sender, const LoadEnd& notice);
  void Chromium1LoadFailed(ui::TObject* Sender, const LoadError& notice);
  void Chromium1RendererEnded(ui::TObject* Sender, bool ownBrowser, cef_termination_status_t status);
  void Chromium1NewWindowTaken(ui::TObject* Sender, const std::wstring& targetUrl,
                               cef_window_open_disposition_t targetDisposition);
  void Chromium1KeyTaken(ui::TObject* Sender, UINT message, WPARAM wParam);

  // ---- main-thread message handlers ----
  void CEFInitializedMsg(ui::Message& m);
  void CookiesReadyMsg(ui::Message& m);
  void WMTimer(ui::Message& m);
  void WMMove(ui::Message& m);
  void WMMoving(ui::Message& m);
  void WMEnterMenuLoop(ui::Message& m);
  void WMExitMenuLoop(ui::Message& m);
  void WMsyscommand(ui::Message& m);
  void WMQueryEndSession(ui::Message& m);
  void WMEndSession(ui::Message& m);

  // Runs when the session ends with the process: the launch sequence's end (engine shutdown) before Windows
  // ends the process. It does not come back.
  std::function<void()> OnSessionEnding;

  // ---- size presets ----
  void init_SetSizeMenuItem();
  void NSetSize1Click(ui::TObject* Sender);
  void SaveFromSize();
  void ReLoadUrl();

  // ---- title bar and skin ----
  void init_Skin();
  void SetMyTitle(const std::wstring& title);

  // 1 with a first command-line argument, else 0.
  static std::uint8_t GetGameIndex();

  // g_title followed by the loading notice.
  static std::wstring LoadingTitle();

  // Timer of the next automatic retry after a failed load.
  static constexpr UINT_PTR kRetryTimer = 1;

  // The longest the exit waits for the browser to close before the engine goes down.
  static constexpr DWORD kBrowserCloseWaitMs = 5000;

 private:
  // ---- recovery of the game page (main thread) ----
  // Loads the home address again as a preset reload does, or holds it while the exit dialog is up.
  void RecoverReload(const wchar_t* why);
  // The exit dialog has been answered: a held reload goes ahead on "stay"; "exit" ends all recovery.
  void AfterExitDialog(bool exiting);
  void StopRecovery();

  // Destroys the browser's parent and waits (bounded) until the engine reports the browser closed.
  void CloseBrowserBeforeExit();

  // Loads the home address, or holds it until the cookie store has settled (CEFBROWSER_COOKIESREADY),
  // so that the game's first cookies land in the profile's store and not in the engine's default one.
  void LoadHome();
  bool FHomeLoadHeld = false;

  bool FBrowserClosed = false;   // the host has reported its browser closed
  bool FExiting = false;         // exit chosen: a closing browser asks nothing more
  bool FBrowserRequested = false;  // CreateBrowser accepted
  bool FShown = false;
  lzg::PageRecovery FRecovery;
  bool FReloadHeld = false;     // a reload came while the exit dialog was up
  bool FRecoveryTitle = false;  // the title item tells of an error or a stopped page
  // The player chose "exit" at a session-end query: the browser is closed, the end comes with the session's
  // or, if the session goes on, with the next close request.
  bool FSessionExitChosen = false;
};

// The one game window, from its creation by the launch sequence until the loop has ended.
extern GameWindow* ChildForm;
