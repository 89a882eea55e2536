// BrowserHost: the component through which a window owns one browser of the
// engine. A host serves one browser in its lifetime and is the one owner of
// that browser's cross-thread state.
//
// Threads. Operations run on the main thread. The engine calls the host on its
// UI thread (see ClientEvents), where the host keeps its bookkeeping and
// raises only the events that must answer at once: popups, modified clicks,
// keys and, when bound, the close action. Those answers are pure decisions
// from the values they are given. Everything else, and what a decision asks
// for afterwards, the host posts to the main thread and raises there, with
// values instead of engine pointers: an owner bound to those events runs on
// the main thread only. The main thread holds a browser reference of its
// own, handed over and dropped there, so it never calls through a pointer
// the engine may have released.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "browser/client_events.h"
#include "browser/client.h"
#include "engine/engine_app.h"
#include "ui/controls.h"

using ui::TObject;

struct BrowserOptions {
  int WindowlessFrameRate = 30;
  cef_state_t Javascript = STATE_DEFAULT;
  cef_state_t JavascriptCloseWindows = STATE_DEFAULT;
  cef_state_t JavascriptAccessClipboard = STATE_DEFAULT;
  cef_state_t JavascriptDomPaste = STATE_DEFAULT;
  cef_state_t Plugins = STATE_DEFAULT;
  cef_state_t UniversalAccessFromFileUrls = STATE_DEFAULT;
  cef_state_t FileAccessFromFileUrls = STATE_DEFAULT;
  cef_state_t WebSecurity = STATE_DEFAULT;
  cef_state_t ImageLoading = STATE_DEFAULT;
  cef_state_t ImageShrinkStandaloneToFit = STATE_DEFAULT;
  cef_state_t TextAreaResize = STATE_DEFAULT;
  cef_state_t TabToLinks = STATE_DEFAULT;
  cef_state_t LocalStorage = STATE_DEFAULT;
  cef_state_t Databases = STATE_DEFAULT;
  cef_state_t ApplicationCache = STATE_DEFAULT;
  cef_state_t Webgl = STATE_DEFAULT;
  cef_color_t BackgroundColor = 0;
  std::wstring AcceptLanguageList;
};

struct BrowserFontOptions {
  std::wstring StandardFontFamily, FixedFontFamily, SerifFontFamily, SansSerifFontFamily, CursiveFontFamily,
      FantasyFontFamily;
  int DefaultFontSize = 0, DefaultFixedFontSize = 0, MinimumFontSize = 0, MinimumLogicalFontSize = 0;
  cef_state_t RemoteFonts = STATE_DEFAULT;
};

enum class WebRtcHandlingPolicy {
  kDefault,
  kDefaultPublicAndPrivateInterfaces,
  kDefaultPublicInterfaceOnly,
  kDisableNonProxiedUdp
};

// ---- events raised on the main thread, posted by the host (values only; Sender is the host) ----
// The host's own browser: ready (Browser() holds the main thread's reference), asked to close (the host has
// answered "delay": the owner destroys the browser's parent window, which ends the browser), closed.
using TOnBrowserNotice = std::function<void(TObject* Sender)>;
// A load ended in some frame of some browser this host's client serves.
struct LoadEnd {
  bool ownBrowser = false;  // the host's own browser, not a popup the engine opened
  bool mainFrame = false;
  std::wstring url;  // the main frame's address (empty for other frames)
  int httpStatusCode = 0;
};
using TOnLoadEnded = std::function<void(TObject* Sender, const LoadEnd& notice)>;
struct LoadError {
  bool ownBrowser = false;
  bool mainFrame = false;
  cef_errorcode_t errorCode = ERR_NONE;
  std::wstring errorText, failedUrl;
};
using TOnLoadFailed = std::function<void(TObject* Sender, const LoadError& notice)>;
using TOnRendererEnded = std::function<void(TObject* Sender, bool ownBrowser, cef_termination_status_t status)>;
// A popup or a modified click that OnBeforePopup or OnOpenUrlFromTab answered true (taken, not loaded here).
using TOnNewWindowTaken =
    std::function<void(TObject* Sender, const std::wstring& targetUrl, cef_window_open_disposition_t targetDisposition)>;
