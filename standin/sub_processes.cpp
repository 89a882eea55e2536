#include "standin/sub_processes.h"

#include <map>
#include <mutex>
#include <vector>

#include "standin/engine.h"
#include "standin/text.h"
#include "standin/trace.h"

namespace standin {

namespace {

// The most handles one wait takes, less the watcher's own wake-up event.
constexpr size_t kMostWatched = MAXIMUM_WAIT_OBJECTS - 1;

struct Child {
  std::string type;
  HANDLE end = nullptr;      // set: the work is over, the sub-process ends by itself
  HANDLE process = nullptr;  // null until the launcher thread has started it
  DWORD pid = 0;
  bool reported = false;     // its crash was reported by whoever caused it
  DWORD crash_code = 0;      // a crash asked for before the process existed
};

struct Children {
  std::mutex mu;
  std::map<int, Child> running;
  int next = 1;
  int gpu = 0;
  HANDLE wake = nullptr;  // auto-reset: the set of processes changed, or the watching stops
  HANDLE watcher = nullptr;
  bool stopping = false;
  bool over_limit_told = false;
};

Children& State() {
  static Children c;
  return c;
}

void Forget(Children& s, std::map<int, Child>::iterator it) {
  if (it->second.process) CloseHandle(it->second.process);
  if (it->second.end) CloseHandle(it->second.end);
  s.running.erase(it);
}

DWORD WINAPI Watch(void*) {
  Children& s = State();
  for (;;) {
    std::vector<HANDLE> handles;
    std::vector<int> serials;
    {
      std::lock_guard<std::mutex> l(s.mu);
      if (s.stopping) return 0;
      handles.push_back(s.wake);
      for (auto& [serial, c] : s.running) {
        if (!c.process) continue;
        if (handles.size() > kMostWatched) {
          if (!s.over_limit_told) Fault("the stand-in watches at most 63 sub-processes at once");
          s.over_limit_told = true;
          break;
        }
        handles.push_back(c.process);
        serials.push_back(serial);
      }
    }
    const DWORD r = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, INFINITE);
    if (r == WAIT_OBJECT_0 || r < WAIT_OBJECT_0 || r >= WAIT_OBJECT_0 + handles.size()) continue;
    const int serial = serials[r - WAIT_OBJECT_0 - 1];
    std::string type;
    DWORD code = 0;
    bool report = false;
    {
      std::lock_guard<std::mutex> l(s.mu);
      auto it = s.running.find(serial);
      if (it == s.running.end()) continue;
      GetExitCodeProcess(it->second.process, &code);
      type = it->second.type;
      report = type == "renderer" && code != 0 && !it->second.reported;
      if (s.gpu == serial) s.gpu = 0;
      Trace("subprocess_ended").Add("type", type).Add("child", it->second.pid).Hex("code", code);
      Forget(s, it);
    }
    // Whoever shows the renderer's pages hears of its end on the UI thread.
    if (report) UiThread().Post([serial, code] { NotifyRendererGone(serial, code); });
  }
}

void LaunchNow(int serial, const std::string& type) {
  EngineState& e = Engine();
  std::wstring exe;
  Foreign<cef_app_t> app;
  {
    std::lock_guard<std::mutex> l(e.mu);
    exe = e.subprocess_path.empty() ? ModulePath(nullptr) : e.subprocess_path;
    app = e.app;
  }
  auto cmd = lzg::MakeRef<CommandLine>();
  cmd->InitFromArgs({exe});
  cmd->AppendSwitchText(L"type", Utf8ToWide(type), true);
  cmd->AppendSwitchText(L"standin-parent", std::to_wstring(GetCurrentProcessId()), true);
  cmd->AppendSwitchText(Utf8ToWide(kChildSwitch), std::to_wstring(serial), true);
  auto handler = Foreign<cef_browser_process_handler_t>::Adopt(
      app && app->get_browser_process_handler ? app->get_browser_process_handler(app.get()) : nullptr);
  if (handler && handler->on_before_child_process_launch)
    handler->on_before_child_process_launch(handler.get(), cmd->ToCef());
  handler.reset();
  std::wstring line = cmd->CommandLineString();
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  Children& s = State();
  if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    DWORD err = GetLastError();
    Trace("subprocess_launch").Add("type", type).Add("child", 0).Add("exe", exe).Add("error", err);
    Fault("cannot start the " + type + " sub-process");
    std::lock_guard<std::mutex> l(s.mu);
    auto it = s.running.find(serial);
    if (it != s.running.end()) Forget(s, it);
    return;
  }
  CloseHandle(pi.hThread);
  Trace("subprocess_launch").Add("type", type).Add("child", pi.dwProcessId).Add("exe", exe);
  std::lock_guard<std::mutex> l(s.mu);
  auto it = s.running.find(serial);
  if (it == s.running.end() || s.stopping) {
    // The engine shut down meanwhile; the child's end event is gone, and it follows its parent.
    CloseHandle(pi.hProcess);
    return;
  }
  it->second.process = pi.hProcess;
  it->second.pid = pi.dwProcessId;
  if (it->second.crash_code) TerminateProcess(pi.hProcess, it->second.crash_code);
  SetEvent(s.wake);
}

}  // namespace

