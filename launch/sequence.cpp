// The launch sequence of the client's executable: every process, engine
// sub-processes included, runs it from the entry point.
#include "engine/app.h"
#include "gamewindow/Unit1.h"
#include "gamewindow/uChildForm.h"
#include "launch/common.h"
#include "launch/globalcefapp.h"
#include "launch/launch.h"
#include "ui/forms.h"

namespace lzg {

int RunLaunchSequence() {
  const std::wstring commandLine = GetCommandLineW();
  // The engine starts sub-processes of this executable at any time during a run. They go straight to the engine:
  // loading the configuration there would rewrite "zeRoVedi.dat" behind the main process's back (wiping the
  // credentials the launcher left for the next start, racing the game window's size saves), and would decode the
  // password inside a process that runs web content.
  const bool engineSubProcess = TCefApplication::ProcessTypeOf(commandLine) != ptBrowser;

  // The first argument and the configuration, each failure ignored.
  LaunchPlan plan;
  if (!engineSubProcess) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    plan = PrepareLaunch(commandLine, ExecutableDirectory(), now);
  }

  // The engine object, with its paths and the profile's directories.
  CreateGlobalCEFApp_2();

  // A sub-process has done its whole work inside this call; false there and on failure.
  int exitCode = 0;
  if (GlobalCEFApp->StartMainProcess()) {
    // The game window first: it becomes the main window. Then the exit dialog.
    ChildForm = ui::Application.CreateForm<TChildForm>();
    g_ChildFormHandle = ChildForm->Handle();
    FormHint = ui::Application.CreateForm<TFormHint>();
    ChildForm->FHomepage = plan.homepage;
    // Shows the game window; returns once it has closed.
    ui::Application.Run();
    g_ChildFormHandle = nullptr;
    ui::Application.DestroyForms();
    FormHint = nullptr;
    ChildForm = nullptr;
  } else {
    exitCode = GlobalCEFApp->SubProcessExitCode();
  }

  // The engine goes down with no browser open (the game window closed it first).
  DestroyGlobalCEFApp();
  return exitCode;
}

}  // namespace lzg