// A key event that OnKeyEvent answered as handled; the system message it came from.
using TOnKeyTaken = std::function<void(TObject* Sender, UINT message, WPARAM wParam)>;

// ---- events raised on the engine's UI thread (Sender is the host) ----
// The decisions (OnBeforePopup, OnOpenUrlFromTab, OnPreKeyEvent, OnKeyEvent, OnClose) answer at once from
// their arguments; the others report with engine pointers valid during the call only.
using TOnAfterCreated = std::function<void(TObject* Sender, cef_browser_t* browser)>;
using TOnBeforePopup = std::function<void(
    TObject* Sender, cef_browser_t* browser, cef_frame_t* frame, const std::wstring& targetUrl,
    const std::wstring& targetFrameName, cef_window_open_disposition_t targetDisposition, bool userGesture,
    const cef_popup_features_t& popupFeatures, cef_window_info_t& windowInfo, cef_client_t*& client,
    cef_browser_settings_t& settings, bool& noJavascriptAccess, bool& Result)>;
using TOnClose = std::function<void(TObject* Sender, cef_browser_t* browser, CloseBrowserAction& aAction)>;
using TOnBeforeClose = std::function<void(TObject* Sender, cef_browser_t* browser)>;
using TOnPreKeyEvent = std::function<void(TObject* Sender, cef_browser_t* browser, const cef_key_event_t* event,
                                          MSG* osEvent, bool& isKeyboardShortcut, bool& Result)>;
using TOnKeyEvent =
    std::function<void(TObject* Sender, cef_browser_t* browser, const cef_key_event_t* event, MSG* osEvent, bool& Result)>;
using TOnLoadEnd = std::function<void(TObject* Sender, cef_browser_t* browser, cef_frame_t* frame, int httpStatusCode)>;
using TOnLoadStart =
    std::function<void(TObject* Sender, cef_browser_t* browser, cef_frame_t* frame, cef_transition_type_t transitionType)>;
using TOnLoadError = std::function<void(TObject* Sender, cef_browser_t* browser, cef_frame_t* frame,
                                        cef_errorcode_t errorCode, const std::wstring& errorText,
                                        const std::wstring& failedUrl)>;
using TOnRenderProcessTerminated =
    std::function<void(TObject* Sender, cef_browser_t* browser, cef_termination_status_t status)>;
// A modified click (Ctrl, Shift, middle button) asks for a new tab or window; Result true drops the
// navigation, false loads the address in place.
using TOnOpenUrlFromTab =
    std::function<void(TObject* Sender, cef_browser_t* browser, cef_frame_t* frame, const std::wstring& targetUrl,
                       cef_window_open_disposition_t targetDisposition, bool userGesture, bool& Result)>;
using TOnLoadingStateChange =
    std::function<void(TObject* Sender, cef_browser_t* browser, bool isLoading, bool canGoBack, bool canGoForward)>;

class BrowserHost : public ui::Component, public ClientEvents {
 public:
  explicit BrowserHost(ui::Component* owner);
  // Does not close the browser: its later callbacks reach detached handlers.
  ~BrowserHost() override;

  // Browsers the engine opened with this host's client (popups it let through) that it has not reported closed.
  int OtherBrowserCount() const;
  // Asks the engine to close each of them and waits, at most `ms`, until it has reported every one closed; the
  // engine must not be shut down with a browser open. Main thread, before the host's own browser closes (its
  // close detaches the client the popups share).
  bool CloseOtherBrowsers(DWORD ms);

  // Asks the engine for a browser inside the control's native window (created
  // if needed), at the control's client rectangle.
  bool CreateBrowser(ui::Window* aBrowserParent, const std::wstring& aWindowName = L"",
                     cef_request_context_t* aContext = nullptr, const std::wstring& aCookiesPath = L"",
                     bool aPersistSessionCookies = false);
  bool CreateBrowser(HWND aParentHandle, const RECT& aParentRect, const std::wstring& aWindowName = L"",
                     cef_request_context_t* aContext = nullptr, const std::wstring& aCookiesPath = L"",
                     bool aPersistSessionCookies = false);
  void LoadURL(const std::wstring& aURL, const std::wstring& aFrameName = L"");
  void SetFocus(bool focus);
  void NotifyMoveOrResizeStarted();

