#include "browser/browser_host.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "browser/host_rules.h"
#include "engine/cef_library.h"
#include "engine/cef_ref.h"
#include "engine/cef_string.h"
#include "base/guarded.h"
#include "base/threads.h"
#include "ui/forms.h"

using lzg::CefRef;
using lzg::CefStringView;
using lzg::g_cef;

namespace {


using lzg::AddRefCefObject;
using lzg::BrowserIdOf;

bool IsMainFrame(cef_frame_t* frame) { return frame && frame->is_main && frame->is_main(frame) != 0; }

cef_value_t* NewValue() {
  if (!g_cef.cef_value_create) throw std::runtime_error("engine values unavailable");
  cef_value_t* v = g_cef.cef_value_create();
  if (!v) throw std::runtime_error("engine value not created");
  return v;
}

cef_value_t* BoolValue(bool b) {
  cef_value_t* v = NewValue();
  v->set_bool(v, b ? 1 : 0);
  return v;
}

cef_value_t* IntValue(int i) {
  cef_value_t* v = NewValue();
  v->set_int(v, i);
  return v;
}

cef_value_t* StringValue(const std::wstring& s) {
  cef_value_t* v = NewValue();
  cef_string_t text = CefStringView(s);
  v->set_string(v, &text);
  return v;
}

}  // namespace

// Hand-overs from the engine's UI thread to the host's message window.
constexpr UINT kHostBrowserCreated = WM_APP + 1;  // lParam: a browser with one reference for the main thread
constexpr UINT kHostBrowserClosed = WM_APP + 2;   // wParam: the identifier of the browser that closed
constexpr UINT kHostRaise = WM_APP + 3;           // lParam: a std::function<void()> that raises an event
const wchar_t kHostWindowClass[] = L"LzgChromiumHost";

