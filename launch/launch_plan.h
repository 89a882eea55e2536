// What the first steps of the launch decide, in every process that is not an engine sub-process: the first
// argument, the profile, the settings and the game window's home address.
#pragma once

#include <string>
#include <string_view>

#include "config/settings.h"

namespace lzg {

struct LaunchPlan {
  std::wstring first_argument;  // empty when there is none
  int profile = 0;              // 1 when there is a first argument
  Settings settings;
  std::wstring homepage;  // the first argument, else the configured game address
};

// Steps 1 and 2 (the first argument, the configuration; each failure ignored) with `exe_dir` as the executable's
// folder. The profile's folders are the engine object's business (engine_setup.h).
LaunchPlan PrepareLaunch(std::wstring_view command_line, const std::wstring& exe_dir);

}  // namespace lzg
