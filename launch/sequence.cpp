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
  SYSTEMTIME now;
  GetLocalTime(&now);
  // 1-2. First argument and configuration, each failure ignored.
  const LaunchPlan plan = PrepareLaunch(GetCommandLineW(), ExecutableDirectory(), now);

  // 3. The engine object, with its paths and the profile's directories.
  CreateGlobalCEFApp_2();

  // 4. A sub-process has done its whole work inside this call; false there and on failure.
  if (GlobalCEFApp->StartMainProcess()) {
    // 5. The game window first: it becomes the main window. Then the exit dialog.
    ChildForm = ui::Application.CreateForm<TChildForm>();
    g_ChildFormHandle = ChildForm->Handle();
    FormHint = ui::Application.CreateForm<TFormHint>();
    // 6.
    ChildForm->FHomepage = plan.homepage;
    // 7. Shows the game window; returns once it has closed.
    ui::Application.Run();
    g_ChildFormHandle = nullptr;
    ui::Application.DestroyForms();
    FormHint = nullptr;
    ChildForm = nullptr;
  }

  // 8. The engine goes down with no browser open (the game window closed it first).
  DestroyGlobalCEFApp();
  // 9.
  return 0;
}

}  // namespace lzg