BrowserHost::BrowserHost(ui::Component* owner) : ui::Component(owner) {
  InitializeSettings(FBrowserSettings);
  AfterConstruction();
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &BrowserHost::MessageWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kHostWindowClass;
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
  HWND w = CreateWindowExW(0, kHostWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
  if (w) SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  FMsgWindow = w;
}

LRESULT CALLBACK BrowserHost::MessageWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<BrowserHost*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case kHostBrowserCreated:
      if (self) self->BrowserCreatedMsg(reinterpret_cast<cef_browser_t*>(lp));
      else lzg::ReleaseCefObject(reinterpret_cast<cef_browser_t*>(lp));
      return 0;
    case kHostBrowserClosed:
      if (self) self->BrowserClosedMsg(static_cast<int>(wp));
      return 0;
    case kHostRaise: {
      std::unique_ptr<std::function<void()>> raise(reinterpret_cast<std::function<void()>*>(lp));
      if (self && raise && *raise) lzg::GuardedOperation("TChromium.PostedEvent", *raise);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

void BrowserHost::PostToMain(std::function<void()> raise) {
  auto owned = std::make_unique<std::function<void()>>(std::move(raise));
  HWND w = FMsgWindow.load();
  if (w && PostMessageW(w, kHostRaise, 0, reinterpret_cast<LPARAM>(owned.get()))) owned.release();
}

bool BrowserHost::IsOwnBrowser(cef_browser_t* browser) const {
  const int id = BrowserIdOf(browser);
  return id != 0 && id == FBrowserId.load();
}

// Engine UI thread: the message carries a reference of its own.
void BrowserHost::PostBrowserCreated(cef_browser_t* browser) {
  AddRefCefObject(browser);
  HWND w = FMsgWindow.load();
  if (!w || !PostMessageW(w, kHostBrowserCreated, 0, reinterpret_cast<LPARAM>(browser))) lzg::ReleaseCefObject(browser);
}

void BrowserHost::BrowserCreatedMsg(cef_browser_t* browser) {
  // Closed before the main thread heard of it: the reference has nothing left to serve.
  if (FBrowser || BrowserIdOf(browser) != FBrowserId.load()) {
    lzg::ReleaseCefObject(browser);
    return;
  }
  FBrowser = browser;
  if (OnBrowserReady) OnBrowserReady(this);
}

// Only the host's own browser's close is posted here.
void BrowserHost::BrowserClosedMsg(int id) {
  if (FBrowser && BrowserIdOf(FBrowser) == id) DropBrowser();
  if (OnBrowserClosed) OnBrowserClosed(this);
}

void BrowserHost::DestroyMessageWindow() {
  HWND w = FMsgWindow.exchange(nullptr);
  if (!w) return;
  // Hand-overs still queued carry references.
  MSG m;
  while (PeekMessageW(&m, w, kHostBrowserCreated, kHostBrowserCreated, PM_REMOVE))
    lzg::ReleaseCefObject(reinterpret_cast<cef_browser_t*>(m.lParam));
  while (PeekMessageW(&m, w, kHostRaise, kHostRaise, PM_REMOVE))
    delete reinterpret_cast<std::function<void()>*>(m.lParam);
  DestroyWindow(w);
}

void BrowserHost::AfterConstruction() {
  lzg::GuardedOperation("TChromium.AfterConstruction", [&] {
    FOptions = new BrowserOptions();
    FFontOptions = new BrowserFontOptions();
  });
}

BrowserHost::~BrowserHost() {
  lzg::GuardedOperation("TChromium.Destroy", [&] {
    // Detaching waits for a callback under way; no hand-over follows it.
    DestroyClientHandler();
    DestroyMessageWindow();
    DropBrowser();
    FBrowserId = 0;
    std::map<int, cef_browser_t*> others;
    {
      std::lock_guard<std::mutex> l(FOthersMu);
      others.swap(FOthers);
    }
    for (auto& [id, b] : others) lzg::ReleaseCefObject(b);
    delete FFontOptions;
    FFontOptions = nullptr;
    delete FOptions;
    FOptions = nullptr;
  });
}

int BrowserHost::OtherBrowserCount() const {
  std::lock_guard<std::mutex> l(FOthersMu);
  return static_cast<int>(FOthers.size());
}

bool BrowserHost::CloseOtherBrowsers(DWORD ms) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChromium.CloseOtherBrowsers")) return false;
  std::vector<cef_browser_t*> open;
  {
    std::lock_guard<std::mutex> l(FOthersMu);
    for (auto& [id, b] : FOthers) {
      AddRefCefObject(b);  // ours for the call: the engine may report it closed meanwhile
      open.push_back(b);
    }
  }
  for (cef_browser_t* b : open) {
    lzg::GuardedOperation("TChromium.CloseOtherBrowsers", [&] {
      cef_browser_host_t* host = b->get_host ? b->get_host(b) : nullptr;
      // Forced: a popup's page gets no say in the program's exit. The engine accepts the call on any thread.
      if (host && host->close_browser) host->close_browser(host, 1);
      lzg::ReleaseCefObject(host);
    });
    lzg::ReleaseCefObject(b);
  }
  // The engine may need this thread's messages to finish a close (a popup window's owner lives here).
  return ui::Application::ProcessMessagesUntil([this] { return OtherBrowserCount() == 0; }, ms);
}

bool BrowserHost::Initialized() const { return FInitialized.load() && !FClosing.load(); }

lzg::ClientHandlerFlags BrowserHost::HandlerFlags() const {
  lzg::ClientHandlerFlags f;
  f.load = OnLoadStart || OnLoadEnd || OnLoadError || OnLoadingStateChange || OnLoadEnded || OnLoadFailed;
  f.keyboard = OnPreKeyEvent || OnKeyEvent;
  return f;
}

void BrowserHost::DropBrowser() { lzg::ReleaseCefObject(std::exchange(FBrowser, nullptr)); }

void BrowserHost::DestroyClientHandler() {
  lzg::Client* h = FHandler.exchange(nullptr);
  if (!h) return;
  h->RemoveReferences();
  h->Release();
}

// ---- creation ------------------------------------------------------------------

void BrowserHost::InitializeSettings(cef_browser_settings_t& s) {
  s = cef_browser_settings_t{};
  s.size = sizeof(cef_browser_settings_t);
  s.windowless_frame_rate = 30;
}

void BrowserHost::GetSettings(cef_browser_settings_t& s) {
  if (!FOptions || !FFontOptions) return;
  const BrowserOptions& o = *FOptions;
  const BrowserFontOptions& f = *FFontOptions;
  s.size = sizeof(cef_browser_settings_t);
  s.windowless_frame_rate = o.WindowlessFrameRate;
  s.standard_font_family = CefStringView(f.StandardFontFamily);
  s.fixed_font_family = CefStringView(f.FixedFontFamily);
  s.serif_font_family = CefStringView(f.SerifFontFamily);
  s.sans_serif_font_family = CefStringView(f.SansSerifFontFamily);
  s.cursive_font_family = CefStringView(f.CursiveFontFamily);
  s.fantasy_font_family = CefStringView(f.FantasyFontFamily);
  s.default_font_size = f.DefaultFontSize;
  s.default_fixed_font_size = f.DefaultFixedFontSize;
  s.minimum_font_size = f.MinimumFontSize;
  s.minimum_logical_font_size = f.MinimumLogicalFontSize;
  s.remote_fonts = f.RemoteFonts;
  s.default_encoding = CefStringView(FDefaultEncoding);
  s.javascript = o.Javascript;
  s.javascript_close_windows = o.JavascriptCloseWindows;
  s.javascript_access_clipboard = o.JavascriptAccessClipboard;
  s.javascript_dom_paste = o.JavascriptDomPaste;
  s.plugins = o.Plugins;
  s.universal_access_from_file_urls = o.UniversalAccessFromFileUrls;
  s.file_access_from_file_urls = o.FileAccessFromFileUrls;
  s.web_security = o.WebSecurity;
  s.image_loading = o.ImageLoading;
  s.image_shrink_standalone_to_fit = o.ImageShrinkStandaloneToFit;
  s.text_area_resize = o.TextAreaResize;
  s.tab_to_links = o.TabToLinks;
  s.local_storage = o.LocalStorage;
  s.databases = o.Databases;
  s.application_cache = o.ApplicationCache;
  s.webgl = o.Webgl;
  s.background_color = o.BackgroundColor;
  s.accept_language_list = CefStringView(o.AcceptLanguageList);
}

void BrowserHost::InitializeWindowInfo(HWND parent, const RECT& rect, const std::wstring& name) {
  FWindowName = name;
  FWindowInfo = cef_window_info_t{};
  FWindowInfo.ex_style = 0;
  FWindowInfo.window_name = CefStringView(FWindowName);
  FWindowInfo.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP;
  FWindowInfo.x = rect.left;
  FWindowInfo.y = rect.top;
  FWindowInfo.width = rect.right - rect.left;
  FWindowInfo.height = rect.bottom - rect.top;
  FWindowInfo.parent_window = parent;
}

bool BrowserHost::CreateBrowser(ui::Window* aBrowserParent, const std::wstring& aWindowName,
                              cef_request_context_t* aContext, const std::wstring& aCookiesPath,
                              bool aPersistSessionCookies) {
  HWND parent = nullptr;
  RECT rect{};
  if (aBrowserParent) {
    parent = aBrowserParent->Handle();
    if (parent) GetClientRect(parent, &rect);
  }
  return CreateBrowser(parent, rect, aWindowName, aContext, aCookiesPath, aPersistSessionCookies);
}

bool BrowserHost::CreateBrowser(HWND aParentHandle, const RECT& aParentRect, const std::wstring& aWindowName,
                              cef_request_context_t* aContext, const std::wstring& aCookiesPath,
                              bool aPersistSessionCookies) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChromium.CreateBrowser")) return false;
  if (FClosing || FBrowser || FBrowserId != 0) return false;
  bool result = false;
  lzg::GuardedOperation("TChromium.CreateBrowser", [&] {
    if (!GlobalCEFApp || !GlobalCEFApp->GlobalContextInitialized()) return;
    if (FHandler.load()) return;  // a request is already under way
    FIsOSR = aParentHandle == nullptr;
    FHandler = new lzg::Client(this, HandlerFlags());
    lzg::Client* handler = FHandler.load();
    GetSettings(FBrowserSettings);
    InitializeWindowInfo(aParentHandle, aParentRect, aWindowName);

    if (aContext && !aCookiesPath.empty()) {
      bool done = false;
      if (aContext->get_default_cookie_manager) {
        CefRef<cef_cookie_manager_t> manager(aContext->get_default_cookie_manager(aContext, nullptr));
        cef_string_t path = CefStringView(aCookiesPath);
        done = manager && manager->set_storage_path(manager.get(), &path, aPersistSessionCookies ? 1 : 0, nullptr);
      }
      if (!done) OutputDebugMessage(L"TChromium.CreateBrowser error : cookies cannot be accessed");
    }

    if (!g_cef.cef_browser_host_create_browser || !g_cef.cef_browser_host_create_browser_sync)
      throw std::runtime_error("engine library not bound");
    cef_string_t url = CefStringView(FDefaultUrl);
    // The engine takes over one reference of each object it is given.
    if (aContext) AddRefCefObject(aContext);
    if (GlobalCEFApp->MultiThreadedMessageLoop()) {
      result = g_cef.cef_browser_host_create_browser(&FWindowInfo, handler->ToCef(), &url, &FBrowserSettings,
                                                     aContext) != 0;
    } else {
      cef_browser_t* b = g_cef.cef_browser_host_create_browser_sync(&FWindowInfo, handler->ToCef(), &url,
                                                                   &FBrowserSettings, aContext);
      if (b) {
        FBrowser = b;  // the returned reference is ours
        FBrowserId = BrowserIdOf(b);
        FInitialized = FBrowserId != 0;
      }
      result = FInitialized.load();
    }
  });
  return result;
}

