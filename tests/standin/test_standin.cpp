// Tests of the engine stand-in libcef.dll, loaded the way the client loads the
// engine. Engine lifecycles run in child processes of this executable (one
// engine per process, as with the real library): each scenario is started with
// --scenario=<name>, writes its trace, and reports what it saw as key=value lines.
// The engine's own sub-processes run this executable with --type=..., so main()
// hands those to cef_execute_process first, as a real host does.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/bridge.h"
#include "engine/cef_library.h"
#include "engine/cef_string.h"
#include "standin/text.h"
#include "tests/support/scoped_env.h"
#include "tests/support/test_util.h"
#include "tests/support/trace_reader.h"
#include "tests/support/wait.h"

namespace lzg {
void ReportCallbackFailure(const char* operation, const char* message) noexcept {
  std::fprintf(stderr, "callback failure: %s error : %s\n", operation, message);
}
}  // namespace lzg

namespace {

using lzg::g_cef;
using testutil::ToUtf8;


HMODULE LoadEngine(const std::wstring& path) {
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool BindEngine(HMODULE lib) {
  bool ok = true;
#define LZG_BIND_EXPORT(group, name) \
  g_cef.name = reinterpret_cast<name##_ptr>(GetProcAddress(lib, #name)); \
  ok = ok && g_cef.name;
  CEF_EXPORTED_FUNCTIONS(LZG_BIND_EXPORT)
#undef LZG_BIND_EXPORT
  return ok;
}

// Waits for an event while dispatching this thread's messages (engine windows
// are children of ours, so our thread must keep answering).
bool WaitPumping(HANDLE ev, DWORD ms) {
  DWORD until = GetTickCount() + ms;
  for (;;) {
    DWORD now = GetTickCount();
    if (static_cast<LONG>(until - now) <= 0) return WaitForSingleObject(ev, 0) == WAIT_OBJECT_0;
    DWORD r = MsgWaitForMultipleObjects(1, &ev, FALSE, until - now, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return true;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
}
void PumpFor(DWORD ms) {
  HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  WaitPumping(never, ms);
  CloseHandle(never);
}

cef_string_t Str(const std::wstring& s) { return lzg::CefStringView(s); }

template <class T>
void Drop(T* p) {
  if (p) {
    auto* b = reinterpret_cast<cef_base_ref_counted_t*>(p);  // every counted struct starts with its base
    b->release(b);
  }
}

// ======================================================================================
// The client side used by the scenarios (runs in the scenario process).
// ======================================================================================

struct Observed {
  std::mutex mu;
  std::map<std::string, std::string> values;
  void Set(const std::string& k, const std::string& v) {
    std::lock_guard<std::mutex> l(mu);
    values[k] = v;
  }
  void Set(const std::string& k, long long v) { Set(k, std::to_string(v)); }
  void Write() {
    std::ofstream out(ToUtf8(testutil::GetEnv(L"STANDIN_TEST_OUT").value_or(L"")), std::ios::binary);
    std::lock_guard<std::mutex> l(mu);
    for (auto& kv : values) out << kv.first << "=" << kv.second << "\n";
  }
};
Observed g_seen;

struct Events {
  HANDLE context = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE created = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE load_end = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE do_close = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE before_close = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE popup = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE popup_created = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE key = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE terminated = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE cookie = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE popup_closed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE openurl = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE load_error = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE protocol = CreateEventW(nullptr, FALSE, FALSE, nullptr);
};
Events g_ev;
std::atomic<DWORD> g_ui_thread{0};
DWORD g_main_thread = GetCurrentThreadId();
std::atomic<int> g_load_ends{0};
std::atomic<int> g_load_errors{0};
std::atomic<int> g_protocols{0};
std::atomic<int> g_do_close_answer{1};
std::atomic<int> g_popup_answer{1};
std::atomic<int> g_pre_key_answer{0};
std::atomic<int> g_key_answer{0};
std::atomic<int> g_openurl_answer{0};
std::atomic<int> g_openurls{0};
cef_browser_t* g_browser = nullptr;  // the first browser, one reference, kept by the "client"
std::atomic<HWND> g_popup_hwnd{nullptr};
std::vector<std::string> g_keys;
std::mutex g_keys_mu;
// What the main thread is inside of when on_before_close comes: 0 nothing, 1 its
// DestroyWindow of the browser's parent, 2 cef_shutdown.
std::atomic<int> g_main_inside{0};
std::atomic<DWORD> g_before_close_tick{0};
std::vector<DWORD> g_launch_threads;  // threads of on_before_child_process_launch
std::mutex g_launch_mu;

void NoteThread(const char* what) {
  DWORD t = GetCurrentThreadId();
  g_seen.Set(std::string(what) + "_on_ui", t == g_ui_thread.load() ? 1 : 0);
}

class App;

class ProcessHandler : public lzg::CefObject<cef_browser_process_handler_t, ProcessHandler> {
  using Self = ProcessHandler;

 public:
  ProcessHandler() {
    LZG_BIND(on_context_initialized, OnContextInitialized);
    LZG_BIND(on_before_child_process_launch, OnBeforeChildProcessLaunch);
  }
  void OnContextInitialized() {
    g_ui_thread = GetCurrentThreadId();
    SetEvent(g_ev.context);
  }
  void OnBeforeChildProcessLaunch(cef_command_line_t* cmd) {
    {
      std::lock_guard<std::mutex> l(g_launch_mu);
      g_launch_threads.push_back(GetCurrentThreadId());
    }
    Drop(cmd);
  }
};

class App : public lzg::CefObject<cef_app_t, App> {
  using Self = App;

 public:
  App() : handler_(lzg::MakeRef<ProcessHandler>()) {
    LZG_BIND(on_before_command_line_processing, OnBeforeCommandLine);
    LZG_BIND(get_browser_process_handler, GetHandler);
  }
  void OnBeforeCommandLine(const cef_string_t* type, cef_command_line_t* cmd) {
    if (lzg::CefToWString(type).empty()) {
      std::wstring a = L"--enable-media-stream", b = L"--enable-speech-input", c = L"--site-per-process", one = L"1";
      cef_string_t sa = Str(a), sb = Str(b), sc = Str(c), s1 = Str(one);
      cmd->append_switch_with_value(cmd, &sa, &s1);
      cmd->append_switch_with_value(cmd, &sb, &s1);
      cmd->append_switch(cmd, &sc);
      g_seen.Set("cmd_has_site_per_process", cmd->has_switch(cmd, &sc));
      g_seen.Set("cmd_media_value", ToUtf8(lzg::CefTakeUserFree(cmd->get_switch_value(cmd, &sa))));
    }
    Drop(cmd);
  }
  cef_browser_process_handler_t* GetHandler() { return handler_->ToCef(); }

 private:
  lzg::Ref<ProcessHandler> handler_;
};

std::string FrameName(cef_frame_t* f) {
  std::wstring n = lzg::CefTakeUserFree(f->get_name(f));
  return n.empty() ? "main" : ToUtf8(n);
}

class LifeSpan : public lzg::CefObject<cef_life_span_handler_t, LifeSpan> {
  using Self = LifeSpan;

 public:
  LifeSpan() {
    LZG_BIND(on_before_popup, OnBeforePopup);
    LZG_BIND(on_after_created, OnAfterCreated);
    LZG_BIND(do_close, DoClose);
    LZG_BIND(on_before_close, OnBeforeClose);
  }
  int OnBeforePopup(cef_browser_t* browser, cef_frame_t* frame, const cef_string_t* url, const cef_string_t*,
                    cef_window_open_disposition_t disposition, int gesture, const cef_popup_features_t*,
                    cef_window_info_t* wi, cef_client_t** client, cef_browser_settings_t*, int*) {
    NoteThread("on_before_popup");
    g_seen.Set("popup_url", ToUtf8(lzg::CefToWString(url)));
    g_seen.Set("popup_disposition", static_cast<int>(disposition));
    g_seen.Set("popup_gesture", gesture);
    g_seen.Set("popup_client_offered", client && *client ? 1 : 0);
    g_seen.Set("popup_wi_parent_null", wi->parent_window == nullptr);
    std::wstring target = lzg::CefToWString(url);
    // The slot's reference is ours whatever we answer (unless the scenario plays a
    // host that keeps it, as if the engine took an unchanged client back).
    if (client && testutil::GetEnv(L"STANDIN_TEST_KEEP_POPUP_CLIENT") != L"1") Drop(*client);
    if (client && target.find(L"no-client") != std::wstring::npos) *client = nullptr;
    Drop(frame);
    Drop(browser);
    int answer = g_popup_answer;  // read before the test thread may change it
    SetEvent(g_ev.popup);
    return answer;
  }
  void OnAfterCreated(cef_browser_t* browser) {
    NoteThread("on_after_created");
    if (!g_browser) {
      g_browser = browser;  // keeps the reference
      UpdatePreferences(browser);
      SetEvent(g_ev.created);
    } else {
      g_seen.Set("popup_is_popup", browser->is_popup(browser));
      cef_browser_host_t* host = browser->get_host(browser);
      HWND h = host->get_window_handle(host);
      g_seen.Set("popup_top_level", h && GetAncestor(h, GA_ROOT) == h ? 1 : 0);
      g_popup_hwnd = h;
      Drop(host);
      Drop(browser);
      SetEvent(g_ev.popup_created);
    }
  }
  int DoClose(cef_browser_t* browser) {
    NoteThread("do_close");
    cef_browser_host_t* host = browser->get_host(browser);
    g_seen.Set("do_close_window_alive", IsWindow(host->get_window_handle(host)) ? 1 : 0);
    Drop(host);
    Drop(browser);
    int answer = g_do_close_answer;
    SetEvent(g_ev.do_close);
    return answer;
  }
  void OnBeforeClose(cef_browser_t* browser) {
    NoteThread("on_before_close");
    g_seen.Set("before_close_main_inside", g_main_inside.load());
    g_before_close_tick = GetTickCount();
    cef_browser_host_t* host = browser->get_host(browser);
    g_seen.Set("before_close_hwnd_gone", host->get_window_handle(host) == nullptr ? 1 : 0);
    Drop(host);
    if (g_browser && browser->is_same(browser, (g_browser->base.add_ref(&g_browser->base), g_browser))) {
      Drop(g_browser);
      g_browser = nullptr;
      SetEvent(g_ev.before_close);
    } else {
      SetEvent(g_ev.popup_closed);
    }
    Drop(browser);
  }

 private:
  // As the client does it: on the engine's UI thread, through the host's context.
  static void UpdatePreferences(cef_browser_t* browser) {
    cef_browser_host_t* host = browser->get_host(browser);
    cef_request_context_t* ctx = host->get_request_context(host);
    std::wstring proxy = L"proxy", mode = L"mode", direct = L"direct", dnt = L"enable_do_not_track",
                 bogus = L"no.such.preference";
    cef_string_t sp = Str(proxy), sm = Str(mode), sd = Str(direct), sdnt = Str(dnt), sb = Str(bogus);
    g_seen.Set("can_set_proxy", ctx->can_set_preference(ctx, &sp));
    cef_dictionary_value_t* dict = g_cef.cef_dictionary_value_create();
    dict->set_string(dict, &sm, &sd);
    cef_value_t* value = g_cef.cef_value_create();
    value->set_dictionary(value, dict);
    cef_string_t err{};
    g_seen.Set("set_proxy", ctx->set_preference(ctx, &sp, value, &err));
    g_cef.cef_string_utf16_clear(&err);
    cef_value_t* on = g_cef.cef_value_create();
    on->set_bool(on, 1);
    g_seen.Set("set_dnt", ctx->set_preference(ctx, &sdnt, on, &err));
    g_cef.cef_string_utf16_clear(&err);
    g_seen.Set("can_set_bogus", ctx->can_set_preference(ctx, &sb));
    cef_value_t* zero = g_cef.cef_value_create();
    zero->set_int(zero, 0);
    g_seen.Set("set_bogus", ctx->set_preference(ctx, &sb, zero, &err));
    g_seen.Set("set_bogus_error_empty", lzg::CefToWString(&err).empty() ? 1 : 0);
    g_cef.cef_string_utf16_clear(&err);
    std::wstring referrers = L"enable_referrers";
    cef_string_t sr = Str(referrers);
    cef_value_t* yes = g_cef.cef_value_create();
    yes->set_bool(yes, 1);
    g_seen.Set("set_referrers", ctx->set_preference(ctx, &sr, yes, &err));
    g_seen.Set("set_referrers_error", ToUtf8(lzg::CefToWString(&err)));
    g_cef.cef_string_utf16_clear(&err);
    Drop(ctx);
    Drop(host);
  }
};

class LoadHandler : public lzg::CefObject<cef_load_handler_t, LoadHandler> {
  using Self = LoadHandler;

 public:
  LoadHandler() {
    LZG_BIND(on_loading_state_change, OnLoadingStateChange);
    LZG_BIND(on_load_start, OnLoadStart);
    LZG_BIND(on_load_end, OnLoadEnd);
    LZG_BIND(on_load_error, OnLoadError);
  }
  void OnLoadingStateChange(cef_browser_t* browser, int, int, int) { Drop(browser); }
  void OnLoadStart(cef_browser_t* browser, cef_frame_t* frame, cef_transition_type_t) {
    Drop(frame);
    Drop(browser);
  }
  void OnLoadError(cef_browser_t* browser, cef_frame_t* frame, cef_errorcode_t error, const cef_string_t* text,
                   const cef_string_t* url) {
    // frame:error:text:url, and the frame's own address while it is reported.
    const std::string frame_url = ToUtf8(lzg::CefTakeUserFree(frame->get_url(frame)));
    g_seen.Set("load_error_" + std::to_string(++g_load_errors),
               FrameName(frame) + ":" + std::to_string(static_cast<int>(error)) + ":" +
                   ToUtf8(lzg::CefToWString(text)) + ":" + ToUtf8(lzg::CefToWString(url)) + ":" + frame_url);
    Drop(frame);
    Drop(browser);
    SetEvent(g_ev.load_error);
  }
  void OnLoadEnd(cef_browser_t* browser, cef_frame_t* frame, int status) {
    NoteThread("on_load_end");
    int n = ++g_load_ends;
    g_seen.Set("load_end_" + std::to_string(n), FrameName(frame) + ":" + std::to_string(status));
    Drop(frame);
    Drop(browser);
    SetEvent(g_ev.load_end);
  }
};

class KeyHandler : public lzg::CefObject<cef_keyboard_handler_t, KeyHandler> {
  using Self = KeyHandler;

 public:
  KeyHandler() {
    LZG_BIND(on_pre_key_event, OnPreKey);
    LZG_BIND(on_key_event, OnKey);
  }
  int OnPreKey(cef_browser_t* browser, const cef_key_event_t* ev, cef_event_handle_t os, int*) {
    Record("pre", ev, os);
    Drop(browser);
    int answer = g_pre_key_answer;
    if (answer) SetEvent(g_ev.key);
    return answer;
  }
  int OnKey(cef_browser_t* browser, const cef_key_event_t* ev, cef_event_handle_t os) {
    Record("post", ev, os);
    Drop(browser);
    int answer = g_key_answer;
    SetEvent(g_ev.key);
    return answer;
  }

 private:
  static void Record(const char* stage, const cef_key_event_t* ev, cef_event_handle_t os) {
    std::lock_guard<std::mutex> l(g_keys_mu);
    g_keys.push_back(std::string(stage) + ":" + std::to_string(ev->type) + ":" +
                     std::to_string(ev->windows_key_code) + ":" + std::to_string(os ? os->message : 0));
  }
};

// The engine's request callback as the client sees it.
struct RequestCallbackLayout {
  cef_base_ref_counted_t base;
  void(CEF_CALLBACK* cont)(cef_request_callback_t* self, int allow);
  void(CEF_CALLBACK* cancel)(cef_request_callback_t* self);
};

class RequestHandler : public lzg::CefObject<cef_request_handler_t, RequestHandler> {
  using Self = RequestHandler;

 public:
  RequestHandler() {
    LZG_BIND_OR(on_before_resource_load, OnBeforeResourceLoad, RV_CONTINUE);
    LZG_BIND_OR(can_get_cookies, CanGetCookies, 1);
    LZG_BIND(on_before_browse, OnBeforeBrowse);
    LZG_BIND(on_render_process_terminated, OnTerminated);
    LZG_BIND(on_open_urlfrom_tab, OnOpenUrlFromTab);
    LZG_BIND(on_protocol_execution, OnProtocolExecution);
  }
  void OnProtocolExecution(cef_browser_t* browser, const cef_string_t* url, int* allow) {
    NoteThread("on_protocol_execution");
    g_seen.Set("protocol_" + std::to_string(++g_protocols), ToUtf8(lzg::CefToWString(url)));
    *allow = 1;  // the stand-in must start nothing all the same
    Drop(browser);
    SetEvent(g_ev.protocol);
  }
  int OnOpenUrlFromTab(cef_browser_t* browser, cef_frame_t* frame, const cef_string_t* url,
                       cef_window_open_disposition_t disposition, int gesture) {
    NoteThread("on_open_urlfrom_tab");
    const bool own = g_browser && browser->get_identifier(browser) == g_browser->get_identifier(g_browser);
    const bool main = frame && frame->is_main(frame);
    g_seen.Set("openurl_" + std::to_string(++g_openurls),
               ToUtf8(lzg::CefToWString(url)) + "|" + std::to_string(static_cast<int>(disposition)) + "|" +
                   std::to_string(gesture) + "|" + std::to_string(own) + std::to_string(main));
    Drop(frame);
    Drop(browser);
    int answer = g_openurl_answer;
    SetEvent(g_ev.openurl);
    return answer;
  }
  int OnBeforeBrowse(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request, int, int) {
    std::wstring url = lzg::CefTakeUserFree(request->get_url(request));
    Drop(request);
    Drop(frame);
    Drop(browser);
    return url.find(L"blocked") != std::wstring::npos ? 1 : 0;
  }
  cef_return_value_t OnBeforeResourceLoad(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request,
                                          cef_request_callback_t* callback) {
    DWORD t = GetCurrentThreadId();
    if (t == g_ui_thread.load() || t == g_main_thread) g_seen.Set("resource_load_on_io", 0);
    else if (!g_seen.values.count("resource_load_on_io")) g_seen.Set("resource_load_on_io", 1);
    std::wstring url = lzg::CefTakeUserFree(request->get_url(request));
    Drop(request);
    Drop(frame);
    Drop(browser);
    if (url.find(L"resource-cancel") != std::wstring::npos) {
      Drop(callback);
      return RV_CANCEL;
    }
    if (url.find(L"async") != std::wstring::npos) {
      // Answer later, from a thread of our own.
      std::thread([callback] {
        Sleep(100);
        auto* cb = reinterpret_cast<RequestCallbackLayout*>(callback);
        cb->cont(callback, 1);
        cb->base.release(&cb->base);
      }).detach();
      return RV_CONTINUE_ASYNC;
    }
    Drop(callback);
    return RV_CONTINUE;
  }
  int CanGetCookies(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request) {
    Drop(request);
    Drop(frame);
    Drop(browser);
    return 1;
  }
  void OnTerminated(cef_browser_t* browser, cef_termination_status_t status) {
    NoteThread("on_render_process_terminated");
    g_seen.Set("terminated_status", static_cast<int>(status));
    Drop(browser);
    SetEvent(g_ev.terminated);
  }
};

class Client : public lzg::CefObject<cef_client_t, Client> {
  using Self = Client;

 public:
  Client()
      : life_(lzg::MakeRef<LifeSpan>()),
        load_(lzg::MakeRef<LoadHandler>()),
        keys_(lzg::MakeRef<KeyHandler>()),
        requests_(lzg::MakeRef<RequestHandler>()) {
    LZG_BIND(get_life_span_handler, GetLifeSpan);
    LZG_BIND(get_load_handler, GetLoad);
    LZG_BIND(get_keyboard_handler, GetKeys);
    LZG_BIND(get_request_handler, GetRequests);
  }
  cef_life_span_handler_t* GetLifeSpan() { return life_->ToCef(); }
  cef_load_handler_t* GetLoad() { return load_->ToCef(); }
  cef_keyboard_handler_t* GetKeys() { return keys_->ToCef(); }
  cef_request_handler_t* GetRequests() { return requests_->ToCef(); }

 private:
  lzg::Ref<LifeSpan> life_;
  lzg::Ref<LoadHandler> load_;
  lzg::Ref<KeyHandler> keys_;
  lzg::Ref<RequestHandler> requests_;
};

class CookieDone : public lzg::CefObject<cef_completion_callback_t, CookieDone> {
  using Self = CookieDone;

 public:
  CookieDone() { LZG_BIND(on_complete, OnComplete); }
  ~CookieDone() { g_seen.Set("cookie_callback_freed_on_main", GetCurrentThreadId() == main_thread ? 1 : 0); }
  void OnComplete() {
    g_seen.Set("cookie_ready_on_main", GetCurrentThreadId() == main_thread ? 1 : 0);
    SetEvent(g_ev.cookie);
  }
  DWORD main_thread = GetCurrentThreadId();
};

HWND MakeParentWindow() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"StandinTestParent";
  RegisterClassW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, L"standin test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500, 400,
                         nullptr, nullptr, wc.hInstance, nullptr);
}

cef_settings_t MakeSettings(const std::wstring& cef_dir, const std::wstring& cache) {
  static std::wstring locale = L"zh-CN", empty;
  static std::wstring dir, cache_path;
  dir = cef_dir;
  cache_path = cache;
  cef_settings_t s{};
  s.size = sizeof s;
  s.no_sandbox = 1;
  s.browser_subprocess_path = Str(empty);
  s.framework_dir_path = Str(dir);
  s.multi_threaded_message_loop = 1;
  s.cache_path = Str(cache_path);
  s.locale = Str(locale);
  s.log_severity = LOGSEVERITY_DISABLE;
  s.accept_language_list = Str(locale);
  return s;
}

bool StartEngine(lzg::Ref<App>& app) {
  cef_main_args_t args{GetModuleHandleW(nullptr)};
  g_seen.Set("execute_process", g_cef.cef_execute_process(&args, app->ToCef(), nullptr));
  cef_settings_t s = MakeSettings(testutil::SelfDir() + L"cef", L"C:\\standin cache=1");
  int r = g_cef.cef_initialize(&args, &s, app->ToCef(), nullptr);
  g_seen.Set("initialize", r);
  return r == 1;
}

HWND BrowserWindow() {
  cef_browser_host_t* host = g_browser->get_host(g_browser);
  HWND h = host->get_window_handle(host);
  Drop(host);
  return h;
}

void SendPageCommand(HWND h, const std::wstring& text) {
  COPYDATASTRUCT cds{0x53544E44, static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                     const_cast<wchar_t*>(text.c_str())};
  SendMessageW(h, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
}

// A small visible child browser window under `parent`.
cef_window_info_t SmallChildInfo(HWND parent) {
  cef_window_info_t wi{};
  wi.style = WS_CHILD | WS_VISIBLE;
  wi.width = 100;
  wi.height = 100;
  wi.parent_window = parent;
  return wi;
}

// Creates the first browser in a window of ours and waits for its first page.
HWND CreateFirstBrowser(lzg::Ref<Client>& client) {
  HWND parent = MakeParentWindow();
  g_seen.Set("main_thread", static_cast<long long>(GetCurrentThreadId()));
  cef_window_info_t wi{};
  wi.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP;
  wi.width = 300;
  wi.height = 200;
  wi.parent_window = parent;
  cef_browser_settings_t bs{};
  bs.size = sizeof bs;
  std::wstring blank = L"about:blank";
  cef_string_t url = Str(blank);
  g_seen.Set("create", g_cef.cef_browser_host_create_browser(&wi, client->ToCef(), &url, &bs, nullptr));
  g_seen.Set("created", WaitPumping(g_ev.created, 10000));
  g_seen.Set("first_load_end", WaitPumping(g_ev.load_end, 10000));
  return parent;
}

// Drops the client's last references and shuts the engine down.
void Finish(lzg::Ref<App>& app, lzg::Ref<Client>& client) {
  if (g_browser) {
    Drop(g_browser);
    g_browser = nullptr;
  }
  client.reset();
  app.reset();
  g_main_inside = 2;
  g_cef.cef_shutdown();
  g_main_inside = 0;
  g_seen.Set("client_live", lzg::LiveBridgedObjects());
  auto live = reinterpret_cast<int (*)()>(GetProcAddress(GetModuleHandleW(L"libcef.dll"), "standin_live_objects"));
  g_seen.Set("engine_live", live ? live() : -1);
}

int ScenarioHost() {
  auto app = lzg::MakeRef<App>();
  auto client = lzg::MakeRef<Client>();
  if (!StartEngine(app)) return 2;
  g_seen.Set("context", WaitPumping(g_ev.context, 10000));
  g_seen.Set("context_off_main", g_ui_thread.load() != GetCurrentThreadId());
  HWND parent = CreateFirstBrowser(client);
  if (!g_browser) return 3;
  HWND bw = BrowserWindow();
  g_seen.Set("first_child", GetWindow(parent, GW_CHILD) == bw ? 1 : 0);
  RECT rc{};
  GetClientRect(bw, &rc);
  g_seen.Set("browser_size", std::to_string(rc.right) + "x" + std::to_string(rc.bottom));
  g_seen.Set("browser_id", g_browser->get_identifier(g_browser));
  {
    // Every hand-over is a wrapper of its own: compare by identifier, never by pointer.
    cef_browser_host_t* h = g_browser->get_host(g_browser);
    cef_browser_t* a = h->get_browser(h);
    cef_browser_t* b = h->get_browser(h);
    cef_frame_t* f1 = g_browser->get_main_frame(g_browser);
    cef_frame_t* f2 = g_browser->get_main_frame(g_browser);
    g_seen.Set("wrappers_distinct", a != b && a != g_browser && b != g_browser && f1 != f2 ? 1 : 0);
    g_seen.Set("wrappers_same_browser",
               a->get_identifier(a) == g_browser->get_identifier(g_browser) &&
                       a->is_same(a, (b->base.add_ref(&b->base), b)) && f1->get_identifier(f1) == f2->get_identifier(f2)
                   ? 1
                   : 0);
    auto live = reinterpret_cast<int (*)()>(GetProcAddress(GetModuleHandleW(L"libcef.dll"), "standin_live_objects"));
    const int with = live();
    for (void* p : std::initializer_list<void*>{a, b, f1, f2, h}) Drop(static_cast<cef_base_ref_counted_t*>(p));
    g_seen.Set("wrappers_counted", with - live());
  }

  // From the main thread, as the client does it.
  cef_frame_t* main = g_browser->get_main_frame(g_browser);
  std::wstring page = L"http://standin.test/game?standin-frames=2&standin-status=404";
  cef_string_t sp = Str(page);
  main->load_url(main, &sp);
  Drop(main);
  for (int i = 0; i < 3; ++i) WaitPumping(g_ev.load_end, 5000);
  std::wstring f2 = L"f2", f9 = L"f9";
  cef_string_t s2 = Str(f2), s9 = Str(f9);
  cef_frame_t* frame2 = g_browser->get_frame(g_browser, &s2);
  g_seen.Set("frame_f2", frame2 ? FrameName(frame2) : "none");
  Drop(frame2);
  g_seen.Set("frame_f9_missing", g_browser->get_frame(g_browser, &s9) == nullptr ? 1 : 0);
  std::wstring blocked = L"http://standin.test/blocked";
  cef_string_t sb = Str(blocked);
  main = g_browser->get_main_frame(g_browser);
  main->load_url(main, &sb);
  Drop(main);
  PumpFor(300);
  g_seen.Set("load_ends_after_blocked", g_load_ends.load());
  for (const wchar_t* page : {L"http://standin.test/resource-cancel", L"http://standin.test/async"}) {
    std::wstring p = page;
    cef_string_t sp2 = Str(p);
    main = g_browser->get_main_frame(g_browser);
    main->load_url(main, &sp2);
    Drop(main);
  }
  WaitPumping(g_ev.load_end, 5000);
  g_seen.Set("load_end_after_async", g_load_ends.load());

  cef_browser_host_t* host = g_browser->get_host(g_browser);
  host->set_focus(host, 1);
  host->notify_move_or_resize_started(host);
  Drop(host);
  g_cef.cef_set_osmodal_loop(1);
  g_cef.cef_set_osmodal_loop(0);

  // The page closes itself; the client delays, then destroys the parent window.
  g_do_close_answer = 1;
  SendPageCommand(bw, L"close");
  g_seen.Set("do_close", WaitPumping(g_ev.do_close, 5000));
  PumpFor(200);
  g_seen.Set("alive_after_delay", IsWindow(bw) ? 1 : 0);
  g_seen.Set("before_close_early", WaitForSingleObject(g_ev.before_close, 0) == WAIT_OBJECT_0 ? 1 : 0);
  DWORD t0 = GetTickCount();
  g_main_inside = 1;
  DestroyWindow(parent);
  g_main_inside = 0;
  g_seen.Set("destroy_ms", GetTickCount() - t0);
  g_seen.Set("before_close", WaitPumping(g_ev.before_close, 5000));
  Finish(app, client);
  return 0;
}

std::string TakeKeys() {
  std::lock_guard<std::mutex> l(g_keys_mu);
  std::string out;
  for (auto& k : g_keys) out += (out.empty() ? "" : ",") + k;
  g_keys.clear();
  return out;
}

// Popups, keys, cookies and the do_close 0 path, on one engine.
int ScenarioInteract() {
  auto app = lzg::MakeRef<App>();
  auto client = lzg::MakeRef<Client>();
  if (!StartEngine(app)) return 2;
  WaitPumping(g_ev.context, 10000);
  HWND parent = CreateFirstBrowser(client);
  if (!g_browser) return 3;
  HWND bw = BrowserWindow();

  auto done = lzg::MakeRef<CookieDone>();
  cef_cookie_manager_t* cookies = g_cef.cef_cookie_manager_get_global_manager(done->ToCef());
  g_seen.Set("cookie_manager", cookies ? 1 : 0);
  g_seen.Set("cookie_ready", WaitPumping(g_ev.cookie, 3000));
  std::wstring dir = L"C:\\cookies dir";
  cef_string_t sdir = Str(dir);
  if (cookies) g_seen.Set("cookie_path_set", cookies->set_storage_path(cookies, &sdir, 0, nullptr));
  Drop(cookies);
  done.reset();

  // Keys: handler first, then the page, then the handler again. (F5 makes no
  // character, so the engine's TranslateMessage adds no WM_CHAR.)
  PostMessageW(bw, WM_KEYDOWN, VK_F5, 0x003F0001);
  WaitPumping(g_ev.key, 3000);
  PostMessageW(bw, WM_CHAR, 'a', 0x001E0001);
  WaitPumping(g_ev.key, 3000);
  g_seen.Set("keys_plain", TakeKeys());
  g_pre_key_answer = 1;
  PostMessageW(bw, WM_KEYUP, VK_RETURN, 0xC01C0001);
  WaitPumping(g_ev.key, 3000);
  PumpFor(100);
  g_seen.Set("keys_pre_handled", TakeKeys());
  g_pre_key_answer = 0;
  SendPageCommand(bw, L"navigate http://standin.test/eat?standin-eats-keys=1");
  WaitPumping(g_ev.load_end, 3000);
  PostMessageW(bw, WM_KEYDOWN, VK_F5, 0x003F0001);
  PumpFor(300);
  g_seen.Set("keys_page_eats", TakeKeys());

  // The page's own link, clicked.
  g_popup_answer = 1;
  PumpFor(200);  // painted by now
  PostMessageW(bw, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(14, 46));
  PostMessageW(bw, WM_LBUTTONUP, 0, MAKELPARAM(14, 46));
  g_seen.Set("link_popup", WaitPumping(g_ev.popup, 3000));
  ResetEvent(g_ev.popup);
  // A popup allowed without a client: created, but nobody hears of it.
  g_popup_answer = 0;
  SendPageCommand(bw, L"popup 4 1 http://standin.test/no-client");
  WaitPumping(g_ev.popup, 3000);
  ResetEvent(g_ev.popup);
  PumpFor(300);
  // Popups: refused, then allowed as a top-level browser of its own.
  g_popup_answer = 1;
  SendPageCommand(bw, L"popup 3 1 http://standin.test/new tab");
  WaitPumping(g_ev.popup, 3000);
  ResetEvent(g_ev.popup);
  g_popup_answer = 0;
  SendPageCommand(bw, L"popup 5 0 ");
  g_seen.Set("popup_created", WaitPumping(g_ev.popup_created, 5000));
  // The popup closes itself: do_close 0 makes the engine close its window.
  g_do_close_answer = 0;
  if (HWND ph = g_popup_hwnd.load()) SendPageCommand(ph, L"close");
  g_seen.Set("popup_closed", WaitPumping(g_ev.popup_closed, 5000));
  // on_before_close comes while the window is being destroyed: it is gone right after.
  PumpFor(300);
  g_seen.Set("popup_window_gone", IsWindow(g_popup_hwnd.load()) ? 0 : 1);
  // The first browser too: WM_CLOSE reaches our top-level window, which closes.
  SendPageCommand(bw, L"close");
  g_seen.Set("before_close", WaitPumping(g_ev.before_close, 5000));
  g_seen.Set("parent_gone", IsWindow(parent) ? 0 : 1);
  Finish(app, client);
  return 0;
}

// Modified clicks on links: the request handler decides between loading in place and dropping the click.
int ScenarioOpenUrl() {
  auto app = lzg::MakeRef<App>();
  auto client = lzg::MakeRef<Client>();
  if (!StartEngine(app)) return 2;
  WaitPumping(g_ev.context, 10000);
  HWND parent = CreateFirstBrowser(client);
  if (!g_browser) return 3;
  HWND bw = BrowserWindow();
  // Answered 0: the address loads in place.
  g_openurl_answer = 0;
  SendPageCommand(bw, L"openurl 4 1 http://standin.test/in place?a=1 b");
  g_seen.Set("asked_in_place", WaitPumping(g_ev.openurl, 3000));
  g_seen.Set("loaded_in_place", WaitPumping(g_ev.load_end, 3000));
  // Answered 1: nothing loads.
  g_openurl_answer = 1;
  SendPageCommand(bw, L"openurl 6 0 http://standin.test/dropped");
  g_seen.Set("asked_dropped", WaitPumping(g_ev.openurl, 3000));
  g_seen.Set("loaded_dropped", WaitPumping(g_ev.load_end, 500));
  // The page's third link: with Ctrl a background tab is asked for, without it the link loads in place.
  PumpFor(200);  // painted by now
  PostMessageW(bw, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(14, 106));
  PostMessageW(bw, WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(14, 106));
  g_seen.Set("asked_ctrl_click", WaitPumping(g_ev.openurl, 3000));
  g_seen.Set("loaded_ctrl_click", WaitPumping(g_ev.load_end, 500));
  PostMessageW(bw, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(14, 106));
  PostMessageW(bw, WM_LBUTTONUP, 0, MAKELPARAM(14, 106));
  g_seen.Set("loaded_plain_click", WaitPumping(g_ev.load_end, 3000));
  g_seen.Set("asked_plain_click", WaitPumping(g_ev.openurl, 300));
  SendPageCommand(bw, L"openurl four 1 http://standin.test/x");
  PumpFor(200);
  g_do_close_answer = 1;
  DestroyWindow(parent);
  g_seen.Set("before_close", WaitPumping(g_ev.before_close, 5000));
  Finish(app, client);
  return 0;
}

// Loads that fail as Chromium fails them: before commit (the error document commits after the error), after
// commit (the load end carries the error as its status), a link to another program in the main frame and in a
// sub-frame, a script address, and a navigation the client cancels.
int ScenarioFailures() {
  auto app = lzg::MakeRef<App>();
  auto client = lzg::MakeRef<Client>();
  if (!StartEngine(app)) return 2;
  WaitPumping(g_ev.context, 10000);
  HWND parent = CreateFirstBrowser(client);
  if (!g_browser) return 3;
  HWND bw = BrowserWindow();
  WaitPumping(g_ev.load_end, 3000);  // about:blank
  auto load = [](const std::wstring& url) {
    cef_frame_t* main = g_browser->get_main_frame(g_browser);
    cef_string_t s = Str(url);
    main->load_url(main, &s);
    Drop(main);
  };
  load(L"http://down.example/?standin-neterror=-105");
  g_seen.Set("before_commit_error", WaitPumping(g_ev.load_error, 3000));
  g_seen.Set("before_commit_end", WaitPumping(g_ev.load_end, 3000));
  load(L"http://broken.example/?standin-neterror-after-commit=-324");
  g_seen.Set("after_commit_error", WaitPumping(g_ev.load_error, 3000));
  g_seen.Set("after_commit_end", WaitPumping(g_ev.load_end, 3000));
  load(L"http://standin.test/game?standin-frames=1");
  WaitPumping(g_ev.load_end, 3000);
  WaitPumping(g_ev.load_end, 3000);
  const int ends = g_load_ends.load();
  SendPageCommand(bw, L"navigate tencent://message/?uin=1");
  g_seen.Set("main_protocol_asked", WaitPumping(g_ev.protocol, 3000));
  g_seen.Set("main_protocol_error", WaitPumping(g_ev.load_error, 3000));
  g_seen.Set("main_protocol_end", WaitPumping(g_ev.load_end, 3000));
  load(L"http://standin.test/game?standin-frames=1");
  WaitPumping(g_ev.load_end, 3000);
  WaitPumping(g_ev.load_end, 3000);
  SendPageCommand(bw, L"navigateframe f1 mailto:kf@example.com");
  g_seen.Set("sub_protocol_asked", WaitPumping(g_ev.protocol, 3000));
  g_seen.Set("sub_protocol_error", WaitPumping(g_ev.load_error, 3000));
  g_seen.Set("sub_protocol_end", WaitPumping(g_ev.load_end, 3000));
  const int before_script = g_load_ends.load() + g_load_errors.load();
  load(L"javascript:void(0)");
  PumpFor(500);
  g_seen.Set("script_callbacks", g_load_ends.load() + g_load_errors.load() - before_script);
  load(L"http://standin.test/blocked");
  g_seen.Set("blocked_error", WaitPumping(g_ev.load_error, 3000));
  g_seen.Set("blocked_end", WaitPumping(g_ev.load_end, 500));
  g_seen.Set("load_ends_since_game", g_load_ends.load() - ends);
  SendPageCommand(bw, L"navigateframe f9 http://x/");
  PumpFor(200);
  g_do_close_answer = 1;
  DestroyWindow(parent);
  g_seen.Set("before_close", WaitPumping(g_ev.before_close, 5000));
  Finish(app, client);
  return 0;
}

// The engine refusing: bad settings, a second initialise, a refused browser, a late
// context and a cookie store that never gets ready.
int ScenarioRefusals() {
  auto app = lzg::MakeRef<App>();
  auto client = lzg::MakeRef<Client>();
  cef_main_args_t args{GetModuleHandleW(nullptr)};
  cef_settings_t bad = MakeSettings(testutil::SelfDir() + L"cef", L"");
  bad.size = 200;
  g_seen.Set("init_bad_size", g_cef.cef_initialize(&args, &bad, app->ToCef(), nullptr));
  g_seen.Set("app_released_after_refusal", app->HasOneRef() ? 1 : 0);
  DWORD t0 = GetTickCount();
  if (!StartEngine(app)) return 2;
  cef_settings_t again = MakeSettings(testutil::SelfDir() + L"cef", L"");
  g_seen.Set("init_again", g_cef.cef_initialize(&args, &again, app->ToCef(), nullptr));
  g_seen.Set("context", WaitPumping(g_ev.context, 10000));
  g_seen.Set("context_ms", GetTickCount() - t0);
  auto done = lzg::MakeRef<CookieDone>();
  cef_cookie_manager_t* cookies = g_cef.cef_cookie_manager_get_global_manager(done->ToCef());
  g_seen.Set("cookie_ready", WaitPumping(g_ev.cookie, 500));
  // The engine holds the callback unused until it shuts down.
  g_seen.Set("cookie_callback_held", done->HasOneRef() ? 0 : 1);
  Drop(cookies);
  done.reset();
  HWND parent = MakeParentWindow();
  cef_window_info_t wi = SmallChildInfo(parent);
  std::wstring blank = L"about:blank";
  cef_string_t url = Str(blank);
  cef_browser_settings_t bs{};
  bs.size = sizeof bs;
  g_seen.Set("create", g_cef.cef_browser_host_create_browser(&wi, client->ToCef(), &url, &bs, nullptr));
  PumpFor(300);
  g_seen.Set("client_released_after_refusal", client->HasOneRef() ? 1 : 0);
  g_seen.Set("parent_children", GetWindow(parent, GW_CHILD) ? 1 : 0);
  DestroyWindow(parent);
  client.reset();
  app.reset();
  // The engine must be shut down on the thread that initialised it.
  std::thread([] { g_cef.cef_shutdown(); }).join();
  g_seen.Set("client_live", lzg::LiveBridgedObjects());
  auto live = reinterpret_cast<int (*)()>(GetProcAddress(GetModuleHandleW(L"libcef.dll"), "standin_live_objects"));
  g_seen.Set("engine_live", live ? live() : -1);
  return 0;
}

// A renderer that crashes, a managed preference, and a shutdown with the browser still open.
int ScenarioCrash() {
  auto app = lzg::MakeRef<App>();
  auto client = lzg::MakeRef<Client>();
  if (!StartEngine(app)) return 2;
  WaitPumping(g_ev.context, 10000);
  HWND parent = CreateFirstBrowser(client);
  if (!g_browser) return 3;
  g_seen.Set("terminated", WaitPumping(g_ev.terminated, 10000));
  Finish(app, client);
  DestroyWindow(parent);
  return 0;
}

// cef_initialize fails; the host still shuts down.
int ScenarioInitFail() {
  auto app = lzg::MakeRef<App>();
  cef_main_args_t args{GetModuleHandleW(nullptr)};
  cef_settings_t s = MakeSettings(testutil::SelfDir() + L"cef", L"");
  g_seen.Set("initialize", g_cef.cef_initialize(&args, &s, app->ToCef(), nullptr));
  app.reset();
  g_cef.cef_shutdown();
  g_seen.Set("client_live", lzg::LiveBridgedObjects());
  return 0;
}

// A page with a beforeunload handler closes itself: on_before_close comes after
// the parent's end, by the engine's round trip, with the main thread free.
int ScenarioUnload() {
  auto app = lzg::MakeRef<App>();
  auto client = lzg::MakeRef<Client>();
  if (!StartEngine(app)) return 2;
  WaitPumping(g_ev.context, 10000);
  HWND parent = CreateFirstBrowser(client);
  if (!g_browser) return 3;
  HWND bw = BrowserWindow();
  SendPageCommand(bw, L"navigate http://standin.test/unload?standin-beforeunload=800");
  WaitPumping(g_ev.load_end, 5000);
  g_do_close_answer = 1;
  SendPageCommand(bw, L"close");
  g_seen.Set("do_close", WaitPumping(g_ev.do_close, 5000));
  g_main_inside = 1;
  DestroyWindow(parent);
  g_main_inside = 0;
  const DWORD destroyed = GetTickCount();
  g_seen.Set("before_close_at_destroy", WaitForSingleObject(g_ev.before_close, 0) == WAIT_OBJECT_0 ? 1 : 0);
  g_seen.Set("before_close", WaitPumping(g_ev.before_close, 5000));
  g_seen.Set("before_close_after_ms", static_cast<long long>(g_before_close_tick.load() - destroyed));
  Finish(app, client);
  return 0;
}

// A host that keeps calling through a browser pointer it has released.
int ScenarioStale() {
  auto app = lzg::MakeRef<App>();
  auto client = lzg::MakeRef<Client>();
  if (!StartEngine(app)) return 2;
  WaitPumping(g_ev.context, 10000);
  CreateFirstBrowser(client);
  if (!g_browser) return 3;
  cef_browser_host_t* host = g_browser->get_host(g_browser);
  cef_browser_t* again = host->get_browser(host);
  Drop(host);
  g_seen.Set("stale_id_before", again->get_identifier(again));
  Drop(again);
  g_seen.Set("rc", 0);
  g_seen.Write();
  // The engine's wrapper is gone; this call must not pass unnoticed.
  g_seen.Set("stale_id_after", again->get_identifier(again));
  g_seen.Write();
  return 0;
}

// A task for the engine's threads: cef_task_t is the counted base and execute().
struct TaskLayout {
  cef_base_ref_counted_t base;
  void(CEF_CALLBACK* execute)(TaskLayout* self);
};

// Sends a message to a window of the main thread from whatever engine thread runs it.
class SendingTask : public lzg::CefObject<TaskLayout, SendingTask> {
  using Self = SendingTask;

 public:
  explicit SendingTask(HWND target) : target_(target) { LZG_BIND(execute, Execute); }
  void Execute() { SendMessageW(target_, WM_NULL, 0, 0); }
  cef_task_t* Give() { return reinterpret_cast<cef_task_t*>(ToCef()); }

 private:
  HWND target_;
};

// A host that breaks the engine's rules where the real engine refuses or hangs: a second
// initialise, browser settings of the wrong size, preference and close calls off the UI
// thread, sub-processes on demand and across sites, a late cookie store, and a shutdown while
// the UI thread waits for the caller.
int ScenarioThreads() {
  auto app = lzg::MakeRef<App>();
  auto client = lzg::MakeRef<Client>();
  if (!StartEngine(app)) return 2;
  cef_main_args_t args{GetModuleHandleW(nullptr)};
  cef_settings_t again = MakeSettings(testutil::SelfDir() + L"cef", L"");
  g_seen.Set("init_again", g_cef.cef_initialize(&args, &again, app->ToCef(), nullptr));
  g_seen.Set("context", WaitPumping(g_ev.context, 10000));

  // STANDIN_COOKIE_DELAY_MS: the completion callback comes that much later.
  auto done = lzg::MakeRef<CookieDone>();
  DWORD t0 = GetTickCount();
  cef_cookie_manager_t* cookies = g_cef.cef_cookie_manager_get_global_manager(done->ToCef());
  g_seen.Set("cookie_ready", WaitPumping(g_ev.cookie, 10000));
  g_seen.Set("cookie_ms", GetTickCount() - t0);
  Drop(cookies);
  done.reset();

  // Browser settings missing or of another size: refused, the client released.
  HWND refused_parent = MakeParentWindow();
  cef_window_info_t wi = SmallChildInfo(refused_parent);
  std::wstring blank = L"about:blank";
  cef_string_t url = Str(blank);
  g_seen.Set("create_no_settings", g_cef.cef_browser_host_create_browser(&wi, client->ToCef(), &url, nullptr, nullptr));
  cef_browser_settings_t small{};
  small.size = 188;
  g_seen.Set("create_small_settings",
             g_cef.cef_browser_host_create_browser(&wi, client->ToCef(), &url, &small, nullptr));
  cef_browser_t* sync = g_cef.cef_browser_host_create_browser_sync(&wi, client->ToCef(), &url, nullptr, nullptr);
  g_seen.Set("create_sync_no_settings", sync ? 1 : 0);
  Drop(sync);
  PumpFor(200);
  g_seen.Set("refused_children", GetWindow(refused_parent, GW_CHILD) ? 1 : 0);
  g_seen.Set("client_released_after_refusals", client->HasOneRef() ? 1 : 0);
  DestroyWindow(refused_parent);

  HWND parent = CreateFirstBrowser(client);
  if (!g_browser) return 3;

  // Off the UI thread the engine answers 0 to preferences and to try_close_browser.
  cef_browser_host_t* host = g_browser->get_host(g_browser);
  cef_request_context_t* ctx = host->get_request_context(host);
  std::wstring dnt = L"enable_do_not_track";
  cef_string_t sd = Str(dnt);
  g_seen.Set("off_ui_can_set", ctx->can_set_preference(ctx, &sd));
  g_seen.Set("off_ui_has", ctx->has_preference(ctx, &sd));
  cef_value_t* got = ctx->get_preference(ctx, &sd);
  g_seen.Set("off_ui_get", got ? 1 : 0);
  Drop(got);
  cef_dictionary_value_t* all = ctx->get_all_preferences(ctx, 1);
  g_seen.Set("off_ui_get_all", all ? 1 : 0);
  Drop(all);
  cef_value_t* v = g_cef.cef_value_create();
  v->set_bool(v, 0);
  g_seen.Set("off_ui_set", ctx->set_preference(ctx, &sd, v, nullptr));
  g_seen.Set("off_ui_try_close", host->try_close_browser(host));
  Drop(ctx);
  Drop(host);

  // Sub-processes on demand, and a renderer per site the main frame goes to.
  HWND bw = BrowserWindow();
  SendPageCommand(bw, L"spawn utility");
  SendPageCommand(bw, L"spawn renderer");
  SendPageCommand(bw, L"spawn gpu-process");
  SendPageCommand(bw, L"spawn zygote");
  PumpFor(300);
  for (const wchar_t* page : {L"http://standin.test/same-site", L"https://other.test:8443/a", L"https://other.test/b",
                              L"data:text/html,<p>no%20site</p>", L"https://OTHER.test/c"}) {
    std::wstring p = page;
    cef_string_t sp = Str(p);
    cef_frame_t* main = g_browser->get_main_frame(g_browser);
    main->load_url(main, &sp);
    Drop(main);
    WaitPumping(g_ev.load_end, 5000);
  }
  PumpFor(1500);  // the launcher thread starts the processes

  DestroyWindow(parent);
  g_seen.Set("before_close", WaitPumping(g_ev.before_close, 10000));
  {
    std::lock_guard<std::mutex> l(g_launch_mu);
    int on_ui = 0, elsewhere = 0;
    for (DWORD t : g_launch_threads) (t == g_ui_thread.load() || t == g_main_thread ? on_ui : elsewhere)++;
    g_seen.Set("child_launch_on_ui_or_main", on_ui);
    g_seen.Set("child_launch_elsewhere", elsewhere);
  }

  // The UI thread waits for this thread, which waits in cef_shutdown without answering: the
  // real engine hangs here for good.
  HWND target = MakeParentWindow();
  auto task = lzg::MakeRef<SendingTask>(target);
  g_seen.Set("task_posted", g_cef.cef_post_task(TID_UI, task->Give()));
  task.reset();
  t0 = GetTickCount();
  Finish(app, client);
  g_seen.Set("shutdown_ms", GetTickCount() - t0);
  DestroyWindow(target);
  return 0;
}

// The engine's sub-processes (this executable, started by this process) that still run, and this process's
// threads, as the system lists them. (Wine's desktop process is a child of the first process with a window.)
int RunningChildren() {
  int n = 0;
  const std::wstring self = testutil::SelfPath(), name = self.substr(self.find_last_of(L"\\/") + 1);
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof pe;
  for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe))
    n += pe.th32ParentProcessID == GetCurrentProcessId() && _wcsicmp(pe.szExeFile, name.c_str()) == 0;
  CloseHandle(snap);
  return n;
}

int OwnThreads() {
  int n = 0;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 te{};
  te.dwSize = sizeof te;
  for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
    n += te.th32OwnerProcessID == GetCurrentProcessId();
  CloseHandle(snap);
  return n;
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  for (DWORD t0 = GetTickCount(); !done();) {
    if (GetTickCount() - t0 > ms) return false;
    PumpFor(50);
  }
  return true;
}

// Sub-processes as long as their work lasts: a utility's job, the GPU process until the next, a renderer while
// its site is shown, a crashed renderer reported once. Many sites later the process is back to its level.
int ScenarioLifetimes() {
  auto app = lzg::MakeRef<App>();
  auto client = lzg::MakeRef<Client>();
  if (!StartEngine(app)) return 2;
  WaitPumping(g_ev.context, 10000);
  HWND parent = CreateFirstBrowser(client);
  if (!g_browser) return 3;
  HWND bw = BrowserWindow();
  auto load = [](const std::wstring& page) {
    cef_string_t sp = Str(page);
    cef_frame_t* main = g_browser->get_main_frame(g_browser);
    main->load_url(main, &sp);
    Drop(main);
    return WaitPumping(g_ev.load_end, 5000);
  };
  // The GPU process and the first browser's renderer.
  PumpUntil([] { return RunningChildren() == 2; }, 5000);
  const int threads = OwnThreads();
  g_seen.Set("children_at_start", RunningChildren());

  SendPageCommand(bw, L"spawn utility");
  g_seen.Set("utility_running", PumpUntil([] { return RunningChildren() == 3; }, 2000));
  g_seen.Set("utility_done", PumpUntil([] { return RunningChildren() == 2; }, 5000));
  SendPageCommand(bw, L"spawn gpu-process");
  PumpFor(300);
  g_seen.Set("gpu_replaced", PumpUntil([] { return RunningChildren() == 2; }, 5000));

  // A frame of another site in a renderer of its own each time, and the main frame to a new site.
  int loads = 0;
  for (int i = 0; i < 20; ++i) {
    SendPageCommand(bw, L"spawn renderer");
    loads += load(L"https://site" + std::to_wstring(i) + L".test/");
  }
  g_seen.Set("site_loads", loads);
  g_seen.Set("children_after_sites", PumpUntil([] { return RunningChildren() == 2; }, 10000) ? 2 : RunningChildren());
  g_seen.Set("threads_back", PumpUntil([threads] { return OwnThreads() <= threads; }, 5000));
  g_seen.Set("threads_before", threads);
  g_seen.Set("threads_after", OwnThreads());

  SendPageCommand(bw, L"crash");
  g_seen.Set("terminated", WaitPumping(g_ev.terminated, 5000));
  g_seen.Set("children_after_crash", PumpUntil([] { return RunningChildren() == 1; }, 5000) ? 1 : RunningChildren());
  PumpFor(500);  // a second report would come now
  g_seen.Set("back_after_crash", load(L"http://standin.test/again"));
  g_seen.Set("children_after_reload", PumpUntil([] { return RunningChildren() == 2; }, 5000) ? 2 : RunningChildren());

  DestroyWindow(parent);
  g_seen.Set("before_close", WaitPumping(g_ev.before_close, 10000));
  g_seen.Set("children_after_close", PumpUntil([] { return RunningChildren() == 1; }, 5000) ? 1 : RunningChildren());
  Finish(app, client);
  g_seen.Set("children_after_shutdown", PumpUntil([] { return RunningChildren() == 0; }, 5000) ? 0 : RunningChildren());
  return 0;
}

// A browser process on the storage folders named by the environment: the cache and user-data paths, the global
// cookie manager's storage path and a created manager's. The holder signals "<hold>-ready" once it has taken
// them, waits for "<hold>-go", then shuts down, or ends as a killed process does (STANDIN_TEST_END=kill).
int ScenarioStorage(bool holder) {
  auto env = [](const wchar_t* name) { return testutil::GetEnv(name).value_or(L""); };
  auto app = lzg::MakeRef<App>();
  cef_main_args_t args{GetModuleHandleW(nullptr)};
  g_cef.cef_execute_process(&args, app->ToCef(), nullptr);
  cef_settings_t s = MakeSettings(testutil::SelfDir() + L"cef", env(L"STANDIN_TEST_CACHE"));
  const std::wstring user_data = env(L"STANDIN_TEST_USER_DATA");
  s.user_data_path = Str(user_data);
  g_seen.Set("initialize", g_cef.cef_initialize(&args, &s, app->ToCef(), nullptr));
  g_seen.Set("context", WaitPumping(g_ev.context, 10000));
  const std::wstring global_path = env(L"STANDIN_TEST_COOKIES"), own_path = env(L"STANDIN_TEST_OWN_COOKIES");
  cef_string_t global_text = Str(global_path), own_text = Str(own_path), none{};
  cef_cookie_manager_t* global = g_cef.cef_cookie_manager_get_global_manager(nullptr);
  if (global) g_seen.Set("global_path_set", global->set_storage_path(global, &global_text, 0, nullptr));
  Drop(global);
  cef_cookie_manager_t* own = g_cef.cef_cookie_manager_create_manager(&none, 0, nullptr);
  if (own) g_seen.Set("own_path_set", own->set_storage_path(own, &own_text, 0, nullptr));
  Drop(own);
  if (holder) {
    // The engine's sub-process runs first: a process killed while it still starts one leaves, under Wine, a
    // process that never runs.
    g_seen.Set("subprocess_started", testutil::WaitUntil(
                                         [&] {
                                           std::string trace;
                                           testutil::ReadBytes(env(L"STANDIN_TRACE"), trace);
                                           return trace.find("\tsubprocess_start\t") != std::string::npos;
                                         },
                                         20000));
    const std::wstring hold = env(L"STANDIN_TEST_HOLD");
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, (hold + L"-ready").c_str());
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, (hold + L"-go").c_str());
    SetEvent(ready);
    g_seen.Set("released", WaitPumping(go, 50000));
    CloseHandle(ready);
    CloseHandle(go);
    if (env(L"STANDIN_TEST_END") == L"kill") {
      g_seen.Write();
      TerminateProcess(GetCurrentProcess(), 9);
    }
  }
  app.reset();
  g_cef.cef_shutdown();
  return 0;
}

