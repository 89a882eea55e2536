#include "launch/launch.h"

#include "launch/cmdline.h"
#include "launch/common.h"
#include "launch/guarded.h"

namespace lzg {

std::wstring HomeAddress() { return g_ParamStr_1.empty() ? g_gameUrl : g_ParamStr_1; }

LaunchPlan PrepareLaunch(std::wstring_view commandLine, const std::wstring& exeDir, const SYSTEMTIME& localTime) {
  // 1. The first argument; a failure leaves it empty (profile 0).
  if (!GuardedStep([&] { g_ParamStr_1 = FirstArgument(commandLine); })) g_ParamStr_1.clear();
  // 2. The configuration; whatever it reached before a failure stays.
  GuardedStep([&] { LoadAppConfigIn(exeDir); });

  LaunchPlan plan;
  plan.profile = CurrentProfile();
  plan.dirs = ComputeProfileDirs(plan.profile == 1, localTime);
  plan.homepage = HomeAddress();
  return plan;
}

int RunLaunchSequence() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  const LaunchPlan plan = PrepareLaunch(GetCommandLineW(), ExecutableDirectory(), now);

  // ---- engine start and windows are added here ----
  // 3. CreateGlobalCEFApp_2 (its profile directories are plan.dirs)
  // 4. GlobalCEFApp.StartMainProcess; false in a sub-process or on failure: go to 8
  // 5. the game window ChildForm, then the exit dialog FormHint
  // 6. ChildForm.FHomepage = plan.homepage
  // 7. the message loop
  // 8. DestroyGlobalCEFApp
  (void)plan;

  // 9. The process ends.
  return 0;
}

}  // namespace lzg