// ---- browser operations --------------------------------------------------------

void BrowserHost::LoadURL(const std::wstring& aURL, const std::wstring& aFrameName) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChromium.LoadURL")) return;
  if (!Initialized() || !FBrowser) return;
  lzg::GuardedOperation("TChromium.LoadURL", [&] {
    cef_browser_t* b = FBrowser;
    CefRef<cef_frame_t> frame;
    if (aFrameName.empty()) {
      frame = CefRef<cef_frame_t>(b->get_main_frame(b));
    } else {
      cef_string_t name = CefStringView(aFrameName);
      frame = CefRef<cef_frame_t>(b->get_frame(b, &name));
    }
    if (!frame) return;
    cef_string_t url = CefStringView(aURL);
    frame->load_url(frame.get(), &url);
  });
}

void BrowserHost::SetFocus(bool focus) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChromium.SetFocus")) return;
  if (!Initialized() || !FBrowser) return;
  lzg::GuardedOperation("TChromium.SetFocus", [&] {
    cef_browser_t* b = FBrowser;
    CefRef<cef_browser_host_t> host(b->get_host(b));
    if (host) host->set_focus(host.get(), focus ? 1 : 0);
  });
}

void BrowserHost::NotifyMoveOrResizeStarted() {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChromium.NotifyMoveOrResizeStarted")) return;
  if (!Initialized() || !FBrowser) return;
  lzg::GuardedOperation("TChromium.NotifyMoveOrResizeStarted", [&] {
    cef_browser_t* b = FBrowser;
    CefRef<cef_browser_host_t> host(b->get_host(b));
    if (host) host->notify_move_or_resize_started(host.get());
  });
}