int RunScenario(const std::string& name) {
  HMODULE lib = GetModuleHandleW(L"libcef.dll");
  if (!lib || !BindEngine(lib)) return 10;
  int rc = 11;
  if (name == "host") rc = ScenarioHost();
  if (name == "interact") rc = ScenarioInteract();
  if (name == "refusals") rc = ScenarioRefusals();
  if (name == "crash") rc = ScenarioCrash();
  if (name == "init_fail") rc = ScenarioInitFail();
  if (name == "unload") rc = ScenarioUnload();
  if (name == "stale") rc = ScenarioStale();
  if (name == "openurl") rc = ScenarioOpenUrl();
  if (name == "failures") rc = ScenarioFailures();
  if (name == "threads") rc = ScenarioThreads();
  if (name == "lifetimes") rc = ScenarioLifetimes();
  if (name == "storage") rc = ScenarioStorage(false);
  if (name == "storage_holder") rc = ScenarioStorage(true);
  g_seen.Set("rc", rc);
  g_seen.Write();
  return rc;
}

// ======================================================================================
// The test side: start a scenario, read its trace and its report.
// ======================================================================================

struct TraceLine : tracefile::Record {
  bool Has(const std::string& k, const std::string& v) const {
    auto it = fields.find(k);
    return it != fields.end() && it->second == v;
  }
};

