#include "tests/support/client_run.h"

#include "tests/support/exit_dialog.h"
#include "tests/support/log_lines.h"
#include "tests/support/scoped_env.h"
#include "tests/support/trace_faults.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

namespace e2e {

std::wstring BuildDir() {
  std::wstring bin = testutil::SelfDir();
  bin.pop_back();
  return bin.substr(0, bin.find_last_of(L'\\') + 1);
}

ClientRun::ClientRun() {
  const std::wstring bin = testutil::SelfDir();
  CopyFileW((bin + L"lzgmin.exe").c_str(), dir_.File(L"lzgmin.exe").c_str(), FALSE);
  testutil::CopyTree(bin + L"cef", dir_.Dir() + L"cef");
  testutil::CopyTree(bin + L"Skins", dir_.Dir() + L"Skins");
}

ClientRun::ClientRun(const std::wstring& folder) { testutil::CopyTree(folder, dir_.Path()); }

ClientRun::~ClientRun() {
  // Whatever the test looked at, a run that broke an engine rule fails it.
  tracefile::ExpectNoFaults(TraceFile());
  // A failing test leaves the run's trace behind for a look.
  if (testing::Test::HasFailure()) {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    const std::wstring dir = BuildDir() + L"e2e-traces";
    CreateDirectoryW(dir.c_str(), nullptr);
    std::wstring name = info ? testutil::FromUtf8(std::string(info->test_suite_name()) + "." + info->name()) : L"run";
    CopyFileW(TraceFile().c_str(), (dir + L"\\" + name + L".txt").c_str(), FALSE);
  }
  KillOtherInstances();
  if (process_) {
    if (Running()) {
      TerminateProcess(process_, 0xDEAD);
      WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
  }
  // Whatever runs from this folder still (an instance that never wrote to the trace, a
  // sub-process) would hold the test's output open: it goes too.
  KillStrays();
  Sleep(300);
}

void ClientRun::WriteConfig(const std::wstring& text) { testutil::WriteBytes(Config(), testutil::ToAnsi(text)); }

void ClientRun::RemoveSkins() { testutil::RemoveTree(dir_.Dir() + L"Skins"); }

bool ClientRun::Start(const std::wstring& args, const std::vector<std::wstring>& env) {
  const std::wstring exe = dir_.File(L"lzgmin.exe");
  PROCESS_INFORMATION pi{};
  BOOL ok = FALSE;
  {
    // The client inherits the environment as it is at its start; this process gets its own back right after.
    testutil::ScopedEnv start_env{{L"STANDIN_TRACE", TraceFile()}};
    // The client's log (and the engine's profile folders) stay inside the run's folder.
    CreateDirectoryW(AppData().c_str(), nullptr);  // as on every Windows account
    start_env.Set(L"APPDATA", AppData());
    for (const std::wstring& e : env) {
      const size_t eq = e.find(L'=');
      start_env.Set(e.substr(0, eq), e.substr(eq + 1));
    }
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring cmd = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    ok = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir_.Dir().c_str(), &si, &pi);
  }
  if (!ok) return false;
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  pid_ = pi.dwProcessId;
  return true;
}

bool ClientRun::WaitExit(DWORD ms) {
  if (!process_) return false;
  if (WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(process_, &exit_code_);
  return true;
}

bool ClientRun::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

std::vector<std::string> ClientRun::LogLines() const {
  std::vector<std::string> out;
  const std::wstring logs = AppData() + L"\\lzgmin\\logs\\";
  for (const wchar_t* name : {L"lzgmin.2.log", L"lzgmin.1.log", L"lzgmin.log"}) {
    std::string bytes;
    if (!testutil::ReadBytes(logs + name, bytes)) continue;
    for (std::string& line : logfile::Lines(bytes)) out.push_back(std::move(line));
  }
  return out;
}

std::vector<TraceEvent> ClientRun::Events(const std::string& name) const { return EventsOf(pid_, name); }

std::vector<TraceEvent> ClientRun::EventsOf(DWORD pid, const std::string& name) const {
  std::vector<TraceEvent> out;
  for (auto& e : Trace())
    if (e.pid == pid && e.event == name) out.push_back(e);
  return out;
}

bool ClientRun::WaitEvents(const std::string& name, size_t count, const std::function<bool(const TraceEvent&)>& pred,
                           DWORD ms) const {
  return testutil::WaitUntil(
      [&] {
        size_t n = 0;
        for (auto& e : Events(name))
          if (!pred || pred(e)) ++n;
        return n >= count;
      },
      ms);
}

bool ClientRun::WaitLoaded(DWORD ms) const {
  return testutil::WaitUntil(
      [&] {
        double loadUrl = -1;
        std::string home;
        for (auto& e : Trace()) {
          if (e.pid != pid_) continue;
          if (e.event == "load_url" && loadUrl < 0) loadUrl = e.ms, home = e.Get("url");
          // The browser's first page (about:blank) may end in the very millisecond of the home's load_url, on the
          // engine's thread: it is not the home's end.
          if (e.event == "on_load_end" && e.Get("frame") == "main" && loadUrl >= 0 && e.ms >= loadUrl &&
              (e.Get("url") != "about:blank" || home == "about:blank"))
            return true;
        }
        return false;
      },
      ms);
}

namespace {

BOOL CALLBACK FindBrowser(HWND h, LPARAM lp) {
  if (testutil::ClassOf(h) != L"StandinBrowserWindow") return TRUE;
  *reinterpret_cast<HWND*>(lp) = h;
  return FALSE;
}

}  // namespace

HWND ClientRun::BrowserWindow() const {
  HWND game = Game();
  if (!game) return nullptr;
  HWND found = nullptr;
  EnumChildWindows(game, &FindBrowser, reinterpret_cast<LPARAM>(&found));
  return found;
}

bool ClientRun::DialogVisible() const {
  HWND d = FindWindows().dialog;
  return d && IsWindowVisible(d);
}

void ExpectNoFaults(const ClientRun& run) { tracefile::ExpectNoFaults(run.TraceFile()); }

size_t ExpectCleanEnd(const ClientRun& run, const End& end) {
  EXPECT_FALSE(run.Running()) << "the client has not ended";
  EXPECT_EQ(run.ExitCode(), 0u);
  ExpectNoFaults(run);
  for (const TraceEvent& e : run.Trace()) {
    if (e.event != "subprocess_launch") continue;
    EXPECT_NE(e.Get("child"), "0") << e.Get("type") << ": " << e.Get("error");
  }

  const auto shutdown = run.Events("shutdown");
  EXPECT_EQ(shutdown.size(), 1u) << "engine shutdowns";
  if (shutdown.size() == 1) {
    EXPECT_EQ(shutdown[0].Get("open_browsers"), "0");
    if (end.engineStarted) {
      EXPECT_EQ(shutdown[0].Get("same_thread"), "1");
      EXPECT_EQ(shutdown[0].Get("live_objects"), "0") << "engine objects the client never released";
    } else {
      EXPECT_EQ(shutdown[0].Get("initialized"), "0");
    }
    // Every browser the engine made had its last close callback before the engine went down.
    std::set<std::string> closed;
    for (const TraceEvent& e : run.Events("on_before_close")) {
      EXPECT_LE(e.ms, shutdown[0].ms) << "browser " << e.Get("id") << " closed after the shutdown";
      closed.insert(e.Get("id"));
    }
    const auto made = run.Events("on_after_created");
    if (end.engineStarted && end.browserMade) {
      EXPECT_FALSE(made.empty()) << "no browser was made";
    } else {
      EXPECT_TRUE(made.empty()) << made.size() << " browser(s) made where none was expected";
    }
    for (const TraceEvent& e : made)
      EXPECT_TRUE(closed.count(e.Get("id"))) << "browser " << e.Get("id") << " never closed";
  }
  for (const TraceEvent& e : run.Events("client_released"))
    EXPECT_EQ(e.Get("held_elsewhere"), "0") << "browser " << e.Get("id");

  // The engine's sub-processes end with their parent, a moment after it.
  const std::vector<DWORD> left = testutil::ProcessesLeftIn(run.Dir(), 8000);
  EXPECT_TRUE(left.empty()) << left.size() << " process(es) of the client still running, first " << left[0];
  return left.size();
}

bool ClientRun::PageCommand(const std::wstring& text) const { return SendPageCommand(BrowserWindow(), text); }

HANDLE ClientRun::StartSubProcess(const std::wstring& type) const {
  const std::wstring exe = Dir() + L"lzgmin.exe";
  std::wstring cmd = L"\"" + exe + L"\" --type=" + type;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, Dir().c_str(), &si, &pi))
    return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

bool SendPageCommand(HWND b, const std::wstring& text) {
  if (!b) return false;
  COPYDATASTRUCT cds{0x53544E44, static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)),
                     const_cast<wchar_t*>(text.c_str())};
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(b, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_ABORTIFHUNG, 5000, &result) &&
         result;
}