// ---- preferences (engine UI thread) ----------------------------------------------

void BrowserHost::UpdatePreference(cef_request_context_t* context, const wchar_t* name, cef_value_t* value) {
  CefRef<cef_value_t> owned(value);
  std::wstring key(name);
  cef_string_t n = CefStringView(key);
  if (!context->can_set_preference(context, &n)) return;
  cef_string_t error{};
  // set_preference takes a reference of its own; ours goes with `owned`.
  AddRefCefObject(owned.get());
  int ok = context->set_preference(context, &n, owned.get(), &error);
  std::wstring text = lzg::CefToWString(&error);
  if (g_cef.cef_string_utf16_clear) g_cef.cef_string_utf16_clear(&error);
  if (!ok) {
    const wchar_t* prefix = key == L"proxy" ? L"TChromium.UpdateProxyPrefs error : " : L"TChromium.UpdatePreference error : ";
    OutputDebugMessage(prefix + lzg::QuotedStr(text));
  }
}

void BrowserHost::UpdateProxyPrefs(cef_request_context_t* context) {
  lzg::GuardedOperation("TChromium.UpdateProxyPrefs", [&] {
    static const wchar_t* const kModes[] = {L"direct", L"auto_detect", L"system", L"fixed_servers", L"pac_script"};
    const wchar_t* mode = FProxyType >= 0 && FProxyType < 5 ? kModes[FProxyType] : L"direct";
    if (!g_cef.cef_dictionary_value_create) throw std::runtime_error("engine dictionaries unavailable");
    cef_dictionary_value_t* dict = g_cef.cef_dictionary_value_create();
    if (!dict) throw std::runtime_error("engine dictionary not created");
    std::wstring k = L"mode", v = mode;
    cef_string_t key = CefStringView(k), val = CefStringView(v);
    dict->set_string(dict, &key, &val);
    cef_value_t* value = nullptr;
    try {
      value = NewValue();
    } catch (...) {
      lzg::ReleaseCefObject(dict);
      throw;
    }
    value->set_dictionary(value, dict);  // the value takes the dictionary's reference
    UpdatePreference(context, L"proxy", value);
  });
}