std::vector<TraceLine> ReadTrace(const std::wstring& path) {
  std::vector<TraceLine> lines;
  for (auto& r : tracefile::Read(path)) lines.push_back(TraceLine{std::move(r)});
  return lines;
}

struct ScenarioRun {
  int exit_code = -1;
  unsigned long pid = 0;
  std::vector<TraceLine> trace;
  std::map<std::string, std::string> seen;

  // Index of the first line of `event` (in the scenario's own process) whose details
  // include every pair given, from `from` on; -1 when there is none.
  int Find(const std::string& event, const std::map<std::string, std::string>& with = {}, int from = 0) const {
    for (int i = from; i < static_cast<int>(trace.size()); ++i) {
      const TraceLine& t = trace[i];
      if (t.event != event || t.pid != pid) continue;
      bool all = true;
      for (auto& kv : with) all = all && t.Has(kv.first, kv.second);
      if (all) return i;
    }
    return -1;
  }
  int Count(const std::string& event) const {
    int n = 0;
    for (auto& t : trace) n += t.event == event && t.pid == pid;
    return n;
  }
  // What the scenario reported for `key`; empty when it reported nothing.
  std::string Reported(const std::string& key) const {
    auto it = seen.find(key);
    return it == seen.end() ? std::string() : it->second;
  }
};

