// Platform-free: one reading of the command line gives both the profile's first argument and the process role.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/startup_rules.h"
#include "base/command_line.h"
#include "tests/support/command_line_cases.h"
#include "tests/support/utf8_text.h"

namespace {

using testutil::ToUtf8;

TEST(CommandLine, FirstArgumentAndRoleFromTheSameArguments) {
  for (const cmdcases::Case& c : cmdcases::kCases) {
    SCOPED_TRACE(ToUtf8(c.commandLine));
    const std::vector<std::wstring> args = lzg::CommandLineArguments(c.commandLine);
    EXPECT_EQ(lzg::FirstArgument(c.commandLine), c.firstArgument);
    EXPECT_EQ(args.empty() ? std::wstring() : args.front(), c.firstArgument);
    EXPECT_EQ(lzg::ParseProcessType(args), c.role);
    for (const std::wstring& a : args) EXPECT_FALSE(a.empty());
  }
}

TEST(CommandLine, EveryArgumentInOrder) {
  struct Case {
    const wchar_t* commandLine;
    std::vector<std::wstring> args;
  } cases[] = {
      {L"", {}},
      {L"p", {}},
      {L"p \"\" \"\"", {}},
      {L"p a \"b c\" \"\"d e\"f g\"h", {L"a", L"b c", L"d", L"ef gh"}},
      {L"p \"C:\\x\\\" --type=renderer\"", {L"C:\\x\\", L"--type=renderer"}},
      {L"p a\x01\x1F\tb  \"", {L"a", L"b"}},
  };
  for (const Case& c : cases) EXPECT_EQ(lzg::CommandLineArguments(c.commandLine), c.args) << ToUtf8(c.commandLine);
  // The text ends at a zero unit, as a command line does.
  EXPECT_EQ(lzg::CommandLineArguments(std::wstring_view(L"p a\0b", 5)), std::vector<std::wstring>{L"a"});
}

}  // namespace
