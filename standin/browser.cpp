// Browsers: creation, the native window and its page, loads, keys, popups and
// the close protocol. Everything that calls the client runs on the UI thread.
#include <windowsx.h>

#include <utility>

#include "standin/engine.h"
#include "standin/text.h"

namespace standin {

namespace {

const wchar_t kBrowserClass[] = L"StandinBrowserWindow";
constexpr ULONG_PTR kCommandTag = 0x53544E44;
const char kSamplePopupUrl[] = "https://www.example.com/standin-popup";
const char kSampleTabUrl[] = "https://www.example.com/standin-tab";

std::string FrameLabel(const FrameData& f) { return f.name.empty() ? "main" : ToUtf8(f.name); }

Foreign<cef_client_t> ClientOf(Browser* b) {
  std::lock_guard<std::mutex> l(b->core().mu);
  return b->core().client;
}

void ForgetBrowser(int id) {
  lzg::Ref<Browser> gone;
  std::lock_guard<std::mutex> l(Engine().mu);
  auto it = Engine().browsers.find(id);
  if (it != Engine().browsers.end()) {
    gone = std::move(it->second);
    Engine().browsers.erase(it);
  }
}

bool FindFrame(BrowserCore& c, int64 id, FrameData* out) {
  std::lock_guard<std::mutex> l(c.mu);
  for (const auto& f : c.frames)
    if (f.id == id) {
      if (out) *out = f;
      return true;
    }
  return false;
}

// --- Loading ---------------------------------------------------------------------------

// The engine's request callback: the ref-counted base, cont(allow) and cancel().
struct RequestCallbackStruct {
  cef_base_ref_counted_t base;
  void(CEF_CALLBACK* cont)(RequestCallbackStruct* self, int allow);
  void(CEF_CALLBACK* cancel)(RequestCallbackStruct* self);
};
static_assert(sizeof(RequestCallbackStruct) == 28, "cef_request_callback_t size");
static_assert(offsetof(RequestCallbackStruct, cont) == 20, "cef_request_callback_t.cont");

struct Decision {
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<int> allow{1};
  ~Decision() { CloseHandle(done); }
};

class RequestCallback : public lzg::CefObject<RequestCallbackStruct, RequestCallback> {
  using Self = RequestCallback;

 public:
  explicit RequestCallback(std::shared_ptr<Decision> d) : d_(std::move(d)) {
    LZG_BIND(cont, Cont);
    LZG_BIND(cancel, Cancel);
  }
  void Cont(int allow) {
    d_->allow = allow ? 1 : 0;
    SetEvent(d_->done);
  }
  void Cancel() { Cont(0); }
  cef_request_callback_t* Give() { return reinterpret_cast<cef_request_callback_t*>(ToCef()); }

