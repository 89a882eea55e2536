#include "browser/browser_host.h"

#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "base/guarded.h"
#include "base/threads.h"
#include "browser/host_rules.h"
#include "engine/cef_library.h"
#include "engine/cef_ref.h"
#include "engine/cef_string.h"
#include "engine/diagnostics.h"
#include "ui/controls.h"
#include "ui/forms.h"

namespace lzg {
namespace {

// The preferences every browser of the client gets, in this order, on the engine's UI thread as it is created.
// The proxy entry makes the browsers connect directly rather than through the system's proxy configuration.
struct Preference {
  const wchar_t* name;
  const wchar_t* proxy_mode;  // the dictionary {"mode": proxy_mode} rather than a boolean
  bool value;
};
constexpr Preference kPreferences[] = {
    {L"proxy", L"direct", false},
    {L"enable_do_not_track", nullptr, true},
    {L"enable_referrers", nullptr, true},
    {L"enable_a_ping", nullptr, false},
    {L"plugins.run_all_flash_in_allow_mode", nullptr, false},
    {L"plugins.allow_outdated", nullptr, false},
    {L"plugins.always_authorize", nullptr, false},
    {L"browser.enable_spellchecking", nullptr, true},
};

// Hand-overs from the engine's UI thread to the host's message window.
constexpr UINT kBrowserCreatedMessage = WM_APP + 1;  // lParam: a browser with one reference for the main thread
constexpr UINT kBrowserClosedMessage = WM_APP + 2;   // wParam: the identifier of the browser that closed
constexpr UINT kReportMessage = WM_APP + 3;          // lParam: a std::function<void(Delegate&)>
const wchar_t kMessageWindowClass[] = L"LzgBrowserHost";

bool IsMainFrame(cef_frame_t* frame) { return frame && frame->is_main && frame->is_main(frame) != 0; }

cef_value_t* NewValue() {
  if (!g_cef.cef_value_create) throw std::runtime_error("engine values unavailable");
  cef_value_t* v = g_cef.cef_value_create();
  if (!v) throw std::runtime_error("engine value not created");
  return v;
}

// A value for `p`, with one reference that the caller owns.
cef_value_t* PreferenceValue(const Preference& p) {
  if (!p.proxy_mode) {
    cef_value_t* v = NewValue();
    v->set_bool(v, p.value ? 1 : 0);
    return v;
  }
  if (!g_cef.cef_dictionary_value_create) throw std::runtime_error("engine dictionaries unavailable");
  cef_dictionary_value_t* dict = g_cef.cef_dictionary_value_create();
  if (!dict) throw std::runtime_error("engine dictionary not created");
  const std::wstring key = L"mode", mode = p.proxy_mode;
  cef_string_t k = CefStringView(key), m = CefStringView(mode);
  dict->set_string(dict, &k, &m);
  cef_value_t* v = nullptr;
  try {
    v = NewValue();
  } catch (...) {
    ReleaseCefObject(dict);
    throw;
  }
  v->set_dictionary(v, dict);  // the value takes the dictionary's reference
  return v;
}

void UpdatePreference(cef_request_context_t* context, const Preference& p) {
  const std::wstring name = p.name;
  cef_string_t n = CefStringView(name);
  if (!context->can_set_preference(context, &n)) return;
  CefRef<cef_value_t> value(PreferenceValue(p));
  cef_string_t error{};
  // set_preference takes a reference of its own; ours goes with `value`.
  AddRefCefObject(value.get());
  const int ok = context->set_preference(context, &n, value.get(), &error);
  const std::wstring text = CefToWString(&error);
  if (g_cef.cef_string_utf16_clear) g_cef.cef_string_utf16_clear(&error);
  if (!ok) {
    OutputDebugMessage((p.proxy_mode ? L"TChromium.UpdateProxyPrefs error : " : L"TChromium.UpdatePreference error : ") +
                       QuotedStr(text));
  }
}

}  // namespace

BrowserHost::BrowserHost(EngineApp& engine, Delegate* delegate, const Policy* policy)
    : engine_(engine), delegate_(delegate), policy_(policy) {
  browser_settings_.size = sizeof(cef_browser_settings_t);
  browser_settings_.windowless_frame_rate = 30;
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &BrowserHost::MessageWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kMessageWindowClass;
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
  HWND w = CreateWindowExW(0, kMessageWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  if (w) SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  message_window_ = w;
}

BrowserHost::~BrowserHost() {
  RunGuarded("TChromium.Destroy", [&] {
    // Detaching waits for a callback under way; no hand-over follows it.
    DetachClient();
    DestroyMessageWindow();
    DropBrowser();
    browser_id_ = 0;
    std::map<int, cef_browser_t*> others;
    {
      std::lock_guard<std::mutex> l(others_mu_);
      others.swap(others_);
    }
    for (auto& [id, b] : others) ReleaseCefObject(b);
  });
}

// ---- the hand-overs -------------------------------------------------------------------------------

LRESULT CALLBACK BrowserHost::MessageWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<BrowserHost*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case kBrowserCreatedMessage:
      if (self)
        self->OnBrowserCreatedMessage(reinterpret_cast<cef_browser_t*>(lp));
      else
        ReleaseCefObject(reinterpret_cast<cef_browser_t*>(lp));
      return 0;
    case kBrowserClosedMessage:
      if (self) self->OnBrowserClosedMessage(static_cast<int>(wp));
      return 0;
    case kReportMessage: {
      std::unique_ptr<std::function<void(Delegate&)>> report(reinterpret_cast<std::function<void(Delegate&)>*>(lp));
      if (self && self->delegate_ && report && *report)
        RunGuarded("BrowserHost.Report", [&] { (*report)(*self->delegate_); });
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

void BrowserHost::PostToDelegate(std::function<void(Delegate&)> report) {
  if (!delegate_) return;
  auto owned = std::make_unique<std::function<void(Delegate&)>>(std::move(report));
  HWND w = message_window_.load();
  if (w && PostMessageW(w, kReportMessage, 0, reinterpret_cast<LPARAM>(owned.get()))) owned.release();
}

// Engine UI thread: the message carries a reference of its own.
void BrowserHost::PostBrowserCreated(cef_browser_t* browser) {
  AddRefCefObject(browser);
  HWND w = message_window_.load();
  if (!w || !PostMessageW(w, kBrowserCreatedMessage, 0, reinterpret_cast<LPARAM>(browser)))
    ReleaseCefObject(browser);
}

void BrowserHost::OnBrowserCreatedMessage(cef_browser_t* browser) {
  // Closed before the main thread heard of it: the reference has nothing left to serve.
  if (browser_ || BrowserIdOf(browser) != browser_id_.load()) {
    ReleaseCefObject(browser);
    return;
  }
  browser_ = browser;
  if (delegate_) delegate_->OnBrowserReady();
}

// Only the host's own browser's close is posted here.
void BrowserHost::OnBrowserClosedMessage(int id) {
  if (browser_ && BrowserIdOf(browser_) == id) DropBrowser();
  if (delegate_) delegate_->OnBrowserClosed();
}

void BrowserHost::DestroyMessageWindow() {
  HWND w = message_window_.exchange(nullptr);
  if (!w) return;
  // Hand-overs still queued carry references.
  MSG m;
  while (PeekMessageW(&m, w, kBrowserCreatedMessage, kBrowserCreatedMessage, PM_REMOVE))
    ReleaseCefObject(reinterpret_cast<cef_browser_t*>(m.lParam));
  while (PeekMessageW(&m, w, kReportMessage, kReportMessage, PM_REMOVE))
    delete reinterpret_cast<std::function<void(Delegate&)>*>(m.lParam);
  DestroyWindow(w);
}

// ---- state ----------------------------------------------------------------------------------------

bool BrowserHost::IsOwnBrowser(cef_browser_t* browser) const {
  const int id = BrowserIdOf(browser);
  return id != 0 && id == browser_id_.load();
}

int BrowserHost::OtherBrowserCount() const {
  std::lock_guard<std::mutex> l(others_mu_);
  return static_cast<int>(others_.size());
}

bool BrowserHost::CloseOtherBrowsers(DWORD ms) {
  if (!LZG_ON_THREAD(kMain)) return false;
  std::vector<cef_browser_t*> open;
  {
    std::lock_guard<std::mutex> l(others_mu_);
    for (auto& [id, b] : others_) {
      AddRefCefObject(b);  // ours for the call: the engine may report it closed meanwhile
      open.push_back(b);
    }
  }
  for (cef_browser_t* b : open) {
    RunGuarded("BrowserHost.CloseOtherBrowsers", [&] {
      cef_browser_host_t* host = b->get_host ? b->get_host(b) : nullptr;
      // Forced: a popup's page gets no say in the program's exit. The engine accepts the call on any thread.
      if (host && host->close_browser) host->close_browser(host, 1);
      ReleaseCefObject(host);
    });
    ReleaseCefObject(b);
  }
  // The engine may need this thread's messages to finish a close (a popup window's owner lives here).
  return ui::Application::ProcessMessagesUntil([this] { return OtherBrowserCount() == 0; }, ms);
}

void BrowserHost::DropBrowser() { ReleaseCefObject(std::exchange(browser_, nullptr)); }

void BrowserHost::DetachClient() {
  Client* client = client_.exchange(nullptr);
  if (!client) return;
  client->Detach();
  client->Release();
}

// ---- creation -------------------------------------------------------------------------------------

bool BrowserHost::CreateBrowser(ui::Window* parent) {
  HWND handle = nullptr;
  RECT rect{};
  if (parent) {
    handle = parent->Handle();
    if (handle) GetClientRect(handle, &rect);
  }
  return CreateBrowser(handle, rect);
}

bool BrowserHost::CreateBrowser(HWND parent, const RECT& rect) {
  if (!LZG_ON_THREAD(kMain)) return false;
  if (closing_ || browser_ || browser_id_ != 0) return false;
  bool result = false;
  RunGuarded("TChromium.CreateBrowser", [&] {
    // Refused while the context is not ready; nothing changes, so a later call may succeed.
    if (!engine_.GlobalContextInitialized()) return;
    if (client_.load()) return;  // a request is already under way
    client_ = new Client(this);

    window_info_ = cef_window_info_t{};
    window_info_.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP;
    window_info_.x = rect.left;
    window_info_.y = rect.top;
    window_info_.width = rect.right - rect.left;
    window_info_.height = rect.bottom - rect.top;
    window_info_.parent_window = parent;

    if (!g_cef.cef_browser_host_create_browser) throw std::runtime_error("engine library not bound");
    const std::wstring first_page = kDefaultUrl;
    cef_string_t url = CefStringView(first_page);
    // The engine takes over the client's new reference. The browser arrives with on_after_created.
    result = g_cef.cef_browser_host_create_browser(&window_info_, client_.load()->ToCef(), &url, &browser_settings_,
                                                   nullptr) != 0;
  });
  return result;
}

// ---- browser operations ---------------------------------------------------------------------------

void BrowserHost::LoadUrl(const std::wstring& url, const std::wstring& frame_name) {
  if (!LZG_ON_THREAD(kMain)) return;
  if (!Initialized() || !browser_) return;
  RunGuarded("BrowserHost.LoadUrl", [&] {
    cef_browser_t* b = browser_;
    CefRef<cef_frame_t> frame;
    if (frame_name.empty()) {
      frame = CefRef<cef_frame_t>(b->get_main_frame(b));
    } else {
      cef_string_t name = CefStringView(frame_name);
      frame = CefRef<cef_frame_t>(b->get_frame(b, &name));
    }
    if (!frame) return;
    cef_string_t address = CefStringView(url);
    frame->load_url(frame.get(), &address);
  });
}

void BrowserHost::SetFocus(bool focus) {
  if (!LZG_ON_THREAD(kMain)) return;
  if (!Initialized() || !browser_) return;
  RunGuarded("BrowserHost.SetFocus", [&] {
    cef_browser_t* b = browser_;
    CefRef<cef_browser_host_t> host(b->get_host(b));
    if (host) host->set_focus(host.get(), focus ? 1 : 0);
  });
}

void BrowserHost::NotifyMoveOrResizeStarted() {
  if (!LZG_ON_THREAD(kMain)) return;
  if (!Initialized() || !browser_) return;
  RunGuarded("BrowserHost.NotifyMoveOrResizeStarted", [&] {
    cef_browser_t* b = browser_;
    CefRef<cef_browser_host_t> host(b->get_host(b));
    if (host) host->notify_move_or_resize_started(host.get());
  });
}

// ---- engine UI thread -----------------------------------------------------------------------------

void BrowserHost::UpdatePreferences(cef_browser_t* browser) {
  if (!browser || !browser->get_host) return;
  CefRef<cef_browser_host_t> host(browser->get_host(browser));
  if (!host) return;
  CefRef<cef_request_context_t> context(host->get_request_context(host.get()));
  if (!context) return;
  // A failure of one entry does not keep the next one from being written.
  for (const Preference& p : kPreferences)
    RunGuarded(p.proxy_mode ? "TChromium.UpdateProxyPrefs" : "TChromium.UpdatePreference",
               [&] { UpdatePreference(context.get(), p); });
}

void BrowserHost::OnAfterCreated(cef_browser_t* browser) {
  LZG_ON_THREAD(kEngineUi);
  // The first browser is the host's; a popup served by the same client is not recorded as the host's own.
  const int id = BrowserIdOf(browser);
  int none = 0;
  const bool own = id != 0 && !closing_.load() && browser_id_.compare_exchange_strong(none, id);
  if (own) {
    initialized_ = true;
  } else if (id != 0 && id != browser_id_.load()) {
    AddRefCefObject(browser);
    std::lock_guard<std::mutex> l(others_mu_);
    if (!others_.emplace(id, browser).second) ReleaseCefObject(browser);
  }
  // Every browser gets the client's preferences before anyone hears of it.
  UpdatePreferences(browser);
  if (own) PostBrowserCreated(browser);
}

bool BrowserHost::OnBeforePopup(cef_browser_t*, const std::wstring& target_url,
                                cef_window_open_disposition_t disposition) {
  LZG_ON_THREAD(kEngineUi);
  if (!policy_ || !policy_->TakesPopup(target_url, disposition)) return false;
  PostToDelegate([target_url, disposition](Delegate& d) { d.OnNewWindowTaken(target_url, disposition); });
  return true;
}

bool BrowserHost::OnOpenUrlFromTab(cef_browser_t*, const std::wstring& target_url,
                                   cef_window_open_disposition_t disposition) {
  LZG_ON_THREAD(kEngineUi);
  if (!policy_ || !policy_->TakesModifiedClick(target_url, disposition)) return false;
  PostToDelegate([target_url, disposition](Delegate& d) { d.OnNewWindowTaken(target_url, disposition); });
  return true;
}

bool BrowserHost::DoClose(cef_browser_t* browser) {
  LZG_ON_THREAD(kEngineUi);
  if (!IsOwnBrowser(browser)) return false;  // a popup closes the engine's way
  closing_ = true;
  if (!delegate_) return false;
  // The owner destroys the browser's parent on the main thread; that ends the browser.
  PostToDelegate([](Delegate& d) { d.OnBrowserCloseRequested(); });
  return true;
}

void BrowserHost::OnBeforeClose(cef_browser_t* browser) {
  LZG_ON_THREAD(kEngineUi);
  cef_browser_t* other = nullptr;
  {
    std::lock_guard<std::mutex> l(others_mu_);
    auto it = others_.find(BrowserIdOf(browser));
    if (it != others_.end()) {
      other = it->second;
      others_.erase(it);
    }
  }
  ReleaseCefObject(other);
  const int id = browser_id_.load();
  if (browser && id != 0 && BrowserIdOf(browser) == id) {
    // The main thread drops its reference when it hears of this.
    initialized_ = false;
    browser_id_ = 0;
    if (HWND w = message_window_.load()) PostMessageW(w, kBrowserClosedMessage, static_cast<WPARAM>(id), 0);
    DetachClient();
  }
}

PreKeyAnswer BrowserHost::OnPreKeyEvent(cef_browser_t*, const cef_key_event_t& event, const MSG* os_event,
                                        bool is_shortcut) {
  LZG_ON_THREAD(kEngineUi);
  if (!policy_) return PreKeyAnswer{false, is_shortcut};
  return policy_->BeforeKey(event, os_event, is_shortcut);
}

bool BrowserHost::OnKeyEvent(cef_browser_t*, const cef_key_event_t& event, const MSG* os_event) {
  LZG_ON_THREAD(kEngineUi);
  if (!policy_ || !policy_->TakesKey(event, os_event)) return false;
  if (os_event) {
    const UINT message = os_event->message;
    const WPARAM wparam = os_event->wParam;
    PostToDelegate([message, wparam](Delegate& d) { d.OnKeyTaken(message, wparam); });
  }
  return true;
}

void BrowserHost::OnLoadEnd(cef_browser_t* browser, cef_frame_t* frame, int http_status) {
  LZG_ON_THREAD(kEngineUi);
  if (!delegate_) return;
  LoadEnd load;
  load.own_browser = IsOwnBrowser(browser);
  load.main_frame = IsMainFrame(frame);
  if (load.main_frame && frame->get_url) load.url = CefTakeUserFree(frame->get_url(frame));
  load.http_status = http_status;
  PostToDelegate([load = std::move(load)](Delegate& d) { d.OnLoadEnded(load); });
}

void BrowserHost::OnLoadError(cef_browser_t* browser, cef_frame_t* frame, cef_errorcode_t error,
                              const std::wstring& error_text, const std::wstring& failed_url) {
  LZG_ON_THREAD(kEngineUi);
  if (!delegate_) return;
  LoadError failure{IsOwnBrowser(browser), IsMainFrame(frame), error, error_text, failed_url};
  PostToDelegate([failure = std::move(failure)](Delegate& d) { d.OnLoadFailed(failure); });
}

bool BrowserHost::OnBeforeBrowse(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request,
                                 bool user_gesture) {
  LZG_ON_THREAD(kEngineUi);
  if (!policy_) return false;
  Navigation navigation;
  navigation.own_browser = IsOwnBrowser(browser);
  navigation.main_frame = IsMainFrame(frame);
  if (request && request->get_url) navigation.url = CefTakeUserFree(request->get_url(request));
  navigation.user_gesture = user_gesture;
  if (!policy_->CancelsNavigation(navigation)) return false;
  PostToDelegate([navigation = std::move(navigation)](Delegate& d) { d.OnNavigationCancelled(navigation); });
  return true;
}

void BrowserHost::OnRenderProcessTerminated(cef_browser_t* browser, cef_termination_status_t status) {
  LZG_ON_THREAD(kEngineUi);
  const bool own = IsOwnBrowser(browser);
  PostToDelegate([own, status](Delegate& d) { d.OnRendererEnded(own, status); });
}

}  // namespace lzg
