// Engine start, sub-processes, threads and shutdown.
#include "standin/engine.h"

#include <shellapi.h>

#include <algorithm>

#include "standin/storage.h"
#include "standin/text.h"

namespace standin {

namespace {
HINSTANCE g_module = nullptr;

constexpr UINT kWakeMsg = WM_APP + 1;
constexpr UINT kSyncMsg = WM_APP + 2;
constexpr UINT kStopMsg = WM_APP + 3;
constexpr UINT kDelayMsg = WM_APP + 4;
const wchar_t kTaskClass[] = L"StandinEngineTasks";

struct TaskQueue {
  std::mutex mu;
  std::vector<std::function<void()>> tasks;
};
std::map<TaskThread*, TaskQueue>& Queues() {
  static std::map<TaskThread*, TaskQueue> q;
  return q;
}
TaskQueue& QueueOf(TaskThread* t) {
  static std::mutex mu;
  std::lock_guard<std::mutex> l(mu);
  return Queues()[t];
}

std::wstring EnvW(const wchar_t* name) {
  wchar_t buf[1024];
  DWORD n = GetEnvironmentVariableW(name, buf, 1024);
  return n && n < 1024 ? std::wstring(buf, n) : std::wstring();
}

}  // namespace

std::wstring ModulePath(HMODULE m) {
  wchar_t buf[MAX_PATH * 2];
  DWORD n = GetModuleFileNameW(m, buf, MAX_PATH * 2);
  return std::wstring(buf, n);
}

HINSTANCE ModuleInstance() { return g_module; }

// --- TaskThread ------------------------------------------------------------------------

bool TaskThread::Start() {
  if (Running()) return true;
  ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD id = 0;
  thread_ = CreateThread(nullptr, 0, &TaskThread::Main, this, 0, &id);
  if (!thread_) return false;
  HANDLE hs[2] = {ready_, thread_};
  WaitForMultipleObjects(2, hs, FALSE, INFINITE);
  CloseHandle(ready_);
  ready_ = nullptr;
  return Running();
}

DWORD WINAPI TaskThread::Main(void* p) {
  auto* self = static_cast<TaskThread*>(p);
  self->id_ = GetCurrentThreadId();
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &TaskThread::WndProc;
    wc.hInstance = g_module;
    wc.lpszClassName = kTaskClass;
    RegisterClassW(&wc);
  });
  HWND wnd = CreateWindowExW(0, kTaskClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, g_module, self);
  if (!wnd) {
    SetEvent(self->ready_);
    return 1;
  }
  SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  self->wnd_ = wnd;
  SetEvent(self->ready_);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // Tasks that never ran are dropped here, on their own thread, so the references
  // they captured are released.
  std::vector<std::function<void()>> left;
  {
    TaskQueue& q = QueueOf(self);
    std::lock_guard<std::mutex> l(q.mu);
    left.swap(q.tasks);
  }
  left.clear();
  self->timers_.clear();
  return 0;
}

