// Whole processes against the engine stand-in: this executable, copied into a
// fresh folder beside a "cef" folder (complete, incomplete, absent, or with a
// broken library), runs the launch steps as the client does. Started with
// "--type=" by the stand-in it is an engine sub-process; started with
// LZG_ENGINE_CASE in its environment it is the main process of one case; else
// it runs the tests, which start those processes and read the stand-in's trace
// and the process's own report.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine_app.h"
#include "engine/cookie_store_initializer.h"
#include "engine/diagnostics.h"
#include "engine/file_info.h"
#include "engine/startup_rules.h"
#include "config/settings.h"
#include "launch/engine_setup.h"
#include "launch/launch_plan.h"
#include "launch/profile_folders.h"
#include "ui/forms.h"
#include "tests/engine/engine_test_support.h"
#include "tests/support/trace_faults.h"
#include "tests/support/trace_reader.h"
#include "tests/support/wait.h"

namespace fs = std::filesystem;
using lzg::AppStatus;
using lzg::ProcessType;
using enginetest::TempDir;
using enginetest::WriteFile;

namespace {

std::wstring Env(const wchar_t* name) {
  wchar_t buf[4096];
  DWORD n = GetEnvironmentVariableW(name, buf, 4096);
  return n && n < 4096 ? std::wstring(buf, n) : std::wstring();
}

// ===================== The child side: one process of the client =====================

std::string EscapeLine(const std::wstring& w) {
  std::string s = testutil::ToUtf8(w), out;
  for (char c : s) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\\') out += "\\\\";
    else out += c;
  }
  return out;
}

void Report(const char* key, const std::wstring& value) {
  std::wstring path = Env(L"LZG_ENGINE_REPORT");
  if (path.empty()) return;
  std::ofstream f(fs::path(path), std::ios::app | std::ios::binary);
  f << GetCurrentProcessId() << '\t' << key << '\t' << EscapeLine(value) << '\n';
}
void Report(const char* key, long long value) { Report(key, std::to_wstring(value)); }
void Report(const char* key, ProcessType value) { Report(key, static_cast<long long>(value)); }
void Report(const char* key, AppStatus value) { Report(key, static_cast<long long>(value)); }

// Shows start-up messages to the report instead of a message box.
class ReportingApp : public lzg::EngineApp {
 protected:
  void ShowErrorMessage(const std::wstring& text) override { Report("message", text); }
};

struct CountCtx {
  DWORD pid;
  int n;
};
BOOL CALLBACK CountWindow(HWND w, LPARAM p) {
  auto* c = reinterpret_cast<CountCtx*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == c->pid && IsWindowVisible(w)) c->n++;
  return TRUE;
}

int TopLevelWindowsOfThisProcess() {
  CountCtx ctx{GetCurrentProcessId(), 0};
  EnumWindows(&CountWindow, reinterpret_cast<LPARAM>(&ctx));
  return ctx.n;
}

