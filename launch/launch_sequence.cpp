// The launch sequence of the client's executable: every process, engine sub-processes included, runs it from the
// entry point.
#include "launch/launch_sequence.h"

#include <atomic>
#include <memory>
#include <optional>

#include "base/files.h"
#include "base/log.h"
#include "base/log_text.h"
#include "engine/cef_string.h"
#include "engine/engine_app.h"
#include "gamewindow/exit_dialog.h"
#include "gamewindow/game_window.h"
#include "launch/engine_setup.h"
#include "launch/instance_slot.h"
#include "launch/launch_plan.h"
#include "launch/old_caches.h"
#include "launch/profile_folders.h"
#include "lzg_version.h"
#include "ui/forms.h"

namespace lzg {
namespace {

// Named on every engine sub-process, so that its lines in the log carry the profile too.
const std::wstring kProfileSwitch = L"lzgmin-profile";

void NameProfileOnSubProcesses(EngineApp& app, int profile) {
  app.on_before_child_process_launch = [profile](cef_command_line_t* command_line) {
    if (!command_line || !command_line->append_switch_with_value) return;
    const std::wstring value = std::to_wstring(profile);
    cef_string_t name = CefStringView(kProfileSwitch), text = CefStringView(value);
    command_line->append_switch_with_value(command_line, &name, &text);
  };
}

// The engine writes crash dumps only with its crash_reporter.cfg beside the executable (the package ships one).
bool CrashDumpsOn() { return FileExists(ExeDirectory() + L"crash_reporter.cfg"); }

// The main process's first line in the client's log: what support asks first.
void LogStart(EngineApp& app, const LaunchPlan& plan, int slot) {
  const std::wstring version(LZG_VERSION_TEXT, LZG_VERSION_TEXT + sizeof(LZG_VERSION_TEXT) - 1);
  log::Write(L"start: lzgmin " + version + L", profile " + std::to_wstring(plan.profile) + L", slot " +
             std::to_wstring(slot) + L", home " +
             (plan.homepage.empty() ? std::wstring(L"(none)") : logtext::WithoutQuery(plan.homepage)) + L", engine " +
             app.LibraryVersionText() + L", screen " + std::to_wstring(GetSystemMetrics(SM_CXSCREEN)) + L"x" +
             std::to_wstring(GetSystemMetrics(SM_CYSCREEN)) + L", crash dumps " + (CrashDumpsOn() ? L"on" : L"off"));
}

// The start line's screen size loads the system's display driver (tens of milliseconds under Wine, which connects
// to the display then): a short-lived helper asks first, so that the driver comes while this thread reads the
// configuration and checks the engine's library, on the other core. The answer itself is asked for again.
DWORD WINAPI AskScreenWidth(void*) { return static_cast<DWORD>(GetSystemMetrics(SM_CXSCREEN)); }

void LoadDisplayDriverAside() {
  const HANDLE helper = CreateThread(nullptr, 64 * 1024, &AskScreenWidth, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION,
                                     nullptr);
  if (helper) CloseHandle(helper);
}

// What a session that ends under a running window needs to end the process cleanly: Windows ends the process as
// soon as the window has answered, so the engine goes down first, here.
struct SessionEnd {
  std::atomic<HWND>* game_window;
  std::unique_ptr<EngineApp>* engine;
};

[[noreturn]] void EndWithTheSession(const SessionEnd& end) {
  *end.game_window = nullptr;
  ui::Application::DestroyForms();
  end.engine->reset();
  log::Write(L"end: the session ended, exit code 0");
  ExitProcess(0);
}

}  // namespace

int RunLaunchSequence() {
  const std::wstring command_line = GetCommandLineW();
  // The engine starts sub-processes of this executable at any time during a run. They go straight to the engine:
  // loading the configuration there would rewrite "zeRoVedi.dat" behind the main process's back (wiping the
  // credentials the launcher left for the next start, racing the game window's size saves), and would decode the
  // password inside a process that runs web content.
  const bool engine_sub_process = EngineApp::ProcessTypeOf(command_line) != ProcessType::kBrowser;

  // The first argument and the configuration, each failure ignored.
  LaunchPlan plan;
  if (!engine_sub_process) {
    LoadDisplayDriverAside();
    plan = PrepareLaunch(command_line, ExeDirectory());
    log::SetProcess(plan.profile, L"main");
  } else {
    // The browser process names its profile on every sub-process it starts.
    log::SetProcess(EngineApp::SwitchValueOf(command_line, kProfileSwitch) == L"1" ? 1 : 0,
                    EngineApp::SwitchValueOf(command_line, L"type"));
  }

  // The instance's folders, claimed before the engine starts and held until the process ends (after the engine's
  // shutdown): another instance of the profile running now uses folders of its own. Sub-processes use none.
  SYSTEMTIME start_time{};
  std::optional<InstanceSlot> slot;
  if (!engine_sub_process) {
    GetLocalTime(&start_time);
    slot.emplace(InstanceSlot::Claim(plan.profile, start_time));
  }

  // The game window's handle once it exists: all that the engine's threads reach of it.
  std::atomic<HWND> game_window_handle{nullptr};
  // The engine object, with its paths and the instance's folders.
  auto engine = std::make_unique<EngineApp>();
  PostReportsTo(*engine, game_window_handle);
  if (slot) {
    ConfigureEngineApp(*engine, slot->folders());
    NameProfileOnSubProcesses(*engine, plan.profile);
    LogStart(*engine, plan, slot->number());
  } else {
    ConfigureEngineApp(*engine, plan.profile);
  }

  // A sub-process has done its whole work inside this call; false there and on failure.
  int exit_code = 0;
  if (engine->StartMainProcess()) {
    // The game window first: it becomes the main window. Then the exit dialog.
    GameWindow* game_window = ui::Application::CreateForm<GameWindow>(*engine, std::move(plan.settings));
    game_window_handle = game_window->Handle();
    game_window->SetExitDialog(ui::Application::CreateForm<ExitDialog>());
    game_window->SetHomepage(plan.homepage);
    const SessionEnd session_end{&game_window_handle, &engine};
    game_window->SetOnSessionEnding([session_end] { EndWithTheSession(session_end); });
    // Once the game has loaded, the profile's caches of earlier months go, on a thread of their own that nobody
    // waits for (it touches files only: the engine's shutdown and the process's end need not wait for it).
    if (const std::optional<std::wstring> profile_temp = ProfileTempFolder(plan.profile)) {
      game_window->SetOnGameLoaded([folder = *profile_temp, month = DateSuffix(start_time)] {
        StartRemovingOldCaches(folder, month);
      });
    }
    // Shows the game window; returns once it has closed.
    ui::Application::Run();
    game_window_handle = nullptr;
    ui::Application::DestroyForms();
    // The engine goes down with no browser open (the game window closed it first).
    engine.reset();
    log::Write(L"end: the game window closed, exit code " + std::to_wstring(exit_code));
  } else {
    exit_code = engine->SubProcessExitCode();
    engine.reset();
    if (!engine_sub_process) log::Write(L"end: the engine did not start, exit code " + std::to_wstring(exit_code));
  }
  return exit_code;
}

}  // namespace lzg
