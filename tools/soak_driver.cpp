// The soak driver: the client as it ships (dist/lzgmin.exe, the engine stand-in beside it) kept open for a
// long time while a seeded random choice at every step does what players and pages do, with the client's
// invariants checked all along and the main instance's figures sampled every minute. A failure stops the run
// and prints the seed, the step and the last 20 steps; the command that repeats a run is printed first.
//
//   soak.exe --seed N --minutes M [--no-new-sub-processes] [--check-growth]
//
// --no-new-sub-processes leaves out what starts engine sub-processes in the main instance (spawns, loads of
// other sites, renderer crashes), to tell the client's own growth from its sub-processes'. --check-growth
// fails the run when the figures at its resting points go past the bounds below (the CTest entry sets it).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/hardening/probe.h"
#include "tests/support/client_run.h"
#include "tests/support/exit_dialog.h"
#include "tests/support/log_lines.h"
#include "tests/support/trace_reader.h"

namespace {

using tracefile::Record;
using Clock = std::chrono::steady_clock;

// Resting points (no popup open, no dialog, the window restored, the home page loaded) compared with the
// first one after the first minute. An engine sub-process of the main instance still running beyond those
// running then may hold up to kHandlesPerChild handles, kThreadsPerChild threads and kPrivatePerChildMiB.
constexpr long kWindowsMargin = 2;
constexpr long kGdiMargin = 4;
constexpr long kHandlesMargin = 10;
constexpr long kThreadsMargin = 1;
constexpr double kPrivateMarginMiB = 3.0;
// The engine's browser process watches all its sub-processes from one thread: a running one costs it its
// process handle and one event, no thread, and a few KiB.
constexpr long kHandlesPerChild = 2;
constexpr long kThreadsPerChild = 0;
constexpr double kPrivatePerChildMiB = 0.25;

constexpr DWORD kAnswerMs = 2000;  // a game window that does not answer WM_NULL within this hangs
constexpr int kMaxPopups = 2;      // instances opened from the page at once
constexpr size_t kStepsShown = 20;

constexpr const wchar_t* kUid = L"soakplayer7";
constexpr const wchar_t* kPassword = L"Pw0rdSoak9";
constexpr const wchar_t* kToken = L"tok3n-soak";
constexpr const wchar_t* kPromotion = L"tgSoak4321";
constexpr const wchar_t* kHomeAsWritten = L"http://game.example/soak?session=tok3n-soak";

struct SoakFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& what) { throw SoakFailure(what); }

std::string Utf8(const std::wstring& s) { return testutil::ToUtf8(s); }

struct Options {
  unsigned seed = 1;
  double minutes = 3;
  bool new_sub_processes = true;
  bool check_growth = false;
};

// Follows the trace as it grows: each call reads only what was appended since the last one, so a run of hours
// never reads its whole trace again.
class TraceFollower {
 public:
  explicit TraceFollower(std::wstring path) : path_(std::move(path)) {}

  void Poll(const std::function<void(const Record&)>& on_record) {
    HANDLE h = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER at;
    at.QuadPart = offset_;
    SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
    static char buf[1 << 16];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) {
      offset_ += got;
      partial_.append(buf, got);
      size_t start = 0;
      for (size_t nl; (nl = partial_.find('\n', start)) != std::string::npos; start = nl + 1) {
        std::string line = partial_.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        Record r;
        if (tracefile::ParseLine(line, r)) on_record(r);
      }
      partial_.erase(0, start);
    }
    CloseHandle(h);
  }
  long long Bytes() const { return offset_; }

 private:
  std::wstring path_;
  long long offset_ = 0;
  std::string partial_;
};

// A process of the run, held open from the moment it is first named, so that "gone" is asked of that very
// process and never of a reused id.
struct Held {
  DWORD pid = 0;
  HANDLE handle = nullptr;
  bool Running() const { return handle && WaitForSingleObject(handle, 0) == WAIT_TIMEOUT; }
};

// What the trace told about one instance of the client (a browser process).
struct Instance {
  Held process;
  std::vector<Held> children;  // its engine sub-processes
  int load_urls = 0;
  int main_load_ends = 0;
  std::string last_main_url;
  std::set<std::string> made;                 // browsers created
  std::map<std::string, double> closed;       // browser id -> on_before_close time
  std::vector<std::string> held_elsewhere;    // clients someone still held after their browser closed
  bool shut_down = false;
  Record shutdown;
  bool closed_by_us = false;

  int RunningChildren() const {
    int n = 0;
    for (const Held& c : children) n += c.Running();
    return n;
  }
};

struct Sample {
  double minute = 0;
  long handles = -1, gdi = -1, windows = -1, threads = -1;
  double private_mib = -1;
  double log_kib = -1;
  int children = 0;  // engine sub-processes of the main instance running
};