// The client's launch steps up to the engine's start, and its end, with the case's checks where the game window
// would be created.
int RunClientProcess() {
  const std::wstring case_name = Env(L"LZG_ENGINE_CASE");
  const std::wstring command_line = GetCommandLineW();
  // As the client: an engine sub-process skips the first argument and the configuration.
  const bool engine_sub_process = lzg::EngineApp::ProcessTypeOf(command_line) != ProcessType::kBrowser;
  lzg::LaunchPlan plan;
  if (!engine_sub_process) plan = lzg::PrepareLaunch(command_line, lzg::ExeDirectory());

  // The GUI layer's hidden window, which a sub-process must not keep; a window made by other code on the
  // thread beside it goes with it. The "bare" cases make none.
  const bool bare = case_name.find(L"bare") != std::wstring::npos;
  ui::Form* hidden_form = nullptr;
  HWND hidden = nullptr, other = nullptr;
  if (!bare) {
    hidden_form = new ui::Form(nullptr);
    hidden_form->AfterConstruction();
    hidden = hidden_form->Handle();
    other = CreateWindowExW(0, L"STATIC", L"other window", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  }

  // No game window here: the engine's reports find no window to post to.
  std::atomic<HWND> game_window{nullptr};
  std::unique_ptr<lzg::EngineApp> app;
  if (Env(L"LZG_ENGINE_REAL_DIALOG") == L"1") {
    app = std::make_unique<lzg::EngineApp>();
  } else {
    app = std::make_unique<ReportingApp>();
  }
  lzg::PostReportsTo(*app, game_window);
  lzg::ConfigureEngineApp(*app, plan.profile);
  Report("role", app->GetProcessType());
  Report("game_url", plan.settings.game_url);
  const bool started = app->StartMainProcess();
  Report("start", started);
  // This platform's display driver, which anything that looks at the window system loads.
  Report("display_driver_loaded", GetModuleHandleW(L"winex11.drv") != nullptr);
  Report("status", app->Status());
  Report("missing", app->MissingLibFiles());
  Report("hidden_window_alive", hidden && IsWindow(hidden));
  Report("other_window_alive", other && IsWindow(other));

  if (started) {
    // Here the game window would be created.
    Report("reached_windows", 1);
    Report("second_start", app->StartMainProcess());
    const bool ready = testutil::WaitUntil([&] { return app->GlobalContextInitialized(); }, 15000);
    Report("context_ready", ready);
    lzg::OutputDebugMessage(L"engine-e2e probe");
    app->SetOsmodalLoop(true);
    app->SetOsmodalLoop(false);
    const DWORD t0 = GetTickCount();
    Report("cookie_threads_started", lzg::CookieStoreInitializer::Started());
    const bool ended = testutil::WaitUntil([] { return lzg::CookieStoreInitializer::Running() == 0; }, 8000);
    Report("cookie_thread_ended", ended);
    Report("cookie_wait_ms", static_cast<long long>(GetTickCount() - t0));
  } else {
    Report("windows", TopLevelWindowsOfThisProcess());
  }
  if (other && IsWindow(other)) DestroyWindow(other);
  delete hidden_form;
  // The engine goes down with the object; the library stays loaded to the process's end.
  const HMODULE library = app->LibHandle();
  app.reset();
  if (library) Report("library_kept", GetModuleHandleW(L"libcef.dll") == library);
  Report("done", case_name);
  return 0;
}

// ===================== The test side =====================

using TraceLine = tracefile::Record;

struct ReportEntry {
  DWORD pid;
  std::string key, value;
};

std::vector<ReportEntry> ReadReport(const std::wstring& path) {
  std::vector<ReportEntry> out;
  std::ifstream f{fs::path(path), std::ios::binary};
  std::string line;
  while (std::getline(f, line)) {
    size_t a = line.find('\t'), b = line.find('\t', a + 1);
    if (a == std::string::npos || b == std::string::npos) continue;
    std::string v, raw = line.substr(b + 1);
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '\\' && i + 1 < raw.size()) {
        char c = raw[++i];
        v += c == 'r' ? '\r' : c == 'n' ? '\n' : c;
      } else {
        v += raw[i];
      }
    }
    out.push_back({static_cast<DWORD>(std::stoul(line.substr(0, a))), line.substr(a + 1, b - a - 1), v});
  }
  return out;
}

// One client process in a folder of its own, and what it left behind.
class LaunchRun {
 public:
  LaunchRun() {
    exe_ = root_ / L"lzgmin.exe";
    fs::copy_file(lzg::ExeDirectory() + ExeName(), exe_);
    fs::create_directories(root_ / L"temp");
    fs::create_directories(root_ / L"appdata");
  }
  // A run that broke an engine rule fails its test, whatever the test looked at.
  ~LaunchRun() { tracefile::ExpectNoFaults(path(L"trace.txt")); }
  static std::wstring ExeName() {
    wchar_t buf[MAX_PATH];
    GetModuleFileNameW(nullptr, buf, MAX_PATH);
    return lzg::ExtractFileName(buf);
  }
  // The engine folder as built (stand-in and placeholders), optionally with another library.
  void CopyEngine(const std::wstring& variant = L"") {
    fs::copy(lzg::ExeDirectory() + L"cef", root_ / L"cef", fs::copy_options::recursive);
    if (!variant.empty()) {
      fs::copy_file(lzg::ExeDirectory() + L"standin-variants\\" + variant + L"\\libcef.dll", root_ / L"cef\\libcef.dll",
                    fs::copy_options::overwrite_existing);
    }
  }
  const TempDir& root() const { return root_; }
  std::wstring path(const std::wstring& rel) const { return root_ / rel; }

