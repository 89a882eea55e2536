// The game window: the program's only main window. It hosts one browser in a
// parent control that fills its client area, offers the size presets in its
// title bar's drop-down, starts popups as new instances and owns the close
// protocol: every close request ends in the exit dialog.
//
// Threads: the window, its components and the settings state belong to the
// main thread. The Chromium1* handlers run on the engine's UI thread; they only
// post messages to FWindow (new instances too are started on the main thread).
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "browser/chromium.h"
#include "browser/windowparent.h"
#include "config/common.h"
#include "gamewindow/recovery.h"
#include "skin/skin.h"
#include "ui/forms.h"
#include "ui/menus.h"

// Custom messages of the game window, posted with both parameters 0.
constexpr UINT CEFBROWSER_CREATED = 0x8100;
constexpr UINT CEFBROWSER_DESTROY = 0x8102;
constexpr UINT CEFBROWSER_INITIALIZED = 0x8103;
// A load ended: the title item shows the game title (posted from the engine's UI thread).
constexpr UINT CEFBROWSER_LOADEND = 0x8104;
// What a load end was (wParam of CEFBROWSER_LOADEND).
enum TLoadEndKind : WPARAM { lekOther = 0, lekGamePage = 1, lekErrorPage = 2 };
// The game browser's renderer ended; wParam is the engine's termination status.
constexpr UINT CEFBROWSER_RENDERERGONE = 0x8105;
// A main-frame load of the game browser failed; lParam owns a TLoadFailure (taken by the handler).
constexpr UINT CEFBROWSER_LOADERROR = 0x8106;
// The cookie store points at the profile's cookie folder, or its initialiser gave up (posted from that thread).
constexpr UINT CEFBROWSER_COOKIESREADY = 0x8107;

// A modified click asked for a new instance; lParam owns its command-line parameters (a std::wstring, taken by
// the handler). Posted from the engine's UI thread: the instance is started on the main thread.
constexpr UINT CEFBROWSER_STARTINSTANCE = 0x8108;

struct TLoadFailure {
  int errorCode;
  std::wstring errorText;
  std::wstring failedUrl;
};

class TChildForm : public ui::TForm {
 public:
  explicit TChildForm(ui::TComponent* owner);
  ~TChildForm() override;

  // ---- components, in creation order ----
  TCEFWindowParent* CEFWindowParent1;  // null once the browser's parent has been destroyed
  TChromium* Chromium1;
  ui::TPopupMenu* PopupMenu1;
  ui::TMenuItem* NSetSize1;
  ui::TMenuItem* NSetSize2;
  ui::TMenuItem* NSetSize3;
  ui::TMenuItem* NSetSize4;
  ui::TMenuItem* NSetSize5;
  ui::TMenuItem* NSetSize6;
  ui::TMenuItem* NSetSize7;
  std::unique_ptr<lzg::TsTitleBar> sTitleBar1;
  std::unique_ptr<lzg::TsSkinManager> sSkinManager1;
  std::unique_ptr<lzg::TsSkinProvider> sSkinProvider1;

  // The home address; set by the launch sequence before the first showing.
  std::wstring FHomepage;
  std::array<ui::TMenuItem*, FormSizeNum> NSetSizeArr{};

  // ---- window events ----
  void FormCreate(ui::TObject* Sender);
  void FormShow(ui::TObject* Sender);
  void FormCloseQuery(ui::TObject* Sender, bool& CanClose);
  void FormClose(ui::TObject* Sender, ui::TCloseAction& Action);
  void FormDestroy(ui::TObject* Sender);

