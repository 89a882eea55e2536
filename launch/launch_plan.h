// The launch sequence of every process of the client, engine sub-processes included.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>


namespace lzg {

// What the first steps compute for the engine object and the game window.
struct LaunchPlan {
  int profile = 0;        // 1 when there is a first argument
  std::wstring homepage;  // the game window's FHomepage
};

// The game window's home address: the first argument, else the configured game address.
std::wstring HomeAddress();

// Steps 1 and 2 (first argument, configuration; each failure ignored) with
// `exeDir` as the executable's directory, and what they decide. The profile's folders
// are the engine object's business (CreateGlobalCEFApp_2), computed there only.
LaunchPlan PrepareLaunch(std::wstring_view commandLine, const std::wstring& exeDir);

// The whole sequence for this process; the result is the process's exit code.
int RunLaunchSequence();

}  // namespace lzg