  // Starts the process and, when `box` is given, answers the first "Error" box it shows.
  DWORD Run(const std::wstring& caseName, const std::map<std::wstring, std::wstring>& env,
            const std::wstring& args = L"", enginetest::ErrorBox* box = nullptr) {
    std::map<std::wstring, std::wstring> all = {{L"LZG_ENGINE_CASE", caseName},
                                                {L"LZG_ENGINE_REPORT", path(L"report.txt")},
                                                {L"STANDIN_TRACE", path(L"trace.txt")},
                                                {L"TEMP", path(L"temp")},
                                                {L"TMP", path(L"temp")},
                                                {L"APPDATA", path(L"appdata")}};
    for (auto& [k, v] : env) all[k] = v;
    std::map<std::wstring, std::wstring> saved;
    for (auto& [k, v] : all) {
      saved[k] = Env(k.c_str());
      SetEnvironmentVariableW(k.c_str(), v.empty() ? nullptr : v.c_str());
    }
    std::wstring cmd = L"\"" + exe_ + L"\"" + (args.empty() ? L"" : L" " + args);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    BOOL ok = CreateProcessW(exe_.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, root_.Path().c_str(), &si,
                             &pi);
    for (auto& [k, v] : saved) SetEnvironmentVariableW(k.c_str(), v.empty() ? nullptr : v.c_str());
    if (!ok) {
      ADD_FAILURE() << "cannot start the client process";
      return 0;
    }
    CloseHandle(pi.hThread);
    pid_ = pi.dwProcessId;
    if (box) *box = enginetest::AnswerErrorBox(pi.dwProcessId, 20000);
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) {
      TerminateProcess(pi.hProcess, 1);
      ADD_FAILURE() << "the client process did not end";
    }
    CloseHandle(pi.hProcess);
    return pid_;
  }

  // Sub-processes end with the main process; their last trace lines come a moment later.
  void WaitForTraceEvent(const std::string& event, int count, DWORD ms = 10000) {
    DWORD t0 = GetTickCount();
    while (GetTickCount() - t0 < ms) {
      auto t = trace();
      if (std::count_if(t.begin(), t.end(), [&](const TraceLine& l) { return l.event == event; }) >= count) return;
      Sleep(50);
    }
  }

  std::vector<TraceLine> trace() const { return tracefile::Read(path(L"trace.txt")); }
  std::vector<ReportEntry> report() const { return ReadReport(path(L"report.txt")); }
  // Value of `key` reported by process `pid` (the main one by default); "<none>" when absent.
  std::string Reported(const std::string& key, DWORD pid = 0) const {
    for (auto& e : report()) {
      if (e.key == key && e.pid == (pid ? pid : pid_)) return e.value;
    }
    return "<none>";
  }
  std::vector<std::string> Messages(DWORD pid = 0) const {
    std::vector<std::string> out;
    for (auto& e : report()) {
      if (e.key == "message" && e.pid == (pid ? pid : pid_)) out.push_back(e.value);
    }
    return out;
  }
  std::vector<TraceLine> Events(const std::string& event) const {
    std::vector<TraceLine> out;
    for (auto& l : trace()) {
      if (l.event == event) out.push_back(l);
    }
    return out;
  }
  DWORD pid() const { return pid_; }

 private:
  TempDir root_;
  std::wstring exe_;
  DWORD pid_ = 0;
};

bool StandInBuilt() { return lzg::FileExists(lzg::ExeDirectory() + L"cef\\libcef.dll"); }