LRESULT CALLBACK TaskThread::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<TaskThread*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  switch (msg) {
    case kWakeMsg: {
      std::vector<std::function<void()>> run;
      {
        TaskQueue& q = QueueOf(self);
        std::lock_guard<std::mutex> l(q.mu);
        run.swap(q.tasks);
      }
      for (auto& t : run) lzg::RunGuarded("standin.Task", [&] { t(); });
      return 0;
    }
    case kSyncMsg:
      lzg::RunGuarded("standin.SyncTask", [&] { (*reinterpret_cast<std::function<void()>*>(lp))(); });
      return 0;
    case kDelayMsg: {
      auto* task = reinterpret_cast<std::function<void()>*>(lp);
      UINT_PTR id = self->next_timer_++;
      self->timers_[id] = std::move(*task);
      delete task;
      SetTimer(hwnd, id, static_cast<UINT>(wp), nullptr);
      return 0;
    }
    case WM_TIMER: {
      KillTimer(hwnd, wp);
      auto it = self->timers_.find(wp);
      if (it != self->timers_.end()) {
        auto task = std::move(it->second);
        self->timers_.erase(it);
        lzg::RunGuarded("standin.DelayedTask", [&] { task(); });
      }
      return 0;
    }
    case kStopMsg:
      self->wnd_ = nullptr;
      DestroyWindow(hwnd);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

bool TaskThread::Post(std::function<void()> task) {
  HWND wnd = wnd_.load();
  if (!wnd) return false;
  {
    TaskQueue& q = QueueOf(this);
    std::lock_guard<std::mutex> l(q.mu);
    q.tasks.push_back(std::move(task));
  }
  PostMessageW(wnd, kWakeMsg, 0, 0);
  return true;
}

bool TaskThread::PostDelayed(DWORD ms, std::function<void()> task) {
  if (ms == 0) return Post(std::move(task));
  HWND wnd = wnd_.load();
  if (!wnd) return false;
  auto* p = new std::function<void()>(std::move(task));
  if (!PostMessageW(wnd, kDelayMsg, ms, reinterpret_cast<LPARAM>(p))) {
    delete p;
    return false;
  }
  return true;
}

void TaskThread::RunSync(std::function<void()> task) {
  if (IsCurrent()) {
    task();
    return;
  }
  HWND wnd = wnd_.load();
  if (wnd) SendMessageW(wnd, kSyncMsg, 0, reinterpret_cast<LPARAM>(&task));
}

// Waits for `h` while still answering messages sent to this thread. It also looks at its queue
// now and then: a thread that has not for 5 s counts as hung, and SendMessageTimeout with
// SMTO_ABORTIFHUNG (a page command) would then give up on its windows without sending.
void WaitPumpingSent(HANDLE h) {
  for (;;) {
    const DWORD r = MsgWaitForMultipleObjects(1, &h, FALSE, 200, QS_SENDMESSAGE);
    if (r != WAIT_OBJECT_0 + 1 && r != WAIT_TIMEOUT) return;
    MSG m;
    PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

void WaitWithoutPumping(HANDLE h, const char* caller) {
  if (WaitForSingleObject(h, kDeadlockMs) == WAIT_OBJECT_0) return;
  Fault(std::string(caller) + " deadlocked: an engine thread waits for the calling thread, which does not "
                              "answer messages while the engine waits");
  WaitPumpingSent(h);
}

void TaskThread::RunWaiting(std::function<void()> task, const char* caller) {
  if (IsCurrent()) {
    task();
    return;
  }
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (Post([&task, done] {
        task();
        SetEvent(done);
      })) {
    WaitWithoutPumping(done, caller);
  }
  CloseHandle(done);
}

void TaskThread::Flush(const char* caller) {
  if (IsCurrent()) return;
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (Post([done] { SetEvent(done); })) WaitWithoutPumping(done, caller);
  CloseHandle(done);
}

void TaskThread::Stop(const char* caller) {
  HWND wnd = wnd_.load();
  if (wnd) PostMessageW(wnd, kStopMsg, 0, 0);
  if (thread_) {
    WaitWithoutPumping(thread_, caller);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  wnd_ = nullptr;
  id_ = 0;
}

TaskThread& UiThread() {
  static TaskThread t("ui");
  return t;
}
TaskThread& IoThread() {
  static TaskThread t("io");
  return t;
}
TaskThread& LauncherThread() {
  static TaskThread t("launcher");
  return t;
}

// --- Engine state ----------------------------------------------------------------------

EngineState& Engine() {
  static EngineState* e = new EngineState();  // never destroyed: threads may outlive statics
  return *e;
}

bool EngineRunning() {
  std::lock_guard<std::mutex> l(Engine().mu);
  return Engine().phase == EngineState::Phase::kRunning;
}

std::vector<lzg::Ref<Browser>> OpenBrowsers() {
  std::lock_guard<std::mutex> l(Engine().mu);
  std::vector<lzg::Ref<Browser>> out;
  for (auto& kv : Engine().browsers) out.push_back(kv.second);
  return out;
}

cef_cookie_manager_t* GlobalCookieManager(cef_completion_callback_t* callback) {
  EngineState& e = Engine();
  lzg::Ref<CookieManager> m;
  {
    std::lock_guard<std::mutex> l(e.mu);
    if (e.phase != EngineState::Phase::kRunning) {
      DropArg(callback);
      Trace("cookie_get_global_manager").Add("result", "none");
      return nullptr;
    }
    if (!e.cookies) e.cookies = lzg::MakeRef<CookieManager>();
    m = e.cookies;
  }
  Trace("cookie_get_global_manager").Add("callback", callback != nullptr);
  if (EnvW(L"STANDIN_COOKIE_NEVER_READY") == L"1") {
    // The store never reports itself ready: the engine keeps the callback unused until
    // shutdown and lets go of it on its IO thread.
    if (callback) {
      Trace("cookie_storage_never_ready");
      std::lock_guard<std::mutex> l(e.mu);
      e.held_callbacks.push_back(Foreign<cef_completion_callback_t>::Adopt(callback));
    }
  } else {
    const DWORD late = static_cast<DWORD>(ParseCount(ToUtf8(EnvW(L"STANDIN_COOKIE_DELAY_MS")), 0, 600000));
    CookieManager::NotifyReady(callback, "cookie_storage_ready", late);
  }
  return m->ToCef();
}

// --- Sub-processes ------------------------------------------------------------------

namespace {
// With a crash_reporter.cfg beside the executable the engine runs its crash handler: the same executable with
// the handler's own process type, started by the browser process itself rather than through the process
// launcher (so on_before_child_process_launch does not see it), and ending with the browser process.
void StartCrashHandler() {
  const std::wstring exe = ModulePath(nullptr);
  const std::wstring cfg = exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"crash_reporter.cfg";
  if (GetFileAttributesW(cfg.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  std::wstring line = L"\"" + exe +
                      L"\" --type=crashpad-handler /prefetch:7 --monitor-self-annotation=ptype=crashpad-handler "
                      L"--standin-parent=" +
                      std::to_wstring(GetCurrentProcessId());
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    Trace("crash_handler_launch").Add("child", 0).Add("exe", exe).Add("error", GetLastError());
    Fault("cannot start the crash handler");
    return;
  }
  Trace("crash_handler_launch").Add("child", pi.dwProcessId).Add("exe", exe);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}
}  // namespace

namespace {

void ContextInitialized() {
  Foreign<cef_app_t> app;
  {
    std::lock_guard<std::mutex> l(Engine().mu);
    if (Engine().phase != EngineState::Phase::kRunning) return;
    app = Engine().app;
  }
  auto handler = Foreign<cef_browser_process_handler_t>::Adopt(
      app && app->get_browser_process_handler ? app->get_browser_process_handler(app.get()) : nullptr);
  Trace("context_initialized").Add("handler", static_cast<bool>(handler));
  if (handler && handler->on_context_initialized) handler->on_context_initialized(handler.get());
}

void AddSettings(Trace& t, const cef_settings_t& s) {
  t.Add("size", static_cast<unsigned long>(s.size))
      .Add("no_sandbox", s.no_sandbox)
      .Add("browser_subprocess_path", &s.browser_subprocess_path)
      .Add("framework_dir_path", &s.framework_dir_path)
      .Add("multi_threaded_message_loop", s.multi_threaded_message_loop)
      .Add("external_message_pump", s.external_message_pump)
      .Add("windowless_rendering_enabled", s.windowless_rendering_enabled)
      .Add("command_line_args_disabled", s.command_line_args_disabled)
      .Add("cache_path", &s.cache_path)
      .Add("user_data_path", &s.user_data_path)
      .Add("persist_session_cookies", s.persist_session_cookies)
      .Add("persist_user_preferences", s.persist_user_preferences)
      .Add("user_agent", &s.user_agent)
      .Add("product_version", &s.product_version)
      .Add("locale", &s.locale)
      .Add("log_file", &s.log_file)
      .Add("log_severity", static_cast<int>(s.log_severity))
      .Add("javascript_flags", &s.javascript_flags)
      .Add("resources_dir_path", &s.resources_dir_path)
      .Add("locales_dir_path", &s.locales_dir_path)
      .Add("pack_loading_disabled", s.pack_loading_disabled)
      .Add("remote_debugging_port", s.remote_debugging_port)
      .Add("uncaught_exception_stack_size", s.uncaught_exception_stack_size)
      .Add("ignore_certificate_errors", s.ignore_certificate_errors)
      .Add("enable_net_security_expiration", s.enable_net_security_expiration)
      .Add("background_color", static_cast<unsigned long>(s.background_color))
      .Add("accept_language_list", &s.accept_language_list);
}

std::vector<std::wstring> ProcessArgs() {
  std::vector<std::wstring> out;
  int n = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &n);
  for (int i = 0; argv && i < n; ++i) out.emplace_back(argv[i]);
  if (argv) LocalFree(argv);
  return out;
}

}  // namespace

}  // namespace standin

using namespace standin;

// --- Exports: process roles, start and shutdown -------------------------------------

extern "C" int CEF_EXPORT cef_execute_process(const cef_main_args_t*, cef_app_t* application, void*) {
  auto app = Foreign<cef_app_t>::Adopt(application);
  auto cmd = lzg::MakeRef<CommandLine>();
  cmd->InitFromArgs(ProcessArgs());
  if (!cmd->HasSwitchKey("type")) {
    Trace("execute_process").Add("type", "").Add("result", -1);
    return -1;
  }
  std::wstring type = cmd->SwitchValue("type");
  std::string type8 = ToUtf8(type);
  if (app && app->on_before_command_line_processing) {
    cef_string_t t{const_cast<wchar_t*>(type.c_str()), type.size(), nullptr};
    app->on_before_command_line_processing(app.get(), &t, cmd->ToCef());
  }
  if (type8 == "renderer" && app && app->get_render_process_handler) {
    DropArg(app->get_render_process_handler(app.get()));
  }
  std::wstring parent = cmd->SwitchValue("standin-parent");
  Trace("subprocess_start").Add("type", type8).Add("parent", parent);
  std::wstring crash = EnvW(L"STANDIN_SUBPROCESS_CRASH");
  if (crash == L"1" || (!crash.empty() && crash == type)) {
    Trace("subprocess_crash").Add("type", type8);
    TerminateProcess(GetCurrentProcess(), 0xC0000005);
  }
  // The role lasts as long as the browser process that started it.
  DWORD pid = static_cast<DWORD>(ParseCount(ToUtf8(parent), 0, 0x7FFFFFFF));
  HANDLE h = pid ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid) : nullptr;
  // Windows hands an ended process's id to the next new one at once: a process started after
  // this one cannot be its parent, which has already ended. (Waiting on it could last forever:
  // two orphaned sub-processes may even wait on each other.)
  FILETIME created{}, parentCreated{}, unused{};
  if (h && GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused) &&
      GetProcessTimes(h, &parentCreated, &unused, &unused, &unused) &&
      CompareFileTime(&parentCreated, &created) > 0) {
    CloseHandle(h);
    h = nullptr;
  }
  // A launched sub-process also ends when the browser process says its work is over; a utility process ends
  // by itself once its job is done. The crash handler has no such end: it lasts as long as its parent.
  const int child = static_cast<int>(ParseCount(ToUtf8(cmd->SwitchValue(kChildSwitch)), 0, 0x7FFFFFFF));
  HANDLE end = h && child ? OpenEventW(SYNCHRONIZE, FALSE, EndEventName(pid, child).c_str()) : nullptr;
  bool parent_ended = true;
  if (h) {
    HANDLE waits[2] = {h, end};
    const DWORD r = WaitForMultipleObjects(end ? 2 : 1, waits, FALSE, type8 == "utility" ? kUtilityJobMs : INFINITE);
    parent_ended = r == WAIT_OBJECT_0;
    CloseHandle(h);
  }
  if (end) CloseHandle(end);
  // A role's end code, as the engine hands it back for the process to return, when its browser process ended;
  // a role the browser process ended returns 0.
  const int code = parent_ended
                       ? static_cast<int>(ParseCount(ToUtf8(EnvW(L"STANDIN_SUBPROCESS_EXIT_CODE")), 0, 0x7FFFFFFF))
                       : 0;
  Trace("subprocess_exit").Add("type", type8).Add("by", parent_ended ? "parent" : "browser");
  Trace("execute_process").Add("type", type8).Add("result", code);
  return code;
}

extern "C" int CEF_EXPORT cef_initialize(const cef_main_args_t*, const cef_settings_t* settings, cef_app_t* application,
                                         void*) {
  auto app = Foreign<cef_app_t>::Adopt(application);
  EngineState& e = Engine();
  if (!settings || settings->size != sizeof(cef_settings_t)) {
    Trace("initialize")
        .Add("result", 0)
        .Add("size", settings ? static_cast<long long>(settings->size) : -1LL)
        .Add("reason", "settings size");
    return 0;
  }
  {
    std::lock_guard<std::mutex> l(e.mu);
    if (e.phase != EngineState::Phase::kIdle) {
      // The real engine answers a second call while it runs with success, doing nothing.
      const bool running = e.phase == EngineState::Phase::kRunning;
      Trace t("initialize");
      t.Add("result", running ? 1 : 0);
      AddSettings(t, *settings);
      t.Add("reason", running ? "already initialized" : "after shutdown");
      return running ? 1 : 0;
    }
  }
  if (EnvW(L"STANDIN_INIT_FAIL") == L"1") {
    Trace t("initialize");
    t.Add("result", 0);
    AddSettings(t, *settings);
    t.Add("reason", "STANDIN_INIT_FAIL");
    return 0;
  }
  auto cmd = lzg::MakeRef<CommandLine>();
  std::vector<std::wstring> args = ProcessArgs();
  if (settings->command_line_args_disabled && args.size() > 1) args.resize(1);
  cmd->InitFromArgs(args);
  if (app && app->on_before_command_line_processing) {
    cef_string_t empty{const_cast<wchar_t*>(L""), 0, nullptr};
    app->on_before_command_line_processing(app.get(), &empty, cmd->ToCef());
  }
  cmd->SetReadOnly();
  Trace("command_line").Add("process_type", "").Add("switches", cmd->SwitchesText());
  // The browser process takes its storage folders; a sub-process never comes here and uses none.
  UseStorageFolder("cache_path", ToWide(&settings->cache_path));
  UseStorageFolder("user_data_path", ToWide(&settings->user_data_path));
  {
    std::lock_guard<std::mutex> l(e.mu);
    e.global_command_line = cmd;
    e.subprocess_path = ToWide(&settings->browser_subprocess_path);
    e.app = app;
    e.init_thread = GetCurrentThreadId();
    e.shutting_down = false;
    e.phase = EngineState::Phase::kRunning;
  }
  if (!UiThread().Start() || !IoThread().Start() || !LauncherThread().Start()) {
    Trace t("initialize");
    t.Add("result", 0);
    AddSettings(t, *settings);
    t.Add("reason", "engine threads");
    UiThread().Stop("cef_initialize");
    IoThread().Stop("cef_initialize");
    LauncherThread().Stop("cef_initialize");
    std::lock_guard<std::mutex> l(e.mu);
    e.phase = EngineState::Phase::kShutDown;
    e.app.reset();
    return 0;
  }
  // The caller waits, without answering its messages, until the UI thread has set the browser
  // side up, as the real engine's start does.
  UiThread().RunWaiting([] {}, "cef_initialize");
  {
    Trace t("initialize");
    t.Add("result", 1);
    AddSettings(t, *settings);
  }
  StartCrashHandler();
  LaunchSubprocess("gpu-process");
  int delay = ParseCount(ToUtf8(EnvW(L"STANDIN_CONTEXT_DELAY_MS")), 0, 600000);
  UiThread().PostDelayed(static_cast<DWORD>(delay), [] { ContextInitialized(); });
  return 1;
}

extern "C" void CEF_EXPORT cef_shutdown(void) {
  EngineState& e = Engine();
  {
    std::lock_guard<std::mutex> l(e.mu);
    if (e.phase == EngineState::Phase::kIdle) {
      // A host shuts down after a failed initialise too; nothing is running.
      Trace("shutdown").Add("open_browsers", 0).Add("initialized", 0).Add("live_objects", lzg::LiveBridgedObjects());
      return;
    }
    if (e.phase == EngineState::Phase::kShutDown) {
      Fault("cef_shutdown called twice");
      return;
    }
  }
  bool same = GetCurrentThreadId() == e.init_thread;
  // Closes that are under way finish first, as the engine lets them. The real engine waits for
  // its threads without answering the caller's messages: whatever an engine thread sends to the
  // caller meanwhile never returns there (WaitWithoutPumping records it).
  UiThread().Flush("cef_shutdown");
  if (!same) Fault("cef_shutdown on a thread other than the one that called cef_initialize");
  size_t open = OpenBrowsers().size();
  if (open) Fault("cef_shutdown with " + std::to_string(open) + " browser(s) still open");
  e.shutting_down = true;
  UiThread().RunWaiting([] { DestroyAllBrowsers(); }, "cef_shutdown");
  UiThread().Stop("cef_shutdown");
  LauncherThread().Stop("cef_shutdown");
  {
    // Completion callbacks held back (a cookie store that never got ready) go on the IO thread.
    std::vector<Foreign<cef_completion_callback_t>> held;
    {
      std::lock_guard<std::mutex> l(e.mu);
      held.swap(e.held_callbacks);
    }
    if (!held.empty()) {
      auto drop = std::make_shared<std::vector<Foreign<cef_completion_callback_t>>>(std::move(held));
      IoThread().RunWaiting([drop] { drop->clear(); }, "cef_shutdown");
    }
  }
  IoThread().Stop("cef_shutdown");
  {
    std::lock_guard<std::mutex> l(e.mu);
    e.phase = EngineState::Phase::kShutDown;
  }
  StopSubprocesses();
  {
    Foreign<cef_app_t> app;
    lzg::Ref<CommandLine> cmd;
    lzg::Ref<CookieManager> cookies;
    std::map<int, lzg::Ref<Browser>> browsers;
    {
      std::lock_guard<std::mutex> l(e.mu);
      app = std::move(e.app);
      cmd = std::move(e.global_command_line);
      cookies = std::move(e.cookies);
      browsers.swap(e.browsers);
    }
    std::lock_guard<std::mutex> l(e.prefs->mu);
    e.prefs->values.clear();
  }
  ReleaseStorageFolders();
  Trace("shutdown")
      .Add("open_browsers", static_cast<unsigned long>(open))
      .Add("same_thread", same)
      .Add("live_objects", lzg::LiveBridgedObjects());
}

extern "C" cef_command_line_t* CEF_EXPORT cef_command_line_get_global(void) {
  std::lock_guard<std::mutex> l(Engine().mu);
  if (Engine().global_command_line) return Engine().global_command_line->ToCef();
  auto cmd = lzg::MakeRef<CommandLine>();
  cmd->InitFromArgs(ProcessArgs());
  cmd->SetReadOnly();
  return cmd->ToCef();
}

extern "C" cef_command_line_t* CEF_EXPORT cef_command_line_create(void) { return lzg::MakeRef<CommandLine>()->ToCef(); }

extern "C" cef_cookie_manager_t* CEF_EXPORT cef_cookie_manager_get_global_manager(cef_completion_callback_t* callback) {
  return GlobalCookieManager(callback);
}

extern "C" int standin_live_objects(void) { return static_cast<int>(lzg::LiveBridgedObjects()); }

namespace lzg {
void ReportCallbackFailure(const char* operation, const char* message) noexcept {
  standin::Fault(std::string(operation) + " error : " + message);
}
}  // namespace lzg

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    standin::g_module = instance;
    DisableThreadLibraryCalls(instance);
    standin::NoteLibraryLoaded();
  }
  return TRUE;
}