 private:
  std::shared_ptr<Decision> d_;
};

// The network side of a load, on the IO thread: resource and cookie questions.
// False when the client cancelled the request.
bool ResourcePhase(Browser* b, int64 frame_id, const std::wstring& url, const std::string& frame_label) {
  BrowserCore& c = b->core();
  auto client = ClientOf(b);
  auto rh = GetHandler(client.get(), &cef_client_t::get_request_handler);
  if (!rh) return true;
  auto req = lzg::MakeRef<Request>();
  req->SetUrlText(url, frame_id == c.main_id ? TT_EXPLICIT : TT_AUTO_SUBFRAME);
  bool allowed = true;
  if (rh->on_before_resource_load) {
    auto decision = std::make_shared<Decision>();
    auto cb = lzg::MakeRef<RequestCallback>(decision);
    cef_return_value_t rv = rh->on_before_resource_load(rh.get(), b->Give(), b->NewFrame(frame_id), req->ToCef(),
                                                        cb->Give());
    Trace("on_before_resource_load").Add("id", c.id).Add("frame", frame_label).Add("url", ToUtf8(url))
        .Add("result", static_cast<int>(rv));
    if (rv == RV_CANCEL) {
      allowed = false;
    } else if (rv == RV_CONTINUE_ASYNC) {
      // The client answers later through the callback, from any thread.
      allowed = WaitForSingleObject(decision->done, 10000) == WAIT_OBJECT_0 && decision->allow;
      Trace("request_continue").Add("id", c.id).Add("allow", allowed);
    }
  }
  if (!allowed) return false;
  if (rh->get_resource_handler)
    DropArg(rh->get_resource_handler(rh.get(), b->Give(), b->NewFrame(frame_id), req->ToCef()));
  if (rh->can_get_cookies) {
    int r = rh->can_get_cookies(rh.get(), b->Give(), b->NewFrame(frame_id), req->ToCef());
    Trace("can_get_cookies").Add("id", c.id).Add("frame", frame_label).Add("result", r);
  }
  return true;
}

// The loading state around a frame's load; `loading` 1 at its start, 0 at its end.
void LoadingState(Browser* b, cef_load_handler_t* lh, int loading) {
  BrowserCore& c = b->core();
  if (!lh->on_loading_state_change) return;
  const int back = [&] {
    std::lock_guard<std::mutex> l(c.mu);
    return c.history > 1 ? 1 : 0;
  }();
  Trace("on_loading_state_change").Add("id", c.id).Add("loading", loading);
  lh->on_loading_state_change(lh, b->Give(), loading, back, 0);
}

void ReportLoadError(Browser* b, cef_load_handler_t* lh, int64 frame_id, const std::string& label,
                     const std::wstring& url, int error) {
  if (!lh->on_load_error) return;
  const std::string text8 = NetErrorText(error);
  Trace("on_load_error").Add("id", b->core().id).Add("frame", label).Add("url", ToUtf8(url)).Add("error", error)
      .Add("text", text8);
  std::wstring text = Utf8ToWide(text8);
  cef_string_t st{const_cast<wchar_t*>(text.c_str()), text.size(), nullptr};
  cef_string_t su{const_cast<wchar_t*>(url.c_str()), url.size(), nullptr};
  lh->on_load_error(lh, b->Give(), b->NewFrame(frame_id), static_cast<cef_errorcode_t>(error), &st, &su);
}

void ReportLoadEnd(Browser* b, cef_load_handler_t* lh, int64 frame_id, const std::string& label, int status) {
  if (!lh->on_load_end) return;
  FrameData f;
  FindFrame(b->core(), frame_id, &f);
  Trace("on_load_end").Add("id", b->core().id).Add("frame", label).Add("url", ToUtf8(f.url)).Add("status", status);
  lh->on_load_end(lh, b->Give(), b->NewFrame(frame_id), status);
}

// A load that fails before anything arrives (no network, no such name, refused, a scheme of another program):
// the engine reports the error with no load start; then Chromium commits its own error document in the frame,
// whose load end arrives with that document's address and status 0. The page view keeps showing the failed
// address and the error's text.
void FailBeforeCommit(Browser* b, int64 frame_id, const std::wstring& url, int error) {
  BrowserCore& c = b->core();
  const bool main = frame_id == c.main_id;
  std::string label = "main";
  {
    std::lock_guard<std::mutex> l(c.mu);
    for (auto& f : c.frames)
      if (f.id == frame_id) {
        if (!main) label = ToUtf8(f.name);
        f.url = Utf8ToWide(kErrorDocumentUrl);
      }
    if (main) {
      c.load_error = error;
      c.failed_url = url;
      c.frames.resize(1);
      c.history++;
    }
  }
  if (HWND h = c.hwnd.load()) InvalidateRect(h, nullptr, TRUE);
  auto client = ClientOf(b);
  auto lh = GetHandler(client.get(), &cef_client_t::get_load_handler);
  if (!lh) return;
  LoadingState(b, lh.get(), 1);
  ReportLoadError(b, lh.get(), frame_id, label, url, error);
  ReportLoadEnd(b, lh.get(), frame_id, label, 0);
  LoadingState(b, lh.get(), 0);
}

// A main-frame load whose response broke off after the page had committed (an empty response, a broken chunked
// body): its load start came; the engine reports the error and right after it the load end, with the address and
// the error code as the status.
void FailAfterCommit(Browser* b, const std::wstring& url, int error) {
  BrowserCore& c = b->core();
  {
    std::lock_guard<std::mutex> l(c.mu);
    c.load_error = error;
    c.failed_url = url;
    c.history++;
    c.frames.resize(1);
    c.frames[0].url = url;
  }
  if (HWND h = c.hwnd.load()) InvalidateRect(h, nullptr, TRUE);
  auto client = ClientOf(b);
  auto lh = GetHandler(client.get(), &cef_client_t::get_load_handler);
  if (!lh) return;
  LoadingState(b, lh.get(), 1);
  if (lh->on_load_start) {
    Trace("on_load_start").Add("id", c.id).Add("frame", "main").Add("url", ToUtf8(url));
    lh->on_load_start(lh.get(), b->Give(), b->NewFrame(c.main_id), TT_EXPLICIT);
  }
  ReportLoadError(b, lh.get(), c.main_id, "main", url, error);
  ReportLoadEnd(b, lh.get(), c.main_id, "main", error);
  LoadingState(b, lh.get(), 0);
}

// A navigation to a scheme of another program: the engine asks the request handler whether the system may open
// it (the stand-in never does), and the navigation fails.
void HandToOtherProgram(Browser* b, int64 frame_id, const std::wstring& url) {
  BrowserCore& c = b->core();
  auto client = ClientOf(b);
  auto rh = GetHandler(client.get(), &cef_client_t::get_request_handler);
  // Without the handler the engine keeps its default: nothing is started.
  int allow = 0;
  const bool handler = rh && rh->on_protocol_execution;
  if (handler) {
    cef_string_t u{const_cast<wchar_t*>(url.c_str()), url.size(), nullptr};
    rh->on_protocol_execution(rh.get(), b->Give(), &u, &allow);
  }
  Trace("on_protocol_execution").Add("id", c.id).Add("url", ToUtf8(url)).Add("allow", allow).Add("handler", handler);
  rh.reset();
  client.reset();
  FailBeforeCommit(b, frame_id, url, -302);  // ERR_UNKNOWN_URL_SCHEME
}

void Navigate(Browser* b, int64 frame_id, const std::wstring& url, bool gesture) {
  BrowserCore& c = b->core();
  if (c.closed || !c.created) return;
  FrameData target;
  if (!FindFrame(c, frame_id, &target)) return;
  const std::string url8 = ToUtf8(url);
  // A script address runs in the page and navigates nowhere.
  if (SchemeOf(url8) == "javascript") return;
  auto client = ClientOf(b);
  auto rh = GetHandler(client.get(), &cef_client_t::get_request_handler);
  if (rh && rh->on_before_browse) {
    auto req = lzg::MakeRef<Request>();
    req->SetUrlText(url, gesture ? TT_LINK : TT_EXPLICIT);
    req->MakeReadOnly();
    int cancel = rh->on_before_browse(rh.get(), b->Give(), b->NewFrame(frame_id), req->ToCef(), gesture, 0);
    Trace("on_before_browse").Add("id", c.id).Add("frame", FrameLabel(target)).Add("url", url8).Add("result", cancel);
    if (cancel) {
      // Cancelled by the client: the frame hears of it as an aborted load, and of nothing else.
      rh.reset();
      auto lh = GetHandler(client.get(), &cef_client_t::get_load_handler);
      if (lh) ReportLoadError(b, lh.get(), frame_id, FrameLabel(target), url, ERR_ABORTED);
      return;
    }
  }
  rh.reset();
  if (!EngineHandlesScheme(url8)) {
    client.reset();
    HandToOtherProgram(b, frame_id, url);
    return;
  }
  bool restart = false;
  {
    std::lock_guard<std::mutex> l(c.mu);
    restart = c.renderer_dead;
    c.renderer_dead = false;
    // Site per process: the main frame going to another site gets a renderer of its own.
    if (frame_id == c.main_id) {
      const std::string from = SiteOf(c.frames.empty() ? std::string() : ToUtf8(c.frames[0].url));
      const std::string to = SiteOf(url8);
      restart = restart || (!from.empty() && !to.empty() && from != to);
    }
  }
  // A crashed page comes back in a new renderer, as the engine does on the next navigation. The old site's
  // renderers end once its page has unloaded, after the new one has taken over.
  if (restart) {
    const int fresh = LaunchSubprocess("renderer", true);
    std::vector<int> old;
    {
      std::lock_guard<std::mutex> l(c.mu);
      old.swap(c.frame_renderers);
      if (c.renderer) old.push_back(c.renderer);
      c.renderer = fresh;
    }
    if (!old.empty()) UiThread().Post([old] { for (int child : old) EndSubprocess(child); });
  }

  // Network requests are the IO thread's; the load goes on once it has answered.
  auto allowed = std::make_shared<std::atomic<bool>>(true);
  HANDLE io_done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  auto self = b->Self_();
  std::string label = FrameLabel(target);
  if (IoThread().Post([self, frame_id, url, label, allowed, io_done] {
        *allowed = ResourcePhase(self.get(), frame_id, url, label);
        SetEvent(io_done);
      })) {
    WaitPumpingSent(io_done);
  }
  CloseHandle(io_done);
  if (!*allowed) {
    auto lh = GetHandler(client.get(), &cef_client_t::get_load_handler);
    if (lh) ReportLoadError(b, lh.get(), frame_id, label, url, ERR_ABORTED);
    return;
  }

  const bool main = frame_id == c.main_id;
  if (main) {
    if (auto error = ParseNetError(QueryValue(url8, "standin-neterror"))) {
      FailBeforeCommit(b, frame_id, url, *error);
      return;
    }
    if (auto error = ParseNetError(QueryValue(url8, "standin-neterror-after-commit"))) {
      FailAfterCommit(b, url, *error);
      return;
    }
  }
  std::vector<FrameData> loaded;
  {
    std::lock_guard<std::mutex> l(c.mu);
    if (main) {
      c.load_error = 0;
      c.failed_url.clear();
      c.history++;
      c.eats_keys = QueryValue(url8, "standin-eats-keys").value_or("") == "1";
      c.frames.resize(1);
      c.frames[0].url = url;
      int n = ParseCount(QueryValue(url8, "standin-frames"), 0, 64);
      for (int i = 1; i <= n; ++i) {
        FrameData f;
        f.id = (static_cast<int64>(c.id) << 32) | c.next_frame++;
        f.name = L"f" + std::to_wstring(i);
        f.url = url;
        c.frames.push_back(f);
      }
      loaded = c.frames;
    } else {
      for (auto& f : c.frames)
        if (f.id == frame_id) {
          f.url = url;
          loaded.push_back(f);
        }
    }
  }
  if (HWND h = c.hwnd.load()) InvalidateRect(h, nullptr, TRUE);

  auto lh = GetHandler(client.get(), &cef_client_t::get_load_handler);
  if (!lh) return;
  const int status = ParseCount(QueryValue(url8, "standin-status"), 200, 999);
  LoadingState(b, lh.get(), 1);
  // `standin-subframe-neterror=<code>`: the first sub-frame fails with that network error instead of loading, and
  // the error document commits in it.
  const auto sub_error = ParseNetError(QueryValue(url8, "standin-subframe-neterror"));
  bool sub_failed = false;
  for (const auto& f : loaded) {
    const bool is_main = f.id == c.main_id;
    const int code = is_main ? status : 200;
    if (!is_main && sub_error && !sub_failed) {
      sub_failed = true;
      {
        std::lock_guard<std::mutex> l(c.mu);
        for (auto& frame : c.frames)
          if (frame.id == f.id) frame.url = Utf8ToWide(kErrorDocumentUrl);
      }
      ReportLoadError(b, lh.get(), f.id, FrameLabel(f), f.url, *sub_error);
      ReportLoadEnd(b, lh.get(), f.id, FrameLabel(f), 0);
      continue;
    }
    if (lh->on_load_start) {
      Trace("on_load_start").Add("id", c.id).Add("frame", FrameLabel(f)).Add("url", ToUtf8(f.url));
      lh->on_load_start(lh.get(), b->Give(), b->NewFrame(f.id), is_main ? TT_EXPLICIT : TT_AUTO_SUBFRAME);
    }
    ReportLoadEnd(b, lh.get(), f.id, FrameLabel(f), code);
  }
  LoadingState(b, lh.get(), 0);
}

// --- Closing ------------------------------------------------------------------------------

void RequestClose(Browser* b) {
  BrowserCore& c = b->core();
  HWND hwnd = c.hwnd.load();
  if (c.closed || c.closing || !hwnd) return;
  {
    // The page's unload handlers run before the close; a beforeunload round trip
    // makes on_before_close come later than the window's end.
    std::lock_guard<std::mutex> l(c.mu);
    const std::string url8 = c.frames.empty() ? std::string() : ToUtf8(c.frames[0].url);
    c.unload_delay_ms = ParseCount(QueryValue(url8, "standin-beforeunload"), 0, 60000);
  }
  auto client = ClientOf(b);
  auto ls = GetHandler(client.get(), &cef_client_t::get_life_span_handler);
  int r = ls && ls->do_close ? ls->do_close(ls.get(), b->Give()) : 0;
  Trace("do_close").Add("id", c.id).Add("result", r);
  if (r) {
    // The client destroys the window (or its parent) itself; the close ends then.
    c.closing = true;
    return;
  }
  HWND root = GetAncestor(hwnd, GA_ROOT);
  if (!root || root == hwnd) DestroyWindow(hwnd);
  else PostMessageW(root, WM_CLOSE, 0, 0);
}

void FinishClose(lzg::Ref<Browser> b) {
  BrowserCore& c = b->core();
  if (c.closed.exchange(true)) return;
  auto client = ClientOf(b.get());
  auto ls = GetHandler(client.get(), &cef_client_t::get_life_span_handler);
  if (ls && ls->on_before_close) {
    Trace("on_before_close").Add("id", c.id);
    ls->on_before_close(ls.get(), b->Give());
  }
  ls.reset();
  client.reset();
  Foreign<cef_client_t> last;
  std::vector<int> renderers;
  {
    std::lock_guard<std::mutex> l(c.mu);
    last = std::move(c.client);
    c.context.reset();
    renderers.swap(c.frame_renderers);
    if (c.renderer) renderers.push_back(c.renderer);
    c.renderer = 0;
  }
  // No frame of its sites is left.
  for (int child : renderers) EndSubprocess(child);
  ForgetBrowser(c.id);
  // The engine's last reference to a client no other open browser uses: whether
  // the host still holds it too after on_before_close (a leaked popup slot shows here).
  if (last) {
    bool shared = false;
    for (auto& o : OpenBrowsers()) {
      std::lock_guard<std::mutex> l(o->core().mu);
      shared = shared || o->core().client.get() == last.get();
    }
    // A request under way on the IO thread may still hold the client for a moment.
    if (!shared) IoThread().Flush("client release");
    if (!shared && last->base.has_one_ref)
      Trace("client_released").Add("id", c.id).Add("held_elsewhere", last->base.has_one_ref(&last->base) ? 0 : 1);
  }
}

// --- Popups ------------------------------------------------------------------------------

void Realize(lzg::Ref<Browser> b);

void OpenPopup(Browser* b, int disposition, bool gesture, const std::wstring& url) {
  BrowserCore& c = b->core();
  if (c.closed) return;
  Foreign<cef_client_t> client = ClientOf(b);
  auto ls = GetHandler(client.get(), &cef_client_t::get_life_span_handler);

  cef_window_info_t wi{};
  wi.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE;
  wi.x = wi.y = wi.width = wi.height = CW_USEDEFAULT;
  cef_popup_features_t features{};
  features.menuBarVisible = features.statusBarVisible = features.toolBarVisible = features.scrollbarsVisible = 1;
  cef_browser_settings_t settings{};
  settings.size = sizeof settings;
  cef_client_t* slot = client.Give();
  int no_js = 0;
  cef_string_t target{const_cast<wchar_t*>(url.c_str()), url.size(), nullptr};
  cef_string_t frame_name{const_cast<wchar_t*>(L""), 0, nullptr};
  int r = 0;
  if (ls && ls->on_before_popup)
    r = ls->on_before_popup(ls.get(), b->Give(), b->NewFrame(c.main_id), &target, &frame_name,
                            static_cast<cef_window_open_disposition_t>(disposition), gesture, &features, &wi, &slot,
                            &settings, &no_js);
  const char* kept = !slot ? "none" : slot == client.get() ? "kept" : "replaced";
  Trace("on_before_popup")
      .Add("id", c.id)
      .Add("url", ToUtf8(url))
      .Add("frame_name", "")
      .Add("disposition", disposition)
      .Add("gesture", gesture)
      .Add("result", r)
      .Add("client", kept);
  // The slot's reference went to the callee, who releases it whatever it answers. A
  // different client stored there brings a reference of its own, which the engine
  // takes over; the same pointer left in place is not taken back, so the engine
  // holds it with a new reference of its own. Without a callee the engine drops
  // what it put in the slot itself.
  Foreign<cef_client_t> popup_client;
  if (!(ls && ls->on_before_popup)) {
    popup_client = Foreign<cef_client_t>::Adopt(slot);
  } else if (slot && slot == client.get()) {
    popup_client = Foreign<cef_client_t>::Share(slot);
  } else {
    popup_client = Foreign<cef_client_t>::Adopt(slot);
  }
  std::wstring name = ToWide(&wi.window_name);
  if (wi.window_name.dtor) wi.window_name.dtor(wi.window_name.str);
  if (r) return;

  auto core = std::make_shared<BrowserCore>();
  core->popup = true;
  core->ex_style = wi.ex_style;
  core->style = wi.style;
  core->x = wi.x;
  core->y = wi.y;
  core->width = wi.width;
  core->height = wi.height;
  core->parent = wi.parent_window;
  core->menu = wi.menu;
  core->window_name = name;
  core->first_url = url;
  core->opener = c.hwnd.load();
  core->prefs = c.prefs;
  core->global_context = c.global_context;
  core->client = popup_client;
  {
    std::lock_guard<std::mutex> l(Engine().mu);
    core->id = Engine().next_id++;
  }
  // Its main frame, like any browser's: without one the popup never loaded its address.
  core->main_id = static_cast<int64>(core->id) << 32;
  core->frames.push_back(FrameData{core->main_id, L"", L""});
  auto popup = lzg::MakeRef<Browser>(core);
  {
    std::lock_guard<std::mutex> l(Engine().mu);
    Engine().browsers[core->id] = popup;
  }
  Trace("popup_created").Add("id", core->id).Add("opener", c.id).Add("url", ToUtf8(url));
  Realize(popup);
}

// --- Modified clicks ---------------------------------------------------------------------

// A Ctrl-, Shift- or middle-click on a link: the engine asks the request handler with the disposition the user
// asked for; 0 loads the address in this browser's main frame, anything else drops the click.
void OpenUrlFromTab(Browser* b, int disposition, bool gesture, const std::wstring& url) {
  BrowserCore& c = b->core();
  if (c.closed || !c.created) return;
  auto client = ClientOf(b);
  auto rh = GetHandler(client.get(), &cef_client_t::get_request_handler);
  int r = 0;
  if (rh && rh->on_open_urlfrom_tab) {
    cef_string_t target{const_cast<wchar_t*>(url.c_str()), url.size(), nullptr};
    r = rh->on_open_urlfrom_tab(rh.get(), b->Give(), b->NewFrame(c.main_id), &target,
                                static_cast<cef_window_open_disposition_t>(disposition), gesture);
    Trace("on_open_urlfrom_tab")
        .Add("id", c.id)
        .Add("url", ToUtf8(url))
        .Add("disposition", disposition)
        .Add("gesture", gesture)
        .Add("result", r);
  }
  rh.reset();
  client.reset();
  if (!r) Navigate(b, c.main_id, url, gesture);
}

// --- Keys ------------------------------------------------------------------------------

uint32 Modifiers() {
  uint32 m = 0;
  if (GetKeyState(VK_SHIFT) & 0x8000) m |= EVENTFLAG_SHIFT_DOWN;
  if (GetKeyState(VK_CONTROL) & 0x8000) m |= EVENTFLAG_CONTROL_DOWN;
  if (GetKeyState(VK_MENU) & 0x8000) m |= EVENTFLAG_ALT_DOWN;
  if (GetKeyState(VK_CAPITAL) & 1) m |= EVENTFLAG_CAPS_LOCK_ON;
  if (GetKeyState(VK_NUMLOCK) & 1) m |= EVENTFLAG_NUM_LOCK_ON;
  return m;
}

// True when the key was consumed (by the client or the page).
bool DeliverKey(Browser* b, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  BrowserCore& c = b->core();
  cef_key_event_t ev{};
  switch (msg) {
    case WM_KEYDOWN: case WM_SYSKEYDOWN: ev.type = KEYEVENT_RAWKEYDOWN; break;
    case WM_KEYUP: case WM_SYSKEYUP: ev.type = KEYEVENT_KEYUP; break;
    default: ev.type = KEYEVENT_CHAR; break;
  }
  ev.modifiers = Modifiers();
  ev.windows_key_code = static_cast<int>(wp);
  ev.native_key_code = static_cast<int>(lp);
  ev.is_system_key = msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP || msg == WM_SYSCHAR;
  if (ev.type == KEYEVENT_CHAR) {
    ev.character = ev.unmodified_character = static_cast<char16>(wp);
  } else {
    ev.character = ev.unmodified_character = static_cast<char16>(MapVirtualKeyW(static_cast<UINT>(wp), MAPVK_VK_TO_CHAR));
  }
  DWORD pos = GetMessagePos();
  MSG m{hwnd, msg, wp, lp, static_cast<DWORD>(GetMessageTime()), {GET_X_LPARAM(pos), GET_Y_LPARAM(pos)}};
  auto client = ClientOf(b);
  auto kh = GetHandler(client.get(), &cef_client_t::get_keyboard_handler);
  if (kh && kh->on_pre_key_event) {
    int shortcut = 0;
    int r = kh->on_pre_key_event(kh.get(), b->Give(), &ev, &m, &shortcut);
    Trace("key_event").Add("stage", "pre").Add("id", c.id).Add("kind", static_cast<int>(ev.type))
        .Add("code", ev.windows_key_code).Hex("msg", msg).Add("result", r).Add("shortcut", shortcut);
    if (r) return true;
  }
  bool eats;
  {
    std::lock_guard<std::mutex> l(c.mu);
    eats = c.eats_keys;
  }
  Trace("key_event").Add("stage", "page").Add("id", c.id).Add("kind", static_cast<int>(ev.type))
      .Add("code", ev.windows_key_code).Hex("msg", msg).Add("consumed", eats);
  if (eats) return true;
  if (kh && kh->on_key_event) {
    int r = kh->on_key_event(kh.get(), b->Give(), &ev, &m);
    Trace("key_event").Add("stage", "post").Add("id", c.id).Add("kind", static_cast<int>(ev.type))
        .Add("code", ev.windows_key_code).Hex("msg", msg).Add("result", r);
    if (r) return true;
  }
  return false;
}

// --- Renderer crash ----------------------------------------------------------------------

// The OOM exit code of the engine's processes on Windows; a crash ends with an access violation.
constexpr DWORD kOomExitCode = 0xE0000008;
constexpr DWORD kCrashExitCode = 0xC0000005;

// The browser's renderer dies now: the page goes blank ("terminated") and the client hears it as a crash.
void CrashRenderer(Browser* b, bool oom) {
  BrowserCore& c = b->core();
  if (c.closed || !c.created) return;
  const DWORD code = oom ? kOomExitCode : kCrashExitCode;
  std::vector<int> extras;
  {
    std::lock_guard<std::mutex> l(c.mu);
    c.renderer_dead = true;
    CrashSubprocess(c.renderer, code);
    c.renderer = 0;
    extras.swap(c.frame_renderers);
  }
  // Its other sites' frames went with the page.
  for (int child : extras) EndSubprocess(child);
  Trace("renderer_crash").Add("id", c.id).Add("oom", oom).Hex("code", code);
  if (HWND h = c.hwnd.load()) InvalidateRect(h, nullptr, TRUE);
  auto client = ClientOf(b);
  auto rh = GetHandler(client.get(), &cef_client_t::get_request_handler);
  if (rh && rh->on_render_process_terminated) {
    // This engine version reports an out-of-memory end as a crash too; only the exit code tells them apart.
    Trace("on_render_process_terminated").Add("id", c.id).Add("status", static_cast<int>(TS_PROCESS_CRASHED))
        .Hex("code", code);
    rh->on_render_process_terminated(rh.get(), b->Give(), TS_PROCESS_CRASHED);
  }
}

// --- The page ----------------------------------------------------------------------------

void RunPageCommand(lzg::Ref<Browser> b, const std::string& line) {
  auto [verb, rest] = SplitCommand(line);
  if (verb == "close") {
    RequestClose(b.get());
  } else if (verb == "crash" && (rest.empty() || rest == "oom")) {
    CrashRenderer(b.get(), rest == "oom");
  } else if (verb == "spawn") {
    if (rest == "renderer") {
      const int child = LaunchSubprocess(rest);
      std::lock_guard<std::mutex> l(b->core().mu);
      if (child) b->core().frame_renderers.push_back(child);
    } else if (rest == "utility" || rest == "gpu-process") {
      LaunchSubprocess(rest);
    } else {
      Fault("malformed page command: " + line);
    }
  } else if (verb == "navigate") {
    Navigate(b.get(), b->core().main_id, Utf8ToWide(rest), false);
  } else if (verb == "navigateframe") {
    // "navigateframe <name> <address>": a link in that sub-frame.
    auto [name, address] = SplitCommand(rest);
    int64 frame_id = 0;
    {
      BrowserCore& c = b->core();
      std::lock_guard<std::mutex> l(c.mu);
      for (const auto& f : c.frames)
        if (!f.name.empty() && ToUtf8(f.name) == name) frame_id = f.id;
    }
    if (frame_id) Navigate(b.get(), frame_id, Utf8ToWide(address), true);
    else Fault("malformed page command: " + line);
  } else if (verb == "popup") {
    auto p = ParsePopupArgs(rest);
    if (p) OpenPopup(b.get(), p->disposition, p->gesture, Utf8ToWide(p->url));
    else Fault("malformed page command: " + line);
  } else if (verb == "openurl") {
    auto p = ParsePopupArgs(rest);
    if (p) OpenUrlFromTab(b.get(), p->disposition, p->gesture, Utf8ToWide(p->url));
    else Fault("malformed page command: " + line);
  } else {
    Fault("unknown page command: " + line);
  }
}

void Paint(Browser* b, HWND hwnd) {
  BrowserCore& c = b->core();
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT rc;
  GetClientRect(hwnd, &rc);
  FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  std::wstring url;
  bool dead = false;
  int error = 0;
  {
    std::lock_guard<std::mutex> l(c.mu);
    if (!c.frames.empty()) url = c.frames[0].url;
    dead = c.renderer_dead;
    error = c.load_error;
    if (error) url = c.failed_url;
  }
  // Pages without the stand-in's links: a dead renderer's, a failed load's and an HTML data: address's text.
  std::vector<std::wstring> lines;
  bool plain = true;
  if (dead) {
    lines.push_back(L"terminated");
  } else if (error) {
    lines = {url, Utf8ToWide(NetErrorText(error))};
  } else if (auto text = HtmlDataText(ToUtf8(url))) {
    for (const auto& t : *text) lines.push_back(Utf8ToWide(t));
  } else {
    plain = false;
  }
  if (plain) {
    HGDIOBJ was = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, dead ? RGB(128, 128, 128) : RGB(0, 0, 0));
    int y = 10;
    for (const auto& t : lines) {
      TextOutW(dc, 10, y, t.c_str(), static_cast<int>(t.size()));
      y += 20;
    }
    SelectObject(dc, was);
    EndPaint(hwnd, &ps);
    std::lock_guard<std::mutex> l(c.mu);
    c.popup_link = c.close_link = c.tab_link = RECT{};
    return;
  }
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTW lf{};
  GetObjectW(font, sizeof lf, &lf);
  lf.lfUnderline = TRUE;
  HFONT link = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(dc, font);
  SetTextColor(dc, RGB(0, 0, 0));
  TextOutW(dc, 10, 10, url.c_str(), static_cast<int>(url.size()));
  SelectObject(dc, link);
  SetTextColor(dc, RGB(0, 0, 238));
  auto draw = [&](const wchar_t* text, int y, RECT* out) {
    SIZE sz{};
    int n = static_cast<int>(wcslen(text));
    GetTextExtentPoint32W(dc, text, n, &sz);
    TextOutW(dc, 10, y, text, n);
    *out = RECT{10, y, 10 + sz.cx, y + sz.cy};
  };
  RECT popup_rc, close_rc, tab_rc;
  draw(L"open a new window", 40, &popup_rc);
  draw(L"close this page", 70, &close_rc);
  draw(L"open in a background tab (Ctrl+click)", 100, &tab_rc);
  SelectObject(dc, old);
  DeleteObject(link);
  EndPaint(hwnd, &ps);
  std::lock_guard<std::mutex> l(c.mu);
  c.popup_link = popup_rc;
  c.close_link = close_rc;
  c.tab_link = tab_rc;
}

LRESULT CALLBACK BrowserWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* b = reinterpret_cast<Browser*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!b) return DefWindowProcW(hwnd, msg, wp, lp);
  BrowserCore& c = b->core();
  switch (msg) {
    case WM_PAINT:
      Paint(b, hwnd);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      InvalidateRect(hwnd, nullptr, TRUE);
      break;
    case WM_LBUTTONDOWN:
      SetFocus(hwnd);
      return 0;
    case WM_SETFOCUS:
      // The parent control posts this to hand the focus on; take it for real so
      // that keys reach the page.
      if (GetFocus() != hwnd) SetFocus(hwnd);
      Trace("browser_focus").Add("id", c.id);
      return 0;
    case WM_LBUTTONUP: {
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      RECT popup_rc, close_rc, tab_rc;
      {
        std::lock_guard<std::mutex> l(c.mu);
        popup_rc = c.popup_link;
        close_rc = c.close_link;
        tab_rc = c.tab_link;
      }
      auto self = b->Self_();
      if (PtInRect(&popup_rc, pt)) {
        UiThread().Post([self] { OpenPopup(self.get(), WOD_NEW_FOREGROUND_TAB, true, Utf8ToWide(kSamplePopupUrl)); });
      } else if (PtInRect(&close_rc, pt)) {
        UiThread().Post([self] { RequestClose(self.get()); });
      } else if (PtInRect(&tab_rc, pt)) {
        // A plain click follows the link in place; with Ctrl held the engine asks where to open it.
        const bool ctrl = (wp & MK_CONTROL) != 0;
        UiThread().Post([self, ctrl] {
          if (ctrl) OpenUrlFromTab(self.get(), WOD_NEW_BACKGROUND_TAB, true, Utf8ToWide(kSampleTabUrl));
          else Navigate(self.get(), self->core().main_id, Utf8ToWide(kSampleTabUrl), true);
        });
      }
      return 0;
    }
    case WM_COPYDATA: {
      auto* cds = reinterpret_cast<COPYDATASTRUCT*>(lp);
      if (!cds || cds->dwData != kCommandTag) break;
      std::wstring text;
      if (cds->lpData && cds->cbData >= sizeof(wchar_t))
        text.assign(static_cast<const wchar_t*>(cds->lpData), cds->cbData / sizeof(wchar_t));
      while (!text.empty() && text.back() == L'\0') text.pop_back();
      std::string line = ToUtf8(text);
      Trace("page_command").Add("id", c.id).Add("text", line);
      // Acted on after the sender's call returns, as a page would.
      auto self = b->Self_();
      UiThread().Post([self, line] { RunPageCommand(self, line); });
      return TRUE;
    }
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_KEYUP: case WM_SYSKEYUP: case WM_CHAR: case WM_SYSCHAR:
      if (DeliverKey(b, hwnd, msg, wp, lp)) return 0;
      break;
    case WM_CLOSE:
      // Only a top-level (popup) browser window gets this from the system.
      RequestClose(b);
      return 0;
    case WM_DESTROY: {
      Trace("browser_window_destroyed").Add("id", c.id);
      c.hwnd = nullptr;
      // The engine calls on_before_close synchronously while the window is being
      // destroyed: when the host destroys the parent on its own thread, that thread
      // waits in DestroyWindow meanwhile. (The engine does it at WM_NCDESTROY; Wine
      // sends a child of another thread its WM_DESTROY but only notifies its
      // WM_NCDESTROY, so here is where the destroying thread still waits.) After a
      // beforeunload round trip it comes later, on its own.
      auto self = b->Self_();
      int delay = 0;
      {
        std::lock_guard<std::mutex> l(c.mu);
        delay = c.unload_delay_ms;
      }
      if (delay > 0 && !Engine().shutting_down) UiThread().PostDelayed(static_cast<DWORD>(delay), [self] { FinishClose(self); });
      else FinishClose(self);
      break;
    }
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void Realize(lzg::Ref<Browser> b) {
  static bool registered = [] {
    WNDCLASSW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = &BrowserWndProc;
    wc.hInstance = ModuleInstance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kBrowserClass;
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
  BrowserCore& c = b->core();
  if (!c.popup && c.parent && !IsWindow(c.parent)) {
    Fault("browser " + std::to_string(c.id) + ": parent window does not exist");
    ForgetBrowser(c.id);
    return;
  }
  HWND hwnd = CreateWindowExW(c.ex_style, kBrowserClass, c.window_name.c_str(), c.style, c.x, c.y, c.width, c.height,
                              c.parent, c.menu, ModuleInstance(), b.get());
  if (!hwnd) {
    Fault("browser " + std::to_string(c.id) + ": window creation failed, error " + std::to_string(GetLastError()));
    ForgetBrowser(c.id);
    return;
  }
  c.hwnd = hwnd;
  c.created = true;
  // A browser of its own gets a renderer of its own; a popup shows its first page in its opener's.
  if (!c.popup) {
    const int child = LaunchSubprocess("renderer", true);
    std::lock_guard<std::mutex> l(c.mu);
    c.renderer = child;
  }
  auto client = ClientOf(b.get());
  auto ls = GetHandler(client.get(), &cef_client_t::get_life_span_handler);
  if (ls && ls->on_after_created) {
    Trace("on_after_created").Add("id", c.id).Hex("hwnd", reinterpret_cast<uintptr_t>(hwnd));
    ls->on_after_created(ls.get(), b->Give());
  }
  ls.reset();
  client.reset();
  Navigate(b.get(), c.main_id, c.first_url, false);
}

}  // namespace

// --- Engine entry points -----------------------------------------------------------------

lzg::Ref<Browser> CreateBrowser(const cef_window_info_t* info, cef_client_t* client, const cef_string_t* url,
                                const cef_browser_settings_t* settings, cef_request_context_t* context, bool sync) {
  auto cl = Foreign<cef_client_t>::Adopt(client);
  auto cx = Foreign<cef_request_context_t>::Adopt(context);
  auto refuse = [&](const char* reason) {
    Trace t("create_browser");
    t.Add("id", 0);
    if (info) {
      t.Hex("parent", reinterpret_cast<uintptr_t>(info->parent_window)).Hex("style", info->style)
          .Add("x", info->x).Add("y", info->y).Add("width", info->width).Add("height", info->height);
    }
    t.Add("url", url).Add("sync", sync).Add("result", 0).Add("reason", reason);
    return lzg::Ref<Browser>();
  };
  if (!EngineRunning()) return refuse("engine not initialized");
  if (!info) return refuse("no window info");
  if (!settings) return refuse("no browser settings");
  if (settings->size != sizeof(cef_browser_settings_t)) return refuse("browser settings size");
  wchar_t env[8];
  DWORD n = GetEnvironmentVariableW(L"STANDIN_REFUSE_CREATE", env, 8);
  if (n == 1 && env[0] == L'1') return refuse("STANDIN_REFUSE_CREATE");
  if (sync && !UiThread().IsCurrent()) {
    // The engine only creates synchronously on its own UI thread.
    Fault("cef_browser_host_create_browser_sync called off the engine's UI thread");
  }

  auto core = std::make_shared<BrowserCore>();
  core->ex_style = info->ex_style;
  core->style = info->style;
  core->x = info->x;
  core->y = info->y;
  core->width = info->width;
  core->height = info->height;
  core->parent = info->parent_window;
  core->menu = info->menu;
  core->window_name = ToWide(&info->window_name);
  core->first_url = ToWide(url);
  RequestContext* rc = cx ? RequestContext::FromCef(cx.get()) : nullptr;
  core->prefs = rc ? rc->Store() : Engine().prefs;
  core->global_context = !rc || rc->IsGlobal();
  core->client = std::move(cl);
  core->context = std::move(cx);
  {
    std::lock_guard<std::mutex> l(Engine().mu);
    core->id = Engine().next_id++;
  }
  core->main_id = static_cast<int64>(core->id) << 32;
  core->frames.push_back(FrameData{core->main_id, L"", L""});
  auto b = lzg::MakeRef<Browser>(core);
  {
    std::lock_guard<std::mutex> l(Engine().mu);
    Engine().browsers[core->id] = b;
  }
  Trace("create_browser")
      .Add("id", core->id)
      .Hex("parent", reinterpret_cast<uintptr_t>(info->parent_window))
      .Hex("style", info->style)
      .Add("x", info->x)
      .Add("y", info->y)
      .Add("width", info->width)
      .Add("height", info->height)
      .Add("url", url)
      .Add("sync", sync)
      .Add("result", 1);
  if (sync) {
    UiThread().RunSync([b] { Realize(b); });
    return b->core().created ? b : lzg::Ref<Browser>();
  }
  UiThread().Post([b] { Realize(b); });
  return b;
}

void DestroyAllBrowsers() {
  // The engine closes what is still open while the caller waits: each browser's
  // on_before_close comes here, on the UI thread, also for one whose window is
  // already gone and whose close waited for a beforeunload round trip.
  for (auto& b : OpenBrowsers()) {
    if (HWND h = b->core().hwnd.load()) DestroyWindow(h);
    else FinishClose(b);
    std::lock_guard<std::mutex> l(b->core().mu);
    b->core().client.reset();
    b->core().context.reset();
  }
}

void NotifyRendererGone(int child, DWORD exit_code) {
  for (auto& b : OpenBrowsers()) {
    {
      std::lock_guard<std::mutex> l(b->core().mu);
      if (b->core().renderer != child) continue;
      b->core().renderer = 0;
      b->core().renderer_dead = true;
    }
    auto client = ClientOf(b.get());
    auto rh = GetHandler(client.get(), &cef_client_t::get_request_handler);
    if (rh && rh->on_render_process_terminated) {
      Trace("on_render_process_terminated").Add("id", b->Id()).Add("status", static_cast<int>(TS_PROCESS_CRASHED))
          .Hex("code", exit_code);
      rh->on_render_process_terminated(rh.get(), b->Give(), TS_PROCESS_CRASHED);
    }
  }
}

// --- Wrappers ------------------------------------------------------------------------------

namespace {

[[noreturn]] void CEF_CALLBACK StaleCall() {
  Fault("call through a released browser, host or frame");
  TerminateProcess(GetCurrentProcess(), 0xC0000005);
  for (;;) Sleep(INFINITE);
}

}  // namespace

// Not inlined: where it is, the compiler takes the class's own delete for a mismatch with the global new inside.
__attribute__((noinline)) void* PoisonOnFree::operator new(std::size_t n) { return ::operator new(n); }

void PoisonOnFree::operator delete(void* p, std::size_t n) noexcept {
  auto trap = reinterpret_cast<uintptr_t>(&StaleCall);
  auto* words = static_cast<uintptr_t*>(p);
  for (std::size_t i = 0; i < n / sizeof(uintptr_t); ++i) words[i] = trap;
  // A quarantine: the block stays allocated and poisoned while the next kQuarantine
  // wrappers are freed, so it is not handed out again meanwhile; only the oldest goes
  // back to the heap, which keeps a long run's memory flat.
  constexpr std::size_t kQuarantine = 1024;
  static std::mutex mu;
  static void* held[kQuarantine] = {};
  static std::size_t next = 0;
  void* oldest = nullptr;
  {
    std::lock_guard<std::mutex> l(mu);
    oldest = std::exchange(held[next], p);
    next = (next + 1) % kQuarantine;
  }
  ::operator delete(oldest);
}

// --- Browser ------------------------------------------------------------------------------

Browser::Browser(std::shared_ptr<BrowserCore> core) : core_(std::move(core)) {
  STANDIN_MEMBERS_BROWSER(STANDIN_NEUTRAL)
  LZG_BIND(get_host, GetHost);
  LZG_BIND(can_go_back, CanGoBack);
  LZG_BIND(can_go_forward, CanGoForward);
  LZG_BIND(is_loading, IsLoading);
  LZG_BIND(reload, Reload);
  LZG_BIND(reload_ignore_cache, ReloadIgnoreCache);
  LZG_BIND(get_identifier, GetIdentifier);
  LZG_BIND(is_same, IsSame);
  LZG_BIND(is_popup, IsPopup);
  LZG_BIND(has_document, HasDocument);
  LZG_BIND(get_main_frame, GetMainFrame);
  LZG_BIND(get_focused_frame, GetFocusedFrame);
  LZG_BIND(get_frame_byident, GetFrameByident);
  LZG_BIND(get_frame, GetFrame);
  LZG_BIND(get_frame_count, GetFrameCount);
  LZG_BIND(get_frame_identifiers, GetFrameIdentifiers);
  LZG_BIND(get_frame_names, GetFrameNames);
}

cef_browser_t* Browser::Give() { return (new Browser(core_))->CefPtr(); }

cef_browser_host_t* Browser::GetHost() { return lzg::MakeRef<Host>(Self_())->ToCef(); }
int Browser::CanGoBack() {
  std::lock_guard<std::mutex> l(core_->mu);
  return core_->history > 1;
}
void Browser::Reload() {
  std::wstring url;
  {
    std::lock_guard<std::mutex> l(core_->mu);
    url = core_->frames.empty() ? std::wstring() : core_->frames[0].url;
  }
  auto self = Self_();
  UiThread().Post([self, url] { Navigate(self.get(), self->core().main_id, url, false); });
}
int Browser::IsSame(cef_browser_t* that) {
  Browser* o = FromCef(that);
  bool same = o && o->core_->id == core_->id;
  DropArg(that);
  return same;
}
int Browser::HasDocument() {
  std::lock_guard<std::mutex> l(core_->mu);
  return core_->history > 0;
}
cef_frame_t* Browser::NewFrame(int64 id) {
  FrameData f;
  if (!FindFrame(*core_, id, &f)) return nullptr;
  return lzg::MakeRef<Frame>(Self_(), f.id, f.name, f.id == core_->main_id)->ToCef();
}
cef_frame_t* Browser::GetMainFrame() { return NewFrame(core_->main_id); }
cef_frame_t* Browser::GetFrameByident(int64 identifier) { return NewFrame(identifier); }
cef_frame_t* Browser::GetFrame(const cef_string_t* name) {
  std::wstring n = ToWide(name);
  if (n.empty()) return GetMainFrame();
  int64 id = 0;
  {
    std::lock_guard<std::mutex> l(core_->mu);
    for (const auto& f : core_->frames)
      if (f.name == n) id = f.id;
  }
  return id ? NewFrame(id) : nullptr;
}
size_t Browser::GetFrameCount() {
  std::lock_guard<std::mutex> l(core_->mu);
  return core_->frames.size();
}
void Browser::GetFrameIdentifiers(size_t* count, int64* identifiers) {
  if (!count) return;
  std::lock_guard<std::mutex> l(core_->mu);
  size_t n = std::min(*count, core_->frames.size());
  for (size_t i = 0; identifiers && i < n; ++i) identifiers[i] = core_->frames[i].id;
  *count = identifiers ? n : core_->frames.size();
}
void Browser::GetFrameNames(cef_string_list_t names) {
  if (!names) return;
  std::lock_guard<std::mutex> l(core_->mu);
  for (const auto& f : core_->frames) ListAppend(names, f.name);
}

// --- Host ------------------------------------------------------------------------------------

Host::Host(lzg::Ref<Browser> browser) : browser_(std::move(browser)) {
  STANDIN_MEMBERS_BROWSER_HOST(STANDIN_NEUTRAL)
  LZG_BIND(get_browser, GetBrowser);
  LZG_BIND(close_browser, CloseBrowser);
  LZG_BIND(try_close_browser, TryCloseBrowser);
  LZG_BIND(set_focus, SetFocus);
  LZG_BIND(get_window_handle, GetWindowHandle);
  LZG_BIND(get_opener_window_handle, GetOpenerWindowHandle);
  LZG_BIND(get_client, GetClient);
  LZG_BIND(get_request_context, GetRequestContext);
  LZG_BIND(was_resized, WasResized);
  LZG_BIND(was_hidden, WasHidden);
  LZG_BIND(notify_move_or_resize_started, NotifyMoveOrResizeStarted);
}

void Host::CloseBrowser(int force_close) {
  Trace("close_browser").Add("id", browser_->Id()).Add("force", force_close);
  auto b = browser_;
  UiThread().Post([b] { RequestClose(b.get()); });
}
int Host::TryCloseBrowser() {
  if (!UiThread().IsCurrent()) {
    Fault("CefBrowserHost.TryCloseBrowser called off the engine's UI thread");
    return 0;
  }
  if (browser_->core().closed) return 1;
  CloseBrowser(0);
  return 0;
}
void Host::SetFocus(int focus) {
  Trace("set_focus").Add("id", browser_->Id()).Add("focus", focus);
  auto b = browser_;
  UiThread().Post([b, focus] {
    HWND h = b->core().hwnd.load();
    if (h && focus) ::SetFocus(h);
  });
}
cef_client_t* Host::GetClient() { return ClientOf(browser_.get()).Give(); }
cef_request_context_t* Host::GetRequestContext() {
  BrowserCore& c = browser_->core();
  return lzg::MakeRef<RequestContext>(c.prefs, c.id, c.global_context)->ToCef();
}
void Host::WasResized() { Trace("was_resized").Add("id", browser_->Id()); }
void Host::WasHidden(int hidden) { Trace("was_hidden").Add("id", browser_->Id()).Add("hidden", hidden); }
void Host::NotifyMoveOrResizeStarted() { Trace("notify_move_or_resize_started").Add("id", browser_->Id()); }

// --- Frame ------------------------------------------------------------------------------------

Frame::Frame(lzg::Ref<Browser> browser, int64 id, std::wstring name, bool main)
    : browser_(std::move(browser)), id_(id), name_(std::move(name)), main_(main) {
  STANDIN_MEMBERS_FRAME(STANDIN_NEUTRAL)
  LZG_BIND(is_valid, IsValid);
  LZG_BIND(load_request, LoadRequest);
  LZG_BIND(load_url, LoadUrl);
  LZG_BIND(is_main, IsMain);
  LZG_BIND(is_focused, IsFocused);
  LZG_BIND(get_name, GetName);
  LZG_BIND(get_identifier, GetIdentifier);
  LZG_BIND(get_parent, GetParent);
  LZG_BIND(get_url, GetUrl);
  LZG_BIND(get_browser, GetBrowser);
}

int Frame::IsValid() { return !browser_->core().closed && FindFrame(browser_->core(), id_, nullptr); }
void Frame::Load(const std::wstring& url) {
  Trace("load_url").Add("id", browser_->Id()).Add("frame", main_ ? std::string("main") : ToUtf8(name_))
      .Add("url", ToUtf8(url));
  auto b = browser_;
  int64 id = id_;
  UiThread().Post([b, id, url] { Navigate(b.get(), id, url, false); });
}
void Frame::LoadRequest(cef_request_t* request) {
  Request* r = request ? Request::FromCef(request) : nullptr;
  std::wstring url = r ? r->Url() : std::wstring();
  DropArg(request);
  if (r) Load(url);
}
void Frame::LoadUrl(const cef_string_t* url) { Load(ToWide(url)); }
cef_string_userfree_t Frame::GetName() { return NewUserFree(name_); }
cef_frame_t* Frame::GetParent() { return main_ ? nullptr : browser_->GetMainFrame(); }
cef_string_userfree_t Frame::GetUrl() {
  FrameData f;
  return NewUserFree(FindFrame(browser_->core(), id_, &f) ? f.url : std::wstring());
}

}  // namespace standin

using namespace standin;

extern "C" int CEF_EXPORT cef_browser_host_create_browser(const cef_window_info_t* windowInfo, cef_client_t* client,
                                                          const cef_string_t* url,
                                                          const cef_browser_settings_t* settings,
                                                          cef_request_context_t* request_context) {
  return CreateBrowser(windowInfo, client, url, settings, request_context, false) ? 1 : 0;
}

extern "C" cef_browser_t* CEF_EXPORT cef_browser_host_create_browser_sync(const cef_window_info_t* windowInfo,
                                                                          cef_client_t* client, const cef_string_t* url,
                                                                          const cef_browser_settings_t* settings,
                                                                          cef_request_context_t* request_context) {
  auto b = CreateBrowser(windowInfo, client, url, settings, request_context, true);
  return b ? b->Give() : nullptr;
}
