// The launch sequence of the client's executable: every process, engine
// sub-processes included, runs it from the entry point.
#include "base/files.h"
#include "base/log.h"
#include "base/log_text.h"
#include "engine/engine_app.h"
#include "engine/cef_string.h"
#include "gamewindow/exit_dialog.h"
#include "gamewindow/game_window.h"
#include "config/settings.h"
#include "launch/engine_setup.h"
#include "launch/launch_plan.h"
#include "lzg_version.h"
#include "ui/forms.h"

namespace lzg {
namespace {

// Named on every engine sub-process, so that its lines in the log carry the profile too.
const std::wstring kProfileSwitch = L"lzgmin-profile";

void NameProfileOnSubProcesses(int profile) {
  GlobalCEFApp->OnBeforeChildProcessLaunch = [profile](cef_command_line_t* commandLine) {
    if (!commandLine || !commandLine->append_switch_with_value) return;
    const std::wstring value = std::to_wstring(profile);
    cef_string_t name = CefStringView(kProfileSwitch), text = CefStringView(value);
    commandLine->append_switch_with_value(commandLine, &name, &text);
  };
}

// The main process's first line in the client's log: what support asks first.
void LogStart(const LaunchPlan& plan) {
  const std::wstring version(LZG_VERSION_TEXT, LZG_VERSION_TEXT + sizeof(LZG_VERSION_TEXT) - 1);
  log::Write(L"start: lzgmin " + version + L", profile " + std::to_wstring(plan.profile) + L", home " +
             (plan.homepage.empty() ? std::wstring(L"(none)") : logtext::WithoutQuery(plan.homepage)) +
             L", engine " + GlobalCEFApp->LibraryVersionText() + L", screen " +
             std::to_wstring(GetSystemMetrics(SM_CXSCREEN)) + L"x" + std::to_wstring(GetSystemMetrics(SM_CYSCREEN)));
}

// The end of the sequence, for a session that ends under a running window: Windows ends the process as soon
// as the window has answered, so the engine goes down here, cleanly, and the process ends with it.
void EndWithTheSession() {
  g_ChildFormHandle = nullptr;
  ui::Application::DestroyForms();
  FormHint = nullptr;
  ChildForm = nullptr;
  DestroyGlobalCEFApp();
  log::Write(L"end: the session ended, exit code 0");
  ExitProcess(0);
}

}  // namespace

int RunLaunchSequence() {
  const std::wstring commandLine = GetCommandLineW();
  // The engine starts sub-processes of this executable at any time during a run. They go straight to the engine:
  // loading the configuration there would rewrite "zeRoVedi.dat" behind the main process's back (wiping the
  // credentials the launcher left for the next start, racing the game window's size saves), and would decode the
  // password inside a process that runs web content.
  const bool engineSubProcess = EngineApp::ProcessTypeOf(commandLine) != ProcessType::kBrowser;

  // The first argument and the configuration, each failure ignored.
  LaunchPlan plan;
  if (!engineSubProcess) {
    plan = PrepareLaunch(commandLine, lzg::ExeDirectory());
    log::SetProcess(plan.profile, L"main");
  } else {
    // The browser process names its profile on every sub-process it starts.
    log::SetProcess(EngineApp::SwitchValueOf(commandLine, kProfileSwitch) == L"1" ? 1 : 0,
                    EngineApp::SwitchValueOf(commandLine, L"type"));
  }

  // The engine object, with its paths and the profile's directories.
  CreateGlobalCEFApp_2();
  if (!engineSubProcess) {
    NameProfileOnSubProcesses(plan.profile);
    LogStart(plan);
  }

  // A sub-process has done its whole work inside this call; false there and on failure.
  int exitCode = 0;
  if (GlobalCEFApp->StartMainProcess()) {
    // The game window first: it becomes the main window. Then the exit dialog.
    ChildForm = ui::Application::CreateForm<GameWindow>();
    g_ChildFormHandle = ChildForm->Handle();
    FormHint = ui::Application::CreateForm<ExitDialog>();
    ChildForm->FHomepage = plan.homepage;
    ChildForm->OnSessionEnding = &EndWithTheSession;
    // Shows the game window; returns once it has closed.
    ui::Application::Run();
    g_ChildFormHandle = nullptr;
    ui::Application::DestroyForms();
    FormHint = nullptr;
    ChildForm = nullptr;
    // The engine goes down with no browser open (the game window closed it first).
    DestroyGlobalCEFApp();
    log::Write(L"end: the game window closed, exit code " + std::to_wstring(exitCode));
  } else {
    exitCode = GlobalCEFApp->SubProcessExitCode();
    DestroyGlobalCEFApp();
    if (!engineSubProcess) log::Write(L"end: the engine did not start, exit code " + std::to_wstring(exitCode));
  }
  return exitCode;
}

}  // namespace lzg