void BrowserHost::doUpdatePreferences(cef_browser_t* browser) {
  if (!browser || !browser->get_host) return;
  CefRef<cef_browser_host_t> host(browser->get_host(browser));
  if (!host) return;
  CefRef<cef_request_context_t> context(host->get_request_context(host.get()));
  if (!context) return;
  cef_request_context_t* c = context.get();
  UpdateProxyPrefs(c);
  auto update = [&](const wchar_t* name, auto make) {
    lzg::GuardedOperation("TChromium.UpdatePreference", [&] { UpdatePreference(c, name, make()); });
  };
  update(L"enable_do_not_track", [&] { return BoolValue(FDoNotTrack); });
  update(L"enable_referrers", [&] { return BoolValue(FSendReferrer); });
  update(L"enable_a_ping", [&] { return BoolValue(FHyperlinkAuditing); });
  update(L"plugins.run_all_flash_in_allow_mode", [&] { return BoolValue(FRunAllFlashInAllowMode); });
  update(L"plugins.allow_outdated", [&] { return BoolValue(FAllowOutdatedPlugins); });
  update(L"plugins.always_authorize", [&] { return BoolValue(FAlwaysAuthorizePlugins); });
  update(L"browser.enable_spellchecking", [&] { return BoolValue(FSpellChecking); });
  if (FRunAllFlashInAllowMode)
    update(L"profile.default_content_setting_values.plugins", [&] { return IntValue(1); });
  if (FWebRTCIPHandlingPolicy != WebRtcHandlingPolicy::kDefault) {
    static const wchar_t* const kPolicies[] = {L"default", L"default_public_and_private_interfaces",
                                               L"default_public_interface_only", L"disable_non_proxied_udp"};
    update(L"webrtc.ip_handling_policy", [&] { return StringValue(kPolicies[static_cast<int>(FWebRTCIPHandlingPolicy)]); });
  }
  if (FWebRTCMultipleRoutes != STATE_DEFAULT)
    update(L"webrtc.multiple_routes_enabled", [&] { return BoolValue(FWebRTCMultipleRoutes == STATE_ENABLED); });
  if (FWebRTCNonProxiedUDP != STATE_DEFAULT)
    update(L"webrtc.nonproxied_udp_enabled", [&] { return BoolValue(FWebRTCNonProxiedUDP == STATE_ENABLED); });
}

// ---- dispatch (engine UI thread) -----------------------------------------------

void BrowserHost::doOnAfterCreated(cef_browser_t* browser) {
  lzg::OnThread(lzg::Thread::kEngineUi, "TChromium.doOnAfterCreated");
  // The first browser is the host's; a popup served by the same client is not recorded.
  const int id = BrowserIdOf(browser);
  int none = 0;
  if (GlobalCEFApp && GlobalCEFApp->MultiThreadedMessageLoop() && id != 0 && !FClosing.load() &&
      FBrowserId.compare_exchange_strong(none, id)) {
    FInitialized = true;
    PostBrowserCreated(browser);
  } else if (id != 0 && id != FBrowserId.load()) {
    AddRefCefObject(browser);
    std::lock_guard<std::mutex> l(FOthersMu);
    if (!FOthers.emplace(id, browser).second) lzg::ReleaseCefObject(browser);
  }
  doUpdatePreferences(browser);
  if (OnAfterCreated) OnAfterCreated(this, browser);
}

bool BrowserHost::doOnBeforePopup(cef_browser_t* browser, cef_frame_t* frame, const std::wstring& targetUrl,
                                const std::wstring& targetFrameName, cef_window_open_disposition_t targetDisposition,
                                bool userGesture, const cef_popup_features_t& popupFeatures, cef_window_info_t& windowInfo,
                                cef_client_t*& client, cef_browser_settings_t& settings, bool& noJavascriptAccess) {
  lzg::OnThread(lzg::Thread::kEngineUi, "TChromium.doOnBeforePopup");
  bool result = false;
  if (OnBeforePopup)
    OnBeforePopup(this, browser, frame, targetUrl, targetFrameName, targetDisposition, userGesture, popupFeatures,
                  windowInfo, client, settings, noJavascriptAccess, result);
  if (result) PostNewWindowTaken(targetUrl, targetDisposition);
  return result;
}