bool ClientRun::Click(POINT at) const {
  HWND d = FindWindows().dialog;
  if (!d || !IsWindowVisible(d)) return false;
  HWND panel = testutil::PanelOf(d);
  if (!panel) return false;
  testutil::ClickOnPanel(panel, at);
  return true;
}

bool ClientRun::ClickExit() const { return Click(testutil::kExitButton); }
bool ClientRun::ClickStay() const { return Click(testutil::kStayButton); }

bool ClientRun::ExitThroughDialog() {
  HWND game = Game();
  if (!game) return false;
  if (!DialogVisible()) PostMessageW(game, WM_CLOSE, 0, 0);
  if (!testutil::WaitUntil([&] { return DialogVisible(); }, 10000)) return false;
  ClickExit();
  return WaitExit(20000) && exit_code_ == 0;
}

std::vector<DWORD> ClientRun::OtherInstances() const {
  std::set<DWORD> pids;
  for (auto& e : Trace())
    if (e.pid != pid_ && ((e.event == "execute_process" && e.Get("type").empty()) || e.event == "initialize"))
      pids.insert(e.pid);
  return {pids.begin(), pids.end()};
}

void ClientRun::KillOtherInstances() {
  // Under Wine a process killed while a sub-process of it still starts leaves that sub-process hanging before
  // it ever runs, for good: the instances go once their browser is there (its start-up's sub-processes are
  // launched then) and each sub-process they launched has begun its role.
  const std::vector<DWORD> others = OtherInstances();
  testutil::WaitUntil(
      [&] {
        std::set<DWORD> with_browser;
        std::set<std::string> launched, started;
        for (const TraceEvent& e : Trace()) {
          const bool other = std::find(others.begin(), others.end(), e.pid) != others.end();
          if (other && e.event == "on_after_created") with_browser.insert(e.pid);
          if (other && e.event == "subprocess_launch") launched.insert(e.Get("child"));
          if (e.event == "subprocess_start") started.insert(std::to_string(e.pid));
        }
        launched.erase("0");
        return with_browser.size() == others.size() &&
               std::includes(started.begin(), started.end(), launched.begin(), launched.end());
      },
      10000);
  for (DWORD pid : others) testutil::Terminate(pid);
}

