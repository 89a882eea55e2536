#include "base/cmdline.h"

namespace lzg {
namespace {

// Reads one argument starting at `at`; returns the position after it.
std::size_t NextArgument(std::wstring_view s, std::size_t at, std::wstring& arg) {
  auto ch = [&](std::size_t i) -> wchar_t { return i < s.size() ? s[i] : L'\0'; };
  for (;;) {
    while (ch(at) != L'\0' && ch(at) <= L' ') ++at;
    if (ch(at) == L'"' && ch(at + 1) == L'"') {
      at += 2;
    } else {
      break;
    }
  }
  arg.clear();
  while (ch(at) > L' ') {
    if (ch(at) == L'"') {
      ++at;
      while (ch(at) != L'\0' && ch(at) != L'"') arg.push_back(ch(at++));
      if (ch(at) != L'\0') ++at;
    } else {
      arg.push_back(ch(at++));
    }
  }
  return at;
}

}  // namespace

std::wstring FirstArgument(std::wstring_view commandLine) {
  std::vector<std::wstring> args = CommandLineArguments(commandLine);
  return args.empty() ? std::wstring() : std::move(args.front());
}

std::vector<std::wstring> CommandLineArguments(std::wstring_view commandLine) {
  std::vector<std::wstring> args;
  std::wstring arg;
  std::size_t at = NextArgument(commandLine, 0, arg);  // the program path
  for (;;) {
    at = NextArgument(commandLine, at, arg);
    // Separators and empty quote pairs are skipped before an argument, so only the end gives an empty one.
    if (arg.empty()) break;
    args.push_back(arg);
  }
  return args;
}

}  // namespace lzg