#define REQUIRE_STANDIN() \
  if (!StandInBuilt()) GTEST_FAIL() << "the engine stand-in is not built beside the tests (cef\\libcef.dll)"

std::string U8(const std::wstring& w) { return testutil::ToUtf8(w); }

}  // namespace

// --- The main process with a complete engine folder ---------------------------------------

TEST(MainProcess, StartsTheEngineWithThisClientsSettings) {
  REQUIRE_STANDIN();
  LaunchRun run;
  run.CopyEngine();
  // The profile's directories exist from an earlier run; the teardown leaves them as they are.
  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::wstring cache = run.path(L"temp") + L"/lzgmin/cache" + lzg::DateSuffix(now);
  const std::wstring cookies = run.path(L"appdata") + L"/lzgmin/cookies";
  const std::wstring userData = run.path(L"appdata") + L"/lzgmin/UserData";
  for (auto& d : {cache, cookies, userData}) WriteFile(d + L"/kept.txt", "kept");

  const DWORD pid = run.Run(L"main", {});
  run.WaitForTraceEvent("subprocess_exit", 1);

  EXPECT_EQ(run.Reported("role"), "0");
  EXPECT_EQ(run.Reported("start"), "1");
  EXPECT_EQ(run.Reported("status"), std::to_string(static_cast<int>(AppStatus::kInitialized)));
  EXPECT_EQ(run.Reported("reached_windows"), "1");
  EXPECT_EQ(run.Reported("second_start"), "0");
  EXPECT_EQ(run.Reported("context_ready"), "1");
  EXPECT_EQ(run.Reported("hidden_window_alive"), "1") << "the main process keeps its windows";
  EXPECT_EQ(run.Reported("other_window_alive"), "1");
  EXPECT_EQ(run.Reported("library_kept"), "1") << "the library was freed with the engine object";
  EXPECT_TRUE(run.Messages().empty());

  auto init = run.Events("initialize");
  ASSERT_EQ(init.size(), 1u);
  EXPECT_EQ(init[0].pid, pid);
  const std::string cef = U8(run.path(L"cef"));
  const std::map<std::string, std::string> expected = {
      {"result", "1"},
      {"size", "204"},
      {"no_sandbox", "1"},
      {"browser_subprocess_path", ""},
      {"framework_dir_path", cef},
      {"multi_threaded_message_loop", "1"},
      {"external_message_pump", "0"},
      {"windowless_rendering_enabled", "0"},
      {"command_line_args_disabled", "0"},
      {"cache_path", U8(cache)},
      {"user_data_path", U8(userData)},
      {"persist_session_cookies", "0"},
      {"persist_user_preferences", "0"},
      {"user_agent", ""},
      {"product_version", ""},
      {"locale", "zh-CN"},
      {"log_file", ""},
      {"log_severity", "99"},
      {"javascript_flags", ""},
      {"resources_dir_path", cef},
      {"locales_dir_path", cef + "\\locales"},
      {"pack_loading_disabled", "0"},
      {"remote_debugging_port", "0"},
      {"uncaught_exception_stack_size", "0"},
      {"ignore_certificate_errors", "0"},
      {"enable_net_security_expiration", "0"},
      {"background_color", "0"},
      {"accept_language_list", "zh-CN"},
  };
  for (auto& [k, v] : expected) {
    auto it = init[0].fields.find(k);
    ASSERT_NE(it, init[0].fields.end()) << k << " missing from the record";
    EXPECT_EQ(it->second, v) << k;
  }

  auto lines = run.Events("command_line");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].fields["process_type"], "");
  EXPECT_EQ(lines[0].fields["switches"], "--enable-media-stream=1,--enable-speech-input=1,--site-per-process");

  auto exec = run.Events("execute_process");
  ASSERT_FALSE(exec.empty());
  EXPECT_EQ(exec[0].pid, pid);
  EXPECT_EQ(exec[0].fields["result"], "-1");

  auto stored = run.Events("cookie_set_storage_path");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].fields["path"], U8(cookies));
  EXPECT_EQ(stored[0].fields["persist"], "0");
  EXPECT_EQ(run.Events("cookie_storage_ready").size(), 1u);

  bool logged = false;
  for (auto& l : run.Events("log")) {
    if (l.pid == pid && l.fields["message"] == "engine-e2e probe") {
      logged = true;
      EXPECT_EQ(l.fields["line"], "1");
      EXPECT_EQ(l.fields["severity"], "2");
      EXPECT_FALSE(l.fields["file"].empty());
    }
  }
  EXPECT_TRUE(logged) << "OutputDebugMessage did not reach the engine's log";
  auto modal = run.Events("set_osmodal_loop");
  ASSERT_EQ(modal.size(), 2u);
  EXPECT_EQ(modal[0].fields["value"], "1");
  EXPECT_EQ(modal[1].fields["value"], "0");

  auto shutdown = run.Events("shutdown");
  ASSERT_EQ(shutdown.size(), 1u);
  EXPECT_EQ(shutdown[0].pid, pid);
  EXPECT_EQ(shutdown[0].fields["same_thread"], "1");
  for (auto& f : run.Events("fault")) ADD_FAILURE() << "stand-in fault: " << f.fields["what"];

  for (auto& d : {cache, cookies, userData}) {
    EXPECT_TRUE(lzg::FileExists(d + L"/kept.txt")) << U8(d) << " lost its content";
  }
}

