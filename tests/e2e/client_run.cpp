#include "tests/e2e/client_run.h"

#include "tests/support/log_lines.h"
#include "tests/support/trace_faults.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace e2e {

namespace {

std::wstring SelfDir() {
  wchar_t buf[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::wstring self(buf, n);
  return self.substr(0, self.find_last_of(L'\\') + 1);
}

}  // namespace

std::wstring BinDir() { return SelfDir(); }

std::wstring BuildDir() {
  std::wstring bin = SelfDir();
  bin.pop_back();
  return bin.substr(0, bin.find_last_of(L'\\') + 1);
}

std::string Utf8(const std::wstring& s) { return testutil::ToUtf8(s); }

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::vector<TraceEvent> ReadTrace(const std::wstring& file) { return tracefile::Read(file); }

bool WaitUntil(const std::function<bool()>& pred, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (pred()) return true;
    if (GetTickCount() - start > ms) return false;
    Sleep(50);
  }
}

ClientRun::ClientRun() {
  const std::wstring bin = BinDir();
  CopyFileW((bin + L"lzgmin.exe").c_str(), dir_.File(L"lzgmin.exe").c_str(), FALSE);
  testutil::CopyTree(bin + L"cef", dir_.Dir() + L"cef");
  testutil::CopyTree(bin + L"Skins", dir_.Dir() + L"Skins");
}

ClientRun::~ClientRun() {
  // Whatever the test looked at, a run that broke an engine rule fails it.
  tracefile::ExpectNoFaults(TraceFile());
  // A failing test leaves the run's trace behind for a look.
  if (testing::Test::HasFailure()) {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    const std::wstring dir = BuildDir() + L"e2e-traces";
    CreateDirectoryW(dir.c_str(), nullptr);
    std::wstring name = info ? Wide(std::string(info->test_suite_name()) + "." + info->name()) : L"run";
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
  std::vector<std::pair<std::wstring, std::wstring>> saved;
  auto set = [&](const std::wstring& name, const std::wstring& value) {
    wchar_t old[4096];
    DWORD n = GetEnvironmentVariableW(name.c_str(), old, 4096);
    saved.emplace_back(name, n ? std::wstring(old, n) : std::wstring(L"\x1"));
    SetEnvironmentVariableW(name.c_str(), value.c_str());
  };
  set(L"STANDIN_TRACE", TraceFile());
  // The client's log (and the engine's profile folders) stay inside the run's folder.
  CreateDirectoryW(AppData().c_str(), nullptr);  // as on every Windows account
  set(L"APPDATA", AppData());
  for (const std::wstring& e : env) {
    size_t eq = e.find(L'=');
    set(e.substr(0, eq), e.substr(eq + 1));
  }
  STARTUPINFOW si{};
  si.cb = sizeof si;
  std::wstring cmd = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
  PROCESS_INFORMATION pi{};
  BOOL ok = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir_.Dir().c_str(), &si, &pi);
  for (auto it = saved.rbegin(); it != saved.rend(); ++it)
    SetEnvironmentVariableW(it->first.c_str(), it->second == L"\x1" ? nullptr : it->second.c_str());
  if (!ok) return false;
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  pid_ = pi.dwProcessId;
  return true;
}

bool ClientRun::WaitExit(DWORD ms) {
  if (!process_) return false;
  if (WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(process_, &exitCode_);
  return true;
}

bool ClientRun::Running() { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

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
  return WaitUntil(
      [&] {
        size_t n = 0;
        for (auto& e : Events(name))
          if (!pred || pred(e)) ++n;
        return n >= count;
      },
      ms);
}

bool ClientRun::WaitLoaded(DWORD ms) const {
  return WaitUntil(
      [&] {
        double loadUrl = -1;
        for (auto& e : Trace()) {
          if (e.pid != pid_) continue;
          if (e.event == "load_url" && loadUrl < 0) loadUrl = e.ms;
          if (e.event == "on_load_end" && e.Get("frame") == "main" && loadUrl >= 0 && e.ms >= loadUrl) return true;
        }
        return false;
      },
      ms);
}

namespace {

struct FindCtx {
  DWORD pid;
  Windows w;
};

BOOL CALLBACK FindTopLevel(HWND h, LPARAM lp) {
  auto* c = reinterpret_cast<FindCtx*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid != c->pid || ClassOf(h) != L"LzgForm") return TRUE;
  if (TextOf(h) == L"信息提示")
    c->w.dialog = h;
  else
    c->w.game = h;
  return TRUE;
}

BOOL CALLBACK FindBrowser(HWND h, LPARAM lp) {
  if (ClassOf(h) != L"StandinBrowserWindow") return TRUE;
  *reinterpret_cast<HWND*>(lp) = h;
  return FALSE;
}

}  // namespace