bool BrowserHost::doOnClose(cef_browser_t* browser) {
  lzg::OnThread(lzg::Thread::kEngineUi, "TChromium.doOnClose");
  const bool own = IsOwnBrowser(browser);
  CloseBrowserAction action = CloseBrowserAction::kClose;
  if (OnClose) {
    OnClose(this, browser, action);
  } else if (own && OnBrowserCloseRequested) {
    // The owner destroys the browser's parent on the main thread; that ends the browser.
    action = CloseBrowserAction::kDelay;
    PostToMain([this] {
      if (OnBrowserCloseRequested) OnBrowserCloseRequested(this);
    });
  }
  switch (action) {
    case CloseBrowserAction::kDelay:
      if (own) FClosing = true;
      return true;
    case CloseBrowserAction::kCancel:
      return true;
    case CloseBrowserAction::kClose:
    default:
      if (own) FClosing = true;
      return false;
  }
}

void BrowserHost::doOnBeforeClose(cef_browser_t* browser) {
  lzg::OnThread(lzg::Thread::kEngineUi, "TChromium.doOnBeforeClose");
  {
    cef_browser_t* other = nullptr;
    {
      std::lock_guard<std::mutex> l(FOthersMu);
      auto it = FOthers.find(BrowserIdOf(browser));
      if (it != FOthers.end()) {
        other = it->second;
        FOthers.erase(it);
      }
    }
    lzg::ReleaseCefObject(other);
  }
  const int id = FBrowserId.load();
  if (browser && id != 0 && BrowserIdOf(browser) == id) {
    // The main thread drops its reference when it hears of this.
    FInitialized = false;
    FBrowserId = 0;
    if (HWND w = FMsgWindow.load()) PostMessageW(w, kHostBrowserClosed, static_cast<WPARAM>(id), 0);
    DestroyClientHandler();
  }
  if (OnBeforeClose) OnBeforeClose(this, browser);
}

bool BrowserHost::doOnPreKeyEvent(cef_browser_t* browser, const cef_key_event_t* event, MSG* osEvent,
                                bool& isKeyboardShortcut) {
  lzg::OnThread(lzg::Thread::kEngineUi, "TChromium.doOnPreKeyEvent");
  bool result = false;
  if (OnPreKeyEvent) OnPreKeyEvent(this, browser, event, osEvent, isKeyboardShortcut, result);
  return result;
}

bool BrowserHost::doOnKeyEvent(cef_browser_t* browser, const cef_key_event_t* event, MSG* osEvent) {
  lzg::OnThread(lzg::Thread::kEngineUi, "TChromium.doOnKeyEvent");
  bool result = false;
  if (OnKeyEvent) OnKeyEvent(this, browser, event, osEvent, result);
  if (result && osEvent) {
    const UINT message = osEvent->message;
    const WPARAM wParam = osEvent->wParam;
    PostToMain([this, message, wParam] {
      if (OnKeyTaken) OnKeyTaken(this, message, wParam);
    });
  }
  return result;
}

void BrowserHost::doOnLoadingStateChange(cef_browser_t* browser, bool isLoading, bool canGoBack, bool canGoForward) {
  lzg::OnThread(lzg::Thread::kEngineUi, "TChromium.doOnLoadingStateChange");
  if (OnLoadingStateChange) OnLoadingStateChange(this, browser, isLoading, canGoBack, canGoForward);
}

void BrowserHost::doOnLoadStart(cef_browser_t* browser, cef_frame_t* frame, cef_transition_type_t transitionType) {
  lzg::OnThread(lzg::Thread::kEngineUi, "TChromium.doOnLoadStart");
  if (OnLoadStart) OnLoadStart(this, browser, frame, transitionType);
}