TEST(SubProcess, RunsItsRoleWithoutWindowsOrChecksAndEnds) {
  REQUIRE_STANDIN();
  LaunchRun run;
  run.CopyEngine();
  WriteFile(run.path(L"zeRoVedi.dat"), "[dump]\r\ndoUrl2=http://game.example/start\r\n");
  const DWORD mainPid = run.Run(L"sub", {});
  run.WaitForTraceEvent("subprocess_exit", 1);
  for (int i = 0; i < 100 && run.Messages(0).empty() && [&] {
         for (auto& e : run.report()) if (e.key == "done" && e.pid != mainPid) return false;
         return true;
       }(); ++i) {
    Sleep(50);  // the sub-process writes its last report lines after its final trace line
  }

  auto launched = run.Events("subprocess_launch");
  ASSERT_FALSE(launched.empty());
  const DWORD child = static_cast<DWORD>(std::stoul(launched[0].fields["child"]));
  EXPECT_EQ(launched[0].fields["type"], "gpu-process");
  EXPECT_EQ(run.Reported("role", child), std::to_string(static_cast<int>(ProcessType::kGpu)));
  // The main process reads the configuration; the sub-process, by the role it reads from the engine's command
  // line, leaves it alone.
  EXPECT_EQ(run.Reported("game_url", mainPid), "http://game.example/start") << "configuration not loaded";
  EXPECT_EQ(run.Reported("game_url", child), "") << "the sub-process read the configuration";
  EXPECT_EQ(run.Reported("start", child), "0");
  EXPECT_EQ(run.Reported("status", child), std::to_string(static_cast<int>(AppStatus::kLoaded)));
  EXPECT_EQ(run.Reported("missing", child), "");
  EXPECT_EQ(run.Reported("hidden_window_alive", child), "0");
  EXPECT_EQ(run.Reported("other_window_alive", child), "0");
  EXPECT_EQ(run.Reported("display_driver_loaded", child), "1") << "the driver probe must see what a window loads";
  EXPECT_EQ(run.Reported("windows", child), "0");
  EXPECT_EQ(run.Reported("reached_windows", child), "<none>");
  EXPECT_EQ(run.Reported("done", child), "sub") << "the sub-process did not end through the main block";
  EXPECT_TRUE(run.Messages(child).empty());

  bool executed = false;
  for (auto& l : run.Events("execute_process")) {
    if (l.pid == child) {
      executed = true;
      EXPECT_EQ(l.fields["type"], "gpu-process");
      EXPECT_EQ(l.fields["result"], "0");
    }
  }
  EXPECT_TRUE(executed);
  for (auto& l : run.Events("shutdown")) EXPECT_NE(l.pid, child) << "a sub-process called cef_shutdown";
  for (auto& l : run.Events("initialize")) EXPECT_NE(l.pid, child);
}