ScenarioRun RunInChild(const std::string& scenario, const std::map<std::wstring, std::wstring>& env = {},
               int expect_subprocess_exits = 0) {
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  std::wstring base = std::wstring(tmp) + L"standin-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                      std::wstring(scenario.begin(), scenario.end());
  std::wstring trace = base + L".trace", out = base + L".out";
  DeleteFileW(trace.c_str());
  DeleteFileW(out.c_str());
  testutil::ScopedEnv child_env{{L"STANDIN_TRACE", trace}, {L"STANDIN_TEST_OUT", out}};
  for (auto& kv : env) child_env.Set(kv.first, kv.second);
  std::wstring cmd = L"\"" + testutil::SelfPath() + L"\" --scenario=" + std::wstring(scenario.begin(), scenario.end());
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ScenarioRun run;
  BOOL ok =
      CreateProcessW(testutil::SelfPath().c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  child_env.Restore();
  if (!ok) return run;
  run.pid = pi.dwProcessId;
  if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  run.exit_code = static_cast<int>(code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  // The engine's sub-processes end after the browser process; give them time to say so.
  for (int i = 0; i < 100; ++i) {
    run.trace = ReadTrace(trace);
    int exits = 0;
    for (auto& t : run.trace) exits += t.event == "execute_process" && t.Has("result", "0");
    if (exits >= expect_subprocess_exits) break;
    Sleep(100);
  }
  {
    std::ifstream in(ToUtf8(out));
    std::string line;
    while (std::getline(in, line)) {
      size_t eq = line.find('=');
      if (eq != std::string::npos) run.seen[line.substr(0, eq)] = line.substr(eq + 1);
    }
  }
  // Nothing of the run stays behind. Its sub-processes end first: one that ends after the files went would
  // write the trace anew with its last line. Then the files go; a sub-process may still be closing the trace.
  for (const TraceLine& t : run.trace) {
    if (t.event != "subprocess_launch") continue;
    const DWORD child = static_cast<DWORD>(std::strtoul(t.Get("child").c_str(), nullptr, 10));
    if (HANDLE h = child ? OpenProcess(SYNCHRONIZE, FALSE, child) : nullptr) {
      WaitForSingleObject(h, 10000);
      CloseHandle(h);
    }
  }
  for (int i = 0; i < 100; ++i) {
    DeleteFileW(trace.c_str());
    DeleteFileW(out.c_str());
    if (GetFileAttributesW(trace.c_str()) == INVALID_FILE_ATTRIBUTES &&
        GetFileAttributesW(out.c_str()) == INVALID_FILE_ATTRIBUTES)
      break;
    Sleep(100);
  }
  return run;
}

// What the scenario reported, each key with its value (a key it never reported reads as empty).
void ExpectReported(const ScenarioRun& r, std::initializer_list<std::pair<const char*, const char*>> expected) {
  for (const auto& [key, value] : expected) EXPECT_EQ(r.Reported(key), value) << "reported " << key;
}

// A line the scenario's own process wrote to the trace: the event, with (at least) the details given.
struct Traced {
  std::string event;
  std::map<std::string, std::string> with;
};

void ExpectTraced(const ScenarioRun& r, std::initializer_list<Traced> expected) {
  for (const Traced& t : expected) {
    std::string details;
    for (const auto& [k, v] : t.with) details += " " + k + "=" + v;
    EXPECT_GE(r.Find(t.event, t.with), 0) << "no trace line " << t.event << details;
  }
}

// The engine rules the scenario broke: exactly these.
void ExpectFaults(const ScenarioRun& r, std::initializer_list<const char*> whats) {
  EXPECT_EQ(r.Count("fault"), static_cast<int>(whats.size()));
  for (const char* what : whats) EXPECT_GE(r.Find("fault", {{"what", what}}), 0) << "no fault: " << what;
}

// ======================================================================================
// In-process tests: the library file and the helpers that need no running engine.
// ======================================================================================

TEST(Text, PageTextOfDataAddressesAndNetworkErrors) {
  struct Case { const char* url; std::vector<std::string> want; } cases[] = {
      {"data:text/html,%3Cp%3Eone%3C%2Fp%3E%3Cp%3Etwo%20%26amp%3B%20%26lt%3Bthree%26gt%3B%3C%2Fp%3E",
       {"one", "two & <three>"}},
      {"data:text/html;charset=utf-8,<head><title>hidden</title><style>p{}</style></head><h2>A</h2>b<br>c",
       {"A", "b", "c"}},
      {"data:text/html;base64,PHA+aGk8L3A+", {"hi"}},  // <p>hi</p>
      {"DATA:text/html,%E6%97%A0&#27861;&#x6cd5;<a href='x'>link</a>", {"\xE6\x97\xA0\xE6\xB3\x95\xE6\xB3\x95link"}},
      {"data:text/html,", {}},
  };
  for (const auto& c : cases) {
    auto got = standin::HtmlDataText(c.url);
    ASSERT_TRUE(got.has_value()) << c.url;
    EXPECT_EQ(*got, c.want) << c.url;
  }
  EXPECT_FALSE(standin::HtmlDataText("http://x/?a=data:text/html,x").has_value());
  EXPECT_FALSE(standin::HtmlDataText("data:text/plain,x").has_value());

  struct Error { const char* text; std::optional<int> want; } errors[] = {
      {"-105", -105}, {"-3", -3}, {"105", std::nullopt}, {"-", std::nullopt}, {"-0", std::nullopt},
      {"-1000", std::nullopt}, {"-10x", std::nullopt}, {"", std::nullopt},
  };
  for (const auto& e : errors) EXPECT_EQ(standin::ParseNetError(std::string(e.text)), e.want) << e.text;

  // Sites for the renderer-per-site rule: scheme and host only; no host, no site.
  struct Site { const char* url; const char* want; } sites[] = {
      {"http://game.example/play?x=1", "http://game.example"}, {"HTTPS://Other.Example:8443/a#b", "https://other.example"},
      {"http://user:pw@host.test/", "http://host.test"}, {"http://[::1]:80/", "http://[::1]"}, {"http://[::1]/", "http://[::1]"},
      {"http://h?q=http://x", "http://h"}, {"about:blank", ""}, {"data:text/html,<p>x</p>", ""},
      {"http:///path", ""}, {"://x", ""}, {"", ""}, {"http://h:", "http://h"},
  };
  for (const auto& c : sites) EXPECT_EQ(standin::SiteOf(c.url), c.want) << c.url;
  EXPECT_EQ(standin::NetErrorText(-105), "ERR_NAME_NOT_RESOLVED");
  EXPECT_EQ(standin::NetErrorText(-102), "ERR_CONNECTION_REFUSED");
  EXPECT_EQ(standin::NetErrorText(-106), "ERR_INTERNET_DISCONNECTED");
  EXPECT_EQ(standin::NetErrorText(-118), "ERR_CONNECTION_TIMED_OUT");
}

TEST(Library, ExportsEveryFunctionByItsUndecoratedName) {
  HMODULE lib = LoadEngine(testutil::SelfDir() + L"cef\\libcef.dll");
  ASSERT_NE(lib, nullptr);
  std::vector<std::string> missing;
  int count = 0;
#define LZG_CHECK_EXPORT(group, name) \
  ++count;                            \
  if (!GetProcAddress(lib, #name)) missing.push_back(#name);
  CEF_EXPORTED_FUNCTIONS(LZG_CHECK_EXPORT)
#undef LZG_CHECK_EXPORT
  EXPECT_EQ(count, 181);
  EXPECT_TRUE(missing.empty()) << missing.size() << " missing, first " << (missing.empty() ? "" : missing[0]);
  EXPECT_NE(GetProcAddress(lib, "standin_live_objects"), nullptr);
  EXPECT_EQ(GetProcAddress(lib, "_cef_initialize"), nullptr);
}

// The file version, with " debug" when the version resource marks a debug build.
std::string FileVersion(const std::wstring& path) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (!size) return "unreadable";
  std::vector<char> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return "unreadable";
  VS_FIXEDFILEINFO* info = nullptr;
  UINT len = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info) return "unreadable";
  return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(info->dwFileVersionLS)) + "." + std::to_string(LOWORD(info->dwFileVersionLS)) +
         (info->dwFileFlags & info->dwFileFlagsMask & VS_FF_DEBUG ? " debug" : "");
}

int Machine(const std::wstring& path) {
  std::ifstream f(ToUtf8(path), std::ios::binary);
  char head[64] = {};
  if (!f.read(head, 64) || head[0] != 'M' || head[1] != 'Z') return -1;
  unsigned pe = *reinterpret_cast<unsigned*>(head + 60);
  char nt[6] = {};
  f.seekg(pe);
  if (!f.read(nt, 6) || std::string(nt, 4) != std::string("PE\0\0", 4)) return -1;
  return *reinterpret_cast<unsigned short*>(nt + 4);
}

TEST(Library, LayoutAndVariantsForTheStartUpChecks) {
  const std::wstring bin = testutil::SelfDir();
  struct Case {
    const wchar_t* path;
    const char* version;
    int machine;
  } cases[] = {
      {L"cef\\libcef.dll", "74.1.19.0", 0x14C},
      {L"standin-variants\\v74_1_18_0\\libcef.dll", "74.1.18.0", 0x14C},
      {L"standin-variants\\no_display_get_alls\\libcef.dll", "74.1.19.0", 0x14C},
      {L"standin-variants\\x64\\libcef.dll", "74.1.19.0", 0x8664},
      {L"standin-variants\\debug\\libcef.dll", "74.1.19.0 debug", 0x14C},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.path));
    EXPECT_EQ(FileVersion(bin + c.path), c.version);
    EXPECT_EQ(Machine(bin + c.path), c.machine);
  }
  HMODULE nodisp = LoadEngine(bin + L"standin-variants\\no_display_get_alls\\libcef.dll");
  ASSERT_NE(nodisp, nullptr);
  EXPECT_EQ(GetProcAddress(nodisp, "cef_display_get_alls"), nullptr);
  EXPECT_NE(GetProcAddress(nodisp, "cef_display_get_count"), nullptr);
  EXPECT_EQ(LoadEngine(bin + L"standin-variants\\not_a_library\\libcef.dll"), nullptr);
  for (const wchar_t* f : {L"chrome_elf.dll", L"d3dcompiler_47.dll", L"libEGL.dll", L"libGLESv2.dll",
                           L"swiftshader\\libEGL.dll", L"swiftshader\\libGLESv2.dll", L"icudtl.dat",
                           L"natives_blob.bin", L"snapshot_blob.bin", L"v8_context_snapshot.bin", L"cef.pak",
                           L"cef_100_percent.pak", L"cef_200_percent.pak", L"cef_extensions.pak",
                           L"devtools_resources.pak", L"locales\\zh-CN.pak"}) {
    EXPECT_NE(GetFileAttributesW((bin + L"cef\\" + f).c_str()), INVALID_FILE_ATTRIBUTES) << ToUtf8(f);
  }
}

