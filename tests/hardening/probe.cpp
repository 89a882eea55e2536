#include "tests/hardening/probe.h"

#include <psapi.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace hardening {

namespace {

using testutil::PidOf;

bool OnWine() {
  static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

// The PEB of another (32-bit) process, or 0.
uintptr_t PebOf(HANDLE process) {
  using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  static const auto query =
      reinterpret_cast<Query>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess"));
  if (!query) return 0;
  PROCESS_BASIC_INFORMATION pbi{};
  ULONG len = 0;
  if (query(process, ProcessBasicInformation, &pbi, sizeof pbi, &len) != 0) return 0;
  return reinterpret_cast<uintptr_t>(pbi.PebBaseAddress);
}

bool ReadRemote(HANDLE process, uintptr_t address, void* out, size_t size) {
  SIZE_T got = 0;
  return ReadProcessMemory(process, reinterpret_cast<const void*>(address), out, size, &got) && got == size;
}

struct CountCtx {
  DWORD pid;
  long n;
};

BOOL CALLBACK CountChild(HWND h, LPARAM lp) {
  auto* c = reinterpret_cast<CountCtx*>(lp);
  if (PidOf(h) == c->pid) ++c->n;
  return TRUE;
}

BOOL CALLBACK CountTop(HWND h, LPARAM lp) {
  auto* c = reinterpret_cast<CountCtx*>(lp);
  if (PidOf(h) == c->pid) ++c->n;
  EnumChildWindows(h, &CountChild, lp);
  return TRUE;
}

struct ListCtx {
  const std::set<DWORD>* pids;
  std::vector<SeenWindow>* out;
};

BOOL CALLBACK ListVisible(HWND h, LPARAM lp) {
  auto* c = reinterpret_cast<ListCtx*>(lp);
  const DWORD pid = PidOf(h);
  if (!IsWindowVisible(h) || !c->pids->count(pid)) return TRUE;
  c->out->push_back({h, pid, testutil::ClassOf(h), testutil::TextOf(h)});
  return TRUE;
}


}  // namespace

// ---- resource counts ----------------------------------------------------------------------

long UserObjects(HANDLE process, DWORD pid) {
  if (DWORD n = GetGuiResources(process, GR_USEROBJECTS)) return static_cast<long>(n);
  CountCtx ctx{pid, 0};
  EnumWindows(&CountTop, reinterpret_cast<LPARAM>(&ctx));
  for (HWND m = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); m;
       m = FindWindowExW(HWND_MESSAGE, m, nullptr, nullptr)) {
    if (PidOf(m) == pid) ++ctx.n;
    EnumChildWindows(m, &CountChild, reinterpret_cast<LPARAM>(&ctx));
  }
  return ctx.n;
}

long GdiObjects(HANDLE process) {
  if (DWORD n = GetGuiResources(process, GR_GDIOBJECTS)) return static_cast<long>(n);
  if (!OnWine()) return -1;
  // Wine keeps GDI handles in the process itself: 0x10000 entries of 24 bytes
  // (object 8, owner 4, unique 2, type 1, flags 1, user pointer 8) at the address
  // that PEB.GdiSharedHandleTable (offset 0x94 in a 32-bit PEB) holds; a used entry
  // has a non-zero type.
  const uintptr_t peb = PebOf(process);
  uint32_t table = 0;
  if (!peb || !ReadRemote(process, peb + 0x94, &table, sizeof table) || !table) return -1;
  constexpr size_t kEntries = 0x10000, kEntrySize = 24, kTypeOffset = 14, kPage = 4096;
  std::vector<unsigned char> bytes(kEntries * kEntrySize);
  for (size_t off = 0; off < bytes.size(); off += kPage)
    if (!ReadRemote(process, table + off, bytes.data() + off, kPage)) return -1;
  long n = 0;
  for (size_t i = 0; i < kEntries; ++i) n += bytes[i * kEntrySize + kTypeOffset] != 0;
  return n;
}

double PrivateMiB(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX pmc{};
  pmc.cb = sizeof pmc;
  if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc)) return -1;
  const SIZE_T bytes = pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

