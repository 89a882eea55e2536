// Start-up benchmark: the client as it ships against two minimal hosts of the same engine: one that
// starts the way the client must (its window after cef_initialize, the client's manifest), the
// like-for-like anchor, and one that makes its window first (the floor of any start).
// Prints medians over several runs: time from process start to the home
// address's load_url, the main process's peak working set, and the time an
// engine sub-process spends before cef_execute_process; then the client's launch
// phase by phase with the private bytes each adds, and the steps after the start
// (a preset's reload, the exit dialog's showing, the exit). Times come from the
// engine's trace (milliseconds since each process started).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/bench_median.h"

namespace fs = std::filesystem;

namespace {

const wchar_t kHome[] = L"http://bench.example/home";

struct TraceLine {
  double ms = 0;
  DWORD pid = 0;
  std::string event;
  std::string details;
};

std::vector<TraceLine> ReadTrace(const fs::path& file) {
  std::vector<TraceLine> lines;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    TraceLine t;
    std::string ms, pid;
    if (!std::getline(s, ms, '\t') || !std::getline(s, pid, '\t') || !std::getline(s, t.event, '\t')) continue;
    std::getline(s, t.details);
    t.ms = std::atof(ms.c_str());
    t.pid = static_cast<DWORD>(std::strtoul(pid.c_str(), nullptr, 10));
    lines.push_back(t);
  }
  return lines;
}

std::string Field(const std::string& details, const std::string& key) {
  std::istringstream s(details);
  std::string item;
  while (s >> item)
    if (item.rfind(key + "=", 0) == 0) return item.substr(key.size() + 1);
  return {};
}