class Engine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    HMODULE lib = LoadEngine(testutil::SelfDir() + L"cef\\libcef.dll");
    ASSERT_TRUE(lib && BindEngine(lib));
  }
};

TEST_F(Engine, StringSetCopiesOrPointsAndClearFrees) {
  std::wstring text = L"游戏 page";
  cef_string_t s{};
  ASSERT_EQ(g_cef.cef_string_utf16_set(text.c_str(), text.size(), &s, 1), 1);
  EXPECT_NE(s.str, text.c_str());
  EXPECT_NE(s.dtor, nullptr);
  EXPECT_EQ(std::wstring(s.str, s.length), text);
  EXPECT_EQ(s.str[s.length], L'\0');
  ASSERT_EQ(g_cef.cef_string_utf16_set(text.c_str(), 2, &s, 0), 1);  // clears the copy first
  EXPECT_EQ(s.str, text.c_str());
  EXPECT_EQ(s.length, 2u);
  EXPECT_EQ(s.dtor, nullptr);
  g_cef.cef_string_utf16_clear(&s);
  EXPECT_EQ(s.str, nullptr);
  EXPECT_EQ(s.length, 0u);

  cef_string_utf8_t u8{};
  ASSERT_EQ(g_cef.cef_string_utf16_to_utf8(text.c_str(), text.size(), &u8), 1);
  EXPECT_EQ(std::string(u8.str, u8.length), "\xE6\xB8\xB8\xE6\x88\x8F page");
  cef_string_t back{};
  ASSERT_EQ(g_cef.cef_string_utf8_to_utf16(u8.str, u8.length, &back), 1);
  EXPECT_EQ(std::wstring(back.str, back.length), text);
  g_cef.cef_string_utf8_clear(&u8);
  cef_string_t upper{};
  g_cef.cef_string_utf16_to_upper(back.str, back.length, &upper);
  EXPECT_EQ(std::wstring(upper.str, upper.length), L"游戏 PAGE");
  EXPECT_GT(g_cef.cef_string_utf16_cmp(&back, &upper), 0);  // 'p' sorts after 'P'
  EXPECT_EQ(g_cef.cef_string_utf16_cmp(&back, &back), 0);
  g_cef.cef_string_utf16_clear(&back);
  g_cef.cef_string_utf16_clear(&upper);

  cef_string_userfree_t uf = g_cef.cef_string_userfree_utf16_alloc();
  ASSERT_NE(uf, nullptr);
  EXPECT_EQ(uf->str, nullptr);
  g_cef.cef_string_utf16_set(L"x", 1, uf, 1);
  g_cef.cef_string_userfree_utf16_free(uf);
}