// A sub-process whose GUI layer made no window goes to the engine without touching the window system: looking
// for windows to destroy would load and start the display driver in every renderer.
TEST(SubProcess, WithNoWindowOfTheGuiLayerLeavesTheDisplayDriverUnloaded) {
  REQUIRE_STANDIN();
  LaunchRun run;
  run.CopyEngine();
  const DWORD pid = run.Run(L"renderer-bare", {}, L"--type=renderer");
  EXPECT_TRUE(run.Messages(pid).empty());
  EXPECT_EQ(run.Reported("start"), "0");
  EXPECT_EQ(run.Reported("status"), std::to_string(static_cast<int>(AppStatus::kLoaded)));
  EXPECT_EQ(run.Reported("display_driver_loaded"), "0");
  auto exec = run.Events("execute_process");
  ASSERT_EQ(exec.size(), 1u);
  EXPECT_EQ(exec[0].fields["result"], "0");
}

TEST(SubProcess, RendererWithIncompleteFilesStillRuns) {
  REQUIRE_STANDIN();
  LaunchRun run;
  run.CopyEngine();
  fs::remove(run.path(L"cef\\locales\\zh-CN.pak"));
  fs::remove(run.path(L"cef\\cef.pak"));
  const DWORD pid = run.Run(L"renderer", {}, L"--type=renderer");
  EXPECT_TRUE(run.Messages(pid).empty());
  EXPECT_EQ(run.Reported("start"), "0");
  EXPECT_EQ(run.Reported("missing"), "");
  auto exec = run.Events("execute_process");
  ASSERT_EQ(exec.size(), 1u);
  EXPECT_EQ(exec[0].fields["type"], "renderer");
  EXPECT_EQ(exec[0].fields["result"], "0");
  EXPECT_TRUE(run.Events("shutdown").empty());
}

// The client reads a backslash before a quote as no escape, so "--type=utility" is an argument of its own here; the
// engine's reading keeps it inside the first argument and finds no role. The process keeps the role it read: it
// neither starts the engine as a browser process it would never shut down nor reaches the windows.
TEST(SubProcess, ARoleTheEngineDoesNotSeeStartsNothing) {
  REQUIRE_STANDIN();
  LaunchRun run;
  run.CopyEngine();
  run.Run(L"split", {}, L"\"C:\\dir\\\" --type=utility");
  EXPECT_EQ(run.Reported("role"), std::to_string(static_cast<int>(ProcessType::kOther)));
  EXPECT_EQ(run.Reported("start"), "0");
  EXPECT_EQ(run.Reported("windows"), "0");
  EXPECT_EQ(run.Reported("reached_windows"), "<none>");
  EXPECT_EQ(run.Reported("done"), "split");
  EXPECT_TRUE(run.Messages().empty());
  auto exec = run.Events("execute_process");
  ASSERT_EQ(exec.size(), 1u);
  EXPECT_EQ(exec[0].fields["type"], "");
  EXPECT_EQ(exec[0].fields["result"], "-1");
  EXPECT_TRUE(run.Events("initialize").empty());
  EXPECT_TRUE(run.Events("subprocess_launch").empty());
  EXPECT_TRUE(run.Events("fault").empty());
}

// --- Start-up failures: one message, its status, no window, the right teardown -----------------

