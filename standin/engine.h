// Process-wide state of the stand-in engine and the browsers it runs.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "standin/core.h"
#include "standin/objects.h"
#include "standin/sub_processes.h"

namespace standin {

struct FrameData {
  int64 id = 0;
  std::wstring name;  // empty for the main frame
  std::wstring url;
};

// One browser's state, shared by the browser, host and frame objects handed to
// the client. Window and callbacks belong to the engine's UI thread.
struct BrowserCore {
  int id = 0;
  bool popup = false;
  DWORD ex_style = 0;
  DWORD style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  HWND parent = nullptr;
  HMENU menu = nullptr;
  std::wstring window_name;
  std::wstring first_url;
  HWND opener = nullptr;
  std::shared_ptr<PrefStore> prefs;
  bool global_context = true;

  std::atomic<HWND> hwnd{nullptr};
  std::atomic<bool> created{false};
  std::atomic<bool> closing{false};  // do_close answered 1: the engine waits for the window to go
  std::atomic<bool> closed{false};

  std::mutex mu;  // guards everything below
  Foreign<cef_client_t> client;            // dropped once the browser has closed
  Foreign<cef_request_context_t> context;  // the one the client passed, if any
  int history = 0;
  bool eats_keys = false;
  bool renderer_dead = false;  // crashed by the page command; the next navigation starts a new renderer
  int renderer = 0;            // the sub-process showing the main frame's site; 0: none or the opener's
  std::vector<int> frame_renderers;  // more renderers the page started (its other sites' frames)
  int load_error = 0;          // the main frame's last load failed with this network error
  std::wstring failed_url;     // ... at this address, which the page view keeps showing with the error's text
  int64 main_id = 0;
  int64 next_frame = 1;
  std::vector<FrameData> frames;  // main frame first
  RECT popup_link{}, close_link{}, tab_link{};
  int unload_delay_ms = 0;  // do_close came for a page with standin-beforeunload: on_before_close waits this long
};

// The browser, host and frame structs handed to the client are wrappers made for
// that hand-over, as the engine makes them. A freed wrapper is not reused: its
// memory stays allocated (while the next 1024 wrappers are freed), every word
// pointing at a trap that records the fault and ends the process as an access
// violation would, so a call through a released pointer cannot pass unnoticed.
struct PoisonOnFree {
  static void* operator new(std::size_t n);
  static void operator delete(void* p, std::size_t n) noexcept;
};

class Browser : public lzg::CefObject<cef_browser_t, Browser>, public PoisonOnFree {
  using Self = Browser;
  // Hand-overs go through Give(): the same struct twice would hide a stale pointer.
  using lzg::CefObject<cef_browser_t, Browser>::ToCef;

 public:
  explicit Browser(std::shared_ptr<BrowserCore> core);
  // A fresh wrapper of this browser with one reference, for handing to the client.
  cef_browser_t* Give();
  BrowserCore& core() { return *core_; }
  int Id() const { return core_->id; }
  lzg::Ref<Browser> Self_() {
    AddRef();
    return lzg::Ref<Browser>::Adopt(this);
  }

  cef_browser_host_t* GetHost();
  int CanGoBack();
  int CanGoForward() { return 0; }
  int IsLoading() { return 0; }
  void Reload();
  void ReloadIgnoreCache() { Reload(); }
  int GetIdentifier() { return core_->id; }
  int IsSame(cef_browser_t* that);
  int IsPopup() { return core_->popup ? 1 : 0; }
  int HasDocument();
  cef_frame_t* GetMainFrame();
  cef_frame_t* GetFocusedFrame() { return GetMainFrame(); }
  cef_frame_t* GetFrameByident(int64 identifier);
  cef_frame_t* GetFrame(const cef_string_t* name);
  size_t GetFrameCount();
  void GetFrameIdentifiers(size_t* count, int64* identifiers);
  void GetFrameNames(cef_string_list_t names);

  cef_frame_t* NewFrame(int64 id);

 private:
  std::shared_ptr<BrowserCore> core_;
};

class Host : public lzg::CefObject<cef_browser_host_t, Host>, public PoisonOnFree {
  using Self = Host;

 public:
  explicit Host(lzg::Ref<Browser> browser);
  cef_browser_t* GetBrowser() { return browser_->Give(); }
  void CloseBrowser(int force_close);
  int TryCloseBrowser();
  void SetFocus(int focus);
  HWND GetWindowHandle() { return browser_->core().hwnd.load(); }
  HWND GetOpenerWindowHandle() { return browser_->core().opener; }
  cef_client_t* GetClient();
  cef_request_context_t* GetRequestContext();
  void WasResized();
  void WasHidden(int hidden);
  void NotifyMoveOrResizeStarted();

 private:
  lzg::Ref<Browser> browser_;
};

class Frame : public lzg::CefObject<cef_frame_t, Frame>, public PoisonOnFree {
  using Self = Frame;

 public:
  Frame(lzg::Ref<Browser> browser, int64 id, std::wstring name, bool main);
  int IsValid();
  void LoadRequest(cef_request_t* request);
  void LoadUrl(const cef_string_t* url);
  int IsMain() { return main_ ? 1 : 0; }
  int IsFocused() { return main_ ? 1 : 0; }
  cef_string_userfree_t GetName();
  int64 GetIdentifier() { return id_; }
  cef_frame_t* GetParent();
  cef_string_userfree_t GetUrl();
  cef_browser_t* GetBrowser() { return browser_->Give(); }

 private:
  void Load(const std::wstring& url);
  lzg::Ref<Browser> browser_;
  int64 id_;
  std::wstring name_;
  bool main_;
};

struct EngineState {
  std::mutex mu;
  enum class Phase { kIdle, kRunning, kShutDown } phase = Phase::kIdle;
  DWORD init_thread = 0;
  Foreign<cef_app_t> app;
  lzg::Ref<CommandLine> global_command_line;
  std::shared_ptr<PrefStore> prefs = std::make_shared<PrefStore>();
  lzg::Ref<CookieManager> cookies;
  std::vector<Foreign<cef_completion_callback_t>> held_callbacks;  // STANDIN_COOKIE_NEVER_READY, until shutdown
  std::map<int, lzg::Ref<Browser>> browsers;  // open browsers, one engine reference each
  int next_id = 1;
  std::wstring subprocess_path;
  std::atomic<bool> shutting_down{false};
};
EngineState& Engine();

bool EngineRunning();
std::vector<lzg::Ref<Browser>> OpenBrowsers();

cef_cookie_manager_t* GlobalCookieManager(cef_completion_callback_t* callback);

// Browser side (browser.cpp).
// Accepts a creation request; the window and the first page follow on the UI thread.
lzg::Ref<Browser> CreateBrowser(const cef_window_info_t* info, cef_client_t* client, const cef_string_t* url,
                                const cef_browser_settings_t* settings, cef_request_context_t* context, bool sync);
// Destroys every browser window without calling the client (shutdown).
void DestroyAllBrowsers();
// Renderer `child` ended abnormally: the browsers whose pages it showed hear of it (UI thread).
void NotifyRendererGone(int child, DWORD exit_code);

}  // namespace standin
