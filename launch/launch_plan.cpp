#include "launch/launch_plan.h"

#include "base/command_line.h"
#include "config/settings.h"
#include "base/guarded.h"

namespace lzg {

std::wstring HomeAddress() { return g_ParamStr_1.empty() ? g_gameUrl : g_ParamStr_1; }

LaunchPlan PrepareLaunch(std::wstring_view commandLine, const std::wstring& exeDir) {
  // 1. The first argument; a failure leaves it empty (profile 0).
  if (!GuardedStep([&] { g_ParamStr_1 = FirstArgument(commandLine); })) g_ParamStr_1.clear();
  // 2. The configuration; whatever it reached before a failure stays.
  GuardedStep([&] { LoadAppConfigIn(exeDir); });

  LaunchPlan plan;
  plan.profile = CurrentProfile();
  plan.homepage = HomeAddress();
  return plan;
}

}  // namespace lzg