long long Ticks(const FILETIME& f) { return (static_cast<long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime; }
long long NowTicks() {
  FILETIME f;
  GetSystemTimeAsFileTime(&f);
  return Ticks(f);
}

// A moment of the run: milliseconds since the process started (the stand-in's clock), and the
// process's private bytes then in KiB when the stand-in wrote it (-1 when not known).
struct Mark {
  double ms = -1;
  double kib = -1;
};

// Every moment the benchmark takes from one run. The stand-in's trace gives the engine's side
// (STANDIN_TRACE_COSTS adds the library's load and the private bytes). Two moments come from what
// the client writes anyway, so it carries no benchmark code: the configuration file's write time
// (the start-up trace entry "step", the configuration's last write at start) and the time of the
// client's log "start:" line, written once the engine object is set up. The windows' creation is
// seen through the system's window-event hook, from outside the process.
enum MarkId {
  kConfigWritten, kLogStart, kLibraryLoaded, kExecuteProcess, kInitialize, kGameWindowCreated, kDialogCreated,
  kCreateBrowser, kAfterCreated, kLoadUrl, kSubLoaded, kSubStart, kMarkCount
};

// Under an emulator (this machine runs 32-bit Wine under qemu-i386), the process's working set holds the
// emulator's own pages beside the program's: its translated code above all, which grows with every
// distinct piece of code the program runs. The 32-bit program's pages all lie below 4 GiB, the
// emulator's above. Read from the host's /proc; -1 where there is no such view.
struct ResidentSplit {
  double programMiB = -1;          // below 4 GiB: images, heaps, stacks, mapped files of the program and Wine
  double emulatorMiB = -1;         // above 4 GiB: the emulator, its translated code and heap
  double threadRegionsMiB = -1;    // of the program's: anonymous regions of about 3 MiB (a thread's stacks each)
};

std::string ReadWholeFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The host process that runs `exe` as a main process (no engine --type switch), through Wine's Z: drive.
ResidentSplit ReadResidentSplit(const std::wstring& exe) {
  ResidentSplit split;
  std::error_code ec;
  const std::string name = fs::path(exe).filename().string();
  for (const auto& entry : fs::directory_iterator(L"Z:\\proc", ec)) {
    const std::string pid = entry.path().filename().string();
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string cmd = ReadWholeFile(entry.path() / L"cmdline");
    std::replace(cmd.begin(), cmd.end(), '\0', ' ');
    if (cmd.find(name) == std::string::npos || cmd.find("--type=") != std::string::npos) continue;
    if (cmd.find("bench_startup") != std::string::npos) continue;
    std::istringstream maps(ReadWholeFile(entry.path() / L"smaps"));
    std::string line;
    unsigned long long start = 0, end = 0;
    bool anonymous = false;
    double program = 0, emulator = 0, threads = 0;
    while (std::getline(maps, line)) {
      unsigned long long a, b;
      char path[512] = "";
      // A mapping's own line; its fields ("Rss:", "Anonymous:") never read as an address range.
      if (std::sscanf(line.c_str(), "%llx-%llx %*s %*s %*s %*s %511s", &a, &b, path) >= 2) {
        start = a;
        end = b;
        anonymous = path[0] == 0;
        continue;
      }
      unsigned long kb;
      if (std::sscanf(line.c_str(), "Rss: %lu kB", &kb) != 1) continue;
      const double mib = kb / 1024.0;
      if (start >= (1ull << 32)) {
        emulator += mib;
      } else {
        program += mib;
        const unsigned long long size = end - start;
        if (anonymous && size >= 0x2F0000 && size <= 0x300000) threads += mib;
      }
    }
    if (program + emulator > 0) split = {program, emulator, threads};
    break;
  }
  return split;
}

struct Sample {
  Mark marks[kMarkCount];
  double peakWorkingSetMiB = -1;
  ResidentSplit resident;       // the working set at the home load_url, by who owns the pages
  double presetToReloadMs = -1;  // WM_COMMAND of a preset to the reload's load_url
  double closeToDialogMs = -1;   // WM_CLOSE to the exit dialog visible
  double exitToEndMs = -1;       // the exit button (the host: WM_CLOSE) to the process's end
};

struct HookState {
  DWORD pid = 0;
  long long startTicks = 0;
  std::vector<std::pair<HWND, double>> forms;  // the client's forms and the host's window, in creation order
} g_hook;

void CALLBACK OnWindowCreated(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG, DWORD, DWORD eventTime) {
  if (object != OBJID_WINDOW || !hwnd || GetAncestor(hwnd, GA_ROOT) != hwnd) return;
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  if (std::wstring(cls) != L"LzgForm" && std::wstring(cls) != L"MinimalEngineHost") return;
  // The event's tick time, moved onto the process's clock.
  const long long ticksThen = NowTicks() - static_cast<long long>(GetTickCount() - eventTime) * 10000;
  g_hook.forms.push_back({hwnd, (ticksThen - g_hook.startTicks) / 10000.0});
}

void Pump(DWORD ms) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
}

std::wstring TextOf(HWND w) {
  wchar_t t[64] = {};
  GetWindowTextW(w, t, 64);
  return t;
}

// Local wall-clock "yyyy-mm-dd hh:mm:ss.mmm" of the log, as system ticks.
long long LogTimeTicks(const std::string& stamp) {
  SYSTEMTIME local{};
  if (std::sscanf(stamp.c_str(), "%hu-%hu-%hu %hu:%hu:%hu.%hu", &local.wYear, &local.wMonth, &local.wDay, &local.wHour,
                  &local.wMinute, &local.wSecond, &local.wMilliseconds) != 7)
    return -1;
  SYSTEMTIME utc;
  FILETIME f;
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &f)) return -1;
  return Ticks(f);
}