HWND GameWindowOf(DWORD pid) {
  FindCtx ctx{pid, {}};
  EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&ctx));
  return ctx.w.game;
}

Windows ClientRun::FindWindows() const {
  FindCtx ctx{pid_, {}};
  EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&ctx));
  return ctx.w;
}

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

void ExpectExitedCleanly(ClientRun& run) {
  EXPECT_EQ(run.ExitCode(), 0u);
  auto shutdown = run.Events("shutdown");
  ASSERT_EQ(shutdown.size(), 1u);
  EXPECT_EQ(shutdown[0].Get("open_browsers"), "0");
  EXPECT_EQ(shutdown[0].Get("same_thread"), "1");
  // Every engine object the client was given went back before the engine ended.
  EXPECT_EQ(shutdown[0].Get("live_objects"), "0");
  auto closed = run.Events("on_before_close");
  ASSERT_FALSE(closed.empty());
  EXPECT_LE(closed.back().ms, shutdown[0].ms);
  // No client object outlived its browsers in the client's hands (a popup's client slot included).
  for (auto& e : run.Events("client_released")) EXPECT_EQ(e.Get("held_elsewhere"), "0") << "browser " << e.Get("id");
  ExpectNoFaults(run);
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

bool ClientRun::Click(int x, int y) const {
  HWND d = FindWindows().dialog;
  if (!d || !IsWindowVisible(d)) return false;
  // The picture buttons have no window: their parent panel gets the mouse.
  HWND panel = GetWindow(d, GW_CHILD);
  if (!panel) return false;
  PostMessageW(panel, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  PostMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(panel, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  return true;
}

bool ClientRun::ClickExit() const { return Click(55 + 120, 216 + 50); }
bool ClientRun::ClickStay() const { return Click(319 + 120, 216 + 50); }

bool ClientRun::ExitThroughDialog() {
  HWND game = Game();
  if (!game) return false;
  if (!DialogVisible()) PostMessageW(game, WM_CLOSE, 0, 0);
  if (!WaitUntil([&] { return DialogVisible(); }, 10000)) return false;
  ClickExit();
  return WaitExit(20000) && exitCode_ == 0;
}

std::vector<DWORD> ClientRun::OtherInstances() const {
  std::set<DWORD> pids;
  for (auto& e : Trace())
    if (e.pid != pid_ && ((e.event == "execute_process" && e.Get("type").empty()) || e.event == "initialize"))
      pids.insert(e.pid);
  return {pids.begin(), pids.end()};
}

void ClientRun::KillOtherInstances() {
  for (DWORD pid : OtherInstances()) {
    HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!h) continue;
    TerminateProcess(h, 0xDEAD);
    WaitForSingleObject(h, 5000);
    CloseHandle(h);
  }
}

void ClientRun::KillStrays() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof pe;
  const std::wstring dir = Dir();
  for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe)) {
    if (_wcsicmp(pe.szExeFile, L"lzgmin.exe") != 0) continue;
    HANDLE h = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pe.th32ProcessID);
    if (!h) continue;
    wchar_t path[MAX_PATH * 2];
    DWORD n = MAX_PATH * 2;
    if (QueryFullProcessImageNameW(h, 0, path, &n) && _wcsnicmp(path, dir.c_str(), dir.size()) == 0) {
      TerminateProcess(h, 0xDEAD);
      WaitForSingleObject(h, 5000);
    }
    CloseHandle(h);
  }
  CloseHandle(snap);
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

std::wstring ClassOf(HWND w) {
  wchar_t buf[256];
  int n = GetClassNameW(w, buf, 256);
  return std::wstring(buf, n > 0 ? n : 0);
}

std::wstring TextOf(HWND w) {
  wchar_t buf[512];
  int n = GetWindowTextW(w, buf, 512);
  return std::wstring(buf, n > 0 ? n : 0);
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