std::wstring EndEventName(DWORD browser_pid, int child) {
  return L"Local\\standin-end-" + std::to_wstring(browser_pid) + L"-" + std::to_wstring(child);
}

int LaunchSubprocess(const std::string& type, bool wait) {
  // The engine starts its sub-processes on its process-launcher thread, never on the UI thread.
  if (Engine().shutting_down) return 0;
  Children& s = State();
  int serial = 0;
  int replaced = 0;
  {
    std::lock_guard<std::mutex> l(s.mu);
    if (s.stopping) return 0;
    if (!s.wake) s.wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!s.watcher) s.watcher = CreateThread(nullptr, 0, &Watch, nullptr, 0, nullptr);
    if (!s.wake || !s.watcher) {
      Fault("cannot watch the engine's sub-processes");
      return 0;
    }
    serial = s.next++;
    HANDLE end = CreateEventW(nullptr, TRUE, FALSE, EndEventName(GetCurrentProcessId(), serial).c_str());
    s.running[serial] = Child{type, end};
    if (type == "gpu-process") {
      replaced = s.gpu;
      s.gpu = serial;
    }
  }
  if (replaced) EndSubprocess(replaced);
  HANDLE done = wait ? CreateEventW(nullptr, TRUE, FALSE, nullptr) : nullptr;
  if (!LauncherThread().Post([serial, type, done] {
        LaunchNow(serial, type);
        if (done) SetEvent(done);
      })) {
    Fault("cannot start the " + type + " sub-process: the engine is not running");
    std::lock_guard<std::mutex> l(s.mu);
    auto it = s.running.find(serial);
    if (it != s.running.end()) Forget(s, it);
    serial = 0;
  } else if (done) {
    WaitPumpingSent(done);
  }
  if (done) CloseHandle(done);
  return serial;
}

void EndSubprocess(int child) {
  Children& s = State();
  std::lock_guard<std::mutex> l(s.mu);
  auto it = s.running.find(child);
  if (it != s.running.end() && it->second.end) SetEvent(it->second.end);
}

void CrashSubprocess(int child, DWORD code) {
  Children& s = State();
  std::lock_guard<std::mutex> l(s.mu);
  auto it = s.running.find(child);
  if (it == s.running.end()) return;
  it->second.reported = true;
  if (it->second.process) TerminateProcess(it->second.process, code);
  else it->second.crash_code = code;
}

void StopSubprocesses() {
  Children& s = State();
  HANDLE watcher = nullptr;
  {
    std::lock_guard<std::mutex> l(s.mu);
    s.stopping = true;
    for (auto& [serial, c] : s.running)
      if (c.end) SetEvent(c.end);
    if (s.wake) SetEvent(s.wake);
    watcher = s.watcher;
    s.watcher = nullptr;
  }
  if (watcher) {
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
  }
  std::lock_guard<std::mutex> l(s.mu);
  while (!s.running.empty()) Forget(s, s.running.begin());
  if (s.wake) CloseHandle(s.wake);
  s.wake = nullptr;
}

int RunningSubprocesses() {
  Children& s = State();
  std::lock_guard<std::mutex> l(s.mu);
  return static_cast<int>(s.running.size());
}

}  // namespace standin