Sample RunOnce(const fs::path& dir, const std::wstring& exe, const std::wstring& args, int run, bool client) {
  Sample sample;
  fs::path trace = dir / (L"trace-" + fs::path(exe).stem().wstring() + L"-" + std::to_wstring(run) + L".txt");
  fs::remove(trace);
  SetEnvironmentVariableW(L"STANDIN_TRACE", trace.wstring().c_str());
  SetEnvironmentVariableW(L"STANDIN_TRACE_COSTS", L"1");
  fs::remove_all(dir / L"AppData");
  fs::create_directories(dir / L"AppData");
  SetEnvironmentVariableW(L"APPDATA", (dir / L"AppData").wstring().c_str());
  std::wstring cmd = L"\"" + (dir / exe).wstring() + L"\"" + (args.empty() ? L"" : L" " + args);
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  // Started suspended, so that the window-event hook is in place before the first window.
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, dir.wstring().c_str(),
                      &si, &pi)) {
    std::fprintf(stderr, "cannot start %ls (%lu)\n", exe.c_str(), GetLastError());
    return sample;
  }
  FILETIME created, unused;
  GetProcessTimes(pi.hProcess, &created, &unused, &unused, &unused);
  g_hook = HookState{pi.dwProcessId, Ticks(created), {}};
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, &OnWindowCreated,
                                       pi.dwProcessId, 0, WINEVENT_OUTOFCONTEXT);
  ResumeThread(pi.hThread);
  auto sinceStart = [&] { return (NowTicks() - g_hook.startTicks) / 10000.0; };
  auto mark = [](const TraceLine& t) { return Mark{t.ms, Field(t.details, "private_kib").empty() ? -1 : std::atof(Field(t.details, "private_kib").c_str())}; };

  std::string home = fs::path(kHome).string();
  std::vector<DWORD> children;
  int loads = 0;
  auto scan = [&] {
    loads = 0;
    for (const auto& t : ReadTrace(trace)) {
      if (t.pid == pi.dwProcessId) {
        if (t.event == "library_loaded") sample.marks[kLibraryLoaded] = mark(t);
        if (t.event == "execute_process") sample.marks[kExecuteProcess] = mark(t);
        if (t.event == "initialize") sample.marks[kInitialize] = mark(t);
        if (t.event == "create_browser" && sample.marks[kCreateBrowser].ms < 0) sample.marks[kCreateBrowser] = mark(t);
        if (t.event == "on_after_created" && sample.marks[kAfterCreated].ms < 0) sample.marks[kAfterCreated] = mark(t);
        if (t.event == "load_url" && Field(t.details, "url") == home && ++loads == 1) sample.marks[kLoadUrl] = mark(t);
        if (t.event == "load_url" && Field(t.details, "url") == home && loads == 2 && sample.presetToReloadMs == -2)
          sample.presetToReloadMs = t.ms;
      }
      if (t.event == "subprocess_launch") {
        DWORD child = static_cast<DWORD>(std::strtoul(Field(t.details, "child").c_str(), nullptr, 10));
        if (child && std::find(children.begin(), children.end(), child) == children.end()) children.push_back(child);
      }
      // The first sub-process: its library load, and the moment it entered cef_execute_process.
      if (t.pid != pi.dwProcessId && sample.marks[kSubStart].ms < 0 && t.event == "subprocess_start") {
        sample.marks[kSubStart] = mark(t);
        for (const auto& l : ReadTrace(trace))
          if (l.pid == t.pid && l.event == "library_loaded") sample.marks[kSubLoaded] = mark(l);
      }
    }
  };
  DWORD start = GetTickCount();
  while (GetTickCount() - start < 30000) {
    scan();
    if (sample.marks[kLoadUrl].ms >= 0 && sample.marks[kSubStart].ms >= 0) break;
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) break;
    Pump(10);
  }
  Pump(50);
  HWND game = nullptr, dialog = nullptr;
  for (auto& [hwnd, ms] : g_hook.forms) {
    if (TextOf(hwnd) == L"信息提示") {
      dialog = hwnd;
      sample.marks[kDialogCreated].ms = ms;
    } else if (!game) {
      game = hwnd;
      sample.marks[kGameWindowCreated].ms = ms;
    }
  }
  if (client) {
    // The configuration's last write at start, and the log's start line.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW((dir / L"zeRoVedi.dat").c_str(), GetFileExInfoStandard, &data))
      sample.marks[kConfigWritten].ms = (Ticks(data.ftLastWriteTime) - g_hook.startTicks) / 10000.0;
    std::ifstream log(dir / L"AppData" / L"lzgmin" / L"logs" / L"lzgmin.log", std::ios::binary);
    std::string line;
    while (std::getline(log, line)) {
      if (line.find("\tstart: ") == std::string::npos) continue;
      const long long t = LogTimeTicks(line.substr(0, 23));
      if (t > 0) sample.marks[kLogStart].ms = (t - g_hook.startTicks) / 10000.0;
    }
  }
  PROCESS_MEMORY_COUNTERS pmc{sizeof pmc};
  if (GetProcessMemoryInfo(pi.hProcess, &pmc, sizeof pmc)) sample.peakWorkingSetMiB = pmc.PeakWorkingSetSize / 1048576.0;
  sample.resident = ReadResidentSplit(exe);

  if (game && sample.marks[kLoadUrl].ms >= 0) {
    if (client) {
      // A preset other than the configured one (the bench's file keeps the default, preset 2), then its reload.
      Pump(300);
      const double sent = sinceStart();
      sample.presetToReloadMs = -2;
      PostMessageW(game, WM_COMMAND, 0x100 + 0, 0);
      for (DWORD t0 = GetTickCount(); sample.presetToReloadMs == -2 && GetTickCount() - t0 < 10000;) {
        Pump(2);
        scan();
      }
      sample.presetToReloadMs = sample.presetToReloadMs >= 0 ? sample.presetToReloadMs - sent : -1;
      // The first close request, to the exit dialog on the screen.
      Pump(300);
      const double close = sinceStart();
      PostMessageW(game, WM_CLOSE, 0, 0);
      for (DWORD t0 = GetTickCount(); GetTickCount() - t0 < 10000; Sleep(1))
        if (dialog && IsWindowVisible(dialog)) {
          sample.closeToDialogMs = sinceStart() - close;
          break;
        }
    }
    // The exit button (the host has none: its close), to the process's end.
    HWND panel = dialog ? GetWindow(dialog, GW_CHILD) : nullptr;
    const double exit = sinceStart();
    if (client && panel) {
      const LPARAM at = MAKELPARAM(55 + 120, 216 + 50);
      PostMessageW(panel, WM_MOUSEMOVE, 0, at);
      PostMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, at);
      PostMessageW(panel, WM_LBUTTONUP, 0, at);
    } else if (!client) {
      PostMessageW(game, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0) {
      FILETIME ended;
      GetProcessTimes(pi.hProcess, &created, &ended, &unused, &unused);
      sample.exitToEndMs = (Ticks(ended) - g_hook.startTicks) / 10000.0 - exit;
    }
  }
  UnhookWinEvent(hook);
  if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) {
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
  }
  // The engine's sub-processes end with their browser process; make sure of it.
  for (DWORD child : children) {
    if (HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, child)) {
      if (WaitForSingleObject(h, 5000) != WAIT_OBJECT_0) TerminateProcess(h, 1);
      CloseHandle(h);
    }
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return sample;
}

