// The arguments of a command line, read by one rule for the profile and the process role. Platform-free.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lzg {

// The first argument after the program path, empty when there is none.
//
// Arguments are separated by runs of codes 1 to 32; an empty pair of double
// quotes directly before an argument is skipped; a stretch between double
// quotes may hold blanks and loses its quotes; there is no escape character.
// These are the rules the launcher and the popup starter rely on, and they are
// not CommandLineToArgvW's (which treats backslashes before quotes specially).
std::wstring FirstArgument(std::wstring_view commandLine);

// Every argument after the program path, by the same rule; never an empty one.
// The process role (the engine's "--type=" switch) is read from these, so that
// no argument can be the profile's address to one reading and a switch to the
// other.
std::vector<std::wstring> CommandLineArguments(std::wstring_view commandLine);

// The value of the last "--<name>=" argument (the name's ASCII letters in any case); none without one.
std::optional<std::wstring> SwitchValue(const std::vector<std::wstring>& args, std::wstring_view name);

}  // namespace lzg