void ClientRun::KillStrays() {
  for (DWORD pid : Processes()) testutil::Terminate(pid);
}

RECT WorkArea() {
  RECT wa{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &wa, 0);
  return wa;
}

Geometry GeometryOf(HWND w) {
  Geometry g;
  GetWindowRect(w, &g.outer);
  RECT c{};
  GetClientRect(w, &c);
  g.clientW = c.right;
  g.clientH = c.bottom;
  return g;
}

RECT FindTitleButton(HWND game) {
  RECT wr{};
  GetWindowRect(game, &wr);
  POINT client{0, 0};
  ClientToScreen(game, &client);
  const int y = wr.top + (client.y - wr.top) / 2;
  auto hit = [&](int x, int yy) {
    return SendMessageW(game, WM_NCHITTEST, 0, MAKELPARAM(x, yy)) == HTOBJECT;
  };
  int right = -1;
  for (int x = wr.right - 1; x >= wr.left; --x)
    if (hit(x, y)) {
      right = x;
      break;
    }
  if (right < 0) return RECT{};
  int left = right;
  while (left - 1 >= wr.left && hit(left - 1, y)) --left;
  int top = y, bottom = y;
  while (top - 1 >= wr.top && hit(right, top - 1)) --top;
  while (bottom + 1 < client.y && hit(right, bottom + 1)) ++bottom;
  return RECT{left, top, right + 1, bottom + 1};
}

namespace {
struct MenuSearch {
  DWORD pid;
  HWND found;
};
BOOL CALLBACK FindMenuWindow(HWND h, LPARAM lp) {
  auto* search = reinterpret_cast<MenuSearch*>(lp);
  wchar_t cls[16];
  int n = GetClassNameW(h, cls, 16);
  DWORD owner = 0;
  GetWindowThreadProcessId(h, &owner);
  if (std::wstring(cls, n > 0 ? n : 0) == L"#32768" && IsWindowVisible(h) && (!search->pid || owner == search->pid)) {
    search->found = h;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND OpenMenuWindow(DWORD pid) {
  MenuSearch search{pid, nullptr};
  EnumWindows(&FindMenuWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool SaveScreenshot(const RECT& area, const std::wstring& name) {
  const int w = area.right - area.left, h = area.bottom - area.top;
  if (w <= 0 || h <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;  // bottom-up, as a BMP file stores it
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
  GdiFlush();
  SelectObject(mem, old);
  // The screen has no alpha channel: make every pixel opaque, or viewers show it as transparent.
  auto* px = static_cast<unsigned char*>(bits);
  for (size_t i = 3; i < static_cast<size_t>(w) * static_cast<size_t>(h) * 4; i += 4) px[i] = 0xFF;
  const std::wstring dir = BuildDir() + L"screenshots";
  CreateDirectoryW(dir.c_str(), nullptr);
  BITMAPFILEHEADER fh{};
  const DWORD size = static_cast<DWORD>(w) * static_cast<DWORD>(h) * 4;
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + size;
  std::string bytes(reinterpret_cast<const char*>(&fh), sizeof fh);
  bytes.append(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
  bytes.append(static_cast<const char*>(bits), size);
  testutil::WriteBytes(dir + L"\\" + name + L".bmp", bytes);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return true;
}

}  // namespace e2e