// The handles a process holds. Wine answers 0 to GetProcessHandleCount for another process; there the
// system's handle table, which the server lists for every process, is counted instead.
long HandlesOf(DWORD pid) {
  if (HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid)) {
    DWORD n = 0;
    const BOOL ok = GetProcessHandleCount(h, &n);
    CloseHandle(h);
    if (ok && n) return static_cast<long>(n);
  }
  struct Entry {
    ULONG owner;
    BYTE type, flags;
    USHORT value;
    PVOID object;
    ULONG access;
  };
  using Query = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
  static const auto query =
      reinterpret_cast<Query>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation"));
  if (!query) return -1;
  constexpr ULONG kSystemHandleInformation = 16;
  constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
  std::vector<unsigned char> buf(1 << 20);
  for (;;) {
    ULONG needed = 0;
    const LONG status = query(kSystemHandleInformation, buf.data(), static_cast<ULONG>(buf.size()), &needed);
    if (status == kLengthMismatch) {
      buf.resize(std::max<size_t>(buf.size() * 2, needed + 4096));
      continue;
    }
    if (status != 0) return -1;
    break;
  }
  const ULONG count = *reinterpret_cast<const ULONG*>(buf.data());
  const auto* entries = reinterpret_cast<const Entry*>(buf.data() + sizeof(ULONG_PTR));
  long n = 0;
  for (ULONG i = 0; i < count && sizeof(ULONG_PTR) + (i + 1) * sizeof(Entry) <= buf.size(); ++i) n += entries[i].owner == pid;
  return n;
}

long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA a{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a)) return 0;
  return (static_cast<long long>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

// The game windows of one instance: the client's window class, but not the exit dialog.
struct GameWindowSearch {
  DWORD pid;
  int games;
  HWND game;
};

BOOL CALLBACK CountGameWindows(HWND h, LPARAM lp) {
  auto* s = reinterpret_cast<GameWindowSearch*>(lp);
  if (testutil::PidOf(h) == s->pid && testutil::ClassOf(h) == L"LzgForm" && testutil::TextOf(h) != L"信息提示") {
    ++s->games;
    s->game = h;
  }
  return TRUE;
}

// A window of the driver's own, on a thread of its own, for focus to go to and come back from.
class FocusWindow {
 public:
  FocusWindow() {
    thread_ = std::thread([this] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = DefWindowProcW;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"LzgSoakFocus";
      RegisterClassW(&wc);
      hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 320,
                              200, nullptr, nullptr, wc.hInstance, nullptr);
      thread_id_ = GetCurrentThreadId();
      ready_ = true;
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      DestroyWindow(hwnd_);
    });
    while (!ready_) Sleep(10);
  }
  ~FocusWindow() {
    PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND Handle() const { return hwnd_; }

 private:
  std::thread thread_;
  std::atomic<bool> ready_{false};
  HWND hwnd_ = nullptr;
  DWORD thread_id_ = 0;
};

class SoakDriver {
 public:
  explicit SoakDriver(const Options& options) : options_(options), rng_(options.seed), trace_(run_.TraceFile()) {}
  ~SoakDriver() {
    for (auto& [pid, inst] : instances_) {
      for (Held& c : inst.children) CloseHandle(c.handle);
      if (inst.process.handle) CloseHandle(inst.process.handle);
    }
  }

  int Run();

 private:
  // ---- the trace -------------------------------------------------------------------------------
  void Poll() {
    trace_.Poll([this](const Record& r) { OnRecord(r); });
  }
  void OnRecord(const Record& r);
  Instance& InstanceOf(DWORD pid);
  Held Hold(DWORD pid) const;
  Instance& Main() { return InstanceOf(run_.Pid()); }
  std::vector<DWORD> OpenPopups();

  bool Until(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
      Poll();
      if (done()) return true;
      if (GetTickCount() - start >= ms) return false;
      Sleep(50);
    }
  }

  // ---- steps ---------------------------------------------------------------------------------
  void Note(const std::string& what) {
    steps_.push_back("#" + std::to_string(step_) + " " + what);
    if (steps_.size() > kStepsShown) steps_.pop_front();
  }
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  HWND Game();
  void WaitHomeLoaded(const std::string& why);
  void PageCommand(const std::wstring& text);
  void DialogThenStay(DWORD pid, const std::function<void()>& ask, const std::string& what);
  void ChoosePreset();
  void ToStateAndRestore(WPARAM command, BOOL(WINAPI* in_state)(HWND), const char* verb,
                                   const char* state);
  void MaximiseRestore();
  void MinimiseRestore();
  void Move();
  void FocusAway();
  void EscapeStay();
  void CloseStay();
  void SessionEndStay();
  void OpenInstance(bool ctrl_click);
  void RefusedPopup();
  void ExternalLink();
  void Crash();
  void NetError(bool after_commit);
  void Spawn();
  void OtherSite();
  void ClosePopup(DWORD pid);
  void Step();

  // ---- invariants and figures -----------------------------------------------------------------
  void Check(bool full);
  void CheckDialogPlacement(HWND dialog, HWND game);
  void CheckConfig();
  void CheckLog();
  void CheckInstanceEnd(DWORD pid, const std::string& who);
  Sample Measure(double minute);
  void Rest();
  void CheckGrowth(const Sample& now);
  void PrintFigures();
  void KeepEvidence();

  Options options_;
  std::mt19937 rng_;
  e2e::ClientRun run_;
  TraceFollower trace_;
  std::map<DWORD, Instance> instances_;
  int instances_started_ = 0;  // ids come again: an ended instance's id may be the next one's
  std::vector<std::string> faults_;
  std::deque<std::string> steps_;
  int step_ = 0;
  std::wstring home_;
  std::map<std::wstring, std::wstring> launcher_entries_;
  std::unique_ptr<hardening::TitleMenu> menu_;
  std::unique_ptr<FocusWindow> focus_;
  std::vector<Sample> samples_;
  Clock::time_point start_;
  bool have_reference_ = false;
  Sample reference_;
  int rests_checked_ = 0;
  int sites_ = 0, popups_opened_ = 0, popups_closed_ = 0;
};

// ---- the trace ---------------------------------------------------------------------------------