// File by file: copying a whole directory onto an existing one fails on this runtime.
void CopyTree(const fs::path& from, const fs::path& to) {
  fs::create_directories(to);
  for (const auto& entry : fs::recursive_directory_iterator(from)) {
    const fs::path target = to / fs::relative(entry.path(), from);
    if (entry.is_directory())
      fs::create_directories(target);
    else
      fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int runs = 7;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::wstring(argv[i]) == L"--runs") runs = std::max(1, _wtoi(argv[i + 1]));

  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  fs::path bin = fs::path(self).parent_path();
  fs::path dir = bin.parent_path() / L"bench";
  fs::remove_all(dir);
  CopyTree(bin / L"cef", dir / L"cef");
  // The client as it ships (dist/, without debug information), and the host built the same way.
  fs::copy_file(bin.parent_path() / L"dist" / L"lzgmin.exe", dir / L"lzgmin.exe", fs::copy_options::overwrite_existing);
  fs::copy_file(bin / L"minimal_host.exe", dir / L"minimal_host.exe", fs::copy_options::overwrite_existing);
  fs::copy_file(bin / L"like_client_host.exe", dir / L"like_client_host.exe", fs::copy_options::overwrite_existing);
  const char config[] = "[dump]\r\ndoUrl2=http://bench.example/home\r\nistest=1\r\nSkinName=\r\n";

  // In turns, so that whatever else the machine does falls on all three alike, and each in turn the first of its
  // round: the start that follows a round's last exit pays for what the system still tears down of it (tens of
  // milliseconds under Wine), so a fixed order would charge it to one program only. A pause before every start
  // keeps most of it out of all.
  std::vector<Sample> client, host, first;
  const std::wstring home_arg = std::wstring(L"--home=") + kHome;
  for (int run = 0; run < runs; ++run) {
    for (int turn = 0; turn < 3; ++turn) {
      Sleep(500);
      switch ((run + turn) % 3) {
        case 0: {
          std::ofstream cfg(dir / L"zeRoVedi.dat", std::ios::binary);
          cfg << config;
          cfg.close();
          client.push_back(RunOnce(dir, L"lzgmin.exe", L"", run, true));
          break;
        }
        case 1:
          host.push_back(RunOnce(dir, L"like_client_host.exe", home_arg, run, false));
          break;
        default:
          first.push_back(RunOnce(dir, L"minimal_host.exe", home_arg, run, false));
          break;
      }
    }
  }
  auto med = [](const std::vector<Sample>& v, auto get) {
    std::vector<double> x;
    for (const Sample& s : v) x.push_back(get(s));
    return Median(x);
  };
  auto at = [&](const std::vector<Sample>& v, MarkId id) { return med(v, [id](const Sample& s) { return s.marks[id].ms; }); };
  auto cell = [](double v) {
    char b[32];
    if (v < 0) return std::string("-");
    std::snprintf(b, sizeof b, "%.1f", v);
    return std::string(b);
  };
  auto print = [&](const char* what, double c, double h, double f) {
    std::printf("%-52s %12s %12s %12s\n", what, cell(c).c_str(), cell(h).c_str(), cell(f).c_str());
  };
  std::printf("start-up benchmark, medians of %d runs (engine stand-in)\n", runs);
  std::printf("like-for-like host: window after cef_initialize, the client's manifest; window-first host: neither\n");
  std::printf("%-52s %12s %12s %12s\n", "", "lzgmin.exe", "like host", "window-first");
  const double cLoad = at(client, kLoadUrl), hLoad = at(host, kLoadUrl), fLoad = at(first, kLoadUrl);
  auto ws = [](const Sample& s) { return s.peakWorkingSetMiB; };
  const double cWs = med(client, ws), hWs = med(host, ws), fWs = med(first, ws);
  const double cSub = at(client, kSubStart), hSub = at(host, kSubStart), fSub = at(first, kSubStart);
  print("process start to home load_url (ms)", cLoad, hLoad, fLoad);
  print("main process peak working set (MiB)", cWs, hWs, fWs);
  print("sub-process start to cef_execute_process (ms)", cSub, hSub, fSub);
  std::printf("ratios to the like host:    load_url %.2fx, peak working set %+.1f MiB, sub-process %.2fx\n",
              cLoad / hLoad, cWs - hWs, cSub / hSub);
  std::printf("ratios to the window-first: load_url %.2fx, peak working set %+.1f MiB, sub-process %.2fx\n",
              cLoad / fLoad, cWs - fWs, cSub / fSub);

  // Each phase: the median of the per-run differences between its two moments, time and private bytes.
  struct Phase {
    const char* name;
    MarkId from, to;  // kMarkCount as `from`: the process's start
    bool host;        // the like-for-like host has the same step
    bool first;       // the window-first host has it
  };
  const Phase phases[] = {
      {"first argument and configuration", kMarkCount, kConfigWritten, false, false},
      {"engine object (log start line)", kConfigWritten, kLogStart, false, false},
      {"engine files checked, library mapped", kLogStart, kLibraryLoaded, false, false},
      {"process start to library loaded", kMarkCount, kLibraryLoaded, true, true},
      {"library loaded to execute_process (binding)", kLibraryLoaded, kExecuteProcess, true, true},
      {"engine start (cef_initialize)", kExecuteProcess, kInitialize, true, true},
      {"game window built (to its native window)", kInitialize, kGameWindowCreated, true, false},
      {"game window set up, exit dialog built", kGameWindowCreated, kDialogCreated, false, false},
      {"first showing to create_browser", kDialogCreated, kCreateBrowser, false, false},
      {"native window to create_browser", kGameWindowCreated, kCreateBrowser, true, false},
      {"cef_initialize to create_browser (all windows)", kInitialize, kCreateBrowser, true, true},
      {"create_browser to on_after_created (engine)", kCreateBrowser, kAfterCreated, true, true},
      {"on_after_created to home load_url", kAfterCreated, kLoadUrl, true, true},
      {"sub-process: start to library loaded", kMarkCount, kSubLoaded, true, true},
      {"sub-process: library loaded to execute_process", kSubLoaded, kSubStart, true, true},
  };
  auto span = [](const std::vector<Sample>& v, const Phase& p, bool memory) {
    std::vector<double> x;
    for (const Sample& s : v) {
      const Mark from = p.from == kMarkCount ? Mark{0, -1} : s.marks[p.from], to = s.marks[p.to];
      if (memory)
        x.push_back(from.kib >= 0 && to.kib >= 0 ? (to.kib - from.kib) / 1024.0 + 1000 : -1);
      else
        x.push_back(from.ms >= 0 && to.ms >= 0 ? std::max(0.0, to.ms - from.ms) : -1);
    }
    const double m = Median(x);
    return memory && m >= 0 ? m - 1000 : m;
  };
  std::printf("\nphases (ms; private bytes growth in MiB where the engine saw both ends)\n");
  std::printf("%-52s %12s %12s %12s %9s %9s %9s\n", "", "lzgmin.exe", "like host", "window-first", "client +",
              "like +", "first +");
  for (const Phase& p : phases) {
    auto mem = [](double v) {
      char b[32];
      if (v <= -1000 || v == -1) return std::string("");
      std::snprintf(b, sizeof b, "%+.2f", v);
      return std::string(b);
    };
    const std::string hostMs = p.host ? cell(span(host, p, false)) : "";
    const std::string firstMs = p.first ? cell(span(first, p, false)) : "";
    std::printf("%-52s %12s %12s %12s %9s %9s %9s\n", p.name, cell(span(client, p, false)).c_str(), hostMs.c_str(),
                firstMs.c_str(), mem(span(client, p, true)).c_str(), mem(p.host ? span(host, p, true) : -1).c_str(),
                mem(p.first ? span(first, p, true) : -1).c_str());
  }
  auto kib = [&](const std::vector<Sample>& v, MarkId id) { return med(v, [id](const Sample& s) { return s.marks[id].kib / 1024.0; }); };
  print("private bytes at library loaded (MiB)", kib(client, kLibraryLoaded), kib(host, kLibraryLoaded),
        kib(first, kLibraryLoaded));
  print("private bytes at home load_url (MiB)", kib(client, kLoadUrl), kib(host, kLoadUrl), kib(first, kLoadUrl));
  std::printf("\nworking set at home load_url, by owner (MiB; the host's /proc, under the emulator only)\n");
  auto owner = [&](const char* what, double ResidentSplit::*field) {
    auto get = [field](const Sample& s) { return s.resident.*field; };
    print(what, med(client, get), med(host, get), med(first, get));
  };
  owner("program's pages (below 4 GiB)", &ResidentSplit::programMiB);
  owner("  of which threads' stack regions", &ResidentSplit::threadRegionsMiB);
  owner("emulator's pages (translated code, its heap)", &ResidentSplit::emulatorMiB);

  std::printf("\nafter the start\n");
  auto exitMs = [](const Sample& s) { return s.exitToEndMs; };
  print("preset choice to the reload's load_url (ms)", med(client, [](const Sample& s) { return s.presetToReloadMs; }), -1,
        -1);
  print("WM_CLOSE to the exit dialog visible (ms)", med(client, [](const Sample& s) { return s.closeToDialogMs; }), -1, -1);
  print("exit button (hosts: WM_CLOSE) to process end (ms)", med(client, exitMs), med(host, exitMs),
        med(first, exitMs));
  return cLoad < 0 || hLoad < 0 || fLoad < 0 ? 1 : 0;
}