  // A browser recorded, not closing (any thread).
  bool Initialized() const;
  int BrowserId() const { return FBrowserId.load(); }
  // The main thread's own reference to the browser (borrowed; main thread only).
  cef_browser_t* Browser() const { return FBrowser; }
  bool IsClosing() const { return FClosing.load(); }
  bool HasClientHandler() const { return FHandler.load() != nullptr; }
  const cef_window_info_t& WindowInfo() const { return FWindowInfo; }
  const cef_browser_settings_t& BrowserSettings() const { return FBrowserSettings; }
  const std::wstring& DefaultUrl() const { return FDefaultUrl; }
  BrowserOptions* Options() const { return FOptions; }
  BrowserFontOptions* FontOptions() const { return FFontOptions; }

  // Preference options, applied when the browser has been created.
  bool FDoNotTrack = true;
  bool FSendReferrer = true;
  bool FHyperlinkAuditing = false;
  bool FRunAllFlashInAllowMode = false;
  bool FAllowOutdatedPlugins = false;
  bool FAlwaysAuthorizePlugins = false;
  bool FSpellChecking = true;
  std::wstring FSpellCheckerDicts;
  int FProxyType = 0;
  WebRtcHandlingPolicy FWebRTCIPHandlingPolicy = WebRtcHandlingPolicy::kDefault;
  cef_state_t FWebRTCMultipleRoutes = STATE_DEFAULT;
  cef_state_t FWebRTCNonProxiedUDP = STATE_DEFAULT;
  std::wstring FDefaultEncoding;

  // ---- main-thread event slots (set before the browser is requested) ----
  TOnBrowserNotice OnBrowserReady;
  // Bound: the host answers the engine's close request for its own browser with "delay" and raises this.
  TOnBrowserNotice OnBrowserCloseRequested;
  TOnBrowserNotice OnBrowserClosed;
  TOnLoadEnded OnLoadEnded;
  TOnLoadFailed OnLoadFailed;
  TOnRendererEnded OnRendererEnded;
  TOnNewWindowTaken OnNewWindowTaken;
  TOnKeyTaken OnKeyTaken;

  // ---- engine UI thread event slots ----
  TOnAfterCreated OnAfterCreated;
  TOnBeforePopup OnBeforePopup;
  TOnClose OnClose;
  TOnBeforeClose OnBeforeClose;
  TOnPreKeyEvent OnPreKeyEvent;
  TOnKeyEvent OnKeyEvent;
  TOnLoadEnd OnLoadEnd;
  TOnLoadStart OnLoadStart;
  TOnLoadError OnLoadError;
  TOnLoadingStateChange OnLoadingStateChange;
  TOnRenderProcessTerminated OnRenderProcessTerminated;
  TOnOpenUrlFromTab OnOpenUrlFromTab;

