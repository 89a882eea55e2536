// Drives the real lzgmin.exe under the engine stand-in: a copy of the bin folder
// (exe, cef/, Skins/), or of an installed client, in a temporary folder with a crafted "zeRoVedi.dat", the
// stand-in's trace in that folder, and Win32 calls from the test to find, drive
// and photograph the client's windows. A test of one run takes it, its start and
// its usual end from the fixture in client_test.h.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/client_windows.h"
#include "tests/support/processes.h"
#include "tests/support/test_util.h"
#include "tests/support/trace_reader.h"
#include "tests/support/wait.h"

namespace e2e {

std::wstring BuildDir();  // the parent of the test's own folder, with its trailing separator

// One line of the stand-in's trace.
using TraceEvent = tracefile::Record;

class ClientRun {
 public:
  // The client as the build lays it out: the bin folder's lzgmin.exe, cef/ (the stand-in) and Skins/.
  ClientRun();
  // The client as installed in `folder` (an unpacked package): everything in it.
  explicit ClientRun(const std::wstring& folder);
  ~ClientRun();  // ends whatever is still running
  ClientRun(const ClientRun&) = delete;
  ClientRun& operator=(const ClientRun&) = delete;

  std::wstring Dir() const { return dir_.Dir(); }
  std::wstring Config() const { return dir_.File(L"zeRoVedi.dat"); }
  std::wstring TraceFile() const { return dir_.File(L"trace.txt"); }
  // %APPDATA% of the client and everything it starts.
  std::wstring AppData() const { return dir_.File(L"AppData"); }
  // The lines of the client's log files, oldest first.
  std::vector<std::string> LogLines() const;
  void WriteConfig(const std::wstring& ansiText);  // written in the ANSI code page
  void RemoveSkins();

  // Starts the client; `env` adds "NAME=value" entries to the inherited environment.
  bool Start(const std::wstring& args = L"", const std::vector<std::wstring>& env = {});
  DWORD Pid() const { return pid_; }
  // Waits for the end of the process; false on timeout. Exit code in ExitCode().
  bool WaitExit(DWORD ms = 20000);
  DWORD ExitCode() const { return exit_code_; }
  bool Running() const;
  // Every process of the run still running: the client, its engine's sub-processes, further instances.
  std::vector<DWORD> Processes() const { return testutil::ProcessesIn(Dir()); }

  std::vector<TraceEvent> Trace() const { return tracefile::Read(TraceFile()); }
  // Events of the client's main process only.
  std::vector<TraceEvent> Events(const std::string& name) const;
  std::vector<TraceEvent> EventsOf(DWORD pid, const std::string& name) const;
  // How many events `name` the main process wrote, with `key`=`value` when a key is given.
  int Count(const std::string& name, const std::string& key = {}, const std::string& value = {}) const {
    return tracefile::Count(Events(name), name, key, value);
  }
  // Waits until the main process has written `count` events `name` matching `pred`.
  bool WaitEvents(const std::string& name, size_t count,
                  const std::function<bool(const TraceEvent&)>& pred = nullptr, DWORD ms = 15000) const;
  // The browser of the main window has loaded its home address (load end of the main frame after load_url).
  bool WaitLoaded(DWORD ms = 20000) const;

  testutil::ClientWindows FindWindows() const { return testutil::FindClientWindows(pid_); }
  HWND Game() const { return FindWindows().game; }
  HWND BrowserWindow() const;  // the stand-in's browser window inside the game window
  bool DialogVisible() const;

  // A page command through WM_COPYDATA to the browser window.
  bool PageCommand(const std::wstring& text) const;
  // Clicks the exit (left) or stay (right) picture button of the visible dialog.
  bool ClickExit() const;
  bool ClickStay() const;
  // Whole way out: close request, dialog, exit; true when the process ended with code 0. The end itself is
  // checked by ExpectCleanEnd.
  bool ExitThroughDialog();

  // A sub-process of the client beside the running one, as the engine starts them at any time (no parent is
  // named, so its role ends at once): "<folder>\lzgmin.exe --type=<type>". The caller closes the handle.
  HANDLE StartSubProcess(const std::wstring& type) const;

  // The process ids of further instances (not sub-processes) that wrote to the trace.
  std::vector<DWORD> OtherInstances() const;
  void KillOtherInstances();

 private:
  bool Click(POINT at) const;
  void KillStrays();

  testutil::TempDir dir_;
  HANDLE process_ = nullptr;
  std::atomic<DWORD> pid_{0};  // read by watchers on threads of their own
  DWORD exit_code_ = 0xFFFFFFFF;
};

// No engine rule broken anywhere in the run (shutdown with open browsers, wrong thread, ...).
void ExpectNoFaults(const ClientRun& run);

// What a run's end looks like where runs truly differ; the defaults are a run that got its game browser.
struct End {
  bool engineStarted = true;  // false: the engine's initialise failed, so it never ran and made no browser
  bool browserMade = true;    // false: the engine ran but never made a browser (refused, or the exit came first)
};

// The one check of the end of a run whose main process has ended:
// - it ended with code 0;
// - the engine was shut down exactly once, with no browser open; when it had started, on the thread that
//   started it and with every engine object the client was given back; when it had not, as never started;
// - every browser the engine made had closed before that shutdown (and one was made where one was expected);
// - no client object outlived its browsers in the client's hands (a popup's client slot included);
// - no engine rule was broken in any process, and every sub-process the engine asked for started;
// - no process of the run is still running a moment later.
// Returns how many processes of the run were left running.
size_t ExpectCleanEnd(const ClientRun& run, const End& end = {});

// A page command through WM_COPYDATA to a stand-in browser window (any process's, this one's too).
bool SendPageCommand(HWND browser, const std::wstring& text);

// The primary monitor's work area (the screen less the taskbar).
RECT WorkArea();

// The outer rectangle and the client size of a window.
struct Geometry {
  RECT outer{};
  int clientW = 0, clientH = 0;
};
Geometry GeometryOf(HWND w);

// The skinned title bar's button item (the resolution drop-down), found by
// hit-testing the caption row from the right; empty when there is none.
RECT FindTitleButton(HWND game);
// The visible menu window (class #32768), of process `pid` or of anyone when 0.
HWND OpenMenuWindow(DWORD pid = 0);

// A screenshot of `area` (screen coordinates) as a BMP under <build>/screenshots/<name>.bmp.
bool SaveScreenshot(const RECT& area, const std::wstring& name);

}  // namespace e2e