Resources Measure(DWORD pid) {
  Resources r;
  HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!h) return r;
  r.user = UserObjects(h, pid);
  r.gdi = GdiObjects(h);
  r.privateMiB = PrivateMiB(h);
  CloseHandle(h);
  return r;
}

std::string MeasureMethod() {
  if (GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return "GetGuiResources, PrivateUsage";
  return "USER = windows owned by the process (GetGuiResources answers 0 here), "
         "GDI = used entries of the process's GDI handle table, private = commit charge (PagefileUsage)";
}

std::string Describe(const Resources& before, const Resources& after) {
  char buf[200];
  std::snprintf(buf, sizeof buf, "USER %ld -> %ld, GDI %ld -> %ld, private %.1f MiB -> %.1f MiB", before.user,
                after.user, before.gdi, after.gdi, before.privateMiB, after.privateMiB);
  return buf;
}

void Figure(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  if (const char* figures = std::getenv("LZG_FIGURES"))
    if (FILE* f = std::fopen(figures, "a")) {
      std::fprintf(f, "%s\n", line.c_str());
      std::fclose(f);
    }
}

// ---- windows ------------------------------------------------------------------------------

std::vector<SeenWindow> VisibleTopLevel(const std::set<DWORD>& pids) {
  std::vector<SeenWindow> out;
  ListCtx ctx{&pids, &out};
  EnumWindows(&ListVisible, reinterpret_cast<LPARAM>(&ctx));
  return out;
}

WindowWatch::WindowWatch(const e2e::ClientRun& run) : run_(run) {
  thread_ = std::thread([this] {
    std::set<DWORD> pids;
    for (int tick = 0; !stop_; ++tick) {
      // The client's own process from its start on (a run may be over in half a second); the engine's
      // sub-processes as the trace names them.
      if (run_.Pid()) pids.insert(run_.Pid());
      if (tick % 10 == 0)
        for (auto& e : run_.Trace()) pids.insert(e.pid);
      auto now = VisibleTopLevel(pids);
      {
        std::lock_guard<std::mutex> lock(mu_);
        seen_.insert(now.begin(), now.end());
      }
      Sleep(30);
    }
  });
}

WindowWatch::~WindowWatch() {
  stop_ = true;
  thread_.join();
}

std::vector<SeenWindow> WindowWatch::Seen() {
  std::lock_guard<std::mutex> lock(mu_);
  return {seen_.begin(), seen_.end()};
}

// ---- processes ------------------------------------------------------------------------------

std::wstring CommandLineOf(DWORD pid) {
  HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!h) return {};
  std::wstring out;
  // 32-bit layouts: PEB.ProcessParameters at 0x10, its CommandLine (UNICODE_STRING) at 0x40.
  const uintptr_t peb = PebOf(h);
  uint32_t params = 0;
  struct {
    USHORT length, maximum;
    uint32_t buffer;
  } cmd{};
  if (peb && ReadRemote(h, peb + 0x10, &params, sizeof params) && params &&
      ReadRemote(h, params + 0x40, &cmd, sizeof cmd) && cmd.buffer) {
    out.resize(cmd.length / sizeof(wchar_t));
    if (!ReadRemote(h, cmd.buffer, out.data(), cmd.length)) out.clear();
  }
  CloseHandle(h);
  return out;
}

std::vector<std::wstring> ClientArguments(const std::wstring& s) {
  std::vector<std::wstring> tokens;
  size_t i = 0;
  auto separator = [](wchar_t c) { return c >= 1 && c <= 32; };
  while (i < s.size()) {
    while (i < s.size() && separator(s[i])) ++i;
    if (i >= s.size()) break;
    std::wstring token;
    bool quoted = false, onlyQuotes = true;
    for (; i < s.size() && (quoted || !separator(s[i])); ++i) {
      if (s[i] == L'"') {
        quoted = !quoted;
      } else {
        token += s[i];
        onlyQuotes = false;
      }
    }
    if (!onlyQuotes || tokens.empty()) tokens.push_back(token);
  }
  if (!tokens.empty()) tokens.erase(tokens.begin());  // the program
  return tokens;
}