TEST_F(Engine, StringListsMapsAndMultimaps) {
  std::wstring a = L"a", b = L"b", one = L"1", two = L"2";
  cef_string_t sa = Str(a), sb = Str(b), s1 = Str(one), s2 = Str(two), out{};
  cef_string_list_t list = g_cef.cef_string_list_alloc();
  g_cef.cef_string_list_append(list, &sa);
  g_cef.cef_string_list_append(list, &sb);
  cef_string_list_t copy = g_cef.cef_string_list_copy(list);
  g_cef.cef_string_list_clear(list);
  EXPECT_EQ(g_cef.cef_string_list_size(list), 0u);
  EXPECT_EQ(g_cef.cef_string_list_size(copy), 2u);
  ASSERT_EQ(g_cef.cef_string_list_value(copy, 1, &out), 1);
  EXPECT_EQ(lzg::CefToWString(&out), L"b");
  EXPECT_EQ(g_cef.cef_string_list_value(copy, 2, &out), 0);
  g_cef.cef_string_list_free(list);
  g_cef.cef_string_list_free(copy);

  cef_string_map_t map = g_cef.cef_string_map_alloc();
  EXPECT_EQ(g_cef.cef_string_map_append(map, &sa, &s1), 1);
  EXPECT_EQ(g_cef.cef_string_map_append(map, &sb, &s2), 1);
  ASSERT_EQ(g_cef.cef_string_map_find(map, &sb, &out), 1);
  EXPECT_EQ(lzg::CefToWString(&out), L"2");
  ASSERT_EQ(g_cef.cef_string_map_key(map, 0, &out), 1);
  EXPECT_EQ(lzg::CefToWString(&out), L"a");
  EXPECT_EQ(g_cef.cef_string_map_size(map), 2u);
  g_cef.cef_string_map_free(map);

  cef_string_multimap_t mm = g_cef.cef_string_multimap_alloc();
  g_cef.cef_string_multimap_append(mm, &sa, &s1);
  g_cef.cef_string_multimap_append(mm, &sb, &s1);
  g_cef.cef_string_multimap_append(mm, &sa, &s2);
  EXPECT_EQ(g_cef.cef_string_multimap_find_count(mm, &sa), 2u);
  ASSERT_EQ(g_cef.cef_string_multimap_enumerate(mm, &sa, 1, &out), 1);
  EXPECT_EQ(lzg::CefToWString(&out), L"2");
  EXPECT_EQ(g_cef.cef_string_multimap_enumerate(mm, &sa, 2, &out), 0);
  g_cef.cef_string_multimap_free(mm);
  g_cef.cef_string_utf16_clear(&out);
}

TEST_F(Engine, CommandLineSwitchesAndValues) {
  cef_command_line_t* cmd = g_cef.cef_command_line_create();
  ASSERT_NE(cmd, nullptr);
  std::wstring line = L"\"C:\\game dir\\lzgmin.exe\" --type=renderer --lang=zh-CN http://x/?a=1";
  cef_string_t sl = Str(line);
  cmd->init_from_string(cmd, &sl);
  std::wstring type = L"type", dashed = L"--site-per-process", plain = L"site-per-process", v = L"0",
               media = L"--Enable-Media-Stream";
  cef_string_t st = Str(type), sd = Str(dashed), sp = Str(plain), sv = Str(v), sm = Str(media);
  EXPECT_EQ(lzg::CefTakeUserFree(cmd->get_switch_value(cmd, &st)), L"renderer");
  EXPECT_EQ(cmd->has_switch(cmd, &sp), 0);
  cmd->append_switch(cmd, &sd);
  cmd->append_switch_with_value(cmd, &sm, &sv);
  EXPECT_EQ(cmd->has_switch(cmd, &sp), 1);
  EXPECT_EQ(cmd->has_switch(cmd, &sd), 1);
  EXPECT_EQ(lzg::CefTakeUserFree(cmd->get_switch_value(cmd, &sm)), L"0");
  EXPECT_EQ(cmd->has_arguments(cmd), 1);
  EXPECT_EQ(lzg::CefTakeUserFree(cmd->get_program(cmd)), L"C:\\game dir\\lzgmin.exe");
  EXPECT_EQ(lzg::CefTakeUserFree(cmd->get_command_line_string(cmd)),
            L"\"C:\\game dir\\lzgmin.exe\" --type=renderer --lang=zh-CN --site-per-process "
            L"--enable-media-stream=0 http://x/?a=1");
  cef_command_line_t* global = g_cef.cef_command_line_get_global();
  ASSERT_NE(global, nullptr);
  EXPECT_EQ(global->is_read_only(global), 1);
  Drop(global);
  Drop(cmd);
}

TEST_F(Engine, ValuesAndDictionariesHoldWhatIsSet) {
  cef_dictionary_value_t* d = g_cef.cef_dictionary_value_create();
  std::wstring mode = L"mode", direct = L"direct", n = L"n", inner = L"inner";
  cef_string_t sm = Str(mode), sd = Str(direct), sn = Str(n), si = Str(inner);
  d->set_string(d, &sm, &sd);
  d->set_int(d, &sn, 42);
  cef_dictionary_value_t* nested = g_cef.cef_dictionary_value_create();
  nested->set_bool(nested, &sm, 1);
  d->set_dictionary(d, &si, nested);
  EXPECT_EQ(d->get_size(d), 3u);
  EXPECT_EQ(lzg::CefTakeUserFree(d->get_string(d, &sm)), L"direct");
  EXPECT_EQ(d->get_int(d, &sn), 42);
  EXPECT_EQ(d->get_type(d, &si), VTYPE_DICTIONARY);
  cef_dictionary_value_t* got = d->get_dictionary(d, &si);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got->get_bool(got, &sm), 1);
  Drop(got);
  cef_value_t* v = g_cef.cef_value_create();
  EXPECT_EQ(v->get_type(v), VTYPE_NULL);
  v->set_dictionary(v, d);
  EXPECT_EQ(v->get_type(v), VTYPE_DICTIONARY);
  v->base.add_ref(&v->base);
  EXPECT_EQ(lzg::CefTakeUserFree(g_cef.cef_write_json(v, 0)), L"{\"inner\":{\"mode\":true},\"mode\":\"direct\",\"n\":42}");
  Drop(v);
  cef_waitable_event_t* ev = g_cef.cef_waitable_event_create(0, 0);
  EXPECT_EQ(ev->timed_wait(ev, 10), 0);
  ev->signal(ev);
  EXPECT_EQ(ev->is_signaled(ev), 1);
  EXPECT_EQ(ev->timed_wait(ev, 10), 1);
  Drop(ev);
}

TEST_F(Engine, ExecuteProcessInTheBrowserProcessReturnsAtOnceAndReleasesTheApp) {
  auto app = lzg::MakeRef<App>();
  cef_main_args_t args{GetModuleHandleW(nullptr)};
  EXPECT_EQ(g_cef.cef_execute_process(&args, app->ToCef(), nullptr), -1);
  EXPECT_TRUE(app->HasOneRef());
}

// ======================================================================================
// Scenarios in child processes.
// ======================================================================================

TEST(Host, FullLifecycleFromTheTrace) {
  ScenarioRun r = RunInChild("host", {}, 2);
  ASSERT_EQ(r.exit_code, 0);
  ExpectReported(r, {
      {"execute_process", "-1"}, {"initialize", "1"}, {"cmd_has_site_per_process", "1"}, {"cmd_media_value", "1"},
      {"context", "1"}, {"context_off_main", "1"}, {"create", "1"}, {"created", "1"},
      {"on_after_created_on_ui", "1"}, {"on_load_end_on_ui", "1"}, {"do_close_on_ui", "1"},
      {"on_before_close_on_ui", "1"},
      {"first_child", "1"}, {"browser_size", "300x200"},
      {"load_end_1", "main:200"}, {"load_end_2", "main:404"}, {"load_end_3", "f1:200"}, {"load_end_4", "f2:200"},
      {"load_ends_after_blocked", "4"}, {"load_end_after_async", "5"}, {"load_end_5", "main:200"},
      {"resource_load_on_io", "1"}, {"frame_f2", "f2"}, {"frame_f9_missing", "1"},
      {"can_set_proxy", "1"}, {"set_proxy", "1"}, {"set_dnt", "1"},
      {"can_set_bogus", "0"}, {"set_bogus", "0"}, {"set_bogus_error_empty", "0"},
      {"do_close", "1"}, {"do_close_window_alive", "1"}, {"alive_after_delay", "1"}, {"before_close_early", "0"},
      {"before_close", "1"}, {"before_close_hwnd_gone", "1"},
      // on_before_close came while the main thread was still inside DestroyWindow of the parent.
      {"before_close_main_inside", "1"},
      {"wrappers_distinct", "1"}, {"wrappers_same_browser", "1"}, {"wrappers_counted", "5"},
      {"client_live", "0"}, {"engine_live", "0"},
  });
  const std::string browser_id = r.Reported("browser_id");
  EXPECT_NE(browser_id, "0");

  // The same story, told by the engine's trace.
  ExpectTraced(r, {
      {"execute_process", {{"type", ""}, {"result", "-1"}}},
      // The process's own switches first, then those the app added, in order.
      {"command_line",
       {{"process_type", ""},
        {"switches", "--scenario=host,--enable-media-stream=1,--enable-speech-input=1,--site-per-process"}}},
      {"can_get_cookies", {{"frame", "main"}, {"result", "1"}}},
      {"notify_move_or_resize_started", {}},
      {"set_osmodal_loop", {{"value", "1"}}},
      {"set_preference", {{"name", "enable_do_not_track"}, {"value", "true"}, {"result", "1"}}},
  });
  ExpectFaults(r, {});
  // In order.
  int init = r.Find("initialize", {{"result", "1"}, {"size", "204"}, {"locale", "zh-CN"}, {"log_severity", "99"},
                                   {"multi_threaded_message_loop", "1"}, {"cache_path", "C:\\standin cache=1"},
                                   {"accept_language_list", "zh-CN"}, {"no_sandbox", "1"}});
  ASSERT_GE(init, 0);
  int gpu = r.Find("subprocess_launch", {{"type", "gpu-process"}});
  int ctx = r.Find("context_initialized", {}, init);
  int create = r.Find("create_browser", {{"id", browser_id}, {"style", "56010000"}, {"x", "0"}, {"y", "0"},
                                         {"width", "300"}, {"height", "200"}, {"url", "about:blank"}, {"sync", "0"},
                                         {"result", "1"}});
  int after = r.Find("on_after_created", {{"id", browser_id}});
  int renderer = r.Find("subprocess_launch", {{"type", "renderer"}});
  int pref = r.Find("set_preference", {{"name", "proxy"}, {"value", "{\"mode\":\"direct\"}"}, {"result", "1"}});
  int first_end = r.Find("on_load_end", {{"frame", "main"}, {"status", "200"}});
  int load = r.Find("load_url", {{"frame", "main"}, {"url", "http://standin.test/game?standin-frames=2&standin-status=404"}});
  int end404 = r.Find("on_load_end", {{"frame", "main"}, {"status", "404"}});
  int blocked = r.Find("on_before_browse", {{"url", "http://standin.test/blocked"}, {"result", "1"}});
  int close = r.Find("do_close", {{"result", "1"}});
  int destroyed = r.Find("browser_window_destroyed");
  int before_close = r.Find("on_before_close");
  int shutdown = r.Find("shutdown", {{"open_browsers", "0"}, {"same_thread", "1"}, {"live_objects", "0"}});
  for (int x : {gpu, ctx, create, after, renderer, pref, first_end, load, end404, blocked, close, destroyed,
                before_close, shutdown})
    EXPECT_GE(x, 0);
  EXPECT_LT(init, ctx);
  EXPECT_LT(ctx, create);
  EXPECT_LT(create, after);
  EXPECT_LT(after, first_end);
  EXPECT_LT(first_end, load);
  EXPECT_LT(load, end404);
  EXPECT_LT(close, destroyed);
  EXPECT_LT(destroyed, before_close);
  EXPECT_LT(before_close, shutdown);
  int cancelled = r.Find("on_before_resource_load", {{"url", "http://standin.test/resource-cancel"}, {"result", "0"}});
  EXPECT_GE(cancelled, 0);
  EXPECT_GT(r.Find("on_load_error", {{"url", "http://standin.test/resource-cancel"}, {"error", "-3"}}, cancelled),
            cancelled);
  int async = r.Find("on_before_resource_load", {{"url", "http://standin.test/async"}, {"result", "2"}});
  EXPECT_GE(async, 0);
  EXPECT_GT(r.Find("request_continue", {{"allow", "1"}}, async), async);
  int focus = r.Find("set_focus", {{"focus", "1"}});
  EXPECT_GE(focus, 0);
  EXPECT_GT(r.Find("browser_focus", {{"id", browser_id}}, focus), focus);

  // The sub-processes ran this executable, with no window, until the browser process ended.
  int child_runs = 0, child_exits = 0;
  for (auto& t : r.trace) {
    if (t.pid == r.pid) continue;
    child_runs += t.event == "execute_process" && t.Has("result", "0");
    child_exits += t.event == "subprocess_exit";
  }
  EXPECT_EQ(child_exits, 2);
  EXPECT_EQ(child_runs, 2);
}