void BrowserHost::doOnLoadEnd(cef_browser_t* browser, cef_frame_t* frame, int httpStatusCode) {
  lzg::OnThread(lzg::Thread::kEngineUi, "TChromium.doOnLoadEnd");
  if (OnLoadEnd) OnLoadEnd(this, browser, frame, httpStatusCode);
  if (!OnLoadEnded) return;
  LoadEnd notice;
  notice.ownBrowser = IsOwnBrowser(browser);
  notice.mainFrame = IsMainFrame(frame);
  if (notice.mainFrame && frame->get_url) notice.url = lzg::CefTakeUserFree(frame->get_url(frame));
  notice.httpStatusCode = httpStatusCode;
  PostToMain([this, notice = std::move(notice)] {
    if (OnLoadEnded) OnLoadEnded(this, notice);
  });
}

void BrowserHost::doOnLoadError(cef_browser_t* browser, cef_frame_t* frame, cef_errorcode_t errorCode,
                              const std::wstring& errorText, const std::wstring& failedUrl) {
  lzg::OnThread(lzg::Thread::kEngineUi, "TChromium.doOnLoadError");
  if (OnLoadError) OnLoadError(this, browser, frame, errorCode, errorText, failedUrl);
  if (!OnLoadFailed) return;
  LoadError notice{IsOwnBrowser(browser), IsMainFrame(frame), errorCode, errorText, failedUrl};
  PostToMain([this, notice = std::move(notice)] {
    if (OnLoadFailed) OnLoadFailed(this, notice);
  });
}

bool BrowserHost::doOnProcessMessageReceived(cef_browser_t*, cef_process_id_t, cef_process_message_t*) { return false; }

// The request handler's fixed answers.
bool BrowserHost::doOnBeforeBrowse(cef_browser_t*, cef_frame_t*, cef_request_t*, bool, bool) { return false; }
bool BrowserHost::doOnOpenUrlFromTab(cef_browser_t* browser, cef_frame_t* frame, const std::wstring& targetUrl,
                                   cef_window_open_disposition_t targetDisposition, bool userGesture) {
  lzg::OnThread(lzg::Thread::kEngineUi, "TChromium.doOnOpenUrlFromTab");
  bool result = false;
  if (OnOpenUrlFromTab) OnOpenUrlFromTab(this, browser, frame, targetUrl, targetDisposition, userGesture, result);
  if (result) PostNewWindowTaken(targetUrl, targetDisposition);
  return result;
}
cef_return_value_t BrowserHost::doOnBeforeResourceLoad(cef_browser_t*, cef_frame_t*, cef_request_t*) {
  return RV_CONTINUE;
}
bool BrowserHost::doOnResourceResponse(cef_browser_t*, cef_frame_t*, cef_request_t*, cef_response_t*) { return false; }
bool BrowserHost::doOnGetAuthCredentials(cef_browser_t*, cef_frame_t*, bool, const std::wstring&, int,
                                       const std::wstring&, const std::wstring&) {
  return false;
}
bool BrowserHost::doCanGetCookies(cef_browser_t*, cef_frame_t*, cef_request_t*) { return true; }
bool BrowserHost::doCanSetCookie(cef_browser_t*, cef_frame_t*, cef_request_t*) { return true; }
bool BrowserHost::doOnQuotaRequest(cef_browser_t*, const std::wstring&, int64) { return false; }
void BrowserHost::doOnProtocolExecution(cef_browser_t*, const std::wstring&, bool&) {}
bool BrowserHost::doOnCertificateError(cef_browser_t*, cef_errorcode_t, const std::wstring&) { return false; }
bool BrowserHost::doOnSelectClientCertificate(cef_browser_t*, bool, const std::wstring&, int) { return false; }
void BrowserHost::doOnRenderViewReady(cef_browser_t*) {}
void BrowserHost::doOnRenderProcessTerminated(cef_browser_t* browser, cef_termination_status_t status) {
  lzg::OnThread(lzg::Thread::kEngineUi, "TChromium.doOnRenderProcessTerminated");
  if (OnRenderProcessTerminated) OnRenderProcessTerminated(this, browser, status);
  if (!OnRendererEnded) return;
  const bool own = IsOwnBrowser(browser);
  PostToMain([this, own, status] {
    if (OnRendererEnded) OnRendererEnded(this, own, status);
  });
}

void BrowserHost::PostNewWindowTaken(const std::wstring& targetUrl, cef_window_open_disposition_t targetDisposition) {
  PostToMain([this, targetUrl, targetDisposition] {
    if (OnNewWindowTaken) OnNewWindowTaken(this, targetUrl, targetDisposition);
  });
}