Held SoakDriver::Hold(DWORD pid) const {
  Held h{pid, OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)};
  if (!h.handle) return h;
  // Only a process of this run: a reused id of anything else is not ours.
  wchar_t image[MAX_PATH * 2];
  DWORD n = MAX_PATH * 2;
  const std::wstring dir = run_.Dir();
  if (!QueryFullProcessImageNameW(h.handle, 0, image, &n) || _wcsnicmp(image, dir.c_str(), dir.size()) != 0) {
    CloseHandle(h.handle);
    h.handle = nullptr;
  }
  return h;
}

Instance& SoakDriver::InstanceOf(DWORD pid) {
  auto [it, added] = instances_.try_emplace(pid);
  if (added) it->second.process = Hold(pid);
  return it->second;
}

void SoakDriver::OnRecord(const Record& r) {
  if (r.event == "fault") {
    faults_.push_back("process " + std::to_string(r.pid) + ": " + r.Get("what"));
    return;
  }
  // Instances are browser processes: only they initialise the engine.
  if (r.event == "initialize") {
    if (!instances_.count(r.pid)) ++instances_started_;
    InstanceOf(r.pid);
    return;
  }
  auto it = instances_.find(r.pid);
  if (it == instances_.end()) return;
  Instance& inst = it->second;
  if (r.event == "subprocess_launch" || r.event == "crash_handler_launch") {
    const DWORD child = static_cast<DWORD>(std::strtoul(r.Get("child").c_str(), nullptr, 10));
    if (child) inst.children.push_back(Hold(child));
  } else if (r.event == "load_url") {
    ++inst.load_urls;
  } else if (r.event == "on_load_end" && r.Get("frame") == "main") {
    ++inst.main_load_ends;
    inst.last_main_url = r.Get("url");
  } else if (r.event == "on_after_created") {
    inst.made.insert(r.Get("id"));
  } else if (r.event == "on_before_close") {
    inst.closed[r.Get("id")] = r.ms;
  } else if (r.event == "client_released" && r.Get("held_elsewhere") != "0") {
    inst.held_elsewhere.push_back(r.Get("id"));
  } else if (r.event == "shutdown") {
    inst.shut_down = true;
    inst.shutdown = r;
  }
}

std::vector<DWORD> SoakDriver::OpenPopups() {
  std::vector<DWORD> out;
  for (auto& [pid, inst] : instances_)
    if (pid != run_.Pid() && !inst.closed_by_us && inst.process.Running()) out.push_back(pid);
  return out;
}

// ---- steps -------------------------------------------------------------------------------------

HWND SoakDriver::Game() {
  HWND game = run_.Game();
  if (!game) Fail("the main instance has no game window");
  return game;
}

void SoakDriver::WaitHomeLoaded(const std::string& why) {
  Instance& m = Main();
  if (!Until([&] { return m.main_load_ends > 0 && m.last_main_url == Utf8(home_); }, 30000))
    Fail("the home page did not load again after " + why + " (last main-frame load: " + m.last_main_url + ")");
}

void SoakDriver::PageCommand(const std::wstring& text) {
  if (!run_.PageCommand(text)) Fail("the page command \"" + Utf8(text) + "\" did not reach the browser");
}

void SoakDriver::CheckDialogPlacement(HWND dialog, HWND game) {
  RECT d{};
  GetWindowRect(dialog, &d);
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(MonitorFromWindow(game, MONITOR_DEFAULTTONEAREST), &mi);
  const RECT& wa = mi.rcWork;
  if (d.left < wa.left || d.top < wa.top || d.right > wa.right || d.bottom > wa.bottom) {
    char buf[200];
    std::snprintf(buf, sizeof buf, "the exit dialog (%ld,%ld)-(%ld,%ld) is not inside the work area (%ld,%ld)-(%ld,%ld)",
                  d.left, d.top, d.right, d.bottom, wa.left, wa.top, wa.right, wa.bottom);
    Fail(buf);
  }
}

// `ask` makes instance `pid` show its exit dialog; the dialog must show inside the work area and go on "stay".
void SoakDriver::DialogThenStay(DWORD pid, const std::function<void()>& ask, const std::string& what) {
  ask();
  HWND dialog = nullptr;
  if (!Until(
          [&] {
            dialog = testutil::FindClientWindows(pid).dialog;
            return dialog && IsWindowVisible(dialog);
          },
          15000))
    Fail(what + " showed no exit dialog");
  CheckDialogPlacement(dialog, testutil::FindClientWindows(pid).game);
  testutil::ClickOnPanel(testutil::PanelOf(dialog), testutil::kStayButton);
  if (!Until([&] { return !IsWindowVisible(dialog); }, 15000)) Fail("\"stay\" did not close the exit dialog after " + what);
}

void SoakDriver::ChoosePreset() {
  const int preset = Pick(7);
  Note("preset " + std::to_string(preset) + " from the title bar's menu");
  HWND game = Game();
  if (IsIconic(game) || IsZoomed(game)) {
    PostMessageW(game, WM_SYSCOMMAND, SC_RESTORE, 0);
    Until([&] { return !IsIconic(game) && !IsZoomed(game); }, 5000);
  }
  if (!menu_) menu_ = std::make_unique<hardening::TitleMenu>(game);
  if (!menu_->Choose(preset)) Fail("the title bar's menu did not open or close");
}