TEST(StartupFailure, EachCauseGivesItsMessage) {
  REQUIRE_STANDIN();
  struct Case {
    const char* name;
    const wchar_t* variant;                  // stand-in copy to use, or none
    std::vector<std::wstring> remove;        // relative to the folder
    bool noEngineFolder;
    AppStatus status;
    const wchar_t* args;  // "--type=renderer": a sub-process, which runs no file check
  } cases[] = {
      {"missing locale", nullptr, {L"cef\\locales\\zh-CN.pak"}, false, AppStatus::kErrorMissingFiles, L""},
      {"missing in every directory",
       nullptr,
       {L"cef\\locales\\zh-CN.pak", L"cef\\snapshot_blob.bin", L"cef\\libEGL.dll"},
       false,
       AppStatus::kErrorMissingFiles,
       L""},
      {"no engine folder", nullptr, {}, true, AppStatus::kErrorMissingFiles, L""},
      {"version 74.1.18.0", L"v74_1_18_0", {}, false, AppStatus::kErrorDllVersion, L""},
      {"x64 library", L"x64", {}, false, AppStatus::kErrorDllVersion, L""},
      {"no version resource", L"not_a_library", {}, false, AppStatus::kErrorDllVersion, L""},
      {"not a library, sub-process", L"not_a_library", {}, false, AppStatus::kErrorLoadingLibrary, L"--type=renderer"},
      {"missing export", L"no_display_get_alls", {}, false, AppStatus::kErrorDllVersion, L""},
      {"missing export, sub-process", L"no_display_get_alls", {}, false, AppStatus::kErrorDllVersion, L"--type=gpu-process"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LaunchRun run;
    if (!c.noEngineFolder) run.CopyEngine(c.variant ? c.variant : L"");
    for (auto& r : c.remove) fs::remove(run.path(r));

    std::wstring expected;
    if (c.noEngineFolder) {
      expected = L"CEF3 binaries missing !\r\n\r\nThe missing files are :";
      for (auto& n : lzg::FrameworkFileNames()) expected += L"\r\n" + n;
      for (auto& n : lzg::ResourceFileNames(false, true)) expected += L"\r\n" + n;
      expected += L"\r\nlocales\\zh-CN.pak";
    } else if (c.status == AppStatus::kErrorMissingFiles) {
      std::vector<std::wstring> order;
      for (auto& n : lzg::FrameworkFileNames()) order.push_back(L"cef\\" + n);
      for (auto& n : lzg::ResourceFileNames(false, true)) order.push_back(L"cef\\" + n);
      order.push_back(L"cef\\locales\\zh-CN.pak");
      expected = L"CEF3 binaries missing !\r\n\r\nThe missing files are :";
      for (auto& o : order) {
        if (std::find(c.remove.begin(), c.remove.end(), o) != c.remove.end()) expected += L"\r\n" + run.path(o);
      }
    } else if (std::wstring(c.variant) == L"v74_1_18_0") {
      expected = lzg::UnsupportedVersionMessage(lzg::FileVersion{74, 1, 18, 0});
    } else if (std::wstring(c.variant) == L"x64") {
      expected = lzg::MachineMessage(lzg::kMachineAmd64);
    } else if (std::wstring(c.variant) == L"not_a_library" && !*c.args) {
      expected = lzg::UnsupportedVersionMessage(std::nullopt);
    } else if (std::wstring(c.variant) == L"not_a_library") {
      // The code the system gives for this very file.
      HMODULE h = LoadLibraryExW(run.path(L"cef\\libcef.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
      DWORD code = GetLastError();
      ASSERT_EQ(h, nullptr);
      ASSERT_NE(code, 0u);
      expected = lzg::LoadErrorMessage(code);
    } else {
      expected = lzg::MissingExportMessage();
    }

    const DWORD pid = run.Run(std::wstring(c.name, c.name + std::strlen(c.name)), {}, c.args);
    auto messages = run.Messages(pid);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], U8(expected));
    EXPECT_EQ(run.Reported("start"), "0");
    EXPECT_EQ(run.Reported("status"), std::to_string(static_cast<int>(c.status)));
    EXPECT_EQ(run.Reported("reached_windows"), "<none>");
    EXPECT_EQ(run.Reported("windows"), "0");
    EXPECT_EQ(run.Reported("done"), c.name);
    EXPECT_TRUE(run.Events("execute_process").empty());
    EXPECT_TRUE(run.Events("initialize").empty());
    EXPECT_TRUE(run.Events("shutdown").empty()) << "cef_shutdown although the library was never bound";
  }
}

TEST(StartupFailure, FailedInitializeStillShutsDownWithoutMessage) {
  REQUIRE_STANDIN();
  LaunchRun run;
  run.CopyEngine();
  const DWORD pid = run.Run(L"init fail", {{L"STANDIN_INIT_FAIL", L"1"}});
  EXPECT_TRUE(run.Messages(pid).empty());
  EXPECT_EQ(run.Reported("start"), "0");
  EXPECT_EQ(run.Reported("status"), std::to_string(static_cast<int>(AppStatus::kErrorInitializingLibrary)));
  auto init = run.Events("initialize");
  ASSERT_EQ(init.size(), 1u);
  EXPECT_EQ(init[0].fields["result"], "0");
  // The stand-in records the call either as a shutdown or as a shutdown without a running engine.
  bool shutdownCalled = !run.Events("shutdown").empty();
  for (auto& f : run.Events("fault")) shutdownCalled |= f.fields["what"].find("cef_shutdown") != std::string::npos;
  EXPECT_TRUE(shutdownCalled) << "no cef_shutdown after a failed cef_initialize";
}

TEST(StartupFailure, RealMessageBoxOfTheRunningProcess) {
  REQUIRE_STANDIN();
  LaunchRun run;
  run.CopyEngine();
  fs::remove(run.path(L"cef\\locales\\zh-CN.pak"));
  enginetest::ErrorBox box;
  run.Run(L"real box", {{L"LZG_ENGINE_REAL_DIALOG", L"1"}}, L"", &box);
  ASSERT_TRUE(box.found) << "no \"Error\" box";
  EXPECT_EQ(box.body, L"CEF3 binaries missing !\r\n\r\nThe missing files are :\r\n" + run.path(L"cef\\locales\\zh-CN.pak"));
  EXPECT_EQ(run.Reported("start"), "0");
  EXPECT_EQ(run.Reported("done"), "real box");
}

// --- The cookie initialiser against the engine --------------------------------------------------

TEST(Cookies, NeverReadyGivesUpWithoutBlocking) {
  REQUIRE_STANDIN();
  LaunchRun run;
  run.CopyEngine();
  run.Run(L"cookies never ready", {{L"STANDIN_COOKIE_NEVER_READY", L"1"}});
  EXPECT_EQ(run.Reported("context_ready"), "1");
  EXPECT_EQ(run.Reported("cookie_threads_started"), "1");
  EXPECT_EQ(run.Reported("cookie_thread_ended"), "1");
  const long waited = std::stol(run.Reported("cookie_wait_ms"));
  EXPECT_GE(waited, 3000) << "gave up too early";
  EXPECT_LE(waited, 7500);
  EXPECT_EQ(run.Events("cookie_get_global_manager").size(), 1u);
  EXPECT_TRUE(run.Events("cookie_set_storage_path").empty());
}

TEST(Cookies, EmptyCookiePathStartsNoThread) {
  REQUIRE_STANDIN();
  LaunchRun run;
  run.CopyEngine();
  run.Run(L"no appdata", {{L"APPDATA", L""}});
  EXPECT_EQ(run.Reported("start"), "1");
  EXPECT_EQ(run.Reported("context_ready"), "1");
  EXPECT_EQ(run.Reported("cookie_threads_started"), "0");
  EXPECT_TRUE(run.Events("cookie_get_global_manager").empty());
  auto init = run.Events("initialize");
  ASSERT_EQ(init.size(), 1u);
  EXPECT_EQ(init[0].fields["user_data_path"], "");
}

int wmain(int argc, wchar_t** argv) {
  if (!Env(L"LZG_ENGINE_CASE").empty()) return RunClientProcess();
  int narrowArgc = argc;
  std::vector<std::string> store;
  std::vector<char*> ptrs;
  for (int i = 0; i < argc; ++i) store.push_back(testutil::ToUtf8(argv[i]));
  for (auto& s : store) ptrs.push_back(s.data());
  testing::InitGoogleTest(&narrowArgc, ptrs.data());
  return RUN_ALL_TESTS();
}