TEST(Host, PopupsKeysCookiesAndTheEngineClosingTheWindow) {
  ScenarioRun r = RunInChild("interact", {}, 2);
  ASSERT_EQ(r.exit_code, 0);
  ExpectReported(r, {
      {"cookie_manager", "1"}, {"cookie_ready", "1"}, {"cookie_ready_on_main", "0"}, {"cookie_path_set", "1"},
      // kind:code:message — 0 raw key down, 3 char, 2 key up; 0x100 WM_KEYDOWN, 0x102 WM_CHAR, 0x101 WM_KEYUP.
      {"keys_plain", "pre:0:116:256,post:0:116:256,pre:3:97:258,post:3:97:258"},
      {"keys_pre_handled", "pre:2:13:257"},
      {"keys_page_eats", "pre:0:116:256"},
      {"link_popup", "1"},
      {"popup_disposition", "5"}, {"popup_client_offered", "1"}, {"popup_wi_parent_null", "1"},
      {"on_before_popup_on_ui", "1"},
      {"popup_created", "1"}, {"popup_is_popup", "1"}, {"popup_top_level", "1"},
      {"popup_closed", "1"}, {"popup_window_gone", "1"},
      {"before_close", "1"}, {"parent_gone", "1"},
      {"client_live", "0"}, {"engine_live", "0"},
  });
  ExpectTraced(r, {
      {"cookie_set_storage_path", {{"path", "C:\\cookies dir"}, {"persist", "0"}}},
      {"key_event", {{"stage", "page"}, {"consumed", "1"}, {"code", "116"}}},
      {"on_before_popup",
       {{"url", "http://standin.test/new tab"}, {"disposition", "3"}, {"gesture", "1"}, {"result", "1"}, {"client", "kept"}}},
      {"on_before_popup", {{"url", ""}, {"disposition", "5"}, {"gesture", "0"}, {"result", "0"}}},
      // The page's own link.
      {"on_before_popup",
       {{"url", "https://www.example.com/standin-popup"}, {"disposition", "3"}, {"gesture", "1"}, {"result", "1"}}},
  });
  EXPECT_LT(r.Find("cookie_get_global_manager"), r.Find("cookie_storage_ready"));
  // A popup allowed without a client: made, and nobody hears of it.
  int bare = r.Find("on_before_popup", {{"url", "http://standin.test/no-client"}, {"result", "0"}, {"client", "none"}});
  EXPECT_GE(bare, 0);
  int bare_created = r.Find("popup_created", {{"url", "http://standin.test/no-client"}}, bare);
  ASSERT_GT(bare_created, bare);
  EXPECT_EQ(r.Find("on_after_created", {{"id", r.trace[bare_created].fields.at("id")}}), -1);
  EXPECT_EQ(r.Count("do_close"), 2);
  EXPECT_EQ(r.Count("on_before_close"), 2);
  // The client-less popup is still open at shutdown: the one fault of this run.
  ExpectFaults(r, {"cef_shutdown with 1 browser(s) still open"});
}

TEST(Host, ModifiedClicksAskTheRequestHandlerAndLoadInPlaceOnZero) {
  ScenarioRun r = RunInChild("openurl", {}, 2);
  ASSERT_EQ(r.exit_code, 0);
  ExpectReported(r, {
      // url|disposition|gesture|own browser, main frame — on the engine's UI thread, once per modified click.
      {"openurl_1", "http://standin.test/in place?a=1 b|4|1|11"},
      {"openurl_2", "http://standin.test/dropped|6|0|11"},
      {"openurl_3", "https://www.example.com/standin-tab|4|1|11"},
      {"on_open_urlfrom_tab_on_ui", "1"},
      {"asked_in_place", "1"}, {"loaded_in_place", "1"},
      {"asked_dropped", "1"}, {"loaded_dropped", "0"},
      {"asked_ctrl_click", "1"}, {"loaded_ctrl_click", "0"},
      {"loaded_plain_click", "1"}, {"asked_plain_click", "0"},
      {"before_close", "1"}, {"client_live", "0"}, {"engine_live", "0"},
  });
  EXPECT_EQ(r.seen.count("openurl_4"), 0u);

  int kept = r.Find("on_open_urlfrom_tab", {{"url", "http://standin.test/in place?a=1 b"}, {"disposition", "4"},
                                            {"gesture", "1"}, {"result", "0"}});
  ASSERT_GE(kept, 0);
  int browse = r.Find("on_before_browse", {{"frame", "main"}, {"url", "http://standin.test/in place?a=1 b"}}, kept);
  EXPECT_GT(browse, kept);
  EXPECT_GT(r.Find("on_load_end", {{"frame", "main"}}, browse), browse);
  int dropped = r.Find("on_open_urlfrom_tab", {{"url", "http://standin.test/dropped"}, {"disposition", "6"},
                                               {"gesture", "0"}, {"result", "1"}});
  EXPECT_GT(dropped, kept);
  EXPECT_EQ(r.Find("on_before_browse", {{"url", "http://standin.test/dropped"}}), -1);
  int ctrl = r.Find("on_open_urlfrom_tab", {{"url", "https://www.example.com/standin-tab"}, {"disposition", "4"},
                                            {"gesture", "1"}, {"result", "1"}});
  EXPECT_GT(ctrl, dropped);
  int plain = r.Find("on_before_browse", {{"url", "https://www.example.com/standin-tab"}});
  EXPECT_GT(plain, ctrl);
  EXPECT_EQ(r.Find("on_open_urlfrom_tab", {}, ctrl + 1), -1);
  // The malformed command is the one fault.
  ExpectFaults(r, {"malformed page command: openurl four 1 http://standin.test/x"});
}

TEST(Host, FailedLoadsCommitTheErrorDocumentAndOtherProgramsAreNeverStarted) {
  ScenarioRun r = RunInChild("failures", {}, 2);
  ASSERT_EQ(r.exit_code, 0);
  const std::string error_document = "chrome-error://chromewebdata/";
  ExpectReported(r, {
      // frame:error:text:failed address:the frame's address while the error is reported
      {"load_error_1", "main:-105:ERR_NAME_NOT_RESOLVED:http://down.example/?standin-neterror=-105:chrome-error://chromewebdata/"},
      {"load_error_2", "main:-324:ERR_EMPTY_RESPONSE:http://broken.example/?standin-neterror-after-commit=-324:"
                       "http://broken.example/?standin-neterror-after-commit=-324"},
      {"load_error_3", "main:-302:ERR_UNKNOWN_URL_SCHEME:tencent://message/?uin=1:chrome-error://chromewebdata/"},
      {"load_error_4", "f1:-302:ERR_UNKNOWN_URL_SCHEME:mailto:kf@example.com:chrome-error://chromewebdata/"},
      {"load_error_5", "main:-3:ERR_ABORTED:http://standin.test/blocked:http://standin.test/game?standin-frames=1"},
      {"protocol_1", "tencent://message/?uin=1"},
      {"protocol_2", "mailto:kf@example.com"},
      {"on_protocol_execution_on_ui", "1"},
      {"before_commit_error", "1"}, {"before_commit_end", "1"},
      {"after_commit_error", "1"}, {"after_commit_end", "1"},
      {"main_protocol_asked", "1"}, {"main_protocol_error", "1"}, {"main_protocol_end", "1"},
      {"sub_protocol_asked", "1"}, {"sub_protocol_error", "1"}, {"sub_protocol_end", "1"},
      {"script_callbacks", "0"},
      {"blocked_error", "1"}, {"blocked_end", "0"},
      {"before_close", "1"}, {"client_live", "0"}, {"engine_live", "0"},
  });
  EXPECT_EQ(r.seen.count("load_error_6"), 0u);

  // Before commit: the error alone, then the error document's load end (status 0), no load start.
  const int down = r.Find("on_load_error", {{"url", "http://down.example/?standin-neterror=-105"}, {"error", "-105"}});
  ASSERT_GE(down, 0);
  const int down_end = r.Find("on_load_end", {{"frame", "main"}, {"url", error_document}, {"status", "0"}}, down);
  EXPECT_GT(down_end, down);
  EXPECT_EQ(r.Find("on_load_start", {{"url", "http://down.example/?standin-neterror=-105"}}), -1);
  EXPECT_GT(r.Find("on_loading_state_change", {{"loading", "0"}}, down_end), down_end);
  // After commit: start, error, then the load end with the address and the error as its status.
  const std::string broken = "http://broken.example/?standin-neterror-after-commit=-324";
  const int broken_start = r.Find("on_load_start", {{"frame", "main"}, {"url", broken}});
  const int broken_error = r.Find("on_load_error", {{"url", broken}, {"error", "-324"}});
  const int broken_end = r.Find("on_load_end", {{"frame", "main"}, {"url", broken}, {"status", "-324"}});
  EXPECT_GE(broken_start, 0);
  EXPECT_GT(broken_error, broken_start);
  EXPECT_GT(broken_end, broken_error);
  // Another program: asked on the UI thread, never started, and the navigation fails in its frame only.
  const int tencent = r.Find("on_protocol_execution", {{"url", "tencent://message/?uin=1"}, {"allow", "1"}});
  ASSERT_GE(tencent, 0);
  EXPECT_GT(r.Find("on_before_browse", {{"frame", "main"}, {"url", "tencent://message/?uin=1"}}), -1);
  EXPECT_GT(r.Find("on_load_end", {{"frame", "main"}, {"url", error_document}, {"status", "0"}}, tencent), tencent);
  const int mailto = r.Find("on_protocol_execution", {{"url", "mailto:kf@example.com"}});
  ASSERT_GT(mailto, tencent);
  const int mailto_end = r.Find("on_load_end", {{"frame", "f1"}, {"url", error_document}, {"status", "0"}}, mailto);
  EXPECT_GT(mailto_end, mailto);
  EXPECT_EQ(r.Find("on_load_end", {{"frame", "main"}}, mailto), -1) << "the main frame heard of a sub-frame's link";
  // A script address navigates nowhere.
  EXPECT_EQ(r.Find("on_before_browse", {{"url", "javascript:void(0)"}}), -1);
  // Cancelled by the client: an aborted load, nothing else.
  const int blocked = r.Find("on_before_browse", {{"url", "http://standin.test/blocked"}, {"result", "1"}});
  ASSERT_GE(blocked, 0);
  EXPECT_GT(r.Find("on_load_error", {{"url", "http://standin.test/blocked"}, {"error", "-3"}}, blocked), blocked);
  EXPECT_EQ(r.Find("on_loading_state_change", {}, blocked), -1);
  ExpectFaults(r, {"malformed page command: navigateframe f9 http://x/"});
}

TEST(Host, RefusalsLeaveNothingBehindAndAShutdownOffThreadIsAFault) {
  ScenarioRun r = RunInChild("refusals", {{L"STANDIN_REFUSE_CREATE", L"1"},
                                          {L"STANDIN_CONTEXT_DELAY_MS", L"600"},
                                          {L"STANDIN_COOKIE_NEVER_READY", L"1"}});
  ASSERT_EQ(r.exit_code, 0);
  ExpectReported(r, {
      {"init_bad_size", "0"}, {"app_released_after_refusal", "1"}, {"initialize", "1"}, {"init_again", "1"},
      {"context", "1"}, {"cookie_ready", "0"},
      // Held until shutdown, then let go of on the engine's IO thread.
      {"cookie_callback_held", "1"}, {"cookie_callback_freed_on_main", "0"},
      {"create", "0"}, {"client_released_after_refusal", "1"}, {"parent_children", "0"},
      {"client_live", "0"}, {"engine_live", "0"},
  });
  EXPECT_GE(std::stoi(r.Reported("context_ms")), 600);
  ExpectTraced(r, {
      {"initialize", {{"result", "0"}, {"size", "200"}}},
      {"initialize", {{"result", "1"}, {"reason", "already initialized"}}},
      {"create_browser", {{"result", "0"}, {"reason", "STANDIN_REFUSE_CREATE"}}},
      {"shutdown", {{"open_browsers", "0"}, {"same_thread", "0"}, {"live_objects", "0"}}},
  });
  EXPECT_EQ(r.Count("on_after_created"), 0);
  ExpectFaults(r, {"cef_shutdown on a thread other than the one that called cef_initialize"});
  int init = r.Find("initialize", {{"result", "1"}});
  int ctx = r.Find("context_initialized");
  ASSERT_GE(init, 0);
  ASSERT_GE(ctx, 0);
  EXPECT_GE(r.trace[ctx].ms - r.trace[init].ms, 600);
}

TEST(Host, CrashedRendererManagedPreferenceAndShutdownWithAnOpenBrowser) {
  ScenarioRun r = RunInChild("crash", {{L"STANDIN_SUBPROCESS_CRASH", L"renderer"},
                                       {L"STANDIN_FAIL_PREF", L"enable_referrers"}}, 1);
  ASSERT_EQ(r.exit_code, 0);
  ExpectReported(r, {
      {"terminated", "1"}, {"terminated_status", "2"}, {"on_render_process_terminated_on_ui", "1"},
      {"set_referrers", "0"},
      {"set_referrers_error", "Preference 'enable_referrers' is managed and cannot be changed"},
      {"set_proxy", "1"},
      // The browser left open is closed by the shutdown, on the UI thread, while the caller waits.
      {"before_close_main_inside", "2"}, {"on_before_close_on_ui", "1"},
      // The engine let go of the client it still held.
      {"client_live", "0"},
  });
  ExpectTraced(r, {
      {"set_preference", {{"name", "enable_referrers"}, {"result", "0"}}},
      {"on_render_process_terminated", {{"status", "2"}, {"code", "c0000005"}}},
      {"fault", {{"what", "cef_shutdown with 1 browser(s) still open"}}},
      {"shutdown", {{"open_browsers", "1"}, {"live_objects", "0"}}},
  });
  EXPECT_EQ(r.Count("on_before_close"), 1);
  int crashed = 0;
  for (auto& t : r.trace) crashed += t.event == "subprocess_crash" && t.Has("type", "renderer");
  EXPECT_EQ(crashed, 1);
}