// To a state through the system menu's command and back: maximised or minimised, then restored.
void SoakDriver::ToStateAndRestore(WPARAM command, BOOL(WINAPI* in_state)(HWND), const char* verb,
                                   const char* state) {
  Note(std::string(verb) + ", then restore");
  HWND game = Game();
  PostMessageW(game, WM_SYSCOMMAND, command, 0);
  if (!Until([&] { return in_state(game) != FALSE; }, 5000)) Fail(std::string("the window did not ") + verb);
  Sleep(200 + Pick(800));
  PostMessageW(game, WM_SYSCOMMAND, SC_RESTORE, 0);
  if (!Until([&] { return !in_state(game); }, 5000)) Fail(std::string("the window did not restore from ") + state);
}

void SoakDriver::MaximiseRestore() { ToStateAndRestore(SC_MAXIMIZE, &IsZoomed, "maximise", "maximised"); }

void SoakDriver::MinimiseRestore() { ToStateAndRestore(SC_MINIMIZE, &IsIconic, "minimise", "minimised"); }

void SoakDriver::Move() {
  HWND game = Game();
  if (IsZoomed(game) || IsIconic(game)) {
    Note("move skipped (maximised or minimised)");
    return;
  }
  RECT wr{};
  GetWindowRect(game, &wr);
  const RECT wa = e2e::WorkArea();
  const int w = wr.right - wr.left;
  // Anywhere from half off the left edge to half off the right, the title bar kept below the top.
  const int x = wa.left - w / 2 + Pick(std::max(1, static_cast<int>(wa.right - wa.left)));
  const int y = wa.top + Pick(std::max(1, static_cast<int>(wa.bottom - wa.top) - 40));
  Note("move to " + std::to_string(x) + "," + std::to_string(y));
  SetWindowPos(game, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SoakDriver::FocusAway() {
  Note("focus to another window and back");
  if (!focus_) focus_ = std::make_unique<FocusWindow>();
  SetForegroundWindow(focus_->Handle());
  Sleep(200 + Pick(600));
  SetForegroundWindow(Game());
}

void SoakDriver::EscapeStay() {
  Note("Escape in the page, \"stay\"");
  HWND browser = run_.BrowserWindow();
  if (!browser) Fail("the game window holds no browser window");
  DialogThenStay(
      run_.Pid(),
      [&] {
        testutil::PostKey(browser, WM_KEYDOWN, VK_ESCAPE);
        testutil::PostKey(browser, WM_KEYUP, VK_ESCAPE);
      },
      "Escape");
}

void SoakDriver::CloseStay() {
  HWND game = Game();
  const bool minimised = Pick(4) == 0;
  Note(std::string("WM_CLOSE") + (minimised ? " while minimised" : "") + ", \"stay\"");
  if (minimised) {
    PostMessageW(game, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    if (!Until([&] { return IsIconic(game) != FALSE; }, 5000)) Fail("the window did not minimise");
  }
  DialogThenStay(run_.Pid(), [&] { PostMessageW(game, WM_CLOSE, 0, 0); }, "WM_CLOSE");
  if (minimised) {
    if (!IsIconic(game)) Fail("\"stay\" did not leave the minimised window minimised");
    PostMessageW(game, WM_SYSCOMMAND, SC_RESTORE, 0);
    if (!Until([&] { return !IsIconic(game); }, 5000)) Fail("the window did not restore from minimised");
  }
}

void SoakDriver::SessionEndStay() {
  Note("session end asked (WM_QUERYENDSESSION), \"stay\"");
  HWND game = Game();
  std::atomic<LRESULT> answer{-1};
  std::thread system;
  DialogThenStay(
      run_.Pid(),
      [&] {
        system = std::thread([&] {
          DWORD_PTR result = 0;
          if (SendMessageTimeoutW(game, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 60000, &result))
            answer = static_cast<LRESULT>(result);
        });
      },
      "WM_QUERYENDSESSION");
  system.join();
  if (answer != 0) Fail("\"stay\" did not refuse the session end (answer " + std::to_string(answer) + ")");
  DWORD_PTR result = 0;
  SendMessageTimeoutW(game, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &result);
}

void SoakDriver::OpenInstance(bool ctrl_click) {
  const std::wstring address = L"http://" + std::wstring(ctrl_click ? L"tab" : L"pop") +
                               std::to_wstring(++popups_opened_) + L".example/soak?n=" + std::to_wstring(step_);
  Note(std::string(ctrl_click ? "Ctrl-click to " : "popup to ") + Utf8(address));
  const int before = instances_started_;
  PageCommand((ctrl_click ? L"openurl 4 1 " : L"popup 3 1 ") + address);
  if (!Until([&] { return instances_started_ > before; }, 60000)) Fail("no new instance started for " + Utf8(address));
}

void SoakDriver::RefusedPopup() {
  static const wchar_t* const kRefused[] = {L"ftp://files.example/x", L"tencent://message/?uin=1",
                                            L"file://host/share/x.html", L"javascript:alert(1)"};
  const std::wstring address = kRefused[Pick(4)];
  Note("refused popup to " + Utf8(address));
  const int before = instances_started_;
  PageCommand(L"popup 3 1 " + address);
  if (Until([&] { return instances_started_ > before; }, 1500)) Fail("a popup to " + Utf8(address) + " started an instance");
}

void SoakDriver::ExternalLink() {
  Note("link to tencent://message/?uin=1");
  const int loads = Main().main_load_ends;
  PageCommand(L"navigate tencent://message/?uin=1");
  Sleep(800);
  Poll();
  if (Main().main_load_ends != loads && Main().last_main_url != Utf8(home_))
    Fail("a link to another program changed the game page to " + Main().last_main_url);
}

void SoakDriver::Crash() {
  const bool oom = Pick(2) == 0;
  Note(oom ? "renderer crash (out of memory)" : "renderer crash");
  const int urls = Main().load_urls;
  PageCommand(oom ? L"crash oom" : L"crash");
  // The client loads its home again while its budget lasts; after that the player's next navigation does.
  if (!Until([&] { return Main().load_urls > urls; }, 8000)) {
    Note("no reload after the crash (the budget is spent): navigate home");
    PageCommand(L"navigate " + home_);
  }
  WaitHomeLoaded("a renderer crash");
}

void SoakDriver::NetError(bool after_commit) {
  const std::wstring address =
      home_ + (after_commit ? L"&standin-neterror-after-commit=-324" : L"&standin-neterror=-105");
  Note(std::string("load failing ") + (after_commit ? "after" : "before") + " commit, then home again");
  const int ends = Main().main_load_ends;
  PageCommand(L"navigate " + address);
  if (!Until([&] { return Main().main_load_ends > ends; }, 15000)) Fail("the failing load never ended");
  Sleep(300 + Pick(3000));
  PageCommand(L"navigate " + home_);
  WaitHomeLoaded("a failed load");
}

void SoakDriver::Spawn() {
  const bool renderer = Pick(2) == 0;
  Note(renderer ? "spawn renderer" : "spawn utility");
  PageCommand(renderer ? L"spawn renderer" : L"spawn utility");
}

void SoakDriver::OtherSite() {
  const std::wstring address = L"http://site" + std::to_wstring(++sites_) + L".example/page";
  Note("load of another site " + Utf8(address) + ", then home");
  const int ends = Main().main_load_ends;
  PageCommand(L"navigate " + address);
  if (!Until([&] { return Main().main_load_ends > ends; }, 20000)) Fail("the other site's load never ended");
  Sleep(200 + Pick(1500));
  PageCommand(L"navigate " + home_);
  WaitHomeLoaded("another site");
}

// An instance opened from the page, closed through its own exit dialog's "exit".
void SoakDriver::ClosePopup(DWORD pid) {
  Note("close instance " + std::to_string(pid) + " through its exit dialog");
  Instance& inst = InstanceOf(pid);
  if (!Until([&] { return inst.main_load_ends > 0 && testutil::FindClientWindows(pid).game; }, 60000))
    Fail("instance " + std::to_string(pid) + " never loaded its page");
  HWND game = testutil::FindClientWindows(pid).game;
  PostMessageW(game, WM_CLOSE, 0, 0);
  HWND dialog = nullptr;
  if (!Until(
          [&] {
            dialog = testutil::FindClientWindows(pid).dialog;
            return dialog && IsWindowVisible(dialog);
          },
          15000))
    Fail("instance " + std::to_string(pid) + " showed no exit dialog");
  CheckDialogPlacement(dialog, game);
  inst.closed_by_us = true;
  testutil::ClickOnPanel(testutil::PanelOf(dialog), testutil::kExitButton);
  if (WaitForSingleObject(inst.process.handle, 30000) != WAIT_OBJECT_0)
    Fail("instance " + std::to_string(pid) + " did not end after \"exit\"");
  CheckInstanceEnd(pid, "instance " + std::to_string(pid));
  ++popups_closed_;
  // An hour opens hundreds of them: what is known of an ended one is let go, and its id is free for the next.
  for (Held& c : inst.children) CloseHandle(c.handle);
  CloseHandle(inst.process.handle);
  instances_.erase(pid);
}

void SoakDriver::CheckInstanceEnd(DWORD pid, const std::string& who) {
  Instance& inst = InstanceOf(pid);
  DWORD code = 0;
  GetExitCodeProcess(inst.process.handle, &code);
  if (code != 0) Fail(who + " ended with code " + std::to_string(code));
  if (!Until([&] { return inst.shut_down; }, 5000)) Fail(who + " ended without an engine shutdown");
  const Record& s = inst.shutdown;
  if (s.Get("open_browsers") != "0" || s.Get("live_objects") != "0" || s.Get("same_thread") != "1")
    Fail(who + "'s engine shutdown: open_browsers=" + s.Get("open_browsers") + " live_objects=" +
         s.Get("live_objects") + " same_thread=" + s.Get("same_thread"));
  for (const std::string& id : inst.made) {
    auto c = inst.closed.find(id);
    if (c == inst.closed.end() || c->second > s.ms) Fail(who + ": browser " + id + " was not closed before shutdown");
  }
  if (!inst.held_elsewhere.empty()) Fail(who + ": the client of browser " + inst.held_elsewhere[0] + " outlived it");
  for (const Held& c : inst.children)
    if (c.handle && WaitForSingleObject(c.handle, 10000) != WAIT_OBJECT_0)
      Fail(who + ": its sub-process " + std::to_string(c.pid) + " is still running 10 s after its end");
}

void SoakDriver::Step() {
  ++step_;
  // What players and pages do, weighted by how often they happen.
  struct Action {
    int weight;
    bool new_sub_processes;
    std::function<void()> run;
  };
  const std::vector<Action> actions = {
      {10, false, [&] { ChoosePreset(); }},
      {4, false, [&] { MaximiseRestore(); }},
      {4, false, [&] { MinimiseRestore(); }},
      {8, false, [&] { Move(); }},
      {4, false, [&] { FocusAway(); }},
      {4, false, [&] { EscapeStay(); }},
      {4, false, [&] { CloseStay(); }},
      {2, false, [&] { SessionEndStay(); }},
      {4, false, [&] { OpenInstance(false); }},
      {3, false, [&] { OpenInstance(true); }},
      {3, false, [&] { RefusedPopup(); }},
      {3, false, [&] { ExternalLink(); }},
      {3, false, [&] { NetError(Pick(2) == 0); }},
      {2, true, [&] { Crash(); }},
      {3, true, [&] { Spawn(); }},
      {3, true, [&] { OtherSite(); }},
  };
  // Popups past the limit are closed first, and some of them at random whenever there are.
  const std::vector<DWORD> popups = OpenPopups();
  if (!popups.empty() && (popups.size() >= static_cast<size_t>(kMaxPopups) || Pick(6) == 0)) {
    ClosePopup(popups[static_cast<size_t>(Pick(static_cast<int>(popups.size())))]);
    return;
  }
  int total = 0;
  for (const Action& a : actions) total += (options_.new_sub_processes || !a.new_sub_processes) ? a.weight : 0;
  int roll = Pick(total);
  for (const Action& a : actions) {
    if (!options_.new_sub_processes && a.new_sub_processes) continue;
    if (roll < a.weight) {
      a.run();
      return;
    }
    roll -= a.weight;
  }
}

// ---- invariants ----------------------------------------------------------------------------

void SoakDriver::CheckConfig() {
  std::string bytes;
  if (!testutil::ReadBytes(run_.Config(), bytes) || bytes.find("[dump]") == std::string::npos)
    Fail("zeRoVedi.dat cannot be read or lost its section");
  for (const auto& [key, value] : launcher_entries_) {
    const std::wstring now = testutil::IniValue(run_.Config(), key);
    if (now != value) Fail("zeRoVedi.dat: " + Utf8(key) + " is \"" + Utf8(now) + "\", the launcher wrote \"" + Utf8(value) + "\"");
  }
}

void SoakDriver::CheckLog() {
  static const std::set<std::string> kThreads = {"main", "engine UI", "other"};
  const std::string secrets[] = {Utf8(kUid), Utf8(kPassword), Utf8(kToken), Utf8(kPromotion)};
  const std::wstring logs = run_.AppData() + L"\\lzgmin\\logs\\";
  for (const wchar_t* name : {L"lzgmin.2.log", L"lzgmin.1.log", L"lzgmin.log"}) {
    std::string bytes;
    if (!testutil::ReadBytes(logs + name, bytes)) continue;
    // A line still being appended has no end yet: only whole lines are judged.
    bytes.erase(bytes.rfind('\n') == std::string::npos ? 0 : bytes.rfind('\n') + 1);
    for (const std::string& line : logfile::Lines(bytes)) {
      const std::vector<std::string> cols = logfile::Columns(line);
      auto bad = [&](const char* why) { Fail(std::string("log line ") + why + ": " + line); };
      if (cols.size() != 6) bad("without six columns");
      const std::string& t = cols[0];
      if (t.size() != 23 || t[4] != '-' || t[7] != '-' || t[10] != ' ' || t[13] != ':' || t[16] != ':' || t[19] != '.')
        bad("with a malformed time");
      if (cols[1].empty() || cols[1].find_first_not_of("0123456789") != std::string::npos) bad("with a malformed process id");
      if (cols[2] != "0" && cols[2] != "1") bad("with a malformed profile");
      if (cols[3].empty()) bad("without a role");
      if (!kThreads.count(cols[4])) bad("with an unknown thread");
      if (cols[5].empty() || cols[5].find('\r') != std::string::npos) bad("with a malformed text");
      for (const std::string& secret : secrets)
        if (line.find(secret) != std::string::npos) bad("holding a secret");
    }
  }
}

void SoakDriver::Check(bool full) {
  Poll();
  if (!faults_.empty()) Fail("engine rule broken: " + faults_.front());
  if (!run_.Running()) Fail("the main instance ended");
  for (auto& [pid, inst] : instances_) {
    if (inst.closed_by_us || !inst.process.Running()) {
      if (!inst.closed_by_us && pid != run_.Pid()) Fail("instance " + std::to_string(pid) + " ended on its own");
      continue;
    }
    GameWindowSearch search{pid, 0, nullptr};
    EnumWindows(&CountGameWindows, reinterpret_cast<LPARAM>(&search));
    const int games = search.games;
    const HWND game = search.game;
    // An instance still starting has no window yet; one that loaded its page has exactly one.
    const bool started = pid == run_.Pid() || inst.main_load_ends > 0;
    if (games > 1 || (started && games != 1))
      Fail("instance " + std::to_string(pid) + " has " + std::to_string(games) + " game windows");
    if (game && !testutil::Answers(game, kAnswerMs))
      Fail("the game window of instance " + std::to_string(pid) + " did not answer within 2 s");
    const HWND dialog = testutil::FindClientWindows(pid).dialog;
    if (dialog && IsWindowVisible(dialog) && game) CheckDialogPlacement(dialog, game);
  }
  CheckConfig();
  if (full) CheckLog();
}

// ---- figures -------------------------------------------------------------------------------

Sample SoakDriver::Measure(double minute) {
  Sample s;
  s.minute = minute;
  const DWORD pid = run_.Pid();
  const hardening::Resources r = hardening::Measure(pid);
  s.windows = r.user;
  s.gdi = r.gdi;
  s.private_mib = r.privateMiB;
  s.handles = HandlesOf(pid);
  s.threads = hardening::ThreadsOf(pid);
  const std::wstring logs = run_.AppData() + L"\\lzgmin\\logs\\";
  s.log_kib = static_cast<double>(FileSize(logs + L"lzgmin.log") + FileSize(logs + L"lzgmin.1.log") +
                                  FileSize(logs + L"lzgmin.2.log")) / 1024.0;
  Poll();
  s.children = Main().RunningChildren();
  return s;
}

// Back to the same windows: no popup open, no dialog, the window restored, the home page loaded and settled.
void SoakDriver::Rest() {
  Note("rest: popups closed, window restored, home loaded");
  for (DWORD pid : OpenPopups()) ClosePopup(pid);
  HWND game = Game();
  if (IsIconic(game) || IsZoomed(game)) {
    PostMessageW(game, WM_SYSCOMMAND, SC_RESTORE, 0);
    Until([&] { return !IsIconic(game) && !IsZoomed(game); }, 5000);
  }
  Instance& m = Main();
  if (m.last_main_url != Utf8(home_)) PageCommand(L"navigate " + home_);
  WaitHomeLoaded("the rest");
  Until([&] { return m.main_load_ends >= m.load_urls; }, 20000);
  Sleep(1500);
  Check(true);
}

void SoakDriver::CheckGrowth(const Sample& now) {
  const double minute = now.minute;
  if (!have_reference_) {
    if (minute < 1.0) return;
    reference_ = now;
    have_reference_ = true;
    return;
  }
  ++rests_checked_;
  const long extra = std::max(0, now.children - reference_.children);
  char buf[400];
  auto over = [&](const char* what, double value, double base, double bound) {
    if (value <= base + bound) return;
    std::snprintf(buf, sizeof buf, "%s grew from %.1f to %.1f at a resting point (bound +%.1f, %ld more engine "
                  "sub-processes running)", what, base, value, bound, extra);
    Fail(buf);
  };
  over("windows", static_cast<double>(now.windows), static_cast<double>(reference_.windows), kWindowsMargin);
  over("GDI objects", static_cast<double>(now.gdi), static_cast<double>(reference_.gdi), kGdiMargin);
  over("handles", static_cast<double>(now.handles), static_cast<double>(reference_.handles),
       static_cast<double>(kHandlesMargin + kHandlesPerChild * extra));
  over("threads", static_cast<double>(now.threads), static_cast<double>(reference_.threads),
       static_cast<double>(kThreadsMargin + kThreadsPerChild * extra));
  over("private MiB", now.private_mib, reference_.private_mib, kPrivateMarginMiB + kPrivatePerChildMiB * static_cast<double>(extra));
}

void SoakDriver::PrintFigures() {
  if (samples_.empty()) return;
  std::printf("\nfigures of the main instance (%s)\n", hardening::MeasureMethod().c_str());
  std::printf("%8s %8s %6s %8s %8s %12s %10s %9s\n", "minute", "handles", "GDI", "windows", "threads", "private MiB",
              "log KiB", "children");
  for (const Sample& s : samples_)
    std::printf("%8.1f %8ld %6ld %8ld %8ld %12.1f %10.1f %9d\n", s.minute, s.handles, s.gdi, s.windows, s.threads,
                s.private_mib, s.log_kib, s.children);
  const Sample& first = samples_.front();
  const Sample& last = samples_.back();
  // Growth per hour after the first minute: the least-squares slope through every sample from then on, so that
  // what one sample happened to catch (a dialog, a popup, a page between loads) weighs as little as it should.
  auto row = [&](const char* name, auto get) {
    double largest = get(first);
    for (const Sample& s : samples_) largest = std::max(largest, get(s));
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const Sample& s : samples_) {
      if (s.minute < 1.0) continue;
      const double x = s.minute / 60.0, y = get(s);
      n += 1;
      sx += x;
      sy += y;
      sxx += x * x;
      sxy += x * y;
    }
    const double spread = n * sxx - sx * sx;
    const double growth = n >= 2 && spread > 1e-12 ? (n * sxy - sx * sy) / spread : 0;
    std::printf("%-12s first %9.1f  last %9.1f  largest %9.1f  growth per hour after the first minute %+9.1f\n", name,
                get(first), get(last), largest, growth);
    char line[300];
    std::snprintf(line, sizeof line, "soak %s: first %.1f, last %.1f, largest %.1f, %+.1f per hour", name, get(first),
                  get(last), largest, growth);
    hardening::Figure(line);
  };
  std::printf("\n");
  row("handles", [](const Sample& s) { return static_cast<double>(s.handles); });
  row("GDI", [](const Sample& s) { return static_cast<double>(s.gdi); });
  row("windows", [](const Sample& s) { return static_cast<double>(s.windows); });
  row("threads", [](const Sample& s) { return static_cast<double>(s.threads); });
  row("private MiB", [](const Sample& s) { return s.private_mib; });
  row("log KiB", [](const Sample& s) { return s.log_kib; });
  std::printf("trace: %.1f MiB\n", static_cast<double>(trace_.Bytes()) / (1024.0 * 1024.0));
}

// A failed run keeps what tells why beside the build (the run's own folder goes with it): the trace, the
// configuration and the logs.
void SoakDriver::KeepEvidence() {
  const std::wstring kept = e2e::BuildDir() + L"soak-failed-seed" + std::to_wstring(options_.seed) + L"-step" +
                            std::to_wstring(step_);
  CreateDirectoryW(kept.c_str(), nullptr);
  CopyFileW(run_.TraceFile().c_str(), (kept + L"\\trace.txt").c_str(), FALSE);
  CopyFileW(run_.Config().c_str(), (kept + L"\\zeRoVedi.dat").c_str(), FALSE);
  testutil::CopyTree(run_.AppData(), kept + L"\\AppData");
  std::printf("the run's trace, configuration and logs are kept in %s\n", Utf8(kept).c_str());
}

int SoakDriver::Run() {
  char repeat[200];
  std::snprintf(repeat, sizeof repeat, "soak.exe --seed %u --minutes %g%s%s", options_.seed, options_.minutes,
                options_.new_sub_processes ? "" : " --no-new-sub-processes", options_.check_growth ? " --check-growth" : "");
  std::printf("repeat this run with: %s\n", repeat);
  std::fflush(stdout);

  // The client as it ships, without debug information, beside the stand-in.
  const std::wstring shipped = e2e::BuildDir() + L"dist\\lzgmin.exe";
  if (!CopyFileW(shipped.c_str(), (run_.Dir() + L"lzgmin.exe").c_str(), FALSE)) {
    std::fprintf(stderr, "soak: %s is missing (build the target dist)\n", Utf8(shipped).c_str());
    return 2;
  }
  launcher_entries_ = {{L"uid", kUid},        {L"ip", kPassword},      {L"isDecodePwd", L"1"}, {L"istest", L"1"},
                       {L"istui", L"1"},      {L"port", L"2"},         {L"doUrl2", kHomeAsWritten},
                       {L"SkinName", L"Topaz 2017"}};
  std::wstring config = L"[dump]\r\n";
  for (const auto& [key, value] : launcher_entries_) config += key + L"=" + value + L"\r\n";
  config += L"Width_0=1000\r\nHeight_0=720\r\nSizeIndex_0=1\r\n";
  run_.WriteConfig(config);
  testutil::WriteBytes(run_.Dir() + L"52lzg.dat", Utf8(kPromotion) + "\r\n");
  // A slow cookie store at start, for this instance and the ones it opens.
  static const int kCookieDelays[] = {0, 300, 1500, 3500};
  const int cookie_delay = kCookieDelays[Pick(4)];

  int rc = 0;
  try {
    if (!run_.Start(L"", {L"STANDIN_COOKIE_DELAY_MS=" + std::to_wstring(cookie_delay)})) Fail("the client did not start");
    start_ = Clock::now();
    auto minutes = [&] { return std::chrono::duration<double>(Clock::now() - start_).count() / 60.0; };
    Note("start, cookie store ready after " + std::to_string(cookie_delay) + " ms");
    Poll();
    // The browser's first page comes before the home load, which waits for the cookie store.
    if (!Until([&] { return Main().load_urls > 0; }, 60000)) Fail("the client never loaded its home address");
    // The home address as the client loads it (the promotion code added).
    for (const Record& r : run_.Events("load_url")) {
      home_ = testutil::FromUtf8(r.Get("url"));
      break;
    }
    WaitHomeLoaded("the start");
    Check(true);
    samples_.push_back(Measure(minutes()));
    double next_sample = 1.0, next_rest = 0.5;
    while (minutes() < options_.minutes) {
      Step();
      Check(step_ % 10 == 0);
      Sleep(static_cast<DWORD>(100 + Pick(700)));
      if (minutes() >= next_sample) {
        samples_.push_back(Measure(minutes()));
        next_sample += 1.0;
      }
      if (options_.check_growth && minutes() >= next_rest) {
        Rest();
        CheckGrowth(Measure(minutes()));
        next_rest = minutes() + 0.5;
      }
    }
    ++step_;
    Rest();
    const Sample last = Measure(minutes());
    samples_.push_back(last);
    if (options_.check_growth) CheckGrowth(last);
    Note("exit through the dialog");
    if (!run_.ExitThroughDialog()) Fail("the client did not end with code 0 through the exit dialog");
    CheckInstanceEnd(run_.Pid(), "the main instance");
    Poll();
    if (!faults_.empty()) Fail("engine rule broken: " + faults_.front());
    CheckConfig();
    CheckLog();
    const std::vector<DWORD> left = testutil::ProcessesLeftIn(run_.Dir(), 10000);
    if (!left.empty()) Fail(std::to_string(left.size()) + " process(es) of the run still running after the end");
    PrintFigures();
    std::printf("\nsoak passed: %d steps in %.1f minutes, %d instances opened from the page and closed, %d engine "
                "sub-processes started by the main instance, %d resting points compared (%s)\n",
                step_, minutes(), popups_closed_, static_cast<int>(Main().children.size()), rests_checked_, repeat);
  } catch (const SoakFailure& failure) {
    PrintFigures();
    std::printf("\nsoak FAILED at step %d (seed %u): %s\nthe last steps:\n", step_, options_.seed, failure.what());
    for (const std::string& s : steps_) std::printf("  %s\n", s.c_str());
    std::printf("repeat it with: %s\n", repeat);
    KeepEvidence();
    rc = 1;
  }
  std::fflush(stdout);
  return rc;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--seed" && i + 1 < argc) {
      options.seed = static_cast<unsigned>(std::wcstoul(argv[++i], nullptr, 10));
    } else if (arg == L"--minutes" && i + 1 < argc) {
      options.minutes = std::wcstod(argv[++i], nullptr);
    } else if (arg == L"--no-new-sub-processes") {
      options.new_sub_processes = false;
    } else if (arg == L"--check-growth") {
      options.check_growth = true;
    } else {
      std::fprintf(stderr, "usage: soak.exe --seed N --minutes M [--no-new-sub-processes] [--check-growth]\n");
      return 2;
    }
  }
  SoakDriver driver(options);
  return driver.Run();
}