  // ---- ClientEvents ----
  void doOnAfterCreated(cef_browser_t* browser) override;
  bool doOnBeforePopup(cef_browser_t* browser, cef_frame_t* frame, const std::wstring& targetUrl,
                       const std::wstring& targetFrameName, cef_window_open_disposition_t targetDisposition,
                       bool userGesture, const cef_popup_features_t& popupFeatures, cef_window_info_t& windowInfo,
                       cef_client_t*& client, cef_browser_settings_t& settings, bool& noJavascriptAccess) override;
  bool doOnClose(cef_browser_t* browser) override;
  void doOnBeforeClose(cef_browser_t* browser) override;
  bool doOnPreKeyEvent(cef_browser_t* browser, const cef_key_event_t* event, MSG* osEvent,
                       bool& isKeyboardShortcut) override;
  bool doOnKeyEvent(cef_browser_t* browser, const cef_key_event_t* event, MSG* osEvent) override;
  void doOnLoadingStateChange(cef_browser_t* browser, bool isLoading, bool canGoBack, bool canGoForward) override;
  void doOnLoadStart(cef_browser_t* browser, cef_frame_t* frame, cef_transition_type_t transitionType) override;
  void doOnLoadEnd(cef_browser_t* browser, cef_frame_t* frame, int httpStatusCode) override;
  void doOnLoadError(cef_browser_t* browser, cef_frame_t* frame, cef_errorcode_t errorCode,
                     const std::wstring& errorText, const std::wstring& failedUrl) override;
  bool doOnProcessMessageReceived(cef_browser_t* browser, cef_process_id_t sourceProcess,
                                  cef_process_message_t* message) override;
  bool doOnBeforeBrowse(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request, bool userGesture,
                        bool isRedirect) override;
  bool doOnOpenUrlFromTab(cef_browser_t* browser, cef_frame_t* frame, const std::wstring& targetUrl,
                          cef_window_open_disposition_t targetDisposition, bool userGesture) override;
  cef_return_value_t doOnBeforeResourceLoad(cef_browser_t* browser, cef_frame_t* frame,
                                            cef_request_t* request) override;
  bool doOnResourceResponse(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request,
                            cef_response_t* response) override;
  bool doOnGetAuthCredentials(cef_browser_t* browser, cef_frame_t* frame, bool isProxy, const std::wstring& host,
                              int port, const std::wstring& realm, const std::wstring& scheme) override;
  bool doCanGetCookies(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request) override;
  bool doCanSetCookie(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request) override;
  bool doOnQuotaRequest(cef_browser_t* browser, const std::wstring& originUrl, int64 newSize) override;
  void doOnProtocolExecution(cef_browser_t* browser, const std::wstring& url, bool& allowOsExecution) override;
  bool doOnCertificateError(cef_browser_t* browser, cef_errorcode_t certError,
                            const std::wstring& requestUrl) override;
  bool doOnSelectClientCertificate(cef_browser_t* browser, bool isProxy, const std::wstring& host,
                                   int port) override;
  void doOnRenderViewReady(cef_browser_t* browser) override;
  void doOnRenderProcessTerminated(cef_browser_t* browser, cef_termination_status_t status) override;

 private:
  void AfterConstruction();
  lzg::ClientHandlerFlags HandlerFlags() const;
  void GetSettings(cef_browser_settings_t& settings);
  void InitializeSettings(cef_browser_settings_t& settings);
  void InitializeWindowInfo(HWND parent, const RECT& rect, const std::wstring& name);
  void DestroyClientHandler();
  void doUpdatePreferences(cef_browser_t* browser);
  void UpdatePreference(cef_request_context_t* context, const wchar_t* name, cef_value_t* value);
  void UpdateProxyPrefs(cef_request_context_t* context);
  void DropBrowser();
  // ---- the main thread's browser reference ----
  // The engine's UI thread hands the main thread a reference of its own by a
  // posted message; the main thread drops it once the engine has reported the
  // browser closed (or when the host goes). A reference the engine passes to a
  // callback is valid only during that call.
  static LRESULT CALLBACK MessageWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void PostBrowserCreated(cef_browser_t* browser);
  void BrowserCreatedMsg(cef_browser_t* browser);
  void BrowserClosedMsg(int id);
  void DestroyMessageWindow();
  // Engine UI thread: runs `raise` on the main thread later. Dropped unrun when the host goes first.
  void PostToMain(std::function<void()> raise);
  bool IsOwnBrowser(cef_browser_t* browser) const;
  void PostNewWindowTaken(const std::wstring& targetUrl, cef_window_open_disposition_t targetDisposition);

  // Cross-thread state: written on the engine's UI thread, read anywhere.
  std::atomic<lzg::Client*> FHandler{nullptr};  // one reference
  std::atomic<int> FBrowserId{0};
  std::atomic<bool> FInitialized{false};
  std::atomic<bool> FClosing{false};
  std::atomic<HWND> FMsgWindow{nullptr};  // the main thread's window for the hand-overs
  // Popup browsers by identifier, one reference each, taken and dropped on the engine's UI thread.
  mutable std::mutex FOthersMu;
  std::map<int, cef_browser_t*> FOthers;
  // Main thread only.
  cef_browser_t* FBrowser = nullptr;  // one reference of its own
  bool FIsOSR = false;
  std::wstring FDefaultUrl = L"about:blank";
  std::wstring FWindowName;  // the window info's name points here
  cef_window_info_t FWindowInfo{};
  cef_browser_settings_t FBrowserSettings{};
  BrowserOptions* FOptions = nullptr;
  BrowserFontOptions* FFontOptions = nullptr;
};