int WindowsArgumentCount(const std::wstring& commandLine) {
  int n = 0;
  LPWSTR* argv = CommandLineToArgvW(commandLine.c_str(), &n);
  if (argv) LocalFree(argv);
  return argv ? n : -1;
}

long ThreadsOf(DWORD pid) {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 te{};
  te.dwSize = sizeof te;
  long n = 0;
  for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te)) n += te.th32OwnerProcessID == pid;
  CloseHandle(snap);
  return n;
}

ProcessWatch::~ProcessWatch() {
  for (auto& [pid, h] : handles_) CloseHandle(h);
}

void ProcessWatch::Open(DWORD pid) {
  if (!pid || pid == run_.Pid()) return;
  for (auto& [p, h] : handles_)
    if (p == pid) return;
  HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!h) return;  // already gone
  // Only a process of the client: an id reused by anything else is not ours.
  wchar_t image[MAX_PATH];
  DWORD n = MAX_PATH;
  if (!QueryFullProcessImageNameW(h, 0, image, &n) || std::wstring(image, n).find(L"lzgmin.exe") == std::wstring::npos) {
    CloseHandle(h);
    return;
  }
  handles_.emplace_back(pid, h);
}

void ProcessWatch::Update() {
  for (auto& e : run_.Trace()) {
    Open(e.pid);
    if (e.event == "subprocess_launch") {
      const DWORD child = static_cast<DWORD>(std::strtoul(e.Get("child").c_str(), nullptr, 10));
      if (child) subprocesses_.insert(child), parent_child_.insert({e.pid, child});
      Open(child);
    }
  }
}

std::set<DWORD> ProcessWatch::SubProcesses() const { return subprocesses_; }

std::set<DWORD> ProcessWatch::SubProcessesOf(DWORD parent) const {
  std::set<DWORD> out;
  for (auto& [p, c] : parent_child_)
    if (p == parent) out.insert(c);
  return out;
}

std::vector<DWORD> ProcessWatch::StillRunning(DWORD ms, const std::set<DWORD>& except) {
  const DWORD start = GetTickCount();
  std::vector<DWORD> out;
  for (auto& [pid, h] : handles_) {
    if (except.count(pid)) continue;
    const DWORD spent = GetTickCount() - start;
    if (WaitForSingleObject(h, spent >= ms ? 0 : ms - spent) != WAIT_OBJECT_0) out.push_back(pid);
  }
  return out;
}

// ---- the resolution drop-down --------------------------------------------------------------

bool TitleMenu::Locate() {
  RECT wr{};
  GetWindowRect(game_, &wr);
  auto hit = [&](int x, int y) { return SendMessageW(game_, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTOBJECT; };
  // Right-aligned items keep their distance to the frame's right edge: try the last place first.
  if (found_ && hit(wr.right - from_right_, wr.top + from_top_)) return true;
  const RECT item = e2e::FindTitleButton(game_);
  if (item.right <= item.left) return false;
  from_right_ = wr.right - (item.left + item.right) / 2;
  from_top_ = item.top - wr.top;
  found_ = true;
  return true;
}

bool TitleMenu::Choose(int index) {
  if (!Locate()) return false;
  RECT wr{};
  GetWindowRect(game_, &wr);
  const DWORD pid = PidOf(game_);
  PostMessageW(game_, WM_NCLBUTTONDOWN, HTOBJECT, MAKELPARAM(wr.right - from_right_, wr.top + from_top_));
  HWND menu = nullptr;
  if (!testutil::WaitUntil([&] { return (menu = e2e::OpenMenuWindow(pid)) != nullptr; }, 10000)) return false;
  // The keyboard's way through the drop-down: the first Down selects the first item.
  for (int i = 0; i <= index; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
  return testutil::WaitUntil([&] { return e2e::OpenMenuWindow(pid) == nullptr; }, 10000);
}

}  // namespace hardening
