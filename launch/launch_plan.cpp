#include "launch/launch_plan.h"

#include "base/command_line.h"
#include "base/guarded.h"

namespace lzg {

LaunchPlan PrepareLaunch(std::wstring_view command_line, const std::wstring& exe_dir) {
  LaunchPlan plan;
  // 1. The first argument; a failure leaves it empty (profile 0).
  if (!GuardedStep([&] { plan.first_argument = FirstArgument(command_line); })) plan.first_argument.clear();
  plan.profile = ProfileFor(plan.first_argument);
  // 2. The configuration; it swallows its own failures.
  plan.settings = LoadSettings(exe_dir, plan.profile);
  plan.homepage = plan.first_argument.empty() ? plan.settings.game_url : plan.first_argument;
  return plan;
}

}  // namespace lzg