TEST(Host, BeforeUnloadRoundTripDelaysOnBeforeClose) {
  ScenarioRun r = RunInChild("unload", {}, 2);
  ASSERT_EQ(r.exit_code, 0);
  ExpectReported(r, {
      {"do_close", "1"}, {"before_close_at_destroy", "0"}, {"before_close", "1"}, {"before_close_main_inside", "0"},
      {"on_before_close_on_ui", "1"}, {"client_live", "0"},
  });
  EXPECT_GE(std::stol(r.Reported("before_close_after_ms")), 700);
  ExpectTraced(r, {{"shutdown", {{"open_browsers", "0"}, {"live_objects", "0"}}}});
  ExpectFaults(r, {});
}

TEST(Host, CallThroughAReleasedBrowserFaults) {
  ScenarioRun r = RunInChild("stale", {}, 2);
  EXPECT_EQ(static_cast<DWORD>(r.exit_code), 0xC0000005u);
  EXPECT_NE(r.Reported("stale_id_before"), "0");
  EXPECT_EQ(r.seen.count("stale_id_after"), 0u);
  ExpectTraced(r, {{"fault", {{"what", "call through a released browser, host or frame"}}}});
}

TEST(Host, AHostKeepingThePopupClientLeaksIt) {
  // The interact scenario releases the slot's reference and ends with nothing alive;
  // the same run keeping the reference of an unchanged slot leaves its client behind.
  ScenarioRun r = RunInChild("interact", {{L"STANDIN_TEST_KEEP_POPUP_CLIENT", L"1"}}, 2);
  ASSERT_EQ(r.exit_code, 0);
  ExpectTraced(r, {{"on_before_popup", {{"client", "kept"}}}});
  EXPECT_NE(r.Reported("client_live"), "0");
  ExpectReported(r, {{"engine_live", "0"}});
}

TEST(Host, ThreadRulesRefusalsSubProcessesAndAShutdownThatWouldHang) {
  ScenarioRun r = RunInChild("threads", {{L"STANDIN_COOKIE_DELAY_MS", L"700"}}, 6);
  ASSERT_EQ(r.exit_code, 0);
  ExpectReported(r, {
      // A second initialise while the engine runs succeeds and does nothing.
      {"init_again", "1"}, {"context", "1"},
      // The cookie store's callback came late, on the IO thread.
      {"cookie_ready", "1"}, {"cookie_ready_on_main", "0"},
      // Browser settings missing or of another size than 192 bytes.
      {"create_no_settings", "0"}, {"create_small_settings", "0"}, {"create_sync_no_settings", "0"},
      {"refused_children", "0"}, {"client_released_after_refusals", "1"},
      // Off the UI thread: 0 (or nothing), and a fault each (below).
      {"off_ui_can_set", "0"}, {"off_ui_has", "0"}, {"off_ui_get", "0"}, {"off_ui_get_all", "0"}, {"off_ui_set", "0"},
      {"off_ui_try_close", "0"},
      // Sub-processes: on the launcher thread.
      {"child_launch_on_ui_or_main", "0"}, {"child_launch_elsewhere", "6"},
      // The UI thread's task for the caller of cef_shutdown.
      {"task_posted", "1"},
      {"client_live", "0"}, {"engine_live", "0"},
  });
  EXPECT_EQ(r.Count("initialize"), 2);
  EXPECT_EQ(r.Count("context_initialized"), 1);
  EXPECT_GE(std::stoi(r.Reported("cookie_ms")), 700);
  ExpectTraced(r, {
      {"create_browser", {{"result", "0"}, {"reason", "no browser settings"}, {"sync", "0"}}},
      {"create_browser", {{"result", "0"}, {"reason", "browser settings size"}}},
      {"create_browser", {{"result", "0"}, {"reason", "no browser settings"}, {"sync", "1"}}},
      {"create_browser", {{"result", "1"}}},
      // Off the UI thread, a fault each.
      {"fault", {{"what", "CefRequestContext.CanSetPreference called off the engine's UI thread"}}},
      {"fault", {{"what", "CefRequestContext.HasPreference called off the engine's UI thread"}}},
      {"fault", {{"what", "CefRequestContext.GetPreference called off the engine's UI thread"}}},
      {"fault", {{"what", "CefRequestContext.GetAllPreferences called off the engine's UI thread"}}},
      {"fault", {{"what", "CefRequestContext.SetPreference called off the engine's UI thread"}}},
      {"fault", {{"what", "CefBrowserHost.TryCloseBrowser called off the engine's UI thread"}}},
      {"fault", {{"what", "malformed page command: spawn zygote"}}},
      {"shutdown", {{"open_browsers", "0"}, {"same_thread", "1"}, {"live_objects", "0"}}},
  });
  EXPECT_EQ(r.Count("close_browser"), 0) << "try_close_browser off the UI thread closed the browser";
  // Sub-processes on demand, and one renderer per new site.
  auto launches = [&](const std::string& type) {
    int n = 0;
    for (auto& t : r.trace) n += t.pid == r.pid && t.event == "subprocess_launch" && t.Has("type", type);
    return n;
  };
  EXPECT_EQ(launches("gpu-process"), 2);
  EXPECT_EQ(launches("utility"), 1);
  // The first browser's, the page command's, and standin.test -> other.test; a port, the case of
  // the host and an address without a host (data:) start none.
  EXPECT_EQ(launches("renderer"), 3);
  int sub_utility = 0;
  for (auto& t : r.trace) sub_utility += t.pid != r.pid && t.event == "subprocess_start" && t.Has("type", "utility");
  EXPECT_EQ(sub_utility, 1);
  // The UI thread sent to the caller of cef_shutdown, which does not answer: recorded, then let through.
  EXPECT_GE(std::stoi(r.Reported("shutdown_ms")), 5000);
  int hang = -1;
  for (int i = 0; i < static_cast<int>(r.trace.size()); ++i) {
    if (r.trace[i].pid == r.pid && r.trace[i].event == "fault" &&
        r.trace[i].Get("what").rfind("cef_shutdown deadlocked", 0) == 0)
      hang = i;
  }
  EXPECT_GE(hang, 0);
  EXPECT_EQ(r.Count("fault"), 8);
}

TEST(Host, SubProcessesLastAsLongAsTheirWork) {
  ScenarioRun r = RunInChild("lifetimes");
  ASSERT_EQ(r.exit_code, 0);
  ExpectReported(r, {
      {"children_at_start", "2"}, {"utility_running", "1"}, {"utility_done", "1"}, {"gpu_replaced", "1"},
      {"site_loads", "20"}, {"children_after_sites", "2"}, {"threads_back", "1"},
      {"terminated", "1"}, {"children_after_crash", "1"}, {"back_after_crash", "1"}, {"children_after_reload", "2"},
      {"before_close", "1"}, {"children_after_close", "1"}, {"children_after_shutdown", "0"},
      {"client_live", "0"}, {"engine_live", "0"},
  });
  EXPECT_EQ(r.Reported("threads_after"), r.Reported("threads_before"));
  EXPECT_EQ(r.Count("fault"), 0);
  // Before the shutdown: the utility and the first GPU process ended by themselves, and every renderer of a site
  // left behind (19 main-frame sites after the first, 20 frames' renderers) ended with code 0.
  std::map<std::string, int> ended_ok, crashed;
  int terminated = 0;
  for (auto& t : r.trace) {
    if (t.pid != r.pid) continue;
    if (t.event == "shutdown") break;
    if (t.event == "subprocess_ended") (t.Has("code", "0") ? ended_ok : crashed)[t.Get("type")]++;
    terminated += t.event == "on_render_process_terminated";
  }
  EXPECT_EQ(ended_ok["utility"], 1);
  EXPECT_EQ(ended_ok["gpu-process"], 1);
  EXPECT_EQ(ended_ok["renderer"], 39 + 1) << "the reloaded page's renderer ends with its browser";
  // The crash: its process ended with the crash's code, and the browser heard of it once.
  EXPECT_EQ(crashed, (std::map<std::string, int>{{"renderer", 1}}));
  ExpectTraced(r, {{"subprocess_ended", {{"type", "renderer"}, {"code", "c0000005"}}}});
  EXPECT_EQ(terminated, 1);
}

// The engine's folders, one browser process each: a second process on a folder the first still uses is a fault
// naming the folder and the first process, however the path is spelled; a folder is free again once its process
// has ended, normally or killed.
TEST(Host, StorageFoldersBelongToOneBrowserProcessAtATime) {
  const std::wstring base = testutil::GetEnv(L"TEMP").value_or(L"C:\\") + L"\\standin-storage-" +
                            std::to_wstring(GetCurrentProcessId());  // only named: the engine's claim is by name
  struct Folders {
    std::wstring cache, user_data, cookies, own_cookies;
  };
  const Folders first{base + L"\\Cache", base + L"\\User Data", base + L"\\Cookies", base + L"\\Own Cookies"};
  auto upper = [](std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(towupper(c));
    return text;
  };
  auto slashes = [](std::wstring text) {
    for (wchar_t& c : text)
      if (c == L'\\') c = L'/';
    return text;
  };
  // The same folders as Windows compares them: another case, forward slashes, a trailing separator.
  const Folders same{upper(first.cache), slashes(first.user_data) + L"/", first.cookies + L"\\",
                     slashes(upper(first.own_cookies))};
  // Folders of their own; cache and user data in one folder, which one process may do.
  const Folders other{base + L"\\Other", base + L"\\other\\", base + L"\\Other Cookies", base + L"\\Other Own"};
  auto env = [](const Folders& f) {
    return std::map<std::wstring, std::wstring>{{L"STANDIN_TEST_CACHE", f.cache},
                                                {L"STANDIN_TEST_USER_DATA", f.user_data},
                                                {L"STANDIN_TEST_COOKIES", f.cookies},
                                                {L"STANDIN_TEST_OWN_COOKIES", f.own_cookies}};
  };
  const std::wstring hold = L"standin-test-hold-" + std::to_wstring(GetCurrentProcessId());
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, (hold + L"-ready").c_str());
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, (hold + L"-go").c_str());
  ASSERT_TRUE(ready && go);
  // The holder runs while the others start; it ends on "go", shut down or killed.
  auto start_holder = [&](const wchar_t* end, ScenarioRun& into) {
    ResetEvent(ready);
    ResetEvent(go);
    auto holder_env = env(first);
    holder_env[L"STANDIN_TEST_HOLD"] = hold;
    holder_env[L"STANDIN_TEST_END"] = end;
    std::thread thread([&into, holder_env] { into = RunInChild("storage_holder", holder_env, 1); });
    return thread;
  };
  auto expect_clean = [](const ScenarioRun& r) {
    EXPECT_EQ(r.exit_code, 0);
    ExpectReported(r, {{"initialize", "1"}, {"global_path_set", "1"}, {"own_path_set", "1"}});
    ExpectFaults(r, {});
  };

  ScenarioRun holder;
  std::thread holding = start_holder(L"shutdown", holder);
  const bool held = WaitForSingleObject(ready, 30000) == WAIT_OBJECT_0;
  ScenarioRun second, apart;
  if (held) {
    second = RunInChild("storage", env(same), 1);
    apart = RunInChild("storage", env(other), 1);
  }
  SetEvent(go);
  holding.join();
  ASSERT_TRUE(held) << "the holder never took its folders";
  expect_clean(holder);
  ExpectReported(holder, {{"subprocess_started", "1"}, {"released", "1"}});
  // The second process runs on, but loses each folder to the first: one fault per folder.
  EXPECT_EQ(second.exit_code, 0);
  const std::string by = " is already used by browser process " + std::to_string(holder.pid);
  ExpectFaults(second, {("cache_path " + ToUtf8(same.cache) + by).c_str(),
                        ("user_data_path " + ToUtf8(same.user_data) + by).c_str(),
                        ("cookie storage path " + ToUtf8(same.cookies) + by).c_str(),
                        ("cookie storage path " + ToUtf8(same.own_cookies) + by).c_str()});
  expect_clean(apart);

  // Ended: the folders are free.
  expect_clean(RunInChild("storage", env(same), 1));

  // Killed (ended without its shutdown): the kernel frees them with the process.
  ScenarioRun killed;
  holding = start_holder(L"kill", killed);
  const bool held_again = WaitForSingleObject(ready, 30000) == WAIT_OBJECT_0;
  SetEvent(go);
  holding.join();
  ASSERT_TRUE(held_again);
  EXPECT_EQ(killed.exit_code, 9);
  ExpectReported(killed, {{"subprocess_started", "1"}});
  ExpectFaults(killed, {});
  EXPECT_EQ(killed.Count("shutdown"), 0);
  expect_clean(RunInChild("storage", env(same), 1));
  CloseHandle(ready);
  CloseHandle(go);
}

TEST(Host, FailedInitializeThenShutdown) {
  ScenarioRun r = RunInChild("init_fail", {{L"STANDIN_INIT_FAIL", L"1"}});
  ASSERT_EQ(r.exit_code, 0);
  ExpectReported(r, {{"initialize", "0"}, {"client_live", "0"}});
  ExpectTraced(r, {
      {"initialize", {{"result", "0"}, {"reason", "STANDIN_INIT_FAIL"}, {"locale", "zh-CN"}}},
      {"shutdown", {{"initialized", "0"}}},
  });
  EXPECT_EQ(r.Count("subprocess_launch"), 0);
  ExpectFaults(r, {});
}

}  // namespace

int main(int argc, char** argv) {
  // A sub-process of the engine: hand it over, as a real host does.
  std::wstring line = GetCommandLineW();
  if (line.find(L"--type=") != std::wstring::npos) {
    HMODULE lib = LoadEngine(testutil::SelfDir() + L"cef\\libcef.dll");
    auto exec = lib ? reinterpret_cast<cef_execute_process_ptr>(GetProcAddress(lib, "cef_execute_process")) : nullptr;
    cef_main_args_t args{GetModuleHandleW(nullptr)};
    int r = exec ? exec(&args, nullptr, nullptr) : 1;
    if (r >= 0) return r;
  }
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a.rfind("--scenario=", 0) == 0) {
      if (!LoadEngine(testutil::SelfDir() + L"cef\\libcef.dll")) return 10;
      return RunScenario(a.substr(11));
    }
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
