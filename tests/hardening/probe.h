// Looking at a running client from the outside: its windows, its resource
// counts, its command line, the processes it started, and the figures a run
// prints at its end.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/client_run.h"

namespace hardening {

// ---- resource counts of another process ---------------------------------------------

struct Resources {
  long user = -1;     // USER objects (see UserObjects)
  long gdi = -1;      // GDI objects (see GdiObjects)
  double privateMiB = -1;
};

// GetGuiResources where the platform implements it. Wine answers 0 for any
// process, so there the USER count is the number of windows the process owns
// (top-level, child and message-only), and the GDI count is read from the
// process's own GDI handle table, which its PEB points at.
long UserObjects(HANDLE process, DWORD pid);
long GdiObjects(HANDLE process);
// Private bytes (PrivateUsage); where the platform leaves it 0 for another
// process (Wine), the commit charge it reports as PagefileUsage, which is the same
// figure on Windows.
double PrivateMiB(HANDLE process);
Resources Measure(DWORD pid);
// How the counts are taken on this platform, for the figures.
std::string MeasureMethod();

// "USER 57 -> 57, GDI 61 -> 61, private 8.1 MiB -> 8.2 MiB"
std::string Describe(const Resources& before, const Resources& after);

// Appends one line to the run's figures file (env LZG_FIGURES) and prints it.
void Figure(const std::string& line);

// ---- windows ------------------------------------------------------------------------------

struct SeenWindow {
  HWND hwnd = nullptr;
  DWORD pid = 0;
  std::wstring cls, text;
  bool operator<(const SeenWindow& o) const { return hwnd < o.hwnd; }
};

// The visible top-level windows of the given processes now.
std::vector<SeenWindow> VisibleTopLevel(const std::set<DWORD>& pids);

// Samples the visible top-level windows of the client and of every process in
// its trace every 30 ms, for the whole life of the object.
class WindowWatch {
 public:
  explicit WindowWatch(const e2e::ClientRun& run);
  ~WindowWatch();
  std::vector<SeenWindow> Seen();

 private:
  const e2e::ClientRun& run_;
  std::atomic<bool> stop_{false};
  std::mutex mu_;
  std::set<SeenWindow> seen_;
  std::thread thread_;
};

// ---- processes ------------------------------------------------------------------------------

// The command line another process was started with (from its PEB).
std::wstring CommandLineOf(DWORD pid);
// Arguments after the program path by the client's own rules (runs of codes 1..32
// separate, quotes group and are dropped, an empty quote pair before an argument
// is skipped).
std::vector<std::wstring> ClientArguments(const std::wstring& commandLine);
// CommandLineToArgvW's count, program included: what a Windows runtime sees.
int WindowsArgumentCount(const std::wstring& commandLine);

long ThreadsOf(DWORD pid);

// Holds a handle to every process named in the trace (sub-processes and further
// instances), opened as soon as it appears, so that "gone" is checked on the very
// process and not on a reused id.
class ProcessWatch {
 public:
  explicit ProcessWatch(const e2e::ClientRun& run) : run_(run) {}
  ~ProcessWatch();
  void Update();
  // Processes started as sub-processes (from subprocess_launch), of every process
  // or of one.
  std::set<DWORD> SubProcesses() const;
  std::set<DWORD> SubProcessesOf(DWORD parent) const;
  // Ids of watched processes still running after up to `ms` milliseconds, but for `except`.
  std::vector<DWORD> StillRunning(DWORD ms, const std::set<DWORD>& except = {});

 private:
  void Open(DWORD pid);
  const e2e::ClientRun& run_;
  std::vector<std::pair<DWORD, HANDLE>> handles_;
  std::set<DWORD> subprocesses_;
  std::set<std::pair<DWORD, DWORD>> parent_child_;
};

// ---- the resolution drop-down --------------------------------------------------------------

// Chooses presets as a user does: presses the title bar's button item, which opens
// the drop-down, walks down to the item with the keyboard and presses Enter. (The
// menu's own handle is of no use from outside: menus belong to their process.)
class TitleMenu {
 public:
  explicit TitleMenu(HWND game) : game_(game) {}
  // False when the button or the drop-down cannot be found.
  bool Choose(int index);
  bool Locate();

 private:
  HWND game_;
  bool found_ = false;
  int from_right_ = 0, from_top_ = 0;
};

}  // namespace hardening