  // ---- browser events (engine UI thread) ----
  void Chromium1AfterCreated(ui::TObject* Sender, cef_browser_t* browser);
  void Chromium1Close(ui::TObject* Sender, cef_browser_t* browser, TCefCloseBrowserAction& aAction);
  void Chromium1BeforeClose(ui::TObject* Sender, cef_browser_t* browser);
  void Chromium1LoadEnd(ui::TObject* Sender, cef_browser_t* browser, cef_frame_t* frame, int httpStatusCode);
  void Chromium1LoadError(ui::TObject* Sender, cef_browser_t* browser, cef_frame_t* frame, cef_errorcode_t errorCode,
                          const std::wstring& errorText, const std::wstring& failedUrl);
  void Chromium1RenderProcessTerminated(ui::TObject* Sender, cef_browser_t* browser, cef_termination_status_t status);
  void Chromium1BeforePopup(ui::TObject* Sender, cef_browser_t* browser, cef_frame_t* frame,
                            const std::wstring& targetUrl, const std::wstring& targetFrameName,
                            TCefWindowOpenDisposition targetDisposition, bool userGesture,
                            const TCefPopupFeatures& popupFeatures, TCefWindowInfo& windowInfo,
                            cef_client_t*& client, TCefBrowserSettings& settings, bool& noJavascriptAccess,
                            bool& Result);
  void Chromium1OpenUrlFromTab(ui::TObject* Sender, cef_browser_t* browser, cef_frame_t* frame,
                               const std::wstring& targetUrl, TCefWindowOpenDisposition targetDisposition,
                               bool userGesture, bool& Result);
  void Chromium1PreKeyEvent(ui::TObject* Sender, cef_browser_t* browser, const TCefKeyEvent* event, MSG* osEvent,
                            bool& isKeyboardShortcut, bool& Result);
  void Chromium1KeyEvent(ui::TObject* Sender, cef_browser_t* browser, const TCefKeyEvent* event, MSG* osEvent,
                         bool& Result);
  void HandleKeyDown(const MSG& aMsg, bool& aHandled);
  void HandleKeyUp(const MSG& aMsg, bool& aHandled);

  // ---- main-thread message handlers ----
  void BrowserCreatedMsg(ui::TMessage& m);
  void BrowserDestroyMsg(ui::TMessage& m);
  void CEFInitializedMsg(ui::TMessage& m);
  void LoadEndMsg(ui::TMessage& m);
  void RendererGoneMsg(ui::TMessage& m);
  void LoadErrorMsg(ui::TMessage& m);
  void StartInstanceMsg(ui::TMessage& m);
  void CookiesReadyMsg(ui::TMessage& m);
  void WMTimer(ui::TMessage& m);
  void WMMove(ui::TMessage& m);
  void WMMoving(ui::TMessage& m);
  void WMEnterMenuLoop(ui::TMessage& m);
  void WMExitMenuLoop(ui::TMessage& m);
  void WMsyscommand(ui::TMessage& m);
  void WMQueryEndSession(ui::TMessage& m);
  void WMEndSession(ui::TMessage& m);

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
  // True when `browser` is the one this window's host created (not an engine-opened popup).
  bool IsMainBrowser(cef_browser_t* browser) const;
  // Engine UI thread: whether a popup or a modified click is this policy's to answer (a new tab or window); if so
  // and the address may start an instance, the start is posted to the main thread.
  bool StartsInstance(const std::wstring& targetUrl, TCefWindowOpenDisposition targetDisposition);
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

  // Read on the engine's UI thread: the window exists before the browser is requested.
  std::atomic<HWND> FWindow{nullptr};
  std::wstring FExePath;                    // written before any engine event
  std::atomic<int> FMainBrowserId{0};       // the host's browser once created
  std::atomic<bool> FBrowserClosed{false};  // its OnBeforeClose has come
  std::atomic<bool> FExiting{false};        // exit chosen: a closing browser asks nothing more
  bool FBrowserRequested = false;           // CreateBrowser accepted
  bool FShown = false;
  lzg::PageRecovery FRecovery;
  bool FReloadHeld = false;     // a reload came while the exit dialog was up
  bool FRecoveryTitle = false;  // the title item tells of an error or a stopped page
  // The player chose "exit" at a session-end query: the browser is closed, the end comes with the session's
  // or, if the session goes on, with the next close request.
  bool FSessionExitChosen = false;
};

// The one game window, from its creation by the launch sequence until the loop has ended.
extern TChildForm* ChildForm;
